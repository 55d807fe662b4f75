// The planning workbench with its chooser, the add and change-weight dialogs
// and the evaluation of the shown day, driven as the user does.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "planning_fixtures.h"

#include "app/MainUnit.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "data/Settings.h"
#include "diners/PersonalInfoUnit.h"
#include "foods/BasicNutriUnit.h"
#include "planning/AnalyzeEditUnit.h"
#include "planning/AnalyzeInsertUnit.h"
#include "planning/AnalyzeUnit.h"
#include "planning/PlanCopyUnit.h"
#include "data/RunState.h"
#include "planning/Evaluation.h"
#include "planning/FoodChooserUnit.h"
#include "widgets/BarChart.h"
#include "widgets/DataGrid.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/SearchEdit.h"
#include "widgets/SpinEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUndoStack>
#include <QApplication>
#include <QFrame>
#include <QtTest>

using namespace nqb;
using fixtures::Values;

namespace {

// A raw food and a dish of the tests' own, with a quote in the name.
const QString kFoodCode = QStringLiteral("99-9-901");
const QString kFoodName = QStringLiteral("测试'豆腐");
const QString kDishId = QStringLiteral("99-901");
const QString kDishName = QStringLiteral("测试'烩菜");

// The main window with its workbench shown, as after accepting a profile.
struct Bench {
    TestEnv env;
    ScriptedPrompt prompts;
    TMain main;
    TAnalyze *w = nullptr;

    explicit Bench(int mealPattern = 0)
    {
        if (mealPattern)
            writeMealPattern(mealPattern);
        main.setWorkbenchFactory([this](QWidget *panel) { return TAnalyze::create(panel, main.runState()); });
        main.show();
        w = qobject_cast<TAnalyze *>(main.Workbench());
        if (!w)
            qFatal("no workbench");
        TAnalyzeInsert::createInstance(&main);
        main.showEmbedded(w);
    }
    TFoodChooser *chooser() const { return w->chooser(); }
};

double entry(const QString &column, const QString &name, const QString &week, const QString &slot)
{
    return fixtures::entryValue(column, name, week, slot);
}

int entries(const QString &where = QString(), const QVariantList &binds = {})
{
    return fixtures::value(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp ") + where, binds).toInt();
}

double requirement(const QString &remark, const QString &column)
{
    return toNumber(fixtures::value(QStringLiteral("SELECT %1 FROM DRIs_tmp WHERE REMARK=? ORDER BY rowid LIMIT 1")
                                        .arg(column),
                                    {remark}));
}

// Lists names through the search box on the given tree page.
void search(TFoodChooser *c, bool dishes, const QString &text)
{
    c->pageControl()->setCurrentIndex(dishes ? 0 : 1);
    c->searchBox()->setText(text);
    c->runSearch();
}

// Makes name the pick list's current cell and clicks it.
bool pick(TFoodChooser *c, const QString &name)
{
    PickList *l = c->pickList();
    for (int r = 0; r < l->rowCount(); ++r)
        for (int col = 0; col < l->columnCount(); ++col) {
            if (l->item(r, col) && l->item(r, col)->text() == name) {
                l->setCurrentCell(r, col);
                emit l->cellClicked(r, col);
                return true;
            }
        }
    return false;
}

// Makes the row of name the grid's current row.
bool selectRow(DataGrid *g, const QString &field, const QString &value)
{
    for (int r = 0; r < g->rowCount(); ++r) {
        if (g->value(r, field).toString() == value) {
            g->setCurrentIndex(g->model()->index(r, g->column(field)));
            return true;
        }
    }
    return false;
}

// The add dialog opened by the workbench for its choice (as a double click
// does), weight typed, accepted; a refused weight leaves the dialog open, and
// it is then closed.
void addChosen(TAnalyze *w, const QString &weight)
{
    onNextModal([&](QWidget *m) {
        auto *d = qobject_cast<TAnalyzeInsert *>(m);
        QVERIFY(d);
        d->weightEdit()->setText(weight);
        d->Accept();
        if (d->isVisible())
            d->reject();
    });
    emit w->chooser()->addRequested();
}

void showSlot(TAnalyze *w, plan::MealSlot s)
{
    w->showSlotPage(&s);
}

bool tabShown(TAnalyze *w, const QString &caption)
{
    QTabWidget *t = w->pageControl();
    for (int i = 0; i < t->count(); ++i)
        if (t->tabText(i) == caption)
            return t->isTabVisible(i);
    return false;
}

QString footer(TAnalyze *w, const char *column)
{
    return w->drisGrid()->footerText(QString::fromLatin1(column));
}

QColor footerColour(TAnalyze *w, const char *column)
{
    return w->drisGrid()->footerColor(w->drisGrid()->column(QString::fromLatin1(column)));
}

double bar(TAnalyze *w, const QString &label)
{
    const int i = w->chart()->indexOf(label);
    return i < 0 ? -1 : w->chart()->bars().at(i).value;
}

} // namespace

class WorkbenchTest : public QObject
{
    Q_OBJECT
private slots:
    void createdHiddenWithItsControls();
    void showingResetsDayPageAndModeButKeepsPercentages();
    void addDialogAppliesAmountRuleAndRefusesDuplicates();
    void changeWeightRescalesAndRecomputesFromZero();
    void deleteAndClearAskFirst();
    void mealPatternDecidesPagesAndSlotChoices();
    void markersAtExactBoundsAndBarRounding();
    void percentageScalesTheStandard();
    void hiddenColumnLosesItsBarButKeepsItsMarker();
    void chooserListsSortsAndShowsDetails();
    void quantifiedMenuAddsFoodsAndDishesWithTheirCode();
    void profileToMondayPlanEndToEnd();
    void evaluationFooterStaysInViewAfterARefresh();
    void shownEvaluationIsTheCoreEvaluationOfTheDay();
    void copyAndUndoFromTheWorkbench();
    void addDialogWeightHasACalculator();
};

// ---------------------------------------------------------------- window

void WorkbenchTest::createdHiddenWithItsControls()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TMain main;
    main.setWorkbenchFactory([&main](QWidget *panel) { return TAnalyze::create(panel, main.runState()); });
    main.show();
    auto *w = qobject_cast<TAnalyze *>(main.Workbench());
    QVERIFY(w);
    QCOMPARE(w->parentWidget(), main.Panel());
    QVERIFY(w->isHidden());
    QCOMPARE(TAnalyze::instance(), w);

