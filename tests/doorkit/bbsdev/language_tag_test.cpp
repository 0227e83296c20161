#include <gtest/gtest.h>

#include <string>

#include "doorkit/bbsdev/language_tag.h"
#include "doorkit/bbsdev/language_tag_grandfathered.h"

namespace {

TEST(LanguageTag, WellFormedTagsAreAccepted)
{
    for (const char* tag :
         {"en", "EN-us", "de-CH-1901", "zh-Hant-TW", "zh-yue-HK", "zh-min-nan-Hant-CN", "es-419",
          "sl-rozaj-biske", "sl-IT-nedis", "hy-Latn-IT-arevela", "de-DE-u-co-phonebk",
          "en-a-bbb-x-a-ccc", "en-US-x-twain", "x-whatever", "X-A-B", "qaa-Qaaa-QM-x-southern",
          "abcd", "abcdefgh", "en-1996", "en-Latn-US-basiceng-1994-u-ca-gregory-t-en-x-1",
          "i-klingon", "I-AMI", "en-gb-OED", "sgn-CH-DE", "zh-min-nan", "art-lojban"}) {
        EXPECT_TRUE(ODLanguageTagWellFormed(tag)) << tag;
    }
}

TEST(LanguageTag, MalformedTagsAreRefused)
{
    for (const char* tag :
         {"", "-", "e", "en-", "-en", "en--US", "en_US", "abcdefghi", "1en", "en-US-US",
          "de-1996-1996", "de-1996-DE", "sl-rozaj-ROZAJ", "en-a-bbb-A-ccc", "en-a", "en-a-b",
          "en-a-x-y", "x", "x-", "x-abcdefghi", "en-x", "zh-min-nan-yue-abc", "abcd-abc",
          "en-Latn-Latn", "en-12", "i-unknown", "en-GB-oedx", "i", "en US",
          "en-\xC3\xA9t\xC3\xA9", "en-US-abcdefghi"}) {
        EXPECT_FALSE(ODLanguageTagWellFormed(tag)) << tag;
    }
}

TEST(LanguageTag, EveryGrandfatheredTagIsAcceptedInAnyCase)
{
    for (std::string_view tag : kGrandfatheredLanguageTags) {
        std::string upper(tag);
        for (char& c : upper)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        EXPECT_TRUE(ODLanguageTagWellFormed(tag)) << tag;
        EXPECT_TRUE(ODLanguageTagWellFormed(upper)) << upper;
    }
}

}  // namespace
