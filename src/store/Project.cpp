#include "store/Project.h"
#include "store/UnitKey.h"
#include "core/TextCodec.h"
#include "core/UserInterface.h"
#include "store/LayoutFileNames.h"
#include "store/Relations.h"
#include "store/Schema.h"
#include "store/StagedFiles.h"
#include "store/Session.h"
#include "store/Terms.h"
#include "store/UnitFields.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <QSaveFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <map>
#include <set>
#include <tuple>

namespace belvanto {

namespace {

const QString kUnitEntry = QStringLiteral("UnitEntry");
const QString kRelEntry = QStringLiteral("RelEntry");
const QString kTermPlaceholder = QStringLiteral("*.db");
const QString kProjectPlaceholder = QStringLiteral("*.bvp");
const QString kLockSuffix = QStringLiteral(".lock");
// The staged names of a project being replaced end after the table suffixes
// and the extension, where no project's own file names can.
const QString kStagedSuffix = QStringLiteral("-new");
const QString kStagedProjectSuffix = QStringLiteral(".new");

QString cut(const QString& s)
{
    return s.left(kMaxStateValueLength);
}

void resetState(Session& session)
{
    session.project() = ProjectState{};
}

void reportEngineError(UserInterface& ui, const EngineError& e)
{
    ui.message(MessageKind::Error, e.text(), Buttons::Ok);
}

// Project files are single-byte Windows text; a value that code page cannot
// hold (a path, usually) makes the whole file UTF-8 so that nothing is lost.
// The UTF-8 file starts with a byte-order mark: guessing from the bytes
// alone would read some Windows text ("Ã©", "Ö°") as UTF-8 and change it.
const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

QByteArray encodeProjectText(const QString& text)
{
    if (auto bytes = encodeCp1252(text)) return *bytes;
    return kUtf8Mark + text.toUtf8();
}

QString decodeProjectText(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf8Mark)) return QString::fromUtf8(bytes.mid(kUtf8Mark.size()));
    return decodeCp1252(bytes);
}

bool writeTextAtomically(const QString& path, const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(encodeProjectText(text));
    return file.commit();
}

bool sameUpper(const QString& a, const QString& b)
{
    return a.toUpper() == b.toUpper();
}

QString directoryOf(const QString& absolutePath)
{
    return QFileInfo(absolutePath).absolutePath();
}

QString baseNameOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

// Asks before a command replaces a table of another project.
bool confirmReplaceTable(UserInterface& ui, const QString& dir, const QString& table)
{
    if (!Table::exists(dir, table)) return true;
    return ui.confirmDestructive(
               QStringLiteral("Database file %1 already exists\r\nDo you really want to overwrite this file?").arg(table))
           == Answer::Yes;
}

void closeProjectTables(Session& session)
{
    for (Table* t : {&session.units(), &session.relations(), &session.unitEntry(), &session.relEntry(),
                     &session.terms()})
        if (t->isOpen()) t->close();
    // The temporary tables live in a folder of this process's own: it goes
    // with them, and so does the lock that kept other programs off.
    session.workFolder().reset();
    session.lock().reset();
}

// Who holds a lock, as a refusal names it.
QString holderOf(const QLockFile& lock)
{
    qint64 pid = 0;
    QString host, program;
    if (!lock.getLockInfo(&pid, &host, &program)) return QStringLiteral("another program");
    QString who = QStringLiteral("%1, process %2").arg(program.isEmpty() ? QStringLiteral("another program") : program)
                      .arg(pid);
    if (!host.isEmpty() && host != QSysInfo::machineHostName()) who += QStringLiteral(" on ") + host;
    return who;
}

// A process killed while taking the lock leaves the file without its
// details, and such a lock never counts as stale: the project would stay
// "open in another program" for good. A live holder writes its details
// right after creating the file, so details still missing a moment later
// mean nobody holds it.
bool lockLeftHalfWritten(const QLockFile& lock)
{
    qint64 pid = 0;
    QString host, program;
    if (lock.getLockInfo(&pid, &host, &program)) return false;
    QThread::msleep(200);
    return QFileInfo::exists(lock.fileName()) && !lock.getLockInfo(&pid, &host, &program);
}

} // namespace

