// The import and export windows: the CSV options, the import dialog, the
// field concordance grid, and both commands from the first dialog to the
// written file.
#include "exchange/Csv.h"
#include "exchange/ImportCommand.h"
#include "exchange/forms/ExchangeCommands.h"
#include "exchange/forms/TCSVExportForm.h"
#include "exchange/forms/TImportFieldsForm.h"
#include "exchange/forms/TImportFileForm.h"
#include "store/ProjectFixture.h"
#include "ui/CommandRegistry.h"
#include "ui/UiSupport.h"
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

using namespace belvanto;

namespace {

const QString kKeySeparatorPrompt = QStringLiteral("Enter separator between excavation and unit name:");
const QString kListSeparatorPrompt = QStringLiteral("Enter separator between unit entries in relationship lists:");

class ExchangeForms : public belvanto::testing::ProjectFixture {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        writeAll(path(name), bytes);
        return path(name);
    }

    static void showActive(QWidget& w)
    {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    static QStringList menuTexts(QMenu& menu)
    {
        QStringList texts;
        for (QAction* a : menu.actions()) texts << (a->isSeparator() ? QStringLiteral("---") : a->text());
        return texts;
    }

    static QAction* menuAction(QMenu& menu, const QString& text)
    {
        for (QAction* a : menu.actions())
            if (a->text() == text) return a;
        return nullptr;
    }
};

// --- the CSV options ---------------------------------------------------------

TEST_F(ExchangeForms, CsvOptionsStartAtTheDefaultsAndFollowTheChoices)
{
    TCSVExportForm form(kCsvImportCaption, ui);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Import CSV data"));
    const CsvOptions defaults = form.options();
    EXPECT_EQ(defaults.TextDelimiter, QStringLiteral("\""));
    EXPECT_EQ(defaults.AllFieldsDelimiter, QString());
    EXPECT_EQ(defaults.Separator, QStringLiteral(";"));
    EXPECT_FALSE(defaults.FirstRowNames);
    EXPECT_FALSE(defaults.Oem);

    struct Case {
        const char* what;
        std::function<void(TCSVExportForm&)> choose;
        QString text, all, separator;
        bool names, oem;
    };
    const Case cases[] = {
        {"all fields", [](TCSVExportForm& f) { f.AllFieldsButton->setChecked(true); }, "\"", "\"", ";", false, false},
        {"nothing leaves both empty",
         [](TCSVExportForm& f) {
             f.NothingButton->setChecked(true);
             f.AllFieldsButton->setChecked(true);
         },
         "", "", ";", false, false},
        {"other delimiter",
         [](TCSVExportForm& f) {
             f.OtherDelimiterButton->setChecked(true);
             f.OtherDelimiter->setText(QStringLiteral("'"));
         },
         "'", "", ";", false, false},
        {"tabs", [](TCSVExportForm& f) { f.TabButton->setChecked(true); }, "\"", "", "\t", false, false},
        {"other separator",
         [](TCSVExportForm& f) {
             f.OtherSeparatorButton->setChecked(true);
             f.OtherSeparator->setText(QStringLiteral("|"));
         },
         "\"", "", "|", false, false},
        {"names and OEM",
         [](TCSVExportForm& f) {
             f.FieldNamesCheck->setChecked(true);
             f.OemButton->setChecked(true);
         },
         "\"", "", ";", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TCSVExportForm fresh(kCsvExportCaption, ui);
        c.choose(fresh);
        const CsvOptions o = fresh.options();
        EXPECT_EQ(o.TextDelimiter, c.text);
        EXPECT_EQ(o.AllFieldsDelimiter, c.all);
        EXPECT_EQ(o.Separator, c.separator);
        EXPECT_EQ(o.FirstRowNames, c.names);
        EXPECT_EQ(o.Oem, c.oem);
    }
}

TEST_F(ExchangeForms, OtherTakesTheFocusToItsEditAndAnotherChoiceClearsIt)
{
    TCSVExportForm form(kCsvExportCaption, ui);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Export CSV data"));
    showActive(form);
    for (auto [other, edit, another] :
         {std::tuple{form.OtherDelimiterButton, form.OtherDelimiter, form.NothingButton},
          std::tuple{form.OtherSeparatorButton, form.OtherSeparator, form.TabButton}}) {
        // click(): two mouse clicks in quick succession would make a double click.
        other->click();
        EXPECT_TRUE(other->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), edit);
        QTest::keyClick(edit, Qt::Key_Bar);
        EXPECT_EQ(edit->text(), QStringLiteral("|"));
        another->click();
        EXPECT_TRUE(edit->text().isEmpty());
        // Typing into the edit chooses "Other:" again.
        QTest::keyClick(edit, Qt::Key_Exclam);
        EXPECT_TRUE(other->isChecked());
        EXPECT_EQ(edit->text().size(), 1);
    }
}

TEST_F(ExchangeForms, OkNeedsTheCharacterOfOtherAndTwoDifferentCharacters)
{
    TCSVExportForm form(kCsvImportCaption, ui);
    showActive(form);
    form.OtherSeparatorButton->setChecked(true);
    ui.expectError(QStringLiteral("Enter the character that separates the fields."), "Import__CSV_options");
    form.OKButton->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), form.OtherSeparator);
    form.OtherSeparator->setText(QStringLiteral("\""));
    ui.expectError(QStringLiteral("The delimiter and the separator must not be the same character."),
                   "Import__CSV_options");
    form.OKButton->click();
    EXPECT_TRUE(form.isVisible());
    form.OtherDelimiterButton->setChecked(true);
    ui.expectError(QStringLiteral("Enter the character that delimits the fields."), "Import__CSV_options");
    form.OKButton->click();
    EXPECT_EQ(QApplication::focusWidget(), form.OtherDelimiter);
    form.OtherDelimiter->setText(QStringLiteral("'"));
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.options().Separator, QStringLiteral("\""));
    EXPECT_EQ(form.options().TextDelimiter, QStringLiteral("'"));
}

