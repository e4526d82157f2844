// AMI parameter files: reading, parsing and the checks of the parameter tree.
#include "checker/ami.h"

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "amiparam/AmiParamDef.h"
#include "amiparam/AmiParamTree.h"
#include "base/cmn.h"
#include "base/errlog.h"
#include "checker/amiver.h"
#include "checker/frameio.h"
#include "checker/keywords.h"
#include "checker/parse.h"

namespace {

// The AMI text: cleaned lines of the file being read, one blank between
// lines so that tokens of adjacent lines never run together.
char* s_pText = nullptr;
size_t s_uTextLen = 0;
size_t s_uTextCap = 0;

const size_t s_kDescriptionMax = 120;

bool s_isWs(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool s_append(const char* line, size_t n) {
  const size_t need = s_uTextLen + (s_uTextLen ? 1 : 0) + n + 1;
  if (need > s_uTextCap) {
    size_t cap = s_uTextCap ? s_uTextCap : 1024;
    while (cap < need) cap *= 2;
    char* p = (char*)realloc(s_pText, cap);
    if (!p) {
      ERRLOG_LineErrorNew(922, "ami.cpp", __LINE__);
      return false;
    }
    s_pText = p;
    s_uTextCap = cap;
  }
  if (s_uTextLen) s_pText[s_uTextLen++] = ' ';
  memcpy(s_pText + s_uTextLen, line, n);
  s_uTextLen += n;
  s_pText[s_uTextLen] = '\0';
  return true;
}

// ---- tree checks ----------------------------------------------------------

const char* s_str(const char* p) { return p ? p : ""; }

bool s_isNumber(const VALUE_STRUCT& v) {
  return v.enumValueType == VALUE_TYPE_INTEGER || v.enumValueType == VALUE_TYPE_FLOAT;
}

bool s_oneOf(const char* word, const char* const* list, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (strcmp(word, list[i]) == 0) return true;
  return false;
}

const char* const s_aszUsages[] = {"In", "Out", "Info", "InOut"};
const char* const s_aszTypes[] = {"Float", "Integer", "String", "Boolean", "Tap", "UI"};

// Format checks: the values after the format word.
struct FormatRule {
  const char* word;
  int count;      // values expected after the word (List: at least this many)
  bool atLeast;   // List
  bool numbers;   // each must be an integer or float
  bool unchecked; // Table
};
const FormatRule s_aFormats[] = {
    {"Value", 1, false, true, false},     {"Range", 3, false, true, false},
    {"List", 1, true, false, false},      {"Corner", 3, false, true, false},
    {"Increment", 4, false, true, false}, {"Steps", 4, false, true, false},
    {"Table", 0, false, false, true},     {"Gaussian", 2, false, true, false},
    {"Dual-Dirac", 3, false, true, false}, {"DjRj", 3, false, true, false},
};

const FormatRule* s_findFormat(const char* word) {
  for (const FormatRule& f : s_aFormats)
    if (strcmp(word, f.word) == 0) return &f;
  return nullptr;
}

// Runs one format check on a Format leaf; E4632 once when it fails.
bool s_checkFormat(const FormatRule& f, const LEAF_STRUCT* leaf, const char* parent) {
  if (f.unchecked) return true;
  const int after = leaf->iNumValues - 1;
  bool ok = f.atLeast ? after >= f.count : after == f.count;
  if (ok && f.numbers)
    for (int i = 1; i <= after && ok; ++i) ok = s_isNumber(leaf->pValues[i]);
  if (!ok) ERRLOG_ErrorNew(4632, f.word, parent, f.count);
  return ok;
}

void s_generalLeaf(const LEAF_STRUCT* leaf, const char* parent) {
  const char* name = s_str(leaf->pszName);
  if (leaf->iNumValues < 1 || !leaf->pValues) {
    ERRLOG_ErrorNew(4626, name, parent);
    return;
  }
  const char* first = s_str(leaf->pValues[0].pszValue);
  if (strcmp(name, "Usage") == 0) {
    if (!s_oneOf(first, s_aszUsages, 4)) ERRLOG_ErrorNew(4627, "Usage", first, parent);
  } else if (strcmp(name, "Type") == 0) {
    if (!s_oneOf(first, s_aszTypes, 6)) ERRLOG_ErrorNew(4627, "Type", first, parent);
  } else if (strcmp(name, "Format") == 0) {
    const FormatRule* f = s_findFormat(first);
    if (!f)
      ERRLOG_ErrorNew(4627, "Format", first, parent);
    else
      s_checkFormat(*f, leaf, parent);
  }
}

void s_generalBranch(const BRANCH_STRUCT* branch) {
  const char* name = s_str(branch->pszName);
  for (int i = 0; i < branch->iNumNodes; ++i) {
    const NODE_STRUCT& n = branch->pNodes[i];
    if (!n.pData) continue;
    if (n.enumNodeType == NODE_TYPE_LEAF)
      s_generalLeaf((const LEAF_STRUCT*)n.pData, name);
    else
      s_generalBranch((const BRANCH_STRUCT*)n.pData);
  }
}

// Rules of the reserved parameters.
enum DefaultKind { DEF_ANY, DEF_BOOLEAN, DEF_INTEGER, DEF_NUMBER };
struct ReservedRule {
  const char* name;
  const char* usages[2];
  const char* types[2];
  const char* formats[4];  // none: Format not allowed (and then not mandatory)
  bool defaultMandatory;
  DefaultKind defaultKind;
};
const ReservedRule s_aReserved[] = {
    {"Init_Returns_Impulse", {"Info"}, {"Boolean"}, {}, true, DEF_ANY},
    {"GetWave_Exists", {"Info"}, {"Boolean"}, {}, true, DEF_ANY},
    {"Use_Init_Output", {"Info"}, {"Boolean"}, {}, true, DEF_BOOLEAN},
    {"Max_Init_Aggressors", {"Info"}, {"Integer"}, {}, true, DEF_INTEGER},
    {"Ignore_Bits", {"Info", "Out"}, {"Integer"}, {}, true, DEF_INTEGER},
    {"Tx_Jitter", {"Info", "Out"}, {"Float", "UI"}, {"Gaussian", "Dual-Dirac", "DjRj", "Table"}, false, DEF_NUMBER},
    {"Rx_Clock_PDF", {"Info", "Out"}, {"Float", "UI"}, {"Gaussian", "Dual-Dirac", "DjRj", "Table"}, false, DEF_NUMBER},
    {"Tx_DCD", {"Info", "Out"}, {"Float", "UI"}, {"Value", "Range", "Corner"}, false, DEF_NUMBER},
    {"Rx_Receiver_Sensitivity", {"Info", "Out"}, {"Float"}, {"Value", "Range", "Corner"}, false, DEF_NUMBER},
};

bool s_inList(const char* word, const char* const* list, size_t n) {
  for (size_t i = 0; i < n && list[i]; ++i)
    if (strcmp(word, list[i]) == 0) return true;
  return false;
}

bool s_defaultKindOk(const VALUE_STRUCT& v, DefaultKind k) {
  switch (k) {
    case DEF_ANY: return true;
    case DEF_BOOLEAN: return v.enumValueType == VALUE_TYPE_BOOLEAN;
    case DEF_INTEGER: return v.enumValueType == VALUE_TYPE_INTEGER;
    case DEF_NUMBER: return s_isNumber(v);
  }
  return false;
}

// The same steps for every reserved parameter (the s_check_<name> rules of
// the table above).
void s_checkReservedParameter(const ReservedRule& rule, const BRANCH_STRUCT* param) {
  const char* pname = rule.name;
  bool usage = false, type = false, format = false, def = false, desc = false, unexpectedFormat = false;
  const bool formatAllowed = rule.formats[0] != nullptr;
  for (int i = 0; i < param->iNumNodes; ++i) {
    const NODE_STRUCT& n = param->pNodes[i];
    if (!n.pData) continue;
    if (n.enumNodeType != NODE_TYPE_LEAF) {
      ERRLOG_ErrorNew(4628, s_str(((const BRANCH_STRUCT*)n.pData)->pszName), pname);
      continue;
    }
    const LEAF_STRUCT* leaf = (const LEAF_STRUCT*)n.pData;
    const char* lname = s_str(leaf->pszName);
    if (leaf->iNumValues < 1 || !leaf->pValues) {
      ERRLOG_ErrorNew(4626, lname, pname);
      continue;
    }
    const VALUE_STRUCT& v0 = leaf->pValues[0];
    const char* first = s_str(v0.pszValue);
    if (strcmp(lname, "Usage") == 0) {
      if (!s_inList(first, rule.usages, 2)) ERRLOG_ErrorNew(4627, "Usage", first, pname);
      usage = true;
    } else if (strcmp(lname, "Type") == 0) {
      if (!s_inList(first, rule.types, 2)) ERRLOG_ErrorNew(4627, "Type", first, pname);
      type = true;
    } else if (strcmp(lname, "Format") == 0) {
      if (!formatAllowed) {
        unexpectedFormat = true;
      } else if (!s_inList(first, rule.formats, 4)) {
        ERRLOG_ErrorNew(4627, "Format", first, pname);
      } else {
        const FormatRule* f = s_findFormat(first);
        if (f && s_checkFormat(*f, leaf, pname)) format = true;
      }
    } else if (strcmp(lname, "Default") == 0) {
      if (s_defaultKindOk(v0, rule.defaultKind))
        def = true;
      else
        ERRLOG_ErrorNew(4627, "Default", first, pname);
    } else if (strcmp(lname, "Description") == 0) {
      desc = true;
    } else {
      ERRLOG_ErrorNew(4624, lname, pname);
    }
  }
  if (!usage) ERRLOG_ErrorNew(4630, "Usage", pname);
  if (!type) ERRLOG_ErrorNew(4630, "Type", pname);
  if (formatAllowed && !format) ERRLOG_ErrorNew(4630, "Format", pname);
  if (rule.defaultMandatory && !def) ERRLOG_ErrorNew(4630, "Default", pname);
  if (!desc) ERRLOG_ErrorNew(4630, "Description", pname);
  if (unexpectedFormat) ERRLOG_ErrorNew(4629, "Format", pname);
}

void s_checkReserved(const BRANCH_STRUCT* branch) {
  const char* bname = s_str(branch->pszName);
  bool seenInit = false, seenGetWave = false;
  for (int i = 0; i < branch->iNumNodes; ++i) {
    const NODE_STRUCT& n = branch->pNodes[i];
    if (!n.pData) continue;
    if (n.enumNodeType == NODE_TYPE_LEAF) {
      const LEAF_STRUCT* leaf = (const LEAF_STRUCT*)n.pData;
      ERRLOG_ErrorNew(4600, s_str(leaf->pszName), bname);
      s_generalLeaf(leaf, bname);
      continue;
    }
    const BRANCH_STRUCT* param = (const BRANCH_STRUCT*)n.pData;
    const char* pname = s_str(param->pszName);
    const ReservedRule* rule = nullptr;
    for (const ReservedRule& r : s_aReserved)
      if (strcmp(pname, r.name) == 0) rule = &r;
    if (!rule) {
      ERRLOG_ErrorNew(4624, pname, bname);
      s_generalBranch(param);
      continue;
    }
    if (rule == &s_aReserved[0]) seenInit = true;
    if (rule == &s_aReserved[1]) seenGetWave = true;
    s_checkReservedParameter(*rule, param);
  }
  if (!seenInit) ERRLOG_ErrorNew(4625, "Init_Returns_Impulse");
  if (!seenGetWave) ERRLOG_ErrorNew(4625, "GetWave_Exists");
}

// ---- Table formats ---------------------------------------------------------
//
// A parameter may give its values as a table:
//   (Format Table (Labels Row_No Time Probability) (-5 -5e-12 1e-10) ...)
// The parameter parser keeps only a leaf whose values are words, so the
// checker reads each table here, checks it (a Labels list of at least one
// label, then at least one row of as many numbers as there are labels; E4632
// otherwise) and blanks its lists out of the text, which leaves the leaf
// (Format Table) for the tree checks.

bool s_isWordEnd(char c) { return !c || s_isWs((unsigned char)c) || c == '(' || c == ')' || c == '"'; }

// The word at p (up to white space, a parenthesis or a quote): its length.
size_t s_wordLen(const char* p) {
  size_t n = 0;
  while (!s_isWordEnd(p[n])) ++n;
  return n;
}

const char* s_skipWs(const char* p) {
  while (*p && s_isWs((unsigned char)*p)) ++p;
  return p;
}

// The end (the closing parenthesis) of the list whose "(" is at open, or null.
char* s_listEnd(char* open) {
  bool quote = false;
  size_t depth = 0;
  for (char* p = open; *p; ++p) {
    if (*p == '"') {
      quote = !quote;
    } else if (!quote && *p == '(') {
      ++depth;
    } else if (!quote && *p == ')') {
      if (--depth == 0) return p;
    }
  }
  return nullptr;
}

// Checks the lists of one table (the text from after "Table" to the Format
// list's closing parenthesis) and blanks them. Result: the table is sound.
bool s_takeTable(char* from, char* end, int* piLabels) {
  int labels = -1;
  int rows = 0;
  bool ok = true;
  for (char* p = from; p < end; ++p) {
    if (s_isWs((unsigned char)*p)) continue;
    if (*p != '(') {
      ok = false;  // a word outside the lists
      p += s_wordLen(p) ? s_wordLen(p) - 1 : 0;
      continue;
    }
    char* close = s_listEnd(p);
    if (!close || close > end) return false;
    *close = '\0';
    const char* q = s_skipWs(p + 1);
    int words = 0;
    bool numbers = true;
    bool isLabels = false;
    while (*q) {
      const size_t n = s_wordLen(q);
      if (n == 0) {  // a nested list or a quoted word
        numbers = false;
        ++q;
      } else {
        char word[64];
        const size_t k = n < sizeof word - 1 ? n : sizeof word - 1;
        memcpy(word, q, k);
        word[k] = '\0';
        if (words == 0 && labels < 0 && strcmp(word, "Labels") == 0) {
          isLabels = true;
        } else {
          double d = 0.0;
          if (n >= sizeof word - 1 || CMN_StrToDbl(word, &d) != 1) numbers = false;
          ++words;
        }
        q += n;
      }
      q = s_skipWs(q);
    }
    *close = ')';
    if (isLabels) {
      labels = words;
    } else {
      ++rows;
      if (labels < 0 || !numbers || words != labels) ok = false;
    }
    for (char* b = p; b <= close; ++b) *b = ' ';
    p = close;
  }
  *piLabels = labels > 0 ? labels : 0;
  if (labels < 0 && rows == 0) return ok;  // "(Format Table)" alone stays as it was: unchecked
  return ok && labels > 0 && rows > 0;
}

// Blanks every table of the text; E4632 for each unsound one, with the name
// of the parameter (the list that holds the Format list).
void s_takeTables(char* text) {
  const char* parents[64];
  size_t parentLens[64];
  size_t depth = 0;
  bool quote = false;
  for (char* p = text; *p; ++p) {
    if (*p == '"') {
      quote = !quote;
      continue;
    }
    if (quote) continue;
    if (*p == ')') {
      if (depth) --depth;
      continue;
    }
    if (*p != '(') continue;
    const char* head = s_skipWs(p + 1);
    const size_t n = s_wordLen(head);
    if (depth < 64) {
      parents[depth] = head;
      parentLens[depth] = n;
    }
    ++depth;
    if (n != 6 || strncmp(head, "Format", 6) != 0) continue;
    const char* word = s_skipWs(head + n);
    if (s_wordLen(word) != 5 || strncmp(word, "Table", 5) != 0) continue;
    char* end = s_listEnd(p);
    if (!end) return;  // unbalanced: the parser reports it
    char* from = p + (word + 5 - p);
    int labels = 0;
    if (!s_takeTable(from, end, &labels)) {
      char name[128] = "";
      if (depth >= 2 && depth - 2 < 64) {
        const size_t k = parentLens[depth - 2] < sizeof name - 1 ? parentLens[depth - 2] : sizeof name - 1;
        memcpy(name, parents[depth - 2], k);
        name[k] = '\0';
      }
      ERRLOG_ErrorNew(4632, "Table", name, labels);
    }
    p = end - 1;  // the Format list's ")" is counted next
  }
}

void s_reportParseFailure(int r) {
  switch (r) {
    case 1: ERRLOG_ErrorNew(4619); break;
    case 2: ERRLOG_ErrorNew(4620); break;
    case 3:
    case 6: ERRLOG_ErrorNew(4635); break;
    case 8: ERRLOG_ErrorNew(4634); break;
    default: ERRLOG_BugNew(4621); break;
  }
}

// Parses the AMI text (freed here) under the version it declares, or
// iContextVersion when it declares none, and checks the tree. Files of 5.1
// and later: tables lifted with or without the word Format, a failed parse
// names the list that has no value (E6007). Files of 5.0 and earlier: the
// messages they always had, the value checks as cautions.
int s_parseAndCheck(PARSED_TREE** ppTree, int iContextVersion) {
  if (ppTree) *ppTree = nullptr;
  if (!s_pText) return 0;
  const int ver = AMIVER_FileVersion(s_pText, iContextVersion);
  std::vector<Vantrel::AMI::ParamTable> tables;
  std::vector<char> lifted;
  char* text = s_pText;
  if (ver >= 51) {
    const std::string t = Vantrel::AMI::LiftTables(s_pText, true, tables);
    lifted.assign(t.begin(), t.end());
    lifted.push_back('\0');
    text = lifted.data();
  } else {
    s_takeTables(s_pText);
  }
  PARSED_TREE* tree = nullptr;
  const int r = GetParsedTree(text, &tree);
  if (r != 0 || !tree) {
    const bool named = ver >= 51 && r != 1 && r != 2 && AMIVER_ReportShortList(text, ver);
    if (!named) s_reportParseFailure(r);
    if (ver < 51 && r != 1 && r != 2) AMIVER_ReportShortList(text, ver);
    AMI_DiscardText();
    FreeParsedTree(&tree);
    return 0;
  }
  AMI_DiscardText();
  if (ver >= 51) {
    AMIVER_CheckTree(tree, ver, tables);
  } else {
    AMI_CheckTree(tree);
    AMIVER_CautionTree(tree);
  }
  if (ppTree)
    *ppTree = tree;
  else
    FreeParsedTree(&tree);
  return 1;
}

// The version a file will be checked under, for the banner, which comes
// before the file is read: its AMI_Version (comments outside quotes cut), else
// that of the .ibs file naming it. Nothing is reported here.
int s_probeVersion(const char* pszPath) {
  if (!pszPath) return 0;
  FILE* f = fopen(pszPath, "rb");
  if (!f) {
    const std::string withExt = std::string(pszPath) + ".ami";
    f = fopen(withExt.c_str(), "rb");
  }
  std::string text;
  if (f) {
    bool quote = false, comment = false;
    for (int c; (c = fgetc(f)) != EOF;) {
      if (c == '\n') comment = false;
      if (comment) continue;
      if (c == '"') quote = !quote;
      if (c == '|' && !quote) comment = true;
      else text += (char)c;
    }
    fclose(f);
  }
  const int v = Vantrel::AMI::AmiVersionOf(text.c_str());
  if (v > 0) return v;
  return v == 0 ? AMI_GetIbsVersion() : 0;
}

}  // namespace

extern "C" {

int AMI_ReadFile(const char* pszPath) {
  const int ver = s_probeVersion(pszPath);
  if (!PARSE_BannersSuppressed()) {
    const std::string text = ver > 50 ? AMIVER_Text(ver) : std::string("5.0");
    fprintf(stdout, "\nChecking %s for IBIS %s Compatibility...\n\n", s_str(pszPath), text.c_str());
    fflush(stdout);
  }
  const int savedAny = gbAllowAnyLineLength;
  gbAllowAnyLineLength = 1;
  PARSE_BeginFile(FILE_TYPE_AMI);
  AMI_DiscardText();
  FILE* f = nullptr;
  char base[CMN_MAX_FILENAME + 1];
  if (!CMN_OpenFile(pszPath, FILE_TYPE_AMI, &f, base)) {
    gbAllowAnyLineLength = savedAny;
    return 0;
  }
  PARSE_SetFileName(base);
  // From AMI version 7.0 on the names of the files an [Algorithmic Model]
  // names may be of mixed case.
  if (CMN_AnyUpper(base) && ver < 70) ERRLOG_WarnNew(901, base);
  bool tabSeen = false;
  bool inDescription = false;
  bool inQuote = false;  // a double-quoted string goes on from an earlier line
  unsigned long line = 0;
  for (;;) {
    PARSE_SetLineNum(++line);
    size_t len = 0;
    char* p = CMN_GetInfiniteLine(&len, f);
    if (!p) {
      PARSE_SetLineNum(--line);
      break;
    }
    const size_t n = strlen(p);
    if (!tabSeen && memchr(p, '\t', n)) {
      ERRLOG_LineWarnNew(921);
      tabSeen = true;
    }
    char* q = p;
    while (*q && s_isWs((unsigned char)*q)) ++q;
    if (!*q || (!inQuote && *q == '|')) continue;
    if (*q == '(') {
      const char* w = q + 1;
      while (*w && s_isWs((unsigned char)*w)) ++w;
      inDescription = strncmp(w, "Description", 11) == 0;
    }
    if (inDescription && n > s_kDescriptionMax) ERRLOG_ErrorNew(923, (int)line, (int)s_kDescriptionMax);
    // The comment character starts a comment only outside double quotes.
    for (char* c = p; *c; ++c) {
      if (*c == '"') {
        inQuote = !inQuote;
      } else if (*c == '|' && !inQuote) {
        *c = '\0';
        break;
      }
    }
    size_t m = strlen(p);
    while (m > 0 && s_isWs((unsigned char)p[m - 1])) p[--m] = '\0';
    s_append(p, m);
  }
  CMN_ReleaseInfiniteLine();
  fclose(f);
  gbAllowAnyLineLength = savedAny;
  return 1;
}

const char* AMI_GetText(void) { return s_pText; }

void AMI_DiscardText(void) {
  free(s_pText);
  s_pText = nullptr;
  s_uTextLen = s_uTextCap = 0;
}

void AMI_CheckTree(const PARSED_TREE* tree) {
  if (!tree || tree->iNumNodes < 1 || !tree->pNodes || !tree->pNodes[0].pData ||
      tree->pNodes[0].enumNodeType != NODE_TYPE_BRANCH) {
    ERRLOG_ErrorNew(4622);
    return;
  }
  const BRANCH_STRUCT* root = (const BRANCH_STRUCT*)tree->pNodes[0].pData;
  const char* rname = s_str(root->pszName);
  bool reserved = false;
  for (int i = 0; i < root->iNumNodes; ++i) {
    const NODE_STRUCT& n = root->pNodes[i];
    if (!n.pData) continue;
    if (n.enumNodeType == NODE_TYPE_LEAF) {
      s_generalLeaf((const LEAF_STRUCT*)n.pData, rname);
      continue;
    }
    const BRANCH_STRUCT* b = (const BRANCH_STRUCT*)n.pData;
    const char* bname = s_str(b->pszName);
    if (strcmp(bname, "Reserved_Parameters") == 0) {
      s_checkReserved(b);
      reserved = true;
    } else if (strcmp(bname, "Model_Specific") == 0) {
      s_generalBranch(b);
    } else {
      ERRLOG_ErrorNew(4623, bname);
    }
  }
  if (!reserved) ERRLOG_ErrorNew(4622);
}

int AMI_ParseAndCheck(PARSED_TREE** ppTree) { return s_parseAndCheck(ppTree, AMI_GetIbsVersion()); }

int AMI_Test(void) {
  s_parseAndCheck(nullptr, 0);
  return 1;
}

}  // extern "C"
