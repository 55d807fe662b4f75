// Writes cut off by a kill at a random moment. A worker process repeats one
// write of the program (plan save with settings, profile and profile copy,
// dish save, dish and composition import, plan load, backup) and is killed with
// SIGKILL at a random moment of it; the next worker starts the way the
// program starts (leftovers put right, data module opened) and first checks:
// - PRAGMA integrity_check is "ok";
// - the rows the write touches are all of one version (the old or the new);
// - every file the write replaces is complete and of one version, and a plan
//   file never has an older profile copy than itself.
// Each kind runs in the journal mode the program opens its database with and
// in the other of rollback journal and WAL (synchronous=NORMAL).
//
// The processes are forked from this one, which never creates a Qt
// application or a thread: each child makes its own. Usage:
//   test_kill_safe [kills per kind in the journal mode the program uses,
//                   default 200; a quarter as many in the other] [kind ...]
#include "data/Backup.h"
#include "data/DataModule.h"
#include "data/Db.h"
#include "data/FileRecovery.h"
#include "data/IniFile.h"
#include "data/Paths.h"
#include "data/Settings.h"
#include "foods/CompositionImport.h"
#include "foods/DishTransfer.h"
#include "foods/Dishes.h"
#include "planning/MealPlan.h"
#include "planning/PlanFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace nqb;

namespace {

// ------------------------------------------------------------------ the run

enum class Kind { PlanSave, DishSave, DishImport, CompositionImport, PlanLoad, Backup, Settings };

struct KindInfo {
    Kind kind;
    const char *name;
};
// A plan save writes system.dll first (so settings are among its files) and
// an import is a dish import followed by a composition import: a kill lands
// in either.
const KindInfo kKinds[] = {
    {Kind::PlanSave, "plan-save"}, {Kind::DishSave, "dish-save"}, {Kind::DishImport, "import"},
    {Kind::PlanLoad, "plan-load"}, {Kind::Backup, "backup"},
};


// What a child process works on: folders and the journal mode.
struct Setup {
    Kind kind = Kind::PlanSave;
    QString work;    // working folder (Data/ holds the database)
    QString program; // program folder (INI files, BackUP/)
    bool wal = false;
    qint64 base = 0; // first version number a worker writes
};

// The same folders for another kind of write.
Setup as(const Setup &s, Kind kind)
{
    Setup other = s;
    other.kind = kind;
    return other;
}

QString planPath(const Setup &s) { return s.work + QStringLiteral("/plans/week.pan"); }
QString planAPath(const Setup &s) { return s.work + QStringLiteral("/plans/a.pan"); }
QString planBPath(const Setup &s) { return s.work + QStringLiteral("/plans/b.pan"); }
QString backupPath(const Setup &s) { return s.program + QStringLiteral("/BackUP/kill.bak"); }

const char *const kDishName = "断电试验菜";
const char *const kImportCategory = "断电导入";
const int kImportDishes = 4;
const int kPlanRows = 12;
const int kBackupFoods = 10;

// ------------------------------------------------------------------ in a child


[[noreturn]] void childFail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::fflush(stderr);
    _exit(2);
}

QSqlQuery query()
{
    return QSqlQuery(nqb::db());
}

QList<QVariantList> rows(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q = query();
    const Result r = sql::exec(q, sql, binds);
    if (!r)
        childFail(r.message + QStringLiteral(" [") + sql + QLatin1Char(']'));
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        out << row;
    }
    return out;
}

void run(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q = query();
    const Result r = sql::exec(q, sql, binds);
    if (!r)
        childFail(r.message + QStringLiteral(" [") + sql + QLatin1Char(']'));
}

void must(const Result &r, const char *what)
{
    if (!r.ok())
        childFail(QString::fromLatin1(what) + QStringLiteral(": ") + r.message);
}

QStringList firstFoodCodes(int n)
{
    QStringList out;
    for (const QVariantList &r : rows(QStringLiteral("SELECT Code FROM Nutri_tb ORDER BY Code LIMIT ?"), {n}))
        out << r[0].toString();
    return out;
}

