#include "views/qt/Printer.h"
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

namespace belvanto {

QPrinter& applicationPrinter()
{
    static std::unique_ptr<QPrinter> printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer;
}

bool setupPrinter(QWidget* parent)
{
    QPrintDialog dialog(&applicationPrinter(), parent);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    return dialog.exec() == QDialog::Accepted;
}

bool printerReady(QWidget* parent)
{
    QPrinter& printer = applicationPrinter();
    if (!printer.outputFileName().isEmpty()) return true;
    if (!QPrinterInfo::availablePrinterNames().isEmpty() && printer.isValid()) return true;
    return setupPrinter(parent);
}

} // namespace belvanto
