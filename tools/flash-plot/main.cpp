// flash-plot: draws flash reports of demo-capture --flash-report as one picture, a panel a report,
// each over the whole timeline: the picture's mean relative luminance, flashes a second, and where
// frames fail the limits or flash for too long.
//   flash-plot -o PLOT.png TITLE=REPORT.csv...
#include <algorithm>
#include <cairo.h>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Row {
    double seconds;
    double luminance;
    double flashes; // transitions in the second up to the frame, halved
    std::string result;
    double redFlashes;
    std::string redResult;
};

struct Report {
    std::string title;
    std::vector<Row> rows;
};

bool readReport(const std::string& path, Report& report, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    std::getline(in, line);
    if (line.rfind("time_ms,luminance,flash_area,transitions_1s,result,", 0) != 0) {
        error = path + " is not a flash report";
        return false;
    }
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string f[9];
        for (std::string& field : f) std::getline(fields, field, ',');
        try {
            report.rows.push_back(Row{std::stod(f[0]) / 1000, std::stod(f[1]), std::stod(f[3]) / 2,
                                      f[4], std::stod(f[7]) / 2, f[8]});
        } catch (const std::exception&) {
            error = path + ": a row that is not numbers: " + line;
            return false;
        }
    }
    if (report.rows.empty()) {
        error = path + " has no frames";
        return false;
    }
    return true;
}

bool failing(const std::string& result) {
    return result == "fail" || result == "extended";
}

// Whole seconds holding a frame of this result, either kind of flash.
int secondsWith(const Report& report, const char* result) {
    std::set<int> seconds;
    for (const Row& row : report.rows)
        if (row.result == result || row.redResult == result)
            seconds.insert(static_cast<int>(row.seconds));
    return static_cast<int>(seconds.size());
}

constexpr double width = 1200, panelHeight = 260, left = 56, right = 56, top = 34, bottom = 30;
constexpr double timelineSeconds = 136, mostFlashes = 8;

void text(cairo_t* cr, double x, double y, const std::string& s, double size, double alignX = 0) {
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, s.c_str(), &extents);
    cairo_move_to(cr, x - alignX * extents.x_advance, y);
    cairo_show_text(cr, s.c_str());
}

