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

PlanResult parsePlan(const QByteArray &bytes, QList<QVariantList> *rowsOut)
{
    rowsOut->clear();
    const auto bad = [](const QString &reason) { return failure(PlanStatus::FileError, reason); };
    if (const QString problem = userfile::jsonTextProblem(bytes); !problem.isEmpty())
        return bad(problem);
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &pe);
    if (pe.error != QJsonParseError::NoError)
        return bad(QStringLiteral("第 %1 字节处：%2").arg(pe.offset).arg(pe.errorString()));
    if (!doc.isObject())
        return bad(QStringLiteral("不是配餐记录"));
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(kFormatName))
        return bad(QStringLiteral("不是配餐记录"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) || version.toDouble() < 1)
        return bad(QStringLiteral("版本号无效"));
    if (version.toDouble() > kFormatVersion)
        return failure(PlanStatus::Refused, QStringLiteral("由更新版本的程序保存，本程序无法读取"));

    const QStringList expected = planColumns();
    const QJsonValue columnsValue = root.value(QStringLiteral("columns"));
    if (!columnsValue.isArray())
        return bad(QStringLiteral("缺少列名"));
    const QJsonArray columns = columnsValue.toArray();
    if (columns.size() != expected.size())
        return bad(QStringLiteral("列数为 %1，应为 %2").arg(columns.size()).arg(expected.size()));
    for (int c = 0; c < expected.size(); ++c) {
        if (!columns[c].isString() || columns[c].toString().compare(expected[c], Qt::CaseInsensitive) != 0)
            return bad(QStringLiteral("第 %1 列应为 %2").arg(c + 1).arg(expected[c]));
    }

    const QJsonValue rowsValue = root.value(QStringLiteral("rows"));
    if (!rowsValue.isArray())
        return bad(QStringLiteral("缺少记录"));
    const QJsonArray rows = rowsValue.toArray();
    QList<QVariantList> out;
    out.reserve(rows.size());
    // FOODNAME + WEEK + DINERTIME of every row so far: the key of an entry.
    QHash<QString, int> keys;
    for (int r = 0; r < rows.size(); ++r) {
        if (!rows[r].isArray())
            return bad(QStringLiteral("第 %1 条记录不是一行数据").arg(r + 1));
        const QJsonArray row = rows[r].toArray();
        if (row.size() != kPlanColumns)
            return bad(QStringLiteral("第 %1 条记录有 %2 个字段，应为 %3").arg(r + 1).arg(row.size()).arg(kPlanColumns));
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
                    return bad(QStringLiteral("第 %1 条记录的 %2 应为文字").arg(r + 1).arg(expected[c]));
            } else {
                if (v.isNull())
                    values << QVariant(QMetaType::fromType<double>());
                else if (v.isDouble() && !std::isnan(v.toDouble()))
                    values << v.toDouble();
                else if (v.isString() && v.toString() == kPositiveInfinity)
                    values << std::numeric_limits<double>::infinity();
                else if (v.isString() && v.toString() == kNegativeInfinity)
                    values << -std::numeric_limits<double>::infinity();
                else
                    return bad(QStringLiteral("第 %1 条记录的 %2 应为数值").arg(r + 1).arg(expected[c]));
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
        out << values;
    }
    *rowsOut = out;
    PlanResult ok;
    ok.rows = out.size();
    return ok;
}

PlanResult readPlanFile(const QString &path, QList<QVariantList> *rowsOut)
{
    rowsOut->clear();
    QByteArray bytes;
    if (const QString why = userfile::read(path, userfile::Kind::Plan, &bytes); !why.isEmpty())
        return failure(PlanStatus::FileError, why + QStringLiteral("未导入任何记录。"));
    PlanResult r = parsePlan(bytes, rowsOut);
    if (r.status == PlanStatus::Refused)
        return failure(PlanStatus::FileError,
                       QStringLiteral("配餐记录文件“%1”%2，未导入任何记录。").arg(shown(path), r.message));
    if (!r.ok())
        return badFile(path, r.message);
    return r;
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
    const QString insert = QStringLiteral("INSERT INTO NQBNutri_tmp (%1) VALUES (%2)")
                               .arg(joinColumns(planColumns()), marks.join(QLatin1Char(',')));
    for (const QVariantList &row : rows) {
        if (const Result r = sql::run(insert, row); !r.ok())
            return failure(PlanStatus::DbError, r.message);
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
