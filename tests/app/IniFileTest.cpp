#include "app/IniFile.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

struct Reading {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

class IniReadingTest : public testing::TestWithParam<Reading> {};

TEST_P(IniReadingTest, ReadsLikeTheWindowsProfileFunctions)
{
    const Reading& reading = GetParam();
    EXPECT_EQ(IniFile::parse(reading.file).readString(reading.section, reading.key, "<default>"), reading.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniReadingTest,
    testing::Values(
        Reading{"Plain", "[General]\r\nMode=commande\r\n", "General", "Mode", "commande"},
        Reading{"NamesWithoutRegardToCase", "[general]\nversion=1\n", "General", "Version", "1"},
        Reading{"NamesInCapitals", "[GENERAL]\nVERSION=1\n", "General", "Version", "1"},
        Reading{"ValueCaseKept", "[General]\nConfigurateur=Ferd\n", "General", "Configurateur", "Ferd"},
        Reading{"BlanksAroundDropped", "  [ General ]  \n\t Mode \t=  \t verification \t\n", "General", "Mode",
                "verification"},
        Reading{"InnerBlanksKept", "[Commande]\nReference=Chantier  12\n", "Commande", "Reference", "Chantier  12"},
        Reading{"DoubleQuotesRemoved", "[Commande]\nReference=\" Chantier 12 \"\n", "Commande", "Reference",
                " Chantier 12 "},
        Reading{"SingleQuotesRemoved", "[Commande]\nReference='A'\n", "Commande", "Reference", "A"},
        Reading{"OnlyOnePairRemoved", "[Commande]\nReference=\"\"A\"\"\n", "Commande", "Reference", "\"A\""},
        Reading{"MismatchedQuotesKept", "[Commande]\nReference=\"A'\n", "Commande", "Reference", "\"A'"},
        Reading{"LoneQuoteKept", "[Commande]\nReference=\"\n", "Commande", "Reference", "\""},
        Reading{"EmptyQuotesGiveEmpty", "[Commande]\nReference=\"\"\n", "Commande", "Reference", ""},
        Reading{"PresentButEmpty", "[General]\nMode=\n", "General", "Mode", ""},
        Reading{"PresentButBlank", "[General]\nMode=   \n", "General", "Mode", ""},
        Reading{"AbsentKey", "[General]\nVersion=1\n", "General", "Mode", "<default>"},
        Reading{"AbsentSection", "[Other]\nMode=x\n", "General", "Mode", "<default>"},
        Reading{"KeyBeforeAnySectionIgnored", "Mode=x\n[General]\n", "General", "Mode", "<default>"},
        Reading{"FirstKeyWins", "[General]\nMode=first\nmode=second\n", "General", "Mode", "first"},
        Reading{"FirstSectionWins", "[General]\nVersion=1\n[GENERAL]\nMode=later\n", "General", "Mode", "<default>"},
        Reading{"CommentLine", "[General]\n;Mode=commented\n  ; Mode=indented\nMode=real\n", "General", "Mode", "real"},
        Reading{"SemicolonInValueKept", "[Utilisateur]\nMotDePasse=a;b ; c\n", "Utilisateur", "MotDePasse", "a;b ; c"},
        Reading{"EqualsInValueKept", "[Utilisateur]\nMotDePasse=a=b==\n", "Utilisateur", "MotDePasse", "a=b=="},
        Reading{"OldMacLineEnds", "[General]\rVersion=1\rMode=commande\r", "General", "Mode", "commande"},
        Reading{"LastLineWithoutLineEnd", "[General]\nMode=commande", "General", "Mode", "commande"},
        Reading{"Windows1252Bytes", "[Commande]\nReference=Fen\xEAtre l\x92\xE9t\xE9 \x80\n", "Commande", "Reference",
                "Fenêtre l\u2019été €"},
        Reading{"Utf8WithByteOrderMark", "\xEF\xBB\xBF[Commande]\nReference=Fen\xC3\xAAtre \xE2\x82\xAC\n", "Commande",
                "Reference", "Fenêtre €"},
        Reading{"Utf16WithByteOrderMark", std::string("\xFF\xFE[\0G\0]\0\n\0K\0=\0\xE9\0 \0\xAC\x20", 20), "g", "k",
                "é €"},
        Reading{"Utf16BigEndianWithByteOrderMark", std::string("\xFE\xFF\0[\0G\0]\0\n\0K\0=\0\xE9\0 \x20\xAC", 20), "g",
                "k", "é €"},
        // Without a mark: UTF-8 as Notepad saves it when valid with a multi-byte sequence, else Windows-1252
        // (whose French text is practically never valid UTF-8).
        Reading{"Utf8WithoutByteOrderMark",
                "[Commande]\nReference=R\xC3\xA9"
                "f. \xC3\xA9t\xC3\xA9 \xE2\x80\x93 n\xC2\xB0"
                "5\n",
                "Commande", "Reference", "Réf. été – n°5"},
        Reading{"Windows1252ThatLooksHalfUtf8", "[Commande]\nReference=\xC3\xA9t\xE9\n", "Commande", "Reference",
                "Ã©té"},
        Reading{"ValueEndsAtNul", std::string("[Commande]\nReference=Chantier 12\0 x\n", 36), "Commande", "Reference",
                "Chantier 12"},
        Reading{"NulOnTheLastLine", std::string("[General]\nMode=commande\0", 24), "General", "Mode", "commande"},
        // Broken sequences become U+FFFD (a lone UTF-16 surrogate '?', as Qt writes it): every value is UTF-8.
        Reading{"BrokenUtf8AfterByteOrderMark", "\xEF\xBB\xBF[Commande]\nReference=Fen\xEAtre\n", "Commande",
                "Reference", "Fen\uFFFDtre"},
        Reading{"LoneSurrogateInUtf16",
                std::string("\xFF\xFE[\0G\0]\0\n\0K\0=\0a\0\x00\xD8"
                            "b\0",
                            20),
                "g", "k", "a?b"}),
    [](const testing::TestParamInfo<Reading>& param) { return param.param.name; });

TEST(IniFile, ValuesHaveNoLengthLimit)
{
    const std::string longValue(100000, 'v');
    EXPECT_EQ(IniFile::parse("[RecordId]\nValeur=" + longValue + "\n").readString("RecordId", "Valeur", ""), longValue);
}

TEST(IniFile, AnUnreadableFileGivesNothing)
{
    EXPECT_FALSE(IniFile::load("/nonexistent/folder/config.ini"));
}

} // namespace
} // namespace varno
