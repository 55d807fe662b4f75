#pragma once
// The food composition browser without widgets: its six pages (table, grid,
// columns and titles), the filter that narrows every page to the same foods
// (a food-group code prefix or a search text) and the statement that lists a
// page's rows under a filter.
//
// Each composition table carries the raw food's code, name and pinyin
// initials, so one filter serves all six pages. Filter values are bound and
// matched literally: "%", "_" and quotes in a search text are ordinary
// characters.
#include <QList>
#include <QString>
#include <QVariantList>

namespace nqb::browser {

enum class Page { Nutrient, Amino, Fatty, Other, Isoflavone, Glycemic };
inline constexpr int kPageCount = 6;

struct PageColumn {
    QString field;
    QString title; // "upper|lower" for a two-level title
    int width = -1;
};

struct PageDef {
    Page page;
    QString sheet;   // objectName of the tab page ("TSNutri")
    QString caption; // tab caption
    QString grid;    // objectName of the grid ("Nutrient_Grid")
    QString table;   // the composition table
    QList<PageColumn> columns; // the columns shown, in order; the first is the food name
};

// The six pages in tab order.
const QList<PageDef> &pages();
const PageDef &page(Page p);

// The food name column's title, on every page.
QString foodNameTitle();

// The fatty-acid page's column groups after the food name, in grid order:
// the five FattyAcid_ columns, the 16 SFA_FA_, the 9 MUFA_FA_, the 13 PUFA_FA_
// columns and UnKnow.
QList<QStringList> fattyAcidRuns();
// The amino-acid columns in grid order (without the filler TMP).
QStringList aminoAcidColumns();
// A fatty acid chain's sub-title from the suffix of its column: "SFA_FA_18_0" -> "18:0".
QString chainTitle(const QString &column);

// What narrows the rows of every page.
struct Filter {
    enum class Kind { Prefix, Search };
    Kind kind = Kind::Prefix;
    QString text;
    bool operator==(const Filter &) const = default;
};

// The foods whose code begins with prefix (a food tree node's code prefix).
Filter prefixFilter(const QString &prefix);
// The filter the browser opens with: the first sub-group of group 01.
Filter openingFilter();
// Rows whose name or pinyin initials contain text (trimmed). False for an
// empty or blank text: such a search changes nothing.
bool searchFilter(const QString &text, Filter *out);

struct Statement {
    QString sql;        // the whole statement
    QVariantList binds;
    QString table;      // its table and its condition, for a model that reads rows as needed
    QString where;
};

// The rows of p's table under filter, in table order.
Statement pageStatement(Page p, const Filter &filter);


} // namespace nqb::browser
