#include "diners/DRIsAmendUnit.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "diners/DRIsAmendEditKindUnit.h"
#include "diners/DRIsAmendEditUnit.h"
#include "widgets/DataGrid.h"
#include "widgets/NumericEdit.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

using namespace nqb;

namespace {

QString shown(const QVariant &v)
{
    return v.isNull() ? QString() : fmtG(v.toDouble());
}

} // namespace

TDRIsAmend::TDRIsAmend(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TDRIsAmend"));
    setWindowTitle(QStringLiteral("编辑"));
    buildUi();
    FillKindFilter();
    RefreshAmendments();
}

TDRIsAmend::~TDRIsAmend() = default;

void TDRIsAmend::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("特殊人群膳食摄入参考量修订"), this));

    auto *form = new QGridLayout;
    auto combo = [this](const char *name) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    IllKind_Cmb = combo("IllKind_Cmb");
    AgeFir_cmb = combo("AgeFir_cmb");
    AgeFir_cmb->addItems(amendmentLowerAges());
    AgeLast_cmb = combo("AgeLast_cmb");
    AgeLast_cmb->addItems(amendmentUpperAges());
    Sex_Cmb = combo("Sex_Cmb");
    Sex_Cmb->addItems({QStringLiteral("男"), QStringLiteral("女")});
    Element_Cmb = combo("Element_Cmb");
    Element_Cmb->addItem(chooseElementText());
    for (int n = 0; n < kRequirementCount; ++n)
        Element_Cmb->addItem(requirementElement(n));
    auto numeric = [this](const char *name) {
        auto *e = new NumericEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    EAR_Edt = numeric("EAR_Edt");
    RNI_Edt = numeric("RNI_Edt");
    UL_Edt = numeric("UL_Edt");
    ReMark_Edt = new QLineEdit(this);
    ReMark_Edt->setObjectName(QStringLiteral("ReMark_Edt"));
    BitBtn5 = new QPushButton(QStringLiteral("编"), this);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    BitBtn5->setFixedWidth(40);

    int r = 0;
    form->addWidget(new QLabel(QStringLiteral("膳食种类:"), this), r, 0);
    form->addWidget(IllKind_Cmb, r, 1);
    form->addWidget(new QLabel(QStringLiteral("种类编辑:"), this), r, 2);
    form->addWidget(BitBtn5, r++, 3, Qt::AlignLeft);
    auto *ages = new QHBoxLayout;
    ages->addWidget(AgeFir_cmb);
    ages->addWidget(new QLabel(QStringLiteral("～"), this));
    ages->addWidget(AgeLast_cmb);
    ages->addWidget(new QLabel(QStringLiteral("岁"), this));
    form->addWidget(new QLabel(QStringLiteral("年龄阶段:"), this), r, 0);
    form->addLayout(ages, r, 1);
    form->addWidget(new QLabel(QStringLiteral("性         别:"), this), r, 2);
    form->addWidget(Sex_Cmb, r++, 3);
    form->addWidget(new QLabel(QStringLiteral("营  养  素:"), this), r, 0);
    form->addWidget(Element_Cmb, r, 1);
    form->addWidget(new QLabel(QStringLiteral("标         准:"), this), r, 2);
    form->addWidget(RNI_Edt, r++, 3);
    form->addWidget(new QLabel(QStringLiteral("下         限:"), this), r, 0);
    form->addWidget(EAR_Edt, r, 1);
    form->addWidget(new QLabel(QStringLiteral("上         限:"), this), r, 2);
    form->addWidget(UL_Edt, r++, 3);
    form->addWidget(new QLabel(QStringLiteral("备         注:"), this), r, 0);
    form->addWidget(ReMark_Edt, r++, 1, 1, 3);
    root->addLayout(form);

    m_model = new QStandardItemModel(0, 8, this);
    m_model->setHorizontalHeaderLabels({"MEALKIND", "AGE", "ELEMENT", "SEX", "RNI", "EAR", "UL", "REMARK"});
    DBGridEh1 = new DataGrid(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setModel(m_model);
    DBGridEh1->setColumns({{QStringLiteral("MEALKIND"), QStringLiteral("类    别"), 110},
                           {QStringLiteral("AGE"), QStringLiteral("年   龄  阶  段"), 120},
                           {QStringLiteral("ELEMENT"), QStringLiteral("营  养  素"), 120},
                           {QStringLiteral("SEX"), QStringLiteral("性别"), 50},
                           {QStringLiteral("RNI"), QStringLiteral("标准"), 70},
                           {QStringLiteral("EAR"), QStringLiteral("下限"), 70},
                           {QStringLiteral("UL"), QStringLiteral("上限"), 70},
                           {QStringLiteral("REMARK"), QStringLiteral("备        注"), 300}},
                          true);
    DBGridEh1->setReadOnly(true);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *del = new QAction(QStringLiteral("删除(&Del)"), DBGridEh1);
    del->setObjectName(QStringLiteral("Del_act"));
    del->setShortcut(QKeySequence::Delete);
    del->setShortcutContext(Qt::WidgetShortcut);
    DBGridEh1->addAction(del);
    root->addWidget(DBGridEh1, 1);

    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    buttons->addStretch();
    Add_Btn = button(QStringLiteral("增    加"), "Add_Btn");
    Edit_Btn = button(QStringLiteral("修    改"), "Edit_Btn");
    Del_btn = button(QStringLiteral("删    除"), "Del_btn");
    Close_Btn = button(QStringLiteral("关    闭"), "Close_Btn");
    root->addLayout(buttons);
    Add_Btn->setDefault(true); // Enter in the value fields adds the row
    BitBtn5->setAutoDefault(false);

    setTabOrder(IllKind_Cmb, AgeFir_cmb);
    setTabOrder(AgeFir_cmb, AgeLast_cmb);
    setTabOrder(AgeLast_cmb, Sex_Cmb);
    setTabOrder(Sex_Cmb, Element_Cmb);
    setTabOrder(Element_Cmb, RNI_Edt);
    setTabOrder(RNI_Edt, EAR_Edt);
    setTabOrder(EAR_Edt, UL_Edt);
    setTabOrder(UL_Edt, ReMark_Edt);
    setTabOrder(ReMark_Edt, Add_Btn);

    connect(IllKind_Cmb, &QComboBox::activated, this, [this] { RefreshAmendments(); });
    connect(AgeFir_cmb, &QComboBox::activated, this, [this] { lowerAgeChosen(); });
    connect(Add_Btn, &QPushButton::clicked, this, &TDRIsAmend::Add);
    connect(Edit_Btn, &QPushButton::clicked, this, &TDRIsAmend::EditCurrent);
    connect(Del_btn, &QPushButton::clicked, this, &TDRIsAmend::DeleteCurrent);
    connect(del, &QAction::triggered, this, &TDRIsAmend::DeleteCurrent);
    connect(DBGridEh1, &QAbstractItemView::doubleClicked, this, [this] { EditCurrent(); });
    connect(BitBtn5, &QPushButton::clicked, this, &TDRIsAmend::EditKinds);
    connect(Close_Btn, &QPushButton::clicked, this, &QDialog::reject);
    resize(1000, 640);
}

void TDRIsAmend::lowerAgeChosen()
{
    const QStringList uppers = upperAgesAbove(AgeFir_cmb->currentText());
    AgeLast_cmb->clear();
    AgeLast_cmb->addItems(uppers);
    if (!uppers.isEmpty())
        AgeLast_cmb->setCurrentIndex(0);
}

void TDRIsAmend::FillKindFilter()
{
    QStringList kinds;
    const Result r = readAmendmentKinds(db(), kinds);
    if (!r)
        prompt::error(this, r.message);
    IllKind_Cmb->clear();
    IllKind_Cmb->addItem(allKindsFilter());
    IllKind_Cmb->addItems(kinds);
    IllKind_Cmb->setCurrentIndex(0);
}

void TDRIsAmend::RefreshAmendments()
{
    QList<Amendment> rows;
    const Result r = readAmendments(db(), IllKind_Cmb->currentText(), rows);
    if (!r)
        prompt::error(this, r.message);
    m_rows = rows;
    m_model->removeRows(0, m_model->rowCount());
    for (const Amendment &a : m_rows) {
        QList<QStandardItem *> items;
        for (const QString &t : {a.kind, a.age, a.element, a.sex, shown(a.rni), shown(a.ear), shown(a.ul), a.remark})
            items << new QStandardItem(t);
        m_model->appendRow(items);
    }
}

int TDRIsAmend::currentRow() const
{
    const int row = DBGridEh1->currentSourceRow();
    return row >= 0 && row < m_rows.size() ? row : -1;
}

void TDRIsAmend::Add()
{
    AmendmentInput in;
    in.kind = IllKind_Cmb->currentText();
    in.lower = AgeFir_cmb->currentText();
    in.upper = AgeLast_cmb->currentText();
    in.element = Element_Cmb->currentText();
    in.sex = Sex_Cmb->currentText();
    in.ear = EAR_Edt->text();
    in.rni = RNI_Edt->text();
    in.ul = UL_Edt->text();
    in.remark = ReMark_Edt->text();
    const Result r = addAmendment(db(), in);
    if (r) {
        prompt::info(this, QStringLiteral("恭喜你,插入成功!"));
        EAR_Edt->clear();
        RNI_Edt->clear();
        UL_Edt->clear();
    } else if (r.status == Status::Duplicate) {
        prompt::info(this, r.message);
    } else if (r.status == Status::DbError) {
        prompt::error(this, r.message);
    } else {
        prompt::warn(this, r.message);
    }
    RefreshAmendments();
}

void TDRIsAmend::DeleteCurrent()
{
    const int row = currentRow();
    if (row < 0)
        return;
    if (prompt::ask(this, QStringLiteral("确认删除？"))) {
        const Result r = deleteAmendment(db(), m_rows[row]);
        if (!r)
            prompt::error(this, r.message);
    }
    RefreshAmendments();
}

void TDRIsAmend::EditCurrent()
{
    const int row = currentRow();
    if (row < 0)
        return;
    TDRIsAmendEdit::run(this, m_rows[row]);
    RefreshAmendments();
}

void TDRIsAmend::EditKinds()
{
    TDRIsAmendEditKind::run(this);
    FillKindFilter();
    RefreshAmendments();
}

void TDRIsAmend::run(QWidget *parent)
{
    TDRIsAmend dlg(parent);
    dlg.exec();
}
