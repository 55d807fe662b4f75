#include "planning/Workbench.h"

#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "data/Paths.h"
#include "planning/CustomPantry.h"
#include "planning/PlanDb.h"

#include <QDir>
#include <algorithm>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>

namespace nqb::bench {

bool openQuery(QSqlQueryModel *model, const QString &sql, const QVariantList &binds, QString *error)
{
    // The model's own statement, prepared once: the grids' statements name
    // every nutrient column, and SQLite takes longer to parse them than to
    // run them. The model shares the result; the next run replaces it just
    // before the model is given it again.
    QSqlQuery &q = sql::ownStatement(model, sql);
    QString err;
    if (!sql::exec(q, sql, binds, &err)) {
        model->clear();
        if (error)
            *error = err;
        return false;
    }
    // The copy shares the statement's result (QSqlQuery is implicitly
    // shared); moving would hand the kept statement itself to the model.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    model->setQuery(QSqlQuery(q));
    QT_WARNING_POP
    while (model->canFetchMore())
        model->fetchMore();
    if (model->lastError().isValid()) {
        if (error)
            *error = model->lastError().text();
        return false;
    }
    if (error)
        error->clear();
    return true;
}

// ---------------------------------------------------------------- plan grids

QStringList planGridColumns()
{
    QStringList cols{QStringLiteral("CODE"), QStringLiteral("FOODNAME"), QStringLiteral("DINERTIME"),
                     QStringLiteral("WEIGHT"), QStringLiteral("EDIBLE")};
    cols << compositionColumns();
    return cols;
}

QString planGridTitle(const QString &column)
{
    const QString c = column.toUpper();
    if (c == QLatin1String("FOODNAME"))
        return QStringLiteral(" 食 物 名 称  FoodName");
    if (c == QLatin1String("DINERTIME"))
        return QStringLiteral("备 注 Remark");
    if (c == QLatin1String("WEIGHT"))
        return QStringLiteral("重 量[g]");
    if (c == QLatin1String("EDIBLE"))
        return QStringLiteral("食 部[%]");
    const int i = compositionIndex(column);
    return i >= 0 ? compositionTitle(i) : QString();
}

QString compositionTitle(int i)
{
    // Columns of one group share their upper line, so the grid draws one cell
    // above them.
    static const char *const titles[kCompositionCount] = {
        "水分[g]",           "能量|[kcal]",        "能量|[kJ]",         "蛋白质[g]",
        "脂肪[g]",           "碳水化合物[g]",      "膳食纤维[g]|总量",   "膳食纤维[g]|可溶性",
        "膳食纤维[g]|不溶性", "胆固醇[mg]",         "灰分[g]",            "维生素 A|VitA[ugRE]",
        "胡萝卜素|Carot[ug]", "视黄醇|Retin[ug]",   "硫胺素|VitB1[mg]",   "核黄素|VitB2[mg]",
        "维生素B6[mg]",      "维生素B12[ug]",      "叶酸[ug]",           "烟酸[mg]",
        "维生素C[mg]",       "维生素E[mg]|总量",   "维生素E[mg]|a-E",    "维生素E[mg]|(β-γ)-E",
        "维生素E[mg]|δ-E",   "钙[mg]",             "磷[mg]",             "钾[mg]",
        "钠[mg]",            "镁[mg]",             "铁[mg]",             "锌[mg]",
        "硒[ug]",            "铜[mg]",             "锰[mg]",             "碘[ug]"};
    if (i < 0 || i >= kCompositionCount)
        return {};
    return QString::fromUtf8(titles[i]);
}

QString planGridSql(bool oneSlot)
{
    return QStringLiteral("SELECT %1 FROM NQBNutri_tmp WHERE WEEK=?%2 ORDER BY DINERTMP ASC, rowid ASC")
        .arg(joinColumns(planGridColumns()), oneSlot ? QStringLiteral(" AND DINERTIME=?") : QString());
}

// ---------------------------------------------------------------- daily percentage

QStringList defaultPercentages()
{
    QStringList l;
    for (int i = 0; i < plan::kWeekdayCount; ++i)
        l << QString::number(kPercentDefault);
    return l;
}

double coefficientOf(const QString &percentText)
{
    bool ok = false;
    const int v = percentText.trimmed().toInt(&ok);
    return (ok ? v : kPercentDefault) / 100.0;
}

int clampPercent(const QString &percentText)
{
    bool ok = false;
    int v = percentText.trimmed().toInt(&ok);
    if (!ok)
        return kPercentDefault;
    v = std::clamp(v, kPercentMin, kPercentMax);
    // The control moves in steps of 5 from 20; an odd value goes down to the step.
    return kPercentMin + (v - kPercentMin) / kPercentStep * kPercentStep;
}

// ---------------------------------------------------------------- chooser

QStringList listedNames(FoodKind table, const QString &column, bool resort, QString *error)
{
    const FoodKind t = table == FoodKind::RawFood ? FoodKind::RawFood : FoodKind::Dish;
    const PickFallbackOrder fallback =
        (resort && t == FoodKind::Dish) ? PickFallbackOrder::Name : PickFallbackOrder::Identifier;
    QString err;
    const QString sql = PickListSortStatement(t, column, fallback, &err);
    if (sql.isEmpty()) {
        if (error)
            *error = err;
        return {};
    }
    return PickGridValues(sql, {}, pickListNameField(t), error);
}

QString compositionRowSql(FoodKind table)
{
    if (table == FoodKind::RawFood)
        return QStringLiteral("SELECT FoodName, EDIBLE, %1, FoodDescribe, ProducingArea FROM Nutri_tb "
                              "WHERE FoodName=? ORDER BY rowid LIMIT 1")
            .arg(joinColumns(compositionColumns()));
    return QStringLiteral("SELECT FOODNAME AS FoodName, EDIBLE, %1, FoodDescribe, NULL AS ProducingArea "
                          "FROM CateNutri_tb WHERE FOODNAME=? ORDER BY rowid LIMIT 1")
        .arg(joinColumns(compositionColumns()));
}

QString componentSql(FoodKind table)
{
    if (table == FoodKind::RawFood)
        return QStringLiteral("SELECT FoodName, NULL AS Weight FROM Nutri_tb WHERE FoodName=? ORDER BY rowid LIMIT 1");
    return QStringLiteral("SELECT Nutri_tb.FoodName AS FoodName, CateComponent_tb.WEIGHT AS Weight "
                          "FROM Nutri_tb, CateComponent_tb WHERE CateComponent_tb.FOODID=? "
                          "AND Nutri_tb.Code=CateComponent_tb.CODE ORDER BY CateComponent_tb.rowid");
}

ChosenItem chosenItem(FoodKind table, const QString &name, QString *error)
{
    ChosenItem item;
    const bool foods = table == FoodKind::RawFood;
    QSqlQuery q(nqb::db());
    const QString sql = foods ? QStringLiteral("SELECT Code, FoodDescribe FROM Nutri_tb WHERE FoodName=? "
                                               "ORDER BY rowid LIMIT 1")
                              : QStringLiteral("SELECT FOODID, FoodDescribe FROM CateNutri_tb WHERE FOODNAME=? "
                                               "ORDER BY rowid LIMIT 1");
    if (!sql::exec(q, sql, {name.trimmed()}, error) || !q.next())
        return item;
    item.found = true;
    item.id = q.value(0).toString().trimmed();
    item.describe = q.value(1).toString();
    return item;
}

// ---------------------------------------------------------------- pictures

namespace {

// The file name as stored in folder, matched without regard to letter case;
// empty when there is none.
QString findFileNoCase(const QString &folder, const QString &fileName)
{
    const QDir dir(folder);
    if (!dir.exists())
        return {};
    const QString exact = dir.filePath(fileName);
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList entries = dir.entryList(QDir::Files);
    for (const QString &e : entries) {
        if (e.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(e);
    }
    return {};
}

} // namespace

QString defaultPicturePath()
{
    const QString found = findFileNoCase(programDir(), QStringLiteral("NQB.bmp"));
    return found.isEmpty() ? programFile(QStringLiteral("NQB.bmp")) : found;
}

QString picturePath(FoodKind table, const QString &id)
{
    const QString i = id.trimmed();
    // An identifier is a plain file name part; anything that could leave the
    // picture folder is not looked up.
    if (i.isEmpty() || i.contains(QLatin1Char('/')) || i.contains(QLatin1Char('\\')) || i.startsWith(QLatin1Char('.')))
        return defaultPicturePath();
    const QString folder =
        programFile(table == FoodKind::RawFood ? QStringLiteral("FoodImage") : QStringLiteral("DishImage"));
    const QString found = findFileNoCase(folder, i + QStringLiteral(".bmp"));
    return found.isEmpty() ? defaultPicturePath() : found;
}

// ---------------------------------------------------------------- quantified menus

plan::FoodRow menuItemFood(const QString &pantry, const QString &name, QString *error)
{
    QString err;
    plan::FoodRow row = plan::lookupFoodByCode(pantry, &err);
    if (row.found() || !err.isEmpty()) {
        if (error)
            *error = err;
        return row;
    }
    if (const std::optional<FoodKind> kind = pantry::kindOf(pantry))
        row = plan::lookupFoodByName(name, *kind, &err);
    if (error)
        *error = err;
    return row;
}

} // namespace nqb::bench
