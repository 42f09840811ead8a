#pragma once

// Provisional: replaced by the shared drawing rule when it lands.
#include <QtGlobal>
#include <array>

enum class RandomPrecision { Double, Single };
void drawRandomOrder(std::array<qint16, 51> &order, int n, quint64 seed, RandomPrecision precision);
