#include "net/session.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "match/replayfile.h"

// ---- setting up ----

static void clear_peer_hashes(long *ticks) {
    for (int i = 0; i < NET_HASH_KEEP; i++)
        ticks[i] = -1;
}

void csession::host(const cnet_settings &s, const std::string &name, const cnet_hello &me) {
    *this = csession();
    hosting = true;
    hello = me;
    offer = s;
    my_slot = name.empty() ? -1 : 0;
    roster.count = NET_MAX_PLAYERS;
    for (int i = 0; i < NET_MAX_PLAYERS; i++)
        roster.human[i] = false, roster.name[i].clear();
    if (my_slot == 0) roster.human[0] = true, roster.name[0] = name;
    clear_peer_hashes(my_hash_tick);
    st = SESSION_LOBBY;
}

void csession::join(const cnet_hello &me) {
    *this = csession();
    hello = me;
    roster.count = NET_MAX_PLAYERS;
    clear_peer_hashes(my_hash_tick);
    st = SESSION_JOINING;
}

unsigned csession::humans() const {
    unsigned h = 0;
    for (int i = 0; i < roster.count; i++)
        if (roster.human[i]) h |= 1u << i;
    return h;
}

int csession::joined() const { return __builtin_popcount(humans()); }

std::string csession::slot_name(int slot) const {
    if (slot >= 0 && slot < roster.count && !roster.name[slot].empty()) return roster.name[slot];
    return "PLAYER " + std::to_string(slot + 1);
}

// ---- sending ----

void csession::send(int peer, const cnet_msg &m, bool reliable) {
    cpacker p;
    if (!net_encode(m, p)) return; // never send what a peer must refuse
    fig.bytes_sent += p.size();
    outbox.push_back({peer, reliable, std::string((const char *)p.data(), p.size())});
}

void csession::to_all(const cnet_msg &m, bool reliable, int except) {
    for (int i = 0; i < NET_MAX_PLAYERS + 1; i++)
        if (peers[i].on && peers[i].slot >= 0 && i != except) send(i, m, reliable);
}

void csession::refuse(int peer, const std::string &why) {
    cnet_msg m{};
    m.type = PKT_REFUSE;
    m.reason = why;
    send(peer, m, true);
    outbox.push_back({peer, true, std::string()}); // an empty packet: disconnect after it
    peers[peer].on = false;
}

void csession::cut(int peer, const char *why) {
    int slot = peers[peer].slot;
    refuse(peer, std::string("disconnected: ") + why);
    if (slot >= 0) slot_leaves(slot);
}

void csession::end(const std::string &why) {
    message = why;
    st = SESSION_OVER;
}

// ---- connections ----

void csession::connected(int peer) {
    if (peer < 0 || peer > NET_MAX_PLAYERS) return;
    peers[peer] = cpeer();
    peers[peer].on = true;
    peers[peer].slot = -1;
    clear_peer_hashes(peers[peer].hashes_tick);
    if (!hosting && peer == 0) {
        cnet_msg m{};
        m.type = PKT_HELLO;
        m.hello = hello;
        send(0, m, true);
    }
}

void csession::disconnected(int peer) {
    if (peer < 0 || peer > NET_MAX_PLAYERS) return;
    if (!hosting) {
        if (st != SESSION_OVER) end("the host left the match");
        return;
    }
    int slot = peers[peer].slot;
    peers[peer].on = false;
    peers[peer].slot = -1;
    if (slot >= 0) slot_leaves(slot);
}

// The host decides the tick from which a slot is a bot: the first tick it has no
// input for. Everyone gets that tick reliably, so the slot turns at the same tick on
// every machine.
void csession::slot_leaves(int slot) {
    for (cpeer &p : peers)
        if (p.slot == slot) p.slot = -1;
    if (st == SESSION_LOBBY) {
        roster.human[slot] = false, roster.name[slot].clear();
        update_names();
        return;
    }
    long tick = 0;
    if (st == SESSION_COUNTDOWN) {
        leave_at_start |= 1u << slot;
    } else {
        if (st != SESSION_PLAYING || !game.human_at(slot, LONG_MAX - 1)) return;
        tick = game.known(slot);
        game.leave(slot, tick);
    }
    cnet_msg m{};
    m.type = PKT_LEAVE;
    m.slot = slot;
    m.tick = tick;
    to_all(m, true);
}

