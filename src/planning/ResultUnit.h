#pragma once
// The result window of a dietary survey: every listed food and dish worked out
// from its weight, the whole list totalled and compared with the surveyed
// person's requirements (standard = RNI), with markers and bars.
#include "planning/SurveyResult.h"

#include <QDialog>

class BarChart;
class DataGrid;
class EvaluationPanel;
class QPushButton;
class QSqlQueryModel;

class TResult : public QDialog
{
    Q_OBJECT
public:
    explicit TResult(QWidget *parent = nullptr);
    ~TResult() override;

    // Creates the window, shows it modally and destroys it.
    static void run(QWidget *parent);

    // Recomputes the entries, the totals, the standard and actual rows, the
    // markers and the bars (done when the window is shown).
    void Evaluate();

    const nqb::survey::Result &result() const { return m_result; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();

    EvaluationPanel *m_panel = nullptr;
    DataGrid *DRIs_Grid = nullptr;
    QSqlQueryModel *AQDRIs = nullptr;
    DataGrid *Total_grid = nullptr; // hidden: the totals of the whole list
    QSqlQueryModel *AQTotal = nullptr;
    BarChart *Chart1 = nullptr;
    QPushButton *Close_btn = nullptr;
    nqb::survey::Result m_result;
    bool m_shown = false;
};
