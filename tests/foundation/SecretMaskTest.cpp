#include "foundation/SecretMask.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdio>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace varno {
namespace {

// Each byte (percent-encoding) or each character (JSON, XML) of the text written by `format`.
std::string everyUnitEncoded(const std::string& text, const char* format, bool characters)
{
    std::vector<uint> units;
    if (characters) {
        const QList<uint> ucs4 = QString::fromStdString(text).toUcs4();
        units.assign(ucs4.begin(), ucs4.end());
    } else {
        units.assign(text.begin(), text.end());
        for (uint& unit : units) {
            unit &= 0xFFU;
        }
    }
    std::string encoded;
    for (const uint unit : units) {
        std::array<char, 16> escape{};
        std::snprintf(escape.data(), escape.size(), format, unit);
        encoded += escape.data();
    }
    return encoded;
}

// Every spelling a server may echo a secret in, built here on their own, and masked in a line that
// says more around it.
TEST(SecretMask, MasksASecretInEverySpellingAServerMayEcho)
{
    const std::string password = "p&ss w=é#\"<";
    const std::string hexKey = "5f2c9e0a7b3d41e68c1f0a9b2d4e6f80";
    struct Spelling {
        const char* name;
        std::function<std::string(const std::string&)> spell;
    };
    const QByteArray plain = QByteArray::fromStdString(password);
    const std::vector<Spelling> spellings{
        {"plain", [](const std::string& s) { return s; }},
        {"percent-encoded",
         [](const std::string& s) { return QByteArray::fromStdString(s).toPercentEncoding().toStdString(); }},
        {"every character, upper case", [](const std::string& s) { return everyUnitEncoded(s, "%%%02X", false); }},
        {"every character, lower case", [](const std::string& s) { return everyUnitEncoded(s, "%%%02x", false); }},
        {"double encoding",
         [](const std::string& s) {
             return QByteArray::fromStdString(s).toPercentEncoding().toPercentEncoding().toStdString();
         }},
        {"form encoding",
         [](const std::string& s) {
             return QByteArray::fromStdString(s).toPercentEncoding(" ").replace(' ', '+').toStdString();
         }},
        {"JSON \\u escapes", [](const std::string& s) { return everyUnitEncoded(s, "\\u%04x", true); }},
        {"JSON quote escape",
         [](const std::string& s) {
             return QByteArray::fromStdString(s).replace("\"", "\\\"").replace("/", "\\/").toStdString();
         }},
        {"XML named references",
         [](const std::string& s) {
             return QByteArray::fromStdString(s)
                 .replace("&", "&amp;")
                 .replace("<", "&lt;")
                 .replace("\"", "&quot;")
                 .toStdString();
         }},
        {"XML numeric references", [](const std::string& s) { return everyUnitEncoded(s, "&#%d;", true); }},
        {"XML in JSON in a query",
         [](const std::string& s) {
             return QByteArray::fromStdString(s)
                 .replace("&", "&amp;")
                 .replace("\"", "\\\"")
                 .toPercentEncoding()
                 .toStdString();
         }},
        {"Base64", [](const std::string& s) { return QByteArray::fromStdString(s).toBase64().toStdString(); }},
        {"Base64 URL",
         [](const std::string& s) {
             return QByteArray::fromStdString(s)
                 .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)
                 .toStdString();
         }},
    };
    SecretMask mask;
    mask.add("user@example.test", password);
    mask.add(hexKey);
    for (const Spelling& spelling : spellings) {
        for (const std::string& secret : {password, hexKey}) {
            const std::string line = "GET /x?a=1 : le serveur a répondu « 404 " + spelling.spell(secret) + " » fin";
            EXPECT_EQ(mask.masked(line), "GET /x?a=1 : le serveur a répondu « 404 ••• » fin")
                << spelling.name << ": " << line;
        }
    }
    for (const std::string& line :
         {"jeton=" + QByteArray::fromStdString(hexKey).toUpper().toStdString(),
          "Basic " + QByteArray("user@example.test:").append(plain).toBase64().toStdString()}) {
        EXPECT_TRUE(mask.finds(line)) << line;
        EXPECT_EQ(mask.masked(line).find("•••") == std::string::npos, false) << line;
    }
    EXPECT_EQ(mask.masked("rien de secret : 5f2c 9e0a, p&ss"), "rien de secret : 5f2c 9e0a, p&ss");
}

// Spellings that leave part of the line around the secret in place: found, and the secret's part masked.
TEST(SecretMask, FindsASecretDeeplyEncodedInsideOtherTextOrWithItsCaseChanged)
{
    const std::string password = "p&ss w=é#\"<";
    QByteArray fiveRounds = QByteArray::fromStdString(password);
    for (int round = 0; round < 5; ++round) {
        fiveRounds = fiveRounds.toPercentEncoding();
    }
    SecretMask mask;
    mask.add(password);
    for (const std::string& line :
         {"mdp=" + fiveRounds.toStdString(), std::string("P&SS W=É#\"<"), std::string("P%26Ss%20W%3D%C3%A9%23%22%3C"),
          QByteArray::fromStdString("mdp=" + password + "&x").toBase64().toStdString(),
          QByteArray::fromStdString("a=" + password + "&x").toBase64().toStdString(),
          QByteArray::fromStdString("abc" + password + "&x").toBase64().toStdString()}) {
        EXPECT_TRUE(mask.finds(line)) << line;
        EXPECT_EQ(mask.masked(" " + line + " ").find(line), std::string::npos) << line;
    }
}

} // namespace
} // namespace varno
