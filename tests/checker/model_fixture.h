// Shared pieces of the model-keyword tests: a file of one IBIS version whose
// header takes lines 1 to 5, so that the lines under test start at line 6,
// and complete model sections that raise nothing by themselves.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/checker/checker_fixture.h"

namespace model_test {

using LineList = std::vector<std::string>;

inline LineList Cat(std::initializer_list<LineList> parts)
{
    LineList out;
    for (const LineList& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A complete component that raises nothing by itself (8 lines).
inline LineList Component()
{
    return {"[Component] c", "[Manufacturer] m", "[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA",
            "C_pkg 1p NA NA", "[Pin] signal_name model_name", "1 VDD POWER"};
}

// Header of lines 1 to 5, the given lines from line 6 on, a complete
// component, then [End].
inline LineList File(const std::string& version, const LineList& body)
{
    return Cat({{"[IBIS Ver] " + version, "[File Name] a.ibs", "[File Rev] 1.0", "[Date] today",
                 "[Source] tests"},
                body, Component(),
                {"[End]"}});
}

// A complete Output model (8 lines).
inline LineList Output(const std::string& name)
{
    return {"[Model] " + name, "Model_type Output", "Vmeas = 0.9", "C_comp 2p 1.5p 2.5p",
            "[Voltage Range] 1.8 1.7 1.9", "[Ramp]", "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n",
            "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n"};
}

// A complete Input model (6 lines).
inline LineList Input(const std::string& name)
{
    return {"[Model] " + name, "Model_type Input", "Vinl = 0.8", "Vinh = 2.0", "C_comp 1p 1p 1p",
            "[Voltage Range] 5 4.5 5.5"};
}

// The I-V tables of the 1.8 V Output model above (8 lines): pull-down and
// pull-up of 20, 22.5 and 18 ohms (typ, min, max) from -1.8 V to 3.6 V.
inline LineList DriverTables()
{
    return {"[Pulldown]", "-1.8 -90m -80m -100m", "0 0 0 0", "3.6 180m 160m 200m",
            "[Pullup]",   "-1.8 90m 80m 100m",    "0 0 0 0", "3.6 -180m -160m -200m"};
}

// The ramp of an output model (3 lines).
inline LineList Ramp() { return {"[Ramp]", "dV/dt_r 1.2/0.5n 1.0/0.6n 1.4/0.4n", "dV/dt_f 1.2/0.5n 1.0/0.6n 1.4/0.4n"}; }

// Header of lines 1 to 3, the body from line 4 on, then [End].
inline LineList Ibs(const std::string& version, const LineList& body)
{
    return Cat({{"[IBIS Ver] " + version, "[File Name] a.ibs", "[File Rev] 1.0"}, body, {"[End]"}});
}

const LineList kPackage = {"[Package]", "R_pkg 0.1 NA NA", "L_pkg 1n NA NA", "C_pkg 1p NA NA"};

// A component of the given [Pin] lines (and what follows them), with
// manufacturer and package (6 lines before them).
inline LineList Cmp(const LineList& pins, const std::string& name = "c")
{
    return Cat({{"[Component] " + name, "[Manufacturer] m"}, kPackage, pins});
}

// One case: the lines after the header, the version, the messages expected
// in the numbered style, and whether cautions are printed.
struct Case {
    const char* what;
    const char* version;
    LineList body;
    const char* expected;
    bool cautions = false;
};

class ModelKeywordTest : public CheckerFixture {
protected:
    // The cases of one keyword group's rules run with the whole-file
    // plausibility and DC checks off, unless asked for.
    void Run(const Case* cases, size_t n, bool plausibilityAndDc = false)
    {
        PlausibilityAndDcChecks(plausibilityAndDc);
        for (size_t i = 0; i < n; ++i) {
            const Case& c = cases[i];
            gbSuppressCautions = c.cautions ? 0 : 1;
            ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(File(c.version, c.body))), FILE_TYPE_IBS,
                             c.expected, c.what);
        }
        gbSuppressCautions = 1;
    }
    // The same with the bodies put into Ibs() files (the caller writes the
    // whole file after the three header lines).
    void RunIbs(const Case* cases, size_t n, bool plausibilityAndDc = false)
    {
        PlausibilityAndDcChecks(plausibilityAndDc);
        for (size_t i = 0; i < n; ++i) {
            const Case& c = cases[i];
            gbSuppressCautions = c.cautions ? 0 : 1;
            ExpectBothStyles(Write("a.ibs", CheckerFixture::Lines(Ibs(c.version, c.body))), FILE_TYPE_IBS,
                             c.expected, c.what);
        }
        gbSuppressCautions = 1;
    }
};

}  // namespace model_test
