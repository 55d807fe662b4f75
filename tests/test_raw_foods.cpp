#include "Controls.h"
#include "app/AppStart.h"
#include "app/MainUnit.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "data/Paths.h"
#include "data/Schema.h"
#include "foods/CustomFoodInsertUnit.h"
#include "foods/CustomFoodUnit.h"
#include "foods/RawFoods.h"
#include "widgets/FoodPicker.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSqlQuery>
#include <QTabWidget>
#include <QtTest>

using namespace nqb;
using namespace nqb::rawfood;

namespace {

QVariant value(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q(db());
    q.prepare(sql);
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return QVariant(QStringLiteral("<no row>"));
    return q.value(0);
}

int count(const QString &sql, const QVariantList &binds = {})
{
    return value(sql, binds).toInt();
}

void run(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q(db());
    q.prepare(sql);
    for (const QVariant &v : binds)
        q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(sql));
}

const Page &page(const QString &table)
{
    for (const Page &p : pages()) {
        if (p.table == table)
            return p;
    }
    qFatal("no page %s", qPrintable(table));
}

Food addUserFood(const QString &name)
{
    Food f;
    const Result r = createFood(name, QStringLiteral("ZD"), QStringLiteral("1-自定义食物"), &f);
    if (!r)
        qWarning("%s", qPrintable(r.message));
    return f;
}

} // namespace

class RawFoodsTest : public QObject
{
    Q_OBJECT
private slots:
    void pagesAreColumnsOfTheirTables();
    void valuesAreCheckedNamingTheField();
    void rowsAreCreatedOnlyWhenStored();
    void newCodesTakeTheSmallestFreeNumber();
    void newFoodChecksInOrder();
    void newFoodWithoutSubGroupsIsRefused();
    void deleteRemovesEveryTableAndPicture();
    void editorDropsEditsOnPageSwitch();
    void editorCreatesMissingRowOnConfirm();
    void editorDeleteAsksTwiceForReferenceFoods();
    void editorOpensNewFood();
    void subGroupWindowRefillsTheNewFoodWindow();
    void mainWindowOpensTheEditor();
};

void RawFoodsTest::pagesAreColumnsOfTheirTables()
{
    QCOMPARE(pages().size(), 6);
    QSet<QString> seen;
    for (const Page &p : pages()) {
        const TableDef *t = findTable(p.table);
        QVERIFY2(t, qPrintable(p.table));
        for (const Field &f : p.fields) {
            QVERIFY2(t->columns.contains(f.column, Qt::CaseInsensitive), qPrintable(p.table + "." + f.column));
            // The import names columns without their table: they must not clash.
            QVERIFY2(!seen.contains(f.column.toUpper()), qPrintable(f.column));
            seen.insert(f.column.toUpper());
        }
    }
    // Every value column of the food tables can be edited (bookkeeping columns aside).
    for (const Page &p : pages()) {
        for (const QString &c : findTable(p.table)->columns) {
            if (QStringList{"CODE", "FOODNAME", "PYJM", "TMP", "FATTYACID_TOTAL"}.contains(c.toUpper()))
                continue;
            QVERIFY2(findField(p.table, c), qPrintable(p.table + "." + c));
        }
    }
}

void RawFoodsTest::valuesAreCheckedNamingTheField()
{
    const Page &nutri = page(QStringLiteral("Nutri_tb"));
    QMap<QString, QString> texts{{"WATER", " 12.5 "}, {"FAT", ""}, {"CA", "800"}, {"FoodDescribe", " 自制 "}};
    QVariantMap values;
    QVERIFY(checkValues(nutri, texts, &values).ok());
    QCOMPARE(values.value("WATER").toDouble(), 12.5);
    QVERIFY(values.contains("FAT"));
    QVERIFY(values.value("FAT").isNull()); // not analysed, not 0
    QCOMPARE(values.value("FoodDescribe").toString(), QStringLiteral("自制"));

    const struct {
        const char *column;
        const char *text;
        const char *label;
    } refused[] = {{"WATER", "1..2", "水分[g]"},  {"WATER", "100.5", "水分[g]"}, {"PROCNT", "-1", "蛋白质[g]"},
                   {"EDIBLE", "101", "食部[%]"}, {"ENERC_kcal", "1200", "能量[kcal]"}};
    for (const auto &c : refused) {
        const Result r = checkValues(nutri, {{c.column, c.text}}, &values);
        QVERIFY2(!r.ok(), c.text);
        QCOMPARE(r.status, Status::BadNumber);
        QVERIFY2(r.message.contains(QString::fromUtf8(c.label)), qPrintable(r.message));
    }
    // A gram column takes 100, a milligram column more than 100.
    QVERIFY(checkValues(nutri, {{"WATER", "100"}, {"NA", "2500"}}, &values).ok());
    QVERIFY(!checkValues(page("Fatty_tb"), {{"SFA_FA_16_0", "120"}}, &values).ok());
}

