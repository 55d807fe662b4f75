#include "planning/AnalyzeUnit.h"

#include "data/DataModule.h"
#include "data/Db.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "data/Paths.h"
#include "data/RunState.h"
#include "data/Settings.h"
#include "foods/SelNutriUnit.h"
#include "planning/AnalyzeEditUnit.h"
#include "planning/AnalyzeInsertUnit.h"
#include "planning/DietStructureUnit.h"
#include "planning/EvaluationView.h"
#include "planning/FoodChooserUnit.h"
#include "planning/PlanCopyUnit.h"
#include "planning/PlanFileCommands.h"
#include "planning/PlanUndoCommands.h"
#include "planning/ReportFormUnit.h"
#include "planning/WeekStatUnit.h"
#include "planning/Workbench.h"
#include "widgets/BarChart.h"
#include "widgets/DataGrid.h"
#include "widgets/Prompt.h"
#include "widgets/SpinEdit.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QRadioButton>
#include <QSaveFile>
#include <QStyle>
#include <QShortcut>
#include <QShowEvent>
#include <QSqlQueryModel>
#include <QTabWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include <cmath>

using namespace nqb;

namespace {

TAnalyze *g_workbench = nullptr;

// The grids of the workbench use a slightly smaller type and tight rows, so
// that the plan, the chosen food and the evaluation fit the main window.
void compact(DataGrid *g)
{
    QFont f = g->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    g->setFont(f);
    g->verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 2);
}

const QString kGridHint = QStringLiteral("单击右键选择元素种类");

// The command buttons: objectName, caption; the last four open the windows of
// the week statistics, the plan files and the reports, connected by setCommand().
struct CommandButton {
    const char *name;
    const char *caption;
};
const CommandButton kCommandButtons[] = {
    {"Del_btn", "删 除"},       {"ClearAll_btn", "清 空"}, {"Copy_btn", " 复 制"},
    {"Undo_btn", "撤 销"},      {"Redo_btn", "恢 复"},     {"WeekSum_btn", "一 周统 计"},
    {"Structure_btn", " 膳食结构"},
    {"Save_btn", "保 存"},      {"Load_btn", "读 取"},     {"Report_btn", "打 印"},
};

// The built-in picture shown for a food or dish without a picture of its own:
// a plate with a few foods on a soft background.
QImage builtInPicture()
{
    QImage img(240, 200, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, 200);
    bg.setColorAt(0, QColor(0xee, 0xf6, 0xea));
    bg.setColorAt(1, QColor(0xcf, 0xe6, 0xc8));
    p.fillRect(img.rect(), bg);

    // Shadow and plate.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(QRectF(38, 52, 172, 126));
    QRadialGradient plate(QPointF(118, 104), 90);
    plate.setColorAt(0.0, Qt::white);
    plate.setColorAt(0.8, QColor(0xf4, 0xf4, 0xf0));
    plate.setColorAt(1.0, QColor(0xdc, 0xdc, 0xd6));
    p.setBrush(plate);
    p.setPen(QPen(QColor(0xb8, 0xb8, 0xb0), 2));
    p.drawEllipse(QRectF(30, 42, 176, 126));
    p.setPen(QPen(QColor(0xd8, 0xd8, 0xd0), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(52, 58, 132, 94));

    // Greens.
    p.setPen(Qt::NoPen);
    for (const auto &leaf : {QPointF(88, 92), QPointF(104, 82), QPointF(96, 110)}) {
        QPainterPath path;
        path.moveTo(leaf + QPointF(-20, 6));
        path.cubicTo(leaf + QPointF(-8, -18), leaf + QPointF(14, -14), leaf + QPointF(22, -4));
        path.cubicTo(leaf + QPointF(10, 12), leaf + QPointF(-6, 16), leaf + QPointF(-20, 6));
        p.setBrush(QColor(0x4c, 0xa6, 0x3c));
        p.drawPath(path);
        p.setPen(QPen(QColor(0x2f, 0x7a, 0x25), 1.2));
        p.drawLine(leaf + QPointF(-16, 5), leaf + QPointF(18, -4));
        p.setPen(Qt::NoPen);
    }
    // Tomato slices.
    for (const auto &c : {QPointF(140, 90), QPointF(150, 114)}) {
        p.setBrush(QColor(0xe0, 0x3c, 0x2c));
        p.drawEllipse(c, 16, 16);
        p.setBrush(QColor(0xf2, 0x7a, 0x62));
        p.drawEllipse(c, 11, 11);
        p.setBrush(QColor(0xf8, 0xd8, 0x60));
        for (int k = 0; k < 3; ++k)
            p.drawEllipse(c + QPointF(5 * std::cos(k * 2.1), 5 * std::sin(k * 2.1)), 2.2, 3);
    }
    // Egg.
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0xe4, 0xe0, 0xd0), 1));
    p.drawEllipse(QRectF(104, 118, 34, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf6, 0xb8, 0x1c));
    p.drawEllipse(QRectF(114, 123, 14, 13));

    // Chopsticks.
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x2b), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(196, 30), QPointF(222, 176));
    p.drawLine(QPointF(208, 28), QPointF(230, 174));
    p.end();
    return img;
}

} // namespace

