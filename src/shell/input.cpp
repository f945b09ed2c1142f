#include "shell/input.h"

#include <allegro.h>
#include <atomic>
#include <cmath>
#include <strings.h>

#include "shell/shell.h"

cinput input;

// Presses seen by the library's callbacks since the last capture: a button or key
// pressed and released between two ticks still counts once.
static std::atomic<int> tapped_buttons{0};
static std::atomic<unsigned> tapped_keys[(KEY_MAX + 31) / 32];

// The same presses in order, each with where the pointer was (in the library's mouse
// pixels). A game that stalls for a moment (a busy machine, a screen change) takes
// the clicks made meanwhile and the pointer's later moves all at once: the menus get
// them one by one, each where it was made. Written by the callback, read by capture().
struct cpress {
    int buttons, mx, my;
};
const unsigned PRESS_QUEUE = 16; // presses kept while the game does not look; more are dropped
static cpress press_queue[PRESS_QUEUE];
static std::atomic<unsigned> press_head{0}, press_tail{0};

void input_mouse_event(int flags) {
    int b = 0;
    if (flags & MOUSE_FLAG_LEFT_DOWN) b |= BUTTON_LEFT;
    if (flags & MOUSE_FLAG_RIGHT_DOWN) b |= BUTTON_RIGHT;
    if (flags & MOUSE_FLAG_MIDDLE_DOWN) b |= BUTTON_MIDDLE;
    if (!b) return;
    tapped_buttons |= b;
    unsigned head = press_head.load(std::memory_order_relaxed);
    if (head - press_tail.load(std::memory_order_acquire) < PRESS_QUEUE) {
        press_queue[head % PRESS_QUEUE] = cpress{b, mouse_x, mouse_y};
        press_head.store(head + 1, std::memory_order_release);
    }
}

// On a menu: the next waiting press, at most one a tick, and a tick with its button up
// before it when the last tick showed that button down (the screens act on a press
// that follows a release, so two clicks never merge into one).
static void next_press(int &buttons, int last_buttons, int &x, int &y) {
    unsigned tail = press_tail.load(std::memory_order_relaxed);
    unsigned head = press_head.load(std::memory_order_acquire);
    if (tail == head) return;
    const cpress p = press_queue[tail % PRESS_QUEUE];
    int held = mouse_b & (BUTTON_LEFT | BUTTON_RIGHT | BUTTON_MIDDLE);
    if (last_buttons & p.buttons) {
        buttons = held & ~p.buttons;
        return;
    }
    press_tail.store(tail + 1, std::memory_order_release);
    // Held now only if no later press shows it was let go in between.
    buttons = p.buttons | (tail + 1 == head ? held : 0);
    x = pointer_x(p.mx);
    y = pointer_y(p.my);
}

void input_key_event(int scancode) {
    if (scancode & 0x80) return; // a release
    int k = scancode & 0x7f;
    if (k > 0 && k < KEY_MAX) tapped_keys[k / 32] |= 1u << (k % 32);
}

static const char *const ACTION_NAMES[ACT_COUNT] = {
    "LEFT",     "RIGHT",    "JUMP",     "RELOAD",   "FIRE",        "GRENADE",
    "WEAPON 1", "WEAPON 2", "WEAPON 3", "WEAPON 4", "WEAPON 5",    "WEAPON 6",
    "WEAPON 7", "WEAPON 8", "PAUSE",    "SCORES",   "NEXT WEAPON", "PREV WEAPON"};

const char *action_name(int action) {
    return action >= 0 && action < ACT_COUNT ? ACTION_NAMES[action] : "?";
}

