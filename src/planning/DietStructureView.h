#pragma once
// Screen and paper helpers of the diet structure analysis: horizontal bars of
// figures against their ranges, and the analysis as a document for the print
// preview. The figures come from the core (planning/DietStructure.h).
#include "planning/DietStructure.h"

#include <QList>
#include <QWidget>

class QTextDocument;

// One horizontal bar per figure: the recommended range as a pale band, the
// figure as a bar in its marker's colour (grey when not marked), the value
// written after it. The scale runs to the larger of the figures and the
// ranges' upper ends (open ranges count with twice their lower end).
class RangeBars : public QWidget
{
    Q_OBJECT
public:
    explicit RangeBars(QWidget *parent = nullptr);
    void setRows(const QList<nqb::structure::RangeRow> &rows, const QString &unit);
    const QList<nqb::structure::RangeRow> &rows() const { return m_rows; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<nqb::structure::RangeRow> m_rows;
    QString m_unit;
};

namespace nqb::structure {
// The analysis as a document (reportHtml), owned by the caller.
QTextDocument *reportDocument(const Analysis &a, const QString &scopeText, QObject *parent = nullptr);
// Shows the document in the print preview (print, PDF).
void previewReport(QWidget *parent, const Analysis &a, const QString &scopeText);
} // namespace nqb::structure
