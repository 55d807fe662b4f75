// Requirement derivation: lookup, amendments, weight basis, feeding factor,
// energy adjustment, the check and the hand-over to DRIs_tmp.
#include "TestEnv.h"
#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "diners/Requirements.h"

#include <QSqlQuery>
#include <QtTest>

using namespace nqb;

class RequirementsTest : public QObject
{
    Q_OBJECT
private slots:
    void plainProfileIsTheStandardRows();
    void missingRowsGiveZerosThatFailTheCheck();
    void personalBasisScalesRniAndEarOnly();
    void personalBasisWithoutUsableWeights();
    void formulaFeedingRaisesEnergy();
    void amendmentsCoveringTheBandLaterRowWins();
    void dietKindsOfferedOnlyWhereAnAmendmentCovers();
    void energyAdjustmentMovesMacronutrientsByShownShares();
    void validationWarningsInGridOrder();
    void writeRequirementRowsUpdatesInPlace();
    void writeRequirementRowsAllOrNothing();
};

namespace {

using Row = std::array<double, kRequirementCount>;

const QString kBand = QStringLiteral("90 ～ 95");
const QString kMale = QStringLiteral("男");
const QString kFemale = QStringLiteral("女");
const QString kLight = QStringLiteral("轻体力活动");

Row rowOf(double kcal, double kj, double protein, double fat, double cho, double rest)
{
    Row r;
    r.fill(rest);
    r[kEnergyKcal] = kcal;
    r[kEnergyKj] = kj;
    r[kProtein] = protein;
    r[kFat] = fat;
    r[kCarbohydrate] = cho;
    return r;
}

void insertStandard(const QString &band, const QString &sex, const QString &act, const QString &kind, double weight,
                    const Row &v)
{
    QStringList marks;
    for (int i = 0; i < kRequirementCount; ++i)
        marks << QStringLiteral("?");
    QSqlQuery q(db());
    QVERIFY(q.prepare(QStringLiteral("INSERT INTO DRIsStand_tb (AGEFIR, AGELAST, SEX, AGETEXT, WEIGHT, ACT, DRIS, ") +
                      joinColumns(requirementColumns()) + QStringLiteral(") VALUES (90, 95, ?, ?, ?, ?, ?, ") +
                      marks.join(QStringLiteral(", ")) + QStringLiteral(")")));
    q.addBindValue(sex);
    q.addBindValue(band);
    q.addBindValue(weight);
    q.addBindValue(act);
    q.addBindValue(kind);
    for (double d : v)
        q.addBindValue(d);
    QVERIFY(q.exec());
}

// A sound fixture: energy 2000 kcal with shares 15/30/55 in the RNI row.
void insertFixture(const QString &band = kBand, double weight = 50)
{
    insertStandard(band, kMale, kLight, QStringLiteral("RNI"), weight, rowOf(2000, 8368, 75, 66.7, 275, 100));
    insertStandard(band, kMale, kLight, QStringLiteral("EAR"), weight, rowOf(1800, 7531, 60, 50, 250, 80));
    insertStandard(band, kMale, kLight, QStringLiteral("UL"), weight, rowOf(2200, 9205, 80, 80, 330, 200));
}

RequirementProfile fixtureProfile()
{
    RequirementProfile p;
    p.ageBand = kBand;
    p.ageLower = 90;
    p.ageUpper = 95;
    return p;
}

void insertAmendment(const QString &kind, double first, double last, const QString &element, const QString &sex,
                     const QVariant &rni, const QVariant &ear, const QVariant &ul)
{
    QSqlQuery q(db());
    QVERIFY(q.prepare("INSERT INTO DRIsIll_tb (MEALKIND, AGE, YEARFIR, YEARLAST, ELEMENT, SEX, RNI, EAR, UL, REMARK) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 'test')"));
    q.addBindValue(kind);
    q.addBindValue(fmtG(first) + QStringLiteral("岁 ~ ") + fmtG(last) + QStringLiteral("岁"));
    q.addBindValue(first);
    q.addBindValue(last);
    q.addBindValue(element);
    q.addBindValue(sex);
    q.addBindValue(rni);
    q.addBindValue(ear);
    q.addBindValue(ul);
    QVERIFY(q.exec());
}

void insertKind(const QString &kind)
{
    QSqlQuery q(db());
    QVERIFY(q.prepare("INSERT INTO DRIsIllKind_tb (MEALKIND) VALUES (?)"));
    q.addBindValue(kind);
    QVERIFY(q.exec());
}

QString warningFor(const char *header)
{
    return QStringLiteral("\"") + QString::fromUtf8(header) + QStringLiteral("\"参数值有误，请仔细检查！");
}

double storedValue(const QString &remark, const QString &column)
{
    QSqlQuery q(db());
    q.prepare(QStringLiteral("SELECT %1 FROM DRIs_tmp WHERE REMARK = ?").arg(column));
    q.addBindValue(remark);
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toDouble();
}

} // namespace

