#include "planning/ReportEngine.h"

#include <QFont>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace nqb::report {

namespace {

constexpr quint32 kBorder = 0xff808080;
constexpr quint32 kHeaderBack = 0xffdde6f0;
constexpr quint32 kGroupBack = 0xfff0f0e8;

QTextCharFormat charFormat(double pointSize, bool bold = false, quint32 colour = 0)
{
    QTextCharFormat f;
    f.setFontPointSize(pointSize);
    if (bold)
        f.setFontWeight(QFont::Bold);
    if (colour)
        f.setForeground(QColor::fromRgba(colour));
    return f;
}

QTextBlockFormat blockFormat(Qt::Alignment align, double top = 0, double bottom = 0)
{
    QTextBlockFormat b;
    b.setAlignment(align);
    b.setTopMargin(top);
    b.setBottomMargin(bottom);
    return b;
}

// Writes text into the cell, one block per line.
void writeCell(QTextTable *t, int row, int column, const QString &text, const QTextCharFormat &format,
               Qt::Alignment align, quint32 background = 0)
{
    QTextTableCell cell = t->cellAt(row, column);
    if (background) {
        QTextCharFormat cf = cell.format();
        cf.setBackground(QColor::fromRgba(background));
        cell.setFormat(cf);
    }
    QTextCursor c = cell.firstCursorPosition();
    c.setBlockFormat(blockFormat(align));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            c.insertBlock(blockFormat(align));
        c.insertText(lines[i], format);
    }
}

} // namespace

ReportWriter::ReportWriter(bool landscape)
    : m_doc(std::make_unique<QTextDocument>())
{
    QFont f = m_doc->defaultFont();
    f.setPointSizeF(9);
    m_doc->setDefaultFont(f);
    m_doc->setDocumentMargin(0);
    m_doc->setProperty("landscape", landscape);
    m_cursor = std::make_unique<QTextCursor>(m_doc.get());
}

ReportWriter::~ReportWriter() = default;

QTextCursor &ReportWriter::cursor()
{
    return *m_cursor;
}

void ReportWriter::title(const QString &title, const Header &header)
{
    QTextCursor &c = cursor();
    m_doc->setMetaInformation(QTextDocument::DocumentTitle, title);
    c.setBlockFormat(blockFormat(Qt::AlignHCenter, 0, 2));
    c.insertText(header.company, charFormat(12, true));
    c.insertBlock(blockFormat(Qt::AlignHCenter, 0, 8));
    c.insertText(title, charFormat(16, true));
    c.insertBlock(blockFormat(Qt::AlignLeft));
    c.insertText(QStringLiteral("配餐对象：") + header.diners, charFormat(9));
    c.insertBlock(blockFormat(Qt::AlignLeft, 0, 6));
    c.insertText(QStringLiteral("联系方式：") + header.tel + QStringLiteral("        打印日期：") + header.date,
                 charFormat(9));
}

void ReportWriter::heading(const QString &text)
{
    QTextCursor &c = cursor();
    c.insertBlock(blockFormat(Qt::AlignLeft, 10, 4));
    c.insertText(text, charFormat(11, true));
}

void ReportWriter::paragraph(const QString &text)
{
    QTextCursor &c = cursor();
    c.insertBlock(blockFormat(Qt::AlignLeft, 2, 2));
    c.insertText(text, charFormat(9));
}

void ReportWriter::table(const Table &table)
{
    const int columns = int(table.columns.size());
    if (columns == 0)
        return;
    const double size = 9.0 * table.fontPercent / 100.0;
    QTextTableFormat tf;
    tf.setBorder(1);
    tf.setBorderBrush(QColor::fromRgba(kBorder));
    tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    tf.setBorderCollapse(true);
    tf.setCellPadding(2);
    tf.setCellSpacing(0);
    tf.setHeaderRowCount(1);
    tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tf.setTopMargin(4);
    if (table.firstColumnPercent > 0) {
        QList<QTextLength> widths{QTextLength(QTextLength::PercentageLength, table.firstColumnPercent)};
        for (int col = 1; col < columns; ++col)
            widths << QTextLength(QTextLength::VariableLength, 0);
        tf.setColumnWidthConstraints(widths);
    }

    QTextCursor &c = cursor();
    c.insertBlock(blockFormat(Qt::AlignLeft));
    QTextTable *t = c.insertTable(int(table.rows.size()) + 1, columns, tf);
    for (int col = 0; col < columns; ++col)
        writeCell(t, 0, col, table.columns[col], charFormat(size, true), Qt::AlignCenter, kHeaderBack);
    for (int r = 0; r < table.rows.size(); ++r) {
        const Row &row = table.rows[r];
        const int at = r + 1;
        if (row.kind == Row::Kind::Group) {
            t->mergeCells(at, 0, 1, columns);
            writeCell(t, at, 0, row.cells.value(0), charFormat(size, true), Qt::AlignLeft, kGroupBack);
            continue;
        }
        for (int col = 0; col < columns && col < row.cells.size(); ++col) {
            const quint32 colour = row.colours.value(col, 0);
            const bool text = col < table.textColumns || table.moreTextColumns.contains(col);
            const Qt::Alignment align = text ? Qt::AlignLeft : Qt::AlignRight;
            writeCell(t, at, col, row.cells[col], charFormat(size, row.kind == Row::Kind::Total, colour), align);
        }
    }
    // Back below the table for whatever follows.
    c = m_doc->rootFrame()->lastCursorPosition();
}

