// The twelve months of the story. Most months derive their stage lines from
// the guardian and place names; October's are written out.
#include "game/seasons.h"

namespace {

struct season_text {
    const char* month;
    const char* title;
    const char* intro;
    const char* goal;
    const char* ending;
    const char* places[season_stages];
    const char* guardians[season_stages];
    const char* guardian_lines[season_stages] = {};  // null: derived
    const char* seal_lines[season_stages] = {};      // null: derived
};

constexpr char to_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char to_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Line builder for constant evaluation: a text that does not fit its line
// writes past the array, which stops the build instead of cutting the text.
struct line_builder {
    char* line;
    int at = 0;

    constexpr void add(const char* text, char (*fold)(char) = nullptr)
    {
        for (; *text != '\0'; ++text)
            line[at++] = fold ? fold(*text) : *text;
        line[at] = '\0';
    }
    // Each word capitalised: "ARCHIVIST OF ICE" -> "Archivist Of Ice".
    constexpr void add_title_case(const char* text)
    {
        for (bool word_start = true; *text != '\0'; ++text) {
            line[at++] = word_start ? to_upper(*text) : to_lower(*text);
            word_start = *text == ' ';
        }
        line[at] = '\0';
    }
};

constexpr void copy_line(char (&line)[season_line_size], const char* text)
{
    line_builder{line}.add(text);
}

constexpr season_record build(const season_text& text)
{
    season_record record{};
    record.month = text.month;
    record.title = text.title;
    record.intro = text.intro;
    record.goal = text.goal;
    record.ending = text.ending;
    for (int stage = 0; stage < season_stages; ++stage) {
        record.places[stage] = text.places[stage];
        record.guardians[stage] = text.guardians[stage];

        if (text.guardian_lines[stage] != nullptr) {
            copy_line(record.guardian_lines[stage], text.guardian_lines[stage]);
        } else {
            line_builder clue{record.guardian_lines[stage]};
            clue.add_title_case(text.guardians[stage]);
            clue.add(" guards the next seal. ");
            clue.add(text.goal);
        }

        if (text.seal_lines[stage] != nullptr) {
            copy_line(record.seal_lines[stage], text.seal_lines[stage]);
        } else {
            // The last stage's seal points at its own place.
            const int next = stage + 1 < season_stages ? stage + 1 : stage;
            line_builder seal{record.seal_lines[stage]};
            seal.add("At ");
            seal.add(text.places[stage], to_lower);
            seal.add(", you find a broken seal. Its mark points toward ");
            seal.add(text.places[next], to_lower);
            seal.add(".");
        }
    }
    return record;
}

constexpr season_text texts[season_count] = {
    {"January", "THE FROZEN MIDNIGHT",
     "The town clock stopped at midnight. Frost is growing inside the wires. Find its "
     "eight broken gears before the winter steals the sunrise.",
     "Rebuild the clock and thaw the town.",
     "The clock strikes dawn. Warm light returns to every window.",
     {"FROSTBOUND STATION", "THE ICE ROAD", "SNOWGLASS WORKSHOP", "THE SILENT RESERVOIR",
      "THE FROZEN ARCHIVE", "AURORA BRIDGE", "MIDNIGHT CLOCKWORK", "THE WINTER CROWN"},
     {"RIME RUNNER", "BLACK ICE HOUND", "SNOWGLASS GOLEM", "THE DEEP FREEZE",
      "ARCHIVIST OF ICE", "AURORA SERPENT", "CLOCKWORK YETI", "THE MIDNIGHT KING"}},
    {"February", "THE HEARTBREAK ENGINE",
     "Every love letter in town has vanished. A brass machine beneath the old ballroom "
     "feeds on promises. Follow the stolen ribbons and shut it down.",
     "Return the letters before the final dance.",
     "The ballroom doors open. The letters find their owners again.",
     {"RIBBON SQUARE", "THE EMPTY POST OFFICE", "ROSEGLASS ALLEY", "THE MASKED BALLROOM",
      "BROKEN PROMISE BRIDGE", "THE CLOCKWORK CHAPEL", "THE BRASS HEART", "THE LAST DANCE"},
     {"RIBBON REAPER", "STAMP PHANTOM", "THORN SENTINEL", "THE MASKED DUKE",
      "PROMISE EATER", "BELLBOUND BRIDE", "BRASS CUPID", "THE HEARTBREAK ENGINE"}},
    {"March", "THE STOLEN SPRING",
     "A counterfeit rainbow hangs above town. Its seven colors lead to locked gates, "
     "and spring is trapped in a copper vault. Follow the trail of false gold.",
     "Break the vault and return the first rain.",
     "Real rain washes away the false gold. Spring crosses the open gates.",
     {"RAINBOW CROSSROADS", "THE COPPER ROAD", "CLOVER MILL", "THE FALSE GOLD MARKET",
      "THE RAINLESS WELL", "THE MOSS COURT", "THE SEVEN LOCKS", "THE SPRING VAULT"},
     {"COPPER CROW", "GOLDEN MIMIC", "MILLSTONE SPRITE", "THE COIN COUNTER",
      "DROUGHT WRAITH", "MOSS MAGISTRATE", "SEVENFOLD GUARD", "THE FALSE GOLD KING"}},
    {"April", "THE STORM-EGG HEIST",
     "Thunder is hatching inside painted eggs. The storm keeper has hidden them "
     "beneath the spring fair. Gather the shell keys before the last egg cracks.",
     "Rescue the fair from the nesting storm.",
     "The storm eggs hatch into harmless clouds. The fair lights come back on.",
     {"THE SPRING FAIR", "PUDDLE LANE", "THE PAINTED SHED", "THE WILLOW MAZE",
      "THUNDER NEST", "THE RAIN COURT", "THE SHELL TOWER", "THE STORM HATCHERY"},
     {"PUDDLE HOPPER", "RAINBOOT REVENANT", "PAINTED MIMIC", "WILLOW HARE",
      "THUNDER CHICK", "THE UMBRELLA JUDGE", "SHELLBACK GIANT", "THE STORM KEEPER"}},
    {"May", "THE THORN QUEEN",
     "Flowers bloom overnight through concrete and glass. Their roots lead to a "
     "greenhouse with no door. Collect the seed seals before the garden swallows town.",
     "Free the garden from its hungry crown.",
     "The vines retreat. The garden keeps its flowers and releases the streets.",
     {"SEEDLING SQUARE", "THE ROOT TUNNEL", "THE GLASSHOUSE", "PETAL CANAL",
      "THE HIDDEN ORCHARD", "THE BRIAR COURT", "THE POLLEN TOWER", "THE THORN THRONE"},
     {"ROOT RUNNER", "TUNNEL VINE", "GLASS ORCHID", "PETAL PIRATE",
      "ORCHARD WRAITH", "BRIAR BAILIFF", "POLLEN COLOSSUS", "THE THORN QUEEN"}},
    {"June", "THE SUN THAT WOULD NOT SET",
     "The sunset has gone missing. A mirror lighthouse holds the sun above the horizon "
     "and the harbor is boiling. Follow the reflected beams to its keeper.",
     "Restore sunset before the harbor burns.",
     "The sun finally sets. Cool waves carry the boats safely home.",
     {"HEATWAVE HARBOR", "THE SALT ROAD", "MIRROR BOATHOUSE", "THE GLARE MARSH",
      "THE DRY CANAL", "THE TIDE COURT", "THE SUNLENS STAIRS", "THE MIRROR LIGHTHOUSE"},
     {"SALT SPRITE", "ROAD MIRAGE", "MIRROR MARINER", "GLARE GATOR",
      "CANAL COLOSSUS", "THE TIDE JUDGE", "SUNLENS SENTINEL", "THE DAYLIGHT KEEPER"}},
    {"July", "THE FIREWORK REBELLION",
     "The festival fireworks are marching instead of flying. Their fuses lead to a "
     "fortress on the hill. Recover the safety keys before the grand finale fires at "
     "town.",
     "Stop the fortress and save the festival.",
     "The fortress falls quiet. The festival lights the sky with safe fireworks.",
     {"FESTIVAL SQUARE", "SPARK STREET", "THE ROCKET WORKSHOP", "THE SMOKE MAZE",
      "THE FUSE CELLAR", "THE PARADE COURT", "THE POWDER TOWER", "THE FINALE FORTRESS"},
     {"SPARK SCOUT", "FUSE HOUND", "ROCKET ROBOT", "SMOKE DRAGON",
      "POWDER PHANTOM", "THE PARADE MARSHAL", "ROMAN CANDLE GIANT", "THE FINALE COMMANDER"}},
    {"August", "THE UNDERTOW ARCADE",
     "The seaside arcade opens at low tide. Every prize is a stolen memory, and its "
     "machines drain the ocean. Follow the tokens to the hidden pier below.",
     "Return the memories and break the undertow.",
     "The tide returns. The arcade gives back every stolen summer memory.",
     {"THE SEASIDE ARCADE", "THE TOKEN BOARDWALK", "THE SALTGLASS BOOTH", "THE KELP MAZE",
      "THE SUNKEN LOCKER", "THE CORAL COURT", "THE UNDERTOW LIFT", "THE HIDDEN PIER"},
     {"TOKEN CRAB", "BOARDWALK SHARK", "SALTGLASS DIVER", "KELP KRAKEN",
      "LOCKER LEVIATHAN", "THE CORAL JUDGE", "UNDERTOW GIANT", "THE MEMORY ANGLER"}},
    {"September", "THE BELL AFTER DARK",
     "The school bell rings beneath an empty orchard. Books walk out of their shelves "
     "and every page shows tomorrow. Find the eight seals before the bell rewrites it.",
     "Stop the bell and keep tomorrow unwritten.",
     "The bell rings once in daylight. Tomorrow belongs to the town again.",
     {"ORCHARD SCHOOL", "THE LEAF ROAD", "THE EMPTY LIBRARY", "THE INK MAZE",
      "THE CELLAR CLASSROOM", "THE CHALK COURT", "THE PAGE TOWER", "THE HIDDEN BELL"},
     {"LEAF LURKER", "ROAD SCRIBE", "SHELF SPECTER", "INK WYRM",
      "CELLAR SCHOLAR", "THE CHALK JUDGE", "PAGE COLOSSUS", "THE TOMORROW RECTOR"}},
    {"October", "A HALLOWEEN NIGHTMARE",
     "You brought home a pumpkin. Something else came home with you.",
     "Survive the harvest and defeat Grimbo.",
     "The harvest breaks. November dawn finds the town still standing.",
     {"THE PUMPKIN PATCH", "DEAD END ROAD", "THE HAUNTED GARAGE", "CORNFIELD OF LIES",
      "THE CRYPT CELLAR", "THE SCARECROW COURT", "THE ROT KING'S GARDEN", "GRIMBO'S THRONE"},
     {"RANCID ROOT", "HEADLIGHT HARVESTER", "WRENCH WRAITH", "MAIZE MAULER",
      "BONE GOURD", "SCARECROW JUDGE", "ROT KING", "GRIMBO THE UNDEAD"},
     {"Rotten vines conceal a buried lantern.",
      "Headlights sweep the empty road.",
      "A wrench rattles inside the locked garage.",
      "The corn whispers your name.",
      "Bones scrape the cellar steps.",
      "The scarecrows turn to watch you.",
      "The king's roots choke the garden.",
      "Grimbo waits behind the black gate."},
     {"A black root curls around a forgotten coin.",
      "A shattered mirror reflects empty headlights.",
      "An oily handprint moves across the wall.",
      "A crow drops a silver token in the corn.",
      "The bones rattle beneath a cracked stair.",
      "A verdict is scratched into the old wood.",
      "The garden blooms with poisonous lanterns.",
      "A scorched crown waits below the throne."}},
    {"November", "THE FEAST OF SHADOWS",
     "An invitation appears on every doorstep. The banquet hall has set a place for "
     "everyone, but the guests who enter leave no footprints. Follow the silver "
     "serving keys.",
     "Break the feast and bring the missing guests home.",
     "The doors swing open. The guests return to a real feast with their families.",
     {"HARVEST SQUARE", "THE EMPTY MARKET", "THE SMOKEHOUSE", "THE CRANBERRY MAZE",
      "THE SILVER PANTRY", "THE BANQUET COURT", "THE SHADOW KITCHEN", "THE LAST FEAST"},
     {"GOURD GUARD", "MARKET MIMIC", "SMOKE GOBBLER", "CRANBERRY CRAWLER",
      "PANTRY PHANTOM", "THE SILVER STEWARD", "SHADOW CHEF", "THE HUNGRY HOST"}},
    {"December", "THE MIDNIGHT SLEIGH",
     "The town lights blink a warning. A midnight sleigh is stealing the stars to "
     "power its engine. Track the fallen bells through the snow and save the longest "
     "night.",
     "Return the stars before the sleigh departs.",
     "The stars return. Every light in town shines through the winter night.",
     {"LANTERN SQUARE", "THE SNOW ROAD", "THE TOY WORKSHOP", "THE TINSEL MAZE",
      "THE FROZEN DEPOT", "THE BELL COURT", "THE STAR ENGINE", "THE MIDNIGHT SLEIGH"},
     {"LANTERN LURKER", "SNOWROAD WOLF", "TIN SOLDIER", "TINSEL WYRM",
      "DEPOT WRAITH", "THE BELL WARDEN", "STAR ENGINE GIANT", "THE MIDNIGHT DRIVER"}},
};

}  // namespace

