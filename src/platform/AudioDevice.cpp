#include "platform/AudioDevice.h"

#ifdef __EMSCRIPTEN__
#include <cmath>

// From the page's script library (web/library.js).
extern "C" {
void pageOpenAudioContext(int rate);
void pageWatchAudioEvents();
double pageHandOverDelay(int rate);
}

void prepareAudioDevice(int rate) {
    pageOpenAudioContext(rate);
}

void watchAudioDevice() {
    pageWatchAudioEvents();
}

bool handOverDelaySeconds(int, int rate, double& delay) {
    delay = pageHandOverDelay(rate);
    return !std::isnan(delay);
}
#else
void prepareAudioDevice(int) {
}

void watchAudioDevice() {
}

// SDL hands a buffer to the device once the device has room for a whole one, and asks the device
// to hold no more than that (PulseAudio's target length, the periods of ALSA and the Windows
// drivers): the buffer filled now plays after the one the device holds. What lies beyond, the
// sound server's own latency, SDL does not tell.
bool handOverDelaySeconds(int bufferFrames, int rate, double& delay) {
    delay = static_cast<double>(bufferFrames) / rate;
    return true;
}
#endif
