// Files a user hands the program: only regular files within their kind's size
// limit are read; a plan file holds only rows the entry dialogs can make and is
// refused whole otherwise, cut anywhere it is refused; INI files read as
// QSettings reads them or are refused; long special-diet files are checked in
// reasonable time.
#include "TestEnv.h"
#include "data/Backup.h"
#include "data/IniText.h"
#include "data/Paths.h"
#include "data/Settings.h"
#include "data/UserFile.h"
#include "diners/DRIsTransfer.h"
#include "diners/GroupProfile.h"
#include "diners/PersonalProfile.h"
#include "foods/CompositionImport.h"
#include "foods/DishTransfer.h"
#include "planning/MealPlan.h"
#include "planning/PlanFile.h"
#include "planning_fixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

#include <sys/stat.h>

using namespace nqb;

namespace {

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QVariantList> planSnapshot()
{
    return fixtures::rows(QStringLiteral("SELECT * FROM NQBNutri_tmp ORDER BY rowid"));
}

// A plan as the workbench makes it: real foods in several days and slots.
void addRealEntries(int count)
{
    const QStringList codes{"01-1-101", "01-1-102", "01-1-201"};
    const auto &mealSlots = plan::mealSlots();
    for (int i = 0; i < count; ++i) {
        const plan::PlanResult r = plan::addEntryByCode(codes[i % codes.size()], plan::weekdayCode(i / 3 % 7),
                                                        mealSlots[i / 21 % 4 * 2].slot, QString::number(50 + i * 7.5));
        QVERIFY2(r.ok(), qPrintable(r.message));
    }
}

// Every reader a user can hand a file to, each as a function of a path
// returning the message (empty when it read the file).
QList<QPair<QString, std::function<QString(const QString &)>>> readersOfPaths()
{
    return {
        {QStringLiteral("plan"),
         [](const QString &p) {
             QList<QVariantList> rows;
             return planfile::readPlanFile(p, &rows).message;
         }},
        {QStringLiteral("dish library"),
         [](const QString &p) {
             transfer::Library lib;
             return transfer::readFile(p, lib).message;
         }},
        {QStringLiteral("special diets"),
         [](const QString &p) {
             SpecialDrisData d;
             return readSpecialDrisFile(p, d).message;
         }},
        {QStringLiteral("composition csv"),
         [](const QString &p) {
             import::Preview preview;
             return import::previewFile(p, QString(), &preview).message;
         }},
        {QStringLiteral("personal profile"),
         [](const QString &p) {
             PersonalProfileData d;
             RequirementMatrix m;
             QString why;
             return readPersonalProfile(p, d, m, &why) ? QString() : why;
         }},
        {QStringLiteral("group profile"),
         [](const QString &p) {
             QString why;
             return isGroupProfileFile(p, &why) ? QString() : why;
         }},
        {QStringLiteral("profile copy"),
         [](const QString &p) {
             return planfile::copyProfile(p, QDir::temp().filePath(QStringLiteral("nqb-copy-test.pans"))).message;
         }},
        {QStringLiteral("backup"), [](const QString &p) { return backup::checkBackup(p).message; }},
    };
}

} // namespace

class UserFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void onlyRegularFilesWithinTheLimitAreRead();
    void planRowsTheDialogsCannotMakeAreRefused();
    void planCutAtEveryByteIsRefused();
    void loneSurrogateEscapes();
    void bothPlanReadersTakeEveryFileAlike();
    void bothPlanWritersWriteTheSameDocument();
    void iniReadsAsQSettingsReadsIt();
    void damagedIniFilesAreRefused();
    void longSpecialDietFileIsCheckedQuickly();
    void dishFileFaults();
};

