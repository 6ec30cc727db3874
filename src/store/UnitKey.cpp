#include "store/UnitKey.h"
#include <algorithm>

namespace belvanto {

int CompareKeyText(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y) continue;
        // Surrogates (U+D800..U+DFFF) stand for code points above U+FFFF and
        // so sort after every other UTF-16 unit.
        const bool xs = x >= 0xD800 && x <= 0xDFFF;
        const bool ys = y >= 0xD800 && y <= 0xDFFF;
        if (xs != ys) return xs ? 1 : -1;
        return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace belvanto
