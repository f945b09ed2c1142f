#include "net/lossy.h"

#include <algorithm>
#include <cstdio>

bool parse_link(const char *text, clink_settings &out) {
    int d, j, l, used = 0;
    if (sscanf(text, "%d:%d:%d%n", &d, &j, &l, &used) != 3 || text[used] != '\0') return false;
    if (d < 0 || d > 5000 || j < 0 || j > 5000 || l < 0 || l > 100) return false;
    out = {d, j, l, l / 2};
    return true;
}

void clossy_link::setup(const clink_settings &s, uint32_t seed) {
    set = s;
    rng = seed ? seed : 1;
    queue.clear();
    next_order = dropped = 0;
    for (auto &row : reliable_due)
        for (long &due : row)
            due = 0;
}

// xorshift32: quick, and the same sequence everywhere.
unsigned clossy_link::draw(unsigned n) {
    rng ^= rng << 13;
    rng ^= rng >> 17;
    rng ^= rng << 5;
    return n ? rng % n : 0;
}

void clossy_link::send(long now_ms, int from, int to, const std::string &bytes, bool reliable) {
    if (from < 0 || from >= LINK_MAX_ENDPOINTS || to < 0 || to >= LINK_MAX_ENDPOINTS) return;
    int copies = 1;
    if (!reliable) {
        if ((int)draw(100) < set.loss_pct) {
            dropped++;
            return;
        }
        if ((int)draw(100) < set.dup_pct) copies = 2;
    }
    for (int i = 0; i < copies; i++) {
        long due = now_ms + set.delay_ms + draw(set.jitter_ms + 1);
        if (reliable) {
            // In order behind the pair's earlier reliable packets.
            due = std::max(due, reliable_due[from][to]);
            reliable_due[from][to] = due;
        }
        queue.push_back({from, to, reliable, bytes, due, next_order++});
    }
}

bool clossy_link::take(long now_ms, cparcel &out) {
    int best = -1;
    for (int i = 0; i < (int)queue.size(); i++) {
        const cparcel &p = queue[i];
        if (p.due_ms > now_ms) continue;
        if (best < 0 || p.due_ms < queue[best].due_ms ||
            (p.due_ms == queue[best].due_ms && p.order < queue[best].order))
            best = i;
    }
    if (best < 0) return false;
    out = std::move(queue[best]);
    queue.erase(queue.begin() + best);
    return true;
}
