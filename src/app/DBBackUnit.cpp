#include "app/DBBackUnit.h"

#include "data/Backup.h"
#include "data/DataModule.h"
#include "data/Paths.h"
#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {
const QString kFilter = QStringLiteral("备份文件 (*.bak)");
}

TDBBack::TDBBack(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DBBack"));
    setWindowTitle(QStringLiteral("数据库备份"));
    buildUi();
    SavePath_edt->setText(QDir::toNativeSeparators(backup::defaultBackupPath()));
}

TDBBack::~TDBBack() = default;

bool TDBBack::run(QWidget *parent)
{
    TDBBack w(parent);
    w.exec();
    return w.restored();
}

void TDBBack::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->setSpacing(8);
    layout->addWidget(makeTitleBand(QStringLiteral("数 据 库 备 份"), this));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto page = [this](const char *name, const QString &caption, const QString &explain, QLineEdit *&edit,
                       const char *editName, QPushButton *&browse, const char *browseName, QPushButton *&action,
                       const char *actionName) {
        auto *w = new QWidget(PageControl1);
        w->setObjectName(QString::fromLatin1(name));
        auto *g = new QGridLayout(w);
        auto *text = new QLabel(explain, w);
        text->setWordWrap(true);
        g->addWidget(text, 0, 0, 1, 2);
        edit = new QLineEdit(w);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        edit->setMinimumWidth(380);
        g->addWidget(edit, 1, 0);
        browse = new QPushButton(QStringLiteral("浏览..."), w);
        browse->setObjectName(QString::fromLatin1(browseName));
        browse->setAutoDefault(false);
        g->addWidget(browse, 1, 1);
        action = new QPushButton(caption, w);
        action->setObjectName(QString::fromLatin1(actionName));
        action->setAutoDefault(false);
        action->setMinimumWidth(120);
        auto *row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(action);
        g->addLayout(row, 2, 0, 1, 2);
        g->setRowStretch(3, 1);
        PageControl1->addTab(w, caption);
    };
    page("Backup_tab", QStringLiteral("数据库备份"),
         QStringLiteral("把当前数据库（包括食物、菜肴、标准和当前配餐）备份到下面的文件："), SavePath_edt,
         "SavePath_edt", SaveDlg_btn, "SaveDlg_btn", Save_btn, "Save_btn");
    page("Restore_tab", QStringLiteral("数据库恢复"),
         QStringLiteral("用下面的备份文件替换当前数据库（原数据库在恢复成功之前保留）："), LoadPath_edt,
         "LoadPath_edt", LoadDlg_btn, "LoadDlg_btn", Load_btn, "Load_btn");
    layout->addWidget(PageControl1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto *close = new QPushButton(QStringLiteral("关    闭"), this);
    close->setObjectName(QStringLiteral("Close_btn"));
    close->setAutoDefault(false);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(SaveDlg_btn, &QPushButton::clicked, this, &TDBBack::ChooseSavePath);
    connect(LoadDlg_btn, &QPushButton::clicked, this, &TDBBack::ChooseLoadPath);
    connect(Save_btn, &QPushButton::clicked, this, &TDBBack::Backup);
    connect(Load_btn, &QPushButton::clicked, this, &TDBBack::Restore);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void TDBBack::ChooseSavePath()
{
    const QString start = QDir::fromNativeSeparators(SavePath_edt->text());
    QDir().mkpath(QFileInfo(backup::defaultBackupPath()).absolutePath());
    const QString path =
        Prompt::current().saveFile(this, QStringLiteral("数据库备份"), start, kFilter, QStringLiteral("bak"));
    if (!path.isEmpty())
        SavePath_edt->setText(QDir::toNativeSeparators(path));
}

void TDBBack::ChooseLoadPath()
{
    const QString start = QFileInfo(backup::defaultBackupPath()).absolutePath();
    const QString path = Prompt::current().openFile(this, QStringLiteral("数据库恢复"), start, kFilter);
    if (!path.isEmpty())
        LoadPath_edt->setText(QDir::toNativeSeparators(path));
}

void TDBBack::Backup()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const backup::Result r = backup::writeBackup(nqb::db(), QDir::fromNativeSeparators(SavePath_edt->text()));
    QApplication::restoreOverrideCursor();
    if (r.ok)
        prompt::info(this, r.message);
    else
        prompt::error(this, r.message);
}

void TDBBack::Restore()
{
    TDM *dm = DM();
    const QString path = QDir::fromNativeSeparators(LoadPath_edt->text());
    if (!dm) {
        prompt::error(this, tr("数据库未打开，无法恢复。"));
        return;
    }
    // Checked before the question, so that a file that cannot be used is
    // refused with its reason and nothing is asked.
    if (const backup::Result checked = backup::checkBackup(path); !checked.ok) {
        prompt::warn(this, checked.message);
        return;
    }
    if (!prompt::ask(this, tr("确认用备份文件 %1 恢复数据库？\n当前数据库的全部内容（包括当前配餐）将被替换。")
                               .arg(QDir::toNativeSeparators(path))))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const backup::Result r = backup::restoreBackup(
        path, dm->databasePath(), [dm] { dm->closeConnection(); }, [dm] { return dm->reopen(); });
    QApplication::restoreOverrideCursor();
    if (r.ok) {
        m_restored = true;
        prompt::info(this, r.message);
    } else {
        prompt::error(this, r.message);
    }
}
