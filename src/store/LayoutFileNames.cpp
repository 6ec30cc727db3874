#include "store/LayoutFileNames.h"
#include "store/Table.h"
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <filesystem>

namespace belvanto {

namespace {

const QString kStagedSuffix = QStringLiteral("-new");

QString staged(const QString& name, LayoutStage stage)
{
    return stage == LayoutStage::Staged ? name + kStagedSuffix : name;
}

QString swapJournalPath(const QString& directory, const QString& projectName)
{
    return QDir(directory).filePath(projectName + QStringLiteral("_LayoutSwap.txt"));
}

void removeFile(const QString& path)
{
    if (QFile::exists(path) && !QFile::remove(path))
        throw EngineError(QStringLiteral("Cannot remove %1").arg(QDir::toNativeSeparators(path)));
}

// Each staged file and the live file it replaces.
std::vector<std::pair<QString, QString>> stagedAndLive(const QString& directory, const QString& projectName)
{
    std::vector<std::pair<QString, QString>> files;
    for (auto name : {&UnitLayoutTableName, &RelLayoutTableName})
        files.emplace_back(Table::pathOf(directory, name(projectName, LayoutStage::Staged)),
                           Table::pathOf(directory, name(projectName, LayoutStage::Live)));
    // The parameter file goes last: until it is in place, the new tables
    // stand beside no parameters of their own.
    files.emplace_back(LayoutParameterPath(directory, projectName, LayoutStage::Staged),
                       LayoutParameterPath(directory, projectName));
    return files;
}

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

} // namespace

QString UnitLayoutTableName(const QString& projectName, LayoutStage stage)
{
    return staged(projectName + kUnitLayoutSuffix, stage);
}

QString RelLayoutTableName(const QString& projectName, LayoutStage stage)
{
    return staged(projectName + kRelLayoutSuffix, stage);
}

QString LayoutParameterPath(const QString& directory, const QString& projectName, LayoutStage stage)
{
    const QString name = projectName + kLayoutParameterSuffix;
    if (stage == LayoutStage::Live) return QDir(directory).filePath(name);
    // "<P>_LayoutCtrl-new.bin"
    return QDir(directory).filePath(name.chopped(4) + kStagedSuffix + QStringLiteral(".bin"));
}

void DeleteWorkingTables(const QString& directory)
{
    for (const QString& name : {kTempUnitTable, kTempRelTable, kProperRelTable})
        if (Table::exists(directory, name)) Table::remove(directory, name);
}

void CommitLayoutFiles(const QString& directory, const QString& projectName)
{
    const auto files = stagedAndLive(directory, projectName);
    for (const auto& [from, to] : files)
        if (!QFile::exists(from)) throw EngineError(QStringLiteral("%1 not found").arg(QDir::toNativeSeparators(from)));
    const QString journal = swapJournalPath(directory, projectName);
    QSaveFile mark(journal);
    if (!mark.open(QIODevice::WriteOnly) || mark.write("swap\r\n") != 6 || !mark.commit())
        throw EngineError(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(journal)));
    for (const auto& [from, to] : files) renameOver(from, to);
    removeFile(journal);
}

void RecoverLayoutFiles(const QString& directory, const QString& projectName)
{
    const QString journal = swapJournalPath(directory, projectName);
    const bool complete = QFile::exists(journal);
    for (const auto& [from, to] : stagedAndLive(directory, projectName)) {
        if (!QFile::exists(from)) continue;
        if (complete) renameOver(from, to);
        // A table of a killed run may have its rollback journal beside it.
        else if (from.endsWith(QStringLiteral(".db"))) Table::removeFile(from);
        else removeFile(from);
    }
    removeFile(journal);
    DeleteWorkingTables(directory);
    // A run killed while it created a table leaves the file it was making.
    for (const QString& name : {kTempUnitTable, kTempRelTable, kProperRelTable,
                                UnitLayoutTableName(projectName, LayoutStage::Staged),
                                RelLayoutTableName(projectName, LayoutStage::Staged)}) {
        const QString making = Table::pathOf(directory, name) + QStringLiteral(".creating");
        removeFile(making + QStringLiteral("-journal"));
        removeFile(making);
    }
}

} // namespace belvanto
