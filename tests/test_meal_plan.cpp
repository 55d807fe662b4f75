// Meal plan entries: the amount rule, adding, rescaling, deleting and clearing
// entries, the meal-pattern slot lists and the day totals.
#include "TestEnv.h"
#include "planning/MealPlan.h"
#include "planning_fixtures.h"

#include <QtTest>

using namespace nqb::plan;
using nqb::FoodKind;
using fixtures::entryValue;

namespace {
const QString kSun = QStringLiteral("SUN");
const QString kMon = QStringLiteral("MON");
const QString kBreakfast = QStringLiteral("早餐");
const QString kLunch = QStringLiteral("午餐");
const QString kRice = QStringLiteral("测试米饭");
const QString kRiceCode = QStringLiteral("99-1-001");

// A raw food with a different, awkward value in every composition column.
fixtures::Values everyColumn()
{
    fixtures::Values v;
    const QStringList cols = nqb::compositionColumns();
    for (int i = 0; i < cols.size(); ++i)
        v.insert(cols[i], 0.1 * (i + 1) + 1.0 / 3.0);
    return v;
}
} // namespace

class MealPlanTest : public QObject
{
    Q_OBJECT
private slots:
    void amountRuleIsExactInWrittenOrder();
    void edibleIsTakenAsWholeNumber();
    void addedEntryHoldsSlotWeekAndAmounts();
    void dishUsesItsOwnEdible();
    void sameFoodOncePerWeekdayAndSlot();
    void emptyOrBadWeightWritesNothing();
    void nameWithQuoteWorks();
    void weightChangeRescalesAndKeepsEdible();
    void zeroWeightAcceptedAndChangeFromZeroRecomputes();
    void deleteAddressesCodeWeekdayAndSlot();
    void clearRemovesEveryWeekday();
    void mealPatternSlots();
    void dayTotalsSumThenRoundToFourDecimals();
    void codeLengthChoosesTableWithFallback();
};

void MealPlanTest::amountRuleIsExactInWrittenOrder()
{
    // 3.2 g protein per 100 g, 150 g, 80 % edible: 3.84 as a double, not the
    // neighbour an extended-precision evaluation would round to.
    QVERIFY(entryAmount(3.2, 150, 80) == 3.84);
    QCOMPARE(entryAmount(0, 150, 80), 0.0);
    QCOMPARE(entryAmount(3.2, 0, 80), 0.0);
}

void MealPlanTest::edibleIsTakenAsWholeNumber()
{
    QCOMPARE(edibleWhole(80), 80);
    QCOMPARE(edibleWhole(80.4), 80);
    QCOMPARE(edibleWhole(80.5), 80);
    QCOMPARE(edibleWhole(81.5), 82);
    QCOMPARE(edibleWhole(QVariant()), 0);
    QCOMPARE(edibleWhole(QStringLiteral("abc")), 0);
}

void MealPlanTest::addedEntryHoldsSlotWeekAndAmounts()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood(kRiceCode, kRice, 80.4, {{"PROCNT", 3.2}, {"FAT", 1.5}}));
    const FoodRow food = lookupFoodByName(kRice, FoodKind::RawFood);
    QVERIFY(food.found());
    const PlanResult r = addEntry(food, kMon, MealSlot::LunchMid, QStringLiteral(" 150 "));
    QVERIFY2(r.ok(), qPrintable(r.message));

    const auto rows = fixtures::rows(QStringLiteral("SELECT DINERTMP, CODE, FOODNAME, WEEK, DINERTIME, WEIGHT, EDIBLE, "
                                                    "PROCNT, FAT, WATER FROM NQBNutri_tmp"));
    QCOMPARE(rows.size(), 1);
    const QVariantList &e = rows.first();
    QCOMPARE(e[0].toString(), QStringLiteral("D"));
    QCOMPARE(e[1].toString(), kRiceCode);
    QCOMPARE(e[2].toString(), kRice);
    QCOMPARE(e[3].toString(), kMon);
    QCOMPARE(e[4].toString(), QStringLiteral("午间餐"));
    QCOMPARE(e[5].toDouble(), 150.0);
    QCOMPARE(e[6].toDouble(), 80.0); // 80.4 taken as a whole number
    QVERIFY(e[7].toDouble() == 3.84);
    QVERIFY(e[8].toDouble() == 1.5 * 150 * 80 / 10000);
    QCOMPARE(e[9].toDouble(), 0.0); // empty content counts as 0

    // Added by identifier: the same entry in another slot.
    QVERIFY(addEntryByCode(kRiceCode, kMon, MealSlot::Supper, QStringLiteral("150")).ok());
    QVERIFY(entryValue("PROCNT", kRice, kMon, QStringLiteral("晚餐")) == 3.84);
    QCOMPARE(addEntryByCode(QStringLiteral("99-1-404"), kMon, MealSlot::Supper, QStringLiteral("1")).status,
             PlanStatus::NotFound);
}