// Key names by scancode, as the library numbers them (KEY_A is 1).
static const char *const KEY_NAMES[KEY_MAX] = {
    "NONE",      "A",          "B",          "C",          "D",        "E",          "F",
    "G",         "H",          "I",          "J",          "K",        "L",          "M",
    "N",         "O",          "P",          "Q",          "R",        "S",          "T",
    "U",         "V",          "W",          "X",          "Y",        "Z",          "0",
    "1",         "2",          "3",          "4",          "5",        "6",          "7",
    "8",         "9",          "PAD0",       "PAD1",       "PAD2",     "PAD3",       "PAD4",
    "PAD5",      "PAD6",       "PAD7",       "PAD8",       "PAD9",     "F1",         "F2",
    "F3",        "F4",         "F5",         "F6",         "F7",       "F8",         "F9",
    "F10",       "F11",        "F12",        "ESCAPE",     "TILDE",    "MINUS",      "EQUALS",
    "BACKSPACE", "TAB",        "OPENBRACE",  "CLOSEBRACE", "ENTER",    "COLON",      "QUOTE",
    "BACKSLASH", "BACKSLASH2", "COMMA",      "STOP",       "SLASH",    "SPACE",      "INSERT",
    "DELETE",    "HOME",       "END",        "PGUP",       "PGDN",     "LEFT",       "RIGHT",
    "UP",        "DOWN",       "PADSLASH",   "PADSTAR",    "PADMINUS", "PADPLUS",    "PADDELETE",
    "PADENTER",  "PRTSCR",     "PAUSE",      "ABNT_C1",    "YEN",      "KANA",       "CONVERT",
    "NOCONVERT", "AT",         "CIRCUMFLEX", "COLON2",     "KANJI",    "PADEQUALS",  "BACKQUOTE",
    "SEMICOLON", "COMMAND",    "UNKNOWN1",   "UNKNOWN2",   "UNKNOWN3", "UNKNOWN4",   "UNKNOWN5",
    "UNKNOWN6",  "UNKNOWN7",   "UNKNOWN8",   "LSHIFT",     "RSHIFT",   "LCONTROL",   "RCONTROL",
    "ALT",       "ALTGR",      "LWIN",       "RWIN",       "MENU",     "SCROLLLOCK", "NUMLOCK",
    "CAPSLOCK"};
static const char *const BUTTON_NAMES[3] = {"MOUSE1", "MOUSE2", "MOUSE3"};

const char *binding_name(int binding) {
    if (binding >= 0 && binding < KEY_MAX) return KEY_NAMES[binding];
    if (binding >= BIND_MOUSE && binding < BIND_MOUSE + 3)
        return BUTTON_NAMES[binding - BIND_MOUSE];
    return nullptr;
}

int binding_by_name(const char *name) {
    if (!name) return -1;
    for (int k = 0; k < KEY_MAX; k++)
        if (strcasecmp(name, KEY_NAMES[k]) == 0) return k;
    for (int b = 0; b < 3; b++)
        if (strcasecmp(name, BUTTON_NAMES[b]) == 0) return BIND_MOUSE + b;
    return -1;
}

bool bindable(int binding) {
    if (binding == KEY_ESC) return false;
    return binding_name(binding) != nullptr;
}

cinput::cinput()
    : pressed_now(BIND_NONE), escape_seen(false), pad_installed(false), menu_mode(true), pad_aim(false),
      pad_pointer(false), aim_dx(1), aim_dy(0), anchor_x(320), anchor_y(240), pad_x(0), pad_y(0),
      last_mouse_x(0), last_mouse_y(0) {
    defaults();
    clear();
}

void cinput::defaults() {
    for (int a = 0; a < ACT_COUNT; a++)
        binding[a] = DEFAULT_BINDINGS[a];
}

int cinput::shares_binding(int action) const {
    if (action < 0 || action >= ACT_COUNT || binding[action] == BIND_NONE) return -1;
    for (int a = 0; a < action; a++)
        if (binding[a] == binding[action]) return a;
    return -1;
}

