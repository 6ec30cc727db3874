#include "diagram/export/JpegWriter.h"
#include "editing/forms/ImageLinkCommands.h"
#include "editing/forms/TImageLinkForm.h"
#include "editing/forms/TImageListForm.h"
#include "store/ProjectFixture.h"
#include "ui/UiSupport.h"
#include "views/forms/TMainForm.h"
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

using namespace belvanto;
using belvanto::testing::onNextModal;
using belvanto::testing::RecordingHelp;

namespace {

class ImageLinkForms : public belvanto::testing::ProjectFixture {
protected:
    void SetUp() override
    {
        createProject();
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("photos")));
        // 744 x 404 fits as 372 x 202, 100 x 50 as 372 x 186.
        RasterImage jpeg(744, 404, 0x3366CC);
        ASSERT_FALSE(WriteJpegFile(photo(QStringLiteral("P12.jpg")), jpeg, 90, false));
        QImage bitmap(100, 50, QImage::Format_RGB32);
        bitmap.fill(Qt::darkGreen);
        ASSERT_TRUE(bitmap.save(photo(QStringLiteral("p13.BMP")), "BMP"));
        writeAll(photo(QStringLiteral("P14.tif")), "II*");
        writeAll(photo(QStringLiteral("P16.jpg")), "\xFF\xD8\xFF\xE0 not really a JPEG");
        writeAll(photo(QStringLiteral("P17.emf")), "emf");
        writeAll(photo(QStringLiteral("P18.sh")), "#!/bin/sh\n");
        session.project().PhotoPath = path(QStringLiteral("photos"));
        session.project().PhotoPrefix = QStringLiteral("P");
        session.project().Separator = QStringLiteral(";");
    }
    void TearDown() override
    {
        CloseProject(session, true);
        ui.verifyDone();
    }
    QString photo(const QString& name) const { return path(QStringLiteral("photos/") + name); }

    std::unique_ptr<TImageListForm> listForm(const QStringList& entries)
    {
        auto form = std::make_unique<TImageListForm>(ui, ImageKind::Photo, QStringLiteral("F001"),
                                                     path(QStringLiteral("photos")), entries);
        form->openUrl = [this](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        };
        return form;
    }
    static QSize shown(const TImageListForm& form) { return form.ImageLabel->pixmap().size(); }

    QStringList opened;
};

} // namespace

TEST_F(ImageLinkForms, TheListShowsItsRowsAndTheFirstPictureFitted)
{
    onNextModal([](QWidget* w) {
        auto* form = qobject_cast<TImageListForm*>(w);
        ASSERT_TRUE(form);
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Drawing list of F001"));
        EXPECT_EQ(form->ListTitle->text(), QStringLiteral("List of photos"));
        QStringList rows;
        for (int i = 0; i < form->ImageList->count(); ++i) rows << form->ImageList->item(i)->text();
        EXPECT_EQ(rows, (QStringList{"P12", "P13", "P14"}));
        EXPECT_EQ(form->ImageList->currentRow(), 0);
        EXPECT_TRUE(form->FitCheck->isChecked());
        EXPECT_EQ(form->ImageLabel->pixmap().size(), QSize(372, 202));
        EXPECT_EQ(form->ImageArea->viewport()->size(), QSize(372, 404));
        form->reject();
    });
    ShowImageLinks(session, nullptr, ImageKind::Photo, QStringLiteral("12; 13;14"), QStringLiteral("F001"));
}

TEST_F(ImageLinkForms, NoNumbersOrNoFolderSaySoInsteadOfOpeningTheList)
{
    ui.expectWarning(QStringLiteral("Please enter photo numbers first."));
    ShowImageLinks(session, nullptr, ImageKind::Photo, QString(), QStringLiteral("F001"));
    ui.expectWarning(QStringLiteral("Please enter drawing path first."));
    ShowImageLinks(session, nullptr, ImageKind::Drawing, QStringLiteral("3"), QStringLiteral("F001"));
    ui.verifyDone();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ImageLinkForms, EachRowShowsItsPictureOrWhyNot)
{
    auto form = listForm({"P12", "P13", "P14", "P15", "P16", "P17", "P18"});
    struct Case {
        int row;
        const char* text;   // "" when a picture shows
        QSize size;
        bool showable;
    };
    const Case cases[] = {
        {1, "", QSize(372, 186), true},
        {2, "Picture format not supported", QSize(), false},
        {3, "No picture found", QSize(), false},
        {4, "Cannot read picture format", QSize(), true},
        {5, "Cannot read picture format", QSize(), true},
        // A program with the number's name is no picture.
        {6, "Picture format not supported", QSize(), false},
        {0, "", QSize(372, 202), true},
    };
    for (const Case& c : cases) {
        form->ImageList->setCurrentRow(c.row);
        EXPECT_EQ(form->ImageLabel->text(), QString::fromUtf8(c.text)) << c.row;
        EXPECT_EQ(shown(*form), c.size.isValid() ? c.size : QSize(0, 0)) << c.row;
        EXPECT_EQ(form->ShowButton->isEnabled(), c.showable) << c.row;
    }
}

