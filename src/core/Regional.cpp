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

std::optional<QDate> Regional::readDate(QStringView text, int referenceYear) const
{
    const QString trimmed = text.trimmed().toString();
    const QDate iso = QDate::fromString(trimmed, Qt::ISODate);
    if (iso.isValid() && trimmed.size() == 10) return iso;

    // The order of day, month and year in the format, quoted text aside.
    QString order;
    const QString format = shortDateFormat();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype close = format.indexOf(QLatin1Char('\''), i + 1);
            i = close < 0 ? format.size() : close;
        } else if ((c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) && !order.contains(c)) {
            order += c;
        }
    }
    if (order.size() != 3) order = QStringLiteral("dMy");

    // Three runs of digits between separators that are no letters.
    QStringList parts;
    QString run;
    for (const QChar c : trimmed) {
        if (c.isDigit() && c.unicode() < 128) {
            run += c;
            continue;
        }
        if (c.isLetterOrNumber()) return std::nullopt;
        if (run.isEmpty()) return std::nullopt;
        parts << run;
        run.clear();
    }
    if (!run.isEmpty()) parts << run;
    if (parts.size() != 3) return std::nullopt;

    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const QString& part = parts[i];
        const int value = part.toInt();
        if (order[i] == QLatin1Char('y')) {
            if (part.size() == 4) {
                year = value;
            } else if (part.size() == 2) {
                const int reference = referenceYear != 0 ? referenceYear : QDate::currentDate().year();
                year = reference / 100 * 100 + value;
                if (year > reference + 19) year -= 100;
                else if (year < reference - 80) year += 100;
            } else {
                return std::nullopt;
            }
        } else {
            if (part.size() > 2) return std::nullopt;
            (order[i] == QLatin1Char('d') ? day : month) = value;
        }
    }
    const QDate date(year, month, day);
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
