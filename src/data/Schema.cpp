#include "data/Schema.h"

#include "data/Db.h"

#include "data/NutrientBlocks.h"

#include <QSqlError>
#include <QSqlQuery>

namespace nqb {

namespace {

QString realColumns(const QStringList &cols)
{
    QStringList parts;
    for (const auto &c : cols)
        parts << c + QStringLiteral(" REAL");
    return parts.join(QStringLiteral(", "));
}

TableDef plain(const QString &name, const QList<QPair<QString, QString>> &cols, const QStringList &extra = {})
{
    TableDef t;
    t.name = name;
    QStringList defs;
    for (const auto &c : cols) {
        t.columns << c.first;
        defs << c.first + QLatin1Char(' ') + c.second;
    }
    t.createSql << QStringLiteral("CREATE TABLE %1 (%2)").arg(name, defs.join(QStringLiteral(", ")));
    t.createSql << extra;
    return t;
}

// A table with leading columns (name, type), a nutrient block, and trailing columns.
TableDef withBlock(const QString &name, const QList<QPair<QString, QString>> &leading,
                   const QStringList &block, const QList<QPair<QString, QString>> &trailing,
                   const QString &tableConstraint = {}, const QStringList &extra = {})
{
    TableDef t;
    t.name = name;
    QStringList defs;
    for (const auto &c : leading) {
        t.columns << c.first;
        defs << c.first + QLatin1Char(' ') + c.second;
    }
    t.columns << block;
    defs << realColumns(block);
    for (const auto &c : trailing) {
        t.columns << c.first;
        defs << c.first + QLatin1Char(' ') + c.second;
    }
    if (!tableConstraint.isEmpty())
        defs << tableConstraint;
    t.createSql << QStringLiteral("CREATE TABLE %1 (%2)").arg(name, defs.join(QStringLiteral(", ")));
    t.createSql << extra;
    return t;
}

QList<QPair<QString, QString>> textCols(const QStringList &names)
{
    QList<QPair<QString, QString>> l;
    for (const auto &n : names)
        l.append({n, QStringLiteral("TEXT")});
    return l;
}

QList<QPair<QString, QString>> realCols(const QStringList &names)
{
    QList<QPair<QString, QString>> l;
    for (const auto &n : names)
        l.append({n, QStringLiteral("REAL")});
    return l;
}

QList<TableDef> buildTables()
{
    const QStringList comp = compositionColumns();
    const QStringList req = requirementColumns();
    const QString T = QStringLiteral("TEXT");
    const QString R = QStringLiteral("REAL");
    QList<TableDef> t;

    t << plain(QStringLiteral("SchemaVersion_tb"), {{QStringLiteral("VERSION"), QStringLiteral("INTEGER")}});

    // Food composition.
    t << plain(QStringLiteral("FoodKind_tb"), {{QStringLiteral("FoodGroup"), T}});
    t << plain(QStringLiteral("FoodKindSub_tb"),
               {{QStringLiteral("FoodGroup"), T}, {QStringLiteral("FoodGroupSub"), T}, {QStringLiteral("SubID"), T}});
    t << withBlock(QStringLiteral("Nutri_tb"),
                   {{QStringLiteral("Code"), QStringLiteral("TEXT PRIMARY KEY")},
                    {QStringLiteral("FoodName"), QStringLiteral("TEXT NOT NULL UNIQUE")},
                    {QStringLiteral("PYJM"), T},
                    {QStringLiteral("EDIBLE"), R}},
                   comp, {{QStringLiteral("FoodDescribe"), T}, {QStringLiteral("ProducingArea"), T}});
    t << plain(QStringLiteral("Amino_tb"),
               textCols({QStringLiteral("CODE"), QStringLiteral("FoodName"), QStringLiteral("PYJM")})
                   + realCols({"BCAA_ILE", "BCAA_LEU", "BCAA_VAL", "AAS", "AAS_MET", "AAS_CYS", "AAA", "AAA_PHE",
                               "AAA_TYR", "LYS", "THR", "TRP", "ARG", "HIS", "ALA", "ASP", "GLU", "GLY", "PRO",
                               "SER", "TMP"}));
    t << plain(QStringLiteral("Fatty_tb"),
               textCols({QStringLiteral("CODE"), QStringLiteral("FoodName"), QStringLiteral("PYJM")})
                   + realCols({"FattyAcid_Total", "FattyAcid_SFA", "FattyAcid_MUFA", "FattyAcid_PUFA",
                               "FattyAcid_UN_K", "SFA_FA_Total", "SFA_FA_6_0", "SFA_FA_8_0", "SFA_FA_10_0",
                               "SFA_FA_11_0", "SFA_FA_12_0", "SFA_FA_13_0", "SFA_FA_14_0", "SFA_FA_15_0",
                               "SFA_FA_16_0", "SFA_FA_17_0", "SFA_FA_18_0", "SFA_FA_19_0", "SFA_FA_20_0",
                               "SFA_FA_22_0", "SFA_FA_24_0", "MUFA_FA_Totol", "MUFA_FA_14_1", "MUFA_FA_15_1",
                               "MUFA_FA_16_1", "MUFA_FA_17_1", "MUFA_FA_18_1", "MUFA_FA_20_1", "MUFA_FA_22_1",
                               "MUFA_FA_24_1", "PUFA_FA_Total", "PUFA_FA_16_2", "PUFA_FA_18_2", "PUFA_FA_18_3",
                               "PUFA_FA_18_4", "PUFA_FA_20_2", "PUFA_FA_20_3", "PUFA_FA_20_4", "PUFA_FA_20_5",
                               "PUFA_FA_22_3", "PUFA_FA_22_4", "PUFA_FA_22_5", "PUFA_FA_22_6", "UnKnow", "TMP"}));
    // The browser and the raw food editor share one set of names for these.
    t << plain(QStringLiteral("OtherContent_tb"),
               textCols({QStringLiteral("CODE"), QStringLiteral("FoodName"), QStringLiteral("PYJM")})
                   + realCols({"CHOLN", "BIOT", "PANTAC", "VITK", "VITD"}));
    t << plain(QStringLiteral("Isoflavone_tb"),
               textCols({QStringLiteral("CODE"), QStringLiteral("FoodName"), QStringLiteral("PYJM")})
                   + realCols({"Isoflavone_Total", "Isoflavone_Daidzein", "Isoflavone_Cenistein",
                               "Isoflavone_Glycitein"}));
    t << plain(QStringLiteral("GlycemicIndex_tb"),
               textCols({QStringLiteral("CODE"), QStringLiteral("FoodName"), QStringLiteral("PYJM")})
                   + realCols({"GI"}));
    t << plain(QStringLiteral("Element_tb"), {{QStringLiteral("ElementName"), T}, {QStringLiteral("DataBaseID"), T}});

    // Dishes.
    t << plain(QStringLiteral("CateKind_tb"),
               {{QStringLiteral("KINDID"), QStringLiteral("TEXT PRIMARY KEY")},
                {QStringLiteral("KINDNAME"), QStringLiteral("TEXT NOT NULL UNIQUE")}});
    t << withBlock(QStringLiteral("CateNutri_tb"),
                   {{QStringLiteral("FOODID"), QStringLiteral("TEXT PRIMARY KEY")},
                    {QStringLiteral("FOODNAME"), QStringLiteral("TEXT NOT NULL UNIQUE")},
                    {QStringLiteral("PYJM"), T},
                    {QStringLiteral("EDIBLE"), R}},
                   comp, {{QStringLiteral("KINDNAME"), T}, {QStringLiteral("FoodDescribe"), T}});
    // Ingredient rows leave together with their dish.
    t << plain(QStringLiteral("CateComponent_tb"),
               {{QStringLiteral("FOODID"),
                 QStringLiteral("TEXT NOT NULL REFERENCES CateNutri_tb(FOODID) ON DELETE CASCADE ON UPDATE CASCADE")},
                {QStringLiteral("CODE"), T},
                {QStringLiteral("WEIGHT"), R}},
               {QStringLiteral("CREATE INDEX CateComponent_FOODID ON CateComponent_tb(FOODID)")});
    {
        // Holds the same identifiers and names as CateNutri_tb, so it is a view of it.
        TableDef v;
        v.name = QStringLiteral("CateNutrientContent_tb");
        v.columns << QStringLiteral("FoodID") << QStringLiteral("FOODNAME");
        v.createSql << QStringLiteral(
            "CREATE VIEW CateNutrientContent_tb AS SELECT FOODID AS FoodID, FOODNAME FROM CateNutri_tb");
        t << v;
    }

    // Requirements.
    t << withBlock(QStringLiteral("DRIsStand_tb"),
                   {{QStringLiteral("AGEFIR"), R},
                    {QStringLiteral("AGELAST"), R},
                    {QStringLiteral("SEX"), T},
                    {QStringLiteral("AGETEXT"), T},
                    {QStringLiteral("WEIGHT"), R},
                    {QStringLiteral("ACT"), T},
                    {QStringLiteral("DRIS"), T}},
                   req, {});
    t << plain(QStringLiteral("DRIsIllKind_tb"), {{QStringLiteral("MEALKIND"), QStringLiteral("TEXT NOT NULL UNIQUE")}});
    t << plain(QStringLiteral("DRIsIll_tb"),
               {{QStringLiteral("MEALKIND"), T},
                {QStringLiteral("AGE"), T},
                {QStringLiteral("YEARFIR"), R},
                {QStringLiteral("YEARLAST"), R},
                {QStringLiteral("ELEMENT"), T},
                {QStringLiteral("SEX"), T},
                {QStringLiteral("RNI"), R},
                {QStringLiteral("EAR"), R},
                {QStringLiteral("UL"), R},
                {QStringLiteral("REMARK"), T}});

    // Quantified menus.
    t << plain(QStringLiteral("CustomPantry_tb"),
               {{QStringLiteral("PANTRY"), T},
                {QStringLiteral("DINERTIME"), T},
                {QStringLiteral("FOODNAME"), T},
                {QStringLiteral("WEIGHT"), R}},
               {QStringLiteral("CREATE UNIQUE INDEX CustomPantry_key ON CustomPantry_tb(PANTRY, DINERTIME)")});

    // Scratch tables.
    t << withBlock(QStringLiteral("NQBNutri_tmp"),
                   {{QStringLiteral("DINERTMP"), T},
                    {QStringLiteral("CODE"), T},
                    {QStringLiteral("FOODNAME"), T},
                    {QStringLiteral("WEEK"), T},
                    {QStringLiteral("DINERTIME"), T},
                    {QStringLiteral("WEIGHT"), R},
                    {QStringLiteral("EDIBLE"), R}},
                   comp, {});
    t << withBlock(QStringLiteral("DRIs_tmp"),
                   {{QStringLiteral("SEQ"), QStringLiteral("INTEGER")}, {QStringLiteral("REMARK"), T}}, req, {});
    t << withBlock(QStringLiteral("WeekStats_tmp"), {{QStringLiteral("WEEK"), T}, {QStringLiteral("REMARK"), T}},
                   req, {});
    t << plain(QStringLiteral("DinerPerson_tmp"),
               {{QStringLiteral("AGETEXT"), T},
                {QStringLiteral("ACTIVITY"), T},
                {QStringLiteral("SEX"), T},
                {QStringLiteral("TOTALPERSON"), QStringLiteral("INTEGER")}});
    t << withBlock(QStringLiteral("CateNutriSum_tmp"),
                   {{QStringLiteral("CODE"), T},
                    {QStringLiteral("FOODNAME"), T},
                    {QStringLiteral("WEIGHT"), R},
                    {QStringLiteral("EDIBLE"), R}},
                   comp, {});
    t << plain(QStringLiteral("StrGrid_tmp"), {{QStringLiteral("TmpID"), T}});

    // Shapes of the printed week and day menus.
    const QStringList weekMenu = {"SUN", "SUNWT", "MON", "MONWT", "TUE", "TUEWT", "WED",
                                  "WEDWT", "THU", "THUWT", "FRI", "FRIWT", "SAT", "SATWT"};
    for (const char *name : {"Food_BRE", "Food_LUN", "Food_SUP", "Food_MID"}) {
        QList<QPair<QString, QString>> cols;
        for (const auto &c : weekMenu)
            cols.append({c, c.endsWith(QLatin1String("WT")) ? R : T});
        t << plain(QString::fromLatin1(name), cols);
    }
    {
        QList<QPair<QString, QString>> cols;
        for (const char *c : {"BRE", "BREM", "LUN", "LUNM", "SUP", "SUPM", "MID"}) {
            cols.append({QString::fromLatin1(c), T});
            cols.append({QString::fromLatin1(c) + QStringLiteral("_M"), R});
        }
        t << plain(QStringLiteral("Comp_tmpSub"), cols);
    }

    // Food groups of the balanced-diet pagoda: which composition-table group,
    // sub-group or single food (the longest matching code prefix) counts in
    // which pagoda group, whether it is a whole grain, whether it counts as a
    // food of its own for the variety of a diet, and whether its protein is
    // of high quality (animal foods and soy).
    t << plain(QStringLiteral("PagodaGroup_tb"),
               {{QStringLiteral("CODEPREFIX"), QStringLiteral("TEXT PRIMARY KEY")},
                {QStringLiteral("PAGODA"), T},
                {QStringLiteral("WHOLEGRAIN"), QStringLiteral("INTEGER")},
                {QStringLiteral("VARIETY"), QStringLiteral("INTEGER")},
                {QStringLiteral("QUALITYPROTEIN"), QStringLiteral("INTEGER")},
                {QStringLiteral("REMARK"), T}});
    return t;
}

QStringList firstColumns(const QString &table, int n)
{
    const TableDef *d = findTable(table);
    return d ? d->columns.mid(0, n) : QStringList();
}

} // namespace

const QList<TableDef> &schemaTables()
{
    static const QList<TableDef> tables = buildTables();
    return tables;
}

const TableDef *findTable(const QString &name)
{
    for (const auto &t : schemaTables()) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

QStringList nutriLeading() { return firstColumns(QStringLiteral("Nutri_tb"), 4); }
QStringList cateNutriLeading() { return firstColumns(QStringLiteral("CateNutri_tb"), 4); }
QStringList planLeading() { return firstColumns(QStringLiteral("NQBNutri_tmp"), 7); }
QStringList cateSumLeading() { return firstColumns(QStringLiteral("CateNutriSum_tmp"), 4); }
QStringList drisStandLeading() { return firstColumns(QStringLiteral("DRIsStand_tb"), 7); }

QStringList weekdayCodes()
{
    return {QStringLiteral("SUN"), QStringLiteral("MON"), QStringLiteral("TUE"), QStringLiteral("WED"),
            QStringLiteral("THU"), QStringLiteral("FRI"), QStringLiteral("SAT")};
}

QStringList requirementRowRemarks()
{
    return {QStringLiteral("标准"), QStringLiteral("RNI"), QStringLiteral("EAR"), QStringLiteral("UL"),
            QStringLiteral("实际")};
}

QStringList searchIndexStatements()
{
    QStringList out;
    const auto index = [&out](const char *table, const char *name, const char *pinyin, const char *code) {
        out << QStringLiteral("CREATE INDEX IF NOT EXISTS %1_search ON %1(%2, %3, %4)")
                   .arg(QLatin1String(table), QLatin1String(name), QLatin1String(pinyin), QLatin1String(code));
    };
    index("Nutri_tb", "FoodName", "PYJM", "Code");
    index("CateNutri_tb", "FOODNAME", "PYJM", "FOODID");
    for (const char *t : {"Amino_tb", "Fatty_tb", "OtherContent_tb", "Isoflavone_tb", "GlycemicIndex_tb"})
        index(t, "FoodName", "PYJM", "CODE");
    return out;
}

QString ensureSearchIndexes(QSqlDatabase db)
{
    // Every opening asks; only a database that lacks one takes the write lock.
    const QStringList statements = searchIndexStatements();
    QSqlQuery have(db);
    if (have.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name LIKE '%\\_search' "
                                 "ESCAPE '\\'"))
        && have.next() && have.value(0).toInt() >= statements.size())
        return {};
    have.finish();
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status().message;
    QSqlQuery q(db);
    for (const QString &s : statements) {
        if (!q.exec(s))
            return q.lastError().text();
    }
    const Result r = scope.commit();
    return r.ok() ? QString() : r.message;
}

