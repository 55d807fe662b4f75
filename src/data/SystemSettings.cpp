#include "data/SystemSettings.h"

#include "data/Settings.h"

#include <QList>
#include <QPair>
#include <QVariant>

namespace nqb {

QString defaultCompanyName()
{
    return QStringLiteral("营养配餐服务中心");
}

QString defaultCompanyTel()
{
    return QStringLiteral("电话：010-00000000  传真：010-00000001");
}

SystemSettings readSystemSettings()
{
    SystemSettings s;
    s.mealPattern = readMealPattern();
    s.company = readSettingsString(QString::fromLatin1(kCompanyKey), defaultCompanyName());
    s.tel = readSettingsString(QString::fromLatin1(kTelKey), defaultCompanyTel());
    return s;
}

QString writeSystemSettings(std::optional<int> pattern, const QString &company, const QString &tel, QString *notice)
{
    QList<QPair<QString, QVariant>> values;
    if (pattern)
        values.append({QString::fromLatin1(kMealPatternKey), *pattern});
    values.append({QString::fromLatin1(kCompanyKey), company.trimmed()});
    values.append({QString::fromLatin1(kTelKey), tel.trimmed()});
    return writeSettingsValues(values, notice);
}

} // namespace nqb
