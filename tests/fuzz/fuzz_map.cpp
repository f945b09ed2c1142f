// libFuzzer target: any bytes as a map file. The parser must refuse or accept without
// reading or writing out of bounds, and what it accepts must keep its promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "world/mapfile.h"

static std::string any_tile(const char *name) { return name[0] ? "" : "not found"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static mapfile mf;
    std::istringstream in(std::string((const char *)data, size));
    maperror err;
    if (!parse_map(in, mf, err, any_tile)) {
        if (err.line < 1 || err.reason.empty()) abort();
        return 0;
    }
    if (mf.width % 16 || mf.width < 640 || mf.width > 2048) abort();
    if (mf.height % 16 || mf.height < 480 || mf.height > 2048) abort();
    if (mf.ntiles < 0 || mf.ntiles > MAP_MAX_TILES) abort();
    if (mf.nsp < 1 || mf.nsp > MAP_MAX_SPAWNS) abort();
    for (int c = 0; c < mf.width / 16; c++)
        for (int r = 0; r < mf.height / 16; r++) {
            char ch = mf.grid[c][r];
            if (ch >= 'a' && ch <= 'z' && ch - 'a' >= mf.ntiles) abort();
        }
    return 0;
}
