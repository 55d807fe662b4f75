// Dish library files: a round trip into an empty library, the plan of an
// import into a library that has some of it already, and files that are
// refused without anything written.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "foods/DishTransferUnit.h"
#include "foods/DishTransfer.h"
#include "planning_fixtures.h"

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace nqb;
using fixtures::rows;
using fixtures::run;

namespace {

QList<QVariantList> dishRows()
{
    return rows("SELECT * FROM CateNutri_tb ORDER BY FOODID");
}
QList<QVariantList> componentRows()
{
    return rows("SELECT FOODID, CODE, WEIGHT FROM CateComponent_tb ORDER BY FOODID, rowid");
}

bool emptyLibrary()
{
    return run("DELETE FROM CateComponent_tb") && run("DELETE FROM CateNutri_tb") && run("DELETE FROM CateKind_tb");
}

} // namespace

class DishTransferTest : public QObject
{
    Q_OBJECT
private slots:
    void roundTripIntoAnEmptyLibrary()
    {
        TestEnv env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("all.nqbdish"));
        const auto dishes = dishRows();
        const auto components = componentRows();
        const auto kinds = rows("SELECT KINDID, KINDNAME FROM CateKind_tb ORDER BY KINDID");
        QVERIFY(dishes.size() > 50);

        const Result out = transfer::exportToFile(path);
        QVERIFY2(out.ok(), qPrintable(out.message));
        QCOMPARE(out.rows, int(dishes.size()));
        QVERIFY(emptyLibrary());

