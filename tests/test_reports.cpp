// The printed reports generated from a two-day plan with a dish: the day's
// statistics, the week and day menus and the purchase list, read back from
// the generated documents; and the report window opening their previews.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "planning_fixtures.h"

#include "data/Settings.h"
#include "planning/AnalyzeUnit.h"
#include "planning/ReportFormUnit.h"
#include "planning/Reports.h"
#include "widgets/ReportPreview.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

using namespace nqb;
using fixtures::Values;

namespace {

// Foods of groups 01 (cereals), 04 (vegetables) and 19 (oils), and a dish of
// 300 g greens and 20 g oil (320 g in all).
void insertFoods()
{
    QVERIFY(fixtures::insertFood("01-1-901", "测试米", 100, {{"PROCNT", 7.5}}));
    QVERIFY(fixtures::insertFood("04-3-901", "测试青菜", 90, {{"PROCNT", 1.5}}));
    QVERIFY(fixtures::insertFood("19-2-901", "测试油", 100, {{"FAT", 99.9}}));
    QVERIFY(fixtures::insertDish("99-001", "测试炒青菜", 100, {{"PROCNT", 1.3}}));
    QVERIFY(fixtures::run("INSERT INTO CateComponent_tb (FOODID, CODE, WEIGHT) VALUES ('99-001','04-3-901',300),"
                          "('99-001','19-2-901',20)"));
}

// Sunday: rice at breakfast, the dish at lunch. Monday: the dish, greens, and
// rice entered without an identifier. Inserted out of meal order.
void insertPlan()
{
    QVERIFY(fixtures::insertEntry("SUN", "午餐", "测试炒青菜", 160, {{"ENERC_kcal", 80}, {"PROCNT", 2.1}}, "99-001"));
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "测试米", 100, {{"ENERC_kcal", 346}, {"PROCNT", 7.5}}, "01-1-901"));
    QVERIFY(fixtures::insertEntry("MON", "加餐", "测试米", 50, {{"ENERC_kcal", 173}, {"PROCNT", 3.75}}, ""));
    QVERIFY(fixtures::insertEntry("MON", "晚餐", "测试青菜", 50, {{"PROCNT", 0.675}}, "04-3-901"));
    QVERIFY(fixtures::insertEntry("MON", "午餐", "测试炒青菜", 80, {{"ENERC_kcal", 40}, {"PROCNT", 1.05}}, "99-001"));
}

reports::Context context(bool individual = true)
{
    QString error;
    reports::Context c =
        reports::currentContext(individual, {"80", "100", "100", "100", "100", "100", "100"}, &error);
    if (!error.isEmpty())
        qWarning("%s", qPrintable(error));
    c.date = QDate(2026, 3, 1);
    return c;
}

// The row of a table whose first cell is text.
QStringList rowStartingWith(const QList<QStringList> &table, const QString &text)
{
    for (const QStringList &r : table)
        if (!r.isEmpty() && r.first() == text)
            return r;
    return {};
}

int column(const QString &requirementColumn)
{
    return 2 + requirementIndex(requirementColumn); // after name and weight
}

// Runs fn on the first modal window of type T that becomes active.
template <typename T> void onModalOf(std::function<void(T *)> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn]() {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(w);
        }
    });
    timer->start();
    QTimer::singleShot(8000, timer, [timer] {
        qWarning("no such modal window appeared");
        timer->stop();
        timer->deleteLater();
    });
}

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT
private slots:
    void dayStatisticsOfAPlanWithADish();
    void weekAndDayMenus();
    void purchaseListExpandsDishes();
    void purchaseListForAGroup();
    void headerNamesOrganisationAndDiners();
    void reportWindowOpensPreviews();
};

