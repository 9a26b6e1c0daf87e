#include "app/TFicheConfigurateur.h"
#include "foundation/FilePath.h"
#include "tests/support/Recorders.h"
#include "tests/support/TestHttpsServer.h"
#include "ui/WorkflowWindow.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

using test::readFileBytes;
using test::TestServices;
using test::waitUntil;

std::vector<std::string> visibleLogos(const BrandLogos& logos)
{
    std::vector<std::string> names;
    for (const QLabel* logo : {logos.imgFerd, logos.imgOlka, logos.imgTamrix}) {
        if (!logo->isHidden() && !logo->pixmap().isNull()) { // shown, and its picture read
            names.push_back(logo->objectName().toStdString());
        }
    }
    return names;
}

// What a workflow window looked like once it was up.
struct WorkflowSnapshot {
    std::string className;
    std::string caption;
    std::vector<std::string> logos;
    bool mainWindowVisible = true;
};

struct MainWindowRun {
    std::vector<WorkflowSnapshot> workflows;
    bool closed = false;
};

class MainWindowTest : public testing::Test {
protected:
    QTemporaryDir folder;
    test::TestHttpsServer gateway; // lets the pricing window log in
    TestServices env{Endpoints{gateway.baseUrl(), gateway.baseUrl(), test::testCaCertificates()}};
    const std::string temporaryFile = QDir(folder.path()).filePath("devis.xml").toStdString();
    const std::string configurationFile = QDir(folder.path()).filePath("config.ini").toStdString();

    void SetUp() override
    {
        env.services.pacing.workflowStart = std::chrono::hours(1); // the workflows themselves never start here
        test::writeFileBytes(temporaryFile, "host content");
        gateway.setHandler([](const httplib::Request&, httplib::Response& response) {
            response.set_content("<Configurateur><Jeton>t</Jeton><UrlConnexion>https://c.test/</UrlConnexion>"
                                 "<UrlRecuperation>https://r.test/</UrlRecuperation></Configurateur>",
                                 "text/xml");
        });
    }

    // Runs a main window on the configuration until it closes. Each workflow window that opens is
    // recorded and then closed, as a user would close it.
    MainWindowRun run(const std::function<void(TFicheConfigurateur&)>& whileReady = {})
    {
        MainWindowRun result;
        TFicheConfigurateur window(env.services);
        window.setTemporaryFilePath(pathFromUtf8(temporaryFile));
        window.setConfigurationFilePath(pathFromUtf8(configurationFile));
        QObject::connect(&window, &TFicheConfigurateur::closed, [&] { result.closed = true; });

        QTimer watcher;
        QObject* handled = nullptr;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            auto* workflow = dynamic_cast<WorkflowWindow*>(QApplication::activeModalWidget());
            if (workflow == nullptr || workflow == handled) {
                return;
            }
            handled = workflow;
            // After its first activation, queued before this, has ended: a close during its login would
            // abandon it.
            QObject::connect(&watcher, &QTimer::timeout, workflow,
                             [&, workflow, recorded = std::make_shared<bool>(false)] {
                                 if (!workflow->isRunning() && !*recorded) {
                                     *recorded = true;
                                     result.workflows.push_back(snapshot(*workflow, window));
                                     workflow->close();
                                 }
                             });
        });
        watcher.start(20);

        window.show();
        if (whileReady) {
            EXPECT_TRUE(waitUntil([&] { return window.state() == TFicheConfigurateur::State::Ready; }));
            whileReady(window);
        }
        EXPECT_TRUE(waitUntil([&] { return result.closed; }));
        // Nothing may open once the window has closed.
        EXPECT_FALSE(window.findChild<QTimer*>("Timer1")->isActive());
        return result;
    }

    static WorkflowSnapshot snapshot(WorkflowWindow& workflow, const QWidget& mainWindow)
    {
        return {workflow.metaObject()->className(), workflow.windowTitle().toStdString(),
                visibleLogos(workflow.logos()), mainWindow.isVisible()};
    }

    void configure(const std::string& content) { test::writeFileBytes(configurationFile, content); }

    void expectHostFileUntouched() { EXPECT_EQ(readFileBytes(temporaryFile), "host content"); }
};

const char* kFullConfiguration = "[Utilisateur]\nIdentifiant=jean\nMotDePasse=pw\n[Update]\nDevisId=77\n"
                                 "[RecordId]\nValeur=12,13\n[Commande]\nNumero=CDE-1\nReference=Chantier 12\n";

