#include "match/scoreboard.h"

#include <allegro.h>

#include "match/game.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/options.h"

cscoreboard scoreboard;

static std::string names[MAX_PLAYERS];

void scoreboard_name(int slot, const std::string &name) {
    if (slot >= 0 && slot < MAX_PLAYERS) names[slot] = name;
}

const std::string &scoreboard_name_of(int slot) {
    static const std::string none;
    return slot >= 0 && slot < MAX_PLAYERS ? names[slot] : none;
}

void scoreboard_names_clear() {
    for (std::string &n : names) n.clear();
}

void cscoreboard::init() {
    for (int i = 0; i < MAX_PLAYERS; i++)
        deaths[i] = suicides[i] = streak[i] = 0;
}

void cscoreboard::death(int victim, int killer) {
    if (victim < 0 || victim >= MAX_PLAYERS) return;
    deaths[victim]++;
    streak[victim] = 0;
    if (killer == victim)
        suicides[victim]++;
    else if (killer >= 0 && killer < MAX_PLAYERS)
        streak[killer]++;
}

int cscoreboard::order(int *slots) {
    int n = 0;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        if (!players[i].get_active()) continue;
        // Insertion keeps equal kill counts in slot order.
        int j = n++;
        while (j > 0 && players[slots[j - 1]].get_kills() < players[i].get_kills()) {
            slots[j] = slots[j - 1];
            j--;
        }
        slots[j] = i;
    }
    return n;
}

// Only while its key is held: a decided match shows nothing but the won or lost picture.
bool cscoreboard::shown() { return input.held(ACT_SCORES); }

// Table geometry: it ends above the won and lost pictures (y 230).
static const int LEFT = 110, RIGHT = 530, TOP = 40;
static const int HEADER_H = 16, ROW_H = 20, TOTAL_H = 12;
static const int COL_NAME = 142, COL_TEAM = 206, COL_KILLS = 318, COL_DEATHS = 380,
                 COL_SUICIDES = 456, COL_STREAK = 518; // right edges of the number columns

static void draw_figure(cplayer &p, int x, int y) {
    if (bhead[p.hair]) draw_sprite(bbuffer, bhead[p.hair], x + 5, y);
    if (bbody[p.shirt]) draw_sprite(bbuffer, bbody[p.shirt], x + 3, y + 6);
    // Only the top of the legs, so the trousers' colour shows in a short row.
    BITMAP *legs = blegs[p.pants * 4];
    if (legs) masked_blit(legs, bbuffer, 0, 0, x, y + 16, legs->w, 3);
}

void cscoreboard::draw() {
    if (!bbuffer) return;
    bool teams = options.get_gametype() == GT_TEAMMATCH;
    int slots[MAX_PLAYERS];
    int n = order(slots);
    int bottom = TOP + HEADER_H + n * ROW_H + (teams ? 2 * TOTAL_H + 4 : 0) + 6;

    int white = makecol(255, 255, 255), grey = makecol(150, 160, 190);
    int gold = makecol(255, 220, 64);
    rectfill(bbuffer, LEFT, TOP, RIGHT, bottom, makecol(14, 17, 34));
    rect(bbuffer, LEFT, TOP, RIGHT, bottom, makecol(0, 0, 0));
    rect(bbuffer, LEFT + 1, TOP + 1, RIGHT - 1, bottom - 1, makecol(70, 88, 146));

    // Players' own names need room: the team column moves right for them.
    bool named = false;
    for (const std::string &name : names) named = named || !name.empty();
    int col_team = named ? COL_KILLS - 56 : COL_TEAM;
    int name_chars = ((teams ? col_team : COL_KILLS - 24) - COL_NAME) / 8 - 1;
    int y = TOP + 5;
    textout_ex(bbuffer, font, "PLAYER", COL_NAME, y, grey, -1);
    if (teams) textout_ex(bbuffer, font, "TEAM", col_team, y, grey, -1);
    textout_right_ex(bbuffer, font, "KILLS", COL_KILLS, y, grey, -1);
    textout_right_ex(bbuffer, font, "DEATHS", COL_DEATHS, y, grey, -1);
    textout_right_ex(bbuffer, font, "SUICIDES", COL_SUICIDES, y, grey, -1);
    textout_right_ex(bbuffer, font, "STREAK", COL_STREAK, y, grey, -1);

    y = TOP + HEADER_H;
    for (int k = 0; k < n; k++, y += ROW_H) {
        int i = slots[k];
        cplayer &p = players[i];
        int c = i == game.local ? gold : white;
        draw_figure(p, LEFT + 8, y + 1);
        if (!names[i].empty())
            textprintf_ex(bbuffer, font, COL_NAME, y + 7, c, -1, "%.*s", name_chars, names[i].c_str());
        else if (i == game.local)
            textout_ex(bbuffer, font, "YOU", COL_NAME, y + 7, c, -1);
        else if (game.human(i))
            textprintf_ex(bbuffer, font, COL_NAME, y + 7, c, -1, "PLAYER %d", i + 1);
        else
            textprintf_ex(bbuffer, font, COL_NAME, y + 7, c, -1, "BOT %d", i);
        if (teams) textout_ex(bbuffer, font, p.get_team() ? "RED" : "BLUE", col_team, y + 7, c, -1);
        textprintf_right_ex(bbuffer, font, COL_KILLS, y + 7, c, -1, "%d", p.get_kills());
        textprintf_right_ex(bbuffer, font, COL_DEATHS, y + 7, c, -1, "%d", deaths[i]);
        textprintf_right_ex(bbuffer, font, COL_SUICIDES, y + 7, c, -1, "%d", suicides[i]);
        textprintf_right_ex(bbuffer, font, COL_STREAK, y + 7, c, -1, "%d", streak[i]);
    }
    if (!teams) return;

    hline(bbuffer, LEFT + 6, y + 1, RIGHT - 6, makecol(70, 88, 146));
    y += 5;
    for (int t = 0; t < 2; t++, y += TOTAL_H) {
        int d = 0, s = 0;
        for (int i = 0; i < MAX_PLAYERS; i++)
            if (players[i].get_active() && players[i].get_team() == t)
                d += deaths[i], s += suicides[i];
        int c = t == 0 ? makecol(110, 150, 255) : makecol(255, 100, 90);
        textout_ex(bbuffer, font, t == 0 ? "BLUE TEAM" : "RED TEAM", COL_NAME, y, c, -1);
        textprintf_right_ex(bbuffer, font, COL_KILLS, y, c, -1, "%d", game.teamkills(t));
        textprintf_right_ex(bbuffer, font, COL_DEATHS, y, c, -1, "%d", d);
        textprintf_right_ex(bbuffer, font, COL_SUICIDES, y, c, -1, "%d", s);
    }
}
