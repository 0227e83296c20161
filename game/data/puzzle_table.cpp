#include "game/data/puzzle_table.h"

constexpr const char* const riddle[puzzle_stages] = {
    "A face carved by hand, a heart made of fire.",
    "Two lights approach, yet no driver is there.",
    "The garage door demands the tool that turns bolts.",
    "Which way does the corn lean when there is no wind?",
    "The crypt inscription: what remains after flesh?",
    "The judge has no eyes, but watches from a post.",
    "The Rot King fears one thing that helps plants grow.",
    "Grimbo's throne burns with a flame that has no heat.",
};

constexpr const char* const options[puzzle_stages] = {
    "[1] MASK  [2] LANTERN  [3] MIRROR",
    "[1] GHOST CAR  [2] TRACTOR  [3] BICYCLE",
    "[1] HAMMER  [2] WRENCH  [3] SAW",
    "[1] TOWARD YOU  [2] NORTH  [3] AWAY",
    "[1] BONE  [2] CANDY  [3] ASH",
    "[1] CROW  [2] SCARECROW  [3] OWL",
    "[1] WATER  [2] SALT  [3] SOIL",
    "[1] SUNLIGHT  [2] MOONLIGHT  [3] GHOSTLIGHT",
};

constexpr char answers[puzzle_stages + 1] = "21231223";

constexpr const char* const items[puzzle_items] = {
    "KEY", "MAP", "BELL", "MIRROR", "BOOK", "LANTERN", "COIN", "CLOCK",
};

constexpr const char* const hints[puzzle_items] = {
    "I turn in a lock but have no engine.",
    "I show the way but never travel.",
    "I have a voice but no mouth.",
    "I show your face but have no eyes.",
    "I carry stories between two covers.",
    "I carry a flame through the dark.",
    "I buy supplies but cannot eat.",
    "I count the hours but never sleep.",
};
