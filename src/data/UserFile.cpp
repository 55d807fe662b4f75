#include "data/UserFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace nqb::userfile {

namespace {

constexpr qint64 kKiB = 1024;
constexpr qint64 kMiB = 1024 * kKiB;
constexpr qint64 kGiB = 1024 * kMiB;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code unit of the \u escape at i (json[i] == '\\', json[i + 1] == 'u'),
// or -1 when four hex digits do not follow.
int escapedUnit(const QByteArray &json, qsizetype i)
{
    if (i + 6 > json.size())
        return -1;
    int v = 0;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        const int h = hexValue(json[k]);
        if (h < 0)
            return -1;
        v = v * 16 + h;
    }
    return v;
}

} // namespace

qint64 sizeLimit(Kind kind)
{
    switch (kind) {
    case Kind::Plan:
        return 8 * kMiB;
    case Kind::Profile:
    case Kind::Settings:
        return 1 * kMiB;
    case Kind::DishLibrary:
    case Kind::Csv:
        return 32 * kMiB;
    case Kind::Dris:
        return 16 * kMiB;
    case Kind::Backup:
        return 2 * kGiB;
    }
    return 1 * kMiB;
}

QString sizeLimitText(Kind kind)
{
    const qint64 n = sizeLimit(kind);
    if (n % kGiB == 0)
        return QStringLiteral("%1 GiB").arg(n / kGiB);
    if (n % kMiB == 0)
        return QStringLiteral("%1 MiB").arg(n / kMiB);
    return QStringLiteral("%1 KiB").arg(n / kKiB);
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Plan:
        return QStringLiteral("配餐记录文件");
    case Kind::Profile:
        return QStringLiteral("档案文件");
    case Kind::Settings:
        return QStringLiteral("设置文件");
    case Kind::DishLibrary:
        return QStringLiteral("菜肴库文件");
    case Kind::Dris:
        return QStringLiteral("特殊人群DRIs数据文件");
    case Kind::Csv:
        return QStringLiteral("CSV 文件");
    case Kind::Backup:
        return QStringLiteral("备份文件");
    }
    return QStringLiteral("文件");
}

QString check(const QString &path, Kind kind)
{
    const QString what = kindName(kind);
    if (path.trimmed().isEmpty())
        return QStringLiteral("没有选择%1。").arg(what);
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("找不到%1“%2”。").arg(what, shown(path));
    // Only a regular file: a folder, a named pipe, a socket or a device is
    // refused before it is opened (opening a pipe waits for a writer).
    if (!info.isFile())
        return QStringLiteral("“%1”不是普通文件，不能作为%2读取。").arg(shown(path), what);
    if (info.size() > sizeLimit(kind))
        return QStringLiteral("%1“%2”太大（%3 字节），超过 %4 的上限，未读取。")
            .arg(what, shown(path))
            .arg(info.size())
            .arg(sizeLimitText(kind));
    return {};
}

QString read(const QString &path, Kind kind, QByteArray *bytes)
{
    bytes->clear();
    if (QString why = check(path, kind); !why.isEmpty())
        return why;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取%1“%2”：%3").arg(kindName(kind), shown(path), f.errorString());
    // One byte more than the limit tells a file that grew since the check.
    QByteArray data = f.read(sizeLimit(kind) + 1);
    if (f.error() != QFileDevice::NoError)
        return QStringLiteral("无法读取%1“%2”：%3").arg(kindName(kind), shown(path), f.errorString());
    if (data.size() > sizeLimit(kind))
        return QStringLiteral("%1“%2”超过 %3 的上限，未读取。").arg(kindName(kind), shown(path), sizeLimitText(kind));
    *bytes = std::move(data);
    return {};
}

qsizetype loneSurrogateEscape(const QByteArray &json)
{
    const qsizetype n = json.size();
    for (qsizetype i = 0; i + 1 < n; ++i) {
        // From one backslash to the next at memchr's speed.
        i = json.indexOf('\\', i);
        if (i < 0 || i + 1 >= n)
            break;
        if (json[i + 1] != 'u') {
            ++i; // an escaped character, "\\" included
            continue;
        }
        const int unit = escapedUnit(json, i);
        if (unit < 0) {
            i += 1;
            continue; // not an escape the parser accepts; it reports it
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return i; // a low half with no high half before it
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const qsizetype next = i + 6;
            const int low = next + 1 < n && json[next] == '\\' && json[next + 1] == 'u' ? escapedUnit(json, next) : -1;
            if (low < 0xDC00 || low > 0xDFFF)
                return i;
            i = next + 5; // the pair
            continue;
        }
        i += 5;
    }
    return -1;
}

QString jsonTextProblem(const QByteArray &json)
{
    if (!QByteArrayView(json).isValidUtf8())
        return QStringLiteral("不是 UTF-8 编码的文本");
    if (const qsizetype at = loneSurrogateEscape(json); at >= 0)
        return QStringLiteral("第 %1 字节处的 \\u 转义只有半个代理对").arg(at + 1);
    return {};
}

} // namespace nqb::userfile
