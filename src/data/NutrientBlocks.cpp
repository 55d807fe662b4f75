#include "data/NutrientBlocks.h"

namespace nqb {

const std::array<NutrientColumn, kCompositionCount> &compositionBlock()
{
    static const std::array<NutrientColumn, kCompositionCount> block = {{
        {"WATER", "水分", "g"},
        {"ENERC_kcal", "能量", "kcal"},
        {"ENERC_kJ", "能量", "kJ"},
        {"PROCNT", "蛋白质", "g"},
        {"FAT", "脂肪", "g"},
        {"CHOCDF", "碳水化合物", "g"},
        {"FIBTG", "膳食纤维", "g"},
        {"FIBSOL", "可溶性膳食纤维", "g"},
        {"FIBINS", "不溶性膳食纤维", "g"},
        {"CHOLE", "胆固醇", "mg"},
        {"ASH", "灰分", "g"},
        {"VITA", "维生素A", "μgRE"},
        {"CAROT", "胡萝卜素", "μg"},
        {"RETIN", "视黄醇", "μg"},
        {"THIA", "硫胺素", "mg"},
        {"RIBF", "核黄素", "mg"},
        {"VITB6A", "维生素B6", "mg"},
        {"VITB12", "维生素B12", "μg"},
        {"FOL", "叶酸", "μg"},
        {"NIA", "烟酸", "mg"},
        {"VITC", "维生素C", "mg"},
        {"VITET", "维生素E", "mg"},
        {"VITE_a", "α-E", "mg"},
        {"VITE_b", "(β+γ)-E", "mg"},
        {"VITE_r", "δ-E", "mg"},
        {"CA", "钙", "mg"},
        {"P", "磷", "mg"},
        {"K", "钾", "mg"},
        {"NA", "钠", "mg"},
        {"MG", "镁", "mg"},
        {"FE", "铁", "mg"},
        {"ZN", "锌", "mg"},
        {"SE", "硒", "μg"},
        {"CU", "铜", "mg"},
        {"MN", "锰", "mg"},
        {"ID", "碘", "μg"},
    }};
    return block;
}

const std::array<NutrientColumn, kRequirementCount> &requirementBlock()
{
    static const std::array<NutrientColumn, kRequirementCount> block = [] {
        static const char *const order[kRequirementCount] = {
            "ENERC_kcal", "ENERC_kJ", "PROCNT", "FAT", "CHOCDF", "CHOLE", "VITA",
            "THIA", "RIBF", "VITB6A", "FOL", "NIA", "VITB12", "VITC", "VITET",
            "CA", "P", "K", "NA", "MG", "FE", "ZN", "SE", "CU", "MN", "ID"};
        std::array<NutrientColumn, kRequirementCount> b{};
        for (int i = 0; i < kRequirementCount; ++i) {
            for (const auto &c : compositionBlock()) {
                if (qstrcmp(c.column, order[i]) == 0)
                    b[i] = c;
            }
        }
        return b;
    }();
    return block;
}

QStringList compositionColumns()
{
    // The block is fixed: its names are spelled out once.
    static const QStringList names = [] {
        QStringList l;
        for (const auto &c : compositionBlock())
            l << QString::fromLatin1(c.column);
        return l;
    }();
    return names;
}

QStringList requirementColumns()
{
    static const QStringList names = [] {
        QStringList l;
        for (const auto &c : requirementBlock())
            l << QString::fromLatin1(c.column);
        return l;
    }();
    return names;
}

int compositionIndex(const QString &column)
{
    for (int i = 0; i < kCompositionCount; ++i) {
        if (column.compare(QLatin1String(compositionBlock()[i].column), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int requirementIndex(const QString &column)
{
    for (int i = 0; i < kRequirementCount; ++i) {
        if (column.compare(QLatin1String(requirementBlock()[i].column), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int compositionIndexOfRequirement(int requirementIndex)
{
    if (requirementIndex < 0 || requirementIndex >= kRequirementCount)
        return -1;
    return compositionIndex(QLatin1String(requirementBlock()[requirementIndex].column));
}

int requirementIndexOfComposition(int compositionIndex)
{
    if (compositionIndex < 0 || compositionIndex >= kCompositionCount)
        return -1;
    return requirementIndex(QLatin1String(compositionBlock()[compositionIndex].column));
}

namespace {
struct RequirementText {
    const char *header;
    const char *element;
};
const RequirementText kRequirementTexts[kRequirementCount] = {
    {"能量[kcal]", "能量 [kcal]"}, {"能量[kJ]", "能量 [kJ]"},   {"蛋白质", "蛋白质 [g]"},
    {"脂  肪", "脂肪 [g]"},        {"碳水化合物", "碳水化合物 [g]"}, {"胆固醇", "胆固醇 [ug]"},
    {"维生素 A", "VitA [ugRE]"},   {"硫胺素", "硫胺素 [mg]"},   {"核黄素", "核黄素 [mg]"},
    {"Vit B6", "VitB6 [mg]"},      {"叶  酸", "叶酸 [ug]"},     {"烟  酸", "烟酸 [mg]"},
    {"Vit B12", "VitB12 [ug]"},    {"Vit C", "VitC [mg]"},      {"Vit E", "VitE [mg]"},
    {"钙", "钙 [mg]"},             {"磷", "磷 [mg]"},           {"钾", "钾 [mg]"},
    {"钠", "钠 [mg]"},             {"镁", "镁 [mg]"},           {"铁", "铁 [mg]"},
    {"锌", "锌 [mg]"},             {"硒", "硒 [mg]"},           {"铜", "铜 [mg]"},
    {"锰", "锰 [mg]"},             {"碘", "碘 [ug]"},
};
} // namespace

QString requirementHeader(int i)
{
    return QString::fromUtf8(kRequirementTexts[i].header);
}

QString requirementElement(int i)
{
    return QString::fromUtf8(kRequirementTexts[i].element);
}

int requirementIndexOfElement(const QString &element)
{
    const QString e = element.trimmed();
    for (int i = 0; i < kRequirementCount; ++i) {
        if (e == QString::fromUtf8(kRequirementTexts[i].element))
            return i;
    }
    return -1;
}

QString joinColumns(const QStringList &columns, const QString &qualifier)
{
    QStringList out;
    out.reserve(columns.size());
    for (const auto &c : columns)
        out << (qualifier.isEmpty() ? c : qualifier + QLatin1Char('.') + c);
    return out.join(QStringLiteral(", "));
}

} // namespace nqb
