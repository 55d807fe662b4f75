#pragma once
// The print preview of a report document: zoom, page setup, print, and
// "另存为PDF". The preview owns the document it shows and lays it out on the
// pages of its printer (A4, across for a document whose property "landscape"
// is set).
#include <QPrintPreviewDialog>
#include <memory>

class QTextDocument;

class ReportPreview : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    ReportPreview(std::unique_ptr<QTextDocument> document, QWidget *parent = nullptr);
    ~ReportPreview() override;

    QTextDocument *document() const { return m_document.get(); }

    // Writes the document as a PDF file (replaced atomically). Returns an empty
    // string or the reason it could not be written.
    QString savePdf(const QString &path) const;

    // Shows the document modally in a preview.
    static void run(QWidget *parent, std::unique_ptr<QTextDocument> document);

private:
    void askAndSavePdf();

    std::unique_ptr<QTextDocument> m_document;
};
