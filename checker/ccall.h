// [Node Declarations] and [Circuit Call] of a component (prefix CCALL_),
// keyword numbers 20 to 23, handed on by the component module (codes
// 1817-1826 with the shared 1800, 1815 and 1816 of the external groups).
//
// Rules:
//   - [Node Declarations] lists node names (any number per line), none a
//     reserved word, and is closed by [End Node Declarations];
//   - [Circuit Call] names an [External Circuit] of the file and is closed by
//     [End Circuit Call]; its sub-parameters are Signal_pin (one pin),
//     Diff_signal_pins and Series_pins (two pins each), at most one of these
//     three, and Port_map (a port and a pin or node); every pin named is a
//     pin of the component, every Port_map target a pin or a declared node,
//     each port mapped once and listed under the circuit's Ports.
// The node names stay with the component, in file order, for the checks of
// node names against each other and against the pins.
#pragma once

#include "base/AmiExport.h"

struct CMPNT_STRUCT;
struct EXT_STRUCT;
struct CCALL_DATA;

extern "C" {

// A line of a component keyword (any); lines of other keywords close an open
// group with its missing-end finding. Result 1.
AMI_EXPORT int CCALL_ComponentLine(struct CMPNT_STRUCT* pCmpnt, int iLineType, int iKeyword, const char* pszLine);
// The component ends: open groups miss their end; Port_map targets are
// checked against the pins and nodes.
AMI_EXPORT void CCALL_ComponentEnd(struct CMPNT_STRUCT* pCmpnt);
// Whole file: each call names an external circuit of the file whose Ports
// list every mapped port.
AMI_EXPORT int CCALL_Test(struct CMPNT_STRUCT* pCmpnts, struct EXT_STRUCT* pExts);
// The declared node names of a component, in file order.
AMI_EXPORT unsigned CCALL_NodeCount(const struct CMPNT_STRUCT* pCmpnt);
AMI_EXPORT const char* CCALL_NodeName(const struct CMPNT_STRUCT* pCmpnt, unsigned i);
// Frees what a component keeps (null accepted).
AMI_EXPORT void CCALL_Free(struct CCALL_DATA* pData);

}  // extern "C"
