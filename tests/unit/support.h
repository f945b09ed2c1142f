#ifndef KRAG_TESTS_SUPPORT_H
#define KRAG_TESTS_SUPPORT_H

#include <string>
#include <vector>

class cplayer;

// Starts Allegro without a display or sound card (once per test program), in 32-bit
// colour, with a 640x480 memory back buffer and the sound log recording.
void headless();

// Loads the real bitmaps and samples from bmp/ and wav/ (the build folder); fails the
// test when any is missing.
void load_real_data();

// A fresh match state without a map file: every pool and player reset, managers
// initialised, settings at their defaults, camera at (0, 0), the sound log cleared.
void fresh_world();

// The captured input (input.capture or input.set) as slot 0's control of the tick, for
// tests that call the human's controls or the HUD directly.
void take_input();

// Lays out the map from rows of cell characters (row 0 at the top; '.' is empty).
// Spawn letters become spawn points and '0'/'1' place boxes/barrels, as the loader does.
void set_map(const std::vector<std::string> &rows);

// A living player in slot i at (x, y): full health, no spawn protection, no weapon,
// facing right, standing still.
cplayer *place_player(int i, float x, float y, bool bot = true, int team = 0);

// The repository's tests/fuzz/ folder (ending in '/'), and the names of the files in a
// folder that do not start with a dot.
std::string fuzz_dir();
std::vector<std::string> files_in(const std::string &dir);

// Colour helpers for pixel tests.
int rgb(int r, int g, int b);

#endif