// The program's start, as far as the data is concerned, with the journal mode of the run.
std::unique_ptr<TDM> openData(const Setup &s, Recovery *recovery = nullptr)
{
    setProgramDir(s.program);
    const Recovery r = recoverProgramFiles(s.work);
    if (recovery)
        *recovery = r;
    auto dm = std::make_unique<TDM>(s.work);
    if (!dm->openError().isEmpty())
        childFail(QStringLiteral("database does not open: ") + dm->openError());
    QSqlQuery q = query();
    if (!q.exec(s.wal ? QStringLiteral("PRAGMA journal_mode=WAL") : QStringLiteral("PRAGMA journal_mode=DELETE"))
        || !q.next())
        childFail(QStringLiteral("journal mode: ") + q.lastError().text());
    const QString mode = q.value(0).toString().toLower();
    if (mode != (s.wal ? QLatin1String("wal") : QLatin1String("delete")))
        childFail(QStringLiteral("journal mode is ") + mode);
    if (s.wal)
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    return dm;
}

// One write of the kind, writing version v.
void writeOnce(const Setup &s, qint64 v)
{
    switch (s.kind) {
    case Kind::PlanSave: {
        writeOnce(as(s, Kind::Settings), v);
        {
            sql::WriteScope scope;
            must(scope.status(), "scope");
            run(QStringLiteral("UPDATE NQBNutri_tmp SET WATER = ?"), {double(v)});
            must(scope.commit(), "commit");
        }
        std::array<int, 7> p{};
        p.fill(int(v));
        must(planfile::writeQuotiety(planfile::profileFilePath(true), p), "quotiety");
        must(planfile::savePlanWithProfile(planPath(s), true), "plan save");
        break;
    }
    case Kind::DishSave: {
        dish::DishInfo info;
        bool found = false;
        must(dish::findDish(QString::fromUtf8(kDishName), info, found), "find dish");
        if (!found)
            childFail(QStringLiteral("the dish is gone"));
        const qint64 w = v % 997 + 1;
        must(dish::changeIngredientWeight(QStringLiteral("断电原料甲"), QString::number(w)), "weight");
        must(dish::changeIngredientWeight(QStringLiteral("断电原料乙"), QString::number(w + 1)), "weight");
        dish::SaveRequest r;
        r.adding = false;
        r.originalId = info.foodId;
        r.name = QString::fromUtf8(kDishName);
        r.pyjm = QStringLiteral("DDSYC");
        r.edible = QStringLiteral("100");
        r.kindText = QStringLiteral("93-断电菜");
        r.describe = QStringLiteral("v%1").arg(v);
        must(dish::saveDish(r).result, "dish save");
        break;
    }
    case Kind::DishImport: {
        const QStringList codes = firstFoodCodes(2);
        transfer::Library lib;
        lib.categories << transfer::Category{QStringLiteral("94"), QString::fromUtf8(kImportCategory)};
        for (int k = 0; k < kImportDishes; ++k) {
            transfer::Dish d;
            d.foodId = QStringLiteral("94-%1").arg(k + 1, 3, 10, QLatin1Char('0'));
            d.name = QStringLiteral("导入%1-%2").arg(v).arg(k);
            d.pyjm = QStringLiteral("DR");
            d.category = QString::fromUtf8(kImportCategory);
            d.edible = 100;
            d.describe = QStringLiteral("v%1").arg(v);
            d.values[0] = double(v % 1000);
            d.ingredients << transfer::Ingredient{codes[0], QString(), 100} << transfer::Ingredient{codes[1], QString(), 50};
            lib.dishes << d;
        }
        // Through the file, as the import window does.
        const QString file = s.work + QStringLiteral("/import.json");
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(transfer::serialize(lib)) < 0)
            childFail(QStringLiteral("cannot write the import file"));
        f.close();
        transfer::Library read;
        must(transfer::readFile(file, read), "read import file");
        transfer::ImportPlan plan;
        must(transfer::planImport(read, plan), "plan import");
        must(transfer::applyImport(plan), "apply import");
        writeOnce(as(s, Kind::CompositionImport), v);
        break;
    }
    case Kind::CompositionImport: {
        // The same value into three tables' columns of ten foods.
        QByteArray csv("CODE,WATER,PROCNT,Amino_tb.BCAA_ILE\n");
        const QByteArray value = QByteArray::number(double(v % 90) + 0.5);
        for (const QString &code : firstFoodCodes(kBackupFoods))
            csv += code.toUtf8() + ',' + value + ',' + value + ',' + value + '\n';
        import::Preview preview;
        must(import::previewCsv(csv, QString(), &preview), "preview");
        if (preview.hasChanges())
            must(import::apply(preview), "apply");
        break;
    }
    case Kind::PlanLoad:
        must(planfile::loadPlan(v % 2 ? planBPath(s) : planAPath(s), 1), "plan load");
        break;
    case Kind::Backup: {
        {
            sql::WriteScope scope;
            must(scope.status(), "scope");
            const QStringList codes = firstFoodCodes(kBackupFoods);
            for (const QString &code : codes)
                run(QStringLiteral("UPDATE Nutri_tb SET WATER = ? WHERE Code = ?"), {double(v), code});
            must(scope.commit(), "commit");
        }
        const backup::Result r = backup::writeBackup(nqb::db(), backupPath(s));
        if (!r.ok)
            childFail(QStringLiteral("backup: ") + r.message);
        break;
    }
    case Kind::Settings: {
        const QString e = writeSettingsValues({{QStringLiteral("CmpInfo"), QStringLiteral("单位%1").arg(v)},
                                               {QStringLiteral("Tel"), QStringLiteral("电话%1").arg(v)},
                                               {QStringLiteral("IsThreeTwo"), int(v % 3 + 1)}});
        if (!e.isEmpty())
            childFail(e);
        break;
    }
    }
}

