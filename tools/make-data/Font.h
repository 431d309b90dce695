#pragma once

#include <cairo.h>

// A DejaVu face from the fonts-dejavu-core package, loaded through FreeType straight from its file
// so that no font configuration of the machine changes the pictures.
class Font {
public:
    // fileName: e.g. "DejaVuSans-Bold.ttf".
    explicit Font(const char* fileName);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Null when the file could not be loaded.
    cairo_font_face_t* face() const { return cairoFace; }

private:
    cairo_font_face_t* cairoFace = nullptr;
};

// The size and face for the text drawn next.
void useFont(cairo_t* cr, const Font& font, double size);

// True once a font could not be loaded: Cairo then draws nothing more on that picture, so it is
// wrong and must not be written.
bool anyFontMissing();
