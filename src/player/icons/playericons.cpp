// Loads the player's SVG artwork from the "icons" resource and renders it
// into pixmaps: tool-button icons and wait-animation frames.
#include "playericons.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <array>
#include <exception>
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

// The looks of a tool-button image, as QIcon's modes take them.
constexpr std::array<const char*, 3> LookSuffixes = {".svg", "-disabled.svg", "-hot.svg"};
constexpr std::array<QIcon::Mode, 3> LookModes = {QIcon::Normal, QIcon::Disabled, QIcon::Active};

// Renders an SVG resource into a transparent square image of the given side
// (on any thread: no window, no pixmap).
QImage RenderSvgImage(const QString& path, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (renderer.isValid()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, side, side));
    }
    return image;
}

QPixmap RenderSvg(const QString& path, int side)
{
    return QPixmap::fromImage(RenderSvgImage(path, side));
}

QString ToolImagePath(int index, int look)
{
    return QStringLiteral(":/icons/tool/%1%2")
        .arg(QLatin1String(ToolImageNames[index]), QLatin1String(LookSuffixes[look]));
}

TToolButtonIconsAhead* IconsAhead = nullptr; // the one alive, GUI thread only

} // namespace

TToolButtonIconsAhead::TToolButtonIconsAhead()
{
    InitIconResources();
    IconsAhead = this;
    auto render = [this] {
        for (int index = 0; index < ToolButtonImageCount; ++index)
            for (int look = 0; look < 3; ++look)
                FPictures[index * 3 + look] = RenderSvgImage(ToolImagePath(index, look), ToolButtonImageSize);
    };
    try {
        FThread = std::thread(render);
    } catch (const std::exception&) {
        render();
    }
}

TToolButtonIconsAhead::~TToolButtonIconsAhead()
{
    if (FThread.joinable())
        FThread.join();
    if (IconsAhead == this)
        IconsAhead = nullptr;
}

const QImage& TToolButtonIconsAhead::Picture(int index, int look)
{
    if (FThread.joinable())
        FThread.join();
    return FPictures[index * 3 + look];
}

QIcon ToolButtonIcon(int index)
{
    if (index < 0 || index >= ToolButtonImageCount)
        return {};
    InitIconResources();

    QIcon icon;
    for (int look = 0; look < 3; ++look)
        icon.addPixmap(IconsAhead ? QPixmap::fromImage(IconsAhead->Picture(index, look))
                                  : RenderSvg(ToolImagePath(index, look), ToolButtonImageSize),
                       LookModes[look]);
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
