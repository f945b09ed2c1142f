// Power-up placement, falling, bouncing and collection.
#include <cmath>
#include <gtest/gtest.h>

#include "players/player.h"
#include "players/powerup.h"
#include "shell/options.h"
#include "support.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

// Floor at y 96.
static const std::vector<std::string> ROOM = {
    "....................", "....................", "....................", "....................",
    "....................", "....................", "aaaaaaaaaaaaaaaaaaaa",
};
static const float RESTING = 96 - 10; // y of a pickup lying on the floor

TEST(PowerupManager, PlacesEvery501TicksOnlyEnabledKindsAboveGround) {
    fresh_world();
    set_map(ROOM);
    options.health = options.firerate = options.heatseek = options.slowmotion = false;
    srand(5);
    int placed = 0;
    for (int tick = 1; tick <= 501 * 20; tick++) {
        pumgr.update();
        for (int i = 0; i < MAX_POWERUPS; i++) {
            if (!powerups[i].get_active()) continue;
            EXPECT_EQ(tick % 501, 0) << "placed on tick " << tick;
            EXPECT_EQ(powerups[i].kind, PU_GRENADES);
            EXPECT_LT(powerups[i].y, 96); // never inside the floor row
            powerups[i].reset();
            placed++;
        }
    }
    EXPECT_GE(placed, 12);

    // Everything switched off: nothing, ever.
    options.grenades = false;
    for (int tick = 0; tick < 2000; tick++)
        pumgr.update();
    for (int i = 0; i < MAX_POWERUPS; i++)
        EXPECT_FALSE(powerups[i].get_active());
}

TEST(PowerupManager, PlacesOnlyWhereNothingStands) {
    fresh_world();
    set_map({"..0.", "..1.", ".a..", "aaaa"});
    EXPECT_TRUE(pumgr.location(0, 0));
    EXPECT_FALSE(pumgr.location(16, 32)); // a solid tile
    boxes[0].health = 75;
    barrels[0].health = 100;
    EXPECT_FALSE(pumgr.location(32, 0));
    EXPECT_FALSE(pumgr.location(32, 16));
    boxes[0].health = 0; // broken: the spot is free again
    EXPECT_TRUE(pumgr.location(32, 0));
}

TEST(Powerup, BouncesAtHalfSpeedAndSettles) {
    fresh_world();
    set_map(ROOM);
    cpowerup *pu = &powerups[0];
    pu->init(40, RESTING - 0.5f, PU_HEALTH);
    pu->vy = 2;
    pu->update();
    EXPECT_FLOAT_EQ(pu->vy, -(2 + 0.15f) * 0.5f);
    EXPECT_EQ((int)pu->y, (int)RESTING);
    for (int i = 0; i < 300; i++)
        pu->update();
    EXPECT_EQ(pu->vy, 0);
    EXPECT_EQ((int)pu->y, (int)RESTING);
    EXPECT_TRUE(pu->get_active());
}

TEST(Powerup, CaughtInFlightByALivingPlayerOnly) {
    fresh_world();
    set_map(ROOM);
    cplayer *p = place_player(1, 35, 68);
    p->grenades = 4;
    cpowerup *pu = &powerups[0];
    pu->init(36, 0, PU_GRENADES);
    float lowest = 0;
    for (int i = 0; i < 300 && pu->get_active(); i++) {
        pu->update();
        lowest = pu->y;
    }
    EXPECT_FALSE(pu->get_active());
    EXPECT_EQ(p->grenades, 5);     // capped
    EXPECT_LT(lowest + 5, 68 + 1); // collected on the head, not on the floor

    // The dead leave it lying there.
    p->health = 0;
    pu->init(36, 0, PU_HEALTH);
    for (int i = 0; i < 300; i++)
        pu->update();
    EXPECT_TRUE(pu->get_active());
    EXPECT_EQ((int)pu->y, (int)RESTING);
    p->health = 50;
    pu->update();
    EXPECT_FALSE(pu->get_active());
    EXPECT_EQ(p->health, 75);
}
