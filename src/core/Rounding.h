#pragma once
// Rounding to whole numbers. "Rounded" always means a half goes to the even
// neighbour (what the floating point unit does in its default mode); "integer
// part" means the fraction is cut toward zero. std::round and qRound round
// halves away from zero and must not be used for stored or reported values.
#include <QtGlobal>
#include <cfenv>
#include <cmath>
#include <limits>
#include <optional>

namespace belvanto {

namespace detail {

// Converts a value that is already whole; out-of-range values saturate and
// NaN gives 0, so the conversion itself is never undefined.
inline qint64 saturateToInt64(double whole)
{
    if (std::isnan(whole)) return 0;
    if (whole >= 0x1p63) return std::numeric_limits<qint64>::max();
    if (whole < -0x1p63) return std::numeric_limits<qint64>::min();
    return qint64(whole);
}

inline std::optional<qint32> checkedInt32(double whole)
{
    if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) return std::nullopt; // also NaN
    return qint32(whole);
}

// std::nearbyint obeys the current rounding mode. Nothing in the program
// changes it, but a library might; then the half-even result is worked out by
// hand. Changing the mode around the call instead would not be safe: the
// compiler assumes the default mode and may move the rounding across the change.
inline double nearbyintHalfEven(double v)
{
    if (std::fegetround() == FE_TONEAREST) return std::nearbyint(v);
    // floor is exact in every mode, and so are v - whole and whole + 1 (below
    // 2^52 a double has room for the fraction; above it v is whole already).
    const double whole = std::floor(v);
    const double fraction = v - whole;
    if (fraction < 0.5) return whole;
    if (fraction > 0.5) return whole + 1.0;
    return std::fmod(whole, 2.0) == 0.0 ? whole : whole + 1.0;
}

} // namespace detail

// Nearest integer, halves to even: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -1.5 -> -2.
// Values outside the 64-bit range saturate; NaN gives 0.
inline qint64 roundHalfEven(double v)
{
    return detail::saturateToInt64(detail::nearbyintHalfEven(v));
}

// Integer part, toward zero: -2.7 -> -2. Saturates like roundHalfEven.
inline qint64 truncateToInt(double v)
{
    return detail::saturateToInt64(std::trunc(v));
}

// The same for 32-bit fields: nothing when the result does not fit (or v is NaN).
inline std::optional<qint32> roundHalfEvenInt32(double v)
{
    return detail::checkedInt32(detail::nearbyintHalfEven(v));
}

inline std::optional<qint32> truncateToInt32(double v)
{
    return detail::checkedInt32(std::trunc(v));
}

} // namespace belvanto
