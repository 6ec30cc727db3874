#include "core/Regional.h"

#include "core/Format.h"

#include <charconv>

namespace belvanto {

QString Regional::formatFloat(double v) const
{
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    Q_ASSERT(ec == std::errc());
    QString text = QString::fromLatin1(buffer, end - buffer);
    text.replace(QLatin1Char('.'), decimalSeparator());
    return text;
}

std::optional<double> Regional::parseFloat(QStringView text) const
{
    const QChar separator = decimalSeparator();
    if (separator == QLatin1Char('.')) return parseDouble(text);
    // At most one separator of either kind; "1.234,5" is refused rather than
    // guessed at.
    QString plain = text.toString();
    if (plain.count(separator) + plain.count(QLatin1Char('.')) > 1) return std::nullopt;
    plain.replace(separator, QLatin1Char('.'));
    return parseDouble(plain);
}

QString Regional::formatDate(QDate date) const
{
    return date.toString(shortDateFormat());
}

std::optional<QDate> Regional::parseDate(QStringView text) const
{
    const QDate date = QDate::fromString(text.trimmed().toString(), shortDateFormat());
    if (!date.isValid()) return std::nullopt;
    return date;
}

QString Regional::widenYear(const QString& format)
{
    QString result;
    result.reserve(format.size() + 2);
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted text runs to the next quote; '' inside is a literal quote
            // and simply reopens the quote, so copying through works for both.
            const qsizetype close = format.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype end = close < 0 ? format.size() : close + 1;
            result += QStringView(format).mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('y')) {
            qsizetype run = 0;
            while (i + run < format.size() && format.at(i + run) == QLatin1Char('y')) ++run;
            result += QLatin1String("yyyy");
            i += run;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

FixedRegional::FixedRegional(QChar decimalSeparator, const QString& shortDateFormat)
    : separator_(decimalSeparator), dateFormat_(widenYear(shortDateFormat))
{
}

} // namespace belvanto
