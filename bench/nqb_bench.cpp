// Benchmarks of the operations a user waits for, on the full seed database in
// a temporary working folder and a temporary program folder (nothing of the
// user's own files is read or written).
//
// Each QBENCHMARK block runs as often as QtTest needs for a stable wall-clock
// figure; the code outside it prepares the state and may run more than once,
// so it is written to be repeatable. Order matters only for speed: every
// benchmark that needs a filled week fills it itself when it is missing.
#include "data/RunState.h"
#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/Paths.h"
#include "data/Pinyin.h"
#include "diners/Requirements.h"
#include "foods/Browser.h"
#include "foods/SHFoodUnit.h"
#include "RawBaseline.h"
#include "app/AppStart.h"
#include "app/MainUnit.h"
#include "foods/CompositionRows.h"
#include "foods/CookBookUnit.h"
#include "planning/AnalyzeUnit.h"
#include "planning/FoodChooserUnit.h"
#include "planning/ResultUnit.h"
#include "planning/WeekStatUnit.h"
#include "widgets/FoodPicker.h"
#include "widgets/SearchEdit.h"
#include "widgets/SpinEdit.h"
#include "planning/Evaluation.h"
#include "planning/MealPlan.h"
#include "planning/PlanFile.h"
#include "planning/WeekStats.h"
#include "widgets/DataGrid.h"
#include "widgets/PickList.h"
#include "widgets/Pickers.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QWindow>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

using namespace nqb;

