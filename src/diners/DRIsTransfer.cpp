#include "diners/DRIsTransfer.h"

#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "data/UserFile.h"
#include "diners/Requirements.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QSqlQuery>
#include <cmath>
#include <iterator>
#include <map>
#include <utility>

namespace nqb {

namespace {

QJsonValue number(const QVariant &v)
{
    return v.isNull() || !v.isValid() ? QJsonValue(QJsonValue::Null) : QJsonValue(v.toDouble());
}

QString amendmentKey(const Amendment &a)
{
    return QStringList{a.kind.trimmed(), a.age.trimmed(), fmtG(a.yearFir), fmtG(a.yearLast), a.element.trimmed(),
                       a.sex.trimmed(), a.rni.isNull() ? QString() : fmtG(a.rni.toDouble()),
                       a.ear.isNull() ? QString() : fmtG(a.ear.toDouble()),
                       a.ul.isNull() ? QString() : fmtG(a.ul.toDouble()), a.remark}
        .join(QChar(0x1f));
}

QString standardKey(const QVariantList &row)
{
    // AGETEXT, SEX, ACT, DRIS
    return QStringList{row[3].toString().trimmed(), row[2].toString().trimmed(), row[5].toString().trimmed(),
                       row[6].toString().trimmed()}
        .join(QChar(0x1f));
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.toString().trimmed() == b.toString().trimmed();
    return a.toDouble() == b.toDouble();
}

} // namespace

QString specialDrisFilter()
{
    return QStringLiteral("特殊人群DRIs数据(*.dris)");
}

QString specialDrisSuffix()
{
    return QStringLiteral("dris");
}

QStringList specialDrisStandardColumns()
{
    return QStringList{"AGEFIR", "AGELAST", "SEX", "AGETEXT", "WEIGHT", "ACT", "DRIS"} + requirementColumns();
}

Result collectSpecialDris(QSqlDatabase db, bool withStandards, SpecialDrisData &out)
{
    out = {};
    Result r = readAmendmentKinds(db, out.kinds);
    if (!r)
        return r;
    QSqlQuery q(db);
    r = sql::exec(q, QStringLiteral("SELECT MEALKIND, AGE, YEARFIR, YEARLAST, ELEMENT, SEX, RNI, EAR, UL, REMARK "
                                    "FROM DRIsIll_tb ORDER BY rowid"));
    if (!r)
        return r;
    while (q.next()) {
        Amendment a;
        a.kind = q.value(0).toString();
        a.age = q.value(1).toString();
        a.yearFir = q.value(2).toDouble();
        a.yearLast = q.value(3).toDouble();
        a.element = q.value(4).toString();
        a.sex = q.value(5).toString();
        a.rni = q.value(6);
        a.ear = q.value(7);
        a.ul = q.value(8);
        a.remark = q.value(9).toString();
        out.amendments << a;
    }
    if (withStandards) {
        out.hasStandards = true;
        const QStringList cols = specialDrisStandardColumns();
        r = sql::exec(q, QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) +
                             QStringLiteral(" FROM DRIsStand_tb ORDER BY rowid"));
        if (!r)
            return r;
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < cols.size(); ++i)
                row << q.value(i);
            out.standards << row;
        }
    }
    return succeeded(out.amendments.size());
}

Result writeSpecialDrisFile(const QString &path, const SpecialDrisData &data)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromLatin1(kSpecialDrisFormat));
    root.insert(QStringLiteral("version"), kSpecialDrisVersion);
    root.insert(QStringLiteral("kinds"), QJsonArray::fromStringList(data.kinds));
    QJsonArray amendments;
    for (const Amendment &a : data.amendments) {
        QJsonObject o;
        o.insert(QStringLiteral("MEALKIND"), a.kind);
        o.insert(QStringLiteral("AGE"), a.age);
        o.insert(QStringLiteral("YEARFIR"), a.yearFir);
        o.insert(QStringLiteral("YEARLAST"), a.yearLast);
        o.insert(QStringLiteral("ELEMENT"), a.element);
        o.insert(QStringLiteral("SEX"), a.sex);
        o.insert(QStringLiteral("RNI"), number(a.rni));
        o.insert(QStringLiteral("EAR"), number(a.ear));
        o.insert(QStringLiteral("UL"), number(a.ul));
        o.insert(QStringLiteral("REMARK"), a.remark);
        amendments.append(o);
    }
    root.insert(QStringLiteral("amendments"), amendments);
    if (data.hasStandards) {
        const QStringList cols = specialDrisStandardColumns();
        QJsonArray standards;
        for (const QVariantList &row : data.standards) {
            QJsonObject o;
            for (int i = 0; i < cols.size(); ++i) {
                const bool text = i == 2 || i == 3 || i == 5 || i == 6;
                o.insert(cols[i], text ? QJsonValue(row.value(i).toString()) : number(row.value(i)));
            }
            standards.append(o);
        }
        root.insert(QStringLiteral("standards"), standards);
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 ||
        !f.commit())
        return failure(Status::FileError,
                       QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), f.errorString()));
    return succeeded(data.amendments.size());
}

