// [Model] and its keywords: the model record, its sub-parameters and
// single-line ranges, the keyword-order rules, the routing of tables to their
// modules, and the end-of-model rules.
#include "checker/mdl.h"

#include <stdlib.h>
#include <string.h>

#include "base/cmn.h"
#include "checker/drvsh.h"
#include "base/errlog.h"
#include "checker/frameio.h"
#include "checker/ibis.h"
#include "checker/emi.h"
#include "checker/ext.h"
#include "checker/keywords.h"
#include "checker/mspec.h"
#include "checker/parse.h"
#include "checker/ver.h"
#include "checker/ramp.h"
#include "checker/rcvth.h"
#include "checker/wvfrm.h"

namespace {

MDL_STRUCT* s_pCur = nullptr;       // current model
int s_iKeyword = KW_NOT_KEY;        // last model keyword received
int s_iPrevKeyword = KW_NOT_KEY;    // the model keyword before it (set when a section ends)
MDL_SERIES* s_pSeries = nullptr;    // series section receiving series keywords
MDL_MOSFET* s_pMosfet = nullptr;    // [Series MOSFET] table receiving lines
CRV_STRUCT** s_ppSeriesCrv = nullptr;  // series I-V table of the last series table keyword
bool s_bComposite = false;          // a composite current receives lines

// Model type names by number, searched in this order from "Input" on. File
// versions 1 and 2 accept the names up to "Terminator", version 3 up to
// "3-state_ECL", later versions all.
const char* const s_aszTypes[] = {
    "", "No Type", "Input", "Output", "I/O", "3-state", "Open_drain", "I/O_open_drain", "Open_sink",
    "I/O_open_sink", "Open_source", "I/O_open_source", "Input_ECL", "Output_ECL", "I/O_ECL", "Terminator",
    "Series", "Series_switch", "3-state_ECL", "I/O_diff", "Output_diff", "3-state_diff", "Input_diff"};
const int s_nTypes = (int)(sizeof s_aszTypes / sizeof s_aszTypes[0]);
const char* const s_aszPolarity[] = {"", "No Polarity", "Non-Inverting", "Inverting"};
const char* const s_aszEnable[] = {"", "No Enable", "Active-High", "Active-Low"};

// Sub-parameter names, compared with case, in MDL_SUB_* order.
const char* const s_aszSubs[MDL_SUB_COUNT] = {
    "Model_type", "Polarity", "Enable", "Vinl", "Vinh", "Vmeas", "Cref", "Rref", "Vref", "Rref_diff", "Cref_diff",
    "C_comp", "C_comp_pullup", "C_comp_pulldown", "C_comp_power_clamp", "C_comp_gnd_clamp"};

bool s_isInputType(int t) {
  switch (t) {
    case MDL_TYPE_INPUT: case MDL_TYPE_IO: case MDL_TYPE_IO_OPEN_DRAIN: case MDL_TYPE_IO_OPEN_SINK:
    case MDL_TYPE_IO_OPEN_SOURCE: case MDL_TYPE_INPUT_ECL: case MDL_TYPE_IO_ECL:
      return true;
    default:
      return false;
  }
}
bool s_isIOType(int t) { return s_isInputType(t) && t != MDL_TYPE_INPUT && t != MDL_TYPE_INPUT_ECL; }
bool s_isOutputType(int t) {
  switch (t) {
    case MDL_TYPE_OUTPUT: case MDL_TYPE_IO: case MDL_TYPE_3STATE: case MDL_TYPE_OPEN_DRAIN:
    case MDL_TYPE_IO_OPEN_DRAIN: case MDL_TYPE_OPEN_SINK: case MDL_TYPE_IO_OPEN_SINK: case MDL_TYPE_OPEN_SOURCE:
    case MDL_TYPE_IO_OPEN_SOURCE: case MDL_TYPE_OUTPUT_ECL: case MDL_TYPE_IO_ECL: case MDL_TYPE_3STATE_ECL:
    case MDL_TYPE_IO_DIFF: case MDL_TYPE_OUTPUT_DIFF: case MDL_TYPE_3STATE_DIFF:
      return true;
    default:
      return false;
  }
}
bool s_isSeries(int t) { return t == MDL_TYPE_SERIES || t == MDL_TYPE_SERIES_SWITCH; }
const char* s_typeName(int t) { return MDL_TypeNameForMessage(t); }

// I-V table slot and message name of a keyword; -1 for other keywords.
int s_crvSlot(int kw, const char** ppszName) {
  switch (kw) {
    case KW_PULLDOWN: *ppszName = "Pulldown"; return MDL_CRV_PULLDOWN;
    case KW_PULLUP: *ppszName = "Pullup"; return MDL_CRV_PULLUP;
    case KW_GND_CLAMP: *ppszName = "GND Clamp"; return MDL_CRV_GND_CLAMP;
    case KW_POWER_CLAMP: *ppszName = "POWER Clamp"; return MDL_CRV_POWER_CLAMP;
    case KW_ISSO_PD: *ppszName = "ISSO PD"; return MDL_CRV_ISSO_PD;
    case KW_ISSO_PU: *ppszName = "ISSO PU"; return MDL_CRV_ISSO_PU;
    default: *ppszName = ""; return -1;
  }
}

// Single-line range keyword: slot and name; -1 for other keywords.
int s_rngSlot(int kw, const char** ppszName) {
  switch (kw) {
    case KW_TEMPERATURE_RANGE: *ppszName = "Temperature Range"; return MDL_RNG_TEMPERATURE_RANGE;
    case KW_VOLTAGE_RANGE: *ppszName = "Voltage Range"; return MDL_RNG_VOLTAGE_RANGE;
    case KW_PULLUP_REFERENCE: *ppszName = "Pullup Reference"; return MDL_RNG_PULLUP_REFERENCE;
    case KW_PULLDOWN_REFERENCE: *ppszName = "Pulldown Reference"; return MDL_RNG_PULLDOWN_REFERENCE;
    case KW_POWER_CLAMP_REFERENCE: *ppszName = "POWER Clamp Reference"; return MDL_RNG_POWER_CLAMP_REFERENCE;
    case KW_GND_CLAMP_REFERENCE: *ppszName = "GND Clamp Reference"; return MDL_RNG_GND_CLAMP_REFERENCE;
    case KW_EXTERNAL_REFERENCE: *ppszName = "External Reference"; return MDL_RNG_EXTERNAL_REFERENCE;
    case KW_RGND: *ppszName = "Rgnd"; return MDL_RNG_RGND;
    case KW_RPOWER: *ppszName = "Rpower"; return MDL_RNG_RPOWER;
    case KW_RAC: *ppszName = "Rac"; return MDL_RNG_RAC;
    case KW_CAC: *ppszName = "Cac"; return MDL_RNG_CAC;
    case KW_TTGND: *ppszName = "TTgnd"; return MDL_RNG_TTGND;
    case KW_TTPOWER: *ppszName = "TTpower"; return MDL_RNG_TTPOWER;
    default: *ppszName = ""; return -1;
  }
}

// Series R/L/C keyword: slot and name; -1 for other keywords.
int s_serSlot(int kw, const char** ppszName) {
  switch (kw) {
    case KW_R_SERIES: *ppszName = "R Series"; return MDL_SER_R;
    case KW_L_SERIES: *ppszName = "L Series"; return MDL_SER_L;
    case KW_RL_SERIES: *ppszName = "Rl Series"; return MDL_SER_RL;
    case KW_C_SERIES: *ppszName = "C Series"; return MDL_SER_C;
    case KW_LC_SERIES: *ppszName = "Lc Series"; return MDL_SER_LC;
    case KW_RC_SERIES: *ppszName = "Rc Series"; return MDL_SER_RC;
    default: *ppszName = ""; return -1;
  }
}

unsigned long long s_bit(int kw) { return 1ull << (unsigned)(kw - KW_MODEL); }
bool s_seen(const MDL_STRUCT* m, int kw) { return (m->ullKeywords & s_bit(kw)) != 0; }

// Keywords that must not come before [Model Spec] (and, but for the ISSO
// tables, before [Receiver Thresholds]).
const int s_aiBeforeSpec[] = {KW_TEMPERATURE_RANGE, KW_VOLTAGE_RANGE, KW_PULLUP_REFERENCE, KW_PULLDOWN_REFERENCE,
                              KW_POWER_CLAMP_REFERENCE, KW_GND_CLAMP_REFERENCE, KW_TTGND, KW_TTPOWER,
                              KW_DRIVER_SCHEDULE, KW_PULLDOWN, KW_PULLUP, KW_GND_CLAMP, KW_POWER_CLAMP, KW_RGND,
                              KW_RPOWER, KW_RAC, KW_CAC, KW_RAMP, KW_RISING_WAVEFORM, KW_FALLING_WAVEFORM,
                              KW_ADD_SUBMODEL, KW_RECEIVER_THRESHOLDS, KW_ISSO_PD, KW_ISSO_PU};

bool s_anySeenBefore(const MDL_STRUCT* m, bool bSkipIsso) {
  for (int kw : s_aiBeforeSpec) {
    if (bSkipIsso && (kw == KW_ISSO_PD || kw == KW_ISSO_PU)) continue;
    if (s_seen(m, kw)) return true;
  }
  return false;
}

// The text after a keyword's "]".
const char* s_afterKeyword(const char* pLine) {
  const char* p = strchr(pLine, ']');
  return p ? p + 1 : "";
}

// The text after the first field of a data line.
const char* s_afterFirstField(const char* pLine, const char* pszField) {
  const char* p = pLine;
  while (*p && CMN_IsWhitespace((unsigned char)*p)) ++p;
  const size_t n = strlen(pszField);
  return strncmp(p, pszField, n) == 0 ? p + n : p;
}

// ---- [Model] line and sub-parameters ----

void s_modelLine(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(s_afterKeyword(pLine), 1, &args)) return;
  if (args->uiFound == 0) {
    ERRLOG_LineErrorNew(127);
    CMN_ArgFree(&args);
    return;
  }
  if (args->uiFound > 1) ERRLOG_LineErrorNew(128, (int)args->uiFound, "Model", 1);
  const char* name = CMN_ArgGet(args, 0);
  const unsigned limit = (unsigned)VER_NameMax(PARSE_GetRuleLevel());
  if (strlen(name) > limit) {
    ERRLOG_LineErrorNew(129, (int)limit);
    CMN_strncpy(s_pCur->szName, name, limit);
  } else {
    if (CMN_ReservedWord(name)) ERRLOG_LineErrorNew(130, name);
    MDL_STRUCT* models = nullptr;
    IBIS_GetMdls(&models);
    for (const MDL_STRUCT* m = models; m; m = m->pNext)
      if (m != s_pCur && strcmp(m->szName, name) == 0) {
        ERRLOG_LineErrorNew(131, name);
        break;
      }
    CMN_strncpy(s_pCur->szName, name, limit);
  }
  CMN_ArgFree(&args);
}