void RawFoodsTest::rowsAreCreatedOnlyWhenStored()
{
    TestEnv env;
    const Food food = addUserFood(QStringLiteral("Joe's 鸡汤"));
    QCOMPARE(food.code, QStringLiteral("22-1-001"));
    const Page &amino = page(QStringLiteral("Amino_tb"));
    QVERIFY(!loadRow(amino, food.name).has_value());

    QVERIFY(storeRow(amino, food, {{"LYS", 350.0}, {"THR", QVariant()}}).ok());
    QCOMPARE(count("SELECT COUNT(*) FROM Amino_tb WHERE FoodName = ?", {food.name}), 1);
    QCOMPARE(value("SELECT CODE || '|' || PYJM FROM Amino_tb WHERE FoodName = ?", {food.name}).toString(),
             QStringLiteral("22-1-001|ZD"));
    QCOMPARE(value("SELECT LYS FROM Amino_tb WHERE FoodName = ?", {food.name}).toDouble(), 350.0);
    QVERIFY(value("SELECT THR FROM Amino_tb WHERE FoodName = ?", {food.name}).isNull());

    // A second store updates the same row, and an emptied value becomes NULL.
    QVERIFY(storeRow(amino, food, {{"LYS", QVariant()}, {"THR", 12.0}}).ok());
    QCOMPARE(count("SELECT COUNT(*) FROM Amino_tb WHERE FoodName = ?", {food.name}), 1);
    QVERIFY(value("SELECT LYS FROM Amino_tb WHERE FoodName = ?", {food.name}).isNull());
    QCOMPARE(value("SELECT THR FROM Amino_tb WHERE FoodName = ?", {food.name}).toDouble(), 12.0);

    // Without a food nothing is stored (no row without a code).
    QVERIFY(!storeRow(amino, Food{}, {{"LYS", 1.0}}).ok());
    QCOMPARE(count("SELECT COUNT(*) FROM Amino_tb WHERE CODE IS NULL OR CODE = ''"), 0);
}

void RawFoodsTest::newCodesTakeTheSmallestFreeNumber()
{
    const QString p = QStringLiteral("22-1-");
    QCOMPARE(nextNumber(p, {}), QStringLiteral("001"));
    QCOMPARE(nextNumber(p, {"22-1-004", "22-1-001", "22-1-002"}), QStringLiteral("003"));
    QCOMPARE(nextNumber(p, {"22-1-002"}), QStringLiteral("001"));
    QStringList many;
    for (int i = 1; i <= 99; ++i)
        many << QStringLiteral("22-1-%1").arg(i, 3, 10, QLatin1Char('0'));
    QCOMPARE(nextNumber(p, many), QStringLiteral("100"));
    // Codes of another sub-group do not count.
    QCOMPARE(nextNumber(p, {"22-2-001"}), QStringLiteral("001"));
    for (int i = 100; i <= 999; ++i)
        many << QStringLiteral("22-1-%1").arg(i);
    QCOMPARE(nextNumber(p, many), QString());

    QCOMPARE(codePrefix(QStringLiteral("1-自制食品")), QStringLiteral("22-1-"));
    QCOMPARE(codePrefix(QStringLiteral(" 3-饮料")), QStringLiteral("22-3-"));
    QCOMPARE(codePrefix(QStringLiteral("请选择")), QString());
    QCOMPARE(codePrefix(QString()), QString());
}

