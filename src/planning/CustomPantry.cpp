#include "planning/CustomPantry.h"

#include "data/DataModule.h"
#include "data/InputCheck.h"
#include "data/NumberFormat.h"
#include "planning/MealPlan.h"
#include "planning/PlanDb.h"

#include <QSqlQuery>
#include <cmath>

namespace nqb::pantry {

namespace {

PantryResult fail(PantryStatus status, const QString &message)
{
    PantryResult r;
    r.status = status;
    r.message = message;
    return r;
}

// Sets *found to whether (identifier, slot) is listed; false with *error when
// the statement fails.
bool exists(const QString &identifier, const QString &slot, bool *found, QString *error)
{
    QSqlQuery q(db());
    if (!sql::exec(q, QStringLiteral("SELECT COUNT(*) FROM CustomPantry_tb WHERE PANTRY = ? AND DINERTIME = ?"),
                      {identifier, slot}, error))
        return false;
    *found = q.next() && q.value(0).toInt() > 0;
    return true;
}

} // namespace

std::optional<FoodKind> kindOf(const QString &identifier)
{
    switch (identifier.trimmed().size()) {
    case 6:
        return FoodKind::Dish;
    case 8:
        return FoodKind::RawFood;
    default:
        return std::nullopt;
    }
}

QString emptyNameMessage() { return QStringLiteral("食物名不能为空!"); }
QString duplicateMessage() { return QStringLiteral("该食物已存在!"); }

QString slotMenuSql()
{
    return QStringLiteral(
        "SELECT PANTRY, DINERTIME, FOODNAME, WEIGHT FROM CustomPantry_tb WHERE DINERTIME = ? ORDER BY rowid");
}

QList<PantryItem> slotMenu(const QString &slot, QString *error)
{
    QList<PantryItem> items;
    QSqlQuery q(db());
    QString err;
    if (!sql::exec(q, slotMenuSql(), {slot.trimmed()}, &err)) {
        if (error)
            *error = err;
        return {};
    }
    while (q.next()) {
        PantryItem it;
        it.pantry = q.value(0).toString();
        it.dinerTime = q.value(1).toString();
        it.foodName = q.value(2).toString();
        const QVariant w = q.value(3);
        if (!w.isNull() && !w.toString().trimmed().isEmpty())
            it.weight = toNumber(w);
        items << it;
    }
    if (error)
        error->clear();
    return items;
}

PantryResult addItem(const QString &identifier, const QString &foodName, const QString &slot)
{
    const QString name = foodName.trimmed();
    const QString id = identifier.trimmed();
    const QString slotText = slot.trimmed();
    if (name.isEmpty())
        return fail(PantryStatus::EmptyName, emptyNameMessage());
    if (id.isEmpty())
        return fail(PantryStatus::NotFound, plan::nothingChosenMessage());
    if (!plan::findMealSlot(slotText))
        return fail(PantryStatus::NotFound, QStringLiteral("“%1”不是餐名。").arg(slotText));

    QString err;
    bool found = false;
    if (!exists(id, slotText, &found, &err))
        return fail(PantryStatus::DbError, err);
    if (found)
        return fail(PantryStatus::Duplicate, duplicateMessage());

    QSqlQuery q(db());
    if (!sql::exec(q,
                      QStringLiteral("INSERT INTO CustomPantry_tb (PANTRY, DINERTIME, FOODNAME, WEIGHT) "
                                     "VALUES (?, ?, ?, NULL)"),
                      {id, slotText, name}, &err)) {
        // The unique index refuses an item another writer added meanwhile.
        bool nowFound = false;
        if (exists(id, slotText, &nowFound, nullptr) && nowFound)
            return fail(PantryStatus::Duplicate, duplicateMessage());
        return fail(PantryStatus::DbError, err);
    }
    PantryResult r;
    r.rows = 1;
    return r;
}

PantryResult deleteItem(const QString &identifier, const QString &slot)
{
    QSqlQuery q(db());
    QString err;
    if (!sql::exec(q, QStringLiteral("DELETE FROM CustomPantry_tb WHERE PANTRY = ? AND DINERTIME = ?"),
                      {identifier.trimmed(), slot.trimmed()}, &err))
        return fail(PantryStatus::DbError, err);
    PantryResult r;
    r.rows = q.numRowsAffected();
    return r;
}

PantryResult deleteByName(const QString &foodName)
{
    QSqlQuery q(db());
    QString err;
    if (!sql::exec(q, QStringLiteral("DELETE FROM CustomPantry_tb WHERE FOODNAME = ?"), {foodName.trimmed()},
                      &err))
        return fail(PantryStatus::DbError, err);
    PantryResult r;
    r.rows = q.numRowsAffected();
    return r;
}

PantryResult setWeight(const QString &identifier, const QString &slot, const QString &weightText)
{
    const QString t = weightText.trimmed();
    QVariant weight; // NULL clears the portion
    if (!t.isEmpty()) {
        double v = 0;
        QString message;
        if (!input::readNumber(QStringLiteral("重量"), t, 0, input::kMaxGrams, &v, &message))
            return fail(PantryStatus::BadWeight, message);
        weight = v;
    } else {
        weight = QVariant(QMetaType::fromType<double>());
    }
    QSqlQuery q(db());
    QString err;
    if (!sql::exec(q, QStringLiteral("UPDATE CustomPantry_tb SET WEIGHT = ? WHERE PANTRY = ? AND DINERTIME = ?"),
                      {weight, identifier.trimmed(), slot.trimmed()}, &err))
        return fail(PantryStatus::DbError, err);
    if (q.numRowsAffected() < 1)
        return fail(PantryStatus::NotFound, QStringLiteral("带量菜谱中没有这一项。"));
    PantryResult r;
    r.rows = q.numRowsAffected();
    return r;
}

} // namespace nqb::pantry
