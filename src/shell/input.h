#ifndef KRAG_SHELL_INPUT_H
#define KRAG_SHELL_INPUT_H

#include <allegro.h>
#include <string>

// The player's input, captured once per logic tick. The human's controller, the HUD's
// weapon choice, the menu and the options screen all read the captured copy, never
// the devices, so a tick sees one consistent state and a replay can stand in for it.

// Things the human does in a match; each is bound to a key or a mouse button.
enum {
    ACT_LEFT,
    ACT_RIGHT,
    ACT_JUMP,
    ACT_RELOAD,
    ACT_FIRE,
    ACT_GRENADE,
    ACT_WEAPON1, // ACT_WEAPON1 + n - 1 chooses weapon n (1-8) while waiting to respawn
    ACT_WEAPON8 = ACT_WEAPON1 + 7,
    ACT_PAUSE,       // pause or resume the match
    ACT_SCORES,      // hold to show the scoreboard
    ACT_NEXT_WEAPON, // step the weapon choice while waiting to respawn
    ACT_PREV_WEAPON,
    ACT_COUNT
};

// The name of an action as the controls screen and the settings file show it.
const char *action_name(int action);

// Key names: "A", "SPACE", "MOUSE1" (left button), "NONE"... Null for a binding that
// is not a key, mouse button or nothing.
const char *binding_name(int binding);
// The binding of a name (case does not matter); -1 for an unknown name.
int binding_by_name(const char *name);
// Whether the player may bind this key or button (Escape stays reserved).
bool bindable(int binding);

// A binding is a key scancode (1 to KEY_MAX - 1) or BIND_MOUSE + n for mouse button n
// (0 left, 1 right, 2 middle); 0 binds nothing.
const int BIND_MOUSE = 1000;
const int BIND_NONE = 0;

// What each action is bound to out of the box (a constant, so the settings table that
// names these defaults is complete before any constructor runs).
constexpr int DEFAULT_BINDINGS[ACT_COUNT] = {
    KEY_A, KEY_D, KEY_W, KEY_R, BIND_MOUSE + 0, BIND_MOUSE + 1, KEY_1,   KEY_2,     KEY_3,
    KEY_4, KEY_5, KEY_6, KEY_7, KEY_8,          KEY_P,          KEY_TAB, BIND_NONE, BIND_NONE};
constexpr int default_binding(int action) {
    return action >= 0 && action < ACT_COUNT ? DEFAULT_BINDINGS[action] : BIND_NONE;
}

// Mouse button bits, as the library's mouse_b.
const int BUTTON_LEFT = 1;
const int BUTTON_RIGHT = 2;
const int BUTTON_MIDDLE = 4;

const int KEY_SLOTS = 128; // key scancodes the capture keeps (the library's KEY_MAX fits)

// One logic tick's input.
struct ctick_input {
    unsigned
        actions; // bit (1 << ACT_...) set while the action is held, or tapped since the last tick
    int x, y;    // pointer in back-buffer pixels
    int buttons; // BUTTON_... bits: held, or pressed since the last tick
    bool escape; // Escape held
};

// The pad as the game reads it, from the library's joystick state. Axes run -128 to
// 128 in the order the system reports them; the layout most pads share is assumed:
// 0/1 left stick, 3/4 right stick, 5 right trigger, 6/7 d-pad (a four-axis pad has its
// right stick on 2/3 and no trigger axis).
const int PAD_DEAD_ZONE = 40;    // stick travel (of 128) that counts as centred
const int PAD_AIM_REACH = 80;    // pixels from the player's centre to the crosshair
const int PAD_POINTER_SPEED = 8; // pointer pixels per tick at full stick on a menu
enum {
    PAD_JUMP,   // button 0 (A): jump; clicks on a menu
    PAD_THROW,  // button 1 (B): hold to charge a grenade, release to throw
    PAD_FIRE,   // button 2 (X), or the right trigger
    PAD_RELOAD, // button 3 (Y)
    PAD_PREV,   // button 4 (left shoulder): previous weapon while waiting to respawn
    PAD_NEXT,   // button 5 (right shoulder)
    PAD_SCORES, // button 6 (back)
    PAD_PAUSE,  // button 7 (start)
    PAD_BUTTONS
};

