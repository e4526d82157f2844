// The parameters an AMI parameter file (.ami) defines, as hosts and the
// checker read them: Usage, Type, the format and its values (written
// "(Format Range 0 0 31)" or, from AMI version 5.1 on, "(Range 0 0 31)"),
// Default, Description, List_Tip, Labels and the rows of a Table.
//
// The tree parser (AmiParamTree.h) drops a leaf that holds lists, so the
// tables are lifted out of the text first: every "(Format Table ...)" and
// every "(Table ...)" list becomes the leaf "(Format Table k)", k indexing
// the lifted tables. ParamDefinitions does both steps and reads every
// parameter; CheckParamValue says whether a value is one the parameter
// allows (its Type, Range, List, Corner, Value, Increment or Steps).
#pragma once

#include <string>
#include <vector>

#include "amiparam/AmiParamTree.h"
#include "base/AmiExport.h"

namespace Vantrel {
namespace AMI {

// One table: its optional Labels and its rows, each a list of value texts
// (quotes removed). wellFormed is false when a word stands outside the rows
// or a row holds a nested list.
struct ParamTable {
    std::string owner;  // head word of the list that holds the table
    bool hasLabels = false;
    std::vector<std::string> labels;
    std::vector<std::vector<std::string>> rows;
    bool wellFormed = true;
};

// Replaces each table list by "(Format Table k)" and appends it to tables.
// Quoted stretches are copied unchanged; an unbalanced table is left as it is.
// bBareTable: "(Table ...)" without the word Format is a table too (AMI
// version 5.1 on); otherwise only "(Format Table ...)" is.
std::string LiftTables(const char* pszText, bool bBareTable, std::vector<ParamTable>& tables);

struct ParamDef {
    std::string name;    // path below Reserved_Parameters or Model_Specific, "Group.Name" when nested
    bool reserved = false;
    const BRANCH_STRUCT* branch = nullptr;  // in the tree it was read from
    std::string usage;
    std::vector<std::string> types;  // one Type, or one per Table column
    std::string format;              // Value, Range, List, ... ; "" when none is given
    bool formatWord = false;         // written with the word Format
    std::vector<std::string> formatValues;  // the values after the format word
    bool hasDefault = false;
    std::string defaultValue;
    bool hasListTip = false;
    std::vector<std::string> listTips;
    std::vector<std::string> labels;
    std::string description;
    int table = -1;  // index into the lifted tables for format Table

    const std::string& Type() const;  // the first Type, "" when none
    // The value a host passes when it is given none: Default, else the first
    // value of the format (the typical value of Range, Corner, Increment,
    // Steps; the first List entry; the Value).
    std::string Initial() const;
};

// The format words, as written in a Format leaf or as a leaf of their own.
bool IsFormatWord(const std::string& word);

// Whether text reads as a value of the AMI Type: Integer a decimal integer;
// Float, UI and Tap a finite number; Boolean True or False; String anything.
// An unknown Type reads nothing. *pdValue gets the number when it is one.
bool ReadsAsType(const std::string& type, const std::string& text, double* pdValue = nullptr);

// Reads a parameter branch (one holding leaves only). bBareFormats: a leaf
// named after a format word is the format (AMI version 5.1 on).
ParamDef ReadParamDef(const BRANCH_STRUCT* pBranch, bool bBareFormats);

// Empty when the parameter allows value, else the reason ("40 is outside the
// Range 0 to 31", "EQ is not an Integer", "7 is not one of the List 0 1 2").
std::string CheckParamValue(const ParamDef& def, const std::string& value);

// Every parameter of a parameter file: the tables lifted, the text parsed,
// the parameters of Reserved_Parameters and Model_Specific (and of the root)
// read in document order.
class ParamDefinitions {
public:
    // bBareForms: the file's AMI version is 5.1 or later (AmiVersionOf).
    ParamDefinitions(const char* pszText, bool bBareForms);
    ~ParamDefinitions();
    ParamDefinitions(const ParamDefinitions&) = delete;
    ParamDefinitions& operator=(const ParamDefinitions&) = delete;

    int ParseResult() const { return m_iParse; }  // GetParsedTree's code
    const PARSED_TREE* Tree() const { return m_pTree; }
    const std::string& Root() const { return m_root; }
    const std::vector<ParamDef>& Params() const { return m_params; }
    const std::vector<ParamTable>& Tables() const { return m_tables; }
    // The parameter of that name (a name as ParamDef::name), or null.
    const ParamDef* Find(const std::string& name) const;

private:
    int m_iParse = AMITREE_NO_PARENT;
    PARSED_TREE* m_pTree = nullptr;
    std::string m_root;
    std::vector<ParamDef> m_params;
    std::vector<ParamTable> m_tables;
};

// The AMI version an AMI text declares in its reserved parameter AMI_Version,
// read from the text itself (so it is known before, and without, a
// successful parse), as tenths: "7.1" gives 71. 0 when the text has no
// AMI_Version; -1 when its value is not a version number. *pVersionText gets
// the value as written.
int AmiVersionOf(const char* pszText, std::string* pVersionText = nullptr);
// The first list that holds a name and nothing else, or nothing at all, such
// as "(Type)" or "("x.ens")": path gets the names of the lists around it
// below the root ("Model_Specific.EQ_Level"; the root's name when it stands
// at the top), list its text (at most 60 characters). False when there is
// none.
bool FindShortList(const char* pszText, std::string& path, std::string& list);
// A version text such as "6.1" as tenths; -1 when it is not one.
int AmiVersionFromText(const std::string& text);

}  // namespace AMI
}  // namespace Vantrel

extern "C" {
// For hosts: whether pszValue is a value the parameter pszName (as
// ParamDef::name, e.g. "EQ_Level") of the parameter file text pszAmiText
// allows. Result 1 allowed, 0 refused (the reason goes to pszReason, cut to
// iReasonSize - 1 characters), -1 when the text does not parse or has no such
// parameter. Null texts give -1; pszReason may be null.
AMI_EXPORT int AMI_CheckParameterValue(const char* pszAmiText, const char* pszName, const char* pszValue,
                                       char* pszReason, int iReasonSize);
}
