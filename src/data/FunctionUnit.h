#pragma once
// Shared helpers of the windows that pick foods and dishes: the food and dish
// trees, the food search, the nutrient sort choice, the two-column pick list,
// and the identifier generators of dishes and dish categories.
//
// These functions return data; the widget side (filling a tree, a combo box or
// the pick list) is in widgets/Pickers.h. Every helper that reads or writes the
// database takes an optional error text: on failure it sets it (the database's
// message or the reason) and returns false or an empty result, and leaves the
// database as it was. Values are always bound; table and column names only come
// from the schema.
#include "data/FoodKind.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

class QSqlQuery;

namespace nqb {

// Deletes every row of a table of the schema (scratch tables such as
// NQBNutri_tmp or CateNutriSum_tmp). Unknown names and views are refused.
bool ClearTable(const QString &table, QString *error = nullptr);

// Reopens DM()->AQSearchFood() with the rows of table ("Nutri_tb" or
// "CateNutri_tb") whose FoodName or PYJM contains text. The text is matched
// literally: "%", "_" and quotes in it are ordinary characters. An empty text
// matches every row. The result is positioned before its first row.
bool SearchFood(const QString &table, const QString &text, QString *error = nullptr);

// Food tree: one node per food group (FoodKind_tb, in table order), with the
// sub-groups (FoodKindSub_tb) whose FoodGroup begins with the first two
// characters of the group's text. Texts are trimmed.
struct FoodTreeNode {
    QString text;
    QStringList children;
};
QList<FoodTreeNode> FoodTreeNodes(QString *error = nullptr);

// Dish tree: one label per dish category in ascending KINDID order,
// "KINDID-KINDNAME [number of dishes]" (e.g. "01-凉菜 [12]").
QStringList DishTreeLabels(QString *error = nullptr);

// Code prefix of a food tree node: the first three characters of a group node
// ("01-谷类" -> "01-"); for a sub-group node the parent's three followed by the
// node's first two ("01-谷类" / "1-小麦" -> "01-1-"). An empty parentText
// stands for a node without parent.
QString CodePrefix(const QString &nodeText, const QString &parentText = QString());

// The KINDID of a dish tree label: the text before its first hyphen
// ("01-凉菜 [12]" -> "01", "105-汤羹 [3]" -> "105"); a label without a hyphen
// after its first character gives its first two characters.
QString DishKindOf(const QString &label);

// Refills StrGrid_tmp with the codes of the raw foods under a food tree node
// (codes beginning with prefix, compared literally), in code order.
bool ListFoodGroup(const QString &prefix, QString *error = nullptr);
// Refills StrGrid_tmp with the identifiers of the dishes of a category
// ("KINDID-…", whatever the length of the KINDID), in identifier order.
bool ListDishKind(const QString &kindId, QString *error = nullptr);

// Dish category choices "KINDID-KINDNAME", in ascending KINDID order.
QStringList DishKindItems(QString *error = nullptr);

// Nutrient display names of Element_tb, in table order, trimmed.
QStringList ElementNames(QString *error = nullptr);

// The column (DataBaseID) that the nutrient display name stands for, or "none"
// when Element_tb has no such name (the prompt of a nutrient chooser). On a
// database failure the result is "none" as well, with the error set.
QString ElementColumnFor(const QString &comboText, QString *error = nullptr);

// Refills StrGrid_tmp with the field of every row of dataset from its current
// row on (a freshly executed query: from its first row). The dataset is left at
// its end. StrGrid_tmp is replaced in one transaction.
bool FillStrGridTmp(QSqlQuery &dataset, const QString &field, QString *error = nullptr);
// The same from a statement with bound values, e.g.
// "SELECT Code FROM Nutri_tb WHERE Code LIKE ?" with {prefix + "%"}.
bool FillStrGridTmp(const QString &sql, const QVariantList &binds, const QString &field,
                    QString *error = nullptr);

// Values of field in every row of the statement (bound values in order).
QStringList PickGridValues(const QString &sql, const QVariantList &binds, const QString &field,
                           QString *error = nullptr);

// Layout of a pick list: row r holds item 2r in its left and item 2r+1 in its
// right cell; an odd count leaves the last right cell empty, and no items give
// one empty row.
struct PickRow {
    QString left;
    QString right;
};
QList<PickRow> PickGridRows(const QStringList &names);

// The pick list sorted by a nutrient: the names of the items listed in
// StrGrid_tmp, joined to the food table (Nutri_tb) or the dish table
// (CateNutri_tb), richest in column first ("... ORDER BY  <column> DESC").
// With column "none" they are listed by identifier (or by name) ascending.
// column must be a column of the composition block (as Element_tb names
// them); anything else is refused with an error and an empty result.
// The names are in the field pickListNameField(table).
// Runs the food search (SearchFood) in the foods' or the dishes' table and
// refills StrGrid_tmp with the identifiers found, in table order.
bool ListSearch(FoodKind table, const QString &text, QString *error = nullptr);
// Identifier / Name: ascending by that field; Listed: in the order of the
// identifiers given (only for PickListNames).
enum class PickFallbackOrder { Identifier, Name, Listed };
QString PickListSortStatement(FoodKind table, const QString &column,
                              PickFallbackOrder fallback = PickFallbackOrder::Identifier,
                              QString *error = nullptr);
QString pickListNameField(FoodKind table);

// The listings of a picker that keeps its own list of identifiers (no
// scratch table): the raw foods under a food tree node (codes beginning with
// prefix, in code order), the dishes of a category (in identifier order), and
// the foods or dishes whose name or pinyin initials contain text (matched
// literally, in table order).
QStringList FoodGroupCodes(const QString &prefix, QString *error = nullptr);
QStringList DishKindIds(const QString &kindId, QString *error = nullptr);
QStringList SearchIds(FoodKind kind, const QString &text, QString *error = nullptr);
// The names of the listed identifiers: richest first in column (a column of
// the composition block, or "none"), equal contents in the fallback order;
// with "none" in the fallback order alone. Identifiers no longer in the
// table are left out. A column that is no nutrient is refused with an error.
QStringList PickListNames(FoodKind kind, const QStringList &ids, const QString &column,
                          PickFallbackOrder fallback = PickFallbackOrder::Identifier, QString *error = nullptr);

// A listing and its names in one read, for the order PickListNames gives
// (never Listed): the raw foods under a food tree node (ids in code order) and
// the foods or dishes a search finds (ids in table order).
struct PickListing {
    QStringList ids;
    QStringList names;
};
PickListing GroupListing(const QString &prefix, const QString &column,
                         PickFallbackOrder fallback = PickFallbackOrder::Identifier, QString *error = nullptr);
PickListing SearchListing(FoodKind kind, const QString &text, const QString &column,
                          PickFallbackOrder fallback = PickFallbackOrder::Identifier, QString *error = nullptr);

// Next free dish identifier of the category called kindName: its KINDID, a
// hyphen and the smallest positive number no dish of the category uses, with
// three digits ("01-007"). Empty with an error when the category is unknown or
// a dish identifier of it does not end in a number.
QString NextDishID(const QString &kindName, QString *error = nullptr);

// Next free dish category identifier: the smallest positive number no KINDID
// uses, two digits below 10 ("03"), plainly from 10 on. Empty with an error
// when a KINDID is not a number.
QString NextKindID(QString *error = nullptr);

} // namespace nqb
