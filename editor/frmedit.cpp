// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/frmedit.h"

#include "app/uikit.h"
#include "data/module1.h"
#include "editor/folderlists.h"

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
QString startFolder(const Module1 &data)
{
    for (const QString &folder : {data.cardFolder(), data.programFolder(), QDir::homePath()})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::rootPath();
}
} // namespace

FrmEdit::FrmEdit(Module1 &data) : m_data(data)
{
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QStringLiteral("かるた設定"));

    auto *client = new QWidget(this);
    ui::setBackground(client, Background);
    setCentralWidget(client);

    // Top line, in tab order: the count box comes first.
    Label2[0] = ui::caption(client, QStringLiteral("現在のかるたフォルダ"), Layout::Edit::Label2_0);
    Label3 = pinkLabel(new FolderLabel(client), Layout::Edit::Label3);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label2[1] = ui::caption(client, QStringLiteral("かるたの枚数"), Layout::Edit::Label2_1);
    Text2 = new QLineEdit(client);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(Layout::Edit::Text2.toPx());
    Label2[1]->setBuddy(Text2);
    Label2[2] = ui::caption(client, QStringLiteral("枚"), Layout::Edit::Label2_2);
    for (int i = 0; i < 3; ++i) {
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        // The window's own small proportional font: the captions were sized for it.
        Label2[i]->setFont(ui::font(ui::PGothic, 9, false));
    }

    for (int k = 0; k < Module1::MaxCards; ++k) {
        const QPoint at = Layout::Edit::entry(k).toPx();
        Text1[k] = new QLineEdit(client);
        Text1[k]->setObjectName(QStringLiteral("Text1_%1").arg(k));
        Text1[k]->setFont(ui::font(ui::Gothic, 11.25, true));
        Text1[k]->setGeometry(QRect(at, Layout::Edit::Text1Size.toPx()));

        Label1[k] = pinkLabel(new QLabel(client), {Layout::Edit::entry(k).left + Layout::Edit::Label1OffsetX,
                                                   Layout::Edit::entry(k).top, Layout::Edit::Label1Size.width,
                                                   Layout::Edit::Label1Size.height});
        Label1[k]->setObjectName(QStringLiteral("Label1_%1").arg(k));
        Label1[k]->setTextFormat(Qt::PlainText);
        Label1[k]->setFont(ui::font(ui::PGothic, 12, true));
        Label1[k]->setText(QString::number(k + 1));
        Label1[k]->setBuddy(Text1[k]);

        Img1[k] = new ui::PictureBox(client);
        Img1[k]->setObjectName(QStringLiteral("Img1_%1").arg(k));
        Img1[k]->setGeometry(QRect(at + QPoint(0, Layout::px(Layout::Edit::Img1OffsetY)), Layout::Edit::Img1Size.toPx()));

        connect(Text1[k], &QLineEdit::textChanged, this, [this, k] {
            styleLabelBox(k);
            nameImage(k);
        });
    }
    m_plainText1 = Text1[0]->palette();
    connect(Text2, &QLineEdit::textChanged, this, [this] {
        for (int k = 0; k < Module1::MaxCards; ++k)
            styleLabelBox(k);
    });

    // The chooser lies over the upper part of the grid.
    Drive1 = new DriveList(client);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(Layout::Edit::Drive1.toPx());
    Dir1 = new DirList(client);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(Layout::Edit::Dir1.toPx());
    File1 = new FileList(client);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Layout::Edit::File1.toPx());
    Drive1->setAccessibleName(QStringLiteral("ドライブ"));
    Dir1->setAccessibleName(QStringLiteral("フォルダ"));
    File1->setAccessibleName(QStringLiteral("フォルダの中のファイル"));
    // Choosing a drive, even the one shown, goes to its root.
    connect(Drive1, &QComboBox::activated, this, &FrmEdit::Drive1_Change);
    connect(Dir1, &DirList::changed, this, &FrmEdit::Dir1_Change);
    connect(Dir1, &DirList::keyPressed, this, &FrmEdit::Dir1_KeyPress);

    mnuWrite = menuBar()->addAction(QStringLiteral("保存"), this, &FrmEdit::mnuWrite_Click);
    mnuWrite->setObjectName(QStringLiteral("mnuWrite"));
    mnuForuda = menuBar()->addAction(QStringLiteral("フォルダ変更"), this, &FrmEdit::mnuForuda_Click);
    mnuForuda->setObjectName(QStringLiteral("mnuForuda"));
    mnuEnd = menuBar()->addAction(QStringLiteral("戻る"), this, &FrmEdit::mnuEnd_Click);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    client->setFixedSize(Layout::Edit::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());

    Form_Load();
}

void FrmEdit::Form_Load()
{
    ui::placeTopCentred(this, 0);
    FolderMode = 0;
    showChooser(false);
    Dir1->setPath(startFolder(m_data));
    for (int k = 0; k < Module1::MaxCards; ++k)
        nameImage(k);
}

void FrmEdit::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        // Again now that the frame is known, so that it is really centred.
        ui::placeTopCentred(this, 0);
    }
}

void FrmEdit::DataHyoji()
{
    const int count = qBound(0, int(m_data.cardCount()), Module1::MaxCards);
    showLabels(m_data.labels(), count);
    for (int i = 1; i <= Module1::MaxCards; ++i) {
        // A missing picture leaves its box empty.
        if (i <= count)
            Img1[i - 1]->loadPicture(m_data.cardPicturePath(i));
        else
            Img1[i - 1]->clearPicture();
        nameImage(i - 1);
    }
    showFolder(m_data.cardFolder());
    m_shownFolder = m_data.cardFolder();
    Text2->setText(QString::number(m_data.cardCount()));
}

