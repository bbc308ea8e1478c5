// The arithmetic of the picture's place on the panel, in 32-bit integers
// that truncate toward zero.
#include "videolayout.h"

#include <cmath>
#include <limits>

namespace {

// Products and quotients of the layout are 32-bit; a header with absurd
// sizes wraps instead of overflowing into undefined behaviour.
int32_t MulDiv32(int32_t a, int32_t b, int32_t c)
{
    const auto product = static_cast<int32_t>(static_cast<int64_t>(a) * b);
    return product / c;
}

int32_t Scaled(int32_t size, double factor)
{
    const double value = std::trunc(static_cast<double>(size) * factor);
    if (!(value > std::numeric_limits<int32_t>::min()) || !(value < std::numeric_limits<int32_t>::max()))
        return 0;
    return static_cast<int32_t>(value);
}

} // namespace

bool VideoBounds(int32_t width, int32_t height, QSize panel, bool fixedZoom, double zoomFactor, QRect& bounds)
{
    if (width <= 0 || height <= 0)
        return false;
    const int32_t pw = panel.width();
    const int32_t ph = panel.height();
    int32_t w = 0;
    int32_t h = 0;
    if (fixedZoom) {
        w = Scaled(width, zoomFactor);
        h = Scaled(height, zoomFactor);
    } else {
        // Fit the dimension whose excess in pixels is larger, then correct
        // with the other one if the result still overflows the panel. The
        // second pass always fits; the bound only guards wrapped sizes.
        int64_t dx = static_cast<int64_t>(width) - pw;
        int64_t dy = static_cast<int64_t>(height) - ph;
        for (int pass = 0; pass < 2; ++pass) {
            if (dy < dx) {
                w = pw;
                h = MulDiv32(pw, height, width);
            } else {
                h = ph;
                w = MulDiv32(ph, width, height);
            }
            dx = static_cast<int64_t>(w) - pw;
            dy = static_cast<int64_t>(h) - ph;
            if (dx <= 0 && dy <= 0)
                break;
        }
    }
    const auto left = static_cast<int32_t>((static_cast<int64_t>(pw) - w) / 2);
    const auto top = static_cast<int32_t>((static_cast<int64_t>(ph) - h) / 2);
    bounds = QRect(left, top, w, h);
    return true;
}

QRect CenteredBox(QSize panel, QSize box)
{
    return QRect((panel.width() - box.width()) / 2, (panel.height() - box.height()) / 2, box.width(), box.height());
}
