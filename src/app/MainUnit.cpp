#include "app/MainUnit.h"

#include "app/Artwork.h"
#include "app/ButFrameUnit.h"
#include "data/DataModule.h"
#include "data/FunctionUnit.h"
#include "data/Paths.h"
#include "data/RunState.h"
#include "data/Settings.h"
#include "widgets/Prompt.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#ifdef NQB_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace {

TMain *g_main = nullptr;

constexpr int kClientWidth = 1016;
constexpr int kClientHeight = 695;
const QSize kTilePicture(200, 156);

// The colour of each page's pictures (and of its toolbar button).
const QColor kPageColours[] = {QColor(0x1f, 0x8f, 0x8a), QColor(0xe0, 0x7a, 0x22), QColor(0x3a, 0x9a, 0x3e),
                               QColor(0x2f, 0x6d, 0xb5), QColor(0x7a, 0x50, 0xb0)};
const QColor kHelpColour(0x5a, 0x6e, 0x86);

// One function page: its tiles in one row, centred, under a heading painted
// on a soft background. Tiles are placed by position (not by a layout) so that
// a pressed tile can be pushed aside by a few pixels.
class TilePage : public QWidget
{
public:
    TilePage(const QString &heading, const QColor &colour, QWidget *parent)
        : QWidget(parent)
        , m_heading(heading)
        , m_colour(colour)
    {
    }

    void addTile(TButFrame *tile)
    {
        m_tiles << tile;
        placeTiles();
    }

protected:
    void resizeEvent(QResizeEvent *) override { placeTiles(); }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, height());
        g.setColorAt(0.0, QColor(0xf7, 0xfa, 0xfd));
        g.setColorAt(1.0, QColor(0xe3, 0xec, 0xf5));
        p.fillRect(rect(), g);

        // Heading with an accent bar and a rule beneath it.
        p.setPen(Qt::NoPen);
        p.setBrush(m_colour);
        p.drawRoundedRect(QRectF(40, 34, 8, 34), 3, 3);
        QFont f = font();
        f.setPixelSize(26);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(Qt::darkBlue));
        p.drawText(QRectF(60, 30, width() - 100, 42), Qt::AlignLeft | Qt::AlignVCenter, m_heading);
        QLinearGradient rule(40, 0, width() - 40, 0);
        rule.setColorAt(0.0, m_colour);
        rule.setColorAt(1.0, QColor(m_colour.red(), m_colour.green(), m_colour.blue(), 0));
        p.fillRect(QRectF(40, 80, width() - 80, 2), rule);
    }

private:
    void placeTiles()
    {
        if (m_tiles.isEmpty())
            return;
        const int n = int(m_tiles.size());
        const QSize tile = m_tiles.first()->sizeHint().expandedTo(m_tiles.first()->size());
        const int gap = n <= 2 ? 140 : 40;
        const int total = n * tile.width() + (n - 1) * gap;
        const int x0 = (width() - total) / 2;
        const int y = 90 + (height() - 90 - tile.height()) * 2 / 5;
        for (int i = 0; i < n; ++i) {
            TButFrame *t = m_tiles.at(i);
            QPoint at(x0 + i * (tile.width() + gap), y);
            if (t->isPressed())
                at += QPoint(TButFrame::kPressOffset, TButFrame::kPressOffset);
            t->move(at);
        }
    }

    QString m_heading;
    QColor m_colour;
    QList<TButFrame *> m_tiles;
};

// A command that works on the database does not start while it is closed or
// unusable: it says why, and nothing is opened or written.
bool databaseUsable(QWidget *parent)
{
    if (nqb::db().isOpen())
        return true;
    prompt::error(parent, nqb::databaseErrorText(QObject::tr("数据库未打开，无法执行此操作。")));
    return false;
}

// Windows that need no database: the web page, the backup (which may be what
// repairs it) and the settings.
bool needsDatabase(TMain::Window w)
{
    return w != TMain::Window::NutrientEffects && w != TMain::Window::DBBack && w != TMain::Window::SystemSet;
}

} // namespace

