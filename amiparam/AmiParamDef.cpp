// Parameters of an AMI parameter file (see AmiParamDef.h).
#include "amiparam/AmiParamDef.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Vantrel {
namespace AMI {

namespace {

bool s_isWs(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// One token of an AMI text: "(", ")" or a word (a quoted stretch is one word
// without its quotes). [begin, end) is where it stands in the text.
struct Token {
    char kind;  // '(', ')' or 'w'
    size_t begin, end;
    std::string text;
};

std::vector<Token> s_tokens(const char* p)
{
    std::vector<Token> out;
    size_t i = 0;
    while (p[i] != '\0') {
        const char c = p[i];
        if (s_isWs(c)) {
            ++i;
        } else if (c == '(' || c == ')') {
            out.push_back({c, i, i + 1, std::string()});
            ++i;
        } else if (c == '"') {
            const char* close = std::strchr(p + i + 1, '"');
            const size_t end = close ? (size_t)(close - p) : std::strlen(p);
            out.push_back({'w', i, close ? end + 1 : end, std::string(p + i + 1, end - i - 1)});
            i = close ? end + 1 : end;
        } else {
            size_t j = i;
            while (p[j] != '\0' && !s_isWs(p[j]) && p[j] != '(' && p[j] != ')' && p[j] != '"') ++j;
            out.push_back({'w', i, j, std::string(p + i, j - i)});
            i = j;
        }
    }
    return out;
}

// Index of the ")" that closes the "(" at token i, or tokens.size().
size_t s_close(const std::vector<Token>& t, size_t i)
{
    int depth = 0;
    for (size_t k = i; k < t.size(); ++k) {
        if (t[k].kind == '(') ++depth;
        if (t[k].kind == ')' && --depth == 0) return k;
    }
    return t.size();
}

// Reads the lists of one table, tokens (from, to).
ParamTable s_readTable(const std::vector<Token>& t, size_t from, size_t to)
{
    ParamTable table;
    for (size_t k = from; k < to; ++k) {
        if (t[k].kind != '(') {
            table.wellFormed = false;
            continue;
        }
        const size_t close = s_close(t, k);
        std::vector<std::string> row;
        for (size_t m = k + 1; m < close; ++m) {
            if (t[m].kind == 'w')
                row.push_back(t[m].text);
            else
                table.wellFormed = false;
        }
        if (!row.empty() && row[0] == "Labels" && !table.hasLabels && table.rows.empty() &&
            t[k + 1].kind == 'w' && t[k + 1].begin < t[k + 1].end && t[k + 1].end - t[k + 1].begin == 6) {
            table.hasLabels = true;
            table.labels.assign(row.begin() + 1, row.end());
        } else {
            table.rows.push_back(row);
        }
        k = close;
    }
    return table;
}

double s_num(const std::string& s)
{
    double d = 0.0;
    ReadsAsType("Float", s, &d);
    return d;
}

bool s_numericType(const std::string& type) { return type == "Float" || type == "UI" || type == "Tap" || type == "Integer"; }

bool s_same(const std::string& type, const std::string& a, const std::string& b)
{
    double x = 0.0, y = 0.0;
    if (s_numericType(type) && ReadsAsType("Float", a, &x) && ReadsAsType("Float", b, &y)) return x == y;
    return a == b;
}

std::string s_join(const std::vector<std::string>& v, size_t from)
{
    std::string s;
    for (size_t i = from; i < v.size(); ++i) s += (s.empty() ? "" : " ") + v[i];
    return s;
}

// Whether value lies on the grid min + k * step, k = 0, 1, ... within
// [min, max]; the tolerance absorbs the rounding of decimal texts.
bool s_onGrid(double value, double min, double max, double step)
{
    if (!(step > 0.0)) return false;
    const double k = (value - min) / step;
    const double tol = 1e-9 * std::fmax(1.0, std::fabs(k));
    return value >= min && value <= max && std::fabs(k - std::nearbyint(k)) <= tol;
}

std::string s_checkNumericFormat(const ParamDef& def, const std::string& value, double d)
{
    const std::vector<std::string>& v = def.formatValues;
    const std::string& f = def.format;
    double lo = 0.0, hi = 0.0;
    if (v.size() < 3 || !ReadsAsType("Float", v[1], &lo) || !ReadsAsType("Float", v[2], &hi)) return "";
    if (d < lo || d > hi) return value + " is outside the " + f + " " + v[1] + " to " + v[2];
    if (f == "Increment" && v.size() >= 4) {
        if (!s_onGrid(d, lo, hi, s_num(v[3]))) return value + " is not " + v[1] + " plus a multiple of " + v[3];
    } else if (f == "Steps" && v.size() >= 4) {
        const double n = s_num(v[3]);
        if (n >= 1.0 && !s_onGrid(d, lo, hi, (hi - lo) / n))
            return value + " is not one of the " + v[3] + " Steps from " + v[1] + " to " + v[2];
    }
    return "";
}

}  // namespace

std::string LiftTables(const char* pszText, bool bBareTable, std::vector<ParamTable>& tables)
{
    if (pszText == nullptr) return std::string();
    const std::vector<Token> t = s_tokens(pszText);
    std::string out;
    size_t copied = 0;  // text before this offset is in out
    std::vector<std::string> heads;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == ')') {
            if (!heads.empty()) heads.pop_back();
            continue;
        }
        if (t[i].kind != '(') continue;
        const std::string head = i + 1 < t.size() && t[i + 1].kind == 'w' ? t[i + 1].text : "";
        size_t body = 0;  // first token of the table's lists
        if (head == "Format" && i + 2 < t.size() && t[i + 2].kind == 'w' && t[i + 2].text == "Table")
            body = i + 3;
        else if (bBareTable && head == "Table" && t[i + 1].end - t[i + 1].begin == 5)
            body = i + 2;
        const size_t close = body ? s_close(t, i) : 0;
        if (!body || close >= t.size()) {
            heads.push_back(head);
            continue;
        }
        ParamTable table = s_readTable(t, body, close);
        table.owner = heads.empty() ? "" : heads.back();
        out.append(pszText + copied, t[i].begin - copied);
        out += "(Format Table " + std::to_string(tables.size()) + ")";
        copied = t[close].end;
        tables.push_back(table);
        i = close;
    }
    out.append(pszText + copied);
    return out;
}

