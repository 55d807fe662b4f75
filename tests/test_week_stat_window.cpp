// The week statistics window: the table recomputed when it opens, the whole
// week and single days with their percentages, markers against the scaled
// bounds, the 25 bars and the red caption of the chosen range.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "planning/Evaluation.h"
#include "planning/MealPlan.h"
#include "planning/WeekStatUnit.h"
#include "planning/WeekStats.h"
#include "planning_fixtures.h"
#include "widgets/BarChart.h"
#include "widgets/DataGrid.h"

#include <QRadioButton>
#include <QtTest>

using namespace nqb;

namespace {

const char *const kRadios[] = {"Sun_Rdo", "Mon_Rdo", "Tue_Rdo", "Wed_Rdo", "Thu_Rdo", "Fri_Rdo", "Sat_Rdo"};

QColor captionColour(QRadioButton *r)
{
    return r->palette().color(QPalette::WindowText);
}

const BarChart::Bar &barOf(BarChart *chart, const char *column)
{
    static const BarChart::Bar none;
    const int k = requirementIndex(QString::fromLatin1(column));
    return k >= 1 && k - 1 < chart->count() ? chart->bars()[k - 1] : none;
}

// Requirements: RNI 100, EAR 60, UL 200 everywhere, with a few nutrients set apart.
void setRequirements()
{
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 100, {{"PROCNT", 65}, {"RIBF", 1.45}, {"ZN", 20}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 60, {{"PROCNT", 50}, {"ZN", 10}, {"FE", 10}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 200, {{"FE", 40}, {"CA", 100}, {"ZN", 40}}));
}

const QStringList kAllHundred{"100", "100", "100", "100", "100", "100", "100"};

} // namespace

class WeekStatWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void opensOnTheWholeWeekWithFreshFigures();
    void dayAtHalfPercentage();
    void switchingRangesMovesTheRedCaption();
    void unusablePercentagesCloseTheWindow();
    void missingRowIsReportedAndNothingStaleShown();
};

void WeekStatWindowTest::opensOnTheWholeWeekWithFreshFigures()
{
    TestEnv env;
    ScriptedPrompt prompts;
    setRequirements();
    // Figures left from an earlier opening must not survive.
    QVERIFY(fixtures::setRequirementRow("WeekStats_tmp", "实际", 999));
    for (int d = 0; d < 7; ++d)
        QVERIFY(fixtures::insertEntry(plan::weekdayCode(d), "早餐", "a", 100, {{"PROCNT", 50}, {"CA", 100}}));
    QVERIFY(fixtures::insertEntry("XYZ", "午餐", "b", 100, {{"PROCNT", 1}}));

    TWeekStat w(kAllHundred);
    for (const char *name : kRadios)
        QVERIFY(child<QRadioButton>(&w, name)->isEnabled());
    QCOMPARE(w.windowTitle(), QStringLiteral("一周结果统计"));
    w.show();
    QVERIFY(prompts.messages.isEmpty());

    auto *all = child<QRadioButton>(&w, "ALL_rdo");
    QVERIFY(all->isChecked());
    QCOMPARE(captionColour(all), QColor(Qt::red));
    QCOMPARE(captionColour(child<QRadioButton>(&w, "Sun_Rdo")), QColor(Qt::black));

    // The grid: the whole week's actual row, then the standard row (7 × RNI).
    auto *grid = child<DataGrid>(&w, "DRIs_Grid");
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->value(0, "WEEK").toString(), QStringLiteral("ALLWEEK"));
    QCOMPARE(grid->value(0, "REMARK").toString(), QStringLiteral("实际"));
    QCOMPARE(toNumber(grid->value(0, "PROCNT")), 351.0);
    QCOMPARE(toNumber(grid->value(0, "FAT")), 0.0);
    QCOMPARE(grid->value(1, "REMARK").toString(), QStringLiteral("标准"));
    QCOMPARE(toNumber(grid->value(1, "PROCNT")), 455.0);
    QVERIFY(grid->isColumnVisible("REMARK"));
    QVERIFY(!grid->isColumnVisible("WEEK"));
    QCOMPARE(grid->title(grid->column("REMARK")), QStringLiteral("结果"));

    // Week bounds are 7 × EAR and 7 × UL: protein 351 >= 350 is not low,
    // calcium 700 = 7 × UL is still ok, an empty nutrient is low.
    QCOMPARE(grid->footerText("PROCNT"), QStringLiteral("ok"));
    QCOMPARE(grid->footerText("CA"), QStringLiteral("ok"));
    QCOMPARE(grid->footerText("VITC"), QStringLiteral("－"));
    QCOMPARE(grid->footerColor(grid->column("VITC")), QColor(0, 0, 255));
    QCOMPARE(grid->footerText("REMARK"), QStringLiteral("结果"));

    // Every day's row was recomputed from the plan.
    QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM WeekStats_tmp WHERE WEEK='MON' AND REMARK='实际'")), 50.0);
    QCOMPARE(toNumber(fixtures::value("SELECT FAT FROM WeekStats_tmp WHERE WEEK='MON' AND REMARK='实际'")), 0.0);

    auto *chart = child<BarChart>(&w, "Chart1");
    QCOMPARE(chart->count(), 25);
    QCOMPARE(chart->bars().first().label, QStringLiteral("能量"));
    QCOMPARE(barOf(chart, "NA").label, QStringLiteral("钠"));
    QCOMPARE(barOf(chart, "PROCNT").value, 77.1); // 351 / 455 = 77.14 %
    QCOMPARE(barOf(chart, "PROCNT").color, QColor(0, 255, 0));
}

