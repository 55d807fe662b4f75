// The diet structure analysis: food groups of the pagoda (dishes taken apart
// into their ingredients), energy shares, meal distribution and variety, from
// the stored plan and from figures given directly.
#include "Controls.h"
#include "TestEnv.h"
#include "planning/DietStructureUnit.h"
#include "planning/ResultUnit.h"
#include "widgets/DataGrid.h"
#include "planning/DietStructure.h"
#include "planning_fixtures.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace nqb;
using namespace nqb::structure;

namespace {

const RangeRow *row(const QList<RangeRow> &rows, const QString &name)
{
    for (const RangeRow &r : rows) {
        if (r.name == name)
            return &r;
    }
    return nullptr;
}

double groupValue(const Analysis &a, const char *name)
{
    const RangeRow *r = row(a.groups, QString::fromUtf8(name));
    return r ? r->value : -1;
}

eval::Marker groupMarker(const Analysis &a, const char *name)
{
    const RangeRow *r = row(a.groups, QString::fromUtf8(name));
    return r ? r->marker : eval::Marker::Ok;
}

EntryFigures entry(const QString &slot, double kcal, double protein = 0, double fat = 0, double cho = 0,
                   const QString &day = QStringLiteral("SUN"))
{
    EntryFigures e;
    e.day = day;
    e.slot = slot;
    e.kcal = kcal;
    e.protein = protein;
    e.fat = fat;
    e.carbohydrate = cho;
    return e;
}

Profile adult(double kcal = 2000) { return Profile{18.0, kcal}; }

// Test foods under the seeded group prefixes, values per 100 g.
void insertTestFoods()
{
    using fixtures::insertFood;
    QVERIFY(insertFood("01-2-901", "测试大米", 100, {{"PROCNT", 8}, {"ENERC_kcal", 346}}));
    QVERIFY(insertFood("08-1-901", "测试猪肉", 100, {{"PROCNT", 20}, {"ENERC_kcal", 143}}));
    QVERIFY(insertFood("04-5-901", "测试白菜", 80, {{"PROCNT", 1.5}, {"ENERC_kcal", 20}}));
    QVERIFY(insertFood("19-2-901", "测试豆油", 100, {{"FAT", 99.9}, {"ENERC_kcal", 899}}));
    QVERIFY(fixtures::insertDish("09-901", "测试白菜肉片", 100, {{"PROCNT", 4}}));
    for (const auto &[code, weight] : {std::pair{"08-1-901", 50.0}, {"04-5-901", 200.0}, {"19-2-901", 10.0}})
        QVERIFY(fixtures::run("INSERT INTO CateComponent_tb (FOODID, CODE, WEIGHT) VALUES (?, ?, ?)",
                              {QStringLiteral("09-901"), QString::fromLatin1(code), weight}));
}

} // namespace

class TestDietStructure : public QObject
{
    Q_OBJECT

private slots:
    void seededMapPlacesFoodsInPagodaGroups();
    void prefixMatchesOnlyWholeCodeParts();
    void dishesAreTakenApartByWeight();
    void riceOnlyDay();
    void energySharesFromGrams();
    void snackSlotsCountWithTheMealBefore();
    void pagodaMarksOnlyAdultsOfItsEnergyRange();
    void saltItemsAndSodiumAsSalt();
    void foodsOutsideThePagodaAreListed();
    void surveyIsOneDay();
    void missingTableIsReported();
    void windowFollowsTheChosenDay();
    void surveyResultOpensTheAnalysisOfTheIntake();
};

