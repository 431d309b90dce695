#include "Font.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <string>

namespace {

const char* const fontDirectory = "/usr/share/fonts/truetype/dejavu/";

// The FreeType library and face live as long as Cairo keeps the font face, which may be longer
// than the Font object: Cairo calls this when it lets the face go.
struct FreeTypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

void releaseFreeTypeFace(void* data) {
    FreeTypeFace* freeType = static_cast<FreeTypeFace*>(data);
    FT_Done_Face(freeType->face);
    FT_Done_FreeType(freeType->library);
    delete freeType;
}

const cairo_user_data_key_t freeTypeKey{};

bool missingFont = false;

} // namespace

bool anyFontMissing() {
    return missingFont;
}

Font::Font(const char* fileName) {
    FreeTypeFace* freeType = new FreeTypeFace;
    const std::string path = std::string(fontDirectory) + fileName;
    if (FT_Init_FreeType(&freeType->library) != 0) {
        delete freeType;
        missingFont = true;
        return;
    }
    if (FT_New_Face(freeType->library, path.c_str(), 0, &freeType->face) != 0) {
        std::fprintf(stderr,
                     "make-data: cannot load the font %s (Debian's fonts-dejavu-core and "
                     "fonts-dejavu-extra hold the DejaVu fonts)\n",
                     path.c_str());
        FT_Done_FreeType(freeType->library);
        delete freeType;
        missingFont = true;
        return;
    }
    cairoFace = cairo_ft_font_face_create_for_ft_face(freeType->face, 0);
    if (cairo_font_face_set_user_data(cairoFace, &freeTypeKey, freeType, releaseFreeTypeFace) !=
        CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cairoFace);
        cairoFace = nullptr;
        releaseFreeTypeFace(freeType);
    }
}

Font::~Font() {
    if (cairoFace) cairo_font_face_destroy(cairoFace);
}

void useFont(cairo_t* cr, const Font& font, double size) {
    cairo_set_font_face(cr, font.face());
    cairo_set_font_size(cr, size);
    // Fixed options, so the machine's defaults do not change the glyphs.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}