// The tables carry the project's name, whichever project file names it.
std::unique_ptr<QLockFile> LockProject(Session& session, const QString& dir, const QString& name)
{
    auto lock = std::make_unique<QLockFile>(QDir(dir).filePath(name + kLockSuffix));
    // A project stays open for hours: only a lock whose process has gone is
    // stale, never an old one.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) return lock;
    if (lock->error() == QLockFile::LockFailedError && lockLeftHalfWritten(*lock)) {
        QFile::remove(lock->fileName());
        if (lock->tryLock(0)) return lock;
    }
    if (lock->error() == QLockFile::LockFailedError) {
        session.refusedInUse = true;
        session.ui().message(MessageKind::Error,
                             QStringLiteral("Project %1 in %2 is open in another program (%3).\r\nClose it there first.")
                                 .arg(name, NativePath(dir), holderOf(*lock)),
                             Buttons::Ok, HelpTopic(92));
    } else {
        session.ui().message(MessageKind::Error,
                             QStringLiteral("Project %1 cannot be changed: the folder %2 cannot be written.")
                                 .arg(name, NativePath(dir)),
                             Buttons::Ok, HelpTopic(84));
    }
    return nullptr;
}

namespace {

// The open project's lock, taken unless this session holds it already
// (a new project is locked before its tables are made).
bool holdProject(Session& session)
{
    const ProjectState& p = session.project();
    const QString path = QDir(p.ProjectDirectory).filePath(p.ProjectName + kLockSuffix);
    if (session.lock() && session.lock()->isLocked() && QFileInfo(path) == QFileInfo(session.lock()->fileName()))
        return true;
    session.lock() = LockProject(session, p.ProjectDirectory, p.ProjectName);
    return session.lock() != nullptr;
}

QString projectSwapJournal(const QString& dir, const QString& name)
{
    return QDir(dir).filePath(name + QStringLiteral("_ProjectSwap.txt"));
}

// The files a new project replaces, each with its staged name. The project
// file goes first, so that whichever project file is opened after a kill
// leads to the journal of the swap, and the swap is finished.
std::vector<StagedFile> projectStagedFiles(const QString& dir, const QString& name, const QString& projectFile)
{
    std::vector<StagedFile> files{{projectFile + kStagedProjectSuffix, projectFile}};
    for (const QString& suffix : {kUnitTableSuffix, kRelTableSuffix})
        files.push_back({Table::pathOf(dir, name + suffix + kStagedSuffix), Table::pathOf(dir, name + suffix)});
    return files;
}

// Finishes a replacement of the project cut short (true), or removes what a
// replacement that did not get that far left. The layout of the replaced
// project goes with it.
bool recoverProjectFiles(const QString& dir, const QString& name, const QString& projectFile)
{
    const bool finished = RecoverStagedFiles(projectSwapJournal(dir, name), projectStagedFiles(dir, name, projectFile),
                                             LayoutFilePaths(dir, name));
    for (const QString& suffix : {kUnitTableSuffix, kRelTableSuffix}) {
        const QString making = Table::pathOf(dir, name + suffix + kStagedSuffix) + QStringLiteral(".creating");
        RemoveStagedFile(making + QStringLiteral("-journal"));
        RemoveStagedFile(making);
    }
    return finished;
}

} // namespace

QString MakeAbsolute(const QString& path)
{
    if (path.isEmpty()) return path;
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QString NativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool IsLegalFileName(const QString& fileName)
{
    if (fileName.isEmpty() || fileName == kProjectPlaceholder) return false;
    for (QChar c : fileName) {
        if (c.unicode() < 32 || c.unicode() == 127) return false;
        if (QStringLiteral("*?\"<>|\\:/").contains(c)) return false;
    }
    return true;
}

bool HasProjectExtension(const QString& path)
{
    return QFileInfo(path).fileName().toUpper().endsWith(QStringLiteral(".BVP"));
}

bool WriteProjectFile(Session& session, const QString& path, const QString& projectName,
                      const QString& excavation, bool diagramPresent, bool singleExcavation)
{
    const ProjectState& p = session.project();
    const auto options = session.catalogue().FieldConfigurationStrings();
    QStringList lines{QStringLiteral("Project=") + projectName,
                      QStringLiteral("TermFile=") + p.TermFilePath,
                      QStringLiteral("Excavation=") + excavation,
                      QStringLiteral("SingleExcavation=") + (singleExcavation ? QStringLiteral("True") : QStringLiteral("False")),
                      QStringLiteral("TabView=") + options.TabView,
                      QStringLiteral("EditView=") + options.EditView,
                      QStringLiteral("ClosedTerms=") + options.ClosedTerms};
    if (diagramPresent) lines << QStringLiteral("DiagramPresent=True");
    if (!p.PhotoPath.isEmpty()) {
        lines << QStringLiteral("Photopath=") + p.PhotoPath;
        if (!p.PhotoPrefix.isEmpty()) lines << QStringLiteral("Photoprefix=") + p.PhotoPrefix;
    }
    if (!p.DrawingPath.isEmpty()) {
        lines << QStringLiteral("Drawingpath=") + p.DrawingPath;
        if (!p.DrawingPrefix.isEmpty()) lines << QStringLiteral("Drawingprefix=") + p.DrawingPrefix;
    }
    if (!p.Separator.isEmpty() && (!p.PhotoPath.isEmpty() || !p.DrawingPath.isEmpty()))
        lines << QStringLiteral("Separator=") + p.Separator;
    for (const QString& line : lines) {
        // A line break in a value would start a line of its own when read.
        if (!HasControlCharacter(line)) continue;
        session.ui().message(MessageKind::Error,
                             QStringLiteral("Project file %1: the value of %2 contains a control character")
                                 .arg(NativePath(path), line.left(line.indexOf(QLatin1Char('=')))),
                             Buttons::Ok, HelpTopic(84));
        return false;
    }
    if (writeTextAtomically(path, lines)) return true;
    session.ui().message(MessageKind::Error, QStringLiteral("Project file %1: I/O-Error").arg(NativePath(path)),
                         Buttons::Ok, HelpTopic(84));
    return false;
}

bool TestProjectFile(UserInterface& ui, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ui.message(MessageKind::Error, QStringLiteral("Project file %1: I/O-Error").arg(NativePath(path)), Buttons::Ok,
                   HelpTopic(84));
        return false;
    }
    const qint64 size = file.size();
    if (size == 0) {
        ui.message(MessageKind::Error, QStringLiteral("Project file %1 is empty").arg(NativePath(path)), Buttons::Ok,
                   HelpTopic(84));
        return false;
    }
    if (size > kMaxProjectFileSize) {
        ui.message(MessageKind::Error, QStringLiteral("File %1 is too big").arg(NativePath(path)), Buttons::Ok,
                   HelpTopic(84));
        return false;
    }
    return true;
}

