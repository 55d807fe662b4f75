#pragma once
// The look of an evaluation shared by the windows that compare an intake with
// the requirements (the workbench, the survey result, the week statistics):
// the evaluation grid with its marker footers, the bar chart and the colour
// legend. The figures come from the core
// (planning/Evaluation.h); these functions only put them on screen.
#include "planning/Evaluation.h"
#include "widgets/DataGrid.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>
#include <array>

class BarChart;
class QSqlQueryModel;

namespace nqb::evalview {

QColor colourOf(eval::Rgb rgb);

// The columns of an evaluation: REMARK titled "结果" (remarkWidth pixels wide,
// footer the text "结果") and the 26 requirement columns with their titles and
// text footers.
QList<DataGrid::Column> evaluationColumns(int remarkWidth);
// REMARK in bold red with a bold red footer; the requirement columns' footers
// bold and centred.
void styleEvaluationColumns(DataGrid *grid);

// Sets up an evaluation grid (objectName is left to the caller): read-only,
// whole-row selection; the evaluation columns with REMARK 60 pixels wide and
// styled as above, the footer shown; every other column of the rows is hidden.
void setupEvaluationGrid(DataGrid *grid);

// Writes each nutrient's marker into the footer of its column, in the
// marker's colour.
void showMarkers(DataGrid *grid, const std::array<eval::NutrientResult, kRequirementCount> &nutrients);

// Replaces the chart's bars (label, value written on the bar, marker colour).
void showBars(BarChart *chart, const QList<eval::Bar> &bars);

// The legend: blue "不足", red "过量", lime green "正常".
QWidget *legend(QWidget *parent);

} // namespace nqb::evalview

// The evaluation as every window shows it: the grid DRIs_Grid of the
// "实际" / "标准" rows with the markers in its footer, the colour legend and
// the bar chart Chart1. The window gives the grid its rows (model()) and the
// figures (show()); the panel puts them on screen.
class EvaluationPanel : public QWidget
{
    Q_OBJECT
public:
    struct Options {
        bool legend = true;
        // The workbench's compact form: a hidden SEQ column, a narrow result
        // column, the result column frozen and a filler column at the end.
        bool compact = false;
    };
    explicit EvaluationPanel(QWidget *parent, const Options &options);
    explicit EvaluationPanel(QWidget *parent = nullptr);

    DataGrid *grid() const { return m_grid; }
    BarChart *chart() const { return m_chart; }
    QSqlQueryModel *model() const { return m_model; }

    // Markers under the nutrients and the bars.
    void showEvaluation(const std::array<nqb::eval::NutrientResult, nqb::kRequirementCount> &nutrients,
              const QList<nqb::eval::Bar> &bars);
    // No figures to trust: no markers and no bars rather than wrong ones.
    void clear();

private:
    DataGrid *m_grid = nullptr;
    BarChart *m_chart = nullptr;
    QSqlQueryModel *m_model = nullptr;
};
