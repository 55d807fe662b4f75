// The food reference data of a database built from the seed: raw foods and
// their tree, the foods of the 2002/2004 tables, fatty-acid shares, iodine,
// glycemic index, dishes and quantified menus.
#include "TestEnv.h"
#include "data/DataModule.h"
#include "data/NutrientBlocks.h"
#include "data/Pinyin.h"
#include "foods/DishMath.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <optional>

namespace {

QSqlQuery run(const QString &sql)
{
    QSqlQuery q(nqb::db());
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
}

std::optional<double> opt(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

// Half-to-even rounding to four decimals, written out here so the check does
// not lean on the program's own helper.
double round4(double x)
{
    const double scaled = x * 10000.0;
    const double fl = std::floor(scaled);
    const double diff = scaled - fl;
    double r;
    if (diff > 0.5)
        r = fl + 1;
    else if (diff < 0.5)
        r = fl;
    else
        r = std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
    return r / 10000.0;
}

bool close(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

} // namespace

class SeedFoodsTest : public QObject
{
    Q_OBJECT
private slots:
    void foodCodesNamesAndTree();
    void compositionValuesAreSound();
    void spotValuesMatchTheBook();
    void glycemicIndexRowsPointToTheirFoods();
    void glycemicIndexRowsSitInTheTree();
    void condimentsAndDrinksComeFromTheTable();
    void fattyAcidSharesAndIodine();
    void dishBlockFollowsTheEditorRule();
    void dishesAreStoredFromTheirIngredients();
    void menusAndARealisticDay();
    void seedBuildsQuickly();
};

void SeedFoodsTest::foodCodesNamesAndTree()
{
    TestEnv env;

    // The tree as the food tree shows it: group texts begin with "GG-", the
    // sub-group texts of a group with "S-"; a node's prefix selects its foods.
    QSet<QString> groupPrefixes, subPrefixes;
    QSqlQuery g = run(QStringLiteral("SELECT FoodGroup FROM FoodKind_tb"));
    const QRegularExpression groupText(QStringLiteral("^\\d\\d-\\S+$"));
    while (g.next()) {
        const QString text = g.value(0).toString().trimmed();
        QVERIFY2(groupText.match(text).hasMatch(), qPrintable(text));
        groupPrefixes.insert(text.left(3));
        QSqlQuery s(nqb::db());
        s.prepare(QStringLiteral("SELECT FoodGroupSub, SubID FROM FoodKindSub_tb WHERE FoodGroup LIKE ?"));
        s.addBindValue(text.left(2) + QLatin1Char('%'));
        QVERIFY(s.exec());
        int subs = 0;
        while (s.next()) {
            const QString sub = s.value(0).toString().trimmed();
            QVERIFY2(sub.size() > 2 && sub.at(1) == QLatin1Char('-'), qPrintable(sub));
            QCOMPARE(sub.left(1), s.value(1).toString().trimmed());
            subPrefixes.insert(text.left(3) + sub.left(2));
            ++subs;
        }
        QVERIFY2(subs > 0, qPrintable(text + QStringLiteral(" has no sub-group")));
    }
    for (const char *gg : {"01-", "13-", "14-", "15-", "16-", "17-", "18-", "19-", "20-", "21-", "22-"})
        QVERIFY2(groupPrefixes.contains(QString::fromLatin1(gg)), gg);

    // User foods: group 22 with a one-digit sub-group "n-name".
    QSqlQuery u = run(QStringLiteral("SELECT FoodGroupSub, SubID FROM FoodKindSub_tb WHERE FoodGroup = '22'"));
    QVERIFY(u.next());
    QCOMPARE(u.value(1).toString().size(), 1);
    QVERIFY(u.value(0).toString().startsWith(u.value(1).toString() + QLatin1Char('-')));
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where Code like '22-%'")), 0);

    // Codes: GG-S-NNN, unique, under an existing sub-group; names unique.
    const QRegularExpression codeForm(QStringLiteral("^\\d\\d-\\d-\\d\\d\\d$"));
    QSet<QString> codes, names;
    QSqlQuery f = run(QStringLiteral("SELECT Code, FoodName FROM Nutri_tb"));
    int n = 0;
    while (f.next()) {
        const QString code = f.value(0).toString();
        const QString name = f.value(1).toString();
        QCOMPARE(code.size(), 8);
        QVERIFY2(codeForm.match(code).hasMatch(), qPrintable(code));
        QVERIFY2(subPrefixes.contains(code.left(5)), qPrintable(code + QStringLiteral(" is in no sub-group")));
        QVERIFY2(!codes.contains(code), qPrintable(code));
        QVERIFY2(!names.contains(name), qPrintable(name));
        QVERIFY(!name.trimmed().isEmpty() && name == name.trimmed());
        codes.insert(code);
        names.insert(name);
        ++n;
    }
    QVERIFY2(n >= 1869 + 300, qPrintable(QString::number(n)));
    // Every food of the composition table is present (1869 rows, groups 01-13, 19, 21).
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where substr(Code,1,2) not in "
                                     "('14','15','16','17','18','20')")),
             1869);
    // Names the table misread are corrected.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName = '麸皮'")), 1);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName like '%荽皮%'")), 0);

    // Groups the 6th edition lacks hold the 2002/2004 tables' foods, each
    // naming its source; a food no table has is marked unverified, and is
    // kept only because a dish or a quantified menu uses it.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where substr(Code,1,2) in "
                                     "('14','15','16','17','18','20') and (FoodDescribe is null or "
                                     "(FoodDescribe not like '数据来源：中国食物成分表2002%' and "
                                     "FoodDescribe not like '未经核实%'))")),
             0);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where (FoodDescribe like '数据来源：中国食物成分表2002%' "
                                     "or FoodDescribe like '未经核实%') and substr(Code,1,2) not in "
                                     "('14','15','16','17','18','20')")),
             0);
    QSqlQuery unverified = run(QStringLiteral("SELECT Code, FoodName FROM Nutri_tb WHERE FoodDescribe LIKE '未经核实%'"));
    int kept = 0;
    while (unverified.next()) {
        QSqlQuery use(nqb::db());
        use.prepare(QStringLiteral("SELECT (SELECT count(*) FROM CateComponent_tb WHERE CODE = ?) + "
                                   "(SELECT count(*) FROM CustomPantry_tb WHERE PANTRY = ?)"));
        use.addBindValue(unverified.value(0));
        use.addBindValue(unverified.value(0));
        QVERIFY(use.exec() && use.next());
        QVERIFY2(use.value(0).toInt() > 0, qPrintable(unverified.value(1).toString() + QStringLiteral(" is used by nothing")));
        ++kept;
    }
    QVERIFY2(kept > 0 && kept <= 10, qPrintable(QString::number(kept)));
    // Typed rows the table replaced are gone: no "representative" soy sauce or vinegar.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName in "
                                     "('酱油（代表值）','醋（代表值）','酱油（生抽）','可乐','白砂糖')")),
             0);
    // Names misread in the scan and identical in values to the 2002 sample are corrected.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName in "
                                     "('籼米粉[排米粉]','鳡鱼[猴鱼]','鲹鱼[蓝圆鲹、边鱼]','鲻鱼[白眼棱鱼]')")),
             4);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName in "
                                     "('粳米粉[排米粉]','鲶鱼[猴鱼]','鳕鱼[蓝圆鳕、边鱼]','鲽鱼[白眼棱鱼]')")),
             0);

    // Pinyin initials are filled from the names in every food table.
    for (const auto &[table, key] : {std::pair{"Nutri_tb", "FoodName"}, std::pair{"CateNutri_tb", "FOODNAME"},
                                    std::pair{"GlycemicIndex_tb", "FoodName"}, std::pair{"Fatty_tb", "FoodName"}}) {
        QSqlQuery p = run(QStringLiteral("SELECT %1, PYJM FROM %2").arg(QLatin1String(key), QLatin1String(table)));
        int rows = 0;
        while (p.next()) {
            QCOMPARE(p.value(1).toString(), nqb::PinyinInitials(p.value(0).toString()));
            ++rows;
        }
        QVERIFY2(rows > 0, table);
    }
    QSqlQuery p = run(QStringLiteral("SELECT PYJM FROM Nutri_tb WHERE FoodName = '稻米（代表值）'"));
    QVERIFY(p.next());
    QCOMPARE(p.value(0).toString(), QStringLiteral("DMDBZ"));
}

