#include "data/randomorder.h"

#include <QRandomGenerator>

void drawRandomOrder(std::array<qint16, 51> &order, int n, quint64 seed, RandomPrecision precision)
{
    QRandomGenerator rng(seed);
    int k = 0;
    while (k < n) {
        const double u = rng.generateDouble();
        int x = precision == RandomPrecision::Single ? int(float(u) * float(n)) + 1 : int(u * n) + 1;
        if (x > n)
            continue;
        if (std::find(order.begin() + 1, order.begin() + 1 + k, x) != order.begin() + 1 + k)
            continue;
        order[++k] = qint16(x);
    }
}
