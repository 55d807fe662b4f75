// The reusable widgets: data grid (footers, sorting, columns, export), bar
// chart, numeric / spin / search edits and the pick list.
#include "data/Csv.h"
#include "widgets/BarChart.h"
#include "widgets/CalcEdit.h"
#include "widgets/DataGrid.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/SearchEdit.h"
#include "widgets/SpinEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QToolButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

const QString kConn = QStringLiteral("widgets_test");
const QString kOddName = QStringLiteral("鸡蛋,\"土\"汤 <b>&");

QSqlDatabase memoryDb()
{
    if (QSqlDatabase::contains(kConn))
        return QSqlDatabase::database(kConn);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConn);
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    return db;
}

// A fresh table t(CODE, FOODNAME, WEIGHT, EDIBLE) with the given weights.
void fillTable(const QList<QVariant> &weights, const QList<QVariant> &edibles = {})
{
    QSqlQuery q(memoryDb());
    QVERIFY(q.exec(QStringLiteral("DROP TABLE IF EXISTS t")));
    QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (CODE TEXT, FOODNAME TEXT, WEIGHT REAL, EDIBLE REAL)")));
    QVERIFY(memoryDb().transaction());
    QVERIFY(q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?)")));
    for (int i = 0; i < weights.size(); ++i) {
        q.addBindValue(QStringLiteral("01-1-%1").arg(i, 3, 10, QLatin1Char('0')));
        q.addBindValue(i == 1 ? kOddName : QStringLiteral("食物%1").arg(i));
        q.addBindValue(weights[i]);
        q.addBindValue(i < edibles.size() ? edibles[i] : QVariant(100.0));
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    QVERIFY(memoryDb().commit());
}

void runQuery(QSqlQueryModel &model, const QString &sql = QStringLiteral("SELECT * FROM t"))
{
    model.setQuery(sql, memoryDb());
    QVERIFY2(!model.lastError().isValid(), qPrintable(model.lastError().text()));
}

QStringList columnValues(const DataGrid &g, const QString &field)
{
    QStringList out;
    for (int r = 0; r < g.rowCount(); ++r)
        out << g.value(r, field).toString();
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString withoutBom(const QByteArray &bytes)
{
    QString s = QString::fromUtf8(bytes);
    if (s.startsWith(QChar(0xFEFF)))
        s.remove(0, 1);
    return s;
}

} // namespace

class WidgetsTest : public QObject
{
    Q_OBJECT
private slots:
    void footersCountSumAverageAndText();
    void footersFollowModelChanges();
    void shownGridWithFrozenColumnIsDestroyedCleanly();
    void rightClickOnFrozenColumnReachesTheGrid();
    void titleClickSortsNumbersDownUpNone();
    void columnsByNameSurviveRequery();
    void exportWritesAllRowsOfVisibleColumns();
    void exportFailuresAreReported();
    void numericEditTakesOnlyDigitsAndPoint();
    void calculatorWorksLeftToRight();
    void calcEditPutsTheResultIntoTheField();
    void searchEditPromptCapitalsAndEnter();
    void spinEditStepsWithinRange();
    void pickListEmitsNonEmptyNames();
    void barChartKeepsBarsAndScales();
};

void WidgetsTest::footersCountSumAverageAndText()
{
    // 300 rows: more than one fetch of a query model; each weight 0.00005.
    QList<QVariant> weights;
    for (int i = 0; i < 300; ++i)
        weights << 0.00005;
    QList<QVariant> edibles;
    for (int i = 0; i < 300; ++i)
        edibles << (i == 0 ? QVariant() : QVariant(i % 2 ? 100.0 : 50.0));
    fillTable(weights, edibles);
    QSqlQueryModel model;
    runQuery(model);

    DataGrid g;
    g.setModel(&model);
    g.setColumns({{QStringLiteral("CODE"), {}, -1, DataGrid::FooterKind::None, {}, false},
                  {QStringLiteral("FOODNAME"), QStringLiteral(" 食 物 名 称  FoodName"), -1, DataGrid::FooterKind::Text,
                   QStringLiteral("总计：")},
                  {QStringLiteral("WEIGHT"), QStringLiteral("重 量[g]"), -1, DataGrid::FooterKind::Sum},
                  {QStringLiteral("EDIBLE"), QStringLiteral("食 部[%]"), -1, DataGrid::FooterKind::Average}});
    g.setFooter(QStringLiteral("CODE"), DataGrid::FooterKind::Count);
    g.setFooterColor(QStringLiteral("FOODNAME"), QColor(255, 0, 0));
    g.setFooterBold(QStringLiteral("FOODNAME"), true);

    QVERIFY(g.isFooterVisible());
    QCOMPARE(g.rowCount(), 300);
    QCOMPARE(g.footerText(QStringLiteral("CODE")), QStringLiteral("300"));
    // Summed first, then held to four decimals (each row alone would round to 0).
    QCOMPARE(g.footerText(QStringLiteral("WEIGHT")), QStringLiteral("0.015"));
    QCOMPARE(g.footerValue(QStringLiteral("WEIGHT")), 0.015);
    // 150 rows of 100, 149 rows of 50 and one empty value counted as 0.
    QCOMPARE(g.footerText(QStringLiteral("EDIBLE")), QStringLiteral("74.8333"));
    QCOMPARE(g.footerText(QStringLiteral("FOODNAME")), QStringLiteral("总计："));
    QCOMPARE(g.footerColor(g.column(QStringLiteral("FOODNAME"))), QColor(255, 0, 0));
    QVERIFY(g.footerBold(g.column(QStringLiteral("FOODNAME"))));
    QCOMPARE(g.footerKind(g.column(QStringLiteral("EDIBLE"))), DataGrid::FooterKind::Average);

    // Ties at the fourth decimal go to the even neighbour.
    const QList<QPair<QVariantList, QString>> cases = {
        {{0.00005}, QStringLiteral("0")},
        {{0.00025}, QStringLiteral("0.0002")},
        {{0.00035}, QStringLiteral("0.0004")},
        {{0.12345}, QStringLiteral("0.1234")},
        {{0.00004, 0.00004}, QStringLiteral("0.0001")},
        {{12.5, -2.5, QVariant()}, QStringLiteral("10")},
    };
    for (const auto &c : cases) {
        fillTable(c.first);
        runQuery(model);
        QCOMPARE(g.footerText(QStringLiteral("WEIGHT")), c.second);
    }

    // No rows: count 0, sum 0, no average.
    runQuery(model, QStringLiteral("SELECT * FROM t WHERE 0"));
    QCOMPARE(g.footerText(QStringLiteral("CODE")), QStringLiteral("0"));
    QCOMPARE(g.footerText(QStringLiteral("WEIGHT")), QStringLiteral("0"));
    QCOMPARE(g.footerText(QStringLiteral("EDIBLE")), QString());
}

void WidgetsTest::shownGridWithFrozenColumnIsDestroyedCleanly()
{
    // A visible grid with a frozen column and footers, closed while its model
    // lives on: the headers must not ask the destroyed grid for titles.
    QStandardItemModel model(2, 6);
    DataGrid g;
    g.setFrozenColumn(true);
    g.setModel(&model);
    g.setFooter(0, DataGrid::FooterKind::Count);
    g.resize(300, 160);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    for (int c = 1; c < 6; ++c)
        g.setColumnVisible(c, false);
    QTest::qWait(20);
    for (int c = 1; c < 6; ++c)
        g.setColumnVisible(c, true);
    model.setRowCount(0);
    model.setRowCount(3);
    QTest::qWait(20);
    QCOMPARE(g.columnCount(), 6);
}

void WidgetsTest::rightClickOnFrozenColumnReachesTheGrid()
{
    QStandardItemModel model(3, 4);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c)
            model.setItem(r, c, new QStandardItem(QStringLiteral("%1-%2").arg(r).arg(c)));
    }
    DataGrid g;
    g.setModel(&model);
    g.setFrozenColumn(true);
    g.setContextMenuPolicy(Qt::CustomContextMenu);
    g.resize(320, 160);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QSignalSpy menu(&g, &QWidget::customContextMenuRequested);

    QTableView *frozen = g.frozenView();
    QVERIFY(frozen && frozen->isVisible());
    const QPoint at = frozen->visualRect(frozen->model()->index(2, g.frozenColumn())).center();
    QVERIFY(!at.isNull());
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, frozen->viewport()->mapToGlobal(at));
    QApplication::sendEvent(frozen->viewport(), &click);
    QCOMPARE(menu.count(), 1);
    // The position is in the grid's viewport, on the cell that was clicked.
    const QModelIndex hit = g.indexAt(menu[0][0].toPoint());
    QCOMPARE(hit.row(), 2);
    QCOMPARE(hit.column(), g.frozenColumn());

    // A grid without a menu of its own does not get one.
    g.setContextMenuPolicy(Qt::NoContextMenu);
    QApplication::sendEvent(frozen->viewport(), &click);
    QCOMPARE(menu.count(), 1);
}

