#pragma once
// The reference data bundled in the program, written into a new database.
#include <QSqlDatabase>
#include <QString>

namespace nqb {

// Fills a freshly created schema with the bundled reference data, in one
// transaction. Returns an empty string or the error text.
QString populateSeed(QSqlDatabase db);

} // namespace nqb