TMain::TMain(nqb::RunState *state, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state ? state : new nqb::RunState(this))
{
    g_main = this;
    // A profile window asks for the workbench through the run state.
    connect(m_state, &nqb::RunState::workbenchRequested, this, [this] {
        if (m_workbench)
            showEmbedded(m_workbench);
    });
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("营养配餐系统 V2.0"));
    // Fixed size: minimise button and system menu, no maximise, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Panel"));
    auto *panelLayout = new QGridLayout(m_panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    m_pages = new QStackedWidget(m_panel);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    panelLayout->addWidget(m_pages, 0, 0);
    setCentralWidget(m_panel);

    buildActions();
    buildMenu();
    buildToolBar();
    buildPages();

    // Each window of the commands is registered here with its opener, e.g.
    //   setWindowOpener(Window::SystemSet, [](QWidget *p) { TSystemSet w(p); w.exec(); });
    //   setWorkbenchFactory([](QWidget *panel) { return new TAnalyze(panel); });
    // A command whose window is not registered stays disabled (menu item and tile).
    updateCommandStates();

    setFixedSize(kClientWidth, kClientHeight);
    // Page 0 with its button pressed (silently: the click sounds on switches only).
    m_pages->setCurrentIndex(0);
    m_pageButtons->button(0)->setChecked(true);
}

TMain::~TMain()
{
    if (g_main == this)
        g_main = nullptr;
}

TMain *TMain::instance()
{
    return g_main;
}

QAction *TMain::addCommand(const char *objectName, const QString &text, void (TMain::*slot)())
{
    auto *a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(objectName));
    connect(a, &QAction::triggered, this, slot);
    m_actions.insert(a->objectName(), a);
    return a;
}

void TMain::buildActions()
{
    addCommand("IndividualSurvey_act", QStringLiteral("个人膳食调查"), &TMain::IndividualSurvey);
    addCommand("GroupSurvey_act", QStringLiteral("集体膳食调查"), &TMain::GroupSurvey);
    addCommand("IndividualPlan_act", QStringLiteral("个人配餐"), &TMain::IndividualPlan);
    addCommand("GroupPlan_act", QStringLiteral("集体配餐"), &TMain::GroupPlan);
    addCommand("FoodComposition_act", QStringLiteral("营养成分"), &TMain::FoodComposition);
    addCommand("NutrientEffects_act", QStringLiteral("营养素功效"), &TMain::NutrientEffects);
    addCommand("DishEdit_act", QStringLiteral("菜普编辑"), &TMain::DishEdit);
    addCommand("RawFoodEdit_act", QStringLiteral("原料编辑"), &TMain::RawFoodEdit);
    addCommand("DRIsSet_act", QStringLiteral("DRIs设置"), &TMain::DRIsSet);
    addCommand("SpecialNutrientEdit_act", QStringLiteral("特殊营养素编辑"), &TMain::SpecialNutrientEdit);
    addCommand("DishManage_act", QStringLiteral("菜普管理"), &TMain::DishManage);
    addCommand("DRIsManage_act", QStringLiteral("DRIs管理"), &TMain::DRIsManage);
    addCommand("DatabaseManage_act", QStringLiteral("数据库管理"), &TMain::DatabaseManage);
    addCommand("SystemSet_act", QStringLiteral("系统设置"), &TMain::SystemSet);
    addCommand("Help_act", QStringLiteral("帮助(&Help)"), &TMain::Help);
}

void TMain::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const struct {
        const char *name;
        QString title;
        QStringList actions;
    } menus[] = {
        {"Survey_mnu", QStringLiteral("营养调查"), {"IndividualSurvey_act", "GroupSurvey_act"}},
        {"Plan_mnu", QStringLiteral("营养配餐"), {"IndividualPlan_act", "GroupPlan_act"}},
        {"Knowledge_mnu", QStringLiteral("营养知识"), {"FoodComposition_act", "NutrientEffects_act"}},
        {"Manage_mnu",
         QStringLiteral("数据管理"),
         {"DishEdit_act", "RawFoodEdit_act", "DRIsSet_act", "SpecialNutrientEdit_act"}},
        {"Maintain_mnu",
         QStringLiteral("系统维护"),
         {"DishManage_act", "DRIsManage_act", "DatabaseManage_act", "SystemSet_act"}},
        {"About_mnu", QStringLiteral("关于"), {"Help_act"}},
    };
    for (const auto &m : menus) {
        QMenu *menu = bar->addMenu(m.title);
        menu->setObjectName(QString::fromLatin1(m.name));
        for (const QString &name : m.actions)
            menu->addAction(m_actions.value(name));
    }
}

