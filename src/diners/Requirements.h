#pragma once
// A diner's daily requirement matrix: three rows (RNI, EAR, UL) of the 26
// requirement nutrients, derived from the reference intakes in DRIsStand_tb and
// the special-diet amendments in DRIsIll_tb, checked, and handed to meal
// planning as the "RNI", "EAR" and "UL" rows of DRIs_tmp.
//
// Nutrient positions are 0-based indices into the requirement block
// (nqb::requirementBlock()); matrix rows are RniRow, EarRow and UlRow.
#include "data/NutrientBlocks.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <array>

namespace nqb {

// ---------------------------------------------------------------------------
// Fixed texts of the profiles

QString normalDietKind();                           // "正常膳食"
QStringList ageBandTexts();                         // the 19 bands, "0 ～ 0.5" … "80 ～"
QStringList activityLevels();                       // "轻体力活动", "中体力活动", "重体力活动"
QStringList activityLevelsForBand(const QString &band); // the levels offered for a band
QStringList physiologicalStates();                  // "孕早", "孕中", "孕晚", "哺乳"

// ---------------------------------------------------------------------------
// The matrix

enum RequirementRow { RniRow = 0, EarRow = 1, UlRow = 2 };
inline constexpr int kRequirementRows = 3;
// "RNI", "EAR" or "UL": the DRIS kind and the DRIs_tmp REMARK of a matrix row.
QString requirementRowKind(int row);

// Requirement-block positions used by the energy arithmetic.
inline constexpr int kEnergyKcal = 0;
inline constexpr int kEnergyKj = 1;
inline constexpr int kProtein = 2;
inline constexpr int kFat = 3;
inline constexpr int kCarbohydrate = 4;

// Three rows of 26 cells kept as text, the way the requirement grids hold them.
// Numbers are written in general format (fmtG); an empty cell reads as 0.
class RequirementMatrix
{
public:
    RequirementMatrix() = default; // every cell empty

    const QString &text(int row, int nutrient) const { return m_cells[row][nutrient]; }
    void setText(int row, int nutrient, const QString &text) { m_cells[row][nutrient] = text; }

    // The cell as a number: empty or blank is 0; a text that is not a number
    // gives 0 and ok = false.
    double value(int row, int nutrient, bool *ok = nullptr) const;
    void setValue(int row, int nutrient, double value);

    // Whether every cell reads as a number (empty counts as 0).
    bool allNumeric() const;
    // Every empty cell becomes "0".
    void fillEmptyWithZero();

    std::array<double, kRequirementCount> rowValues(int row, bool *ok = nullptr) const;
    void setRowValues(int row, const std::array<double, kRequirementCount> &values);

