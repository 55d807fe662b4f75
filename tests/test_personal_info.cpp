#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "app/AppStart.h"
#include "app/MainUnit.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "diners/PersonalInfoUnit.h"
#include "diners/PersonalProfile.h"
#include "planning/PlanFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QSignalSpy>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTableWidget>
#include <QtTest>

using namespace nqb;

namespace {

// Chooses an item of a drop-down list the way a user does (runs its handling).
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

// The standard RNI / EAR / UL rows of DRIsStand_tb for one combination.
QList<QStringList> standardRows(const QString &band, const QString &sex, const QString &act)
{
    QList<QStringList> rows;
    for (const char *kind : {"RNI", "EAR", "UL"}) {
        QSqlQuery q(db());
        q.prepare("SELECT " + requirementColumns().join(", ")
                  + " FROM DRIsStand_tb WHERE AGETEXT=? AND SEX=? AND ACT=? AND DRIS=?");
        q.addBindValue(band);
        q.addBindValue(sex);
        q.addBindValue(act);
        q.addBindValue(QString::fromLatin1(kind));
        q.exec();
        QStringList r;
        if (q.next()) {
            for (int i = 0; i < kRequirementCount; ++i)
                r << (q.value(i).isNull() ? QStringLiteral("0") : fmtG(q.value(i).toDouble()));
        }
        rows << r;
    }
    return rows;
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

class PersonalInfoTest : public QObject
{
    Q_OBJECT
private slots:
    void creationShowsTheStandardRows();
    void bodyMassIndexAndClasses();
    void controlRulesFollowBandSexAndState();
    void formulaFeedingAndPersonalBasis();
    void acceptWritesProfileAndRowsAndLoadRestoresThem();
    void refusedInputWritesNothing();
    void surveyModeHidesLoadAndEmptiesPlanOnClose();
    void mainWindowCommandsOpenTheWindow();
    void loadTakesAProfileCopyAndItsPlan();
    void energyAdjustmentStepsFromTheShownMatrix();
    void feedingRadiosKeepOneChecked();
    void listsIgnoreTypedCharactersAndEnterConfirms();
    void confirmWritesNothingWithoutUsableDatabase();
    void rowsAreWrittenBeforeTheProfileFile();
};

void PersonalInfoTest::creationShowsTheStandardRows()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    const auto rows = standardRows("18 ～ 50", "男", "轻体力活动");
    QVERIFY(!rows[0].isEmpty());
    for (int r = 0; r < 3; ++r) {
        for (int n = 0; n < kRequirementCount; ++n)
            QCOMPARE(cell(&w, n, r + 1), rows[r][n]);
    }
    auto *g1 = child<QTableWidget>(&w, "StrGrid1");
    QCOMPARE(g1->item(0, 0)->text(), QStringLiteral("名    称"));
    QCOMPARE(g1->item(3, 0)->text(), QStringLiteral("上    限"));
    QCOMPARE(g1->item(0, 1)->text(), QStringLiteral("能量[kcal]"));
    QCOMPARE(child<QTableWidget>(&w, "StrGrid2")->item(0, 13)->text(), QStringLiteral("碘"));
    QCOMPARE(child<QLineEdit>(&w, "High_edt")->text(), QStringLiteral("170"));
    QCOMPARE(child<QLabel>(&w, "BMI_lab")->text(), QStringLiteral("22.5"));
    QVERIFY(child<QPushButton>(&w, "Load_btn")->isVisible());
}

void PersonalInfoTest::bodyMassIndexAndClasses()
{
    QCOMPARE(*bodyMassIndex("170", "65"), 22.5);
    QCOMPARE(*bodyMassIndex("180", "97.2"), 30.0);
    QCOMPARE(bodyMassClass(30.0), QStringLiteral("II度肥胖"));
    QCOMPARE(bodyMassClass(18.5), QStringLiteral("正常"));
    QCOMPARE(bodyMassClass(18.4), QStringLiteral("轻度消瘦"));
    QCOMPARE(bodyMassClass(25), QStringLiteral("I度肥胖"));
    QCOMPARE(bodyMassClass(24.9), QStringLiteral("超重"));
    QCOMPARE(bodyMassClass(15.9), QStringLiteral("重度消瘦"));
    QVERIFY(!bodyMassIndex("0", "65"));
    QVERIFY(!bodyMassIndex("abc", "65"));
    QVERIFY(!bodyMassIndex("170", ""));
    QVERIFY(!bodyMassIndex("1.75", "65")); // metres are no height in centimetres
    QVERIFY(!bodyMassIndex("170.5", "65"));

    TestEnv env;
    TPersonalInfo w(testRunState());
    auto *weight = child<QLineEdit>(&w, "Weight_edt");
    auto *height = child<QLineEdit>(&w, "High_edt");
    weight->setText("");
    QVERIFY(child<QLabel>(&w, "BMI_lab")->text().isEmpty());
    QVERIFY(child<QLabel>(&w, "BMIRst_lab")->text().isEmpty());
    weight->setText("97.2");
    height->setText("180");
    QCOMPARE(child<QLabel>(&w, "BMI_lab")->text(), QStringLiteral("30"));
    QCOMPARE(child<QLabel>(&w, "BMIRst_lab")->text(), QStringLiteral("II度肥胖"));
    // A height that gives no BMI leaves both labels as they were.
    for (const char *h : {"0", "1.75", "1..2"}) {
        height->setText(QString::fromLatin1(h));
        QCOMPARE(child<QLabel>(&w, "BMI_lab")->text(), QStringLiteral("30"));
        QCOMPARE(child<QLabel>(&w, "BMIRst_lab")->text(), QStringLiteral("II度肥胖"));
    }
    // The field takes whole centimetres only.
    height->clear();
    QTest::keyClicks(height, "17.5");
    QCOMPARE(height->text(), QStringLiteral("175"));
}

void PersonalInfoTest::controlRulesFollowBandSexAndState()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    auto *age = child<QComboBox>(&w, "Age_cmb");
    auto *act = child<QComboBox>(&w, "Activity_cmb");
    auto *diet = child<QComboBox>(&w, "Dietary_cmb");
    auto *yes = child<QRadioButton>(&w, "MatrixYes_rdo");
    auto *no = child<QRadioButton>(&w, "MatrixNo_rdo");
    auto *fir = child<QCheckBox>(&w, "PregnantFir_chk");
    auto *mid = child<QCheckBox>(&w, "PregnantMid_chk");

