#include "diners/Requirements.h"

#include "data/Db.h"
#include "data/NumberFormat.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cmath>

namespace nqb {

// ---------------------------------------------------------------------------
// Fixed texts

QString normalDietKind()
{
    return QStringLiteral("正常膳食");
}

QStringList ageBandTexts()
{
    return {QStringLiteral("0 ～ 0.5"), QStringLiteral("0.5 ～ 1"), QStringLiteral("1 ～ 2"),
            QStringLiteral("2 ～ 3"),   QStringLiteral("3 ～ 4"),   QStringLiteral("4 ～ 5"),
            QStringLiteral("5 ～ 6"),   QStringLiteral("6 ～ 7"),   QStringLiteral("7 ～ 8"),
            QStringLiteral("8 ～ 9"),   QStringLiteral("9 ～ 10"),  QStringLiteral("10 ～ 11"),
            QStringLiteral("11 ～ 14"), QStringLiteral("14 ～ 18"), QStringLiteral("18 ～ 50"),
            QStringLiteral("50 ～ 60"), QStringLiteral("60 ～ 70"), QStringLiteral("70 ～ 80"),
            QStringLiteral("80 ～")};
}

QStringList activityLevels()
{
    return {QStringLiteral("轻体力活动"), QStringLiteral("中体力活动"), QStringLiteral("重体力活动")};
}

QStringList activityLevelsForBand(const QString &band)
{
    const QString b = band.trimmed();
    const QStringList all = activityLevels();
    if (b == QStringLiteral("18 ～ 50") || b == QStringLiteral("50 ～ 60"))
        return all;
    if (b == QStringLiteral("60 ～ 70") || b == QStringLiteral("70 ～ 80"))
        return all.mid(0, 2);
    return all.mid(0, 1);
}

QStringList physiologicalStates()
{
    return {QStringLiteral("孕早"), QStringLiteral("孕中"), QStringLiteral("孕晚"), QStringLiteral("哺乳")};
}

QString requirementRowKind(int row)
{
    switch (row) {
    case RniRow:
        return QStringLiteral("RNI");
    case EarRow:
        return QStringLiteral("EAR");
    case UlRow:
        return QStringLiteral("UL");
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------
// Matrix

double RequirementMatrix::value(int row, int nutrient, bool *ok) const
{
    return parseNumber(m_cells[row][nutrient], ok);
}

void RequirementMatrix::setValue(int row, int nutrient, double value)
{
    m_cells[row][nutrient] = fmtG(value);
}

bool RequirementMatrix::allNumeric() const
{
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int n = 0; n < kRequirementCount; ++n) {
            bool ok = false;
            value(r, n, &ok);
            if (!ok)
                return false;
        }
    }
    return true;
}

void RequirementMatrix::fillEmptyWithZero()
{
    for (auto &row : m_cells) {
        for (auto &cell : row) {
            if (cell.trimmed().isEmpty())
                cell = QStringLiteral("0");
        }
    }
}

std::array<double, kRequirementCount> RequirementMatrix::rowValues(int row, bool *ok) const
{
    std::array<double, kRequirementCount> v{};
    bool all = true;
    for (int n = 0; n < kRequirementCount; ++n) {
        bool good = false;
        v[n] = value(row, n, &good);
        all = all && good;
    }
    if (ok)
        *ok = all;
    return v;
}

void RequirementMatrix::setRowValues(int row, const std::array<double, kRequirementCount> &values)
{
    for (int n = 0; n < kRequirementCount; ++n)
        setValue(row, n, values[n]);
}

// ---------------------------------------------------------------------------
// Lookups

namespace {

QString queryError(const QSqlQuery &q)
{
    return q.lastError().text();
}

// A stored value in the text form the grids show: NULL gives an empty cell,
// numbers are written in general format, other text stays as stored.
QString cellText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString();
        if (t.trimmed().isEmpty())
            return {};
        bool ok = false;
        const double d = parseNumber(t, &ok);
        return ok ? fmtG(d) : t;
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? fmtG(d) : v.toString();
}

QString standardSelect()
{
    return QStringLiteral("SELECT WEIGHT, DRIS, ") + joinColumns(requirementColumns()) +
           QStringLiteral(" FROM DRIsStand_tb WHERE ");
}

// Fills out from the rows of an executed standard query (WEIGHT, DRIS, block).
void collectStandardRows(QSqlQuery &q, StandardRows &out)
{
    out = StandardRows{};
    std::array<bool, kRequirementRows> taken{};
    while (q.next()) {
        if (!out.found) {
            out.found = true;
            out.referenceWeight = toNumber(q.value(0));
        }
        const QString kind = q.value(1).toString().trimmed();
        for (int r = 0; r < kRequirementRows; ++r) {
            if (taken[r] || kind != requirementRowKind(r))
                continue;
            taken[r] = true;
            for (int n = 0; n < kRequirementCount; ++n)
                out.matrix.setText(r, n, cellText(q.value(2 + n)));
        }
    }
}

bool covers(const QVariant &first, const QVariant &last, double lower, double upper)
{
    return toNumber(first) <= lower && toNumber(last) >= upper;
}

} // namespace

