#pragma once
// NumericEdit: a one-line field for amounts (weights, heights, persons).
//
// Only digits and "." can be typed or pasted (with setAllowPoint(false) only
// digits); other characters are dropped, editing keys work as usual. A text
// set by the program is not filtered. Enter emits accepted(); with an accept
// button set, Enter clicks that button instead of the dialog's default button.
// The text may still not be a number ("1..2"); value() reports that.
#include <QLineEdit>
#include <QAbstractButton>
#include <QPointer>

class NumericEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit NumericEdit(QWidget *parent = nullptr);

    void setAllowPoint(bool allow);
    bool allowPoint() const { return m_allowPoint; }

    // Enter clicks button (not owned); nullptr lets Enter reach the dialog.
    void setAcceptButton(QAbstractButton *button);
    QAbstractButton *acceptButton() const { return m_acceptButton; }

    // The text as a number; an empty text is 0, a malformed one gives ok = false.
    double value(bool *ok = nullptr) const;

signals:
    void accepted();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_allowPoint = true;
    QPointer<QAbstractButton> m_acceptButton;
};