void drawPanel(cairo_t* cr, const Report& report, double y0) {
    const double plotW = width - left - right, plotH = panelHeight - top - bottom;
    const auto px = [&](double seconds) { return left + plotW * seconds / timelineSeconds; };
    const auto pyLuminance = [&](double l) { return y0 + top + plotH * (1 - l); };
    const auto pyFlashes = [&](double f) {
        return y0 + top + plotH * (1 - std::min(f, mostFlashes) / mostFlashes);
    };

    // Frames that fail (more than 3 flashes a second) or flash for too long, as bands.
    const double frameWidth = plotW / timelineSeconds / 60 + 0.5;
    for (const Row& row : report.rows) {
        const bool fail = row.result == "fail" || row.redResult == "fail";
        if (!fail && !failing(row.result) && !failing(row.redResult)) continue;
        cairo_set_source_rgb(cr, fail ? 0.45 : 0.40, fail ? 0.10 : 0.25, 0.08);
        cairo_rectangle(cr, px(row.seconds), y0 + top, frameWidth, plotH);
        cairo_fill(cr);
    }
    // Frame and the limits: 3 flashes a second fails, 2 warns.
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
    cairo_rectangle(cr, left, y0 + top, plotW, plotH);
    cairo_stroke(cr);
    const double dashes[] = {6, 4};
    cairo_set_dash(cr, dashes, 2, 0);
    for (const double limit : {2.0, 3.0}) {
        cairo_set_source_rgb(cr, limit == 3.0 ? 0.95 : 0.85, limit == 3.0 ? 0.35 : 0.65, 0.2);
        cairo_move_to(cr, left, pyFlashes(limit));
        cairo_line_to(cr, left + plotW, pyFlashes(limit));
        cairo_stroke(cr);
    }
    cairo_set_dash(cr, nullptr, 0, 0);

    const auto curve = [&](auto value, auto scale, double r, double g, double b, double lineW) {
        cairo_set_source_rgb(cr, r, g, b);
        cairo_set_line_width(cr, lineW);
        bool first = true;
        for (const Row& row : report.rows) {
            const double x = px(row.seconds), y = scale(value(row));
            if (first)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
            first = false;
        }
        cairo_stroke(cr);
    };
    curve([](const Row& r) { return r.luminance; }, pyLuminance, 0.85, 0.85, 0.85, 1);
    curve([](const Row& r) { return std::max(r.flashes, r.redFlashes); }, pyFlashes, 0.35, 0.75,
          1.0, 1.5);

    // Axes: seconds below, luminance on the left, flashes a second on the right.
    cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
    for (int s = 0; s <= 136; s += 10)
        text(cr, px(s), y0 + panelHeight - 12, std::to_string(s), 11, 0.5);
    for (int l = 0; l <= 4; ++l) {
        char label[16];
        std::snprintf(label, sizeof label, "%.2g", l / 4.0);
        text(cr, left - 6, pyLuminance(l / 4.0) + 4, label, 11, 1);
    }
    for (int f = 0; f <= mostFlashes; f += 2)
        text(cr, left + plotW + 6, pyFlashes(f) + 4, std::to_string(f), 11);

    const int failingSeconds = secondsWith(report, "fail");
    const int extendedSeconds = secondsWith(report, "extended");
    std::string verdict = failingSeconds + extendedSeconds == 0
                              ? "passes: no failing or extended-flashing frame"
                              : "fails: more than 3 flashes a second in " +
                                    std::to_string(failingSeconds) + " s, extended flashing in " +
                                    std::to_string(extendedSeconds) + " s";
    cairo_set_source_rgb(cr, 1, 1, 1);
    text(cr, left, y0 + 22, report.title + " \u2014 " + verdict, 15);
}

} // namespace

int main(int argc, char** argv) {
    std::string output;
    std::vector<Report> reports;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-o" && i + 1 < argc) {
            output = argv[++i];
            continue;
        }
        const size_t equals = argument.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "usage: flash-plot -o PLOT.png TITLE=REPORT.csv...\n");
            return 2;
        }
        Report report;
        report.title = argument.substr(0, equals);
        std::string error;
        if (!readReport(argument.substr(equals + 1), report, error)) {
            std::fprintf(stderr, "flash-plot: %s\n", error.c_str());
            return 1;
        }
        reports.push_back(std::move(report));
    }
    if (output.empty() || reports.empty()) {
        std::fprintf(stderr, "usage: flash-plot -o PLOT.png TITLE=REPORT.csv...\n");
        return 2;
    }
    const double legendHeight = 26;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width),
                                   static_cast<int>(panelHeight * reports.size() + legendHeight));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.07, 0.07, 0.08);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    for (size_t i = 0; i < reports.size(); ++i) drawPanel(cr, reports[i], panelHeight * i);

    const double y = panelHeight * reports.size() + 16;
    cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
    text(cr, left, y, "grey: mean relative luminance (left axis)", 12);
    cairo_set_source_rgb(cr, 0.35, 0.75, 1.0);
    text(cr, left + 300, y, "blue: flashes in the second up to each frame (right axis)", 12);
    cairo_set_source_rgb(cr, 0.95, 0.5, 0.3);
    text(cr, left + 690, y, "dashed: 2 and 3 a second; bands: failing and extended frames", 12);

    const cairo_status_t written = cairo_surface_write_to_png(surface, output.c_str());
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    if (written != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "flash-plot: cannot write %s: %s\n", output.c_str(),
                     cairo_status_to_string(written));
        return 1;
    }
    return 0;
}
