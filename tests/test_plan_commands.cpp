// The workbench's "保 存" and "读 取" commands: the percentages written into the
// profile before the dialog, the plan file with its profile copy, the load's
// question and dialog, refused files, and the meal-pattern delete.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "planning/PlanFile.h"
#include "planning/PlanFileCommands.h"
#include "planning_fixtures.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

using namespace nqb;

namespace {

const QStringList kPercentages{"100", "80", "100", "150", "100", "20", "100"};

QList<QVariantList> planRows()
{
    return fixtures::rows("SELECT * FROM NQBNutri_tmp ORDER BY rowid");
}

// A plan with every kind of value: text columns, an empty weight, amounts
// that are not short decimals, entries on several weekdays and slots.
void insertPlan()
{
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "稻米", 150, {{"PROCNT", 11.85}, {"FAT", 1.0 / 3.0}}, "01-1-001"));
    QVERIFY(fixtures::insertEntry("WED", "午餐", "Joe's 鸡汤", 200, {{"CA", 0.1 + 0.2}}, "01-002"));
    QVERIFY(fixtures::insertEntry("SAT", "加餐", "苹果", 0, {}, "06-1-101"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET DINERTMP='A', EDIBLE=80 WHERE FOODNAME='稻米'"));
    QVERIFY(fixtures::run("UPDATE NQBNutri_tmp SET WEIGHT=NULL WHERE FOODNAME='苹果'"));
}

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeProfile(const QString &path)
{
    QSettings s(path, QSettings::IniFormat);
    s.setValue("personalInfo/Age", QStringLiteral("18 ～ 50"));
    s.setValue("RNI/2", 65);
    s.sync();
}

} // namespace

class PlanCommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void saveAndLoadRoundTrip();
    void quotietyIsWrittenEvenWhenSaveIsCancelled();
    void groupPlanGetsTheGroupProfileCopy();
    void loadAnsweredNoOrCancelledKeepsThePlan();
    void unreadableFilesAreRefusedAndImportNothing();
    void patternThreePlanLoadedUnderPatternOne();
};

void PlanCommandsTest::saveAndLoadRoundTrip()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QString personal = env.programDir() + "/personal.ini";
    writeProfile(personal);
    insertPlan();
    const QList<QVariantList> saved = planRows();

    const QString base = env.workingDir() + "/week1";
    prompts.files << base; // typed without extension
    QVERIFY(SavePlanCommand(nullptr, kPercentages, true));
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(QFile::exists(base + ".pan"));
    QVERIFY(QFile::exists(base + ".pans"));
    QCOMPARE(planRows(), saved); // saving leaves the plan as it was

    // The profile copy is the profile file with the percentages in it.
    QCOMPARE(readAll(base + ".pans"), readAll(personal));
    {
        QSettings copy(base + ".pans", QSettings::IniFormat);
        QCOMPARE(copy.value("Quotiety/0").toString(), QStringLiteral("100"));
        QCOMPARE(copy.value("Quotiety/1").toString(), QStringLiteral("80"));
        QCOMPARE(copy.value("Quotiety/5").toString(), QStringLiteral("20"));
        QCOMPARE(copy.value("personalInfo/Age").toString(), QStringLiteral("18 ～ 50"));
    }

    // Saving again under the same name replaces both files.
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp WHERE FOODNAME='苹果'"));
    const QList<QVariantList> second = planRows();
    prompts.files << base + ".pan";
    QVERIFY(SavePlanCommand(nullptr, {"100", "100", "100", "100", "100", "100", "55"}, true));
    QCOMPARE(QSettings(base + ".pans", QSettings::IniFormat).value("Quotiety/6").toString(), QStringLiteral("55"));

    // Another plan in the table; loading brings back the saved one exactly.
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp"));
    QVERIFY(fixtures::insertEntry("MON", "晚餐", "别的", 10, {{"PROCNT", 1}}));
    prompts.answers << true;
    prompts.files << base + ".pan";
    QVERIFY(LoadPlanCommand(nullptr, 1));
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Question);
    QCOMPARE(prompts.messages[0].title, QStringLiteral("提示"));
    QCOMPARE(prompts.messages[0].text, QStringLiteral("导入菜谱将会清空现有菜谱记录，是否继续？"));
    QCOMPARE(planRows(), second);
    QCOMPARE(fixtures::value("SELECT WEEK FROM NQBNutri_tmp WHERE FOODNAME=?", {"Joe's 鸡汤"}).toString(),
             QStringLiteral("WED"));
}

