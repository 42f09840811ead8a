// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/recordevents.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace record {

QString takerKey(Taker taker)
{
    return taker == Taker::Player ? QStringLiteral("player") : QStringLiteral("computer");
}

std::optional<Taker> takerFromKey(const QString &key)
{
    if (key == QLatin1String("player"))
        return Taker::Player;
    if (key == QLatin1String("computer"))
        return Taker::Computer;
    return std::nullopt;
}

QString resultKey(Result result)
{
    switch (result) {
    case Result::Won:
        return QStringLiteral("won");
    case Result::Lost:
        return QStringLiteral("lost");
    case Result::Abandoned:
        return QStringLiteral("abandoned");
    case Result::Unfinished:
        break;
    }
    return QString();
}

Result resultFromKey(const QString &key)
{
    if (key == QLatin1String("won"))
        return Result::Won;
    if (key == QLatin1String("lost"))
        return Result::Lost;
    if (key == QLatin1String("abandoned"))
        return Result::Abandoned;
    return Result::Unfinished;
}

QString resultText(Result result)
{
    switch (result) {
    case Result::Won:
        return QStringLiteral("勝ち");
    case Result::Lost:
        return QStringLiteral("負け");
    case Result::Abandoned:
        return QStringLiteral("中断");
    case Result::Unfinished:
        break;
    }
    return QStringLiteral("途中");
}

QString opponentText(const QString &opponent, int level)
{
    if (opponent.startsWith(QLatin1String("human:")))
        return opponent.mid(6);
    if (opponent == QLatin1String("adaptive"))
        return QStringLiteral("合");
    if (opponent == QLatin1String(PracticeOpponent))
        return QStringLiteral("練");
    return QString::number(level);
}

QString cardSetKey(const QString &cardFolder)
{
    return QDir::cleanPath(QFileInfo(cardFolder).absoluteFilePath());
}

qint64 periodStart(Period period, qint64 nowMs)
{
    constexpr qint64 Day = 24 * 60 * 60 * 1000;
    switch (period) {
    case Period::Last30Days:
        return nowMs - 30 * Day;
    case Period::Last7Days:
        return nowMs - 7 * Day;
    case Period::All:
        break;
    }
    return std::numeric_limits<qint64>::min();
}

} // namespace record