void WidgetsTest::footersFollowModelChanges()
{
    QStandardItemModel model(0, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("FOODNAME"), QStringLiteral("WEIGHT")});
    DataGrid g;
    g.setFooter(QStringLiteral("FOODNAME"), DataGrid::FooterKind::Count);
    g.setFooter(QStringLiteral("WEIGHT"), DataGrid::FooterKind::Sum);
    g.setModel(&model);
    QSignalSpy changed(&g, &DataGrid::footersChanged);

    auto weight = [](double w) {
        auto *it = new QStandardItem;
        it->setData(w, Qt::EditRole);
        return it;
    };
    model.appendRow({new QStandardItem(QStringLiteral("米饭")), weight(150)});
    model.appendRow({new QStandardItem(QStringLiteral("牛奶")), new QStandardItem(QStringLiteral("250.5"))});
    QCOMPARE(g.footerText(0), QStringLiteral("2"));
    QCOMPARE(g.footerText(1), QStringLiteral("400.5"));

    // A weight typed into the grid: the editor drops letters, the cell keeps a number.
    g.resize(400, 200);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    const QModelIndex cell = g.model()->index(0, 1);
    g.setCurrentIndex(cell);
    g.edit(cell);
    auto *editor = g.viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("150"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("1x00.25"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(model.index(0, 1).data(Qt::EditRole).toDouble(), 100.25); // committed after the key
    QCOMPARE(model.index(0, 1).data(Qt::EditRole).typeId(), QMetaType::Double);
    QCOMPARE(g.footerText(1), QStringLiteral("350.75"));
    model.removeRow(1);
    QCOMPARE(g.footerText(0), QStringLiteral("1"));
    QCOMPARE(g.footerText(1), QStringLiteral("100.25"));
    QVERIFY(changed.count() >= 3);

    // A footer text set later (a marker) replaces the sum, with its colour.
    g.setFooterText(1, QStringLiteral("＋"));
    g.setFooterColor(1, QColor(255, 0, 0));
    QCOMPARE(g.footerText(1), QStringLiteral("＋"));
    QCOMPARE(g.footerValue(1), 0.0);
    QCOMPARE(g.footerColor(1), QColor(255, 0, 0));
}

void WidgetsTest::titleClickSortsNumbersDownUpNone()
{
    fillTable({10.0, 9.0, 100.0, 2.5, QVariant()});
    QSqlQueryModel model;
    runQuery(model);
    DataGrid g;
    g.setModel(&model);
    g.setTitleSorting(true);
    const int w = g.column(QStringLiteral("weight"));
    QVERIFY(w >= 0);
    const QStringList original = columnValues(g, QStringLiteral("CODE"));

    QSignalSpy clicked(&g, &DataGrid::titleClicked);
    emit g.horizontalHeader()->sectionClicked(w); // a click on the title
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(g.sortState(w), DataGrid::SortState::Down);
    QCOMPARE(columnValues(g, QStringLiteral("WEIGHT")),
             QStringList({QStringLiteral("100"), QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("2.5"), QString()}));
    // The shown text is in general format, the value stays a number.
    QCOMPARE(g.model()->index(0, w).data().toString(), QStringLiteral("100"));

    g.clickTitle(w);
    QCOMPARE(g.sortState(w), DataGrid::SortState::Up);
    QCOMPARE(columnValues(g, QStringLiteral("WEIGHT")),
             QStringList({QString(), QStringLiteral("2.5"), QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("100")}));
    QCOMPARE(g.value(1, QStringLiteral("CODE")).toString(), QStringLiteral("01-1-003"));
    QCOMPARE(g.sourceRow(1), 3);

    // The sort stays when the query runs again.
    runQuery(model);
    QCOMPARE(g.value(4, QStringLiteral("WEIGHT")).toDouble(), 100.0);

    g.clickTitle(w);
    QCOMPARE(g.sortState(w), DataGrid::SortState::None);
    QCOMPARE(g.sortedColumn(), -1);
    QCOMPARE(columnValues(g, QStringLiteral("CODE")), original);

    // Another column's click starts at "down" and clears the first.
    g.clickTitle(w);
    const int code = g.column(QStringLiteral("CODE"));
    g.clickTitle(code);
    QCOMPARE(g.sortState(w), DataGrid::SortState::None);
    QCOMPARE(g.sortState(code), DataGrid::SortState::Down);
    QCOMPARE(g.value(0, QStringLiteral("CODE")).toString(), QStringLiteral("01-1-004"));

    // Alternating cycle: down, up, down.
    g.clearSort();
    g.setSortCycle(DataGrid::SortCycle::DownUp);
    g.clickTitle(w);
    g.clickTitle(w);
    g.clickTitle(w);
    QCOMPARE(g.sortState(w), DataGrid::SortState::Down);

    // With title sorting off, a click only reports itself.
    g.setTitleSorting(false);
    emit g.horizontalHeader()->sectionClicked(w);
    QCOMPARE(g.sortedColumn(), -1);
    QCOMPARE(columnValues(g, QStringLiteral("CODE")), original);
}

void WidgetsTest::columnsByNameSurviveRequery()
{
    fillTable({1.0, 2.0});
    QSqlQueryModel model;
    DataGrid g;
    // Settings made before the model arrives apply once it does.
    g.setColumnVisible(QStringLiteral("code"), false);
    g.setTitle(QStringLiteral("EDIBLE"), QStringLiteral("食部|[%]"));
    g.setFrozenColumn(true);
    runQuery(model);
    g.setModel(&model);

    QCOMPARE(g.fieldNames(), QStringList({QStringLiteral("CODE"), QStringLiteral("FOODNAME"), QStringLiteral("WEIGHT"),
                                          QStringLiteral("EDIBLE")}));
    QCOMPARE(g.column(QStringLiteral("FoodName")), 1);
    QCOMPARE(g.column(QStringLiteral("nothing")), -1);
    QCOMPARE(g.visibleColumns(), QStringList({QStringLiteral("FOODNAME"), QStringLiteral("WEIGHT"), QStringLiteral("EDIBLE")}));
    QCOMPARE(g.title(3), QStringLiteral("食部|[%]"));
    QCOMPARE(g.model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("食部|[%]"));
    QCOMPARE(g.title(2), QStringLiteral("WEIGHT"));

    // The frozen column is the first visible one, shown alone in the overlay.
    QCOMPARE(g.frozenColumn(), 1);
    QVERIFY(!g.frozenView()->isColumnHidden(1));
    QVERIFY(g.frozenView()->isColumnHidden(2));

    g.setColumnVisible(2, false);
    g.setColumnWidth(QStringLiteral("FOODNAME"), 150);
    runQuery(model); // model reset
    QCOMPARE(g.visibleColumns(), QStringList({QStringLiteral("FOODNAME"), QStringLiteral("EDIBLE")}));
    QVERIFY(!g.isColumnVisible(QStringLiteral("WEIGHT")));
    QCOMPARE(g.columnWidth(1), 150);

    // onlyListed: listed fields in the listed order, the rest hidden.
    g.setColumns({{QStringLiteral("EDIBLE")}, {QStringLiteral("CODE")}}, true);
    QCOMPARE(g.visibleColumns(), QStringList({QStringLiteral("EDIBLE"), QStringLiteral("CODE")}));
    QCOMPARE(g.frozenColumn(), 3);
    g.setColumnVisible(QStringLiteral("FOODNAME"), true);
    QCOMPARE(g.visibleColumns(),
             QStringList({QStringLiteral("EDIBLE"), QStringLiteral("CODE"), QStringLiteral("FOODNAME")}));

    // Two-line titles make the header taller than one line.
    DataGrid plain;
    plain.setModel(&model);
    QVERIFY(g.horizontalHeader()->sizeHint().height() > plain.horizontalHeader()->sizeHint().height());

    // Names are looked up by what the model holds now: a query of other
    // columns in another order, then the same count of columns renamed.
    runQuery(model, QStringLiteral("SELECT EDIBLE, CODE FROM t"));
    QCOMPARE(plain.fieldNames(), QStringList({QStringLiteral("EDIBLE"), QStringLiteral("CODE")}));
    QCOMPARE(plain.column(QStringLiteral("code")), 1);
    QCOMPARE(plain.column(QStringLiteral("FOODNAME")), -1);
    runQuery(model, QStringLiteral("SELECT WEIGHT, FOODNAME FROM t"));
    QCOMPARE(plain.column(QStringLiteral("FoodName")), 1);
    QCOMPARE(plain.column(QStringLiteral("CODE")), -1);
    QCOMPARE(plain.value(1, QStringLiteral("FOODNAME")).toString(), kOddName);

    // A model without a record is named by its headers, also when they change.
    QStandardItemModel items(2, 2);
    items.setHorizontalHeaderLabels({QStringLiteral("A"), QStringLiteral("B")});
    DataGrid byHeader;
    byHeader.setModel(&items);
    QCOMPARE(byHeader.column(QStringLiteral("b")), 1);
    items.setHorizontalHeaderLabels({QStringLiteral("B"), QStringLiteral("C")});
    QCOMPARE(byHeader.column(QStringLiteral("B")), 0);
    QCOMPARE(byHeader.column(QStringLiteral("A")), -1);
    items.insertColumn(0);
    items.setHeaderData(0, Qt::Horizontal, QStringLiteral("Z"));
    QCOMPARE(byHeader.fieldNames(), QStringList({QStringLiteral("Z"), QStringLiteral("B"), QStringLiteral("C")}));

    // Title widths are measured once per text and font: a longer title or a
    // larger font is measured anew.
    QHeaderView *h = byHeader.horizontalHeader();
    const int narrow = h->sectionSizeHint(1);
    items.setHeaderData(1, Qt::Horizontal, QStringLiteral("蛋白质 Protein [g]"));
    const int wide = h->sectionSizeHint(1);
    QVERIFY(wide > narrow);
    QFont big = h->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    h->setFont(big);
    QVERIFY(h->sectionSizeHint(1) > wide + 20);
}

void WidgetsTest::exportWritesAllRowsOfVisibleColumns()
{
    QList<QVariant> weights;
    for (int i = 0; i < 400; ++i)
        weights << 1.25;
    fillTable(weights);
    QSqlQueryModel model;
    runQuery(model);
    DataGrid g;
    g.resize(300, 120); // far fewer rows on screen than exported
    g.setModel(&model);
    g.setColumns({{QStringLiteral("CODE"), {}, -1, DataGrid::FooterKind::None, {}, false},
                  {QStringLiteral("FOODNAME"), QStringLiteral("名称"), -1, DataGrid::FooterKind::Text,
                   QStringLiteral("总计：")},
                  {QStringLiteral("WEIGHT"), QStringLiteral("重量|[g]"), -1, DataGrid::FooterKind::Sum},
                  {QStringLiteral("EDIBLE"), QStringLiteral("食部"), -1, DataGrid::FooterKind::Count}});
    g.show();
    QTemporaryDir dir;

    // CSV reads back to the same table: titles, 400 rows, footer.
    const QString csv = dir.filePath(QStringLiteral("a.csv"));
    QCOMPARE(g.exportTo(csv), QString());
    const QList<QStringList> rows = nqb::parseCsv(withoutBom(readAll(csv)));
    QCOMPARE(rows.size(), 402);
    QCOMPARE(rows[0], QStringList({QStringLiteral("名称"), QStringLiteral("重量 [g]"), QStringLiteral("食部")}));
    QCOMPARE(rows[2], QStringList({kOddName, QStringLiteral("1.25"), QStringLiteral("100")}));
    QCOMPARE(rows[401], QStringList({QStringLiteral("总计："), QStringLiteral("500"), QStringLiteral("400")}));

    // Tab-separated text, same content.
    const QString txt = dir.filePath(QStringLiteral("a.txt"));
    QCOMPARE(g.exportTo(txt), QString());
    const QStringList lines = withoutBom(readAll(txt)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 402);
    QCOMPARE(lines[2].split(QLatin1Char('\t')), rows[2]);
    QCOMPARE(lines[401].split(QLatin1Char('\t')), rows[401]);

    // HTML: escaped and declared UTF-8.
    const QString htm = dir.filePath(QStringLiteral("a.htm"));
    QCOMPARE(g.exportTo(htm), QString());
    const QString html = QString::fromUtf8(readAll(htm));
    QVERIFY(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(html.contains(QStringLiteral("鸡蛋,&quot;土&quot;汤 &lt;b&gt;&amp;")));
    QVERIFY(!html.contains(QStringLiteral("<b>&")));
    QCOMPARE(html.count(QStringLiteral("<tr>")), 402);

    // RTF: plain ASCII with \u escapes (鸡 is U+9E21, written as a signed 16-bit number).
    const QString rtfPath = dir.filePath(QStringLiteral("a.rtf"));
    QCOMPARE(g.exportTo(rtfPath), QString());
    const QByteArray rtf = readAll(rtfPath);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.contains("\\u-25055?"));
    QVERIFY(rtf.contains(",\"\\u22303?\"")); // the comma and quotes stay as they are
    for (const char c : rtf)
        QVERIFY(static_cast<unsigned char>(c) < 0x80);

    // Hidden columns are not exported.
    g.setColumnVisible(QStringLiteral("WEIGHT"), false);
    QCOMPARE(g.exportTo(csv), QString());
    const QList<QStringList> fewer = nqb::parseCsv(withoutBom(readAll(csv)));
    QCOMPARE(fewer[0], QStringList({QStringLiteral("名称"), QStringLiteral("食部")}));
    QCOMPARE(fewer[401], QStringList({QStringLiteral("总计："), QStringLiteral("400")}));
    g.setColumnVisible(QStringLiteral("WEIGHT"), true);

    // xlsx (also under an .xls name): a zip holding the sheet, numbers as numbers.
    for (const QString &name : {QStringLiteral("a.xlsx"), QStringLiteral("a.xls")}) {
        const QString path = dir.filePath(name);
        QCOMPARE(g.exportTo(path), QString());
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.startsWith("PK"));
        QVERIFY(bytes.contains("xl/worksheets/sheet1.xml"));
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty()) {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), dir.filePath(QStringLiteral("a.xlsx")),
                                              QStringLiteral("xl/worksheets/sheet1.xml")});
        QVERIFY(unzip.waitForFinished());
        const QByteArray sheet = unzip.readAllStandardOutput();
        QVERIFY(sheet.contains("<c r=\"B3\"><v>1.25</v></c>"));   // a number cell
        QVERIFY(sheet.contains("r=\"B402\""));                   // footer row after 400 rows
        QVERIFY(sheet.contains("<v>500</v>"));
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), dir.filePath(QStringLiteral("a.xlsx")),
                                              QStringLiteral("xl/sharedStrings.xml")});
        QVERIFY(unzip.waitForFinished());
        const QString strings = QString::fromUtf8(unzip.readAllStandardOutput());
        QVERIFY(strings.contains(QStringLiteral("土")) && strings.contains(QStringLiteral("汤 &lt;b&gt;&amp;</t>")));
    }
}