    // The default picture, saved in the program folder at creation.
    const QImage pic(env.programDir() + "/NQB.bmp");
    QCOMPARE(pic.size(), QSize(120, 100));
    QCOMPARE(w->chooser()->picturePath(), env.programDir() + "/NQB.bmp");
    // The nutrient choice is filled and shows its prompt.
    QVERIFY(w->chooser()->elementCombo()->count() > 20);
    QCOMPARE(w->chooser()->elementCombo()->currentIndex(), -1);

    // Pages and grids.
    const QStringList tabs{"总计", "早餐", "早间餐", "午餐", "午间餐", "晚餐", "晚间餐", "加餐"};
    QCOMPARE(w->pageControl()->count(), 8);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(w->pageControl()->tabText(i), tabs[i]);
    for (const char *g : {"Total_grid", "Brakfirst_Grid", "BrakfirstMid_Grid", "Lunch_Grid", "LunchMid_Grid",
                          "Supper_Grid", "SupperMid_Grid", "Middlenight_Grid"}) {
        auto *grid = w->findChild<DataGrid *>(g);
        QVERIFY2(grid, g);
        QCOMPARE(grid->toolTip(), QStringLiteral("单击右键选择元素种类"));
    }
    w->OpenTotals();
    DataGrid *total = w->totalGrid();
    QCOMPARE(total->columnCount(), 41);
    QVERIFY(!total->isColumnVisible("CODE"));
    QCOMPARE(total->frozenColumn(), total->column("FOODNAME"));
    QCOMPARE(total->footerText("FOODNAME"), QStringLiteral("总计："));
    QCOMPARE(total->title(total->column("VITA")), QStringLiteral("维生素 A|VitA[ugRE]"));
    QCOMPARE(w->gridMenu()->actions().first()->text(), QStringLiteral("成分选择(&Select)"));

    // Buttons: delete and clear work; the four windows are connected later.
    const QList<QPair<const char *, const char *>> buttons{{"Del_btn", "删 除"},     {"ClearAll_btn", "清 空"},
                                                           {"WeekSum_btn", "一 周统 计"}, {"Save_btn", "保 存"},
                                                           {"Load_btn", "读 取"},   {"Report_btn", "打 印"}};
    for (const auto &b : buttons) {
        QPushButton *btn = w->button(b.first);
        QVERIFY(btn);
        QCOMPARE(btn->text(), QString::fromUtf8(b.second));
    }
    QVERIFY(w->button("Del_btn")->isEnabled());
    for (const char *name : {"WeekSum_btn", "Save_btn", "Load_btn", "Report_btn"})
        QVERIFY2(w->button(name)->isEnabled(), name);
    int weekSums = 0;
    w->setCommand("WeekSum_btn", [&](TAnalyze *bench) {
        QCOMPARE(bench, w);
        ++weekSums;
    });
    QVERIFY(w->button("WeekSum_btn")->isEnabled());
    w->button("WeekSum_btn")->click();
    QCOMPARE(weekSums, 1);

    // The percentage: 20 ... 150 in steps of 5, not typed into.
    SpinEdit *q = w->percentEdit();
    QCOMPARE(q->objectName(), QStringLiteral("Quotiety_edt"));
    QCOMPARE(q->minimum(), 20);
    QCOMPARE(q->maximum(), 150);
    QCOMPARE(q->singleStep(), 5);
    QCOMPARE(q->value(), 100);
    QVERIFY(!q->typingAllowed());
    q->setValue(20);
    q->stepDown();
    QCOMPARE(q->value(), 20);
    q->setValue(150);
    q->stepUp();
    QCOMPARE(q->value(), 150);
    QVERIFY(prompts.messages.isEmpty());
}

void WorkbenchTest::showingResetsDayPageAndModeButKeepsPercentages()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(w->isVisible());
    QVERIFY(w->weekdayRadio(0)->isChecked());
    QCOMPARE(w->resultFrame()->title(), QStringLiteral("周日统计结果"));
    QCOMPARE(w->weekdayRadio(0)->palette().color(QPalette::WindowText), QColor(Qt::red));
    QVERIFY(w->chooser()->foodTree()->topLevelItemCount() > 0);
    QVERIFY(w->chooser()->dishTree()->topLevelItemCount() > 0);

    // 周二 at 80, 周三 stays 100, back to 周二 shows 80 again.
    w->checkWeekday(2);
    QCOMPARE(w->currentWeekday(), QStringLiteral("TUE"));
    QCOMPARE(w->resultFrame()->title(), QStringLiteral("周二统计结果"));
    QCOMPARE(w->weekdayRadio(2)->palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(w->weekdayRadio(0)->palette().color(QPalette::WindowText), QColor(Qt::black));
    w->percentEdit()->setValue(80);
    QCOMPARE(w->coefficient(), 0.8);
    w->checkWeekday(3);
    QCOMPARE(w->percentEdit()->value(), 100);
    QCOMPARE(w->coefficient(), 1.0);
    w->checkWeekday(2);
    QCOMPARE(w->percentEdit()->value(), 80);
    QCOMPARE(w->percentages(), QStringList({"100", "100", "80", "100", "100", "100", "100"}));

    // Hiding and showing again: 周日, total page, list mode; the percentages stay.
    showSlot(w, plan::MealSlot::Lunch);
    QCOMPARE(w->currentSlot(), QStringLiteral("午餐"));
    w->chooser()->setListMode(false);
    b.main.switchPage(1);
    QVERIFY(!w->isVisible());
    b.main.showEmbedded(w);
    QCOMPARE(w->currentWeekday(), QStringLiteral("SUN"));
    QVERIFY(w->isTotalPageShown());
    QVERIFY(w->chooser()->isListMode());
    QVERIFY(!w->AQDinerTime()->query().isActive());
    QCOMPARE(w->percentages().at(2), QStringLiteral("80"));
    QVERIFY(b.prompts.messages.isEmpty());
}

// ---------------------------------------------------------------- entries