namespace {

QStringList column(const QString &sql)
{
    QStringList out;
    QSqlQuery q(db());
    if (q.exec(sql)) {
        while (q.next())
            out << q.value(0).toString();
    }
    return out;
}

int count(const QString &sql)
{
    QSqlQuery q(db());
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}

// ---------------------------------------------------------------- program beside raw SQLite

// One step measured both ways: the program's median and the median of the same
// statements replayed through the C API (milliseconds).
struct RatioLine {
    QString step;
    double program = 0.0;
    double raw = 0.0;
};
QList<RatioLine> g_ratios;
int g_scale = 1;          // --scale N: N × the raw foods and dishes
QString g_replicaPath;    // the copy the statements are replayed on
constexpr int kRuns = 7;  // runs of each side (the median is taken)

double median(QList<double> v)
{
    if (v.isEmpty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

double elapsedMs(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

bool measured(const QString &step)
{
    return std::any_of(g_ratios.cbegin(), g_ratios.cend(), [&](const RatioLine &l) { return l.step == step; });
}

// Measures a step of the program beside the statements it runs. program(p) is
// the step; p alternates between 0 and 1 for steps that go back and forth
// (page change, sort direction). reset, when given, brings the program back to
// the state the step starts from; it is not timed, and its statements are
// replayed (untimed) on the copy as well, so both sides start from the same
// rows. The statements of each variant are recorded once, prepared once on the
// copy, and then the two sides run alternately kRuns times.
// rawFiles: the file work of the step done the fastest way (POSIX calls),
// timed with the raw statements: a save writes its bytes as durably as the
// program does, a load reads them.
void measure(const QString &step, const std::function<void(int)> &program, const std::function<void()> &reset = {},
             const std::function<void()> &rawFiles = {})
{
    if (measured(step))
        return;
    rawbench::Replica replica(g_replicaPath);
    if (!replica.isOpen()) {
        qWarning("%s: no copy of the database: %s", qPrintable(step), qPrintable(replica.error()));
        return;
    }
    rawbench::Recording resets[2], programs[2];
    for (int p = 0; p < 2; ++p) {
        if (reset)
            resets[p] = rawbench::record(reset);
        programs[p] = rawbench::record([&] { program(p); });
    }
    if (qEnvironmentVariableIsSet("NQB_BENCH_STATEMENTS")) {
        // What is replayed, for checking a baseline by eye.
        for (int p = 0; p < 2; ++p) {
            for (qsizetype i = 0; i < programs[p].statements.size(); ++i)
                std::fprintf(stderr, "%s [%d] rows %lld: %.160s\n", qPrintable(step), p,
                             programs[p].rows.value(i), programs[p].statements.at(i).constData());
        }
    }
    int resetHandle[2], programHandle[2];
    for (int p = 0; p < 2; ++p) {
        resetHandle[p] = replica.prepare(resets[p]);
        programHandle[p] = replica.prepare(programs[p]);
        if (resetHandle[p] < 0 || programHandle[p] < 0) {
            qWarning("%s: statement does not prepare on the copy: %s", qPrintable(step), qPrintable(replica.error()));
            return;
        }
        replica.run(resetHandle[p]);
        replica.run(programHandle[p]);
    }
    QList<double> prog, raw;
    for (int r = 0; r < kRuns; ++r) {
        const int p = r % 2;
        if (reset)
            reset();
        QElapsedTimer t;
        t.start();
        program(p);
        prog << elapsedMs(t);
        replica.run(resetHandle[p]);
        t.restart();
        replica.run(programHandle[p]);
        if (rawFiles)
            rawFiles();
        raw << elapsedMs(t);
    }
    if (!replica.error().isEmpty())
        qWarning("%s: on the copy: %s", qPrintable(step), qPrintable(replica.error()));
    g_ratios.append({step, median(prog), median(raw)});
}

// The bytes written to a temporary file beside path, synced to the disk and
// renamed over path: an atomic, durable replacement as QSaveFile makes it.
void writeDurably(const QByteArray &path, const QByteArray &bytes)
{
    const QByteArray tmp = path + ".raw";
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    ::fsync(fd);
    ::close(fd);
    ::rename(tmp.constData(), path.constData());
}

qsizetype readWhole(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return -1;
    char buf[65536];
    qsizetype total = 0;
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        total += n;
    ::close(fd);
    return total;
}

// Paints what a step changed, as the event loop does before the user sees it.
void painted()
{
    QCoreApplication::processEvents();
}

qint64 peakKb()
{
    const QString peak = [] {
        QFile f(QStringLiteral("/proc/self/status"));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            return QString();
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return QString::fromLatin1(line.mid(6).simplified());
        }
        return QString();
    }();
    return peak.section(QLatin1Char(' '), 0, 0).toLongLong();
}

// ---------------------------------------------------------------- scaled data

// The columns of a table, in table order.
QStringList tableColumns(QSqlDatabase &d, const QString &table)
{
    QStringList out;
    QSqlQuery q(d);
    if (q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table))) {
        while (q.next())
            out << q.value(1).toString();
    }
    return out;
}

// "A00" ... "Z ZZ": three characters that no seed code uses (those are digits).
QString codeSuffix(int n)
{
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    return QString(QLatin1Char(char('A' + n / 1296))) + QLatin1Char(digits[(n / 36) % 36])
           + QLatin1Char(digits[n % 36]);
}

// Adds factor - 1 copies of every raw food and dish of the database at path:
// a copy keeps its group (the first five characters of its code, the
// category of a dish) and its contents, and gets a new code and a new name
// (the name followed by the copy's number). A dish's copy has the original's
// ingredients.
QString scaleDatabase(const QString &path, int factor)
{
    const QString name = QStringLiteral("nqb-scale");
    QString error;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(path);
        if (!d.open())
            return d.lastError().text();
        QSqlQuery q(d);
        q.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        d.transaction();
        auto fail = [&](const QSqlQuery &failed) {
            if (error.isEmpty())
                error = failed.lastError().text();
        };

        // Raw foods.
        QList<QPair<qint64, QString>> foods;
        q.exec(QStringLiteral("SELECT rowid, Code FROM Nutri_tb ORDER BY rowid"));
        while (q.next())
            foods.append({q.value(0).toLongLong(), q.value(1).toString()});
        QStringList cols = tableColumns(d, QStringLiteral("Nutri_tb"));
        QStringList select = cols;
        select[cols.indexOf(QStringLiteral("Code"))] = QStringLiteral("?");
        select[cols.indexOf(QStringLiteral("FoodName"))] = QStringLiteral("FoodName || '·' || ?");
        QSqlQuery ins(d);
        ins.prepare(QStringLiteral("INSERT INTO Nutri_tb (%1) SELECT %2 FROM Nutri_tb WHERE rowid = ?")
                        .arg(cols.join(QLatin1Char(',')), select.join(QLatin1Char(','))));
        QHash<QString, int> used;
        for (int k = 1; k < factor && error.isEmpty(); ++k) {
            for (const auto &f : std::as_const(foods)) {
                const QString group = f.second.left(5);
                const int n = used[group]++;
                if (n >= 26 * 1296)
                    continue; // the group's three characters are used up
                ins.addBindValue(group + codeSuffix(n));
                ins.addBindValue(QString::number(k));
                ins.addBindValue(f.first);
                if (!ins.exec())
                    fail(ins);
            }
        }

        // Dishes and their ingredients.
        struct Dish {
            qint64 rowid;
            QString id;
        };
        QList<Dish> dishes;
        q.exec(QStringLiteral("SELECT rowid, FOODID FROM CateNutri_tb ORDER BY rowid"));
        while (q.next())
            dishes.append({q.value(0).toLongLong(), q.value(1).toString()});
        cols = tableColumns(d, QStringLiteral("CateNutri_tb"));
        select = cols;
        select[cols.indexOf(QStringLiteral("FOODID"))] = QStringLiteral("?");
        select[cols.indexOf(QStringLiteral("FOODNAME"))] = QStringLiteral("FOODNAME || '·' || ?");
        ins.prepare(QStringLiteral("INSERT INTO CateNutri_tb (%1) SELECT %2 FROM CateNutri_tb WHERE rowid = ?")
                        .arg(cols.join(QLatin1Char(',')), select.join(QLatin1Char(','))));
        const QStringList compCols = tableColumns(d, QStringLiteral("CateComponent_tb"));
        QStringList compSelect = compCols;
        compSelect[compCols.indexOf(QStringLiteral("FOODID"))] = QStringLiteral("?");
        QSqlQuery comp(d);
        comp.prepare(QStringLiteral("INSERT INTO CateComponent_tb (%1) SELECT %2 FROM CateComponent_tb WHERE FOODID = ?")
                         .arg(compCols.join(QLatin1Char(',')), compSelect.join(QLatin1Char(','))));
        QHash<QString, int> next;
        for (int k = 1; k < factor && error.isEmpty(); ++k) {
            for (const Dish &dish : std::as_const(dishes)) {
                const QString kind = dish.id.section(QLatin1Char('-'), 0, 0);
                const QString id = kind + QLatin1Char('-') + QString::number(1000 + next[kind]++);
                ins.addBindValue(id);
                ins.addBindValue(QString::number(k));
                ins.addBindValue(dish.rowid);
                if (!ins.exec())
                    fail(ins);
                comp.addBindValue(id);
                comp.addBindValue(dish.id);
                if (!comp.exec())
                    fail(comp);
            }
        }
        if (error.isEmpty())
            d.commit();
        else
            d.rollback();
        q.exec(QStringLiteral("VACUUM"));
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

// The week every planning benchmark works on: 7 days × 4 meal slots (the
// default meal pattern) × 5 entries, three dishes and two raw foods each.
constexpr int kSlotsPerDay = 4;
constexpr int kEntriesPerSlot = 5;
constexpr int kWeekEntries = plan::kWeekdayCount * kSlotsPerDay * kEntriesPerSlot;

} // namespace

class NqbBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void buildDatabaseFromSeed();
    void openDataModule();
    void searchFood_data();
    void searchFood();
    void fillFoodTree();
    void pickListByNutrient_data();
    void pickListByNutrient();
    void pinyinInitialsOfAllNames();
    void deriveRequirements();
    void addWeekOfEntries();
    void evaluateDay();
    void weekStatistics();
    void savePlanFile();
    void loadPlanFile();
    void workbenchShow();
    void workbenchRefreshAfterChange();
    void browserTreeClick();
    void browserSearch();
    void browserPageChange();
    void browserSort();
    void chooserSteps();
    void browserQueries();
    void workbenchSteps();
    void weekStatisticsWindow();
    void surveyResultWindow();
    void dishLibraryChoice();
    void coldStart();

private:
    bool fillCompositionTables();
    QString workDir() const { return m_work.filePath(QStringLiteral("work")); }
    bool fillWeek();
    void ensureWeek();

