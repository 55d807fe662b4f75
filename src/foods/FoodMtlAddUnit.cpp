#include "foods/FoodMtlAddUnit.h"

#include "foods/Dishes.h"
#include "widgets/NumericEdit.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nqb;

TFoodMtlAdd::TFoodMtlAdd(const QString &foodName, QWidget *parent)
    : QDialog(parent)
    , m_name(foodName.trimmed())
{
    setObjectName(QStringLiteral("TFoodMtlAdd"));
    setWindowTitle(QStringLiteral("增加"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    Panel1 = makeNameBand(this);
    Panel1->setText(m_name);
    layout->addWidget(Panel1);

    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("重量[g]："), this));
    Weight_edt = new NumericEdit(this);
    Weight_edt->setObjectName(QStringLiteral("Weight_edt"));
    row->addWidget(Weight_edt, 1);
    layout->addLayout(row);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Add_btn = new QPushButton(QStringLiteral("增  加"), this);
    Add_btn->setObjectName(QStringLiteral("Add_btn"));
    Add_btn->setAutoDefault(false);
    Close_btn = new QPushButton(QStringLiteral("取  消"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    Close_btn->setAutoDefault(false);
    buttons->addWidget(Add_btn);
    buttons->addWidget(Close_btn);
    layout->addLayout(buttons);
    Weight_edt->setAcceptButton(Add_btn);
    setTabOrder(Weight_edt, Add_btn);
    setTabOrder(Add_btn, Close_btn);

    connect(Add_btn, &QPushButton::clicked, this, &TFoodMtlAdd::Accept);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(280);
    Weight_edt->setFocus();
}

std::optional<QString> TFoodMtlAdd::run(QWidget *parent, const QString &foodName)
{
    TFoodMtlAdd dlg(foodName, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.m_weight;
}

void TFoodMtlAdd::Accept()
{
    const Result r = dish::addIngredient(m_name, Weight_edt->text());
    if (!r.ok()) {
        if (r.status == Status::DbError)
            prompt::error(this, r.message);
        else
            prompt::warn(this, r.message);
        Weight_edt->setFocus();
        return;
    }
    m_weight = Weight_edt->text().trimmed();
    accept();
}
