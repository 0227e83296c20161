// Every screen of a story run, of the daily challenge and of the hall, on a
// date in each month and on Halloween, as the caller sees it: texts read
// whole, an option's key stays with its words, and no text writes into the
// art panel.
//
// Each date plays its screens in one session with the keys typed ahead;
// the screens are told apart by the clear-screen that starts each one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "game/combat.h"
#include "game/explore.h"
#include "game/daily.h"
#include "game/hall.h"
#include "game/handle.h"
#include "game/lobby.h"
#include "game/music.h"
#include "game/puzzle.h"
#include "game/profile.h"
#include "game/run.h"
#include "game/run_state.h"
#include "game/screen_kit.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "tests/game/game_session.h"
#include "tests/game/score_files.h"
#include "tests/support/screen.h"
#include "tests/support/session_runner.h"

namespace {

using grimbo_test::Screen;

constexpr int kPanelTop = 4;
constexpr int kPanelBottom = 22;
constexpr int kGuardColumn = 43;  // the last column text may take beside the panel
constexpr int kWarden = 1;
constexpr const char* kClear = "\x1b[2J";
constexpr const char* kQuestion = "ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]";

struct Date {
    int year;
    int month;  // 1-12
    int day;
};

std::time_t noon_utc(const Date& date)
{
    std::tm when{};
    when.tm_year = date.year - 1900;
    when.tm_mon = date.month - 1;
    when.tm_mday = date.day;
    when.tm_hour = 12;
    return timegm(&when);
}

char answer_at(int stage)
{
    seal_question question{};
    puzzle_question(season_index, stage, question);
    return question.answer;
}

// Leaves run state as a fresh stage `stage` of a run by a Warden.
void fresh_stage(int stage)
{
    run_state_reset(kWarden);
    level = stage;
    in_adventure = 1;
    quit_requested = 0;
    quit_loses_run = 0;
    Halloween_mode = season_is_halloween() ? 1 : 0;
}

// The first screens are the art alone, to compare every other screen with:
// frames 0-2 at the panel's column, and at the October opening's.
constexpr int kPanelColumns[] = {47, 46};
constexpr int kFrames = 3;

void draw_references()
{
    for (int column : kPanelColumns)
        for (int frame = 0; frame < kFrames; ++frame) {
            header(nullptr);
            show_art(column, frame);
        }
}

// A story run from its opening: searches, the trunk, the seal wrong, right
// and again, the first guardian, then a quit at the second stage taken back
// once and confirmed.
void story_run_screens(game_test::Caller& caller)
{
    std::string keys = "c1c1c1c1cc34c2xc2";
    keys += answer_at(0);
    keys += "c2c4";
    for (int i = 0; i < 15; ++i)
        keys += "115";  // strikes and rests: never too tired, never a big hit
    keys += "cqnQy";
    caller.send(keys);
    player_class = kWarden;
    in_adventure = 1;
    quit_requested = 0;
    story_run();
}

// Every stage's own screens: menu, search, seal, a fight turn, a tired
// turn and the victory.
void stage_screens(game_test::Caller& caller)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        fresh_stage(stage);
        stage_screen(true);
        stage_screen(false);
        caller.send("c");
        explore();
        caller.send(std::string("xc") + answer_at(stage) + "c");
        puzzle();
        puzzle();
        caller.send("q");
        combat();
        quit_requested = 0;
        energy = 7;
        caller.send("1q");
        combat();
        quit_requested = 0;
        energy = 1000;
        hp = 1000;
        caller.send(std::string(40, '1') + "c");
        combat();
    }
}

// The campaign screen, the Halloween finale and the score screens.
void ending_screens(game_test::Caller& caller)
{
    fresh_stage(7);
    if (!season_is_october()) {
        caller.send("c");
        campaign_complete();
    }
    if (season_is_halloween()) {
        fresh_stage(7);
        clues = 2;
        caller.send("12cc");
        halloween_finale(run_story);
    }
    struct Ending {
        int storage;
        int health;
    };
    for (const Ending& ending : {Ending{1, 50}, Ending{0, 50}, Ending{1, 0}}) {
        fresh_stage(7);
        score = 12345;
        hp = ending.health;
        storage_ok = ending.storage;
        caller.send("c");
        run_ending(run_story);
    }
    storage_ok = 1;
}