namespace {

// Keys compare without regard to case and are never trimmed; the first
// occurrence counts; optional keys on the first line are ignored.
std::map<QString, QString> parseProjectLines(const QString& text)
{
    static const std::set<QString> optionalKeys{
        QStringLiteral("TABVIEW"), QStringLiteral("EDITVIEW"), QStringLiteral("CLOSEDTERMS"),
        QStringLiteral("DIAGRAMPRESENT"), QStringLiteral("PHOTOPATH"), QStringLiteral("PHOTOPREFIX"),
        QStringLiteral("DRAWINGPATH"), QStringLiteral("DRAWINGPREFIX"), QStringLiteral("SEPARATOR")};
    std::map<QString, QString> values;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = line.left(eq).toUpper();
        if (i == 0 && optionalKeys.count(key)) continue;
        values.emplace(key, line.mid(eq + 1));
    }
    return values;
}

// The tables are named after the project: a name that holds a path, or
// that no file can carry, would put them elsewhere or nowhere. Dots are
// fine ("v1..2"), but not a name of dots alone.
bool legalProjectName(const QString& name)
{
    if (name == QStringLiteral(".") || name == QStringLiteral("..")) return false;
    return name.isEmpty() || IsLegalFileName(name);
}

// A relative term-file path belongs to the project's folder, wherever the
// program was started.
QString termFileOfProject(const QString& stored, const QString& projectDirectory)
{
    if (stored.isEmpty() || QDir::isAbsolutePath(stored)) return stored;
    return QDir::cleanPath(QDir(projectDirectory).absoluteFilePath(stored));
}

} // namespace

bool ReadProjectFile(Session& session, const QString& path, bool formatOnly)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        session.ui().message(MessageKind::Error, QStringLiteral("Project file %1: I/O-Error").arg(NativePath(path)),
                             Buttons::Ok, HelpTopic(84));
        return false;
    }
    const auto values = parseProjectLines(decodeProjectText(file.readAll()));
    auto value = [&](const char* key) -> std::optional<QString> {
        auto it = values.find(QString::fromLatin1(key));
        if (it == values.end()) return std::nullopt;
        return cut(it->second);
    };
    // Paths are read whole: one cut short names another file, and the link
    // would be lost at the next open.
    auto wholePath = [&](const char* key) {
        auto it = values.find(QString::fromLatin1(key));
        return it == values.end() ? QString() : it->second;
    };
    const auto project = value("PROJECT");
    const auto term = value("TERMFILE");
    const auto excavation = value("EXCAVATION");
    const auto single = value("SINGLEEXCAVATION");
    // A project name with a path in it would put the tables somewhere else.
    if (!project || !term || !excavation || !single || !legalProjectName(*project)) {
        session.ui().message(MessageKind::Error,
                             QStringLiteral("File %1 has no project file format").arg(NativePath(path)), Buttons::Ok,
                             HelpTopic(84));
        return false;
    }
    if (formatOnly) return true;

    ProjectState state;
    state.ProjectFilePath = MakeAbsolute(path);
    state.ProjectDirectory = directoryOf(state.ProjectFilePath);
    state.ProjectName = *project;
    state.TermFilePath = termFileOfProject(wholePath("TERMFILE"), state.ProjectDirectory);
    state.CurrentExcavation = *excavation;
    state.SingleExcavation = single->toUpper() == QStringLiteral("TRUE");
    state.DiagramPresent = values.count(QStringLiteral("DIAGRAMPRESENT")) > 0;
    state.PhotoPath = wholePath("PHOTOPATH");
    state.PhotoPrefix = value("PHOTOPREFIX").value_or(QString());
    state.DrawingPath = wholePath("DRAWINGPATH");
    state.DrawingPrefix = value("DRAWINGPREFIX").value_or(QString());
    state.Separator = value("SEPARATOR").value_or(QString());
    session.project() = state;
    session.catalogue().ResetFieldCatalogue(value("TABVIEW").value_or(QString()),
                                            value("EDITVIEW").value_or(QString()),
                                            value("CLOSEDTERMS").value_or(QString()));
    return true;
}

