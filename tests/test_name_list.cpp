#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "data/NameList.h"
#include "diners/DietKindList.h"
#include "foods/CategoryLists.h"
#include "widgets/NameListEditor.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QtTest>

using namespace nqb;

namespace {

int count(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q(db());
    q.prepare(sql);
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toInt();
}

int dishesOf(const QString &kind)
{
    return count(QStringLiteral("SELECT COUNT(*) FROM CateNutri_tb WHERE KINDNAME = ?"), {kind});
}

NameListEntry entryNamed(NameList &list, const QString &name)
{
    QList<NameListEntry> all;
    list.entries(all);
    for (const NameListEntry &e : all) {
        if (e.name == name)
            return e;
    }
    return {};
}

QStringList storedNames(NameList &list)
{
    QList<NameListEntry> all;
    list.entries(all);
    QStringList out;
    for (const NameListEntry &e : all)
        out << e.stored;
    return out;
}

void addFood(const QString &code, const QString &name)
{
    QSqlQuery q(db());
    q.prepare(QStringLiteral("INSERT INTO Nutri_tb (Code, FoodName) VALUES (?, ?)"));
    q.addBindValue(code);
    q.addBindValue(name);
    QVERIFY(q.exec());
}

} // namespace

class NameListTest : public QObject
{
    Q_OBJECT
private slots:
    void smallestFreeNumbers();
    void subGroupsAreNumberedOneToNine();
    void emptyDuplicateAndReservedNamesAreRefused();
    void renameCarriesIntoReferencingRows();
    void renameRollsBackWholeWhenAFollowingWriteFails();
    void deleteRefusedWhileInUse();
    void namesWithQuotesWork();
    void descriptionsAreCheckedAgainstTheSchema();
    void editorAddsRenamesAndDeletes();
    void editorRenameDialogStaysOpenOnRefusal();
};

void NameListTest::smallestFreeNumbers()
{
    QCOMPARE(smallestFreeNumber({}), QStringLiteral("1"));
    QCOMPARE(smallestFreeNumber({"4", "1", "2"}), QStringLiteral("3"));
    QCOMPARE(smallestFreeNumber({"01", "02", "04"}, 2), QStringLiteral("03"));
    QCOMPARE(smallestFreeNumber({"2", "3"}), QStringLiteral("1"));
    QCOMPARE(smallestFreeNumber({"1", "x", " 2 "}), QStringLiteral("3"));
    QCOMPARE(smallestFreeNumber({"1", "2", "3", "4", "5", "6", "7", "8", "9"}, 1, 9), QString());
    QCOMPARE(smallestFreeNumber({"1", "2", "3", "4", "5", "6", "7", "8", "9"}, 2), QStringLiteral("10"));
}

void NameListTest::subGroupsAreNumberedOneToNine()
{
    TestEnv env;
    NameList list(foodSubGroupList());
    QVERIFY(list.validity().ok());
    const QStringList seeded = storedNames(list);
    QCOMPARE(seeded, QStringList{QStringLiteral("1-自定义食物")});
    // Sub-groups of other groups are not part of the list.
    const int others = count(QStringLiteral("SELECT COUNT(*) FROM FoodKindSub_tb WHERE FoodGroup <> '22'"));

    NameListEntry added;
    QVERIFY(list.add(QStringLiteral(" 饮料 "), &added).ok());
    QCOMPARE(added.id, QStringLiteral("2"));
    QCOMPARE(added.stored, QStringLiteral("2-饮料"));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM FoodKindSub_tb WHERE FoodGroup = '22' AND SubID = '2' "
                                  "AND FoodGroupSub = '2-饮料'")),
             1);
    // The name is the part after the number.
    QCOMPARE(list.add(QStringLiteral("自定义食物")).status, Status::Duplicate);
    QVERIFY(list.add(QStringLiteral("自定义")).ok());
    QVERIFY(list.add(QStringLiteral("汤")).ok());

    // Deleting 2 frees its number for the next one, whatever the row order.
    QVERIFY(list.remove(entryNamed(list, QStringLiteral("饮料"))).ok());
    QVERIFY(list.add(QStringLiteral("果汁"), &added).ok());
    QCOMPARE(added.id, QStringLiteral("2"));

    for (const char *name : {"五", "六", "七", "八", "九"})
        QVERIFY(list.add(QString::fromUtf8(name)).ok());
    QCOMPARE(storedNames(list).size(), 9);
    const NameListResult full = list.add(QStringLiteral("十"));
    QCOMPARE(full.status, Status::Refused);
    QCOMPARE(full.message, QStringLiteral("食物类别已到最大限度!"));
    QCOMPARE(storedNames(list).size(), 9);

    // A rename keeps the number: the foods follow the number, not the name.
    QVERIFY(list.rename(entryNamed(list, QStringLiteral("果汁")), QStringLiteral("饮品")).ok());
    QVERIFY(storedNames(list).contains(QStringLiteral("2-饮品")));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM FoodKindSub_tb WHERE FoodGroup <> '22'")), others);
}

