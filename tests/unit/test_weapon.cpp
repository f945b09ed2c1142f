// The weapon family: cooldowns, reloads, spin-up, spawning into full pools, the
// flamethrower's looping sound and how a weapon is drawn in the hands.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "match/events.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/sound.h"
#include "support.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "weapons/weapon.h"
#include "world/map.h"

namespace {

class weapon_test : public ::testing::Test {
  protected:
    cplayer *owner = nullptr;

    void SetUp() override {
        fresh_world();
        set_map(std::vector<std::string>(40, std::string(80, '.')));
        srand(7);
        owner = place_player(1, 300, 200);
    }

    // The weapon in the owner's hands (a new one ends the one before).
    cbweapon *make(int kind) { return make_weapon(kind, owner); }

    // Holds the trigger for `ticks` ticks; returns the ticks on which a shot sounded.
    // `full_at` gets the first tick that ends with a refilled clip still reloading.
    static std::vector<int> hold(cbweapon &w, int ticks, int *full_at = nullptr) {
        std::vector<int> shots;
        for (int t = 0; t < ticks; t++) {
            size_t before = sound_log().size();
            w.shoot();
            w.update();
            if (sound_log().size() > before) shots.push_back(t);
            if (full_at && *full_at < 0 && w.get_reloading() && w.ammo == w.clip) *full_at = t;
        }
        return shots;
    }
};

TEST_F(weapon_test, GunFiresEvery41TicksThenReloadsBeforeTheNextShot) {
    auto gun = make(W_GUN);
    EXPECT_EQ(hold(*gun, 165), (std::vector<int>{0, 41, 82, 123, 164}));
    EXPECT_FLOAT_EQ(gun->ammo, 0);

    // Hold on: the clip refills and the next round leaves on the tick after it is full.
    int full_at = -1;
    std::vector<int> shots = hold(*gun, 120, &full_at);
    EXPECT_NEAR(full_at, 99, 1); // 100 refill steps of 0.05
    EXPECT_EQ(shots, std::vector<int>{full_at + 1});
}

TEST_F(weapon_test, FastFireHalvesCooldownAndDoublesRefillUntilItRunsOut) {
    owner->firerate_timer = 100000;
    auto gun = make(W_GUN);
    EXPECT_EQ(hold(*gun, 85), (std::vector<int>{0, 21, 42, 63, 84}));

    for (int t = 0; t < 20; t++)
        gun->update(); // reload starts, 20 steps of 0.1
    EXPECT_TRUE(gun->get_reloading());
    EXPECT_NEAR(gun->ammo, 2.0, 1e-4);

    owner->firerate_timer = 0; // the power-up runs out mid-reload
    gun->update();
    EXPECT_NEAR(gun->ammo, 2.05, 1e-4);
}

TEST_F(weapon_test, ReloadOnDemandAndAmmoPercentages) {
    auto gun = make(W_GUN);
    gun->ammo = 3;
    gun->reload();
    EXPECT_FLOAT_EQ(gun->ammo, 0);
    EXPECT_TRUE(gun->get_reloading());

    gun->ammo = 2.5f; // mid-reload: nothing changes
    gun->reload();
    EXPECT_FLOAT_EQ(gun->ammo, 2.5f);
    EXPECT_EQ(gun->get_ammo(), 50);

    auto full = make(W_GUN);
    full->reload();
    EXPECT_FLOAT_EQ(full->ammo, 5);
    EXPECT_FALSE(full->get_reloading());

    auto shotgun = make(W_SHOTGUN);
    shotgun->ammo = 2;
    EXPECT_EQ(shotgun->get_ammo(), 33);
}

TEST_F(weapon_test, MinigunSpinsUpFor101TicksAndWindsDownWhenReleased) {
    auto mini = make(W_MINIGUN);
    EXPECT_EQ(mini->get_delay(), 100);
    std::vector<int> shots = hold(*mini, 105);
    ASSERT_FALSE(shots.empty());
    EXPECT_EQ(shots[0], 100); // the 101st tick of holding
    EXPECT_EQ(mini->get_delay(), 4);

    for (int t = 0; t < 30; t++)
        mini->update();
    EXPECT_EQ(mini->get_delay(), 34);
    for (int t = 0; t < 100; t++)
        mini->update();
    EXPECT_EQ(mini->get_delay(), 100);
}

TEST_F(weapon_test, FullBulletPoolStillSpendsARoundFlashesEjectsAndSounds) {
    for (int i = 0; i < MAX_BULLETS; i++)
        bullets[i].active = true;
    auto gun = make(W_GUN);
    hold(*gun, 1);
    EXPECT_FLOAT_EQ(gun->ammo, 4);
    EXPECT_EQ(gun->get_delay(), 40);
    EXPECT_TRUE(fire[0].get_active());
    EXPECT_TRUE(shells[0].get_active());
    ASSERT_EQ(sound_log().size(), 1u);
    EXPECT_EQ(sound_log()[0].volume, 255);
}

TEST_F(weapon_test, ShotgunWithTwoFreeSlotsFiresTwoPellets) {
    for (int i = 0; i < MAX_BULLETS; i++)
        bullets[i].active = i != 10 && i != 200;
    auto shotgun = make(W_SHOTGUN);
    hold(*shotgun, 1);
    EXPECT_TRUE(bullets[10].get_active());
    EXPECT_TRUE(bullets[200].get_active());
    EXPECT_EQ(bullets[10].damage, 20);
    EXPECT_FLOAT_EQ(shotgun->ammo, 5);
}

TEST_F(weapon_test, LaunchersLoseTheRoundWithAFullPoolAndReloadAnyway) {
    for (int i = 0; i < MAX_ROCKETS; i++)
        rockets[i].active = true;
    auto launcher = make(W_ROCKET);
    hold(*launcher, 1);
    EXPECT_FLOAT_EQ(launcher->ammo, 0);
    EXPECT_EQ(sound_log().size(), 1u);
    launcher->update();
    EXPECT_TRUE(launcher->get_reloading());

    for (int i = 0; i < MAX_GRENADES2; i++)
        grenades2[i].active = true;
    auto grenades = make(W_GRENADE_LAUNCHER);
    hold(*grenades, 2);
    EXPECT_TRUE(grenades->get_reloading());
}

TEST_F(weapon_test, LaserRifleFiresOneBeamPerClip) {
    auto rifle = make(W_LASER);
    EXPECT_EQ(hold(*rifle, 1), (std::vector<int>{0}));
    EXPECT_TRUE(laser[0].get_active());
    EXPECT_EQ(laser[0].owner, owner);

    int full_at = -1; // about 100 refill steps of 0.01
    std::vector<int> shots = hold(*rifle, 120, &full_at);
    EXPECT_NEAR(full_at, 99, 1);
    EXPECT_EQ(shots, std::vector<int>{full_at + 1});
    EXPECT_TRUE(laser[1].get_active());
}

TEST_F(weapon_test, AimAtExactlyPlusOrMinusHalfPiFacesLeft) {
    auto gun = make(W_GUN);
    owner->angle = 1.57f;
    gun->update();
    EXPECT_FALSE(gun->facing_right());
    // Left-hand grip (9, 10) with the angle offset added.
    EXPECT_NEAR(gun->x, 300 + 9 + 6.4 * std::cos(1.57 + 0.67), 1e-3);
    owner->angle = -1.57f;
    gun->update();
    EXPECT_FALSE(gun->facing_right());
}

// ---- the flamethrower's looping sound ----

TEST_F(weapon_test, FlamethrowerLoopFadesInOnScreenAndFadesOutToSilence) {
    auto w = make(W_FLAMETHROWER);
    auto &flamer = static_cast<cflamethrower &>(*w);
    hold(flamer, 1);
    ASSERT_EQ(sound_log().size(), 1u);
    EXPECT_EQ(sound_log()[0].volume, 5);
    EXPECT_EQ(sound_log()[0].loop, 1);
    ASSERT_NE(flame_voice(1), -1);
    EXPECT_TRUE(flames2[0].get_active());

    hold(flamer, 50);
    EXPECT_EQ(sound_get_volume(flame_voice(1)), 255);
    hold(flamer, 5);
    EXPECT_EQ(sound_get_volume(flame_voice(1)), 255);
    EXPECT_EQ(sound_log().size(), 1u); // one loop, not one sound per tick

    int voice = flame_voice(1);
    for (int t = 0; t < 50; t++)
        flamer.update();
    EXPECT_EQ(sound_get_volume(voice), 5);
    EXPECT_EQ(flame_voice(1), voice);
    flamer.update();
    EXPECT_EQ(flame_voice(1), -1);
    EXPECT_EQ(sound_get_volume(voice), -1);

    hold(flamer, 20); // the holder's death silences a loop at once
    voice = flame_voice(1);
    owner->drop_weapon();
    EXPECT_EQ(flame_voice(1), -1);
    EXPECT_EQ(sound_get_volume(voice), -1);
}

TEST_F(weapon_test, FlamethrowerOffScreenStopsRisingAt125) {
    map.set_screen(2000, 2000);
    auto w = make(W_FLAMETHROWER);
    auto &flamer = static_cast<cflamethrower &>(*w);
    hold(flamer, 60);
    EXPECT_EQ(sound_get_volume(flame_voice(1)), 125);

    // Coming back into view it rises again; a loud loop is not lowered when it leaves.
    map.set_screen(0, 0);
    hold(flamer, 30);
    EXPECT_EQ(sound_get_volume(flame_voice(1)), 255);
    map.set_screen(2000, 2000);
    hold(flamer, 5);
    EXPECT_EQ(sound_get_volume(flame_voice(1)), 255);
}

// ---- drawing in the hands ----

class weapon_draw_test : public weapon_test {
  protected:
    void SetUp() override {
        load_real_data();
        weapon_test::SetUp();
    }
    // Counts drawn pixels left and right of the pivot column, and in the top and
    // bottom drawn rows.
    static void sides(int px, int &left, int &right, int &top, int &bottom) {
        left = right = top = bottom = 0;
        int first = -1;
        for (int y = 0; y < bbuffer->h; y++) {
            int row = 0;
            for (int x = 0; x < bbuffer->w; x++)
                if (getpixel(bbuffer, x, y) != 0) {
                    (x < px ? left : right)++;
                    row++;
                }
            if (row && first < 0) first = top = row;
            if (row) bottom = row;
        }
    }
};

TEST_F(weapon_draw_test, GunFacingRightIsItsBitmapWithTheCornerAtThePivot) {
    auto gun = make(W_GUN);
    gun->update();
    clear_to_color(bbuffer, 0);
    gun->draw();
    int sx = (int)gun->x, sy = (int)gun->y;
    int mask = bitmap_mask_color(bgun), drawn = 0;
    for (int j = 0; j < bgun->h; j++)
        for (int i = 0; i < bgun->w; i++) {
            int p = getpixel(bgun, i, j);
            if (p == mask) continue;
            EXPECT_EQ(getpixel(bbuffer, sx + i, sy + j), p) << i << "," << j;
            drawn++;
        }
    EXPECT_GT(drawn, 0);
}

TEST_F(weapon_draw_test, WeaponsFacingLeftAreMirroredLeftOfThePivotTopSideUp) {
    map.set_screen(100, 50); // the camera is subtracted
    for (int kind : {W_GUN, W_SHOTGUN, W_ROCKET, W_LASER}) {
        auto w = make(kind);
        int left, right, top, bottom, rtop, rbottom;
        owner->angle = 0;
        w->update();
        clear_to_color(bbuffer, 0);
        w->draw();
        sides((int)w->x - 100, left, right, rtop, rbottom);
        EXPECT_GT(right, 0) << kind;
        EXPECT_EQ(left, 0) << kind;

        owner->angle = 3.14159f;
        w->update();
        clear_to_color(bbuffer, 0);
        w->draw();
        sides((int)w->x - 100, left, right, top, bottom);
        EXPECT_GT(left, 0) << kind;
        EXPECT_LE(right, 2 * 16) << kind;                // at most the pivot column's fringe
        EXPECT_EQ(top > bottom, rtop > rbottom) << kind; // not upside down
    }
}

TEST_F(weapon_draw_test, MinigunShowsFrameZeroAtRestAndAlternatesWithTheCooldown) {
    auto w = make(W_MINIGUN);
    auto &mini = static_cast<cminigun &>(*w);
    mini.update();
    BITMAP *ref = create_bitmap(640, 480);
    for (int delay : {100, 99, 98}) {
        mini.delay = delay;
        clear_to_color(bbuffer, 0);
        mini.draw();
        clear_to_color(ref, 0);
        draw_sprite(ref, bminigun[delay % 2], (int)mini.x, (int)mini.y);
        int differ = 0;
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++)
                differ += getpixel(ref, x, y) != getpixel(bbuffer, x, y);
        EXPECT_EQ(differ, 0) << delay;
    }
    destroy_bitmap(ref);
}

} // namespace