void SeedFoodsTest::compositionValuesAreSound()
{
    TestEnv env;
    const QStringList cols = nqb::compositionColumns();

    // No negative content in any food or dish.
    for (const char *table : {"Nutri_tb", "CateNutri_tb"}) {
        QStringList negatives;
        for (const auto &c : cols)
            negatives << c + QStringLiteral(" < 0");
        QCOMPARE(rowCount(QStringLiteral("select count(*) from %1 where %2")
                              .arg(QLatin1String(table), negatives.join(QStringLiteral(" or ")))),
                 0);
    }

    // Columns the composition table does not have stay empty; nothing is invented.
    for (const char *c : {"FIBTG", "FIBSOL", "VITB6A", "VITB12", "FOL"})
        QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where %1 is not null").arg(QLatin1String(c))),
                 0);

    // Energy: the book computes kJ with its own factors, so kJ/kcal lies
    // between 3.9 and 4.3, or differs from 4.184 x kcal by rounding only. The
    // exceptions are the book's own: the infant foods of group 13 (values as
    // declared on the product labels) and four rows printed so in the book.
    const QSet<QString> bookExceptions = {QStringLiteral("06-2-101"), QStringLiteral("06-6-201"),
                                          QStringLiteral("10-1-165"), QStringLiteral("12-9-019")};
    QSqlQuery q = run(QStringLiteral("SELECT Code, FoodName, ENERC_kcal, ENERC_kJ, FoodDescribe FROM Nutri_tb "
                                     "WHERE ENERC_kcal IS NOT NULL AND ENERC_kJ IS NOT NULL"));
    int checked = 0;
    while (q.next()) {
        const QString code = q.value(0).toString();
        const double kcal = q.value(2).toDouble();
        const double kj = q.value(3).toDouble();
        QVERIFY2(kj >= kcal, qPrintable(code + QStringLiteral(": kcal and kJ swapped")));
        const bool ok = std::fabs(kj - 4.184 * kcal) <= 3 || (kcal > 0 && kj / kcal >= 3.9 && kj / kcal <= 4.3);
        if (!ok) {
            QVERIFY2(code.startsWith(QLatin1String("13-")) || bookExceptions.contains(code),
                     qPrintable(QStringLiteral("%1 %2: %3 kcal / %4 kJ").arg(code, q.value(1).toString()).arg(kcal).arg(kj)));
            QVERIFY(q.value(4).toString().contains(QStringLiteral("kJ")));
        }
        // Foods of the 2002/2004 tables carry the book's kcal (or the book's
        // rule applied to their values); kJ follows from it.
        if (code.left(2) == QLatin1String("14") || code.left(2) == QLatin1String("15") ||
            code.left(2) == QLatin1String("16") || code.left(2) == QLatin1String("17") ||
            code.left(2) == QLatin1String("18") || code.left(2) == QLatin1String("20"))
            QCOMPARE(kj, std::round(kcal * 4.184));
        ++checked;
    }
    QVERIFY(checked > 1800);

    // Vitamin A is in µg RE: retinol + carotene / 6 wherever both are given
    // (outside the wild vegetables, whose column the book gives in RE already).
    QSqlQuery a = run(QStringLiteral("SELECT Code, VITA, RETIN, CAROT FROM Nutri_tb WHERE RETIN IS NOT NULL AND "
                                     "CAROT IS NOT NULL"));
    int withBoth = 0;
    while (a.next()) {
        const double expected = a.value(2).toDouble() + a.value(3).toDouble() / 6.0;
        QVERIFY2(std::fabs(a.value(1).toDouble() - expected) <= 0.05 + 1e-9, qPrintable(a.value(0).toString()));
        ++withBoth;
    }
    QVERIFY(withBoth > 800);

    // Rows whose two readings disagree are kept and say so.
    QVERIFY(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodDescribe like '数据存疑%'")) > 100);
    // A place of origin is given for sampled foods and repeated in the description.
    QSqlQuery area = run(QStringLiteral("SELECT ProducingArea, FoodDescribe FROM Nutri_tb WHERE ProducingArea <> ''"));
    int places = 0;
    while (area.next()) {
        QVERIFY(area.value(1).toString().contains(QStringLiteral("产地：") + area.value(0).toString()));
        QVERIFY(!area.value(0).toString().at(0).isDigit());
        ++places;
    }
    QVERIFY(places > 1000);
}

