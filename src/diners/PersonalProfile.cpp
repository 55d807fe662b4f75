#include "diners/PersonalProfile.h"

#include "data/IniFile.h"
#include "data/NumberFormat.h"
#include "data/IniText.h"
#include "data/Paths.h"
#include "data/UserFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace nqb {

QString personalProfilePath()
{
    return programFile(QStringLiteral("personal.ini"));
}

namespace {

const char *const kSection = "personalInfo";

bool readFlag(const ini::Document &s, const char *key, bool defaultValue)
{
    const QVariant v = s.value(QStringLiteral("%1/%2").arg(QLatin1String(kSection), QLatin1String(key)));
    if (!v.isValid())
        return defaultValue;
    const QString t = v.toString().trimmed();
    if (t == QLatin1String("1") || t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t == QLatin1String("0") || t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return defaultValue;
}

QString readText(const ini::Document &s, const char *key, const QString &defaultValue)
{
    const QVariant v = s.value(QStringLiteral("%1/%2").arg(QLatin1String(kSection), QLatin1String(key)));
    // A value with a comma comes back as a list; join it again.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.isValid() ? v.toString() : defaultValue;
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString parsePersonalProfile(const QByteArray &bytes, PersonalProfileData &p, RequirementMatrix &matrix)
{
    ini::Document s;
    if (QString fault = ini::parse(bytes, &s); !fault.isEmpty())
        return fault;
    const PersonalProfileData d;
    PersonalProfileData read;
    read.male = readFlag(s, "Sex", d.male);
    read.ageBand = readText(s, "Age", d.ageBand);
    read.height = readText(s, "High", d.height);
    read.weight = readText(s, "Weight", d.weight);
    read.activity = readText(s, "Act", d.activity);
    read.dietKind = readText(s, "Dietry", d.dietKind);
    read.standardBasis = readFlag(s, "IsPer", d.standardBasis);
    read.pregnantFir = readFlag(s, "PregnantFir", false);
    read.pregnantMid = readFlag(s, "PregnantMid", false);
    read.pregnantLast = readFlag(s, "PregnantLast", false);
    read.pregnantBaby = readFlag(s, "PregnantBaby", false);
    read.formulaFeeding = readFlag(s, "MatrixNo", false);
    p = read;
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int n = 0; n < kRequirementCount; ++n) {
            const QVariant v = s.value(QStringLiteral("%1/%2").arg(requirementRowKind(r)).arg(n));
            matrix.setText(r, n, v.isValid() ? v.toString() : QStringLiteral("0"));
        }
    }
    return {};
}

bool readPersonalProfile(const QString &path, PersonalProfileData &p, RequirementMatrix &matrix, QString *why)
{
    if (why)
        why->clear();
    if (!QFileInfo::exists(path))
        return false;
    QByteArray bytes;
    QString fault = userfile::read(path, userfile::Kind::Profile, &bytes);
    if (fault.isEmpty()) {
        fault = parsePersonalProfile(bytes, p, matrix);
        if (!fault.isEmpty())
            fault = QStringLiteral("个人资料文件 %1 无法读取：%2").arg(QDir::toNativeSeparators(path), fault);
    }
    if (why)
        *why = fault;
    return fault.isEmpty();
}

QString writePersonalProfile(const QString &path, const PersonalProfileData &p, const RequirementMatrix &matrix,
                             QString *notice)
{
    const ini::WriteResult w = ini::write(
        path,
        [&](QSettings &s) {
            for (int r = 0; r < kRequirementRows; ++r) {
                for (int n = 0; n < kRequirementCount; ++n)
                    s.setValue(QStringLiteral("%1/%2").arg(requirementRowKind(r)).arg(n), fmtG(matrix.value(r, n)));
            }
            s.beginGroup(QLatin1String(kSection));
            s.setValue(QStringLiteral("Sex"), flag(p.male));
            s.setValue(QStringLiteral("Age"), p.ageBand);
            s.setValue(QStringLiteral("High"), p.height);
            s.setValue(QStringLiteral("Weight"), p.weight);
            s.setValue(QStringLiteral("Act"), p.activity);
            s.setValue(QStringLiteral("Dietry"), p.dietKind);
            s.setValue(QStringLiteral("IsPer"), flag(p.standardBasis));
            s.setValue(QStringLiteral("PregnantFir"), flag(p.pregnantFir));
            s.setValue(QStringLiteral("PregnantMid"), flag(p.pregnantMid));
            s.setValue(QStringLiteral("PregnantLast"), flag(p.pregnantLast));
            s.setValue(QStringLiteral("PregnantBaby"), flag(p.pregnantBaby));
            s.setValue(QStringLiteral("MatrixNo"), flag(p.formulaFeeding));
            s.endGroup();
        },
        QObject::tr("无法写入个人资料文件 %1").arg(path));
    if (notice)
        *notice = w.notice;
    return w.error;
}

std::optional<double> bodyMassIndex(const QString &heightText, const QString &weightText)
{
    if (heightText.trimmed().isEmpty() || weightText.trimmed().isEmpty())
        return std::nullopt;
    // The height is a whole number of centimetres ("1.75" is not a height).
    const QString height = heightText.trimmed();
    for (const QChar c : height) {
        if (!c.isDigit())
            return std::nullopt;
    }
    bool okH = false;
    bool okW = false;
    const double h = parseNumber(height, &okH);
    const double w = parseNumber(weightText, &okW);
    if (!okH || !okW || h <= 0 || w <= 0)
        return std::nullopt;
    return roundHalfEven(w / (h * h / 10000), 1);
}

QString bodyMassClass(double bmi)
{
    if (bmi < 16)
        return QStringLiteral("重度消瘦");
    if (bmi < 17)
        return QStringLiteral("中度消瘦");
    if (bmi < 18.5)
        return QStringLiteral("轻度消瘦");
    if (bmi < 23)
        return QStringLiteral("正常");
    if (bmi < 25)
        return QStringLiteral("超重");
    if (bmi < 30)
        return QStringLiteral("I度肥胖");
    return QStringLiteral("II度肥胖");
}

} // namespace nqb
