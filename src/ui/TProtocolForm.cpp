#include "ui/TProtocolForm.h"
#include "ui/Help.h"
#include "ui/Printer.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace belvanto {

QString ReportCaption(bool detailed, const QString& subject, const QString& projectName)
{
    return QStringLiteral("%1 %2 report for project %3")
        .arg(detailed ? QStringLiteral("Detailed") : QStringLiteral("Summary"), subject, projectName);
}

void ShowProtocol(QWidget* owner, UserInterface& ui, const QString& caption, const QStringList& lines,
                  const HelpTopic& help, bool boldText)
{
    if (lines.isEmpty()) return;
    TProtocolForm form(caption, lines, help, ui, owner, boldText);
    form.exec();
}

void ShowReport(QWidget* owner, UserInterface& ui, const QStringList& lines, bool detailed, const QString& subject,
                const QString& projectName)
{
    ShowProtocol(owner, ui, ReportCaption(detailed, subject, projectName), lines, HelpTopic("Report_window"));
}

TProtocolForm::TProtocolForm(const QString& caption, const QStringList& lines, const HelpTopic& help,
                             UserInterface& ui, QWidget* parent, bool boldText)
    : QDialog(parent), ui_(ui), help_(help)
{
    setObjectName(QStringLiteral("ProtocolForm"));
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    document_.title = caption;
    document_.dateLine = QStringLiteral("created on ")
                         + QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    document_.lines = lines;
    document_.bold = boldText;

    ReportText = new QTextEdit(this);
    ReportText->setObjectName(QStringLiteral("ReportText"));
    ReportText->setReadOnly(true);
    ReportText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    ReportText->setLineWrapMode(QTextEdit::NoWrap);
    QFont font = ReportText->font();
    font.setPointSizeF(document_.pointSize);
    document_.fontFamily = font.family();

    MenuBar = new QMenuBar(this);
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    StatusBar = new QStatusBar(this);
    StatusBar->setSizeGripEnabled(false);

    QMenu* file = MenuBar->addMenu(QStringLiteral("&File"));
    QAction* save = addCommand(file, QStringLiteral("SaveAs"), QStringLiteral("&Save as.."),
                               QStringLiteral("Save the report as RTF or ANSI file"), {}, &TProtocolForm::saveAs);
    QAction* printAction = addCommand(file, QStringLiteral("Print"), QStringLiteral("&Print"),
                                      QStringLiteral("Print the report"), {}, &TProtocolForm::print);
    addCommand(file, QStringLiteral("PrinterSetup"), QStringLiteral("&Printer setup..."), QString(), {},
               &TProtocolForm::printerSetup);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("&Exit"));
    exit->setObjectName(QStringLiteral("Exit"));
    exit->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(exit);
    connect(exit, &QAction::triggered, this, &QDialog::reject);
    QMenu* edit = MenuBar->addMenu(QStringLiteral("&Edit"));
    QAction* copy = addCommand(edit, QStringLiteral("Copy"), QStringLiteral("&Copy to Clipboard"),
                               QStringLiteral("Copy the selected text to the clipboard"), QKeySequence(Qt::CTRL | Qt::Key_C),
                               &TProtocolForm::copyToClipboard);
    QAction* find = addCommand(edit, QStringLiteral("Find"), QStringLiteral("&Find..."),
                               QStringLiteral("Find a text string in the report"), QKeySequence(Qt::CTRL | Qt::Key_F),
                               &TProtocolForm::showFind);
    QMenu* preferences = MenuBar->addMenu(QStringLiteral("&Preferences"));
    QAction* fontAction = addCommand(preferences, QStringLiteral("Font"), QStringLiteral("&Font"),
                                     QStringLiteral("Change the font of the report"), {}, &TProtocolForm::chooseFont);
    QAction* helpAction = MenuBar->addAction(QStringLiteral("&Help"));
    helpAction->setObjectName(QStringLiteral("Help"));
    helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(helpAction);
    connect(helpAction, &QAction::triggered, this, [this] { showHelp(help_); });
    for (QAction* a : {save, printAction}) ToolBar->addAction(a);
    ToolBar->addSeparator();
    for (QAction* a : {copy, find}) ToolBar->addAction(a);
    ToolBar->addSeparator();
    ToolBar->addAction(fontAction);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MenuBar);
    layout->addWidget(ToolBar);
    layout->addWidget(ReportText, 1);
    layout->addWidget(StatusBar);

    // The text's own copy would copy nothing without a selection.
    ReportText->installEventFilter(this);
    ReportText->document()->setDefaultFont(font);
    fill();
    resize(760, 560);
}

TProtocolForm::~TProtocolForm() = default;

QAction* TProtocolForm::addCommand(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                                   const QKeySequence& shortcut, void (TProtocolForm::*handler)())
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setStatusTip(hint);
    if (!hint.isEmpty()) a->setToolTip(hint);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    connect(a, &QAction::triggered, this, handler);
    return a;
}

QAction* TProtocolForm::action(const QString& name) const
{
    return findChild<QAction*>(name);
}

