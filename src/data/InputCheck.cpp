#include "data/InputCheck.h"

#include "data/NumberFormat.h"

#include <QObject>
#include <QRegularExpression>

#include <cmath>

namespace nqb::input {

namespace {
constexpr int kQuotedLength = 40;
} // namespace

int characterCount(const QString &text)
{
    int n = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

QString quoted(const QString &text)
{
    QString shown;
    int count = 0;
    for (int i = 0; i < text.size() && count < kQuotedLength; ++i, ++count) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            shown += c;
            shown += text.at(++i);
        } else if (c.category() == QChar::Other_Control || c.isSurrogate()) {
            shown += QLatin1Char('?');
        } else {
            shown += c;
        }
    }
    const int total = characterCount(text);
    if (total > kQuotedLength)
        return QObject::tr("%1…（共 %2 个字符）").arg(shown).arg(total);
    return shown;
}

bool readNumber(const QString &field, const QString &text, double minimum, double maximum, double *value,
                QString *message)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        if (value)
            *value = 0;
        return true;
    }
    bool ok = false;
    const double v = parseNumber(t, &ok);
    if (!ok) {
        if (message)
            *message = QObject::tr("“%1”须填写数字，“%2”不是有效的数字。").arg(field, quoted(t));
        return false;
    }
    if (v < minimum || v > maximum) {
        if (message) {
            *message = minimum == 0 && v < 0
                           ? QObject::tr("“%1”不能是负数（现为 %2）。").arg(field, quoted(t))
                           : QObject::tr("“%1”应在 %2 到 %3 之间（现为 %4）。")
                                 .arg(field, fmtG(minimum), fmtG(maximum), quoted(t));
        }
        return false;
    }
    if (value)
        *value = v;
    return true;
}

bool readWhole(const QString &field, const QString &text, int minimum, int maximum, int *value, QString *message)
{
    const QString t = text.trimmed();
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    if (!t.isEmpty() && !whole.match(t).hasMatch()) {
        if (message)
            *message = QObject::tr("“%1”须填写整数，“%2”不是有效的整数。").arg(field, quoted(t));
        return false;
    }
    double v = 0;
    if (!readNumber(field, t, minimum, maximum, &v, message))
        return false;
    if (value)
        *value = int(v);
    return true;
}

QString checkName(const QString &field, const QString &name, int maxLength)
{
    const QString t = name.trimmed();
    if (t.isEmpty())
        return QObject::tr("“%1”不能为空。").arg(field);
    for (const QChar c : t) {
        if (c.category() == QChar::Other_Control)
            return QObject::tr("“%1”不能含有控制字符（如换行、制表符）。").arg(field);
    }
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.isHighSurrogate() && i + 1 < t.size() && t.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return QObject::tr("“%1”含有无效的字符。").arg(field);
    }
    const int n = characterCount(t);
    if (n > maxLength)
        return QObject::tr("“%1”最多 %2 个字符，现在有 %3 个。").arg(field).arg(maxLength).arg(n);
    return {};
}

} // namespace nqb::input
