// The dietary survey: the profile in survey mode hands over to the entry
// window, foods and dishes are listed with their weights, the result window
// evaluates the list, and closing the survey empties the list.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "app/MainUnit.h"
#include "diners/PersonalInfoUnit.h"
#include "planning/IndividualUnit.h"
#include "planning/ResultUnit.h"
#include "planning/SurveyResult.h"
#include "planning_fixtures.h"
#include "widgets/BarChart.h"
#include "widgets/DataGrid.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/SearchEdit.h"

#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace nqb;

namespace {

// Closes a modal window when the checks on it end, also when one fails.
struct Closer {
    QWidget *w;
    ~Closer() { w->close(); }
};

// Searches the active page for text and makes the first name found current.
void searchAndPick(QWidget *w, const QString &text)
{
    child<SearchEdit>(w, "SearchFood_edt")->setText(text);
    qobject_cast<TIndividual *>(w)->Search();
    child<PickList>(w, "StrGrid")->setCurrentCell(0, 0);
}

void showPage(QWidget *w, const char *page)
{
    auto *tabs = child<QTabWidget>(w, "PageControl1");
    tabs->setCurrentWidget(child<QWidget>(w, page));
}

// Types a weight into the list's WEIGHT cell of the entry called name.
bool typeWeight(QWidget *w, const QString &name, const QString &text)
{
    auto *grid = child<DataGrid>(w, "Reserch_Grid");
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->value(r, "FOODNAME").toString() == name)
            return grid->model()->setData(grid->model()->index(r, grid->column("WEIGHT")), text);
    }
    return false;
}

QString listedWeight(QWidget *w, const QString &name)
{
    auto *grid = child<DataGrid>(w, "Reserch_Grid");
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->value(r, "FOODNAME").toString() == name)
            return grid->value(r, "WEIGHT").isNull() ? QString() : fmtG(toNumber(grid->value(r, "WEIGHT")));
    }
    return QStringLiteral("(not listed)");
}

const BarChart::Bar &barOf(BarChart *chart, const char *column)
{
    static const BarChart::Bar none;
    const int k = requirementIndex(QString::fromLatin1(column));
    return k >= 1 && k - 1 < chart->count() ? chart->bars()[k - 1] : none;
}

void insertSurveyFoods()
{
    // Raw foods: 20 g protein per 100 g with 80 % edible; one that is only
    // ever listed without a weight. A dish with 5 g protein and 30 g fat.
    QVERIFY(fixtures::insertFood("99-1-001", "调查甲食物", 80, {{"PROCNT", 20}, {"FAT", 1}}));
    QVERIFY(fixtures::insertFood("99-1-002", "调查乙食物", 100, {{"PROCNT", 50}, {"VITC", 30}}));
    QVERIFY(fixtures::insertDish("98-001", "调查菜肴", 100, {{"PROCNT", 5}, {"FAT", 30}}));
}

} // namespace

class SurveyTest : public QObject
{
    Q_OBJECT
private slots:
    void surveyFromProfileToResult();
    void namesAreUniqueAcrossBothPages();
    void treesSearchDeleteAndClear();
    void emptyListAndRepeatedEvaluation();
};

