#include "foods/CompositionImportDialog.h"

#include "data/NumberFormat.h"
#include "data/Paths.h"
#include "widgets/Prompt.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

const QString kNoNewFoods = QStringLiteral("（不添加新食物）");

QString valueText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("（空）");
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    return fmtG(v.toDouble());
}

QPushButton *makeButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

CompositionImportDialog::CompositionImportDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CompositionImportDialog"));
    setWindowTitle(QStringLiteral("导入成分数据"));

    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("File_edt"));
    m_file->setPlaceholderText(QStringLiteral("UTF-8 编码的 CSV 文件，第一行为列名"));
    auto *browse = makeButton(QStringLiteral("选择文件…"), QStringLiteral("File_btn"), this);

    m_subGroup = new QComboBox(this);
    m_subGroup->setObjectName(QStringLiteral("SubGroup_cmb"));
    m_subGroup->addItem(kNoNewFoods);
    QString err;
    m_subGroup->addItems(rawfood::subGroupTexts(&err));
    m_subGroup->setToolTip(QStringLiteral("按食物名称导入时，名称未知的食物作为新食物加入此类别"));

    m_template = new QComboBox(this);
    m_template->setObjectName(QStringLiteral("Template_cmb"));
    for (const rawfood::Page &p : rawfood::pages())
        m_template->addItem(p.caption.trimmed(), p.table);
    auto *templ = makeButton(QStringLiteral("生成模板…"), QStringLiteral("Template_btn"), this);

    auto *previewBtn = makeButton(QStringLiteral("预  览"), QStringLiteral("Preview_btn"), this);
    previewBtn->setDefault(true);
    m_import = makeButton(QStringLiteral("导  入"), QStringLiteral("Import_btn"), this);
    m_import->setEnabled(false);
    auto *close = makeButton(QStringLiteral("关  闭"), QStringLiteral("Close_btn"), this);

    m_grid = new QTableWidget(0, 6, this);
    m_grid->setObjectName(QStringLiteral("Preview_grid"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("食物"), QStringLiteral("内容"),
                                       QStringLiteral("列"), QStringLiteral("原值"), QStringLiteral("新值 / 原因")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Summary_lab"));
    m_summary->setWordWrap(true);

    auto *form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("文件："), this), 0, 0);
    form->addWidget(m_file, 0, 1);
    form->addWidget(browse, 0, 2);
    form->addWidget(new QLabel(QStringLiteral("新食物类别："), this), 1, 0);
    form->addWidget(m_subGroup, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("模板："), this), 2, 0);
    form->addWidget(m_template, 2, 1);
    form->addWidget(templ, 2, 2);
    form->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(previewBtn);
    buttons->addWidget(m_import);
    buttons->addWidget(close);

    auto *root = new QVBoxLayout(this);
    root->addLayout(form);
    root->addWidget(m_grid, 1);
    root->addWidget(m_summary);
    root->addLayout(buttons);
    resize(820, 560);

    connect(browse, &QPushButton::clicked, this, &CompositionImportDialog::chooseFile);
    connect(templ, &QPushButton::clicked, this, &CompositionImportDialog::writeTemplate);
    connect(previewBtn, &QPushButton::clicked, this, &CompositionImportDialog::makePreview);
    connect(m_import, &QPushButton::clicked, this, &CompositionImportDialog::importNow);
    connect(close, &QPushButton::clicked, this, [this] { m_imported ? accept() : reject(); });
    connect(m_file, &QLineEdit::textChanged, this, &CompositionImportDialog::invalidate);
    connect(m_subGroup, &QComboBox::currentIndexChanged, this, &CompositionImportDialog::invalidate);
}

bool CompositionImportDialog::run(QWidget *parent)
{
    CompositionImportDialog d(parent);
    d.exec();
    return d.imported();
}

QString CompositionImportDialog::subGroup() const
{
    return m_subGroup->currentIndex() <= 0 ? QString() : m_subGroup->currentText();
}

void CompositionImportDialog::invalidate()
{
    m_previewed = false;
    m_import->setEnabled(false);
}

void CompositionImportDialog::chooseFile()
{
    const QString f = Prompt::current().openFile(this, QStringLiteral("请选择成分数据文件"), QDir::homePath(),
                                                 QStringLiteral("CSV 文件 (*.csv)"));
    if (f.isEmpty())
        return;
    m_file->setText(f);
    makePreview();
}

