#pragma once
#include "ui/Help.h"
#include <QApplication>
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

} // namespace belvanto::testing
