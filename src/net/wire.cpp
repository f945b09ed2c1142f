#include "net/wire.h"

#include "world/mapname.h"

#include <cstring>

bool operator==(const cnet_input &a, const cnet_input &b) {
    return a.actions == b.actions && a.aim_x == b.aim_x && a.aim_y == b.aim_y &&
           a.buttons == b.buttons;
}

bool net_printable(const std::string &s, int max) {
    if (s.empty() || (int)s.size() > max) return false;
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

// ---- packer ----

void cpacker::raw(const void *p, size_t n) {
    if (overflow || n > sizeof(buf) - len) {
        overflow = true;
        return;
    }
    memcpy(buf + len, p, n);
    len += n;
}

void cpacker::u8(unsigned v) {
    uint8_t b = (uint8_t)v;
    raw(&b, 1);
}

void cpacker::u16(unsigned v) {
    u8(v & 0xff);
    u8(v >> 8 & 0xff);
}

void cpacker::u32(uint32_t v) {
    u16(v & 0xffff);
    u16(v >> 16);
}

void cpacker::u64(uint64_t v) {
    u32((uint32_t)v);
    u32((uint32_t)(v >> 32));
}

void cpacker::varint(uint32_t v) {
    while (v >= 0x80) {
        u8((v & 0x7f) | 0x80);
        v >>= 7;
    }
    u8(v);
}

void cpacker::zigzag(int v) { varint(v < 0 ? ((uint32_t)(-(v + 1)) << 1) | 1 : (uint32_t)v << 1); }

void cpacker::text(const std::string &s) {
    if (s.size() > 255) {
        overflow = true;
        return;
    }
    u8(s.size());
    raw(s.data(), s.size());
}

// ---- unpacker ----

bool cunpacker::fail(const char *why) {
    if (!why_) why_ = why;
    return false;
}

const uint8_t *cunpacker::raw(size_t n) {
    if (why_) return nullptr;
    if (n > (size_t)(end - at)) {
        fail("the packet is cut short");
        return nullptr;
    }
    const uint8_t *p = at;
    at += n;
    return p;
}

unsigned cunpacker::u8() {
    const uint8_t *p = raw(1);
    return p ? p[0] : 0;
}

unsigned cunpacker::u16() {
    const uint8_t *p = raw(2);
    return p ? p[0] | p[1] << 8 : 0;
}

uint32_t cunpacker::u32() {
    const uint8_t *p = raw(4);
    return p ? p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24 : 0;
}

uint64_t cunpacker::u64() {
    uint64_t lo = u32();
    return lo | (uint64_t)u32() << 32;
}

uint32_t cunpacker::varint() {
    uint32_t v = 0;
    for (int i = 0; i < 5; i++) {
        const uint8_t *p = raw(1);
        if (!p) return 0;
        if (i == 4 && *p > 0x0f) return fail("a number is too large"), 0;
        v |= (uint32_t)(*p & 0x7f) << (7 * i);
        if (!(*p & 0x80)) {
            // A needless zero group would give one number two spellings.
            if (i > 0 && *p == 0) return fail("a number has a needless zero byte"), 0;
            return v;
        }
    }
    return fail("a number is too long"), 0;
}

int cunpacker::zigzag() {
    uint32_t v = varint();
    return v & 1 ? -(int)(v >> 1) - 1 : (int)(v >> 1);
}

long cunpacker::in(long v, long lo, long hi, const char *what) {
    if (why_) return lo;
    if (v < lo || v > hi) return fail(what), lo;
    return v;
}

std::string cunpacker::text(int max, bool allow_empty, const char *what) {
    unsigned n = u8();
    if (!why_ && (int)n > max) return fail(what), std::string();
    const uint8_t *p = raw(n);
    if (!p) return std::string();
    std::string s((const char *)p, n);
    if (s.empty() ? !allow_empty : !net_printable(s, max)) return fail(what), std::string();
    return s;
}

bool cunpacker::finished() {
    if (!why_ && at != end) fail("the packet is longer than its message");
    return !why_;
}

// ---- messages ----

static bool slot_ok(int s) { return s >= 0 && s < NET_MAX_PLAYERS; }

static bool input_ok(const cnet_input &in) {
    return in.actions < (1u << NET_ACTION_BITS) && in.buttons >= 0 &&
           in.buttons <= NET_BUTTON_MASK && in.aim_x >= NET_AIM_MIN && in.aim_x <= NET_AIM_MAX &&
           in.aim_y >= NET_AIM_MIN && in.aim_y <= NET_AIM_MAX;
}

bool net_settings_ok(const cnet_settings &s) {
    return s.gametype >= 0 && s.gametype <= 3 && s.bots >= 0 && s.bots < NET_MAX_PLAYERS &&
           s.skill >= 0 && s.skill <= 2 && s.kills >= 1 && s.kills <= 25 &&
           (s.blood == 2 || s.blood == 4 || s.blood == 8) && s.powerups >= 0 &&
           s.powerups <= 31 && s.delay >= 0 && s.delay <= NET_MAX_DELAY && s.players >= 2 &&
           s.players <= NET_MAX_PLAYERS && net_printable(s.map, NET_MAP_NAME_MAX) &&
           !map_file_name_problem(s.map) && s.map_bytes >= 1 && s.map_bytes <= NET_MAP_MAX_BYTES;
}

// Slots listed in acks or blocks appear once each.
static bool distinct(const int *slots, int n) {
    unsigned seen = 0;
    for (int i = 0; i < n; i++) {
        if (!slot_ok(slots[i]) || seen >> slots[i] & 1) return false;
        seen |= 1u << slots[i];
    }
    return true;
}

// An input block: per tick a tag byte (1: actions follow, 2: buttons follow, 4: the aim
// moved, as two zigzags from the previous tick's) whose high five bits repeat the same
// input that many more ticks. The first tick is told against a zero input.
// Ticks in an inputs packet other than its `now` go as their distance from it, a byte
// where the whole tick would take two or three.
static void put_tick(long tick, long now, cpacker &out) { out.zigzag((int)(now - tick)); }
static long get_tick(cunpacker &u, long now) {
    return u.in(now - (long)u.zigzag(), 0, NET_MAX_TICK, "a tick is out of range");
}

static void put_block(const cnet_block &b, long now, cpacker &out) {
    out.u8(b.slot);
    put_tick(b.first, now, out);
    out.u8(b.count);
    cnet_input prev = {0, 0, 0, 0};
    for (int i = 0; i < b.count;) {
        const cnet_input &in = b.in[i];
        int repeat = 0;
        while (repeat < 31 && i + 1 + repeat < b.count && b.in[i + 1 + repeat] == in)
            repeat++;
        int tag = repeat << 3;
        if (in.actions != prev.actions) tag |= 1;
        if (in.buttons != prev.buttons) tag |= 2;
        if (in.aim_x != prev.aim_x || in.aim_y != prev.aim_y) tag |= 4;
        out.u8(tag);
        if (tag & 1) out.varint(in.actions);
        if (tag & 2) out.u8(in.buttons);
        if (tag & 4) out.zigzag(in.aim_x - prev.aim_x), out.zigzag(in.aim_y - prev.aim_y);
        prev = in;
        i += 1 + repeat;
    }
}

static void get_block(cunpacker &u, long now, cnet_block &b) {
    b.slot = u.in(u.u8(), 0, NET_MAX_PLAYERS - 1, "a player slot is out of range");
    b.first = get_tick(u, now);
    b.count = u.in(u.u8(), 1, NET_MAX_BURST, "an input count is out of range");
    if (b.first + b.count > NET_MAX_TICK) u.fail("a tick is out of range");
    cnet_input prev = {0, 0, 0, 0};
    for (int i = 0; i < b.count && u.ok();) {
        int tag = u.u8();
        int repeat = tag >> 3;
        if (i + 1 + repeat > b.count) u.fail("an input run is longer than its block");
        cnet_input in = prev;
        if (tag & 1)
            in.actions = u.in(u.varint(), 0, (1L << NET_ACTION_BITS) - 1, "unknown action bits");
        if (tag & 2) in.buttons = u.in(u.u8(), 0, NET_BUTTON_MASK, "unknown button bits");
        if (tag & 4) {
            long x = (long)prev.aim_x + u.zigzag(), y = (long)prev.aim_y + u.zigzag();
            in.aim_x = u.in(x, NET_AIM_MIN, NET_AIM_MAX, "an aim point is out of range");
            in.aim_y = u.in(y, NET_AIM_MIN, NET_AIM_MAX, "an aim point is out of range");
        }
        if (!u.ok()) break;
        for (int k = 0; k <= repeat; k++)
            b.in[i + k] = in;
        prev = in;
        i += 1 + repeat;
    }
}

static void put_settings(const cnet_settings &s, cpacker &out) {
    out.u8(s.gametype), out.u8(s.bots), out.u8(s.skill), out.u8(s.kills), out.u8(s.blood);
    out.u8(s.powerups), out.u8(s.delay), out.u8(s.players);
    out.u32(s.seed);
    out.text(s.map);
    out.u32(s.map_checksum);
    out.u32(s.map_bytes);
}

static void get_settings(cunpacker &u, cnet_settings &s) {
    s.gametype = u.in(u.u8(), 0, 3, "the game type is out of range");
    s.bots = u.in(u.u8(), 0, NET_MAX_PLAYERS - 1, "the bot count is out of range");
    s.skill = u.in(u.u8(), 0, 2, "the skill is out of range");
    s.kills = u.in(u.u8(), 1, 25, "the kill limit is out of range");
    s.blood = u.in(u.u8(), 2, 8, "the blood setting is out of range");
    if (s.blood != 2 && s.blood != 4 && s.blood != 8) u.fail("the blood setting is out of range");
    s.powerups = u.in(u.u8(), 0, 31, "unknown power-up bits");
    s.delay = u.in(u.u8(), 0, NET_MAX_DELAY, "the input delay is out of range");
    s.players = u.in(u.u8(), 2, NET_MAX_PLAYERS, "the player count is out of range");
    s.seed = u.u32();
    s.map = u.text(NET_MAP_NAME_MAX, false, "the map name is not a short plain name");
    // The joiner may store the map under this name in its map folder.
    if (u.ok() && map_file_name_problem(s.map)) u.fail("the map name is not a map file's name");
    s.map_checksum = u.u32();
    s.map_bytes = u.in(u.u32(), 1, NET_MAP_MAX_BYTES, "the map is too large");
}

bool net_encode(const cnet_msg &m, cpacker &out) {
    out.reset();
    out.u8(m.type);
    switch (m.type) {
    case PKT_HELLO:
        if (m.hello.protocol < 0 || m.hello.protocol > 255 ||
            !net_printable(m.hello.version, NET_VERSION_MAX) ||
            !net_printable(m.hello.name, NET_NAME_MAX))
            return false;
        out.u8(m.hello.protocol);
        out.text(m.hello.version);
        out.u64(m.hello.fingerprint);
        out.text(m.hello.name);
        break;
    case PKT_WELCOME:
        if (!slot_ok(m.welcome.slot) || !net_settings_ok(m.welcome.settings)) return false;
        out.u8(m.welcome.slot);
        put_settings(m.welcome.settings, out);
        break;
    case PKT_REFUSE:
        if (!net_printable(m.reason, NET_REASON_MAX)) return false;
        out.text(m.reason);
        break;
    case PKT_MAP_REQUEST:
    case PKT_READY:
        break;
    case PKT_MAP_CHUNK: {
        const cnet_map_chunk &c = m.chunk;
        if (c.size < 1 || c.size > NET_MAP_CHUNK || c.total > NET_MAP_MAX_BYTES ||
            c.offset > c.total || (uint32_t)c.size > c.total - c.offset)
            return false;
        out.u32(c.offset), out.u32(c.total), out.u16(c.size);
        out.raw(c.bytes, c.size);
        break;
    }
    case PKT_START:
        if (m.countdown < 0 || m.countdown > 1000) return false;
        out.u16(m.countdown);
        break;
    case PKT_INPUTS: {
        const cnet_inputs &in = m.inputs;
        if (in.now < 0 || in.now > NET_MAX_TICK || in.echo < 0 || in.echo > NET_MAX_TICK || in.nacks < 0 || in.nacks > NET_MAX_PLAYERS ||
            in.nblocks < 0 || in.nblocks > NET_MAX_PLAYERS)
            return false;
        int slots[NET_MAX_PLAYERS];
        for (int i = 0; i < in.nacks; i++) {
            slots[i] = in.acks[i].slot;
            if (in.acks[i].next < 0 || in.acks[i].next > NET_MAX_TICK) return false;
        }
        if (!distinct(slots, in.nacks)) return false;
        for (int i = 0; i < in.nblocks; i++) {
            const cnet_block &b = in.blocks[i];
            slots[i] = b.slot;
            if (b.first < 0 || b.count < 1 || b.count > NET_MAX_BURST ||
                b.first + b.count > NET_MAX_TICK)
                return false;
            for (int k = 0; k < b.count; k++)
                if (!input_ok(b.in[k])) return false;
        }
        if (!distinct(slots, in.nblocks)) return false;
        out.varint(in.now);
        put_tick(in.echo, in.now, out);
        out.u8(in.nacks);
        for (int i = 0; i < in.nacks; i++)
            out.u8(in.acks[i].slot), put_tick(in.acks[i].next, in.now, out);
        out.u8(in.nblocks);
        for (int i = 0; i < in.nblocks; i++)
            put_block(in.blocks[i], in.now, out);
        break;
    }
    case PKT_HASH:
    case PKT_LEAVE:
    case PKT_OUT_OF_STEP:
    case PKT_PAUSE:
        if (m.tick < 0 || m.tick > NET_MAX_TICK) return false;
        if (m.type == PKT_LEAVE && !slot_ok(m.slot)) return false;
        out.varint(m.tick);
        if (m.type == PKT_HASH) out.u64(m.hash);
        if (m.type == PKT_LEAVE) out.u8(m.slot);
        if (m.type == PKT_PAUSE) out.u8(m.paused);
        break;
    case PKT_NAMES: {
        const cnet_names &n = m.names;
        if (n.count < 1 || n.count > NET_MAX_PLAYERS) return false;
        out.u8(n.count);
        for (int i = 0; i < n.count; i++) {
            if (n.human[i] ? !net_printable(n.name[i], NET_NAME_MAX) : !n.name[i].empty())
                return false;
            out.u8(n.human[i]);
            if (n.human[i]) out.text(n.name[i]);
        }
        break;
    }
    default:
        return false;
    }
    return !out.overflowed();
}

bool net_decode(const uint8_t *p, size_t n, cnet_msg &out, std::string &err) {
    if (n > NET_MAX_PACKET) return err = "the packet is too large", false;
    cunpacker u(p, n);
    cnet_msg &m = out;
    m.type = u.in(u.u8(), 1, PKT_LAST, "unknown message type");
    switch (u.ok() ? m.type : 0) {
    case PKT_HELLO:
        m.hello.protocol = u.u8();
        // A different protocol may lay out the rest differently: stop reading here.
        if (u.ok() && m.hello.protocol != NET_PROTOCOL) return err = "different protocol", false;
        m.hello.version = u.text(NET_VERSION_MAX, false, "the game version is not plain text");
        m.hello.fingerprint = u.u64();
        m.hello.name = u.text(NET_NAME_MAX, false, "the name is not 1-15 plain characters");
        break;
    case PKT_WELCOME:
        m.welcome.slot = u.in(u.u8(), 0, NET_MAX_PLAYERS - 1, "a player slot is out of range");
        get_settings(u, m.welcome.settings);
        break;
    case PKT_REFUSE:
        m.reason = u.text(NET_REASON_MAX, false, "the reason is not plain text");
        break;
    case PKT_MAP_REQUEST:
    case PKT_READY:
        break;
    case PKT_MAP_CHUNK: {
        cnet_map_chunk &c = m.chunk;
        c.offset = u.u32();
        c.total = u.in(u.u32(), 1, NET_MAP_MAX_BYTES, "the map is too large");
        c.size = u.in(u.u16(), 1, NET_MAP_CHUNK, "a map chunk is too large");
        if (u.ok() && (c.offset > c.total || (uint32_t)c.size > c.total - c.offset))
            u.fail("a map chunk lies outside the map");
        const uint8_t *bytes = u.raw(c.size);
        if (bytes) memcpy(c.bytes, bytes, c.size);
        break;
    }
    case PKT_START:
        m.countdown = u.in(u.u16(), 0, 1000, "the countdown is out of range");
        break;
    case PKT_INPUTS: {
        cnet_inputs &in = m.inputs;
        in.now = u.in(u.varint(), 0, NET_MAX_TICK, "a tick is out of range");
        in.echo = get_tick(u, in.now);
        in.nacks = u.in(u.u8(), 0, NET_MAX_PLAYERS, "too many acknowledgements");
        int slots[NET_MAX_PLAYERS];
        for (int i = 0; i < in.nacks && u.ok(); i++) {
            slots[i] = in.acks[i].slot = u.u8();
            in.acks[i].next = get_tick(u, in.now);
        }
        if (u.ok() && !distinct(slots, in.nacks)) u.fail("a player slot is out of range or twice");
        in.nblocks = u.in(u.u8(), 0, NET_MAX_PLAYERS, "too many input blocks");
        for (int i = 0; i < in.nblocks && u.ok(); i++) {
            get_block(u, in.now, in.blocks[i]);
            slots[i] = in.blocks[i].slot;
        }
        if (u.ok() && !distinct(slots, in.nblocks)) u.fail("a player slot is out of range or twice");
        break;
    }
    case PKT_HASH:
    case PKT_LEAVE:
    case PKT_OUT_OF_STEP:
    case PKT_PAUSE:
        m.tick = u.in(u.varint(), 0, NET_MAX_TICK, "a tick is out of range");
        if (m.type == PKT_HASH) m.hash = u.u64();
        if (m.type == PKT_LEAVE)
            m.slot = u.in(u.u8(), 0, NET_MAX_PLAYERS - 1, "a player slot is out of range");
        if (m.type == PKT_PAUSE) m.paused = u.in(u.u8(), 0, 1, "the pause flag is not 0 or 1");
        break;
    case PKT_NAMES: {
        cnet_names &nm = m.names;
        nm.count = u.in(u.u8(), 1, NET_MAX_PLAYERS, "the slot count is out of range");
        for (int i = 0; i < nm.count && u.ok(); i++) {
            nm.human[i] = u.in(u.u8(), 0, 1, "a slot is neither human nor bot");
            nm.name[i] = nm.human[i] ? u.text(NET_NAME_MAX, false, "a name is not 1-15 plain characters")
                                     : std::string();
        }
        break;
    }
    }
    if (!u.finished()) return err = u.why(), false;
    return true;
}

// ---- LAN discovery ----

static const char DISCOVER_ASK[4] = {'K', 'R', 'G', '?'};
static const char DISCOVER_OFFER[4] = {'K', 'R', 'G', '!'};

void net_discover_request(uint32_t nonce, uint8_t out[NET_DISCOVER_BYTES]) {
    memset(out, 0, NET_DISCOVER_BYTES);
    memcpy(out, DISCOVER_ASK, 4);
    out[4] = NET_PROTOCOL;
    for (int i = 0; i < 4; i++)
        out[5 + i] = nonce >> (8 * i) & 0xff;
}

bool net_read_discover_request(const uint8_t *p, size_t n, uint32_t &nonce) {
    if (n != NET_DISCOVER_BYTES || memcmp(p, DISCOVER_ASK, 4) != 0 || p[4] != NET_PROTOCOL)
        return false;
    cunpacker u(p + 5, 4);
    nonce = u.u32();
    return true;
}

bool net_discover_answer(const cnet_offer &o, cpacker &out) {
    out.reset();
    if (o.players < 0 || o.players > NET_MAX_PLAYERS || o.slots < 0 || o.slots > NET_MAX_PLAYERS ||
        o.port < 1 || o.port > 65535 || !net_printable(o.map, NET_MAP_NAME_MAX) ||
        !net_printable(o.name, NET_NAME_MAX))
        return false;
    out.raw(DISCOVER_OFFER, 4);
    out.u8(NET_PROTOCOL);
    out.u32(o.nonce);
    out.u8(o.players), out.u8(o.slots), out.u16(o.port);
    out.text(o.map);
    out.text(o.name);
    return !out.overflowed() && out.size() <= NET_DISCOVER_BYTES;
}

bool net_read_discover_answer(const uint8_t *p, size_t n, cnet_offer &o) {
    if (n < 5 || n > NET_DISCOVER_BYTES || memcmp(p, DISCOVER_OFFER, 4) != 0 || p[4] != NET_PROTOCOL)
        return false;
    cunpacker u(p + 5, n - 5);
    o.nonce = u.u32();
    o.players = u.in(u.u8(), 0, NET_MAX_PLAYERS, "");
    o.slots = u.in(u.u8(), 0, NET_MAX_PLAYERS, "");
    o.port = u.in(u.u16(), 1, 65535, "");
    o.map = u.text(NET_MAP_NAME_MAX, false, "");
    o.name = u.text(NET_NAME_MAX, false, "");
    return u.finished();
}
