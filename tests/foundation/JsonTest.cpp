#include "foundation/Json.h"
#include "foundation/Error.h"
#include "net/ConfiguratorApi.h"
#include "tests/support/Errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

TEST(Json, NumbersKeepTheDigitsOfTheText)
{
    const JsonValue value = JsonValue::parse(R"({"a":1234.50,"b":-0.0,"c":1e3,"d":12345678901234567890123})");
    EXPECT_EQ(value.member("a")->text(), "1234.50");
    EXPECT_EQ(value.member("b")->text(), "-0.0");
    EXPECT_EQ(value.member("c")->text(), "1e3");
    EXPECT_EQ(value.member("d")->text(), "12345678901234567890123");
    EXPECT_EQ(value.member("a")->kind(), JsonValue::Kind::Number);
}

TEST(Json, ValueTextAndJsonTextForm)
{
    const JsonValue value =
        JsonValue::parse(R"({"s":"Salon \"A\"\n\u00e9","t":true,"f":false,"n":null,"o":{"k":[1,"x"]}})");
    EXPECT_EQ(value.member("s")->text(), "Salon \"A\"\né");
    EXPECT_EQ(value.member("s")->jsonText(), R"("Salon \"A\"\né")");
    EXPECT_EQ(value.member("t")->text(), "true");
    EXPECT_EQ(value.member("f")->text(), "false");
    EXPECT_EQ(value.member("n")->text(), "null");
    EXPECT_EQ(value.member("n")->jsonText(), "null");
    EXPECT_EQ(value.member("o")->text(), R"({"k":[1,"x"]})");
    EXPECT_EQ(value.member("missing"), nullptr);
}

TEST(Json, KeepsMemberOrderAndRepeatedNames)
{
    const JsonValue value = JsonValue::parse(R"({"b":1,"a":2,"b":3})");
    std::vector<std::string> seen;
    for (const auto& [name, member] : value.members()) {
        seen.push_back(name + "=" + member.text());
    }
    EXPECT_THAT(seen, testing::ElementsAre("b=1", "a=2", "b=3"));
    EXPECT_EQ(value.member("b")->text(), "1");
}

TEST(Json, NestedContainersBuildTheRightTree)
{
    const JsonValue value = JsonValue::parse(R"([{"a":[[1],[2,3]],"b":{}},[],"x"])");
    ASSERT_EQ(value.elements().size(), 3u);
    EXPECT_EQ(value.elements()[0].member("a")->elements()[1].elements()[1].text(), "3");
    EXPECT_TRUE(value.elements()[0].member("b")->isObject());
    EXPECT_TRUE(value.elements()[1].isArray());
    EXPECT_EQ(value.jsonText(), R"([{"a":[[1],[2,3]],"b":{}},[],"x"])");
}

TEST(Json, RefusesWhatIsNotJson)
{
    for (const char* text : {"", "NULL", "{\"a\":}", "[1,]", "{} {}", "<html/>", "\"caf\xE9\""}) {
        EXPECT_THROW(JsonValue::parse(text), VarnoError) << text;
    }
}

// A hostile answer nested deeply enough (2 MB of brackets) would overflow the stack.
TEST(Json, RefusesNestingBeyondAFixedDepth)
{
    const auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_EQ(JsonValue::parse(nested(128)).kind(), JsonValue::Kind::Array);
    for (const std::size_t depth : {std::size_t{129}, std::size_t{1000000}}) {
        EXPECT_EQ(test::varnoErrorOf([&] { JsonValue::parse(nested(depth)); }),
                  "La réponse n'est pas du JSON valide : imbrication de plus de 128 niveaux (position 129).");
    }
    EXPECT_THROW(JsonValue::parse(std::string(1000000, '[')), VarnoError);
    EXPECT_THROW(JsonValue::parse(std::string(500000, '{') + "\"a\":1"), VarnoError);
}

TEST(Json, ShapeChecksNameWhatWasFound)
{
    EXPECT_EQ(test::varnoErrorOf([] { JsonValue::parse("[1]").expectObject("le dossier"); }),
              "La réponse n'a pas la forme attendue : le dossier est un tableau au lieu d'un objet JSON.");
    EXPECT_THROW(JsonValue::parse("null").expectArray("la réponse"), VarnoError);
}

TEST(Json, StringContentEscaping)
{
    EXPECT_EQ(jsonStringContent("Chantier 12"), "Chantier 12");
    EXPECT_EQ(jsonStringContent("a\"b\\c/d"), "a\\\"b\\\\c/d");
    EXPECT_EQ(jsonStringContent("l1\nl2\r\t\x01"), "l1\\nl2\\r\\t\\u0001");
    EXPECT_EQ(jsonStringContent("Fenêtre ’"), "Fenêtre ’");
}

TEST(PathSegment, EncodesOnlyWhatWouldChangeTheUrl)
{
    EXPECT_EQ(encodePathSegment("Q-42"), "Q-42");
    EXPECT_EQ(encodePathSegment("12,13"), "12,13");
    EXPECT_EQ(encodePathSegment("a_b.c~"), "a_b.c~");
    EXPECT_EQ(encodePathSegment("../x?y#z%"), "..%2Fx%3Fy%23z%25");
    EXPECT_EQ(encodePathSegment("a b\t\x7F"), "a%20b%09%7F");
    EXPECT_EQ(encodePathSegment("é"), "%C3%A9");
    EXPECT_EQ(encodePathSegment("."), "%2E");
    EXPECT_EQ(encodePathSegment(".."), "%2E%2E");
    EXPECT_EQ(encodePathSegment("..."), "...");
}

} // namespace
} // namespace varno
