#include "audio/ShowClock.h"

#include "audio/AudioOutput.h"
#include "audio/Music.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int64_t bufferFrames = 1024;
constexpr double bufferSeconds = static_cast<double>(bufferFrames) / outputRate;
constexpr double frameSeconds = 1.0 / 60;

// A device as SDL drives one: it asks for a buffer when it has room for one, and the buffer
// handed over then plays after the one it holds. A callback held up leaves a gap in the sound,
// and the track goes on from where it stopped. A callback that runs a little late (the audio
// thread woken late) times its hand-over by its own late clock, while the sound plays on time.
struct SimulatedDevice {
    double delay = bufferSeconds;
    double nextCallback = 10.0; // seconds on the simulation's clock
    double lateness = 0;        // of every fifth callback
    int64_t nextFrame = 0;
    std::vector<HandOver> handOvers;
    std::vector<double> playsAt; // when each buffer really starts to leave the device

    // Runs every callback due by now; none between heldFrom and heldUntil.
    void runUntil(double now, double heldFrom = 1e9, double heldUntil = 1e9) {
        while (nextCallback <= now) {
            if (nextCallback >= heldFrom && nextCallback < heldUntil) {
                nextCallback = heldUntil;
                continue;
            }
            const double late = handOvers.size() % 5 == 4 ? lateness : 0;
            handOvers.push_back({nextFrame, bufferFrames, nextCallback + late + delay});
            playsAt.push_back(nextCallback + delay);
            nextFrame += bufferFrames;
            nextCallback += bufferSeconds;
        }
    }
    const HandOver* last() const { return handOvers.empty() ? nullptr : &handOvers.back(); }
    // The track's position leaving the device at this instant, in ms.
    double heardMs(double at) const {
        double frame = 0;
        for (size_t i = 0; i < handOvers.size(); ++i)
            if (playsAt[i] <= at)
                frame = handOvers[i].firstFrame +
                        std::min<double>(bufferFrames, (at - playsAt[i]) * outputRate);
        return frame * 1000 / outputRate;
    }
};

// Draws frames 1/60 s apart from start to end, each read for the instant it is seen, a frame
// later; calls check(now, seenAt, shownMs) for each.
template <typename Check>
void playFrames(HeardClock& clock, SimulatedDevice& device, double start, double end, Check check,
                double heldFrom = 1e9, double heldUntil = 1e9) {
    for (double now = start; now < end; now += frameSeconds) {
        device.runUntil(now, heldFrom, heldUntil);
        const double seenAt = now + frameSeconds;
        check(now, seenAt, readHeardClock(clock, device.last(), now, seenAt));
    }
}

} // namespace

TEST(HeardClock, WhileTheSoundFlowsItIsTheTickCountFromTheFirstFrameHeard) {
    SimulatedDevice device;
    HeardClock clock = startHeardClock(device.nextCallback);
    const double firstHeard = device.nextCallback + device.delay;
    double previous = 0;
    playFrames(clock, device, device.nextCallback, device.nextCallback + 20,
               [&](double, double seenAt, double ms) {
                   // Nothing is heard yet: the timeline waits at its 0.
                   const double ticks = std::max(0.0, (seenAt - firstHeard) * 1000);
                   EXPECT_NEAR(ms, ticks, 1.0) << "at " << seenAt;
                   EXPECT_GE(ms, previous);
                   previous = ms;
               });
    EXPECT_GT(previous, 19900);
}

