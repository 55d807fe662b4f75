#include "diners/GroupProfile.h"

#include "data/IniFile.h"
#include "data/NumberFormat.h"
#include "data/IniText.h"
#include "data/Paths.h"
#include "data/UserFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cmath>

namespace nqb {

namespace {

const QString kComposition = QStringLiteral("DinerPerson_tmp");

// A value with a comma comes back as a list; join it again.
QString settingText(const ini::Document &s, const QString &key)
{
    return s.text(key);
}

// Reads the file as bytes and parses it; the fault naming the file, or empty.
QString readIni(const QString &path, ini::Document *doc)
{
    QByteArray bytes;
    QString fault = userfile::read(path, userfile::Kind::Profile, &bytes);
    if (fault.isEmpty()) {
        fault = ini::parse(bytes, doc);
        if (!fault.isEmpty())
            fault = QStringLiteral("集体资料文件 %1 无法读取：%2").arg(QDir::toNativeSeparators(path), fault);
    }
    return fault;
}

DinerGroupRow trimmed(const DinerGroupRow &r)
{
    return {r.ageBand.trimmed(), r.sex.trimmed(), r.activity.trimmed(), r.persons};
}

} // namespace

QString groupProfilePath()
{
    return programFile(QStringLiteral("Collective.ini"));
}

Result readComposition(QSqlDatabase db, QList<DinerGroupRow> &out)
{
    out.clear();
    QSqlQuery q(db);
    const Result r = sql::exec(q, QStringLiteral("SELECT AGETEXT, SEX, ACTIVITY, TOTALPERSON FROM DinerPerson_tmp "
                                                 "ORDER BY rowid"));
    if (!r)
        return r;
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toInt()});
    return succeeded(out.size());
}

Result addCompositionRow(QSqlDatabase db, const DinerGroupRow &raw)
{
    const DinerGroupRow row = trimmed(raw);
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(db);
    Result r = sql::exec(q, QStringLiteral("SELECT COUNT(*) FROM DinerPerson_tmp WHERE AGETEXT = ? AND ACTIVITY = ? "
                                           "AND SEX = ?"),
                         {row.ageBand, row.activity, row.sex});
    if (!r)
        return r;
    if (q.next() && q.value(0).toInt() > 0)
        return failure(Status::Duplicate, QStringLiteral("该就餐标准已存在，请更改就餐人数！"));
    r = sql::exec(q, QStringLiteral("INSERT INTO DinerPerson_tmp (AGETEXT, ACTIVITY, SEX, TOTALPERSON) "
                                    "VALUES (?, ?, ?, ?)"),
                  {row.ageBand, row.activity, row.sex, row.persons});
    if (!r)
        return r;
    return scope.commit();
}

Result deleteCompositionRow(QSqlDatabase db, const DinerGroupRow &raw)
{
    const DinerGroupRow row = trimmed(raw);
    QSqlQuery q(db);
    return sql::exec(q, QStringLiteral("DELETE FROM DinerPerson_tmp WHERE AGETEXT = ? AND SEX = ? AND ACTIVITY = ?"),
                     {row.ageBand, row.sex, row.activity});
}

Result setCompositionPersons(QSqlDatabase db, const DinerGroupRow &raw, int persons)
{
    const DinerGroupRow row = trimmed(raw);
    QSqlQuery q(db);
    const Result r = sql::exec(q, QStringLiteral("UPDATE DinerPerson_tmp SET TOTALPERSON = ? WHERE AGETEXT = ? "
                                                 "AND SEX = ? AND ACTIVITY = ?"),
                               {persons, row.ageBand, row.sex, row.activity});
    if (r && r.rows < 1)
        return failure(Status::NotFound, QStringLiteral("就餐人员组成中没有这一行。"));
    return r;
}

Result replaceComposition(QSqlDatabase db, const QList<DinerGroupRow> &rows)
{
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(db);
    Result r = sql::exec(q, QStringLiteral("DELETE FROM DinerPerson_tmp"));
    if (!r)
        return r;
    for (const DinerGroupRow &raw : rows) {
        const DinerGroupRow row = trimmed(raw);
        r = sql::exec(q, QStringLiteral("INSERT INTO DinerPerson_tmp (AGETEXT, ACTIVITY, SEX, TOTALPERSON) "
                                        "VALUES (?, ?, ?, ?)"),
                      {row.ageBand, row.activity, row.sex, row.persons});
        if (!r)
            return r;
    }
    r = scope.commit();
    if (r)
        r.rows = rows.size();
    return r;
}

int totalPersons(const QList<DinerGroupRow> &rows)
{
    int total = 0;
    for (const auto &r : rows)
        total += r.persons;
    return total;
}

QString computeGroupRequirements(QSqlDatabase db, const QList<DinerGroupRow> &rows, RequirementMatrix &out)
{
    RequirementMatrix m;
    for (int r = 0; r < kRequirementRows; ++r)
        for (int n = 0; n < kRequirementCount; ++n)
            m.setText(r, n, QStringLiteral("0"));
    for (const DinerGroupRow &row : rows) {
        StandardRows standard;
        const QString err = readStandardRows(db, row.ageBand.trimmed(), row.sex.trimmed(), row.activity.trimmed(),
                                             standard);
        if (!err.isEmpty())
            return err;
        for (int r = 0; r < kRequirementRows; ++r) {
            for (int n = 0; n < kRequirementCount; ++n)
                m.setText(r, n, fmtG(m.value(r, n) + standard.matrix.value(r, n) * row.persons));
        }
    }
    int total = totalPersons(rows);
    if (total == 0)
        total = 1;
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int n = 0; n < kRequirementCount; ++n)
            m.setText(r, n, fmtG(std::nearbyint(m.value(r, n) * 10 / total) / 10));
    }
    out = m;
    return {};
}

