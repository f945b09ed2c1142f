// krag-sim's replay side: verifying a recorded match, bringing its expectations up to
// date, and a restless stand-in for the human in recorded headless matches.
#include "sim_replay.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "match/replay.h"
#include "match/world.h"
#include "players/player.h"
#include "shell/say.h"

int replay_main(const std::string &file, bool update) {
    std::string err;
    if (!playback.load(file, err, update) || !playback.begin(err)) {
        say("krag-sim: %s: %s", file.c_str(), err.c_str());
        return 2;
    }
    const creplay &r = playback.replay;

    // Re-recorded beside the old file, which is replaced only once the new one is whole.
    crecorder rewrite;
    if (update && !rewrite.open_file(file, r.header.seed, true)) return 1;
    while (!playback.done()) {
        playback.step();
        if (!update) continue;
        for (int i = 0; i < MAX_PLAYERS; i++)
            if ((playback.leaving >> i) & 1) rewrite.leave(i);
        rewrite.tick(playback.given);
    }
    std::string line = playback.stats.line();
    printf("world_ticks=%ld\n%s\n", playback.stats.world_ticks, line.c_str());
    fflush(stdout);

    int status = 0;
    if (update) {
        if (!rewrite.close(line)) {
            say("krag-sim: %s: not re-recorded; the old file is kept", file.c_str());
            status = 1;
        } else {
            say("krag-sim: %s: re-recorded with this game's results", file.c_str());
        }
    } else if (!r.finished) {
        say("krag-sim: %s: unfinished (no trailer%s): replayed its %ld whole ticks",
                file.c_str(), r.cut ? ", the last record is cut off" : "", r.ticks);
        status = 3;
    } else if (line != r.result || playback.bad_tick >= 0) {
        say("krag-sim: %s: the replay does not match the recording", file.c_str());
        say("  recorded: %s", r.result.c_str());
        say("  replayed: %s", line.c_str());
        status = 1;
    }
    if (!update && playback.bad_tick >= 0 && r.header.version >= 2)
        say("  first differing world hash: tick %ld (recorded %016llx, replayed %016llx)",
            playback.bad_tick, (unsigned long long)playback.bad_recorded,
            (unsigned long long)playback.bad_replayed);
    else if (!update && playback.bad_tick >= 0)
        say("  first differing checksum: tick %ld (recorded %08x, replayed %08x)",
            playback.bad_tick, (unsigned)playback.bad_recorded, (unsigned)playback.bad_replayed);
    else if (status == 1)
        say("  every recorded checksum agrees");
    playback.end();
    return status;
}

// Plays a replay from its start, calling `at` with the ticks played after the start
// and after every tick until it returns false. False, saying why, when it cannot play.
static bool play_through(const std::string &file, const std::function<bool(long)> &at) {
    std::string err;
    if (!playback.load(file, err) || !playback.begin(err)) {
        say("krag-sim: %s: %s", file.c_str(), err.c_str());
        return false;
    }
    bool more = at(0);
    while (more && !playback.done()) {
        playback.step();
        more = at(playback.ticks_done());
    }
    playback.end();
    return true;
}

int compare_main(const std::string &a, const std::string &b) {
    std::vector<uint64_t> hashes; // of a's world after each tick
    if (!play_through(a, [&](long) {
            hashes.push_back(world_hash());
            return true;
        }))
        return 2;
    long apart = -1, played = 0;
    std::vector<uint64_t> parts; // of b's world where they part
    auto part_hashes = [&]() {
        parts.clear();
        for (int i = 0; i < world_part_count(); i++) parts.push_back(world_part_hash(i));
    };
    if (!play_through(b, [&](long t) {
            played = t;
            if (t < (long)hashes.size() && world_hash() == hashes[t]) return true;
            if (t < (long)hashes.size()) apart = t, part_hashes();
            return false;
        }))
        return 2;
    long ticks_a = (long)hashes.size() - 1;
    if (apart < 0 && played == ticks_a) {
        printf("the worlds agree on all %ld ticks\n", ticks_a);
        return 0;
    }
    if (apart < 0) {
        printf("the worlds agree on the %ld ticks both hold; %s holds %ld, %s %ld\n",
               std::min(played, ticks_a), a.c_str(), ticks_a, b.c_str(), played);
        return 1;
    }
    // a once more to that tick, to name the first part that differs.
    std::vector<uint64_t> theirs = parts;
    play_through(a, [&](long t) {
        if (t == apart) part_hashes();
        return t < apart;
    });
    int part = 0;
    while (part < world_part_count() - 1 && parts[part] == theirs[part]) part++;
    printf("the worlds first differ after tick %ld, in %s\n", apart, world_part_name(part));
    return 1;
}

crestless::crestless(unsigned seed) : state(seed * 2654435761u + 1), held{0, 320, 240, 0, false} {
    vx = vy = 0;
}

int crestless::next_rand(int n) {
    state = state * 1103515245u + 12345u;
    return (int)((state >> 16) % (unsigned)n);
}

const ctick_input &crestless::next() {
    // Now and then a new set of keys, held for a while; the pointer drifts and turns.
    if (next_rand(25) == 0) {
        held.actions = 0;
        static const int acts[] = {ACT_LEFT, ACT_RIGHT, ACT_JUMP, ACT_FIRE, ACT_FIRE, ACT_GRENADE};
        for (int a : acts)
            if (next_rand(3) == 0) held.actions |= 1u << a;
        if (next_rand(8) == 0) held.actions |= 1u << ACT_RELOAD;
        if (next_rand(4) == 0) held.actions |= 1u << (ACT_WEAPON1 + next_rand(8));
        held.buttons = ((held.actions >> ACT_FIRE) & 1 ? BUTTON_LEFT : 0) |
                       ((held.actions >> ACT_GRENADE) & 1 ? BUTTON_RIGHT : 0);
    }
    if (next_rand(40) == 0) {
        vx = next_rand(9) - 4;
        vy = next_rand(7) - 3;
    }
    held.x += vx;
    held.y += vy;
    if (held.x < 0 || held.x > 639) vx = -vx, held.x = held.x < 0 ? 0 : 639;
    if (held.y < 0 || held.y > 479) vy = -vy, held.y = held.y < 0 ? 0 : 479;
    return held;
}
