#include "foundation/TextEncoding.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

struct Conversion {
    const char* utf8;
    const char* windows1252;
};

class Windows1252Test : public testing::TestWithParam<Conversion> {};

TEST_P(Windows1252Test, EncodesEachCharacterAsItsByte)
{
    EXPECT_EQ(utf8ToWindows1252XmlSafe(GetParam().utf8), GetParam().windows1252);
}

TEST_P(Windows1252Test, DecodesTheByteBack)
{
    EXPECT_EQ(windows1252ToUtf8(GetParam().windows1252), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Characters, Windows1252Test,
                         testing::Values(Conversion{"plain ASCII <&>", "plain ASCII <&>"},
                                         Conversion{"vérification", "v\xE9rification"},
                                         Conversion{"L\u2019utilisateur", "L\x92utilisateur"},
                                         Conversion{"\u20AC \u0152uvre \u2026", "\x80 \x8Cuvre \x85"},
                                         Conversion{"\u00FF\u00A0\u00C0", "\xFF\xA0\xC0"},
                                         Conversion{"\u0081\u008D\u008F\u0090\u009D", "\x81\x8D\x8F\x90\x9D"}));

TEST(Windows1252, CharactersOutsideTheCodePageBecomeCharacterReferences)
{
    EXPECT_EQ(utf8ToWindows1252XmlSafe("Zürich \u65E5\u672C \U0001F600 \u0100"),
              "Z\xFCrich &#26085;&#26412; &#128512; &#256;");
}

TEST(Windows1252, MalformedUtf8BecomesAReplacementCharacterReference)
{
    EXPECT_EQ(utf8ToWindows1252XmlSafe("a\xC3"), "a&#65533;");
    EXPECT_EQ(utf8ToWindows1252XmlSafe("a\xE9z"), "a&#65533;z");
    EXPECT_EQ(utf8ToWindows1252XmlSafe("\xC0\xAF"), "&#65533;&#65533;");             // overlong form of '/'
    EXPECT_EQ(utf8ToWindows1252XmlSafe("\xED\xA0\x80"), "&#65533;&#65533;&#65533;"); // a lone surrogate
}

// Dropping the NUL must not join the two broken pieces around it into U+FFFF, which XML forbids.
TEST(XmlCharacters, MalformedPiecesAreReplacedBeforeAnythingIsDropped)
{
    EXPECT_EQ(withoutXmlForbiddenCharacters(std::string_view("a\xEF\xBF\x00\xBFz", 6)), "a\uFFFD\uFFFD\uFFFDz");
    EXPECT_EQ(withoutXmlForbiddenCharacters("\xC3\x01\xA9"), "\uFFFD\uFFFD");
    EXPECT_EQ(withoutXmlForbiddenCharacters("\xEF\xBF\xBF\t\xC3\xA9"), "\t\u00E9");
}

TEST(Utf8, Validity)
{
    EXPECT_TRUE(isValidUtf8("é \u2019 \U0001F600"));
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_FALSE(isValidUtf8("caf\xE9"));
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    const std::string ascii(21, 'a');              // long runs of ASCII are skipped word by word
    EXPECT_TRUE(isValidUtf8(ascii + "é" + ascii));
    EXPECT_FALSE(isValidUtf8(ascii + "\xE9" + ascii));
    EXPECT_FALSE(isValidUtf8(ascii + "\xC3"));
}

} // namespace
} // namespace varno