void ReportsTest::dayStatisticsOfAPlanWithADish()
{
    TestEnv env;
    insertFoods();
    insertPlan();
    // RNI 100, EAR 5, UL 1000 for every nutrient; protein RNI 60, EAR 50.
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "RNI", 100, {{"PROCNT", 60}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "EAR", 5, {{"PROCNT", 50}}));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "UL", 1000));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "实际", 7));
    QVERIFY(fixtures::setRequirementRow("DRIs_tmp", "标准", 9));

    QString error;
    auto doc = reports::dayStatisticsReport(context(), 0, &error); // Sunday at 80 %
    QVERIFY2(doc, qPrintable(error));
    const auto tables = report::tablesOf(*doc);
    QCOMPARE(tables.size(), 1);
    const auto &t = tables.first();
    // Entries in meal order, each under its slot.
    QCOMPARE(t[1], QStringList{"早餐"});
    QCOMPARE(t[2].mid(0, 2), (QStringList{"测试米", "100"}));
    QCOMPARE(t[3], QStringList{"午餐"});
    QCOMPARE(t[4].mid(0, 2), (QStringList{"测试炒青菜", "160"}));
    QCOMPARE(t[2][column("PROCNT")], QStringLiteral("7.5"));

    // Totals 9.6 g protein and 426 kcal against RNI × 0.8.
    const QStringList totals = rowStartingWith(t, "合计");
    const QStringList standard = rowStartingWith(t, "标准");
    const QStringList markers = rowStartingWith(t, "结果");
    const QStringList percents = rowStartingWith(t, "占标准[%]");
    QCOMPARE(totals[1], QStringLiteral("260"));
    QCOMPARE(totals[column("PROCNT")], QStringLiteral("9.6"));
    QCOMPARE(totals[column("ENERC_kcal")], QStringLiteral("426"));
    QCOMPARE(standard[column("PROCNT")], QStringLiteral("48"));
    QCOMPARE(standard[column("ENERC_kcal")], QStringLiteral("80"));
    QCOMPARE(markers[column("PROCNT")], QStringLiteral("－")); // 9.6 below EAR × 0.8 = 40
    QCOMPARE(markers[column("ENERC_kcal")], QStringLiteral("ok"));
    QCOMPARE(percents[column("PROCNT")], QStringLiteral("20"));
    QCOMPARE(percents[column("ENERC_kcal")], QStringLiteral("532")); // 532.5, tie to even
    QVERIFY(doc->toPlainText().contains("配餐比例：80%"));

    // The chart is a picture of the document.
    const QImage chart = doc->resource(QTextDocument::ImageResource, QUrl("report://chart/SUN")).value<QImage>();
    QVERIFY(!chart.isNull());

    // Printing evaluates on the side: the workbench's rows stay as they were.
    QCOMPARE(fixtures::value("SELECT PROCNT FROM DRIs_tmp WHERE REMARK='实际'").toDouble(), 7.0);
    QCOMPARE(fixtures::value("SELECT PROCNT FROM DRIs_tmp WHERE REMARK='标准'").toDouble(), 9.0);

    // An imported entry of no known meal slot counts in the totals, as on the
    // workbench, listed after the slots; the menus leave it out.
    QVERIFY(fixtures::insertEntry("SUN", "夜宵", "测试米", 10, {{"PROCNT", 0.4}}, "01-1-901"));
    doc = reports::dayStatisticsReport(context(), 0, &error);
    const auto withOther = report::tablesOf(*doc).first();
    QCOMPARE(withOther[5], QStringList{"其他"});
    QCOMPARE(rowStartingWith(withOther, "合计")[column("PROCNT")], QStringLiteral("10"));
    QCOMPARE(report::tablesOf(*reports::weekMenuReport(context(), &error)).first().size(), 5);

    // A day without entries still prints its standard.
    auto empty = reports::dayStatisticsReport(context(), 3, &error);
    QVERIFY(empty);
    QVERIFY(empty->toPlainText().contains("本日没有配餐。"));
    QCOMPARE(rowStartingWith(report::tablesOf(*empty).first(), "标准")[column("PROCNT")], QStringLiteral("60"));
}

