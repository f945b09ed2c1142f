#include "world/map.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "effects/particle.h"
#include "shell/data.h"
#include "shell/image.h"
#include "shell/options.h"
#include "shell/say.h"
#include "world/barrel.h"
#include "world/box.h"

cmap map;

const int TERRAIN_HIT_PARTICLES = 5;
const int RELIEF_LAYERS = 5; // the face plus four darker copies behind it
const int RELIEF_RISE = 4;   // a relief tile is drawn this much above its cell

cmap::cmap()
    : height(0), nm(0), nfound(0), nsp(0), width(0), camx(0), camy(0), relief(false),
      background(nullptr), layer(nullptr) {
    memset(spawn_x, 0, sizeof(spawn_x));
    memset(spawn_y, 0, sizeof(spawn_y));
    memset(grid, 0, sizeof(grid));
    memset(names, 0, sizeof(names));
    memset(user, 0, sizeof(user));
    for (int i = 0; i < MAP_MAX_TILES; i++) tiles[i] = nullptr;
}

static void report(const char *path, const maperror &err) {
    say("%s:%d: %s", path, err.line, err.reason.c_str());
}

// The folder of the player's own maps in the list (set by load).
static std::string user_folder;
// A map file given by its full path (add_file) and its slot in the list, -1 for none.
static std::string added_file;
static int added_slot = -1;

// The *.krm files of a folder in byte order (read directly, so any bytes in the
// folder's name are fine).
static std::vector<std::string> krm_files(const std::string &dir) {
    std::vector<std::string> files;
    DIR *d = opendir(dir.c_str());
    if (!d) return files;
    while (struct dirent *e = readdir(d)) {
        size_t len = strlen(e->d_name);
        if (len > 4 && strcmp(e->d_name + len - 4, ".krm") == 0) files.push_back(e->d_name);
    }
    closedir(d);
    std::sort(files.begin(), files.end());
    return files;
}

const int MAX_MAP_COMPLAINTS = 10; // refused map files named one by one, then counted

// Adds the maps of one folder. Only maps that read cleanly are listed, so a broken file
// never takes one of the slots; the files come sorted, so which maps make the list
// never depends on the file system's order. A player's map with the name of a listed
// one takes its place. Once the list is full, a file that could only add a map is not
// read at all; those are counted in one line.
static void add_maps(cmap &m, const std::string &dir, bool user, mapfile &checked) {
    int complaints = 0, overflow = 0;
    auto complain = [&](const std::string &path, const std::string &why) {
        if (++complaints <= MAX_MAP_COMPLAINTS) say("%s: %s", path.c_str(), why.c_str());
    };
    for (const std::string &file : krm_files(dir)) {
        m.nfound++;
        std::string path = dir + "/" + file;
        if (const char *why = map_file_name_problem(file)) {
            complain(path, std::string(why) + "; left out");
            continue;
        }
        int slot = 0;
        while (slot < m.nm && file != m.names[slot]) slot++;
        if (slot == m.nm && m.nm == MAX_MAPS) {
            overflow++;
            continue;
        }
        maperror err;
        if (!parse_map_file(path.c_str(), checked, err, tile_problem_in_bmp_folder)) {
            complain(path + ":" + std::to_string(err.line), err.reason);
            continue;
        }
        if (slot < m.nm)
            say("%s: used instead of the shipped map of the same name", path.c_str());
        else
            m.nm++;
        memcpy(m.names[slot], file.c_str(), file.size() + 1);
        m.user[slot] = user;
    }
    if (complaints > MAX_MAP_COMPLAINTS)
        say("%s: %d more map files refused", dir.c_str(), complaints - MAX_MAP_COMPLAINTS);
    if (overflow > 0)
        say("%s: %d more map file%s left out: the map list is full (%d maps)", dir.c_str(), overflow,
            overflow == 1 ? "" : "s", MAX_MAPS);
}

