// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Shared by the test suites: a QApplication set up as the program sets it
// up, throw-away program folders, and an answerer for modal message boxes.

#include <QEvent>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace testing {

// Offscreen platform and a private runtime folder; then
// the toolkit set-up of the real program.
void prepareEnvironment();
void setUpApplication();

// A program folder of its own in a temporary directory, laid out as built:
// the default card folder "ondat" (pictures and sounds, no data file),
// index.htm and hand.ico.
class ProgramFolder
{
public:
    explicit ProgramFolder(bool withCards = true);
    QString path() const { return m_dir.path(); }
    QString cardFolder() const { return m_dir.path() + QStringLiteral("/ondat"); }
    QString file(const QString &relative) const { return m_dir.path() + u'/' + relative; }

private:
    QTemporaryDir m_dir;
};

// The folder with the built default card set.
QString builtCardFolder();

// Copies the built card pictures 1..count (and sounds, when asked) into folder.
void copyCards(const QString &folder, int count, bool withSounds = false);

// Under scripts/with-null-sink.sh a real audio output must exist: a suite
// that plays sound must not pass on the media framework's silent fallback
// alone. Returns an error text, empty when all is well (or when the suite
// runs without the wrapper).
QString checkAnnouncedAudioOutput();

// Damaged card pictures: a zero-byte file, a text file named .jpg, and a
// real picture cut off in its header and in its picture data; what can be
// decoded of the last one is still a picture.
struct DamagedPicture {
    const char *name;
    QByteArray bytes;
    bool decodable;
};
QList<DamagedPicture> damagedPictures();
// The damaged pictures as the rows of a data table: columns "bytes" and
// "shown" (whether what is left can still be shown).
void addDamagedPictureRows();

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);

// Answers every modal message box that appears while it lives, with the
// given button, and remembers each box's title and text.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT

public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok);
    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    // Called with the box just before it is answered (to look at it).
    std::function<void(QMessageBox *)> inspect;

    QStringList titles;
    QStringList texts;
    QStringList buttonTexts; // of the last box, as shown

private:
    void poll();
    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

// Calls back whenever an event of one type reaches the watched object,
// before the object handles it.
class EventWatch : public QObject
{
public:
    EventWatch(QObject *watched, QEvent::Type type, std::function<void()> onEvent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QEvent::Type m_type;
    std::function<void()> m_onEvent;
};

} // namespace testing

#define GINREI_TEST_MAIN(TestObject)                                                                                    \
    int main(int argc, char **argv)                                                                                     \
    {                                                                                                                   \
        testing::prepareEnvironment();                                                                                  \
        QApplication app(argc, argv);                                                                                   \
        testing::setUpApplication();                                                                                    \
        TestObject tc;                                                                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                      \
        return QTest::qExec(&tc, argc, argv);                                                                           \
    }