// Model_type, Polarity, Enable: the value looked up in its list.
void s_enumLine(int iSub, const CMN_ARGLIST* args) {
  const char* name = s_aszSubs[iSub];
  int* field = iSub == MDL_SUB_MODEL_TYPE ? &s_pCur->iType : iSub == MDL_SUB_POLARITY ? &s_pCur->iPolarity
                                                                                       : &s_pCur->iEnable;
  *field = 1;  // "No Type", "No Polarity", "No Enable" until a value is accepted
  const unsigned n = args->uiFound;
  if (n == 1) {
    ERRLOG_LineErrorNew(175, name);
    return;
  }
  if (n >= 3) {
    if (strcmp(CMN_ArgGet(args, 1), "=") == 0) ERRLOG_LineErrorNew(176, name);
    else ERRLOG_LineErrorNew(137, (int)n, name, 2);
    return;
  }
  const char* value = CMN_ArgGet(args, 1);
  const char* const* list = s_aszPolarity;
  int count = 4;
  // Model types newer than the file's table are not offered.
  const char* group = "";
  if (iSub == MDL_SUB_MODEL_TYPE) {
    list = s_aszTypes;
    count = s_nTypes;
    group = "Model_type";
  } else if (iSub == MDL_SUB_ENABLE) {
    list = s_aszEnable;
  }
  const int level = PARSE_GetRuleLevel();
  auto known = [&](int i) { return !*group || VER_ItemKnown(group, list[i], level); };
  for (int i = 2; i < count; ++i)
    if (known(i) && strcmp(value, list[i]) == 0) {
      *field = i;
      return;
    }
  for (int i = 2; i < count; ++i)
    if (known(i) && CMN_StrSameIC(value, list[i])) {
      ERRLOG_LineErrorNew(136, name, value, list[i]);
      return;
    }
  ERRLOG_LineErrorNew(158, name, value);
}

