#pragma once
// Composition import: a CSV file (UTF-8, a header row, one food per row)
// fills values of the six composition tables for existing foods, or adds new
// user foods to a sub-group of group 22.
//
// The header names the key column ("CODE" or "FOODNAME", case-insensitive;
// CODE wins when both are present), optionally "PYJM" (pinyin initials of new
// foods), and value columns named as the composition tables name them
// ("WATER", "BCAA_ILE", or qualified "Amino_tb.BCAA_ILE"). An empty cell
// leaves the stored value as it is.
//
// Reading a file only builds a preview: the new foods, every changed cell
// with its old and new value, the rows skipped with their reason (unknown
// code, non-numeric or out-of-range value, a food listed twice …) and the
// columns not recognised. Nothing is written until apply(), which stores the
// whole preview in one write scope or nothing.
#include "data/Db.h"
#include "foods/RawFoods.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace nqb::import {

struct CellChange {
    QString table;
    QString column;
    QString label;
    QVariant oldValue; // null when not stored yet
    QVariant newValue;
};

struct FoodChange {
    int line = 0;        // line of the file (the header is line 1)
    rawfood::Food food;  // for a new food: its code to be
    bool isNew = false;
    QList<CellChange> cells;
};

struct SkippedRow {
    int line = 0;
    QString key;    // the code or name the row gave
    QString reason;
};

struct Preview {
    QString keyColumn;            // "CODE" or "FOODNAME"
    QStringList unknownColumns;   // header texts that name no composition column
    QList<FoodChange> foods;      // new foods and foods with changed cells, in file order
    QList<SkippedRow> skipped;
    int unchangedRows = 0;        // rows that would change nothing

    int newFoodCount() const;
    int changedCellCount() const;
    bool hasChanges() const { return !foods.isEmpty(); }
};

// Builds the preview of CSV bytes. subGroupText ("1-自定义食物") is where
// foods of unknown name go when the file is keyed by name; empty: such rows
// are skipped. A file that is not UTF-8 text, has no header, no key column
// or a column twice is refused as a whole.
Result previewCsv(const QByteArray &bytes, const QString &subGroupText, Preview *out);
// The same for a file; anything but a regular file and a file over
// userfile::Kind::Csv's limit is refused unread.
Result previewFile(const QString &path, const QString &subGroupText, Preview *out);

// Stores the preview in one write scope: the new foods' Nutri_tb rows, then
// every changed cell (a table row missing for a food is created with its
// CODE, FOODNAME and PYJM). rows: the number of foods written.
Result apply(const Preview &preview);

// The header of the template of one composition table: CODE, FOODNAME, PYJM
// and the table's value columns.
QStringList templateHeader(const QString &table);
// Writes the template (UTF-8 with byte-order mark, so that spreadsheets read
// it as UTF-8), atomically.
Result writeTemplate(const QString &table, const QString &path);

} // namespace nqb::import