TAnalyze::TAnalyze(RunState &state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_total(new QSqlQueryModel(this))
    , m_dinerTime(new QSqlQueryModel(this))
{
    g_workbench = this;
    setObjectName(QStringLiteral("Analyze"));
    setAutoFillBackground(true);
    buildUi();

    // Created: the nutrient choice of the chooser, the state, the picture.
    // Without a database the user has been told at start-up; nothing to fill.
    if (nqb::db().isOpen())
        m_chooser->FillElements();
    m_weekday = QStringLiteral("SUN");
    m_percentages = bench::defaultPercentages();
    m_coefficient = 1.0;
    saveDefaultPicture();
    m_chooser->showPicture(bench::defaultPicturePath());

    // Week statistics, plan files and the reports.
    setCommand(QStringLiteral("WeekSum_btn"), [](TAnalyze *b) { TWeekStat::run(b, b->percentages()); });
    setCommand(QStringLiteral("Structure_btn"), [](TAnalyze *b) {
        TDietStructure::run(b, {false, nqb::structure::profileAgeBand(b->m_state.isIndividual())});
    });
    setCommand(QStringLiteral("Save_btn"), [](TAnalyze *b) {
        nqb::SavePlanCommand(b, b->percentages(), b->m_state.isIndividual());
    });
    setCommand(QStringLiteral("Load_btn"), [](TAnalyze *b) {
        bool loaded = false;
        b->recordEdit(QStringLiteral("读取配餐"),
                      [&] { loaded = nqb::LoadPlanCommand(b, b->m_state.mealPattern()); });
        if (loaded)
            b->RefreshAll();
    });
    setCommand(QStringLiteral("Report_btn"), [](TAnalyze *b) {
        TReportForm::run(b, b->percentages(), b->m_state.isIndividual());
    });

    // New requirement rows: a workbench in view evaluates against them at once
    // (a hidden one does when it is shown).
    connect(&m_state, &RunState::requirementsChanged, this, [this] {
        if (isVisible())
            RefreshAll();
    });

    // Undo and redo of the plan edits: the buttons name the edit; the stack
    // goes when the plan is emptied from outside (a survey starts, the
    // program closes) or an undo finds the plan changed elsewhere.
    m_undo = new QUndoStack(this);
    connect(&m_state, &RunState::planEmptied, m_undo, &QUndoStack::clear);
    auto updateUndoButtons = [this] {
        button(QStringLiteral("Undo_btn"))->setEnabled(m_undo->canUndo());
        button(QStringLiteral("Redo_btn"))->setEnabled(m_undo->canRedo());
        button(QStringLiteral("Undo_btn"))->setToolTip(m_undo->canUndo() ? QStringLiteral("撤销：") + m_undo->undoText()
                                                                          : QStringLiteral("撤销 (Ctrl+Z)"));
        button(QStringLiteral("Redo_btn"))->setToolTip(m_undo->canRedo() ? QStringLiteral("恢复：") + m_undo->redoText()
                                                                          : QStringLiteral("恢复 (Ctrl+Y)"));
    };
    connect(m_undo, &QUndoStack::indexChanged, this, updateUndoButtons);
    connect(m_undo, &QUndoStack::cleanChanged, this, updateUndoButtons);
    updateUndoButtons();
    auto *undoKey = new QShortcut(QKeySequence::Undo, this);
    undoKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undoKey, &QShortcut::activated, this, &TAnalyze::Undo);
    auto *redoKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), this);
    redoKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(redoKey, &QShortcut::activated, this, &TAnalyze::Redo);
}

