// With a foreign or damaged file in place of the database, or a connection
// that was closed, every command of the main window that needs the database
// says "数据库未打开" with the reason and leaves every file as it was; the
// commands that need no database (settings, backup and restore, the web
// page, help, the page buttons) still work.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "app/AppStart.h"
#include "app/ButFrameUnit.h"
#include "app/MainUnit.h"
#include "data/DataModule.h"
#include "data/Paths.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDialog>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

// Every file under dir with a digest of its content (what "nothing changed" means).
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        QByteArray digest = "<unreadable>";
        if (f.open(QIODevice::ReadOnly))
            digest = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
        files.insert(QDir(dir).relativeFilePath(path), digest);
    }
    return files;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// An SQLite file of some other program: opens, passes the quick check, has no schema version.
void writeForeignDatabase(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        d.setDatabaseName(path);
        QVERIFY(d.open());
        QSqlQuery q(d);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO notes (text) VALUES ('keep me')")));
        d.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

// Answers every modal window that opens while a command runs: records its
// objectName, lets a handler work in it, then closes it.
class ModalWatcher
{
public:
    using Handler = std::function<void(QDialog *)>;
    QStringList opened;
    QHash<QString, Handler> handlers;

    ModalWatcher()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dlg || m_busy.contains(dlg))
                return;
            m_busy << dlg;
            opened << dlg->objectName();
            if (const Handler h = handlers.value(dlg->objectName()))
                h(dlg);
            m_busy.removeAll(dlg);
            dlg->reject();
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
    QList<QDialog *> m_busy;
};

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

// A command of the main window and how the walk reaches it.
struct Command {
    QString name;
    std::function<void()> run;
};

} // namespace

class ClosedDatabaseTest : public QObject
{
    Q_OBJECT
private slots:
    void mainWindowCommandsOnAForeignFile_data();
    void mainWindowCommandsOnAForeignFile();
    void backupAndSettingsOnAClosedConnection();
    void workbenchAndBrowserOnAClosedConnection();
};

void ClosedDatabaseTest::mainWindowCommandsOnAForeignFile_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << 0 << QStringLiteral("已损坏或不是本程序的数据库");
    QTest::newRow("random bytes") << 1 << QStringLiteral("已损坏或不是本程序的数据库");
    QTest::newRow("another program's database") << 2 << QStringLiteral("不是本程序的数据库");
    QTest::newRow("a folder") << 3 << QStringLiteral("nqbnorvik.dat");
}

