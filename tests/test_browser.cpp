// The food composition browser: one filter for all six pages (tree prefix or
// literal search), title sorting with empty cells last, the three column
// selectors on this browser's grids, and the browser kept by the main window.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "app/AppStart.h"
#include "app/MainUnit.h"
#include "data/FunctionUnit.h"
#include "data/Schema.h"
#include "foods/Browser.h"
#include "foods/NutrientColumns.h"
#include "foods/CompositionRows.h"
#include "foods/SHFoodUnit.h"
#include "planning_fixtures.h"
#include "widgets/DataGrid.h"
#include "widgets/SearchEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

using namespace nqb;
using nqb::browser::Page;

namespace {

// Names shown by a grid, in the shown order.
QStringList shownNames(DataGrid *g)
{
    QStringList out;
    for (int r = 0; r < g->rowCount(); ++r)
        out << g->value(r, QStringLiteral("FoodName")).toString();
    return out;
}

// Names of a table's rows whose name or pinyin initials contain text, worked
// out here without SQL patterns.
QStringList namesContaining(const QString &table, const QString &text)
{
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("SELECT FoodName, PYJM FROM %1 ORDER BY rowid").arg(table)))
        return {QStringLiteral("<failed>")};
    QStringList out;
    while (q.next()) {
        if (q.value(0).toString().toUpper().contains(text) || q.value(1).toString().toUpper().contains(text))
            out << q.value(0).toString();
    }
    return out;
}

QStringList namesWithCodePrefix(const QString &table, const QString &prefix)
{
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("SELECT FoodName, CODE FROM %1 ORDER BY rowid").arg(table)))
        return {QStringLiteral("<failed>")};
    QStringList out;
    while (q.next()) {
        if (q.value(1).toString().startsWith(prefix))
            out << q.value(0).toString();
    }
    return out;
}

void search(TSHFood &w, const QString &text)
{
    auto *edit = child<SearchEdit>(&w, "SearchName_edt");
    edit->setText(text);
    child<QPushButton>(&w, "Search_btn")->click();
}

void showPage(TSHFood &w, Page p)
{
    child<QTabWidget>(&w, "PageControl1")->setCurrentIndex(int(p));
}

// Amino acid and fatty acid rows for some raw foods (the seed ships these
// tables empty): one row per code, values from the food's protein and fat.
bool addAminoAndFattyRows(const QStringList &codes)
{
    for (const QString &code : codes) {
        if (!fixtures::run(QStringLiteral("INSERT INTO Amino_tb (CODE, FoodName, PYJM, LYS, BCAA_ILE, TMP) "
                                          "SELECT Code, FoodName, PYJM, PROCNT * 10, PROCNT * 5, 0 "
                                          "FROM Nutri_tb WHERE Code = ?"),
                           {code})
            || !fixtures::run(QStringLiteral("INSERT INTO Fatty_tb (CODE, FoodName, PYJM, FattyAcid_Total, UnKnow) "
                                             "SELECT Code, FoodName, PYJM, FAT, 1 FROM Nutri_tb WHERE Code = ?"),
                              {code}))
            return false;
    }
    return true;
}

QStringList visibleFields(DataGrid *g)
{
    return g->visibleColumns();
}

// Opens a selector through its context-menu action, runs fn on it and
// presses the button named button.
void withSelector(QAction *action, std::function<void(QDialog *)> fn, const char *button = "Accept_btn")
{
    bool reached = false;
    onNextModal([&](QWidget *w) {
        auto *d = qobject_cast<QDialog *>(w);
        reached = d != nullptr;
        if (!d)
            return;
        fn(d);
        d->findChild<QPushButton *>(QString::fromLatin1(button))->click();
    });
    action->trigger();
    QVERIFY(reached);
}

QCheckBox *box(QDialog *d, const char *name)
{
    return child<QCheckBox>(d, name);
}

} // namespace

