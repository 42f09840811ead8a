// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The card-set editor window: its layout, filling it from the card state,
// the folder chooser and counting a folder's pictures, and saving from it.

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "data/cp932.h"
#include "editor/cardphoto.h"
#include "editor/editorwindow.h"
#include "editor/entrypicture.h"
#include "editor/folderlists.h"
#include "editor/readingprep.h"
#include "editor/recordingwindow.h"
#include "editor/setnamedialog.h"
#include "match/matchwindow.h"
#include "reading/readingwindow.h"
#include "settings/settingswindow.h"
#include "tests/exifwriter.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <QAccessible>
#include <QBuffer>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QSpinBox>
#include <QComboBox>
#include <QRadioButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using testing::readAll;

class TestEditorWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void controlsMatchTheDesign_data();
    void controlsMatchTheDesign();
    void windowAndMenu();
    void showsTheDefaultSet();
    void secondPressDiscardsEdits();
    void countsAFoldersPictures_data();
    void countsAFoldersPictures();
    void confirmedFolderIsForgottenUnlessSaved();
    void browsingWithKeysAndDrives();
    void findsTheDriveOfAFolder_data();
    void findsTheDriveOfAFolder();
    void escapeCancelsTheChoice();
    void confirmedFolderShowsItsOwnSet();
    void labelsBeyondTheCountAreKept();
    void backKeepsChooserCloseBoxResetsIt();
    void saveProblemsAreExplained_data();
    void saveProblemsAreExplained();
    void labelBoxShowsWhatIsStored_data();
    void labelBoxShowsWhatIsStored();
    void namesForAssistiveTools();
    void damagedPictureLeavesItsBoxEmpty_data();
    void damagedPictureLeavesItsBoxEmpty();
    void randomDataFileMustBeMendedBeforeSaving_data();
    void randomDataFileMustBeMendedBeforeSaving();
    void savedSetIsPlayedAndRead();
    void picturesAreMadeUpright_data();
    void picturesAreMadeUpright();
    void droppedFilesFillEntriesInOrder_data();
    void droppedFilesFillEntriesInOrder();
    void leavingAsksAboutMedia_data();
    void leavingAsksAboutMedia();
    void readOnlySetIsCopiedFirst_data();
    void readOnlySetIsCopiedFirst();
    void missingMediaAreMarkedAndCounted();
    void runningActivityKeepsItsSet_data();
    void runningActivityKeepsItsSet();
    void listenAndNewSetFromTheMenus();
    void readingsFromTheEntryMenu_data();
    void readingsFromTheEntryMenu();
    void setsTravelAsOneFile_data();
    void setsTravelAsOneFile();

private:
    EditorWindow *open();
    void makeSets();
    std::unique_ptr<testing::ProgramFolder> m_program;
    std::unique_ptr<CardState> m_data;
    std::unique_ptr<WindowHub> m_hub;
    QString m_sets;
};

namespace {
bool pictureShown(const EditorWindow *edit, int k)
{
    return controls(edit).pictureBoxes()[k]->hasPicture();
}

int picturesShown(const EditorWindow *edit)
{
    int n = 0;
    for (int k = 0; k < CardState::MaxCards; ++k)
        n += pictureShown(edit, k);
    return n;
}

// A picture file's bytes: rectangles of colour on a transparent ground.
QByteArray pictureFile(QSize size, const QList<std::pair<QRect, QColor>> &areas, const char *format)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (const auto &[rect, colour] : areas)
        painter.fillRect(rect, colour);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 && qAbs(a.blue() - b.blue()) < 40;
}

// The colour in the middle of a waiting picture.
QColor pendingColour(const EditorWindow *edit, int card)
{
    const std::optional<PendingMedia::Change> c = edit->pendingMedia().picture(card);
    return c ? QImage::fromData(c->bytes).pixelColor(100, 130) : QColor();
}

// Files dragged from a file manager and dropped on a widget of the editor.
void drop(EditorWindow *edit, QWidget *on, const QStringList &files)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &file : files)
        urls << QUrl::fromLocalFile(file);
    mime.setUrls(urls);
    QWidget *client = edit->centralWidget();
    const QPointF at = on->mapTo(client, on->rect().center());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(client, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(client, &dropped);
    QVERIFY(dropped.isAccepted());
}

// A file chosen in a file dialog, as its OK button hands it on.
void choose(QFileDialog *dialog, const QString &file)
{
    QVERIFY(dialog && dialog->isVisible());
    Q_EMIT dialog->fileSelected(file);
    dialog->close();
}

// What the window's notice, if one is up, says.
QString noticeText(const QWidget *window)
{
    for (const QMessageBox *box : window->findChildren<QMessageBox *>(QStringLiteral("notice")))
        if (box->isVisible())
            return box->text();
    return {};
}

QMap<QString, QByteArray> filesIn(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readAll(folder + u'/' + name));
    return files;
}

// The bytes of both files, to show that nothing was written.
QByteArray filesOf(const CardState &data)
{
    return readAll(data.folderFilePath()) + '|' + readAll(data.cardDataPath());
}
} // namespace

void TestEditorWindow::init()
{
    m_program = std::make_unique<testing::ProgramFolder>();
    m_data = std::make_unique<CardState>(m_program->path());
    m_hub = std::make_unique<WindowHub>(*m_data);
    m_hub->startMenu(); // loads the card state
    QVERIFY(m_data->takeNotices().isEmpty());

    m_sets = m_program->file(QStringLiteral("sets"));
}

void TestEditorWindow::makeSets()
{
    // Folders of pictures to choose from; only the tests that browse need them.
    testing::copyCards(m_sets + QStringLiteral("/twelve"), 12);
    testing::copyCards(m_sets + QStringLiteral("/gap"), 2);
    QFile::copy(testing::builtCardFolder() + QStringLiteral("/karue04.jpg"), m_sets + QStringLiteral("/gap/karue04.jpg"));
    testing::copyCards(m_sets + QStringLiteral("/sixty"), 60);
    QDir().mkpath(m_sets + QStringLiteral("/empty"));
    testing::copyCards(m_sets + QStringLiteral("/broken"), 3);
    QFile::remove(m_sets + QStringLiteral("/broken/karue02.jpg"));
    testing::writeAll(m_sets + QStringLiteral("/broken/karue02.jpg"), "not a picture");
}

void TestEditorWindow::cleanup()
{
    m_hub.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_data.reset();
    m_program.reset();
}

EditorWindow *TestEditorWindow::open()
{
    // As the user opens it: the start menu's かるた設定 button.
    StartMenu *menu = m_hub->startMenu();
    if (!controls(menu).editorButton()->isEnabled())
        return nullptr;
    QTest::mouseClick(controls(menu).editorButton(), Qt::LeftButton);
    return m_hub->editorWindow();
}

void TestEditorWindow::controlsMatchTheDesign_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    // Twips / 15, rounded.
    QTest::newRow("Label2(0)") << QStringLiteral("Label2_0") << QRect(128, 8, 112, 12);
    QTest::newRow("Label3") << QStringLiteral("Label3") << QRect(240, 4, 217, 17);
    QTest::newRow("Label2(1)") << QStringLiteral("Label2_1") << QRect(464, 8, 69, 12);
    QTest::newRow("Text2") << QStringLiteral("Text2") << QRect(536, 4, 33, 18);
    QTest::newRow("Label2(2)") << QStringLiteral("Label2_2") << QRect(573, 8, 12, 12);
    QTest::newRow("Text1(0)") << QStringLiteral("Text1_0") << QRect(8, 32, 28, 22);
    QTest::newRow("Label1(0)") << QStringLiteral("Label1_0") << QRect(40, 32, 26, 22);
    QTest::newRow("Img1(0)") << QStringLiteral("Img1_0") << QRect(8, 56, 67, 87);
    QTest::newRow("Text1(10), second row") << QStringLiteral("Text1_10") << QRect(8, 144, 28, 22);
    QTest::newRow("Text1(48)") << QStringLiteral("Text1_48") << QRect(584, 480, 28, 22);
    QTest::newRow("Label1(48)") << QStringLiteral("Label1_48") << QRect(616, 480, 26, 22);
    QTest::newRow("Img1(48)") << QStringLiteral("Img1_48") << QRect(584, 504, 67, 87);
    QTest::newRow("Drive1") << QStringLiteral("Drive1") << QRect(56, 96, 177, 20);
    QTest::newRow("Dir1") << QStringLiteral("Dir1") << QRect(56, 120, 177, 314);
    QTest::newRow("File1") << QStringLiteral("File1") << QRect(240, 96, 137, 342);
}

