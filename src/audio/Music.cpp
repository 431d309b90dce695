#include "audio/Music.h"

#include "audio/AudioOutput.h"
#include "audio/ShowClock.h"
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

int64_t shownTrackFrame() {
    if (music.clockPinned) return music.pinnedFrame;
    return showClockStarted() ? frameAtMs(elapsedMs) : -1;
}

namespace {

// The level at a frame of the track, with its magnitudes left in `magnitudes`.
float readLevel(Music& m, int64_t frame, float magnitudes[magnitudeCount]) {
    if (m.levelPinned) return m.pinnedLevel;
    if (frame < 0 || frame >= m.stream.frameCount()) {
        std::fill(magnitudes, magnitudes + magnitudeCount, 0.0f);
        return 0.0f;
    }
    analyseSpectrum(m.analyser, m.stream, frame, magnitudes);
    float level = 0.0f;
    for (int k = 0; k < magnitudeCount; ++k) level += magnitudes[k];
    return level;
}

} // namespace

float Music::spectrumLevel() {
    return readLevel(*this, shownTrackFrame(), spectrum);
}

float Music::levelAtFrame(int64_t frame) {
    float magnitudes[magnitudeCount];
    return readLevel(*this, frame, magnitudes);
}
