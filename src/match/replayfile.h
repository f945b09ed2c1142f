#ifndef KRAG_MATCH_REPLAYFILE_H
#define KRAG_MATCH_REPLAYFILE_H

// The replay file format: writing it piece by piece while a match is played, and
// reading it back with every field checked. Plain bytes in, plain bytes out: no library,
// no game state, so the reader can be fuzzed on its own.
//
// Layout (numbers little-endian; "varint" is 7 bits a byte, low group first, high bit
// set on every byte but the last):
//   header   "KRR" 0x1a, u16 format version, u8 length + game version text,
//            u8 game type, bots, skill, kill limit, gore divisor, hair, shirt, pants,
//            u8 power-up switches (1 health, 2 grenades, 4 fire rate, 8 heat-seek,
//            16 slow motion), u8 length + map file name, u32 checksum of the map file,
//            u32 seed of the match's random sequence
//            (version 2 goes on:) u8 human slots at the start (bit s: slot s, only slots
//            0 to bots), u8 the slot whose view a viewer follows (a human's, or 255:
//            none), then for each human slot in order: u8 outfit (hair * 9 + shirt * 3 +
//            pants, or 27: the slot wears what it draws), u8 length + the player's name
//            (0 to REPLAY_NAME_MAX printable characters)
//   body of version 1: the one human's input on every tick (screen pointer, not
//            aim), records each starting with a tag byte T:
//            T & 3 != 3: a run of ticks with the same input. T & 3 is the pointer
//              change (0 none, 1 one byte: dx + 8 in the high nibble, dy + 8 in the
//              low one, 2 two zigzag varints dx, dy), T & 4: a varint of the new action
//              bits follows, T & 8: a byte of the new button bits follows; T >> 4 is the
//              run length in ticks, 0 meaning a varint length follows. Fields come in
//              the order actions, buttons, pointer.
//            T & 3 == 3, 2 <= T >> 2 <= 50: one tick where only the pointer moved, by
//              dx = (T >> 2) - 2 mod 7 - 3 and dy = ((T >> 2) - 2) / 7 - 3.
//            T == 0x03: a world checksum: varint ticks played so far, u32 checksum.
//            T == 0x07: the trailer, the file's last record: varint ticks played,
//              u8 length + the final result line.
//   body of version 2: every human slot's control on every tick (actions, buttons, aim
//            in world pixels), each slot's a delta on its own last one (all zero at the
//            start), records each starting with a tag byte T:
//            T & 3 == 0: one tick on which the slots of mask M = T >> 2 (not 0, human
//              slots only) change; for each of them in slot order a change byte C:
//              C & 0x80: only the aim moves, by dx = I mod 11 - 5, dy = I / 11 - 5
//                with I = C & 0x7f (up to 120); else C & 3 is the aim change (0 none,
//                1 one byte: dx + 8 high nibble, dy + 8 low, 2 two zigzag varints),
//                C & 4: a varint of the new action bits, C & 8: a byte of the new
//                button bits, in the order actions, buttons, aim; other bits 0.
//            T & 3 == 1: a run of ticks on which nothing changes, T >> 2 of them, or
//              when that is 0 a varint count follows.
//            T == 0x03: a checkpoint: varint ticks played so far, u64 world hash.
//            T == 0x07: the trailer, as in version 1.
//            T == 0x0b: u8 slot S, a human until now, turns bot from the next tick on.
// A file cut off anywhere after its header (the game was killed) still reads: it is
// unfinished and holds the ticks of its whole records.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "match/control.h"
#include "players/player.h"
#include "shell/input.h"

const int REPLAY_VERSION = 2;              // the version the game writes; it reads 1 and 2
const int REPLAY_TEXT_MAX = 255;           // game version, map name, result line
const long REPLAY_MAX_TICKS = 2160000;     // six hours of play
const size_t REPLAY_MAX_BYTES = 32u << 20; // far more than six hours take
const int REPLAY_CHECK_TICKS = 100;        // a world checksum after every this many ticks
const int REPLAY_NAME_MAX = 15;            // characters of a player's name
const int REPLAY_NO_OUTFIT = 27;           // the outfit byte of a slot that wears what it draws
const int REPLAY_AIM_LIMIT = 32767;        // aim and pointer coordinates stay within +-this

// Everything set before a match that changes what happens in it or how it looks.
struct creplay_settings {
    int gametype, bots, skill, kills, blood, hair, shirt, pants;
    bool health, grenades, firerate, heatseek, slowmotion; // power-ups that appear
};

// A human slot of a version 2 file.
struct creplay_player {
    bool dressed = false;               // wears the outfit below; else what it draws
    int hair = 0, shirt = 0, pants = 0; // 0-2 each
    std::string name;                   // may be empty
};

struct creplay_header {
    int version; // format version of the file
    std::string game_version;
    creplay_settings settings;
    std::string map; // file name in krm/, e.g. "arena.krm"
    uint32_t map_checksum;
    uint32_t seed;
    // Version 2 (a version 1 file reads as slot 0 alone, followed, undressed).
    unsigned humans;                      // bit s: slot s is human at the start
    int local;                            // the slot a viewer follows, -1: none
    creplay_player players[MAX_PLAYERS];  // of the human slots
};

