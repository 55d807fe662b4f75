// Copying a day or a meal to other days, and undo / redo of plan edits: the
// plan reads back exactly as before, copies skip what is already planned.
#include "TestEnv.h"
#include "planning/MealPlan.h"
#include "planning/PlanHistory.h"
#include "planning/PlanUndoCommands.h"
#include "planning_fixtures.h"

#include <QSqlQuery>
#include <QUndoStack>
#include <QtTest>

using namespace nqb;
using namespace nqb::plan;

namespace {
QStringList names(const QString &day, const QString &slot = {})
{
    QStringList out;
    QSqlQuery q(db());
    q.prepare(slot.isEmpty() ? QStringLiteral("SELECT FOODNAME FROM NQBNutri_tmp WHERE WEEK=? ORDER BY rowid")
                             : QStringLiteral("SELECT FOODNAME FROM NQBNutri_tmp WHERE WEEK=? AND DINERTIME=? "
                                              "ORDER BY rowid"));
    q.addBindValue(day);
    if (!slot.isEmpty())
        q.addBindValue(slot);
    q.exec();
    while (q.next())
        out << q.value(0).toString();
    return out;
}

PlanImage image()
{
    PlanImage i;
    if (!readPlanImage(&i).ok())
        i.insert(-1, {});
    return i;
}

// Runs edit and records it as the workbench does.
PlanChange recorded(const std::function<void()> &edit)
{
    const PlanImage before = image();
    edit();
    return diffImages(before, image());
}

void mondayBreakfast()
{
    QVERIFY(fixtures::insertEntry("MON", "早餐", "馒头", 100, {{"PROCNT", 7.03}, {"ENERC_kcal", 223}}, "01-1-301"));
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {{"PROCNT", 7.5}, {"CA", 260}}, "10-1-101"));
    QVERIFY(fixtures::insertEntry("MON", "午餐", "米饭", 150, {{"PROCNT", 3.9}}, "01-2-201"));
}
} // namespace

class PlanHistoryTest : public QObject
{
    Q_OBJECT
private slots:
    void copyBreakfastAppendsAndSkipsDuplicates()
    {
        TestEnv env;
        mondayBreakfast();
        QVERIFY(fixtures::insertEntry("WED", "早餐", "牛奶", 200, {{"PROCNT", 6}}, "10-1-101"));
        CopyRequest r;
        r.sourceDay = QStringLiteral("MON");
        r.slot = MealSlot::Breakfast;
        r.targetDays = {QStringLiteral("TUE"), QStringLiteral("WED"), QStringLiteral("THU"), QStringLiteral("FRI"),
                        QStringLiteral("MON")};
        const CopyResult c = copyEntries(r);
        QVERIFY2(c.ok(), qPrintable(c.message));
        QCOMPARE(c.copied, 7);
        QCOMPARE(c.skipped, 1);
        QCOMPARE(copyMessage(c), QStringLiteral("已复制 7 条，跳过 1 条重复的。"));
        QCOMPARE(names("TUE"), QStringList({"馒头", "牛奶"}));
        QCOMPARE(names("WED"), QStringList({"牛奶", "馒头"})); // its own milk kept
        QCOMPARE(names("MON"), QStringList({"馒头", "牛奶", "米饭"})); // the source is never a target
        QVERIFY(names("TUE", "午餐").isEmpty());
        // Every column but the weekday is copied exactly.
        const auto mon = fixtures::rows("SELECT * FROM NQBNutri_tmp WHERE WEEK='MON' AND FOODNAME='馒头'");
        const auto fri = fixtures::rows("SELECT * FROM NQBNutri_tmp WHERE WEEK='FRI' AND FOODNAME='馒头'");
        QCOMPARE(mon.size(), 1);
        QCOMPARE(fri.size(), 1);
        const int week = int(findTable("NQBNutri_tmp")->columns.indexOf("WEEK"));
        for (int i = 0; i < mon[0].size(); ++i) {
            if (i != week)
                QCOMPARE(fri[0][i], mon[0][i]);
        }
    }

    void replaceEmptiesTheCopiedSlotsFirst()
    {
        TestEnv env;
        mondayBreakfast();
        QVERIFY(fixtures::insertEntry("TUE", "早餐", "油条", 80, {{"FAT", 17}}));
        QVERIFY(fixtures::insertEntry("TUE", "晚餐", "面条", 200, {{"PROCNT", 8}}));
        CopyRequest r;
        r.sourceDay = QStringLiteral("MON");
        r.slot = MealSlot::Breakfast;
        r.targetDays = {QStringLiteral("TUE")};
        r.replace = true;
        QCOMPARE(copyEntries(r).copied, 2);
        QCOMPARE(names("TUE", "早餐"), QStringList({"馒头", "牛奶"}));
        QCOMPARE(names("TUE", "晚餐"), QStringList({"面条"}));
        // The whole day: every slot of the target is replaced.
        r.slot.reset();
        QCOMPARE(copyEntries(r).copied, 3);
        QCOMPARE(names("TUE"), QStringList({"馒头", "牛奶", "米饭"}));
    }

