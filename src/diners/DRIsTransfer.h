#pragma once
// Export and import of the special diets: the diet kinds (DRIsIllKind_tb),
// their amendments (DRIsIll_tb) and, when asked for, the whole reference
// intake table (DRIsStand_tb), in one UTF-8 JSON file:
//
//   {"format": "nqb-special-dris", "version": 1,
//    "kinds": ["低盐膳食", ...],
//    "amendments": [{"MEALKIND": "低盐膳食", "AGE": "18岁 ~ 50岁", "YEARFIR": 18, "YEARLAST": 50,
//                    "ELEMENT": "钠 [mg]", "SEX": "男", "RNI": 1600, "EAR": 1000, "UL": 2000,
//                    "REMARK": "..."}, ...],
//    "standards": [{"AGEFIR": 18, "AGELAST": 50, "SEX": "男", "AGETEXT": "18 ～ 50", "WEIGHT": 66,
//                   "ACT": "轻体力活动", "DRIS": "RNI", "ENERC_kcal": 2250, ... all 26 ...}, ...]}
//
// "standards" is present only in a file exported with the table. Numbers may
// be null (an empty value). A reader refuses a newer version.
//
// Import: every kind of the file exists afterwards; the amendments of each
// kind in the file become exactly the file's (kinds not in the file keep
// theirs); each standards row replaces the values of the row with the same
// AGETEXT, SEX, ACT and DRIS, or is added. All in one write.
#include "data/Db.h"
#include "diners/Amendments.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace nqb {

inline constexpr char kSpecialDrisFormat[] = "nqb-special-dris";
inline constexpr int kSpecialDrisVersion = 1;

// File dialog filter and suffix.
QString specialDrisFilter(); // "特殊人群DRIs数据(*.dris)"
QString specialDrisSuffix(); // "dris"

struct SpecialDrisData {
    QStringList kinds;
    QList<Amendment> amendments; // rowId unused
    bool hasStandards = false;
    // DRIsStand_tb rows: AGEFIR, AGELAST, SEX, AGETEXT, WEIGHT, ACT, DRIS, then the 26 requirement columns.
    QList<QVariantList> standards;
};

// The columns of a standards row in the file.
QStringList specialDrisStandardColumns();

// Reads what the database holds (the standards only when withStandards).
Result collectSpecialDris(QSqlDatabase db, bool withStandards, SpecialDrisData &out);
// Writes the data to path, replacing it atomically. FileError naming the file.
Result writeSpecialDrisFile(const QString &path, const SpecialDrisData &data);
// Reads and checks a file completely without touching the database: format,
// version, every field's type, known elements and sexes, EAR ≤ RNI < UL,
// amendments of listed kinds without overlapping ranges. FileError naming the
// file and the fault otherwise.
// Anything but a regular file and a file over userfile::Kind::Dris's limit is
// refused unread.
Result readSpecialDrisFile(const QString &path, SpecialDrisData &out);
// The same checks on the bytes of a file; the message gives the fault only.
// On failure out is empty.
Result parseSpecialDris(const QByteArray &bytes, SpecialDrisData &out);

// What an import would change.
struct SpecialDrisPreview {
    QStringList newKinds;
    int amendmentsAdded = 0;
    int amendmentsRemoved = 0;
    int amendmentsKept = 0;
    int standardsChanged = 0;
    int standardsAdded = 0;
    int standardsKept = 0;
    bool changesAnything() const
    {
        return !newKinds.isEmpty() || amendmentsAdded || amendmentsRemoved || standardsChanged || standardsAdded;
    }
    // A few lines for the question before the import.
    QString text() const;
};
Result previewSpecialDris(QSqlDatabase db, const SpecialDrisData &data, SpecialDrisPreview &out);
// Imports checked data in one write.
Result importSpecialDris(QSqlDatabase db, const SpecialDrisData &data);

} // namespace nqb
