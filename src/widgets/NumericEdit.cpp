#include "widgets/NumericEdit.h"

#include "data/NumberFormat.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

NumericEdit::NumericEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setAllowPoint(true);
}

void NumericEdit::setAllowPoint(bool allow)
{
    m_allowPoint = allow;
    // The validator refuses typed keys and pasted texts alike.
    const QRegularExpression re(allow ? QStringLiteral("[0-9.]*") : QStringLiteral("[0-9]*"));
    auto *old = validator();
    setValidator(new QRegularExpressionValidator(re, this));
    if (old && old->parent() == this)
        delete old;
}

void NumericEdit::setAcceptButton(QAbstractButton *button)
{
    m_acceptButton = button;
}

double NumericEdit::value(bool *ok) const
{
    return nqb::parseNumber(text(), ok);
}

void NumericEdit::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QLineEdit::keyPressEvent(event);
    if (!enter)
        return;
    emit accepted();
    if (m_acceptButton && m_acceptButton->isEnabled()) {
        event->accept();
        m_acceptButton->click();
    }
}