void TestEditorWindow::controlsMatchTheDesign()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    EditorWindow *edit = open();
    QVERIFY(edit);
    auto *control = edit->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
}

void TestEditorWindow::windowAndMenu()
{
    EditorWindow *edit = open();
    QVERIFY(edit);
    QCOMPARE(edit->objectName(), QStringLiteral("frmEdit"));
    QCOMPARE(edit->windowTitle(), QStringLiteral("かるた設定"));
    QVERIFY(!edit->isModal() && !edit->parentWidget());
    QCOMPARE(edit->centralWidget()->size(), QSize(732, 602));
    QCOMPARE(edit->centralWidget()->palette().color(QPalette::Window), QColor(128, 128, 255));
    QCOMPARE(controls(edit).folderLabel()->palette().color(QPalette::Window), QColor(255, 192, 192));
    QCOMPARE(controls(edit).numberLabels()[7]->palette().color(QPalette::Window), QColor(255, 192, 192));
    QCOMPARE(controls(edit).labelBoxes()[0]->font().family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(controls(edit).labelBoxes()[0]->font().pointSizeF(), 11.25);
    QVERIFY(controls(edit).labelBoxes()[0]->font().bold());
    QCOMPARE(controls(edit).numberLabels()[0]->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(controls(edit).numberLabels()[0]->font().pointSizeF(), 12.0);
    QCOMPARE(controls(edit).captions()[0]->text(), QStringLiteral("現在のかるたフォルダ"));
    QCOMPARE(controls(edit).captions()[1]->text(), QStringLiteral("かるたの枚数"));
    QCOMPARE(controls(edit).captions()[2]->text(), QStringLiteral("枚"));

    QStringList captions;
    for (QAction *action : edit->menuBar()->actions()) {
        captions << action->text();
        QCOMPARE(bool(action->menu()), action->text() == u"札の組"); // the others act at once
    }
    QCOMPARE(captions, (QStringList{QStringLiteral("保存"), QStringLiteral("フォルダ変更"), QStringLiteral("札の組"),
                                    QStringLiteral("戻る")}));

    // Top edge 0, centred.
    QVERIFY(QTest::qWaitForWindowExposed(edit));
    const QRect screen = ui::screenRect(edit);
    QCOMPARE(edit->frameGeometry().top(), screen.top());
    QVERIFY(qAbs(edit->frameGeometry().center().x() - screen.center().x()) <= 1);
}

void TestEditorWindow::showsTheDefaultSet()
{
    // A missing picture leaves its box empty.
    QVERIFY(QFile::remove(m_program->cardFolder() + QStringLiteral("/karue05.jpg")));
    EditorWindow *edit = open();
    QVERIFY(edit && edit->isVisible());
    QCOMPARE(controls(edit).labelBoxes()[0]->text(), QStringLiteral("あ"));
    QCOMPARE(controls(edit).labelBoxes()[44]->text(), QStringLiteral("を"));
    QCOMPARE(controls(edit).labelBoxes()[45]->text(), QStringLiteral("銀"));
    QCOMPARE(controls(edit).labelBoxes()[4]->text(), QStringLiteral("お"));
    for (int k = 0; k < CardState::MaxCards; ++k) {
        QCOMPARE(controls(edit).numberLabels()[k]->text(), QString::number(k + 1));
        QCOMPARE(pictureShown(edit, k), k < 46 && k != 4);
        if (k >= 46)
            QCOMPARE(controls(edit).labelBoxes()[k]->text(), QString());
    }
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("46"));
    QCOMPARE(controls(edit).folderLabel()->text(), m_program->cardFolder());
    QCOMPARE(edit->folderMode(), qint16(0));
    QVERIFY(!controls(edit).driveList()->isVisible() && !controls(edit).folderList()->isVisible() && !controls(edit).fileList()->isVisible());
}

void TestEditorWindow::secondPressDiscardsEdits()
{
    EditorWindow *edit = open();
    QVERIFY(edit);
    QTest::keyClicks(controls(edit).labelBoxes()[2], QStringLiteral("x"));
    controls(edit).countBox()->setText(QStringLiteral("30"));
    controls(edit).folderLabel()->setText(m_sets);
    QCOMPARE(controls(edit).labelBoxes()[2]->text(), QStringLiteral("うx"));
    const QByteArray files = filesOf(*m_data);

    // 戻る, then かるた設定 again: the same window, refilled.
    controls(edit).backAction()->trigger();
    QVERIFY(!edit->isVisible());
    QCOMPARE(open(), edit);
    QVERIFY(edit->isVisible());
    QCOMPARE(controls(edit).labelBoxes()[2]->text(), QStringLiteral("う"));
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("46"));
    QCOMPARE(controls(edit).folderLabel()->text(), m_program->cardFolder());

    // While it is open, too.
    controls(edit).labelBoxes()[0]->setText(QStringLiteral("z"));
    open();
    QCOMPARE(controls(edit).labelBoxes()[0]->text(), QStringLiteral("あ"));
    QCOMPARE(filesOf(*m_data), files);
}

void TestEditorWindow::countsAFoldersPictures_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("count");
    QTest::newRow("karue01 to 12") << QStringLiteral("twelve") << 12;
    QTest::newRow("01, 02 and 04") << QStringLiteral("gap") << 2;
    QTest::newRow("60 pictures: 49, as many as the board holds") << QStringLiteral("sixty") << 49;
    QTest::newRow("no pictures") << QStringLiteral("empty") << 0;
    QTest::newRow("02 is not a picture") << QStringLiteral("broken") << 1;
}

void TestEditorWindow::countsAFoldersPictures()
{
    makeSets();
    QFETCH(QString, folder);
    QFETCH(int, count);
    EditorWindow *edit = open();
    QVERIFY(edit);
    const QByteArray files = filesOf(*m_data);

    controls(edit).folderAction()->trigger();
    QCOMPARE(edit->folderMode(), qint16(1));
    QCOMPARE(controls(edit).folderAction()->text(), QStringLiteral("フォルダ確定"));
    QVERIFY(controls(edit).driveList()->isVisible() && controls(edit).folderList()->isVisible() && controls(edit).fileList()->isVisible());
    QVERIFY(controls(edit).folderList()->setPath(m_sets + u'/' + folder));
    QCOMPARE(controls(edit).folderLabel()->text(), m_sets + u'/' + folder);

    controls(edit).folderAction()->trigger();
    QCOMPARE(edit->folderMode(), qint16(0));
    QCOMPARE(controls(edit).folderAction()->text(), QStringLiteral("フォルダ変更"));
    QVERIFY(!controls(edit).driveList()->isVisible() && !controls(edit).folderList()->isVisible() && !controls(edit).fileList()->isVisible());
    QCOMPARE(controls(edit).countBox()->text(), QString::number(count));
    for (int k = 0; k < CardState::MaxCards; ++k)
        QVERIFY2(pictureShown(edit, k) == (k < count), qPrintable(QString::number(k)));
    // The labels stay those of the set shown before; nothing is written.
    QCOMPARE(controls(edit).labelBoxes()[0]->text(), QStringLiteral("あ"));
    QCOMPARE(filesOf(*m_data), files);
    QVERIFY(!QFileInfo::exists(m_sets + u'/' + folder + QStringLiteral("/karudata.dat")));
    QCOMPARE(m_data->cardFolder(), m_program->cardFolder());
}