class BrowserTest : public QObject
{
    Q_OBJECT
private slots:
    void pagesCoverTheirTablesColumns();
    void statementsMatchLiterally();
    void opensOnTheFirstSubGroupAndFollowsTheTree();
    void blankSearchChangesNothing();
    void searchByInitialsAndByNameHoldsAcrossPages();
    void titleClicksSortLargestFirstThenAlternateWithBlanksLast();
    void emptyCellsShowEmptyAndDistinctFromZero();
    void manyRowsReadAsShownAndEditsSeenAtOnce();
    void sortsOfLargeTablesReadAnIndexInTheSameOrder();
    void generalSelectorHidesGroupsAndKeepsTheChoice();
    void aminoAndFattySelectorsSwitchTheirRuns();
    void mainWindowKeepsOneBrowserWithItsState();
};

void BrowserTest::pagesCoverTheirTablesColumns()
{
    // Every column a page shows exists in its table, and every value column of
    // the table is shown (Code and PYJM only serve the filter).
    TestEnv env;
    for (const browser::PageDef &p : browser::pages()) {
        QSqlQuery q(db());
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(p.table)));
        QStringList tableCols;
        for (int i = 0; i < q.record().count(); ++i)
            tableCols << q.record().fieldName(i).toUpper();
        QStringList shown;
        for (const browser::PageColumn &c : p.columns) {
            QVERIFY2(tableCols.contains(c.field.toUpper()), qPrintable(p.table + ": " + c.field));
            shown << c.field.toUpper();
        }
        for (const QString &c : tableCols) {
            if (c != QLatin1String("CODE") && c != QLatin1String("PYJM"))
                QVERIFY2(shown.contains(c), qPrintable(p.table + ": " + c + " not shown"));
        }
        QCOMPARE(shown.first(), QStringLiteral("FOODNAME"));
    }

    // The fatty-acid runs lie in the grid's order directly after the name.
    const browser::PageDef &fatty = browser::page(Page::Fatty);
    QStringList runs;
    QList<int> sizes;
    for (const QStringList &r : browser::fattyAcidRuns()) {
        runs << r;
        sizes << int(r.size());
    }
    QCOMPARE(sizes, (QList<int>{5, 16, 9, 13, 1}));
    for (int i = 0; i < runs.size(); ++i)
        QCOMPARE(fatty.columns.at(i + 1).field, runs.at(i));
    QCOMPARE(fatty.columns.last().field, QStringLiteral("TMP"));
    QCOMPARE(browser::chainTitle(QStringLiteral("PUFA_FA_22_6")), QStringLiteral("22:6"));
}

void BrowserTest::statementsMatchLiterally()
{
    TestEnv env;
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-1-001", "脱脂50%奶", 100, {}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-1-002", "脱脂50奶", 100, {}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-1-003", "Joe's 鸡汤", 100, {}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-1-004", "A_B面", 100, {}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-1-005", "AXB面", 100, {}));
    auto names = [](const browser::Filter &f) {
        const browser::Statement st = browser::pageStatement(Page::Nutrient, f);
        QSqlQuery q(db());
        q.prepare(st.sql);
        for (const QVariant &v : st.binds)
            q.addBindValue(v);
        QStringList out;
        if (!q.exec())
            return QStringList{QStringLiteral("<failed>")};
        while (q.next())
            out << q.value(QStringLiteral("FoodName")).toString();
        return out;
    };
    browser::Filter f;
    QVERIFY(browser::searchFilter(QStringLiteral("50%"), &f));
    QCOMPARE(names(f), QStringList{"脱脂50%奶"});
    QVERIFY(browser::searchFilter(QStringLiteral(" A_B "), &f));
    QCOMPARE(names(f), QStringList{"A_B面"});
    QVERIFY(browser::searchFilter(QStringLiteral("'S"), &f));
    QCOMPARE(names(f), QStringList{"Joe's 鸡汤"});
    // A prefix with a pattern character matches nothing rather than everything.
    QCOMPARE(names(browser::prefixFilter(QStringLiteral("22-_-"))), QStringList());
    QCOMPARE(names(browser::prefixFilter(QStringLiteral("22-1-"))).size(), 5);
}

