#include "store/StagedFiles.h"
#include "store/Table.h"
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <filesystem>

namespace belvanto {

namespace {

void renameOver(const QString& from, const QString& to)
{
    if (Table::isOpenAnywhere(to)) throw EngineError(QStringLiteral("Table is busy: %1").arg(QDir::toNativeSeparators(to)));
    std::error_code error;
    // Replaces the target in one step, so it is never missing.
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), error);
    if (error)
        throw EngineError(QStringLiteral("Cannot rename %1 to %2: %3")
                              .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to),
                                   QString::fromStdString(error.message())));
}

void finish(const QString& journal, const std::vector<StagedFile>& files, const QStringList& obsolete)
{
    for (const auto& [from, to] : files)
        if (QFile::exists(from)) renameOver(from, to);
    for (const QString& path : obsolete) RemoveStagedFile(path);
    RemoveStagedFile(journal);
}

} // namespace

void RemoveStagedFile(const QString& path)
{
    // A table of a killed writer may have its rollback journal beside it.
    if (path.endsWith(QStringLiteral(".db"))) {
        Table::removeFile(path);
        return;
    }
    if (QFile::exists(path) && !QFile::remove(path))
        throw EngineError(QStringLiteral("Cannot remove %1").arg(QDir::toNativeSeparators(path)));
}

void CommitStagedFiles(const QString& journal, const std::vector<StagedFile>& files, const QStringList& obsolete)
{
    for (const auto& file : files)
        if (!QFile::exists(file.staged))
            throw EngineError(QStringLiteral("%1 not found").arg(QDir::toNativeSeparators(file.staged)));
    QSaveFile mark(journal);
    if (!mark.open(QIODevice::WriteOnly) || mark.write("swap\r\n") != 6 || !mark.commit())
        throw EngineError(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(journal)));
    finish(journal, files, obsolete);
}

bool RecoverStagedFiles(const QString& journal, const std::vector<StagedFile>& files, const QStringList& obsolete)
{
    if (QFile::exists(journal)) {
        finish(journal, files, obsolete);
        return true;
    }
    for (const auto& file : files) RemoveStagedFile(file.staged);
    return false;
}

} // namespace belvanto
