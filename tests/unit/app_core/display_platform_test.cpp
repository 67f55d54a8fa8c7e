#include <gtest/gtest.h>

#include "app/core/display_platform.h"

using zuvo::ChooseDisplayPlatform;
using zuvo::DisplayEnvironment;

TEST(DisplayPlatformTest, XWaylandChosenOnlyWhenTheUserChoseNothing) {
    // A Wayland desktop with XWayland: the shaped window runs there.
    EXPECT_EQ(ChooseDisplayPlatform({{}, "wayland-0", ":0", "wayland"}), QByteArray("xcb"));
    EXPECT_EQ(ChooseDisplayPlatform({{}, {}, ":0", "wayland"}), QByteArray("xcb"));
    EXPECT_EQ(ChooseDisplayPlatform({{}, "wayland-0", ":1", {}}), QByteArray("xcb"));
    // Wayland alone: Qt's own choice (native Wayland).
    EXPECT_FALSE(ChooseDisplayPlatform({{}, "wayland-0", {}, "wayland"}));
    // X11 desktops and no desktop: untouched.
    EXPECT_FALSE(ChooseDisplayPlatform({{}, {}, ":0", "x11"}));
    EXPECT_FALSE(ChooseDisplayPlatform({{}, {}, {}, {}}));
    // The user's own choice always wins.
    EXPECT_FALSE(ChooseDisplayPlatform({"wayland", "wayland-0", ":0", "wayland"}));
    EXPECT_FALSE(ChooseDisplayPlatform({"offscreen", "wayland-0", ":0", "wayland"}));
    EXPECT_EQ(ChooseDisplayPlatform({"  ", "wayland-0", ":0", "wayland"}), QByteArray("xcb"));
}
