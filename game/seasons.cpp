// The UTC calendar and the game's random generator.
#include "game/seasons.h"

int season_index = season_october;
int season_day = 1;
int season_year = 1970;
int season_stamp = 1970000;

std::uint32_t seasonal_rng_state = 1;

namespace {

// Takes a broken-down UTC date; null (no usable clock) keeps the previous one.
// The working copies follow the month either way.
void bind(const std::tm* date)
{
    // Four-digit years only, so that season_stamp cannot overflow.
    if (date != nullptr && date->tm_year >= 1 - 1900 && date->tm_year <= 9999 - 1900) {
        season_index = date->tm_mon;
        season_day = date->tm_mday;
        season_year = date->tm_year + 1900;
        season_stamp = season_year * 1000 + date->tm_yday;
    }
    const season_record& season = season_current();
    for (int stage = 0; stage < season_stages; ++stage) {
        places[stage] = season.places[stage];
        bosses[stage] = season.guardians[stage];
        stage_clues[stage] = season.guardian_lines[stage];
        stage_discoveries[stage] = season.seal_lines[stage];
    }
}

}  // namespace

void season_bind_at(std::time_t now)
{
    std::tm date{};
    bind(gmtime_r(&now, &date));
}

void season_bind()
{
    std::time_t now = 0;
    if (std::time(&now) == static_cast<std::time_t>(-1))
        bind(nullptr);
    else
        season_bind_at(now);
}

void seasonal_seed(std::uint32_t seed)
{
    seasonal_rng_state = seed != 0 ? seed : 1;
}

void seasonal_seed_login()
{
    seasonal_seed(static_cast<std::uint32_t>(std::time(nullptr)));
}

void seasonal_seed_story()
{
    seasonal_seed(static_cast<std::uint32_t>(season_year) * 100u + static_cast<std::uint32_t>(season_index) + 1u);
}

void seasonal_seed_daily()
{
    seasonal_seed(static_cast<std::uint32_t>(season_stamp));
}

std::uint32_t seasonal_rng_step()
{
    seasonal_rng_state = seasonal_rng_state * 1664525u + 1013904223u;
    return seasonal_rng_state;
}

int seasonal_rand()
{
    return static_cast<int>(seasonal_rng_step() >> 1);
}

int seasonal_roll(int range)
{
    return range < 1 ? 0 : seasonal_rand() % range;
}
