#pragma once
#include <QMainWindow>

namespace belvanto {

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
};

} // namespace belvanto
