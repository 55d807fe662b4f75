#include "planning/PlanFile.h"

#include "data/DataModule.h"
#include "data/IniFile.h"
#include "data/Paths.h"
#include "data/Schema.h"
#include "data/UserFile.h"
#include "planning/PlanDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <QSettings>
#include <QSqlQuery>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <limits>

namespace nqb::planfile {

using plan::PlanResult;
using plan::PlanStatus;
using plan::failure;
using plan::succeeded;

namespace {

// The leading text columns; every other column of the plan is a number.
constexpr int kTextColumns = 5;
constexpr int kPlanColumns = 7 + kCompositionCount;

const QString kPositiveInfinity = QStringLiteral("Infinity");
const QString kNegativeInfinity = QStringLiteral("-Infinity");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

PlanResult badFile(const QString &path, const QString &reason)
{
    return failure(PlanStatus::FileError,
                   QStringLiteral("配餐记录文件“%1”已损坏或不是本程序保存的配餐记录（%2），未导入任何记录。")
                       .arg(shown(path), reason));
}

} // namespace

QString planFileFilter() { return QStringLiteral("配餐记录文件(*.pan)"); }
QString planFileSuffix() { return QStringLiteral("pan"); }
QString profileCopyFilter() { return QStringLiteral("个人配餐记录(*.pans)"); }
QString profileCopySuffix() { return QStringLiteral("pans"); }

QStringList planColumns()
{
    return findTable(QStringLiteral("NQBNutri_tmp"))->columns;
}

namespace {

// A cell of the plan as it is written: a text, a number (finite, or one of
// the two infinities, written as text) or empty.
struct SavedCell {
    enum Kind : quint8 { Null, Text, Number, PlusInfinity, MinusInfinity } kind = Null;
    QString text;
    double number = 0;
};

SavedCell numberCell(sql::Read &r, int c)
{
    SavedCell cell;
    double d = 0;
    switch (r.type(c)) {
    case SQLITE_NULL:
        return cell;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        d = r.number(c);
        break;
    default: {
        // A number column holding text (never written by this program): a
        // number in it is kept, anything else counts as empty.
        bool ok = false;
        d = QString::fromUtf8(r.bytes(c)).trimmed().toDouble(&ok);
        if (!ok)
            return cell;
    }
    }
    if (std::isnan(d))
        return cell;
    if (std::isinf(d)) {
        cell.kind = d > 0 ? SavedCell::PlusInfinity : SavedCell::MinusInfinity;
        return cell;
    }
    cell.kind = SavedCell::Number;
    cell.number = d;
    return cell;
}

// The general writer: Qt's JSON writer.
QByteArray generalText(const QStringList &columns, const QList<QList<SavedCell>> &rows)
{
    QJsonArray rowArray;
    for (const auto &cells : rows) {
        QJsonArray row;
        for (const SavedCell &c : cells) {
            switch (c.kind) {
            case SavedCell::Null:
                row.append(QJsonValue(QJsonValue::Null));
                break;
            case SavedCell::Text:
                row.append(c.text);
                break;
            case SavedCell::Number:
                row.append(c.number);
                break;
            case SavedCell::PlusInfinity:
                row.append(kPositiveInfinity);
                break;
            case SavedCell::MinusInfinity:
                row.append(kNegativeInfinity);
                break;
            }
        }
        rowArray.append(row);
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromLatin1(kFormatName));
    root.insert(QStringLiteral("version"), kFormatVersion);
    root.insert(QStringLiteral("columns"), QJsonArray::fromStringList(columns));
    root.insert(QStringLiteral("rows"), rowArray);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

void appendString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xf];
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void appendNumber(QByteArray &out, double d)
{
    // As Qt's writer: a whole number within the exact range of a double as
    // an integer, any other one in the shortest form that reads back the same.
    constexpr double exact = 9007199254740992.0; // 2^53
    if (d == std::floor(d) && d >= -exact && d <= exact)
        out += QByteArray::number(qint64(d));
    else
        out += QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
}

// The quick writer: the same document written straight into bytes. Only for
// texts that are whole UTF-16 (a lone surrogate is left to the general one).
QByteArray quickText(const QStringList &columns, const QList<QList<SavedCell>> &rows)
{
    QByteArray out;
    out.reserve(256 + rows.size() * (kPlanColumns * 8 + 64));
    out += "{\"columns\":[";
    for (qsizetype c = 0; c < columns.size(); ++c) {
        if (c)
            out += ',';
        appendString(out, columns[c]);
    }
    out += "],\"format\":";
    appendString(out, QString::fromLatin1(kFormatName));
    out += ",\"rows\":[";
    for (qsizetype r = 0; r < rows.size(); ++r) {
        out += r ? ",[" : "[";
        const QList<SavedCell> &cells = rows[r];
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c)
                out += ',';
            const SavedCell &cell = cells[c];
            switch (cell.kind) {
            case SavedCell::Null:
                out += "null";
                break;
            case SavedCell::Text:
                appendString(out, cell.text);
                break;
            case SavedCell::Number:
                appendNumber(out, cell.number);
                break;
            case SavedCell::PlusInfinity:
                appendString(out, kPositiveInfinity);
                break;
            case SavedCell::MinusInfinity:
                appendString(out, kNegativeInfinity);
                break;
            }
        }
        out += ']';
    }
    out += "],\"version\":";
    out += QByteArray::number(kFormatVersion);
    out += '}';
    return out;
}

} // namespace

