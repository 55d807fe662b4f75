#pragma once
// The planning workbench: the window in which a week of meals is composed.
//
// Embedded (hidden) in the main window's client panel and shown when a
// profile is accepted. Left: the food chooser. Middle: the weekday choice with
// its daily percentage, the command buttons and the plan of the shown weekday
// as a total and per meal slot. Right and below: the chosen food's details and
// the evaluation of the day against the requirement rows (markers under each
// nutrient and a bar chart of the intake as a percentage of the standard).
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "planning/AnalyzeEditUnit.h"
#include "planning/AnalyzeInsertUnit.h"
#include "planning/Evaluation.h"
#include "planning/MealPlan.h"

namespace nqb {
class RunState;
}

class BarChart;
class DataGrid;
class EvaluationPanel;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSqlQueryModel;
class QTabWidget;
class QUndoStack;
class SpinEdit;
class TFoodChooser;

class TAnalyze : public QWidget
{
    Q_OBJECT
public:
    // state: the run's meal pattern and profile kind; the workbench refreshes
    // its evaluation when the state says the requirement rows changed.
    explicit TAnalyze(nqb::RunState &state, QWidget *parent = nullptr);
    ~TAnalyze() override;

    // The factory the main window uses to create its one workbench (hidden)
    // inside its client panel.
    static QWidget *create(QWidget *panel, nqb::RunState &state);
    // The workbench of this run (nullptr before it is created).
    static TAnalyze *instance();

    // ---- state ----
    // The shown weekday's code ("SUN" ... "SAT") and index (0 ... 6).
    QString currentWeekday() const { return m_weekday; }
    int currentWeekdayIndex() const;
    // The meal slot that delete and weight change address ("" on the total page
    // until a row sets it).
    QString currentSlot() const { return m_slot; }
    void setCurrentSlot(const QString &slot) { m_slot = slot; }
    // The seven daily percentages (texts, SUN ... SAT) and the shown day's coefficient.
    QStringList percentages() const { return m_percentages; }
    void setPercentages(const QStringList &percentages);
    double coefficient() const { return m_coefficient; }

    // The slot page shown, or nullopt-like: isTotalPageShown() for "总计".
    bool isTotalPageShown() const;
    // The meal slot of the shown page; only meaningful when a slot page is shown.
    nqb::plan::MealSlot shownSlot() const;
    // Shows the page of a meal slot (as a click on its tab does); the total page with nullptr.
    void showSlotPage(const nqb::plan::MealSlot *slot);
    // Checks a weekday radio (as a click does).
    void checkWeekday(int index);

    // What the add and change-weight dialogs are opened with: the chooser's
    // choice (looked up in the table it was listed from) and the selected row
    // of the shown grid. On the total page the selected row's meal slot
    // becomes the current slot.
    TAnalyzeInsert::Request addRequest() const;
    TAnalyzeEdit::Request editRequest();

    // ---- refresh operations ----
    void OpenTotals();
    void OpenSlotView();
    void BuildStandardRow();
    void Evaluate();
    void DrawChart();

    // ---- controls ----
    TFoodChooser *chooser() const { return m_chooser; }
    DataGrid *totalGrid() const { return Total_grid; }
    DataGrid *slotGrid(nqb::plan::MealSlot slot) const;
    // The grid of the page shown now.
    DataGrid *shownGrid() const;
    QList<DataGrid *> planGrids() const;
    DataGrid *drisGrid() const { return DRIs_Grid; }
    BarChart *chart() const { return Chart1; }
    SpinEdit *percentEdit() const { return Quotiety_edt; }
    QTabWidget *pageControl() const { return DinerTime_PageControl; }
    QGroupBox *resultFrame() const { return GroupBox1; }
    QSqlQueryModel *AQTotal() const { return m_total; }
    QSqlQueryModel *AQDinerTime() const { return m_dinerTime; }
    QSqlQueryModel *AQDRIs() const { return m_dris; }
    QRadioButton *weekdayRadio(int index) const { return m_weekdayRadios.value(index); }

    // The command buttons by objectName: "Del_btn", "ClearAll_btn",
    // "WeekSum_btn", "Save_btn", "Load_btn", "Report_btn". The last four start
    // disabled; the windows behind them are connected through setCommand().
    QPushButton *button(const QString &name) const;
    // Connects a command button to its window and enables it.
    void setCommand(const QString &buttonName, std::function<void(TAnalyze *)> command);

    // The plan edits of this workbench, for undo and redo.
    QUndoStack *undoStack() const { return m_undo; }

    // The menu of the plan grids ("成分选择(&Select)", "复制到(&C)…").
    QMenu *gridMenu() const { return m_gridMenu; }

public slots:
    void RefreshPlan();
    void RefreshAll();
    // Reopens the chooser's quantified-menu grid.
    void OpenQuantifiedMenu();

    // The commands of the buttons and the menu.
    void Delete();
    void ClearAll();
    void ChangeWeight();
    void SelectColumns();
    // Copy of the shown day (or meal) to other days; undo and redo of the plan edits.
    void CopyEntries();
    void Undo();
    void Redo();
    // The show steps (also run by the show event when the window turns visible).
    void ShowSteps();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    QWidget *buildWeekBox(QWidget *parent);
    QWidget *buildPlanSide();
    QWidget *buildResultSide();
    DataGrid *makePlanGrid(const QString &name, QWidget *page);
    void weekdayChosen(int index);
    void percentChanged(int value);
    void pageChanged(int index);
    void applyMealPattern(int pattern);
    void mirrorColumns(DataGrid *grid);
    void saveDefaultPicture();
    void addEntryRequested();
    void report(const QString &error);
    QSet<QString> visibleTotalColumns() const;
    void onCommand(const QString &buttonName);
    // Runs edit and puts what it changed in the plan on the undo stack.
    void recordEdit(const QString &text, const std::function<void()> &edit);
    void setDayPercent(int day, int percent);

    nqb::RunState &m_state;
    TFoodChooser *m_chooser = nullptr;
    QGroupBox *m_weekFrame = nullptr;
    QList<QRadioButton *> m_weekdayRadios;
    SpinEdit *Quotiety_edt = nullptr;
    QTabWidget *DinerTime_PageControl = nullptr;
    QList<QWidget *> m_pages; // total page, then the seven slot pages in meal order
    DataGrid *Total_grid = nullptr;
    QList<DataGrid *> m_slotGrids; // in meal order
    QGroupBox *GroupBox1 = nullptr;
    EvaluationPanel *m_panel = nullptr;
    DataGrid *DRIs_Grid = nullptr;
    BarChart *Chart1 = nullptr;
    QMenu *m_gridMenu = nullptr;
    QUndoStack *m_undo = nullptr;
    QList<QPushButton *> m_buttons;
    QHash<QString, std::function<void(TAnalyze *)>> m_commands;

    QSqlQueryModel *m_total = nullptr;
    QSqlQueryModel *m_dinerTime = nullptr;
    QSqlQueryModel *m_dris = nullptr;
    bool m_slotViewOpen = false;
    QString m_filterSlot; // the slot AQDinerTime is narrowed to
    nqb::eval::Evaluation m_evaluation;

    QString m_weekday = QStringLiteral("SUN");
    QString m_slot;
    QStringList m_percentages;
    double m_coefficient = 1.0;
    bool m_settingPercent = false;
};
