#pragma once
// The user's regional settings for the few conversions where the user sees or
// types numbers and dates in their own conventions (table imports and exports,
// range edits, numeric entry fields). Everything else uses the locale-free
// helpers of Format.h. Core code receives a Regional; it never asks the system.
//
// The desktop program's version, backed by QLocale::system(), lives in the ui library.
#include <QChar>
#include <QDate>
#include <QString>
#include <QStringView>
#include <optional>

namespace belvanto {

class Regional {
public:
    virtual ~Regional() = default;

    virtual QChar decimalSeparator() const = 0;
    // Always with a four-digit year (see widenYear).
    virtual QString shortDateFormat() const = 0;

    // Shortest text that reads back as the same double, with the regional
    // separator; no thousands separators.
    virtual QString formatFloat(double v) const;
    // Accepts "." always and the regional separator, blanks around the number,
    // an optional sign and exponent; no thousands separators.
    virtual std::optional<double> parseFloat(QStringView text) const;
    virtual QString formatDate(QDate date) const;
    // Blanks around the date are tolerated; the year must be written in full.
    virtual std::optional<QDate> parseDate(QStringView text) const;
    // A date as people type it: day, month and year in the order of the
    // short date format, separated by any non-digits, the year with two or
    // four digits; ISO "yyyy-MM-dd" too. A two-digit year is put into the
    // hundred years from 80 before to 19 after referenceYear (0: this year).
    std::optional<QDate> readDate(QStringView text, int referenceYear = 0) const;

    // Widens every year field of a Qt date format to four digits ("dd.MM.yy" ->
    // "dd.MM.yyyy"); quoted literal text is left alone. Qt reads a two-digit
    // year as 19yy, so a date written with "yy" would not come back unchanged.
    static QString widenYear(const QString& format);
};

// Fixed settings, for tests and for belvanto-cli.
class FixedRegional : public Regional {
public:
    explicit FixedRegional(QChar decimalSeparator = QLatin1Char('.'),
                           const QString& shortDateFormat = QStringLiteral("dd.MM.yyyy"));

    QChar decimalSeparator() const override { return separator_; }
    QString shortDateFormat() const override { return dateFormat_; }

private:
    QChar separator_;
    QString dateFormat_;
};

} // namespace belvanto