    QVERIFY(!yes->isEnabled() && !fir->isEnabled());
    QCOMPARE(act->count(), 3);

    choose(act, "重体力活动");
    choose(age, "50 ～ 60");
    QCOMPARE(act->currentText(), QStringLiteral("轻体力活动")); // reset even where still offered
    QCOMPARE(act->count(), 3);

    choose(age, "0 ～ 0.5");
    QVERIFY(yes->isEnabled() && yes->isChecked() && no->isEnabled() && !no->isChecked());
    QCOMPARE(act->count(), 1);
    QVERIFY(!act->isEnabled());

    choose(age, "60 ～ 70");
    QVERIFY(!yes->isEnabled() && !yes->isChecked());
    QCOMPARE(act->count(), 2);
    QVERIFY(act->isEnabled());

    choose(age, "18 ～ 50");
    QVERIFY(!fir->isEnabled());
    child<QRadioButton>(&w, "FeMale_rdo")->setChecked(true);
    QVERIFY(fir->isEnabled());
    fir->setChecked(true);
    QVERIFY(!act->isEnabled() && !diet->isEnabled());
    mid->setChecked(true);
    QVERIFY(!fir->isChecked() && mid->isChecked());
    QVERIFY(!act->isEnabled() && !diet->isEnabled());
    // The pregnancy standard replaces the band's.
    QSqlQuery q(db());
    q.prepare("SELECT ENERC_kcal FROM DRIsStand_tb WHERE SEX=? AND DRIS='RNI'");
    q.addBindValue(QStringLiteral("孕中"));
    QVERIFY(q.exec() && q.next());
    QCOMPARE(cell(&w, 0, 1), fmtG(q.value(0).toDouble()));
    mid->setChecked(false);
    QVERIFY(act->isEnabled() && diet->isEnabled());

