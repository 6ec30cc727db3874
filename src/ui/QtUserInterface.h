#pragma once
// The user-interaction interface of the desktop program: modal message boxes
// (with a Help button that opens the topic and leaves the box open), the
// file dialogs, input and list dialogs, the status line and the wait cursor.
#include "core/UserInterface.h"
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>
#include <functional>

class QMessageBox;

namespace belvanto {

class QtUserInterface : public UserInterface {
public:
    QtUserInterface() = default;

    // Dialogs open over the active window, else over this one.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    // Receives the persistent status text.
    void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }
    // Receives the notes of commands done.
    void setNoticeSink(std::function<void(const QString&)> sink) { noticeSink_ = std::move(sink); }

    Answer message(MessageKind kind, const QString& text, Buttons buttons, const HelpTopic& help = {}) override;
    Answer confirmDestructive(const QString& text, const HelpTopic& help = {}) override;
    void beep() override;
    std::optional<QString> openFile(const FileChoice& choice) override;
    std::optional<QString> saveFile(const FileChoice& choice) override;
    std::optional<QString> chooseDirectory(const QString& title, const QString& start) override;
    std::optional<QString> inputText(const QString& title, const QString& prompt, const QString& initial) override;
    std::optional<int> selectString(const QString& caption, const QString& prompt, const QStringList& items,
                                    const HelpTopic& help = {}) override;
    bool showList(const QString& title, const QString& text, const QStringList& items,
                  const HelpTopic& help = {}) override;
    void status(const QString& text) override;
    void notice(const QString& text) override;
    void setBusy(bool busy) override;
    // A window-modal progress dialog with Cancel over the active window,
    // shown once the pass has taken half a second.
    bool progress(const QString& text, qint64 done, qint64 total) override;
    void progressEnd() override;

    // The box message() would show, not yet shown; for tests and for callers
    // that need to add to it.
    static QMessageBox* createMessageBox(MessageKind kind, const QString& text, Buttons buttons,
                                         const HelpTopic& help, QWidget* parent);
    // The box of confirmDestructive: Yes/No with No as the default button.
    static QMessageBox* createDestructiveBox(const QString& text, const HelpTopic& help, QWidget* parent);
    static Answer answerOf(QMessageBox& box);

    QWidget* dialogParent() const;

private:
    static Answer run(QMessageBox& box, Buttons buttons);

    QPointer<QWidget> mainWindow_;
    std::function<void(const QString&)> statusSink_;
    std::function<void(const QString&)> noticeSink_;
    int busy_ = 0;
    QPointer<QProgressDialog> progress_;
};

// "\r\n" as the system writes line breaks, "\n" as Qt shows them.
QString displayText(const QString& text);

} // namespace belvanto
