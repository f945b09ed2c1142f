// Map file reader. Kept free of Allegro so the map checker and the fuzzer can use it
// on their own.
#include "world/mapfile.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

#include "shell/files.h"

namespace {

// Reads fields with the stream's own formatted extraction, remembering the line each
// field starts on so a complaint can point at it.
struct reader {
    std::istream &in;
    maperror &err;
    int line; // line of the next unread character, 1-based
    int last; // line of the last field read: where a file that stops short is blamed

    reader(std::istream &in, maperror &err) : in(in), err(err), line(1), last(1) {}

    // Skips the whitespace formatted extraction would skip, counting line breaks.
    // False at the end of the input.
    bool skip_space() {
        for (;;) {
            int c = in.peek();
            if (c == std::char_traits<char>::eof()) return false;
            if (c != ' ' && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r')
                return true;
            in.get();
            if (c == '\n') line++;
        }
    }

    bool fail(int at, const std::string &reason) {
        err.line = at;
        err.reason = reason;
        return false;
    }

    bool ended(const char *what) {
        if (in.bad()) return fail(line, "read error");
        return fail(last, std::string("file ends before ") + what);
    }

    // One int field; `what` names it in complaints. Leaves `at` on the field's line.
    bool number(const char *what, int &value, int &at) {
        if (!skip_space()) return ended(what);
        at = last = line;
        value = 0;
        in >> value;
        if (in.fail()) {
            if (in.bad()) return fail(at, "read error");
            if (value == INT_MAX || value == INT_MIN)
                return fail(at, std::string(what) + " is out of range");
            return fail(at, std::string(what) + " is not a number");
        }
        return true;
    }
};

// A name short enough to quote in a complaint.
std::string quoted(const std::string &s) {
    if (s.size() <= 40) return "\"" + s + "\"";
    return "\"" + s.substr(0, 37) + "...\"";
}

bool check_size(reader &r, const char *what, int value, int at, int lo, int hi) {
    char buf[96];
    if (value % 16 != 0) {
        snprintf(buf, sizeof(buf), "%s %d is not a multiple of 16", what, value);
        return r.fail(at, buf);
    }
    if (value < lo || value > hi) {
        snprintf(buf, sizeof(buf), "%s %d is outside %d-%d", what, value, lo, hi);
        return r.fail(at, buf);
    }
    return true;
}

} // namespace

bool parse_map(std::istream &in, mapfile &out, maperror &err, tile_check_fn tile_check,
               std::vector<maperror> *warnings) {
    memset(&out, 0, sizeof(out));
    err.line = 0;
    err.reason.clear();
    reader r(in, err);
    int at = 0;
    char buf[128];
    auto warn = [&](int line, const std::string &reason) {
        if (warnings) warnings->push_back(maperror{line, reason});
    };

    // Editors that write a byte-order mark would otherwise get "width is not a number".
    if (in.peek() == 0xEF) {
        char bom[3] = {};
        in.read(bom, 3);
        if (in.gcount() == 3 && memcmp(bom, "\xEF\xBB\xBF", 3) == 0)
            return r.fail(1, "UTF-8 byte-order mark at the start; save the file without it");
        return r.fail(1, "width is not a number");
    }

    if (!r.number("width", out.width, at)) return false;
    if (!check_size(r, "width", out.width, at, 640, 2048)) return false;
    if (!r.number("height", out.height, at)) return false;
    if (!check_size(r, "height", out.height, at, 480, 2048)) return false;

    static const char *const colour_names[6] = {"top red",    "top green",    "top blue",
                                                "bottom red", "bottom green", "bottom blue"};
    for (int i = 0; i < 6; i++) {
        int v;
        if (!r.number(colour_names[i], v, at)) return false;
        if (v < 0 || v > 255) {
            snprintf(buf, sizeof(buf), "%s %d is outside 0-255", colour_names[i], v);
            return r.fail(at, buf);
        }
        (i < 3 ? out.top[i] : out.bottom[i - 3]) = v;
    }

    int relief;
    if (!r.number("relief flag", relief, at)) return false;
    if (relief != 0 && relief != 1) {
        snprintf(buf, sizeof(buf), "relief flag %d is not 0 or 1", relief);
        return r.fail(at, buf);
    }
    out.relief = relief == 1;

    if (!r.number("tile count", out.ntiles, at)) return false;
    if (out.ntiles < 0 || out.ntiles > MAP_MAX_TILES) {
        snprintf(buf, sizeof(buf), "tile count %d is outside 0-%d", out.ntiles, MAP_MAX_TILES);
        out.ntiles = 0;
        return r.fail(at, buf);
    }

    for (int i = 0; i < out.ntiles; i++) {
        snprintf(buf, sizeof(buf), "tile name %d", i + 1);
        if (!r.skip_space()) return r.ended(buf);
        at = r.last = r.line;
        std::string name;
        in >> name;
        if (in.bad()) return r.fail(at, "read error");
        if (name.size() > (size_t)MAP_TILE_NAME_MAX)
            return r.fail(at, "tile name " + quoted(name) + " is longer than 16 characters");
        if (tile_check) {
            std::string why = tile_check(name.c_str());
            if (why == "not found") return r.fail(at, "tile " + quoted(name) + " not found in bmp/");
            if (why.compare(0, 9, "warning: ") == 0) {
                warn(at, "tile " + quoted(name) + " " + why.substr(9));
                why.clear();
            }
            if (!why.empty() && why[0] >= '0' && why[0] <= '9')
                return r.fail(at, "tile " + quoted(name) + " is " + why);
            if (!why.empty()) return r.fail(at, "tile " + quoted(name) + ": " + why);
        }
        memcpy(out.tile[i], name.c_str(), name.size() + 1);
    }

    int cols = out.width / 16, rows = out.height / 16;
    int cells = cols * rows;
    int line_cells = 0, cells_line = 0; // grid cells read on the line cells_line
    int spawn_line[MAP_MAX_SPAWNS] = {};
    for (int row = 0; row < rows; row++) {
        for (int col = 0; col < cols; col++) {
            if (!r.skip_space()) {
                if (in.bad()) return r.fail(r.line, "read error");
                snprintf(buf, sizeof(buf), "grid ends after %d of %d cells", row * cols + col, cells);
                return r.fail(r.last, buf);
            }
            at = r.last = r.line;
            if (at != cells_line) {
                cells_line = at;
                line_cells = 0;
            }
            if (++line_cells == cols + 1) {
                snprintf(buf, sizeof(buf), "grid row longer than the width (%d cells)", cols);
                warn(at, buf);
            }
            char c = 0;
            in >> c;
            out.grid[col][row] = c;
            if (c >= 'a' && c <= 'z' && c - 'a' >= out.ntiles) {
                snprintf(buf, sizeof(buf), "letter '%c' has no tile", c);
                return r.fail(at, buf);
            }
            if (c == '0') out.nboxes++;
            if (c == '1') out.nbarrels++;
            if (c >= 'A' && c <= 'G') {
                if (out.nsp < MAP_MAX_SPAWNS) spawn_line[out.nsp] = at;
                out.nsp++;
                if (out.nsp > MAP_MAX_SPAWNS) {
                    snprintf(buf, sizeof(buf), "%d spawn points (at most %d)", out.nsp, MAP_MAX_SPAWNS);
                    return r.fail(at, buf);
                }
            }
        }
    }
    if (out.nsp == 0) return r.fail(r.last, "no spawn point");

    if (warnings) {
        if (r.skip_space()) {
            if (r.line == cells_line) {
                snprintf(buf, sizeof(buf), "grid row longer than the width (%d cells)", cols);
                if (line_cells < cols + 1) warn(r.line, buf);
            } else {
                warn(r.line, "content after the grid");
            }
        }
        // A player stands one cell wide and two tall, from the spawn cell down.
        int k = 0;
        for (int row = 0; row < rows; row++)
            for (int col = 0; col < cols; col++) {
                char c = out.grid[col][row];
                if (c < 'A' || c > 'G') continue;
                int line = spawn_line[k++];
                if (row + 1 < rows && (signed char)out.grid[col][row + 1] > 96) {
                    snprintf(buf, sizeof(buf),
                             "spawn point '%c' at column %d, row %d stands inside a solid cell", c,
                             col + 1, row + 1);
                    warn(line, buf);
                }
            }
    }
    return true;
}

// Far more than the largest grid with generous spacing.
static const size_t MAP_FILE_MAX_BYTES = 4 * 1024 * 1024;

bool parse_map_file(const char *path, mapfile &out, maperror &err, tile_check_fn tile_check,
                    std::vector<maperror> *warnings) {
    std::string bytes, why;
    if (!read_regular_file(path, MAP_FILE_MAX_BYTES, bytes, why)) {
        memset(&out, 0, sizeof(out));
        err.line = 0;
        err.reason = why == "not found" ? "cannot open file: not found" : why;
        return false;
    }
    std::istringstream in(bytes);
    return parse_map(in, out, err, tile_check, warnings);
}

bool tile_in_bmp_folder(const char *name) {
    std::string path = std::string("bmp/") + name;
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
