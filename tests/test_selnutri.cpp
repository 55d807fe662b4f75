// The nutrient column selector: which box switches which columns, the group
// and "ALL" rules, pre-setting from a grid, and applying to several grids.
#include "TestEnv.h"
#include "data/NutrientBlocks.h"
#include "foods/NutrientColumns.h"
#include "foods/SelNutriUnit.h"
#include "widgets/DataGrid.h"

#include <QCheckBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QtTest>

using namespace nqb;
using namespace nqb::selector;

namespace {

// A grid with the given fields as columns and one row of data.
struct TestGrid {
    QStandardItemModel model;
    DataGrid grid;
    explicit TestGrid(const QStringList &fields)
    {
        model.setColumnCount(int(fields.size()));
        model.setHorizontalHeaderLabels(fields);
        QList<QStandardItem *> row;
        for (int i = 0; i < fields.size(); ++i)
            row << new QStandardItem(QString::number(i));
        model.appendRow(row);
        grid.setModel(&model);
    }
};

// The workbench's plan grid layout: four leading columns, EDIBLE, the block.
QStringList planFields()
{
    return QStringList{"CODE", "FOODNAME", "DINERTIME", "WEIGHT", "EDIBLE"} + compositionColumns();
}

// The chooser's composition grid: name, EDIBLE, the block, two text columns.
QStringList chooserFields()
{
    return QStringList{"FOODNAME", "EDIBLE"} + compositionColumns() + QStringList{"FoodDescribe", "ProducingArea"};
}

QStringList generalColumns()
{
    return QStringList{"EDIBLE"} + compositionColumns();
}

QStringList visibleOf(const DataGrid &g, const QStringList &fields)
{
    QStringList out;
    for (const QString &f : fields) {
        if (g.isColumnVisible(f))
            out << f;
    }
    return out;
}

QCheckBox *boxOf(QDialog *d, const char *name)
{
    auto *b = d->findChild<QCheckBox *>(QString::fromLatin1(name));
    if (!b)
        qFatal("no box %s", name);
    return b;
}

} // namespace

class TestSelNutri : public QObject
{
    Q_OBJECT
private slots:
    void boxesCoverTheRunInGridOrder();
    void groupBoxesSwitchTheirFollowers();
    void choiceGroupAndAllRules();
    void presetEndsWithEachColumnsOwnVisibility();
    void dialogMirrorsTheFirstGrid();
    void applyingSetsEveryGridAndRefreshesOnce();
    void energyBoxHidesBothEnergyColumns();
    void cancelChangesNothing();
    void reopeningShowsTheLastChoice();
    void keyboardTogglesAndAccepts();
};

void TestSelNutri::boxesCoverTheRunInGridOrder()
{
    const SelectorLayout &l = generalNutrientLayout();
    QCOMPARE(l.boxes.size(), 37);
    QCOMPARE(l.allBox, QStringLiteral("ALL_chk"));
    QCOMPARE(l.allCaption, QStringLiteral("ALL"));

    QStringList columns, names;
    int hidden = 0;
    for (const ColumnBox &b : l.boxes) {
        QCOMPARE(b.columns.size(), 1);
        QCOMPARE(b.presetColumn, b.columns.first());
        columns << b.columns.first();
        QVERIFY2(!names.contains(b.box), qPrintable(b.box));
        names << b.box;
        if (!b.shown)
            ++hidden;
    }
    // Box k belongs to the k-th column of EDIBLE + the composition block.
    QCOMPARE(columns, generalColumns());
    QCOMPARE(hidden, 6);

    // Spot checks of names, captions and columns that differ from each other.
    const auto at = [&](const char *box) { return l.boxes.at(indexOfBox(l.boxes, QString::fromLatin1(box))); };
    QCOMPARE(at("CHO_chk").columns, QStringList{"CHOCDF"});
    QCOMPARE(at("ENERC_kj_chk").columns, QStringList{"ENERC_kJ"});
    QCOMPARE(at("ENERC_kj_chk").caption, QStringLiteral("能量(kJ)"));
    QCOMPARE(at("EDIBLE_chk").caption, QStringLiteral("食部"));
    QCOMPARE(at("VITE_b_chk").caption, QStringLiteral("β-γ-E"));
    QCOMPARE(at("MN_chk").caption, QStringLiteral("猛"));
    QVERIFY(!at("FIBINS_chk").shown);
    QVERIFY(at("FIBTG_chk").shown);
}

