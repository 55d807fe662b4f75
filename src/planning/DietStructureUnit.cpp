#include "planning/DietStructureUnit.h"

#include "data/NumberFormat.h"
#include "planning/DietStructureView.h"
#include "planning/EvaluationView.h"
#include "planning/MealPlan.h"
#include "widgets/DataGrid.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <cmath>

using namespace nqb;
using namespace nqb::structure;

namespace {

const QStringList kFields = {QStringLiteral("NAME"), QStringLiteral("VALUE"), QStringLiteral("RANGE"),
                             QStringLiteral("REMARK"), QStringLiteral("NOTE")};

DataGrid *makeGrid(QWidget *parent, const char *name, const QString &valueTitle, QStandardItemModel **model)
{
    auto *grid = new DataGrid(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setReadOnly(true);
    *model = new QStandardItemModel(0, int(kFields.size()), grid);
    (*model)->setHorizontalHeaderLabels(kFields);
    grid->setModel(*model);
    grid->setColumns({{QStringLiteral("NAME"), QStringLiteral("项 目"), 110},
                      {QStringLiteral("VALUE"), valueTitle, 80},
                      {QStringLiteral("RANGE"), QStringLiteral("推 荐"), 90},
                      {QStringLiteral("REMARK"), QStringLiteral("结果"), 44},
                      {QStringLiteral("NOTE"), QStringLiteral("说 明"), 190}},
                     true);
    grid->setColumnAlignment(QStringLiteral("VALUE"), Qt::AlignRight | Qt::AlignVCenter);
    grid->setColumnAlignment(QStringLiteral("REMARK"), Qt::AlignCenter);
    grid->setColumnBold(QStringLiteral("REMARK"), true);
    return grid;
}

void fill(QStandardItemModel *model, const QList<RangeRow> &rows, const QString &unit, bool integer = false)
{
    model->setRowCount(0);
    for (const RangeRow &r : rows) {
        QList<QStandardItem *> items;
        items << new QStandardItem(r.name);
        items << new QStandardItem(integer ? fmtG(r.value) : oneDecimal(r.value));
        items << new QStandardItem(rangeText(r, unit));
        auto *mark = new QStandardItem(r.marked ? eval::markerText(r.marker) : QString());
        if (r.marked)
            mark->setForeground(evalview::colourOf(eval::markerColour(r.marker)));
        items << mark;
        items << new QStandardItem(r.note);
        model->appendRow(items);
    }
}

} // namespace

TDietStructure::TDietStructure(QWidget *parent, const Request &request)
    : QDialog(parent)
    , m_request(request)
{
    buildUi();
    QString error;
    m_profile = profileFor(m_request.ageBand, &error);
    if (!error.isEmpty())
        prompt::error(this, error);
    Refresh();
}

TDietStructure::~TDietStructure() = default;

void TDietStructure::run(QWidget *parent, const Request &request)
{
    TDietStructure dlg(parent, request);
    dlg.exec();
}

void TDietStructure::buildUi()
{
    setObjectName(QStringLiteral("TDietStructure"));
    setWindowTitle(QStringLiteral("膳食结构分析"));
    resize(1060, 720);

    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("膳 食 结 构 分 析"), this));

    // The scope: the whole week or one weekday; a survey is one intake.
    auto *choice = new QGroupBox(m_request.survey ? QStringLiteral("调查结果") : QStringLiteral("分析范围"), this);
    choice->setObjectName(QStringLiteral("Scope_box"));
    auto *radios = new QHBoxLayout(choice);
    auto *family = new QButtonGroup(this);
    auto addRadio = [&](const QString &name, const QString &caption) {
        auto *r = new QRadioButton(caption, choice);
        r->setObjectName(name);
        radios->addWidget(r);
        family->addButton(r);
        m_radios << r;
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                Refresh();
        });
    };
    if (m_request.survey) {
        radios->addWidget(new QLabel(QStringLiteral("调查所列全部食物，按一日计"), choice));
    } else {
        addRadio(QStringLiteral("Week_Rdo"), QStringLiteral("全周（有记录的日平均）"));
        for (const plan::WeekdayInfo &d : plan::weekdays())
            addRadio(QString::fromLatin1(d.radioName), QString::fromUtf8(d.caption));
        m_radios.first()->blockSignals(true);
        m_radios.first()->setChecked(true);
        m_radios.first()->blockSignals(false);
    }
    radios->addStretch(1);
    Energy_lab = new QLabel(choice);
    Energy_lab->setObjectName(QStringLiteral("Energy_lab"));
    radios->addWidget(Energy_lab);
    root->addWidget(choice);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto *page = new QWidget(scroll);
    auto *grid = new QGridLayout(page);

    // Food groups: grid and bars side by side, the message and the foods of no group below.
    auto *groups = new QGroupBox(QStringLiteral("食物组（可食部，每日）——中国居民平衡膳食宝塔（2022）"), page);
    auto *groupsLayout = new QGridLayout(groups);
    Group_Grid = makeGrid(groups, "Group_Grid", QStringLiteral("每 日[g]"), &m_groupModel);
    Group_Grid->setMinimumHeight(330);
    groupsLayout->addWidget(Group_Grid, 0, 0);
    Group_Chart = new RangeBars(groups);
    Group_Chart->setObjectName(QStringLiteral("Group_Chart"));
    groupsLayout->addWidget(Group_Chart, 0, 1);
    groupsLayout->setColumnStretch(0, 3);
    groupsLayout->setColumnStretch(1, 2);
    Message_lab = new QLabel(groups);
    Message_lab->setObjectName(QStringLiteral("Message_lab"));
    Message_lab->setWordWrap(true);
    Message_lab->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0); font-weight: bold;"));
    groupsLayout->addWidget(Message_lab, 1, 0, 1, 2);
    Other_lab = new QLabel(groups);
    Other_lab->setObjectName(QStringLiteral("Other_lab"));
    Other_lab->setWordWrap(true);
    groupsLayout->addWidget(Other_lab, 2, 0, 1, 2);
    grid->addWidget(groups, 0, 0, 1, 2);

    auto *energy = new QGroupBox(QStringLiteral("供能比"), page);
    auto *energyLayout = new QVBoxLayout(energy);
    Energy_Grid = makeGrid(energy, "Energy_Grid", QStringLiteral("占能量[%]"), &m_energyModel);
    Energy_Grid->setMinimumHeight(130);
    energyLayout->addWidget(Energy_Grid);
    Quality_lab = new QLabel(energy);
    Quality_lab->setObjectName(QStringLiteral("Quality_lab"));
    energyLayout->addWidget(Quality_lab);
    grid->addWidget(energy, 1, 0);

    auto *meals = new QGroupBox(QStringLiteral("三餐能量分配"), page);
    auto *mealsLayout = new QVBoxLayout(meals);
    Meal_Grid = makeGrid(meals, "Meal_Grid", QStringLiteral("占全天[%]"), &m_mealModel);
    Meal_Grid->setMinimumHeight(130);
    mealsLayout->addWidget(Meal_Grid);
    Meal_lab = new QLabel(meals);
    Meal_lab->setObjectName(QStringLiteral("Meal_lab"));
    Meal_lab->setWordWrap(true);
    mealsLayout->addWidget(Meal_lab);
    grid->addWidget(meals, 1, 1);

    auto *variety = new QGroupBox(QStringLiteral("食物种类（不含烹调油和调味品）"), page);
    auto *varietyLayout = new QVBoxLayout(variety);
    Variety_Grid = makeGrid(variety, "Variety_Grid", QStringLiteral("种 数"), &m_varietyModel);
    Variety_Grid->setMinimumHeight(150);
    varietyLayout->addWidget(Variety_Grid);
    grid->addWidget(variety, 2, 0, 1, 2);

    scroll->setWidget(page);
    root->addWidget(scroll, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(evalview::legend(this));
    buttons->addStretch(1);
    Print_btn = new QPushButton(QStringLiteral("打 印"), this);
    Print_btn->setObjectName(QStringLiteral("Print_btn"));
    connect(Print_btn, &QPushButton::clicked, this, &TDietStructure::print);
    buttons->addWidget(Print_btn);
    Close_btn = new QPushButton(QStringLiteral("关  闭"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    Close_btn->setDefault(true);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(Close_btn);
    root->addLayout(buttons);
}

Scope TDietStructure::scope() const
{
    if (m_request.survey)
        return {Scope::Kind::Survey, {}};
    for (int i = 1; i < m_radios.size(); ++i) {
        if (m_radios[i]->isChecked())
            return {Scope::Kind::Day, plan::weekdayCode(i - 1)};
    }
    return {Scope::Kind::Week, {}};
}

QString TDietStructure::scopeText() const
{
    const Scope s = scope();
    switch (s.kind) {
    case Scope::Kind::Survey:
        return QStringLiteral("膳食调查");
    case Scope::Kind::Day:
        return plan::weekdayCaption(plan::weekdayIndex(s.day));
    case Scope::Kind::Week:
        break;
    }
    return QStringLiteral("全周");
}

void TDietStructure::Refresh()
{
    m_analysis = analysePlan(scope(), m_profile);
    if (!m_analysis.ok()) {
        for (QStandardItemModel *m : {m_groupModel, m_energyModel, m_mealModel, m_varietyModel})
            m->setRowCount(0);
        Group_Chart->setRows({}, QString());
        Message_lab->setText(m_analysis.error);
        Print_btn->setEnabled(false);
        prompt::error(this, m_analysis.error);
        return;
    }
    Print_btn->setEnabled(true);
    fill(m_groupModel, m_analysis.groups, QStringLiteral(" g"));
    Group_Chart->setRows(m_analysis.groups, QStringLiteral("g"));
    Message_lab->setText(m_analysis.groupsMessage);
    Message_lab->setVisible(!m_analysis.groupsMessage.isEmpty());
    QStringList others;
    for (const OtherFood &o : m_analysis.others)
        others << QStringLiteral("%1 %2 g").arg(o.name, oneDecimal(o.grams));
    Other_lab->setText(others.isEmpty() ? QString()
                                        : QStringLiteral("不属于宝塔食物组（每日）：") + others.join(QStringLiteral("；")));
    fill(m_energyModel, m_analysis.energyShares, QStringLiteral(" %"));
    Quality_lab->setText(QStringLiteral("优质蛋白（动物性食物和大豆）占蛋白质：%1 %")
                             .arg(oneDecimal(m_analysis.qualityProteinPercent)));
    fill(m_mealModel, m_analysis.meals, QStringLiteral(" %"));
    Meal_lab->setText(m_analysis.mealsNote);
    fill(m_varietyModel, m_analysis.variety, QString(), true);
    Energy_lab->setText(QStringLiteral("能量摄入 %1 kcal/日（%2 天）；能量需要量 %3 kcal")
                            .arg(oneDecimal(m_analysis.energyKcal), QString::number(m_analysis.days),
                                 fmtG(roundHalfEven(m_profile.energyKcal, 0))));
}

void TDietStructure::print()
{
    previewReport(this, m_analysis, scopeText());
}
