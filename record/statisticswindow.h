// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// 成績: the training record of the current card set. A table of every card
// (苦手度, takes, median and best reaction, how often the computer was
// first, お手つき either way, trend), a bar chart of the median per card, a
// chart of the player's median per match over time by kind of opponent, the
// match history and the cards the player mixes up (取り違えた札); a period
// filter; a drill of the weakest cards and one of the mixed-up pairs; CSV
// export; and 記録を消去. It reads the record afresh each time it is shown.
//
// The window knows the record only through TrainingRecord (whenWritten,
// resetCardSet, the file's path) and two BackgroundReaders, one for the
// figures and one for exports, so that it never waits for the file; a
// drill is asked for with drillChosen, which the hub connects to the match
// window.

#include "record/recordreader.h"

#include <QAbstractTableModel>
#include <QMainWindow>
#include <QPointer>

class BackgroundReader;
class CardState;
class QAction;
class QBarCategoryAxis;
class QBarSet;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QFileDialog;
class QLabel;
class QLineSeries;
class QMessageBox;
class QProgressDialog;
class QPushButton;
class QSortFilterProxyModel;
class QSpinBox;
class QTableView;
class QTimer;
class QValueAxis;
class TrainingRecord;

// Rows of text with a sort key per cell, for the two tables.
class StatisticsTableModel : public QAbstractTableModel
{
public:
    // The role sortKey() answers, which the tables sort by.
    static constexpr int SortRole = Qt::UserRole;
    struct Row {
        QStringList text;
        QVariantList sortKeys;
    };
    explicit StatisticsTableModel(QStringList header, QObject *parent = nullptr);
    void setRows(QList<Row> rows);
    // What a column's heading means, for a heading too short to say it.
    void setHeaderToolTips(QStringList tips) { m_headerTips = std::move(tips); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_header;
    QStringList m_headerTips;
    QList<Row> m_rows;
};

// The match history, newest first: the rows are formatted as the view
// asks for them, so that a record of twenty thousand matches costs the
// window only the rows on screen.
class MatchHistoryModel : public QAbstractTableModel
{
public:
    explicit MatchHistoryModel(QObject *parent = nullptr);
    // Oldest first, as the record gives them.
    void setMatches(QList<record::MatchRow> matches);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<record::MatchRow> m_matches;
};

class StatisticsWindow : public QMainWindow
{
    Q_OBJECT
    friend struct StatisticsWindowControls;

public:
    StatisticsWindow(CardState &data, TrainingRecord &record);
    ~StatisticsWindow() override;

    // The card table's columns.
    enum Column {
        CardNumber, CardLabel, Weakness, Takes, Median, Best, ComputerFirst, WrongTakes, WrongWhileRead, Trend,
        Columns
    };
    // The columns of 取り違えた札.
    enum ConfusionColumn { ReadCard, ClickedCard, ConfusionCount, LastConfused, ConfusionColumns };

    // Reads the record of the current set over the chosen period, and shows
    // it when it arrives (refreshed); until then the summary says
    // 「読み込み中…」. A later refresh makes an earlier one's figures stale:
    // they are never shown.
    void refresh();
    // The card set may have changed (the editor saved one, or 成績 was
    // chosen again): a shown window reads the record of the set now current
    // at once, a hidden one when it is next shown.
    void showCurrentSet();
    // 苦手札で試合: the K weakest cards of the period, to the match window.
    void startDrill();
    // 取り違えた札で試合: both cards of the K pairs mixed up most often.
    void startConfusionDrill();

Q_SIGNALS:
    void drillChosen(const QList<int> &cards);
    // The window shows the figures of its latest refresh.
    void refreshed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    record::Period period() const;
    // Refreshes once what was handed to the record so far is written.
    void refreshWhenWritten();
    QStringList currentLabels() const;
    // Whether the figures on screen are of the current set, as it is now.
    bool showsCurrentSet() const;
    // 「読み込み中…」 until the figures come.
    void showLoading();
    void showFigures(quint64 generation, const RecordReader::Statistics &statistics, int readerState,
                     const QString &problemText);
    void showNextPart();
    void showCards();
    void showConfusions();
    // The cards to the match window, if the figures on screen are still
    // those of the current set; else the set now current is shown.
    void playDrill(const QList<int> &cards);
    void showCardChart();
    void showMatches();
    void chooseExportFile(bool matches);
    void exportTo(bool matches, const QString &fileName);
    void showExportProgress(quint64 job, qint64 written, qint64 total);
    void exported(quint64 job, bool done, const QString &error);
    void askReset();
    void tell(const QString &text);

    CardState &m_data;
    TrainingRecord &m_record;
    BackgroundReader *m_figures = nullptr;  // reads the figures
    BackgroundReader *m_exports = nullptr;  // writes the CSV files
    RecordReader::Statistics m_statistics;
    // What is on screen, and what was last asked for: the figures of the
    // latest refresh, numbered m_generation, are the only ones shown.
    QString m_shownFolder;
    QStringList m_shownLabels;
    QString m_askedFolder;
    QStringList m_askedLabels;
    quint64 m_generation = 0;
    bool m_loading = false;
    RecordState m_readerState = RecordState::Recording;
    QString m_readerProblem;
    QTimer *m_showTimer = nullptr;  // the next part of the figures
    int m_showStep = 0;
    quint64 m_exportJob = 0;
    QString m_exportFile;

    QComboBox *m_periodChooser = nullptr;  // 期間
    QSpinBox *m_drillSize = nullptr;       // 苦手札の数
    int m_chosenDrillSize = 10;            // as chosen, before a small set cuts it down
    QPushButton *m_drillButton = nullptr;  // 苦手札で試合
    QSpinBox *m_pairCount = nullptr;       // 組の数, of 取り違えた札
    int m_chosenPairCount = 3;
    QPushButton *m_confusionDrillButton = nullptr;  // 取り違えた札で試合
    StatisticsTableModel *m_confusionModel = nullptr;
    QTableView *m_confusionTable = nullptr;
    QLabel *m_summary = nullptr;           // the set, the count of matches, or why nothing can be read
    StatisticsTableModel *m_cardModel = nullptr;
    QSortFilterProxyModel *m_cardSorter = nullptr;
    QTableView *m_cardTable = nullptr;
    MatchHistoryModel *m_historyModel = nullptr;
    QTableView *m_historyTable = nullptr;
    QChartView *m_cardChart = nullptr;     // median per card, as bars
    QBarSet *m_cardBars = nullptr;         // its bars, axis of cards and axis of seconds
    QBarCategoryAxis *m_cardAxis = nullptr;
    QValueAxis *m_cardSeconds = nullptr;
    QChartView *m_matchChart = nullptr;    // median per match over time
    QLineSeries *m_trendLine = nullptr;    // its line through every kind, and its axes
    QDateTimeAxis *m_trendTime = nullptr;
    QValueAxis *m_trendSeconds = nullptr;
    QAction *m_exportTakesAction = nullptr;
    QAction *m_exportMatchesAction = nullptr;
    QAction *m_resetAction = nullptr;      // 記録を消去
    QAction *m_backAction = nullptr;       // もどる

    QPointer<QFileDialog> m_exportDialog;
    QPointer<QProgressDialog> m_exportProgress;
    QPointer<QMessageBox> m_resetQuestion;
    QPointer<QMessageBox> m_notice;
};