    fir->setChecked(true);
    choose(age, "50 ～ 60");
    QVERIFY(!fir->isEnabled() && !fir->isChecked());
    child<QRadioButton>(&w, "Male_rdo")->setChecked(true);
    choose(age, "18 ～ 50");
    QVERIFY(!fir->isEnabled());
}

void PersonalInfoTest::formulaFeedingAndPersonalBasis()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    choose(child<QComboBox>(&w, "Age_cmb"), "0 ～ 0.5");
    const double breast = cell(&w, 0, 1).toDouble();
    const double breastUl = cell(&w, 1, 3).toDouble();
    child<QRadioButton>(&w, "MatrixNo_rdo")->setChecked(true);
    QCOMPARE(cell(&w, 0, 1).toDouble(), breast * 1.2);
    QCOMPARE(cell(&w, 1, 3).toDouble(), breastUl * 1.2);
    child<QRadioButton>(&w, "MatrixYes_rdo")->setChecked(true);
    QCOMPARE(cell(&w, 0, 1).toDouble(), breast);

    choose(child<QComboBox>(&w, "Age_cmb"), "18 ～ 50");
    const auto rows = standardRows("18 ～ 50", "男", "轻体力活动");
    QSqlQuery q(db());
    q.exec("SELECT WEIGHT FROM DRIsStand_tb WHERE AGETEXT='18 ～ 50' AND SEX='男' AND ACT='轻体力活动'");
    QVERIFY(q.next());
    const double ref = q.value(0).toDouble();
    child<QLineEdit>(&w, "Weight_edt")->setText(fmtG(ref * 2));
    child<QRadioButton>(&w, "Pre_rdo")->setChecked(true);
    const int protein = 2;
    QCOMPARE(cell(&w, protein, 1).toDouble(), rows[0][protein].toDouble() * 2);
    QCOMPARE(cell(&w, protein, 2).toDouble(), rows[1][protein].toDouble() * 2);
    QCOMPARE(cell(&w, protein, 3), rows[2][protein]); // UL is never scaled

    // Energy adjustment of +50 and back.
    auto *spin = child<QSpinBox>(&w, "ReEnerc_edt");
    child<QRadioButton>(&w, "IsPer_rdo")->setChecked(true);
    const double kcal = cell(&w, 0, 1).toDouble();
    spin->stepUp();
    QCOMPARE(cell(&w, 0, 1).toDouble(), kcal + 50);
    QCOMPARE(cell(&w, 1, 1).toDouble(), std::nearbyint((kcal + 50) * 41.868) / 10);
    spin->stepDown();
    QCOMPARE(cell(&w, 0, 1).toDouble(), kcal);
    // A new derivation puts the adjustment back to 0 without stepping.
    spin->stepUp();
    choose(child<QComboBox>(&w, "Activity_cmb"), "中体力活动");
    QCOMPARE(spin->value(), 0);
}

