#pragma once
// The report window: a list of buttons, each generating one report from the
// current plan and showing it in the print preview.
#include <QDialog>
#include <QStringList>

class QPushButton;

class TReportForm : public QDialog
{
    Q_OBJECT
public:
    // percentages: the workbench's seven daily percentages (SUN ... SAT);
    // individual: whether the plan is for one person (else for a group).
    TReportForm(const QStringList &percentages, bool individual, QWidget *parent = nullptr);
    ~TReportForm() override;

    // Creates the window, shows it modally and destroys it.
    static void run(QWidget *parent, const QStringList &percentages, bool individual);

    enum class Kind { DayStatistics, WeekMenu, DayMenu, Purchases };
    // Generates the report (weekday 0 = SUN ... 6, where the kind has one) and
    // shows its preview; a failure is reported and nothing is shown.
    void openReport(Kind kind, int weekday = 0);

private:
    void buildUi();
    QPushButton *addButton(const char *name, const QString &caption);

    QStringList m_percentages;
    bool m_individual = true;
};
