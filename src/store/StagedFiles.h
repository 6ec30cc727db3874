#pragma once
// Files replaced as one: the new files are written under staged names beside
// the ones they replace and swapped in at the end, so a program killed at any
// moment leaves the old files or the new ones, never a mixture.
//
// A journal marks the staged files complete before the first rename. The
// next owner of the files finishes a swap cut short; without the journal the
// staged files are an unfinished writer's and are removed.
#include <QString>
#include <QStringList>
#include <vector>

namespace belvanto {

struct StagedFile {
    QString staged;
    QString live;
};

// Renames each staged file over its live one, in the order given, then
// removes the obsolete files (tables with their rollback journals). Throws
// EngineError when a staged file is missing, a live table is open in this
// process or a file cannot be renamed or removed.
void CommitStagedFiles(const QString& journal, const std::vector<StagedFile>& files,
                       const QStringList& obsolete = {});
// Finishes a swap cut short and returns true, or removes the staged files of
// a writer that did not get that far and returns false.
bool RecoverStagedFiles(const QString& journal, const std::vector<StagedFile>& files,
                        const QStringList& obsolete = {});
// Removes a file; a table goes with its rollback journal.
void RemoveStagedFile(const QString& path);

} // namespace belvanto
