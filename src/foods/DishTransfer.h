#pragma once
// Dish library files: the whole dish library, or some of its categories, in
// one file of the program's own format, and back.
//
// The format is JSON (UTF-8), one object:
//   {
//     "format":  "nqb-dish-library",        (always this text)
//     "version": 1,                         (the version of this layout)
//     "categories": [ { "kindId": "01", "name": "凉菜" }, ... ],
//     "dishes": [ {
//         "foodId": "01-001", "name": "拌黄瓜", "pyjm": "BHG",
//         "category": "凉菜",                (the name of one of the categories above)
//         "edible": 100, "describe": "...",
//         "values": { "WATER": 92.1, "ENERC_kcal": 15, ..., "ID": null },
//                                            (the 36 columns of the composition block; null = not measured)
//         "ingredients": [ { "code": "04-3-004", "name": "黄瓜", "weight": 150 }, ... ]
//     }, ... ]
//   }
// Numbers are written in their shortest exact form, so values come back bit
// for bit. A reader refuses a file of another format or of a later version.
//
// An import is planned before anything is written: a category whose name
// exists here is used as it is, a new one is added (under its own KINDID when
// that is free here, else under the next free one); a dish whose name exists
// here is skipped, as is one with an ingredient whose food code this database
// lacks; the others are added under their own identifier when it is free
// here, else under the next free number of their category. The plan is then
// written in one write scope: all of it or nothing.
#include "data/Db.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace nqb::transfer {

inline constexpr int kFormatVersion = 1;
QString formatName(); // "nqb-dish-library"

struct Ingredient {
    QString code;
    QString name;
    double weight = 0;
};

struct Dish {
    QString foodId;
    QString name;
    QString pyjm;
    QString category;
    std::optional<double> edible;
    QString describe;
    std::array<std::optional<double>, 36> values;
    QList<Ingredient> ingredients;
};

struct Category {
    QString kindId;
    QString name;
};

struct Library {
    QList<Category> categories;
    QList<Dish> dishes;
};

// The dish library as stored: all categories (kindNames empty) or the named
// ones, with their dishes and ingredients in table order.
Result readLibrary(Library &out, const QStringList &kindNames = {});

// The file text of a library, and the library of a file text. parse checks
// the whole text (format, version, every field's type, categories named by
// the dishes, names not repeated) and fails with the reason without a result.
QByteArray serialize(const Library &library);
Result parse(const QByteArray &text, Library &out);

// Writes the chosen categories (all when empty) to path, whole or not at all.
Result exportToFile(const QString &path, const QStringList &kindNames = {});
// Reads and checks a file; the message names the file when it is refused.
Result readFile(const QString &path, Library &out);

// ---------------------------------------------------------------- import plan

enum class Action {
    Add,      // added as it is in the file
    Renumber, // added under another identifier than the file's
    Use,      // a category present here by name: used, not written
    Skip      // not imported (see reason)
};

struct PlannedCategory {
    Category category;   // as it will be here
    QString fileKindId;  // as the file has it
    Action action = Action::Add;
};

struct PlannedDish {
    Dish dish;           // with the identifier it will have here
    QString fileFoodId;
    Action action = Action::Add;
    QString reason;      // for Skip
};

struct ImportPlan {
    QList<PlannedCategory> categories;
    QList<PlannedDish> dishes;
    int dishesToAdd() const;
    int categoriesToAdd() const;
};

// Plans the import of library into the database as it is now.
Result planImport(const Library &library, ImportPlan &out);
// Writes the plan in one write scope; rows = the number of dishes added.
Result applyImport(const ImportPlan &plan);

// The text of an action as the preview shows it ("添加", "改编号", "使用已有", "跳过").
QString actionText(Action a);

} // namespace nqb::transfer
