#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "data/RunState.h"
#include "diners/CollectiveEditUnit.h"
#include "diners/CollectiveUnit.h"
#include "diners/GroupProfile.h"
#include "planning/PlanFile.h"
#include "widgets/DataGrid.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

using namespace nqb;

namespace {

void choose(QComboBox *c, const QString &text)
{
    const int i = c->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    c->setCurrentIndex(i);
    emit c->activated(i);
}

QString cell(QWidget *w, int nutrient, int row)
{
    auto *g = child<QTableWidget>(w, nutrient < 13 ? "StrGrid1" : "StrGrid2");
    return g->item(row, nutrient % 13 + 1)->text();
}

void setCell(QWidget *w, int nutrient, int row, const QString &text)
{
    auto *g = child<QTableWidget>(w, nutrient < 13 ? "StrGrid1" : "StrGrid2");
    g->item(row, nutrient % 13 + 1)->setText(text);
}

StandardRows standard(const QString &band, const QString &sex, const QString &act)
{
    StandardRows s;
    readStandardRows(db(), band, sex, act, s);
    return s;
}

void addRow(QWidget *w, const QString &band, const QString &sex, const QString &act, const QString &persons)
{
    choose(child<QComboBox>(w, "Age_cmb"), band);
    child<QComboBox>(w, "Sex_cmb")->setCurrentText(sex);
    child<QComboBox>(w, "Activity_cmb")->setCurrentText(act);
    child<QLineEdit>(w, "TotalPerson_edt")->setText(persons);
    child<QPushButton>(w, "Add_btn")->click();
}

QList<double> requirementRow(const QString &remark)
{
    QSqlQuery q(db());
    q.prepare("SELECT " + requirementColumns().join(", ") + " FROM DRIs_tmp WHERE REMARK=?");
    q.addBindValue(remark);
    q.exec();
    QList<double> v;
    if (q.next()) {
        for (int i = 0; i < kRequirementCount; ++i)
            v << q.value(i).toDouble();
    }
    return v;
}

} // namespace

class GroupProfileTest : public QObject
{
    Q_OBJECT
private slots:
    void averageIsPersonsWeighted();
    void compositionCommandsAndTheirRefusals();
    void openingWithoutProfileFileShowsNothing();
    void acceptWritesProfileRowsAndKind();
    void refusedMatrixWritesNothing();
    void surveyModeHandsOverAndEmptiesPlan();
    void changePersonsDialog();
    void clearAsksAndRefreshDiscardsHandEdits();
    void profileFileReadingIsForgiving();
    void groupPlanSavedAndLoadedBack();
};

void GroupProfileTest::averageIsPersonsWeighted()
{
    TestEnv env;
    const StandardRows m = standard("18 ～ 50", "男", "轻体力活动");
    const StandardRows w = standard("18 ～ 50", "女", "轻体力活动");
    QVERIFY(m.found && w.found);
    RequirementMatrix out;
    QList<DinerGroupRow> rows{{"18 ～ 50", "男", "轻体力活动", 10}, {"18 ～ 50", "女", "轻体力活动", 30}};
    QCOMPARE(computeGroupRequirements(db(), rows, out), QString());
    for (int r = 0; r < 3; ++r) {
        for (int n = 0; n < kRequirementCount; ++n) {
            const double expected =
                std::nearbyint((10 * m.matrix.value(r, n) + 30 * w.matrix.value(r, n)) * 10 / 40) / 10;
            QCOMPARE(out.text(r, n), fmtG(expected));
        }
    }

    // A combination the table does not grade adds nothing but counts in the total.
    rows = {{"18 ～ 50", "男", "轻体力活动", 10}, {"6 ～ 7", "男", "重体力活动", 10}};
    QCOMPARE(computeGroupRequirements(db(), rows, out), QString());
    QCOMPARE(out.text(0, kEnergyKcal), fmtG(std::nearbyint(10 * m.matrix.value(0, kEnergyKcal) * 10 / 20) / 10));

    // Ties go to the even neighbour: a value of 0.25 for one person averages to 0.2.
    QSqlQuery q(db());
    QVERIFY(q.exec("UPDATE DRIsStand_tb SET CA = 0.25 WHERE AGETEXT='18 ～ 50' AND SEX='男' AND ACT='轻体力活动' "
                   "AND DRIS='RNI'"));
    rows = {{"18 ～ 50", "男", "轻体力活动", 1}};
    QCOMPARE(computeGroupRequirements(db(), rows, out), QString());
    QCOMPARE(out.text(0, 15), QStringLiteral("0.2"));

    // No persons at all: averaged over 1, a matrix of zeros.
    rows = {{"18 ～ 50", "男", "轻体力活动", 0}};
    QCOMPARE(computeGroupRequirements(db(), rows, out), QString());
    for (int n = 0; n < kRequirementCount; ++n)
        QCOMPARE(out.text(0, n), QStringLiteral("0"));
}