void RawFoodsTest::newFoodChecksInOrder()
{
    TestEnv env;
    const QString sub = QStringLiteral("1-自定义食物");
    Food f;
    QCOMPARE(createFood(QStringLiteral("  "), QStringLiteral("X"), sub, &f).message, emptyNameMessage());
    QCOMPARE(createFood(QStringLiteral("面"), QStringLiteral(" "), QStringLiteral("请选择"), &f).message,
             emptyNameMessage());
    QCOMPARE(createFood(QStringLiteral("小麦"), QStringLiteral("XM"), QStringLiteral("请选择"), &f).message,
             noSubGroupMessage());
    // The name is trimmed before it is compared.
    QCOMPARE(createFood(QStringLiteral(" 小麦  "), QStringLiteral("XM"), sub, &f).message, nameTakenMessage());
    QCOMPARE(count("SELECT COUNT(*) FROM Nutri_tb WHERE Code LIKE '22-%'"), 0);

    run("INSERT INTO Nutri_tb (Code, FoodName) VALUES ('22-1-001', 'a'), ('22-1-002', 'b'), ('22-1-004', 'c')");
    QVERIFY(createFood(QStringLiteral(" 豆腐脑 "), QStringLiteral("dfn"), sub, &f).ok());
    QCOMPARE(f.code, QStringLiteral("22-1-003"));
    QCOMPARE(f.name, QStringLiteral("豆腐脑"));
    QCOMPARE(value("SELECT PYJM FROM Nutri_tb WHERE Code = '22-1-003'").toString(), QStringLiteral("DFN"));
    QVERIFY(createFood(QStringLiteral("自制核桃露"), QStringLiteral("ZZHTL"), sub, &f).ok());
    QCOMPARE(f.code, QStringLiteral("22-1-005"));
}

void RawFoodsTest::newFoodWithoutSubGroupsIsRefused()
{
    TestEnv env;
    run("DELETE FROM FoodKindSub_tb WHERE FoodGroup = '22'");
    const int before = count("SELECT COUNT(*) FROM Nutri_tb");
    Food f;
    const Result r = createFood(QStringLiteral("新食物"), QStringLiteral("XSW"), QString(), &f);
    QVERIFY(!r.ok());
    QCOMPARE(r.message, noSubGroupsYetMessage());
    QCOMPARE(count("SELECT COUNT(*) FROM Nutri_tb"), before);

    // The window says so too, and creates nothing.
    ScriptedPrompt prompt;
    TCustomFoodInsert w;
    child<QLineEdit>(&w, "FoodName_edt")->setText(QStringLiteral("新食物"));
    child<QLineEdit>(&w, "PYJM_edt")->setText(QStringLiteral("XSW"));
    QCOMPARE(child<QComboBox>(&w, "ComboBox1")->count(), 0);
    child<QPushButton>(&w, "Add_btn")->click();
    QCOMPARE(prompt.lastText(), noSubGroupsYetMessage());
    QVERIFY(!w.created());
    QCOMPARE(count("SELECT COUNT(*) FROM Nutri_tb"), before);
}

void RawFoodsTest::deleteRemovesEveryTableAndPicture()
{
    TestEnv env;
    const Food food = addUserFood(QStringLiteral("自制酸奶"));
    for (const Page &p : pages()) {
        if (p.table != QLatin1String("Nutri_tb"))
            QVERIFY(storeRow(p, food, {{p.fields.first().column, 1.0}}).ok());
    }
    run("INSERT INTO CateNutri_tb (FOODID, FOODNAME, KINDNAME) VALUES ('01-901', '酸奶杯', '主食')");
    run("INSERT INTO CateComponent_tb (FOODID, CODE, WEIGHT) VALUES ('01-901', ?, 100)", {food.code});
    run("INSERT INTO CustomPantry_tb (PANTRY, DINERTIME, FOODNAME, WEIGHT) VALUES (?, '加餐', ?, 150)",
        {food.code, food.name});
    QDir().mkpath(programFile("FoodImage"));
    const QString picture = programFile("FoodImage/" + food.code + ".bmp");
    QVERIFY(QImage(120, 100, QImage::Format_RGB32).save(picture, "BMP"));

    const Usage usage = usageOf(food);
    QCOMPARE(usage.dishes, QStringList{QStringLiteral("酸奶杯")});
    QCOMPARE(usage.menuItems, QStringList{QStringLiteral("加餐")});
    const QString question = deleteQuestion(food, usage);
    QVERIFY(question.startsWith(QStringLiteral("确认删除？")));
    QVERIFY(question.contains(QStringLiteral("酸奶杯")));

    QVERIFY(deleteFood(food, picture).ok());
    for (const Page &p : pages())
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE FoodName = ?").arg(p.table), {food.name}), 0);
    QCOMPARE(count("SELECT COUNT(*) FROM CustomPantry_tb WHERE PANTRY = ?", {food.code}), 0);
    QVERIFY(!QFile::exists(picture));
    // The dish keeps its ingredient row (shown without name and amounts).
    QCOMPARE(count("SELECT COUNT(*) FROM CateComponent_tb WHERE CODE = ?", {food.code}), 1);
    QVERIFY(afterDeleteMessage(food, usage).contains(QStringLiteral("酸奶杯")));
}

