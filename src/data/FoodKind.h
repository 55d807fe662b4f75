#pragma once

#include <QString>

namespace nqb {

// The two kinds of thing a plan entry, a pick list or a picture can stand
// for: a raw food (Nutri_tb, identified by Code) or a dish (CateNutri_tb,
// identified by FOODID). The one such type of the whole program.
enum class FoodKind { RawFood, Dish };

// The table of a kind, and its identifier column.
inline QString kindTable(FoodKind kind)
{
    return kind == FoodKind::RawFood ? QStringLiteral("Nutri_tb") : QStringLiteral("CateNutri_tb");
}
inline QString kindIdColumn(FoodKind kind)
{
    return kind == FoodKind::RawFood ? QStringLiteral("Code") : QStringLiteral("FOODID");
}

} // namespace nqb