TAnalyze::~TAnalyze()
{
    if (g_workbench == this)
        g_workbench = nullptr;
    // The stack empties itself as it goes; the buttons it updates may be gone by then.
    if (m_undo)
        m_undo->disconnect(this);
}

QWidget *TAnalyze::create(QWidget *panel, RunState &state)
{
    auto *w = new TAnalyze(state, panel);
    w->hide();
    return w;
}

TAnalyze *TAnalyze::instance()
{
    return g_workbench;
}

// ---------------------------------------------------------------- layout

void TAnalyze::buildUi()
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(6);

    // Left: the weekday and its percentage, the chooser, and the chosen
    // item's picture and description.
    auto *left = new QWidget(this);
    left->setFixedWidth(250);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(4);
    leftLayout->addWidget(buildWeekBox(left));
    m_chooser = new TFoodChooser(left);
    leftLayout->addWidget(m_chooser, 1);
    QGroupBox *picture = m_chooser->pictureFrame();
    picture->setParent(left);
    picture->setFixedHeight(126);
    picture->show();
    leftLayout->addWidget(picture);
    outer->addWidget(left);

    // Right: the plan, the chosen item's composition and ingredients, the evaluation.
    auto *right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(buildPlanSide(), 1);

    auto *details = new QHBoxLayout;
    details->setSpacing(6);
    QGroupBox *compose = m_chooser->compositionFrame();
    compose->setParent(this);
    compose->show();
    details->addWidget(compose, 1);
    QGroupBox *components = m_chooser->componentFrame();
    components->setParent(this);
    components->setFixedWidth(210);
    components->show();
    details->addWidget(components);
    auto *detailBox = new QWidget(this);
    detailBox->setLayout(details);
    details->setContentsMargins(0, 0, 0, 0);
    {
        // The titles, one row and the scroll bar of the composition grid.
        DataGrid *g = m_chooser->compositionGrid();
        const QFontMetrics fm(g->font());
        const int margin = g->style()->pixelMetric(QStyle::PM_HeaderMargin);
        const int bar = g->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        detailBox->setFixedHeight(2 * (fm.height() + 2 * margin) + 2 + g->verticalHeader()->defaultSectionSize()
                                  + bar + 2 * g->frameWidth() + compose->fontMetrics().height() + 14);
    }
    right->addWidget(detailBox);

    right->addWidget(buildResultSide());
    outer->addLayout(right, 1);

    connect(m_chooser, &TFoodChooser::addRequested, this, [this] { addEntryRequested(); });
}

QWidget *TAnalyze::buildWeekBox(QWidget *parent)
{
    // The weekday choice (four radios, then three) and the day's percentage.
    m_weekFrame = new QGroupBox(QStringLiteral("配餐选择"), parent);
    m_weekFrame->setObjectName(QStringLiteral("WeekGroupBox"));
    auto *grid = new QGridLayout(m_weekFrame);
    grid->setContentsMargins(8, 2, 8, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    auto *family = new QButtonGroup(this);
    for (int i = 0; i < plan::kWeekdayCount; ++i) {
        const auto &d = plan::weekdays()[i];
        auto *r = new QRadioButton(QString::fromUtf8(d.caption), m_weekFrame);
        r->setObjectName(QString::fromLatin1(d.radioName));
        family->addButton(r, i);
        grid->addWidget(r, i / 4, i % 4);
        m_weekdayRadios << r;
        connect(r, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                weekdayChosen(i);
        });
    }
    auto *percentBox = new QHBoxLayout;
    percentBox->setSpacing(2);
    auto *before = new QLabel(QStringLiteral("配餐系数比[%]： "), m_weekFrame);
    Quotiety_edt = new SpinEdit(bench::kPercentMin, bench::kPercentMax, bench::kPercentStep, bench::kPercentDefault,
                                m_weekFrame);
    Quotiety_edt->setObjectName(QStringLiteral("Quotiety_edt"));
    Quotiety_edt->setTypingAllowed(false);
    Quotiety_edt->setFixedWidth(64);
    Quotiety_edt->setToolTip(QStringLiteral("当天配餐占全天推荐摄入量的百分比"));
    auto *after = new QLabel(QStringLiteral("% "), m_weekFrame);
    percentBox->addWidget(before);
    percentBox->addWidget(Quotiety_edt);
    percentBox->addWidget(after);
    percentBox->addStretch(1);
    grid->addLayout(percentBox, 2, 0, 1, 4);
    connect(Quotiety_edt, &QSpinBox::valueChanged, this, [this](int v) { percentChanged(v); });
    return m_weekFrame;
}

