#pragma once
// The data grid's title row and the value helpers its parts share: titles on
// one or two lines ("upper|lower"), side-by-side titles sharing one upper
// cell. Internal to the grid (widgets/DataGrid.h is the interface).
#include "data/NumberFormat.h"

#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QVariant>

namespace datagrid {

inline bool isBlank(const QVariant &v)
{
    return !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty());
}

// A value as a number for sorting: numeric types, and texts that read as a number.
inline bool sortNumber(const QVariant &v, double *out)
{
    if (nqb::isNumberValue(v)) {
        *out = v.toDouble();
        return true;
    }
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const QString t = v.toString().trimmed();
        if (t.isEmpty())
            return false;
        *out = nqb::parseNumber(t, &ok);
        return ok;
    }
    return false;
}

// "upper|lower" -> both parts; false for a one-line title.
inline bool splitTitle(const QString &title, QString *upper, QString *lower)
{
    const int bar = title.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return false;
    *upper = title.left(bar);
    *lower = title.mid(bar + 1);
    return true;
}

} // namespace datagrid

// Column titles on one or two lines; columns whose titles share the upper line
// (and stand side by side) share one upper cell.
class TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {
        setSectionsClickable(true);
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignCenter);
        setTextElideMode(Qt::ElideRight);
    }

    QString titleOf(int logical) const
    {
        return model() ? model()->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
    }

    bool anyTwoLine() const
    {
        for (int i = 0; i < count(); ++i)
            if (!isSectionHidden(i) && titleOf(i).contains(QLatin1Char('|')))
                return true;
        return false;
    }

    int lineHeight() const
    {
        return fontMetrics().height() + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    }

    QSize sizeHint() const override
    {
        QSize s = QHeaderView::sizeHint();
        s.setHeight((anyTwoLine() ? 2 : 1) * lineHeight() + 2);
        return s;
    }

    QSize titleSize(int logical) const { return sectionSizeFromContents(logical); }

protected:
    QSize sectionSizeFromContents(int logical) const override
    {
        const QString t = titleOf(logical);
        QString upper, lower;
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        int w = textWidth(datagrid::splitTitle(t, &upper, &lower) ? (lower.trimmed().isEmpty() ? upper : lower) : t);
        // Room for the sort marker on either side keeps a centred title whole.
        w += 3 * margin + style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, this) + 6;
        return QSize(w, lineHeight());
    }

    void changeEvent(QEvent *e) override
    {
        if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
            m_widths.clear();
        QHeaderView::changeEvent(e);
    }

    void paintSection(QPainter *painter, const QRect &rect, int logical) const override
    {
        QString upper, lower;
        if (!rect.isValid())
            return;
        const bool twoLines = anyTwoLine();
        if (!twoLines || !datagrid::splitTitle(titleOf(logical), &upper, &lower)) {
            QHeaderView::paintSection(painter, rect, logical);
            return;
        }
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        initStyleOptionForIndex(&opt, logical);
        const int half = rect.height() / 2;

        // The run of neighbouring visible sections with the same upper line.
        const int v = visualIndex(logical);
        int first = v, last = v;
        for (int j = v - 1; j >= 0; --j) {
            const int l = logicalIndex(j);
            if (isSectionHidden(l))
                continue;
            QString u, w;
            if (!datagrid::splitTitle(titleOf(l), &u, &w) || u != upper)
                break;
            first = j;
        }
        for (int j = v + 1; j < count(); ++j) {
            const int l = logicalIndex(j);
            if (isSectionHidden(l))
                continue;
            QString u, w;
            if (!datagrid::splitTitle(titleOf(l), &u, &w) || u != upper)
                break;
            last = j;
        }
        const int left = sectionViewportPosition(logicalIndex(first));
        const int right = sectionViewportPosition(logicalIndex(last)) + sectionSize(logicalIndex(last));

        painter->save();
        QStyleOptionHeader low = opt;
        low.rect = QRect(rect.left(), rect.top() + half, rect.width(), rect.height() - half);
        low.text = lower.trimmed();
        low.textAlignment = Qt::AlignCenter;
        style()->drawControl(QStyle::CE_Header, &low, painter, this);

        QStyleOptionHeader up = opt;
        up.rect = QRect(left, rect.top(), right - left, half);
        up.text = upper.trimmed();
        up.textAlignment = Qt::AlignCenter;
        up.sortIndicator = QStyleOptionHeader::None;
        up.position = QStyleOptionHeader::OnlyOneSection;
        style()->drawControl(QStyle::CE_Header, &up, painter, this);
        painter->restore();
    }

private:
    // The width of a title's text in the header's font, measured once: the
    // header measures every title again after each change of its model.
    int textWidth(const QString &text) const
    {
        const auto it = m_widths.constFind(text);
        if (it != m_widths.constEnd())
            return *it;
        const int w = fontMetrics().horizontalAdvance(text);
        m_widths.insert(text, w);
        return w;
    }
    mutable QHash<QString, int> m_widths;
};

