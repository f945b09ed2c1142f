#ifndef KRAG_NET_ROLLBACK_H
#define KRAG_NET_ROLLBACK_H

// Rollback over a deterministic world. Every machine runs the whole match from every
// human's input. This machine's own input is used `delay` ticks after it is captured;
// a remote player's input that has not arrived yet is predicted by repeating their last
// one. When the real input arrives and differs, the world goes back to that tick and
// runs again to the present at once. At most ROLLBACK_WINDOW ticks are run on
// predictions; past that the machine waits.
//
// A tick whose inputs are all known is confirmed. Every HASH_EVERY ticks the world's
// hash at a confirmed tick is handed out to be compared with the other machines'.
#include <cstdint>

#include "net/wire.h"

// The door into the world: the match is reached only through these.
struct cnet_model {
    void *ctx;
    void (*save)(void *ctx, int slot); // keeps the whole world in storage slot 0 to ROLLBACK_SAVES - 1
    void (*restore)(void *ctx, int slot);
    uint64_t (*hash)(void *ctx);
    // One tick with one input per player slot; a slot whose human[] is false plays
    // itself (a bot).
    void (*tick)(void *ctx, const cnet_input *in, const bool *human);
    bool (*decided)(void *ctx); // the match is over
};

const int ROLLBACK_WINDOW = 16;                 // ticks run on predictions at most
const int ROLLBACK_SAVES = ROLLBACK_WINDOW + 2; // saved worlds kept
const int ROLLBACK_INPUTS = 128;                // ticks of input kept per slot
const int HASH_EVERY = 50;                      // ticks between compared hashes
// How far past what it knows of the others a peer may send inputs: its own prediction
// window, two input delays and slack for a packet in flight.
const int ROLLBACK_AHEAD = ROLLBACK_WINDOW + 2 * NET_MAX_DELAY + 8;

struct crollback_stats {
    long rollbacks;    // times the world went back
    long resimulated;  // ticks run again
    long deepest;      // ticks gone back at most
    long waited;       // calls of advance() that could not run a tick
};

class crollback {
  public:
    // A new match at tick 0. human: bit s set for every human slot; local: this
    // machine's slot, or -1 for a host without a player.
    void start(const cnet_model &m, unsigned human, int local, int delay);

    // This machine's input, used at tick now + delay.
    void add_local(const cnet_input &in);
    // A remote human's input for one tick. False when the slot is not a remote human
    // at that tick or the tick lies beyond any honest peer's reach; an input already
    // known is ignored (the first one stands).
    bool add_remote(int slot, long tick, const cnet_input &in);
    // From this tick on the slot plays itself on every machine (a player left). False
    // when the slot was no human, or the tick is already confirmed here.
    bool leave(int slot, long tick);

    // Whether a tick may run now; when not, the slot waited for.
    bool blocked() const;
    int waiting_for() const;
    // Runs tick now (going back first when a prediction was wrong). False, with
    // nothing run, while blocked.
    bool advance();

    long now() const { return tick_now; } // ticks run so far
    // Every input of every slot is known before this tick.
    long confirmed() const;
    // Inputs of the slot are known before this tick.
    long known(int slot) const;
    const cnet_input &input(int slot, long tick) const; // known ticks only
    bool human_at(int slot, long tick) const;
    // The tick from which the slot plays itself (LONG_MAX: it has not left).
    long leaves_at(int slot) const { return slot >= 0 && slot < NET_MAX_PLAYERS ? left_at[slot] : 0; }
    int local() const { return local_slot; }

    // The next confirmed hash not yet handed out; false when there is none.
    bool take_hash(long &tick, uint64_t &hash);
    // The tick after which the match is decided, once that is confirmed.
    bool take_end(long &tick);
    // Puts the world back to as it was after this many ticks (within the saved ones).
    bool rewind(long tick);
    const crollback_stats &stats() const { return st; }

  private:
    cnet_model model;
    int local_slot, delay;
    unsigned humans; // slots that are human at tick 0
    long left_at[NET_MAX_PLAYERS]; // tick from which the slot is a bot (LONG_MAX: never)
    long tick_now;
    long next[NET_MAX_PLAYERS]; // inputs known before this tick
    long redo_from;             // earliest tick run on a wrong prediction; LONG_MAX: none
    cnet_input inputs[NET_MAX_PLAYERS][ROLLBACK_INPUTS]; // by tick % ROLLBACK_INPUTS
    long stored[NET_MAX_PLAYERS][ROLLBACK_INPUTS];       // the tick each entry holds, or -1
    cnet_input used[NET_MAX_PLAYERS][ROLLBACK_INPUTS];   // what each tick ran with
    // Hashes of checkpoint ticks as saved, by (tick / HASH_EVERY) % ROLLBACK_SAVES.
    uint64_t checkpoint[ROLLBACK_SAVES];
    long handed; // checkpoints handed out, the last being tick handed * HASH_EVERY
    bool over[ROLLBACK_INPUTS]; // the match was decided after the tick, by tick % ROLLBACK_INPUTS
    long examined;              // ticks looked at for the match's end
    crollback_stats st;

    bool remote_human(int slot, long tick) const;
    const cnet_input &predicted(int slot, long tick) const;
    void run(long tick); // saves, then runs one tick with the best inputs known
};

#endif
