#include "linksim/Kit.h"

#include <strings.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "amiparam/AmiParamTree.h"
#include "checker/algmod.h"
#include "base/errlog.h"
#include "checker/ibis.h"
#include "checker/keywords.h"
#include "checker/mdl.h"
#include "checker/parse.h"

namespace fs = std::filesystem;

namespace linksim {

namespace {

const char* kPlatform = "Linux";
constexpr int kBits = static_cast<int>(8 * sizeof(void*));

bool ReadNumber(const std::string& s, double& v)
{
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && std::isfinite(v);
}

bool ReadInteger(const std::string& s, long long& v)
{
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtoll(s.c_str(), &end, 10);
    return end && *end == '\0';
}

const LEAF_STRUCT* Leaf(const NODE_STRUCT& n) { return static_cast<const LEAF_STRUCT*>(n.pData); }
const BRANCH_STRUCT* Branch(const NODE_STRUCT& n) { return static_cast<const BRANCH_STRUCT*>(n.pData); }

// The parsed parameter file of an Executable line. The checker reads each
// parameter file once per .ibs file, so when several lines (of this model
// or another) name the same file only the first holds its tree.
const PARSED_TREE* ParsedTreeOf(const MDL_STRUCT* models, const ALGMOD_ENTRY* chosen)
{
    if (chosen->pTree) return chosen->pTree;
    for (const MDL_STRUCT* m = models; m; m = m->pNext)
        for (const ALGMOD_ENTRY* e = m->pAlgMod ? m->pAlgMod->pEntries : nullptr; e; e = e->pNext)
            if (e->pTree && std::strcmp(e->szAmiFile, chosen->szAmiFile) == 0) return e->pTree;
    return nullptr;
}

// A branch is a parameter when one of its leaves is Usage, Type, Format or
// Default; otherwise it groups parameters.
bool IsParameter(const BRANCH_STRUCT* b)
{
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& c = b->pNodes[i];
        if (c.enumNodeType != NODE_TYPE_LEAF || !c.pData) continue;
        const RESERVED_WORD w = Leaf(c)->enumReservedWord;
        if (w == RESERVED_WORD_USAGE || w == RESERVED_WORD_TYPE || w == RESERVED_WORD_FORMAT ||
            w == RESERVED_WORD_DEFAULT)
            return true;
    }
    return false;
}

AmiParameter ReadParameter(const BRANCH_STRUCT* b, const std::string& name, bool reserved)
{
    AmiParameter p;
    p.name = name;
    p.reserved = reserved;
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& c = b->pNodes[i];
        if (c.enumNodeType != NODE_TYPE_LEAF || !c.pData) continue;
        const LEAF_STRUCT* l = Leaf(c);
        if (l->iNumValues < 1 || !l->pValues) continue;
        const std::string first = l->pValues[0].pszValue ? l->pValues[0].pszValue : "";
        switch (l->enumReservedWord) {
        case RESERVED_WORD_USAGE: p.usage = first; break;
        case RESERVED_WORD_TYPE: p.type = first; break;
        case RESERVED_WORD_DEFAULT: p.defaultValue = first; break;
        case RESERVED_WORD_DESCRIPTION: p.description = first; break;
        case RESERVED_WORD_FORMAT:
            p.format = first;
            for (int v = 1; v < l->iNumValues; ++v)
                p.formatValues.push_back(l->pValues[v].pszValue ? l->pValues[v].pszValue : "");
            break;
        default:
            // Older files, and files of 6.0 on, may put the format word
            // itself as the leaf's name: (Range 0 0 31), (List 0 1 2),
            // (Value 3), (Gaussian 0 0.01).
            if (p.format.empty()) {
                const std::string n = l->pszName ? l->pszName : "";
                if (n == "Range" || n == "List" || n == "Value" || n == "Corner" || n == "Increment" ||
                    n == "Steps" || n == "Gaussian" || n == "Dual-Dirac" || n == "DjRj") {
                    p.format = n;
                    for (int v = 0; v < l->iNumValues; ++v)
                        p.formatValues.push_back(l->pValues[v].pszValue ? l->pValues[v].pszValue : "");
                }
            }
            break;
        }
    }
    return p;
}

