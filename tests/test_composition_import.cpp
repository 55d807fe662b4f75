#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "foods/CompositionImport.h"
#include "foods/CompositionImportDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTableWidget>
#include <QtTest>

using namespace nqb;
using namespace nqb::import;

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

QString reasonOf(const Preview &p, int line)
{
    for (const SkippedRow &s : p.skipped) {
        if (s.line == line)
            return s.reason;
    }
    return {};
}

} // namespace

class CompositionImportTest : public QObject
{
    Q_OBJECT
private slots:
    void badCellsSkipTheirRowOnly();
    void namesAddNewFoodsToTheSubGroup();
    void wholeFileRefusals();
    void applyIsAllOrNothing();
    void templatesReadBackWithoutChanges();
    void dialogPreviewsBeforeImporting();
};

void CompositionImportTest::badCellsSkipTheirRowOnly()
{
    TestEnv env;
    const QByteArray csv = "code,WATER,Amino_tb.LYS,FAT,颜色\n"
                           "01-1-101,12,300,,红\n"       // line 2: good (FAT left as it is)
                           "01-1-102,abc,1,,\n"          // line 3: non-numeric WATER
                           "99-9-999,1,1,,\n"            // line 4: unknown code
                           "01-1-201,101,,,\n"           // line 5: more than 100 g per 100 g
                           "01-1-101,13,,,\n";           // line 6: the same food again
    const double fatBefore = value("SELECT FAT FROM Nutri_tb WHERE Code = '01-1-101'").toDouble();
    const QVariant water102 = value("SELECT WATER FROM Nutri_tb WHERE Code = '01-1-102'");
    Preview p;
    QVERIFY(previewCsv(csv, QString(), &p).ok());
    QCOMPARE(p.keyColumn, QStringLiteral("CODE"));
    QCOMPARE(p.unknownColumns, QStringList{QStringLiteral("颜色")});
    QCOMPARE(p.foods.size(), 1);
    QCOMPARE(p.foods.first().food.code, QStringLiteral("01-1-101"));
    QCOMPARE(p.foods.first().cells.size(), 2); // WATER 10 → 12 and LYS (none) → 300
    QVERIFY(p.foods.first().cells.at(1).oldValue.isNull());
    QCOMPARE(p.skipped.size(), 4);
    QVERIFY(reasonOf(p, 3).contains(QStringLiteral("WATER")));
    QVERIFY(reasonOf(p, 3).contains(QStringLiteral("不是数字")));
    QVERIFY(reasonOf(p, 4).contains(QStringLiteral("未知的食物编码")));
    QVERIFY(reasonOf(p, 5).contains(QStringLiteral("水分[g]")));
    QVERIFY(!reasonOf(p, 6).isEmpty());

    // Nothing is written by the preview.
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE Code = '01-1-101'").toDouble(), 10.0);
    QCOMPARE(count("SELECT COUNT(*) FROM Amino_tb"), 0);

    const Result r = apply(p);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.rows, 1);
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE Code = '01-1-101'").toDouble(), 12.0);
    QCOMPARE(value("SELECT FAT FROM Nutri_tb WHERE Code = '01-1-101'").toDouble(), fatBefore);
    QCOMPARE(count("SELECT COUNT(*) FROM Amino_tb WHERE CODE = '01-1-101' AND LYS = 300"), 1);
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE Code = '01-1-102'"), water102);

    // The same file again changes nothing more.
    QVERIFY(previewCsv(csv, QString(), &p).ok());
    QCOMPARE(p.foods.size(), 0);
    QCOMPARE(p.unchangedRows, 1);
}

void CompositionImportTest::namesAddNewFoodsToTheSubGroup()
{
    TestEnv env;
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO Nutri_tb (Code, FoodName) VALUES ('22-1-001', '旧的'), ('22-1-003', '更旧')"));
    const QByteArray csv = "FoodName,PYJM,PROCNT,GI\n"
                           "小麦,,12.5,\n"
                           "红薯粥,,1.1,77\n"
                           "\"Joe's 鸡汤\",JJT,3,\n";
    Preview p;
    QVERIFY(previewCsv(csv, QStringLiteral("1-自定义食物"), &p).ok());
    QCOMPARE(p.keyColumn, QStringLiteral("FOODNAME"));
    QCOMPARE(p.newFoodCount(), 2);
    QCOMPARE(p.foods.size(), 3);
    QCOMPARE(p.foods.at(1).food.code, QStringLiteral("22-1-002"));
    QCOMPARE(p.foods.at(1).food.pyjm, QStringLiteral("HSZ"));
    QCOMPARE(p.foods.at(2).food.code, QStringLiteral("22-1-004"));
    QVERIFY(apply(p).ok());
    QCOMPARE(count("SELECT COUNT(*) FROM Nutri_tb WHERE Code = '22-1-002' AND FoodName = '红薯粥' AND PROCNT = 1.1"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM GlycemicIndex_tb WHERE FoodName = '红薯粥' AND CODE = '22-1-002' "
                   "AND PYJM = 'HSZ' AND GI = 77"),
             1);
    QCOMPARE(value("SELECT PYJM FROM Nutri_tb WHERE FoodName = ?", {QStringLiteral("Joe's 鸡汤")}).toString(),
             QStringLiteral("JJT"));

    // Without a sub-group unknown names are skipped, known ones still change.
    QVERIFY(previewCsv("FOODNAME,PROCNT\n新来的,1\n小麦,13\n", QString(), &p).ok());
    QCOMPARE(p.newFoodCount(), 0);
    QCOMPARE(p.foods.size(), 1);
    QVERIFY(reasonOf(p, 2).contains(QStringLiteral("未知的食物名称")));
}