void TestDietStructure::seededMapPlacesFoodsInPagodaGroups()
{
    TestEnv env;
    QString error;
    const auto map = PagodaMap::load(&error);
    QVERIFY2(map, qPrintable(error));

    const FoodClass rice = map->classify("01-2-001");
    QCOMPARE(rice.pagoda, QStringLiteral("谷类"));
    QVERIFY(!rice.wholeGrain);
    QVERIFY(map->classify("01-2-216").wholeGrain); // 糙米
    QVERIFY(map->classify("01-9-012").wholeGrain); // 燕麦
    const FoodClass mungBean = map->classify("03-2-101");
    QCOMPARE(mungBean.pagoda, QStringLiteral("谷类")); // 杂豆 count with the grains
    QVERIFY(mungBean.wholeGrain);
    const FoodClass tofu = map->classify("03-1-301");
    QCOMPARE(tofu.pagoda, QStringLiteral("大豆及坚果"));
    QVERIFY(tofu.qualityProtein);
    QCOMPARE(map->classify("04-7-203").pagoda, QStringLiteral("薯类")); // 芋头
    QCOMPARE(map->classify("04-7-102").pagoda, QStringLiteral("蔬菜")); // 豆薯
    QCOMPARE(map->classify("04-7-301").pagoda, QStringLiteral("蔬菜")); // 姜
    QCOMPARE(map->classify("01-3-201").pagoda, QStringLiteral("蔬菜")); // 玉米笋
    QVERIFY(map->classify("12-1-101").qualityProtein);
    QVERIFY(!map->classify("07-1-001").qualityProtein);

    const FoodClass salt = map->classify("20-7-001");
    QCOMPARE(salt.pagoda, QStringLiteral("盐"));
    QVERIFY(!salt.variety);
    const FoodClass soySauce = map->classify("20-1-001");
    QVERIFY(soySauce.pagoda.isEmpty());
    QVERIFY(!soySauce.variety);
    QVERIFY(!map->classify("19-2-001").variety);
    QVERIFY(!map->classify("16-9-002").variety); // drinking water
    QVERIFY(map->classify("16-9-001").variety);  // coffee
    QVERIFY(map->classify("18-1-001").pagoda.isEmpty());
}

void TestDietStructure::prefixMatchesOnlyWholeCodeParts()
{
    PagodaMap map({{"1", {QStringLiteral("甲"), false, true, false}},
                   {"10", {QStringLiteral("乙"), false, true, false}},
                   {"10-1", {QStringLiteral("丙"), false, true, false}}});
    QCOMPARE(map.classify("10-2-001").pagoda, QStringLiteral("乙"));
    QCOMPARE(map.classify("10-1-001").pagoda, QStringLiteral("丙"));
    QCOMPARE(map.classify("10-11-01").pagoda, QStringLiteral("乙")); // "10-1" is not "10-11"
    QCOMPARE(map.classify("1-5-0001").pagoda, QStringLiteral("甲"));
    QVERIFY(map.classify("11-1-001").pagoda.isEmpty());
}

