#include "game/data/combat_table.h"

constexpr const char* const boss_themes[combat_stages] = {
    "MFT116O3L16CE<G",   "MFT175O4L16G>C<G", "MFT105O2L8C.G.",   "MFT148O3L16EGC",
    "MFT82O2L8C.P8G",    "MFT155O4L16E<G>C", "MFT98O3L8C.G.E",   "MFT90O2L8C.P8<C",
};

constexpr const char* const boss_taunts[combat_stages] = {
    "ROOT: YOUR BONES WILL FEED MY VINES!",
    "HARVESTER: NO ONE OUTRUNS THE LIGHT!",
    "WRAITH: I CAN FIX ANYTHING BUT YOU!",
    "MAULER: THE CORN REMEMBERS YOUR NAME!",
    "BONE GOURD: THE DEAD DEMAND A TOLL!",
    "JUDGE: GUILTY BY THE HARVEST!",
    "ROT KING: EVERYTHING GROWS ROTTEN!",
    "GRIMBO: THE HARVEST IS FOREVER!",
};
