#include "audio/AudioOutput.h"

#include "platform/AudioDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Shared with SDL's audio thread; touched only with the device locked.
struct Playback {
    const Track* track = nullptr;
    int64_t nextFrame = 0; // the first frame not yet handed to the device
    bool started = false;
    bool held = false;       // paused: silence, the track standing where it is
    float gain = 1;          // 0 while muted
    bool wholeTrack = false; // the platform plays the track itself, SDL's device stays paused
    bool handedOver = false;
    HandOver last;
    int bufferFrames = 0;
};

Playback playback;
// The browser's track position as it is followed from one reading to the next; only the main
// thread reads it.
SteppedPosition wholeTrackSteps;

void fillDeviceBuffer(void* userdata, Uint8* stream, int length) {
    auto& state = *static_cast<Playback*>(userdata);
    const int64_t frames = length / static_cast<int>(2 * sizeof(float));
    if (state.held) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    const int64_t available =
        state.track ? std::clamp<int64_t>(state.track->frameCount() - state.nextFrame, 0, frames)
                    : 0;
    if (available > 0)
        std::memcpy(stream, state.track->stereo.data() + 2 * state.nextFrame,
                    static_cast<size_t>(available) * 2 * sizeof(float));
    std::memset(stream + available * 2 * sizeof(float), 0,
                static_cast<size_t>(frames - available) * 2 * sizeof(float));
    if (state.gain != 1) {
        auto* samples = reinterpret_cast<float*>(stream);
        for (int64_t i = 0; i < 2 * available; ++i) samples[i] *= state.gain;
    }
    const double delay = handOverDelaySeconds(state.bufferFrames, outputRate);
    state.last = HandOver{state.nextFrame, frames, audioClockSeconds() + delay};
    state.handedOver = true;
    state.nextFrame += frames;
}

} // namespace

SDL_AudioDeviceID openAudioOutput() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    prepareAudioDevice(outputRate);
    SDL_AudioSpec wanted{};
    wanted.freq = outputRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    // 12 ms a buffer: a pause silences the sound within about two of them and the server's own.
    wanted.samples = 512;
    wanted.callback = fillDeviceBuffer;
    wanted.userdata = &playback;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware takes, so the callback always
    // sees 44100 Hz stereo float.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    playback = Playback{};
    playback.bufferFrames = obtained.samples;
    return device;
}

bool startAudioOutput(SDL_AudioDeviceID device, const Track& track, int64_t fromFrame) {
    if (device == 0) return false;
    SDL_LockAudioDevice(device);
    playback.track = &track;
    playback.nextFrame = fromFrame;
    playback.started = true;
    playback.wholeTrack = playWholeTrack(fromFrame);
    wholeTrackSteps = SteppedPosition{};
    SDL_UnlockAudioDevice(device);
    if (playback.wholeTrack) return true;
    SDL_PauseAudioDevice(device, 0);
    return SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_PLAYING;
}

bool trackPlaying(SDL_AudioDeviceID device) {
    return device != 0 && playback.started;
}

void playAudioFrom(SDL_AudioDeviceID device, int64_t frame) {
    if (!trackPlaying(device)) return;
    SDL_LockAudioDevice(device);
    playback.nextFrame = frame;
    playback.held = false;
    // What was handed over before told where the old position stood.
    playback.handedOver = false;
    if (playback.wholeTrack) playWholeTrack(frame);
    wholeTrackSteps = SteppedPosition{};
    SDL_UnlockAudioDevice(device);
}

void holdAudioOutput(SDL_AudioDeviceID device) {
    if (!trackPlaying(device)) return;
    SDL_LockAudioDevice(device);
    playback.held = true;
    if (playback.wholeTrack) holdWholeTrack();
    SDL_UnlockAudioDevice(device);
}

void setAudioGain(SDL_AudioDeviceID device, float gain) {
    if (device == 0) return;
    SDL_LockAudioDevice(device);
    playback.gain = gain;
    SDL_UnlockAudioDevice(device);
}

void offerTrackFrames(const float* stereo, int64_t firstFrame, int64_t frames, bool complete) {
    offerWholeTrackFrames(stereo, firstFrame, frames, complete, outputRate);
}

bool positionReadable(SDL_AudioDeviceID device) {
    const char* driver = SDL_GetCurrentAudioDriver();
    return device != 0 && driver && std::strcmp(driver, "dummy") != 0 &&
           std::strcmp(driver, "disk") != 0;
}

bool lastHandOver(SDL_AudioDeviceID device, HandOver& handOver) {
    if (device == 0) return false;
    SDL_LockAudioDevice(device);
    const Playback state = playback;
    SDL_UnlockAudioDevice(device);
    if (!state.started || state.held) return false;
    if (state.wholeTrack) {
        // Nothing past where the browser's track stands now counts as handed over: the sound
        // stops there, as after SDL's last buffer, so a context that stops holds the picture too.
        TrackPosition position;
        if (!wholeTrackPosition(position)) return false;
        const double now = audioClockSeconds();
        const double at =
            followSteppedPosition(wholeTrackSteps, position.frame / outputRate, now) * outputRate;
        const auto frame = static_cast<int64_t>(std::floor(at));
        handOver = HandOver{frame, 0,
                            now + position.delay - (at - static_cast<double>(frame)) / outputRate};
        return true;
    }
    if (!state.handedOver) return false;
    handOver = state.last;
    return true;
}

double followSteppedPosition(SteppedPosition& position, double reading, double now) {
    const double ahead = reading - now;
    const double kept =
        position.ahead - SteppedPosition::letGoPerSecond * std::max(0.0, now - position.readAt);
    position.ahead = position.started ? std::max(ahead, kept) : ahead;
    // After the track has stood still, the best reading lies as far ahead of it as it stood: that
    // is let go at once, down to the reach.
    position.ahead = std::min(position.ahead, ahead + SteppedPosition::reachSeconds);
    position.started = true;
    position.readAt = now;
    return now + position.ahead;
}

double audioClockSeconds() {
    return static_cast<double>(SDL_GetPerformanceCounter()) /
           static_cast<double>(SDL_GetPerformanceFrequency());
}

void closeAudioOutput(SDL_AudioDeviceID device) {
    if (device == 0) return;
    if (playback.wholeTrack) stopWholeTrack();
    SDL_CloseAudioDevice(device);
    playback = Playback{};
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
