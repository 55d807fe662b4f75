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
#include <array>

class BarChart;
class QWidget;

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
