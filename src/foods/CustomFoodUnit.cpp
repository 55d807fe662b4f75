#include "foods/CustomFoodUnit.h"

#include "data/NumberFormat.h"
#include "data/Paths.h"
#include "foods/CompositionImportDialog.h"
#include "foods/CustomFoodInsertUnit.h"
#include "planning/Workbench.h"
#include "widgets/FoodPicker.h"
#include "widgets/NumericEdit.h"
#include "widgets/PickList.h"
#include "widgets/Prompt.h"
#include "widgets/SearchEdit.h"
#include "widgets/TitleBand.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace nqb;
using namespace nqb::rawfood;

namespace {

const QString kNoFoodCaption = QStringLiteral("食     物    名    称");
constexpr int kPictureWidth = 120;
constexpr int kPictureHeight = 100;

QPushButton *makeButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QString shownValue(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::QString)
        return v.toString().trimmed();
    return fmtG(v.toDouble());
}

} // namespace

TCustomFood::TCustomFood(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TCustomFood"));
    setWindowTitle(QStringLiteral("原料编辑"));
    buildUi();
    m_picker->fillTrees();
    resetToNoFood();
}

void TCustomFood::run(QWidget *parent)
{
    TCustomFood window(parent);
    window.exec();
}

void TCustomFood::buildUi()
{
    // Left: the food groups, the search box and the pick list.
    FoodPicker::Options o;
    o.nutrientSort = false;
    o.searchPrompt = QStringLiteral("拼音首字母/汉字简码");
    m_picker = new FoodPicker(this, o);
    m_picker->tabs()->removeTab(m_picker->tabs()->indexOf(m_picker->dishPage()));
    m_picker->dishPage()->hide();
    m_picker->tabs()->setCurrentWidget(m_picker->foodPage());
    m_picker->tabs()->setTabText(0, QStringLiteral("食物类别"));
    m_picker->searchBox()->setClearOnClick(true);
    m_picker->pickList()->setMinimumWidth(240);
    connect(m_picker, &FoodPicker::clicked, this, [this](const QString &name) { chooseFood(name); });
    connect(m_picker, &FoodPicker::activated, this, [this](const QString &name) { chooseFood(name); });

    auto *left = new QVBoxLayout;
    left->addWidget(m_picker->tabs(), 3);
    left->addWidget(m_picker->searchBox());
    left->addWidget(m_picker->pickList(), 4);

    // Right: the name of the current food, the six pages, picture and texts.
    m_header = makeTitleBand(kNoFoodCaption, this, 4);
    m_header->setObjectName(QStringLiteral("FoodName_pan"));
    m_header->setFrameShape(QFrame::Panel);
    m_header->setFrameShadow(QFrame::Sunken);
    m_header->setMinimumHeight(36);

    auto *add = makeButton(QStringLiteral("添加食物"), QStringLiteral("Add_btn"), this);
    m_enable = makeButton(QStringLiteral("确认修改"), QStringLiteral("Enable_btn"), this);
    m_delete = makeButton(QStringLiteral(" 删  除"), QStringLiteral("Del_btn"), this);
    m_return = makeButton(QStringLiteral("  返   回"), QStringLiteral("Return_edt"), this);
    auto *import = makeButton(QStringLiteral("导入成分数据"), QStringLiteral("Import_btn"), this);
    import->setToolTip(QStringLiteral("从 CSV 文件导入成分数据（可先生成模板）"));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    for (const Page &p : pages()) {
        QHash<QString, QLineEdit *> fields;
        m_pages->addTab(buildPage(p, fields), p.caption);
        m_fields << fields;
    }
    connect(m_pages, &QTabWidget::currentChanged, this, &TCustomFood::pageChanged);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image"));
    m_image->setFixedSize(kPictureWidth, kPictureHeight);
    m_image->setScaledContents(true);
    m_image->setFrameShape(QFrame::Box);
    m_image->setToolTip(QStringLiteral("单击选择食物图片（在“一般营养成分”页），“确认修改”后保存"));
    m_image->installEventFilter(this);

    m_area = new QLineEdit(this);
    m_area->setObjectName(QStringLiteral("DBEditEh100"));
    m_areaCopy = new QLineEdit(this);
    m_areaCopy->setObjectName(QStringLiteral("Edit1"));
    m_areaCopy->setEnabled(false);
    m_describe = new QPlainTextEdit(this);
    m_describe->setObjectName(QStringLiteral("DBMemo1"));
    m_describe->setTabChangesFocus(true);
    m_describeCopy = new QPlainTextEdit(this);
    m_describeCopy->setObjectName(QStringLiteral("Memo1"));
    m_describeCopy->setEnabled(false);
    for (QPlainTextEdit *e : {m_describe, m_describeCopy})
        e->setFixedHeight(e->fontMetrics().lineSpacing() * 3 + 12);

    auto *texts = new QGridLayout;
    texts->addWidget(new QLabel(QStringLiteral("产地："), this), 0, 0);
    texts->addWidget(m_area, 0, 1);
    texts->addWidget(m_areaCopy, 0, 1);
    texts->addWidget(new QLabel(QStringLiteral("食物描述："), this), 1, 0, Qt::AlignTop);
    texts->addWidget(m_describe, 1, 1);
    texts->addWidget(m_describeCopy, 1, 1);

    auto *pictureBox = new QVBoxLayout;
    pictureBox->addWidget(new QLabel(QStringLiteral("食物图片："), this));
    pictureBox->addWidget(m_image);

    auto *below = new QHBoxLayout;
    below->addLayout(pictureBox);
    below->addLayout(texts, 1);

    connect(add, &QPushButton::clicked, this, &TCustomFood::addFood);
    connect(m_enable, &QPushButton::clicked, this, &TCustomFood::confirm);
    connect(m_delete, &QPushButton::clicked, this, &TCustomFood::deleteFood);
    connect(m_return, &QPushButton::clicked, this, &TCustomFood::reload);
    connect(import, &QPushButton::clicked, this, &TCustomFood::importComposition);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(m_enable);
    buttons->addWidget(m_delete);
    buttons->addWidget(import);
    buttons->addStretch();
    buttons->addWidget(m_return);

    auto *right = new QVBoxLayout;
    right->addWidget(m_header);
    right->addWidget(m_pages, 1);
    right->addLayout(below);
    right->addLayout(buttons);

    auto *root = new QHBoxLayout(this);
    root->addLayout(left, 0);
    root->addLayout(right, 1);
    resize(1100, 700);
}

