#include "ui/Printer.h"
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QCoreApplication>

namespace belvanto {

namespace {

QPrinter* g_printer = nullptr;

// A printer must go before the application object it talks through.
void deletePrinter()
{
    delete g_printer;
    g_printer = nullptr;
}

} // namespace

QPrinter& applicationPrinter()
{
    if (!g_printer) {
        g_printer = new QPrinter(QPrinter::HighResolution);
        qAddPostRoutine(deletePrinter);
    }
    return *g_printer;
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
