#include "foods/Dishes.h"

#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/InputCheck.h"
#include "data/NumberFormat.h"
#include "foods/DishMath.h"

#include <QObject>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace nqb::dish {

namespace {

constexpr int kFooterDecimals = 4;

using Block = std::array<std::optional<double>, kCompositionCount>;

QVariant nullableNumber(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> optionalNumber(const QVariant &v)
{
    if (v.isNull() || v.toString().trimmed().isEmpty())
        return std::nullopt;
    return toNumber(v);
}

QString marks(int n)
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l << QStringLiteral("?");
    return l.join(QStringLiteral(", "));
}

// A raw food's row: code, name, edible, contents; found = false when absent.
struct RawFood {
    bool found = false;
    QString code;
    QString name;
    int edible = 0;
    Block per100g;
};

Result readRawFood(const QString &column, const QString &key, RawFood &out)
{
    out = RawFood{};
    QSqlQuery q(db());
    const Result r = sql::exec(q,
                               QStringLiteral("SELECT Code, FoodName, EDIBLE, %1 FROM Nutri_tb WHERE %2 = ?")
                                   .arg(joinColumns(compositionColumns()), column),
                               {key});
    if (!r.ok())
        return r;
    if (!q.next())
        return succeeded();
    out.found = true;
    out.code = q.value(0).toString();
    out.name = q.value(1).toString().trimmed();
    out.edible = edibleAsInteger(q.value(2));
    for (int k = 0; k < kCompositionCount; ++k) {
        if (const auto v = optionalNumber(q.value(3 + k)))
            out.per100g[k] = *v;
    }
    return succeeded();
}

Block amountsOf(const RawFood &food, double weight)
{
    Block out;
    for (int k = 0; k < kCompositionCount; ++k) {
        if (food.per100g[k])
            out[k] = ingredientAmount(*food.per100g[k], weight, food.edible);
    }
    return out;
}

Block zeroAmounts()
{
    Block out;
    out.fill(0.0);
    return out;
}

Result insertWorkRow(const QString &code, const QString &name, double weight, int edible, const Block &amounts)
{
    QVariantList binds{code, name, weight, edible};
    for (const auto &a : amounts)
        binds << nullableNumber(a);
    QSqlQuery q(db());
    return sql::exec(q,
                     QStringLiteral("INSERT INTO CateNutriSum_tmp (CODE, FOODNAME, WEIGHT, EDIBLE, %1) VALUES (%2)")
                         .arg(joinColumns(compositionColumns()), marks(4 + kCompositionCount)),
                     binds);
}

Result readWeight(const QString &text, double &weight)
{
    if (text.trimmed().isEmpty())
        return failure(Status::EmptyWeight, QStringLiteral("食物重量不能为空!"));
    QString message;
    if (!input::readNumber(QStringLiteral("重量"), text, 0, input::kMaxGrams, &weight, &message))
        return failure(Status::BadNumber, message);
    return succeeded();
}

Result refuse(const QString &text)
{
    return failure(Status::Refused, text);
}

// The category name of a choice "KINDID-KINDNAME": the text after the hyphen.
QString kindNameOf(const QString &kindText)
{
    const QString t = kindText.trimmed();
    const int dash = t.indexOf(QLatin1Char('-'));
    return (dash < 0 ? QString() : t.mid(dash + 1)).trimmed();
}

} // namespace

QString noDishCaption()
{
    return QStringLiteral("菜   肴   名   称");
}

QString chooseCategoryText()
{
    return QStringLiteral("请选择类别");
}

// ---------------------------------------------------------------- working table

Result clearWorkTable()
{
    QString err;
    if (!ClearTable(QStringLiteral("CateNutriSum_tmp"), &err))
        return failure(Status::DbError, err);
    return succeeded();
}

Result hasIngredient(const QString &name, bool &found)
{
    found = false;
    QSqlQuery q(db());
    const Result r =
        sql::exec(q, QStringLiteral("SELECT 1 FROM CateNutriSum_tmp WHERE FOODNAME = ? LIMIT 1"), {name.trimmed()});
    if (!r.ok())
        return r;
    found = q.next();
    return succeeded();
}

