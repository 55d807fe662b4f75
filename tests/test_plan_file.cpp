// Plan files: exact round trip, meal-pattern delete on import, refusal of bad
// files without touching the plan, the Quotiety section and the profile copy.
#include "TestEnv.h"
#include "data/Paths.h"
#include "planning/PlanFile.h"
#include "planning_fixtures.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>

using namespace nqb;
using plan::PlanStatus;

namespace {

QList<QVariantList> planSnapshot()
{
    return fixtures::rows(QStringLiteral("SELECT * FROM NQBNutri_tmp ORDER BY rowid"));
}

// Same value: both NULL, or equal texts, or bit-identical doubles.
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.typeId() == b.typeId() && a.toString() == b.toString();
    const double x = a.toDouble(), y = b.toDouble();
    return std::memcmp(&x, &y, sizeof x) == 0;
}

QString diff(const QList<QVariantList> &a, const QList<QVariantList> &b)
{
    if (a.size() != b.size())
        return QStringLiteral("row count %1 vs %2").arg(a.size()).arg(b.size());
    for (int r = 0; r < a.size(); ++r) {
        if (a[r].size() != b[r].size())
            return QStringLiteral("row %1 width").arg(r);
        for (int c = 0; c < a[r].size(); ++c) {
            if (!sameValue(a[r][c], b[r][c]))
                return QStringLiteral("row %1 column %2: %3 vs %4")
                    .arg(r)
                    .arg(c)
                    .arg(a[r][c].toString(), b[r][c].toString());
        }
    }
    return {};
}

// One entry in every slot of every weekday, with awkward values.
void fillWeek()
{
    const double awkward[] = {0.1 + 0.2, 1e-300, 5e-324, 1.0 / 3.0, -1.5, 1.7976931348623157e308,
                              123456789.123456789, 2.2250738585072014e-308, 0.0};
    const QStringList names = {QStringLiteral("Joe's \"鸡汤\""), QStringLiteral("米饭, 蒸"),
                               QStringLiteral("两行\n名称"), QStringLiteral("反斜杠\\ 与 \t 制表"),
                               QStringLiteral("空"), QStringLiteral("普通")};
    int n = 0;
    for (int d = 0; d < plan::kWeekdayCount; ++d) {
        for (const auto &s : plan::mealSlots()) {
            QVariantList row;
            row << QString::fromLatin1(s.letter);
            row << (n % 5 == 4 ? QVariant(QMetaType::fromType<QString>()) : QVariant(QStringLiteral("99-1-%1").arg(n, 3, 10, QLatin1Char('0'))));
            row << names[n % names.size()];
            row << plan::weekdayCode(d) << QString::fromUtf8(s.name);
            row << (n % 7 == 3 ? 0.0 : 0.1 * n + 0.2);
            row << double(50 + n);
            for (int c = 0; c < kCompositionCount; ++c) {
                const int k = (n + c) % 11;
                if (k == 9)
                    row << QVariant(QMetaType::fromType<double>());
                else if (k == 10)
                    row << (c % 2 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity());
                else
                    row << awkward[k] * (c + 1);
            }
            QVERIFY(fixtures::insertPlanRow(row));
            ++n;
        }
    }
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class PlanFileTest : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsEveryValue();
    void importDropsSlotsOfTheMealPattern();
    void badFilesImportNothing();
    void everyCutOfASavedPlanIsRefused();
    void saveReportsUnwritablePlace();
    void quotietyGoesIntoProfile();
    void profileCopyBesideThePlan();
    void failedSaveLeavesNoNewFile();
};

void PlanFileTest::roundTripKeepsEveryValue()
{
    TestEnv env;
    fillWeek();
    const auto before = planSnapshot();
    QCOMPARE(before.size(), 49);
    QCOMPARE(before.first().size(), 43);

    const QString path = QDir(env.workingDir()).filePath(QStringLiteral("week1.pan"));
    plan::PlanResult r = planfile::savePlan(path);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.rows, 49);
    QCOMPARE(planSnapshot().size(), 49); // saving leaves the plan as it is

    QVERIFY(plan::clearPlan().ok());
    r = planfile::loadPlan(path, 7);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.rows, 49);
    const QString d = diff(before, planSnapshot());
    QVERIFY2(d.isEmpty(), qPrintable(d));

    // Loading replaces the whole plan, also entries added since.
    QVERIFY(fixtures::insertEntry("MON", "早餐", "新加", 1, {}));
    QVERIFY(planfile::loadPlan(path, 7).ok());
    QVERIFY(diff(before, planSnapshot()).isEmpty());

    // An empty plan round-trips too.
    QVERIFY(plan::clearPlan().ok());
    QVERIFY(planfile::savePlan(path).ok());
    QVERIFY(fixtures::insertEntry("MON", "早餐", "新加", 1, {}));
    QVERIFY(planfile::loadPlan(path, 1).ok());
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
}