void ClosedDatabaseTest::mainWindowCommandsOnAForeignFile()
{
    QFETCH(int, kind);
    QFETCH(QString, reason);
    ScriptedPrompt prompt;
    TestEnv env(false);
    switch (kind) {
    case 0:
        writeFile(env.databasePath(), QByteArray("these are a user's notes, not a database\n").repeated(300));
        break;
    case 1: {
        QByteArray bytes;
        quint32 x = 12345;
        for (int i = 0; i < 64 * 1024; ++i) {
            x = x * 1664525u + 1013904223u;
            bytes.append(char(x >> 24));
        }
        writeFile(env.databasePath(), bytes);
        break;
    }
    case 2:
        writeForeignDatabase(env.databasePath());
        break;
    case 3:
        QVERIFY(QDir().mkpath(env.databasePath()));
        writeFile(env.databasePath() + "/inside.txt", "a folder where the database should be");
        break;
    }

    auto s = startApplication(env.workingDir(), env.programDir(), true);
    QVERIFY(QTest::qWaitForWindowExposed(s->main));
    QVERIFY(!s->dm->isOpen());
    QCOMPARE(prompt.messages.size(), 1);
    const QString openError = s->dm->openError();
    QVERIFY2(openError.contains(reason), qPrintable(openError));
    prompt.clear();

    const auto work = snapshot(env.workingDir());
    const auto program = snapshot(env.programDir());
    UrlRecorder urls;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &urls, "open");
    struct UnsetHandler {
        ~UnsetHandler() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    } unsetHandler;

    // Inside the windows that need no database: the settings are closed
    // unchanged; the backup is asked for (it needs the database), the
    // restore is tried without a file (it does not: it may be the repair).
    ModalWatcher modals;
    modals.handlers.insert(QStringLiteral("DBBack"), [dir = env.programDir()](QDialog *dlg) {
        dlg->findChild<QLineEdit *>(QStringLiteral("SavePath_edt"))->setText(dir + "/BackUP/x.bak");
        dlg->findChild<QPushButton *>(QStringLiteral("Save_btn"))->click();
        dlg->findChild<QPushButton *>(QStringLiteral("Load_btn"))->click();
    });

    // Every command: the menu items, the tiles, the toolbar buttons.
    QList<Command> commands;
    for (QAction *menu : s->main->menuBar()->actions()) {
        for (QAction *a : menu->menu()->actions())
            commands.append({a->objectName(), [a] { a->trigger(); }});
    }
    for (TButFrame *t : s->main->findChildren<TButFrame *>()) {
        if (!t->isEnabled())
            continue;
        commands.append({t->objectName(), [t, &s] {
                             s->main->switchPage(s->main->PageControl1()->indexOf(t->parentWidget()));
                             QTest::mouseClick(t->Image1(), Qt::LeftButton);
                         }});
    }
    for (int i = 1; s->main->toolButton(i); ++i) {
        QToolButton *b = s->main->toolButton(i);
        commands.append({b->objectName(), [b] { b->click(); }});
    }
    // Commands that need no database, and the window each opens (if any).
    const QHash<QString, QString> free = {
        {"NutrientEffects_act", "Web"},   {"DatabaseManage_act", "DBBack"}, {"SystemSet_act", "SystemSet"},
        {"DatabaseManage_tile", "DBBack"}, {"SystemSet_tile", "SystemSet"}, {"Help_act", ""},
        {"ToolButton1", ""}, {"ToolButton2", ""}, {"ToolButton3", ""}, {"ToolButton4", ""}, {"ToolButton5", ""},
        {"ToolButton6", ""},
    };

    QVERIFY(commands.size() >= 15 + 13 + 6);
    int needing = 0;
    for (const Command &c : commands) {
        prompt.clear();
        modals.opened.clear();
        const bool survey = s->main->IsSurveyMode();
        c.run();
        QTest::qWait(20);
        QVERIFY2(!QApplication::activeModalWidget(), qPrintable(c.name));
        if (free.contains(c.name)) {
            const QString window = free.value(c.name);
            QCOMPARE(modals.opened, window.isEmpty() ? QStringList() : QStringList{window});
            if (window == QLatin1String("DBBack")) {
                // The backup: refused, naming the reason; the restore: asks for a file.
                QVERIFY2(prompt.messages.size() == 2, qPrintable(prompt.texts().join('\n')));
                QVERIFY2(prompt.messages[0].text.contains(QStringLiteral("数据库未打开")),
                         qPrintable(prompt.messages[0].text));
                QVERIFY2(prompt.messages[0].text.contains(openError), qPrintable(prompt.messages[0].text));
                QVERIFY(!prompt.messages[1].text.contains(QStringLiteral("数据库未打开")));
            } else {
                QVERIFY2(prompt.messages.isEmpty(), qPrintable(c.name + ": " + prompt.texts().join('\n')));
            }
            continue;
        }
        ++needing;
        // The run-wide values stay as they were.
        QVERIFY2(s->main->IsSurveyMode() == survey, qPrintable(c.name));
        // One message, an error, with the reason the file could not be opened; no window.
        QVERIFY2(modals.opened.isEmpty(), qPrintable(c.name + ": " + modals.opened.join(',')));
        QVERIFY2(prompt.messages.size() == 1, qPrintable(c.name + ": " + prompt.texts().join('\n')));
        QCOMPARE(prompt.messages[0].icon, Prompt::Icon::Error);
        QVERIFY2(prompt.lastText().contains(QStringLiteral("数据库未打开")), qPrintable(c.name + ": " + prompt.lastText()));
        QVERIFY2(prompt.lastText().contains(openError), qPrintable(c.name + ": " + prompt.lastText()));
        // Nothing embedded is shown over the pages.
        if (s->main->Browser())
            QVERIFY2(!s->main->Browser()->isVisible(), qPrintable(c.name));
        if (s->main->Workbench())
            QVERIFY2(!s->main->Workbench()->isVisible(), qPrintable(c.name));
    }
    // 11 menu items and 11 tiles need the database.
    QCOMPARE(needing, 22);
    QCOMPARE(urls.urls.size(), 2); // the help command and the help toolbar button

    s->main->close();
    QVERIFY(!s->main->isVisible());
    QCOMPARE(snapshot(env.workingDir()), work);
    QCOMPARE(snapshot(env.programDir()), program);
}

