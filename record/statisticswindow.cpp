// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/statisticswindow.h"

#include "data/cardstate.h"
#include "record/backgroundreader.h"
#include "record/trainingrecord.h"
#include "record/trainingstats.h"
#include "ui/uikit.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {
const QColor Background(255, 255, 192);
constexpr double Never = std::numeric_limits<double>::infinity();

QString seconds(std::optional<double> ms)
{
    return ms ? QString::number(*ms / 1000.0, 'f', 2) + QStringLiteral("秒") : QStringLiteral("－");
}

QString trendText(std::optional<double> ms)
{
    if (!ms)
        return QStringLiteral("－");
    // Faster is better: a minus sign is good news.
    const QString sign = *ms > 0 ? QStringLiteral("＋") : *ms < 0 ? QStringLiteral("－") : QString();
    return sign + QString::number(std::abs(*ms) / 1000.0, 'f', 2) + QStringLiteral("秒");
}

// The colour of one kind of opponent on the chart of matches: the five
// levels from green to red, the named steps in blues and purples, 合 brown,
// 練 pink.
QColor opponentColour(const QString &text)
{
    static const QHash<QString, QColor> colours{
        {QStringLiteral("1"), QColor(0, 160, 0)},    {QStringLiteral("2"), QColor(0, 128, 255)},
        {QStringLiteral("3"), QColor(224, 160, 0)},  {QStringLiteral("4"), QColor(255, 96, 0)},
        {QStringLiteral("5"), QColor(208, 0, 0)},    {QStringLiteral("初"), QColor(96, 192, 224)},
        {QStringLiteral("普"), QColor(64, 96, 224)}, {QStringLiteral("上"), QColor(128, 64, 208)},
        {QStringLiteral("名"), QColor(96, 0, 128)},  {QStringLiteral("合"), QColor(144, 96, 48)},
        {QStringLiteral("練"), QColor(224, 96, 160)},
    };
    return colours.value(text, QColor(96, 96, 96));
}

QString cardName(const record::CardRow &row)
{
    return row.label.trimmed().isEmpty() ? QStringLiteral("札%1").arg(row.card) : row.label;
}

// A card of 取り違えた札 by its number and label, as the bar chart names it.
QString numberedName(const QList<record::CardRow> &cards, int card)
{
    const QString label = cards.value(card - 1).label.trimmed();
    return label.isEmpty() ? QString::number(card) : QStringLiteral("%1 %2").arg(card).arg(label);
}

// A card on the bar chart's axis: its number first, since labels are typed
// freely and two cards may share one, and the axis keeps one bar a name.
// A card with no time has no bar, and says why.
QString categoryName(const record::CardRow &row)
{
    const QString label = row.label.trimmed();
    QString name = label.isEmpty() ? QString::number(row.card) : QStringLiteral("%1 %2").arg(row.card).arg(label);
    if (!row.medianMs)
        name += QStringLiteral("（未計測）");
    return name;
}

QFont chartFont(qreal pt, bool bold = false)
{
    return ui::font(ui::PGothic, pt, bold);
}

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setTitleFont(chartFont(10, true));
    chart->legend()->setFont(chartFont(9));
    chart->setMargins(QMargins(4, 4, 4, 4));
    // Drawn at once: an animation would hold the first paint back.
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

// An axis of seconds from 0 to at least highest, marked every tenth,
// fifth, half, whole or two seconds: the labels have one decimal, so every
// mark must fall on a tenth for a bar to read against it as its time.
void setSecondsRange(QValueAxis *y, double highest)
{
    const double top = highest > 0 ? highest : 1;
    double step = 0.1;
    for (const double nice : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0}) {
        step = nice;
        if (top / nice <= 8)
            break;
    }
    const int marks = int(std::ceil(top / step - 1e-9));
    y->setRange(0, marks * step);
    y->setTickCount(marks + 1);
}

QValueAxis *newSecondsAxis(double highest)
{
    auto *y = new QValueAxis;
    y->setTitleText(QStringLiteral("秒"));
    y->setTitleFont(chartFont(8));
    y->setLabelsFont(chartFont(8));
    y->setLabelFormat(QStringLiteral("%.1f"));
    setSecondsRange(y, highest);
    return y;
}

void replaceChart(QChartView *view, QChart *chart)
{
    QChart *old = view->chart();
    view->setChart(chart);
    // In an event of its own: the figures are shown sooner.
    old->deleteLater();
}

QTableView *newTable(QWidget *parent, const char *name)
{
    auto *table = new QTableView(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}
} // namespace

StatisticsTableModel::StatisticsTableModel(QStringList header, QObject *parent)
    : QAbstractTableModel(parent), m_header(std::move(header))
{
}

