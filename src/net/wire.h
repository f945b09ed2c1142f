#ifndef KRAG_NET_WIRE_H
#define KRAG_NET_WIRE_H

// What travels between machines in a network match, and the one place that turns it
// into bytes and back. A peer is untrusted: every message is read by cunpacker, which
// checks each field against its range and refuses a packet that is cut short, too
// long, or carries anything out of range; it fills in only the message it is given. Plain
// bytes in, plain bytes out (no library, no game state), so the reader is fuzzed alone.
//
// A packet is one message: a type byte, then its fields. Numbers are little-endian;
// "varint" is 7 bits a byte, low group first, at most 5 bytes, no needless zero bytes;
// "zigzag" maps a signed number onto a varint (0, -1, 1, -2...); "text" is a length
// byte and that many printable ASCII characters.
//
// LAN discovery does not use the session's transport: a request is exactly
// NET_DISCOVER_BYTES long and the answer is never longer, so a forged sender address
// cannot turn a host into an amplifier.
#include <cstddef>
#include <cstdint>
#include <string>

const int NET_PROTOCOL = 2;            // bumped whenever a message changes
const int NET_DEFAULT_PORT = 24680;    // UDP
const int NET_MAX_PLAYERS = 6;         // slots in a match, humans and bots
const int NET_NAME_MAX = 15;           // characters of a player's name
const int NET_VERSION_MAX = 32;        // characters of the game's version text
const int NET_MAP_NAME_MAX = 14;       // "wilds.krm": ten characters and ".krm"
const int NET_REASON_MAX = 120;        // characters of a refusal's reason
const uint32_t NET_MAP_MAX_BYTES = 64u << 10; // a 128x128-cell map is about 17 KB
const int NET_MAP_CHUNK = 1024;        // map bytes in one chunk
const int NET_MAX_BURST = 32;          // ticks of one slot's input in one packet
const long NET_MAX_TICK = 1L << 24;    // about 46 hours at 100 ticks a second
const int NET_MAX_DELAY = 4;           // ticks of input delay
const int NET_ACTION_BITS = 18;        // action bits an input may carry
const int NET_BUTTON_MASK = 7;         // mouse button bits an input may carry
const int NET_AIM_MIN = -4096;         // aim point bounds in world pixels, with room
const int NET_AIM_MAX = 8191;          // beyond the largest map on every side
const size_t NET_MAX_PACKET = 1400;    // bytes; fits one Ethernet frame
const size_t NET_DISCOVER_BYTES = 64;  // a discovery request, exactly

enum {
    PKT_HELLO = 1,    // joiner -> host: who I am and what I run
    PKT_WELCOME,      // host -> joiner: your slot, the match's settings and map
    PKT_REFUSE,       // host -> joiner: why not (then the host disconnects)
    PKT_MAP_REQUEST,  // joiner -> host: send me the map
    PKT_MAP_CHUNK,    // host -> joiner: a piece of the map file
    PKT_READY,        // joiner -> host: map loaded, ready to start
    PKT_START,        // host -> all: the match starts after a countdown
    PKT_INPUTS,       // both ways: inputs of recent ticks, and what was received
    PKT_HASH,         // both ways: the world's hash at a confirmed tick
    PKT_NAMES,        // host -> all: who is in which slot
    PKT_LEAVE,        // joiner -> host: I leave; host -> all: a slot turns bot
    PKT_OUT_OF_STEP,  // both ways: hashes differed at this tick
    PKT_PAUSE,        // host -> all: the match pauses or resumes at a tick
    PKT_LAST = PKT_PAUSE
};

// One tick's input of one player, as the world reads it.
struct cnet_input {
    unsigned actions; // bit n: action n held or tapped (NET_ACTION_BITS of them)
    int aim_x, aim_y; // aim point in world pixels
    int buttons;      // mouse button bits
};
bool operator==(const cnet_input &a, const cnet_input &b);
inline bool operator!=(const cnet_input &a, const cnet_input &b) { return !(a == b); }

// The match a host offers; everything a joiner's world needs besides the map's bytes.
struct cnet_settings {
    int gametype; // 0-3
    int bots;     // 0-5
    int skill;    // 0-2
    int kills;    // 1-25
    int blood;    // 2, 4 or 8
    int powerups; // bits: 1 health, 2 grenades, 4 fire rate, 8 heat-seek, 16 slow motion
    int delay;    // ticks of input delay, 0 to NET_MAX_DELAY
    int players;  // human slots, 2 to NET_MAX_PLAYERS
    uint32_t seed;
    std::string map; // file name in the map folder
    uint32_t map_checksum;
    uint32_t map_bytes; // 1 to NET_MAP_MAX_BYTES
};