void SeedFoodsTest::spotValuesMatchTheBook()
{
    TestEnv env;
    struct Spot {
        const char *name;
        const char *column;
        double value;
    };
    const Spot spots[] = {
        {"稻米（代表值）", "ENERC_kcal", 346}, {"稻米（代表值）", "PROCNT", 7.9},   {"稻米（代表值）", "FAT", 0.9},
        {"稻米（代表值）", "CHOCDF", 77.2},    {"稻米（代表值）", "FIBINS", 0.6},   {"小麦粉（标准粉）", "ENERC_kcal", 362},
        {"小麦粉（标准粉）", "PROCNT", 15.7},  {"小麦粉（标准粉）", "FAT", 2.5},    {"小麦粉（标准粉）", "CHOCDF", 70.9},
        {"鸡蛋（代表值）", "ENERC_kcal", 139}, {"鸡蛋（代表值）", "PROCNT", 13.1},  {"鸡蛋（代表值）", "FAT", 8.6},
        {"鸡蛋（代表值）", "CHOCDF", 2.4},     {"鸡蛋（代表值）", "CHOLE", 648},    {"鸡蛋（代表值）", "RETIN", 216},
        {"纯牛奶（代表值，全脂）", "ENERC_kcal", 65}, {"纯牛奶（代表值，全脂）", "PROCNT", 3.3},
        {"纯牛奶（代表值，全脂）", "FAT", 3.6}, {"纯牛奶（代表值，全脂）", "CHOCDF", 4.9},
        {"纯牛奶（代表值，全脂）", "CA", 107},  {"猪肉（瘦）", "ENERC_kcal", 143},   {"猪肉（瘦）", "PROCNT", 20.3},
        {"猪肉（瘦）", "FAT", 6.2},            {"猪肉（瘦）", "CHOCDF", 1.5},       {"猪肉（瘦）", "FE", 3.0},
        // Egg: 255 µg RAE of which 216 retinol, so 39 µg RAE = 468 µg carotene = 78 µg RE.
        {"鸡蛋（代表值）", "VITA", 294},
        // Condiments and drinks of the 2002 table.
        {"精盐", "NA", 39311},                 {"酱油（均值）", "NA", 5757},      {"味精", "NA", 8160},
        {"糖（白砂糖）", "ENERC_kcal", 400},   {"糖（白砂糖）", "CHOCDF", 99.9},    {"醋（均值）", "ENERC_kcal", 31},
        {"醋（均值）", "NA", 262.1},           {"啤酒（均值）", "ENERC_kcal", 32},
    };
    for (const auto &s : spots) {
        QSqlQuery q(nqb::db());
        q.prepare(QStringLiteral("SELECT %1 FROM Nutri_tb WHERE FoodName = ?").arg(QLatin1String(s.column)));
        q.addBindValue(QString::fromUtf8(s.name));
        QVERIFY(q.exec());
        QVERIFY2(q.next(), s.name);
        QVERIFY2(std::fabs(q.value(0).toDouble() - s.value) < 1e-9,
                 qPrintable(QStringLiteral("%1 %2 = %3").arg(QString::fromUtf8(s.name), QLatin1String(s.column),
                                                             q.value(0).toString())));
    }
    // The representative value of rice keeps the book's digits; a trace counts 0.
    QCOMPARE(run(QStringLiteral("SELECT Code FROM Nutri_tb WHERE FoodName='稻米（代表值）'")).next(), true);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where Code='01-2-001' and FoodName='稻米（代表值）'")), 1);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName='粳米饭（蒸，北京）' and THIA = 0")), 1);
    // Wild vegetables whose kcal and kJ columns were read swapped: 白沙蒿 56 kcal.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName='白沙蒿（鲜）[沙蒿]' and "
                                     "ENERC_kcal=56 and ENERC_kJ=232")),
             1);
}

