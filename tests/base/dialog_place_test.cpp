// Where a question box stands: over the window that asked, whole on the screen.
#include "base/qt_ui.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogPlace, CentredOverTheOwnerAndNeverOffScreen) {
    const QRect screen(0, 0, 1920, 1040);
    struct Case {
        const char* name;
        QSize box;
        QRect owner;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"centred", {300, 100}, {100, 100, 500, 300}, {200, 200}},
        {"owner off the right edge", {300, 100}, {1800, 100, 500, 300}, {1620, 200}},
        {"owner above the top", {300, 100}, {100, -400, 500, 300}, {200, 0}},
        {"owner on the left of the screen", {300, 100}, {-600, 900, 500, 300}, {0, 940}},
        {"no owner: the screen's middle", {300, 100}, {}, {810, 470}},
        {"larger than the screen", {2400, 1200}, {100, 100, 500, 300}, {0, 0}},
    };
    for (const Case& c : cases) {
        const QRect placed = PlacedOver(c.box, c.owner, screen);
        EXPECT_EQ(placed.topLeft(), c.topLeft) << c.name;
        EXPECT_EQ(placed.size(), c.box) << c.name;
    }
}

} // namespace
