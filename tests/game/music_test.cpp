// ANSI music is sent as one sequence, only when the caller asked for it,
// and never cut short.
#include <gtest/gtest.h>

#include <string>

#include "game/music.h"
#include "tests/game/game_session.h"

namespace {

TEST(Music, MelodyIsWrappedInTheMusicSequence)
{
    char sequence[MUSIC_BUFFER_SIZE];
    ASSERT_TRUE(music_sequence("MFT150O4L8CDEFGAB>C", sequence));
    EXPECT_EQ(std::string(sequence), "\x1b[|MFT150O4L8CDEFGAB>C\x0e\x0f");
}

TEST(Music, AMelodyTooLongForTheBufferIsNotSentAtAll)
{
    char sequence[MUSIC_BUFFER_SIZE];
    // ESC [ | and the two closing bytes leave room for 250 notes.
    EXPECT_TRUE(music_sequence(std::string(250, 'C').c_str(), sequence));
    EXPECT_FALSE(music_sequence(std::string(251, 'C').c_str(), sequence));
    EXPECT_EQ(sequence[0], '\0');
    EXPECT_FALSE(music_sequence(nullptr, sequence));
}

TEST(Music, SentOnlyWhileSoundIsOn)
{
    grimbo_test::ChildResult result = game_test::run_session([](game_test::Caller& caller) {
        sound_enabled = 0;
        play_melody("MFT90O3L8C");
        std::string silent = caller.drain();
        sound_enabled = 1;
        play_melody("MFT90O3L8C");
        std::string played = caller.drain();
        std::fprintf(stderr, "%zu|%s", silent.size(), played.c_str());
        return 0;
    });
    EXPECT_EQ(result.err, "0|\x1b[|MFT90O3L8C\x0e\x0f");
}

}  // namespace
