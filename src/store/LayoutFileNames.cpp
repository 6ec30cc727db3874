#include "store/LayoutFileNames.h"
#include "store/StagedFiles.h"
#include "store/Table.h"
#include <QDir>
#include <QFile>

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

// Each staged file and the live file it replaces.
std::vector<StagedFile> stagedAndLive(const QString& directory, const QString& projectName)
{
    std::vector<StagedFile> files;
    for (auto name : {&UnitLayoutTableName, &RelLayoutTableName})
        files.push_back({Table::pathOf(directory, name(projectName, LayoutStage::Staged)),
                         Table::pathOf(directory, name(projectName, LayoutStage::Live))});
    // The parameter file goes last: until it is in place, the new tables
    // stand beside no parameters of their own.
    files.push_back({LayoutParameterPath(directory, projectName, LayoutStage::Staged),
                     LayoutParameterPath(directory, projectName)});
    return files;
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

QStringList LayoutFilePaths(const QString& directory, const QString& projectName)
{
    return {Table::pathOf(directory, UnitLayoutTableName(projectName)),
            Table::pathOf(directory, RelLayoutTableName(projectName)), LayoutParameterPath(directory, projectName)};
}

void CommitLayoutFiles(const QString& directory, const QString& projectName)
{
    CommitStagedFiles(swapJournalPath(directory, projectName), stagedAndLive(directory, projectName));
}

void RecoverLayoutFiles(const QString& directory, const QString& projectName)
{
    RecoverStagedFiles(swapJournalPath(directory, projectName), stagedAndLive(directory, projectName));
    DeleteWorkingTables(directory);
    // A run killed while it created a table leaves the file it was making.
    for (const QString& name : {kTempUnitTable, kTempRelTable, kProperRelTable, kPeriodRelationTable,
                                UnitLayoutTableName(projectName, LayoutStage::Staged),
                                RelLayoutTableName(projectName, LayoutStage::Staged)})
    {
        const QString making = Table::pathOf(directory, name) + QStringLiteral(".creating");
        RemoveStagedFile(making + QStringLiteral("-journal"));
        RemoveStagedFile(making);
    }
}

} // namespace belvanto
