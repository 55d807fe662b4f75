#include "data/IniFile.h"

#include "data/IniText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace nqb::ini {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString lineProblem(int line, const QString &what)
{
    return QObject::tr("第 %1 行%2").arg(line).arg(what);
}

} // namespace

QString problem(const QByteArray &raw)
{
    if (raw.size() > kMaxIniBytes)
        return QObject::tr("文件过大（%1 字节），不是设置文件").arg(raw.size());
    if (raw.startsWith("\xff\xfe") || raw.startsWith("\xfe\xff"))
        return QObject::tr("文件是 UTF-16 编码，本程序只读 UTF-8 设置文件");
    QByteArray bytes = raw;
    if (bytes.startsWith("\xef\xbb\xbf"))
        bytes.remove(0, 3);

    // Raw control characters (the program writes them escaped) and bytes that
    // are no UTF-8, line by line
    // so the message can name the line.
    int line = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        ++line;
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArray text = bytes.mid(start, end - start);
        start = end + 1;
        if (text.endsWith('\r'))
            text.chop(1);
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            if (u == 0)
                return lineProblem(line, QObject::tr("含有空字符（NUL）"));
            if ((u < 0x20 && c != '\t') || u == 0x7f)
                return lineProblem(line, QObject::tr("含有控制字符 0x%1").arg(uint(u), 2, 16, QLatin1Char('0')));
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8.decode(text);
        Q_UNUSED(decoded);
        if (utf8.hasError())
            return lineProblem(line, QObject::tr("不是有效的 UTF-8 文字"));
    }
    // The structure is judged by the reader itself, so a file is "readable"
    // exactly when the program reads it whole.
    Document document;
    return parse(raw, &document);
}

QString fileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (!info.isFile())
        return QObject::tr("不是普通文件");
    if (info.size() > kMaxIniBytes)
        return QObject::tr("文件过大（%1 字节），不是设置文件").arg(info.size());
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QObject::tr("无法读取：%1").arg(f.errorString());
    return problem(f.read(kMaxIniBytes + 1));
}

QString freeDamagedName(const QString &path)
{
    const QString base = path + QStringLiteral(".damaged");
    QString name = base;
    for (int n = 1; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QLatin1Char('.') + QString::number(n);
    return name;
}

QString setAside(const QString &path, const QString &reason, QString *asidePath)
{
    const QString aside = freeDamagedName(path);
    if (!QFile::rename(path, aside)) {
        if (asidePath)
            asidePath->clear();
        return QObject::tr("文件 %1 无法读取（%2），也无法移至 %3，未作任何改动。")
            .arg(shown(path), reason, shown(aside));
    }
    if (asidePath)
        *asidePath = aside;
    return QObject::tr("文件 %1 无法读取（%2），已原样移至 %3。").arg(shown(path), reason, shown(aside));
}

WriteResult write(const QString &path, const std::function<void(QSettings &)> &change, const QString &failedText)
{
    WriteResult out;
    auto failed = [&](const QString &more = {}) {
        out.error = more.isEmpty() ? failedText : failedText + QLatin1Char('\n') + more;
        out.notice.clear();
        return out;
    };
    const QString damage = fileProblem(path);
    const bool exists = QFileInfo::exists(path);
    // A folder, pipe or device under the file's name is not the program's to move.
    if (exists && !QFileInfo(path).isFile())
        return failed(QObject::tr("%1 不是普通文件。").arg(shown(path)));

    // The new content, made in a scratch copy (from nothing when the file is damaged).
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return failed();
    const QString work = scratch.filePath(QStringLiteral("edit.ini"));
    if (exists && damage.isEmpty() && !QFile::copy(path, work))
        return failed();
    {
        QSettings s(work, QSettings::IniFormat);
        change(s);
        s.sync();
        if (s.status() != QSettings::NoError)
            return failed();
    }
    QFile in(work);
    if (!in.open(QIODevice::ReadOnly))
        return failed();
    const QByteArray bytes = in.readAll();
    if (!problem(bytes).isEmpty())
        return failed();

    QString aside;
    if (exists && !damage.isEmpty()) {
        out.notice = setAside(path, damage, &aside);
        if (aside.isEmpty())
            return failed(out.notice);
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        // A failed write changes nothing: the damaged file goes back to its name.
        if (!aside.isEmpty())
            QFile::rename(aside, path);
        return failed();
    }
    return out;
}

} // namespace nqb::ini