void SeedFoodsTest::glycemicIndexRowsPointToTheirFoods()
{
    TestEnv env;
    QCOMPARE(rowCount(QStringLiteral("GlycemicIndex_tb")), 259);
    // Every row carries a code, so the food tree reaches it.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from GlycemicIndex_tb where CODE is null or CODE = ''")), 0);
    QSqlQuery q = run(QStringLiteral("SELECT g.CODE, g.FoodName, n.Code, n.FoodName, g.GI FROM GlycemicIndex_tb g "
                                     "JOIN Nutri_tb n ON n.Code = g.CODE"));
    QSet<QString> tied;
    while (q.next()) {
        QCOMPARE(q.value(1).toString(), q.value(3).toString());
        QVERIFY2(!tied.contains(q.value(1).toString()), qPrintable(q.value(1).toString()));
        tied.insert(q.value(1).toString());
        QVERIFY(q.value(4).toDouble() > 0 && q.value(4).toDouble() <= 110);
    }
    QVERIFY2(tied.size() >= 60, qPrintable(QString::number(tied.size())));
    // Looked up by name: a tied food finds its index.
    QSqlQuery r = run(QStringLiteral("SELECT GI FROM GlycemicIndex_tb WHERE FoodName = '苹果（代表值）'"));
    QVERIFY(r.next());
    QCOMPARE(r.value(0).toDouble(), 36.0);
    // Untied rows keep the printed name under a code of their own; dried
    // lentils are not tied to fresh bean pods.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from GlycemicIndex_tb g where FoodName='扁豆' and "
                                     "CODE like '03-%' and not exists (select 1 from Nutri_tb n where n.Code=g.CODE)")),
             1);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from GlycemicIndex_tb g join Nutri_tb n on n.Code=g.CODE "
                                     "where n.FoodName='扁豆'")),
             0);
}

