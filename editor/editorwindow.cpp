// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/editorwindow.h"

#include "data/cardstate.h"
#include "editor/cardsetarchive.h"
#include "editor/cardsets.h"
#include "editor/editorhost.h"
#include "editor/entrypicture.h"
#include "editor/folderlists.h"
#include "editor/picturecheck.h"
#include "editor/readingprep.h"
#include "editor/recordingwindow.h"
#include "editor/setnamedialog.h"
#include "sound/audiodecode.h"
#include "sound/sounddevice.h"
#include "ui/uikit.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QFutureWatcher>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QKeyEvent>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryFile>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {
const QColor Background(128, 128, 255);
const QColor Pink(255, 192, 192);
// Label boxes whose text will be shortened in the file, or cannot be saved.
const QColor CutColour(255, 240, 140);
const QColor UnstorableColour(255, 130, 130);
// Labels of cards beyond the count.
const QColor BeyondCountText(150, 150, 150);

// A folder path in a narrow box: the middle gives way so that both the
// start and the folder's own name stay readable. text() is the whole path.
class FolderLabel : public QLabel
{
public:
    explicit FolderLabel(QWidget *parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect area = contentsRect().adjusted(2, 0, -2, 0);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
        style()->drawItemText(&p, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                              foregroundRole());
    }
};

QLabel *pinkLabel(QLabel *label, Layout::TwipRect rect)
{
    label->setGeometry(rect.toPx());
    ui::setBackground(label, Pink);
    return label;
}

// Where the folder lists start: the card folder, not the working directory.
QString startFolder(const CardState &data)
{
    for (const QString &folder : {data.cardFolder(), data.programFolder(), QDir::homePath()})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::rootPath();
}

// The files among what is dragged: local files only, no folders.
QStringList droppedFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << url.toLocalFile();
    }
    return files;
}

// File names as a file manager orders them: letters without regard to
// case, and numbers by their value (IMG_9 before IMG_10), whatever the
// locale's collation can do.
int compareFileNames(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            // Without leading zeros, the longer number is the larger.
            QStringView x = QStringView(a).mid(si, i - si), y = QStringView(b).mid(sj, j - sj);
            while (x.size() > 1 && x.front() == u'0')
                x = x.mid(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.mid(1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y))
                return c;
            continue;
        }
        const int c = QString::compare(a.mid(i, 1), b.mid(j, 1), Qt::CaseInsensitive);
        if (c != 0)
            return c;
        ++i;
        ++j;
    }
    return int(a.size() - i) - int(b.size() - j);
}

// The sound files libsndfile reads, by their usual names.
const QString SoundFileFilter = QStringLiteral("音声 (*.wav *.flac *.ogg *.oga *.opus *.mp3 *.aif *.aiff *.au *.caf *.w64 "
                                               "*.WAV *.FLAC *.OGG *.OGA *.OPUS *.MP3 *.AIF *.AIFF *.AU *.CAF *.W64);;"
                                               "すべてのファイル (*)");

// A sound file as a card's reading, or why it cannot be one.
readingprep::Reading readingFromFile(const QString &file)
{
    audio::Problem problem = audio::Problem::None;
    QString why;
    const QByteArray bytes = audio::readBounded(file, &problem, &why);
    if (problem == audio::Problem::None)
        return readingprep::prepareFile(bytes);
    readingprep::Reading refused;
    refused.problem = readingprep::Problem::NotAudio;
    refused.reason = problem == audio::Problem::TooLarge
        ? QStringLiteral("ファイルが大きすぎます（%1 MB まで）。").arg(audio::MaxFileBytes / (1024 * 1024))
        : QStringLiteral("ファイルを読めません（%1）。").arg(why);
    return refused;
}

// Files left out of an archive, one a line, with the reason; the first
// few only, as an archive of something else may hold hundreds.
QString skippedText(const QList<cardsetarchive::Skipped> &skipped)
{
    constexpr int MaxLines = 10;
    QStringList lines;
    for (const cardsetarchive::Skipped &s : skipped.mid(0, MaxLines))
        lines << QStringLiteral("%1（%2）").arg(s.name, s.why);
    if (skipped.size() > MaxLines)
        lines << QStringLiteral("ほか %1 個").arg(skipped.size() - MaxLines);
    return lines.join(u'\n');
}

QString cardList(const QList<int> &cards)
{
    QStringList numbers;
    for (int card : cards)
        numbers << QString::number(card);
    return numbers.join(QStringLiteral("、"));
}
} // namespace