        transfer::Library lib;
        QVERIFY(transfer::readFile(path, lib).ok());
        transfer::ImportPlan plan;
        QVERIFY(transfer::planImport(lib, plan).ok());
        QCOMPARE(plan.dishesToAdd(), int(dishes.size()));
        for (const auto &d : plan.dishes)
            QCOMPARE(d.action, transfer::Action::Add);
        const Result in = transfer::applyImport(plan);
        QVERIFY2(in.ok(), qPrintable(in.message));
        QCOMPARE(dishRows(), dishes);
        QCOMPARE(componentRows(), components);
        QCOMPARE(rows("SELECT KINDID, KINDNAME FROM CateKind_tb ORDER BY KINDID"), kinds);
    }

    void importPlanAgainstWhatIsHere()
    {
        TestEnv env;
        QVERIFY(emptyLibrary());
        QVERIFY(fixtures::insertFood("90-0-001", "原料甲", 100, {{"PROCNT", 10}}));
        // In the file: category 01 汤 with three dishes; 02 凉菜.
        QVERIFY(run("INSERT INTO CateKind_tb VALUES ('01', '汤'), ('02', '凉菜')"));
        for (const auto &[id, name, kind] : {std::tuple{"01-001", "清汤", "汤"}, {"01-002", "浓汤", "汤"},
                                            {"01-003", "缺料汤", "汤"}, {"02-001", "拌菜", "凉菜"}}) {
            QVERIFY(fixtures::insertDish(id, name, 100, {{"PROCNT", 3.25}}));
            QVERIFY(run("UPDATE CateNutri_tb SET KINDNAME = ? WHERE FOODID = ?", {kind, id}));
            QVERIFY(run("INSERT INTO CateComponent_tb VALUES (?, '90-0-001', 50)", {id}));
        }
        QVERIFY(run("INSERT INTO CateComponent_tb VALUES ('01-003', '90-9-999', 5)"));
        transfer::Library lib;
        QVERIFY(transfer::readLibrary(lib, {QStringLiteral("汤")}).ok());
        QCOMPARE(lib.categories.size(), 1);
        QCOMPARE(lib.dishes.size(), 3);
        QVERIFY(transfer::parse(transfer::serialize(lib), lib).ok());

        // Here: 01 is 凉菜 (so 汤 needs another id), 浓汤 exists, 90-9-999 does not.
        QVERIFY(emptyLibrary());
        QVERIFY(run("INSERT INTO CateKind_tb VALUES ('01', '凉菜')"));
        QVERIFY(fixtures::insertDish("01-001", "浓汤", 100, {}));
        QVERIFY(run("UPDATE CateNutri_tb SET KINDNAME = '凉菜'"));
        transfer::ImportPlan plan;
        QVERIFY(transfer::planImport(lib, plan).ok());
        QCOMPARE(plan.categories.size(), 1);
        QCOMPARE(plan.categories[0].action, transfer::Action::Renumber);
        QCOMPARE(plan.categories[0].category.kindId, QStringLiteral("02"));
        QCOMPARE(plan.dishes.size(), 3);
        QCOMPARE(plan.dishes[0].action, transfer::Action::Renumber);
        QCOMPARE(plan.dishes[0].dish.foodId, QStringLiteral("02-001"));
        QCOMPARE(plan.dishes[1].action, transfer::Action::Skip);
        QCOMPARE(plan.dishes[2].action, transfer::Action::Skip);
        QVERIFY(plan.dishes[2].reason.contains(QStringLiteral("90-9-999")));

        QVERIFY(transfer::applyImport(plan).ok());
        QCOMPARE(fixtures::value("SELECT KINDNAME FROM CateNutri_tb WHERE FOODID='02-001'").toString(),
                 QStringLiteral("汤"));
        QCOMPARE(fixtures::value("SELECT PROCNT FROM CateNutri_tb WHERE FOODID='02-001'").toDouble(), 3.25);
        QCOMPARE(rowCount("select count(*) from CateComponent_tb where FOODID='02-001'"), 1);
        QCOMPARE(rowCount("CateNutri_tb"), 2);

        // The same plan again clashes with what it wrote: nothing more is written.
        const int before = rowCount("CateKind_tb");
        QVERIFY(!transfer::applyImport(plan).ok());
        QCOMPARE(rowCount("CateKind_tb"), before);
        QCOMPARE(rowCount("CateNutri_tb"), 2);
    }

    void windowExportsChosenAndImportsAfterThePreview()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cold.nqbdish"));
        TDishTransfer w;
        QListWidget *list = w.categoryList();
        QVERIFY(list->count() > 1);
        list->item(0)->setCheckState(Qt::Checked);
        const QString first = list->item(0)->text().section(QLatin1Char('-'), 1);
        const int inFirst = rowCount(QStringLiteral("select count(*) from CateNutri_tb where KINDNAME='%1'").arg(first));
        prompts.files.enqueue(path);
        child<QPushButton>(&w, "Export_btn")->click();
        transfer::Library lib;
        QVERIFY(transfer::readFile(path, lib).ok());
        QCOMPARE(lib.dishes.size(), inFirst);

        // Two dishes gone here: the preview lists them as added, the rest as skipped.
        QVERIFY(run("DELETE FROM CateNutri_tb WHERE FOODID IN (SELECT FOODID FROM CateNutri_tb WHERE KINDNAME = ? "
                    "ORDER BY FOODID LIMIT 2)",
                    {first}));
        const int before = rowCount("CateNutri_tb");
        // Cancelled at the preview: nothing written.
        prompts.files.enqueue(path);
        onNextModal([](QWidget *m) { child<QPushButton>(m, "Cancel_btn")->click(); });
        child<QPushButton>(&w, "Import_btn")->click();
        QCOMPARE(rowCount("CateNutri_tb"), before);
        prompts.files.enqueue(path);
        int added = 0;
        onNextModal([&](QWidget *m) {
            auto *grid = child<QTableWidget>(m, "Plan_grid");
            for (int r = 0; r < grid->rowCount(); ++r)
                added += grid->item(r, 4)->text() == QStringLiteral("添加");
            child<QPushButton>(m, "Accept_btn")->click();
        });
        child<QPushButton>(&w, "Import_btn")->click();
        QCOMPARE(added, 2);
        QCOMPARE(rowCount("CateNutri_tb"), before + 2);

        // A foreign file is refused with its name.
        const QString foreign = dir.filePath(QStringLiteral("notes.txt"));
        QFile f(foreign);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("hello");
        f.close();
        prompts.files.enqueue(foreign);
        child<QPushButton>(&w, "Import_btn")->click();
        QVERIFY(prompts.lastText().contains(QStringLiteral("notes.txt")));
        QCOMPARE(rowCount("CateNutri_tb"), before + 2);
    }

    void badFilesAreRefusedWholly()
    {
        TestEnv env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("all.nqbdish"));
        QVERIFY(transfer::exportToFile(path).ok());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        f.close();

        const QString cut = dir.filePath(QStringLiteral("cut.nqbdish"));
        QFile c(cut);
        QVERIFY(c.open(QIODevice::WriteOnly));
        c.write(text.left(text.size() * 2 / 3));
        c.close();
        transfer::Library lib;
        Result r = transfer::readFile(cut, lib);
        QVERIFY(!r.ok());
        QVERIFY(r.message.contains(QStringLiteral("cut.nqbdish")));
        QVERIFY(lib.dishes.isEmpty());

        QByteArray later = text;
        later.replace("\"version\": 1", "\"version\": 2");
        QVERIFY(!transfer::parse(later, lib).ok());
        QVERIFY(!transfer::parse(R"({"format":"other","version":1,"categories":[],"dishes":[]})", lib).ok());
        // A dish of a category the file does not list, a value that is no number.
        QVERIFY(!transfer::parse(R"({"format":"nqb-dish-library","version":1,"categories":[],
            "dishes":[{"foodId":"01-001","name":"x","category":"汤","edible":100,"values":{},"ingredients":[]}]})",
                                 lib)
                     .ok());
        QVERIFY(!transfer::parse(R"({"format":"nqb-dish-library","version":1,"categories":[{"kindId":"01","name":"汤"}],
            "dishes":[{"foodId":"01-001","name":"x","category":"汤","edible":100,"values":{"PROCNT":"7"},
            "ingredients":[]}]})",
                                 lib)
                     .ok());
        QVERIFY(transfer::parse(R"({"format":"nqb-dish-library","version":1,"categories":[{"kindId":"01","name":"汤"}],
            "dishes":[{"foodId":"01-001","name":"x","category":"汤","edible":null,"values":{"PROCNT":7},
            "ingredients":[{"code":"01-1-001","weight":5}]}]})",
                                lib)
                    .ok());
        QCOMPARE(*lib.dishes[0].values[3], 7.0);
        QVERIFY(!lib.dishes[0].values[0]);
    }
};

QTEST_MAIN(DishTransferTest)
#include "test_dish_transfer.moc"