void RequirementsTest::plainProfileIsTheStandardRows()
{
    TestEnv env;
    RequirementProfile p; // "18 ～ 50", 男, 轻体力活动, 正常膳食, standard basis
    RequirementState s;
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QVERIFY(s.standardFound);

    QSqlQuery q(db());
    QVERIFY(q.exec(QStringLiteral("SELECT DRIS, WEIGHT, ") + joinColumns(requirementColumns()) +
                   QStringLiteral(" FROM DRIsStand_tb WHERE AGETEXT = '18 ～ 50' AND SEX = '男' "
                                  "AND ACT = '轻体力活动'")));
    int rows = 0;
    while (q.next()) {
        const int r = QStringList{"RNI", "EAR", "UL"}.indexOf(q.value(0).toString());
        QVERIFY(r >= 0);
        ++rows;
        QCOMPARE(s.referenceWeight, q.value(1).toDouble());
        for (int n = 0; n < kRequirementCount; ++n)
            QCOMPARE(s.matrix.value(r, n), q.value(2 + n).toDouble());
    }
    QCOMPARE(rows, 3);
    QVERIFY(validateRequirements(s.matrix).isEmpty());
    QCOMPARE(s.previousAdjustment, 0.0);
    // Shares as shown: one decimal of the RNI row's energy.
    const double e = s.matrix.value(RniRow, kEnergyKcal);
    QCOMPARE(s.shares.protein, roundHalfEven(s.matrix.value(RniRow, kProtein) * 400 / e, 1));
    QCOMPARE(s.base.energy[UlRow], s.matrix.value(UlRow, kEnergyKcal));
}

void RequirementsTest::missingRowsGiveZerosThatFailTheCheck()
{
    TestEnv env;
    // A combination with only an RNI row: the other kinds are zeros.
    insertStandard(kBand, kMale, kLight, QStringLiteral("RNI"), 50, rowOf(2000, 8368, 75, 66.7, 275, 100));
    RequirementState s;
    QCOMPARE(computeRequirements(db(), fixtureProfile(), s), QString());
    for (int n = 0; n < kRequirementCount; ++n) {
        QCOMPARE(s.matrix.text(EarRow, n), QStringLiteral("0"));
        QCOMPARE(s.matrix.text(UlRow, n), QStringLiteral("0"));
    }
    QCOMPARE(validateRequirements(s.matrix).size(), kRequirementCount);

    // No standard row at all: all zeros, energy shares against 1 kcal.
    RequirementProfile none = fixtureProfile();
    none.ageBand = QStringLiteral("no such band");
    QCOMPARE(computeRequirements(db(), none, s), QString());
    QVERIFY(!s.standardFound);
    QCOMPARE(s.referenceWeight, 0.0);
    for (int r = 0; r < kRequirementRows; ++r)
        for (int n = 0; n < kRequirementCount; ++n)
            QCOMPARE(s.matrix.text(r, n), QStringLiteral("0"));
    RequirementMatrix m;
    m.setText(RniRow, kProtein, QStringLiteral("0.25"));
    QCOMPARE(computeEnergyShares(m).protein, 100.0); // 0.25 g × 4000 / 1 kcal / 10
    QCOMPARE(m.text(RniRow, kEnergyKcal), QStringLiteral("0"));
}

