#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "app/AppStart.h"
#include "app/ButFrameUnit.h"
#include "app/MainUnit.h"
#include "data/Paths.h"
#include "data/Settings.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool insertPlanRow(const QString &name)
{
    QSqlQuery q(nqb::db());
    q.prepare(QStringLiteral("INSERT INTO NQBNutri_tmp (DINERTMP, CODE, FOODNAME, WEEK, DINERTIME, WEIGHT, EDIBLE) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &v : {QVariant(QStringLiteral("A")), QVariant(QStringLiteral("01-1-101")), QVariant(name),
                              QVariant(QStringLiteral("MON")), QVariant(QStringLiteral("早餐")), QVariant(100.0),
                              QVariant(100.0)})
        q.addBindValue(v);
    return q.exec();
}

// The captions of the tiles on a page, left to right.
QStringList tileCaptions(QWidget *page)
{
    QList<TButFrame *> tiles = page->findChildren<TButFrame *>();
    std::sort(tiles.begin(), tiles.end(), [](TButFrame *a, TButFrame *b) { return a->x() < b->x(); });
    QStringList captions;
    for (TButFrame *t : tiles)
        captions << t->caption();
    return captions;
}

} // namespace

// Receives the URLs the program hands to the desktop.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void startState();
    void menuAndTiles();
    void commandsFollowTheirWindows();
    void pageSwitchHidesEmbeddedWindows();
    void tilePressMovesTileAndBack();
    void mealPatternReadOnFirstShow();
    void settingsWritesReportFailure();
    void closingEmptiesMealPlan();
    void surveyAndPlanCommands();
    void startupCreatesDatabaseAndProgramFiles();
    void startupReportsUnreadableDatabase();
    void helpManualInProgramFolder();
};

void MainWindowTest::startState()
{
    TestEnv env;
    TMain w;
    QCOMPARE(TMain::instance(), &w);
    QCOMPARE(w.windowTitle(), QStringLiteral("营养配餐系统 V2.0"));
    QCOMPARE(w.minimumSize(), QSize(1016, 695));
    QCOMPARE(w.maximumSize(), QSize(1016, 695));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);

    auto *pages = w.findChild<QStackedWidget *>(QStringLiteral("PageControl1"));
    QVERIFY(pages);
    QCOMPARE(pages->parentWidget(), w.Panel());
    QCOMPARE(pages->count(), 5);
    QCOMPARE(pages->currentIndex(), 0);
    for (int i = 1; i <= 6; ++i) {
        QToolButton *b = w.findChild<QToolButton *>(QStringLiteral("ToolButton%1").arg(i));
        QVERIFY2(b, qPrintable(QString::number(i)));
        QCOMPARE(b, w.toolButton(i));
        QCOMPARE(b->isChecked(), i == 1);
        QCOMPARE(b->isCheckable(), i <= 5);
    }
    const QStringList captions = {QStringLiteral("营养调查"), QStringLiteral("营养配餐"), QStringLiteral("营养知识"),
                                  QStringLiteral("数据管理"), QStringLiteral("系统维护"), QStringLiteral("关    于")};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(w.toolButton(i + 1)->text(), captions[i]);

    // Run-wide values start anew: the settings' pattern (1 without system.dll), planning, group.
    QCOMPARE(w.GetMealPattern(), 1);
    QCOMPARE(w.IsSurveyMode(), false);
    QCOMPARE(w.IsIndividual(), false);
    QVERIFY(!w.Workbench());
    QVERIFY(!w.Browser());
}

