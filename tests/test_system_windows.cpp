// The settings window (meal pattern, organisation texts, emptying the plan),
// its effect on the running program, and the help manual and the
// nutrient-effects page found beside the program from another current folder.
#include "Controls.h"
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "planning_fixtures.h"

#include "app/AppStart.h"
#include "app/ButFrameUnit.h"
#include "app/MainUnit.h"
#include "app/SystemSetUnit.h"
#include "app/WebUnit.h"
#include "data/Settings.h"
#include "data/SystemSettings.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QVariant stored(const QString &key)
{
    return QSettings(nqb::settingsFilePath(), QSettings::IniFormat).value("Config/" + key);
}

QList<QRadioButton *> radios(QWidget *w)
{
    return {child<QRadioButton>(w, "ThreeToOne_rdo"), child<QRadioButton>(w, "ThreeToTwo_rdo"),
            child<QRadioButton>(w, "ThreeToThree_rdo")};
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

class SystemWindowsTest : public QObject
{
    Q_OBJECT
private slots:
    void unknownPatternStaysAndPlanIsEmptied();
    void closeChangesNothing();
    void chosenPatternAndTextsAreSaved();
    void unwritableSettingsKeepThePlan();
    void newPatternReachesTheRunningProgram();
    void helpAndWebPageFoundFromAnotherFolder();
};

void SystemWindowsTest::unknownPatternStaysAndPlanIsEmptied()
{
    TestEnv env;
    ScriptedPrompt prompts;
    writeFile(nqb::settingsFilePath(), "[Config]\nIsThreeTwo=5\nCmpInfo=Old Org\n");
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {}));

    TSystemSet w;
    w.show();
    for (QRadioButton *r : radios(&w))
        QVERIFY2(!r->isChecked(), qPrintable(r->objectName()));
    QCOMPARE(child<QLineEdit>(&w, "Cmp_edt")->text(), QStringLiteral("Old Org"));
    QVERIFY(child<QLineEdit>(&w, "Cmp_edt")->isEnabled() && !child<QLineEdit>(&w, "Cmp_edt")->isReadOnly());
    QCOMPARE(child<QLineEdit>(&w, "Tel_edt")->text(), nqb::defaultCompanyTel());

    // " 确  定" without a change: the 5 stays, the plan is emptied.
    child<QPushButton>(&w, "Accept_btn")->click();
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(stored("IsThreeTwo").toInt(), 5);
    QCOMPARE(w.savedPattern(), std::optional<int>(5));
    QCOMPARE(rowCount("NQBNutri_tmp"), 0);
    QVERIFY(prompts.messages.isEmpty());
}

void SystemWindowsTest::closeChangesNothing()
{
    TestEnv env;
    writeFile(nqb::settingsFilePath(), "[Config]\nIsThreeTwo=2\n");
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {}));
    const QByteArray before = readFile(nqb::settingsFilePath());

    TSystemSet w;
    w.show();
    QVERIFY(radios(&w)[1]->isChecked());
    radios(&w)[2]->click();
    child<QLineEdit>(&w, "Cmp_edt")->setText("Typed");
    child<QPushButton>(&w, "Close_Btn")->click();
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(readFile(nqb::settingsFilePath()), before);
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);

    // Esc is the same.
    TSystemSet again;
    again.show();
    radios(&again)[0]->click();
    QTest::keyClick(&again, Qt::Key_Escape);
    QCOMPARE(readFile(nqb::settingsFilePath()), before);
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
}

void SystemWindowsTest::chosenPatternAndTextsAreSaved()
{
    TestEnv env;
    ScriptedPrompt prompts;
    TSystemSet w; // no settings file yet: pattern 1 and the default texts
    w.show();
    QVERIFY(radios(&w)[0]->isChecked());
    QCOMPARE(child<QLineEdit>(&w, "Cmp_edt")->text(), nqb::defaultCompanyName());
    radios(&w)[2]->click();
    child<QLineEdit>(&w, "Cmp_edt")->setText("  东城营养中心, 食堂部  ");
    child<QLineEdit>(&w, "Tel_edt")->setText(" 010-1234 ");
    // Enter accepts.
    QTest::keyClick(child<QLineEdit>(&w, "Tel_edt"), Qt::Key_Return);
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(nqb::readMealPattern(), 3);
    QCOMPARE(nqb::readSettingsString("CmpInfo", {}), QStringLiteral("东城营养中心, 食堂部"));
    QCOMPARE(nqb::readSettingsString("Tel", {}), QStringLiteral("010-1234"));

    // Shown again, the window reads the file afresh.
    TSystemSet again;
    again.show();
    QVERIFY(radios(&again)[2]->isChecked());
    QCOMPARE(child<QLineEdit>(&again, "Cmp_edt")->text(), QStringLiteral("东城营养中心, 食堂部"));
}