    void copiedDishKeepsItsCode()
    {
        TestEnv env;
        QVERIFY(fixtures::insertEntry("SUN", "午餐", "番茄炒蛋", 250, {{"PROCNT", 11.2}, {"FAT", 9}}, "02-007"));
        CopyRequest r{QStringLiteral("SUN"), std::nullopt, {QStringLiteral("SAT")}, false};
        QCOMPARE(copyEntries(r).copied, 1);
        QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp WHERE WEEK='SAT'").toString(), QStringLiteral("02-007"));
        QCOMPARE(fixtures::value("SELECT FAT FROM NQBNutri_tmp WHERE WEEK='SAT'").toDouble(), 9.0);
        // Nothing to copy to, or no such day: refused, nothing written.
        QVERIFY(!copyEntries({QStringLiteral("SUN"), std::nullopt, {QStringLiteral("SUN")}, false}).ok());
        QVERIFY(!copyEntries({QStringLiteral("XXX"), std::nullopt, {QStringLiteral("MON")}, false}).ok());
        QCOMPARE(rowCount("NQBNutri_tmp"), 2);
    }

    void undoRestoresExactlyAndRedoRepeats()
    {
        TestEnv env;
        mondayBreakfast();
        const PlanImage start = image();

        // A delete in the middle of the table: undo puts the row back under its rowid.
        const PlanChange del = recorded([] { QVERIFY(deleteEntry("01-1-301", "MON", "早餐", "馒头").ok()); });
        QCOMPARE(del.before.size(), 1);
        QVERIFY(del.after.isEmpty());
        QVERIFY(undoChange(del).ok());
        QCOMPARE(image(), start);
        QCOMPARE(names("MON"), QStringList({"馒头", "牛奶", "米饭"}));
        QVERIFY(redoChange(del).ok());
        QCOMPARE(names("MON"), QStringList({"牛奶", "米饭"}));
        QVERIFY(undoChange(del).ok());

        // A copy: undo removes exactly the copied rows.
        QVERIFY(fixtures::insertEntry("TUE", "早餐", "鸡蛋", 50, {{"PROCNT", 6.6}}));
        const PlanImage beforeCopy = image();
        const PlanChange copy = recorded([] {
            QVERIFY(copyEntries({QStringLiteral("MON"), std::nullopt, {QStringLiteral("TUE"), QStringLiteral("WED")},
                                 false})
                        .ok());
        });
        QCOMPARE(copy.after.size(), 6);
        QVERIFY(undoChange(copy).ok());
        QCOMPARE(image(), beforeCopy);

        // A weight change: the changed row comes back with its old amounts.
        const PlanChange weight = recorded([] { QVERIFY(changeWeight("米饭", "MON", "午餐", "300").ok()); });
        QCOMPARE(weight.before.size(), 1);
        QCOMPARE(weight.after.size(), 1);
        QVERIFY(undoChange(weight).ok());
        QCOMPARE(image(), beforeCopy);
    }

    void undoRefusedWhenThePlanChangedElsewhere()
    {
        TestEnv env;
        mondayBreakfast();
        const PlanChange clear = recorded([] { QVERIFY(clearPlan().ok()); });
        // Meanwhile a survey filled the plan with other rows.
        QVERIFY(fixtures::insertEntry("SUN", "早餐", "别的", 10, {}));
        const PlanImage now = image();
        const Result r = undoChange(clear);
        QCOMPARE(r.status, Status::Refused);
        QVERIFY(!r.message.isEmpty());
        QCOMPARE(image(), now);
    }

    void twoHundredEditsUndoneToTheEmptyPlan()
    {
        TestEnv env;
        QUndoStack stack;
        int failures = 0;
        for (int i = 0; i < 200; ++i) {
            const PlanChange c = recorded([i] {
                QVERIFY(fixtures::insertEntry(weekdayCode(i % 7), QStringLiteral("早餐"), QStringLiteral("食物%1").arg(i),
                                              i, {{"PROCNT", i * 0.5}}));
                if (i % 10 == 9) // now and then a change of an earlier entry
                    QVERIFY(changeWeight(QStringLiteral("食物%1").arg(i - 7), weekdayCode((i - 7) % 7), "早餐", "5").ok());
            });
            stack.push(new PlanEditCommand(QStringLiteral("增加"), c, [&](const Result &r) { failures += !r.ok(); }));
        }
        QCOMPARE(rowCount("NQBNutri_tmp"), 200);
        const PlanImage full = image();
        while (stack.canUndo())
            stack.undo();
        QCOMPARE(failures, 0);
        QCOMPARE(rowCount("NQBNutri_tmp"), 0);
        while (stack.canRedo())
            stack.redo();
        QCOMPARE(failures, 0);
        QCOMPARE(image(), full);
    }
};

QTEST_MAIN(PlanHistoryTest)
#include "test_plan_history.moc"
