#include "shell/network.h"

#include <allegro.h>

#include "match/control.h"
#include "net/driver.h"
#include "net/netmatch.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "world/map.h"

cnetwork network;
clobby lobby;

static const char *const GAMETYPE_NAMES[4] = {"DEATHMATCH", "TEAMMATCH", "RPG-ARENA", "INSTAGIB"};
static const char *const SKILL_NAMES[3] = {"HARD", "MEDIUM", "EASY"};

static bool inside(int x, int y, int x1, int y1, int x2, int y2) {
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;
}

// Escape, or the left button, pressed now and not held since the screen opened or last
// acted on it.
static bool pressed(bool down, bool &latch) {
    if (!down) return latch = false;
    if (latch) return false;
    return latch = true;
}

// ---- the NETWORK screen ----

void cnetwork::init() {
    wants = NETWORK_STAY;
    latch = escape_latch = true;
    address_field.editing = false;
    address_field.max_chars = 60;
    if (!address.empty() && !address_field.editing) address_field.text = address;
    if (address_field.text.empty()) address_field.text = "127.0.0.1";
    games.clear();
    ticks = 0;
    presses++;
}

void cnetwork::quit() { finder.stop(); }

// Steps a number one up or down within lo..hi.
static void step(int &v, int by, int lo, int hi) {
    if (v + by >= lo && v + by <= hi) v += by;
}

// The host's settings: two columns of arrow pairs, up raises, down lowers (the game
// type and skill step through their lists).
static bool host_arrows(int &players, int x, int y) {
    int col = x >= 138 && x <= 147 ? 0 : x >= 278 && x <= 287 ? 1 : -1;
    if (col < 0) return false;
    static const int ROW_UP[3] = {121, 167, 213};
    for (int r = 0; r < 3; r++) {
        int by = y >= ROW_UP[r] && y <= ROW_UP[r] + 8 ? 1 : y >= ROW_UP[r] + 10 && y <= ROW_UP[r] + 18 ? -1 : 0;
        if (!by) continue;
        if (col == 0 && r == 0) step(options.gametype, -by, 0, 3);
        if (col == 0 && r == 1) step(options.kills, by, 1, 25);
        if (col == 0 && r == 2) step(options.bots, by, 1, 5);
        if (col == 1 && r == 0) step(options.level, -by, 0, map.get_nm() - 1);
        if (col == 1 && r == 1) step(options.skill, -by, 0, 2);
        if (col == 1 && r == 2) step(players, by, 2, NET_SHOWN_PLAYERS);
        return true;
    }
    return false;
}

void cnetwork::click(int x, int y) {
    bool on_address = inside(x, y, 326, 252, 608, 265);
    if (address_field.editing && !on_address) address_field.keep();
    if (on_address) {
        address_field.begin();
        return;
    }
    if (host_arrows(players, x, y)) return;
    if (inside(x, y, 105, 300, 225, 320)) {
        wants = NETWORK_HOST;
    } else if (inside(x, y, 407, 300, 527, 320)) {
        address = address_field.text;
        wants = NETWORK_JOIN;
    } else if (inside(x, y, 260, 362, 379, 382)) {
        wants = NETWORK_BACK;
    } else if (inside(x, y, 326, 120, 608, 120 + NET_LIST_ROWS * 12 - 1)) {
        size_t row = (size_t)(y - 120) / 12;
        if (row < games.size()) {
            address = games[row].address + ":" + std::to_string(games[row].offer.port);
            address_field.text = address;
            wants = NETWORK_JOIN;
        }
    }
}

void cnetwork::update() {
    // The LAN is asked again every few seconds; hosts that answered stay listed until
    // a round passes without them.
    if (ticks++ % NET_ASK_EVERY == 0) {
        if (ticks > 1) games = finder.found;
        finder.ask(NET_DEFAULT_PORT);
        presses++;
    }
    size_t before = finder.found.size();
    finder.poll();
    for (size_t i = before; i < finder.found.size(); i++) {
        bool known = false;
        for (cnet_found &g : games)
            if (g.address == finder.found[i].address && g.offer.port == finder.found[i].offer.port)
                g = finder.found[i], known = true;
        if (!known) games.push_back(finder.found[i]);
        presses++;
    }

    bool escape = input.key_down(KEY_ESC);
    if (address_field.editing) {
        if (!input.typed().empty()) presses++;
        if (address_field.type(input.typed()) && input.typed().find('\r') != std::string::npos) {
            address = address_field.text;
            wants = NETWORK_JOIN;
        }
        escape_latch = true; // Escape while typing ends only the typing
    }
    if (pressed(escape, escape_latch)) {
        wants = NETWORK_BACK;
        return;
    }
    if (!pressed(input.button(BUTTON_LEFT), latch)) return;
    presses++;
    click(input.x(), input.y());
}

bool cnetwork::changed() { return look.changed(input.draw_x(), input.draw_y(), presses); }