QWidget *TCustomFood::buildPage(const Page &page, QHash<QString, QLineEdit *> &fields)
{
    auto *inner = new QWidget;
    auto *grid = new QGridLayout(inner);
    grid->setHorizontalSpacing(10);
    QList<int> nextRow;
    for (const QString &h : page.headings) {
        const int col = nextRow.size();
        nextRow << 0;
        if (h.isEmpty())
            continue;
        auto *label = new QLabel(h, inner);
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
        label->setWordWrap(true);
        grid->addWidget(label, 0, col * 2, 1, 2);
        nextRow[col] = 1;
    }
    for (const Field &fl : page.fields) {
        if (fl.unit == Unit::Text)
            continue; // the texts below the pages
        while (nextRow.size() <= fl.layoutColumn)
            nextRow << 0;
        const int row = nextRow[fl.layoutColumn]++;
        auto *edit = new NumericEdit(inner);
        edit->setObjectName(fl.column + QStringLiteral("_edt"));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
        edit->setAcceptButton(m_enable);
        auto *label = new QLabel(fl.label, inner);
        label->setBuddy(edit);
        grid->addWidget(label, row, fl.layoutColumn * 2, Qt::AlignRight);
        grid->addWidget(edit, row, fl.layoutColumn * 2 + 1);
        fields.insert(fl.column, edit);
    }
    grid->setRowStretch(grid->rowCount(), 1);
    grid->setColumnStretch(grid->columnCount(), 1);
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(inner);
    return scroll;
}

// ---------------------------------------------------------------- state