QByteArray planFileText(int *rowCount, QString *error, bool general)
{
    const QStringList columns = planColumns();
    sql::Read r(QStringLiteral("SELECT %1 FROM NQBNutri_tmp ORDER BY rowid").arg(joinColumns(columns)));
    QList<QList<SavedCell>> rows;
    bool whole = true;
    while (r.next()) {
        QList<SavedCell> cells;
        cells.reserve(columns.size());
        for (int c = 0; c < columns.size(); ++c) {
            if (c < kTextColumns) {
                SavedCell cell;
                if (!r.isNull(c)) {
                    cell.kind = SavedCell::Text;
                    cell.text = r.text(c);
                    whole = whole && QStringView(cell.text).isValidUtf16();
                }
                cells << std::move(cell);
            } else {
                cells << numberCell(r, c);
            }
        }
        rows << std::move(cells);
    }
    if (!r.ok()) {
        if (error)
            *error = r.status().message;
        return {};
    }
    if (error)
        error->clear();
    if (rowCount)
        *rowCount = int(rows.size());
    return general || !whole ? generalText(columns, rows) : quickText(columns, rows);
}

PlanResult savePlan(const QString &path)
{
    QString err;
    int rows = 0;
    const QByteArray bytes = planFileText(&rows, &err);
    if (!err.isEmpty())
        return failure(PlanStatus::DbError, err);

    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        return failure(PlanStatus::FileError,
                       QStringLiteral("无法写入配餐记录文件“%1”：%2").arg(shown(path), f.errorString()));
    }
    return succeeded(rows);
}