void TMain::buildToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->setIconSize(QSize(44, 44));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    const struct {
        QString text;
        artwork::Pictogram picture;
        QColor colour;
    } buttons[] = {
        {QStringLiteral("营养调查"), artwork::Pictogram::Clipboard, kPageColours[0]},
        {QStringLiteral("营养配餐"), artwork::Pictogram::Bowl, kPageColours[1]},
        {QStringLiteral("营养知识"), artwork::Pictogram::Apple, kPageColours[2]},
        {QStringLiteral("数据管理"), artwork::Pictogram::Book, kPageColours[3]},
        {QStringLiteral("系统维护"), artwork::Pictogram::Gear, kPageColours[4]},
        {QStringLiteral("关    于"), artwork::Pictogram::Question, kHelpColour},
    };
    m_pageButtons = new QButtonGroup(this);
    m_pageButtons->setExclusive(true);
    int number = 0;
    for (const auto &b : buttons) {
        ++number;
        auto *button = new QToolButton(bar);
        button->setObjectName(QStringLiteral("ToolButton%1").arg(number));
        button->setText(b.text);
        button->setIcon(artwork::toolbarIcon(b.picture, b.colour));
        button->setIconSize(QSize(44, 44));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setMinimumWidth(96);
        QFont f = button->font();
        f.setBold(true);
        button->setFont(f);
        if (number <= 5) {
            button->setCheckable(true);
            m_pageButtons->addButton(button, number - 1);
        } else {
            connect(button, &QToolButton::clicked, this, &TMain::Help);
        }
        bar->addWidget(button);
        m_toolButtons << button;
    }
    connect(m_pageButtons, &QButtonGroup::idClicked, this, &TMain::switchPage);
}

void TMain::addTile(QWidget *page, const QString &caption, QAction *command, const QPixmap &picture,
                    bool followCommandState)
{
    auto *tile = new TButFrame(picture, caption, page);
    tile->setObjectName(command->objectName().replace(QLatin1String("_act"), QLatin1String("_tile")));
    tile->setFixedSize(kTilePicture.width(), kTilePicture.height() + 6 + tile->Label1()->sizeHint().height());
    connect(tile, &TButFrame::clicked, command, &QAction::trigger);
    if (followCommandState) {
        tile->setEnabled(command->isEnabled());
        connect(command, &QAction::changed, tile, [tile, command]() { tile->setEnabled(command->isEnabled()); });
    } else {
        tile->setEnabled(false);
    }
    static_cast<TilePage *>(page)->addTile(tile);
    m_tiles << tile;
}

void TMain::buildPages()
{
    using artwork::Pictogram;
    using artwork::tilePicture;
    const QString headings[] = {QStringLiteral("营养调查"), QStringLiteral("营养配餐"), QStringLiteral("营养知识"),
                                QStringLiteral("数据管理"), QStringLiteral("系统维护")};
    const QString titles[] = {QStringLiteral("调查"), QStringLiteral("配餐"), QStringLiteral("知识"),
                              QStringLiteral("管理"), QStringLiteral("维护")};
    QWidget *pages[5];
    for (int i = 0; i < 5; ++i) {
        auto *page = new TilePage(headings[i], kPageColours[i], m_pages);
        page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        page->setWindowTitle(titles[i]);
        m_pages->addWidget(page);
        pages[i] = page;
    }
    const QString individual = QStringLiteral("个");
    const QString group = QStringLiteral("集");
    const QString transfer = QStringLiteral("⇅");
    auto pic = [](Pictogram p, int page, const QString &badge = {}) {
        return tilePicture(p, kPageColours[page], kTilePicture, badge);
    };
    auto act = [this](const char *name) { return m_actions.value(QString::fromLatin1(name)); };

    addTile(pages[0], QStringLiteral("个人膳食调查"), act("IndividualSurvey_act"), pic(Pictogram::Clipboard, 0, individual));
    addTile(pages[0], QStringLiteral("集体膳食调查"), act("GroupSurvey_act"), pic(Pictogram::Clipboard, 0, group));

    addTile(pages[1], QStringLiteral("个人配餐"), act("IndividualPlan_act"), pic(Pictogram::Bowl, 1, individual));
    addTile(pages[1], QStringLiteral("集体配餐"), act("GroupPlan_act"), pic(Pictogram::Bowl, 1, group));

    addTile(pages[2], QStringLiteral("营养成分"), act("FoodComposition_act"), pic(Pictogram::Apple, 2));
    // This tile stays disabled; its command is reached through the menu.
    addTile(pages[2], QStringLiteral("营养素功效"), act("NutrientEffects_act"), pic(Pictogram::Flask, 2), false);

    addTile(pages[3], QStringLiteral("菜谱编辑"), act("DishEdit_act"), pic(Pictogram::Book, 3));
    addTile(pages[3], QStringLiteral("原料编辑"), act("RawFoodEdit_act"), pic(Pictogram::Leaf, 3));
    addTile(pages[3], QStringLiteral("DRIs设置"), act("DRIsSet_act"), pic(Pictogram::BarChart, 3));
    addTile(pages[3], QStringLiteral("特殊人群"), act("SpecialNutrientEdit_act"), pic(Pictogram::Heart, 3));

    addTile(pages[4], QStringLiteral("食谱管理"), act("DishManage_act"), pic(Pictogram::Book, 4, transfer));
    addTile(pages[4], QStringLiteral("特殊人群管理"), act("DRIsManage_act"), pic(Pictogram::Heart, 4, transfer));
    addTile(pages[4], QStringLiteral("数据库管理"), act("DatabaseManage_act"), pic(Pictogram::Database, 4));
    addTile(pages[4], QStringLiteral("系统设置"), act("SystemSet_act"), pic(Pictogram::Gear, 4));
}

