// AMI parameter files by AMI version: the version table of the reserved
// parameters, the grammar of 5.1 and later, and the value checks.
#include "checker/amiver.h"

#include <string.h>

#include <set>

#include "base/errlog.h"

using Vantrel::AMI::ParamDef;
using Vantrel::AMI::ParamTable;

namespace {

int s_iIbsVersion = 0;

const int s_kKnown[] = {51, 60, 61, 70, 71, 72};

// Groups of parameters nest no deeper than this in the checks below; real
// files nest a few levels, and a text may nest as deep as it likes.
const int s_kMaxDepth = 64;

// One reserved parameter: the version that added it (and the one that
// retired it), the Usage, Type and Format words it allows (blank-separated)
// and, where the values are words, the words allowed. confirmed: the
// version that added it is confirmed by the published documents; a use
// before that version is then an error, otherwise a warning.
struct ReservedRule {
    const char* name;
    int since;
    int until;  // 0: still current
    const char* usages;
    const char* types;
    const char* formats;
    const char* values;  // null: any value of the Type
    bool confirmed;
};

const char* const kJitterFormats = "Value Range Corner";
const char* const kPdfFormats = "Gaussian Dual-Dirac DjRj Table";

const ReservedRule s_aRules[] = {
    {"AMI_Version", 51, 0, "Info", "String", "Value", nullptr, true},
    {"Init_Returns_Impulse", 50, 0, "Info", "Boolean", "Value", nullptr, true},
    {"GetWave_Exists", 50, 0, "Info", "Boolean", "Value", nullptr, true},
    {"Use_Init_Output", 50, 51, "Info", "Boolean", "Value", nullptr, true},
    {"Max_Init_Aggressors", 50, 0, "Info", "Integer", "Value", nullptr, true},
    {"Ignore_Bits", 50, 0, "Info Out", "Integer", "Value", nullptr, true},
    {"Tx_Jitter", 50, 0, "Info Out", "Float UI", kPdfFormats, nullptr, true},
    {"Rx_Clock_PDF", 50, 0, "Info Out", "Float UI", kPdfFormats, nullptr, true},
    {"Tx_DCD", 50, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Receiver_Sensitivity", 50, 0, "Info Out", "Float", kJitterFormats, nullptr, true},
    {"Tx_Rj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Tx_Dj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Tx_Sj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Tx_Sj_Frequency", 60, 0, "Info Out", "Float", kJitterFormats, nullptr, true},
    {"Rx_DCD", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Rj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Dj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Sj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Clock_Recovery_Mean", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Clock_Recovery_Rj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Clock_Recovery_Dj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Clock_Recovery_Sj", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Clock_Recovery_DCD", 60, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_Noise", 60, 0, "Info Out", "Float", kJitterFormats, nullptr, true},
    {"Repeater_Type", 60, 0, "Info", "String", "Value", "Redriver Retimer", true},
    {"Resolve_Exists", 61, 0, "Info", "Boolean", "Value", nullptr, true},
    {"Model_Name", 61, 0, "In", "String", "Value", nullptr, true},
    {"Modulation", 61, 0, "Info In", "String", "Value List", "NRZ PAM4", true},
    {"PAM4_UpperThreshold", 61, 0, "Info Out", "Float", kJitterFormats, nullptr, true},
    {"PAM4_CenterThreshold", 61, 0, "Info Out", "Float", kJitterFormats, nullptr, true},
    {"PAM4_LowerThreshold", 61, 0, "Info Out", "Float", kJitterFormats, nullptr, true},
    {"PAM4_UpperEyeOffset", 61, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"PAM4_CenterEyeOffset", 61, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"PAM4_LowerEyeOffset", 61, 0, "Info Out", "Float UI", kJitterFormats, nullptr, true},
    {"Rx_GaussianNoise", 70, 0, "Info Out", "Float", kJitterFormats, nullptr, false},
    {"Rx_UniformNoise", 70, 0, "Info Out", "Float", kJitterFormats, nullptr, false},
    {"PAM4_Mapping", 70, 0, "Info", "String", "Value List", nullptr, false},
    {"Special_Param_Names", 70, 0, "Info", "String", "Value List", nullptr, false},
    {"Ts4file", 70, 0, "Info", "String", "Value Corner", nullptr, false},
    {"Tx_V", 70, 0, "Info", "Float", "Value Range Corner", nullptr, false},
    {"Tx_R", 70, 0, "Info", "Float", "Value Range Corner", nullptr, false},
    {"Rx_R", 70, 0, "Info", "Float", "Value Range Corner", nullptr, false},
    {"BCI_Protocol", 70, 0, "Info", "String", "Value", nullptr, true},
    {"BCI_ID", 70, 0, "Info In", "String", "Value", nullptr, true},
    {"BCI_State", 70, 0, "Info In Out InOut", "String Integer", "Value List", nullptr, true},
    {"BCI_Message_Interval_UI", 70, 0, "Info In", "Integer", "Value Range List", nullptr, true},
    {"BCI_Training_UI", 70, 0, "Info In", "Integer", "Value Range List", nullptr, true},
    {"BCI_Training_Mode", 70, 0, "Info In", "String", "Value List", nullptr, false},
    {"Supporting_Files", 70, 0, "Info", "String", "Value Table", nullptr, false},
    {"DLL_Path", 70, 0, "In", "String", "Value", nullptr, false},
    {"DLL_ID", 70, 0, "In", "String", "Value", nullptr, false},
    {"DC_Offset", 71, 0, "In InOut Dep", "Float", "Value", nullptr, true},
    {"Rx_Use_Clock_Input", 71, 0, "Info", "String", "Value List", "None Times Wave", true},
    {"Modulation_Levels", 72, 0, "Info", "Integer", "Value List", nullptr, true},
    {"PAM_Thresholds", 72, 0, "Out", "String", "Value", nullptr, true},
};

// Whether word is one of the blank-separated words of list.
bool s_in(const std::string& word, const char* list)
{
    if (!list || word.empty()) return false;
    const size_t n = word.size();
    for (const char* p = list; (p = strstr(p, word.c_str())) != nullptr; p += n) {
        const bool startOk = p == list || p[-1] == ' ';
        if (startOk && (p[n] == ' ' || p[n] == '\0')) return true;
    }
    return false;
}

const ReservedRule* s_rule(const std::string& name)
{
    for (const ReservedRule& r : s_aRules)
        if (name == r.name) return &r;
    return nullptr;
}

const char* s_str(const char* p) { return p ? p : ""; }

// A finding of the value checks: an error from 5.1 on, a caution before.
struct Finder {
    bool caution;
    template <typename... A>
    void operator()(int code, A... args) const
    {
        if (caution)
            ERRLOG_CautionNew(code, args...);
        else
            ERRLOG_ErrorNew(code, args...);
    }
};

bool s_numericType(const std::string& t) { return t == "Float" || t == "UI" || t == "Integer" || t == "Tap"; }

// Values after each format word: the count (List and Table: at least) and
// whether they are numbers whatever the Type.
struct FormatShape {
    const char* word;
    int count;
    bool atLeast;
    bool numbers;
};
const FormatShape s_aShapes[] = {
    {"Value", 1, false, false},    {"Range", 3, false, true},      {"List", 1, true, false},
    {"Corner", 3, false, false},   {"Increment", 4, false, true},  {"Steps", 4, false, true},
    {"Table", 0, true, false},     {"Gaussian", 2, false, true},   {"Dual-Dirac", 3, false, true},
    {"DjRj", 3, false, true},
};

const FormatShape* s_shape(const std::string& w)
{
    for (const FormatShape& s : s_aShapes)
        if (w == s.word) return &s;
    return nullptr;
}

bool s_isNumber(const std::string& v) { return Vantrel::AMI::ReadsAsType("Float", v); }

// ---- value checks (every version) ----------------------------------------

void s_checkTypedValues(const ParamDef& d, const Finder& raise)
{
    const std::string& type = d.Type();
    if (!s_in(type, "Float Integer String Boolean Tap UI")) return;  // an unknown Type has its own finding
    const char* name = d.name.c_str();
    if (d.hasDefault && !Vantrel::AMI::ReadsAsType(type, d.defaultValue))
        raise(6011, "Default", d.defaultValue.c_str(), name, type.c_str());
    // The values that are values of the parameter: all of Value, List and
    // Corner; typical, minimum and maximum of Range and Steps; those and the
    // increment of Increment. A Table has its own check; the jitter formats
    // hold statistics, not values.
    size_t typed = 0;
    if (d.format == "Value" || d.format == "List" || d.format == "Corner") typed = d.formatValues.size();
    if (d.format == "Range" || d.format == "Steps") typed = 3;
    if (d.format == "Increment") typed = 4;
    for (size_t i = 0; i < typed && i < d.formatValues.size(); ++i) {
        const std::string& v = d.formatValues[i];
        if (!Vantrel::AMI::ReadsAsType(type, v)) raise(6011, d.format.c_str(), v.c_str(), name, type.c_str());
    }
}

void s_checkRange(const ParamDef& d, const Finder& raise)
{
    const std::vector<std::string>& v = d.formatValues;
    if (d.format != "Range" && d.format != "Increment" && d.format != "Steps") return;
    const size_t want = d.format == "Range" ? 3 : 4;
    if (v.size() != want) return;
    for (const std::string& s : v)
        if (!s_isNumber(s)) return;
    double typ = 0, lo = 0, hi = 0, step = 0;
    Vantrel::AMI::ReadsAsType("Float", v[0], &typ);
    Vantrel::AMI::ReadsAsType("Float", v[1], &lo);
    Vantrel::AMI::ReadsAsType("Float", v[2], &hi);
    const char* name = d.name.c_str();
    if (lo > hi) {
        raise(6012, name, v[1].c_str(), v[2].c_str());
        return;
    }
    if (typ < lo || typ > hi) raise(6013, "Typical value", v[0].c_str(), name, v[1].c_str(), v[2].c_str());
    double def = 0;
    if (d.hasDefault && Vantrel::AMI::ReadsAsType("Float", d.defaultValue, &def) && (def < lo || def > hi))
        raise(6013, "Default", d.defaultValue.c_str(), name, v[1].c_str(), v[2].c_str());
    if (want == 4) {
        Vantrel::AMI::ReadsAsType("Float", v[3], &step);
        const bool bad = d.format == "Increment" ? !(step > 0) || step > hi - lo
                                                 : !(step >= 1) || step != (double)(long long)step;
        if (bad) raise(6017, d.format == "Increment" ? "Increment" : "Steps", v[3].c_str(), name, v[1].c_str(),
                       v[2].c_str());
    }
}

void s_checkListAndTips(const ParamDef& d, const Finder& raise)
{
    const char* name = d.name.c_str();
    if (d.hasDefault && (d.format == "List" || d.format == "Corner") && !d.formatValues.empty()) {
        ParamDef probe = d;
        probe.types.clear();  // compare as written when the Type is unknown
        if (Vantrel::AMI::ReadsAsType(d.Type(), d.defaultValue)) probe.types = d.types;
        if (!Vantrel::AMI::CheckParamValue(probe, d.defaultValue).empty())
            raise(6014, d.defaultValue.c_str(), name, d.format.c_str());
    }
    if (!d.hasListTip) return;
    if (d.format != "List")
        raise(6016, name);
    else if (d.listTips.size() != d.formatValues.size())
        raise(6015, name, (int)d.listTips.size(), (int)d.formatValues.size());
}

void s_valueChecks(const ParamDef& d, const Finder& raise)
{
    // A reserved parameter without Type has its error already.
    if (raise.caution && d.types.empty() && !d.reserved) raise(6010, d.name.c_str());
    s_checkTypedValues(d, raise);
    s_checkRange(d, raise);
    s_checkListAndTips(d, raise);
}

// Sibling names once per branch.
void s_checkDuplicates(const BRANCH_STRUCT* b, const Finder& raise, int depth = 0)
{
    if (depth > s_kMaxDepth) return;
    std::set<std::string> seen, told;
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& n = b->pNodes[i];
        if (!n.pData) continue;
        const char* name = n.enumNodeType == NODE_TYPE_LEAF ? ((const LEAF_STRUCT*)n.pData)->pszName
                                                           : ((const BRANCH_STRUCT*)n.pData)->pszName;
        const std::string s = s_str(name);
        if (!seen.insert(s).second && told.insert(s).second) raise(6018, s.c_str(), s_str(b->pszName));
        if (n.enumNodeType == NODE_TYPE_BRANCH) s_checkDuplicates((const BRANCH_STRUCT*)n.pData, raise, depth + 1);
    }
}

// The words a parameter's values name: Default, the format's values.
bool s_mentions(const ParamDef& d, const std::string& word)
{
    if (d.hasDefault && d.defaultValue == word) return true;
    for (const std::string& v : d.formatValues)
        if (v == word) return true;
    return false;
}

void s_checkTies(const std::vector<ParamDef>& params, const Finder& raise)
{
    const ParamDef* mod = nullptr;
    for (const ParamDef& p : params)
        if (p.name == "Modulation" && !mod) mod = &p;
    if (!mod) return;
    auto has = [&](const char* n) {
        for (const ParamDef& p : params)
            if (p.name == n) return true;
        return false;
    };
    if (s_mentions(*mod, "PAM4"))
        for (const char* t : {"PAM4_UpperThreshold", "PAM4_CenterThreshold", "PAM4_LowerThreshold"})
            if (!has(t)) raise(6019, "PAM4", t);
    if (s_mentions(*mod, "PAMn") && !has("Modulation_Levels")) raise(6019, "PAMn", "Modulation_Levels");
}

std::vector<ParamDef> s_params(const PARSED_TREE* tree, bool bare)
{
    std::vector<ParamDef> out;
    if (!tree || tree->iNumNodes < 1 || !tree->pNodes[0].pData || tree->pNodes[0].enumNodeType != NODE_TYPE_BRANCH)
        return out;
    // ParamDefinitions reads a text; here the tree exists already, so read
    // its parameter branches the same way.
    struct Walk {
        static void Run(const BRANCH_STRUCT* b, const std::string& prefix, bool reserved, bool bare,
                        std::vector<ParamDef>& out, int depth = 0)
        {
            if (depth > s_kMaxDepth) return;
            for (int i = 0; i < b->iNumNodes; ++i) {
                const NODE_STRUCT& n = b->pNodes[i];
                if (n.enumNodeType != NODE_TYPE_BRANCH || !n.pData) continue;
                const BRANCH_STRUCT* c = (const BRANCH_STRUCT*)n.pData;
                bool group = false;
                for (int k = 0; k < c->iNumNodes && !group; ++k)
                    group = c->pNodes[k].enumNodeType == NODE_TYPE_BRANCH && c->pNodes[k].pData;
                const std::string name = prefix + s_str(c->pszName);
                if (group) {
                    Run(c, name + ".", reserved, bare, out, depth + 1);
                    continue;
                }
                ParamDef d = Vantrel::AMI::ReadParamDef(c, bare);
                d.name = name;
                d.reserved = reserved;
                out.push_back(d);
            }
        }
    };
    const BRANCH_STRUCT* root = (const BRANCH_STRUCT*)tree->pNodes[0].pData;
    for (int i = 0; i < root->iNumNodes; ++i) {
        const NODE_STRUCT& n = root->pNodes[i];
        if (n.enumNodeType != NODE_TYPE_BRANCH || !n.pData) continue;
        const BRANCH_STRUCT* b = (const BRANCH_STRUCT*)n.pData;
        const std::string bn = s_str(b->pszName);
        if (bn == "Reserved_Parameters" || bn == "Model_Specific")
            Walk::Run(b, "", bn == "Reserved_Parameters", bare, out);
    }
    return out;
}

// ---- grammar of 5.1 and later ----------------------------------------------

const char* const s_kUsages = "In Out Info InOut Dep";
const char* const s_kTypes = "Float Integer String Boolean Tap UI";

// Type and Format that go together: Range, Increment and Steps need a
// numeric Type, the jitter formats Float or UI, a Table no Tap.
bool s_typeFitsFormat(const std::string& type, const std::string& format)
{
    if (format == "Range" || format == "Increment" || format == "Steps") return s_numericType(type);
    if (format == "Gaussian" || format == "Dual-Dirac" || format == "DjRj") return type == "Float" || type == "UI";
    if (format == "Table") return type != "Tap";
    return true;
}

void s_checkTable(const ParamDef& d, const std::vector<ParamTable>& tables, int ver)
{
    const char* name = d.name.c_str();
    if (d.table < 0 || d.table >= (int)tables.size()) return;
    const ParamTable& t = tables[(size_t)d.table];
    if (!t.wellFormed || t.rows.empty()) {
        ERRLOG_ErrorNew(6022, name);
        return;
    }
    const size_t cols = t.hasLabels ? t.labels.size() : t.rows[0].size();
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const std::vector<std::string>& row = t.rows[r];
        if (row.size() != cols) {
            ERRLOG_ErrorNew(6020, name, (int)r + 1, (int)row.size(), (int)cols);
            continue;
        }
        for (size_t c = 0; c < row.size(); ++c) {
            const std::string& type = d.types.size() > c ? d.types[c] : d.Type();
            if (!type.empty() && s_in(type, s_kTypes) && type != "Tap" &&
                !Vantrel::AMI::ReadsAsType(type, row[c])) {
                ERRLOG_ErrorNew(6021, name, row[c].c_str(), (int)r + 1, type.c_str());
                return;  // one finding per table
            }
        }
    }
    (void)ver;
}