QString parseGroupProfile(const QByteArray &bytes, GroupProfileData &out)
{
    out = {};
    ini::Document s;
    if (QString fault = ini::parse(bytes, &s); !fault.isEmpty())
        return fault;
    bool ok = false;
    const int total = settingText(s, QStringLiteral("TOTALNUM/Total")).trimmed().toInt(&ok);
    const int n = ok ? total : (s.contains(QStringLiteral("TOTALNUM/Total")) ? 0 : 1);
    // No more rows than the file can name: a count far beyond its keys is a
    // damaged file, not a reason to look up a billion keys.
    if (n > kMaxGroupRows)
        return QStringLiteral("TOTALNUM/Total 为 %1，超过 %2 行的上限").arg(n).arg(kMaxGroupRows);
    GroupProfileData read;
    for (int i = 0; i < n; ++i) {
        DinerGroupRow row;
        row.ageBand = settingText(s, QStringLiteral("AGETEXT/%1").arg(i)).trimmed();
        row.activity = settingText(s, QStringLiteral("ACTIVITY/%1").arg(i)).trimmed();
        row.sex = settingText(s, QStringLiteral("SEX/%1").arg(i)).trimmed();
        bool pok = false;
        const int persons = settingText(s, QStringLiteral("TOTALPERSON/%1").arg(i)).trimmed().toInt(&pok);
        row.persons = pok && persons > 0 ? persons : 0;
        if (row.ageBand.isEmpty() || row.sex.isEmpty() || row.activity.isEmpty())
            continue;
        bool repeated = false;
        for (const auto &r : read.rows)
            repeated = repeated || r.sameCombination(row);
        if (!repeated)
            read.rows.append(row);
    }
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int k = 0; k < kRequirementCount; ++k) {
            const QString key = QStringLiteral("%1/%2").arg(requirementRowKind(r)).arg(k);
            read.matrix.setText(r, k, s.contains(key) ? settingText(s, key).trimmed() : QStringLiteral("0"));
        }
    }
    out = read;
    return {};
}

bool readGroupProfile(const QString &path, GroupProfileData &out, QString *why)
{
    out = {};
    if (why)
        why->clear();
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return false;
    QByteArray bytes;
    QString fault = userfile::read(path, userfile::Kind::Profile, &bytes);
    if (fault.isEmpty()) {
        fault = parseGroupProfile(bytes, out);
        if (!fault.isEmpty())
            fault = QStringLiteral("集体资料文件 %1 无法读取：%2").arg(QDir::toNativeSeparators(path), fault);
    }
    if (why)
        *why = fault;
    return fault.isEmpty();
}

bool isGroupProfileFile(const QString &path, QString *why)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        if (why)
            *why = QStringLiteral("文件 %1 不存在。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    ini::Document s;
    if (const QString fault = readIni(path, &s); !fault.isEmpty()) {
        if (why)
            *why = fault;
        return false;
    }
    bool ok = false;
    const int total = settingText(s, QStringLiteral("TOTALNUM/Total")).trimmed().toInt(&ok);
    if (!ok || total < 0 || total > kMaxGroupRows) {
        if (why)
            *why = QStringLiteral("文件 %1 不是集体资料文件（缺少就餐人员组成）。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

QString writeGroupProfile(const QString &path, const QList<DinerGroupRow> &rows, const RequirementMatrix &matrix,
                          QString *notice)
{
    // The sections this file does not own (Quotiety) stay.
    const ini::WriteResult w = ini::write(
        path,
        [&](QSettings &s) {
            for (const char *group : {"TOTALNUM", "AGETEXT", "ACTIVITY", "SEX", "TOTALPERSON", "RNI", "EAR", "UL"})
                s.remove(QString::fromLatin1(group));
            s.setValue(QStringLiteral("TOTALNUM/Total"), QString::number(rows.size()));
            for (int i = 0; i < rows.size(); ++i) {
                const DinerGroupRow row = trimmed(rows[i]);
                s.setValue(QStringLiteral("AGETEXT/%1").arg(i), row.ageBand);
                s.setValue(QStringLiteral("ACTIVITY/%1").arg(i), row.activity);
                s.setValue(QStringLiteral("SEX/%1").arg(i), row.sex);
                s.setValue(QStringLiteral("TOTALPERSON/%1").arg(i), QString::number(row.persons));
            }
            for (int r = 0; r < kRequirementRows; ++r)
                for (int n = 0; n < kRequirementCount; ++n)
                    s.setValue(QStringLiteral("%1/%2").arg(requirementRowKind(r)).arg(n), fmtG(matrix.value(r, n)));
        },
        QStringLiteral("无法写入集体资料文件 %1").arg(QDir::toNativeSeparators(path)));
    if (notice)
        *notice = w.notice;
    return w.error;
}

} // namespace nqb
