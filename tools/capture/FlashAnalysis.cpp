#include "FlashAnalysis.h"

#include "assets/Srgb.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

const char* flashResultName(FlashResult result) {
    switch (result) {
    case FlashResult::Pass:
        return "pass";
    case FlashResult::Warning:
        return "warning";
    case FlashResult::Extended:
        return "extended";
    case FlashResult::Fail:
        return "fail";
    }
    return "?";
}

namespace {

// Per code: each channel's share of the relative luminance, in units of 2^-16, so that a row of a
// cell sums in integers, and the code's linear light for the red measure; side by side, so that a
// pixel's three lookups touch three entries.
struct CodeEntry {
    uint32_t luminance[3];
    float linear;
};
struct CodeTable {
    CodeEntry entry[256];
    CodeTable() {
        for (int v = 0; v < 256; ++v) {
            const auto code = static_cast<uint8_t>(v);
            const float shares[3] = {relativeLuminance(code, 0, 0), relativeLuminance(0, code, 0),
                                     relativeLuminance(0, 0, code)};
            for (int c = 0; c < 3; ++c)
                entry[v].luminance[c] = static_cast<uint32_t>(std::lround(shares[c] * 65536.0f));
            entry[v].linear = linearFromSrgb(code);
        }
    }
};
const CodeTable& codeTable() {
    static const CodeTable made;
    return made;
}

// WCAG 2.2's saturated red: red at least 0.8 of the three, measured as (R - G - B) * 320. Without
// a branch: most pixels are not red, but which ones are is not predictable.
inline float redMeasure(float r, float g, float b) {
    const float share = static_cast<float>(flashLimits::saturatedRedShare);
    const bool saturated = r > 0 && r >= share * (r + g + b);
    return saturated ? std::max(0.0f, (r - g - b) * static_cast<float>(flashLimits::redScale))
                     : 0.0f;
}

} // namespace

FlashTrack::FlashTrack(int gridWidth, int gridHeight, int fps, double threshold, bool darkerRule)
    : gridWidth(gridWidth), gridHeight(gridHeight),
      fieldWidth(std::max(1, static_cast<int>(std::lround(gridWidth / 3.0)))),
      fieldHeight(std::max(1, static_cast<int>(std::lround(gridHeight / 3.0)))), fps(fps),
      threshold(threshold), darkerRule(darkerRule),
      cells(static_cast<size_t>(gridWidth) * gridHeight),
      summed(static_cast<size_t>(gridWidth + 1) * (gridHeight + 1), 0) {
    // Fields a cell or two apart miss no flash of a quarter of a field by more than a few cells.
    const auto places = [](int cellsAcross, int fieldCells) {
        std::vector<int> at;
        for (int p = 0; p + fieldCells < cellsAcross; p += 2) at.push_back(p);
        at.push_back(cellsAcross - fieldCells);
        return at;
    };
    for (const int y : places(gridHeight, fieldHeight))
        for (const int x : places(gridWidth, fieldWidth)) fields.push_back(Field{x, y});
}

void FlashTrack::sumRecentCells(int32_t now) {
    const int stride = gridWidth + 1;
    for (int y = 0; y < gridHeight; ++y) {
        int32_t row = 0;
        for (int x = 0; x < gridWidth; ++x) {
            const Cell& cell = cells[static_cast<size_t>(y) * gridWidth + x];
            // Within the quarter second up to this frame, in milliseconds of the recording.
            const bool recent = cell.at >= 0 && int64_t{now - cell.at} * 1000 <
                                                    int64_t{flashLimits::recentTransitionMs} * fps;
            row += recent ? cell.direction : 0;
            summed[static_cast<size_t>(y + 1) * stride + x + 1] =
                summed[static_cast<size_t>(y) * stride + x + 1] + row;
        }
    }
}

double FlashTrack::netShare(const Field& field) const {
    const size_t stride = static_cast<size_t>(gridWidth) + 1;
    const size_t top = field.y * stride, bottom = (field.y + fieldHeight) * stride;
    const size_t left = static_cast<size_t>(field.x), right = left + fieldWidth;
    const int32_t sum =
        summed[bottom + right] - summed[bottom + left] - summed[top + right] + summed[top + left];
    return sum / (static_cast<double>(fieldWidth) * fieldHeight);
}