// The leaves of one parameter (E4624, E4626, E4627, E4628, E4630, E4632,
// E6004, E6005, E6006), then its values.
void s_checkParam(const BRANCH_STRUCT* b, const ParamDef& d, const ReservedRule* rule, int ver,
                  const std::vector<ParamTable>& tables)
{
    const char* name = d.name.c_str();
    const std::string verText = AMIVER_Text(ver);
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& n = b->pNodes[i];
        if (!n.pData) continue;
        if (n.enumNodeType != NODE_TYPE_LEAF) {
            ERRLOG_ErrorNew(4628, s_str(((const BRANCH_STRUCT*)n.pData)->pszName), name);
            continue;
        }
        const LEAF_STRUCT* leaf = (const LEAF_STRUCT*)n.pData;
        const std::string ln = s_str(leaf->pszName);
        if (leaf->iNumValues < 1 || !leaf->pValues) {
            ERRLOG_ErrorNew(4626, ln.c_str(), name);
            continue;
        }
        const bool known = ln == "Usage" || ln == "Type" || ln == "Format" || ln == "Default" ||
                           ln == "Description" || ln == "List_Tip" || ln == "Labels" ||
                           Vantrel::AMI::IsFormatWord(ln);
        if (!known) ERRLOG_ErrorNew(4624, ln.c_str(), name);
        // A tool tip changes nothing a simulation does: an older file that has
        // one is warned, not failed.
        if (ln == "List_Tip" && ver < 60) ERRLOG_WarnNew(6004, "Leaf", "List_Tip", name, "6.0", verText.c_str());
        if (ln == "Type")
            for (int k = 0; k < leaf->iNumValues; ++k) {
                const std::string t = s_str(leaf->pValues[k].pszValue);
                if (!s_in(t, s_kTypes) || (rule && !s_in(t, rule->types)))
                    ERRLOG_ErrorNew(4627, "Type", t.c_str(), name);
            }
    }
    if (d.usage.empty()) ERRLOG_ErrorNew(4630, "Usage", name);
    else if (!s_in(d.usage, s_kUsages) || (rule && !s_in(d.usage, rule->usages)))
        ERRLOG_ErrorNew(4627, "Usage", d.usage.c_str(), name);
    else if (d.usage == "Dep" && ver < 61)
        ERRLOG_ErrorNew(6004, "Usage", "Dep", name, "6.1", verText.c_str());
    if (d.types.empty()) ERRLOG_ErrorNew(4630, "Type", name);
    if (d.format.empty() && !d.hasDefault) ERRLOG_ErrorNew(6005, name);
    if (!d.format.empty()) {
        const FormatShape* shape = s_shape(d.format);
        if (!shape || (rule && !s_in(d.format, rule->formats))) {
            ERRLOG_ErrorNew(4627, "Format", d.format.c_str(), name);
        } else if (d.format == "Table") {
            s_checkTable(d, tables, ver);
        } else {
            const int after = (int)d.formatValues.size();
            bool ok = shape->atLeast ? after >= shape->count : after == shape->count;
            for (int i = 0; ok && shape->numbers && i < after; ++i) ok = s_isNumber(d.formatValues[(size_t)i]);
            if (!ok) ERRLOG_ErrorNew(4632, shape->word, name, shape->count);
            if (!d.types.empty() && s_in(d.Type(), s_kTypes) && !s_typeFitsFormat(d.Type(), d.format))
                ERRLOG_WarnNew(6006, name, d.Type().c_str(), d.format.c_str());
        }
    }
    if (rule && rule->values) {
        std::vector<std::string> words = d.formatValues;
        if (d.hasDefault) words.push_back(d.defaultValue);
        for (const std::string& w : words) {
            const bool pamN = rule->name == std::string("Modulation") && ver >= 72 && w == "PAMn";
            if (!s_in(w, rule->values) && !pamN) ERRLOG_ErrorNew(4627, "Value", w.c_str(), name);
        }
    }
    s_valueChecks(d, Finder{false});
}