void TestEditorWindow::confirmedFolderIsForgottenUnlessSaved()
{
    makeSets();
    QDir::setCurrent(m_sets); // not where the lists start
    EditorWindow *edit = open();
    QVERIFY(edit);
    QCOMPARE(controls(edit).folderList()->path(), m_program->cardFolder());
    QCOMPARE(controls(edit).fileList()->path(), m_program->cardFolder());
    QVERIFY(controls(edit).fileList()->findItems(QStringLiteral("karue01.jpg"), Qt::MatchExactly).size() == 1);

    // フォルダ確定, 戻る, かるた設定: the saved set is shown again, but the
    // lists stay where they were.
    controls(edit).folderAction()->trigger();
    QVERIFY(controls(edit).folderList()->setPath(m_sets + QStringLiteral("/twelve")));
    controls(edit).folderAction()->trigger();
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("12"));
    controls(edit).backAction()->trigger();
    open();
    QCOMPARE(controls(edit).folderLabel()->text(), m_program->cardFolder());
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("46"));
    QCOMPARE(picturesShown(edit), 46);
    QCOMPARE(m_data->cardFolder(), m_program->cardFolder());
    QCOMPARE(controls(edit).folderList()->path(), m_sets + QStringLiteral("/twelve"));
    QDir::setCurrent(QDir::tempPath());
}

void TestEditorWindow::browsingWithKeysAndDrives()
{
    makeSets();
    EditorWindow *edit = open();
    QVERIFY(edit);
    controls(edit).folderAction()->trigger();
    QVERIFY(controls(edit).folderList()->setPath(m_sets));
    QCOMPARE(controls(edit).folderList()->item(0)->text(), QStringLiteral(".."));
    QStringList folders;
    for (int i = 1; i < controls(edit).folderList()->count(); ++i)
        folders << controls(edit).folderList()->item(i)->text();
    QCOMPARE(folders, (QStringList{QStringLiteral("broken"), QStringLiteral("empty"), QStringLiteral("gap"),
                                   QStringLiteral("sixty"), QStringLiteral("twelve")}));

    // Enter opens the selected folder and lists its files.
    controls(edit).folderList()->setCurrentRow(controls(edit).folderList()->rowOf(QStringLiteral("gap")));
    QTest::keyClick(controls(edit).folderList(), Qt::Key_Return);
    QCOMPARE(controls(edit).folderList()->path(), m_sets + QStringLiteral("/gap"));
    QCOMPARE(controls(edit).folderLabel()->text(), m_sets + QStringLiteral("/gap"));
    QCOMPARE(controls(edit).fileList()->count(), 3);
    QCOMPARE(controls(edit).fileList()->item(2)->text(), QStringLiteral("karue04.jpg"));

    // ".." goes up, with the folder just left selected.
    controls(edit).folderList()->setCurrentRow(0);
    QTest::keyClick(controls(edit).folderList(), Qt::Key_Return);
    QCOMPARE(controls(edit).folderList()->path(), m_sets);
    QCOMPARE(controls(edit).folderList()->currentItem()->text(), QStringLiteral("gap"));

    // The drive list shows the volume of the folder and has the root;
    // choosing the root goes there.
    QCOMPARE(controls(edit).driveList()->currentText(), DriveList::driveOf(m_sets, DriveList::volumeRoots()));
    const int root = controls(edit).driveList()->findText(QStringLiteral("/"));
    QVERIFY(root >= 0);
    controls(edit).driveList()->setCurrentIndex(root);
    Q_EMIT controls(edit).driveList()->activated(root);
    QCOMPARE(controls(edit).folderList()->path(), QStringLiteral("/"));
    QCOMPARE(controls(edit).folderLabel()->text(), QStringLiteral("/"));
    QVERIFY(controls(edit).folderList()->rowOf(QStringLiteral("..")) < 0);
}

void TestEditorWindow::findsTheDriveOfAFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    QTest::newRow("on the stick") << QStringLiteral("/media/usb/cards") << QStringLiteral("/media/usb");
    QTest::newRow("its root") << QStringLiteral("/media/usb") << QStringLiteral("/media/usb");
    QTest::newRow("nested volume") << QStringLiteral("/media/usb/inner/x") << QStringLiteral("/media/usb/inner");
    QTest::newRow("same prefix, other folder") << QStringLiteral("/media/usbstick") << QStringLiteral("/");
    QTest::newRow("home") << QStringLiteral("/home/user") << QStringLiteral("/");
}

void TestEditorWindow::findsTheDriveOfAFolder()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    const QStringList roots{QStringLiteral("/"), QStringLiteral("/media/usb"), QStringLiteral("/media/usb/inner")};
    QCOMPARE(DriveList::driveOf(path, roots), drive);
}

void TestEditorWindow::escapeCancelsTheChoice()
{
    makeSets();
    EditorWindow *edit = open();
    QVERIFY(edit);
    const QByteArray twelveBefore = readAll(m_sets + QStringLiteral("/twelve/karudata.dat"));
    controls(edit).folderAction()->trigger();
    QVERIFY(controls(edit).folderList()->setPath(m_sets));
    controls(edit).folderList()->setCurrentRow(controls(edit).folderList()->rowOf(QStringLiteral("twelve")));
    QTest::keyClick(controls(edit).folderList(), Qt::Key_Return);
    QCOMPARE(controls(edit).folderLabel()->text(), m_sets + QStringLiteral("/twelve"));
    QTest::keyClick(controls(edit).folderList(), Qt::Key_Escape);

    QCOMPARE(edit->folderMode(), qint16(0));
    QCOMPARE(controls(edit).folderAction()->text(), QStringLiteral("フォルダ変更"));
    QVERIFY(!controls(edit).folderList()->isVisible());
    // Back to the folder of the set the grid still shows; nothing loaded.
    QCOMPARE(controls(edit).folderLabel()->text(), m_program->cardFolder());
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("46"));
    QCOMPARE(picturesShown(edit), 46);

    // A save writes that set where it came from, and nothing into the
    // folder browsed to.
    testing::MessageBoxAnswerer answerer;
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("保存しました")});
    QCOMPARE(m_data->cardFolder(), m_program->cardFolder());
    QCOMPARE(readAll(m_sets + QStringLiteral("/twelve/karudata.dat")), twelveBefore);
}

void TestEditorWindow::confirmedFolderShowsItsOwnSet()
{
    // Two saved sets: the default one and five cards in "twelve" whose
    // labels differ from the default ones.
    makeSets();
    const QString twelve = m_sets + QStringLiteral("/twelve");
    const QString labels = QStringLiteral("月火水木金");
    QByteArray record = QByteArray("\x05\x00", 2);
    for (int k = 0; k < 50; ++k)
        record += k < labels.size() ? cp932::encodeField(labels.mid(k, 1), 2) : QByteArray("  ");
    record += QByteArray(154, ' ');
    testing::writeAll(twelve + QStringLiteral("/karudata.dat"), record);

    EditorWindow *edit = open();
    QVERIFY(edit);
    const QByteArray defaultSet = readAll(m_data->cardDataPath());
    auto chooseAndSave = [&](const QString &folder) {
        controls(edit).folderAction()->trigger();
        QVERIFY(controls(edit).folderList()->setPath(folder));
        controls(edit).folderAction()->trigger();
        testing::MessageBoxAnswerer answerer;
        controls(edit).saveAction()->trigger();
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("保存しました")});
    };

    // The folder's own labels and count, not those of the set before.
    chooseAndSave(twelve);
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("5"));
    QCOMPARE(controls(edit).labelBoxes()[0]->text(), QStringLiteral("月"));
    QCOMPARE(controls(edit).labelBoxes()[4]->text(), QStringLiteral("金"));
    QCOMPARE(controls(edit).labelBoxes()[5]->text(), QString());
    QCOMPARE(picturesShown(edit), 12);
    QCOMPARE(readAll(twelve + QStringLiteral("/karudata.dat")), record);
    QCOMPARE(m_data->label(1), QStringLiteral("月"));

    // And back: the default set is whole again.
    chooseAndSave(m_program->cardFolder());
    QCOMPARE(controls(edit).labelBoxes()[0]->text(), QStringLiteral("あ"));
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("46"));
    QCOMPARE(readAll(m_program->cardFolder() + QStringLiteral("/karudata.dat")), defaultSet);
    QCOMPARE(readAll(twelve + QStringLiteral("/karudata.dat")), record);
}

