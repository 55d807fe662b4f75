#include "diners/CollectiveEditUnit.h"

#include "data/InputCheck.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace nqb;

TCollectiveEdit::TCollectiveEdit(const DinerGroupRow &row, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TCollectiveEdit"));
    setWindowTitle(QStringLiteral("修改"));
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("配 餐 人 数 修 改"), this, 4));

    auto *form = new QGridLayout;
    auto value = [this](const QString &text, const char *name) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    int r = 0;
    form->addWidget(new QLabel(QStringLiteral("年龄阶段："), this), r, 0);
    form->addWidget(value(row.ageBand, "Age_lab"), r++, 1);
    form->addWidget(new QLabel(QStringLiteral("姓别："), this), r, 0);
    form->addWidget(value(row.sex, "Sex_lab"), r++, 1);
    form->addWidget(new QLabel(QStringLiteral("体力活动："), this), r, 0);
    form->addWidget(value(row.activity, "Activity_lab"), r++, 1);
    auto *old = new QLineEdit(QString::number(row.persons), this);
    old->setObjectName(QStringLiteral("OldNum_edt"));
    old->setEnabled(false);
    form->addWidget(new QLabel(QStringLiteral("就餐人数："), this), r, 0);
    form->addWidget(old, r++, 1);
    NewNum_edt = new QLineEdit(this);
    NewNum_edt->setObjectName(QStringLiteral("NewNum_edt"));
    // Whole numbers only: digits and backspace.
    NewNum_edt->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,6}")), NewNum_edt));
    form->addWidget(new QLabel(QStringLiteral("改为："), this), r, 0);
    form->addWidget(NewNum_edt, r++, 1);
    root->addLayout(form);

    auto *buttons = new QHBoxLayout;
    Accept_btn = new QPushButton(QStringLiteral("确  定"), this);
    Accept_btn->setObjectName(QStringLiteral("Accept_btn"));
    Close_btn = new QPushButton(QStringLiteral("取  消"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    Accept_btn->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Close_btn);
    root->addLayout(buttons);

    connect(Accept_btn, &QPushButton::clicked, this, &TCollectiveEdit::confirm);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    NewNum_edt->setFocus();
}

void TCollectiveEdit::confirm()
{
    const QString text = NewNum_edt->text().trimmed();
    if (text.isEmpty()) {
        prompt::warn(this, QStringLiteral("请输入进餐人数！"));
        NewNum_edt->setFocus();
        return;
    }
    int n = 0;
    QString message;
    if (!input::readWhole(QStringLiteral("进餐人数"), text, 0, input::kMaxPersons, &n, &message)) {
        prompt::warn(this, message);
        NewNum_edt->setFocus();
        return;
    }
    m_result = n;
    accept();
}

std::optional<int> TCollectiveEdit::run(QWidget *parent, const DinerGroupRow &row)
{
    TCollectiveEdit dlg(row, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.newPersons();
}
