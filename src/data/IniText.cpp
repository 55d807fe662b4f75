#include "data/IniText.h"

#include <QStringDecoder>

#include <algorithm>

namespace nqb::ini {

namespace {

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

int hexDigit(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A key or section name: "%XX" and "%UXXXX" stand for one character, "\" for "/".
QString unescapedKey(const QString &key)
{
    QString out;
    out.reserve(key.size());
    const qsizetype n = key.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = key[i];
        if (c == QLatin1Char('\\')) {
            out += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c != QLatin1Char('%') || i == n - 1) {
            out += c;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        int digits = 2;
        if (key[i + 1] == QLatin1Char('U')) {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= n;
        char16_t v = 0;
        for (qsizetype k = first; ok && k < first + digits; ++k) {
            const int h = hexDigit(key[k].unicode());
            ok = h >= 0;
            v = char16_t(v * 16 + h);
        }
        if (!ok) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        out += QChar(v);
        i = first + digits;
    }
    return out;
}

void chopTrailingSpaces(QString &s, qsizetype limit)
{
    qsizetype n = s.size();
    while (n > limit && isSpace(s[n - 1]))
        --n;
    s.truncate(n);
}

// A value as QSettings reads it: quotes, backslash escapes, unquoted commas
// separating the items of a list. True when it is a list (*items). *unknown
// is set to an escape this reader does not know ("\q", "\中"): QSettings
// drops the backslash and the next byte, which splits a character in two, and
// never writes such an escape itself, so the line is refused.
bool unescapedValue(const QString &str, QString *single, QStringList *items, QChar *unknown)
{
    static const char escapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                      {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                      {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    bool isList = false;
    bool inQuotes = false;
    bool quoted = false;
    QString current;
    const qsizetype n = str.size();
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < n && isSpace(str[i]))
            ++i;
    };
    skipSpaces();
    qsizetype chopLimit = 0;
    while (i < n) {
        const char16_t c = str[i].unicode();
        if (c == '\\') {
            ++i;
            if (i >= n)
                break;
            const char16_t e = str[i++].unicode();
            bool known = false;
            for (const auto &pair : escapes) {
                if (e == char16_t(pair[0])) {
                    current += QLatin1Char(pair[1]);
                    known = true;
                    break;
                }
            }
            if (!known && e == 'x') {
                if (i < n && hexDigit(str[i].unicode()) >= 0) {
                    char16_t v = 0;
                    while (i < n && hexDigit(str[i].unicode()) >= 0)
                        v = char16_t((v << 4) + hexDigit(str[i++].unicode()));
                    current += QChar(v);
                }
            } else if (!known && e >= '0' && e <= '7') {
                char16_t v = char16_t(e - '0');
                while (i < n && str[i] >= QLatin1Char('0') && str[i] <= QLatin1Char('7'))
                    v = char16_t((v << 3) + (str[i++].unicode() - '0'));
                current += QChar(v);
            } else if (!known && unknown->isNull()) {
                *unknown = QChar(e);
            }
            chopLimit = current.size();
            continue;
        }
        if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
                chopLimit = current.size();
            }
            continue;
        }
        if (c == ',' && !inQuotes) {
            if (!quoted)
                chopTrailingSpaces(current, chopLimit);
            isList = true;
            items->append(current);
            current.clear();
            quoted = false;
            ++i;
            skipSpaces();
            chopLimit = 0;
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && str[j] != QLatin1Char('\\') && str[j] != QLatin1Char('"') && str[j] != QLatin1Char(','))
            ++j;
        current += QStringView(str).sliced(i, j - i);
        i = j;
    }
    if (!quoted)
        chopTrailingSpaces(current, chopLimit);
    if (isList)
        items->append(current);
    else
        *single = current;
    return isList;
}

// "@@x" is the text "@x"; "@String(x)" and "@ByteArray(x)" the text x.
QString plainText(const QString &s)
{
    if (!s.startsWith(QLatin1Char('@')))
        return s;
    if (s.startsWith(QLatin1String("@@")))
        return s.mid(1);
    for (const char *wrap : {"@String(", "@ByteArray("}) {
        const QLatin1String w(wrap);
        if (s.startsWith(w) && s.endsWith(QLatin1Char(')')))
            return s.mid(w.size(), s.size() - w.size() - 1);
    }
    return s;
}

bool hasLoneSurrogate(const QString &s)
{
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate()) {
            if (i + 1 >= n || !s[i + 1].isLowSurrogate())
                return true;
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

QString lineFault(qsizetype line, const QString &what)
{
    return QStringLiteral("第 %1 行：%2").arg(line).arg(what);
}

} // namespace

QString Document::text(const QString &key, const QString &fallback, const QString &separator) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return fallback;
    if (it->typeId() == QMetaType::QStringList)
        return it->toStringList().join(separator);
    return it->toString();
}

QString parse(const QByteArray &bytes, Document *out)
{
    *out = Document{};
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    if (data.contains('\0'))
        return QStringLiteral("含有 NUL 字符，不是文本文件");
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(data);
    if (utf8.hasError())
        return QStringLiteral("不是 UTF-8 编码的文本");
    // A byte-order mark anywhere but at the start: QSettings drops some of
    // them and keeps others, so such a value would not read the same there.
    if (const qsizetype mark = text.indexOf(QChar(0xFEFF)); mark >= 0)
        return lineFault(text.left(mark).count(QLatin1Char('\n')) + 1, QStringLiteral("含有字节顺序标记（U+FEFF）"));

    Document doc;
    QString section; // "" or "name/"
    doc.m_sections << QString();
    qsizetype lineNo = 0;
    const qsizetype n = text.size();
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        ++lineNo;
        QString line = text.mid(start, end - start);
        // "\r\n" is one line end.
        start = end + (end + 1 < n && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n') ? 2 : 1);

        qsizetype first = 0;
        while (first < line.size() && line[first].isSpace())
            ++first;
        line = line.mid(first);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('#'))) {
            // QSettings reads a "#" line as a line like any other: a quote in
            // it, or a backslash at its end, would join the lines after it to
            // it, and their keys would be lost there.
            if (line.contains(QLatin1Char('"')))
                return lineFault(lineNo, QStringLiteral("注释行含有引号"));
            if (line.endsWith(QLatin1Char('\\')))
                return lineFault(lineNo, QStringLiteral("行末的反斜杠（续行）"));
            continue;
        }

        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            if (close < 0)
                return lineFault(lineNo, QStringLiteral("节名缺少“]”"));
            // Nothing but a comment may follow; a quote there would make
            // QSettings read the following lines as part of this one.
            const QString rest = line.mid(close + 1).trimmed();
            if (line.left(close).contains(QLatin1Char('"'))
                || (!rest.isEmpty() && !rest.startsWith(QLatin1Char(';'))))
                return lineFault(lineNo, QStringLiteral("节名行在“]”后还有内容"));
            QString name = unescapedKey(line.mid(1, close - 1).trimmed());
            if (hasLoneSurrogate(name))
                return lineFault(lineNo, QStringLiteral("节名含有半个代理对"));
            if (name.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
                name.clear();
            else if (name == QLatin1String("%General"))
                name = QStringLiteral("General");
            section = name.isEmpty() ? QString() : name + QLatin1Char('/');
            if (!doc.m_sections.contains(name))
                doc.m_sections << name;
            continue;
        }

