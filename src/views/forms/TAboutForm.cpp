#include "views/forms/TAboutForm.h"
#include "ui/Help.h"
#include "ui/HelpTopics.h"
#include "ui/Icons.h"
#include "views/MainCommands.h"
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace belvanto {

namespace {

std::optional<MemoryFigures> systemMemory()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return ParseMemInfo(QString::fromLatin1(file.readAll()));
}

} // namespace

QString TAboutForm::memoryText()
{
    const auto memory = systemMemory();
    if (!memory) return QString();
    return QStringLiteral("Available Memory: ") + QLocale::system().toString(memory->totalKB) + QStringLiteral(" KB");
}

QString TAboutForm::resourcesText()
{
    const auto memory = systemMemory();
    if (!memory) return QString();
    return QStringLiteral("Free Resources:   %1 %").arg(memory->loadPercent);
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About Belvanto"));
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    picture->setPixmap(aboutPicture(72));
    auto* name = new QLabel(QStringLiteral("Belvanto"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version 1.5"), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* purpose = new QLabel(QStringLiteral("Stratigraphy and Harris diagrams for archaeologists"), this);
    auto* memory = new QLabel(memoryText(), this);
    memory->setObjectName(QStringLiteral("PhysMem"));
    auto* resources = new QLabel(resourcesText(), this);
    resources->setObjectName(QStringLiteral("FreeRes"));
    // The program's pages travel with it: the link opens the help's start
    // page in the program's own help window, which needs no browser; without
    // a help window there is nothing to link to.
    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">Belvanto on this computer: program pages</a>").arg(kHelpContents),
                            this);
    link->setObjectName(QStringLiteral("WebLink"));
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(link, &QLabel::linkActivated, this, [] { showHelp(HelpTopic(kHelpContents)); });
    link->setVisible(helpService() != nullptr);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(purpose, 2, 1);
    grid->setColumnMinimumWidth(0, 90);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(memory);
    layout->addWidget(resources);
    layout->addSpacing(8);
    layout->addWidget(link);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace belvanto