bool OpenProjectTables(Session& session)
{
    ProjectState& p = session.project();
    UserInterface& ui = session.ui();
    // Another program working on the same tables would lose its work or
    // this one's; reading needs no lock. Only the lock's holder finishes or
    // clears a replacement cut short: a reader could be looking at the
    // replacement of the program that holds it.
    if (!p.ReadOnly) {
        if (!holdProject(session)) {
            resetState(session);
            return false;
        }
        bool read = true;
        try {
            if (recoverProjectFiles(p.ProjectDirectory, p.ProjectName, p.ProjectFilePath))
                read = ReadProjectFile(session, p.ProjectFilePath, false);
        } catch (const EngineError& e) {
            reportEngineError(ui, e);
            read = false;
        }
        if (!read) {
            closeProjectTables(session);
            resetState(session);
            return false;
        }
    }
    for (const QString& suffix : {kUnitTableSuffix, kRelTableSuffix}) {
        const QString path = p.tablePath(suffix);
        if (!QFileInfo::exists(path)) {
            ui.message(MessageKind::Error,
                       QStringLiteral("Error: File %1 not found.\r\nProject cannot be opened.").arg(NativePath(path)),
                       Buttons::Ok, HelpTopic(84));
            closeProjectTables(session);
            resetState(session);
            return false;
        }
    }
    try {
        session.units().open(p.ProjectDirectory, p.ProjectName + kUnitTableSuffix, true);
        session.relations().open(p.ProjectDirectory, p.ProjectName + kRelTableSuffix, true);
        for (const auto& [table, fields, kind] :
             {std::tuple{&session.units(), UnitTableFields(), QStringLiteral("unit table")},
              std::tuple{&session.relations(), RelationTableFields(), QStringLiteral("relationship table")}}) {
            if (const auto problem = SchemaProblem(*table, fields, kind)) {
                ui.message(MessageKind::Error, *problem + QStringLiteral("\r\nProject cannot be opened."),
                           Buttons::Ok, HelpTopic(84));
                closeProjectTables(session);
                resetState(session);
                return false;
            }
        }
        if (!p.ReadOnly) {
            EnsureSecondUnitIndex(session.relations());
            auto folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("belvanto-XXXXXX")));
            if (!folder->isValid())
                throw EngineError(QStringLiteral("Cannot make a folder for temporary tables in %1")
                                      .arg(NativePath(QDir::tempPath())));
            const QString work = folder->path();
            session.workFolder() = std::move(folder);
            CreateUnitTable(work, kUnitEntry);
            CreateRelationTable(work, kRelEntry);
            session.unitEntry().open(work, kUnitEntry);
            session.relEntry().open(work, kRelEntry);
        }
    } catch (const EngineError& e) {
        reportEngineError(ui, e);
        closeProjectTables(session);
        resetState(session);
        return false;
    }
    // Only the lock's holder may finish or clear a layout run's files: a
    // reader could be looking at the run of the program that holds it.
    if (!p.ReadOnly) {
        try {
            RecoverLayoutFiles(p.ProjectDirectory, p.ProjectName);
        } catch (const EngineError& e) {
            // The project itself is fine; the layout is made anew by the next run.
            reportEngineError(ui, e);
        }
    }
    if (!p.TermFilePath.isEmpty()) CheckTermFileOnOpen(session);
    if (p.SingleExcavation) {
        const auto first = session.units().query(QString(), {}, QStringLiteral("Excavation, Unitname LIMIT 1"));
        if (!first.empty()) p.CurrentExcavation = valueToString(first.front().values[uf::Excavation]);
    }
    session.units().first();
    session.relations().first();
    ui.status(QStringLiteral("%1 units loaded").arg(session.units().count()));
    session.notifyStateChanged();
    return true;
}