bool ensureSortIndex(const QString &table, const QString &column)
{
    const QString name = table + QStringLiteral("_by_") + column;
    {
        sql::Read have(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"), {name});
        if (have.next())
            return true;
        if (!have.ok())
            return false;
    }
    {
        sql::Read rows(QStringLiteral("SELECT COUNT(*) FROM %1").arg(sql::identifier(table)));
        if (!rows.next() || rows.integer(0) < kSortIndexRows)
            return false;
    }
    sql::WriteScope scope;
    if (!scope.isOpen())
        return false;
    QSqlQuery q(sql::connection());
    if (!q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2(%3)").arg(sql::identifier(name), sql::identifier(table), sql::identifier(column))))
        return false;
    q.finish();
    return scope.commit().ok();
}

QString createSchema(QSqlDatabase db)
{
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status().message;
    QSqlQuery q(db);
    auto fail = [&](const QString &what) { return what + QStringLiteral(": ") + q.lastError().text(); };
    for (const auto &t : schemaTables()) {
        for (const auto &sql : t.createSql) {
            if (!q.exec(sql))
                return fail(t.name);
        }
    }
    if (const QString e = ensureSearchIndexes(db); !e.isEmpty())
        return QStringLiteral("search index: ") + e;
    q.prepare(QStringLiteral("INSERT INTO SchemaVersion_tb (VERSION) VALUES (?)"));
    q.addBindValue(kSchemaVersion);
    if (!q.exec())
        return fail(QStringLiteral("SchemaVersion_tb"));

    // The five requirement rows are only ever updated in place.
    const QStringList remarks = requirementRowRemarks();
    for (int i = 0; i < remarks.size(); ++i) {
        q.prepare(QStringLiteral("INSERT INTO DRIs_tmp (SEQ, REMARK) VALUES (?, ?)"));
        q.addBindValue(i + 1);
        q.addBindValue(remarks[i]);
        if (!q.exec())
            return fail(QStringLiteral("DRIs_tmp"));
    }
    // Twelve week statistics rows: "实际" per weekday and for the whole week, then
    // the standard and the three requirement rows.
    QList<QPair<QString, QString>> weekRows;
    for (const auto &d : weekdayCodes())
        weekRows.append({d, QStringLiteral("实际")});
    weekRows.append({QStringLiteral("ALLWEEK"), QStringLiteral("实际")});
    for (const auto &r : {QStringLiteral("标准"), QStringLiteral("RNI"), QStringLiteral("EAR"), QStringLiteral("UL")})
        weekRows.append({r, r});
    for (const auto &r : weekRows) {
        q.prepare(QStringLiteral("INSERT INTO WeekStats_tmp (WEEK, REMARK) VALUES (?, ?)"));
        q.addBindValue(r.first);
        q.addBindValue(r.second);
        if (!q.exec())
            return fail(QStringLiteral("WeekStats_tmp"));
    }
    return scope.commit().message;
}

int storedSchemaVersion(QSqlDatabase db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(VERSION) FROM SchemaVersion_tb")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

} // namespace nqb