struct cnet_hello {
    int protocol;
    std::string version;  // the game's version text
    uint64_t fingerprint; // of the simulation, as built
    std::string name;     // the player's name
};

struct cnet_welcome {
    int slot; // the joiner's slot
    cnet_settings settings;
};

struct cnet_map_chunk {
    uint32_t offset, total; // offset + size <= total == the map's size
    int size;               // 1 to NET_MAP_CHUNK
    uint8_t bytes[NET_MAP_CHUNK];
};

// Inputs of one slot for ticks first .. first + count - 1.
struct cnet_block {
    int slot;
    long first;
    int count; // 1 to NET_MAX_BURST
    cnet_input in[NET_MAX_BURST];
};

// "I hold every input of this slot before tick next."
struct cnet_ack {
    int slot;
    long next;
};

struct cnet_inputs {
    long now;  // the sender's current tick, for time synchronisation
    long echo; // the latest `now` the sender had from the addressee, for the round trip
    int nacks;
    cnet_ack acks[NET_MAX_PLAYERS]; // each slot at most once
    int nblocks;
    cnet_block blocks[NET_MAX_PLAYERS]; // each slot at most once
};

struct cnet_names {
    int count; // slots listed, 1 to NET_MAX_PLAYERS
    bool human[NET_MAX_PLAYERS];
    std::string name[NET_MAX_PLAYERS]; // empty for a bot
};

// A decoded message: type says which of the parts below holds it.
struct cnet_msg {
    int type;
    cnet_hello hello;
    cnet_welcome welcome;
    std::string reason; // REFUSE
    cnet_map_chunk chunk;
    int countdown; // START: ticks until tick 0, 0 to 1000
    cnet_inputs inputs;
    long tick;     // HASH, LEAVE, OUT_OF_STEP, PAUSE: the tick it is about
    uint64_t hash; // HASH
    cnet_names names;
    int slot;    // LEAVE: the slot that turns bot
    bool paused; // PAUSE
};

// Writes fields into a packet-sized buffer; a write past NET_MAX_PACKET marks it
// overflowed and is dropped.
class cpacker {
  public:
    cpacker() { reset(); }
    void reset() { len = 0, overflow = false; }
    void u8(unsigned v);
    void u16(unsigned v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void varint(uint32_t v);
    void zigzag(int v);
    void text(const std::string &s); // at most 255 characters
    void raw(const void *p, size_t n);
    bool overflowed() const { return overflow; }
    const uint8_t *data() const { return buf; }
    size_t size() const { return len; }

  private:
    uint8_t buf[NET_MAX_PACKET];
    size_t len;
    bool overflow;
};

// Reads fields from untrusted bytes. The first failure marks the whole read bad and
// keeps its reason; every read after it returns zero. Callers read all fields, then
// ask finished(), which also refuses bytes left over.
class cunpacker {
  public:
    cunpacker(const uint8_t *p, size_t n) : at(p), end(p + n) {}
    unsigned u8();
    unsigned u16();
    uint32_t u32();
    uint64_t u64();
    uint32_t varint();
    int zigzag();
    // A number read by one of the above, refused unless lo <= v <= hi.
    long in(long v, long lo, long hi, const char *what);
    std::string text(int max, bool allow_empty, const char *what);
    const uint8_t *raw(size_t n);
    bool fail(const char *why); // marks the read bad (the first reason is kept)
    bool ok() const { return !why_; }
    bool finished();
    const char *why() const { return why_ ? why_ : ""; }

  private:
    const uint8_t *at, *end;
    const char *why_ = nullptr;
};

// Whether a host may offer these settings (every field in the range a joiner accepts).
bool net_settings_ok(const cnet_settings &s);

// One message into a packet. False when the message breaks a limit the decoder
// enforces (the encoder never writes what the decoder would refuse).
bool net_encode(const cnet_msg &m, cpacker &out);
// One packet into a message. False, with the reason, for anything malformed,
// oversized or out of range.
bool net_decode(const uint8_t *p, size_t n, cnet_msg &out, std::string &err);

// LAN discovery.
struct cnet_offer {
    uint32_t nonce;       // the request's, echoed
    int players, slots;   // humans in the match / slots for humans
    int port;             // the host's session port
    std::string map;      // map file name
    std::string name;     // the host player's name
};
void net_discover_request(uint32_t nonce, uint8_t out[NET_DISCOVER_BYTES]);
bool net_read_discover_request(const uint8_t *p, size_t n, uint32_t &nonce);
// The answer's bytes (never more than NET_DISCOVER_BYTES); false when a field is out
// of range.
bool net_discover_answer(const cnet_offer &o, cpacker &out);
bool net_read_discover_answer(const uint8_t *p, size_t n, cnet_offer &out);

// Whether a name or text is 1 to max printable ASCII characters.
bool net_printable(const std::string &s, int max);

#endif