EditorWindow::EditorWindow(CardState &data, EditorHost *host)
    : m_data(data), m_host(host), m_setsFolder(data.setsFolder().isEmpty() ? cardsets::defaultRoot() : data.setsFolder()),
      m_cancelled(std::make_shared<std::atomic_bool>(false))
{
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QStringLiteral("かるた設定"));
    m_pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));

    auto *client = new QWidget(this);
    m_client = client;
    ui::setBackground(client, Background);
    setCentralWidget(client);

    namespace E = Layout::Editor;
    // The window's own small proportional font: the captions were sized for it.
    auto caption = [client](const char *name, const QString &text, Layout::TwipRect rect) {
        QLabel *label = ui::caption(client, text, rect);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(ui::font(ui::PGothic, 9, false));
        return label;
    };
    // Top line, in tab order: the count box comes first.
    caption("Label2_0", QStringLiteral("現在のかるたフォルダ"), E::FolderCaption);
    m_folderLabel = pinkLabel(new FolderLabel(client), E::FolderLabel);
    m_folderLabel->setObjectName(QStringLiteral("Label3"));
    QLabel *countCaption = caption("Label2_1", QStringLiteral("かるたの枚数"), E::CountCaption);
    m_countBox = new QLineEdit(client);
    m_countBox->setObjectName(QStringLiteral("Text2"));
    m_countBox->setGeometry(E::CountBox.toPx());
    countCaption->setBuddy(m_countBox);
    caption("Label2_2", QStringLiteral("枚"), E::CountUnitCaption);

    for (int k = 0; k < CardState::MaxCards; ++k) {
        const QPoint at = E::entry(k).toPx();
        m_labelBoxes[k] = new QLineEdit(client);
        m_labelBoxes[k]->setObjectName(QStringLiteral("Text1_%1").arg(k));
        m_labelBoxes[k]->setFont(ui::font(ui::Gothic, 11.25, true));
        m_labelBoxes[k]->setGeometry(QRect(at, E::LabelBoxSize.toPx()));

        m_numberLabels[k] = pinkLabel(new QLabel(client), {E::entry(k).left + E::NumberLabelOffsetX, E::entry(k).top,
                                                           E::NumberLabelSize.width, E::NumberLabelSize.height});
        m_numberLabels[k]->setObjectName(QStringLiteral("Label1_%1").arg(k));
        m_numberLabels[k]->setTextFormat(Qt::PlainText);
        m_numberLabels[k]->setFont(ui::font(ui::PGothic, 12, true));
        m_numberLabels[k]->setText(QString::number(k + 1));
        m_numberLabels[k]->setBuddy(m_labelBoxes[k]);

        m_pictureBoxes[k] = new EntryPicture(client);
        m_pictureBoxes[k]->setObjectName(QStringLiteral("Img1_%1").arg(k));
        m_pictureBoxes[k]->setGeometry(QRect(at + QPoint(0, Layout::px(E::PictureOffsetY)), E::PictureSize.toPx()));

        connect(m_labelBoxes[k], &QLineEdit::textChanged, this, [this, k] {
            styleLabelBox(k);
            refreshEntry(k);
        });
        connect(m_pictureBoxes[k], &EntryPicture::menuRequested, this,
                [this, k](const QPoint &at) { showEntryMenu(k + 1, at); });
        // Picture files dropped on the label box are for the entry; the
        // menu key there opens the entry's menu.
        m_labelBoxes[k]->installEventFilter(this);
    }
    m_plainLabelBox = m_labelBoxes[0]->palette();
    connect(m_countBox, &QLineEdit::textChanged, this, [this] {
        for (int k = 0; k < CardState::MaxCards; ++k)
            styleLabelBox(k);
        refreshEntries();
    });
    client->setAcceptDrops(true);
    client->installEventFilter(this);

    // The chooser lies over the upper part of the grid.
    m_driveList = new DriveList(client);
    m_driveList->setObjectName(QStringLiteral("Drive1"));
    m_driveList->setGeometry(E::DriveList.toPx());
    m_folderList = new DirList(client);
    m_folderList->setObjectName(QStringLiteral("Dir1"));
    m_folderList->setGeometry(E::FolderList.toPx());
    m_fileList = new FileList(client);
    m_fileList->setObjectName(QStringLiteral("File1"));
    m_fileList->setGeometry(E::FileList.toPx());
    m_driveList->setAccessibleName(QStringLiteral("ドライブ"));
    m_folderList->setAccessibleName(QStringLiteral("フォルダ"));
    m_fileList->setAccessibleName(QStringLiteral("フォルダの中のファイル"));
    // Choosing a drive, even the one shown, goes to its root.
    connect(m_driveList, &QComboBox::activated, this, &EditorWindow::driveChosen);
    connect(m_folderList, &DirList::changed, this, &EditorWindow::folderEntered);
    connect(m_folderList, &DirList::keyPressed, this, &EditorWindow::folderListKeyPressed);

    makeMenus();
    makeProgressPanel();

    client->setFixedSize(E::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());

    load();
}

EditorWindow::~EditorWindow()
{
    // Work still queued ends at once; what is running is waited for, as its
    // results have nowhere to go.
    m_cancelled->store(true);
    m_pool.clear();
    m_pool.waitForDone();
}

void EditorWindow::makeMenus()
{
    QAction *saveAction = menuBar()->addAction(QStringLiteral("保存"), this, &EditorWindow::save);
    saveAction->setObjectName(QStringLiteral("mnuWrite"));
    m_folderAction = menuBar()->addAction(QStringLiteral("フォルダ変更"), this, &EditorWindow::toggleFolderChooser);
    m_folderAction->setObjectName(QStringLiteral("mnuForuda"));

    m_setMenu = menuBar()->addMenu(QStringLiteral("札の組"));
    m_setMenu->setObjectName(QStringLiteral("mnuKumi"));
    m_newSetAction = m_setMenu->addAction(QStringLiteral("新しい札の組…"), this, &EditorWindow::askNewSet);
    m_newSetAction->setObjectName(QStringLiteral("mnuAtarasii"));
    m_duplicateAction = m_setMenu->addAction(QStringLiteral("この札の組を複製…"), this, [this] { askDuplicate(); });
    m_duplicateAction->setObjectName(QStringLiteral("mnuHukusei"));
    m_setMenu->addSeparator();
    m_exportAction = m_setMenu->addAction(QStringLiteral("書き出す…"), this, &EditorWindow::askExport);
    m_exportAction->setObjectName(QStringLiteral("mnuKakidasu"));
    m_importAction = m_setMenu->addAction(QStringLiteral("読み込む…"), this, &EditorWindow::askImport);
    m_importAction->setObjectName(QStringLiteral("mnuYomikomu"));

    QAction *backAction = menuBar()->addAction(QStringLiteral("戻る"), this, &EditorWindow::goBack);
    backAction->setObjectName(QStringLiteral("mnuEnd"));

    // The entry menu: right click on a picture, or the menu key in a label box.
    m_entryMenu = new QMenu(this);
    m_entryMenu->setObjectName(QStringLiteral("entryMenu"));
    m_choosePictureAction = m_entryMenu->addAction(QStringLiteral("写真を選ぶ…"), this, [this] {
        const int card = m_menuCard;
        whenWritable([this, card] {
            auto *dialog = new QFileDialog(this, QStringLiteral("%1 番の札の写真を選ぶ").arg(card), QDir::homePath(),
                                           QStringLiteral("写真 (%1)").arg(cardphoto::nameFilters().join(u' ')));
            dialog->setObjectName(QStringLiteral("pictureDialog"));
            dialog->setFileMode(QFileDialog::ExistingFile);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            connect(dialog, &QFileDialog::fileSelected, this,
                    [this, card](const QString &file) { takePictureFiles(card, {file}); });
            dialog->open();
        });
    });
    m_choosePictureAction->setObjectName(QStringLiteral("mnuSyasinErabu"));
    m_removePictureAction = m_entryMenu->addAction(QStringLiteral("写真を消す"), this, [this] {
        const int card = m_menuCard;
        whenWritable([this, card] { removePicture(card); });
    });
    m_removePictureAction->setObjectName(QStringLiteral("mnuSyasinKesu"));
    m_entryMenu->addSeparator();
    m_recordAction = m_entryMenu->addAction(QStringLiteral("録音する…"), this, [this] {
        const int card = m_menuCard;
        whenWritable([this, card] { record(card); });
    });
    m_recordAction->setObjectName(QStringLiteral("mnuRokuon"));
    m_chooseReadingAction = m_entryMenu->addAction(QStringLiteral("音声ファイルを選ぶ…"), this, [this] {
        const int card = m_menuCard;
        whenWritable([this, card] {
            auto *dialog = new QFileDialog(this, QStringLiteral("%1 番の札の読みを選ぶ").arg(card), QDir::homePath(),
                                           SoundFileFilter);
            dialog->setObjectName(QStringLiteral("readingDialog"));
            dialog->setFileMode(QFileDialog::ExistingFile);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            connect(dialog, &QFileDialog::fileSelected, this,
                    [this, card](const QString &file) { takeReadingFile(card, file); });
            dialog->open();
        });
    });
    m_chooseReadingAction->setObjectName(QStringLiteral("mnuOnseiErabu"));
    m_listenAction = m_entryMenu->addAction(QStringLiteral("聞く"), this, [this] { listen(m_menuCard); });
    m_listenAction->setObjectName(QStringLiteral("mnuKiku"));
    m_removeReadingAction = m_entryMenu->addAction(QStringLiteral("音声を消す"), this, [this] {
        const int card = m_menuCard;
        whenWritable([this, card] { removeReading(card); });
    });
    m_removeReadingAction->setObjectName(QStringLiteral("mnuOnseiKesu"));
}