// Vinl ... Cref_diff: "name = value", gated by the model type.
void s_valueLine(int iSub, const CMN_ARGLIST* args) {
  const char* name = s_aszSubs[iSub];
  const unsigned n = args->uiFound;
  if (n == 1 || n == 2) {
    ERRLOG_LineErrorNew(176, name);
    return;
  }
  if (n != 3) {
    ERRLOG_LineErrorNew(137, (int)n, name, 3);
    return;
  }
  if (strcmp(CMN_ArgGet(args, 1), "=") != 0) {
    ERRLOG_LineErrorNew(176, name);
    return;
  }
  const char* text = CMN_ArgGet(args, 2);
  double d = 0.0;
  if (!CMN_Get_Value(text, &d)) {
    ERRLOG_LineErrorNew(149, name, text);
    return;
  }
  const int t = s_pCur->iType;
  switch (iSub) {
    case MDL_SUB_VINL:
    case MDL_SUB_VINH:
      if (t == MDL_TYPE_NONE || t == MDL_TYPE_NO_TYPE) return;  // no type to judge by: dropped
      if (!s_isInputType(t)) {
        ERRLOG_LineWarnNew(iSub == MDL_SUB_VINL ? 159 : 161, s_typeName(t));
        return;
      }
      break;
    case MDL_SUB_VMEAS:
    case MDL_SUB_CREF:
    case MDL_SUB_RREF:
    case MDL_SUB_VREF:
      if (t == MDL_TYPE_INPUT || t == MDL_TYPE_INPUT_DIFF || t == MDL_TYPE_INPUT_ECL || t == MDL_TYPE_TERMINATOR ||
          s_isSeries(t)) {
        static const int codes[] = {166, 167, 168, 169};
        ERRLOG_LineWarnNew(codes[iSub - MDL_SUB_VMEAS], s_typeName(t));
        return;
      }
      break;
    case MDL_SUB_RREF_DIFF:
    case MDL_SUB_CREF_DIFF:
      if (!VER_ItemKnown("Model", name, PARSE_GetRuleLevel())) {
        ERRLOG_LineErrorNew(iSub == MDL_SUB_RREF_DIFF ? 164 : 162);
        return;
      }
      if (!s_isOutputType(t)) {
        ERRLOG_LineWarnNew(iSub == MDL_SUB_RREF_DIFF ? 165 : 163, s_typeName(t));
        return;
      }
      break;
    default:
      break;
  }
  s_pCur->adSub[iSub] = d;
  s_pCur->abSubSet[iSub] = 1;
}

// C_comp and its variants: a typ/min/max range after the name.
void s_ccompLine(int iSub, const char* pLine) {
  const char* name = s_aszSubs[iSub];
  if (!VER_ItemKnown("Model", name, PARSE_GetRuleLevel())) {
    ERRLOG_LineErrorNew(170 + (iSub - MDL_SUB_C_COMP_PULLUP));
    return;
  }
  RNG_STRUCT** slot = &s_pCur->apCcomp[iSub - MDL_SUB_C_COMP];
  RNG_ParseRange(s_afterFirstField(pLine, name), name, slot);
  const RNG_STRUCT* r = *slot;
  if (!r) return;
  if (r->typ.iState == RNG_NA) ERRLOG_LineErrorNew(178);
  const bool typ = r->typ.iState == RNG_VALUE, min = r->min.iState == RNG_VALUE, max = r->max.iState == RNG_VALUE;
  if (min && ((typ && r->min.dValue > r->typ.dValue) || (max && r->min.dValue > r->max.dValue)))
    ERRLOG_LineWarnNew(177, s_pCur->szName, name);
  if (max && ((typ && r->typ.dValue > r->max.dValue) || (min && r->min.dValue > r->max.dValue)))
    ERRLOG_LineWarnNew(179, s_pCur->szName, name);
}

