#include "widgets/GridExport.h"

#include "data/Csv.h"
#include "data/NumberFormat.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cmath>
#include <xlsxwriter.h>

namespace gridexport {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QString kCrLf = QStringLiteral("\r\n");

// All lines of the table as cell texts: titles, rows, footer.
QList<QStringList> textLines(const Table &t)
{
    QList<QStringList> lines;
    QStringList titles;
    for (const QString &s : t.titles)
        titles << flatTitle(s);
    lines << titles;
    for (const QVariantList &row : t.rows) {
        QStringList l;
        for (const QVariant &v : row)
            l << cellText(v);
        lines << l;
    }
    if (t.hasFooter) {
        QStringList l;
        for (const QVariant &v : t.footer)
            l << cellText(v);
        lines << l;
    }
    return lines;
}

QString saveBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), f.errorString());
    if (f.write(bytes) != bytes.size()) {
        const QString err = f.errorString();
        f.cancelWriting();
        return QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), err);
    }
    if (!f.commit())
        return QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), f.errorString());
    return {};
}

QString rtfEscape(const QString &s)
{
    QString out;
    out.reserve(s.size() * 2);
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\line ");
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\tab ");
        } else if (c == QLatin1Char('\r')) {
            // line breaks are written by \line
        } else if (u < 0x80) {
            out += c;
        } else {
            // RTF's \u takes a signed 16-bit number; '?' stands in for readers
            // without Unicode. Surrogate pairs are written unit by unit.
            out += QStringLiteral("\\u%1?").arg(static_cast<qint16>(u));
        }
    }
    return out;
}

// Approximate display width of a text in character cells (CJK counts double).
int textCells(const QString &s)
{
    int n = 0;
    for (const QChar c : s)
        n += c.unicode() >= 0x2E80 ? 2 : 1;
    return n;
}

QString sheetName(const QString &name)
{
    QString s;
    for (const QChar c : name) {
        if (QStringLiteral("[]:*?/\\").contains(c))
            continue;
        s += c;
    }
    s = s.trimmed();
    if (s.startsWith(QLatin1Char('\'')) || s.endsWith(QLatin1Char('\'')))
        s.remove(QLatin1Char('\''));
    return s.left(31);
}

} // namespace

std::optional<Format> formatForPath(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("xlsx") || ext == QLatin1String("xls"))
        return Format::Xlsx;
    if (ext == QLatin1String("txt"))
        return Format::Text;
    if (ext == QLatin1String("csv") || ext == QLatin1String("cvs"))
        return Format::Csv;
    if (ext == QLatin1String("htm") || ext == QLatin1String("html"))
        return Format::Html;
    if (ext == QLatin1String("rtf"))
        return Format::Rtf;
    return std::nullopt;
}

QString cellText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        return std::isfinite(d) ? nqb::fmtG(d) : QString();
    }
    return value.toString();
}

QString flatTitle(const QString &title)
{
    const int bar = title.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return title;
    const QString upper = title.left(bar).trimmed();
    const QString lower = title.mid(bar + 1).trimmed();
    if (upper.isEmpty())
        return lower;
    if (lower.isEmpty())
        return upper;
    return upper + QLatin1Char(' ') + lower;
}

