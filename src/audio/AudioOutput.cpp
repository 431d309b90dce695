#include "audio/AudioOutput.h"

#include <algorithm>
#include <cstring>

namespace {

// Shared with SDL's audio thread; touched only with the device locked.
struct Playback {
    const Track* track = nullptr;
    int64_t nextFrame = 0; // the first frame not yet handed to the device
    bool started = false;
    Uint64 handedAt = 0; // performance counter at the last hand-over
    int bufferFrames = 0;
};

Playback playback;

void fillDeviceBuffer(void* userdata, Uint8* stream, int length) {
    auto& state = *static_cast<Playback*>(userdata);
    const int64_t frames = length / static_cast<int>(2 * sizeof(float));
    const int64_t available =
        state.track ? std::clamp<int64_t>(state.track->frameCount() - state.nextFrame, 0, frames)
                    : 0;
    if (available > 0)
        std::memcpy(stream, state.track->stereo.data() + 2 * state.nextFrame,
                    static_cast<size_t>(available) * 2 * sizeof(float));
    std::memset(stream + available * 2 * sizeof(float), 0,
                static_cast<size_t>(frames - available) * 2 * sizeof(float));
    state.nextFrame += frames;
    state.handedAt = SDL_GetPerformanceCounter();
}

} // namespace

SDL_AudioDeviceID openAudioOutput() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    SDL_AudioSpec wanted{};
    wanted.freq = outputRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
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

bool startAudioOutput(SDL_AudioDeviceID device, const Track& track) {
    if (device == 0) return false;
    SDL_LockAudioDevice(device);
    playback.track = &track;
    playback.nextFrame = 0;
    playback.started = true;
    playback.handedAt = SDL_GetPerformanceCounter();
    SDL_UnlockAudioDevice(device);
    SDL_PauseAudioDevice(device, 0);
    return SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_PLAYING;
}

int64_t heardFrame(SDL_AudioDeviceID device) {
    if (device == 0) return -1;
    SDL_LockAudioDevice(device);
    const Playback state = playback;
    SDL_UnlockAudioDevice(device);
    if (!state.started) return -1;
    // The buffer handed over last is the one the speaker plays until the next hand-over: the
    // listener is somewhere inside it, as far in as time has passed since.
    const double seconds = static_cast<double>(SDL_GetPerformanceCounter() - state.handedAt) /
                           static_cast<double>(SDL_GetPerformanceFrequency());
    const int64_t into =
        std::min<int64_t>(static_cast<int64_t>(seconds * outputRate), state.bufferFrames);
    return state.nextFrame - state.bufferFrames + into;
}

void closeAudioOutput(SDL_AudioDeviceID device) {
    if (device == 0) return;
    SDL_CloseAudioDevice(device);
    playback = Playback{};
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
