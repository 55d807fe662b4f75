#include "app/ButFrameUnit.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

TButFrame::TButFrame(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("ButFrame"));
    setFrameShape(QFrame::NoFrame);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setScaledContents(true);
    m_image->setCursor(Qt::PointingHandCursor);
    m_image->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_image->installEventFilter(this);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setAlignment(Qt::AlignCenter);
    QFont f = m_label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.25);
    m_label->setFont(f);
    QPalette pal = m_label->palette();
    // Dark blue while usable, grey on a disabled tile.
    pal.setColor(QPalette::Active, QPalette::WindowText, QColor(Qt::darkBlue));
    pal.setColor(QPalette::Inactive, QPalette::WindowText, QColor(Qt::darkBlue));
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x88, 0x96));
    m_label->setPalette(pal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_image, 1);
    layout->addWidget(m_label, 0);
}

TButFrame::TButFrame(const QPixmap &picture, const QString &caption, QWidget *parent)
    : TButFrame(parent)
{
    setPicture(picture);
    setCaption(caption);
}

void TButFrame::setPicture(const QPixmap &picture)
{
    m_image->setPixmap(picture);
}

void TButFrame::setCaption(const QString &caption)
{
    m_label->setText(caption);
}

QString TButFrame::caption() const
{
    return m_label->text();
}

bool TButFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_image)
        return QFrame::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (m_pressButton == Qt::NoButton) {
            m_pressButton = me->button();
            move(pos() + QPoint(kPressOffset, kPressOffset));
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == m_pressButton) {
            // The picture has moved with the tile; the release position is
            // relative to where it is now.
            const bool over = m_image->rect().contains(me->position().toPoint());
            release(over && me->button() == Qt::LeftButton);
        }
        return true;
    }
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

void TButFrame::changeEvent(QEvent *event)
{
    // A tile disabled or hidden while held down returns to its place.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        release(false);
    QFrame::changeEvent(event);
}

void TButFrame::hideEvent(QHideEvent *event)
{
    release(false);
    QFrame::hideEvent(event);
}

void TButFrame::release(bool emitClick)
{
    if (m_pressButton == Qt::NoButton)
        return;
    m_pressButton = Qt::NoButton;
    move(pos() - QPoint(kPressOffset, kPressOffset));
    if (emitClick)
        emit clicked();
}
