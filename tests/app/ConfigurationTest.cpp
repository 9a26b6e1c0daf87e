#include "app/Configuration.h"
#include "foundation/FilePath.h"
#include "tests/support/Recorders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <string>
#include <utility>
#include <vector>

namespace varno {
namespace {

using test::RecordingMessages;

class ConfigurationTest : public testing::Test {
protected:
    QTemporaryDir folder;
    RecordingMessages messages;

    std::string write(const std::string& content)
    {
        std::string path = QDir(folder.path()).filePath("config.ini").toStdString();
        test::writeFileBytes(path, content);
        return path;
    }
};

TEST_F(ConfigurationTest, ReadsTheNineKeys)
{
    const auto configuration =
        readConfiguration(write("[General]\r\nVersion=1\r\nConfigurateur=olka\r\nMode=commande\r\n"
                                "[Utilisateur]\r\nIdentifiant=jean@exemple.fr\r\nMotDePasse=s3cr&t\r\n"
                                "[Update]\r\nDevisId=12345\r\n[RecordId]\r\nValeur=12,13\r\n"
                                "[Commande]\r\nNumero=CDE-0042\r\nReference=Chantier 12\r\n"),
                          messages);
    ASSERT_TRUE(configuration);
    EXPECT_EQ(configuration->expectedVersion, "1");
    EXPECT_EQ(configuration->brand, "olka");
    EXPECT_EQ(configuration->mode, "commande");
    EXPECT_EQ(configuration->userLogin, "jean@exemple.fr");
    EXPECT_EQ(configuration->userPassword, "s3cr&t");
    EXPECT_EQ(configuration->quoteId, "12345");
    EXPECT_EQ(configuration->recordId, "12,13");
    EXPECT_EQ(configuration->orderNumber, "CDE-0042");
    EXPECT_EQ(configuration->orderReference, "Chantier 12");
    EXPECT_TRUE(messages.entries().empty());
}

TEST_F(ConfigurationTest, AnEmptyFileGivesTheDefaults)
{
    const auto configuration = readConfiguration(write(""), messages);
    ASSERT_TRUE(configuration);
    EXPECT_EQ(configuration->expectedVersion, "0");
    EXPECT_EQ(configuration->mode, "chiffrage");
    EXPECT_EQ(configuration->brand, "");
    EXPECT_EQ(configuration->recordId, "");
    EXPECT_TRUE(messages.entries().empty());
}

TEST_F(ConfigurationTest, AModePresentButEmptyStaysEmpty)
{
    const auto configuration = readConfiguration(write("[General]\nMode=\n"), messages);
    ASSERT_TRUE(configuration);
    EXPECT_EQ(configuration->mode, "");
}

TEST_F(ConfigurationTest, NoFileIsToldWithThePathAsGiven)
{
    const std::string folderPath = folder.path().toStdString();
    for (const std::string& path : {std::string("config/absent.ini"), folderPath + "/absent.ini"}) {
        messages = RecordingMessages();
        EXPECT_FALSE(readConfiguration(path, messages));
        ASSERT_EQ(messages.entries().size(), 1u);
        EXPECT_FALSE(messages.entries()[0].isError);
        EXPECT_EQ(messages.entries()[0].text,
                  "Le configurateur Varno n'est pas configuré. Le fichier : " + path + " n'existe pas.");
    }
}

// What is there but is no configuration file is told for what it is, and a file far larger than any
// configuration as unreadable, without reading it all.
TEST_F(ConfigurationTest, WhatIsNoConfigurationFileIsToldForWhatItIs)
{
    const std::string folderPath = folder.path().toStdString();
    std::vector<std::pair<std::string, std::string>> cases{
        {folderPath, "est un dossier, pas un fichier"},
        {write(std::string((1 << 20) + 1, '[')), "ne peut pas être lu (il dépasse 1 Mo)"}};
#ifndef _WIN32
    const std::string pipe = folderPath + "/pipe.ini";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    cases.emplace_back(pipe, "n'est pas un fichier ordinaire");
    cases.emplace_back("/dev/zero", "n'est pas un fichier ordinaire");
#endif
    for (const auto& [path, told] : cases) {
        messages = RecordingMessages();
        EXPECT_FALSE(readConfiguration(pathFromUtf8(path), messages));
        ASSERT_EQ(messages.entries().size(), 1u);
        std::string expected = "Le configurateur Varno n'est pas configuré. Le fichier : ";
        expected.append(path).append(" ").append(told).append(".");
        EXPECT_EQ(messages.entries()[0].text, expected);
    }
}

// A file that is there but cannot be read is told as such, not as a version mismatch: on Windows the
// host may still hold it open without sharing, elsewhere it may lack the read permission.
TEST_F(ConfigurationTest, AnUnreadableFileIsToldWithItsPath)
{
    const std::string path = write("[General]\r\nVersion=1\r\n");
#ifdef _WIN32
    const HANDLE held = CreateFileW(pathFromUtf8(path).wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
#else
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads any file: an unreadable configuration file is not tested here";
    }
    QFile::setPermissions(QString::fromStdString(path), QFileDevice::Permissions());
#endif
    EXPECT_FALSE(readConfiguration(pathFromUtf8(path), messages));
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].text,
              "Le configurateur Varno n'est pas configuré. Le fichier : " + path + " ne peut pas être lu.");
#ifdef _WIN32
    CloseHandle(held);
#endif
}

} // namespace
} // namespace varno
