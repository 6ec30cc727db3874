#pragma once
// The unit table as a text table: "x.txt" with one line per unit and the
// schema "x.sch" beside it that names the columns:
//
//   [x]
//   Filetype=VARYING
//   Delimiter="
//   Separator=,
//   CharSet=ascii
//   Field1=Excavation_Unitname,CHAR,21,00,00
//   Field2=MinYear,LONGINT,11,00,00
//   ...
//
// Types CHAR (with its width; long relationship lists stay CHAR, a text
// table has no memo), LONGINT, FLOAT and DATE. In the data, strings stand
// in double quotes (a quote inside doubled), numbers as plain digits with a
// point, dates as yyyy-MM-dd, empty numbers and dates as nothing. A line
// break inside a value becomes one blank, so that every unit is one line.
// Windows-1252; every line ends with CR LF and the file with one more CR.
//
// OpenTextTableSource (TableSources.h) reads such a table back for the
// field-concordance import, typed by its schema.
#include "core/TextFile.h"
#include <QString>

namespace belvanto {

class Session;

// Both files are complete before either replaces an earlier one.
TextFileResult ExportTextTable(Session& session, const QString& path);

} // namespace belvanto
