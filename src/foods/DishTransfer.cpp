#include "foods/DishTransfer.h"

#include "data/DataModule.h"
#include "data/NameList.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "data/UserFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QSaveFile>
#include <QSet>
#include <QSqlQuery>

#include <cmath>

namespace nqb::transfer {

static_assert(kCompositionCount == 36);

namespace {

QJsonValue jsonNumber(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

std::optional<double> optionalNumber(const QVariant &v)
{
    if (v.isNull() || v.toString().trimmed().isEmpty())
        return std::nullopt;
    return toNumber(v);
}

QVariant bound(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

Result bad(const QString &why)
{
    return failure(Status::FileError, why);
}

// The sequence number after the identifier's hyphen, or -1.
qint64 sequenceOf(const QString &foodId)
{
    const int dash = foodId.indexOf(QLatin1Char('-'));
    bool ok = false;
    const qint64 n = dash < 0 ? -1 : foodId.mid(dash + 1).toLongLong(&ok);
    return ok ? n : -1;
}

} // namespace

QString formatName()
{
    return QStringLiteral("nqb-dish-library");
}

int ImportPlan::dishesToAdd() const
{
    int n = 0;
    for (const auto &d : dishes)
        n += d.action != Action::Skip;
    return n;
}

int ImportPlan::categoriesToAdd() const
{
    int n = 0;
    for (const auto &c : categories)
        n += c.action == Action::Add || c.action == Action::Renumber;
    return n;
}

QString actionText(Action a)
{
    switch (a) {
    case Action::Add:
        return QStringLiteral("添加");
    case Action::Renumber:
        return QStringLiteral("改编号");
    case Action::Use:
        return QStringLiteral("使用已有");
    case Action::Skip:
        return QStringLiteral("跳过");
    }
    return {};
}

// ---------------------------------------------------------------- reading the library

Result readLibrary(Library &out, const QStringList &kindNames)
{
    out = Library{};
    QSqlQuery q(db());
    Result r = sql::exec(q, QStringLiteral("SELECT KINDID, KINDNAME FROM CateKind_tb ORDER BY KINDID"));
    if (!r.ok())
        return r;
    QSet<QString> chosen;
    while (q.next()) {
        Category c{q.value(0).toString().trimmed(), q.value(1).toString().trimmed()};
        if (!kindNames.isEmpty() && !kindNames.contains(c.name))
            continue;
        chosen.insert(c.name);
        out.categories << c;
    }
    const QStringList cols = compositionColumns();
    QSqlQuery d(db());
    r = sql::exec(d, QStringLiteral("SELECT FOODID, FOODNAME, PYJM, KINDNAME, EDIBLE, FoodDescribe, %1 "
                                    "FROM CateNutri_tb ORDER BY rowid")
                         .arg(joinColumns(cols)));
    if (!r.ok())
        return r;
    QHash<QString, int> index;
    while (d.next()) {
        Dish x;
        x.category = d.value(3).toString().trimmed();
        if (!chosen.contains(x.category))
            continue;
        x.foodId = d.value(0).toString().trimmed();
        x.name = d.value(1).toString().trimmed();
        x.pyjm = d.value(2).toString().trimmed();
        x.edible = optionalNumber(d.value(4));
        x.describe = d.value(5).toString();
        for (int k = 0; k < kCompositionCount; ++k)
            x.values[k] = optionalNumber(d.value(6 + k));
        index.insert(x.foodId, int(out.dishes.size()));
        out.dishes << x;
    }
    QSqlQuery c(db());
    r = sql::exec(c, QStringLiteral("SELECT c.FOODID, c.CODE, n.FoodName, c.WEIGHT FROM CateComponent_tb c "
                                    "LEFT JOIN Nutri_tb n ON n.Code = c.CODE ORDER BY c.rowid"));
    if (!r.ok())
        return r;
    while (c.next()) {
        const auto it = index.constFind(c.value(0).toString().trimmed());
        if (it == index.constEnd())
            continue;
        out.dishes[*it].ingredients << Ingredient{c.value(1).toString().trimmed(), c.value(2).toString().trimmed(),
                                                  toNumber(c.value(3))};
    }
    return succeeded(int(out.dishes.size()));
}

// ---------------------------------------------------------------- the file

QByteArray serialize(const Library &lib)
{
    const QStringList cols = compositionColumns();
    QJsonArray cats;
    for (const Category &c : lib.categories)
        cats.append(QJsonObject{{QStringLiteral("kindId"), c.kindId}, {QStringLiteral("name"), c.name}});
    QJsonArray dishes;
    for (const Dish &d : lib.dishes) {
        QJsonObject values;
        for (int k = 0; k < kCompositionCount; ++k)
            values.insert(cols[k], jsonNumber(d.values[k]));
        QJsonArray ings;
        for (const Ingredient &i : d.ingredients)
            ings.append(QJsonObject{{QStringLiteral("code"), i.code},
                                    {QStringLiteral("name"), i.name},
                                    {QStringLiteral("weight"), i.weight}});
        dishes.append(QJsonObject{{QStringLiteral("foodId"), d.foodId},
                                  {QStringLiteral("name"), d.name},
                                  {QStringLiteral("pyjm"), d.pyjm},
                                  {QStringLiteral("category"), d.category},
                                  {QStringLiteral("edible"), jsonNumber(d.edible)},
                                  {QStringLiteral("describe"), d.describe},
                                  {QStringLiteral("values"), values},
                                  {QStringLiteral("ingredients"), ings}});
    }
    const QJsonObject root{{QStringLiteral("format"), formatName()},
                           {QStringLiteral("version"), kFormatVersion},
                           {QStringLiteral("categories"), cats},
                           {QStringLiteral("dishes"), dishes}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

namespace {

bool readText(const QJsonObject &o, const char *key, QString &out, bool required = true)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() && !required) {
        out.clear();
        return true;
    }
    if (!v.isString())
        return false;
    out = v.toString();
    return true;
}

bool readOptionalNumber(const QJsonValue &v, std::optional<double> &out)
{
    if (v.isNull()) {
        out.reset();
        return true;
    }
    if (!v.isDouble())
        return false;
    out = v.toDouble();
    return true;
}

} // namespace

Result parse(const QByteArray &text, Library &out)
{
    out = Library{};
    if (const QString problem = userfile::jsonTextProblem(text); !problem.isEmpty())
        return bad(QObject::tr("文件不是本程序写出的文本（%1）。").arg(problem));
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &pe);
    if (pe.error != QJsonParseError::NoError)
        return bad(QObject::tr("文件不完整或已损坏（第 %1 个字符处：%2）。").arg(pe.offset).arg(pe.errorString()));
    if (!doc.isObject())
        return bad(QObject::tr("不是菜肴库文件。"));
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toString() != formatName())
        return bad(QObject::tr("不是菜肴库文件。"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) || version.toInt() < 1)
        return bad(QObject::tr("文件没有有效的版本号。"));
    if (version.toInt() > kFormatVersion)
        return bad(QObject::tr("文件的版本 %1 比本程序能读的版本 %2 新。").arg(version.toInt()).arg(kFormatVersion));