void csession::update_names() {
    if (!hosting) return;
    cnet_msg m{};
    m.type = PKT_NAMES;
    m.names = roster;
    to_all(m, true);
}

// ---- receiving ----

void csession::received(int peer, const std::string &bytes) {
    if (peer < 0 || peer > NET_MAX_PLAYERS || !peers[peer].on) return;
    static cnet_msg m; // large; one decode at a time
    std::string err;
    if (!net_decode((const uint8_t *)bytes.data(), bytes.size(), m, err)) {
        if (!hosting) return end("the host sent a broken message (" + err + ")");
        if (m.type == PKT_HELLO && peers[peer].slot < 0 && err == "different protocol")
            return refuse(peer, "different game version: host " + hello.version + ", you older or newer");
        return cut(peer, err.c_str());
    }
    if (hosting)
        on_host(peer, m);
    else
        on_joiner(m);
}

void csession::on_host(int peer, const cnet_msg &m) {
    cpeer &p = peers[peer];
    switch (m.type) {
    case PKT_HELLO: {
        if (p.slot >= 0) return cut(peer, "introduced itself twice");
        if (m.hello.version != hello.version || m.hello.fingerprint != hello.fingerprint) {
            std::string host_v = hello.version, you_v = m.hello.version;
            if (host_v == you_v) {
                char buf[64];
                snprintf(buf, sizeof buf, " (simulation %016llx)", (unsigned long long)hello.fingerprint);
                host_v += buf;
                snprintf(buf, sizeof buf, " (simulation %016llx)", (unsigned long long)m.hello.fingerprint);
                you_v += buf;
            }
            return refuse(peer, "different game version: host " + host_v + ", you " + you_v);
        }
        if (st != SESSION_LOBBY) return refuse(peer, "the match has already started");
        int slot = -1;
        for (int s = 0; s < offer.players && slot < 0; s++)
            if (!roster.human[s]) slot = s;
        if (slot < 0) return refuse(peer, "the match is full");
        p.slot = slot;
        roster.human[slot] = true, roster.name[slot] = m.hello.name;
        cnet_msg w{};
        w.type = PKT_WELCOME;
        w.welcome.slot = slot;
        w.welcome.settings = offer;
        send(peer, w, true);
        update_names();
        return;
    }
    case PKT_MAP_REQUEST: {
        if (p.slot < 0 || p.ready || map_file.empty() || st != SESSION_LOBBY)
            return cut(peer, "asked for the map out of turn");
        cnet_msg c{};
        c.type = PKT_MAP_CHUNK;
        c.chunk.total = map_file.size();
        for (size_t at = 0; at < map_file.size(); at += NET_MAP_CHUNK) {
            c.chunk.offset = at;
            c.chunk.size = std::min((size_t)NET_MAP_CHUNK, map_file.size() - at);
            std::copy_n(map_file.data() + at, c.chunk.size, c.chunk.bytes);
            send(peer, c, true);
        }
        return;
    }
    case PKT_READY:
        if (p.slot < 0) return cut(peer, "was ready before it was welcome");
        p.ready = true;
        return;
    case PKT_INPUTS:
        if (p.slot < 0) return cut(peer, "sent inputs before it was welcome");
        if (st == SESSION_PLAYING || st == SESSION_OVER) take_inputs(peer, m.inputs);
        return;
    case PKT_HASH:
        if (p.slot < 0) return cut(peer, "sent a hash before it was welcome");
        return compare(peer, m.tick, m.hash);
    case PKT_LEAVE: {
        // Gone for good: hang up too, so a joiner that only said so is not left waiting.
        int slot = p.slot;
        outbox.push_back({peer, true, std::string()});
        p.on = false;
        if (slot >= 0) slot_leaves(slot);
        return;
    }
    case PKT_OUT_OF_STEP:
        return; // the host compares every joiner's hashes itself
    default:
        return cut(peer, "sent a message only a host may send");
    }
}

