// Measures picture against sound in a recording of the live demo: the screen (x11grab) and the
// sound (a PulseAudio sink's monitor) recorded by one ffmpeg into video.nut (128 x 96 grey frames
// stamped with their grab times) and audio.nut (the sound with its capture times).
//   av-measure --recording DIR --track music.ogg [--reference N] [--cuts DIR] [--until MS]
// --reference N: the recording opens with N clicks of av-reference, each with a white screen at the
// instant PulseAudio plays it; the recorder's own error (white screen minus click, as recorded) is
// their median, and every figure below has it taken off.
// --cuts DIR: for each cut C of 13000, 26000, 46000, 60000 ms, DIR/cut-C.grey holds demo-capture's
// frames at C - 1000, C - 995, ... C + 995 ms (400 frames of 128 x 96 grey): each recorded frame
// within a second of the cut's music is matched to the instant it shows, and the cut's frame is
// where the frames before it show instants before C and those from it on instants after C, with
// the fewest exceptions. How far apart the instants of the frame before the cut and the cut's own
// frame lie is the demo's frame there: the cut can come only at a frame.
// --until MS: only the timeline up to MS is measured (a short run).
// --pauses FILE: the times (seconds since 1970, one a line, as date +%s.%N prints them) at which a
// key paused the demo: for each, how long the sound went on after it.
//
// The track's position as heard is found by cross-correlating the recorded sound with the decoded
// track, window by window, so a gap in the sound (the track going on later than it should) is
// seen where it happens. The beats are where the demo's own spectrum level of the track rises
// above the banner's threshold of 1.5 after at least 200 ms below it: what the demo flashes on.
// A flash is a frame whose mean brightness jumps above that of the frames before it.
//
// Prints lines of "name value..." (times in ms; + means the picture comes after its sound):
//   recorder MEDIAN MIN MAX COUNT          white screen minus click, as recorded
//   start MS                               when the track's first frame was heard, in recording
//   gaps COUNT TOTAL LARGEST               the track's position falling behind the recording
//   skips COUNT TOTAL                      and jumping ahead of it
//   cut C ERROR STEP                       the cut's first frame minus the moment C was heard, and
//                                          the timeline's step from the frame before it
//   flashes BEATS SEEN MEDIAN P90 ABS_P90  flash onsets minus their beats
//   pause LATENCY                          the first 150 ms of silence after a pause's key, less
//                                          the key's time
// and a line "av-measure: ..." on standard error for whatever it could not find.
#include "audio/Music.h"
#include "audio/Track.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int frameWidth = 128, frameHeight = 96, framePixels = frameWidth * frameHeight;
constexpr double rate = outputRate;
const int cutInstants[] = {13000, 26000, 46000, 60000};
// The renders span the whole second either side of the cut that the frames are searched in: a
// frame that shows an instant outside them may match the wrong side (the inside shot's last
// second looks more like the sphere's first than like its own last 300 ms).
constexpr int cutRenders = 400;
constexpr int cutFirstOffset = -1000, cutStep = 5;

[[noreturn]] void die(const std::string& what) {
    std::fprintf(stderr, "av-measure: %s\n", what.c_str());
    std::exit(1);
}

std::string quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<char> readCommand(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) die("cannot run " + command);
    std::vector<char> out;
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.insert(out.end(), buffer, buffer + got);
    if (pclose(pipe) != 0) die("failed: " + command);
    return out;
}

// Each packet's time stamp and length in seconds, in file order.
std::vector<std::pair<double, double>> packetTimes(const std::string& file) {
    const std::vector<char> text =
        readCommand("ffprobe -v error -show_entries packet=pts_time,duration_time "
                    "-of csv=p=0 " +
                    quoted(file));
    std::vector<std::pair<double, double>> packets;
    const std::string all(text.begin(), text.end());
    size_t at = 0;
    while (at < all.size()) {
        const size_t end = all.find('\n', at);
        const std::string line =
            all.substr(at, end == std::string::npos ? std::string::npos : end - at);
        double pts = 0, duration = 0;
        if (std::sscanf(line.c_str(), "%lf,%lf", &pts, &duration) >= 1)
            packets.emplace_back(pts, duration);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return packets;
}

double median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const size_t index =
        std::min(values.size() - 1, static_cast<size_t>(std::ceil(share * values.size())) - 1);
    return values[index];
}