Result readSpecialDrisFile(const QString &path, SpecialDrisData &out)
{
    out = {};
    QByteArray bytes;
    if (const QString why = userfile::read(path, userfile::Kind::Dris, &bytes); !why.isEmpty())
        return failure(Status::FileError, why);
    Result r = parseSpecialDris(bytes, out);
    if (!r)
        r.message = QStringLiteral("文件 %1 不是可导入的特殊人群DRIs数据：%2").arg(QDir::toNativeSeparators(path), r.message);
    return r;
}

Result parseSpecialDris(const QByteArray &bytes, SpecialDrisData &out)
{
    out = {};
    auto bad = [&out](const QString &why) {
        out = {};
        return failure(Status::FileError, why);
    };
    if (const QString problem = userfile::jsonTextProblem(bytes); !problem.isEmpty())
        return bad(problem);
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
    if (pe.error != QJsonParseError::NoError || !doc.isObject())
        return bad(QStringLiteral("文件已损坏或不是本程序导出的文件"));
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(kSpecialDrisFormat))
        return bad(QStringLiteral("文件格式不符"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) || version.toInt() < 1)
        return bad(QStringLiteral("缺少版本号"));
    if (version.toInt() > kSpecialDrisVersion)
        return bad(QStringLiteral("版本 %1 比本程序能读取的版本 %2 新").arg(version.toInt()).arg(kSpecialDrisVersion));

    const QJsonValue kinds = root.value(QStringLiteral("kinds"));
    if (!kinds.isArray())
        return bad(QStringLiteral("缺少膳食种类"));
    QSet<QString> kindSet;
    for (const QJsonValue &k : kinds.toArray()) {
        const QString kind = k.toString().trimmed();
        if (!k.isString() || kind.isEmpty() || kind == normalDietKind() || kind == allKindsFilter() ||
            kindSet.contains(kind))
            return bad(QStringLiteral("膳食种类“%1”无效或重复").arg(k.toString()));
        kindSet.insert(kind);
        out.kinds << kind;
    }

    const QJsonValue amendments = root.value(QStringLiteral("amendments"));
    if (!amendments.isArray())
        return bad(QStringLiteral("缺少修订数据"));
    QHash<QString, std::map<double, double>> byTarget;
    int n = 0;
    for (const QJsonValue &v : amendments.toArray()) {
        ++n;
        const QString where = QStringLiteral("第 %1 条修订").arg(n);
        if (!v.isObject())
            return bad(where + QStringLiteral("格式不符"));
        const QJsonObject o = v.toObject();
        Amendment a;
        const QJsonValue fir = o.value(QStringLiteral("YEARFIR")), last = o.value(QStringLiteral("YEARLAST"));
        const QJsonValue rni = o.value(QStringLiteral("RNI")), ear = o.value(QStringLiteral("EAR")),
                         ul = o.value(QStringLiteral("UL"));
        for (const char *key : {"MEALKIND", "AGE", "ELEMENT", "SEX"}) {
            if (!o.value(QLatin1String(key)).isString())
                return bad(where + QStringLiteral("缺少 %1").arg(QLatin1String(key)));
        }
        if (!fir.isDouble() || !last.isDouble() || !rni.isDouble() || !ear.isDouble() || !ul.isDouble())
            return bad(where + QStringLiteral("的年龄或参考值不是数字"));
        const QJsonValue remark = o.value(QStringLiteral("REMARK"));
        if (!remark.isString() && !remark.isNull() && !remark.isUndefined())
            return bad(where + QStringLiteral("的备注格式不符"));
        a.kind = o.value(QStringLiteral("MEALKIND")).toString().trimmed();
        a.age = o.value(QStringLiteral("AGE")).toString();
        a.element = o.value(QStringLiteral("ELEMENT")).toString().trimmed();
        a.sex = o.value(QStringLiteral("SEX")).toString().trimmed();
        a.yearFir = fir.toDouble();
        a.yearLast = last.toDouble();
        a.rni = rni.toDouble();
        a.ear = ear.toDouble();
        a.ul = ul.toDouble();
        a.remark = remark.toString();
        if (!kindSet.contains(a.kind))
            return bad(where + QStringLiteral("的膳食种类“%1”不在种类表中").arg(a.kind));
        if (requirementIndexOfElement(a.element) < 0)
            return bad(where + QStringLiteral("的营养素“%1”未知").arg(a.element));
        if (a.sex != QStringLiteral("男") && a.sex != QStringLiteral("女"))
            return bad(where + QStringLiteral("的性别“%1”无效").arg(a.sex));
        if (!(a.yearLast > a.yearFir))
            return bad(where + QStringLiteral("的年龄范围无效"));
        if (!(a.ear.toDouble() <= a.rni.toDouble() && a.rni.toDouble() < a.ul.toDouble()))
            return bad(where + QStringLiteral("不满足 下限 ≤ 标准 < 上限"));
        // Only amendments of the same kind, element and sex can overlap; their
        // ranges so far (none overlapping) are kept by lower bound, so a range
        // is compared with its two neighbours only, not with the whole file.
        std::map<double, double> &ranges = byTarget[QStringList{a.kind, a.element, a.sex}.join(QChar(0x1f))];
        const auto next = ranges.lower_bound(a.yearFir);
        const bool overlapsNext =
            next != ranges.end() && ageRangesOverlap(a.yearFir, a.yearLast, next->first, next->second);
        const bool overlapsPrevious = next != ranges.begin()
            && ageRangesOverlap(a.yearFir, a.yearLast, std::prev(next)->first, std::prev(next)->second);
        if (overlapsNext || overlapsPrevious)
            return bad(where + QStringLiteral("的年龄阶段与前面的修订重复"));
        ranges.emplace(a.yearFir, a.yearLast);
        out.amendments << a;
    }

    const QJsonValue standards = root.value(QStringLiteral("standards"));
    if (!standards.isUndefined()) {
        if (!standards.isArray())
            return bad(QStringLiteral("DRIs 标准表格式不符"));
        out.hasStandards = true;
        const QStringList cols = specialDrisStandardColumns();
        QSet<QString> keys;
        int i = 0;
        for (const QJsonValue &v : standards.toArray()) {
            ++i;
            const QString where = QStringLiteral("DRIs 标准表第 %1 行").arg(i);
            if (!v.isObject())
                return bad(where + QStringLiteral("格式不符"));
            const QJsonObject o = v.toObject();
            QVariantList row;
            for (int c = 0; c < cols.size(); ++c) {
                const QJsonValue cell = o.value(cols[c]);
                const bool text = c == 2 || c == 3 || c == 5 || c == 6;
                if (text ? !cell.isString() : !(cell.isDouble() || cell.isNull()))
                    return bad(where + QStringLiteral("的 %1 缺少或格式不符").arg(cols[c]));
                row << (text ? QVariant(cell.toString()) : cell.isNull() ? QVariant() : QVariant(cell.toDouble()));
            }
            const QString kind = row[6].toString().trimmed();
            if (kind != QLatin1String("RNI") && kind != QLatin1String("EAR") && kind != QLatin1String("UL"))
                return bad(where + QStringLiteral("的 DRIS“%1”无效").arg(kind));
            const QString key = standardKey(row);
            if (keys.contains(key))
                return bad(where + QStringLiteral("重复"));
            keys.insert(key);
            out.standards << row;
        }
    }
    return succeeded(out.amendments.size());
}