// What a worker needs before its first write: the rows and the files of version 0.
void prepare(const Setup &s)
{
    QDir().mkpath(s.work + QStringLiteral("/plans"));
    switch (s.kind) {
    case Kind::PlanSave:
    case Kind::PlanLoad: {
        const QStringList codes = firstFoodCodes(40);
        auto fill = [&](int n, int offset) {
            run(QStringLiteral("DELETE FROM NQBNutri_tmp"));
            for (int i = 0; i < n; ++i) {
                const plan::MealSlot slot = i % 3 == 0   ? plan::MealSlot::Breakfast
                                          : i % 3 == 1 ? plan::MealSlot::Lunch
                                                       : plan::MealSlot::Supper;
                must(plan::addEntryByCode(codes[offset + i], plan::weekdayCode(i % 7), slot, QString::number(50 + i)),
                     "entry");
            }
        };
        if (s.kind == Kind::PlanLoad) {
            fill(kPlanRows, 0);
            must(planfile::savePlan(planAPath(s)), "save a");
            fill(kPlanRows + 7, 10);
            must(planfile::savePlan(planBPath(s)), "save b");
            must(planfile::loadPlan(planAPath(s), 1), "load a");
        } else {
            fill(kPlanRows, 0);
            writeOnce(s, 0);
        }
        break;
    }
    case Kind::DishSave: {
        run(QStringLiteral("INSERT INTO CateKind_tb (KINDID, KINDNAME) VALUES ('93', '断电菜')"));
        const QStringList codes = firstFoodCodes(1);
        run(QStringLiteral("INSERT INTO Nutri_tb (Code, FOODNAME, EDIBLE, PROCNT) VALUES ('93-0-001', '断电原料甲', 100, 10)"));
        run(QStringLiteral("INSERT INTO Nutri_tb (Code, FOODNAME, EDIBLE, PROCNT) VALUES ('93-0-002', '断电原料乙', 80, 20)"));
        must(dish::clearWorkTable(), "clear");
        must(dish::addIngredient(QStringLiteral("断电原料甲"), QStringLiteral("1")), "add");
        must(dish::addIngredient(QStringLiteral("断电原料乙"), QStringLiteral("2")), "add");
        dish::SaveRequest r;
        r.adding = true;
        r.name = QString::fromUtf8(kDishName);
        r.pyjm = QStringLiteral("DDSYC");
        r.edible = QStringLiteral("100");
        r.kindText = QStringLiteral("93-断电菜");
        r.describe = QStringLiteral("v0");
        must(dish::saveDish(r).result, "first dish save");
        writeOnce(s, 0);
        break;
    }
    case Kind::DishImport:
    case Kind::CompositionImport:
    case Kind::Backup:
    case Kind::Settings:
        writeOnce(s, 0);
        break;
    }
}

// ------------------------------------------------------------------ checks (in a child)

QString problems; // what the checker found

void wrong(const QString &what)
{
    if (!problems.isEmpty())
        problems += QStringLiteral("; ");
    problems += what;
}

// The single value of column over the rows of sql, or nothing (reported) when they differ.
std::optional<double> oneValue(const QString &what, const QString &sql, int expectedRows,
                               const QVariantList &binds = {})
{
    const auto r = rows(sql, binds);
    if (r.size() != expectedRows) {
        wrong(QStringLiteral("%1: %2 rows, expected %3").arg(what).arg(r.size()).arg(expectedRows));
        return std::nullopt;
    }
    QSet<double> values;
    for (const auto &row : r)
        values.insert(row[0].toDouble());
    if (values.size() != 1) {
        wrong(QStringLiteral("%1: rows of %2 different versions").arg(what).arg(values.size()));
        return std::nullopt;
    }
    return *values.begin();
}

