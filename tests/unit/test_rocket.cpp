// Rockets in flight and the explosion every explosive shares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/flames.h"
#include "effects/rocket.h"
#include "match/game.h"
#include "match/sim.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "support.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

namespace {

SAMPLE fake_blast[2];

// An open 40x30-cell map (640x480, the size of the view) with solid columns.
void open_map(std::vector<int> wall_columns = {}, char prop = 0, int prop_col = 0,
              int prop_row = 0) {
    std::vector<std::string> rows(30, std::string(40, '.'));
    for (int c : wall_columns)
        for (auto &r : rows) r[c] = 'a';
    if (prop) rows[prop_row][prop_col] = prop;
    set_map(rows);
}

struct RocketTest : ::testing::Test {
    void SetUp() override {
        fresh_world();
        sexplosion[0] = &fake_blast[0];
        sexplosion[1] = &fake_blast[1];
    }
    int blasts() {
        int n = 0;
        for (const sound_event &e : sound_log())
            if (e.sample == &fake_blast[0] || e.sample == &fake_blast[1]) n++;
        return n;
    }
    int burning_flames() {
        int n = 0;
        for (cflame1 &f : flames1) n += f.get_active();
        return n;
    }
    // Ticks the rocket until its slot is free (at most `limit` ticks).
    int fly(crocket &r, int limit = 1000) {
        int ticks = 0;
        while (r.get_active() && ticks < limit) {
            r.update();
            ticks++;
        }
        return ticks;
    }
};

TEST_F(RocketTest, LaunchedInsideAWallExplodesAtOnceWhereItStands) {
    open_map({10}); // wall from x = 160
    rockets[0].init(0, 150, 100, false, nullptr); // tip at 162
    rockets[0].update();
    EXPECT_FALSE(rockets[0].get_active());
    EXPECT_FLOAT_EQ(rockets[0].x, 150);
    EXPECT_EQ(blasts(), 1);
    EXPECT_EQ(burning_flames(), FIREBALL_FLAMES);
    // The fireball is thrown at the tip, not the tail.
    for (cflame1 &f : flames1) {
        if (f.get_active()) {
            EXPECT_NEAR(f.x, 162, 5.01);
        }
    }
}

TEST_F(RocketTest, LeavingTheMapIsSilent) {
    open_map();
    rockets[0].init(0, 630, 100, false, nullptr);
    fly(rockets[0]);
    EXPECT_FALSE(rockets[0].get_active());
    EXPECT_EQ(blasts(), 0);
    EXPECT_EQ(game.shake_counter, 0);
    EXPECT_EQ(burning_flames(), 0);
}

TEST_F(RocketTest, TheMatchCheckerAllowsTheOneTickJustOutsideTheMap) {
    open_map();
    rockets[0].init(0, 639.2f, 100, false, nullptr);
    rockets[0].update(); // the whole step is taken: it ends 0.2 px past the edge
    ASSERT_TRUE(rockets[0].get_active());
    EXPECT_GE(rockets[0].x, 640.0f);
    EXPECT_EQ(sim_check_invariants(), "");
    rockets[0].update(); // freed on its next tick
    EXPECT_FALSE(rockets[0].get_active());
    EXPECT_EQ(sim_check_invariants(), "");

    // One that stays out for a second tick is a fault.
    rockets[0].init(0, 700, 100, false, nullptr);
    EXPECT_EQ(sim_check_invariants(), "");
    EXPECT_EQ(sim_check_invariants(), "rocket 0 left the map but is still flying");
    rockets[0].reset();
    EXPECT_EQ(sim_check_invariants(), "");
}

TEST_F(RocketTest, SpeedsUpEveryTickAndTrailsSmoke) {
    open_map();
    rockets[0].init(0, 100, 100, false, nullptr);
    rockets[1].init(0, 100, 200, true, nullptr);
    rockets[0].update();
    rockets[1].update();
    EXPECT_FLOAT_EQ(rockets[0].x, 101); // the first tick covers the launch speed
    EXPECT_FLOAT_EQ(rockets[0].speed, 1.1f);
    EXPECT_FLOAT_EQ(rockets[1].speed, 1.03f);
    rockets[0].update();
    EXPECT_NEAR(rockets[0].x, 102.1f, 1e-4);
}

TEST_F(RocketTest, ShootersOwnBodyDoesNotStopItButTheBlastHurtsHim) {
    open_map({8}); // wall from x = 128
    cplayer *shooter = place_player(1, 100, 100);
    rockets[0].init(0, 90, 110, false, shooter); // tip starts inside his body
    fly(rockets[0]);
    EXPECT_GT(rockets[0].x, 114); // flew through him to the wall
    EXPECT_EQ(blasts(), 1);
    EXPECT_LE(shooter->get_health(), 0);
}

TEST_F(RocketTest, AnotherPlayersBodyStopsIt) {
    open_map();
    cplayer *shooter = place_player(1, 20, 100);
    place_player(2, 200, 100);
    rockets[0].init(0, 50, 110, false, shooter);
    fly(rockets[0]);
    EXPECT_EQ(blasts(), 1);
    EXPECT_NEAR(rockets[0].x + 12, 200, 1.0); // the tip stopped at his side
    EXPECT_EQ(shooter->get_health(), 100);
}

TEST_F(RocketTest, BarrelInItsFuseStopsTheRocketButIsNotHitAgain) {
    open_map({}, '1', 10, 6); // barrel at (160, 96)
    barrels[0].health = -1510;
    rockets[0].init(0, 140, 104, false, nullptr);
    fly(rockets[0]);
    EXPECT_EQ(blasts(), 1);
    EXPECT_LT(rockets[0].x + 12, 161);
    EXPECT_EQ(barrels[0].health, -1510);
}

TEST_F(RocketTest, PropsPastTheFirstFreeSlotAreNeverTouched) {
    open_map({}, '1', 10, 6);
    barrels[1] = barrels[0];
    barrels[1].health = 100;
    barrels[0].reset();
    rockets[0].init(0, 100, 104, false, nullptr);
    for (int i = 0; i < 40; i++) rockets[0].update(); // 118 px
    EXPECT_TRUE(rockets[0].get_active());
    EXPECT_GT(rockets[0].x, 180);
}

TEST_F(RocketTest, BlastHurtsPlayersStrictlyInside50Pixels) {
    open_map();
    cplayer *at50 = place_player(1, 243, 200);   // centre (250, 214)
    cplayer *at499 = place_player(2, 242.9f, 300); // centre (249.9, 314)
    explosion(200, 214, 200, 214, 200, 214, nullptr);
    explosion(200, 314, 200, 314, 200, 314, nullptr);
    EXPECT_EQ(at50->get_health(), 100);
    EXPECT_LE(at499->get_health(), 0);
}

TEST_F(RocketTest, BlastBreaksPropsWithin25Pixels) {
    std::vector<std::string> rows(30, std::string(40, '.'));
    rows[6][10] = '0'; // box centre (168, 104)
    rows[6][11] = '1'; // barrel centre (184, 104)
    set_map(rows);
    boxes[0].health = 75;
    barrels[0].health = 100;
    explosion(143, 104, 143, 104, 143, 104, nullptr); // box exactly 25 away
    EXPECT_EQ(boxes[0].health, 75);
    explosion(143.5f, 104, 143.5f, 104, 143.5f, 104, nullptr);
    EXPECT_LE(boxes[0].health, 0);
    EXPECT_EQ(barrels[0].health, 100);
    explosion(160, 104, 160, 104, 160, 104, nullptr);
    EXPECT_LE(barrels[0].health, BARREL_FUSE); // lit, goes off later
}

TEST_F(RocketTest, BlastSoundVolumeAndShakeFollowTheView) {
    open_map();
    explosion(5000, 5000, 5000, 5000, 5000, 5000, nullptr);
    ASSERT_EQ(blasts(), 1);
    EXPECT_EQ(sound_log().back().volume, 64);
    EXPECT_EQ(game.shake_counter, 0);

    players[0].slowmotion = 10;
    explosion(5000, 5000, 5000, 5000, 640, 480, nullptr); // view corner is in view
    EXPECT_EQ(sound_log().back().volume, 255);
    EXPECT_EQ(sound_log().back().sample, &fake_blast[1]);
    EXPECT_EQ(players[0].slowmotion, 9);
    EXPECT_EQ(game.shake_counter, SHAKE_TICKS);
}

TEST_F(RocketTest, FullFlamePoolGetsNoFireball) {
    open_map();
    for (cflame1 &f : flames1) f.init(10, 10, true);
    for (cflame1 &f : flames1) f.lifetime = 5;
    explosion(100, 100, 100, 100, 100, 100, nullptr);
    for (cflame1 &f : flames1) EXPECT_EQ(f.lifetime, 5);
    flames1[7].reset();
    explosion(100, 100, 100, 100, 100, 100, nullptr);
    EXPECT_TRUE(flames1[7].get_active());
    EXPECT_FALSE(flames1[7].burning);
}

// ---- seeking ----

struct SeekerTest : RocketTest {
    cplayer *owner = nullptr;
    void SetUp() override {
        RocketTest::SetUp();
        open_map();
        owner = place_player(1, 600, 440, true, 0);
    }
    // Puts player i so that its aim centre (x + 7, y + 8) is at (cx, cy).
    cplayer *target_at(int i, float cx, float cy, int team = 1) {
        return place_player(i, cx - 7, cy - 8, true, team);
    }
};

TEST_F(SeekerTest, TurnsTowardAVisibleEnemy) {
    target_at(2, 200, 150);
    rockets[0].init(0, 100, 100, true, owner);
    rockets[0].update();
    EXPECT_NEAR(rockets[0].angle, 0.02f, 1e-6);
    rockets[0].init(0, 100, 100, true, owner);
    target_at(2, 200, 50);
    rockets[0].update();
    EXPECT_NEAR(rockets[0].angle, -0.02f, 1e-6);
}

TEST_F(SeekerTest, BehindTheTargetItTurnsTheShorterWayAndWraps) {
    // Flying left, target up-left beyond the +-3.14 seam: turning up is shorter.
    target_at(2, 200, 186);
    rockets[0].init(3.13f, 300, 200, true, owner);
    rockets[0].update();
    EXPECT_NEAR(rockets[0].angle, 3.15f - 6.28f, 1e-5);
    // Flying left, target down-right: -0.02 is the shorter way round.
    target_at(2, 400, 250);
    rockets[0].init(3.13f, 300, 200, true, owner);
    rockets[0].update();
    EXPECT_NEAR(rockets[0].angle, 3.11f, 1e-5);
}

TEST_F(SeekerTest, FliesStraightWithoutAnEnemyInSight) {
    std::vector<std::string> rows(30, std::string(40, '.'));
    rows[6][9] = '['; // an invisible barrier hides the target too
    set_map(rows);
    target_at(2, 200, 100); // dead ahead: in sight it would turn by -0.02
    rockets[0].init(0, 100, 100, true, owner);
    rockets[0].update();
    EXPECT_EQ(rockets[0].angle, 0);

    open_map();
    target_at(2, 500, 150); // 400 px away: outside the half-view box
    rockets[0].init(0, 100, 100, true, owner);
    rockets[0].update();
    EXPECT_EQ(rockets[0].angle, 0);
}

TEST_F(SeekerTest, TeammatesAreNotTargetsInATeamMatch) {
    options.gametype = GT_TEAMMATCH;
    target_at(2, 200, 150, 0);
    rockets[0].init(0, 100, 100, true, owner);
    rockets[0].update();
    EXPECT_EQ(rockets[0].angle, 0);
    target_at(3, 200, 50, 1);
    rockets[0].update();
    EXPECT_LT(rockets[0].angle, 0);
}

} // namespace
