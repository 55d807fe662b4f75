#include "planning/DietStructure.h"

#include "data/Db.h"
#include "data/NumberFormat.h"
#include "diners/PersonalProfile.h"
#include "planning/MealPlan.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cmath>

namespace nqb::structure {

namespace {

QString trimmed(const QVariant &v) { return v.toString().trimmed(); }

RangeRow rangeRow(const QString &name, double value, double low, double high, bool marked)
{
    RangeRow r;
    r.name = name;
    r.value = value;
    r.low = low;
    r.high = high;
    r.marked = marked;
    r.marker = eval::markerFor(value, low, high);
    return r;
}

// The meal a slot's energy counts with: a snack slot goes with the meal
// before it (早间餐 -> 早餐, 午间餐 -> 午餐, 晚间餐 and 加餐 -> 晚餐).
QString mealOf(const QString &slot)
{
    const plan::MealSlotInfo *info = plan::findMealSlot(slot);
    if (!info)
        return QString();
    switch (info->slot) {
    case plan::MealSlot::Breakfast:
    case plan::MealSlot::BreakfastMid:
        return QStringLiteral("早餐");
    case plan::MealSlot::Lunch:
    case plan::MealSlot::LunchMid:
        return QStringLiteral("午餐");
    case plan::MealSlot::Supper:
    case plan::MealSlot::SupperMid:
    case plan::MealSlot::Midnight:
        return QStringLiteral("晚餐");
    }
    return QString();
}

struct MealRange {
    const char *name;
    double low, high;
};
const MealRange kMeals[] = {{"早餐", 25, 30}, {"午餐", 30, 40}, {"晚餐", 30, 35}};

inline constexpr double kDayVariety = 12;
inline constexpr double kWeekVariety = 25;

QString foodKey(const Portion &p) { return p.code.isEmpty() ? QStringLiteral("#") + p.name : p.code; }

int varietyCount(const QList<Portion> &portions)
{
    QSet<QString> foods;
    for (const Portion &p : portions) {
        if (p.cls.variety && p.grams > 0)
            foods.insert(foodKey(p));
    }
    return int(foods.size());
}

QString weekdayCaptionOf(const QString &code)
{
    const int i = plan::weekdayIndex(code);
    return i < 0 ? QStringLiteral("当日") : plan::weekdayCaption(i);
}

} // namespace

// ---------------------------------------------------------------- classification

FoodClass PagodaMap::classify(const QString &code) const
{
    const QString c = code.trimmed();
    const PagodaRule *best = nullptr;
    for (const PagodaRule &r : m_rules) {
        const bool matches = c == r.prefix || (c.startsWith(r.prefix) && c.size() > r.prefix.size()
                                                && c.at(r.prefix.size()) == QLatin1Char('-'));
        if (matches && (!best || r.prefix.size() > best->prefix.size()))
            best = &r;
    }
    return best ? best->cls : FoodClass{};
}

std::optional<PagodaMap> PagodaMap::load(QString *error)
{
    QSqlQuery q(sql::connection());
    if (!sql::exec(q,
                   QStringLiteral("SELECT CODEPREFIX, PAGODA, WHOLEGRAIN, VARIETY, QUALITYPROTEIN FROM PagodaGroup_tb"),
                   {}, error, QStringLiteral("膳食宝塔食物组")))
        return std::nullopt;
    QList<PagodaRule> rules;
    while (q.next()) {
        PagodaRule r;
        r.prefix = trimmed(q.value(0));
        r.cls.pagoda = trimmed(q.value(1));
        r.cls.wholeGrain = q.value(2).toInt() != 0;
        r.cls.variety = q.value(3).isNull() || q.value(3).toInt() != 0;
        r.cls.qualityProtein = q.value(4).toInt() != 0;
        if (!r.prefix.isEmpty())
            rules << r;
    }
    return PagodaMap(rules);
}

// ---------------------------------------------------------------- guideline values

const QList<GroupRange> &pagodaGroups()
{
    static const QList<GroupRange> groups = {
        {"谷类", 200, 300},   {"全谷物和杂豆", 50, 150}, {"薯类", 50, 100},       {"蔬菜", 300, 500},
        {"水果", 200, 350},   {"畜禽肉", 40, 75},        {"水产品", 40, 75},      {"蛋类", 40, 50},
        {"奶及奶制品", 300, 500}, {"大豆及坚果", 25, 35}, {"烹调油", 25, 30},     {"盐", 0, 5},
    };
    return groups;
}

double saltFromSodium(double sodiumMg) { return sodiumMg * 2.54 / 1000.0; }

ShareRange proteinShareRange(std::optional<double> age)
{
    if (age && *age < 18)
        return {};
    return {true, 10, 15};
}

ShareRange fatShareRange(std::optional<double> age)
{
    if (age && *age < 4)
        return {};
    return {true, 20, 30};
}

ShareRange carbohydrateShareRange(std::optional<double> age)
{
    if (age && *age < 4)
        return {};
    return {true, 50, 65};
}

// ---------------------------------------------------------------- analysis

Analysis analyse(const QList<EntryFigures> &entries, const QList<Portion> &portions, const Profile &profile,
                 const QList<Portion> &weekPortions)
{
    Analysis a;
    a.profileKcal = profile.energyKcal;

    // Days: those with entries (one at least, so that an empty plan gives 0s).
    QStringList days;
    for (const EntryFigures &e : entries) {
        if (!days.contains(e.day))
            days << e.day;
    }
    for (const Portion &p : portions) {
        if (!days.contains(p.day))
            days << p.day;
    }
    // Sunday first, as everywhere in the program.
    std::stable_sort(days.begin(), days.end(), [](const QString &x, const QString &y) {
        const auto key = [](const QString &d) {
            const int i = plan::weekdayIndex(d);
            return i < 0 ? plan::kWeekdayCount : i;
        };
        return key(x) < key(y);
    });
    a.days = std::max<int>(1, int(days.size()));
    const double n = a.days;

    // Food groups.
    QMap<QString, double> grams;
    double wholeGrain = 0;
    QMap<QString, double> otherGrams;
    QStringList otherOrder;
    double protein = 0, qualityProtein = 0;
    for (const Portion &p : portions) {
        protein += p.protein;
        if (p.cls.qualityProtein)
            qualityProtein += p.protein;
        if (p.cls.pagoda.isEmpty()) {
            if (!otherGrams.contains(p.name))
                otherOrder << p.name;
            otherGrams[p.name] += p.grams;
            continue;
        }
        grams[p.cls.pagoda] += p.grams;
        if (p.cls.wholeGrain)
            wholeGrain += p.grams;
    }
    grams[QString::fromUtf8(kWholeGrainGroup)] = wholeGrain;

    const bool adult = !profile.age || *profile.age >= kPagodaMinAge;
    const bool energyInRange =
        profile.energyKcal >= kPagodaMinKcal && profile.energyKcal <= kPagodaMaxKcal;
    a.groupsMarked = adult && energyInRange;
    if (!adult)
        a.groupsMessage = QStringLiteral("膳食宝塔的推荐量适用于 18 岁及以上、能量需要量 %1～%2 kcal 的成年人；"
                                         "本档案年龄为 %3 岁起，食物组不作评价。")
                              .arg(fmtG(kPagodaMinKcal), fmtG(kPagodaMaxKcal), fmtG(*profile.age));
    else if (!energyInRange)
        a.groupsMessage = QStringLiteral("膳食宝塔的推荐量适用于能量需要量 %1～%2 kcal 的成年人；"
                                         "本档案的能量需要量为 %3 kcal，食物组不作评价。")
                              .arg(fmtG(kPagodaMinKcal), fmtG(kPagodaMaxKcal), fmtG(roundHalfEven(profile.energyKcal, 0)));

    for (const GroupRange &g : pagodaGroups()) {
        const QString name = QString::fromUtf8(g.name);
        RangeRow r = rangeRow(name, grams.value(name) / n, g.low, g.high, a.groupsMarked);
        if (name == QString::fromUtf8(kWholeGrainGroup))
            r.note = QStringLiteral("包含在谷类中");
        else if (name == QString::fromUtf8(kSaltGroup))
            r.note = QStringLiteral("盐的食物条目");
        a.groups << r;
    }
    double sodium = 0;
    for (const EntryFigures &e : entries)
        sodium += e.sodium;
    RangeRow salt = rangeRow(QStringLiteral("钠折合食盐"), saltFromSodium(sodium) / n, 0, 5, a.groupsMarked);
    salt.note = QStringLiteral("全部食物的钠 × 2.54 ÷ 1000");
    a.groups << salt;

    for (const QString &name : otherOrder)
        a.others << OtherFood{name, otherGrams.value(name) / n};

    // Energy shares.
    double kcal = 0, prot = 0, fat = 0, cho = 0;
    for (const EntryFigures &e : entries) {
        kcal += e.kcal;
        prot += e.protein;
        fat += e.fat;
        cho += e.carbohydrate;
    }
    a.energyKcal = kcal / n;
    const double macroKcal = prot * 4 + fat * 9 + cho * 4;
    auto share = [&](const QString &name, double kcalOf, const ShareRange &range) {
        const double pct = macroKcal > 0 ? kcalOf * 100.0 / macroKcal : 0;
        RangeRow r = rangeRow(name, pct, range.low, range.has ? range.high : kNoUpperBound,
                              range.has && macroKcal > 0);
        if (!range.has)
            r.note = QStringLiteral("此年龄无可接受范围");
        return r;
    };
    a.energyShares << share(QStringLiteral("蛋白质"), prot * 4, proteinShareRange(profile.age))
                   << share(QStringLiteral("脂肪"), fat * 9, fatShareRange(profile.age))
                   << share(QStringLiteral("碳水化合物"), cho * 4, carbohydrateShareRange(profile.age));
    a.qualityProteinPercent = protein > 0 ? qualityProtein * 100.0 / protein : 0;

    // Meals.
    QMap<QString, double> mealKcal;
    for (const EntryFigures &e : entries)
        mealKcal[mealOf(e.slot)] += e.kcal;
    for (const MealRange &m : kMeals) {
        const QString name = QString::fromUtf8(m.name);
        const double pct = kcal > 0 ? mealKcal.value(name) * 100.0 / kcal : 0;
        a.meals << rangeRow(name, pct, m.low, m.high, kcal > 0);
    }
    a.mealsNote = QStringLiteral("早间餐计入早餐，午间餐计入午餐，晚间餐和加餐计入晚餐。");

    // Variety: each day, then the week.
    for (const QString &day : days) {
        QList<Portion> ofDay;
        for (const Portion &p : portions) {
            if (p.day == day)
                ofDay << p;
        }
        a.variety << rangeRow(weekdayCaptionOf(day), varietyCount(ofDay), kDayVariety, kNoUpperBound, true);
    }
    if (days.isEmpty())
        a.variety << rangeRow(QStringLiteral("当日"), 0, kDayVariety, kNoUpperBound, true);
    if (!weekPortions.isEmpty())
        a.variety << rangeRow(QStringLiteral("全周"), varietyCount(weekPortions), kWeekVariety, kNoUpperBound, true);
    return a;
}

// ---------------------------------------------------------------- from the database

namespace {

struct Ingredient {
    QString code;
    QString name;
    double weight = 0;
    int edible = 0;
    double proteinPer100 = 0;
};

struct PlanReader {
    PagodaMap map;
    QHash<QString, std::optional<QList<Ingredient>>> dishes; // FOODID -> ingredients (none: not a dish)
    QString error;

