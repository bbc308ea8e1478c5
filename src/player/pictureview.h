// TPictureView: the picture control of the video panel. It draws its picture
// centred at its own size, or stretched over its bounds: smoothly for a
// picture that stands still, with the cheaper nearest-pixel scaling while
// frames follow each other in playback.
#pragma once

#include <QImage>
#include <QWidget>

class TPictureView : public QWidget {
    Q_OBJECT
public:
    explicit TPictureView(QWidget* parent);

    // The view keeps its own reference (QImage shares, so no pixels are copied).
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }

    void SetStretch(bool stretch);
    bool Stretch() const { return FStretch; }

    // Smooth scaling of a stretched picture (on at creation).
    void SetSmoothScaling(bool smooth);
    bool SmoothScaling() const { return FSmoothScaling; }

    // Aligned to the whole client area of its parent: the parent's resize
    // handler then gives it the parent's rectangle.
    void SetAlignClient(bool alignClient);
    bool AlignClient() const { return FAlignClient; }

    // The size a picture is drawn at: the view's own when it stretches on
    // screen; empty when pictures are drawn at their own size, or while the
    // view is hidden (its size is not laid out yet).
    QSize ShownSize() const { return FStretch && isVisible() ? size() : QSize(); }
    // The picture set last is on screen (or nothing will paint it: the view
    // is hidden).
    bool Painted() const { return FPainted || !isVisible(); }

signals:
    // The picture has just been painted.
    void PicturePainted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateOpaque();

    QImage FPicture;
    bool FStretch = true;
    bool FSmoothScaling = true;
    bool FAlignClient = false;
    bool FPainted = true;
};
