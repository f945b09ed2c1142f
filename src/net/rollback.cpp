#include "net/rollback.h"

#include <algorithm>
#include <climits>

static const cnet_input NO_INPUT = {0, 0, 0, 0};

void crollback::start(const cnet_model &m, unsigned human, int local, int d) {
    model = m;
    humans = human & ((1u << NET_MAX_PLAYERS) - 1);
    local_slot = local >= 0 && local < NET_MAX_PLAYERS && (humans >> local & 1) ? local : -1;
    delay = std::clamp(d, 0, NET_MAX_DELAY);
    tick_now = 0;
    redo_from = LONG_MAX;
    handed = examined = 0;
    st = {0, 0, 0, 0};
    for (int s = 0; s < NET_MAX_PLAYERS; s++) {
        left_at[s] = LONG_MAX;
        next[s] = 0;
        for (int i = 0; i < ROLLBACK_INPUTS; i++)
            stored[s][i] = -1, inputs[s][i] = used[s][i] = NO_INPUT;
    }
    // The first `delay` ticks of our own slot have no input: nobody had a chance yet.
    if (local_slot >= 0) {
        for (long t = 0; t < delay; t++)
            stored[local_slot][t] = t;
        next[local_slot] = delay;
    }
}

bool crollback::human_at(int slot, long tick) const {
    return slot >= 0 && slot < NET_MAX_PLAYERS && (humans >> slot & 1) && tick < left_at[slot];
}

bool crollback::remote_human(int slot, long tick) const {
    return slot != local_slot && human_at(slot, tick);
}

long crollback::known(int slot) const {
    return slot >= 0 && slot < NET_MAX_PLAYERS ? next[slot] : 0;
}

const cnet_input &crollback::input(int slot, long tick) const {
    if (slot < 0 || slot >= NET_MAX_PLAYERS || tick < 0) return NO_INPUT;
    int i = tick % ROLLBACK_INPUTS;
    return stored[slot][i] == tick ? inputs[slot][i] : NO_INPUT;
}

long crollback::confirmed() const {
    long c = LONG_MAX;
    for (int s = 0; s < NET_MAX_PLAYERS; s++)
        if ((humans >> s & 1) && next[s] < left_at[s]) c = std::min(c, next[s]);
    return c;
}

// A remote player is predicted to go on doing what they did last.
const cnet_input &crollback::predicted(int slot, long tick) const {
    return next[slot] > 0 ? input(slot, next[slot] - 1) : NO_INPUT;
}

void crollback::add_local(const cnet_input &in) {
    if (local_slot < 0 || next[local_slot] > tick_now + delay) return;
    long t = next[local_slot]++;
    int i = t % ROLLBACK_INPUTS;
    inputs[local_slot][i] = in, stored[local_slot][i] = t;
}

bool crollback::add_remote(int slot, long tick, const cnet_input &in) {
    if (slot < 0 || slot >= NET_MAX_PLAYERS || slot == local_slot || !(humans >> slot & 1) ||
        tick < 0)
        return false;
    // Inputs past a leave, already known, or beyond what the ring can hold without
    // overwriting ticks still needed are dropped; an honest sender sends them again.
    if (tick >= left_at[slot] || tick < next[slot]) return true;
    if (tick >= next[slot] + ROLLBACK_INPUTS - ROLLBACK_SAVES - 1) return true;
    int i = tick % ROLLBACK_INPUTS;
    if (stored[slot][i] == tick) return true;
    inputs[slot][i] = in, stored[slot][i] = tick;
    if (tick < tick_now && in != used[slot][i]) redo_from = std::min(redo_from, tick);
    while (stored[slot][next[slot] % ROLLBACK_INPUTS] == next[slot])
        next[slot]++;
    return true;
}

bool crollback::leave(int slot, long tick) {
    if (!human_at(slot, tick) || slot == local_slot || tick < next[slot]) return false;
    left_at[slot] = tick;
    if (tick < tick_now) redo_from = std::min(redo_from, tick);
    return true;
}

bool crollback::blocked() const { return waiting_for() >= 0; }

int crollback::waiting_for() const {
    int slot = -1;
    for (int s = 0; s < NET_MAX_PLAYERS; s++)
        if (remote_human(s, next[s]) && tick_now >= next[s] + ROLLBACK_WINDOW &&
            (slot < 0 || next[s] < next[slot]))
            slot = s;
    return slot;
}

void crollback::run(long t) {
    model.save(model.ctx, t % ROLLBACK_SAVES);
    if (t > 0 && t % HASH_EVERY == 0)
        checkpoint[(t / HASH_EVERY) % ROLLBACK_SAVES] = model.hash(model.ctx);
    cnet_input in[NET_MAX_PLAYERS];
    bool human[NET_MAX_PLAYERS];
    for (int s = 0; s < NET_MAX_PLAYERS; s++) {
        human[s] = human_at(s, t);
        int i = t % ROLLBACK_INPUTS;
        if (!human[s])
            in[s] = NO_INPUT;
        else if (stored[s][i] == t)
            in[s] = inputs[s][i];
        else
            in[s] = predicted(s, t);
        used[s][i] = in[s];
    }
    model.tick(model.ctx, in, human);
    over[t % ROLLBACK_INPUTS] = model.decided(model.ctx);
}

bool crollback::advance() {
    if (blocked()) {
        st.waited++;
        return false;
    }
    if (redo_from < tick_now) {
        // Never further back than the saved worlds reach (inputs arrive inside the window).
        long from = std::max(redo_from, tick_now - ROLLBACK_SAVES + 1);
        model.restore(model.ctx, from % ROLLBACK_SAVES);
        st.rollbacks++;
        st.deepest = std::max(st.deepest, tick_now - from);
        st.resimulated += tick_now - from;
        for (long t = from; t < tick_now; t++)
            run(t);
    }
    redo_from = LONG_MAX;
    run(tick_now++);
    return true;
}

bool crollback::take_hash(long &tick, uint64_t &hash) {
    long c = (handed + 1) * HASH_EVERY;
    if (confirmed() < c || tick_now <= c || redo_from < c) return false;
    handed++;
    tick = c;
    hash = checkpoint[(c / HASH_EVERY) % ROLLBACK_SAVES];
    return true;
}

bool crollback::take_end(long &tick) {
    long upto = std::min({confirmed(), tick_now, redo_from});
    for (; examined < upto; examined++)
        if (over[examined % ROLLBACK_INPUTS]) {
            tick = ++examined;
            return true;
        }
    return false;
}

bool crollback::rewind(long tick) {
    if (tick > tick_now || tick <= tick_now - ROLLBACK_SAVES || redo_from < tick) return false;
    if (tick < tick_now) model.restore(model.ctx, tick % ROLLBACK_SAVES);
    tick_now = tick;
    return true;
}
