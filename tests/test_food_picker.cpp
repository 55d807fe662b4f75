// The food picker shared by the windows that choose foods: its own list of
// identifiers (another window's listing never changes it), literal search
// text, and a pick looked up in the table the list came from.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "data/FunctionUnit.h"
#include "planning/IndividualUnit.h"
#include "planning_fixtures.h"
#include "widgets/FoodPicker.h"
#include "widgets/PickList.h"
#include "widgets/SearchEdit.h"

#include <QComboBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace nqb;

namespace {
QStringList column(const QString &sql)
{
    QSqlQuery q(db());
    if (!q.exec(sql))
        return {QStringLiteral("<failed>")};
    QStringList out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QTreeWidgetItem *groupNode(QTreeWidget *tree, const QString &head)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0).startsWith(head))
            return tree->topLevelItem(i);
    return nullptr;
}

void chooseNutrient(FoodPicker &p, const QString &name)
{
    const int i = p.elementCombo()->findText(name);
    QVERIFY(i >= 0);
    p.elementCombo()->setCurrentIndex(i);
}
} // namespace

class FoodPickerTest : public QObject
{
    Q_OBJECT
private slots:
    void listKeptAcrossAnotherListing()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QWidget hostA, hostB;
        FoodPicker a(&hostA), b(&hostB);
        QVERIFY(a.fillTrees() && a.fillElements() && b.fillTrees() && b.fillElements());

        // A lists the cereals, B a dish category; the scratch table is refilled
        // too, as the menu editor's old listing did.
        QTreeWidgetItem *cereals = groupNode(a.foodTree(), QStringLiteral("01"));
        QVERIFY(cereals);
        a.foodTree()->setCurrentItem(cereals);
        a.listFoodGroup();
        const int inGroup = column("SELECT COUNT(*) FROM Nutri_tb WHERE substr(Code,1,3)='01-'").value(0).toInt();
        QCOMPARE(a.pickList()->names().size(), inGroup);
        b.dishTree()->setCurrentItem(b.dishTree()->topLevelItem(0));
        b.listDishKind();
        QVERIFY(!b.pickList()->names().isEmpty());
        QVERIFY(ListDishKind(QStringLiteral("01")));

        // A's nutrient re-sort still speaks of A's foods, richest first.
        chooseNutrient(a, QStringLiteral("蛋白质"));
        QCOMPARE(a.listKind(), FoodKind::RawFood);
        QCOMPARE(a.pickList()->names(),
                 column("SELECT FoodName FROM Nutri_tb WHERE substr(Code,1,3)='01-' ORDER BY PROCNT DESC, Code ASC"));
        // B keeps its dishes.
        QCOMPARE(b.listKind(), FoodKind::Dish);
        QVERIFY(b.pickList()->names().size() > 0);
        QVERIFY(prompts.messages.isEmpty());
    }

    void searchIsLiteralAndFollowsTheShownPage()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QVERIFY(fixtures::insertFood("99-9-801", "O'Brien 100%_面", 100, {{"PROCNT", 10}}));
        QVERIFY(fixtures::insertFood("99-9-802", "O'Brien 1000面", 100, {{"PROCNT", 20}}));
        QWidget host;
        FoodPicker p(&host);
        p.tabs()->setCurrentWidget(p.foodPage());
        p.searchBox()->setText(QStringLiteral("100%_"));
        p.search();
        QCOMPARE(p.pickList()->names(), QStringList{QStringLiteral("O'Brien 100%_面")});
        p.searchBox()->setText(QStringLiteral("O'Brien"));
        p.search();
        QCOMPARE(p.pickList()->names().size(), 2);

        // Clicks and double clicks name the table the list came from, even
        // after the other page was brought up.
        p.tabs()->setCurrentWidget(p.dishPage());
        QSignalSpy clicked(&p, &FoodPicker::clicked);
        QSignalSpy activated(&p, &FoodPicker::activated);
        emit p.pickList()->cellClicked(0, 1);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toString(), QStringLiteral("O'Brien 1000面"));
        QCOMPARE(clicked.at(0).at(1).value<FoodKind>(), FoodKind::RawFood);
        p.pickList()->setCurrentCell(0, 0);
        emit p.pickList()->picked(QStringLiteral(" O'Brien 100%_面 "));
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.at(0).at(0).toString(), QStringLiteral("O'Brien 100%_面"));
        QCOMPARE(activated.at(0).at(1).value<FoodKind>(), FoodKind::RawFood);

        // A search on the dish page lists dishes.
        QVERIFY(fixtures::insertDish("98-001", "O'Brien 汤", 100, {{"PROCNT", 5}}));
        p.searchBox()->setText(QStringLiteral("O'B"));
        p.search();
        QCOMPARE(p.listKind(), FoodKind::Dish);
        QCOMPARE(p.pickList()->names(), QStringList{QStringLiteral("O'Brien 汤")});
        QVERIFY(prompts.messages.isEmpty());
    }

    void surveyAddsFromTheListedTableAfterATabSwitch()
    {
        TestEnv env;
        ScriptedPrompt prompts;
        QVERIFY(fixtures::insertFood("99-1-001", "调查甲食物", 80, {{"PROCNT", 20}}));
        TIndividual w;
        child<SearchEdit>(&w, "SearchFood_edt")->setText(QStringLiteral("调查甲"));
        w.Search();
        child<PickList>(&w, "StrGrid")->setCurrentCell(0, 0);
        auto *tabs = child<QTabWidget>(&w, "PageControl1");
        tabs->setCurrentWidget(child<QWidget>(&w, "TabSheetCate"));
        child<QPushButton>(&w, "Add_btn")->click();
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.texts().join('\n')));
        QCOMPARE(column("SELECT CODE FROM NQBNutri_tmp"), QStringList{QStringLiteral("99-1-001")});
    }
};

QTEST_MAIN(FoodPickerTest)
#include "test_food_picker.moc"
