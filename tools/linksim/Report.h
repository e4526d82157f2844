// The report stage: the pictures (eye, recovered clock, statistical eye,
// bathtubs), the JSON summary and the summary on standard output, from what
// the other stages found.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "linksim/BitByBit.h"
#include "linksim/LinkChannel.h"
#include "linksim/LinkModels.h"
#include "linksim/Measurement.h"
#include "linksim/Statistical.h"

namespace linksim {

struct LinkConfig;
struct OutputPaths;

struct LinkReport {
    const LinkConfig& config;
    const OutputPaths& out;
    const LinkChannel& channel;
    const LinkModels& models;
    const BitByBitResult& bitByBit;
    const LinkMeasurement& measurement;
    const LinkStatistics& statistics;
    double analysisSeconds = 0.0;
    double totalSeconds = 0.0;
    bool closeOk = true;
};

// Each picture's failure, empty when it was written (a picture that could
// not be made is removed, so no earlier run's stays behind).
struct ReportPictures {
    std::string eyeError, clockError, statPngError, bathtubPngError;
    // The pictures' data as CSV: written (true) or not (no data, or the
    // file could not be written; then there is none).
    bool eyeCsv = false, statCsv = false, bathtubCsv = false;
};

// The CSV texts: the eye's inner edges per phase bin
// (offset_ui,ones_lowest_v,zeros_highest_v,height_v); the statistical eye's
// contours per phase (offset_ui,contour_ber,upper_v,lower_v); the bathtubs
// (curve,x,x_unit,ber), BER figures floored as in the JSON.
std::string EyeCsv(const EyeDiagram& eye);
std::string StatEyeCsv(const StatEye& eye);
std::string BathtubCsv(const StatEye* stat, const ExtrapolatedEye& extrapolated);

ReportPictures WriteReportPictures(const LinkReport& r);
nlohmann::json ReportJson(const LinkReport& r, const ReportPictures& p);
// The JSON written whole and renamed into place; false (with the reason on
// standard error) when it could not be written.
bool WriteReportJson(const LinkReport& r, const ReportPictures& p);
void PrintSummary(const LinkReport& r, const ReportPictures& p);

}  // namespace linksim
