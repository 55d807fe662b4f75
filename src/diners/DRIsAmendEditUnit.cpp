#include "diners/DRIsAmendEditUnit.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "widgets/NumericEdit.h"
#include "widgets/Prompt.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nqb;

namespace {

QString shown(const QVariant &v)
{
    return v.isNull() ? QString() : fmtG(v.toDouble());
}

} // namespace

TDRIsAmendEdit::TDRIsAmendEdit(const Amendment &a, QWidget *parent)
    : QDialog(parent)
    , m_amendment(a)
{
    setObjectName(QStringLiteral("TDRIsAmendEdit"));
    setWindowTitle(QStringLiteral("修改"));
    auto *root = new QVBoxLayout(this);
    auto *form = new QGridLayout;
    int r = 0;
    auto label = [this, form, &r](const QString &caption, const QString &text, const char *name) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        form->addWidget(new QLabel(caption, this), r, 0);
        form->addWidget(l, r++, 1, 1, 3);
    };
    label(QStringLiteral("年龄阶段："), a.age, "Age_lab");
    label(QStringLiteral("膳食种类："), a.kind, "MealKind_lab");
    label(QStringLiteral("性         别："), a.sex, "Sex_lab");
    label(QStringLiteral("营  养  素："), a.element, "Element_lab");
    auto valueRow = [this, form, &r](const QString &caption, const QVariant &current, const char *oldName,
                                     const char *newName) {
        auto *old = new QLineEdit(shown(current), this);
        old->setObjectName(QString::fromLatin1(oldName));
        old->setReadOnly(true);
        old->setFocusPolicy(Qt::NoFocus);
        auto *edit = new NumericEdit(this);
        edit->setObjectName(QString::fromLatin1(newName));
        form->addWidget(new QLabel(caption, this), r, 0);
        form->addWidget(old, r, 1);
        form->addWidget(new QLabel(QStringLiteral("改         为："), this), r, 2);
        form->addWidget(edit, r++, 3);
        return edit;
    };
    NewRNI_edt = valueRow(QStringLiteral("标         准："), a.rni, "RNI_edt", "NewRNI_edt");
    NewEAR_edt = valueRow(QStringLiteral("下         限："), a.ear, "EAR_edt", "NewEAR_edt");
    NewUL_edt = valueRow(QStringLiteral("上         限："), a.ul, "UL_edt", "NewUL_edt");
    ReMark_edt = new QLineEdit(a.remark, this);
    ReMark_edt->setObjectName(QStringLiteral("ReMark_edt"));
    form->addWidget(new QLabel(QStringLiteral("备         注："), this), r, 0);
    form->addWidget(ReMark_edt, r++, 1, 1, 3);
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
    setTabOrder(NewRNI_edt, NewEAR_edt);
    setTabOrder(NewEAR_edt, NewUL_edt);
    setTabOrder(NewUL_edt, ReMark_edt);
    setTabOrder(ReMark_edt, Accept_btn);
    setTabOrder(Accept_btn, Close_btn);
    connect(Accept_btn, &QPushButton::clicked, this, &TDRIsAmendEdit::confirm);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    NewRNI_edt->setFocus();
}

void TDRIsAmendEdit::confirm()
{
    const Result r = changeAmendment(db(), m_amendment, NewEAR_edt->text(), NewRNI_edt->text(), NewUL_edt->text(),
                                     ReMark_edt->text());
    if (!r) {
        if (r.status == Status::DbError || r.status == Status::NotFound)
            prompt::error(this, r.message);
        else
            prompt::warn(this, r.message);
        return;
    }
    accept();
}

bool TDRIsAmendEdit::run(QWidget *parent, const Amendment &amendment)
{
    TDRIsAmendEdit dlg(amendment, parent);
    return dlg.exec() == QDialog::Accepted;
}
