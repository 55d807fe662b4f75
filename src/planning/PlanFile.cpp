#include "planning/PlanFile.h"

#include "data/DataModule.h"
#include "data/IniFile.h"
#include "data/Paths.h"
#include "data/Schema.h"
#include "planning/PlanDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <QSettings>
#include <QSqlQuery>
#include <cmath>
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

// Reads the whole file into *bytes. A missing or unreadable file fails with a
// message calling it what ("配餐记录文件", "文件").
PlanResult readWholeFile(const QString &path, const QString &what, QByteArray *bytes)
{
    QFile f(path);
    if (!f.exists())
        return failure(PlanStatus::FileError, QStringLiteral("找不到%1“%2”。").arg(what, shown(path)));
    if (!f.open(QIODevice::ReadOnly))
        return failure(PlanStatus::FileError,
                       QStringLiteral("无法读取%1“%2”：%3").arg(what, shown(path), f.errorString()));
    *bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return failure(PlanStatus::FileError,
                       QStringLiteral("无法读取%1“%2”：%3").arg(what, shown(path), f.errorString()));
    return {};
}

PlanResult badFile(const QString &path, const QString &reason)
{
    return failure(PlanStatus::FileError,
                   QStringLiteral("配餐记录文件“%1”已损坏或不是本程序保存的配餐记录（%2），未导入任何记录。")
                       .arg(shown(path), reason));
}

QJsonValue numberCell(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return QJsonValue(QJsonValue::Null);
    double d = 0;
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) {
        // A number column holding text (never written by this program): a
        // number in it is kept, anything else counts as empty.
        bool ok = false;
        d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            return QJsonValue(QJsonValue::Null);
    } else {
        bool ok = false;
        d = v.toDouble(&ok);
        if (!ok)
            return QJsonValue(QJsonValue::Null);
    }
    if (std::isnan(d))
        return QJsonValue(QJsonValue::Null);
    if (std::isinf(d))
        return QJsonValue(d > 0 ? kPositiveInfinity : kNegativeInfinity);
    return QJsonValue(d);
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

PlanResult savePlan(const QString &path)
{
    const QStringList columns = planColumns();
    QSqlQuery q(nqb::db());
    q.setForwardOnly(true);
    QString err;
    if (!sql::exec(q, QStringLiteral("SELECT %1 FROM NQBNutri_tmp ORDER BY rowid").arg(joinColumns(columns)), {},
                      &err))
        return failure(PlanStatus::DbError, err);
    QJsonArray rows;
    while (q.next()) {
        QJsonArray row;
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant v = q.value(c);
            if (c < kTextColumns)
                row.append(v.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(v.toString()));
            else
                row.append(numberCell(v));
        }
        rows.append(row);
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromLatin1(kFormatName));
    root.insert(QStringLiteral("version"), kFormatVersion);
    root.insert(QStringLiteral("columns"), QJsonArray::fromStringList(columns));
    root.insert(QStringLiteral("rows"), rows);
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Compact);

    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        return failure(PlanStatus::FileError,
                       QStringLiteral("无法写入配餐记录文件“%1”：%2").arg(shown(path), f.errorString()));
    }
    return succeeded(rows.size());
}

