// Barrels and boxes: standing up, taking hits, exploding or breaking, coming back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "effects/flames.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/smoke.h"
#include "match/game.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/sound.h"
#include "support.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

namespace {

class props_test : public ::testing::Test {
  protected:
    std::vector<std::string> rows = std::vector<std::string>(30, std::string(40, '.'));

    void SetUp() override {
        load_real_data();
        fresh_world();
        srand(11);
    }
    // Lays out the map and lets every prop stand up.
    void build() {
        set_map(rows);
        for (int i = 0; i < MAX_BARRELS; i++) barrels[i].update();
        for (int i = 0; i < MAX_BOXES; i++) boxes[i].update();
        clear_effects();
    }
    static void clear_effects() {
        for (int i = 0; i < MAX_SMOKE; i++) smoke[i].reset();
        for (int i = 0; i < MAX_PARTICLES; i++) particles[i].reset();
        for (int i = 0; i < MAX_FLAMES1; i++) flames1[i].reset();
        sound_log_clear();
    }
    static int count_smoke() {
        int n = 0;
        for (int i = 0; i < MAX_SMOKE; i++) n += smoke[i].get_active();
        return n;
    }
    static int count_particles() {
        int n = 0;
        for (int i = 0; i < MAX_PARTICLES; i++) n += particles[i].get_active();
        return n;
    }
    static void tick_barrels() {
        for (int i = 0; i < MAX_BARRELS; i++) barrels[i].update();
    }
    static int sounds_of(SAMPLE *s) {
        int n = 0;
        for (const sound_event &e : sound_log()) n += e.sample == s;
        return n;
    }
};

TEST_F(props_test, BarrelBurnsOnlyFromHitsAboveFiveAndFallsAtExactlyItsHealth) {
    rows[10][10] = '1';
    build();
    cbarrel &b = barrels[0];
    ASSERT_EQ(b.health, BARREL_HEALTH);
    flamemgr.spot_x[0] = flamemgr.spot_y[0] = -1;
    b.damage(170, 165, 5);
    EXPECT_EQ(b.health, 95);
    EXPECT_EQ(flamemgr.spot_x[0], -1); // no burning spot
    b.damage(170, 165, 6);
    EXPECT_EQ(b.health, 89);
    EXPECT_EQ(flamemgr.spot_x[0], 170);
    EXPECT_EQ(flamemgr.spot_y[0], 165);

    b.damage(0, 0, 89); // exactly what is left
    EXPECT_LE(b.health, BARREL_FUSE);
    EXPECT_GE(b.health, BARREL_FUSE - 19);
    int before = b.health;
    b.damage(0, 0, 100); // in its fuse it takes no more
    EXPECT_EQ(b.health, before);
}

TEST_F(props_test, FuseRunsItsDrawnLengthThenTheBarrelExplodesCreditingNobody) {
    rows[10][10] = '1';
    build();
    cplayer *shooter = place_player(1, 500, 300);
    cplayer *victim = place_player(2, 160 + 1, 160 - 14); // centre 8 px from the blast
    for (int seed = 1; seed <= 5; seed++) {
        srand(seed);
        barrels[0].health = 50;
        victim->health = 100;
        barrels[0].damage(0, 0, 60);
        int fuse = BARREL_FUSE - barrels[0].health; // 0-19
        int updates = 0;
        while (barrels[0].health != BARREL_FUSE + 1) {
            barrels[0].update();
            updates++;
            ASSERT_LE(updates, 20);
        }
        EXPECT_EQ(updates, fuse + 1);
        EXPECT_LT(victim->health, 0) << "seed " << seed;
        EXPECT_EQ(shooter->kills, 0);
        EXPECT_EQ(sounds_of(sexplosion[0]), seed);
        // 1499 more updates to come back
        for (int i = 0; i < 1499; i++) barrels[0].update();
        EXPECT_EQ(barrels[0].health, 0);
        barrels[0].update();
        EXPECT_EQ(barrels[0].health, BARREL_HEALTH);
    }
    EXPECT_GT(game.shake_counter, 0); // top-left corner in view
}

TEST_F(props_test, NeighbouringBarrelsChainButNotFromTwoCellsAway) {
    rows[10][10] = '1';
    rows[10][11] = '1'; // centres 16 px apart
    rows[10][20] = '1';
    rows[10][22] = '1'; // 32 px apart
    build();
    barrels[0].health = BARREL_FUSE;
    barrels[2].health = BARREL_FUSE;
    tick_barrels();
    EXPECT_LT(barrels[1].health, 0);
    EXPECT_EQ(barrels[3].health, BARREL_HEALTH);
}

TEST_F(props_test, FallenPropWaitsForThePlayerStandingInItsPlace) {
    rows[10][10] = '1';
    rows[10][14] = '0';
    set_map(rows);
    cplayer *p = place_player(0, 160 + 15, 160 - 27); // overlaps the barrel's corner pixel
    cplayer *q = place_player(1, 224 - 13, 160 + 15);  // overlaps the box's corner pixel
    for (int i = 0; i < 3; i++) {
        barrels[0].update();
        boxes[0].update();
    }
    EXPECT_EQ(barrels[0].health, 0);
    EXPECT_EQ(boxes[0].health, 0);
    EXPECT_EQ(count_smoke(), 0);

    p->x = 160 + 16; // touching but not overlapping
    q->health = -5;  // dead players do not count
    barrels[0].update();
    boxes[0].update();
    EXPECT_EQ(barrels[0].health, BARREL_HEALTH);
    EXPECT_EQ(boxes[0].health, BOX_HEALTH);
    EXPECT_EQ(count_smoke(), 72);
    // 6 x 6 puffs 3 px apart from the corner, row by row
    EXPECT_EQ(smoke[0].x, 160);
    EXPECT_EQ(smoke[0].y, 160);
    EXPECT_EQ(smoke[5].x, 175);
    EXPECT_EQ(smoke[6].x, 160);
    EXPECT_EQ(smoke[6].y, 163);
    EXPECT_EQ(smoke[35].y, 175);
    EXPECT_EQ(smoke[36].x, 224);
}

TEST_F(props_test, BoxSplintersFromHardHitsAndBreaksAtSeventyFive) {
    rows[10][10] = '0';
    build();
    cbox &b = boxes[0];
    ASSERT_EQ(b.health, BOX_HEALTH);
    b.damage(163, 170, 5);
    EXPECT_EQ(count_particles(), 0);
    b.damage(163, 170, 6);
    EXPECT_EQ(count_particles(), 5);
    EXPECT_NEAR(particles[0].x, 163, 1);
    EXPECT_EQ(b.health, 64);
    for (int i = 0; i < 63; i++) b.damage(0, 0, 1); // flames: no splinters
    EXPECT_EQ(count_particles(), 5);
    EXPECT_TRUE(b.alive());
    cplayer *p = place_player(0, 160 + 14, 160 - 12);
    b.damage(0, 0, 1);
    EXPECT_FALSE(b.alive());
    EXPECT_EQ(b.health, -1500);
    EXPECT_EQ(p->health, 100); // a breaking box hurts nobody
    EXPECT_EQ(game.shake_counter, 0);
    EXPECT_EQ(sounds_of(sbox[0]), 1);
    ASSERT_FALSE(sound_log().empty());
    EXPECT_EQ(sound_log().back().volume, 255);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(b.plank_x[i], 160);
        EXPECT_EQ(b.plank_y[i], 167);
        EXPECT_GE(b.plank_vy[i], -2.0f);
        EXPECT_LE(b.plank_vy[i], 0.0f);
    }
}

