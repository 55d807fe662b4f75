// The evaluation of a day against the requirement rows (markers, standard
// row, bars) and the survey's list and result.
#include "TestEnv.h"
#include "planning/Evaluation.h"
#include "planning/MealPlan.h"
#include "planning/SurveyResult.h"
#include "planning_fixtures.h"

#include <QtTest>

using namespace nqb;
using eval::Marker;

namespace {
const QString kSun = QStringLiteral("SUN");

int req(const char *column)
{
    return requirementIndex(QString::fromLatin1(column));
}

double requirementValue(const QString &remark, const char *column)
{
    return toNumber(fixtures::value(
        QStringLiteral("SELECT %1 FROM DRIs_tmp WHERE REMARK=?").arg(QString::fromLatin1(column)), {remark}));
}

QSet<QString> allCompositionColumns()
{
    const QStringList c = compositionColumns();
    return QSet<QString>(c.begin(), c.end());
}
} // namespace

class EvaluationTest : public QObject
{
    Q_OBJECT
private slots:
    void markerBoundsAndColours();
    void barPercentRoundsHalfToEven();
    void standardRowScalesRniByFactor();
    void dayEvaluationMarksEveryNutrient();
    void columnChoiceDecidesBarsNotMarkers();
    void surveyRecomputesEveryEntry();
    void surveyListRefusesSecondEntryOfAName();
};

void EvaluationTest::markerBoundsAndColours()
{
    QCOMPARE(eval::markerFor(5, 5, 10), Marker::Ok);          // equal to the lower bound: not low
    QCOMPARE(eval::markerFor(4.9999, 5, 10), Marker::Low);
    QCOMPARE(eval::markerFor(10, 5, 10), Marker::Ok);         // equal to the upper bound: within
    QCOMPARE(eval::markerFor(10.0001, 5, 10), Marker::High);
    QCOMPARE(eval::markerFor(0.001, 0, 0), Marker::High);     // UL 0 and any intake
    QCOMPARE(eval::markerFor(0, 0, 0), Marker::Ok);
    QCOMPARE(eval::markerFor(0, 1, 0), Marker::Low);          // low is tested first

    QCOMPARE(eval::markerText(Marker::Low), QStringLiteral("－"));
    QCOMPARE(eval::markerText(Marker::Ok), QStringLiteral("ok"));
    QCOMPARE(eval::markerText(Marker::High), QStringLiteral("＋"));
    QCOMPARE(eval::markerColour(Marker::Low).rgb(), 0xff0000ffu);
    QCOMPARE(eval::markerColour(Marker::Ok).rgb(), 0xff00ff00u);
    QCOMPARE(eval::markerColour(Marker::High).rgb(), 0xffff0000u);
}

void EvaluationTest::barPercentRoundsHalfToEven()
{
    QCOMPARE(eval::barPercent(62.5, 100), 62);
    QCOMPARE(eval::barPercent(63.5, 100), 64);
    QCOMPARE(eval::barPercent(1, 8), 12);   // 12.5
    QCOMPARE(eval::barPercent(0, 100), 0);
    QCOMPARE(eval::barPercent(50, 0), 0);   // no standard: a bar of 0
    QCOMPARE(eval::barPercent(250, 100), 250);
}

void EvaluationTest::standardRowScalesRniByFactor()
{
    TestEnv env;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 10, {{"PROCNT", 65}, {"CA", 0.3}}));
    QVERIFY(eval::buildStandardRow(0.5));
    QCOMPARE(requirementValue("标准", "PROCNT"), 32.5);
    QVERIFY(requirementValue("标准", "CA") == 0.3 * 0.5); // not rounded
    QCOMPARE(requirementValue("RNI", "PROCNT"), 65.0);   // RNI untouched

    // At 50 %, a total of half the RNI fills the standard: a bar of 100.
    eval::RequirementValues totals{};
    totals[req("PROCNT")] = 32.5;
    const eval::Evaluation e = eval::evaluate(totals, 0.5);
    QVERIFY2(e.ok(), qPrintable(e.error));
    QCOMPARE(eval::barPercent(e.nutrients[req("PROCNT")].actual, e.nutrients[req("PROCNT")].standard), 100);
    QCOMPARE(requirementValue("实际", "PROCNT"), 32.5);

    QVERIFY(eval::buildStandardRow(1.2));
    QVERIFY(requirementValue("标准", "PROCNT") == 65 * 1.2);
}

