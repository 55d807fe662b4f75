#include "foods/CompositionImport.h"

#include "data/Csv.h"
#include "data/Pinyin.h"
#include "data/UserFile.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QSqlQuery>
#include <QStringDecoder>
#include <cmath>

namespace nqb::import {

using rawfood::Field;
using rawfood::Food;
using rawfood::Page;

namespace {

struct ColumnRef {
    int index = -1;
    const Page *page = nullptr;
    const Field *field = nullptr;
};

bool sameValue(const QVariant &a, const QVariant &b)
{
    const bool an = !a.isValid() || a.isNull();
    const bool bn = !b.isValid() || b.isNull();
    if (an || bn)
        return an == bn;
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.toString().trimmed() == b.toString().trimmed();
    const double x = a.toDouble(), y = b.toDouble();
    return std::fabs(x - y) <= 1e-12 * std::max(1.0, std::max(std::fabs(x), std::fabs(y)));
}

// The composition field a header text names, plain or qualified by its table.
bool resolveColumn(const QString &header, const Page **page, const Field **field)
{
    const QString h = header.trimmed();
    const int dot = h.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        *field = rawfood::findField(h.left(dot), h.mid(dot + 1), page);
        return *field != nullptr;
    }
    for (const Page &p : rawfood::pages()) {
        if (const Field *f = rawfood::findField(p.table, h)) {
            *page = &p;
            *field = f;
            return true;
        }
    }
    return false;
}

} // namespace

int Preview::newFoodCount() const
{
    int n = 0;
    for (const FoodChange &f : foods)
        n += f.isNew ? 1 : 0;
    return n;
}

int Preview::changedCellCount() const
{
    int n = 0;
    for (const FoodChange &f : foods)
        n += f.cells.size();
    return n;
}

Result previewCsv(const QByteArray &bytes, const QString &subGroupText, Preview *out)
{
    *out = Preview{};
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(data);
    if (decoder.hasError())
        return failure(Status::FileError, QStringLiteral("文件不是 UTF-8 编码的文本，请另存为“CSV UTF-8”后再导入。"));
    const QList<QStringList> rows = parseCsv(text);
    if (rows.isEmpty() || rows.first().join(QString()).trimmed().isEmpty())
        return failure(Status::FileError, QStringLiteral("文件没有标题行。"));

    // ---- header ----
    const QStringList header = rows.first();
    int codeCol = -1, nameCol = -1, pyjmCol = -1;
    QList<ColumnRef> refs;
    QSet<QString> seen;
    for (int i = 0; i < header.size(); ++i) {
        const QString h = header.at(i).trimmed();
        if (h.isEmpty())
            continue;
        const Page *page = nullptr;
        const Field *field = nullptr;
        const QString upper = h.toUpper();
        QString id;
        if (upper == QLatin1String("CODE")) {
            codeCol = i;
            id = upper;
        } else if (upper == QLatin1String("FOODNAME")) {
            nameCol = i;
            id = upper;
        } else if (upper == QLatin1String("PYJM")) {
            pyjmCol = i;
            id = upper;
        } else if (resolveColumn(h, &page, &field)) {
            refs.append({i, page, field});
            id = (page->table + QLatin1Char('.') + field->column).toUpper();
        } else {
            out->unknownColumns << h;
            continue;
        }
        if (seen.contains(id))
            return failure(Status::FileError, QStringLiteral("标题行中“%1”列出现了两次。").arg(h));
        seen.insert(id);
    }
    if (codeCol < 0 && nameCol < 0)
        return failure(Status::FileError, QStringLiteral("标题行须有 CODE（食物编码）或 FOODNAME（食物名称）列。"));
    const bool byCode = codeCol >= 0;
    out->keyColumn = byCode ? QStringLiteral("CODE") : QStringLiteral("FOODNAME");

    // New foods of unknown names go to the chosen sub-group.
    const QString prefix = byCode ? QString() : rawfood::codePrefix(subGroupText);
    QString err;
    QStringList codesInGroup;
    if (!prefix.isEmpty()) {
        codesInGroup = rawfood::codesWithPrefix(prefix, &err);
        if (!err.isEmpty())
            return failure(Status::DbError, err);
    }

    QSet<QString> listedFoods;
    for (int r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        const int line = r + 1;
        if (row.join(QString()).trimmed().isEmpty())
            continue; // a blank line
        const auto cell = [&row](int i) { return i >= 0 && i < row.size() ? row.at(i).trimmed() : QString(); };
        const QString key = cell(byCode ? codeCol : nameCol);
        const auto skip = [&](const QString &reason) { out->skipped.append({line, key, reason}); };
        if (row.size() > header.size()) {
            skip(QStringLiteral("列数多于标题行"));
            continue;
        }
        if (key.isEmpty()) {
            skip(byCode ? QStringLiteral("缺少食物编码") : QStringLiteral("缺少食物名称"));
            continue;
        }

        // The food the row is for.
        FoodChange change;
        change.line = line;
        if (byCode) {
            QSqlQuery q(sql::connection());
            if (!sql::exec(q, QStringLiteral("SELECT Code, FoodName, PYJM FROM Nutri_tb WHERE trim(Code) = ?"), {key},
                           &err))
                return failure(Status::DbError, err);
            if (!q.next()) {
                skip(QStringLiteral("未知的食物编码"));
                continue;
            }
            change.food = {q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                           q.value(2).toString().trimmed()};
        } else {
            const std::optional<Food> found = rawfood::findFood(key, &err);
            if (!err.isEmpty())
                return failure(Status::DbError, err);
            if (found) {
                change.food = *found;
            } else if (prefix.isEmpty()) {
                skip(QStringLiteral("未知的食物名称（未选择新食物的类别）"));
                continue;
            } else {
                change.isNew = true;
                change.food.name = key;
                QString py = cell(pyjmCol).toUpper();
                change.food.pyjm = py.isEmpty() ? PinyinInitials(key) : py;
            }
        }
        const QString identity = change.food.name;
        if (listedFoods.contains(identity)) {
            skip(QStringLiteral("同一食物在文件中出现了两次"));
            continue;
        }

        // Its values: every cell must be a number in its field's range.
        QString bad;
        QList<QPair<const ColumnRef *, QVariant>> values;
        for (const ColumnRef &ref : refs) {
            const QString t = cell(ref.index);
            if (t.isEmpty())
                continue;
            QVariant v;
            const Result check = rawfood::checkValue(*ref.field, t, &v);
            if (!check) {
                bad = QStringLiteral("%1 列：%2").arg(header.at(ref.index).trimmed(), check.message);
                break;
            }
            values.append({&ref, v});
        }
        if (!bad.isEmpty()) {
            skip(bad);
            continue;
        }

        // Compared with what is stored.
        QHash<QString, QVariantMap> stored;
        for (const auto &[ref, v] : values) {
            QVariant old;
            if (!change.isNew) {
                if (!stored.contains(ref->page->table)) {
                    const std::optional<QVariantMap> row = rawfood::loadRow(*ref->page, change.food.name, &err);
                    if (!err.isEmpty())
                        return failure(Status::DbError, err);
                    stored.insert(ref->page->table, row.value_or(QVariantMap{}));
                }
                old = stored.value(ref->page->table).value(ref->field->column);
            }
            if (!change.isNew && sameValue(old, v))
                continue;
            change.cells.append({ref->page->table, ref->field->column, ref->field->label, old, v});
        }

        if (change.isNew) {
            const QString number = rawfood::nextNumber(prefix, codesInGroup);
            if (number.isEmpty()) {
                skip(rawfood::subGroupFullMessage());
                continue;
            }
            change.food.code = prefix + number;
            codesInGroup << change.food.code;
        }
        listedFoods.insert(identity);
        if (!change.isNew && change.cells.isEmpty()) {
            ++out->unchangedRows;
            continue;
        }
        out->foods.append(change);
    }
    return succeeded();
}

