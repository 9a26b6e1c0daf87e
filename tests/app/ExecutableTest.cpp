// Runs the built Module_Varno as the host does, with messages written to a file instead of boxes.
#include "TestHttpsServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <regex>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode;
    QString messages;
    QByteArray temporaryFile;
};

class ExecutableTest : public testing::Test {
protected:
    QTemporaryDir folder;
    QString path(const char* name) const { return QDir(folder.path()).filePath(name); }

    void write(const QString& file, const QByteArray& content)
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
    }

    // Starts the program on a temporary file holding the host's content.
    void start(QProcess& process, const QStringList& arguments)
    {
        write(path("devis.xml"), "host content");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("VARNO_MESSAGE_LOG", path("messages.log"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.path());
        process.start(MODULE_VARNO_EXE, arguments);
    }

    Outcome run(const QStringList& arguments)
    {
        QProcess process;
        start(process, arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        QFile log(path("messages.log"));
        QFile temporary(path("devis.xml"));
        Outcome outcome{process.exitCode(), {}, {}};
        if (log.open(QIODevice::ReadOnly)) {
            outcome.messages = QString::fromUtf8(log.readAll());
        }
        if (temporary.open(QIODevice::ReadOnly)) {
            outcome.temporaryFile = temporary.readAll();
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return outcome;
    }
};

TEST_F(ExecutableTest, AWrongArgumentCountIsRefusedWithItsMessage)
{
    const QString expected = "message:\nConfigurateur Varno - Verifiez vos paramètres !\n1. Fichier temp.\n2. Fichier config.\n\n";
    for (const QStringList& arguments : {QStringList{}, QStringList{"devis.xml"}, QStringList{"devis.xml", "config.ini", "x"}}) {
        QFile::remove(path("messages.log"));
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.messages, expected) << arguments.join(' ').toStdString();
        EXPECT_EQ(outcome.temporaryFile, "host content");
    }
}

TEST_F(ExecutableTest, AMissingConfigurationIsToldWithItsPathAsGiven)
{
    const Outcome outcome = run({"devis.xml", "sub/absent.ini"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.messages,
              "message:\nLe configurateur Varno n'est pas configuré. Le fichier : sub/absent.ini n'existe pas.\n\n");
    EXPECT_EQ(outcome.temporaryFile, "host content");
}

TEST_F(ExecutableTest, ArgumentsThatLookLikeQtOptionsAreStillPaths)
{
    const Outcome outcome = run({"-platform", "xcb"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.messages, "message:\nLe configurateur Varno n'est pas configuré. Le fichier : xcb n'existe pas.\n\n");
}

TEST_F(ExecutableTest, AVersionMismatchEndsWithoutTouchingTheTemporaryFile)
{
    write(path("config.ini"), "[General]\r\nVersion=2\r\nConfigurateur=olka\r\nMode=commande\r\n");
    const Outcome outcome = run({"devis.xml", "config.ini"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.messages, "message:\nVotre Configurateur olka est en Version 1 et devrait être en Version 2.\n\n");
    EXPECT_EQ(outcome.temporaryFile, "host content");
}

TEST_F(ExecutableTest, AnUnknownModeEndsSilently)
{
    write(path("config.ini"), "[General]\r\nVersion=1\r\nConfigurateur=ferd\r\nMode=Commande\r\n");
    const Outcome outcome = run({"devis.xml", "config.ini"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.messages, "");
    EXPECT_EQ(outcome.temporaryFile, "host content");
}

// The whole program against a server standing in for the configurator API at the address built into
// it (the default build's is https://localhost:8443).
class ExecutableWorkflowTest : public ExecutableTest {
protected:
    std::unique_ptr<varno::test::TestHttpsServer> api;

    void SetUp() override
    {
        const QUrl builtIn(BUILT_IN_API_URL);
        if (builtIn.host() != "localhost" && builtIn.host() != "127.0.0.1") {
            GTEST_SKIP() << "this build's configurator API is not on this machine: " << BUILT_IN_API_URL;
        }
        try {
            api = std::make_unique<varno::test::TestHttpsServer>(builtIn.port(443));
        } catch (const std::exception& error) {
            GTEST_SKIP() << error.what() << " (is the sandbox running?)";
        }
        api->setHandler([](const httplib::Request& request, httplib::Response& response) {
            if (request.path.ends_with("/quotation-records/123")) {
                response.set_content(R"({"id":123,"indirectMode":false})", "application/json");
            } else if (request.path.ends_with("/checkquotationrecords")) {
                response.set_content(R"([{"errorCode":"PRICER_NOT_ALLOWED"}])", "application/json");
            } else if (request.path.ends_with("/createorder")) {
                response.set_content(R"({"reference":"C-2024-0815"})", "application/json");
            } else {
                response.status = 404;
            }
        });
    }
};

TEST_F(ExecutableWorkflowTest, VerificationWritesTheResultDocument)
{
    write(path("config.ini"), "[General]\r\nVersion=1\r\nConfigurateur=ferd\r\nMode=verification\r\n"
                              "[RecordId]\r\nValeur=123\r\n");
    const Outcome outcome = run({"devis.xml", "config.ini"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.messages, "");
    EXPECT_EQ(outcome.temporaryFile,
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Project>123</Project><Verification>"
              "<Code>PRICER_NOT_ALLOWED</Code><Libelle>L\x92utilisateur n\x92" "a pas le droit d\x92utiliser cette "
              "biblioth\xE8que.</Libelle></Verification></Configurateur>\r\n");
    EXPECT_EQ(api->requests().size(), 2u);
}

TEST_F(ExecutableWorkflowTest, OrderWritesTheResultDocument)
{
    write(path("config.ini"), "[General]\r\nVersion=1\r\nConfigurateur=olka\r\nMode=commande\r\n"
                              "[RecordId]\r\nValeur=123\r\n[Commande]\r\nNumero=CDE-0042\r\nReference=Chantier 12\r\n");
    const Outcome outcome = run({"devis.xml", "config.ini"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.messages, "");
    EXPECT_EQ(outcome.temporaryFile,
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Project>123</Project><Commande>"
              "<Code>REFERENCE</Code><Libelle>C-2024-0815</Libelle></Commande></Configurateur>\r\n");
    ASSERT_EQ(api->requests().size(), 1u);
    EXPECT_TRUE(std::regex_match(api->requests()[0].body,
                                 std::regex(R"(\{"quotationRecordIds": \[123\],"documentNumber": "de\(KORVALIS\)CDE-0042",)"
                                            R"("documentTitle": "Chantier 12","documentDate": "\\/Date\(\d+\+0100\)\\/" ,)"
                                            R"("comment": ""\})")))
        << api->requests()[0].body;
}

TEST_F(ExecutableWorkflowTest, AFailedCheckShowsTheErrorAndLeavesTheTemporaryFile)
{
    write(path("config.ini"), "[General]\r\nVersion=1\r\nConfigurateur=ferd\r\nMode=verification\r\n"
                              "[RecordId]\r\nValeur=999\r\n");
    // After the error the window stays open until the user closes it: wait for the error, then end it.
    QProcess process;
    start(process, {"devis.xml", "config.ini"});
    QFile log(path("messages.log"));
    for (int i = 0; i < 100 && !log.exists(); ++i) {
        process.waitForFinished(100);
    }
    process.terminate();
    process.waitForFinished(10000);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString messages = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(messages.startsWith("error:\nLa requête GET vers https://localhost:")) << messages.toStdString();
    EXPECT_TRUE(messages.contains("/api/v2.0/quotation-records/999 a échoué")) << messages.toStdString();
    QFile temporary(path("devis.xml"));
    ASSERT_TRUE(temporary.open(QIODevice::ReadOnly));
    EXPECT_EQ(temporary.readAll(), "host content");
}

} // namespace
