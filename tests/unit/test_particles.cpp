// Debris particles, smoke puffs and spent shells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/particle.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/sound.h"
#include "support.h"
#include "world/map.h"

namespace {

SAMPLE fake_clink[2];

struct EffectsTest : ::testing::Test {
    std::vector<std::string> rows;
    void SetUp() override {
        fresh_world();
        sshell[0] = &fake_clink[0];
        sshell[1] = &fake_clink[1];
        rows.assign(30, std::string(40, '.'));
        rows[10] = std::string(40, 'a'); // floor at y = 160
    }
    int clinks() {
        int n = 0;
        for (const sound_event &e : sound_log())
            n += e.sample == &fake_clink[0] || e.sample == &fake_clink[1];
        return n;
    }
    // Ticks until the slot frees; returns the update that freed it.
    template <class T> int life(T &e, int limit = 1000) {
        int n = 0;
        while (e.get_active() && n < limit) {
            e.update();
            n++;
        }
        return n;
    }
};

// ---- particles ----

TEST_F(EffectsTest, HeavyParticleStopsAtAWallAndSlidesDown) {
    for (auto &r : rows) r[10] = 'a'; // wall at x = 160
    set_map(rows);
    cparticle &p = particles[0];
    p.init(159.2f, 50, false);
    p.vx = 0.5f;
    p.vy = 0;
    p.update();
    EXPECT_EQ(p.vx, 0);
    EXPECT_FLOAT_EQ(p.x, 159.2f);
    for (int t = 0; t < 10; t++) p.update();
    EXPECT_FLOAT_EQ(p.x, 159.2f);
    EXPECT_GT(p.y, 55);
}

TEST_F(EffectsTest, HeavyParticleLandsDeadAndIsFreedInItsUpdate51) {
    set_map(rows);
    cparticle &p = particles[0];
    p.init(50, 158.6f, false);
    p.vx = 0.3f;
    p.vy = 2;
    p.update();
    EXPECT_FLOAT_EQ(p.y, 159.6f);
    EXPECT_EQ(p.vx, 0);
    EXPECT_EQ(p.vy, 0);
    EXPECT_EQ(life(p) + 1, 51);
    EXPECT_FLOAT_EQ(p.y, 159.6f);
}

TEST_F(EffectsTest, FloatingParticleBornWithoutLifetimeGoesAtOnce) {
    set_map(rows);
    particles[0].init(100, 100, true);
    particles[0].lifetime = 0;
    EXPECT_EQ(life(particles[0]), 1);
}

TEST_F(EffectsTest, SpawnParticlesFillsTheFirstFreeSlots) {
    set_map(rows);
    particles[1].init(0, 0, true);
    spawn_particles(100, 50, false, 5);
    for (int i = 0; i <= 5; i++) EXPECT_TRUE(particles[i].get_active()) << i;
    EXPECT_FALSE(particles[6].get_active());
    EXPECT_FALSE(particles[0].floating);
    EXPECT_EQ(particles[0].lifetime, 50);
}

// ---- smoke ----

TEST_F(EffectsTest, SmokeLifeDependsOnItsShade) {
    set_map(rows);
    smoke[0].init(100, 100);
    smoke[0].shade = 33;
    float x = smoke[0].x, y = smoke[0].y;
    EXPECT_EQ(life(smoke[0]), 1);
    EXPECT_EQ(smoke[0].x, x);
    EXPECT_EQ(smoke[0].y, y);

    smoke[0].init(100, 100);
    smoke[0].shade = 254;
    smoke[0].vy = 0;
    EXPECT_EQ(life(smoke[0]), 112);
    EXPECT_LT(smoke[0].y, 100); // it rose
}

TEST_F(EffectsTest, SmokeGridLaysPuffsRowByRowInFreeSlots) {
    smoke[1].init(0, 0);
    smoke_grid(100, 200, 5, 50);
    int made = 0;
    for (csmoke &s : smoke) made += s.get_active();
    EXPECT_EQ(made, 51);
    EXPECT_EQ(smoke[0].x, 100); // k = 0
    EXPECT_EQ(smoke[2].x, 103); // k = 1
    EXPECT_EQ(smoke[6].y, 203); // k = 5 starts the second row
    EXPECT_EQ(smoke[6].x, 100);
    EXPECT_EQ(smoke[50].x, 112); // k = 49
    EXPECT_EQ(smoke[50].y, 227);

    for (int i = 0; i < MAX_SMOKE - 3; i++) smoke[i].init(0, 0);
    for (int i = MAX_SMOKE - 3; i < MAX_SMOKE; i++) smoke[i].reset();
    smoke_grid(100, 200, 6, 36); // only three free slots left
    EXPECT_TRUE(smoke[MAX_SMOKE - 1].get_active());
    EXPECT_EQ(smoke[MAX_SMOKE - 1].x, 106);
}

// ---- shells ----

TEST_F(EffectsTest, ShellBouncesWithAClinkOnlyOnScreen) {
    set_map(rows);
    cshell &s = shells[0];
    s.init(100, 158, false, false);
    s.vx = 0;
    s.vy = 2;
    s.update();
    EXPECT_FLOAT_EQ(s.y, 159);
    EXPECT_NEAR(s.vy, -0.7f * 2.15f, 1e-5); // 30 % lost
    EXPECT_EQ(clinks(), 1);
    EXPECT_EQ(sound_log().back().volume, 255);

    // Off screen: silent, but the slow-motion state is still asked for.
    map.camx = 400;
    players[0].slowmotion = 5;
    s.init(100, 158, false, false);
    s.vx = 0;
    s.vy = 2;
    s.update();
    EXPECT_EQ(clinks(), 1);
    EXPECT_EQ(players[0].slowmotion, 4);
}

TEST_F(EffectsTest, ShellComesToLieFlatAndIsFreedInItsUpdate301) {
    set_map(rows);
    cshell &s = shells[0];
    s.init(300, 100, true, true);
    for (int t = 0; t < 200; t++) s.update();
    EXPECT_TRUE(s.get_active());
    EXPECT_EQ(s.spin, 0);
    EXPECT_EQ(s.vx, 0);
    EXPECT_EQ((int)s.y, 159);
    EXPECT_EQ(life(s) + 200, 301);
}

TEST_F(EffectsTest, ShellLeavingTheLeftEdgeVanishes) {
    set_map(rows);
    cshell &s = shells[0];
    s.init(0.5f, 100, true, false);
    s.vx = -2;
    s.vy = 0;
    s.update();
    EXPECT_TRUE(s.get_active()); // at -1.5
    s.update();
    EXPECT_FALSE(s.get_active());
}

} // namespace
