#pragma once
// Checks of what a user types into the fields of the windows: numbers with
// their range and names with their length. A refusal is a message that names
// the field (by its label, as the window shows it) and quotes what was typed,
// cut short when it is long.
#include <QString>

namespace nqb::input {

// The largest weight in grams a weight field takes (100 kg).
constexpr double kMaxGrams = 100000;
// The largest number of diners of one row of a group.
constexpr int kMaxPersons = 999999;
// The largest value of a requirement, amendment or content field.
constexpr double kMaxNutrient = 1e9;
// The longest name (of a food, dish, category, diet kind) in characters.
constexpr int kMaxNameLength = 100;

// text as a message quotes it: in full up to 40 characters, longer texts
// cut with "…" and their length; control characters shown as "?".
QString quoted(const QString &text);

// Reads the number typed into the field labelled field. A blank text gives 0
// and true. A text that is no number (letters, "1..2", 1e309), or a number
// below minimum or above maximum, gives false and the message.
bool readNumber(const QString &field, const QString &text, double minimum, double maximum, double *value,
                QString *message);

// The same for a whole number (no decimal point, no exponent).
bool readWhole(const QString &field, const QString &text, int minimum, int maximum, int *value, QString *message);

// Checks a name typed into the field labelled field (after trimming): not
// blank, no control characters, at most maxLength characters. Empty when
// it may be stored, otherwise the message.
QString checkName(const QString &field, const QString &name, int maxLength = kMaxNameLength);

// The number of characters of text as a user counts them (an emoji is one).
int characterCount(const QString &text);

} // namespace nqb::input
