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
};

ReportPictures WriteReportPictures(const LinkReport& r);
nlohmann::json ReportJson(const LinkReport& r, const ReportPictures& p);
// The JSON written whole and renamed into place; false (with the reason on
// standard error) when it could not be written.
bool WriteReportJson(const LinkReport& r, const ReportPictures& p);
void PrintSummary(const LinkReport& r, const ReportPictures& p);

}  // namespace linksim
