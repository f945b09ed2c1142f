// Blood drops and flesh chunks.
#include <cmath>
#include <gtest/gtest.h>

#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "shell/options.h"
#include "support.h"
#include "world/map.h"

// A wall at x 160 from y 16 down to the floor at y 96.
static const std::vector<std::string> ROOM = {
    "....................", "..........a.........", "..........a.........", "..........a.........",
    "..........a.........", "..........a.........", "aaaaaaaaaaaaaaaaaaaa",
};

template <class T, int N> static int count_active(T (&pool)[N]) {
    int n = 0;
    for (int i = 0; i < N; i++)
        n += pool[i].get_active();
    return n;
}

TEST(Blood, SpillTakesTheFirstFreeSlots) {
    fresh_world();
    set_map(ROOM);
    blood[1].init(0, 0);
    spill_blood(50, 50, 3);
    EXPECT_TRUE(blood[0].get_active());
    EXPECT_TRUE(blood[2].get_active());
    EXPECT_TRUE(blood[3].get_active());
    EXPECT_FALSE(blood[4].get_active());
    EXPECT_EQ(count_active(blood), 4);
}

// A drop at rest skips its floor test; a twin that never rests must do exactly the
// same, through random pushes that lift it to the ceiling, into walls and off ledges.
TEST(Blood, ARestingDropMovesAsOneThatTestsTheFloorEveryTick) {
    fresh_world();
    set_map({
        "....................", "aaaaaaaaa...........", "..........a.........",
        "..........a.........", "..........a...aaaa..", "..........a.........",
        "aaaaaaaaaaaaaaaaaaaa",
    });
    int woken = 0;
    for (int seed = 0; seed < 200; seed++) {
        srand(seed);
        cblood *d = blood[0].init((float)(rand() % 300), (float)(40 + rand() % 40));
        for (int tick = 0; tick < 190 && d->get_active(); tick++) {
            if (rand() % 25 == 0) {
                woken += d->settled;
                d->vx = (rand() % 41 - 20) / 10.0f;
                d->vy = (rand() % 61 - 40) / 10.0f;
            }
            cblood twin = *d;
            twin.settled = false;
            unsigned draw = rand();
            srand(draw);
            d->update();
            srand(draw);
            twin.update();
            ASSERT_EQ(twin.x, d->x) << "seed " << seed << " tick " << tick;
            ASSERT_EQ(twin.y, d->y) << "seed " << seed << " tick " << tick;
            ASSERT_EQ(twin.vx, d->vx) << "seed " << seed << " tick " << tick;
            ASSERT_EQ(twin.vy, d->vy) << "seed " << seed << " tick " << tick;
        }
    }
    EXPECT_GT(woken, 50);
}

TEST(Blood, ADropSticksTwoToFivePixelsIntoAWall) {
    int depths[6] = {};
    for (int seed = 0; seed < 300; seed++) {
        fresh_world();
        set_map(ROOM);
        srand(seed);
        cblood *d = blood[0].init(150, 40);
        d->vx = 0.5f;
        d->vy = 0;
        for (int i = 0; i < 40 && d->vx != 0; i++)
            d->update();
        ASSERT_EQ(d->vx, 0);
        int depth = (int)d->x + 2 - 160;
        ASSERT_GE(depth, 2);
        ASSERT_LE(depth, 5);
        depths[depth]++;
        // Held by the wall until it dries up.
        float x = d->x, y = d->y;
        int ticks = 0;
        while (d->get_active()) {
            d->update();
            ticks++;
        }
        EXPECT_EQ(d->x, x);
        EXPECT_EQ(d->y, y);
        EXPECT_GT(ticks, 150);
    }
    EXPECT_GT(depths[2], depths[3]); // shallow splashes are the common ones
    EXPECT_GT(depths[3], 0);
}

TEST(Flesh, BouncesOffWallsAndFloorsAtSeventyPercent) {
    fresh_world();
    set_map(ROOM);
    options.blood = 1000000; // no trail in the way
    cflesh *f = flesh[0].init(153.5f, 40, NO_FORCE);
    f->vx = 3;
    f->vy = -1;
    f->update();
    EXPECT_FLOAT_EQ(f->vx, -2.1f);
    EXPECT_FLOAT_EQ(f->vy, (-1 + 0.15f) * 0.7f);
    EXPECT_EQ((int)f->x, 155);

    f = flesh[1].init(40, 88, NO_FORCE);
    f->vx = 1;
    f->vy = 3;
    f->update();
    EXPECT_FLOAT_EQ(f->vy, -(3 + 0.15f) * 0.7f);
    EXPECT_FLOAT_EQ(f->vx, 0.7f);
    EXPECT_EQ((int)f->y, 91);

    // It comes to rest on the floor and disappears.
    for (int i = 0; i < 500 && f->get_active(); i++)
        f->update();
    EXPECT_FALSE(f->get_active());
    EXPECT_NEAR(f->y, 91, 1); // its last tick may still lift it a fraction
    EXPECT_LT(f->x, 160);
}

TEST(Flesh, BulletsCarryChunksAlongExplosionsScatterThem) {
    fresh_world();
    set_map(ROOM);
    srand(7);
    double along = 0, scatter = 0;
    for (int i = 0; i < 1000; i++) {
        along += flesh[0].init(50, 50, 0.0f)->vx;
        scatter += flesh[0].init(50, 50, 1000.0f)->vx;
    }
    EXPECT_NEAR(along / 1000, 5.0, 0.3);
    EXPECT_NEAR(scatter / 1000, 0.0, 0.3);
}

TEST(Flesh, TrailRateFollowsTheBloodSetting) {
    for (int divisor : {2, 8}) {
        fresh_world();
        set_map(ROOM);
        options.blood = divisor;
        srand(11);
        int drops = 0;
        for (int i = 0; i < 4000; i++) {
            // hovering in mid-air for one tick
            cflesh *f = flesh[0].init(50, 40, 1000.0f);
            f->vx = f->vy = 0;
            f->update();
            drops += count_active(blood);
            for (int j = 0; j < MAX_BLOOD; j++)
                blood[j].reset();
        }
        EXPECT_NEAR(drops, 4000 / divisor, 4000 / divisor / 6) << "divisor " << divisor;
    }
}