void ReportsTest::weekAndDayMenus()
{
    TestEnv env;
    insertFoods();
    insertPlan();
    QString error;
    auto week = reports::weekMenuReport(context(), &error);
    QVERIFY2(week, qPrintable(error));
    const auto t = report::tablesOf(*week).first();
    QCOMPARE(t[0].mid(0, 5), (QStringList{"餐次", "周日", "重量[g]", "周一", "重量[g]"}));
    QCOMPARE(t[0].size(), 15);
    QCOMPARE(t.size(), 5); // header + breakfast, lunch, supper, extra meal
    QCOMPARE(t[1].mid(0, 5), (QStringList{"早餐", "测试米", "100", "", ""}));
    QCOMPARE(t[2].mid(0, 5), (QStringList{"午餐", "测试炒青菜", "160", "测试炒青菜", "80"}));
    QCOMPARE(t[3].mid(0, 5), (QStringList{"晚餐", "", "", "测试青菜", "50"}));
    QCOMPARE(t[4].mid(0, 5), (QStringList{"加餐", "", "", "测试米", "50"}));

    // Monday's menu with the slots of pattern 1.
    auto day = reports::dayMenuReport(context(), 1, &error);
    QVERIFY(day);
    auto d = report::tablesOf(*day).first();
    QCOMPARE(d[0], (QStringList{"早餐", "重量[g]", "午餐", "重量[g]", "晚餐", "重量[g]", "加餐", "重量[g]"}));
    QCOMPARE(d[1], (QStringList{"", "", "测试炒青菜", "80", "测试青菜", "50", "测试米", "50"}));
    QCOMPARE(d[2], (QStringList{"合计", "0", "合计", "80", "合计", "50", "合计", "50"}));

    // Pattern 3 offers six slots; the extra meal still shows, it has an entry.
    reports::Context c = context();
    c.mealPattern = 3;
    day = reports::dayMenuReport(c, 1, &error);
    d = report::tablesOf(*day).first();
    QCOMPARE(d[0].size(), 14);
    QCOMPARE(d[0][2], QStringLiteral("早间餐"));
    QCOMPARE(d[0][12], QStringLiteral("加餐"));
}

void ReportsTest::purchaseListExpandsDishes()
{
    TestEnv env;
    insertFoods();
    insertPlan();
    QString error;
    const auto list = reports::purchaseList(&error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Rice 100 + 50 (found by its name); greens 300 × 160/320 + 300 × 80/320 + 50;
    // oil 20 × 160/320 + 20 × 80/320. Sorted by food group.
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0].code, QStringLiteral("01-1-901"));
    QCOMPARE(list[0].grams, 150.0);
    QCOMPARE(list[0].group, QStringLiteral("01-谷类及制品"));
    QCOMPARE(list[1].name, QStringLiteral("测试青菜"));
    QCOMPARE(list[1].grams, 275.0);
    QCOMPARE(list[2].name, QStringLiteral("测试油"));
    QCOMPARE(list[2].grams, 15.0);
    QCOMPARE(list[2].group, QStringLiteral("19-油脂类"));

    auto doc = reports::purchaseReport(context(), &error);
    QVERIFY(doc);
    const auto t = report::tablesOf(*doc).first();
    QCOMPARE(t[0].size(), 3); // one person: no group columns
    QCOMPARE(t[1], QStringList{"01-谷类及制品"});
    QCOMPARE(t[2], (QStringList{"01-1-901", "测试米", "150"}));
    QCOMPARE(rowStartingWith(t, "合计")[2], QStringLiteral("440"));

    // A dish whose ingredients weigh nothing is bought as itself; an unknown
    // entry keeps its name.
    QVERIFY(fixtures::insertDish("99-002", "测试空菜", 100, {}));
    QVERIFY(fixtures::insertEntry("TUE", "早餐", "测试空菜", 30, {}, "99-002"));
    QVERIFY(fixtures::insertEntry("TUE", "午餐", "不存在的食物", 20, {}, ""));
    const auto more = reports::purchaseList(&error);
    QCOMPARE(more.size(), 5);
    auto byName = [&](const QString &name) {
        for (const auto &p : more)
            if (p.name == name)
                return p;
        return reports::Purchase{};
    };
    QCOMPARE(byName("测试空菜").grams, 30.0);
    QCOMPARE(byName("测试空菜").code, QStringLiteral("99-002"));
    QCOMPARE(byName("不存在的食物").grams, 20.0);
    QCOMPARE(more[3].group, QStringLiteral("其他")); // after every food group
    QCOMPARE(more[4].group, QStringLiteral("其他"));
}

