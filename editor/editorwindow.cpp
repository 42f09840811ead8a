// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/editorwindow.h"

#include "data/cardstate.h"
#include "editor/folderlists.h"
#include "ui/uikit.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>

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
} // namespace

EditorWindow::EditorWindow(CardState &data) : m_data(data)
{
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QStringLiteral("かるた設定"));

    auto *client = new QWidget(this);
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

        m_pictureBoxes[k] = new ui::PictureBox(client);
        m_pictureBoxes[k]->setObjectName(QStringLiteral("Img1_%1").arg(k));
        m_pictureBoxes[k]->setGeometry(QRect(at + QPoint(0, Layout::px(E::PictureOffsetY)), E::PictureSize.toPx()));

        connect(m_labelBoxes[k], &QLineEdit::textChanged, this, [this, k] {
            styleLabelBox(k);
            namePicture(k);
        });
    }
    m_plainLabelBox = m_labelBoxes[0]->palette();
    connect(m_countBox, &QLineEdit::textChanged, this, [this] {
        for (int k = 0; k < CardState::MaxCards; ++k)
            styleLabelBox(k);
    });

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

    QAction *saveAction = menuBar()->addAction(QStringLiteral("保存"), this, &EditorWindow::save);
    saveAction->setObjectName(QStringLiteral("mnuWrite"));
    m_folderAction = menuBar()->addAction(QStringLiteral("フォルダ変更"), this, &EditorWindow::toggleFolderChooser);
    m_folderAction->setObjectName(QStringLiteral("mnuForuda"));
    QAction *backAction = menuBar()->addAction(QStringLiteral("戻る"), this, &EditorWindow::goBack);
    backAction->setObjectName(QStringLiteral("mnuEnd"));

    client->setFixedSize(E::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());

    load();
}

void EditorWindow::load()
{
    ui::placeTopCentred(this, 0);
    m_folderMode = 0;
    showChooser(false);
    m_folderList->setPath(startFolder(m_data));
    for (int k = 0; k < CardState::MaxCards; ++k)
        namePicture(k);
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
    const int count = qBound(0, int(m_data.cardCount()), CardState::MaxCards);
    showLabels(m_data.labels(), count);
    for (int i = 1; i <= CardState::MaxCards; ++i) {
        // A missing picture leaves its box empty.
        if (i <= count)
            m_pictureBoxes[i - 1]->loadPicture(m_data.cardPicturePath(i));
        else
            m_pictureBoxes[i - 1]->clearPicture();
        namePicture(i - 1);
    }
    showFolder(m_data.cardFolder());
    m_shownFolder = m_data.cardFolder();
    m_countBox->setText(QString::number(m_data.cardCount()));
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
    return request;
}

void EditorWindow::save()
{
    CardSetSaver saver(m_data);
    const CardSetSaver::Result result = saver.save(saveRequest());
    if (result.outcome == CardSetSaver::Saved) {
        Q_EMIT cardSetSaved();
        ui::inform(this, QStringLiteral("保存"), QStringLiteral("保存しました"));
    } else
        ui::warn(this, QStringLiteral("保存"), result.message);
}

void EditorWindow::goBack()
{
    hide();
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    goBack();
    event->accept();
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
        showChooser(false);
        m_folderMode = 0;
        readChosenFolder();
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
        namePicture(k);
    }
}

void EditorWindow::readChosenFolder()
{
    clearPictures();
    const QString folder = m_folderLabel->text();
    m_shownFolder = folder;
    // Consecutive pictures from karue01.jpg, as many as the board holds;
    // the first that cannot be loaded ends the count.
    int loaded = 0;
    while (loaded < CardState::MaxCards && m_pictureBoxes[loaded]->loadPicture(CardState::picturePathIn(folder, loaded + 1))) {
        namePicture(loaded);
        ++loaded;
    }
    // A folder that holds a set of its own shows that set, so that a save
    // writes back what it holds rather than the labels of the set before.
    if (const std::optional<CardState::StoredSet> stored = CardState::readStoredSet(folder)) {
        showLabels(stored->labels, stored->count);
        m_countBox->setText(QString::number(stored->count));
    } else {
        m_countBox->setText(QString::number(loaded));
    }
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

void EditorWindow::namePicture(int k)
{
    const QString label = m_labelBoxes[k]->text().trimmed();
    QString name = label.isEmpty() ? QStringLiteral("%1 番の札の絵").arg(k + 1)
                                   : QStringLiteral("%1 番「%2」の札の絵").arg(k + 1).arg(label);
    if (!m_pictureBoxes[k]->hasPicture())
        name += QStringLiteral("（絵なし）");
    m_pictureBoxes[k]->setAccessibleName(name);
}