void s_subParameter(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 3, '=', &args)) return;
  int sub = -1;
  for (int i = 0; i < MDL_SUB_COUNT; ++i)
    if (strcmp(CMN_ArgGet(args, 0), s_aszSubs[i]) == 0) sub = i;
  if (sub < 0) {
    ERRLOG_LineErrorNew(174);
  } else if (s_pCur->abSubSeen[sub]) {
    ERRLOG_LineErrorNew(119, s_aszSubs[sub], s_pCur->szName);
  } else {
    s_pCur->abSubSeen[sub] = 1;
    if (sub <= MDL_SUB_ENABLE) s_enumLine(sub, args);
    else if (sub < MDL_SUB_C_COMP) s_valueLine(sub, args);
    else s_ccompLine(sub, pLine);
  }
  CMN_ArgFree(&args);
}

// ---- keywords ----

bool s_seriesBegun(const MDL_STRUCT* m) { return m->pSeries || m->pOn || m->pOff; }

MDL_SERIES* s_newSeries(MDL_SERIES** pp) {
  if (!*pp) {
    *pp = (MDL_SERIES*)calloc(1, sizeof(MDL_SERIES));
    if (!*pp) {
      ERRLOG_ErrorNew(1906, (unsigned)sizeof(MDL_SERIES));
      return nullptr;
    }
    (*pp)->ulLine = PARSE_GetLineNum();
  }
  return *pp;
}

// The section that receives series keywords: the current one, else the
// model's own.
MDL_SERIES* s_series() {
  if (!s_pSeries) s_pSeries = s_newSeries(&s_pCur->pSeries);
  return s_pSeries;
}

void s_rangeKeyword(int kw, int slot, const char* name, const char* pLine) {
  MDL_STRUCT* m = s_pCur;
  if (m->apRange[slot]) {
    ERRLOG_LineErrorNew(119, name, m->szName);
    return;
  }
  if (m->iType == MDL_TYPE_SERIES_SWITCH && s_seriesBegun(m) && kw >= KW_TEMPERATURE_RANGE &&
      kw <= KW_GND_CLAMP_REFERENCE)
    ERRLOG_LineErrorNew(204, m->szName, name);
  RNG_ParseRange(s_afterKeyword(pLine), name, &m->apRange[slot]);
  const RNG_STRUCT* r = m->apRange[slot];
  if (!r) return;
  if (r->typ.iState == RNG_NA) ERRLOG_LineErrorNew(178);
  if (kw == KW_TTGND || kw == KW_TTPOWER) {
    const int base = kw == KW_TTGND ? 108 : 112;
    if (r->typ.iState == RNG_VALUE && r->typ.dValue < 0.0) ERRLOG_LineErrorNew(base);
    if (r->min.iState == RNG_VALUE && r->min.dValue < 0.0) ERRLOG_LineErrorNew(base + 1);
    if (r->max.iState == RNG_VALUE && r->max.dValue < 0.0) ERRLOG_LineErrorNew(base + 2);
  }
}

void s_seriesKeyword(int slot, const char* name, const char* pLine) {
  MDL_SERIES* s = s_series();
  if (!s) return;
  if (s->apRlc[slot]) {
    ERRLOG_LineErrorNew(119, name, s_pCur->szName);
    return;
  }
  RNG_ParseRange(s_afterKeyword(pLine), name, &s->apRlc[slot]);
  if (s->apRlc[slot] && s->apRlc[slot]->typ.iState == RNG_NA) ERRLOG_LineErrorNew(178);
}

void s_compositeKeyword(const char* pLine, int prev) {
  if (prev != KW_RISING_WAVEFORM && prev != KW_FALLING_WAVEFORM) {
    ERRLOG_LineErrorNew(257);
    return;
  }
  WVFRM_STRUCT* last = prev == KW_RISING_WAVEFORM ? s_pCur->pRising : s_pCur->pFalling;
  while (last && last->pNext) last = last->pNext;
  if (!last) {
    ERRLOG_LineErrorNew(258);
    return;
  }
  if (last->pComposite) {
    ERRLOG_LineBugNew(263);
    WVFRM_Free(&last->pComposite);
  }
  s_bComposite = WVFRM_New(pLine, &last->pComposite, "Composite Current") != 0;
}

