#pragma once
// The generator's own random numbers: the same seed gives the same heat on every machine and
// library, which the standard distributions do not promise.
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace wk::finish_heat {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    // A stream of its own for each combination of keys (a lane, a field ...).
    Random(uint64_t seed, std::initializer_list<uint64_t> keys) : state_(seed)
    {
        for (uint64_t k : keys) state_ = Mix(state_ ^ Mix(k + 0x9E3779B97F4A7C15ull));
    }

    uint64_t Next()
    {
        state_ += 0x9E3779B97F4A7C15ull;
        return Mix(state_);
    }
    // [0, 1)
    double Unit() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Uniform(double low, double high) { return low + (high - low) * Unit(); }
    // low .. high, both included
    int Int(int low, int high) { return low + int(Next() % uint64_t(high - low + 1)); }
    bool Chance(double p) { return Unit() < p; }
    int Sign() { return Chance(0.5) ? 1 : -1; }
    // About normal with mean 0 and deviation 1: the sum of four uniforms, cheap enough for
    // every pixel's noise.
    double Normal()
    {
        return (Unit() + Unit() + Unit() + Unit() - 2.0) * 1.7320508075688772;
    }

private:
    static uint64_t Mix(uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t state_;
};

} // namespace wk::finish_heat