void StatisticsTableModel::setRows(QList<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int StatisticsTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int StatisticsTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_header.size());
}

QVariant StatisticsTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.text.value(index.column());
    case SortRole:
        return row.sortKeys.value(index.column());
    case Qt::TextAlignmentRole: {
        // Numbers line up on the right, words on the left.
        const QVariant key = row.sortKeys.value(index.column());
        const bool number = key.typeId() != QMetaType::QString;
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant StatisticsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_header.value(section);
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && !m_headerTips.value(section).isEmpty())
        return m_headerTips.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

namespace {
enum HistoryColumn { When, Opponent, Voice, Score, Result, Kind, HistoryColumns };
} // namespace

MatchHistoryModel::MatchHistoryModel(QObject *parent) : QAbstractTableModel(parent) {}

void MatchHistoryModel::setMatches(QList<record::MatchRow> matches)
{
    beginResetModel();
    m_matches = std::move(matches);
    endResetModel();
}

int MatchHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_matches.size());
}

int MatchHistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : HistoryColumns;
}

QVariant MatchHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_matches.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int((index.column() == Opponent || index.column() == Score ? Qt::AlignRight : Qt::AlignLeft)
                   | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    // Newest first.
    const record::MatchRow &m = m_matches.at(m_matches.size() - 1 - index.row());
    switch (index.column()) {
    case When:
        return QDateTime::fromMSecsSinceEpoch(m.startedAt).toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    case Opponent:
        return record::opponentText(m.opponent, m.level);
    case Voice:
        return m.voice ? QStringLiteral("する") : QStringLiteral("しない");
    case Score:
        return QStringLiteral("%1 対 %2").arg(m.playerScore).arg(m.computerScore);
    case Result:
        return record::resultText(m.result);
    case Kind:
        return m.drill ? QStringLiteral("苦手札") : QStringLiteral("試合");
    default:
        return {};
    }
}