const std::string& ParamDef::Type() const
{
    static const std::string none;
    return types.empty() ? none : types[0];
}

std::string ParamDef::Initial() const
{
    if (hasDefault) return defaultValue;
    return formatValues.empty() || format == "Table" ? std::string() : formatValues[0];
}

bool IsFormatWord(const std::string& word)
{
    static const char* const kWords[] = {"Value",     "Range", "List",     "Corner",     "Increment",
                                         "Steps",     "Table", "Gaussian", "Dual-Dirac", "DjRj"};
    for (const char* w : kWords)
        if (word == w) return true;
    return false;
}

bool ReadsAsType(const std::string& type, const std::string& text, double* pdValue)
{
    if (type == "String") return true;
    if (type == "Boolean") return text == "True" || text == "False";
    const int kind = GetValueType(text.c_str());
    if (type == "Integer" && kind != VALUE_TYPE_INTEGER) return false;
    if (type != "Integer" && type != "Float" && type != "UI" && type != "Tap") return false;
    if (kind != VALUE_TYPE_INTEGER && kind != VALUE_TYPE_FLOAT) return false;
    const double d = AMITREE_StrToDouble(text.c_str(), nullptr);
    if (!std::isfinite(d)) return false;
    if (type == "Integer" && std::fabs(d) > 2147483647.0) return false;
    if (pdValue) *pdValue = d;
    return true;
}

