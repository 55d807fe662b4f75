#include "foods/CookBookEditUnit.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "data/Pinyin.h"
#include "foods/DishView.h"
#include "foods/FoodKindEditUnit.h"
#include "foods/FoodMtlAddUnit.h"
#include "foods/FoodMtlEdtUnit.h"
#include "widgets/DataGrid.h"
#include "widgets/FoodPicker.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/Pickers.h"
#include "widgets/Prompt.h"
#include "widgets/SearchEdit.h"
#include "widgets/TitleBand.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

QPushButton *hiddenButton(const char *name, QWidget *parent)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->hide();
    return b;
}

} // namespace

TCookBookEdit::TCookBookEdit(const Input &input, QWidget *parent)
    : QDialog(parent)
    , m_input(input)
{
    setObjectName(QStringLiteral("TCookBookEdit"));
    buildUi();

    m_picker->fillTrees();
    m_picker->fillElements();
    fillCategories();
    refreshGrid();

    if (m_input.adding) {
        setWindowTitle(QStringLiteral("添加食物"));
        Panel1->setText(QStringLiteral("添   加   食   物"));
        EditCate_edt->hide();
        AddCate_btn->setDefault(true);
        m_picture = dishview::designedPicture();
    } else {
        const dish::DishInfo &d = m_input.dish;
        setWindowTitle(QStringLiteral("修改食物"));
        Panel1->setText(QStringLiteral("[") + d.name.trimmed() + QStringLiteral("]编辑"));
        AddCate_btn->hide();
        EditCate_edt->setDefault(true);
        CateName_edt->setText(d.name.trimmed());
        PYJM_edt->setText(d.pyjm);
        Edible_edt->setText(d.edible);
        CateKind_cmb->setCurrentIndex(CateKind_cmb->findText(d.kindText.trimmed()));
        Memo1->setPlainText(d.describe);
        m_picture = dishview::pictureOf(d.foodId);
    }
    Image->setPixmap(m_picture);
}

TCookBookEdit::~TCookBookEdit() = default;

std::optional<QString> TCookBookEdit::run(QWidget *parent, const Input &input)
{
    TCookBookEdit editor(input, parent);
    editor.exec();
    if (editor.m_savedName.isEmpty())
        return std::nullopt;
    return editor.m_savedName;
}

