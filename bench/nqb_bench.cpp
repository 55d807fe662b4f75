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
#include "planning/AnalyzeUnit.h"
#include "planning/Evaluation.h"
#include "planning/MealPlan.h"
#include "planning/PlanFile.h"
#include "planning/WeekStats.h"
#include "widgets/DataGrid.h"
#include "widgets/PickList.h"
#include "widgets/Pickers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <utility>

using namespace nqb;

namespace {

// Peak resident set size of this process ("VmHWM" of /proc/self/status), or
// an empty text where the file does not exist.
QString peakMemory()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return QString::fromLatin1(line.mid(6).simplified());
    }
    return {};
}

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
    std::printf("Seed: %d raw foods, %d dishes; database file %lld KiB\n",
                count(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb")),
                count(QStringLiteral("SELECT COUNT(*) FROM CateNutri_tb")),
                QFileInfo(m_template).size() / 1024);
}

void NqbBench::cleanupTestCase()
{
    m_dm.reset();
    setProgramDir(QString());
    const QString peak = peakMemory();
    std::printf("Peak memory (VmHWM): %s\n", peak.isEmpty() ? "not available" : qPrintable(peak));
    std::fflush(stdout);
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
    // The search box: the query and the walk over its rows, which the chooser
    // copies into the pick list.
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
    PickList list;
    bool ok = true;
    QBENCHMARK {
        QString err;
        ok = FillStrGridTmp(QStringLiteral("SELECT Code FROM Nutri_tb WHERE substr(Code, 1, ?) = ? ORDER BY rowid"),
                            {int(prefix.size()), prefix}, QStringLiteral("Code"), &err)
             && ok;
        const QString sql = PickListSortStatement(FoodKind::RawFood, nutrient, PickFallbackOrder::Identifier, &err);
        ok = !sql.isEmpty() && FillPickGrid(sql, {}, pickListNameField(FoodKind::RawFood), &list, &err) && ok;
    }
    QVERIFY(ok);
    QVERIFY(list.names().size() > 50);
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
    int round = 0;
    QBENCHMARK {
        tabs->setCurrentIndex(round++ % 2 == 0 ? int(browser::Page::Amino) : int(browser::Page::Nutrient));
        QCoreApplication::processEvents();
    }
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
    QCOMPARE(g->rowCount(), count(QStringLiteral("SELECT COUNT(*) FROM Nutri_tb")));
}

QTEST_MAIN(NqbBench)
#include "nqb_bench.moc"