void GroupProfileTest::compositionCommandsAndTheirRefusals()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TCollective w(testRunState());
    w.show();
    auto *grid = child<DataGrid>(&w, "DBGridEh1");

    addRow(&w, "18 ～ 50", "男", "轻体力活动", "10");
    addRow(&w, "18 ～ 50", "女", "轻体力活动", "30");
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->footerText("AGETEXT"), QStringLiteral("记录总数："));
    QCOMPARE(grid->footerText("SEX"), QStringLiteral("2"));
    QCOMPARE(grid->footerText("ACTIVITY"), QStringLiteral("配餐人数："));
    QCOMPARE(grid->footerText("TOTALPERSON"), QStringLiteral("40"));
    RequirementMatrix expected;
    computeGroupRequirements(db(), w.composition(), expected);
    QCOMPARE(w.matrix(), expected);

    // The same combination again is refused and changes nothing.
    addRow(&w, "18 ～ 50", "女", "轻体力活动", "5");
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].title, QStringLiteral("警告"));
    QCOMPARE(prompts.lastText(), QStringLiteral("该就餐标准已存在，请更改就餐人数！"));
    QCOMPARE(rowCount("DinerPerson_tmp"), 2);
    QCOMPARE(grid->footerText("TOTALPERSON"), QStringLiteral("40"));

    // A band without activity grades: only light activity, list disabled.
    auto *act = child<QComboBox>(&w, "Activity_cmb");
    choose(child<QComboBox>(&w, "Age_cmb"), "18 ～ 50");
    act->setCurrentText("重体力活动");
    choose(child<QComboBox>(&w, "Age_cmb"), "6 ～ 7");
    QCOMPARE(act->count(), 1);
    QCOMPARE(act->currentText(), QStringLiteral("轻体力活动"));
    QVERIFY(!act->isEnabled());
    choose(child<QComboBox>(&w, "Age_cmb"), "60 ～ 70");
    QCOMPARE(act->count(), 2);
    QVERIFY(act->isEnabled());

    // Deleting both rows leaves a matrix of zeros.
    grid->selectRow(0);
    w.DeleteCurrent();
    QCOMPARE(rowCount("DinerPerson_tmp"), 1);
    grid->selectRow(0);
    w.DeleteCurrent();
    QCOMPARE(rowCount("DinerPerson_tmp"), 0);
    QCOMPARE(grid->footerText("SEX"), QStringLiteral("0"));
    for (int n = 0; n < kRequirementCount; ++n)
        QCOMPARE(cell(&w, n, 1), QStringLiteral("0"));
    QVERIFY(prompts.messages.size() == 1); // no question before a row is deleted
}

void GroupProfileTest::openingWithoutProfileFileShowsNothing()
{
    TestEnv env;
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO DinerPerson_tmp (AGETEXT, ACTIVITY, SEX, TOTALPERSON) "
                   "VALUES ('18 ～ 50', '轻体力活动', '男', 3)"));
    TCollective w(testRunState());
    w.show();
    QCOMPARE(rowCount("DinerPerson_tmp"), 0);
    QCOMPARE(child<DataGrid>(&w, "DBGridEh1")->rowCount(), 0);
    for (int n = 0; n < kRequirementCount; ++n)
        QVERIFY(cell(&w, n, 1).isEmpty() && cell(&w, n, 3).isEmpty());
    QCOMPARE(child<QTableWidget>(&w, "StrGrid1")->item(0, 0)->text(), QStringLiteral("名    称"));
}