// Two daily attempts taken back at the guardian, then one refused.
void daily_screens(game_test::Caller& caller)
{
    const bool shadows = season_day % 3 == 1;
    player_class = kWarden;
    std::string keys = "c2c";
    keys += shadows ? "2" : "xc";
    keys += "qy";
    caller.send(keys);
    daily_run();
    // The same day's guardian stage, for the seal's answer.
    const int stage = (season_index + season_day + season_year) % season_stages;
    keys = "c1c";
    keys += shadows ? std::string("1") : std::string(1, answer_at(stage)) + "c";
    keys += "qnqy";
    caller.send(keys);
    daily_run();
    storage_ok = 0;
    caller.send("c");
    daily_run();
    storage_ok = 1;
}

void lobby_and_hall_screens(game_test::Caller& caller)
{
    draw_lobby();
    std::string story;
    for (int i = 0; i < 16; ++i)
        story += "20261001\tA Handle Of Twenty-Four " + std::to_string(i) + "\t" +
                 std::to_string(100000 + i) + "\t8\t0\n";
    game_test::spill("data/story.tsv", story);
    game_test::spill("data/daily.tsv", "20261001\tShort\t-5\t1\t1\n");
    game_test::spill("data/interbbs-story.tsv",
                     "A Very Long Interbbs Handle Name\tA Very Long Board Name Indeed\t99999999\n");
    caller.send("DISDCC");
    hall();
}

// Everything the door sent while it drew the screens of one date.
std::string play_date(const Date& date)
{
    grimbo_test::TempDir dir;
    grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
        if (chdir(dir.path().c_str()) != 0 || mkdir("data", 0755) != 0)
            return 90;
        storage_ok = 1;
        sound_enabled = 0;
        std::snprintf(player, sizeof player, "%s", "Ann");
        std::snprintf(profile_path, sizeof profile_path, "%s",
                      "data/profile-0123456789abcdef.tsv");
        season_bind_at(noon_utc(date));
        draw_references();
        story_run_screens(caller);
        stage_screens(caller);
        ending_screens(caller);
        daily_screens(caller);
        lobby_and_hall_screens(caller);
        return 0;
    });
    EXPECT_TRUE(result.exited) << "the screens did not finish: " << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

// One screen as the caller saw it just before the next was started.
struct Shot {
    std::vector<std::string> rows;                 // rows 1-24, 80 characters each
    std::vector<std::vector<grimbo_test::Cell>> cells;  // rows 1-24
};

Shot take(const Screen& screen)
{
    Shot shot;
    for (int row = 1; row <= 24; ++row) {
        shot.rows.push_back(game_test::cells_text(screen, row, 1, 80));
        std::vector<grimbo_test::Cell> line;
        for (int column = 1; column <= 80; ++column)
            line.push_back(screen.cell(row, column));
        shot.cells.push_back(line);
    }
    return shot;
}

std::vector<Shot> split_screens(const std::string& out)
{
    std::vector<Shot> shots;
    Screen screen(25, 80, true);
    std::size_t at = out.find(kClear);
    if (at == std::string::npos)
        return shots;
    screen.feed(out.substr(0, at));
    while (at != std::string::npos) {
        const std::size_t next = out.find(kClear, at + 1);
        screen.feed(out.substr(at, next == std::string::npos ? std::string::npos : next - at));
        shots.push_back(take(screen));
        at = next;
    }
    return shots;
}

bool same_cell(const grimbo_test::Cell& a, const grimbo_test::Cell& b)
{
    return a.ch == b.ch && a.attribute == b.attribute;
}

bool blank(const grimbo_test::Cell& cell) { return cell.ch == U' ' && (cell.attribute >> 4) == 0; }

// The reference whose picture the screen shows, or -1 for a screen
// without the art panel.
int art_on(const Shot& shot, const std::vector<Shot>& references)
{
    int best = -1;
    double best_share = 0.8;  // at least this share of the picture must be there
    for (std::size_t r = 0; r < references.size(); ++r) {
        const int left = kPanelColumns[r / kFrames];
        int painted = 0;
        int matching = 0;
        for (int row = kPanelTop; row <= kPanelBottom; ++row)
            for (int column = left; column < left + art_columns; ++column) {
                const grimbo_test::Cell& want = references[r].cells[row - 1][column - 1];
                if (blank(want))
                    continue;
                ++painted;
                matching += same_cell(want, shot.cells[row - 1][column - 1]);
            }
        const double share = painted > 0 ? static_cast<double>(matching) / painted : 0;
        if (share > best_share) {
            best_share = share;
            best = static_cast<int>(r);
        }
    }
    return best;
}

