#include "match/rewind.h"

#include <algorithm>

#include "match/events.h"
#include "match/game.h"
#include "world/map.h"

crewind rewind_marks;

void crewind::clear() { marks.clear(); }

void crewind::note() {
    long t = playback.ticks_done();
    if (t % REWIND_EVERY_TICKS != 0 || (!marks.empty() && marks.back().tick >= t)) return;
    marks.push_back(cmark{t, csnapshot(), playback.place(), map.get_xs(), map.get_ys()});
    world_save(marks.back().world);
    thin();
}

// Over budget, every other saved world goes, the oldest half first: the start stays,
// the last minutes stay dense, and the spacing grows with the distance back.
void crewind::thin() {
    size_t each = std::max<size_t>(world_bytes(), 1);
    size_t most = std::max<size_t>(REWIND_MAX_BYTES / each, 8);
    if (marks.size() <= most) return;
    std::vector<cmark> kept;
    size_t half = marks.size() / 2;
    for (size_t i = 0; i < marks.size(); i++)
        if (i >= half || i % 2 == 0) kept.push_back(std::move(marks[i]));
    marks.swap(kept);
}

void crewind::jump_to(long goal) {
    long last = playback.replay.ticks;
    goal = std::max(0L, std::min(goal, last));
    events_mute(true); // what happens on the way is neither heard nor shaken
    if (goal < playback.ticks_done()) {
        auto at = std::upper_bound(marks.begin(), marks.end(), goal,
                                   [](long g, const cmark &m) { return g < m.tick; });
        if (at != marks.begin()) {
            const cmark &m = *(at - 1);
            world_restore(m.world);
            playback.go_to(m.place);
            map.set_screen(m.xs, m.ys);
        }
    }
    last_played = 0;
    while (playback.ticks_done() < goal && !playback.done()) {
        playback.step();
        note();
        last_played++;
    }
    events_mute(false);
    events_reset(); // loops of the time left behind stop; ticks run again are heard anew
    game.shake_counter = 0;
}
