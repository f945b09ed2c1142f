#include "shell/data.h"

#include "shell/files.h"
#include "shell/image.h"
#include "shell/sound.h"

BITMAP *bbuffer;
BITMAP *bammo, *bammo_bar, *barms[6], *bbarrel, *bblood[2], *bbody[3], *bbox, *bbullet[2],
    *bcontrols, *bcredits, *bcross, *bcrosshair, *bcursor, *bfire[2], *bflamethrower, *bflesh, *bgrenade1,
    *bgrenade2, *bgrenade_icon, *bgrenade_launcher, *bgun, *bhead[3], *bhealth, *bhealth_bar,
    *bindicator, *bkills, *bkills_bar, *blegs[12], *blobby, *blost, *bnetwork, *bmachine_gun, *bmenu, *bminigun[2],
    *boptions, *bparticle[2], *bpaused, *bplank, *bpowerup[5], *breplays, *brocket[2], *brocket_launcher,
    *bshell[2], *bshotgun, *bsniper_rifle, *bweapons, *bwon;

SAMPLE *sblood[2], *sbox[2], *sexplosion[2], *sflamethrower[1], *sgrenade_launcher[2], *sgun[2],
    *slaser_rifle[2], *smachine_gun[2], *sminigun[2], *srocket_launcher[2], *sshell[2],
    *sshotgun[2], *ssniper_rifle[2];

// The catalogue in load order: each global (or array element) beside its file and,
// for pictures, the size the game draws it at.
struct bitmap_file {
    BITMAP **slot;
    const char *file;
    int w, h;
};
struct sample_file {
    SAMPLE **slot;
    const char *file;
};

static const bitmap_file bitmap_files[NUM_BITMAP_FILES] = {
    {&bammo, "ammo", 1, 8},
    {&bammo_bar, "ammo_bar", 139, 16},
    {&barms[0], "arms_b1", 8, 3},
    {&barms[1], "arms_b2", 14, 6},
    {&barms[2], "arms_g1", 8, 3},
    {&barms[3], "arms_g2", 14, 6},
    {&barms[4], "arms_r1", 8, 3},
    {&barms[5], "arms_r2", 14, 6},
    {&bbarrel, "barrel", 16, 16},
    {&bblood[0], "blood_1", 2, 2},
    {&bblood[1], "blood_2", 2, 2},
    {&bbody[0], "body_b", 8, 10},
    {&bbody[1], "body_g", 8, 10},
    {&bbody[2], "body_r", 8, 10},
    {&bbox, "box", 16, 16},
    {&bbullet[0], "bullet_1", 12, 1},
    {&bbullet[1], "bullet_2", 12, 1},
    {&bcontrols, "controls", 640, 480},
    {&bcredits, "credits", 640, 480},
    {&bcross, "cross", 5, 5},
    {&bcrosshair, "crosshair", 11, 11},
    {&bcursor, "cursor", 10, 14},
    {&bfire[0], "fire_1", 8, 5},
    {&bfire[1], "fire_2", 10, 7},
    {&bflamethrower, "flamethrower", 25, 6},
    {&bflesh, "flesh", 5, 5},
    {&bgrenade1, "grenade_1", 5, 4},
    {&bgrenade2, "grenade_2", 5, 5},
    {&bgrenade_icon, "grenade_icon", 7, 7},
    {&bgrenade_launcher, "grenade_launcher", 23, 7},
    {&bgun, "gun", 10, 5},
    {&bhead[0], "head_black", 6, 7},
    {&bhead[1], "head_brown", 6, 7},
    {&bhead[2], "head_yellow", 6, 7},
    {&bhealth, "health", 1, 8},
    {&bhealth_bar, "health_bar", 154, 16},
    {&bindicator, "indicator", 8, 10},
    {&bkills, "kills", 1, 8},
    {&bkills_bar, "kills_bar", 147, 16},
    {&blegs[0], "legs_b1", 14, 12},
    {&blegs[1], "legs_b2", 15, 12},
    {&blegs[2], "legs_b3", 17, 12},
    {&blegs[3], "legs_b4", 16, 12},
    {&blegs[4], "legs_g1", 14, 12},
    {&blegs[5], "legs_g2", 15, 12},
    {&blegs[6], "legs_g3", 17, 12},
    {&blegs[7], "legs_g4", 16, 12},
    {&blegs[8], "legs_r1", 14, 12},
    {&blegs[9], "legs_r2", 15, 12},
    {&blegs[10], "legs_r3", 17, 12},
    {&blegs[11], "legs_r4", 16, 12},
    {&blobby, "lobby", 640, 480},
    {&blost, "lost", 196, 36},
    {&bmachine_gun, "machine_gun", 21, 7},
    {&bmenu, "menu", 640, 480},
    {&bminigun[0], "minigun_1", 24, 5},
    {&bminigun[1], "minigun_2", 24, 5},
    {&bnetwork, "network", 640, 480},
    {&boptions, "options", 640, 480},
    {&bparticle[0], "particle_1", 2, 2},
    {&bparticle[1], "particle_2", 2, 2},
    {&bpaused, "paused", 164, 36},
    {&bplank, "plank", 14, 4},
    {&bpowerup[0], "powerup_1", 10, 10},
    {&bpowerup[1], "powerup_2", 10, 10},
    {&bpowerup[2], "powerup_3", 10, 10},
    {&bpowerup[3], "powerup_4", 10, 10},
    {&bpowerup[4], "powerup_5", 10, 10},
    {&breplays, "replays", 640, 480},
    {&brocket[0], "rocket_1", 12, 5},
    {&brocket[1], "rocket_2", 12, 5},
    {&brocket_launcher, "rocket_launcher", 23, 4},
    {&bshell[0], "shell_1", 3, 1},
    {&bshell[1], "shell_2", 4, 2},
    {&bshotgun, "shotgun", 23, 6},
    {&bsniper_rifle, "sniper_rifle", 23, 6},
    {&bweapons, "weapons", 174, 196},
    {&bwon, "won", 188, 36},
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
    if (!bbuffer) missing.push_back("(640x480 back buffer): out of memory");

    for (const bitmap_file &b : bitmap_files) {
        std::string path = std::string("bmp/") + b.file + ".bmp";
        std::string why;
        *b.slot = load_checked_bmp(path.c_str(), b.w, b.h, why);
        if (!*b.slot) missing.push_back(path + ": " + why);
    }
    for (const sample_file &s : sample_files) {
        std::string path = std::string("wav/") + s.file + ".wav";
        std::string why;
        *s.slot = load_checked_wav(path.c_str(), why);
        if (!*s.slot) missing.push_back(path + ": " + why);
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
