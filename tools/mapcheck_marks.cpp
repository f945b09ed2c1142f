// krag-mapcheck --add-marks FILE: a bot walks its route, jumps when a wall blocks it
// (which gets it up any step of up to MAX_CLIMB cells), falls off edges, and changes
// its route only on a mark it reads at its top-left corner while it stands exactly on a
// cell column: the cell two rows above the floor it walks on. In front of a wall it
// cannot climb it would jump for ever; a mark there turns it round. Only cells the game
// treats as empty are written: what the author placed stays where it is. The rest of
// the file, its layout included, is kept byte for byte.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "mapcheck.h"
#include "shell/files.h"
#include "world/map.h"

const int MAX_CLIMB = 4; // cells a walking bot gets up by jumping against the step

// A cell the game reads as nothing at all (digits are left alone: authors use them
// as notes).
static bool free_cell(char ch) {
    return ch == '.' || (!sight_cell(ch) && ispunct((unsigned char)ch) && ch != '0' && ch != '1');
}

// From the floor (c, r), can a bot walking towards c + step get past the next column?
static bool climbable(const mapfile &mf, int c, int r, int step) {
    int n = c + step;
    if (!grid_solid(mf, n, r - 1) && !grid_solid(mf, n, r - 2)) return true; // level or a drop
    // The wall must be solid from the floor up to its top, with room to stand there.
    int t = r - 1;
    while (t >= 0 && grid_solid(mf, n, t)) t--;
    if (t < 0) return false;
    int top = t + 1;
    if (grid_solid(mf, n, top - 1) || grid_solid(mf, n, top - 2)) return false;
    if (r - top > MAX_CLIMB) return false;
    for (int k = top - 3; k < r; k++) // room to jump in the bot's own column
        if (grid_solid(mf, c, k)) return false;
    return true;
}

// The offset in the file of every grid cell, [row * columns + column]: the cells are
// the non-blank bytes after the header's 10 + tile-count words.
static std::vector<size_t> cell_offsets(const std::string &text, const mapfile &mf) {
    std::vector<size_t> at;
    size_t i = 0, n = text.size();
    for (int word = 0; word < 10 + mf.ntiles; word++) {
        while (i < n && isspace((unsigned char)text[i])) i++;
        while (i < n && !isspace((unsigned char)text[i])) i++;
    }
    size_t cells = (size_t)(mf.width / 16) * (mf.height / 16);
    for (; i < n && at.size() < cells; i++)
        if (!isspace((unsigned char)text[i])) at.push_back(i);
    return at;
}

static const char *turn_name(char mark) {
    return mark == 'J' ? "turns bots right" : mark == 'K' ? "turns bots left" : "a pit: bots turn at random";
}

int add_marks_main(const char *file) {
    static mapfile mf; // large; kept off the stack
    if (!read_checked_map(file, mf)) return 1;
    std::string text, why;
    if (!read_regular_file(file, 4 * 1024 * 1024, text, why)) {
        printf("%s: %s\n", file, why.c_str());
        return 1;
    }
    int cols = mf.width / 16, rows = mf.height / 16;
    int added = 0;
    auto put = [&](int c, int r, char mark) {
        mf.grid[c][r] = mark;
        printf("%s: added %c at cell %d,%d (%s)\n", file, mark, c, r, turn_name(mark));
        added++;
    };
    // Column by column, top to bottom, so a mark added above counts for the floors below.
    for (int c = 0; c < cols; c++)
        for (int r = 2; r < rows; r++) {
            bool floor = grid_solid(mf, c, r) && !grid_solid(mf, c, r - 1) && !grid_solid(mf, c, r - 2);
            if (!floor || !free_cell(mf.grid[c][r - 2])) continue;
            bool right = climbable(mf, c, r, 1), left = climbable(mf, c, r, -1);
            if (right && left) continue;
            if (!right && !left) {
                put(c, r - 2, 'H');
                continue;
            }
            // Also a row or two up, for bots that pass this column in a jump.
            char turn = right ? 'J' : 'K';
            for (int k = 0; k < 3 && r - 2 - k >= 0; k++)
                if (k == 0 || free_cell(mf.grid[c][r - 2 - k])) put(c, r - 2 - k, turn);
        }
    // A prop a bot jumps over too near a mark on its floor: it is in the air when it
    // passes the mark and misses it.
    for (int r = 1; r < rows; r++)
        for (int c = 0; c < cols; c++) {
            if (mf.grid[c][r] != '0' && mf.grid[c][r] != '1') continue;
            for (int d = -4; d <= 4; d++) {
                int mc = c + d;
                char m = mc >= 0 && mc < cols ? mf.grid[mc][r - 1] : 0;
                if (m && std::string("BEGHILNOK").find(m) != std::string::npos)
                    printf("%s: warning: the prop at cell %d,%d is %d cells from the mark %c at "
                           "%d,%d; a bot jumping over it misses the mark\n",
                           file, c, r, d < 0 ? -d : d, m, mc, r - 1);
            }
        }
    if (added == 0) {
        printf("%s: no marks needed\n", file);
        return 0;
    }
    std::vector<size_t> at = cell_offsets(text, mf);
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < cols; c++)
            text[at[(size_t)r * cols + c]] = mf.grid[c][r];
    if (!write_file_atomically(file, text, why)) {
        printf("%s: cannot write: %s\n", file, why.c_str());
        return 1;
    }
    printf("%s: %d mark%s added\n", file, added, added == 1 ? "" : "s");
    return 0;
}