// --- the field concordance grid -----------------------------------------------

class ConcordanceGrid : public ExchangeForms {
protected:
    void SetUp() override
    {
        createProject();
        // A key column, a description, a later-than list, a number, a column
        // longer than a unit name and one with an accented name.
        csv = write(QStringLiteral("grid.csv"), "Excavation_Unitname;Description;Later than;MinYear;Name;H\xf6he\r\n"
                                                 "\"A:1\";\"pit fill\";\"A:2\";1200;\"ABCDEFGHIJ\";\"12.5\"\r\n"
                                                 "\"A:2\";\"floor\";\"\";1100;\"B\";\"13\"\r\n");
        CsvOptions o;
        o.FirstRowNames = true;
        source = ReadCsvHeader(ui, csv, o, regional);
        ASSERT_TRUE(source);
    }
    void TearDown() override { CloseProject(session, true); }

    QString cell(TImportFieldsForm& form, int row, int column) { return form.FieldAssignGrid->item(row, column)->text(); }

    QString csv;
    std::unique_ptr<CsvSource> source;
};

TEST_F(ConcordanceGrid, ShowsTheColumnsWithTheirAutomaticTargets)
{
    TImportFieldsForm form(session, *source, QStringLiteral("A"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Set field concordance"));
    QTableWidget* grid = form.FieldAssignGrid;
    ASSERT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Field type"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Field name"));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Belvanto Field name"));
    EXPECT_EQ(grid->columnWidth(0), 112);
    EXPECT_EQ(grid->columnWidth(1), 112);
    EXPECT_GE(grid->columnWidth(2), 183);
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
    ASSERT_EQ(grid->rowCount(), 6);
    const QStringList expected[] = {
        {"string(3)", "Excavation_Unitname", "Excavation+unitname"},
        {"string(8)", "Description", session.catalogue()[uf::Description].Label},
        {"string(3)", "Later than", "Later than relationships"},
        {"integer", "MinYear", session.catalogue()[uf::MinYear].Label},
        {"string(10)", "Name", ""},
        {"float", QStringLiteral("H\u00f6he"), ""},
    };
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ((QStringList{cell(form, row, 0), cell(form, row, 1), cell(form, row, 2)}), expected[row]) << row;
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->currentColumn(), TImportFieldsForm::TargetColumn);
}