void MainWindowTest::menuAndTiles()
{
    TestEnv env;
    TMain w;
    const QList<QPair<QString, QStringList>> expected = {
        {QStringLiteral("营养调查"), {QStringLiteral("个人膳食调查"), QStringLiteral("集体膳食调查")}},
        {QStringLiteral("营养配餐"), {QStringLiteral("个人配餐"), QStringLiteral("集体配餐")}},
        {QStringLiteral("营养知识"), {QStringLiteral("营养成分"), QStringLiteral("营养素功效")}},
        {QStringLiteral("数据管理"),
         {QStringLiteral("菜普编辑"), QStringLiteral("原料编辑"), QStringLiteral("DRIs设置"),
          QStringLiteral("特殊营养素编辑")}},
        {QStringLiteral("系统维护"),
         {QStringLiteral("菜普管理"), QStringLiteral("DRIs管理"), QStringLiteral("数据库管理"),
          QStringLiteral("系统设置")}},
        {QStringLiteral("关于"), {QStringLiteral("帮助(&Help)")}},
    };
    const QList<QAction *> top = w.menuBar()->actions();
    QCOMPARE(top.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(top[i]->text(), expected[i].first);
        QStringList items;
        for (QAction *a : top[i]->menu()->actions())
            items << a->text();
        QCOMPARE(items, expected[i].second);
    }

    const QList<QStringList> tiles = {
        {QStringLiteral("个人膳食调查"), QStringLiteral("集体膳食调查")},
        {QStringLiteral("个人配餐"), QStringLiteral("集体配餐")},
        {QStringLiteral("营养成分"), QStringLiteral("营养素功效")},
        {QStringLiteral("菜谱编辑"), QStringLiteral("原料编辑"), QStringLiteral("DRIs设置"), QStringLiteral("特殊人群")},
        {QStringLiteral("食谱管理"), QStringLiteral("特殊人群管理"), QStringLiteral("数据库管理"),
         QStringLiteral("系统设置")},
    };
    for (int i = 0; i < tiles.size(); ++i)
        QCOMPARE(tileCaptions(w.PageControl1()->widget(i)), tiles[i]);

    // Tile anatomy: picture with a hand cursor above a bold dark-blue centred caption.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TButFrame *t = w.tile(QStringLiteral("集体膳食调查"));
    QVERIFY(t);
    QCOMPARE(t->Image1()->objectName(), QStringLiteral("Image1"));
    QCOMPARE(t->Image1()->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(t->Label1()->objectName(), QStringLiteral("Label1"));
    QVERIFY(t->Label1()->font().bold());
    QVERIFY(t->Label1()->alignment() & Qt::AlignHCenter);
    QCOMPARE(t->Label1()->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::darkBlue));
    QVERIFY(t->Label1()->y() >= t->Image1()->y() + t->Image1()->height());
    QVERIFY(!t->Image1()->pixmap().isNull());
}

