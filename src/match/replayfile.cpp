#include "match/replayfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/files.h"
#include "world/mapname.h"

static const uint8_t MAGIC[4] = {'K', 'R', 'R', 0x1a};
static const int TAG_CHECKSUM = 0x03, TAG_TRAILER = 0x07, TAG_LEAVE = 0x0b;
static const int TINY_FIRST = 2, TINY_LAST = 50; // one-byte pointer moves: T >> 2 in this range
static const int TINY_REACH = 3;
static const int POINTER_SAME = 0, POINTER_SMALL = 1, POINTER_FULL = 2;
static const int HAS_ACTIONS = 4, HAS_BUTTONS = 8;
static const int POINTER_LIMIT = REPLAY_AIM_LIMIT;
// Version 2: the kinds of record by T & 3, and a change byte's one-byte aim moves.
static const int V2_CHANGE = 0, V2_RUN = 1, V2_OTHER = 3;
static const int AIM_TINY = 0x80, AIM_TINY_REACH = 5, AIM_TINY_SIDE = 2 * AIM_TINY_REACH + 1;
static const int CHANGE_BITS = 3 | HAS_ACTIONS | HAS_BUTTONS;
static const int NO_SLOT = 255;
static const int ALL_BUTTONS = BUTTON_LEFT | BUTTON_RIGHT | BUTTON_MIDDLE;
static const int PU_BITS = 31;