QVariant MatchHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList header{QStringLiteral("日時"),   QStringLiteral("相手"), QStringLiteral("よみあげ"),
                                    QStringLiteral("得点"),   QStringLiteral("結果"), QStringLiteral("種類")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return header.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

StatisticsWindow::StatisticsWindow(CardState &data, TrainingRecord &record)
    : m_data(data), m_record(record)
{
    setObjectName(QStringLiteral("frmSeiseki"));
    setWindowTitle(QStringLiteral("成績"));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    ui::setBackground(client, Background);
    setCentralWidget(client);

    auto *periodCaption = new QLabel(QStringLiteral("期間(&K)"), client);
    periodCaption->setObjectName(QStringLiteral("periodCaption"));
    m_periodChooser = new QComboBox(client);
    m_periodChooser->setObjectName(QStringLiteral("periodChooser"));
    m_periodChooser->addItems({QStringLiteral("すべて"), QStringLiteral("最近30日"), QStringLiteral("最近7日")});
    periodCaption->setBuddy(m_periodChooser);
    connect(m_periodChooser, &QComboBox::currentIndexChanged, this, &StatisticsWindow::refresh);

    auto *drillCaption = new QLabel(QStringLiteral("苦手札の数(&N)"), client);
    drillCaption->setObjectName(QStringLiteral("drillCaption"));
    m_drillSize = new QSpinBox(client);
    m_drillSize->setObjectName(QStringLiteral("drillSize"));
    m_drillSize->setSuffix(QStringLiteral(" 枚"));
    drillCaption->setBuddy(m_drillSize);
    connect(m_drillSize, &QSpinBox::valueChanged, this, [this](int k) { m_chosenDrillSize = k; });
    m_drillButton = new QPushButton(QStringLiteral("苦手札で試合"), client);
    m_drillButton->setObjectName(QStringLiteral("drillButton"));
    m_drillButton->setFont(ui::font(ui::PGothic, 10, true));
    connect(m_drillButton, &QPushButton::clicked, this, &StatisticsWindow::startDrill);

    m_summary = new QLabel(client);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);

    m_cardModel = new StatisticsTableModel(
        {QStringLiteral("番号"), QStringLiteral("札"), QStringLiteral("苦手度"), QStringLiteral("取った数"),
         QStringLiteral("中央値"), QStringLiteral("最速"), QStringLiteral("ＣＯＭ\nが先"), QStringLiteral("お手つき"),
         QStringLiteral("読まれて\nお手つき"), QStringLiteral("傾向\n（最近10回）")},
        this);
    QStringList tips(Columns);
    tips[Weakness] = QStringLiteral("反応時間の中央値（秒）に、読まれた回数あたりのしくじり（読まれてお手つき、"
                                    "お手つき、ＣＯＭが先）を1回1秒として足したもの。大きいほど苦手な札です");
    tips[WrongTakes] = QStringLiteral("ほかの札が読まれたときに、この札を取ってしまった回数");
    tips[WrongWhileRead] = QStringLiteral("この札が読まれたときに、ほかの札を取ってしまった回数");
    m_cardModel->setHeaderToolTips(tips);
    m_cardSorter = new QSortFilterProxyModel(this);
    m_cardSorter->setSourceModel(m_cardModel);
    m_cardSorter->setSortRole(StatisticsTableModel::SortRole);
    m_cardTable = newTable(client, "cardTable");
    m_cardTable->setModel(m_cardSorter);
    m_cardTable->horizontalHeader()->setSortIndicator(Weakness, Qt::DescendingOrder);
    m_cardTable->setSortingEnabled(true);

    // 取り違えた札: rows in the record's order, the most frequent first.
    m_confusionModel = new StatisticsTableModel(
        {QStringLiteral("読まれた札"), QStringLiteral("取った札"), QStringLiteral("回数"), QStringLiteral("最後")}, this);
    m_confusionTable = newTable(client, "confusionTable");
    m_confusionTable->setModel(m_confusionModel);
    auto *pairCaption = new QLabel(QStringLiteral("組の数(&M)"), client);
    pairCaption->setObjectName(QStringLiteral("pairCaption"));
    m_pairCount = new QSpinBox(client);
    m_pairCount->setObjectName(QStringLiteral("pairCount"));
    m_pairCount->setSuffix(QStringLiteral(" 組"));
    pairCaption->setBuddy(m_pairCount);
    connect(m_pairCount, &QSpinBox::valueChanged, this, [this](int k) { m_chosenPairCount = k; });
    m_confusionDrillButton = new QPushButton(QStringLiteral("取り違えた札で試合"), client);
    m_confusionDrillButton->setObjectName(QStringLiteral("confusionDrillButton"));
    m_confusionDrillButton->setFont(ui::font(ui::PGothic, 10, true));
    connect(m_confusionDrillButton, &QPushButton::clicked, this, &StatisticsWindow::startConfusionDrill);

    m_historyModel = new MatchHistoryModel(this);
    m_historyTable = newTable(client, "historyTable");
    m_historyTable->setModel(m_historyModel);
    // Sized by its header and the row of one match: measuring the contents
    // would format every match of the record.
    m_historyTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    const QFontMetrics metrics = m_historyTable->fontMetrics();
    for (const auto &[column, sample] : {std::pair(When, "2026/12/31 23:59"), std::pair(Opponent, "相手"),
                                         std::pair(Voice, "よみあげ"), std::pair(Score, "235 対 245"),
                                         std::pair(Result, "結果"), std::pair(Kind, "苦手札")})
        m_historyTable->setColumnWidth(column, metrics.horizontalAdvance(QString::fromUtf8(sample)) + 16);

    m_cardChart = new QChartView(client);
    m_cardChart->setObjectName(QStringLiteral("cardChart"));
    m_cardChart->setRenderHint(QPainter::Antialiasing);
    m_matchChart = new QChartView(client);
    m_matchChart->setObjectName(QStringLiteral("matchChart"));
    m_matchChart->setRenderHint(QPainter::Antialiasing);

    auto *cardsCaption = new QLabel(QStringLiteral("札ごとの成績"), client);
    cardsCaption->setFont(ui::font(ui::PGothic, 10, true));
    auto *historyCaption = new QLabel(QStringLiteral("試合の記録（新しい順）"), client);
    historyCaption->setFont(ui::font(ui::PGothic, 10, true));
    auto *confusionCaption = new QLabel(QStringLiteral("取り違えた札"), client);
    confusionCaption->setFont(ui::font(ui::PGothic, 10, true));

    auto *controlsRow = new QHBoxLayout;
    controlsRow->addWidget(periodCaption);
    controlsRow->addWidget(m_periodChooser);
    controlsRow->addSpacing(24);
    controlsRow->addWidget(drillCaption);
    controlsRow->addWidget(m_drillSize);
    controlsRow->addWidget(m_drillButton);
    controlsRow->addSpacing(24);
    controlsRow->addWidget(m_summary, 1);

    auto *confusionDrillRow = new QHBoxLayout;
    confusionDrillRow->addWidget(pairCaption);
    confusionDrillRow->addWidget(m_pairCount);
    confusionDrillRow->addWidget(m_confusionDrillButton);
    confusionDrillRow->addStretch(1);
    auto *confusionBox = new QVBoxLayout;
    confusionBox->addWidget(m_confusionTable, 1);
    confusionBox->addLayout(confusionDrillRow);

    // The cards on top, beside their chart; below them the history, the
    // mixed-up pairs and the chart of matches. The bar chart is the widest
    // part: 49 upright labels need their room.
    auto *grid = new QGridLayout(client);
    grid->addLayout(controlsRow, 0, 0, 1, 3);
    grid->addWidget(cardsCaption, 1, 0);
    grid->addWidget(m_cardTable, 2, 0);
    grid->addWidget(m_cardChart, 2, 1, 1, 2);
    grid->addWidget(historyCaption, 3, 0);
    grid->addWidget(confusionCaption, 3, 1);
    grid->addWidget(m_historyTable, 4, 0);
    grid->addLayout(confusionBox, 4, 1);
    grid->addWidget(m_matchChart, 4, 2);
    grid->setColumnStretch(0, 11);
    grid->setColumnStretch(1, 5);
    grid->setColumnStretch(2, 8);
    grid->setRowStretch(2, 3);
    grid->setRowStretch(4, 2);

    QMenu *exportMenu = menuBar()->addMenu(QStringLiteral("書き出し"));
    exportMenu->setObjectName(QStringLiteral("mnuKakidasi"));
    m_exportTakesAction = exportMenu->addAction(QStringLiteral("取りの記録（CSV）..."), this,
                                                [this] { chooseExportFile(false); });
    m_exportTakesAction->setObjectName(QStringLiteral("mnuTori"));
    m_exportMatchesAction = exportMenu->addAction(QStringLiteral("試合の記録（CSV）..."), this,
                                                  [this] { chooseExportFile(true); });
    m_exportMatchesAction->setObjectName(QStringLiteral("mnuSiai"));
    m_resetAction = menuBar()->addAction(QStringLiteral("記録を消去"), this, &StatisticsWindow::askReset);
    m_resetAction->setObjectName(QStringLiteral("mnuSyoukyo"));
    m_backAction = menuBar()->addAction(QStringLiteral("もどる"), this, &QWidget::hide);
    m_backAction->setObjectName(QStringLiteral("mnuEnd"));

    m_showTimer = new QTimer(this);
    m_showTimer->setObjectName(QStringLiteral("showTimer"));
    m_showTimer->setSingleShot(true);
    m_showTimer->setInterval(0);
    connect(m_showTimer, &QTimer::timeout, this, &StatisticsWindow::showNextPart);
    m_figures = new BackgroundReader(m_record.path(), QStringLiteral("statistics reader"), this);
    connect(m_figures, &BackgroundReader::statisticsRead, this, &StatisticsWindow::showFigures);
    connect(&m_record, &TrainingRecord::cardSetReset, this, [this](const QString &folder) {
        if (isVisible() && record::cardSetKey(folder) == record::cardSetKey(m_shownFolder))
            refresh();
    });

    const QRect screen = ui::screenRect(this);
    resize(qMin(1400, screen.width() - 40), qMin(820, screen.height() - 80));
}