void ReportsTest::purchaseListForAGroup()
{
    TestEnv env;
    insertFoods();
    insertPlan();
    QVERIFY(fixtures::run("INSERT INTO DinerPerson_tmp (AGETEXT, SEX, ACTIVITY, TOTALPERSON) VALUES "
                          "('18 ～ 50','男','轻体力活动',10), ('18 ～ 50','女','轻体力活动',30)"));
    QString error;
    const reports::Context c = context(false);
    QCOMPARE(c.diners.persons(), 40);
    auto doc = reports::purchaseReport(c, &error);
    QVERIFY2(doc, qPrintable(error));
    const auto t = report::tablesOf(*doc).first();
    QCOMPARE(t[0], (QStringList{"原料编码", "原料名称", "每人用量[g]", "40 人用量[g]", "40 人用量[kg]"}));
    QCOMPARE(rowStartingWith(t, "04-3-901"), (QStringList{"04-3-901", "测试青菜", "275", "11000", "11"}));
    QCOMPARE(rowStartingWith(t, "19-2-901"), (QStringList{"19-2-901", "测试油", "15", "600", "0.6"}));
    QCOMPARE(rowStartingWith(t, "合计"), (QStringList{"合计", "", "440", "17600", "17.6"}));
    QVERIFY(doc->toPlainText().contains("每人用量 × 40 人"));
}

void ReportsTest::headerNamesOrganisationAndDiners()
{
    TestEnv env;
    QVERIFY(writeSettingsValues({{"CmpInfo", "东城营养中心"}, {"Tel", "电话 010-1234"}}).isEmpty());
    QString error;
    auto doc = reports::weekMenuReport(context(), &error);
    const QString text = doc->toPlainText();
    QVERIFY(text.contains("东城营养中心"));
    QVERIFY(text.contains("电话 010-1234"));
    QVERIFY(text.contains("2026-03-01"));
    QVERIFY2(text.contains("个人：男，18 ～ 50 岁，轻体力活动，体重 65 kg"), qPrintable(text));
    QVERIFY(text.contains("本周没有配餐。"));

    QVERIFY(fixtures::run("INSERT INTO DinerPerson_tmp (AGETEXT, SEX, ACTIVITY, TOTALPERSON) VALUES "
                          "('6 ～ 7','女','轻体力活动',25)"));
    doc = reports::weekMenuReport(context(false), &error);
    QVERIFY(doc->toPlainText().contains("集体：6 ～ 7 岁 女 轻体力活动 25 人；共 25 人"));
}

void ReportsTest::reportWindowOpensPreviews()
{
    TestEnv env;
    ScriptedPrompt prompts;
    insertFoods();
    insertPlan();
    TAnalyze bench(testRunState());
    QPushButton *report = bench.button("Report_btn");
    QVERIFY(report->isEnabled());

    QString shown;
    int pages = 0;
    onModalOf<TReportForm>([&](TReportForm *form) {
        onModalOf<ReportPreview>([&](ReportPreview *preview) {
            shown = preview->document()->toPlainText();
            pages = preview->document()->pageCount();
            // Save as PDF from the preview.
            prompts.files.enqueue(env.programDir() + "/list.pdf");
            preview->findChild<QAction *>("SavePdf_act")->trigger();
            preview->reject();
        });
        form->findChild<QPushButton *>("BitBtn17")->click();
        form->reject();
    });
    report->click();
    QVERIFY2(shown.contains("一周原料统计"), qPrintable(shown));
    QVERIFY(shown.contains("测试青菜"));
    QVERIFY(pages >= 1);
    QFile pdf(env.programDir() + "/list.pdf");
    QVERIFY2(pdf.open(QIODevice::ReadOnly), qPrintable(prompts.texts().join('\n')));
    QVERIFY(pdf.read(5) == "%PDF-");

    // Monday's day menu from its button in the second weekday row.
    onModalOf<TReportForm>([&](TReportForm *form) {
        onModalOf<ReportPreview>([&](ReportPreview *preview) {
            shown = preview->document()->toPlainText();
            preview->reject();
        });
        form->findChild<QPushButton *>("BitBtn1")->click();
        form->reject();
    });
    report->click();
    QVERIFY(shown.contains("菜谱（周一）"));
}

QTEST_MAIN(ReportsTest)
#include "test_reports.moc"