void WorkbenchTest::addDialogAppliesAmountRuleAndRefusesDuplicates()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(fixtures::insertFood(kFoodCode, kFoodName, 80, {{"PROCNT", 3.2}, {"CA", 10}}));
    search(b.chooser(), false, "测试'");
    QVERIFY(pick(b.chooser(), kFoodName));

    // An empty weight is refused and nothing is written.
    showSlot(w, plan::MealSlot::Breakfast);
    addChosen(w, "  ");
    QCOMPARE(b.prompts.lastText(), QStringLiteral("重量不能为空!"));
    QCOMPARE(b.prompts.messages.last().title, QStringLiteral("警告"));
    QCOMPARE(entries(), 0);

    // 150 g, edible 80, protein 3.2 per 100 g -> 3.84 g.
    b.prompts.clear();
    addChosen(w, "150");
    QVERIFY2(b.prompts.messages.isEmpty(), qPrintable(b.prompts.texts().join('\n')));
    QCOMPARE(TAnalyzeInsert::instance()->foodCode(), kFoodCode);
    QCOMPARE(entry("PROCNT", kFoodName, "SUN", "早餐"), 3.84);
    QCOMPARE(entry("EDIBLE", kFoodName, "SUN", "早餐"), 80.0);
    QCOMPARE(fixtures::value("SELECT CODE || DINERTMP FROM NQBNutri_tmp").toString(), kFoodCode + "A");
    // The breakfast page and the totals show it at once.
    QCOMPARE(w->slotGrid(plan::MealSlot::Breakfast)->rowCount(), 1);
    QCOMPARE(w->totalGrid()->footerValue("PROCNT"), 3.84);
    QCOMPARE(requirement("实际", "PROCNT"), 3.84);

    // Same food, same day and slot: refused, weight box emptied.
    addChosen(w, "100");
    QCOMPARE(b.prompts.lastText(), QStringLiteral("该食物以存在,不能添加!"));
    QCOMPARE(b.prompts.messages.last().title, QStringLiteral("警告"));
    QVERIFY(TAnalyzeInsert::instance()->weightEdit()->text().isEmpty());
    QCOMPARE(entries(), 1);

    // Another slot of the same day, and the same slot of another day, are fine.
    b.prompts.clear();
    showSlot(w, plan::MealSlot::Lunch);
    addChosen(w, "100");
    w->checkWeekday(1);
    showSlot(w, plan::MealSlot::Breakfast);
    addChosen(w, "50");
    QVERIFY(b.prompts.messages.isEmpty());
    QCOMPARE(entries("WHERE WEEK='SUN'"), 2);
    QCOMPARE(entries("WHERE WEEK='MON'"), 1);
    QCOMPARE(entry("PROCNT", kFoodName, "MON", "早餐"), 1.28);
    // 周一's totals do not include 周日's entries.
    QCOMPARE(w->totalGrid()->rowCount(), 1);
    QCOMPARE(w->totalGrid()->footerValue("PROCNT"), 1.28);
    // Back on 周日 with the breakfast page shown: 周日's breakfast.
    w->checkWeekday(0);
    QCOMPARE(w->slotGrid(plan::MealSlot::Breakfast)->rowCount(), 1);
    QCOMPARE(w->slotGrid(plan::MealSlot::Breakfast)->footerValue("WEIGHT"), 150.0);

    // On the total page the slot radio keeps its last choice.
    w->showSlotPage(nullptr);
    TAnalyzeInsert::instance()->prepare(w->addRequest());
    QVERIFY(TAnalyzeInsert::instance()->slotRadio(plan::MealSlot::Breakfast)->isChecked());
    // A weight with two points is no number: nothing is written.
    b.prompts.clear();
    showSlot(w, plan::MealSlot::Supper);
    addChosen(w, "1..2");
    QCOMPARE(b.prompts.messages.size(), 1);
    QCOMPARE(entries(), 3);
    // An empty pick list cell opens nothing.
    b.chooser()->pickList()->setCurrentCell(-1, -1);
    QVERIFY(b.chooser()->chosenName().isEmpty());
}

void WorkbenchTest::changeWeightRescalesAndRecomputesFromZero()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(fixtures::insertFood(kFoodCode, kFoodName, 80, {{"PROCNT", 3.2}, {"FAT", 1.5}, {"CA", 10}}));
    search(b.chooser(), false, "测试");
    QVERIFY(pick(b.chooser(), kFoodName));
    showSlot(w, plan::MealSlot::Lunch);
    addChosen(w, "150");
    const QStringList comp = compositionColumns();
    QList<double> before;
    for (const auto &c : comp)
        before << entry(c, kFoodName, "SUN", "午餐");

    // From the total page: the row's slot becomes the current slot.
    w->showSlotPage(nullptr);
    QVERIFY(selectRow(w->totalGrid(), "FOODNAME", kFoodName));
    onNextModal([&](QWidget *m) {
        auto *d = qobject_cast<TAnalyzeEdit *>(m);
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("修改"));
        QCOMPARE(d->oldWeightEdit()->text(), QStringLiteral("150"));
        QCOMPARE(w->currentSlot(), QStringLiteral("午餐"));
        d->newWeightEdit()->setText("");
        d->Accept();
        QCOMPARE(b.prompts.lastText(), QStringLiteral("食物重量不能为空!"));
        d->newWeightEdit()->setText("300");
        d->Accept();
    });
    w->ChangeWeight();
    for (int i = 0; i < comp.size(); ++i)
        QCOMPARE(entry(comp[i], kFoodName, "SUN", "午餐"), before[i] * 2);
    QCOMPARE(entry("EDIBLE", kFoodName, "SUN", "午餐"), 80.0);
    QCOMPARE(w->totalGrid()->footerValue("WEIGHT"), 300.0);
    QCOMPARE(requirement("实际", "PROCNT"), 7.68);

    // To 0 and back: the amounts come from the food table again.
    for (const char *weight : {"0", "100"}) {
        QVERIFY(selectRow(w->totalGrid(), "FOODNAME", kFoodName));
        onNextModal([&](QWidget *m) {
            auto *d = qobject_cast<TAnalyzeEdit *>(m);
            QVERIFY(d);
            d->newWeightEdit()->setText(weight);
            d->Accept();
        });
        w->ChangeWeight();
    }
    QCOMPARE(entry("PROCNT", kFoodName, "SUN", "午餐"), 2.56);
    QCOMPARE(entry("CA", kFoodName, "SUN", "午餐"), 8.0);

    // No row selected: nothing to change.
    w->totalGrid()->setCurrentIndex(QModelIndex());
    TAnalyzeEdit none(w->editRequest());
    QCOMPARE(none.findChild<QLabel *>("Panel1")->text(), QStringLiteral("没有选中食物!"));
    QVERIFY(!none.acceptButton()->isEnabled());
}

