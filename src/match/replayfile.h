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
//   body     records, each starting with a tag byte T:
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
// A file cut off anywhere after its header (the game was killed) still reads: it is
// unfinished and holds the ticks of its whole records.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/input.h"

const int REPLAY_VERSION = 1;
const int REPLAY_TEXT_MAX = 255;           // game version, map name, result line
const long REPLAY_MAX_TICKS = 2160000;     // six hours of play
const size_t REPLAY_MAX_BYTES = 32u << 20; // far more than six hours take
const int REPLAY_CHECK_TICKS = 100;        // a world checksum after every this many ticks

// Everything set before a match that changes what happens in it or how it looks.
struct creplay_settings {
    int gametype, bots, skill, kills, blood, hair, shirt, pants;
    bool health, grenades, firerate, heatseek, slowmotion; // power-ups that appear
};

struct creplay_header {
    int version; // format version of the file
    std::string game_version;
    creplay_settings settings;
    std::string map; // file name in krm/, e.g. "arena.krm"
    uint32_t map_checksum;
    uint32_t seed;
};

// Ticks in a row with the same input.
struct creplay_run {
    ctick_input input;
    long count;
};

// A world checksum recorded after this many ticks.
struct creplay_check {
    long tick;
    uint32_t sum;
};

struct creplay {
    creplay_header header;
    std::vector<creplay_run> runs;
    std::vector<creplay_check> checks;
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

// Builds the bytes of a replay as the match goes on.
class creplay_writer {
  public:
    creplay_writer() { clear(); }
    void clear(); // a new file: no ticks yet
    // The header's bytes; false when a text does not fit its length byte.
    static bool header(const creplay_header &h, std::string &out);
    // One tick's input. Runs of equal input are held back until the input changes or
    // a checksum or the trailer comes.
    void tick(const ctick_input &in, std::string &out);
    void checksum(uint32_t sum, std::string &out); // after the ticks so far
    void trailer(const std::string &result, std::string &out);
    long ticks() const { return count; }

  private:
    ctick_input written; // input as of the last run written
    ctick_input held;    // input of the run held back
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

const size_t REPLAY_HEADER_MAX = 4 + 2 + 1 + REPLAY_TEXT_MAX + 9 + 1 + REPLAY_TEXT_MAX + 8;
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
    void restart() { run = 0, used = 0, tick = 0; }
    bool done() const { return tick >= replay->ticks; }
    long ticks_done() const { return tick; }
    const ctick_input &next(); // call only while !done()

  private:
    const creplay *replay;
    size_t run;
    long used; // ticks taken from the current run
    long tick;
};

#endif
