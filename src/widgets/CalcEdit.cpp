#include "widgets/CalcEdit.h"

#include "data/NumberFormat.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <cmath>

namespace {

constexpr int kMaxDigits = 15;

} // namespace

// ---- Calculator -------------------------------------------------------------

void Calculator::start(const QString &number)
{
    m_accumulator = 0;
    m_operator = QChar();
    m_error = false;
    // The field's number is shown as a result: an operator works on it, a
    // digit starts a new number.
    bool ok = false;
    const double v = nqb::parseNumber(number, &ok);
    m_accumulator = ok && std::isfinite(v) ? v : 0;
    m_entry.clear();
}

double Calculator::apply(double left, double right)
{
    double r = right;
    switch (m_operator.unicode()) {
    case '+': r = left + right; break;
    case '-': r = left - right; break;
    case '*': r = left * right; break;
    case '/':
        if (right == 0) {
            m_error = true;
            return 0;
        }
        r = left / right;
        break;
    default: break;
    }
    if (!std::isfinite(r)) {
        m_error = true;
        return 0;
    }
    return r;
}

void Calculator::press(QChar key)
{
    const char16_t k = key.unicode();
    if (k == 'C' || k == 'c') {
        start(QString());
        return;
    }
    if (m_error) {
        // After an error only a fresh number starts again.
        if (!key.isDigit() && k != '.')
            return;
        start(QString());
    }
    if ((k >= '0' && k <= '9') || k == '.') {
        if (k == '.' && m_entry.contains(QLatin1Char('.')))
            return;
        if (m_entry.size() >= kMaxDigits)
            return;
        if (m_entry == QLatin1String("0") && k != '.')
            m_entry.clear();
        m_entry += (k == '.' && m_entry.isEmpty()) ? QStringLiteral("0.") : QString(key);
        return;
    }
    if (k == '\b') {
        m_entry.chop(1);
        return;
    }
    if (k == '+' || k == '-' || k == '*' || k == '/' || k == '=') {
        if (!m_entry.isEmpty()) {
            const double entered = nqb::parseNumber(m_entry);
            m_accumulator = m_operator.isNull() ? entered : apply(m_accumulator, entered);
            m_entry.clear();
        }
        m_operator = k == '=' ? QChar() : key;
    }
}

QString Calculator::display() const
{
    if (m_error)
        return QStringLiteral("错误");
    return m_entry.isEmpty() ? nqb::fmtG(m_accumulator) : m_entry;
}

double Calculator::value() const
{
    if (m_error)
        return 0;
    return m_entry.isEmpty() ? m_accumulator : nqb::parseNumber(m_entry);
}

// ---- CalcPopup --------------------------------------------------------------

CalcPopup::CalcPopup(QWidget *parent)
    : QFrame(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("CalcPopup"));
    setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(2);
    m_display = new QLineEdit(this);
    m_display->setObjectName(QStringLiteral("CalcDisplay"));
    m_display->setReadOnly(true);
    m_display->setAlignment(Qt::AlignRight);
    m_display->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(m_display, 0, 0, 1, 4);

    struct Key {
        const char *caption;
        char key;
        const char *name;
        int row, column;
    };
    static const Key keys[] = {
        {"7", '7', "Calc7_btn", 1, 0},  {"8", '8', "Calc8_btn", 1, 1},      {"9", '9', "Calc9_btn", 1, 2},
        {"÷", '/', "CalcDiv_btn", 1, 3}, {"4", '4', "Calc4_btn", 2, 0},      {"5", '5', "Calc5_btn", 2, 1},
        {"6", '6', "Calc6_btn", 2, 2},  {"×", '*', "CalcMul_btn", 2, 3},    {"1", '1', "Calc1_btn", 3, 0},
        {"2", '2', "Calc2_btn", 3, 1},  {"3", '3', "Calc3_btn", 3, 2},      {"−", '-', "CalcSub_btn", 3, 3},
        {"0", '0', "Calc0_btn", 4, 0},  {".", '.', "CalcPoint_btn", 4, 1},  {"=", '=', "CalcEq_btn", 4, 2},
        {"+", '+', "CalcAdd_btn", 4, 3}, {"C", 'C', "CalcClear_btn", 5, 0}, {"←", '\b', "CalcBack_btn", 5, 2},
    };
    for (const Key &k : keys) {
        auto *b = new QToolButton(this);
        b->setText(QString::fromUtf8(k.caption));
        b->setObjectName(QString::fromLatin1(k.name));
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumSize(30, 26);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        const QChar key = QChar::fromLatin1(k.key);
        connect(b, &QToolButton::clicked, this, [this, key] { press(key); });
        grid->addWidget(b, k.row, k.column, 1, k.row == 5 ? 2 : 1);
    }
}

void CalcPopup::start(const QString &number)
{
    m_calc.start(number);
    m_display->setText(m_calc.display());
}

void CalcPopup::press(QChar key)
{
    m_calc.press(key);
    m_display->setText(m_calc.display());
    if (key == QLatin1Char('=') && m_calc.hasValue()) {
        emit resultChosen(nqb::fmtG(m_calc.value()));
        hide();
    }
}

void CalcPopup::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        hide();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        press(QLatin1Char('='));
        return;
    case Qt::Key_Backspace:
        press(QLatin1Char('\b'));
        return;
    case Qt::Key_Delete:
        press(QLatin1Char('C'));
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() == 1) {
        QChar c = text.at(0);
        if (c == QChar(0x00D7))
            c = QLatin1Char('*');
        else if (c == QChar(0x00F7))
            c = QLatin1Char('/');
        else if (c == QChar(0x2212))
            c = QLatin1Char('-');
        if (QStringLiteral("0123456789.+-*/=Cc").contains(c)) {
            press(c);
            return;
        }
    }
    QFrame::keyPressEvent(event);
}

// ---- CalcEdit ---------------------------------------------------------------

CalcEdit::CalcEdit(QWidget *parent)
    : NumericEdit(parent)
{
    QAction *open = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    open->setObjectName(QStringLiteral("CalcOpen_act"));
    open->setToolTip(QStringLiteral("计算器 (F4)"));
    connect(open, &QAction::triggered, this, &CalcEdit::showCalculator);
}

QFrame *CalcEdit::calculator() const
{
    return m_popup;
}

void CalcEdit::showCalculator()
{
    if (!m_popup) {
        m_popup = new CalcPopup(this);
        connect(m_popup, &CalcPopup::resultChosen, this, [this](const QString &text) {
            setText(text);
            setFocus();
        });
    }
    m_popup->start(text());
    m_popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        at.setX(qBound(area.left(), at.x(), qMax(area.left(), area.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
    m_popup->setFocus();
}

void CalcEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4
        || (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        showCalculator();
        event->accept();
        return;
    }
    NumericEdit::keyPressEvent(event);
}