QString SpecialDrisPreview::text() const
{
    QStringList lines;
    lines << (newKinds.isEmpty() ? QStringLiteral("新增膳食种类：无")
                                 : QStringLiteral("新增膳食种类 %1 个：%2").arg(newKinds.size()).arg(newKinds.join(QStringLiteral("、"))));
    lines << QStringLiteral("修订：新增 %1 条，删除 %2 条，不变 %3 条").arg(amendmentsAdded).arg(amendmentsRemoved).arg(amendmentsKept);
    if (standardsChanged || standardsAdded || standardsKept)
        lines << QStringLiteral("DRIs 标准表：修改 %1 行，新增 %2 行，不变 %3 行")
                     .arg(standardsChanged)
                     .arg(standardsAdded)
                     .arg(standardsKept);
    return lines.join(QLatin1Char('\n'));
}

Result previewSpecialDris(QSqlDatabase db, const SpecialDrisData &data, SpecialDrisPreview &out)
{
    out = {};
    SpecialDrisData current;
    Result r = collectSpecialDris(db, data.hasStandards, current);
    if (!r)
        return r;
    for (const QString &k : data.kinds)
        if (!current.kinds.contains(k))
            out.newKinds << k;
    const QSet<QString> fileKinds(data.kinds.cbegin(), data.kinds.cend());
    QHash<QString, int> stored;
    for (const Amendment &a : current.amendments)
        if (fileKinds.contains(a.kind.trimmed()))
            stored[amendmentKey(a)]++;
    for (const Amendment &a : data.amendments) {
        auto it = stored.find(amendmentKey(a));
        if (it != stored.end() && *it > 0) {
            --*it;
            ++out.amendmentsKept;
        } else {
            ++out.amendmentsAdded;
        }
    }
    for (int left : std::as_const(stored))
        out.amendmentsRemoved += left;
    if (data.hasStandards) {
        QHash<QString, QVariantList> rows;
        for (const QVariantList &row : current.standards)
            rows.insert(standardKey(row), row);
        for (const QVariantList &row : data.standards) {
            const auto it = rows.constFind(standardKey(row));
            if (it == rows.cend()) {
                ++out.standardsAdded;
                continue;
            }
            bool same = true;
            for (int c = 0; c < row.size() && same; ++c)
                same = sameValue(row[c], (*it)[c]);
            same ? ++out.standardsKept : ++out.standardsChanged;
        }
    }
    return succeeded();
}