Result addIngredient(const QString &typedName, const QString &weightText)
{
    const QString name = typedName.trimmed();
    bool present = false;
    Result r = hasIngredient(name, present);
    if (!r.ok())
        return r;
    if (present)
        return failure(Status::Duplicate, QStringLiteral("该食物已存在,请修改其重量!"));
    if (name.isEmpty())
        return failure(Status::NotFound, QObject::tr("请先选择一种食物。"));
    double weight = 0;
    r = readWeight(weightText, weight);
    if (!r.ok())
        return r;
    RawFood food;
    r = readRawFood(QStringLiteral("FoodName"), name, food);
    if (!r.ok())
        return r;
    if (!food.found)
        return failure(Status::NotFound, QObject::tr("食物“%1”已不在食物成分表中。").arg(name));
    r = insertWorkRow(food.code, food.name, weight, food.edible, amountsOf(food, weight));
    return r.ok() ? succeeded(1) : r;
}

Result changeIngredientWeight(const QString &typedName, const QString &weightText)
{
    const QString name = typedName.trimmed();
    double weight = 0;
    Result r = readWeight(weightText, weight);
    if (!r.ok())
        return r;
    QSqlQuery q(db());
    r = sql::exec(q,
                  QStringLiteral("SELECT rowid, CODE, WEIGHT, %1 FROM CateNutriSum_tmp WHERE FOODNAME = ?")
                      .arg(joinColumns(compositionColumns())),
                  {name});
    if (!r.ok())
        return r;
    if (!q.next())
        return failure(Status::NotFound, QObject::tr("请先选择要修改重量的原料。"));
    const qint64 rowid = q.value(0).toLongLong();
    const QString code = q.value(1).toString();
    const double old = toNumber(q.value(2));
    Block amounts;
    if (old != 0) {
        for (int k = 0; k < kCompositionCount; ++k) {
            if (const auto v = optionalNumber(q.value(3 + k)))
                amounts[k] = *v / old * weight;
        }
    } else {
        // Nothing to scale from: the amounts come from the raw food again.
        RawFood food;
        r = readRawFood(QStringLiteral("Code"), code, food);
        if (!r.ok())
            return r;
        amounts = food.found ? amountsOf(food, weight) : zeroAmounts();
    }
    QStringList sets{QStringLiteral("WEIGHT = ?")};
    QVariantList binds{weight};
    const QStringList cols = compositionColumns();
    for (int k = 0; k < kCompositionCount; ++k) {
        sets << cols[k] + QStringLiteral(" = ?");
        binds << nullableNumber(amounts[k]);
    }
    binds << rowid;
    QSqlQuery u(db());
    r = sql::exec(u, QStringLiteral("UPDATE CateNutriSum_tmp SET %1 WHERE rowid = ?").arg(sets.join(", ")), binds);
    return r.ok() ? succeeded(1) : r;
}

Result deleteIngredient(const QString &name)
{
    QSqlQuery q(db());
    return sql::exec(q, QStringLiteral("DELETE FROM CateNutriSum_tmp WHERE FOODNAME = ?"), {name.trimmed()});
}

Result workTotals(WorkTotals &out)
{
    out = WorkTotals{};
    QStringList sums{QStringLiteral("COUNT(*)"), QStringLiteral("TOTAL(WEIGHT)")};
    for (const QString &c : compositionColumns())
        sums << QStringLiteral("SUM(%1)").arg(c);
    QSqlQuery q(db());
    const Result r = sql::exec(q, QStringLiteral("SELECT %1 FROM CateNutriSum_tmp").arg(sums.join(", ")));
    if (!r.ok())
        return r;
    if (!q.next())
        return succeeded();
    out.rows = q.value(0).toInt();
    out.weight = roundHalfEven(toNumber(q.value(1)), kFooterDecimals);
    for (int k = 0; k < kCompositionCount; ++k) {
        if (const auto v = optionalNumber(q.value(2 + k)))
            out.amounts[k] = roundHalfEven(*v, kFooterDecimals);
    }
    return succeeded(out.rows);
}

