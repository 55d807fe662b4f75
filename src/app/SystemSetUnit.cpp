#include "app/SystemSetUnit.h"

#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/Settings.h"
#include "data/SystemSettings.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace nqb;

TSystemSet::TSystemSet(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SystemSet"));
    setWindowTitle(QStringLiteral("系统设置"));
    buildUi();
}

TSystemSet::~TSystemSet() = default;

std::optional<int> TSystemSet::run(QWidget *parent)
{
    TSystemSet w(parent);
    if (w.exec() != QDialog::Accepted)
        return std::nullopt;
    return w.savedPattern();
}

void TSystemSet::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->setSpacing(8);
    layout->addWidget(makeTitleBand(QStringLiteral("系  统  设  置"), this));

    auto *patternBox = new QGroupBox(QStringLiteral("配餐模式"), this);
    patternBox->setObjectName(QStringLiteral("Pattern_grp"));
    auto *patterns = new QHBoxLayout(patternBox);
    ThreeToOne_rdo = new QRadioButton(QStringLiteral("三餐一点"), patternBox);
    ThreeToOne_rdo->setObjectName(QStringLiteral("ThreeToOne_rdo"));
    ThreeToTwo_rdo = new QRadioButton(QStringLiteral("三餐两点"), patternBox);
    ThreeToTwo_rdo->setObjectName(QStringLiteral("ThreeToTwo_rdo"));
    ThreeToThree_rdo = new QRadioButton(QStringLiteral("三餐三点"), patternBox);
    ThreeToThree_rdo->setObjectName(QStringLiteral("ThreeToThree_rdo"));
    // One group, so that at most one is chosen; a file with an unknown
    // pattern shows none of them.
    auto *group = new QButtonGroup(this);
    group->addButton(ThreeToOne_rdo, 1);
    group->addButton(ThreeToTwo_rdo, 2);
    group->addButton(ThreeToThree_rdo, 3);
    patterns->addWidget(ThreeToOne_rdo);
    patterns->addWidget(ThreeToTwo_rdo);
    patterns->addWidget(ThreeToThree_rdo);
    layout->addWidget(patternBox);

    auto *form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("单        位："), this), 0, 0);
    Cmp_edt = new QLineEdit(this);
    Cmp_edt->setObjectName(QStringLiteral("Cmp_edt"));
    Cmp_edt->setMinimumWidth(320);
    form->addWidget(Cmp_edt, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("联系方式："), this), 1, 0);
    Tel_edt = new QLineEdit(this);
    Tel_edt->setObjectName(QStringLiteral("Tel_edt"));
    form->addWidget(Tel_edt, 1, 1);
    layout->addLayout(form);
    auto *hint = new QLabel(QStringLiteral("单位名称和联系方式印在每张报表的表头；确定后当前配餐将被清空。"), this);
    hint->setWordWrap(true);
    hint->setStyleSheet(QStringLiteral("color: #555;"));
    layout->addWidget(hint);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Accept_btn = new QPushButton(QStringLiteral(" 确  定"), this);
    Accept_btn->setObjectName(QStringLiteral("Accept_btn"));
    Accept_btn->setDefault(true);
    Close_Btn = new QPushButton(QStringLiteral("关    闭"), this);
    Close_Btn->setObjectName(QStringLiteral("Close_Btn"));
    Close_Btn->setAutoDefault(false);
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Close_Btn);
    layout->addLayout(buttons);
    connect(Accept_btn, &QPushButton::clicked, this, &TSystemSet::Accept);
    connect(Close_Btn, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(ThreeToOne_rdo, ThreeToTwo_rdo);
    setTabOrder(ThreeToTwo_rdo, ThreeToThree_rdo);
    setTabOrder(ThreeToThree_rdo, Cmp_edt);
    setTabOrder(Cmp_edt, Tel_edt);
    setTabOrder(Tel_edt, Accept_btn);
    setTabOrder(Accept_btn, Close_Btn);
}

void TSystemSet::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Load();
}

void TSystemSet::Load()
{
    const SystemSettings s = readSystemSettings();
    QRadioButton *radios[] = {ThreeToOne_rdo, ThreeToTwo_rdo, ThreeToThree_rdo};
    // Unchecking one of an exclusive group needs the group's exclusivity off.
    auto *group = ThreeToOne_rdo->group();
    group->setExclusive(false);
    for (int i = 0; i < 3; ++i)
        radios[i]->setChecked(s.mealPattern == i + 1);
    group->setExclusive(true);
    Cmp_edt->setText(s.company);
    Tel_edt->setText(s.tel);
}

void TSystemSet::Accept()
{
    std::optional<int> pattern;
    if (ThreeToOne_rdo->isChecked())
        pattern = 1;
    else if (ThreeToTwo_rdo->isChecked())
        pattern = 2;
    else if (ThreeToThree_rdo->isChecked())
        pattern = 3;
    // The file first: when it cannot be written the plan is kept.
    QString notice;
    if (const QString error = writeSystemSettings(pattern, Cmp_edt->text(), Tel_edt->text(), &notice);
        !error.isEmpty()) {
        prompt::error(this, error);
        return;
    }
    if (!notice.isEmpty())
        prompt::warn(this, notice);
    QString error;
    if (!nqb::db().isOpen())
        error = nqb::databaseErrorText(QString());
    else if (!ClearTable(QStringLiteral("NQBNutri_tmp"), &error) && error.isEmpty())
        error = tr("清空当前配餐失败。");
    if (!error.isEmpty())
        prompt::error(this, tr("设置已保存，但无法清空当前配餐：%1").arg(error));
    m_saved = readMealPattern();
    accept();
}
