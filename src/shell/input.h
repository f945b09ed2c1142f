#ifndef KRAG_SHELL_INPUT_H
#define KRAG_SHELL_INPUT_H

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
    ACT_COUNT
};

// A binding is a key scancode (1 to KEY_MAX - 1) or BIND_MOUSE + n for mouse button n
// (0 left, 1 right, 2 middle); 0 binds nothing.
const int BIND_MOUSE = 1000;
const int BIND_NONE = 0;

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

class cinput {
  public:
    int binding[ACT_COUNT]; // what each action is bound to

    cinput();
    void defaults();  // today's bindings: A, D, W, R, left and right button, 1-8
    void install();   // hooks the library's callbacks so that quick taps are not lost
    void uninstall(); // unhooks them (before the library shuts down)
    void capture();   // reads the devices for this logic tick
    void set(const ctick_input &t) { cur = t; } // a replay or a test supplies the tick
    void clear();                               // nothing held, pointer at 0, 0

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

  private:
    ctick_input cur;
    unsigned keys[KEY_SLOTS / 32]; // set() leaves these alone: they are the real keyboard
};

extern cinput input;

// The library's callbacks (they run on its input thread); public for tests.
void input_mouse_event(int flags);
void input_key_event(int scancode);

#endif
