#pragma once
// The reference intakes of DRIsStand_tb as the standards window shows and
// corrects them: the rows of one sex, activity level and kind (or the rows of
// the physiological states), the check of a corrected row against the other
// two kinds of its combination, and the way back to the shipped values.
#include "data/Db.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace nqb {

// Which rows the window lists.
struct StandardFilter {
    QString sex = QStringLiteral("男");
    bool states = false;                           // the pregnancy and lactation rows instead
    QString activity = QStringLiteral("轻体力活动");
    QString kind = QStringLiteral("RNI");          // "RNI", "EAR" or "UL"
};

// The editable columns: WEIGHT, then the 26 requirement columns.
QStringList standardValueColumns();
// Their titles as "upper|lower" (a title without "|" is one line).
QStringList standardValueTitles();
// The physiological states in the order the window lists them.
QStringList standardStateOrder();

struct StandardRow {
    qint64 rowId = 0;
    QString ageText;
    QString sex;      // "男", "女" or a state
    QString activity;
    QString kind;
    QStringList values; // as texts, in standardValueColumns() order (empty for NULL)
};

// The rows of a filter: graded rows in ascending AGEFIR, state rows in
// standardStateOrder(), of the filter's kind.
Result readStandards(QSqlDatabase db, const StandardFilter &filter, QList<StandardRow> &out);

// Checks a corrected row: every value a number, and for every nutrient
// EAR ≤ RNI < UL across the rows of its age band, sex and activity (the row's
// own kind taken from the corrected values). Refused with a message naming the
// column otherwise.
Result checkStandardRow(QSqlDatabase db, const StandardRow &row);
// Checks and stores the row's values.
Result storeStandardRow(QSqlDatabase db, const StandardRow &row);

// The shipped value of a row: the bundled seed's row of the same age band,
// sex, activity and kind. False when the seed has none.
bool shippedStandardRow(const StandardRow &row, QStringList &values);
// Puts the shipped values back into the given rows, in one write; rows the
// seed does not hold stay. rows of the result: the rows restored.
Result restoreShippedStandards(QSqlDatabase db, const QList<StandardRow> &rows);

} // namespace nqb
