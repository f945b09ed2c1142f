#ifndef KRAG_MATCH_REPLAY_H
#define KRAG_MATCH_REPLAY_H

// Replays: every match is recorded while it is played, and a recorded match plays back
// exactly, in the window or headless. A match is a pure function of its settings, its
// map, the seed of rand() at its start and the human's input on every tick.
#include <cstdint>
#include <string>
#include <vector>

#include "match/game.h"
#include "match/replayfile.h"
#include "match/sim.h"
#include "shell/files.h"
#include "shell/options.h"

const int REPLAYS_KEPT = 50; // the newest this many stay in the replay folder

// $XDG_DATA_HOME/krag/replays, else $HOME/.local/share/krag/replays; empty when
// neither variable is usable.
std::string replay_dir();

// A file name made absolute against the working folder (which the programs change to
// their data folder once the command line is read).
std::string absolute_path(const std::string &file);

// The replay files in a folder, newest first.
std::vector<std::string> list_replays(const std::string &dir);

// A small checksum of the world: health, kills and (while alive) the position of every
// player, and the live count of every pool.
uint32_t world_checksum();

// Checksum of a file's bytes; false when it cannot be read.
bool file_checksum(const std::string &path, uint32_t &sum);

// Why a replay cannot be played, as the list tells a player.
enum { REPLAY_PLAYABLE, REPLAY_DAMAGED, REPLAY_OTHER_VERSION, REPLAY_NO_MAP, REPLAY_MAP_CHANGED };
const char *replay_trouble_words(int trouble); // "DAMAGED", "ITS MAP IS MISSING", ...

// Whether a header can play here: a format this game reads (header.version is set even
// when the read failed), its map listed and unchanged (any_map: the map may have
// changed). On trouble, err says it for the log.
int replay_header_trouble(bool header_read, const creplay_header &h, std::string &err,
                          bool any_map = false);

// The header of the match that is about to start from the options, the chosen map and
// who plays which slot (game.humans, game.local, game.dressed, game.outfits, and the
// names given to scoreboard_name).
bool replay_header_now(uint32_t seed, creplay_header &h, std::string &err);

// Whether a file name is one the game gives a recording: DATE_TIME_MAP.krr and its
// -N variants (2026-12-08_14-03-22_ARENA.krr, 2026-12-08_14-03-22_ARENA-2.krr).
bool replay_file_name(const std::string &name);

// Removes the oldest recordings in dir beyond `keep`, sparing `spare` (a file name).
// Only regular files with names the game gives are counted and removed: the player's
// own files stay, a symlink is never followed or removed, and a replay folder that is
// itself a symlink is left alone.
void prune_replays(const std::string &dir, int keep, const std::string &spare);

// Writes a replay file as a match goes on. The header goes in place whole (written
// under an exclusive temporary name, then renamed); ticks are then appended and handed
// to the system at every checkpoint, so a game that dies mid-match leaves a file that
// plays up to its last checkpoint. A recording stops, leaving a playable file, at the
// REPLAY_MAX_TICKS the reader accepts.
//
// Recording a match, the network's way as well as the single player's:
//   1. Set the match up: the options (settings and map), game.humans, game.local,
//      game.dressed and game.outfits, the players' names (scoreboard_name); srand(seed);
//      game.init().
//   2. open_in(replay_dir(), seed): the header takes all of that as it stands.
//   3. For every tick in order, once every human's input for it is known: leave(slot)
//      for each slot that turns bot from this tick on (as game.leave was called before
//      it), then tick(in) with the controls the world was given (bots' are ignored).
//   4. close(result line) when the match ends, or abandon() to stop mid-way.
// The file is version 2: every human slot's control on every tick, and the world's hash
// every REPLAY_CHECK_TICKS ticks, taken from the world as tick() is called. A machine
// whose world runs ahead of the ticks it records (rollback) gives the hashes itself
// instead: check(hash of the world after the ticks recorded so far), best on multiples
// of REPLAY_CHECK_TICKS / 2; once check() is called, tick() takes none of its own.
class crecorder {
  public:
    std::string path; // the file being written; empty when not recording