void s_checkReserved(const BRANCH_STRUCT* branch, int ver, const std::vector<ParamTable>& tables)
{
    const char* bname = s_str(branch->pszName);
    const std::string verText = AMIVER_Text(ver);
    bool seenInit = false, seenGetWave = false;
    for (int i = 0; i < branch->iNumNodes; ++i) {
        const NODE_STRUCT& n = branch->pNodes[i];
        if (!n.pData) continue;
        if (n.enumNodeType == NODE_TYPE_LEAF) {
            ERRLOG_ErrorNew(4600, s_str(((const LEAF_STRUCT*)n.pData)->pszName), bname);
            continue;
        }
        const BRANCH_STRUCT* pb = (const BRANCH_STRUCT*)n.pData;
        ParamDef d = Vantrel::AMI::ReadParamDef(pb, true);
        d.reserved = true;
        const ReservedRule* rule = s_rule(d.name);
        if (!rule) {
            ERRLOG_ErrorNew(4624, d.name.c_str(), bname);
            s_checkParam(pb, d, nullptr, ver, tables);
            continue;
        }
        seenInit = seenInit || d.name == "Init_Returns_Impulse";
        seenGetWave = seenGetWave || d.name == "GetWave_Exists";
        if (rule->since > ver) {
            const std::string since = AMIVER_Text(rule->since);
            if (rule->confirmed)
                ERRLOG_ErrorNew(6002, rule->name, since.c_str(), verText.c_str());
            else
                ERRLOG_WarnNew(6002, rule->name, since.c_str(), verText.c_str());
        }
        if (rule->until && rule->until <= ver) ERRLOG_WarnNew(6003, rule->name, AMIVER_Text(rule->until).c_str());
        s_checkParam(pb, d, rule, ver, tables);
    }
    if (!seenInit) ERRLOG_ErrorNew(4625, "Init_Returns_Impulse");
    if (!seenGetWave) ERRLOG_ErrorNew(4625, "GetWave_Exists");
}

