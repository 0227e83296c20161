#include "chat/json_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Reader {
    std::unique_ptr<vexa::cj_state> state = std::make_unique<vexa::cj_state>();
    std::string text;
    bool parse(std::string document) {
        text = std::move(document);
        return vexa::cj_parse(state.get(), text.data(), text.size()) == 1;
    }
    std::string get(const char* key, std::size_t size = 384) {
        std::string out(size, '\0');
        if (!vexa::cj_get(state.get(), key, out.data(), size)) return "<none>";
        return out.c_str();
    }
};

std::string nested(int depth) {
    return "{\"d\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
}

std::string values(int count) {
    std::string text = "{\"v\":[";  // the object, key and array are three tokens
    for (int i = 0; i < count - 3; ++i) text += i ? ",1" : "1";
    return text + "]}";
}

TEST(JsonReader, AcceptsOnlyOneObjectFollowedByWhitespace) {
    struct Case {
        std::string text;
        bool ok;
    } cases[] = {
        {"{}", true},
        {" \t\r\n{ } \n", true},
        {"{\"a\":[1,{\"b\":null}],\"c\":\"x\"}", true},
        {"[1,2]", false},
        {"\"text\"", false},
        {"{} x", false},
        {"{}{}", false},
        {"", false},
        {"{", false},
        {"{\"a\":1", false},
        {"{\"a\":[1,]}", false},
        {"{\"a\":1,}", false},
        {"{\"a\" 1}", false},
        {"{a:1}", false},
        {"{\"a\":\"unterminated", false},
        {"{\"a\":\"bad \\x escape\"}", false},
        {"{\"a\":\"short \\u12\"}", false},
        {"{\"a\":\"\\u00", false},
        {std::string("{\"a\":\"tab\tinside\"}"), false},
        {nested(17), true},
        {nested(18), false},
        {"{\"a\":" + std::string(5000, '[') , false},
        {values(512), true},
        {values(513), false},
    };
    for (const Case& c : cases) {
        Reader reader;
        EXPECT_EQ(reader.parse(c.text), c.ok) << c.text.substr(0, 60);
    }
}

TEST(JsonReader, PrimitivesFollowTheJsonGrammar) {
    struct Case {
        const char* value;
        bool ok;
    } cases[] = {
        {"0", true},    {"-0.5e+3", true}, {"12E4", true},  {"true", true},   {"false", true},
        {"null", true}, {"01", false},     {"1.", false},   {".5", false},    {"+1", false},
        {"1e", false},  {"-", false},      {"tru", false},  {"nulls", false}, {"1e+", false},
        {"0x1", false},
    };
    for (const Case& c : cases) {
        Reader reader;
        EXPECT_EQ(reader.parse(std::string("{\"n\":") + c.value + "}"), c.ok) << c.value;
    }
    Reader reader;
    EXPECT_FALSE(reader.parse("{\"n\":" + std::string(80, '1') + "}"));
    EXPECT_TRUE(reader.parse("{\"n\":" + std::string(79, '1') + "}"));
}

TEST(JsonReader, MembersDecodeWithEscapesAndRawPrimitives) {
    Reader reader;
    ASSERT_TRUE(reader.parse(
        "{\"s\":\"a\\\"b\\\\c\\/d\\n\\u0041\",\"n\":-12,\"o\":{\"s\":\"inner\"},\"s\":\"second\","
        "\"hi\":\"\\u00e9\",\"zero\":\"\\u0000\",\"q\":\"42\",\"t\":true}"));
    EXPECT_EQ(reader.get("s"), "a\"b\\c/d\nA");  // the first member of that name
    EXPECT_EQ(reader.get("n"), "-12");
    EXPECT_EQ(reader.get("o"), "{\"s\":\"inner\"}");
    EXPECT_EQ(reader.get("inner"), "<none>");  // nested keys are not members
    EXPECT_EQ(reader.get("hi"), "<none>");     // only single bytes 1..127
    EXPECT_EQ(reader.get("zero"), "<none>");
    EXPECT_EQ(reader.get("missing"), "<none>");
    EXPECT_EQ(reader.get("n", 4), "-12");
    EXPECT_EQ(reader.get("n", 3), "<none>");  // does not fit
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "n"), -12);
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "q"), 42);
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "t"), 0);
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "missing"), 0);
}

TEST(JsonReader, NumbersBeyondSixtyFourBitsSaturate) {
    Reader reader;
    ASSERT_TRUE(reader.parse(
        "{\"big\":99999999999999999999,\"low\":-99999999999999999999,\"max\":9223372036854775807}"));
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "big"), INT64_MAX);
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "low"), INT64_MIN);
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "max"), INT64_MAX);
}

TEST(JsonReader, AKeyTooLongToDecodeEndsTheLookup) {
    Reader reader;
    ASSERT_TRUE(reader.parse("{\"" + std::string(128, 'k') + "\":1,\"a\":2}"));
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "a"), 0);
    ASSERT_TRUE(reader.parse("{\"" + std::string(127, 'k') + "\":1,\"a\":2}"));
    EXPECT_EQ(vexa::cj_number(reader.state.get(), "a"), 2);
}

}  // namespace