void WidgetsTest::exportFailuresAreReported()
{
    fillTable({1.0});
    QSqlQueryModel model;
    runQuery(model);
    DataGrid g;
    g.setModel(&model);
    QTemporaryDir dir;

    const QString missingDir = dir.filePath(QStringLiteral("no/such/folder/a.csv"));
    QVERIFY(!g.exportTo(missingDir).isEmpty());
    QVERIFY(!g.exportTo(dir.filePath(QStringLiteral("no/such/folder/a.xlsx"))).isEmpty());
    QVERIFY(!g.exportTo(dir.filePath(QStringLiteral("a.doc"))).isEmpty());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("a.doc"))));

    // A failed export leaves an existing file as it was.
    const QString target = dir.filePath(QStringLiteral("keep.csv"));
    QVERIFY(QDir().mkdir(target)); // a folder where the file should go
    QVERIFY(!g.exportTo(target).isEmpty());
    QVERIFY(QFileInfo(target).isDir());
}

void WidgetsTest::numericEditTakesOnlyDigitsAndPoint()
{
    NumericEdit e;
    QTest::keyClicks(&e, QStringLiteral("12a.5b-"));
    QCOMPARE(e.text(), QStringLiteral("12.5"));
    QTest::keyClick(&e, Qt::Key_Backspace);
    QCOMPARE(e.text(), QStringLiteral("12."));
    bool ok = false;
    QCOMPARE(e.value(&ok), 12.0);
    QVERIFY(ok);

    // Pasting letters is refused as a whole; digits paste fine.
    QApplication::clipboard()->setText(QStringLiteral("3x"));
    e.paste();
    QCOMPARE(e.text(), QStringLiteral("12."));
    QApplication::clipboard()->setText(QStringLiteral("75"));
    e.paste();
    QCOMPARE(e.text(), QStringLiteral("12.75"));

    e.setText(QStringLiteral("1..2")); // set by the program: not filtered, but not a number
    e.value(&ok);
    QVERIFY(!ok);

    // Digits only.
    NumericEdit persons;
    persons.setAllowPoint(false);
    QTest::keyClicks(&persons, QStringLiteral("1.5"));
    QCOMPARE(persons.text(), QStringLiteral("15"));

    // Enter: accepted(), and the accept button when one is set.
    QPushButton button;
    QSignalSpy accepted(&e, &NumericEdit::accepted);
    QSignalSpy clicks(&button, &QPushButton::clicked);
    QTest::keyClick(&e, Qt::Key_Return);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(clicks.count(), 0);
    e.setAcceptButton(&button);
    QTest::keyClick(&e, Qt::Key_Enter);
    QCOMPARE(accepted.count(), 2);
    QCOMPARE(clicks.count(), 1);
}

