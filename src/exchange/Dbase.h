#pragma once
// dBase tables: the unit table written as a dBase III file (.dbf, with a
// .dbt memo file for long relationship lists), and the names of its columns.
//
// dBase allows column names of at most 10 characters, letters, digits and
// "_" only. The table export's long names are mapped as follows; every other
// name of the export already fits and is kept as it is:
//
//   Excavation_Unitname  EXC_UNIT       Later than         LATER
//   ExcavationMethod     EXCMETHOD      Earlier than       EARLIER
//   ExcavationDate       EXCDATE        Equal to           EQUAL
//   Interpretation       INTERPRET      Contemporary with  CONTEMP
//   Description          DESCRIPT       Part of            PART_OF
//
// A name outside the export (never written by it) has its illegal characters
// replaced by "_" and is cut to 10 characters.
//
// The file: code page byte 0x57 (Windows-1252), strings C(size), integers
// N(11,0), floats N(20,8), dates D (YYYYMMDD), empty values as blanks, and a
// relationship list of 255 characters or more as a memo.
#include "core/TextFile.h"
#include <QString>

namespace belvanto {

class Session;

inline constexpr int kDbaseNameLength = 10;
// The widest C column written: one past dBase III's 254, but python3-dbf,
// GDAL and our own reader all read it, and the catalogue's 255-character
// texts keep their type. A relationship list of 255 characters or more is a
// memo all the same.
inline constexpr int kDbaseMaxCharWidth = 255;

QString DbaseFieldName(const QString& longName);
// The export's long name of a column name it writes (any letter case), or
// the name itself.
QString DbaseLongFieldName(const QString& shortName);

// Writes the open project's unit table to path (and its .dbt beside it when
// a list needs a memo). The files are written under temporary names and
// renamed into place, so a failure leaves any earlier export untouched.
TextFileResult ExportDbase(Session& session, const QString& path);

} // namespace belvanto
