#include "data/NumberFormat.h"

#include <cfenv>
#include <cmath>

namespace nqb {

QString fmtG(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    QString s = QString::number(value, 'g', 15);
    // Qt writes large and tiny magnitudes with an exponent "1e+20"; keep it but
    // drop the "+" and leading zeros the way the general format does.
    if (s.contains(QLatin1Char('e'))) {
        s.replace(QStringLiteral("e+"), QStringLiteral("E+"));
        s.replace(QStringLiteral("e-"), QStringLiteral("E-"));
    }
    return s;
}

double roundHalfEven(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    // nearbyint honours the current rounding mode; ties go to even under FE_TONEAREST.
    const int old = std::fegetround();
    if (old != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(scaled);
    if (old != FE_TONEAREST)
        std::fesetround(old);
    return r / scale;
}

double parseNumber(const QString &text, bool *ok)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        if (ok)
            *ok = true;
        return 0.0;
    }
    bool good = false;
    const double v = t.toDouble(&good);
    if (ok)
        *ok = good && std::isfinite(v);
    return (good && std::isfinite(v)) ? v : 0.0;
}

double toNumber(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0.0;
    if (value.typeId() == QMetaType::QString)
        return parseNumber(value.toString());
    bool ok = false;
    const double v = value.toDouble(&ok);
    return ok ? v : 0.0;
}

bool isNumberValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return !value.isNull();
    default:
        return false;
    }
}

} // namespace nqb
