#include "foods/CookBookUnit.h"

#include "data/DataModule.h"
#include "foods/CookBookEditUnit.h"
#include "foods/DishReportView.h"
#include "foods/DishView.h"
#include "widgets/DataGrid.h"
#include "widgets/Prompt.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

QPushButton *makeButton(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TCookBook::TCookBook(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TCookBook"));
    setWindowTitle(QStringLiteral("菜肴编辑"));
    buildUi();
    FillCateTree();
    refreshGrid();
}

TCookBook::~TCookBook() = default;

void TCookBook::run(QWidget *parent)
{
    TCookBook w(parent);
    w.exec();
}

void TCookBook::buildUi()
{
    auto *root = new QHBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);

    auto *treeBox = new QGroupBox(QStringLiteral("菜肴名称"), this);
    auto *treeLayout = new QVBoxLayout(treeBox);
    treeLayout->setContentsMargins(4, 4, 4, 4);
    Cate_tre = new QTreeWidget(treeBox);
    Cate_tre->setObjectName(QStringLiteral("Cate_tre"));
    Cate_tre->setHeaderHidden(true);
    Cate_tre->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeLayout->addWidget(Cate_tre);
    treeBox->setFixedWidth(220);
    root->addWidget(treeBox);

    auto *right = new QVBoxLayout;
    root->addLayout(right, 1);
    Panel1 = new QLabel(dish::noDishCaption(), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAlignment(Qt::AlignCenter);
    QFont f = Panel1->font();
    f.setPointSize(f.pointSize() + 5);
    f.setBold(true);
    Panel1->setFont(f);
    Panel1->setStyleSheet(QStringLiteral("color:#0a2a6b; padding:6px;"));
    right->addWidget(Panel1);

    auto *gridBox = new QGroupBox(QStringLiteral("菜肴详细成分含量"), this);
    auto *gridLayout = new QVBoxLayout(gridBox);
    gridLayout->setContentsMargins(4, 4, 4, 4);
    Nutrient_Grid = new DataGrid(gridBox);
    Nutrient_Grid->setObjectName(QStringLiteral("Nutrient_Grid"));
    dishview::setupIngredientGrid(Nutrient_Grid);
    m_model = new QSqlQueryModel(this);
    Nutrient_Grid->setModel(m_model);
    gridLayout->addWidget(Nutrient_Grid);
    right->addWidget(gridBox, 1);

    auto *bottom = new QHBoxLayout;
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setFixedSize(120, 100);
    Image->setScaledContents(true);
    Image->setFrameShape(QFrame::StyledPanel);
    Image->setPixmap(dishview::designedPicture());
    bottom->addWidget(Image);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFixedHeight(100);
    bottom->addWidget(Memo1, 1);
    auto *buttons = new QGridLayout;
    AddCate_btn = makeButton(QStringLiteral(" 添 加"), "AddCate_btn", this);
    EditCate_btn = makeButton(QStringLiteral(" 修 改"), "EditCate_btn", this);
    DelCate_btn = makeButton(QStringLiteral(" 删 除"), "DelCate_btn", this);
    BitBtn2 = makeButton(QStringLiteral("导  出"), "BitBtn2", this);
    BitBtn1 = makeButton(QStringLiteral("打 印"), "BitBtn1", this);
    Close_btn = makeButton(QStringLiteral("关 闭"), "Close_btn", this);
    buttons->addWidget(AddCate_btn, 0, 0);
    buttons->addWidget(EditCate_btn, 0, 1);
    buttons->addWidget(DelCate_btn, 0, 2);
    buttons->addWidget(BitBtn2, 1, 0);
    buttons->addWidget(BitBtn1, 1, 1);
    buttons->addWidget(Close_btn, 1, 2);
    bottom->addLayout(buttons);
    right->addLayout(bottom);

    connect(Cate_tre, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { nodeClicked(item); });
    connect(Cate_tre, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { nodeClicked(item); });
    connect(AddCate_btn, &QPushButton::clicked, this, &TCookBook::AddDish);
    connect(EditCate_btn, &QPushButton::clicked, this, &TCookBook::ModifyDish);
    connect(DelCate_btn, &QPushButton::clicked, this, &TCookBook::DeleteDish);
    connect(BitBtn2, &QPushButton::clicked, this, &TCookBook::ExportGrid);
    connect(BitBtn1, &QPushButton::clicked, this, &TCookBook::PrintDish);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(Cate_tre, Nutrient_Grid);
    setTabOrder(Nutrient_Grid, AddCate_btn);
    setTabOrder(AddCate_btn, EditCate_btn);
    setTabOrder(EditCate_btn, DelCate_btn);
    setTabOrder(DelCate_btn, BitBtn2);
    setTabOrder(BitBtn2, BitBtn1);
    setTabOrder(BitBtn1, Close_btn);
    resize(1040, 640);
}

QString TCookBook::caption() const
{
    return Panel1->text();
}

void TCookBook::report(const Result &r)
{
    if (r.ok())
        return;
    if (r.status == Status::DbError || r.status == Status::FileError)
        prompt::error(this, r.message);
    else
        prompt::warn(this, r.message);
}

void TCookBook::FillCateTree()
{
    QList<dish::CategoryNode> nodes;
    const Result r = dish::categoryTree(nodes);
    Cate_tre->clear();
    if (!r.ok())
        return report(r);
    for (const dish::CategoryNode &n : nodes) {
        auto *top = new QTreeWidgetItem(Cate_tre, {n.text});
        for (const QString &d : n.dishes)
            new QTreeWidgetItem(top, {d});
    }
    Cate_tre->expandAll();
}

void TCookBook::refreshGrid()
{
    QSqlQuery q(db());
    const Result r = sql::exec(q, QStringLiteral("SELECT * FROM CateNutriSum_tmp ORDER BY rowid"));
    if (!r.ok())
        return report(r);
    m_model->setQuery(std::move(q));
    Nutrient_Grid->setExportName(caption());
}

void TCookBook::nodeClicked(QTreeWidgetItem *item)
{
    if (!item || !item->parent())
        return; // a category node
    chooseDish(item->text(0));
}

void TCookBook::chooseDish(const QString &typed)
{
    const QString name = typed.trimmed();
    Result r = dish::clearWorkTable();
    if (!r.ok())
        return report(r);
    Panel1->setText(name);
    dish::DishInfo info;
    bool found = false;
    r = dish::findDish(name, info, found);
    if (!r.ok())
        return report(r);
    if (found) {
        m_dish = info;
        Memo1->setPlainText(info.describe);
        Image->setPixmap(dishview::pictureOf(info.foodId));
        r = dish::loadWorkTable(info.foodId);
        report(r);
    }
    refreshGrid();
}

void TCookBook::afterEditor(const std::optional<QString> &saved)
{
    FillCateTree();
    if (saved) {
        // Show the dish as stored, so a further change starts from its new identifier.
        chooseDish(*saved);
        return;
    }
    refreshGrid();
}

void TCookBook::AddDish()
{
    const Result r = dish::clearWorkTable();
    if (!r.ok())
        return report(r);
    TCookBookEdit::Input in;
    in.adding = true;
    afterEditor(TCookBookEdit::run(this, in));
}

void TCookBook::ModifyDish()
{
    const int row = Nutrient_Grid->currentIndex().row() >= 0 ? Nutrient_Grid->currentIndex().row() : 0;
    const bool hasRow = Nutrient_Grid->rowCount() > 0
                        && !Nutrient_Grid->value(row, QStringLiteral("FOODNAME")).toString().trimmed().isEmpty();
    // A grid listing only ingredients of deleted foods still belongs to a dish.
    if (!hasRow && (Nutrient_Grid->rowCount() == 0 || m_dish.foodId.isEmpty())) {
        prompt::info(this, QStringLiteral("请选择要修改的菜肴名称!"));
        return;
    }
    TCookBookEdit::Input in;
    in.adding = false;
    in.dish = m_dish;
    in.dish.name = caption();
    afterEditor(TCookBookEdit::run(this, in));
}

void TCookBook::DeleteDish()
{
    if (!prompt::ask(this, QStringLiteral("确认删除？")))
        return;
    QString id;
    Result r = dish::deleteDish(caption(), &id);
    if (!r.ok())
        return report(r);
    // The picture leaves with its dish, so that a later dish under the same
    // identifier does not show it.
    if (r.rows > 0)
        dishview::removePicture(id);
    r = dish::clearWorkTable();
    report(r);
    refreshGrid();
    FillCateTree();
    Panel1->setText(dish::noDishCaption());
    Memo1->clear();
}

void TCookBook::ExportGrid()
{
    const QString file = Prompt::current().saveFile(
        this, QStringLiteral("导出到列表"), caption().trimmed(),
        QStringLiteral("Excel 文档 (*.xlsx);;Text files (*.txt);;Comma separated values (*.csv);;"
                       "HTML file (*.htm);;Rich Text Format (*.rtf)"),
        QStringLiteral("xlsx"));
    if (file.isEmpty())
        return;
    Nutrient_Grid->setExportName(caption().trimmed());
    const QString err = Nutrient_Grid->exportTo(file);
    if (!err.isEmpty())
        prompt::error(this, err);
}

void TCookBook::PrintDish()
{
    dish::ReportData data;
    const Result r = dish::reportData(caption(), data);
    if (!r.ok())
        return report(r);
    dishview::previewDishReport(this, data);
}

void TCookBook::done(int result)
{
    // Closing by the button or the title bar leaves the working table empty.
    const Result r = dish::clearWorkTable();
    report(r);
    QDialog::done(result);
}
