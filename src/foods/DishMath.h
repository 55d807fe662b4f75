#pragma once
// A dish's own composition, computed from its ingredients: the values the dish
// editor stores in CateNutri_tb so that the planning windows treat a dish like a
// raw food.
#include "data/NutrientBlocks.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <array>
#include <optional>

namespace nqb {

// One value of the composition block; empty when not measured.
using CompositionValue = std::optional<double>;
using CompositionBlock = std::array<CompositionValue, kCompositionCount>;

// The amount of a nutrient contained in a weight of food: content per 100 g
// edible portion x weight in grams x edible percentage / 10000 (the weight is
// the weight as bought, of which edible % is eaten).
double ingredientAmount(double per100g, double weight, int ediblePercent);

// The edible percentage of a raw food as the amount rule takes it: a whole
// number (an empty value counts as 0).
int edibleAsInteger(const QVariant &edible);

// A dish's edible portion as it is saved: a whole number from 0 to 100
// (anything above 100 counts as 100).
int clampDishEdible(int edible);

struct DishIngredient {
    double weight = 0;        // grams as bought
    int edible = 0;           // edible portion of the raw food, percent
    CompositionBlock per100g; // the raw food's contents per 100 g edible portion
};

// The dish's 36 values: per 100 g of the total ingredient weight, times the
// dish's edible portion / 100. Each nutrient's amounts and the weights are
// summed as the ingredient grid's footers hold them (rounded to four
// decimals); value = sum x edible / total weight, stored unrounded. A
// nutrient that no ingredient has a value for stays empty rather than 0.
// Returns nothing when the total weight is not positive (no dish values
// exist then).
std::optional<CompositionBlock> computeDishBlock(const QList<DishIngredient> &ingredients, int dishEdible);

// Recomputes and stores the composition block of the dishes in CateNutri_tb
// from their CateComponent_tb rows and the raw foods of Nutri_tb (an
// ingredient whose raw food no longer exists counts with its weight only).
// An empty foodId means every dish. A dish without ingredient weight keeps
// empty values. Runs inside the caller's transaction, if any; returns false
// with the error text on failure.
bool storeDishBlocks(QSqlDatabase db, QString *error = nullptr, const QString &foodId = QString());

} // namespace nqb
