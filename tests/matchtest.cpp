// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/matchtest.h"

#include "match/matchwindow.h"
#include "tests/windowcontrols.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

namespace testing {

void MatchTest::setUpProgram()
{
    m_program = std::make_unique<ProgramFolder>();
    m_data = std::make_unique<CardState>(m_program->path());
    m_data->loadCardFolder();
    m_data->takeNotices();
    m_hub = std::make_unique<WindowHub>(*m_data);
    m_recordFolder = std::make_unique<QTemporaryDir>();
    m_hub->recordPath = m_recordFolder->filePath(QStringLiteral("training-record.sqlite"));
    m_hub->soundFactory = [this](QObject *owner) -> SoundDevice * {
        auto *device = new RecordingSoundDevice(owner);
        m_devices << device;
        return device;
    };
}

void MatchTest::tearDownProgram()
{
    // The windows first, while the data they show is still there.
    m_hub.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_recordFolder.reset();
    m_devices.clear();
    m_data.reset();
    m_otherSet.reset();
    m_program.reset();
}

void MatchTest::useCardSet(int count)
{
    m_otherSet = std::make_unique<QTemporaryDir>();
    copyCards(m_otherSet->path(), count);
    CardState::LabelTable labels = m_data->labels();
    const QStringList extra{QStringLiteral("ア"), QStringLiteral("イ"), QStringLiteral("ウ")};
    for (int n = 47; n <= count; ++n)
        labels[n] = extra[n - 47];
    m_data->adoptSavedSet(m_otherSet->path(), labels, qint16(count));
}

bool MatchTest::clickCardBeingRead()
{
    MatchWindow *w = m_hub->matchWindow();
    for (int s = 1; w && s <= w->match().cardCount(); ++s) {
        if (w->match().isRightTake(s)) {
            QTest::mouseClick(controls(w).cardBoxes()[s - 1], Qt::LeftButton);
            return true;
        }
    }
    return false;
}

} // namespace testing