// A leaf beside branches: only a Description may stand there. True when
// the node is a leaf (and has been checked).
bool s_leafAmongBranches(const NODE_STRUCT& n, const BRANCH_STRUCT* parent)
{
    if (n.enumNodeType != NODE_TYPE_LEAF) return false;
    const LEAF_STRUCT* leaf = (const LEAF_STRUCT*)n.pData;
    if (strcmp(s_str(leaf->pszName), "Description") != 0)
        ERRLOG_ErrorNew(4624, s_str(leaf->pszName), s_str(parent->pszName));
    return true;
}

// Model_Specific and the groups below it: a branch of leaves is a
// parameter; a branch holding branches is a group, which may hold
// Description leaves besides them.
void s_checkGroup(const BRANCH_STRUCT* b, const std::string& prefix, int ver, const std::vector<ParamTable>& tables,
                  int depth = 0)
{
    if (depth > s_kMaxDepth) return;
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& n = b->pNodes[i];
        if (!n.pData) continue;
        if (s_leafAmongBranches(n, b)) continue;
        const BRANCH_STRUCT* c = (const BRANCH_STRUCT*)n.pData;
        bool group = false;
        for (int k = 0; k < c->iNumNodes && !group; ++k)
            group = c->pNodes[k].enumNodeType == NODE_TYPE_BRANCH && c->pNodes[k].pData;
        const std::string name = prefix + s_str(c->pszName);
        if (group) {
            s_checkGroup(c, name + ".", ver, tables, depth + 1);
            continue;
        }
        ParamDef d = Vantrel::AMI::ReadParamDef(c, true);
        d.name = name;
        s_checkParam(c, d, nullptr, ver, tables);
    }
}

}  // namespace