void TestSelNutri::groupBoxesSwitchTheirFollowers()
{
    const auto &boxes = generalNutrientLayout().boxes;
    QCOMPARE(columnsSwitchedBy(boxes, "ENERC_kcal_chk"), (QStringList{"ENERC_kcal", "ENERC_kJ"}));
    QCOMPARE(columnsSwitchedBy(boxes, "FIBTG_chk"), (QStringList{"FIBTG", "FIBSOL", "FIBINS"}));
    QCOMPARE(columnsSwitchedBy(boxes, "VITET_chk"), (QStringList{"VITET", "VITE_a", "VITE_b", "VITE_r"}));
    QCOMPARE(columnsSwitchedBy(boxes, "CA_chk"), QStringList{"CA"});
    // A follower switches only itself.
    QCOMPARE(columnsSwitchedBy(boxes, "ENERC_kj_chk"), QStringList{"ENERC_kJ"});
    QVERIFY(columnsSwitchedBy(boxes, "NOPE_chk").isEmpty());

    // Every hidden box follows exactly one shown box.
    for (const ColumnBox &b : boxes) {
        if (b.shown)
            continue;
        int leaders = 0;
        for (const ColumnBox &g : boxes)
            leaders += g.followers.contains(b.box) ? 1 : 0;
        QVERIFY2(leaders == 1, qPrintable(b.box));
    }
}

void TestSelNutri::choiceGroupAndAllRules()
{
    ColumnChoice c(generalNutrientLayout());
    for (int i = 0; i < c.count(); ++i)
        QVERIFY(c.isChecked(i));
    QVERIFY(c.allChecked());

    c.setChecked("VITET_chk", false);
    for (const char *b : {"VITET_chk", "VITE_a_chk", "VITE_b_chk", "VITE_r_chk"})
        QVERIFY2(!c.isChecked(QString::fromLatin1(b)), b);
    QVERIFY(c.isChecked("VITC_chk"));
    c.setChecked("VITE_a_chk", true); // a follower alone does not take its group box
    QVERIFY(!c.isChecked("VITET_chk"));
    c.setChecked("VITET_chk", true);
    QVERIFY(c.isChecked("VITE_r_chk"));

    c.setAll(false);
    QVERIFY(!c.allChecked());
    for (int i = 0; i < c.count(); ++i)
        QVERIFY(!c.isChecked(i));
    c.setChecked("CA_chk", true);
    c.setChecked("FE_chk", true);
    QList<std::pair<QString, bool>> expected;
    for (const QString &col : generalColumns())
        expected.append({col, col == "CA" || col == "FE"});
    QCOMPARE(c.columnStates(), expected);

    c.setAll(true);
    for (int i = 0; i < c.count(); ++i)
        QVERIFY(c.isChecked(i));
}

void TestSelNutri::presetEndsWithEachColumnsOwnVisibility()
{
    ColumnChoice c(generalNutrientLayout());
    c.setAll(false); // preset must set every known box, whatever it showed before
    QHash<QString, bool> vis;
    for (const QString &col : generalColumns())
        vis[col] = true;
    vis["ENERC_kcal"] = false; // group box hidden, its follower shown
    vis["ENERC_kJ"] = true;
    vis["FIBTG"] = true; // group box shown, a follower hidden
    vis["FIBINS"] = false;
    vis.remove("ID"); // a column the grid does not have
    c.preset([&](const QString &col) -> std::optional<bool> {
        if (!vis.contains(col))
            return std::nullopt;
        return vis.value(col);
    });
    QVERIFY(!c.isChecked("ENERC_kcal_chk"));
    QVERIFY(c.isChecked("ENERC_kj_chk"));
    QVERIFY(c.isChecked("FIBTG_chk"));
    QVERIFY(c.isChecked("FIBSOL_chk"));
    QVERIFY(!c.isChecked("FIBINS_chk"));
    QVERIFY(c.isChecked("WATER_chk"));
    QVERIFY(!c.isChecked("ID_chk")); // unknown column: left as it was
    QVERIFY(!c.allChecked());        // preset never touches "ALL"
}

