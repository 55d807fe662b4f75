#include "foods/Browser.h"

#include "data/Db.h"
#include "data/NutrientBlocks.h"

namespace nqb::browser {

namespace {

constexpr int kValueWidth = 64;

// Titles of the composition block on the nutrient page, in block order.
const char *const kCompositionTitles[kCompositionCount] = {
    "水分[g]",          "能量|[kcal]",      "能量|[kJ)]",         "蛋白质[g]",        "脂肪[g]",
    "碳水化合物[g]",    "膳食纤维[g]|Total", "膳食纤维[g]|可溶性", "膳食纤维[g]|不溶性", "胆固醇[mg]",
    "灰分[g]",          "维生素 A[ug]|VitA", "维生素 A[ug]|胡萝卜素", "维生素 A[ug]|视黄醇", "硫胺素[mg]",
    "核黄素[mg]",       "维生素B6[mg]",     "维生素B12[ug]",      "叶酸[ug]",         "烟酸[mg]",
    "维生素C[mg]",      "维生素E[mg]|Total", "维生素E[mg]|a-E",   "维生素E[mg]|(β-γ)-E", "维生素E[mg]|δ-E",
    "钙 [mg]",          "磷 [mg]",          "钾 [mg]",            "钠 [mg]",          "镁 [mg]",
    "铁 [mg]",          "锌 [mg]",          "硒 [ug]",            "铜 [mg]",          "锰 [mg]",
    " 碘 [ug]"};

struct Titled {
    const char *field;
    const char *title;
};

const Titled kAmino[] = {
    {"BCAA_ILE", "支链氨基酸[BCAA]|异亮氨酸[ILE]"},
    {"BCAA_LEU", "支链氨基酸[BCAA]|亮氨酸[LEU]"},
    {"BCAA_VAL", "支链氨基酸[BCAA]|缬氨酸[VAL]"},
    {"AAS", "含硫氨基酸[AAS]|Total"},
    {"AAS_MET", "含硫氨基酸[AAS]|蛋氨酸[MET]"},
    {"AAS_CYS", "含硫氨基酸[AAS]|胱氨酸[CYS]"},
    {"AAA", "芳香族氨基酸[AAA]|Total"},
    {"AAA_PHE", "芳香族氨基酸[AAA]|苯丙氨酸[PHE]"},
    {"AAA_TYR", "芳香族氨基酸[AAA]|酪氨酸[TYR]"},
    {"LYS", "赖氨酸[LYS]"},
    {"THR", "苏氨酸[THR]"},
    {"TRP", "色氨酸[TRP]"},
    {"ARG", "精氨酸[ARG]"},
    {"HIS", "组氨酸[HIS]"},
    {"ALA", "丙氨酸[ALA]"},
    {"ASP", "天冬氨酸[ASP]"},
    {"GLU", "谷氨酸[GLU]"},
    {"GLY", "甘氨酸[GLY]"},
    {"PRO", "脯氨酸[PRO]"},
    {"SER", "丝氨酸[SER]"},
};

const char *const kFattyTotals[] = {"FattyAcid_Total", "FattyAcid_SFA", "FattyAcid_MUFA", "FattyAcid_PUFA",
                                    "FattyAcid_UN_K"};
const char *const kFattyTotalTitles[] = {"Total", "饱和[SFA]", "单不饱和[MUFA]", "多不饱和[PUFA]", "未知[UN_k]"};
const char *const kSfa[] = {"SFA_FA_Total", "SFA_FA_6_0",  "SFA_FA_8_0",  "SFA_FA_10_0", "SFA_FA_11_0", "SFA_FA_12_0",
                            "SFA_FA_13_0",  "SFA_FA_14_0", "SFA_FA_15_0", "SFA_FA_16_0", "SFA_FA_17_0", "SFA_FA_18_0",
                            "SFA_FA_19_0",  "SFA_FA_20_0", "SFA_FA_22_0", "SFA_FA_24_0"};
const char *const kMufa[] = {"MUFA_FA_Totol", "MUFA_FA_14_1", "MUFA_FA_15_1", "MUFA_FA_16_1", "MUFA_FA_17_1",
                             "MUFA_FA_18_1",  "MUFA_FA_20_1", "MUFA_FA_22_1", "MUFA_FA_24_1"};
const char *const kPufa[] = {"PUFA_FA_Total", "PUFA_FA_16_2", "PUFA_FA_18_2", "PUFA_FA_18_3", "PUFA_FA_18_4",
                             "PUFA_FA_20_2",  "PUFA_FA_20_3", "PUFA_FA_20_4", "PUFA_FA_20_5", "PUFA_FA_22_3",
                             "PUFA_FA_22_4",  "PUFA_FA_22_5", "PUFA_FA_22_6"};

template <std::size_t N> QStringList names(const char *const (&list)[N])
{
    QStringList l;
    for (const char *c : list)
        l << QString::fromLatin1(c);
    return l;
}

PageColumn nameColumn(const char *field)
{
    return {QString::fromLatin1(field), foodNameTitle(), 150};
}

PageColumn col(const QString &field, const QString &title, int width = kValueWidth)
{
    return {field, title, width};
}

QList<PageDef> buildPages()
{
    QList<PageDef> out;

    PageDef n{Page::Nutrient, QStringLiteral("TSNutri"), QStringLiteral("一般营养成分"),
              QStringLiteral("Nutrient_Grid"), QStringLiteral("Nutri_tb"), {}};
    n.columns << nameColumn("FOODNAME") << col(QStringLiteral("EDIBLE"), QStringLiteral("食部[%]"), 52);
    const QStringList comp = compositionColumns();
    for (int i = 0; i < comp.size(); ++i)
        n.columns << col(comp.at(i), QString::fromUtf8(kCompositionTitles[i]));
    n.columns << col(QStringLiteral("FoodDescribe"), QStringLiteral("食    物    描    述FoodDescribe"), 220)
              << col(QStringLiteral("ProducingArea"), QStringLiteral("产地"), 80);
    out << n;

    PageDef a{Page::Amino, QStringLiteral("TSAmino"), QStringLiteral("氨基酸含量"), QStringLiteral("AminoAcid_Grid"),
              QStringLiteral("Amino_tb"), {}};
    a.columns << nameColumn("FOODNAME");
    for (const Titled &t : kAmino)
        a.columns << col(QString::fromLatin1(t.field), QString::fromUtf8(t.title), 72);
    a.columns << col(QStringLiteral("TMP"), QString(), 1);
    out << a;

    PageDef f{Page::Fatty, QStringLiteral("TSFatty"), QStringLiteral("脂肪酸含量"), QStringLiteral("FattyAcid_Grid"),
              QStringLiteral("Fatty_tb"), {}};
    f.columns << nameColumn("FOODNAME");
    const QString totals = QStringLiteral("脂肪酸 Fatty Acid [g/100g可食部]");
    for (std::size_t i = 0; i < std::size(kFattyTotals); ++i)
        f.columns << col(QString::fromLatin1(kFattyTotals[i]),
                         totals + QLatin1Char('|') + QString::fromUtf8(kFattyTotalTitles[i]), 72);
    const struct {
        QStringList columns;
        QString upper;
    } groups[] = {
        {names(kSfa), QStringLiteral("饱和脂肪酸[SFA]/总脂肪酸[FA][%]")},
        {names(kMufa), QStringLiteral("单不饱和脂肪酸[MUFA]/总脂肪酸[FA][%]")},
        {names(kPufa), QStringLiteral("多不饱和脂肪酸[PUFA]/总脂肪酸[FA][%]")},
    };
    for (const auto &g : groups) {
        for (int i = 0; i < g.columns.size(); ++i) {
            const QString lower = i == 0 ? QStringLiteral("Total") : chainTitle(g.columns.at(i));
            f.columns << col(g.columns.at(i), g.upper + QLatin1Char('|') + lower, 52);
        }
    }
    f.columns << col(QStringLiteral("UnKnow"), QStringLiteral("未知 % "), 56) << col(QStringLiteral("TMP"), QString(), 1);
    out << f;

    PageDef o{Page::Other, QStringLiteral("TSOther"), QStringLiteral(" 胆碱,生物素,泛酸,维生素K/D含量 "),
              QStringLiteral("Other_Grid"), QStringLiteral("OtherContent_tb"), {}};
    o.columns << nameColumn("FoodName") << col(QStringLiteral("CHOLN"), QStringLiteral("胆碱[mg]"), 80)
              << col(QStringLiteral("BIOT"), QStringLiteral("生物素[ug]"), 80)
              << col(QStringLiteral("PANTAC"), QStringLiteral("泛酸[mg]"), 80)
              << col(QStringLiteral("VITK"), QStringLiteral("维生素K[ug]"), 80)
              << col(QStringLiteral("VITD"), QStringLiteral("维生素D[IU]"), 80);
    out << o;

    PageDef s{Page::Isoflavone, QStringLiteral("TSIsoflavone"), QStringLiteral(" 大豆异黄酮含量 "),
              QStringLiteral("Isoflavone_Grid"), QStringLiteral("Isoflavone_tb"), {}};
    const QString iso = QStringLiteral("大豆异黄酮(Isoflavone)|");
    s.columns << nameColumn("FOODNAME") << col(QStringLiteral("Isoflavone_Total"), iso + QStringLiteral("Total"), 90)
              << col(QStringLiteral("Isoflavone_Daidzein"), iso + QStringLiteral("黄豆苷原[Daidzein]"), 120)
              << col(QStringLiteral("Isoflavone_Cenistein"), iso + QStringLiteral("染料木黄酮[Cenistein]"), 130)
              << col(QStringLiteral("Isoflavone_Glycitein"), iso + QStringLiteral("6-甲氧基大豆素[Glycitein]"), 150);
    out << s;

    PageDef g{Page::Glycemic, QStringLiteral("TSGly"), QStringLiteral(" 血糖生成指数 "),
              QStringLiteral("GlycemicIndex_Grid"), QStringLiteral("GlycemicIndex_tb"), {}};
    g.columns << nameColumn("FoodName") << col(QStringLiteral("GI"), QStringLiteral("血糖生成指数[GI]"), 110);
    out << g;
    return out;
}

} // namespace

QString foodNameTitle()
{
    return QStringLiteral(" 食 物 名 称  FoodName");
}

const QList<PageDef> &pages()
{
    static const QList<PageDef> list = buildPages();
    return list;
}

const PageDef &page(Page p)
{
    return pages().at(int(p));
}

QList<QStringList> fattyAcidRuns()
{
    return {names(kFattyTotals), names(kSfa), names(kMufa), names(kPufa), {QStringLiteral("UnKnow")}};
}

QStringList aminoAcidColumns()
{
    QStringList l;
    for (const Titled &t : kAmino)
        l << QString::fromLatin1(t.field);
    return l;
}

QString chainTitle(const QString &column)
{
    const QStringList parts = column.split(QLatin1Char('_'));
    if (parts.size() < 2)
        return column;
    return parts.at(parts.size() - 2) + QLatin1Char(':') + parts.last();
}

Filter prefixFilter(const QString &prefix)
{
    return {Filter::Kind::Prefix, prefix};
}

Filter openingFilter()
{
    // The code prefix of the node "1-小麦" under "01-谷类" (whole sub-group
    // number, so that a sub-group 10 would not join it).
    return prefixFilter(QStringLiteral("01-1-"));
}

bool searchFilter(const QString &text, Filter *out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    if (out)
        *out = {Filter::Kind::Search, t};
    return true;
}

Statement pageStatement(Page p, const Filter &filter)
{
    // The table name comes from the fixed page list; values are bound.
    Statement st;
    st.table = page(p).table;
    if (filter.kind == Filter::Kind::Prefix) {
        st.where = sql::prefixCondition(QStringLiteral("CODE"), filter.text, &st.binds);
    } else {
        st.where = sql::containsCondition({QStringLiteral("FoodName"), QStringLiteral("PYJM")}, filter.text, &st.binds);
    }
    st.sql = QStringLiteral("SELECT * FROM %1 WHERE %2 ORDER BY rowid").arg(st.table, st.where);
    return st;
}

} // namespace nqb::browser
