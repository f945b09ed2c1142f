#ifndef KRAG_SHELL_DATADIR_H
#define KRAG_SHELL_DATADIR_H

// Where the game's data lives. The game, krag-sim and the other tools find it the same
// way, so an installed copy, an unpacked package and the build tree all run from any
// working folder:
//   1. --data DIR, else $KRAG_DATA (either one is the only place looked at), else
//   2. EXE_DIR/../share/games/krag (installed: PREFIX/games/krag beside PREFIX/share), else
//   3. EXE_DIR itself (the build tree).
// A folder holds the data when it has bmp/, wav/ and krm/ in it.
#include <string>
#include <vector>

// The folder of the running executable, read from /proc/self/exe so that any bytes in
// its name survive; empty when it cannot be read.
std::string executable_dir();

bool is_data_dir(const std::string &dir);

// The folders to look in, in order (override_dir: --data, may be empty).
std::vector<std::string> data_dir_candidates(const std::string &override_dir);

// The first candidate that holds the data, as an absolute path; empty when none does.
std::string find_data_dir(const std::string &override_dir);

// Finds the data and makes it the working folder, so bmp/, wav/ and krm/ are found by
// their relative names. When nothing is found, prints every folder searched under the
// program's name and returns false.
bool enter_data_dir(const char *program, const std::string &override_dir);

// A path below an XDG base folder: $VARIABLE/REST when the variable holds a full path,
// else $HOME/FALLBACK/REST; empty when neither is usable.
std::string xdg_path(const char *variable, const char *fallback, const char *rest);

// The player's own maps: $XDG_DATA_HOME/krag/krm, else ~/.local/share/krag/krm; empty
// when neither variable is usable.
std::string user_map_dir();

#endif