void MealPlanTest::dishUsesItsOwnEdible()
{
    TestEnv env;
    // A raw food and a dish of the same name: the dish's own row must be used.
    QVERIFY(fixtures::insertFood(kRiceCode, QStringLiteral("测试炒饭"), 100, {{"PROCNT", 99}}));
    QVERIFY(fixtures::insertDish(QStringLiteral("99-001"), QStringLiteral("测试炒饭"), 50, {{"PROCNT", 10}}));
    const FoodRow dish = lookupFoodByName(QStringLiteral("测试炒饭"), FoodKind::Dish);
    QVERIFY(dish.source == FoodKind::Dish);
    QVERIFY(addEntry(dish, kSun, MealSlot::Breakfast, QStringLiteral("200")).ok());
    QCOMPARE(entryValue("PROCNT", QStringLiteral("测试炒饭"), kSun, kBreakfast), 10.0);
    QCOMPARE(entryValue("EDIBLE", QStringLiteral("测试炒饭"), kSun, kBreakfast), 50.0);
    QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp").toString(), QStringLiteral("99-001"));
}

void MealPlanTest::sameFoodOncePerWeekdayAndSlot()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood(kRiceCode, kRice, 100, {{"PROCNT", 1}}));
    const FoodRow food = lookupFoodByName(kRice, FoodKind::RawFood);
    QVERIFY(addEntry(food, kSun, MealSlot::Breakfast, "100").ok());
    QVERIFY(addEntry(food, kSun, MealSlot::Lunch, "100").ok());
    QVERIFY(addEntry(food, kMon, MealSlot::Breakfast, "100").ok());
    const PlanResult dup = addEntry(food, kSun, MealSlot::Breakfast, "50");
    QCOMPARE(dup.status, PlanStatus::Duplicate);
    QCOMPARE(dup.message, QStringLiteral("该食物以存在,不能添加!"));
    QCOMPARE(rowCount("NQBNutri_tmp"), 3);
    QCOMPARE(entryValue("WEIGHT", kRice, kSun, kBreakfast), 100.0);
}

void MealPlanTest::emptyOrBadWeightWritesNothing()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood(kRiceCode, kRice, 100, {{"PROCNT", 1}}));
    const FoodRow food = lookupFoodByName(kRice, FoodKind::RawFood);

    PlanResult r = addEntry(food, kSun, MealSlot::Breakfast, QStringLiteral("   "));
    QCOMPARE(r.status, PlanStatus::EmptyWeight);
    QCOMPARE(r.message, QStringLiteral("重量不能为空!"));
    for (const char *bad : {"1..2", "abc", "-5", "inf"}) {
        r = addEntry(food, kSun, MealSlot::Breakfast, QString::fromLatin1(bad));
        QCOMPARE(r.status, PlanStatus::BadNumber);
        QVERIFY(!r.message.isEmpty());
    }
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);

    QVERIFY(addEntry(food, kSun, MealSlot::Breakfast, "100").ok());
    r = changeWeight(kRice, kSun, kBreakfast, QStringLiteral(" "));
    QCOMPARE(r.status, PlanStatus::EmptyWeight);
    QCOMPARE(r.message, QStringLiteral("食物重量不能为空!"));
    QCOMPARE(changeWeight(kRice, kSun, kBreakfast, "1..2").status, PlanStatus::BadNumber);
    QCOMPARE(changeWeight(kRice, kSun, kLunch, "10").status, PlanStatus::NotFound);
    QCOMPARE(entryValue("WEIGHT", kRice, kSun, kBreakfast), 100.0);
    QCOMPARE(entryValue("PROCNT", kRice, kSun, kBreakfast), 1.0);

    // Nothing chosen: an empty name adds nothing.
    FoodRow none;
    QCOMPARE(addEntry(none, kSun, MealSlot::Breakfast, "100").status, PlanStatus::NotFound);
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
}

void MealPlanTest::nameWithQuoteWorks()
{
    TestEnv env;
    const QString name = QStringLiteral("Joe's 鸡汤");
    QVERIFY(fixtures::insertDish(QStringLiteral("99-002"), name, 100, {{"PROCNT", 2}}));
    const FoodRow dish = lookupFoodByName(name, FoodKind::Dish);
    QVERIFY(dish.found());
    QVERIFY(addEntry(dish, kSun, MealSlot::Supper, "100").ok());
    QCOMPARE(addEntry(dish, kSun, MealSlot::Supper, "100").status, PlanStatus::Duplicate);
    QVERIFY(changeWeight(name, kSun, QStringLiteral("晚餐"), "50").ok());
    QCOMPARE(entryValue("PROCNT", name, kSun, QStringLiteral("晚餐")), 1.0);
    QCOMPARE(deleteEntry(QStringLiteral("99-002"), kSun, QStringLiteral("晚餐")).rows, 1);
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
}

