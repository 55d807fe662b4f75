#include "TestEnv.h"
#include "data/FunctionUnit.h"
#include "widgets/Pickers.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace nqb;

namespace {

void exec(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q(db());
    QVERIFY2(q.prepare(sql), qPrintable(q.lastError().text()));
    for (const QVariant &v : binds)
        q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(sql + QLatin1Char(' ') + q.lastError().text()));
}

// The seed may already hold foods and dishes: each test starts from its own rows.
void emptyTables(const QStringList &tables)
{
    for (const QString &t : tables)
        exec(QStringLiteral("DELETE FROM ") + t);
}

void addFood(const QString &code, const QString &name, const QString &pyjm, double energy = 0)
{
    exec(QStringLiteral("INSERT INTO Nutri_tb (Code, FoodName, PYJM, EDIBLE, ENERC_kcal) VALUES (?, ?, ?, 100, ?)"),
         {code, name, pyjm, energy});
}

void addKind(const QString &id, const QString &name)
{
    exec(QStringLiteral("INSERT INTO CateKind_tb (KINDID, KINDNAME) VALUES (?, ?)"), {id, name});
}

void addDish(const QString &id, const QString &name, const QString &kind, double energy = 0)
{
    exec(QStringLiteral("INSERT INTO CateNutri_tb (FOODID, FOODNAME, PYJM, EDIBLE, ENERC_kcal, KINDNAME) "
                        "VALUES (?, ?, '', 100, ?, ?)"),
         {id, name, energy, kind});
}

QStringList strGridIds()
{
    QStringList ids;
    QSqlQuery q(db());
    q.exec(QStringLiteral("SELECT TmpID FROM StrGrid_tmp ORDER BY rowid"));
    while (q.next())
        ids << q.value(0).toString();
    return ids;
}

QStringList gridCells(const QTableWidget &grid)
{
    QStringList cells;
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            cells << (grid.item(r, c) ? grid.item(r, c)->text() : QStringLiteral("<null>"));
    return cells;
}

} // namespace

class FunctionUnitTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void foodTreeAndCodePrefixes();
    void foodTreePairsSubGroupsByTheirGroupNumber();
    void dishTreeAndKindCombo();
    void elementComboKeepsItsPrompt();
    void searchMatchesTextLiterally();
    void strGridTmpTakesRemainingRows();
    void pickGridLayout_data();
    void pickGridLayout();
    void pickListSortStatement();
    void pickListNamesOfListedIds();
    void listingsInOneReadMatchTheirIdentifierLists();
    void nextDishId();
    void nextKindId();
    void clearTableAcceptsSchemaTablesOnly();
    void failuresAreReported();

private:
    std::unique_ptr<TestEnv> m_env;
};

void FunctionUnitTest::init()
{
    m_env = std::make_unique<TestEnv>();
    QVERIFY2(m_env->dm()->isOpen(), qPrintable(m_env->dm()->openError()));
    emptyTables({"FoodKind_tb", "FoodKindSub_tb", "Nutri_tb", "CateNutri_tb", "CateKind_tb", "Element_tb",
                 "StrGrid_tmp"});
}

void FunctionUnitTest::cleanup()
{
    m_env.reset();
}

