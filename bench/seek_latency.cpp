// How long a key takes to put an exact frame on the screen: presses the key as a keyboard does
// (XTest, to the focused window) and reads the window back until its top rows are the expected
// frame's, byte for byte.
//   seek-latency --window ID --key KEYSYM --expect FRAME.rgb [--rows N] [--timeout MS]
//   seek-latency --window ID --key KEYSYM
// FRAME.rgb: the frame as raw RGB, the window's width a row (ffmpeg -f rawvideo -pix_fmt rgb24);
// only its first N rows are compared (the demo's time bar lies below them). Prints the
// milliseconds from the key to the first read-back that matched, or fails after the timeout.
// Without --expect it only presses the key, and prints the wall-clock time it did so (seconds since
// 1970, as date +%s.%N), for a recording of what followed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: seek-latency --window ID --key KEYSYM --expect FRAME.rgb [--rows N] "
                 "[--timeout MS]\n");
    return 2;
}

// As a keyboard presses it (XTest), to the window that has the focus, as the demo's window has.
// The release comes a few milliseconds after the press, as a finger's does, and the server has
// taken both before the program goes on (and may exit): pressed back to back and only flushed,
// some were lost.
void pressKey(Display* display, KeyCode code) {
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, 10);
    XSync(display, False);
}

bool matches(const XImage* image, const std::vector<unsigned char>& rgb, int width, int rows) {
    for (int y = 0; y < rows; ++y) {
        const auto* row = reinterpret_cast<const unsigned char*>(image->data) +
                          static_cast<size_t>(y) * image->bytes_per_line;
        const unsigned char* want = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x)
            if (row[4 * x + 2] != want[3 * x] || row[4 * x + 1] != want[3 * x + 1] ||
                row[4 * x] != want[3 * x + 2])
                return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Window window = 0;
    std::string key, expect;
    int rows = -1, timeoutMs = 5000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--window")
            window = std::strtoul(argv[i + 1], nullptr, 0);
        else if (option == "--key")
            key = argv[i + 1];
        else if (option == "--expect")
            expect = argv[i + 1];
        else if (option == "--rows")
            rows = std::atoi(argv[i + 1]);
        else if (option == "--timeout")
            timeoutMs = std::atoi(argv[i + 1]);
        else
            return usage();
    }
    if (!window || key.empty()) return usage();
    std::ifstream file(expect, std::ios::binary);
    const std::vector<unsigned char> rgb((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "seek-latency: no display\n");
        return 1;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return 1;
    const int width = attributes.width;
    if (rows < 0) rows = attributes.height;
    if (!expect.empty() && rgb.size() < static_cast<size_t>(width) * rows * 3) {
        std::fprintf(stderr, "seek-latency: %s holds fewer than %d rows of %d pixels\n",
                     expect.c_str(), rows, width);
        return 1;
    }
    const KeySym symbol = XStringToKeysym(key.c_str());
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
    if (!code) {
        std::fprintf(stderr, "seek-latency: no key %s\n", key.c_str());
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point pressed = Clock::now();
    const double wallClock =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    pressKey(display, code);
    if (expect.empty()) {
        std::printf("%.6f\n", wallClock);
        return 0;
    }
    for (;;) {
        XImage* image = XGetImage(display, window, 0, 0, width, rows, AllPlanes, ZPixmap);
        const bool same = image && image->bits_per_pixel == 32 && matches(image, rgb, width, rows);
        if (image) XDestroyImage(image);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
        if (same) {
            std::printf("%.1f\n", ms);
            return 0;
        }
        if (ms > timeoutMs) {
            std::fprintf(stderr, "seek-latency: the frame never came in %d ms\n", timeoutMs);
            return 1;
        }
    }
}
