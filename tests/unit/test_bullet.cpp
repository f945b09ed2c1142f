// Bullets: what stops them, who they hit, and how heat-seekers steer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/particle.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "support.h"
#include "weapons/bullet.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

namespace {

// 40 x 30 cells of open air.
std::vector<std::string> open_map() { return std::vector<std::string>(30, std::string(40, '.')); }

class bullet_test : public ::testing::Test {
  protected:
    std::vector<std::string> rows = open_map();
    cplayer *shooter = nullptr;

    void SetUp() override {
        fresh_world();
        srand(3);
    }
    // Lays out the map and puts the shooter far away in the top-left corner.
    void build() {
        set_map(rows);
        shooter = place_player(0, 20, 20);
    }
    // A plain bullet flying right along y = 100.5 with its tail at x.
    cbullet &fire_right(float x, int damage = 30) {
        bullets[0].init(0, x, 100.5f, damage, false, shooter);
        return bullets[0];
    }
    static int particles_at(int x, int y) {
        int n = 0;
        for (int i = 0; i < MAX_PARTICLES; i++)
            if (particles[i].get_active() && (int)particles[i].x == x && (int)particles[i].y == y)
                n++;
        return n;
    }
};

TEST_F(bullet_test, WallThirtyPixelsAheadIsHitInTheFirstUpdate) {
    rows[6][10] = 'a'; // cell x 160-175, y 96-111
    build();
    cbullet &b = fire_right(90); // tip at 130, wall 30 px ahead
    b.update();
    EXPECT_FALSE(b.get_active());
    EXPECT_FLOAT_EQ(b.x, 120);            // tip stopped on the wall's first pixel
    EXPECT_EQ(particles_at(159, 100), 5); // one pixel short of the tip
}

TEST_F(bullet_test, InvisibleBarrierEndsTheBulletHarmlesslyAndHighCellsPass) {
    rows[6][10] = '^'; // invisible barrier at 160
    rows[6][5] = (char)200;
    build();
    cplayer *behind = place_player(1, 180, 90);
    cbullet &b = fire_right(40); // tip at 80, inside the 200 cell
    b.update();
    EXPECT_TRUE(b.get_active());
    EXPECT_FLOAT_EQ(b.x, 80); // all 40 steps through the high cell
    for (int t = 0; t < 10 && b.get_active(); t++)
        b.update();
    EXPECT_FALSE(b.get_active());
    EXPECT_FLOAT_EQ(b.x, 120); // tip on the barrier's first pixel
    EXPECT_EQ(behind->health, 100);
    for (int i = 0; i < MAX_PARTICLES; i++)
        EXPECT_FALSE(particles[i].get_active());

    cbullet &c = fire_right(570); // tip at 610, the map ends at 640
    c.update();
    EXPECT_FALSE(c.get_active());
}

TEST_F(bullet_test, PassesItsOwnerAndHitsTheLowerSlotOfTwoOthers) {
    build();
    shooter->x = 160; // standing in the path
    shooter->y = 90;
    cplayer *low = place_player(2, 200, 90);
    cplayer *high = place_player(3, 200, 90);
    high->x = 199; // in front of the lower slot: it is reached first
    cbullet &b = fire_right(150);
    b.update();
    EXPECT_EQ(high->health, 70);
    EXPECT_EQ(low->health, 100);
    EXPECT_EQ(shooter->health, 100);

    place_player(3, 200, 90);
    fire_right(150).update();
    EXPECT_EQ(low->health, 70);
    EXPECT_EQ(players[3].health, 100);
}

TEST_F(bullet_test, BarrelBeforeBoxAndFallenBarrelsLetItThrough) {
    rows[6][12] = '1'; // barrel at 192, 96
    rows[6][20] = '0'; // box at 320, 96
    build();
    barrels[0].health = BARREL_HEALTH; // both standing
    boxes[0].health = BOX_HEALTH;
    boxes[0].x = barrels[0].x; // the box shares the barrel's square
    cbullet &b = fire_right(150);
    b.update();
    EXPECT_FALSE(b.get_active());
    EXPECT_EQ(barrels[0].health, 70);
    EXPECT_EQ(boxes[0].health, BOX_HEALTH);

    boxes[0].x = 320;
    barrels[0].health = 0; // destroyed, waiting to stand again
    cbullet &c = fire_right(150);
    for (int t = 0; t < 10 && c.get_active(); t++)
        c.update();
    EXPECT_FALSE(c.get_active());
    EXPECT_LT(boxes[0].health, BOX_HEALTH);
}

TEST_F(bullet_test, FreshBulletIsNotDrawnThenAppearsAlongItsLine) {
    load_real_data();
    build();
    cbullet &b = fire_right(100);
    clear_to_color(bbuffer, 0);
    b.draw();
    int drawn = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            drawn += getpixel(bbuffer, x, y) != 0;
    EXPECT_EQ(drawn, 0);

    b.update();
    b.draw();
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (getpixel(bbuffer, x, y) != 0) {
                drawn++;
                EXPECT_GE(x, 140); // from the tail forward
            }
    EXPECT_GT(drawn, 0);
}

// ---- heat-seeking ----

class seek_test : public bullet_test {
  protected:
    void SetUp() override {
        bullet_test::SetUp();
        rows = std::vector<std::string>(60, std::string(80, '.')); // 1280 x 960
        build();
    }
    cbullet &seeker(float angle, float x, float y) {
        bullets[0].init(angle, x, y, 30, true, shooter);
        return bullets[0];
    }
};

TEST_F(seek_test, FliesFivePixelsPerTickAndKeepsStraightWithNoTarget) {
    cbullet &b = seeker(0, 400, 500.5f);
    b.update();
    EXPECT_FLOAT_EQ(b.x, 440);
    b.update();
    EXPECT_FLOAT_EQ(b.x, 445);
    EXPECT_FLOAT_EQ(b.angle, 0);
}

TEST_F(seek_test, TurnsTheShorterWayRoundTowardATargetBehind) {
    // Target behind and a little above: straight back is -3.09, diff -3.19.
    place_player(1, 193, 287); // centre (200, 295)
    cbullet &b = seeker(0.1f, 300, 300);
    b.seek();
    EXPECT_NEAR(b.angle, 0.12f, 1e-6);

    // Near the half turn the angle wraps instead of growing past 3.14.
    cbullet &c = seeker(3.13f, 300, 300);
    c.seek();
    EXPECT_NEAR(c.angle, 3.15f - 6.28f, 1e-5);
}

TEST_F(seek_test, ChasesTheNearestVisiblePlayerOnly) {
    place_player(1, 493, 192); // centre (500, 200), up-right and nearer
    place_player(2, 593, 292); // centre (600, 300), straight right
    rows[12][29] = 'a';        // a wall (464-479, 192-223) hides the nearer one
    rows[13][29] = 'a';
    set_map(rows);
    cbullet &b = seeker(-0.5f, 300, 300);
    b.seek();
    EXPECT_NEAR(b.angle, -0.48f, 1e-6); // toward slot 2, angle 0

    set_map(open_map()); // in plain sight the nearer one wins: angle -0.46
    b.angle = -0.3f;
    b.seek();
    EXPECT_NEAR(b.angle, -0.32f, 1e-6);
}

TEST_F(seek_test, IgnoresTeamMatesInTeamMatchOnly) {
    shooter->team = 0;
    place_player(1, 493, 292, true, 0); // centre (500, 300), right ahead
    cbullet &b = seeker(0.5f, 300, 300);
    b.seek();
    EXPECT_NEAR(b.angle, 0.48f, 1e-6);

    options.gametype = GT_TEAMMATCH;
    b.angle = 0.5f;
    b.seek();
    EXPECT_FLOAT_EQ(b.angle, 0.5f);

    players[1].team = 1;
    b.seek();
    EXPECT_NEAR(b.angle, 0.48f, 1e-6);
}

TEST_F(seek_test, SeesNoFurtherThan320AcrossOr240UpOrDown) {
    place_player(1, 293 + 330, 292); // centre 330 px to the right
    cbullet &b = seeker(0.5f, 300, 300);
    b.seek();
    EXPECT_FLOAT_EQ(b.angle, 0.5f);

    players[1].x = 293 + 300;
    b.seek();
    EXPECT_NEAR(b.angle, 0.48f, 1e-6);

    place_player(1, 293, 292 + 260); // 260 px below
    b.angle = 0;
    b.seek();
    EXPECT_FLOAT_EQ(b.angle, 0);
}

// The march as first written: every test at every step. Where the tail stops.
void marched(cbullet &b, int steps) {
    for (; steps > 0; steps--) {
        b.trig();
        double tx = b.x + 40 * b.ca, ty = b.y + 40 * b.sa;
        if (!b.screen() || sight_cell(map.get_map((int)tx, (int)ty)) || b.player() ||
            b.barrel() || b.box())
            return;
        b.x = (float)(b.x + b.ca);
        b.y = (float)(b.y + b.sa);
    }
}

// Only the bodies, barrels and boxes within reach of a tick's steps are tested at each
// step: random rocks, props, fighters and shots stop where the full tests stop them.
TEST(BulletMarch, StopsWhereTestingEverythingAtEveryStepStops) {
    srand(11);
    int stopped = 0, flew = 0;
    for (int round = 0; round < 30; round++) {
        fresh_world();
        std::vector<std::string> rows = open_map();
        for (auto &row : rows)
            for (char &c : row) {
                int k = rand() % 100;
                c = k < 4 ? 'a' : k < 7 ? '1' : k < 10 ? '0' : '.';
            }
        set_map(rows);
        for (int k = 0; k < MAX_BARRELS; k++)
            if (barrels[k].get_active()) barrels[k].health = BARREL_HEALTH;
        for (int k = 0; k < MAX_BOXES; k++)
            if (boxes[k].get_active()) boxes[k].health = BOX_HEALTH;
        for (int i = 0; i < MAX_PLAYERS; i++)
            place_player(i, (float)(rand() % 6000) / 10, (float)(rand() % 4500) / 10);
        for (int shot = 0; shot < 100; shot++) {
            cbullet b;
            b.init((rand() % 628) / 100.0f - 3.14f, (float)(rand() % 6400) / 10,
                   (float)(rand() % 4800) / 10, 1, false, &players[rand() % MAX_PLAYERS]);
            b.fresh = rand() % 2;
            cbullet want = b;
            marched(want, b.fresh ? 40 : 15);
            b.update();
            ASSERT_EQ(want.x, b.x) << "round " << round << " shot " << shot;
            ASSERT_EQ(want.y, b.y) << "round " << round << " shot " << shot;
            (b.get_active() ? flew : stopped)++;
        }
    }
    EXPECT_GT(stopped, 300);
    EXPECT_GT(flew, 300);
}

} // namespace