namespace {

Calculator pressed(const QString &start, const QString &keys)
{
    Calculator c;
    c.start(start);
    for (const QChar k : keys)
        c.press(k);
    return c;
}

} // namespace

void WidgetsTest::calculatorWorksLeftToRight()
{
    QCOMPARE(pressed("100", "+50=").value(), 150.0);       // the started number takes the operator
    QCOMPARE(pressed("100", "25=").value(), 25.0);         // a digit replaces it
    QCOMPARE(pressed("", "2+3*4=").value(), 20.0);         // left to right
    QCOMPARE(pressed("", "5+-3=").value(), 2.0);           // the last operator counts
    QCOMPARE(pressed("", "10/4=").display(), QStringLiteral("2.5"));
    QCOMPARE(pressed("", ".5.5").display(), QStringLiteral("0.55"));
    QCOMPARE(pressed("", "123\b").display(), QStringLiteral("12"));
    QCOMPARE(pressed("", "3-5=").value(), -2.0);
    QCOMPARE(pressed("abc", "").display(), QStringLiteral("0"));

    Calculator c = pressed("", "7/0=");
    QVERIFY(!c.hasValue());
    QCOMPARE(c.display(), QStringLiteral("错误"));
    c.press(QLatin1Char('+')); // ignored until a number or C
    QVERIFY(!c.hasValue());
    c.press(QLatin1Char('4'));
    QVERIFY(c.hasValue());
    QCOMPARE(c.display(), QStringLiteral("4"));
    c.press(QLatin1Char('C'));
    QCOMPARE(c.display(), QStringLiteral("0"));
}