void FunctionUnitTest::foodTreeAndCodePrefixes()
{
    exec("INSERT INTO FoodKind_tb VALUES (' 01-谷类 '), ('02-薯类')");
    exec("INSERT INTO FoodKindSub_tb VALUES ('01', '1-小麦', '1'), ('02', '1-薯类', '1'), ('01', ' 2-稻米 ', '2')");
    QTreeWidget tree;
    QVERIFY(FillFoodTree(&tree));
    QCOMPARE(tree.topLevelItemCount(), 2);
    QTreeWidgetItem *cereals = tree.topLevelItem(0);
    QCOMPARE(cereals->text(0), QStringLiteral("01-谷类"));
    QCOMPARE(cereals->childCount(), 2);
    QCOMPARE(cereals->child(1)->text(0), QStringLiteral("2-稻米"));
    QCOMPARE(tree.topLevelItem(1)->childCount(), 1);

    QCOMPARE(TreeCodePrefix(&tree), QString()); // nothing selected
    tree.setCurrentItem(cereals);
    QCOMPARE(TreeCodePrefix(&tree), QStringLiteral("01-"));
    tree.setCurrentItem(cereals->child(0));
    QCOMPARE(TreeCodePrefix(&tree), QStringLiteral("01-1-"));

    // Filled again with nothing changed, the tree keeps its items and the
    // choice; a changed sub-group shows at once.
    QVERIFY(FillFoodTree(&tree));
    QCOMPARE(tree.topLevelItem(0), cereals);
    QCOMPARE(TreeCodePrefix(&tree), QStringLiteral("01-1-"));
    exec("UPDATE FoodKindSub_tb SET FoodGroupSub = '1-小麦粉' WHERE FoodGroupSub = '1-小麦'");
    QVERIFY(FillFoodTree(&tree));
    QCOMPARE(tree.topLevelItem(0)->child(0)->text(0), QStringLiteral("1-小麦粉"));
    QCOMPARE(tree.topLevelItem(0)->childCount(), 2);
}

void FunctionUnitTest::foodTreePairsSubGroupsByTheirGroupNumber()
{
    // Group numbers of every kind: ASCII in either case, wider characters,
    // too short, NULL; and groups of fewer than two characters, which take
    // every sub-group that begins with their whole text.
    const QStringList groups = {"01-谷类", "ab-字母", "AB-大写", "一类-汉字", "1", "", "é1-重音", "Éx-重音"};
    const QList<QVariant> numbers = {"01", "AB", "ab", "aB", "一类", "一", "1", "10", QVariant(), "", "é1", "É1",
                                     "01 ", "0"};
    for (const QString &g : groups)
        exec("INSERT INTO FoodKind_tb VALUES (?)", {g});
    for (qsizetype i = 0; i < numbers.size(); ++i)
        exec("INSERT INTO FoodKindSub_tb VALUES (?, ?, ?)", {numbers.at(i), QStringLiteral("s%1").arg(i), i});

    QString error;
    const QList<FoodTreeNode> nodes = FoodTreeNodes(&error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(nodes.size(), groups.size());
    for (qsizetype n = 0; n < groups.size(); ++n) {
        const QString &g = groups.at(n);
        const QString prefix = g.size() >= 2 ? g.left(2) : g;
        QStringList expected;
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            const QString number = numbers.at(i).toString();
            if (number.startsWith(prefix, Qt::CaseInsensitive) && number.size() >= prefix.size()
                && (g.size() < 2 || number.size() >= 2))
                expected << QStringLiteral("s%1").arg(i);
        }
        QCOMPARE(nodes.at(n).text, g);
        QCOMPARE(nodes.at(n).children, expected);
    }
    // Spot checks of the rule above.
    QCOMPARE(nodes.at(1).children, QStringList({"s1", "s2", "s3"}));
    QCOMPARE(nodes.at(3).children, QStringList({"s4"}));
    QCOMPARE(nodes.at(4).children, QStringList({"s6", "s7"}));
    QCOMPARE(nodes.at(5).children.size(), numbers.size() - 1); // all but the NULL number
    QCOMPARE(nodes.at(6).children, QStringList({"s10", "s11"}));
    QVERIFY(nodes.at(7).children.isEmpty());
}

