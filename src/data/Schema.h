#pragma once
// Every table of the database, with its columns in their stored order.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace nqb {

inline constexpr int kSchemaVersion = 1;

struct TableDef {
    QString name;
    QStringList columns;     // all columns in stored order
    QStringList createSql;   // CREATE statements (table first, then indexes/triggers)
};

// All tables (and the one view) of the schema, in creation order.
const QList<TableDef> &schemaTables();
const TableDef *findTable(const QString &name); // case-insensitive

// Leading columns of the tables that carry a nutrient block.
QStringList nutriLeading();          // Nutri_tb: 4
QStringList cateNutriLeading();      // CateNutri_tb: 4
QStringList planLeading();           // NQBNutri_tmp: 7
QStringList cateSumLeading();        // CateNutriSum_tmp: 4
QStringList drisStandLeading();      // DRIsStand_tb: 7

// Weekday codes in WEEK columns, Sunday first.
QStringList weekdayCodes();
// The REMARK values of the five requirement rows in DRIs_tmp.
QStringList requirementRowRemarks();

// Creates every table and the fixed scratch rows on an empty database, inside
// one transaction. Returns an empty string or the error text.
QString createSchema(QSqlDatabase db);

// The indexes a search by name or initials reads instead of the tables
// (each holds the name, the initials and the code): created with the schema,
// and on opening a database made before they existed. Returns an empty
// string or the error text.
QStringList searchIndexStatements();
QString ensureSearchIndexes(QSqlDatabase db);

// An index of one column of a large table (kSortIndexRows rows or more), so
// that ordering every row by it reads the index instead of sorting the whole
// table: made the first time the column is sorted, and kept up to date by
// SQLite like any index. Smaller tables sort quickly without one and are left
// as they are, and so is a database that cannot be written. True when the
// column has such an index now.
constexpr int kSortIndexRows = 10000;
bool ensureSortIndex(const QString &table, const QString &column);

// Version stored in the file (0 when the version table is missing).
int storedSchemaVersion(QSqlDatabase db);

} // namespace nqb