namespace {

// Why a row's leading cells could not have been written by the program: the
// entry dialogs only make rows with one of the seven weekdays and meal slots,
// the slot's own letter, a food name, a finite weight of at least 0 and the
// edible portion as the whole percentage 0 ... 100 of the amount rule. The
// letter and the edible portion may be empty (the format keeps an empty cell
// empty); the others may not. Empty when the row is sound.
QString rowProblem(const QVariantList &row, const QStringList &columns, int number)
{
    const auto where = [&](int c) { return QStringLiteral("第 %1 条记录的 %2").arg(number).arg(columns[c]); };
    const QString week = row[3].toString();
    if (row[3].isNull() || plan::weekdayIndex(week) < 0)
        return where(3) + QStringLiteral("“%1”不是星期代码（SUN … SAT）").arg(week);
    const plan::MealSlotInfo *slot = row[4].isNull() ? nullptr : plan::findMealSlot(row[4].toString());
    if (!slot || row[4].toString() != QString::fromUtf8(slot->name))
        return where(4) + QStringLiteral("“%1”不是餐次名称").arg(row[4].toString());
    if (!row[0].isNull() && row[0].toString() != QString::fromLatin1(slot->letter))
        return where(0) + QStringLiteral("“%1”与餐次“%2”不符（应为 %3）")
                              .arg(row[0].toString(), row[4].toString(), QString::fromLatin1(slot->letter));
    if (row[2].isNull() || row[2].toString().trimmed().isEmpty())
        return where(2) + QStringLiteral("为空");
    const double weight = row[5].isNull() ? std::nan("") : row[5].toDouble();
    if (!std::isfinite(weight) || weight < 0)
        return where(5) + QStringLiteral("“%1”不是有效的重量").arg(row[5].isNull() ? QString() : row[5].toString());
    if (!row[6].isNull()) {
        const double edible = row[6].toDouble();
        if (!std::isfinite(edible) || edible != std::floor(edible) || edible < 0 || edible > 100)
            return where(6) + QStringLiteral("“%1”不是 0 到 100 之间的整数").arg(row[6].toString());
    }
    return {};
}

} // namespace

namespace {

// A plan document as read, before it is checked: what the checks need to know
// of each part, whichever reader read it.
struct PlanCell {
    enum Kind : quint8 { Null, Text, Number, Other } kind = Null;
    QString text;
    double number = 0;
};
struct PlanRow {
    bool isArray = false;
    QList<PlanCell> cells;
};
struct PlanDocument {
    QString format;                 // empty when missing or no text
    std::optional<double> version;  // none when missing or no number
    bool columnsIsArray = false;
    QList<std::optional<QString>> columns; // none for a name that is no text
    bool rowsIsArray = false;
    QList<PlanRow> rows;
};

// The general reader: Qt's JSON parser, for every document.
PlanResult readDocument(const QByteArray &bytes, PlanDocument *out)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
    if (pe.error != QJsonParseError::NoError)
        return failure(PlanStatus::FileError, QStringLiteral("第 %1 字节处：%2").arg(pe.offset).arg(pe.errorString()));
    if (!doc.isObject())
        return failure(PlanStatus::FileError, QStringLiteral("不是配餐记录"));
    const QJsonObject root = doc.object();
    out->format = root.value(QStringLiteral("format")).toString();
    if (const QJsonValue v = root.value(QStringLiteral("version")); v.isDouble())
        out->version = v.toDouble();
    const QJsonValue columns = root.value(QStringLiteral("columns"));
    out->columnsIsArray = columns.isArray();
    for (const QJsonValue &c : columns.toArray())
        out->columns << (c.isString() ? std::optional<QString>(c.toString()) : std::nullopt);
    const QJsonValue rows = root.value(QStringLiteral("rows"));
    out->rowsIsArray = rows.isArray();
    const QJsonArray rowArray = rows.toArray();
    out->rows.reserve(rowArray.size());
    for (const QJsonValue &r : rowArray) {
        PlanRow row;
        row.isArray = r.isArray();
        const QJsonArray cells = r.toArray();
        row.cells.reserve(cells.size());
        for (const QJsonValue &v : cells) {
            PlanCell cell;
            if (v.isNull()) {
                cell.kind = PlanCell::Null;
            } else if (v.isString()) {
                cell.kind = PlanCell::Text;
                cell.text = v.toString();
            } else if (v.isDouble()) {
                cell.kind = PlanCell::Number;
                cell.number = v.toDouble();
            } else {
                cell.kind = PlanCell::Other;
            }
            row.cells << std::move(cell);
        }
        out->rows << std::move(row);
    }
    return succeeded();
}