void WeekStatWindowTest::dayAtHalfPercentage()
{
    TestEnv env;
    ScriptedPrompt prompts;
    setRequirements();
    // Monday at 50 %: protein exactly half the EAR, iron exactly half the UL,
    // calcium above half the UL, zinc 123.45 % of its standard of 10.
    QVERIFY(fixtures::insertEntry("MON", "早餐", "a", 100,
                                  {{"PROCNT", 25}, {"FE", 20}, {"CA", 50.5}, {"ZN", 12.345}}));
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "b", 100, {{"PROCNT", 500}}));

    TWeekStat w({"100", "50", "100", "100", "100", "100", "100"});
    w.show();
    child<QRadioButton>(&w, "Mon_Rdo")->click();

    auto *grid = child<DataGrid>(&w, "DRIs_Grid");
    QCOMPARE(grid->value(0, "WEEK").toString(), QStringLiteral("MON"));
    QCOMPARE(toNumber(grid->value(0, "PROCNT")), 25.0);
    // The standard is RNI × 50 % to two decimals: 1.45 × 50 = 72.5 -> 72 -> 0.72.
    QCOMPARE(toNumber(grid->value(1, "PROCNT")), 32.5);
    QCOMPARE(toNumber(grid->value(1, "RIBF")), 0.72);
    QCOMPARE(toNumber(fixtures::value("SELECT ZN FROM WeekStats_tmp WHERE REMARK='标准'")), 10.0);

    QCOMPARE(grid->footerText("PROCNT"), QStringLiteral("ok"));
    QCOMPARE(grid->footerText("FE"), QStringLiteral("ok"));
    QCOMPARE(grid->footerText("CA"), QStringLiteral("＋"));
    QCOMPARE(grid->footerColor(grid->column("CA")), QColor(255, 0, 0));
    QCOMPARE(grid->footerText("FAT"), QStringLiteral("－"));

    auto *chart = child<BarChart>(&w, "Chart1");
    QCOMPARE(chart->count(), 25);
    QCOMPARE(barOf(chart, "ZN").value, 123.4); // 1234.5 goes to the even 1234
    QCOMPARE(barOf(chart, "ZN").label, QStringLiteral("锌"));
    QCOMPARE(barOf(chart, "PROCNT").value, 76.9); // 25 / 32.5
    QCOMPARE(barOf(chart, "CA").color, QColor(255, 0, 0));
    QCOMPARE(barOf(chart, "FAT").value, 0.0);
    QVERIFY(prompts.messages.isEmpty());
}