TEST_F(ConcordanceGrid, MenuOffersCompatibleFieldsThenTheKeyAndRelationshipTargets)
{
    TImportFieldsForm form(session, *source, QStringLiteral("A"));
    const UnitFieldCatalogue& catalogue = session.catalogue();
    std::unique_ptr<QMenu> menu(form.targetMenu(4));
    ASSERT_TRUE(menu);
    QStringList expected;
    for (const ConcordanceTarget& t : CompatibleTargets(source->columns()[4], catalogue, true))
        if (t.kind == ConcordanceTarget::Kind::Field) expected << TargetText(t, catalogue);
    expected << QStringLiteral("---") << QStringLiteral("Excavation+unitname") << QStringLiteral("Later than relationships")
             << QStringLiteral("Earlier than relationships") << QStringLiteral("Equal relationships")
             << QStringLiteral("Contemporary relationships") << QStringLiteral("Part of relationships");
    EXPECT_EQ(menuTexts(*menu), expected);
    EXPECT_EQ(expected.front(), catalogue[uf::Excavation].Label);
    // A float column of a text file feeds float and text fields, never an
    // integer or a date field.
    std::unique_ptr<QMenu> floats(form.targetMenu(5));
    ASSERT_TRUE(floats);
    const QStringList texts = menuTexts(*floats);
    EXPECT_TRUE(texts.contains(catalogue[uf::Description].Label));
    EXPECT_FALSE(texts.contains(catalogue[uf::MinYear].Label));
    EXPECT_FALSE(texts.contains(catalogue[uf::ExcavationDate].Label));
    for (int f = 0; f < kOptionFieldCount; ++f)
        EXPECT_TRUE(catalogue[f].Type != FieldType::Float || texts.contains(catalogue[f].Label)) << f;
}

TEST_F(ConcordanceGrid, ALongerColumnAsksBeforeItIsCutToItsField)
{
    TImportFieldsForm form(session, *source, QStringLiteral("A"));
    const QString label = session.catalogue()[uf::Unitname].Label;
    const QString question = QStringLiteral("Field size of source field Name exceeds field size of target field ") + label
                             + QStringLiteral(".\r\nConfirm field truncation.");
    std::unique_ptr<QMenu> menu(form.targetMenu(4));
    ui.expectConfirmation(question).answer(Answer::No);
    menuAction(*menu, label)->trigger();
    EXPECT_EQ(cell(form, 4, 2), QString());
    EXPECT_FALSE(form.concordance().truncationConfirmed[4]);
    ui.expectConfirmation(question).answer(Answer::Yes);
    menuAction(*menu, label)->trigger();
    EXPECT_EQ(cell(form, 4, 2), label);
    EXPECT_EQ(form.concordance().targets[4], ConcordanceTarget::toField(uf::Unitname));
    EXPECT_TRUE(form.concordance().truncationConfirmed[4]);
    // A field wide enough asks nothing, and forgets the confirmation.
    menuAction(*menu, session.catalogue()[uf::Description].Label)->trigger();
    EXPECT_FALSE(form.concordance().truncationConfirmed[4]);
}

// A table column without a size of its own, such as a dBase memo.
class MemoColumnSource : public ImportSource {
public:
    QString filePath() const override { return QStringLiteral("notes.dbf"); }
    const std::vector<SourceColumn>& columns() const override { return columns_; }
    void rewind() override {}
    bool next(std::vector<Value>&) override { return false; }
    int position() const override { return 0; }

private:
    std::vector<SourceColumn> columns_{{QStringLiteral("Notes"), SourceType::Memo, 0}};
};