// The quick reader, for documents of the simple shape this program writes:
// one object of the four known keys (each once), strings without escapes or
// control characters, numbers, null, and rows of such values. It reads them
// several times faster than the general reader and returns false for
// anything else (which the general reader then reads, and refuses or not),
// so that both readers take every document the same way.
class QuickScan
{
public:
    explicit QuickScan(const QByteArray &bytes)
        : m_p(bytes.constData())
        , m_end(bytes.constData() + bytes.size())
    {
    }

    bool read(PlanDocument *out)
    {
        if (!take('{'))
            return false;
        bool seen[4] = {false, false, false, false};
        for (bool first = true;; first = false) {
            if (take('}'))
                return atEnd();
            if (!first && !take(','))
                return false;
            QString key;
            if (!string(&key) || !take(':'))
                return false;
            int which = -1;
            if (key == QLatin1String("format"))
                which = 0;
            else if (key == QLatin1String("version"))
                which = 1;
            else if (key == QLatin1String("columns"))
                which = 2;
            else if (key == QLatin1String("rows"))
                which = 3;
            if (which < 0 || seen[which])
                return false;
            seen[which] = true;
            bool ok = false;
            switch (which) {
            case 0:
                ok = string(&out->format);
                break;
            case 1: {
                double v = 0;
                ok = number(&v);
                out->version = v;
                break;
            }
            case 2:
                ok = columns(out);
                break;
            case 3:
                ok = rows(out);
                break;
            }
            if (!ok)
                return false;
        }
    }

private:
    void space()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\n' || *m_p == '\r'))
            ++m_p;
    }
    bool take(char c)
    {
        space();
        if (m_p < m_end && *m_p == c) {
            ++m_p;
            return true;
        }
        return false;
    }
    bool peek(char c)
    {
        space();
        return m_p < m_end && *m_p == c;
    }
    bool atEnd()
    {
        space();
        return m_p == m_end;
    }
    bool string(QString *out)
    {
        if (!take('"'))
            return false;
        const char *from = m_p;
        while (m_p < m_end && *m_p != '"') {
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '\\' || c < 0x20)
                return false;
            ++m_p;
        }
        if (m_p == m_end)
            return false;
        // The whole text was checked to be UTF-8 before it came here; the
        // general reader's check is left to it where this one differs.
        *out = QString::fromUtf8(from, m_p - from);
        ++m_p;
        return true;
    }
    bool number(double *out)
    {
        static constexpr double tens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        space();
        // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, its first 15 digits
        // gathered on the way.
        const char *from = m_p;
        const char *p = m_p;
        quint64 mantissa = 0;
        int digits = 0;
        int fraction = 0; // digits of the mantissa after the point
        const auto run = [&](bool afterPoint) {
            const char *d = p;
            for (; p < m_end && *p >= '0' && *p <= '9'; ++p) {
                if (++digits <= 15) {
                    mantissa = mantissa * 10 + quint64(*p - '0');
                    fraction += afterPoint ? 1 : 0;
                }
            }
            return p > d;
        };
        const bool negative = p < m_end && *p == '-';
        if (negative)
            ++p;
        if (p < m_end && *p == '0') {
            ++p;
            ++digits;
        } else if (!run(false)) {
            return false;
        }
        bool plain = true; // no point beyond the digits kept, no exponent
        if (p < m_end && *p == '.') {
            ++p;
            if (!run(true))
                return false;
        }
        if (p < m_end && (*p == 'e' || *p == 'E')) {
            plain = false;
            ++p;
            if (p < m_end && (*p == '+' || *p == '-'))
                ++p;
            const char *d = p;
            while (p < m_end && *p >= '0' && *p <= '9')
                ++p;
            if (p == d)
                return false;
        }
        // Long literals, and values beyond the range of a double, are left
        // to the general reader.
        if (p - from > 32)
            return false;
        if (plain && digits <= 15) {
            // At most 15 digits are exact in a double, and so is a power of
            // ten up to 10^15: one correctly rounded division gives the
            // correctly rounded value, as any exact reader does. A whole
            // number is an integer to the general reader: no negative zero.
            double v = double(mantissa);
            if (fraction > 0)
                v /= tens[fraction];
            *out = negative && v != 0 ? -v : v;
            m_p = p;
            return true;
        }
        double v = 0;
        if (std::find_if(from, p, [](char c) { return c == '.' || c == 'e' || c == 'E'; }) == p) {
            // As the general reader: a whole number that fits 64 bits is read
            // as an integer (so "-0" is 0), a larger one as a double.
            qint64 n = 0;
            const auto r = std::from_chars(from, p, n);
            if (r.ec == std::errc() && r.ptr == p) {
                m_p = p;
                *out = double(n);
                return true;
            }
        }
        const auto r = std::from_chars(from, p, v);
        if (r.ec != std::errc() || r.ptr != p || !std::isfinite(v))
            return false;
        // The general reader keeps a whole number as an integer, which has
        // no negative zero.
        if (v == 0)
            v = 0;
        m_p = p;
        *out = v;
        return true;
    }
    bool literal(const char *word)
    {
        space();
        const qsizetype n = qsizetype(std::strlen(word));
        if (m_end - m_p < n || std::memcmp(m_p, word, size_t(n)) != 0)
            return false;
        m_p += n;
        return true;
    }
    // The rest of an array after its '[': items separated by ',' up to ']'.
    template <typename Item>
    bool items(Item item)
    {
        if (take(']'))
            return true;
        do {
            if (!item())
                return false;
        } while (take(','));
        return take(']');
    }
    bool columns(PlanDocument *out)
    {
        if (!take('['))
            return false;
        out->columnsIsArray = true;
        return items([&] {
            QString name;
            if (!string(&name))
                return false;
            out->columns << std::move(name);
            return true;
        });
    }
    bool cell(PlanCell *out)
    {
        if (peek('"')) {
            out->kind = PlanCell::Text;
            return string(&out->text);
        }
        if (peek('n')) {
            out->kind = PlanCell::Null;
            return literal("null");
        }
        out->kind = PlanCell::Number;
        return number(&out->number);
    }
    bool rows(PlanDocument *out)
    {
        if (!take('['))
            return false;
        out->rowsIsArray = true;
        return items([&] {
            if (!take('['))
                return false;
            PlanRow row;
            row.isArray = true;
            row.cells.reserve(kPlanColumns);
            const bool whole = items([&] {
                PlanCell c;
                if (!cell(&c))
                    return false;
                row.cells << std::move(c);
                return true;
            });
            if (!whole)
                return false;
            out->rows << std::move(row);
            return true;
        });
    }

    const char *m_p;
    const char *m_end;
};