std::string AMIVER_Text(int v)
{
    char buf[16];
    snprintf(buf, sizeof buf, "%d.%d", v / 10, v % 10);
    return buf;
}

int AMIVER_FileVersion(const char* pszText, int iContextVersion)
{
    std::string written;
    const int v = Vantrel::AMI::AmiVersionOf(pszText, &written);
    if (v < 0) {
        ERRLOG_ErrorNew(6000, written.c_str(), "7.2");
        return 72;
    }
    if (v == 0) return iContextVersion > 50 ? iContextVersion : 50;
    if (v <= 50) return v;
    int known = 51;
    for (int k : s_kKnown)
        if (k <= v) known = k;
    if (known != v) ERRLOG_WarnNew(6001, written.c_str(), AMIVER_Text(known).c_str());
    return known;
}

void AMIVER_CheckTree(const PARSED_TREE* tree, int ver, const std::vector<ParamTable>& tables)
{
    if (!tree || tree->iNumNodes < 1 || !tree->pNodes || !tree->pNodes[0].pData ||
        tree->pNodes[0].enumNodeType != NODE_TYPE_BRANCH) {
        ERRLOG_ErrorNew(4622);
        return;
    }
    const BRANCH_STRUCT* root = (const BRANCH_STRUCT*)tree->pNodes[0].pData;
    bool reserved = false;
    for (int i = 0; i < root->iNumNodes; ++i) {
        const NODE_STRUCT& n = root->pNodes[i];
        if (!n.pData) continue;
        if (s_leafAmongBranches(n, root)) continue;
        const BRANCH_STRUCT* b = (const BRANCH_STRUCT*)n.pData;
        const char* bname = s_str(b->pszName);
        if (strcmp(bname, "Reserved_Parameters") == 0) {
            s_checkReserved(b, ver, tables);
            reserved = true;
        } else if (strcmp(bname, "Model_Specific") == 0) {
            s_checkGroup(b, "", ver, tables);
        } else {
            ERRLOG_ErrorNew(4623, bname);
        }
    }
    if (!reserved) ERRLOG_ErrorNew(4622);
    s_checkDuplicates(root, Finder{false});
    s_checkTies(s_params(tree, true), Finder{false});
}

