#include "platform/AudioDevice.h"

#ifdef __EMSCRIPTEN__
// From the page's script library (web/library.js).
extern "C" {
void pageOpenAudioContext(int rate);
int pagePlayTrack(const float* stereo, double frames, int rate);
int pageTrackPosition(double* frameAndDelay);
void pageStopTrack();
}

void prepareAudioDevice(int rate) {
    pageOpenAudioContext(rate);
}

// Called only where the page could not play the track itself and SDL's script processor plays
// it: its buffers are counted as heard when handed over, the page having nothing better to go by.
double handOverDelaySeconds(int, int) {
    return 0;
}

bool playWholeTrack(const float* stereo, int64_t frames, int rate) {
    return pagePlayTrack(stereo, static_cast<double>(frames), rate) != 0;
}

bool wholeTrackPosition(TrackPosition& position) {
    double values[2] = {};
    if (!pageTrackPosition(values)) return false;
    position = TrackPosition{values[0], values[1]};
    return true;
}

void stopWholeTrack() {
    pageStopTrack();
}
#else
void prepareAudioDevice(int) {
}

// SDL hands a buffer to the device once the device has room for a whole one, and asks the device
// to hold no more than that (PulseAudio's target length, the periods of ALSA and the Windows
// drivers): the buffer filled now plays after the one the device holds. What lies beyond, the
// sound server's own latency, SDL does not tell.
double handOverDelaySeconds(int bufferFrames, int rate) {
    return static_cast<double>(bufferFrames) / rate;
}

bool playWholeTrack(const float*, int64_t, int) {
    return false;
}

bool wholeTrackPosition(TrackPosition&) {
    return false;
}

void stopWholeTrack() {
}
#endif