// Ticks in a row with the same input.
struct creplay_run {
    ctick_input input;
    long count;
};

// A world checksum (version 1) or world hash (version 2) recorded after this many ticks.
struct creplay_check {
    long tick;
    uint64_t sum;
};

// A slot that turns bot before this tick (ticks played when it left).
struct creplay_leave {
    long tick;
    int slot;
};

struct creplay {
    creplay_header header;
    std::vector<creplay_run> runs;     // version 1
    std::string body;                  // version 2: the records, up to the last whole one
    std::vector<creplay_check> checks;
    std::vector<creplay_leave> leaves; // version 2
    long ticks;         // ticks in the body
    bool finished;      // the trailer was read
    long trailer_ticks; // as the trailer says
    std::string result; // the trailer's result line
    bool cut;           // the file ends inside a record (only when unfinished)
};

// Reads a whole replay file from memory. False with a reason when the file is not a
// replay this game can play: wrong magic, a newer format, a header cut short, settings
// out of range, a malformed record, a trailer that disagrees with the body.
bool read_replay(const uint8_t *data, size_t size, creplay &out, std::string &err);

// Same for a file on disk.
bool read_replay_file(const std::string &path, creplay &out, std::string &err);

// 32-bit FNV-1a, for map files and world checksums.
uint32_t fnv1a(const void *data, size_t size, uint32_t h = 2166136261u);

// Builds the bytes of a replay as the match goes on, in the version its header says.
class creplay_writer {
  public:
    creplay_writer() { clear(); }
    void clear(); // a new file: no ticks yet
    // The header's bytes, for header.version 1 or 2; false when a field does not fit
    // (a text too long, a slot or an outfit out of range). After it, the writer knows
    // the human slots of a version 2 file.
    bool start(const creplay_header &h, std::string &out);
    static bool header(const creplay_header &h, std::string &out); // the same, alone
    // Version 1: one tick's input. Runs of equal input are held back until the input
    // changes or a checksum or the trailer comes.
    void tick(const ctick_input &in, std::string &out);
    // Version 2: one tick's control of every slot (only human slots' are written).
    void tick(const ccontrol in[MAX_PLAYERS], std::string &out);
    // Version 2: a human slot turns bot before the next tick; false when it is none.
    bool leave(int slot, std::string &out);
    void checksum(uint64_t sum, std::string &out); // after the ticks so far
    void trailer(const std::string &result, std::string &out);
    long ticks() const { return count; }

  private:
    int version;
    ctick_input written; // input as of the last run written
    ctick_input held;    // input of the run held back
    unsigned humans;     // version 2: the human slots now
    ccontrol last[MAX_PLAYERS]; // version 2: each slot's control as last written
    long held_ticks;
    long count; // ticks so far
    void flush(std::string &out);
};

// What the list of replays shows about a file: its header and how it ended, read from
// the first and last bytes only, so a long match costs no more to list than a short one.
struct creplay_summary {
    creplay_header header;
    bool finished;      // a trailer closes the file
    long ticks;         // as the trailer says; for an unfinished file its last checksum's
                        // tick, or -1 when the file does not end on one
    std::string result; // the trailer's result line
};

const size_t REPLAY_HEADER_MAX =
    4 + 2 + 1 + REPLAY_TEXT_MAX + 9 + 1 + REPLAY_TEXT_MAX + 8 + 2 + MAX_PLAYERS * (2 + REPLAY_NAME_MAX);
const size_t REPLAY_TAIL_MAX = 1 + 10 + 1 + REPLAY_TEXT_MAX; // the longest trailer

// Reads a summary from a file of `size` bytes: `head` holds its first bytes (up to
// REPLAY_HEADER_MAX), `tail` its last ones (up to REPLAY_TAIL_MAX). A trailer counts only
// when it ends the file exactly and its result line names the same tick count. False
// with a reason when the header is not one this game can play.
bool read_replay_summary(const uint8_t *head, size_t head_size, const uint8_t *tail,
                         size_t tail_size, size_t size, creplay_summary &out, std::string &err);

// Same for a file on disk: opened without waiting (a FIFO is refused), a regular file only.
bool read_replay_summary_file(const std::string &path, creplay_summary &out, std::string &err);

// Hands out a replay's inputs tick by tick.
class creplay_cursor {
  public:
    explicit creplay_cursor(const creplay *r) : replay(r) { restart(); }
    void restart();
    bool done() const { return tick >= replay->ticks; }
    long ticks_done() const { return tick; }
    const ctick_input &next(); // version 1; call only while !done()
    // Version 2: every slot's control on the next tick (zero for bots), and the slots
    // that turn bot just before it. Call only while !done().
    void next(ccontrol in[MAX_PLAYERS], unsigned &leaving);

  private:
    const creplay *replay;
    size_t run;
    long used; // ticks taken from the current run
    long tick;
    size_t at;                 // version 2: the next record in the body
    long left;                 // ticks left of the record being played
    ccontrol now[MAX_PLAYERS]; // every slot's control as of the record being played
    unsigned humans;           // the human slots as of the record being played
};

#endif
