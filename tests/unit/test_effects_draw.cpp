// Every effect draws with the real bitmaps at its place on screen, camera subtracted,
// and a free slot draws nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "shell/data.h"
#include "support.h"
#include "world/map.h"

namespace {

struct DrawTest : ::testing::Test {
    void SetUp() override {
        load_real_data();
        fresh_world();
        set_map(std::vector<std::string>(30, std::string(40, '.')));
        map.camx = 100;
        map.camy = 50;
        clear_to_color(bbuffer, 0);
    }
    // Pixels painted within r of the screen point (sx, sy), and anywhere at all.
    int painted(int sx, int sy, int r) {
        int n = 0;
        for (int y = sy - r; y <= sy + r; y++)
            for (int x = sx - r; x <= sx + r; x++) n += getpixel(bbuffer, x, y) > 0;
        return n;
    }
    int painted_anywhere() { return painted(320, 240, 320); }
};

TEST_F(DrawTest, ProjectilesAndDebrisDrawAtTheirScreenPlace) {
    rockets[0].init(0, 200, 150, false, nullptr);
    rockets[1].init(3.0f, 300, 150, true, nullptr);
    grenades1[0].init(200, 250, 0, 0, nullptr);
    grenades1[0].spin = 1;
    grenades2[0].init(300, 250, 0, nullptr);
    particles[0].init(400, 150, false);
    shells[0].init(400, 250, true, true);
    shells[0].spin = 2;
    fire[0].init(0.3f, 500, 150, true);

    rockets[0].draw();
    rockets[1].draw();
    grenades1[0].draw();
    grenades2[0].draw();
    particles[0].draw();
    shells[0].draw();
    fire[0].draw();
    EXPECT_GT(painted(100, 100, 4), 0);
    EXPECT_GT(painted(200, 100, 4), 0);
    EXPECT_GT(painted(100, 200, 4), 0);
    EXPECT_GT(painted(200, 200, 4), 0);
    EXPECT_GT(painted(300, 100, 4), 0);
    EXPECT_GT(painted(300, 200, 4), 0);
    EXPECT_GT(painted(400, 100, 4), 0);
}

TEST_F(DrawTest, DiscsShrinkAndGreyWithTheirCounters) {
    smoke[0].init(200, 150);
    smoke[0].x = 200;
    smoke[0].y = 150;
    smoke[0].shade = 200; // radius 6
    smoke[0].draw();
    EXPECT_EQ(getpixel(bbuffer, 106, 100), rgb(200, 200, 200));
    EXPECT_EQ(getpixel(bbuffer, 107, 100), 0);

    flames2[0].init(300, 150, 0, nullptr);
    flames2[0].x = 300;
    flames2[0].y = 150;
    flames2[0].age = 20; // radius 4
    flames2[0].draw();
    EXPECT_EQ(getpixel(bbuffer, 204, 100), rgb(255, 120, 0));
    EXPECT_EQ(getpixel(bbuffer, 205, 100), 0);

    flames1[0].init(400, 150, true);
    flames1[0].x = 400;
    flames1[0].y = 150;
    flames1[0].lifetime = 31; // just lit: radius 2, red
    flames1[0].draw();
    EXPECT_EQ(getpixel(bbuffer, 302, 100), rgb(255, 0, 0));
    EXPECT_EQ(getpixel(bbuffer, 303, 100), 0);
}

TEST_F(DrawTest, FreeSlotsDrawNothing) {
    rockets[0].draw();
    grenades1[0].draw();
    grenades2[0].draw();
    particles[0].draw();
    shells[0].draw();
    smoke[0].draw();
    flames1[0].draw();
    flames2[0].draw();
    fire[0].draw();
    EXPECT_EQ(painted_anywhere(), 0);
}

} // namespace
