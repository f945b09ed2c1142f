// Flamethrower flames, fire particles, burning spots and muzzle flashes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "effects/flames.h"
#include "players/player.h"
#include "shell/data.h"
#include "support.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

namespace {

struct FlameTest : ::testing::Test {
    std::vector<std::string> rows;
    void SetUp() override {
        fresh_world();
        rows.assign(30, std::string(40, '.'));
    }
    // A flame standing still at (x, y).
    cflame2 &still_flame(int slot, float x, float y, cplayer *owner) {
        cflame2 &f = flames2[slot];
        f.init(x, y, 0, owner);
        f.vx = f.vy = 0;
        return f;
    }
    int fire_particles() {
        int n = 0;
        for (cflame1 &f : flames1) n += f.get_active();
        return n;
    }
};

TEST_F(FlameTest, NoFlameIsBornInsideAWallOrABarrier) {
    rows[5][5] = '[';
    rows[5][6] = 'a';
    set_map(rows);
    flames2[0].init(85, 85, 0, nullptr);
    flames2[1].init(101, 85, 0, nullptr);
    flames2[2].init(50, 50, 0, nullptr);
    EXPECT_FALSE(flames2[0].get_active());
    EXPECT_FALSE(flames2[1].get_active());
    EXPECT_TRUE(flames2[2].get_active());
}

TEST_F(FlameTest, EachFlameBurnsOnePointPerTickOwnerIncluded) {
    set_map(rows);
    cplayer *p = place_player(1, 100, 100); // centre (107, 114)
    for (int i = 0; i < 3; i++) still_flame(i, 107, 114 + 3 * i, p);
    still_flame(3, 107, 124, p); // exactly 10 px away: out of reach
    for (int i = 0; i < 4; i++) flames2[i].update();
    EXPECT_EQ(p->get_health(), 97);
}

TEST_F(FlameTest, FlamesWearDownPropsOnePointATick) {
    rows[6][20] = '1'; // barrel centre (328, 104)
    rows[6][22] = '0'; // box centre (360, 104)
    set_map(rows);
    barrels[0].health = BARREL_HEALTH;
    boxes[0].health = BOX_HEALTH;
    still_flame(0, 328, 104, nullptr);
    still_flame(1, 360, 104, nullptr);
    for (int t = 0; t < 5; t++) {
        flames2[0].update();
        flames2[1].update();
    }
    EXPECT_EQ(barrels[0].health, BARREL_HEALTH - 5);
    EXPECT_EQ(boxes[0].health, BOX_HEALTH - 5);
    EXPECT_EQ(flamemgr.counter[0], 0); // small hits never set a barrel burning
}

TEST_F(FlameTest, AWallHitEndsTheFlameAndOneInFiveLeavesABurningSpot) {
    for (auto &r : rows) r[10] = 'a'; // wall at x = 160
    set_map(rows);
    int spots = 0, misses = 0;
    for (unsigned seed = 1; seed <= 60; seed++) {
        flamemgr.init();
        srand(seed);
        rand(); // the flame's two random spreads
        rand();
        bool expect_spot = rand() % 5 == 0;

        srand(seed);
        flames2[0].init(155, 100, 0, nullptr);
        flames2[0].update();
        EXPECT_FALSE(flames2[0].get_active());
        bool spot = flamemgr.spot_x[0] == 159 && flamemgr.spot_y[0] == 100;
        EXPECT_EQ(spot, expect_spot) << "seed " << seed;
        (spot ? spots : misses)++;
    }
    EXPECT_GT(spots, 0);
    EXPECT_GT(misses, spots);
}

TEST_F(FlameTest, BurningSpotEmitsOneParticlePerTickForItsCount) {
    set_map(rows);
    flamemgr.create(200, 100);
    flamemgr.counter[0] = 7;
    for (int t = 0; t < 12; t++) flamemgr.update();
    EXPECT_EQ(fire_particles(), 7);
    EXPECT_TRUE(flames1[0].burning);
    EXPECT_NEAR(flames1[0].x, 200, 3.01);
}

TEST_F(FlameTest, BurningSpotThatDrawsZeroEmitsNothing) {
    set_map(rows);
    unsigned seed = 1;
    for (;; seed++) {
        srand(seed);
        if (rand() % 100 == 0) break;
    }
    srand(seed);
    flamemgr.create(200, 100);
    flamemgr.update();
    EXPECT_EQ(fire_particles(), 0);
    // The spot stays free for the next request.
    flamemgr.create(300, 100);
    EXPECT_EQ(flamemgr.spot_x[0], 300);
}

TEST_F(FlameTest, FireballParticleOfLifetimeZeroIsDrawnOnceAsASmallYellowDisc) {
    set_map(rows);
    cflame1 &f = flames1[0];
    f.init(100, 100, false);
    f.x = f.y = 100;
    f.lifetime = 0;
    clear_to_color(bbuffer, 0);
    f.draw();
    EXPECT_EQ(getpixel(bbuffer, 100, 100), rgb(255, 244, 0));
    EXPECT_EQ(getpixel(bbuffer, 101, 100), rgb(255, 244, 0));
    EXPECT_EQ(getpixel(bbuffer, 102, 100), 0);
    f.update();
    EXPECT_FALSE(f.get_active());
}

TEST_F(FlameTest, MuzzleFlashLastsOneUpdate) {
    fire[0].init(0.5f, 10, 10, true);
    EXPECT_TRUE(fire[0].get_active());
    fire[0].update();
    EXPECT_FALSE(fire[0].get_active());
}

} // namespace