void BrowserTest::opensOnTheFirstSubGroupAndFollowsTheTree()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TSHFood w;
    QCOMPARE(w.currentPage(), Page::Nutrient);
    DataGrid *g = w.grid(Page::Nutrient);
    const QStringList wheat = namesWithCodePrefix("Nutri_tb", "01-1-");
    QVERIFY(!wheat.isEmpty());
    QCOMPARE(shownNames(g), wheat);
    QVERIFY(!g->isColumnVisible(QStringLiteral("Code")));
    QVERIFY(!g->isColumnVisible(QStringLiteral("PYJM")));
    QCOMPARE(g->frozenColumn(), g->column(QStringLiteral("FoodName")));

    // A group node lists the whole group and puts the search prompt back.
    auto *tree = child<QTreeWidget>(&w, "Food_tre");
    auto *edit = child<SearchEdit>(&w, "SearchName_edt");
    edit->setText(QStringLiteral("XX"));
    QTreeWidgetItem *vegetables = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(0).startsWith(QLatin1String("04")))
            vegetables = tree->topLevelItem(i);
    }
    QVERIFY(vegetables && vegetables->childCount() > 1);
    tree->setCurrentItem(vegetables);
    emit tree->itemClicked(vegetables, 0);
    QCOMPARE(shownNames(g), namesWithCodePrefix("Nutri_tb", "04-"));
    QVERIFY(edit->isShowingPrompt());
    QCOMPARE(edit->text(), QStringLiteral("拼音简码/汉字"));

    QTreeWidgetItem *sub = vegetables->child(1);
    tree->setCurrentItem(sub);
    emit tree->itemClicked(sub, 0);
    const QString prefix = CodePrefix(sub->text(0), vegetables->text(0));
    QCOMPARE(w.filter(), browser::prefixFilter(prefix));
    QCOMPARE(shownNames(g), namesWithCodePrefix("Nutri_tb", prefix));
    QVERIFY(prompts.messages.isEmpty());
}

void BrowserTest::blankSearchChangesNothing()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TSHFood w;
    const QStringList before = shownNames(w.grid(Page::Nutrient));
    const browser::Filter filter = w.filter();
    search(w, QStringLiteral("   "));
    QCOMPARE(w.filter(), filter);
    QCOMPARE(shownNames(w.grid(Page::Nutrient)), before);
    // The prompt text is no search text either.
    child<SearchEdit>(&w, "SearchName_edt")->showPrompt();
    child<QPushButton>(&w, "Search_btn")->click();
    QCOMPARE(w.filter(), filter);
    QVERIFY(prompts.messages.isEmpty());
}

void BrowserTest::searchByInitialsAndByNameHoldsAcrossPages()
{
    TestEnv env;
    ScriptedPrompt prompts;
    // A food whose name holds the letters, and whose initials do not.
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-1-001", "NM牌牛奶", 100, {{"PROCNT", 3.0}, {"FAT", 3.2}}));
    QVERIFY(fixtures::run("UPDATE Nutri_tb SET PYJM = 'PNN' WHERE Code = '22-1-001'"));
    const QStringList expected = namesContaining("Nutri_tb", "NM");
    QVERIFY(expected.contains("NM牌牛奶"));
    QVERIFY2(expected.size() > 1, "no food with the initials NM in the seed");

    // Amino and fatty acid rows for some of those foods and some others.
    QSqlQuery q(db());
    QVERIFY(q.exec("SELECT Code, FoodName FROM Nutri_tb ORDER BY rowid"));
    QStringList codes;
    int matching = 0, other = 0;
    while (q.next()) {
        const bool hit = expected.contains(q.value(1).toString());
        if ((hit && matching < 3) || (!hit && other < 5)) {
            codes << q.value(0).toString();
            (hit ? matching : other)++;
        }
    }
    QVERIFY(addAminoAndFattyRows(codes));

    TSHFood w;
    auto *edit = child<SearchEdit>(&w, "SearchName_edt");
    QTest::keyClicks(edit, QStringLiteral("nm"));
    QCOMPARE(edit->text(), QStringLiteral("NM")); // typed capitals
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(shownNames(w.grid(Page::Nutrient)), expected);

    showPage(w, Page::Amino);
    const QStringList amino = namesContaining("Amino_tb", "NM");
    QCOMPARE(amino.size(), 3);
    QCOMPARE(shownNames(w.grid(Page::Amino)), amino);
    showPage(w, Page::Fatty);
    // The seed has fatty-acid shares of its own: the page shows every row of
    // the table that the search finds, those added here among them.
    const QStringList fatty = namesContaining("Fatty_tb", "NM");
    QCOMPARE(shownNames(w.grid(Page::Fatty)), fatty);
    for (const QString &n : amino)
        QVERIFY2(fatty.contains(n), qPrintable(n));
    showPage(w, Page::Glycemic);
    QCOMPARE(shownNames(w.grid(Page::Glycemic)), namesContaining("GlycemicIndex_tb", "NM"));

    // A quote in the search is an ordinary character.
    search(w, QStringLiteral("'"));
    QCOMPARE(shownNames(w.grid(Page::Glycemic)), QStringList());
    QVERIFY(prompts.messages.isEmpty());
}

