// Runs the built Module_Varno as the host does, with messages written to a file instead of boxes.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

    Outcome run(const QStringList& arguments)
    {
        write(path("devis.xml"), "host content");
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("VARNO_MESSAGE_LOG", path("messages.log"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.path());
        process.start(MODULE_VARNO_EXE, arguments);
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

} // namespace