bool BeginNewProject(Session& session)
{
    if (session.project().isOpen()) {
        session.ui().message(MessageKind::Warning, QStringLiteral("Another project is still open, close project first."),
                             Buttons::Ok, HelpTopic(92));
        return false;
    }
    // Nothing of a project closed earlier may leak into the new one.
    resetState(session);
    session.catalogue().ResetFieldCatalogue(QString(), QString(), QString());
    return true;
}

std::optional<QString> SearchProjectFile(Session& session)
{
    FileChoice choice{QStringLiteral("Name of Project File"), kProjectFileFilter, QDir::currentPath(), QString(),
                      QStringLiteral("bvp")};
    for (;;) {
        const auto path = session.ui().saveFile(choice);
        if (!path) return std::nullopt;
        if (HasProjectExtension(*path)) return *path;
        session.ui().message(MessageKind::Error,
                             QStringLiteral("Project file name %1 has no bvp extension - try again.").arg(NativePath(*path)),
                             Buttons::Ok);
    }
}

QString SearchTermFile(Session& session)
{
    FileChoice choice{QStringLiteral("Enter name of Term File"), QStringLiteral("Paradox data base file (*.db)"),
                      QDir::currentPath(), QString(), QStringLiteral("db")};
    const auto path = session.ui().saveFile(choice);
    if (!path) return kTermPlaceholder;
    if (QFileInfo::exists(*path)) return *path;
    const QFileInfo info(MakeAbsolute(*path));
    if (!IsLegalFileName(info.fileName()) || !QFileInfo(info.absolutePath()).isWritable()) {
        session.ui().message(MessageKind::Error, QStringLiteral("Illegal filename %1").arg(NativePath(*path)),
                             Buttons::Ok);
        return kTermPlaceholder;
    }
    const Answer a = session.ui().message(
        MessageKind::Confirmation,
        QStringLiteral("Term file %1 does not exist.\r\nCreate file?").arg(NativePath(*path)), Buttons::YesNo,
        HelpTopic(43));
    return a == Answer::Yes ? *path : kTermPlaceholder;
}

NewProjectFocus ValidateNewProjectRequest(Session& session, const NewProjectRequest& request)
{
    UserInterface& ui = session.ui();
    if (!request.acceptedBySearch) {
        // Tested without touching the file system: an existing project file
        // must survive until the new project really exists.
        const QFileInfo info(MakeAbsolute(request.projectFile));
        bool ok = IsLegalFileName(info.fileName()) && QFileInfo(info.absolutePath()).isDir()
                  && QFileInfo(info.absolutePath()).isWritable() && !info.isDir();
        if (ok && info.exists()) {
            ok = ui.confirmDestructive(QStringLiteral("File %1 already exists. Do you want to overwrite file?")
                                           .arg(NativePath(info.absoluteFilePath())))
                 == Answer::Yes;
            if (!ok) return NewProjectFocus::ProjectFile;
        }
        if (!ok) {
            ui.message(MessageKind::Error, QStringLiteral("Illegal project file name - try again"), Buttons::Ok);
            return NewProjectFocus::ProjectFile;
        }
    }
    if (!CheckExcavationName(ui, request.excavation)) return NewProjectFocus::Excavation;
    return NewProjectFocus::None;
}