std::string trimmed(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

// Rows that fill the room beside the art exactly, as designed.
bool whole_at_the_guard(const std::string& text)
{
    static const std::regex kWhole(
        "YOU SEARCH THE DARKNESS\\. SOMETHING MOVES\\.|"
        "\\[4\\] (HOLY CIDER      8 candy  \\(\\+25 sanity\\)|FIELD TONIC     8 tokens \\(\\+25 health\\))");
    return std::regex_match(text, kWhole);
}

// What is wrong with one screen, one line per fault. Rows from
// `checked_from` to `checked_to` hold a text the caller compares whole.
std::string faults_of(const Shot& shot, const std::vector<Shot>& references, int checked_from,
                      int checked_to)
{
    std::string faults;
    const int art = art_on(shot, references);
    if (art >= 0) {
        const int left = kPanelColumns[art / kFrames];
        const Shot& picture = references[static_cast<std::size_t>(art)];
        for (int row = kPanelTop; row <= kPanelBottom; ++row)
            for (int column = left; column < left + art_columns; ++column)
                if (!same_cell(picture.cells[row - 1][column - 1], shot.cells[row - 1][column - 1]))
                    faults += "text in the picture at row " + std::to_string(row) + ", column " +
                              std::to_string(column) + "\n";
        for (int row = kPanelTop; row <= 17; ++row) {
            const std::string text = trimmed(shot.rows[row - 1].substr(0, kGuardColumn));
            const bool checked = row >= checked_from && row <= checked_to;
            if (shot.rows[row - 1][kGuardColumn - 1] != ' ' && !checked && !whole_at_the_guard(text))
                faults += "cut at the guard column, row " + std::to_string(row) + ": " + text + "\n";
        }
    }
    static const std::regex kKeyAtTheEnd(".*(^| )\\[[^ \\]]{1,3}\\]$");
    for (int row = 1; row < 24; ++row) {
        const std::string text = trimmed(shot.rows[row - 1].substr(0, art >= 0 ? 46 : 80));
        if (std::regex_match(text, kKeyAtTheEnd))
            faults += "an option key parted from its words, row " + std::to_string(row) + ": " +
                      text + "\n";
    }
    const std::string question = trimmed(shot.rows[23]);
    if (!question.empty() && question != kQuestion)
        faults += "row 24 holds: " + question + "\n";
    return faults;
}

// The whole text of a wrapped paragraph from `row` down to the first blank row.
std::string paragraph(const Shot& shot, int row)
{
    std::string text;
    for (; row <= 24; ++row) {
        const std::string line = trimmed(shot.rows[row - 1].substr(0, 46));
        if (line.empty())
            break;
        text += (text.empty() ? "" : " ") + line;
    }
    return text;
}

// Runs of blanks as one, for comparing a wrapped text with its source.
std::string collapsed(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' || (!out.empty() && out.back() != ' '))
            out += c;
    return trimmed(out);
}

int stage_of(const season_record& season, const std::string& caption)
{
    for (int stage = 0; stage < STAGE_COUNT; ++stage)
        if (caption == season.places[stage])
            return stage;
    return -1;
}

class ScreensOfADate : public testing::TestWithParam<Date> {};

TEST_P(ScreensOfADate, TextsReadWholeAndKeepOffTheArt)
{
    const Date date = GetParam();
    const std::vector<Shot> shots = split_screens(play_date(date));
    ASSERT_GT(shots.size(), 2u * kFrames + 60) << "too few screens were drawn";
    const std::vector<Shot> references(shots.begin(), shots.begin() + 2 * kFrames);

    // The month's texts, read from its record: the calendar of this process
    // stays as it was for the tests that follow.
    const int month = date.month - 1;
    const season_record& season = seasons[month];
    int stage_screens_seen = 0;
    int endings_seen = 0;
    bool refused_seen = false;
    for (std::size_t s = 2 * kFrames; s < shots.size(); ++s) {
        const Shot& shot = shots[s];
        const std::string caption = trimmed(shot.rows[0].substr(40));
        SCOPED_TRACE("screen " + std::to_string(s) + " \"" + caption + "\"");
        // A stage's guardian line, whole, above its menu.
        const int stage = stage_of(season, caption);
        const bool stage_menu = stage >= 0 && trimmed(shot.rows[8]).rfind("[1] EXPLORE", 0) == 0;
        if (stage_menu) {
            EXPECT_EQ(paragraph(shot, 5), season.guardian_lines[stage]);
            ++stage_screens_seen;
        }
        EXPECT_EQ(faults_of(shot, references, stage_menu ? 5 : 0, stage_menu ? 8 : 0), "");
        // A search's seal line and a seal's question and options, whole and
        // clear of the rows below them.
        if (stage >= 0 && trimmed(shot.rows[4]) == "YOU SEARCH THE DARKNESS. SOMETHING MOVES.") {
            const std::string seal_line = season.seal_lines[stage];
            const std::string shown = paragraph(shot, 12);
            EXPECT_TRUE(shown == seal_line || shown == seal_line + " [C] CONTINUE") << shown;
        }
        if (stage >= 0 && trimmed(shot.rows[4]) == "A RUSTED SEAL BARS YOUR PATH.") {
            seal_question question{};
            puzzle_question(month, stage, question);
            EXPECT_EQ(paragraph(shot, 8), question.text);
            EXPECT_EQ(collapsed(paragraph(shot, 12)), collapsed(question.options));
        }
        // The score screen shows no art: its lines read whole.
        if (caption == "THE NIGHT IS YOURS" || caption == "THE GUARDIANS WIN") {
            EXPECT_EQ(trimmed(shot.rows[8]).rfind("FINAL SCORE: ", 0), 0u);
            EXPECT_NE(trimmed(shot.rows[8]).find("    BOSS REACHED: 8/8"), std::string::npos);
            const std::string outcome = trimmed(shot.rows[11]);
            EXPECT_TRUE(outcome == "Your score was saved. The harvest remembers." ||
                        outcome == "SCORE SAVE FAILED! Check game directory permissions.")
                << outcome;
            ++endings_seen;
        }
        if (caption == "DAILY UNAVAILABLE") {
            EXPECT_EQ(trimmed(shot.rows[6]), "Already played or running. Return tomorrow.");
            EXPECT_EQ(trimmed(shot.rows[22]), "[C] CONTINUE     [Q] BACK TO LOBBY");
            refused_seen = true;
        }
        // The status line keeps one of its two wordings.
        static const std::regex status_wording(
            "(STAGE [1-8]/8 SCORE -?[0-9]+ (CANDY|TOKENS) -?[0-9]+ KEYS [0-9]+ "
            "CLUES [0-9]+)|(STG [1-8]/8 SCR -?[0-9]+ (CANDY|TOK) -?[0-9]+ KEY "
            "[0-9]+ CLU [0-9]+)");
        if (trimmed(shot.rows[17]).rfind(month == season_october ? "SANITY" : "HEALTH", 0) == 0) {
            EXPECT_TRUE(std::regex_match(trimmed(shot.rows[21].substr(0, 46)), status_wording))
                << shot.rows[21];
        }
    }
    EXPECT_GE(stage_screens_seen, 2 * STAGE_COUNT);
    EXPECT_GE(endings_seen, 3);
    EXPECT_TRUE(refused_seen);
}

TEST(LobbyScreen, TheDateLineKeepsOffThePicture)
{
    struct Case {
        Date date;
        const char* line;  // row 19 from column 3
    };
    const Case cases[] = {
        {{2026, 1, 15}, "January 15, 2026 UTC - NEW MONTH, NEW STORY"},
        {{2026, 11, 21}, "November 21, 2026 UTC - NEW MONTH, NEW STORY"},
        {{2026, 9, 17}, "Sep 17, 2026 UTC - NEW MONTH, NEW STORY"},
        {{2026, 10, 31}, "HALLOWEEN: FINAL BOSS, EXTRA DAMAGE!"},
    };
    for (const Case& c : cases) {
        Screen screen(25, 80, true);
        game_test::draw_on_screen(
            [&c] {
                season_bind_at(noon_utc(c.date));
                draw_lobby();
            },
            screen);
        EXPECT_EQ(trimmed(game_test::cells_text(screen, 19, 3, 44)), c.line);
    }
}

std::string date_name(const testing::TestParamInfo<Date>& info)
{
    char name[16];
    std::snprintf(name, sizeof name, "d%04d%02d%02d", info.param.year, info.param.month,
                  info.param.day);
    return name;
}

// A day in each month, the days chosen to meet both side events of the
// daily, and Halloween.
INSTANTIATE_TEST_SUITE_P(EveryMonth, ScreensOfADate,
                         testing::Values(Date{2026, 1, 1}, Date{2026, 2, 3}, Date{2026, 3, 5},
                                         Date{2026, 4, 7}, Date{2026, 5, 9}, Date{2026, 6, 11},
                                         Date{2026, 7, 13}, Date{2026, 8, 15}, Date{2026, 9, 17},
                                         Date{2026, 9, 30}, Date{2026, 10, 19},
                                         Date{2026, 10, 31}, Date{2026, 11, 21},
                                         Date{2026, 12, 23}),
                         date_name);

}  // namespace