// Bounds on a kit's files, checked before the IBIS checker reads them: the
// checker reads the parameter file of every Executable line, and the
// parameters are collected branch by branch.
constexpr int kMaxAmiDepth = 64;        // a real .ami nests fewer than ten deep
constexpr int kMaxExecutables = 64;     // per [Algorithmic Model]: platforms x compilers x bits

// The line's first word, lower case.
std::string FirstWord(const std::string& line)
{
    std::istringstream in(line);
    std::string w;
    in >> w;
    for (char& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return w;
}

// The parameter file's nesting: parentheses outside double quotes.
void CheckAmiNesting(const fs::path& ami)
{
    std::ifstream in(ami, std::ios::binary);
    if (!in) return;  // the checker says why it cannot be read
    std::string line;
    size_t lineNo = 0;
    int depth = 0;
    bool quoted = false;
    while (std::getline(in, line)) {
        ++lineNo;
        for (char c : line) {
            if (c == '"') quoted = !quoted;
            if (quoted) continue;
            if (c == '(' && ++depth > kMaxAmiDepth)
                throw KitError(ami.string() + ":" + std::to_string(lineNo) + ": parameters nested more than " +
                               std::to_string(kMaxAmiDepth) + " deep");
            if (c == ')') --depth;
        }
    }
}

// The .ibs file's Executable lines: at most kMaxExecutables per
// [Algorithmic Model], each named parameter file within kMaxAmiDepth.
void CheckKitFiles(const std::string& ibsPath)
{
    std::ifstream in(ibsPath, std::ios::binary);
    if (!in) return;
    std::string line;
    size_t lineNo = 0;
    int inAlgorithmic = 0;
    std::set<std::string> amiFiles;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string w = FirstWord(line.substr(0, line.find('|')));
        if (w.rfind("[algorithmic", 0) == 0) {
            inAlgorithmic = 1;
        } else if (w.rfind("[end", 0) == 0 && line.find("lgorithmic") != std::string::npos) {
            inAlgorithmic = 0;
        } else if (inAlgorithmic && w == "executable") {
            if (++inAlgorithmic > kMaxExecutables + 1)
                throw KitError(ibsPath + ":" + std::to_string(lineNo) + ": more than " +
                               std::to_string(kMaxExecutables) + " Executable lines in one [Algorithmic Model]");
            std::istringstream words(line);
            std::string executable, platform, code, ami;
            if (words >> executable >> platform >> code >> ami) amiFiles.insert(ami);
        }
    }
    for (const std::string& ami : amiFiles) CheckAmiNesting(fs::path(ibsPath).parent_path() / ami);
}

void Collect(const BRANCH_STRUCT* b, const std::string& prefix, bool reserved, std::vector<AmiParameter>& out,
             int depth = 0)
{
    if (depth > kMaxAmiDepth) throw KitError("parameters nested more than " + std::to_string(kMaxAmiDepth) + " deep");
    for (int i = 0; i < b->iNumNodes; ++i) {
        const NODE_STRUCT& c = b->pNodes[i];
        if (c.enumNodeType != NODE_TYPE_BRANCH || !c.pData) continue;
        const BRANCH_STRUCT* child = Branch(c);
        const std::string name = child->pszName ? child->pszName : "";
        if (prefix.empty() && name == "Reserved_Parameters") {
            Collect(child, "", true, out, depth + 1);
        } else if (prefix.empty() && name == "Model_Specific") {
            Collect(child, "", false, out, depth + 1);
        } else if (IsParameter(child)) {
            out.push_back(ReadParameter(child, prefix.empty() ? name : prefix + "." + name, reserved));
        } else {
            Collect(child, prefix.empty() ? name : prefix + "." + name, reserved, out, depth + 1);
        }
    }
}

std::string Quoted(const AmiParameter& p, const std::string& v)
{
    if (p.type == "String") return "\"" + v + "\"";
    return v;
}

// Output of the checker, captured in a temporary file.
class Capture {
public:
    Capture() : m_file(std::tmpfile()) { ERRLOG_SetOutputFile(m_file ? m_file : stderr); }
    ~Capture()
    {
        ERRLOG_SetOutputFile(nullptr);
        if (m_file) std::fclose(m_file);
    }
    std::string Text()
    {
        if (!m_file) return {};
        std::fflush(m_file);
        std::rewind(m_file);
        std::string s;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, m_file)) > 0) s.append(buf, n);
        return s;
    }

