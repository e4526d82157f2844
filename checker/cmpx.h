// The component tables that IBIS 6.0 and later added (prefix CMPX_),
// keyword numbers 118 to 123: [Repeater Pin] (6.0), [Clock Pins] (7.1),
// [Bus Label] and [Die Supply Pads] (7.0), and [Interconnect Model Group]
// ... [End Interconnect Model Group] (7.0).
//
// Each table belongs to the component being read (CMPNT_GetCurrent); the
// component stays open across them, and when a keyword of another group
// arrives this module hands it on to CMPNT_Fini so the component ends as it
// would have. Pins are found through the component's pin index, so a table
// costs time linear in its rows.
//
// Rules: a [Repeater Pin] row is "rx_pin tx_non_inv_pin", both pins of the
// component (a pin named in two rows is a caution); once the models are
// known, each pin should be the non-inverting pin of a [Diff Pin] pair whose
// model receives (first column) or drives (second) and has an
// [Algorithmic Model] (cautions, CMPX_TestRepeaters); a [Clock Pins] row
// starts with the clock pin and names the clocked pin, both pins of the
// component (the relationship column is accepted as given; a row of other
// than three columns is a caution). [Bus Label] and [Die Supply Pads] rows
// of fewer than two columns are cautions; their names are kept on the
// component (CMPNT_STRUCT::pLabels) as buses that [Pin Mapping] may name.
// An interconnect model group needs a name and its end keyword; its lines
// are accepted as given.
#pragma once
#include "base/AmiExport.h"

struct CMPNT_STRUCT;
struct CMPX_LABELS;
struct MDL_STRUCT;
struct MSEL_STRUCT;

extern "C" {

AMI_EXPORT int CMPX_Init(void);
// One keyword or data line of the tables (result 1; 0 when no component is
// open, after E5100).
AMI_EXPORT int CMPX_ReceiveLine(int iLineType, int iKeyword, char* pszLine);
// Closes the table; a keyword of another group also ends the component
// (CMPNT_Fini).
AMI_EXPORT int CMPX_Fini(int iNewKeyword);
// The component ends (called by CMPNT): an interconnect model group still
// open raises E5105; the table state is dropped.
AMI_EXPORT void CMPX_ComponentEnd(void);
// Forgets the table state (a new file).
AMI_EXPORT void CMPX_Reset(void);
// Whether a bus name is known to a component as a file of 7.0 or later
// allows: a name in its [Bus Label] or [Die Supply Pads] rows, or the signal
// name of one of its POWER or GND pins. 0 below 7.0 or for a null component.
AMI_EXPORT int CMPX_IsBusLabel(const struct CMPNT_STRUCT* pCmpnt, const char* pszName);
// The whole-file rules of a component's [Repeater Pin] rows, once its models
// are known. Each pin of a row should be the non-inverting pin of a
// [Diff Pin] pair (C5108); the model of the first pin (or each model of its
// selector) should receive and that of the second drive (C5110), and each
// should have an [Algorithmic Model] (C5109). These are cautions: the rules
// come from the change document that brought the keyword and its
// precursor, not from the standard's final text. Result 1.
AMI_EXPORT int CMPX_TestRepeaters(const struct CMPNT_STRUCT* pCmpnt, struct MDL_STRUCT* pModels,
                                  struct MSEL_STRUCT* pMsels);
// From 7.0 on, where the signal name of a POWER or GND pin names its bus, a
// signal name carried by both a POWER and a GND pin of the component would
// join the two rails: a caution (C5111), once per name. Result 1.
AMI_EXPORT int CMPX_TestSupplySignals(const struct CMPNT_STRUCT* pCmpnt);
// Frees the names a component's tables collected (null accepted).
AMI_EXPORT void CMPX_FreeLabels(struct CMPX_LABELS** ppLabels);

}  // extern "C"
