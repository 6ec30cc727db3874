#pragma once
#include <QWidget>

class QTextBrowser;
class QPushButton;

namespace belvanto {

// The help viewer: one page at a time, with links, back and contents.
class THelpForm : public QWidget {
    Q_OBJECT
public:
    THelpForm(const QString& directory, QWidget* owner);
    void showPage(const QString& path);
    QTextBrowser* browser() const { return Browser; }
    QString currentPage() const;

private:
    QString directory_;
    QTextBrowser* Browser = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* ForwardButton = nullptr;
};

} // namespace belvanto