void PlanFileTest::importDropsSlotsOfTheMealPattern()
{
    TestEnv env;
    fillWeek();
    const QString path = QDir(env.workingDir()).filePath(QStringLiteral("p3.pan"));
    QVERIFY(planfile::savePlan(path).ok());

    plan::PlanResult r = planfile::loadPlan(path, 1);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.rows, 28);
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE DINERTIME IN ('早间餐','午间餐','晚间餐')"), 0);
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE DINERTIME='加餐'"), 7);
    // Weekdays stay as saved.
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE WEEK='WED'"), 4);

    QCOMPARE(planfile::loadPlan(path, 2).rows, 35);
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE DINERTIME IN ('晚间餐','加餐')"), 0);
    QCOMPARE(planfile::loadPlan(path, 3).rows, 42);
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE DINERTIME='加餐'"), 0);
    QCOMPARE(planfile::loadPlan(path, 7).rows, 49);
    QCOMPARE(rowCount("NQBNutri_tmp"), 49);

    // The meal-pattern delete on its own (after the workbench's load).
    QCOMPARE(plan::applyMealPattern(3).rows, 7);
    QCOMPARE(plan::applyMealPattern(0).rows, 0);
    QCOMPARE(rowCount("NQBNutri_tmp"), 42);
}

void PlanFileTest::badFilesImportNothing()
{
    TestEnv env;
    fillWeek();
    const QString dir = env.workingDir();
    const QString good = QDir(dir).filePath(QStringLiteral("good.pan"));
    QVERIFY(planfile::savePlan(good).ok());
    const QByteArray bytes = readAll(good);
    QVERIFY(bytes.startsWith("{"));

    // The plan the user has now, which a bad file must leave alone.
    QVERIFY(plan::clearPlan().ok());
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "现有", 150, {{"PROCNT", 3.84}}));
    const auto current = planSnapshot();

    auto replaced = [&](const QByteArray &from, const QByteArray &to) {
        QByteArray b = bytes;
        const int at = b.indexOf(from);
        if (at < 0)
            qFatal("fixture text not found");
        return b.replace(at, from.size(), to);
    };
    const QList<QPair<QString, QByteArray>> cases = {
        {"truncated.pan", bytes.left(bytes.size() / 2)},
        {"cut-late.pan", bytes.left(bytes.size() - 2)},
        {"garbage.pan", QByteArray("\x00\x01\x02" "ADTG" "\xff\xfe", 9)},
        {"empty.pan", QByteArray()},
        {"foreign.pan", QByteArray(R"({"format":"something-else","version":1,"columns":[],"rows":[]})")},
        {"array.pan", QByteArray("[1,2,3]")},
        {"newer.pan", replaced("\"version\":1", "\"version\":2")},
        {"noversion.pan", replaced("\"version\":1", "\"versio\":1")},
        {"columns.pan", replaced("\"WEIGHT\"", "\"WEIGHTX\"")},
        {"shortrow.pan", replaced("[\"A\",", "[")},
        {"textnumber.pan", replaced("\"SUN\",\"早餐\",0.2,", "\"SUN\",\"早餐\",\"heavy\",")},
        {"numbertext.pan", replaced("[\"A\",", "[1,")},
    };
    for (const auto &c : cases) {
        const QString path = QDir(dir).filePath(c.first);
        QVERIFY(writeAll(path, c.second));
        const plan::PlanResult r = planfile::loadPlan(path, 1);
        QVERIFY2(r.status == PlanStatus::FileError, qPrintable(c.first));
        QVERIFY2(r.message.contains(QDir::toNativeSeparators(path)), qPrintable(r.message));
        const QString d = diff(current, planSnapshot());
        QVERIFY2(d.isEmpty(), qPrintable(c.first + QStringLiteral(": ") + d));
    }
    const plan::PlanResult missing = planfile::loadPlan(QDir(dir).filePath("none.pan"), 1);
    QCOMPARE(missing.status, PlanStatus::FileError);
    QVERIFY(missing.message.contains(QStringLiteral("none.pan")));
    QVERIFY(diff(current, planSnapshot()).isEmpty());
}

