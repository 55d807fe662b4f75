#include "planning/MealPlan.h"

#include "data/DataModule.h"
#include "data/InputCheck.h"
#include "data/NumberFormat.h"
#include "data/Schema.h"
#include "planning/PlanDb.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace nqb::plan {

// ---------------------------------------------------------------- weekdays

const std::array<WeekdayInfo, kWeekdayCount> &weekdays()
{
    static const std::array<WeekdayInfo, kWeekdayCount> days = {{
        {"SUN", "周日", "Sun_Rdo"},
        {"MON", "周一", "Mon_Rdo"},
        {"TUE", "周二", "Tue_Rdo"},
        {"WED", "周三", "Wed_Rdo"},
        {"THU", "周四", "Thu_Rdo"},
        {"FRI", "周五", "Fri_Rdo"},
        {"SAT", "周六", "Sat_Rdo"},
    }};
    return days;
}

QString weekdayCode(int index)
{
    if (index < 0 || index >= kWeekdayCount)
        return {};
    return QString::fromLatin1(weekdays()[index].code);
}

QString weekdayCaption(int index)
{
    if (index < 0 || index >= kWeekdayCount)
        return {};
    return QString::fromUtf8(weekdays()[index].caption);
}

int weekdayIndex(const QString &code)
{
    for (int i = 0; i < kWeekdayCount; ++i) {
        if (code == QLatin1String(weekdays()[i].code))
            return i;
    }
    return -1;
}

// ---------------------------------------------------------------- meal slots

const std::array<MealSlotInfo, kMealSlotCount> &mealSlots()
{
    static const std::array<MealSlotInfo, kMealSlotCount> table = {{
        {MealSlot::Breakfast, "早餐", "A", "Breakfast_rdo", "早    餐", "TSBreakfast", "Brakfirst_Grid"},
        {MealSlot::BreakfastMid, "早间餐", "B", "BreakfastMid_rdo", "早间餐", "TSBreakfastMid", "BrakfirstMid_Grid"},
        {MealSlot::Lunch, "午餐", "C", "Lunch_rdo", "午    餐", "TSLunch", "Lunch_Grid"},
        {MealSlot::LunchMid, "午间餐", "D", "LunchMid_rdo", "午间餐", "TSLunchMid", "LunchMid_Grid"},
        {MealSlot::Supper, "晚餐", "E", "Supper_rdo", "晚    餐", "TSSupper", "Supper_Grid"},
        {MealSlot::SupperMid, "晚间餐", "F", "SupperMid_rdo", "晚间餐", "TSSupperMid", "SupperMid_Grid"},
        {MealSlot::Midnight, "加餐", "G", "Midnight_rdo", "加    餐", "TSMidnight", "Middlenight_Grid"},
    }};
    return table;
}

const MealSlotInfo &slotInfo(MealSlot slot)
{
    return mealSlots()[static_cast<int>(slot)];
}

const MealSlotInfo *findMealSlot(const QString &name)
{
    const QString n = name.trimmed();
    for (const auto &s : mealSlots()) {
        if (n == QString::fromUtf8(s.name))
            return &s;
    }
    return nullptr;
}

QString slotName(MealSlot slot)
{
    return QString::fromUtf8(slotInfo(slot).name);
}

QString slotLetter(MealSlot slot)
{
    return QString::fromLatin1(slotInfo(slot).letter);
}

// ---------------------------------------------------------------- meal patterns

bool isKnownMealPattern(int pattern)
{
    return pattern >= 1 && pattern <= 3;
}

bool slotInUse(int pattern, MealSlot slot)
{
    switch (slot) {
    case MealSlot::Breakfast:
    case MealSlot::Lunch:
    case MealSlot::Supper:
        return true;
    case MealSlot::BreakfastMid:
    case MealSlot::LunchMid:
        return pattern != 1;
    case MealSlot::SupperMid:
        return pattern != 1 && pattern != 2;
    case MealSlot::Midnight:
        return pattern != 2 && pattern != 3;
    }
    return false;
}

QList<MealSlot> slotsInUse(int pattern)
{
    QList<MealSlot> l;
    for (const auto &s : mealSlots()) {
        if (slotInUse(pattern, s.slot))
            l << s.slot;
    }
    return l;
}

QStringList slotNamesInUse(int pattern)
{
    QStringList l;
    for (MealSlot s : slotsInUse(pattern))
        l << slotName(s);
    return l;
}