TEST(HeardClock, AGapInTheSoundHoldsThePictureAndLeavesNoDrift) {
    SimulatedDevice device;
    HeardClock clock = startHeardClock(device.nextCallback);
    const double start = device.nextCallback;
    // The audio thread is held up for 197 ms at 13 s, and again for 120 ms at 26 s.
    playFrames(clock, device, start, start + 13, [](double, double, double) {});
    const double heldMs = device.heardMs(start + 13.2);
    double during = 0;
    playFrames(
        clock, device, start + 13, start + 13.2, [&](double, double, double ms) { during = ms; },
        start + 13, start + 13.197);
    // The picture stopped where the sound stopped (less the frame that was drawn for sound still
    // flowing), not a tick count ahead of it.
    EXPECT_LE(during, heldMs + frameSeconds * 1000);
    double worst = 0;
    playFrames(
        clock, device, start + 13.2, start + 40,
        [&](double, double seenAt, double ms) {
            if (seenAt > start + 13.3 && (seenAt < start + 26 || seenAt > start + 26.2))
                worst = std::max(worst, std::abs(ms - device.heardMs(seenAt)));
        },
        start + 26, start + 26.12);
    // Afterwards it is where the sound is, while the tick count from the first frame heard has
    // gone 300 ms (the two gaps) ahead of the sound for good.
    EXPECT_LE(worst, 1.0);
    const double ticks = (start + 40 - (start + device.delay)) * 1000;
    EXPECT_NEAR(ticks - device.heardMs(start + 40), 305, 25);
}

TEST(HeardClock, AStalledDeviceNeverFreezesThePictureAndTheSoundCatchesUp) {
    SimulatedDevice device;
    HeardClock clock = startHeardClock(device.nextCallback);
    const double start = device.nextCallback;
    playFrames(clock, device, start, start + 5, [](double, double, double) {});
    // Two seconds without a hand-over: held for a moment, then on by the ticks.
    double previous = readHeardClock(clock, device.last(), start + 5, start + 5 + frameSeconds);
    double frozenSince = start + 5;
    double longestFreeze = 0;
    double previousMs = previous;
    const auto watch = [&](double now, double, double ms) {
        ASSERT_GE(ms, previousMs) << "the picture went back at " << now;
        if (ms > previousMs) frozenSince = now;
        longestFreeze = std::max(longestFreeze, now - frozenSince);
        previousMs = ms;
    };
    playFrames(clock, device, start + 5, start + 7, watch, start + 5, start + 7);
    EXPECT_LE(longestFreeze, stallSeconds + 2 * frameSeconds);
    EXPECT_GT(previousMs - previous, 1500); // it went on by the ticks
    // The sound comes back from where it stopped: the picture, ahead of it, slows down until the
    // sound has caught up, and then follows it again.
    playFrames(clock, device, start + 7, start + 12, watch);
    EXPECT_LE(longestFreeze, stallSeconds + 2 * frameSeconds);
    const double seenAt = start + 12 + frameSeconds;
    EXPECT_NEAR(readHeardClock(clock, device.last(), start + 12, seenAt), device.heardMs(seenAt),
                1.0);
}

TEST(HeardClock, TheWholeProcessHeldUpIsNoStall) {
    // A busy machine (or SIGSTOP) holds every thread for 400 ms: no frame is drawn and no buffer
    // handed over, and the sound runs dry. The first frame after it is read before the next
    // hand-over; from then on the picture goes on from where the sound goes on, not from where the
    // ticks went.
    SimulatedDevice device;
    HeardClock clock = startHeardClock(device.nextCallback);
    const double start = device.nextCallback;
    playFrames(clock, device, start, start + 5, [](double, double, double) {});
    double worst = 0;
    playFrames(
        clock, device, start + 5.4, start + 8,
        [&](double now, double seenAt, double ms) {
            if (now > start + 5.45) worst = std::max(worst, std::abs(ms - device.heardMs(seenAt)));
        },
        start + 5, start + 5.41);
    EXPECT_LE(worst, 1.0);
}

TEST(HeardClock, WithoutAnyHandOverItGoesByTheTicksAfterAMoment) {
    HeardClock clock = startHeardClock(10.0);
    double ms = 0;
    for (int i = 0; i <= 130; ++i) {
        const double now = 10.0 + i * 0.01;
        ms = readHeardClock(clock, nullptr, now, now);
        if (now < 10.0 + stallSeconds) {
            EXPECT_EQ(ms, 0.0) << now;
        }
    }
    EXPECT_NEAR(ms, 1300 - stallSeconds * 1000, 11);
}