void TestSelNutri::dialogMirrorsTheFirstGrid()
{
    TestGrid total(planFields());
    TestGrid chooser(chooserFields());
    total.grid.setColumnVisible("CA", false);
    total.grid.setColumnVisible("VITET", false);
    total.grid.setColumnVisible("VITE_a", false);
    total.grid.setColumnVisible("VITE_b", false);
    total.grid.setColumnVisible("VITE_r", false);
    chooser.grid.setColumnVisible("FE", false); // not the first grid: ignored

    TSelNutri d({&total.grid, &chooser.grid}, [] {});
    QCOMPARE(d.windowTitle(), QStringLiteral("一般成分选择"));
    QVERIFY(!boxOf(&d, "CA_chk")->isChecked());
    QVERIFY(!boxOf(&d, "VITET_chk")->isChecked());
    QVERIFY(!boxOf(&d, "VITE_b_chk")->isChecked());
    QVERIFY(boxOf(&d, "FE_chk")->isChecked());
    QVERIFY(boxOf(&d, "EDIBLE_chk")->isChecked());
    QVERIFY(boxOf(&d, "ALL_chk")->isChecked());
    QCOMPARE(boxOf(&d, "PROCNT_chk")->text(), QStringLiteral("蛋白质"));
    QVERIFY(boxOf(&d, "ENERC_kj_chk")->isHidden());
    QVERIFY(!boxOf(&d, "ENERC_kcal_chk")->isHidden());
}

void TestSelNutri::applyingSetsEveryGridAndRefreshesOnce()
{
    TestGrid total(planFields());
    TestGrid slot(planFields());
    TestGrid chooser(chooserFields());
    // A grid of another layout: lacks most of the nutrient columns.
    TestGrid other(QStringList{"FOODNAME", "CA", "NOTE"});
    total.grid.setColumnVisible("CODE", false);

    int refreshes = 0;
    QStringList visibleAtRefresh;
    TSelNutri d({&total.grid, &slot.grid, nullptr, &chooser.grid, &other.grid}, [&] {
        ++refreshes;
        visibleAtRefresh = visibleOf(total.grid, generalColumns());
    });
    boxOf(&d, "ALL_chk")->click();
    for (const ColumnBox &b : generalNutrientLayout().boxes)
        QVERIFY2(!boxOf(&d, qPrintable(b.box))->isChecked(), qPrintable(b.box));
    boxOf(&d, "CA_chk")->click();
    boxOf(&d, "FE_chk")->click();
    d.findChild<QPushButton *>("Accept_btn")->click();

    QCOMPARE(refreshes, 1);
    QCOMPARE(visibleAtRefresh, (QStringList{"CA", "FE"})); // columns were set before the refresh
    QCOMPARE(d.result(), int(QDialog::Accepted));
    for (TestGrid *g : {&total, &slot, &chooser})
        QCOMPARE(visibleOf(g->grid, generalColumns()), (QStringList{"CA", "FE"}));
    // Columns outside the run are left as they were.
    QVERIFY(!total.grid.isColumnVisible("CODE"));
    QVERIFY(total.grid.isColumnVisible("FOODNAME"));
    QVERIFY(total.grid.isColumnVisible("WEIGHT"));
    QVERIFY(chooser.grid.isColumnVisible("FoodDescribe"));
    QCOMPARE(other.grid.visibleColumns(), (QStringList{"FOODNAME", "CA", "NOTE"}));
    QCOMPARE(other.grid.columnCount(), 3);
}

