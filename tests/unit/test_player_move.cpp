// Walking, falling and jumping against the map and the props.
#include <gtest/gtest.h>

#include "players/flesh.h"
#include "players/player.h"
#include "shell/sound.h"
#include "support.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

// 20 x 7 cells: a floor at y 96, a two-cell wall at x 160.
static const std::vector<std::string> ROOM = {
    "....................", "....................", "....................", "....................",
    "..........a.........", "..........a.........", "aaaaaaaaaaaaaaaaaaaa",
};
static const float FLOOR_Y = 96 - 28; // y of a body standing on the floor

static void walk(cplayer *p, int dir, int ticks) {
    for (int i = 0; i < ticks; i++) {
        if (dir > 0)
            p->move_right();
        else
            p->move_left();
        p->move();
    }
}

TEST(PlayerMove, WallsStopTheBodyButTheLegsKeepWalking) {
    fresh_world();
    set_map(ROOM);
    cplayer *p = place_player(1, 140, FLOOR_Y);
    walk(p, +1, 10);
    EXPECT_EQ(p->x, 146); // flush against the wall at x 160
    walk(p, +1, 1);
    EXPECT_EQ(p->x, 146);
    EXPECT_NE(p->leg_counter, 195);
    EXPECT_EQ(p->y, FLOOR_Y);
}

TEST(PlayerMove, MapEdgesStopTheBody) {
    fresh_world();
    set_map(ROOM);
    cplayer *p = place_player(1, 300, FLOOR_Y);
    walk(p, +1, 20);
    EXPECT_EQ(p->x, 320 - 14);
    p->x = 3;
    walk(p, -1, 20);
    EXPECT_EQ(p->x, 0);
}

TEST(PlayerMove, StandsOnALivePropAndFallsThroughOnceItIsDestroyed) {
    fresh_world();
    set_map({
        "....................",
        "....................",
        "....................",
        "....................",
        "....................",
        ".....0......1.......",
        "aaaaaaaaaaaaaaaaaaaa",
    });
    boxes[0].health = BOX_HEALTH; // standing
    barrels[0].health = BARREL_HEALTH;
    cplayer *onbox = place_player(1, 82, 20);
    cplayer *onbarrel = place_player(2, 190, 20);
    for (int i = 0; i < 100; i++) {
        onbox->move();
        onbarrel->move();
    }
    EXPECT_EQ((int)onbox->y, 80 - 28);
    EXPECT_EQ(onbox->vy, 0);
    EXPECT_EQ((int)onbarrel->y, 80 - 28);

    boxes[0].health = 0;
    for (int i = 0; i < 100; i++)
        onbox->move();
    EXPECT_EQ((int)onbox->y, FLOOR_Y);
}

TEST(PlayerMove, JumpsOnlyFromTheGroundAndCeilingsCutTheJumpShort) {
    fresh_world();
    set_map(ROOM);
    cplayer *p = place_player(1, 40, FLOOR_Y);
    p->jump();
    EXPECT_FLOAT_EQ(p->vy, -5.25f);
    p->move();
    EXPECT_LT(p->y, FLOOR_Y);
    float vy = p->vy;
    p->jump(); // in the air: no double jump
    EXPECT_EQ(p->vy, vy);
    while (p->y < FLOOR_Y || p->vy < 0)
        p->move();
    EXPECT_EQ((int)p->y, FLOOR_Y);

    // A ceiling 20 px above the head.
    fresh_world();
    set_map({
        "....................",
        "....................",
        "aaaaaaaaaaaaaaaaaaaa",
        "....................",
        "....................",
        "....................",
        "aaaaaaaaaaaaaaaaaaaa",
    });
    p = place_player(1, 40, FLOOR_Y);
    p->jump();
    float lowest = p->y;
    while (p->vy < 0) {
        p->move();
        lowest = std::min(lowest, p->y);
    }
    EXPECT_EQ(p->vy, 0); // stopped dead, not slowed by gravity
    EXPECT_EQ((int)p->y, 48);
    EXPECT_EQ((int)lowest, 48);
    for (int i = 0; i < 100; i++)
        p->move();
    EXPECT_EQ((int)p->y, FLOOR_Y);
}

TEST(PlayerMove, LegFramesRunForwardsBackwardsAndWrap) {
    fresh_world();
    set_map(ROOM);
    cplayer *p = place_player(1, 40, FLOOR_Y);
    walk(p, +1, 1);
    EXPECT_EQ(p->leg_counter, 200); // first step forwards
    p->move();
    EXPECT_EQ(p->leg_counter, 195); // standing again
    walk(p, -1, 1);
    EXPECT_EQ(p->leg_counter, 495); // first step backwards

    p->leg_counter = 495;
    walk(p, +1, 1);
    EXPECT_EQ(p->leg_counter, 200); // past the last frame forwards
    walk(p, -1, 1);
    EXPECT_EQ(p->leg_counter, 495); // past the first frame backwards

    p->angle = 3.14f; // facing left, left is forwards
    p->leg_counter = 195;
    walk(p, -1, 1);
    EXPECT_EQ(p->leg_counter, 200);
    walk(p, -1, 59);
    EXPECT_EQ(p->leg_counter, 495);
    walk(p, -1, 1);
    EXPECT_EQ(p->leg_counter, 200);
}

TEST(PlayerMove, FallingOutOfTheMapKillsThroughProtectionAndCreditsNobody) {
    fresh_world();
    set_map({"....", "....", "....", "...."});
    place_player(0, 0, 0, false);
    players[0].kills = 2;
    cplayer *p = place_player(1, 20, 20);
    p->kills = 1;
    p->spawn_protection = 350;
    for (int i = 0; i < 200 && p->health > 0; i++)
        p->move();
    EXPECT_EQ(p->health, -500);
    EXPECT_EQ(p->kills, 1);
    EXPECT_EQ(players[0].kills, 2);
    int chunks = 0;
    for (int i = 0; i < MAX_FLESH; i++)
        chunks += flesh[i].get_active();
    EXPECT_EQ(chunks, 10);
    EXPECT_EQ(sound_log().size(), 1u);
}