void NameListTest::emptyDuplicateAndReservedNamesAreRefused()
{
    TestEnv env;
    NameList dishes(dishCategoryList());
    const int before = count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb"));

    NameListResult r = dishes.add(QStringLiteral("   "));
    QCOMPARE(r.status, Status::Refused);
    QCOMPARE(r.message, QStringLiteral("食物类别不能为空!"));
    r = dishes.add(QStringLiteral(" 凉菜"));
    QCOMPARE(r.status, Status::Duplicate);
    QCOMPARE(r.message, QStringLiteral("食物类别有重复!"));
    QCOMPARE(r.tone, MessageTone::Warning);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb")), before);

    const NameListEntry hot = entryNamed(dishes, QStringLiteral("热菜"));
    r = dishes.rename(hot, QStringLiteral("凉菜"));
    QCOMPARE(r.status, Status::Duplicate);
    QCOMPARE(r.message, QStringLiteral("该食物类别已存在!"));
    QCOMPARE(r.tone, MessageTone::Information);
    r = dishes.rename(hot, QString());
    QCOMPARE(r.message, QStringLiteral("食物类别不能为空!"));
    QCOMPARE(r.tone, MessageTone::Information);
    // Its own name is no duplicate.
    QVERIFY(dishes.rename(hot, QStringLiteral("热菜 ")).ok());
    QCOMPARE(dishesOf(QStringLiteral("热菜")) > 0, true);

    NameList kinds(dietKindList());
    r = kinds.add(QStringLiteral("正常膳食"));
    QCOMPARE(r.status, Status::Duplicate);
    QCOMPARE(r.message, QStringLiteral("对不起,该类别已存在!"));
    r = kinds.rename(entryNamed(kinds, QStringLiteral("低盐膳食")), QStringLiteral("无盐膳食"));
    QCOMPARE(r.message, QStringLiteral("已存在"));
}

void NameListTest::renameCarriesIntoReferencingRows()
{
    TestEnv env;
    NameList dishes(dishCategoryList());
    const NameListEntry cold = entryNamed(dishes, QStringLiteral("凉菜"));
    const int n = dishesOf(QStringLiteral("凉菜"));
    const int hot = dishesOf(QStringLiteral("热菜"));
    QVERIFY(n > 0);
    const NameListResult r = dishes.rename(cold, QStringLiteral("冷盘"));
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.rows, n + 1);
    QCOMPARE(dishesOf(QStringLiteral("凉菜")), 0);
    QCOMPARE(dishesOf(QStringLiteral("冷盘")), n);
    QCOMPARE(dishesOf(QStringLiteral("热菜")), hot);
    QCOMPARE(entryNamed(dishes, QStringLiteral("冷盘")).id, cold.id);

    NameList kinds(dietKindList());
    const auto amendments = [](const QString &k) {
        return count(QStringLiteral("SELECT COUNT(*) FROM DRIsIll_tb WHERE MEALKIND = ?"), {k});
    };
    const int diabetic = amendments(QStringLiteral("糖尿病膳食"));
    QVERIFY(diabetic > 0);
    QVERIFY(kinds.rename(entryNamed(kinds, QStringLiteral("糖尿病膳食")), QStringLiteral("糖尿病饮食")).ok());
    QCOMPARE(amendments(QStringLiteral("糖尿病膳食")), 0);
    QCOMPARE(amendments(QStringLiteral("糖尿病饮食")), diabetic);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM DRIsIllKind_tb WHERE MEALKIND = '糖尿病饮食'")), 1);
}