TEST_F(ConcordanceGrid, AMemoColumnAsksBeforeItFeedsATextField)
{
    // A memo's values may be of any length, so every text field is narrower.
    MemoColumnSource memo;
    TImportFieldsForm form(session, memo, QStringLiteral("A"));
    const QString label = session.catalogue()[uf::Description].Label;
    std::unique_ptr<QMenu> menu(form.targetMenu(0));
    ASSERT_TRUE(menu);
    ui.expectConfirmation(QStringLiteral("Field size of source field Notes exceeds field size of target field ") + label
                          + QStringLiteral(".\r\nConfirm field truncation."))
        .answer(Answer::Yes);
    menuAction(*menu, label)->trigger();
    EXPECT_EQ(form.concordance().targets[0], ConcordanceTarget::toField(uf::Description));
    EXPECT_TRUE(form.concordance().truncationConfirmed[0]);
}

TEST_F(ConcordanceGrid, RightClickChoosesForTheRowUnderTheMouse)
{
    TImportFieldsForm form(session, *source, QStringLiteral("A"));
    showActive(form);
    QTableWidget* grid = form.FieldAssignGrid;
    const QRect cell4 = grid->visualItemRect(grid->item(4, 2));
    belvanto::testing::onNextPopup([](QMenu* menu) {
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == QLatin1String("Part of relationships")) chosen = a;
        ASSERT_TRUE(chosen);
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    Q_EMIT grid->customContextMenuRequested(cell4.center());
    EXPECT_EQ(grid->currentRow(), 4);
    EXPECT_EQ(cell(form, 4, 2), QStringLiteral("Part of relationships"));

    // The menu key opens the current row's menu, wherever the mouse is.
    grid->setCurrentCell(1, 2);
    QString first;
    belvanto::testing::onNextPopup([&first](QMenu* menu) {
        first = menu->actions().front()->text();
        menu->close();
    });
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), grid->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(grid, &key);
    EXPECT_EQ(first, session.catalogue()[uf::Excavation].Label);
    EXPECT_EQ(grid->currentRow(), 1);
}

TEST_F(ConcordanceGrid, BackspaceClearsAndOtherKeysBeep)
{
    TImportFieldsForm form(session, *source, QStringLiteral("A"));
    showActive(form);
    QTableWidget* grid = form.FieldAssignGrid;
    grid->setCurrentCell(1, 2);
    QTest::keyClick(grid, Qt::Key_A);
    QTest::keyClick(grid, Qt::Key_5);
    EXPECT_EQ(ui.beeps(), 2);
    EXPECT_EQ(cell(form, 1, 2), session.catalogue()[uf::Description].Label);
    QTest::keyClick(grid, Qt::Key_Backspace);
    EXPECT_EQ(cell(form, 1, 2), QString());
    EXPECT_EQ(form.concordance().targets[1], ConcordanceTarget());
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(ui.beeps(), 2);
}

TEST_F(ConcordanceGrid, OkSelectsTheRepeatedRowAndStaysOpen)
{
    TImportFieldsForm form(session, *source, QStringLiteral("A"));
    showActive(form);
    std::unique_ptr<QMenu> menu(form.targetMenu(4));
    menuAction(*menu, QStringLiteral("Excavation+unitname"))->trigger();
    ui.expectError(QStringLiteral("Excavation+unitname occurs twice."));
    form.OKButton->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.FieldAssignGrid->currentRow(), 4);
    EXPECT_EQ(session.units().count(), 0);
    form.clearTarget(4);
    ui.expectInput().withPrompt(kKeySeparatorPrompt).answer(QStringLiteral(":"));
    ui.expectInput().withPrompt(kListSeparatorPrompt).answer(QStringLiteral(","));
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(unitRows(session.units(), uf::MinYear), (QStringList{"A:1=1200", "A:2=1100"}));
}

// --- the import dialog -----------------------------------------------------------

