#include "foods/RawFoods.h"

#include "data/InputCheck.h"
#include "data/NumberFormat.h"
#include "data/Schema.h"

#include <QFile>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace nqb::rawfood {

namespace {

Field f(const char *column, const char *label, Unit unit, int layoutColumn)
{
    return Field{QString::fromLatin1(column), QString::fromUtf8(label), unit, layoutColumn};
}

QList<Page> buildPages()
{
    QList<Page> p;
    {
        Page n{QStringLiteral("一般营养成分"), QStringLiteral("Nutri_tb"), {}, {}};
        const Unit g = Unit::Gram, mg = Unit::Milligram, ug = Unit::Microgram;
        n.fields = {
            f("EDIBLE", "食部[%]", Unit::Percent, 0), f("WATER", "水分[g]", g, 0),
            f("ENERC_kcal", "能量|[kcal]", Unit::Kcal, 0), f("ENERC_kJ", "能量|[kJ)]", Unit::KJ, 0),
            f("PROCNT", "蛋白质[g]", g, 0), f("FAT", "脂肪[g]", g, 0), f("CHOCDF", "碳水化合物[g]", g, 0),
            f("FIBTG", "膳食纤维[g]", g, 0), f("FIBSOL", "可溶性[g]", g, 0), f("FIBINS", "不溶性[g]", g, 0),
            f("CHOLE", "胆固醇[mg]", mg, 1), f("ASH", "灰分[g]", g, 1), f("VITA", "Vit A[g]", ug, 1),
            f("CAROT", "胡萝卜素[ug]", ug, 1), f("RETIN", "视黄醇[ug]", ug, 1), f("THIA", "硫胺素[mg]", mg, 1),
            f("RIBF", "核黄素[mg]", mg, 1), f("VITB6A", "Vit B6[mg]", mg, 1), f("VITB12", "Vit B12[ug]", ug, 1),
            f("FOL", "叶酸[ug]", ug, 1),
            f("NIA", "烟酸[mg]", mg, 2), f("VITC", "Vit C[mg]", mg, 2), f("VITET", "Vit E[g]", mg, 2),
            f("VITE_a", "a-E[g]", mg, 2), f("VITE_b", "(β-γ)-E[g]", mg, 2), f("VITE_r", "δ-E[g]", mg, 2),
            f("CA", "钙[mg]", mg, 2), f("P", "磷[mg]", mg, 2), f("K", "钾[mg]", mg, 2), f("NA", "钠[mg]", mg, 2),
            f("MG", "镁[mg]", mg, 3), f("FE", "铁[mg]", mg, 3), f("ZN", "锌[mg]", mg, 3), f("SE", "硒[ug]", ug, 3),
            f("CU", "铜[mg]", mg, 3), f("MN", "锰[mg]", mg, 3), f("ID", "碘[ug]", ug, 3),
            f("ProducingArea", "产地：", Unit::Text, 4), f("FoodDescribe", "食物描述：", Unit::Text, 4),
        };
        p << n;
    }
    {
        Page a{QStringLiteral("氨基酸"), QStringLiteral("Amino_tb"), {},
               // The aromatic and histidine headings carry their own fields (AAA, HIS).
               {QStringLiteral("支链氨基酸[BCAA]"), QString(), QString()}};
        const Unit mg = Unit::Milligram;
        a.fields = {
            f("BCAA_ILE", "异亮氨酸[ILE]", mg, 0), f("BCAA_LEU", "亮氨酸[LEU]", mg, 0),
            f("BCAA_VAL", "缬氨酸[VAL]", mg, 0), f("AAS", "含硫氨基酸[AAS]", mg, 0),
            f("AAS_MET", "蛋氨酸[MET]", mg, 0), f("AAS_CYS", "胱氨酸[CYS]", mg, 0),
            f("AAA", "芳香族氨基酸[AAA]", mg, 1), f("AAA_PHE", "苯丙氨酸[PHE]", mg, 1),
            f("AAA_TYR", "酪氨酸[TYR]", mg, 1), f("LYS", "赖氨酸[LYS]", mg, 1), f("THR", "苏氨酸[THR]", mg, 1),
            f("TRP", "色氨酸[TRP]", mg, 1), f("ARG", "精氨酸[ARG]", mg, 1),
            f("HIS", "组氨酸[HIS]", mg, 2), f("ALA", "丙氨酸[ALA]", mg, 2), f("ASP", "天冬氨酸[ASP]", mg, 2),
            f("GLU", "谷氨酸[GLU]", mg, 2), f("GLY", "甘氨酸[GLY]", mg, 2), f("SER", "丝氨酸[SER]", mg, 2),
            f("PRO", "脯氨酸[PRO]", mg, 2),
        };
        p << a;
    }
    {
        Page fa{QStringLiteral("脂肪酸"), QStringLiteral("Fatty_tb"), {},
                {QString(), QStringLiteral("饱和脂肪酸[SFA]/总脂肪酸[FA][%]"),
                 QStringLiteral("单不饱和脂肪酸[MUFA]/总脂肪酸[FA][%]"),
                 QStringLiteral("多不饱和脂肪酸[PUFA]/总脂肪酸[FA][%]")}};
        fa.fields = {f("FattyAcid_SFA", "饱合脂肪酸[SFA]", Unit::Gram, 0),
                     f("FattyAcid_MUFA", "单不饱合脂肪酸[MUFA]", Unit::Gram, 0),
                     f("FattyAcid_PUFA", "多不饱合脂肪酸[PUFA]", Unit::Gram, 0),
                     f("FattyAcid_UN_K", "未知[UN_K]", Unit::Gram, 0), f("UnKnow", "未知[%]", Unit::Percent, 0)};
        const auto chains = [&](const char *prefix, const char *totalColumn, const QList<int> &carbons, int bonds,
                                int col) {
            fa.fields << Field{QString::fromLatin1(totalColumn), QStringLiteral("Total"), Unit::Percent, col};
            for (int c : carbons)
                fa.fields << Field{QStringLiteral("%1_FA_%2_%3").arg(QLatin1String(prefix)).arg(c).arg(bonds),
                                   QStringLiteral("%1:%2").arg(c).arg(bonds), Unit::Percent, col};
        };
        chains("SFA", "SFA_FA_Total", {6, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 24}, 0, 1);
        chains("MUFA", "MUFA_FA_Totol", {14, 15, 16, 17, 18, 20, 22, 24}, 1, 2);
        fa.fields << Field{QStringLiteral("PUFA_FA_Total"), QStringLiteral("Total"), Unit::Percent, 3};
        for (const auto &[c, b] : QList<QPair<int, int>>{{16, 2}, {18, 2}, {18, 3}, {18, 4}, {20, 2}, {20, 3},
                                                         {20, 4}, {20, 5}, {22, 3}, {22, 4}, {22, 5}, {22, 6}})
            fa.fields << Field{QStringLiteral("PUFA_FA_%1_%2").arg(c).arg(b), QStringLiteral("%1:%2").arg(c).arg(b),
                               Unit::Percent, 3};
        p << fa;
    }
    p << Page{QStringLiteral(" 胆碱,生物素,泛酸,维生素K/D"), QStringLiteral("OtherContent_tb"),
              {f("CHOLN", "胆碱[mg]", Unit::Milligram, 0), f("BIOT", "生物素[ug]", Unit::Microgram, 0),
               f("PANTAC", "泛酸[mg]", Unit::Milligram, 0), f("VITK", "维生素K[ug]", Unit::Microgram, 0),
               f("VITD", "维生素D[IU]", Unit::IU, 0)},
              {}};
    p << Page{QStringLiteral(" 大豆异黄酮"), QStringLiteral("Isoflavone_tb"),
              {f("Isoflavone_Total", "大豆异黄酮[Isoflavone][Total]", Unit::Milligram, 0),
               f("Isoflavone_Daidzein", "黄豆苷原[Daidzein]", Unit::Milligram, 0),
               f("Isoflavone_Cenistein", "染料木黄酮[Cenistein]", Unit::Milligram, 0),
               f("Isoflavone_Glycitein", "6-甲氧基大豆素[Glycitein]", Unit::Milligram, 0)},
              {}};
    p << Page{QStringLiteral(" 血糖生成指数 "), QStringLiteral("GlycemicIndex_tb"),
              {f("GI", "血糖生成指数[GI]", Unit::Index, 0)},
              {}};
    return p;
}

QString plainLabel(const Field &field)
{
    QString l = field.label;
    l.remove(QLatin1Char('|'));
    l.remove(QStringLiteral("："));
    return l;
}

// The columns a food's row is looked up and created by, as the table spells them.
QString codeColumn(const Page &page)
{
    return page.table == QLatin1String("Nutri_tb") ? QStringLiteral("Code") : QStringLiteral("CODE");
}

} // namespace

