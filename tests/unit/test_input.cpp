// Input capture: one copy per logic tick, quick taps that are not lost, bindings.
#include <allegro.h>
#include <cstring>
#include <gtest/gtest.h>

#include "shell/input.h"
#include "shell/menu.h"
#include "shell/options.h"
#include "support.h"

class Input : public ::testing::Test {
  protected:
    void SetUp() override {
        headless();
        options = coptions();
        input.defaults();
        memset((void *)key, 0, KEY_MAX);
        mouse_b = mouse_x = mouse_y = 0;
        input.capture(); // drop taps left by another test
    }
};

TEST_F(Input, AClickReleasedBeforeTheTickCountsForExactlyOneTick) {
    // The library saw the press and the release between two ticks: mouse_b is 0 again.
    input_mouse_event(MOUSE_FLAG_LEFT_DOWN);
    input_mouse_event(MOUSE_FLAG_LEFT_UP);
    input.capture();
    EXPECT_TRUE(input.button(BUTTON_LEFT));
    EXPECT_TRUE(input.held(ACT_FIRE));
    EXPECT_FALSE(input.held(ACT_GRENADE));
    input.capture();
    EXPECT_FALSE(input.button(BUTTON_LEFT));

    input_mouse_event(MOUSE_FLAG_RIGHT_DOWN | MOUSE_FLAG_MOVE);
    input.capture();
    EXPECT_TRUE(input.held(ACT_GRENADE));
    input.capture();
    EXPECT_FALSE(input.held(ACT_GRENADE));
}

TEST_F(Input, AHeldButtonOrKeyStaysOnEveryTick) {
    mouse_b = 1;
    key[KEY_D] = 1;
    for (int i = 0; i < 3; i++) {
        input.capture();
        EXPECT_TRUE(input.held(ACT_FIRE));
        EXPECT_TRUE(input.held(ACT_RIGHT));
        EXPECT_FALSE(input.held(ACT_LEFT));
    }
    mouse_b = 0;
    key[KEY_D] = 0;
    input.capture();
    EXPECT_EQ(0u, input.now().actions);
}

TEST_F(Input, AKeyTappedBetweenTicksCountsOnce) {
    input_key_event(KEY_W);
    input_key_event(KEY_W | 0x80);
    input.capture();
    EXPECT_TRUE(input.held(ACT_JUMP));
    input.capture();
    EXPECT_FALSE(input.held(ACT_JUMP));
}

// A frame late on a busy machine runs several ticks: an Escape tapped before the first
// is still seen by the loop that checks once a frame.
TEST_F(Input, AnEscapeTapSurvivesTheOtherTicksOfItsFrame) {
    input.take_escape();
    input_key_event(KEY_ESC);
    input_key_event(KEY_ESC | 0x80);
    input.capture();
    input.capture();
    EXPECT_FALSE(input.key_down(KEY_ESC));
    EXPECT_TRUE(input.take_escape());
    EXPECT_FALSE(input.take_escape());
}

TEST_F(Input, ThePointerIsCapturedInBackBufferPixels) {
    options.is_scaled = true;
    mouse_x = 1279, mouse_y = 959;
    input.capture();
    EXPECT_EQ(639, input.x());
    EXPECT_EQ(479, input.y());
}

TEST_F(Input, ActionsFollowTheirBindings) {
    input.binding[ACT_FIRE] = KEY_SPACE;
    input.binding[ACT_JUMP] = BIND_MOUSE + 1;
    mouse_b = 1;
    input.capture();
    EXPECT_FALSE(input.held(ACT_FIRE)) << "the left button no longer fires";
    key[KEY_SPACE] = 1;
    mouse_b = 2;
    input.capture();
    EXPECT_TRUE(input.held(ACT_FIRE));
    EXPECT_TRUE(input.held(ACT_JUMP));
    input.binding[ACT_RELOAD] = BIND_NONE;
    key[KEY_R] = 1;
    input.capture();
    EXPECT_FALSE(input.held(ACT_RELOAD));
    for (int n = 0; n < 8; n++) {
        input.defaults();
        memset((void *)key, 0, KEY_MAX);
        mouse_b = 0;
        key[KEY_1 + n] = 1;
        input.capture();
        EXPECT_EQ(1u << (ACT_WEAPON1 + n), input.now().actions) << "key " << n + 1;
    }
}

TEST_F(Input, TheMenuTakesATapAsAClick) {
    menu.init();
    input.capture();
    menu.update(); // the latch from the previous screen clears
    mouse_x = 300, mouse_y = 190;
    input_mouse_event(MOUSE_FLAG_LEFT_DOWN);
    input_mouse_event(MOUSE_FLAG_LEFT_UP);
    // A stalled game sees the pointer already gone on when it takes the click.
    mouse_x = 639, mouse_y = 479;
    input_mouse_event(MOUSE_FLAG_MOVE);
    input.capture();
    menu.update();
    EXPECT_EQ(CHOICE_PLAY, menu.get_choice());
}

// Clicks made while the game did not look (a stall, a screen change) reach the options
// screen one by one, each where it was made, with the button up in between.
TEST_F(Input, ClicksMadeDuringAStallEachCountWhereTheyWereMade) {
    options.init();
    options.bots = 3, options.kills = 10;
    input.capture();
    options.update(); // the latch from the previous screen clears
    for (int y : {261, 261, 215}) { // bots down twice, then kills down
        mouse_x = 238, mouse_y = y;
        input_mouse_event(MOUSE_FLAG_LEFT_DOWN);
        input_mouse_event(MOUSE_FLAG_LEFT_UP);
    }
    mouse_x = 639, mouse_y = 479;
    for (int t = 0; t < 8; t++)
        input.capture(), options.update();
    EXPECT_EQ(1, options.bots);
    EXPECT_EQ(9, options.kills);
}
