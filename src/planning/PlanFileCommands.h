#pragma once
// The workbench's plan-file commands "保 存" and "读 取": their dialogs and
// messages around the plan files of planning/PlanFile.h.
#include <QString>
#include <QStringList>

class QWidget;

namespace nqb {

// The question before a plan is loaded.
QString loadPlanQuestion(); // "导入菜谱将会清空现有菜谱记录，是否继续？"

// "保 存": writes the seven daily percentages (SUN ... SAT texts) into the
// Quotiety section of the profile file of the profile kind (personal.ini when
// individual, Collective.ini otherwise) first, so this happens even when the
// save dialog is then cancelled; then asks for the plan file (a name typed
// without extension gets ".pan") and writes the plan file and, beside it, the
// profile copy (X.pan -> X.pans or X.panm). Every failure is shown. True when
// the plan file and its profile copy were written.
bool SavePlanCommand(QWidget *parent, const QStringList &percentages, bool individual);

// "读 取": asks the load question, then for the plan file, and replaces the
// whole plan with the file's entries, dropping those of the meal slots that
// mealPattern does not use. The file is read and checked completely before the
// plan is touched: on No, on a cancelled dialog and on a file that cannot be
// read (missing, damaged, truncated, foreign; the message names the file) the
// plan stays as it was. True when the plan was replaced, so the caller must
// RefreshAll.
bool LoadPlanCommand(QWidget *parent, int mealPattern);

} // namespace nqb
