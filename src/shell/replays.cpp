#include "shell/replays.h"

#include <algorithm>
#include <allegro.h>
#include <cstdlib>
#include <cstring>

#include "match/replay.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/shell.h"

creplays replays;

static const char *const TYPE_NAMES[4] = {"DEATHMATCH", "TEAMMATCH", "RPG-ARENA", "INSTAGIB"};
static const int ROW_X1 = 48, ROW_X2 = 572, ROW_Y = 98, ROW_STEP = 12;
static const int ARROW_X1 = 580, ARROW_X2 = 589, UP_Y1 = 96, UP_Y2 = 104, DOWN_Y1 = 106,
                 DOWN_Y2 = 114;
static const size_t NAME_SHOWN = 30; // characters of a file name shown

std::string describe_replay(const std::string &path) {
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.size() > 4) name.resize(name.size() - 4); // ".krr"
    if (name.size() > NAME_SHOWN) name.resize(NAME_SHOWN);
    name.resize(NAME_SHOWN + 1, ' ');

    creplay r;
    std::string err;
    if (!read_replay_file(path, r, err)) return name + "CANNOT BE PLAYED";
    const creplay_settings &s = r.header.settings;
    std::string text = name + TYPE_NAMES[s.gametype];
    text.resize(name.size() + 12, ' ');
    text += std::to_string(s.bots) + (s.bots == 1 ? " BOT   " : " BOTS  ");
    if (!r.finished) return text + "UNFINISHED";
    const char *w = strstr(r.result.c_str(), "winner=");
    int winner = w ? atoi(w + 7) : -1;
    if (winner < 0) return text + "NO WINNER";
    // Slot 0 is the human, and the human plays in team 0.
    return text + (winner == 0 ? "WON" : "LOST");
}

void creplays::init() {
    files = list_replays(replay_dir());
    rows.clear();
    for (const std::string &f : files)
        rows.push_back(describe_replay(f));
    first = 0;
    chosen.clear();
    quit = false;
    latch = true;
    escape_latch = true;
}

static bool inside(int x, int y, int x1, int y1, int x2, int y2) {
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;
}

bool creplays::changed() { return look.changed(pointer_x(), pointer_y(), presses, first); }

void creplays::update() {
    bool escape = input.key_down(KEY_ESC); // a quick tap counts too
    if (!escape) escape_latch = false;
    if (escape && !escape_latch) {
        quit = true;
        return;
    }

    if (!input.button(BUTTON_LEFT)) {
        latch = false;
        return;
    }
    if (latch) return;
    latch = true;
    presses++;

    int x = input.x(), y = input.y();
    int count = (int)files.size();
    if (inside(x, y, ARROW_X1, UP_Y1, ARROW_X2, UP_Y2)) {
        first = first >= REPLAY_ROWS ? first - REPLAY_ROWS : 0;
    } else if (inside(x, y, ARROW_X1, DOWN_Y1, ARROW_X2, DOWN_Y2)) {
        if (first + REPLAY_ROWS < count) first += REPLAY_ROWS;
    } else if (inside(x, y, 260, 362, 379, 382)) {
        quit = true;
    } else if (inside(x, y, ROW_X1, ROW_Y - 1, ROW_X2, ROW_Y - 2 + REPLAY_ROWS * ROW_STEP)) {
        int i = first + (y - (ROW_Y - 1)) / ROW_STEP;
        if (i < count) {
            chosen = files[i];
            quit = true;
        }
    }
}

void creplays::draw() {
    if (!bbuffer) return;
    if (breplays)
        blit(breplays, bbuffer, 0, 0, 0, 0, 640, 480);
    else
        clear_to_color(bbuffer, makecol(0, 0, 0));
    int white = makecol(255, 255, 255), lit = makecol(255, 220, 120);
    int px = pointer_x(), py = pointer_y();
    if (files.empty())
        textprintf_ex(bbuffer, font, 56, ROW_Y, white, -1, "NO MATCHES RECORDED YET");
    for (int r = 0; r < REPLAY_ROWS && first + r < (int)files.size(); r++) {
        int y = ROW_Y + r * ROW_STEP;
        bool over = inside(px, py, ROW_X1, y - 1, ROW_X2, y + ROW_STEP - 2);
        textprintf_ex(bbuffer, font, 56, y, over ? lit : white, -1, "%s", rows[first + r].c_str());
    }
    if (!files.empty())
        textprintf_right_ex(bbuffer, font, 570, 83, white, -1, "%d-%d OF %d", first + 1,
                            std::min(first + REPLAY_ROWS, (int)files.size()), (int)files.size());
    if (!message.empty())
        textprintf_centre_ex(bbuffer, font, 320, 349, makecol(255, 96, 64), -1, "%s",
                             message.c_str());
    if (bcursor) draw_sprite(bbuffer, bcursor, px, py);
    present(0, 0);
}
