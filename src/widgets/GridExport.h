#pragma once
// Writing a grid's rows to files: Excel workbook (.xlsx), tab-separated text,
// comma-separated values, an HTML table and rich text. The grid hands over a
// plain table (titles, rows, footer) so the writers need no view.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace gridexport {

enum class Format { Xlsx, Text, Csv, Html, Rtf };

struct Table {
    QString name;                 // sheet name / HTML title (may be empty)
    QStringList titles;           // one per column; "upper|lower" is written as "upper lower"
    QList<QVariantList> rows;     // cell values; numeric QVariants are written as numbers
    bool hasFooter = false;
    QVariantList footer;          // one per column when hasFooter; invalid = empty cell
};

// The format belonging to a file name's extension: .xlsx/.xls -> Xlsx,
// .txt -> Text, .csv (and the misspelt .cvs) -> Csv, .htm/.html -> Html,
// .rtf -> Rtf; anything else -> nullopt.
std::optional<Format> formatForPath(const QString &path);

// Text of one cell as it is shown: numbers in general format, NULL empty.
QString cellText(const QVariant &value);
// Title of a column in exported files ("能量|[kcal]" -> "能量 [kcal]").
QString flatTitle(const QString &title);

// The file contents of the text formats (UTF-8; text and CSV start with a
// byte order mark so that spreadsheet programs read Chinese correctly).
QByteArray toText(const Table &table);
QByteArray toCsv(const Table &table);
QByteArray toHtml(const Table &table);
QByteArray toRtf(const Table &table);

// Writes the table to path in the given format, replacing the file only when
// the whole file was written. Returns an empty string on success, otherwise a
// message naming the cause (the target file is then left as it was).
QString write(const Table &table, const QString &path, Format format);

} // namespace gridexport