QStringList slotNamesDroppedBy(int pattern)
{
    QStringList l;
    for (const auto &s : mealSlots()) {
        if (!slotInUse(pattern, s.slot))
            l << QString::fromUtf8(s.name);
    }
    return l;
}

// ---------------------------------------------------------------- amount rule

int edibleWhole(const QVariant &edible)
{
    const double v = toNumber(edible);
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(roundHalfEven(v, 0));
}

double entryAmount(double content, double weight, int edible)
{
    // Each step is a double operation, so the order matters: content × weight,
    // then × edible, then ÷ 10000.
    double a = content * weight;
    a = a * static_cast<double>(edible);
    return a / 10000.0;
}

CompositionValues entryAmounts(const CompositionValues &content, double weight, int edible)
{
    CompositionValues out{};
    for (int i = 0; i < kCompositionCount; ++i)
        out[i] = entryAmount(content[i], weight, edible);
    return out;
}

CompositionValues rescaleAmounts(const CompositionValues &amounts, double wOld, double wNew)
{
    CompositionValues out{};
    for (int i = 0; i < kCompositionCount; ++i)
        out[i] = amounts[i] / wOld * wNew;
    return out;
}

// ---------------------------------------------------------------- food rows

bool isRawFoodCode(const QString &code)
{
    return code.trimmed().size() == 8;
}

namespace {

FoodRow readFood(FoodKind source, const QString &keyColumn, const QString &key, QString *error)
{
    const QString table = kindTable(source);
    const QString idColumn = kindIdColumn(source);
    const QString nameColumn = source == FoodKind::RawFood ? QStringLiteral("FoodName") : QStringLiteral("FOODNAME");
    const QString sql = QStringLiteral("SELECT %1, %2, EDIBLE, %3 FROM %4 WHERE %5=? ORDER BY rowid LIMIT 1")
                            .arg(idColumn, nameColumn, joinColumns(compositionColumns()), table, keyColumn);
    // Run once per entry by the recomputations: prepared once.
    sql::Read r(sql, {key});
    FoodRow row;
    if (!r.next()) {
        if (!r.ok() && error)
            *error = table + QStringLiteral(": ") + r.status().message;
        return row;
    }
    row.source = source;
    row.code = r.text(0);
    row.name = r.text(1);
    row.edible = r.value(2);
    row.content = plandb::compositionOf(r, 3);
    return row;
}

} // namespace

FoodRow foodRowFromRecord(const QSqlRecord &record, FoodKind source)
{
    FoodRow row;
    row.source = source;
    const QString idColumn = kindIdColumn(source);
    // Field look-up by name is case-insensitive in QSqlRecord.
    row.code = record.value(idColumn).toString();
    row.name = record.value(QStringLiteral("FoodName")).toString();
    row.edible = record.value(QStringLiteral("EDIBLE"));
    row.content = plandb::compositionOf(record);
    return row;
}

FoodRow lookupFoodByCode(const QString &code, QString *error)
{
    const QString c = code.trimmed();
    if (c.isEmpty())
        return {};
    const FoodKind first = isRawFoodCode(c) ? FoodKind::RawFood : FoodKind::Dish;
    const FoodKind second = first == FoodKind::RawFood ? FoodKind::Dish : FoodKind::RawFood;
    QString err;
    FoodRow row = readFood(first, kindIdColumn(first), c, &err);
    if (!row.found() && err.isEmpty())
        row = readFood(second, kindIdColumn(second), c, &err);
    if (!err.isEmpty() && error)
        *error = err;
    return row;
}

FoodRow lookupFoodByName(const QString &name, FoodKind table, QString *error)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        return {};
    return readFood(table, table == FoodKind::RawFood ? QStringLiteral("FoodName") : QStringLiteral("FOODNAME"), n,
                    error);
}

// ---------------------------------------------------------------- results

QString emptyWeightMessage() { return QStringLiteral("重量不能为空!"); }
QString emptyNewWeightMessage() { return QStringLiteral("食物重量不能为空!"); }
QString duplicateEntryMessage() { return QStringLiteral("该食物以存在,不能添加!"); }
QString nothingChosenMessage() { return QStringLiteral("没有选中食物!"); }

PlanStatus parseWeight(const QString &text, double *weight, QString *message)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        if (message)
            *message = emptyWeightMessage();
        return PlanStatus::EmptyWeight;
    }
    double v = 0;
    if (!input::readNumber(QStringLiteral("重量"), t, 0, input::kMaxGrams, &v, message))
        return PlanStatus::BadNumber;
    if (weight)
        *weight = v;
    return PlanStatus::Ok;
}