void EditorWindow::makeProgressPanel()
{
    // Over the middle of the grid while several pictures are being made.
    m_progressPanel = new QFrame(m_client);
    m_progressPanel->setObjectName(QStringLiteral("pictureProgress"));
    m_progressPanel->setFrameShape(QFrame::StyledPanel);
    m_progressPanel->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(m_progressPanel);
    m_progressLabel = new QLabel(m_progressPanel);
    m_progressLabel->setTextFormat(Qt::PlainText);
    m_progressBar = new QProgressBar(m_progressPanel);
    m_progressBar->setObjectName(QStringLiteral("pictureProgressBar"));
    m_progressBar->setAccessibleName(QStringLiteral("写真の読み込み"));
    m_cancelButton = new QPushButton(QStringLiteral("やめる"), m_progressPanel);
    m_cancelButton->setObjectName(QStringLiteral("pictureCancel"));
    connect(m_cancelButton, &QPushButton::clicked, this, &EditorWindow::cancelPictures);
    layout->addWidget(m_progressLabel);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_cancelButton, 0, Qt::AlignRight);
    const QSize size(360, 100);
    m_progressPanel->setGeometry(QRect(QPoint((Layout::Editor::Client.toPx().width() - size.width()) / 2, 250), size));
    m_progressPanel->hide();
    // The bar follows at most ten times a second: a progress bar repaints
    // at once, in the handler that moves it, at every step.
    m_progressTimer = new QTimer(this);
    m_progressTimer->setSingleShot(true);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (m_picturesAsked <= 1)
            return;
        m_progressLabel->setText(QStringLiteral("写真を読み込んでいます（%1 / %2）").arg(m_picturesDone).arg(m_picturesAsked));
        m_progressBar->setRange(0, m_picturesAsked);
        m_progressBar->setValue(m_picturesDone);
        m_progressPanel->show();
        m_progressPanel->raise();
    });
}

void EditorWindow::load()
{
    ui::placeTopCentred(this, 0);
    m_folderMode = 0;
    showChooser(false);
    m_folderList->setPath(startFolder(m_data));
    refreshEntries();
}

void EditorWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        // Again now that the frame is known, so that it is really centred.
        ui::placeTopCentred(this, 0);
    }
}

void EditorWindow::showCardState()
{
    whenMediaSettled([this] { fillFromCardState(); });
}

void EditorWindow::fillFromCardState()
{
    const int count = qBound(0, int(m_data.cardCount()), CardState::MaxCards);
    showLabels(m_data.labels(), count);
    for (int i = 1; i <= CardState::MaxCards; ++i) {
        // A missing picture leaves its box empty.
        if (i <= count)
            m_pictureBoxes[i - 1]->loadPicture(m_data.cardPicturePath(i));
        else
            m_pictureBoxes[i - 1]->clearPicture();
    }
    showFolder(m_data.cardFolder());
    closeRecordingUnlessFor(m_data.cardFolder());
    m_shownFolder = m_data.cardFolder();
    m_countBox->setText(QString::number(m_data.cardCount()));
    scanReadings();
    refreshEntries();
}

void EditorWindow::showLabels(const CardState::LabelTable &labels, int count)
{
    for (int i = 1; i <= CardState::MaxCards; ++i) {
        m_numberLabels[i - 1]->setText(QString::number(i));
        // Beyond the count a label is still part of the set, shown greyed:
        // a count lowered and raised again finds it there, and a save keeps
        // it. A blank one shows as an empty box.
        const QString &label = labels[i];
        m_labelBoxes[i - 1]->setText(i > count && label.trimmed().isEmpty() ? QString() : label);
    }
}

void EditorWindow::showFolder(const QString &folder)
{
    m_folderLabel->setText(folder);
    m_folderLabel->setToolTip(folder);
}

SaveRequest EditorWindow::saveRequest() const
{
    SaveRequest request;
    request.folder = m_folderLabel->text();
    for (int k = 0; k < CardState::MaxCards; ++k)
        request.labels[k] = m_labelBoxes[k]->text();
    request.countText = m_countBox->text();
    request.media = m_pending;
    return request;
}

bool EditorWindow::save()
{
    const SaveRequest request = saveRequest();
    // A match or a reading that is going on keeps the set it started with:
    // its readings are not replaced under it.
    const QString inUse = request.media.hasChanges() && m_host ? m_host->cardSetInUse(request.folder) : QString();
    if (!inUse.isEmpty()) {
        ui::warn(this, QStringLiteral("保存"), QStringLiteral("保存できませんでした。\n\n") + inUse);
        return false;
    }
    CardSetSaver saver(m_data);
    const CardSetSaver::Result result = saver.save(request);
    if (result.outcome != CardSetSaver::Saved) {
        ui::warn(this, QStringLiteral("保存"), result.message);
        return false;
    }
    m_pending.clear();
    scanReadings();
    refreshEntries();
    Q_EMIT cardSetSaved();
    // Saved all the same; what the set still lacks is said under it.
    const cardsets::Missing missing = cardsets::missingMedia(m_data.cardFolder(), m_data.cardCount());
    ui::inform(this, QStringLiteral("保存"), QStringLiteral("保存しました"), cardsets::missingText(missing));
    return true;
}

