#include "views/forms/TMainForm.h"

namespace belvanto {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Belvanto 1.5"));
    resize(900, 600);
}

} // namespace belvanto
