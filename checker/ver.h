// IBIS versions as data (prefix VER_).
//
// A version is held as a level: ten times the major number plus the minor
// (2.1 is 21, 7.2 is 72). One table lists the versions the checker knows, in
// order, with the limits that depend on them; a second table gives every
// keyword number its name and the level that brought it (and, where one
// did, the level that retired it); a third does the same for the
// sub-parameters and enumerations that arrived after 5.0. The frame, the
// header and the modules of the newer groups read these tables, so a newer
// version is a table edit.
//
// Files up to 5.0 keep their old grouping: every 2.x file is read with the
// 2.1 table, 3.x with 3.2, 4.x with 4.2 (VER_ForMajor).
#pragma once
#include "base/AmiExport.h"

#define VER_LEVEL_50 50
#define VER_NEWEST 72

extern "C" {

// The level of a version text ("7.1" -> 71). *pbKnown (when given) gets 1
// when the text is one of the known versions. An unknown text of the form
// d.d (or d) gives the level of the newest known version not above it, at
// least the major's old table (5.9 -> 51, 4.3 -> 42, 8.0 -> 72); anything
// else gives 0.
AMI_EXPORT int VER_Level(const char* pszText, int* pbKnown);
// The level that reads a file of this old major number: 2 -> 21, 3 -> 32,
// 4 -> 42, 5 -> 50; 0 outside 2..5.
AMI_EXPORT int VER_ForMajor(int iMajor);
// The version text of a level ("7.1"); "" for a level not in the table.
/* Every version read, oldest first: "2.0, 2.1, ..., 7.2". */
AMI_EXPORT const char* VER_List(void);
AMI_EXPORT const char* VER_Name(int iLevel);
// Whether a version text is one of the known versions after 5.0.
AMI_EXPORT int VER_IsNewVersion(const char* pszText);
// The longest line allowed (characters) for a file of this level.
AMI_EXPORT int VER_LineMax(int iLevel);
// Whether file names may carry upper-case letters and a relative
// subdirectory path at this level.
AMI_EXPORT int VER_FileNamesMixedCase(int iLevel);
// The longest file name (base, period and extension) at this level.
AMI_EXPORT int VER_FileNameMax(int iLevel);
// The longest model, signal, selector and test load name at this level
// (20 characters before 4.x, 40 from it on).
AMI_EXPORT int VER_NameMax(int iLevel);
// The most rows of a [Rising Waveform] or [Falling Waveform] table at this
// level (100 before 4.x, 1000 from it on).
AMI_EXPORT int VER_WaveformRowsMax(int iLevel);

// The table name of a keyword number ("IBIS_VER"; "NOT_KEY" outside).
AMI_EXPORT const char* VER_KeywordName(int iKeyword);
// The level that brought a keyword (0: never matched by name, the context
// rules produce it) and the level that retired it (0: never retired).
AMI_EXPORT int VER_KeywordIntroduced(int iKeyword);
AMI_EXPORT int VER_KeywordRetired(int iKeyword);
// Whether a keyword is recognised in a file of this level.
AMI_EXPORT int VER_KeywordAllowed(int iKeyword, int iLevel);

// The level that brought a sub-parameter or enumeration value of a group
// ("Language", "IBIS-ISS"), compared without regard to case; 0 when the
// table does not hold it.
AMI_EXPORT int VER_ItemIntroduced(const char* pszGroup, const char* pszName);
// Whether the table holds the item and allows it at this level.
AMI_EXPORT int VER_ItemAllowed(const char* pszGroup, const char* pszName, int iLevel);
// Whether an item of a group is known at this level: the table does not
// hold it (it belongs to the group's first table) or allows it. For groups
// whose later members the table lists (Model_type, Model, Model Spec,
// Submodel_type).
AMI_EXPORT int VER_ItemKnown(const char* pszGroup, const char* pszName, int iLevel);

}  // extern "C"
