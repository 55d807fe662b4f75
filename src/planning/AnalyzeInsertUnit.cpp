#include "planning/AnalyzeInsertUnit.h"

#include "widgets/CalcEdit.h"
#include "widgets/NumericEdit.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace nqb;

namespace {
QPointer<TAnalyzeInsert> g_insert;
} // namespace

TAnalyzeInsert::TAnalyzeInsert(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AnalyzeInsert"));
    setWindowTitle(QStringLiteral("增加"));
    buildUi();
}

TAnalyzeInsert::~TAnalyzeInsert() = default;

TAnalyzeInsert *TAnalyzeInsert::instance()
{
    return g_insert.data();
}

TAnalyzeInsert *TAnalyzeInsert::createInstance(QWidget *parent)
{
    if (!g_insert)
        g_insert = new TAnalyzeInsert(parent);
    return g_insert.data();
}

void TAnalyzeInsert::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    Panel1 = makeNameBand(this);
    layout->addWidget(Panel1);

    auto *slotBox = new QGroupBox(QStringLiteral("进餐时间"), this);
    auto *grid = new QGridLayout(slotBox);
    grid->setHorizontalSpacing(18);
    auto *family = new QButtonGroup(this);
    int i = 0;
    for (const auto &s : plan::mealSlots()) {
        auto *r = new QRadioButton(QString::fromUtf8(s.radioCaption), slotBox);
        r->setObjectName(QString::fromLatin1(s.radioName));
        family->addButton(r, i);
        grid->addWidget(r, i / 2, i % 2);
        m_slotRadios << r;
        ++i;
    }
    m_slotRadios.first()->setChecked(true);
    layout->addWidget(slotBox);

    auto *weightRow = new QHBoxLayout;
    weightRow->addWidget(new QLabel(QStringLiteral("重量[g]："), this));
    Weight_edt = new CalcEdit(this);
    Weight_edt->setObjectName(QStringLiteral("Weight_edt"));
    weightRow->addWidget(Weight_edt, 1);
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn1->setFixedWidth(56);
    weightRow->addWidget(BitBtn1);
    layout->addLayout(weightRow);
    Weight_edt->setAcceptButton(BitBtn1);

    connect(BitBtn1, &QPushButton::clicked, this, &TAnalyzeInsert::Accept);
    setMinimumWidth(300);
}

QRadioButton *TAnalyzeInsert::slotRadio(plan::MealSlot slot) const
{
    return m_slotRadios.value(int(slot));
}

plan::MealSlot TAnalyzeInsert::checkedSlot() const
{
    for (int i = 0; i < m_slotRadios.size(); ++i) {
        if (m_slotRadios[i]->isChecked())
            return plan::mealSlots()[i].slot;
    }
    return plan::MealSlot::Breakfast;
}

void TAnalyzeInsert::showSlotChoices(int pattern)
{
    for (const auto &s : plan::mealSlots())
        slotRadio(s.slot)->setVisible(plan::slotInUse(pattern, s.slot));
}

void TAnalyzeInsert::prepare(const Request &request)
{
    m_request = request;
    m_added.reset();
    // 1. The slots of the meal pattern.
    showSlotChoices(request.mealPattern);
    // 2. - 3. The name (and in quantified-menu mode the usual weight).
    Weight_edt->clear();
    m_name = request.name;
    if (!request.proposedWeight.isEmpty())
        Weight_edt->setText(request.proposedWeight);
    // 4. Focus in the weight box.
    Weight_edt->setFocus();
    // 5. The slot of the shown page; on the total page the previous choice
    //    stays, unless the meal pattern no longer offers it.
    if (!request.totalPageShown)
        slotRadio(request.shownSlot)->setChecked(true);
    if (slotRadio(checkedSlot())->isHidden())
        slotRadio(plan::MealSlot::Breakfast)->setChecked(true);
    // 6. The name in the title band.
    Panel1->setText(m_name);
    // 7. The food or dish behind the name, as the workbench found it.
    m_food = request.food;
    if (!request.lookupError.isEmpty())
        prompt::error(this, request.lookupError);
}

std::optional<TAnalyzeInsert::Added> TAnalyzeInsert::run(QWidget *parent, const Request &request)
{
    TAnalyzeInsert *dlg = instance();
    if (!dlg)
        dlg = createInstance(parent);
    dlg->prepare(request);
    if (dlg->exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg->m_added;
}

void TAnalyzeInsert::Accept()
{
    const QString week = m_request.weekday;
    if (week.isEmpty())
        return;
    const plan::MealSlot slot = checkedSlot();
    const QString weight = Weight_edt->text();
    if (weight.trimmed().isEmpty()) {
        prompt::warn(this, plan::emptyWeightMessage());
        Weight_edt->setFocus();
        return;
    }
    QString message;
    if (plan::parseWeight(weight, nullptr, &message) != plan::PlanStatus::Ok) {
        prompt::warn(this, message);
        Weight_edt->setFocus();
        return;
    }
    if (!m_food.found()) {
        // Without its composition row the entry's amounts would all be 0.
        prompt::warn(this, m_name.isEmpty() ? plan::nothingChosenMessage()
                                            : QStringLiteral("找不到“%1”的营养成分，不能添加!").arg(m_name));
        return;
    }
    plan::FoodRow food = m_food;
    food.name = m_name;
    const plan::PlanResult r = plan::addEntry(food, week, slot, weight);
    switch (r.status) {
    case plan::PlanStatus::Ok:
        break;
    case plan::PlanStatus::Duplicate:
        prompt::warn(this, r.message);
        Weight_edt->clear();
        Weight_edt->setFocus();
        return;
    case plan::PlanStatus::EmptyWeight:
    case plan::PlanStatus::NotFound:
        prompt::warn(this, r.message);
        Weight_edt->setFocus();
        return;
    default:
        prompt::error(this, r.message);
        return;
    }
    m_added = Added{slot, weight};
    accept();
}