void csession::on_joiner(const cnet_msg &m) {
    switch (m.type) {
    case PKT_WELCOME:
        if (st != SESSION_JOINING) return end("the host sent a second welcome");
        my_slot = m.welcome.slot;
        offer = m.welcome.settings;
        want_map = true;
        st = SESSION_LOBBY;
        return;
    case PKT_REFUSE:
        return end(m.reason);
    case PKT_MAP_CHUNK:
        if (!want_map || m.chunk.offset != incoming_map.size() || m.chunk.total != offer.map_bytes)
            return end("the host sent a broken map");
        incoming_map.append((const char *)m.chunk.bytes, m.chunk.size);
        return;
    case PKT_NAMES:
        roster = m.names;
        for (int i = roster.count; i < NET_MAX_PLAYERS; i++)
            roster.human[i] = false, roster.name[i].clear();
        roster.count = NET_MAX_PLAYERS;
        return;
    case PKT_START:
        if (st != SESSION_LOBBY || want_map) return end("the host started before this machine was ready");
        if (my_slot < 0 || !roster.human[my_slot]) return end("the host started without this player");
        // Half the round trip, in ticks, at most as much as a full prediction window.
        countdown = std::max(0, m.countdown - std::min(round_trip_ms / 20, ROLLBACK_WINDOW));
        st = SESSION_COUNTDOWN;
        return;
    case PKT_INPUTS:
        if (st == SESSION_PLAYING || st == SESSION_OVER) take_inputs(0, m.inputs);
        return;
    case PKT_HASH:
        return compare(0, m.tick, m.hash);
    case PKT_LEAVE:
        if (st == SESSION_COUNTDOWN && m.tick == 0) {
            leave_at_start |= 1u << m.slot;
            return;
        }
        if (st != SESSION_PLAYING) return end("the host sent a leave out of turn");
        if (!game.leave(m.slot, m.tick)) return end("the host sent a broken leave");
        roster.human[m.slot] = false;
        return;
    case PKT_OUT_OF_STEP:
        mismatch = m.tick;
        return end("OUT OF STEP at tick " + std::to_string(m.tick));
    case PKT_PAUSE:
        if (st == SESSION_PLAYING) halted = m.paused;
        return;
    default:
        return end("the host sent a message only a joiner may send");
    }
}

// Inputs from a peer. The host takes only the joiner's own slot; a joiner takes every
// human slot but its own.
void csession::take_inputs(int peer, const cnet_inputs &in) {
    cpeer &p = peers[peer];
    for (int b = 0; b < in.nblocks; b++) {
        const cnet_block &blk = in.blocks[b];
        if (hosting ? blk.slot != p.slot : blk.slot == my_slot)
            return hosting ? cut(peer, "sent inputs for another player") : end("the host sent our own inputs");
        for (int k = 0; k < blk.count; k++)
            if (!game.add_remote(blk.slot, blk.first + k, blk.in[k]))
                return hosting ? cut(peer, "sent inputs for a slot with no player")
                               : end("the host sent inputs for a slot with no player");
    }
    for (int a = 0; a < in.nacks; a++) {
        int s = in.acks[a].slot;
        // What the peer holds is at most what we know (we are its only source).
        long next = std::min(in.acks[a].next, game.known(s));
        p.acked[s] = std::max(p.acked[s], next);
    }
    if (in.now >= p.their_now) {
        p.their_now = in.now, p.their_now_at = frame_no;
        if (!hosting && in.echo > 0 && game.now() >= in.echo) {
            rtt_samples[rtt_count++ % 16] = game.now() - in.echo;
        }
    }
}