struct ModeCase {
    const char* mode;
    const char* brand;
    const char* className;
    const char* caption;
    std::vector<std::string> logos;
};

class DispatchTest : public MainWindowTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(DispatchTest, OpensTheModesWindowWithItsValuesThenEnds)
{
    const ModeCase& mode = GetParam();
    configure(std::string("[General]\nVersion=1\nConfigurateur=") + mode.brand + "\nMode=" + mode.mode + "\n" +
              kFullConfiguration);
    const MainWindowRun result = run();

    ASSERT_EQ(result.workflows.size(), 1u);
    const WorkflowSnapshot& opened = result.workflows[0];
    EXPECT_EQ(opened.className, mode.className);
    EXPECT_EQ(opened.caption, mode.caption);
    EXPECT_EQ(opened.logos, mode.logos);
    EXPECT_FALSE(opened.mainWindowVisible);
    // The pricing window logs in with what it was handed; the others wait for their start timer.
    const auto requests = gateway.requests();
    if (std::string(mode.mode) == "chiffrage") {
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target,
                  std::string("/index.php/Services/jeton?email=jean&mdp=pw&passerelle=") + mode.brand + "&jeton=77");
    } else {
        EXPECT_TRUE(requests.empty());
    }
    EXPECT_TRUE(result.closed);
    EXPECT_TRUE(env.messages.entries().empty());
    expectHostFileUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DispatchTest,
    testing::Values(ModeCase{"chiffrage",
                             "ferd",
                             "varno::TFicheConfigurateurRecupDevis",
                             "Korvalis - Configurateur ferd - Chiffrage",
                             {"imgFerd"}},
                    ModeCase{"chiffrage", "FERD", "varno::TFicheConfigurateurRecupDevis", "Configurateur Varno", {}},
                    ModeCase{"verification",
                             "olka",
                             "varno::TFicheConfigurateurVerification",
                             "Korvalis - Configurateur olka - Vérification",
                             {"imgOlka"}},
                    ModeCase{
                        "verification", "Ferd", "varno::TFicheConfigurateurVerification", "Configurateur Varno", {}},
                    ModeCase{"commande",
                             "tamrix",
                             "varno::TFicheConfigurateurCommande",
                             "Korvalis - Configurateur tamrix - Commande",
                             {"imgTamrix"}},
                    ModeCase{"commande", "", "varno::TFicheConfigurateurCommande", "Configurateur Varno", {}}));

TEST_F(MainWindowTest, AMissingModeMeansPricing)
{
    configure("[General]\nVersion=1\nConfigurateur=ferd\n");
    const MainWindowRun result = run();
    ASSERT_EQ(result.workflows.size(), 1u);
    EXPECT_EQ(result.workflows[0].className, "varno::TFicheConfigurateurRecupDevis");
}

// The host gets nothing from such a run: the person is told why.
TEST_F(MainWindowTest, AnUnknownModeOpensNothingAndSaysSo)
{
    for (const char* mode : {"Chiffrage", "Commande", "commandes", "", "v\xC3\xA9rification"}) {
        env.messages = test::RecordingMessages();
        configure(std::string("[General]\nVersion=1\nConfigurateur=ferd\nMode=") + mode + "\n");
        const MainWindowRun result = run();
        EXPECT_TRUE(result.workflows.empty()) << mode;
        EXPECT_TRUE(result.closed);
        ASSERT_EQ(env.messages.entries().size(), 1u) << mode;
        EXPECT_EQ(env.messages.entries()[0].text,
                  (*mode == '\0' ? std::string("Le fichier de configuration ne donne aucun mode")
                                 : "Le mode « " + std::string(mode) + " » du fichier de configuration est inconnu") +
                      " : le configurateur Varno attend chiffrage, verification ou commande, et ne fait rien.");
    }
    expectHostFileUntouched();
}

struct VersionCase {
    std::string configuration;
    std::string message;
};

class VersionMismatchTest : public MainWindowTest, public testing::WithParamInterface<VersionCase> {};