TEST_F(ImageLinkForms, UnfittedPicturesScrollAtTheirOwnSize)
{
    auto form = listForm({"P12", "P13"});
    form->show();
    form->FitCheck->click();
    EXPECT_FALSE(form->FitCheck->isChecked());
    EXPECT_EQ(shown(*form), QSize(744, 404));
    EXPECT_GT(form->ImageArea->horizontalScrollBar()->maximum(), 0);
    form->ImageArea->horizontalScrollBar()->setValue(100);
    form->ImageList->setCurrentRow(1);
    EXPECT_EQ(shown(*form), QSize(100, 50));
    form->ImageList->setCurrentRow(0);
    // Fitting again starts from the whole area, scrolled home.
    form->FitCheck->click();
    EXPECT_EQ(shown(*form), QSize(372, 202));
    EXPECT_EQ(form->ImageArea->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(form->ImageArea->widget()->pos(), QPoint(0, 101));
}

TEST_F(ImageLinkForms, ShowOpensOnlyPictureFiles)
{
    auto form = listForm({"P12", "P14", "P17", "P18"});
    form->ShowButtonClick();
    form->ImageList->setCurrentRow(2);
    form->ShowButton->click();
    EXPECT_EQ(opened, (QStringList{photo("P12.jpg"), photo("P17.emf")}));
    // The buttons of rows without a picture are off; pressed anyway, nothing opens.
    for (int row : {1, 3}) {
        form->ImageList->setCurrentRow(row);
        form->ShowButtonClick();
    }
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(ui.beeps(), 2);
}

TEST_F(ImageLinkForms, IconsShowWhereQtReadsThem)
{
    if (!QImageWriter::supportedImageFormats().contains("ico")) GTEST_SKIP() << "no icon support in this Qt";
    QImage icon(32, 16, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    ASSERT_TRUE(icon.save(photo(QStringLiteral("P19.ico")), "ICO"));
    auto form = listForm({"P19"});
    EXPECT_EQ(shown(*form), QSize(372, 186));
}

TEST_F(ImageLinkForms, HelpOfBothWindowsHasItsPage)
{
    BrowserHelp browser{QStringLiteral(BELVANTO_HELP_DIR)};
    RecordingHelp help;
    auto list = listForm({"P12"});
    list->HelpButton->click();
    TImageLinkForm settings(session);
    settings.HelpButton->click();
    ASSERT_EQ(help.topics, (QStringList{"Photos_Drawings_button", "Photos_and_drawings_config"}));
    for (const QString& topic : help.topics)
        EXPECT_EQ(QFileInfo(browser.pagePath(HelpTopic(topic))).fileName(), topic + QStringLiteral(".html"));
}

TEST_F(ImageLinkForms, SettingsShowTheProjectsValuesInTabOrder)
{
    session.project().Separator.clear();
    session.project().DrawingPrefix = QStringLiteral("Z");
    TImageLinkForm form(session);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Configure link to images"));
    EXPECT_EQ(form.settings(), (ImageLinkSettings{path(QStringLiteral("photos")), "P", "", "Z", ";"}));
    EXPECT_EQ(form.SeparatorEdit->maxLength(), 1);
    EXPECT_EQ(form.PhotoSearchButton->text(), QStringLiteral("&Search..."));
    EXPECT_EQ(form.DrawingSearchButton->text(), QStringLiteral("S&earch..."));
    QStringList labels;
    for (const QLabel* label : form.findChildren<QLabel*>()) labels << label->text();
    labels.sort();
    EXPECT_EQ(labels, (QStringList{"&Path:", "&Separator:", "P&ath:", "P&refix:", "Pre&fix:"}));
    QStringList order;
    QWidget* w = form.PhotoPathEdit;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form.PhotoPathEdit);
    EXPECT_EQ(order, (QStringList{"PhotoPathEdit", "PhotoPrefixEdit", "PhotoSearchButton", "DrawingPathEdit",
                                  "DrawingPrefixEdit", "DrawingSearchButton", "SeparatorEdit", "OKButton",
                                  "CancelButton", "HelpButton"}));
}

TEST_F(ImageLinkForms, RefusedSettingsKeepTheDialogOpenOnTheOffendingEdit)
{
    TImageLinkForm form(session);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.PhotoPathEdit->setText(path(QStringLiteral("gone")));
    form.DrawingPathEdit->setText(path(QStringLiteral("gone")));
    ui.expectError(QStringLiteral("Photo path not found!"));
    form.OKButton->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), form.PhotoPathEdit);
    form.PhotoPathEdit->setText(path(QStringLiteral("photos")));
    ui.expectError(QStringLiteral("Drawing path not found!"));
    form.OKButton->click();
    EXPECT_EQ(form.focusWidget(), form.DrawingPathEdit);
    form.DrawingPathEdit->clear();
    form.SeparatorEdit->clear();
    ui.expectWarning(QStringLiteral("If photo or drawing path are entered, a separator should be entered as well."));
    form.OKButton->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), form.SeparatorEdit);
    ui.verifyDone();
    EXPECT_EQ(session.project().Separator, QStringLiteral(";"));
}

