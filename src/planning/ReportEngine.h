#pragma once
// The report engine: a printed report is a QTextDocument built from data with
// a ReportWriter: a title, the header naming the organisation, the diners and
// the date, headings, paragraphs, tables and pictures (the bar chart as an
// image resource of the document). The report window shows the document in a
// print preview; tests read its text.
//
// This is the one part of the core that uses Qt Gui (text documents and
// images), never widgets.
#include "planning/Evaluation.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QTextCursor;
class QTextDocument;

namespace nqb::report {

// Who a report is for and who prints it; the lines of every report's header.
struct Header {
    QString company; // CmpInfo
    QString tel;     // Tel
    QString diners;  // the profile in one line ("个人：男，18 ～ 50 岁，体重 65 kg")
    QString date;    // the date printed ("2026-12-09")
};

// A row of a report table.
struct Row {
    enum class Kind {
        Item,  // an ordinary line
        Group, // one cell across the whole table: a meal slot, a food group
        Total, // a summary line in bold
    };
    QStringList cells;
    Kind kind = Kind::Item;
    // Optional text colour per cell (0 = the default), as 0xffRRGGBB.
    QList<quint32> colours;

    static Row item(const QStringList &cells) { return {cells, Kind::Item, {}}; }
    static Row group(const QString &text) { return {{text}, Kind::Group, {}}; }
    static Row total(const QStringList &cells) { return {cells, Kind::Total, {}}; }
};

struct Table {
    QStringList columns;   // header texts; "\n" breaks a title into two lines
    QList<Row> rows;
    int textColumns = 1;   // the leading columns written as text (left aligned); the rest are numbers
    QList<int> moreTextColumns; // further columns written as text (the names of a menu)
    int fontPercent = 100; // type size of the cells relative to the document's
    int firstColumnPercent = 0; // width of the first column in % of the table; 0 = as its texts need
};

// Writes a report into a new document. The document's property "landscape"
// tells the preview to lay the pages out across.
class ReportWriter
{
public:
    explicit ReportWriter(bool landscape = false);
    ~ReportWriter();
    ReportWriter(const ReportWriter &) = delete;
    ReportWriter &operator=(const ReportWriter &) = delete;

    // The title, centred in large type, then the header lines.
    void title(const QString &title, const Header &header);
    void heading(const QString &text);
    void paragraph(const QString &text);
    void table(const Table &table);
    // A picture stored in the document under name ("chart/MON") and shown at
    // widthPixels (document units).
    void image(const QImage &image, const QString &name, int widthPixels);

    // The finished document (the writer is empty afterwards).
    std::unique_ptr<QTextDocument> take();

private:
    QTextCursor &cursor();
    std::unique_ptr<QTextDocument> m_doc;
    std::unique_ptr<QTextCursor> m_cursor;
};

// The bar chart of an evaluation as a picture: the title above, each bar in
// its marker colour with its value above and its label below, and a dashed
// line at 100 %. (The title is part of the picture, so that it never stays
// behind at the foot of a page.)
QImage chartImage(const QList<eval::Bar> &bars, const QString &title = QString(),
                  const QSize &size = QSize(1400, 460));

// The text of an evaluation marker as printed and its colour on paper (the
// screen's lime is too pale to read on white, so "ok" prints in dark green).
quint32 printColour(eval::Marker marker);

// The cell texts of every table in a document, table by table, row by row
// (used by the tests and by anything that wants a report's figures back).
QList<QList<QStringList>> tablesOf(const QTextDocument &doc);

} // namespace nqb::report