TEST_F(ExchangeForms, ImportDialogStartsWithPlaceholdersAndPutsTheFocusOnTheFault)
{
    const QString csv = write(QStringLiteral("units.csv"), "Unitname\r\n1\r\n");
    TImportFileForm form(session);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Select Import File"));
    EXPECT_EQ(form.ImportFileEditbox->text(), QStringLiteral("*.*"));
    EXPECT_EQ(form.ProjectFileEditbox->text(), QStringLiteral("*.bvp"));
    EXPECT_EQ(form.ExcavationEdit->maxLength(), session.catalogue()[uf::Excavation].Size);
    EXPECT_EQ(form.ImportSearchButton->text(), QStringLiteral("Se&arch..."));
    EXPECT_EQ(form.ProjectSearchButton->text(), QStringLiteral("Sea&rch..."));
    showActive(form);

    struct Step {
        QString file, project, excavation;
        QString error;
        QLineEdit* focus;
    };
    const Step steps[] = {
        {"*.*", "*.bvp", "", "Illegal import file name or file not found - try again", form.ImportFileEditbox},
        {csv, "*.bvp", "", "Illegal project file name - try again", form.ProjectFileEditbox},
        {csv, QDir::toNativeSeparators(path("New.bvp")), "", "The excavation name must not be blank", form.ExcavationEdit},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.error.toStdString());
        form.ImportFileEditbox->setText(s.file);
        form.ProjectFileEditbox->setText(s.project);
        form.ExcavationEdit->setText(s.excavation);
        form.OKButton->setFocus();
        if (s.focus == form.ExcavationEdit) ui.expectError(s.error, 14);
        else ui.expectError(s.error);
        form.OKButton->click();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), s.focus);
        EXPECT_EQ(s.focus->selectedText(), s.focus->text());
    }
    form.ExcavationEdit->setText(QStringLiteral("Trench"));
    form.OKButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const ImportRequest r = form.request();
    EXPECT_EQ(r.importFile, csv);
    EXPECT_EQ(r.projectFile, path(QStringLiteral("New.bvp")));
    EXPECT_EQ(r.excavation, QStringLiteral("Trench"));
}

TEST_F(ExchangeForms, ImportSearchButtonsFillTheEditsUntilTheyAreTyped)
{
    TImportFileForm form(session);
    ui.expectOpenFile().withTitle(QStringLiteral("Name of File for import")).answer(path(QStringLiteral("gone.lst")));
    form.ImportSearchButton->click();
    ui.expectSaveFile().withTitle(QStringLiteral("Name of Target Project File")).answer(path(QStringLiteral("T.bvp")));
    form.ProjectSearchButton->click();
    EXPECT_EQ(form.ImportFileEditbox->text(), QDir::toNativeSeparators(path(QStringLiteral("gone.lst"))));
    EXPECT_TRUE(form.request().importChosenBySearch);
    EXPECT_TRUE(form.request().projectChosenBySearch);
    form.ImportFileEditbox->setText(path(QStringLiteral("typed.lst")));
    EXPECT_FALSE(form.request().importChosenBySearch);
}

// --- the commands from the first dialog to the file -------------------------------

TEST_F(ExchangeForms, ImportCommandTakesACsvFileThroughEveryDialog)
{
    const QString csv = write(QStringLiteral("dig.csv"), "Excavation_Unitname;Description;Later than\r\n"
                                                          "\"B:1\";\"pit fill\";\"B:2\"\r\n"
                                                          "\"B:2\";\"floor\";\"\"\r\n");
    QStringList seen;
    using namespace belvanto::testing;
    onNextDialog<TImportFileForm>([&](TImportFileForm* form) {
        seen << form->windowTitle();
        form->ImportFileEditbox->setText(csv);
        form->ExcavationEdit->setText(QStringLiteral("B"));
        form->ProjectFileEditbox->setText(path(QStringLiteral("Dig.bvp")));
        onNextDialog<TCSVExportForm>([&](TCSVExportForm* options) {
            seen << options->windowTitle();
            options->FieldNamesCheck->setChecked(true);
            onNextDialog<TImportFieldsForm>([&](TImportFieldsForm* fields) {
                seen << fields->windowTitle();
                fields->OKButton->click();
            });
            options->OKButton->click();
        });
        form->OKButton->click();
    });
    ui.expectInput().withPrompt(kKeySeparatorPrompt).answer(QStringLiteral(":"));
    ui.expectInput().withPrompt(kListSeparatorPrompt).answer(QStringLiteral(","));
    ImportDataCommand(session, nullptr);
    EXPECT_EQ(seen, (QStringList{"Select Import File", "Import CSV data", "Set field concordance"}));
    ASSERT_TRUE(session.project().isOpen());
    EXPECT_EQ(session.project().ProjectName, QStringLiteral("Dig"));
    EXPECT_EQ(ui.statuses().last(), QStringLiteral("2 units imported"));
    EXPECT_EQ(unitRows(session.units(), uf::Description), (QStringList{"B:1=pit fill", "B:2=floor"}));
    EXPECT_EQ(session.relations().count(), 2);
    CloseProject(session, true);
}

