// Replays: a match is a pure function of its settings, seed and per-tick input.
#include <allegro.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "match/game.h"
#include "match/sim.h"
#include "players/player.h"
#include "shell/input.h"
#include "shell/options.h"
#include "support.h"
#include "world/map.h"

namespace {

// What a match looks like after its ticks: every player, the live pools and the next
// number the world's generator would give.
std::vector<long> snapshot() {
    std::vector<long> s;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        s.push_back(p.active);
        s.push_back((long)(p.x * 1000));
        s.push_back((long)(p.y * 1000));
        s.push_back(p.health);
        s.push_back(p.kills);
    }
    int counts[POOL_COUNT];
    sim_count_live(counts);
    s.insert(s.end(), counts, counts + POOL_COUNT);
    s.push_back(rand());
    return s;
}

// Plays a match on a shipped map, drawing frames_per_tick(t) frames after tick t.
template <class F> std::vector<long> play(int gametype, int ticks, F frames_per_tick) {
    fresh_world();
    map.load();
    options.gametype = gametype;
    options.bots = 5;
    options.kills = 25;
    for (int i = 0; i < map.get_nm(); i++)
        if (std::string(map.names[i]) == "arena.krm") options.level = i;
    input.clear();
    srand(1234);
    EXPECT_TRUE(game.init());
    for (int t = 0; t < ticks; t++) {
        game.update();
        for (int f = frames_per_tick(t); f > 0; f--)
            game.draw();
    }
    std::vector<long> s = snapshot();
    game.quit();
    return s;
}

TEST(Replay, DrawingAnyNumberOfFramesLeavesTheWorldAsItIs) {
    load_real_data();
    // Laser beams thin out at random and explosions shake the picture at random: both
    // are drawn often in these two game types.
    for (int type : {GT_INSTAGIB, GT_RPG_ARENA}) {
        std::vector<long> undrawn = play(type, 4000, [](int) { return 0; });
        std::vector<long> drawn = play(type, 4000, [](int t) { return t % 4; });
        EXPECT_EQ(undrawn, drawn) << "game type " << type;
    }
}

} // namespace