    crecorder() : hold(false), failed(false), own_checks(true), checked(0) {}
    // Starts a file for the match that game.init() has just set up after srand(seed):
    // into a new file named by date, time and map in a folder (made when missing, the
    // oldest files beyond REPLAYS_KEPT removed), or at exactly `file`, replacing only a
    // regular file there. hold: `file` is replaced only by close(), once the new file
    // is complete; until then the old one stays. False, with one line on stderr, when
    // nothing can be written; the match plays on unrecorded.
    bool open_in(const std::string &dir, uint32_t seed);
    bool open_file(const std::string &file, uint32_t seed, bool hold = false);
    void tick(const ccontrol in[MAX_PLAYERS]); // after each tick of the match
    void leave(int slot);                      // before the first tick the slot is a bot
    void check(uint64_t hash);                 // the world's hash after the ticks so far
    long ticks() const { return writer.ticks(); }
    // The trailer; the file is complete. False when the recording failed on the way
    // (a held file is then not put in place).
    bool close(const std::string &result);
    void abandon(); // stop writing, leaving the file unfinished (a held file: none)

  private:
    cfile_writer out;
    bool hold;
    bool failed;
    bool own_checks;
    long checked; // ticks when the last checkpoint was written
    creplay_writer writer;
    std::string pending;
    bool start(const std::vector<std::string> &names, const creplay_header &h, bool replace);
    bool open(); // still writing; the limit of ticks not yet reached
    void write_out();
};

// The match as the player plays it: each logic tick runs the game with the captured
// input, keeps the figures of the final line and records the tick.
class crecording {
  public:
    cmatchstats stats;
    crecorder file;

    // Seeds rand() afresh, sets the match up and starts recording into `dir` (no file
    // when dir is empty). False when the chosen map cannot be played.
    bool init(const std::string &dir);
    void update();
    void draw();
    void quit(); // writes the trailer and ends the match
};

extern crecording recording;

// Plays a replay file back: the recorded inputs drive the match tick by tick (a version
// 1 file's through input.set(), a version 2 file's as every human slot's control, the
// view following the recorded slot) and every recorded checksum or hash is compared.
class cplayback {
  public:
    creplay replay;
    cmatchstats stats;
    long bad_tick;         // ticks played when a checksum first differed; -1 while none has
    uint64_t bad_recorded; // that checksum or hash as recorded and as replayed
    uint64_t bad_replayed;
    int trouble; // why the last load failed (REPLAY_...)
    // What the last step gave the world: the slots that turned bot before it and every
    // slot's control (for recording the match again).
    unsigned leaving;
    ccontrol given[MAX_PLAYERS];

    cplayback()
        : bad_tick(-1), trouble(REPLAY_PLAYABLE), leaving(0), given(), cursor(&replay),
          running(false) {}
    // Reads and checks a file: well formed, its map listed and unchanged (any_map: the
    // map may have changed, for re-recording). False with a reason otherwise.
    bool load(const std::string &path, std::string &err, bool any_map = false);
    // Puts the recorded settings and players in place (the player's own and the
    // match's slots are kept aside), seeds rand() and starts the match. False when the
    // map will not load.
    bool begin(std::string &err);
    bool done() { return cursor.done(); }
    void step(); // one logic tick
    void end();  // leaves the match and gives back the player's settings
    bool active() { return running; }
    long ticks_done() const { return cursor.ticks_done(); }

    // How far the playback has got (with a saved world, enough to go on from there).
    struct cplace {
        creplay_cursor cursor;
        cmatchstats stats;
        size_t next_check;
        long bad_tick;
        uint64_t bad_recorded, bad_replayed;
    };
    cplace place() const {
        return cplace{cursor, stats, next_check, bad_tick, bad_recorded, bad_replayed};
    }
    void go_to(const cplace &p) {
        cursor = p.cursor, stats = p.stats, next_check = p.next_check;
        bad_tick = p.bad_tick, bad_recorded = p.bad_recorded, bad_replayed = p.bad_replayed;
    }

  private:
    creplay_cursor cursor;
    size_t next_check;
    coptions saved;
    cgame kept; // the match's slots as they were before begin()
    bool running;
};

extern cplayback playback;

#endif
