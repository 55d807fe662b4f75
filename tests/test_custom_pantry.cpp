// Quantified menus: the table commands and the editor window.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "planning/CustomPantry.h"
#include "planning/CustomPantryFoodUnit.h"
#include "widgets/DataGrid.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/SearchEdit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace nqb;
using namespace nqb::pantry;

namespace {

const QString kQuoted = QStringLiteral("Joe's 鸡汤");

void clearMenus()
{
    QSqlQuery q(db());
    QVERIFY(q.exec("DELETE FROM CustomPantry_tb"));
}

// (PANTRY, FOODNAME, WEIGHT-or-"NULL") of a slot, in table order.
QStringList rowsOf(const QString &slot)
{
    QSqlQuery q(db());
    q.prepare("SELECT PANTRY, FOODNAME, WEIGHT FROM CustomPantry_tb WHERE DINERTIME=? ORDER BY rowid");
    q.addBindValue(slot);
    q.exec();
    QStringList out;
    while (q.next())
        out << q.value(0).toString() + "|" + q.value(1).toString() + "|"
                   + (q.value(2).isNull() ? QStringLiteral("NULL") : q.value(2).toString());
    return out;
}

QVariant storedWeight(const QString &id, const QString &slot)
{
    QSqlQuery q(db());
    q.prepare("SELECT WEIGHT FROM CustomPantry_tb WHERE PANTRY=? AND DINERTIME=?");
    q.addBindValue(id);
    q.addBindValue(slot);
    q.exec();
    return q.next() ? q.value(0) : QVariant(QStringLiteral("<no row>"));
}

// A raw food whose name carries a quote.
void addQuotedFood()
{
    QSqlQuery q(db());
    q.prepare("INSERT INTO Nutri_tb (Code, FoodName, PYJM, EDIBLE, PROCNT) VALUES (?, ?, ?, ?, ?)");
    for (const QVariant &v : QVariantList{"99-9-901", kQuoted, "JSJT", 100, 1.5})
        q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

QStringList gridColumn(DataGrid *g, const char *field)
{
    QStringList out;
    for (int r = 0; r < g->rowCount(); ++r)
        out << g->value(r, QString::fromLatin1(field)).toString();
    return out;
}

} // namespace

class TestCustomPantry : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    // table commands
    void addOncePerSlot();
    void refusalsWriteNothing();
    void quotedNamesWork();
    void weights();
    void deleteByKeyAndByName();

    // the editor
    void opensOnBreakfastWithDishes();
    void dishFromTreeKeepsItsFoodId();
    void rawFoodFromSearchKeepsItsCode();
    void nutrientResortsTheList();
    void quotedNameThroughTheWindow();
    void deleteAsksFirst();
    void weightTypedIntoTheGrid();

private:
    std::unique_ptr<TestEnv> m_env;
};

void TestCustomPantry::addOncePerSlot()
{
    clearMenus();
    QVERIFY(addItem("01-001", "拍黄瓜", "早餐").ok());
    QVERIFY(addItem(" 10-1-101 ", " 纯牛奶（代表值，全脂） ", "早餐").ok()); // stored trimmed
    QVERIFY(addItem("01-001", "拍黄瓜", "午餐").ok());                      // another slot: allowed

    const PantryResult dup = addItem("01-001", "拍黄瓜", "早餐");
    QCOMPARE(dup.status, PantryStatus::Duplicate);
    QCOMPARE(dup.message, QStringLiteral("该食物已存在!"));

    QCOMPARE(rowsOf("早餐"), (QStringList{"01-001|拍黄瓜|NULL", "10-1-101|纯牛奶（代表值，全脂）|NULL"}));
    QCOMPARE(rowsOf("午餐"), QStringList{"01-001|拍黄瓜|NULL"});

    const QList<PantryItem> menu = slotMenu("早餐");
    QCOMPARE(menu.size(), 2);
    QCOMPARE(menu.at(1).pantry, QStringLiteral("10-1-101"));
    QCOMPARE(menu.at(1).dinerTime, QStringLiteral("早餐"));
    QVERIFY(menu.at(1).weight.isNull());
    QVERIFY(slotMenu("加餐").isEmpty());
}

