// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/testsupport.h"

#include "app/application.h"
#include "sound/streamplayer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDeadlineTimer>
#include <QFile>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QStandardPaths>
#include <QTest>

namespace testing {

void prepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        static QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
}

void setUpApplication()
{
    setUpToolkit();
    setProgramIcon();
    // The user's data folder, where the training record lives, becomes a
    // test folder of its own (~/.qttest), so no suite writes into the
    // record of the user who runs it.
    QStandardPaths::setTestModeEnabled(true);
}

QString builtCardFolder()
{
    return QStringLiteral(GINREI_BIN_DIR "/ondat");
}

void copyCards(const QString &folder, int count, bool withSounds)
{
    QDir().mkpath(folder);
    for (int n = 1; n <= count; ++n) {
        const QString nn = QString::number(n + 100).right(2);
        // Cards past the default 46 reuse its pictures.
        const QString source = QString::number((n - 1) % 46 + 101).right(2);
        QFile::copy(builtCardFolder() + QStringLiteral("/karue%1.jpg").arg(source), folder + QStringLiteral("/karue%1.jpg").arg(nn));
        if (withSounds)
            QFile::copy(builtCardFolder() + QStringLiteral("/karuon%1.wav").arg(source), folder + QStringLiteral("/karuon%1.wav").arg(nn));
    }
}

ProgramFolder::ProgramFolder(bool withCards)
{
    if (withCards) {
        copyCards(cardFolder(), 46, true);
        for (const char *name : {"index.htm", "hand.ico"})
            QFile::copy(QStringLiteral(GINREI_BIN_DIR "/") + QLatin1String(name), file(QLatin1String(name)));
    }
}

QString checkAnnouncedAudioOutput()
{
    const QByteArray sink = qgetenv("GINREI_NULL_SINK");
    if (sink.isEmpty()) {
        qInfo("GINREI_NULL_SINK is not set: playing without a known audio server");
        return {};
    }
    // Qt keeps its connection to the sound server on the thread that asks
    // first: the audio thread, as in the program.
    StreamPlayer::audioThread();
    QDeadlineTimer deadline(5000);
    while (QMediaDevices::audioOutputs().isEmpty() && !deadline.hasExpired())
        QTest::qWait(50);
    if (QMediaDevices::audioOutputs().isEmpty())
        return QStringLiteral("the null sink was started, but Qt Multimedia sees no audio output");
    const QByteArray id = QMediaDevices::defaultAudioOutput().id();
    if (!id.contains(sink))
        return QStringLiteral("the default output is %1, not the null sink").arg(QString::fromUtf8(id));
    return {};
}

QList<DamagedPicture> damagedPictures()
{
    const QByteArray picture = readAll(builtCardFolder() + QStringLiteral("/karue01.jpg"));
    if (picture.size() < 2000)
        qFatal("no built card picture to damage");
    return {{"zero bytes", QByteArray(), false},
            {"text named .jpg", QByteArray("not a picture\n"), false},
            {"cut in the header", picture.left(300), false},
            {"cut in the picture data", picture.left(picture.size() / 2), true}};
}

void addDamagedPictureRows()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("shown");
    for (const testing::DamagedPicture &picture : testing::damagedPictures())
        QTest::newRow(picture.name) << picture.bytes << picture.decodable;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer) : m_answer(answer)
{
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    m_timer.start(10);
}

void MessageBoxAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    titles << box->windowTitle();
    texts << box->text();
    buttonTexts.clear();
    for (QAbstractButton *b : box->buttons())
        buttonTexts << b->text();
    if (inspect)
        inspect(box);
    QAbstractButton *button = box->button(m_answer);
    if (!button)
        button = box->buttons().value(0);
    if (button)
        button->click();
}

EventWatch::EventWatch(QObject *watched, QEvent::Type type, std::function<void()> onEvent)
    : m_type(type), m_onEvent(std::move(onEvent))
{
    watched->installEventFilter(this);
}

bool EventWatch::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == m_type)
        m_onEvent();
    return false;
}

} // namespace testing
