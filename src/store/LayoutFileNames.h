#pragma once
// The names of a project's layout files, and the swap that replaces them.
//
// A layout run writes its three files under staged names beside the layout
// they replace and swaps them in at its end, so that a run that is killed
// leaves the last layout whole. The staged names end after the layout
// suffixes ("<P>_UnitLayout-new.db"), where no project's own file names can.
// A swap journal marks the staged files complete before the first rename; a
// swap cut short is finished, and the staged files of a run that did not get
// that far are removed, by RecoverLayoutFiles when the project is next opened
// or laid out.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace belvanto {

inline const QString kUnitLayoutSuffix = QStringLiteral("_UnitLayout");
inline const QString kRelLayoutSuffix = QStringLiteral("_RelLayout");
inline const QString kLayoutParameterSuffix = QStringLiteral("_LayoutCtrl.bin");
// The working tables of a layout run, one set per folder.
inline const QString kTempUnitTable = QStringLiteral("__TempUnit");
inline const QString kTempRelTable = QStringLiteral("__TempRel");
inline const QString kProperRelTable = QStringLiteral("__ProperRelS");
// The period relation table a period check of the run writes.
inline const QString kPeriodRelationTable = QStringLiteral("_PerRel");

enum class LayoutStage { Live, Staged };

QString UnitLayoutTableName(const QString& projectName, LayoutStage stage = LayoutStage::Live);
QString RelLayoutTableName(const QString& projectName, LayoutStage stage = LayoutStage::Live);
QString LayoutParameterPath(const QString& directory, const QString& projectName,
                            LayoutStage stage = LayoutStage::Live);

// The live layout files: both tables and the parameter file.
QStringList LayoutFilePaths(const QString& directory, const QString& projectName);

void DeleteWorkingTables(const QString& directory);

// Swaps the staged files in for the live ones. Throws EngineError when a
// staged file is missing, a live table is open or a file cannot be renamed.
void CommitLayoutFiles(const QString& directory, const QString& projectName);
// Finishes a swap cut short, or removes the staged files of a run that did
// not get that far, and the working tables such a run left.
void RecoverLayoutFiles(const QString& directory, const QString& projectName);

} // namespace belvanto
