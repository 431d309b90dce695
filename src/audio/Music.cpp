#include "audio/Music.h"

#include "audio/AudioOutput.h"
#include "audio/ShowClock.h"
#include "platform/DataArrival.h"
#include "platform/MessageBox.h"

#include <algorithm>

Music music;

namespace {

const char* const trackFileName = "data/music.ogg";

// What init() decodes at once: enough to find a file that is no track; the rest comes in steps.
constexpr int64_t openingFrames = outputRate / 4;

bool openDecoder(Music& m) {
    if (!m.analyser.fft && !createSpectrumAnalyser(m.analyser)) return false;
    closeTrackDecoder(m.decoder);
    m.decoder = openTrackDecoder(trackFileName, m.stream);
    return m.decoder != nullptr;
}

// The next piece, handed on to a platform that plays the track itself.
DecodeStep decodePiece(Music& m, int64_t frames) {
    if (!m.decoder) return m.stream.complete ? DecodeStep::Done : DecodeStep::Failed;
    const int64_t had = m.stream.frameCount();
    const DecodeStep step = decodeTrackPiece(*m.decoder, m.stream, frames);
    if (step != DecodeStep::More) {
        closeTrackDecoder(m.decoder);
        m.decoder = nullptr;
    }
    if (step == DecodeStep::Failed) m.stream.complete = true;
    offerTrackFrames(m.stream.stereo.data(), had, m.stream.frameCount() - had, m.stream.complete);
    return step;
}

} // namespace

bool openMusicTrack() {
    if (!openDecoder(music)) return false;
    DecodeStep step = DecodeStep::More;
    while (step == DecodeStep::More) step = decodePiece(music, int64_t{1} << 20);
    if (step == DecodeStep::Failed) music.stream = Track{};
    return step == DecodeStep::Done;
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
    if (!openDecoder(*this)) {
        showMessageBox("Music opening error");
        return false;
    }
    return decodeMore(openingFrames);
}

bool Music::trackArrived() const {
    return dataFileArrived(trackFileName);
}

bool Music::decodeMore(int64_t frames) {
    if (!decoder) return true;
    // Once it plays, the track ends where the damage begins.
    if (decodePiece(*this, frames) != DecodeStep::Failed || trackPlaying(device)) return true;
    stream = Track{};
    showMessageBox("Music opening error");
    return false;
}

bool Music::play(int64_t fromFrame) {
    if (!startAudioOutput(device, stream, fromFrame)) {
        showMessageBox("Music play error");
        return false;
    }
    return true;
}

void Music::stop() {
    closeAudioOutput(device);
    closeTrackDecoder(decoder);
    decoder = nullptr;
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
