#include "widgets/TitleBand.h"

#include <QLabel>

QLabel *makeTitleBand(const QString &text, QWidget *parent, int sizeStep)
{
    auto *band = new QLabel(text, parent);
    band->setObjectName(QStringLiteral("Title_lab"));
    band->setAlignment(Qt::AlignCenter);
    QFont f = band->font();
    f.setPointSize(f.pointSize() + sizeStep);
    f.setBold(true);
    band->setFont(f);
    band->setStyleSheet(QStringLiteral("color: #00307a; padding: 6px;"));
    return band;
}

QLabel *makeNameBand(QWidget *parent)
{
    auto *band = new QLabel(parent);
    band->setObjectName(QStringLiteral("Panel1"));
    band->setAlignment(Qt::AlignCenter);
    band->setMinimumHeight(34);
    band->setWordWrap(true);
    QFont f = band->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    band->setFont(f);
    band->setStyleSheet(QStringLiteral("QLabel { background: #2f6db5; color: white; border-radius: 3px; }"));
    return band;
}