void BrowserTest::titleClicksSortLargestFirstThenAlternateWithBlanksLast()
{
    TestEnv env;
    ScriptedPrompt prompts;
    // Foods with known contents, one of them not analysed.
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-9-001", "甲", 100, {{"PROCNT", 2.0}, {"FAT", 9.0}}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-9-002", "乙", 100, {{"FAT", 1.0}}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-9-003", "丙", 100, {{"PROCNT", 11.5}, {"FAT", 0.0}}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-9-004", "丁", 100, {{"PROCNT", 0.0}, {"FAT", 4.0}}));
    QVERIFY(fixtures::run("UPDATE Nutri_tb SET PYJM = 'ZZQ' WHERE Code LIKE '22-9-%'"));
    TSHFood w;
    w.resize(900, 500);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    search(w, QStringLiteral("ZZQ"));
    DataGrid *g = w.grid(Page::Nutrient);
    QCOMPARE(shownNames(g), (QStringList{"甲", "乙", "丙", "丁"}));

    // A real click on the protein title: largest first, the empty cell last.
    const int protein = g->column(QStringLiteral("PROCNT"));
    g->horizontalScrollBar()->setValue(0);
    QHeaderView *h = g->horizontalHeader();
    const QPoint at(h->sectionViewportPosition(protein) + h->sectionSize(protein) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(shownNames(g), (QStringList{"丙", "甲", "丁", "乙"}));
    QCOMPARE(g->sortState(protein), DataGrid::SortState::Down);
    // The second reverses, the empty cell still last; the third reverses again.
    g->clickTitle(protein);
    QCOMPARE(shownNames(g), (QStringList{"丁", "甲", "丙", "乙"}));
    g->clickTitle(protein);
    QCOMPARE(shownNames(g), (QStringList{"丙", "甲", "丁", "乙"}));

    // Another title clears the first one's marker and starts largest first.
    const int fat = g->column(QStringLiteral("FAT"));
    g->clickTitle(fat);
    QCOMPARE(g->sortState(protein), DataGrid::SortState::None);
    QCOMPARE(shownNames(g), (QStringList{"甲", "丁", "乙", "丙"}));

    // The sort holds on the filter's rows, across a page change and a new filter.
    showPage(w, Page::Amino);
    showPage(w, Page::Nutrient);
    QCOMPARE(shownNames(g), (QStringList{"甲", "丁", "乙", "丙"}));
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "22-9-005", "戊", 100, {{"FAT", 5.0}}));
    QVERIFY(fixtures::run("UPDATE Nutri_tb SET PYJM = 'ZZQ' WHERE Code = '22-9-005'"));
    search(w, QStringLiteral("ZZQ"));
    QCOMPARE(shownNames(g), (QStringList{"甲", "戊", "丁", "乙", "丙"}));
    QVERIFY(prompts.messages.isEmpty());
}

