#pragma once
// What a plan edit changed, so that it can be undone and redone exactly, and
// copying the entries of a day or a meal to other days.
//
// An edit is recorded as the rows of the plan table (NQBNutri_tmp, every
// column and the row's rowid) that it removed or changed, as they were, and
// the rows it added or changed, as they became. Undo puts the old rows back
// under their old rowids, so the plan reads back exactly as before, in the
// same order; redo does the reverse. Both check first that the plan still is
// as the edit left it (or found it), and change nothing otherwise.
#include "data/Db.h"
#include "planning/MealPlan.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariantList>
#include <optional>

namespace nqb::plan {

// The plan table: rowid -> the values of its 43 columns in table order.
using PlanImage = QMap<qint64, QVariantList>;

Result readPlanImage(PlanImage *image);

struct PlanChange {
    PlanImage before; // rows as they were (removed or changed)
    PlanImage after;  // rows as they are now (added or changed)
    bool isEmpty() const { return before.isEmpty() && after.isEmpty(); }
};

// The rows that differ between two images.
PlanChange diffImages(const PlanImage &before, const PlanImage &after);

// Undo (put the before rows back) or redo (the after rows) in one write.
// When the plan no longer holds what the other side expects, nothing is
// written and the result says so.
Result undoChange(const PlanChange &change);
Result redoChange(const PlanChange &change);

// ---------------------------------------------------------------- copy

struct CopyRequest {
    QString sourceDay;                 // "SUN" ... "SAT"
    std::optional<MealSlot> slot;      // one meal slot, or the whole day
    QStringList targetDays;            // weekday codes; the source day is ignored
    bool replace = false;              // replace the targets' entries of the copied slots
};

struct CopyResult : Result {
    int copied = 0;
    int skipped = 0; // entries whose name, day and slot were already planned
};

// Copies the source entries (every column but the weekday kept exactly) to
// each target day in one write. Append skips an entry that would repeat a
// name in the same day and slot; replace first removes the targets' entries
// of the copied slot (the whole day for a whole-day copy).
CopyResult copyEntries(const CopyRequest &request);

// "已复制 3 条，跳过 1 条重复的。"
QString copyMessage(const CopyResult &result);

} // namespace nqb::plan
