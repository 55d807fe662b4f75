// The run state the windows share: one meal-pattern default, the pattern
// taken again from the settings, and the notices the workbench listens to.
#include "TestEnv.h"

#include "data/RunState.h"
#include "data/Settings.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using namespace nqb;

namespace {
void writeSettings(const QString &programDir, const QByteArray &text)
{
    QFile f(QDir(programDir).filePath(QStringLiteral("system.dll")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}
} // namespace

class TestRunState : public QObject
{
    Q_OBJECT
private slots:
    void mealPatternHasOneDefault()
    {
        TestEnv env;
        {
            RunState s; // no system.dll
            QCOMPARE(s.mealPattern(), 1);
        }
        writeSettings(env.programDir(), "[Config]\nIsThreeTwo=abc\n");
        QCOMPARE(RunState().mealPattern(), 1);
        // A pattern the program does not know is kept as stored.
        writeSettings(env.programDir(), "[Config]\nIsThreeTwo=5\n");
        QCOMPARE(RunState().mealPattern(), 5);
    }

    void reloadTakesTheSettingsAgain()
    {
        TestEnv env;
        RunState s;
        QSignalSpy changed(&s, &RunState::mealPatternChanged);
        QVERIFY(writeMealPattern(2).isEmpty());
        QCOMPARE(s.mealPattern(), 1); // counts from the next reload only
        s.reloadMealPattern();
        QCOMPARE(s.mealPattern(), 2);
        QCOMPARE(changed.count(), 1);
        s.reloadMealPattern();
        QCOMPARE(changed.count(), 1); // unchanged: no notice
    }

    void startsAsGroupInPlanning()
    {
        RunState s;
        QVERIFY(!s.surveyMode());
        QVERIFY(!s.isIndividual());
        QSignalSpy rows(&s, &RunState::requirementsChanged);
        s.setProfileKind(RunState::ProfileKind::Individual);
        s.notifyRequirementsChanged();
        QVERIFY(s.isIndividual());
        QCOMPARE(rows.count(), 1);
    }
};

QTEST_MAIN(TestRunState)
#include "test_run_state.moc"
