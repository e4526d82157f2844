// [Initial Delay] of IBIS 6.1 (prefix IDLY_), keyword number 130: the delay
// a model or submodel adds before its waveform tables, so that a scheduled
// or added model does not count the delay of its tables twice.
//
// The keyword belongs to the [Model] or [Submodel] being read, which stay
// open across it; when a keyword of another group arrives this module hands
// it on to MDL_Fini or SUBMDL_Fini so the model ends as it would have. The
// values are typ/min/max numbers (or NA); the column layout is accepted as
// given and a value that is not a number is a caution.
#pragma once
#include "base/AmiExport.h"

extern "C" {

AMI_EXPORT int IDLY_Init(void);
// One keyword or data line (E5300 when no model or submodel is open).
AMI_EXPORT int IDLY_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
AMI_EXPORT int IDLY_Fini(int iNewKeyword);

}  // extern "C"