void TestCustomPantry::refusalsWriteNothing()
{
    clearMenus();
    PantryResult r = addItem("01-001", "  ", "早餐");
    QCOMPARE(r.status, PantryStatus::EmptyName);
    QCOMPARE(r.message, QStringLiteral("食物名不能为空!"));
    // An empty name is reported before a duplicate.
    QVERIFY(addItem("01-001", "拍黄瓜", "早餐").ok());
    QCOMPARE(addItem("01-001", "", "早餐").status, PantryStatus::EmptyName);
    QCOMPARE(addItem("", "拍黄瓜", "午餐").status, PantryStatus::NotFound);
    QCOMPARE(addItem("01-001", "拍黄瓜", "宵夜").status, PantryStatus::NotFound);
    QCOMPARE(rowCount("CustomPantry_tb"), 1);
}

void TestCustomPantry::quotedNamesWork()
{
    clearMenus();
    QVERIFY(addItem("99-9-901", kQuoted, "晚餐").ok());
    QCOMPARE(addItem("99-9-901", kQuoted, "晚餐").status, PantryStatus::Duplicate);
    QVERIFY(addItem("O'-1-001", "x", "晚餐").ok()); // a quote in the identifier too
    QVERIFY(setWeight("99-9-901", "晚餐", "120").ok());
    QCOMPARE(rowsOf("晚餐"), (QStringList{"99-9-901|" + kQuoted + "|120", "O'-1-001|x|NULL"}));
    QCOMPARE(deleteItem("O'-1-001", "晚餐").rows, 1);
    QCOMPARE(deleteByName(kQuoted).rows, 1);
    QCOMPARE(rowCount("CustomPantry_tb"), 0);
}

void TestCustomPantry::weights()
{
    clearMenus();
    QVERIFY(addItem("01-001", "拍黄瓜", "早餐").ok());
    QVERIFY(addItem("01-001", "拍黄瓜", "午餐").ok());

    QVERIFY(setWeight("01-001", "早餐", " 150.5 ").ok());
    QCOMPARE(storedWeight("01-001", "早餐").toDouble(), 150.5);
    QVERIFY(storedWeight("01-001", "午餐").isNull()); // only that slot's row
    QCOMPARE(slotMenu("早餐").first().weight.toDouble(), 150.5);

    for (const char *bad : {"1..2", "-5", "abc"}) {
        const PantryResult r = setWeight("01-001", "早餐", QString::fromLatin1(bad));
        QCOMPARE(r.status, PantryStatus::BadWeight);
        QVERIFY(r.message.contains(QString::fromLatin1(bad)));
        QCOMPARE(storedWeight("01-001", "早餐").toDouble(), 150.5);
    }
    QVERIFY(setWeight("01-001", "早餐", "").ok()); // empty clears the portion
    QVERIFY(storedWeight("01-001", "早餐").isNull());
    QVERIFY(slotMenu("早餐").first().weight.isNull());

    QCOMPARE(setWeight("01-001", "晚餐", "100").status, PantryStatus::NotFound);
    QCOMPARE(rowCount("CustomPantry_tb"), 2);
}

void TestCustomPantry::deleteByKeyAndByName()
{
    clearMenus();
    QVERIFY(addItem("01-001", "拍黄瓜", "早餐").ok());
    QVERIFY(addItem("01-001", "拍黄瓜", "午餐").ok());
    QVERIFY(addItem("10-1-101", "纯牛奶（代表值，全脂）", "早餐").ok());

    QCOMPARE(deleteItem(" 01-001 ", "早餐 ").rows, 1); // values trimmed
    QCOMPARE(rowsOf("早餐"), QStringList{"10-1-101|纯牛奶（代表值，全脂）|NULL"});
    QCOMPARE(rowsOf("午餐"), QStringList{"01-001|拍黄瓜|NULL"});
    QCOMPARE(deleteItem("01-001", "早餐").rows, 0); // gone already: not an error

    QVERIFY(addItem("01-001", "拍黄瓜", "加餐").ok());
    QCOMPARE(deleteByName("拍黄瓜").rows, 2); // every slot
    QCOMPARE(rowCount("CustomPantry_tb"), 1);
}

// ---------------------------------------------------------------- the editor