void UserFilesTest::onlyRegularFilesWithinTheLimitAreRead()
{
    TestEnv env;
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.pan"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // 50 MB, over every limit but the backup's: a sparse file, so making it is quick.
    const QString big = dir.filePath(QStringLiteral("big.pan"));
    {
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(50 * 1024 * 1024));
    }
    QVERIFY(fixtures::insertEntry("SUN", "早餐", "现有", 150, {}));
    const auto before = planSnapshot();

    for (const auto &[name, read] : readersOfPaths()) {
        QElapsedTimer clock;
        clock.start();
        // A named pipe would block until something writes to it, /dev/zero never ends.
        for (const QString &path : {fifo, QStringLiteral("/dev/zero"), dir.path()}) {
            const QString message = read(path);
            QVERIFY2(message.contains(QStringLiteral("不是普通文件")), qPrintable(name + ": " + message));
            QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        }
        if (name != QLatin1String("backup")) {
            const QString message = read(big);
            QVERIFY2(message.contains(QStringLiteral("超过")) && message.contains(QStringLiteral("MiB")),
                     qPrintable(name + ": " + message));
        }
        QVERIFY2(clock.elapsed() < 1000, qPrintable(name));
    }
    // The limit is told; the backup limit is far above any real database.
    const QString message = planfile::loadPlan(big, 1).message;
    QVERIFY2(message.contains(QStringLiteral("8 MiB")) && message.contains(QStringLiteral("52428800")),
             qPrintable(message));
    QCOMPARE(userfile::sizeLimitText(userfile::Kind::Backup), QStringLiteral("2 GiB"));
    QCOMPARE(planSnapshot(), before);
    QVERIFY(planfile::loadPlan(fifo, 1).status == plan::PlanStatus::FileError);
    QCOMPARE(planSnapshot(), before);
}

void UserFilesTest::planRowsTheDialogsCannotMakeAreRefused()
{
    TestEnv env;
    addRealEntries(3);
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.pan"));
    QVERIFY(planfile::savePlan(good).ok());
    const QJsonObject root = QJsonDocument::fromJson(readAll(good)).object();
    QCOMPARE(root.value(QStringLiteral("rows")).toArray().size(), 3);
    QVERIFY(plan::clearPlan().ok());
    QVERIFY(fixtures::insertEntry("MON", "午餐", "现有", 100, {}));
    const auto before = planSnapshot();

    // Row 2 (of 3) gets the fault; the message names row 2 and the column.
    struct Case {
        const char *name;
        int column;
        QJsonValue value;
        const char *column_name;
    };
    const Case cases[] = {
        {"unknown weekday", 3, QStringLiteral("SUNDAY"), "WEEK"},
        {"missing weekday", 3, QJsonValue::Null, "WEEK"},
        {"unknown slot", 4, QStringLiteral("宵夜"), "DINERTIME"},
        {"slot with spaces", 4, QStringLiteral(" 早餐"), "DINERTIME"},
        {"letter of another slot", 0, QStringLiteral("G"), "DINERTMP"},
        {"empty name", 2, QStringLiteral(" "), "FOODNAME"},
        {"missing name", 2, QJsonValue::Null, "FOODNAME"},
        {"negative weight", 5, -1.0, "WEIGHT"},
        {"infinite weight", 5, QStringLiteral("Infinity"), "WEIGHT"},
        {"missing weight", 5, QJsonValue::Null, "WEIGHT"},
        {"fractional edible", 6, 80.5, "EDIBLE"},
        {"edible over 100", 6, 101.0, "EDIBLE"},
        {"negative edible", 6, -1.0, "EDIBLE"},
    };
    for (const Case &c : cases) {
        QJsonObject r = root;
        QJsonArray rows = r.value(QStringLiteral("rows")).toArray();
        QJsonArray row = rows[1].toArray();
        row[c.column] = c.value;
        rows[1] = row;
        r[QStringLiteral("rows")] = rows;
        const QByteArray bytes = QJsonDocument(r).toJson(QJsonDocument::Compact);
        QList<QVariantList> parsed{QVariantList{}};
        const plan::PlanResult pr = planfile::parsePlan(bytes, &parsed);
        QVERIFY2(!pr.ok(), c.name);
        QVERIFY(parsed.isEmpty());
        QVERIFY2(pr.message.contains(QStringLiteral("第 2 条记录")) && pr.message.contains(QLatin1String(c.column_name)),
                 qPrintable(QLatin1String(c.name) + QStringLiteral(": ") + pr.message));

        const QString path = dir.filePath(QStringLiteral("bad.pan"));
        QVERIFY(writeAll(path, bytes));
        const plan::PlanResult lr = planfile::loadPlan(path, 7);
        QCOMPARE(lr.status, plan::PlanStatus::FileError);
        QVERIFY(lr.message.contains(QDir::toNativeSeparators(path)));
        QCOMPARE(planSnapshot(), before);
    }

    // The same food twice in one slot of one day, as no add can make it.
    QJsonObject r = root;
    QJsonArray rows = r.value(QStringLiteral("rows")).toArray();
    QJsonArray copy = rows[0].toArray();
    copy[5] = 20.0;
    rows.append(copy);
    r[QStringLiteral("rows")] = rows;
    QList<QVariantList> parsed;
    const plan::PlanResult dup = planfile::parsePlan(QJsonDocument(r).toJson(QJsonDocument::Compact), &parsed);
    QVERIFY(!dup.ok());
    QVERIFY2(dup.message.contains(QStringLiteral("第 4 条记录与第 1 条记录")), qPrintable(dup.message));

    // Empty cells the format keeps empty, and an infinite amount, still load.
    r = root;
    rows = r.value(QStringLiteral("rows")).toArray();
    QJsonArray row = rows[1].toArray();
    row[0] = QJsonValue::Null;
    row[6] = QJsonValue::Null;
    row[9] = QStringLiteral("-Infinity");
    rows[1] = row;
    r[QStringLiteral("rows")] = rows;
    const plan::PlanResult fine = planfile::parsePlan(QJsonDocument(r).toJson(QJsonDocument::Compact), &parsed);
    QVERIFY2(fine.ok(), qPrintable(fine.message));
    QCOMPARE(parsed.size(), 3);
    QVERIFY(planfile::loadPlan(good, 7).ok());
    QCOMPARE(rowCount("NQBNutri_tmp"), 3);
}