namespace {

QString planColumnList()
{
    const TableDef *t = findTable(QStringLiteral("NQBNutri_tmp"));
    return joinColumns(t->columns);
}

} // namespace

PlanResult addEntry(const FoodRow &food, const QString &week, MealSlot slot, const QString &weightText)
{
    double weight = 0;
    QString message;
    const PlanStatus ws = parseWeight(weightText, &weight, &message);
    if (ws != PlanStatus::Ok)
        return failure(ws, message);
    const QString name = food.name.trimmed();
    if (name.isEmpty())
        return failure(PlanStatus::NotFound, nothingChosenMessage());

    const QString slotText = slotName(slot);
    {
        // Both statements are kept prepared: the insert names every column.
        sql::Read r(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp WHERE FOODNAME=? AND WEEK=? AND DINERTIME=?"),
                    {name, week, slotText});
        const bool counted = r.next();
        if (!r.ok())
            return failure(PlanStatus::DbError, r.status().message);
        if (counted && r.integer(0) > 0)
            return failure(PlanStatus::Duplicate, duplicateEntryMessage());
    }

    const int edible = edibleWhole(food.edible);
    const CompositionValues amounts = entryAmounts(food.content, weight, edible);
    QVariantList binds{slotLetter(slot), food.code, name, week, slotText, weight, edible};
    for (double a : amounts)
        binds << a;
    QStringList marks;
    for (int i = 0; i < binds.size(); ++i)
        marks << QStringLiteral("?");
    const QString sql =
        QStringLiteral("INSERT INTO NQBNutri_tmp (%1) VALUES (%2)").arg(planColumnList(), marks.join(QLatin1Char(',')));
    if (const Result r = sql::run(sql, binds); !r.ok())
        return failure(PlanStatus::DbError, r.message);
    return succeeded(1);
}

PlanResult addEntryByCode(const QString &code, const QString &week, MealSlot slot, const QString &weightText)
{
    // The weight is checked first, as the add dialog does.
    double weight = 0;
    QString message;
    const PlanStatus ws = parseWeight(weightText, &weight, &message);
    if (ws != PlanStatus::Ok)
        return failure(ws, message);
    QString err;
    const FoodRow food = lookupFoodByCode(code, &err);
    if (!err.isEmpty())
        return failure(PlanStatus::DbError, err);
    if (!food.found())
        return failure(PlanStatus::NotFound, nothingChosenMessage());
    return addEntry(food, week, slot, weightText);
}

PlanResult changeWeight(const QString &name, const QString &week, const QString &slot,
                        const QString &newWeightText)
{
    double wNew = 0;
    QString message;
    const PlanStatus ws = parseWeight(newWeightText, &wNew, &message);
    if (ws == PlanStatus::EmptyWeight)
        return failure(ws, emptyNewWeightMessage());
    if (ws != PlanStatus::Ok)
        return failure(ws, message);

    QSqlQuery q(nqb::db());
    QString err;
    const QString sql = QStringLiteral("SELECT rowid, CODE, WEIGHT, EDIBLE, %1 FROM NQBNutri_tmp "
                                       "WHERE FOODNAME=? AND WEEK=? AND DINERTIME=? ORDER BY rowid LIMIT 1")
                            .arg(joinColumns(compositionColumns()));
    if (!sql::exec(q, sql, {name.trimmed(), week, slot}, &err))
        return failure(PlanStatus::DbError, err);
    if (!q.next())
        return failure(PlanStatus::NotFound, nothingChosenMessage());
    const QSqlRecord rec = q.record();
    const qint64 rowid = rec.value(0).toLongLong();
    const double wOld = toNumber(rec.value(QStringLiteral("WEIGHT")));
    QVariant edibleOut = rec.value(QStringLiteral("EDIBLE"));

    CompositionValues amounts{};
    if (wOld != 0.0 && std::isfinite(wOld)) {
        amounts = rescaleAmounts(plandb::compositionOf(rec), wOld, wNew);
    } else {
        // Amounts of a zero weight cannot be rescaled: compute them afresh.
        const FoodRow food = lookupFoodByCode(rec.value(QStringLiteral("CODE")).toString(), &err);
        if (!err.isEmpty())
            return failure(PlanStatus::DbError, err);
        if (!food.found())
            return failure(PlanStatus::NotFound,
                           QStringLiteral("找不到“%1”的成分数据，无法按新重量计算。").arg(name.trimmed()));
        if (edibleOut.isNull())
            edibleOut = edibleWhole(food.edible);
        amounts = entryAmounts(food.content, wNew, edibleWhole(edibleOut));
    }

    QStringList cols{QStringLiteral("WEIGHT"), QStringLiteral("EDIBLE")};
    cols << compositionColumns();
    QVariantList binds{wNew, edibleOut};
    for (double a : amounts)
        binds << a;
    binds << rowid;
    if (!sql::exec(q, QStringLiteral("UPDATE NQBNutri_tmp SET %1 WHERE rowid=?").arg(plandb::assignments(cols)),
                      binds, &err))
        return failure(PlanStatus::DbError, err);
    return succeeded(q.numRowsAffected());
}

