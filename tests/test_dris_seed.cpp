// The bundled reference intakes and special diets: every profile the windows
// can choose derives a matrix that passes the check.
#include "TestEnv.h"
#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "diners/Requirements.h"

#include <QSqlQuery>
#include <QtTest>

#include <cmath>

using namespace nqb;

class DrisSeedTest : public QObject
{
    Q_OBJECT
private slots:
    void everyOfferedProfileDerivesAndPasses();
    void bandsBoundsAndRowsAsOffered();
    void bookValuesOfCommonProfiles();
    void amendmentRowsAreConsistent();
    void dietKindsOfferedByAgeAndSex();
};

namespace {

struct Combination {
    QString band, sex, activity, state;
};

QList<Combination> offeredCombinations()
{
    QList<Combination> all;
    for (const auto &band : ageBandTexts())
        for (const auto &sex : {QStringLiteral("男"), QStringLiteral("女")})
            for (const auto &act : activityLevelsForBand(band))
                all.append({band, sex, act, {}});
    for (const auto &state : physiologicalStates())
        all.append({QStringLiteral("18 ～ 50"), QStringLiteral("女"), QStringLiteral("轻体力活动"), state});
    return all;
}

RequirementProfile profileOf(const Combination &c)
{
    RequirementProfile p;
    p.ageBand = c.band;
    p.sex = c.sex;
    p.activity = c.activity;
    p.state = c.state;
    bool found = false;
    ageBandBounds(db(), c.band, p.ageLower, p.ageUpper, &found);
    return p;
}

QString describe(const Combination &c, const QString &kind = {})
{
    return QStringLiteral("%1 %2 %3 %4 %5").arg(c.band, c.sex, c.activity, c.state, kind);
}

} // namespace

void DrisSeedTest::everyOfferedProfileDerivesAndPasses()
{
    TestEnv env;
    const auto combos = offeredCombinations();
    // 15 bands with one level, 2 with three, 2 with two, per sex; four states.
    QCOMPARE(combos.size(), (15 + 2 * 3 + 2 * 2) * 2 + 4);
    QCOMPARE(combos.size(), 54);
    int withDiets = 0;
    for (const auto &c : combos) {
        RequirementProfile p = profileOf(c);
        QStringList kinds;
        QCOMPARE(dietKinds(db(), p.sex, p.ageLower, p.ageUpper, kinds), QString());
        if (!c.state.isEmpty())
            kinds = QStringList{normalDietKind()}; // a state fixes the normal diet
        for (const auto &kind : kinds) {
            p.dietKind = kind;
            RequirementState s;
            QCOMPARE(computeRequirements(db(), p, s), QString());
            QVERIFY2(s.standardFound, qPrintable(describe(c, kind)));
            QVERIFY2(s.referenceWeight > 0, qPrintable(describe(c, kind)));
            const QStringList warnings = validateRequirements(s.matrix);
            QVERIFY2(warnings.isEmpty(), qPrintable(describe(c, kind) + warnings.join(QLatin1Char(' '))));
            // The personal basis at the reference weight changes nothing that
            // would break the check either.
            p.personalBasis = true;
            p.personalWeight = fmtG(s.referenceWeight);
            RequirementState scaled;
            QCOMPARE(computeRequirements(db(), p, scaled), QString());
            QCOMPARE(scaled.weightScaling, WeightScaling::Applied);
            QVERIFY2(validateRequirements(scaled.matrix).isEmpty(), qPrintable(describe(c, kind)));
            p.personalBasis = false;
            if (kind != normalDietKind())
                ++withDiets;
        }
    }
    QVERIFY(withDiets > 0);
}

