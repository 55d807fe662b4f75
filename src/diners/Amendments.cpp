#include "diners/Amendments.h"

#include "data/InputCheck.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"

#include <QSqlQuery>

namespace nqb {

namespace {

// A value field: filled and a number.
bool readValue(const QString &text, double &out)
{
    if (text.trimmed().isEmpty())
        return false;
    bool ok = false;
    out = parseNumber(text, &ok);
    return ok;
}

// A typed value that is there but is no number, is negative or is out of all
// proportion: refused with a message naming its field.
Result valueFaults(const QString &ear, const QString &rni, const QString &ul)
{
    const std::pair<const char *, const QString *> fields[] = {{"EAR", &ear}, {"RNI", &rni}, {"UL", &ul}};
    for (const auto &[name, text] : fields) {
        QString message;
        if (!input::readNumber(QString::fromLatin1(name), *text, 0, input::kMaxNutrient, nullptr, &message))
            return failure(Status::BadNumber, message);
    }
    return succeeded();
}

double ageNumber(const QString &text, bool *ok)
{
    return text.trimmed().toDouble(ok);
}

} // namespace

QString allKindsFilter()
{
    return QStringLiteral("ALL");
}

QString chooseElementText()
{
    return QStringLiteral("请选择");
}

QStringList amendmentLowerAges()
{
    return {"0", "0.5", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "14", "18", "50", "60", "70", "80"};
}

QStringList amendmentUpperAges()
{
    return {"0.5", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "14", "18", "50", "60", "70", "80", "99"};
}

QStringList upperAgesAbove(const QString &lower)
{
    bool ok = false;
    const double low = ageNumber(lower, &ok);
    QStringList out;
    for (const QString &u : amendmentUpperAges()) {
        if (!ok || u.toDouble() > low)
            out << u;
    }
    return out;
}

QString amendmentAgeText(const QString &lower, const QString &upper)
{
    return lower.trimmed() + QStringLiteral("岁") + QStringLiteral(" ~ ") + upper.trimmed() + QStringLiteral("岁");
}

bool ageRangesOverlap(double fir1, double last1, double fir2, double last2)
{
    return fir1 < last2 && last1 > fir2;
}

Result readAmendmentKinds(QSqlDatabase db, QStringList &out)
{
    out.clear();
    QSqlQuery q(db);
    const Result r = sql::exec(q, QStringLiteral("SELECT MEALKIND FROM DRIsIllKind_tb ORDER BY rowid"));
    if (!r)
        return r;
    while (q.next())
        out << q.value(0).toString().trimmed();
    return succeeded(out.size());
}

Result readAmendments(QSqlDatabase db, const QString &kindFilter, QList<Amendment> &out)
{
    out.clear();
    const QString select = QStringLiteral("SELECT rowid, MEALKIND, AGE, YEARFIR, YEARLAST, ELEMENT, SEX, RNI, EAR, UL, "
                                          "REMARK FROM DRIsIll_tb ");
    QSqlQuery q(db);
    const Result r = kindFilter.trimmed() == allKindsFilter()
                         ? sql::exec(q, select + QStringLiteral("ORDER BY YEARFIR ASC, rowid"))
                         : sql::exec(q, select + QStringLiteral("WHERE MEALKIND = ? ORDER BY YEARFIR ASC, rowid"),
                                     {kindFilter.trimmed()});
    if (!r)
        return r;
    while (q.next()) {
        Amendment a;
        a.rowId = q.value(0).toLongLong();
        a.kind = q.value(1).toString();
        a.age = q.value(2).toString();
        a.yearFir = q.value(3).toDouble();
        a.yearLast = q.value(4).toDouble();
        a.element = q.value(5).toString();
        a.sex = q.value(6).toString();
        a.rni = q.value(7);
        a.ear = q.value(8);
        a.ul = q.value(9);
        a.remark = q.value(10).toString();
        out << a;
    }
    return succeeded(out.size());
}

Result addAmendment(QSqlDatabase db, const AmendmentInput &in)
{
    const QString kind = in.kind.trimmed();
    const QString element = in.element.trimmed();
    const QString sex = in.sex.trimmed();
    if (kind.isEmpty() || kind == allKindsFilter())
        return failure(Status::Refused, QStringLiteral("请正确选择膳食种类!"));
    if (element.isEmpty() || element == chooseElementText() || requirementIndexOfElement(element) < 0)
        return failure(Status::Refused, QStringLiteral("请正确选择营养素种类!"));
    if (const Result faults = valueFaults(in.ear, in.rni, in.ul); !faults)
        return faults;
    double ear = 0, rni = 0, ul = 0;
    if (!readValue(in.ear, ear) || !readValue(in.rni, rni) || !readValue(in.ul, ul) || !(ear <= rni) || !(ul > rni))
        return failure(Status::BadNumber, QStringLiteral("请正确填写参考标准值!"));
    bool okLow = false, okUp = false;
    const double lower = ageNumber(in.lower, &okLow);
    const double upper = ageNumber(in.upper, &okUp);
    if (!okLow || !okUp || !(upper > lower))
        return failure(Status::BadNumber, QStringLiteral("请正确选择年龄阶段!"));

    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(db);
    Result r = sql::exec(q, QStringLiteral("SELECT YEARFIR, YEARLAST FROM DRIsIll_tb WHERE MEALKIND = ? AND ELEMENT = ? "
                                           "AND SEX = ?"),
                         {kind, element, sex});
    if (!r)
        return r;
    while (q.next()) {
        if (ageRangesOverlap(q.value(0).toDouble(), q.value(1).toDouble(), lower, upper))
            return failure(Status::Duplicate, QStringLiteral("年龄阶段有重复!"));
    }
    r = sql::exec(q, QStringLiteral("INSERT INTO DRIsIll_tb (MEALKIND, YEARFIR, YEARLAST, AGE, ELEMENT, SEX, EAR, RNI, "
                                    "UL, REMARK) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                  {kind, lower, upper, amendmentAgeText(in.lower, in.upper), element, sex, ear, rni, ul, in.remark});
    if (!r)
        return r;
    r = scope.commit();
    if (r)
        r.rows = 1;
    return r;
}

Result deleteAmendment(QSqlDatabase db, const Amendment &a)
{
    QSqlQuery q(db);
    return sql::exec(q, QStringLiteral("DELETE FROM DRIsIll_tb WHERE rowid = ?"), {a.rowId});
}

Result changeAmendment(QSqlDatabase db, const Amendment &a, const QString &earText, const QString &rniText,
                       const QString &ulText, const QString &remark)
{
    if (earText.trimmed().isEmpty() || rniText.trimmed().isEmpty() || ulText.trimmed().isEmpty())
        return failure(Status::BadNumber, QStringLiteral("请填写完整的参考标准!"));
    if (const Result faults = valueFaults(earText, rniText, ulText); !faults)
        return faults;
    double ear = 0, rni = 0, ul = 0;
    if (!readValue(earText, ear) || !readValue(rniText, rni) || !readValue(ulText, ul) || !(ul > rni) ||
        !(ear <= rni))
        return failure(Status::BadNumber, QStringLiteral("请正确填写参考标准值!"));
    QSqlQuery q(db);
    const Result r = sql::exec(q, QStringLiteral("UPDATE DRIsIll_tb SET RNI = ?, EAR = ?, UL = ?, REMARK = ? "
                                                 "WHERE rowid = ?"),
                               {rni, ear, ul, remark.trimmed(), a.rowId});
    if (r && r.rows < 1)
        return failure(Status::NotFound, QStringLiteral("这条修订已不存在。"));
    return r;
}

} // namespace nqb