void BrowserTest::manyRowsReadAsShownAndEditsSeenAtOnce()
{
    TestEnv env;
    ScriptedPrompt prompts;
    // More rows than one block of the page's model: each row keeps its own
    // cells across the block boundary, in either sort direction.
    const int n = browser::CompositionRows::kBlockRows * 2 + 7;
    for (int i = 0; i < n; ++i) {
        QVERIFY(fixtures::insertFoodRow("Nutri_tb", QStringLiteral("22-8-%1").arg(i, 3, 10, QLatin1Char('0')),
                                        QStringLiteral("块%1").arg(i), 100,
                                        i % 5 == 0 ? fixtures::Values{} : fixtures::Values{{"PROCNT", double(i)}}));
    }
    TSHFood w;
    w.resize(900, 500);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.setFilter(browser::prefixFilter(QStringLiteral("22-8-")));
    DataGrid *g = w.grid(Page::Nutrient);
    QCOMPARE(g->rowCount(), n);
    for (int r = 0; r < n; ++r) {
        QCOMPARE(g->value(r, QStringLiteral("FoodName")).toString(), QStringLiteral("块%1").arg(r));
        QCOMPARE(g->value(r, QStringLiteral("PROCNT")).isNull(), r % 5 == 0);
    }
    const int protein = g->column(QStringLiteral("PROCNT"));
    for (const DataGrid::SortState state : {DataGrid::SortState::Down, DataGrid::SortState::Up}) {
        g->sortColumn(protein, state);
        double last = state == DataGrid::SortState::Down ? 1e9 : -1;
        bool blanks = false;
        for (int r = 0; r < n; ++r) {
            const QVariant v = g->value(r, QStringLiteral("PROCNT"));
            const QString name = g->value(r, QStringLiteral("FoodName")).toString();
            const int i = name.mid(1).toInt();
            if (v.isNull()) {
                blanks = true;
                QCOMPARE(i % 5, 0);
                continue;
            }
            QVERIFY2(!blanks, "a value after an empty cell");
            QCOMPARE(v.toDouble(), double(i));
            QVERIFY(state == DataGrid::SortState::Down ? v.toDouble() < last : v.toDouble() > last);
            last = v.toDouble();
        }
    }

    // A food changed while the browser is away is shown changed when it comes back.
    g->clearSort();
    w.hide();
    QVERIFY(fixtures::run("UPDATE Nutri_tb SET PROCNT = 999 WHERE Code = '22-8-001'"));
    w.show();
    QCOMPARE(g->value(1, QStringLiteral("FoodName")).toString(), QStringLiteral("块1"));
    QCOMPARE(g->value(1, QStringLiteral("PROCNT")).toDouble(), 999.0);
    QVERIFY(prompts.messages.isEmpty());
}

