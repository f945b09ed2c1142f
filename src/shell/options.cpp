#include "shell/options.h"

#include <allegro.h>

#include "net/wire.h"
#include "shell/controls.h"
#include "shell/data.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/shell.h"
#include "players/player.h"
#include "world/map.h"

coptions options;

static const char *const GAMETYPE_NAMES[4] = {"DEATHMATCH", "TEAMMATCH", "RPG-ARENA", "INSTAGIB"};
static const char *const SKILL_NAMES[3] = {"HARD", "MEDIUM", "EASY"};
static const char *const HAIR_NAMES[3] = {"BLACK", "BROWN", "YELLOW"};
static const char *const COLOUR_NAMES[3] = {"BLUE", "GREEN", "RED"};
static const char *const MARK_NAMES[2] = {"SPAWN", "ALWAYS"};

coptions::coptions()
    : mapname{}, latch(false), scaled_pending(false), is_scaled(false), scaled_available(false),
      window_pending(true), window(true), quit(false), replays_asked(false), presses(0),
      escape_latch(false) {
    settings_defaults(*this);
}

// The display name of the chosen map; blank while the map list is empty.
static void fetch_map_name(coptions &o) {
    o.mapname[0] = '\0';
    if (o.level >= 0 && o.level < map.get_nm()) map.get_name(o.level, o.mapname);
}

void coptions::init() {
    latch = true;
    escape_latch = true;
    // Back from the list of replays, video ticks not yet applied are still pending.
    if (!replays_asked) {
        scaled_pending = is_scaled;
        window_pending = window;
    }
    replays_asked = false;
    quit = false;
    name_field.text = name;
    name_field.editing = false;
    fetch_map_name(*this);
    if (controls.is_open()) controls = ccontrols(); // a screen left open by a quit request
}

static bool inside(int x, int y, int x1, int y1, int x2, int y2) {
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;
}

// Left column of arrows: marker, game type, kill limit, bots, skill. False when no
// arrow is hit.
static bool left_arrows(coptions &o, int x, int y) {
    if (x < 234 || x > 243) return false;
    if (y >= 109 && y <= 117) {
        o.markme = MARK_SPAWN;
    } else if (y >= 119 && y <= 127) {
        o.markme = MARK_ALWAYS;
    } else if (y >= 155 && y <= 163) {
        if (o.gametype > 0) o.gametype--;
    } else if (y >= 165 && y <= 173) {
        if (o.gametype <= 2) o.gametype++;
    } else if (y >= 201 && y <= 209) {
        if (o.kills <= 24) o.kills++;
    } else if (y >= 211 && y <= 219) {
        if (o.kills > 1) o.kills--;
    } else if (y >= 247 && y <= 255) {
        if (o.bots <= 4) o.bots++;
    } else if (y >= 257 && y <= 265) {
        if (o.bots > 1) o.bots--;
    } else if (y >= 293 && y <= 301) {
        if (o.skill > 0) o.skill--;
    } else if (y >= 303 && y <= 311) {
        if (o.skill <= 1) o.skill++;
    } else {
        return false;
    }
    return true;
}

// Middle column: map, hair, shirt, pants, blood. False when no arrow is hit (the leave
// button lies below this column).
static bool middle_arrows(coptions &o, int x, int y) {
    if (x < 361 || x > 370) return false;
    if (y >= 109 && y <= 117) {
        if (o.level > 0) {
            o.level--;
            fetch_map_name(o);
        }
    } else if (y >= 119 && y <= 127) {
        if (o.level < map.get_nm() - 1) {
            o.level++;
            fetch_map_name(o);
        }
    } else if (y >= 155 && y <= 163) {
        if (o.hair <= 1) o.hair++;
    } else if (y >= 165 && y <= 173) {
        if (o.hair > 0) o.hair--;
    } else if (y >= 201 && y <= 209) {
        if (o.shirt <= 1) o.shirt++;
    } else if (y >= 211 && y <= 219) {
        if (o.shirt > 0) o.shirt--;
    } else if (y >= 247 && y <= 255) {
        if (o.pants <= 1) o.pants++;
    } else if (y >= 257 && y <= 265) {
        if (o.pants > 0) o.pants--;
    } else if (y >= 293 && y <= 301) {
        if (o.blood > 2) o.blood /= 2;
    } else if (y >= 303 && y <= 311) {
        if (o.blood <= 7) o.blood *= 2;
    } else {
        return false;
    }
    return true;
}

