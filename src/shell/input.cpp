#include "shell/input.h"

#include <allegro.h>
#include <atomic>

#include "shell/shell.h"

cinput input;

// Presses seen by the library's callbacks since the last capture: a button or key
// pressed and released between two ticks still counts once.
static std::atomic<int> tapped_buttons{0};
static std::atomic<unsigned> tapped_keys[(KEY_MAX + 31) / 32];

void input_mouse_event(int flags) {
    int b = 0;
    if (flags & MOUSE_FLAG_LEFT_DOWN) b |= BUTTON_LEFT;
    if (flags & MOUSE_FLAG_RIGHT_DOWN) b |= BUTTON_RIGHT;
    if (flags & MOUSE_FLAG_MIDDLE_DOWN) b |= BUTTON_MIDDLE;
    if (b) tapped_buttons |= b;
}

void input_key_event(int scancode) {
    if (scancode & 0x80) return; // a release
    int k = scancode & 0x7f;
    if (k > 0 && k < KEY_MAX) tapped_keys[k / 32] |= 1u << (k % 32);
}

cinput::cinput() {
    defaults();
    clear();
}

void cinput::defaults() {
    binding[ACT_LEFT] = KEY_A;
    binding[ACT_RIGHT] = KEY_D;
    binding[ACT_JUMP] = KEY_W;
    binding[ACT_RELOAD] = KEY_R;
    binding[ACT_FIRE] = BIND_MOUSE + 0;
    binding[ACT_GRENADE] = BIND_MOUSE + 1;
    for (int n = 0; n < 8; n++)
        binding[ACT_WEAPON1 + n] = KEY_1 + n;
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
    cur.buttons =
        (mouse_b | tapped_buttons.exchange(0)) & (BUTTON_LEFT | BUTTON_RIGHT | BUTTON_MIDDLE);
    cur.x = pointer_x();
    cur.y = pointer_y();
    cur.escape = key[KEY_ESC] != 0;

    for (int k = 0; k < KEY_SLOTS; k++) {
        bool on = k > 0 && k < KEY_MAX && (key[k] || ((taps[k / 32] >> (k % 32)) & 1));
        if (on)
            keys[k / 32] |= 1u << (k % 32);
        else
            keys[k / 32] &= ~(1u << (k % 32));
    }

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
}
