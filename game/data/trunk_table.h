// The supply trunk's catalogue: the same prices every month, October's
// lines naming the price in candy. Every line fits beside the art panel
// (41 characters).
#ifndef GAME_DATA_TRUNK_TABLE_H
#define GAME_DATA_TRUNK_TABLE_H

inline constexpr int trunk_item_count = 7;

enum class trunk_effect {
    supply,   // fills the weapon slot with `amount`
    heal,     // health + `amount`, at most 100
    blade,    // blade_upgrade + `amount` while below `cap`
    armor,    // armor_upgrade + `amount` while below `cap`
    lantern,  // lantern_upgrade + `amount` while below `cap`
};

struct trunk_item {
    const char* october;
    const char* other;
    int price;
    trunk_effect effect;
    int amount;
    int cap;
};

inline constexpr trunk_item trunk_catalogue[trunk_item_count] = {
    {"[1] CANDY BOMB      7 candy  (18 damage)", "[1] TOKEN BURST     7 tokens (18 damage)",
     7, trunk_effect::supply, 1, 0},
    {"[2] SALT SHOT       9 candy  (24 damage)", "[2] POWER SHOT      9 tokens (24 damage)",
     9, trunk_effect::supply, 2, 0},
    {"[3] LANTERN FLARE  10 candy  (stun)", "[3] SIGNAL FLARE   10 tokens (stun)",
     10, trunk_effect::supply, 3, 0},
    {"[4] HOLY CIDER      8 candy  (+25 sanity)", "[4] FIELD TONIC     8 tokens (+25 health)",
     8, trunk_effect::heal, 25, 100},
    {"[5] SHARPEN BLADE 15 candy (+4 carve)", "[5] SHARPEN BLADE 15 tokens (+4 strike)",
     15, trunk_effect::blade, 4, 12},
    {"[6] ARMOR PLATING 16 tokens (-3 damage)", "[6] ARMOR PLATING 16 tokens (-3 damage)",
     16, trunk_effect::armor, 3, 9},
    {"[7] WARD LANTERN 14 tokens (+1 stun)", "[7] WARD LANTERN 14 tokens (+1 stun)",
     14, trunk_effect::lantern, 1, 3},
};

#endif