void EditorWindow::goBack()
{
    whenMediaSettled([this] {
        stopListening();
        // A take not kept goes with its window, as its やめる would.
        if (m_recording)
            m_recording->close();
        hide();
    });
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    if (m_closing || (!m_pending.hasChanges() && !makingPictures())) {
        stopListening();
        cancelPictures();
        if (m_recording)
            m_recording->close();
        hide();
        event->accept();
        return;
    }
    // Asked first; the window closes once the answer lets it.
    event->ignore();
    whenMediaSettled([this] {
        m_closing = true;
        close();
    });
}

void EditorWindow::showChooser(bool shown)
{
    m_driveList->setVisible(shown);
    m_folderList->setVisible(shown);
    m_fileList->setVisible(shown);
    if (shown) {
        m_driveList->raise();
        m_folderList->raise();
        m_fileList->raise();
        m_folderList->setFocus();
    }
    m_folderAction->setText(shown ? QStringLiteral("フォルダ確定") : QStringLiteral("フォルダ変更"));
}

void EditorWindow::toggleFolderChooser()
{
    if (m_folderMode == 0) {
        showChooser(true);
        m_folderMode = 1;
    } else {
        // Another set is about to be shown: media changes for this one first.
        whenMediaSettled([this] {
            showChooser(false);
            m_folderMode = 0;
            readChosenFolder();
        });
    }
}

void EditorWindow::driveChosen()
{
    // A volume that cannot be listed leaves the directory where it was.
    if (!m_folderList->setPath(m_driveList->drive()))
        m_driveList->showDriveOf(m_folderList->path());
}

void EditorWindow::folderEntered()
{
    m_fileList->setPath(m_folderList->path());
    showFolder(m_fileList->path());
    m_driveList->showDriveOf(m_folderList->path());
}

void EditorWindow::folderListKeyPressed(int keyAscii)
{
    if (keyAscii != 27)
        return;
    // Cancels the choice: the folder label goes back to the folder whose
    // set the grid shows, so that a save cannot put that set elsewhere.
    showChooser(false);
    m_folderMode = 0;
    showFolder(m_shownFolder);
}

void EditorWindow::clearPictures()
{
    for (int k = 0; k < CardState::MaxCards; ++k) {
        m_pictureBoxes[k]->clearPicture();
        refreshEntry(k);
    }
}

void EditorWindow::readChosenFolder()
{
    clearPictures();
    const QString folder = m_folderLabel->text();
    closeRecordingUnlessFor(folder);
    m_shownFolder = folder;
    // Consecutive pictures from karue01.jpg, as many as the board holds;
    // the first that cannot be loaded ends the count.
    int loaded = 0;
    while (loaded < CardState::MaxCards && m_pictureBoxes[loaded]->loadPicture(CardState::picturePathIn(folder, loaded + 1)))
        ++loaded;
    // A folder that holds a set of its own shows that set, so that a save
    // writes back what it holds rather than the labels of the set before.
    if (const std::optional<CardState::StoredSet> stored = CardState::readStoredSet(folder)) {
        showLabels(stored->labels, stored->count);
        m_countBox->setText(QString::number(stored->count));
    } else {
        m_countBox->setText(QString::number(loaded));
    }
    scanReadings();
    refreshEntries();
}

void EditorWindow::styleLabelBox(int k)
{
    QLineEdit *box = m_labelBoxes[k];
    const LabelFit fit = fitLabel(box->text());
    QPalette palette = m_plainLabelBox;
    QString why;
    if (fit.state == LabelFit::Cut) {
        palette.setColor(QPalette::Base, CutColour);
        why = QStringLiteral("長すぎるため、ファイルには「%1」だけが保存されます（全角 1 文字か半角 2 文字まで）。")
                  .arg(fit.stored.isEmpty() ? QStringLiteral("（空白）") : fit.stored);
    } else if (fit.state == LabelFit::Unstorable) {
        palette.setColor(QPalette::Base, UnstorableColour);
        why = QStringLiteral("ファイルに記録できない文字が含まれているため、このままでは保存できません。");
    }
    const std::optional<qint16> count = cardCountFromText(m_countBox->text());
    if (count && k + 1 > *count) {
        palette.setColor(QPalette::Text, BeyondCountText);
        if (why.isEmpty())
            why = QStringLiteral("枚数の外の札です。ここの文字も保存されます。");
    }
    box->setPalette(palette);
    box->setToolTip(why);
    box->setAccessibleDescription(why);
}

void EditorWindow::refreshEntry(int k)
{
    const std::optional<qint16> count = cardCountFromText(m_countBox->text());
    const bool inPlay = count && k < *count;
    EntryPicture *box = m_pictureBoxes[k];
    const bool reading = readingAfterSave(k);
    EntryPicture::Marks marks;
    if (inPlay && !box->hasPicture())
        marks |= EntryPicture::NoPicture;
    if (inPlay && !reading)
        marks |= EntryPicture::NoReading;
    if (m_pending.hasChange(k + 1))
        marks |= EntryPicture::Unsaved;
    box->setMarks(marks);

    const QString label = m_labelBoxes[k]->text().trimmed();
    QString name = label.isEmpty() ? QStringLiteral("%1 番の札の絵").arg(k + 1)
                                   : QStringLiteral("%1 番「%2」の札の絵").arg(k + 1).arg(label);
    if (!box->hasPicture())
        name += QStringLiteral("（絵なし）");
    if (marks & EntryPicture::NoReading)
        name += QStringLiteral("（音声なし）");
    if (marks & EntryPicture::Unsaved)
        name += QStringLiteral("（保存していない変更あり）");
    box->setAccessibleName(name);
}

void EditorWindow::refreshEntries()
{
    for (int k = 0; k < CardState::MaxCards; ++k)
        refreshEntry(k);
}

void EditorWindow::scanReadings()
{
    for (int k = 0; k < CardState::MaxCards; ++k) {
        const QFileInfo file(CardState::soundPathIn(m_shownFolder, k + 1));
        m_readingOnDisk[k] = file.isFile() && file.size() > 0;
    }
}

bool EditorWindow::readingAfterSave(int k) const
{
    return m_pending.willHave(PendingMedia::Kind::Reading, k + 1, m_readingOnDisk[k]);
}

bool EditorWindow::pictureOnDisk(int card) const
{
    return QFileInfo(CardState::picturePathIn(m_shownFolder, card)).isFile();
}

int EditorWindow::entryAt(const QPoint &clientPoint) const
{
    namespace E = Layout::Editor;
    for (int k = 0; k < CardState::MaxCards; ++k) {
        const Layout::TwipRect cell{E::entry(k).left, E::entry(k).top, E::PictureSize.width,
                                    E::PictureOffsetY + E::PictureSize.height};
        if (cell.toPx().contains(clientPoint))
            return k + 1;
    }
    return 0;
}