void MainWindowTest::commandsFollowTheirWindows()
{
    TestEnv env;
    TMain w;
    const QStringList all = {QStringLiteral("IndividualSurvey_act"), QStringLiteral("GroupSurvey_act"),
                             QStringLiteral("IndividualPlan_act"),   QStringLiteral("GroupPlan_act"),
                             QStringLiteral("FoodComposition_act"),  QStringLiteral("NutrientEffects_act"),
                             QStringLiteral("DishEdit_act"),         QStringLiteral("RawFoodEdit_act"),
                             QStringLiteral("DRIsSet_act"),          QStringLiteral("SpecialNutrientEdit_act"),
                             QStringLiteral("DishManage_act"),       QStringLiteral("DRIsManage_act"),
                             QStringLiteral("DatabaseManage_act"),   QStringLiteral("SystemSet_act")};
    // No window is registered: every command but help is unavailable, menu item and tile.
    for (const QString &name : all) {
        QVERIFY2(w.action(name), qPrintable(name));
        QVERIFY2(!w.action(name)->isEnabled(), qPrintable(name));
    }
    QVERIFY(w.action(QStringLiteral("Help_act"))->isEnabled());
    for (TButFrame *t : w.findChildren<TButFrame *>())
        QVERIFY2(!t->isEnabled(), qPrintable(t->caption()));

    // Registering the windows makes their commands available; each menu item
    // and its tile open the window of the command table.
    using W = TMain::Window;
    QList<W> opened;
    QList<QWidget *> parents;
    const QList<W> windows = {W::PersonalInfo, W::CollectiveInfo, W::NutrientEffects, W::DishLibrary,
                              W::RawFood,      W::DRIsStand,      W::SpecialDiet,     W::DishTransfer,
                              W::SpecialDRIsTransfer, W::DBBack,  W::SystemSet};
    for (W win : windows)
        w.setWindowOpener(win, [&opened, &parents, win](QWidget *parent) {
            opened << win;
            parents << parent;
        });
    int browsersMade = 0;
    w.setBrowserFactory([&browsersMade](QWidget *panel) {
        ++browsersMade;
        return new QWidget(panel);
    });
    for (const QString &name : all)
        QVERIFY2(w.action(name)->isEnabled(), qPrintable(name));

    const QList<QPair<QString, W>> routes = {
        {QStringLiteral("IndividualSurvey_act"), W::PersonalInfo},
        {QStringLiteral("GroupSurvey_act"), W::CollectiveInfo},
        {QStringLiteral("IndividualPlan_act"), W::PersonalInfo},
        {QStringLiteral("GroupPlan_act"), W::CollectiveInfo},
        {QStringLiteral("NutrientEffects_act"), W::NutrientEffects},
        {QStringLiteral("DishEdit_act"), W::DishLibrary},
        {QStringLiteral("RawFoodEdit_act"), W::RawFood},
        {QStringLiteral("DRIsSet_act"), W::DRIsStand},
        {QStringLiteral("SpecialNutrientEdit_act"), W::SpecialDiet},
        {QStringLiteral("DishManage_act"), W::DishTransfer},
        {QStringLiteral("DRIsManage_act"), W::SpecialDRIsTransfer},
        {QStringLiteral("DatabaseManage_act"), W::DBBack},
        {QStringLiteral("SystemSet_act"), W::SystemSet},
    };
    for (const auto &r : routes) {
        opened.clear();
        w.action(r.first)->trigger();
        QCOMPARE(opened, QList<W>{r.second});
    }
    QVERIFY(std::all_of(parents.begin(), parents.end(), [&w](QWidget *p) { return p == &w; }));

    // Tiles run the command in their position (the caption differs from the menu item here).
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QList<QPair<QString, W>> tileRoutes = {
        {QStringLiteral("菜谱编辑"), W::DishLibrary},
        {QStringLiteral("特殊人群"), W::SpecialDiet},
        {QStringLiteral("食谱管理"), W::DishTransfer},
        {QStringLiteral("特殊人群管理"), W::SpecialDRIsTransfer},
        {QStringLiteral("集体配餐"), W::CollectiveInfo},
    };
    for (const auto &r : tileRoutes) {
        TButFrame *t = w.tile(r.first);
        QVERIFY2(t && t->isEnabled(), qPrintable(r.first));
        opened.clear();
        QTest::mouseClick(t->Image1(), Qt::LeftButton);
        QCOMPARE(opened, QList<W>{r.second});
    }
    // "营养素功效" stays disabled as a tile even though its window exists.
    QVERIFY(!w.tile(QStringLiteral("营养素功效"))->isEnabled());
    QVERIFY(w.tile(QStringLiteral("营养成分"))->isEnabled());

    // Unregistering takes the command away again, tile included.
    w.setWindowOpener(W::DBBack, {});
    QVERIFY(!w.action(QStringLiteral("DatabaseManage_act"))->isEnabled());
    QVERIFY(!w.tile(QStringLiteral("数据库管理"))->isEnabled());
    opened.clear();
    w.action(QStringLiteral("DatabaseManage_act"))->trigger();
    QVERIFY(opened.isEmpty());
    QCOMPARE(browsersMade, 0);
}