// A save cut off after any byte (a full disk, a copy stopped half-way) is
// refused whole; only dropping what follows the closing brace still reads as
// the plan. The loads through the file leave the current plan alone.
void PlanFileTest::everyCutOfASavedPlanIsRefused()
{
    TestEnv env;
    fillWeek();
    const QString path = QDir(env.workingDir()).filePath(QStringLiteral("week.pan"));
    QVERIFY(planfile::savePlan(path).ok());
    const QByteArray bytes = readAll(path);
    QList<QVariantList> whole;
    QVERIFY(planfile::parsePlan(bytes, &whole).ok());
    const qsizetype end = bytes.lastIndexOf('}') + 1;
    QVERIFY(end > 0);

    for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
        QList<QVariantList> rows;
        const plan::PlanResult r = planfile::parsePlan(bytes.left(cut), &rows);
        if (cut >= end) {
            QVERIFY2(r.ok() && diff(rows, whole).isEmpty(), qPrintable(QString::number(cut)));
            continue;
        }
        QVERIFY2(r.status == PlanStatus::FileError && !r.message.isEmpty() && rows.isEmpty(),
                 qPrintable(QStringLiteral("cut after %1 of %2 bytes").arg(cut).arg(bytes.size())));
    }

    QVERIFY(plan::clearPlan().ok());
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "现有", 150, {{"PROCNT", 3.84}}));
    const auto current = planSnapshot();
    const QString cutPath = QDir(env.workingDir()).filePath(QStringLiteral("cut.pan"));
    for (qsizetype cut = 0; cut < end; cut += 1 + end / 40) {
        QVERIFY(writeAll(cutPath, bytes.left(cut)));
        QCOMPARE(planfile::loadPlan(cutPath, 1).status, PlanStatus::FileError);
        QVERIFY2(diff(current, planSnapshot()).isEmpty(), qPrintable(QString::number(cut)));
    }
}

void PlanFileTest::saveReportsUnwritablePlace()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "现有", 150, {}));
    const QString path = QDir(env.workingDir()).filePath(QStringLiteral("no/such/folder/week.pan"));
    const plan::PlanResult r = planfile::savePlan(path);
    QCOMPARE(r.status, PlanStatus::FileError);
    QVERIFY(r.message.contains(QStringLiteral("week.pan")));
    QVERIFY(!QFile::exists(path));
}

void PlanFileTest::quotietyGoesIntoProfile()
{
    TestEnv env;
    const QString profile = planfile::profileFilePath(true);
    QCOMPARE(profile, programFile(QStringLiteral("personal.ini")));
    QCOMPARE(planfile::profileFilePath(false), programFile(QStringLiteral("Collective.ini")));
    {
        QSettings s(profile, QSettings::IniFormat);
        s.setValue(QStringLiteral("RNI/0"), QStringLiteral("2250"));
        s.setValue(QStringLiteral("Quotiety/3"), 55);
    }
    plan::PlanResult r = planfile::writeQuotiety(profile, QStringList{"100", "80", "100", " 150 ", "20", "100", "95"});
    QVERIFY2(r.ok(), qPrintable(r.message));
    {
        QSettings s(profile, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("Quotiety/1")).toString(), QStringLiteral("80"));
        QCOMPARE(s.value(QStringLiteral("Quotiety/3")).toString(), QStringLiteral("150"));
        QCOMPARE(s.value(QStringLiteral("Quotiety/6")).toString(), QStringLiteral("95"));
        QCOMPARE(s.value(QStringLiteral("RNI/0")).toString(), QStringLiteral("2250")); // other sections stay
    }
    const QByteArray before = readAll(profile);
    r = planfile::writeQuotiety(profile, QStringList{"100", "8x", "100", "100", "100", "100", "100"});
    QCOMPARE(r.status, PlanStatus::BadNumber);
    QCOMPARE(readAll(profile), before);

    // A group profile that does not exist yet is created with the section only.
    const QString group = planfile::profileFilePath(false);
    QVERIFY(!QFile::exists(group));
    QVERIFY(planfile::writeQuotiety(group, std::array<int, 7>{100, 100, 100, 100, 100, 100, 50}).ok());
    QSettings g(group, QSettings::IniFormat);
    QCOMPARE(g.childGroups(), QStringList{QStringLiteral("Quotiety")});
    QCOMPARE(g.value(QStringLiteral("Quotiety/6")).toInt(), 50);
}