void TCookBookEdit::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);
    Panel1 = makeTitleBand(QString(), this, 4);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    root->addWidget(Panel1);

    auto *top = new QHBoxLayout;
    root->addLayout(top, 0);

    // The dish's own fields.
    auto *form = new QGroupBox(this);
    auto *formLayout = new QVBoxLayout(form);
    auto *fields = new QFormLayout;
    CateName_edt = new QLineEdit(form);
    CateName_edt->setObjectName(QStringLiteral("CateName_edt"));
    fields->addRow(QStringLiteral("菜肴名称："), CateName_edt);
    PYJM_edt = new QLineEdit(form);
    PYJM_edt->setObjectName(QStringLiteral("PYJM_edt"));
    connect(PYJM_edt, &QLineEdit::textEdited, this, [this](const QString &t) {
        if (t != t.toUpper()) {
            const int pos = PYJM_edt->cursorPosition();
            PYJM_edt->setText(t.toUpper());
            PYJM_edt->setCursorPosition(pos);
        }
    });
    PYJM_edt->installEventFilter(this);
    fields->addRow(QStringLiteral("拼音简码："), PYJM_edt);
    Edible_edt = new NumericEdit(form);
    Edible_edt->setObjectName(QStringLiteral("Edible_edt"));
    Edible_edt->setAllowPoint(false);
    Edible_edt->setText(QStringLiteral("100"));
    Edible_edt->installEventFilter(this);
    fields->addRow(QStringLiteral("食        部："), Edible_edt);
    auto *kindRow = new QHBoxLayout;
    CateKind_cmb = new QComboBox(form);
    CateKind_cmb->setObjectName(QStringLiteral("CateKind_cmb"));
    CateKind_cmb->setEditable(false);
    CateKind_cmb->setPlaceholderText(dish::chooseCategoryText());
    kindRow->addWidget(CateKind_cmb, 1);
    BitBtn4 = new QPushButton(QStringLiteral("编"), form);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setAutoDefault(false);
    BitBtn4->setFixedWidth(32);
    BitBtn4->setToolTip(QStringLiteral("编辑菜肴类别"));
    kindRow->addWidget(BitBtn4);
    fields->addRow(QStringLiteral("菜肴类别："), kindRow);
    formLayout->addLayout(fields);

    auto *pictureRow = new QHBoxLayout;
    Image = new QLabel(form);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setFixedSize(120, 100);
    Image->setScaledContents(true);
    Image->setFrameShape(QFrame::StyledPanel);
    Image->setCursor(Qt::PointingHandCursor);
    Image->setToolTip(QStringLiteral("单击选择菜肴图片"));
    Image->installEventFilter(this);
    pictureRow->addWidget(Image);
    Memo1 = new QPlainTextEdit(form);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setTabChangesFocus(true);
    Memo1->setPlaceholderText(QStringLiteral("菜肴说明"));
    pictureRow->addWidget(Memo1, 1);
    formLayout->addLayout(pictureRow);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    AddCate_btn = new QPushButton(QStringLiteral(" 添   加"), form);
    AddCate_btn->setObjectName(QStringLiteral("AddCate_btn"));
    EditCate_edt = new QPushButton(QStringLiteral("  修  改"), form);
    EditCate_edt->setObjectName(QStringLiteral("EditCate_edt"));
    Close_btn = new QPushButton(QStringLiteral("关  闭"), form);
    Close_btn->setObjectName(QStringLiteral("Close_btn"));
    Close_btn->setAutoDefault(false);
    buttons->addWidget(AddCate_btn);
    buttons->addWidget(EditCate_edt);
    buttons->addWidget(Close_btn);
    formLayout->addLayout(buttons);
    top->addWidget(form, 3);

    // The raw foods to pick from.
    FoodPicker::Options options;
    options.searchPrompt = QStringLiteral("拼音首字母/汉字");
    m_picker = new FoodPicker(this, options);
    QTabWidget *tabs = m_picker->tabs();
    tabs->setCurrentWidget(m_picker->foodPage());
    tabs->removeTab(tabs->indexOf(m_picker->dishPage()));
    m_picker->dishPage()->hide();
    tabs->tabBar()->hide();
    m_picker->searchBox()->setClearOnClick(true);
    auto *treeBox = new QGroupBox(QStringLiteral("原料列表"), this);
    auto *treeLayout = new QVBoxLayout(treeBox);
    treeLayout->setContentsMargins(4, 4, 4, 4);
    treeLayout->addWidget(tabs);
    top->addWidget(treeBox, 2);

    auto *pick = new QVBoxLayout;
    pick->addWidget(m_picker->searchBox());
    auto *elementRow = new QHBoxLayout;
    m_picker->elementCombo()->setMaxVisibleItems(24);
    elementRow->addWidget(m_picker->elementCombo(), 1);
    elementRow->addWidget(new QLabel(QStringLiteral("含量为"), this));
    Weight_edt = new QLineEdit(this);
    Weight_edt->setObjectName(QStringLiteral("Weight_edt"));
    Weight_edt->setReadOnly(true);
    Weight_edt->setFixedWidth(70);
    elementRow->addWidget(Weight_edt);
    pick->addLayout(elementRow);
    pick->addWidget(m_picker->pickList(), 1);
    top->addLayout(pick, 3);

    // The ingredients under edit.
    Nutrient_Grid = new DataGrid(this);
    Nutrient_Grid->setObjectName(QStringLiteral("Nutrient_Grid"));
    dishview::setupIngredientGrid(Nutrient_Grid);
    m_model = new QSqlQueryModel(this);
    Nutrient_Grid->setModel(m_model);
    auto *deleteAction = new QAction(QStringLiteral("删除(&Del)"), Nutrient_Grid);
    deleteAction->setObjectName(QStringLiteral("PopupMenu1"));
    deleteAction->setShortcut(QKeySequence::Delete);
    deleteAction->setShortcutContext(Qt::WidgetShortcut);
    Nutrient_Grid->addAction(deleteAction);
    Nutrient_Grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    root->addWidget(Nutrient_Grid, 1);

    // The actions behind the double clicks, Enter and the context menu.
    QPushButton *searchBtn = hiddenButton("Search_btn", this);
    QPushButton *addBtn = hiddenButton("Add_btn", this);
    QPushButton *edtBtn = hiddenButton("Edt_btn", this);
    QPushButton *delBtn = hiddenButton("Del_btn", this);
    connect(searchBtn, &QPushButton::clicked, m_picker, &FoodPicker::search);
    connect(addBtn, &QPushButton::clicked, this, [this] { addPicked(m_picker->currentName()); });
    connect(edtBtn, &QPushButton::clicked, this, &TCookBookEdit::changeWeight);
    connect(delBtn, &QPushButton::clicked, this, &TCookBookEdit::deleteIngredient);

    connect(m_picker, &FoodPicker::activated, this, [this](const QString &name) { addPicked(name); });
    connect(m_picker, &FoodPicker::clicked, this, [this](const QString &name) {
        m_picker->searchBox()->showPrompt();
        showNutrientOf(name);
    });
    connect(m_picker->searchBox(), &SearchEdit::searchRequested, Weight_edt, &QLineEdit::clear);
    connect(m_picker->elementCombo(), &QComboBox::currentIndexChanged, Weight_edt, &QLineEdit::clear);
    connect(Nutrient_Grid, &QAbstractItemView::doubleClicked, this, &TCookBookEdit::changeWeight);
    connect(deleteAction, &QAction::triggered, this, &TCookBookEdit::deleteIngredient);
    connect(AddCate_btn, &QPushButton::clicked, this, &TCookBookEdit::Save);
    connect(EditCate_edt, &QPushButton::clicked, this, &TCookBookEdit::Modify);
    connect(Close_btn, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn4, &QPushButton::clicked, this, &TCookBookEdit::editCategories);

    setTabOrder(CateName_edt, PYJM_edt);
    setTabOrder(PYJM_edt, Edible_edt);
    setTabOrder(Edible_edt, CateKind_cmb);
    setTabOrder(CateKind_cmb, BitBtn4);
    setTabOrder(BitBtn4, Memo1);
    setTabOrder(Memo1, AddCate_btn);
    setTabOrder(AddCate_btn, EditCate_edt);
    setTabOrder(EditCate_edt, Close_btn);
    setTabOrder(Close_btn, m_picker->foodTree());
    setTabOrder(m_picker->foodTree(), m_picker->searchBox());
    setTabOrder(m_picker->searchBox(), m_picker->elementCombo());
    setTabOrder(m_picker->elementCombo(), m_picker->pickList());
    setTabOrder(m_picker->pickList(), Nutrient_Grid);
    resize(1000, 680);
}

