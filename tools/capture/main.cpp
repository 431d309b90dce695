// demo-capture: renders the demo offline, frame by frame, to PNGs or a video, without a display.
#include "Capture.h"
#include "CaptureOptions.h"
#include "Join.h"
#include "Segments.h"
#include "Version.h"

#include <cstdio>

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(argc, argv, options, error)) {
        if (error == "help") {
            std::fputs(captureUsage, stdout);
            return 0;
        }
        if (error == "version") {
            std::puts("demo-capture " DEMO_VERSION);
            return 0;
        }
        std::fprintf(stderr, "demo-capture: %s (demo-capture --help lists the options)\n",
                     error.c_str());
        return 2;
    }
    // None of these draws: no GL context for them.
    if (options.planSegments > 0) return runPlan(options);
    if (!options.joinInputs.empty()) return runJoin(options);
    if (options.kind == CaptureKind::SoundPiece) return runSoundPiece(options);
    return runCapture(options);
}