void SurveyTest::surveyFromProfileToResult()
{
    TestEnv env;
    ScriptedPrompt prompts;
    insertSurveyFoods();
    TMain main;
    main.SetSurveyMode(true);
    TPersonalInfo::setSurveyEntryOpener(&TIndividual::run);

    bool entryChecked = false, resultChecked = false;
    onNextModal([&](QWidget *m) {
        Closer closer{m};
        auto *w = qobject_cast<TIndividual *>(m);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("菜肴录入"));
        // The raw-food page is active; the search box shows its prompt.
        QCOMPARE(child<QTabWidget>(w, "PageControl1")->currentWidget(), child<QWidget>(w, "TabSheetFood"));
        QCOMPARE(child<SearchEdit>(w, "SearchFood_edt")->text(), QStringLiteral("首字母/汉字"));
        // The profile has just written the person's requirement rows.
        QCOMPARE(rowCount("SELECT COUNT(*) FROM DRIs_tmp WHERE REMARK='RNI' AND PROCNT > 0"), 1);

        searchAndPick(w, "调查甲食物");
        child<QPushButton>(w, "Add_btn")->click();
        searchAndPick(w, "调查乙食物");
        child<QPushButton>(w, "Add_btn")->click();
        showPage(w, "TabSheetCate");
        searchAndPick(w, "调查菜肴");
        child<QPushButton>(w, "Add_btn")->click();
        QCOMPARE(child<DataGrid>(w, "Reserch_Grid")->rowCount(), 3);
        QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp WHERE FOODNAME='调查菜肴'").toString(),
                 QStringLiteral("98-001"));

        QVERIFY(typeWeight(w, "调查甲食物", "150"));
        QVERIFY(typeWeight(w, "调查菜肴", "200"));
        // A text that is no weight is refused and the cell keeps its value.
        QVERIFY(!typeWeight(w, "调查菜肴", "1..2"));
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.last().title, QStringLiteral("警告"));
        QCOMPARE(listedWeight(w, "调查菜肴"), QStringLiteral("200"));
        QCOMPARE(listedWeight(w, "调查乙食物"), QString()); // never typed
        QCOMPARE(child<DataGrid>(w, "Reserch_Grid")->footerText("WEIGHT"), QStringLiteral("350"));
        QCOMPARE(child<DataGrid>(w, "Reserch_Grid")->footerText("FOODNAME"), QStringLiteral("3"));

        // Requirements chosen by the test; a stale standard from the workbench.
        QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 100, {{"PROCNT", 68}}));
        QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 50, {{"PROCNT", 34}, {"FAT", 10}}));
        QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 1000, {{"PROCNT", 40}, {"FAT", 60}}));
        QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "标准", 7));

        onNextModal([&](QWidget *r) {
            Closer closer{r};
            auto *result = qobject_cast<TResult *>(r);
            QVERIFY(result);
            QCOMPARE(result->windowTitle(), QStringLiteral("评测"));
            // Protein: 150 g × 20 × 80 % = 24, dish 200 g × 5 = 10, the
            // unweighed food nothing: 34, exactly the EAR -> ok.
            QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM NQBNutri_tmp WHERE FOODNAME='调查甲食物'")), 24.0);
            QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM NQBNutri_tmp WHERE FOODNAME='调查乙食物'")), 0.0);
            auto *grid = child<DataGrid>(r, "DRIs_Grid");
            QCOMPARE(grid->rowCount(), 2);
            QCOMPARE(grid->footerText("PROCNT"), QStringLiteral("ok"));
            // Fat: 1.2 + 60 = 61.2, above the UL of 60.
            QCOMPARE(grid->footerText("FAT"), QStringLiteral("＋"));
            QCOMPARE(grid->footerColor(grid->column("FAT")), QColor(255, 0, 0));
            QCOMPARE(grid->footerText("VITC"), QStringLiteral("－"));
            QCOMPARE(grid->footerColor(grid->column("VITC")), QColor(0, 0, 255));
            // The standard is the RNI itself, whatever was there before.
            QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM DRIs_tmp WHERE REMARK='标准'")), 68.0);
            QCOMPARE(toNumber(fixtures::value("SELECT PROCNT FROM DRIs_tmp WHERE REMARK='实际'")), 34.0);

            auto *chart = child<BarChart>(r, "Chart1");
            QCOMPARE(chart->count(), 25);
            QCOMPARE(barOf(chart, "PROCNT").value, 50.0); // 34 / 68
            QCOMPARE(barOf(chart, "PROCNT").label, QStringLiteral("蛋白"));
            QCOMPARE(barOf(chart, "NA").label, QStringLiteral("纳"));
            QCOMPARE(barOf(chart, "CHOCDF").label, QStringLiteral("碳水"));
            QCOMPARE(barOf(chart, "VITC").color, QColor(0, 0, 255));
            QVERIFY(!child<DataGrid>(r, "Total_grid")->isVisible());
            QCOMPARE(child<DataGrid>(r, "Total_grid")->footerValue("PROCNT"), 34.0);
            resultChecked = true;
            child<QPushButton>(r, "Close_btn")->click();
        });
        child<QPushButton>(w, "Accept_btn")->click();
        // Back in the entry window: the list and its weights are still there.
        QCOMPARE(child<DataGrid>(w, "Reserch_Grid")->rowCount(), 3);
        QCOMPARE(listedWeight(w, "调查甲食物"), QStringLiteral("150"));
        entryChecked = true;
        child<QPushButton>(w, "Close_btn")->click();
    });

    {
        TPersonalInfo profile(testRunState());
        profile.show();
        profile.Accept();
    }
    TPersonalInfo::setSurveyEntryOpener(nullptr);
    QVERIFY(entryChecked);
    QVERIFY(resultChecked);
    // Closing the survey empties the list.
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
}

