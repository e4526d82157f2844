// The two pictures of a run, drawn with cairo and written as PNG files.
#pragma once

#include <string>
#include <vector>

#include "linksim/Analysis.h"

namespace linksim {

struct EyePlotInfo {
    std::string title;
    double bitTime = 0.0;           // seconds, for the time axis in ps
    EyeDiagram::Opening opening;    // drawn as markers when valid
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
