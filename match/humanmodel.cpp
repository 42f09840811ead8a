// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/humanmodel.h"

#include <algorithm>
#include <cmath>

namespace HumanModel {

namespace {
// A draw falls below the floor at most once in 15: a hundred in a row do not
// happen.
constexpr int MaxDraws = 100;
} // namespace

double drawMs(const Params &params, int cardsOnBoard, Engine &engine)
{
    const double typical = std::max(params.mu + params.hickSlope * std::log2(double(std::max(cardsOnBoard, 0)) + 1.0),
                                    FloorMs + FloorClearance * params.sigma);
    for (int attempt = 0; attempt < MaxDraws; ++attempt) {
        double t = typical;
        if (params.sigma > 0)
            t += std::normal_distribution<double>(0.0, params.sigma)(engine);
        if (params.tau > 0)
            t += std::exponential_distribution<double>(1.0 / params.tau)(engine);
        if (t >= FloorMs)
            return t;
    }
    return typical;
}

} // namespace HumanModel
