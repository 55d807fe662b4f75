#pragma once
// The structure of a diet, checked against the Chinese Dietary Guidelines
// (2022) rather than nutrient by nutrient:
//  - food groups: the edible weight eaten from each group of the balanced-diet
//    pagoda (dishes taken apart into their ingredients), against the pagoda's
//    ranges for adults;
//  - energy shares: protein, fat and carbohydrate as % of energy against the
//    acceptable ranges of the DRIs, and the share of high-quality protein;
//  - meal distribution: the energy of breakfast, lunch and supper as % of the
//    day;
//  - variety: the number of different foods a day and a week.
//
// Which food counts in which pagoda group is the table PagodaGroup_tb: the
// longest matching code prefix (a group "08", a sub-group "03-1" or a single
// food "20-7-001") decides. Every figure is a daily figure: the whole week is
// the average over the days that have entries; a survey is one day.
#include "planning/Evaluation.h"

#include <QList>
#include <QString>
#include <limits>
#include <optional>

namespace nqb::structure {

inline constexpr double kNoUpperBound = std::numeric_limits<double>::infinity();

// ---------------------------------------------------------------- classification

struct FoodClass {
    QString pagoda;          // pagoda group name (pagodaGroups()), empty for none
    bool wholeGrain = false; // counts in "全谷物和杂豆" as well
    bool variety = true;     // counts as a food of its own for the variety
    bool qualityProtein = false;
};

struct PagodaRule {
    QString prefix; // "08", "03-1", "20-7-001"
    FoodClass cls;
};

class PagodaMap
{
public:
    PagodaMap() = default;
    explicit PagodaMap(QList<PagodaRule> rules) : m_rules(std::move(rules)) {}
    // The rule with the longest prefix that is the whole code or the code's
    // beginning up to a "-"; no rule: no pagoda group, counted for variety.
    FoodClass classify(const QString &code) const;
    bool isEmpty() const { return m_rules.isEmpty(); }

    // The rows of PagodaGroup_tb.
    static std::optional<PagodaMap> load(QString *error);

private:
    QList<PagodaRule> m_rules;
};

// ---------------------------------------------------------------- guideline values

struct GroupRange {
    const char *name; // "谷类", "全谷物和杂豆", ... "盐"
    double low;       // g per day
    double high;      // g per day
};
// The pagoda's amounts for adults, in the pagoda's order: 谷类 200–300 (of
// which 全谷物和杂豆 50–150), 薯类 50–100, 蔬菜 300–500, 水果 200–350, 畜禽肉
// 40–75, 水产品 40–75, 蛋类 40–50, 奶及奶制品 300–500, 大豆及坚果 25–35, 烹调油
// 25–30, 盐 below 5.
const QList<GroupRange> &pagodaGroups();
inline constexpr char kWholeGrainGroup[] = "全谷物和杂豆";
inline constexpr char kGrainGroup[] = "谷类";
inline constexpr char kSaltGroup[] = "盐";

// The pagoda's amounts hold for adults (18 years and older) whose energy
// requirement is 1600 to 2400 kcal.
inline constexpr double kPagodaMinKcal = 1600;
inline constexpr double kPagodaMaxKcal = 2400;
inline constexpr double kPagodaMinAge = 18;

// Salt from sodium: g salt = mg Na × 2.54 / 1000.
double saltFromSodium(double sodiumMg);

// ---------------------------------------------------------------- inputs

// Whom the plan is for: the age (lower bound of the age band, years; none when
// unknown: adult ranges then) and the energy requirement (kcal, the RNI row).
struct Profile {
    std::optional<double> age;
    double energyKcal = 0;
};

// One plan entry's own figures (as stored in NQBNutri_tmp).
struct EntryFigures {
    QString day;  // WEEK; all alike for a survey
    QString slot; // DINERTIME
    double kcal = 0, protein = 0, fat = 0, carbohydrate = 0, sodium = 0;
};

// One food eaten: a raw food entry, or one ingredient of a dish entry.
struct Portion {
    QString day;
    QString slot;
    QString code; // the raw food's Code (a dish without ingredients: its FOODID)
    QString name;
    double grams = 0;   // edible weight
    double protein = 0; // g
    FoodClass cls;
};

// ---------------------------------------------------------------- results

// One figure against its range; marked by eval::markerFor(value, low, high)
// when marked is true.
struct RangeRow {
    QString name;
    double value = 0;
    double low = 0;
    double high = kNoUpperBound;
    bool marked = false;
    eval::Marker marker = eval::Marker::Ok;
    QString note;
};

struct OtherFood {
    QString name;
    double grams = 0; // per day
};

struct Analysis {
    int days = 0;            // days averaged over (1 for one day or a survey)
    double energyKcal = 0;   // per day, from the entries
    double profileKcal = 0;  // the energy requirement the pagoda check used