StatisticsWindow::~StatisticsWindow() = default;

void StatisticsWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Slowest first at every opening, and a match that has just ended in:
    // the record is read once the writer has caught up.
    m_cardTable->horizontalHeader()->setSortIndicator(Weakness, Qt::DescendingOrder);
    refreshWhenWritten();
}

void StatisticsWindow::showCurrentSet()
{
    if (isVisible())
        refreshWhenWritten();
}

void StatisticsWindow::refreshWhenWritten()
{
    showLoading();
    m_record.whenWritten(this, [this] {
        if (isVisible())
            refresh();
    });
}

QStringList StatisticsWindow::currentLabels() const
{
    QStringList labels;
    for (int card = 1; card <= m_data.cardCount(); ++card)
        labels << m_data.labels()[card];
    return labels;
}

bool StatisticsWindow::showsCurrentSet() const
{
    return !m_loading && record::cardSetKey(m_shownFolder) == record::cardSetKey(m_data.cardFolder())
        && m_shownLabels == currentLabels();
}

record::Period StatisticsWindow::period() const
{
    switch (m_periodChooser->currentIndex()) {
    case 1:
        return record::Period::Last30Days;
    case 2:
        return record::Period::Last7Days;
    default:
        return record::Period::All;
    }
}

void StatisticsWindow::refresh()
{
    m_askedFolder = m_data.cardFolder();
    m_askedLabels = currentLabels();
    // Figures still being put on screen are of the period or set before.
    m_showTimer->stop();
    showLoading();
    m_figures->readStatistics(++m_generation, m_askedFolder, m_askedLabels, period(),
                              QDateTime::currentMSecsSinceEpoch());
}