void RawFoodsTest::editorDropsEditsOnPageSwitch()
{
    TestEnv env;
    ScriptedPrompt prompt;
    TCustomFood w;
    w.chooseFood(QStringLiteral("小麦"));
    QCOMPARE(child<QLabel>(&w, "FoodName_pan")->text(), QStringLiteral("小麦"));
    auto *water = child<QLineEdit>(&w, "WATER_edt");
    QCOMPARE(water->text(), QStringLiteral("10"));
    QVERIFY(child<QPushButton>(&w, "Enable_btn")->isEnabled());
    QVERIFY(child<QLineEdit>(&w, "DBEditEh100")->isVisibleTo(&w));

    water->setText(QStringLiteral("55"));
    auto *pages = child<QTabWidget>(&w, "PageControl");
    pages->setCurrentIndex(1);
    QVERIFY(water->text().isEmpty()); // only the shown page is connected
    QVERIFY(child<QLineEdit>(&w, "Edit1")->isVisibleTo(&w));
    pages->setCurrentIndex(0);
    QCOMPARE(water->text(), QStringLiteral("10"));
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE FoodName = '小麦'").toDouble(), 10.0);

    // "  返   回" drops an edit as well; "确认修改" stores it, an emptied field as NULL.
    water->setText(QStringLiteral("55"));
    child<QPushButton>(&w, "Return_edt")->click();
    QCOMPARE(water->text(), QStringLiteral("10"));
    water->setText(QStringLiteral("11.5"));
    child<QLineEdit>(&w, "FAT_edt")->clear();
    child<QPushButton>(&w, "Enable_btn")->click();
    QVERIFY(prompt.messages.isEmpty());
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE FoodName = '小麦'").toDouble(), 11.5);
    QVERIFY(value("SELECT FAT FROM Nutri_tb WHERE FoodName = '小麦'").isNull());
    QVERIFY(!child<QPushButton>(&w, "Enable_btn")->isEnabled());

    // A refused value names the field and stores nothing.
    child<QPushButton>(&w, "Return_edt")->click();
    w.chooseFood(QStringLiteral("小麦"));
    water->setText(QStringLiteral("120"));
    child<QPushButton>(&w, "Enable_btn")->click();
    QVERIFY(prompt.lastText().contains(QStringLiteral("水分[g]")));
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE FoodName = '小麦'").toDouble(), 11.5);
}

void RawFoodsTest::editorCreatesMissingRowOnConfirm()
{
    TestEnv env;
    ScriptedPrompt prompt;
    TCustomFood w;
    w.chooseFood(QStringLiteral("小麦"));
    auto *pages = child<QTabWidget>(&w, "PageControl");
    pages->setCurrentIndex(1); // Amino_tb: no row for the food
    QVERIFY(child<QLineEdit>(&w, "LYS_edt")->text().isEmpty());
    pages->setCurrentIndex(2);
    pages->setCurrentIndex(1);
    QCOMPARE(count("SELECT COUNT(*) FROM Amino_tb WHERE FoodName = '小麦'"), 0);

    child<QLineEdit>(&w, "LYS_edt")->setText(QStringLiteral("312"));
    child<QPushButton>(&w, "Enable_btn")->click();
    QCOMPARE(count("SELECT COUNT(*) FROM Amino_tb WHERE FoodName = '小麦' AND CODE = '01-1-101' AND LYS = 312"), 1);
    QVERIFY(value("SELECT ARG FROM Amino_tb WHERE FoodName = '小麦'").isNull());

    // The picture is kept with the next "确认修改" only, as a 120 × 100 bitmap.
    pages->setCurrentIndex(0);
    const QString source = QDir(env.workingDir()).filePath("photo.png");
    QVERIFY(QImage(300, 200, QImage::Format_RGB32).save(source));
    prompt.files.enqueue(source);
    w.choosePicture();
    QVERIFY(w.imageChanged());
    const QString stored = programFile("FoodImage/01-1-101.bmp");
    QVERIFY(!QFile::exists(stored));
    child<QPushButton>(&w, "Enable_btn")->click();
    QCOMPARE(QImage(stored).size(), QSize(120, 100));
}