void TestSelNutri::energyBoxHidesBothEnergyColumns()
{
    TestGrid total(planFields());
    TestGrid chooser(chooserFields());
    TSelNutri d({&total.grid, &chooser.grid}, [] {});
    boxOf(&d, "ENERC_kcal_chk")->click();
    QVERIFY(!boxOf(&d, "ENERC_kj_chk")->isChecked());
    d.Apply();
    for (TestGrid *g : {&total, &chooser}) {
        QVERIFY(!g->grid.isColumnVisible("ENERC_kcal"));
        QVERIFY(!g->grid.isColumnVisible("ENERC_kJ"));
        QVERIFY(g->grid.isColumnVisible("PROCNT"));
    }
    // Checking it again brings both back.
    TSelNutri again({&total.grid, &chooser.grid}, [] {});
    QVERIFY(!boxOf(&again, "ENERC_kj_chk")->isChecked());
    boxOf(&again, "ENERC_kcal_chk")->click();
    again.Apply();
    QVERIFY(total.grid.isColumnVisible("ENERC_kJ"));
    QVERIFY(chooser.grid.isColumnVisible("ENERC_kcal"));
}

void TestSelNutri::cancelChangesNothing()
{
    TestGrid total(planFields());
    int refreshes = 0;
    TSelNutri d({&total.grid}, [&] { ++refreshes; });
    onNextModal([](QWidget *w) {
        boxOf(static_cast<QDialog *>(w), "ALL_chk")->click();
        w->findChild<QPushButton *>("Cancel_btn")->click();
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QCOMPARE(refreshes, 0);
    QCOMPARE(visibleOf(total.grid, generalColumns()), generalColumns());
}

void TestSelNutri::reopeningShowsTheLastChoice()
{
    TestGrid total(planFields());
    {
        TSelNutri d({&total.grid}, [] {});
        boxOf(&d, "FIBTG_chk")->click();
        boxOf(&d, "ZN_chk")->click();
        boxOf(&d, "ALL_chk")->click(); // unchecks everything ...
        boxOf(&d, "ALL_chk")->click(); // ... and checks everything again
        boxOf(&d, "ZN_chk")->click();
        d.Apply();
    }
    TSelNutri d({&total.grid}, [] {});
    QVERIFY(!boxOf(&d, "ZN_chk")->isChecked());
    QVERIFY(boxOf(&d, "FIBTG_chk")->isChecked());
    QVERIFY(boxOf(&d, "FIBSOL_chk")->isChecked());
    QVERIFY(boxOf(&d, "ALL_chk")->isChecked());
    QCOMPARE(visibleOf(total.grid, generalColumns()).size(), 36);
}

void TestSelNutri::keyboardTogglesAndAccepts()
{
    TestGrid total(planFields());
    int refreshes = 0;
    TSelNutri d({&total.grid}, [&] { ++refreshes; });
    bool uncheckedBySpace = false;
    onNextModal([&](QWidget *w) {
        auto *dlg = static_cast<QDialog *>(w);
        QTimer::singleShot(3000, dlg, &QDialog::reject); // never hang if Enter goes astray
        QCheckBox *energy = boxOf(dlg, "ENERC_kcal_chk");
        energy->setFocus();
        QTest::keyClick(energy, Qt::Key_Space);
        uncheckedBySpace = !energy->isChecked();
        QTest::keyClick(energy, Qt::Key_Return); // the default button applies
    });
    QCOMPARE(d.exec(), int(QDialog::Accepted));
    QVERIFY(uncheckedBySpace);
    QCOMPARE(refreshes, 1);
    QVERIFY(!total.grid.isColumnVisible("ENERC_kcal"));
    QVERIFY(!total.grid.isColumnVisible("ENERC_kJ"));
}

QTEST_MAIN(TestSelNutri)
#include "test_selnutri.moc"