void SystemWindowsTest::unwritableSettingsKeepThePlan()
{
    TestEnv env;
    ScriptedPrompt prompts;
    QVERIFY(QDir().mkpath(nqb::settingsFilePath())); // a folder where the file should be
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {}));
    TSystemSet w;
    w.show();
    radios(&w)[1]->click();
    child<QPushButton>(&w, "Accept_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.first().icon, Prompt::Icon::Error);
    QVERIFY(prompts.lastText().contains("system.dll"));
    QVERIFY(w.isVisible());
    QCOMPARE(rowCount("NQBNutri_tmp"), 1);
}

void SystemWindowsTest::newPatternReachesTheRunningProgram()
{
    TestEnv env(false);
    ScriptedPrompt prompts;
    auto session = startApplication(env.workingDir(), env.programDir(), true);
    TMain *main = session->main;
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QCOMPARE(main->GetMealPattern(), 1);
    for (const char *name : {"SystemSet_act", "DatabaseManage_act", "NutrientEffects_act", "Help_act"})
        QVERIFY2(main->action(name)->isEnabled(), name);
    QVERIFY(main->tile("系统设置")->isEnabled());
    QVERIFY(main->tile("数据库管理")->isEnabled());

    onNextModal([](QWidget *w) {
        child<QRadioButton>(w, "ThreeToTwo_rdo")->click();
        child<QPushButton>(w, "Accept_btn")->click();
    });
    main->action("SystemSet_act")->trigger();
    QCOMPARE(main->GetMealPattern(), 2);
    QCOMPARE(nqb::readMealPattern(), 2);

    onNextModal([](QWidget *w) { child<QPushButton>(w, "Close_Btn")->click(); });
    main->action("SystemSet_act")->trigger();
    QCOMPARE(main->GetMealPattern(), 2);
}

void SystemWindowsTest::helpAndWebPageFoundFromAnotherFolder()
{
    TestEnv env(false);
    ScriptedPrompt prompts;
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    auto session = startApplication(env.workingDir(), env.programDir(), false);

    UrlRecorder rec;
    QDesktopServices::setUrlHandler("file", &rec, "open");
    session->main->action("Help_act")->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(rec.urls.size(), 1);
    const QString manual = rec.urls.first().toLocalFile();
    QVERIFY2(QFile::exists(manual), qPrintable(manual));
    QVERIFY(QFileInfo(manual).absoluteFilePath().startsWith(QDir(env.programDir()).absolutePath()));

    // The page is installed beside the program and shown with its links.
    QVERIFY(QFile::exists(QDir(env.programDir()).filePath("web/w.htm")));
    QStringList hrefs, anchors;
    QString text;
    onNextModal([&](QWidget *w) {
        auto *browser = child<QTextBrowser>(w, "WebBrowser1");
        QCOMPARE(w->windowTitle(), QStringLiteral("Web"));
        QCOMPARE(browser->source().toLocalFile(), TWeb::pagePath());
        const QTextDocument *doc = browser->document();
        text = doc->toPlainText();
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (f.isAnchor()) {
                    if (!f.anchorHref().isEmpty())
                        hrefs << f.anchorHref();
                    anchors << f.anchorNames();
                }
            }
        }
        // Following a link moves within the page.
        browser->setSource(QUrl("#fe"));
        QVERIFY(browser->isBackwardAvailable() || browser->source().fragment() == "fe");
        w->close();
    });
    session->main->action("NutrientEffects_act")->trigger();
    QDir::setCurrent(before);
    QVERIFY(text.contains("蛋白质"));
    QVERIFY(text.contains("碘"));
    QVERIFY(hrefs.size() > 20);
    for (const QString &h : hrefs) {
        QVERIFY2(h.startsWith('#'), qPrintable(h));
        QVERIFY2(anchors.contains(h.mid(1)), qPrintable(h));
    }
}

QTEST_MAIN(SystemWindowsTest)
#include "test_system_windows.moc"
