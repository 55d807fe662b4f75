#pragma once
// An image tile of the main window: a picture (Image1) with a caption
// (Label1) beneath. Pressing a mouse button on the picture pushes the whole
// tile 3 px right and down; releasing moves it back and, for the left button
// released over the picture, emits clicked().
#include <QFrame>
#include <QPixmap>

class QLabel;

class TButFrame : public QFrame
{
    Q_OBJECT
public:
    // How far the tile moves right and down while the picture is held down.
    static constexpr int kPressOffset = 3;

    explicit TButFrame(QWidget *parent = nullptr);
    TButFrame(const QPixmap &picture, const QString &caption, QWidget *parent = nullptr);

    void setPicture(const QPixmap &picture);
    void setCaption(const QString &caption);
    QString caption() const;

    QLabel *Image1() const { return m_image; }
    QLabel *Label1() const { return m_label; }

    // True while a mouse button is held down on the picture.
    bool isPressed() const { return m_pressButton != Qt::NoButton; }

signals:
    void clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void release(bool emitClick);

    QLabel *m_image = nullptr;
    QLabel *m_label = nullptr;
    Qt::MouseButton m_pressButton = Qt::NoButton;
};
