// A model chosen from its IBIS-AMI kit: the .ibs file is read by the IBIS
// checker (which also reads and checks the .ami file its [Algorithmic Model]
// names, through the AMI parameter tree parser); the model's Executable line
// for this platform gives the library and the parameter file; the
// parameters, their types, formats and defaults come from the parsed tree.
// Values given on the command line are checked against the parameter's
// Range, List, Value, Corner, Increment or Steps before any library is
// loaded, and the AMI_Init parameter string is built from the defaults and
// those values.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace linksim {

class KitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct AmiParameter {
    std::string name;         // path below the model's root, "Group.Name" for nested ones
    bool reserved = false;    // under Reserved_Parameters
    std::string usage;        // In, Out, Info, InOut
    std::string type;         // Integer, Float, UI, String, Boolean, Tap
    std::string format;       // Value, Range, List, Corner, Increment, Steps, Table, ...
    std::vector<std::string> formatValues;  // the values after the format word
    std::string defaultValue; // "" when there is none
    std::string description;

    // The value passed when the command line gives none: Default, else the
    // typical value of the format (the first value after its word).
    std::string Initial() const;
    // Sent to the model in AMI_Init (Usage In or InOut, not reserved).
    bool Sent() const { return !reserved && (usage == "In" || usage == "InOut"); }
};

struct ModelKit {
    std::string ibsPath;      // absolute
    std::string model;        // the [Model] name
    std::string root;         // the .ami tree's root name (the parameter string's head)
    std::string executable;   // the Executable line chosen, e.g. "Linux_gcc_64"
    std::string library;      // absolute path of the code file
    std::string amiFile;      // absolute path of the parameter file
    std::vector<AmiParameter> params;
    unsigned long checkerErrors = 0, checkerWarnings = 0;
    std::string checkerReport;  // the checker's findings, as it prints them

    const AmiParameter* Find(const std::string& name) const;
};

// Reads the kit; throws KitError with the reason (file unreadable, no such
// model, no [Algorithmic Model], no Executable for this platform, missing
// code or parameter file, a parameter file the parser refuses).
ModelKit LoadModelKit(const std::string& ibsPath, const std::string& model);

// The parameters of a parameter file read alone (no .ibs, no library):
// what the built-in models' .ami files beside their libraries declare, for
// checking values before a run. Throws KitError with the reason.
ModelKit LoadAmiFile(const std::string& amiPath);

// Empty when `value` is allowed for the parameter, else the reason, naming
// the allowed values.
std::string CheckParameterValue(const AmiParameter& p, const std::string& value);
// "0 to 31", "one of 0 1 2", "any Float" ...
std::string AllowedValues(const AmiParameter& p);

// "(root (name value) ...)" from every sent parameter's initial value, with
// `values` (name -> value) in place of those. Names with a '.' become
// nested branches; strings are double-quoted.
std::string KitParameterString(const ModelKit& kit, const std::map<std::string, std::string>& values);

// A table of the model's parameters for --list-params.
std::string DescribeParameters(const ModelKit& kit);

}  // namespace linksim
