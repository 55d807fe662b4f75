#include "foods/DishView.h"

#include "data/FoodKind.h"
#include "data/NutrientBlocks.h"
#include "data/Paths.h"
#include "planning/Workbench.h"
#include "widgets/DataGrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QSaveFile>

namespace nqb::dishview {

namespace {

// Titles of the 36 composition columns ("upper|lower"), in block order.
const char *const kTitles[kCompositionCount] = {
    "水分 [g]",          "能量|[kcal]",        "能量|[kJ)]",          "蛋白质[g]",     "脂肪 [g]",
    "碳水化合物[g]",     "膳食纤维[g]|Total",  "膳食纤维[g]|可溶性",  "膳食纤维[g]|不溶性",
    "胆固醇[mg]",        "灰分 [g]",           "维生素 A[ug]|VitA",   "维生素 A[ug]|胡萝卜素",
    "维生素 A[ug]|视黄醇", "硫胺素[mg]",        "核黄素[mg]",          "维生素B6[mg]",  "维生素B12[ug]",
    "叶酸 [ug]",         "烟酸 [mg]",          "维生素C[mg]",         "维生素E[mg]|Total",
    "维生素E[mg]|a-E",   "维生素E[mg]|(β-γ)-E", "维生素E[mg]|δ-E",     "钙  [mg]",      "磷  [mg]",
    "钾  [mg]",          "钠  [mg]",           "镁  [mg]",            "铁  [mg]",      "锌  [mg]",
    " 硒  [ug]",         "铜  [mg]",           "锰  [mg]",            " 碘  [ug]"};

bool validId(const QString &id)
{
    const QString i = id.trimmed();
    return !i.isEmpty() && !i.contains(QLatin1Char('/')) && !i.contains(QLatin1Char('\\'))
           && !i.startsWith(QLatin1Char('.'));
}

} // namespace

void setupIngredientGrid(DataGrid *grid)
{
    QList<DataGrid::Column> cols;
    cols.append({QStringLiteral("CODE"), QString(), -1, DataGrid::FooterKind::None, {}, false});
    cols.append({QStringLiteral("FOODNAME"), QStringLiteral(" 食 物 名 称  FoodName"), 140,
                 DataGrid::FooterKind::Count});
    cols.append({QStringLiteral("WEIGHT"), QStringLiteral("重量[g]"), 60, DataGrid::FooterKind::Sum});
    cols.append({QStringLiteral("EDIBLE"), QStringLiteral("食部[%]"), 56, DataGrid::FooterKind::Average});
    const QStringList comp = compositionColumns();
    for (int k = 0; k < kCompositionCount; ++k)
        cols.append({comp[k], QString::fromUtf8(kTitles[k]), 72, DataGrid::FooterKind::Sum});
    grid->setColumns(cols, true);
    grid->setReadOnly(true);
    grid->setFrozenColumn(true);
}

QString picturePath(const QString &foodId)
{
    return programFile(QStringLiteral("DishImage/") + foodId.trimmed() + QStringLiteral(".bmp"));
}

bool hasPicture(const QString &foodId)
{
    return validId(foodId) && bench::picturePath(FoodKind::Dish, foodId) != bench::defaultPicturePath();
}

QPixmap pictureOf(const QString &foodId)
{
    QPixmap pix(bench::picturePath(FoodKind::Dish, foodId));
    if (pix.isNull())
        pix.load(bench::defaultPicturePath());
    return pix.isNull() ? designedPicture() : pix;
}

QPixmap designedPicture()
{
    QPixmap pix(bench::defaultPicturePath());
    if (!pix.isNull())
        return pix;
    QImage img(120, 100, QImage::Format_RGB32);
    img.fill(QColor(0xF4, 0xF1, 0xE8));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x9A, 0x8C, 0x6E), 2));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(20, 18, 80, 64));
    p.setBrush(QColor(0xE0, 0xD8, 0xC4));
    p.drawEllipse(QRectF(38, 32, 44, 36));
    p.end();
    return QPixmap::fromImage(img);
}

QString savePicture(const QPixmap &picture, const QString &foodId)
{
    if (!validId(foodId))
        return QObject::tr("菜肴编号“%1”不能用作图片文件名。").arg(foodId);
    QImage img(120, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(img.rect(), picture);
    }
    const QString path = picturePath(foodId);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !img.save(&f, "BMP") || !f.commit())
        return QObject::tr("无法写入图片文件“%1”：%2").arg(QDir::toNativeSeparators(path), f.errorString());
    return {};
}

void removePicture(const QString &foodId)
{
    if (!validId(foodId))
        return;
    const QString found = bench::picturePath(FoodKind::Dish, foodId);
    if (found != bench::defaultPicturePath())
        QFile::remove(found);
}

} // namespace nqb::dishview
