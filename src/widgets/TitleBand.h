#pragma once
// The bands across the top of a window.
//
// The title band carries the window's spaced-out title ("个  人  资  料  输  入")
// in large bold dark-blue type, centred; every window that has one gives it
// the objectName "Title_lab". The name band of the small entry dialogs shows
// the chosen food's name in bold white type on blue (objectName "Panel1").
#include <QString>

class QLabel;
class QWidget;

// A title band: the parent's font enlarged by sizeStep points, bold.
QLabel *makeTitleBand(const QString &text, QWidget *parent, int sizeStep = 6);

// An empty name band, at least two lines high, wrapping long names.
QLabel *makeNameBand(QWidget *parent);