TEST(HeardClock, LateCallbacksAndUnevenFramesNeverTakeItBack) {
    // Every fifth callback 5 ms late, and frames of 10 to 40 ms: the picture follows the sound
    // within the lateness, and never goes back.
    SimulatedDevice device;
    device.lateness = 0.005;
    HeardClock clock = startHeardClock(device.nextCallback);
    const double start = device.nextCallback;
    double now = start, previous = 0;
    std::vector<std::pair<double, double>> shown; // instant seen, timeline shown
    for (int i = 0; now < start + 30; ++i) {
        device.runUntil(now);
        const double lead = 0.01 + (i * 5 % 7) * 0.005;
        const double ms = readHeardClock(clock, device.last(), now, now + lead);
        ASSERT_GE(ms, previous);
        previous = ms;
        if (now > start + 1) shown.emplace_back(now + lead, ms);
        now += lead;
    }
    device.runUntil(now + 1); // what is heard at the last frames' instants
    double worst = 0;
    for (const auto& [seenAt, ms] : shown)
        worst = std::max(worst, std::abs(ms - device.heardMs(seenAt)));
    EXPECT_LE(worst, 6.0);
}

namespace {

// A browser playing the whole track: its audio thread renders a block every 10 ms and posts the
// context's new time to the page, whose main thread takes its posts in batches 5 to 45 ms apart
// (as Firefox's does), so a reading lags the sound by up to 55 ms and may stand still for two
// frames. The track plays at `pace` of our clock, and plays nothing from stopFrom until stopUntil.
struct SimulatedContext {
    static constexpr double blockSeconds = 0.01;
    double pace = 1;
    double stopFrom = 1e9, stopUntil = 1e9;
    double nextBatch = 0, reading = 0;
    uint32_t random = 12345;

    // The track's position at instant t, in seconds; it starts at t = 0.
    double playedAt(double t) const {
        const double stopped = std::clamp(t, stopFrom, stopUntil) - stopFrom;
        return std::max(0.0, t - stopped) * pace;
    }
    // What the page reads at instant t (never earlier than the last call): the time the context
    // posted at its last block before the page's last batch.
    double readingAt(double t) {
        while (nextBatch <= t) {
            reading = playedAt(std::floor(nextBatch / blockSeconds) * blockSeconds);
            random = random * 1664525u + 1013904223u;
            nextBatch += 0.005 + 0.04 * (random >> 8) / double(1u << 24);
        }
        return reading;
    }
};

// Follows the context at 60 frames a second from `from` to `to`; check(now, followed, reading).
template <typename Check>
void followContext(SimulatedContext& context, SteppedPosition& position, double from, double to,
                   Check check) {
    for (double now = from; now < to; now += frameSeconds) {
        const double reading = context.readingAt(now);
        check(now, followSteppedPosition(position, reading, now), reading);
    }
}

} // namespace

// The raw readings lag the sound by up to 55 ms and now and then stand still for two frames; the
// followed position is never ahead of the sound, keeps within 12 ms of it, and moves on by half a
// frame to a frame and a half every frame, at any pace near our clock's.
TEST(SteppedPosition, FollowsTheSoundSmoothlyAtAnyPaceNearOurClock) {
    for (const double pace : {1.0, 0.998, 1.002}) {
        SimulatedContext context;
        context.pace = pace;
        SteppedPosition position;
        double worstReading = 0, longestStill = 0, stillSince = 0, lastReading = -1;
        double ahead = -1, behind = 0, previous = 0, shortestStep = 1, longestStep = 0;
        followContext(context, position, 0.5, 60.5,
                      [&](double now, double followed, double reading) {
                          const double heard = context.playedAt(now);
                          worstReading = std::max(worstReading, heard - reading);
                          if (reading != lastReading) stillSince = now, lastReading = reading;
                          longestStill = std::max(longestStill, now - stillSince);
                          if (now > 1.5) {
                              ahead = std::max(ahead, followed - heard);
                              behind = std::max(behind, heard - followed);
                              shortestStep = std::min(shortestStep, followed - previous);
                              longestStep = std::max(longestStep, followed - previous);
                          }
                          previous = followed;
                      });
        EXPECT_GT(worstReading, 0.04) << pace;
        EXPECT_GT(longestStill, 1.5 * frameSeconds) << pace;
        EXPECT_LE(ahead, 0.0) << pace;
        EXPECT_LT(behind, 0.012) << pace;
        EXPECT_GT(shortestStep, 0.5 * frameSeconds) << pace;
        EXPECT_LT(longestStep, 1.5 * frameSeconds) << pace;
    }
}

