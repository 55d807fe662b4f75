#pragma once
#include "data/FoodKind.h"

#include <optional>
// Quantified menus: per meal slot, a list of favourite dishes and raw foods
// with a usual portion (the rows of CustomPantry_tb).
//
// A row is (PANTRY, DINERTIME, FOODNAME, WEIGHT): the item's identifier (a
// dish's FOODID, 6 characters, or a raw food's Code, 8 characters), the meal
// slot, the name as the pick lists show it, and the portion in grams (NULL
// until the user types one). An item is listed at most once per slot; the
// table's unique index on (PANTRY, DINERTIME) holds that even against a
// second writer. All values are bound.
#include <QList>
#include <QString>
#include <QVariant>

namespace nqb::pantry {

struct PantryItem {
    QString pantry;    // identifier
    QString dinerTime; // meal slot name
    QString foodName;
    QVariant weight;   // grams as a double, or null while no weight is typed
};

// What an identifier names, by its length after trimming.
// 6 characters: a dish, 8: a raw food, else nothing.
std::optional<FoodKind> kindOf(const QString &identifier);

enum class PantryStatus {
    Ok,
    EmptyName, // nothing picked
    NotFound,  // no identifier for the picked name, no such row, or an unknown meal slot
    Duplicate, // the item is in that slot already
    BadWeight, // a typed weight that is no number, or negative
    DbError    // a statement failed; nothing was written
};

struct PantryResult {
    PantryStatus status = PantryStatus::Ok;
    QString message; // the text to show (empty for Ok)
    int rows = 0;    // rows written or deleted
    bool ok() const { return status == PantryStatus::Ok; }
};

QString emptyNameMessage();  // "食物名不能为空!"
QString duplicateMessage();  // "该食物已存在!"

// The statement of one slot's list, in the order the items were added
// (bind the slot name): "SELECT PANTRY, DINERTIME, FOODNAME, WEIGHT FROM
// CustomPantry_tb WHERE DINERTIME = ? ORDER BY rowid".
QString slotMenuSql();

// The items of one slot in the order they were added. On a failure the list
// is empty and *error is set.
QList<PantryItem> slotMenu(const QString &slot, QString *error = nullptr);

// Adds the picked item to the slot's list with an empty weight.
//  - empty name (after trimming): EmptyName with emptyNameMessage();
//  - already in the slot: Duplicate with duplicateMessage();
//  - empty identifier or a slot that is not one of the seven: NotFound.
// The name and identifier are stored trimmed.
PantryResult addItem(const QString &identifier, const QString &foodName, const QString &slot);

// Removes the item (identifier, slot), both trimmed. A missing row is not an
// error (rows 0).
PantryResult deleteItem(const QString &identifier, const QString &slot);

// Every row of that name, in all slots: a menu item whose dish or food no
// longer exists is dropped this way.
PantryResult deleteByName(const QString &foodName);

// Stores the typed portion of (identifier, slot). An empty text clears it
// (NULL); a text that is no number or is negative is refused (BadWeight, the
// row keeps its weight); no such row: NotFound.
PantryResult setWeight(const QString &identifier, const QString &slot, const QString &weightText);

} // namespace nqb::pantry
