#pragma once
// The program's own random number generator. Layouts and simulated projects
// must come out the same for the same seed on every machine, so the sequence
// is fixed here rather than taken from the standard library.
#include <QtGlobal>

namespace belvanto {

class RandomGenerator {
public:
    explicit RandomGenerator(quint32 seed = 0) : seed_(seed) {}

    quint32 seed() const { return seed_; }
    void setSeed(quint32 seed) { seed_ = seed; }

    // A draw in [0, n); n == 0 gives 0.
    quint32 nextInt(quint32 n);
    // A draw in [0, 1).
    double nextReal();

private:
    quint32 step();
    quint32 seed_;
};

} // namespace belvanto