constexpr season_record seasons[season_count] = {
    build(texts[0]), build(texts[1]), build(texts[2]),  build(texts[3]),
    build(texts[4]), build(texts[5]), build(texts[6]),  build(texts[7]),
    build(texts[8]), build(texts[9]), build(texts[10]), build(texts[11]),
};

// The stage screens read these; season_bind points them at the current month.
// Until then they show October, the home season.
const char* places[season_stages] = {
    seasons[9].places[0], seasons[9].places[1], seasons[9].places[2], seasons[9].places[3],
    seasons[9].places[4], seasons[9].places[5], seasons[9].places[6], seasons[9].places[7],
};
const char* bosses[season_stages] = {
    seasons[9].guardians[0], seasons[9].guardians[1], seasons[9].guardians[2], seasons[9].guardians[3],
    seasons[9].guardians[4], seasons[9].guardians[5], seasons[9].guardians[6], seasons[9].guardians[7],
};
const char* stage_clues[season_stages] = {
    seasons[9].guardian_lines[0], seasons[9].guardian_lines[1], seasons[9].guardian_lines[2],
    seasons[9].guardian_lines[3], seasons[9].guardian_lines[4], seasons[9].guardian_lines[5],
    seasons[9].guardian_lines[6], seasons[9].guardian_lines[7],
};
const char* stage_discoveries[season_stages] = {
    seasons[9].seal_lines[0], seasons[9].seal_lines[1], seasons[9].seal_lines[2],
    seasons[9].seal_lines[3], seasons[9].seal_lines[4], seasons[9].seal_lines[5],
    seasons[9].seal_lines[6], seasons[9].seal_lines[7],
};