bool CreateProjectFiles(Session& session, const QString& projectFile, const QString& excavation,
                        const QString& termFile, bool singleExcavation, const ProjectFill& fill)
{
    UserInterface& ui = session.ui();
    ProjectState& p = session.project();
    const QString path = MakeAbsolute(projectFile);
    p.ProjectFilePath.clear();
    p.ProjectDirectory = directoryOf(path);
    p.ProjectName = baseNameOf(path);
    p.TermFilePath = MakeAbsolute(termFile);
    p.CurrentExcavation = excavation;
    p.SingleExcavation = singleExcavation;
    p.DiagramPresent = false;

    auto fail = [&] {
        closeProjectTables(session);
        resetState(session);
        return false;
    };
    // Tables that another program has open are never replaced under it.
    if (!holdProject(session)) return fail();
    if (!confirmReplaceTable(ui, p.ProjectDirectory, p.ProjectName + kUnitTableSuffix)) return fail();
    if (!confirmReplaceTable(ui, p.ProjectDirectory, p.ProjectName + kRelTableSuffix)) return fail();
    // The new files are made under staged names and swapped in at the end:
    // a program killed on the way leaves the old project or the new one.
    const QString dir = p.ProjectDirectory;
    const QString name = p.ProjectName;
    const auto files = projectStagedFiles(dir, name, path);
    auto dropStaged = [&] {
        for (Table* t : {&session.units(), &session.relations()})
            if (t->isOpen()) t->close();
        try {
            for (const auto& file : files) RemoveStagedFile(file.staged);
        } catch (const EngineError& e) {
            reportEngineError(ui, e);
        }
    };
    try {
        // What an earlier run left is settled first, so that none of it
        // lands on the new project.
        RecoverLayoutFiles(dir, name);
        recoverProjectFiles(dir, name, path);
        // A term file that cannot be used leaves the project without one.
        if (!p.TermFilePath.isEmpty()) PrepareNewProjectTermFile(session);
        CreateUnitTable(dir, name + kUnitTableSuffix + kStagedSuffix);
        CreateRelationTable(dir, name + kRelTableSuffix + kStagedSuffix);
        if (fill) {
            session.units().open(dir, name + kUnitTableSuffix + kStagedSuffix, true);
            session.relations().open(dir, name + kRelTableSuffix + kStagedSuffix, true);
            if (!fill()) {
                dropStaged();
                return fail();
            }
            session.units().close();
            session.relations().close();
        }
    } catch (const EngineError& e) {
        reportEngineError(ui, e);
        dropStaged();
        return fail();
    } catch (...) {
        dropStaged();
        fail();
        throw;
    }
    if (!WriteProjectFile(session, files.front().staged, name, p.CurrentExcavation, false, p.SingleExcavation)) {
        dropStaged();
        return fail();
    }
    try {
        CommitStagedFiles(projectSwapJournal(dir, name), files, LayoutFilePaths(dir, name));
    } catch (const EngineError& e) {
        // Past the journal the swap is finished when the project is next
        // opened; before it the old project stands.
        reportEngineError(ui, e);
        if (!QFile::exists(projectSwapJournal(dir, name))) dropStaged();
        return fail();
    }
    p.ProjectFilePath = path;
    if (!OpenProjectTables(session)) return fail();
    session.recent().moveToTop(path);
    return true;
}

bool NewProject(Session& session, const NewProjectRequest& request)
{
    QString term = request.termFile;
    if (term == kTermPlaceholder) term.clear();
    const bool single = session.project().SingleExcavation;
    return CreateProjectFiles(session, request.projectFile, request.excavation, term, single);
}

bool OpenProject(Session& session, std::optional<QString> path, bool fromRecentList, OpenMode mode)
{
    UserInterface& ui = session.ui();
    if (session.project().isOpen()) {
        ui.message(MessageKind::Warning,
                   QStringLiteral("Another project is still open, \r\nclose project %1 first.")
                       .arg(NativePath(session.project().ProjectFilePath)),
                   Buttons::Ok, HelpTopic(92));
        return false;
    }
    if (!path) {
        path = ui.openFile({QStringLiteral("Name of Belvanto project file"), kProjectFileFilter, QDir::currentPath(),
                            QString(), QStringLiteral("bvp")});
        if (!path) return false;
    }
    const QString file = MakeAbsolute(*path);
    bool opened = TestProjectFile(ui, file) && ReadProjectFile(session, file, false);
    if (opened) {
        session.project().ReadOnly = mode == OpenMode::ReadOnly;
        opened = OpenProjectTables(session);
    }
    if (!opened) {
        closeProjectTables(session);
        resetState(session);
        if (fromRecentList) session.recent().remove(*path);
    }
    return opened;
}

bool CloseProject(Session& session, bool /*menuCommand*/)
{
    ProjectState& p = session.project();
    if (!p.isOpen()) return true;
    // A project opened for reading is never written.
    const bool written = p.ReadOnly
                         || WriteProjectFile(session, p.ProjectFilePath, p.ProjectName, p.CurrentExcavation,
                                             p.DiagramPresent, p.SingleExcavation);
    if (written && !p.ReadOnly) session.recent().moveToTop(p.ProjectFilePath);
    if (session.units().isOpen() && session.units().filtered()) {
        session.units().setFiltered(false);
        session.ui().status(QString());
    }
    if (session.relations().isOpen() && session.relations().filtered()) session.relations().setFiltered(false);
    closeProjectTables(session);
    resetState(session);
    session.notifyStateChanged();
    return written;
}