void CompositionImportDialog::makePreview()
{
    invalidate();
    m_grid->setRowCount(0);
    m_summary->clear();
    const QString path = m_file->text().trimmed();
    if (path.isEmpty()) {
        prompt::warn(this, QStringLiteral("请先选择要导入的文件！"));
        return;
    }
    const Result r = import::previewFile(path, subGroup(), &m_preview);
    if (!r) {
        m_preview = {};
        if (r.status == Status::DbError)
            prompt::error(this, r.message);
        else
            prompt::warn(this, r.message);
        return;
    }
    m_previewed = true;
    showPreview();
    m_import->setEnabled(m_preview.hasChanges());
}

void CompositionImportDialog::showPreview()
{
    const auto addRow = [this](int line, const QString &food, const QString &what, const QString &column,
                               const QString &old, const QString &value) {
        const int row = m_grid->rowCount();
        m_grid->insertRow(row);
        const QStringList cells{line > 0 ? QString::number(line) : QString(), food, what, column, old, value};
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setItem(row, c, new QTableWidgetItem(cells.at(c)));
        return row;
    };
    for (const import::FoodChange &f : m_preview.foods) {
        const QString food = f.food.name + QStringLiteral("（") + f.food.code + QStringLiteral("）");
        if (f.isNew)
            addRow(f.line, food, QStringLiteral("新食物"), QString(), QString(), QString());
        for (const import::CellChange &c : f.cells) {
            const rawfood::Page *page = nullptr;
            rawfood::findField(c.table, c.column, &page);
            addRow(f.line, food, page ? page->caption.trimmed() : c.table, c.label, valueText(c.oldValue),
                   valueText(c.newValue));
        }
    }
    for (const import::SkippedRow &s : m_preview.skipped) {
        const int row = addRow(s.line, s.key, QStringLiteral("跳过"), QString(), QString(), s.reason);
        for (int c = 0; c < m_grid->columnCount(); ++c)
            m_grid->item(row, c)->setForeground(Qt::red);
    }
    for (const QString &c : m_preview.unknownColumns) {
        const int row = addRow(0, QString(), QStringLiteral("忽略的列"), c, QString(), QStringLiteral("不是成分表的列名"));
        for (int col = 0; col < m_grid->columnCount(); ++col)
            m_grid->item(row, col)->setForeground(Qt::darkYellow);
    }
    m_grid->resizeColumnsToContents();
    m_summary->setText(QStringLiteral("按%1对应食物：新食物 %2 种，已有食物 %3 种，共 %4 项数值；跳过 %5 行，无变化 %6 行，忽略 %7 列。")
                           .arg(m_preview.keyColumn == QLatin1String("CODE") ? QStringLiteral("食物编码")
                                                                              : QStringLiteral("食物名称"))
                           .arg(m_preview.newFoodCount())
                           .arg(m_preview.foods.size() - m_preview.newFoodCount())
                           .arg(m_preview.changedCellCount())
                           .arg(m_preview.skipped.size())
                           .arg(m_preview.unchangedRows)
                           .arg(m_preview.unknownColumns.size()));
}

void CompositionImportDialog::importNow()
{
    if (!m_previewed || !m_preview.hasChanges())
        return;
    if (!prompt::ask(this, QStringLiteral("确认导入？\n\n%1").arg(m_summary->text())))
        return;
    const Result r = import::apply(m_preview);
    if (!r) {
        prompt::error(this, r.message + QStringLiteral("\n没有导入任何数据。"));
        return;
    }
    m_imported = true;
    prompt::info(this, QStringLiteral("已导入 %1 种食物的数据。").arg(r.rows));
    accept();
}

void CompositionImportDialog::writeTemplate()
{
    const QString table = m_template->currentData().toString();
    const QString path = Prompt::current().saveFile(this, QStringLiteral("保存模板"),
                                                    QDir::home().filePath(table + QStringLiteral("_模板.csv")),
                                                    QStringLiteral("CSV 文件 (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    const Result r = import::writeTemplate(table, path);
    if (!r)
        prompt::error(this, r.message);
    else
        prompt::info(this, QStringLiteral("模板已保存：%1").arg(path));
}