void s_keywordLine(int kw, char* pLine) {
  MDL_STRUCT* m = s_pCur;
  const int prev = s_iPrevKeyword;
  const char* name = nullptr;
  int slot;
  if (kw == KW_MODEL) {
    s_modelLine(pLine);
  } else if ((slot = s_rngSlot(kw, &name)) >= 0) {
    s_rangeKeyword(kw, slot, name, pLine);
  } else if ((slot = s_serSlot(kw, &name)) >= 0) {
    s_seriesKeyword(slot, name, pLine);
  } else if ((slot = s_crvSlot(kw, &name)) >= 0) {
    CRV_New(pLine, name, &m->apCrv[slot]);
  } else {
    switch (kw) {
      case KW_RAMP:
        RAMP_New(pLine, &m->pRamp);
        break;
      case KW_RISING_WAVEFORM:
        WVFRM_New(pLine, &m->pRising, "Rising Waveform");
        break;
      case KW_FALLING_WAVEFORM:
        WVFRM_New(pLine, &m->pFalling, "Falling Waveform");
        break;
      case KW_COMPOSITE_CURRENT:
        s_compositeKeyword(pLine, prev);
        break;
      case KW_MODEL_SPEC:
        if (s_anySeenBefore(m, false)) ERRLOG_LineErrorNew(116);
        MSPEC_New(pLine, &m->pMspec);
        break;
      case KW_RECEIVER_THRESHOLDS:
        if (s_anySeenBefore(m, true)) ERRLOG_LineErrorNew(120);
        if (!s_isInputType(m->iType)) ERRLOG_LineWarnNew(117, s_typeName(m->iType));
        m->bReceiverThresholds = 1;
        RCVTH_New(pLine, &m->pRcvTh);
        break;
      case KW_DRIVER_SCHEDULE:
        DRVSH_New(pLine, &m->pDrvSh);
        break;
      case KW_ON:
      case KW_OFF:
        if (m->iType != MDL_TYPE_SERIES_SWITCH) ERRLOG_LineErrorNew(205);
        s_pSeries = s_newSeries(kw == KW_ON ? &m->pOn : &m->pOff);
        break;
      case KW_SERIES_CURRENT: {
        MDL_SERIES* s = s_series();
        s_ppSeriesCrv = s ? &s->pSeriesCurrent : nullptr;
        if (s_ppSeriesCrv) CRV_New(pLine, "Series Current", s_ppSeriesCrv);
        break;
      }
      case KW_SERIES_MOSFET: {
        MDL_SERIES* s = s_series();
        s_pMosfet = nullptr;
        if (!s) break;
        MDL_MOSFET* f = (MDL_MOSFET*)calloc(1, sizeof(MDL_MOSFET));
        if (!f) {
          ERRLOG_ErrorNew(1906, (unsigned)sizeof(MDL_MOSFET));
          break;
        }
        MDL_MOSFET** pp = &s->pMosfets;
        while (*pp) pp = &(*pp)->pNext;
        *pp = f;
        s_pMosfet = f;
        CRV_New(pLine, "Series MOSFET", &f->pTable);
        break;
      }
      case KW_EXTERNAL_MODEL:
        m->bExternalModel = 1;
        break;
      case KW_BEGIN_EMI_MODEL:
        m->bEmiModel = 1;
        break;
      case KW_ALGORITHMIC_MODEL:
        ALGMOD_New(pLine, &m->pAlgMod);
        break;
      case KW_END_ALGORITHMIC_MODEL:
        if (prev != KW_ALGORITHMIC_MODEL) ERRLOG_LineErrorNew(261);
        break;
      case KW_END_EMI_MODEL:
        if (prev != KW_BEGIN_EMI_MODEL) ERRLOG_LineErrorNew(262);
        break;
      default:  // [Add Submodel], [End External Model]: nothing on the keyword line
        break;
    }
  }
  if (kw > KW_MODEL && kw <= KW_END_EMI_MODEL) m->ullKeywords |= s_bit(kw);
}

// ---- data lines of the model keywords ----

void s_addSubmodelLine(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pLine, 2, &args)) return;
  if (args->uiFound > 0) {
    MDL_ADDSUB* a = (MDL_ADDSUB*)calloc(1, sizeof(MDL_ADDSUB));
    if (a) {
      CMN_strncpy(a->szName, CMN_ArgGet(args, 0), MDL_NAME_MAX);
      CMN_strncpy(a->szMode, CMN_ArgGet(args, 1), MDL_MODE_MAX);
      a->ulLine = PARSE_GetLineNum();
      MDL_ADDSUB** pp = &s_pCur->pAddSubs;
      while (*pp) pp = &(*pp)->pNext;
      *pp = a;
    } else {
      ERRLOG_ErrorNew(1906, (unsigned)sizeof(MDL_ADDSUB));
    }
  }
  CMN_ArgFree(&args);
}

// Keeps the Reference_supply of [Receiver Thresholds]; its other lines and
// rules belong to the receiver-threshold checks.
void s_receiverThresholdLine(const char* pLine) {
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParse(pLine, 2, &args)) return;
  if (args->uiFound == 2 && strcmp(CMN_ArgGet(args, 0), "Reference_supply") == 0)
    CMN_strncpy(s_pCur->szRefSupply, CMN_ArgGet(args, 1), MDL_REFSUPPLY_MAX);
  CMN_ArgFree(&args);
}

void s_mosfetLine(const char* pLine) {
  if (!s_pMosfet) return;
  CMN_ARGLIST* args = nullptr;
  if (!CMN_ArgParsePlus(pLine, 3, '=', &args)) return;
  if (strcmp(CMN_ArgGet(args, 0), "Vds") == 0) {
    double d = 0.0;
    if (args->uiFound == 3 && strcmp(CMN_ArgGet(args, 1), "=") == 0 && CMN_Get_Value(CMN_ArgGet(args, 2), &d)) {
      s_pMosfet->dVds = d;
      s_pMosfet->bVds = 1;
    }
  } else if (s_pMosfet->pTable) {
    CRV_ReceiveLine(pLine, s_pMosfet->pTable, "Series MOSFET");
  }
  CMN_ArgFree(&args);
}

bool s_takesNoData(int kw) {
  const char* name = nullptr;
  return s_rngSlot(kw, &name) >= 0 || s_serSlot(kw, &name) >= 0 || kw == KW_ON || kw == KW_OFF;
}