bool DeleteProject(Session& session)
{
    ProjectState& p = session.project();
    if (!p.isOpen()) return false;
    int units = 0;
    {
        FilterOff unfiltered(session.units());
        units = session.units().count();
    }
    const Answer a = session.ui().confirmDestructive(
        QStringLiteral("Project %1 consists of %2 units.\r\nDo you really want to delete the project and all its data files?")
            .arg(p.ProjectName)
            .arg(units),
        HelpTopic(150));
    if (a != Answer::Yes) return false;
    session.recent().remove(p.ProjectFilePath);
    const ProjectState old = p;
    // The lock is held until the files are gone: no other program may open
    // the project half deleted.
    auto lock = std::move(session.lock());
    closeProjectTables(session);
    try {
        for (const QString& suffix : {kUnitTableSuffix, kRelTableSuffix, kUnitLayoutSuffix, kRelLayoutSuffix})
            if (Table::exists(old.ProjectDirectory, old.ProjectName + suffix))
                Table::remove(old.ProjectDirectory, old.ProjectName + suffix);
    } catch (const EngineError& e) {
        reportEngineError(session.ui(), e);
    }
    // The file that was opened, which need not be named after the project.
    QFile::remove(old.ProjectFilePath);
    QFile::remove(QDir(old.ProjectDirectory).filePath(old.ProjectName + kLayoutParameterSuffix));
    lock.reset();
    resetState(session);
    session.notifyStateChanged();
    return true;
}

bool SaveProjectCopy(Session& session)
{
    UserInterface& ui = session.ui();
    ProjectState& p = session.project();
    if (!p.isOpen()) return false;
    QString path;
    for (;;) {
        const auto chosen = ui.saveFile({QStringLiteral("Save project copy as"), kProjectFileFilter, p.ProjectDirectory,
                                         QString(), QStringLiteral("bvp")});
        if (!chosen) return false;
        path = MakeAbsolute(*chosen);
        const QFileInfo info(path);
        if (sameUpper(info.absolutePath(), p.ProjectDirectory) && sameUpper(info.fileName(), p.ProjectName + QStringLiteral(".BVP"))) {
            ui.message(MessageKind::Error,
                       QStringLiteral("Project file name %1 already in use - try again.").arg(NativePath(path)),
                       Buttons::Ok, HelpTopic(91));
            continue;
        }
        if (!HasProjectExtension(path)) {
            ui.message(MessageKind::Error,
                       QStringLiteral("Project file name %1 has no bvp extension - try again.").arg(NativePath(path)),
                       Buttons::Ok, HelpTopic(91));
            continue;
        }
        break;
    }
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    const QString copy = info.fileName().chopped(4);
    // Another project's tables in the target directory are not replaced
    // without asking, and an open table is never replaced at all.
    const auto copyLock = LockProject(session, dir, copy);
    if (!copyLock) return false;
    if (!confirmReplaceTable(ui, dir, copy + kUnitTableSuffix) || !confirmReplaceTable(ui, dir, copy + kRelTableSuffix))
        return false;
    BusyCursor busy(ui);
    try {
        FilterOff unitsAll(session.units());
        LinkOff unitsUnlinked(session.units());
        FilterOff relsAll(session.relations());
        LinkOff relsUnlinked(session.relations());
        CreateUnitTable(dir, copy + kUnitTableSuffix);
        CreateRelationTable(dir, copy + kRelTableSuffix);
        Table units, rels;
        units.open(dir, copy + kUnitTableSuffix);
        rels.open(dir, copy + kRelTableSuffix);
        BulkScope bulk;
        units.appendFrom(session.units());
        rels.appendFrom(session.relations());
    } catch (const EngineError& e) {
        reportEngineError(ui, e);
        return false;
    }
    if (!WriteProjectFile(session, path, copy, p.CurrentExcavation, false, p.SingleExcavation)) return false;
    session.recent().moveToTop(path);
    return true;
}

bool PackTables(Session& session)
{
    BusyCursor busy(session.ui());
    try {
        session.units().pack();
        session.relations().pack();
    } catch (const EngineError& e) {
        reportEngineError(session.ui(), e);
        return false;
    }
    return true;
}

void RefreshProject(Session& session)
{
    for (Table* t : {&session.units(), &session.relations()})
        if (t->isOpen()) t->resetDisplay();
}

namespace {

UnitKey keyOf(const Table::Row& row, int excavationCol, int unitCol)
{
    return {valueToString(row.values[excavationCol]), valueToString(row.values[unitCol])};
}

// Every pair of units that a duplicate unit links by "=" (or "-") gets its
// rows, so that the classes stay closed after the merge.
void completeClasses(Table& rels, const std::vector<UnitKey>& duplicates)
{
    for (const UnitKey& d : duplicates) {
        for (QChar code : {category::Equal, category::Contemporary}) {
            const auto members = RelatedUnits(rels, d, code);
            for (size_t i = 0; i < members.size(); ++i)
                for (size_t j = 0; j < members.size(); ++j)
                    if (i != j && !FindRelationRow(rels, members[i], members[j]))
                        InsertRelationRow(rels, members[i], members[j], code, QString(), status::Completed);
        }
    }
}

} // namespace