void TestCustomPantry::opensOnBreakfastWithDishes()
{
    ScriptedPrompt prompt;
    TCustomPantryFood w;
    QCOMPARE(w.windowTitle(), QStringLiteral("编辑"));
    QCOMPARE(child<QLabel>(&w, "Title_lab")->text(), QStringLiteral("带  量  菜  谱  编  辑"));
    QVERIFY(child<QRadioButton>(&w, "Breakfast_rdo")->isChecked());
    QCOMPARE(child<QRadioButton>(&w, "Midnight_rdo")->text(), QStringLiteral("加    餐"));
    QCOMPARE(w.currentSlot(), QStringLiteral("早餐"));
    auto *pages = child<QTabWidget>(&w, "PageControl1");
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheetCate"));
    QCOMPARE(pages->tabText(0), QStringLiteral("系统菜肴"));
    QCOMPARE(pages->tabText(1), QStringLiteral("食物原料"));
    QVERIFY(child<QTreeWidget>(&w, "Cate_tre")->topLevelItemCount() > 0);
    QVERIFY(child<QTreeWidget>(&w, "Food_tre")->topLevelItemCount() > 0);
    QVERIFY(child<QComboBox>(&w, "Element_cmb")->count() > 0);
    QCOMPARE(child<QLineEdit>(&w, "SearchFood_edt")->text(), QStringLiteral("首字母/汉字"));

    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    QCOMPARE(grid->rowCount(), rowCount("select count(*) from CustomPantry_tb where DINERTIME='早餐'"));
    QVERIFY(grid->rowCount() > 0);
    QVERIFY(!grid->isColumnVisible("PANTRY"));
    QCOMPARE(grid->title(grid->column("FOODNAME")), QStringLiteral("食 物 名 称   FoodName"));
    QCOMPARE(grid->title(grid->column("WEIGHT")), QStringLiteral("重量  [g]"));

    child<QRadioButton>(&w, "LunchMid_rdo")->click();
    QCOMPARE(w.currentSlot(), QStringLiteral("午间餐"));
    const QStringList shownSlots = gridColumn(grid, "DINERTIME");
    QCOMPARE(shownSlots.size(), rowCount("select count(*) from CustomPantry_tb where DINERTIME='午间餐'"));
    QCOMPARE(shownSlots.count(QStringLiteral("午间餐")), shownSlots.size());
    QVERIFY(prompt.messages.isEmpty());
}

void TestCustomPantry::dishFromTreeKeepsItsFoodId()
{
    clearMenus();
    ScriptedPrompt prompt;
    TCustomPantryFood w;
    auto *tree = child<QTreeWidget>(&w, "Cate_tre");
    auto *list = child<PickList>(&w, "StrGrid");
    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    auto *search = child<SearchEdit>(&w, "SearchFood_edt");
    search->setText("ABC");

    QTreeWidgetItem *cold = tree->topLevelItem(0); // "01-凉菜 [n]"
    emit tree->itemClicked(cold, 0);
    QVERIFY(search->isShowingPrompt());
    const QStringList names = list->names();
    QCOMPARE(names.size(), rowCount("select count(*) from CateNutri_tb where FOODID like '01-%'"));

    // The empty pick is refused first.
    child<QPushButton>(&w, "Insert_btn")->click();
    QCOMPARE(prompt.lastText(), QStringLiteral("食物名不能为空!"));
    QCOMPARE(prompt.messages.last().title, QStringLiteral("警告"));

    list->setCurrentCell(0, 1);
    emit list->cellClicked(0, 1);
    QCOMPARE(w.pickedName(), names.at(1));
    QCOMPARE(w.pickedId().size(), 6);
    QVERIFY(w.pickedId().startsWith("01-"));
    const QString id = w.pickedId();

    child<QPushButton>(&w, "Insert_btn")->click();
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->value(0, "PANTRY").toString(), id);
    QCOMPARE(grid->value(0, "FOODNAME").toString(), names.at(1));
    QCOMPARE(grid->value(0, "DINERTIME").toString(), QStringLiteral("早餐"));
    QVERIFY(grid->value(0, "WEIGHT").toString().isEmpty()); // no weight until typed
    QVERIFY(w.pickedName().isEmpty());

    // A second add of the same dish to the same slot is refused.
    emit list->picked(names.at(1)); // a double click adds at once
    QCOMPARE(prompt.lastText(), QStringLiteral("该食物已存在!"));
    QCOMPARE(rowCount("CustomPantry_tb"), 1);

    // ... but it may go into another slot.
    child<QRadioButton>(&w, "Lunch_rdo")->click();
    QCOMPARE(grid->rowCount(), 0);
    emit list->picked(names.at(1));
    QCOMPARE(rowsOf("午餐"), QStringList{id + "|" + names.at(1) + "|NULL"});
    QCOMPARE(grid->rowCount(), 1);
}

