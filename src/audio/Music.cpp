#include "audio/Music.h"

#include "audio/AudioOutput.h"
#include "platform/MessageBox.h"

#include <algorithm>

Music music;

namespace {
const char* const trackFileName = "data/music.ogg";
}

bool openMusicTrack() {
    if (!music.analyser.fft && !createSpectrumAnalyser(music.analyser)) return false;
    return decodeOggVorbis(trackFileName, music.stream);
}

void pinSpectrumClock(int32_t ms) {
    music.clockPinned = true;
    music.pinnedFrame = frameAtMs(ms);
}

void pinSpectrumLevel(float level) {
    music.levelPinned = true;
    music.pinnedLevel = level;
}

void followPlayback() {
    music.clockPinned = false;
    music.levelPinned = false;
}

bool Music::init() {
    device = openAudioOutput();
    if (device == 0) {
        showMessageBox("Bass init error");
        return false;
    }
    if (!openMusicTrack()) {
        showMessageBox("Music opening error");
        return false;
    }
    return true;
}

bool Music::play() {
    if (!startAudioOutput(device, stream)) {
        showMessageBox("Music play error");
        return false;
    }
    return true;
}

void Music::stop() {
    closeAudioOutput(device);
    destroySpectrumAnalyser(analyser);
    stream.stereo = {};
}

float Music::spectrumLevel() {
    if (levelPinned) return pinnedLevel;
    const int64_t frame = clockPinned ? pinnedFrame : heardFrame(device);
    if (frame < 0 || frame >= stream.frameCount()) {
        std::fill(spectrum, spectrum + magnitudeCount, 0.0f);
        return 0.0f;
    }
    analyseSpectrum(analyser, stream, frame, spectrum);
    float level = 0.0f;
    for (const float magnitude : spectrum) level += magnitude;
    return level;
}
