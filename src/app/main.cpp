#include "views/forms/TMainForm.h"
#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Belvanto 1.5"));
    belvanto::TMainForm window;
    window.show();
    return app.exec();
}
