#ifndef KRAG_WEAPONS_WEAPON_H
#define KRAG_WEAPONS_WEAPON_H

#include <allegro.h>

class cplayer;

// The carried weapon. Only this family is polymorphic.
class cbweapon {
  public:
    float ammo;  // rounds in the clip; fractional while refilling
    float angle; // aim, copied from the owner every tick
    float clip;  // clip size
    float x, y;  // pivot point in map pixels
    int type;    // weapon kind 1-9
    bool trigger;
    bool reloading;
    cplayer *owner;

    virtual int get_delay() { return 0; }
    virtual void draw() {}
    virtual void update() {}
    virtual ~cbweapon() {}

    int get_ammo() { return (int)(ammo * 100 / clip); }
    int get_type() { return type; }
    bool get_reloading() { return reloading; }
    void reload();
    void shoot() { trigger = true; }
    bool facing_right() { return angle > -1.57f && angle < 1.57f; }

  protected:
    cbweapon(cplayer *owner, int type, float clip);
    // Aim, place the pivot in the owner's hands and run the reload; shared first half
    // of every update. `step` is the refill per tick, doubled under fast fire.
    void follow(int ax_right, int ay_right, int ax_left, int ay_left, double r, double phi,
                double step);
    void draw_held(BITMAP *sprite, int flipped_pivot_y);
    // The shot sound, placed at the muzzle point `distance` px out.
    void play_shot(SAMPLE *const *pair, double distance);
    // Trigger handling of the bullet weapons: true when a round leaves this tick
    // (the round is spent and the cooldown started; the caller makes the shot).
    // A spinning weapon (the minigun) winds its cooldown back up to 100 when released.
    bool bullet_trigger(int &delay, int cooldown, int fast_cooldown, bool spins);
    // Trigger handling of the one-round weapons: true when the round leaves.
    bool single_trigger();
    double muzzle_x(double distance);
    double muzzle_y(double distance);
    // Up to `pellets` bullets from the first free slots, starting `back` px behind
    // the pivot, each turned by (rand() % (2 * spread + 1) - spread) * 0.025 rad.
    void spray(int pellets, double back, int spread, int damage);
    // Muzzle flash and spent shell of the bullet weapons.
    void eject(double flash_distance, bool big_flash, double shell_distance, bool big_shell);
};

class cgun : public cbweapon {
  public:
    int delay; // ticks until the next shot is allowed

    explicit cgun(cplayer *owner);
    int get_delay() override { return delay; }
    void draw() override;
    void update() override;
    void shot();
};

class cmachine_gun : public cbweapon {
  public:
    int delay; // ticks until the next shot is allowed

    explicit cmachine_gun(cplayer *owner);
    int get_delay() override { return delay; }
    void draw() override;
    void update() override;
    void shot();
};

class cshotgun : public cbweapon {
  public:
    int delay; // ticks until the next shot is allowed

    explicit cshotgun(cplayer *owner);
    int get_delay() override { return delay; }
    void draw() override;
    void update() override;
    void shot();
};

class cminigun : public cbweapon {
  public:
    int delay; // ticks until the next shot is allowed

    explicit cminigun(cplayer *owner);
    int get_delay() override { return delay; }
    void draw() override;
    void update() override;
    void shot();
};

class csniper_rifle : public cbweapon {
  public:
    int delay; // ticks until the next shot is allowed

    explicit csniper_rifle(cplayer *owner);
    int get_delay() override { return delay; }
    void draw() override;
    void update() override;
    void shot();
};

class crocket_launcher : public cbweapon {
  public:
    explicit crocket_launcher(cplayer *owner);
    void draw() override;
    void update() override;
    void shot();
};

// Its looping sound is the watcher's, made from what each tick announces.
class cflamethrower : public cbweapon {
  public:
    explicit cflamethrower(cplayer *owner);
    void draw() override;
    void update() override;
    void shot();
};

class cgrenade_launcher : public cbweapon {
  public:
    explicit cgrenade_launcher(cplayer *owner);
    void draw() override;
    void update() override;
    void shot();
};

class claser_rifle : public cbweapon {
  public:
    explicit claser_rifle(cplayer *owner);
    void draw() override;
    void update() override;
    void shot();
};

// Puts a new weapon of a kind (1-9) into its owner's hands (in the owner's weapon
// storage, ending any weapon held there) and returns it; nullptr for any other kind,
// leaving the held weapon alone.
cbweapon *make_weapon(int kind, cplayer *owner);

#endif