class cinput {
  public:
    int binding[ACT_COUNT]; // what each action is bound to

    cinput();
    void defaults();  // today's bindings: A, D, W, R, left and right button, 1-8, P, Tab
    void install();   // hooks the library's callbacks so that quick taps are not lost
    void uninstall(); // unhooks them (before the library shuts down)
    void capture();   // reads the devices for this logic tick
    void set(const ctick_input &t) { cur = t; } // a replay or a test supplies the tick
    void clear();                               // nothing held, pointer at 0, 0

    // Binds an action; an action that had the key or button already gets this one's
    // old binding, so nothing is ever bound twice. False (and nothing changed) for a
    // binding the player may not choose.
    bool bind(int action, int binding);
    // The first key or mouse button pressed since the previous tick (BIND_MOUSE + n for
    // a button), or BIND_NONE; read by the controls screen while it waits for one.
    int pressed() const { return pressed_now; }
    // An action before this one in the list with the same key or button, or -1.
    int shares_binding(int action) const;

    // The pad: installed at start-up when the system has one. In a match (menu false)
    // it walks, jumps, aims and fires; on the menus it moves the pointer and its first
    // button clicks.
    void install_pad();
    void set_menu(bool on) { menu_mode = on; }
    // Where the human's centre is on the screen, for the pad's crosshair (the match
    // sets it after every world tick).
    void set_aim_anchor(int x, int y) { anchor_x = x, anchor_y = y; }
    bool pad_aiming() const { return pad_aim; }
    // Where the pointer is drawn: the captured one while the pad moves it, else the
    // library's pointer as it is now.
    int draw_x() const;
    int draw_y() const;

    const ctick_input &now() const { return cur; }
    bool held(int action) const { return (cur.actions >> action) & 1; }
    bool button(int bits) const { return (cur.buttons & bits) != 0; }
    int x() const { return cur.x; }
    int y() const { return cur.y; }
    // A key held at this tick's capture or pressed since the last one, by scancode;
    // for screens whose keys are not bound actions (the replay viewer's).
    bool key_down(int scancode) const {
        return scancode > 0 && scancode < KEY_SLOTS && ((keys[scancode / 32] >> (scancode % 32)) & 1);
    }
    // Characters the keyboard typed since the last tick, as the library reads them
    // ('\b' Backspace, '\r' Enter, 27 Escape; nothing beyond ASCII), for a text field.
    const std::string &typed() const { return typed_now; }
    void set_typed(const std::string &t) { typed_now = t; } // a test types
    // Whether Escape was down at any capture since the last call. A frame late on a busy
    // machine runs several ticks, and a quick tap seen by the first capture is gone by
    // the last; a loop that checks once a frame asks this instead of key_down().
    bool take_escape() {
        bool e = escape_seen;
        escape_seen = false;
        return e;
    }

  private:
    ctick_input cur;
    unsigned keys[KEY_SLOTS / 32]; // set() leaves these alone: they are the real keyboard
    int pressed_now;
    std::string typed_now;
    bool escape_seen;
    bool pad_installed, menu_mode;
    bool pad_aim;           // the right stick set the crosshair since the mouse last moved
    bool pad_pointer;       // the left stick moved the pointer since the mouse last moved
    float aim_dx, aim_dy;   // last direction of the right stick (unit length)
    int anchor_x, anchor_y; // human's centre on the screen
    int pad_x, pad_y;       // pointer moved by the pad, in back-buffer pixels
    int last_mouse_x, last_mouse_y;
    void read_pad(int &buttons);
};

extern cinput input;

// The library's callbacks (they run on its input thread); public for tests.
void input_mouse_event(int flags);
void input_key_event(int scancode);

#endif