void NameListTest::renameRollsBackWholeWhenAFollowingWriteFails()
{
    TestEnv env;
    NameList dishes(dishCategoryList());
    const NameListEntry cold = entryNamed(dishes, QStringLiteral("凉菜"));
    const int n = dishesOf(QStringLiteral("凉菜"));
    auto q = std::make_unique<QSqlQuery>(db());
    QVERIFY(q->exec(QStringLiteral("CREATE TEMP TRIGGER refuse_dish_update BEFORE UPDATE ON CateNutri_tb "
                                  "BEGIN SELECT RAISE(ABORT, 'dish rows locked'); END")));

    const NameListResult r = dishes.rename(cold, QStringLiteral("冷盘"));
    QCOMPARE(r.status, Status::DbError);
    QVERIFY2(r.message.contains(QStringLiteral("dish rows locked")), qPrintable(r.message));
    // Neither the category nor any dish changed.
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb WHERE KINDNAME = '凉菜'")), 1);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb WHERE KINDNAME = '冷盘'")), 0);
    QCOMPARE(dishesOf(QStringLiteral("凉菜")), n);

    // The connection is left outside any transaction: later writes are stored.
    QVERIFY(q->exec(QStringLiteral("DROP TRIGGER refuse_dish_update")));
    q.reset();
    QVERIFY(dishes.rename(cold, QStringLiteral("冷盘")).ok());
    env.closeDataModule();
    env.openDataModule();
    QCOMPARE(dishesOf(QStringLiteral("冷盘")), n);
}

void NameListTest::deleteRefusedWhileInUse()
{
    TestEnv env;
    NameList dishes(dishCategoryList());
    const int before = count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb"));
    NameListResult r = dishes.remove(entryNamed(dishes, QStringLiteral("凉菜")));
    QCOMPARE(r.status, Status::Refused);
    QCOMPARE(r.message, QStringLiteral("务必清空此类别下的所有食物!"));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb")), before);
    NameListEntry added;
    QVERIFY(dishes.add(QStringLiteral("新类别"), &added).ok());
    QVERIFY(dishes.remove(added).ok());
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb")), before);

    // Sub-groups are held by the food codes that begin with their prefix.
    NameList groups(foodSubGroupList());
    NameListEntry drinks;
    QVERIFY(groups.add(QStringLiteral("饮料"), &drinks).ok());
    addFood(QStringLiteral("22-1-001"), QStringLiteral("自制酸奶"));
    addFood(QStringLiteral("22-12-001"), QStringLiteral("不属于 2 的食物"));
    bool used = false;
    QVERIFY(groups.inUse(entryNamed(groups, QStringLiteral("自定义食物")), used).ok());
    QVERIFY(used);
    QCOMPARE(groups.remove(entryNamed(groups, QStringLiteral("自定义食物"))).message,
             QStringLiteral("务必清空此类别下的所有食物!"));
    QVERIFY(groups.remove(drinks).ok());
    QCOMPARE(storedNames(groups), QStringList{QStringLiteral("1-自定义食物")});

    NameList kinds(dietKindList());
    r = kinds.remove(entryNamed(kinds, QStringLiteral("低盐膳食")));
    QCOMPARE(r.message, QStringLiteral("请务必清空该类别下的种类!"));
    QCOMPARE(r.tone, MessageTone::Information);
    QVERIFY(kinds.add(QStringLiteral("流质膳食"), &added).ok());
    QVERIFY(kinds.remove(added).ok());
    QCOMPARE(kinds.remove(added).status, Status::NotFound);
}