void GroupProfileTest::acceptWritesProfileRowsAndKind()
{
    TestEnv env;
    ScriptedPrompt prompts;
    RunState &run = testRunState();
    run.setSurveyMode(false);
    run.setProfileKind(RunState::ProfileKind::Individual);
    // The workbench's save left its daily percentages in the file; they stay.
    {
        QSettings s(groupProfilePath(), QSettings::IniFormat);
        s.setValue("Quotiety/1", "80");
        s.setValue("AGETEXT/5", "stale");
    }
    QSignalSpy workbench(&run, &RunState::workbenchRequested);
    QSignalSpy changed(&run, &RunState::requirementsChanged);
    TCollective w(run);
    w.show();
    addRow(&w, "18 ～ 50", "男", "中体力活动", "12");
    addRow(&w, "14 ～ 18", "女", "轻体力活动", "8");
    setCell(&w, 15, 1, "777"); // a hand edit of the calcium RNI
    const RequirementMatrix shown = w.matrix();
    child<QPushButton>(&w, "Accept_btn")->click();
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.lastText()));
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(run.profileKind() == RunState::ProfileKind::Group);
    QCOMPARE(workbench.count(), 1);
    QCOMPARE(changed.count(), 1);

    const QList<double> rni = requirementRow("RNI");
    QCOMPARE(rni[15], 777.0);
    QCOMPARE(requirementRow("UL")[kEnergyKcal], shown.value(2, kEnergyKcal));

    QSettings s(groupProfilePath(), QSettings::IniFormat);
    QCOMPARE(s.value("TOTALNUM/Total").toString(), QStringLiteral("2"));
    QCOMPARE(s.value("AGETEXT/0").toString(), QStringLiteral("18 ～ 50"));
    QCOMPARE(s.value("ACTIVITY/0").toString(), QStringLiteral("中体力活动"));
    QCOMPARE(s.value("SEX/1").toString(), QStringLiteral("女"));
    QCOMPARE(s.value("TOTALPERSON/1").toString(), QStringLiteral("8"));
    QCOMPARE(s.value("RNI/15").toString(), QStringLiteral("777"));
    QCOMPARE(s.value("EAR/0").toString(), shown.text(1, 0));
    QCOMPARE(s.value("Quotiety/1").toString(), QStringLiteral("80"));
    QVERIFY(!s.contains("AGETEXT/5"));

    // The next opening restores the composition and the stored (hand-edited) matrix.
    QVERIFY(QSqlQuery(db()).exec("DELETE FROM DinerPerson_tmp"));
    TCollective again(run);
    again.show();
    QCOMPARE(again.composition().size(), 2);
    QCOMPARE(again.composition()[1], (DinerGroupRow{"14 ～ 18", "女", "轻体力活动", 8}));
    QCOMPARE(cell(&again, 15, 1), QStringLiteral("777"));
}

void GroupProfileTest::refusedMatrixWritesNothing()
{
    TestEnv env;
    ScriptedPrompt prompts;
    RunState &run = testRunState();
    run.setSurveyMode(false);
    run.setProfileKind(RunState::ProfileKind::Individual);
    const QList<double> before = requirementRow("RNI");
    TCollective w(run);
    w.show();
    // An empty composition cannot be confirmed.
    child<QPushButton>(&w, "Accept_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Warning);

    addRow(&w, "18 ～ 50", "男", "轻体力活动", "10");
    prompts.clear();
    setCell(&w, 15, 2, "99999"); // calcium EAR above its RNI
    setCell(&w, 0, 3, "1");      // energy UL below its RNI
    child<QPushButton>(&w, "Accept_btn")->click();
    QCOMPARE(prompts.texts(), QStringList({"\"能量[kcal]\"参数值有误，请仔细检查！", "\"钙\"参数值有误，请仔细检查！"}));
    QVERIFY(w.isVisible());
    QCOMPARE(requirementRow("RNI"), before);
    QVERIFY(!QFile::exists(groupProfilePath()));
    QVERIFY(run.profileKind() == RunState::ProfileKind::Individual);

    // A cell that is no number is named.
    prompts.clear();
    setCell(&w, 15, 2, "1..2");
    child<QPushButton>(&w, "Accept_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.lastText().contains("1..2"));
    QVERIFY(!QFile::exists(groupProfilePath()));
}

void GroupProfileTest::surveyModeHandsOverAndEmptiesPlan()
{
    TestEnv env;
    ScriptedPrompt prompts;
    RunState &run = testRunState();
    run.setSurveyMode(true);
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO NQBNutri_tmp (CODE, FOODNAME, WEIGHT) VALUES ('01-1-101', 'x', 100)"));
    bool opened = false;
    TCollective::setSurveyEntryOpener([&](QWidget *) { opened = rowCount("NQBNutri_tmp") == 1; });
    QSignalSpy workbench(&run, &RunState::workbenchRequested);
    {
        TCollective w(run);
        w.show();
        QVERIFY(!child<QPushButton>(&w, "Load_btn")->isVisible());
        addRow(&w, "18 ～ 50", "女", "轻体力活动", "4");
        child<QPushButton>(&w, "Accept_btn")->click();
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.lastText()));
    }
    TCollective::setSurveyEntryOpener(nullptr);
    run.setSurveyMode(false);
    QVERIFY(opened);
    QCOMPARE(workbench.count(), 0);
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
}