void TCookBookEdit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        CateName_edt->setFocus();
}

bool TCookBookEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == Image) {
            choosePicture();
            return true;
        }
        if (watched == Edible_edt) {
            Edible_edt->clear();
        } else if (watched == PYJM_edt && PYJM_edt->text().trimmed().isEmpty()) {
            PYJM_edt->setText(PinyinInitials(CateName_edt->text().trimmed()));
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString TCookBookEdit::categoryText() const
{
    return CateKind_cmb->currentIndex() < 0 ? dish::chooseCategoryText() : CateKind_cmb->currentText();
}

void TCookBookEdit::fillCategories(const QString &keepKindId)
{
    QString err;
    if (!FillDishKindCombo(CateKind_cmb, &err))
        prompt::error(this, err);
    CateKind_cmb->setCurrentIndex(-1);
    if (keepKindId.isEmpty())
        return;
    for (int i = 0; i < CateKind_cmb->count(); ++i) {
        if (CateKind_cmb->itemText(i).startsWith(keepKindId + QLatin1Char('-'))) {
            CateKind_cmb->setCurrentIndex(i);
            return;
        }
    }
}

void TCookBookEdit::report(const Result &r)
{
    if (r.ok())
        return;
    if (r.status == Status::DbError || r.status == Status::FileError)
        prompt::error(this, r.message);
    else
        prompt::warn(this, r.message);
}

void TCookBookEdit::refreshGrid()
{
    QSqlQuery q(db());
    const Result r = sql::exec(q, QStringLiteral("SELECT * FROM CateNutriSum_tmp ORDER BY rowid"));
    if (!r.ok()) {
        prompt::error(this, r.message);
        return;
    }
    m_model->setQuery(std::move(q));
}

void TCookBookEdit::showNutrientOf(const QString &name)
{
    Weight_edt->clear();
    if (name.isEmpty())
        return;
    QString err;
    const QString column = ElementColumn(m_picker->elementCombo(), &err);
    if (column == QLatin1String("none") || compositionIndex(column) < 0)
        return;
    QSqlQuery q(db());
    const Result r = sql::exec(q, QStringLiteral("SELECT %1 FROM Nutri_tb WHERE FoodName = ?").arg(column), {name});
    if (!r.ok()) {
        prompt::error(this, r.message);
        return;
    }
    if (q.next() && !q.value(0).isNull())
        Weight_edt->setText(fmtG(toNumber(q.value(0))));
}

void TCookBookEdit::addPicked(const QString &picked)
{
    const QString name = picked.trimmed();
    bool present = false;
    const Result r = dish::hasIngredient(name, present);
    if (!r.ok())
        return report(r);
    if (present) {
        prompt::warn(this, QStringLiteral("该食物已存在,请修改其重量!"));
        return;
    }
    if (name.isEmpty())
        return;
    TFoodMtlAdd::run(this, name);
    refreshGrid();
}

void TCookBookEdit::changeWeight()
{
    const int row = Nutrient_Grid->currentIndex().row();
    if (row < 0 || Nutrient_Grid->rowCount() == 0)
        return; // an empty grid has no weight to change
    TFoodMtlEdt::Request req;
    req.name = Nutrient_Grid->value(row, QStringLiteral("FOODNAME")).toString().trimmed();
    req.oldWeight = fmtG(toNumber(Nutrient_Grid->value(row, QStringLiteral("WEIGHT"))));
    TFoodMtlEdt::run(this, req);
    refreshGrid();
}

void TCookBookEdit::deleteIngredient()
{
    const int row = Nutrient_Grid->currentIndex().row();
    if (row < 0)
        return;
    const Result r = dish::deleteIngredient(Nutrient_Grid->value(row, QStringLiteral("FOODNAME")).toString());
    report(r);
    refreshGrid();
}

void TCookBookEdit::choosePicture()
{
    m_imageChanged = true;
    const QString file = Prompt::current().pickImage(this, QStringLiteral("请选择食物图片"), QString());
    if (file.isEmpty())
        return;
    const QPixmap pix(file);
    if (pix.isNull()) {
        prompt::error(this, QObject::tr("无法读取图片“%1”。").arg(file));
        return;
    }
    m_picture = pix;
    Image->setPixmap(m_picture);
}

void TCookBookEdit::editCategories()
{
    const QString text = CateKind_cmb->currentIndex() < 0 ? QString() : CateKind_cmb->currentText();
    const QString kindId = text.section(QLatin1Char('-'), 0, 0);
    TFoodKindEdit::run(this);
    fillCategories(kindId);
}

dish::SaveRequest TCookBookEdit::request() const
{
    dish::SaveRequest req;
    req.adding = m_input.adding;
    req.originalId = m_input.dish.foodId;
    req.name = CateName_edt->text();
    req.pyjm = PYJM_edt->text();
    req.edible = Edible_edt->text();
    req.kindText = categoryText();
    req.describe = Memo1->toPlainText();
    return req;
}

void TCookBookEdit::storePicture(const QString &newId, const QString &oldId)
{
    QString err;
    if (m_imageChanged) {
        err = dishview::savePicture(m_picture, newId);
        if (err.isEmpty() && !oldId.isEmpty() && oldId != newId)
            dishview::removePicture(oldId);
    } else if (newId != oldId) {
        // No picture of its own: a file left under the identifier by an
        // earlier dish is not this dish's picture.
        dishview::removePicture(newId);
    }
    m_imageChanged = false;
    if (!err.isEmpty())
        prompt::error(this, QObject::tr("菜肴已保存，但图片未能保存：%1").arg(err));
}

void TCookBookEdit::Save()
{
    if (!m_input.adding)
        return Modify();
    const dish::SaveOutcome out = dish::saveDish(request());
    if (!out.result.ok())
        return report(out.result);
    storePicture(out.foodId, QString());
    m_savedId = out.foodId;
    if (prompt::ask(this, QStringLiteral("添加成功,是否继续添加？"))) {
        const Result r = dish::clearWorkTable();
        report(r);
        refreshGrid();
        CateName_edt->clear();
        PYJM_edt->clear();
        Edible_edt->setText(QStringLiteral("100"));
        CateKind_cmb->setCurrentIndex(-1);
        m_savedName = out.name;
        CateName_edt->setFocus();
        return;
    }
    m_savedName = out.name;
    accept();
}

void TCookBookEdit::Modify()
{
    if (m_input.adding)
        return Save();
    if (!prompt::ask(this, QStringLiteral("确认修改？")))
        return;
    const dish::SaveRequest req = request();
    Result r = dish::checkSave(req);
    if (!r.ok())
        return report(r);
    // A dish with a picture file keeps it: the shown picture is stored again
    // under the identifier the save gives it.
    const QString oldId = m_input.dish.foodId.trimmed();
    const bool before = m_imageChanged;
    if (dishview::hasPicture(oldId))
        m_imageChanged = true;
    const dish::SaveOutcome out = dish::saveDish(req);
    if (!out.result.ok()) {
        m_imageChanged = before;
        return report(out.result);
    }
    storePicture(out.foodId, oldId);
    m_savedId = out.foodId;
    m_savedName = out.name;
    prompt::info(this, QStringLiteral("恭喜你,修改成功!"));
    accept();
}