void StatisticsWindow::showLoading()
{
    m_loading = true;
    // A drill or a reset waits for the figures it would act on.
    m_drillButton->setEnabled(false);
    m_confusionDrillButton->setEnabled(false);
    m_resetAction->setEnabled(false);
    m_summary->setText(QStringLiteral("読み込み中…"));
}

void StatisticsWindow::showFigures(quint64 generation, const RecordReader::Statistics &statistics, int readerState,
                                   const QString &problemText)
{
    // Asked for before the period or the set last changed.
    if (generation != m_generation)
        return;
    m_statistics = statistics;
    m_readerState = RecordState(readerState);
    m_readerProblem = problemText;
    m_showStep = 0;
    showNextPart();
}

void StatisticsWindow::showNextPart()
{
    // The table, then each chart, each in an event of its own, so that the
    // UI thread is never held for all of them at once.
    switch (m_showStep++) {
    case 0: {
        showCards();
        const int count = int(m_statistics.cards.size());
        // The number the player chose stays chosen; a smaller set only
        // shows less of it.
        const QSignalBlocker quiet(m_drillSize);
        m_drillSize->setRange(count > 0 ? 1 : 0, count);
        m_drillSize->setValue(qMin(m_chosenDrillSize, count));
        showConfusions();
        break;
    }
    case 1:
        showCardChart();
        break;
    default:
        showMatches();
        m_loading = false;
        m_shownFolder = m_askedFolder;
        m_shownLabels = m_askedLabels;
        m_resetAction->setEnabled(true);
        m_drillButton->setEnabled(!m_statistics.cards.isEmpty());
        m_confusionDrillButton->setEnabled(!m_statistics.confusions.isEmpty());
        if (isRecordProblem(m_readerState))
            m_summary->setText(m_readerProblem);
        else if (isRecordProblem(m_record.state()))
            m_summary->setText(m_record.problemText());
        else
            // The untimed cards are the first of a drill: the player sees why.
            m_summary->setText(QStringLiteral("札の組：%1　　試合：%2　　未計測の札：%3枚")
                                   .arg(QDir::toNativeSeparators(m_shownFolder))
                                   .arg(m_statistics.history.size())
                                   .arg(std::count_if(m_statistics.cards.cbegin(), m_statistics.cards.cend(),
                                                      [](const record::CardRow &c) { return !c.medianMs; })));
        Q_EMIT refreshed();
        return;
    }
    m_showTimer->start();
}

void StatisticsWindow::showCards()
{
    QList<StatisticsTableModel::Row> rows;
    rows.reserve(m_statistics.cards.size());
    for (const record::CardRow &c : m_statistics.cards) {
        const std::optional<double> weakness = trainingstats::weakness(c);
        rows.append({{QString::number(c.card), cardName(c),
                      weakness ? QString::number(*weakness, 'f', 2) : QStringLiteral("未計測"),
                      QString::number(c.takes), seconds(c.medianMs),
                      seconds(c.bestMs ? std::optional<double>(*c.bestMs) : std::nullopt),
                      QString::number(c.computerFirst), QString::number(c.wrongTakes),
                      QString::number(c.wrongWhileRead), trendText(c.trendMs)},
                     // A card never timed sorts as the slowest and the weakest,
                     // by its slips among the others never timed, as a drill
                     // takes them.
                     {c.card, cardName(c), weakness.value_or(1e9 + trainingstats::slipsPerReading(c)), c.takes,
                      c.medianMs.value_or(Never), c.bestMs ? double(*c.bestMs) : Never, c.computerFirst,
                      c.wrongTakes, c.wrongWhileRead, c.trendMs.value_or(Never)}});
    }
    m_cardModel->setRows(std::move(rows));
    m_cardSorter->sort(m_cardTable->horizontalHeader()->sortIndicatorSection(),
                       m_cardTable->horizontalHeader()->sortIndicatorOrder());
}