void GroupProfileTest::changePersonsDialog()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TCollective w(testRunState());
    w.show();
    addRow(&w, "18 ～ 50", "男", "轻体力活动", "10");
    addRow(&w, "18 ～ 50", "女", "轻体力活动", "30");
    auto *grid = child<DataGrid>(&w, "DBGridEh1");
    grid->selectRow(1);

    // An empty field is refused and keeps the dialog open; a number is taken.
    bool refusedKeptOpen = false;
    onNextModal([&](QWidget *d) {
        QCOMPARE(child<QLineEdit>(d, "OldNum_edt")->text(), QStringLiteral("30"));
        child<QPushButton>(d, "Accept_btn")->click();
        refusedKeptOpen = d->isVisible() && prompts.lastText() == QStringLiteral("请输入进餐人数！");
        QTest::keyClicks(child<QLineEdit>(d, "NewNum_edt"), "2x0");
        QTest::keyClick(child<QLineEdit>(d, "NewNum_edt"), Qt::Key_Return);
    });
    w.EditCurrent();
    QVERIFY(refusedKeptOpen);
    QCOMPARE(w.composition()[1].persons, 20);
    QCOMPARE(grid->footerText("TOTALPERSON"), QStringLiteral("30"));
    const StandardRows m = standard("18 ～ 50", "男", "轻体力活动");
    const StandardRows f = standard("18 ～ 50", "女", "轻体力活动");
    QCOMPARE(cell(&w, 0, 1),
             fmtG(std::nearbyint((10 * m.matrix.value(0, 0) + 20 * f.matrix.value(0, 0)) * 10 / 30) / 10));

    // Cancelling changes nothing.
    onNextModal([](QWidget *d) { QTest::keyClick(d, Qt::Key_Escape); });
    w.EditCurrent();
    QCOMPARE(w.composition()[1].persons, 20);
}

void GroupProfileTest::clearAsksAndRefreshDiscardsHandEdits()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TCollective w(testRunState());
    w.show();
    addRow(&w, "18 ～ 50", "男", "轻体力活动", "10");
    const QString computed = cell(&w, 15, 1);
    setCell(&w, 15, 1, "1");
    child<QPushButton>(&w, "Edt_btn")->click();
    QCOMPARE(cell(&w, 15, 1), computed);

    prompts.answers.enqueue(false);
    child<QPushButton>(&w, "Clear_btn")->click();
    QCOMPARE(prompts.lastText(), QStringLiteral("确认删除？"));
    QCOMPARE(prompts.messages.last().icon, Prompt::Icon::Question);
    QCOMPARE(rowCount("DinerPerson_tmp"), 1);
    prompts.answers.enqueue(true);
    child<QPushButton>(&w, "Clear_btn")->click();
    QCOMPARE(rowCount("DinerPerson_tmp"), 0);
    QCOMPARE(cell(&w, 15, 1), QStringLiteral("0"));
}