QString readStandardRows(QSqlDatabase db, const QString &band, const QString &sex, const QString &activity,
                         StandardRows &out)
{
    QSqlQuery q(db);
    if (!q.prepare(standardSelect() + QStringLiteral("AGETEXT = ? AND SEX = ? AND ACT = ? ORDER BY rowid")))
        return queryError(q);
    q.addBindValue(band.trimmed());
    q.addBindValue(sex);
    q.addBindValue(activity.trimmed());
    if (!q.exec())
        return queryError(q);
    collectStandardRows(q, out);
    return {};
}

QString readStateRows(QSqlDatabase db, const QString &state, StandardRows &out)
{
    QSqlQuery q(db);
    if (!q.prepare(standardSelect() + QStringLiteral("SEX = ? ORDER BY rowid")))
        return queryError(q);
    q.addBindValue(state);
    if (!q.exec())
        return queryError(q);
    collectStandardRows(q, out);
    return {};
}

QString ageBandBounds(QSqlDatabase db, const QString &band, double &lower, double &upper, bool *found)
{
    if (found)
        *found = false;
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("SELECT AGEFIR, AGELAST FROM DRIsStand_tb WHERE AGETEXT = ? ORDER BY rowid LIMIT 1")))
        return queryError(q);
    q.addBindValue(band.trimmed());
    if (!q.exec())
        return queryError(q);
    if (q.next()) {
        lower = toNumber(q.value(0));
        upper = toNumber(q.value(1));
        if (found)
            *found = true;
    }
    return {};
}

// ---------------------------------------------------------------------------
// Derivation steps

AdjustmentBase captureAdjustmentBase(const RequirementMatrix &m)
{
    AdjustmentBase b;
    for (int r = 0; r < kRequirementRows; ++r) {
        b.energy[r] = m.value(r, kEnergyKcal);
        b.protein[r] = m.value(r, kProtein);
        b.fat[r] = m.value(r, kFat);
        b.carbohydrate[r] = m.value(r, kCarbohydrate);
    }
    return b;
}

QString applyAmendments(QSqlDatabase db, RequirementMatrix &m, const QString &dietKind, const QString &sex,
                        double lower, double upper)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("SELECT YEARFIR, YEARLAST, ELEMENT, RNI, EAR, UL FROM DRIsIll_tb "
                                  "WHERE MEALKIND = ? AND SEX = ? ORDER BY rowid")))
        return queryError(q);
    q.addBindValue(dietKind.trimmed());
    q.addBindValue(sex);
    if (!q.exec())
        return queryError(q);
    while (q.next()) {
        if (!covers(q.value(0), q.value(1), lower, upper))
            continue;
        const int n = requirementIndexOfElement(q.value(2).toString());
        if (n < 0)
            continue;
        m.setText(RniRow, n, cellText(q.value(3)));
        m.setText(EarRow, n, cellText(q.value(4)));
        m.setText(UlRow, n, cellText(q.value(5)));
    }
    return {};
}

