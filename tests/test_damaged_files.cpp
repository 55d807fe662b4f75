// Settings files and databases the program cannot use as they are: INI files
// that cannot be read are kept aside and named, never written over; a write
// that fails changes nothing; leftovers of an abruptly ended run are removed
// at start (only the program's own names); a database locked by another
// program is reported as in use, promptly; a read-only database opens
// read-only with a notice, and writes say so.
#include "ScriptedPrompt.h"
#include "TestEnv.h"
#include "data/DataModule.h"
#include "data/Db.h"
#include "data/FileRecovery.h"
#include "data/IniFile.h"
#include "data/Paths.h"
#include "data/Settings.h"
#include "diners/GroupProfile.h"
#include "diners/PersonalProfile.h"
#include "planning/PlanFile.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <QApplication>

#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace nqb;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray randomBytes(int n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (char &c : b)
        c = char(rng.bounded(256));
    return b;
}

QByteArray utf16(const QString &text, bool bom)
{
    QByteArray out = bom ? QByteArray("\xff\xfe", 2) : QByteArray();
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

// One INI writer of the program, writing a marker value to its file.
struct Writer {
    const char *name;
    QString (*path)();
    // Returns the error; *notice as the writer hands it back.
    QString (*write)(const QString &marker, QString *notice);
    // The marker read back.
    QString (*marker)(const QString &path);
};

QString settingsMarker(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("Config/CmpInfo")).toString();
}

QString profileMarker(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("personalInfo/Weight")).toString();
}

QString groupMarker(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("AGETEXT/0")).toString();
}

QString quotietyMarker(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("Quotiety/6")).toString();
}

const Writer kWriters[] = {
    {"system.dll", &settingsFilePath,
     [](const QString &m, QString *notice) { return writeSettingsValue(QStringLiteral("CmpInfo"), m, notice); },
     &settingsMarker},
    {"personal.ini", &personalProfilePath,
     [](const QString &m, QString *notice) {
         PersonalProfileData p;
         p.weight = m;
         return writePersonalProfile(personalProfilePath(), p, RequirementMatrix(), notice);
     },
     &profileMarker},
    {"Collective.ini", &groupProfilePath,
     [](const QString &m, QString *notice) {
         return writeGroupProfile(groupProfilePath(), {{m, QStringLiteral("男"), QStringLiteral("轻体力活动"), 3}},
                                  RequirementMatrix(), notice);
     },
     &groupMarker},
    {"Quotiety", [] { return planfile::profileFilePath(true); },
     [](const QString &m, QString *notice) {
         std::array<int, 7> p{100, 100, 100, 100, 100, 100, m.toInt()};
         const plan::PlanResult r = planfile::writeQuotiety(planfile::profileFilePath(true), p);
         *notice = r.ok() ? r.message : QString();
         return r.ok() ? QString() : r.message;
     },
     &quotietyMarker},
};

// What a child process saw of a database (see probeMain).
struct Probe {
    QString openError;
    bool readOnly = false;
    QString notice;
    QString scopeMessage; // a write scope's status
    QString execMessage;  // a plain UPDATE's error
};

Probe parseProbe(const QByteArray &out)
{
    Probe p;
    for (const QByteArray &line : out.split('\n')) {
        const QString l = QString::fromUtf8(line);
        const qsizetype eq = l.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString k = l.left(eq);
        const QString v = l.mid(eq + 1);
        if (k == QLatin1String("openError"))
            p.openError = v;
        else if (k == QLatin1String("readOnly"))
            p.readOnly = v == QLatin1String("1");
        else if (k == QLatin1String("notice"))
            p.notice = v;
        else if (k == QLatin1String("scope"))
            p.scopeMessage = v;
        else if (k == QLatin1String("exec"))
            p.execMessage = v;
    }
    return p;
}

