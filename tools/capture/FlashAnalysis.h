#pragma once

#include "platform/PictureArea.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Measures a sequence of frames against the photosensitivity limits of WCAG 2.x and
// ISO 9241-391 (general flashes of relative luminance, and saturated red flashes).
//
// The picture is seen through a grid of cells, at most 256 x 192 (4 x 4 pixels at 1024 x 768),
// each holding the mean of its pixels' linear values, so the verdict does not depend on the size a
// frame is drawn at. Each cell follows its own transitions: a change of at least 0.1 in relative
// luminance from the last extreme against the direction of its previous transition, where the
// darker state is below 0.8 (for red: a change of the red measure by more than 20). A field (a
// third of the picture's width by a third of its height: 10 degrees of view, 341 x 256 pixels at
// 1024 x 768) makes a transition when cells whose latest transition, in that direction, came within
// the last quarter second cover at least 25 % of it, net of its cells that went the other way in
// that time. A field's transitions alternate, and two make a flash. A frame fails when some field
// has more than 3 flashes in the second up to it, warns from 2, and is extended flashing when it
// warns and the 5 seconds up to it hold 4 seconds of such frames.

enum class FlashResult { Pass = 0, Warning = 1, Extended = 2, Fail = 3 };
const char* flashResultName(FlashResult result);

namespace flashLimits {
inline constexpr double luminanceChange = 0.1; // at least
inline constexpr double darkerBelow = 0.8;
inline constexpr double redChange = 20.0; // more than
inline constexpr double saturatedRedShare = 0.8;
inline constexpr double redScale = 320.0;
inline constexpr double fieldShare = 0.25;  // of a 10-degree field, at least
inline constexpr int transitionsToFail = 7; // in one second: more than 3 flashes
inline constexpr int transitionsToWarn = 4; // 2 flashes
inline constexpr int extendedWindowSeconds = 5;
inline constexpr int extendedFlashingSeconds = 4;
inline constexpr int recentTransitionMs = 250;
inline constexpr int transitionsCounted = 16; // in a second, at most: enough to tell any verdict
} // namespace flashLimits

// A frame seen through the grid: per cell the mean relative luminance and the mean red measure.
struct CellFrame {
    std::vector<float> luminance;
    std::vector<float> red;
};

// What one kind of flash (luminance or red) came to at one frame.
struct FlashReading {
    double mean = 0;     // over the whole picture
    double area = 0;     // the largest share of a 10-degree field in a recent transition
    int transitions = 0; // of the picture, in the second up to this frame
    FlashResult result = FlashResult::Pass;
};

// One kind of flash followed over the frames: per-cell trackers, the picture's transitions and the
// verdicts, frame by frame.
class FlashTrack {
public:
    FlashTrack(int gridWidth, int gridHeight, int fps, double threshold, bool darkerRule);
    FlashReading add(const std::vector<float>& cells, double mean);

    // Every frame's verdict so far, in order.
    const std::vector<FlashResult>& results() const { return verdicts; }

private:
    struct Cell {
        float low = 0, high = 0;
        int8_t direction = 0; // of the latest transition: +1 up, -1 down, 0 none yet
        int32_t at = -1;      // the frame of that transition
    };
    // One 10-degree field: its own transitions, since a flash is a pair of them in one place.
    struct Field {
        int x, y;                                             // its first cell
        int8_t direction = 0;                                 // of its latest transition
        int32_t latest[flashLimits::transitionsCounted] = {}; // its latest transitions' frames
        int count = 0;                                        // of transitions so far
    };
    // Sums, over the grid, the cells whose latest transition is recent: +1 up, -1 down.
    void sumRecentCells(int32_t frame);
    // Of one field: the share of its cells recently turned lighter less the share turned darker.
    double netShare(const Field& field) const;

