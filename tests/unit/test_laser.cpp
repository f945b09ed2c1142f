// The laser beam: where the trace ends, what it hits, and how it fades on screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "support.h"
#include "weapons/laser.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

namespace {

class laser_test : public ::testing::Test {
  protected:
    std::vector<std::string> rows = std::vector<std::string>(30, std::string(40, '.'));
    cplayer *shooter = nullptr;

    void SetUp() override {
        fresh_world();
        srand(5);
    }
    void build() {
        set_map(rows);
        shooter = place_player(0, 100, 90);
    }
    // A beam to the right along y = 100 from x.
    claser &fire_right(float x) {
        laser[0].init(0, x, 100.5f, shooter);
        return laser[0];
    }
};

TEST_F(laser_test, StartingInsideAWallOrAnEnemy) {
    rows[6][10] = 'a'; // 160-175
    build();
    cplayer *enemy = place_player(1, 200, 90);
    claser &l = fire_right(165);
    EXPECT_EQ(l.length, 0);
    EXPECT_EQ(enemy->health, 100);

    claser &m = fire_right(205);
    EXPECT_EQ(m.length, 0);
    EXPECT_LE(enemy->health, 0); // 100 points kill at full health
}

TEST_F(laser_test, PassesTheOwnerAndKillsTheFirstLivingPlayerInLine) {
    build();
    cplayer *dead = place_player(2, 150, 90);
    dead->health = -200; // waiting to respawn: not a target
    cplayer *enemy = place_player(3, 200, 90);
    claser &l = fire_right(105); // starts inside the shooter
    EXPECT_EQ(l.length, 95);
    EXPECT_LE(enemy->health, 0);
    EXPECT_EQ(shooter->health, 100);
    EXPECT_EQ(shooter->kills, 1);
}

TEST_F(laser_test, TeamMateShieldsTheEnemyBehindInTeamMatch) {
    options.gametype = GT_TEAMMATCH;
    build();
    cplayer *mate = place_player(1, 150, 90, true, 0);
    cplayer *enemy = place_player(2, 200, 90, true, 1);
    claser &l = fire_right(120);
    EXPECT_EQ(l.length, 30);
    EXPECT_EQ(mate->health, 100); // the blow is ignored between team-mates
    EXPECT_EQ(enemy->health, 100);
}

TEST_F(laser_test, BarriersAndTheMapEdgeEndTheBeamHarmlessly) {
    rows[6][10] = '_'; // invisible barrier at 160
    rows[6][5] = (char)130;
    build();
    cplayer *behind = place_player(1, 200, 90);
    claser &l = fire_right(60);
    EXPECT_EQ(l.length, 100); // straight through the high cell at 80-95
    EXPECT_EQ(behind->health, 100);

    laser[1].init(0, 600, 300.5f, shooter);
    EXPECT_EQ(laser[1].length, 40); // the map is 640 wide
}

TEST_F(laser_test, BarrelBeforeBoxAndFallenPropsLetItThrough) {
    rows[6][12] = '1'; // barrel at 192
    rows[6][20] = '0'; // box at 320
    build();
    barrels[0].health = BARREL_HEALTH;
    boxes[0].health = BOX_HEALTH;
    boxes[0].x = barrels[0].x;
    claser &l = fire_right(150);
    EXPECT_EQ(l.length, 42);
    EXPECT_LE(barrels[0].health, BARREL_FUSE + 1); // destroyed: its fuse runs
    EXPECT_EQ(boxes[0].health, BOX_HEALTH);

    boxes[0].x = 320;
    barrels[0].health = BARREL_FUSE - 10; // still standing while the fuse burns
    claser &m = fire_right(150);
    EXPECT_EQ(m.length, 42);
    EXPECT_EQ(boxes[0].health, BOX_HEALTH);

    barrels[0].health = 0; // gone, waiting to stand again
    claser &n = fire_right(150);
    EXPECT_EQ(n.length, 170);
    EXPECT_FALSE(boxes[0].alive());
}

TEST_F(laser_test, FreshBeamIsASolidLineThenThinsOut) {
    headless();
    build();
    map.set_screen(20, 0);
    claser &l = fire_right(120); // to the map edge at 640: 520 points
    ASSERT_EQ(l.length, 520);
    int orange = makecol(255, 128, 0);

    clear_to_color(bbuffer, 0);
    l.draw();
    int missing = 0;
    for (int n = 0; n < l.length; n++)
        missing += getpixel(bbuffer, 100 + n, 100) != orange;
    EXPECT_EQ(missing, 0);
    EXPECT_NE(getpixel(bbuffer, 100 + l.length + 1, 100), orange); // the end point is not drawn

    l.timer = 1; // about one point in ten
    clear_to_color(bbuffer, 0);
    l.draw();
    int shown = 0;
    for (int n = 0; n < l.length; n++)
        shown += getpixel(bbuffer, 100 + n, 100) == orange;
    EXPECT_GT(shown, 10);
    EXPECT_LT(shown, 200);
}

} // namespace
