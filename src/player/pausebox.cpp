#include "pausebox.h"

#include <QPainter>

TPauseBox::TPauseBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TPauseBox::DrawPicture(const QPixmap& picture)
{
    FPicture = picture;
    update();
}

void TPauseBox::Erase()
{
    if (FPicture.isNull())
        return;
    FPicture = QPixmap();
    update();
}

void TPauseBox::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, FPicture);
}