uint32_t fnv1a(const void *data, size_t size, uint32_t h) {
    const uint8_t *p = (const uint8_t *)data;
    for (size_t i = 0; i < size; i++) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

// ---- writing ----

static void put_u8(std::string &out, int v) { out.push_back((char)(uint8_t)v); }

static void put_u16(std::string &out, unsigned v) {
    put_u8(out, v & 0xff);
    put_u8(out, (v >> 8) & 0xff);
}

static void put_u32(std::string &out, uint32_t v) {
    for (int i = 0; i < 4; i++)
        put_u8(out, (v >> (8 * i)) & 0xff);
}

static void put_varint(std::string &out, uint64_t v) {
    while (v >= 0x80) {
        put_u8(out, (int)(v & 0x7f) | 0x80);
        v >>= 7;
    }
    put_u8(out, (int)v);
}

static uint64_t zigzag(long v) {
    return v < 0 ? ((uint64_t)(-(v + 1)) << 1) | 1 : (uint64_t)v << 1;
}

static bool put_text(std::string &out, const std::string &s) {
    if (s.size() > (size_t)REPLAY_TEXT_MAX) return false;
    put_u8(out, (int)s.size());
    out += s;
    return true;
}

static bool same_input(const ctick_input &a, const ctick_input &b) {
    return a.actions == b.actions && a.x == b.x && a.y == b.y && a.buttons == b.buttons;
}

static ctick_input no_input() { return ctick_input{0, 0, 0, 0, false}; }

static bool put_outfit(std::string &out, const creplay_player &p) {
    if (!p.dressed) {
        put_u8(out, REPLAY_NO_OUTFIT);
        return true;
    }
    for (int v : {p.hair, p.shirt, p.pants})
        if (v < 0 || v > 2) return false;
    put_u8(out, p.hair * 9 + p.shirt * 3 + p.pants);
    return true;
}

static bool printable(const std::string &s) {
    for (char c : s)
        if (c < 32 || c > 126) return false;
    return true;
}

bool creplay_writer::header(const creplay_header &h, std::string &out) {
    creplay_writer w;
    return w.start(h, out);
}

bool creplay_writer::start(const creplay_header &h, std::string &out) {
    clear();
    if (h.version < 1 || h.version > REPLAY_VERSION) return false;
    version = h.version;
    out.append((const char *)MAGIC, 4);
    put_u16(out, h.version);
    if (!put_text(out, h.game_version)) return false;
    const creplay_settings &s = h.settings;
    for (int v : {s.gametype, s.bots, s.skill, s.kills, s.blood, s.hair, s.shirt, s.pants})
        put_u8(out, v);
    put_u8(out, (s.health ? 1 : 0) | (s.grenades ? 2 : 0) | (s.firerate ? 4 : 0) |
                    (s.heatseek ? 8 : 0) | (s.slowmotion ? 16 : 0));
    if (!put_text(out, h.map)) return false;
    put_u32(out, h.map_checksum);
    put_u32(out, h.seed);
    if (version == 1) return true;

    // The slots a match has are 0 to bots; only they can be human.
    unsigned slots = s.bots >= 0 && s.bots < MAX_PLAYERS ? (2u << s.bots) - 1 : 0;
    if (h.humans & ~slots) return false;
    if (h.local != -1 && !(h.local >= 0 && h.local < MAX_PLAYERS && ((h.humans >> h.local) & 1)))
        return false;
    humans = h.humans;
    put_u8(out, (int)h.humans);
    put_u8(out, h.local == -1 ? NO_SLOT : h.local);
    for (int i = 0; i < MAX_PLAYERS; i++) {
        if (!((h.humans >> i) & 1)) continue;
        const creplay_player &p = h.players[i];
        if ((int)p.name.size() > REPLAY_NAME_MAX || !printable(p.name) || !put_outfit(out, p))
            return false;
        put_text(out, p.name);
    }
    return true;
}

void creplay_writer::clear() {
    version = 1;
    written = held = no_input();
    humans = 0;
    for (ccontrol &c : last) c = ccontrol{0, 0, 0, 0};
    held_ticks = 0;
    count = 0;
}

static bool same_control(const ccontrol &a, const ccontrol &b) {
    return a.actions == b.actions && a.buttons == b.buttons && a.aim_x == b.aim_x &&
           a.aim_y == b.aim_y;
}

// A control as the file can hold it: buttons it knows, aim within its reach.
static ccontrol storable(const ccontrol &c) {
    auto clamp = [](int v) { return v < -POINTER_LIMIT ? -POINTER_LIMIT : v > POINTER_LIMIT ? POINTER_LIMIT : v; };
    return ccontrol{c.actions, c.buttons & ALL_BUTTONS, clamp(c.aim_x), clamp(c.aim_y)};
}

// A slot's change byte and its fields, from its last control to its new one.
static void put_change(std::string &out, const ccontrol &was, const ccontrol &now) {
    long dx = (long)now.aim_x - was.aim_x, dy = (long)now.aim_y - was.aim_y;
    if (now.actions == was.actions && now.buttons == was.buttons && labs(dx) <= AIM_TINY_REACH &&
        labs(dy) <= AIM_TINY_REACH) {
        put_u8(out, AIM_TINY | (int)((dy + AIM_TINY_REACH) * AIM_TINY_SIDE + dx + AIM_TINY_REACH));
        return;
    }
    int c = 0;
    if (dx != 0 || dy != 0)
        c = (dx >= -8 && dx <= 7 && dy >= -8 && dy <= 7) ? POINTER_SMALL : POINTER_FULL;
    if (now.actions != was.actions) c |= HAS_ACTIONS;
    if (now.buttons != was.buttons) c |= HAS_BUTTONS;
    put_u8(out, c);
    if (c & HAS_ACTIONS) put_varint(out, now.actions);
    if (c & HAS_BUTTONS) put_u8(out, now.buttons);
    if ((c & 3) == POINTER_SMALL) put_u8(out, (int)((dx + 8) << 4 | (dy + 8)));
    if ((c & 3) == POINTER_FULL) {
        put_varint(out, zigzag(dx));
        put_varint(out, zigzag(dy));
    }
}

void creplay_writer::tick(const ccontrol in[MAX_PLAYERS], std::string &out) {
    ccontrol now[MAX_PLAYERS];
    unsigned changed = 0;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        now[i] = storable(in[i]);
        if (((humans >> i) & 1) && !same_control(now[i], last[i])) changed |= 1u << i;
    }
    count++;
    if (!changed) {
        held_ticks++;
        return;
    }
    flush(out);
    put_u8(out, (int)(changed << 2) | V2_CHANGE);
    for (int i = 0; i < MAX_PLAYERS; i++)
        if ((changed >> i) & 1) {
            put_change(out, last[i], now[i]);
            last[i] = now[i];
        }
}

bool creplay_writer::leave(int slot, std::string &out) {
    if (version < 2 || slot < 0 || slot >= MAX_PLAYERS || !((humans >> slot) & 1)) return false;
    flush(out);
    put_u8(out, TAG_LEAVE);
    put_u8(out, slot);
    humans &= ~(1u << slot);
    last[slot] = ccontrol{0, 0, 0, 0};
    return true;
}

