#include "platform/AudioDevice.h"

#ifdef __EMSCRIPTEN__
// From the page's script library (web/library.js).
extern "C" {
void pageOpenAudioContext(int rate);
void pageOfferTrack(const float* stereo, double firstFrame, double frames, int complete, int rate);
int pagePlayTrack(double fromFrame);
void pageHoldTrack();
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

void offerWholeTrackFrames(const float* stereo, int64_t firstFrame, int64_t frames, bool complete,
                           int rate) {
    pageOfferTrack(stereo, static_cast<double>(firstFrame), static_cast<double>(frames),
                   complete ? 1 : 0, rate);
}

bool playWholeTrack(int64_t fromFrame) {
    return pagePlayTrack(static_cast<double>(fromFrame)) != 0;
}

void holdWholeTrack() {
    pageHoldTrack();
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

void offerWholeTrackFrames(const float*, int64_t, int64_t, bool, int) {
}

bool playWholeTrack(int64_t) {
    return false;
}

void holdWholeTrack() {
}

bool wholeTrackPosition(TrackPosition&) {
    return false;
}

void stopWholeTrack() {
}
#endif