void PersonalInfoTest::acceptWritesProfileAndRowsAndLoadRestoresThem()
{
    TestEnv env;
    TMain main;
    {
        TPersonalInfo w(testRunState());
        w.show();
        child<QRadioButton>(&w, "FeMale_rdo")->setChecked(true);
        choose(child<QComboBox>(&w, "Age_cmb"), "60 ～ 70");
        choose(child<QComboBox>(&w, "Activity_cmb"), "中体力活动");
        child<QLineEdit>(&w, "High_edt")->setText("158");
        child<QLineEdit>(&w, "Weight_edt")->setText("52.5");
        child<QRadioButton>(&w, "Pre_rdo")->setChecked(true);
        setCell(&w, 15, 1, "1000"); // calcium RNI typed by the user
        ScriptedPrompt prompts;
        w.Accept();
        QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.texts().join("\n")));
        QVERIFY(main.IsIndividual());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        const auto m = w.matrix();
        const auto rni = requirementRow("RNI");
        const auto ul = requirementRow("UL");
        for (int n = 0; n < kRequirementCount; ++n) {
            QCOMPARE(rni[n], m.value(0, n));
            QCOMPARE(ul[n], m.value(2, n));
        }
        QCOMPARE(rni[15], 1000.0);
        QCOMPARE(rowCount("DRIs_tmp"), 5);
    }
    QSettings s(env.programDir() + "/personal.ini", QSettings::IniFormat);
    QCOMPARE(s.value("personalInfo/Age").toString(), QStringLiteral("60 ～ 70"));
    QCOMPARE(s.value("personalInfo/Sex").toString(), QStringLiteral("0"));
    QCOMPARE(s.value("RNI/15").toString(), QStringLiteral("1000"));

    TPersonalInfo again(testRunState());
    again.show();
    QVERIFY(child<QRadioButton>(&again, "FeMale_rdo")->isChecked());
    QCOMPARE(child<QComboBox>(&again, "Age_cmb")->currentText(), QStringLiteral("60 ～ 70"));
    QCOMPARE(child<QComboBox>(&again, "Activity_cmb")->currentText(), QStringLiteral("中体力活动"));
    QCOMPARE(child<QLineEdit>(&again, "Weight_edt")->text(), QStringLiteral("52.5"));
    QVERIFY(child<QRadioButton>(&again, "Pre_rdo")->isChecked());
    QCOMPARE(cell(&again, 15, 1), QStringLiteral("1000"));

    // A missing key reads as its default; a missing matrix value as 0.
    QSettings edit(env.programDir() + "/personal.ini", QSettings::IniFormat);
    edit.remove("personalInfo/Weight");
    edit.remove("EAR/3");
    edit.sync();
    TPersonalInfo third(testRunState());
    third.show();
    QCOMPARE(child<QLineEdit>(&third, "Weight_edt")->text(), QStringLiteral("65"));
    QCOMPARE(cell(&third, 3, 2), QStringLiteral("0"));
}

void PersonalInfoTest::refusedInputWritesNothing()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    ScriptedPrompt prompts;
    const auto before = requirementRow("RNI");

    // EAR above RNI in two columns: one warning per column, in grid order.
    setCell(&w, 15, 2, "99999");   // calcium (second grid, column 3)
    setCell(&w, 2, 2, "99999");    // protein (first grid, column 3)
    w.Accept();
    QCOMPARE(prompts.texts(), QStringList({"\"蛋白质\"参数值有误，请仔细检查！", "\"钙\"参数值有误，请仔细检查！"}));
    QCOMPARE(prompts.messages[0].title, QStringLiteral("警告"));
    QCOMPARE(requirementRow("RNI"), before);
    QVERIFY(!QFile::exists(env.programDir() + "/personal.ini"));

    // A cell that is no number is named and nothing is written.
    prompts.clear();
    setCell(&w, 15, 2, "1..2");
    w.Accept();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.lastText().contains("钙"));
    QVERIFY(!QFile::exists(env.programDir() + "/personal.ini"));

    // The personal basis needs a weight.
    TPersonalInfo v(testRunState());
    v.show();
    prompts.clear();
    child<QRadioButton>(&v, "Pre_rdo")->setChecked(true);
    child<QLineEdit>(&v, "Weight_edt")->setText("");
    v.Accept();
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.lastText().contains("体重[KG]"));
    QVERIFY(!QFile::exists(env.programDir() + "/personal.ini"));
}

void PersonalInfoTest::surveyModeHidesLoadAndEmptiesPlanOnClose()
{
    TestEnv env;
    TMain main;
    main.SetSurveyMode(true);
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO NQBNutri_tmp (CODE, FOODNAME, WEEK, DINERTIME) VALUES ('01-1-101', 'x', 'SUN', '早餐')"));
    bool opened = false;
    TPersonalInfo::setSurveyEntryOpener([&](QWidget *) { opened = (rowCount("NQBNutri_tmp") == 1); });
    {
        TPersonalInfo w(testRunState());
        w.show();
        QVERIFY(!child<QPushButton>(&w, "Load_btn")->isVisible());
        ScriptedPrompt prompts;
        w.Accept();
        QVERIFY(opened);
    }
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
    TPersonalInfo::setSurveyEntryOpener(nullptr);
}

