#include "foods/DishTransferUnit.h"

#include "data/DataModule.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

QString fileFilter()
{
    return QStringLiteral("菜肴库文件 (*.nqbdish);;所有文件 (*)");
}

QPushButton *makeButton(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TDishTransfer::TDishTransfer(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TDishTransfer"));
    setWindowTitle(QStringLiteral("导入/导出"));
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("食  谱  管  理"), this));
    root->addWidget(new QLabel(QStringLiteral("导出的菜肴类别（全不选即导出全部）："), this));
    Kind_lst = new QListWidget(this);
    Kind_lst->setObjectName(QStringLiteral("Kind_lst"));
    root->addWidget(Kind_lst, 1);
    auto *buttons = new QHBoxLayout;
    Export_btn = makeButton(QStringLiteral("导出食谱"), "Export_btn", this);
    Import_btn = makeButton(QStringLiteral("导入食谱"), "Import_btn", this);
    Close_btn = makeButton(QStringLiteral("关  闭"), "Close_btn", this);
    buttons->addWidget(Export_btn);
    buttons->addWidget(Import_btn);
    buttons->addStretch(1);
    buttons->addWidget(Close_btn);
    root->addLayout(buttons);
    connect(Export_btn, &QPushButton::clicked, this, &TDishTransfer::ExportDishes);
    connect(Import_btn, &QPushButton::clicked, this, &TDishTransfer::ImportDishes);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(Kind_lst, Export_btn);
    setTabOrder(Export_btn, Import_btn);
    setTabOrder(Import_btn, Close_btn);
    resize(380, 420);
    fillCategories();
}

void TDishTransfer::run(QWidget *parent)
{
    TDishTransfer w(parent);
    w.exec();
}

void TDishTransfer::fillCategories()
{
    Kind_lst->clear();
    QSqlQuery q(db());
    const Result r = sql::exec(q, QStringLiteral("SELECT KINDID, KINDNAME FROM CateKind_tb ORDER BY KINDID"));
    if (!r.ok()) {
        prompt::error(this, r.message);
        return;
    }
    while (q.next()) {
        auto *item = new QListWidgetItem(q.value(0).toString().trimmed() + QLatin1Char('-')
                                             + q.value(1).toString().trimmed(),
                                         Kind_lst);
        item->setData(Qt::UserRole, q.value(1).toString().trimmed());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

QStringList TDishTransfer::chosenCategories() const
{
    QStringList names;
    for (int i = 0; i < Kind_lst->count(); ++i) {
        if (Kind_lst->item(i)->checkState() == Qt::Checked)
            names << Kind_lst->item(i)->data(Qt::UserRole).toString();
    }
    return names.size() == Kind_lst->count() ? QStringList() : names;
}

void TDishTransfer::ExportDishes()
{
    QString path = Prompt::current().saveFile(this, QStringLiteral("导出食谱"), QStringLiteral("菜肴库.nqbdish"),
                                              fileFilter(), QStringLiteral("nqbdish"));
    if (path.isEmpty())
        return;
    const Result r = transfer::exportToFile(path, chosenCategories());
    if (!r.ok()) {
        prompt::error(this, r.message);
        return;
    }
    prompt::info(this, QObject::tr("已导出 %1 个菜肴到“%2”。").arg(r.rows).arg(QFileInfo(path).fileName()));
}

void TDishTransfer::ImportDishes()
{
    const QString path = Prompt::current().openFile(this, QStringLiteral("导入食谱"), QString(), fileFilter());
    if (path.isEmpty())
        return;
    transfer::Library lib;
    Result r = transfer::readFile(path, lib);
    if (!r.ok()) {
        prompt::warn(this, r.message);
        return;
    }
    transfer::ImportPlan plan;
    r = transfer::planImport(lib, plan);
    if (!r.ok()) {
        prompt::error(this, r.message);
        return;
    }
    if (!TDishImportPreview::run(this, plan, QFileInfo(path).fileName()))
        return;
    r = transfer::applyImport(plan);
    if (!r.ok()) {
        prompt::error(this, QObject::tr("导入失败，没有写入任何内容：%1").arg(r.message));
        return;
    }
    fillCategories();
    prompt::info(this, QObject::tr("已导入 %1 个菜肴、%2 个新类别。").arg(r.rows).arg(plan.categoriesToAdd()));
}

// ---------------------------------------------------------------------------

TDishImportPreview::TDishImportPreview(const transfer::ImportPlan &plan, const QString &fileName, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TDishImportPreview"));
    setWindowTitle(QStringLiteral("导入食谱"));
    auto *root = new QVBoxLayout(this);
    root->addWidget(new QLabel(QObject::tr("“%1”：将添加 %2 个菜肴、%3 个新类别。")
                                   .arg(fileName)
                                   .arg(plan.dishesToAdd())
                                   .arg(plan.categoriesToAdd()),
                               this));
    Plan_grid = new QTableWidget(0, 5, this);
    Plan_grid->setObjectName(QStringLiteral("Plan_grid"));
    Plan_grid->setHorizontalHeaderLabels({QStringLiteral("种类"), QStringLiteral("名称"), QStringLiteral("文件中编号"),
                                          QStringLiteral("本机编号"), QStringLiteral("处理")});
    Plan_grid->verticalHeader()->hide();
    Plan_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Plan_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Plan_grid->horizontalHeader()->setStretchLastSection(true);
    auto addRow = [this](const QStringList &cells) {
        const int row = Plan_grid->rowCount();
        Plan_grid->insertRow(row);
        for (int c = 0; c < cells.size(); ++c)
            Plan_grid->setItem(row, c, new QTableWidgetItem(cells[c]));
    };
    for (const auto &c : plan.categories)
        addRow({QStringLiteral("类别"), c.category.name, c.fileKindId, c.category.kindId, transfer::actionText(c.action)});
    for (const auto &d : plan.dishes) {
        QString what = transfer::actionText(d.action);
        if (!d.reason.isEmpty())
            what += QStringLiteral("：") + d.reason;
        addRow({QStringLiteral("菜肴"), d.dish.name, d.fileFoodId,
                d.action == transfer::Action::Skip ? QString() : d.dish.foodId, what});
    }
    Plan_grid->resizeColumnsToContents();
    root->addWidget(Plan_grid, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *ok = new QPushButton(QStringLiteral("导  入"), this);
    ok->setObjectName(QStringLiteral("Accept_btn"));
    ok->setDefault(true);
    ok->setEnabled(plan.dishesToAdd() > 0 || plan.categoriesToAdd() > 0);
    auto *cancel = new QPushButton(QStringLiteral("取  消"), this);
    cancel->setObjectName(QStringLiteral("Cancel_btn"));
    cancel->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    root->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 460);
}

bool TDishImportPreview::run(QWidget *parent, const transfer::ImportPlan &plan, const QString &fileName)
{
    TDishImportPreview dlg(plan, fileName, parent);
    return dlg.exec() == QDialog::Accepted;
}
