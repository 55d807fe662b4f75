#pragma once
// Screen helpers shared by the dish library window and the dish editor: the
// ingredient grid of the working table (39 columns with their titles and
// footers, the name column frozen) and the dish pictures
// ("DishImage/<FOODID>.bmp" in the program's folder, 120 x 100 bitmaps).
#include <QPixmap>
#include <QString>

class DataGrid;

namespace nqb::dishview {

// Sets the columns, titles and footers of an ingredient grid.
void setupIngredientGrid(DataGrid *grid);

// The picture file of a dish, whether or not it exists.
QString picturePath(const QString &foodId);
// Whether the dish has a picture file.
bool hasPicture(const QString &foodId);
// The picture shown for a dish: its file, or the default picture NQB.bmp.
QPixmap pictureOf(const QString &foodId);
// The editor's picture for a new dish: NQB.bmp, or a painted plate when that is missing.
QPixmap designedPicture();

// Stores picture as the dish's file: drawn stretched over a 120 x 100 bitmap,
// written whole or not at all. Returns the reason on failure, else "".
QString savePicture(const QPixmap &picture, const QString &foodId);
// Removes the dish's picture file, if any.
void removePicture(const QString &foodId);

} // namespace nqb::dishview
