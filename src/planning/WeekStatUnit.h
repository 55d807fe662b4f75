#pragma once
// The week statistics window: the plan summed per weekday and over the whole
// week, one selection (a weekday or the whole week) compared with the
// requirements scaled by its daily percentage, with markers and bars.
#include "planning/WeekStats.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class BarChart;
class DataGrid;
class EvaluationPanel;
class QRadioButton;
class QSqlQueryModel;

class TWeekStat : public QDialog
{
    Q_OBJECT
public:
    // percentages: the workbench's seven daily percentages, SUN ... SAT, as
    // texts ("100"). The seven weekday choices are enabled when they are
    // whole numbers.
    explicit TWeekStat(const QStringList &percentages, QWidget *parent = nullptr);
    ~TWeekStat() override;

    // Creates the window, shows it modally and destroys it.
    static void run(QWidget *parent, const QStringList &percentages);

    // Recomputes WeekStats_tmp from the plan and shows the whole week (done
    // when the window is shown).
    void Recompute();
    // Shows the selection with this code ("ALLWEEK" or "SUN" ... "SAT"): its
    // standard, grid rows, markers, bars and the red caption of its radio.
    void ShowSelection(const QString &code);

    // The selection last shown (for the tests and the window's own use).
    const nqb::weekstats::Selection &selection() const { return m_selection; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    QRadioButton *radioOf(const QString &code) const;
    // Empties the grid, its markers and the chart (after a failure).
    void showNothing();

    nqb::weekstats::Percentages m_percentages{};
    bool m_percentagesOk = false;
    QString m_percentageError;
    bool m_shown = false;

    QRadioButton *ALL_rdo = nullptr;
    QList<QRadioButton *> m_dayRadios; // Sun_Rdo ... Sat_Rdo
    EvaluationPanel *m_panel = nullptr;
    DataGrid *DRIs_Grid = nullptr;
    QSqlQueryModel *m_gridModel = nullptr; // the window's own grid query
    BarChart *Chart1 = nullptr;
    nqb::weekstats::Selection m_selection;
};