void cmap::load(const char *user_dir) {
    memset(names, 0, sizeof(names));
    memset(user, 0, sizeof(user));
    nm = 0;
    nfound = 0;
    user_folder = user_dir ? user_dir : "";
    added_slot = -1;

    static mapfile checked; // large; kept off the stack
    add_maps(*this, "krm", false, checked);
    if (!user_folder.empty()) add_maps(*this, user_folder, true, checked);

    // Neighbour swaps, starting over after each one.
    int k = 0;
    while (k + 1 < nm) {
        if (strcmp(names[k], names[k + 1]) > 0) {
            char tmp[MAP_NAME_MAX + 1];
            memcpy(tmp, names[k], sizeof(tmp));
            memcpy(names[k], names[k + 1], sizeof(tmp));
            memcpy(names[k + 1], tmp, sizeof(tmp));
            std::swap(user[k], user[k + 1]);
            k = 0;
        } else {
            k++;
        }
    }
}

void cmap::reload() {
    int level = options.get_level();
    std::string chosen = level >= 0 && level < nm ? names[level] : "";
    std::string folder = user_folder;
    load(folder.empty() ? nullptr : folder.c_str());
    int found = find(chosen.c_str());
    options.level = found >= 0 ? found : 0;
}

int cmap::add_file(const std::string &file) {
    static mapfile checked;
    maperror err;
    if (!parse_map_file(file.c_str(), checked, err, tile_problem_in_bmp_folder)) {
        report(file.c_str(), err);
        problem = err.reason;
        return -1;
    }
    // The list holds the file name only; a long one is cut to fit (it is only shown).
    size_t slash = file.rfind('/');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    if (name.size() > (size_t)MAP_NAME_MAX) name = name.substr(0, MAP_NAME_MAX);
    int slot = find(name.c_str());
    if (slot < 0) slot = nm < MAX_MAPS ? nm++ : MAX_MAPS - 1;
    memcpy(names[slot], name.c_str(), name.size() + 1);
    user[slot] = false;
    added_file = file;
    added_slot = slot;
    return slot;
}

std::string cmap::path(int index) {
    if (index < 0 || index >= nm) return "";
    if (index == added_slot) return added_file;
    return (user[index] ? user_folder + "/" : std::string("krm/")) + names[index];
}

void cmap::get_name(int index, char *out) {
    out[0] = 0;
    if (index < 0 || index >= nm) return;
    int len = (int)strlen(names[index]) - 4; // drop ".krm"
    if (len < 0) len = 0;
    if (len > 10) len = 10;
    for (int i = 0; i < len; i++)
        out[i] = (char)toupper((unsigned char)names[index][i]);
    out[len] = 0;
}

// The 20x20 relief tile: the face at (0, 4) with four darker copies stacked behind it,
// each one pixel further right and higher. Only the top-left 16x16 of the source counts.
static BITMAP *make_relief(BITMAP *src) {
    BITMAP *tile = create_bitmap(20, 20);
    if (!tile) return nullptr;
    int mask = makecol(255, 0, 255);
    clear_to_color(tile, mask);
    int w = src->w < 16 ? src->w : 16;
    int h = src->h < 16 ? src->h : 16;
    for (int u = RELIEF_LAYERS; u >= 1; u--)
        for (int x = 0; x < w; x++)
            for (int y = 0; y < h; y++) {
                int p = getpixel(src, x, y);
                if (p != mask)
                    putpixel(tile, x + u - 1, y - u + 5,
                             makecol(getr(p) / u, getg(p) / u, getb(p) / u));
            }
    return tile;
}

// A 16 x height strip from the top colour towards the bottom one, in single precision.
static BITMAP *make_background(const int top[3], const int bottom[3], int height) {
    BITMAP *bg = create_bitmap(16, height);
    if (!bg) return nullptr;
    float c[3], step[3];
    for (int i = 0; i < 3; i++) {
        c[i] = (float)top[i];
        step[i] = (float)(bottom[i] - top[i]) / (float)height;
    }
    for (int y = 0; y < height; y++) {
        hline(bg, 0, y, 15, makecol((int)c[0], (int)c[1], (int)c[2]));
        for (int i = 0; i < 3; i++)
            c[i] += step[i];
    }
    return bg;
}