TEST_F(props_test, OneBlastBreaksABoxAndPlanksFlyFor299Updates) {
    rows[10][10] = '0';
    rows[10][12] = '0'; // 32 px away: untouched
    build();
    map.set_screen(1000, 1000); // off screen: quiet
    explosion(168, 168, 168, 168, 168, 168, nullptr);
    EXPECT_EQ(boxes[0].health, -1500);
    EXPECT_EQ(boxes[1].health, BOX_HEALTH);
    EXPECT_EQ(sounds_of(sbox[0]), 1);
    EXPECT_EQ(sound_log()[0].volume, 64);

    float vy0 = boxes[0].plank_vy[1], a0 = boxes[0].plank_angle[1];
    for (int i = 0; i < 299; i++) boxes[0].update();
    EXPECT_NEAR(boxes[0].plank_vy[1], vy0 + 29.9f, 0.01f);
    EXPECT_NEAR(boxes[0].plank_angle[1], a0 - 14.95f, 0.01f); // odd planks turn back
    boxes[0].update();
    EXPECT_NEAR(boxes[0].plank_vy[1], vy0 + 29.9f, 0.01f);
    for (int i = 0; i < 1199; i++) boxes[0].update();
    EXPECT_EQ(boxes[0].health, -1);
    EXPECT_FALSE(boxes[0].alive());
    boxes[0].update();
    boxes[0].update();
    EXPECT_EQ(boxes[0].health, BOX_HEALTH);
}

TEST_F(props_test, BoxSoundIsTheSlowVersionDuringSlowMotion) {
    rows[10][10] = '0';
    build();
    place_player(0, 500, 300)->slowmotion = 10;
    boxes[0].damage(0, 0, 75);
    EXPECT_EQ(sounds_of(sbox[1]), 1);
    EXPECT_EQ(sounds_of(sbox[0]), 0);
    EXPECT_EQ(players[0].slowmotion, 9);
}

} // namespace
