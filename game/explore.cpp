#include "game/explore.h"

#include <cstdio>

#include "doorkit/doorkit.h"
#include "game/data/trunk_table.h"
#include "game/keys.h"
#include "game/music.h"
#include "game/run_state.h"
#include "game/screen_kit.h"
#include "game/seasons.h"

namespace {

constexpr int kHealthCap = 100;

int current_stage()
{
    return level >= 0 && level < STAGE_COUNT ? level : 0;
}

// Raises an upgrade by `amount` while it is below `cap`; false at the cap.
bool raise(std::int32_t& upgrade, int amount, int cap)
{
    if (upgrade >= cap)
        return false;
    upgrade += amount;
    return true;
}

void draw_trunk()
{
    const bool october = season_is_october();
    scene("TRUNK SUPPLIES - PREPARE YOUR NEXT MOVE");
    for (int item = 0; item < trunk_item_count; ++item) {
        const trunk_item& line = trunk_catalogue[item];
        put(3, 7 + item, item < 4 ? 15 : 10, october ? line.october : line.other);
    }
    char purse[48];
    std::snprintf(purse, sizeof purse, "%s: %d", october ? "CANDY" : "TOKENS",
                  static_cast<int>(coins));
    put(3, 14, 14, purse);
    put(3, 16, 11, "[C] LEAVE TRUNK");
}

}  // namespace

search_outcome search_stage()
{
    std::int32_t& count = exploration_count[current_stage()];
    if (count >= explore_limit)
        return search_outcome::exhausted;
    ++count;
    play_melody("MFT105O3L16C.P16<G");
    if (seasonal_rand() % 3 != 0) {
        coins += 5;
        score += 30;
        play_melody("MFT130O4L8E.G.C");
        return search_outcome::found;
    }
    hp -= 8;
    play_melody("MFT120O3L16C<G>C");
    return search_outcome::hurt;
}

void explore()
{
    if (search_stage() == search_outcome::exhausted) {
        scene("THE AREA HAS BEEN SEARCHED THOROUGHLY.");
        put(3, 12, 14, "Nothing else remains here.");
        waitc();
    }
    scene("YOU SEARCH THE DARKNESS. SOMETHING MOVES.");
    prose(12, 14, stage_discoveries[current_stage()], 40);
    put(3, 15, 11, "[C] CONTINUE");
    waitc();
}

trunk_outcome trunk_buy(int item)
{
    if (item < 0 || item >= trunk_item_count)
        return trunk_outcome::too_dear;
    const trunk_item& offer = trunk_catalogue[item];
    if (offer.price > coins)
        return trunk_outcome::too_dear;
    bool taken = true;
    switch (offer.effect) {
    case trunk_effect::supply:
        weapon = offer.amount;
        break;
    case trunk_effect::heal:
        hp = hp + offer.amount < kHealthCap ? hp + offer.amount : kHealthCap;
        break;
    case trunk_effect::blade:
        taken = raise(blade_upgrade, offer.amount, offer.cap);
        break;
    case trunk_effect::armor:
        taken = raise(armor_upgrade, offer.amount, offer.cap);
        break;
    case trunk_effect::lantern:
        taken = raise(lantern_upgrade, offer.amount, offer.cap);
        break;
    }
    play_melody(offer.effect == trunk_effect::heal ? "MFT195O5L32GEC" : "MFT175O4L16CEG");
    if (!taken)
        return trunk_outcome::at_limit;
    coins -= offer.price;
    return trunk_outcome::bought;
}

void trunk()
{
    while (quit_requested == 0 && od_carrier()) {
        draw_trunk();
        int key = read_key(true);
        if (key == 0)
            return;  // the session stopped while waiting
        if (key == 'C' || key == 'c' || key == 'Q' || key == 'q' || key == 27) {
            quit_requested = 0;  // closing the trunk is not leaving the run
            return;
        }
        if (key >= '1' && key <= '7')
            trunk_buy(key - '1');
    }
}
