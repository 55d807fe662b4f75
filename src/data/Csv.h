#pragma once
// RFC 4180 comma-separated text: the form of the bundled seed tables.
#include <QList>
#include <QString>
#include <QStringList>

namespace nqb {

// Parses UTF-8 CSV text into rows of fields (quotes, doubled quotes, embedded
// line breaks). A trailing line break does not make an extra row.
QList<QStringList> parseCsv(const QString &text);

// Writes one row, quoting fields that hold a comma, quote or line break.
QString csvLine(const QStringList &fields);

} // namespace nqb