void MealPlanTest::weightChangeRescalesAndKeepsEdible()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood(kRiceCode, kRice, 85, everyColumn()));
    QVERIFY(addEntry(lookupFoodByName(kRice, FoodKind::RawFood), kSun, MealSlot::Breakfast, "150").ok());
    const QStringList cols = nqb::compositionColumns();
    QList<double> before;
    for (const auto &c : cols)
        before << entryValue(c, kRice, kSun, kBreakfast);

    // The food table changes afterwards: a rescale must not read it.
    QVERIFY(fixtures::run("UPDATE Nutri_tb SET PROCNT=1000, EDIBLE=10 WHERE Code=?", {kRiceCode}));
    const PlanResult r = changeWeight(kRice, kSun, kBreakfast, QStringLiteral("300"));
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(entryValue("WEIGHT", kRice, kSun, kBreakfast), 300.0);
    QCOMPARE(entryValue("EDIBLE", kRice, kSun, kBreakfast), 85.0);
    for (int i = 0; i < cols.size(); ++i) {
        QVERIFY(before[i] != 0);
        QCOMPARE(entryValue(cols[i], kRice, kSun, kBreakfast), before[i] * 2);
    }
}

void MealPlanTest::zeroWeightAcceptedAndChangeFromZeroRecomputes()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood(kRiceCode, kRice, 80, {{"PROCNT", 3.2}, {"CA", 20}}));
    QVERIFY(addEntry(lookupFoodByName(kRice, FoodKind::RawFood), kSun, MealSlot::Breakfast, "0").ok());
    QCOMPARE(entryValue("WEIGHT", kRice, kSun, kBreakfast), 0.0);
    for (const auto &c : nqb::compositionColumns())
        QCOMPARE(entryValue(c, kRice, kSun, kBreakfast), 0.0);

    // 0 -> 150: no division by zero; the amounts come from the food again.
    const PlanResult r = changeWeight(kRice, kSun, kBreakfast, "150");
    QVERIFY2(r.ok(), qPrintable(r.message));
    QVERIFY(entryValue("PROCNT", kRice, kSun, kBreakfast) == 3.84);
    QCOMPARE(entryValue("CA", kRice, kSun, kBreakfast), 24.0);
    QCOMPARE(entryValue("WEIGHT", kRice, kSun, kBreakfast), 150.0);
    QCOMPARE(entryValue("EDIBLE", kRice, kSun, kBreakfast), 80.0);

    // A zero-weight entry whose food has gone cannot be recomputed: refused,
    // nothing written.
    QVERIFY(changeWeight(kRice, kSun, kBreakfast, "0").ok());
    QVERIFY(fixtures::run("DELETE FROM Nutri_tb WHERE Code=?", {kRiceCode}));
    const PlanResult gone = changeWeight(kRice, kSun, kBreakfast, "200");
    QCOMPARE(gone.status, PlanStatus::NotFound);
    QCOMPARE(entryValue("WEIGHT", kRice, kSun, kBreakfast), 0.0);
}

void MealPlanTest::deleteAddressesCodeWeekdayAndSlot()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry(kSun, kBreakfast, kRice, 100, {}, kRiceCode));
    QVERIFY(fixtures::insertEntry(kSun, kLunch, kRice, 100, {}, kRiceCode));
    QVERIFY(fixtures::insertEntry(kMon, kBreakfast, kRice, 100, {}, kRiceCode));
    QVERIFY(fixtures::insertEntry(kSun, kBreakfast, QStringLiteral("无编号"), 100, {}, QString()));

    QCOMPARE(deleteEntry(kRiceCode, kSun, kBreakfast).rows, 1);
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE FOODNAME='测试米饭'"), 2);
    // Nothing selected: nothing deleted.
    PlanResult r = deleteEntry(QString(), kSun, kBreakfast);
    QVERIFY(r.ok());
    QCOMPARE(r.rows, 0);
    // An entry without identifier is reached by its name.
    r = deleteEntry(QString(), kSun, kBreakfast, QStringLiteral("无编号"));
    QCOMPARE(r.rows, 1);
    QCOMPARE(rowCount("NQBNutri_tmp"), 2);
}