// A track that stops runs on no further than the reach past its last reading, and once it plays
// again the picture is never more than the reach ahead and soon back on it.
TEST(SteppedPosition, ATrackThatStopsHoldsAndIsFollowedAgainAfterwards) {
    SimulatedContext context;
    context.stopFrom = 10.0;
    context.stopUntil = 10.5;
    SteppedPosition position;
    followContext(context, position, 0.5, 20.0, [&](double now, double followed, double reading) {
        EXPECT_LE(followed, reading + SteppedPosition::reachSeconds + 1e-9) << now;
        const double heard = context.playedAt(now);
        if (now > 10.0 && now < 10.5) {
            EXPECT_LE(followed, context.playedAt(10.0) + SteppedPosition::reachSeconds + 1e-9)
                << now;
        }
        if (now > 10.5) {
            EXPECT_LE(followed - heard, SteppedPosition::reachSeconds + 1e-9) << now;
        }
        if (now > 16.0) {
            EXPECT_LT(std::abs(followed - heard), 0.012) << now;
        }
    });
}

// Where the device's position cannot be read (here SDL's dummy driver, which takes the sound at
// its own pace and plays it nowhere), the clock is the tick count since the track started, each
// frame read for the instant it will be seen.
TEST(ShowClock, WithoutARealDeviceItIsTheTickCount) {
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "dummy", 1), 0);
    const SDL_AudioDeviceID device = openAudioOutput();
    ASSERT_NE(device, 0u);
    Track silence;
    silence.stereo.assign(2 * outputRate, 0.0f);
    ASSERT_TRUE(startAudioOutput(device, silence));
    EXPECT_FALSE(positionReadable(device));
    EXPECT_FALSE(showClockStarted());
    const uint32_t started = SDL_GetTicks();
    startShowClock(device);
    EXPECT_TRUE(showClockStarted());
    SDL_Delay(300);
    const int32_t before = ticksBetween(started, SDL_GetTicks());
    const int32_t ms = showClockMs(0.02);
    const int32_t after = ticksBetween(started, SDL_GetTicks());
    EXPECT_GE(ms, before + 20 - 1);
    EXPECT_LE(ms, after + 20 + 1);
    // A shorter lead than the last does not take it back.
    EXPECT_GE(showClockMs(0.0), ms);

    // The transport: a seek's first reading is its instant, the sound handed over from there; a
    // pause holds the instant and the sound; a resume goes on from the instant held, and a seek
    // back is the one time the clock goes back.
    const auto handedFrom = [device](int64_t frame) {
        for (int i = 0; i < 100; ++i, SDL_Delay(10)) {
            HandOver handOver;
            if (lastHandOver(device, handOver) && handOver.firstFrame >= frame) return true;
        }
        return false;
    };
    seekShow(50000);
    EXPECT_EQ(showClockMs(0.02), 50000);
    EXPECT_TRUE(handedFrom(frameAtMs(50000)));
    SDL_Delay(100);
    const int32_t played = showClockMs(0.02);
    EXPECT_GE(played, 50000 + 100 + 20 - 1);
    EXPECT_FALSE(showPaused());
    pauseShow();
    EXPECT_TRUE(showPaused());
    SDL_Delay(200);
    EXPECT_EQ(showClockMs(0.02), played);
    HandOver none;
    EXPECT_FALSE(lastHandOver(device, none)) << "a held track hands nothing over";
    seekShow(1000); // paused: it stays paused, at the new instant
    EXPECT_EQ(showClockMs(0.02), 1000);
    SDL_Delay(100);
    EXPECT_EQ(showClockMs(0.02), 1000);
    resumeShow();
    EXPECT_FALSE(showPaused());
    EXPECT_EQ(showClockMs(0.02), 1000);
    EXPECT_TRUE(handedFrom(frameAtMs(1000)));
    SDL_Delay(100);
    EXPECT_GE(showClockMs(0.02), 1000 + 100);
    seekShow(-300);
    EXPECT_EQ(showClockMs(0.02), 0);
    closeAudioOutput(device);
}
