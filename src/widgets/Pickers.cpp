#include "widgets/Pickers.h"

#include "data/FunctionUnit.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace nqb {

FoodTreeTabs MakeFoodTreeTabs(QWidget *parent, int pageMargin)
{
    FoodTreeTabs t;
    t.tabs = new QTabWidget(parent);
    t.tabs->setObjectName(QStringLiteral("PageControl1"));
    const auto page = [&](const QString &pageName, const QString &treeName, QTreeWidget **tree) {
        auto *p = new QWidget(t.tabs);
        p->setObjectName(pageName);
        *tree = new QTreeWidget(p);
        (*tree)->setObjectName(treeName);
        (*tree)->setHeaderHidden(true);
        (*tree)->setEditTriggers(QAbstractItemView::NoEditTriggers);
        auto *l = new QVBoxLayout(p);
        if (pageMargin >= 0)
            l->setContentsMargins(pageMargin, pageMargin, pageMargin, pageMargin);
        l->addWidget(*tree);
        return p;
    };
    t.catePage = page(QStringLiteral("TabSheetCate"), QStringLiteral("Cate_tre"), &t.cateTree);
    t.foodPage = page(QStringLiteral("TabSheetFood"), QStringLiteral("Food_tre"), &t.foodTree);
    t.tabs->addTab(t.catePage, QStringLiteral("系统菜肴"));
    t.tabs->addTab(t.foodPage, QStringLiteral("食物原料"));
    t.tabs->setCurrentWidget(t.catePage);
    return t;
}

namespace {

// Shows the nodes (and their children) in the tree. A tree that already shows
// these very nodes is left as it is, with its choice and what is open (the
// nodes were read afresh to know it). Otherwise the items are built apart and
// handed to the tree at once, so that its view hears of one insertion instead
// of one per item.
void showNodes(QTreeWidget *tree, const QList<FoodTreeNode> &nodes)
{
    bool same = tree->topLevelItemCount() == nodes.size();
    for (int i = 0; same && i < nodes.size(); ++i) {
        const QTreeWidgetItem *root = tree->topLevelItem(i);
        same = root->text(0) == nodes[i].text && root->childCount() == nodes[i].children.size();
        for (int c = 0; same && c < root->childCount(); ++c)
            same = root->child(c)->text(0) == nodes[i].children[c] && root->child(c)->childCount() == 0;
    }
    if (same)
        return;
    QList<QTreeWidgetItem *> roots;
    roots.reserve(nodes.size());
    for (const FoodTreeNode &node : nodes) {
        auto *root = new QTreeWidgetItem(QStringList{node.text});
        QList<QTreeWidgetItem *> children;
        children.reserve(node.children.size());
        for (const QString &child : node.children)
            children << new QTreeWidgetItem(QStringList{child});
        root->addChildren(children);
        roots << root;
    }
    tree->clear();
    tree->addTopLevelItems(roots);
}

} // namespace

bool FillFoodTree(QTreeWidget *tree, QString *error)
{
    QString err;
    const QList<FoodTreeNode> nodes = FoodTreeNodes(&err);
    if (!err.isEmpty()) {
        if (error)
            *error = err;
        return false;
    }
    showNodes(tree, nodes);
    if (error)
        error->clear();
    return true;
}

bool FillDishTree(QTreeWidget *tree, QString *error)
{
    QString err;
    const QStringList labels = DishTreeLabels(&err);
    if (!err.isEmpty()) {
        if (error)
            *error = err;
        return false;
    }
    QList<FoodTreeNode> nodes;
    nodes.reserve(labels.size());
    for (const QString &label : labels)
        nodes.append({label, {}});
    showNodes(tree, nodes);
    if (error)
        error->clear();
    return true;
}

QString TreeCodePrefix(QTreeWidget *tree)
{
    if (!tree)
        return {};
    QTreeWidgetItem *node = tree->currentItem();
    if (!node || !node->isSelected()) {
        const QList<QTreeWidgetItem *> selected = tree->selectedItems();
        node = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!node)
        return {};
    return CodePrefix(node->text(0), node->parent() ? node->parent()->text(0) : QString());
}

namespace {

bool fillCombo(QComboBox *combo, const QStringList &items, const QString &err, QString *error)
{
    if (!err.isEmpty()) {
        if (error)
            *error = err;
        return false;
    }
    const QSignalBlocker blocker(combo);
    const QString prompt = combo->isEditable() ? combo->currentText() : QString();
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    if (combo->isEditable())
        combo->setEditText(prompt);
    if (error)
        error->clear();
    return true;
}

} // namespace

bool FillDishKindCombo(QComboBox *combo, QString *error)
{
    QString err;
    const QStringList items = DishKindItems(&err);
    return fillCombo(combo, items, err, error);
}

bool FillElementCombo(QComboBox *combo, QString *error)
{
    QString err;
    const QStringList names = ElementNames(&err);
    return fillCombo(combo, names, err, error);
}

QString ElementColumn(QComboBox *combo, QString *error)
{
    return ElementColumnFor(combo ? combo->currentText() : QString(), error);
}

QComboBox *MakeElementCombo(QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("Element_cmb"));
    combo->setPlaceholderText(QStringLiteral("营养素种类"));
    combo->setMaxVisibleItems(24);
    return combo;
}

bool FillPickGrid(const QString &sql, const QVariantList &binds, const QString &field, QTableWidget *grid,
                  QString *error)
{
    QString err;
    const QStringList values = PickGridValues(sql, binds, field, &err);
    if (!err.isEmpty()) {
        if (error)
            *error = err;
        return false;
    }
    const QList<PickRow> rows = PickGridRows(values);
    grid->clearContents();
    grid->setColumnCount(2);
    grid->setRowCount(int(rows.size()));
    const auto cell = [](const QString &text) {
        auto *item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        return item;
    };
    for (int r = 0; r < rows.size(); ++r) {
        grid->setItem(r, 0, cell(rows.at(r).left));
        grid->setItem(r, 1, cell(rows.at(r).right));
    }
    if (error)
        error->clear();
    return true;
}

} // namespace nqb
