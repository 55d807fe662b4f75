#include "data/Csv.h"

namespace nqb {

QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            fieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
            fieldStarted = true;
        } else if (c == QLatin1Char('\r')) {
            // ignored; the following \n ends the row
        } else if (c == QLatin1Char('\n')) {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
        row << field;
        rows << row;
    }
    return rows;
}

QString csvLine(const QStringList &fields)
{
    QStringList out;
    for (QString f : fields) {
        if (f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n'))
            || f.contains(QLatin1Char('\r'))) {
            f.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            f = QLatin1Char('"') + f + QLatin1Char('"');
        }
        out << f;
    }
    return out.join(QLatin1Char(','));
}

} // namespace nqb
