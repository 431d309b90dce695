#include "Canvas.h"
#include "Font.h"
#include "Pictures.h"

#include <algorithm>
#include <cmath>

namespace {

const int windowWidth = 1024, windowHeight = 768;
const double pi = 3.14159265358979323846;

void showCentred(cairo_t* cr, const char* text, double centreX, double baselineY) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_move_to(cr, centreX - extents.x_advance / 2, baselineY);
    cairo_show_text(cr, text);
}

const Colour logoUnderline{0.9, 0.4, 0.8};

// The five rings behind the logo's first letter, echoing the intro's spheres, fading outwards.
void strokeLogoRings(cairo_t* cr, double centreX, double centreY, double firstRadius, double step,
                     double lineWidth) {
    cairo_set_line_width(cr, lineWidth);
    for (int i = 0; i < 5; ++i) {
        setColour(cr, {0.2, 0.55, 0.9}, 0.55 - 0.09 * i);
        cairo_arc(cr, centreX, centreY, firstRadius + step * i, 0, 2 * pi);
        cairo_stroke(cr);
    }
}

// Fills the current text path with the logo's gradient, cyan at the letters' tops to magenta at
// their baseline, and outlines it in white.
void paintLogoLetters(cairo_t* cr, double top, double baseline, double outlineWidth) {
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, top, 0, baseline);
    cairo_pattern_add_color_stop_rgb(fill, 0, 0.55, 0.95, 1.0);
    cairo_pattern_add_color_stop_rgb(fill, 0.55, 0.35, 0.45, 0.95);
    cairo_pattern_add_color_stop_rgb(fill, 1, 0.75, 0.2, 0.75);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    setColour(cr, {1, 1, 1}, 0.9);
    cairo_set_line_width(cr, outlineWidth);
    cairo_stroke(cr);
}

} // namespace

Picture drawLogo() {
    // Black adds nothing to what the intro draws underneath, so the logo keeps to the upper left,
    // clear of the square on the right and of the sphere chain below the middle.
    Canvas canvas(windowWidth, windowHeight);
    cairo_t* cr = canvas.cairo();
    const Font bold("DejaVuSans-Bold.ttf"), light("DejaVuSans-ExtraLight.ttf");
    const double left = 70, baseline = 250;

    strokeLogoRings(cr, left + 60, baseline - 60, 40.0, 26.0, 2.0);
    useFont(cr, bold, 170);
    cairo_move_to(cr, left, baseline);
    cairo_text_path(cr, "DEMO");
    paintLogoLetters(cr, baseline - 130, baseline, 2.5);

    cairo_text_extents_t word;
    cairo_text_extents(cr, "DEMO", &word);
    setColour(cr, logoUnderline);
    cairo_rectangle(cr, left + 4, baseline + 22, word.x_advance - 8, 5);
    cairo_fill(cr);

    useFont(cr, light, 26);
    setColour(cr, {0.85, 0.9, 1.0});
    cairo_move_to(cr, left + 6, baseline + 64);
    cairo_show_text(cr, "136 seconds of real-time OpenGL");
    return canvas.picture();
}

Picture drawCredits() {
    Canvas canvas(windowWidth, windowHeight);
    cairo_t* cr = canvas.cairo();
    cairo_pattern_t* background = cairo_pattern_create_linear(0, 0, 0, windowHeight);
    cairo_pattern_add_color_stop_rgb(background, 0, 0.0, 0.0, 0.02);
    cairo_pattern_add_color_stop_rgb(background, 1, 0.04, 0.02, 0.12);
    cairo_set_source(cr, background);
    cairo_paint(cr);
    cairo_pattern_destroy(background);

    const Font bold("DejaVuSans-Bold.ttf"), regular("DejaVuSans.ttf");
    const double middle = windowWidth / 2.0;
    useFont(cr, bold, 58);
    setColour(cr, {0.55, 0.95, 1.0});
    showCentred(cr, "CREDITS", middle, 112);
    setColour(cr, {0.9, 0.4, 0.8});
    cairo_rectangle(cr, middle - 160, 134, 320, 4);
    cairo_fill(cr);

    struct Section {
        const char* heading;
        const char* lines[2];
    };
    const Section sections[] = {
        {"MUSIC",
         {"synthesised note by note by make-data, the project's own generator:",
          "kick, clap, bass, pad and arpeggio at 125 beats per minute"}},
        {"PICTURES",
         {"drawn by make-data with Cairo and the DejaVu fonts,", "encoded with libjpeg-turbo"}},
        {"MESHES",
         {"built by make-data: a chain of spheres, a tiled ball, a star,",
          "a knot and a tunnel, written as OBJ text"}},
        {"THE DEMO STANDS ON",
         {"SDL2  \xc2\xb7  libvorbis  \xc2\xb7  KISS FFT  \xc2\xb7  libjpeg-turbo",
          "Mesa OpenGL and GLU"}},
    };
    double y = 215;
    for (const Section& section : sections) {
        useFont(cr, bold, 19);
        setColour(cr, {0.9, 0.45, 0.85});
        showCentred(cr, section.heading, middle, y);
        useFont(cr, regular, 24);
        setColour(cr, {0.95, 0.95, 0.97});
        showCentred(cr, section.lines[0], middle, y + 36);
        showCentred(cr, section.lines[1], middle, y + 68);
        y += 128;
    }
    useFont(cr, regular, 20);
    setColour(cr, {0.55, 0.95, 1.0});
    showCentred(cr, "thank you for watching", middle, 735);
    return canvas.picture();
}

cairo_surface_t* drawIcon(int size) {
    // The logo's first letter in its colours, in its rings, on a dark rounded square. Drawn on a
    // 256-unit square scaled to the size, so that every size is the same drawing; below 32
    // pixels the outline would blur the letter, so it goes.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, size / 256.0, size / 256.0);

    const double margin = 8, corner = 44, far = 256 - margin;
    cairo_new_sub_path(cr);
    cairo_arc(cr, far - corner, margin + corner, corner, -pi / 2, 0);
    cairo_arc(cr, far - corner, far - corner, corner, 0, pi / 2);
    cairo_arc(cr, margin + corner, far - corner, corner, pi / 2, pi);
    cairo_arc(cr, margin + corner, margin + corner, corner, pi, 3 * pi / 2);
    cairo_close_path(cr);
    cairo_pattern_t* background = cairo_pattern_create_linear(0, margin, 0, far);
    cairo_pattern_add_color_stop_rgb(background, 0, 0.02, 0.03, 0.10);
    cairo_pattern_add_color_stop_rgb(background, 1, 0.07, 0.03, 0.16);
    cairo_set_source(cr, background);
    cairo_fill(cr);
    cairo_pattern_destroy(background);

    // Thin lines vanish at 16 pixels: at least one pixel wide whatever the size.
    const double pixel = 256.0 / size;
    strokeLogoRings(cr, 128, 124, 46, 17, std::max(3.0, pixel));

    const Font bold("DejaVuSans-Bold.ttf");
    useFont(cr, bold, 176);
    cairo_text_extents_t letter;
    cairo_text_extents(cr, "D", &letter);
    const double baseline = 124 + letter.height / 2;
    cairo_move_to(cr, 128 - letter.x_bearing - letter.width / 2, baseline);
    cairo_text_path(cr, "D");
    paintLogoLetters(cr, baseline - letter.height, baseline, size >= 32 ? 4.0 : 0.0);

    setColour(cr, logoUnderline);
    cairo_rectangle(cr, 128 - letter.width / 2, baseline + 16, letter.width, std::max(8.0, pixel));
    cairo_fill(cr);

    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}
