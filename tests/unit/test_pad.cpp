// The pad, driven through the library's joystick state as the mouse and keyboard
// tests drive theirs: sticks, dead zone, trigger, buttons, menus, weapon stepping.
#include <allegro.h>
#include <cstring>
#include <gtest/gtest.h>

#include "match/hud.h"
#include "players/player.h"
#include "shell/input.h"
#include "shell/menu.h"
#include "shell/options.h"
#include "support.h"

namespace {

// A pad of the usual layout: sticks of 2, 2, 2 and 2 axes (left, trigger + right x,
// right y + trigger, d-pad), so the axes come out 0-7 in order, and 11 buttons.
static void plug_pad() {
    memset(&joy[0], 0, sizeof joy[0]);
    num_joysticks = 1;
    joy[0].num_sticks = 4;
    for (int s = 0; s < 4; s++)
        joy[0].stick[s].num_axis = 2;
    joy[0].stick[1].axis[0].pos = -128; // left trigger at rest
    joy[0].stick[2].axis[1].pos = -128; // right trigger at rest
    joy[0].num_buttons = 11;
}

static void axis(int n, int pos) { joy[0].stick[n / 2].axis[n % 2].pos = pos; }
static void button(int b, bool on) { joy[0].button[b].b = on; }

class Pad : public ::testing::Test {
  protected:
    void SetUp() override {
        fresh_world();
        options = coptions();
        input.defaults();
        memset((void *)key, 0, KEY_MAX);
        mouse_b = mouse_x = mouse_y = 0;
        plug_pad();
        input.set_menu(false);
        input.set_aim_anchor(320, 234);
        input.capture();
    }
    void TearDown() override {
        num_joysticks = 0;
        memset(&joy[0], 0, sizeof joy[0]);
        input.set_menu(true);
        mouse_x = 1; // a mouse move gives the pointer back to the mouse
        input.capture();
        mouse_x = 0;
        input.capture();
    }
};

TEST_F(Pad, NoPadChangesNothing) {
    num_joysticks = 0;
    joy[0].button[PAD_FIRE].b = 1;
    axis(0, 128);
    mouse_x = 100, mouse_y = 50;
    input.capture();
    EXPECT_EQ(0u, input.now().actions);
    EXPECT_EQ(100, input.x());
    EXPECT_FALSE(input.pad_aiming());
}

TEST_F(Pad, TheLeftStickAndTheDpadWalkOutsideTheDeadZone) {
    axis(0, PAD_DEAD_ZONE);
    input.capture();
    EXPECT_FALSE(input.held(ACT_RIGHT)) << "inside the dead zone";
    axis(0, PAD_DEAD_ZONE + 1);
    input.capture();
    EXPECT_TRUE(input.held(ACT_RIGHT));
    axis(0, -128);
    input.capture();
    EXPECT_TRUE(input.held(ACT_LEFT));
    EXPECT_FALSE(input.held(ACT_RIGHT));
    axis(0, 0);
    axis(1, -128); // the stick pushed up does not jump: a button does
    input.capture();
    EXPECT_EQ(0u, input.now().actions);
    axis(6, 128);
    input.capture();
    EXPECT_TRUE(input.held(ACT_RIGHT)) << "d-pad";
}

TEST_F(Pad, ButtonsAndTheTriggerMapToTheirActions) {
    struct {
        int button, action;
    } map[] = {{PAD_JUMP, ACT_JUMP},     {PAD_THROW, ACT_GRENADE},    {PAD_FIRE, ACT_FIRE},
               {PAD_RELOAD, ACT_RELOAD}, {PAD_PREV, ACT_PREV_WEAPON}, {PAD_NEXT, ACT_NEXT_WEAPON},
               {PAD_SCORES, ACT_SCORES}, {PAD_PAUSE, ACT_PAUSE}};
    for (auto &m : map) {
        button(m.button, true);
        input.capture();
        EXPECT_EQ(1u << m.action, input.now().actions) << "button " << m.button;
        button(m.button, false);
    }
    // Right trigger: at rest (-128) and at the untouched 0 some systems report, nothing.
    input.capture();
    EXPECT_FALSE(input.held(ACT_FIRE));
    axis(5, 0);
    input.capture();
    EXPECT_FALSE(input.held(ACT_FIRE));
    axis(5, 100);
    input.capture();
    EXPECT_TRUE(input.held(ACT_FIRE));
    // Keys still work beside the pad.
    axis(5, -128);
    key[KEY_D] = 1;
    input.capture();
    EXPECT_EQ(1u << ACT_RIGHT, input.now().actions);
}

TEST_F(Pad, TheRightStickAimsAtAFixedReachAndKeepsItsLastDirection) {
    mouse_x = 500, mouse_y = 400;
    input.capture();
    axis(3, 20), axis(4, 20); // inside the dead zone
    input.capture();
    EXPECT_FALSE(input.pad_aiming());
    EXPECT_EQ(500, input.x());

    axis(3, 128), axis(4, 0);
    input.capture();
    EXPECT_TRUE(input.pad_aiming());
    EXPECT_EQ(320 + PAD_AIM_REACH, input.x());
    EXPECT_EQ(234, input.y());
    axis(3, -90), axis(4, -90); // up-left, any strength gives the same reach
    input.capture();
    EXPECT_EQ(320 - 57, input.x());
    EXPECT_EQ(234 - 57, input.y());
    EXPECT_EQ(input.x(), input.draw_x());

    // Released: the direction stays, and follows the player.
    axis(3, 0), axis(4, 0);
    input.set_aim_anchor(300, 200);
    input.capture();
    EXPECT_EQ(300 - 57, input.x());
    EXPECT_EQ(200 - 57, input.y());

    // The mouse moves: it aims again.
    mouse_x = 10, mouse_y = 20;
    input.capture();
    EXPECT_FALSE(input.pad_aiming());
    EXPECT_EQ(10, input.x());
    EXPECT_EQ(20, input.y());
}

TEST_F(Pad, OnAMenuTheLeftStickMovesThePointerAndTheFirstButtonClicks) {
    input.set_menu(true);
    mouse_x = 300, mouse_y = 100;
    input.capture();
    menu.init();
    axis(1, 128); // down at full speed
    for (int i = 0; i < 11; i++)
        input.capture();
    EXPECT_EQ(300, input.x());
    EXPECT_EQ(100 + 11 * PAD_POINTER_SPEED, input.y());
    EXPECT_EQ(0u, input.now().actions) << "no walking on a menu";
    axis(1, 0);
    menu.update(); // the opening latch clears: no button is down
    button(PAD_JUMP, true);
    input.capture();
    menu.update();
    EXPECT_EQ(CHOICE_PLAY, menu.get_choice());

    // The pointer stays inside the screen.
    axis(0, -128);
    for (int i = 0; i < 100; i++)
        input.capture();
    EXPECT_EQ(0, input.x());
}

TEST_F(Pad, ShoulderButtonsStepTheWeaponChoiceWhileWaitingToRespawn) {
    players[0].init(0);
    hud = chud();
    players[0].health = -1;
    hud.weapon[0] = -4; // the selector is open, the last choice was 4
    auto step = [](int b) {
        button(b, true);
        input.capture();
        take_input();
        hud.update();
        input.capture();
        take_input();
        hud.update(); // held: steps once
        button(b, false);
        input.capture();
        take_input();
        hud.update();
    };
    step(PAD_NEXT);
    EXPECT_EQ(-5, hud.weapon[0]) << "still open, on the next weapon";
    step(PAD_PREV);
    step(PAD_PREV);
    EXPECT_EQ(-3, hud.weapon[0]);
    hud.weapon[0] = -8;
    step(PAD_NEXT);
    EXPECT_EQ(-1, hud.weapon[0]) << "wraps round";
    step(PAD_PREV);
    EXPECT_EQ(-8, hud.weapon[0]);
    players[0].health = 0; // the respawn tick takes the stepped choice
    input.capture();
    take_input();
    hud.update();
    EXPECT_EQ(8, hud.get_weapon(0));
}

} // namespace
