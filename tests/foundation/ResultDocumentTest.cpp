#include "foundation/ResultDocument.h"
#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "foundation/WholeFile.h"
#include "tests/support/Errors.h"
#include "tests/support/Recorders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <array>
#include <utility>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>
#endif

namespace varno {
namespace {

using test::readFileBytes;
using test::writeFileBytes;

constexpr const char* kDeclaration = R"(<?xml version="1.0" encoding="ISO-8859-1"?>)";

std::string verificationDocument(const std::string& code, const std::string& libelle)
{
    ResultDocument document(ResultDocument::kEmptyDocument);
    ResultDocument::appendText(document.root(), "Project", "123");
    const auto outcome = ResultDocument::appendText(document.root(), "Verification", "");
    ResultDocument::appendText(outcome, "Code", code);
    ResultDocument::appendText(outcome, "Libelle", libelle);
    return document.serialize();
}

TEST(ResultDocument, WritesDeclarationElementsInOrderAndOneCrLf)
{
    EXPECT_EQ(verificationDocument("PRICER_NOT_ALLOWED",
                                   "L\u2019utilisateur n\u2019a pas le droit d\u2019utiliser cette bibliothèque."),
              std::string(kDeclaration) +
                  "<Configurateur><Project>123</Project><Verification><Code>PRICER_NOT_ALLOWED</Code>"
                  "<Libelle>L\x92utilisateur n\x92"
                  "a pas le droit d\x92utiliser cette biblioth\xE8que.</Libelle>"
                  "</Verification></Configurateur>\r\n");
}

TEST(ResultDocument, EmptyValuesStillGiveTheirElements)
{
    EXPECT_EQ(verificationDocument("", ""), std::string(kDeclaration) +
                                                "<Configurateur><Project>123</Project><Verification><Code/>"
                                                "<Libelle/></Verification></Configurateur>\r\n");
}

TEST(ResultDocument, EscapesMarkupAndReadsBackUnchanged)
{
    const std::string libelle = "a < b & c > d \"e\" 'f'";
    const std::string bytes = verificationDocument("X", libelle);
    EXPECT_NE(bytes.find("<Libelle>a &lt; b &amp; c &gt; d \"e\" 'f'</Libelle>"), std::string::npos) << bytes;

    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_string(bytes.c_str()));
    EXPECT_EQ(std::string(reread.child("Configurateur").child("Verification").child_value("Libelle")), libelle);
}

TEST(ResultDocument, CharactersOutsideWindows1252SurviveAsCharacterReferences)
{
    const std::string libelle = "Chantier \u65E5\u672C \u0100 \U0001F600";
    const std::string bytes = verificationDocument("X", libelle);
    EXPECT_NE(bytes.find("<Libelle>Chantier &#26085;&#26412; &#256; &#128512;</Libelle>"), std::string::npos) << bytes;

    pugi::xml_document reread;
    ASSERT_TRUE(reread.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_latin1));
    EXPECT_EQ(std::string(reread.child("Configurateur").child("Verification").child_value("Libelle")), libelle);
}

struct StartingText {
    const char* name;
    const char* xml;
    const char* expected;
};

class StartingTextTest : public testing::TestWithParam<StartingText> {};