void csession::send_inputs() {
    cnet_msg m{};
    m.type = PKT_INPUTS;
    cnet_inputs &in = m.inputs;
    in.now = game.now();
    for (int i = 0; i < NET_MAX_PLAYERS + 1; i++) {
        cpeer &p = peers[i];
        if (!p.on || (hosting && p.slot < 0)) continue;
        in.echo = p.their_now;
        in.nacks = in.nblocks = 0;
        for (int s = 0; s < NET_MAX_PLAYERS; s++) {
            if (!game.human_at(s, 0)) continue;
            bool theirs = hosting ? s == p.slot : s != my_slot;
            if (theirs) in.acks[in.nacks++] = {s, game.known(s)};
            bool ours = hosting ? s != p.slot : s == my_slot;
            // The oldest inputs the peer lacks, as many as fit, still in our ring.
            long first = std::max(p.acked[s], game.known(s) - (ROLLBACK_INPUTS - ROLLBACK_SAVES - 2));
            if (!ours || first >= game.known(s)) continue;
            cnet_block &b = in.blocks[in.nblocks++];
            b.slot = s, b.first = first;
            b.count = std::min<long>(NET_MAX_BURST, game.known(s) - first);
            for (int k = 0; k < b.count; k++)
                b.in[k] = game.input(s, first + k);
        }
        send(i, m, false);
    }
}

// ---- hashes ----

// A reliable message for the whole match: the host sends it to everyone, a joiner to
// the host, which relays what the others must know.
void csession::to_match(const cnet_msg &m) {
    if (hosting)
        to_all(m, true);
    else
        send(0, m, true);
}

void csession::compare(int peer, long tick, uint64_t hash) {
    if (tick % HASH_EVERY || mismatch >= 0) return;
    int i = (tick / HASH_EVERY) % NET_HASH_KEEP;
    cpeer &p = peers[peer];
    if (my_hash_tick[i] == tick) {
        if (my_hash[i] == hash) return;
        mismatch = tick;
        cnet_msg m{};
        m.type = PKT_OUT_OF_STEP;
        m.tick = tick;
        to_match(m);
        end("OUT OF STEP at tick " + std::to_string(tick));
        return;
    }
    p.hashes_tick[i] = tick, p.hashes[i] = hash;
}

bool csession::hash_at(long tick, uint64_t &hash) const {
    int i = (tick / HASH_EVERY) % NET_HASH_KEEP;
    if (tick <= 0 || tick % HASH_EVERY || my_hash_tick[i] != tick) return false;
    hash = my_hash[i];
    return true;
}

void csession::exchange_hashes() {
    long tick;
    uint64_t hash;
    while (mismatch < 0 && game.take_hash(tick, hash)) {
        int i = (tick / HASH_EVERY) % NET_HASH_KEEP;
        my_hash_tick[i] = tick, my_hash[i] = hash;
        cnet_msg m{};
        m.type = PKT_HASH;
        m.tick = tick;
        m.hash = hash;
        to_match(m);
        for (int p = 0; p < NET_MAX_PLAYERS + 1 && mismatch < 0; p++)
            if (peers[p].hashes_tick[i] == tick) compare(p, tick, peers[p].hashes[i]);
    }
}

// ---- the match ----

bool csession::all_ready() const {
    for (const cpeer &p : peers)
        if (p.on && p.slot >= 0 && !p.ready) return false;
    return true;
}

bool csession::start() {
    if (!hosting || st != SESSION_LOBBY) return false;
    for (int i = 0; i < NET_MAX_PLAYERS + 1; i++)
        if (peers[i].on && peers[i].slot >= 0 && !peers[i].ready) {
            int slot = peers[i].slot;
            refuse(i, "the match started before this machine was ready");
            roster.human[slot] = false, roster.name[slot].clear();
        }
    if (joined() < (my_slot >= 0 ? 2 : 1)) return false;
    update_names();
    cnet_msg m{};
    m.type = PKT_START;
    m.countdown = NET_COUNTDOWN_TICKS;
    to_all(m, true);
    countdown = NET_COUNTDOWN_TICKS;
    st = SESSION_COUNTDOWN;
    return true;
}

