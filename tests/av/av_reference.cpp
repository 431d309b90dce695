// The A/V measurement's reference: a click and a white screen at one instant, again and again, so
// that a recording of the screen and the sound shows the recorder's own error. The instant is the
// one PulseAudio gives: a click is written into a playback stream, the stream's latency (the
// server's interpolated timing) says when it leaves the sink, and at that instant a window
// covering the screen turns white; 100 ms later it turns black again.
//   av-reference [CLICKS [INTERVAL_MS]]      (default 10 clicks, 700 ms apart)
// Needs DISPLAY and a PulseAudio server (PULSE_SERVER). Prints one line per click: its number
// and how far ahead of the white screen the click was written, in ms. The intervals vary by a
// few ms from click to click, so that the clicks fall at every phase of the recorder's frames.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int rate = 44100;
constexpr int chunkFrames = rate / 200; // 5 ms: the loop writes this much at a time
constexpr int clickFrames = rate / 333; // 3 ms of a 2 kHz tone
constexpr int coverWidth = 1024, coverHeight = 768;

struct Cover {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    unsigned long white = 0, black = 0;

    bool open() {
        display = XOpenDisplay(nullptr);
        if (!display) return false;
        const int screen = DefaultScreen(display);
        white = WhitePixel(display, screen);
        black = BlackPixel(display, screen);
        XSetWindowAttributes attributes{};
        attributes.override_redirect =
            True; // no window manager, no decoration: the window is the screen
        attributes.background_pixel = black;
        window = XCreateWindow(display, RootWindow(display, screen), 0, 0, coverWidth, coverHeight,
                               0, CopyFromParent, InputOutput, CopyFromParent,
                               CWOverrideRedirect | CWBackPixel, &attributes);
        XMapRaised(display, window);
        gc = XCreateGC(display, window, 0, nullptr);
        paint(false);
        return true;
    }
    // Returns once the X server has drawn it.
    void paint(bool bright) {
        XSetForeground(display, gc, bright ? white : black);
        XFillRectangle(display, window, gc, 0, 0, coverWidth, coverHeight);
        XSync(display, False);
    }
    void close() {
        if (!display) return;
        XFreeGC(display, gc);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
};

// Paints the white screens at their instants, on a thread of its own: PulseAudio makes room in
// its queue in bursts, so the thread that writes the sound may be held for tens of ms at a time.
class Painter {
public:
    explicit Painter(Cover& cover) : cover_(cover), thread_([this] { run(); }) {}
    ~Painter() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void whiteAt(Clock::time_point instant) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            instants_.push_back(instant);
        }
        wake_.notify_one();
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !instants_.empty(); });
            if (instants_.empty()) return; // stopping, with nothing left to paint
            const Clock::time_point instant = instants_.front();
            instants_.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(instant);
            cover_.paint(true);
            std::this_thread::sleep_until(instant + std::chrono::milliseconds(100));
            cover_.paint(false);
            lock.lock();
        }
    }

    Cover& cover_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Clock::time_point> instants_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace

int main(int argc, char** argv) {
    const int clicks = argc > 1 ? std::atoi(argv[1]) : 10;
    const int intervalMs = argc > 2 ? std::atoi(argv[2]) : 700;
    if (clicks < 1 || intervalMs < 300) {
        std::fprintf(stderr, "usage: av-reference [CLICKS [INTERVAL_MS >= 300]]\n");
        return 2;
    }

    Cover screen;
    if (!screen.open()) {
        std::fprintf(stderr, "av-reference: cannot open the display\n");
        return 1;
    }
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, rate, 2};
    // A queue of 100 ms: deep enough that the loop may sleep a few ms before painting, shallow
    // enough that the click is written shortly before it plays.
    const uint32_t frameBytes = 2 * sizeof(float);
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = rate / 10 * frameBytes;
    buffer.prebuf = static_cast<uint32_t>(-1);
    buffer.minreq = chunkFrames * frameBytes;
    buffer.fragsize = static_cast<uint32_t>(-1);
    int error = 0;
    pa_simple* stream = pa_simple_new(nullptr, "av-reference", PA_STREAM_PLAYBACK, nullptr,
                                      "clicks", &format, nullptr, &buffer, &error);
    if (!stream) {
        std::fprintf(stderr, "av-reference: PulseAudio: %s\n", pa_strerror(error));
        screen.close();
        return 1;
    }

    std::vector<float> chunk(2 * chunkFrames);
    const auto write = [&](bool click) {
        for (int i = 0; i < chunkFrames; ++i) {
            const float v = click && i < clickFrames
                                ? static_cast<float>(0.8 * std::sin(2 * M_PI * 2000.0 * i / rate))
                                : 0.0f;
            chunk[2 * i] = chunk[2 * i + 1] = v;
        }
        return pa_simple_write(stream, chunk.data(), chunk.size() * sizeof(float), &error) == 0;
    };

    // Half a second of silence first, so that the stream runs steadily before the first click.
    bool ok = true;
    for (int i = 0; ok && i < 100; ++i) ok = write(false);
    int64_t written = 100 * chunkFrames;
    int64_t nextClick = written + rate / 10;
    {
        Painter painter(screen);
        for (int done = 0; ok && done < clicks;) {
            const bool click = written >= nextClick;
            ok = write(click);
            written += chunkFrames;
            if (!click) continue;
            // The last frame written leaves the sink after the stream's latency; the click is the
            // chunk's first frame, a chunk earlier.
            const pa_usec_t latency = pa_simple_get_latency(stream, &error);
            painter.whiteAt(Clock::now() + std::chrono::microseconds(latency) -
                            std::chrono::microseconds(int64_t{chunkFrames} * 1000000 / rate));
            ++done;
            // From 0 to 16 ms more each time, in steps of 3 (a 60 Hz frame is 16.7 ms).
            nextClick = written + int64_t{intervalMs} * rate / 1000 + (done * 3 % 17) * rate / 1000;
            std::printf("click %d: written %.1f ms before it plays\n", done, latency / 1000.0);
        }
        // A quarter of a second more, for the last white screen and its end.
        for (int i = 0; ok && i < 50; ++i) ok = write(false);
    }
    if (ok) ok = pa_simple_drain(stream, &error) == 0;
    if (!ok) std::fprintf(stderr, "av-reference: PulseAudio: %s\n", pa_strerror(error));
    pa_simple_free(stream);
    screen.close();
    return ok ? 0 : 1;
}