std::optional<Block> dishValues(const WorkTotals &totals, int edible)
{
    if (!(totals.weight > 0))
        return std::nullopt;
    const int e = clampDishEdible(edible);
    Block out;
    for (int k = 0; k < kCompositionCount; ++k) {
        if (totals.amounts[k])
            out[k] = *totals.amounts[k] * e / totals.weight;
    }
    return out;
}

// ---------------------------------------------------------------- stored dishes

Result findDish(const QString &typedName, DishInfo &out, bool &found)
{
    out = DishInfo{};
    found = false;
    const QString name = typedName.trimmed();
    QSqlQuery q(db());
    Result r = sql::exec(
        q, QStringLiteral("SELECT FOODID, FOODNAME, PYJM, EDIBLE, KINDNAME, FoodDescribe FROM CateNutri_tb WHERE FOODNAME = ?"),
        {name});
    if (!r.ok())
        return r;
    if (!q.next())
        return succeeded();
    found = true;
    out.foodId = q.value(0).toString().trimmed();
    out.name = q.value(1).toString().trimmed();
    out.pyjm = q.value(2).toString().trimmed();
    out.edible = q.value(3).isNull() ? QString() : fmtG(toNumber(q.value(3)));
    out.kindName = q.value(4).toString().trimmed();
    out.describe = q.value(5).toString();
    QSqlQuery k(db());
    r = sql::exec(k, QStringLiteral("SELECT KINDID FROM CateKind_tb WHERE KINDNAME = ?"), {out.kindName});
    if (!r.ok())
        return r;
    if (k.next())
        out.kindText = k.value(0).toString().trimmed() + QLatin1Char('-') + out.kindName;
    return succeeded();
}

Result loadWorkTable(const QString &foodId)
{
    sql::WriteScope scope;
    if (!scope.isOpen())
        return scope.status();
    Result r = clearWorkTable();
    if (!r.ok())
        return r;
    const QStringList cols = compositionColumns();
    QSqlQuery q(db());
    r = sql::exec(q,
                  QStringLiteral("SELECT c.CODE, c.WEIGHT, n.Code, n.FoodName, n.EDIBLE, %1 FROM CateComponent_tb c "
                                 "LEFT JOIN Nutri_tb n ON n.Code = c.CODE WHERE c.FOODID = ? ORDER BY c.rowid")
                      .arg(joinColumns(cols, QStringLiteral("n"))),
                  {foodId});
    if (!r.ok())
        return r;
    int rows = 0;
    while (q.next()) {
        const double weight = toNumber(q.value(1));
        RawFood food;
        food.found = !q.value(2).isNull();
        if (food.found) {
            food.name = q.value(3).toString().trimmed();
            food.edible = edibleAsInteger(q.value(4));
            for (int k = 0; k < kCompositionCount; ++k) {
                if (const auto v = optionalNumber(q.value(5 + k)))
                    food.per100g[k] = *v;
            }
        }
        r = insertWorkRow(q.value(0).toString(), food.name, weight, food.edible,
                          food.found ? amountsOf(food, weight) : zeroAmounts());
        if (!r.ok())
            return r;
        ++rows;
    }
    r = scope.commit();
    return r.ok() ? succeeded(rows) : r;
}

Result categoryTree(QList<CategoryNode> &out)
{
    out.clear();
    QSqlQuery q(db());
    Result r = sql::exec(q, QStringLiteral("SELECT KINDID, KINDNAME FROM CateKind_tb ORDER BY KINDID ASC"));
    if (!r.ok())
        return r;
    while (q.next()) {
        CategoryNode n;
        n.kindName = q.value(1).toString().trimmed();
        n.text = q.value(0).toString() + QLatin1Char('-') + n.kindName;
        out << n;
    }
    QSqlQuery d(db());
    r = sql::exec(d, QStringLiteral("SELECT FOODNAME, KINDNAME FROM CateNutri_tb ORDER BY rowid"));
    if (!r.ok())
        return r;
    while (d.next()) {
        const QString kind = d.value(1).toString().trimmed();
        for (CategoryNode &n : out) {
            if (n.kindName == kind) {
                n.dishes << d.value(0).toString().trimmed();
                break;
            }
        }
    }
    return succeeded(int(out.size()));
}