void csession::map_ready() {
    if (hosting || st != SESSION_LOBBY) return;
    want_map = false;
    cnet_msg m{};
    m.type = PKT_READY;
    send(0, m, true);
}

void csession::request_map() {
    if (hosting || st != SESSION_LOBBY) return;
    incoming_map.clear();
    cnet_msg m{};
    m.type = PKT_MAP_REQUEST;
    send(0, m, true);
}

bool csession::map_arrived(std::string &bytes) {
    if (incoming_map.size() != offer.map_bytes) return false;
    if (fnv1a(incoming_map.data(), incoming_map.size()) != offer.map_checksum) {
        end("the map from the host is damaged");
        return false;
    }
    bytes = incoming_map;
    return true;
}

void csession::begin_match() {
    game.start(model, humans(), my_slot, offer.delay);
    for (int s = 0; s < NET_MAX_PLAYERS; s++)
        if (leave_at_start >> s & 1) game.leave(s, 0);
    st = SESSION_PLAYING;
}

// A joiner keeps its tick level with the host's clock, as estimated from the host's
// latest tick plus half the round trip: one tick ahead or behind is let be, more is
// evened out by holding a frame back or running two ticks in one.
int csession::ticks_this_frame() {
    if (hosting || frame_no - peers[0].their_now_at > 100) return 1;
    long rtt = LONG_MAX;
    for (int i = 0; i < std::min(rtt_count, 16); i++)
        rtt = std::min(rtt, rtt_samples[i]);
    if (rtt == LONG_MAX) rtt = 0;
    long host_now = peers[0].their_now + (frame_no - peers[0].their_now_at) + rtt / 2;
    long ahead = game.now() - host_now;
    if (ahead > 1) return fig.stalled++, 0;
    if (ahead < -1) return fig.doubled++, 2;
    return 1;
}

bool csession::pause(bool on) {
    if (!hosting || st != SESSION_PLAYING) return false;
    halted = on;
    cnet_msg m{};
    m.type = PKT_PAUSE;
    m.tick = game.now();
    m.paused = on;
    to_all(m, true);
    return true;
}

void csession::run_ticks() {
    // Paused, nobody's time moves: the host's clock as a joiner estimates it stands
    // still too, so nobody runs ahead to catch up when the match resumes.
    if (halted) {
        if (!hosting) peers[0].their_now_at = frame_no;
        return;
    }
    int n = ticks_this_frame();
    for (int i = 0; i < n; i++) {
        if (game.blocked()) {
            fig.waited++;
            game.advance(); // counts the wait
            message = "WAITING FOR " + slot_name(game.waiting_for());
            return;
        }
        game.add_local(pending_local);
        game.advance();
        message.clear();
    }
}

void csession::frame(const cnet_input &local) {
    frame_no++;
    fig.frames++;
    pending_local = local;
    if (st == SESSION_COUNTDOWN) {
        if (countdown > 0) countdown--;
        if (countdown == 0 && attached) begin_match();
        return;
    }
    if (st == SESSION_PLAYING) {
        run_ticks();
        long end_tick;
        if (game.take_end(end_tick)) {
            ended_at = end_tick;
            game.rewind(end_tick);
            st = SESSION_OVER;
        }
    }
    if (st == SESSION_PLAYING || (st == SESSION_OVER && ended_at >= 0)) {
        exchange_hashes();
        if (frame_no % NET_SEND_EVERY == 0) send_inputs();
    }
}

bool csession::settled() const {
    if (st != SESSION_OVER) return false;
    if (ended_at < 0) return true;
    for (int i = 0; i < NET_MAX_PLAYERS + 1; i++) {
        const cpeer &p = peers[i];
        if (!p.on || (hosting && p.slot < 0)) continue;
        for (int s = 0; s < NET_MAX_PLAYERS; s++) {
            bool theirs_to_get = hosting ? s != p.slot : s == my_slot;
            if (theirs_to_get && game.human_at(s, 0) && p.acked[s] < std::min(ended_at, game.known(s)))
                return false;
        }
    }
    return true;
}