void MainWindowTest::pageSwitchHidesEmbeddedWindows()
{
    TestEnv env;
    TMain w;
    int browsersMade = 0;
    w.setBrowserFactory([&browsersMade](QWidget *panel) {
        ++browsersMade;
        return new QWidget(panel);
    });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    auto *bench = new QWidget;
    w.setWorkbench(bench);
    QCOMPARE(w.Workbench(), bench);
    QCOMPARE(bench->parentWidget(), w.Panel());
    QVERIFY(bench->isHidden());
    w.showEmbedded(bench);
    QVERIFY(bench->isVisible());
    QCOMPARE(bench->geometry(), w.PageControl1()->geometry());

    QTest::mouseClick(w.toolButton(3), Qt::LeftButton);
    QCOMPARE(w.PageControl1()->currentIndex(), 2);
    QVERIFY(bench->isHidden());
    for (int i = 1; i <= 6; ++i)
        QCOMPARE(w.toolButton(i)->isChecked(), i == 3);

    // The browser is made on first use, shown over the page, and kept; the menu
    // command does not change the page.
    w.action(QStringLiteral("FoodComposition_act"))->trigger();
    QCOMPARE(browsersMade, 1);
    QWidget *browser = w.Browser();
    QVERIFY(browser && browser->isVisible());
    QCOMPARE(browser->parentWidget(), w.Panel());
    QCOMPARE(w.PageControl1()->currentIndex(), 2);
    w.showEmbedded(bench);
    QTest::mouseClick(w.toolButton(5), Qt::LeftButton);
    QCOMPARE(w.PageControl1()->currentIndex(), 4);
    QVERIFY(browser->isHidden());
    QVERIFY(bench->isHidden());
    w.action(QStringLiteral("FoodComposition_act"))->trigger();
    QCOMPARE(browsersMade, 1);
    QCOMPARE(w.Browser(), browser);
    QVERIFY(browser->isVisible());

    // Clicking the pressed button again keeps its page and still hides the embedded windows.
    QTest::mouseClick(w.toolButton(5), Qt::LeftButton);
    QVERIFY(w.toolButton(5)->isChecked());
    QVERIFY(browser->isHidden());

    // "关    于" neither switches the page nor releases the page button.
    UrlRecorder rec;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &rec, "open");
    QTest::mouseClick(w.toolButton(6), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(rec.urls.size(), 1);
    QCOMPARE(w.PageControl1()->currentIndex(), 4);
    QVERIFY(w.toolButton(5)->isChecked());
    QVERIFY(!w.toolButton(6)->isChecked());
}

void MainWindowTest::tilePressMovesTileAndBack()
{
    TestEnv env;
    TMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    TButFrame *t = w.tile(QStringLiteral("个人膳食调查"));
    QVERIFY(t);
    // A tile whose command is available (the command itself is not under test here).
    t->setEnabled(true);
    QSignalSpy clicks(t, &TButFrame::clicked);
    const QPoint home = t->pos();

    QTest::mousePress(t->Image1(), Qt::LeftButton);
    QCOMPARE(t->pos(), home + QPoint(3, 3));
    QCOMPARE(clicks.count(), 0);
    QTest::mouseRelease(t->Image1(), Qt::LeftButton);
    QCOMPARE(t->pos(), home);
    QCOMPARE(clicks.count(), 1);

    // Released away from the picture: back in place, no click.
    QTest::mousePress(t->Image1(), Qt::LeftButton);
    QCOMPARE(t->pos(), home + QPoint(3, 3));
    QTest::mouseRelease(t->Image1(), Qt::LeftButton, {}, QPoint(-20, -20));
    QCOMPARE(t->pos(), home);
    QCOMPARE(clicks.count(), 1);

    // The right button pushes the tile as well but is no click.
    QTest::mousePress(t->Image1(), Qt::RightButton);
    QCOMPARE(t->pos(), home + QPoint(3, 3));
    QTest::mouseRelease(t->Image1(), Qt::RightButton);
    QCOMPARE(t->pos(), home);
    QCOMPARE(clicks.count(), 1);

    // Pressing on the caption does nothing.
    QTest::mousePress(t->Label1(), Qt::LeftButton);
    QCOMPARE(t->pos(), home);
    QTest::mouseRelease(t->Label1(), Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);

    // A tile whose page is left while it is held down returns to its place.
    QTest::mousePress(t->Image1(), Qt::LeftButton);
    w.switchPage(1);
    QCOMPARE(t->pos(), home);
    w.switchPage(0);
    QCOMPARE(t->pos(), home);
    QCOMPARE(clicks.count(), 1);
}

