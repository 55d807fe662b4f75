#pragma once
// What the settings window keeps in "system.dll": the meal pattern and the
// organisation's name and contact details, which head every printed report.
#include <QString>
#include <optional>

namespace nqb {

// The texts shown when the file has no CmpInfo or Tel key.
QString defaultCompanyName();
QString defaultCompanyTel();

struct SystemSettings {
    int mealPattern = 1; // as stored: 1, 2, 3 or any other number a hand-edited file holds
    QString company;     // CmpInfo
    QString tel;         // Tel
};

// Reads the three keys (defaults: pattern 1 and the texts above).
SystemSettings readSystemSettings();

// Writes CmpInfo and Tel (trimmed) and, when pattern has a value, IsThreeTwo;
// without a value the stored pattern stays as it is (an unknown 5 stays 5).
// Returns an empty string or the message naming the file that could not be
// written; *notice as for writeSettingsValues.
QString writeSystemSettings(std::optional<int> pattern, const QString &company, const QString &tel,
                            QString *notice = nullptr);

} // namespace nqb
