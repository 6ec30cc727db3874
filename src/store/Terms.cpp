#include "store/Terms.h"
#include "core/UserInterface.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace belvanto {

namespace {

const QString kTermFileFilter = QStringLiteral("Term file (*.db);;All files (*)");
const QString kTermEntryNameMessage =
    QStringLiteral("TermEntry.db is the name of a temporary table, and cannot be used as term file name");
constexpr int kLinkCheckHelpTopic = 84;

int termColumnSize() { return TermFieldCatalogue()[tf::Term].Size; }

QString absolutePath(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool isTermEntryName(const QString& path)
{
    return QFileInfo(path).fileName().toUpper() == kTermEntryFileName.toUpper();
}

// A term file may name its columns as it likes; the column at each position
// is what counts.
QString column(const Table& table, int pos)
{
    QString name = table.fields()[pos].name;
    name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + name + QLatin1Char('"');
}

std::optional<double> asDouble(const std::optional<qint32>& v)
{
    if (v) return double(*v);
    return std::nullopt;
}


std::vector<Table::Row> rowsOfKey(const Table& table, const QString& targetField, const QString& term)
{
    return table.query(column(table, tf::TermField) + QStringLiteral(" IS ? AND ") + column(table, tf::Term)
                           + QStringLiteral(" IS ?"),
                       {targetField, term});
}

void unlink(Session& session)
{
    session.project().TermFilePath.clear();
    CloseTermTable(session);
}

// Validation has just opened the file, so a failure here is rare; it must
// not take the project down with it.
bool openLinked(Session& session)
{
    try {
        return OpenTermTable(session);
    } catch (const EngineError& e) {
        session.ui().error(e.text());
        unlink(session);
        return false;
    }
}

void copyTerms(const Table& source, const QString& targetPath)
{
    Table target;
    target.openFile(targetPath, true);
    const auto rows = source.query(QString(), {}, column(source, tf::TermField) + QStringLiteral(", ")
                                                      + column(source, tf::Term));
    {
        BulkScope bulk;
        for (const auto& row : rows) {
            target.insert();
            for (int i = 0; i < kTermFieldCount; ++i) target.set(i, row.values[i]);
            target.post();
        }
    }
    target.close();
}

bool termInUse(Session& session, const TermRecord& term)
{
    if (term.TermField == kRelationshipComment) {
        Table& rels = session.relations();
        if (!rels.isOpen()) return false;
        return !rels.query(column(rels, rel::RelationFull) + QStringLiteral(" IS ?"), {term.Term}).empty();
    }
    const auto pos = TargetUnitField(session.catalogue(), term.TermField);
    Table& units = session.units();
    if (!pos || !units.isOpen()) return false;
    return !units.query(column(units, *pos) + QStringLiteral(" IS ?"), {term.Term}).empty();
}

} // namespace

const std::array<TermFieldEntry, kTermFieldCount>& TermFieldCatalogue()
{
    using T = FieldType;
    static const std::array<TermFieldEntry, kTermFieldCount> fields{{
        {QStringLiteral("TermField"), T::String, 25, QStringLiteral("Target field")},
        {QStringLiteral("Term"), T::String, 30, QStringLiteral("Term")},
        {QStringLiteral("Abbreviation"), T::String, 4, QStringLiteral("Abbreviation")},
        {QStringLiteral("Description"), T::String, 255, QStringLiteral("Explanation of term")},
        {QStringLiteral("Colour"), T::Integer, 0, QStringLiteral("Display colour")},
        {QStringLiteral("Style"), T::Integer, 0, QStringLiteral("Display style")},
        {QStringLiteral("MinYear"), T::Integer, 0, QStringLiteral("First year")},
        {QStringLiteral("MaxYear"), T::Integer, 0, QStringLiteral("Last year")},
        {QStringLiteral("AvgYear"), T::Integer, 0, QStringLiteral("Mean year")},
        {QStringLiteral("RelationCat"), T::String, 1, QStringLiteral("Relation Category")},
        {QStringLiteral("OppositeRel"), T::String, 20, QStringLiteral("Opposite Relation")},
    }};
    return fields;
}

std::vector<FieldDef> TermTableFields()
{
    std::vector<FieldDef> defs;
    for (const auto& f : TermFieldCatalogue()) defs.push_back({f.Name, f.Type, f.Size, false});
    return defs;
}

IndexDef TermPrimaryIndex()
{
    const auto& c = TermFieldCatalogue();
    return {QString(), {c[tf::TermField].Name, c[tf::Term].Name}};
}

QStringList TargetFieldList(const UnitFieldCatalogue& catalogue)
{
    QStringList list;
    for (int pos = 0; pos < catalogue.size(); ++pos) {
        const UnitFieldEntry& f = catalogue[pos];
        if (f.Type == FieldType::String && !f.Internal && pos != uf::Unitname && pos != uf::Unitclass)
            list << f.Label;
    }
    list << kRelationshipComment;
    return list;
}

std::optional<int> TargetUnitField(const UnitFieldCatalogue& catalogue, const QString& targetField)
{
    if (targetField.isEmpty() || targetField == kRelationshipComment) return std::nullopt;
    for (int pos = 0; pos < catalogue.size(); ++pos) {
        const UnitFieldEntry& f = catalogue[pos];
        if (f.Label == targetField && f.Type == FieldType::String && !f.Internal && pos != uf::Unitname
            && pos != uf::Unitclass)
            return pos;
    }
    return std::nullopt;
}

int MaxTermLength(const UnitFieldCatalogue& catalogue, const QString& targetField)
{
    // Description and Interpretation hold 255 characters, but a longer term
    // than the term column takes would be cut on storing.
    if (targetField == kRelationshipComment) return std::min(rel::kCommentSize, termColumnSize());
    if (const auto pos = TargetUnitField(catalogue, targetField))
        return std::min(catalogue[*pos].Size, termColumnSize());
    return termColumnSize();
}

void CreateTermTable(const QString& directory, const QString& tableName)
{
    Table::create(directory, tableName, TermTableFields(), TermPrimaryIndex());
}

void CreateTermTableFile(const QString& path)
{
    Table::createFile(path, TermTableFields(), TermPrimaryIndex());
}

std::optional<QString> TermFileProblem(const QString& path)
{
    if (isTermEntryName(path)) return kTermEntryNameMessage;
    if (!QFileInfo(path).isFile()) return QStringLiteral("Term file ") + absolutePath(path) + QStringLiteral(" not found.");
    try {
        Table table;
        table.openFile(path);
        const auto& fields = table.fields();
        if (fields.size() < std::size_t(kTermFieldCount))
            return QStringLiteral("Term file with ") + QString::number(kTermFieldCount)
                + QStringLiteral(" fields expected.");
        const auto& expected = TermFieldCatalogue();
        for (int i = 0; i < kTermFieldCount; ++i) {
            if (fields[i].type != expected[i].Type)
                return QStringLiteral("Type mismatch in term table field ") + expected[i].Label;
            if (expected[i].Type == FieldType::String && fields[i].size != expected[i].Size)
                return QStringLiteral("Field size mismatch in term table field ") + expected[i].Label;
        }
        table.close();
    } catch (const std::exception&) {
        // Garbage bytes, a database of someone else's, a file in use.
        return QStringLiteral("File ") + absolutePath(path) + QStringLiteral(" is not a term table.");
    }
    return std::nullopt;
}

bool ValidateTermFile(Session& session, const QString& path)
{
    const auto problem = TermFileProblem(path);
    if (!problem) return true;
    session.ui().message(MessageKind::Warning, *problem, Buttons::Ok, HelpTopic(kTermFileHelpTopic));
    unlink(session);
    return false;
}

bool OpenTermTable(Session& session, const QString& warningIfNone)
{
    const QString path = session.project().TermFilePath;
    if (path.isEmpty()) {
        if (!warningIfNone.isEmpty()) session.ui().warning(warningIfNone);
        return false;
    }
    Table& table = session.terms();
    if (table.isOpen()) {
        if (QFileInfo(table.path()) == QFileInfo(path)) return true;
        table.close();
    }
    table.openFile(path);
    return true;
}

void CloseTermTable(Session& session)
{
    if (session.termsOpen()) session.terms().close();
}

TermLinkResult LinkTermFile(Session& session)
{
    UserInterface& ui = session.ui();
    ProjectState& project = session.project();
    if (!project.TermFilePath.isEmpty()) {
        ui.message(MessageKind::Information,
                   QStringLiteral("Remove link to existing term file before creating a new link."), Buttons::Ok,
                   HelpTopic(kTermFileHelpTopic));
        return TermLinkResult::NotLinked;
    }
    FileChoice choice;
    choice.title = QStringLiteral("Enter term file name");
    choice.filter = kTermFileFilter;
    choice.directory = project.ProjectDirectory;
    choice.defaultSuffix = QStringLiteral("db");
    const auto chosen = ui.saveFile(choice);
    if (!chosen || chosen->isEmpty()) return TermLinkResult::NotLinked;

    const QString path = absolutePath(*chosen);
    project.TermFilePath = path;
    if (!QFileInfo::exists(path) && !isTermEntryName(path)) {
        try {
            CreateTermTableFile(path);
        } catch (const EngineError&) {
            ui.error(QStringLiteral("Illegal filename ") + path);
            unlink(session);
            session.notifyStateChanged();
            return TermLinkResult::NotLinked;
        }
    }
    const bool linked = ValidateTermFile(session, path) && openLinked(session);
    session.notifyStateChanged();
    return linked ? TermLinkResult::ShowTermList : TermLinkResult::NotLinked;
}

bool CheckTermFileOnOpen(Session& session)
{
    UserInterface& ui = session.ui();
    ProjectState& project = session.project();
    if (project.TermFilePath.isEmpty()) return false;

    const QFileInfo old(project.TermFilePath);
    if (!old.exists()) {
        const QString directory = QDir::toNativeSeparators(old.absolutePath());
        const Answer answer = ui.message(
            MessageKind::Confirmation,
            QStringLiteral("Term file ") + old.fileName() + QStringLiteral(" not found\r\nin directory ") + directory
                + QStringLiteral(".\r\nDo you want to load another term file?"),
            Buttons::YesNo, HelpTopic(kLinkCheckHelpTopic));
        if (answer != Answer::Yes) {
            // A folder that is only missing for a while (a drive not
            // mounted) must not cost the link where nobody chose to drop it.
            if (!project.ReadOnly && !session.keepTermLinkOnNo) unlink(session);
            return false;
        }
        FileChoice choice;
        choice.title = QStringLiteral("Open term file");
        choice.filter = kTermFileFilter;
        choice.directory = QDir(old.absolutePath()).exists() ? directory : QString();
        choice.fileName = old.fileName();
        choice.defaultSuffix = QStringLiteral("db");
        const auto chosen = ui.openFile(choice);
        if (!chosen || chosen->isEmpty()) {
            if (!project.ReadOnly) unlink(session);
            return false;
        }
        project.TermFilePath = absolutePath(*chosen);
    }
    // A file found or chosen here has not been looked at yet: a foreign file
    // would otherwise fail at the first look-up.
    return ValidateTermFile(session, project.TermFilePath) && openLinked(session);
}

bool PrepareNewProjectTermFile(Session& session)
{
    ProjectState& project = session.project();
    if (project.TermFilePath.isEmpty()) return false;
    const QString path = project.TermFilePath;
    if (!QFileInfo::exists(path) && !isTermEntryName(path)) {
        try {
            CreateTermTableFile(path);
        } catch (const EngineError&) {
            session.ui().error(QStringLiteral("Illegal filename ") + path);
            unlink(session);
            return false;
        }
    }
    return ValidateTermFile(session, path);
}

bool RemoveTermLink(Session& session)
{
    ProjectState& project = session.project();
    if (project.TermFilePath.isEmpty()) return false;
    const Answer answer = session.ui().confirmDestructive(
        QStringLiteral("Do you really want to remove the link to the term file ")
            + QFileInfo(project.TermFilePath).fileName() + QLatin1Char('?'),
        HelpTopic(kTermFileHelpTopic));
    if (answer != Answer::Yes) return false;
    unlink(session);
    session.notifyStateChanged();
    return true;
}

bool SaveTermFileCopy(Session& session)
{
    UserInterface& ui = session.ui();
    if (!OpenTermTable(session, kNoTermFileMessage)) return false;
    const QString linked = session.project().TermFilePath;

    FileChoice choice;
    choice.title = QStringLiteral("File name of term file copy");
    choice.filter = kTermFileFilter;
    choice.directory = QDir::toNativeSeparators(QFileInfo(linked).absolutePath());
    choice.defaultSuffix = QStringLiteral("db");
    for (;;) {
        const auto chosen = ui.saveFile(choice);
        if (!chosen || chosen->isEmpty()) return false;
        const QString target = absolutePath(*chosen);
        // Creating the copy replaces the target: never a table this process
        // is using (the term file itself, a project table, an edit table).
        if (target.toUpper() == absolutePath(linked).toUpper() || Table::isOpenAnywhere(target)) {
            ui.message(MessageKind::Warning,
                       QStringLiteral("Term file name ") + target + QStringLiteral(" already in use - try again."),
                       Buttons::Ok, HelpTopic(kTermCopyHelpTopic));
            continue;
        }
        if (isTermEntryName(target)) {
            ui.message(MessageKind::Warning, kTermEntryNameMessage, Buttons::Ok, HelpTopic(kTermCopyHelpTopic));
            continue;
        }
        try {
            BusyCursor busy(ui);
            CreateTermTableFile(target);
            copyTerms(session.terms(), target);
        } catch (const EngineError& e) {
            ui.error(e.text());
            return false;
        }
        return true;
    }
}

QString TermEntryTablePath(const QString& termFilePath)
{
    return QDir::toNativeSeparators(QFileInfo(termFilePath).absoluteDir().filePath(kTermEntryFileName));
}

QString EnsureTermEntryTable(Session& session)
{
    const QString termFile = session.project().TermFilePath;
    if (termFile.isEmpty()) return QString();
    const QString path = TermEntryTablePath(termFile);
    if (!QFileInfo::exists(path)) CreateTermTableFile(path);
    return path;
}

TermRecord TermRecordFromRow(const std::vector<Value>& values)
{
    TermRecord r;
    r.TermField = valueToString(values[tf::TermField]);
    r.Term = valueToString(values[tf::Term]);
    r.Abbreviation = valueToString(values[tf::Abbreviation]);
    r.Description = valueToString(values[tf::Description]);
    r.Colour = intOf(values[tf::Colour]);
    r.Style = intOf(values[tf::Style]);
    r.MinYear = intOf(values[tf::MinYear]);
    r.MaxYear = intOf(values[tf::MaxYear]);
    r.AvgYear = intOf(values[tf::AvgYear]);
    r.RelationCat = valueToString(values[tf::RelationCat]);
    r.OppositeRel = valueToString(values[tf::OppositeRel]);
    return r;
}

void WriteTermRecord(Table& table, const TermRecord& r)
{
    table.set(tf::TermField, r.TermField);
    table.set(tf::Term, r.Term);
    table.set(tf::Abbreviation, r.Abbreviation);
    table.set(tf::Description, r.Description);
    table.set(tf::Colour, toValue(r.Colour));
    table.set(tf::Style, toValue(r.Style));
    table.set(tf::MinYear, toValue(r.MinYear));
    table.set(tf::MaxYear, toValue(r.MaxYear));
    table.set(tf::AvgYear, toValue(r.AvgYear));
    table.set(tf::RelationCat, r.RelationCat);
    table.set(tf::OppositeRel, r.OppositeRel);
}

TermRecord CurrentTermRecord(const Table& termTable)
{
    std::vector<Value> values;
    for (int i = 0; i < kTermFieldCount; ++i) values.push_back(termTable.get(i));
    return TermRecordFromRow(values);
}

std::vector<TermRecord> TermsOf(Session& session, const QString& targetField)
{
    std::vector<TermRecord> terms;
    if (!session.termsOpen()) return terms;
    const Table& table = session.terms();
    for (const auto& row :
         table.query(column(table, tf::TermField) + QStringLiteral(" IS ?"), {targetField}, column(table, tf::Term)))
        terms.push_back(TermRecordFromRow(row.values));
    return terms;
}

std::optional<TermRecord> FindTerm(Session& session, const QString& targetField, const QString& term)
{
    if (!session.termsOpen() || term.isEmpty()) return std::nullopt;
    const auto rows = rowsOfKey(session.terms(), targetField, term);
    if (rows.empty()) return std::nullopt;
    return TermRecordFromRow(rows.front().values);
}

std::optional<QString> ExpandAbbreviation(Session& session, const QString& targetField, const QString& text)
{
    if (!session.termsOpen() || text.isEmpty()) return std::nullopt;
    const Table& table = session.terms();
    const auto rows = table.query(column(table, tf::TermField) + QStringLiteral(" IS ? AND ")
                                      + column(table, tf::Abbreviation) + QStringLiteral(" IS ?"),
                                  {targetField, text}, column(table, tf::Term));
    if (rows.empty()) return std::nullopt;
    return valueToString(rows.front().values[tf::Term]);
}

bool IsTerm(Session& session, const QString& targetField, const QString& value)
{
    return FindTerm(session, targetField, value).has_value();
}

bool TermsOnlyActive(Session& session, int unitFieldPos)
{
    if (!session.termsOpen() || unitFieldPos < 0 || unitFieldPos >= kUnitFieldCount) return false;
    const UnitFieldEntry& f = session.catalogue()[unitFieldPos];
    return f.ClosedTerms && !f.Internal && f.Type == FieldType::String;
}

QString TermOppositeComment(Session& session, const QString& comment)
{
    if (const auto term = FindTerm(session, kRelationshipComment, comment)) return term->OppositeRel;
    return QString();
}

TermSaveResult SaveTerm(Session& session, TermRecord edited, const std::optional<TermRecord>& original)
{
    UserInterface& ui = session.ui();
    const UnitFieldCatalogue& catalogue = session.catalogue();
    TermSaveResult result;
    if (!session.termsOpen()) {
        ui.warning(kNoTermFileMessage);
        result.message = kNoTermFileMessage;
        result.record = edited;
        return result;
    }
    // The dialog clips with a warning when the target field changes; what
    // reaches the table must fit whatever the caller did.
    edited.Term.truncate(MaxTermLength(catalogue, edited.TermField));

    QString message;
    TermControl focus = TermControl::None;
    auto fail = [&](const QString& text, TermControl control) {
        if (!message.isEmpty()) return;
        message = text;
        focus = control;
    };

    if (edited.Term.isEmpty()) fail(QStringLiteral("Term must be entered!"), TermControl::Term);
    // A term without a target field could never be offered anywhere.
    if (edited.TermField.isEmpty()) fail(QStringLiteral("Target field must be entered!"), TermControl::TargetField);

    if (edited.TermField != kRelationshipComment) {
        edited.RelationCat.clear();
        edited.OppositeRel.clear();
    }
    if (message.isEmpty() && edited.TermField == catalogue[uf::Excavation].Label
        && !CheckExcavationName(ui, edited.Term)) {
        result.message = ExcavationNameProblem(edited.Term);
        result.focus = TermControl::Term;
        result.record = edited;
        return result;
    }

    if (!edited.OppositeRel.isEmpty() && edited.RelationCat.isEmpty())
        fail(QStringLiteral("Relation category must be entered, if opposite term is present!"),
             TermControl::RelationCat);

    if (edited.TermField != catalogue[uf::Period].Label && edited.TermField != catalogue[uf::Phase].Label) {
        edited.MinYear.reset();
        edited.MaxYear.reset();
        edited.AvgYear.reset();
    }
    if (message.isEmpty()) {
        if (const auto problem = CheckMinMaxCenter(asDouble(edited.MinYear), asDouble(edited.MaxYear),
                                                   asDouble(edited.AvgYear), QStringLiteral("Year")))
            fail(*problem, TermControl::MinYear);
    }

    Table& table = session.terms();
    // Moving a term to another target field with its abbreviation must be
    // tested as well, or two terms of that field would share it.
    const bool abbreviationKept = original && original->TermField == edited.TermField
        && original->Abbreviation == edited.Abbreviation;
    if (message.isEmpty() && !edited.Abbreviation.isEmpty() && !abbreviationKept) {
        const auto clash = table.query(column(table, tf::TermField) + QStringLiteral(" IS ? AND ")
                                           + column(table, tf::Abbreviation) + QStringLiteral(" IS ? AND ")
                                           + column(table, tf::Term) + QStringLiteral(" IS NOT ?"),
                                       {edited.TermField, edited.Abbreviation, edited.Term});
        if (!clash.empty())
            fail(QStringLiteral("Abbreviation ") + edited.Abbreviation + QStringLiteral(" already defined for field ")
                     + edited.TermField + QLatin1Char('.'),
                 TermControl::Abbreviation);
    }

    const bool keyKept = original && original->TermField == edited.TermField && original->Term == edited.Term;
    if (message.isEmpty() && !keyKept && !rowsOfKey(table, edited.TermField, edited.Term).empty())
        fail(QStringLiteral("Term ") + edited.Term + QStringLiteral(" already defined for field ") + edited.TermField
                 + QLatin1Char('.'),
             TermControl::Term);

    result.record = edited;
    if (!message.isEmpty()) {
        ui.message(MessageKind::Error, message, Buttons::Ok, HelpTopic(kTermEntryHelpTopic));
        result.message = message;
        result.focus = focus;
        return result;
    }

    {
        FilterOff filterOff(table);
        LinkOff linkOff(table);
        BulkScope bulk;
        if (original) {
            for (const auto& row : rowsOfKey(table, original->TermField, original->Term))
                if (table.gotoRowid(row.rowid)) table.del();
        }
        if (!edited.OppositeRel.isEmpty() && edited.OppositeRel != edited.Term) {
            const auto rows = rowsOfKey(table, kRelationshipComment, edited.OppositeRel);
            if (!rows.empty() && table.gotoRowid(rows.front().rowid)) {
                table.edit();
            } else {
                table.insert();
                table.set(tf::TermField, kRelationshipComment);
                table.set(tf::Term, edited.OppositeRel);
            }
            table.set(tf::OppositeRel, edited.Term);
            const QChar category = edited.RelationCat.isEmpty() ? QChar() : edited.RelationCat.front();
            table.set(tf::RelationCat, QString(OppositeCategory(category)));
            table.post();
        }
        table.insert();
        WriteTermRecord(table, edited);
        table.post();
    }
    result.ok = true;
    return result;
}

bool DeleteTerm(Session& session)
{
    UserInterface& ui = session.ui();
    if (!session.termsOpen() || !session.terms().hasRecord()) {
        ui.warning(QStringLiteral("Term table is empty. Deletion not possible."));
        return false;
    }
    Table& table = session.terms();
    const TermRecord term = CurrentTermRecord(table);
    if (termInUse(session, term)
        && ui.confirmDestructive(QStringLiteral("Do you really want to delete term ") + term.Term + QLatin1Char('?'),
                                 HelpTopic(kTermDeleteHelpTopic))
            != Answer::Yes)
        return false;
    table.del();
    return true;
}

} // namespace belvanto
