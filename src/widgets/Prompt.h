#pragma once
// Every message box and file dialog of the program goes through Prompt, so
// that tests can script the answers.
#include <QString>
#include <QStringList>

class QWidget;

class Prompt
{
public:
    enum class Icon { Warning, Information, Question, Error };

    virtual ~Prompt() = default;

    // "警告" with a warning icon: refused input.
    virtual void warning(QWidget *parent, const QString &title, const QString &text) = 0;
    // "提示信息" with an information icon: notices.
    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    // Yes/No question, No preselected; true for Yes.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;
    // Errors of the database or of file access.
    virtual void error(QWidget *parent, const QString &title, const QString &text) = 0;
    // File dialogs: an empty result means cancelled. filter uses Qt's form
    // ("备份文件 (*.bak)"); defaultSuffix without the dot.
    virtual QString openFile(QWidget *parent, const QString &caption, const QString &dir,
                             const QString &filter) = 0;
    virtual QString saveFile(QWidget *parent, const QString &caption, const QString &dir,
                             const QString &filter, const QString &defaultSuffix) = 0;
    virtual QString pickImage(QWidget *parent, const QString &caption, const QString &dir) = 0;

    // The prompt in use (the real one unless a test installed another).
    static Prompt &current();
    // Installs p (not owned); nullptr restores the real one.
    static void install(Prompt *p);
};

// Short forms with the program's standard titles.
namespace prompt {
void warn(QWidget *parent, const QString &text);          // title "警告"
void info(QWidget *parent, const QString &text);          // title "提示信息"
bool ask(QWidget *parent, const QString &text);           // title "提示"
void error(QWidget *parent, const QString &text);         // title "错误"
} // namespace prompt