void UserFilesTest::planCutAtEveryByteIsRefused()
{
    TestEnv env;
    addRealEntries(8);
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("week.pan"));
    QVERIFY(planfile::savePlan(saved).ok());
    const QByteArray bytes = readAll(saved);
    QVERIFY(bytes.size() > 2000);
    QVERIFY(plan::clearPlan().ok());
    QVERIFY(fixtures::insertEntry("MON", "午餐", "现有", 100, {}));
    const auto before = planSnapshot();

    // Every cut of the file. A cut that leaves a whole file (nothing but
    // trailing white space removed) may load; all others are refused whole.
    const QString cut = dir.filePath(QStringLiteral("cut.pan"));
    int refused = 0;
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        const QByteArray part = bytes.left(n);
        QVERIFY(writeAll(cut, part));
        const plan::PlanResult r = planfile::loadPlan(cut, 7);
        if (r.ok()) {
            QVERIFY2(bytes.mid(n).trimmed().isEmpty(), qPrintable(QStringLiteral("a cut at %1 loaded").arg(n)));
            QVERIFY(planfile::loadPlan(saved, 7).ok());
            QVERIFY(plan::clearPlan().ok());
            QVERIFY(fixtures::insertEntry("MON", "午餐", "现有", 100, {}));
            continue;
        }
        ++refused;
        QCOMPARE(r.status, plan::PlanStatus::FileError);
        if (n % 97 == 0)
            QCOMPARE(planSnapshot(), before);
    }
    QCOMPARE(planSnapshot(), before);
    QVERIFY(refused >= bytes.size() - 1);
    // The whole file loads.
    QVERIFY(planfile::loadPlan(saved, 7).ok());
    QCOMPARE(rowCount("NQBNutri_tmp"), 8);
}

