// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "data/randomorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <random>

namespace randomorder {

namespace {
// Spreads the bits of a counter or a clock reading over the whole word.
quint64 mix(quint64 x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}
} // namespace

int drawIndex(double u, int n, Precision precision)
{
    double product;
    if (precision == Precision::Single)
        product = double(float(u) * float(n));
    else
        product = u * n;
    const int x = int(std::floor(product)) + 1;
    return std::clamp(x, 1, std::max(n, 1));
}

void drawRandomOrder(Order &order, int n, quint64 seed, Precision precision)
{
    n = std::clamp(n, 0, int(order.size()) - 1);
    std::mt19937_64 generator(seed);
    // 53 random bits for a double in [0, 1), 24 for a float: either way every
    // value is exact and strictly below 1.
    auto uniform = [&generator, precision]() -> double {
        if (precision == Precision::Single)
            return double(generator() >> 40) * 0x1.0p-24;
        return double(generator() >> 11) * 0x1.0p-53;
    };
    int placed = 0;
    while (placed < n) {
        const int x = drawIndex(uniform(), n, precision);
        if (std::find(order.begin() + 1, order.begin() + 1 + placed, x) != order.begin() + 1 + placed)
            continue;
        ++placed;
        order[placed] = qint16(x);
    }
}

quint64 clockSeed()
{
    static std::atomic<quint64> counter{0};
    const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
    const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
    return mix(quint64(wall) ^ mix(quint64(steady)) ^ mix(++counter));
}

} // namespace randomorder
