#pragma once
// The two nutrient blocks that many tables carry as consecutive columns, and
// the map between them. Every copy or sum of nutrients goes through these lists.
#include <QString>
#include <QStringList>
#include <array>

namespace nqb {

struct NutrientColumn {
    const char *column;   // database column name
    const char *name;     // Chinese display name
    const char *unit;     // unit of the value
};

// 36 columns, values per 100 g edible portion in food tables.
inline constexpr int kCompositionCount = 36;
// 26 columns, daily amounts.
inline constexpr int kRequirementCount = 26;

const std::array<NutrientColumn, kCompositionCount> &compositionBlock();
const std::array<NutrientColumn, kRequirementCount> &requirementBlock();

QStringList compositionColumns();
QStringList requirementColumns();

// Index into the composition block of the column that feeds requirement column i.
int compositionIndexOfRequirement(int requirementIndex);
// Index into the requirement block of a composition column, or -1.
int requirementIndexOfComposition(int compositionIndex);

int compositionIndex(const QString &column); // case-insensitive, -1 if unknown
int requirementIndex(const QString &column); // case-insensitive, -1 if unknown

// Grid header of requirement column i ("能量[kcal]", "脂  肪", "Vit B6", ...).
QString requirementHeader(int requirementIndex);
// Element name of requirement column i, as special-diet amendment rows name
// the nutrient ("能量 [kcal]", "胆固醇 [ug]", "硒 [mg]", ...).
QString requirementElement(int requirementIndex);
// Requirement index of an element name (trimmed, exact), or -1.
int requirementIndexOfElement(const QString &element);

// Comma-joined column list, optionally qualified ("T.WATER, T.ENERC_kcal, ...").
QString joinColumns(const QStringList &columns, const QString &qualifier = {});

} // namespace nqb
