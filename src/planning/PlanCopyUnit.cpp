#include "planning/PlanCopyUnit.h"

#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace nqb;

TPlanCopy::TPlanCopy(const Request &request, QWidget *parent)
    : QDialog(parent)
    , m_request(request)
{
    setObjectName(QStringLiteral("TPlanCopy"));
    setWindowTitle(QStringLiteral("复制配餐"));
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("复 制 配 餐"), this, 3));

    auto *from = new QGroupBox(QStringLiteral("复制"), this);
    auto *fromRow = new QHBoxLayout(from);
    const int sourceIndex = plan::weekdayIndex(request.sourceDay);
    fromRow->addWidget(new QLabel(plan::weekdayCaption(sourceIndex) + QStringLiteral(" 的"), from));
    Slot_cmb = new QComboBox(from);
    Slot_cmb->setObjectName(QStringLiteral("Slot_cmb"));
    Slot_cmb->addItem(QStringLiteral("全天"));
    for (const plan::MealSlot s : plan::slotsInUse(request.mealPattern))
        Slot_cmb->addItem(plan::slotName(s), int(s));
    if (request.slot) {
        const int i = Slot_cmb->findData(int(*request.slot));
        if (i >= 0)
            Slot_cmb->setCurrentIndex(i);
    }
    fromRow->addWidget(Slot_cmb, 1);
    root->addWidget(from);

    auto *to = new QGroupBox(QStringLiteral("复制到"), this);
    auto *toGrid = new QGridLayout(to);
    for (int d = 0; d < plan::kWeekdayCount; ++d) {
        auto *box = new QCheckBox(plan::weekdayCaption(d), to);
        box->setObjectName(plan::weekdayCode(d) + QStringLiteral("_chk"));
        box->setEnabled(d != sourceIndex);
        toGrid->addWidget(box, d / 4, d % 4);
        m_days << box;
    }
    root->addWidget(to);

    auto *how = new QGroupBox(QStringLiteral("方式"), this);
    auto *howRow = new QHBoxLayout(how);
    Append_rdo = new QRadioButton(QStringLiteral("追加"), how);
    Append_rdo->setObjectName(QStringLiteral("Append_rdo"));
    Append_rdo->setToolTip(QStringLiteral("加在目标日已有的食物之后；同一餐次已有的同名食物跳过"));
    Replace_rdo = new QRadioButton(QStringLiteral("替换"), how);
    Replace_rdo->setObjectName(QStringLiteral("Replace_rdo"));
    Replace_rdo->setToolTip(QStringLiteral("先删去目标日相同餐次（全天：全部餐次）的食物"));
    auto *family = new QButtonGroup(this);
    family->addButton(Append_rdo);
    family->addButton(Replace_rdo);
    Append_rdo->setChecked(true);
    howRow->addWidget(Append_rdo);
    howRow->addWidget(Replace_rdo);
    howRow->addStretch(1);
    root->addWidget(how);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Accept_btn = new QPushButton(QStringLiteral("确  定"), this);
    Accept_btn->setObjectName(QStringLiteral("Accept_btn"));
    Accept_btn->setDefault(true);
    Close_btn = new QPushButton(QStringLiteral("取  消"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Close_btn);
    root->addLayout(buttons);
    connect(Accept_btn, &QPushButton::clicked, this, &TPlanCopy::Accept);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
}

plan::CopyRequest TPlanCopy::choice() const
{
    plan::CopyRequest c;
    c.sourceDay = m_request.sourceDay;
    const QVariant slot = Slot_cmb->currentData();
    if (slot.isValid())
        c.slot = plan::MealSlot(slot.toInt());
    for (int d = 0; d < m_days.size(); ++d) {
        if (m_days[d]->isEnabled() && m_days[d]->isChecked())
            c.targetDays << plan::weekdayCode(d);
    }
    c.replace = Replace_rdo->isChecked();
    return c;
}

void TPlanCopy::Accept()
{
    if (choice().targetDays.isEmpty()) {
        prompt::warn(this, QStringLiteral("请选择要复制到的日期。"));
        return;
    }
    accept();
}

std::optional<plan::CopyRequest> TPlanCopy::run(QWidget *parent, const Request &request)
{
    TPlanCopy dlg(request, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.choice();
}
