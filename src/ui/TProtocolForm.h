#pragma once
// The protocol window: a read-only report that can be saved (rich text or
// Windows text), printed, copied, searched and shown in another font.
#include "core/ProtocolFile.h"
#include "core/UserInterface.h"
#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLineEdit;
class QMenuBar;
class QStatusBar;
class QTextEdit;
class QToolBar;

namespace belvanto {

class TFindForm;

class TProtocolForm : public QDialog {
    Q_OBJECT
public:
    // boldText: the date line and the lines in bold as well as the title.
    TProtocolForm(const QString& caption, const QStringList& lines, const HelpTopic& help, UserInterface& ui,
                  QWidget* parent = nullptr, bool boldText = false);
    ~TProtocolForm() override;

    QTextEdit* report() const { return ReportText; }
    const ProtocolDocument& document() const { return document_; }
    QAction* action(const QString& name) const;

    // The commands, also for tests.
    void saveAs();
    bool saveTo(const QString& chosenPath);   // the file-name rules, then the file
    void print();
    void printerSetup();
    void copyToClipboard();
    void showFind();
    // Searches downward from the selection; false (after the message) when
    // the text is not there.
    bool findNext(const QString& text, bool wholeWord, bool matchCase);
    void chooseFont();
    void applyFont(const QFont& font);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                        const QKeySequence& shortcut, void (TProtocolForm::*handler)());
    void fill();

    UserInterface& ui_;
    HelpTopic help_;
    ProtocolDocument document_;
    QMenuBar* MenuBar = nullptr;
    QToolBar* ToolBar = nullptr;
    QTextEdit* ReportText = nullptr;
    QStatusBar* StatusBar = nullptr;
    QPointer<TFindForm> findForm_;
};

// The find dialog: downward only, with whole-word and match-case options.
class TFindForm : public QDialog {
    Q_OBJECT
public:
    explicit TFindForm(TProtocolForm& owner);
    QLineEdit* FindEdit = nullptr;
    QCheckBox* WholeWordCheck = nullptr;
    QCheckBox* MatchCaseCheck = nullptr;
};

// Shows a check protocol; nothing happens for an empty list. The caption is
// "Detailed <subject> report for project <projectName>" (or "Summary ...").
void ShowReport(QWidget* owner, UserInterface& ui, const QStringList& lines, bool detailed, const QString& subject,
                const QString& projectName);
// The same with the caller's own caption, help topic and type.
void ShowProtocol(QWidget* owner, UserInterface& ui, const QString& caption, const QStringList& lines,
                  const HelpTopic& help, bool boldText = false);
QString ReportCaption(bool detailed, const QString& subject, const QString& projectName);

} // namespace belvanto