void TestCustomPantry::rawFoodFromSearchKeepsItsCode()
{
    clearMenus();
    ScriptedPrompt prompt;
    TCustomPantryFood w;
    auto *pages = child<QTabWidget>(&w, "PageControl1");
    pages->setCurrentWidget(child<QWidget>(&w, "TabSheetFood"));
    auto *search = child<SearchEdit>(&w, "SearchFood_edt");
    auto *list = child<PickList>(&w, "StrGrid");
    search->setText(QStringLiteral("纯牛奶"));
    QTest::keyClick(search, Qt::Key_Return);
    const QStringList names = list->names();
    QCOMPARE(names.size(), rowCount("select count(*) from Nutri_tb where FoodName like '%纯牛奶%'"));
    QVERIFY(!names.isEmpty());

    child<QRadioButton>(&w, "Supper_rdo")->click();
    list->setCurrentCell(0, 0);
    emit list->cellClicked(0, 0);
    QCOMPARE(w.pickedId().size(), 8);
    const QString code = w.pickedId();
    child<QPushButton>(&w, "Insert_btn")->click();
    QCOMPARE(rowsOf("晚餐"), QStringList{code + "|" + names.first() + "|NULL"});
    QCOMPARE(kindOf(code), std::optional<FoodKind>(FoodKind::RawFood));

    // A food tree click lists the codes of the group and resets the search box.
    auto *tree = child<QTreeWidget>(&w, "Food_tre");
    emit tree->itemClicked(tree->topLevelItem(0), 0);
    QVERIFY(search->isShowingPrompt());
    QCOMPARE(list->names().size(), rowCount("select count(*) from Nutri_tb where Code like '01-%'"));
    QVERIFY(prompt.messages.isEmpty());
}

void TestCustomPantry::nutrientResortsTheList()
{
    ScriptedPrompt prompt;
    TCustomPantryFood w;
    child<QTabWidget>(&w, "PageControl1")->setCurrentWidget(child<QWidget>(&w, "TabSheetFood"));
    auto *tree = child<QTreeWidget>(&w, "Food_tre");
    auto *list = child<PickList>(&w, "StrGrid");
    emit tree->itemClicked(tree->topLevelItem(0), 0);
    const QStringList before = list->names();

    auto *combo = child<QComboBox>(&w, "Element_cmb");
    const int i = combo->findText(QStringLiteral("蛋白质"));
    QVERIFY(i >= 0);
    combo->setCurrentIndex(i);
    emit combo->activated(i);

    QSqlQuery q(db());
    QVERIFY(q.exec("SELECT FoodName FROM Nutri_tb WHERE Code LIKE '01-%' ORDER BY PROCNT DESC, Code ASC"));
    QStringList expected;
    while (q.next())
        expected << q.value(0).toString();
    QCOMPARE(list->names(), expected); // richest first, the next one beside it
    QVERIFY(list->names() != before);
    QCOMPARE(list->item(0, 1)->text(), expected.at(1));

    // A pick after the re-sort still finds the raw food.
    list->setCurrentCell(0, 0);
    emit list->cellClicked(0, 0);
    QCOMPARE(w.pickedId().size(), 8);
    QVERIFY(prompt.messages.isEmpty());
}