void TProtocolForm::fill()
{
    QTextDocument* doc = ReportText->document();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextBlockFormat left;
    left.setAlignment(Qt::AlignLeft);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    const QTextCharFormat body = document_.bold ? bold : QTextCharFormat();
    cursor.beginEditBlock();
    cursor.setBlockFormat(centred);
    cursor.insertText(document_.title, bold);
    cursor.insertBlock(centred, body);
    cursor.insertText(document_.dateLine, body);
    cursor.insertBlock(left, body);
    if (!document_.lines.isEmpty()) {
        // One insertion for the whole body: a protocol can have tens of
        // thousands of lines.
        cursor.insertBlock(left, body);
        cursor.insertText(document_.lines.join(QLatin1Char('\n')), body);
    }
    cursor.endEditBlock();
    ReportText->setTextCursor(QTextCursor(doc));
}

bool TProtocolForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        StatusBar->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

bool TProtocolForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ReportText && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copyToClipboard();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TProtocolForm::saveAs()
{
    FileChoice choice{QStringLiteral("Save report as"),
                      QStringLiteral("Rich Text file (*.rtf);;Text file (*.txt);;All files (*)"), QDir::currentPath(),
                      QStringLiteral("*.rtf"), QString()};
    const auto chosen = ui_.saveFile(choice);
    if (chosen) saveTo(*chosen);
}

bool TProtocolForm::saveTo(const QString& chosenPath)
{
    const ProtocolSaveTarget target = ProtocolSaveTargetFor(chosenPath);
    // The save dialog asked about the name as typed, not about the one with
    // ".rtf" added.
    if (target.path != chosenPath && QFileInfo::exists(target.path)
        && ui_.confirmDestructive(QStringLiteral("File %1 already exists. Do you want to overwrite file?")
                                      .arg(QDir::toNativeSeparators(target.path)))
               != Answer::Yes)
        return false;
    const TextFileResult result = SaveProtocol(document_, target);
    if (!result) ui_.error(result.error);
    return result.ok;
}

void TProtocolForm::print()
{
    if (!printerReady(this)) return;
    ReportText->document()->print(&applicationPrinter());
}

void TProtocolForm::printerSetup()
{
    setupPrinter(this);
}

void TProtocolForm::copyToClipboard()
{
    if (!ReportText->textCursor().hasSelection()) ReportText->selectAll();
    ReportText->copy();
}

void TProtocolForm::showFind()
{
    if (!findForm_) findForm_ = new TFindForm(*this);
    findForm_->show();
    findForm_->raise();
    findForm_->activateWindow();
    findForm_->FindEdit->setFocus();
    findForm_->FindEdit->selectAll();
}

bool TProtocolForm::findNext(const QString& text, bool wholeWord, bool matchCase)
{
    if (text.isEmpty()) return false;
    QTextDocument::FindFlags flags;
    if (wholeWord) flags |= QTextDocument::FindWholeWords;
    if (matchCase) flags |= QTextDocument::FindCaseSensitively;
    const QTextCursor from = ReportText->textCursor();
    const QTextCursor found = ReportText->document()->find(text, from.selectionEnd(), flags);
    if (found.isNull()) {
        ui_.beep();
        ui_.warning(QStringLiteral("Could not find ") + text);
        return false;
    }
    ReportText->setTextCursor(found);
    ReportText->setFocus();
    return true;
}

void TProtocolForm::chooseFont()
{
    bool ok = false;
    QFont current(document_.fontFamily);
    current.setPointSizeF(document_.pointSize);
    const QFont chosen = QFontDialog::getFont(&ok, current, this, QStringLiteral("Font"));
    if (ok) applyFont(chosen);
}

void TProtocolForm::applyFont(const QFont& font)
{
    document_.fontFamily = font.family();
    document_.pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : document_.pointSize;
    QTextDocument* doc = ReportText->document();
    doc->setDefaultFont(font);
    // Family and size only, so the title keeps its bold.
    QTextCharFormat format;
    format.setFontFamilies({font.family()});
    format.setFontPointSize(document_.pointSize);
    QTextCursor all(doc);
    all.select(QTextCursor::Document);
    all.mergeCharFormat(format);
}

TFindForm::TFindForm(TProtocolForm& owner) : QDialog(&owner)
{
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    WholeWordCheck = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    WholeWordCheck->setObjectName(QStringLiteral("WholeWordCheck"));
    MatchCaseCheck = new QCheckBox(QStringLiteral("Match &case"), this);
    MatchCaseCheck->setObjectName(QStringLiteral("MatchCaseCheck"));
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(FindEdit);
    auto* findNext = new QPushButton(QStringLiteral("&Find Next"), this);
    findNext->setObjectName(QStringLiteral("FindNextButton"));
    findNext->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    findNext->setEnabled(false);
    connect(FindEdit, &QLineEdit::textChanged, findNext, [findNext](const QString& t) { findNext->setEnabled(!t.isEmpty()); });
    connect(findNext, &QPushButton::clicked, this, [this, &owner] {
        owner.findNext(FindEdit->text(), WholeWordCheck->isChecked(), MatchCaseCheck->isChecked());
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(FindEdit, 0, 1);
    grid->addWidget(findNext, 0, 2);
    grid->addWidget(WholeWordCheck, 1, 0, 1, 2);
    grid->addWidget(cancel, 1, 2);
    grid->addWidget(MatchCaseCheck, 2, 0, 1, 2);
}

} // namespace belvanto
