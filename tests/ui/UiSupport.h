#pragma once
#include "support/ScriptedUi.h"
#include "ui/Help.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace belvanto::testing {

// Help that only remembers which topics were asked for.
class RecordingHelp : public HelpService {
public:
    RecordingHelp() { setHelpService(this); }
    ~RecordingHelp() override { setHelpService(nullptr); }
    void show(const HelpTopic& topic) override;
    QStringList topics;
};

// Runs `act` on the next modal widget as soon as one is up (message boxes
// and dialogs block the test in their own event loop until then).
inline void onNextModal(std::function<void(QWidget*)> act, int attempts = 200)
{
    QTimer::singleShot(10, [act = std::move(act), attempts]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) act(modal);
        else if (attempts > 0) onNextModal(std::move(act), attempts - 1);
    });
}

// Runs `act` on the next modal dialog when it is a Dialog; anything else
// that comes up is closed.
template <typename Dialog>
void onNextDialog(std::function<void(Dialog*)> act)
{
    onNextModal([act = std::move(act)](QWidget* modal) {
        if (auto* dialog = qobject_cast<Dialog*>(modal)) act(dialog);
        else modal->close();
    });
}

// Runs `act` on the next popup menu as soon as one is up (context menus
// block in their own event loop).
inline void onNextPopup(std::function<void(QMenu*)> act, int attempts = 200)
{
    QTimer::singleShot(10, [act = std::move(act), attempts]() mutable {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) act(menu);
        else if (attempts > 0) onNextPopup(std::move(act), attempts - 1);
    });
}

// A field left for Cancel is not checked: the press that moves the focus
// comes a while before the release that rejects the dialog, and neither
// shows a message. The dialog must be shown and active.
inline void ExpectCancelSkipsTheCheck(QDialog& dialog, QLineEdit* field, const QString& text, QAbstractButton* cancel,
                                      const ScriptedUi& ui)
{
    field->setFocus();
    field->setText(text);
    QTest::mousePress(cancel, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_TRUE(ui.messages().empty());
    QTest::mouseRelease(cancel, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(ui.messages().empty());
}

} // namespace belvanto::testing
