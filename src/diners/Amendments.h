#pragma once
// Special-diet amendments (DRIsIll_tb): single nutrients of the standard
// requirements replaced for a diet kind, one sex and a range of ages. The age
// ranges of one kind, nutrient and sex never overlap: the half-open ranges
// [YEARFIR, YEARLAST) of two rows do not intersect (18–50 and 50–60 touch).
#include "data/Db.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace nqb {

// The filter entry that lists every kind.
QString allKindsFilter(); // "ALL"
// The element list's prompt entry.
QString chooseElementText(); // "请选择"

// Lower ages offered ("0" … "80") and upper ages ("0.5" … "99").
QStringList amendmentLowerAges();
QStringList amendmentUpperAges();
// The upper ages greater than the lower age, ascending ("80" leaves "99").
QStringList upperAgesAbove(const QString &lower);
// The display text of a range: "18岁 ~ 50岁".
QString amendmentAgeText(const QString &lower, const QString &upper);

struct Amendment {
    qint64 rowId = 0;
    QString kind;
    QString age;
    double yearFir = 0;
    double yearLast = 0;
    QString element;
    QString sex;
    QVariant rni;
    QVariant ear;
    QVariant ul;
    QString remark;
};

// The stored kinds in table order.
Result readAmendmentKinds(QSqlDatabase db, QStringList &out);
// The amendments of a kind (allKindsFilter(): of every kind) in ascending YEARFIR.
Result readAmendments(QSqlDatabase db, const QString &kindFilter, QList<Amendment> &out);

// What the amendment window's fields hold for a new row.
struct AmendmentInput {
    QString kind;
    QString lower;
    QString upper;
    QString element;
    QString sex;
    QString ear;
    QString rni;
    QString ul;
    QString remark;
};

// Adds an amendment after its checks. Refusals: Refused "请正确选择膳食种类!"
// (no kind), Refused "请正确选择营养素种类!" (no element), BadNumber
// "请正确填写参考标准值!" (a value missing or not EAR ≤ RNI < UL), Duplicate
// "年龄阶段有重复!" (the range overlaps a row of the same kind, element and sex).
Result addAmendment(QSqlDatabase db, const AmendmentInput &in);
// Deletes one amendment.
Result deleteAmendment(QSqlDatabase db, const Amendment &a);
// Changes the values and the note of one amendment. Refusals: BadNumber
// "请填写完整的参考标准!" (a value missing) or "请正确填写参考标准值!".
Result changeAmendment(QSqlDatabase db, const Amendment &a, const QString &ear, const QString &rni,
                       const QString &ul, const QString &remark);

// Whether two half-open age ranges intersect.
bool ageRangesOverlap(double fir1, double last1, double fir2, double last2);

} // namespace nqb