// The checks of a read document, the same for both readers.
// A number column's cell as a number (the two infinities are written as
// text), none for an empty cell; false for anything else.
bool cellNumber(const PlanCell &v, std::optional<double> *out)
{
    out->reset();
    switch (v.kind) {
    case PlanCell::Null:
        return true;
    case PlanCell::Number:
        if (std::isnan(v.number))
            return false;
        *out = v.number;
        return true;
    case PlanCell::Text:
        if (v.text == kPositiveInfinity)
            *out = std::numeric_limits<double>::infinity();
        else if (v.text == kNegativeInfinity)
            *out = -std::numeric_limits<double>::infinity();
        return out->has_value();
    case PlanCell::Other:
        break;
    }
    return false;
}

// Without rowsOut only checked: the values of the leading columns are made
// for the row checks, the rest are bound from the document by loadPlan.
PlanResult checkDocument(const PlanDocument &doc, QList<QVariantList> *rowsOut)
{
    const auto bad = [](const QString &reason) { return failure(PlanStatus::FileError, reason); };
    if (doc.format != QLatin1String(kFormatName))
        return bad(QStringLiteral("不是配餐记录"));
    if (!doc.version || *doc.version != std::floor(*doc.version) || *doc.version < 1)
        return bad(QStringLiteral("版本号无效"));
    if (*doc.version > kFormatVersion)
        return failure(PlanStatus::Refused, QStringLiteral("由更新版本的程序保存，本程序无法读取"));

    const QStringList expected = planColumns();
    if (!doc.columnsIsArray)
        return bad(QStringLiteral("缺少列名"));
    if (doc.columns.size() != expected.size())
        return bad(QStringLiteral("列数为 %1，应为 %2").arg(doc.columns.size()).arg(expected.size()));
    for (int c = 0; c < expected.size(); ++c) {
        if (!doc.columns[c] || doc.columns[c]->compare(expected[c], Qt::CaseInsensitive) != 0)
            return bad(QStringLiteral("第 %1 列应为 %2").arg(c + 1).arg(expected[c]));
    }

    if (!doc.rowsIsArray)
        return bad(QStringLiteral("缺少记录"));
    QList<QVariantList> out;
    if (rowsOut)
        out.reserve(doc.rows.size());
    // The leading columns rowProblem() and the entry key look at.
    constexpr int kLeading = 7;
    const int kept = rowsOut ? kPlanColumns : kLeading;
    // FOODNAME + WEEK + DINERTIME of every row so far: the key of an entry.
    QHash<QString, int> keys;
    keys.reserve(doc.rows.size());
    for (int r = 0; r < doc.rows.size(); ++r) {
        const PlanRow &row = doc.rows[r];
        if (!row.isArray)
            return bad(QStringLiteral("第 %1 条记录不是一行数据").arg(r + 1));
        if (row.cells.size() != kPlanColumns)
            return bad(
                QStringLiteral("第 %1 条记录有 %2 个字段，应为 %3").arg(r + 1).arg(row.cells.size()).arg(kPlanColumns));
        QVariantList values;
        values.reserve(kept);
        for (int c = 0; c < kPlanColumns; ++c) {
            const PlanCell &v = row.cells[c];
            if (c < kTextColumns) {
                if (v.kind == PlanCell::Null)
                    values << QVariant(QMetaType::fromType<QString>());
                else if (v.kind == PlanCell::Text)
                    values << v.text;
                else
                    return bad(QStringLiteral("第 %1 条记录的 %2 应为文字").arg(r + 1).arg(expected[c]));
            } else {
                std::optional<double> number;
                if (!cellNumber(v, &number))
                    return bad(QStringLiteral("第 %1 条记录的 %2 应为数值").arg(r + 1).arg(expected[c]));
                if (c < kept)
                    values << (number ? QVariant(*number) : QVariant(QMetaType::fromType<double>()));
            }
        }
        if (const QString problem = rowProblem(values, expected, r + 1); !problem.isEmpty())
            return bad(problem);
        const QString key = QStringList{values[2].toString().trimmed(), values[3].toString(), values[4].toString()}
                                .join(QChar(0x1f));
        if (const auto it = keys.constFind(key); it != keys.constEnd())
            return bad(QStringLiteral("第 %1 条记录与第 %2 条记录的 FOODNAME、WEEK、DINERTIME 相同（%3 %4 %5）")
                           .arg(r + 1)
                           .arg(*it)
                           .arg(values[3].toString(), values[4].toString(), values[2].toString()));
        keys.insert(key, r + 1);
        if (rowsOut)
            out << std::move(values);
    }
    if (rowsOut)
        *rowsOut = std::move(out);
    PlanResult ok;
    ok.rows = int(doc.rows.size());
    return ok;
}