TEST_P(StartingTextTest, DeclaresIso88591AndKeepsTheChildren)
{
    ResultDocument document(GetParam().xml);
    ResultDocument::appendText(document.root(), "Libelle", "Porte d'entrée");
    EXPECT_EQ(document.serialize(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, StartingTextTest,
    testing::Values(
        StartingText{
            "UTF8Declaration",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configurateur><Jeton>t</Jeton><Passerelle>ferd</Passerelle>"
            "<Project>Q-42</Project></Configurateur>",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Jeton>t</Jeton>"
            "<Passerelle>ferd</Passerelle><Project>Q-42</Project><Libelle>Porte d'entr\xE9"
            "e</Libelle>"
            "</Configurateur>\r\n"},
        StartingText{"NoDeclaration", "<Configurateur><Project/></Configurateur>",
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Project/>"
                     "<Libelle>Porte d'entr\xE9"
                     "e</Libelle></Configurateur>\r\n"},
        StartingText{"StandaloneKept", "<?xml version=\"1.0\" standalone=\"yes\"?><Configurateur/>",
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?><Configurateur>"
                     "<Libelle>Porte d'entr\xE9"
                     "e</Libelle></Configurateur>\r\n"},
        StartingText{"OtherRootGetsNothing", "<Autre><Project>1</Project></Autre>",
                     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Autre><Project>1</Project></Autre>\r\n"}),
    [](const testing::TestParamInfo<StartingText>& param) { return param.param.name; });

bool readsAsXml(const std::string& bytes)
{
    QXmlStreamReader reader(QByteArray::fromStdString(bytes));
    while (!reader.atEnd()) {
        reader.readNext();
    }
    return !reader.hasError();
}

// No XML reader accepts these characters, not even as references: they are dropped, wherever they come from.
TEST(ResultDocument, DropsTheCharactersXmlForbids)
{
    ResultDocument document("<Configurateur a=\"x&#1;y\"><Texte>a&#1;b&#x1F;c</Texte></Configurateur>");
    ResultDocument::appendText(document.root(), "Libelle", "L\x01i\x08g\x1Fne\t1\r\nligne\x7F 2 \xEF\xBF\xBE");
    const std::string written = document.serialize();
    EXPECT_EQ(written, std::string(kDeclaration) + "<Configurateur a=\"xy\"><Texte>abc</Texte>"
                                                   "<Libelle>Ligne\t1\r\nligne\x7F 2 </Libelle></Configurateur>\r\n");
    EXPECT_TRUE(readsAsXml(written));
}

// A starting text refused with a message that starts with reason.
void expectRefused(const char* startingText, const std::string& reason)
{
    EXPECT_THAT(test::varnoErrorOf([&] { ResultDocument document(startingText); }), testing::StartsWith(reason))
        << startingText;
}

// A name cannot hold a character reference: a retrieval document whose names Windows-1252 cannot write
// is refused rather than written broken.
TEST(ResultDocument, RefusesNamesThatWindows1252CannotWrite)
{
    for (const char* text : {"<Configurateur><Заказ/></Configurateur>", "<Configurateur><A Ω=\"1\"/></Configurateur>",
                             "<?xml version=\"1.0\" standalone=\"Ω\"?><Configurateur/>", "<?Ω x?><Configurateur/>"}) {
        expectRefused(text, "Le document de résultat ne peut pas être écrit en ISO-8859-1");
    }
    EXPECT_TRUE(readsAsXml(ResultDocument("<Configurateur><Détail é=\"1\"/></Configurateur>").serialize()));
}

// pugixml reads these without complaint; written back as they came, no XML reader would take them.
TEST(ResultDocument, RefusesWhatOnlyALenientReaderTakes)
{
    for (const char* text :
         {"<?xml versionencoding=\"UTF-8\"?><Configurateur/>", "<Configurateur/><Autre/>",
          R"(<Configurateur a="1" a="2"/>)", R"(<?xml version="1.0"?><?xml version="1.0"?><Configurateur/>)",
          "<x:Configurateur/>", R"(<?xml version="1.0" encoding="x" encoding="UTF-8"?><Configurateur/>)",
          R"(<?xml encoding="UTF-8" version="1.0"?><Configurateur/>)"}) {
        expectRefused(text, "Le document de résultat n'est pas un document XML valide");
    }
}

TEST(ResultDocument, KeepsCommentsInstructionsAndTheDocumentType)
{
    const ResultDocument document(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE Configurateur>\n<!-- avant -->\n"
        "<?hote v=\"2\"?>\n<Configurateur><!-- dedans --><Project>Q-1</Project></Configurateur>");
    const std::string written = document.serialize();
    EXPECT_EQ(written, std::string(kDeclaration) +
                           "<!DOCTYPE Configurateur><!-- avant --><?hote v=\"2\"?>"
                           "<Configurateur><!-- dedans --><Project>Q-1</Project></Configurateur>\r\n");
    EXPECT_TRUE(readsAsXml(written));
}

TEST(ResultDocument, RefusesAStartingTextThatIsNotXml)
{
    expectRefused("<html><body>Erreur", "Le document de résultat n'est pas un document XML valide");
}

class ResultFileTest : public testing::Test {
protected:
    QTemporaryDir folder;
    std::string path(const char* name) const { return QDir(folder.path()).filePath(name).toStdString(); }
    QStringList entries() const
    {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
};

TEST_F(ResultFileTest, ReplacesALongerFileWhole)
{
    const std::string target = path("devis.xml");
    writeFileBytes(target, std::string(5000, 'x') + "\r\nold content\r\n");
    ResultDocument document(ResultDocument::kEmptyDocument);
    ResultDocument::appendText(document.root(), "Project", "4711");
    document.save(target);
    EXPECT_EQ(readFileBytes(target),
              std::string(kDeclaration) + "<Configurateur><Project>4711</Project></Configurateur>\r\n");
    EXPECT_EQ(entries(), QStringList{"devis.xml"}); // nothing left beside it
}

TEST_F(ResultFileTest, ASecondRunLeavesOnlyTheSecondDocument)
{
    const std::string target = path("devis.xml");
    ResultDocument first(ResultDocument::kEmptyDocument);
    ResultDocument::appendText(first.root(), "Project", "first-and-longer");
    first.save(target);
    ResultDocument second(ResultDocument::kEmptyDocument);
    ResultDocument::appendText(second.root(), "Project", "2");
    second.save(target);
    EXPECT_EQ(readFileBytes(target), second.serialize());
}

TEST_F(ResultFileTest, AFailedWriteLeavesTheHostFileAsItWas)
{
    const std::string blocker = path("not-a-folder");
    writeFileBytes(blocker, "host content");
    ResultDocument document(ResultDocument::kEmptyDocument);

    const std::array<std::pair<std::string, const char*>, 4> cases{
        {{blocker + "/devis.xml", "ce qui devrait être son dossier est un fichier"},
         {path("missing/devis.xml"), "son dossier n'existe pas"},
         {folder.path().toStdString(), "un dossier porte ce nom"},
         {path(std::string(300, 'x').c_str()), "son nom est trop long"}}};
    for (const auto& failure : cases) {
        const std::string& target = failure.first;
        std::string expected = "Impossible d'écrire le fichier « ";
        expected.append(target).append(" » : ").append(failure.second).append(" (");
        EXPECT_THAT(test::varnoErrorOf([&] { document.save(target); }), testing::StartsWith(expected));
    }
    EXPECT_EQ(readFileBytes(blocker), "host content");
    EXPECT_EQ(entries(), QStringList{"not-a-folder"});
}

// A read-only file (its attribute on Windows, its permissions elsewhere) is told as such, in French, with
// the system's words after it.
TEST_F(ResultFileTest, AReadOnlyFileIsToldAsSuch)
{
    const std::string target = path("devis.xml");
    writeFileBytes(target, "host content");
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesW(pathFromUtf8(target).c_str(), FILE_ATTRIBUTE_READONLY));
#else
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes a read-only file: not tested here";
    }
    ASSERT_TRUE(QFile::setPermissions(QString::fromStdString(target), QFileDevice::ReadOwner));
#endif
    const std::string error = test::varnoErrorOf([&] { writeFileWhole(target, "new"); });
    EXPECT_THAT(error, testing::StartsWith("Impossible d'écrire le fichier « " + target +
                                           " » : le fichier est en lecture seule ("));
    EXPECT_THAT(error, testing::Not(testing::HasSubstr("is not writable")));
    EXPECT_EQ(readFileBytes(target), "host content");
#ifdef _WIN32
    SetFileAttributesW(pathFromUtf8(target).c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

#ifndef _WIN32
// Writes that fail part-way (a full disk): the error is told and the host's file stays byte for byte.
class FailingWriteTest : public ResultFileTest {
protected:
    const std::string target = path("devis.xml");
    // As small as a verification document: it stays in a write buffer until the file is closed.
    const std::string bytes = "<?xml version=\"1.0\"?><Configurateur><Project>4711</Project></Configurateur>\r\n";

    void SetUp() override { writeFileBytes(target, "host content"); }

    void expectRefusedAndUntouched(const QStringList& files = {"devis.xml"})
    {
        EXPECT_THAT(test::varnoErrorOf([&] { writeFileWhole(target, bytes); }),
                    testing::StartsWith("Impossible d'écrire le fichier « " + target +
                                        " » : le disque est plein ou refuse l'écriture ("));
        EXPECT_EQ(readFileBytes(target), "host content");
        EXPECT_EQ(entries(), files);
    }
};

// The system refuses every byte past a limit, as a full disk does.
TEST_F(FailingWriteTest, AWriteRefusedByTheSystem)
{
    const test::FileSizeLimit limit(20);
    expectRefusedAndUntouched();
}

// A real, small file system that is full.
TEST_F(FailingWriteTest, AFullFileSystem)
{
    const std::string mountPoint = folder.path().toStdString();
    if (geteuid() != 0 || mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root: full file system not tested";
    }
    writeFileBytes(target, "host content");
    {
        std::ofstream filler(path("filler"), std::ios::binary); // until the file system is full
        for (int i = 0; i < 1000 && filler; ++i) {
            filler << std::string(1024, 'f') << std::flush;
        }
    }
    expectRefusedAndUntouched({"devis.xml", "filler"});
    umount(mountPoint.c_str());
}
#endif

} // namespace
} // namespace varno