void UserFilesTest::loneSurrogateEscapes()
{
    QCOMPARE(userfile::loneSurrogateEscape(R"("a\ud800b")"), 2);
    QCOMPARE(userfile::loneSurrogateEscape(R"("a\udc00")"), 2);
    QCOMPARE(userfile::loneSurrogateEscape(R"(["\ud800", "\udc00"])"), 2);
    QCOMPARE(userfile::loneSurrogateEscape(R"("\ud83d\ude00 and \\ud800 and \u4e2d")"), -1);
    QCOMPARE(userfile::loneSurrogateEscape(R"("\ud800\u0041")"), 1);
    QCOMPARE(userfile::loneSurrogateEscape(R"("end\ud800)"), 4);

    // A plan whose food name has one: refused (it would come back as another text).
    TestEnv env;
    addRealEntries(1);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.pan"));
    QVERIFY(planfile::savePlan(path).ok());
    QByteArray bytes = readAll(path);
    const QByteArray name = QJsonDocument::fromJson(bytes)
                                .object()
                                .value(QStringLiteral("rows"))
                                .toArray()[0]
                                .toArray()[2]
                                .toString()
                                .toUtf8();
    bytes.replace("\"" + name + "\"", R"("a\ud800b")");
    QList<QVariantList> rows;
    const plan::PlanResult r = planfile::parsePlan(bytes, &rows);
    QVERIFY(!r.ok());
    QVERIFY2(r.message.contains(QStringLiteral("代理对")), qPrintable(r.message));
    // A whole pair is a character like any other (an emoji in a name).
    bytes.replace(R"("a\ud800b")", R"("a\ud83d\ude00b")");
    QVERIFY(planfile::parsePlan(bytes, &rows).ok());
    QCOMPARE(rows[0][2].toString(), QStringLiteral("a\U0001F600b"));
}

namespace {

// Both plan readers' results, compared value by value (a double to the bit);
// empty when they agree.
QString readersDiffer(const QByteArray &bytes)
{
    QList<QVariantList> quick;
    QList<QVariantList> general;
    const plan::PlanResult q = planfile::parsePlan(bytes, &quick);
    const plan::PlanResult g = planfile::parsePlanGeneral(bytes, &general);
    if (q.ok() != g.ok() || q.status != g.status || q.message != g.message || quick.size() != general.size())
        return QStringLiteral("quick: %1 %2 / general: %3 %4").arg(q.ok()).arg(q.message).arg(g.ok()).arg(g.message);
    for (qsizetype r = 0; r < quick.size(); ++r) {
        for (qsizetype c = 0; c < quick[r].size(); ++c) {
            const QVariant &a = quick[r][c];
            const QVariant &b = general[r][c];
            if (a.metaType() != b.metaType() || a.isNull() != b.isNull()
                || (a.typeId() == QMetaType::Double ? std::memcmp(a.constData(), b.constData(), sizeof(double)) != 0
                                                    : a != b))
                return QStringLiteral("row %1 column %2: %3 / %4").arg(r).arg(c).arg(a.toString(), b.toString());
        }
    }
    return {};
}

} // namespace

void UserFilesTest::bothPlanReadersTakeEveryFileAlike()
{
    // A saved plan is read by the quick reader; whatever it leaves to the
    // general one (escapes, other spacing, odd numbers, unknown or repeated
    // keys) must come out exactly as the general reader alone reads it.
    TestEnv env;
    addRealEntries(4);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.pan"));
    QVERIFY(planfile::savePlan(path).ok());
    const QByteArray saved = readAll(path);
    const QJsonObject root = QJsonDocument::fromJson(saved).object();
    const QByteArray weight = QByteArray::number(root.value(QStringLiteral("rows")).toArray()[0].toArray()[5].toDouble());
    const QByteArray name = root.value(QStringLiteral("rows")).toArray()[0].toArray()[2].toString().toUtf8();
    const auto edit = [&](const QByteArray &from, const QByteArray &to) {
        QByteArray b = saved;
        const qsizetype at = b.indexOf(from);
        return at < 0 ? QByteArray("<not found>") : b.replace(at, from.size(), to);
    };
    const QList<QByteArray> cases{
        saved,
        QJsonDocument(root).toJson(QJsonDocument::Indented),
        " \r\n\t" + saved + "\n \n",
        saved + "x",
        edit("\"" + name + "\"", "\"a\\\"b\\\\c\\u4e2d\""),
        edit("\"" + name + "\"", "\"a\tb\""),
        edit("\"" + name + "\"", "\"\xC3\x28\""),
        edit("\"" + name + "\"", "\"\xEF\xBF\xBF\""),
        edit("," + weight + ",", ",-0,"),
        edit("," + weight + ",", ",-0.0,"),
        edit("," + weight + ",", ",1e400,"),
        edit("," + weight + ",", ",1e-400,"),
        edit("," + weight + ",", ",4.9e-324,"),
        edit("," + weight + ",", ",9007199254740993,"),
        edit("," + weight + ",", ",123456789012345678901234567890,"),
        edit("," + weight + ",", ",-0.5,"),
        edit("," + weight + ",", ",123456789012345,"),
        edit("," + weight + ",", ",12345678901234.5,"),
        edit("," + weight + ",", ",1234567890123456.5,"),
        edit("," + weight + ",", ",0.000000000000001,"),
        edit("," + weight + ",", ",0.1000000000000000055511151231257827,"),
        edit("," + weight + ",", ",01,"),
        edit("," + weight + ",", ",1.,"),
        edit("," + weight + ",", ",+1,"),
        edit("," + weight + ",", ",true,"),
        edit("," + weight + ",", ",[1],"),
        edit("," + weight + ",", ",\"Infinity\","),
        edit("\"version\":1", "\"version\":1,\"version\":2"),
        edit("\"version\":1", "\"version\":1,\"note\":\"x\""),
        edit("\"version\":1", "\"version\":1.5"),
        edit("\"version\":1", "\"version\":\"1\""),
        edit("{", "{\"x\":{},"),
        edit("[[", "[7,["),
        edit("]]", "],[]]"),
        edit("]]", "]],"),
        "[]",
        "{}",
        "",
    };
    for (const QByteArray &bytes : cases)
        QVERIFY2(readersDiffer(bytes).isEmpty(), qPrintable(readersDiffer(bytes) + " for " + bytes.left(80)));

    // Bytes that are no UTF-8 are refused as such, in a name or elsewhere.
    QList<QVariantList> rows;
    const plan::PlanResult bad = planfile::parsePlan(edit("\"" + name + "\"", "\"\xC3\x28\""), &rows);
    QVERIFY(!bad.ok());
    QVERIFY2(bad.message.contains(QStringLiteral("UTF-8")), qPrintable(bad.message));
    QVERIFY(rows.isEmpty());
}

void UserFilesTest::bothPlanWritersWriteTheSameDocument()
{
    // The quick writer gives the very bytes Qt's JSON writer gives, for texts
    // that need escapes and for numbers of every size; the file reads back
    // as the rows were.
    TestEnv env;
    addRealEntries(9);
    const QStringList names{QStringLiteral("a\"b\\c"), QStringLiteral("tab\there\nnew\rline\x01\x1f end"),
                            QStringLiteral("鸡蛋 \U0001F600"), QStringLiteral("/slash/ \u2028 \u007f"),
                            QStringLiteral("plain")};
    const QVariantList weights{0.1, 1e-7, 123456789.125, 1e300, -0.0, 150.0, 9007199254740993.0, 2.5e-320, 33.3};
    QSqlQuery q(db());
    QVERIFY(q.exec(QStringLiteral("SELECT rowid FROM NQBNutri_tmp ORDER BY rowid")));
    QList<qint64> ids;
    while (q.next())
        ids << q.value(0).toLongLong();
    QCOMPARE(ids.size(), 9);
    for (int i = 0; i < ids.size(); ++i) {
        QVERIFY(fixtures::run(QStringLiteral("UPDATE NQBNutri_tmp SET FOODNAME = ?, WEIGHT = ?, PROCNT = ?, FAT = ? "
                                             "WHERE rowid = ?"),
                              {names[i % names.size()] + QString::number(i), weights[i],
                               i == 3 ? QVariant(QStringLiteral(" 12.5 ")) : QVariant(1.0 / (i + 3)),
                               i == 4 ? QVariant(1e308 * 10) : (i == 5 ? QVariant(-1e308 * 10) : QVariant()), ids[i]}));
    }
    int rows = 0;
    QString error;
    const QByteArray quick = planfile::planFileText(&rows, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(rows, 9);
    const QByteArray general = planfile::planFileText(&rows, &error, true);
    QCOMPARE(quick, general);

    QList<QVariantList> read;
    QVERIFY(planfile::parsePlanGeneral(quick, &read).ok());
    QCOMPARE(read.size(), 9);
    const int name = 2;
    const int weight = 5;
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(read[i][name].toString(), names[i % names.size()] + QString::number(i));
        QCOMPARE(read[i][weight].toDouble(), weights[i].toDouble() == 0 ? 0.0 : weights[i].toDouble());
    }

    // Loaded, the plan holds what the file says, cell by cell: empty cells
    // empty, the infinities, a number column's text read as its number.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.pan"));
    QVERIFY(planfile::savePlan(path).ok());
    QVERIFY(plan::clearPlan().ok());
    QVERIFY(planfile::loadPlan(path, 7).ok());
    const QList<QVariantList> loaded = planSnapshot();
    QCOMPARE(loaded.size(), read.size());
    for (int r = 0; r < read.size(); ++r) {
        for (int c = 0; c < read[r].size(); ++c) {
            const QVariant &want = read[r][c];
            const QVariant &got = loaded[r][c];
            const bool wantNull = want.isNull() || (want.typeId() == QMetaType::QString && want.toString().isNull());
            QVERIFY2(wantNull == got.isNull(), qPrintable(QStringLiteral("row %1 column %2").arg(r).arg(c)));
            if (!wantNull && c < 5)
                QCOMPARE(got.toString(), want.toString());
            else if (!wantNull)
                QCOMPARE(got.toDouble(), want.toDouble());
        }
    }
    QCOMPARE(loaded[4][11].toDouble(), std::numeric_limits<double>::infinity());
    QCOMPARE(loaded[5][11].toDouble(), -std::numeric_limits<double>::infinity());
    QCOMPARE(loaded[3][10].toDouble(), 12.5);
}

void UserFilesTest::iniReadsAsQSettingsReadsIt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    const QList<QPair<QString, QVariant>> values = {
        {"Config/CmpInfo", QStringLiteral("某市第一中学, 食堂")},
        {"Config/Tel", QStringLiteral("010-1234; 分机 8")},
        {"Config/IsThreeTwo", 2},
        {"personalInfo/Age", QStringLiteral("18 ～ 50")},
        {"personalInfo/Spaced", QStringLiteral("  both ends  ")},
        {"personalInfo/Quote", QStringLiteral("say \"hi\" \\ back")},
        {"personalInfo/Control", QStringLiteral("tab\there\nline")},
        {"personalInfo/At", QStringLiteral("@at")},
        {"personalInfo/Equals", QStringLiteral("a=b")},
        {"personalInfo/Empty", QString()},
        {"personalInfo/Emoji", QStringLiteral("面\U0001F600条")},
        {"RNI/0", QStringLiteral("2250")},
        {"RNI/25", 1.5},
        {"Quotiety/6", 95},
        {"List/items", QStringList{QStringLiteral("a"), QStringLiteral("b, c"), QString()}},
        {"中文节/键", QStringLiteral("值")},
        {"topLevel", QStringLiteral("x")},
    };
    {
        QSettings s(path, QSettings::IniFormat);
        for (const auto &[k, v] : values)
            s.setValue(k, v);
    }
    ini::Document doc;
    const QString fault = ini::parse(readAll(path), &doc);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QSettings s(path, QSettings::IniFormat);
    for (const auto &[k, v] : values) {
        QVERIFY2(doc.contains(k), qPrintable(k));
        const QVariant theirs = s.value(k);
        if (theirs.typeId() == QMetaType::QStringList)
            QCOMPARE(doc.value(k).toStringList(), theirs.toStringList());
        else
            QCOMPARE(doc.value(k).toString(), theirs.toString());
    }
    // Hand-written forms QSettings reads too.
    QVERIFY(ini::parse("\xEF\xBB\xBF; note\r\n[General]\r\nA = 1 ; rest\r\n[B]\r\nx=\"q;r\" \r\ny=1,2\r\n", &doc)
                .isEmpty());
    QCOMPARE(doc.text(QStringLiteral("A")), QStringLiteral("1"));
    QCOMPARE(doc.text(QStringLiteral("B/x")), QStringLiteral("q;r"));
    QCOMPARE(doc.value(QStringLiteral("B/y")).toStringList(), (QStringList{"1", "2"}));
}