// Quotiety of an INI file: all seven keys the same number.
std::optional<qint64> quotietyVersion(const QString &what, const QString &path)
{
    if (!QFileInfo::exists(path)) {
        wrong(what + QStringLiteral(" is missing"));
        return std::nullopt;
    }
    if (const QString p = ini::fileProblem(path); !p.isEmpty()) {
        wrong(what + QStringLiteral(" damaged: ") + p);
        return std::nullopt;
    }
    QSettings ini(path, QSettings::IniFormat);
    QSet<qint64> values;
    for (int i = 0; i < 7; ++i) {
        bool ok = false;
        values.insert(ini.value(QStringLiteral("Quotiety/%1").arg(i)).toString().toLongLong(&ok));
        if (!ok) {
            wrong(what + QStringLiteral(" lacks Quotiety/%1").arg(i));
            return std::nullopt;
        }
    }
    if (values.size() != 1) {
        wrong(what + QStringLiteral(" holds a mix of versions"));
        return std::nullopt;
    }
    return *values.begin();
}

QString tableDump()
{
    QStringList lines;
    for (const auto &r : rows(QStringLiteral("SELECT * FROM NQBNutri_tmp ORDER BY rowid"))) {
        QStringList cells;
        for (const QVariant &v : r)
            cells << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        lines << cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

void checkKind(const Setup &s)
{
    switch (s.kind) {
    case Kind::PlanSave: {
        checkKind(as(s, Kind::Settings));
        // system.dll >= database >= personal.ini >= profile copy >= plan file
        const auto d = oneValue(QStringLiteral("plan rows"), QStringLiteral("SELECT WATER FROM NQBNutri_tmp"), kPlanRows);
        if (d && readSettingsString(QStringLiteral("CmpInfo"), QString()).mid(2).toLongLong() < qint64(*d))
            wrong(QStringLiteral("system.dll older than the database"));
        const auto q = quotietyVersion(QStringLiteral("personal.ini"), planfile::profileFilePath(true));
        const auto c = quotietyVersion(QStringLiteral("profile copy"), planfile::profileCopyPath(planPath(s), true));
        QList<QVariantList> planRows;
        const Result read = planfile::readPlanFile(planPath(s), &planRows);
        std::optional<qint64> p;
        if (!read.ok()) {
            wrong(QStringLiteral("plan file: ") + read.message);
        } else {
            const qsizetype water = planfile::planColumns().indexOf(QStringLiteral("WATER"));
            QSet<qint64> w;
            for (const auto &r : planRows)
                w.insert(qint64(r[water].toDouble()));
            if (planRows.size() != kPlanRows || w.size() != 1)
                wrong(QStringLiteral("plan file holds %1 rows of %2 versions").arg(planRows.size()).arg(w.size()));
            else
                p = *w.begin();
        }
        if (d && q && qint64(*d) < *q)
            wrong(QStringLiteral("personal.ini newer than the database"));
        if (q && c && *q < *c)
            wrong(QStringLiteral("profile copy newer than personal.ini"));
        if (c && p && *c < *p)
            wrong(QStringLiteral("plan file %1 has an older profile copy %2").arg(*p).arg(*c));
        break;
    }
    case Kind::DishSave: {
        const auto dish = rows(QStringLiteral("SELECT FOODID, FoodDescribe FROM CateNutri_tb WHERE FOODNAME = ?"),
                               {QString::fromUtf8(kDishName)});
        if (dish.size() != 1) {
            wrong(QStringLiteral("%1 dishes of the name").arg(dish.size()));
            break;
        }
        const qint64 v = dish[0][1].toString().mid(1).toLongLong();
        const auto parts = rows(QStringLiteral("SELECT CODE, WEIGHT FROM CateComponent_tb WHERE FOODID = ? ORDER BY CODE"),
                                {dish[0][0]});
        const qint64 w = v % 997 + 1;
        if (parts.size() != 2 || parts[0][1].toDouble() != double(w) || parts[1][1].toDouble() != double(w + 1))
            wrong(QStringLiteral("dish of version %1 with ingredients of another").arg(v));
        const auto orphans = rows(QStringLiteral("SELECT COUNT(*) FROM CateComponent_tb WHERE FOODID NOT IN "
                                                 "(SELECT FOODID FROM CateNutri_tb)"));
        if (orphans[0][0].toInt() != 0)
            wrong(QStringLiteral("ingredient rows without their dish"));
        break;
    }
    case Kind::DishImport: {
        const auto r = rows(QStringLiteral("SELECT FoodDescribe, COUNT(*), SUM((SELECT COUNT(*) FROM CateComponent_tb c "
                                           "WHERE c.FOODID = d.FOODID)) FROM CateNutri_tb d WHERE FOODNAME LIKE '导入%' "
                                           "GROUP BY FoodDescribe"));
        for (const auto &g : r) {
            if (g[1].toInt() != kImportDishes || g[2].toInt() != 2 * kImportDishes)
                wrong(QStringLiteral("import %1 stored %2 of %3 dishes, %4 ingredient rows")
                          .arg(g[0].toString())
                          .arg(g[1].toInt())
                          .arg(kImportDishes)
                          .arg(g[2].toInt()));
        }
        const auto kinds = rows(QStringLiteral("SELECT COUNT(*) FROM CateKind_tb WHERE KINDNAME = ?"),
                                {QString::fromUtf8(kImportCategory)});
        if (kinds[0][0].toInt() != 1)
            wrong(QStringLiteral("%1 import categories").arg(kinds[0][0].toInt()));
        checkKind(as(s, Kind::CompositionImport));
        break;
    }
    case Kind::CompositionImport: {
        const QStringList codes = firstFoodCodes(kBackupFoods);
        QStringList marks;
        QVariantList binds;
        for (const QString &c : codes) {
            marks << QStringLiteral("?");
            binds << c;
        }
        const QString in = marks.join(QLatin1Char(','));
        const auto water =
            oneValue(QStringLiteral("WATER"), QStringLiteral("SELECT WATER FROM Nutri_tb WHERE Code IN (%1)").arg(in),
                     kBackupFoods, binds);
        const auto amino = oneValue(QStringLiteral("BCAA_ILE"),
                                    QStringLiteral("SELECT BCAA_ILE FROM Amino_tb WHERE CODE IN (%1)").arg(in),
                                    kBackupFoods, binds);
        if (water && amino && *water != *amino)
            wrong(QStringLiteral("Nutri_tb and Amino_tb of different imports"));
        break;
    }
    case Kind::PlanLoad: {
        QFile a(s.work + QStringLiteral("/dump-a.txt"));
        QFile b(s.work + QStringLiteral("/dump-b.txt"));
        if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly)) {
            wrong(QStringLiteral("no dumps"));
            break;
        }
        const QString now = tableDump();
        if (now != QString::fromUtf8(a.readAll()) && now != QString::fromUtf8(b.readAll()))
            wrong(QStringLiteral("the plan is neither file's (%1 rows)").arg(now.count(QLatin1Char('\n')) + 1));
        break;
    }
    case Kind::Backup: {
        const QStringList codes = firstFoodCodes(kBackupFoods);
        const QString sql = QStringLiteral("SELECT WATER FROM Nutri_tb WHERE Code IN ('%1')").arg(codes.join(QStringLiteral("','")));
        const auto live = oneValue(QStringLiteral("database"), sql, kBackupFoods);
        const backup::Result ok = backup::checkBackup(backupPath(s));
        if (!ok.ok) {
            wrong(QStringLiteral("backup: ") + ok.message);
            break;
        }
        {
            QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("copy"));
            copy.setDatabaseName(backupPath(s));
            copy.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (!copy.open()) {
                wrong(QStringLiteral("backup does not open"));
            } else {
                QSqlQuery q(copy);
                QSet<double> v;
                q.exec(sql);
                int n = 0;
                while (q.next()) {
                    v.insert(q.value(0).toDouble());
                    ++n;
                }
                if (n != kBackupFoods || v.size() != 1)
                    wrong(QStringLiteral("backup holds %1 rows of %2 versions").arg(n).arg(v.size()));
                else if (live && *v.begin() > *live)
                    wrong(QStringLiteral("backup newer than the database"));
            }
            copy.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("copy"));
        break;
    }
    case Kind::Settings: {
        const QString path = settingsFilePath();
        if (const QString p = ini::fileProblem(path); !p.isEmpty() || !QFileInfo::exists(path)) {
            wrong(QStringLiteral("system.dll: ") + (p.isEmpty() ? QStringLiteral("missing") : p));
            break;
        }
        const QString company = readSettingsString(QStringLiteral("CmpInfo"), QString());
        const QString tel = readSettingsString(QStringLiteral("Tel"), QString());
        const int pattern = readMealPattern();
        const qint64 v = company.mid(2).toLongLong();
        if (tel.mid(2).toLongLong() != v || pattern != int(v % 3 + 1))
            wrong(QStringLiteral("system.dll holds a mix: %1 / %2 / %3").arg(company, tel).arg(pattern));
        break;
    }
    }
}

