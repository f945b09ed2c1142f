#ifndef KRAG_MATCH_CONTROL_H
#define KRAG_MATCH_CONTROL_H

// What the player of one slot does on one world tick: the actions held (bit n is
// action n of the input layer's list: walk, jump, reload, fire, grenade, weapon 1-8,
// ...), the mouse buttons held (BUTTON_... bits), and where they aim, in world pixels
// as seen in their view when the tick began. This machine's human makes one from the
// captured input, a replay from its file, a peer from the network; a bot's slot
// ignores its own.
struct ccontrol {
    unsigned actions;
    int buttons;
    int aim_x, aim_y;

    bool held(int action) const { return (actions >> action) & 1; }
    bool button(int bits) const { return (buttons & bits) != 0; }
};

#endif