void UserFilesTest::damagedIniFilesAreRefused()
{
    TestEnv env;
    const QList<QPair<const char *, QByteArray>> cases = {
        {"UTF-16", QStringLiteral("[personalInfo]\nSex=1\n").toUtf8().prepend("\xff\xfe")},
        {"not UTF-8", "[Config]\nCmpInfo=\xff\xfe\n"},
        {"NUL", QByteArray("[Config]\nA=a\0b\n", 15)},
        {"no equals", "[Config]\nIsThreeTwo 2\n"},
        {"open section", "[Config\nIsThreeTwo=2\n"},
        {"open quote", "[Config]\nCmpInfo=\"abc\n"},
        {"continued line", "[Config]\nCmpInfo=abc\\\ndef\n"},
        {"lone surrogate", "[Config]\nCmpInfo=a\\xd800z\n"},
        {"empty key", "[Config]\n=2\n"},
        {"text after a section", "[a] \"\nx=1\n\"\n"},
        {"inner byte-order mark", "[RNI]\n21=\xEF\xBB\xBF" "211.5\n"},
    };
    for (const auto &[what, bytes] : cases) {
        ini::Document doc;
        const QString fault = ini::parse(bytes, &doc);
        QVERIFY2(!fault.isEmpty(), what);
        QCOMPARE(doc.size(), 0);
        PersonalProfileData p;
        p.height = QStringLiteral("unchanged");
        RequirementMatrix m;
        QVERIFY(!parsePersonalProfile(bytes, p, m).isEmpty());
        QCOMPARE(p.height, QStringLiteral("unchanged"));
    }
    ini::Document doc;
    QVERIFY(ini::parse("[Config]\nIsThreeTwo 2\n", &doc).contains(QStringLiteral("第 2 行")));

    // A row count of a billion is refused at once, not looked up key by key.
    QElapsedTimer clock;
    clock.start();
    GroupProfileData g;
    const QString why = parseGroupProfile("[TOTALNUM]\nTotal=1000000000\n", g);
    QVERIFY2(why.contains(QStringLiteral("1000000000")), qPrintable(why));
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(g.rows.isEmpty());
    const QString path = groupProfilePath();
    QVERIFY(writeAll(path, "[TOTALNUM]\nTotal=1000000000\n"));
    QString message;
    QVERIFY(!isGroupProfileFile(path, &message));
    QVERIFY(!readGroupProfile(path, g, &message));
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));

    // The settings file: a damaged one reads as missing (every default).
    QVERIFY(writeAll(programFile(QStringLiteral("system.dll")), "[Config]\nIsThreeTwo=3\nCmpInfo=\"open\n"));
    QCOMPARE(readMealPattern(), 1);
    QVERIFY(writeAll(programFile(QStringLiteral("system.dll")), "[Config]\nIsThreeTwo=3\n"));
    QCOMPARE(readMealPattern(), 3);
}

