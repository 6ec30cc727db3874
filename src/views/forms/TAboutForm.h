#pragma once
#include <QDialog>

namespace belvanto {

// "About Belvanto": name, version, picture, memory figures and a link to the
// program's pages.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
    // "Available Memory: 16,318,464 KB" and "Free Resources:   37 %" in the
    // user's number format; empty when the system tells nothing.
    static QString memoryText();
    static QString resourcesText();
};

} // namespace belvanto