void creplay_writer::tick(const ctick_input &in, std::string &out) {
    if (held_ticks > 0 && !same_input(in, held)) flush(out);
    held = in;
    held.escape = false;
    held_ticks++;
    count++;
}

void creplay_writer::flush(std::string &out) {
    if (held_ticks == 0) return;
    if (version >= 2) {
        if (held_ticks < 64) {
            put_u8(out, (int)held_ticks << 2 | V2_RUN);
        } else {
            put_u8(out, V2_RUN);
            put_varint(out, (uint64_t)held_ticks);
        }
        held_ticks = 0;
        return;
    }
    int tag = 0;
    long dx = (long)held.x - written.x, dy = (long)held.y - written.y;
    if (held_ticks == 1 && held.actions == written.actions && held.buttons == written.buttons &&
        labs(dx) <= TINY_REACH && labs(dy) <= TINY_REACH) {
        int index = (int)(dy + TINY_REACH) * 7 + (int)(dx + TINY_REACH);
        put_u8(out, (TINY_FIRST + index) << 2 | 3);
        written = held;
        held_ticks = 0;
        return;
    }
    if (dx != 0 || dy != 0)
        tag = (dx >= -8 && dx <= 7 && dy >= -8 && dy <= 7) ? POINTER_SMALL : POINTER_FULL;
    if (held.actions != written.actions) tag |= HAS_ACTIONS;
    if (held.buttons != written.buttons) tag |= HAS_BUTTONS;
    if (held_ticks <= 15) tag |= (int)held_ticks << 4;
    put_u8(out, tag);
    if (held_ticks > 15) put_varint(out, (uint64_t)held_ticks);
    if (tag & HAS_ACTIONS) put_varint(out, held.actions);
    if (tag & HAS_BUTTONS) put_u8(out, held.buttons & ALL_BUTTONS);
    if ((tag & 3) == POINTER_SMALL) put_u8(out, (int)((dx + 8) << 4 | (dy + 8)));
    if ((tag & 3) == POINTER_FULL) {
        put_varint(out, zigzag(dx));
        put_varint(out, zigzag(dy));
    }
    written = held;
    held_ticks = 0;
}

void creplay_writer::checksum(uint64_t sum, std::string &out) {
    flush(out);
    put_u8(out, TAG_CHECKSUM);
    put_varint(out, (uint64_t)count);
    put_u32(out, (uint32_t)sum);
    if (version >= 2) put_u32(out, (uint32_t)(sum >> 32));
}

void creplay_writer::trailer(const std::string &result, std::string &out) {
    flush(out);
    put_u8(out, TAG_TRAILER);
    put_varint(out, (uint64_t)count);
    put_text(out, result.substr(0, REPLAY_TEXT_MAX));
}

// ---- reading ----