Result importSpecialDris(QSqlDatabase db, const SpecialDrisData &data)
{
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(db);
    Result r;
    QStringList current;
    r = readAmendmentKinds(db, current);
    if (!r)
        return r;
    for (const QString &k : data.kinds) {
        if (current.contains(k))
            continue;
        r = sql::exec(q, QStringLiteral("INSERT INTO DRIsIllKind_tb (MEALKIND) VALUES (?)"), {k});
        if (!r)
            return r;
    }
    for (const QString &k : data.kinds) {
        r = sql::exec(q, QStringLiteral("DELETE FROM DRIsIll_tb WHERE TRIM(MEALKIND) = ?"), {k});
        if (!r)
            return r;
    }
    int written = 0;
    for (const Amendment &a : data.amendments) {
        r = sql::exec(q, QStringLiteral("INSERT INTO DRIsIll_tb (MEALKIND, AGE, YEARFIR, YEARLAST, ELEMENT, SEX, RNI, "
                                        "EAR, UL, REMARK) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                      {a.kind, a.age, a.yearFir, a.yearLast, a.element, a.sex, a.rni, a.ear, a.ul, a.remark});
        if (!r)
            return r;
        ++written;
    }
    if (data.hasStandards) {
        const QStringList cols = specialDrisStandardColumns();
        QStringList sets, marks;
        for (const QString &c : cols) {
            sets << c + QStringLiteral(" = ?");
            marks << QStringLiteral("?");
        }
        const QString update = QStringLiteral("UPDATE DRIsStand_tb SET ") + sets.join(QStringLiteral(", ")) +
                               QStringLiteral(" WHERE TRIM(AGETEXT) = ? AND TRIM(SEX) = ? AND TRIM(ACT) = ? "
                                              "AND TRIM(DRIS) = ?");
        const QString insert = QStringLiteral("INSERT INTO DRIsStand_tb (") + cols.join(QStringLiteral(", ")) +
                               QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        for (const QVariantList &row : data.standards) {
            QVariantList binds = row;
            binds << row[3].toString().trimmed() << row[2].toString().trimmed() << row[5].toString().trimmed()
                  << row[6].toString().trimmed();
            r = sql::exec(q, update, binds);
            if (!r)
                return r;
            if (r.rows == 0) {
                r = sql::exec(q, insert, row);
                if (!r)
                    return r;
            }
        }
    }
    r = scope.commit();
    if (r)
        r.rows = written;
    return r;
}

} // namespace nqb
