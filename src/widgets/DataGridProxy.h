#pragma once
// The data grid's sorting proxy (titles from the grid's settings, numbers in
// general format and compared as numbers) and its number editor. Internal to
// the grid (widgets/DataGrid.h is the interface).
#include "widgets/DataGrid.h"
#include "widgets/DataGridHeader.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>

// Sorting proxy: titles from the grid's settings, numbers shown in general
// format, numbers compared as numbers.
class DataGridProxy : public QSortFilterProxyModel
{
public:
    explicit DataGridProxy(DataGrid *grid)
        : QSortFilterProxyModel(grid)
        , m_grid(grid)
    {
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_grid->title(section);
        return QSortFilterProxyModel::headerData(section, orientation, role);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        switch (role) {
        case Qt::DisplayRole: {
            const QVariant v = QSortFilterProxyModel::data(index, role);
            if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
                if (v.isNull())
                    return QString();
                const double d = v.toDouble();
                return std::isfinite(d) ? nqb::fmtG(d) : QString();
            }
            return v;
        }
        case Qt::ForegroundRole: {
            const auto *cfg = m_grid->configOf(index.column());
            if (cfg && cfg->foreground.isValid())
                return cfg->foreground;
            break;
        }
        case Qt::FontRole: {
            const auto *cfg = m_grid->configOf(index.column());
            if (cfg && cfg->bold) {
                QVariant base = QSortFilterProxyModel::data(index, role);
                QFont f = base.isValid() ? base.value<QFont>() : m_grid->font();
                f.setBold(true);
                return f;
            }
            break;
        }
        case Qt::TextAlignmentRole: {
            const auto *cfg = m_grid->configOf(index.column());
            if (cfg && cfg->alignment)
                return QVariant::fromValue(cfg->alignment);
            const QVariant base = QSortFilterProxyModel::data(index, role);
            if (base.isValid())
                return base;
            if (nqb::isNumberValue(QSortFilterProxyModel::data(index, Qt::EditRole)))
                return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        }
        default:
            break;
        }
        return QSortFilterProxyModel::data(index, role);
    }

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        const QVariant a = left.data(Qt::EditRole);
        const QVariant b = right.data(Qt::EditRole);
        const bool aBlank = datagrid::isBlank(a), bBlank = datagrid::isBlank(b);
        if (aBlank || bBlank) {
            // Descending order places b before a when a < b; so for blanks
            // after every value a blank is "smaller" only when descending.
            if (m_grid->m_blanksLast && sortOrder() == Qt::AscendingOrder)
                return !aBlank && bBlank;
            return aBlank && !bBlank;
        }
        double x = 0, y = 0;
        const bool an = datagrid::sortNumber(a, &x), bn = datagrid::sortNumber(b, &y);
        if (an && bn)
            return x < y;
        if (an != bn)
            return an; // numbers before texts
        return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
    }

private:
    DataGrid *m_grid;
};

// Editing numbers: the editor takes only digits, "-" and "." and the value is
// written back as a number; a text that is not a number leaves the cell as it was.
class DataGridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (!nqb::isNumberValue(index.data(Qt::EditRole)))
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *e = new QLineEdit(parent);
        e->setFrame(false);
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9.]*")), e));
        return e;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *e = qobject_cast<QLineEdit *>(editor);
        const QVariant v = index.data(Qt::EditRole);
        if (e && nqb::isNumberValue(v)) {
            e->setText(nqb::fmtG(v.toDouble()));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *e = qobject_cast<QLineEdit *>(editor);
        const QVariant old = index.data(Qt::EditRole);
        if (e && nqb::isNumberValue(old)) {
            bool ok = false;
            const QString t = e->text().trimmed();
            const double v = nqb::parseNumber(t, &ok);
            if (!ok)
                return;
            model->setData(index, t.isEmpty() ? QVariant(old.metaType()) : QVariant(v), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }
};