// Runs this program as "probe <working folder>" as a user who may not write
// what root owns (root itself writes any file whatever its mode).
Probe runProbe(const QString &workingDir, QString *failure)
{
    QProcess p;
    p.setProgram(QCoreApplication::applicationFilePath());
    p.setArguments({QStringLiteral("probe"), workingDir});
    if (geteuid() == 0) {
        p.setChildProcessModifier([] {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
                _exit(97);
        });
    }
    p.start();
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *failure = QStringLiteral("probe failed (%1): %2").arg(p.exitCode()).arg(QString::fromUtf8(p.readAllStandardError()));
        return {};
    }
    return parseProbe(p.readAllStandardOutput());
}

} // namespace

// The child side of runProbe: open the data module, try a write, print what happened.
int probeMain(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString work = QString::fromLocal8Bit(argv[2]);
    setProgramDir(work);
    TDM dm(work);
    QTextStream out(stdout);
    auto line = [&](const char *k, const QString &v) {
        QString one = v;
        one.replace(QLatin1Char('\n'), QLatin1Char(' '));
        out << k << '=' << one << '\n';
    };
    line("openError", dm.openError());
    line("readOnly", dm.isReadOnly() ? QStringLiteral("1") : QStringLiteral("0"));
    line("notice", dm.readOnlyNotice());
    {
        sql::WriteScope scope;
        line("scope", scope.status().message);
    }
    QSqlQuery q(nqb::db());
    const Result r = sql::exec(q, QStringLiteral("UPDATE Nutri_tb SET WATER = WATER + 1"));
    line("exec", r.message);
    out.flush();
    return 0;
}

class DamagedFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void readableIniFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("named");

        QTest::newRow("empty") << QByteArray() << true << QString();
        QTest::newRow("program's own") << QByteArray("[Config]\r\nIsThreeTwo=2\r\nCmpInfo=某某中心, 二部\r\n") << true
                                       << QString();
        QTest::newRow("utf-8 mark, comments, blanks")
            << QByteArray("\xef\xbb\xbf; a comment\n# another\n\n  [RNI]  \n0 = 2400\n1=\n") << true << QString();
        QTest::newRow("random bytes") << randomBytes(4096, 7) << false << QString();
        QTest::newRow("utf-16 with mark") << utf16(QStringLiteral("[Config]\r\nIsThreeTwo=2\r\n"), true) << false
                                          << QStringLiteral("UTF-16");
        QTest::newRow("utf-16 without mark") << utf16(QStringLiteral("[Config]\r\nIsThreeTwo=2\r\n"), false) << false
                                             << QStringLiteral("第 1 行");
        QTest::newRow("gbk text") << QByteArray("[Config]\nCmpInfo=\xd3\xaa\xd1\xf8\n") << false
                                  << QStringLiteral("第 2 行");
        QTest::newRow("line without equals") << QByteArray("[Config]\nIsThreeTwo=2\njust words\n") << false
                                             << QStringLiteral("第 3 行");
        QTest::newRow("open section") << QByteArray("[Config\nIsThreeTwo=2\n") << false << QStringLiteral("第 1 行");
        QTest::newRow("empty key") << QByteArray("[Config]\n=2\n") << false << QStringLiteral("第 2 行");
        QTest::newRow("control character") << QByteArray("[Config]\nTel=a\x01z\n") << false
                                           << QStringLiteral("第 2 行");
        // What the reader refuses counts as damaged, so such a file is never
        // read as defaults and then written over.
        QTest::newRow("unclosed quote") << QByteArray("[Config]\nCmpInfo=\"open\n") << false
                                        << QStringLiteral("第 2 行");
        QTest::newRow("text after section") << QByteArray("[Config] x\nIsThreeTwo=2\n") << false
                                            << QStringLiteral("第 1 行");
        QTest::newRow("known escapes") << QByteArray("[Config]\nCmpInfo=\"a\\tb\\x4e2d\\101\\\\\\\"\"\n") << true
                                       << QString();
        // QSettings would drop the backslash and the first byte of 分 and
        // read the other two as two broken characters.
        QTest::newRow("unknown escape") << QByteArray("[Config]\nCmpInfo=\"某市\\分机\"\n") << false
                                        << QStringLiteral("第 2 行");
        // QSettings takes "#" lines for lines with a key: a quote there
        // would swallow the lines after it.
        QTest::newRow("comments") << QByteArray("# note\n[Config]\n; \"quoted\" note\nIsThreeTwo=2\n#x=1\n") << true
                                  << QString();
        QTest::newRow("quote in # comment") << QByteArray("[Config]\n# it's \"x\nIsThreeTwo=2\n") << false
                                            << QStringLiteral("第 2 行");
        QTest::newRow("# comment continued") << QByteArray("[Config]\n# note \\\nIsThreeTwo=2\n") << false
                                             << QStringLiteral("第 2 行");
        QTest::newRow("oversized") << QByteArray("[Config]\n") + QByteArray(ini::kMaxIniBytes, 'a') + "=1\n" << false
                                   << QString();
    }
    void readableIniFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, readable);
        QFETCH(QString, named);
        const QString p = ini::problem(bytes);
        QCOMPARE(p.isEmpty(), readable);
        if (!named.isEmpty())
            QVERIFY2(p.contains(named), qPrintable(p));
    }

    // Every INI writer: a file it cannot read goes aside whole (under a free
    // name) and is named; the new file holds the value.
    void damagedFileIsKeptAsideAndNamed()
    {
        for (const Writer &w : kWriters) {
            TestEnv env(false);
            const QString path = w.path();
            const QByteArray damaged = randomBytes(4096, 11);
            const QByteArray older = utf16(QStringLiteral("[Config]\r\nCmpInfo=旧\r\n"), true);
            QVERIFY(writeBytes(path, damaged));
            QVERIFY(writeBytes(path + QStringLiteral(".damaged"), older)); // from an earlier time

            QString notice;
            const QString error = w.write(QStringLiteral("42"), &notice);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            const QString aside = path + QStringLiteral(".damaged.1");
            QVERIFY2(notice.contains(QDir::toNativeSeparators(aside)) && notice.contains(QDir::toNativeSeparators(path)),
                     qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(w.name), notice)));
            QCOMPARE(readAll(aside), damaged);
            QCOMPARE(readAll(path + QStringLiteral(".damaged")), older);
            QVERIFY(ini::fileProblem(path).isEmpty());
            QCOMPARE(w.marker(path), QStringLiteral("42"));

            // A readable file is simply rewritten, its other sections kept.
            notice = QStringLiteral("x");
            QVERIFY(w.write(QStringLiteral("43"), &notice).isEmpty());
            QVERIFY(notice.isEmpty());
            QCOMPARE(w.marker(path), QStringLiteral("43"));
        }
    }

    // A folder under a settings file's name is neither moved nor written into.
    void folderUnderTheNameStays()
    {
        for (const Writer &w : kWriters) {
            TestEnv env(false);
            QVERIFY(QDir().mkpath(w.path() + QStringLiteral("/inside")));
            QString notice;
            const QString error = w.write(QStringLiteral("1"), &notice);
            QVERIFY2(!error.isEmpty() && error.contains(QStringLiteral("不是普通文件")), qPrintable(error));
            QVERIFY(QFileInfo(w.path() + QStringLiteral("/inside")).isDir());
            QVERIFY(!QFileInfo::exists(w.path() + QStringLiteral(".damaged")));
            QCOMPARE(recoverProgramFiles(env.workingDir()).messages.size(), 1);
            QVERIFY(QFileInfo(w.path() + QStringLiteral("/inside")).isDir());
        }
    }

    // A write that fails (here the file size limit of the process, as on a
    // full disk) leaves the file byte for byte as it was, damaged or not, and
    // leaves nothing beside it.
    void failedWriteChangesNothing()
    {
        for (const Writer &w : kWriters) {
            for (const bool damagedFile : {false, true}) {
                TestEnv env(false);
                const QString path = w.path();
                QByteArray before;
                if (damagedFile) {
                    before = randomBytes(300, 5);
                } else {
                    QString notice;
                    QVERIFY(w.write(QStringLiteral("7"), &notice).isEmpty());
                    before = readAll(path);
                }
                QVERIFY(writeBytes(path, before));
                const QStringList filesBefore = QDir(env.programDir()).entryList(QDir::Files | QDir::Hidden);

                rlimit old{};
                getrlimit(RLIMIT_FSIZE, &old);
                rlimit small = old;
                small.rlim_cur = 1;
                std::signal(SIGXFSZ, SIG_IGN);
                setrlimit(RLIMIT_FSIZE, &small);
                QString notice;
                const QString error = w.write(QStringLiteral("8"), &notice);
                setrlimit(RLIMIT_FSIZE, &old);

                QVERIFY2(!error.isEmpty(), w.name);
                QVERIFY2(error.contains(QDir::toNativeSeparators(path)) || error.contains(path), qPrintable(error));
                QVERIFY(notice.isEmpty());
                QCOMPARE(readAll(path), before);
                QCOMPARE(QDir(env.programDir()).entryList(QDir::Files | QDir::Hidden), filesBefore);
            }
        }
    }

    // The start after an abrupt end: temporaries of the program's own files
    // go, other files stay, damaged INI files go aside, a restore cut off
    // half-way gets its database back.
    void startPutsLeftoversRight()
    {
        TestEnv env(false);
        const QDir program(env.programDir());
        const QDir data(env.workingDir() + QStringLiteral("/Data"));
        QVERIFY(program.mkpath(QStringLiteral("BackUP")));
        QVERIFY(data.mkpath(QStringLiteral(".")));
        const QByteArray good("[Quotiety]\n0=100\n");
        QVERIFY(writeBytes(program.filePath(QStringLiteral("personal.ini")), good));
        QVERIFY(writeBytes(program.filePath(QStringLiteral("system.dll")), utf16(QStringLiteral("[Config]\n"), true)));
        const QStringList leftovers{QStringLiteral("personal.ini.aB3xYz"), QStringLiteral("system.dll.QWERTY"),
                                    QStringLiteral("Collective.ini.000000"), QStringLiteral("NQB.bmp.Zz9Zz9"),
                                    QStringLiteral("BackUP/2026-12-09.bak.part"),
                                    QStringLiteral("BackUP/2026-12-09.bak.part-journal")};
        const QStringList kept{QStringLiteral("personal.ini.keep"), QStringLiteral("personal.ini.aB3xYz1"),
                               QStringLiteral("notes.txt.aB3xYz"), QStringLiteral("BackUP/2026-12-09.bak"),
                               QStringLiteral("personal.ini.a-3xYz")};
        for (const QString &f : leftovers + kept)
            QVERIFY(writeBytes(program.filePath(f), "x"));
        // A settings lock of a process that is gone.
        QVERIFY(writeBytes(program.filePath(QStringLiteral("system.dll.lock")),
                           "4194000\nnqb\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
        const QString database = databasePathIn(env.workingDir());
        QVERIFY(writeBytes(database + QStringLiteral(".new"), "half a database"));
        QVERIFY(writeBytes(database + QStringLiteral(".before-restore"), "the user's database"));

        const Recovery r = recoverProgramFiles(env.workingDir());
        for (const QString &f : leftovers)
            QVERIFY2(!QFileInfo::exists(program.filePath(f)), qPrintable(f));
        for (const QString &f : kept)
            QVERIFY2(QFileInfo::exists(program.filePath(f)), qPrintable(f));
        QVERIFY(!QFileInfo::exists(program.filePath(QStringLiteral("system.dll.lock"))));
        QVERIFY(!QFileInfo::exists(database + QStringLiteral(".new")));
        QCOMPARE(readAll(database), QByteArray("the user's database"));
        QCOMPARE(readAll(program.filePath(QStringLiteral("personal.ini"))), good);
        QVERIFY(!QFileInfo::exists(program.filePath(QStringLiteral("system.dll"))));
        QVERIFY(QFileInfo::exists(program.filePath(QStringLiteral("system.dll.damaged"))));
        QCOMPARE(r.messages.size(), 2);
        QVERIFY(r.messages.join(QLatin1Char(' ')).contains(QStringLiteral("system.dll.damaged")));
        QVERIFY(r.messages.join(QLatin1Char(' ')).contains(QStringLiteral("恢复前的数据库")));

        // Nothing left to do the second time.
        const Recovery again = recoverProgramFiles(env.workingDir());
        QVERIFY(again.removed.isEmpty());
        QVERIFY(again.messages.isEmpty());
    }

    // Another program holds the write lock: said at once, in both journal modes.
    void lockedDatabaseIsInUse()
    {
        for (const bool wal : {false, true}) {
            TestEnv env;
            env.closeDataModule();
            const QString other = QStringLiteral("other-program");
            {
                QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), other);
                d.setDatabaseName(env.databasePath());
                QVERIFY(d.open());
                QSqlQuery q(d);
                QVERIFY(q.exec(wal ? QStringLiteral("PRAGMA journal_mode=WAL") : QStringLiteral("PRAGMA journal_mode=DELETE")));
                QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));

                QElapsedTimer t;
                t.start();
                TDM *dm = env.openDataModule();
                const qint64 ms = t.elapsed();
                QVERIFY2(dm->openError().contains(QStringLiteral("正被其他程序使用")), qPrintable(dm->openError()));
                QVERIFY(!dm->openError().contains(QStringLiteral("已损坏")));
                QVERIFY2(ms < 1500, qPrintable(QString::number(ms)));
                QVERIFY(!dm->isOpen());

                // Free again: it opens.
                QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
                QVERIFY2(dm->reopen().isEmpty(), qPrintable(dm->openError()));
                QVERIFY(dm->isOpen());
                env.closeDataModule();
                d.close();
            }
            QSqlDatabase::removeDatabase(other);
        }
    }

    // A database file, or the folder it lies in, that may not be written:
    // opened read-only and said so; writes give that message and change nothing.
    void readOnlyDatabase()
    {
        for (const bool folder : {false, true}) {
            TestEnv env;
            env.closeDataModule();
            const QString dataDir = QFileInfo(env.databasePath()).absolutePath();
            const QByteArray before = QCryptographicHash::hash(readAll(env.databasePath()), QCryptographicHash::Sha1);
            QFile::setPermissions(env.workingDir(), QFileDevice::Permissions(0x7755));
            if (folder) {
                QFile::setPermissions(env.databasePath(), QFileDevice::Permissions(0x6666));
                QFile::setPermissions(dataDir, QFileDevice::Permissions(0x5555));
            } else {
                QFile::setPermissions(env.databasePath(), QFileDevice::Permissions(0x4444));
                QFile::setPermissions(dataDir, QFileDevice::Permissions(0x7777));
            }
            QString failure;
            const Probe p = runProbe(env.workingDir(), &failure);
            QFile::setPermissions(dataDir, QFileDevice::Permissions(0x7700));
            QFile::setPermissions(env.databasePath(), QFileDevice::Permissions(0x6600));
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QVERIFY2(p.openError.isEmpty(), qPrintable(p.openError));
            QVERIFY(p.readOnly);
            QVERIFY2(p.notice.contains(QStringLiteral("只读")) && p.notice.contains(QStringLiteral("无法保存")),
                     qPrintable(p.notice));
            QVERIFY2(p.notice.contains(folder ? QStringLiteral("文件夹") : QStringLiteral("文件不可写")),
                     qPrintable(p.notice));
            QVERIFY2(p.scopeMessage.contains(QStringLiteral("只读")), qPrintable(p.scopeMessage));
            QVERIFY2(p.execMessage.contains(QStringLiteral("只读")), qPrintable(p.execMessage));
            QCOMPARE(QCryptographicHash::hash(readAll(env.databasePath()), QCryptographicHash::Sha1), before);
        }
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "probe") == 0)
        return probeMain(argc, argv);
    QApplication app(argc, argv);
    DamagedFilesTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_damaged_files.moc"