PlanResult parseWith(const QByteArray &bytes, PlanDocument *doc, QList<QVariantList> *rowsOut, bool quick)
{
    if (rowsOut)
        rowsOut->clear();
    if (const QString problem = userfile::jsonTextProblem(bytes); !problem.isEmpty())
        return failure(PlanStatus::FileError, problem);
    if (!quick || !QuickScan(bytes).read(doc)) {
        *doc = PlanDocument();
        if (const PlanResult r = readDocument(bytes, doc); !r.ok())
            return r;
    }
    return checkDocument(*doc, rowsOut);
}

PlanResult readChecked(const QString &path, PlanDocument *doc, QList<QVariantList> *rowsOut)
{
    if (rowsOut)
        rowsOut->clear();
    QByteArray bytes;
    if (const QString why = userfile::read(path, userfile::Kind::Plan, &bytes); !why.isEmpty())
        return failure(PlanStatus::FileError, why + QStringLiteral("未导入任何记录。"));
    PlanResult r = parseWith(bytes, doc, rowsOut, true);
    if (r.status == PlanStatus::Refused)
        return failure(PlanStatus::FileError,
                       QStringLiteral("配餐记录文件“%1”%2，未导入任何记录。").arg(shown(path), r.message));
    if (!r.ok())
        return badFile(path, r.message);
    return r;
}

} // namespace

