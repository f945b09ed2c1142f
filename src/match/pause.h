#ifndef KRAG_MATCH_PAUSE_H
#define KRAG_MATCH_PAUSE_H

// Pausing a match. The match loop hands every logic tick to the pause first; a tick
// the pause keeps never reaches the world, so nothing moves and no timer runs (slow
// motion included) until the match resumes exactly where it stopped. The pause action
// pauses, and so does losing the window's focus when PAUSE IF INACTIVE is ticked; the
// pause action or a click resumes.
class cpause {
  public:
    cpause() : paused(false), key_latch(false), click_latch(false), snapshot_due(false) {}
    void init(); // a new match, running
    // One logic tick, reading the captured input. True when the tick belongs to the
    // pause (paused, or the tick that pauses or resumes): the world must not run it.
    bool update();
    bool is_paused() const { return paused; }
    void draw(); // the frozen frame with the PAUSED banner (and the scoreboard while held)
    void end();  // the match is left: sound back on, the frozen frame freed

  private:
    bool paused;
    bool key_latch;    // pause action held since it last acted
    bool click_latch;  // left button held since it last acted
    bool snapshot_due; // the frozen frame is still to be taken
    void set(bool on);
};

extern cpause pauser;

// The library's display-switch callback: the window lost the focus (any thread).
void pause_on_focus_loss();

#endif