private:
    FILE* m_file;
};

}  // namespace

std::string AmiParameter::Initial() const
{
    if (!defaultValue.empty()) return defaultValue;
    if (!formatValues.empty()) return formatValues.front();
    return {};
}

const AmiParameter* ModelKit::Find(const std::string& name) const
{
    for (const auto& p : params)
        if (p.name == name) return &p;
    return nullptr;
}

ModelKit LoadModelKit(const std::string& ibsPath, const std::string& model)
{
    ModelKit kit;
    std::error_code ec;
    kit.ibsPath = fs::absolute(ibsPath, ec).lexically_normal().string();
    if (ec) kit.ibsPath = ibsPath;
    kit.model = model;
    {
        std::FILE* f = std::fopen(kit.ibsPath.c_str(), "rb");
        if (!f) throw KitError("cannot open " + ibsPath);
        std::fclose(f);
    }
    CheckKitFiles(kit.ibsPath);
    Capture capture;
    unsigned long errors0 = 0, warnings0 = 0, errors1 = 0, warnings1 = 0;
    ERRLOG_GetCounts(nullptr, &errors0, &warnings0);
    const int bannersWere = PARSE_BannersSuppressed();
    PARSE_SuppressBanners(1);
    if (!INIT()) {
        PARSE_SuppressBanners(bannersWere);
        throw KitError("out of memory reading " + ibsPath);
    }
    const int parsed = PARSE(kit.ibsPath.c_str(), FILE_TYPE_IBS);
    if (parsed) (TEST)(FILE_TYPE_IBS, 0);

    // Everything needed is copied out before FINI frees the file's objects.
    std::string problem;
    std::vector<std::string> offered;
    std::string codeFile, amiName;
    if (!parsed) {
        problem = "the IBIS checker could not read " + ibsPath;
    } else {
        MDL_STRUCT* models = nullptr;
        IBIS_GetMdls(&models);
        const MDL_STRUCT* m = MDL_FindModel(models, model.c_str());
        if (!m) {
            std::string names;
            for (const MDL_STRUCT* p = models; p; p = p->pNext) names = std::string(p->szName) + (names.empty() ? "" : " ") + names;
            problem = "no [Model] " + model + " in " + ibsPath + (names.empty() ? "" : " (it has: " + names + ")");
        } else if (!m->pAlgMod || !m->pAlgMod->pEntries) {
            problem = "[Model] " + model + " in " + ibsPath + " has no [Algorithmic Model] with an Executable line";
        } else {
            const ALGMOD_ENTRY* chosen = nullptr;
            for (const ALGMOD_ENTRY* e = m->pAlgMod->pEntries; e; e = e->pNext) {
                offered.push_back(std::string(e->szPlatform) + "_" + e->szCompiler + "_" + std::to_string(e->iBits));
                // Entries run newest first: the first line of the file wins.
                if (strcasecmp(e->szPlatform, kPlatform) == 0 && e->iBits == kBits) chosen = e;
            }
            if (!chosen) {
                std::string list;
                for (auto it = offered.rbegin(); it != offered.rend(); ++it) list += (list.empty() ? "" : ", ") + *it;
                problem = "[Model] " + model + " has no Executable line for " + kPlatform + " " + std::to_string(kBits) +
                          "-bit (it offers " + list + ")";
            } else {
                kit.executable = std::string(chosen->szPlatform) + "_" + chosen->szCompiler + "_" + std::to_string(chosen->iBits);
                codeFile = chosen->szCodeFile;
                amiName = chosen->szAmiFile;
                const PARSED_TREE* tree = ParsedTreeOf(models, chosen);
                if (!tree || tree->iNumNodes < 1 || !tree->pNodes[0].pData ||
                    tree->pNodes[0].enumNodeType != NODE_TYPE_BRANCH) {
                    problem = "the parameter file " + amiName + " of [Model] " + model +
                              " could not be read or parsed (see the checker's findings below)";
                } else {
                    const BRANCH_STRUCT* root = Branch(tree->pNodes[0]);
                    kit.root = root->pszName ? root->pszName : "";
                    try {
                        Collect(root, "", false, kit.params);
                    } catch (const KitError& e) {
                        problem = amiName + ": " + e.what();
                    }
                }
            }
        }
    }
    FINI();
    PARSE_SuppressBanners(bannersWere);
    ERRLOG_GetCounts(nullptr, &errors1, &warnings1);
    kit.checkerErrors = errors1 - errors0;
    kit.checkerWarnings = warnings1 - warnings0;
    kit.checkerReport = capture.Text();
    if (!problem.empty()) {
        std::string report;
        if (kit.checkerErrors > 0) report = "\n" + kit.checkerReport;
        throw KitError(problem + report);
    }
    const fs::path dir = fs::path(kit.ibsPath).parent_path();
    kit.library = (dir / codeFile).lexically_normal().string();
    kit.amiFile = (dir / amiName).lexically_normal().string();
    if (!fs::exists(kit.library, ec))
        throw KitError("the code file " + codeFile + " of [Model] " + model + " is not beside " + ibsPath + " (" +
                       kit.library + ")");
    return kit;
}

