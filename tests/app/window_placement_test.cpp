#include <gtest/gtest.h>

#include "platform/qt/window_placement.h"

using namespace korvel;

TEST(WindowPlacementTest, CentredWithTruncationAndTopFloor) {
    struct Case {
        QSize screen, window;
        QPoint expected;
    };
    const Case cases[] = {
        {{1024, 768}, {473, 70}, {275, 349}}, {{1025, 769}, {100, 100}, {462, 334}},
        {{800, 600}, {900, 700}, {-50, -5}}, // taller than the screen: the top stops at -5
        {{800, 600}, {901, 609}, {-50, -4}}, // -4.5 truncates toward zero
        {{800, 600}, {800, 600}, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CenteredPosition(c.screen, c.window), c.expected)
            << c.window.width() << "x" << c.window.height();
}

TEST(WindowPlacementTest, PlacedByFactorsRoundsHalvesToEven) {
    // (1000 - 400) x 0.3 / 2 = 90; (700 - 300) x 1 / 2 = 200.
    EXPECT_EQ(PlacedPosition({1000, 700}, {400, 300}, -0.7, 0), QPoint(90, 200));
    // 5 x 1 / 2 = 2.5 -> 2 and 7 x 1 / 2 = 3.5 -> 4.
    EXPECT_EQ(PlacedPosition({105, 107}, {100, 100}, 0, 0), QPoint(2, 4));
    EXPECT_EQ(PlacedPosition({100, 100}, {100, 200}, 0, 0), QPoint(0, -5));
}
