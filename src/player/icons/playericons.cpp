// Loads the player's SVG artwork from the "icons" resource and renders it
// into pixmaps: tool-button icons and wait-animation frames.
#include "playericons.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <array>
#include <mutex>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitIconResources()
{
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(icons); });
}

namespace {

// File names (without the look suffix) in tool-button index order.
constexpr std::array<const char*, ToolButtonImageCount> ToolImageNames = {
    "00-first",     "01-prior",   "02-backward", "03-pause",
    "04-stop",      "05-play",    "06-next",     "07-last",
    "08-snapshot",  "09-open",    "10-save",     "11-print",
    "12-stretch",   "13-normal-size", "14-fragments", "15-interval",
    "16-cancel",
};

// Renders an SVG resource into a transparent square pixmap of the given side.
// Goes through QImage so that it also works before any window exists.
QPixmap RenderSvg(const QString& path, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, side, side));
    }
    return QPixmap::fromImage(image);
}

} // namespace

QIcon ToolButtonIcon(int index)
{
    if (index < 0 || index >= ToolButtonImageCount)
        return {};
    InitIconResources();

    const QString base = QStringLiteral(":/icons/tool/%1").arg(QLatin1String(ToolImageNames[index]));
    QIcon icon;
    icon.addPixmap(RenderSvg(base + QStringLiteral(".svg"), ToolButtonImageSize), QIcon::Normal);
    icon.addPixmap(RenderSvg(base + QStringLiteral("-disabled.svg"), ToolButtonImageSize), QIcon::Disabled);
    icon.addPixmap(RenderSvg(base + QStringLiteral("-hot.svg"), ToolButtonImageSize), QIcon::Active);
    return icon;
}

QPixmap PauseAnimationFrame(int index)
{
    InitIconResources();
    int frame = index % PauseAnimationFrameCount;
    if (frame < 0)
        frame += PauseAnimationFrameCount;
    return RenderSvg(QStringLiteral(":/icons/wait/wait-%1.svg").arg(frame), PauseAnimationFrameSize);
}
