// [External Circuit] ... [End External Circuit] (prefix EXT_), keyword
// numbers 24 and 25, and the lines of [External Model] ... [End External
// Model] inside a [Model], which the model module hands on. Both groups share
// one set of sub-parameters and rules (codes 1800-1816):
//   - the keyword line of [External Circuit] names the circuit (not a
//     reserved word, unique in the file);
//   - Language is given once: SPICE, VHDL-AMS, Verilog-AMS, VHDL-A(MS) or
//     Verilog-A(MS);
//   - Corner lines hold a corner name (Typ, Min or Max, each once), a file
//     name and a circuit name; a Typ corner is required;
//   - Parameters lines list names; Ports lines list port names, each once;
//     Ports are required;
//   - D_to_A lines: digital port, two ports, vlow, vhigh, trise, tfall and an
//     optional corner name; A_to_D lines: digital port, two ports, vlow,
//     vhigh and an optional corner name; the analog ports are listed under
//     Ports, vlow lies below vhigh, trise and tfall above zero;
//   - the group is closed by its end keyword before another keyword.
// The circuit records keep their names and ports for the [Circuit Call]
// look-ups.
#pragma once

#include "base/AmiExport.h"

#define EXT_NAME_MAX 127

typedef struct EXT_STRUCT {
  struct EXT_STRUCT* pNext;
  char szName[EXT_NAME_MAX + 1];  // first field of the keyword line
  unsigned long ulLine;          // line of the opening keyword
  unsigned long ulDataLines;     // data lines received
  char** ppszPorts;              // Ports, in file order
  unsigned uPorts, uPortCapacity;
} EXT_STRUCT;

extern "C" {

// The opening keyword starts a new record in the whole-file object.
// Result 1, or 0 without object or memory.
AMI_EXPORT int EXT_Init(void);
AMI_EXPORT int EXT_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int EXT_Fini(int iNewKeyword);
AMI_EXPORT void EXT_FreeList(EXT_STRUCT* pHead);
AMI_EXPORT EXT_STRUCT* EXT_Find(EXT_STRUCT* pList, const char* pszName);
// Whether the circuit lists the port.
AMI_EXPORT int EXT_HasPort(const EXT_STRUCT* pExt, const char* pszPort);

// A line of a model keyword, handed on by the model module: [External Model]
// opens a group, its data lines are read, [End External Model] closes it,
// another keyword while it is open raises the missing end. Result 1.
AMI_EXPORT int EXT_ModelLine(int iLineType, int iKeyword, const char* pszLine, const char* pszModel);
// The model ends: an open [External Model] misses its end.
AMI_EXPORT void EXT_ModelEnd(void);

}  // extern "C"