        // The line ends at an unquoted ";" (a comment follows); a quote left
        // open or a backslash at the very end would continue the value on the
        // next line, which the program never writes.
        bool inQuotes = false;
        qsizetype cut = line.size();
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == QLatin1Char('\\')) {
                if (i + 1 >= line.size())
                    return lineFault(lineNo, QStringLiteral("行末的反斜杠（续行）"));
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = !inQuotes;
            } else if (c == QLatin1Char(';') && !inQuotes) {
                cut = i;
                break;
            }
        }
        if (inQuotes)
            return lineFault(lineNo, QStringLiteral("引号没有闭合"));
        line.truncate(cut);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            return lineFault(lineNo, QStringLiteral("既不是节名也不是“键=值”"));
        const QString key = unescapedKey(line.left(eq).trimmed());
        if (key.isEmpty())
            return lineFault(lineNo, QStringLiteral("键名为空"));
        QString single;
        QStringList items;
        QVariant value;
        QChar unknown;
        const bool isList = unescapedValue(line.mid(eq + 1), &single, &items, &unknown);
        if (!unknown.isNull())
            return lineFault(lineNo, QStringLiteral("含有未知的转义“\\%1”").arg(unknown));
        if (isList) {
            for (QString &item : items)
                item = plainText(item);
            value = items;
        } else {
            value = plainText(single);
        }
        const bool broken = value.typeId() == QMetaType::QStringList
            ? std::any_of(items.cbegin(), items.cend(), hasLoneSurrogate)
            : hasLoneSurrogate(value.toString());
        if (broken || hasLoneSurrogate(key))
            return lineFault(lineNo, QStringLiteral("含有半个代理对"));
        doc.m_values.insert(section + key, value);
    }
    *out = std::move(doc);
    return {};
}

} // namespace nqb::ini