void WidgetsTest::calcEditPutsTheResultIntoTheField()
{
    QWidget window;
    auto *e = new CalcEdit(&window);
    auto *ok = new QPushButton(QStringLiteral("确定"), &window);
    e->setAcceptButton(ok);
    QSignalSpy accepted(ok, &QPushButton::clicked);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    e->setText(QStringLiteral("120"));

    // From the keyboard: F4 opens it, Enter is "=".
    e->setFocus();
    QTest::keyClick(e, Qt::Key_F4);
    QFrame *calc = e->calculator();
    QVERIFY(calc && calc->isVisible());
    QCOMPARE(calc->findChild<QLineEdit *>("CalcDisplay")->text(), QStringLiteral("120"));
    QTest::keyClicks(calc, "*1.5");
    QTest::keyClick(calc, Qt::Key_Return);
    QCOMPARE(e->text(), QStringLiteral("180"));
    QVERIFY(!calc->isVisible());
    QCOMPARE(accepted.count(), 0); // "=" fills the field; Enter in the field then accepts

    // With the mouse: 180 ÷ 4 =.
    e->showCalculator();
    for (const char *key : {"CalcDiv_btn", "Calc4_btn", "CalcEq_btn"})
        calc->findChild<QToolButton *>(key)->click();
    QCOMPARE(e->text(), QStringLiteral("45"));

    // Esc closes without a change; a division by zero puts nothing in.
    e->showCalculator();
    QTest::keyClicks(calc, "+5");
    QTest::keyClick(calc, Qt::Key_Escape);
    QVERIFY(!calc->isVisible());
    QCOMPARE(e->text(), QStringLiteral("45"));
    e->showCalculator();
    QTest::keyClicks(calc, "/0=");
    QVERIFY(calc->isVisible());
    QCOMPARE(calc->findChild<QLineEdit *>("CalcDisplay")->text(), QStringLiteral("错误"));
    QCOMPARE(e->text(), QStringLiteral("45"));
    QTest::keyClick(calc, Qt::Key_Escape);

    // The field itself keeps its key filter.
    e->clear();
    e->setFocus();
    QTest::keyClicks(e, "1a2+");
    QCOMPARE(e->text(), QStringLiteral("12"));
}