Result deleteDish(const QString &typedName, QString *foodId)
{
    const QString name = typedName.trimmed();
    sql::WriteScope scope;
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(db());
    Result r = sql::exec(q, QStringLiteral("SELECT FOODID FROM CateNutri_tb WHERE FOODNAME = ?"), {name});
    if (!r.ok())
        return r;
    if (!q.next())
        return succeeded(0);
    const QString id = q.value(0).toString();
    QSqlQuery c(db());
    r = sql::exec(c, QStringLiteral("DELETE FROM CateComponent_tb WHERE FOODID = ?"), {id});
    if (!r.ok())
        return r;
    QSqlQuery d(db());
    r = sql::exec(d, QStringLiteral("DELETE FROM CateNutri_tb WHERE FOODID = ?"), {id});
    if (!r.ok())
        return r;
    r = scope.commit();
    if (!r.ok())
        return r;
    if (foodId)
        *foodId = id.trimmed();
    return succeeded(1);
}

// ---------------------------------------------------------------- save

std::optional<int> savedEdible(const QString &text)
{
    bool ok = false;
    const int e = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return clampDishEdible(e);
}

Result checkSave(const SaveRequest &req)
{
    const QString name = req.name.trimmed();
    if (name.isEmpty())
        return refuse(QStringLiteral("食物名称不能为空!"));
    if (req.pyjm.trimmed().isEmpty())
        return refuse(QStringLiteral("食物拼音简码不能为空!"));
    if (req.edible.trimmed().isEmpty())
        return refuse(QStringLiteral("食部不能为空!"));
    if (req.kindText.trimmed() == chooseCategoryText() || kindNameOf(req.kindText).isEmpty())
        return refuse(QStringLiteral("请正确选择食物种类!"));
    for (const auto &[field, text] :
         {std::pair{QStringLiteral("菜肴名称"), name}, std::pair{QStringLiteral("拼音简码"), req.pyjm.trimmed()}}) {
        if (const QString fault = input::checkName(field, text); !fault.isEmpty())
            return failure(Status::BadNumber, fault);
    }

    QSqlQuery q(db());
    Result r = req.adding
                   ? sql::exec(q, QStringLiteral("SELECT 1 FROM CateNutri_tb WHERE FOODNAME = ? LIMIT 1"), {name})
                   : sql::exec(q,
                               QStringLiteral("SELECT 1 FROM CateNutri_tb WHERE FOODNAME = ? AND FOODID <> ? LIMIT 1"),
                               {name, req.originalId.trimmed()});
    if (!r.ok())
        return r;
    if (q.next())
        return failure(Status::Duplicate, QStringLiteral("该食物已存在!"));

    // A whole, not negative percentage of at most three digits (one above 100
    // is stored as 100); anything else is refused, naming the field.
    QString edibleFault;
    if (!savedEdible(req.edible)
        || !input::readWhole(QStringLiteral("食部"), req.edible, 0, 999, nullptr, &edibleFault))
        return failure(Status::BadNumber, edibleFault.isEmpty()
                                              ? QObject::tr("食部“%1”不是整数!").arg(input::quoted(req.edible.trimmed()))
                                              : edibleFault);
    WorkTotals totals;
    r = workTotals(totals);
    if (!r.ok())
        return r;
    if (!(totals.weight > 0))
        return refuse(QObject::tr("菜肴原料的总重量为0,请先添加原料并填写重量!"));
    return succeeded();
}

