// The October picture: the pumpkin villain in half-block pixels, two text
// rows per row of cells. Brown (6) is the body, yellow (E) the eyes and the
// grin, green (2) the stem and vines, greys (7, 8) the clouds and the ground,
// white (F) the highlights; harvest_color animates 6, E and 2.
#include "game/data/art_build.h"
#include "game/seasons.h"

namespace {

constexpr art_pixel_rows grimbo_rows = {
    ".......................7777...",
    "..7777...............77777777.",
    ".777777.77.........28888888888",
    "88888888888........2.88888.88.",
    ".8888..888......222...........",
    "..............22222...........",
    "...........222222.............",
    "..........2222222........FFF..",
    ".........22...222........FFF..",
    ".........2....222........FFF..",
    "..............222.............",
    "............6666666...........",
    ".........FFF6666666666........",
    "........F66666666666666.......",
    ".......66666666666666666......",
    ".....6E6666666666666666E66....",
    "....66EEE666666666666EEE666...",
    "...666EEEEEE666666EEEEEE6666..",
    "...666EEEEEEE6666EEEEEEE6666..",
    "..6666EEEEEEE6666EEEEEEE66666.",
    "..6666EEEEEEE6666EEEEEEE66666.",
    "..666666666666666666666666666.",
    "..666666666666EE666666666E666.",
    "..666EE6666666666666666EEE666.",
    ".6666EEEE666666666666EEEEE6666",
    "..666EEEE66EEEEEE66EEEEEE6666.",
    "..6666EEE6EEEEEEE6EEEEEE66666.",
    "..66666EEEEEEEEEEEEEEEE666666.",
    "..666666EEEEE6EEEEEEE66666666.",
    "..6666666EEE66EEEEEE666666666.",
    "...6666666EE66EEEEEE66666666..",
    "...66666666666EEEE66666666662.",
    ".2.2666666666666666666666262.2",
    "2.2.26666666666666666666662.2.",
    "888888888888888888888888888888",
    "888888888888888888888888888888",
    "788788788788788788788788788788",
    "888888888888888888888888888888",
};

}  // namespace

constexpr art_picture grimbo_pixels = build_picture(grimbo_rows);