TEST_F(ExchangeForms, ImportCommandCancelledInTheGridLeavesNoProject)
{
    const QString csv = write(QStringLiteral("dig.csv"), "Unitname\r\n1\r\n");
    using namespace belvanto::testing;
    onNextDialog<TImportFileForm>([&](TImportFileForm* form) {
        form->ImportFileEditbox->setText(csv);
        form->ExcavationEdit->setText(QStringLiteral("B"));
        form->ProjectFileEditbox->setText(path(QStringLiteral("Dig.bvp")));
        onNextDialog<TCSVExportForm>([&](TCSVExportForm* options) {
            options->FieldNamesCheck->setChecked(true);
            onNextDialog<TImportFieldsForm>([](TImportFieldsForm* fields) { fields->CancelButton->click(); });
            options->OKButton->click();
        });
        form->OKButton->click();
    });
    ImportDataCommand(session, nullptr);
    EXPECT_FALSE(session.project().isOpen());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Dig.bvp"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"dig.csv"});
}

TEST_F(ExchangeForms, ExportCommandWritesEveryFormat)
{
    createProject(QStringLiteral("Site"));
    addUnit(QStringLiteral("A"), QStringLiteral("12"));
    addUnit(QStringLiteral("A"), QStringLiteral("13"));
    addRelation({QStringLiteral("A"), QStringLiteral("12")}, {QStringLiteral("A"), QStringLiteral("13")}, QLatin1Char('>'));
    for (const char* name : {"out.lst", "out.dbf", "out.txt", "out.csv"}) {
        SCOPED_TRACE(name);
        const QString file = path(QString::fromLatin1(name));
        ui.expectSaveFile().withTitle(QStringLiteral("Export Harris data base")).answer(file);
        QString caption;
        if (file.endsWith(QLatin1String(".csv")))
            belvanto::testing::onNextDialog<TCSVExportForm>([&](TCSVExportForm* form) {
                caption = form->windowTitle();
                form->FieldNamesCheck->setChecked(true);
                form->OKButton->click();
            });
        ExportDataCommand(session, nullptr);
        EXPECT_TRUE(QFile::exists(file));
        if (!caption.isEmpty()) {
            EXPECT_EQ(caption, QStringLiteral("Export CSV data"));
            EXPECT_TRUE(readAll(file).startsWith("Excavation_Unitname;Unitclass;Later than;Earlier than\r\n"));
        }
    }
    ui.expectSaveFile().cancel();
    ExportDataCommand(session, nullptr);
    CloseProject(session, true);
}

} // namespace

TEST(ExchangeCommandRows, RegisteredWithTheirHintsAndConditions)
{
    CommandRegistry commands;
    RegisterExchangeCommands(commands);
    struct Row {
        const char* name;
        const char* hint;
        Need need;
    };
    for (const Row& expected : {Row{"FileImport", "Import data in Harris list format", Need::NoProject},
                                Row{"FileExport", "Export data", Need::Project}}) {
        SCOPED_TRACE(expected.name);
        EXPECT_TRUE(commands.registered(QString::fromLatin1(expected.name)));
        const auto rows = CommandRegistry::rows();
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const CommandRow& r) { return qstrcmp(r.name, expected.name) == 0; });
        ASSERT_NE(row, rows.end());
        EXPECT_STREQ(row->hint, expected.hint);
        EXPECT_EQ(row->need, expected.need);
    }
}