    bool operator==(const RequirementMatrix &) const = default;

private:
    std::array<std::array<QString, kRequirementCount>, kRequirementRows> m_cells;
};

// ---------------------------------------------------------------------------
// Individual derivation

struct RequirementProfile {
    QString sex = QStringLiteral("男");
    QString ageBand = QStringLiteral("18 ～ 50");
    double ageLower = 18;  // the band's bounds as stored in DRIsStand_tb
    double ageUpper = 50;
    QString activity = QStringLiteral("轻体力活动");
    QString dietKind = QStringLiteral("正常膳食");
    QString state;                 // empty, or "孕早", "孕中", "孕晚", "哺乳"
    bool personalBasis = false;    // "根据个人体重计算"
    QString personalWeight;        // the weight field's text, kg
    bool formulaFeeding = false;   // "人工喂养"
};

// Energy shares of row RNI in percent of the RNI energy, one decimal.
struct EnergyShares {
    double protein = 0;
    double fat = 0;
    double carbohydrate = 0;
};

// Energy and macronutrients of the three rows as derived (after amendments,
// weight basis and feeding factor); the macronutrient entries move with every
// adjustment step.
struct AdjustmentBase {
    std::array<double, kRequirementRows> energy{};
    std::array<double, kRequirementRows> protein{};
    std::array<double, kRequirementRows> fat{};
    std::array<double, kRequirementRows> carbohydrate{};
};

// What became of the personal weight basis.
enum class WeightScaling {
    NotRequested,             // standard basis
    Applied,                  // RNI and EAR rows scaled
    SkippedInvalidWeight,     // the personal weight is empty, not a number or not positive
    SkippedNoReferenceWeight, // the standard rows carry no positive reference weight
};

// The working values an individual profile keeps between events.
struct RequirementState {
    RequirementMatrix matrix;
    double referenceWeight = 0;     // WEIGHT of the standard rows, kg
    AdjustmentBase base;
    double previousAdjustment = 0;  // kcal
    EnergyShares shares;            // as last shown
    bool standardFound = false;     // the lookup returned any standard row
    WeightScaling weightScaling = WeightScaling::NotRequested;
};

// Standard rows of one combination: the matrix of its RNI, EAR and UL rows
// (a kind without a row stays empty) and the reference weight of its first row.
struct StandardRows {
    RequirementMatrix matrix;
    double referenceWeight = 0;
    bool found = false;
};

// Lookup by age band, sex and activity level (bound values; as the individual
// and the group derivations use it). Returns an error text or "".
QString readStandardRows(QSqlDatabase db, const QString &band, const QString &sex, const QString &activity,
                         StandardRows &out);
// Lookup of a physiological state ("孕早" …), stored in the SEX column.
QString readStateRows(QSqlDatabase db, const QString &state, StandardRows &out);

// Bounds of an age band from its first DRIsStand_tb row. found = false when the
// band has no row. Returns an error text or "".
QString ageBandBounds(QSqlDatabase db, const QString &band, double &lower, double &upper, bool *found = nullptr);

AdjustmentBase captureAdjustmentBase(const RequirementMatrix &m);

// Replaces the amended nutrients of the diet kind for sex whose age range
// contains [lower, upper]; rows in table order, a later row wins. Returns an
// error text or "".
QString applyAmendments(QSqlDatabase db, RequirementMatrix &m, const QString &dietKind, const QString &sex,
                        double lower, double upper);

// Personal weight basis: RNI and EAR rows := round(value × 100 × personal /
// reference) / 100, ties to even; the UL row stays. Nothing changes when either
// weight is not a positive number.
WeightScaling applyPersonalWeight(RequirementMatrix &m, const QString &personalWeight, double referenceWeight);

// Formula feeding: both energy cells of the three rows × 1.2 (unrounded).
void applyFormulaFeeding(RequirementMatrix &m);

// Derives the whole matrix for a profile: standard lookup, amendments, empty
// cells to "0", weight basis, feeding factor, adjustment base, adjustment
// reset, energy shares. Returns an error text or "" (out is complete then).
QString computeRequirements(QSqlDatabase db, const RequirementProfile &profile, RequirementState &out);

// Energy shares of row RNI (empty cells of energy and the macronutrients of that
// row become "0"; an energy of 0 counts as 1 kcal).
EnergyShares computeEnergyShares(RequirementMatrix &m);

// Applies a changed energy adjustment (kcal): the energy cells become base +
// adjustment, the macronutrients move by the shown shares of the step, then the
// shares are recomputed. state.shares must be the shares shown before the step.
void adjustEnergy(RequirementState &state, double adjustment);

// ---------------------------------------------------------------------------
// Check and hand-over

// The warning of a failing column: its grid header in double quotes, then
// "参数值有误，请仔细检查！".
QString requirementWarning(int nutrient);
// Checks EAR ≤ RNI < UL for every nutrient (empty = 0, a cell that is not a
// number fails). Returns one warning per failing column in grid order: first
// grid column 1, second grid column 1, first grid column 2, … .
QStringList validateRequirements(const RequirementMatrix &m);

// Updates the "RNI", "EAR" and "UL" rows of DRIs_tmp in place from the matrix
// (empty = 0), in one transaction. Returns an error text or "" .
QString writeRequirementRows(QSqlDatabase db, const RequirementMatrix &m);

// Diet kinds offered for sex and the age bounds: "正常膳食" first, then every
// kind (table order) with an amendment row for sex whose range contains
// [lower, upper]. Returns an error text or "".
QString dietKinds(QSqlDatabase db, const QString &sex, double lower, double upper, QStringList &out);

} // namespace nqb