void ClosedDatabaseTest::backupAndSettingsOnAClosedConnection()
{
    // A database that was open and whose connection closed under the running
    // program (as between the steps of a restore): the commands say so too.
    ScriptedPrompt prompt;
    TestEnv env;
    auto s = startApplication(env.workingDir(), env.programDir(), true);
    QVERIFY(QTest::qWaitForWindowExposed(s->main));
    QVERIFY(s->dm->isOpen());
    s->dm->closeConnection();
    prompt.clear();
    const auto work = snapshot(env.workingDir());

    ModalWatcher modals;
    for (const char *name : {"IndividualSurvey_act", "GroupPlan_act", "FoodComposition_act", "DishEdit_act",
                             "RawFoodEdit_act", "DRIsSet_act", "SpecialNutrientEdit_act", "DishManage_act",
                             "DRIsManage_act"}) {
        prompt.clear();
        s->main->action(QString::fromLatin1(name))->trigger();
        QTest::qWait(10);
        QVERIFY2(modals.opened.isEmpty(), name);
        QVERIFY2(prompt.messages.size() == 1 && prompt.lastText().contains(QStringLiteral("数据库未打开")),
                 qPrintable(QString::fromLatin1(name) + ": " + prompt.texts().join('\n')));
    }
    modals.handlers.insert(QStringLiteral("DBBack"), [dir = env.programDir()](QDialog *dlg) {
        dlg->findChild<QLineEdit *>(QStringLiteral("SavePath_edt"))->setText(dir + "/BackUP/x.bak");
        dlg->findChild<QPushButton *>(QStringLiteral("Save_btn"))->click();
    });
    prompt.clear();
    s->main->action(QStringLiteral("DatabaseManage_act"))->trigger();
    QTest::qWait(10);
    QCOMPARE(modals.opened, QStringList{"DBBack"});
    QVERIFY2(prompt.messages.size() == 1 && prompt.lastText().contains(QStringLiteral("数据库未打开")),
             qPrintable(prompt.texts().join('\n')));
    QVERIFY(!QFileInfo::exists(env.programDir() + "/BackUP/x.bak"));
    QCOMPARE(snapshot(env.workingDir()), work);
    s->dm->reopen();
}

void ClosedDatabaseTest::workbenchAndBrowserOnAClosedConnection()
{
    // The workbench and the browser stay in the main window; when the
    // connection closes under them (a restore between its steps, a file
    // taken away), each of their commands that needs the database says so,
    // opens nothing and writes nothing.
    ScriptedPrompt prompt;
    TestEnv env;
    auto s = startApplication(env.workingDir(), env.programDir(), true);
    QVERIFY(QTest::qWaitForWindowExposed(s->main));
    QVERIFY(s->main->Workbench());
    s->main->showEmbedded(s->main->Workbench());
    s->main->FoodComposition();
    QVERIFY(s->main->Browser());
    s->dm->closeConnection();
    prompt.clear();
    const auto work = snapshot(env.workingDir());
    const auto program = snapshot(env.programDir());

    ModalWatcher modals;
    // The browser searches for something.
    if (auto *search = s->main->Browser()->findChild<QLineEdit *>(QStringLiteral("SearchName_edt")))
        search->setText(QStringLiteral("米"));
    int commands = 0;
    for (QWidget *window : {s->main->Workbench(), s->main->Browser()}) {
        s->main->showEmbedded(window);
        for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
            if (!b->isVisibleTo(window) || !b->isEnabled() || b->objectName().isEmpty()
                || b->objectName() == QLatin1String("ScrollRightButton") || b->objectName() == QLatin1String("ScrollLeftButton"))
                continue;
            ++commands;
            prompt.clear();
            modals.opened.clear();
            b->click();
            QTest::qWait(10);
            const QString what = b->objectName() + QStringLiteral(": ") + prompt.texts().join(QStringLiteral(" / "));
            // No window opens, nothing is asked, and whatever is said is that the database is not open.
            QVERIFY2(modals.opened.isEmpty(), qPrintable(what + " opened " + modals.opened.join(',')));
            for (const auto &m : prompt.messages)
                QVERIFY2(m.icon == Prompt::Icon::Error && m.text.contains(QStringLiteral("数据库未打开")), qPrintable(what));
            QVERIFY2(prompt.fileCaptions.isEmpty(), qPrintable(what + " asked for a file"));
            // The command buttons say it once.
            if (b->objectName().endsWith(QLatin1String("_btn")))
                QVERIFY2(prompt.messages.size() == 1, qPrintable(what));
        }
    }
    qInfo("workbench and browser: %d commands walked", commands);
    QVERIFY(commands >= 25);
    QCOMPARE(snapshot(env.workingDir()), work);
    QCOMPARE(snapshot(env.programDir()), program);
    s->dm->reopen();
}

QTEST_MAIN(ClosedDatabaseTest)
#include "test_closed_database.moc"