    Library lib;
    const QJsonValue cats = root.value(QStringLiteral("categories"));
    const QJsonValue dishes = root.value(QStringLiteral("dishes"));
    if (!cats.isArray() || !dishes.isArray())
        return bad(QObject::tr("文件缺少类别或菜肴列表。"));
    QSet<QString> catNames;
    for (const QJsonValue &v : cats.toArray()) {
        Category c;
        if (!v.isObject() || !readText(v.toObject(), "kindId", c.kindId) || !readText(v.toObject(), "name", c.name))
            return bad(QObject::tr("第 %1 个类别的内容有误。").arg(lib.categories.size() + 1));
        c.kindId = c.kindId.trimmed();
        c.name = c.name.trimmed();
        if (c.name.isEmpty() || catNames.contains(c.name))
            return bad(QObject::tr("类别“%1”为空或重复。").arg(c.name));
        catNames.insert(c.name);
        lib.categories << c;
    }
    const QStringList cols = compositionColumns();
    QSet<QString> dishNames;
    for (const QJsonValue &v : dishes.toArray()) {
        const int n = int(lib.dishes.size()) + 1;
        if (!v.isObject())
            return bad(QObject::tr("第 %1 个菜肴的内容有误。").arg(n));
        const QJsonObject o = v.toObject();
        Dish d;
        if (!readText(o, "foodId", d.foodId) || !readText(o, "name", d.name) || !readText(o, "pyjm", d.pyjm, false)
            || !readText(o, "category", d.category) || !readText(o, "describe", d.describe, false)
            || !readOptionalNumber(o.value(QStringLiteral("edible")), d.edible))
            return bad(QObject::tr("第 %1 个菜肴的内容有误。").arg(n));
        d.foodId = d.foodId.trimmed();
        d.name = d.name.trimmed();
        d.category = d.category.trimmed();
        if (d.name.isEmpty() || dishNames.contains(d.name))
            return bad(QObject::tr("第 %1 个菜肴的名称为空或重复。").arg(n));
        // The dish editor keeps the edible portion a whole percentage 0 ... 100.
        if (d.edible && !(*d.edible >= 0 && *d.edible <= 100 && *d.edible == std::floor(*d.edible)))
            return bad(QObject::tr("菜肴“%1”的食部 %2 不是 0 到 100 之间的整数。").arg(d.name).arg(*d.edible));
        if (!catNames.contains(d.category))
            return bad(QObject::tr("菜肴“%1”的类别“%2”不在文件的类别中。").arg(d.name, d.category));
        dishNames.insert(d.name);
        const QJsonValue values = o.value(QStringLiteral("values"));
        if (!values.isObject())
            return bad(QObject::tr("菜肴“%1”缺少营养成分。").arg(d.name));
        for (int k = 0; k < kCompositionCount; ++k) {
            const QJsonValue x = values.toObject().value(cols[k]);
            if (!x.isUndefined() && !readOptionalNumber(x, d.values[k]))
                return bad(QObject::tr("菜肴“%1”的成分“%2”不是数字。").arg(d.name, cols[k]));
        }
        const QJsonValue ings = o.value(QStringLiteral("ingredients"));
        if (!ings.isArray())
            return bad(QObject::tr("菜肴“%1”缺少原料列表。").arg(d.name));
        for (const QJsonValue &iv : ings.toArray()) {
            Ingredient i;
            const QJsonObject io = iv.toObject();
            if (!iv.isObject() || !readText(io, "code", i.code) || !readText(io, "name", i.name, false)
                || !io.value(QStringLiteral("weight")).isDouble())
                return bad(QObject::tr("菜肴“%1”的原料内容有误。").arg(d.name));
            i.code = i.code.trimmed();
            i.name = i.name.trimmed();
            i.weight = io.value(QStringLiteral("weight")).toDouble();
            if (i.code.isEmpty())
                return bad(QObject::tr("菜肴“%1”有原料没有编码。").arg(d.name));
            if (!std::isfinite(i.weight) || i.weight < 0)
                return bad(QObject::tr("菜肴“%1”的原料“%2”的重量无效。").arg(d.name, i.code));
            d.ingredients << i;
        }
        lib.dishes << d;
    }
    out = lib;
    return succeeded(int(out.dishes.size()));
}

Result exportToFile(const QString &path, const QStringList &kindNames)
{
    Library lib;
    Result r = readLibrary(lib, kindNames);
    if (!r.ok())
        return r;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(serialize(lib)) < 0 || !f.commit())
        return failure(Status::FileError,
                       QObject::tr("无法写入文件“%1”：%2").arg(QDir::toNativeSeparators(path), f.errorString()));
    return succeeded(int(lib.dishes.size()));
}