PlanResult parsePlan(const QByteArray &bytes, QList<QVariantList> *rowsOut)
{
    PlanDocument doc;
    return parseWith(bytes, &doc, rowsOut, true);
}

PlanResult parsePlanGeneral(const QByteArray &bytes, QList<QVariantList> *rowsOut)
{
    PlanDocument doc;
    return parseWith(bytes, &doc, rowsOut, false);
}

PlanResult readPlanFile(const QString &path, QList<QVariantList> *rowsOut)
{
    PlanDocument doc;
    return readChecked(path, &doc, rowsOut);
}

PlanResult loadPlan(const QString &path, int mealPattern)
{
    // Checked whole first; the rows' values then go from the document
    // straight into the statement.
    PlanDocument doc;
    PlanResult read = readChecked(path, &doc, nullptr);
    if (!read.ok())
        return read;

    sql::WriteScope tx;
    QString err;
    if (!sql::report(tx.status(), &err))
        return failure(PlanStatus::DbError, err);
    QSqlQuery q(nqb::db());
    if (!sql::exec(q, QStringLiteral("DELETE FROM NQBNutri_tmp"), {}, &err))
        return failure(PlanStatus::DbError, err);
    QStringList marks;
    for (int c = 0; c < kPlanColumns; ++c)
        marks << QStringLiteral("?");
    const QString insert = QStringLiteral("INSERT INTO NQBNutri_tmp (%1) VALUES (%2)")
                               .arg(joinColumns(planColumns()), marks.join(QLatin1Char(',')));
    {
        sql::Read r(insert, sql::Read::Unbound{});
        for (const PlanRow &row : std::as_const(doc.rows)) {
            // Every cell was checked to be of its column's kind.
            for (int c = 0; c < kPlanColumns; ++c) {
                const PlanCell &v = row.cells[c];
                std::optional<double> number;
                if (c < kTextColumns && v.kind == PlanCell::Text)
                    r.bindText(c + 1, v.text);
                else if (c >= kTextColumns && cellNumber(v, &number) && number)
                    r.bindNumber(c + 1, *number);
                else
                    r.bindNull(c + 1);
            }
            if (!r.step())
                return failure(PlanStatus::DbError, r.status().message);
        }
        if (!r.ok())
            return failure(PlanStatus::DbError, r.status().message);
    }
    const PlanResult dropped = plan::applyMealPattern(mealPattern);
    if (!dropped.ok())
        return dropped;
    if (!sql::report(tx.commit(), &err))
        return failure(PlanStatus::DbError, err);
    return succeeded(int(doc.rows.size()) - dropped.rows);
}

QString profileFilePath(bool individual)
{
    return programFile(individual ? QStringLiteral("personal.ini") : QStringLiteral("Collective.ini"));
}

