// Line forms shared by the named sections [Test Load], [Test Data] and
// [Submodel] (prefix SECT_): the section's name on its keyword line, a
// sub-parameter that takes one word from a list ("Test_load_type
// Differential"), and one that takes a model or load name ("Receiver_model
// buf"). Each section module has its own message codes for the same faults;
// it hands them over in a table, so the rules are written once.
#pragma once

#include "base/AmiExport.h"
#include "checker/frameio.h"

struct MDL_STRUCT;

// Codes of the name rules of one section kind.
typedef struct {
  int iEat;        // bug: keyword cannot be skipped ("Unable to eat keyword <%s>: %s %d")
  int iSave;       // the line cannot be split
  int iMissing;    // no name
  int iCount;      // more than one field ("... (%d) For Keyword %s: Expecting %d")
  int iTooLong;    // over the limit ("... Over %d Characters Long")
  int iReserved;   // a reserved word ("... (\"%s\"); Reserved Word.")
  const char* pszWhat;  // the section's name in iCount ("Test Load")
} SECT_NAME_CODES;

// Codes of the one-value sub-parameter lines of one section kind.
typedef struct {
  int iMissing;   // "'%s' Subparameter Missing Setting"
  int iInvalid;   // "Invalid %s Line"
  int iCount;     // "Incorrect Number of Line Items (%d) For %s: Expecting %d"
  int iTry;       // "Invalid %s (\"%s\") (try \"%s\")"
  int iUnknown;   // "Invalid %s (\"%s\")"
} SECT_VALUE_CODES;

// Codes of the model look-ups of one section kind: a model and the model of
// its inverting side, each named with the section ("model", "section").
typedef struct {
  int iNotFound;     // error: the model is not in the file
  int iWrongKind;    // warning: the model cannot play its part (either side)
  int iInvNotFound;  // error: the inverting side's model is not in the file
  int iInvNotDiff;   // warning: the inverting side's model is not differential
} SECT_MODEL_CODES;

// Results of SECT_ReadName.
#define SECT_NAME_NONE 0     // no name was stored
#define SECT_NAME_CUT 1      // an over-long name was cut and stored; no further tests
#define SECT_NAME_STORED 2   // stored; the caller tests it against the names before it

extern "C" {

// The name of a section keyword line (the first field after "]"), stored in
// pszDst (uLimit + 1 bytes) after the messages of pCodes: iEat, iSave,
// iMissing, iCount (count, pszWhat, 1), iTooLong (uLimit; the first uLimit
// characters are kept) or iReserved (name; the name is still kept). All tied
// to the current line. Result SECT_NAME_*.
AMI_EXPORT int SECT_ReadName(const char* pszLine, const SECT_NAME_CODES* pCodes, unsigned uLimit, char* pszDst);

// The value of a "name value" line (split at white space and before "=",
// at most two fields kept): one field raises iMissing (name), more than two
// iInvalid (name) when the second is "=", else iCount (count, name, 2).
// Result the value (owned by *ppArgs, which the caller frees with
// CMN_ArgFree), or null after such a message or when memory runs out.
AMI_EXPORT const char* SECT_OneValue(const char* pszLine, const char* pszName, const SECT_VALUE_CODES* pCodes,
                                     CMN_ARGLIST** ppArgs);

// A "name value" line whose value is a word of apszWords (iWords entries;
// indexes 0 and 1 stand for "not given" and "not recognised" and are never
// matched): an exact match gives
// its index; a match that ignores case raises iTry (name, value, the word as
// listed); no match iUnknown (name, value). Result the index, or 1 when no
// word was taken (the "given but not recognised" state).
AMI_EXPORT int SECT_WordLine(const char* pszLine, const char* pszName, const char* const* apszWords, int iWords,
                             const SECT_VALUE_CODES* pCodes);

// The text after the first field of a line (the sub-parameter's name).
AMI_EXPORT const char* SECT_AfterName(const char* pszLine, const char* pszName);

// The model look-ups of one section: pszModel and pszModelInv (each skipped
// when empty) are looked up in pModels; a model not found raises iNotFound
// or iInvNotFound, one whose type pfnWrongKind refuses raises iWrongKind,
// and an inverting-side model that the differential query does not mark
// raises iInvNotDiff. Result 1, or 0 after any message. Internal.
int SECT_CheckModels(struct MDL_STRUCT* pModels, const char* pszSection, const char* pszModel,
                     const char* pszModelInv, bool (*pfnWrongKind)(int), const SECT_MODEL_CODES* pCodes);

}  // extern "C"