namespace {

QStringList texts(const QString &sql)
{
    QSqlQuery q(db());
    QStringList out;
    if (!q.exec(sql))
        return {QStringLiteral("<failed: %1>").arg(sql)};
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// Rows of a page table with every kind of cell a sort meets: numbers with
// many ties, no value, empty and space-only texts, other texts (one beginning
// with a space), in an order that is not the order of the values.
bool fillSortRows(const QString &table, const QString &number, int n)
{
    QSqlQuery q(db());
    if (!db().transaction())
        return false;
    q.prepare(QStringLiteral("INSERT INTO %1 (CODE, FoodName, PYJM, %2) VALUES (?, ?, ?, ?)").arg(table, number));
    const QVariantList values{QVariant(), QStringLiteral(""), QStringLiteral("  "), QStringLiteral("Tr"),
                              QStringLiteral(" x"), 1, 1.0, 2.5, -3, QStringLiteral("abc")};
    const QStringList initials{QStringLiteral("B"), QString(), QStringLiteral(" "), QStringLiteral("A"),
                               QStringLiteral("b"), QStringLiteral("AB")};
    for (int i = 0; i < n; ++i) {
        const int k = (i * 7919) % n;
        q.addBindValue(QStringLiteral("%1-%2").arg(k % 3).arg(i, 6, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("排%1").arg(i));
        q.addBindValue(initials.at(k % initials.size()).isNull() ? QVariant() : QVariant(initials.at(k % initials.size())));
        q.addBindValue(k % 4 == 0 ? QVariant(k % 13) : values.at(k % values.size()));
        if (!q.exec())
            return false;
    }
    return db().commit();
}

// The codes of the model's rows, in the shown order.
QStringList modelCodes(const browser::CompositionRows &rows)
{
    int code = -1;
    for (int c = 0; c < rows.columnCount(); ++c) {
        if (rows.headerData(c, Qt::Horizontal).toString() == QLatin1String("CODE"))
            code = c;
    }
    QStringList out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out << rows.index(r, code).data().toString();
    return out;
}

// The order the browser promises, as one SQL sort: the values, equal values
// in table order, then the empty cells (which all look the same) in table
// order.
QStringList expectedCodes(const QString &table, const QString &field, const QString &where, bool descending)
{
    const QString blank = QStringLiteral("(%1 IS NULL OR (typeof(%1) = 'text' AND trim(%1) = ''))").arg(field);
    return texts(QStringLiteral("SELECT CODE FROM %1 WHERE %2 ORDER BY %3, CASE WHEN %3 THEN NULL ELSE %4 END %5, rowid")
                     .arg(table, where, blank, field, descending ? QStringLiteral("DESC") : QStringLiteral("ASC")));
}

} // namespace

void BrowserTest::sortsOfLargeTablesReadAnIndexInTheSameOrder()
{
    TestEnv env;
    // A large table gets an index of a column the first time it is sorted by
    // it, a small one is sorted without; the order is the same either way,
    // for numbers and texts, both directions, all rows or a filter's.
    const int large = kSortIndexRows + 37;
    QVERIFY(fillSortRows(QStringLiteral("Amino_tb"), QStringLiteral("LYS"), large));
    QVERIFY(fillSortRows(QStringLiteral("Fatty_tb"), QStringLiteral("FattyAcid_Total"), 300));
    const auto indexes = [](const QString &table) {
        return texts(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = '%1' AND name LIKE "
                           "'%\\_by\\_%' ESCAPE '\\' ORDER BY name").arg(table));
    };
    for (const QString table : {QStringLiteral("Amino_tb"), QStringLiteral("Fatty_tb")}) {
        const bool amino = table == QLatin1String("Amino_tb");
        const Page page = amino ? Page::Amino : Page::Fatty;
        for (const QString prefix : {QString(), QStringLiteral("1-")}) {
            browser::CompositionRows rows;
            QVERIFY(rows.load(browser::pageStatement(page, browser::prefixFilter(prefix))));
            const QString where = prefix.isEmpty() ? QStringLiteral("1") : QStringLiteral("CODE LIKE '1-%'");
            for (const QString field : {amino ? QStringLiteral("LYS") : QStringLiteral("FattyAcid_Total"),
                                        QStringLiteral("PYJM")}) {
                int column = -1;
                for (int c = 0; c < rows.columnCount(); ++c) {
                    if (rows.headerData(c, Qt::Horizontal).toString() == field)
                        column = c;
                }
                QVERIFY(column >= 0);
                for (const bool descending : {true, false}) {
                    rows.sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
                    const QStringList want = expectedCodes(table, field, where, descending);
                    QCOMPARE(rows.rowCount(), int(want.size()));
                    QCOMPARE(modelCodes(rows), want);
                }
            }
        }
    }
    // Unsorted, the rows are in table order, whichever index the filter
    // reads: the codes', the names' (a search), or none (all rows); also
    // once most rows are gone and the rest lie far apart.
    const auto tableOrder = [](const QString &where) {
        return texts(QStringLiteral("SELECT CODE FROM Amino_tb WHERE %1 ORDER BY rowid").arg(where));
    };
    browser::Filter byInitials;
    QVERIFY(browser::searchFilter(QStringLiteral("B"), &byInitials));
    for (int round = 0; round < 2; ++round) {
        for (const auto &[filter, where] :
             {std::pair{browser::prefixFilter(QString()), QStringLiteral("1")},
              std::pair{browser::prefixFilter(QStringLiteral("2-")), QStringLiteral("CODE LIKE '2-%'")},
              std::pair{byInitials, QStringLiteral("FoodName LIKE '%B%' OR PYJM LIKE '%B%'")}}) {
            browser::CompositionRows rows;
            QVERIFY(rows.load(browser::pageStatement(Page::Amino, filter)));
            const QStringList want = tableOrder(where);
            QVERIFY(want.size() > 1);
            QCOMPARE(modelCodes(rows), want);
        }
        QVERIFY(fixtures::run(QStringLiteral("DELETE FROM Amino_tb WHERE rowid % 97 <> 1")));
    }

    QCOMPARE(indexes(QStringLiteral("Amino_tb")), (QStringList{"Amino_tb_by_LYS", "Amino_tb_by_PYJM"}));
    QCOMPARE(indexes(QStringLiteral("Fatty_tb")), QStringList());

    // The index follows the table: a changed value moves at once.
    browser::CompositionRows rows;
    QVERIFY(rows.load(browser::pageStatement(Page::Amino, browser::prefixFilter(QString()))));
    int lys = -1;
    for (int c = 0; c < rows.columnCount(); ++c) {
        if (rows.headerData(c, Qt::Horizontal).toString() == QLatin1String("LYS"))
            lys = c;
    }
    const QString code = texts(QStringLiteral("SELECT CODE FROM Amino_tb WHERE LYS IS NULL LIMIT 1")).value(0);
    // (Texts come after every number, so the largest text comes first.)
    QVERIFY(fixtures::run(QStringLiteral("UPDATE Amino_tb SET LYS = 'zz' WHERE CODE = ?"), {code}));
    rows.sort(lys, Qt::DescendingOrder);
    QCOMPARE(modelCodes(rows).value(0), code);
}

void BrowserTest::emptyCellsShowEmptyAndDistinctFromZero()
{
    TestEnv env;
    QVERIFY(fixtures::insertFoodRow("Nutri_tb", "01-1-901", "测试麦", 100, {{"PROCNT", 0.0}}));
    TSHFood w;
    DataGrid *g = w.grid(Page::Nutrient);
    const QStringList names = shownNames(g);
    const int row = int(names.indexOf(QStringLiteral("测试麦")));
    QVERIFY(row >= 0);
    const QModelIndex protein = g->model()->index(row, g->column(QStringLiteral("PROCNT")));
    const QModelIndex fat = g->model()->index(row, g->column(QStringLiteral("FAT")));
    QCOMPARE(protein.data(Qt::DisplayRole).toString(), QStringLiteral("0"));
    QCOMPARE(fat.data(Qt::DisplayRole).toString(), QString());
    QVERIFY(g->editTriggers() == QAbstractItemView::NoEditTriggers);
    QCOMPARE(g->selectionBehavior(), QAbstractItemView::SelectRows);
}

void BrowserTest::generalSelectorHidesGroupsAndKeepsTheChoice()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TSHFood w;
    DataGrid *g = w.grid(Page::Nutrient);
    auto *select = w.findChild<QAction *>("Select1");
    QVERIFY(select);