Result previewFile(const QString &path, const QString &subGroupText, Preview *out)
{
    *out = Preview{};
    QByteArray bytes;
    if (const QString why = userfile::read(path, userfile::Kind::Csv, &bytes); !why.isEmpty())
        return failure(Status::FileError, why);
    return previewCsv(bytes, subGroupText, out);
}

Result apply(const Preview &preview)
{
    sql::WriteScope scope;
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(sql::connection());
    for (const FoodChange &change : preview.foods) {
        if (change.isNew) {
            const Result r = sql::exec(q, QStringLiteral("INSERT INTO Nutri_tb (Code, FoodName, PYJM) VALUES (?, ?, ?)"),
                                       {change.food.code, change.food.name, change.food.pyjm},
                                       QStringLiteral("第%1行的食物无法添加：").arg(change.line));
            if (!r)
                return r;
        }
        for (const Page &page : rawfood::pages()) {
            QVariantMap values;
            for (const CellChange &c : change.cells) {
                if (c.table == page.table)
                    values.insert(c.column, c.newValue);
            }
            if (values.isEmpty())
                continue;
            Result r = rawfood::storeRow(page, change.food, values);
            if (!r) {
                r.message = QStringLiteral("第%1行：%2").arg(change.line).arg(r.message);
                return r;
            }
        }
    }
    Result done = scope.commit();
    if (done)
        done.rows = preview.foods.size();
    return done;
}

QStringList templateHeader(const QString &table)
{
    QStringList h{QStringLiteral("CODE"), QStringLiteral("FOODNAME"), QStringLiteral("PYJM")};
    for (const Page &p : rawfood::pages()) {
        if (p.table.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        for (const Field &f : p.fields)
            h << f.column;
    }
    return h;
}

Result writeTemplate(const QString &table, const QString &path)
{
    if (templateHeader(table).size() <= 3)
        return failure(Status::NotFound, QStringLiteral("没有成分表 %1。").arg(table));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return failure(Status::FileError, QStringLiteral("无法写入文件 %1：%2").arg(path, f.errorString()));
    QByteArray bytes("\xEF\xBB\xBF");
    bytes += csvLine(templateHeader(table)).toUtf8();
    if (!bytes.endsWith('\n'))
        bytes += "\r\n";
    if (f.write(bytes) != bytes.size() || !f.commit())
        return failure(Status::FileError, QStringLiteral("无法写入文件 %1：%2").arg(path, f.errorString()));
    return succeeded();
}

} // namespace nqb::import