void WorkbenchTest::deleteAndClearAskFirst()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(fixtures::insertEntry("SUN", "早餐", kFoodName, 100, {{"PROCNT", 5}}, kFoodCode));
    QVERIFY(fixtures::insertEntry("SUN", "午餐", kFoodName, 100, {{"PROCNT", 5}}, kFoodCode));
    QVERIFY(fixtures::insertEntry("MON", "早餐", "米饭", 100, {{"PROCNT", 2}}, "01-1-201"));
    QVERIFY(fixtures::insertEntry("SAT", "加餐", "无编号", 100, {{"PROCNT", 2}}, QString()));
    w->RefreshPlan();
    QCOMPARE(w->totalGrid()->footerValue("PROCNT"), 10.0);

    // No: nothing happens.
    QVERIFY(selectRow(w->totalGrid(), "DINERTIME", "午餐"));
    w->button("Del_btn")->click();
    QCOMPARE(b.prompts.messages.last().title, QStringLiteral("提示"));
    QCOMPARE(b.prompts.lastText(), QStringLiteral("确认删除？"));
    QCOMPARE(entries(), 4);
    // Yes on the total page: that row's slot only.
    b.prompts.answers << true;
    w->button("Del_btn")->click();
    QCOMPARE(entries("WHERE WEEK='SUN'"), 1);
    QCOMPARE(w->currentSlot(), QStringLiteral("午餐"));
    QCOMPARE(w->totalGrid()->footerValue("PROCNT"), 5.0);
    QCOMPARE(requirement("实际", "PROCNT"), 5.0);

    // An entry without identifier is deleted by its name (on its slot page).
    w->checkWeekday(6);
    showSlot(w, plan::MealSlot::Midnight);
    QVERIFY(selectRow(w->slotGrid(plan::MealSlot::Midnight), "FOODNAME", "无编号"));
    b.prompts.answers << true;
    w->Delete();
    QCOMPARE(entries("WHERE WEEK='SAT'"), 0);

    // Clear: every weekday, after asking.
    w->button("ClearAll_btn")->click();
    QCOMPARE(b.prompts.lastText(), QStringLiteral("确认清空？"));
    QCOMPARE(entries(), 2);
    b.prompts.answers << true;
    w->button("ClearAll_btn")->click();
    QCOMPARE(entries(), 0);
    QCOMPARE(w->totalGrid()->rowCount(), 0);
}

void WorkbenchTest::mealPatternDecidesPagesAndSlotChoices()
{
    {
        Bench b(2);
        QCOMPARE(b.main.GetMealPattern(), 2);
        for (const char *t : {"总计", "早餐", "早间餐", "午餐", "午间餐", "晚餐"})
            QVERIFY2(tabShown(b.w, QString::fromUtf8(t)), t);
        QVERIFY(!tabShown(b.w, "晚间餐"));
        QVERIFY(!tabShown(b.w, "加餐"));

        TAnalyzeInsert *d = TAnalyzeInsert::instance();
        // A slot the pattern hides is not kept as the choice.
        d->slotRadio(plan::MealSlot::Midnight)->setChecked(true);
        d->prepare(b.w->addRequest());
        QList<plan::MealSlot> offered;
        for (const auto &s : plan::mealSlots())
            if (!d->slotRadio(s.slot)->isHidden())
                offered << s.slot;
        QCOMPARE(offered, plan::slotsInUse(2));
        QCOMPARE(d->checkedSlot(), plan::MealSlot::Breakfast);
        QCOMPARE(d->slotRadio(plan::MealSlot::BreakfastMid)->text(), QStringLiteral("早间餐"));

        // A change of the settings counts from the next showing.
        writeMealPattern(1);
        b.main.switchPage(0);
        b.main.showEmbedded(b.w);
        QCOMPARE(b.main.GetMealPattern(), 1);
        QVERIFY(tabShown(b.w, "加餐"));
        QVERIFY(!tabShown(b.w, "早间餐"));
        d->prepare(b.w->addRequest());
        QVERIFY(!d->slotRadio(plan::MealSlot::Midnight)->isHidden());
        QVERIFY(d->slotRadio(plan::MealSlot::LunchMid)->isHidden());
    }
    Bench three(3);
    QVERIFY(tabShown(three.w, "晚间餐"));
    QVERIFY(!tabShown(three.w, "加餐"));
}

// ---------------------------------------------------------------- evaluation

void WorkbenchTest::markersAtExactBoundsAndBarRounding()
{
    Bench b;
    TAnalyze *w = b.w;
    // RNI, EAR and UL chosen per nutrient; every other nutrient 0.
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 0,
                                        {{"PROCNT", 80}, {"FAT", 100}, {"CA", 800}, {"FE", 10}, {"ZN", 0}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 0, {{"PROCNT", 50}, {"FAT", 40}, {"CA", 600}, {"FE", 8}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 0,
                                        {{"PROCNT", 90}, {"FAT", 63.5}, {"CA", 2000}, {"FE", 40}}));
    // Protein exactly at EAR, fat exactly at UL, calcium below EAR, iron above
    // UL; zinc above 0 with a standard of 0.
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "甲", 100,
                                  {{"PROCNT", 50}, {"FAT", 63.5}, {"CA", 599.9}, {"FE", 40.0001}, {"ZN", 3}}));
    w->RefreshAll();

    QCOMPARE(footer(w, "PROCNT"), QStringLiteral("ok"));
    QCOMPARE(footerColour(w, "PROCNT"), QColor(0, 255, 0));
    QCOMPARE(footer(w, "FAT"), QStringLiteral("ok"));
    QCOMPARE(footer(w, "CA"), QStringLiteral("－"));
    QCOMPARE(footerColour(w, "CA"), QColor(0, 0, 255));
    QCOMPARE(footer(w, "FE"), QStringLiteral("＋"));
    QCOMPARE(footerColour(w, "FE"), QColor(255, 0, 0));
    // UL 0 (or empty): any intake above it that is not low is too high.
    QCOMPARE(footer(w, "ZN"), QStringLiteral("＋"));
    // An empty day part: 0 with EAR 0 and UL 0 is within range.
    QCOMPARE(footer(w, "VITC"), QStringLiteral("ok"));
    QCOMPARE(w->drisGrid()->footerText("REMARK"), QStringLiteral("结果"));
    QCOMPARE(w->drisGrid()->footerColor(w->drisGrid()->column("REMARK")), QColor(Qt::red));

    // Bars: 50 / 80 = 62.5 % -> 62, 63.5 / 100 = 63.5 % -> 64; standard 0 -> 0.
    QCOMPARE(bar(w, "蛋"), 62.0);
    QCOMPARE(bar(w, "脂"), 64.0);
    QCOMPARE(bar(w, "锌"), 0.0);
    QCOMPARE(w->chart()->count(), 25);
    QCOMPARE(w->chart()->bars().at(w->chart()->indexOf("钙")).color, QColor(0, 0, 255));
    // The grid shows the two rows in table order.
    QCOMPARE(w->drisGrid()->rowCount(), 2);
    QCOMPARE(requirement("实际", "FE"), 40.0001);
    QCOMPARE(requirement("标准", "PROCNT"), 80.0);
}