void cnetwork::draw() {
    if (!bbuffer) return;
    if (bnetwork) blit(bnetwork, bbuffer, 0, 0, 0, 0, 640, 480);
    else clear_to_color(bbuffer, makecol(0, 0, 0));
    int white = makecol(255, 255, 255), grey = makecol(150, 160, 190);
    char mapname[11] = "";
    if (options.level >= 0 && options.level < map.get_nm()) map.get_name(options.level, mapname);
    textprintf_right_ex(bbuffer, font, 130, 127, white, -1, "%s", GAMETYPE_NAMES[options.gametype & 3]);
    textprintf_right_ex(bbuffer, font, 130, 173, white, -1, "%d", options.kills);
    textprintf_right_ex(bbuffer, font, 130, 219, white, -1, "%d", options.bots);
    textprintf_right_ex(bbuffer, font, 270, 127, white, -1, "%s", mapname);
    textprintf_right_ex(bbuffer, font, 270, 173, white, -1, "%s", SKILL_NAMES[options.skill % 3]);
    textprintf_right_ex(bbuffer, font, 270, 219, white, -1, "%d", players);
    textprintf_centre_ex(bbuffer, font, 165, 256, grey, -1, "INPUT DELAY %d (OPTIONS)", options.delay);
    textprintf_centre_ex(bbuffer, font, 165, 270, grey, -1, "YOU PLAY AS %s", options.name.c_str());

    for (size_t i = 0; i < games.size() && i < (size_t)NET_LIST_ROWS; i++) {
        const cnet_found &g = games[i];
        int y = 120 + (int)i * 12;
        std::string mapname = g.offer.map.substr(0, g.offer.map.rfind(".krm"));
        textprintf_ex(bbuffer, font, 330, y, white, -1, "%-14.14s %-8.8s %d/%d", g.offer.name.c_str(),
                      mapname.c_str(), g.offer.players, g.offer.slots);
        textprintf_right_ex(bbuffer, font, 604, y, grey, -1, "%d MS", g.ping_ms);
    }
    if (games.empty()) textout_centre_ex(bbuffer, font, "NONE YET", 467, 163, grey, -1);
    address_field.draw(bbuffer, 330, 255, white);
    if (!message.empty())
        textout_centre_ex(bbuffer, font, message.c_str(), 320, 344, makecol(255, 200, 64), -1);
    if (bcursor) draw_sprite(bbuffer, bcursor, input.draw_x(), input.draw_y());
    present(0, 0);
}

// ---- the lobby ----

std::string lobby_row(const cnetmatch &m, int slot) {
    std::string row = std::to_string(slot + 1) + "  ";
    if (!m.human(slot)) return row + (slot < m.settings().players ? "OPEN" : "BOT");
    row += m.name(slot);
    if (slot == 0 && m.is_host() == (m.local_slot() == 0)) row += " (HOST)";
    if (slot == m.local_slot()) row += " (YOU)";
    return row;
}

void clobby::init(cnetmatch &m) {
    net = &m;
    leave = no_answer = false;
    connecting = 0;
    latch = escape_latch = true;
    presses++;
}

void clobby::update() {
    net->frame(ccontrol{});
    if (net->state() != logged_state) {
        logged_state = net->state();
        net_log("state %d slot %d", logged_state, net->local_slot());
    }
    // A host that never answers: the lobby gives up long before the connection would.
    bool reaching = net->state() == NETMATCH_CONNECTING && net->status().rfind("CONNECTING", 0) == 0;
    connecting = reaching ? connecting + 1 : 0;
    if (connecting > NET_ANSWER_TICKS) {
        no_answer = leave = true;
        return;
    }
    if (pressed(input.key_down(KEY_ESC), escape_latch)) {
        leave = true;
        return;
    }
    if (!pressed(input.button(BUTTON_LEFT), latch)) return;
    presses++;
    int x = input.x(), y = input.y();
    if (inside(x, y, 190, 362, 310, 382) && net->is_host()) net->start();
    if (inside(x, y, 330, 362, 450, 382)) leave = true;
}

bool clobby::changed() {
    std::string now = net->status();
    for (int i = 0; i < NET_MAX_PLAYERS; i++) now += lobby_row(*net, i);
    bool differs = now != shown;
    shown = now;
    return look.changed(input.draw_x(), input.draw_y(), presses) || differs;
}

void clobby::draw() {
    if (!bbuffer) return;
    if (blobby) blit(blobby, bbuffer, 0, 0, 0, 0, 640, 480);
    else clear_to_color(bbuffer, makecol(0, 0, 0));
    int white = makecol(255, 255, 255), grey = makecol(150, 160, 190);
    const cnet_settings &s = net->settings();
    if (net->state() >= NETMATCH_LOBBY) {
        textprintf_centre_ex(bbuffer, font, 320, 96, white, -1, "%s  KILLS %d  MAP %s",
                             GAMETYPE_NAMES[s.gametype & 3], s.kills, s.map.c_str());
        textprintf_centre_ex(bbuffer, font, 320, 110, grey, -1, "%d PLAYERS  BOTS %d  SKILL %s  DELAY %d",
                             s.players, s.bots, SKILL_NAMES[s.skill % 3], s.delay);
        for (int i = 0; i < s.players + s.bots && i < NET_MAX_PLAYERS; i++)
            textout_ex(bbuffer, font, lobby_row(*net, i).c_str(), 140, 134 + i * 13,
                       i == net->local_slot() ? makecol(255, 220, 64) : white, -1);
    }
    if (net->is_host())
        textprintf_centre_ex(bbuffer, font, 320, 240, grey, -1, "OTHERS JOIN AT PORT %d", net->port());
    textout_centre_ex(bbuffer, font, net->status().c_str(), 320, 300, makecol(255, 200, 64), -1);
    if (!net->is_host()) // only the host starts: its button shows dimmed
        for (int y = 362; y <= 382; y++)
            for (int x = 190; x <= 310; x++) {
                int c = getpixel(bbuffer, x, y);
                putpixel(bbuffer, x, y, makecol(getr(c) / 3, getg(c) / 3, getb(c) / 3));
            }
    if (bcursor) draw_sprite(bbuffer, bcursor, input.draw_x(), input.draw_y());
    present(0, 0);
}