void DrisSeedTest::bandsBoundsAndRowsAsOffered()
{
    TestEnv env;
    QCOMPARE(rowCount(QStringLiteral("DRIsStand_tb")), 54 * 3);

    // Every stored band text is one the windows offer, and every offered
    // combination has exactly one row of each kind.
    QSqlQuery q(db());
    QVERIFY(q.exec("SELECT DISTINCT AGETEXT FROM DRIsStand_tb"));
    QStringList stored;
    while (q.next())
        stored << q.value(0).toString();
    std::sort(stored.begin(), stored.end());
    QStringList offered = ageBandTexts();
    std::sort(offered.begin(), offered.end());
    QCOMPARE(stored, offered);

    QVERIFY(q.exec("SELECT SEX, AGETEXT, ACT, DRIS, COUNT(*) FROM DRIsStand_tb GROUP BY SEX, AGETEXT, ACT, DRIS"));
    int groups = 0;
    while (q.next()) {
        QCOMPARE(q.value(4).toInt(), 1);
        ++groups;
    }
    QCOMPARE(groups, 54 * 3);

    const QList<std::pair<double, double>> bounds = {
        {0, 0.5}, {0.5, 1}, {1, 2},   {2, 3},   {3, 4},   {4, 5},   {5, 6},   {6, 7},   {7, 8},  {8, 9},
        {9, 10},  {10, 11}, {11, 14}, {14, 18}, {18, 50}, {50, 60}, {60, 70}, {70, 80}, {80, 99}};
    for (int i = 0; i < ageBandTexts().size(); ++i) {
        double lo = -1, hi = -1;
        bool found = false;
        QCOMPARE(ageBandBounds(db(), ageBandTexts()[i], lo, hi, &found), QString());
        QVERIFY(found);
        QCOMPARE(lo, bounds[i].first);
        QCOMPARE(hi, bounds[i].second);
    }

    // The state rows are found by SEX alone: one row of each kind per state.
    for (const auto &state : physiologicalStates()) {
        StandardRows rows;
        QCOMPARE(readStateRows(db(), state, rows), QString());
        QVERIFY(rows.found);
        for (int r = 0; r < kRequirementRows; ++r)
            QVERIFY(!rows.matrix.text(r, kEnergyKcal).isEmpty());
    }
}

void DrisSeedTest::bookValuesOfCommonProfiles()
{
    TestEnv env;
    auto rni = [](const QString &band, const QString &sex, const QString &act, int n) {
        StandardRows rows;
        readStandardRows(db(), band, sex, act, rows);
        return rows.matrix.value(RniRow, n);
    };
    auto ear = [](const QString &band, const QString &sex, const QString &act, int n) {
        StandardRows rows;
        readStandardRows(db(), band, sex, act, rows);
        return rows.matrix.value(EarRow, n);
    };
    const QString adult = QStringLiteral("18 ～ 50"), light = QStringLiteral("轻体力活动");
    const QString m = QStringLiteral("男"), f = QStringLiteral("女");
    const int ca = requirementIndex("CA"), fe = requirementIndex("FE"), vita = requirementIndex("VITA");

    // Energy (EER of 2013) and its kJ.
    QCOMPARE(rni(adult, m, light, kEnergyKcal), 2250.0);
    QCOMPARE(rni(adult, m, QStringLiteral("重体力活动"), kEnergyKcal), 3000.0);
    QCOMPARE(rni(adult, f, light, kEnergyKcal), 1800.0);
    QCOMPARE(rni(QStringLiteral("80 ～"), f, light, kEnergyKcal), 1500.0);
    QCOMPARE(rni(adult, m, light, kEnergyKj), std::round(2250 * 4.184));
    // Protein: the book's table values, not the per-kg figures of the extract.
    QCOMPARE(rni(adult, m, light, kProtein), 65.0);
    QCOMPARE(ear(adult, m, light, kProtein), 60.0);
    QCOMPARE(rni(adult, f, light, kProtein), 55.0);
    QCOMPARE(ear(adult, f, light, kProtein), 50.0);
    QCOMPARE(rni(QStringLiteral("11 ～ 14"), f, light, kProtein), 55.0);
    // Minerals and vitamins.
    QCOMPARE(rni(adult, m, light, ca), 800.0);
    QCOMPARE(rni(QStringLiteral("50 ～ 60"), f, light, ca), 1000.0);
    QCOMPARE(rni(adult, m, light, fe), 12.0);
    QCOMPARE(rni(adult, f, light, fe), 20.0);
    QCOMPARE(rni(adult, f, light, vita), 700.0);

    // Pregnancy: the adult woman plus the increments.
    StandardRows mid;
    QCOMPARE(readStateRows(db(), QStringLiteral("孕中"), mid), QString());
    QCOMPARE(mid.matrix.value(RniRow, kEnergyKcal), 2100.0);
    QCOMPARE(mid.matrix.value(RniRow, kProtein), 70.0);
    QCOMPARE(mid.matrix.value(RniRow, ca), 1000.0);
    QCOMPARE(mid.matrix.value(RniRow, fe), 24.0);
    QCOMPARE(mid.matrix.value(RniRow, requirementIndex("FOL")), 600.0);
}