void TCustomFood::setEditing(bool on)
{
    m_enable->setEnabled(on);
    const bool clickable = on && m_pages->currentIndex() == 0;
    m_image->setEnabled(clickable);
    m_image->setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TCustomFood::clearFields()
{
    for (auto &page : m_fields) {
        for (QLineEdit *e : page)
            e->clear();
    }
    m_area->clear();
    m_describe->clear();
    m_areaCopy->clear();
    m_describeCopy->clear();
}

void TCustomFood::resetToNoFood()
{
    m_food.reset();
    m_imageChanged = false;
    m_chosenImage = QImage();
    m_header->setText(kNoFoodCaption);
    clearFields();
    const bool first = m_pages->currentIndex() == 0;
    m_area->setVisible(first);
    m_describe->setVisible(first);
    m_areaCopy->setVisible(!first);
    m_describeCopy->setVisible(!first);
    showPicture();
    setEditing(false);
    m_delete->setEnabled(false);
}

QString TCustomFood::pictureFile() const
{
    if (!m_food)
        return {};
    const QString code = m_food->code.trimmed();
    if (code.isEmpty() || code.contains(QLatin1Char('/')) || code.contains(QLatin1Char('\\'))
        || code.startsWith(QLatin1Char('.')))
        return {};
    return programFile(QStringLiteral("FoodImage/") + code + QStringLiteral(".bmp"));
}

void TCustomFood::showPicture()
{
    if (m_imageChanged && !m_chosenImage.isNull()) {
        m_image->setPixmap(QPixmap::fromImage(m_chosenImage));
        return;
    }
    const QString path = m_food ? bench::picturePath(FoodKind::RawFood, m_food->code) : bench::defaultPicturePath();
    const QPixmap pm(path);
    if (pm.isNull())
        m_image->clear();
    else
        m_image->setPixmap(pm);
}

// ---------------------------------------------------------------- choosing

void TCustomFood::chooseFood(const QString &name)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        return;
    QString err;
    const std::optional<Food> food = findFood(n, &err);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        return;
    }
    m_reloadName = n;
    if (!food) {
        resetToNoFood();
        return;
    }
    m_food = food;
    m_imageChanged = false;
    m_chosenImage = QImage();
    m_header->setText(food->name);
    m_delete->setEnabled(true);
    loadShownPage();
    showPicture();
}

void TCustomFood::loadShownPage()
{
    clearFields();
    const int index = m_pages->currentIndex();
    const bool first = index == 0;
    m_area->setVisible(first);
    m_describe->setVisible(first);
    m_areaCopy->setVisible(!first);
    m_describeCopy->setVisible(!first);
    if (!m_food) {
        setEditing(false);
        return;
    }
    QString err;
    // The producing area and description, on page 1 editable, elsewhere as copies.
    const std::optional<QVariantMap> nutri = loadRow(pages().at(0), m_food->name, &err);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        setEditing(false);
        return;
    }
    if (nutri) {
        const QString area = shownValue(nutri->value(QStringLiteral("ProducingArea")));
        const QString describe = shownValue(nutri->value(QStringLiteral("FoodDescribe")));
        (first ? m_area : m_areaCopy)->setText(area);
        (first ? m_describe : m_describeCopy)->setPlainText(describe);
    }
    const Page &page = pages().at(index);
    const std::optional<QVariantMap> row = first ? nutri : loadRow(page, m_food->name, &err);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        setEditing(false);
        return;
    }
    // A food without a row in this table shows empty fields; its row is
    // created by the next "确认修改" only.
    if (row) {
        const auto &fields = m_fields.at(index);
        for (auto it = fields.begin(); it != fields.end(); ++it)
            it.value()->setText(shownValue(row->value(it.key())));
    }
    setEditing(true);
}

void TCustomFood::pageChanged(int)
{
    // Unconfirmed edits of the page left are dropped.
    loadShownPage();
}

void TCustomFood::reload()
{
    const QString name = m_picker->currentName();
    if (!name.isEmpty())
        chooseFood(name);
    else if (!m_reloadName.isEmpty())
        chooseFood(m_reloadName);
}

// ---------------------------------------------------------------- storing