struct Sound {
    std::vector<float> samples; // mono
    std::vector<int64_t> packetStart;
    std::vector<double> packetAnchor; // packet time minus its first sample's place in the stream

    // The capture time of a sample. The capture stamps each packet with the time it was heard;
    // their median over a second around the sample smooths the stamps' jitter while following
    // any slow drift of the capture clock against the grab clock.
    double timeOf(double sample) const {
        const auto mid =
            std::lower_bound(packetStart.begin(), packetStart.end(), static_cast<int64_t>(sample));
        const size_t centre = static_cast<size_t>(mid - packetStart.begin());
        std::vector<double> near;
        for (size_t i = centre > 20 ? centre - 20 : 0;
             i < std::min(packetStart.size(), centre + 20); ++i)
            near.push_back(packetAnchor[i]);
        return sample / rate + median(near);
    }
    double sampleAt(double time) const {
        double sample = (time - packetAnchor.front()) * rate;
        for (int i = 0; i < 3; ++i) sample = (time - (timeOf(sample) - sample / rate)) * rate;
        return sample;
    }
};

Sound readSound(const std::string& file) {
    Sound sound;
    const std::vector<char> raw =
        readCommand("ffmpeg -v error -i " + quoted(file) + " -ac 1 -f f32le -");
    sound.samples.resize(raw.size() / sizeof(float));
    std::memcpy(sound.samples.data(), raw.data(), sound.samples.size() * sizeof(float));
    int64_t start = 0;
    for (const auto& [pts, duration] : packetTimes(file)) {
        sound.packetStart.push_back(start);
        sound.packetAnchor.push_back(pts - start / rate);
        start += std::llround(duration * rate);
    }
    if (sound.packetStart.empty()) die("no sound in " + file);
    return sound;
}

struct Picture {
    std::vector<uint8_t> pixels;
    std::vector<double> times;
    std::vector<double> brightness;

    const uint8_t* frame(size_t i) const { return pixels.data() + i * framePixels; }
    size_t count() const { return times.size(); }
};

Picture readPicture(const std::string& file) {
    Picture picture;
    const std::vector<char> raw =
        readCommand("ffmpeg -v error -i " + quoted(file) +
                    " -f rawvideo -pix_fmt gray -vsync passthrough -enc_time_base -1 -");
    picture.pixels.assign(raw.begin(), raw.end());
    for (const auto& packet : packetTimes(file)) picture.times.push_back(packet.first);
    const size_t frames = picture.pixels.size() / framePixels;
    if (frames == 0 || frames != picture.times.size())
        die("the frames of " + file + " do not match their time stamps");
    for (size_t i = 0; i < frames; ++i) {
        double sum = 0;
        for (int p = 0; p < framePixels; ++p) sum += picture.frame(i)[p];
        picture.brightness.push_back(sum / framePixels);
    }
    return picture;
}

// ---- Where the track is heard: normalised cross-correlation of windows of the recording with the
// track, each searched for near where the previous one was found.

constexpr int windowSize = 4096, hop = 2048, searchRadius = 11025, fftSize = 32768;

struct Match {
    double recordingSample; // the window's first sample
    double trackFrame;      // the track's frame heard there
};

class Correlator {
public:
    explicit Correlator(const std::vector<float>& track) : track_(track) {
        forward_ = kiss_fftr_alloc(fftSize, 0, nullptr, nullptr);
        inverse_ = kiss_fftr_alloc(fftSize, 1, nullptr, nullptr);
        energy_.resize(track.size() + 1);
        for (size_t i = 0; i < track.size(); ++i)
            energy_[i + 1] = energy_[i] + double{track[i]} * track[i];
    }
    ~Correlator() {
        kiss_fftr_free(forward_);
        kiss_fftr_free(inverse_);
    }
    Correlator(const Correlator&) = delete;
    Correlator& operator=(const Correlator&) = delete;