void TestCustomPantry::quotedNameThroughTheWindow()
{
    clearMenus();
    addQuotedFood();
    ScriptedPrompt prompt;
    TCustomPantryFood w;
    child<QTabWidget>(&w, "PageControl1")->setCurrentWidget(child<QWidget>(&w, "TabSheetFood"));
    auto *search = child<SearchEdit>(&w, "SearchFood_edt");
    auto *list = child<PickList>(&w, "StrGrid");
    search->setText(QStringLiteral("JOE'S"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(list->names(), QStringList{kQuoted});

    list->setCurrentCell(0, 0);
    emit list->cellClicked(0, 0);
    QCOMPARE(w.pickedId(), QStringLiteral("99-9-901"));
    child<QPushButton>(&w, "Insert_btn")->click();
    QCOMPARE(rowsOf("早餐"), QStringList{"99-9-901|" + kQuoted + "|NULL"});
    child<QPushButton>(&w, "Insert_btn")->click();
    QCOMPARE(prompt.texts(), QStringList{QStringLiteral("食物名不能为空!")}); // the pick was used up

    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    grid->setCurrentIndex(grid->model()->index(0, grid->column("FOODNAME")));
    prompt.answers.enqueue(true);
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(rowCount("CustomPantry_tb"), 0);
    QCOMPARE(grid->rowCount(), 0);
}

void TestCustomPantry::deleteAsksFirst()
{
    ScriptedPrompt prompt;
    TCustomPantryFood w;
    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    const int before = rowCount("CustomPantry_tb");
    const int shown = grid->rowCount();
    QVERIFY(shown > 1);

    // Without a current row there is nothing to delete and nothing to ask.
    grid->setCurrentIndex(QModelIndex());
    child<QPushButton>(&w, "Del_btn")->click();
    QVERIFY(prompt.messages.isEmpty());

    const QString id = grid->value(1, "PANTRY").toString();
    const QString elsewhere =
        QStringLiteral("select count(*) from CustomPantry_tb where PANTRY='%1' and DINERTIME<>'早餐'").arg(id);
    const int otherSlots = rowCount(elsewhere);
    grid->setCurrentIndex(grid->model()->index(1, grid->column("FOODNAME")));
    prompt.answers.enqueue(false);
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages.first().title, QStringLiteral("提示"));
    QCOMPARE(prompt.messages.first().text, QStringLiteral("确认删除？"));
    QCOMPARE(rowCount("CustomPantry_tb"), before);

    prompt.answers.enqueue(true);
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(rowCount("CustomPantry_tb"), before - 1);
    QCOMPARE(grid->rowCount(), shown - 1);
    QVERIFY(!gridColumn(grid, "PANTRY").contains(id));
    QCOMPARE(storedWeight(id, "早餐").toString(), QStringLiteral("<no row>"));
    QCOMPARE(rowCount(elsewhere), otherSlots); // the same item in other slots stays
}

void TestCustomPantry::weightTypedIntoTheGrid()
{
    clearMenus();
    QVERIFY(addItem("01-001", "拍黄瓜", "早餐").ok());
    ScriptedPrompt prompt;
    TCustomPantryFood w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    const QModelIndex cell = grid->model()->index(0, grid->column("WEIGHT"));
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto *editor = grid->findChild<NumericEdit *>("Weight_edt");
    QVERIFY(editor);
    QTest::keyClicks(editor, "2a5.5b");
    QCOMPARE(editor->text(), QStringLiteral("25.5")); // digits and "." only
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(storedWeight("01-001", "早餐").toDouble(), 25.5); // the view commits after the key
    QCOMPARE(grid->value(0, "WEIGHT").toDouble(), 25.5);
    QVERIFY(w.isVisible()); // Enter stored the weight; it did not press a button
    QCOMPARE(rowCount("CustomPantry_tb"), 1);

    // A malformed text is refused and the cell shows the stored weight again.
    QVERIFY(grid->model()->setData(cell, QStringLiteral("1..2")));
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages.first().title, QStringLiteral("警告"));
    QCOMPARE(storedWeight("01-001", "早餐").toDouble(), 25.5);
    QCOMPARE(grid->value(0, "WEIGHT").toDouble(), 25.5);

    // Emptying the cell clears the portion.
    QVERIFY(grid->model()->setData(cell, QString()));
    QVERIFY(storedWeight("01-001", "早餐").isNull());
    QVERIFY(grid->value(0, "WEIGHT").toString().isEmpty());
}

QTEST_MAIN(TestCustomPantry)
#include "test_custom_pantry.moc"
