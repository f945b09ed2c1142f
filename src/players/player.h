#ifndef KRAG_PLAYERS_PLAYER_H
#define KRAG_PLAYERS_PLAYER_H

class cbweapon;

const int MAX_PLAYERS = 6;
const int WEAPON_BYTES = 64; // room for the largest weapon inside its holder
const int RESPAWN_TICKS = 500;
const int SPAWN_PROTECTION_TICKS = 350;
const int SELECTOR_HEALTH = -350; // the human's weapon choice opens when health reaches this
const float NO_FORCE = 1000.0f;   // a blow without direction

// Weapon kinds.
const int W_GUN = 1, W_MACHINE_GUN = 2, W_SHOTGUN = 3, W_MINIGUN = 4, W_SNIPER = 5,
          W_ROCKET = 6, W_FLAMETHROWER = 7, W_GRENADE_LAUNCHER = 8, W_LASER = 9;

// Game types.
const int GT_DEATHMATCH = 0, GT_TEAMMATCH = 1, GT_RPG_ARENA = 2, GT_INSTAGIB = 3;

// Power-up kinds.
const int PU_HEALTH = 0, PU_GRENADES = 1, PU_FIRERATE = 2, PU_HEATSEEK = 3, PU_SLOWMOTION = 4;

// Bot route commands.
const int ROUTE_NONE = 0, ROUTE_JUMP = 1, ROUTE_RIGHT = 2, ROUTE_LEFT = 3;

// One fighter in a slot, human or bot, as the match's human slots say (cgame::humans):
// `bot` follows them, set at init and when a human leaves.
class cplayer {
  public:
    float angle;       // aim, radians; also the facing
    float throw_power; // hand grenade charge, 0-6
    float x, y;        // top-left of the 14x28 body box
    float vx, vy;      // vx: this tick's walk request; vy: vertical speed
    int leg_counter;   // leg animation, frame = leg_counter / 100
    int leg_step;      // leg step requested this tick
    int route;         // bot route command
    int reaction;      // bot reaction delay, ticks
    int close_count;   // bot: ticks in a row with an enemy 20 px or closer
    int hold;          // bot: ticks to stand still, -1 when not engaged
    int grenade_timer; // bot: ticks before the next grenade
    int firerate_timer;
    int hair;
    int health; // 1-100 alive; negative while dead (counts up to 0, then spawns)
    int heatseek_timer;
    int kills;
    int grenades;
    int pants;
    int spawn_protection; // ticks
    int shirt;
    int slowmotion; // ticks
    int view_x, view_y; // a human's view: the world pixel at its top-left, following them
    bool active;
    bool bot;
    char team;
    cbweapon *weapon; // the held weapon, living in weapon_store; null while none is held
    // The held weapon's own storage, so that the world's snapshot holds it whole and a
    // restore can never leave the pointer above dangling.
    alignas(8) unsigned char weapon_store[WEAPON_BYTES];

    cplayer *init(int index);
    cplayer *reset() { active = false; return this; }
    void deinit();
    void update();
    void spawn();
    void damage(int amount, float force, cplayer *attacker);
    void score(bool kill);
    void powerup(int kind);
    void select_weapon(int kind);
    void drop_weapon(); // ends the held weapon (its loop falls silent); none is held after
    void become_bot();  // plays itself from now on, on from where its human left it
    cplayer *set_angle(float dx, float dy, int spread);
    cbweapon *shoot();
    cplayer *grenade();
    void draw();

    float get_x() { return x; }
    float get_y() { return y; }
    float get_angle() { return angle; }
    int get_health() { return health; }
    int get_kills() { return kills; }
    int get_grenades() { return grenades; }
    int get_team() { return team; }
    bool get_active() { return active; }
    int get_ammo();
    bool get_firerate() { return firerate_timer > 0; }
    bool get_heatseek() { return heatseek_timer > 0; }
    int get_slowmotion(); // counts down by one on every call
    bool facing_right() { return angle > -1.57f && angle < 1.57f; }

    // movement and collision
    bool down();
    bool up();
    bool left();
    bool right();
    void jump();
    void move_left();
    void move_right();
    void move();

    // human control, from the slot's control of this tick (cgame::controls)
    void player_move();
    void player_screen(); // the view follows the body
    void player_shoot();

    // bot behaviour
    void bot_move();
    void bot_shoot();
    int bot_target();
    bool bot_barrel(int px, int py);
    bool bot_enemy(int index, float px, float py);
};

extern cplayer players[MAX_PLAYERS];

// The outfit after (pants, shirt) in the fixed round of the six a bot can draw; a pair
// outside the round is left as it is.
void next_outfit(int &pants, int &shirt);

// Sight lines march a pixel at a time and stop at a tile that blocks sight or inside the
// 14x28 body they look for. True when no march point whose whole-pixel position lies in
// the 16x16 cell at (cx, cy) can stop there against the body at (body_x, body_y), so
// the march may cross that cell without testing its points.
bool sight_cell_clear(int cx, int cy, float body_x, float body_y);

#endif