QWidget *TAnalyze::buildPlanSide()
{
    // The plan of the shown day: the total and one page per meal slot.
    DinerTime_PageControl = new QTabWidget(this);
    DinerTime_PageControl->setObjectName(QStringLiteral("DinerTime_PageControl"));
    auto *totalPage = new QWidget;
    totalPage->setObjectName(QStringLiteral("TSTotal"));
    Total_grid = makePlanGrid(QStringLiteral("Total_grid"), totalPage);
    Total_grid->setModel(m_total);
    DinerTime_PageControl->addTab(totalPage, QStringLiteral("总计"));
    m_pages << totalPage;
    for (const auto &s : plan::mealSlots()) {
        auto *page = new QWidget;
        page->setObjectName(QString::fromLatin1(s.pageName));
        DataGrid *g = makePlanGrid(QString::fromLatin1(s.gridName), page);
        g->setModel(m_dinerTime);
        m_slotGrids << g;
        DinerTime_PageControl->addTab(page, QString::fromUtf8(s.name));
        m_pages << page;
    }
    connect(DinerTime_PageControl, &QTabWidget::currentChanged, this, [this](int i) { pageChanged(i); });

    // The command buttons, beside the page tabs.
    auto *corner = new QWidget(DinerTime_PageControl);
    auto *buttons = new QHBoxLayout(corner);
    buttons->setContentsMargins(0, 0, 0, 2);
    buttons->setSpacing(3);
    for (const CommandButton &b : kCommandButtons) {
        auto *btn = new QPushButton(QString::fromUtf8(b.caption), corner);
        const QString name = QString::fromLatin1(b.name);
        btn->setObjectName(name);
        btn->setFixedWidth(b.name == QByteArrayView("WeekSum_btn") || b.name == QByteArrayView("Structure_btn") ? 70 : 50);
        buttons->addWidget(btn);
        m_buttons << btn;
        connect(btn, &QPushButton::clicked, this, [this, name] { onCommand(name); });
    }
    DinerTime_PageControl->setCornerWidget(corner, Qt::TopRightCorner);
    for (const char *n : {"WeekSum_btn", "Save_btn", "Load_btn", "Report_btn"})
        button(QString::fromLatin1(n))->setEnabled(false);

    // The menu of the plan grids.
    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("PopupMenu1"));
    QAction *select = m_gridMenu->addAction(QStringLiteral("成分选择(&Select)"));
    select->setObjectName(QStringLiteral("Select_act"));
    connect(select, &QAction::triggered, this, &TAnalyze::SelectColumns);
    QAction *copy = m_gridMenu->addAction(QStringLiteral("复制到(&C)…"));
    copy->setObjectName(QStringLiteral("CopyTo_act"));
    connect(copy, &QAction::triggered, this, &TAnalyze::CopyEntries);
    return DinerTime_PageControl;
}

DataGrid *TAnalyze::makePlanGrid(const QString &name, QWidget *page)
{
    auto *l = new QVBoxLayout(page);
    l->setContentsMargins(2, 2, 2, 2);
    auto *g = new DataGrid(page);
    g->setObjectName(name);
    compact(g);
    g->setReadOnly(true);
    QList<DataGrid::Column> cols;
    for (const QString &c : bench::planGridColumns()) {
        DataGrid::Column col;
        col.field = c;
        col.title = bench::planGridTitle(c);
        if (c == QLatin1String("CODE")) {
            col.visible = false;
        } else if (c == QLatin1String("FOODNAME")) {
            col.footer = DataGrid::FooterKind::Text;
            col.footerText = QStringLiteral("总计：");
            col.width = 150;
        } else if (c == QLatin1String("DINERTIME")) {
            col.footer = DataGrid::FooterKind::Count;
            col.width = 74;
        } else if (c == QLatin1String("WEIGHT") || c == QLatin1String("EDIBLE")) {
            col.footer = c == QLatin1String("EDIBLE") ? DataGrid::FooterKind::Average : DataGrid::FooterKind::Sum;
            col.width = 62;
        } else {
            col.footer = DataGrid::FooterKind::Sum;
            col.width = 76;
        }
        cols << col;
    }
    g->setColumns(cols, true);
    g->setFrozenColumn(true);
    g->setToolTip(kGridHint);
    g->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(g, &QWidget::customContextMenuRequested, this, [this, g](const QPoint &pos) {
        m_gridMenu->popup(g->viewport()->mapToGlobal(pos));
    });
    connect(g, &QAbstractItemView::doubleClicked, this, [this] { ChangeWeight(); });
    l->addWidget(g);
    return g;
}