void RequirementsTest::personalBasisScalesRniAndEarOnly()
{
    TestEnv env;
    insertFixture();
    const int vitc = requirementIndex("VITC");
    QSqlQuery q(db());
    // A value whose scaled form ends in an exact half: 1.125 → 112.5 → 112 (ties to even).
    QVERIFY(q.exec("UPDATE DRIsStand_tb SET VITC = 1.125 WHERE AGETEXT = '90 ～ 95' AND DRIS IN ('RNI', 'EAR')"));

    RequirementProfile p = fixtureProfile();
    p.personalBasis = true;
    p.personalWeight = QStringLiteral("50"); // equal to the reference weight
    RequirementState s;
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.weightScaling, WeightScaling::Applied);
    QCOMPARE(s.matrix.text(RniRow, vitc), QStringLiteral("1.12"));
    QCOMPARE(s.matrix.text(EarRow, vitc), QStringLiteral("1.12"));

    // 54 kg against 50 kg: × 1.08. Protein RNI 75 → 81 reaches above its UL 80,
    // which is not scaled; energy stays below its UL.
    p.personalWeight = QStringLiteral("54");
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.matrix.text(RniRow, kProtein), QStringLiteral("81"));
    QCOMPARE(s.matrix.text(EarRow, kProtein), QStringLiteral("64.8"));
    QCOMPARE(s.matrix.text(UlRow, kProtein), QStringLiteral("80"));
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("2160"));
    QCOMPARE(s.matrix.text(UlRow, kEnergyKcal), QStringLiteral("2200"));
    QCOMPARE(s.matrix.text(RniRow, kEnergyKj), QStringLiteral("9037.44"));
    QCOMPARE(validateRequirements(s.matrix), QStringList{warningFor("蛋白质")});
    // The adjustment starts from the scaled values: +50 kcal on what is shown.
    QCOMPARE(s.base.protein[RniRow], 81.0);
    adjustEnergy(s, 50);
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("2210"));
    QCOMPARE(s.matrix.text(UlRow, kEnergyKcal), QStringLiteral("2250"));
}

void RequirementsTest::personalBasisWithoutUsableWeights()
{
    TestEnv env;
    insertFixture();
    insertFixture(QStringLiteral("0 kg band"), 0);
    RequirementState standard;
    QCOMPARE(computeRequirements(db(), fixtureProfile(), standard), QString());

    RequirementProfile p = fixtureProfile();
    p.personalBasis = true;
    for (const QString &w : {QString(), QStringLiteral("abc"), QStringLiteral("1..2"), QStringLiteral("0"),
                             QStringLiteral("-60")}) {
        p.personalWeight = w;
        RequirementState s;
        QCOMPARE(computeRequirements(db(), p, s), QString());
        QCOMPARE(s.weightScaling, WeightScaling::SkippedInvalidWeight);
        QCOMPARE(s.matrix, standard.matrix);
    }
    // A reference weight of 0 cannot be divided by: the standard values stay.
    p.ageBand = QStringLiteral("0 kg band");
    p.personalWeight = QStringLiteral("70");
    RequirementState s;
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.weightScaling, WeightScaling::SkippedNoReferenceWeight);
    QCOMPARE(s.matrix, standard.matrix);
    QVERIFY(validateRequirements(s.matrix).isEmpty());
}