ParamDef ReadParamDef(const BRANCH_STRUCT* pBranch, bool bBareFormats)
{
    ParamDef def;
    if (pBranch == nullptr) return def;
    def.branch = pBranch;
    def.name = pBranch->pszName ? pBranch->pszName : "";
    for (int i = 0; i < pBranch->iNumNodes; ++i) {
        const NODE_STRUCT& n = pBranch->pNodes[i];
        if (n.enumNodeType != NODE_TYPE_LEAF || n.pData == nullptr) continue;
        const LEAF_STRUCT* leaf = static_cast<const LEAF_STRUCT*>(n.pData);
        const std::string name = leaf->pszName ? leaf->pszName : "";
        std::vector<std::string> values;
        for (int k = 0; k < leaf->iNumValues && leaf->pValues; ++k)
            values.push_back(leaf->pValues[k].pszValue ? leaf->pValues[k].pszValue : "");
        const std::string first = values.empty() ? "" : values[0];
        if (name == "Usage") {
            def.usage = first;
        } else if (name == "Type") {
            def.types = values;
        } else if (name == "Format" && !values.empty()) {
            def.format = first;
            def.formatWord = true;
            def.formatValues.assign(values.begin() + 1, values.end());
        } else if (bBareFormats && IsFormatWord(name) && def.format.empty()) {
            def.format = name;
            def.formatValues = values;
        } else if (name == "Default" && !values.empty()) {
            def.hasDefault = true;
            def.defaultValue = first;
        } else if (name == "Description") {
            def.description = first;
        } else if (name == "List_Tip") {
            def.hasListTip = true;
            def.listTips = values;
        } else if (name == "Labels") {
            def.labels = values;
        }
    }
    if (def.format == "Table" && def.formatValues.size() == 1 && GetValueType(def.formatValues[0].c_str()) == 1)
        def.table = (int)std::strtol(def.formatValues[0].c_str(), nullptr, 10) & 0x7fffffff;
    return def;
}

std::string CheckParamValue(const ParamDef& def, const std::string& value)
{
    const std::string& type = def.Type();
    double d = 0.0;
    if (!type.empty() && def.format != "Table" && !ReadsAsType(type, value, &d)) {
        if (!ReadsAsType(type, "0") && type != "Boolean") return "the Type " + type + " is not a known Type";
        return value + " is not " + (type == "Integer" ? "an " : "a ") + type;
    }
    const std::vector<std::string>& v = def.formatValues;
    const std::string& f = def.format;
    if (f == "Range" || f == "Increment" || f == "Steps") {
        if (s_numericType(type) || type.empty()) {
            if (type.empty() && !ReadsAsType("Float", value, &d)) return value + " is not a number";
            return s_checkNumericFormat(def, value, d);
        }
    } else if (f == "List" || f == "Corner" || f == "Value") {
        for (const std::string& e : v)
            if (s_same(type, e, value)) return "";
        if (v.empty()) return "";
        if (f == "Value") return value + " is not the Value " + v[0];
        return value + " is not one of the " + f + " " + s_join(v, 0);
    }
    return "";
}

namespace {

// Groups nest no deeper than this; deeper ones are not read (a text may nest
// as deep as it likes, the host's call stack must not follow it).
const int kMaxGroupDepth = 64;

void s_collect(const BRANCH_STRUCT* b, const std::string& prefix, bool reserved, bool bare,
               std::vector<ParamDef>& out, int depth = 0)
{
    if (depth > kMaxGroupDepth) return;
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& n = b->pNodes[i];
        if (n.enumNodeType != NODE_TYPE_BRANCH || n.pData == nullptr) continue;
        const BRANCH_STRUCT* child = static_cast<const BRANCH_STRUCT*>(n.pData);
        const std::string name = prefix + (child->pszName ? child->pszName : "");
        bool group = false;
        for (int k = 0; k < child->iNumNodes && !group; ++k)
            group = child->pNodes[k].enumNodeType == NODE_TYPE_BRANCH && child->pNodes[k].pData;
        if (group) {
            s_collect(child, name + ".", reserved, bare, out, depth + 1);
            continue;
        }
        ParamDef def = ReadParamDef(child, bare);
        def.name = name;
        def.reserved = reserved;
        out.push_back(def);
    }
}

}  // namespace

ParamDefinitions::ParamDefinitions(const char* pszText, bool bBareForms)
{
    std::string text = LiftTables(pszText, bBareForms, m_tables);
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    m_iParse = GetParsedTree(copy.data(), &m_pTree);
    if (m_iParse != AMITREE_OK || !m_pTree || m_pTree->iNumNodes < 1 || !m_pTree->pNodes[0].pData ||
        m_pTree->pNodes[0].enumNodeType != NODE_TYPE_BRANCH)
        return;
    const BRANCH_STRUCT* root = static_cast<const BRANCH_STRUCT*>(m_pTree->pNodes[0].pData);
    m_root = root->pszName ? root->pszName : "";
    for (int i = 0; i < root->iNumNodes; ++i) {
        const NODE_STRUCT& n = root->pNodes[i];
        if (n.enumNodeType != NODE_TYPE_BRANCH || n.pData == nullptr) continue;
        const BRANCH_STRUCT* b = static_cast<const BRANCH_STRUCT*>(n.pData);
        const std::string name = b->pszName ? b->pszName : "";
        if (name == "Reserved_Parameters" || name == "Model_Specific")
            s_collect(b, "", name == "Reserved_Parameters", bBareForms, m_params);
    }
    for (ParamDef& p : m_params)
        if (p.table >= (int)m_tables.size()) p.table = -1;
}