void StatisticsWindow::showConfusions()
{
    const QList<record::Confusion> &pairs = m_statistics.confusions;
    QList<StatisticsTableModel::Row> rows;
    rows.reserve(pairs.size());
    for (const record::Confusion &p : pairs) {
        const QDateTime last = QDateTime::fromMSecsSinceEpoch(p.lastAt);
        rows.append({{numberedName(m_statistics.cards, p.readCard), numberedName(m_statistics.cards, p.clickedCard),
                      QString::number(p.count), last.toString(QStringLiteral("yyyy/MM/dd"))},
                     {p.readCard, p.clickedCard, p.count, p.lastAt}});
    }
    m_confusionModel->setRows(std::move(rows));
    const int count = int(pairs.size());
    const QSignalBlocker quiet(m_pairCount);
    m_pairCount->setRange(count > 0 ? 1 : 0, count);
    m_pairCount->setValue(qMin(m_chosenPairCount, count));
    m_confusionTable->setAccessibleName(
        pairs.isEmpty()
            ? QStringLiteral("取り違えた札の表：まだ取り違えはありません")
            : QStringLiteral("取り違えた札の表：%1組。最も多いのは「%2」が読まれて「%3」を取った%4回")
                  .arg(count)
                  .arg(numberedName(m_statistics.cards, pairs.first().readCard),
                       numberedName(m_statistics.cards, pairs.first().clickedCard))
                  .arg(pairs.first().count));
}

void StatisticsWindow::showCardChart()
{
    // Made once and then given new figures: a chart made afresh, with its
    // 49 upright labels, holds the UI thread several times as long.
    if (!m_cardBars) {
        QChart *chart = newChart(QStringLiteral("札ごとの反応時間（中央値）"));
        m_cardBars = new QBarSet(QStringLiteral("中央値（秒）"));
        m_cardBars->setColor(QColor(64, 96, 224));
        // No outline: a card with no time stands at 0, and an outline would
        // draw it as a line, the fastest card on the chart.
        m_cardBars->setPen(Qt::NoPen);
        auto *series = new QBarSeries;
        series->append(m_cardBars);
        series->setBarWidth(0.8);
        chart->addSeries(series);
        m_cardAxis = new QBarCategoryAxis;
        m_cardAxis->setLabelsFont(chartFont(7));
        // Upright, one label a bar: 49 labels side by side would be cut short.
        m_cardAxis->setLabelsAngle(-90);
        m_cardAxis->setTruncateLabels(false);
        chart->addAxis(m_cardAxis, Qt::AlignBottom);
        series->attachAxis(m_cardAxis);
        m_cardSeconds = newSecondsAxis(0);
        chart->addAxis(m_cardSeconds, Qt::AlignLeft);
        series->attachAxis(m_cardSeconds);
        chart->legend()->hide();
        replaceChart(m_cardChart, chart);
    }
    QList<qreal> values;
    QStringList categories;
    const record::CardRow *slowest = nullptr;
    for (const record::CardRow &c : m_statistics.cards) {
        values << c.medianMs.value_or(0) / 1000.0;
        categories << categoryName(c);
        if (c.medianMs && (!slowest || *c.medianMs > *slowest->medianMs))
            slowest = &c;
    }
    m_cardBars->remove(0, m_cardBars->count());
    m_cardBars->append(values);
    m_cardAxis->setCategories(categories);
    setSecondsRange(m_cardSeconds, slowest ? *slowest->medianMs / 1000.0 : 0);
    m_cardChart->setAccessibleName(
        slowest ? QStringLiteral("札ごとの反応時間の中央値の棒グラフ：最も遅いのは「%1」（%2）")
                      .arg(cardName(*slowest), seconds(slowest->medianMs))
                : QStringLiteral("札ごとの反応時間の中央値の棒グラフ：まだ記録がありません"));
}