void WorkbenchTest::percentageScalesTheStandard()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 0, {{"PROCNT", 80}, {"ENERC_kJ", 8000}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 0, {{"PROCNT", 60}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 0, {{"PROCNT", 100}}));
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "甲", 100, {{"PROCNT", 40}, {"ENERC_kJ", 4000}}));
    w->RefreshAll();
    QCOMPARE(footer(w, "PROCNT"), QStringLiteral("－"));
    QCOMPARE(bar(w, "蛋"), 50.0);

    // At 50 % the stored standard is halved at once, and half the RNI is 100 %.
    w->percentEdit()->setValue(50);
    QCOMPARE(requirement("标准", "PROCNT"), 40.0);
    QCOMPARE(requirement("标准", "ENERC_kJ"), 4000.0);
    QCOMPARE(bar(w, "蛋"), 100.0);
    QCOMPARE(bar(w, "能量"), 100.0);
    // The bounds scale too: EAR 30, UL 50.
    QCOMPARE(footer(w, "PROCNT"), QStringLiteral("ok"));
    w->percentEdit()->setValue(35);
    QCOMPARE(footer(w, "PROCNT"), QStringLiteral("＋"));
    QCOMPARE(w->percentages().at(0), QStringLiteral("35"));
}

void WorkbenchTest::hiddenColumnLosesItsBarButKeepsItsMarker()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 10));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 5));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 20));
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "甲", 100, {{"PROCNT", 30}, {"ENERC_kcal", 1}, {"ENERC_kJ", 4}}));
    w->RefreshAll();
    QCOMPARE(w->chart()->count(), 25);
    showSlot(w, plan::MealSlot::Breakfast);

    // The column selector, as the grid's menu opens it: protein and energy off.
    onNextModal([](QWidget *d) {
        auto *sel = qobject_cast<TBasicNutri *>(d);
        QVERIFY(sel);
        sel->box("PROCNT_chk")->setChecked(false);
        sel->box("ENERC_kcal_chk")->setChecked(false);
        sel->Apply();
    });
    w->gridMenu()->actions().first()->trigger();

    QVERIFY(!w->totalGrid()->isColumnVisible("PROCNT"));
    QVERIFY(!w->slotGrid(plan::MealSlot::Breakfast)->isColumnVisible("PROCNT"));
    // No food was picked yet: the chooser's composition grid takes the choice
    // when a food fills it.
    QCOMPARE(w->chooser()->compositionGrid()->column("PROCNT"), -1);
    QVERIFY(fixtures::insertFood("99-9-901", "选择后食物", 100, {{"PROCNT", 5}, {"FAT", 2}}));
    search(w->chooser(), false, "选择后");
    QVERIFY(pick(w->chooser(), "选择后食物"));
    QVERIFY(w->chooser()->compositionGrid()->column("PROCNT") >= 0);
    QVERIFY(!w->chooser()->compositionGrid()->isColumnVisible("PROCNT"));
    QVERIFY(w->chooser()->compositionGrid()->isColumnVisible("FAT"));
    QCOMPARE(w->chart()->indexOf("蛋"), -1);
    QCOMPARE(w->chart()->indexOf("能量"), -1);
    QCOMPARE(w->chart()->count(), 23);
    QVERIFY(!w->drisGrid()->isColumnVisible("PROCNT"));
    QVERIFY(!w->drisGrid()->isColumnVisible("ENERC_kcal"));
    QVERIFY(!w->drisGrid()->isColumnVisible("ENERC_kJ"));
    QVERIFY(w->drisGrid()->isColumnVisible("FAT"));
    // The marker is still computed.
    QCOMPARE(footer(w, "PROCNT"), QStringLiteral("＋"));
    // Another slot page takes the choice when it is shown.
    showSlot(w, plan::MealSlot::Supper);
    QVERIFY(!w->slotGrid(plan::MealSlot::Supper)->isColumnVisible("PROCNT"));
    QVERIFY(w->slotGrid(plan::MealSlot::Supper)->isColumnVisible("FAT"));
}

// ---------------------------------------------------------------- chooser

