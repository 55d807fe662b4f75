#pragma once
// CalcEdit: a NumericEdit with a drop-down calculator.
//
// The field keeps every rule of NumericEdit (digits and "." only, Enter clicks
// the accept button). The button at its right end, F4 or Alt+Down opens a
// small calculator below it, started with the field's number: digits, ".",
// + − × ÷ and = by mouse or keyboard ("*" and "/" stand for × and ÷, Enter for
// =, Backspace takes back a digit, Delete or C clears, Esc closes). "=" puts the
// result into the field and closes the calculator.
#include "widgets/NumericEdit.h"

#include <QChar>
#include <QFrame>
#include <QString>

class QLineEdit;

// The arithmetic of the calculator: a pocket calculator that works left to
// right (2 + 3 × 4 = 20), without widgets.
class Calculator
{
public:
    // Starts afresh showing number as the current result (an empty or
    // malformed text shows 0): an operator works on it, a digit replaces it.
    void start(const QString &number);
    // One key: '0'…'9', '.', '+', '-', '*', '/', '=', 'C' (clear) or '\b'
    // (backspace). Other keys are ignored.
    void press(QChar key);

    // What the display shows: the number being entered, else the last result.
    QString display() const;
    // The value of the display; false after a division by zero.
    bool hasValue() const { return !m_error; }
    double value() const;

private:
    double apply(double left, double right);

    double m_accumulator = 0;
    QChar m_operator;   // pending + - * /, or null
    QString m_entry;    // digits being entered
    bool m_error = false;
};

class CalcPopup;

class CalcEdit : public NumericEdit
{
    Q_OBJECT
public:
    explicit CalcEdit(QWidget *parent = nullptr);

    // Opens the calculator below the field, started with the field's number.
    void showCalculator();
    // The calculator (created when first opened), for the window's tests.
    QFrame *calculator() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    CalcPopup *m_popup = nullptr;
};

// The drop-down part of a CalcEdit.
class CalcPopup : public QFrame
{
    Q_OBJECT
public:
    explicit CalcPopup(QWidget *parent);

    void start(const QString &number);

signals:
    // "=" gave a result for the field.
    void resultChosen(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void press(QChar key);

    Calculator m_calc;
    QLineEdit *m_display = nullptr;
};
