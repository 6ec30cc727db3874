#include "ui/THelpForm.h"
#include "ui/HelpTopics.h"
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace belvanto {

THelpForm::THelpForm(const QString& directory, QWidget* owner) : QWidget(owner, Qt::Window), directory_(directory)
{
    setObjectName(QStringLiteral("HelpForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Belvanto Help"));
    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    auto* find = new QPushButton(QStringLiteral("&Index"), this);
    BackButton = new QPushButton(QStringLiteral("&Back"), this);
    ForwardButton = new QPushButton(QStringLiteral("&Forward"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setSearchPaths({directory});
    Browser->setOpenLinks(true);
    Browser->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {contents, find, BackButton, ForwardButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser);

    auto page = [this](const QString& name) {
        return QDir(directory_).filePath(name + QStringLiteral(".html"));
    };
    connect(contents, &QPushButton::clicked, this, [this, page] { showPage(page(kHelpContents)); });
    connect(find, &QPushButton::clicked, this, [this, page] { showPage(page(kHelpFind)); });
    connect(BackButton, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardButton, &QPushButton::clicked, Browser, &QTextBrowser::forward);
    connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QPushButton::setEnabled);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    BackButton->setEnabled(false);
    ForwardButton->setEnabled(false);
    resize(640, 560);
}

void THelpForm::showPage(const QString& path)
{
    Browser->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
}

QString THelpForm::currentPage() const
{
    return Browser->source().toLocalFile();
}

} // namespace belvanto