void SeedFoodsTest::glycemicIndexRowsSitInTheTree()
{
    TestEnv env;
    // A row without a raw food has a code of its own: unique, in an existing
    // sub-group, and clashing with no raw food.
    QSet<QString> subs;
    QSqlQuery s = run(QStringLiteral("SELECT FoodGroup, SubID FROM FoodKindSub_tb"));
    while (s.next())
        subs.insert(s.value(0).toString() + QLatin1Char('-') + s.value(1).toString());
    QSqlQuery q = run(QStringLiteral("SELECT g.CODE, g.FoodName, n.FoodName FROM GlycemicIndex_tb g "
                                     "LEFT JOIN Nutri_tb n ON n.Code = g.CODE"));
    const QRegularExpression codeForm(QStringLiteral("^\\d\\d-\\d-\\d\\d\\d$"));
    QSet<QString> own;
    int tied = 0;
    while (q.next()) {
        const QString code = q.value(0).toString();
        QVERIFY2(codeForm.match(code).hasMatch(), qPrintable(code));
        QVERIFY2(subs.contains(code.left(4)), qPrintable(code + QStringLiteral(" is in no sub-group")));
        if (q.value(2).isNull()) {
            QVERIFY2(!own.contains(code), qPrintable(code));
            own.insert(code);
        } else {
            ++tied;
        }
    }
    QCOMPARE(tied + own.size(), 259);
    QVERIFY2(tied >= 70, qPrintable(QString::number(tied)));

    // Found through the tree: the sub-group "糖" of 糖蜜饯类 lists glucose,
    // a row no raw food stands for, and the sugar the book measured.
    QSqlQuery t = run(QStringLiteral("SELECT g.FoodName FROM GlycemicIndex_tb g JOIN FoodKindSub_tb s ON "
                                     "s.FoodGroup = substr(g.CODE,1,2) AND s.SubID = substr(g.CODE,4,1) "
                                     "WHERE s.FoodGroup = '18' AND s.FoodGroupSub = '1-糖'"));
    QStringList names;
    while (t.next())
        names << t.value(0).toString();
    QVERIFY2(names.contains(QStringLiteral("葡萄糖")), qPrintable(names.join(QLatin1Char(' '))));
    QVERIFY2(names.contains(QStringLiteral("糖（白砂糖）")), qPrintable(names.join(QLatin1Char(' '))));
    // A mixed meal is filed under 其他, a rice dish of the cereals under its group.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from GlycemicIndex_tb where FoodName = '馒头 + 酱牛肉' and "
                                     "CODE like '21-9-%'")),
             1);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from GlycemicIndex_tb where FoodName = '黑米粥' and "
                                     "CODE like '01-%'")),
             1);
}

void SeedFoodsTest::condimentsAndDrinksComeFromTheTable()
{
    TestEnv env;
    auto value = [](const QString &name, const char *column) -> QVariant {
        QSqlQuery q(nqb::db());
        q.prepare(QStringLiteral("SELECT %1 FROM Nutri_tb WHERE FoodName = ?").arg(QLatin1String(column)));
        q.addBindValue(name);
        if (!q.exec() || !q.next())
            return QVariant(QStringLiteral("<missing %1>").arg(name));
        return q.value(0);
    };
    // Salt, typed before, now the table's row: Na 39311 mg, code of the 2002 book.
    QCOMPARE(value(QStringLiteral("精盐"), "NA").toDouble(), 39311.0);
    QCOMPARE(value(QStringLiteral("精盐"), "Code").toString(), QStringLiteral("20-7-102"));
    QVERIFY(value(QStringLiteral("精盐"), "FoodDescribe").toString().contains(QStringLiteral("207102")));
    // Light soy sauce with the table's values, not the typed ones (Na 6000, water 73).
    QCOMPARE(value(QStringLiteral("生抽"), "NA").toDouble(), 6384.7);
    QCOMPARE(value(QStringLiteral("生抽"), "WATER").toDouble(), 81.2);
    // Energy is the book's kcal, not the platform's kJ: Sichuan pepper 258 kcal
    // (the platform's 1574 kJ would be 376 kcal), beer 32 kcal.
    QCOMPARE(value(QStringLiteral("花椒"), "ENERC_kcal").toDouble(), 258.0);
    QCOMPARE(value(QStringLiteral("花椒"), "ENERC_kJ").toDouble(), std::round(258 * 4.184));
    QCOMPARE(value(QStringLiteral("啤酒（均值）"), "ENERC_kcal").toDouble(), 32.0);
    // Alcoholic drinks: the platform's carbohydrate is the alcohol; none is stored.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where Code like '17-%' and CHOCDF is not null")), 0);
    QVERIFY(rowCount(QStringLiteral("select count(*) from Nutri_tb where Code like '17-%'")) > 40);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where Code like '17-%' and "
                                     "FoodDescribe not like '%酒精%'")),
             0);

    // A dish with soy sauce points at the table's soy sauce, and its sodium is
    // recomputed from the new values.
    const QString soy = value(QStringLiteral("酱油（均值）"), "Code").toString();
    QSqlQuery d(nqb::db());
    d.prepare(QStringLiteral("SELECT FOODID, NA FROM CateNutri_tb WHERE FOODNAME = '皮蛋豆腐'"));
    QVERIFY(d.exec() && d.next());
    const QString dish = d.value(0).toString();
    const double storedNa = d.value(1).toDouble();
    QSqlQuery c(nqb::db());
    c.prepare(QStringLiteral("SELECT c.CODE, c.WEIGHT, n.EDIBLE, n.NA FROM CateComponent_tb c JOIN Nutri_tb n ON "
                             "n.Code = c.CODE WHERE c.FOODID = ?"));
    c.addBindValue(dish);
    QVERIFY(c.exec());
    double weight = 0, na = 0;
    bool hasSoy = false;
    while (c.next()) {
        hasSoy = hasSoy || c.value(0).toString() == soy;
        weight += c.value(1).toDouble();
        na += c.value(1).toDouble() * c.value(2).toDouble() * c.value(3).toDouble() / 10000.0;
    }
    QVERIFY(hasSoy);
    QVERIFY2(std::fabs(storedNa - round4(na) * 100 / round4(weight)) < 1e-6, qPrintable(QString::number(storedNa)));
    // 10 g of soy sauce at 5757 mg/100 g in 439 g of dish, plus the preserved egg's.
    QVERIFY2(storedNa > 5757.0 * 10 / 439, qPrintable(QString::number(storedNa)));
}

