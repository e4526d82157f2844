// The series data of models (prefix SERIES_): [R Series] to [Rc Series],
// [Series Current], [Series MOSFET], [On] and [Off], checked after the whole
// file is read from what the model module stored (codes 2800-2811 for
// [Series MOSFET], 2900-2909 for the series information of a model).
//
// Rules:
//   - series keywords belong to models of type Series or Series_switch;
//   - a Series model describes at least one series element, outside [On]
//     and [Off];
//   - each [On] and [Off] section of a Series_switch model describes at
//     least one series element (a missing [On] or [Off] is the model
//     module's finding);
//   - [Rl Series] needs [L Series] in its section; [Lc Series] and
//     [Rc Series] need [C Series];
//   - series R, L and C values are not negative;
//   - each [Series MOSFET] table has a Vds line, Vds above zero, and no two
//     tables of one section share a Vds.
#pragma once

#include "base/AmiExport.h"

struct MDL_STRUCT;

extern "C" {

// Checks every model of the list. Result 1 when nothing was raised.
AMI_EXPORT int SERIES_Test(MDL_STRUCT* pModels);

}  // extern "C"