void WidgetsTest::searchEditPromptCapitalsAndEnter()
{
    SearchEdit e(QStringLiteral("首字母/汉字"));
    QCOMPARE(e.text(), QStringLiteral("首字母/汉字"));
    QVERIFY(e.isShowingPrompt());
    QCOMPARE(e.searchText(), QString());

    QTest::mouseClick(&e, Qt::LeftButton);
    QCOMPARE(e.text(), QString());
    QTest::keyClicks(&e, QStringLiteral("td"));
    QCOMPARE(e.text(), QStringLiteral("TD"));
    QTest::mouseClick(&e, Qt::LeftButton); // a click on a real search text keeps it
    QCOMPARE(e.text(), QStringLiteral("TD"));

    QSignalSpy search(&e, &SearchEdit::searchRequested);
    QTest::keyClick(&e, Qt::Key_Return);
    QCOMPARE(search.count(), 1);
    QCOMPARE(search.at(0).at(0).toString(), QStringLiteral("TD"));

    // Back to the prompt; typing replaces it; pasted letters become capitals too.
    e.showPrompt();
    QVERIFY(e.isShowingPrompt());
    QTest::keyClicks(&e, QStringLiteral("nm"));
    QCOMPARE(e.text(), QStringLiteral("NM"));
    QApplication::clipboard()->setText(QStringLiteral("j鸡"));
    e.paste();
    QCOMPARE(e.text(), QStringLiteral("NMJ鸡"));

    e.showPrompt();
    QTest::keyClick(&e, Qt::Key_Enter);
    QCOMPARE(search.count(), 2);
    QCOMPARE(search.at(1).at(0).toString(), QString());

    e.setClearOnClick(true);
    e.setText(QStringLiteral("AB"));
    QTest::mouseClick(&e, Qt::LeftButton);
    QCOMPARE(e.text(), QString());
}

