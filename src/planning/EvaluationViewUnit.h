#pragma once
// The look of an evaluation shared by the windows that compare an intake with
// the requirements (the survey result, the week statistics): the evaluation
// grid with its marker footers, the bar chart and the colour legend, plus the
// title band those windows carry. The figures come from the core
// (planning/Evaluation.h); these functions only put them on screen.
#include "planning/Evaluation.h"

#include <QColor>
#include <QList>
#include <QString>
#include <array>

class BarChart;
class DataGrid;
class QLabel;
class QWidget;

namespace nqb::evalview {

QColor colourOf(eval::Rgb rgb);

// The blue band with the window's title text (objectName "Title_lab").
QLabel *titleBand(const QString &text, QWidget *parent);

// Sets up an evaluation grid (objectName is left to the caller): read-only,
// whole-row selection; the columns REMARK titled "结果" (bold red, footer the
// bold red text "结果") and the 26 requirement columns with their titles and
// centred bold footers; every other column of the rows is hidden.
void setupEvaluationGrid(DataGrid *grid);

// Writes each nutrient's marker into the footer of its column, in the
// marker's colour.
void showMarkers(DataGrid *grid, const std::array<eval::NutrientResult, kRequirementCount> &nutrients);

// Replaces the chart's bars (label, value written on the bar, marker colour).
void showBars(BarChart *chart, const QList<eval::Bar> &bars);

// The legend: blue "不足", red "过量", lime green "正常".
QWidget *legend(QWidget *parent);

} // namespace nqb::evalview
