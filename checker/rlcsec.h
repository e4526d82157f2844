// R/L/C section descriptions (prefix RLCSEC_), shared by the section data of
// [Pin Numbers] in package models and by [Path Description] in board
// descriptions:
//   Len=0.5 L=8.3n C=3.2p R=0.04 /   one section, closed by "/"
//   Len=0 R=22 /                     Len=0: the values are lumped
//   Fork ... Endfork                 a branch off the point reached so far
// Blanks may stand around "="; a section may not span lines. With Len > 0 the
// L, R and C values are per unit of length, so a section adds Len times each
// value to the totals; with Len = 0 it adds the values themselves.
//
// Rules checked here (the caller gives the codes of its own block):
//   - syntax: unknown token E1919, "=" missing E1921, "=" misplaced E1918,
//     value missing E1923, bad number E1922 (the common R/L/C messages); a
//     digit after the scale letter W1910, as in every table;
//   - a parameter given twice in one section, a section without Len, a value
//     below zero, a section with nothing but Len;
//   - Fork and Endfork only between sections, Endfork only after Fork;
//   - at the end of a pin or path (RLCSEC_End): an open section (E1920) and
//     an unbalanced Fork.
#pragma once

#include "base/AmiExport.h"

// Codes of the caller's block for the section rules (0: not raised).
typedef struct RLCSEC_CODES {
  int iDuplicate;  // "%s" parameter name, "%s" owner text
  int iNoLen;      // "%s" owner text
  int iNegative;   // "%s" parameter name, "%s" value text, "%s" owner text
  int iEmpty;      // warning: "%s" owner text
  int iEndfork;    // Endfork without Fork: "%s" owner text
  int iOpenFork;   // Fork not closed at the end: "%s" owner text
  int iForkInside; // Fork or Endfork inside an open section: "%s" owner text
} RLCSEC_CODES;

typedef struct RLCSEC_STATE {
  const RLCSEC_CODES* pCodes;
  char szOwner[96];       // text naming the pin or path in messages
  int bOpen;              // a section has started and is not closed
  int bHas[4];            // Len, L, R, C given in the open section
  double adVal[4];
  unsigned uSections;     // closed sections
  int iForkDepth;
  unsigned uForks;        // Fork keywords seen
  double dLen;            // sum of Len
  double adTotal[3];      // totals of L, R, C
  int bSyntaxError;       // a syntax message was raised
} RLCSEC_STATE;

#define RLCSEC_L 0
#define RLCSEC_R 1
#define RLCSEC_C 2

extern "C" {

// Starts a new pin or path; pszOwner names it in messages.
AMI_EXPORT void RLCSEC_Begin(RLCSEC_STATE* pState, const RLCSEC_CODES* pCodes, const char* pszOwner);
// Reads section text (the whole line or what follows a pin name). Result 1,
// or 0 when the text held a fault (already reported).
AMI_EXPORT int RLCSEC_ParseText(RLCSEC_STATE* pState, const char* pszText);
// Whether the first word of the text starts section data: Len, Fork,
// Endfork, "/", or L, R, C followed by "=" (a pin may be named L, R or C).
AMI_EXPORT int RLCSEC_IsSectionText(const char* pszText);
// Ends the pin or path: E1920 for an open section, the caller's open-fork code
// for an unbalanced Fork. Result 1 when nothing was raised.
AMI_EXPORT int RLCSEC_End(RLCSEC_STATE* pState);

}  // extern "C"