void EvaluationTest::dayEvaluationMarksEveryNutrient()
{
    TestEnv env;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 100));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 50, {{"PROCNT", 30}, {"CA", 0}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 500, {{"CA", 40}, {"FE", 0}}));
    // Sunday: protein exactly EAR (split over two entries), calcium exactly
    // UL, iron above an UL of 0; Monday would push everything over.
    QVERIFY(fixtures::insertEntry(kSun, "早餐", "a", 100, {{"PROCNT", 20}, {"CA", 40}, {"FE", 0.00004}}));
    QVERIFY(fixtures::insertEntry(kSun, "午餐", "b", 100, {{"PROCNT", 10}, {"FE", 55.00002}}));
    QVERIFY(fixtures::insertEntry("MON", "早餐", "c", 100, {{"PROCNT", 1000}, {"CA", 1000}}));

    QVERIFY(eval::buildStandardRow(1.0));
    const eval::Evaluation e = eval::evaluateDay(kSun, 1.0);
    QVERIFY2(e.ok(), qPrintable(e.error));
    QCOMPARE(e.nutrients[req("PROCNT")].marker, Marker::Ok);
    QCOMPARE(e.nutrients[req("CA")].marker, Marker::Ok);
    QCOMPARE(e.nutrients[req("FE")].marker, Marker::High);
    QCOMPARE(e.nutrients[req("VITC")].marker, Marker::Low); // nothing eaten, EAR 50
    // The stored actual row holds the day's totals to four decimals.
    QCOMPARE(requirementValue("实际", "FE"), 55.0001); // 55.00006
    QCOMPARE(requirementValue("实际", "PROCNT"), 30.0);
    QCOMPARE(e.nutrients[req("FE")].actual, 55.0001);

    // At 60 % the bounds shrink: protein 30 against EAR 18 is ok, calcium 40
    // against UL 24 is too much; the stored standard row is not rebuilt here.
    const eval::Evaluation scaled = eval::evaluateDay(kSun, 0.6);
    QCOMPARE(scaled.nutrients[req("CA")].marker, Marker::High);
    QCOMPARE(scaled.nutrients[req("CA")].upper, 40 * 0.6);
    QCOMPARE(scaled.nutrients[req("PROCNT")].standard, 100.0);

    // An empty day: every nutrient with an EAR above 0 is low, every bar 0.
    const eval::Evaluation empty = eval::evaluateDay(QStringLiteral("TUE"), 1.0);
    for (int k = 0; k < kRequirementCount; ++k)
        QCOMPARE(empty.nutrients[k].marker, k == req("CA") ? Marker::Ok : Marker::Low);
    for (const auto &b : eval::workbenchBars(empty, allCompositionColumns()))
        QCOMPARE(b.value, 0.0);
}

void EvaluationTest::columnChoiceDecidesBarsNotMarkers()
{
    TestEnv env;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 100, {{"VITC", 0}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 50));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 1000));
    QVERIFY(fixtures::insertEntry(kSun, "早餐", "a", 100, {{"PROCNT", 62.5}, {"FAT", 63.5}, {"VITC", 10}}));
    QVERIFY(eval::buildStandardRow(1.0));
    const eval::Evaluation e = eval::evaluateDay(kSun, 1.0);

    QSet<QString> visible = allCompositionColumns();
    QList<eval::Bar> bars = eval::workbenchBars(e, visible);
    QCOMPARE(bars.size(), 25);
    QCOMPARE(bars.first().label, QStringLiteral("能量"));
    QCOMPARE(bars[req("NA") - 1].label, QStringLiteral("纳"));
    QCOMPARE(bars[req("PROCNT") - 1].value, 62.0);
    QCOMPARE(bars[req("FAT") - 1].value, 64.0);
    QCOMPARE(bars[req("VITC") - 1].value, 0.0); // standard 0
    QCOMPARE(bars[req("PROCNT") - 1].colour, eval::markerColour(Marker::Ok));
    QCOMPARE(bars[req("ID") - 1].colour, eval::markerColour(Marker::Low));

    // Hiding protein removes its bar and column, not its marker; the kcal
    // column follows the kJ column.
    visible.remove(QStringLiteral("PROCNT"));
    visible.remove(QStringLiteral("ENERC_kJ"));
    bars = eval::workbenchBars(e, visible);
    QCOMPARE(bars.size(), 23);
    for (const auto &b : bars)
        QVERIFY(b.nutrient != req("PROCNT") && b.nutrient != req("ENERC_kJ"));
    QVERIFY(!eval::evaluationColumnShown(req("PROCNT"), visible));
    QVERIFY(!eval::evaluationColumnShown(req("ENERC_kcal"), visible));
    QVERIFY(eval::evaluationColumnShown(req("FAT"), visible));
    QCOMPARE(e.nutrients[req("PROCNT")].marker, Marker::Ok);

    QCOMPARE(eval::evaluationTitle(0), QStringLiteral("能量|[kcal]"));
    QCOMPARE(eval::evaluationTitle(25), QStringLiteral("碘[ug]"));
    const auto gridRows = fixtures::rows(eval::evaluationGridSql());
    QCOMPARE(gridRows.size(), 2);
}

