// Request-text parsing helpers.
#include <gtest/gtest.h>

#include "common/json.h"

TEST(Json, ParsesObjectsAndBareValuesAndRefusesTheRest)
{
    EXPECT_NE(json_parse("{\"a\":1}"), nullptr);
    EXPECT_NE(json_parse("[1,2]"), nullptr);
    auto n = json_parse("42");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(json_object_get_int(n.get()), 42);
    EXPECT_NE(json_parse("true"), nullptr);
    EXPECT_EQ(json_parse("{\"a\":1"), nullptr);
    EXPECT_EQ(json_parse("userName=admin"), nullptr);
    EXPECT_EQ(json_parse(""), nullptr);
    EXPECT_EQ(json_parse(nullptr), nullptr);
}

TEST(Json, FieldHelpers)
{
    auto o = json_parse("{\"n\":7,\"s\":\"abcdef\",\"neg\":-1}");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(jint(o.get(), "n"), 7);
    EXPECT_EQ(jint(o.get(), "missing"), 0);
    EXPECT_EQ(jint(o.get(), "missing", -5), -5);
    char small[4] = "xyz";
    EXPECT_TRUE(jtext(o.get(), "s", small));
    EXPECT_STREQ(small, "abc");
    char keep[8] = "kept";
    EXPECT_FALSE(jtext(o.get(), "absent", keep));
    EXPECT_STREQ(keep, "kept");
    char cut[8];
    EXPECT_TRUE(jtext(o.get(), "s", cut, 2));
    EXPECT_STREQ(cut, "ab");
    int field = 9;
    EXPECT_FALSE(jset(o.get(), "absent", field));
    EXPECT_EQ(field, 9);
    EXPECT_TRUE(jset(o.get(), "neg", field));
    EXPECT_EQ(field, -1);
    // A member of something that is not an object is absent.
    auto arr = json_parse("[1]");
    EXPECT_FALSE(jhas(arr.get(), "n"));
}

TEST(Json, RangeChecksNameTheirRuleForAMissingKey)
{
    auto o = json_parse("{\"chn\":63,\"over\":64,\"text\":\"12\",\"big\":99999999999}");
    ASSERT_NE(o, nullptr);
    json_object* r = o.get();
    EXPECT_TRUE(jint_required_in(r, "chn", 0, 63));
    EXPECT_FALSE(jint_required_in(r, "over", 0, 63));
    EXPECT_FALSE(jint_required_in(r, "missing", 0, 63));
    EXPECT_TRUE(jint_optional_in(r, "missing", 1, 63));
    EXPECT_FALSE(jint_optional_in(r, "over", 0, 63));
    EXPECT_TRUE(jint_zero_in(r, "missing", 0, 63));
    EXPECT_FALSE(jint_zero_in(r, "missing", 1, 63));
    // A numeric text converts as json-c converts it; a number past 32 bits
    // is out of every 32-bit range, not read as INT32_MAX.
    EXPECT_TRUE(jint_required_in(r, "text", 12, 12));
    EXPECT_FALSE(jint_required_in(r, "big", 0, 0x7fffffff));
    EXPECT_FALSE(jint_optional_in(r, "big", 0, 0x7fffffff));
    EXPECT_FALSE(jint_zero_in(r, "big", 0, 0x7fffffff));
}
