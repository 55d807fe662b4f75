#include "widgets/PickList.h"

#include <QHeaderView>
#include <QKeyEvent>

PickList::PickList(QWidget *parent)
    : QTableWidget(0, 2, parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setWordWrap(false);
    connect(this, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        const QString n = nameAt(row, column);
        if (!n.isEmpty())
            emit picked(n);
    });
    connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
        const QString n = nameAt(row, column);
        if (!n.isEmpty())
            emit nameClicked(n);
    });
}

QString PickList::nameAt(int row, int column) const
{
    const QTableWidgetItem *it = item(row, column);
    return it ? it->text().trimmed() : QString();
}

void PickList::setNames(const QStringList &names)
{
    clearContents();
    setColumnCount(2);
    setRowCount(int((names.size() + 1) / 2));
    for (int i = 0; i < names.size(); ++i) {
        auto *it = new QTableWidgetItem(names[i]);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(i / 2, i % 2, it);
    }
}

QStringList PickList::names() const
{
    QStringList out;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) {
            const QString n = nameAt(r, c);
            if (!n.isEmpty())
                out << n;
        }
    return out;
}

QString PickList::currentName() const
{
    return nameAt(currentRow(), currentColumn());
}

void PickList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QString n = currentName();
        if (!n.isEmpty()) {
            event->accept();
            emit picked(n);
            return;
        }
    }
    QTableWidget::keyPressEvent(event);
}