void RequirementsTest::formulaFeedingRaisesEnergy()
{
    TestEnv env;
    insertStandard(kBand, kMale, kLight, QStringLiteral("RNI"), 6, rowOf(583, 2439, 9, 31.7, 60, 10));
    insertStandard(kBand, kMale, kLight, QStringLiteral("EAR"), 6, rowOf(525, 2197, 7.2, 28.4, 48, 8));
    insertStandard(kBand, kMale, kLight, QStringLiteral("UL"), 6, rowOf(641, 2682, 29.7, 35, 96.5, 20));
    RequirementProfile p = fixtureProfile();
    p.formulaFeeding = true;
    RequirementState s;
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("699.6")); // unrounded × 1.2
    QCOMPARE(s.matrix.text(EarRow, kEnergyKcal), QStringLiteral("630"));
    QCOMPARE(s.matrix.text(UlRow, kEnergyKcal), QStringLiteral("769.2"));
    QCOMPARE(s.matrix.text(RniRow, kEnergyKj), QStringLiteral("2926.8"));
    QCOMPARE(s.matrix.text(UlRow, kEnergyKj), QStringLiteral("3218.4"));
    QCOMPARE(s.matrix.text(RniRow, kProtein), QStringLiteral("9"));
    QCOMPARE(s.matrix.text(RniRow, kFat), QStringLiteral("31.7"));
    // Shares follow the raised energy, and so does the adjustment.
    QCOMPARE(s.shares.protein, 5.1); // 9 × 4000 / 699.6 = 51.46 → 51 → 5.1
    QCOMPARE(s.base.energy[RniRow], 699.6);
    adjustEnergy(s, 50);
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("749.6"));
    QCOMPARE(s.matrix.text(EarRow, kEnergyKcal), QStringLiteral("680"));
}

void RequirementsTest::amendmentsCoveringTheBandLaterRowWins()
{
    TestEnv env;
    insertFixture();
    const QString kind = QStringLiteral("测试膳食");
    insertKind(kind);
    const int ca = requirementIndex("CA"), fe = requirementIndex("FE"), zn = requirementIndex("ZN");
    const int id = requirementIndex("ID"), se = requirementIndex("SE"), k = requirementIndex("K");
    insertAmendment(kind, 90, 95, QStringLiteral("钙 [mg]"), kMale, 900, 700, 1900);   // bounds equal: covers
    insertAmendment(kind, 91, 99, QStringLiteral("铁 [mg]"), kMale, 15, 10, 40);       // starts inside the band
    insertAmendment(kind, 18, 94, QStringLiteral("VitC [mg]"), kMale, 150, 100, 900); // ends inside the band
    insertAmendment(kind, 18, 99, QStringLiteral("锌 [mg]"), kMale, 10, 8, 30);
    insertAmendment(kind, 0, 99, QStringLiteral("锌 [mg]"), kMale, 11, 9, 31);         // later row wins
    insertAmendment(kind, 18, 99, QStringLiteral("碘 [ug]"), kFemale, 150, 120, 500);  // other sex
    insertAmendment(kind, 18, 99, QStringLiteral("不存在 [mg]"), kMale, 1, 1, 2);       // unknown element
    insertAmendment(kind, 18, 99, QStringLiteral(" 钾 [mg] "), kMale, 3600, 2000, 9000); // trimmed name
    insertAmendment(kind, 18, 99, QStringLiteral("硒 [mg]"), kMale, 70, QVariant(), 400); // missing EAR
    insertAmendment(kind, 18, 99, QStringLiteral("能量 [kcal]"), kMale, 1700, 1500, 1900);

    RequirementProfile p = fixtureProfile();
    p.dietKind = kind;
    RequirementState s;
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.matrix.text(RniRow, ca), QStringLiteral("900"));
    QCOMPARE(s.matrix.text(EarRow, ca), QStringLiteral("700"));
    QCOMPARE(s.matrix.text(UlRow, ca), QStringLiteral("1900"));
    QCOMPARE(s.matrix.text(RniRow, fe), QStringLiteral("100"));
    QCOMPARE(s.matrix.text(RniRow, requirementIndex("VITC")), QStringLiteral("100"));
    QCOMPARE(s.matrix.text(RniRow, zn), QStringLiteral("11"));
    QCOMPARE(s.matrix.text(UlRow, zn), QStringLiteral("31"));
    QCOMPARE(s.matrix.text(RniRow, id), QStringLiteral("100"));
    QCOMPARE(s.matrix.text(RniRow, k), QStringLiteral("3600"));
    QCOMPARE(s.matrix.text(RniRow, se), QStringLiteral("70"));
    QCOMPARE(s.matrix.text(EarRow, se), QStringLiteral("0"));
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("1700"));
    QVERIFY(validateRequirements(s.matrix).isEmpty());

    // The adjustment starts from the amended energy, not the standard one.
    adjustEnergy(s, 50);
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("1750"));
    QCOMPARE(s.matrix.text(EarRow, kEnergyKcal), QStringLiteral("1550"));

    // An amendment is scaled with the personal basis like a standard value.
    p.personalBasis = true;
    p.personalWeight = QStringLiteral("55"); // reference 50
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.matrix.text(RniRow, ca), QStringLiteral("990"));
    QCOMPARE(s.matrix.text(UlRow, ca), QStringLiteral("1900"));

    // A woman of the same band gets the iodine row and nothing of the men's.
    insertStandard(kBand, kFemale, kLight, QStringLiteral("RNI"), 50, rowOf(2000, 8368, 75, 66.7, 275, 100));
    p = fixtureProfile();
    p.dietKind = kind;
    p.sex = kFemale;
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.matrix.text(RniRow, id), QStringLiteral("150"));
    QCOMPARE(s.matrix.text(RniRow, ca), QStringLiteral("100"));

    // A kind name with a single quote is only a value.
    const QString quoted = QStringLiteral("王's 膳食");
    insertKind(quoted);
    insertAmendment(quoted, 18, 99, QStringLiteral("钙 [mg]"), kMale, 950, 750, 1950);
    p = fixtureProfile();
    p.dietKind = quoted;
    QCOMPARE(computeRequirements(db(), p, s), QString());
    QCOMPARE(s.matrix.text(RniRow, ca), QStringLiteral("950"));
}

