#include "core/Format.h"

#include <charconv>
#include <cmath>
#include <string>

namespace belvanto {

namespace {

QString padded(const char* first, const char* last, int width)
{
    QString s = QString::fromLatin1(first, last - first);
    if (width >= 0) return s.rightJustified(width, QLatin1Char(' '));
    return s.leftJustified(-width, QLatin1Char(' '));
}

// The trimmed text as plain ASCII with a leading "+" removed, ready for
// std::from_chars; nothing if it holds anything from_chars must not see.
std::optional<std::string> numberChars(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u'+')) {
        text = text.mid(1);
        // "+-5" and "+ 5" are not numbers.
        if (text.isEmpty() || text.front() == u'-' || text.front().isSpace()) return std::nullopt;
    }
    if (text.isEmpty()) return std::nullopt;
    std::string chars;
    chars.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (c.unicode() >= 0x80) return std::nullopt;
        chars.push_back(char(c.unicode()));
    }
    return chars;
}

template <typename T>
std::optional<T> parseWhole(QStringView text)
{
    const auto chars = numberChars(text);
    if (!chars) return std::nullopt;
    T value{};
    const char* first = chars->data();
    const char* last = first + chars->size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last) return std::nullopt;
    return value;
}

} // namespace

QString formatFixed(double v, int width, int decimals)
{
    decimals = qMax(decimals, 0);
    // The largest double has 309 digits before the point.
    std::string buffer(size_t(decimals) + 330, '\0');
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                         std::chars_format::fixed, decimals);
    Q_ASSERT(ec == std::errc());
    return padded(buffer.data(), end, width);
}

QString formatInt(qint64 v, int width)
{
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    Q_ASSERT(ec == std::errc());
    return padded(buffer, end, width);
}

std::optional<double> parseDouble(QStringView text)
{
    const auto value = parseWhole<double>(text);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

std::optional<qint64> parseInt(QStringView text)
{
    return parseWhole<qint64>(text);
}

std::optional<qint32> parseInt32(QStringView text)
{
    return parseWhole<qint32>(text);
}

} // namespace belvanto
