// libFuzzer target: any bytes as a replay file. The reader must refuse or accept without
// reading or writing out of bounds, and what it accepts must keep its promises: the runs
// add up to the ticks, checksums come in order, a trailer agrees with the body, and
// writing the ticks (and in version 2 the slots that leave) again reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "match/replayfile.h"

static bool same(const ctick_input &a, const ctick_input &b) {
    return a.actions == b.actions && a.x == b.x && a.y == b.y && a.buttons == b.buttons;
}

// The list's summary reads the same bytes from both ends; a file the whole reader takes
// must read as a summary too, and a trailer it finds must be the real one.
static void check_summary(const uint8_t *data, size_t size, bool whole_ok, const creplay &r) {
    creplay_summary s;
    std::string err;
    size_t head = size < REPLAY_HEADER_MAX ? size : REPLAY_HEADER_MAX;
    size_t tail = size < REPLAY_TAIL_MAX ? size : REPLAY_TAIL_MAX;
    bool ok = read_replay_summary(data, head, data + size - tail, tail, size, s, err);
    if (!ok && err.empty()) abort();
    if (!whole_ok) return;
    if (!ok) abort();
    if (s.finished && r.finished && (s.ticks != r.ticks || s.result != r.result)) abort();
    // A trailer whose line starts by naming its tick count, as the game writes it.
    std::string count = "ticks=" + std::to_string(r.ticks);
    bool named = r.result.compare(0, count.size(), count) == 0 &&
                 (r.result.size() == count.size() || r.result[count.size()] == ' ');
    if (r.finished && named && !s.finished) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    creplay r;
    std::string err;
    bool whole_ok = read_replay(data, size, r, err);
    check_summary(data, size, whole_ok, r);
    if (!whole_ok) {
        if (err.empty()) abort();
        return 0;
    }
    long sum = 0;
    for (const creplay_run &run : r.runs) {
        if (run.count < 1) abort();
        sum += run.count;
    }
    if ((r.header.version == 1 && sum != r.ticks) || r.ticks > REPLAY_MAX_TICKS) abort();
    long last = -1;
    for (const creplay_check &c : r.checks) {
        if (c.tick <= last || c.tick > r.ticks) abort();
        last = c.tick;
    }
    if (r.finished && (r.trailer_ticks != r.ticks || r.cut)) abort();

    // Written again, the same ticks come back (kept short so each run stays quick).
    if (r.ticks > 20000) return 0;
    std::string out;
    creplay_writer w;
    if (!w.start(r.header, out)) abort();
    creplay_cursor c(&r);
    std::vector<ccontrol> v2;
    size_t leave = 0;
    while (!c.done()) {
        if (r.header.version == 1) {
            w.tick(c.next(), out);
            continue;
        }
        ccontrol in[MAX_PLAYERS];
        unsigned leaving;
        long tick = c.ticks_done();
        c.next(in, leaving);
        for (int i = 0; i < MAX_PLAYERS; i++)
            if ((leaving >> i) & 1) {
                if (leave >= r.leaves.size() || r.leaves[leave].tick != tick ||
                    r.leaves[leave++].slot != i || !w.leave(i, out))
                    abort();
            }
        w.tick(in, out);
        v2.insert(v2.end(), in, in + MAX_PLAYERS);
    }
    w.trailer(r.result, out);
    creplay again;
    if (!read_replay((const uint8_t *)out.data(), out.size(), again, err)) abort();
    if (again.ticks != r.ticks || !again.finished) abort();
    creplay_cursor a(&r), b(&again);
    if (r.header.version == 1) {
        while (!a.done())
            if (!same(a.next(), b.next())) abort();
        return 0;
    }
    for (size_t t = 0; !b.done(); t++) {
        ccontrol in[MAX_PLAYERS];
        unsigned leaving;
        b.next(in, leaving);
        for (int i = 0; i < MAX_PLAYERS; i++) {
            const ccontrol &x = in[i], &y = v2[t * MAX_PLAYERS + i];
            if (x.actions != y.actions || x.buttons != y.buttons || x.aim_x != y.aim_x ||
                x.aim_y != y.aim_y)
                abort();
        }
    }
    return 0;
}
