// The windows' icon: the sizes drawn from app/korvel.svg, embedded in the program.

#include <QIcon>
#include <gtest/gtest.h>

#include "app/program_icon.h"

using namespace korvel;

TEST(ProgramIcon, HoldsEverySizeOfTheMenuIcon) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    // Drawn, not blank: the middle of the largest picture is the icon's blue.
    const QImage picture = icon.pixmap(256).toImage();
    EXPECT_EQ(picture.pixelColor(40, 128).alpha(), 255);
    EXPECT_EQ(picture.pixelColor(2, 2).alpha(), 0);
}
