#include "ui/SystemRegional.h"
#include <QLocale>

namespace belvanto {

namespace {

QChar systemDecimalSeparator()
{
    const QString decimal = QLocale::system().decimalPoint();
    // A separator of more than one character (some scripts) cannot be typed
    // into a numeric field; the point is always accepted anyway.
    return decimal.size() == 1 ? decimal.at(0) : QLatin1Char('.');
}

} // namespace

SystemRegional::SystemRegional()
    : FixedRegional(systemDecimalSeparator(), QLocale::system().dateFormat(QLocale::ShortFormat))
{
}

} // namespace belvanto
