#pragma once
// Help for every window and dialog: showHelp(topic) opens the topic's page.
// The desktop program installs a BrowserHelp; tests install a recorder.
#include "core/UserInterface.h"
#include <QPointer>
#include <QString>
#include <QWidget>

namespace belvanto {

class THelpForm;

class HelpService {
public:
    virtual ~HelpService() = default;
    virtual void show(const HelpTopic& topic) = 0;
};

// The installed service; none means help does nothing.
void setHelpService(HelpService* service);
HelpService* helpService();
void showHelp(const HelpTopic& topic);

// The "help" folder beside the program, where the build and the installation
// put the pages.
QString DefaultHelpDirectory();

// Shows pages in a window of its own. Opened while a modal dialog is up, the
// window belongs to that dialog, so it can be used without closing it.
class BrowserHelp : public HelpService {
public:
    explicit BrowserHelp(QString directory = DefaultHelpDirectory());
    ~BrowserHelp() override;
    void show(const HelpTopic& topic) override;
    // Owns the help window when no dialog is up, so closing it ends the
    // program even with help open.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    QString pagePath(const HelpTopic& topic) const;   // existing page, contents as fallback
    THelpForm* window() const;
private:
    QString directory_;
    QPointer<THelpForm> form_;
    QPointer<QWidget> mainWindow_;
};

} // namespace belvanto