void MainWindowTest::mealPatternReadOnFirstShow()
{
    {
        TestEnv env;
        int benches = 0;
        TMain w;
        w.setWorkbenchFactory([&benches](QWidget *panel) {
            ++benches;
            return new QWidget(panel);
        });
        QCOMPARE(w.GetMealPattern(), 1);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // No system.dll: pattern 1, and the file is not created by reading.
        QCOMPARE(w.GetMealPattern(), 1);
        QVERIFY(!QFileInfo::exists(QDir(env.programDir()).filePath(QStringLiteral("system.dll"))));
        // The workbench is made once, embedded and hidden.
        QCOMPARE(benches, 1);
        QVERIFY(w.Workbench());
        QCOMPARE(w.Workbench()->parentWidget(), w.Panel());
        QVERIFY(w.Workbench()->isHidden());
        w.hide();
        w.show();
        QCOMPARE(benches, 1);
    }
    {
        TestEnv env;
        writeFile(QDir(env.programDir()).filePath(QStringLiteral("system.dll")),
                  "[Config]\r\nCmpInfo=Some Org\r\nIsThreeTwo=2\r\n");
        TMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.GetMealPattern(), 2);
    }
    {
        // The file beside the program counts, not one in the current folder.
        TestEnv env;
        writeFile(QDir(env.programDir()).filePath(QStringLiteral("system.dll")), "[Config]\nIsThreeTwo=5\n");
        QCOMPARE(nqb::readMealPattern(), 5);
        writeFile(QDir(env.programDir()).filePath(QStringLiteral("system.dll")), "[Config]\nTel=1\n");
        QCOMPARE(nqb::readMealPattern(), 1);
        writeFile(QDir(env.programDir()).filePath(QStringLiteral("system.dll")), "[Other]\nIsThreeTwo=3\n");
        QCOMPARE(nqb::readMealPattern(), 1);
    }
}

void MainWindowTest::settingsWritesReportFailure()
{
    TestEnv env;
    // Round trip, texts with commas and Chinese included; other keys are kept.
    QVERIFY(nqb::writeMealPattern(3).isEmpty());
    QVERIFY(nqb::writeSettingsValues({{QStringLiteral("CmpInfo"), QStringLiteral("某某营养中心, 二部")},
                                      {QStringLiteral("Tel"), QStringLiteral("010-1234 5678")}})
                .isEmpty());
    QCOMPARE(nqb::readMealPattern(), 3);
    QCOMPARE(nqb::readSettingsString(QStringLiteral("CmpInfo"), {}), QStringLiteral("某某营养中心, 二部"));
    QCOMPARE(nqb::readSettingsString(QStringLiteral("Tel"), {}), QStringLiteral("010-1234 5678"));
    QCOMPARE(nqb::readSettingsString(QStringLiteral("Missing"), QStringLiteral("d")), QStringLiteral("d"));
    QVERIFY(readFile(nqb::settingsFilePath()).contains("[Config]"));

    // A program folder that cannot hold the file (it is a plain file here):
    // the write fails with a message naming system.dll.
    const QString blocker = QDir(env.programDir()).filePath(QStringLiteral("blocked"));
    writeFile(blocker, "x");
    nqb::setProgramDir(blocker);
    const QString err = nqb::writeMealPattern(2);
    nqb::setProgramDir(env.programDir());
    QVERIFY(!err.isEmpty());
    QVERIFY2(err.contains(QStringLiteral("system.dll")), qPrintable(err));
    QCOMPARE(nqb::readMealPattern(), 3);
}