    // "能量" takes the kJ column with it.
    QString caption;
    withSelector(select, [&](QDialog *d) {
        caption = d->windowTitle();
        QVERIFY(box(d, "ENERC_kj_chk")->isHidden());
        box(d, "ENERC_kcal_chk")->click();
    });
    QCOMPARE(caption, QStringLiteral("一般营养成分选择"));
    QVERIFY(!g->isColumnVisible(QStringLiteral("ENERC_kcal")));
    QVERIFY(!g->isColumnVisible(QStringLiteral("ENERC_kJ")));
    QVERIFY(g->isColumnVisible(QStringLiteral("PROCNT")));

    // "ALL" off, then calcium and iron: of the name and the nutrients only the
    // name, calcium and iron remain (the description and origin texts are no
    // nutrient columns; the selector leaves them).
    withSelector(select, [&](QDialog *d) {
        QVERIFY(box(d, "ALL_chk")->isChecked());
        QVERIFY(!box(d, "ENERC_kcal_chk")->isChecked());
        box(d, "ALL_chk")->click();
        box(d, "CA_chk")->click();
        box(d, "FE_chk")->click();
    });
    QCOMPARE(visibleFields(g), (QStringList{"FoodName", "CA", "FE", "FoodDescribe", "ProducingArea"}));

    // Reopening shows that choice with "ALL" checked; cancelling changes nothing.
    withSelector(
        select,
        [&](QDialog *d) {
            QVERIFY(box(d, "ALL_chk")->isChecked());
            QVERIFY(box(d, "CA_chk")->isChecked() && box(d, "FE_chk")->isChecked());
            QVERIFY(!box(d, "EDIBLE_chk")->isChecked() && !box(d, "VITET_chk")->isChecked());
            box(d, "ALL_chk")->click();
            box(d, "ALL_chk")->click();
        },
        "Cancel_btn");
    QCOMPARE(visibleFields(g), (QStringList{"FoodName", "CA", "FE", "FoodDescribe", "ProducingArea"}));

