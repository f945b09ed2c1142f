#include "shell/netview.h"

#include <allegro.h>

#include "players/player.h"
#include "shell/data.h"

static const char *const WEAPON_NAMES[] = {"",        "GUN",          "MACHINE GUN",     "SHOTGUN",
                                           "MINIGUN", "SNIPER RIFLE", "ROCKET LAUNCHER", "FLAMETHROWER",
                                           "GRENADE LAUNCHER", "LASER RIFLE"};

static std::string slot_name(int slot, const std::string names[]) {
    if (slot < 0 || slot >= MAX_PLAYERS) return "?";
    return names[slot].empty() ? "BOT " + std::to_string(slot) : names[slot];
}

std::string kill_line(const cnet_kill &k, const std::string names[]) {
    std::string victim = slot_name(k.victim, names);
    if (k.killer < 0) return victim + "  DIED";
    if (k.killer == k.victim) return victim + "  SUICIDE";
    bool known = k.weapon >= W_GUN && k.weapon <= W_LASER;
    return slot_name(k.killer, names) + "  " + (known ? WEAPON_NAMES[k.weapon] : "KILLED") + "  " + victim;
}

void ckillfeed::clear() {
    for (int i = 0; i < FEED_LINES; i++) text[i].clear(), age[i] = 0;
}

void ckillfeed::add(const std::string &line) {
    for (int i = FEED_LINES - 1; i > 0; i--) text[i] = text[i - 1], age[i] = age[i - 1];
    text[0] = line;
    age[0] = 0;
}

void ckillfeed::update() {
    for (int i = 0; i < FEED_LINES; i++)
        if (!text[i].empty() && ++age[i] >= FEED_TICKS) text[i].clear();
}

static void shadowed(const char *s, int x, int y, int colour) {
    textout_ex(bbuffer, font, s, x + 1, y + 1, makecol(0, 0, 0), -1);
    textout_ex(bbuffer, font, s, x, y, colour, -1);
}

void ckillfeed::draw(int right, int top) const {
    if (!bbuffer) return;
    int y = top;
    for (int i = 0; i < FEED_LINES; i++) {
        if (text[i].empty()) continue;
        int left = FEED_TICKS - age[i];
        int v = left >= FEED_FADE_TICKS ? 255 : 64 + 191 * left / FEED_FADE_TICKS;
        shadowed(text[i].c_str(), right - text_length(font, text[i].c_str()), y, makecol(v, v, v));
        y += 10;
    }
}

void draw_name_above(const std::string &name, int x, int y) {
    if (!bbuffer || name.empty()) return;
    shadowed(name.c_str(), x - text_length(font, name.c_str()) / 2, y, makecol(230, 235, 255));
}

void draw_status_band(const std::string &text, int y) {
    if (!bbuffer || text.empty()) return;
    int w = text_length(font, text.c_str());
    rectfill(bbuffer, 320 - w / 2 - 8, y - 5, 320 + w / 2 + 8, y + 12, makecol(14, 17, 34));
    rect(bbuffer, 320 - w / 2 - 8, y - 5, 320 + w / 2 + 8, y + 12, makecol(70, 88, 146));
    textout_centre_ex(bbuffer, font, text.c_str(), 320, y, makecol(255, 220, 64), -1);
}