void NameListTest::namesWithQuotesWork()
{
    TestEnv env;
    NameList dishes(dishCategoryList());
    NameListEntry added;
    QVERIFY(dishes.add(QStringLiteral("Joe's 汤"), &added).ok());
    QCOMPARE(dishes.add(QStringLiteral("Joe's 汤")).status, Status::Duplicate);
    QSqlQuery q(db());
    QVERIFY(q.exec(QStringLiteral("UPDATE CateNutri_tb SET KINDNAME = 'Joe''s 汤' WHERE KINDNAME = '汤羹'")));
    const int n = dishesOf(QStringLiteral("Joe's 汤"));
    QVERIFY(n > 0);
    QVERIFY(dishes.rename(added, QStringLiteral("O'Brien's \"汤\"")).ok());
    QCOMPARE(dishesOf(QStringLiteral("O'Brien's \"汤\"")), n);
    QCOMPARE(dishes.remove(entryNamed(dishes, QStringLiteral("O'Brien's \"汤\""))).status, Status::Refused);

    NameList kinds(dietKindList());
    QVERIFY(kinds.add(QStringLiteral("it's'; DROP TABLE DRIsIll_tb; --"), &added).ok());
    QVERIFY(kinds.remove(added).ok());
    QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM DRIsIll_tb")) > 0);
}

void NameListTest::descriptionsAreCheckedAgainstTheSchema()
{
    TestEnv env;
    for (const NameListDescription &d : {foodSubGroupList(), dishCategoryList(), dietKindList()})
        QVERIFY2(validateDescription(d).ok(), qPrintable(validateDescription(d).message));

    NameListDescription bad = dishCategoryList();
    bad.nameColumn = QStringLiteral("KINDNAME = KINDNAME; DROP TABLE CateKind_tb; --");
    NameList list(bad);
    QVERIFY(!list.validity().ok());
    const NameListResult r = list.add(QStringLiteral("x"));
    QCOMPARE(r.status, Status::DbError);
    QVERIFY(!r.message.isEmpty());
    QList<NameListEntry> out;
    QVERIFY(!list.entries(out).ok());

    bad = dishCategoryList();
    bad.table = QStringLiteral("Nope_tb");
    QVERIFY(!validateDescription(bad).ok());
    bad = dishCategoryList();
    bad.references[0].column = QStringLiteral("NOPE");
    QVERIFY(!validateDescription(bad).ok());
    bad = dishCategoryList();
    bad.nextId = nullptr;
    QVERIFY(!validateDescription(bad).ok());
    // Lower-case spellings resolve to the schema's.
    bad = dishCategoryList();
    bad.nameColumn = QStringLiteral("kindname");
    NameList lower(bad);
    QVERIFY(lower.validity().ok());
    QCOMPARE(lower.description().nameColumn, QStringLiteral("KINDNAME"));
    QVERIFY(count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb")) > 0);
}

void NameListTest::editorAddsRenamesAndDeletes()
{
    TestEnv env;
    ScriptedPrompt prompt;
    NameListEditor w(dishCategoryList());
    w.show();
    QCOMPARE(w.objectName(), QStringLiteral("TFoodKindEdit"));
    auto *grid = child<QTableWidget>(&w, "DBGridEh1");
    auto *edit = child<QLineEdit>(&w, "KindName_edt");
    const int rows = grid->rowCount();
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("01"));
    QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("凉菜"));

    // Enter in the name field adds.
    edit->setText(QStringLiteral("夜宵"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(grid->rowCount(), rows + 1);
    QVERIFY(edit->text().isEmpty());
    QVERIFY(w.wasChanged());
    QCOMPARE(w.currentEntry()->name, QStringLiteral("夜宵"));

    // A refused duplicate keeps the typed name (dish categories do).
    edit->setText(QStringLiteral("夜宵"));
    child<QPushButton>(&w, "Add_btn")->click();
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages[0].icon, Prompt::Icon::Warning);
    QCOMPARE(prompt.messages[0].text, QStringLiteral("食物类别有重复!"));
    QCOMPARE(edit->text(), QStringLiteral("夜宵"));

    // Rename through the rename window.
    onNextModal([](QWidget *d) {
        QCOMPARE(d->objectName(), QStringLiteral("TFoodKindEditSub"));
        QCOMPARE(child<QLabel>(d, "OldKind_lab")->text(), QStringLiteral("夜宵"));
        auto *e = child<QLineEdit>(d, "NewKind_edt");
        e->setText(QStringLiteral("宵夜"));
        QTest::keyClick(e, Qt::Key_Return);
    });
    child<QPushButton>(&w, "Edit_btn")->click();
    QCOMPARE(w.currentEntry()->name, QStringLiteral("宵夜"));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb WHERE KINDNAME = '宵夜'")), 1);

    // Deleting a category with dishes is refused; an empty one goes.
    grid->setCurrentCell(0, 0);
    prompt.clear();
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages[0].icon, Prompt::Icon::Information);
    QCOMPARE(grid->rowCount(), rows + 1);
    grid->setCurrentCell(rows, 0);
    child<QPushButton>(&w, "Del_btn")->click();
    QCOMPARE(grid->rowCount(), rows);

    // Sub-groups ask first; No keeps the row.
    NameListEditor groups(foodSubGroupList());
    groups.show();
    auto *g = child<QTableWidget>(&groups, "DBGridEh1");
    QCOMPARE(g->columnCount(), 1);
    g->setCurrentCell(0, 0);
    prompt.clear();
    prompt.answers.enqueue(false);
    child<QPushButton>(&groups, "Del_btn")->click();
    QCOMPARE(prompt.texts(), QStringList{QStringLiteral("确认删除？")});
    QCOMPARE(g->rowCount(), 1);
    // A refused name is cleared there.
    auto *addEdit = child<QLineEdit>(&groups, "Add_edt");
    addEdit->setText(QStringLiteral("自定义食物"));
    child<QPushButton>(&groups, "Add_btn")->click();
    QCOMPARE(prompt.lastText(), QStringLiteral("该类别已存在!"));
    QVERIFY(addEdit->text().isEmpty());
}