void WorkbenchTest::chooserListsSortsAndShowsDetails()
{
    Bench b;
    TFoodChooser *c = b.chooser();
    QVERIFY(fixtures::insertFood("99-9-801", "测试甲", 100, {{"PROCNT", 5}}));
    QVERIFY(fixtures::insertFood("99-9-802", "测试乙", 100, {{"PROCNT", 20}}));
    QVERIFY(fixtures::insertFood("99-9-803", "测试丙", 100, {{"PROCNT", 12}}));
    QVERIFY(fixtures::run("UPDATE Nutri_tb SET PYJM='QQXZB', FoodDescribe='白色' WHERE Code='99-9-803'"));

    // Search by pinyin initials, typed in small letters.
    QTest::keyClicks(c->searchBox(), "qxz");
    QCOMPARE(c->searchBox()->text(), QStringLiteral("QXZ"));
    QTest::keyClick(c->searchBox(), Qt::Key_Return);
    QCOMPARE(c->pickList()->names(), QStringList({"测试丙"}));

    // By name, then re-sorted by protein: the richest first, the next beside it.
    search(c, false, "测试");
    QCOMPARE(c->pickList()->names(), QStringList({"测试甲", "测试乙", "测试丙"}));
    const int protein = c->elementCombo()->findText("蛋白质");
    QVERIFY(protein >= 0);
    c->elementCombo()->setCurrentIndex(protein);
    QCOMPARE(c->pickList()->names(), QStringList({"测试乙", "测试丙", "测试甲"}));
    QCOMPARE(c->pickList()->item(0, 1)->text(), QStringLiteral("测试丙"));

    // A click shows the composition, the description and the default picture;
    // it also puts the search prompt back.
    QVERIFY(pick(c, "测试丙"));
    QVERIFY(c->searchBox()->isShowingPrompt());
    QCOMPARE(c->compositionFrame()->title(), QStringLiteral("每100g可食部分【测试丙】所含营养成分"));
    QCOMPARE(c->AQFoodSum()->rowCount(), 1);
    QCOMPARE(c->compositionGrid()->value(0, "PROCNT").toDouble(), 12.0);
    QCOMPARE(b.w->findChild<QPlainTextEdit *>("Memo1")->toPlainText(), QStringLiteral("白色"));
    QCOMPARE(c->picturePath(), b.env.programDir() + "/NQB.bmp");
    // A picture of its own is found whatever the letter case of its name.
    QDir(b.env.programDir()).mkpath("FoodImage");
    QImage img(120, 100, QImage::Format_RGB32);
    img.fill(Qt::green);
    QVERIFY(img.save(b.env.programDir() + "/FoodImage/99-9-803.BMP", "BMP"));
    QVERIFY(pick(c, "测试丙"));
    QCOMPARE(c->picturePath(), b.env.programDir() + "/FoodImage/99-9-803.BMP");

    // A click in the search box empties it, also when it holds typed text.
    c->searchBox()->setText("NM");
    QTest::mouseClick(c->searchBox(), Qt::LeftButton);
    QCOMPARE(c->searchBox()->text(), QString());

    // A tree click lists a food group (in code order) and resets the search box.
    c->searchBox()->setText("X");
    QTreeWidget *tree = c->foodTree();
    QTreeWidgetItem *group = tree->topLevelItem(0);
    tree->setCurrentItem(group);
    c->foodTreeClicked();
    QVERIFY(c->searchBox()->isShowingPrompt());
    const QString prefix = group->text(0).left(3);
    const int inGroup = fixtures::value("SELECT COUNT(*) FROM Nutri_tb WHERE substr(Code,1,3)=?", {prefix}).toInt();
    QVERIFY(inGroup > 0);
    QCOMPARE(c->pickList()->names().size(), inGroup);

    // A dish category lists its dishes; a click shows the ingredients.
    QTreeWidget *dishes = c->dishTree();
    dishes->setCurrentItem(dishes->topLevelItem(0));
    c->pageControl()->setCurrentIndex(0);
    c->elementCombo()->setCurrentIndex(-1);
    c->dishTreeClicked();
    const QString kind = dishes->topLevelItem(0)->text(0).left(2);
    const QString firstDish = fixtures::value("SELECT FOODNAME FROM CateNutri_tb WHERE substr(FOODID,1,2)=? "
                                              "ORDER BY FOODID LIMIT 1",
                                              {kind})
                                  .toString();
    QCOMPARE(c->pickList()->names().value(0), firstDish);
    QVERIFY(pick(c, firstDish));
    const int parts = fixtures::value("SELECT COUNT(*) FROM CateComponent_tb, CateNutri_tb, Nutri_tb "
                                      "WHERE CateComponent_tb.FOODID=CateNutri_tb.FOODID "
                                      "AND Nutri_tb.Code=CateComponent_tb.CODE AND CateNutri_tb.FOODNAME=?",
                                      {firstDish})
                          .toInt();
    QCOMPARE(c->AQComponent()->rowCount(), parts);
    // A name in neither table: empty details and the default picture.
    c->showPick("没有这个");
    QCOMPARE(c->AQFoodSum()->rowCount(), 0);
    QCOMPARE(c->picturePath(), b.env.programDir() + "/NQB.bmp");
    QVERIFY(b.prompts.messages.isEmpty());
}

void WorkbenchTest::quantifiedMenuAddsFoodsAndDishesWithTheirCode()
{
    Bench b;
    TAnalyze *w = b.w;
    TFoodChooser *c = b.chooser();
    QVERIFY(fixtures::insertFood(kFoodCode, kFoodName, 80, {{"PROCNT", 3.2}}));
    QVERIFY(fixtures::insertDish(kDishId, kDishName, 90, {{"PROCNT", 10}}));
    QVERIFY(fixtures::run("DELETE FROM CustomPantry_tb"));
    for (const auto &row : QList<QVariantList>{{kDishId, "午餐", kDishName, 200},
                                               {kFoodCode, "午餐", kFoodName, 150},
                                               {"99-998", "午餐", "已删除的菜", 100},
                                               {"99-998", "晚餐", "已删除的菜", 100},
                                               {kFoodCode, "早餐", kFoodName, QVariant()}})
        QVERIFY(fixtures::run("INSERT INTO CustomPantry_tb (PANTRY, DINERTIME, FOODNAME, WEIGHT) VALUES (?,?,?,?)",
                              row));

    // Quantified-menu mode lists the checked slot only.
    c->findChild<QRadioButton *>("SomeFood_rdo")->setChecked(true);
    QVERIFY(!c->isListMode());
    QVERIFY(c->findChild<QGroupBox *>("GroupBox2")->isVisible());
    QVERIFY(!c->pageControl()->isVisible());
    QCOMPARE(c->menuGrid()->rowCount(), 1);
    c->findChild<QRadioButton *>("Lunch_rdo")->setChecked(true);
    QCOMPARE(c->menuSlot(), QStringLiteral("午餐"));
    QCOMPARE(c->menuGrid()->rowCount(), 3);
    QCOMPARE(c->menuGrid()->footerText("FOODNAME"), QStringLiteral("3"));

    // The dish: its usual weight is suggested and its FOODID becomes the code,
    // though the tree page is the raw-food one.
    QCOMPARE(c->currentTable(), FoodKind::RawFood);
    showSlot(w, plan::MealSlot::Lunch);
    QVERIFY(selectRow(c->menuGrid(), "FOODNAME", kDishName));
    c->showMenuRow();
    QCOMPARE(c->AQFoodSum()->rowCount(), 1);
    TAnalyzeInsert *d = TAnalyzeInsert::instance();
    d->prepare(w->addRequest());
    QCOMPARE(d->weightEdit()->text(), QStringLiteral("200"));
    QCOMPARE(d->foodCode(), kDishId);
    d->Accept();
    QCOMPARE(entry("PROCNT", kDishName, "SUN", "午餐"), 18.0);
    QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp WHERE FOODNAME=?", {kDishName}).toString(), kDishId);

    // The raw food, the same way.
    QVERIFY(selectRow(c->menuGrid(), "FOODNAME", kFoodName));
    c->showMenuRow();
    d->prepare(w->addRequest());
    QCOMPARE(d->weightEdit()->text(), QStringLiteral("150"));
    d->Accept();
    QCOMPARE(entry("PROCNT", kFoodName, "SUN", "午餐"), 3.84);
    QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp WHERE FOODNAME=?", {kFoodName}).toString(), kFoodCode);

    // An item whose dish is gone leaves every menu of its name when clicked.
    QVERIFY(selectRow(c->menuGrid(), "FOODNAME", "已删除的菜"));
    c->showMenuRow();
    QCOMPARE(fixtures::value("SELECT COUNT(*) FROM CustomPantry_tb WHERE FOODNAME='已删除的菜'").toInt(), 0);
    QCOMPARE(c->menuGrid()->rowCount(), 2);

    // "编  辑" opens the menu editor and reloads the list when it closes.
    c->setMenuEditorOpener([](QWidget *) {
        fixtures::run("INSERT INTO CustomPantry_tb (PANTRY, DINERTIME, FOODNAME, WEIGHT) VALUES ('01-001','午餐','x',1)");
    });
    c->findChild<QPushButton *>("CateEdit_btn")->click();
    QCOMPARE(c->menuGrid()->rowCount(), 3);
    // By default it is the quantified-menu editor of the program.
    c->setMenuEditorOpener(nullptr);
    QString editorTitle;
    onNextModal([&editorTitle](QWidget *dlg) {
        editorTitle = dlg->windowTitle();
        fixtures::run("DELETE FROM CustomPantry_tb WHERE FOODNAME='x'");
        dlg->close();
    });
    c->findChild<QPushButton *>("CateEdit_btn")->click();
    QCOMPARE(editorTitle, QStringLiteral("编辑"));
    QCOMPARE(c->menuGrid()->rowCount(), 2);
    QVERIFY2(b.prompts.messages.isEmpty(), qPrintable(b.prompts.texts().join('\n')));
}