// The name field: typing goes into it, Enter, Escape or a click elsewhere ends it; the
// name is then made usable (never empty, nothing unprintable).
static void end_typing(coptions &o, ctext_field &f) {
    f.keep();
    o.name = usable_name(f.text);
    f.text = o.name;
}

void coptions::update() {
    // The controls screen opens over this one and takes its ticks while it is open.
    bool escape = input.key_down(KEY_ESC); // a quick tap counts too
    if (controls.is_open()) {
        controls.update();
        if (!controls.is_open()) latch = escape_latch = true;
        // Anything pressed may have changed what the controls screen shows.
        if (input.pressed() != BIND_NONE || input.now().buttons || escape) presses++;
        return;
    }
    if (name_field.editing) {
        if (!input.typed().empty()) presses++;
        if (name_field.type(input.typed())) end_typing(*this, name_field);
        escape_latch = true; // Escape while typing ends only the typing
    }
    // Escape leaves as BACK does; one still held from the controls screen or the menu
    // must come up first.
    if (!escape) escape_latch = false;
    if (escape && !escape_latch) {
        presses++;
        leave();
        return;
    }
    if (!input.button(BUTTON_LEFT)) {
        latch = false;
        return;
    }
    if (latch) return;
    latch = true;
    presses++;

    int x = input.x();
    int y = input.y();

    bool on_name = inside(x, y, 388, 112, 516, 125);
    if (name_field.editing && !on_name) end_typing(*this, name_field);
    if (on_name) {
        name_field.begin();
        return;
    }
    if (left_arrows(*this, x, y) || middle_arrows(*this, x, y)) return;
    if (inside(x, y, 500, 154, 509, 162)) {
        if (delay < NET_MAX_DELAY) delay++;
        return;
    }
    if (inside(x, y, 500, 164, 509, 172)) {
        if (delay > 0) delay--;
        return;
    }

    // Tick boxes.
    if (y >= 162 && y <= 166) {
        if (x >= 397 && x <= 401) health = !health;
        else if (x >= 424 && x <= 428) grenades = !grenades;
        else if (x >= 451 && x <= 455) firerate = !firerate;
        return;
    }
    if (y >= 177 && y <= 181) {
        if (x >= 410 && x <= 414) heatseek = !heatseek;
        else if (x >= 437 && x <= 441) slowmotion = !slowmotion;
        return;
    }
    if (inside(x, y, 397, 208, 401, 212)) {
        fps = !fps;
        return;
    }
    if (inside(x, y, 397, 231, 401, 235)) {
        pause_inactive = !pause_inactive;
        return;
    }
    if (inside(x, y, 397, 323, 401, 327)) {
        stereo = !stereo;
        return;
    }
    if (inside(x, y, 397, 277, 401, 281)) {
        fullscreen_scale = fullscreen_scale == FULLSCREEN_FILL ? FULLSCREEN_SHARP : FULLSCREEN_FILL;
        return;
    }
    if (inside(x, y, 397, 254, 401, 258)) {
        window_pending = !window_pending;
        if (!window_pending) scaled_pending = false; // the doubled window is a window
        return;
    }
    if (inside(x, y, 397, 300, 401, 304)) {
        if (scaled_available) {
            scaled_pending = !scaled_pending;
            if (scaled_pending) window_pending = true;
        }
        return;
    }

    if (inside(x, y, 120, 362, 250, 382)) {
        controls.init();
        return;
    }
    if (inside(x, y, 390, 362, 520, 382)) {
        replays_asked = true;
        quit = true;
        return;
    }

    if (inside(x, y, 260, 362, 379, 382)) leave();
}