void NameListTest::editorRenameDialogStaysOpenOnRefusal()
{
    TestEnv env;
    ScriptedPrompt prompt;
    NameList list(dietKindList());
    const NameListEntry low = entryNamed(list, QStringLiteral("低盐膳食"));
    bool stayedOpen = false;
    onNextModal([&](QWidget *d) {
        QCOMPARE(d->objectName(), QStringLiteral("TDRIsAmendEditKindSub"));
        QVERIFY(!child<QLineEdit>(d, "OldKind_edt")->isEnabled());
        auto *e = child<QLineEdit>(d, "NewKind_edt");
        QTest::keyClick(e, Qt::Key_Return); // empty
        e->setText(QStringLiteral("无盐膳食"));
        QTest::keyClick(e, Qt::Key_Return); // duplicate
        stayedOpen = d->isVisible();
        e->setText(QStringLiteral("限盐膳食"));
        QTest::keyClick(e, Qt::Key_Return);
    });
    const auto renamed = NameRenameDialog::run(nullptr, list, low);
    QVERIFY(stayedOpen);
    QCOMPARE(prompt.texts(), (QStringList{QStringLiteral("食物名不能为空！"), QStringLiteral("已存在")}));
    QCOMPARE(prompt.messages[0].icon, Prompt::Icon::Warning);
    QCOMPARE(prompt.messages[1].icon, Prompt::Icon::Information);
    QCOMPARE(renamed, std::optional<QString>(QStringLiteral("限盐膳食")));
    QCOMPARE(entryNamed(list, QStringLiteral("限盐膳食")).name, QStringLiteral("限盐膳食"));

    // Esc cancels without a change.
    onNextModal([](QWidget *d) { QTest::keyClick(d, Qt::Key_Escape); });
    QVERIFY(!NameRenameDialog::run(nullptr, list, entryNamed(list, QStringLiteral("限盐膳食"))));
    QVERIFY(!entryNamed(list, QStringLiteral("限盐膳食")).name.isEmpty());
}

QTEST_MAIN(NameListTest)
#include "test_name_list.moc"
