// AmiInstance: the per-channel record that lives between AMI_Init and
// AMI_Close. The top-level model comes first, so the handle given to the
// simulator points at the model.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Vantrel {
namespace AMI {

template <class Model>
struct AmiInstance {
    Model model;
    // Every diagnostic of the instance, appended with no separator (each text
    // ends in a blank).
    std::string message;
    // Clock times that did not fit into the caller's clock_times, oldest
    // first, handed out at the start of the next AMI_GetWave call: a ring of
    // fixed size allocated by AMI_Init (see GetWave).
    std::vector<double> carriedClockTimes;
    size_t carriedFirst = 0;
    size_t carriedCount = 0;
    // Clock times lost because the ring was full (the oldest go first).
    unsigned long long droppedClockTimes = 0;
    int samplesPerBit = 0;
    // Copy of `message` as it stood at the end of AMI_Init. It is what *msg
    // points at, and it never moves or changes until AMI_Close, whatever is
    // appended to `message` later.
    std::unique_ptr<char[]> initMessage;
    // True once Setup and Initialize have succeeded; AMI_GetWave refuses to
    // fire a model that was never set up.
    bool ready = false;
    // Link of the library's list of live instances (see EntryPoints).
    AmiInstance* nextLive = nullptr;
};

}  // namespace AMI
}  // namespace Vantrel
