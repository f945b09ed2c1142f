// Where sounds seem to come from: centred as designed unless STEREO is on, then panned
// across the view and softer the further beyond it their source lies.
#include <gtest/gtest.h>
#include <vector>

#include "match/game.h"
#include "match/hearing.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "support.h"
#include "world/map.h"

namespace {

// The volume and pan a shot fired at (x, y) is played with, the view at (1000, 500).
sound_event shot_at(float x, float y) {
    static SAMPLE *const pair[2] = {nullptr, nullptr};
    map.set_screen(1000, 500);
    sound_log_clear();
    play_pair(pair, x, y);
    EXPECT_EQ(1u, sound_log().size());
    return sound_log().empty() ? sound_event{} : sound_log()[0];
}

TEST(Hearing, CentredAsDesignedUnlessStereoThenPannedAndSofterBeyondTheView) {
    fresh_world();
    sound_record(true);
    ASSERT_FALSE(options.stereo) << "off unless chosen";
    for (float x : {900.0f, 1010.0f, 1630.0f, 4000.0f}) {
        sound_event e = shot_at(x, 700);
        EXPECT_EQ(128, e.pan);
        EXPECT_EQ(x >= 1000 && x <= 1640 ? 255 : 64, e.volume) << "however far";
    }
    options.stereo = true;
    EXPECT_LT(shot_at(1010, 700).pan, 16);
    EXPECT_NEAR(128, shot_at(1320, 700).pan, 4);
    EXPECT_GT(shot_at(1630, 700).pan, 239);
    EXPECT_EQ(255, shot_at(1630, 700).volume);
    // Beyond an edge: that side, quieter the further away (above or below alike), never silent.
    int last = 256;
    for (float d : {1.0f, 100.0f, 400.0f, 1500.0f, 20000.0f}) {
        sound_event e = shot_at(1640 + d, 700);
        EXPECT_EQ(255, e.pan);
        EXPECT_EQ(0, shot_at(1000 - d, 700).pan);
        EXPECT_EQ(e.volume, shot_at(1320, 980 + d).volume);
        EXPECT_LT(e.volume, last);
        EXPECT_GE(e.volume, 32);
        last = e.volume;
    }
    options.stereo = false;
    sound_record(false);
}

} // namespace
