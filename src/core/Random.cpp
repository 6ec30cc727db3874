#include "core/Random.h"

namespace belvanto {

quint32 RandomGenerator::step()
{
    // Unsigned arithmetic wraps, which is exactly the reduction modulo 2^32.
    seed_ = seed_ * 134775813u + 1u;
    return seed_;
}

quint32 RandomGenerator::nextInt(quint32 n)
{
    const quint64 product = quint64(step()) * quint64(n);
    return quint32(product >> 32);
}

double RandomGenerator::nextReal()
{
    return double(step()) * 0x1p-32;
}

} // namespace belvanto