void TestEditorWindow::labelsBeyondTheCountAreKept()
{
    EditorWindow *edit = open();
    QVERIFY(edit);
    auto save = [&](const QString &count) {
        controls(edit).countBox()->setText(count);
        testing::MessageBoxAnswerer answerer;
        controls(edit).saveAction()->trigger();
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("保存しました")});
    };
    save(QStringLiteral("3"));
    QCOMPARE(open(), edit);

    // え … 銀 are still part of the set: shown, greyed.
    const QColor inPlay = controls(edit).labelBoxes()[2]->palette().color(QPalette::Text);
    QCOMPARE(controls(edit).labelBoxes()[3]->text(), QStringLiteral("え"));
    QCOMPARE(controls(edit).labelBoxes()[45]->text(), QStringLiteral("銀"));
    QVERIFY(controls(edit).labelBoxes()[3]->palette().color(QPalette::Text) != inPlay);
    QCOMPARE(controls(edit).labelBoxes()[46]->text(), QString());
    // Raising the count brings them back into play, and a save keeps them.
    controls(edit).countBox()->setText(QStringLiteral("46"));
    QCOMPARE(controls(edit).labelBoxes()[3]->palette().color(QPalette::Text), inPlay);
    save(QStringLiteral("46"));
    QCOMPARE(m_data->label(4), QStringLiteral("え"));
    QCOMPARE(m_data->label(46), QStringLiteral("銀"));
    QCOMPARE(readAll(m_data->cardDataPath()).mid(2, 2 * 46),
             cp932::encode(QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを銀")));
}

void TestEditorWindow::backKeepsChooserCloseBoxResetsIt()
{
    EditorWindow *edit = open();
    QVERIFY(edit);
    controls(edit).folderAction()->trigger();
    controls(edit).backAction()->trigger();
    QVERIFY(!edit->isVisible());
    // 戻る only hides: the chooser is still open at the next opening.
    QCOMPARE(open(), edit);
    QCOMPARE(edit->folderMode(), qint16(1));
    QCOMPARE(controls(edit).folderAction()->text(), QStringLiteral("フォルダ確定"));
    QVERIFY(controls(edit).folderList()->isVisible());

    QPointer<EditorWindow> closed = edit;
    edit->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    EditorWindow *fresh = open();
    QVERIFY(fresh);
    QCOMPARE(fresh->folderMode(), qint16(0));
    QCOMPARE(controls(fresh).folderAction()->text(), QStringLiteral("フォルダ変更"));
    QVERIFY(!controls(fresh).folderList()->isVisible());
    QCOMPARE(controls(fresh).labelBoxes()[0]->text(), QStringLiteral("あ"));
}

void TestEditorWindow::saveProblemsAreExplained_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("why");
    QTest::newRow("empty count") << QString() << QString() << QStringLiteral("枚数");
    QTest::newRow("missing folder") << QStringLiteral("12") << QStringLiteral("gone") << QStringLiteral("見つかりません");
    QTest::newRow("cannot be written") << QStringLiteral("12") << QStringLiteral("blocked") << QStringLiteral("このフォルダには保存できません");
}

void TestEditorWindow::saveProblemsAreExplained()
{
    makeSets();
    QFETCH(QString, count);
    QFETCH(QString, folder);
    QFETCH(QString, why);
    // Something in the way of karudata.dat: fails for root too.
    QDir().mkpath(m_sets + QStringLiteral("/blocked/karudata.dat"));
    EditorWindow *edit = open();
    QVERIFY(edit);
    controls(edit).countBox()->setText(count);
    if (!folder.isEmpty())
        controls(edit).folderLabel()->setText(m_sets + u'/' + folder);
    const QByteArray files = filesOf(*m_data);

    testing::MessageBoxAnswerer answerer;
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts.size(), 1);
    QCOMPARE(answerer.titles[0], QStringLiteral("保存"));
    QVERIFY2(answerer.texts[0].contains(why), qPrintable(answerer.texts[0]));
    QVERIFY(answerer.texts[0] != QStringLiteral("保存しました"));
    QCOMPARE(filesOf(*m_data), files);
    QCOMPARE(m_data->cardFolder(), m_program->cardFolder());
    QCOMPARE(m_data->cardCount(), 46);
    QCOMPARE(m_data->label(0), QStringLiteral(" "));
}

void TestEditorWindow::labelBoxShowsWhatIsStored_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("tip");
    // An invalid colour: that of a box left alone.
    QTest::newRow("fits") << QStringLiteral("ab") << QColor() << QString();
    QTest::newRow("cut to あ") << QStringLiteral("あい") << QColor(255, 240, 140) << QStringLiteral("「あ」だけ");
    QTest::newRow("cut to a") << QStringLiteral("aあ") << QColor(255, 240, 140) << QStringLiteral("「a」だけ");
    QTest::newRow("cannot be stored") << QStringLiteral("카") << QColor(255, 130, 130) << QStringLiteral("保存できません");
}

void TestEditorWindow::labelBoxShowsWhatIsStored()
{
    QFETCH(QString, label);
    QFETCH(QColor, colour);
    QFETCH(QString, tip);
    EditorWindow *edit = open();
    QVERIFY(edit);
    const QColor plain = controls(edit).labelBoxes()[10]->palette().color(QPalette::Base);
    controls(edit).labelBoxes()[3]->setText(label);
    QCOMPARE(controls(edit).labelBoxes()[3]->palette().color(QPalette::Base), colour.isValid() ? colour : plain);
    QVERIFY2(tip.isEmpty() ? controls(edit).labelBoxes()[3]->toolTip().isEmpty() : controls(edit).labelBoxes()[3]->toolTip().contains(tip),
             qPrintable(controls(edit).labelBoxes()[3]->toolTip()));
    QCOMPARE(controls(edit).labelBoxes()[3]->accessibleDescription(), controls(edit).labelBoxes()[3]->toolTip());
    // Back to a label that fits: back to the plain box.
    controls(edit).labelBoxes()[3]->setText(QStringLiteral("え"));
    QCOMPARE(controls(edit).labelBoxes()[3]->palette().color(QPalette::Base), plain);
}

void TestEditorWindow::namesForAssistiveTools()
{
    EditorWindow *edit = open();
    QVERIFY(edit);
    QCOMPARE(controls(edit).pictureBoxes()[0]->accessibleName(), QStringLiteral("1 番「あ」の札の絵"));
    QCOMPARE(controls(edit).pictureBoxes()[47]->accessibleName(), QStringLiteral("48 番の札の絵（絵なし）"));
    controls(edit).labelBoxes()[0]->setText(QStringLiteral("月"));
    QCOMPARE(controls(edit).pictureBoxes()[0]->accessibleName(), QStringLiteral("1 番「月」の札の絵"));
    // Text boxes are named by their captions.
    QCOMPARE(controls(edit).numberLabels()[0]->buddy(), controls(edit).labelBoxes()[0]);
    QCOMPARE(controls(edit).captions()[1]->buddy(), controls(edit).countBox());
    QAccessibleInterface *count = QAccessible::queryAccessibleInterface(controls(edit).countBox());
    QVERIFY(count);
    QCOMPARE(count->text(QAccessible::Name), QStringLiteral("かるたの枚数"));
    QAccessibleInterface *number = QAccessible::queryAccessibleInterface(controls(edit).numberLabels()[4]);
    QCOMPARE(number->text(QAccessible::Name), QStringLiteral("5"));
}

