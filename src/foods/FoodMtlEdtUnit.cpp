#include "foods/FoodMtlEdtUnit.h"

#include "foods/Dishes.h"
#include "widgets/NumericEdit.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nqb;

TFoodMtlEdt::TFoodMtlEdt(const Request &request, QWidget *parent)
    : QDialog(parent)
    , m_request(request)
{
    m_request.name = m_request.name.trimmed();
    setObjectName(QStringLiteral("TFoodMtlEdt"));
    setWindowTitle(QStringLiteral("修改"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    Panel1 = makeNameBand(this);
    Panel1->setText(m_request.name);
    layout->addWidget(Panel1);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("由："), this), 0, 0);
    OldWeight_edt = new QLineEdit(m_request.oldWeight, this);
    OldWeight_edt->setObjectName(QStringLiteral("OldWeight_edt"));
    OldWeight_edt->setEnabled(false);
    grid->addWidget(OldWeight_edt, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("g"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("改为："), this), 1, 0);
    NewWeight_edt = new NumericEdit(this);
    NewWeight_edt->setObjectName(QStringLiteral("NewWeight_edt"));
    grid->addWidget(NewWeight_edt, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("g"), this), 1, 2);
    layout->addLayout(grid);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Accept_btn = new QPushButton(QStringLiteral("确  定"), this);
    Accept_btn->setObjectName(QStringLiteral("Accept_btn"));
    Accept_btn->setAutoDefault(false);
    Close_btn = new QPushButton(QStringLiteral("取  消"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    Close_btn->setAutoDefault(false);
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Close_btn);
    layout->addLayout(buttons);
    NewWeight_edt->setAcceptButton(Accept_btn);
    setTabOrder(NewWeight_edt, Accept_btn);
    setTabOrder(Accept_btn, Close_btn);
    // On an empty grid there is nothing to change.
    Accept_btn->setEnabled(!m_request.name.isEmpty() || !m_request.oldWeight.isEmpty());

    connect(Accept_btn, &QPushButton::clicked, this, &TFoodMtlEdt::Accept);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(280);
    NewWeight_edt->setFocus();
}

std::optional<QString> TFoodMtlEdt::run(QWidget *parent, const Request &request)
{
    TFoodMtlEdt dlg(request, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.m_weight;
}

void TFoodMtlEdt::Accept()
{
    if (!Accept_btn->isEnabled())
        return;
    const Result r = dish::changeIngredientWeight(m_request.name, NewWeight_edt->text());
    if (!r.ok()) {
        if (r.status == Status::DbError)
            prompt::error(this, r.message);
        else
            prompt::warn(this, r.message);
        NewWeight_edt->setFocus();
        return;
    }
    m_weight = NewWeight_edt->text().trimmed();
    accept();
}