QAction *TMain::action(const QString &objectName) const
{
    return m_actions.value(objectName);
}

QToolButton *TMain::toolButton(int number) const
{
    return (number >= 1 && number <= m_toolButtons.size()) ? m_toolButtons.at(number - 1) : nullptr;
}

TButFrame *TMain::tile(const QString &caption) const
{
    for (TButFrame *t : m_tiles)
        if (t->caption() == caption)
            return t;
    return nullptr;
}

void TMain::setWindowOpener(Window w, WindowOpener open)
{
    if (open)
        m_openers.insert(int(w), std::move(open));
    else
        m_openers.remove(int(w));
    updateCommandStates();
}

bool TMain::hasWindow(Window w) const
{
    return m_openers.contains(int(w));
}

void TMain::setBrowserFactory(EmbeddedFactory factory)
{
    m_browserFactory = std::move(factory);
    updateCommandStates();
}

void TMain::updateCommandStates()
{
    const struct {
        const char *action;
        Window window;
    } map[] = {
        {"IndividualSurvey_act", Window::PersonalInfo},
        {"GroupSurvey_act", Window::CollectiveInfo},
        {"IndividualPlan_act", Window::PersonalInfo},
        {"GroupPlan_act", Window::CollectiveInfo},
        {"NutrientEffects_act", Window::NutrientEffects},
        {"DishEdit_act", Window::DishLibrary},
        {"RawFoodEdit_act", Window::RawFood},
        {"DRIsSet_act", Window::DRIsStand},
        {"SpecialNutrientEdit_act", Window::SpecialDiet},
        {"DishManage_act", Window::DishTransfer},
        {"DRIsManage_act", Window::SpecialDRIsTransfer},
        {"DatabaseManage_act", Window::DBBack},
        {"SystemSet_act", Window::SystemSet},
    };
    for (const auto &m : map)
        m_actions.value(QString::fromLatin1(m.action))->setEnabled(hasWindow(m.window));
    m_actions.value(QStringLiteral("FoodComposition_act"))->setEnabled(m_browser || m_browserFactory);
}

void TMain::openWindow(Window w)
{
    // Copy: the opener may replace itself while its window runs.
    const WindowOpener open = m_openers.value(int(w));
    if (open && (!needsDatabase(w) || databaseUsable(this)))
        open(this);
}

void TMain::adopt(QWidget *embedded)
{
    embedded->setParent(m_panel);
    embedded->setAutoFillBackground(true);
    // Hidden explicitly before it joins the layout, which would otherwise show it.
    embedded->hide();
    static_cast<QGridLayout *>(m_panel->layout())->addWidget(embedded, 0, 0);
}

void TMain::setWorkbench(QWidget *workbench)
{
    if (m_workbench == workbench)
        return;
    delete m_workbench;
    m_workbench = workbench;
    if (m_workbench)
        adopt(m_workbench);
}

void TMain::showEmbedded(QWidget *w)
{
    if (!w)
        return;
    w->show();
    w->raise();
}

void TMain::switchPage(int index)
{
    if (index < 0 || index >= m_pages->count())
        return;
    playClick();
    m_pages->setCurrentIndex(index);
    if (m_browser)
        m_browser->hide();
    if (m_workbench)
        m_workbench->hide();
    if (QAbstractButton *b = m_pageButtons->button(index))
        b->setChecked(true);
}