void TestEditorWindow::damagedPictureLeavesItsBoxEmpty_data()
{
    testing::addDamagedPictureRows();
}

void TestEditorWindow::damagedPictureLeavesItsBoxEmpty()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, shown);
    testing::writeAll(m_program->cardFolder() + QStringLiteral("/karue02.jpg"), bytes);
    EditorWindow *edit = open();
    QVERIFY(edit);
    QCOMPARE(controls(edit).pictureBoxes()[1]->hasPicture(), shown);
    QCOMPARE(controls(edit).pictureBoxes()[1]->accessibleName().endsWith(QStringLiteral("（絵なし）")), !shown);
    QVERIFY(controls(edit).pictureBoxes()[0]->hasPicture() && controls(edit).pictureBoxes()[2]->hasPicture());
    QCOMPARE(controls(edit).labelBoxes()[1]->text(), QStringLiteral("い"));
    // Counting the folder's pictures stops at the first that cannot be read;
    // the count box shows the set the folder holds.
    controls(edit).folderAction()->trigger();
    controls(edit).folderAction()->trigger();
    QCOMPARE(picturesShown(edit), shown ? 46 : 1);
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("46"));
    QCOMPARE(m_data->cardCount(), 46);
}

void TestEditorWindow::randomDataFileMustBeMendedBeforeSaving_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("count"); // written over the random count; 0: left random
    QTest::newRow("count below 1") << quint32(3) << 0;
    QTest::newRow("count above 49") << quint32(4) << 0;
    QTest::newRow("random labels, count 30") << quint32(5) << 30;
}

void TestEditorWindow::randomDataFileMustBeMendedBeforeSaving()
{
    QFETCH(quint32, seed);
    QFETCH(int, count);
    // A karudata.dat of 256 random bytes, found at start-up.
    QByteArray bytes(256, '\0');
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    if (count)
        qToLittleEndian<qint16>(qint16(count), bytes.data());
    const QString path = m_program->cardFolder() + QStringLiteral("/karudata.dat");
    testing::writeAll(path, bytes);
    const qint16 stored = qFromLittleEndian<qint16>(bytes.constData());
    const bool countInRange = stored >= 1 && stored <= CardState::MaxCards;

    CardState data(m_program->path());
    WindowHub hub(data);
    testing::MessageBoxAnswerer answerer;
    hub.startMenu()->show();
    QTest::qWait(100);
    // Told about the count once when it cannot be used; nothing is written.
    QCOMPARE(answerer.texts.size(), countInRange ? 0 : 1);
    QCOMPARE(int(data.cardCount()), qBound(1, int(stored), CardState::MaxCards));
    QCOMPARE(readAll(path), bytes);

    QTest::mouseClick(controls(hub.startMenu()).editorButton(), Qt::LeftButton);
    EditorWindow *edit = hub.editorWindow();
    QVERIFY(edit);
    QList<int> unreadable;
    for (int k = 0; k < CardState::MaxCards; ++k) {
        // Beyond the count too: only a blank label shows as an empty box.
        const bool blankBeyond = k >= data.cardCount() && data.label(k + 1).trimmed().isEmpty();
        QCOMPARE(controls(edit).labelBoxes()[k]->text(), blankBeyond ? QString() : data.label(k + 1));
        // What bytes that could not be read decode to: U+FFFD or a control character.
        const QString label = controls(edit).labelBoxes()[k]->text();
        if (std::any_of(label.begin(), label.end(), [](QChar c) {
                return c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control;
            }))
            unreadable << k;
    }
    QVERIFY(!unreadable.isEmpty()); // random bytes do not all make text

    // Refused, with every such label named in one message, until mended.
    answerer.texts.clear();
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts.size(), 1);
    for (int k : unreadable)
        QVERIFY2(answerer.texts[0].contains(QStringLiteral("%1 番").arg(k + 1)), qPrintable(answerer.texts[0]));
    QCOMPARE(readAll(path), bytes);
    for (int k : unreadable)
        controls(edit).labelBoxes()[k]->setText(QStringLiteral("銀"));
    answerer.texts.clear();
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("保存しました")});
    CardState next(m_program->path());
    next.loadCardFolder();
    QVERIFY(next.takeNotices().isEmpty());
    QCOMPARE(next.label(unreadable.first() + 1), QStringLiteral("銀"));
}

void TestEditorWindow::savedSetIsPlayedAndRead()
{
    // From the editor's save to the other windows, as the user goes: choose
    // a folder of 12 pictures, name the cards, save; then a match and an
    // automatic reading use that set.
    makeSets();
    QList<QPointer<testing::RecordingSoundDevice>> devices;
    m_hub->soundFactory = [&devices](QObject *owner) -> SoundDevice * {
        auto *device = new testing::RecordingSoundDevice(owner);
        devices << device;
        return device;
    };
    EditorWindow *edit = open();
    QVERIFY(edit);
    controls(edit).folderAction()->trigger();
    QVERIFY(controls(edit).folderList()->setPath(m_sets + QStringLiteral("/twelve")));
    controls(edit).folderAction()->trigger();
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("12"));
    for (int k = 0; k < 12; ++k)
        controls(edit).labelBoxes()[k]->setText(QString(QChar(u'ア' + 2 * k)));
    testing::MessageBoxAnswerer answerer;
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("保存しました")});
    controls(edit).backAction()->trigger();

    const QString twelve = m_sets + QStringLiteral("/twelve");
    QTest::mouseClick(controls(m_hub->startMenu()).matchButton(), Qt::LeftButton);
    MatchWindow *match = m_hub->matchWindow();
    QVERIFY(match);
    m_hub->matchSettings();
    controls(m_hub->settingsWindow()).voiceButtons()[1]->setChecked(true); // read aloud
    controls(match).startMatchAction()->trigger();
    QSet<QString> onTable;
    for (int k = 0; k < 49; ++k) {
        QCOMPARE(controls(match).cardBoxes()[k]->isVisible(), k < 12);
        if (k < 12) {
            QVERIFY(controls(match).cardBoxes()[k]->hasPicture());
            onTable << controls(match).cardBoxes()[k]->accessibleName();
        }
    }
    QCOMPARE(onTable.size(), 12);
    QVERIFY(onTable.contains(QStringLiteral("ア")) && onTable.contains(QString(QChar(u'ア' + 22))));
    QVERIFY(devices.last()->lastFile.startsWith(twelve + QStringLiteral("/karuon")));
    controls(match).leaveAction()->trigger();

    QTest::mouseClick(controls(m_hub->startMenu()).readingButton(), Qt::LeftButton);
    ReadingWindow *reading = m_hub->readingWindow();
    QVERIFY(reading);
    controls(reading).orderChooser()->setCurrentText(QStringLiteral("2：あいう順"));
    QTest::mouseClick(controls(reading).startButton(), Qt::LeftButton);
    for (int n = 1; n <= 12; ++n) {
        QVERIFY(controls(reading).aiuOrderTimer()->isActive());
        reading->aiuOrderTimeUp();
        QTRY_COMPARE(devices.last()->lastFile, twelve + QStringLiteral("/karuon%1.wav").arg(CardState::cardNumberText(n)));
        QCOMPARE(controls(reading).labelDisplay()->text(), QString(QChar(u'ア' + 2 * (n - 1))));
        if (n == 12)
            answerer.texts.clear();
        devices.last()->finish();
    }
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("終了しました")});
}