FlashReading FlashTrack::add(const std::vector<float>& values, double mean) {
    const auto bright = [&](float darker) {
        return darkerRule && darker >= static_cast<float>(flashLimits::darkerBelow);
    };
    // A transition needs the change, the darker state below 0.8 for luminance, and (for red) more
    // than the threshold rather than at least it.
    const auto enough = [&](float change) {
        return darkerRule ? change >= static_cast<float>(threshold)
                          : change > static_cast<float>(threshold);
    };
    for (size_t i = 0; i < cells.size(); ++i) {
        Cell& cell = cells[i];
        const float value = values[i];
        if (frame == 0) {
            cell.low = cell.high = value;
            continue;
        }
        // Since the last transition only the extreme in its direction matters: the change is
        // counted from there, however the value wavers on the way.
        cell.low = std::min(cell.low, value);
        cell.high = std::max(cell.high, value);
        const bool canRise = cell.direction != 1 && enough(value - cell.low) && !bright(cell.low);
        const bool canFall = cell.direction != -1 && enough(cell.high - value) && !bright(value);
        if (canRise && (!canFall || value - cell.low >= cell.high - value)) {
            cell.direction = 1;
            cell.at = frame;
            cell.high = cell.low = value;
        } else if (canFall) {
            cell.direction = -1;
            cell.at = frame;
            cell.high = cell.low = value;
        }
    }

    FlashReading reading;
    reading.mean = mean;
    sumRecentCells(frame);
    const double needed = flashLimits::fieldShare;
    for (Field& field : fields) {
        const double share = netShare(field);
        reading.area = std::max(reading.area, std::abs(share));
        const int8_t turn = share >= needed ? 1 : share <= -needed ? -1 : 0;
        if (turn != 0 && turn != field.direction) {
            field.direction = turn;
            field.latest[field.count++ % flashLimits::transitionsCounted] = frame;
        }
        // Its transitions in the second up to and including this frame.
        const int kept = std::min(field.count, flashLimits::transitionsCounted);
        const int inSecond = static_cast<int>(std::count_if(
            field.latest, field.latest + kept, [&](int32_t at) { return at > frame - fps; }));
        reading.transitions = std::max(reading.transitions, inSecond);
    }

    flashing.push_back(reading.transitions >= flashLimits::transitionsToWarn ? 1 : 0);
    const int window = flashLimits::extendedWindowSeconds * fps;
    const size_t from =
        flashing.size() > static_cast<size_t>(window) ? flashing.size() - window : 0;
    const long flashingFrames =
        std::count(flashing.begin() + static_cast<long>(from), flashing.end(), uint8_t{1});
    if (reading.transitions >= flashLimits::transitionsToFail)
        reading.result = FlashResult::Fail;
    else if (flashing.back() && flashingFrames >= long{flashLimits::extendedFlashingSeconds} * fps)
        reading.result = FlashResult::Extended;
    else if (flashing.back())
        reading.result = FlashResult::Warning;
    verdicts.push_back(reading.result);
    ++frame;
    return reading;
}

CellGrid::CellGrid(PixelSize frameSize, PixelRect picture)
    : frameSize(frameSize), picture(picture), gridWidth(std::min(256, picture.width)),
      gridHeight(std::min(192, picture.height)) {
    columnEnd.resize(static_cast<size_t>(gridWidth));
    rowCell.resize(static_cast<size_t>(picture.height));
    std::vector<int> columns(static_cast<size_t>(gridWidth), 0),
        rows(static_cast<size_t>(gridHeight), 0);
    for (int x = 0; x < picture.width; ++x) {
        const auto cell = static_cast<size_t>(int64_t{x} * gridWidth / picture.width);
        columnEnd[cell] = x + 1;
        ++columns[cell];
    }
    for (int y = 0; y < picture.height; ++y) {
        const auto cell = static_cast<int32_t>(int64_t{y} * gridHeight / picture.height);
        rowCell[static_cast<size_t>(y)] = cell * gridWidth;
        ++rows[static_cast<size_t>(cell)];
    }
    cellWeight.resize(static_cast<size_t>(gridWidth) * gridHeight);
    for (int y = 0; y < gridHeight; ++y)
        for (int x = 0; x < gridWidth; ++x)
            cellWeight[static_cast<size_t>(y) * gridWidth + x] =
                1.0f /
                static_cast<float>(columns[static_cast<size_t>(x)] * rows[static_cast<size_t>(y)]);
}

