#pragma once
// Raw foods and their six composition tables: the fields of each table with
// their labels and sane ranges, reading and storing one food's row of a
// table, new user foods in group 22 with their codes, and the delete of a
// food from every table.
//
// A food's row in every composition table is found by its name (FoodName);
// a row created for a food carries its CODE, FOODNAME and PYJM. Every value
// is bound; a write of several rows runs in one write scope.
#include "data/Db.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace nqb::rawfood {

// What a value is measured in, which sets its sane range per 100 g.
enum class Unit {
    Percent,   // 0 … 100 (edible part, shares of the total fatty acids)
    Gram,      // g per 100 g: 0 … 100
    Milligram, // mg per 100 g: 0 … 100 000
    Microgram, // µg per 100 g: 0 … 100 000 000
    Kcal,      // 0 … 900 (pure fat)
    KJ,        // 0 … 3 800
    IU,        // vitamin D: 0 … 4 000 000 000 (40 IU per µg)
    Index,     // glycemic index: 0 … 200
    Text       // free text (producing area, description)
};

double maximumFor(Unit unit);

struct Field {
    QString column;
    QString label;  // as shown beside the field
    Unit unit = Unit::Gram;
    int layoutColumn = 0; // column of the page the field sits in
};

struct Page {
    QString caption;
    QString table;
    QList<Field> fields;
    QStringList headings; // heading above each layout column (empty: none)
};

// The six pages in order: Nutri_tb, Amino_tb, Fatty_tb, OtherContent_tb,
// Isoflavone_tb, GlycemicIndex_tb. Page 1 ends with the two text fields
// ProducingArea and FoodDescribe.
const QList<Page> &pages();
// The field of a table's column (case-insensitive), or nullptr.
const Field *findField(const QString &table, const QString &column, const Page **page = nullptr);

// The current food of the editor.
struct Food {
    QString code;
    QString name;
    QString pyjm;
    bool isValid() const { return !code.trimmed().isEmpty() && !name.trimmed().isEmpty(); }
};

// Whether a code belongs to the users' own group 22 (the others are the
// program's reference foods).
bool isUserFood(const QString &code);

// The food of that name in Nutri_tb (trimmed), or nothing.
std::optional<Food> findFood(const QString &name, QString *error = nullptr);

// Checks one typed value of a field: an empty text is NULL (not analysed),
// otherwise it must be a number within the field's range. The message names
// the field by its label.
Result checkValue(const Field &field, const QString &text, QVariant *value);

// Checks every typed value of a page (column → text); on success *values
// holds column → number or NULL for each given column.
Result checkValues(const Page &page, const QMap<QString, QString> &texts, QVariantMap *values);

// The food's row of the page's table (column → value), or nothing when the
// food has none there.
std::optional<QVariantMap> loadRow(const Page &page, const QString &foodName, QString *error = nullptr);

// Stores values (column → value) in the food's row of the page's table: an
// existing row is updated, a missing one inserted with the food's CODE,
// FOODNAME and PYJM. One write scope. Refused without a valid food.
Result storeRow(const Page &page, const Food &food, const QVariantMap &values);

// ---- new foods ----

// The sub-groups of group 22 as their trimmed FoodGroupSub texts, in the
// table's order.
QStringList subGroupTexts(QString *error = nullptr);

// The code prefix of a sub-group text "n-name": "22-n-"; empty when the text
// has no number before its first "-".
QString codePrefix(const QString &subGroupText);

// The smallest free three-digit number after prefix among codes ("001" when
// none). Empty when 1 … 999 are all taken.
QString nextNumber(const QString &prefix, const QStringList &codes);

// The codes of Nutri_tb beginning with prefix.
QStringList codesWithPrefix(const QString &prefix, QString *error = nullptr);

// Messages of the new-food window.
QString emptyNameMessage();     // "食物名或拼音简码不能为空！"
QString noSubGroupMessage();    // "请选择食物种类！"
QString nameTakenMessage();     // "该食物名已存在！"
QString noSubGroupsYetMessage();// group 22 has no sub-group yet
QString subGroupFullMessage();  // 999 foods in the sub-group

// Checks and creates a new food (name and pinyin initials trimmed) in the
// sub-group, in the order: name or initials empty, no sub-group chosen
// (chosenText "请选择" or empty, or no sub-group at all), name taken, no
// number left. On success *created is the new food.
Result createFood(const QString &name, const QString &pyjm, const QString &subGroupText, Food *created);

// ---- delete ----

struct Usage {
    QStringList dishes;     // names of the dishes that list the food as ingredient
    QStringList menuItems;  // "slot" texts of quantified menus that hold the food
};

Usage usageOf(const Food &food, QString *error = nullptr);

// The question before a delete, naming the dishes and menus that use the food.
QString deleteQuestion(const Food &food, const Usage &usage);
// The second question for a reference food (groups 01 to 21).
QString referenceDeleteQuestion(const Food &food);

// Deletes the food's rows of all six composition tables and its quantified
// menu entries in one write scope, then its picture file. Ingredient rows of
// dishes stay (they show the code without a name). pictureFile may be empty.
Result deleteFood(const Food &food, const QString &pictureFile);

// The message after a delete naming the dishes that still list the food.
QString afterDeleteMessage(const Food &food, const Usage &usage);

} // namespace nqb::rawfood