void EvaluationTest::surveyRecomputesEveryEntry()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood("99-1-001", "测试牛奶", 80, {{"PROCNT", 20}, {"CA", 100}}));
    // A dish whose FOODID happens to be 8 characters long.
    QVERIFY(fixtures::insertDish("9999-001", "测试长编号菜", 50, {{"PROCNT", 10}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 60, {{"PROCNT", 60}, {"CA", 0}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 20, {{"PROCNT", 34}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 0, {{"PROCNT", 1000}, {"CA", 120}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "标准", 999)); // left over from planning

    // Entries as the survey list leaves them: code, name, weight only. The
    // amounts already there are stale and must be replaced.
    QVERIFY(fixtures::run("INSERT INTO NQBNutri_tmp (CODE, FOODNAME, WEIGHT, PROCNT) VALUES "
                          "(' 99-1-001 ', '测试牛奶', 150, 777), ('9999-001', '测试长编号菜', 200, NULL), "
                          "('99-1-001', '无重量', NULL, 5), ('00-0-404', '已删除', 100, 9)"));
    const survey::Result r = survey::evaluate();
    QVERIFY2(r.ok(), qPrintable(r.evaluation.error));

    auto amount = [](const char *name, const char *col) {
        return toNumber(fixtures::value(
            QStringLiteral("SELECT %1 FROM NQBNutri_tmp WHERE FOODNAME=?").arg(QString::fromLatin1(col)),
            {QString::fromUtf8(name)}));
    };
    QCOMPARE(amount("测试牛奶", "PROCNT"), 24.0); // 20 × 150 × 80 ÷ 10000
    QCOMPARE(amount("测试牛奶", "CA"), 120.0);
    QCOMPARE(amount("测试长编号菜", "PROCNT"), 10.0);
    QCOMPARE(amount("无重量", "PROCNT"), 0.0);
    QCOMPARE(amount("已删除", "PROCNT"), 0.0);
    QVERIFY(fixtures::value("SELECT WEIGHT FROM NQBNutri_tmp WHERE FOODNAME='无重量'").isNull());

    // Totals over the whole table; standard = RNI; bounds as stored.
    QCOMPARE(requirementValue("实际", "PROCNT"), 34.0);
    QCOMPARE(requirementValue("标准", "PROCNT"), 60.0);
    QCOMPARE(r.evaluation.nutrients[req("PROCNT")].marker, Marker::Ok); // exactly EAR
    QCOMPARE(r.evaluation.nutrients[req("CA")].marker, Marker::Ok);     // exactly UL
    QCOMPARE(r.evaluation.nutrients[req("FAT")].marker, Marker::Low);
    QCOMPARE(r.bars.size(), 25);
    QCOMPARE(r.bars[req("PROCNT") - 1].label, QStringLiteral("蛋白"));
    QCOMPARE(r.bars[req("PROCNT") - 1].value, 57.0); // 56.67
    QCOMPARE(r.bars[req("CA") - 1].value, 0.0);      // RNI 0

    // A second evaluation gives the same figures.
    const survey::Result again = survey::evaluate();
    QCOMPARE(requirementValue("实际", "PROCNT"), 34.0);
    QCOMPARE(again.bars[req("PROCNT") - 1].value, 57.0);
}

void EvaluationTest::surveyListRefusesSecondEntryOfAName()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood("99-1-001", "测试同名", 100, {{"PROCNT", 4}}));
    QVERIFY(fixtures::insertDish("99-001", "测试同名", 100, {{"PROCNT", 8}}));
    QVERIFY(fixtures::insertDish("99-002", "Joe's 鸡汤", 50, {{"PROCNT", 8}}));
    using plan::PlanStatus;

    QVERIFY(survey::addEntry("测试同名", FoodKind::RawFood).ok());
    const plan::PlanResult dup = survey::addEntry("测试同名", FoodKind::Dish);
    QCOMPARE(dup.status, PlanStatus::Duplicate);
    QCOMPARE(dup.message, QStringLiteral("该食物已存在!"));
    QVERIFY(survey::addEntry("Joe's 鸡汤", FoodKind::Dish).ok());
    QCOMPARE(survey::addEntry("", FoodKind::Dish).status, PlanStatus::NotFound);
    QCOMPARE(survey::addEntry("没有这个菜", FoodKind::Dish).status, PlanStatus::NotFound);
    QCOMPARE(rowCount("NQBNutri_tmp"), 2);
    QVERIFY(fixtures::value("SELECT WEIGHT FROM NQBNutri_tmp WHERE FOODNAME='测试同名'").isNull());
    QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp WHERE FOODNAME='测试同名'").toString(),
             QStringLiteral("99-1-001"));

    // Typed weights.
    QVERIFY(survey::setWeight("Joe's 鸡汤", "200").ok());
    QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM NQBNutri_tmp WHERE CODE='99-002'")), 8.0);
    QCOMPARE(survey::setWeight("Joe's 鸡汤", "1..2").status, PlanStatus::BadNumber);
    QCOMPARE(toNumber(fixtures::value("SELECT WEIGHT FROM NQBNutri_tmp WHERE CODE='99-002'")), 200.0);
    QVERIFY(survey::setWeight("Joe's 鸡汤", "").ok());
    QVERIFY(fixtures::value("SELECT WEIGHT FROM NQBNutri_tmp WHERE CODE='99-002'").isNull());
    QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM NQBNutri_tmp WHERE CODE='99-002'")), 0.0);

    // Delete removes every entry of the code.
    QVERIFY(fixtures::insertEntry(QString(), QString(), "另一行", 1, {}, "99-1-001"));
    QCOMPARE(survey::deleteEntry(" 99-1-001 ").rows, 2);
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
}

QTEST_GUILESS_MAIN(EvaluationTest)
#include "test_evaluation.moc"
