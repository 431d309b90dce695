#include "Canvas.h"
#include "Font.h"
#include "Pictures.h"

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

} // namespace

Picture drawLogo() {
    // Black adds nothing to what the intro draws underneath, so the logo keeps to the upper left,
    // clear of the square on the right and of the sphere chain below the middle.
    Canvas canvas(windowWidth, windowHeight);
    cairo_t* cr = canvas.cairo();
    const Font bold("DejaVuSans-Bold.ttf"), light("DejaVuSans-ExtraLight.ttf");
    const double left = 70, baseline = 250;

    // Rings behind the word, echoing the spheres.
    cairo_set_line_width(cr, 2.0);
    for (int i = 0; i < 5; ++i) {
        setColour(cr, {0.2, 0.55, 0.9}, 0.55 - 0.09 * i);
        cairo_arc(cr, left + 60, baseline - 60, 40.0 + 26.0 * i, 0, 2 * pi);
        cairo_stroke(cr);
    }

    useFont(cr, bold, 170);
    cairo_move_to(cr, left, baseline);
    cairo_text_path(cr, "DEMO");
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, baseline - 130, 0, baseline);
    cairo_pattern_add_color_stop_rgb(fill, 0, 0.55, 0.95, 1.0);
    cairo_pattern_add_color_stop_rgb(fill, 0.55, 0.35, 0.45, 0.95);
    cairo_pattern_add_color_stop_rgb(fill, 1, 0.75, 0.2, 0.75);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    setColour(cr, {1, 1, 1}, 0.9);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);

    cairo_text_extents_t word;
    cairo_text_extents(cr, "DEMO", &word);
    setColour(cr, {0.9, 0.4, 0.8});
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