void WeekStatWindowTest::switchingRangesMovesTheRedCaption()
{
    TestEnv env;
    ScriptedPrompt prompts;
    setRequirements();
    QVERIFY(fixtures::insertEntry("WED", "晚餐", "a", 100, {{"PROCNT", 40}}));

    TWeekStat w({"100", "100", "100", "80", "100", "100", "100"});
    w.show();
    auto *wed = child<QRadioButton>(&w, "Wed_Rdo");
    auto *tue = child<QRadioButton>(&w, "Tue_Rdo");
    auto *all = child<QRadioButton>(&w, "ALL_rdo");
    auto *grid = child<DataGrid>(&w, "DRIs_Grid");

    wed->click();
    QCOMPARE(captionColour(wed), QColor(Qt::red));
    QCOMPARE(captionColour(all), QColor(Qt::black));
    QCOMPARE(toNumber(grid->value(1, "PROCNT")), 52.0); // 65 × 80 %
    QCOMPARE(grid->footerText("PROCNT"), QStringLiteral("ok")); // 40 >= 50 × 0.8

    tue->click(); // a day without entries
    QCOMPARE(captionColour(tue), QColor(Qt::red));
    QCOMPARE(captionColour(wed), QColor(Qt::black));
    QCOMPARE(toNumber(grid->value(0, "PROCNT")), 0.0);
    QCOMPARE(grid->footerText("PROCNT"), QStringLiteral("－"));

    all->click();
    QCOMPARE(captionColour(all), QColor(Qt::red));
    QCOMPARE(captionColour(tue), QColor(Qt::black));
    QCOMPARE(toNumber(grid->value(1, "PROCNT")), 442.0); // 65 × 680 %
    QCOMPARE(grid->rowCount(), 2);

    // The static opener shows the window modally and leaves the figures behind.
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp"));
    bool seen = false;
    onNextModal([&](QWidget *m) {
        seen = qobject_cast<TWeekStat *>(m) != nullptr;
        m->close();
    });
    TWeekStat::run(nullptr, kAllHundred);
    QVERIFY(seen);
    QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM WeekStats_tmp WHERE WEEK='WED' AND REMARK='实际'")), 0.0);
    QVERIFY(prompts.messages.isEmpty());
}

void WeekStatWindowTest::unusablePercentagesCloseTheWindow()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TWeekStat w({"100", "abc", "100", "100", "100", "100", "100"});
    QVERIFY(!child<QRadioButton>(&w, "Mon_Rdo")->isEnabled());
    QCOMPARE(w.exec(), int(QDialog::Rejected));
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.lastText().contains("abc"));
}

void WeekStatWindowTest::missingRowIsReportedAndNothingStaleShown()
{
    TestEnv env;
    ScriptedPrompt prompts;
    setRequirements();
    QVERIFY(fixtures::insertEntry("WED", "晚餐", "a", 100, {{"PROCNT", 40}}));
    {
        // Figures of an earlier plan are in the table.
        TWeekStat before(kAllHundred);
        before.show();
        QVERIFY(prompts.messages.isEmpty());
    }
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp"));
    QVERIFY(fixtures::run("DELETE FROM WeekStats_tmp WHERE WEEK='THU' AND REMARK='实际'"));

    // The recompute fails on the missing row: reported, nothing of the old figures shown.
    TWeekStat w(kAllHundred);
    w.show();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Error);
    QVERIFY2(prompts.lastText().contains("THU"), qPrintable(prompts.lastText()));
    auto *grid = child<DataGrid>(&w, "DRIs_Grid");
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(grid->footerText("PROCNT"), QString());
    QCOMPARE(child<BarChart>(&w, "Chart1")->count(), 0);
    QVERIFY(!child<QRadioButton>(&w, "ALL_rdo")->isChecked());
    QCOMPARE(captionColour(child<QRadioButton>(&w, "ALL_rdo")), QColor(Qt::black));
    // The old sums stay as they were (one transaction).
    QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM WeekStats_tmp WHERE WEEK='WED' AND REMARK='实际'")), 40.0);

    // A day without its row, asked for directly, is reported too.
    prompts.clear();
    QCOMPARE(weekstats::showSelection("THU", 100).ok(), false);
    w.ShowSelection("THU");
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(child<BarChart>(&w, "Chart1")->count(), 0);
}

QTEST_MAIN(WeekStatWindowTest)
#include "test_week_stat_window.moc"
