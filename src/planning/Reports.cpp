#include "planning/Reports.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "data/SystemSettings.h"
#include "diners/PersonalProfile.h"
#include "planning/PlanDb.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextDocument>

#include <algorithm>
#include <functional>
#include <utility>
#include <cmath>

namespace nqb::reports {

namespace {

using report::Row;
using report::Table;

void setError(QString *error, const QString &text)
{
    if (error && error->isEmpty())
        *error = text;
}

// Amounts as printed: two decimals, one from 1000 on (energy in kJ).
QString amountText(double v)
{
    return fmtG(roundHalfEven(v, std::abs(v) >= 1000 ? 1 : 2));
}

QString nutrientTitle(int k)
{
    const auto &n = requirementBlock()[k];
    return QString::fromUtf8(n.name) + QStringLiteral("\n[") + QString::fromUtf8(n.unit) + QLatin1Char(']');
}

int slotIndex(plan::MealSlot s)
{
    return static_cast<int>(s);
}

double factorOf(const Context &c, int weekday)
{
    bool ok = false;
    const int p = c.percentages.value(weekday).trimmed().toInt(&ok);
    return ok ? p / 100.0 : 1.0;
}

QString percentText(const Context &c, int weekday)
{
    return fmtG(factorOf(c, weekday) * 100.0) + QLatin1Char('%');
}

// Entries of the week menu: per weekday, the plan's entries in meal order.
struct DayPlan {
    QList<Item> items;
    QList<Item> inSlot(plan::MealSlot s) const
    {
        QList<Item> l;
        for (const Item &i : items)
            if (i.in(s))
                l << i;
        return l;
    }
};

} // namespace

// ---------------------------------------------------------------- context

int Diners::persons() const
{
    if (individual)
        return 1;
    int n = 0;
    for (const GroupRow &r : group)
        n += r.persons;
    return n;
}

QString Diners::describe() const
{
    if (individual) {
        QStringList parts;
        parts << (male ? QStringLiteral("男") : QStringLiteral("女"));
        if (!ageBand.isEmpty())
            parts << ageBand + QStringLiteral(" 岁");
        if (!activity.isEmpty())
            parts << activity;
        if (!weight.isEmpty())
            parts << QStringLiteral("体重 ") + weight + QStringLiteral(" kg");
        return QStringLiteral("个人：") + parts.join(QStringLiteral("，"));
    }
    QStringList rows;
    for (const GroupRow &r : group)
        rows << QStringLiteral("%1 岁 %2 %3 %4 人").arg(r.ageBand, r.sex, r.activity).arg(r.persons);
    QString s = QStringLiteral("集体：");
    if (!rows.isEmpty())
        s += rows.join(QStringLiteral("；")) + QStringLiteral("；");
    return s + QStringLiteral("共 %1 人").arg(persons());
}

Diners currentDiners(bool individual, QString *error)
{
    Diners d;
    d.individual = individual;
    if (individual) {
        PersonalProfileData p;
        RequirementMatrix m;
        readPersonalProfile(personalProfilePath(), p, m); // a missing file leaves the defaults
        d.male = p.male;
        d.ageBand = p.ageBand.trimmed();
        d.activity = p.activity.trimmed();
        d.weight = p.weight.trimmed();
        return d;
    }
    QSqlQuery q(nqb::db());
    QString err;
    if (!sql::exec(q, QStringLiteral("SELECT AGETEXT, SEX, ACTIVITY, TOTALPERSON FROM DinerPerson_tmp ORDER BY rowid"),
                      {}, &err)) {
        setError(error, err);
        return d;
    }
    while (q.next())
        d.group << GroupRow{q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                            q.value(2).toString().trimmed(), q.value(3).toInt()};
    return d;
}

report::Header Context::header() const
{
    return {company, tel, diners.describe(), date.toString(QStringLiteral("yyyy-MM-dd"))};
}

Context currentContext(bool individual, const QStringList &percentages, QString *error)
{
    Context c;
    const SystemSettings s = readSystemSettings();
    c.company = s.company;
    c.tel = s.tel;
    c.mealPattern = s.mealPattern;
    c.diners = currentDiners(individual, error);
    c.date = QDate::currentDate();
    c.percentages = percentages;
    return c;
}

QString gramsText(double grams)
{
    return fmtG(roundHalfEven(grams, 1));
}

// ---------------------------------------------------------------- plan data

QList<Item> dayItems(const QString &week, QString *error)
{
    QList<Item> items;
    QSqlQuery q(nqb::db());
    QString err;
    const QString sql = QStringLiteral("SELECT CODE, FOODNAME, DINERTIME, WEIGHT, %1 FROM NQBNutri_tmp WHERE WEEK=? "
                                       "ORDER BY DINERTMP ASC, rowid ASC")
                            .arg(joinColumns(compositionColumns()));
    if (!sql::exec(q, sql, {week}, &err)) {
        setError(error, err);
        return items;
    }
    while (q.next()) {
        const plan::MealSlotInfo *slot = plan::findMealSlot(q.value(2).toString());
        Item it;
        it.code = q.value(0).toString().trimmed();
        it.name = q.value(1).toString().trimmed();
        it.knownSlot = slot != nullptr;
        if (slot)
            it.slot = slot->slot;
        it.weight = toNumber(q.value(3));
        for (int i = 0; i < kCompositionCount; ++i)
            it.amounts[i] = toNumber(q.value(4 + i));
        items << it;
    }
    // Meal order even where an imported entry carries no sort letter.
    auto order = [](const Item &i) { return i.knownSlot ? slotIndex(i.slot) : plan::kMealSlotCount; };
    std::stable_sort(items.begin(), items.end(), [&](const Item &a, const Item &b) { return order(a) < order(b); });
    return items;
}

DayEvaluation evaluateDay(const QList<Item> &items, double factor, QString *error)
{
    plan::CompositionValues totals{};
    for (int i = 0; i < kCompositionCount; ++i) {
        QList<double> values;
        for (const Item &it : items)
            values << it.amounts[i];
        totals[i] = plan::footerSum(values);
    }
    const eval::RequirementValues actual = eval::requirementValuesOf(totals);
    eval::RequirementRows rows;
    QString err;
    if (!eval::readRequirementRows(&rows, &err))
        setError(error, err);
    DayEvaluation e;
    const QStringList labels = eval::workbenchBarLabels();
    for (int k = 0; k < kRequirementCount; ++k) {
        eval::NutrientResult &n = e.nutrients[k];
        n.actual = actual[k];
        n.standard = rows.rni[k] * factor;
        n.lower = rows.ear[k] * factor;
        n.upper = rows.ul[k] * factor;
        n.marker = eval::markerFor(n.actual, n.lower, n.upper);
        if (k > 0)
            e.bars << eval::Bar{k, labels.value(k - 1), double(eval::barPercent(n.actual, n.standard)),
                                eval::markerColour(n.marker)};
    }
    return e;
}

QList<Purchase> purchaseList(QString *error)
{
    QSqlDatabase db = nqb::db();
    QString err;
    auto fail = [&](const QString &e) {
        setError(error, e);
        return QList<Purchase>();
    };

    // Food groups in table order, by their code prefix ("01-").
    QStringList groups;
    {
        QSqlQuery q(db);
        if (!sql::exec(q, QStringLiteral("SELECT FoodGroup FROM FoodKind_tb ORDER BY rowid"), {}, &err))
            return fail(err);
        while (q.next())
            groups << q.value(0).toString().trimmed();
    }
    auto groupIndexOf = [&](const QString &code) -> int {
        if (code.size() < 3)
            return -1;
        for (int i = 0; i < groups.size(); ++i)
            if (groups[i].left(3) == code.left(3))
                return i;
        return -1;
    };

    QSqlQuery food(db), dish(db), parts(db), byName(db);
    auto firstValue = [&](QSqlQuery &q, const QString &sql, const QVariant &bind, QString *out) -> bool {
        if (!sql::exec(q, sql, {bind}, &err))
            return false;
        *out = q.next() ? q.value(0).toString().trimmed() : QString();
        return true;
    };
    const QString foodNameSql = QStringLiteral("SELECT FoodName FROM Nutri_tb WHERE Code=? LIMIT 1");
    const QString dishSql = QStringLiteral("SELECT FOODID FROM CateNutri_tb WHERE FOODID=? LIMIT 1");

    // Sums in the order the foods first appear, keyed by code (or by name for
    // an entry that names nothing known).
    QList<Purchase> list;
    QHash<QString, int> at;
    auto add = [&](const QString &code, const QString &name, double grams) {
        const QString key = code.isEmpty() ? QStringLiteral("#") + name : code;
        if (auto it = at.find(key); it != at.end()) {
            list[*it].grams += grams;
            return;
        }
        const int g = groupIndexOf(code);
        at.insert(key, int(list.size()));
        list << Purchase{g >= 0 ? groups[g] : QStringLiteral("其他"), code, name, grams};
    };
    auto addRaw = [&](const QString &code, const QString &fallbackName, double grams) -> bool {
        QString name;
        if (!firstValue(food, foodNameSql, code, &name))
            return false;
        add(code, name.isEmpty() ? (fallbackName.isEmpty() ? code : fallbackName) : name, grams);
        return true;
    };
    // Expands a dish; false on a database failure.
    auto addDish = [&](const QString &dishId, const QString &name, double weight) -> bool {
        if (!sql::exec(parts, QStringLiteral("SELECT CODE, WEIGHT FROM CateComponent_tb WHERE FOODID=? ORDER BY rowid"),
                          {dishId}, &err))
            return false;
        QList<QPair<QString, double>> ingredients;
        double total = 0;
        while (parts.next()) {
            const double w = toNumber(parts.value(1));
            ingredients.append({parts.value(0).toString().trimmed(), w});
            total += w;
        }
        if (total <= 0) {
            add(dishId, name, weight);
            return true;
        }
        for (const auto &ing : ingredients) {
            if (ing.second == 0)
                continue;
            if (!addRaw(ing.first, QString(), ing.second * weight / total))
                return false;
        }
        return true;
    };

    QSqlQuery entries(db);
    if (!sql::exec(entries, QStringLiteral("SELECT CODE, FOODNAME, WEIGHT FROM NQBNutri_tmp ORDER BY rowid"), {},
                      &err))
        return fail(err);
    while (entries.next()) {
        QString code = entries.value(0).toString().trimmed();
        const QString name = entries.value(1).toString().trimmed();
        const double weight = toNumber(entries.value(2));
        QString found;
        if (code.isEmpty() && !name.isEmpty()) {
            // An entry added without an identifier: found by its name.
            if (!firstValue(byName, QStringLiteral("SELECT Code FROM Nutri_tb WHERE FoodName=? LIMIT 1"), name, &code))
                return fail(err);
            if (code.isEmpty()
                && !firstValue(byName, QStringLiteral("SELECT FOODID FROM CateNutri_tb WHERE FOODNAME=? LIMIT 1"),
                               name, &code))
                return fail(err);
        }
        if (code.isEmpty()) {
            add(QString(), name, weight);
            continue;
        }
        if (!firstValue(food, foodNameSql, code, &found))
            return fail(err);
        if (!found.isEmpty()) {
            add(code, found, weight);
            continue;
        }
        if (!firstValue(dish, dishSql, code, &found))
            return fail(err);
        if (!found.isEmpty()) {
            if (!addDish(code, name, weight))
                return fail(err);
            continue;
        }
        add(code, name.isEmpty() ? code : name, weight); // a food that no longer exists
    }

    std::stable_sort(list.begin(), list.end(), [&](const Purchase &a, const Purchase &b) {
        const int ga = groupIndexOf(a.code), gb = groupIndexOf(b.code);
        const int ka = ga < 0 ? int(groups.size()) : ga, kb = gb < 0 ? int(groups.size()) : gb;
        if (ka != kb)
            return ka < kb;
        return a.code < b.code;
    });
    return list;
}

// ---------------------------------------------------------------- documents

std::unique_ptr<QTextDocument> dayStatisticsReport(const Context &context, int weekday, QString *error)
{
    const QString code = plan::weekdayCode(weekday);
    QString err;
    const QList<Item> items = dayItems(code, &err);
    const double factor = factorOf(context, weekday);
    const DayEvaluation e = evaluateDay(items, factor, &err);
    if (!err.isEmpty()) {
        setError(error, err);
        return nullptr;
    }

    report::ReportWriter w(true);
    w.title(QStringLiteral("一周营养成分详细统计（%1）").arg(plan::weekdayCaption(weekday)), context.header());
    w.paragraph(QStringLiteral("配餐比例：%1（标准 = RNI × 配餐比例）").arg(percentText(context, weekday)));

    Table t;
    t.columns << QStringLiteral("食物名称") << QStringLiteral("重量\n[g]");
    for (int k = 0; k < kRequirementCount; ++k)
        t.columns << nutrientTitle(k);
    t.fontPercent = 72;
    t.firstColumnPercent = 8;
    // Per meal slot, then the entries of no known slot, which count in the totals all the same.
    QList<std::pair<QString, std::function<bool(const Item &)>>> groups;
    for (const auto &s : plan::mealSlots())
        groups.append({QString::fromUtf8(s.name), [slot = s.slot](const Item &i) { return i.in(slot); }});
    groups.append({QStringLiteral("其他"), [](const Item &i) { return !i.knownSlot; }});
    for (const auto &g : groups) {
        bool first = true;
        for (const Item &it : items) {
            if (!g.second(it))
                continue;
            if (first)
                t.rows << Row::group(g.first);
            first = false;
            QStringList cells{it.name, gramsText(it.weight)};
            for (int k = 0; k < kRequirementCount; ++k)
                cells << amountText(it.amounts[compositionIndexOfRequirement(k)]);
            t.rows << Row::item(cells);
        }
    }
    if (items.isEmpty())
        t.rows << Row::group(QStringLiteral("本日没有配餐。"));
    double weight = 0;
    for (const Item &it : items)
        weight += it.weight;
    QStringList totals{QStringLiteral("合计"), gramsText(weight)}, standard{QStringLiteral("标准"), QString()},
        markers{QStringLiteral("结果"), QString()}, percents{QStringLiteral("占标准[%]"), QString()};
    QList<quint32> markerColours{0, 0};
    for (int k = 0; k < kRequirementCount; ++k) {
        const eval::NutrientResult &n = e.nutrients[k];
        totals << amountText(n.actual);
        standard << amountText(n.standard);
        markers << eval::markerText(n.marker);
        markerColours << report::printColour(n.marker);
        percents << QString::number(eval::barPercent(n.actual, n.standard));
    }
    t.rows << Row::total(totals) << Row::total(standard);
    Row m = Row::total(markers);
    m.colours = markerColours;
    t.rows << m << Row::total(percents);
    w.table(t);
    w.paragraph(QStringLiteral("结果：－ 不足（低于 EAR × 配餐比例），ok 正常，＋ 过量（高于 UL × 配餐比例）。"));

    w.image(report::chartImage(e.bars, QStringLiteral("营养素摄入量占标准的百分比")), QStringLiteral("chart/") + code,
            760);
    return w.take();
}

namespace {

QList<DayPlan> weekPlan(QString *error)
{
    QList<DayPlan> days;
    for (int d = 0; d < plan::kWeekdayCount; ++d)
        days << DayPlan{dayItems(plan::weekdayCode(d), error)};
    return days;
}

} // namespace

std::unique_ptr<QTextDocument> weekMenuReport(const Context &context, QString *error)
{
    QString err;
    const QList<DayPlan> days = weekPlan(&err);
    if (!err.isEmpty()) {
        setError(error, err);
        return nullptr;
    }
    report::ReportWriter w(true);
    w.title(QStringLiteral("一周菜谱总表"), context.header());
    Table t;
    t.columns << QStringLiteral("餐次");
    for (int d = 0; d < plan::kWeekdayCount; ++d) {
        t.columns << plan::weekdayCaption(d) << QStringLiteral("重量[g]");
        t.moreTextColumns << 1 + 2 * d;
    }
    t.textColumns = 1;
    t.fontPercent = 85;
    bool any = false;
    for (const auto &s : plan::mealSlots()) {
        QList<QList<Item>> perDay;
        qsizetype lines = 0;
        for (const DayPlan &d : days) {
            perDay << d.inSlot(s.slot);
            lines = std::max(lines, perDay.last().size());
        }
        for (int i = 0; i < lines; ++i) {
            QStringList cells{i == 0 ? QString::fromUtf8(s.name) : QString()};
            for (const auto &dayItems : perDay) {
                if (i < dayItems.size())
                    cells << dayItems[i].name << gramsText(dayItems[i].weight);
                else
                    cells << QString() << QString();
            }
            t.rows << Row::item(cells);
            any = true;
        }
    }
    if (!any)
        t.rows << Row::group(QStringLiteral("本周没有配餐。"));
    w.table(t);
    return w.take();
}

std::unique_ptr<QTextDocument> dayMenuReport(const Context &context, int weekday, QString *error)
{
    QString err;
    const QList<Item> items = dayItems(plan::weekdayCode(weekday), &err);
    if (!err.isEmpty()) {
        setError(error, err);
        return nullptr;
    }
    // The slots of the meal pattern, and any other slot the day has entries in.
    QList<plan::MealSlot> shownSlots;
    for (const auto &s : plan::mealSlots()) {
        const bool used = std::any_of(items.begin(), items.end(), [&](const Item &i) { return i.in(s.slot); });
        if (used || plan::slotInUse(context.mealPattern, s.slot))
            shownSlots << s.slot;
    }
    report::ReportWriter w(true);
    w.title(QStringLiteral("菜谱（%1）").arg(plan::weekdayCaption(weekday)), context.header());
    Table t;
    QList<QList<Item>> perSlot;
    qsizetype lines = 0;
    for (plan::MealSlot s : shownSlots) {
        t.moreTextColumns << int(t.columns.size());
        t.columns << plan::slotName(s) << QStringLiteral("重量[g]");
        QList<Item> l;
        for (const Item &i : items)
            if (i.in(s))
                l << i;
        lines = std::max(lines, l.size());
        perSlot << l;
    }
    t.textColumns = 0;
    for (int i = 0; i < lines; ++i) {
        QStringList cells;
        for (const auto &l : perSlot) {
            if (i < l.size())
                cells << l[i].name << gramsText(l[i].weight);
            else
                cells << QString() << QString();
        }
        t.rows << Row::item(cells);
    }
    QStringList sums;
    for (const auto &l : perSlot) {
        double g = 0;
        for (const Item &i : l)
            g += i.weight;
        sums << QStringLiteral("合计") << gramsText(g);
    }
    t.rows << Row::total(sums);
    w.table(t);
    if (items.isEmpty())
        w.paragraph(QStringLiteral("本日没有配餐。"));
    return w.take();
}

std::unique_ptr<QTextDocument> purchaseReport(const Context &context, QString *error)
{
    QString err;
    const QList<Purchase> list = purchaseList(&err);
    if (!err.isEmpty()) {
        setError(error, err);
        return nullptr;
    }
    const bool group = !context.diners.individual;
    const int persons = context.diners.persons();
    report::ReportWriter w(false);
    w.title(QStringLiteral("一周原料统计"), context.header());
    w.paragraph(group ? QStringLiteral("采购清单：每人用量 × %1 人；菜肴按其原料的重量比例折算为原料。").arg(persons)
                      : QStringLiteral("采购清单：按一人计算；菜肴按其原料的重量比例折算为原料。"));
    Table t;
    t.columns << QStringLiteral("原料编码") << QStringLiteral("原料名称") << QStringLiteral("每人用量[g]");
    if (group)
        t.columns << QStringLiteral("%1 人用量[g]").arg(persons) << QStringLiteral("%1 人用量[kg]").arg(persons);
    t.textColumns = 2;
    QString lastGroup;
    double sum = 0;
    for (const Purchase &p : list) {
        if (p.group != lastGroup || t.rows.isEmpty())
            t.rows << Row::group(p.group);
        lastGroup = p.group;
        QStringList cells{p.code, p.name, gramsText(p.grams)};
        if (group)
            cells << gramsText(p.grams * persons) << fmtG(roundHalfEven(p.grams * persons / 1000.0, 3));
        t.rows << Row::item(cells);
        sum += p.grams;
    }
    if (list.isEmpty())
        t.rows << Row::group(QStringLiteral("本周没有配餐。"));
    QStringList total{QStringLiteral("合计"), QString(), gramsText(sum)};
    if (group)
        total << gramsText(sum * persons) << fmtG(roundHalfEven(sum * persons / 1000.0, 3));
    t.rows << Row::total(total);
    w.table(t);
    return w.take();
}

} // namespace nqb::reports
