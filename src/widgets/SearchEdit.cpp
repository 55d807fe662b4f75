#include "widgets/SearchEdit.h"

#include <QKeyEvent>

SearchEdit::SearchEdit(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, &SearchEdit::toCapitals);
    connect(this, &QLineEdit::textChanged, this, &SearchEdit::updateLook);
}

SearchEdit::SearchEdit(const QString &prompt, QWidget *parent)
    : SearchEdit(parent)
{
    setPrompt(prompt);
}

void SearchEdit::setPrompt(const QString &prompt)
{
    m_prompt = prompt;
    showPrompt();
}

void SearchEdit::showPrompt()
{
    setText(m_prompt);
    updateLook();
}

bool SearchEdit::isShowingPrompt() const
{
    return !m_prompt.isEmpty() && text() == m_prompt;
}

QString SearchEdit::searchText() const
{
    return isShowingPrompt() ? QString() : text().trimmed();
}

void SearchEdit::toCapitals(const QString &text)
{
    const QString upper = text.toUpper();
    if (upper == text)
        return;
    const int pos = cursorPosition();
    setText(upper);
    setCursorPosition(pos);
}

void SearchEdit::updateLook()
{
    QPalette p = palette();
    p.setColor(QPalette::Text, isShowingPrompt() ? QColor(Qt::gray) : QPalette().color(QPalette::Text));
    setPalette(p);
}

void SearchEdit::mousePressEvent(QMouseEvent *event)
{
    if (isShowingPrompt() || m_clearOnClick)
        clear();
    QLineEdit::mousePressEvent(event);
}

void SearchEdit::focusInEvent(QFocusEvent *event)
{
    const Qt::FocusReason r = event->reason();
    if (isShowingPrompt() && (r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason))
        clear();
    QLineEdit::focusInEvent(event);
}

void SearchEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QLineEdit::keyPressEvent(event);
        event->accept();
        emit searchRequested(searchText());
        return;
    }
    if (isShowingPrompt() && !event->text().isEmpty() && event->text().at(0).isPrint())
        clear();
    QLineEdit::keyPressEvent(event);
}
