#pragma once
// A Prompt for tests: records every message and answers questions and file
// dialogs from queues (an empty queue answers No / cancel).
#include "widgets/Prompt.h"

#include <QList>
#include <QQueue>

class ScriptedPrompt : public Prompt
{
public:
    struct Message {
        Icon icon;
        QString title;
        QString text;
    };

    ScriptedPrompt() { Prompt::install(this); }
    ~ScriptedPrompt() override { Prompt::install(nullptr); }

    QList<Message> messages;
    QQueue<bool> answers;       // for question()
    QQueue<QString> files;      // for openFile / saveFile / pickImage
    QStringList fileCaptions;   // captions of the file dialogs asked for

    void warning(QWidget *, const QString &title, const QString &text) override
    {
        messages.append({Icon::Warning, title, text});
    }
    void information(QWidget *, const QString &title, const QString &text) override
    {
        messages.append({Icon::Information, title, text});
    }
    bool question(QWidget *, const QString &title, const QString &text) override
    {
        messages.append({Icon::Question, title, text});
        return answers.isEmpty() ? false : answers.dequeue();
    }
    void error(QWidget *, const QString &title, const QString &text) override
    {
        messages.append({Icon::Error, title, text});
    }
    QString openFile(QWidget *, const QString &caption, const QString &, const QString &) override
    {
        fileCaptions << caption;
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString saveFile(QWidget *, const QString &caption, const QString &, const QString &, const QString &) override
    {
        fileCaptions << caption;
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString pickImage(QWidget *, const QString &caption, const QString &) override
    {
        fileCaptions << caption;
        return files.isEmpty() ? QString() : files.dequeue();
    }

    // Texts of all messages so far, in order.
    QStringList texts() const
    {
        QStringList l;
        for (const auto &m : messages)
            l << m.text;
        return l;
    }
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear() { messages.clear(); }
};
