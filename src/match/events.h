#ifndef KRAG_MATCH_EVENTS_H
#define KRAG_MATCH_EVENTS_H

#include <allegro.h>

// What the world lets the watcher hear and feel: it announces sounds, blasts and each
// flamethrower's tick while it runs a tick, and this module plays them. A tick run
// again after a restore announces its things again; each is started only once (the
// n-th sound of a sample in a tick is the same sound however often the tick runs), and
// one that only a prediction made may be cut short but is never doubled. Volume by
// distance, the pan (see hearing.h), the shake and the flamethrower's loop are decided
// here, from the camera.

// The world begins its tick number `tick` (counted from 1 in a match), for the first
// time or again.
void announce_tick(int tick);
// A sound at a world point: full volume in view, 64 outside.
void announce_sound(SAMPLE *sample, float x, float y);
// A sound heard only while its point is in view.
void announce_near_sound(SAMPLE *sample, float x, float y);
// A blast: in view it is loud and shakes the screen; outside it is heard at 64.
void announce_blast(SAMPLE *sample, float x, float y);
// A slot's flamethrower's tick: fired or not, muzzle at (x, y). The loop starts, fades
// in (to a murmur when the flames start off screen) or fades out from these.
void announce_flame(int slot, bool fired, float x, float y);
// The slot's flamethrower is gone (its holder died): its loop stops at once.
void announce_flame_end(int slot);

// A new match or a test's fresh world: nothing heard yet, every loop stopped.
void events_reset();
// While muted nothing is heard or shaken (a match run behind the scenes).
void events_mute(bool on);
// The slot's looping flamethrower voice, -1 when silent.
int flame_voice(int slot);

#endif