void SurveyTest::namesAreUniqueAcrossBothPages()
{
    TestEnv env;
    ScriptedPrompt prompts;
    QVERIFY(fixtures::insertFood("99-1-003", "同名食物", 100, {{"PROCNT", 1}}));
    QVERIFY(fixtures::insertDish("98-002", "同名食物", 100, {{"PROCNT", 2}}));

    TIndividual w;
    w.show();
    auto *add = child<QPushButton>(&w, "Add_btn");
    auto *pick = child<PickList>(&w, "StrGrid");

    // Nothing chosen in the pick list: refused, nothing appended.
    add->click();
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.last().title, QStringLiteral("警告"));

    searchAndPick(&w, "同名食物");
    QCOMPARE(pick->names(), QStringList{"同名食物"});
    add->click();
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
    // The empty right-hand cell of a one-name list adds nothing either.
    pick->setCurrentCell(0, 1);
    add->click();
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
    QCOMPARE(prompts.messages.size(), 2);

    // The same name again, and the dish of that name: both refused.
    prompts.clear();
    pick->setCurrentCell(0, 0);
    add->click();
    showPage(&w, "TabSheetCate");
    searchAndPick(&w, "同名食物");
    emit pick->cellDoubleClicked(0, 0); // a double click adds as well
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
    QCOMPARE(prompts.messages.size(), 2);
    for (const auto &m : prompts.messages) {
        QCOMPARE(m.title, QStringLiteral("警告"));
        QCOMPARE(m.text, QStringLiteral("该食物已存在!"));
    }
    QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp").toString(), QStringLiteral("99-1-003"));
}

