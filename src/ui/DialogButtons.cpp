#include "ui/DialogButtons.h"
#include "ui/Help.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>

namespace belvanto {

DialogButtons addDialogButtons(QDialog* dialog, const HelpTopic& help)
{
    DialogButtons b;
    b.box = new QDialogButtonBox(dialog);
    b.ok = b.box->addButton(QDialogButtonBox::Ok);
    b.ok->setObjectName(QStringLiteral("OKButton"));
    b.cancel = b.box->addButton(QDialogButtonBox::Cancel);
    b.cancel->setObjectName(QStringLiteral("CancelButton"));
    QObject::connect(b.box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(b.box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    if (!help.none()) {
        b.help = b.box->addButton(QDialogButtonBox::Help);
        b.help->setObjectName(QStringLiteral("HelpButton"));
        QObject::connect(b.box, &QDialogButtonBox::helpRequested, dialog, [help] { showHelp(help); });
        auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
        QObject::connect(f1, &QShortcut::activated, dialog, [help] { showHelp(help); });
    }
    return b;
}

} // namespace belvanto
