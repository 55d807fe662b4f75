#include "diners/DRIsSaveUnit.h"

#include "data/DataModule.h"
#include "diners/DRIsTransfer.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nqb;

TDRIsSave::TDRIsSave(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TDRIsSave"));
    setWindowTitle(QStringLiteral("导入/导出"));
    auto *root = new QVBoxLayout(this);
    root->addWidget(makeTitleBand(QStringLiteral("特殊人群DRIs管理"), this));
    auto *note = new QLabel(QStringLiteral("导出：膳食种类及其营养素修订写入一个文件；导入：按文件中的种类替换其修订，"
                                           "导入前先显示将要改变的内容。"),
                            this);
    note->setWordWrap(true);
    root->addWidget(note);
    Standards_chk = new QCheckBox(QStringLiteral("同时导出整个DRIs标准表"), this);
    Standards_chk->setObjectName(QStringLiteral("Standards_chk"));
    root->addWidget(Standards_chk);
    auto *buttons = new QHBoxLayout;
    Export_btn = new QPushButton(QStringLiteral("导出数据"), this);
    Export_btn->setObjectName(QStringLiteral("Export_btn"));
    Import_btn = new QPushButton(QStringLiteral("导入数据"), this);
    Import_btn->setObjectName(QStringLiteral("Import_btn"));
    Close_btn = new QPushButton(QStringLiteral(" 关  闭"), this);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    for (QPushButton *b : {Export_btn, Import_btn, Close_btn}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    root->addLayout(buttons);
    connect(Export_btn, &QPushButton::clicked, this, &TDRIsSave::Export);
    connect(Import_btn, &QPushButton::clicked, this, &TDRIsSave::Import);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    resize(420, 200);
}

void TDRIsSave::Export()
{
    const QString path = Prompt::current().saveFile(this, QStringLiteral("导出数据"), QString(), specialDrisFilter(),
                                                    specialDrisSuffix());
    if (path.isEmpty())
        return;
    SpecialDrisData data;
    Result r = collectSpecialDris(db(), Standards_chk->isChecked(), data);
    if (r)
        r = writeSpecialDrisFile(path, data);
    if (!r) {
        prompt::error(this, r.message);
        return;
    }
    prompt::info(this, QStringLiteral("已导出 %1 个膳食种类、%2 条修订%3到 %4。")
                           .arg(data.kinds.size())
                           .arg(data.amendments.size())
                           .arg(data.hasStandards ? QStringLiteral("及 DRIs 标准表 %1 行").arg(data.standards.size())
                                                  : QString())
                           .arg(QDir::toNativeSeparators(path)));
}

void TDRIsSave::Import()
{
    const QString path = Prompt::current().openFile(this, QStringLiteral("导入数据"), QString(), specialDrisFilter());
    if (path.isEmpty())
        return;
    SpecialDrisData data;
    Result r = readSpecialDrisFile(path, data);
    if (!r) {
        prompt::warn(this, r.message);
        return;
    }
    SpecialDrisPreview preview;
    r = previewSpecialDris(db(), data, preview);
    if (!r) {
        prompt::error(this, r.message);
        return;
    }
    if (!preview.changesAnything()) {
        prompt::info(this, QStringLiteral("文件 %1 与当前数据相同，无需导入。").arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (!prompt::ask(this, preview.text() + QStringLiteral("\n\n确认导入？")))
        return;
    r = importSpecialDris(db(), data);
    if (!r) {
        prompt::error(this, r.message);
        return;
    }
    prompt::info(this, QStringLiteral("导入成功。"));
}

void TDRIsSave::run(QWidget *parent)
{
    TDRIsSave dlg(parent);
    dlg.exec();
}