QByteArray toText(const Table &table)
{
    QString out;
    for (QStringList line : textLines(table)) {
        for (QString &f : line) {
            f.replace(QLatin1Char('\t'), QLatin1Char(' '));
            f.replace(QLatin1Char('\r'), QLatin1Char(' '));
            f.replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        out += line.join(QLatin1Char('\t'));
        out += kCrLf;
    }
    return kBom + out.toUtf8();
}

QByteArray toCsv(const Table &table)
{
    QString out;
    for (const QStringList &line : textLines(table)) {
        out += nqb::csvLine(line);
        out += kCrLf;
    }
    return kBom + out.toUtf8();
}

QByteArray toHtml(const Table &table)
{
    auto cell = [](const QString &tag, const QVariant &v) {
        QString text = cellText(v).toHtmlEscaped();
        text.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        const QString align = nqb::isNumberValue(v) ? QStringLiteral(" align=\"right\"") : QString();
        return QStringLiteral("<%1%2>%3</%1>").arg(tag, align, text);
    };
    QString out;
    out += QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n");
    out += QStringLiteral("<title>%1</title>\n</head>\n<body>\n").arg(table.name.toHtmlEscaped());
    out += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n<thead>\n<tr>");
    for (const QString &t : table.titles)
        out += cell(QStringLiteral("th"), flatTitle(t));
    out += QStringLiteral("</tr>\n</thead>\n<tbody>\n");
    for (const QVariantList &row : table.rows) {
        out += QStringLiteral("<tr>");
        for (const QVariant &v : row)
            out += cell(QStringLiteral("td"), v);
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</tbody>\n");
    if (table.hasFooter) {
        out += QStringLiteral("<tfoot>\n<tr>");
        for (const QVariant &v : table.footer)
            out += cell(QStringLiteral("td"), v);
        out += QStringLiteral("</tr>\n</tfoot>\n");
    }
    out += QStringLiteral("</table>\n</body>\n</html>\n");
    return out.toUtf8();
}

QByteArray toRtf(const Table &table)
{
    const QList<QStringList> lines = textLines(table);
    const int columns = table.titles.size();
    // Column widths in twips from the longest text of each column.
    QList<int> right;
    int x = 0;
    for (int c = 0; c < columns; ++c) {
        int cells = 4;
        for (const QStringList &l : lines)
            if (c < l.size())
                cells = std::max(cells, textCells(l[c]));
        x += std::min(cells, 40) * 110 + 120;
        right << x;
    }
    QString out;
    out += QStringLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1\n");
    out += QStringLiteral("{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}\n");
    out += QStringLiteral("\\viewkind4\\f0\\fs18\n");
    const int footerLine = table.hasFooter ? lines.size() - 1 : -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList &l = lines[i];
        const bool bold = i == 0 || i == footerLine;
        out += QStringLiteral("\\trowd\\trgaph60\\trleft0");
        for (int c = 0; c < columns; ++c)
            out += QStringLiteral("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                                  "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx%1")
                       .arg(right[c]);
        out += QStringLiteral("\n\\pard\\intbl");
        if (bold)
            out += QStringLiteral("\\b");
        out += QLatin1Char(' ');
        for (int c = 0; c < columns; ++c) {
            out += rtfEscape(c < l.size() ? l[c] : QString());
            out += QStringLiteral("\\cell ");
        }
        if (bold)
            out += QStringLiteral("\\b0");
        out += QStringLiteral("\\row\n");
    }
    out += QStringLiteral("\\pard\\par\n}\n");
    return out.toLatin1(); // every non-ASCII character is escaped above
}

namespace {

QString writeXlsx(const Table &table, const QString &path)
{
    QTemporaryDir tmp;
    if (!tmp.isValid())
        return QStringLiteral("无法创建临时文件夹：%1").arg(tmp.errorString());
    const QByteArray tmpFile = QFile::encodeName(tmp.filePath(QStringLiteral("export.xlsx")));
    const QByteArray tmpDir = QFile::encodeName(tmp.path());
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.tmpdir = const_cast<char *>(tmpDir.constData());
    lxw_workbook *wb = workbook_new_opt(tmpFile.constData(), &options);
    if (!wb)
        return QStringLiteral("无法创建 Excel 工作簿。");
    const QByteArray name = sheetName(table.name).toUtf8();
    lxw_worksheet *ws = workbook_add_worksheet(wb, name.isEmpty() ? nullptr : name.constData());
    if (!ws)
        ws = workbook_add_worksheet(wb, nullptr);
    lxw_format *bold = workbook_add_format(wb);
    format_set_bold(bold);

    auto put = [&](lxw_row_t r, lxw_col_t c, const QVariant &v, lxw_format *fmt) {
        if (nqb::isNumberValue(v) && std::isfinite(v.toDouble())) {
            worksheet_write_number(ws, r, c, v.toDouble(), fmt);
            return;
        }
        const QString s = cellText(v);
        if (s.isEmpty()) {
            if (fmt)
                worksheet_write_blank(ws, r, c, fmt);
            return;
        }
        worksheet_write_string(ws, r, c, s.left(32767).toUtf8().constData(), fmt);
    };

    lxw_row_t r = 0;
    for (int c = 0; c < table.titles.size(); ++c)
        put(r, static_cast<lxw_col_t>(c), flatTitle(table.titles[c]), bold);
    ++r;
    for (const QVariantList &row : table.rows) {
        for (int c = 0; c < row.size(); ++c)
            put(r, static_cast<lxw_col_t>(c), row[c], nullptr);
        ++r;
    }
    if (table.hasFooter)
        for (int c = 0; c < table.footer.size(); ++c)
            put(r, static_cast<lxw_col_t>(c), table.footer[c], bold);

    for (int c = 0; c < table.titles.size(); ++c) {
        int cells = textCells(flatTitle(table.titles[c]));
        for (const QVariantList &row : table.rows)
            if (c < row.size())
                cells = std::max(cells, textCells(cellText(row[c])));
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             std::min(cells, 50) + 2, nullptr);
    }

    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR)
        return QStringLiteral("无法写入 Excel 文件：%1").arg(QString::fromUtf8(lxw_strerror(err)));
    QFile f(QFile::decodeName(tmpFile));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取临时文件：%1").arg(f.errorString());
    return saveBytes(path, f.readAll());
}

} // namespace

QString write(const Table &table, const QString &path, Format format)
{
    switch (format) {
    case Format::Xlsx:
        return writeXlsx(table, path);
    case Format::Text:
        return saveBytes(path, toText(table));
    case Format::Csv:
        return saveBytes(path, toCsv(table));
    case Format::Html:
        return saveBytes(path, toHtml(table));
    case Format::Rtf:
        return saveBytes(path, toRtf(table));
    }
    return QStringLiteral("未知的导出格式。");
}

} // namespace gridexport
