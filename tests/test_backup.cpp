// Backup and restore of the database: a verified copy, a restore that gives
// the old rows back, and refusals of truncated, foreign and newer files that
// leave the database untouched; the backup window driving both.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "planning_fixtures.h"

#include "app/DBBackUnit.h"
#include "data/Backup.h"
#include "data/Paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace nqb;

namespace {

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList planNames()
{
    QStringList names;
    for (const auto &r : fixtures::rows("SELECT FOODNAME FROM NQBNutri_tmp ORDER BY rowid"))
        names << r.first().toString();
    return names;
}

backup::Result restore(TestEnv &env, const QString &path)
{
    TDM *dm = env.dm();
    return backup::restoreBackup(
        path, env.databasePath(), [dm] { dm->closeConnection(); }, [dm] { return dm->reopen(); });
}

// A copy of src with its bytes changed by fn.
QString alteredCopy(const QString &src, const QString &dst, const std::function<void(QByteArray &)> &fn)
{
    QFile in(src);
    in.open(QIODevice::ReadOnly);
    QByteArray bytes = in.readAll();
    fn(bytes);
    QFile out(dst);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    return dst;
}

} // namespace

class BackupTest : public QObject
{
    Q_OBJECT
private slots:
    void restoreGivesTheOldRowsBack();
    void restoredFileNeverMeetsTheOldLog();
    void damagedForeignAndNewerFilesAreRefused();
    void defaultPathIsAFileName();
    void windowBacksUpAndRestores();
};

void BackupTest::restoreGivesTheOldRowsBack()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {{"PROCNT", 7.5}}));
    QVERIFY(fixtures::insertEntry("MON", "午餐", "Joe's 鸡汤", 300, {{"PROCNT", 12}}));
    const QString path = env.programDir() + "/BackUP/one.bak";
    const backup::Result written = backup::writeBackup(nqb::db(), path);
    QVERIFY2(written.ok, qPrintable(written.message));
    QVERIFY(QFile::exists(path));
    QVERIFY(!QFile::exists(path + ".part"));
    QVERIFY(backup::checkBackup(path).ok);

    // Changes after the backup: the plan replaced, a food renamed.
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp"));
    QVERIFY(fixtures::insertEntry("TUE", "晚餐", "米饭", 150, {}));
    QVERIFY(fixtures::run("UPDATE Nutri_tb SET FoodName='改过的小麦' WHERE Code='01-1-101'"));

    const backup::Result r = restore(env, path);
    QVERIFY2(r.ok, qPrintable(r.message));
    QVERIFY(env.dm()->isOpen());
    QCOMPARE(planNames(), (QStringList{"牛奶", "Joe's 鸡汤"}));
    QCOMPARE(fixtures::value("SELECT FoodName FROM Nutri_tb WHERE Code='01-1-101'").toString(), QStringLiteral("小麦"));
    QVERIFY(!QFile::exists(backup::beforeRestorePath(env.databasePath())));
    QVERIFY(!QFile::exists(env.databasePath() + ".restoring"));

    // A second backup over the first replaces it with the current state.
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp WHERE FOODNAME='牛奶'"));
    QVERIFY(backup::writeBackup(nqb::db(), path).ok);
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp"));
    QVERIFY(restore(env, path).ok);
    QCOMPARE(planNames(), QStringList{"Joe's 鸡汤"});
}

void BackupTest::restoredFileNeverMeetsTheOldLog()
{
    TestEnv env;
    QCOMPARE(fixtures::value("PRAGMA journal_mode").toString(), QStringLiteral("wal"));
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {}));
    const QString path = env.programDir() + "/BackUP/log.bak";
    QVERIFY(backup::writeBackup(nqb::db(), path).ok);
    QVERIFY(fixtures::insertEntry("MON", "午餐", "现在的", 100, {}));

    // Another connection holds the file open: its log stays when the
    // program's connection closes, and the file is not replaced under it.
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(env.databasePath());
        QVERIFY(other.open());
        {
            QSqlQuery holding(other);
            QVERIFY(holding.exec("SELECT FOODNAME FROM NQBNutri_tmp") && holding.next());
            const backup::Result r = restore(env, path);
            QVERIFY(!r.ok);
            QVERIFY2(r.message.contains("正被其他程序使用"), qPrintable(r.message));
            QVERIFY(env.dm()->isOpen());
            QCOMPARE(planNames(), (QStringList{"牛奶", "现在的"}));
        }
        other.close();
    }
    QSqlDatabase::removeDatabase("other");

    // Alone again: the restored file comes without any log of the old one.
    const backup::Result r = restore(env, path);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(planNames(), QStringList{"牛奶"});
    QCOMPARE(fixtures::value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    const QString before = backup::beforeRestorePath(env.databasePath());
    for (const QString &f : {before, before + "-wal", before + "-shm"})
        QVERIFY2(!QFile::exists(f), qPrintable(f));
    QVERIFY(fixtures::insertEntry("TUE", "晚餐", "米饭", 150, {}));
    env.dm()->closeConnection();
    QVERIFY(!QFile::exists(env.databasePath() + "-wal"));
    QVERIFY(env.dm()->reopen().isEmpty());
    QCOMPARE(planNames(), (QStringList{"牛奶", "米饭"}));
}