void cmap::set_cell(int c, int r, char ch) {
    grid[c][r] = ch;
    if (ch == '0') {
        for (int i = 0; i < MAX_BOXES; i++)
            if (!boxes[i].get_active()) {
                boxes[i].init(16 * c, 16 * r);
                break;
            }
    } else if (ch == '1') {
        for (int i = 0; i < MAX_BARRELS; i++)
            if (!barrels[i].get_active()) {
                barrels[i].init(16 * c, 16 * r);
                break;
            }
    } else if (ch >= 'A' && ch <= 'G' && nsp < MAP_MAX_SPAWNS) {
        spawn_x[nsp] = 16 * c;
        spawn_y[nsp] = 16 * r;
        nsp++;
    }
}

int cmap::find(const char *file) {
    for (int i = 0; i < nm; i++)
        if (strcmp(names[i], file) == 0) return i;
    return -1;
}

bool cmap::init() {
    int level = options.get_level();
    problem = "no such map in the list";
    if (level < 0 || level >= nm) return false;
    std::string path = this->path(level);

    // The file may have changed since the list was built: check it again.
    static mapfile mf;
    maperror err;
    problem.clear();
    if (!parse_map_file(path.c_str(), mf, err, tile_problem_in_bmp_folder)) {
        report(path.c_str(), err);
        problem = err.reason;
        return false;
    }

    // Images first, so a tile that will not load leaves the world untouched.
    BITMAP *made[MAP_MAX_TILES] = {};
    BITMAP *bg = nullptr;
    bool ok = true;
    for (int i = 0; i < mf.ntiles && ok; i++) {
        std::string tile_path = std::string("bmp/") + mf.tile[i];
        std::string why;
        BITMAP *img = load_checked_bmp(tile_path.c_str(), 0, 0, why);
        if (!img) {
            problem = "tile \"" + std::string(mf.tile[i]) + "\": " + why;
            say("%s: %s", path.c_str(), problem.c_str());
            ok = false;
            break;
        }
        if (mf.relief) {
            made[i] = make_relief(img);
            destroy_bitmap(img);
            if (!made[i]) ok = false;
        } else {
            made[i] = img;
        }
    }
    if (ok) {
        bg = make_background(mf.top, mf.bottom, mf.height);
        if (!bg) ok = false;
    }
    if (!ok) {
        if (problem.empty()) problem = "out of memory";
        for (int i = 0; i < MAP_MAX_TILES; i++)
            if (made[i]) destroy_bitmap(made[i]);
        return false;
    }

    width = mf.width;
    height = mf.height;
    relief = mf.relief;
    background = bg;
    for (int i = 0; i < MAP_MAX_TILES; i++)
        tiles[i] = made[i];

    nsp = 0;
    for (int r = 0; r < height / 16; r++) {
        for (int c = 0; c < width / 16; c++) {
            set_cell(c, r, mf.grid[c][r]);
        }
    }

    camx = width / 2 - 320;
    camy = height / 2 - 240;
    prerender();
    return true;
}

// The view as the game has always drawn it: the gradient, then the tiles of every cell
// in view, left to right and bottom to top (each relief is covered by the tiles above
// and right), onto the back buffer as far as its clipping rectangle allows.
static void draw_view(cmap &m) {
    BITMAP *b = bbuffer;
    if (m.background)
        for (int dx = 0; dx < 640; dx += 16)
            if (dx + 15 >= b->cl && dx < b->cr) blit(m.background, b, 0, m.camy, dx, 0, 16, 480);

    int cols = m.camx % 16 ? 41 : 40;
    int rows = m.camy % 16 ? 31 : 30;
    int lift = m.relief ? RELIEF_RISE : 0;
    int cols_in_map = m.width / 16, rows_in_map = m.height / 16;
    for (int i = 0; i < cols; i++) {
        int c = i + m.camx / 16;
        if (c < 0 || c >= cols_in_map || c >= MAP_MAX_CELLS) continue;
        int sx = 16 * i - m.camx % 16;
        for (int j = rows - 1; j >= 0; j--) {
            int r = j + m.camy / 16;
            if (r < 0 || r >= rows_in_map || r >= MAP_MAX_CELLS) continue;
            char ch = m.grid[c][r];
            if (ch < 'a' || ch > 'z') continue;
            BITMAP *tile = m.tiles[ch - 'a'];
            int sy = 16 * j - m.camy % 16 - lift;
            if (tile && sx < b->cr && sx + tile->w > b->cl && sy < b->cb && sy + tile->h > b->ct)
                draw_sprite(b, tile, sx, sy);
        }
    }
}

