#include "foods/NutrientColumns.h"

#include "data/NutrientBlocks.h"
#include "foods/Browser.h"

namespace nqb::selector {

namespace {

struct GeneralBox {
    const char *box;
    const char *caption;
    const char *column;
    const char *follows; // the shown box a hidden box follows, or nullptr
};

// EDIBLE and the composition block, in grid order.
constexpr GeneralBox kGeneral[] = {
    {"EDIBLE_chk", "食部", "EDIBLE", nullptr},
    {"WATER_chk", "水分", "WATER", nullptr},
    {"ENERC_kcal_chk", "能量", "ENERC_kcal", nullptr},
    {"ENERC_kj_chk", "能量(kJ)", "ENERC_kJ", "ENERC_kcal_chk"},
    {"PROCNT_chk", "蛋白质", "PROCNT", nullptr},
    {"FAT_chk", "脂肪", "FAT", nullptr},
    {"CHO_chk", "碳水化合物", "CHOCDF", nullptr},
    {"FIBTG_chk", "膳食纤维", "FIBTG", nullptr},
    {"FIBSOL_chk", "可溶性", "FIBSOL", "FIBTG_chk"},
    {"FIBINS_chk", "不容性", "FIBINS", "FIBTG_chk"},
    {"CHOLE_chk", "胆固醇", "CHOLE", nullptr},
    {"ASH_chk", "灰分", "ASH", nullptr},
    {"VITA_chk", "维生素 A", "VITA", nullptr},
    {"CAROT_chk", "胡萝卜素", "CAROT", nullptr},
    {"RETIN_chk", "视黄醇", "RETIN", nullptr},
    {"THIA_chk", "硫氨素", "THIA", nullptr},
    {"RIBF_chk", "核黄素", "RIBF", nullptr},
    {"VITB6A_chk", "维生素 B6", "VITB6A", nullptr},
    {"VITB12_chk", "维生素 B12", "VITB12", nullptr},
    {"FOL_chk", "叶酸", "FOL", nullptr},
    {"NIA_chk", "烟酸", "NIA", nullptr},
    {"VITC_chk", "维生素 C", "VITC", nullptr},
    {"VITET_chk", "维生素 E", "VITET", nullptr},
    {"VITE_a_chk", "a-E", "VITE_a", "VITET_chk"},
    {"VITE_b_chk", "β-γ-E", "VITE_b", "VITET_chk"},
    {"VITE_r_chk", "δ-E", "VITE_r", "VITET_chk"},
    {"CA_chk", "钙", "CA", nullptr},
    {"P_chk", "磷", "P", nullptr},
    {"K_chk", "钾", "K", nullptr},
    {"NA_chk", "钠", "NA", nullptr},
    {"MG_chk", "镁", "MG", nullptr},
    {"FE_chk", "铁", "FE", nullptr},
    {"ZN_chk", "锌", "ZN", nullptr},
    {"SE_chk", "硒", "SE", nullptr},
    {"CU_chk", "铜", "CU", nullptr},
    {"MN_chk", "猛", "MN", nullptr},
    {"ID_chk", "碘", "ID", nullptr},
};
static_assert(std::size(kGeneral) == 1 + kCompositionCount);

SelectorLayout buildGeneral()
{
    SelectorLayout l;
    l.allBox = QStringLiteral("ALL_chk");
    l.allCaption = QStringLiteral("ALL");
    for (const GeneralBox &g : kGeneral) {
        ColumnBox b;
        b.box = QString::fromLatin1(g.box);
        b.caption = QString::fromUtf8(g.caption);
        b.columns = {QString::fromLatin1(g.column)};
        b.presetColumn = b.columns.first();
        b.shown = g.follows == nullptr;
        l.boxes << b;
    }
    for (const GeneralBox &g : kGeneral) {
        if (g.follows)
            l.boxes[indexOfBox(l.boxes, QString::fromLatin1(g.follows))].followers << QString::fromLatin1(g.box);
    }
    return l;
}

struct AminoBox {
    const char *box;
    const char *caption;
    const char *column; // nullptr for the pure group box
    const char *preset;
    const char *follows;
};

constexpr AminoBox kAmino[] = {
    {"BCAA_chk", "支链氨基酸", nullptr, "BCAA_ILE", nullptr},
    {"ILE_chk", "异亮氨酸", "BCAA_ILE", "BCAA_ILE", "BCAA_chk"},
    {"LEU_chk", "亮氨酸", "BCAA_LEU", "BCAA_LEU", "BCAA_chk"},
    {"VAL_chk", "缬氨酸", "BCAA_VAL", "BCAA_VAL", "BCAA_chk"},
    {"AAS_chk", "含硫氨基酸", "AAS", "AAS", nullptr},
    {"MET_chk", "蛋氨酸", "AAS_MET", "AAS_MET", "AAS_chk"},
    {"CYS_chk", "胱氨酸", "AAS_CYS", "AAS_CYS", "AAS_chk"},
    {"AAA_chk", "芳香族氨基酸", "AAA", "AAA", nullptr},
    {"PHE_chk", "苯丙氨酸", "AAA_PHE", "AAA_PHE", "AAA_chk"},
    {"TYR_chk", "酪氨酸", "AAA_TYR", "AAA_TYR", "AAA_chk"},
    {"LYS_chk", "赖氨酸", "LYS", "LYS", nullptr},
    {"THR_chk", "苏氨酸", "THR", "THR", nullptr},
    {"TRP_chk", "色氨酸", "TRP", "TRP", nullptr},
    {"ARG_chk", "精氨酸", "ARG", "ARG", nullptr},
    {"HIS_chk", "组氨酸", "HIS", "HIS", nullptr},
    {"ALA_chk", "丙氨酸", "ALA", "ALA", nullptr},
    {"ASP_chk", "天冬氨酸", "ASP", "ASP", nullptr},
    {"GLU_chk", "谷氨酸", "GLU", "GLU", nullptr},
    {"GLY_chk", "甘氨酸", "GLY", "GLY", nullptr},
    {"PRO_chk", "脯氨酸", "PRO", "PRO", nullptr},
    {"SER_chk", "丝氨酸", "SER", "SER", nullptr},
};

SelectorLayout buildAmino()
{
    SelectorLayout l;
    l.allBox = QStringLiteral("All_chk");
    l.allCaption = QStringLiteral("All");
    for (const AminoBox &a : kAmino) {
        ColumnBox b;
        b.box = QString::fromLatin1(a.box);
        b.caption = QString::fromUtf8(a.caption);
        if (a.column)
            b.columns = {QString::fromLatin1(a.column)};
        b.presetColumn = QString::fromLatin1(a.preset);
        l.boxes << b;
    }
    for (const AminoBox &a : kAmino) {
        if (a.follows)
            l.boxes[indexOfBox(l.boxes, QString::fromLatin1(a.follows))].followers << QString::fromLatin1(a.box);
    }
    return l;
}

SelectorLayout buildFatty()
{
    const char *const boxes[][2] = {{"Fatty_chk", "脂肪酸"},
                                    {"SFA_Fatty_chk", "饱和脂肪酸/总脂肪酸"},
                                    {"MUFA_Fatty_chk", "单不饱和/总脂肪酸"},
                                    {"PUFA_Fatty_chk", "多不饱和/总脂肪酸"},
                                    {"UN_Fatty_chk", "未知/总脂肪酸"}};
    const QList<QStringList> runs = browser::fattyAcidRuns();
    SelectorLayout l;
    for (int i = 0; i < runs.size(); ++i) {
        ColumnBox b;
        b.box = QString::fromLatin1(boxes[i][0]);
        b.caption = QString::fromUtf8(boxes[i][1]);
        b.columns = runs.at(i);
        b.presetColumn = runs.at(i).first();
        l.boxes << b;
    }
    return l;
}

} // namespace

const SelectorLayout &aminoAcidLayout()
{
    static const SelectorLayout layout = buildAmino();
    return layout;
}

const SelectorLayout &fattyAcidLayout()
{
    static const SelectorLayout layout = buildFatty();
    return layout;
}

const SelectorLayout &generalNutrientLayout()
{
    static const SelectorLayout layout = buildGeneral();
    return layout;
}

int indexOfBox(const QList<ColumnBox> &boxes, const QString &box)
{
    for (int i = 0; i < boxes.size(); ++i) {
        if (boxes.at(i).box == box)
            return i;
    }
    return -1;
}

QStringList columnsSwitchedBy(const QList<ColumnBox> &boxes, const QString &box)
{
    QList<bool> reached(boxes.size(), false);
    QList<int> pending;
    const int start = indexOfBox(boxes, box);
    if (start < 0)
        return {};
    pending << start;
    while (!pending.isEmpty()) {
        const int i = pending.takeFirst();
        if (reached[i])
            continue;
        reached[i] = true;
        for (const QString &f : boxes.at(i).followers) {
            const int j = indexOfBox(boxes, f);
            if (j >= 0)
                pending << j;
        }
    }
    QStringList out;
    for (int i = 0; i < boxes.size(); ++i) {
        if (!reached[i])
            continue;
        for (const QString &c : boxes.at(i).columns) {
            if (!out.contains(c))
                out << c;
        }
    }
    return out;
}

ColumnChoice::ColumnChoice(SelectorLayout layout)
    : m_layout(std::move(layout))
    , m_checked(m_layout.boxes.size(), true)
{
}

bool ColumnChoice::isChecked(int index) const
{
    return index >= 0 && index < m_checked.size() && m_checked.at(index);
}

bool ColumnChoice::isChecked(const QString &box) const
{
    return isChecked(indexOf(box));
}

void ColumnChoice::setRecursive(int index, bool on, QList<bool> &seen)
{
    // seen guards against a layout whose followers form a loop.
    if (index < 0 || index >= m_checked.size() || seen[index])
        return;
    seen[index] = true;
    m_checked[index] = on;
    for (const QString &f : m_layout.boxes.at(index).followers)
        setRecursive(indexOf(f), on, seen);
}

void ColumnChoice::setChecked(int index, bool on)
{
    QList<bool> seen(m_checked.size(), false);
    setRecursive(index, on, seen);
}

void ColumnChoice::setChecked(const QString &box, bool on)
{
    setChecked(indexOf(box), on);
}

void ColumnChoice::setAll(bool on)
{
    m_all = on;
    for (int i = 0; i < m_checked.size(); ++i)
        setChecked(i, on);
}

void ColumnChoice::preset(const std::function<std::optional<bool>(const QString &column)> &visible)
{
    for (int i = 0; i < m_layout.boxes.size(); ++i) {
        const QString &column = m_layout.boxes.at(i).presetColumn;
        if (column.isEmpty())
            continue;
        const std::optional<bool> v = visible(column);
        if (v.has_value())
            setChecked(i, *v);
    }
}

QList<std::pair<QString, bool>> ColumnChoice::columnStates() const
{
    QList<std::pair<QString, bool>> out;
    for (int i = 0; i < m_layout.boxes.size(); ++i) {
        for (const QString &c : m_layout.boxes.at(i).columns)
            out.append({c, m_checked.at(i)});
    }
    return out;
}

} // namespace nqb::selector