    static bool audible(const float* window) {
        double energy = 0;
        for (int i = 0; i < windowSize; ++i) energy += double{window[i]} * window[i];
        return energy >= 1e-4;
    }

    // The track frame best matching window[0..windowSize) among track frames from - to, and how
    // well it matches (1 = the same shape); to - from + windowSize must fit the FFT.
    std::pair<double, double> find(const float* window, int64_t from, int64_t to) {
        std::vector<kiss_fft_scalar> a(fftSize, 0), b(fftSize, 0);
        double windowEnergy = 0;
        for (int i = 0; i < windowSize; ++i) {
            a[i] = window[i];
            windowEnergy += double{window[i]} * window[i];
        }
        if (windowEnergy < 1e-4) return {0, 0};
        const int64_t span = to - from + windowSize;
        for (int64_t i = 0; i < span; ++i) {
            const int64_t t = from + i;
            b[i] = t >= 0 && t < static_cast<int64_t>(track_.size()) ? track_[t] : 0;
        }
        std::vector<kiss_fft_cpx> fa(fftSize / 2 + 1), fb(fftSize / 2 + 1);
        kiss_fftr(forward_, a.data(), fa.data());
        kiss_fftr(forward_, b.data(), fb.data());
        for (size_t k = 0; k < fa.size(); ++k) { // conj(A) * B: the correlation of b against a
            const kiss_fft_cpx x = fa[k], y = fb[k];
            fa[k].r = x.r * y.r + x.i * y.i;
            fa[k].i = x.r * y.i - x.i * y.r;
        }
        std::vector<kiss_fft_scalar> correlation(fftSize);
        kiss_fftri(inverse_, fa.data(), correlation.data());
        double best = -1;
        int64_t bestLag = 0;
        std::vector<double> score(static_cast<size_t>(to - from + 1));
        for (int64_t lag = 0; lag <= to - from; ++lag) {
            const double e = segmentEnergy(from + lag);
            score[lag] = e > 1e-9 ? correlation[lag] / fftSize / std::sqrt(e * windowEnergy) : 0;
            if (score[lag] > best) {
                best = score[lag];
                bestLag = lag;
            }
        }
        double sub = 0; // a parabola through the peak and its neighbours
        if (bestLag > 0 && bestLag < to - from) {
            const double l = score[bestLag - 1], c = score[bestLag], r = score[bestLag + 1];
            const double d = l - 2 * c + r;
            if (d < 0) sub = 0.5 * (l - r) / d;
        }
        return {from + bestLag + sub, best};
    }

private:
    double segmentEnergy(int64_t start) const {
        const int64_t n = static_cast<int64_t>(track_.size());
        const int64_t a = std::clamp<int64_t>(start, 0, n),
                      b = std::clamp<int64_t>(start + windowSize, 0, n);
        return energy_[b] - energy_[a];
    }

    const std::vector<float>& track_;
    std::vector<double> energy_;
    kiss_fftr_cfg forward_, inverse_;
};

std::vector<Match> followTrack(const Sound& sound, const std::vector<float>& track,
                               int64_t fromSample) {
    Correlator correlator(track);
    std::vector<Match> matches;
    std::optional<double> expected;
    for (int64_t s = fromSample; s + windowSize <= static_cast<int64_t>(sound.samples.size());
         s += hop) {
        const float* window = sound.samples.data() + s;
        // Silence: nothing plays (a gap, a pause), and the track goes on from where it stood.
        if (!correlator.audible(window)) continue;
        std::pair<double, double> found{0, 0};
        if (expected) {
            const int64_t centre = std::llround(*expected);
            found = correlator.find(window, centre - searchRadius, centre + searchRadius);
        }
        if (found.second < 0.9) {
            // Not yet found, or not where it was going (a seek): search the 20 s either side of
            // where it was last heard, piece by piece (the first 20 s at first). The music repeats
            // itself bar by bar, and a window cut short by a gap in the sound can match another
            // bar: a place found so is taken only where the next two windows follow on from it.
            const int64_t base = matches.empty() ? 0 : std::llround(matches.back().trackFrame);
            std::pair<double, double> best{0, 0};
            for (int64_t from = std::max<int64_t>(0, base - 20 * outputRate);
                 from < base + 20 * outputRate; from += fftSize - windowSize) {
                const auto piece = correlator.find(window, from, from + fftSize - windowSize);
                if (piece.second > best.second) best = piece;
            }
            const auto followsOn = [&](int k) {
                const int64_t next = s + k * hop;
                if (next + windowSize > static_cast<int64_t>(sound.samples.size())) return false;
                const int64_t centre = std::llround(best.first + k * hop);
                return correlator
                           .find(sound.samples.data() + next, centre - hop / 4, centre + hop / 4)
                           .second >= 0.9;
            };
            if (best.second >= 0.9 && followsOn(1) && followsOn(2)) found = best;
        }
        if (found.second >= 0.9) {
            matches.push_back({static_cast<double>(s), found.first});
            expected = found.first + hop;
        } else if (expected) {
            *expected += hop;
        }
    }
    return matches;
}

