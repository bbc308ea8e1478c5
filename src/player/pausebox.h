// TPauseBox: the paint box over the video panel on which the wait animation
// draws its pictures. It paints nothing of its own: a picture drawn on it
// stays until it is erased, and it lets the mouse through.
#pragma once

#include <QPixmap>
#include <QWidget>

class TPauseBox : public QWidget {
    Q_OBJECT
public:
    explicit TPauseBox(QWidget* parent);

    // Draws the picture at (0, 0), over whatever was drawn before.
    void DrawPicture(const QPixmap& picture);
    void Erase();
    // What was drawn last (null when erased), for tests.
    const QPixmap& Picture() const { return FPicture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap FPicture;
};
