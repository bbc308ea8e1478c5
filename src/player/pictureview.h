// TPictureView: the picture control of the video panel. It draws its picture
// centred at its own size, or stretched over its bounds.
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

    // Aligned to the whole client area of its parent: the parent's resize
    // handler then gives it the parent's rectangle.
    void SetAlignClient(bool alignClient);
    bool AlignClient() const { return FAlignClient; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateOpaque();

    QImage FPicture;
    bool FStretch = true;
    bool FAlignClient = false;
};
