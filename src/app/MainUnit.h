#pragma once
// The main window: toolbar, five function pages with image tiles, the menu,
// and the run-wide values the other windows read through it.
#include <QHash>
#include <QMainWindow>
#include <functional>

class QAction;
class QActionGroup;
class QButtonGroup;
class QSoundEffect;
class QStackedWidget;
class QToolButton;
class QWidget;
class TButFrame;
namespace nqb {
class RunState;
}

class TMain : public QMainWindow
{
    Q_OBJECT
public:
    // The modal windows reached from the menu and the tiles. Each is created
    // when its command runs and destroyed when it closes.
    enum class Window {
        PersonalInfo,        // individual profile
        CollectiveInfo,      // group profile
        NutrientEffects,     // the nutrient-effects web page
        DishLibrary,         // dish library
        RawFood,             // raw food editor
        DRIsStand,           // DRIs standards
        SpecialDiet,         // special-population amendments
        DishTransfer,        // dish import/export
        SpecialDRIsTransfer, // special-population DRIs import/export
        DBBack,              // database backup
        SystemSet,           // settings
    };
    // Creates the window with the given parent, runs it modally and destroys it.
    using WindowOpener = std::function<void(QWidget *parent)>;
    // Creates an embedded window as a child of the given panel.
    using EmbeddedFactory = std::function<QWidget *(QWidget *panel)>;

    // The run state is the session's; without one the window keeps its own.
    explicit TMain(nqb::RunState *state = nullptr, QWidget *parent = nullptr);
    ~TMain() override;

    // The run-wide values, held by the run state the windows share.
    nqb::RunState &runState() const { return *m_state; }
    void SetMealPattern(int pattern);
    int GetMealPattern() const;
    void SetSurveyMode(bool on);
    bool IsSurveyMode() const;
    void SetIndividual(bool individual);
    bool IsIndividual() const;

    // The client panel that hosts the embedded windows.
    QWidget *Panel() const { return m_panel; }
    QStackedWidget *PageControl1() const { return m_pages; }

    // The main window of this run (nullptr before it is created). For the
    // start-up and the tests; the windows of the rooms get the run state instead.
    static TMain *instance();

    // The command of a menu item and its tile, by objectName ("IndividualSurvey_act", ...).
    QAction *action(const QString &objectName) const;
    // The toolbar button 1 ... 6.
    QToolButton *toolButton(int number) const;
    // The tile with the given caption ("个人膳食调查", ...), nullptr if none.
    TButFrame *tile(const QString &caption) const;

    // Makes the command(s) that open window w available; an empty opener makes them unavailable.
    void setWindowOpener(Window w, WindowOpener open);
    bool hasWindow(Window w) const;

    // The planning workbench: one instance, embedded in Panel and hidden until a
    // profile window shows it. setWorkbench adopts a ready widget; the factory,
    // when set, creates it the first time the main window is shown.
    QWidget *Workbench() const { return m_workbench; }
    void setWorkbench(QWidget *workbench);
    void setWorkbenchFactory(EmbeddedFactory factory) { m_workbenchFactory = std::move(factory); }

    // The food composition browser: created by its factory on first use and kept.
    QWidget *Browser() const { return m_browser; }
    void setBrowserFactory(EmbeddedFactory factory);

    // Shows an embedded window (workbench or browser) over the pages.
    void showEmbedded(QWidget *w);

public slots:
    // Toolbar buttons 1 ... 5: page 0 ... 4.
    void switchPage(int index);

    // The commands of the menu and the tiles.
    void IndividualSurvey();
    void GroupSurvey();
    void IndividualPlan();
    void GroupPlan();
    void FoodComposition();
    void NutrientEffects();
    void DishEdit();
    void RawFoodEdit();
    void DRIsSet();
    void SpecialNutrientEdit();
    void DishManage();
    void DRIsManage();
    void DatabaseManage();
    void SystemSet();
    void Help();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildActions();
    void buildMenu();
    void buildToolBar();
    void buildPages();
    QAction *addCommand(const char *objectName, const QString &text, void (TMain::*slot)());
    void addTile(QWidget *page, const QString &caption, QAction *command, const QPixmap &picture,
                 bool followCommandState = true);
    void updateCommandStates();
    void openWindow(Window w);
    void adopt(QWidget *embedded);
    // Empties the meal plan table; a failed statement is reported. True when emptied.
    bool emptyMealPlan();
    void playClick();

    QWidget *m_panel = nullptr;
    QStackedWidget *m_pages = nullptr;
    QButtonGroup *m_pageButtons = nullptr;
    QList<QToolButton *> m_toolButtons;
    QHash<QString, QAction *> m_actions;
    QList<TButFrame *> m_tiles;
    QHash<int, WindowOpener> m_openers;
    EmbeddedFactory m_workbenchFactory;
    EmbeddedFactory m_browserFactory;
    QWidget *m_workbench = nullptr;
    QWidget *m_browser = nullptr;
#ifdef NQB_HAVE_MULTIMEDIA
    QSoundEffect *m_click = nullptr;
#endif
    bool m_shownOnce = false;
    nqb::RunState *m_state = nullptr;
};