void BackupTest::damagedForeignAndNewerFilesAreRefused()
{
    TestEnv env;
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {}));
    const QString good = env.programDir() + "/good.bak";
    QVERIFY(backup::writeBackup(nqb::db(), good).ok);
    QVERIFY(fixtures::insertEntry("MON", "午餐", "现在的", 100, {}));

    // Closed, so that the file's bytes are all written for the comparison.
    env.dm()->closeConnection();
    const QByteArray before = hashOf(env.databasePath());
    QVERIFY(env.dm()->reopen().isEmpty());

    const QString truncated = alteredCopy(good, env.programDir() + "/half.bak",
                                          [](QByteArray &b) { b.truncate(b.size() / 2); });
    const QString text = alteredCopy(good, env.programDir() + "/text.bak", [](QByteArray &b) { b = "菜谱\n"; });
    const QString scrambled = alteredCopy(good, env.programDir() + "/scrambled.bak", [](QByteArray &b) {
        for (qsizetype i = 4096; i < b.size(); i += 7)
            b[i] = char(b[i] ^ 0x5a);
    });
    // A database of another program: no version table.
    const QString foreign = env.programDir() + "/foreign.bak";
    {
        QSqlDatabase d = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        d.setDatabaseName(foreign);
        QVERIFY(d.open());
        QSqlQuery(d).exec("CREATE TABLE t (x)");
        d.close();
    }
    QSqlDatabase::removeDatabase("foreign");
    // A backup of a newer version of the program.
    const QString newer = env.programDir() + "/newer.bak";
    QVERIFY(QFile::copy(good, newer));
    {
        QSqlDatabase d = QSqlDatabase::addDatabase("QSQLITE", "newer");
        d.setDatabaseName(newer);
        QVERIFY(d.open());
        QVERIFY(QSqlQuery(d).exec("UPDATE SchemaVersion_tb SET VERSION=99"));
        d.close();
    }
    QSqlDatabase::removeDatabase("newer");

    const QList<QPair<QString, QString>> cases = {
        {truncated, "截断"},  {text, "不是数据库文件"},         {scrambled, "损坏"},
        {foreign, "不是本程序的数据库"}, {newer, "更新版本"}, {env.programDir() + "/none.bak", "不存在"},
    };
    for (const auto &c : cases) {
        const backup::Result r = restore(env, c.first);
        QVERIFY2(!r.ok, qPrintable(c.first));
        QVERIFY2(r.message.contains(c.second), qPrintable(r.message));
        QVERIFY(env.dm()->isOpen());
        QCOMPARE(planNames(), (QStringList{"牛奶", "现在的"}));
    }
    env.dm()->closeConnection();
    QCOMPARE(hashOf(env.databasePath()), before);
    QVERIFY(!QFile::exists(backup::beforeRestorePath(env.databasePath())));
}

void BackupTest::defaultPathIsAFileName()
{
    TestEnv env(false);
    const QString path = backup::defaultBackupPath(QDate(2026, 12, 9));
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(env.programDir()).filePath("BackUP"));
    QVERIFY(path.endsWith(".bak"));
    const QString name = QFileInfo(path).completeBaseName();
    QVERIFY(!name.isEmpty());
    for (const QChar c : QStringLiteral("/\\:*?\"<>| "))
        QVERIFY2(!name.contains(c), qPrintable(name));
    QVERIFY2(name.contains("26") && name.contains("9"), qPrintable(name)); // the date in the system's form
}

void BackupTest::windowBacksUpAndRestores()
{
    TestEnv env;
    ScriptedPrompt prompts;
    QVERIFY(fixtures::insertEntry("MON", "早餐", "牛奶", 250, {}));
    {
        TDBBack w;
        auto *save = w.findChild<QLineEdit *>("SavePath_edt");
        QVERIFY(save->isReadOnly());
        QCOMPARE(QDir::fromNativeSeparators(save->text()), backup::defaultBackupPath());
        w.findChild<QPushButton *>("Save_btn")->click();
        QCOMPARE(prompts.messages.last().icon, Prompt::Icon::Information);
        QVERIFY(backup::checkBackup(backup::defaultBackupPath()).ok);

        // Another place chosen through the dialog.
        prompts.files.enqueue(env.programDir() + "/chosen.bak");
        w.findChild<QPushButton *>("SaveDlg_btn")->click();
        QCOMPARE(QDir::fromNativeSeparators(save->text()), env.programDir() + "/chosen.bak");
        w.findChild<QPushButton *>("Save_btn")->click();
        QVERIFY(QFile::exists(env.programDir() + "/chosen.bak"));
    }
    QVERIFY(fixtures::run("DELETE FROM NQBNutri_tmp"));

    TDBBack w;
    auto *load = w.findChild<QLineEdit *>("LoadPath_edt");
    prompts.files.enqueue(env.programDir() + "/chosen.bak");
    w.findChild<QPushButton *>("LoadDlg_btn")->click();
    QCOMPARE(QDir::fromNativeSeparators(load->text()), env.programDir() + "/chosen.bak");

    // Answered No: nothing happens.
    prompts.clear();
    prompts.answers.enqueue(false);
    w.findChild<QPushButton *>("Load_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.first().icon, Prompt::Icon::Question);
    QVERIFY(planNames().isEmpty());
    QVERIFY(!w.restored());

    prompts.answers.enqueue(true);
    w.findChild<QPushButton *>("Load_btn")->click();
    QVERIFY2(w.restored(), qPrintable(prompts.lastText()));
    QCOMPARE(planNames(), QStringList{"牛奶"});

    // A file that is no backup is refused before anything is asked.
    QFile junk(env.programDir() + "/junk.bak");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a database");
    junk.close();
    prompts.clear();
    prompts.files.enqueue(junk.fileName());
    w.findChild<QPushButton *>("LoadDlg_btn")->click();
    w.findChild<QPushButton *>("Load_btn")->click();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.first().icon, Prompt::Icon::Warning);
    QCOMPARE(planNames(), QStringList{"牛奶"});
}

QTEST_MAIN(BackupTest)
#include "test_backup.moc"