bool cinput::bind(int action, int b) {
    if (action < 0 || action >= ACT_COUNT || !bindable(b)) return false;
    int old = binding[action];
    if (b != BIND_NONE)
        for (int a = 0; a < ACT_COUNT; a++)
            if (a != action && binding[a] == b) binding[a] = old;
    binding[action] = b;
    return true;
}

void cinput::install_pad() {
    pad_installed = install_joystick(JOY_TYPE_AUTODETECT) == 0 && num_joysticks > 0;
}

int cinput::draw_x() const { return pad_pointer || pad_aim ? cur.x : pointer_x(); }
int cinput::draw_y() const { return pad_pointer || pad_aim ? cur.y : pointer_y(); }

// Every axis of the first pad in the order the system reports them, -128 to 128.
static int pad_axes(int *axes, int max) {
    int n = 0;
    const JOYSTICK_INFO &j = joy[0];
    for (int s = 0; s < j.num_sticks && s < MAX_JOYSTICK_STICKS; s++)
        for (int a = 0; a < j.stick[s].num_axis && a < MAX_JOYSTICK_AXIS && n < max; a++)
            axes[n++] = j.stick[s].axis[a].pos;
    return n;
}

static bool pad_button(int b) {
    return b < joy[0].num_buttons && b < MAX_JOYSTICK_BUTTONS && joy[0].button[b].b;
}

// Moves the pad's share of this tick into cur: actions in a match, pointer and clicks
// on a menu. Adds the pad's clicks to buttons.
void cinput::read_pad(int &buttons) {
    if (pad_installed) poll_joystick();
    if (num_joysticks <= 0) return;

    int axes[MAX_JOYSTICK_STICKS * MAX_JOYSTICK_AXIS] = {};
    int n = pad_axes(axes, MAX_JOYSTICK_STICKS * MAX_JOYSTICK_AXIS);
    int lx = n > 1 ? axes[0] : 0, ly = n > 1 ? axes[1] : 0;
    int rx = 0, ry = 0, trigger = -128, hx = 0;
    if (n >= 6) {
        rx = axes[3], ry = axes[4], trigger = axes[5];
        if (n >= 8) hx = axes[6];
    } else if (n >= 4) {
        rx = axes[2], ry = axes[3];
    }

    if (menu_mode) {
        if (abs(lx) > PAD_DEAD_ZONE || abs(ly) > PAD_DEAD_ZONE) {
            if (!pad_pointer) pad_x = cur.x, pad_y = cur.y;
            pad_pointer = true;
            if (abs(lx) > PAD_DEAD_ZONE) pad_x += lx * PAD_POINTER_SPEED / 128;
            if (abs(ly) > PAD_DEAD_ZONE) pad_y += ly * PAD_POINTER_SPEED / 128;
            pad_x = MID(0, pad_x, 639);
            pad_y = MID(0, pad_y, 479);
        }
        if (pad_pointer) cur.x = pad_x, cur.y = pad_y;
        if (pad_button(PAD_JUMP)) buttons |= BUTTON_LEFT;
        return;
    }

    unsigned a = 0;
    if (lx < -PAD_DEAD_ZONE || hx < -PAD_DEAD_ZONE) a |= 1u << ACT_LEFT;
    if (lx > PAD_DEAD_ZONE || hx > PAD_DEAD_ZONE) a |= 1u << ACT_RIGHT;
    if (pad_button(PAD_JUMP)) a |= 1u << ACT_JUMP;
    if (pad_button(PAD_THROW)) a |= 1u << ACT_GRENADE;
    if (pad_button(PAD_FIRE) || trigger > 32) a |= 1u << ACT_FIRE;
    if (pad_button(PAD_RELOAD)) a |= 1u << ACT_RELOAD;
    if (pad_button(PAD_PREV)) a |= 1u << ACT_PREV_WEAPON;
    if (pad_button(PAD_NEXT)) a |= 1u << ACT_NEXT_WEAPON;
    if (pad_button(PAD_SCORES)) a |= 1u << ACT_SCORES;
    if (pad_button(PAD_PAUSE)) a |= 1u << ACT_PAUSE;
    cur.actions |= a;

    // The right stick points the crosshair; released, it stays where it pointed last.
    if (rx * rx + ry * ry > PAD_DEAD_ZONE * PAD_DEAD_ZONE) {
        float len = sqrtf((float)(rx * rx + ry * ry));
        aim_dx = rx / len;
        aim_dy = ry / len;
        pad_aim = true;
    }
    if (pad_aim) {
        cur.x = anchor_x + (int)lroundf(aim_dx * PAD_AIM_REACH);
        cur.y = anchor_y + (int)lroundf(aim_dy * PAD_AIM_REACH);
    }
}

