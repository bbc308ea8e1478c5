// Centring windows on their screen.
#include "uikit/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

TEST(Placement, CentredPositionSplitsTheRoomEvenly)
{
    struct TRow {
        QSize Frame;
        QRect Available;
        QPoint Expected;
    } rows[] = {
        {{800, 600}, {0, 0, 1280, 1024}, {240, 212}},
        {{415, 264}, {0, 30, 1280, 994}, {432, 395}},   // a panel at the top
        {{800, 600}, {1280, 0, 1920, 1080}, {1840, 240}}, // the second screen
        {{1400, 1100}, {0, 0, 1280, 1024}, {-60, -38}},   // larger than the screen
    };
    for (const TRow& row : rows)
        EXPECT_EQ(CenteredPosition(row.Frame, row.Available), row.Expected);
}

TEST(Placement, AWindowStandsInTheMiddleOfItsScreen)
{
    QWidget window;
    window.resize(300, 200);
    CenterOnScreen(&window);
    window.show();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    // Placed before its first showing, the window cannot know the frame the
    // platform adds: it may stand off by half of it, no more.
    const QSize frame = window.frameGeometry().size() - window.size();
    const QRect placed = window.frameGeometry();
    EXPECT_LE(std::abs(placed.center().x() - available.center().x()), frame.width() / 2 + 1);
    EXPECT_LE(std::abs(placed.center().y() - available.center().y()), frame.height() / 2 + 1);
    // Once shown it knows its frame and centres exactly.
    window.move(0, 0);
    CenterOnScreen(&window);
    EXPECT_LE(std::abs(window.frameGeometry().center().x() - available.center().x()), 1);
    EXPECT_LE(std::abs(window.frameGeometry().center().y() - available.center().y()), 1);
}