WeightScaling applyPersonalWeight(RequirementMatrix &m, const QString &personalWeight, double referenceWeight)
{
    bool ok = false;
    const double weight = parseNumber(personalWeight, &ok);
    if (!ok || personalWeight.trimmed().isEmpty() || !(weight > 0))
        return WeightScaling::SkippedInvalidWeight;
    if (!(referenceWeight > 0) || !std::isfinite(referenceWeight))
        return WeightScaling::SkippedNoReferenceWeight;
    for (int r : {RniRow, EarRow}) {
        for (int n = 0; n < kRequirementCount; ++n) {
            bool good = false;
            const double v = m.value(r, n, &good);
            if (!good)
                continue; // a typed text that is not a number is left for the check
            m.setValue(r, n, roundHalfEven(v * 100 * weight / referenceWeight, 0) / 100);
        }
    }
    return WeightScaling::Applied;
}

void applyFormulaFeeding(RequirementMatrix &m)
{
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int n : {kEnergyKcal, kEnergyKj}) {
            bool ok = false;
            const double v = m.value(r, n, &ok);
            if (ok)
                m.setValue(r, n, v * 1.2);
        }
    }
}

EnergyShares computeEnergyShares(RequirementMatrix &m)
{
    for (int n = kEnergyKcal; n <= kCarbohydrate; ++n) {
        if (m.text(RniRow, n).trimmed().isEmpty())
            m.setText(RniRow, n, QStringLiteral("0"));
    }
    double energy = m.value(RniRow, kEnergyKcal);
    if (energy == 0)
        energy = 1;
    EnergyShares s;
    s.protein = roundHalfEven(m.value(RniRow, kProtein) * 4000 / energy, 0) / 10;
    s.fat = roundHalfEven(m.value(RniRow, kFat) * 9000 / energy, 0) / 10;
    s.carbohydrate = roundHalfEven(m.value(RniRow, kCarbohydrate) * 4000 / energy, 0) / 10;
    return s;
}

QString computeRequirements(QSqlDatabase db, const RequirementProfile &p, RequirementState &out)
{
    out = RequirementState{};
    StandardRows standard;
    const QString state = p.state.trimmed();
    QString err = state.isEmpty() ? readStandardRows(db, p.ageBand, p.sex, p.activity, standard)
                                  : readStateRows(db, state, standard);
    if (!err.isEmpty())
        return err;
    out.matrix = standard.matrix;
    out.referenceWeight = standard.referenceWeight;
    out.standardFound = standard.found;

    err = applyAmendments(db, out.matrix, p.dietKind, p.sex, p.ageLower, p.ageUpper);
    if (!err.isEmpty())
        return err;
    out.matrix.fillEmptyWithZero();

    if (p.personalBasis)
        out.weightScaling = applyPersonalWeight(out.matrix, p.personalWeight, out.referenceWeight);
    if (p.formulaFeeding)
        applyFormulaFeeding(out.matrix);
    // The adjustment starts from the matrix as derived (amended, weight-scaled,
    // fed), so each step moves the energy the window shows by exactly its amount.
    out.base = captureAdjustmentBase(out.matrix);

    out.previousAdjustment = 0;
    out.shares = computeEnergyShares(out.matrix);
    return {};
}

