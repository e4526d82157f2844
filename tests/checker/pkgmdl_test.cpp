// Package models: complete models in every matrix form and pin count raise
// nothing; each rule has a table of faults with their exact message lines in
// both print styles; the whole-file look-ups find each name once; the real
// package files of the shared corpus raise no finding of these blocks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "checker/keywords.h"
#include "tests/checker/checker_fixture.h"

namespace {

using Lines_t = std::vector<std::string>;

// One matrix of n pins P1..Pn in the given form, from a symmetric matrix
// whose entry (i, j) is value(i, j); Banded_matrix keeps |i - j| <= band.
enum Form { kFull, kBanded, kSparse };
Lines_t Matrix(const std::string& keyword, Form form, int n, int band, double (*value)(int, int))
{
    static const char* const kForm[] = {"Full_matrix", "Banded_matrix", "Sparse_matrix"};
    Lines_t out = {"[" + keyword + "] " + kForm[form]};
    if (form == kBanded) out.push_back("[Bandwidth] " + std::to_string(band));
    char buf[64];
    for (int i = 0; i < n; ++i) {
        out.push_back("[Row] P" + std::to_string(i + 1));
        std::string row;
        const int last = form == kBanded ? std::min(n - 1, i + band) : n - 1;
        for (int j = i; j <= last; ++j) {
            std::snprintf(buf, sizeof buf, "%.6g", value(i, j));
            if (form == kSparse) {
                if (j > i && value(i, j) == 0.0) continue;
                out.push_back("P" + std::to_string(j + 1) + " " + buf);
            } else {
                row += (row.empty() ? "" : " ") + std::string(buf);
            }
        }
        if (form != kSparse) out.push_back(row);
    }
    return out;
}

// A real package's figures: 5 nH self and 1 nH / distance mutual inductance,
// 2 pF loaded and -0.3 pF / distance coupling capacitance, 0.1 ohm.
double Inductance(int i, int j) { return i == j ? 5e-9 : 1e-9 / std::abs(i - j); }
double Capacitance(int i, int j) { return i == j ? 2e-12 : -0.3e-12 / std::abs(i - j); }
double Resistance(int i, int j) { return i == j ? 0.1 : 0.0; }

Lines_t PackageModel(const std::string& name, int n, Form form, int band)
{
    Lines_t out = {"[Define Package Model] " + name, "[Manufacturer] m", "[OEM] o", "[Description] d",
                   "[Number Of Pins] " + std::to_string(n), "[Pin Numbers]"};
    for (int i = 0; i < n; ++i) out.push_back("P" + std::to_string(i + 1));
    out.push_back("[Model Data]");
    for (const Lines_t& m : {Matrix("Resistance Matrix", kBanded, n, 0, Resistance),
                             Matrix("Inductance Matrix", form, n, band, Inductance),
                             Matrix("Capacitance Matrix", form, n, band, Capacitance)})
        out.insert(out.end(), m.begin(), m.end());
    out.insert(out.end(), {"[End Model Data]", "[End Package Model]"});
    return out;
}

Lines_t Header(const std::string& version, const std::string& file)
{
    return {"[IBIS Ver] " + version, "[File Name] " + file, "[File Rev] 1"};
}

Lines_t Cat(std::vector<Lines_t> parts)
{
    Lines_t out;
    for (const Lines_t& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Each case replaces line `at` (from 1) of the reference model below by
// `with` (several lines, or none to delete it).
struct Fault {
    const char* what;
    int at;
    Lines_t with;
    const char* expected;
    int drop = 1;  // lines replaced
};

class PackageModelTest : public CheckerFixture {
protected:
    // The lines of this group's blocks.
    static std::string OwnBlocks(const std::string& out)
    {
        return OnlyCodes(out, {"16", "18", "21", "28", "29", "30", "31", "34", "36", "37", "43", "47", "48", "49"});
    }
    // Each fault applied to the reference, checked in both print styles.
    template <size_t N>
    void RunFaults(const std::vector<std::string>& reference, const Fault (&faults)[N]);
};

TEST_F(PackageModelTest, CompleteModelsOfEveryFormRaiseNothing)
{
    gbOldStyleErrors = 0;
    for (const char* version : {"3.2", "4.2", "5.0"})
        for (int n : {1, 2, 3, 7})
            for (Form form : {kFull, kBanded, kSparse})
                for (int band = 0; band <= (form == kBanded ? n - 1 : 0); ++band) {
                    const std::string what = std::string(version) + " n=" + std::to_string(n) + " form " +
                                             std::to_string(form) + " band " + std::to_string(band);
                    const std::string pkg =
                        Write("p.pkg", Lines(Cat({Header(version, "p.pkg"), PackageModel("pm", n, form, band),
                                                  {"[End]"}})));
                    EXPECT_EQ(Check(pkg, FILE_TYPE_PKG), "") << what;
                    // The same model inside an .ibs file whose component names it.
                    const std::string ibs = Write(
                        "d.ibs", Lines(Cat({Header(version, "d.ibs"),
                                            {"[Component] c", "[Manufacturer] m", "[Package]", "R_pkg 0.1 NA NA",
                                             "L_pkg 1n NA NA", "C_pkg 1p NA NA", "[Pin] signal_name model_name",
                                             "P1 s1 GND", "[Package Model] im"},
                                            PackageModel("im", n, form, band), {"[End]"}})));
                    EXPECT_EQ(OwnBlocks(Check(ibs, FILE_TYPE_IBS)), "") << what << " in an .ibs file";
                }
}

// The reference: 3 pins, R banded, L full, C sparse (lines 1 to 40).
Lines_t Reference()
{
    return {"[IBIS Ver] 3.2", "[File Name] p.pkg", "[File Rev] 1", "[Define Package Model] pm",
            "[Manufacturer] m", "[OEM] o", "[Description] d", "[Number Of Pins] 3", "[Pin Numbers]", "A1", "A2",
            "A3", "[Model Data]", "[Resistance Matrix] Banded_matrix", "[Bandwidth] 0", "[Row] A1", "0.1",
            "[Row] A2", "0.1", "[Row] A3", "0.1", "[Inductance Matrix] Full_matrix", "[Row] A1", "5n 1n 0.5n",
            "[Row] A2", "5n 1n", "[Row] A3", "5n", "[Capacitance Matrix] Sparse_matrix", "[Row] A1", "A1 2p",
            "A2 -0.5p", "[Row] A2", "A2 2p", "A3 -0.5p", "[Row] A3", "A3 2p", "[End Model Data]",
            "[End Package Model]", "[End]"};
}

const Fault kMatrixFaults[] = {
    {"the reference itself", 0, {},
     ""},
    {"a missing row after others", 28, {"|"},
     "E3105 - Row 'A3' of the Inductance Matrix of Package Model 'pm' holds 0 entries, expected 1\n"
     "E3708 - Diagonal entry of pin 'A3' in the Inductance Matrix of Package Model 'pm' must be positive, found 0\n"},
    {"a row left out", 27, {},
     "E3106 (line   27) -\n"
     "    Row 'A2' of the Inductance Matrix holds more than the 2 entries expected\n"
     "E3112 - Row for pin 'A3' missing in the Inductance Matrix of Package Model 'pm'\n"
     "E3708 - Diagonal entry of pin 'A3' in the Inductance Matrix of Package Model 'pm' must be positive, found 0\n"},
    {"row of a pin that is not declared", 27, {"[Row] A4"},
     "E3102 (line   27) - Row 'A4' is not a pin of Pin Numbers of Package Model 'pm'\n"
     "E3112 - Row for pin 'A3' missing in the Inductance Matrix of Package Model 'pm'\n"
     "E3708 - Diagonal entry of pin 'A3' in the Inductance Matrix of Package Model 'pm' must be positive, found 0\n"},
    {"a row given twice", 27, {"[Row] A2"},
     "E3103 (line   27) -\n"
     "    Row 'A2' given twice in the Inductance Matrix of Package Model 'pm'\n"
     "E3112 - Row for pin 'A3' missing in the Inductance Matrix of Package Model 'pm'\n"
     "E3708 - Diagonal entry of pin 'A3' in the Inductance Matrix of Package Model 'pm' must be positive, found 0\n"},
    {"a Full_matrix row one entry short", 24, {"5n 1n"},
     "E3105 - Row 'A1' of the Inductance Matrix of Package Model 'pm' holds 2 entries, expected 3\n"},
    {"a Full_matrix row one entry long", 26, {"5n 1n 1n"},
     "E3106 (line   26) -\n"
     "    Row 'A2' of the Inductance Matrix holds more than the 2 entries expected\n"},
    {"a Banded_matrix row beyond its bandwidth", 19, {"0.1 0.05"},
     "E3106 (line   19) -\n"
     "    Row 'A2' of the Resistance Matrix holds more than the 1 entries expected\n"},
    {"a Banded_matrix without bandwidth", 15, {},
     "E3706 - Banded_matrix Resistance Matrix of Package Model 'pm' has no Bandwidth\n"},
    {"bandwidth after the first row", 15, {"[Row] A1", "0.1", "[Bandwidth] 0"},
     "E3705 (line   17) -\n"
     "    Bandwidth keyword must come before the first Row of its matrix\n"
     "E3103 (line   18) -\n"
     "    Row 'A1' given twice in the Resistance Matrix of Package Model 'pm'\n"},
    {"bandwidth of a Full_matrix", 22, {"[Inductance Matrix] Full_matrix", "[Bandwidth] 1"},
     "E3703 (line   23) - Bandwidth keyword only applies to a Banded_matrix\n"},
    {"bandwidth not below the pin count", 15, {"[Bandwidth] 3"},
     "W3707 (line   15) -\n"
     "    Bandwidth 3 of the Resistance Matrix is not below the pin count 3\n"
     "E3105 - Row 'A1' of the Resistance Matrix of Package Model 'pm' holds 1 entries, expected 3\n"
     "E3105 - Row 'A2' of the Resistance Matrix of Package Model 'pm' holds 1 entries, expected 2\n"},
    {"an unknown matrix form", 22, {"[Inductance Matrix] Diagonal_matrix"},
     "E3700 (line   22) - Unknown matrix form 'Diagonal_matrix'; expected Banded_matrix, Sparse_matrix or Full_matrix\n"
     "E3100 (line   23) - Row keyword outside a matrix of Model Data\n"
     "E3100 (line   25) - Row keyword outside a matrix of Model Data\n"
     "E3100 (line   27) - Row keyword outside a matrix of Model Data\n"},
    {"a matrix given twice", 29, {"[Inductance Matrix] Sparse_matrix"},
     "E3702 (line   29) - Duplicate Inductance Matrix in Package Model 'pm'\n"
     "E3100 (line   30) - Row keyword outside a matrix of Model Data\n"
     "E3100 (line   33) - Row keyword outside a matrix of Model Data\n"
     "E3100 (line   36) - Row keyword outside a matrix of Model Data\n"
     "E3403 - Required keyword 'Capacitance Matrix' not found in Package Model 'pm'\n"},
    {"an asymmetric matrix", 34, {"A1 -0.4p", "A2 2p"},
     "E3110 (line   34) - Column 'A1' lies left of the diagonal in Row 'A2' of the Capacitance Matrix; only the diagonal and the entries to its right are given\n"
     "E3113 - Capacitance Matrix of Package Model 'pm' is not symmetric: [A2,A1] is -4e-13, [A1,A2] is -5e-13\n"},
    {"an entry left of the diagonal without a mirror", 37, {"A1 -0.1p", "A3 2p"},
     "E3110 (line   37) - Column 'A1' lies left of the diagonal in Row 'A3' of the Capacitance Matrix; only the diagonal and the entries to its right are given\n"},
    {"a Sparse_matrix column given twice", 32, {"A2 -0.5p", "A2 -0.5p"},
     "E3109 - Column 'A2' given twice in Row 'A1' of the Capacitance Matrix of Package Model 'pm'\n"},
    {"a Sparse_matrix column that is not a pin", 32, {"A9 -0.5p"},
     "E3108 (line   32) - Column 'A9' in Row 'A1' of the Capacitance Matrix is not a pin of Pin Numbers\n"},
    {"a Sparse_matrix line without its value", 32, {"A2"},
     "E3107 (line   32) -\n"
     "    Sparse_matrix data requires pin name and value pairs, found 1 items\n"},
    {"a digit after the scale letter", 26, {"5n 1n5"},
     "W1910 (line   26) -\n    Suspicious Inductance Matrix Value (\"1n5\"); Numeric in Scale\n"},
    {"a value that is not a number", 26, {"5n x"},
     "E3111 (line   26) - Invalid Inductance Matrix value 'x' in Row 'A2'\n"},
    {"a zero diagonal", 28, {"0"},
     "E3708 - Diagonal entry of pin 'A3' in the Inductance Matrix of Package Model 'pm' must be positive, found 0\n"},
    {"a Sparse_matrix row without its diagonal", 37, {"|"},
     "E3708 - Diagonal entry of pin 'A3' in the Capacitance Matrix of Package Model 'pm' must be positive, found 0\n"},
    {"a negative resistance", 21, {"-0.1"},
     "E3709 - Diagonal entry of pin 'A3' in the Resistance Matrix of Package Model 'pm' is negative (-0.1)\n"},
    {"a positive coupling capacitance", 32, {"A2 0.5p"},
     "W3710 - Capacitance Matrix of Package Model 'pm': coupling [A1,A2] is positive (0.5pF); the Maxwell form has negative couplings\n"},
    {"couplings above the loaded capacitance", 31, {"A1 0.4p"},
     "W3711 - Capacitance Matrix of Package Model 'pm': couplings of pin 'A1' sum to 0.5pF, more than its diagonal 0.4pF\n"},
    {"a mutual inductance as large as the selfs", 24, {"5n 5n 0.5n"},
     "E3712 - Inductance Matrix of Package Model 'pm': coupling [A1,A2] 5nH is not below the geometric mean of its diagonals 5nH\n"},
    {"an inductance no package has", 28, {"2u"},
     "W3713 - Inductance Matrix entry of pin 'A3' in Package Model 'pm': 2000nH above the expected 1000nH\n"},
    {"a capacitance no package has", 37, {"A3 2n"},
     "W3713 - Capacitance Matrix entry of pin 'A3' in Package Model 'pm': 2000pF above the expected 1000pF\n"},
    {"data before the first row", 23, {"5n", "[Row] A1"},
     "E3104 (line   23) - Inductance Matrix data found before its first Row keyword\n"},
};

const Fault kModelFaults[] = {
    {"Number Of Pins disagrees with Pin Numbers", 8, {"[Number Of Pins] 4"},
     "E3406 - Package Model 'pm': Number Of Pins is 4 but Pin Numbers lists 3 pins\n"},
    {"Number Of Pins not a number", 8, {"[Number Of Pins] three"},
     "E3404 (line    8) -\n"
     "    Invalid Number Of Pins 'three'; a positive integer is expected\n"},
    {"a pin listed twice", 12, {"A3", "A1"},
     "E3407 (line   13) - Duplicate pin 'A1' in Pin Numbers of Package Model 'pm'\n"},
    {"no OEM", 6, {},
     "E3403 - Required keyword 'OEM' not found in Package Model 'pm'\n"},
    {"Manufacturer twice", 6, {"[Manufacturer] n"},
     "E3402 (line    6) - Duplicate Manufacturer keyword in Package Model 'pm'\n"
     "E3403 - Required keyword 'OEM' not found in Package Model 'pm'\n"},
    {"no End Model Data", 38, {},
     "E3412 - Model Data of Package Model 'pm' not closed by End Model Data\n"},
    {"no End Package Model", 39, {},
     "E3403 - Required keyword 'End Package Model' not found in Package Model 'pm'\n"},
    {"a matrix outside Model Data", 13, {},
     "E3411 (line   13) -\n"
     "    Resistance Matrix keyword must stand between Model Data and End Model Data\n"
     "E3411 (line   21) -\n"
     "    Inductance Matrix keyword must stand between Model Data and End Model Data\n"
     "E3411 (line   28) -\n"
     "    Capacitance Matrix keyword must stand between Model Data and End Model Data\n"
     "E3413 (line   37) - End Model Data without Model Data\n"
     "W3414 -\n"
     "    Package Model 'pm' has neither Model Data nor section data for its pins\n"},
    {"no Inductance Matrix", 22, {"[End Model Data]", "[End Package Model]", "[End]"},
     "E3403 - Required keyword 'Inductance Matrix' not found in Package Model 'pm'\n"
     "E3403 - Required keyword 'Capacitance Matrix' not found in Package Model 'pm'\n"
     "E0902 (line   25) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   26) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   27) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   28) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   29) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   30) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   31) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   32) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   33) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   34) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   35) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   36) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   37) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   38) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   39) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   40) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   41) - Non-comment line exists after 'End' keyword.\n"
     "E0902 (line   42) - Non-comment line exists after 'End' keyword.\n"},
    {"data under a keyword without data", 7, {"[Description] d", "more"},
     "E3410 (line    8) - Data on this line appears to be for the Description keyword, which does not allow data on subsequent lines.\n"},
    {"a name longer than 40 characters", 4, {"[Define Package Model] " + std::string(41, 'p')},
     "E3401 (line    4) - Package Model name 'ppppppppppppppppppppppppppppppppppppppppp' is longer than 40 characters\n"},
    {"a keyword after End Package Model", 40, {"[Row] A1", "[End]"},
     "E3408 (line   40) -\n"
     "    Package model keyword 'Row' found outside a Define Package Model\n"},
};

// A model described by sections instead of matrices (lines 1 to 15).
Lines_t SectionReference()
{
    return {"[IBIS Ver] 3.2", "[File Name] p.pkg", "[File Rev] 1", "[Define Package Model] ps",
            "[Manufacturer] m", "[OEM] o", "[Description] d", "[Number Of Sections] 3", "[Number Of Pins] 2",
            "[Pin Numbers]", "A1 Len=0 L=0.5n / Len=1.2 L=2n C=0.8p R=0.05 /", "Len = 0 C=0.2p /",
            "A2 Len=0 L=0.5n / Fork Len=0.3 L=2n / Endfork Len=1 L=2n C=1p /", "[End Package Model]", "[End]"};
}

const Fault kSectionFaults[] = {
    {"the reference itself", 0, {}, ""},
    {"Fork not closed", 13, {"A2 Len=0 L=0.5n / Fork Len=0.3 L=2n /"},
     "E3005 (line   14) -\n"
     "    Fork not closed by Endfork in the sections of Package Model 'ps', Pin 'A2'\n"},
    {"Endfork without Fork", 13, {"A2 Len=0 L=0.5n / Endfork"},
     "E3004 (line   13) -\n"
     "    Endfork without Fork in the sections of Package Model 'ps', Pin 'A2'\n"},
    {"Fork inside a section", 13, {"A2 Len=0 L=0.5n Fork / Endfork"},
     "E3006 (line   13) - Fork or Endfork inside an open R/L/C section of Package Model 'ps', Pin 'A2'; close the section with '/' first\n"
     "E3004 (line   13) -\n"
     "    Endfork without Fork in the sections of Package Model 'ps', Pin 'A2'\n"},
    {"a negative value", 12, {"Len = 0 C=-0.2p /"},
     "E3002 (line   12) - C value '-0.2p' is negative in an R/L/C section of Package Model 'ps', Pin 'A1'\n"},
    {"a section without Len", 12, {"C=0.2p /"},
     "E3001 (line   12) - R/L/C section of Package Model 'ps', Pin 'A1' has no Len\n"},
    {"a section with Len only", 12, {"Len=1 /"},
     "W3003 (line   12) -\n"
     "    R/L/C section of Package Model 'ps', Pin 'A1' gives Len but none of L, R, C\n"},
    {"a parameter twice", 12, {"Len=0 C=0.2p C=0.1p /"},
     "E3000 (line   12) -\n"
     "    C given twice in one R/L/C section of Package Model 'ps', Pin 'A1'\n"},
    {"a section left open", 12, {"Len=0 C=0.2p"},
     "E1920 (line   13) - Premature end of R/L/C section\n"},
    {"more sections than Number Of Sections", 8, {"[Number Of Sections] 2"},
     "E3007 -\n"
     "    Package Model 'ps', Pin 'A1' has 3 sections, more than Number Of Sections 2\n"
     "E3007 -\n"
     "    Package Model 'ps', Pin 'A2' has 3 sections, more than Number Of Sections 2\n"},
    {"sections that sum above a package's inductance", 11, {"A1 Len=0 L=0.5n / Len=1.2 L=2u C=0.8p R=0.05 /"},
     "W3008 - Package Model 'ps', Pin 'A1': sections sum to L 2400.5nH, above the expected 1000nH\n"},
    {"an unknown token", 12, {"Len=0 Q=1 /"},
     "E1919 (line   12) - Unexpected token 'Q' found in R/L/C section\n"},
    {"a missing '='", 12, {"Len 0 C=1p /"},
     "E1921 (line   12) - Error parsing R/L/C section. Missing '='\n"},
    {"a section value with a digit after its scale letter", 12, {"Len = 0 C=0.2p5 /"},
     "W1910 (line   12) - Suspicious C Section Value (\"0.2p5\"); Numeric in Scale\n"},
    {"a section value that is not a number", 12, {"Len=0 C=p /"}, "E1922 (line   12) - Illegal number found 'p'\n"},
    {"section data before the first pin", 11, {"Len=0 L=1n /", "A1 Len=0 L=1n /"},
     "E3009 (line   11) - R/L/C section data before the first pin of Pin Numbers in Package Model 'ps'\n"},
    {"neither sections nor matrices", 11, {"A1", "A2"},
     "W3414 -\n"
     "    Package Model 'ps' has neither Model Data nor section data for its pins\n", 3},
};

template <size_t N>
void PackageModelTest::RunFaults(const Lines_t& reference, const Fault (&faults)[N])
{
    for (const Fault& f : faults) {
        Lines_t lines = reference;
        if (f.at > 0) {
            lines.erase(lines.begin() + (f.at - 1), lines.begin() + (f.at - 1 + f.drop));
            lines.insert(lines.begin() + (f.at - 1), f.with.begin(), f.with.end());
        }
        ExpectBothStyles(Write("p.pkg", Lines(lines)), FILE_TYPE_PKG, f.expected, f.what);
    }
}

TEST_F(PackageModelTest, MatrixFaults) { RunFaults(Reference(), kMatrixFaults); }
TEST_F(PackageModelTest, ModelFaults) { RunFaults(Reference(), kModelFaults); }
TEST_F(PackageModelTest, SectionFaults) { RunFaults(SectionReference(), kSectionFaults); }

// An .ibs file's [Package Model] names are found once: in the file, else in
// one .pkg file beside it.
TEST_F(PackageModelTest, PackageModelNamesAreFoundOnce)
{
    const Lines_t component = {"[Component] c", "[Manufacturer] m", "[Package]", "R_pkg 0.1 NA NA",
                               "L_pkg 1n NA NA", "C_pkg 1p NA NA", "[Pin] signal_name model_name", "P1 s1 GND",
                               "[Package Model] pm"};
    const Lines_t model = PackageModel("pm", 1, kFull, 0);
    struct Case {
        const char* what;
        int inIbs;     // definitions in the .ibs file
        int inPkgs;    // .pkg files beside it that define the name
        const char* expected;
        bool alternate = false;  // named by [Alternate Package Models] instead
        int listed = 1;          // times the alternate list names it
    } cases[] = {
        {"in the file only", 1, 0, ""},
        {"in one .pkg file only", 0, 1, ""},
        {"twice in the file", 2, 0, "E3417 - Package Model 'pm' is defined more than once in this file\n"},
        {"in the file and in a .pkg file", 1, 1,
         "E3418 - Package Model 'pm' of Component 'c' is defined both in this file and in 'a.pkg'\n"},
        {"in two .pkg files", 0, 2,
         "E3419 - Package Model 'pm' of Component 'c' is defined 2 times in the .pkg files of its directory\n"},
        {"an alternate in the file and in a .pkg file", 1, 1,
         "E3418 - Package Model 'pm' of Component 'c' is defined both in this file and in 'a.pkg'\n", true},
        {"an alternate listed twice", 1, 0,
         "E1600 -\n    Component 'c': Package Model 'pm' listed twice in Alternate Package Models\n", true, 2},
    };
    gbOldStyleErrors = 0;
    for (const Case& c : cases) {
        Lines_t cmp = component;
        if (c.alternate) {
            cmp.back() = "[Alternate Package Models]";
            for (int i = 0; i < c.listed; ++i) cmp.push_back("pm");
            cmp.push_back("[End Alternate Package Models]");
        }
        std::vector<Lines_t> parts = {Header("5.0", "d.ibs"), cmp};
        for (int i = 0; i < c.inIbs; ++i) parts.push_back(model);
        parts.push_back({"[End]"});
        const std::string ibs = Write("d.ibs", Lines(Cat(parts)));
        for (int i = 0; i < 2; ++i) {
            const std::string name = i == 0 ? "a.pkg" : "b.pkg";
            if (i < c.inPkgs)
                Write(name, Lines(Cat({Header("5.0", name), model, {"[End]"}})));
            else
                std::remove((m_dir + "/" + name).c_str());
        }
        EXPECT_EQ(OwnBlocks(Check(ibs, FILE_TYPE_IBS)), c.expected) << c.what;
    }
}

// The package files of the shared corpus under their original names: the
// Xilinx .pkg file (banded and sparse matrices, 259 pins) and the .ibs file
// with two sparse package models raise nothing of these blocks; the synthetic
// KiCad .pkg file holds a model without electrical data.
TEST_F(PackageModelTest, CorpusPackageModels)
{
    const std::string dir = std::string(AMI_SHARED_DIR) + "/corpus/";
    struct Case {
        const char* stored;
        const char* original;
        int type;
        const char* expected;
    } cases[] = {
        {"roach1_hardware__ff324_5vlx30_ibis.pkg", "ff324_5vlx30_ibis.pkg", FILE_TYPE_PKG, ""},
        {"PunyPi__z11b_sm.ibs", "z11b_sm.ibs", FILE_TYPE_IBS, ""},
        {"kicad-source-mirror__ibis_v3_2.pkg", "ibis_v3_2.pkg", FILE_TYPE_PKG,
         "W3414 -\n    Package Model 'QFN4' has neither Model Data nor section data for its pins\n"},
    };
    if (access((dir + cases[0].stored).c_str(), R_OK) != 0) GTEST_SKIP() << "no corpus at " << dir;
    gbOldStyleErrors = 0;
    for (const Case& c : cases) {
        const std::string link = m_dir + "/" + c.original;
        ASSERT_EQ(symlink((dir + c.stored).c_str(), link.c_str()), 0) << link;
        m_files.push_back(link);
        EXPECT_EQ(OwnBlocks(Check(link, c.type)), c.expected) << c.original;
    }
}

}  // namespace
