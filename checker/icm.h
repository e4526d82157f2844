// Interconnect model sets of IBIS 7.0 (prefix ICM_), keyword numbers 124 to
// 129: [Interconnect Model Set] ... [End Interconnect Model Set] with its own
// [Manufacturer] and [Description], holding [Interconnect Model] ...
// [End Interconnect Model] blocks.
//
// Rules of a model: exactly one of "File_IBIS-ISS <file> <circuit>" and
// "File_TS <file>"; "Param <name> Value <value>" lines only with
// File_IBIS-ISS, each name once; "Number_of_terminals [=] N" a positive
// integer, followed by N terminal lines (lines that start with a number; a
// different count is a caution, since the terminal-line grammar is accepted
// as given); Unused_port_termination accepted. Model names are unique in the
// file. A referenced file must exist in the folder of the referring file or
// below it (relative path, no "..", not absolute). Unknown sub-parameters
// are cautions. Time is linear in the lines: names are kept in hash sets.
#pragma once
#include "base/AmiExport.h"

extern "C" {

AMI_EXPORT int ICM_Init(void);
AMI_EXPORT int ICM_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// A keyword of another group closes what is open (E5213 for each block not
// closed by its end keyword).
AMI_EXPORT int ICM_Fini(int iNewKeyword);
// Forgets everything read (a new file).
AMI_EXPORT void ICM_Reset(void);

}  // extern "C"
