#include "ui/QtUserInterface.h"
#include "ui/Help.h"
#include "ui/TListForm.h"
#include <QApplication>
#include <algorithm>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace belvanto {

QString displayText(const QString& text)
{
    return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QWidget* QtUserInterface::dialogParent() const
{
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return mainWindow_;
}

QMessageBox* QtUserInterface::createMessageBox(MessageKind kind, const QString& text, Buttons buttons,
                                               const HelpTopic& help, QWidget* parent)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    switch (kind) {
    case MessageKind::Error: icon = QMessageBox::Critical; title = QStringLiteral("Error"); break;
    case MessageKind::Warning: icon = QMessageBox::Warning; title = QStringLiteral("Warning"); break;
    case MessageKind::Information: icon = QMessageBox::Information; title = QStringLiteral("Information"); break;
    case MessageKind::Confirmation: icon = QMessageBox::Question; title = QStringLiteral("Confirm"); break;
    }
    auto* box = new QMessageBox(icon, title, displayText(text), QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("MessageBox"));
    switch (buttons) {
    case Buttons::Ok: box->setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    // Escape gives the answer that changes nothing.
    switch (safeAnswer(buttons)) {
    case Answer::Ok: box->setEscapeButton(QMessageBox::Ok); break;
    case Answer::No: box->setEscapeButton(QMessageBox::No); break;
    default: box->setEscapeButton(QMessageBox::Cancel); break;
    }
    if (!help.none()) {
        QAbstractButton* helpButton = box->addButton(QMessageBox::Help);
        // A message box closes on every button; this one must open the topic
        // and leave the question standing.
        helpButton->disconnect();
        QObject::connect(helpButton, &QAbstractButton::clicked, box, [help] { showHelp(help); });
    }
    return box;
}

Answer QtUserInterface::answerOf(QMessageBox& box)
{
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Ok: return Answer::Ok;
    default: return Answer::Cancel;
    }
}

QMessageBox* QtUserInterface::createDestructiveBox(const QString& text, const HelpTopic& help, QWidget* parent)
{
    QMessageBox* box = createMessageBox(MessageKind::Confirmation, text, Buttons::YesNo, help, parent);
    box->setDefaultButton(QMessageBox::No);
    return box;
}

Answer QtUserInterface::run(QMessageBox& box, Buttons buttons)
{
    // The wait cursor of a long pass must not hide that a question waits.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
    const Answer a = answerOf(box);
    return offers(buttons, a) ? a : safeAnswer(buttons);
}

Answer QtUserInterface::message(MessageKind kind, const QString& text, Buttons buttons, const HelpTopic& help)
{
    std::unique_ptr<QMessageBox> box(createMessageBox(kind, text, buttons, help, dialogParent()));
    return run(*box, buttons);
}

Answer QtUserInterface::confirmDestructive(const QString& text, const HelpTopic& help)
{
    std::unique_ptr<QMessageBox> box(createDestructiveBox(text, help, dialogParent()));
    return run(*box, Buttons::YesNo);
}

void QtUserInterface::beep()
{
    QApplication::beep();
}

std::optional<QString> QtUserInterface::openFile(const FileChoice& choice)
{
    QFileDialog dialog(dialogParent(), choice.title, choice.directory, choice.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!choice.fileName.isEmpty()) dialog.selectFile(choice.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUserInterface::saveFile(const FileChoice& choice)
{
    QFileDialog dialog(dialogParent(), choice.title, choice.directory, choice.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Only where the caller asks: the protocol window's naming rules need the
    // name exactly as typed.
    if (!choice.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(choice.defaultSuffix);
    if (!choice.fileName.isEmpty()) dialog.selectFile(choice.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUserInterface::chooseDirectory(const QString& title, const QString& start)
{
    const QString dir = QFileDialog::getExistingDirectory(dialogParent(), title, start);
    if (dir.isEmpty()) return std::nullopt;
    return dir;
}

std::optional<QString> QtUserInterface::inputText(const QString& title, const QString& prompt,
                                                  const QString& initial)
{
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(title);
    dialog.setLabelText(displayText(prompt));
    dialog.setTextValue(initial);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

std::optional<int> QtUserInterface::selectString(const QString& caption, const QString& prompt,
                                                 const QStringList& items, const HelpTopic& help)
{
    TListForm form(caption, prompt, items, help, true, dialogParent());
    if (form.exec() != QDialog::Accepted || form.chosenIndex() < 0) return std::nullopt;
    return form.chosenIndex();
}

bool QtUserInterface::showList(const QString& title, const QString& text, const QStringList& items,
                               const HelpTopic& help)
{
    TListForm form(title, text, items, help, false, dialogParent());
    return form.exec() == QDialog::Accepted;
}

void QtUserInterface::status(const QString& text)
{
    if (statusSink_) statusSink_(text);
}

void QtUserInterface::notice(const QString& text)
{
    if (noticeSink_) noticeSink_(text);
}

void QtUserInterface::setBusy(bool busy)
{
    if (busy) {
        ++busy_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        --busy_;
        QApplication::restoreOverrideCursor();
    }
}

bool QtUserInterface::progress(const QString& text, qint64 done, qint64 total)
{
    status(text);
    // Steps of a thousandth: the dialog counts in int, a run in qint64.
    constexpr int kSteps = 1000;
    if (!progress_) {
        progress_ = new QProgressDialog(dialogParent());
        progress_->setWindowTitle(QStringLiteral("Belvanto"));
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumDuration(500);
        progress_->setRange(0, kSteps);
        progress_->setMinimumWidth(progress_->fontMetrics().averageCharWidth() * 50);
    }
    progress_->setLabelText(text);
    // A modal dialog lets events through here, so Cancel is seen.
    progress_->setValue(total > 0 ? int(std::clamp<qint64>(done * kSteps / total, 0, kSteps - 1)) : 0);
    return !progress_->wasCanceled();
}

void QtUserInterface::progressEnd()
{
    delete progress_;
    status(QString());
}

} // namespace belvanto