// Files of the run's folders that are neither the program's files nor
// expected: leftovers that survived the start-up.
QStringList strayFiles(const Setup &s)
{
    QStringList out;
    const QStringList dirs{s.program, s.program + QStringLiteral("/BackUP"), s.work + QStringLiteral("/Data")};
    const QSet<QString> known{QStringLiteral("system.dll"),      QStringLiteral("personal.ini"),
                              QStringLiteral("kill.bak"),        QStringLiteral("nqbnorvik.dat"),
                              QStringLiteral("nqbnorvik.dat-wal"), QStringLiteral("nqbnorvik.dat-shm"),
                              QStringLiteral("nqbnorvik.dat-journal")};
    for (const QString &d : dirs) {
        for (const QString &name : QDir(d).entryList(QDir::Files | QDir::Hidden)) {
            if (!known.contains(name))
                out << d + QLatin1Char('/') + name;
        }
    }
    return out;
}

// Sends one byte on fd (the parent counts them); the end of the pipe going
// away is no reason to stop.
void signalParent(int fd)
{
    const char c = 'x';
    [[maybe_unused]] const ssize_t n = write(fd, &c, 1);
}

// A worker starts as the program does after the kill before it (leftovers
// put right, data module opened), checks what that kill left, sends the
// report (the number of temporaries removed, a line break, the problems, a
// NUL), then repeats the write, sending a byte after each one, until it is
// killed. checkOnly: it ends after the report.
[[noreturn]] void workerMain(const Setup &s, int fd, bool checkOnly)
{
    // Scratch folders of a killed worker stay inside the run's folders.
    const QByteArray tmp = (s.work + QStringLiteral("/tmp")).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(tmp));
    setenv("TMPDIR", tmp.constData(), 1);
    int argc = 1;
    char name[] = "kill-safe-worker";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Recovery recovery;
    auto dm = openData(s, &recovery);
    {
        QSqlQuery q = query();
        if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next() || q.value(0).toString() != QLatin1String("ok"))
            wrong(QStringLiteral("integrity_check: ") + q.value(0).toString() + q.lastError().text());
        else
            checkKind(s);
        if (!recovery.messages.isEmpty())
            wrong(QStringLiteral("start-up said: ") + recovery.messages.join(QLatin1Char(' ')));
        const QStringList stray = strayFiles(s);
        if (!stray.isEmpty())
            wrong(QStringLiteral("left behind: ") + stray.join(QStringLiteral(", ")));
    }
    const QByteArray text = QByteArray::number(recovery.removed.size()) + '\n' + problems.toUtf8() + '\0';
    [[maybe_unused]] const ssize_t n = write(fd, text.constData(), size_t(text.size()));
    if (checkOnly || !problems.isEmpty())
        _exit(problems.isEmpty() ? 0 : 1);

    if (s.kind == Kind::DishSave) {
        // The dish under edit, as the editor holds it.
        dish::DishInfo info;
        bool found = false;
        must(dish::findDish(QString::fromUtf8(kDishName), info, found), "find");
        must(dish::loadWorkTable(info.foodId), "load work table");
    }
    signalParent(fd);
    for (qint64 v = s.base;; ++v) {
        writeOnce(s, v);
        signalParent(fd);
    }
}