void s_dataLine(char* pLine) {
  MDL_STRUCT* m = s_pCur;
  const char* table = nullptr;
  const int slot = s_crvSlot(s_iKeyword, &table);
  if (s_iKeyword == KW_MODEL) {
    s_subParameter(pLine);
  } else if (s_takesNoData(s_iKeyword)) {
    ERRLOG_LineErrorNew(121);
  } else if (slot >= 0) {
    if (m->apCrv[slot]) CRV_ReceiveLine(pLine, m->apCrv[slot], table);
  } else {
    switch (s_iKeyword) {
      case KW_RAMP:
        if (m->pRamp) RAMP_ReceiveLine(pLine, m->pRamp, m->szName);
        break;
      case KW_RISING_WAVEFORM:
        WVFRM_ReceiveLine(pLine, "Rising Waveform");
        break;
      case KW_FALLING_WAVEFORM:
        WVFRM_ReceiveLine(pLine, "Falling Waveform");
        break;
      case KW_COMPOSITE_CURRENT:
        if (s_bComposite) WVFRM_ReceiveLine(pLine, "Composite Current");
        break;
      case KW_MODEL_SPEC:
        if (m->pMspec) MSPEC_ReceiveLine(pLine, m->pMspec, m->szName);
        break;
      case KW_DRIVER_SCHEDULE:
        if (m->pDrvSh) DRVSH_ReceiveLine(pLine, m->pDrvSh, m->szName);
        break;
      case KW_SERIES_CURRENT:
        if (s_ppSeriesCrv && *s_ppSeriesCrv) CRV_ReceiveLine(pLine, *s_ppSeriesCrv, "Series Current");
        break;
      case KW_SERIES_MOSFET:
        s_mosfetLine(pLine);
        break;
      case KW_ADD_SUBMODEL:
        s_addSubmodelLine(pLine);
        break;
      case KW_RECEIVER_THRESHOLDS:
        s_receiverThresholdLine(pLine);
        if (m->pRcvTh) RCVTH_ReceiveLine(pLine, m->pRcvTh, LINE_DATA);
        break;
      case KW_ALGORITHMIC_MODEL:
        if (m->pAlgMod) ALGMOD_ReceiveLine(pLine, m->pAlgMod);
        break;
      default:  // [External Model], EMI model and end keywords: kept by their own checks
        break;
    }
  }
}

// ---- ends of sections and of the model ----

void s_endSubParameters(const MDL_STRUCT* m) {
  if (!m->abSubSeen[MDL_SUB_MODEL_TYPE]) ERRLOG_ErrorNew(180, m->szName, "Model_type");
  if (s_isIOType(m->iType) && m->abSubSet[MDL_SUB_VMEAS]) {
    const double vmeas = m->adSub[MDL_SUB_VMEAS];
    if (m->abSubSet[MDL_SUB_VINL] && !(m->adSub[MDL_SUB_VINL] < vmeas)) ERRLOG_CautionNew(182, m->szName);
    if (m->abSubSet[MDL_SUB_VINH] && !(m->adSub[MDL_SUB_VINH] > vmeas)) ERRLOG_CautionNew(183, m->szName);
  }
}

void s_endSection(int iNewKeyword) {
  MDL_STRUCT* m = s_pCur;
  if (!m) return;
  const char* table = nullptr;
  const int slot = s_crvSlot(s_iKeyword, &table);
  if (slot >= 0) {
    if (m->apCrv[slot]) CRV_Fini(m->szName, m->iType, s_iKeyword, m->apCrv[slot], table, "Model");
    return;
  }
  switch (s_iKeyword) {
    case KW_MODEL:
      s_endSubParameters(m);
      break;
    case KW_RAMP:
      RAMP_Fini(m->pRamp);
      break;
    case KW_RISING_WAVEFORM:
      WVFRM_Fini("Rising", WVFRM_KIND_WAVEFORM);
      break;
    case KW_FALLING_WAVEFORM:
      WVFRM_Fini("Falling", WVFRM_KIND_WAVEFORM);
      break;
    case KW_COMPOSITE_CURRENT:
      if (s_bComposite) WVFRM_Fini("Composite Current", WVFRM_KIND_COMPOSITE);
      s_bComposite = false;
      break;
    case KW_MODEL_SPEC:
      if (m->pMspec) MSPEC_Fini(m);
      break;
    case KW_DRIVER_SCHEDULE:
      DRVSH_Fini(m->pDrvSh, m->szName);
      break;
    case KW_SERIES_CURRENT:
      if (s_ppSeriesCrv && *s_ppSeriesCrv)
        CRV_Fini(m->szName, m->iType, KW_SERIES_CURRENT, *s_ppSeriesCrv, "Series Current", "Model");
      s_ppSeriesCrv = nullptr;
      break;
    case KW_SERIES_MOSFET:
      if (s_pMosfet && s_pMosfet->pTable)
        CRV_Fini(m->szName, m->iType, KW_SERIES_MOSFET, s_pMosfet->pTable, "Series MOSFET", "Model");
      s_pMosfet = nullptr;
      break;
    case KW_ALGORITHMIC_MODEL:
      if (m->pAlgMod) ALGMOD_Fini(m->pAlgMod, iNewKeyword);
      break;
    case KW_RECEIVER_THRESHOLDS:
      RCVTH_Fini(m);
      break;
    default:
      break;
  }
}

bool s_hasSpec(const MDL_STRUCT* m, int iSpecSlot) { return m->pMspec && m->pMspec->apRange[iSpecSlot]; }

