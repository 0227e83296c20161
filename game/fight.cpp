// The arithmetic of a guardian fight: actions, patterns, hits and answers.
#include "game/combat.h"

#include "game/music.h"
#include "game/profile.h"
#include "game/run_state.h"
#include "game/seasons.h"

namespace {

constexpr int kBarCells = 14;
constexpr int kCarver = 0;

bool below_half(const fight_state& fight) { return fight.boss_max / 2 > fight.boss_hp; }

void floor_energy()
{
    if (energy < 0)
        energy = 0;
}

// Pattern effects before the survivor's hit lands; t is the exchanges done.
void pattern_before_hit(fight_state& fight, blow& hit, int t)
{
    switch (fight.pattern) {
    case 0:
        if (t % 4 == 3)
            fight.boss_hp += 3;
        break;
    case 1:
        if (t % 3 == 2 && shield == 0)
            energy -= 5;
        break;
    case 2:
        if (t % 4 == 1)
            fight.boss_hp += 2;
        break;
    case 3:
        if (t % 3 == 1 && hit.damage >= 1) {
            hit.damage = hit.gain >> 2;  // three quarters of the hit
            hit.gain = 3 * hit.damage;
        }
        break;
    case 4:
        if (t % 4 == 2 && hp > 5)
            hp -= 3;
        break;
    case 5:
        if (t % 4 == 0 && shield == 0)
            energy -= 4;
        break;
    case 6:
        if (t % 3 == 0)
            fight.boss_hp += 5;
        break;
    case 7:
        if (below_half(fight) && t % 2 == 0)
            fight.boss_hp += 4;
        break;
    default:
        break;
    }
}

blow make_blow(int damage, bool answered) { return blow{damage, 3 * damage, answered}; }

}  // namespace

int fight_pattern(int month_index, int stage)
{
    const int offset = month_index == season_october ? 0 : month_index + 1;
    const int pattern = (offset + stage) % 8;
    return pattern < 0 ? pattern + 8 : pattern;
}

fight_state fight_begin()
{
    const int strength = 11 * level + 35;
    return fight_state{strength, strength, 0, fight_pattern(season_index, level)};
}

int fight_bar_cells(const fight_state& fight)
{
    if (fight.boss_max <= 0)
        return 0;
    long long cells = static_cast<long long>(fight.boss_hp) * kBarCells / fight.boss_max;
    if (cells < 0)
        return 0;
    return cells > kBarCells ? kBarCells : static_cast<int>(cells);
}

action_outcome fight_action(int key, blow& out)
{
    switch (key) {
    case 'q':
    case 'Q':
    case 27:
        quit_requested = 1;
        return action_outcome::quit;
    case '1':
        if (energy < 8) {
            play_melody("MFT220O5L32C<G");
            return action_outcome::exhausted;
        }
        energy -= 8;
        out = make_blow(10 + (seasonal_rand() & 7) + blade_upgrade + (player_class == kCarver ? 4 : 0),
                        true);
        play_melody("MFT160O4L16EG>C<G");
        return action_outcome::accepted;
    case '2':
        if (coins < 3)
            return action_outcome::ignored;
        coins -= 3;
        out = make_blow(17 + (seasonal_rand() & 7), true);
        play_melody("MFT190O4L16CEG>C");
        return action_outcome::accepted;
    case '3':
        shield = 1;
        out = make_blow(0, true);
        play_melody("MFT200O5L16G>C");
        return action_outcome::accepted;
    case '4': {
        if (weapon == 0)
            return action_outcome::ignored;
        const int held = weapon;
        weapon = 0;  // the supply is used up
        if (held == 1)
            out = make_blow(18, true);
        else if (held == 2)
            out = make_blow(24, true);
        else if (held == 3)
            out = make_blow(7 + 4 * lantern_upgrade, false);  // the flare stuns
        else
            out = make_blow(0, true);
        play_melody("MFT240O5L32C>C");
        return action_outcome::accepted;
    }
    case '5':
        energy += 14;
        if (energy > 100)
            energy = 100;
        out = make_blow(0, true);
        play_melody("MFT200O4L16CGE");
        return action_outcome::accepted;
    default:
        return action_outcome::ignored;
    }
}

int fight_answer_damage(const fight_state& fight, int r, int turn)
{
    int damage = r % 7 + 2 * level + 5 + (Halloween_mode ? 5 : 0) - armor_upgrade;
    if (damage < 1)
        damage = 1;
    if (shield)
        damage /= 3;
    if (fight.pattern == 1 && turn % 3 == 0)
        damage += 3;
    else if (fight.pattern == 2 && turn % 4 == 0)
        damage += 4;
    else if (fight.pattern == 5 && turn % 5 == 0)
        damage += 5;
    else if (fight.pattern == 7 && below_half(fight))
        damage += 4;
    return damage;
}

exchange_report fight_exchange(fight_state& fight, blow hit)
{
    exchange_report report{false, false, 0, false};
    const int t = fight.turn;
    floor_energy();
    pattern_before_hit(fight, hit, t);
    floor_energy();
    score += hit.gain;
    fight.boss_hp -= hit.damage;
    report.big_hit = hit.damage >= 18;
    fight.turn = t + 1;
    if (fight.boss_hp > 0 && hit.answered) {
        report.answered = true;
        report.answer_damage = fight_answer_damage(fight, seasonal_rand(), fight.turn);
        hp -= report.answer_damage;
    }
    ++rounds;
    shield = 0;
    if (fight.turn > combat_turn_limit && fight.boss_hp > 0) {
        hp = 0;
        report.out_of_turns = true;
    }
    return report;
}

void fight_reward()
{
    score += 100 * level + (Halloween_mode ? 600 : 250);
    coins += 2 * level + 12;
}
