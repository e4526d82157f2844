// IBIS versions as data: the known versions, the keyword table and the
// sub-parameters and enumerations of the newer versions.
#include "checker/ver.h"

#include <string>

#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "checker/keywords.h"

namespace {

// The known versions, oldest first. lineMax: longest line; mixedCase: file
// names may carry upper-case letters, several periods and a relative
// subdirectory path; nameMax: longest file name; modelNameMax: longest
// model, signal, selector and test load name; waveRowsMax: most rows of a
// waveform table. 7.0 lifted the lower-case
// and same-folder rules and raised the length limits; the new numbers could
// not be confirmed here, so from 7.0 on only the frame's own bound
// (CMN_MAX_FILENAME) applies rather than risk a false error.
struct Version {
  int level;
  const char* name;
  int lineMax;
  bool mixedCase;
  int nameMax;
  int modelNameMax;
  int waveRowsMax;
};

const Version s_aVersions[] = {
    {20, "2.0", 80, false, 12, 20, 100},     {21, "2.1", 80, false, 12, 20, 100},
    {30, "3.0", 80, false, 24, 20, 100},     {31, "3.1", 80, false, 24, 20, 100},
    {32, "3.2", 80, false, 24, 20, 100},     {40, "4.0", 120, false, 44, 40, 1000},
    {41, "4.1", 120, false, 44, 40, 1000},   {42, "4.2", 120, false, 44, 40, 1000},
    {50, "5.0", 120, false, 44, 40, 1000},   {51, "5.1", 120, false, 44, 40, 1000},
    {60, "6.0", 120, false, 44, 40, 1000},   {61, "6.1", 120, false, 44, 40, 1000},
    {70, "7.0", 120, true, 1024, 40, 1000},  {71, "7.1", 120, true, 1024, 40, 1000},
    {72, "7.2", 120, true, 1024, 40, 1000},
};

const Version* s_find(int level) {
  for (const Version& v : s_aVersions)
    if (v.level == level) return &v;
  return nullptr;
}

// The newest known version not above a level (the oldest when none).
const Version& s_atOrBelow(int level) {
  const Version* best = &s_aVersions[0];
  for (const Version& v : s_aVersions)
    if (v.level <= level) best = &v;
  return *best;
}

// Keyword table, by keyword number: the name as recognised (blanks read as
// underscores), the level that brought it, and the level that retired it.
// Level 0 marks the second entry of a name that stands twice: it is never
// matched directly, the frame's context rules produce it. Recognition scans
// in number order, so the first entry of a doubled name is the one found.
// Levels up to 5.0 are the table the old grouping reads (21, 32, 42, 50).
struct Keyword {
  const char* name;
  unsigned char introduced;
  unsigned char retired;
};

const Keyword s_aKeywords[KW_COUNT] = {
    {"IBIS_VER", 21, 0}, {"COMMENT_CHAR", 21, 0}, {"FILE_NAME", 21, 0}, {"FILE_REV", 21, 0},
    {"DATE", 21, 0}, {"SOURCE", 21, 0}, {"NOTES", 21, 0}, {"DISCLAIMER", 21, 0},
    {"COPYRIGHT", 21, 0},
    // component
    {"COMPONENT", 21, 0}, {"MANUFACTURER", 21, 0}, {"PACKAGE", 21, 0}, {"PIN", 21, 0},
    {"PACKAGE_MODEL", 21, 0}, {"PIN_MAPPING", 21, 0}, {"DIFF_PIN", 21, 0},
    {"SERIES_SWITCH_GROUPS", 32, 0}, {"SERIES_PIN_MAPPING", 32, 0},
    {"ALTERNATE_PACKAGE_MODELS", 42, 0}, {"END_ALTERNATE_PACKAGE_MODELS", 42, 0},
    {"NODE_DECLARATIONS", 42, 0}, {"END_NODE_DECLARATIONS", 42, 0},
    {"CIRCUIT_CALL", 42, 0}, {"END_CIRCUIT_CALL", 42, 0},
    // external circuit
    {"EXTERNAL_CIRCUIT", 42, 0}, {"END_EXTERNAL_CIRCUIT", 42, 0},
    // component EMI
    {"BEGIN_EMI_COMPONENT", 50, 0}, {"END_EMI_COMPONENT", 50, 0}, {"PIN_EMI", 50, 0},
    {"PIN_DOMAIN_EMI", 50, 0},
    // model
    {"MODEL", 21, 0}, {"TEMPERATURE_RANGE", 21, 0}, {"VOLTAGE_RANGE", 21, 0},
    {"PULLUP_REFERENCE", 21, 0}, {"PULLDOWN_REFERENCE", 21, 0},
    {"POWER_CLAMP_REFERENCE", 21, 0}, {"GND_CLAMP_REFERENCE", 21, 0},
    {"PULLDOWN", 21, 0}, {"PULLUP", 21, 0}, {"GND_CLAMP", 21, 0}, {"POWER_CLAMP", 21, 0},
    {"RGND", 21, 0}, {"RPOWER", 21, 0}, {"RAC", 21, 0}, {"CAC", 21, 0}, {"RAMP", 21, 0},
    {"RISING_WAVEFORM", 21, 0}, {"FALLING_WAVEFORM", 21, 0},
    {"EXTERNAL_REFERENCE", 32, 0}, {"TTGND", 32, 0}, {"TTPOWER", 32, 0},
    {"MODEL_SPEC", 32, 0}, {"DRIVER_SCHEDULE", 32, 0}, {"ON", 32, 0}, {"OFF", 32, 0},
    {"R_SERIES", 32, 0}, {"L_SERIES", 32, 0}, {"RL_SERIES", 32, 0}, {"C_SERIES", 32, 0},
    {"LC_SERIES", 32, 0}, {"RC_SERIES", 32, 0}, {"SERIES_CURRENT", 32, 0},
    {"SERIES_MOSFET", 32, 0}, {"ADD_SUBMODEL", 32, 0},
    {"EXTERNAL_MODEL", 42, 0}, {"END_EXTERNAL_MODEL", 42, 0},
    {"RECEIVER_THRESHOLDS", 42, 0},
    {"ALGORITHMIC_MODEL", 50, 0}, {"END_ALGORITHMIC_MODEL", 50, 0}, {"ISSO_PD", 50, 0},
    {"ISSO_PU", 50, 0}, {"COMPOSITE_CURRENT", 50, 0}, {"BEGIN_EMI_MODEL", 50, 0},
    {"END_EMI_MODEL", 50, 0},
    // package model
    {"DEFINE_PACKAGE_MODEL", 21, 0}, {"MANUFACTURER", 0, 0}, {"OEM", 21, 0},
    {"DESCRIPTION", 21, 0}, {"NUMBER_OF_PINS", 21, 0}, {"PIN_NUMBERS", 21, 0},
    {"MODEL_DATA", 21, 0}, {"RESISTANCE_MATRIX", 21, 0}, {"INDUCTANCE_MATRIX", 21, 0},
    {"CAPACITANCE_MATRIX", 21, 0}, {"BANDWIDTH", 21, 0}, {"ROW", 21, 0},
    {"END_MODEL_DATA", 21, 0}, {"END_PACKAGE_MODEL", 21, 0},
    {"NUMBER_OF_SECTIONS", 32, 0},
    // board description
    {"BEGIN_BOARD_DESCRIPTION", 32, 0}, {"MANUFACTURER", 0, 0},
    {"NUMBER_OF_PINS", 0, 0}, {"PIN_LIST", 32, 0}, {"PATH_DESCRIPTION", 32, 0},
    {"REFERENCE_DESIGNATOR_MAP", 32, 0}, {"END_BOARD_DESCRIPTION", 32, 0},
    // model selector
    {"MODEL_SELECTOR", 32, 0},
    // submodel
    {"SUBMODEL", 32, 0}, {"SUBMODEL_SPEC", 32, 0}, {"GND_PULSE_TABLE", 32, 0},
    {"POWER_PULSE_TABLE", 32, 0}, {"PULLDOWN", 0, 0}, {"PULLUP", 0, 0},
    {"GND_CLAMP", 0, 0}, {"POWER_CLAMP", 0, 0}, {"RAMP", 0, 0},
    {"RISING_WAVEFORM", 0, 0}, {"FALLING_WAVEFORM", 0, 0},
    // test data
    {"TEST_DATA", 42, 0}, {"RISING_WAVEFORM_NEAR", 42, 0}, {"RISING_WAVEFORM_FAR", 42, 0},
    {"FALLING_WAVEFORM_NEAR", 42, 0}, {"FALLING_WAVEFORM_FAR", 42, 0},
    {"DIFF_RISING_WAVEFORM_NEAR", 42, 0}, {"DIFF_RISING_WAVEFORM_FAR", 42, 0},
    {"DIFF_FALLING_WAVEFORM_NEAR", 42, 0}, {"DIFF_FALLING_WAVEFORM_FAR", 42, 0},
    // test load
    {"TEST_LOAD", 42, 0},
    // component tables of 6.0 and later
    {"REPEATER_PIN", 60, 0}, {"CLOCK_PINS", 71, 0}, {"BUS_LABEL", 70, 0},
    {"DIE_SUPPLY_PADS", 70, 0}, {"INTERCONNECT_MODEL_GROUP", 70, 0},
    {"END_INTERCONNECT_MODEL_GROUP", 70, 0},
    // interconnect model sets
    {"INTERCONNECT_MODEL_SET", 70, 0}, {"END_INTERCONNECT_MODEL_SET", 70, 0},
    {"INTERCONNECT_MODEL", 70, 0}, {"END_INTERCONNECT_MODEL", 70, 0},
    {"MANUFACTURER", 0, 0}, {"DESCRIPTION", 0, 0},
    // model and submodel
    {"INITIAL_DELAY", 61, 0},
    {"END", 21, 0},
    {"NOT_KEY", 0, 0},
};

// Sub-parameters and enumeration values that arrived after the first
// table of their group, by the group that reads them. As in the keyword
// table, levels up to 5.0 name the old table that first holds the item
// (3.2, 4.2 or 5.0), since files up to 5.0 are read with those tables.
struct Item {
  const char* group;
  const char* name;
  int introduced;
};

const Item s_aItems[] = {
    // [Model] Model_type values beyond those of the 2.1 table.
    {"Model_type", "Series", 32},
    {"Model_type", "Series_switch", 32},
    {"Model_type", "3-state_ECL", 32},
    {"Model_type", "I/O_diff", 42},
    {"Model_type", "Output_diff", 42},
    {"Model_type", "3-state_diff", 42},
    {"Model_type", "Input_diff", 42},
    // [Model] sub-parameters beyond those of the 3.2 table.
    {"Model", "Rref_diff", 42},
    {"Model", "Cref_diff", 42},
    {"Model", "C_comp_pullup", 42},
    {"Model", "C_comp_pulldown", 42},
    {"Model", "C_comp_power_clamp", 42},
    {"Model", "C_comp_gnd_clamp", 42},
    // [Model Spec] sub-parameters beyond those of the 3.2 table.
    {"Model Spec", "Vref", 42},
    {"Model Spec", "Rref", 42},
    {"Model Spec", "Cref", 42},
    {"Model Spec", "Rref_diff", 42},
    {"Model Spec", "Cref_diff", 42},
    {"Model Spec", "Vref_rising", 42},
    {"Model Spec", "Vref_falling", 42},
    {"Model Spec", "Cref_rising", 42},
    {"Model Spec", "Cref_falling", 42},
    {"Model Spec", "Rref_rising", 42},
    {"Model Spec", "Rref_falling", 42},
    {"Model Spec", "Vmeas_rising", 42},
    {"Model Spec", "Vmeas_falling", 42},
    {"Model Spec", "D_overshoot_amp_h", 50},
    {"Model Spec", "D_overshoot_amp_l", 50},
    {"Model Spec", "D_overshoot_area_h", 50},
    {"Model Spec", "D_overshoot_area_l", 50},
    // Submodel_type values beyond those of the 3.2 table.
    {"Submodel_type", "Fall_back", 42},
    // [Component] sub-parameters, none in the 2.1 table.
    {"Component", "Si_location", 32},
    {"Component", "Timing_location", 32},
    // The sixth [Pin Mapping] column.
    {"Pin Mapping", "ext_ref", 42},
    {"Language", "IBIS-ISS", 60},
    {"Repeater Pin", "tx_non_inv_pin", 60},
    {"Clock Pins", "clocked_pins", 71},
    {"Clock Pins", "relationship", 71},
    {"Interconnect Model", "File_IBIS-ISS", 70},
    {"Interconnect Model", "File_TS", 70},
    {"Interconnect Model", "Param", 70},
    {"Interconnect Model", "Unused_port_termination", 70},
    {"Interconnect Model", "Number_of_terminals", 70},
    // A POWER or GND pin missing from [Pin Mapping] takes its signal name as
    // its bus label.
    {"Pin Mapping", "supply pin bus label default", 70},
    // Model types that may not carry an [Algorithmic Model]: the ban holds
    // from the level given (BIRD 148, adopted January 2012 for 5.1).
    {"Algorithmic Model banned Model_type", "Terminator", 51},
    {"Algorithmic Model banned Model_type", "Series", 51},
    {"Algorithmic Model banned Model_type", "Series_switch", 51},
};

bool s_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

extern "C" {

int VER_Level(const char* pszText, int* pbKnown) {
  if (pbKnown) *pbKnown = 0;
  if (!pszText) return 0;
  for (const Version& v : s_aVersions)
    if (strcmp(pszText, v.name) == 0) {
      if (pbKnown) *pbKnown = 1;
      return v.level;
    }
  // d, d.d or d.dd...: the newest known version not above it.
  if (!s_digit(pszText[0]) || s_digit(pszText[1])) return 0;
  const int major = pszText[0] - '0';
  int minor = 0;
  if (pszText[1] == '.') {
    if (!s_digit(pszText[2])) return 0;
    minor = pszText[2] - '0';
  } else if (pszText[1]) {
    return 0;
  }
  if (major < 2) return 0;
  const int level = major * 10 + minor;
  const int old = VER_ForMajor(major);
  const int known = s_atOrBelow(level).level;
  return known > old ? known : (old ? old : known);
}

int VER_ForMajor(int iMajor) {
  switch (iMajor) {
    case 2: return 21;
    case 3: return 32;
    case 4: return 42;
    case 5: return VER_LEVEL_50;
    default: return 0;
  }
}

const char* VER_List(void) {
  static const std::string list = [] {
    std::string l;
    for (const Version& v : s_aVersions) l += (l.empty() ? "" : ", ") + std::string(v.name);
    return l;
  }();
  return list.c_str();
}

const char* VER_Name(int iLevel) {
  const Version* v = s_find(iLevel);
  return v ? v->name : "";
}

int VER_IsNewVersion(const char* pszText) {
  int known = 0;
  const int level = VER_Level(pszText, &known);
  return known && level > VER_LEVEL_50;
}

int VER_LineMax(int iLevel) { return s_atOrBelow(iLevel).lineMax; }

int VER_FileNamesMixedCase(int iLevel) { return s_atOrBelow(iLevel).mixedCase ? 1 : 0; }

int VER_FileNameMax(int iLevel) { return s_atOrBelow(iLevel).nameMax; }

int VER_NameMax(int iLevel) { return s_atOrBelow(iLevel).modelNameMax; }

int VER_WaveformRowsMax(int iLevel) { return s_atOrBelow(iLevel).waveRowsMax; }

const char* VER_KeywordName(int iKeyword) {
  if (iKeyword < 0 || iKeyword >= KW_COUNT) return "NOT_KEY";
  return s_aKeywords[iKeyword].name;
}

int VER_KeywordIntroduced(int iKeyword) {
  if (iKeyword < 0 || iKeyword >= KW_COUNT) return 0;
  return s_aKeywords[iKeyword].introduced;
}

int VER_KeywordRetired(int iKeyword) {
  if (iKeyword < 0 || iKeyword >= KW_COUNT) return 0;
  return s_aKeywords[iKeyword].retired;
}

int VER_KeywordAllowed(int iKeyword, int iLevel) {
  const int from = VER_KeywordIntroduced(iKeyword);
  const int until = VER_KeywordRetired(iKeyword);
  return from != 0 && from <= iLevel && (until == 0 || iLevel < until);
}

int VER_ItemIntroduced(const char* pszGroup, const char* pszName) {
  if (!pszGroup || !pszName) return 0;
  for (const Item& it : s_aItems)
    if (strcasecmp(it.group, pszGroup) == 0 && strcasecmp(it.name, pszName) == 0) return it.introduced;
  return 0;
}

int VER_ItemAllowed(const char* pszGroup, const char* pszName, int iLevel) {
  const int from = VER_ItemIntroduced(pszGroup, pszName);
  return from != 0 && from <= iLevel;
}

int VER_ItemKnown(const char* pszGroup, const char* pszName, int iLevel) {
  const int from = VER_ItemIntroduced(pszGroup, pszName);
  return from == 0 || from <= iLevel;
}

}  // extern "C"