void WidgetsTest::spinEditStepsWithinRange()
{
    SpinEdit s(20, 150, 5, 100);
    QCOMPARE(s.value(), 100);
    QTest::keyClick(&s, Qt::Key_Up);
    QCOMPARE(s.value(), 105);
    s.setValue(150);
    QTest::keyClick(&s, Qt::Key_Up);
    QCOMPARE(s.value(), 150);

    SpinEdit adjust(-500, 500, 50, 0);
    adjust.setTypingAllowed(false);
    QTest::keyClicks(&adjust, QStringLiteral("7"));
    QCOMPARE(adjust.value(), 0);
    QTest::keyClick(&adjust, Qt::Key_PageUp); // one step, not ten
    QCOMPARE(adjust.value(), 50);
    QTest::keyClick(&adjust, Qt::Key_Down);
    QTest::keyClick(&adjust, Qt::Key_Down);
    QCOMPARE(adjust.value(), -50);
}

void WidgetsTest::pickListEmitsNonEmptyNames()
{
    PickList p;
    p.resize(300, 200);
    p.show();
    p.setNames({QStringLiteral("鸡蛋"), QStringLiteral("牛奶"), QStringLiteral("Joe's 鸡汤")});
    QCOMPARE(p.rowCount(), 2);
    QCOMPARE(p.columnCount(), 2);
    QVERIFY(p.horizontalHeader()->isHidden());
    QCOMPARE(p.names(), QStringList({QStringLiteral("鸡蛋"), QStringLiteral("牛奶"), QStringLiteral("Joe's 鸡汤")}));
    QCOMPARE(p.editTriggers(), QAbstractItemView::NoEditTriggers);

    QSignalSpy picked(&p, &PickList::picked);
    QSignalSpy clicked(&p, &PickList::nameClicked);
    const QPoint empty = p.visualItemRect(p.item(0, 0)).center() + QPoint(p.columnWidth(0), p.rowHeight(0));
    QTest::mouseDClick(p.viewport(), Qt::LeftButton, {}, empty); // cell (1, 1) is empty
    QCOMPARE(picked.count(), 0);

    const QPoint name = p.visualItemRect(p.item(1, 0)).center();
    QTest::mouseClick(p.viewport(), Qt::LeftButton, {}, name);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toString(), QStringLiteral("Joe's 鸡汤"));
    QTest::mouseDClick(p.viewport(), Qt::LeftButton, {}, name);
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.at(0).at(0).toString(), QStringLiteral("Joe's 鸡汤"));

    p.setCurrentCell(0, 1);
    QTest::keyClick(&p, Qt::Key_Return);
    QCOMPARE(picked.count(), 2);
    QCOMPARE(picked.at(1).at(0).toString(), QStringLiteral("牛奶"));
}

