#pragma once
// The individual profile file "personal.ini" and the body-mass index.
#include "diners/Requirements.h"

#include <QString>
#include <optional>

namespace nqb {

// Full path of "personal.ini" in the program's folder.
QString personalProfilePath();

// What section personalInfo of the profile file holds, as the window shows it.
struct PersonalProfileData {
    bool male = true;                          // "Sex"
    QString ageBand = QStringLiteral("18 ～ 50"); // "Age"
    QString height = QStringLiteral("175");    // "High" (the default when the key is missing)
    QString weight = QStringLiteral("65");     // "Weight"
    QString activity = QStringLiteral("轻体力活动"); // "Act"
    QString dietKind = QStringLiteral("正常膳食");   // "Dietry"
    bool standardBasis = true;                 // "IsPer"
    bool pregnantFir = false;                  // "PregnantFir"
    bool pregnantMid = false;                  // "PregnantMid"
    bool pregnantLast = false;                 // "PregnantLast"
    bool pregnantBaby = false;                 // "PregnantBaby"
    bool formulaFeeding = false;               // "MatrixNo"
};

// Reads the bytes of a profile file; missing keys take the defaults above, a
// missing matrix value reads as "0". Empty on success; else the fault (an INI
// text that cannot be read whole, see data/IniText.h) and nothing is changed.
QString parsePersonalProfile(const QByteArray &bytes, PersonalProfileData &profile, RequirementMatrix &matrix);
// Reads a profile file (parsePersonalProfile). Returns false when the file does
// not exist, or when it is refused (not a regular file, over the profile limit,
// not readable whole) with the message naming the file in *why.
bool readPersonalProfile(const QString &path, PersonalProfileData &profile, RequirementMatrix &matrix,
                         QString *why = nullptr);

// Writes the matrix (sections RNI, EAR, UL, keys "0" … "25", general number
// format) and section personalInfo, keeping the file's other sections (the
// daily percentages). The file is replaced atomically. Returns an empty string
// or a message naming the file (which is then as it was); a file that cannot
// be read is moved aside first and *notice says where (data/IniFile.h).
QString writePersonalProfile(const QString &path, const PersonalProfileData &profile,
                             const RequirementMatrix &matrix, QString *notice = nullptr);

// Body-mass index from the height (cm) and weight (kg) texts, rounded to one
// decimal (ties to even). No value when either text is empty, not a number, or
// not above 0, or when the height is not a whole number of centimetres.
std::optional<double> bodyMassIndex(const QString &heightText, const QString &weightText);
// The class of a (rounded) body-mass index: "重度消瘦" … "II度肥胖".
QString bodyMassClass(double bmi);

} // namespace nqb