TEST_P(VersionMismatchTest, TellsTheUserAndNeverDispatchesHoweverLongTheMessageStaysOpen)
{
    configure(GetParam().configuration);
    env.messages.openFor = std::chrono::milliseconds(100); // a hundred dispatch ticks
    const MainWindowRun result = run();
    EXPECT_THAT(env.messages.texts(), testing::ElementsAre(GetParam().message));
    EXPECT_FALSE(env.messages.entries()[0].isError);
    EXPECT_TRUE(result.workflows.empty());
    EXPECT_TRUE(result.closed);
    expectHostFileUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionMismatchTest,
    testing::Values(VersionCase{"[General]\nVersion=2\nConfigurateur=olka\nMode=commande\n",
                                "Votre Configurateur olka est en Version 1 et devrait être en Version 2."},
                    VersionCase{"[General]\nConfigurateur=ferd\nMode=verification\n",
                                "Votre Configurateur ferd est en Version 1 et devrait être en Version 0."},
                    VersionCase{"[General]\nVersion=2\nMode=commande\n",
                                "Votre Configurateur  est en Version 1 et devrait être en Version 2."},
                    VersionCase{"[General]\nVersion=\nConfigurateur=ferd\n",
                                "Votre Configurateur ferd est en Version 1 et devrait être en Version ."},
                    VersionCase{"[General]\nVersion=1.0\nConfigurateur=ferd\n",
                                "Votre Configurateur ferd est en Version 1 et devrait être en Version 1.0."},
                    VersionCase{"", "Votre Configurateur  est en Version 1 et devrait être en Version 0."}));

TEST_F(MainWindowTest, AMissingConfigurationIsTheOnlyMessage)
{
    const MainWindowRun result = run(); // nothing written at configurationFile
    EXPECT_THAT(env.messages.texts(), testing::ElementsAre("Le configurateur Varno n'est pas configuré. Le fichier : " +
                                                           configurationFile + " n'existe pas."));
    EXPECT_TRUE(result.workflows.empty());
    EXPECT_TRUE(result.closed);
    expectHostFileUntouched();
}

struct BrandCase {
    const char* brand;
    const char* caption;
    std::vector<std::string> logos;
};

class BrandPresentationTest : public MainWindowTest, public testing::WithParamInterface<BrandCase> {};

TEST_P(BrandPresentationTest, CaptionAndLogo)
{
    configure(std::string("[General]\nVersion=1\nMode=none\nConfigurateur=") + GetParam().brand + "\n");
    env.services.pacing.dispatchTick = std::chrono::hours(1); // stays ready until closed
    run([&](TFicheConfigurateur& window) {
        EXPECT_EQ(window.windowTitle().toStdString(), GetParam().caption);
        EXPECT_EQ(visibleLogos(window.logos()), GetParam().logos);
        EXPECT_EQ(window.size(), QSize(360, 156));
        window.close();
    });
}

INSTANTIATE_TEST_SUITE_P(Brands, BrandPresentationTest,
                         testing::Values(BrandCase{"ferd", "Korvalis - Configurateur ferd", {"imgFerd"}},
                                         BrandCase{"olka", "Korvalis - Configurateur olka", {"imgOlka"}},
                                         BrandCase{"tamrix", "Korvalis - Configurateur tamrix", {"imgTamrix"}},
                                         BrandCase{"Ferd", "Configurateur VARNO", {}},
                                         BrandCase{"", "Configurateur VARNO", {}}));

TEST_F(MainWindowTest, ClosingBeforeTheTickOpensNoWorkflow)
{
    configure("[General]\nVersion=1\nConfigurateur=ferd\nMode=verification\n");
    env.services.pacing.dispatchTick = std::chrono::hours(1);
    const MainWindowRun result = run([](TFicheConfigurateur& window) { window.close(); });
    EXPECT_TRUE(result.workflows.empty());
    EXPECT_TRUE(result.closed);
    expectHostFileUntouched();
}

TEST_F(MainWindowTest, EachLogoIsARealPictureOnceItsBrandIsPresented)
{
    QWidget window;
    const BrandLogos logos(&window, {});
    for (const char* brand : {"ferd", "olka", "tamrix"}) {
        const QLabel* logo = logos.logoFor(brand);
        EXPECT_TRUE(logo->pixmap().isNull()) << brand; // nothing decoded before it is needed
        ASSERT_TRUE(presentBrand(window, logos, brand, ""));
        EXPECT_FALSE(logo->pixmap().isNull()) << brand;
        EXPECT_TRUE(logo->hasScaledContents());
    }
}

} // namespace
} // namespace varno
