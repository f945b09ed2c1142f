#include "shell/data.h"

BITMAP *bbuffer;
BITMAP *bammo, *bammo_bar, *barms[6], *bbarrel, *bblood[2], *bbody[3], *bbox, *bbullet[2],
    *bcredits, *bcross, *bcrosshair, *bcursor, *bfire[2], *bflamethrower, *bflesh, *bgrenade1,
    *bgrenade2, *bgrenade_icon, *bgrenade_launcher, *bgun, *bhead[3], *bhealth, *bhealth_bar,
    *bindicator, *bkills, *bkills_bar, *blegs[12], *blost, *bmachine_gun, *bmenu, *bminigun[2],
    *boptions, *bparticle[2], *bplank, *bpowerup[5], *brocket[2], *brocket_launcher, *bshell[2],
    *bshotgun, *bsniper_rifle, *bweapons, *bwon;

SAMPLE *sblood[2], *sbox[2], *sexplosion[2], *sflamethrower[1], *sgrenade_launcher[2], *sgun[2],
    *slaser_rifle[2], *smachine_gun[2], *sminigun[2], *srocket_launcher[2], *sshell[2],
    *sshotgun[2], *ssniper_rifle[2];

// The catalogue in load order: each global (or array element) beside its file.
struct bitmap_file {
    BITMAP **slot;
    const char *file;
};
struct sample_file {
    SAMPLE **slot;
    const char *file;
};

static const bitmap_file bitmap_files[NUM_BITMAP_FILES] = {
    {&bammo, "ammo"},
    {&bammo_bar, "ammo_bar"},
    {&barms[0], "arms_b1"},
    {&barms[1], "arms_b2"},
    {&barms[2], "arms_g1"},
    {&barms[3], "arms_g2"},
    {&barms[4], "arms_r1"},
    {&barms[5], "arms_r2"},
    {&bbarrel, "barrel"},
    {&bblood[0], "blood_1"},
    {&bblood[1], "blood_2"},
    {&bbody[0], "body_b"},
    {&bbody[1], "body_g"},
    {&bbody[2], "body_r"},
    {&bbox, "box"},
    {&bbullet[0], "bullet_1"},
    {&bbullet[1], "bullet_2"},
    {&bcredits, "credits"},
    {&bcross, "cross"},
    {&bcrosshair, "crosshair"},
    {&bcursor, "cursor"},
    {&bfire[0], "fire_1"},
    {&bfire[1], "fire_2"},
    {&bflamethrower, "flamethrower"},
    {&bflesh, "flesh"},
    {&bgrenade1, "grenade_1"},
    {&bgrenade2, "grenade_2"},
    {&bgrenade_icon, "grenade_icon"},
    {&bgrenade_launcher, "grenade_launcher"},
    {&bgun, "gun"},
    {&bhead[0], "head_black"},
    {&bhead[1], "head_brown"},
    {&bhead[2], "head_yellow"},
    {&bhealth, "health"},
    {&bhealth_bar, "health_bar"},
    {&bindicator, "indicator"},
    {&bkills, "kills"},
    {&bkills_bar, "kills_bar"},
    {&blegs[0], "legs_b1"},
    {&blegs[1], "legs_b2"},
    {&blegs[2], "legs_b3"},
    {&blegs[3], "legs_b4"},
    {&blegs[4], "legs_g1"},
    {&blegs[5], "legs_g2"},
    {&blegs[6], "legs_g3"},
    {&blegs[7], "legs_g4"},
    {&blegs[8], "legs_r1"},
    {&blegs[9], "legs_r2"},
    {&blegs[10], "legs_r3"},
    {&blegs[11], "legs_r4"},
    {&blost, "lost"},
    {&bmachine_gun, "machine_gun"},
    {&bmenu, "menu"},
    {&bminigun[0], "minigun_1"},
    {&bminigun[1], "minigun_2"},
    {&boptions, "options"},
    {&bparticle[0], "particle_1"},
    {&bparticle[1], "particle_2"},
    {&bplank, "plank"},
    {&bpowerup[0], "powerup_1"},
    {&bpowerup[1], "powerup_2"},
    {&bpowerup[2], "powerup_3"},
    {&bpowerup[3], "powerup_4"},
    {&bpowerup[4], "powerup_5"},
    {&brocket[0], "rocket_1"},
    {&brocket[1], "rocket_2"},
    {&brocket_launcher, "rocket_launcher"},
    {&bshell[0], "shell_1"},
    {&bshell[1], "shell_2"},
    {&bshotgun, "shotgun"},
    {&bsniper_rifle, "sniper_rifle"},
    {&bweapons, "weapons"},
    {&bwon, "won"},
};

static const sample_file sample_files[NUM_SAMPLE_FILES] = {
    {&sblood[0], "blood"},
    {&sblood[1], "blood_sm"},
    {&sbox[0], "box"},
    {&sbox[1], "box_sm"},
    {&sexplosion[0], "explosion"},
    {&sexplosion[1], "explosion_sm"},
    {&sflamethrower[0], "flamethrower"},
    {&sgrenade_launcher[0], "grenade_launcher"},
    {&sgrenade_launcher[1], "grenade_launcher_sm"},
    {&sgun[0], "gun"},
    {&sgun[1], "gun_sm"},
    {&slaser_rifle[0], "laser_rifle"},
    {&slaser_rifle[1], "laser_rifle_sm"},
    {&smachine_gun[0], "machine_gun"},
    {&smachine_gun[1], "machine_gun_sm"},
    {&sminigun[0], "minigun"},
    {&sminigun[1], "minigun_sm"},
    {&srocket_launcher[0], "rocket_launcher"},
    {&srocket_launcher[1], "rocket_launcher_sm"},
    {&sshell[0], "shell"},
    {&sshell[1], "shell_sm"},
    {&sshotgun[0], "shotgun"},
    {&sshotgun[1], "shotgun_sm"},
    {&ssniper_rifle[0], "sniper_rifle"},
    {&ssniper_rifle[1], "sniper_rifle_sm"},
};

std::vector<std::string> load_data() {
    std::vector<std::string> missing;
    bbuffer = create_bitmap(640, 480);
    if (!bbuffer) missing.push_back("(640x480 back buffer)");

    for (const bitmap_file &b : bitmap_files) {
        std::string path = std::string("bmp/") + b.file + ".bmp";
        *b.slot = load_bitmap(path.c_str(), NULL);
        if (!*b.slot) missing.push_back(path);
    }
    for (const sample_file &s : sample_files) {
        std::string path = std::string("wav/") + s.file + ".wav";
        *s.slot = load_sample(path.c_str());
        if (!*s.slot) missing.push_back(path);
    }
    return missing;
}

// Frees everything load_data() made; safe on a partial load. The globals go back to
// null so nothing can draw with a freed image during a mode change.
void unload_data() {
    if (bbuffer) destroy_bitmap(bbuffer);
    bbuffer = nullptr;
    for (const bitmap_file &b : bitmap_files) {
        if (*b.slot) destroy_bitmap(*b.slot);
        *b.slot = nullptr;
    }
    for (const sample_file &s : sample_files) {
        if (*s.slot) destroy_sample(*s.slot);
        *s.slot = nullptr;
    }
}