void MealPlanTest::clearRemovesEveryWeekday()
{
    TestEnv env;
    for (int d = 0; d < kWeekdayCount; ++d)
        QVERIFY(fixtures::insertEntry(weekdayCode(d), kBreakfast, kRice, 100, {}));
    QCOMPARE(rowCount("NQBNutri_tmp"), 7);
    QCOMPARE(clearPlan().rows, 7);
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
}

void MealPlanTest::mealPatternSlots()
{
    auto names = [](std::initializer_list<const char *> l) {
        QStringList s;
        for (const char *n : l)
            s << QString::fromUtf8(n);
        return s;
    };
    QCOMPARE(slotNamesInUse(1), names({"早餐", "午餐", "晚餐", "加餐"}));
    QCOMPARE(slotNamesInUse(2), names({"早餐", "早间餐", "午餐", "午间餐", "晚餐"}));
    QCOMPARE(slotNamesInUse(3), names({"早餐", "早间餐", "午餐", "午间餐", "晚餐", "晚间餐"}));
    QCOMPARE(slotNamesInUse(5).size(), kMealSlotCount);
    QCOMPARE(slotNamesDroppedBy(1), names({"早间餐", "午间餐", "晚间餐"}));
    QCOMPARE(slotNamesDroppedBy(2), names({"晚间餐", "加餐"}));
    QCOMPARE(slotNamesDroppedBy(3), names({"加餐"}));
    QVERIFY(slotNamesDroppedBy(0).isEmpty());

    // Letters sort the slots in meal order; the names find their slot.
    QString letters;
    for (const auto &s : mealSlots()) {
        letters += QString::fromLatin1(s.letter);
        QCOMPARE(findMealSlot(QString::fromUtf8(s.name))->slot, s.slot);
    }
    QCOMPARE(letters, QStringLiteral("ABCDEFG"));
    QCOMPARE(weekdayIndex("SAT"), 6);
    QCOMPARE(weekdayIndex("ALLWEEK"), -1);
    QCOMPARE(weekdayCaption(0), QStringLiteral("周日"));
}

void MealPlanTest::dayTotalsSumThenRoundToFourDecimals()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry(kSun, kBreakfast, "a", 1, {{"PROCNT", 1.11111}, {"CA", 0.12345}}));
    QVERIFY(fixtures::insertEntry(kSun, kLunch, "b", 1, {{"PROCNT", 2.22222}}));
    QVERIFY(fixtures::insertEntry(kSun, QStringLiteral("加餐"), "c", 1, {{"PROCNT", 3.33333}}));
    QVERIFY(fixtures::insertEntry(kMon, kBreakfast, "d", 1, {{"PROCNT", 100}}));
    QString err;
    const auto totals = dayTotals(kSun, &err);
    QVERIFY(err.isEmpty());
    QCOMPARE(totals[nqb::compositionIndex("PROCNT")], 6.6667);
    QCOMPARE(totals[nqb::compositionIndex("CA")], 0.1234); // 0.12345: the tie goes to even
    QCOMPARE(totals[nqb::compositionIndex("FAT")], 0.0);   // empty everywhere
    QCOMPARE(dayTotals(QStringLiteral("TUE"))[nqb::compositionIndex("PROCNT")], 0.0);
    QCOMPARE(footerSum({0.5, 0.25, 0.00005}), 0.7500);
}

void MealPlanTest::codeLengthChoosesTableWithFallback()
{
    TestEnv env;
    QVERIFY(fixtures::insertFood(kRiceCode, kRice, 100, {{"PROCNT", 1}}));
    QVERIFY(fixtures::insertDish(QStringLiteral("99-002"), QStringLiteral("测试菜"), 100, {{"PROCNT", 2}}));
    // A dish of a four-character category: its FOODID has 8 characters.
    QVERIFY(fixtures::insertDish(QStringLiteral("9999-001"), QStringLiteral("长编号菜"), 100, {{"PROCNT", 3}}));
    QVERIFY(isRawFoodCode(kRiceCode));
    QVERIFY(!isRawFoodCode(QStringLiteral("99-002")));
    QVERIFY(lookupFoodByCode(kRiceCode).source == FoodKind::RawFood);
    QVERIFY(lookupFoodByCode(QStringLiteral(" 99-002 ")).source == FoodKind::Dish);
    const FoodRow longDish = lookupFoodByCode(QStringLiteral("9999-001"));
    QVERIFY(longDish.source == FoodKind::Dish);
    QCOMPARE(longDish.name, QStringLiteral("长编号菜"));
    QCOMPARE(longDish.content[nqb::compositionIndex("PROCNT")], 3.0);
    QVERIFY(!lookupFoodByCode(QStringLiteral("00-0-000")).found());
}

QTEST_GUILESS_MAIN(MealPlanTest)
#include "test_meal_plan.moc"