void RequirementsTest::dietKindsOfferedOnlyWhereAnAmendmentCovers()
{
    TestEnv env;
    QSqlQuery q(db());
    QVERIFY(q.exec("DELETE FROM DRIsIll_tb"));
    QVERIFY(q.exec("DELETE FROM DRIsIllKind_tb"));
    insertKind(QStringLiteral("甲膳食"));
    insertKind(QStringLiteral("王's 膳食"));
    insertKind(QStringLiteral("空膳食")); // no amendments at all
    insertKind(QStringLiteral("乙膳食"));
    insertAmendment(QStringLiteral("甲膳食"), 50, 99, QStringLiteral("钠 [mg]"), kMale, 1500, 1000, 2000);
    insertAmendment(QStringLiteral("甲膳食"), 18, 40, QStringLiteral("钾 [mg]"), kMale, 1500, 1000, 2000);
    insertAmendment(QStringLiteral("王's 膳食"), 18, 50, QStringLiteral("钠 [mg]"), kMale, 1500, 1000, 2000);
    insertAmendment(QStringLiteral("王's 膳食"), 18, 50, QStringLiteral("钾 [mg]"), kMale, 1500, 1000, 2000);
    insertAmendment(QStringLiteral("乙膳食"), 0, 99, QStringLiteral("钠 [mg]"), kFemale, 1500, 1000, 2000);

    QStringList kinds;
    QCOMPARE(dietKinds(db(), kMale, 18, 50, kinds), QString());
    QCOMPARE(kinds, (QStringList{QStringLiteral("正常膳食"), QStringLiteral("王's 膳食")}));
    QCOMPARE(dietKinds(db(), kMale, 50, 60, kinds), QString());
    QCOMPARE(kinds, (QStringList{QStringLiteral("正常膳食"), QStringLiteral("甲膳食")}));
    QCOMPARE(dietKinds(db(), kFemale, 0, 0.5, kinds), QString());
    QCOMPARE(kinds, (QStringList{QStringLiteral("正常膳食"), QStringLiteral("乙膳食")}));
}