void FunctionUnitTest::dishTreeAndKindCombo()
{
    addKind("02", " 热菜 ");
    addKind("01", "凉菜");
    addDish("01-001", "拍黄瓜", "凉菜");
    addDish("01-002", "凉拌木耳", "凉菜");
    QTreeWidget tree;
    QVERIFY(FillDishTree(&tree));
    QCOMPARE(tree.topLevelItemCount(), 2);
    QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("01-凉菜 [2]"));
    QCOMPARE(tree.topLevelItem(1)->text(0), QStringLiteral("02-热菜 [0]"));
    // A dish counts under the category named exactly as its own category;
    // one of an unknown category, or of none, under no category.
    addDish("02-001", "炒青菜", " 热菜 ");
    addDish("02-002", "炒白菜", "热菜");
    addDish("09-001", "无类", "无此类");
    exec("INSERT INTO CateNutri_tb (FOODID, FOODNAME, PYJM, EDIBLE) VALUES ('09-002', '空类', '', 100)");
    QCOMPARE(DishTreeLabels(), QStringList({"01-凉菜 [2]", "02-热菜 [1]"}));
    // The tree follows the counts.
    QVERIFY(FillDishTree(&tree));
    QCOMPARE(tree.topLevelItem(1)->text(0), QStringLiteral("02-热菜 [1]"));
    // A label gives back its KINDID, also one longer than two digits.
    QCOMPARE(DishKindOf(tree.topLevelItem(0)->text(0)), QStringLiteral("01"));
    QCOMPARE(DishKindOf(QStringLiteral(" 105-汤羹 [3]")), QStringLiteral("105"));

    QComboBox combo;
    QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
    QVERIFY(FillDishKindCombo(&combo));
    QCOMPARE(combo.count(), 2);
    QCOMPARE(combo.itemText(1), QStringLiteral("02-热菜"));
    QCOMPARE(changed.count(), 0);

    // A category lists its own dishes only: 10 never takes those of 100.
    addKind("10", "粥点");
    addKind("100", "面点");
    addDish("100-001", "葱油饼", "面点");
    addDish("10-002", "小米粥", "粥点");
    addDish("10-001", "白粥", "粥点");
    QVERIFY(ListDishKind(QStringLiteral("10")));
    QCOMPARE(strGridIds(), QStringList({"10-001", "10-002"}));
    QVERIFY(ListDishKind(QStringLiteral("100")));
    QCOMPARE(strGridIds(), QStringList({"100-001"}));
}

void FunctionUnitTest::elementComboKeepsItsPrompt()
{
    exec("INSERT INTO Element_tb VALUES (' 能量 ', ' ENERC_kcal '), ('维生素''C', 'VITC')");
    QComboBox editable;
    editable.setEditable(true);
    editable.setEditText(QStringLiteral("营养素种类"));
    QVERIFY(FillElementCombo(&editable));
    QCOMPARE(editable.count(), 2);
    QCOMPARE(editable.itemText(0), QStringLiteral("能量"));
    QCOMPARE(editable.currentText(), QStringLiteral("营养素种类"));
    QCOMPARE(ElementColumn(&editable), QStringLiteral("none"));
    editable.setCurrentIndex(0);
    QCOMPARE(ElementColumn(&editable), QStringLiteral("ENERC_kcal"));
    editable.setCurrentIndex(1); // a name with a quote
    QCOMPARE(ElementColumn(&editable), QStringLiteral("VITC"));

    QComboBox list;
    list.setPlaceholderText(QStringLiteral("营养素种类"));
    QVERIFY(FillElementCombo(&list));
    QCOMPARE(list.currentIndex(), -1);
    QCOMPARE(ElementColumn(&list), QStringLiteral("none"));
}

void FunctionUnitTest::searchMatchesTextLiterally()
{
    addFood("01-1-001", "小麦", "XM");
    addFood("01-1-002", "Joe's 鸡汤", "JSJT");
    addFood("01-1-003", "50%糖浆", "50%TJ");
    addFood("01-1-004", "A_1奶", "A_1N");
    addFood("01-1-005", "AB1奶", "AB1N");
    const auto found = [](const QString &table, const QString &text) {
        QString error;
        if (!SearchFood(table, text, &error))
            return QStringList{QStringLiteral("error: ") + error};
        QStringList names;
        QSqlQuery &q = DM()->AQSearchFood();
        while (q.next())
            names << q.value(QStringLiteral("FoodName")).toString();
        return names;
    };
    QCOMPARE(found("Nutri_tb", "XM"), QStringList{"小麦"});
    QCOMPARE(found("Nutri_tb", "麦"), QStringList{"小麦"});
    QCOMPARE(found("Nutri_tb", "Joe's"), QStringList{"Joe's 鸡汤"});
    QCOMPARE(found("Nutri_tb", "%"), QStringList{"50%糖浆"});
    QCOMPARE(found("Nutri_tb", "A_1"), QStringList{"A_1奶"});
    QCOMPARE(found("Nutri_tb", "").size(), 5);

    addKind("01", "凉菜");
    addDish("01-001", "拍黄瓜", "凉菜");
    QCOMPARE(found("CateNutri_tb", "黄瓜"), QStringList{"拍黄瓜"});
    QVERIFY(!SearchFood("Nutri_tb where 1=1 --", "x"));
}