void s_endModel(const MDL_STRUCT* m) {
  const char* name = m->szName;
  const int t = m->iType;
  // 1. a component capacitance
  bool ccomp = false;
  for (const RNG_STRUCT* r : m->apCcomp) ccomp = ccomp || r;
  if (!ccomp && !m->bExternalModel) ERRLOG_ErrorNew(181, name);
  // 2. input thresholds
  if (s_isInputType(t) && !m->bReceiverThresholds) {
    if (!m->abSubSet[MDL_SUB_VINL]) ERRLOG_WarnNew(184, name, s_typeName(t), "Vinl");
    if (!m->abSubSet[MDL_SUB_VINH]) ERRLOG_WarnNew(184, name, s_typeName(t), "Vinh");
  }
  // 3.-4. terminator keywords
  static const int term[] = {MDL_RNG_RGND, MDL_RNG_RPOWER, MDL_RNG_RAC, MDL_RNG_CAC};
  static const char* const termNames[] = {"Rgnd", "Rpower", "Rac", "Cac"};
  if (t != MDL_TYPE_TERMINATOR)
    for (int i = 0; i < 4; ++i)
      if (m->apRange[term[i]]) ERRLOG_ErrorNew(185, name, termNames[i]);
  if (m->apRange[MDL_RNG_CAC] && !m->apRange[MDL_RNG_RAC]) ERRLOG_ErrorNew(186, name);
  if (m->apRange[MDL_RNG_RAC] && !m->apRange[MDL_RNG_CAC]) ERRLOG_ErrorNew(187, name);
  // 5. references without [Voltage Range]
  if (!m->apRange[MDL_RNG_VOLTAGE_RANGE]) {
    static const int refs[] = {MDL_RNG_PULLUP_REFERENCE, MDL_RNG_PULLDOWN_REFERENCE, MDL_RNG_POWER_CLAMP_REFERENCE,
                               MDL_RNG_GND_CLAMP_REFERENCE};
    static const char* const refNames[] = {"Pullup Reference", "Pulldown Reference", "POWER Clamp Reference",
                                           "GND Clamp Reference"};
    for (int i = 0; i < 4; ++i)
      if (!m->apRange[refs[i]]) ERRLOG_ErrorNew(188, name, refNames[i]);
  }
  // 6. ramp
  if (s_isSeries(t)) {
    if (m->pRamp) ERRLOG_ErrorNew(189, name);
  } else if (t != MDL_TYPE_INPUT && t != MDL_TYPE_INPUT_ECL && t != MDL_TYPE_TERMINATOR &&
             t != MDL_TYPE_INPUT_DIFF) {
    if (!m->pRamp) ERRLOG_ErrorNew(190, name);
  }
  // 7. what series models must not have
  if (s_isSeries(t)) {
    const int code = t == MDL_TYPE_SERIES ? 191 : 192;
    const struct {
      bool present;
      const char* what;
    } items[] = {
        {m->apCrv[MDL_CRV_PULLUP] != nullptr, "Pullup"},
        {m->apCrv[MDL_CRV_PULLDOWN] != nullptr, "Pulldown"},
        {m->apCrv[MDL_CRV_POWER_CLAMP] != nullptr, "POWER_Clamp"},
        {m->apCrv[MDL_CRV_GND_CLAMP] != nullptr, "GND_Clamp"},
        {m->pRising != nullptr, "Rising Waveform"},
        {m->pFalling != nullptr, "Falling Waveform"},
        {m->apRange[MDL_RNG_TTGND] != nullptr, "TTgnd"},
        {m->apRange[MDL_RNG_TTPOWER] != nullptr, "TTpower"},
        {m->pDrvSh != nullptr, "Driver Schedule"},
    };
    for (const auto& it : items)
      if (it.present) ERRLOG_ErrorNew(code, name, it.what);
    if (m->pMspec) ERRLOG_WarnNew(code, name, "Model Spec");
  }
  // 8. the switch states
  if (t == MDL_TYPE_SERIES_SWITCH) {
    if (!m->pOn) ERRLOG_ErrorNew(193, name);
    if (!m->pOff) ERRLOG_ErrorNew(194, name);
  }
  // 9. the reference of the receiver thresholds
  if (m->bReceiverThresholds && m->szRefSupply[0]) {
    static const struct {
      const char* supply;
      int slot;
      int code;
    } supplies[] = {{"Power_clamp_ref", MDL_RNG_POWER_CLAMP_REFERENCE, 195},
                    {"Gnd_clamp_ref", MDL_RNG_GND_CLAMP_REFERENCE, 196},
                    {"Pullup_ref", MDL_RNG_PULLUP_REFERENCE, 197},
                    {"Pulldown_ref", MDL_RNG_PULLDOWN_REFERENCE, 198},
                    {"Ext_ref", MDL_RNG_EXTERNAL_REFERENCE, 199}};
    for (const auto& s : supplies)
      if (strcmp(m->szRefSupply, s.supply) == 0 && !m->apRange[s.slot]) ERRLOG_ErrorNew(s.code, name);
  }
  // 10. timing test load
  const bool vmeas = m->abSubSet[MDL_SUB_VMEAS] || s_hasSpec(m, MSPEC_VMEAS);
  switch (t) {
    case MDL_TYPE_OPEN_DRAIN: case MDL_TYPE_IO_OPEN_DRAIN: case MDL_TYPE_OPEN_SINK: case MDL_TYPE_IO_OPEN_SINK:
    case MDL_TYPE_OPEN_SOURCE: case MDL_TYPE_IO_OPEN_SOURCE: case MDL_TYPE_OUTPUT_ECL: case MDL_TYPE_IO_ECL:
    case MDL_TYPE_3STATE_ECL: {
      const bool vref = m->abSubSet[MDL_SUB_VREF] || s_hasSpec(m, MSPEC_VREF);
      const bool rref = m->abSubSet[MDL_SUB_RREF] || s_hasSpec(m, MSPEC_RREF);
      if (!vmeas || !vref || !rref) ERRLOG_WarnNew(200, name);
      break;
    }
    case MDL_TYPE_IO_DIFF: case MDL_TYPE_OUTPUT_DIFF: case MDL_TYPE_3STATE_DIFF:
      if (!m->abSubSet[MDL_SUB_RREF_DIFF] && !m->abSubSet[MDL_SUB_CREF_DIFF]) ERRLOG_WarnNew(202, name);
      break;
    case MDL_TYPE_OUTPUT: case MDL_TYPE_IO: case MDL_TYPE_3STATE:
      if (!vmeas) ERRLOG_WarnNew(201, name);
      break;
    default:
      break;
  }
}