void SeedFoodsTest::fattyAcidSharesAndIodine()
{
    TestEnv env;
    // Every fatty-acid row belongs to a food of that code and name, once, with
    // shares that are percentages of all fatty acids.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Fatty_tb f left join Nutri_tb n on n.Code = f.CODE "
                                     "where n.Code is null or n.FoodName <> f.FoodName")),
             0);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from (select CODE from Fatty_tb group by CODE having count(*) > 1)")),
             0);
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Fatty_tb where SFA_FA_Total > 100 or MUFA_FA_Totol > 100 or "
                                     "PUFA_FA_Total > 100 or SFA_FA_Total + MUFA_FA_Totol + PUFA_FA_Total > 105")),
             0);
    QVERIFY(rowCount(QStringLiteral("Fatty_tb")) > 400);
    // The fatty-acid page of a keyed food: lard 43.2 / 47.9 / 8.9 %.
    QSqlQuery f = run(QStringLiteral("SELECT SFA_FA_Total, MUFA_FA_Totol, PUFA_FA_Total, PYJM, FattyAcid_Total, "
                                     "SFA_FA_16_0 FROM Fatty_tb WHERE FoodName = '猪油（炼）'"));
    QVERIFY(f.next());
    QCOMPARE(f.value(0).toDouble(), 43.2);
    QCOMPARE(f.value(1).toDouble(), 47.9);
    QCOMPARE(f.value(2).toDouble(), 8.9);
    QCOMPARE(f.value(3).toString(), nqb::PinyinInitials(QStringLiteral("猪油（炼）")));
    // Nothing beyond the class totals is invented.
    QVERIFY(f.value(4).isNull() && f.value(5).isNull());
    // Values the platform gives in grams under a percent label are not loaded as percent.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Fatty_tb where FoodName like '比萨饼%' or "
                                     "FoodName like '三明治%' or FoodName like '热狗%'")),
             0);
    QVERIFY(rowCount(QStringLiteral("select count(*) from Nutri_tb where FoodName like '三明治%'")) > 0);

    // Iodine: a trace is stored as 0, a food without a value stays empty.
    auto iodine = [](const char *name) {
        QSqlQuery q(nqb::db());
        q.prepare(QStringLiteral("SELECT ID FROM Nutri_tb WHERE FoodName = ?"));
        q.addBindValue(QString::fromUtf8(name));
        return q.exec() && q.next() ? q.value(0) : QVariant(QStringLiteral("missing"));
    };
    QCOMPARE(iodine("籼米"), QVariant(0.0));
    QVERIFY(iodine("稻米（代表值）").isNull());
    QCOMPARE(iodine("鸡精").toDouble(), 766.5);
    QCOMPARE(iodine("生抽").toDouble(), 0.6);
    QVERIFY(rowCount(QStringLiteral("select count(*) from Nutri_tb where ID is not null")) > 100);
    // Keyed 6th-edition foods name the source of their iodine.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from Nutri_tb where ID is not null and "
                                     "substr(Code,1,2) not in ('14','15','16','17','18','20') and "
                                     "FoodDescribe not like '%碘取自中国食物成分表2002/2004%'")),
             0);
    // A dish's iodine follows from its ingredients: steamed perch has it from its light soy sauce.
    QSqlQuery dish = run(QStringLiteral("SELECT ID FROM CateNutri_tb WHERE FOODNAME = '清蒸鲈鱼'"));
    QVERIFY(dish.next());
    QVERIFY(!dish.value(0).isNull() && dish.value(0).toDouble() > 0);
}