// ---------------------------------------------------------------- a whole session

void WorkbenchTest::profileToMondayPlanEndToEnd()
{
    Bench b;
    TAnalyze *w = b.w;
    TFoodChooser *c = b.chooser();
    b.main.switchPage(1);
    QVERIFY(!w->isVisible());

    // The profile is accepted: requirement rows written, workbench shown.
    {
        TPersonalInfo profile(testRunState());
        profile.show();
        profile.Accept();
        QVERIFY2(b.prompts.messages.isEmpty(), qPrintable(b.prompts.texts().join('\n')));
    }
    QVERIFY(w->isVisible());
    QVERIFY(requirement("RNI", "PROCNT") > 0);

    w->checkWeekday(1);
    showSlot(w, plan::MealSlot::Breakfast);

    // A raw food from the first food group, by double click and the add dialog.
    QTreeWidget *tree = c->foodTree();
    tree->setCurrentItem(tree->topLevelItem(0));
    c->foodTreeClicked();
    const QString food = c->pickList()->item(0, 0)->text();
    auto addByDoubleClick = [&](const QString &weight) {
        PickList *l = c->pickList();
        l->setCurrentCell(0, 0);
        onNextModal([weight](QWidget *dlg) {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("增加"));
            auto *edit = dlg->findChild<NumericEdit *>("Weight_edt");
            QTest::keyClicks(edit, weight + "kg"); // letters are dropped
            QTest::keyClick(edit, Qt::Key_Return);
        });
        // A click shows the item, a double click brings the add dialog.
        const QPoint at = l->visualItemRect(l->item(0, 0)).center();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(c->compositionFrame()->title(), QStringLiteral("每100g可食部分【%1】所含营养成分").arg(l->item(0, 0)->text()));
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
    };
    addByDoubleClick("120");
    QVERIFY2(b.prompts.messages.isEmpty(), qPrintable(b.prompts.texts().join('\n')));
    QCOMPARE(entries("WHERE WEEK='MON' AND DINERTIME='早餐' AND FOODNAME=?", {food}), 1);

    // A dish of the first category for lunch.
    showSlot(w, plan::MealSlot::Lunch);
    c->pageControl()->setCurrentIndex(0);
    QTreeWidget *dishes = c->dishTree();
    dishes->setCurrentItem(dishes->topLevelItem(0));
    c->dishTreeClicked();
    const QString dish = c->pickList()->item(0, 0)->text();
    addByDoubleClick("250.5");
    QCOMPARE(entries("WHERE WEEK='MON' AND DINERTIME='午餐' AND FOODNAME=?", {dish}), 1);

    // The dish's entry: its own EDIBLE and per-100 g content, its FOODID.
    const auto dishRow = fixtures::rows("SELECT FOODID, EDIBLE, PROCNT, CA FROM CateNutri_tb WHERE FOODNAME=?", {dish});
    QCOMPARE(dishRow.size(), 1);
    const int edible = plan::edibleWhole(dishRow[0][1]);
    QCOMPARE(fixtures::value("SELECT CODE FROM NQBNutri_tmp WHERE FOODNAME=?", {dish}).toString(),
             dishRow[0][0].toString());
    QCOMPARE(entry("EDIBLE", dish, "MON", "午餐"), double(edible));
    QCOMPARE(entry("PROCNT", dish, "MON", "午餐"), plan::entryAmount(toNumber(dishRow[0][2]), 250.5, edible));
    QCOMPARE(entry("CA", dish, "MON", "午餐"), plan::entryAmount(toNumber(dishRow[0][3]), 250.5, edible));

    // The evaluation: 实际 = the day's totals, 标准 = RNI, markers by the rule.
    QVERIFY(b.prompts.messages.isEmpty());
    const QStringList req = requirementColumns();
    const auto totals = plan::dayTotals("MON");
    for (int k = 0; k < kRequirementCount; ++k) {
        const int ci = compositionIndexOfRequirement(k);
        QCOMPARE(requirement("实际", req[k]), totals[ci]);
        QCOMPARE(requirement("标准", req[k]), requirement("RNI", req[k]));
        const eval::Marker m =
            eval::markerFor(totals[ci], requirement("EAR", req[k]), requirement("UL", req[k]));
        QCOMPARE(w->drisGrid()->footerText(req[k]), eval::markerText(m));
    }
    QVERIFY(totals[compositionIndex("PROCNT")] > 0);
    QCOMPARE(w->totalGrid()->rowCount(), 2);
    QCOMPARE(w->resultFrame()->title(), QStringLiteral("周一统计结果"));
    // Sunday stays empty.
    QCOMPARE(entries("WHERE WEEK='SUN'"), 0);
}

