#pragma once
// Numbers written to files and protocols, and numbers read from them. None of
// these depend on the process locale: QCoreApplication sets the C library's
// locale from the environment, after which printf and strtod would write and
// expect a decimal comma on a German desktop. These always use ".".
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace belvanto {

// As C's "%*.*f" in the C locale: the exact decimal value of v rounded to
// `decimals` places (ties of the exact binary value to even, as printf does),
// right-aligned to `width`; a negative width left-aligns, as "%-*.*f".
QString formatFixed(double v, int width, int decimals);

// As "%*lld": right-aligned to `width`, left-aligned when it is negative.
QString formatInt(qint64 v, int width = 0);

// The whole text, blanks around it aside, must be one number: an optional
// sign ("+" or "-"), digits with an optional "." and exponent. Infinities,
// NaN, hexadecimal, thousands separators and out-of-range values give nothing.
std::optional<double> parseDouble(QStringView text);
std::optional<qint64> parseInt(QStringView text);
std::optional<qint32> parseInt32(QStringView text);

} // namespace belvanto
