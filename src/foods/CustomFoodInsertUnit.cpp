#include "foods/CustomFoodInsertUnit.h"

#include "data/Pinyin.h"
#include "foods/CustomFoodKindUnit.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nqb;

TCustomFoodInsert::TCustomFoodInsert(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TCustomFoodInsert"));
    setWindowTitle(QStringLiteral("添加食物"));

    auto *title = makeTitleBand(QStringLiteral("添  加  原  料"), this, 4);
    title->setObjectName(QStringLiteral("Title_lab"));

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("FoodName_edt"));
    m_pyjm = new QLineEdit(this);
    m_pyjm->setObjectName(QStringLiteral("PYJM_edt"));
    m_pyjm->setToolTip(QStringLiteral("单击空白的拼音简码框，自动取食物名称的拼音首字母"));
    m_pyjm->installEventFilter(this);
    connect(m_pyjm, &QLineEdit::textEdited, this, [this](const QString &t) {
        const int pos = m_pyjm->cursorPosition();
        m_pyjm->setText(t.toUpper());
        m_pyjm->setCursorPosition(pos);
    });
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("ComboBox1"));
    m_kind->setEditable(false); // typing suppressed
    m_kind->setPlaceholderText(QStringLiteral("请选择"));
    m_kind->setMinimumWidth(160);
    auto *editKind = new QPushButton(QStringLiteral("编"), this);
    editKind->setObjectName(QStringLiteral("EditKind_btn"));
    editKind->setAutoDefault(false);
    editKind->setToolTip(QStringLiteral("编辑食物类别"));
    editKind->setFixedWidth(editKind->fontMetrics().horizontalAdvance(QStringLiteral("编编")) + 16);

    m_add = new QPushButton(QStringLiteral("确  定"), this);
    m_add->setObjectName(QStringLiteral("Add_btn"));
    m_add->setDefault(true);
    auto *close = new QPushButton(QStringLiteral("取  消"), this);
    close->setObjectName(QStringLiteral("Close_btn"));
    close->setAutoDefault(false);

    auto *form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("食物名称："), this), 0, 0);
    form->addWidget(m_name, 0, 1, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("拼音简码："), this), 1, 0);
    form->addWidget(m_pyjm, 1, 1, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("食物类别："), this), 2, 0);
    form->addWidget(m_kind, 2, 1);
    form->addWidget(editKind, 2, 2);
    form->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(close);
    buttons->addStretch();

    auto *root = new QVBoxLayout(this);
    root->addWidget(title);
    root->addLayout(form);
    root->addSpacing(8);
    root->addLayout(buttons);

    setTabOrder(m_name, m_pyjm);
    setTabOrder(m_pyjm, m_kind);
    setTabOrder(m_kind, editKind);
    setTabOrder(editKind, m_add);
    setTabOrder(m_add, close);

    connect(m_add, &QPushButton::clicked, this, &TCustomFoodInsert::confirm);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(editKind, &QPushButton::clicked, this, &TCustomFoodInsert::editSubGroups);

    fillSubGroups();
}

void TCustomFoodInsert::fillSubGroups()
{
    const QString kept = m_kind->currentText();
    QString err;
    const QStringList groups = rawfood::subGroupTexts(&err);
    if (!err.isEmpty())
        prompt::error(this, err);
    m_kind->clear();
    m_kind->addItems(groups);
    const int i = m_kind->findText(kept);
    m_kind->setCurrentIndex(i >= 0 ? i : (groups.isEmpty() ? -1 : 0));
    m_kind->setToolTip(groups.isEmpty() ? rawfood::noSubGroupsYetMessage() : QString());
}

void TCustomFoodInsert::editSubGroups()
{
    TCustomFoodKind::run(this);
    fillSubGroups();
}

void TCustomFoodInsert::confirm()
{
    rawfood::Food food;
    const QString kind = m_kind->currentIndex() < 0 ? QStringLiteral("请选择") : m_kind->currentText();
    const Result r = rawfood::createFood(m_name->text(), m_pyjm->text(), kind, &food);
    if (!r) {
        if (r.status == Status::DbError)
            prompt::error(this, r.message);
        else
            Prompt::current().information(this, QStringLiteral("警告"), r.message);
        return;
    }
    m_created = food;
    accept();
}

bool TCustomFoodInsert::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pyjm && event->type() == QEvent::MouseButtonPress && m_pyjm->text().trimmed().isEmpty())
        m_pyjm->setText(PinyinInitials(m_name->text().trimmed()));
    return QDialog::eventFilter(watched, event);
}

std::optional<rawfood::Food> TCustomFoodInsert::run(QWidget *parent)
{
    TCustomFoodInsert window(parent);
    window.exec();
    return window.created();
}