void TestDietStructure::dishesAreTakenApartByWeight()
{
    TestEnv env;
    insertTestFoods();
    // Monday: the dish (pork 50, cabbage 200 at 80 % edible, oil 10) eaten at 130 g.
    QVERIFY(fixtures::insertEntry("MON", "午餐", "测试白菜肉片", 130, {{"PROCNT", 5.2}, {"ENERC_kcal", 200}},
                                  "09-901"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET EDIBLE=100"));
    // Tuesday: 150 g rice.
    QVERIFY(fixtures::insertEntry("TUE", "早餐", "测试大米", 150, {{"PROCNT", 12}, {"ENERC_kcal", 519}}, "01-2-901"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET EDIBLE=100"));

    const Analysis mon = analysePlan({Scope::Kind::Day, "MON"}, adult());
    QVERIFY2(mon.ok(), qPrintable(mon.error));
    QCOMPARE(mon.days, 1);
    QCOMPARE(groupValue(mon, "畜禽肉"), 25.0);  // 130 × 50 / 260
    QCOMPARE(groupValue(mon, "蔬菜"), 80.0);    // 130 × 200 / 260 × 80 %
    QCOMPARE(groupValue(mon, "烹调油"), 5.0);   // 130 × 10 / 260
    QCOMPARE(groupValue(mon, "谷类"), 0.0);
    QVERIFY(!row(mon.groups, QStringLiteral("全谷物和杂豆"))->note.isEmpty()); // says it is part of the grains
    // Pork carries 10 of the ingredients' 12.4 g protein: that share of the entry's 5.2 g.
    QVERIFY(qAbs(mon.qualityProteinPercent - 100.0 * 10 / 12.4) < 1e-9);
    // Oil is no food of its own for the variety; Tuesday's rice counts in the week only.
    QCOMPARE(row(mon.variety, "周一")->value, 2.0);
    QCOMPARE(row(mon.variety, "全周")->value, 3.0);

    const Analysis week = analysePlan({Scope::Kind::Week, {}}, adult());
    QCOMPARE(week.days, 2); // the average over the two days with entries
    QCOMPARE(groupValue(week, "畜禽肉"), 12.5);
    QCOMPARE(groupValue(week, "蔬菜"), 40.0);
    QCOMPARE(groupValue(week, "谷类"), 75.0);
    QCOMPARE(row(week.variety, "周一")->value, 2.0);
    QCOMPARE(row(week.variety, "周二")->value, 1.0);
    QCOMPARE(row(week.variety, "全周")->value, 3.0);
    QCOMPARE(row(week.variety, "全周")->marker, eval::Marker::Low);
    QVERIFY(qAbs(week.energyKcal - 359.5) < 1e-9);
}

void TestDietStructure::riceOnlyDay()
{
    TestEnv env;
    insertTestFoods();
    QVERIFY(fixtures::insertEntry("SUN", "午餐", "测试大米", 250, {{"ENERC_kcal", 865}}, "01-2-901"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET EDIBLE=100"));

    Analysis a = analysePlan({Scope::Kind::Day, "SUN"}, adult());
    QVERIFY(a.groupsMarked);
    QCOMPARE(groupValue(a, "谷类"), 250.0);
    QCOMPARE(groupMarker(a, "谷类"), eval::Marker::Ok);
    for (const char *g : {"全谷物和杂豆", "薯类", "蔬菜", "水果", "畜禽肉", "水产品", "蛋类", "奶及奶制品", "大豆及坚果",
                          "烹调油"})
        QCOMPARE(groupMarker(a, g), eval::Marker::Low);
    // No salt at all is within the limit.
    QCOMPARE(groupMarker(a, "盐"), eval::Marker::Ok);
    QCOMPARE(a.variety.first().value, 1.0);
    QCOMPARE(a.variety.first().marker, eval::Marker::Low);

    // 150 g is below the grains' range.
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET WEIGHT=150"));
    a = analysePlan({Scope::Kind::Day, "SUN"}, adult());
    QCOMPARE(groupMarker(a, "谷类"), eval::Marker::Low);
}

void TestDietStructure::energySharesFromGrams()
{
    // 50 g protein, 40 g fat, 250 g carbohydrate: 200 + 360 + 1000 = 1560 kcal.
    Analysis a = analyse({entry("午餐", 1560, 50, 40, 250)}, {}, adult());
    QVERIFY(qAbs(row(a.energyShares, "蛋白质")->value - 200.0 / 15.6) < 1e-9);
    QVERIFY(qAbs(row(a.energyShares, "脂肪")->value - 360.0 / 15.6) < 1e-9);
    QVERIFY(qAbs(row(a.energyShares, "碳水化合物")->value - 1000.0 / 15.6) < 1e-9);
    for (const RangeRow &r : a.energyShares) {
        QVERIFY(r.marked);
        QCOMPARE(r.marker, eval::Marker::Ok);
    }
    // 80 g fat: 720 of 1920 kcal = 37.5 % is too much; protein 10.4 % still ok.
    a = analyse({entry("午餐", 1920, 50, 80, 250)}, {}, adult());
    QCOMPARE(row(a.energyShares, "脂肪")->value, 37.5);
    QCOMPARE(row(a.energyShares, "脂肪")->marker, eval::Marker::High);
    QCOMPARE(row(a.energyShares, "蛋白质")->marker, eval::Marker::Ok);
    // 30 g protein of 1840 kcal (6.5 %) is too little.
    a = analyse({entry("午餐", 1840, 30, 80, 250)}, {}, adult());
    QCOMPARE(row(a.energyShares, "蛋白质")->marker, eval::Marker::Low);
    // Nothing eaten: no shares to judge.
    a = analyse({}, {}, adult());
    for (const RangeRow &r : a.energyShares)
        QVERIFY(!r.marked);
}

void TestDietStructure::snackSlotsCountWithTheMealBefore()
{
    Analysis a = analyse({entry("早餐", 400), entry("早间餐", 100), entry("午餐", 700), entry("晚餐", 500),
                          entry("加餐", 300)},
                         {}, adult());
    QCOMPARE(row(a.meals, "早餐")->value, 25.0);
    QCOMPARE(row(a.meals, "早餐")->marker, eval::Marker::Ok);
    QCOMPARE(row(a.meals, "午餐")->value, 35.0);
    QCOMPARE(row(a.meals, "晚餐")->value, 40.0); // 500 + 300 of 2000
    QCOMPARE(row(a.meals, "晚餐")->marker, eval::Marker::High);
    QVERIFY(a.mealsNote.contains(QStringLiteral("加餐计入晚餐")));

    // The week: shares of the summed days, e.g. no breakfast on one of two days.
    a = analyse({entry("早餐", 500, 0, 0, 0, "MON"), entry("午餐", 500, 0, 0, 0, "MON"),
                 entry("午餐", 1000, 0, 0, 0, "TUE")},
                {}, adult());
    QCOMPARE(a.days, 2);
    QCOMPARE(row(a.meals, "早餐")->value, 25.0);
    QCOMPARE(row(a.meals, "午餐")->value, 75.0);
}

void TestDietStructure::pagodaMarksOnlyAdultsOfItsEnergyRange()
{
    const QList<EntryFigures> day = {entry("午餐", 1500, 60, 50, 200)};
    Analysis child = analyse(day, {}, Profile{7.0, 1400});
    QVERIFY(!child.groupsMarked);
    QVERIFY(child.groupsMessage.contains(QStringLiteral("不作评价")));
    for (const RangeRow &r : child.groups)
        QVERIFY(!r.marked);
    // A child has no protein range, but fat and carbohydrate ones.
    QVERIFY(!row(child.energyShares, "蛋白质")->marked);
    QVERIFY(row(child.energyShares, "脂肪")->marked);
    QVERIFY(!analyse(day, {}, Profile{2.0, 1000}).energyShares.at(1).marked);

    QVERIFY(!analyse(day, {}, adult(2600)).groupsMarked);
    QVERIFY(analyse(day, {}, adult(2600)).groupsMessage.contains(QStringLiteral("2600")));
    QVERIFY(!analyse(day, {}, adult(1599)).groupsMarked);
    QVERIFY(analyse(day, {}, adult(1600)).groupsMarked);
    QVERIFY(analyse(day, {}, adult(2400)).groupsMarked);
    QVERIFY(analyse(day, {}, adult(2400)).groupsMessage.isEmpty());
    // An unknown age is judged by the energy alone.
    QVERIFY(analyse(day, {}, Profile{std::nullopt, 2000}).groupsMarked);

    TestEnv env;
    QCOMPARE(ageBandLower(QStringLiteral("7 ～ 8")), std::optional<double>(7));
    QCOMPARE(ageBandLower(QStringLiteral("0.5 ～ 1")), std::optional<double>(0.5));
    QCOMPARE(ageBandLower(QStringLiteral("80 ～")), std::optional<double>(80));
    QVERIFY(!ageBandLower(QString()));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 0, {{"ENERC_kcal", 1400}}));
    const Profile p = profileFor(QStringLiteral("7 ～ 8"));
    QCOMPARE(p.energyKcal, 1400.0);
    const QString html = reportHtml(analyse(day, {}, p), QStringLiteral("周日"));
    QVERIFY(html.contains(QStringLiteral("不作评价")));
    QVERIFY(html.contains(QStringLiteral("中国居民膳食指南（2022）")));
}

void TestDietStructure::saltItemsAndSodiumAsSalt()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry("SUN", "午餐", "精盐", 6, {{"NA", 2358.66}}, "20-7-001"));
    QVERIFY(fixtures::insertEntry("SUN", "午餐", "酱油（代表值）", 10, {{"NA", 575.7}}, "20-1-001"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET EDIBLE=100"));
    const Analysis a = analysePlan({Scope::Kind::Day, "SUN"}, adult());
    QVERIFY2(a.ok(), qPrintable(a.error));
    QCOMPARE(groupValue(a, "盐"), 6.0);
    QCOMPARE(groupMarker(a, "盐"), eval::Marker::High);
    QVERIFY(qAbs(groupValue(a, "钠折合食盐") - (2358.66 + 575.7) * 2.54 / 1000) < 1e-9);
    QCOMPARE(groupMarker(a, "钠折合食盐"), eval::Marker::High);
    // Condiments are not foods of their own.
    QCOMPARE(a.variety.first().value, 0.0);
    QCOMPARE(saltFromSodium(1000), 2.54);
}

void TestDietStructure::foodsOutsideThePagodaAreListed()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry("SUN", "加餐", "白砂糖", 20, {}, "18-1-001"));
    QVERIFY(fixtures::insertEntry("MON", "加餐", "白砂糖", 10, {}, "18-1-001"));
    QVERIFY(fixtures::insertEntry("SUN", "加餐", "可乐", 330, {}, "16-1-001"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET EDIBLE=100"));
    const Analysis a = analysePlan({Scope::Kind::Week, {}}, adult());
    QCOMPARE(a.others.size(), 2);
    QCOMPARE(a.others.at(0).name, QStringLiteral("白砂糖"));
    QCOMPARE(a.others.at(0).grams, 15.0); // (20 + 10) over two days
    QCOMPARE(a.others.at(1).grams, 165.0);
    for (const RangeRow &r : a.groups) {
        if (r.name != QStringLiteral("盐") && r.name != QStringLiteral("钠折合食盐"))
            QCOMPARE(r.value, 0.0);
    }
}

void TestDietStructure::surveyIsOneDay()
{
    TestEnv env;
    insertTestFoods();
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "测试大米", 100, {{"ENERC_kcal", 346}}, "01-2-901"));
    QVERIFY(fixtures::insertEntry("WED", "午餐", "测试大米", 100, {{"ENERC_kcal", 346}}, "01-2-901"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET EDIBLE=100"));
    const Analysis a = analysePlan({Scope::Kind::Survey, {}}, adult());
    QCOMPARE(a.days, 1);
    QCOMPARE(groupValue(a, "谷类"), 200.0);
    QCOMPARE(a.variety.size(), 1); // no week in a survey
    QCOMPARE(a.variety.first().value, 1.0);
    QCOMPARE(row(a.meals, "早餐")->value, 50.0);
}

void TestDietStructure::missingTableIsReported()
{
    TestEnv env;
    QVERIFY(fixtures::run("DROP TABLE PagodaGroup_tb"));
    const Analysis a = analysePlan({Scope::Kind::Week, {}}, adult());
    QVERIFY(!a.ok());
    QVERIFY(a.error.contains(QStringLiteral("膳食宝塔")));
}

void TestDietStructure::windowFollowsTheChosenDay()
{
    TestEnv env;
    insertTestFoods();
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 0, {{"ENERC_kcal", 1400}}));
    QVERIFY(fixtures::insertEntry("MON", "午餐", "测试大米", 250, {{"ENERC_kcal", 865}}, "01-2-901"));
    QVERIFY(fixtures::insertEntry("TUE", "午餐", "测试大米", 100, {{"ENERC_kcal", 346}}, "01-2-901"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET EDIBLE=100"));

    // A child: the groups are listed without markers and the window says why.
    TDietStructure w(nullptr, {false, QStringLiteral("7 ～ 8")});
    auto *grid = child<DataGrid>(&w, "Group_Grid");
    QCOMPARE(grid->rowCount(), int(pagodaGroups().size()) + 1);
    QCOMPARE(grid->value(0, "VALUE").toString(), QStringLiteral("175")); // (250 + 100) / 2
    QVERIFY(grid->value(0, "REMARK").toString().isEmpty());
    QVERIFY(child<QLabel>(&w, "Message_lab")->text().contains(QStringLiteral("不作评价")));

    child<QRadioButton>(&w, "Mon_Rdo")->setChecked(true);
    QCOMPARE(grid->value(0, "VALUE").toString(), QStringLiteral("250"));
    QCOMPARE(w.analysis().days, 1);
    child<QRadioButton>(&w, "Week_Rdo")->setChecked(true);
    QCOMPARE(w.analysis().days, 2);

    // An adult of 2000 kcal: marked.
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 0, {{"ENERC_kcal", 2000}}));
    TDietStructure adultWindow(nullptr, {false, QStringLiteral("18 ～ 50")});
    auto *g = child<DataGrid>(&adultWindow, "Group_Grid");
    QCOMPARE(g->value(0, "REMARK").toString(), QStringLiteral("－"));
    QVERIFY(child<QLabel>(&adultWindow, "Message_lab")->isHidden());
}

void TestDietStructure::surveyResultOpensTheAnalysisOfTheIntake()
{
    TestEnv env;
    insertTestFoods();
    // Survey entries carry only code and weight; the result window works out the amounts.
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "测试大米", 100, {}, "01-2-901"));
    QVERIFY(fixtures::insertEntry("WED", "午餐", "测试白菜肉片", 130, {}, "09-901"));

    TResult result;
    result.show();
    QVERIFY(QTest::qWaitForWindowExposed(&result));
    int days = -1;
    double meat = -1;
    bool weekChoice = true;
    onNextModal([&](QWidget *w) {
        auto *s = qobject_cast<TDietStructure *>(w);
        if (s) {
            days = s->analysis().days;
            meat = groupValue(s->analysis(), "畜禽肉");
            weekChoice = w->findChild<QRadioButton *>(QStringLiteral("Week_Rdo")) != nullptr;
        }
        w->close();
    });
    child<QPushButton>(&result, "Structure_btn")->click();
    QCOMPARE(days, 1);          // the whole list is one intake
    QCOMPARE(meat, 25.0);       // the dish taken apart
    QVERIFY(!weekChoice);       // no weekday choice for a survey
    result.close();
}

QTEST_MAIN(TestDietStructure)
#include "test_diet_structure.moc"