    // The ingredients of a dish, or none when code is no dish with ingredients.
    const std::optional<QList<Ingredient>> &ingredientsOf(const QString &code)
    {
        auto it = dishes.find(code);
        if (it != dishes.end())
            return *it;
        std::optional<QList<Ingredient>> result;
        {
            QSqlQuery q(sql::connection());
            if (sql::exec(q,
                          QStringLiteral("SELECT c.CODE, n.FoodName, c.WEIGHT, n.EDIBLE, n.PROCNT "
                                         "FROM CateComponent_tb c LEFT JOIN Nutri_tb n ON n.Code = c.CODE "
                                         "WHERE c.FOODID = ? ORDER BY c.rowid"),
                          {code}, &error)) {
                QList<Ingredient> list;
                while (q.next()) {
                    Ingredient in;
                    in.code = trimmed(q.value(0));
                    in.name = trimmed(q.value(1));
                    if (in.name.isEmpty())
                        in.name = in.code;
                    in.weight = toNumber(q.value(2));
                    in.edible = plan::edibleWhole(q.value(3));
                    in.proteinPer100 = toNumber(q.value(4));
                    list << in;
                }
                if (!list.isEmpty())
                    result = list;
            }
        }
        return *dishes.insert(code, result);
    }

    // The portions of one entry.
    QList<Portion> portionsOf(const QString &day, const QString &slot, const QString &code, const QString &name,
                              double weight, int edible, double protein)
    {
        QList<Portion> out;
        const std::optional<QList<Ingredient>> *ingredients = nullptr;
        // A raw food counts as it is; a dish is taken apart into its ingredients.
        if (!plan::isRawFoodCode(code) && !code.isEmpty())
            ingredients = &ingredientsOf(code);
        double total = 0, totalProtein = 0;
        if (ingredients && *ingredients) {
            for (const Ingredient &in : **ingredients) {
                total += in.weight;
                totalProtein += plan::entryAmount(in.proteinPer100, in.weight, in.edible);
            }
        }
        if (ingredients && *ingredients && total > 0) {
            for (const Ingredient &in : **ingredients) {
                Portion p;
                p.day = day;
                p.slot = slot;
                p.code = in.code;
                p.name = in.name;
                const double asBought = weight * in.weight / total;
                p.grams = asBought * edible / 100.0 * in.edible / 100.0;
                p.protein = totalProtein > 0
                                ? protein * plan::entryAmount(in.proteinPer100, in.weight, in.edible) / totalProtein
                                : 0;
                p.cls = map.classify(in.code);
                out << p;
            }
            return out;
        }
        Portion p;
        p.day = day;
        p.slot = slot;
        p.code = code;
        p.name = name;
        p.grams = weight * edible / 100.0;
        p.protein = protein;
        p.cls = plan::isRawFoodCode(code) ? map.classify(code) : FoodClass{};
        out << p;
        return out;
    }
};

} // namespace

Analysis analysePlan(const Scope &scope, const Profile &profile)
{
    PlanReader reader;
    QString error;
    std::optional<PagodaMap> map = PagodaMap::load(&error);
    if (!map) {
        Analysis a;
        a.error = error;
        return a;
    }
    reader.map = *map;

    QSqlQuery q(sql::connection());
    if (!sql::exec(q,
                   QStringLiteral("SELECT WEEK, DINERTIME, CODE, FOODNAME, WEIGHT, EDIBLE, ENERC_kcal, PROCNT, FAT, "
                                  "CHOCDF, NA FROM NQBNutri_tmp ORDER BY WEEK, DINERTMP, rowid"),
                   {}, &error, QStringLiteral("膳食结构"))) {
        Analysis a;
        a.error = error;
        return a;
    }
    QList<EntryFigures> entries;
    QList<Portion> portions, weekPortions;
    while (q.next()) {
        const QString week = trimmed(q.value(0));
        EntryFigures e;
        e.day = scope.kind == Scope::Kind::Survey ? QString() : week;
        e.slot = trimmed(q.value(1));
        e.kcal = toNumber(q.value(6));
        e.protein = toNumber(q.value(7));
        e.fat = toNumber(q.value(8));
        e.carbohydrate = toNumber(q.value(9));
        e.sodium = toNumber(q.value(10));
        const QString code = trimmed(q.value(2));
        // Survey entries hold only code and weight: their edible portion is the food's.
        int edible = plan::edibleWhole(q.value(5));
        if (q.value(5).isNull()) {
            const plan::FoodRow food = plan::lookupFoodByCode(code, &reader.error);
            edible = food.found() ? plan::edibleWhole(food.edible) : 0;
        }
        const QList<Portion> ps = reader.portionsOf(e.day, e.slot, code, trimmed(q.value(3)), toNumber(q.value(4)),
                                                    edible, e.protein);
        if (!reader.error.isEmpty())
            break;
        weekPortions << ps;
        if (scope.kind == Scope::Kind::Day && week != scope.day)
            continue;
        entries << e;
        portions << ps;
    }
    if (!reader.error.isEmpty()) {
        Analysis a;
        a.error = reader.error;
        return a;
    }
    Analysis a = analyse(entries, portions, profile,
                         scope.kind == Scope::Kind::Survey ? QList<Portion>() : weekPortions);
    if (scope.kind == Scope::Kind::Day && entries.isEmpty() && !a.variety.isEmpty())
        a.variety.first().name = weekdayCaptionOf(scope.day);
    if (scope.kind == Scope::Kind::Survey && !a.variety.isEmpty())
        a.variety.first().name = QStringLiteral("调查");
    return a;
}

std::optional<double> ageBandLower(const QString &ageBandText)
{
    static const QRegularExpression lead(QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)"));
    const auto m = lead.match(ageBandText);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toDouble();
}

Profile profileFor(const QString &ageBandText, QString *error)
{
    Profile p;
    p.age = ageBandLower(ageBandText);
    eval::RequirementRows rows;
    if (eval::readRequirementRows(&rows, error))
        p.energyKcal = rows.rni[0];
    return p;
}

QString youngestGroupBand(QString *error)
{
    QSqlQuery q(sql::connection());
    if (!sql::exec(q, QStringLiteral("SELECT AGETEXT FROM DinerPerson_tmp WHERE TOTALPERSON > 0"), {}, error))
        return QString();
    QString band;
    std::optional<double> lowest;
    while (q.next()) {
        const QString text = trimmed(q.value(0));
        const std::optional<double> lower = ageBandLower(text);
        if (lower && (!lowest || *lower < *lowest)) {
            lowest = lower;
            band = text;
        }
    }
    return band;
}

QString profileAgeBand(bool individual, QString *error)
{
    if (!individual)
        return youngestGroupBand(error);
    PersonalProfileData profile;
    RequirementMatrix matrix;
    if (!readPersonalProfile(personalProfilePath(), profile, matrix))
        return QString();
    return profile.ageBand;
}

// ---------------------------------------------------------------- report

QString oneDecimal(double v) { return fmtG(roundHalfEven(v, 1)); }

QString rangeText(const RangeRow &r, const QString &unit)
{
    if (std::isinf(r.high))
        return QStringLiteral("≥ %1%2").arg(fmtG(r.low), unit);
    if (r.low <= 0)
        return QStringLiteral("< %1%2").arg(fmtG(r.high), unit);
    return QStringLiteral("%1～%2%3").arg(fmtG(r.low), fmtG(r.high), unit);
}

namespace {

QString markerCell(const RangeRow &r)
{
    if (!r.marked)
        return QStringLiteral("<td></td>");
    const eval::Rgb c = eval::markerColour(r.marker);
    // Lime is unreadable on paper; the printed "ok" is dark green.
    const QString colour = r.marker == eval::Marker::Ok ? QStringLiteral("#008000")
                                                        : QStringLiteral("#%1%2%3")
                                                              .arg(c.r, 2, 16, QLatin1Char('0'))
                                                              .arg(c.g, 2, 16, QLatin1Char('0'))
                                                              .arg(c.b, 2, 16, QLatin1Char('0'));
    return QStringLiteral("<td align=\"center\"><b><font color=\"%1\">%2</font></b></td>")
        .arg(colour, eval::markerText(r.marker).toHtmlEscaped());
}

QString table(const QString &title, const QStringList &heads, const QList<RangeRow> &rows, const QString &unit,
              bool integer = false)
{
    QString h = QStringLiteral("<h3>%1</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>")
                    .arg(title.toHtmlEscaped());
    for (const QString &head : heads)
        h += QStringLiteral("<th>%1</th>").arg(head.toHtmlEscaped());
    h += QStringLiteral("</tr>");
    for (const RangeRow &r : rows) {
        h += QStringLiteral("<tr><td>%1</td><td align=\"right\">%2</td><td>%3</td>%4<td>%5</td></tr>")
                 .arg(r.name.toHtmlEscaped(), integer ? fmtG(r.value) : oneDecimal(r.value),
                      rangeText(r, unit).toHtmlEscaped(), markerCell(r), r.note.toHtmlEscaped());
    }
    return h + QStringLiteral("</table>");
}

} // namespace

QString reportHtml(const Analysis &a, const QString &scopeText)
{
    QString h = QStringLiteral("<html><body><h2 align=\"center\">膳食结构分析</h2>");
    h += QStringLiteral("<p>范围：%1（按 %2 天平均每日）；能量摄入 %3 kcal/日；能量需要量 %4 kcal。</p>")
             .arg(scopeText.toHtmlEscaped(), QString::number(a.days), oneDecimal(a.energyKcal),
                  fmtG(roundHalfEven(a.profileKcal, 0)));
    const QStringList heads = {QStringLiteral("项目"), QStringLiteral("每日"), QStringLiteral("推荐"),
                               QStringLiteral("结果"), QStringLiteral("说明")};
    h += table(QStringLiteral("食物组（可食部，g/日）"), heads, a.groups, QStringLiteral(" g"));
    if (!a.groupsMessage.isEmpty())
        h += QStringLiteral("<p><b>%1</b></p>").arg(a.groupsMessage.toHtmlEscaped());
    if (!a.others.isEmpty()) {
        QStringList names;
        for (const OtherFood &o : a.others)
            names << QStringLiteral("%1 %2 g").arg(o.name, oneDecimal(o.grams));
        h += QStringLiteral("<p>不属于宝塔食物组：%1</p>").arg(names.join(QStringLiteral("；")).toHtmlEscaped());
    }
    h += table(QStringLiteral("供能比（% 能量）"), heads, a.energyShares, QStringLiteral(" %"));
    h += QStringLiteral("<p>优质蛋白（动物性食物和大豆）占蛋白质：%1 %</p>").arg(oneDecimal(a.qualityProteinPercent));
    h += table(QStringLiteral("三餐能量分配（% 全天能量）"), heads, a.meals, QStringLiteral(" %"));
    h += QStringLiteral("<p>%1</p>").arg(a.mealsNote.toHtmlEscaped());
    h += table(QStringLiteral("食物种类（种）"), heads, a.variety, QString(), true);
    h += QStringLiteral("<p>推荐值：《中国居民膳食指南（2022）》（中国营养学会编著，人民卫生出版社，2022）；"
                        "供能比的可接受范围：《中国居民膳食营养素参考摄入量（2013版）》。</p>");
    return h + QStringLiteral("</body></html>");
}

} // namespace nqb::structure