    // The choice survives new rows (a search) and belongs to this browser only.
    search(w, QStringLiteral("米"));
    QCOMPARE(visibleFields(g), (QStringList{"FoodName", "CA", "FE", "FoodDescribe", "ProducingArea"}));
    TSHFood other;
    QVERIFY(other.grid(Page::Nutrient)->isColumnVisible(QStringLiteral("ENERC_kcal")));
}

void BrowserTest::aminoAndFattySelectorsSwitchTheirRuns()
{
    TestEnv env;
    ScriptedPrompt prompts;
    QVERIFY(addAminoAndFattyRows({"01-1-101"}));
    TSHFood w;
    DataGrid *amino = w.grid(Page::Amino);
    DataGrid *fatty = w.grid(Page::Fatty);
    showPage(w, Page::Amino);
    QCOMPARE(amino->rowCount(), 1);

    // The branched-chain box is a pure group: its three acids go with it.
    withSelector(w.findChild<QAction *>("N1"), [&](QDialog *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("氨基酸选择"));
        box(d, "BCAA_chk")->click();
        QVERIFY(!box(d, "ILE_chk")->isChecked() && !box(d, "VAL_chk")->isChecked());
        box(d, "LEU_chk")->click();
    });
    QVERIFY(!amino->isColumnVisible(QStringLiteral("BCAA_ILE")));
    QVERIFY(amino->isColumnVisible(QStringLiteral("BCAA_LEU")));
    QVERIFY(!amino->isColumnVisible(QStringLiteral("BCAA_VAL")));
    // Reopening: the group box takes the first acid's state, each acid its own.
    withSelector(w.findChild<QAction *>("N1"), [&](QDialog *d) {
        QVERIFY(!box(d, "BCAA_chk")->isChecked());
        QVERIFY(box(d, "LEU_chk")->isChecked() && !box(d, "ILE_chk")->isChecked());
        QVERIFY(box(d, "All_chk")->isChecked());
        box(d, "All_chk")->click();
    });
    QCOMPARE(visibleFields(amino), (QStringList{"FoodName", "TMP"}));

    // Every fatty-acid box off: the name and the filler column stay.
    showPage(w, Page::Fatty);
    withSelector(w.findChild<QAction *>("Select2"), [&](QDialog *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("脂肪酸选择"));
        QVERIFY(!d->findChild<QCheckBox *>("All_chk") && !d->findChild<QCheckBox *>("ALL_chk"));
        box(d, "MUFA_Fatty_chk")->click();
    });
    QStringList expected{"FoodName"};
    const QList<QStringList> runs = browser::fattyAcidRuns();
    expected << runs.at(0) << runs.at(1) << runs.at(3) << runs.at(4) << "TMP";
    QCOMPARE(visibleFields(fatty), expected);
    withSelector(w.findChild<QAction *>("Select2"), [&](QDialog *d) {
        QVERIFY(!box(d, "MUFA_Fatty_chk")->isChecked() && box(d, "SFA_Fatty_chk")->isChecked());
        for (const char *name : {"Fatty_chk", "SFA_Fatty_chk", "PUFA_Fatty_chk", "UN_Fatty_chk"})
            box(d, name)->click();
    });
    QCOMPARE(visibleFields(fatty), (QStringList{"FoodName", "TMP"}));
}

void BrowserTest::mainWindowKeepsOneBrowserWithItsState()
{
    TestEnv env(false);
    ScriptedPrompt prompts;
    auto session = startApplication(env.workingDir(), env.programDir(), true);
    TMain *main = session->main;
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QAction *command = main->action(QStringLiteral("FoodComposition_act"));
    QVERIFY(command->isEnabled());
    command->trigger();
    auto *w = qobject_cast<TSHFood *>(main->Browser());
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->parentWidget(), main->Panel());

    search(*w, QStringLiteral("JD"));
    showPage(*w, Page::Glycemic);
    const QStringList shown = shownNames(w->grid(Page::Glycemic));
    main->switchPage(0);
    QVERIFY(!w->isVisible());
    command->trigger();
    QCOMPARE(main->Browser(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->currentPage(), Page::Glycemic);
    QCOMPARE(w->filter().text, QStringLiteral("JD"));
    QCOMPARE(shownNames(w->grid(Page::Glycemic)), shown);
    main->close();
}

QTEST_MAIN(BrowserTest)
#include "test_browser.moc"
