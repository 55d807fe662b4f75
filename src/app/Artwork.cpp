#include "app/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace artwork {

namespace {

// Pictograms are drawn in a 100 x 100 box centred on the card.
void drawPictogram(QPainter &p, Pictogram kind)
{
    const QColor white(255, 255, 255);
    const QColor ink(255, 255, 255, 235);
    QPen line(ink, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);

    switch (kind) {
    case Pictogram::Clipboard: {
        p.setBrush(Qt::NoBrush);
        p.setPen(line);
        p.drawRoundedRect(QRectF(22, 16, 56, 72), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawRoundedRect(QRectF(36, 9, 28, 14), 4, 4);
        p.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) {
            const qreal y = 38 + i * 15;
            p.drawLine(QPointF(33, y), QPointF(38, y + 5));
            p.drawLine(QPointF(38, y + 5), QPointF(45, y - 4));
            p.drawLine(QPointF(52, y), QPointF(68, y));
        }
        break;
    }
    case Pictogram::Bowl: {
        QPainterPath bowl;
        bowl.moveTo(14, 52);
        bowl.lineTo(86, 52);
        bowl.cubicTo(84, 74, 68, 84, 50, 84);
        bowl.cubicTo(32, 84, 16, 74, 14, 52);
        p.drawPath(bowl);
        p.drawRoundedRect(QRectF(38, 84, 24, 6), 3, 3);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) {
            const qreal x = 36 + i * 14;
            QPainterPath steam;
            steam.moveTo(x, 44);
            steam.cubicTo(x - 6, 36, x + 6, 30, x, 20);
            p.drawPath(steam);
        }
        break;
    }
    case Pictogram::Apple: {
        QPainterPath apple;
        apple.moveTo(50, 34);
        apple.cubicTo(36, 22, 14, 30, 16, 54);
        apple.cubicTo(18, 76, 36, 94, 50, 86);
        apple.cubicTo(64, 94, 82, 76, 84, 54);
        apple.cubicTo(86, 30, 64, 22, 50, 34);
        p.drawPath(apple);
        p.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(50, 32), QPointF(54, 14));
        p.setPen(Qt::NoPen);
        QPainterPath leaf;
        leaf.moveTo(56, 22);
        leaf.cubicTo(62, 10, 76, 10, 80, 14);
        leaf.cubicTo(74, 24, 62, 26, 56, 22);
        p.drawPath(leaf);
        break;
    }
    case Pictogram::Flask: {
        QPainterPath flask;
        flask.moveTo(40, 14);
        flask.lineTo(60, 14);
        flask.lineTo(60, 40);
        flask.lineTo(82, 80);
        flask.quadTo(86, 90, 76, 90);
        flask.lineTo(24, 90);
        flask.quadTo(14, 90, 18, 80);
        flask.lineTo(40, 40);
        flask.closeSubpath();
        p.setBrush(Qt::NoBrush);
        p.setPen(line);
        p.drawPath(flask);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        QPainterPath liquid;
        liquid.moveTo(29, 64);
        liquid.lineTo(71, 64);
        liquid.lineTo(78, 78);
        liquid.quadTo(80, 84, 74, 84);
        liquid.lineTo(26, 84);
        liquid.quadTo(20, 84, 22, 78);
        liquid.closeSubpath();
        p.drawPath(liquid);
        p.drawEllipse(QPointF(46, 54), 3, 3);
        p.drawEllipse(QPointF(56, 46), 2.5, 2.5);
        break;
    }
    case Pictogram::Book: {
        p.setBrush(Qt::NoBrush);
        p.setPen(line);
        QPainterPath left;
        left.moveTo(50, 26);
        left.cubicTo(40, 18, 24, 18, 12, 22);
        left.lineTo(12, 80);
        left.cubicTo(24, 76, 40, 76, 50, 84);
        QPainterPath right;
        right.moveTo(50, 26);
        right.cubicTo(60, 18, 76, 18, 88, 22);
        right.lineTo(88, 80);
        right.cubicTo(76, 76, 60, 76, 50, 84);
        p.drawPath(left);
        p.drawPath(right);
        p.drawLine(QPointF(50, 26), QPointF(50, 84));
        p.setPen(QPen(ink, 4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) {
            const qreal y = 38 + i * 12;
            p.drawLine(QPointF(22, y), QPointF(40, y + 2));
            p.drawLine(QPointF(60, y + 2), QPointF(78, y));
        }
        break;
    }
    case Pictogram::Leaf: {
        QPainterPath leaf;
        leaf.moveTo(20, 84);
        leaf.cubicTo(14, 44, 44, 16, 86, 14);
        leaf.cubicTo(86, 58, 60, 88, 20, 84);
        p.drawPath(leaf);
        p.setPen(QPen(QColor(0, 0, 0, 60), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24, 80), QPointF(72, 30));
        p.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 84), QPointF(12, 92));
        break;
    }
    case Pictogram::BarChart: {
        p.drawRoundedRect(QRectF(18, 58, 14, 28), 2, 2);
        p.drawRoundedRect(QRectF(38, 38, 14, 48), 2, 2);
        p.drawRoundedRect(QRectF(58, 22, 14, 64), 2, 2);
        p.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 90), QPointF(90, 90));
        p.drawLine(QPointF(80, 14), QPointF(80, 86));
        break;
    }
    case Pictogram::Heart: {
        QPainterPath heart;
        heart.moveTo(50, 88);
        heart.cubicTo(20, 66, 10, 50, 12, 36);
        heart.cubicTo(14, 18, 40, 12, 50, 32);
        heart.cubicTo(60, 12, 86, 18, 88, 36);
        heart.cubicTo(90, 50, 80, 66, 50, 88);
        p.drawPath(heart);
        p.setPen(QPen(QColor(0, 0, 0, 70), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath pulse;
        pulse.moveTo(22, 52);
        pulse.lineTo(38, 52);
        pulse.lineTo(44, 40);
        pulse.lineTo(52, 64);
        pulse.lineTo(58, 48);
        pulse.lineTo(78, 48);
        p.drawPath(pulse);
        break;
    }
    case Pictogram::Database: {
        p.setBrush(Qt::NoBrush);
        p.setPen(line);
        p.drawEllipse(QRectF(20, 12, 60, 20));
        p.drawLine(QPointF(20, 22), QPointF(20, 78));
        p.drawLine(QPointF(80, 22), QPointF(80, 78));
        p.drawArc(QRectF(20, 68, 60, 20), 180 * 16, 180 * 16);
        p.drawArc(QRectF(20, 32, 60, 20), 180 * 16, 180 * 16);
        p.drawArc(QRectF(20, 50, 60, 20), 180 * 16, 180 * 16);
        break;
    }
    case Pictogram::Gear: {
        QPainterPath gear;
        const QPointF c(50, 50);
        const int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            const qreal a0 = (i * M_PI) / teeth - M_PI / (teeth * 2.6);
            const qreal a1 = (i * M_PI) / teeth + M_PI / (teeth * 2.6);
            const qreal r = (i % 2 == 0) ? 40 : 30;
            const QPointF p0 = c + QPointF(qCos(a0) * r, qSin(a0) * r);
            const QPointF p1 = c + QPointF(qCos(a1) * r, qSin(a1) * r);
            if (i == 0)
                gear.moveTo(p0);
            else
                gear.lineTo(p0);
            gear.lineTo(p1);
        }
        gear.closeSubpath();
        QPainterPath hole;
        hole.addEllipse(c, 13, 13);
        p.drawPath(gear.subtracted(hole));
        break;
    }
    case Pictogram::Question: {
        p.setBrush(Qt::NoBrush);
        p.setPen(line);
        p.drawEllipse(QRectF(12, 12, 76, 76));
        QFont f;
        f.setPixelSize(54);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(12, 10, 76, 76), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
}

void drawCard(QPainter &p, const QRectF &r, const QColor &colour, qreal radius)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, colour.lighter(135));
    g.setColorAt(1.0, colour.darker(115));
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    // A soft sheen fading out towards the middle.
    QLinearGradient sheen(r.topLeft(), r.bottomLeft());
    sheen.setColorAt(0.0, QColor(255, 255, 255, 90));
    sheen.setColorAt(0.55, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
}

} // namespace

QPixmap tilePicture(Pictogram kind, const QColor &colour, QSize size, const QString &badge)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card(0, 0, size.width(), size.height());
    drawCard(p, card, colour, qMin(size.width(), size.height()) * 0.12);

    const qreal box = qMin(size.width(), size.height()) * 0.72;
    p.save();
    p.translate((size.width() - box) / 2, (size.height() - box) / 2);
    p.scale(box / 100.0, box / 100.0);
    drawPictogram(p, kind);
    p.restore();

    if (!badge.isEmpty()) {
        const qreal d = qMin(size.width(), size.height()) * 0.3;
        const QRectF b(size.width() - d - d * 0.18, size.height() - d - d * 0.18, d, d);
        p.setPen(QPen(QColor(255, 255, 255), 2));
        p.setBrush(colour.darker(160));
        p.drawEllipse(b);
        QFont f;
        f.setPixelSize(int(d * 0.58));
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(b, Qt::AlignCenter, badge);
    }
    return pm;
}

QIcon toolbarIcon(Pictogram kind, const QColor &colour)
{
    return QIcon(tilePicture(kind, colour, QSize(48, 48)));
}

} // namespace artwork
