#pragma once
// Finding a window's controls by objectName in the window tests.
#include <QString>
#include <QWidget>

// The control of w called name; a missing control ends the test run, naming it.
template <typename T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}
