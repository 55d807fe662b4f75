// Week statistics: sums per weekday and for the whole week, the standard of a
// selection, its markers against the scaled bounds and its one-decimal bars.
#include "TestEnv.h"
#include "planning/MealPlan.h"
#include "planning/WeekStats.h"
#include "planning_fixtures.h"

#include <QtTest>

using namespace nqb;
using eval::Marker;

namespace {
int req(const char *column)
{
    return requirementIndex(QString::fromLatin1(column));
}

double statValue(const QString &week, const QString &remark, const char *column)
{
    return toNumber(fixtures::value(QStringLiteral("SELECT %1 FROM WeekStats_tmp WHERE WEEK=? AND REMARK=?")
                                        .arg(QString::fromLatin1(column)),
                                    {week, remark}));
}
} // namespace

class WeekStatsTest : public QObject
{
    Q_OBJECT
private slots:
    void numberRules();
    void recomputeSumsDaysAndWholeWeek();
    void wholeWeekComparedWithSevenDays();
    void dayAtHalfPercentage();
    void chartValuesCarryOneDecimal();
};

void WeekStatsTest::numberRules()
{
    QCOMPARE(weekstats::standardValue(2.25, 50), 1.12);  // 112.5 -> 112
    QCOMPARE(weekstats::standardValue(65, 700), 455.0);
    QCOMPARE(weekstats::barValue(123.45, 100), 123.4);   // 1234.5 -> 1234
    QCOMPARE(weekstats::barValue(123.55, 100), 123.6);
    QCOMPARE(weekstats::barValue(10, 0), 0.0);

    weekstats::Percentages p{};
    QVERIFY(weekstats::parsePercentages({"100", "80", "100", "100", "150", "100", "20"}, &p));
    QCOMPARE(weekstats::selectionPercent(p, "MON"), 80);
    QCOMPARE(weekstats::selectionPercent(p, "ALLWEEK"), 650);
    QCOMPARE(weekstats::selectionPercent(p, "XYZ"), -1);
    QVERIFY(!weekstats::parsePercentages({"100", "x", "100", "100", "100", "100", "100"}, &p));
    QVERIFY(!weekstats::parsePercentages({"100"}, &p));
    QCOMPARE(weekstats::barLabels().size(), 25);
    QCOMPARE(weekstats::barLabels()[req("NA") - 1], QStringLiteral("钠"));
}

void WeekStatsTest::recomputeSumsDaysAndWholeWeek()
{
    TestEnv env;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 65));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 50));
    QVERIFY(fixtures::run("DELETE FROM DRIs_tmp WHERE REMARK='UL'")); // missing: zeros
    QVERIFY(fixtures::setRequirementRow("WeekStats_tmp", "实际", 9)); // old figures
    QVERIFY(fixtures::setRequirementRow("WeekStats_tmp", "UL", 9));

    QVERIFY(fixtures::insertEntry("SUN", "早餐", "a", 100, {{"PROCNT", 10}, {"CA", 0.1}}));
    QVERIFY(fixtures::insertEntry("SUN", "午餐", "b", 100, {{"PROCNT", 5}, {"CA", 0.2}}));
    QVERIFY(fixtures::insertEntry("WED", "早餐", "c", 100, {{"PROCNT", 7}}));
    QVERIFY(fixtures::insertEntry("XYZ", "早餐", "d", 100, {{"PROCNT", 100}}));  // unknown weekday
    QVERIFY(fixtures::insertEntry(QString(), "早餐", "e", 100, {{"PROCNT", 1000}}));

    QString err;
    QVERIFY2(weekstats::recompute(&err), qPrintable(err));
    QCOMPARE(statValue("SUN", "实际", "PROCNT"), 15.0);
    QVERIFY(statValue("SUN", "实际", "CA") == 0.1 + 0.2); // summed in table order, not rounded
    QCOMPARE(statValue("WED", "实际", "PROCNT"), 7.0);
    QCOMPARE(statValue("MON", "实际", "PROCNT"), 0.0);
    QCOMPARE(statValue("MON", "实际", "FAT"), 0.0);
    QCOMPARE(statValue("ALLWEEK", "实际", "PROCNT"), 1122.0);
    QCOMPARE(rowCount("WeekStats_tmp"), 12);
    QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM WeekStats_tmp WHERE REMARK='RNI'")), 65.0);
    QCOMPARE(toNumber(fixtures::value("SELECT ID FROM WeekStats_tmp WHERE REMARK='EAR'")), 50.0);
    QCOMPARE(toNumber(fixtures::value("SELECT ID FROM WeekStats_tmp WHERE REMARK='UL'")), 0.0);
}