SaveOutcome saveDish(const SaveRequest &req)
{
    SaveOutcome out;
    out.name = req.name.trimmed();
    out.result = checkSave(req);
    if (!out.result.ok())
        return out;

    sql::WriteScope scope;
    if (!scope.isOpen()) {
        out.result = scope.status();
        return out;
    }
    auto fail = [&](const Result &r) {
        out.result = r;
        out.foodId.clear();
        return out;
    };

    if (!req.adding) {
        // The old dish and its ingredients leave; the whole list is stored again.
        for (const char *table : {"CateComponent_tb", "CateNutri_tb"}) {
            QSqlQuery d(db());
            const Result r = sql::exec(
                d, QStringLiteral("DELETE FROM %1 WHERE FOODID = ?").arg(QString::fromLatin1(table)),
                {req.originalId.trimmed()});
            if (!r.ok())
                return fail(r);
        }
    }

    const QString kindName = kindNameOf(req.kindText);
    QString err;
    const QString id = NextDishID(kindName, &err);
    if (id.isEmpty())
        return fail(failure(Status::DbError, err));

    const int edible = *savedEdible(req.edible);
    WorkTotals totals;
    Result r = workTotals(totals);
    if (!r.ok())
        return fail(r);
    const auto values = dishValues(totals, edible);
    if (!values)
        return fail(refuse(QObject::tr("菜肴原料的总重量为0,请先添加原料并填写重量!")));

    QVariantList binds{id, out.name, req.pyjm.trimmed().toUpper(), edible, kindName, req.describe};
    for (const auto &v : *values)
        binds << nullableNumber(v);
    QSqlQuery ins(db());
    r = sql::exec(ins,
                  QStringLiteral("INSERT INTO CateNutri_tb (FOODID, FOODNAME, PYJM, EDIBLE, KINDNAME, FoodDescribe, %1) "
                                 "VALUES (%2)")
                      .arg(joinColumns(compositionColumns()), marks(6 + kCompositionCount)),
                  binds, QObject::tr("保存菜肴"));
    if (!r.ok())
        return fail(r);

    QSqlQuery w(db());
    r = sql::exec(w, QStringLiteral("SELECT CODE, WEIGHT FROM CateNutriSum_tmp ORDER BY rowid"));
    if (!r.ok())
        return fail(r);
    QList<QPair<QString, double>> rows;
    while (w.next())
        rows.append({w.value(0).toString(), toNumber(w.value(1))});
    QSqlQuery c(db());
    for (const auto &[code, weight] : rows) {
        r = sql::exec(c, QStringLiteral("INSERT INTO CateComponent_tb (FOODID, CODE, WEIGHT) VALUES (?, ?, ?)"),
                      {id, code, weight}, QObject::tr("保存菜肴原料"));
        if (!r.ok())
            return fail(r);
    }
    r = scope.commit();
    if (!r.ok())
        return fail(r);
    out.foodId = id;
    out.result = succeeded(int(rows.size()));
    return out;
}

// ---------------------------------------------------------------- report

Result reportData(const QString &name, ReportData &out)
{
    out = ReportData{};
    DishInfo info;
    bool found = false;
    Result r = findDish(name, info, found);
    if (!r.ok())
        return r;
    out.name = name.trimmed();
    if (found) {
        out.kindText = info.kindText.isEmpty() ? info.kindName : info.kindText;
        out.edible = info.edible;
        out.describe = info.describe;
        QSqlQuery v(db());
        r = sql::exec(v, QStringLiteral("SELECT %1 FROM CateNutri_tb WHERE FOODID = ?")
                             .arg(joinColumns(compositionColumns())),
                      {info.foodId});
        if (!r.ok())
            return r;
        if (v.next()) {
            for (int k = 0; k < kCompositionCount; ++k)
                out.per100g[k] = optionalNumber(v.value(k));
        }
    }
    QSqlQuery q(db());
    r = sql::exec(q, QStringLiteral("SELECT FOODNAME, WEIGHT, EDIBLE, %1 FROM CateNutriSum_tmp ORDER BY rowid")
                         .arg(joinColumns(compositionColumns())));
    if (!r.ok())
        return r;
    while (q.next()) {
        ReportIngredient ing;
        ing.name = q.value(0).toString().trimmed();
        ing.weight = toNumber(q.value(1));
        ing.edible = edibleAsInteger(q.value(2));
        for (int k = 0; k < kCompositionCount; ++k)
            ing.amounts[k] = optionalNumber(q.value(3 + k));
        out.ingredients << ing;
    }
    return workTotals(out.totals);
}

} // namespace nqb::dish