void cmap::prerender() {
    if (layer) destroy_bitmap(layer);
    layer = width > 0 && height > 0 ? create_bitmap(width, height) : nullptr;
    if (!layer) return; // no memory to spare: frames draw the view directly
    clear_to_color(layer, 0);
    if (background)
        for (int x = 0; x < width; x += 16)
            blit(background, layer, 0, 0, x, 0, 16, height);
    int lift = relief ? RELIEF_RISE : 0;
    for (int c = 0; c < width / 16 && c < MAP_MAX_CELLS; c++)
        for (int r = height / 16 - 1; r >= 0; r--) {
            if (r >= MAP_MAX_CELLS) continue;
            char ch = grid[c][r];
            if (ch < 'a' || ch > 'z' || !tiles[ch - 'a']) continue;
            draw_sprite(layer, tiles[ch - 'a'], 16 * c, 16 * r - lift);
        }
}

void cmap::draw() {
    if (!bbuffer) return;
    if (!layer || layer->w != width || layer->h != height || camx < 0 || camy < 0 ||
        camx + 640 > width || camy + 480 > height) {
        draw_view(*this);
        return;
    }
    blit(layer, bbuffer, camx, camy, 0, 0, 640, 480);

    // The layer also holds what tiles just outside the view reach into it, which a view
    // never drew: a relief's right and top edges from the column left of the view and
    // the row below it, and any oversized tile image. Those edges are drawn directly.
    int tile_w = 16, tile_h = 16;
    for (int i = 0; i < MAP_MAX_TILES; i++)
        if (tiles[i]) {
            if (tiles[i]->w > tile_w) tile_w = tiles[i]->w;
            if (tiles[i]->h > tile_h) tile_h = tiles[i]->h;
        }
    int lift = relief ? RELIEF_RISE : 0;
    int rows = camy % 16 ? 31 : 30;
    int left = tile_w - 16 - camx % 16;                // from the columns left of the view
    int top = tile_h - 16 - lift - camy % 16;          // from the rows above it
    int bottom = 480 - (16 * rows - camy % 16 - lift); // from the rows below it
    int cl = bbuffer->cl, ct = bbuffer->ct, cr = bbuffer->cr, cb = bbuffer->cb;
    if (left > 0) {
        set_clip_rect(bbuffer, 0, 0, left - 1, 479);
        draw_view(*this);
    }
    if (top > 0) {
        set_clip_rect(bbuffer, 0, 0, 639, top - 1);
        draw_view(*this);
    }
    if (bottom > 0) {
        set_clip_rect(bbuffer, 0, 480 - bottom, 639, 479);
        draw_view(*this);
    }
    set_clip_rect(bbuffer, cl, ct, cr - 1, cb - 1);
}

void cmap::damage(int x, int y) {
    spawn_particles((float)x, (float)y, false, TERRAIN_HIT_PARTICLES);
}

void cmap::deinit() {
    if (background) destroy_bitmap(background);
    background = nullptr;
    if (layer) destroy_bitmap(layer);
    layer = nullptr;
    for (int i = 0; i < MAP_MAX_TILES; i++) {
        if (tiles[i]) destroy_bitmap(tiles[i]);
        tiles[i] = nullptr;
    }
}