namespace {

// Bytes read front to back; every read says whether the bytes were there.
struct reader {
    const uint8_t *p, *end;
    bool u8(int &v) {
        if (p >= end) return false;
        v = *p++;
        return true;
    }
    bool u16(int &v) {
        if (end - p < 2) return false;
        v = p[0] | p[1] << 8;
        p += 2;
        return true;
    }
    bool u32(uint32_t &v) {
        if (end - p < 4) return false;
        v = (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
        p += 4;
        return true;
    }
    bool u64(uint64_t &v) {
        uint32_t lo = 0, hi = 0;
        if (!u32(lo) || !u32(hi)) return false;
        v = (uint64_t)hi << 32 | lo;
        return true;
    }
    // False when the bytes run out; `big` is set when the value needs more than 63 bits.
    bool varint(uint64_t &v, bool &big) {
        v = 0;
        big = false;
        for (int shift = 0;; shift += 7) {
            int b;
            if (!u8(b)) return false;
            if (shift < 63)
                v |= (uint64_t)(b & 0x7f) << shift;
            else if (b & 0x7f)
                big = true;
            if (!(b & 0x80)) return true;
        }
    }
    bool text(std::string &s) {
        int n;
        if (!u8(n) || end - p < n) return false;
        s.assign((const char *)p, n);
        p += n;
        return true;
    }
};

bool fail(std::string &err, const char *what) {
    err = what;
    return false;
}

// A setting byte in [lo, hi], else a reason.
bool setting(reader &r, int &v, int lo, int hi, const char *name, std::string &err) {
    if (!r.u8(v)) return fail(err, "the header is cut short");
    if (v < lo || v > hi) {
        char buf[96];
        snprintf(buf, sizeof buf, "the %s setting %d is out of range (%d-%d)", name, v, lo, hi);
        err = buf;
        return false;
    }
    return true;
}

// Version 2's human slots, the followed one and each human's outfit and name.
bool read_cast(reader &r, creplay_header &h, std::string &err) {
    int humans, local;
    char buf[128];
    if (!r.u8(humans) || !r.u8(local)) return fail(err, "the header is cut short");
    int slots = h.settings.bots + 1;
    if (humans >> slots) {
        snprintf(buf, sizeof buf, "the human slots 0x%02x are not all among the match's %d slots",
                 humans, slots);
        err = buf;
        return false;
    }
    h.humans = (unsigned)humans;
    h.local = local == NO_SLOT ? -1 : local;
    if (local != NO_SLOT && (local >= MAX_PLAYERS || !((humans >> local) & 1))) {
        snprintf(buf, sizeof buf, "the followed slot %d is not a human slot", local);
        err = buf;
        return false;
    }
    for (int i = 0; i < MAX_PLAYERS; i++) {
        if (!((humans >> i) & 1)) continue;
        creplay_player &p = h.players[i];
        int outfit;
        if (!r.u8(outfit) || !r.text(p.name)) return fail(err, "the header is cut short");
        if (outfit > REPLAY_NO_OUTFIT) {
            snprintf(buf, sizeof buf, "slot %d's outfit %d is out of range (0-%d)", i, outfit,
                     REPLAY_NO_OUTFIT);
            err = buf;
            return false;
        }
        p.dressed = outfit != REPLAY_NO_OUTFIT;
        if (p.dressed) p.hair = outfit / 9, p.shirt = outfit / 3 % 3, p.pants = outfit % 3;
        if ((int)p.name.size() > REPLAY_NAME_MAX || !printable(p.name)) {
            snprintf(buf, sizeof buf, "slot %d's name is not %d printable characters at most", i,
                     REPLAY_NAME_MAX);
            err = buf;
            return false;
        }
    }
    return true;
}

bool read_header(reader &r, creplay_header &h, std::string &err) {
    uint8_t magic[4];
    for (int i = 0; i < 4; i++) {
        int b;
        if (!r.u8(b)) return fail(err, "not a replay file (too short for its magic number)");
        magic[i] = (uint8_t)b;
    }
    if (memcmp(magic, MAGIC, 4) != 0) return fail(err, "not a replay file (wrong magic number)");
    if (!r.u16(h.version)) return fail(err, "the header is cut short");
    if (h.version > REPLAY_VERSION) {
        char buf[128];
        snprintf(buf, sizeof buf,
                 "written by a newer game (format version %d; this game reads up to %d)", h.version,
                 REPLAY_VERSION);
        err = buf;
        return false;
    }
    if (h.version < 1) return fail(err, "unknown format version 0");
    if (!r.text(h.game_version)) return fail(err, "the header is cut short");
    if (!printable(h.game_version)) return fail(err, "the game version is not plain text");
    creplay_settings &s = h.settings;
    if (!setting(r, s.gametype, 0, 3, "game type", err) || !setting(r, s.bots, 1, 5, "bots", err) ||
        !setting(r, s.skill, 0, 2, "skill", err) || !setting(r, s.kills, 1, 25, "kills", err) ||
        !setting(r, s.blood, 2, 8, "blood", err) || !setting(r, s.hair, 0, 2, "hair", err) ||
        !setting(r, s.shirt, 0, 2, "shirt", err) || !setting(r, s.pants, 0, 2, "pants", err))
        return false;
    if (s.blood != 2 && s.blood != 4 && s.blood != 8)
        return fail(err, "the blood setting is not 2, 4 or 8");
    int pu;
    if (!setting(r, pu, 0, PU_BITS, "power-up", err)) return false;
    s.health = pu & 1;
    s.grenades = pu & 2;
    s.firerate = pu & 4;
    s.heatseek = pu & 8;
    s.slowmotion = pu & 16;
    if (!r.text(h.map)) return fail(err, "the header is cut short");
    if (map_file_name_problem(h.map)) return fail(err, "the map name is not a map file name");
    if (!r.u32(h.map_checksum) || !r.u32(h.seed)) return fail(err, "the header is cut short");
    for (creplay_player &p : h.players) p = creplay_player{false, 0, 0, 0, ""};
    if (h.version == 1) { // one human, in slot 0
        h.humans = 1;
        h.local = 0;
        return true;
    }
    return read_cast(r, h, err);
}

// Applies a pointer delta; false when it leaves the allowed range.
bool move_pointer(int &coord, long delta) {
    long v = coord + delta;
    if (v < -POINTER_LIMIT || v > POINTER_LIMIT) return false;
    coord = (int)v;
    return true;
}

long unzigzag(uint64_t v) { return (v & 1) ? -(long)(v >> 1) - 1 : (long)(v >> 1); }

enum { RECORD_OK, RECORD_CUT, RECORD_BAD };

// The fields a v1 run tag or a v2 change byte announces (actions, buttons, pointer or
// aim), applied to the last values.
int read_fields(reader &r, int tag, unsigned &actions, int &buttons, int &x, int &y,
                std::string &err) {
    uint64_t v;
    bool big;
    if (tag & HAS_ACTIONS) {
        if (!r.varint(v, big)) return RECORD_CUT;
        if (big || v > 0xffffffffu) {
            err = "a tick's action bits do not fit 32 bits";
            return RECORD_BAD;
        }
        actions = (unsigned)v;
    }
    if (tag & HAS_BUTTONS) {
        int b;
        if (!r.u8(b)) return RECORD_CUT;
        if (b & ~ALL_BUTTONS) {
            err = "a tick has unknown mouse buttons";
            return RECORD_BAD;
        }
        buttons = b;
    }
    long dx = 0, dy = 0;
    if ((tag & 3) == POINTER_SMALL) {
        int b;
        if (!r.u8(b)) return RECORD_CUT;
        dx = (b >> 4) - 8;
        dy = (b & 15) - 8;
    } else if ((tag & 3) == POINTER_FULL) {
        uint64_t ux, uy;
        bool bigx, bigy;
        if (!r.varint(ux, bigx) || !r.varint(uy, bigy)) return RECORD_CUT;
        if (bigx || bigy || ux > 2u * POINTER_LIMIT + 1 || uy > 2u * POINTER_LIMIT + 1) {
            err = "the pointer moves off any screen";
            return RECORD_BAD;
        }
        dx = unzigzag(ux);
        dy = unzigzag(uy);
    }
    if (!move_pointer(x, dx) || !move_pointer(y, dy)) {
        err = "the pointer moves off any screen";
        return RECORD_BAD;
    }
    return RECORD_OK;
}

// A run length: a varint of 1 to the most ticks a replay holds.
int read_count(reader &r, long &count, std::string &err) {
    uint64_t v;
    bool big;
    if (!r.varint(v, big)) return RECORD_CUT;
    if (big || v == 0 || v > (uint64_t)REPLAY_MAX_TICKS) {
        err = "a run of ticks has an impossible length";
        return RECORD_BAD;
    }
    count = (long)v;
    return RECORD_OK;
}

// One run record after its tag; fills `in` from the previous input.
int read_run(reader &r, int tag, ctick_input &in, long &count, std::string &err) {
    count = tag >> 4;
    if (count == 0) {
        int got = read_count(r, count, err);
        if (got != RECORD_OK) return got;
    }
    return read_fields(r, tag, in.actions, in.buttons, in.x, in.y, err);
}

// One record of a version 2 body, as read.
struct crecord2 {
    int tag;
    long count;     // ticks it plays (changes and runs)
    uint64_t ticks; // a checkpoint's or the trailer's tick count
    bool big;       // that count needs over 63 bits
    uint64_t sum;   // a checkpoint's hash
    int slot;       // the slot that leaves
    std::string line;
};

// Reads one version 2 record, applying its changes to every slot's control `now` and
// its leave to `humans`.
int read_record2(reader &r, ccontrol now[MAX_PLAYERS], unsigned &humans, crecord2 &rec,
                 std::string &err) {
    char buf[96];
    rec.count = 0;
    if (!r.u8(rec.tag)) return RECORD_CUT;
    int tag = rec.tag;
    if ((tag & 3) == V2_CHANGE) {
        unsigned changed = (unsigned)tag >> 2;
        if (changed == 0 || (changed & ~humans)) {
            snprintf(buf, sizeof buf, "a tick changes slots 0x%02x, not all human", changed);
            err = buf;
            return RECORD_BAD;
        }
        for (int i = 0; i < MAX_PLAYERS; i++) {
            if (!((changed >> i) & 1)) continue;
            ccontrol &c = now[i];
            int b;
            if (!r.u8(b)) return RECORD_CUT;
            if (b & AIM_TINY) {
                int index = b & ~AIM_TINY;
                if (index >= AIM_TINY_SIDE * AIM_TINY_SIDE) {
                    err = "a one-byte aim move is out of range";
                    return RECORD_BAD;
                }
                if (!move_pointer(c.aim_x, index % AIM_TINY_SIDE - AIM_TINY_REACH) ||
                    !move_pointer(c.aim_y, index / AIM_TINY_SIDE - AIM_TINY_REACH)) {
                    err = "the pointer moves off any screen";
                    return RECORD_BAD;
                }
                continue;
            }
            if ((b & ~CHANGE_BITS) || (b & 3) == 3) {
                snprintf(buf, sizeof buf, "slot %d's change byte 0x%02x is malformed", i, b);
                err = buf;
                return RECORD_BAD;
            }
            int got = read_fields(r, b, c.actions, c.buttons, c.aim_x, c.aim_y, err);
            if (got != RECORD_OK) return got;
        }
        rec.count = 1;
        return RECORD_OK;
    }
    if ((tag & 3) == V2_RUN) {
        rec.count = tag >> 2;
        return rec.count ? RECORD_OK : read_count(r, rec.count, err);
    }
    if (tag == TAG_CHECKSUM) {
        if (!r.varint(rec.ticks, rec.big) || !r.u64(rec.sum)) return RECORD_CUT;
        return RECORD_OK;
    }
    if (tag == TAG_TRAILER) {
        if (!r.varint(rec.ticks, rec.big) || !r.text(rec.line)) return RECORD_CUT;
        return RECORD_OK;
    }
    if (tag == TAG_LEAVE) {
        if (!r.u8(rec.slot)) return RECORD_CUT;
        if (rec.slot >= MAX_PLAYERS || !((humans >> rec.slot) & 1)) {
            snprintf(buf, sizeof buf, "slot %d turns bot but is no human", rec.slot);
            err = buf;
            return RECORD_BAD;
        }
        humans &= ~(1u << rec.slot);
        now[rec.slot] = ccontrol{0, 0, 0, 0};
        return RECORD_OK;
    }
    snprintf(buf, sizeof buf, "unknown record 0x%02x", tag);
    err = buf;
    return RECORD_BAD;
}

// A checkpoint must follow its tick, one to a tick.
bool check_in_place(uint64_t t, bool big, const creplay &out, std::string &err) {
    if (!big && t == (uint64_t)out.ticks &&
        (out.checks.empty() || out.checks.back().tick != out.ticks))
        return true;
    char buf[160];
    snprintf(buf, sizeof buf, "a checksum is labelled tick %llu but follows tick %ld",
             (unsigned long long)t, out.ticks);
    err = buf;
    return false;
}

// A trailer must count the body's ticks, hold plain text and end the file.
bool trailer_fits(uint64_t t, bool big, const std::string &line, const reader &r,
                  creplay &out, std::string &err) {
    if (big || t != (uint64_t)out.ticks) {
        char buf[160];
        snprintf(buf, sizeof buf, "the trailer counts %s%llu ticks but the body holds %ld",
                 big ? "over " : "", (unsigned long long)t, out.ticks);
        err = buf;
        return false;
    }
    if (!printable(line)) return fail(err, "the result line is not plain text");
    if (r.p != r.end) return fail(err, "there are bytes after the trailer");
    out.finished = true;
    out.trailer_ticks = (long)t;
    out.result = line;
    return true;
}

// A version 2 body: every record checked, its bytes kept for the cursor.
bool read_body2(reader &r, creplay &out, std::string &err) {
    const uint8_t *start = r.p;
    ccontrol now[MAX_PLAYERS] = {};
    unsigned humans = out.header.humans;
    crecord2 rec;
    for (const uint8_t *whole = r.p; r.p < r.end; whole = r.p) {
        int got = read_record2(r, now, humans, rec, err);
        if (got == RECORD_BAD) return false;
        if (got == RECORD_CUT) {
            out.cut = true;
            r.p = whole;
            break;
        }
        if (rec.count > REPLAY_MAX_TICKS - out.ticks) return fail(err, "more ticks than a replay may hold");
        out.ticks += rec.count;
        if (rec.tag == TAG_CHECKSUM) {
            if (!check_in_place(rec.ticks, rec.big, out, err)) return false;
            out.checks.push_back(creplay_check{out.ticks, rec.sum});
        } else if (rec.tag == TAG_LEAVE) {
            out.leaves.push_back(creplay_leave{out.ticks, rec.slot});
        } else if (rec.tag == TAG_TRAILER) {
            if (!trailer_fits(rec.ticks, rec.big, rec.line, r, out, err)) return false;
            break;
        }
    }
    out.body.assign((const char *)start, (size_t)(r.p - start));
    return true;
}
} // namespace

bool read_replay(const uint8_t *data, size_t size, creplay &out, std::string &err) {
    out = creplay();
    out.ticks = 0;
    out.finished = false;
    out.trailer_ticks = 0;
    out.cut = false;
    reader r{data, data + size};
    if (!read_header(r, out.header, err)) return false;
    if (out.header.version >= 2) return read_body2(r, out, err);

    ctick_input in = no_input();
    char buf[160];
    while (r.p < r.end) {
        int tag;
        r.u8(tag);
        if ((tag & 3) != 3) {
            long count;
            int got = read_run(r, tag, in, count, err);
            if (got == RECORD_BAD) return false;
            if (got == RECORD_CUT) {
                out.cut = true;
                return true;
            }
            if (count > REPLAY_MAX_TICKS - out.ticks)
                return fail(err, "more ticks than a replay may hold");
            out.runs.push_back(creplay_run{in, count});
            out.ticks += count;
        } else if ((tag >> 2) >= TINY_FIRST && (tag >> 2) <= TINY_LAST) {
            int index = (tag >> 2) - TINY_FIRST;
            if (!move_pointer(in.x, index % 7 - TINY_REACH) ||
                !move_pointer(in.y, index / 7 - TINY_REACH))
                return fail(err, "the pointer moves off any screen");
            if (out.ticks >= REPLAY_MAX_TICKS)
                return fail(err, "more ticks than a replay may hold");
            out.runs.push_back(creplay_run{in, 1});
            out.ticks++;
        } else if (tag == TAG_CHECKSUM) {
            uint64_t t;
            bool big;
            creplay_check c;
            uint32_t sum;
            if (!r.varint(t, big) || !r.u32(sum)) {
                out.cut = true;
                return true;
            }
            if (!check_in_place(t, big, out, err)) return false;
            c.tick = out.ticks;
            c.sum = sum;
            out.checks.push_back(c);
        } else if (tag == TAG_TRAILER) {
            uint64_t t;
            bool big;
            std::string line;
            if (!r.varint(t, big) || !r.text(line)) {
                out.cut = true;
                return true;
            }
            return trailer_fits(t, big, line, r, out, err);
        } else {
            snprintf(buf, sizeof buf, "unknown record 0x%02x at byte %ld", tag,
                     (long)(r.p - 1 - data));
            err = buf;
            return false;
        }
    }
    return true;
}

bool read_replay_file(const std::string &path, creplay &out, std::string &err) {
    std::string bytes, why;
    if (!read_regular_file(path.c_str(), REPLAY_MAX_BYTES, bytes, why)) {
        if (why.compare(0, 12, "larger than ") == 0)
            err = "is too large for a replay";
        else if (why == "not found" || why == "permission denied")
            err = "cannot be opened (" + why + ")";
        else
            err = "cannot be read (" + why + ")";
        return false;
    }
    return read_replay((const uint8_t *)bytes.data(), bytes.size(), out, err);
}

namespace {

// A trailer that starts at tail[at] and ends the file, its result line counting the same
// ticks as its tick field ("ticks=N ...").
bool trailer_at(const uint8_t *tail, size_t at, size_t size, creplay_summary &out) {
    reader r{tail + at, tail + size};
    int tag;
    uint64_t t;
    bool big;
    std::string line;
    if (!r.u8(tag) || tag != TAG_TRAILER || !r.varint(t, big) || big ||
        t > (uint64_t)REPLAY_MAX_TICKS || !r.text(line) || r.p != r.end || !printable(line))
        return false;
    std::string count = "ticks=" + std::to_string(t);
    if (line.compare(0, count.size(), count) != 0 ||
        (line.size() > count.size() && line[count.size()] != ' '))
        return false;
    out.finished = true;
    out.ticks = (long)t;
    out.result = line;
    return true;
}

// A checksum record that ends the file (the game writes out its ticks right after one):
// a version 1 checksum of 4 bytes after a multiple of REPLAY_CHECK_TICKS, a version 2
// hash of 8 after a multiple of half that.
bool checksum_at(const uint8_t *tail, size_t at, size_t size, int version, long &ticks) {
    reader r{tail + at, tail + size};
    int tag;
    uint64_t t;
    bool big;
    int every = version >= 2 ? REPLAY_CHECK_TICKS / 2 : REPLAY_CHECK_TICKS;
    if (!r.u8(tag) || tag != TAG_CHECKSUM || !r.varint(t, big) || big || t == 0 ||
        t > (uint64_t)REPLAY_MAX_TICKS || t % every != 0 || r.end - r.p != (version >= 2 ? 8 : 4))
        return false;
    ticks = (long)t;
    return true;
}

} // namespace

bool read_replay_summary(const uint8_t *head, size_t head_size, const uint8_t *tail,
                         size_t tail_size, size_t size, creplay_summary &out, std::string &err) {
    out = creplay_summary();
    out.finished = false;
    out.ticks = -1;
    reader r{head, head + head_size};
    if (!read_header(r, out.header, err)) return false;
    size_t body = (size_t)(r.p - head); // where the body starts in the file
    if (tail_size > size) tail_size = size;
    size_t tail_at = size - tail_size; // where the tail starts in the file
    if (size == body) {
        out.ticks = 0;
        return true;
    }
    // The trailer's length is not known from the end, so every start is tried; the tick
    // count its line must repeat keeps body bytes from passing for one.
    for (size_t i = 0; i < tail_size; i++)
        if (tail_at + i >= body && trailer_at(tail, i, tail_size, out)) return true;
    size_t least = out.header.version >= 2 ? 10 : 6; // tag, varint, hash or checksum
    for (size_t n = least; n <= least + 3 && n <= tail_size; n++)
        if (tail_at + tail_size - n >= body &&
            checksum_at(tail, tail_size - n, tail_size, out.header.version, out.ticks))
            return true;
    return true;
}

// Reads exactly n bytes at offset `at`; false on an error or a short read.
static bool read_at(int fd, uint8_t *buf, size_t n, off_t at) {
    size_t done = 0;
    while (done < n) {
        ssize_t got = pread(fd, buf + done, n - done, at + (off_t)done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += (size_t)got;
    }
    return true;
}

bool read_replay_summary_file(const std::string &path, creplay_summary &out, std::string &err) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err = "cannot be opened";
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        err = "is not a file";
        return false;
    }
    size_t size = (size_t)st.st_size;
    uint8_t head[REPLAY_HEADER_MAX], tail[REPLAY_TAIL_MAX];
    size_t head_size = size < sizeof head ? size : sizeof head;
    size_t tail_size = size < sizeof tail ? size : sizeof tail;
    bool ok = read_at(fd, head, head_size, 0) && read_at(fd, tail, tail_size, (off_t)(size - tail_size));
    close(fd);
    if (!ok) {
        err = "cannot be read";
        return false;
    }
    return read_replay_summary(head, head_size, tail, tail_size, size, out, err);
}

void creplay_cursor::restart() {
    run = 0, used = 0, tick = 0;
    at = 0, left = 0;
    for (ccontrol &c : now) c = ccontrol{0, 0, 0, 0};
    humans = replay->header.humans;
}

const ctick_input &creplay_cursor::next() {
    while (used >= replay->runs[run].count) {
        run++;
        used = 0;
    }
    used++;
    tick++;
    return replay->runs[run].input;
}

void creplay_cursor::next(ccontrol in[MAX_PLAYERS], unsigned &leaving) {
    leaving = 0;
    const uint8_t *body = (const uint8_t *)replay->body.data();
    crecord2 rec;
    std::string err;
    // The reader has checked every record up to the last tick.
    while (left == 0) {
        reader r{body + at, body + replay->body.size()};
        if (read_record2(r, now, humans, rec, err) != RECORD_OK) break;
        at = (size_t)(r.p - body);
        left = rec.count;
        if (rec.tag == TAG_LEAVE) leaving |= 1u << rec.slot;
    }
    left--;
    tick++;
    for (int i = 0; i < MAX_PLAYERS; i++) in[i] = now[i];
}