void TestEditorWindow::picturesAreMadeUpright_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QColor>("top");    // the top corners of the card picture
    QTest::addColumn<QColor>("bottom"); // the bottom corners
    QTest::addColumn<QString>("error");
    // Upright: green bands above and below (cut off), red over blue, the
    // red a third of what is kept. Stored on its side, as a camera held
    // upright stores it, with orientation 6.
    QImage upright(600, 1000, QImage::Format_RGB32);
    QPainter painter(&upright);
    painter.fillRect(0, 0, 600, 1000, Qt::green);
    painter.fillRect(0, 100, 600, 300, Qt::red);
    painter.fillRect(0, 400, 600, 500, Qt::blue);
    painter.end();
    QByteArray stored;
    QBuffer buffer(&stored);
    buffer.open(QIODevice::WriteOnly);
    upright.transformed(QTransform().rotate(-90)).save(&buffer, "jpg", 95);
    QTest::newRow("portrait photo, Exif orientation 6") << testing::withExifOrientation(stored, 6) << QColor(Qt::red)
                                                        << QColor(Qt::blue) << QString();
    // Wide: yellow bands at the sides, cut off.
    const QList<std::pair<QRect, QColor>> wide{{{0, 0, 800, 400}, Qt::yellow}, {{150, 0, 500, 200}, Qt::red},
                                               {{150, 200, 500, 200}, Qt::blue}};
    QTest::newRow("wide WebP") << pictureFile({800, 400}, wide, "webp") << QColor(Qt::red) << QColor(Qt::blue) << QString();
    QTest::newRow("wide TIFF") << pictureFile({800, 400}, wide, "tiff") << QColor(Qt::red) << QColor(Qt::blue) << QString();
    QTest::newRow("see-through PNG: white") << pictureFile({300, 400}, {{{0, 200, 300, 200}, Qt::blue}}, "png")
                                            << QColor(Qt::white) << QColor(Qt::blue) << QString();
    QTest::newRow("not a picture") << QByteArray("not a picture") << QColor() << QColor() << QStringLiteral("読めません");
    // A header that promises 40,000 × 40,000 pixels: refused before decoding.
    QTest::newRow("huge GIF") << QByteArray("GIF89a\x40\x9C\x40\x9C\x00\x00\x00,\x00\x00\x00\x00\x40\x9C\x40\x9C\x00", 23)
                              << QColor() << QColor() << QStringLiteral("大きすぎます");
}

void TestEditorWindow::picturesAreMadeUpright()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QColor, top);
    QFETCH(QColor, bottom);
    QFETCH(QString, error);
    const cardphoto::Made made = cardphoto::fromBytes(bytes);
    QVERIFY2(error.isEmpty() ? made.ok() : made.error.contains(error), qPrintable(made.error));
    if (!error.isEmpty())
        return;
    const QImage jpeg = QImage::fromData(made.jpeg, "jpg");
    QCOMPARE(jpeg.size(), QSize(201, 261));
    // The corners, and a third of the way down: what was cut and how it
    // was scaled shows there.
    for (const QPoint at : {QPoint(3, 3), QPoint(197, 3), QPoint(100, 85), QPoint(3, 257), QPoint(197, 257)})
        QVERIFY2(near(jpeg.pixelColor(at), at.y() < 100 ? top : bottom), qPrintable(jpeg.pixelColor(at).name()));
}

void TestEditorWindow::droppedFilesFillEntriesInOrder_data()
{
    QTest::addColumn<int>("entry"); // dropped on
    QTest::addColumn<int>("answer"); // to the question whether to replace
    QTest::addColumn<int>("filled"); // entries filled from entry on
    QTest::newRow("on entry 5, replacing") << 5 << int(QMessageBox::Yes) << 4;
    QTest::newRow("on entry 5, keeping the pictures") << 5 << int(QMessageBox::No) << 0;
    QTest::newRow("on entry 47: three fit") << 47 << int(QMessageBox::No) << 3;
}

void TestEditorWindow::droppedFilesFillEntriesInOrder()
{
    QFETCH(int, entry);
    QFETCH(int, answer);
    QFETCH(int, filled);
    // In file-name order: a, b, pic9, pic10; the text file is no picture.
    const QStringList names{QStringLiteral("b.png"), QStringLiteral("pic10.png"), QStringLiteral("a.png"),
                            QStringLiteral("pic9.png"), QStringLiteral("notes.txt")};
    const QList<QColor> colours{Qt::green, Qt::yellow, Qt::red, Qt::cyan, Qt::black};
    const QList<QColor> inOrder{Qt::red, Qt::green, Qt::cyan, Qt::yellow};
    QStringList files;
    for (int i = 0; i < names.size(); ++i) {
        files << m_program->file(names[i]);
        testing::writeAll(files.last(), pictureFile({300, 400}, {{{0, 0, 300, 400}, colours[i]}}, "png"));
    }
    EditorWindow *edit = open();
    QVERIFY(edit);
    const QByteArray before = readAll(m_data->cardPicturePath(5));
    testing::MessageBoxAnswerer answerer{QMessageBox::StandardButton(answer)};
    QSignalSpy made(edit, &EditorWindow::picturesMade);
    drop(edit, controls(edit).pictureBoxes()[entry - 1], files);
    if (filled > 0)
        QVERIFY(made.wait(20000));
    else
        QTRY_VERIFY(answerer.texts.contains(QStringLiteral("5、6、7、8 番にはもう写真があります（4 枚）。新しい写真に置きかえますか？")));
    for (int card = entry; card < entry + filled; ++card)
        QVERIFY2(near(pendingColour(edit, card), inOrder[card - entry]), qPrintable(QString::number(card)));
    QCOMPARE(edit->pendingMedia().hasChanges(), filled > 0);
    QCOMPARE(readAll(m_data->cardPicturePath(5)), before); // nothing written before 保存
    if (filled != 4)
        return;
    const QByteArray fifth = edit->pendingMedia().picture(5)->bytes;
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts.last(), QStringLiteral("保存しました"));
    QCOMPARE(readAll(m_data->cardPicturePath(5)), fifth);
    QVERIFY(!edit->pendingMedia().hasChanges());
}

void TestEditorWindow::leavingAsksAboutMedia_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("stays");
    QTest::addColumn<bool>("saved");
    QTest::newRow("戻る, はい: saved") << false << int(QMessageBox::Yes) << false << true;
    QTest::newRow("戻る, いいえ: dropped") << false << int(QMessageBox::No) << false << false;
    QTest::newRow("戻る, キャンセル: stays") << false << int(QMessageBox::Cancel) << true << false;
    QTest::newRow("close box, いいえ") << true << int(QMessageBox::No) << false << false;
    QTest::newRow("close box, キャンセル") << true << int(QMessageBox::Cancel) << true << false;
}

void TestEditorWindow::leavingAsksAboutMedia()
{
    QFETCH(bool, closeBox);
    QFETCH(int, answer);
    QFETCH(bool, stays);
    QFETCH(bool, saved);
    QPointer<EditorWindow> edit = open();
    QVERIFY(edit);
    const QByteArray reading = readAll(m_data->cardSoundPath(1));
    edit->keepReading(3, reading);
    edit->removePicture(4);
    const QByteArray files = readAll(m_data->cardSoundPath(3)) + readAll(m_data->cardPicturePath(4));
    testing::MessageBoxAnswerer answerer{QMessageBox::StandardButton(answer)};
    closeBox ? void(edit->close()) : controls(edit).backAction()->trigger();
    QTRY_VERIFY(!answerer.texts.isEmpty());
    QCOMPARE(answerer.texts[0], QStringLiteral("写真と音声の変更が保存されていません。保存しますか？"));
    // The answer is acted on from the event loop, once the box is gone.
    QTRY_COMPARE(edit && edit->isVisible(), stays);
    QTRY_COMPARE(bool(edit), !closeBox || stays);
    QCOMPARE(readAll(m_data->cardSoundPath(3)) + readAll(m_data->cardPicturePath(4)), saved ? reading : files);
    QCOMPARE(QFileInfo::exists(m_data->cardPicturePath(4)), !saved);
    QCOMPARE(edit && edit->pendingMedia().hasChanges(), stays);
    // Shown again, the set is as saved: entry 4 has its picture unless 保存 removed it.
    EditorWindow *again = open();
    QTRY_VERIFY(answerer.texts.size() >= (stays ? 2 : 1));
    QCOMPARE(controls(again).pictureBoxes()[3]->hasPicture(), !saved && !stays);
}

