#pragma once
// SpinEdit: a whole-number field with spin buttons, a range and a step
// (for example the daily percentage 20 .. 150 in steps of 5).
//
// With typing switched off the value changes only by the buttons, the Up and
// Down keys and the wheel, one step at a time.
#include <QSpinBox>

class SpinEdit : public QSpinBox
{
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);
    SpinEdit(int minimum, int maximum, int step, int value, QWidget *parent = nullptr);

    void setTypingAllowed(bool allowed);
    bool typingAllowed() const { return m_typing; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_typing = true;
};