void UserFilesTest::longSpecialDietFileIsCheckedQuickly()
{
    // 20,000 amendments of one kind, element and sex, none overlapping.
    QJsonArray amendments;
    for (int i = 0; i < 20000; ++i) {
        amendments.append(QJsonObject{{"MEALKIND", "低盐膳食"}, {"AGE", QStringLiteral("%1").arg(i)},
                                      {"YEARFIR", i * 0.01}, {"YEARLAST", (i + 1) * 0.01},
                                      {"ELEMENT", "钠 [mg]"}, {"SEX", "男"}, {"RNI", 1600}, {"EAR", 1000},
                                      {"UL", 2000}, {"REMARK", ""}});
    }
    QJsonObject root{{"format", "nqb-special-dris"}, {"version", 1}, {"kinds", QJsonArray{"低盐膳食"}},
                     {"amendments", amendments}};
    QElapsedTimer clock;
    clock.start();
    SpecialDrisData d;
    Result r = parseSpecialDris(QJsonDocument(root).toJson(), d);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(d.amendments.size(), 20000);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));

    // An overlap anywhere is still found: with the range before, after, or inside.
    for (const auto &[fir, last] : {std::pair{5.005, 5.015}, std::pair{0.0, 0.005}, std::pair{199.995, 250.0},
                                    std::pair{-1.0, 300.0}, std::pair{100.0, 100.01}}) {
        QJsonArray more = amendments;
        more.append(QJsonObject{{"MEALKIND", "低盐膳食"}, {"AGE", "x"}, {"YEARFIR", fir}, {"YEARLAST", last},
                                {"ELEMENT", "钠 [mg]"}, {"SEX", "男"}, {"RNI", 1600}, {"EAR", 1000},
                                {"UL", 2000}, {"REMARK", ""}});
        root[QStringLiteral("amendments")] = more;
        r = parseSpecialDris(QJsonDocument(root).toJson(), d);
        QVERIFY2(!r.ok() && r.message.contains(QStringLiteral("第 20001 条修订")), qPrintable(r.message));
        QVERIFY(d.amendments.isEmpty());
    }
}