void TestEditorWindow::readOnlySetIsCopiedFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("copy it") << int(QMessageBox::Yes);
    QTest::newRow("leave it") << int(QMessageBox::No);
}

void TestEditorWindow::readOnlySetIsCopiedFirst()
{
    QFETCH(int, answer);
    // As the installed default set is, even for root.
    const QString installed = m_program->cardFolder();
    m_data->setWritableProbe([installed](const QString &f) { return QDir::cleanPath(f) != installed; });
    EditorWindow *edit = open();
    QVERIFY(edit);
    edit->setSetsFolder(m_sets);
    const QByteArray before = readAll(installed + QStringLiteral("/karue02.jpg"));
    testing::MessageBoxAnswerer answerer{QMessageBox::StandardButton(answer)};
    edit->showEntryMenu(2, edit->mapToGlobal(QPoint(50, 100)));
    edit->findChild<QAction *>(QStringLiteral("mnuSyasinKesu"))->trigger();
    QTRY_COMPARE(answerer.titles, QStringList{QStringLiteral("札の組を複製")});
    QVERIFY(answerer.texts[0].contains(QStringLiteral("書き込めません")));
    if (answer == QMessageBox::Yes) {
        QTRY_VERIFY(edit->findChild<SetNameDialog *>());
        auto *dialog = edit->findChild<SetNameDialog *>();
        dialog->findChild<QLineEdit *>(QStringLiteral("nameBox"))->setText(QStringLiteral("写し"));
        QSignalSpy copied(edit, &EditorWindow::duplicateDone);
        dialog->accept();
        QVERIFY(copied.wait(20000));
    }
    const QString copy = m_sets + QStringLiteral("/写し");
    QCOMPARE(edit->shownFolder(), answer == QMessageBox::Yes ? copy : installed);
    QCOMPARE(controls(edit).folderLabel()->text(), edit->shownFolder());
    // The change went to the copy, which holds the whole set; the installed one is untouched.
    QCOMPARE(edit->pendingMedia().picture(2).has_value(), answer == QMessageBox::Yes);
    QCOMPARE(controls(edit).pictureBoxes()[1]->hasPicture(), answer != QMessageBox::Yes);
    QCOMPARE(readAll(installed + QStringLiteral("/karue02.jpg")), before);
    if (answer == QMessageBox::Yes)
        QCOMPARE(QDir(copy).entryList(QDir::Files).size(), QDir(installed).entryList(QDir::Files).size());
}

void TestEditorWindow::missingMediaAreMarkedAndCounted()
{
    makeSets();
    const QString twelve = m_sets + QStringLiteral("/twelve");
    for (int n = 1; n <= 3; ++n)
        QFile::copy(m_data->cardSoundPath(n), CardState::soundPathIn(twelve, n));
    EditorWindow *edit = open();
    QVERIFY(edit);
    controls(edit).folderAction()->trigger();
    QVERIFY(controls(edit).folderList()->setPath(twelve));
    controls(edit).folderAction()->trigger();
    const auto &boxes = controls(edit).pictureBoxes();
    QCOMPARE(boxes[0]->marks(), EntryPicture::Marks());
    QCOMPARE(boxes[3]->marks(), EntryPicture::Marks(EntryPicture::NoReading));
    QVERIFY(boxes[3]->accessibleName().endsWith(QStringLiteral("（音声なし）")));
    QCOMPARE(boxes[12]->marks(), EntryPicture::Marks()); // beyond the count
    edit->removePicture(2);
    QCOMPARE(boxes[1]->marks(), EntryPicture::NoPicture | EntryPicture::Unsaved);

    testing::MessageBoxAnswerer answerer;
    QString details;
    answerer.inspect = [&details](QMessageBox *box) { details = box->informativeText(); };
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("保存しました")});
    QCOMPARE(details, QStringLiteral("写真のない札：1 枚（2 番）\n音声のない札：9 枚（4〜12 番）"));
    QCOMPARE(boxes[1]->marks(), EntryPicture::Marks(EntryPicture::NoPicture));
    QVERIFY(!QFileInfo::exists(CardState::picturePathIn(twelve, 2)));
}

void TestEditorWindow::runningActivityKeepsItsSet_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("why"); // empty: saved
    QTest::newRow("a match reading aloud") << QStringLiteral("match") << QStringLiteral("かるた取りの試合が続いています");
    QTest::newRow("a silent match") << QStringLiteral("silent match") << QString();
    QTest::newRow("an automatic reading") << QStringLiteral("reading") << QStringLiteral("自動よみあげが続いています");
}

void TestEditorWindow::runningActivityKeepsItsSet()
{
    QFETCH(QString, activity);
    QFETCH(QString, why);
    m_hub->soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::RecordingSoundDevice(owner); };
    if (activity == u"reading") {
        m_hub->showReading();
        QTest::mouseClick(controls(m_hub->readingWindow()).startButton(), Qt::LeftButton);
    } else {
        m_hub->showMatch();
        m_hub->matchSettings();
        controls(m_hub->settingsWindow()).voiceButtons()[activity == u"match" ? 1 : 0]->setChecked(true);
        controls(m_hub->matchWindow()).startMatchAction()->trigger();
    }
    EditorWindow *edit = open();
    QVERIFY(edit);
    const QByteArray before = readAll(m_data->cardSoundPath(1));
    edit->keepReading(1, "a new reading");
    testing::MessageBoxAnswerer answerer;
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts.size(), 1);
    QVERIFY2(why.isEmpty() ? answerer.texts[0] == u"保存しました" : answerer.texts[0].contains(why),
             qPrintable(answerer.texts[0]));
    QCOMPARE(readAll(m_data->cardSoundPath(1)), why.isEmpty() ? QByteArray("a new reading") : before);
    QCOMPARE(edit->pendingMedia().hasChanges(), !why.isEmpty()); // kept for later
}