[[noreturn]] void setupMain(const Setup &s)
{
    int argc = 1;
    char name[] = "kill-safe-setup";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    {
        auto dm = openData(s);
        // A small database: the writes are the same, the checks at each start quicker.
        run(QStringLiteral("DELETE FROM Nutri_tb WHERE Code NOT IN (SELECT Code FROM Nutri_tb ORDER BY Code LIMIT 60)"));
        for (const char *table : {"Amino_tb", "Fatty_tb", "OtherContent_tb", "Isoflavone_tb", "GlycemicIndex_tb"})
            run(QStringLiteral("DELETE FROM %1 WHERE CODE NOT IN (SELECT Code FROM Nutri_tb)").arg(QLatin1String(table)));
        run(QStringLiteral("VACUUM"));
        prepare(s);
        if (s.kind == Kind::PlanLoad) {
            for (const char *which : {"a", "b"}) {
                must(planfile::loadPlan(which[0] == 'a' ? planAPath(s) : planBPath(s), 1), "load");
                QFile f(s.work + QStringLiteral("/dump-%1.txt").arg(QLatin1String(which)));
                if (!f.open(QIODevice::WriteOnly) || f.write(tableDump().toUtf8()) < 0)
                    childFail(QStringLiteral("cannot write the dump"));
            }
        }
    }
    _exit(0);
}