void FrmEdit::showLabels(const Module1::LabelTable &labels, int count)
{
    for (int i = 1; i <= Module1::MaxCards; ++i) {
        Label1[i - 1]->setText(QString::number(i));
        // Beyond the count a label is still part of the set, shown greyed:
        // a count lowered and raised again finds it there, and a save keeps
        // it. A blank one shows as an empty box.
        const QString &label = labels[i];
        Text1[i - 1]->setText(i > count && label.trimmed().isEmpty() ? QString() : label);
    }
}

void FrmEdit::showFolder(const QString &folder)
{
    Label3->setText(folder);
    Label3->setToolTip(folder);
}

SaveRequest FrmEdit::saveRequest() const
{
    SaveRequest request;
    request.folder = Label3->text();
    for (int k = 0; k < Module1::MaxCards; ++k)
        request.labels[k] = Text1[k]->text();
    request.countText = Text2->text();
    return request;
}

void FrmEdit::mnuWrite_Click()
{
    RecWrite();
}

void FrmEdit::RecWrite()
{
    CardSetSaver saver(m_data);
    const CardSetSaver::Result result = saver.save(saveRequest());
    if (result.outcome == CardSetSaver::Saved)
        ui::inform(this, QStringLiteral("保存"), QStringLiteral("保存しました"));
    else
        ui::warn(this, QStringLiteral("保存"), result.message);
}

void FrmEdit::mnuEnd_Click()
{
    hide();
}

void FrmEdit::closeEvent(QCloseEvent *event)
{
    mnuEnd_Click();
    event->accept();
}

void FrmEdit::showChooser(bool shown)
{
    Drive1->setVisible(shown);
    Dir1->setVisible(shown);
    File1->setVisible(shown);
    if (shown) {
        Drive1->raise();
        Dir1->raise();
        File1->raise();
        Dir1->setFocus();
    }
    mnuForuda->setText(shown ? QStringLiteral("フォルダ確定") : QStringLiteral("フォルダ変更"));
}

void FrmEdit::mnuForuda_Click()
{
    if (FolderMode == 0) {
        showChooser(true);
        FolderMode = 1;
    } else {
        showChooser(false);
        FolderMode = 0;
        FolRead();
    }
}

void FrmEdit::Drive1_Change()
{
    // A volume that cannot be listed leaves the directory where it was.
    if (!Dir1->setPath(Drive1->drive()))
        Drive1->showDriveOf(Dir1->path());
}

void FrmEdit::Dir1_Change()
{
    File1->setPath(Dir1->path());
    showFolder(File1->path());
    Drive1->showDriveOf(Dir1->path());
}

void FrmEdit::Dir1_KeyPress(int keyAscii)
{
    if (keyAscii != 27)
        return;
    // Cancels the choice: the folder label goes back to the folder whose
    // set the grid shows, so that a save cannot put that set elsewhere.
    showChooser(false);
    FolderMode = 0;
    showFolder(m_shownFolder);
}

void FrmEdit::DataClear()
{
    for (int k = 0; k < Module1::MaxCards; ++k) {
        Img1[k]->clearPicture();
        nameImage(k);
    }
}

void FrmEdit::FolRead()
{
    DataClear();
    const QString folder = Label3->text();
    m_shownFolder = folder;
    // Consecutive pictures from karue01.jpg, as many as the board holds;
    // the first that cannot be loaded ends the count.
    int loaded = 0;
    while (loaded < Module1::MaxCards && Img1[loaded]->loadPicture(Module1::picturePathIn(folder, loaded + 1))) {
        nameImage(loaded);
        ++loaded;
    }
    // A folder that holds a set of its own shows that set, so that a save
    // writes back what it holds rather than the labels of the set before.
    if (const std::optional<Module1::StoredSet> stored = Module1::readStoredSet(folder)) {
        showLabels(stored->labels, stored->count);
        Text2->setText(QString::number(stored->count));
    } else {
        Text2->setText(QString::number(loaded));
    }
}

void FrmEdit::styleLabelBox(int k)
{
    QLineEdit *box = Text1[k];
    const LabelFit fit = fitLabel(box->text());
    QPalette palette = m_plainText1;
    QString why;
    if (fit.state == LabelFit::Cut) {
        palette.setColor(QPalette::Base, CutColour);
        why = QStringLiteral("長すぎるため、ファイルには「%1」だけが保存されます（全角 1 文字か半角 2 文字まで）。")
                  .arg(fit.stored.isEmpty() ? QStringLiteral("（空白）") : fit.stored);
    } else if (fit.state == LabelFit::Unstorable) {
        palette.setColor(QPalette::Base, UnstorableColour);
        why = QStringLiteral("ファイルに記録できない文字が含まれているため、このままでは保存できません。");
    }
    const std::optional<qint16> count = cardCountFromText(Text2->text());
    if (count && k + 1 > *count) {
        palette.setColor(QPalette::Text, BeyondCountText);
        if (why.isEmpty())
            why = QStringLiteral("枚数の外の札です。ここの文字も保存されます。");
    }
    box->setPalette(palette);
    box->setToolTip(why);
    box->setAccessibleDescription(why);
}

void FrmEdit::nameImage(int k)
{
    const QString label = Text1[k]->text().trimmed();
    QString name = label.isEmpty() ? QStringLiteral("%1 番の札の絵").arg(k + 1)
                                   : QStringLiteral("%1 番「%2」の札の絵").arg(k + 1).arg(label);
    if (!Img1[k]->hasPicture())
        name += QStringLiteral("（絵なし）");
    Img1[k]->setAccessibleName(name);
}