    int gridWidth, gridHeight, fieldWidth, fieldHeight, fps;
    double threshold;
    bool darkerRule;
    std::vector<Cell> cells;
    std::vector<int32_t> summed;   // summed-area table, (gridWidth + 1) x (gridHeight + 1)
    std::vector<Field> fields;     // every other cell across and down, and the last ones
    std::vector<uint8_t> flashing; // per frame: at least a warning's transitions
    std::vector<FlashResult> verdicts;
    int32_t frame = 0;
};

// Whether a sequence of frames answers the track's beats (audio/Beats.h) with a visible change.
// A frame's visible change is the share of the picture's cells whose relative luminance differs
// from the previous frame's by at least 0.02 (about the smallest step of grey the eye tells apart
// on a dark picture, a fifth of a flash's). A beat at instant s is answered when a frame shown in
// [s, s + 50 ms] changes visibly over at least 1 % of the picture, and over at least three times
// the median share of the frames in the 250 ms before s: a picture that changes everywhere all
// the time (a camera moving through a textured tunnel) answers only with more than it does anyway.
namespace beatAnswer {
inline constexpr float visibleLuminance = 0.02f;
inline constexpr double leastShare = 0.01;
inline constexpr double aboveAround = 3.0;
inline constexpr int32_t withinMs = 50;
inline constexpr int32_t aroundMs = 250;
} // namespace beatAnswer

// The share of cells that changed visibly between two frames of the same grid.
double visibleChange(const std::vector<float>& before, const std::vector<float>& after);

struct BeatAnswers {
    int beats = 0;    // of the given beats, those the frames can tell about
    int answered = 0; // of those, the ones answered
    std::vector<int32_t> missed;
};

// Which beats the frames answer. instants: each frame's, in order; changes: each frame's visible
// change (the first frame's is not known and is not looked at). Beats are counted that come after
// the first frame and 50 ms or more before the last.
BeatAnswers answerBeats(const std::vector<int32_t>& instants, const std::vector<float>& changes,
                        const std::vector<int32_t>& beats);

// Turns RGB frames into cells: the picture's part of each frame only, bars left out.
class CellGrid {
public:
    // picture: where the picture lies in frames of frameSize, x and y from the bottom-left.
    CellGrid(PixelSize frameSize, PixelRect picture);
    int width() const { return gridWidth; }
    int height() const { return gridHeight; }
    // rgb: the frame's rows, top row first. Returns the picture's mean luminance and red measure.
    void measure(const uint8_t* rgb, CellFrame& cells, double& meanLuminance,
                 double& meanRed) const;

private:
    PixelSize frameSize;
    PixelRect picture;
    int gridWidth, gridHeight;
    std::vector<int32_t> columnEnd; // per cell column: the picture column after its last
    std::vector<int32_t> rowCell;   // per picture row: the index of its row's first cell
    std::vector<float> cellWeight;  // 1 / pixels in the cell
};

// The whole analysis of a recording: every frame into the CSV as it comes, and the summary.
class FlashAnalysis {
public:
    FlashAnalysis(PixelSize frameSize, int fps);
    // False with the reason when the report cannot be written.
    bool open(const std::string& path, std::string& error);
    // The instants at which the track's beats start, for the summary to say how many the frames
    // answer; none by default.
    void setBeats(std::vector<int32_t> instants);
    // Frames must come in order, one for each frame of the recording.
    void addFrame(int32_t ms, const uint8_t* rgb);
    bool close(std::string& error);

    // Anything failing, luminance or red: a linter's status 1.
    bool failed() const;
    // The summary for standard error: the failing and extended seconds and where they lie, and
    // the beats answered.
    std::string summary() const;
    BeatAnswers beatAnswers() const;

private:
    CellGrid grid;
    int fps;
    FlashTrack luminance, red;
    CellFrame cells;
    std::vector<float> previousLuminance;
    std::vector<int32_t> instants;
    std::vector<float> changes; // visible, of each frame
    std::vector<int32_t> beats;
    std::FILE* file = nullptr;
    std::string path;
    bool writeFailed = false;
};
