/* Parser of AMI parameter texts: nested parenthesised lists such as
 *     (Vuraved_UV_IV (RX_Config 1) (EQ_Level 12))
 * become a tree of branches (a head word followed by lists) and leaves (a
 * head word followed by plain values). A double-quoted value may hold blanks
 * and parentheses. The parser knows no comments.
 *
 * Every record and text of a tree is allocated zero-filled through the
 * checker's memory helpers (base/cmn.h), which report exhausted memory
 * through the error log; the parser itself writes no message, its result code
 * is the whole report. Nothing a text holds can stop the process.
 */
#ifndef AMIPARAM_AMIPARAMTREE_H
#define AMIPARAM_AMIPARAMTREE_H

#include "base/AmiExport.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum { NODE_TYPE_BRANCH = 0, NODE_TYPE_LEAF = 1 } NODE_TYPE;

typedef enum {
    VALUE_TYPE_NONE = -1, /* empty text */
    VALUE_TYPE_STRING = 0,
    VALUE_TYPE_INTEGER = 1,
    VALUE_TYPE_BOOLEAN = 2,
    VALUE_TYPE_FLOAT = 3
} VALUE_TYPE;

/* What a leaf's head word is (exact, case-sensitive). */
typedef enum {
    RESERVED_WORD_NONE = 0,
    RESERVED_WORD_USAGE = 1,
    RESERVED_WORD_TYPE = 2,
    RESERVED_WORD_FORMAT = 3,
    RESERVED_WORD_DEFAULT = 4,
    RESERVED_WORD_DESCRIPTION = 5,
    RESERVED_WORD_LABELS = 6
} RESERVED_WORD;

/* Which AMI keyword a string value is (exact, case-sensitive). */
typedef enum {
    STRING_TYPE_NONE = -1,
    STRING_TYPE_IN = 0,
    STRING_TYPE_OUT = 1,
    STRING_TYPE_INFO = 2,
    STRING_TYPE_INOUT = 3,
    STRING_TYPE_FLOAT = 4,
    STRING_TYPE_INTEGER = 5,
    STRING_TYPE_STRING = 6,
    STRING_TYPE_BOOLEAN = 7,
    STRING_TYPE_TAP = 8,
    STRING_TYPE_UI = 9,
    STRING_TYPE_VALUE = 10,
    STRING_TYPE_RANGE = 11,
    STRING_TYPE_LIST = 12,
    STRING_TYPE_CORNER = 13,
    STRING_TYPE_INCREMENT = 14,
    STRING_TYPE_STEPS = 15,
    STRING_TYPE_TABLE = 16,
    STRING_TYPE_GAUSSIAN = 17,
    STRING_TYPE_DUAL_DIRAC = 18,
    STRING_TYPE_DJRJ = 19
} STRING_TYPE;

/* One node: a branch or a leaf, its nesting level (1 for the outermost list)
 * and its record (BRANCH_STRUCT or LEAF_STRUCT; null in unused entries). */
typedef struct {
    NODE_TYPE enumNodeType;
    int iLevel;
    void* pData;
} NODE_STRUCT;

/* A branch: its head word and copies of its children's entries, in document
 * order (the records are owned by the tree's flat list). */
typedef struct _tagBranchStruct {
    char* pszName;
    NODE_STRUCT* pNodes;
    int iNumNodes;
} BRANCH_STRUCT;

typedef struct {
    char* pszValue; /* quotes and trailing white space removed */
    VALUE_TYPE enumValueType;
    STRING_TYPE enumStringType; /* STRING_TYPE_NONE unless a keyword string */
} VALUE_STRUCT;

typedef struct {
    char* pszName;
    VALUE_STRUCT* pValues;
    int iNumValues;
    RESERVED_WORD enumReservedWord;
} LEAF_STRUCT;

/* The parse result: every node in document order. iNumNodes is the number of
 * opening parentheses outside double quotes, which may exceed the number of
 * nodes produced (a leaf holding a list is discarded); surplus entries are
 * zero. */
typedef struct {
    NODE_STRUCT* pNodes;
    int iNumNodes;
} PARSED_TREE;

/* Result codes of GetParsedTree and ScanForNodes. */
enum {
    AMITREE_OK = 0,
    AMITREE_UNBALANCED = 1,      /* parentheses outside quotes do not balance */
    AMITREE_NO_OPEN_PAREN = 2,   /* first non-blank character is not "(" */
    AMITREE_NO_PARENT = 3,       /* null argument, a leaf (or nothing) at the top */
    AMITREE_NO_MEMORY = 4,       /* an allocation failed (reported by the error log) */
    AMITREE_OUTSIDE_ROOT = 5,    /* a second list at the top */
    AMITREE_UNMATCHED_CLOSE = 6, /* a ")" with no open list to close */
    AMITREE_TOO_MANY_NODES = 7,  /* more nodes than opening parentheses */
    AMITREE_EMPTY_ELEMENT = 8    /* a head word or value that is missing, e.g. (Name) */
};

/* Parses pszText (not modified). On success (0) stores a new tree through
 * ppTree, which the caller releases with FreeParsedTree; on any other result
 * nothing is stored and nothing is left allocated. */
AMI_EXPORT int GetParsedTree(char* pszText, PARSED_TREE** ppTree);

/* Releases a tree and sets *ppTree to null; null pointers are ignored. */
AMI_EXPORT void FreeParsedTree(PARSED_TREE** ppTree);

/* Fills the node array *ppNodes (capacity *piNumNodes) from pszText, which it
 * modifies (the quotes of quoted values become blanks), and lowers
 * *piNumNodes to the number of nodes produced. Returns 0, 4, 5 (a node after
 * the outermost list has closed), 6, 7 or 8; the records made before a
 * failure stay in the array for the caller to free. */
AMI_EXPORT int ScanForNodes(char* pszText, NODE_STRUCT** ppNodes, int* piNumNodes);

/* 1 when the parentheses outside double quotes balance in number (their order
 * is not checked), storing the number of opening ones; else 0, storing 0.
 * piNumOpen may be null. */
AMI_EXPORT int ISValidBuffer(const char* pszText, int* piNumOpen);

/* VALUE_TYPE of a value text: -1 for null or empty, 1 when a base-10 integer
 * conversion takes the whole text, else 3 when a floating-point conversion
 * does ("1e-3", "inf", hexadecimal forms), else 2 for exactly "True" or
 * "False", else 0. Numbers are read in the "C" locale whatever the host
 * process has set. */
AMI_EXPORT int GetValueType(const char* pszValue);

/* Sets pValue->enumStringType when pszValue is an AMI keyword; otherwise
 * leaves it unchanged. */
AMI_EXPORT void s_setStringType(VALUE_STRUCT* pValue, const char* pszValue);

/* The standard text-to-double conversion, in the "C" locale. */
double AMITREE_StrToDouble(const char* pszText, char** ppEnd);

#ifdef __cplusplus
}
#endif

#endif /* AMIPARAM_AMIPARAMTREE_H */