QWidget *TAnalyze::buildResultSide()
{
    GroupBox1 = new QGroupBox(QStringLiteral("周日统计结果"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *l = new QVBoxLayout(GroupBox1);
    l->setContentsMargins(4, 2, 4, 4);
    l->setSpacing(4);

    EvaluationPanel::Options options;
    options.legend = false;
    options.compact = true;
    m_panel = new EvaluationPanel(GroupBox1, options);
    DRIs_Grid = m_panel->grid();
    m_dris = m_panel->model();
    Chart1 = m_panel->chart();
    compact(DRIs_Grid);
    {
        // Two title lines, the two rows, the markers and the scroll bar.
        const QFontMetrics fm(DRIs_Grid->font());
        const int margin = DRIs_Grid->style()->pixelMetric(QStyle::PM_HeaderMargin);
        QFont bold = DRIs_Grid->font();
        bold.setBold(true);
        const int titles = 2 * (fm.height() + 2 * margin) + 2;
        const int rows = 2 * DRIs_Grid->verticalHeader()->defaultSectionSize();
        const int footer = QFontMetrics(bold).height() + 8;
        const int bar = DRIs_Grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        DRIs_Grid->setFixedHeight(titles + rows + footer + bar + 2 * DRIs_Grid->frameWidth());
    }
    QFont small = Chart1->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    Chart1->setFont(small);
    Chart1->setFixedHeight(112);
    l->addWidget(m_panel, 1);
    return GroupBox1;
}

// ---------------------------------------------------------------- state

int TAnalyze::currentWeekdayIndex() const
{
    return plan::weekdayIndex(m_weekday);
}

void TAnalyze::setPercentages(const QStringList &percentages)
{
    QStringList p = bench::defaultPercentages();
    for (int i = 0; i < plan::kWeekdayCount && i < percentages.size(); ++i)
        p[i] = QString::number(bench::clampPercent(percentages[i]));
    m_percentages = p;
    const int idx = std::max(0, currentWeekdayIndex());
    m_settingPercent = true;
    Quotiety_edt->setValue(bench::clampPercent(m_percentages[idx]));
    m_settingPercent = false;
    m_coefficient = bench::coefficientOf(m_percentages[idx]);
    BuildStandardRow();
    Evaluate();
}

bool TAnalyze::isTotalPageShown() const
{
    return DinerTime_PageControl->currentIndex() <= 0;
}

plan::MealSlot TAnalyze::shownSlot() const
{
    const int i = DinerTime_PageControl->currentIndex();
    if (i <= 0)
        return plan::MealSlot::Breakfast;
    return plan::mealSlots()[i - 1].slot;
}

void TAnalyze::showSlotPage(const plan::MealSlot *slot)
{
    DinerTime_PageControl->setCurrentIndex(slot ? int(*slot) + 1 : 0);
}

void TAnalyze::checkWeekday(int index)
{
    if (QRadioButton *r = m_weekdayRadios.value(index))
        r->setChecked(true);
}

DataGrid *TAnalyze::slotGrid(plan::MealSlot slot) const
{
    return m_slotGrids.value(int(slot));
}

DataGrid *TAnalyze::shownGrid() const
{
    return isTotalPageShown() ? Total_grid : slotGrid(shownSlot());
}

QList<DataGrid *> TAnalyze::planGrids() const
{
    QList<DataGrid *> l{Total_grid};
    l << m_slotGrids;
    return l;
}

QPushButton *TAnalyze::button(const QString &name) const
{
    for (QPushButton *b : m_buttons) {
        if (b->objectName() == name)
            return b;
    }
    return nullptr;
}

void TAnalyze::setCommand(const QString &buttonName, std::function<void(TAnalyze *)> command)
{
    QPushButton *b = button(buttonName);
    if (!b)
        return;
    m_commands.insert(buttonName, command);
    b->setEnabled(bool(command));
}

void TAnalyze::onCommand(const QString &buttonName)
{
    // Every command works on the plan in the database: without it nothing is
    // asked, opened or written, and the user is told why.
    if (const nqb::Result open = nqb::sql::requireOpen(); !open) {
        prompt::error(this, open.message);
        return;
    }
    if (buttonName == QLatin1String("Del_btn"))
        return Delete();
    if (buttonName == QLatin1String("ClearAll_btn"))
        return ClearAll();
    if (buttonName == QLatin1String("Copy_btn"))
        return CopyEntries();
    if (buttonName == QLatin1String("Undo_btn"))
        return Undo();
    if (buttonName == QLatin1String("Redo_btn"))
        return Redo();
    const auto it = m_commands.constFind(buttonName);
    if (it != m_commands.constEnd() && *it)
        (*it)(this);
}

void TAnalyze::report(const QString &error)
{
    if (!error.isEmpty())
        prompt::error(this, error);
}

// ---------------------------------------------------------------- refresh

void TAnalyze::OpenTotals()
{
    QString err;
    if (!bench::openQuery(m_total, bench::planGridSql(false), {m_weekday}, &err))
        report(err);
}

void TAnalyze::OpenSlotView()
{
    QString err;
    m_slotViewOpen = true;
    if (!bench::openQuery(m_dinerTime, bench::planGridSql(true), {m_weekday, m_filterSlot}, &err))
        report(err);
}

void TAnalyze::RefreshPlan()
{
    OpenTotals();
    if (m_slotViewOpen)
        OpenSlotView();
    Evaluate();
}

void TAnalyze::RefreshAll()
{
    OpenTotals();
    if (m_slotViewOpen)
        OpenSlotView();
    BuildStandardRow();
    Evaluate();
}

void TAnalyze::BuildStandardRow()
{
    QString err;
    if (!eval::buildStandardRow(m_coefficient, &err))
        report(err);
}

void TAnalyze::Evaluate()
{
    // The day's totals (held to four decimals, as the totals grid's footers).
    const QStringList req = requirementColumns();
    m_evaluation = eval::evaluateDay(m_weekday, m_coefficient);
    if (!m_evaluation.ok())
        report(m_evaluation.error);

    QString err;
    if (!bench::openQuery(m_dris,
                          QStringLiteral("SELECT SEQ, REMARK, %1, '' AS BLANK FROM DRIs_tmp "
                                         "WHERE REMARK=? OR REMARK=? ORDER BY rowid")
                              .arg(joinColumns(req)),
                          {QStringLiteral("实际"), QStringLiteral("标准")}, &err))
        report(err);

    DrawChart();
}

QSet<QString> TAnalyze::visibleTotalColumns() const
{
    QSet<QString> s;
    for (const QString &c : compositionColumns()) {
        if (Total_grid->isColumnVisible(c))
            s.insert(c);
    }
    return s;
}

void TAnalyze::DrawChart()
{
    const QSet<QString> shown = visibleTotalColumns();
    const QStringList req = requirementColumns();
    // A nutrient's column and bar are shown while the totals grid shows its column.
    for (int k = 0; k < kRequirementCount; ++k)
        DRIs_Grid->setColumnVisible(req[k], eval::evaluationColumnShown(k, shown));
    m_panel->showEvaluation(m_evaluation.nutrients, eval::workbenchBars(m_evaluation, shown));
}

// ---------------------------------------------------------------- handlers

void TAnalyze::weekdayChosen(int index)
{
    m_weekday = plan::weekdayCode(index);
    // The day's percentage; the standard is rebuilt by RefreshAll below.
    m_settingPercent = true;
    Quotiety_edt->setValue(bench::clampPercent(m_percentages.value(index)));
    m_settingPercent = false;
    m_coefficient = bench::coefficientOf(m_percentages.value(index));
    GroupBox1->setTitle(plan::weekdayCaption(index) + QStringLiteral("统计结果"));
    for (int i = 0; i < m_weekdayRadios.size(); ++i) {
        QPalette p = m_weekdayRadios[i]->palette();
        p.setColor(QPalette::WindowText, i == index ? QColor(Qt::red) : QColor(Qt::black));
        m_weekdayRadios[i]->setPalette(p);
    }
    RefreshAll();
}

void TAnalyze::percentChanged(int value)
{
    m_coefficient = bench::coefficientOf(QString::number(value));
    const int idx = currentWeekdayIndex();
    int before = value;
    if (idx >= 0 && idx < m_percentages.size()) {
        before = bench::clampPercent(m_percentages[idx]);
        m_percentages[idx] = QString::number(value);
    }
    if (m_settingPercent)
        return;
    if (m_undo && idx >= 0 && before != value)
        m_undo->push(new PercentCommand(idx, before, value, [this](int day, int percent) { setDayPercent(day, percent); }));
    BuildStandardRow();
    Evaluate();
}

void TAnalyze::setDayPercent(int day, int percent)
{
    if (day < 0 || day >= m_percentages.size())
        return;
    m_percentages[day] = QString::number(percent);
    if (day != currentWeekdayIndex()) {
        checkWeekday(day); // shows the day, with its percentage and evaluation
        return;
    }
    m_settingPercent = true;
    Quotiety_edt->setValue(percent);
    m_settingPercent = false;
    m_coefficient = bench::coefficientOf(QString::number(percent));
    BuildStandardRow();
    Evaluate();
}

void TAnalyze::recordEdit(const QString &text, const std::function<void()> &edit)
{
    plan::PlanImage before;
    const Result read = plan::readPlanImage(&before);
    edit();
    plan::PlanImage after;
    if (!read.ok() || !plan::readPlanImage(&after).ok()) {
        m_undo->clear(); // what changed is not known: nothing to undo safely
        return;
    }
    plan::PlanChange change = plan::diffImages(before, after);
    if (change.isEmpty())
        return;
    m_undo->push(new PlanEditCommand(text, std::move(change), [this](const Result &r) {
        if (!r.ok()) {
            report(r.message);
            // The stack no longer matches the plan; it goes once this step ends.
            QMetaObject::invokeMethod(m_undo, &QUndoStack::clear, Qt::QueuedConnection);
        }
        RefreshPlan();
    }));
}

void TAnalyze::Undo()
{
    if (m_undo->canUndo())
        m_undo->undo();
}

void TAnalyze::Redo()
{
    if (m_undo->canRedo())
        m_undo->redo();
}

void TAnalyze::CopyEntries()
{
    TPlanCopy::Request request;
    request.sourceDay = m_weekday;
    request.mealPattern = m_state.mealPattern();
    if (!isTotalPageShown())
        request.slot = shownSlot();
    const std::optional<plan::CopyRequest> chosen = TPlanCopy::run(window(), request);
    if (!chosen)
        return;
    plan::CopyResult result;
    recordEdit(QStringLiteral("复制 ") + plan::weekdayCaption(currentWeekdayIndex()), [&] { result = plan::copyEntries(*chosen); });
    if (!result.ok()) {
        report(result.message);
        return;
    }
    prompt::info(this, plan::copyMessage(result));
    RefreshPlan();
}

void TAnalyze::mirrorColumns(DataGrid *grid)
{
    if (!grid)
        return;
    grid->setColumnVisible(QStringLiteral("EDIBLE"), Total_grid->isColumnVisible(QStringLiteral("EDIBLE")));
    for (const QString &c : compositionColumns())
        grid->setColumnVisible(c, Total_grid->isColumnVisible(c));
}

void TAnalyze::pageChanged(int index)
{
    if (index <= 0) {
        // The total page: the slot view is closed.
        m_slotViewOpen = false;
        // (A cleared model is not cleared again: each clearing resets its grid.)
        if (m_dinerTime->columnCount() > 0 || m_dinerTime->rowCount() > 0)
            m_dinerTime->clear();
        return;
    }
    const auto &s = plan::mealSlots()[index - 1];
    mirrorColumns(m_slotGrids.value(index - 1));
    m_slot = QString::fromUtf8(s.name);
    m_filterSlot = m_slot;
    OpenSlotView();
}

void TAnalyze::applyMealPattern(int pattern)
{
    for (int i = 0; i < plan::kMealSlotCount; ++i) {
        const bool on = plan::slotInUse(pattern, plan::mealSlots()[i].slot);
        // Each change of a tab's visibility lays the tab bar out again.
        if (DinerTime_PageControl->isTabVisible(i + 1) != on)
            DinerTime_PageControl->setTabVisible(i + 1, on);
    }
    if (!DinerTime_PageControl->isTabVisible(DinerTime_PageControl->currentIndex()))
        DinerTime_PageControl->setCurrentIndex(0);
}

void TAnalyze::ShowSteps()
{
    m_chooser->FillTrees();
    checkWeekday(0);
    m_chooser->setListMode(true);
    DinerTime_PageControl->setCurrentIndex(0);
    pageChanged(0);
    m_state.reloadMealPattern();
    applyMealPattern(m_state.mealPattern());
    RefreshAll();
}

void TAnalyze::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Only when the window turns visible by the program (not when the main
    // window comes back from being minimised).
    if (!event->spontaneous())
        ShowSteps();
}

void TAnalyze::OpenQuantifiedMenu()
{
    m_chooser->OpenQuantifiedMenu();
}

void TAnalyze::Delete()
{
    if (!prompt::ask(this, QStringLiteral("确认删除？")))
        return;
    QString code;
    QString name;
    DataGrid *g = shownGrid();
    if (g->currentIndex().isValid()) {
        code = g->currentValue(QStringLiteral("CODE")).toString().trimmed();
        name = g->currentValue(QStringLiteral("FOODNAME")).toString().trimmed();
        if (isTotalPageShown())
            m_slot = g->currentValue(QStringLiteral("DINERTIME")).toString().trimmed();
    }
    plan::PlanResult r;
    recordEdit(QStringLiteral("删除 ") + name, [&] { r = plan::deleteEntry(code, m_weekday, m_slot, name); });
    if (!r.ok())
        report(r.message);
    RefreshPlan();
}

void TAnalyze::ClearAll()
{
    if (!prompt::ask(this, QStringLiteral("确认清空？")))
        return;
    plan::PlanResult r;
    recordEdit(QStringLiteral("清空配餐"), [&] { r = plan::clearPlan(); });
    if (!r.ok())
        report(r.message);
    RefreshPlan();
}

TAnalyzeEdit::Request TAnalyze::editRequest()
{
    TAnalyzeEdit::Request r;
    r.weekday = m_weekday;
    DataGrid *g = shownGrid();
    if (g && g->currentIndex().isValid()) {
        r.name = g->currentValue(QStringLiteral("FOODNAME")).toString().trimmed();
        const QVariant w = g->currentValue(QStringLiteral("WEIGHT"));
        if (!w.isNull())
            r.oldWeight = fmtG(toNumber(w));
        if (isTotalPageShown())
            m_slot = g->currentValue(QStringLiteral("DINERTIME")).toString().trimmed();
    }
    r.slot = m_slot;
    return r;
}

void TAnalyze::ChangeWeight()
{
    const TAnalyzeEdit::Request request = editRequest();
    bool changed = false;
    recordEdit(QStringLiteral("修改 ") + request.name,
               [&] { changed = TAnalyzeEdit::run(window(), request).has_value(); });
    if (changed)
        RefreshPlan();
}

void TAnalyze::SelectColumns()
{
    QList<DataGrid *> grids{Total_grid};
    if (!isTotalPageShown())
        grids << shownGrid();
    grids << m_chooser->compositionGrid();
    TSelNutri selector(grids, [this] { RefreshAll(); }, window());
    selector.exec();
}

void TAnalyze::addEntryRequested()
{
    if (m_chooser->chosenName().isEmpty())
        return;
    const TAnalyzeInsert::Request request = addRequest();
    bool added = false;
    recordEdit(QStringLiteral("增加 ") + request.name,
               [&] { added = TAnalyzeInsert::run(window(), request).has_value(); });
    if (added)
        RefreshPlan();
}

TAnalyzeInsert::Request TAnalyze::addRequest() const
{
    TAnalyzeInsert::Request r;
    r.name = m_chooser->chosenName();
    r.weekday = m_weekday;
    r.totalPageShown = isTotalPageShown();
    r.shownSlot = shownSlot();
    r.mealPattern = m_state.mealPattern();
    const bool listMode = m_chooser->isListMode();
    if (!listMode)
        r.proposedWeight = m_chooser->menuWeight();
    // In list mode the name is looked up in the table the pick list was filled
    // from; in quantified-menu mode by the menu row's identifier, so that foods
    // and dishes alike get their code.
    if (!r.name.isEmpty()) {
        r.food = listMode ? plan::lookupFoodByName(r.name, m_chooser->listTable(), &r.lookupError)
                          : bench::menuItemFood(m_chooser->menuPantry(), r.name, &r.lookupError);
    }
    return r;
}

void TAnalyze::saveDefaultPicture()
{
    // Drawn at twice the size and scaled down, so its edges stay smooth.
    const QImage img = builtInPicture().scaled(120, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QSaveFile f(programFile(QStringLiteral("NQB.bmp")));
    if (!f.open(QIODevice::WriteOnly) || !img.save(&f, "BMP") || !f.commit())
        return; // a read-only program folder: the chooser then shows no picture
}