void CompositionImportTest::wholeFileRefusals()
{
    TestEnv env;
    Preview p;
    QStringEncoder gbk("GB18030");
    const QByteArray notUtf8 = gbk.encode(QStringLiteral("FOODNAME,WATER\n小麦,1\n"));
    QCOMPARE(previewCsv(notUtf8, QString(), &p).status, Status::FileError);
    QCOMPARE(previewCsv("WATER,FAT\n1,2\n", QString(), &p).status, Status::FileError);
    QCOMPARE(previewCsv("CODE,WATER,water\n01-1-101,1,2\n", QString(), &p).status, Status::FileError);
    QCOMPARE(previewCsv("", QString(), &p).status, Status::FileError);
    // A byte-order mark and CODE together with FOODNAME: keyed by code.
    QVERIFY(previewCsv("\xEF\xBB\xBF" "FOODNAME,CODE,WATER\n别的名字,01-1-101,20\n", QString(), &p).ok());
    QCOMPARE(p.keyColumn, QStringLiteral("CODE"));
    QCOMPARE(p.foods.size(), 1);
}

void CompositionImportTest::applyIsAllOrNothing()
{
    TestEnv env;
    Preview p;
    QVERIFY(previewCsv("FOODNAME,WATER\n小麦,33\n甲,1\n乙,2\n", QStringLiteral("1-自定义食物"), &p).ok());
    QCOMPARE(p.newFoodCount(), 2);
    // Someone takes the second new food's code before the import runs.
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO Nutri_tb (Code, FoodName) VALUES ('22-1-002', '插队')"));
    const Result r = apply(p);
    QVERIFY(!r.ok());
    QVERIFY(!r.message.isEmpty());
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE FoodName = '小麦'").toDouble(), 10.0);
    QCOMPARE(count("SELECT COUNT(*) FROM Nutri_tb WHERE FoodName IN ('甲', '乙')"), 0);
}

void CompositionImportTest::templatesReadBackWithoutChanges()
{
    TestEnv env;
    for (const rawfood::Page &page : rawfood::pages()) {
        const QString path = QDir(env.workingDir()).filePath(page.table + ".csv");
        QVERIFY(writeTemplate(page.table, path).ok());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        Preview p;
        QVERIFY(previewCsv(bytes + "01-1-101,小麦,,\n", QString(), &p).ok());
        QVERIFY2(p.unknownColumns.isEmpty(), qPrintable(p.unknownColumns.join(',')));
        QVERIFY(p.skipped.isEmpty());
        QCOMPARE(p.unchangedRows, 1);
    }
    QVERIFY(!writeTemplate(QStringLiteral("CateNutri_tb"), QDir(env.workingDir()).filePath("x.csv")).ok());
}

void CompositionImportTest::dialogPreviewsBeforeImporting()
{
    TestEnv env;
    ScriptedPrompt prompt;
    const QString path = QDir(env.workingDir()).filePath("in.csv");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("CODE,WATER\n01-1-101,40\n01-1-102,x\n");
    f.close();

    CompositionImportDialog d;
    auto *importBtn = child<QPushButton>(&d, "Import_btn");
    QVERIFY(!importBtn->isEnabled());
    prompt.files.enqueue(path);
    child<QPushButton>(&d, "File_btn")->click();
    QVERIFY(importBtn->isEnabled());
    auto *grid = child<QTableWidget>(&d, "Preview_grid");
    QCOMPARE(grid->rowCount(), 2); // one changed cell, one skipped row
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE Code = '01-1-101'").toDouble(), 10.0);

    prompt.answers.enqueue(false);
    importBtn->click();
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE Code = '01-1-101'").toDouble(), 10.0);
    prompt.answers.enqueue(true);
    importBtn->click();
    QVERIFY(d.imported());
    QCOMPARE(value("SELECT WATER FROM Nutri_tb WHERE Code = '01-1-101'").toDouble(), 40.0);
}

QTEST_MAIN(CompositionImportTest)
#include "test_composition_import.moc"