TEST_F(ImageLinkForms, OkMakesTheValuesTheProjectsAndWritesTheProjectFile)
{
    const QString drawings = path(QStringLiteral("photos"));
    onNextModal([&](QWidget* w) {
        auto* form = qobject_cast<TImageLinkForm*>(w);
        ASSERT_TRUE(form);
        // The search button starts in the current folder and takes the
        // chosen picture's folder and, for an empty prefix, its name.
        ui.expectOpenFile().withTitle(QStringLiteral("Select a drawing in drawing path")).answer(photo("Z0042.bmp"));
        form->DrawingSearchButton->click();
        EXPECT_EQ(form->DrawingPathEdit->text(), QDir::toNativeSeparators(drawings));
        EXPECT_EQ(form->DrawingPrefixEdit->text(), QStringLiteral("Z"));
        form->SeparatorEdit->setText(QStringLiteral(","));
        form->OKButton->click();
    });
    EXPECT_TRUE(ConfigureImageLinks(session, nullptr));
    const ProjectState& p = session.project();
    EXPECT_EQ(p.DrawingPath, QDir::toNativeSeparators(drawings));
    EXPECT_EQ(p.DrawingPrefix, QStringLiteral("Z"));
    EXPECT_EQ(p.Separator, QStringLiteral(","));
    const QString text = QString::fromLatin1(readAll(p.ProjectFilePath));
    EXPECT_TRUE(text.contains(QStringLiteral("Drawingprefix=Z\r\nSeparator=,\r\n"))) << text.toStdString();

    // Cancel, or OK without a change, changes nothing.
    onNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(ConfigureImageLinks(session, nullptr));
    onNextModal([](QWidget* w) { qobject_cast<TImageLinkForm*>(w)->OKButton->click(); });
    EXPECT_FALSE(ConfigureImageLinks(session, nullptr));
}

TEST_F(ImageLinkForms, TheMainWindowsCommandOpensTheSettings)
{
    const QString file = session.project().ProjectFilePath;
    CloseProject(session, true);
    TMainForm window(session);
    RegisterImageLinkCommands(window.commands());
    QAction* command = window.command(QStringLiteral("ConfigureImages"));
    ASSERT_TRUE(command);
    EXPECT_EQ(command->text(), QStringLiteral("Configure &link to images..."));
    EXPECT_FALSE(command->isEnabled());
    ASSERT_TRUE(window.openProject(file));
    EXPECT_TRUE(command->isEnabled());
    bool shown = false;
    onNextModal([&](QWidget* w) {
        shown = qobject_cast<TImageLinkForm*>(w) != nullptr;
        qobject_cast<QDialog*>(w)->reject();
    });
    command->trigger();
    EXPECT_TRUE(shown);
}