    QList<RangeRow> groups;    // the pagoda groups, then the salt from sodium
    bool groupsMarked = false;
    QString groupsMessage;     // why the groups are not marked (empty when they are)
    QList<OtherFood> others;   // foods of no pagoda group, by name

    QList<RangeRow> energyShares; // 蛋白质, 脂肪, 碳水化合物 (% of energy)
    double qualityProteinPercent = 0; // share of protein from animal foods and soy

    QList<RangeRow> meals;     // 早餐, 午餐, 晚餐 (% of the day's energy)
    QString mealsNote;

    QList<RangeRow> variety;   // one row per day, then the week ("全周") when asked

    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The analysis proper, without the database. portions and entries hold the
// days to analyse; weekPortions (may be empty) the whole plan for the
// variety of the week (no week row when empty).
Analysis analyse(const QList<EntryFigures> &entries, const QList<Portion> &portions, const Profile &profile,
                 const QList<Portion> &weekPortions = {});

// Ranges of the energy shares (% of energy) for an age: fat 20–30 and
// carbohydrate 50–65 from 4 years (DRIs 2013 AMDR), protein 10–15 for adults;
// a nutrient without a range for the age has none (not marked).
struct ShareRange {
    bool has = false;
    double low = 0, high = 0;
};
ShareRange proteinShareRange(std::optional<double> age);
ShareRange fatShareRange(std::optional<double> age);
ShareRange carbohydrateShareRange(std::optional<double> age);

// ---------------------------------------------------------------- from the database

// What to analyse: one weekday (code), the whole week (average over the days
// with entries) or the whole table as one day (a survey).
struct Scope {
    enum class Kind { Day, Week, Survey } kind = Kind::Week;
    QString day; // weekday code for Kind::Day
};

// Reads the entries of NQBNutri_tmp (raw foods by Nutri_tb, dishes taken apart
// by CateComponent_tb: an ingredient of a dish eaten at weight w counts
// w × ingredient weight ÷ total ingredient weight as bought, of which the
// dish's and the ingredient's edible portion is eaten; its protein is the
// entry's protein shared in proportion to the ingredients' protein) and
// analyses them. An entry without an edible portion of its own (a survey
// entry holds only code and weight) takes its food's or dish's.
Analysis analysePlan(const Scope &scope, const Profile &profile);

// The profile of the requirement rows: the energy of the "RNI" row of
// DRIs_tmp and the age band's lower bound (ageBandText "18 ～ 50"; empty or
// unreadable: unknown).
Profile profileFor(const QString &ageBandText, QString *error = nullptr);
// The youngest age band of a group (DinerPerson_tmp rows with diners), or
// empty when the group has none.
QString youngestGroupBand(QString *error = nullptr);
// The age band of the current profile: the individual profile file's band, or
// the group's youngest band.
QString profileAgeBand(bool individual, QString *error = nullptr);
// The lower bound of an age band text ("18 ～ 50" -> 18, "80 ～" -> 80).
std::optional<double> ageBandLower(const QString &ageBandText);

// ---------------------------------------------------------------- report

// The analysis as an HTML document (title, scope, the four tables with
// markers and the messages), for the print preview.
QString reportHtml(const Analysis &a, const QString &scopeText);

// "2.5" style number for the tables: one decimal, half to even.
QString oneDecimal(double v);
// The recommended range of a row as shown: "≥ 25g", "< 6g", "50～100g".
QString rangeText(const RangeRow &r, const QString &unit);

} // namespace nqb::structure