    QTemporaryDir m_work;
    QTemporaryDir m_program;
    QString m_template; // seed-built database, copied into the working folder
    std::unique_ptr<TDM> m_dm;
    QStringList m_dishes;
    QStringList m_foods;
};

void NqbBench::initTestCase()
{
    QVERIFY(m_work.isValid() && m_program.isValid());
    setProgramDir(m_program.path());
    m_template = m_work.filePath(QStringLiteral("template.dat"));
    QCOMPARE(createDatabaseFile(m_template), QString());
    if (g_scale > 1)
        QCOMPARE(scaleDatabase(m_template, g_scale), QString());
    g_replicaPath = m_work.filePath(QStringLiteral("replica.dat"));
    QVERIFY(QDir().mkpath(QDir(workDir()).filePath(QStringLiteral("Data"))));
    QVERIFY(QFile::copy(m_template, databasePathIn(workDir())));
    QFile(databasePathIn(workDir())).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    m_dm = std::make_unique<TDM>(workDir());
    QVERIFY2(m_dm->isOpen(), qPrintable(m_dm->openError()));

    // The requirement rows of an adult man, light activity, as a confirmed
    // profile leaves them for the evaluation.
    RequirementState state;
    QCOMPARE(computeRequirements(db(), RequirementProfile{}, state), QString());
    QCOMPARE(writeRequirementRows(db(), state.matrix), QString());

    m_dishes = column(QStringLiteral("SELECT FOODNAME FROM CateNutri_tb ORDER BY FOODID LIMIT 40"));
    m_foods = column(QStringLiteral("SELECT FoodName FROM Nutri_tb WHERE EDIBLE > 0 ORDER BY Code LIMIT 40 OFFSET 200"));
    QCOMPARE(m_dishes.size(), 40);
    QCOMPARE(m_foods.size(), 40);
    std::printf("Seed × %d: %d raw foods, %d dishes; database file %lld KiB\n", g_scale,
                count(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb")),
                count(QStringLiteral("SELECT COUNT(*) FROM CateNutri_tb")),
                QFileInfo(m_template).size() / 1024);
}

void NqbBench::cleanupTestCase()
{
    // NQB_BENCH_KEEP_DB=path keeps a copy of the database as the benchmarks
    // left it (scaled and with its composition pages filled), for looking at
    // its statements by hand.
    const QString keep = qEnvironmentVariable("NQB_BENCH_KEEP_DB");
    if (!keep.isEmpty() && m_dm) {
        QFile::remove(keep);
        QSqlQuery q(db());
        q.prepare(QStringLiteral("VACUUM INTO ?"));
        q.addBindValue(keep);
        if (!q.exec())
            std::printf("Could not keep the database: %s\n", qPrintable(q.lastError().text()));
    }
    m_dm.reset();
    setProgramDir(QString());
}

// ---------------------------------------------------------------- database

void NqbBench::buildDatabaseFromSeed()
{
    // What the first start (or a start without Data/nqbnorvik.dat) does.
    const QString path = m_work.filePath(QStringLiteral("built/nqbnorvik.dat"));
    QString err;
    QBENCHMARK {
        err = createDatabaseFile(path);
    }
    QCOMPARE(err, QString());
}

void NqbBench::openDataModule()
{
    // Opening checks the whole file (quick_check) and its schema version. The
    // module of the run is closed meanwhile: there is one connection.
    m_dm.reset();
    bool open = false;
    QBENCHMARK {
        TDM dm(workDir());
        open = dm.isOpen();
    }
    m_dm = std::make_unique<TDM>(workDir());
    QVERIFY(open);
    QVERIFY(m_dm->isOpen());
}

// ---------------------------------------------------------------- choosers

void NqbBench::searchFood_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("text");
    QTest::newRow("foods by name JI (chicken)") << QStringLiteral("Nutri_tb") << QStringLiteral("鸡");
    QTest::newRow("foods by initials JD") << QStringLiteral("Nutri_tb") << QStringLiteral("JD");
    QTest::newRow("foods by initials XHS") << QStringLiteral("Nutri_tb") << QStringLiteral("XHS");
    QTest::newRow("foods, no match") << QStringLiteral("Nutri_tb") << QStringLiteral("QQQQ");
    QTest::newRow("foods, empty text (all)") << QStringLiteral("Nutri_tb") << QString();
    QTest::newRow("dishes by initials JD") << QStringLiteral("CateNutri_tb") << QStringLiteral("JD");
}