void TCustomFood::confirm()
{
    if (!m_food) {
        prompt::warn(this, QStringLiteral("请先选择一种食物。"));
        return;
    }
    const int index = m_pages->currentIndex();
    const Page &page = pages().at(index);
    QMap<QString, QString> texts;
    const auto &fields = m_fields.at(index);
    for (auto it = fields.begin(); it != fields.end(); ++it)
        texts.insert(it.key(), it.value()->text());
    if (index == 0) {
        texts.insert(QStringLiteral("ProducingArea"), m_area->text());
        texts.insert(QStringLiteral("FoodDescribe"), m_describe->toPlainText());
    }
    QVariantMap values;
    Result r = checkValues(page, texts, &values);
    if (!r) {
        prompt::warn(this, r.message);
        return;
    }
    r = storeRow(page, *m_food, values);
    if (!r) {
        prompt::error(this, r.message);
        return;
    }
    if (m_imageChanged) {
        QString err;
        if (!savePicture(&err))
            prompt::error(this, err);
    }
    setEditing(false);
}

bool TCustomFood::savePicture(QString *error)
{
    const QString path = pictureFile();
    if (path.isEmpty() || m_chosenImage.isNull()) {
        *error = QStringLiteral("没有可保存的图片。");
        return false;
    }
    const QImage bitmap = m_chosenImage.convertToFormat(QImage::Format_RGB32)
                              .scaled(kPictureWidth, kPictureHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !bitmap.save(&f, "BMP") || !f.commit()) {
        *error = QStringLiteral("食物图片无法保存：%1").arg(path);
        return false;
    }
    return true;
}

void TCustomFood::choosePicture()
{
    if (!m_food || !m_enable->isEnabled() || m_pages->currentIndex() != 0)
        return;
    const QString file = Prompt::current().pickImage(this, QStringLiteral("请选择食物图片"), programDir());
    if (file.isEmpty())
        return; // cancelled: picture and FoodImageChanged stay
    QImageReader reader(file);
    const QImage img = reader.read();
    if (img.isNull()) {
        prompt::warn(this, QStringLiteral("无法读取图片文件：%1").arg(file));
        return;
    }
    m_chosenImage = img;
    m_imageChanged = true;
    showPicture();
}

bool TCustomFood::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_image && event->type() == QEvent::MouseButtonRelease && m_image->isEnabled()) {
        choosePicture();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- new and delete

void TCustomFood::addFood()
{
    m_pages->setCurrentIndex(0);
    const std::optional<Food> food = TCustomFoodInsert::run(this);
    // The sub-groups may have changed in the window even when no food was added.
    m_picker->fillTrees();
    if (!food)
        return;
    // List the new food's sub-group so that it can be picked again.
    const QString prefix = food->code.left(food->code.lastIndexOf(QLatin1Char('-')) + 1);
    QString err;
    const QStringList codes = codesWithPrefix(prefix, &err);
    if (err.isEmpty())
        m_picker->list(FoodKind::RawFood, codes);
    chooseFood(food->name);
}

void TCustomFood::deleteFood()
{
    if (!m_food) {
        prompt::warn(this, QStringLiteral("请先选择一种食物。"));
        return;
    }
    const Food food = *m_food;
    QString err;
    const Usage usage = usageOf(food, &err);
    if (!err.isEmpty()) {
        prompt::error(this, err);
        return;
    }
    if (!prompt::ask(this, deleteQuestion(food, usage)))
        return;
    if (!isUserFood(food.code) && !prompt::ask(this, referenceDeleteQuestion(food)))
        return;
    const Result r = rawfood::deleteFood(food, pictureFile());
    if (!r && r.status != Status::FileError) {
        prompt::error(this, r.message);
        return;
    }
    QStringList ids = m_picker->listedIds();
    ids.removeAll(food.code);
    m_picker->list(m_picker->listKind(), ids);
    resetToNoFood();
    m_reloadName.clear();
    if (!r)
        prompt::error(this, r.message);
    const QString after = afterDeleteMessage(food, usage);
    if (!after.isEmpty())
        prompt::info(this, after);
}

void TCustomFood::importComposition()
{
    if (!CompositionImportDialog::run(this))
        return;
    // New and changed foods: the trees and the current food as stored now.
    m_picker->fillTrees();
    m_picker->list(m_picker->listKind(), m_picker->listedIds());
    if (m_food)
        chooseFood(m_food->name);
}