void PersonalInfoTest::mainWindowCommandsOpenTheWindow()
{
    TestEnv env(false);
    ScriptedPrompt prompts;
    auto session = startApplication(env.workingDir(), env.programDir(), false);
    QAction *plan = session->main->action("IndividualPlan_act");
    QAction *survey = session->main->action("IndividualSurvey_act");
    QVERIFY(plan->isEnabled() && survey->isEnabled());

    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO NQBNutri_tmp (CODE, FOODNAME, WEEK, DINERTIME) VALUES ('01-1-101', 'x', 'SUN', '早餐')"));
    QString seen;
    onNextModal([&](QWidget *w) {
        seen = w->windowTitle();
        QVERIFY(w->findChild<QPushButton *>("Load_btn")->isVisible());
        w->findChild<QPushButton *>("Close_btn")->click();
    });
    plan->trigger();
    QCOMPARE(seen, QStringLiteral("个人资料输入"));
    QVERIFY(!session->main->IsSurveyMode());
    QCOMPARE(rowCount("NQBNutri_tmp"), 1); // planning never touches the plan

    seen.clear();
    onNextModal([&](QWidget *w) {
        seen = w->windowTitle();
        QVERIFY(!w->findChild<QPushButton *>("Load_btn")->isVisible());
        w->findChild<QPushButton *>("Close_btn")->click();
    });
    survey->trigger();
    QCOMPARE(seen, QStringLiteral("个人资料输入"));
    QVERIFY(session->main->IsSurveyMode());
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
}

void PersonalInfoTest::loadTakesAProfileCopyAndItsPlan()
{
    TestEnv env;
    TMain main;
    main.SetMealPattern(1);
    // A saved plan "周一.pan" with its profile copy of a woman of 50 ～ 60.
    PersonalProfileData saved;
    saved.male = false;
    saved.ageBand = QStringLiteral("50 ～ 60");
    RequirementMatrix m;
    for (int n = 0; n < kRequirementCount; ++n) {
        m.setText(0, n, "10");
        m.setText(1, n, "5");
        m.setText(2, n, "20");
    }
    const QString copy = env.workingDir() + "/周一.pans";
    QCOMPARE(writePersonalProfile(copy, saved, m), QString());
    QSqlQuery q(db());
    QVERIFY(q.exec("INSERT INTO NQBNutri_tmp (DINERTMP, CODE, FOODNAME, WEEK, DINERTIME, WEIGHT) VALUES "
                   "('A', '01-1-101', 'a''b', 'MON', '早餐', 100), ('B', '01-1-102', 'c', 'MON', '早间餐', 50)"));
    QVERIFY(planfile::savePlan(env.workingDir() + "/周一.pan").ok());
    QVERIFY(q.exec("DELETE FROM NQBNutri_tmp"));

    TPersonalInfo w(testRunState());
    w.show();
    ScriptedPrompt prompts;
    prompts.files.enqueue(copy);
    prompts.answers.enqueue(true);
    w.Load();
    QCOMPARE(prompts.texts(), QStringList({"是否导入菜普？"}));
    QVERIFY(child<QRadioButton>(&w, "FeMale_rdo")->isChecked());
    QCOMPARE(child<QComboBox>(&w, "Age_cmb")->currentText(), QStringLiteral("50 ～ 60"));
    QCOMPARE(cell(&w, 15, 3), QStringLiteral("20"));
    // Pattern 1 has no 早间餐: that entry is dropped, the other kept with its quote.
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
    QCOMPARE(rowCount("SELECT COUNT(*) FROM NQBNutri_tmp WHERE FOODNAME='a''b'"), 1);
    QVERIFY(QFile::exists(env.programDir() + "/personal.ini"));

    // A profile copy without its plan file is loaded silently.
    QFile::remove(env.workingDir() + "/周一.pan");
    prompts.clear();
    prompts.files.enqueue(copy);
    w.Load();
    QVERIFY(prompts.messages.isEmpty());
}

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