void WorkbenchTest::evaluationFooterStaysInViewAfterARefresh()
{
    Bench b;
    QTest::qWait(20);
    b.w->grab(); // painted once, as on screen
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO NQBNutri_tmp (DINERTMP, CODE, FOODNAME, WEEK, DINERTIME, WEIGHT, EDIBLE, PROCNT) "
                   "VALUES ('A', '01-1-101', 'x', 'SUN', '早餐', 100, 100, 10)"));
    b.w->RefreshPlan();
    QTest::qWait(20);
    // What the user sees on the strip below the rows is the marker row, not
    // the scroll bar that lies under it.
    auto *grid = b.w->findChild<DataGrid *>("DRIs_Grid");
    QWidget *bar = grid->horizontalScrollBar();
    QWidget *seen = grid->childAt(bar->mapTo(grid, QPoint(bar->width() / 2, 2)));
    QVERIFY(seen);
    QVERIFY2(seen != bar && seen != bar->parentWidget(), seen->metaObject()->className());
}

void WorkbenchTest::shownEvaluationIsTheCoreEvaluationOfTheDay()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 10));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 6));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 12));
    // Amounts with more than four decimals, in two slots and on another day.
    QVERIFY(fixtures::insertEntry("MON", "早餐", "甲", 100, {{"PROCNT", 3.33333}, {"FAT", 7.77777}, {"CA", 4}}));
    QVERIFY(fixtures::insertEntry("MON", "午餐", "乙", 50, {{"PROCNT", 2.66669}, {"FAT", 4.44446}, {"VITC", 20}}));
    QVERIFY(fixtures::insertEntry("SUN", "午餐", "丙", 50, {{"PROCNT", 99}}));
    w->checkWeekday(1);
    w->percentEdit()->setValue(90);

    const eval::Evaluation e = eval::evaluateDay(QStringLiteral("MON"), 0.9);
    QVERIFY(e.ok());
    const QStringList req = requirementColumns();
    for (int k = 0; k < kRequirementCount; ++k) {
        QCOMPARE(w->totalGrid()->footerValue(req[k]), e.nutrients[k].actual);
        QCOMPARE(footer(w, req[k].toLatin1().constData()), eval::markerText(e.nutrients[k].marker));
    }
    // Monday only, against the standard scaled by 90 %: 6.0000 g protein is
    // within 5.4 … 10.8, 12.2222 g fat above, 4 mg calcium below.
    QCOMPARE(w->totalGrid()->footerValue("PROCNT"), 6.0);
    QCOMPARE(footer(w, "PROCNT"), QStringLiteral("ok"));
    QCOMPARE(footer(w, "FAT"), QStringLiteral("＋"));
    QCOMPARE(footer(w, "CA"), QStringLiteral("－"));
}

void WorkbenchTest::copyAndUndoFromTheWorkbench()
{
    Bench b;
    TAnalyze *w = b.w;
    QVERIFY(fixtures::insertEntry("MON", "早餐", "馒头", 100, {{"PROCNT", 7}}, "01-1-301"));
    QVERIFY(fixtures::insertEntry("MON", "午餐", "米饭", 150, {{"PROCNT", 4}}, "01-2-201"));
    w->checkWeekday(1);
    QVERIFY(!w->button("Undo_btn")->isEnabled());

    // Monday's breakfast to Tuesday and Wednesday, from the breakfast page.
    showSlot(w, plan::MealSlot::Breakfast);
    onNextModal([](QWidget *m) {
        auto *d = qobject_cast<TPlanCopy *>(m);
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("复制配餐"));
        QVERIFY(!d->findChild<QCheckBox *>("MON_chk")->isEnabled());
        QCOMPARE(d->findChild<QComboBox *>("Slot_cmb")->currentText(), QStringLiteral("早餐"));
        d->findChild<QCheckBox *>("TUE_chk")->setChecked(true);
        d->findChild<QCheckBox *>("WED_chk")->setChecked(true);
        d->findChild<QPushButton *>("Accept_btn")->click();
    });
    w->button("Copy_btn")->click();
    QCOMPARE(b.prompts.lastText(), QStringLiteral("已复制 2 条。"));
    QCOMPARE(entries(), 4);
    QCOMPARE(w->button("Undo_btn")->toolTip(), QStringLiteral("撤销：复制 周一"));

    // A delete, undone with Ctrl+Z and redone with the button.
    QVERIFY(selectRow(w->slotGrid(plan::MealSlot::Breakfast), "FOODNAME", "馒头"));
    b.prompts.answers << true;
    w->button("Del_btn")->click();
    QCOMPARE(entries("WHERE WEEK='MON'"), 1);
    QCOMPARE(w->button("Undo_btn")->toolTip(), QStringLiteral("撤销：删除 馒头"));
    b.main.show();
    QApplication::setActiveWindow(&b.main);
    QVERIFY(QTest::qWaitForWindowActive(&b.main));
    w->totalGrid()->setFocus();
    QTest::keyClick(w->totalGrid(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(entries("WHERE WEEK='MON'"), 2);
    QCOMPARE(w->totalGrid()->footerValue("PROCNT"), 11.0);
    QVERIFY(w->button("Redo_btn")->isEnabled());
    w->button("Redo_btn")->click();
    QCOMPARE(entries("WHERE WEEK='MON'"), 1);
    w->Undo();
    w->Undo();
    QCOMPARE(entries(), 2); // the copy is gone too

    // A change of the day's percentage is an edit as well.
    w->percentEdit()->setValue(80);
    QCOMPARE(w->percentages().at(1), QStringLiteral("80"));
    w->Undo();
    QCOMPARE(w->percentages().at(1), QStringLiteral("100"));
    QCOMPARE(w->percentEdit()->value(), 100);

    // A survey empties the plan: the history goes with it.
    QVERIFY(w->undoStack()->canRedo());
    b.main.runState().notifyPlanEmptied();
    QVERIFY(!w->undoStack()->canUndo() && !w->undoStack()->canRedo());
}

void WorkbenchTest::addDialogWeightHasACalculator()
{
    Bench b;
    TAnalyzeInsert *d = TAnalyzeInsert::instance();
    d->prepare(b.w->addRequest());
    NumericEdit *weight = d->weightEdit();
    weight->setText("100");
    QTest::keyClick(weight, Qt::Key_F4);
    auto *calc = d->findChild<QFrame *>("CalcPopup");
    QVERIFY(calc && calc->isVisible());
    QTest::keyClicks(calc, "+50");
    QTest::keyClick(calc, Qt::Key_Return);
    QCOMPARE(weight->text(), QStringLiteral("150"));
    QVERIFY(!calc->isVisible());
}

QTEST_MAIN(WorkbenchTest)
#include "test_workbench.moc"