void ReportWriter::image(const QImage &image, const QString &name, int widthPixels)
{
    const QUrl url(QStringLiteral("report://") + name);
    m_doc->addResource(QTextDocument::ImageResource, url, image);
    QTextImageFormat f;
    f.setName(url.toString());
    f.setWidth(widthPixels);
    if (image.width() > 0)
        f.setHeight(double(widthPixels) * image.height() / image.width());
    QTextCursor &c = cursor();
    c.insertBlock(blockFormat(Qt::AlignHCenter, 6, 0));
    c.insertImage(f);
}

std::unique_ptr<QTextDocument> ReportWriter::take()
{
    m_cursor.reset();
    return std::move(m_doc);
}

quint32 printColour(eval::Marker marker)
{
    if (marker == eval::Marker::Ok)
        return 0xff008000;
    return eval::markerColour(marker).rgb();
}

QImage chartImage(const QList<eval::Bar> &bars, const QString &title, const QSize &size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f;
    f.setPixelSize(std::max(12, size.height() / 26));
    p.setFont(f);
    const QFontMetrics fm(f);

    const int left = fm.horizontalAdvance(QStringLiteral("1000%")) + 12;
    const int right = 10;
    int top = fm.height() + 10;
    if (!title.isEmpty()) {
        QFont tf = f;
        tf.setBold(true);
        tf.setPixelSize(f.pixelSize() * 5 / 4);
        p.setFont(tf);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 4, size.width(), QFontMetrics(tf).height()), Qt::AlignLeft | Qt::AlignTop, title);
        p.setFont(f);
        top += QFontMetrics(tf).height() + 6;
    }
    const int bottom = fm.height() + 14;
    const QRect plot(left, top, size.width() - left - right, size.height() - top - bottom);

    double maxValue = 100;
    for (const auto &b : bars) {
        if (std::isfinite(b.value))
            maxValue = std::max(maxValue, b.value);
    }
    // Axis in steps of 50, 100, 200 or 500 % (at most about eight lines) up to
    // the next step above the tallest bar.
    double step = 50;
    for (double s : {50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0}) {
        step = s;
        if (maxValue * 1.05 / s <= 8)
            break;
    }
    const double axisMax = std::ceil(maxValue * 1.05 / step) * step;
    auto yOf = [&](double v) { return plot.bottom() - int(std::round(v / axisMax * plot.height())); };

    p.setPen(QColor(0xc8, 0xc8, 0xc8));
    for (double v = 0; v <= axisMax + 0.5; v += step) {
        const int y = yOf(v);
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(0, y - fm.height() / 2, left - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(int(v)) + QLatin1Char('%'));
        p.setPen(QColor(0xc8, 0xc8, 0xc8));
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());

    const int n = std::max<int>(1, int(bars.size()));
    const double slot = double(plot.width()) / n;
    for (int i = 0; i < bars.size(); ++i) {
        const auto &b = bars[i];
        const int x = plot.left() + int(i * slot + slot * 0.18);
        const int w = std::max(2, int(slot * 0.64));
        const QRect labelRect(plot.left() + int(i * slot), plot.bottom() + 4, int(slot), fm.height() + 6);
        p.setPen(Qt::black);
        p.drawText(labelRect, Qt::AlignHCenter | Qt::AlignTop, b.label);
        if (!std::isfinite(b.value))
            continue;
        const int y = yOf(std::max(0.0, b.value));
        const QColor colour = QColor::fromRgba(b.colour.rgb());
        p.fillRect(QRect(x, y, w, plot.bottom() - y), colour);
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.drawRect(QRect(x, y, w, plot.bottom() - y));
        p.setPen(Qt::black);
        p.drawText(QRect(plot.left() + int(i * slot) - 10, y - fm.height() - 2, int(slot) + 20, fm.height()),
                   Qt::AlignHCenter | Qt::AlignBottom, QString::number(b.value, 'g', 15));
    }
    QPen dashed(QColor(0x60, 0x60, 0x60), 1.5, Qt::DashLine);
    p.setPen(dashed);
    p.drawLine(plot.left(), yOf(100), plot.right(), yOf(100));
    p.end();
    return img;
}

QList<QList<QStringList>> tablesOf(const QTextDocument &doc)
{
    QList<QList<QStringList>> out;
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *t = qobject_cast<QTextTable *>(frame);
        if (!t)
            continue;
        QList<QStringList> rows;
        for (int r = 0; r < t->rows(); ++r) {
            QStringList cells;
            for (int col = 0; col < t->columns(); ++col) {
                const QTextTableCell cell = t->cellAt(r, col);
                if (cell.column() != col) // covered by a merged cell
                    continue;
                QTextCursor c(cell.firstCursorPosition());
                c.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                cells << c.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
            }
            rows << cells;
        }
        out << rows;
    }
    return out;
}

} // namespace nqb::report