void SeedFoodsTest::dishBlockFollowsTheEditorRule()
{
    const int protein = nqb::compositionIndex(QStringLiteral("PROCNT"));
    const int b12 = nqb::compositionIndex(QStringLiteral("VITB12"));
    // A: 100 g, all edible, 10 g protein per 100 g -> 10 g; B: 50 g, 80 % edible,
    // 20 g per 100 g -> 8 g. 18 g in 150 g: 12 per 100 g, 10.8 with 90 % edible.
    nqb::DishIngredient a, b;
    a.weight = 100;
    a.edible = 100;
    a.per100g[protein] = 10;
    b.weight = 50;
    b.edible = 80;
    b.per100g[protein] = 20;
    b.per100g[b12] = 1.5;
    auto block = nqb::computeDishBlock({a, b}, 100);
    QVERIFY(block.has_value());
    QCOMPARE(*(*block)[protein], 12.0);
    QCOMPARE(*nqb::computeDishBlock({a, b}, 90).value()[protein], 10.8);
    // An edible portion above 100 counts as 100; 0 gives zero values.
    QCOMPARE(*nqb::computeDishBlock({a, b}, 150).value()[protein], 12.0);
    QCOMPARE(*nqb::computeDishBlock({a, b}, 0).value()[protein], 0.0);
    // A nutrient only one ingredient has counts 0 for the other; one that no
    // ingredient has stays empty.
    QCOMPARE(*(*block)[b12], 1.5 * 50 * 80 / 10000.0 * 100 / 150);
    QVERIFY(!(*block)[nqb::compositionIndex(QStringLiteral("FOL"))].has_value());
    // The sums are those of the grid footers, held to four decimals.
    nqb::DishIngredient c;
    c.weight = 3;
    c.edible = 100;
    c.per100g[protein] = 0.0333333;
    QCOMPARE(*nqb::computeDishBlock({c}, 100).value()[protein], 0.001 * 100 / 3);
    // Without ingredient weight there are no dish values.
    QVERIFY(!nqb::computeDishBlock({}, 100).has_value());
    c.weight = 0;
    QVERIFY(!nqb::computeDishBlock({c}, 100).has_value());
}

void SeedFoodsTest::dishesAreStoredFromTheirIngredients()
{
    TestEnv env;
    const QStringList cols = nqb::compositionColumns();

    QHash<QString, QString> kindOf; // KINDNAME -> KINDID
    QSqlQuery k = run(QStringLiteral("SELECT KINDID, KINDNAME FROM CateKind_tb"));
    while (k.next())
        kindOf.insert(k.value(1).toString(), k.value(0).toString());
    QVERIFY(kindOf.size() >= 6);

    // Raw foods by code.
    struct Food {
        int edible = 0;
        QList<std::optional<double>> v;
    };
    QHash<QString, Food> foods;
    QSqlQuery fq = run(QStringLiteral("SELECT Code, EDIBLE, %1 FROM Nutri_tb").arg(cols.join(QStringLiteral(", "))));
    while (fq.next()) {
        Food f;
        f.edible = int(std::lround(fq.value(1).toDouble()));
        for (int i = 0; i < cols.size(); ++i)
            f.v << opt(fq.value(2 + i));
        foods.insert(fq.value(0).toString(), f);
    }

    QSet<QString> names;
    QHash<QString, int> perKind;
    QSqlQuery d = run(QStringLiteral("SELECT FOODID, FOODNAME, KINDNAME, EDIBLE, %1 FROM CateNutri_tb")
                          .arg(cols.join(QStringLiteral(", "))));
    int dishes = 0;
    while (d.next()) {
        const QString id = d.value(0).toString();
        const QString name = d.value(1).toString();
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        QVERIFY2(kindOf.contains(d.value(2).toString()), qPrintable(id));
        QCOMPARE(id.size(), 6);
        QCOMPARE(id.left(3), kindOf.value(d.value(2).toString()) + QLatin1Char('-'));
        ++perKind[d.value(2).toString()];
        const int edible = d.value(3).toInt();
        QCOMPARE(edible, 100);

        QSqlQuery c(nqb::db());
        c.prepare(QStringLiteral("SELECT CODE, WEIGHT FROM CateComponent_tb WHERE FOODID = ?"));
        c.addBindValue(id);
        QVERIFY(c.exec());
        double weight = 0;
        QList<double> sums(cols.size(), 0.0);
        QList<bool> known(cols.size(), false);
        int ingredients = 0;
        while (c.next()) {
            const QString code = c.value(0).toString();
            QVERIFY2(foods.contains(code), qPrintable(id + QStringLiteral(" uses unknown food ") + code));
            const double w = c.value(1).toDouble();
            QVERIFY(w > 0);
            weight += w;
            const Food &f = foods[code];
            for (int i = 0; i < cols.size(); ++i) {
                if (f.v[i]) {
                    sums[i] += *f.v[i] * w * f.edible / 10000.0;
                    known[i] = true;
                }
            }
            ++ingredients;
        }
        QVERIFY2(ingredients >= 1, qPrintable(id));
        for (int i = 0; i < cols.size(); ++i) {
            const QVariant stored = d.value(4 + i);
            if (!known[i]) {
                QVERIFY2(stored.isNull(), qPrintable(id + QLatin1Char(' ') + cols[i]));
                continue;
            }
            const double expected = round4(sums[i]) * edible / round4(weight);
            QVERIFY2(!stored.isNull() && close(stored.toDouble(), expected),
                     qPrintable(QStringLiteral("%1 %2: %3, expected %4").arg(id, cols[i], stored.toString()).arg(expected)));
        }
        ++dishes;
    }
    QVERIFY2(dishes >= 80, qPrintable(QString::number(dishes)));
    for (auto it = kindOf.constBegin(); it != kindOf.constEnd(); ++it)
        QVERIFY2(perKind.value(it.key()) > 0, qPrintable(it.key()));
    // No ingredient row without its dish.
    QCOMPARE(rowCount(QStringLiteral("select count(*) from CateComponent_tb c left join CateNutri_tb d on "
                                     "d.FOODID=c.FOODID where d.FOODID is null")),
             0);
}