bool AddProject(Session& session)
{
    UserInterface& ui = session.ui();
    ProjectState& p = session.project();
    if (!p.isOpen()) return false;
    const Answer backup = ui.message(MessageKind::Confirmation,
                                     QStringLiteral("Do you want to backup current project before adding another project?"),
                                     Buttons::YesNoCancel, HelpTopic(89));
    if (backup == Answer::Cancel) return false;
    // A merge the user wanted a backup for must not run without one.
    if (backup == Answer::Yes && !SaveProjectCopy(session)) return false;

    const auto chosen = ui.openFile({QStringLiteral("Name of Belvanto project file for adding"), kProjectFileFilter,
                                     p.ProjectDirectory, QString(), QStringLiteral("bvp")});
    if (!chosen) return false;
    const QString other = MakeAbsolute(*chosen);
    if (!TestProjectFile(ui, other) || !ReadProjectFile(session, other, true)) return false;
    const QFileInfo info(other);
    const QString otherDir = info.absolutePath();
    const QString otherName = baseNameOf(other);
    if (sameUpper(otherDir, p.ProjectDirectory) && sameUpper(otherName, p.ProjectName)) {
        ui.message(MessageKind::Error,
                   QStringLiteral("Project file with name %1 already open.\r\nA project cannot be added to itself.")
                       .arg(NativePath(other)),
                   Buttons::Ok, HelpTopic(89));
        return false;
    }
    for (const QString& suffix : {kUnitTableSuffix, kRelTableSuffix}) {
        const QString path = Table::pathOf(otherDir, otherName + suffix);
        if (!QFileInfo::exists(path)) {
            ui.message(MessageKind::Error,
                       QStringLiteral("Error: File %1 not found.\r\nProject cannot be added.").arg(NativePath(path)),
                       Buttons::Ok, HelpTopic(84));
            return false;
        }
    }

    BusyCursor busy(ui);
    Table& units = session.units();
    Table& rels = session.relations();
    FilterOff unitsAll(units);
    LinkOff unitsUnlinked(units);
    FilterOff relsAll(rels);
    LinkOff relsUnlinked(rels);
    DisplaySuspended unitsQuiet(units);
    DisplaySuspended relsQuiet(rels);
    BookmarkRestore unitsPosition(units);
    BookmarkRestore relsPosition(rels);
    try {
        Table otherUnits, otherRels;
        otherUnits.open(otherDir, otherName + kUnitTableSuffix);
        otherRels.open(otherDir, otherName + kRelTableSuffix);

        const int exc = uf::Excavation, name = uf::Unitname;
        std::set<UnitKey> incoming;
        for (const auto& row : otherUnits.query(QString(), {})) incoming.insert(keyOf(row, exc, name));
        std::vector<UnitKey> duplicates;
        QStringList listed;
        for (const auto& row : units.query(QString(), {}, kUnitKeyOrder)) {
            UnitKey key = keyOf(row, exc, name);
            if (incoming.count(key)) {
                listed << key.text();
                duplicates.push_back(std::move(key));
            }
        }
        if (!duplicates.empty()
            && !ui.showList(QStringLiteral("Units defined in both projects"),
                            QStringLiteral("Press OK to supersede unit definitions\r\nin current project"), listed,
                            HelpTopic("Projects__add")))
            return false;

        BulkScope bulk;
        units.appendOrUpdateFrom(otherUnits);
        rels.appendOrUpdateFrom(otherRels);
        completeClasses(rels, duplicates);
    } catch (const EngineError& e) {
        reportEngineError(ui, e);
        return false;
    }
    if (p.SingleExcavation && ExcavationList(units).size() > 1) {
        p.SingleExcavation = false;
        session.notifyStateChanged();
    }
    units.refresh();
    rels.refresh();
    return true;
}

namespace {

// The first finding of SQLite's quick check, or nothing for a sound file.
std::optional<QString> quickCheck(const QString& path)
{
    sqlite3* db = nullptr;
    QString finding;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            finding = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
            rc = SQLITE_OK;
        }
    }
    if (rc != SQLITE_OK && rc != SQLITE_DONE) finding = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    if (finding.isEmpty() || finding == QStringLiteral("ok")) return std::nullopt;
    return finding;
}

} // namespace

QStringList DamagedProjectTables(const Session& session)
{
    QStringList damaged;
    for (const QString& suffix : {kUnitTableSuffix, kRelTableSuffix}) {
        const QString path = session.project().tablePath(suffix);
        if (const auto finding = quickCheck(path))
            damaged << QStringLiteral("Table file %1 is damaged: %2").arg(NativePath(path), *finding);
    }
    return damaged;
}

} // namespace belvanto