void CellGrid::measure(const uint8_t* rgb, CellFrame& cells, double& meanLuminance,
                       double& meanRed) const {
    const size_t cellCount = cellWeight.size();
    cells.luminance.assign(cellCount, 0.0f);
    cells.red.assign(cellCount, 0.0f);
    // Rows come top first; the picture's place counts its rows from the bottom.
    const int top = frameSize.height - (picture.y + picture.height);
    const size_t stride = static_cast<size_t>(frameSize.width) * 3;
    const CodeEntry* const code = codeTable().entry;
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* pixel = rgb + static_cast<size_t>(top + y) * stride + size_t(picture.x) * 3;
        float* luminance = cells.luminance.data() + rowCell[static_cast<size_t>(y)];
        float* red = cells.red.data() + rowCell[static_cast<size_t>(y)];
        int x = 0;
        for (int cell = 0; cell < gridWidth; ++cell) {
            // A cell's pixels in this row, summed in integers.
            uint32_t light = 0;
            float redSum = 0;
            for (const int end = columnEnd[static_cast<size_t>(cell)]; x < end; ++x, pixel += 3) {
                const CodeEntry &r = code[pixel[0]], &g = code[pixel[1]], &b = code[pixel[2]];
                light += r.luminance[0] + g.luminance[1] + b.luminance[2];
                redSum += redMeasure(r.linear, g.linear, b.linear);
            }
            luminance[cell] += static_cast<float>(light) * (1.0f / 65536.0f);
            red[cell] += redSum;
        }
    }
    double luminanceSum = 0, redSum = 0;
    for (size_t i = 0; i < cellCount; ++i) {
        // Every cell weighs as much as its pixels, so the means are the picture's own.
        luminanceSum += cells.luminance[i];
        redSum += cells.red[i];
        cells.luminance[i] *= cellWeight[i];
        cells.red[i] *= cellWeight[i];
    }
    const double pixels = static_cast<double>(picture.width) * picture.height;
    meanLuminance = luminanceSum / pixels;
    meanRed = redSum / pixels;
}

FlashAnalysis::FlashAnalysis(PixelSize frameSize, int fps)
    : grid(frameSize, fitPicture(frameSize)), fps(fps),
      luminance(grid.width(), grid.height(), fps, flashLimits::luminanceChange, true),
      red(grid.width(), grid.height(), fps, flashLimits::redChange, false) {
}

bool FlashAnalysis::open(const std::string& reportPath, std::string& error) {
    path = reportPath;
    file = std::fopen(path.c_str(), "w");
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fputs("time_ms,luminance,flash_area,transitions_1s,result,"
               "red,red_area,red_transitions_1s,red_result,changed\n",
               file);
    return true;
}

void FlashAnalysis::setBeats(std::vector<int32_t> beatInstants) {
    beats = std::move(beatInstants);
}

void FlashAnalysis::addFrame(int32_t ms, const uint8_t* rgb) {
    double meanLuminance = 0, meanRed = 0;
    grid.measure(rgb, cells, meanLuminance, meanRed);
    const FlashReading l = luminance.add(cells.luminance, meanLuminance);
    const FlashReading r = red.add(cells.red, meanRed);
    const double changed =
        previousLuminance.empty() ? 0.0 : visibleChange(previousLuminance, cells.luminance);
    previousLuminance.swap(cells.luminance);
    instants.push_back(ms);
    changes.push_back(static_cast<float>(changed));
    if (file && std::fprintf(file, "%d,%.4f,%.3f,%d,%s,%.2f,%.3f,%d,%s,%.4f\n", ms, l.mean, l.area,
                             l.transitions, flashResultName(l.result), r.mean, r.area,
                             r.transitions, flashResultName(r.result), changed) < 0)
        writeFailed = true;
}

bool FlashAnalysis::close(std::string& error) {
    if (!file) return true;
    const bool ok = std::fclose(file) == 0 && !writeFailed;
    file = nullptr;
    if (!ok) error = "cannot write " + path + ": " + std::strerror(errno);
    return ok;
}

double visibleChange(const std::vector<float>& before, const std::vector<float>& after) {
    if (after.empty() || before.size() != after.size()) return 0.0;
    size_t changed = 0;
    for (size_t i = 0; i < after.size(); ++i)
        changed += std::abs(after[i] - before[i]) >= beatAnswer::visibleLuminance ? 1 : 0;
    return static_cast<double>(changed) / static_cast<double>(after.size());
}