void RequirementsTest::energyAdjustmentMovesMacronutrientsByShownShares()
{
    TestEnv env;
    insertFixture();
    RequirementState s;
    QCOMPARE(computeRequirements(db(), fixtureProfile(), s), QString());
    QCOMPARE(s.shares.protein, 15.0);
    QCOMPARE(s.shares.fat, 30.0);
    QCOMPARE(s.shares.carbohydrate, 55.0);

    // +50 kcal: +1.875 g protein, +1.667 g fat, +6.875 g carbohydrate per row.
    adjustEnergy(s, 50);
    const QStringList rni = {"2050", "8582.9", "76.9", "68.4", "281.9"};
    const QStringList ear = {"1850", "7745.6", "61.9", "51.7", "256.9"};
    const QStringList ul = {"2250", "9420.3", "81.9", "81.7", "336.9"};
    for (int n = 0; n < 5; ++n) {
        QCOMPARE(s.matrix.text(RniRow, n), rni[n]);
        QCOMPARE(s.matrix.text(EarRow, n), ear[n]);
        QCOMPARE(s.matrix.text(UlRow, n), ul[n]);
    }
    QCOMPARE(s.base.protein[RniRow], 76.875);
    QCOMPARE(s.previousAdjustment, 50.0);
    QCOMPARE(s.matrix.text(RniRow, requirementIndex("CA")), QStringLiteral("100")); // others untouched

    // Back to 0 with the shares shown then: the same shares, so the values return.
    adjustEnergy(s, 0);
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("2000"));
    QCOMPARE(s.matrix.text(RniRow, kEnergyKj), QStringLiteral("8373.6")); // kcal × 4.1868
    QCOMPARE(s.matrix.text(RniRow, kProtein), QStringLiteral("75"));
    QCOMPARE(s.matrix.text(RniRow, kFat), QStringLiteral("66.7"));
    QCOMPARE(s.matrix.text(EarRow, kCarbohydrate), QStringLiteral("250"));

    // A hand-edited protein cell changes the shown share; the next steps move by it.
    adjustEnergy(s, 50);
    s.matrix.setText(RniRow, kProtein, QStringLiteral("100"));
    s.shares = computeEnergyShares(s.matrix); // 100 × 4000 / 2050 → 19.5 %
    QCOMPARE(s.shares.protein, 19.5);
    adjustEnergy(s, 50); // no change of the adjustment: the macronutrients stay
    QCOMPARE(s.matrix.text(RniRow, kProtein), QStringLiteral("100"));
    adjustEnergy(s, 0); // 76.875 − 19.5 × 50 / 400 = 74.4375
    QCOMPARE(s.matrix.text(RniRow, kProtein), QStringLiteral("74.4"));
    QCOMPARE(s.matrix.text(EarRow, kProtein), QStringLiteral("59.4"));
    adjustEnergy(s, -50);
    QCOMPARE(s.matrix.text(RniRow, kEnergyKcal), QStringLiteral("1950"));
}

void RequirementsTest::validationWarningsInGridOrder()
{
    RequirementMatrix m;
    for (int n = 0; n < kRequirementCount; ++n) {
        m.setValue(RniRow, n, 10);
        m.setValue(EarRow, n, 5);
        m.setValue(UlRow, n, 20);
    }
    QVERIFY(validateRequirements(m).isEmpty());
    m.setValue(EarRow, kEnergyKcal, 11);                          // EAR above RNI
    m.setValue(UlRow, requirementIndex("VITC"), 10);              // RNI equal to UL
    m.setText(RniRow, kProtein, QStringLiteral("1..2"));          // not a number
    m.setValue(EarRow, requirementIndex("CA"), 10);               // EAR equal to RNI passes
    for (int r = 0; r < kRequirementRows; ++r)
        m.setText(r, requirementIndex("ID"), QString());          // empty counts as 0
    const QStringList expected = {warningFor("能量[kcal]"), warningFor("Vit C"), warningFor("蛋白质"), warningFor("碘")};
    QCOMPARE(validateRequirements(m), expected);
    QCOMPARE(validateRequirements(RequirementMatrix()).size(), kRequirementCount);
}

