// The grandfathered language tags of BCP 47: accepted as a whole, compared
// without case, though several of them do not follow the tag syntax.
#ifndef DOORKIT_BBSDEV_LANGUAGE_TAG_GRANDFATHERED_H
#define DOORKIT_BBSDEV_LANGUAGE_TAG_GRANDFATHERED_H

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 26> kGrandfatheredLanguageTags = {
    "art-lojban", "cel-gaulish", "en-GB-oed",  "i-ami",      "i-bnn",     "i-default",
    "i-enochian", "i-hak",       "i-klingon",  "i-lux",      "i-mingo",   "i-navajo",
    "i-pwn",      "i-tao",       "i-tay",      "i-tsu",      "no-bok",    "no-nyn",
    "sgn-BE-FR",  "sgn-BE-NL",   "sgn-CH-DE",  "zh-guoyu",   "zh-hakka",  "zh-min",
    "zh-min-nan", "zh-xiang",
};

#endif
