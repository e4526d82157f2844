// The EMI keywords (prefix EMI_): [Begin EMI Component] ... [End EMI
// Component] with [Pin EMI] and [Pin Domain EMI] in a component, and
// [Begin EMI Model] ... [End EMI Model] in a model, handed on by the
// component and model modules (codes 4700-4706, 4800-4803, 4900-4901).
//
// Rules:
//   - component block: sub-parameters Domain (one value), Cpd,
//     C_Heatsink_gnd and C_Heatsink_float (one to three values, typ min max,
//     each a number not below zero or NA), each once; no other
//     sub-parameter; the block is opened once and closed by its end keyword
//     before the component ends;
//   - [Pin EMI] rows name pins of the component, each pin once;
//   - model block: Model_emi_type Ferrite or Not_a_ferrite, Model_Domain
//     Analog or Digital, each once, no other sub-parameter; the block is
//     closed before the model ends.
#pragma once

#include "base/AmiExport.h"

struct CMPNT_STRUCT;

extern "C" {

// A line of a component keyword (any). Result 1.
AMI_EXPORT int EMI_ComponentLine(struct CMPNT_STRUCT* pCmpnt, int iLineType, int iKeyword, const char* pszLine);
// The component ends: an open block misses its end; [Pin EMI] pins are
// checked against the component's pins.
AMI_EXPORT void EMI_ComponentEnd(struct CMPNT_STRUCT* pCmpnt);
// A line of a model keyword (any). Result 1.
AMI_EXPORT int EMI_ModelLine(int iLineType, int iKeyword, const char* pszLine, const char* pszModel);
// The model ends: an open block misses its end.
AMI_EXPORT void EMI_ModelEnd(void);

}  // extern "C"
