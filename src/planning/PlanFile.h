#pragma once
// Plan files and their profile copies.
//
// A plan file (".pan") holds every row of NQBNutri_tmp with all 43 columns in
// table order, as UTF-8 JSON:
//
//   {"format": "nqb-plan", "version": 1,
//    "columns": ["DINERTMP", "CODE", "FOODNAME", "WEEK", "DINERTIME", "WEIGHT", "EDIBLE", "WATER", ... "ID"],
//    "rows": [["A", "01-1-001", "稻米", "SUN", "早餐", 150, 80, 20.1, ...], ...]}
//
// The first five columns are strings, the other 38 numbers; any cell may be
// null (an empty value stays empty). Numbers are written in their shortest form
// that reads back to the very same double, so a saved plan loads with every
// value exactly as it was; an infinite value is written as the string
// "Infinity" or "-Infinity". Files are replaced atomically (written beside the
// target and renamed), so a failed save never leaves half a file.
//
// Beside the plan file lies its profile copy: the profile file current when the
// plan was saved ("personal.ini" for an individual, "Collective.ini" for a
// group), copied to the plan's name + "s" (X.pan -> X.pans) or + "m"
// (X.pan -> X.panm). Before the copy is taken the seven daily percentages go
// into the profile's section Quotiety (keys "0" = SUN ... "6" = SAT).
#include "planning/MealPlan.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <array>

namespace nqb::planfile {

inline constexpr char kFormatName[] = "nqb-plan";
inline constexpr int kFormatVersion = 1;

// File dialog texts: filter and default suffix of plan files, and the filter
// of individual profile copies.
QString planFileFilter();     // "配餐记录文件(*.pan)"
QString planFileSuffix();     // "pan"
QString profileCopyFilter();  // "个人配餐记录(*.pans)"
QString profileCopySuffix();  // "pans"

// The 43 columns of NQBNutri_tmp in table order.
QStringList planColumns();

// Writes every row of NQBNutri_tmp (table order) to path, replacing it.
// Failure: FileError (or DbError) with a message naming the file.
plan::PlanResult savePlan(const QString &path);
// The text savePlan writes, and the number of rows in it (empty, with the
// message in *error, when the rows cannot be read). It is written straight
// into bytes; with general, or when a text is no whole UTF-16 (a lone
// surrogate), through Qt's JSON writer. Both give the same document.
QByteArray planFileText(int *rows, QString *error = nullptr, bool general = false);

// Checks the bytes of a plan file completely and gives its rows, or fails
// without rows: FileError with the reason (naming the byte, or the row and the
// column), Refused for a file of a newer version. Beyond the layout (format
// name, version, column list, each row's field count and value types) every
// row must be one the entry dialogs can make: WEEK one of SUN ... SAT,
// DINERTIME one of the seven meal slots, DINERTMP empty or the slot's letter,
// a FOODNAME, a finite WEIGHT of at least 0, EDIBLE empty or a whole number
// 0 ... 100, and no two rows with the same FOODNAME, WEEK and DINERTIME. A
// lone surrogate escape ("\ud800") or bytes that are no UTF-8 are refused.
plan::PlanResult parsePlan(const QByteArray &bytes, QList<QVariantList> *rows);
// The same through Qt's general JSON reader alone. parsePlan reads the simple
// documents this program writes with a quicker reader of its own and leaves
// every other one to the general reader; both give the same result for every
// input (the fuzz target checks it).
plan::PlanResult parsePlanGeneral(const QByteArray &bytes, QList<QVariantList> *rows);

// Reads and checks a plan file without touching the database: the format name,
// the version (a newer version is refused), the column list, and every row's
// field count and value types (parsePlan). A missing, unreadable, damaged,
// truncated or foreign file, anything but a regular file and a file over the
// plan file limit (userfile::Kind::Plan) give FileError with a message naming
// the file; nothing larger than the limit is read.
plan::PlanResult readPlanFile(const QString &path, QList<QVariantList> *rows);

// Imports a plan file: reads and checks it completely first (readPlanFile);
// only a good file empties NQBNutri_tmp, inserts its rows in file order and
// runs the meal-pattern delete of mealPattern (plan::applyMealPattern; an
// unknown pattern keeps every entry), all in one transaction. On any failure
// the plan is left exactly as it was. rows of the result: the entries kept.
plan::PlanResult loadPlan(const QString &path, int mealPattern);

// The profile file of the profile kind, in the program's folder.
QString profileFilePath(bool individual);

// Writes the seven daily percentages (SUN ... SAT) into section Quotiety of the
// profile file, keys "0" ... "6", as whole numbers. A missing file is created.
// The other sections stay. Failure: FileError naming the file.
plan::PlanResult writeQuotiety(const QString &profilePath, const std::array<int, 7> &percentages);
// The same from the workbench's percentage texts; a text that is no whole
// number is refused (BadNumber) and nothing is written.
plan::PlanResult writeQuotiety(const QString &profilePath, const QStringList &percentageTexts);

// The profile copy of a plan file: planPath + "s" (individual) or + "m" (group).
QString profileCopyPath(const QString &planPath, bool individual);
// The plan file of a chosen profile copy: its name without the last character
// (X.pans -> X.pan, X.panm -> X.pan). Empty when the name does not end in
// ".pans" or ".panm" (any letter case), so a wrongly chosen file never names
// some other file as its plan.
QString planPathForProfileCopy(const QString &copyPath);

// Copies the profile file byte for byte to copyPath, replacing it atomically.
// A missing profile file or a write failure gives FileError naming the file.
plan::PlanResult copyProfile(const QString &profilePath, const QString &copyPath);

// The save after the file dialog: the profile copy of the given kind
// (profileFilePath(individual) to profileCopyPath), then the plan file at
// planPath. When either fails, neither file is left new (an earlier copy is put
// back) and the message names the file and says the plan was not saved.
plan::PlanResult savePlanWithProfile(const QString &planPath, bool individual);

} // namespace nqb::planfile
