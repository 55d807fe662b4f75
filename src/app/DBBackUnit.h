#pragma once
// The database backup window: one page writes a backup of the open database,
// the other restores the database from a backup.
#include <QDialog>

class QLineEdit;
class QPushButton;
class QTabWidget;

class TDBBack : public QDialog
{
    Q_OBJECT
public:
    explicit TDBBack(QWidget *parent = nullptr);
    ~TDBBack() override;

    // Shows the window modally; true when the database was restored (the
    // windows showing its data must then read it again).
    static bool run(QWidget *parent);

    // The buttons' actions.
    void ChooseSavePath();
    void ChooseLoadPath();
    void Backup();
    void Restore();

    bool restored() const { return m_restored; }

private:
    void buildUi();

    QTabWidget *PageControl1 = nullptr;
    QLineEdit *SavePath_edt = nullptr;
    QPushButton *SaveDlg_btn = nullptr;
    QPushButton *Save_btn = nullptr;
    QLineEdit *LoadPath_edt = nullptr;
    QPushButton *LoadDlg_btn = nullptr;
    QPushButton *Load_btn = nullptr;
    bool m_restored = false;
};
