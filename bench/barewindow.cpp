// bench_bare_window: the baseline of the start-up figure, a bare Qt program
// that shows an empty window of the size given ("--size WxH") and says on
// stderr when it has been painted, as the player does with
// MJPG_REPORT_FIRST_PAINT set.
#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <cstdio>
#include <cstring>

namespace {

class TBareWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), palette().window());
        if (!FPainted) {
            FPainted = true;
            std::fprintf(stderr, "first picture painted %dx%d\n", width(), height());
            std::fflush(stderr);
        }
    }

private:
    bool FPainted = false;
};

} // namespace

int main(int argc, char** argv)
{
    int width = 800;
    int height = 600;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--size") == 0 && std::sscanf(argv[i + 1], "%dx%d", &width, &height) != 2)
            return 2;
    QApplication app(argc, argv);
    TBareWindow window;
    window.resize(width, height);
    window.show();
    return app.exec();
}
