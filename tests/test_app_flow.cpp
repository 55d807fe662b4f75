// The whole program started as main() starts it: a profile accepted from the
// main window's command leads to the workbench, whose week statistics, save
// and load commands work on the plan.
#include "ScriptedPrompt.h"
#include "TestEnv.h"

#include "app/AppStart.h"
#include "app/MainUnit.h"
#include "planning/AnalyzeUnit.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

class AppFlowTest : public QObject
{
    Q_OBJECT
private slots:
    void planningFromTheMainWindow();
};

void AppFlowTest::planningFromTheMainWindow()
{
    TestEnv env(false);
    ScriptedPrompt prompts;
    auto session = startApplication(env.workingDir(), env.programDir(), true);
    TMain *main = session->main;
    QVERIFY(QTest::qWaitForWindowExposed(main));
    auto *bench = qobject_cast<TAnalyze *>(main->Workbench());
    QVERIFY(bench);
    QVERIFY(!bench->isVisible());
    QCOMPARE(main->GetMealPattern(), 1);
    QVERIFY(QFile::exists(env.programDir() + "/NQB.bmp"));

    onNextModal([](QWidget *w) { w->findChild<QPushButton *>("Accept_btn")->click(); });
    main->action("IndividualPlan_act")->trigger();
    QVERIFY2(bench->isVisible(), qPrintable(prompts.texts().join('\n')));
    QVERIFY(main->IsIndividual());
    QVERIFY(QFile::exists(env.programDir() + "/personal.ini"));

    for (const char *name : {"WeekSum_btn", "Save_btn", "Load_btn", "Report_btn"})
        QVERIFY2(bench->findChild<QPushButton *>(name)->isEnabled(), name);

    // A plan entry of Monday, then save, clear and load it again.
    QSqlQuery q(nqb::db());
    QVERIFY(q.exec("INSERT INTO NQBNutri_tmp (DINERTMP, CODE, FOODNAME, WEEK, DINERTIME, WEIGHT, EDIBLE, PROCNT) "
                   "VALUES ('A', '01-1-101', '小麦', 'MON', '早餐', 100, 100, 11.9)"));
    const QString plan = env.workingDir() + "/周一.pan";
    prompts.files.enqueue(plan);
    bench->findChild<QPushButton *>("Save_btn")->click();
    QVERIFY(QFile::exists(plan));
    QVERIFY(QFile::exists(plan + "s"));
    QVERIFY(q.exec("DELETE FROM NQBNutri_tmp"));
    prompts.answers.enqueue(true);
    prompts.files.enqueue(plan);
    bench->findChild<QPushButton *>("Load_btn")->click();
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);

    QString weekTitle;
    onNextModal([&](QWidget *w) {
        weekTitle = w->windowTitle();
        w->close();
    });
    bench->findChild<QPushButton *>("WeekSum_btn")->click();
    QVERIFY(!weekTitle.isEmpty());

    // A page switch hides the workbench; the plan survives until the program closes.
    main->switchPage(2);
    QVERIFY(!bench->isVisible());
    main->close();
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
}

QTEST_MAIN(AppFlowTest)
#include "test_app_flow.moc"
