#pragma once
// Numbers written into cells, labels and INI values.
#include <QString>
#include <QVariant>

namespace nqb {

// General format: shortest form, up to 15 significant digits, "." decimal point,
// no grouping; -0 is written as 0.
QString fmtG(double value);

// Rounds to d decimals, ties to even (round(x * 10^d) / 10^d).
double roundHalfEven(double value, int decimals);

// Reads a number written in general format (or typed by a user). An empty or
// blank text gives 0 with ok = true; anything else that is not a number gives
// ok = false.
double parseNumber(const QString &text, bool *ok = nullptr);

// A database value as a number; NULL and empty text count as 0.
double toNumber(const QVariant &value);

// Whether a cell value is a number by its type (double, float or an integer
// type) and not NULL; texts that read as numbers are not.
bool isNumberValue(const QVariant &value);

} // namespace nqb