static_assert(KEY_MAX <= KEY_SLOTS, "the capture keeps every key the library has");

void cinput::clear() {
    cur = ctick_input{0, 0, 0, 0, false};
    for (unsigned &k : keys) k = 0;
}

void cinput::install() {
    mouse_callback = input_mouse_event;
    keyboard_lowlevel_callback = input_key_event;
}

void cinput::uninstall() {
    mouse_callback = nullptr;
    keyboard_lowlevel_callback = nullptr;
}

void cinput::capture() {
    unsigned taps[(KEY_MAX + 31) / 32];
    for (int i = 0; i < (KEY_MAX + 31) / 32; i++)
        taps[i] = tapped_keys[i].exchange(0);
    int taps_b = tapped_buttons.exchange(0);
    int buttons = (mouse_b | taps_b) & (BUTTON_LEFT | BUTTON_RIGHT | BUTTON_MIDDLE);
    cur.x = pointer_x();
    cur.y = pointer_y();
    if (menu_mode)
        next_press(buttons, cur.buttons, cur.x, cur.y);
    else // a match takes every press since the last tick at once, and aims where the pointer is
        press_tail.store(press_head.load(std::memory_order_acquire), std::memory_order_release);
    cur.escape = key[KEY_ESC] != 0;

    for (int k = 0; k < KEY_SLOTS; k++) {
        bool on = k > 0 && k < KEY_MAX && (key[k] || ((taps[k / 32] >> (k % 32)) & 1));
        if (on)
            keys[k / 32] |= 1u << (k % 32);
        else
            keys[k / 32] &= ~(1u << (k % 32));
    }
    if (key_down(KEY_ESC)) escape_seen = true;
    // The mouse moved: the pointer is the mouse's again.
    if (mouse_x != last_mouse_x || mouse_y != last_mouse_y) pad_aim = pad_pointer = false;
    last_mouse_x = mouse_x, last_mouse_y = mouse_y;
    cur.buttons = buttons;

    cur.actions = 0;
    for (int a = 0; a < ACT_COUNT; a++) {
        int b = binding[a];
        bool on = false;
        if (b >= BIND_MOUSE && b < BIND_MOUSE + 3)
            on = (cur.buttons >> (b - BIND_MOUSE)) & 1;
        else if (b > 0 && b < KEY_MAX)
            on = key[b] || ((taps[b / 32] >> (b % 32)) & 1);
        if (on) cur.actions |= 1u << a;
    }

    read_pad(cur.buttons);

    const size_t MAX_TYPED = 32; // characters kept from one tick, far more than anyone types
    typed_now.clear();
    while (keyboard_driver && keypressed()) {
        int c = ureadkey(nullptr);
        if (c > 0 && c < 128 && typed_now.size() < MAX_TYPED) typed_now += (char)c;
    }

    pressed_now = BIND_NONE;
    for (int k = 1; k < KEY_MAX && pressed_now == BIND_NONE; k++)
        if ((taps[k / 32] >> (k % 32)) & 1) pressed_now = k;
    for (int b = 0; b < 3 && pressed_now == BIND_NONE; b++)
        if ((taps_b >> b) & 1) pressed_now = BIND_MOUSE + b;
}
