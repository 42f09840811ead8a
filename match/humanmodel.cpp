// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/humanmodel.h"

#include <algorithm>
#include <cmath>

namespace HumanModel {

double drawMs(const Params &params, int cardsOnBoard, Engine &engine)
{
    double t = params.mu;
    if (params.sigma > 0)
        t += std::normal_distribution<double>(0.0, params.sigma)(engine);
    if (params.tau > 0)
        t += std::exponential_distribution<double>(1.0 / params.tau)(engine);
    t += params.hickSlope * std::log2(double(std::max(cardsOnBoard, 0)) + 1.0);
    return std::max(t, FloorMs);
}

} // namespace HumanModel