void AMIVER_CautionTree(const PARSED_TREE* tree)
{
    const Finder caution{true};
    const std::vector<ParamDef> params = s_params(tree, false);
    for (const ParamDef& d : params) s_valueChecks(d, caution);
    if (tree && tree->iNumNodes > 0 && tree->pNodes[0].pData && tree->pNodes[0].enumNodeType == NODE_TYPE_BRANCH)
        s_checkDuplicates((const BRANCH_STRUCT*)tree->pNodes[0].pData, caution);
    s_checkTies(params, caution);
}

bool AMIVER_ReportShortList(const char* pszText, int ver)
{
    std::string path, list;
    if (!Vantrel::AMI::FindShortList(pszText, path, list)) return false;
    if (ver >= 51)
        ERRLOG_ErrorNew(6007, path.c_str(), list.c_str());
    else
        ERRLOG_CautionNew(6007, path.c_str(), list.c_str());
    return true;
}

void AMIVER_SetContextVersion(int iVersion) { s_iIbsVersion = iVersion > 0 ? iVersion : 0; }

extern "C" {

void AMI_SetIbsVersion(const char* pszIbisVersion)
{
    const int v = pszIbisVersion ? Vantrel::AMI::AmiVersionFromText(pszIbisVersion) : -1;
    s_iIbsVersion = v > 0 ? v : 0;
}

int AMI_GetIbsVersion(void) { return s_iIbsVersion; }

}  // extern "C"
