#pragma once
// A group of diners: its composition (persons per age band, sex and activity
// level, kept in DinerPerson_tmp), the average requirement per person and day
// derived from it, and the group profile file "Collective.ini".
//
// Collective.ini (INI, program folder):
//   [TOTALNUM]    Total = number of composition rows
//   [AGETEXT] [ACTIVITY] [SEX] [TOTALPERSON]   keys "0" … Total − 1, one per row
//   [RNI] [EAR] [UL]   keys "0" … "25": the matrix rows in general number format
//   [Quotiety]    the daily percentages, written by the workbench's save and
//                 kept by writeGroupProfile
#include "data/Db.h"
#include "diners/Requirements.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace nqb {

struct DinerGroupRow {
    QString ageBand;
    QString sex;
    QString activity;
    int persons = 0;
    // The combination (persons left out): at most one row per combination.
    bool sameCombination(const DinerGroupRow &o) const
    {
        return ageBand == o.ageBand && sex == o.sex && activity == o.activity;
    }
    bool operator==(const DinerGroupRow &) const = default;
};

// Full path of "Collective.ini" in the program's folder.
QString groupProfilePath();

// The composition in table order.
Result readComposition(QSqlDatabase db, QList<DinerGroupRow> &out);
// Adds a row (trimmed texts). A combination that is there already is refused
// (Duplicate, "该就餐标准已存在，请更改就餐人数！") and nothing changes.
Result addCompositionRow(QSqlDatabase db, const DinerGroupRow &row);
// Deletes the row of the combination.
Result deleteCompositionRow(QSqlDatabase db, const DinerGroupRow &row);
// Sets the persons of the combination's row (NotFound when there is none).
Result setCompositionPersons(QSqlDatabase db, const DinerGroupRow &row, int persons);
// Replaces the whole composition in one write.
Result replaceComposition(QSqlDatabase db, const QList<DinerGroupRow> &rows);

// The sum of the persons.
int totalPersons(const QList<DinerGroupRow> &rows);

// The group's average matrix: for every row the standard RNI, EAR and UL rows
// of its combination times its persons are summed (a combination without
// standard rows adds 0), and each cell becomes round(sum × 10 / T) / 10 with
// T the total persons (1 when the total is 0), ties to even. No amendments,
// states, weight basis or energy adjustment. Returns an error text or "".
QString computeGroupRequirements(QSqlDatabase db, const QList<DinerGroupRow> &rows, RequirementMatrix &out);

// What a group profile file holds.
struct GroupProfileData {
    QList<DinerGroupRow> rows;
    RequirementMatrix matrix; // a missing key reads as "0"
};

// The most composition rows a group profile file may hold.
inline constexpr int kMaxGroupRows = 1000;

// Reads the bytes of a group profile file. Rows without an age band, sex or
// activity are left out, and so is a repeated combination (the first one
// counts); a persons value that is not a whole number of at least 0 reads as
// 0. Empty on success; else the fault (an INI text that cannot be read whole,
// see data/IniText.h, or a row count over kMaxGroupRows) and out is empty.
QString parseGroupProfile(const QByteArray &bytes, GroupProfileData &out);
// Reads a group profile file (parseGroupProfile). False when it does not
// exist, and when it is refused (anything but a regular file, over the profile
// limit, not readable) with the message naming the file in *why.
bool readGroupProfile(const QString &path, GroupProfileData &out, QString *why = nullptr);

// Whether path looks like a group profile file: a regular file within the
// profile limit, readable whole, whose section TOTALNUM holds a whole number
// of rows (0 ... kMaxGroupRows). *why gets the reason when not.
bool isGroupProfileFile(const QString &path, QString *why = nullptr);

// Writes the composition and the matrix, replacing the file atomically; the
// file's other sections (Quotiety) stay. Returns "" or a message naming the
// file (which is then as it was); a file that cannot be read is moved aside
// first and *notice says where (data/IniFile.h).
QString writeGroupProfile(const QString &path, const QList<DinerGroupRow> &rows, const RequirementMatrix &matrix,
                          QString *notice = nullptr);

} // namespace nqb