void FunctionUnitTest::strGridTmpTakesRemainingRows()
{
    for (int i = 1; i <= 4; ++i)
        addFood(QStringLiteral("01-1-00%1").arg(i), QStringLiteral("食物%1").arg(i), "SW");
    exec("INSERT INTO StrGrid_tmp VALUES ('old')");

    QVERIFY(SearchFood("Nutri_tb", "SW"));
    QSqlQuery &found = DM()->AQSearchFood();
    QVERIFY(FillStrGridTmp(found, "Code"));
    QCOMPARE(strGridIds(), QStringList({"01-1-001", "01-1-002", "01-1-003", "01-1-004"}));
    QVERIFY(!found.isValid()); // left at its end

    // From a dataset's current row on.
    QSqlQuery q(db());
    QVERIFY(q.exec("SELECT Code FROM Nutri_tb ORDER BY Code"));
    QVERIFY(q.next() && q.next());
    QVERIFY(FillStrGridTmp(q, "CODE"));
    QCOMPARE(strGridIds(), QStringList({"01-1-002", "01-1-003", "01-1-004"}));

    // A bad field changes nothing.
    QVERIFY(q.exec("SELECT Code FROM Nutri_tb"));
    QString error;
    QVERIFY(!FillStrGridTmp(q, "FoodID", &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(strGridIds().size(), 3);

    QVERIFY(FillStrGridTmp("SELECT Code FROM Nutri_tb WHERE Code LIKE ?", {"01-1-00_"}, "Code"));
    QCOMPARE(strGridIds().size(), 4);
}

void FunctionUnitTest::pickGridLayout_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("five") << QStringList{"a", "b", "c", "d", "e"} << QStringList{"a", "b", "c", "d", "e", ""};
    QTest::newRow("four") << QStringList{"a", "b", "c", "d"} << QStringList{"a", "b", "c", "d"};
    QTest::newRow("none") << QStringList{} << QStringList{"", ""};
}

void FunctionUnitTest::pickGridLayout()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, cells);
    QTableWidget grid(7, 2); // stale rows and texts from an earlier list
    for (int r = 0; r < 7; ++r)
        grid.setItem(r, 1, new QTableWidgetItem(QStringLiteral("old")));
    for (const QString &n : names)
        exec("INSERT INTO StrGrid_tmp VALUES (?)", {n});
    QVERIFY(FillPickGrid("SELECT TmpID FROM StrGrid_tmp ORDER BY rowid", {}, "TmpID", &grid));
    QCOMPARE(grid.columnCount(), 2);
    QCOMPARE(gridCells(grid), cells);

    QString error;
    QVERIFY(!FillPickGrid("SELECT nothing FROM nowhere", {}, "TmpID", &grid, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(gridCells(grid), cells);
}

// The chooser's list: the listed rows only, in the wanted order, whatever
// characters their identifiers hold; an identifier listed twice counts once,
// at its last place.
void FunctionUnitTest::pickListNamesOfListedIds()
{
    const QString odd = QStringLiteral("9\"x\\y\tz,]");
    addFood("01-1-003", "甲", "J", 300);
    addFood("01-1-001", "乙", "Y", 100);
    addFood(odd, "丙", "B", 500);
    addFood("01-1-004", "丁", "D", 900); // not listed
    const QStringList ids{"01-1-003", odd, "01-1-001", "01-1-003", "no such"};
    QCOMPARE(PickListNames(FoodKind::RawFood, ids, "none", PickFallbackOrder::Listed), QStringList({"丙", "乙", "甲"}));
    QCOMPARE(PickListNames(FoodKind::RawFood, ids, "ENERC_kcal", PickFallbackOrder::Identifier),
             QStringList({"丙", "甲", "乙"}));
    QCOMPARE(PickListNames(FoodKind::RawFood, ids, "none", PickFallbackOrder::Name), QStringList({"丙", "乙", "甲"}));
    QVERIFY(PickListNames(FoodKind::RawFood, {}, "none").isEmpty());
    QString error;
    QVERIFY(PickListNames(FoodKind::RawFood, ids, "Code; --", PickFallbackOrder::Listed, &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

void FunctionUnitTest::pickListSortStatement()
{
    addFood("01-1-003", "甲", "J", 300);
    addFood("01-1-001", "乙", "Y", 100);
    addFood("01-1-002", "丙", "B", 300);
    addFood("01-1-004", "丁", "D", 900); // not listed
    exec("INSERT INTO StrGrid_tmp VALUES ('01-1-003'), ('01-1-001'), ('01-1-002')");
    const QString field = pickListNameField(FoodKind::RawFood);
    const auto names = [&](const QString &sql) { return PickGridValues(sql, {}, field); };

    QCOMPARE(names(PickListSortStatement(FoodKind::RawFood, "none")), QStringList({"乙", "丙", "甲"}));
    const QString byEnergy = PickListSortStatement(FoodKind::RawFood, "enerc_KCAL");
    QVERIFY(byEnergy.contains("ORDER BY  Nutri_tb.ENERC_kcal DESC"));
    QCOMPARE(names(byEnergy), QStringList({"丙", "甲", "乙"}));

    QString error;
    QCOMPARE(PickListSortStatement(FoodKind::RawFood, "ENERC_kcal; DROP TABLE Nutri_tb", {}, &error), QString());
    QVERIFY(!error.isEmpty());

    addKind("01", "凉菜");
    addDish("01-001", "B黄瓜", "凉菜", 50);
    addDish("01-002", "A木耳", "凉菜", 20);
    exec("DELETE FROM StrGrid_tmp");
    exec("INSERT INTO StrGrid_tmp VALUES ('01-002'), ('01-001')");
    const auto dishes = [](const QString &column, PickFallbackOrder order) {
        return PickGridValues(PickListSortStatement(FoodKind::Dish, column, order), {},
                              pickListNameField(FoodKind::Dish));
    };
    QCOMPARE(dishes("none", PickFallbackOrder::Identifier), QStringList({"B黄瓜", "A木耳"}));
    QCOMPARE(dishes("none", PickFallbackOrder::Name), QStringList({"A木耳", "B黄瓜"}));
    QCOMPARE(dishes("VITC", PickFallbackOrder::Name), QStringList({"A木耳", "B黄瓜"})); // equal: by name
    QCOMPARE(dishes("ENERC_kcal", PickFallbackOrder::Name), QStringList({"B黄瓜", "A木耳"}));
}

void FunctionUnitTest::listingsInOneReadMatchTheirIdentifierLists()
{
    // A group listing and a search read their names in one go; they must name
    // the same rows in the same order as their identifier lists do through
    // PickListNames, ties and pattern characters included.
    addFood("01-1-003", "甲米", "JM", 300);
    addFood("01-1-001", "乙米", "YM", 100);
    addFood("01-2-002", "丙_米", "BM", 300);
    addFood("01-%-001", "丁%", "D%", 300);
    addFood("02-1-001", "戊米", "WM", 50);
    addFood("01-1-002", "己'米", "JM", 0);
    addDish("01-002", "甲米饭", "主食", 200);
    addDish("01-001", "乙米粥", "主食", 200);
    addDish("02-001", "丙_汤", "汤", 10);
    const QStringList columns{"none", "ENERC_kcal"};
    const QList<PickFallbackOrder> fallbacks{PickFallbackOrder::Identifier, PickFallbackOrder::Name};
    for (const QString &column : columns) {
        for (const PickFallbackOrder fallback : fallbacks) {
            for (const QString prefix : {"01-", "01-1-", "01-%", "", "03-"}) {
                const QStringList ids = FoodGroupCodes(prefix);
                const PickListing g = GroupListing(prefix, column, fallback);
                QCOMPARE(g.ids, ids);
                QCOMPARE(g.names, PickListNames(FoodKind::RawFood, ids, column, fallback));
            }
            for (const FoodKind kind : {FoodKind::RawFood, FoodKind::Dish}) {
                for (const QString text : {"米", "jm", "_", "%", "'", "", "无"}) {
                    const QStringList ids = SearchIds(kind, text);
                    const PickListing found = SearchListing(kind, text, column, fallback);
                    QCOMPARE(found.ids, ids);
                    QCOMPARE(found.names, PickListNames(kind, ids, column, fallback));
                }
            }
        }
    }
    QCOMPARE(SearchListing(FoodKind::RawFood, "_", "none").names, QStringList({"丙_米"}));
    QString error;
    QVERIFY(GroupListing("01-", "Code; --", PickFallbackOrder::Identifier, &error).names.isEmpty());
    QVERIFY(!error.isEmpty());
}

void FunctionUnitTest::nextDishId()
{
    addKind("01", "凉菜");
    addKind("02", "Joe's 汤");
    addKind("100", "点心");
    QCOMPARE(NextDishID("凉菜"), QStringLiteral("01-001"));
    // Table order plays no part.
    addDish("01-001", "a", "凉菜");
    addDish("01-003", "c", "凉菜");
    QCOMPARE(NextDishID("凉菜"), QStringLiteral("01-002"));
    addDish("01-002", "b", "凉菜");
    QCOMPARE(NextDishID("凉菜"), QStringLiteral("01-004"));
    QCOMPARE(NextDishID("Joe's 汤"), QStringLiteral("02-001"));
    // A three-character category identifier keeps its numbers readable.
    addDish("100-001", "d", "点心");
    QCOMPARE(NextDishID("点心"), QStringLiteral("100-002"));

    QString error;
    addDish("01-00x", "e", "凉菜");
    QCOMPARE(NextDishID("凉菜", &error), QString());
    QVERIFY(error.contains("01-00x"));
    QCOMPARE(NextDishID("没有", &error), QString());
    QVERIFY(!error.isEmpty());
}

void FunctionUnitTest::nextKindId()
{
    QCOMPARE(NextKindID(), QStringLiteral("01"));
    addKind("04", "a");
    addKind("01", "b");
    addKind("02", "c");
    QCOMPARE(NextKindID(), QStringLiteral("03"));
    addKind("03", "d");
    QCOMPARE(NextKindID(), QStringLiteral("05"));

    // Beyond 99 the text order ("10" < "100" < "11") must not hide a number in use.
    emptyTables({"CateKind_tb"});
    QVERIFY(db().transaction());
    for (int i = 1; i <= 100; ++i)
        addKind(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')), QString::number(i));
    QVERIFY(db().commit());
    QCOMPARE(NextKindID(), QStringLiteral("101"));

    addKind("0A", "x");
    QString error;
    QCOMPARE(NextKindID(&error), QString());
    QVERIFY(error.contains("0A"));
}

void FunctionUnitTest::clearTableAcceptsSchemaTablesOnly()
{
    exec("INSERT INTO StrGrid_tmp VALUES ('x'), ('y')");
    QVERIFY(ClearTable("strgrid_TMP"));
    QCOMPARE(rowCount("StrGrid_tmp"), 0);

    addFood("01-1-001", "小麦", "XM");
    QString error;
    QVERIFY(!ClearTable("StrGrid_tmp; DELETE FROM Nutri_tb", &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!ClearTable("CateNutrientContent_tb", &error));
    QCOMPARE(rowCount("Nutri_tb"), 1);
}

void FunctionUnitTest::failuresAreReported()
{
    m_env->closeDataModule();
    QString error;
    QVERIFY(FoodTreeNodes(&error).isEmpty());
    QVERIFY(!error.isEmpty());
    QCOMPARE(NextKindID(&error), QString());
    QVERIFY(!error.isEmpty());
    QVERIFY(!SearchFood("Nutri_tb", "x", &error));
    QComboBox combo;
    combo.addItem("keep");
    QVERIFY(!FillElementCombo(&combo, &error));
    QCOMPARE(combo.count(), 1);
}

QTEST_MAIN(FunctionUnitTest)
#include "test_function_unit.moc"