void GroupProfileTest::profileFileReadingIsForgiving()
{
    TestEnv env;
    const QString path = env.programDir() + "/g.ini";
    {
        QSettings s(path, QSettings::IniFormat);
        s.setValue("TOTALNUM/Total", "4");
        s.setValue("AGETEXT/0", "18 ～ 50");
        s.setValue("SEX/0", "男");
        s.setValue("ACTIVITY/0", "轻体力活动");
        s.setValue("TOTALPERSON/0", "abc");
        s.setValue("AGETEXT/1", "18 ～ 50"); // the same combination again
        s.setValue("SEX/1", "男");
        s.setValue("ACTIVITY/1", "轻体力活动");
        s.setValue("TOTALPERSON/1", "5");
        // row 2 has no keys at all; row 3 is complete
        s.setValue("AGETEXT/3", "O'Brien");
        s.setValue("SEX/3", "女");
        s.setValue("ACTIVITY/3", "轻体力活动");
        s.setValue("TOTALPERSON/3", "7");
        s.setValue("RNI/3", "12.5");
    }
    GroupProfileData d;
    QVERIFY(readGroupProfile(path, d));
    QCOMPARE(d.rows.size(), 2);
    QCOMPARE(d.rows[0].persons, 0);
    QCOMPARE(d.rows[1].ageBand, QStringLiteral("O'Brien"));
    QCOMPARE(d.matrix.text(0, 3), QStringLiteral("12.5"));
    QCOMPARE(d.matrix.text(2, 25), QStringLiteral("0"));
    // Values are bound: a quote in a band is stored as it is.
    QVERIFY(replaceComposition(db(), d.rows).ok());
    QList<DinerGroupRow> back;
    QVERIFY(readComposition(db(), back).ok());
    QCOMPARE(back, d.rows);
    QVERIFY(isGroupProfileFile(path));

    QVERIFY(!readGroupProfile(env.programDir() + "/none.ini", d));
    QFile foreign(env.programDir() + "/x.panm");
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write("[personalInfo]\nSex=1\n");
    foreign.close();
    QString why;
    QVERIFY(!isGroupProfileFile(foreign.fileName(), &why));
    QVERIFY(why.contains("x.panm"));
}

void GroupProfileTest::groupPlanSavedAndLoadedBack()
{
    TestEnv env;
    ScriptedPrompt prompts;
    RunState &run = testRunState();
    run.setSurveyMode(false);
    run.setMealPattern(1);
    {
        TCollective w(run);
        w.show();
        addRow(&w, "18 ～ 50", "男", "轻体力活动", "10");
        addRow(&w, "50 ～ 60", "女", "中体力活动", "5");
        setCell(&w, 3, 1, "70");
        child<QPushButton>(&w, "Accept_btn")->click();
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.lastText()));
    }
    QVERIFY(!run.isIndividual());
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO NQBNutri_tmp (DINERTMP, CODE, FOODNAME, WEEK, DINERTIME, WEIGHT) VALUES "
                   "('A', '01-1-101', 'a''b', 'MON', '早餐', 100)"));
    // The workbench's save of a group: X.pan and X.panm.
    const QString plan = env.workingDir() + "/食堂.pan";
    QVERIFY(planfile::savePlanWithProfile(plan, run.isIndividual()).ok());
    QVERIFY(QFile::exists(plan + "m"));

    // Something else becomes the current group and plan.
    QVERIFY(q.exec("DELETE FROM NQBNutri_tmp"));
    QVERIFY(QFile::remove(groupProfilePath()));
    TCollective w(run);
    w.show();
    QCOMPARE(w.composition().size(), 0);

    // A foreign file is refused before anything is replaced.
    QFile foreign(env.workingDir() + "/别的.panm");
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write("hello");
    foreign.close();
    prompts.files.enqueue(foreign.fileName());
    child<QPushButton>(&w, "Load_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.lastText().contains("别的.panm"));
    QVERIFY(!QFile::exists(groupProfilePath()));

    prompts.clear();
    prompts.files.enqueue(plan + "m");
    prompts.answers.enqueue(true);
    child<QPushButton>(&w, "Load_btn")->click();
    QCOMPARE(prompts.texts(), QStringList({"是否导入菜普？"}));
    QCOMPARE(w.composition().size(), 2);
    QCOMPARE(w.composition()[1], (DinerGroupRow{"50 ～ 60", "女", "中体力活动", 5}));
    QCOMPARE(cell(&w, 3, 1), QStringLiteral("70"));
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE FOODNAME='a''b'"), 1);
    QVERIFY(QFile::exists(groupProfilePath()));
}

QTEST_MAIN(GroupProfileTest)
#include "test_group_profile.moc"