// BACK or Escape: a changed video setting asks the main loop for the new mode.
void coptions::leave() {
    if (name_field.editing) end_typing(*this, name_field);
    if (window_pending != window || scaled_pending != is_scaled) {
        int c = CHOICE_WINDOW;
        if (!window_pending) c = CHOICE_FULLSCREEN;
        else if (scaled_pending) c = CHOICE_SCALED;
        menu.set_choice(c);
        window = window_pending;
        is_scaled = scaled_pending;
    }
    quit = true;
}

bool coptions::changed() { return look.changed(input.draw_x(), input.draw_y(), presses); }

void coptions::draw() {
    if (!bbuffer) return;
    if (controls.is_open()) {
        controls.draw();
        return;
    }
    if (boptions) blit(boptions, bbuffer, 0, 0, 0, 0, 640, 480);
    else clear_to_color(bbuffer, makecol(0, 0, 0));

    int white = makecol(255, 255, 255);
    int grey = makecol(64, 64, 64);
    // Team matches dress everyone in team colours, so the clothes settings show unused.
    int clothes = gametype == GT_TEAMMATCH ? grey : white;

    textprintf_right_ex(bbuffer, font, 226, 115, white, -1, "%s",
                        MARK_NAMES[markme == MARK_ALWAYS]);
    textprintf_right_ex(bbuffer, font, 226, 161, white, -1, "%s", GAMETYPE_NAMES[gametype]);
    textprintf_right_ex(bbuffer, font, 226, 207, white, -1, "%i", kills);
    textprintf_right_ex(bbuffer, font, 226, 253, white, -1, "%i", bots);
    textprintf_right_ex(bbuffer, font, 226, 299, white, -1, "%s", SKILL_NAMES[skill]);
    textprintf_right_ex(bbuffer, font, 353, 115, white, -1, "%s", mapname);
    textprintf_right_ex(bbuffer, font, 353, 161, white, -1, "%s", HAIR_NAMES[hair]);
    textprintf_right_ex(bbuffer, font, 353, 207, clothes, -1, "%s", COLOUR_NAMES[shirt]);
    textprintf_right_ex(bbuffer, font, 353, 253, clothes, -1, "%s", COLOUR_NAMES[pants]);
    textprintf_right_ex(bbuffer, font, 353, 299, white, -1, "%i%%", 200 / blood);
    name_field.draw(bbuffer, 392, 115, white);
    textprintf_right_ex(bbuffer, font, 491, 160, white, -1, "%i", delay);

    // A desktop too small for the doubled window: its box and label show greyed.
    if (!scaled_available) {
        rectfill(bbuffer, 397, 300, 401, 304, grey);
        textout_ex(bbuffer, font, "DOUBLE SIZE", 408, 299, grey, -1);
    }
    if (bcross) {
        if (health) draw_sprite(bbuffer, bcross, 397, 162);
        if (grenades) draw_sprite(bbuffer, bcross, 424, 162);
        if (firerate) draw_sprite(bbuffer, bcross, 451, 162);
        if (heatseek) draw_sprite(bbuffer, bcross, 410, 177);
        if (slowmotion) draw_sprite(bbuffer, bcross, 437, 177);
        if (fps) draw_sprite(bbuffer, bcross, 397, 208);
        if (pause_inactive) draw_sprite(bbuffer, bcross, 397, 231);
        if (stereo) draw_sprite(bbuffer, bcross, 397, 323);
        if (fullscreen_scale == FULLSCREEN_FILL) draw_sprite(bbuffer, bcross, 397, 277);
        if (window_pending) draw_sprite(bbuffer, bcross, 397, 254);
        if (scaled_pending) draw_sprite(bbuffer, bcross, 397, 300);
    }
    if (bcursor) draw_sprite(bbuffer, bcursor, input.draw_x(), input.draw_y());
    present(0, 0);
}