void TMain::playClick()
{
#ifdef NQB_HAVE_MULTIMEDIA
    // Played asynchronously by the platform; a missing sound device or file
    // simply means nothing is heard.
    if (!m_click) {
        m_click = new QSoundEffect(this);
        m_click->setSource(QUrl(QStringLiteral("qrc:/ui/sound/click.wav")));
        m_click->setVolume(0.6f);
    }
    m_click->play();
#endif
}

bool TMain::emptyMealPlan()
{
    QSqlDatabase db = nqb::db();
    if (!db.isOpen()) {
        const QString why = DM() ? DM()->openError() : QString();
        prompt::error(this, why.isEmpty() ? tr("数据库未打开，无法清空当前配餐。")
                                          : tr("数据库未打开，无法清空当前配餐：%1").arg(why));
        return false;
    }
    QString error;
    if (!nqb::ClearTable(QStringLiteral("NQBNutri_tmp"), &error)) {
        prompt::error(this, tr("无法清空当前配餐：%1").arg(error));
        return false;
    }
    m_state->notifyPlanEmptied();
    return true;
}

// The survey and planning commands change the survey mode only when they
// can run: without a database they say why and leave it as it was.
void TMain::IndividualSurvey()
{
    if (!databaseUsable(this))
        return;
    SetSurveyMode(true);
    // A survey starts from an empty plan; if it cannot be emptied the survey
    // does not start on top of old entries.
    if (emptyMealPlan())
        openWindow(Window::PersonalInfo);
}

void TMain::GroupSurvey()
{
    if (!databaseUsable(this))
        return;
    SetSurveyMode(true);
    if (emptyMealPlan())
        openWindow(Window::CollectiveInfo);
}

void TMain::IndividualPlan()
{
    if (!databaseUsable(this))
        return;
    SetSurveyMode(false);
    openWindow(Window::PersonalInfo);
}

void TMain::GroupPlan()
{
    if (!databaseUsable(this))
        return;
    SetSurveyMode(false);
    openWindow(Window::CollectiveInfo);
}

void TMain::FoodComposition()
{
    if (!databaseUsable(this))
        return;
    if (!m_browser && m_browserFactory) {
        m_browser = m_browserFactory(m_panel);
        if (m_browser)
            adopt(m_browser);
    }
    showEmbedded(m_browser);
}

void TMain::NutrientEffects()
{
    openWindow(Window::NutrientEffects);
}

void TMain::DishEdit()
{
    openWindow(Window::DishLibrary);
}

void TMain::RawFoodEdit()
{
    openWindow(Window::RawFood);
}

void TMain::DRIsSet()
{
    openWindow(Window::DRIsStand);
}

void TMain::SpecialNutrientEdit()
{
    openWindow(Window::SpecialDiet);
}

void TMain::DishManage()
{
    openWindow(Window::DishTransfer);
}

void TMain::DRIsManage()
{
    openWindow(Window::SpecialDRIsTransfer);
}

void TMain::DatabaseManage()
{
    openWindow(Window::DBBack);
}

void TMain::SystemSet()
{
    openWindow(Window::SystemSet);
}

void TMain::Help()
{
    // The manual is looked up beside the program, not in the current folder;
    // the viewer reports a missing file itself.
    QDesktopServices::openUrl(QUrl::fromLocalFile(nqb::programFile(QStringLiteral("help/index.html"))));
}

void TMain::SetMealPattern(int pattern)
{
    m_state->setMealPattern(pattern);
}

int TMain::GetMealPattern() const
{
    return m_state->mealPattern();
}

void TMain::SetSurveyMode(bool on)
{
    m_state->setSurveyMode(on);
}

bool TMain::IsSurveyMode() const
{
    return m_state->surveyMode();
}

void TMain::SetIndividual(bool individual)
{
    m_state->setProfileKind(individual ? nqb::RunState::ProfileKind::Individual : nqb::RunState::ProfileKind::Group);
}

bool TMain::IsIndividual() const
{
    return m_state->isIndividual();
}

void TMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_state->reloadMealPattern();
    if (!m_workbench && m_workbenchFactory)
        setWorkbench(m_workbenchFactory(m_panel));
}

void TMain::closeEvent(QCloseEvent *event)
{
    // The meal plan does not outlive the run. Without an open database there
    // is nothing to empty (the user was told at start-up).
    if (nqb::db().isOpen())
        emptyMealPlan();
    event->accept();
}
