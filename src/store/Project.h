#pragma once
// The project file and the lifecycle commands of the File menu. Every routine
// reports through the session's user interface and leaves the session either
// with a fully open project or with none.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QLockFile;

namespace belvanto {

class Session;
class UserInterface;

inline constexpr qint64 kMaxProjectFileSize = 2000;
inline constexpr int kMaxStateValueLength = 255;
// A project <name> is the file <name>.bvp and the tables <name>_unit and
// <name>_rel beside it.
inline const QString kProjectExtension = QStringLiteral(".bvp");
inline const QString kUnitTableSuffix = QStringLiteral("_unit");
inline const QString kRelTableSuffix = QStringLiteral("_rel");
inline const QString kProjectFileFilter = QStringLiteral("Belvanto project file (*.bvp);;All files (*)");

QString MakeAbsolute(const QString& path);
QString NativePath(const QString& path);
// Names the old platform refused, which would make unusable projects here.
bool IsLegalFileName(const QString& fileName);
bool HasProjectExtension(const QString& path);

// Writes the project file from the session's state and catalogue; replaces
// an existing file atomically. Shows an error and returns false on failure.
bool WriteProjectFile(Session& session, const QString& path, const QString& projectName,
                      const QString& excavation, bool diagramPresent, bool singleExcavation);
// Takes the lock of the tables of project <name> in dir, for a command that
// writes another project than the open one. Shows why not and gives nothing
// when another program holds it or the folder cannot be written.
std::unique_ptr<QLockFile> LockProject(Session& session, const QString& dir, const QString& name);
bool TestProjectFile(UserInterface& ui, const QString& path);
// With formatOnly only the four required keys are tested. Otherwise the
// values are taken into the project state and the catalogue is reset from
// the option strings.
bool ReadProjectFile(Session& session, const QString& path, bool formatOnly);
bool OpenProjectTables(Session& session);

// What the "New Project Control" dialog hands over.
struct NewProjectRequest {
    QString projectFile;          // as typed or chosen
    bool acceptedBySearch = false; // the search button's save dialog already asked about overwriting
    QString termFile;             // "*.db" or "" means none
    QString excavation;
};
enum class NewProjectFocus { None, ProjectFile, Excavation };

// Steps before the dialog: refuses while a project is open, resets the
// catalogue and the single-excavation flag.
bool BeginNewProject(Session& session);
// The dialog's OK tests; the focus tells which edit gets the focus back.
NewProjectFocus ValidateNewProjectRequest(Session& session, const NewProjectRequest& request);
// The dialog's search buttons: the accepted name, or none.
std::optional<QString> SearchProjectFile(Session& session);
QString SearchTermFile(Session& session);   // the accepted path, or "*.db"
// Creates and opens the project of a validated request.
bool NewProject(Session& session, const NewProjectRequest& request);
// Fills the tables of a project being made, open as the session's unit and
// relationship tables; false (after telling the user why) drops the project.
using ProjectFill = std::function<bool()>;
// Creates a project's tables and file without a dialog (components, imports,
// simulation) and leaves it open. Asks before replacing existing tables; the
// old project stays whole until the new one is complete.
bool CreateProjectFiles(Session& session, const QString& projectFile, const QString& excavation,
                        const QString& termFile, bool singleExcavation, const ProjectFill& fill = {});

// ReadOnly: for commands that only read. Takes no lock, makes no temporary
// tables, keeps a missing term file's link and never rewrites the project
// file; works in a folder that cannot be written.
enum class OpenMode { ReadWrite, ReadOnly };
bool OpenProject(Session& session, std::optional<QString> path = std::nullopt, bool fromRecentList = false,
                 OpenMode mode = OpenMode::ReadWrite);
// The engine's quick check of the open project's unit and relationship
// table files: one line per damaged file, naming it; empty when both pass.
QStringList DamagedProjectTables(const Session& session);
// The edit form's temporary tables go with every close: they are this
// process's own. menuCommand: the File menu's Close rather than Exit. False
// when the project file could not be rewritten (the error was shown).
bool CloseProject(Session& session, bool menuCommand);
bool DeleteProject(Session& session);
bool SaveProjectCopy(Session& session);
// False when the engine refused (its message has been shown).
bool PackTables(Session& session);
void RefreshProject(Session& session);
bool AddProject(Session& session);

} // namespace belvanto