void SurveyTest::treesSearchDeleteAndClear()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TIndividual w;
    w.show();
    auto *pick = child<PickList>(&w, "StrGrid");
    auto *search = child<SearchEdit>(&w, "SearchFood_edt");

    // A food group lists the raw foods whose code begins with its prefix.
    auto *foods = child<QTreeWidget>(&w, "Food_tre");
    QVERIFY(foods->topLevelItemCount() > 0);
    QTreeWidgetItem *group = foods->topLevelItem(0);
    const QString prefix = group->text(0).left(3);
    search->setText("X");
    foods->setCurrentItem(group);
    w.FoodTreeClick();
    QVERIFY(search->isShowingPrompt());
    QCOMPARE(pick->names().size(),
             rowCount(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb WHERE Code LIKE '%1%'").arg(prefix)));
    QVERIFY(!pick->names().isEmpty());

    // A dish category lists its dishes.
    showPage(&w, "TabSheetCate");
    auto *dishes = child<QTreeWidget>(&w, "Cate_tre");
    QVERIFY(dishes->topLevelItemCount() > 0);
    QTreeWidgetItem *kind = nullptr;
    for (int i = 0; i < dishes->topLevelItemCount() && !kind; ++i) {
        if (!dishes->topLevelItem(i)->text(0).endsWith("[0]"))
            kind = dishes->topLevelItem(i);
    }
    QVERIFY(kind);
    const QString kindId = kind->text(0).section('-', 0, 0);
    dishes->setCurrentItem(kind);
    w.CateTreeClick();
    const QStringList expected = [&] {
        QStringList l;
        for (const auto &r : fixtures::rows("SELECT FOODNAME FROM CateNutri_tb WHERE FOODID LIKE ? ORDER BY rowid",
                                            {kindId + "-%"}))
            l << r[0].toString().trimmed();
        return l;
    }();
    QVERIFY(!expected.isEmpty());
    QCOMPARE(pick->names(), expected);

    // An empty search lists every dish.
    search->showPrompt();
    w.Search();
    QCOMPARE(pick->names().size(), rowCount("SELECT COUNT(*) FROM CateNutri_tb WHERE TRIM(FOODNAME) <> ''"));

    // Add two dishes, delete the current one, then clear.
    pick->setCurrentCell(0, 0);
    w.Add();
    pick->setCurrentCell(0, 1);
    w.Add();
    auto *grid = child<DataGrid>(&w, "Reserch_Grid");
    QCOMPARE(grid->rowCount(), 2);
    const QString second = grid->value(1, "FOODNAME").toString();
    grid->setCurrentIndex(grid->model()->index(0, grid->column("FOODNAME")));
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->value(0, "FOODNAME").toString(), second);
    child<QPushButton>(&w, "Clear_btn")->click();
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);

    // The weight cell is typed through a digits-only edit; the name cell cannot be edited.
    QVERIFY(fixtures::insertFood("99-1-004", "调查丙食物", 100, {}));
    showPage(&w, "TabSheetFood");
    searchAndPick(&w, "调查丙食物");
    w.Add();
    const QModelIndex weightCell = grid->model()->index(0, grid->column("WEIGHT"));
    QWidget *editor = grid->itemDelegateForColumn(grid->column("WEIGHT"))
                          ->createEditor(grid->viewport(), QStyleOptionViewItem(), weightCell);
    QVERIFY(qobject_cast<NumericEdit *>(editor));
    delete editor;
    QVERIFY(!(grid->model()->flags(grid->model()->index(0, grid->column("FOODNAME"))) & Qt::ItemIsEditable));
    // Emptying a typed weight stores no weight.
    QVERIFY(typeWeight(&w, "调查丙食物", "12.5"));
    QCOMPARE(toNumber(fixtures::value("SELECT WEIGHT FROM NQBNutri_tmp")), 12.5);
    QVERIFY(typeWeight(&w, "调查丙食物", ""));
    QVERIFY(fixtures::value("SELECT WEIGHT FROM NQBNutri_tmp").isNull());
    QVERIFY(prompts.messages.isEmpty());
}

void SurveyTest::emptyListAndRepeatedEvaluation()
{
    TestEnv env;
    ScriptedPrompt prompts;
    insertSurveyFoods();
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 100, {{"PROCNT", 0}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 50, {{"PROCNT", 0}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 1000));

    {
        // Nothing listed: every nutrient with an EAR above 0 is low, bars are 0.
        TResult r;
        r.show();
        auto *grid = child<DataGrid>(&r, "DRIs_Grid");
        QCOMPARE(grid->footerText("FAT"), QStringLiteral("－"));
        QCOMPARE(grid->footerText("PROCNT"), QStringLiteral("ok")); // EAR 0
        auto *chart = child<BarChart>(&r, "Chart1");
        QCOMPARE(chart->count(), 25);
        for (const auto &b : chart->bars())
            QCOMPARE(b.value, 0.0);
    }

    QVERIFY(survey::addEntry("调查甲食物", FoodKind::RawFood).ok());
    QVERIFY(survey::setWeight("调查甲食物", "150").ok());
    // Amounts of some old weight are stale; the result recomputes from the weight.
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET FAT=999"));
    for (int i = 0; i < 2; ++i) {
        TResult r;
        r.show();
        auto *grid = child<DataGrid>(&r, "DRIs_Grid");
        QCOMPARE(toNumber(fixtures::value("SELECT FAT FROM DRIs_tmp WHERE REMARK='实际'")), 1.2);
        QCOMPARE(grid->footerText("FAT"), QStringLiteral("－"));
        // A standard of 0 gives a bar of 0, not a division by zero.
        QCOMPARE(barOf(child<BarChart>(&r, "Chart1"), "PROCNT").value, 0.0);
    }
    QVERIFY(prompts.messages.isEmpty());
}

QTEST_MAIN(SurveyTest)
#include "test_survey.moc"