bool EditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // The archive's progress goes when the work ends, not at Esc or its
    // close box: the work cannot be stopped halfway.
    if (m_archiveProgress && watched == m_archiveProgress
        && (type == QEvent::Close || (type == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape))) {
        event->ignore();
        return true;
    }
    if (type != QEvent::ContextMenu && type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QMainWindow::eventFilter(watched, event);
    const int box = int(std::find(m_labelBoxes.begin(), m_labelBoxes.end(), watched) - m_labelBoxes.begin());
    const bool labelBox = box < CardState::MaxCards;
    switch (type) {
    case QEvent::ContextMenu:
        if (labelBox && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
            showEntryMenu(box + 1, m_pictureBoxes[box]->mapToGlobal(m_pictureBoxes[box]->rect().center()));
            return true;
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (m_folderMode == 0 && !droppedFiles(drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList files = droppedFiles(drop->mimeData());
        if (m_folderMode != 0 || files.isEmpty())
            break;
        const QPoint at = labelBox ? m_labelBoxes[box]->mapTo(m_client, drop->position().toPoint())
                                   : drop->position().toPoint();
        // Several files dropped between the entries start at the first.
        int card = entryAt(at);
        if (card == 0 && files.size() > 1)
            card = 1;
        if (card != 0)
            takePictureFiles(card, files);
        drop->acceptProposedAction();
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::showEntryMenu(int card, const QPoint &globalPos)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    m_menuCard = card;
    m_removePictureAction->setEnabled(m_pictureBoxes[card - 1]->hasPicture());
    const bool reading = readingAfterSave(card - 1);
    m_listenAction->setEnabled(reading && m_host);
    m_removeReadingAction->setEnabled(reading);
    // popup, not exec: the menu needs no event loop of its own.
    m_entryMenu->popup(globalPos);
}

void EditorWindow::whenWritable(std::function<void()> change)
{
    if (m_data.folderIsWritable(m_shownFolder)) {
        change();
        return;
    }
    if (m_question && m_question->isVisible())
        return;
    m_question = new QMessageBox(QMessageBox::Question, QStringLiteral("札の組を複製"),
                                 QStringLiteral("この札の組のフォルダ「%1」には書き込めません"
                                                "（インストールされた標準の札や、書き込めない場所にある札です）。\n\n"
                                                "写真や音声を変えるには、先にこの札の組を複製して、自分の札の組にします。"
                                                "複製しますか？")
                                     .arg(QDir::toNativeSeparators(m_shownFolder)),
                                 QMessageBox::Yes | QMessageBox::No, this);
    m_question->setObjectName(QStringLiteral("copyQuestion"));
    m_question->setTextFormat(Qt::PlainText);
    m_question->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_question, &QMessageBox::finished, this, [this, change](int answer) {
        if (answer == QMessageBox::Yes)
            askDuplicate(change);
    });
    m_question->open();
}

void EditorWindow::whenMediaSettled(std::function<void()> proceed)
{
    if (!m_pending.hasChanges() && !makingPictures()) {
        proceed();
        return;
    }
    if (m_question && m_question->isVisible())
        return;
    m_question = new QMessageBox(QMessageBox::Question, QStringLiteral("保存"),
                                 QStringLiteral("写真と音声の変更が保存されていません。保存しますか？"),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    m_question->setObjectName(QStringLiteral("unsavedQuestion"));
    m_question->setTextFormat(Qt::PlainText);
    m_question->setDefaultButton(QMessageBox::Yes);
    m_question->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_question, &QMessageBox::finished, this, [this, proceed](int answer) {
        // Once the question is gone: 保存 may have a message of its own.
        QMetaObject::invokeMethod(
            this,
            [this, proceed, answer] {
                if (answer == QMessageBox::Yes) {
                    cancelPictures(); // what is made so far is saved
                    if (save())
                        proceed();
                } else if (answer == QMessageBox::No) {
                    discardMedia();
                    proceed();
                }
            },
            Qt::QueuedConnection);
    });
    m_question->open();
}

void EditorWindow::discardMedia()
{
    cancelPictures();
    stopListening();
    // The boxes changed show the set as saved again.
    const std::optional<qint16> count = cardCountFromText(m_countBox->text());
    for (int card = 1; card <= CardState::MaxCards; ++card) {
        if (!m_pending.picture(card))
            continue;
        if (!count || card > *count || !m_pictureBoxes[card - 1]->loadPicture(CardState::picturePathIn(m_shownFolder, card)))
            m_pictureBoxes[card - 1]->clearPicture();
    }
    m_pending.clear();
    // Nor are readings still being made from sound files.
    for (quint64 &generation : m_readingGeneration)
        ++generation;
    refreshEntries();
}

void EditorWindow::keepPicture(int card, const QByteArray &jpeg, const QImage &image)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    m_pending.setPicture(card, jpeg);
    m_pictureBoxes[card - 1]->showImage(image);
    refreshEntry(card - 1);
}

void EditorWindow::keepReading(int card, const QByteArray &wav)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    ++m_readingGeneration[card - 1]; // a sound file still being read for it is not wanted
    m_pending.setReading(card, wav);
    refreshEntry(card - 1);
}

void EditorWindow::removePicture(int card)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    ++m_pictureGeneration[card - 1]; // a picture still being made for it is not wanted
    if (pictureOnDisk(card))
        m_pending.removePicture(card);
    else
        m_pending.forget(PendingMedia::Kind::Picture, card);
    m_pictureBoxes[card - 1]->clearPicture();
    refreshEntry(card - 1);
}

void EditorWindow::removeReading(int card)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    ++m_readingGeneration[card - 1];
    if (m_readingOnDisk[card - 1])
        m_pending.removeReading(card);
    else
        m_pending.forget(PendingMedia::Kind::Reading, card);
    refreshEntry(card - 1);
}