void PlanCommandsTest::quotietyIsWrittenEvenWhenSaveIsCancelled()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QString personal = env.programDir() + "/personal.ini";
    insertPlan();

    // No profile was ever accepted: the file is created with the percentages only.
    QVERIFY(!SavePlanCommand(nullptr, kPercentages, true)); // the dialog is cancelled
    QCOMPARE(prompts.fileCaptions.size(), 1);
    QVERIFY(prompts.messages.isEmpty());
    QSettings s(personal, QSettings::IniFormat);
    QCOMPARE(s.childGroups(), QStringList{"Quotiety"});
    for (int i = 0; i < 7; ++i)
        QCOMPARE(s.value(QStringLiteral("Quotiety/%1").arg(i)).toString(), kPercentages[i]);
    QVERIFY(QDir(env.workingDir()).entryList({"*.pan*"}, QDir::Files).isEmpty());

    // A folder that does not exist: the failure is shown and nothing is claimed.
    prompts.files << env.workingDir() + "/no/such/folder/week.pan";
    QVERIFY(!SavePlanCommand(nullptr, kPercentages, true));
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, Prompt::Icon::Error);
    QVERIFY(prompts.messages[0].text.contains("week.pan"));
}

void PlanCommandsTest::groupPlanGetsTheGroupProfileCopy()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QString collective = env.programDir() + "/Collective.ini";
    writeProfile(collective);
    insertPlan();
    const QString plan = env.workingDir() + "/group.pan";
    prompts.files << plan;
    QVERIFY(SavePlanCommand(nullptr, kPercentages, false));
    QVERIFY(QFile::exists(plan + "m"));
    QVERIFY(!QFile::exists(plan + "s"));
    QVERIFY(!QFile::exists(env.programDir() + "/personal.ini"));
    QCOMPARE(QSettings(plan + "m", QSettings::IniFormat).value("Quotiety/3").toString(), QStringLiteral("150"));
}

void PlanCommandsTest::loadAnsweredNoOrCancelledKeepsThePlan()
{
    TestEnv env;
    ScriptedPrompt prompts;
    insertPlan();
    const QList<QVariantList> before = planRows();

    prompts.answers << false;
    QVERIFY(!LoadPlanCommand(nullptr, 1));
    QVERIFY(prompts.fileCaptions.isEmpty()); // no dialog after No
    QCOMPARE(planRows(), before);

    // Yes, then the file dialog cancelled: nothing was imported, so nothing is lost.
    prompts.answers << true;
    QVERIFY(!LoadPlanCommand(nullptr, 1));
    QCOMPARE(prompts.fileCaptions.size(), 1);
    QCOMPARE(planRows(), before);
}

void PlanCommandsTest::unreadableFilesAreRefusedAndImportNothing()
{
    TestEnv env;
    ScriptedPrompt prompts;
    insertPlan();
    const QString good = env.workingDir() + "/good.pan";
    QVERIFY(planfile::savePlan(good).ok());
    const QByteArray bytes = [&] {
        QFile f(good);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp WHERE FOODNAME='苹果'"));
    const QList<QVariantList> before = planRows();

    // A truncated file and a file of some other program.
    const QList<QPair<QString, QByteArray>> files{
        {"truncated.pan", bytes.left(bytes.size() / 2)},
        {"foreign.pan", QByteArray("{\"format\": \"something-else\", \"rows\": []}")},
    };
    for (const auto &[name, content] : files) {
        const QString path = env.workingDir() + "/" + name;
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        prompts.clear();
        prompts.answers << true;
        prompts.files << path;
        QVERIFY2(!LoadPlanCommand(nullptr, 3), qPrintable(name));
        QCOMPARE(prompts.messages.size(), 2);
        QCOMPARE(prompts.messages[1].icon, Prompt::Icon::Error);
        QVERIFY2(prompts.messages[1].text.contains(name), qPrintable(prompts.messages[1].text));
        QCOMPARE(planRows(), before);
    }

    // A file that is not there at all.
    prompts.clear();
    prompts.answers << true;
    prompts.files << env.workingDir() + "/missing.pan";
    QVERIFY(!LoadPlanCommand(nullptr, 1));
    QVERIFY(prompts.lastText().contains("missing.pan"));
    QCOMPARE(planRows(), before);
}

void PlanCommandsTest::patternThreePlanLoadedUnderPatternOne()
{
    TestEnv env;
    ScriptedPrompt prompts;
    const QStringList slots3{"早餐", "早间餐", "午餐", "午间餐", "晚餐", "晚间餐"};
    for (const QString &slot : slots3)
        QVERIFY(fixtures::insertEntry("WED", slot, "食物" + slot, 100, {{"PROCNT", 1}}));
    const QString path = env.workingDir() + "/three.pan";
    prompts.files << path;
    QVERIFY(SavePlanCommand(nullptr, kPercentages, true));

    prompts.answers << true;
    prompts.files << path;
    QVERIFY(LoadPlanCommand(nullptr, 1));
    QStringList kept;
    for (const auto &r : fixtures::rows("SELECT DINERTIME, WEEK FROM NQBNutri_tmp ORDER BY rowid")) {
        kept << r[0].toString();
        QCOMPARE(r[1].toString(), QStringLiteral("WED"));
    }
    QCOMPARE(kept, (QStringList{"早餐", "午餐", "晚餐"}));
}

QTEST_MAIN(PlanCommandsTest)
#include "test_plan_commands.moc"