void PlanFileTest::profileCopyBesideThePlan()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry("WED", "午餐", "现有", 150, {{"PROCNT", 1}}));
    QVERIFY(writeAll(planfile::profileFilePath(true), "[RNI]\n0=2250\n[Quotiety]\n0=100\n"));
    QVERIFY(writeAll(planfile::profileFilePath(false), "[Group]\nn=3\n"));

    QTemporaryDir out;
    const QString plan = QDir(out.path()).filePath(QStringLiteral("week1.pan"));
    QCOMPARE(planfile::profileCopyPath(plan, true), plan + QLatin1Char('s'));
    QCOMPARE(planfile::profileCopyPath(plan, false), plan + QLatin1Char('m'));
    QCOMPARE(planfile::planPathForProfileCopy(plan + QLatin1Char('s')), plan);
    QCOMPARE(planfile::planPathForProfileCopy(QStringLiteral("C:/x/A.PANM")), QStringLiteral("C:/x/A.PAN"));
    QVERIFY(planfile::planPathForProfileCopy(QStringLiteral("/x/personal.ini")).isEmpty());

    plan::PlanResult r = planfile::savePlanWithProfile(plan, true);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QVERIFY(QFile::exists(plan));
    QCOMPARE(readAll(plan + "s"), readAll(planfile::profileFilePath(true)));
    QVERIFY(!QFile::exists(plan + "m"));

    // Saving again under the same name replaces both files.
    QVERIFY(writeAll(planfile::profileFilePath(true), "[RNI]\n0=1800\n"));
    QVERIFY(fixtures::insertEntry("THU", "晚餐", "又一个", 100, {}));
    QVERIFY(planfile::savePlanWithProfile(plan, true).ok());
    QCOMPARE(readAll(plan + "s"), QByteArray("[RNI]\n0=1800\n"));
    QVERIFY(planfile::loadPlan(plan, 1).ok());
    QCOMPARE(rowCount("NQBNutri_tmp"), 2);

    // A group plan gets the group profile.
    QVERIFY(planfile::savePlanWithProfile(plan, false).ok());
    QCOMPARE(readAll(plan + "m"), QByteArray("[Group]\nn=3\n"));

    // No profile to copy: reported, naming the profile file.
    QVERIFY(QFile::remove(planfile::profileFilePath(false)));
    r = planfile::savePlanWithProfile(plan, false);
    QCOMPARE(r.status, PlanStatus::FileError);
    QVERIFY(r.message.contains(QStringLiteral("Collective.ini")));
}

void PlanFileTest::failedSaveLeavesNoNewFile()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry("WED", "午餐", "现有", 150, {{"PROCNT", 1}}));
    QVERIFY(writeAll(planfile::profileFilePath(true), "[RNI]\n0=2250\n"));
    QTemporaryDir out;
    const QString plan = QDir(out.path()).filePath(QStringLiteral("week1.pan"));

    // The copy cannot be written (a folder holds its name): no plan file either.
    QVERIFY(QDir().mkpath(plan + "s"));
    plan::PlanResult r = planfile::savePlanWithProfile(plan, true);
    QCOMPARE(r.status, PlanStatus::FileError);
    QVERIFY(!QFile::exists(plan));
    QVERIFY2(r.message.contains(QStringLiteral("week1.pans")) && r.message.contains(QStringLiteral("未保存")),
             qPrintable(r.message));
    QVERIFY(QDir(plan + "s").removeRecursively());

    // The plan file cannot be written: the new copy is taken away again.
    QVERIFY(QDir().mkpath(plan));
    r = planfile::savePlanWithProfile(plan, true);
    QVERIFY(!r.ok());
    QVERIFY(!QFile::exists(plan + "s"));
    QVERIFY2(r.message.contains(QStringLiteral("week1.pan")) && r.message.contains(QStringLiteral("未保存")),
             qPrintable(r.message));

    // An earlier copy of that name is put back as it was.
    QVERIFY(writeAll(plan + "s", "[RNI]\n0=1000\n"));
    r = planfile::savePlanWithProfile(plan, true);
    QVERIFY(!r.ok());
    QCOMPARE(readAll(plan + "s"), QByteArray("[RNI]\n0=1000\n"));
    QVERIFY(QDir(plan).removeRecursively());
    QVERIFY(planfile::savePlanWithProfile(plan, true).ok());
    QCOMPARE(readAll(plan + "s"), QByteArray("[RNI]\n0=2250\n"));
}

QTEST_GUILESS_MAIN(PlanFileTest)
#include "test_plan_file.moc"
