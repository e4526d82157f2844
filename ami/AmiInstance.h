// AmiInstance: the per-channel record that lives between AMI_Init and
// AMI_Close. The top-level model comes first, so the handle given to the
// simulator points at the model.
#pragma once

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
    // Ring of the latest clock times of one AMI_GetWave call (see GetWave).
    std::vector<double> clockTimes;
    int samplesPerBit = 0;
    // Copy of `message` as it stood at the end of AMI_Init. It is what *msg
    // points at, and it never moves or changes until AMI_Close, whatever is
    // appended to `message` later.
    std::unique_ptr<char[]> initMessage;
    // True once Setup and Initialize have succeeded; AMI_GetWave refuses to
    // fire a model that was never set up.
    bool ready = false;
};

}  // namespace AMI
}  // namespace Vantrel
