#include "foods/DishMath.h"

#include "data/NumberFormat.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace nqb {

namespace {
// Footer sums of the ingredient grid are held to four decimals.
constexpr int kFooterDecimals = 4;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
} // namespace

double ingredientAmount(double per100g, double weight, int ediblePercent)
{
    return per100g * weight * ediblePercent / 10000.0;
}

int edibleAsInteger(const QVariant &edible)
{
    return static_cast<int>(std::nearbyint(toNumber(edible)));
}

int clampDishEdible(int edible)
{
    return edible > 100 ? 100 : (edible < 0 ? 0 : edible);
}

std::optional<CompositionBlock> computeDishBlock(const QList<DishIngredient> &ingredients, int dishEdible)
{
    double weight = 0;
    std::array<double, kCompositionCount> sums{};
    std::array<bool, kCompositionCount> known{};
    for (const auto &ing : ingredients) {
        weight += ing.weight;
        for (int k = 0; k < kCompositionCount; ++k) {
            if (ing.per100g[k]) {
                sums[k] += ingredientAmount(*ing.per100g[k], ing.weight, ing.edible);
                known[k] = true;
            }
        }
    }
    const double w = roundHalfEven(weight, kFooterDecimals);
    if (!(w > 0))
        return std::nullopt;
    const int e = clampDishEdible(dishEdible);
    CompositionBlock out;
    for (int k = 0; k < kCompositionCount; ++k) {
        if (known[k])
            out[k] = roundHalfEven(sums[k], kFooterDecimals) * e / w;
    }
    return out;
}

bool storeDishBlocks(QSqlDatabase db, QString *error, const QString &foodId)
{
    const QStringList cols = compositionColumns();

    // The dishes and their edible portions.
    QSqlQuery dq(db);
    dq.prepare(foodId.isEmpty() ? QStringLiteral("SELECT FOODID, EDIBLE FROM CateNutri_tb")
                                : QStringLiteral("SELECT FOODID, EDIBLE FROM CateNutri_tb WHERE FOODID = ?"));
    if (!foodId.isEmpty())
        dq.addBindValue(foodId);
    if (!dq.exec()) {
        setError(error, dq.lastError().text());
        return false;
    }
    QList<QPair<QString, int>> dishes;
    while (dq.next())
        dishes.append({dq.value(0).toString(), edibleAsInteger(dq.value(1))});

    // Their ingredients with the raw foods' contents, in one pass.
    QSqlQuery iq(db);
    iq.prepare(QStringLiteral("SELECT c.FOODID, c.WEIGHT, n.Code, n.EDIBLE, %1 FROM CateComponent_tb c "
                              "LEFT JOIN Nutri_tb n ON n.Code = c.CODE%2 ORDER BY c.rowid")
                   .arg(joinColumns(cols, QStringLiteral("n")),
                        foodId.isEmpty() ? QString() : QStringLiteral(" WHERE c.FOODID = ?")));
    if (!foodId.isEmpty())
        iq.addBindValue(foodId);
    if (!iq.exec()) {
        setError(error, iq.lastError().text());
        return false;
    }
    QHash<QString, QList<DishIngredient>> byDish;
    while (iq.next()) {
        DishIngredient ing;
        ing.weight = toNumber(iq.value(1));
        const bool foodExists = !iq.value(2).isNull();
        ing.edible = foodExists ? edibleAsInteger(iq.value(3)) : 0;
        for (int k = 0; k < kCompositionCount; ++k) {
            const QVariant v = iq.value(4 + k);
            if (foodExists && !v.isNull() && !v.toString().isEmpty())
                ing.per100g[k] = v.toDouble();
        }
        byDish[iq.value(0).toString()].append(ing);
    }

    QStringList sets;
    for (const auto &c : cols)
        sets << c + QStringLiteral(" = ?");
    QSqlQuery uq(db);
    if (!uq.prepare(QStringLiteral("UPDATE CateNutri_tb SET %1 WHERE FOODID = ?").arg(sets.join(QStringLiteral(", "))))) {
        setError(error, uq.lastError().text());
        return false;
    }
    for (const auto &[id, edible] : dishes) {
        const std::optional<CompositionBlock> block = computeDishBlock(byDish.value(id), edible);
        for (int k = 0; k < kCompositionCount; ++k) {
            if (block && (*block)[k])
                uq.bindValue(k, *(*block)[k]);
            else
                uq.bindValue(k, QVariant(QMetaType::fromType<double>()));
        }
        uq.bindValue(kCompositionCount, id);
        if (!uq.exec()) {
            setError(error, QStringLiteral("%1: %2").arg(id, uq.lastError().text()));
            return false;
        }
    }
    return true;
}

} // namespace nqb