void EditorWindow::takePictureFiles(int card, const QStringList &files)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    // Picture files by their names only; in file-name order as a file
    // manager shows them (photo2 before photo10).
    QStringList suffixes;
    for (const QString &filter : cardphoto::nameFilters())
        suffixes << filter.mid(2).toLower();
    QStringList pictures, skipped;
    for (const QString &file : files)
        (suffixes.contains(QFileInfo(file).suffix().toLower()) ? pictures : skipped) << file;
    std::sort(pictures.begin(), pictures.end(), [](const QString &a, const QString &b) {
        const int byName = compareFileNames(QFileInfo(a).fileName(), QFileInfo(b).fileName());
        return byName != 0 ? byName < 0 : a < b;
    });
    const int room = CardState::MaxCards - card + 1;
    const QStringList beyond = pictures.mid(room);
    pictures = pictures.mid(0, room);

    QList<std::pair<int, QString>> work;
    QList<int> replaced;
    for (int i = 0; i < pictures.size(); ++i) {
        work.append({card + i, pictures[i]});
        if (m_pictureBoxes[card + i - 1]->hasPicture())
            replaced << card + i;
    }
    QStringList notes;
    if (!skipped.isEmpty())
        notes << QStringLiteral("写真として読めない種類のファイルは使いませんでした：\n%1").arg(skipped.join(u'\n'));
    if (!beyond.isEmpty())
        notes << QStringLiteral("%1 番より後には札がないため、次の %2 枚は使いませんでした：\n%3")
                     .arg(CardState::MaxCards)
                     .arg(beyond.size())
                     .arg(beyond.join(u'\n'));
    if (!notes.isEmpty())
        ui::showWarning(this, m_notice, QStringLiteral("写真"), notes.join(QStringLiteral("\n\n")));
    if (work.isEmpty())
        return;
    whenWritable([this, work, replaced] {
        // One picture for one entry is what the user pointed at; several
        // may well run over pictures the user meant to keep.
        if (work.size() > 1 && !replaced.isEmpty())
            askReplace(replaced, [this, work] { startPictures(work); });
        else
            startPictures(work);
    });
}

void EditorWindow::askReplace(const QList<int> &cards, std::function<void()> replace)
{
    if (m_question && m_question->isVisible())
        return;
    m_question = new QMessageBox(QMessageBox::Question, QStringLiteral("写真"),
                                 QStringLiteral("%1 番にはもう写真があります（%2 枚）。新しい写真に置きかえますか？")
                                     .arg(cardList(cards))
                                     .arg(cards.size()),
                                 QMessageBox::Yes | QMessageBox::No, this);
    m_question->setObjectName(QStringLiteral("replaceQuestion"));
    m_question->setTextFormat(Qt::PlainText);
    m_question->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_question, &QMessageBox::finished, this, [replace](int answer) {
        if (answer == QMessageBox::Yes)
            replace();
    });
    m_question->open();
}

void EditorWindow::startPictures(const QList<std::pair<int, QString>> &work)
{
    if (m_picturesAsked == 0)
        m_pictureProblems.clear();
    const std::shared_ptr<std::atomic_bool> cancelled = m_cancelled;
    const quint64 batch = m_pictureBatch;
    for (const auto &[card, file] : work) {
        const quint64 generation = ++m_pictureGeneration[card - 1];
        auto *watcher = new QFutureWatcher<cardphoto::Made>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, card, generation, batch, file] {
            // Work cancelled as a whole is neither kept nor counted.
            if (batch == m_pictureBatch)
                pictureMade(card, generation, file, watcher->result());
            watcher->deleteLater();
        });
        watcher->setFuture(QtConcurrent::run(&m_pool, [file, cancelled] {
            return cancelled->load() ? cardphoto::Made{} : cardphoto::fromFile(file);
        }));
        ++m_picturesAsked;
    }
    showProgress();
}

void EditorWindow::pictureMade(int card, quint64 generation, const QString &file, const cardphoto::Made &made)
{
    ++m_picturesDone;
    if (generation == m_pictureGeneration[card - 1]) {
        if (made.ok() && !made.jpeg.isEmpty())
            keepPicture(card, made.jpeg, made.image);
        else if (!made.ok())
            m_pictureProblems << QStringLiteral("%1 番：%2（%3）").arg(card).arg(QFileInfo(file).fileName(), made.error);
    }
    if (m_picturesDone < m_picturesAsked) {
        showProgress();
        return;
    }
    m_picturesAsked = m_picturesDone = 0;
    m_progressTimer->stop();
    m_progressPanel->hide();
    if (!m_pictureProblems.isEmpty())
        ui::showWarning(this, m_notice, QStringLiteral("写真"),
                        QStringLiteral("次のファイルは写真にできませんでした：\n") + m_pictureProblems.join(u'\n'));
    Q_EMIT picturesMade();
}

void EditorWindow::showProgress()
{
    // One picture is quick; several get a bar and a way to stop, at once.
    if (m_picturesAsked <= 1 || m_progressTimer->isActive())
        return;
    m_progressTimer->start(m_progressPanel->isVisible() ? m_progressTimer->interval() : 0);
}

void EditorWindow::cancelPictures()
{
    if (!makingPictures())
        return;
    // What has not started yet will not; what has is dropped when it ends.
    m_cancelled->store(true);
    m_cancelled = std::make_shared<std::atomic_bool>(false);
    ++m_pictureBatch;
    m_picturesAsked = m_picturesDone = 0;
    m_pictureProblems.clear();
    m_progressTimer->stop();
    m_progressPanel->hide();
    Q_EMIT picturesMade();
}

void EditorWindow::listen(int card)
{
    if (!m_host || card < 1 || card > CardState::MaxCards)
        return;
    if (!m_sound) {
        m_sound = m_host->makeSoundDevice(this);
        m_sound->prepare();
        connect(m_sound, &SoundDevice::done, this, &EditorWindow::listened);
        connect(m_sound, &SoundDevice::noSoundOutput, this,
                [this] { ui::showWarning(this, m_notice, ui::programTitle(), ui::noSoundOutputText()); });
    }
    stopListening();
    QString path = CardState::soundPathIn(m_shownFolder, card);
    // A reading not saved yet is played from a file of its own.
    if (const std::optional<PendingMedia::Change> reading = m_pending.reading(card); reading && !reading->removed) {
        m_listenFile = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/ginrei-listen-XXXXXX.wav"));
        if (!m_listenFile->open() || m_listenFile->write(reading->bytes) != reading->bytes.size() || !m_listenFile->flush())
            return;
        path = m_listenFile->fileName();
    }
    m_sound->play(path);
}

void EditorWindow::listened(int notifyCode)
{
    m_sound->close();
    m_sound->releaseOutput();
    if (notifyCode != SoundDevice::Successful)
        ui::showWarning(this, m_notice, QStringLiteral("聞く"), QStringLiteral("この音声は再生できませんでした。"));
}

void EditorWindow::stopListening()
{
    if (m_sound) {
        m_sound->stopAndClose();
        m_sound->releaseOutput();
    }
}

