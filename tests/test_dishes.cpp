// The dish library without windows: the ingredient list under edit, the dish
// values, the checks and numbering of a save, a save that fails half-way, and
// rebuilding the list from a stored dish.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "foods/Dishes.h"
#include "planning_fixtures.h"

#include <QtTest>

using namespace nqb;
using fixtures::run;
using fixtures::value;

namespace {

// A category of its own and two raw foods: A (edible 100, 10 g protein per
// 100 g) and B (edible 80, 20 g protein, 5 mg iron).
bool prepare()
{
    return run("INSERT INTO CateKind_tb (KINDID, KINDNAME) VALUES ('90', '试验菜')")
           && fixtures::insertFood("90-0-001", "原料甲", 100, {{"PROCNT", 10}, {"FAT", 4}})
           && fixtures::insertFood("90-0-002", "原料乙", 80, {{"PROCNT", 20}, {"FE", 5}});
}

dish::SaveRequest newDish(const QString &name, const QString &edible = QStringLiteral("100"))
{
    dish::SaveRequest r;
    r.adding = true;
    r.name = name;
    r.pyjm = QStringLiteral("sy");
    r.edible = edible;
    r.kindText = QStringLiteral("90-试验菜");
    r.describe = QStringLiteral("两行\n说明");
    return r;
}

double dishValue(const QString &column, const QString &id)
{
    return value(QStringLiteral("SELECT %1 FROM CateNutri_tb WHERE FOODID = ?").arg(column), {id}).toDouble();
}

int components(const QString &id)
{
    return value("SELECT COUNT(*) FROM CateComponent_tb WHERE FOODID = ?", {id}).toInt();
}

bool addBoth()
{
    return dish::addIngredient(QStringLiteral("原料甲"), QStringLiteral("100")).ok()
           && dish::addIngredient(QStringLiteral("原料乙"), QStringLiteral("50")).ok();
}

} // namespace

class DishesTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { dish::clearWorkTable(); }

    void workedExampleAndEdiblePortion()
    {
        TestEnv env;
        QVERIFY(prepare());
        QVERIFY(addBoth());
        // B contributes 50 x 20 x 80 / 10000 = 8 g.
        QCOMPARE(value("SELECT PROCNT FROM CateNutriSum_tmp WHERE FOODNAME = '原料乙'").toDouble(), 8.0);

        dish::SaveOutcome out = dish::saveDish(newDish(QStringLiteral("甲乙菜")));
        QVERIFY2(out.result.ok(), qPrintable(out.result.message));
        QCOMPARE(out.foodId, QStringLiteral("90-001"));
        QCOMPARE(dishValue("PROCNT", out.foodId), 12.0);
        QCOMPARE(value("SELECT PYJM FROM CateNutri_tb WHERE FOODID='90-001'").toString(), QStringLiteral("SY"));
        QCOMPARE(value("SELECT KINDNAME FROM CateNutri_tb WHERE FOODID='90-001'").toString(), QStringLiteral("试验菜"));
        QCOMPARE(value("SELECT FoodDescribe FROM CateNutri_tb WHERE FOODID='90-001'").toString(),
                 QStringLiteral("两行\n说明"));
        // A content no ingredient has stays empty rather than 0.
        QVERIFY(value("SELECT VITC FROM CateNutri_tb WHERE FOODID='90-001'").isNull());
        QCOMPARE(components(out.foodId), 2);

        // The same dish at 90 % edible: 10.8 (modified under its own name).
        dish::SaveRequest mod = newDish(QStringLiteral("甲乙菜"), QStringLiteral("90"));
        mod.adding = false;
        mod.originalId = out.foodId;
        out = dish::saveDish(mod);
        QVERIFY2(out.result.ok(), qPrintable(out.result.message));
        QCOMPARE(out.foodId, QStringLiteral("90-001"));
        QCOMPARE(dishValue("PROCNT", out.foodId), 10.8);
        QCOMPARE(components(out.foodId), 2);

        // 150 is stored as 100; 0 gives 0 everywhere a value exists.
        mod.edible = QStringLiteral("150");
        out = dish::saveDish(mod);
        QVERIFY(out.result.ok());
        QCOMPARE(dishValue("EDIBLE", out.foodId), 100.0);
        QCOMPARE(dishValue("PROCNT", out.foodId), 12.0);
        mod.edible = QStringLiteral("0");
        out = dish::saveDish(mod);
        QVERIFY(out.result.ok());
        QCOMPARE(dishValue("EDIBLE", out.foodId), 0.0);
        QCOMPARE(dishValue("PROCNT", out.foodId), 0.0);
        QCOMPARE(dishValue("FE", out.foodId), 0.0);
    }

    void valuesFromTheFourDecimalFooterSums()
    {
        dish::WorkTotals t;
        t.weight = 0;
        t.amounts[0] = 5;
        QVERIFY(!dish::dishValues(t, 100));

        TestEnv env;
        QVERIFY(prepare());
        // 1/3 g of A: the footer holds 0.3333 g weight and 0.0333 g protein.
        QVERIFY(dish::addIngredient(QStringLiteral("原料甲"), QStringLiteral("0.333333")).ok());
        QVERIFY(dish::workTotals(t).ok());
        QCOMPARE(t.weight, 0.3333);
        QCOMPARE(*t.amounts[compositionIndex("PROCNT")], 0.0333);
        const dish::SaveOutcome out = dish::saveDish(newDish(QStringLiteral("小份")));
        QVERIFY(out.result.ok());
        QCOMPARE(dishValue("PROCNT", out.foodId), 0.0333 * 100 / 0.3333);
    }

    void ingredientListRules()
    {
        TestEnv env;
        QVERIFY(prepare());
        QVERIFY(addBoth());
        Result r = dish::addIngredient(QStringLiteral("原料甲"), QStringLiteral("30"));
        QCOMPARE(r.status, Status::Duplicate);
        QCOMPARE(r.message, QStringLiteral("该食物已存在,请修改其重量!"));
        QCOMPARE(rowCount("CateNutriSum_tmp"), 2);
        r = dish::addIngredient(QStringLiteral("原料丙"), QString());
        QCOMPARE(r.status, Status::EmptyWeight);
        QCOMPARE(r.message, QStringLiteral("食物重量不能为空!"));

        // Changing a weight rescales the amounts proportionally.
        QVERIFY(dish::changeIngredientWeight(QStringLiteral("原料乙"), QStringLiteral("25")).ok());
        QCOMPARE(value("SELECT PROCNT FROM CateNutriSum_tmp WHERE FOODNAME='原料乙'").toDouble(), 4.0);
        QCOMPARE(value("SELECT FE FROM CateNutriSum_tmp WHERE FOODNAME='原料乙'").toDouble(), 1.0);
        QCOMPARE(dish::changeIngredientWeight(QStringLiteral("原料乙"), QString()).status, Status::EmptyWeight);
        // From 0 there is nothing to scale: the amounts come from the food again.
        QVERIFY(dish::changeIngredientWeight(QStringLiteral("原料乙"), QStringLiteral("0")).ok());
        QCOMPARE(value("SELECT PROCNT FROM CateNutriSum_tmp WHERE FOODNAME='原料乙'").toDouble(), 0.0);
        QVERIFY(dish::changeIngredientWeight(QStringLiteral("原料乙"), QStringLiteral("50")).ok());
        QCOMPARE(value("SELECT PROCNT FROM CateNutriSum_tmp WHERE FOODNAME='原料乙'").toDouble(), 8.0);

        QVERIFY(dish::deleteIngredient(QStringLiteral("原料乙")).ok());
        QCOMPARE(rowCount("CateNutriSum_tmp"), 1);
    }

    void saveChecksInOrder()
    {
        TestEnv env;
        QVERIFY(prepare());
        QVERIFY(fixtures::insertDish("90-005", "已有菜", 100, {}));
        run("UPDATE CateNutri_tb SET KINDNAME='试验菜' WHERE FOODID='90-005'");

        auto check = [](dish::SaveRequest r) { return dish::checkSave(r).message; };
        dish::SaveRequest r = newDish(QStringLiteral("  "));
        r.pyjm.clear();
        QCOMPARE(check(r), QStringLiteral("食物名称不能为空!"));
        r.name = QStringLiteral("新菜");
        QCOMPARE(check(r), QStringLiteral("食物拼音简码不能为空!"));
        r.pyjm = QStringLiteral("XC");
        r.edible = QStringLiteral(" ");
        QCOMPARE(check(r), QStringLiteral("食部不能为空!"));
        r.edible = QStringLiteral("100");
        r.kindText = QStringLiteral("请选择类别");
        QCOMPARE(check(r), QStringLiteral("请正确选择食物种类!"));
        r.kindText = QStringLiteral("90-试验菜");
        r.name = QStringLiteral("已有菜");
        QCOMPARE(check(r), QStringLiteral("该食物已存在!"));
        r.name = QStringLiteral("新菜");
        // No ingredient weight: no values can be computed.
        QCOMPARE(dish::checkSave(r).status, Status::Refused);
        const dish::SaveOutcome out = dish::saveDish(r);
        QVERIFY(!out.result.ok());
        QCOMPARE(rowCount("select count(*) from CateNutri_tb where FOODNAME='新菜'"), 0);
    }

    void numberingAndModifying()
    {
        TestEnv env;
        QVERIFY(prepare());
        QVERIFY(run("INSERT INTO CateKind_tb (KINDID, KINDNAME) VALUES ('91', '空类')"));
        for (const char *id : {"90-001", "90-002", "90-004"}) {
            QVERIFY(fixtures::insertDish(id, QStringLiteral("菜%1").arg(id), 100, {}));
        }
        QVERIFY(run("UPDATE CateNutri_tb SET KINDNAME='试验菜' WHERE FOODID LIKE '90-%'"));
        QVERIFY(addBoth());
        dish::SaveOutcome out = dish::saveDish(newDish(QStringLiteral("第三")));
        QVERIFY(out.result.ok());
        QCOMPARE(out.foodId, QStringLiteral("90-003"));

        // Modified under its own name it keeps 004; under another dish's name
        // it is refused and stays as it was.
        QVERIFY(run("INSERT INTO CateComponent_tb (FOODID, CODE, WEIGHT) VALUES ('90-004', '90-0-001', 7)"));
        dish::SaveRequest mod = newDish(QStringLiteral("菜90-004"));
        mod.adding = false;
        mod.originalId = QStringLiteral("90-004");
        mod.name = QStringLiteral("菜90-001");
        out = dish::saveDish(mod);
        QCOMPARE(out.result.message, QStringLiteral("该食物已存在!"));
        QCOMPARE(components("90-004"), 1);
        QCOMPARE(value("SELECT WEIGHT FROM CateComponent_tb WHERE FOODID='90-004'").toDouble(), 7.0);
        mod.name = QStringLiteral("菜90-004");
        out = dish::saveDish(mod);
        QVERIFY(out.result.ok());
        QCOMPARE(out.foodId, QStringLiteral("90-004"));
        QCOMPARE(components("90-004"), 2);

        // Moved to the empty category: 001 there, nothing left under 90-004.
        mod.kindText = QStringLiteral("91-空类");
        out = dish::saveDish(mod);
        QVERIFY(out.result.ok());
        QCOMPARE(out.foodId, QStringLiteral("91-001"));
        QCOMPARE(components("90-004"), 0);
        QCOMPARE(rowCount("select count(*) from CateNutri_tb where FOODID='90-004'"), 0);
        QCOMPARE(components("91-001"), 2);
    }

    void saveFailingHalfWayKeepsTheOldDish()
    {
        TestEnv env;
        QVERIFY(prepare());
        QVERIFY(fixtures::insertFood("90-0-003", "原料丙", 100, {{"PROCNT", 1}}));
        QVERIFY(addBoth());
        dish::SaveOutcome out = dish::saveDish(newDish(QStringLiteral("老菜")));
        QVERIFY(out.result.ok());
        const double protein = dishValue("PROCNT", out.foodId);

        // The third ingredient row of any save is refused by the database.
        QVERIFY(run("CREATE TEMP TRIGGER third_fails BEFORE INSERT ON CateComponent_tb "
                    "WHEN (SELECT COUNT(*) FROM CateComponent_tb WHERE FOODID = NEW.FOODID) >= 2 "
                    "BEGIN SELECT RAISE(ABORT, 'third ingredient refused'); END"));
        QVERIFY(dish::addIngredient(QStringLiteral("原料丙"), QStringLiteral("10")).ok());
        dish::SaveRequest mod = newDish(QStringLiteral("老菜"), QStringLiteral("50"));
        mod.adding = false;
        mod.originalId = out.foodId;
        out = dish::saveDish(mod);
        QCOMPARE(out.result.status, Status::DbError);
        QVERIFY(out.result.message.contains(QStringLiteral("third ingredient refused")));
        QCOMPARE(rowCount("select count(*) from CateNutri_tb where FOODNAME='老菜'"), 1);
        QCOMPARE(dishValue("PROCNT", "90-001"), protein);
        QCOMPARE(dishValue("EDIBLE", "90-001"), 100.0);
        QCOMPARE(components("90-001"), 2);
        QVERIFY(run("DROP TRIGGER third_fails"));
    }

    void storedDishIntoTheWorkingTable()
    {
        TestEnv env;
        QVERIFY(prepare());
        QVERIFY(addBoth());
        const dish::SaveOutcome out = dish::saveDish(newDish(QStringLiteral("重现")));
        QVERIFY(out.result.ok());
        QVERIFY(run("DELETE FROM Nutri_tb WHERE Code='90-0-002'"));
        dish::clearWorkTable();

        QVERIFY(dish::loadWorkTable(out.foodId).ok());
        const auto rows = fixtures::rows("SELECT CODE, FOODNAME, WEIGHT, EDIBLE, PROCNT FROM CateNutriSum_tmp ORDER BY rowid");
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0][1].toString(), QStringLiteral("原料甲"));
        QCOMPARE(rows[0][4].toDouble(), 10.0);
        // The deleted raw food: no name, edible 0, zero amounts, its weight counts.
        QCOMPARE(rows[1][0].toString(), QStringLiteral("90-0-002"));
        QCOMPARE(rows[1][1].toString(), QString());
        QCOMPARE(rows[1][3].toDouble(), 0.0);
        QCOMPARE(rows[1][4].toDouble(), 0.0);
        dish::WorkTotals t;
        QVERIFY(dish::workTotals(t).ok());
        QCOMPARE(t.weight, 150.0);

        dish::DishInfo info;
        bool found = false;
        QVERIFY(dish::findDish(QStringLiteral(" 重现 "), info, found).ok() && found);
        QCOMPARE(info.kindText, QStringLiteral("90-试验菜"));
        QCOMPARE(info.edible, QStringLiteral("100"));

        QString id;
        const Result r = dish::deleteDish(QStringLiteral("重现"), &id);
        QCOMPARE(r.rows, 1);
        QCOMPARE(id, out.foodId);
        QCOMPARE(components(out.foodId), 0);
        QCOMPARE(dish::deleteDish(dish::noDishCaption()).rows, 0);
    }
};

QTEST_MAIN(DishesTest)
#include "test_dishes.moc"