Result readFile(const QString &path, Library &out)
{
    out = Library{};
    QByteArray bytes;
    if (const QString why = userfile::read(path, userfile::Kind::DishLibrary, &bytes); !why.isEmpty())
        return failure(Status::FileError, why);
    const Result r = parse(bytes, out);
    if (!r.ok())
        return failure(r.status, QObject::tr("文件“%1”不能导入：%2").arg(QFileInfo(path).fileName(), r.message));
    return r;
}

// ---------------------------------------------------------------- import

Result planImport(const Library &lib, ImportPlan &out)
{
    out = ImportPlan{};
    // What is here now.
    QHash<QString, QString> kindIdByName; // name -> KINDID
    QStringList usedKindIds;
    QSqlQuery q(db());
    Result r = sql::exec(q, QStringLiteral("SELECT KINDID, KINDNAME FROM CateKind_tb"));
    if (!r.ok())
        return r;
    while (q.next()) {
        kindIdByName.insert(q.value(1).toString().trimmed(), q.value(0).toString().trimmed());
        usedKindIds << q.value(0).toString().trimmed();
    }
    QSet<QString> dishNames, dishIds;
    r = sql::exec(q, QStringLiteral("SELECT FOODID, FOODNAME FROM CateNutri_tb"));
    if (!r.ok())
        return r;
    while (q.next()) {
        dishIds.insert(q.value(0).toString().trimmed());
        dishNames.insert(q.value(1).toString().trimmed());
    }
    QSet<QString> codes;
    r = sql::exec(q, QStringLiteral("SELECT Code FROM Nutri_tb"));
    if (!r.ok())
        return r;
    while (q.next())
        codes.insert(q.value(0).toString().trimmed());

    // Categories.
    QHash<QString, QString> targetKindId; // file category name -> KINDID here
    for (const Category &c : lib.categories) {
        PlannedCategory p;
        p.fileKindId = c.kindId;
        p.category = c;
        if (kindIdByName.contains(c.name)) {
            p.action = Action::Use;
            p.category.kindId = kindIdByName.value(c.name);
        } else {
            if (c.kindId.isEmpty() || c.kindId.contains(QLatin1Char('-')) || usedKindIds.contains(c.kindId)) {
                p.category.kindId = smallestFreeNumber(usedKindIds, 2);
                p.action = Action::Renumber;
            }
            usedKindIds << p.category.kindId;
        }
        targetKindId.insert(c.name, p.category.kindId);
        out.categories << p;
    }

    // Dishes.
    for (const Dish &d : lib.dishes) {
        PlannedDish p;
        p.dish = d;
        p.fileFoodId = d.foodId;
        if (dishNames.contains(d.name)) {
            p.action = Action::Skip;
            p.reason = QObject::tr("本机已有同名菜肴");
            out.dishes << p;
            continue;
        }
        QStringList missing;
        for (const Ingredient &i : d.ingredients) {
            if (!codes.contains(i.code))
                missing << (i.name.isEmpty() ? i.code : i.code + QLatin1Char(' ') + i.name);
        }
        if (!missing.isEmpty()) {
            p.action = Action::Skip;
            p.reason = QObject::tr("本机食物成分表中没有原料：%1").arg(missing.join(QStringLiteral("、")));
            out.dishes << p;
            continue;
        }
        const QString kindId = targetKindId.value(d.category);
        const QString head = kindId + QLatin1Char('-');
        if (!d.foodId.startsWith(head) || sequenceOf(d.foodId) < 1 || dishIds.contains(d.foodId)) {
            QStringList used;
            for (const QString &id : std::as_const(dishIds)) {
                if (id.startsWith(head))
                    used << QString::number(sequenceOf(id));
            }
            p.dish.foodId = head + smallestFreeNumber(used, 3);
            p.action = Action::Renumber;
        }
        dishIds.insert(p.dish.foodId);
        dishNames.insert(d.name);
        out.dishes << p;
    }
    return succeeded(out.dishesToAdd());
}