void WeekStatsTest::wholeWeekComparedWithSevenDays()
{
    TestEnv env;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 10, {{"PROCNT", 65}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 5, {{"PROCNT", 50}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 20, {{"PROCNT", 100}, {"CA", 0}}));
    // Protein exactly 7 × EAR over the week; iron exactly 7 × UL; calcium above an UL of 0.
    for (int d = 0; d < 7; ++d)
        QVERIFY(fixtures::insertEntry(plan::weekdayCode(d), "早餐", "a", 100, {{"PROCNT", 50}, {"FE", 20}, {"CA", 35}}));
    QVERIFY(weekstats::recompute());

    const weekstats::Percentages all{100, 100, 100, 100, 100, 100, 100};
    const int q = weekstats::selectionPercent(all, "ALLWEEK");
    QCOMPARE(q, 700);
    const weekstats::Selection s = weekstats::showSelection("ALLWEEK", q);
    QVERIFY2(s.ok(), qPrintable(s.error));
    QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM WeekStats_tmp WHERE REMARK='标准'")), 455.0);
    QCOMPARE(s.nutrients[req("PROCNT")].actual, 350.0);
    QCOMPARE(s.nutrients[req("PROCNT")].lower, 350.0);
    QCOMPARE(s.nutrients[req("PROCNT")].marker, Marker::Ok);
    QCOMPARE(s.nutrients[req("FE")].marker, Marker::Ok);
    QCOMPARE(s.nutrients[req("CA")].marker, Marker::High);
    QCOMPARE(s.nutrients[req("VITC")].marker, Marker::Low);
    QCOMPARE(s.bars.size(), 25);
    QCOMPARE(s.bars[req("PROCNT") - 1].value, 76.9); // 350 / 455
    QCOMPARE(s.bars[req("PROCNT") - 1].colour, eval::markerColour(Marker::Ok));

    // The grid lists the selection's actual row, then the standard row.
    const auto grid = fixtures::rows(weekstats::gridSql(), {"ALLWEEK"});
    QCOMPARE(grid.size(), 2);
    QCOMPARE(grid[0][1].toString(), QStringLiteral("实际"));
    QCOMPARE(grid[0][0].toString(), QStringLiteral("ALLWEEK"));
    QCOMPARE(grid[1][1].toString(), QStringLiteral("标准"));

    QVERIFY(!weekstats::showSelection("XYZ", 100).ok());
}

void WeekStatsTest::dayAtHalfPercentage()
{
    TestEnv env;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 2.25, {{"PROCNT", 65}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 60, {{"PROCNT", 50}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 100));
    QVERIFY(fixtures::insertEntry("TUE", "早餐", "a", 100, {{"PROCNT", 24.9999}, {"FAT", 30}, {"CA", 50}, {"FE", 50.001}}));
    QVERIFY(fixtures::insertEntry("WED", "早餐", "b", 100, {{"PROCNT", 500}}));
    QVERIFY(weekstats::recompute());

    const weekstats::Selection s = weekstats::showSelection("TUE", 50);
    QVERIFY(s.ok());
    QCOMPARE(toNumber(fixtures::value("SELECT FAT FROM WeekStats_tmp WHERE REMARK='标准'")), 1.12);
    QCOMPARE(s.nutrients[req("PROCNT")].standard, 32.5);
    QCOMPARE(s.nutrients[req("PROCNT")].marker, Marker::Low); // below 25
    QCOMPARE(s.nutrients[req("FAT")].marker, Marker::Ok);     // exactly 30
    QCOMPARE(s.nutrients[req("CA")].marker, Marker::Ok);      // exactly 50
    QCOMPARE(s.nutrients[req("FE")].marker, Marker::High);
    QCOMPARE(s.bars[req("FAT") - 1].value, 2678.6);           // 30 / 1.12
}

void WeekStatsTest::chartValuesCarryOneDecimal()
{
    TestEnv env;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 100, {{"VITC", 0}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 0));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 1000));
    QVERIFY(fixtures::insertEntry("SAT", "晚餐", "a", 100, {{"PROCNT", 123.45}, {"FAT", 123.55}, {"VITC", 5}}));
    QVERIFY(weekstats::recompute());
    const weekstats::Selection s = weekstats::showSelection("SAT", 100);
    QCOMPARE(s.bars[req("PROCNT") - 1].value, 123.4);
    QCOMPARE(s.bars[req("FAT") - 1].value, 123.6);
    QCOMPARE(s.bars[req("VITC") - 1].value, 0.0); // standard 0
    QCOMPARE(s.bars.first().label, QStringLiteral("能量"));
}

QTEST_GUILESS_MAIN(WeekStatsTest)
#include "test_week_stats.moc"