PlanResult deleteEntry(const QString &code, const QString &week, const QString &slot, const QString &name)
{
    const QString c = code.trimmed();
    const QString n = name.trimmed();
    QSqlQuery q(nqb::db());
    QString err;
    bool ok = true;
    if (!c.isEmpty()) {
        ok = sql::exec(q, QStringLiteral("DELETE FROM NQBNutri_tmp WHERE CODE=? AND WEEK=? AND DINERTIME=?"),
                          {c, week, slot}, &err);
    } else if (!n.isEmpty()) {
        ok = sql::exec(q,
                          QStringLiteral("DELETE FROM NQBNutri_tmp WHERE (CODE IS NULL OR TRIM(CODE)='') "
                                         "AND FOODNAME=? AND WEEK=? AND DINERTIME=?"),
                          {n, week, slot}, &err);
    } else {
        return {};
    }
    if (!ok)
        return failure(PlanStatus::DbError, err);
    return succeeded(q.numRowsAffected());
}

PlanResult clearPlan()
{
    QSqlQuery q(nqb::db());
    QString err;
    if (!sql::exec(q, QStringLiteral("DELETE FROM NQBNutri_tmp"), {}, &err))
        return failure(PlanStatus::DbError, err);
    return succeeded(q.numRowsAffected());
}

PlanResult applyMealPattern(int pattern)
{
    const QStringList dropped = slotNamesDroppedBy(pattern);
    PlanResult r;
    if (dropped.isEmpty())
        return r;
    QStringList marks;
    QVariantList binds;
    for (const auto &s : dropped) {
        marks << QStringLiteral("?");
        binds << s;
    }
    QSqlQuery q(nqb::db());
    QString err;
    if (!sql::exec(q,
                      QStringLiteral("DELETE FROM NQBNutri_tmp WHERE DINERTIME IN (%1)").arg(marks.join(QLatin1Char(','))),
                      binds, &err))
        return failure(PlanStatus::DbError, err);
    r.rows = q.numRowsAffected();
    return r;
}

// ---------------------------------------------------------------- totals

QString dayEntriesSql()
{
    return QStringLiteral("SELECT * FROM NQBNutri_tmp WHERE WEEK=? ORDER BY DINERTMP ASC, rowid ASC");
}

double footerSum(const QList<double> &values)
{
    double s = 0.0;
    for (double v : values)
        s += v;
    return roundHalfEven(s, 4);
}

namespace {

CompositionValues sumBlock(const QString &sql, const QVariantList &binds, QString *error)
{
    CompositionValues sums{};
    sql::Read q(sql, binds);
    while (q.next()) {
        const CompositionValues v = plandb::compositionOf(q, 0);
        for (int i = 0; i < kCompositionCount; ++i)
            sums[i] += v[i];
    }
    if (!q.ok()) {
        if (error)
            *error = q.status().message;
        return CompositionValues{};
    }
    for (double &s : sums)
        s = roundHalfEven(s, 4);
    return sums;
}

} // namespace

CompositionValues dayTotals(const QString &week, QString *error)
{
    return sumBlock(QStringLiteral("SELECT %1 FROM NQBNutri_tmp WHERE WEEK=? ORDER BY DINERTMP ASC, rowid ASC")
                        .arg(joinColumns(compositionColumns())),
                    {week}, error);
}

CompositionValues planTotals(QString *error)
{
    return sumBlock(
        QStringLiteral("SELECT %1 FROM NQBNutri_tmp ORDER BY rowid ASC").arg(joinColumns(compositionColumns())), {},
        error);
}

} // namespace nqb::plan