PlanResult readPlanFile(const QString &path, QList<QVariantList> *rowsOut)
{
    rowsOut->clear();
    QByteArray bytes;
    if (PlanResult r = readWholeFile(path, QStringLiteral("配餐记录文件"), &bytes); !r.ok())
        return r;

    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
    if (pe.error != QJsonParseError::NoError)
        return badFile(path, QStringLiteral("第 %1 字节处：%2").arg(pe.offset).arg(pe.errorString()));
    if (!doc.isObject())
        return badFile(path, QStringLiteral("不是配餐记录"));
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormatName))
        return badFile(path, QStringLiteral("不是配餐记录"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) || version.toDouble() < 1)
        return badFile(path, QStringLiteral("版本号无效"));
    if (version.toDouble() > kFormatVersion)
        return failure(PlanStatus::FileError,
                       QStringLiteral("配餐记录文件“%1”由更新版本的程序保存，本程序无法读取，未导入任何记录。")
                           .arg(shown(path)));

    const QStringList expected = planColumns();
    const QJsonValue columnsValue = root.value(QStringLiteral("columns"));
    if (!columnsValue.isArray())
        return badFile(path, QStringLiteral("缺少列名"));
    const QJsonArray columns = columnsValue.toArray();
    if (columns.size() != expected.size())
        return badFile(path, QStringLiteral("列数为 %1，应为 %2").arg(columns.size()).arg(expected.size()));
    for (int c = 0; c < expected.size(); ++c) {
        if (!columns[c].isString() || columns[c].toString().compare(expected[c], Qt::CaseInsensitive) != 0)
            return badFile(path, QStringLiteral("第 %1 列应为 %2").arg(c + 1).arg(expected[c]));
    }

    const QJsonValue rowsValue = root.value(QStringLiteral("rows"));
    if (!rowsValue.isArray())
        return badFile(path, QStringLiteral("缺少记录"));
    const QJsonArray rows = rowsValue.toArray();
    QList<QVariantList> out;
    out.reserve(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        if (!rows[r].isArray())
            return badFile(path, QStringLiteral("第 %1 条记录不是一行数据").arg(r + 1));
        const QJsonArray row = rows[r].toArray();
        if (row.size() != kPlanColumns)
            return badFile(path,
                           QStringLiteral("第 %1 条记录有 %2 个字段，应为 %3").arg(r + 1).arg(row.size()).arg(kPlanColumns));
        QVariantList values;
        values.reserve(kPlanColumns);
        for (int c = 0; c < kPlanColumns; ++c) {
            const QJsonValue v = row[c];
            if (c < kTextColumns) {
                if (v.isNull())
                    values << QVariant(QMetaType::fromType<QString>());
                else if (v.isString())
                    values << v.toString();
                else
                    return badFile(path, QStringLiteral("第 %1 条记录的 %2 应为文字").arg(r + 1).arg(expected[c]));
            } else {
                if (v.isNull())
                    values << QVariant(QMetaType::fromType<double>());
                else if (v.isDouble())
                    values << v.toDouble();
                else if (v.isString() && v.toString() == kPositiveInfinity)
                    values << std::numeric_limits<double>::infinity();
                else if (v.isString() && v.toString() == kNegativeInfinity)
                    values << -std::numeric_limits<double>::infinity();
                else
                    return badFile(path, QStringLiteral("第 %1 条记录的 %2 应为数值").arg(r + 1).arg(expected[c]));
            }
        }
        out << values;
    }
    *rowsOut = out;
    PlanResult ok;
    ok.rows = out.size();
    return ok;
}

PlanResult loadPlan(const QString &path, int mealPattern)
{
    QList<QVariantList> rows;
    PlanResult read = readPlanFile(path, &rows);
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
    if (!q.prepare(QStringLiteral("INSERT INTO NQBNutri_tmp (%1) VALUES (%2)")
                       .arg(joinColumns(planColumns()), marks.join(QLatin1Char(',')))))
        return failure(PlanStatus::DbError, sql::errorText(q));
    for (const QVariantList &row : rows) {
        for (int c = 0; c < kPlanColumns; ++c)
            q.bindValue(c, row[c]);
        if (!q.exec())
            return failure(PlanStatus::DbError, sql::errorText(q));
    }
    const PlanResult dropped = plan::applyMealPattern(mealPattern);
    if (!dropped.ok())
        return dropped;
    if (!sql::report(tx.commit(), &err))
        return failure(PlanStatus::DbError, err);
    return succeeded(rows.size() - dropped.rows);
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
    if (PlanResult r = readWholeFile(profilePath, QStringLiteral("文件"), &bytes); !r.ok())
        return r;
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
        if (PlanResult r = readWholeFile(copyPath, QStringLiteral("文件"), &previous); !r.ok())
            return notSaved(r, copyPath);
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