void MainWindowTest::closingEmptiesMealPlan()
{
    TestEnv env;
    ScriptedPrompt prompt;
    TMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(insertPlanRow(QStringLiteral("Joe's 鸡汤")));
    QVERIFY(insertPlanRow(QStringLiteral("米饭")));
    const int drisRows = rowCount(QStringLiteral("DRIs_tmp"));
    QCOMPARE(rowCount(QStringLiteral("NQBNutri_tmp")), 2);
    QVERIFY(w.close());
    QCOMPARE(rowCount(QStringLiteral("NQBNutri_tmp")), 0);
    // Other scratch tables keep their content.
    QCOMPARE(rowCount(QStringLiteral("DRIs_tmp")), drisRows);
    QVERIFY(prompt.messages.isEmpty());
}

void MainWindowTest::surveyAndPlanCommands()
{
    TestEnv env;
    ScriptedPrompt prompt;
    TMain w;
    // The survey command empties the plan and sets survey mode even while its
    // window is not available.
    QVERIFY(insertPlanRow(QStringLiteral("米饭")));
    w.IndividualSurvey();
    QVERIFY(w.IsSurveyMode());
    QCOMPARE(rowCount(QStringLiteral("NQBNutri_tmp")), 0);

    // With the profile windows present: the survey commands empty the plan
    // before the window opens; the planning commands leave it untouched.
    QList<int> rowsWhenOpened;
    auto record = [&rowsWhenOpened](QWidget *) { rowsWhenOpened << rowCount(QStringLiteral("NQBNutri_tmp")); };
    w.setWindowOpener(TMain::Window::PersonalInfo, record);
    w.setWindowOpener(TMain::Window::CollectiveInfo, record);

    QVERIFY(insertPlanRow(QStringLiteral("米饭")));
    w.action(QStringLiteral("IndividualPlan_act"))->trigger();
    QVERIFY(!w.IsSurveyMode());
    w.action(QStringLiteral("GroupPlan_act"))->trigger();
    QVERIFY(!w.IsSurveyMode());
    QCOMPARE(rowCount(QStringLiteral("NQBNutri_tmp")), 1);
    w.action(QStringLiteral("GroupSurvey_act"))->trigger();
    QVERIFY(w.IsSurveyMode());
    QCOMPARE(rowsWhenOpened, (QList<int>{1, 1, 0}));
    QVERIFY(prompt.messages.isEmpty());

    // A plan table that cannot be emptied is reported and the survey does not start.
    QVERIFY(insertPlanRow(QStringLiteral("米饭")));
    QSqlQuery q(nqb::db());
    QVERIFY(q.exec(QStringLiteral("CREATE TEMP TRIGGER keep_plan BEFORE DELETE ON NQBNutri_tmp "
                                  "BEGIN SELECT RAISE(ABORT, 'plan locked'); END")));
    rowsWhenOpened.clear();
    w.action(QStringLiteral("IndividualSurvey_act"))->trigger();
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages[0].icon, Prompt::Icon::Error);
    QVERIFY2(prompt.lastText().contains(QStringLiteral("plan locked")), qPrintable(prompt.lastText()));
    QVERIFY(rowsWhenOpened.isEmpty());
    // Closing reports the failure too.
    w.close();
    QCOMPARE(prompt.messages.size(), 2);
    QVERIFY(q.exec(QStringLiteral("DROP TRIGGER keep_plan")));
}