double maximumFor(Unit unit)
{
    switch (unit) {
    case Unit::Percent:
    case Unit::Gram:
        return 100;
    case Unit::Milligram:
        return 100000;
    case Unit::Microgram:
        return 1e8;
    case Unit::Kcal:
        return 900;
    case Unit::KJ:
        return 3800;
    case Unit::IU:
        return 4e9;
    case Unit::Index:
        return 200;
    case Unit::Text:
        return 0;
    }
    return 0;
}

const QList<Page> &pages()
{
    static const QList<Page> p = buildPages();
    return p;
}

const Field *findField(const QString &table, const QString &column, const Page **page)
{
    for (const Page &p : pages()) {
        if (p.table.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        for (const Field &fl : p.fields) {
            if (fl.column.compare(column, Qt::CaseInsensitive) == 0) {
                if (page)
                    *page = &p;
                return &fl;
            }
        }
    }
    return nullptr;
}

bool isUserFood(const QString &code)
{
    return code.trimmed().startsWith(QLatin1String("22-"));
}

std::optional<Food> findFood(const QString &name, QString *error)
{
    QSqlQuery q(sql::connection());
    if (!sql::exec(q, QStringLiteral("SELECT Code, FoodName, PYJM FROM Nutri_tb WHERE FoodName = ?"),
                   {name.trimmed()}, error))
        return std::nullopt;
    if (!q.next())
        return std::nullopt;
    return Food{q.value(0).toString().trimmed(), q.value(1).toString().trimmed(), q.value(2).toString().trimmed()};
}

Result checkValue(const Field &field, const QString &text, QVariant *value)
{
    const QString t = text.trimmed();
    if (field.unit == Unit::Text) {
        *value = t.isEmpty() ? QVariant() : QVariant(t);
        return succeeded();
    }
    if (t.isEmpty()) {
        *value = QVariant(); // not analysed
        return succeeded();
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return failure(Status::BadNumber, QStringLiteral("“%1”不是数字：%2").arg(plainLabel(field), input::quoted(t)));
    const double max = maximumFor(field.unit);
    if (v < 0 || v > max)
        return failure(Status::BadNumber, QStringLiteral("“%1”应在 0 到 %2 之间（每100克可食部），现为 %3")
                                              .arg(plainLabel(field), fmtG(max), input::quoted(t)));
    *value = v;
    return succeeded();
}

Result checkValues(const Page &page, const QMap<QString, QString> &texts, QVariantMap *values)
{
    QVariantMap out;
    for (const Field &fl : page.fields) {
        const auto it = texts.constFind(fl.column);
        if (it == texts.constEnd())
            continue;
        QVariant v;
        const Result r = checkValue(fl, it.value(), &v);
        if (!r)
            return r;
        out.insert(fl.column, v);
    }
    *values = out;
    return succeeded();
}

std::optional<QVariantMap> loadRow(const Page &page, const QString &foodName, QString *error)
{
    QSqlQuery q(sql::connection());
    if (!sql::exec(q, QStringLiteral("SELECT * FROM %1 WHERE FoodName = ?").arg(page.table), {foodName.trimmed()},
                   error))
        return std::nullopt;
    if (!q.next())
        return std::nullopt;
    QVariantMap row;
    const QSqlRecord rec = q.record();
    for (const Field &fl : page.fields) {
        const int i = rec.indexOf(fl.column);
        if (i >= 0)
            row.insert(fl.column, q.value(i));
    }
    return row;
}

Result storeRow(const Page &page, const Food &food, const QVariantMap &values)
{
    if (!food.isValid())
        return failure(Status::NotFound, QStringLiteral("请先选择一种食物。"));
    QStringList columns;
    QVariantList binds;
    for (const Field &fl : page.fields) {
        const auto it = values.constFind(fl.column);
        if (it == values.constEnd())
            continue;
        columns << fl.column;
        binds << (it.value().isValid() ? it.value() : QVariant(QMetaType(QMetaType::Double)));
    }
    sql::WriteScope scope;
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(sql::connection());
    Result r = sql::exec(q, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE FoodName = ?").arg(page.table),
                         {food.name});
    if (!r)
        return r;
    const bool exists = q.next() && q.value(0).toInt() > 0;
    if (exists) {
        if (!columns.isEmpty()) {
            QStringList sets;
            for (const QString &c : columns)
                sets << c + QStringLiteral(" = ?");
            QVariantList b = binds;
            b << food.name;
            r = sql::exec(q, QStringLiteral("UPDATE %1 SET %2 WHERE FoodName = ?").arg(page.table, sets.join(", ")), b,
                          QStringLiteral("保存失败："));
        }
    } else {
        QStringList cols{codeColumn(page), QStringLiteral("FoodName"), QStringLiteral("PYJM")};
        QVariantList b{food.code, food.name, food.pyjm};
        cols << columns;
        b << binds;
        QStringList marks;
        for (int i = 0; i < cols.size(); ++i)
            marks << QStringLiteral("?");
        r = sql::exec(q, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(page.table, cols.join(", "),
                                                                              marks.join(", ")),
                      b, QStringLiteral("保存失败："));
    }
    if (!r)
        return r;
    return scope.commit();
}

// ---- new foods ----

QStringList subGroupTexts(QString *error)
{
    QStringList out;
    QSqlQuery q(sql::connection());
    if (!sql::exec(q, QStringLiteral("SELECT FoodGroupSub FROM FoodKindSub_tb WHERE FoodGroup = ? ORDER BY rowid"),
                   {QStringLiteral("22")}, error))
        return out;
    while (q.next())
        out << q.value(0).toString().trimmed();
    return out;
}

QString codePrefix(const QString &subGroupText)
{
    const QString t = subGroupText.trimmed();
    const int dash = t.indexOf(QLatin1Char('-'));
    if (dash <= 0)
        return {};
    bool ok = false;
    const int n = t.left(dash).trimmed().toInt(&ok);
    if (!ok || n < 1 || n > 9)
        return {};
    return QStringLiteral("22-%1-").arg(n);
}

QString nextNumber(const QString &prefix, const QStringList &codes)
{
    QSet<int> used;
    for (const QString &c : codes) {
        const QString t = c.trimmed();
        if (!t.startsWith(prefix))
            continue;
        bool ok = false;
        const int n = t.mid(prefix.size()).toInt(&ok);
        if (ok)
            used.insert(n);
    }
    for (int n = 1; n <= 999; ++n) {
        if (!used.contains(n))
            return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
    }
    return {};
}

QStringList codesWithPrefix(const QString &prefix, QString *error)
{
    QStringList out;
    QSqlQuery q(sql::connection());
    if (!sql::exec(q, QStringLiteral("SELECT Code FROM Nutri_tb WHERE substr(Code, 1, ?) = ?"),
                   {prefix.size(), prefix}, error))
        return out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QString emptyNameMessage() { return QStringLiteral("食物名或拼音简码不能为空！"); }
QString noSubGroupMessage() { return QStringLiteral("请选择食物种类！"); }
QString nameTakenMessage() { return QStringLiteral("该食物名已存在！"); }
QString noSubGroupsYetMessage()
{
    return QStringLiteral("还没有自定义食物类别，请先点“编”添加一个食物类别，再添加食物。");
}
QString subGroupFullMessage() { return QStringLiteral("该食物类别下的食物已到最大限度（999种）!"); }

Result createFood(const QString &name, const QString &pyjm, const QString &subGroupText, Food *created)
{
    const QString n = name.trimmed();
    const QString py = pyjm.trimmed().toUpper();
    if (n.isEmpty() || py.isEmpty())
        return failure(Status::EmptyWeight, emptyNameMessage());
    for (const auto &[field, text] : {std::pair{QStringLiteral("食物名称"), n}, std::pair{QStringLiteral("拼音简码"), py}}) {
        if (const QString fault = input::checkName(field, text); !fault.isEmpty())
            return failure(Status::BadNumber, fault);
    }
    QString err;
    const QStringList groups = subGroupTexts(&err);
    if (!err.isEmpty())
        return failure(Status::DbError, err);
    if (groups.isEmpty())
        return failure(Status::NotFound, noSubGroupsYetMessage());
    const QString sub = subGroupText.trimmed();
    const QString prefix = codePrefix(sub);
    if (sub.isEmpty() || sub == QLatin1String("请选择") || !groups.contains(sub) || prefix.isEmpty())
        return failure(Status::NotFound, noSubGroupMessage());

    sql::WriteScope scope;
    if (!scope.isOpen())
        return scope.status();
    if (findFood(n, &err))
        return failure(Status::Duplicate, nameTakenMessage());
    if (!err.isEmpty())
        return failure(Status::DbError, err);
    const QStringList codes = codesWithPrefix(prefix, &err);
    if (!err.isEmpty())
        return failure(Status::DbError, err);
    const QString number = nextNumber(prefix, codes);
    if (number.isEmpty())
        return failure(Status::Refused, subGroupFullMessage());
    const Food food{prefix + number, n, py};
    QSqlQuery q(sql::connection());
    Result r = sql::exec(q, QStringLiteral("INSERT INTO Nutri_tb (Code, FoodName, PYJM) VALUES (?, ?, ?)"),
                         {food.code, food.name, food.pyjm}, QStringLiteral("添加食物失败："));
    if (!r)
        return r;
    r = scope.commit();
    if (r && created)
        *created = food;
    return r;
}

// ---- delete ----

Usage usageOf(const Food &food, QString *error)
{
    Usage u;
    QSqlQuery q(sql::connection());
    if (!sql::exec(q,
                   QStringLiteral("SELECT DISTINCT n.FOODNAME FROM CateComponent_tb c JOIN CateNutri_tb n "
                                  "ON n.FOODID = c.FOODID WHERE trim(c.CODE) = ? ORDER BY n.FOODID"),
                   {food.code.trimmed()}, error))
        return u;
    while (q.next())
        u.dishes << q.value(0).toString().trimmed();
    if (!sql::exec(q, QStringLiteral("SELECT DINERTIME FROM CustomPantry_tb WHERE trim(PANTRY) = ? ORDER BY rowid"),
                   {food.code.trimmed()}, error))
        return u;
    while (q.next())
        u.menuItems << q.value(0).toString().trimmed();
    return u;
}

QString deleteQuestion(const Food &food, const Usage &usage)
{
    QString text = QStringLiteral("确认删除？\n\n将删除“%1”（%2）在全部六个成分表中的数据及其图片。").arg(food.name, food.code);
    if (!usage.dishes.isEmpty())
        text += QStringLiteral("\n\n使用它的菜肴（%1个）：%2\n这些菜肴保留该原料行，但不再有名称和含量。")
                    .arg(usage.dishes.size())
                    .arg(usage.dishes.join(QStringLiteral("、")));
    if (!usage.menuItems.isEmpty())
        text += QStringLiteral("\n\n含有它的定量食谱（%1）将去掉此项。").arg(usage.menuItems.join(QStringLiteral("、")));
    return text;
}

QString referenceDeleteQuestion(const Food &food)
{
    return QStringLiteral("“%1”（%2）是本系统自带食物成分表（第01～21类）中的参考食物，删除后只能从备份恢复。\n\n仍要删除吗？")
        .arg(food.name, food.code);
}

Result deleteFood(const Food &food, const QString &pictureFile)
{
    if (!food.isValid())
        return failure(Status::NotFound, QStringLiteral("请先选择一种食物。"));
    {
        sql::WriteScope scope;
        if (!scope.isOpen())
            return scope.status();
        QSqlQuery q(sql::connection());
        int rows = 0;
        for (const Page &p : pages()) {
            const Result r = sql::exec(q, QStringLiteral("DELETE FROM %1 WHERE FoodName = ?").arg(p.table),
                                       {food.name}, QStringLiteral("删除失败："));
            if (!r)
                return r;
            rows += r.rows;
        }
        const Result r = sql::exec(q, QStringLiteral("DELETE FROM CustomPantry_tb WHERE trim(PANTRY) = ?"),
                                   {food.code.trimmed()}, QStringLiteral("删除失败："));
        if (!r)
            return r;
        const Result c = scope.commit();
        if (!c)
            return c;
        if (rows == 0)
            return failure(Status::NotFound, QStringLiteral("没有找到食物“%1”。").arg(food.name));
    }
    if (!pictureFile.isEmpty() && QFile::exists(pictureFile) && !QFile::remove(pictureFile))
        return failure(Status::FileError, QStringLiteral("食物已删除，但图片文件无法删除：%1").arg(pictureFile));
    return succeeded();
}

QString afterDeleteMessage(const Food &food, const Usage &usage)
{
    if (usage.dishes.isEmpty())
        return {};
    return QStringLiteral("“%1”已删除。以下菜肴仍列有该原料（无名称、含量为零），请在菜肴编辑中更换或删除：\n%2")
        .arg(food.name, usage.dishes.join(QStringLiteral("、")));
}

} // namespace nqb::rawfood