void adjustEnergy(RequirementState &s, double adjustment)
{
    for (int r = 0; r < kRequirementRows; ++r) {
        const double kcal = s.base.energy[r] + adjustment;
        s.matrix.setValue(r, kEnergyKcal, kcal);
        s.matrix.setValue(r, kEnergyKj, roundHalfEven(kcal * 41.868, 0) / 10);
    }
    // The macronutrients follow the energy of the step at the shares shown
    // before it (4, 9 and 4 kcal per gram).
    const double step = adjustment - s.previousAdjustment;
    if (step != 0) {
        for (int r = 0; r < kRequirementRows; ++r) {
            s.base.protein[r] += s.shares.protein * step / 400;
            s.base.fat[r] += s.shares.fat * step / 900;
            s.base.carbohydrate[r] += s.shares.carbohydrate * step / 400;
            s.matrix.setValue(r, kProtein, roundHalfEven(s.base.protein[r] * 10, 0) / 10);
            s.matrix.setValue(r, kFat, roundHalfEven(s.base.fat[r] * 10, 0) / 10);
            s.matrix.setValue(r, kCarbohydrate, roundHalfEven(s.base.carbohydrate[r] * 10, 0) / 10);
        }
    }
    s.previousAdjustment = adjustment;
    s.shares = computeEnergyShares(s.matrix);
}

// ---------------------------------------------------------------------------
// Check and hand-over

QString requirementWarning(int nutrient)
{
    return QLatin1Char('"') + requirementHeader(nutrient) + QLatin1Char('"') + QStringLiteral("参数值有误，请仔细检查！");
}

QStringList validateRequirements(const RequirementMatrix &m)
{
    constexpr int perGrid = kRequirementCount / 2;
    QStringList warnings;
    for (int column = 0; column < perGrid; ++column) {
        for (int n : {column, column + perGrid}) {
            bool okR = false, okE = false, okU = false;
            const double rni = m.value(RniRow, n, &okR);
            const double ear = m.value(EarRow, n, &okE);
            const double ul = m.value(UlRow, n, &okU);
            if (!(okR && okE && okU && ear <= rni && rni < ul))
                warnings << requirementWarning(n);
        }
    }
    return warnings;
}

QString writeRequirementRows(QSqlDatabase db, const RequirementMatrix &m)
{
    if (!m.allNumeric())
        return QStringLiteral("需求量中有非数字的数值，未写入。");
    QStringList sets;
    for (const auto &c : requirementColumns())
        sets << c + QStringLiteral(" = ?");
    const QString sql = QStringLiteral("UPDATE DRIs_tmp SET ") + sets.join(QStringLiteral(", ")) +
                        QStringLiteral(" WHERE REMARK = ?");
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status().message;
    for (int r = 0; r < kRequirementRows; ++r) {
        QSqlQuery q(db);
        QString err;
        if (!q.prepare(sql)) {
            err = queryError(q);
        } else {
            for (int n = 0; n < kRequirementCount; ++n)
                q.addBindValue(m.value(r, n));
            q.addBindValue(requirementRowKind(r));
            if (!q.exec())
                err = queryError(q);
            else if (q.numRowsAffected() < 1)
                err = QStringLiteral("DRIs_tmp 中缺少“%1”行。").arg(requirementRowKind(r));
        }
        if (!err.isEmpty())
            return err;
    }
    return scope.commit().message;
}

QString dietKinds(QSqlDatabase db, const QString &sex, double lower, double upper, QStringList &out)
{
    out = QStringList{normalDietKind()};
    QSqlQuery kinds(db);
    if (!kinds.exec(QStringLiteral("SELECT MEALKIND FROM DRIsIllKind_tb ORDER BY rowid")))
        return queryError(kinds);
    QSqlQuery rows(db);
    if (!rows.prepare(QStringLiteral("SELECT YEARFIR, YEARLAST FROM DRIsIll_tb WHERE MEALKIND = ? AND SEX = ?")))
        return queryError(rows);
    while (kinds.next()) {
        const QString kind = kinds.value(0).toString();
        if (out.contains(kind))
            continue;
        rows.bindValue(0, kind);
        rows.bindValue(1, sex);
        if (!rows.exec())
            return queryError(rows);
        while (rows.next()) {
            if (covers(rows.value(0), rows.value(1), lower, upper)) {
                out << kind;
                break;
            }
        }
    }
    return {};
}

} // namespace nqb