BeatAnswers answerBeats(const std::vector<int32_t>& instants, const std::vector<float>& changes,
                        const std::vector<int32_t>& beats) {
    BeatAnswers answers;
    if (instants.size() < 2 || changes.size() != instants.size()) return answers;
    std::vector<float> around;
    for (const int32_t beat : beats) {
        if (beat <= instants.front() || beat + beatAnswer::withinMs > instants.back()) continue;
        ++answers.beats;
        const auto at = [&](int32_t ms) {
            return static_cast<size_t>(std::lower_bound(instants.begin(), instants.end(), ms) -
                                       instants.begin());
        };
        // The frames before the beat, the first one's change aside: it has none to tell.
        const size_t from = std::max<size_t>(1, at(beat - beatAnswer::aroundMs)), first = at(beat);
        around.assign(changes.begin() + static_cast<long>(std::min(from, first)),
                      changes.begin() + static_cast<long>(first));
        double usual = 0;
        if (!around.empty()) {
            std::nth_element(around.begin(), around.begin() + static_cast<long>(around.size() / 2),
                             around.end());
            usual = around[around.size() / 2];
        }
        double answer = 0;
        for (size_t i = first; i < instants.size() && instants[i] <= beat + beatAnswer::withinMs;
             ++i)
            answer = std::max(answer, double{changes[i]});
        if (answer >= beatAnswer::leastShare && answer >= beatAnswer::aboveAround * usual)
            ++answers.answered;
        else
            answers.missed.push_back(beat);
    }
    return answers;
}

namespace {

bool anyFailing(const std::vector<FlashResult>& results) {
    return std::any_of(results.begin(), results.end(),
                       [](FlashResult r) { return r >= FlashResult::Extended; });
}

int secondsWith(const std::vector<FlashResult>& results, const std::vector<int32_t>& instants,
                FlashResult wanted) {
    int count = 0, last = -1;
    for (size_t i = 0; i < results.size(); ++i)
        if (results[i] == wanted && instants[i] / 1000 != last) {
            last = instants[i] / 1000;
            ++count;
        }
    return count;
}

std::string seconds(int32_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", ms / 1000.0);
    return text;
}

// Where frames fail or flash for too long, as spans of seconds; gaps under a second are bridged.
std::string failingSpans(const std::vector<FlashResult>& results,
                         const std::vector<int32_t>& instants) {
    std::string spans;
    int32_t start = -1, end = -1;
    const auto close = [&] {
        if (start < 0) return;
        spans += (spans.empty() ? "" : ", ") + seconds(start) + "-" + seconds(end) + " s";
    };
    for (size_t i = 0; i < results.size(); ++i) {
        if (results[i] < FlashResult::Extended) continue;
        if (start >= 0 && instants[i] - end < 1000) {
            end = instants[i];
            continue;
        }
        close();
        start = end = instants[i];
    }
    close();
    return spans;
}

std::string describe(const char* kind, const std::vector<FlashResult>& results,
                     const std::vector<int32_t>& instants) {
    const int failing = secondsWith(results, instants, FlashResult::Fail);
    const int extended = secondsWith(results, instants, FlashResult::Extended);
    const int warning = secondsWith(results, instants, FlashResult::Warning);
    std::string line = std::string(kind) + ": ";
    if (!anyFailing(results)) {
        line += "passes";
        if (warning > 0)
            line += ", with warnings (2 to 3 flashes a second) in " + std::to_string(warning) +
                    " seconds";
        return line + "\n";
    }
    return line + "FAILS: more than 3 flashes a second in " + std::to_string(failing) +
           " seconds, extended flashing in " + std::to_string(extended) + " seconds, in " +
           failingSpans(results, instants) + "\n";
}

} // namespace

bool FlashAnalysis::failed() const {
    return anyFailing(luminance.results()) || anyFailing(red.results());
}

std::string FlashAnalysis::summary() const {
    std::string text = "flash report: " + std::to_string(instants.size()) + " frames at " +
                       std::to_string(fps) + " fps";
    if (!instants.empty())
        text += ", " + seconds(instants.front()) + " to " + seconds(instants.back()) + " s";
    text += " (" + path + ")\n";
    text += describe("luminance flashes", luminance.results(), instants) +
            describe("red flashes", red.results(), instants);
    const BeatAnswers answers = beatAnswers();
    if (answers.beats == 0) return text;
    char line[160];
    std::snprintf(line, sizeof line,
                  "beats: %d of the %d the level finds answered by a visible change within %d "
                  "ms (%.2f)",
                  answers.answered, answers.beats, beatAnswer::withinMs,
                  static_cast<double>(answers.answered) / answers.beats);
    text += line;
    // Where, for a look at the frames: the first few missed.
    for (size_t i = 0; i < answers.missed.size() && i < 8; ++i) {
        std::snprintf(line, sizeof line, "%s%.3f s", i == 0 ? "; missed at " : ", ",
                      answers.missed[i] / 1000.0);
        text += line;
    }
    if (answers.missed.size() > 8) text += ", ...";
    return text + "\n";
}

BeatAnswers FlashAnalysis::beatAnswers() const {
    return answerBeats(instants, changes, beats);
}