void MainWindowTest::startupCreatesDatabaseAndProgramFiles()
{
    ScriptedPrompt prompt;
    TestEnv env(false);
    auto s = startApplication(env.workingDir(), env.programDir(), false);
    QVERIFY(s->main);
    QCOMPARE(TMain::instance(), s->main);
    QVERIFY(s->dm && s->dm->isOpen());
    QVERIFY(QFileInfo::exists(env.databasePath()));
    // One notice naming the new file.
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages[0].icon, Prompt::Icon::Information);
    QCOMPARE(prompt.messages[0].title, QStringLiteral("提示信息"));
    QVERIFY2(prompt.messages[0].text.contains(QStringLiteral("nqbnorvik.dat")), qPrintable(prompt.lastText()));
    QVERIFY(!prompt.messages[0].text.contains(QLatin1Char('\n')));

    const QDir program(env.programDir());
    QVERIFY(program.exists(QStringLiteral("help/index.html")));
    QVERIFY(QFileInfo(program.filePath(QStringLiteral("FoodImage"))).isDir());
    QVERIFY(QFileInfo(program.filePath(QStringLiteral("DishImage"))).isDir());
    QVERIFY(!program.exists(QStringLiteral("system.dll")));
    QCOMPARE(s->main->GetMealPattern(), 1);

    // The second start finds the database: no message at all.
    s.reset();
    prompt.clear();
    s = startApplication(env.workingDir(), env.programDir(), false);
    QVERIFY(s->dm->isOpen());
    QVERIFY(prompt.messages.isEmpty());
}

void MainWindowTest::startupReportsUnreadableDatabase()
{
    ScriptedPrompt prompt;
    TestEnv env(false);
    writeFile(env.databasePath(), QByteArray("this is not a database file at all ").repeated(200));
    auto s = startApplication(env.workingDir(), env.programDir(), false);
    QVERIFY(s->main);
    QVERIFY(!s->dm->isOpen());
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages[0].icon, Prompt::Icon::Error);
    QVERIFY2(prompt.lastText().contains(QStringLiteral("nqbnorvik.dat")), qPrintable(prompt.lastText()));
    // The file is left for the user to rescue, not replaced.
    QVERIFY(readFile(env.databasePath()).startsWith("this is not a database"));

    // The window opens; a command that needs the database reports why it cannot run.
    s->main->show();
    QVERIFY(QTest::qWaitForWindowExposed(s->main));
    QCOMPARE(s->main->GetMealPattern(), 1);
    s->main->IndividualSurvey();
    QCOMPARE(prompt.messages.size(), 2);
    QCOMPARE(prompt.messages[1].icon, Prompt::Icon::Error);
    QVERIFY2(prompt.lastText().contains(QStringLiteral("nqbnorvik.dat")), qPrintable(prompt.lastText()));
    // Closing has nothing to empty and says nothing more.
    s->main->close();
    QCOMPARE(prompt.messages.size(), 2);
}

void MainWindowTest::helpManualInProgramFolder()
{
    TestEnv env;
    const QString manual = QDir(env.programDir()).filePath(QStringLiteral("help/index.html"));
    QVERIFY(ensureProgramFiles());
    const QByteArray shipped = readFile(manual);
    QVERIFY(shipped.contains("营养配餐系统"));
    QVERIFY(shipped.contains("nqbnorvik.dat"));

    // An existing manual is kept as it is; a missing one comes back.
    writeFile(manual, "local notes");
    QVERIFY(ensureProgramFiles());
    QCOMPARE(readFile(manual), QByteArray("local notes"));
    QVERIFY(QFile::remove(manual));
    QVERIFY(ensureProgramFiles());
    QCOMPARE(readFile(manual), shipped);
    QVERIFY(QFileInfo(manual).isWritable());

    // The help command opens the manual beside the program even when the
    // current folder is elsewhere.
    TMain w;
    UrlRecorder rec;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &rec, "open");
    const QString before = QDir::currentPath();
    QDir::setCurrent(env.workingDir());
    w.action(QStringLiteral("Help_act"))->trigger();
    QDir::setCurrent(before);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(rec.urls.size(), 1);
    QCOMPARE(QFileInfo(rec.urls[0].toLocalFile()).canonicalFilePath(), QFileInfo(manual).canonicalFilePath());
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
