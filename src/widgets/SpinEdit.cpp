#include "widgets/SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>

SpinEdit::SpinEdit(QWidget *parent)
    : QSpinBox(parent)
{
}

SpinEdit::SpinEdit(int minimum, int maximum, int step, int value, QWidget *parent)
    : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setSingleStep(step);
    setValue(value);
}

void SpinEdit::setTypingAllowed(bool allowed)
{
    m_typing = allowed;
    lineEdit()->setReadOnly(!allowed);
}

void SpinEdit::keyPressEvent(QKeyEvent *event)
{
    if (!m_typing) {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            stepBy(1);
            event->accept();
            return;
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            stepBy(-1);
            event->accept();
            return;
        default:
            // Tab, Enter and shortcuts still reach the window.
            if (event->text().isEmpty() || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
                QSpinBox::keyPressEvent(event);
            else
                event->accept();
            return;
        }
    }
    QSpinBox::keyPressEvent(event);
}