Result applyImport(const ImportPlan &plan)
{
    sql::WriteScope scope;
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(db());
    for (const PlannedCategory &c : plan.categories) {
        if (c.action != Action::Add && c.action != Action::Renumber)
            continue;
        const Result r = sql::exec(q, QStringLiteral("INSERT INTO CateKind_tb (KINDID, KINDNAME) VALUES (?, ?)"),
                                   {c.category.kindId, c.category.name}, c.category.name);
        if (!r.ok())
            return r;
    }
    const QString cols = joinColumns(compositionColumns());
    QStringList marks(6 + kCompositionCount, QStringLiteral("?"));
    int added = 0;
    for (const PlannedDish &p : plan.dishes) {
        if (p.action == Action::Skip)
            continue;
        const Dish &d = p.dish;
        QVariantList binds{d.foodId, d.name, d.pyjm, bound(d.edible), d.category, d.describe};
        for (const auto &v : d.values)
            binds << bound(v);
        Result r = sql::exec(q,
                             QStringLiteral("INSERT INTO CateNutri_tb (FOODID, FOODNAME, PYJM, EDIBLE, KINDNAME, "
                                            "FoodDescribe, %1) VALUES (%2)")
                                 .arg(cols, marks.join(QStringLiteral(", "))),
                             binds, d.name);
        if (!r.ok())
            return r;
        for (const Ingredient &i : d.ingredients) {
            r = sql::exec(q, QStringLiteral("INSERT INTO CateComponent_tb (FOODID, CODE, WEIGHT) VALUES (?, ?, ?)"),
                          {d.foodId, i.code, i.weight}, d.name);
            if (!r.ok())
                return r;
        }
        ++added;
    }
    const Result r = scope.commit();
    return r.ok() ? succeeded(added) : r;
}

} // namespace nqb::transfer