ParamDefinitions::~ParamDefinitions() { FreeParsedTree(&m_pTree); }

const ParamDef* ParamDefinitions::Find(const std::string& name) const
{
    for (const ParamDef& p : m_params)
        if (p.name == name) return &p;
    return nullptr;
}

int AmiVersionFromText(const std::string& text)
{
    const size_t dot = text.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 2 || dot + 2 != text.size()) return -1;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != dot && (text[i] < '0' || text[i] > '9')) return -1;
    return std::atoi(text.c_str()) * 10 + (text[dot + 1] - '0');
}

int AmiVersionOf(const char* pszText, std::string* pVersionText)
{
    if (pszText == nullptr) return 0;
    const std::vector<Token> t = s_tokens(pszText);
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i].kind != '(' || t[i + 1].kind != 'w' || t[i + 1].text != "AMI_Version") continue;
        const size_t close = s_close(t, i);
        if (i + 2 >= t.size() || t[i + 2].kind != '(') continue;  // a leaf: not a declaration
        std::string value, fallback;
        for (size_t k = i + 2; k + 2 < close && k + 2 < t.size(); ++k) {
            if (t[k].kind != '(' || t[k + 1].kind != 'w') continue;
            const std::string& head = t[k + 1].text;
            size_t v = k + 2;
            if (head == "Format" && t[v].kind == 'w' && t[v].text == "Value") ++v;
            if (v >= close || t[v].kind != 'w') continue;
            if (head == "Value" || head == "Format") value = t[v].text;
            if (head == "Default" || head == "List") fallback = t[v].text;
        }
        if (value.empty()) value = fallback;
        if (pVersionText) *pVersionText = value;
        return value.empty() ? -1 : AmiVersionFromText(value);
    }
    return 0;
}

bool FindShortList(const char* pszText, std::string& path, std::string& list)
{
    if (pszText == nullptr) return false;
    const std::vector<Token> t = s_tokens(pszText);
    std::vector<std::string> heads;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == ')') {
            if (!heads.empty()) heads.pop_back();
            continue;
        }
        if (t[i].kind != '(') continue;
        const bool named = i + 1 < t.size() && t[i + 1].kind == 'w';
        const bool shortList = !named || (i + 2 < t.size() && t[i + 2].kind == ')');
        if (!shortList) {
            heads.push_back(t[i + 1].text);
            continue;
        }
        path.clear();
        for (size_t k = 1; k < heads.size(); ++k) path += (path.empty() ? "" : ".") + heads[k];
        if (path.empty()) path = heads.empty() ? std::string("the root") : heads[0];
        const size_t close = s_close(t, i);
        const size_t end = close < t.size() ? t[close].end : std::strlen(pszText);
        list.assign(pszText + t[i].begin, end - t[i].begin < 60 ? end - t[i].begin : 60);
        for (char& c : list)
            if (s_isWs(c)) c = ' ';
        return true;
    }
    return false;
}

}  // namespace AMI
}  // namespace Vantrel

extern "C" int AMI_CheckParameterValue(const char* pszAmiText, const char* pszName, const char* pszValue,
                                       char* pszReason, int iReasonSize)
{
    using namespace Vantrel::AMI;
    if (pszReason && iReasonSize > 0) pszReason[0] = '\0';
    if (!pszAmiText || !pszName || !pszValue) return -1;
    const ParamDefinitions defs(pszAmiText, AmiVersionOf(pszAmiText) >= 51);
    const ParamDef* def = defs.Find(pszName);
    if (defs.ParseResult() != AMITREE_OK || def == nullptr) return -1;
    const std::string why = CheckParamValue(*def, pszValue);
    if (why.empty()) return 1;
    if (pszReason && iReasonSize > 0) std::snprintf(pszReason, (size_t)iReasonSize, "%s", why.c_str());
    return 0;
}