void EditorWindow::askNewSet()
{
    whenMediaSettled([this] {
        auto *dialog = new SetNameDialog(
            this, QStringLiteral("新しい札の組"),
            QStringLiteral("新しい札の組は「%1」の中に作られます。").arg(QDir::toNativeSeparators(m_setsFolder)), true,
            [this](const QString &name) { return cardsets::nameProblem(m_data, m_setsFolder, name); });
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::accepted, this, [this, dialog] {
            const cardsets::Outcome made = cardsets::create(m_setsFolder, dialog->name(), dialog->count());
            if (made.ok())
                showSetIn(made.folder);
            else
                ui::showWarning(this, m_notice, QStringLiteral("新しい札の組"), made.error);
        });
        dialog->open();
    });
}

void EditorWindow::askDuplicate(std::function<void()> then)
{
    if (m_copying)
        return;
    auto *dialog = new SetNameDialog(
        this, QStringLiteral("この札の組を複製"),
        QStringLiteral("「%1」の札の組を、写真と音声ごと「%2」の中に写します。新しい名前を入れてください。")
            .arg(QDir::toNativeSeparators(m_shownFolder), QDir::toNativeSeparators(m_setsFolder)),
        false, [this](const QString &name) { return cardsets::nameProblem(m_data, m_setsFolder, name); });
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, then] {
        // For a folder without a karudata.dat of its own: the labels and
        // count as shown.
        DataRecord record;
        for (int k = 0; k < CardState::MaxCards; ++k)
            record.setLabel(k + 1, m_labelBoxes[k]->text());
        record.setCount(cardCountFromText(m_countBox->text()).value_or(qint16(CardState::DefaultCount)));
        m_copying = true;
        m_setMenu->setEnabled(false);
        auto *watcher = new QFutureWatcher<cardsets::Outcome>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, then] {
            const cardsets::Outcome made = watcher->result();
            watcher->deleteLater();
            m_copying = false;
            m_setMenu->setEnabled(true);
            if (made.ok()) {
                showCopiedSet(made.folder);
                if (then)
                    then();
            } else {
                ui::showWarning(this, m_notice, QStringLiteral("この札の組を複製"), made.error);
            }
            Q_EMIT duplicateDone();
        });
        // Copying may read a whole set from a slow stick.
        watcher->setFuture(QtConcurrent::run(&m_pool, &cardsets::duplicate, m_setsFolder, dialog->name(), m_shownFolder,
                                             record.bytes()));
    });
    dialog->open();
}

void EditorWindow::showSetIn(const QString &folder)
{
    whenMediaSettled([this, folder] {
        showChooser(false);
        m_folderMode = 0;
        showFolder(folder);
        readChosenFolder();
    });
}

void EditorWindow::showCopiedSet(const QString &folder)
{
    // The copy holds what the grid shows: the labels, the pictures and the
    // changes not saved yet stay as they are, bound for the copy now.
    showChooser(false);
    m_folderMode = 0;
    m_shownFolder = folder;
    showFolder(folder);
    scanReadings();
    refreshEntries();
}

void EditorWindow::closeRecordingUnlessFor(const QString &folder)
{
    if (m_recording && folder != m_recordingFolder)
        m_recording->close();
}

void EditorWindow::record(int card)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    if (m_recording) {
        m_recording->raise();
        m_recording->activateWindow();
        if (m_recording->card() != card)
            tell(QStringLiteral("録音"),
                 QStringLiteral("%1 番の録音の画面が開いています。そちらを「保存」か「やめる」で閉じてから録音してください。")
                     .arg(m_recording->card()),
                 true);
        return;
    }
    // Its own device for 聞く, so that the editor's 聞く never cuts it off.
    SoundDevice *player = m_host ? m_host->makeSoundDevice(nullptr) : nullptr;
    if (player)
        player->prepare();
    m_recording = new RecordingWindow(card, m_labelBoxes[card - 1]->text(), player, this);
    if (player)
        player->setParent(m_recording);
    m_recordingFolder = m_shownFolder;
    connect(m_recording, &RecordingWindow::readingReady, this, [this](int card, const QByteArray &wav) {
        if (m_shownFolder == m_recordingFolder)
            keepReading(card, wav);
    });
    // Over the grid, not wherever the desktop puts a new window.
    m_recording->adjustSize();
    m_recording->move(geometry().center() - m_recording->rect().center());
    m_recording->show();
    m_recording->raise();
    m_recording->activateWindow();
}

void EditorWindow::takeReadingFile(int card, const QString &file)
{
    if (card < 1 || card > CardState::MaxCards)
        return;
    const quint64 generation = ++m_readingGeneration[card - 1];
    const QString folder = m_shownFolder;
    auto *watcher = new QFutureWatcher<readingprep::Reading>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, card, generation, folder, file] {
        const readingprep::Reading reading = watcher->result();
        watcher->deleteLater();
        if (generation == m_readingGeneration[card - 1] && folder == m_shownFolder) {
            if (reading.ok())
                keepReading(card, reading.wav);
            else
                tell(QStringLiteral("音声"),
                     QStringLiteral("「%1」は %2 番の読みにできません。\n%3")
                         .arg(QDir::toNativeSeparators(file))
                         .arg(card)
                         .arg(reading.reason),
                     true);
        }
        Q_EMIT readingMade();
    });
    // Decoding a long file takes a moment; the match waits on the global pool.
    watcher->setFuture(QtConcurrent::run(&m_pool, &readingFromFile, file));
}

template <class Work, class Done>
void EditorWindow::runArchiveWork(const QString &text, Work work, Done done)
{
    using Result = std::invoke_result_t<Work>;
    m_archiveProgress = new QProgressDialog(text, QString(), 0, 0, this);
    m_archiveProgress->setObjectName(QStringLiteral("archiveProgress"));
    m_archiveProgress->setWindowTitle(QStringLiteral("札の組"));
    m_archiveProgress->setMinimumDuration(0);
    m_archiveProgress->installEventFilter(this);
    // Window-modal: the set is not changed under the work, and the window
    // still paints and answers.
    m_archiveProgress->open();
    m_setMenu->setEnabled(false);
    auto *watcher = new QFutureWatcher<Result>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, done] {
        const Result result = watcher->result();
        watcher->deleteLater();
        // Let go of the box before it is deleted: its destructor still sends
        // events through our filter, by then no longer as a progress dialog.
        QProgressDialog *progress = m_archiveProgress.data();
        m_archiveProgress = nullptr;
        if (progress) {
            progress->removeEventFilter(this);
            delete progress;
        }
        m_setMenu->setEnabled(true);
        done(result);
        Q_EMIT archiveDone();
    });
    watcher->setFuture(QtConcurrent::run(&m_pool, work));
}