void StatisticsWindow::showMatches()
{
    m_historyModel->setMatches(m_statistics.history);

    // The player's median per match over time, one colour per kind of
    // opponent, named as the history's 相手 column names it; a point per
    // day, week or month when there are more matches than fit. The chart,
    // its line and its axes are made once; the kinds change.
    const trainingstats::MatchTrend &trend = m_statistics.trend;
    if (!m_trendLine) {
        QChart *chart = newChart(QStringLiteral("試合ごとの反応時間（中央値）"));
        m_trendLine = new QLineSeries;
        m_trendLine->setName(QStringLiteral("中央値"));
        m_trendLine->setColor(QColor(128, 128, 128));
        chart->addSeries(m_trendLine);
        m_trendTime = new QDateTimeAxis;
        m_trendTime->setLabelsFont(chartFont(8));
        m_trendTime->setTitleFont(chartFont(8));
        chart->addAxis(m_trendTime, Qt::AlignBottom);
        m_trendSeconds = newSecondsAxis(0);
        chart->addAxis(m_trendSeconds, Qt::AlignLeft);
        m_trendLine->attachAxis(m_trendTime);
        m_trendLine->attachAxis(m_trendSeconds);
        // The grey line needs no entry of its own.
        chart->legend()->markers(m_trendLine).first()->setVisible(false);
        chart->legend()->setAlignment(Qt::AlignBottom);
        replaceChart(m_matchChart, chart);
    }
    QChart *chart = m_matchChart->chart();
    QList<QPointF> line;
    double highest = 0;
    for (const trainingstats::TrendPoint &p : trend.all) {
        line.append(QPointF(double(p.at), p.medianMs / 1000.0));
        highest = qMax(highest, p.medianMs / 1000.0);
    }
    m_trendLine->replace(line);
    for (QAbstractSeries *series : chart->series()) {
        if (series != m_trendLine) {
            chart->removeSeries(series);
            series->deleteLater();
        }
    }
    for (const auto &[opponent, points] : trend.byOpponent) {
        auto *series = new QScatterSeries;
        series->setName(opponent);
        series->setColor(opponentColour(opponent));
        series->setMarkerSize(7);
        QList<QPointF> marks;
        for (const trainingstats::TrendPoint &p : points)
            marks.append(QPointF(double(p.at), p.medianMs / 1000.0));
        series->replace(marks);
        chart->addSeries(series);
        series->attachAxis(m_trendTime);
        series->attachAxis(m_trendSeconds);
    }
    m_trendTime->setFormat(trend.span == trainingstats::TrendSpan::Month ? QStringLiteral("yyyy/MM")
                                                                          : QStringLiteral("MM/dd"));
    // What a point stands for, when it is more than one match.
    switch (trend.span) {
    case trainingstats::TrendSpan::Match:
        m_trendTime->setTitleText(QString());
        break;
    case trainingstats::TrendSpan::Day:
        m_trendTime->setTitleText(QStringLiteral("1点＝1日（その日の試合の中央値）"));
        break;
    case trainingstats::TrendSpan::Week:
        m_trendTime->setTitleText(QStringLiteral("1点＝1週間（その週の試合の中央値）"));
        break;
    case trainingstats::TrendSpan::Month:
        m_trendTime->setTitleText(QStringLiteral("1点＝1か月（その月の試合の中央値）"));
        break;
    }
    // No match yet, or one: a day's width, so that the axis reads as dates.
    const qint64 day = 24 * 3600 * 1000;
    const qint64 last = trend.all.isEmpty() ? QDateTime::currentMSecsSinceEpoch() : trend.all.constLast().at;
    const qint64 first = trend.all.isEmpty() ? last : trend.all.constFirst().at;
    m_trendTime->setRange(QDateTime::fromMSecsSinceEpoch(last > first ? first : last - day),
                          QDateTime::fromMSecsSinceEpoch(last));
    setSecondsRange(m_trendSeconds, highest);
    qsizetype timed = 0;
    std::optional<double> latest;
    for (const record::MatchPoint &p : m_statistics.perMatch) {
        if (p.medianMs) {
            ++timed;
            latest = p.medianMs;
        }
    }
    m_matchChart->setAccessibleName(
        timed ? QStringLiteral("試合ごとの反応時間の中央値のグラフ：%1試合、最新は%2").arg(timed).arg(seconds(latest))
              : QStringLiteral("試合ごとの反応時間の中央値のグラフ：まだ記録がありません"));
}

void StatisticsWindow::startDrill()
{
    playDrill(trainingstats::weakestCards(m_statistics.cards, m_drillSize->value(),
                                          QRandomGenerator::global()->generate()));
}

void StatisticsWindow::startConfusionDrill()
{
    playDrill(trainingstats::confusedCards(m_statistics.confusions, m_pairCount->value()));
}

void StatisticsWindow::playDrill(const QList<int> &cards)
{
    // The cards are numbers of the set on screen: in another set they
    // would name other cards, or none.
    if (!showsCurrentSet()) {
        tell(QStringLiteral("札の組が変わりました。新しい札の組の成績を表示します。"));
        refreshWhenWritten();
        return;
    }
    if (!cards.isEmpty())
        Q_EMIT drillChosen(cards);
}

void StatisticsWindow::chooseExportFile(bool matches)
{
    if (m_exportDialog)
        m_exportDialog->close();
    const QString name = matches ? QStringLiteral("試合の記録.csv") : QStringLiteral("取りの記録.csv");
    // The documents folder if there is one, else home: never the folder the
    // program happened to be started in.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    m_exportDialog = new QFileDialog(this, matches ? QStringLiteral("試合の記録を書き出す")
                                                   : QStringLiteral("取りの記録を書き出す"),
                                     QDir(folder).filePath(name), QStringLiteral("CSV (*.csv)"));
    m_exportDialog->setObjectName(QStringLiteral("exportDialog"));
    m_exportDialog->setAcceptMode(QFileDialog::AcceptSave);
    m_exportDialog->setDefaultSuffix(QStringLiteral("csv"));
    m_exportDialog->setAttribute(Qt::WA_DeleteOnClose);
    // Answered by its signal: no event loop of its own.
    connect(m_exportDialog, &QFileDialog::fileSelected, this,
            [this, matches](const QString &file) { exportTo(matches, file); });
    m_exportDialog->open();
}

