#include "widgets/RequirementGrid.h"

#include "data/NumberFormat.h"
#include "widgets/NumericEdit.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

constexpr int kRowHeight = 24;

// Requirement cells take only digits and "." as typed characters.
class NumericCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *e = new NumericEdit(parent);
        e->setAlignment(Qt::AlignCenter);
        e->setFrame(false);
        return e;
    }
};

const QAbstractItemView::EditTriggers kEditTriggers = QAbstractItemView::AnyKeyPressed
                                                      | QAbstractItemView::DoubleClicked
                                                      | QAbstractItemView::EditKeyPressed
                                                      | QAbstractItemView::SelectedClicked;

} // namespace

RequirementGrid::RequirementGrid(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_grids[0] = makeGrid(QStringLiteral("StrGrid1"));
    m_grids[1] = makeGrid(QStringLiteral("StrGrid2"));
    layout->addWidget(m_grids[0]);
    layout->addWidget(m_grids[1]);
    writeFixedTexts();
}

QTableWidget *RequirementGrid::makeGrid(const QString &name)
{
    auto *g = new QTableWidget(kGridRows, kGridColumns, this);
    g->setObjectName(name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setItemDelegate(new NumericCellDelegate(g));
    g->setEditTriggers(kEditTriggers);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    g->verticalHeader()->setDefaultSectionSize(kRowHeight);
    g->setWordWrap(false);
    g->setFixedHeight(kGridRows * kRowHeight + 4);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int r = 0; r < kGridRows; ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (r == 0 || c == 0) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(palette().button());
            }
            g->setItem(r, c, item);
        }
    }
    connect(g, &QTableWidget::cellChanged, this, [this, g](int r, int c) {
        const int n = nutrientAt(g, c);
        if (m_writing || r < 1 || n < 0)
            return;
        emit cellEdited(n, r - 1);
    });
    connect(g, &QTableWidget::currentCellChanged, this, [this, g](int r, int c) {
        const int n = nutrientAt(g, c);
        if (r > 0 && n >= 0)
            emit cellSelected(n, r - 1);
    });
    return g;
}

void RequirementGrid::writeFixedTexts()
{
    const bool was = m_writing;
    m_writing = true;
    for (QTableWidget *g : m_grids) {
        g->item(0, 0)->setText(QStringLiteral("名    称"));
        g->item(1, 0)->setText(QStringLiteral("标    值"));
        g->item(2, 0)->setText(QStringLiteral("下    限"));
        g->item(3, 0)->setText(QStringLiteral("上    限"));
    }
    for (int n = 0; n < kRequirementCount; ++n)
        gridOf(n)->item(0, columnOf(n))->setText(requirementHeader(n));
    m_writing = was;
}

QTableWidget *RequirementGrid::grid(int index) const
{
    return (index == 0 || index == 1) ? m_grids[index] : nullptr;
}

QTableWidget *RequirementGrid::gridOf(int nutrient) const
{
    return nutrient < kPerGrid ? m_grids[0] : m_grids[1];
}

int RequirementGrid::columnOf(int nutrient)
{
    return nutrient % kPerGrid + 1;
}

int RequirementGrid::nutrientAt(const QTableWidget *grid, int column) const
{
    if (column < 1 || column >= kGridColumns)
        return -1;
    if (grid == m_grids[0])
        return column - 1;
    if (grid == m_grids[1])
        return kPerGrid + column - 1;
    return -1;
}

QTableWidgetItem *RequirementGrid::bodyItem(int row, int nutrient) const
{
    if (row < 0 || row >= kRequirementRows || nutrient < 0 || nutrient >= kRequirementCount)
        return nullptr;
    return gridOf(nutrient)->item(row + 1, columnOf(nutrient));
}

RequirementMatrix RequirementGrid::matrix() const
{
    RequirementMatrix m;
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int n = 0; n < kRequirementCount; ++n)
            m.setText(r, n, bodyItem(r, n)->text());
    }
    return m;
}

void RequirementGrid::setMatrix(const RequirementMatrix &m)
{
    const bool was = m_writing;
    m_writing = true;
    for (int r = 0; r < kRequirementRows; ++r) {
        for (int n = 0; n < kRequirementCount; ++n)
            bodyItem(r, n)->setText(m.text(r, n));
    }
    m_writing = was;
}

void RequirementGrid::clear()
{
    setMatrix(RequirementMatrix());
}

QString RequirementGrid::text(int row, int nutrient) const
{
    const QTableWidgetItem *item = bodyItem(row, nutrient);
    return item ? item->text() : QString();
}

void RequirementGrid::setText(int row, int nutrient, const QString &text)
{
    QTableWidgetItem *item = bodyItem(row, nutrient);
    if (!item)
        return;
    const bool was = m_writing;
    m_writing = true;
    item->setText(text);
    m_writing = was;
}

double RequirementGrid::value(int row, int nutrient, bool *ok) const
{
    RequirementMatrix m;
    if (bodyItem(row, nutrient))
        m.setText(row, nutrient, text(row, nutrient));
    else {
        if (ok)
            *ok = false;
        return 0;
    }
    return m.value(row, nutrient, ok);
}

void RequirementGrid::setValue(int row, int nutrient, double value)
{
    setText(row, nutrient, fmtG(value));
}

void RequirementGrid::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (QTableWidget *g : m_grids)
        g->setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers : kEditTriggers);
}

void RequirementGrid::focusCell(int row, int nutrient)
{
    if (!bodyItem(row, nutrient))
        return;
    QTableWidget *g = gridOf(nutrient);
    g->setCurrentCell(row + 1, columnOf(nutrient));
    g->setFocus();
}
