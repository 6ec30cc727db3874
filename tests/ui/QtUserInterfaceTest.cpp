#include "ui/Help.h"
#include "ui/HelpTopics.h"
#include "ui/QtUserInterface.h"
#include "ui/THelpForm.h"
#include "ui/UiSupport.h"
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace belvanto;

namespace {

QAbstractButton* button(QWidget* box, QMessageBox::StandardButton which)
{
    return static_cast<QMessageBox*>(box)->button(which);
}

} // namespace

TEST(QtUserInterface, HelpButtonOpensTheTopicAndLeavesTheBoxOpen)
{
    belvanto::testing::RecordingHelp help;
    QtUserInterface ui;
    bool stillOpen = false;
    QString shown;
    belvanto::testing::onNextModal([&](QWidget* box) {
        shown = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
        button(box, QMessageBox::Help)->click();
        belvanto::testing::onNextModal([&stillOpen, box](QWidget* same) {
            stillOpen = same == box;
            button(same, QMessageBox::Yes)->click();
        });
    });
    const Answer a = ui.message(MessageKind::Confirmation, QStringLiteral("Delete?\r\nReally?"), Buttons::YesNo,
                                HelpTopic(150));
    EXPECT_EQ(a, Answer::Yes);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(help.topics, QStringList{QStringLiteral("150")});
    EXPECT_EQ(shown, QStringLiteral("Delete?\nReally?"));
}

TEST(QtUserInterface, EscapeGivesTheSafeAnswer)
{
    QtUserInterface ui;
    belvanto::testing::onNextModal([](QWidget* box) { static_cast<QMessageBox*>(box)->reject(); });
    EXPECT_EQ(ui.message(MessageKind::Confirmation, QStringLiteral("Go?"), Buttons::YesNoCancel), Answer::Cancel);
    belvanto::testing::onNextModal([](QWidget* box) { static_cast<QMessageBox*>(box)->reject(); });
    EXPECT_EQ(ui.message(MessageKind::Confirmation, QStringLiteral("Go?"), Buttons::YesNo), Answer::No);
}

// A long pass is stopped with the progress dialog's Cancel; the dialog and
// the status text go with the pass.
TEST(QtUserInterface, ProgressDialogCancelStopsThePass)
{
    QtUserInterface ui;
    QStringList statuses;
    ui.setStatusSink([&](const QString& text) { statuses << text; });
    EXPECT_TRUE(ui.progress(QStringLiteral("Creating unit 1 of 5000"), 0, 5000));
    QProgressDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(w)) dialog = d;
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->labelText(), QStringLiteral("Creating unit 1 of 5000"));
    EXPECT_TRUE(ui.progress(QStringLiteral("Creating unit 1001 of 5000"), 1000, 5000));
    EXPECT_EQ(dialog->value(), 200);
    dialog->cancel();
    EXPECT_FALSE(ui.progress(QStringLiteral("Creating unit 2001 of 5000"), 2000, 5000));
    QPointer<QProgressDialog> gone(dialog);
    ui.progressEnd();
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(statuses.last(), QString());
    // The next pass starts with a dialog of its own, not cancelled.
    EXPECT_TRUE(ui.progress(QStringLiteral("Creating unit 1 of 10"), 0, 10));
    ui.progressEnd();
}

TEST(QtUserInterface, ListDialogOkAndCancel)
{
    QtUserInterface ui;
    belvanto::testing::onNextModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); });
    EXPECT_TRUE(ui.showList(QStringLiteral("Units defined in both projects"),
                            QStringLiteral("Press OK to supersede unit definitions\r\nin current project"),
                            {QStringLiteral("A:1")}, HelpTopic("Projects__add")));
    belvanto::testing::onNextModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    EXPECT_FALSE(ui.showList(QStringLiteral("Units defined in both projects"), QString(), {QStringLiteral("A:1")}));
}

TEST(BrowserHelp, EveryTopicInUseHasItsPage)
{
    const QString dir = QStringLiteral(BELVANTO_HELP_DIR);
    ASSERT_TRUE(QFileInfo::exists(QDir(dir).filePath(QStringLiteral("Contents.html")))) << qPrintable(dir);
    const HelpTopic topics[] = {HelpTopic("Configure_Fields"), HelpTopic("New_project"), HelpTopic("Projects__add"),
                                HelpTopic("Report_window"), HelpTopic(kHelpFind), HelpTopic(kHelpUsing), HelpTopic(14),
                                HelpTopic(43), HelpTopic(54), HelpTopic(56), HelpTopic(84), HelpTopic(89),
                                HelpTopic(91), HelpTopic(92), HelpTopic(94), HelpTopic(133), HelpTopic(150),
                                HelpTopic(12), HelpTopic(17), HelpTopic(20), HelpTopic(75), HelpTopic(79),
                                HelpTopic(128)};
    for (const HelpTopic& t : topics) {
        const QString page = QDir(dir).filePath(HelpPageName(t) + QStringLiteral(".html"));
        EXPECT_TRUE(QFileInfo::exists(page)) << qPrintable(t.toString());
        // The contents page stands in for topics without a page of their own.
        EXPECT_NE(HelpPageName(t), kHelpContents) << qPrintable(t.toString());
    }
    BrowserHelp help(dir);
    EXPECT_TRUE(help.pagePath(HelpTopic("No_such_topic")).endsWith(QStringLiteral("/Contents.html")));
    EXPECT_TRUE(help.pagePath(HelpTopic("../etc")).endsWith(QStringLiteral("/Contents.html")));
    help.show(HelpTopic("Configure_Fields"));
    ASSERT_TRUE(help.window());
    EXPECT_TRUE(help.window()->currentPage().endsWith(QStringLiteral("/Configure_Fields.html")));
    EXPECT_TRUE(help.window()->browser()->toPlainText().contains(QStringLiteral("List view")));
}
