#ifndef KRAG_WORLD_MAPNAME_H
#define KRAG_WORLD_MAPNAME_H

// Which file names can be maps: one rule for the map list, the replay writer and the
// replay reader, so every map the list offers can be recorded and played back.
#include <cstring>
#include <string>

const int MAP_NAME_MAX = 14; // file name with extension

// Why a file name cannot be a map's, or nullptr when it can: "NAME.krm" of at most
// MAP_NAME_MAX bytes, with no control byte (it is written in the settings file and in
// messages) and no '/'. Spaces, dots and letters of any language are fine.
inline const char *map_file_name_problem(const std::string &name) {
    size_t n = name.size();
    if (n < 5 || name.compare(n - 4, 4, ".krm") != 0) return "the name does not end in .krm";
    if (n > (size_t)MAP_NAME_MAX) return "the name is too long (at most 10 letters before .krm)";
    for (char c : name) {
        if ((unsigned char)c < 32 || c == 127) return "the name has a control character";
        if (c == '/') return "the name has a slash";
    }
    return nullptr;
}

#endif