std::string AllowedValues(const AmiParameter& p)
{
    const auto& v = p.formatValues;
    if (p.format == "Range" && v.size() >= 3) return v[1] + " to " + v[2];
    if (p.format == "Increment" && v.size() >= 4) return v[1] + " to " + v[2] + " in steps of " + v[3];
    if (p.format == "Steps" && v.size() >= 4) return v[1] + " to " + v[2] + " in " + v[3] + " steps";
    if ((p.format == "List" || p.format == "Corner") && !v.empty()) {
        std::string s = "one of";
        for (const auto& x : v) s += " " + x;
        return s;
    }
    if (p.format == "Value" && !v.empty()) return "only " + v[0];
    if (p.type == "Boolean") return "True or False";
    return "any " + (p.type.empty() ? std::string("value") : p.type);
}

std::string CheckParameterValue(const AmiParameter& p, const std::string& value)
{
    const std::string what = p.name + " (" + (p.type.empty() ? "?" : p.type) + ": " + AllowedValues(p) + ")";
    double x = 0.0;
    long long i = 0;
    const bool numeric = p.type == "Integer" || p.type == "Float" || p.type == "UI" || p.type == "Tap";
    if (p.type == "Integer" && !ReadInteger(value, i)) return "'" + value + "' is not an integer for " + what;
    if (numeric && !ReadNumber(value, x)) return "'" + value + "' is not a number for " + what;
    if (p.type == "Boolean" && value != "True" && value != "False") return "'" + value + "' is not True or False for " + what;
    const auto& v = p.formatValues;
    auto same = [&](const std::string& allowed) {
        double a = 0.0;
        return numeric ? (ReadNumber(allowed, a) && a == x) : allowed == value;
    };
    if (p.format == "Range" || p.format == "Increment" || p.format == "Steps") {
        double lo = 0.0, hi = 0.0;
        if (v.size() >= 3 && numeric && ReadNumber(v[1], lo) && ReadNumber(v[2], hi)) {
            if (x < std::min(lo, hi) || x > std::max(lo, hi)) return value + " is out of range for " + what;
            double d = 0.0;
            if (p.format == "Increment" && v.size() >= 4 && ReadNumber(v[3], d) && d != 0.0) {
                const double k = (x - lo) / d;
                if (std::fabs(k - std::round(k)) > 1e-9 * std::max(1.0, std::fabs(k))) return value + " is not on the grid of " + what;
            }
            if (p.format == "Steps" && v.size() >= 4 && ReadNumber(v[3], d) && d >= 1.0 && hi != lo) {
                const double k = (x - lo) / (hi - lo) * d;
                if (std::fabs(k - std::round(k)) > 1e-9 * std::max(1.0, std::fabs(k))) return value + " is not one of the steps of " + what;
            }
        }
    } else if (p.format == "List" || p.format == "Corner" || p.format == "Value") {
        bool found = false;
        for (size_t k = 0; k < v.size() && !found; ++k) found = same(v[k]);
        if (!v.empty() && !found) return value + " is not allowed for " + what;
    }
    return {};
}