void StatisticsWindow::exportTo(bool matches, const QString &fileName)
{
    if (!m_exports) {
        m_exports = new BackgroundReader(m_record.path(), QStringLiteral("CSV export"), this);
        connect(m_exports, &BackgroundReader::exportProgress, this, &StatisticsWindow::showExportProgress);
        connect(m_exports, &BackgroundReader::exported, this, &StatisticsWindow::exported);
    }
    // One export at a time, shown and stopped by its progress dialog.
    const quint64 job = ++m_exportJob;
    m_exportFile = fileName;
    m_exportTakesAction->setEnabled(false);
    m_exportMatchesAction->setEnabled(false);
    m_exportProgress = new QProgressDialog(matches ? QStringLiteral("試合の記録を書き出しています…")
                                                   : QStringLiteral("取りの記録を書き出しています…"),
                                           QStringLiteral("中止"), 0, 0, this);
    m_exportProgress->setObjectName(QStringLiteral("exportProgress"));
    m_exportProgress->setWindowTitle(QStringLiteral("書き出し"));
    // Not modal: a modal progress dialog runs the event loop inside each
    // setValue. The window stays usable meanwhile; only a second export
    // waits for this one.
    m_exportProgress->setWindowModality(Qt::NonModal);
    m_exportProgress->setAutoClose(false);
    m_exportProgress->setAutoReset(false);
    m_exportProgress->setMinimumDuration(0);
    m_exportProgress->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_exportProgress, &QProgressDialog::canceled, m_exports, &BackgroundReader::cancelExport);
    m_exportProgress->show();
    // Every card set: the file is for a coach or a spreadsheet, which can
    // pick out one set by its folder column.
    m_exports->exportCsv(job, matches, fileName, QString());
}

void StatisticsWindow::showExportProgress(quint64 job, qint64 written, qint64 total)
{
    if (job != m_exportJob || !m_exportProgress)
        return;
    m_exportProgress->setMaximum(int(qMin<qint64>(total, std::numeric_limits<int>::max())));
    m_exportProgress->setValue(int(qMin(written, total)));
}

void StatisticsWindow::exported(quint64 job, bool done, const QString &error)
{
    if (job != m_exportJob)
        return;
    if (m_exportProgress)
        m_exportProgress->close();
    m_exportTakesAction->setEnabled(true);
    m_exportMatchesAction->setEnabled(true);
    const QString file = QDir::toNativeSeparators(m_exportFile);
    if (done)
        tell(QStringLiteral("書き出しました：\n%1").arg(file));
    else if (error.isEmpty())
        tell(QStringLiteral("書き出しを中止しました。ファイルは作られていません：\n%1").arg(file));
    else
        tell(QStringLiteral("書き出せませんでした：\n%1\n%2").arg(file, error));
}

void StatisticsWindow::askReset()
{
    if (m_resetQuestion)
        return;
    // The set whose figures the player is looking at.
    const QString folder = m_shownFolder;
    m_resetQuestion = new QMessageBox(QMessageBox::Question, QStringLiteral("記録を消去"),
                                      QStringLiteral("この札の組の記録をすべて消去します。よろしいですか？\n%1")
                                          .arg(QDir::toNativeSeparators(folder)),
                                      QMessageBox::Yes | QMessageBox::No, this);
    m_resetQuestion->setObjectName(QStringLiteral("resetQuestion"));
    m_resetQuestion->setTextFormat(Qt::PlainText);
    m_resetQuestion->setDefaultButton(QMessageBox::No);
    m_resetQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_resetQuestion, &QMessageBox::finished, this, [this, folder](int answer) {
        if (answer != QMessageBox::Yes)
            return;
        // Another set was chosen while the question was up: the player may
        // have meant either, so the question is asked again, of the new one.
        if (record::cardSetKey(folder) != record::cardSetKey(m_data.cardFolder())) {
            m_resetQuestion.clear();
            showCurrentSet();
            askReset();
            return;
        }
        m_record.resetCardSet(folder);
    });
    m_resetQuestion->open();
}

void StatisticsWindow::tell(const QString &text)
{
    if (m_notice)
        m_notice->close();
    m_notice = new QMessageBox(QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setAttribute(Qt::WA_DeleteOnClose);
    m_notice->setWindowModality(Qt::NonModal);
    m_notice->show();
}