void s_freeSeries(MDL_SERIES** pp) {
  MDL_SERIES* s = *pp;
  if (!s) return;
  for (RNG_STRUCT*& r : s->apRlc) RNG_Free(&r);
  CRV_Free(&s->pSeriesCurrent);
  for (MDL_MOSFET* f = s->pMosfets; f;) {
    MDL_MOSFET* next = f->pNext;
    if (f == s_pMosfet) s_pMosfet = nullptr;
    CRV_Free(&f->pTable);
    free(f);
    f = next;
  }
  if (s == s_pSeries) s_pSeries = nullptr;
  if (s_ppSeriesCrv == &s->pSeriesCurrent) s_ppSeriesCrv = nullptr;
  free(s);
  *pp = nullptr;
}

}  // namespace

extern "C" {

int MDL_TypeDrives(int iType) { return s_isOutputType(iType) ? 1 : 0; }


int MDL_Init(void) {
  if (!IBIS_GetIBIS()) {
    ERRLOG_LineBugNew(101);
    return 0;
  }
  MDL_STRUCT* m = (MDL_STRUCT*)calloc(1, sizeof(MDL_STRUCT));
  if (!m) {
    ERRLOG_ErrorNew(1906, (unsigned)sizeof(MDL_STRUCT));
    return 0;
  }
  m->ulLine = PARSE_GetLineNum();
  IBIS_AddMdl(m);
  s_pCur = m;
  s_iKeyword = KW_NOT_KEY;
  s_iPrevKeyword = KW_NOT_KEY;
  s_pSeries = nullptr;
  s_pMosfet = nullptr;
  s_ppSeriesCrv = nullptr;
  s_bComposite = false;
  return 1;
}

int MDL_ReceiveLine(int iLineType, int iKeyword, char* pszLine) {
  if (!pszLine) return 1;
  if (!s_pCur) {
    ERRLOG_LineErrorNew(iLineType == LINE_KEYWORD ? 102 : 107);
    return 1;
  }
  EXT_ModelLine(iLineType, iKeyword, pszLine, s_pCur->szName);
  EMI_ModelLine(iLineType, iKeyword, pszLine, s_pCur->szName);
  if (iLineType == LINE_KEYWORD) {
    s_iKeyword = iKeyword;
    s_keywordLine(iKeyword, pszLine);
  } else {
    s_dataLine(pszLine);
  }
  return 1;
}

int MDL_Fini(int iNewKeyword) {
  s_endSection(iNewKeyword);
  s_iPrevKeyword = s_iKeyword;
  s_iKeyword = KW_NOT_KEY;
  // [Initial Delay] (its own module) keeps the model open.
  const bool inModel = (iNewKeyword > KW_MODEL && iNewKeyword <= KW_END_EMI_MODEL) || iNewKeyword == KW_INITIAL_DELAY;
  if (!inModel) {
    EXT_ModelEnd();
    EMI_ModelEnd();
    if (s_pCur) s_endModel(s_pCur);
    s_pCur = nullptr;
    s_pSeries = nullptr;
    s_pMosfet = nullptr;
    s_ppSeriesCrv = nullptr;
    s_bComposite = false;
    s_iPrevKeyword = KW_NOT_KEY;
  }
  return 1;
}

void MDL_FreeList(MDL_STRUCT* pHead) {
  while (pHead) {
    MDL_STRUCT* next = pHead->pNext;
    if (pHead == s_pCur) {
      s_pCur = nullptr;
      s_bComposite = false;
    }
    for (CRV_STRUCT*& c : pHead->apCrv) CRV_Free(&c);
    for (RNG_STRUCT*& r : pHead->apCcomp) RNG_Free(&r);
    for (RNG_STRUCT*& r : pHead->apRange) RNG_Free(&r);
    RAMP_Free(&pHead->pRamp);
    WVFRM_Free(&pHead->pRising);
    WVFRM_Free(&pHead->pFalling);
    DRVSH_Free(&pHead->pDrvSh);
    MSPEC_Free(&pHead->pMspec);
    s_freeSeries(&pHead->pSeries);
    s_freeSeries(&pHead->pOn);
    s_freeSeries(&pHead->pOff);
    for (MDL_ADDSUB* a = pHead->pAddSubs; a;) {
      MDL_ADDSUB* n = a->pNext;
      free(a);
      a = n;
    }
    ALGMOD_Free(&pHead->pAlgMod);
    RCVTH_Free(&pHead->pRcvTh);
    free(pHead);
    pHead = next;
  }
}

MDL_STRUCT* MDL_GetCurrent(void) { return s_pCur; }

MDL_STRUCT* MDL_FindModel(MDL_STRUCT* pList, const char* pszName) {
  if (!pszName) return nullptr;
  for (MDL_STRUCT* m = pList; m; m = m->pNext)
    if (strcmp(m->szName, pszName) == 0) return m;
  return nullptr;
}

int MDL_NameExists(MDL_STRUCT* pList, const char* pszName) { return MDL_FindModel(pList, pszName) ? 1 : 0; }

int MDL_GetType(const MDL_STRUCT* pModel) { return pModel ? pModel->iType : MDL_TYPE_NONE; }

const char* MDL_FindTypeName(int iType) {
  if (iType < 0 || iType >= s_nTypes) return "";
  return s_aszTypes[iType];
}

const char* MDL_TypeNameForMessage(int iType) {
  const char* n = MDL_FindTypeName(iType);
  return n[0] ? n : "(not set)";
}

// The rules behind these hooks come with the model checks; each walks the
// list it is given and reports through the error log.
int MDL_TestReceiverThresholds(MDL_STRUCT* pModels) { return RCVTH_Check(pModels); }
int MDL_TestDriverSchedules(MDL_STRUCT* pModels) { return DRVSH_Test(pModels); }
int MDL_TestSubmodelRefs(MDL_STRUCT* pModels) { return 1; }
int MDL_TestReferences(MDL_STRUCT* pModels) { return 1; }

}  // extern "C"