void TestEditorWindow::listenAndNewSetFromTheMenus()
{
    QList<QPointer<testing::RecordingSoundDevice>> devices;
    m_hub->soundFactory = [&devices](QObject *owner) -> SoundDevice * {
        devices << new testing::RecordingSoundDevice(owner);
        return devices.last();
    };
    EditorWindow *edit = open();
    QVERIFY(edit);
    edit->setSetsFolder(m_sets);
    auto *menu = edit->findChild<QMenu *>(QStringLiteral("entryMenu"));
    // The menu key (Qt makes it this event) in entry 3's label box opens
    // the entry's menu; 聞く
    // plays the saved reading, then the one waiting for 保存.
    for (const QByteArray &waiting : {QByteArray(), QByteArray("RIFF waiting")}) {
        if (!waiting.isEmpty())
            edit->keepReading(3, waiting);
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {5, 5}, controls(edit).labelBoxes()[2]->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(controls(edit).labelBoxes()[2], &menuKey);
        QTRY_VERIFY(menu->isVisible());
        edit->findChild<QAction *>(QStringLiteral("mnuKiku"))->trigger();
        menu->hide();
        QVERIFY(!devices.isEmpty());
        QCOMPARE(readAll(devices.last()->lastFile), waiting.isEmpty() ? readAll(m_data->cardSoundPath(3)) : waiting);
    }
    // Another set to be shown: the reading waiting is asked about first.
    testing::MessageBoxAnswerer answerer(QMessageBox::No);
    edit->findChild<QAction *>(QStringLiteral("mnuAtarasii"))->trigger();
    QTRY_VERIFY(edit->findChild<SetNameDialog *>());
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("写真と音声の変更が保存されていません。保存しますか？")});
    auto *dialog = edit->findChild<SetNameDialog *>();
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("nameBox"));
    name->setText(QStringLiteral("a/b"));
    dialog->accept();
    QVERIFY(dialog->isVisible()); // refused in place, with the reason
    QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("nameProblem"))->text().contains(QStringLiteral("「/」")));
    name->setText(QStringLiteral("家族"));
    dialog->findChild<QSpinBox *>(QStringLiteral("countBox"))->setValue(5);
    dialog->accept();
    QCOMPARE(edit->shownFolder(), m_sets + QStringLiteral("/家族"));
    QCOMPARE(readAll(edit->shownFolder() + QStringLiteral("/karudata.dat")).left(4), QByteArray("\x05\x00  ", 4));
    QCOMPARE(controls(edit).countBox()->text(), QStringLiteral("5"));
    QCOMPARE(controls(edit).labelBoxes()[0]->text(), QString());
    QCOMPARE(controls(edit).pictureBoxes()[4]->marks(), EntryPicture::NoPicture | EntryPicture::NoReading);
    QCOMPARE(controls(edit).pictureBoxes()[5]->marks(), EntryPicture::Marks());
}

void TestEditorWindow::readingsFromTheEntryMenu_data()
{
    QTest::addColumn<QByteArray>("file"); // chosen with 音声ファイルを選ぶ…; empty: 録音する…
    QTest::addColumn<QString>("notice");  // what the window says, if anything
    QTest::newRow("recorded") << QByteArray() << QStringLiteral("3 番の録音の画面が開いています");
    QTest::newRow("a sound file, 22.05 kHz 8-bit stereo") << testing::toneWav({22050, 8, 2}, 600) << QString();
    QTest::newRow("not a sound file") << QByteArray("not a sound") << QStringLiteral("音声ファイルとして読めませんでした");
}

void TestEditorWindow::readingsFromTheEntryMenu()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, notice);
    EditorWindow *edit = open();
    QVERIFY(edit);
    auto fromMenu = [edit](int card, const char *action) {
        edit->showEntryMenu(card, edit->mapToGlobal(QPoint(50, 100)));
        edit->findChild<QAction *>(QString::fromLatin1(action))->trigger();
        edit->findChild<QMenu *>(QStringLiteral("entryMenu"))->hide();
    };
    QByteArray kept;
    if (file.isEmpty()) {
        fromMenu(3, "mnuRokuon");
        QPointer<RecordingWindow> window = edit->recordingWindow();
        QVERIFY(window && window->isVisible() && !window->isModal());
        // One at a time: asked for another card, the open one stays.
        fromMenu(5, "mnuRokuon");
        QCOMPARE(edit->recordingWindow(), window.data());
        kept = testing::toneWav({48000, 16, 1}, 500);
        Q_EMIT window->readingReady(3, kept); // what its 保存 sends
        window->close();
    } else {
        const QString path = m_program->file(QStringLiteral("reading.wav"));
        testing::writeAll(path, file);
        fromMenu(3, "mnuOnseiErabu");
        QSignalSpy made(edit, &EditorWindow::readingMade);
        choose(edit->findChild<QFileDialog *>(QStringLiteral("readingDialog")), path);
        QVERIFY(made.wait(20000));
        kept = readingprep::prepareFile(file).wav;
    }
    QVERIFY2(noticeText(edit).contains(notice) && noticeText(edit).isEmpty() == notice.isEmpty(), qPrintable(noticeText(edit)));
    QCOMPARE(edit->pendingMedia().hasChanges(), !kept.isEmpty());
    testing::MessageBoxAnswerer answerer;
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("保存しました")});
    QCOMPARE(readAll(m_data->cardSoundPath(3)) == kept, !kept.isEmpty());
}

void TestEditorWindow::setsTravelAsOneFile_data()
{
    QTest::addColumn<QByteArray>("archive"); // empty: the shown set, through 書き出す…
    QTest::addColumn<int>("answer");         // to the question about changes not saved; 0: none
    QTest::newRow("exported and read back") << QByteArray() << 0;
    QTest::newRow("changes not saved, はい: saved first") << QByteArray() << int(QMessageBox::Yes);
    QTest::newRow("changes not saved, いいえ: as saved") << QByteArray() << int(QMessageBox::No);
    QTest::newRow("not a zip file") << QByteArray("PK\x03\x04 and no more") << 0;
}

void TestEditorWindow::setsTravelAsOneFile()
{
    QFETCH(QByteArray, archive);
    QFETCH(int, answer);
    EditorWindow *edit = open();
    QVERIFY(edit);
    edit->setSetsFolder(m_sets);
    const QString zipPath = m_program->file(QStringLiteral("家族の札.zip"));
    QMap<QString, QByteArray> expected = filesIn(m_program->cardFolder());
    testing::MessageBoxAnswerer answerer{answer ? QMessageBox::StandardButton(answer) : QMessageBox::Ok};
    if (archive.isEmpty()) {
        if (answer)
            edit->keepReading(1, readAll(m_data->cardSoundPath(2)));
        if (answer == QMessageBox::Yes)
            expected[QStringLiteral("karuon01.wav")] = readAll(m_data->cardSoundPath(2));
        edit->findChild<QAction *>(QStringLiteral("mnuKakidasu"))->trigger();
        QTRY_VERIFY(edit->findChild<QFileDialog *>(QStringLiteral("exportDialog")));
        QSignalSpy done(edit, &EditorWindow::archiveDone);
        choose(edit->findChild<QFileDialog *>(QStringLiteral("exportDialog")), zipPath);
        QVERIFY(done.wait(20000));
        QVERIFY(noticeText(edit).startsWith(QStringLiteral("書き出しました")));
    } else {
        testing::writeAll(zipPath, archive);
    }

    const QString shown = edit->shownFolder();
    edit->findChild<QAction *>(QStringLiteral("mnuYomikomu"))->trigger();
    QTRY_VERIFY(edit->findChild<QFileDialog *>(QStringLiteral("importDialog")));
    choose(edit->findChild<QFileDialog *>(QStringLiteral("importDialog")), zipPath);
    auto *names = edit->findChild<SetNameDialog *>();
    QVERIFY(names && names->isVisible());
    QCOMPARE(names->name(), QStringLiteral("家族の札")); // the file's name to start from
    QSignalSpy done(edit, &EditorWindow::archiveDone);
    names->accept();
    QVERIFY(done.wait(20000));
    if (!archive.isEmpty()) {
        QVERIFY2(noticeText(edit).contains(QStringLiteral("ZIP ファイルとして読めません")), qPrintable(noticeText(edit)));
        QVERIFY(!QFileInfo::exists(m_sets + QStringLiteral("/家族の札")));
        QCOMPARE(edit->shownFolder(), shown);
        return;
    }
    // The new set is shown, its files those of the set as saved.
    QCOMPARE(controls(edit).folderLabel()->text(), m_sets + QStringLiteral("/家族の札"));
    QCOMPARE(controls(edit).labelBoxes()[45]->text(), QStringLiteral("銀"));
    QCOMPARE(picturesShown(edit), 46);
    QCOMPARE(filesIn(edit->shownFolder()), expected);
}

GINREI_TEST_MAIN(TestEditorWindow)
#include "tst_editorwindow.moc"
