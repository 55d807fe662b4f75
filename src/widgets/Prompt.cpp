#include "widgets/Prompt.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

class DialogPrompt : public Prompt
{
public:
    void warning(QWidget *parent, const QString &title, const QString &text) override
    {
        QMessageBox::warning(parent, title, text);
    }
    void information(QWidget *parent, const QString &title, const QString &text) override
    {
        QMessageBox::information(parent, title, text);
    }
    bool question(QWidget *parent, const QString &title, const QString &text) override
    {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               == QMessageBox::Yes;
    }
    void error(QWidget *parent, const QString &title, const QString &text) override
    {
        QMessageBox::critical(parent, title, text);
    }
    QString openFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    }
    QString saveFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                     const QString &defaultSuffix) override
    {
        QFileDialog dlg(parent, caption, dir, filter);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        if (!defaultSuffix.isEmpty())
            dlg.setDefaultSuffix(defaultSuffix);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return {};
        return dlg.selectedFiles().first();
    }
    QString pickImage(QWidget *parent, const QString &caption, const QString &dir) override
    {
        return QFileDialog::getOpenFileName(parent, caption, dir,
                                            QObject::tr("图片 (*.bmp *.png *.jpg *.jpeg *.gif)"));
    }
};

DialogPrompt g_dialogs;
Prompt *g_current = nullptr;

} // namespace

Prompt &Prompt::current()
{
    return g_current ? *g_current : g_dialogs;
}

void Prompt::install(Prompt *p)
{
    g_current = p;
}

namespace prompt {
void warn(QWidget *parent, const QString &text)
{
    Prompt::current().warning(parent, QStringLiteral("警告"), text);
}
void info(QWidget *parent, const QString &text)
{
    Prompt::current().information(parent, QStringLiteral("提示信息"), text);
}
bool ask(QWidget *parent, const QString &text)
{
    return Prompt::current().question(parent, QStringLiteral("提示"), text);
}
void error(QWidget *parent, const QString &text)
{
    Prompt::current().error(parent, QStringLiteral("错误"), text);
}
} // namespace prompt