void UserFilesTest::dishFileFaults()
{
    TestEnv env;
    transfer::Library lib;
    QVERIFY(transfer::readLibrary(lib).ok());
    QVERIFY(!lib.dishes.isEmpty());
    const QByteArray text = transfer::serialize(lib);
    transfer::Library back;
    QVERIFY(transfer::parse(text, back).ok());

    auto withFirstDish = [&](const std::function<void(QJsonObject &)> &change) {
        QJsonObject root = QJsonDocument::fromJson(text).object();
        QJsonArray dishes = root.value(QStringLiteral("dishes")).toArray();
        QJsonObject d = dishes[0].toObject();
        change(d);
        dishes[0] = d;
        root[QStringLiteral("dishes")] = dishes;
        return QJsonDocument(root).toJson();
    };
    const QList<QPair<const char *, QByteArray>> cases = {
        {"fractional edible", withFirstDish([](QJsonObject &d) { d[QStringLiteral("edible")] = 80.5; })},
        {"edible over 100", withFirstDish([](QJsonObject &d) { d[QStringLiteral("edible")] = 250; })},
        {"negative ingredient weight", withFirstDish([](QJsonObject &d) {
             QJsonArray ings = d.value(QStringLiteral("ingredients")).toArray();
             QJsonObject i = ings[0].toObject();
             i[QStringLiteral("weight")] = -5;
             ings[0] = i;
             d[QStringLiteral("ingredients")] = ings;
         })},
        {"lone surrogate", withFirstDish([](QJsonObject &d) { d[QStringLiteral("describe")] = "SURROGATE"; })
                               .replace("SURROGATE", "\\ud800")},
    };
    for (const auto &[what, bytes] : cases) {
        const Result r = transfer::parse(bytes, back);
        QVERIFY2(!r.ok() && !r.message.isEmpty(), what);
        QVERIFY(back.dishes.isEmpty());
    }
}

QTEST_MAIN(UserFilesTest)
#include "test_user_files.moc"