PlanResult writeQuotiety(const QString &profilePath, const std::array<int, 7> &percentages)
{
    const ini::WriteResult w = ini::write(
        profilePath,
        [&](QSettings &s) {
            s.beginGroup(QStringLiteral("Quotiety"));
            for (int i = 0; i < 7; ++i)
                s.setValue(QString::number(i), percentages[i]);
            s.endGroup();
        },
        QStringLiteral("无法写入文件“%1”。").arg(shown(profilePath)));
    if (!w.ok())
        return failure(PlanStatus::FileError, w.error);
    PlanResult r;
    r.message = w.notice; // a damaged file moved aside: said, though the write succeeded
    return r;
}

PlanResult writeQuotiety(const QString &profilePath, const QStringList &percentageTexts)
{
    if (percentageTexts.size() != 7)
        return failure(PlanStatus::BadNumber, QStringLiteral("需要七天的配餐系数比。"));
    std::array<int, 7> p{};
    for (int i = 0; i < 7; ++i) {
        bool ok = false;
        p[i] = percentageTexts[i].trimmed().toInt(&ok);
        if (!ok)
            return failure(PlanStatus::BadNumber, QStringLiteral("“%1”不是有效的整数。").arg(percentageTexts[i]));
    }
    return writeQuotiety(profilePath, p);
}

QString profileCopyPath(const QString &planPath, bool individual)
{
    return planPath + (individual ? QLatin1Char('s') : QLatin1Char('m'));
}

QString planPathForProfileCopy(const QString &copyPath)
{
    if (copyPath.endsWith(QLatin1String(".pans"), Qt::CaseInsensitive)
        || copyPath.endsWith(QLatin1String(".panm"), Qt::CaseInsensitive))
        return copyPath.left(copyPath.size() - 1);
    return {};
}

PlanResult copyProfile(const QString &profilePath, const QString &copyPath)
{
    QByteArray bytes;
    if (const QString why = userfile::read(profilePath, userfile::Kind::Profile, &bytes); !why.isEmpty())
        return failure(PlanStatus::FileError, why);
    QSaveFile dst(copyPath);
    if (!dst.open(QIODevice::WriteOnly) || dst.write(bytes) != bytes.size() || !dst.commit())
        return failure(PlanStatus::FileError,
                       QStringLiteral("无法写入文件“%1”：%2").arg(shown(copyPath), dst.errorString()));
    return {};
}

PlanResult savePlanWithProfile(const QString &planPath, bool individual)
{
    const QString copyPath = profileCopyPath(planPath, individual);
    auto notSaved = [&](PlanResult r, const QString &file) {
        r.message = QStringLiteral("配餐记录未保存：“%1”未能写入。%2").arg(shown(file), r.message);
        return r;
    };
    // The copy first: a plan file never goes without a profile copy at least as
    // new. An earlier copy of that name is kept in hand so that a failed plan
    // write leaves the files as they were.
    const bool hadCopy = QFileInfo::exists(copyPath);
    QByteArray previous;
    if (hadCopy) {
        if (const QString why = userfile::read(copyPath, userfile::Kind::Profile, &previous); !why.isEmpty())
            return notSaved(failure(PlanStatus::FileError, why), copyPath);
    }
    if (PlanResult copy = copyProfile(profileFilePath(individual), copyPath); !copy.ok())
        return notSaved(copy, copyPath);

    PlanResult r = savePlan(planPath);
    if (!r.ok()) {
        bool restored = true;
        if (hadCopy) {
            QSaveFile back(copyPath);
            restored = back.open(QIODevice::WriteOnly) && back.write(previous) == previous.size() && back.commit();
        } else {
            restored = QFile::remove(copyPath);
        }
        r = notSaved(r, planPath);
        if (!restored)
            r.message += QStringLiteral(" 档案副本“%1”已是新的内容。").arg(shown(copyPath));
        return r;
    }
    return r;
}

} // namespace nqb::planfile
