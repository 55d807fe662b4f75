#include "foods/BasicNutriUnit.h"

#include "widgets/DataGrid.h"
#include "widgets/TitleBand.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using nqb::selector::ColumnChoice;
using nqb::selector::SelectorLayout;

namespace {
constexpr int kBoxColumns = 4; // shown boxes per row
}

TBasicNutri::TBasicNutri(const QList<DataGrid *> &grids, QWidget *parent)
    : TBasicNutri(nqb::selector::generalNutrientLayout(), QStringLiteral("一般成分选择"),
                  QStringLiteral("食 物 一 般 营 养 成 分"), grids, parent)
{
}

TBasicNutri::TBasicNutri(const SelectorLayout &layout, const QString &caption, const QString &titleBand,
                         const QList<DataGrid *> &grids, QWidget *parent)
    : QDialog(parent)
    , m_choice(layout)
{
    setObjectName(QStringLiteral("TBasicNutri"));
    setWindowTitle(caption);
    for (DataGrid *g : grids)
        m_grids << QPointer<DataGrid>(g);
    buildUi(titleBand);
    presetFromGrids();
}

TBasicNutri::~TBasicNutri() = default;

void TBasicNutri::buildUi(const QString &titleBand)
{
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(titleBand, this, 4));

    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(frame);
    root->addWidget(frame);

    // Boxes in column order, so Tab walks them as the grid lists the columns.
    int shown = 0;
    for (int i = 0; i < m_choice.count(); ++i) {
        const auto &b = m_choice.boxes().at(i);
        auto *box = new QCheckBox(b.caption, frame);
        box->setObjectName(b.box);
        box->setChecked(m_choice.isChecked(i));
        m_boxes << box;
        if (b.shown) {
            grid->addWidget(box, shown / kBoxColumns, shown % kBoxColumns);
            ++shown;
        } else {
            // A follower of a shown box: it cannot be chosen on its own.
            box->setHidden(true);
            box->setFocusPolicy(Qt::NoFocus);
        }
        connect(box, &QCheckBox::toggled, this, [this, i](bool on) { boxToggled(i, on); });
    }

    auto *buttons = new QHBoxLayout;
    if (!m_choice.layout().allBox.isEmpty()) {
        m_all = new QCheckBox(m_choice.layout().allCaption, this);
        m_all->setObjectName(m_choice.layout().allBox);
        m_all->setChecked(true);
        connect(m_all, &QCheckBox::toggled, this, &TBasicNutri::allToggled);
        buttons->addWidget(m_all);
    }
    buttons->addStretch();
    Accept_btn = new QPushButton(QStringLiteral("确   定"), this);
    Accept_btn->setObjectName(QStringLiteral("Accept_btn"));
    Accept_btn->setDefault(true);
    Accept_btn->setAutoDefault(true);
    Cancel_btn = new QPushButton(QStringLiteral("取    消"), this);
    Cancel_btn->setObjectName(QStringLiteral("Cancel_btn"));
    Cancel_btn->setAutoDefault(false);
    buttons->addWidget(Accept_btn);
    buttons->addWidget(Cancel_btn);
    root->addLayout(buttons);

    connect(Accept_btn, &QPushButton::clicked, this, &TBasicNutri::Apply);
    connect(Cancel_btn, &QPushButton::clicked, this, &QDialog::reject);
}

QCheckBox *TBasicNutri::box(const QString &name) const
{
    if (m_all && m_all->objectName() == name)
        return m_all;
    const int i = m_choice.indexOf(name);
    return i >= 0 ? m_boxes.at(i) : nullptr;
}

// A box changed (by the user or by the program): its followers go with it.
void TBasicNutri::boxToggled(int index, bool on)
{
    if (m_showing)
        return;
    m_choice.setChecked(index, on);
    showChoice();
}

void TBasicNutri::allToggled(bool on)
{
    m_choice.setAll(on);
    showChoice();
}

void TBasicNutri::showChoice()
{
    m_showing = true;
    for (int i = 0; i < m_boxes.size(); ++i)
        m_boxes.at(i)->setChecked(m_choice.isChecked(i));
    m_showing = false;
}

void TBasicNutri::presetFromGrids()
{
    m_choice.preset([this](const QString &column) -> std::optional<bool> {
        for (const QPointer<DataGrid> &g : m_grids) {
            if (g && g->column(column) >= 0)
                return g->isColumnVisible(column);
        }
        return std::nullopt;
    });
    showChoice();
}

void TBasicNutri::Apply()
{
    const auto states = m_choice.columnStates();
    for (const QPointer<DataGrid> &g : m_grids) {
        if (!g)
            continue;
        for (const auto &[column, visible] : states) {
            // A grid without the column (another layout) is left alone; one
            // that declares it but shows no rows yet keeps the choice for
            // when it is filled.
            if (g->hasColumnSettings(column))
                g->setColumnVisible(column, visible);
        }
    }
    afterApplied();
    accept();
}
