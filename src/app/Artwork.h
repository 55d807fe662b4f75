#pragma once
// The pictures of the main window's tiles and toolbar, painted at run time:
// a coloured card with a simple white pictogram and, optionally, a round badge
// with one character.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace artwork {

enum class Pictogram {
    Clipboard, // surveys
    Bowl,      // meal planning
    Apple,     // food composition
    Flask,     // nutrient effects
    Book,      // dish recipes
    Leaf,      // raw foods
    BarChart,  // DRIs
    Heart,     // special populations
    Database,  // database backup
    Gear,      // settings
    Question,  // help
};

// A card of the given size; badge is drawn in the lower right corner when not empty.
QPixmap tilePicture(Pictogram p, const QColor &colour, QSize size, const QString &badge = {});

// A square toolbar icon (card with pictogram) at 48 px, scaled by QIcon as needed.
QIcon toolbarIcon(Pictogram p, const QColor &colour);

} // namespace artwork