RecordingWindow *EditorWindow::recordingWindow() const
{
    return m_recording;
}

bool EditorWindow::archiveBusy() const
{
    return m_archiveProgress;
}

bool EditorWindow::hasUnsavedChanges() const
{
    if (m_pending.hasChanges() || makingPictures())
        return true;
    const std::optional<qint16> count = cardCountFromText(m_countBox->text());
    QFile file(m_shownFolder + u'/' + QLatin1String(CardState::DataFileName));
    if (!count || !file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray head = file.read(DataRecord::Size);
    if (recordCount(file.size(), DataRecord::Size) == 0)
        return true;
    // What 保存 would write over it.
    const DataRecord saved = DataRecord::fromBytes(head);
    DataRecord shown = saved;
    for (int k = 1; k <= CardState::MaxCards; ++k)
        shown.setLabel(k, m_labelBoxes[k - 1]->text());
    shown.setCount(*count);
    return shown.bytes() != saved.bytes();
}

void EditorWindow::askExport()
{
    if (archiveBusy() || m_copying)
        return;
    // The set the grid shows is written, never a folder browsed to.
    if (m_folderMode != 0)
        folderListKeyPressed(27);
    if (!hasUnsavedChanges()) {
        chooseExportFile();
        return;
    }
    if (m_question && m_question->isVisible())
        return;
    m_question = new QMessageBox(QMessageBox::Question, QStringLiteral("書き出す"),
                                 QStringLiteral("この札の組には保存していない変更があります。書き出されるのは保存してある札の組です。\n\n"
                                                "先に保存してから書き出しますか？（「いいえ」は保存してあるまま書き出します）"),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    m_question->setObjectName(QStringLiteral("exportQuestion"));
    m_question->setTextFormat(Qt::PlainText);
    m_question->setDefaultButton(QMessageBox::Yes);
    m_question->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_question, &QMessageBox::finished, this, [this](int answer) {
        // Once the question is gone: 保存 has a message of its own.
        QMetaObject::invokeMethod(
            this,
            [this, answer] {
                if (answer == QMessageBox::Yes) {
                    cancelPictures(); // what is made so far is saved
                    if (save())
                        chooseExportFile();
                } else if (answer == QMessageBox::No) {
                    chooseExportFile();
                }
            },
            Qt::QueuedConnection);
    });
    m_question->open();
}

void EditorWindow::chooseExportFile()
{
    QString name = QFileInfo(m_shownFolder).fileName();
    if (name.isEmpty() || !cardsetarchive::nameProblem(name).isEmpty())
        name = QStringLiteral("札の組");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    auto *dialog = new QFileDialog(this, QStringLiteral("札の組を書き出す"),
                                   QDir(QFileInfo(folder).isDir() ? folder : QDir::homePath()).filePath(name + QStringLiteral(".zip")),
                                   QStringLiteral("札の組 (*.zip)"));
    dialog->setObjectName(QStringLiteral("exportDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("zip"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &EditorWindow::exportTo);
    dialog->open();
}

void EditorWindow::exportTo(const QString &zipPath)
{
    if (archiveBusy())
        return;
    const QString folder = m_shownFolder;
    runArchiveWork(
        QStringLiteral("札の組を書き出しています…"),
        [folder, zipPath] { return cardsetarchive::exportSet(folder, zipPath, picturecheck::problem); },
        [this](const cardsetarchive::Result &result) {
            QString text = result.ok() ? QStringLiteral("書き出しました：\n%1").arg(QDir::toNativeSeparators(result.path))
                                       : QStringLiteral("書き出せませんでした。\n\n%1").arg(result.reason);
            if (result.ok() && !result.skipped.isEmpty())
                text += QStringLiteral("\n\n読み込むときに使えないため、次のファイルは入れていません：\n")
                    + skippedText(result.skipped);
            tell(QStringLiteral("書き出す"), text, !result.ok());
        });
}

void EditorWindow::askImport()
{
    if (archiveBusy() || m_copying)
        return;
    // The new set is shown at the end: media changes for this one first.
    whenMediaSettled([this] {
        auto *dialog = new QFileDialog(this, QStringLiteral("札の組を読み込む"), QDir::homePath(),
                                       QStringLiteral("札の組 (*.zip *.ZIP);;すべてのファイル (*)"));
        dialog->setObjectName(QStringLiteral("importDialog"));
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &zipPath) {
            auto *names = new SetNameDialog(
                this, QStringLiteral("札の組を読み込む"),
                QStringLiteral("「%1」を新しい札の組として「%2」の中に読み込みます。名前を入れてください。")
                    .arg(QDir::toNativeSeparators(zipPath), QDir::toNativeSeparators(m_setsFolder)),
                false, [this](const QString &name) { return cardsets::nameProblem(m_data, m_setsFolder, name); });
            names->setName(QFileInfo(zipPath).completeBaseName());
            names->setWindowModality(Qt::WindowModal);
            names->setAttribute(Qt::WA_DeleteOnClose);
            connect(names, &QDialog::accepted, this, [this, names, zipPath] { importFrom(zipPath, names->name()); });
            names->open();
        });
        dialog->open();
    });
}

void EditorWindow::importFrom(const QString &zipPath, const QString &name)
{
    if (archiveBusy())
        return;
    const QString sets = m_setsFolder;
    runArchiveWork(
        QStringLiteral("札の組を読み込んでいます…"),
        [zipPath, sets, name] { return cardsetarchive::importFile(zipPath, sets, name, picturecheck::problem); },
        [this](const cardsetarchive::Result &result) {
            const QString skipped = result.skipped.isEmpty()
                ? QString()
                : QStringLiteral("\n\n次のファイルは札の組のファイルとして使えないため、読み込みません：\n")
                    + skippedText(result.skipped);
            if (!result.ok()) {
                tell(QStringLiteral("読み込む"), QStringLiteral("読み込めませんでした。何も作っていません。\n\n%1").arg(result.reason) + skipped,
                     true);
                return;
            }

            showSetIn(result.path);
            if (!skipped.isEmpty())
                tell(QStringLiteral("読み込む"),
                     QStringLiteral("「%1」に読み込みました。").arg(QDir::toNativeSeparators(result.path)) + skipped, false);
        });
}

void EditorWindow::tell(const QString &title, const QString &text, bool problem)
{
    ui::showWarning(this, m_notice, title, text);
    m_notice->setObjectName(QStringLiteral("notice"));
    if (!problem)
        m_notice->setIcon(QMessageBox::Information);
}
