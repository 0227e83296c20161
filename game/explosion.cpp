// The run's closing animation: twelve frames of the art panel jolting
// sideways while the picture glows and dissolves.
#include "game/combat.h"

#include <cstdint>

#include "doorkit/doorkit.h"
#include "game/screen_kit.h"
#include "game/music.h"
#include "game/seasons.h"

namespace {

constexpr int kFrames = 12;
constexpr int kArtRow = 3;

int art_frame(int f) { return f <= 2 ? 2 : (f <= 7 ? 3 : 4); }

}  // namespace

void explosion(int lost)
{
    const bool october = season_is_october();
    play_melody(lost ? "MFT85O3L4C.P8<G.C" : "MFT145O4L8CDEFGAB>C");
    const char* title = lost ? "THE ADVENTURE ENDS" : "THE FINAL SEAL BREAKS!";
    const char* tagline = !lost ? "SOMEONE GET THE MARSHMALLOWS!"
                          : october ? "THE PUMPKINS HAVE YOUR KEYS NOW."
                                    : "THE GUARDIAN CLAIMS YOUR SEALS.";
    for (int f = 0; f < kFrames; ++f) {
        if (!od_carrier())
            return;
        header(title);
        const int column = f % 3 == 0 ? 28 : 27;
        if (october)
            grimbo_art(column, kArtRow, art_frame(f));
        else
            seasonal_draw_at(column, kArtRow, art_frame(f));
        put(5, 22, f % 2 == 1 ? 14 : 12, tagline);
        od_sleep(static_cast<std::uint32_t>(115 + 15 * f));
    }
}