void RawFoodsTest::editorDeleteAsksTwiceForReferenceFoods()
{
    TestEnv env;
    ScriptedPrompt prompt;
    TCustomFood w;
    const QString name = value("SELECT FoodName FROM Nutri_tb WHERE Code = '04-3-208'").toString();
    QVERIFY(!name.isEmpty());
    w.chooseFood(name);
    // No to the second question: nothing goes.
    prompt.answers << true << false;
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(prompt.messages.size(), 2);
    QVERIFY(prompt.messages.at(0).text.contains(QStringLiteral("菜肴"))); // a seeded dish uses it
    QCOMPARE(count("SELECT COUNT(*) FROM Nutri_tb WHERE Code = '04-3-208'"), 1);

    prompt.clear();
    prompt.answers << true << true;
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(count("SELECT COUNT(*) FROM Nutri_tb WHERE Code = '04-3-208'"), 0);
    QVERIFY(!w.currentFood());
    QVERIFY(prompt.lastText().contains(QStringLiteral("以下菜肴仍列有该原料")));
    QVERIFY(count("SELECT COUNT(*) FROM CateComponent_tb WHERE CODE = '04-3-208'") > 0);
}

void RawFoodsTest::editorOpensNewFood()
{
    TestEnv env;
    ScriptedPrompt prompt;
    TCustomFood w;
    child<QTabWidget>(&w, "PageControl")->setCurrentIndex(3);
    onNextModal([](QWidget *d) {
        child<QLineEdit>(d, "FoodName_edt")->setText(QStringLiteral(" 红薯粥 "));
        auto *py = child<QLineEdit>(d, "PYJM_edt");
        QTest::mouseClick(py, Qt::LeftButton); // fills the initials of an empty box
        QCOMPARE(py->text(), QStringLiteral("HSZ"));
        QCOMPARE(child<QComboBox>(d, "ComboBox1")->currentText(), QStringLiteral("1-自定义食物"));
        child<QPushButton>(d, "Add_btn")->click();
    });
    child<QPushButton>(&w, "Add_btn")->click();
    QVERIFY(w.currentFood());
    QCOMPARE(w.currentFood()->code, QStringLiteral("22-1-001"));
    QCOMPARE(child<QLabel>(&w, "FoodName_pan")->text(), QStringLiteral("红薯粥"));
    QCOMPARE(child<QTabWidget>(&w, "PageControl")->currentIndex(), 0);
    QVERIFY(child<QPushButton>(&w, "Enable_btn")->isEnabled());
    QVERIFY(w.picker()->listedIds().contains(QStringLiteral("22-1-001")));
}

void RawFoodsTest::subGroupWindowRefillsTheNewFoodWindow()
{
    TestEnv env;
    ScriptedPrompt prompt;
    TCustomFoodInsert w;
    auto *kinds = child<QComboBox>(&w, "ComboBox1");
    QCOMPARE(kinds->count(), 1);
    onNextModal([](QWidget *d) {
        QCOMPARE(d->objectName(), QStringLiteral("TCustomFoodKind"));
        QCOMPARE(d->windowTitle(), QStringLiteral("原料种类"));
        child<QLineEdit>(d, "Add_edt")->setText(QStringLiteral("饮料"));
        child<QPushButton>(d, "Add_btn")->click();
        child<QPushButton>(d, "Close_btn")->click();
    });
    child<QPushButton>(&w, "EditKind_btn")->click();
    QCOMPARE(kinds->count(), 2);
    QCOMPARE(kinds->itemText(1), QStringLiteral("2-饮料"));
    // The chosen sub-group stays chosen; a food of the new one is numbered in it.
    QCOMPARE(kinds->currentText(), QStringLiteral("1-自定义食物"));
    kinds->setCurrentIndex(1);
    child<QLineEdit>(&w, "FoodName_edt")->setText(QStringLiteral("自制酸梅汤"));
    child<QLineEdit>(&w, "PYJM_edt")->setText(QStringLiteral("ZZSMT"));
    child<QPushButton>(&w, "Add_btn")->click();
    QVERIFY(w.created());
    QCOMPARE(w.created()->code, QStringLiteral("22-2-001"));
}

void RawFoodsTest::mainWindowOpensTheEditor()
{
    ScriptedPrompt prompt;
    TestEnv env(false); // the program makes its database
    auto s = startApplication(env.workingDir(), env.programDir(), false);
    QAction *act = s->main->action(QStringLiteral("RawFoodEdit_act"));
    QVERIFY(act && act->isEnabled());
    bool opened = false;
    onNextModal([&opened](QWidget *d) {
        opened = d->objectName() == QLatin1String("TCustomFood");
        static_cast<QDialog *>(d)->reject();
    });
    act->trigger();
    QVERIFY(opened);
}

QTEST_MAIN(RawFoodsTest)
#include "test_raw_foods.moc"