// The journal mode the program itself opens a new database with.
[[noreturn]] void journalModeMain(const QString &work, int fd)
{
    int argc = 1;
    char name[] = "kill-safe-mode";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QByteArray mode = "delete";
    {
        QDir(work).mkpath(QStringLiteral("Data"));
        TDM dm(work);
        QSqlQuery q(nqb::db());
        if (q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next())
            mode = q.value(0).toString().toLower().toLatin1();
    }
    [[maybe_unused]] const ssize_t n = write(fd, mode.constData(), size_t(mode.size()));
    _exit(0);
}

// ------------------------------------------------------------------ the parent

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// Reads what is there on fd within timeoutMs; the bytes read (0 on timeout, -1 at the end).
ssize_t readSome(int fd, QByteArray *into, double timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, int(timeoutMs + 0.999)) <= 0)
        return 0;
    char buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0 && into)
        into->append(buf, n);
    return n == 0 ? -1 : n;
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Forks fn(fd) with a pipe from the child; returns the pid and the read end.
template <typename Fn> pid_t spawn(Fn fn, int *readEnd)
{
    int p[2];
    if (pipe(p) != 0) {
        std::perror("pipe");
        std::exit(3);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(3);
    }
    if (pid == 0) {
        close(p[0]);
        fn(p[1]);
        _exit(0);
    }
    close(p[1]);
    *readEnd = p[0];
    return pid;
}

struct Outcome {
    int kills = 0;
    int failures = 0;
    int tempsRemoved = 0;
    double ms = 0;
    double startMs = 0; // worker start-ups with their checks, summed
};

