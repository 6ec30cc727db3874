#pragma once
// The one printer of the program: "Printer Set&up..." of every window sets it
// up, printing commands print on it.
class QPrinter;
class QWidget;

namespace belvanto {

QPrinter& applicationPrinter();
// The platform's printer dialog; true when the user accepted it.
bool setupPrinter(QWidget* parent);
// True when the printer can take a job now; without any installed printer
// (or a file to print to) the printer dialog is offered first.
bool printerReady(QWidget* parent);

} // namespace belvanto