void DrisSeedTest::amendmentRowsAreConsistent()
{
    TestEnv env;
    QSqlQuery kinds(db());
    QVERIFY(kinds.exec("SELECT MEALKIND FROM DRIsIllKind_tb"));
    QStringList kindList;
    while (kinds.next())
        kindList << kinds.value(0).toString();
    QVERIFY(kindList.size() >= 5);
    QVERIFY(!kindList.contains(normalDietKind()));

    QSqlQuery q(db());
    QVERIFY(q.exec("SELECT MEALKIND, AGE, YEARFIR, YEARLAST, ELEMENT, SEX, RNI, EAR, UL, REMARK FROM DRIsIll_tb"));
    struct Range {
        QString key;
        double lo, hi;
    };
    QList<Range> ranges;
    int rows = 0;
    while (q.next()) {
        ++rows;
        const QString what = q.value(0).toString() + QLatin1Char(' ') + q.value(4).toString();
        QVERIFY2(kindList.contains(q.value(0).toString()), qPrintable(what));
        QVERIFY2(requirementIndexOfElement(q.value(4).toString()) >= 0, qPrintable(what));
        const QString sex = q.value(5).toString();
        QVERIFY(sex == QStringLiteral("男") || sex == QStringLiteral("女"));
        const double lo = q.value(2).toDouble(), hi = q.value(3).toDouble();
        QCOMPARE(q.value(1).toString(), fmtG(lo) + QStringLiteral("岁 ~ ") + fmtG(hi) + QStringLiteral("岁"));
        const double rni = q.value(6).toDouble(), ear = q.value(7).toDouble(), ul = q.value(8).toDouble();
        QVERIFY2(ear <= rni && rni < ul, qPrintable(what));
        QVERIFY2(!q.value(9).toString().trimmed().isEmpty(), qPrintable(what));
        const QString key = q.value(0).toString() + q.value(4).toString() + sex;
        for (const auto &r : ranges)
            QVERIFY2(!(r.key == key && r.lo < hi && r.hi > lo), qPrintable(what));
        ranges.append({key, lo, hi});
    }
    QVERIFY(rows > 0);
}

void DrisSeedTest::dietKindsOfferedByAgeAndSex()
{
    TestEnv env;
    QStringList adult, child, old;
    QCOMPARE(dietKinds(db(), QStringLiteral("女"), 18, 50, adult), QString());
    QCOMPARE(dietKinds(db(), QStringLiteral("男"), 7, 8, child), QString());
    QCOMPARE(dietKinds(db(), QStringLiteral("男"), 80, 99, old), QString());
    QCOMPARE(adult.first(), normalDietKind());
    QVERIFY(adult.contains(QStringLiteral("糖尿病膳食")));
    QVERIFY(adult.contains(QStringLiteral("低盐膳食")));
    QCOMPARE(child, QStringList{normalDietKind()}); // the special diets are for adults
    QVERIFY(old.contains(QStringLiteral("低盐膳食")));

    // The low-salt diet never loosens the sodium bound of the normal standard.
    const int na = requirementIndex("NA");
    for (const auto &band : {QStringLiteral("18 ～ 50"), QStringLiteral("50 ～ 60"), QStringLiteral("80 ～")}) {
        RequirementProfile p;
        p.ageBand = band;
        ageBandBounds(db(), band, p.ageLower, p.ageUpper);
        RequirementState normal, low;
        QCOMPARE(computeRequirements(db(), p, normal), QString());
        p.dietKind = QStringLiteral("低盐膳食");
        QCOMPARE(computeRequirements(db(), p, low), QString());
        QVERIFY2(low.matrix.value(UlRow, na) <= normal.matrix.value(UlRow, na), qPrintable(band));
    }
}

QTEST_MAIN(DrisSeedTest)
#include "test_dris_seed.moc"