RequirementMatrix plausibleMatrix()
{
    RequirementMatrix m;
    for (int n = 0; n < kRequirementCount; ++n) {
        m.setText(0, n, "10");
        m.setText(1, n, "5");
        m.setText(2, n, "20");
    }
    return m;
}

} // namespace

void PersonalInfoTest::energyAdjustmentStepsFromTheShownMatrix()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    auto *spin = child<QSpinBox>(&w, "ReEnerc_edt");
    const int fat = 3;

    // A special diet: the step starts from its amended energy and fat.
    choose(child<QComboBox>(&w, "Dietary_cmb"), "糖尿病膳食");
    const double kcal = cell(&w, 0, 1).toDouble();
    const double fatRni = cell(&w, fat, 1).toDouble();
    const double fatShare = child<QLineEdit>(&w, "FatP_edt")->text().toDouble();
    QVERIFY(kcal > 0 && fatRni > 0);
    QVERIFY(kcal != standardRows("18 ～ 50", "男", "轻体力活动")[0][0].toDouble());
    spin->stepUp();
    QCOMPARE(cell(&w, 0, 1).toDouble(), kcal + 50);
    QCOMPARE(cell(&w, fat, 1).toDouble(), std::nearbyint((fatRni + fatShare * 50 / 900) * 10) / 10);

    // The personal weight basis: +50 on the scaled energy.
    choose(child<QComboBox>(&w, "Dietary_cmb"), "正常膳食");
    child<QLineEdit>(&w, "Weight_edt")->setText("100");
    child<QRadioButton>(&w, "Pre_rdo")->setChecked(true);
    const double scaled = cell(&w, 0, 1).toDouble();
    spin->stepUp();
    QCOMPARE(cell(&w, 0, 1).toDouble(), scaled + 50);

    // Formula feeding: +50 on the fed energy.
    child<QRadioButton>(&w, "IsPer_rdo")->setChecked(true);
    choose(child<QComboBox>(&w, "Age_cmb"), "0 ～ 0.5");
    child<QRadioButton>(&w, "MatrixNo_rdo")->setChecked(true);
    const double fed = cell(&w, 0, 1).toDouble();
    spin->stepUp();
    QCOMPARE(cell(&w, 0, 1).toDouble(), fed + 50);
    spin->stepDown();
    QCOMPARE(cell(&w, 0, 1).toDouble(), fed);
}

void PersonalInfoTest::feedingRadiosKeepOneChecked()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *yes = child<QRadioButton>(&w, "MatrixYes_rdo");
    auto *no = child<QRadioButton>(&w, "MatrixNo_rdo");
    choose(child<QComboBox>(&w, "Age_cmb"), "0 ～ 0.5");
    const double breast = cell(&w, 0, 1).toDouble();

    QTest::mouseClick(yes, Qt::LeftButton, {}, QPoint(8, yes->height() / 2));
    QVERIFY(yes->isChecked() && !no->isChecked());
    QTest::mouseClick(no, Qt::LeftButton, {}, QPoint(8, no->height() / 2));
    QVERIFY(!yes->isChecked() && no->isChecked());
    QTest::mouseClick(no, Qt::LeftButton, {}, QPoint(8, no->height() / 2));
    QVERIFY(!yes->isChecked() && no->isChecked());
    QCOMPARE(cell(&w, 0, 1).toDouble(), breast * 1.2);

    // Outside the infant bands neither applies.
    choose(child<QComboBox>(&w, "Age_cmb"), "1 ～ 2");
    QVERIFY(!yes->isChecked() && !no->isChecked());
    choose(child<QComboBox>(&w, "Age_cmb"), "0.5 ～ 1");
    QVERIFY(yes->isChecked() && !no->isChecked());
}