void NqbBench::searchFood()
{
    // The search helper SearchFood (every column, through QSqlQuery): the
    // query and the walk over its rows. No window uses it any more; the
    // chooser's own search is "chooser query: search ..." below.
    QFETCH(QString, table);
    QFETCH(QString, text);
    int found = 0;
    bool ok = true;
    QBENCHMARK {
        QString err;
        ok = SearchFood(table, text, &err) && ok;
        QSqlQuery &q = DM()->AQSearchFood();
        found = 0;
        while (q.next())
            ++found;
    }
    measure(QStringLiteral("search helper (SearchFood): ") + QString::fromUtf8(QTest::currentDataTag()), [&](int) {
        SearchFood(table, text);
        QSqlQuery &q = DM()->AQSearchFood();
        while (q.next()) {
        }
    });
    QVERIFY(ok);
    if (text.isEmpty())
        QVERIFY(found > 1000 || table != QLatin1String("Nutri_tb"));
}

void NqbBench::fillFoodTree()
{
    QTreeWidget tree;
    bool ok = true;
    QBENCHMARK {
        QString err;
        ok = FillFoodTree(&tree, &err) && ok;
    }
    measure(QStringLiteral("fill the food tree"), [&](int) { FillFoodTree(&tree); });
    // Its query part: the groups and sub-groups, without the tree's items.
    measure(QStringLiteral("food tree query: groups and sub-groups"), [&](int) { FoodTreeNodes(); });
    QVERIFY(ok);
    QVERIFY(tree.topLevelItemCount() > 10);
}

void NqbBench::pickListByNutrient_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("nutrient");
    // An empty (not null) prefix lists every raw food.
    QTest::newRow("all foods by protein") << QStringLiteral("") << QStringLiteral("PROCNT");
    QTest::newRow("vegetables (04-) by vitamin C") << QStringLiteral("04-") << QStringLiteral("VITC");
    QTest::newRow("all foods by code") << QStringLiteral("") << QStringLiteral("none");
}

void NqbBench::pickListByNutrient()
{
    // A tree click (or search) followed by the pick list sorted by the chosen
    // nutrient: the identifiers go to StrGrid_tmp, the names come back richest
    // first and are laid out two per row.
    QFETCH(QString, prefix);
    QFETCH(QString, nutrient);
    QTableWidget list;
    bool ok = true;
    QBENCHMARK {
        QString err;
        ok = FillStrGridTmp(QStringLiteral("SELECT Code FROM Nutri_tb WHERE substr(Code, 1, ?) = ? ORDER BY rowid"),
                            {int(prefix.size()), prefix}, QStringLiteral("Code"), &err)
             && ok;
        const QString sql = PickListSortStatement(FoodKind::RawFood, nutrient, PickFallbackOrder::Identifier, &err);
        ok = !sql.isEmpty() && FillPickGrid(sql, {}, pickListNameField(FoodKind::RawFood), &list, &err) && ok;
    }
    measure(QStringLiteral("scratch-table pick list: ") + QString::fromUtf8(QTest::currentDataTag()), [&](int) {
        FillStrGridTmp(QStringLiteral("SELECT Code FROM Nutri_tb WHERE substr(Code, 1, ?) = ? ORDER BY rowid"),
                       {int(prefix.size()), prefix}, QStringLiteral("Code"));
        const QString sql = PickListSortStatement(FoodKind::RawFood, nutrient, PickFallbackOrder::Identifier);
        FillPickGrid(sql, {}, pickListNameField(FoodKind::RawFood), &list);
    });
    QVERIFY(ok);
    QVERIFY(list.rowCount() > 25);
}

void NqbBench::pinyinInitialsOfAllNames()
{
    // The initials of every name of the seed (what the database build fills in).
    const QStringList names = column(QStringLiteral("SELECT FoodName FROM Nutri_tb"))
                              + column(QStringLiteral("SELECT FOODNAME FROM CateNutri_tb"));
    QVERIFY(names.size() > 1900);
    qsizetype letters = 0;
    QBENCHMARK {
        letters = 0;
        for (const QString &n : names)
            letters += PinyinInitials(n).size();
    }
    QVERIFY(letters > names.size());
}

void NqbBench::deriveRequirements()
{
    // The profile window re-derives the whole matrix on every change.
    RequirementProfile p;
    p.sex = QStringLiteral("女");
    p.dietKind = QStringLiteral("低盐膳食");
    p.personalBasis = true;
    p.personalWeight = QStringLiteral("58");
    QString err;
    QBENCHMARK {
        RequirementState s;
        err = computeRequirements(db(), p, s);
    }
    QCOMPARE(err, QString());
}

// ---------------------------------------------------------------- the plan

bool NqbBench::fillWeek()
{
    // As the add dialog does for each entry: look the name up, then add it.
    const QList<plan::MealSlot> inUse = plan::slotsInUse(1);
    if (!plan::clearPlan().ok())
        return false;
    bool ok = true;
    for (int d = 0; d < plan::kWeekdayCount; ++d) {
        for (int s = 0; s < kSlotsPerDay; ++s) {
            for (int e = 0; e < kEntriesPerSlot; ++e) {
                const int i = (s * kEntriesPerSlot + e + d) % 40;
                const bool dish = e < 3;
                const plan::FoodRow food = plan::lookupFoodByName(
                    dish ? m_dishes[i] : m_foods[i], dish ? FoodKind::Dish : FoodKind::RawFood);
                const QString weight = QString::number(dish ? 150 + 10 * e : 50 + 25 * e);
                ok = plan::addEntry(food, plan::weekdayCode(d), inUse[s], weight).ok() && ok;
            }
        }
    }
    return ok;
}

