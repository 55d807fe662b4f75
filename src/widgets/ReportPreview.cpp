#include "widgets/ReportPreview.h"

#include "data/Paths.h"
#include "widgets/Prompt.h"

#include <QAction>
#include <QDir>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocument>
#include <QToolBar>

namespace {

// A4 without margins of its own: the document is printed with the margins of
// 2 cm and the page numbers that QTextDocument::print gives a document that
// has no page size of its own.
QPageLayout layoutFor(const QTextDocument &doc)
{
    const bool landscape = doc.property("landscape").toBool();
    return QPageLayout(QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

} // namespace

ReportPreview::ReportPreview(std::unique_ptr<QTextDocument> document, QWidget *parent)
    : QPrintPreviewDialog(parent)
    , m_document(std::move(document))
{
    setObjectName(QStringLiteral("ReportPreview"));
    const QString title = m_document->metaInformation(QTextDocument::DocumentTitle);
    setWindowTitle(QStringLiteral("打印预览 - ") + title);
    QPrinter *p = printer();
    p->setPageLayout(layoutFor(*m_document));
    p->setDocName(title);
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *printer) {
        m_document->print(printer);
    });
    if (auto *bar = findChild<QToolBar *>()) {
        bar->addSeparator();
        QAction *pdf = bar->addAction(QStringLiteral("另存为PDF"));
        pdf->setObjectName(QStringLiteral("SavePdf_act"));
        pdf->setToolTip(QStringLiteral("把报表保存为 PDF 文件"));
        connect(pdf, &QAction::triggered, this, &ReportPreview::askAndSavePdf);
    }
    resize(1000, 720);
}

ReportPreview::~ReportPreview() = default;

QString ReportPreview::savePdf(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return tr("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    {
        QPdfWriter pdf(&file);
        pdf.setPageLayout(layoutFor(*m_document));
        pdf.setResolution(300);
        pdf.setTitle(m_document->metaInformation(QTextDocument::DocumentTitle));
        pdf.setCreator(QStringLiteral("营养配餐系统"));
        m_document->print(&pdf);
    }
    if (!file.commit())
        return tr("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    return {};
}

void ReportPreview::askAndSavePdf()
{
    const QString title = m_document->metaInformation(QTextDocument::DocumentTitle);
    const QString suggested = QDir(nqb::programDir()).filePath(title + QStringLiteral(".pdf"));
    const QString path =
        Prompt::current().saveFile(this, QStringLiteral("另存为PDF"), suggested, QStringLiteral("PDF 文件 (*.pdf)"),
                                   QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    const QString error = savePdf(path);
    if (error.isEmpty())
        prompt::info(this, tr("已保存 %1").arg(QDir::toNativeSeparators(path)));
    else
        prompt::error(this, error);
}

void ReportPreview::run(QWidget *parent, std::unique_ptr<QTextDocument> document)
{
    if (!document)
        return;
    ReportPreview preview(std::move(document), parent);
    preview.exec();
}
