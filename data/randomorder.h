// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Drawing a random order of the card indexes 1..N: draw x = floor(u * N) + 1
// with u uniform in [0, 1), keep it unless it is already placed, until all N
// are placed. The match draws two such orders per match, the automatic
// reading one per activation; each is drawn from a fresh clock seed.

#include <QtGlobal>

#include <array>

namespace randomorder {

using Order = std::array<qint16, 51>;

// How the product u * N is formed. The automatic reading forms it in single
// precision; the match in double.
enum class Precision { Double, Single };

// One draw: floor(u * n) + 1 for u in [0, 1), never above n, whatever the
// rounding (in single precision a u just below 1 becomes 1.0f, and the
// product n itself).
int drawIndex(double u, int n, Precision precision);

// Fills positions 1..n of order with a random arrangement of 1..n drawn from
// seed; position 0 and positions n+1..50 are left as they are. n is taken
// as 0..50.
void drawRandomOrder(Order &order, int n, quint64 seed, Precision precision = Precision::Double);

// A new seed from the clock. Two calls in the same instant still give two
// different seeds, so two orders drawn one after the other are independent.
quint64 clockSeed();

} // namespace randomorder