void SeedFoodsTest::menusAndARealisticDay()
{
    TestEnv env;
    const QStringList mealSlots = {QStringLiteral("早餐"), QStringLiteral("早间餐"), QStringLiteral("午餐"),
                               QStringLiteral("午间餐"), QStringLiteral("晚餐"), QStringLiteral("晚间餐"),
                               QStringLiteral("加餐")};
    for (const auto &s : mealSlots) {
        QSqlQuery q(nqb::db());
        q.prepare(QStringLiteral("SELECT count(*) FROM CustomPantry_tb WHERE DINERTIME = ?"));
        q.addBindValue(s);
        QVERIFY(q.exec() && q.next());
        QVERIFY2(q.value(0).toInt() > 0, qPrintable(s));
    }
    QCOMPARE(rowCount(QStringLiteral("select count(*) from CustomPantry_tb where DINERTIME not in "
                                     "('早餐','早间餐','午餐','午间餐','晚餐','晚间餐','加餐')")),
             0);
    // Each item is a dish (6 characters) or a raw food (8) of that name, with a portion.
    QSqlQuery m = run(QStringLiteral("SELECT PANTRY, FOODNAME, WEIGHT FROM CustomPantry_tb"));
    while (m.next()) {
        const QString id = m.value(0).toString();
        QVERIFY2(id.size() == 6 || id.size() == 8, qPrintable(id));
        QSqlQuery f(nqb::db());
        f.prepare(id.size() == 6 ? QStringLiteral("SELECT FOODNAME FROM CateNutri_tb WHERE FOODID = ?")
                                 : QStringLiteral("SELECT FoodName FROM Nutri_tb WHERE Code = ?"));
        f.addBindValue(id);
        QVERIFY(f.exec());
        QVERIFY2(f.next(), qPrintable(id));
        QCOMPARE(f.value(0).toString(), m.value(1).toString());
        QVERIFY(m.value(2).toDouble() > 0);
    }

    // A day of ordinary meals: energy, protein and sodium (salt and soy sauce
    // included in the dishes) come out in the range of a real Chinese diet.
    struct Item {
        const char *name;
        double weight;
    };
    const Item day[] = {{"自制豆浆", 300},         {"猪肉大葱包子", 150},       {"茶叶蛋", 50},
                        {"米饭（蒸，代表值）", 200}, {"番茄炒蛋", 200},          {"青椒肉丝", 200},
                        {"番茄鸡蛋汤", 250},       {"米饭（蒸，代表值）", 150}, {"清蒸鲈鱼", 250},
                        {"醋溜白菜", 200},         {"紫菜蛋花汤", 250}};
    double kcal = 0, protein = 0, sodium = 0;
    for (const auto &it : day) {
        QSqlQuery q(nqb::db());
        q.prepare(QStringLiteral("SELECT EDIBLE, ENERC_kcal, PROCNT, NA FROM CateNutri_tb WHERE FOODNAME = ? "
                                 "UNION ALL SELECT EDIBLE, ENERC_kcal, PROCNT, NA FROM Nutri_tb WHERE FoodName = ?"));
        q.addBindValue(QString::fromUtf8(it.name));
        q.addBindValue(QString::fromUtf8(it.name));
        QVERIFY(q.exec());
        QVERIFY2(q.next(), it.name);
        const double f = it.weight * q.value(0).toDouble() / 10000.0;
        kcal += q.value(1).toDouble() * f;
        protein += q.value(2).toDouble() * f;
        sodium += q.value(3).toDouble() * f;
    }
    QVERIFY2(kcal > 1300 && kcal < 3000, qPrintable(QString::number(kcal)));
    QVERIFY2(protein > 50 && protein < 130, qPrintable(QString::number(protein)));
    QVERIFY2(sodium > 2000 && sodium < 7000, qPrintable(QString::number(sodium)));
}

void SeedFoodsTest::seedBuildsQuickly()
{
    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const QString err = nqb::createDatabaseFile(dir.filePath(QStringLiteral("Data/nqbnorvik.dat")));
    const qint64 ms = t.elapsed();
    QVERIFY2(err.isEmpty(), qPrintable(err));
    qInfo("seed database built in %lld ms", ms);
    // A statement per commit or a per-row lookup would take minutes.
    QVERIFY2(ms < 10000, qPrintable(QString::number(ms)));
}

QTEST_MAIN(SeedFoodsTest)
#include "test_seed_foods.moc"