// The recording sample at which the track frame was heard, from the match nearest to it.
std::optional<double> sampleHearing(const std::vector<Match>& matches, double trackFrame) {
    const Match* best = nullptr;
    for (const Match& m : matches)
        if (!best || std::abs(m.trackFrame - trackFrame) < std::abs(best->trackFrame - trackFrame))
            best = &m;
    if (!best || std::abs(best->trackFrame - trackFrame) > 0.5 * rate) return std::nullopt;
    return best->recordingSample + (trackFrame - best->trackFrame);
}

// ---- The recorder's own error: av-reference's clicks and white screens.

std::vector<double> clickSamples(const Sound& sound, int count) {
    std::vector<double> clicks;
    int64_t quietSince = 0;
    for (int64_t i = 0;
         i < static_cast<int64_t>(sound.samples.size()) && static_cast<int>(clicks.size()) < count;
         ++i) {
        const float a = std::abs(sound.samples[i]);
        if (a > 0.1f && i - quietSince > rate / 20) {
            clicks.push_back(static_cast<double>(i));
            quietSince =
                i + static_cast<int64_t>(rate / 10); // the click's own samples are not a new click
        } else if (a > 0.01f) {
            quietSince = i;
        }
    }
    return clicks;
}

std::vector<size_t> whiteFrames(const Picture& picture, int count) {
    std::vector<size_t> whites;
    for (size_t i = 1; i < picture.count() && static_cast<int>(whites.size()) < count; ++i)
        if (picture.brightness[i] > 160 && picture.brightness[i - 1] < 60) whites.push_back(i);
    return whites;
}

// ---- Flashes and cuts.

std::vector<double> beatOnsets(int untilMs) {
    std::vector<double> beats;
    int lastLoud = -1000;
    for (int ms = 0; ms <= untilMs; ++ms) {
        pinSpectrumClock(ms);
        if (music.spectrumLevel() > 1.5f) {
            if (ms - lastLoud > 200) beats.push_back(ms);
            lastLoud = ms;
        }
    }
    return beats;
}

bool isFlash(const Picture& picture, size_t i) {
    std::vector<double> before;
    for (size_t j = i >= 15 ? i - 15 : 0; j < i; ++j) before.push_back(picture.brightness[j]);
    return !before.empty() && picture.brightness[i] > median(before) + 40;
}

double difference(const uint8_t* a, const uint8_t* b) {
    double sum = 0;
    for (int p = 0; p < framePixels; ++p) sum += std::abs(int{a[p]} - int{b[p]});
    return sum / framePixels;
}