std::string KitParameterString(const ModelKit& kit, const std::map<std::string, std::string>& values)
{
    // A small tree of groups so that dotted names nest.
    struct Group {
        std::string name;
        std::vector<std::pair<std::string, std::string>> leaves;
        std::vector<Group> groups;
        Group& Child(const std::string& n)
        {
            for (auto& g : groups)
                if (g.name == n) return g;
            groups.push_back(Group{n, {}, {}});
            return groups.back();
        }
        std::string Text() const
        {
            std::string s = "(" + name;
            for (const auto& l : leaves) s += " (" + l.first + " " + l.second + ")";
            for (const auto& g : groups) s += " " + g.Text();
            return s + ")";
        }
    };
    Group root{kit.root, {}, {}};
    for (const auto& p : kit.params) {
        if (!p.Sent()) continue;
        const auto it = values.find(p.name);
        const std::string v = it != values.end() ? it->second : p.Initial();
        if (v.empty()) continue;
        Group* g = &root;
        std::string rest = p.name;
        for (size_t dot; (dot = rest.find('.')) != std::string::npos; rest = rest.substr(dot + 1)) g = &g->Child(rest.substr(0, dot));
        g->leaves.emplace_back(rest, Quoted(p, v));
    }
    return root.Text();
}

std::string DescribeParameters(const ModelKit& kit)
{
    std::ostringstream os;
    if (kit.executable.empty())  // a parameter file read alone
        os << "model " << kit.model << " (" << kit.amiFile << ")\n";
    else
        os << "model " << kit.model << " (" << kit.executable << ": " << kit.library << ", " << kit.amiFile << ")\n";
    char line[512];
    std::snprintf(line, sizeof line, "  %-22s %-6s %-8s %-10s %s\n", "parameter", "usage", "type", "default", "allowed");
    os << line;
    for (const auto& p : kit.params) {
        std::snprintf(line, sizeof line, "  %-22s %-6s %-8s %-10s %s%s\n", p.name.c_str(), p.usage.c_str(),
                      p.type.c_str(), p.Initial().c_str(), AllowedValues(p).c_str(),
                      p.reserved ? "  (reserved)" : p.Sent() ? "" : "  (not sent)");
        os << line;
        if (!p.description.empty()) os << "      " << p.description << "\n";
    }
    return os.str();
}

}  // namespace linksim

namespace linksim {

namespace {

// The text of an .ami file without its comments: "|" to the end of the
// line, outside double quotes.
std::string WithoutComments(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    bool quoted = false, comment = false;
    for (char c : text) {
        if (c == '\n') comment = false;
        if (comment) continue;
        if (c == '"') quoted = !quoted;
        if (c == '|' && !quoted) {
            comment = true;
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

ModelKit LoadAmiFile(const std::string& amiPath)
{
    ModelKit kit;
    std::error_code ec;
    kit.amiFile = fs::absolute(amiPath, ec).lexically_normal().string();
    std::FILE* f = std::fopen(amiPath.c_str(), "rb");
    if (!f) throw KitError("cannot open " + amiPath);
    std::string text;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) {
        text.append(buf, n);
        if (text.size() > (size_t{16} << 20)) {
            std::fclose(f);
            throw KitError(amiPath + ": larger than 16 MiB, not a parameter file");
        }
    }
    std::fclose(f);
    text = WithoutComments(text);
    PARSED_TREE* tree = nullptr;
    const int rc = GetParsedTree(text.data(), &tree);
    if (rc != AMITREE_OK || !tree || tree->iNumNodes < 1 || !tree->pNodes[0].pData ||
        tree->pNodes[0].enumNodeType != NODE_TYPE_BRANCH) {
        FreeParsedTree(&tree);
        throw KitError(amiPath + ": not a parameter tree the parser can read (code " + std::to_string(rc) + ")");
    }
    const BRANCH_STRUCT* root = Branch(tree->pNodes[0]);
    kit.root = root->pszName ? root->pszName : "";
    kit.model = kit.root;
    Collect(root, "", false, kit.params);
    FreeParsedTree(&tree);
    return kit;
}

}  // namespace linksim
