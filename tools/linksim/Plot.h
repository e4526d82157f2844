// The two pictures of a run, drawn with cairo and written as PNG files.
#pragma once

#include <array>
#include <utility>
#include <string>
#include <vector>

#include "linksim/Analysis.h"

namespace linksim {

struct EyePlotInfo {
    std::string title;
    double bitTime = 0.0;           // seconds, for the time axis in ps
    EyeDiagram::Opening opening;    // drawn as markers when valid
    // Several levels: each eye's opening, marked around its threshold (V).
    std::vector<std::pair<double, EyeDiagram::Opening>> eyes;
};

// Density of the folded eye on a logarithmic colour scale, with the time
// axis in UI and ps, the voltage axis, and the opening markers. Returns an
// empty string on success, else the reason.
std::string WriteEyePng(const std::string& path, const EyeDiagram& eye, const EyePlotInfo& info);

struct ClockPlotInfo {
    std::string title;
    double bitTime = 0.0;      // seconds: the nominal period
    double refPeriod = 0.0;    // seconds
    bool locked = false;
    double lockTime = 0.0;     // seconds
};

// Two panels over the run's time: the recovered clock's period (ps; the
// spread per pixel column and a running mean over 64 periods) and its phase
// against an ideal clock (UI), with the nominal period and the lock time
// marked. edges: clock times in seconds.
std::string WriteClockPng(const std::string& path, const std::vector<double>& edges,
                          const ClockPlotInfo& info);

// Frees the font and cache memory that cairo and fontconfig keep for the
// life of the process, so leak checkers see a clean exit. Call once, after
// the last picture.
void ReleasePlotResources();

}  // namespace linksim

namespace linksim {

// Line charts: one or more panels stacked, each with its own axes and
// series, for the channel's frequency and pulse responses, bathtub curves
// and sweep results.
struct PlotSeries {
    std::vector<double> x, y;  // points with a non-finite y are skipped
    double r = 0.05, g = 0.25, b = 0.65;
    std::string label;
    bool dashed = false;
    bool markers = false;      // a dot at each point as well
    // Points that stand for an upper bound, not a measured value (no error
    // seen: the BER's 95 % bound): drawn as a downward triangle, not a dot,
    // and the legend says so.
    std::vector<bool> upperBound;
};
struct PlotPanel {
    std::string xLabel, yLabel;
    std::vector<PlotSeries> series;
    std::vector<std::pair<double, std::string>> xMarks;  // labelled vertical lines
    std::vector<std::pair<double, std::string>> yMarks;  // labelled horizontal lines
    double yMin = 0.0, yMax = 0.0;                       // fixed range when yMin < yMax
};
// Returns an empty string on success, else the reason.
std::string WritePanelsPng(const std::string& path, const std::string& title, const std::vector<PlotPanel>& panels);

}  // namespace linksim

namespace linksim {

struct Rgb {
    double r, g, b;
};
// The colours of the statistical eye's contours, one per BER level in order
// (1e-3, 1e-6, 1e-9, 1e-12, 1e-15).
const std::array<Rgb, 5>& ContourPalette();


struct StatEye;
// The statistical eye over two unit intervals: the density of the sampled
// signal on a logarithmic colour scale (1 down to 1e-16 per bin) with the
// contours of its BER levels.
std::string WriteStatEyePng(const std::string& path, const StatEye& eye, const std::string& title);

}  // namespace linksim
