#ifndef KRAG_MATCH_WORLD_H
#define KRAG_MATCH_WORLD_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The world: everything a tick may change, listed once in world.cpp (every pool with its
// record of busy slots, the players and the weapons they hold, the match's state and
// which slots humans play, the HUD's weapon choices, the scoreboard's counts, the
// power-up and burning-spot managers and the random sequence). A tick reads everything else (the settings fixed
// at the match's start, the map's grid) and never writes it. The camera, sounds and
// shake belong to whoever watches the world, not to it.

// A saved world: one copy of every part, in the list's order.
class csnapshot {
  public:
    std::vector<unsigned char> bytes;
};

// Bytes a snapshot holds.
size_t world_bytes();
// Copies the world into s (sized on first use, reused after).
void world_save(csnapshot &s);
// Puts a saved world back; nothing of the world before it survives.
void world_restore(const csnapshot &s);

// 64 bits over what matters of the world: fields of busy slots only, owners by slot
// number, no padding or addresses. Two worlds that play on the same hash alike.
uint64_t world_hash();

// The parts one by one, for naming the first that differs between two worlds.
int world_part_count();
const char *world_part_name(int part);
uint64_t world_part_hash(int part);

// Empties every part: no busy slot, no player, counts at zero, the HUD's choice at its
// start; with `reseed`, the random sequence as after srand(1) too (a test's fresh
// world), without it the sequence is left where it stands (a match set up after its
// seed was drawn).
void world_clear(bool reseed);

#endif