std::vector<uint8_t> readFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    std::vector<uint8_t> data;
    uint8_t buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    std::fclose(file);
    return data;
}

} // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options;
    for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
    if (!options.count("--recording") || !options.count("--track")) {
        std::fprintf(stderr, "usage: av-measure --recording DIR --track music.ogg [--reference N] "
                             "[--cuts DIR] [--until MS]\n");
        return 2;
    }
    const std::string dir = options["--recording"];
    const int referenceClicks =
        options.count("--reference") ? std::atoi(options["--reference"].c_str()) : 0;
    const int untilMs = options.count("--until") ? std::atoi(options["--until"].c_str()) : 136000;

    Track decoded;
    if (!decodeOggVorbis(options["--track"].c_str(), decoded))
        die("cannot decode " + options["--track"]);
    std::vector<float> track(static_cast<size_t>(decoded.frameCount()));
    for (size_t i = 0; i < track.size(); ++i)
        track[i] = (decoded.stereo[2 * i] + decoded.stereo[2 * i + 1]) / 2;
    const Sound sound = readSound(dir + "/audio.nut");
    const Picture picture = readPicture(dir + "/video.nut");

    // The recorder's error, and where the demo's part of the recording begins.
    double recorderError = 0;
    double demoFrom = sound.timeOf(0);
    if (referenceClicks > 0) {
        const std::vector<double> clicks = clickSamples(sound, referenceClicks);
        const std::vector<size_t> whites = whiteFrames(picture, referenceClicks);
        if (static_cast<int>(clicks.size()) != referenceClicks ||
            static_cast<int>(whites.size()) != referenceClicks)
            die("found " + std::to_string(clicks.size()) + " clicks and " +
                std::to_string(whites.size()) + " white screens of the reference's " +
                std::to_string(referenceClicks));
        std::vector<double> errors;
        for (int i = 0; i < referenceClicks; ++i)
            errors.push_back(1000 * (picture.times[whites[i]] - sound.timeOf(clicks[i])));
        recorderError = median(errors);
        std::printf("recorder %+.1f %+.1f %+.1f %d\n", recorderError,
                    *std::min_element(errors.begin(), errors.end()),
                    *std::max_element(errors.begin(), errors.end()), referenceClicks);
        demoFrom = std::max(sound.timeOf(clicks.back()), picture.times[whites.back()]) + 0.3;
    }

    const std::vector<Match> matches =
        followTrack(sound, track, std::llround(sound.sampleAt(demoFrom)));
    if (matches.empty()) die("the track was never heard");
    const auto hearing = [&](double ms) -> std::optional<double> {
        const auto sample = sampleHearing(matches, ms * rate / 1000);
        if (!sample) return std::nullopt;
        return sound.timeOf(*sample);
    };
    if (const auto start = hearing(0)) std::printf("start %.0f\n", 1000 * (*start - demoFrom));

    // Gaps: the track's position falling behind the recording from one window to the next; skips:
    // going ahead of it (a seek on).
    int gapCount = 0, skipCount = 0;
    double gapTotal = 0, gapLargest = 0, skipTotal = 0;
    for (size_t i = 1; i < matches.size(); ++i) {
        if (matches[i].trackFrame > untilMs * rate / 1000) break;
        const double lost = ((matches[i].recordingSample - matches[i - 1].recordingSample) -
                             (matches[i].trackFrame - matches[i - 1].trackFrame)) /
                            rate * 1000;
        if (lost > 1.0) {
            ++gapCount;
            gapTotal += lost;
            gapLargest = std::max(gapLargest, lost);
        } else if (lost < -1.0) {
            ++skipCount;
            skipTotal -= lost;
        }
    }
    std::printf("gaps %d %.0f %.0f\n", gapCount, gapTotal, gapLargest);
    std::printf("skips %d %.0f\n", skipCount, skipTotal);

    // Cuts.
    if (options.count("--cuts")) {
        for (const int cut : cutInstants) {
            if (cut > untilMs) continue;
            const std::vector<uint8_t> renders =
                readFile(options["--cuts"] + "/cut-" + std::to_string(cut) + ".grey");
            const auto heard = hearing(cut);
            if (renders.size() != static_cast<size_t>(cutRenders) * framePixels || !heard) {
                std::fprintf(stderr, "av-measure: the cut at %d ms: %s\n", cut,
                             heard ? "no frames of demo-capture's to match"
                                   : "its music was not heard");
                continue;
            }
            // The instant each recorded frame near the cut shows: that of the render it is most
            // like. The render at the cut itself is left out: the scenes draw nothing there, and
            // a dark frame on either side looks more like it than like its own neighbours.
            const auto shows = [&](size_t f) {
                int best = 0;
                double bestDifference = 1e9;
                for (int r = 0; r < cutRenders; ++r) {
                    if (cutFirstOffset + r * cutStep == 0) continue;
                    const double d = difference(picture.frame(f), renders.data() + r * framePixels);
                    if (d < bestDifference) {
                        bestDifference = d;
                        best = r;
                    }
                }
                return cut + cutFirstOffset + best * cutStep;
            };
            std::vector<double> times;
            std::vector<int> instants;
            for (size_t i = 0; i < picture.count(); ++i) {
                if (std::abs(picture.times[i] - *heard) > 1.0) continue;
                times.push_back(picture.times[i]);
                instants.push_back(shows(i));
            }
            // The cut's frame is where the fewest frames disagree with it: one before it that
            // shows an instant after the cut, or one after it that shows an instant before. A
            // few frames matched to the wrong side (the banner's loud picture looks alike on
            // both) cannot move it, as they could the first frame after the cut.
            size_t cutFrame = 0, fewestWrong = SIZE_MAX, wrong = 0;
            for (const int instant : instants) wrong += instant < cut;
            for (size_t k = 0; k <= instants.size(); ++k) {
                if (wrong < fewestWrong) {
                    fewestWrong = wrong;
                    cutFrame = k;
                }
                if (k == instants.size()) break;
                if (instants[k] < cut)
                    --wrong;
                else
                    ++wrong;
            }
            if (cutFrame == 0 || cutFrame == instants.size()) {
                std::fprintf(
                    stderr,
                    "av-measure: the cut at %d ms was not seen within a second of its music\n",
                    cut);
                continue;
            }
            std::printf("cut %d %+.1f %d\n", cut, 1000 * (times[cutFrame] - *heard) - recorderError,
                        instants[cutFrame] - instants[cutFrame - 1]);
        }
    }

    // Flashes.
    // The level as the demo computes it, of the same track.
    if (!createSpectrumAnalyser(music.analyser)) die("cannot set up the spectrum analysis");
    music.stream = decoded;
    const std::vector<double> beats = beatOnsets(untilMs);
    std::vector<double> errors;
    for (const double beat : beats) {
        const auto heard = hearing(beat);
        if (!heard) continue;
        for (size_t i = 1; i < picture.count(); ++i) {
            const double t = picture.times[i];
            if (t < *heard - 0.15) continue;
            if (t > *heard + 0.25) break;
            if (isFlash(picture, i) && !isFlash(picture, i - 1)) {
                errors.push_back(1000 * (t - *heard) - recorderError);
                break;
            }
        }
    }
    std::vector<double> absolute;
    for (const double e : errors) absolute.push_back(std::abs(e));
    std::printf("flashes %zu %zu %+.1f %+.1f %.1f\n", beats.size(), errors.size(), median(errors),
                percentile(errors, 0.9), percentile(absolute, 0.9));

    // Pauses: where the sound stops after each key, to the sample (the capture's clock is the
    // wall clock that the key's time was read from).
    if (options.count("--pauses")) {
        FILE* file = std::fopen(options["--pauses"].c_str(), "r");
        if (!file) die("cannot read " + options["--pauses"]);
        double keyTime = 0;
        // Longer than any rest between two notes of the track, shorter than any pause.
        const int64_t quietRun = static_cast<int64_t>(rate * 0.15);
        const auto count = static_cast<int64_t>(sound.samples.size());
        while (std::fscanf(file, "%lf", &keyTime) == 1) {
            int64_t quietSince = -1;
            for (int64_t i = std::max<int64_t>(0, std::llround(sound.sampleAt(keyTime))); i < count;
                 ++i) {
                if (std::abs(sound.samples[i]) >= 1e-4f) {
                    quietSince = -1;
                } else if (quietSince < 0) {
                    quietSince = i;
                } else if (i - quietSince >= quietRun) {
                    break;
                }
            }
            if (quietSince < 0 || count - quietSince < quietRun)
                std::fprintf(stderr,
                             "av-measure: the sound never stopped after the pause at %.3f\n",
                             keyTime);
            else
                std::printf("pause %.1f\n",
                            1000 * (sound.timeOf(static_cast<double>(quietSince)) - keyTime));
        }
        std::fclose(file);
    }
    return 0;
}