void NqbBench::ensureWeek()
{
    if (count(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp")) != kWeekEntries)
        QVERIFY(fillWeek());
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp")), kWeekEntries);
}

void NqbBench::addWeekOfEntries()
{
    // 140 entries, each its own look-up and insert, after emptying the plan.
    bool ok = true;
    QBENCHMARK {
        ok = fillWeek();
    }
    measure(QStringLiteral("add a week of entries (140, each committed)"), [&](int) { fillWeek(); });
    QVERIFY(ok);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp")), kWeekEntries);
}

void NqbBench::evaluateDay()
{
    ensureWeek();
    eval::Evaluation e;
    QBENCHMARK {
        e = eval::evaluateDay(QStringLiteral("MON"), 1.0);
    }
    measure(QStringLiteral("evaluate one day"), [&](int) { e = eval::evaluateDay(QStringLiteral("MON"), 1.0); });
    QVERIFY2(e.ok(), qPrintable(e.error));
    QVERIFY(e.nutrients[kEnergyKcal].actual > 0);
}

void NqbBench::weekStatistics()
{
    ensureWeek();
    bool ok = true;
    weekstats::Selection sel;
    QBENCHMARK {
        QString err;
        ok = weekstats::recompute(&err) && ok;
        sel = weekstats::showSelection(QString::fromLatin1(plan::kAllWeekCode), 700);
    }
    measure(QStringLiteral("week statistics: sums and selection"), [&](int) {
        weekstats::recompute();
        sel = weekstats::showSelection(QString::fromLatin1(plan::kAllWeekCode), 700);
    });
    QVERIFY(ok);
    QVERIFY2(sel.ok(), qPrintable(sel.error));
}

void NqbBench::savePlanFile()
{
    ensureWeek();
    const QString path = m_work.filePath(QStringLiteral("week.pan"));
    plan::PlanResult r;
    QBENCHMARK {
        r = planfile::savePlan(path);
    }
    const QByteArray bytes = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const QByteArray rawPath = QFile::encodeName(m_work.filePath(QStringLiteral("week-raw.pan")));
    measure(
        QStringLiteral("save a plan file (140 entries)"), [&](int) { r = planfile::savePlan(path); }, {},
        [&] { writeDurably(rawPath, bytes); });
    QVERIFY2(r.ok(), qPrintable(r.message));
    static bool told = false; // the function may run several times
    if (!std::exchange(told, true))
        std::printf("Plan file of %d entries: %lld KiB\n", kWeekEntries, QFileInfo(path).size() / 1024);
}

void NqbBench::loadPlanFile()
{
    ensureWeek();
    const QString path = m_work.filePath(QStringLiteral("week.pan"));
    if (!QFileInfo::exists(path))
        QVERIFY(planfile::savePlan(path).ok());
    plan::PlanResult r;
    QBENCHMARK {
        r = planfile::loadPlan(path, 1);
    }
    const QByteArray rawPath = QFile::encodeName(path);
    measure(
        QStringLiteral("load a plan file (140 entries)"), [&](int) { r = planfile::loadPlan(path, 1); }, {},
        [&] { readWhole(rawPath); });
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp")), kWeekEntries);
}

// ---------------------------------------------------------------- the workbench

void NqbBench::workbenchShow()
{
    // What happens when the workbench appears: both trees, the first weekday,
    // the meal pattern, the day's grids, the evaluation and the chart.
    ensureWeek();
    nqb::RunState state;
    TAnalyze bench(state);
    bench.resize(1000, 640);
    QBENCHMARK {
        bench.ShowSteps();
    }
    measure(QStringLiteral("workbench show steps"), [&](int) { bench.ShowSteps(); });
    QVERIFY(bench.totalGrid()->model()->rowCount() > 0);
}

void NqbBench::workbenchRefreshAfterChange()
{
    // After every add, weight change or delete: the day's grids, the
    // evaluation, the markers and the chart of a day of 20 entries.
    ensureWeek();
    nqb::RunState state;
    TAnalyze bench(state);
    bench.resize(1000, 640);
    bench.checkWeekday(1);
    QBENCHMARK {
        bench.RefreshPlan();
    }
    measure(QStringLiteral("workbench refresh after a change"), [&](int) { bench.RefreshPlan(); });
    QCOMPARE(bench.totalGrid()->model()->rowCount(), kSlotsPerDay * kEntriesPerSlot);
}

// ---------------------------------------------------------------- the browser

bool NqbBench::fillCompositionTables()
{
    // The seed ships the amino acid, fatty acid, other and isoflavone tables
    // empty; a row for every raw food shows their pages at the full size they
    // reach once the data is entered.
    if (count(QStringLiteral("SELECT COUNT(*) FROM Amino_tb")) > 0)
        return true;
    QSqlQuery q(db());
    bool ok = db().transaction();
    for (const char *sql : {
             "INSERT INTO Amino_tb (CODE, FoodName, PYJM, BCAA_ILE, BCAA_LEU, BCAA_VAL, AAS, LYS, THR, TRP, TMP) "
             "SELECT Code, FoodName, PYJM, PROCNT*40, PROCNT*70, PROCNT*50, PROCNT*30, PROCNT*60, PROCNT*35, "
             "PROCNT*12, 0 FROM Nutri_tb",
             "INSERT INTO Fatty_tb (CODE, FoodName, PYJM, FattyAcid_Total, FattyAcid_SFA, SFA_FA_Total, "
             "SFA_FA_16_0, MUFA_FA_Totol, PUFA_FA_Total, PUFA_FA_18_2, UnKnow) "
             "SELECT Code, FoodName, PYJM, FAT*0.9, FAT*0.3, 33, 20, 40, 25, 20, 2 FROM Nutri_tb",
             "INSERT INTO OtherContent_tb (CODE, FoodName, PYJM, CHOLN, BIOT) "
             "SELECT Code, FoodName, PYJM, PROCNT*3, PROCNT FROM Nutri_tb",
             "INSERT INTO Isoflavone_tb (CODE, FoodName, PYJM, Isoflavone_Total) "
             "SELECT Code, FoodName, PYJM, FAT FROM Nutri_tb"})
        ok = ok && q.exec(QString::fromLatin1(sql));
    if (ok && db().commit())
        return true;
    db().rollback();
    return false;
}

void NqbBench::browserTreeClick()
{
    // A click on the largest food group (its foods on the nutrient page),
    // painted.
    QVERIFY(fillCompositionTables());
    TSHFood w;
    w.resize(1000, 640);
    w.show();
    auto *tree = w.findChild<QTreeWidget *>(QStringLiteral("Food_tre"));
    QTreeWidgetItem *largest = nullptr;
    int most = -1;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QString prefix = CodePrefix(tree->topLevelItem(i)->text(0));
        const int n = int(FoodGroupCodes(prefix).size());
        if (n > most) {
            most = n;
            largest = tree->topLevelItem(i);
        }
    }
    QVERIFY(largest);
    tree->setCurrentItem(largest);
    QBENCHMARK {
        w.Food_treClick();
        QCoreApplication::processEvents();
    }
    measure(QStringLiteral("browser: tree click on the largest group, painted"), [&](int) {
        w.Food_treClick();
        painted();
    });
    QCOMPARE(w.grid(browser::Page::Nutrient)->rowCount(), most);
    std::printf("Largest food group: %d foods\n", most);
}

void NqbBench::browserSearch()
{
    QVERIFY(fillCompositionTables());
    TSHFood w;
    w.resize(1000, 640);
    w.show();
    auto *edit = w.findChild<QLineEdit *>(QStringLiteral("SearchName_edt"));
    edit->setText(QStringLiteral("米"));
    QBENCHMARK {
        w.Search_btnClick();
        QCoreApplication::processEvents();
    }
    measure(QStringLiteral("browser: search 米, painted"), [&](int) {
        w.Search_btnClick();
        painted();
    });
    QVERIFY(w.grid(browser::Page::Nutrient)->rowCount() > 0);
}

void NqbBench::browserPageChange()
{
    // All raw foods listed; each round changes the page once, between the
    // nutrient page (43 columns) and the amino acid page.
    QVERIFY(fillCompositionTables());
    TSHFood w;
    w.resize(1000, 640);
    w.show();
    w.setFilter(browser::prefixFilter(QString()));
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
    tabs->setCurrentIndex(int(browser::Page::Nutrient));
    painted();
    int round = 0;
    QBENCHMARK {
        tabs->setCurrentIndex(round++ % 2 == 0 ? int(browser::Page::Amino) : int(browser::Page::Nutrient));
        QCoreApplication::processEvents();
    }
    tabs->setCurrentIndex(int(browser::Page::Nutrient));
    painted();
    measure(QStringLiteral("browser: page change, all foods listed, painted"), [&](int p) {
        tabs->setCurrentIndex(p == 0 ? int(browser::Page::Amino) : int(browser::Page::Nutrient));
        painted();
    });
    QCOMPARE(w.grid(w.currentPage())->rowCount(), count(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb")));
}

void NqbBench::browserSort()
{
    // A title click on the protein column with all raw foods listed (each
    // round reverses the order).
    QVERIFY(fillCompositionTables());
    TSHFood w;
    w.resize(1000, 640);
    w.show();
    w.setFilter(browser::prefixFilter(QString()));
    DataGrid *g = w.grid(browser::Page::Nutrient);
    const int protein = g->column(QStringLiteral("PROCNT"));
    QBENCHMARK {
        g->clickTitle(protein);
        QCoreApplication::processEvents();
    }
    measure(QStringLiteral("browser: title click sort, all foods listed, painted"), [&](int) {
        g->clickTitle(protein);
        painted();
    });
    QCOMPARE(g->rowCount(), count(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb")));
}

// ---------------------------------------------------------------- interactive steps, program beside raw

namespace {

// The top-level node of a food tree with the most foods, and their number.
QTreeWidgetItem *largestGroup(QTreeWidget *tree, int *foods)
{
    QTreeWidgetItem *largest = nullptr;
    int most = -1;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const int n = int(FoodGroupCodes(CodePrefix(tree->topLevelItem(i)->text(0))).size());
        if (n > most) {
            most = n;
            largest = tree->topLevelItem(i);
        }
    }
    if (foods)
        *foods = most;
    return largest;
}

int elementIndex(QComboBox *combo, const QString &column)
{
    for (int i = 0; i < combo->count(); ++i) {
        if (ElementColumnFor(combo->itemText(i)) == column)
            return i;
    }
    return -1;
}

} // namespace

void NqbBench::chooserSteps()
{
    // The workbench's food chooser: search, tree click, nutrient re-sort,
    // each with the pick list painted.
    ensureWeek();
    nqb::RunState state;
    TAnalyze bench(state);
    bench.resize(1000, 640);
    bench.show();
    painted();
    TFoodChooser *c = bench.chooser();
    c->pageControl()->setCurrentWidget(c->picker()->foodPage());
    QCOMPARE(c->currentTable(), FoodKind::RawFood);
    const struct {
        const char *step;
        const char *text;
    } searches[] = {{"chooser: search by initials JD, painted", "JD"},
                    {"chooser: search by name 鸡, painted", "鸡"},
                    {"chooser: search with an empty text (all foods), painted", ""}};
    for (const auto &sc : searches) {
        c->searchBox()->setText(QString::fromUtf8(sc.text));
        measure(QString::fromUtf8(sc.step), [&](int) {
            c->runSearch();
            painted();
        });
    }
    // All raw foods listed: re-sort by protein, then by vitamin C.
    QComboBox *combo = c->elementCombo();
    const int protein = elementIndex(combo, QStringLiteral("PROCNT"));
    const int vitc = elementIndex(combo, QStringLiteral("VITC"));
    QVERIFY(protein >= 0 && vitc >= 0);
    measure(QStringLiteral("chooser: nutrient re-sort of all foods, painted"), [&](int p) {
        combo->setCurrentIndex(p == 0 ? protein : vitc);
        painted();
    });
    int foods = 0;
    QTreeWidgetItem *largest = largestGroup(c->foodTree(), &foods);
    QVERIFY(largest);
    c->foodTree()->setCurrentItem(largest);
    measure(QStringLiteral("chooser: tree click on the largest group, sorted by nutrient, painted"), [&](int) {
        c->foodTreeClicked();
        painted();
    });
    QCOMPARE(c->pickList()->names().size(), foods);

    // The query part of the same steps: identifiers and names in order, no widgets.
    const QString prefix = CodePrefix(largest->text(0));
    measure(QStringLiteral("chooser query: search JD, names by protein"), [&](int) {
        SearchListing(FoodKind::RawFood, QStringLiteral("JD"), QStringLiteral("PROCNT"));
    });
    measure(QStringLiteral("chooser query: all foods, names by protein"), [&](int) {
        SearchListing(FoodKind::RawFood, QString(), QStringLiteral("PROCNT"));
    });
    measure(QStringLiteral("chooser query: largest group, names by protein"), [&](int) {
        GroupListing(prefix, QStringLiteral("PROCNT"));
    });
    measure(QStringLiteral("chooser query: search dishes JD, names by protein"), [&](int) {
        SearchListing(FoodKind::Dish, QStringLiteral("JD"), QStringLiteral("PROCNT"));
    });
    measure(QStringLiteral("chooser query: re-sort of a listed search, names by protein"), [&](int) {
        PickListNames(FoodKind::RawFood, SearchIds(FoodKind::RawFood, QStringLiteral("JD")), QStringLiteral("PROCNT"));
    });
}

void NqbBench::browserQueries()
{
    // The query part of the browser's steps: the rows of a filter and of a
    // sort, as many as a screen shows (30 rows, every column).
    QVERIFY(fillCompositionTables());
    browser::CompositionRows rows;
    auto screen = [&] {
        for (int r = 0; r < std::min(30, rows.rowCount()); ++r)
            for (int col = 0; col < rows.columnCount(); ++col)
                rows.index(r, col).data();
    };
    const browser::Statement all = browser::pageStatement(browser::Page::Nutrient, browser::prefixFilter(QString()));
    measure(QStringLiteral("browser query: all foods, one screen"), [&](int) {
        rows.load(all);
        screen();
    });
    browser::Filter rice;
    QVERIFY(browser::searchFilter(QStringLiteral("米"), &rice));
    measure(QStringLiteral("browser query: search 米, one screen"), [&](int) {
        rows.load(browser::pageStatement(browser::Page::Nutrient, rice));
        screen();
    });
    rows.load(all);
    int protein = -1;
    for (int col = 0; col < rows.columnCount(); ++col) {
        if (rows.headerData(col, Qt::Horizontal).toString() == QLatin1String("PROCNT"))
            protein = col;
    }
    QVERIFY(protein >= 0);
    measure(QStringLiteral("browser query: sort all foods by protein, one screen"), [&](int p) {
        rows.sort(protein, p == 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
        screen();
    });
    QCOMPARE(rows.rowCount(), count(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb")));
}

void NqbBench::workbenchSteps()
{
    // Add, change and delete an entry of the shown weekday, each with the
    // refresh of the day's grids, the evaluation and the chart; the daily
    // percentage; the show steps.
    ensureWeek();
    nqb::RunState state;
    TAnalyze bench(state);
    bench.resize(1000, 640);
    bench.show();
    painted();
    bench.checkWeekday(1);
    painted();
    const QString week = bench.currentWeekday();
    const plan::MealSlot slot = plan::slotsInUse(1).first();
    const QString slotName = plan::slotName(slot);
    const plan::FoodRow extra = plan::lookupFoodByName(m_foods.last(), FoodKind::RawFood);
    QVERIFY(extra.found());
    const QStringList existing =
        column(QStringLiteral("SELECT FOODNAME FROM NQBNutri_tmp WHERE WEEK='%1' ORDER BY rowid LIMIT 1").arg(week));
    QVERIFY(!existing.isEmpty());
    const QString existingSlot = column(QStringLiteral("SELECT DINERTIME FROM NQBNutri_tmp WHERE WEEK='%1' "
                                                       "ORDER BY rowid LIMIT 1")
                                            .arg(week))
                                     .value(0);
    auto removeExtra = [&] { plan::deleteEntry(extra.code, week, slotName); };
    auto addExtra = [&] {
        if (count(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp WHERE CODE='%1' AND WEEK='%2'")
                      .arg(extra.code, week))
            == 0)
            plan::addEntry(extra, week, slot, QStringLiteral("100"));
    };
    measure(QStringLiteral("workbench: add an entry, refreshed and painted"), [&](int) {
        plan::addEntry(extra, week, slot, QStringLiteral("100"));
        bench.RefreshPlan();
        painted();
    }, removeExtra);
    measure(QStringLiteral("workbench: change a weight, refreshed and painted"), [&](int p) {
        plan::changeWeight(existing.first(), week, existingSlot, p == 0 ? QStringLiteral("120") : QStringLiteral("150"));
        bench.RefreshPlan();
        painted();
    });
    measure(QStringLiteral("workbench: delete an entry, refreshed and painted"), [&](int) {
        plan::deleteEntry(extra.code, week, slotName);
        bench.RefreshPlan();
        painted();
    }, addExtra);
    removeExtra();
    measure(QStringLiteral("workbench: daily percentage change, painted"), [&](int p) {
        bench.percentEdit()->setValue(p == 0 ? 90 : 100);
        painted();
    });
    measure(QStringLiteral("workbench: show steps, painted"), [&](int) {
        bench.ShowSteps();
        painted();
    });
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp")), kWeekEntries);
}

void NqbBench::weekStatisticsWindow()
{
    ensureWeek();
    TWeekStat w(bench::defaultPercentages());
    w.resize(900, 600);
    w.show();
    painted();
    measure(QStringLiteral("week statistics window: recompute and show the week, painted"), [&](int) {
        w.Recompute();
        painted();
    });
    QVERIFY(w.selection().ok());
}

void NqbBench::surveyResultWindow()
{
    // The week's 140 entries as a survey list.
    ensureWeek();
    TResult w;
    w.resize(900, 600);
    w.show();
    painted();
    measure(QStringLiteral("survey result window: evaluate the list, painted"), [&](int) {
        w.Evaluate();
        painted();
    });
    QVERIFY(w.result().ok());
}

void NqbBench::dishLibraryChoice()
{
    TCookBook w;
    w.resize(900, 600);
    w.show();
    painted();
    measure(QStringLiteral("dish library: choose a dish, painted"), [&](int p) {
        w.chooseDish(m_dishes.at(p));
        painted();
    });
    QVERIFY(w.grid()->rowCount() > 0);
}

void NqbBench::coldStart()
{
    // A new process of the program's start-up (main window, data module,
    // start-up windows) on an existing database, until the main window is
    // painted; then it ends without tearing down.
    const QString dir = m_work.filePath(QStringLiteral("cold"));
    QVERIFY(QDir().mkpath(QDir(dir).filePath(QStringLiteral("Data"))));
    const QString path = databasePathIn(dir);
    for (const QString &f : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
        QFile::remove(f);
    {
        QSqlQuery q(db());
        q.prepare(QStringLiteral("VACUUM INTO ?"));
        q.addBindValue(path);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    QList<double> prog, raw;
    for (int r = 0; r < 5; ++r) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--cold-start"), dir, m_program.path()});
        QVERIFY(p.waitForFinished(30000));
        prog << elapsedMs(t);
        QCOMPARE(p.exitCode(), 0);
        // What the start-up asks of SQLite: open the file and check it.
        t.restart();
        sqlite3 *h = nullptr;
        QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(h, "PRAGMA quick_check", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            sqlite3_column_text(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(h);
        raw << elapsedMs(t);
    }
    g_ratios.append({QStringLiteral("cold start to the main window shown"), median(prog), median(raw)});
}

namespace {

// The child of coldStart(): the program's start-up, ended once the main window is painted.
int coldStartChild(int argc, char *argv[], const QString &dir, const QString &programDir)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("nqb"));
    auto session = startApplication(dir, programDir);
    QElapsedTimer t;
    t.start();
    while (!(session->main && session->main->windowHandle() && session->main->windowHandle()->isExposed())
           && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    std::fflush(stdout);
    std::_Exit(session->dm && session->dm->isOpen() ? 0 : 1);
}

} // namespace

int main(int argc, char *argv[])
{
    // Options of the benchmark itself; the rest goes to QtTest.
    QList<char *> rest;
    for (int i = 0; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a == "--cold-start" && i + 2 < argc)
            return coldStartChild(1, argv, QString::fromLocal8Bit(argv[i + 1]), QString::fromLocal8Bit(argv[i + 2]));
        if (a == "--scale" && i + 1 < argc) {
            g_scale = std::max(1, std::atoi(argv[++i]));
            continue;
        }
        rest << argv[i];
    }
    int n = int(rest.size());
    QApplication app(n, rest.data());
    NqbBench bench;
    const int rc = QTest::qExec(&bench, n, rest.data());
    for (const RatioLine &l : std::as_const(g_ratios)) {
        std::printf("RATIO\t%s\t%.3f\t%.3f\t%.2f\n", qPrintable(l.step), l.program, l.raw,
                    l.raw > 0 ? l.program / l.raw : 0.0);
    }
    std::printf("PEAK_KB\t%lld\n", peakKb());
    return rc;
}

#include "nqb_bench.moc"