void WidgetsTest::barChartKeepsBarsAndScales()
{
    BarChart chart;
    chart.resize(640, 300);
    QSignalSpy changed(&chart, &BarChart::barsChanged);
    const QList<BarChart::Bar> bars = {{QStringLiteral("能量"), 100, QColor(0, 255, 0)},
                                       {QStringLiteral("蛋白"), 50, QColor(0, 0, 255)},
                                       {QStringLiteral("VitA"), 200, QColor(255, 0, 0)},
                                       {QStringLiteral("碘"), std::nan(""), QColor(0, 0, 255)}};
    chart.setBars(bars);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(chart.bars(), bars);
    QCOMPARE(chart.indexOf(QStringLiteral("VitA")), 2);
    QCOMPARE(chart.valueText(0), QStringLiteral("100"));

    // Heights follow the values from a common base line; a NaN bar is not drawn.
    const QRect a = chart.barRect(0), b = chart.barRect(1), c = chart.barRect(2);
    QCOMPARE(a.bottom(), b.bottom());
    QVERIFY(std::abs(a.height() - 2 * b.height()) <= 2);
    QVERIFY(std::abs(c.height() - 2 * a.height()) <= 2);
    QVERIFY(chart.barRect(3).isNull());
    QCOMPARE(chart.valueText(3), QString());
    QCOMPARE(chart.barAt(c.center()), 2);
    QVERIFY(c.left() > b.right());

    // Many bars with Chinese labels still paint (labels turned downwards).
    QList<BarChart::Bar> many;
    for (int i = 0; i < 37; ++i)
        many.append({QStringLiteral("维生素%1").arg(i), double(i * 10), QColor(0, 255, 0)});
    chart.setBars(many);
    QImage img(chart.size(), QImage::Format_ARGB32);
    chart.render(&img);
    QVERIFY(chart.barRect(36).right() <= chart.width());

    chart.clear();
    QCOMPARE(chart.count(), 0);
    QCOMPARE(changed.count(), 3);
}

QTEST_MAIN(WidgetsTest)
#include "test_widgets.moc"
