#pragma once
// The composition import window of the raw food editor ("导入成分数据"):
// choose a CSV file and the sub-group for new foods, see the preview (new
// foods, changed cells, skipped rows with their reason), then import it in
// one step. It also writes a template CSV for each composition table.
#include "foods/CompositionImport.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class CompositionImportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CompositionImportDialog(QWidget *parent = nullptr);

    // Opens the window modally; true when something was imported.
    static bool run(QWidget *parent);

    bool imported() const { return m_imported; }
    const nqb::import::Preview &preview() const { return m_preview; }

public slots:
    void chooseFile();
    void makePreview();
    void importNow();
    void writeTemplate();

private:
    void invalidate();
    void showPreview();
    QString subGroup() const;

    QLineEdit *m_file = nullptr;
    QComboBox *m_subGroup = nullptr;
    QComboBox *m_template = nullptr;
    QTableWidget *m_grid = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_import = nullptr;
    nqb::import::Preview m_preview;
    bool m_previewed = false;
    bool m_imported = false;
};
