// Hand grenades (bounce, rest, fuse) and launcher grenades (explode on contact).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/grenade.h"
#include "effects/particle.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "support.h"
#include "world/box.h"
#include "world/map.h"

namespace {

SAMPLE fake_blast[2];
const float PI = 3.14159265f;

struct GrenadeTest : ::testing::Test {
    std::vector<std::string> rows;
    void SetUp() override {
        fresh_world();
        sexplosion[0] = &fake_blast[0];
        sexplosion[1] = &fake_blast[1];
        rows.assign(30, std::string(40, '.'));
        rows[10] = std::string(40, 'a'); // floor at y = 160
    }
    int blasts() {
        int n = 0;
        for (const sound_event &e : sound_log())
            n += e.sample == &fake_blast[0] || e.sample == &fake_blast[1];
        return n;
    }
    template <class G> void tick(G &g, int n) {
        for (int i = 0; i < n; i++) g.update();
    }
};

// ---- hand grenades ----

TEST_F(GrenadeTest, DroppedGrenadeSettlesLevelAndGoesOffInItsUpdate151) {
    set_map(rows);
    cgrenade1 &g = grenades1[0];
    g.init(100, 140, 0, 0, nullptr);
    tick(g, 100);
    float rest_y = g.y;
    EXPECT_EQ((int)rest_y, 156); // lying on the floor
    tick(g, 50);
    EXPECT_TRUE(g.get_active());
    EXPECT_EQ(g.y, rest_y);
    EXPECT_EQ(g.spin, 0);
    EXPECT_EQ(g.vy, 0);
    EXPECT_EQ(blasts(), 0);
    g.update();
    EXPECT_FALSE(g.get_active());
    EXPECT_EQ(blasts(), 1);
}

TEST_F(GrenadeTest, BouncesOffAWallAtFourTenthsOfItsSpeed) {
    for (auto &r : rows) r[10] = 'a'; // wall at x = 160
    set_map(rows);
    cgrenade1 &g = grenades1[0];
    g.init(154, 50, 0, 3, nullptr);
    g.update();
    EXPECT_FLOAT_EQ(g.x, 155); // flush with the wall
    EXPECT_NEAR(g.vx, -1.2f, 1e-5);
    EXPECT_NEAR(g.vy, 0.06f, 1e-5); // this tick's gravity, cut to 0.4
}

TEST_F(GrenadeTest, RestsOnABoxAndFallsWhenTheBoxBreaks) {
    rows[9][6] = '0'; // box at (96, 144)
    set_map(rows);
    boxes[0].health = BOX_HEALTH;
    cgrenade1 &g = grenades1[0];
    g.init(100, 140, 0, 0, nullptr);
    tick(g, 20);
    EXPECT_FLOAT_EQ(g.y, 140);
    EXPECT_EQ(g.spin, 0);
    boxes[0].damage(0, 0, 100);
    tick(g, 60);
    EXPECT_EQ((int)g.y, 156);
}

TEST_F(GrenadeTest, FliesThroughPlayers) {
    set_map(rows);
    cplayer *p = place_player(1, 120, 100);
    cgrenade1 &g = grenades1[0];
    g.init(100, 110, 0, 5, nullptr);
    tick(g, 8);
    EXPECT_GT(g.x, 134);
    EXPECT_TRUE(g.get_active());
    EXPECT_EQ(p->get_health(), 100);
}

TEST_F(GrenadeTest, VanishesSilentlyAtTheMapEdges) {
    set_map(rows);
    grenades1[0].init(2, 100, PI, 3, nullptr);   // out to the left
    grenades1[1].init(100, 2, -PI / 2, 5, nullptr); // out of the top
    grenades1[2].init(630, 100, 0, 5, nullptr);  // out to the right
    for (int i = 0; i < 5; i++)
        for (int k = 0; k < 3; k++) grenades1[k].update();
    for (int k = 0; k < 3; k++) EXPECT_FALSE(grenades1[k].get_active()) << k;
    EXPECT_EQ(blasts(), 0);
}

TEST_F(GrenadeTest, ThirtyGrenadesAtOnceAndTheThirtyFirstThrowIsLost) {
    set_map(rows);
    cplayer *p = place_player(0, 100, 100, false);
    p->grenades = 31;
    for (int i = 0; i < 31; i++) p->grenade();
    int live = 0;
    for (cgrenade1 &g : grenades1) live += g.get_active();
    EXPECT_EQ(live, MAX_GRENADES1);
    EXPECT_EQ(p->get_grenades(), 0);
}

// ---- launcher grenades ----

TEST_F(GrenadeTest, LauncherGrenadeExplodesOnTeammatesButPassesItsShooter) {
    set_map(rows);
    options.gametype = GT_TEAMMATCH;
    cplayer *shooter = place_player(1, 100, 90, true, 0);
    cplayer *mate = place_player(2, 140, 90, true, 0);
    cgrenade2 &g = grenades2[0];
    g.init(105, 100, 0, shooter); // starts inside the shooter's body
    g.update();
    EXPECT_TRUE(g.get_active());
    EXPECT_GT(g.x, 110);
    tick(g, 10);
    EXPECT_FALSE(g.get_active());
    EXPECT_EQ(blasts(), 1);
    EXPECT_FLOAT_EQ(g.x + 5, 140); // stopped against the team-mate
    EXPECT_EQ(mate->get_health(), 100); // but the blast spares the team
}

TEST_F(GrenadeTest, LauncherGrenadeExplodesOnWallsAndProps) {
    for (auto &r : rows) r[10] = 'a';
    rows[6][20] = '0'; // box at (320, 96)
    set_map(rows);
    boxes[0].health = BOX_HEALTH;
    grenades2[0].init(154, 100, 0, nullptr);
    grenades2[1].init(300, 100, 0, nullptr);
    grenades2[0].update();
    EXPECT_FALSE(grenades2[0].get_active()); // point-blank: first tick
    EXPECT_EQ(blasts(), 1);
    tick(grenades2[1], 4);
    EXPECT_FALSE(grenades2[1].get_active());
    EXPECT_EQ(blasts(), 2);
    EXPECT_LE(boxes[0].health, 0);
}

TEST_F(GrenadeTest, LauncherGrenadeLeavesTheMapSilently) {
    set_map(rows);
    grenades2[0].init(2, 100, PI, nullptr);
    grenades2[1].init(100, 2, -PI / 2, nullptr);
    grenades2[0].update();
    grenades2[1].update();
    EXPECT_FALSE(grenades2[0].get_active());
    EXPECT_FLOAT_EQ(grenades2[0].x, -5);
    EXPECT_FALSE(grenades2[1].get_active());
    EXPECT_EQ(blasts(), 0);
}

TEST_F(GrenadeTest, LauncherGrenadeTrailsOneParticlePerTick) {
    for (auto &r : rows) r[30] = 'a';
    set_map(rows);
    cgrenade2 &g = grenades2[0];
    g.init(100, 100, 0, nullptr);
    int ticks = 0;
    while (g.get_active()) {
        g.update();
        ticks++;
    }
    int trail = 0;
    for (cparticle &p : particles) trail += p.get_active() && p.floating;
    EXPECT_EQ(trail, ticks); // the tick it went off included
    EXPECT_EQ(blasts(), 1);
}

} // namespace
