#include "support.h"

#include <allegro.h>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <gtest/gtest.h>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "match/game.h"
#include "match/events.h"
#include "match/hud.h"
#include "match/world.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "players/powerup.h"
#include "shell/data.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "weapons/weapon.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

void headless() {
    static bool started = false;
    if (!started) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        set_color_depth(32);
        set_color_conversion(COLORCONV_TOTAL);
        started = true;
    }
    if (!bbuffer) bbuffer = create_bitmap(640, 480);
    sound_record(true);
    sound_log_clear();
}

void load_real_data() {
    headless();
    static bool loaded = false;
    if (loaded) return;
    if (bbuffer) {
        destroy_bitmap(bbuffer);
        bbuffer = nullptr;
    }
    std::vector<std::string> missing = load_data();
    ASSERT_TRUE(missing.empty()) << "missing asset " << missing[0];
    loaded = true;
}

void fresh_world() {
    headless();
    world_clear(true);
    options = coptions();
    game = cgame();
    map.camx = map.camy = 0;
    sound_log_clear();
    events_reset();
}

void take_input() { game.take(0, game.local_control()); }

void set_map(const std::vector<std::string> &rows) {
    int nrows = (int)rows.size();
    int ncols = nrows ? (int)rows[0].size() : 0;
    map.width = ncols * 16;
    map.height = nrows * 16;
    map.nsp = 0;
    memset(map.grid, '.', sizeof(map.grid));
    for (int r = 0; r < nrows; r++)
        for (int c = 0; c < ncols && c < (int)rows[r].size(); c++)
            map.set_cell(c, r, rows[r][c]);
}

cplayer *place_player(int i, float x, float y, bool bot, int team) {
    cplayer &p = players[i];
    p.init(i);
    p.bot = bot;
    p.team = (char)team;
    p.x = x;
    p.y = y;
    p.vx = p.vy = 0;
    p.angle = 0;
    p.throw_power = 0;
    p.leg_counter = 195;
    p.leg_step = 0;
    p.route = 0;
    p.reaction = 0;
    p.close_count = 0;
    p.hold = -1;
    p.grenade_timer = 300;
    p.firerate_timer = 0;
    p.heatseek_timer = 0;
    p.health = 100;
    p.grenades = 3;
    p.spawn_protection = 0;
    return &p;
}

std::string fuzz_dir() {
    std::string here = __FILE__; // .../tests/unit/support.cpp
    return here.substr(0, here.rfind("/unit/")) + "/fuzz/";
}

std::vector<std::string> files_in(const std::string &dir) {
    std::vector<std::string> v;
    DIR *d = opendir(dir.c_str());
    if (!d) return v;
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.') v.push_back(e->d_name);
    closedir(d);
    return v;
}

int rgb(int r, int g, int b) { return makecol(r, g, b); }
