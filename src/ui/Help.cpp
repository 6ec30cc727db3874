#include "ui/Help.h"
#include "ui/HelpTopics.h"
#include "ui/THelpForm.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace belvanto {

namespace {
HelpService* g_service = nullptr;

bool safePageName(const QString& name)
{
    for (QChar c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-'))) return false;
    return !name.isEmpty();
}
} // namespace

void setHelpService(HelpService* service)
{
    g_service = service;
}

HelpService* helpService()
{
    return g_service;
}

void showHelp(const HelpTopic& topic)
{
    if (g_service) g_service->show(topic);
}

QString DefaultHelpDirectory()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help"));
}

BrowserHelp::BrowserHelp(QString directory) : directory_(std::move(directory)) {}

BrowserHelp::~BrowserHelp()
{
    delete form_.data();
}

QString BrowserHelp::pagePath(const HelpTopic& topic) const
{
    const QString name = HelpPageName(topic);
    const QString page = QDir(directory_).filePath(name + QStringLiteral(".html"));
    if (safePageName(name) && QFileInfo::exists(page)) return page;
    return QDir(directory_).filePath(kHelpContents + QStringLiteral(".html"));
}

THelpForm* BrowserHelp::window() const
{
    return form_;
}

void BrowserHelp::show(const HelpTopic& topic)
{
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = mainWindow_;
    if (form_ && form_->parentWidget() != owner) {
        // A window owned by another dialog (or by none) would be blocked.
        delete form_.data();
    }
    if (!form_) form_ = new THelpForm(directory_, owner);
    form_->showPage(pagePath(topic));
}

} // namespace belvanto