void PersonalInfoTest::listsIgnoreTypedCharactersAndEnterConfirms()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    setCell(&w, 15, 1, "777"); // a value typed into the grid
    const struct {
        const char *list;
        QString typed;
    } cases[] = {{"Age_cmb", "6"}, {"Activity_cmb", "中"}, {"Dietary_cmb", "糖"}};
    for (const auto &c : cases) {
        auto *list = child<QComboBox>(&w, c.list);
        const QString before = list->currentText();
        QSignalSpy activated(list, &QComboBox::activated);
        list->setFocus();
        QTest::sendKeyEvent(QTest::Press, list, Qt::Key_unknown, c.typed, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, list, Qt::Key_unknown, c.typed, Qt::NoModifier);
        QCOMPARE(list->currentText(), before);
        QCOMPARE(activated.count(), 0);
    }
    QCOMPARE(cell(&w, 15, 1), QStringLiteral("777"));
    // The arrow keys still choose.
    auto *act = child<QComboBox>(&w, "Activity_cmb");
    act->setFocus();
    QTest::keyClick(act, Qt::Key_Down);
    QCOMPARE(act->currentText(), QStringLiteral("中体力活动"));

    // Enter in a numeric field confirms the profile.
    ScriptedPrompt prompts;
    auto *weight = child<QLineEdit>(&w, "Weight_edt");
    weight->setFocus();
    QTest::keyClick(weight, Qt::Key_Return);
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.texts().join("\n")));
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(QFile::exists(env.programDir() + "/personal.ini"));
}

void PersonalInfoTest::confirmWritesNothingWithoutUsableDatabase()
{
    TestEnv env(false);
    {
        QDir().mkpath(QFileInfo(env.databasePath()).absolutePath());
        QFile f(env.databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("not a database of this program ").repeated(100));
    }
    env.openDataModule();
    QVERIFY(!env.dm()->isOpen());
    const QString ini = env.programDir() + "/personal.ini";
    QCOMPARE(writePersonalProfile(ini, PersonalProfileData{}, plausibleMatrix()), QString());
    const QByteArray before = fileBytes(ini);

    ScriptedPrompt prompts;
    TMain main;
    TPersonalInfo w(testRunState());
    w.show();
    child<QLineEdit>(&w, "High_edt")->setText("181");
    prompts.clear();
    w.Accept();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Error);
    QVERIFY2(prompts.lastText().contains("nqbnorvik.dat"), qPrintable(prompts.lastText()));
    QCOMPARE(fileBytes(ini), before);
    QVERIFY(w.result() != int(QDialog::Accepted));

    // The main window's commands say so before opening anything.
    bool opened = false;
    main.setWindowOpener(TMain::Window::PersonalInfo, [&](QWidget *) { opened = true; });
    main.setWindowOpener(TMain::Window::CollectiveInfo, [&](QWidget *) { opened = true; });
    for (const char *command : {"IndividualPlan_act", "GroupPlan_act", "IndividualSurvey_act"}) {
        prompts.clear();
        main.action(QString::fromLatin1(command))->trigger();
        QVERIFY(!opened);
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY2(prompts.lastText().contains("nqbnorvik.dat"), qPrintable(prompts.lastText()));
    }
    QCOMPARE(fileBytes(ini), before);
}

void PersonalInfoTest::rowsAreWrittenBeforeTheProfileFile()
{
    TestEnv env;
    TPersonalInfo w(testRunState());
    w.show();
    QSqlQuery q(db());
    QVERIFY(q.exec("DELETE FROM DRIs_tmp WHERE REMARK='UL'"));
    const auto rniBefore = requirementRow("RNI");
    ScriptedPrompt prompts;
    setCell(&w, 15, 1, "801");
    w.Accept();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Error);
    QVERIFY(!QFile::exists(env.programDir() + "/personal.ini"));
    QCOMPARE(requirementRow("RNI"), rniBefore); // one transaction: nothing of it stays
    QVERIFY(w.result() != int(QDialog::Accepted));
}

QTEST_MAIN(PersonalInfoTest)
#include "test_personal_info.moc"
