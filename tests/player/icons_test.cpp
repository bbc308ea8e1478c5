// The tool buttons' icons rendered ahead on a thread are the icons rendered
// when they are asked for, look by look.
#include "player/icons/playericons.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<QImage> Looks(const QIcon& icon)
{
    std::vector<QImage> looks;
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected})
        looks.push_back(icon.pixmap(ToolButtonImageSize, mode).toImage());
    return looks;
}

} // namespace

TEST(ToolButtonIcons, RenderedAheadTheyAreTheSameAsRenderedWhenAsked)
{
    std::vector<std::vector<QImage>> asked;
    for (int index = 0; index < ToolButtonImageCount; ++index)
        asked.push_back(Looks(ToolButtonIcon(index)));
    {
        TToolButtonIconsAhead ahead;
        for (int index = 0; index < ToolButtonImageCount; ++index) {
            EXPECT_EQ(ahead.Picture(index, 0), asked[index][0].convertToFormat(QImage::Format_ARGB32_Premultiplied))
                << index;
            EXPECT_EQ(Looks(ToolButtonIcon(index)), asked[index]) << index;
        }
    }
    // Gone with the object: rendered when asked again.
    EXPECT_EQ(Looks(ToolButtonIcon(3)), asked[3]);
    EXPECT_TRUE(ToolButtonIcon(ToolButtonImageCount).isNull());
}
