#pragma once
// The printed dish report: a document made from the dish shown in the library
// window (its name, category, edible portion, description, the ingredient
// table with weights and the main amounts, the totals and the dish's values
// per 100 g), shown in the print preview.
#include "foods/Dishes.h"

#include <memory>

class QTextDocument;
class QWidget;

namespace nqb::dishview {

std::unique_ptr<QTextDocument> dishReport(const dish::ReportData &data);

// Shows the report in a print preview (print, PDF) over parent.
void previewDishReport(QWidget *parent, const dish::ReportData &data);

} // namespace nqb::dishview