// A fresh database and files for a kind; false (with the reason printed) when that fails.
bool setUp(const Setup &s)
{
    int fd = -1;
    const pid_t pid = spawn([&](int) { setupMain(s); }, &fd);
    close(fd);
    const int status = waitFor(pid);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A worker's report on what the kill before it left: true when it found
// nothing wrong (problems printed otherwise). got receives what followed.
bool readReport(int fd, QByteArray *got, int *tempsRemoved, const char *label, int kill)
{
    while (!got->contains('\0')) {
        if (readSome(fd, got, 20000) <= 0)
            break;
    }
    const qsizetype end = got->indexOf('\0');
    if (end < 0) {
        std::printf("FAIL %s, kill %d: no report from the next start\n", label, kill);
        return false;
    }
    const QByteArray report = got->left(end);
    got->remove(0, end + 1);
    const qsizetype nl = report.indexOf('\n');
    *tempsRemoved += report.left(nl).toInt();
    const QByteArray problems = report.mid(nl + 1);
    if (problems.isEmpty())
        return true;
    std::printf("FAIL %s, kill %d: %s\n", label, kill, problems.constData());
    return false;
}

Outcome runKind(Kind kind, const char *label, bool wal, int kills)
{
    Outcome out;
    const double start = nowMs();
    // A kill ends the process, not the system: what was written stays in the
    // page cache, so the folders may as well be in memory when there is such a
    // file system (it spares the disk the fsyncs of a thousand commits).
    const QString root = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    QTemporaryDir work(root + QStringLiteral("/nqb-kill-work-XXXXXX"));
    QTemporaryDir program(root + QStringLiteral("/nqb-kill-program-XXXXXX"));
    Setup s;
    s.kind = kind;
    s.work = work.path();
    s.program = program.path();
    s.wal = wal;
    QDir(s.work).mkpath(QStringLiteral("Data"));
    if (!setUp(s)) {
        std::printf("FAIL %s: setting up failed\n", label);
        out.failures = 1;
        return out;
    }

    // The time one write takes, from a worker left alone for a while (its
    // report is on the set-up).
    double perWrite = 20;
    {
        s.base = 1000;
        int fd = -1;
        const pid_t pid = spawn([&](int w) { workerMain(s, w, false); }, &fd);
        QByteArray got;
        if (!readReport(fd, &got, &out.tempsRemoved, label, 0))
            ++out.failures;
        const double until = nowMs() + 3000;
        while (got.isEmpty() && nowMs() < until) {
            if (readSome(fd, &got, until - nowMs()) < 0)
                break;
        }
        // Counted from the first byte that came after this moment.
        const double from = nowMs();
        const qsizetype before = got.size();
        while (nowMs() < until && got.size() - before < 10) {
            if (readSome(fd, &got, until - nowMs()) < 0)
                break;
        }
        if (got.size() > before)
            perWrite = (nowMs() - from) / double(got.size() - before);
        kill(pid, SIGKILL);
        waitFor(pid);
        close(fd);
    }

    QRandomGenerator rng(0x5eed + uint(kind) * 7 + (wal ? 1 : 0));
    for (int k = 1; k <= kills + 1 && out.failures <= 3; ++k) {
        // Worker k reports on kill k - 1; the last one only reports.
        const bool last = k == kills + 1;
        s.base = qint64(k + 1) * 1000;
        int fd = -1;
        const double spawned = nowMs();
        const pid_t pid = spawn([&](int w) { workerMain(s, w, last); }, &fd);
        QByteArray got;
        if (!readReport(fd, &got, &out.tempsRemoved, label, k - 1))
            ++out.failures;
        if (last) {
            waitFor(pid);
            close(fd);
            break;
        }
        // Ready first (the start itself is not what is tested), then a
        // moment somewhere in the next one or two writes.
        while (got.isEmpty()) {
            if (readSome(fd, &got, 10000) <= 0)
                break;
        }
        out.startMs += nowMs() - spawned;
        const double delay = rng.bounded(1.6 * perWrite);
        const double at = nowMs() + delay;
        while (nowMs() < at) {
            if (readSome(fd, &got, at - nowMs()) < 0)
                break;
        }
        kill(pid, SIGKILL);
        const int status = waitFor(pid);
        close(fd);
        ++out.kills;
        if (got.isEmpty() || !(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) {
            std::printf("FAIL %s, kill %d: the worker ended before the kill\n", label, k);
            ++out.failures;
            break;
        }
    }
    out.ms = nowMs() - start;
    std::printf("%-19s %-6s %4d kills, %3d temporaries removed at start, %d failures, %5.1f s "
                "(a write %.1f ms, a start with its check %.1f ms)\n",
                label, wal ? "wal" : "delete", out.kills, out.tempsRemoved, out.failures, out.ms / 1000, perWrite,
                out.startMs / qMax(1, out.kills));
    std::fflush(stdout);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    int kills = 200; // in the program's own journal mode; a quarter as many in the other
    QSet<QString> only;
    for (int i = 1; i < argc; ++i) {
        bool ok = false;
        const int n = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (ok)
            kills = n;
        else
            only.insert(QString::fromLocal8Bit(argv[i]));
    }
    std::signal(SIGPIPE, SIG_IGN);
    // The database driver's library is loaded here once (no Qt object, no
    // thread), so that every child finds it in place rather than loading it.
    const QByteArray driver =
        (QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/sqldrivers/libqsqlite.so")).toLocal8Bit();
    dlopen(driver.constData(), RTLD_NOW | RTLD_GLOBAL);
    const double start = nowMs();
    bool programWal = false;
    {
        QTemporaryDir work;
        int fd = -1;
        const pid_t pid = spawn([&](int w) { journalModeMain(work.path(), w); }, &fd);
        QByteArray mode;
        while (readSome(fd, &mode, 20000) > 0) {
        }
        waitFor(pid);
        close(fd);
        programWal = mode == "wal";
        std::printf("the program opens its database in journal mode %s\n", mode.constData());
    }
    int total = 0;
    int failures = 0;
    for (const bool wal : {programWal, !programWal}) {
        for (const KindInfo &k : kKinds) {
            if (!only.isEmpty() && !only.contains(QString::fromLatin1(k.name)))
                continue;
            const Outcome o = runKind(k.kind, k.name, wal, wal == programWal ? kills : kills / 4);
            total += o.kills;
            failures += o.failures;
        }
    }
    std::printf("kill-safe writes: %d kills, %d failures, %.1f s\n", total, failures, (nowMs() - start) / 1000);
    return failures == 0 ? 0 : 1;
}