void RequirementsTest::writeRequirementRowsUpdatesInPlace()
{
    TestEnv env;
    QSqlQuery q(db());
    QVERIFY(q.exec("UPDATE DRIs_tmp SET ENERC_kcal = 7 WHERE REMARK IN ('标准', '实际')"));
    RequirementMatrix m;
    for (int n = 0; n < kRequirementCount; ++n) {
        m.setValue(RniRow, n, n + 1);
        m.setValue(EarRow, n, n + 0.5);
        m.setValue(UlRow, n, 100 + n);
    }
    m.setText(EarRow, requirementIndex("MN"), QString()); // empty gives 0
    QCOMPARE(writeRequirementRows(db(), m), QString());
    QCOMPARE(rowCount(QStringLiteral("DRIs_tmp")), 5);
    const QStringList columns = requirementColumns();
    for (int n = 0; n < kRequirementCount; ++n) {
        QCOMPARE(storedValue(QStringLiteral("RNI"), columns[n]), double(n + 1));
        QCOMPARE(storedValue(QStringLiteral("UL"), columns[n]), double(100 + n));
        if (columns[n] != QStringLiteral("MN"))
            QCOMPARE(storedValue(QStringLiteral("EAR"), columns[n]), n + 0.5);
    }
    QCOMPARE(storedValue(QStringLiteral("EAR"), QStringLiteral("MN")), 0.0);
    QCOMPARE(storedValue(QStringLiteral("标准"), QStringLiteral("ENERC_kcal")), 7.0);
    QCOMPARE(storedValue(QStringLiteral("实际"), QStringLiteral("ENERC_kcal")), 7.0);

    // A second confirmation overwrites the same rows.
    m.setValue(RniRow, kEnergyKcal, 2345.5);
    QCOMPARE(writeRequirementRows(db(), m), QString());
    QCOMPARE(rowCount(QStringLiteral("DRIs_tmp")), 5);
    QCOMPARE(storedValue(QStringLiteral("RNI"), QStringLiteral("ENERC_kcal")), 2345.5);
}

void RequirementsTest::writeRequirementRowsAllOrNothing()
{
    TestEnv env;
    RequirementMatrix good;
    for (int r = 0; r < kRequirementRows; ++r)
        for (int n = 0; n < kRequirementCount; ++n)
            good.setValue(r, n, 3);
    QCOMPARE(writeRequirementRows(db(), good), QString());

    // A cell that is not a number writes nothing.
    RequirementMatrix bad = good;
    for (int r = 0; r < kRequirementRows; ++r)
        bad.setValue(r, kEnergyKcal, 9);
    bad.setText(UlRow, kFat, QStringLiteral("1..2"));
    QVERIFY(!writeRequirementRows(db(), bad).isEmpty());
    QCOMPARE(storedValue(QStringLiteral("RNI"), QStringLiteral("ENERC_kcal")), 3.0);

    // A missing UL row is reported and the RNI and EAR rows keep their values.
    QSqlQuery q(db());
    QVERIFY(q.exec("DELETE FROM DRIs_tmp WHERE REMARK = 'UL'"));
    bad.setValue(UlRow, kFat, 1);
    QVERIFY(!writeRequirementRows(db(), bad).isEmpty());
    QCOMPARE(storedValue(QStringLiteral("RNI"), QStringLiteral("ENERC_kcal")), 3.0);
    QCOMPARE(storedValue(QStringLiteral("EAR"), QStringLiteral("ENERC_kcal")), 3.0);
}

QTEST_MAIN(RequirementsTest)
#include "test_requirements.moc"
