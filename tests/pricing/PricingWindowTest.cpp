#include "foundation/DiagnosticLog.h"
#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "net/HttpClient.h"
#include "pricing/TFicheConfigurateurRecupDevis.h"
#include "tests/support/LogSecrets.h"
#include "tests/support/Pictures.h"
#include "tests/support/Recorders.h"
#include "tests/support/TestHttpsServer.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

using test::TestServices;
using test::waitUntil;
using testing::ElementsAre;

// A gateway, a retrieval document and a configurator API on one loopback server.
class PricingWindowTest : public testing::Test {
protected:
    test::TestHttpsServer server;
    TestServices env{Endpoints{server.baseUrl(), server.baseUrl(), test::testCaCertificates()}};
    QTemporaryDir folder;
    // As the host gives it: with the platform's separators.
    const std::string temporaryFile = QDir::toNativeSeparators(QDir(folder.path()).filePath("devis.xml")).toStdString();
    std::unique_ptr<TFicheConfigurateurRecupDevis> window;

    std::string gatewayAnswer;
    std::string retrievalDocument = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configurateur><Jeton>tok-1</Jeton>"
                                    "<Passerelle>ferd</Passerelle><Project>Q-42</Project></Configurateur>";
    int recordStatus = 200;
    bool holdRetrieval = false;    // until the server is released
    bool trickleRetrieval = false; // a byte at a time, for 30 s
    std::string record;

    void SetUp() override
    {
        gatewayAnswer = "<Configurateur><Jeton>tok-1</Jeton><UrlConnexion>https://configurateur.test/p?s=1&amp;t=2"
                        "</UrlConnexion><UrlRecuperation>" +
                        server.baseUrl() + "/recuperation/tok-1</UrlRecuperation></Configurateur>";
        record = R"({"location":"Salon","printImage":{"value":")" + test::encodedPicture("PNG", QSize(12, 8)) +
                 R"("},"product":{"name":"Fenêtre","quantity":1,"descriptions":["D1"]},)"
                 R"("pricing":{"totalPurchaseBasePrice":1234.50,"totalPurchasePrice":987.00,"ecoTax":null}})";
        server.setHandler([this](const httplib::Request& request, httplib::Response& response) {
            if (request.path == "/index.php/Services/jeton") {
                response.set_content(gatewayAnswer, "text/xml");
            } else if (request.path == "/recuperation/tok-1") {
                if (holdRetrieval) {
                    server.holdUntilReleased(std::chrono::seconds(30));
                }
                trickleRetrieval ? test::trickle(response, "text/xml")
                                 : response.set_content(retrievalDocument, "text/xml; charset=utf-8");
            } else if (request.path.starts_with("/api/v2.0/quotation-records/")) {
                response.status = recordStatus;
                response.set_content(record, "application/json");
            } else {
                response.status = 404;
            }
        });
        test::writeFileBytes(temporaryFile, "host content");
    }

    // Opens the window as the main window does and waits for its activation to end.
    void open(const std::string& brand = "ferd", const std::string& quoteId = "")
    {
        const ApiAccount& account = test::kTestApiAccount;
        window = std::make_unique<TFicheConfigurateurRecupDevis>(
            nullptr, env.services,
            PricingHandOver{{brand, pathFromUtf8(temporaryFile), account.userName, account.password, account.issuerKey},
                            "jean@exemple.fr",
                            "p&ss=é",
                            quoteId});
        window->show();
        // The activation ends with the configurator opened or with a message.
        waitUntil([&] { return !env.browser.opened.empty() || !env.messages.entries().empty(); });
    }

    void clickRetrieve() { window->btnDevisRecuperer->click(); }

    std::vector<std::string> targets() const
    {
        std::vector<std::string> result;
        for (const auto& request : server.requests()) {
            result.push_back(request.method + " " + request.target);
        }
        return result;
    }
};

TEST_F(PricingWindowTest, LogsInAndOpensTheConfiguratorOnce)
{
    open("ferd", "12345");
    EXPECT_EQ(window->windowTitle(), "Korvalis - Configurateur ferd - Chiffrage");
    EXPECT_FALSE(window->logos().imgFerd->isHidden());
    EXPECT_THAT(targets(), ElementsAre("GET /index.php/Services/jeton?email=jean%40exemple.fr&mdp=p%26ss%3D%C3%A9"
                                       "&passerelle=ferd&jeton=12345"));
    EXPECT_THAT(server.requests()[0].headerValues("Accept"),
                ElementsAre("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));
    EXPECT_THAT(env.browser.opened, ElementsAre("https://configurateur.test/p?s=1&t=2"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(env.messages.entries().empty());
}

TEST_F(PricingWindowTest, AnUnknownBrandStillLogsInWithTheBrandAsGiven)
{
    open("FERD");
    EXPECT_EQ(window->windowTitle(), "Configurateur Varno");
    EXPECT_TRUE(window->logos().imgFerd->isHidden());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_THAT(server.requests()[0].target, testing::EndsWith("&passerelle=FERD"));
}

TEST_F(PricingWindowTest, AnIncompleteLoginIsToldAndClosesTheWindow)
{
    gatewayAnswer = "<Configurateur><Jeton>t</Jeton><UrlConnexion>https://c.test/</UrlConnexion>"
                    "<UrlRecuperation></UrlRecuperation></Configurateur>";
    open("olka");
    EXPECT_THAT(
        env.messages.texts(),
        ElementsAre(
            "Configurateur olka : GetJetonEtUrlsErreurs \nL'information de connexion n'a pas été obtenue.\r\n"));
    EXPECT_FALSE(env.messages.entries()[0].isError);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(env.browser.opened.empty());
    EXPECT_EQ(test::readFileBytes(temporaryFile), "host content");
}

TEST_F(PricingWindowTest, AGatewayAnswerThatIsNotXmlIsAnErrorAndTheWindowStays)
{
    gatewayAnswer = "Service indisponible";
    open();
    ASSERT_EQ(env.messages.entries().size(), 1u);
    EXPECT_TRUE(env.messages.entries()[0].isError);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(env.browser.opened.empty());
    clickRetrieve(); // no retrieval address: the click says why, in words a person understands
    ASSERT_EQ(env.messages.entries().size(), 2u);
    EXPECT_EQ(env.messages.entries()[1].text,
              "La connexion au configurateur n'a pas été établie : le devis ne peut pas être récupéré. "
              "Fermez cette fenêtre et relancez le chiffrage depuis votre logiciel.");
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(PricingWindowTest, RetrievingWritesTheDocumentAndThePictureThenCloses)
{
    open();
    clickRetrieve();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(env.messages.entries().empty());
    const std::string image = QDir::toNativeSeparators(QDir(folder.path()).filePath("Q-42.bmp")).toStdString();
    EXPECT_EQ(test::readFileBytes(temporaryFile),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Jeton>tok-1</Jeton>"
              "<Passerelle>ferd</Passerelle><Project>Q-42</Project><Libelle>Fen\xEAtre</Libelle><Detail>D1\n\n</Detail>"
              "<Repere>\"Salon\"</Repere><EcoTaxe/><EcoPart/><EcoPartREP/><EcoPartDEEE/><Quantite>1</Quantite>"
              "<PrixPublic>1234.50</PrixPublic><PrixAchat>987.00</PrixAchat><Image>" +
                  image + "</Image></Configurateur>\r\n");
    EXPECT_EQ(QImage(QString::fromStdString(image)).size(), QSize(12, 8));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].target, "/recuperation/tok-1");
    EXPECT_TRUE(requests[1].headerValues("Authorization").empty());
    EXPECT_TRUE(requests[1].headerValues("Zedir-Issuer").empty());
    EXPECT_EQ(requests[2].target, "/api/v2.0/quotation-records/Q-42");
    test::expectApiHeaders(requests[2]);
    for (const auto& request : requests) { // the gateway's token goes nowhere
        EXPECT_EQ(request.target.find("tok-1") != std::string::npos, request.path == "/recuperation/tok-1");
        for (const auto& [name, value] : request.headers) {
            EXPECT_EQ(value.find("tok-1"), std::string::npos) << name;
        }
    }
}

// With the diagnostic log on: each request, file and refusal told, and no secret in any spelling.
TEST_F(PricingWindowTest, TheDiagnosticLogTellsTheRunWithoutItsSecrets)
{
    const std::string logFile = QDir(folder.path()).filePath("diagnostic.log").toStdString();
    ASSERT_TRUE(startDiagnosticLog(QString::fromStdString(logFile)));
    open();
    clickRetrieve();
    test::TestHttpsServer untrusted(test::certificatePath("untrusted.pem"), test::certificatePath("untrusted.key"));
    EXPECT_THROW(HttpClient(HttpClientOptions{}).send({.url = untrusted.baseUrl() + "/"}), VarnoError);
    stopDiagnosticLog();

    const std::string log = test::readFileBytes(logFile);
    const std::string base = server.baseUrl();
    for (const std::string& told : std::vector<std::string>{
             "varno.http info: GET " + base + "/index.php/Services/jeton?… : 200, ",
             "GET " + base + "/recuperation/••• : 200, ", "GET " + base + "/api/v2.0/quotation-records/Q-42 : 200, ",
             "varno.file info: écrit : ", "GET " + untrusted.baseUrl() + "/ : échec après ",
             "vérification du certificat : self-signed certificate"}) {
        EXPECT_NE(log.find(told), std::string::npos) << told << " not in:\n" << log;
    }
    const ApiAccount& account = test::kTestApiAccount;
    test::expectNoSecretIn(
        log, {"p&ss=é", "tok-1", account.password, account.issuerKey, account.userName + ":" + account.password});
}

// A second click while the retrieval waits for its answer starts nothing: input is held back until the
// first run has ended.
// Every way into "Récupérer le devis" while a retrieval is held: none starts a second one beside it
// (two transfers on one connection), and none is queued for after.
struct WayIn {
    const char* name;
    std::function<void(QPushButton&)> press;
};

class PricingWindowWayInTest : public PricingWindowTest, public testing::WithParamInterface<WayIn> {};

TEST_P(PricingWindowWayInTest, StartsNothingDuringARequest)
{
    open();
    QPushButton* const button = window->btnDevisRecuperer;
    button->setShortcut(QKeySequence(Qt::ALT | Qt::Key_R)); // as a mnemonic would give it
    bool pressedAgain = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (pressedAgain || server.requests().size() < 2) {
            return;
        }
        pressedAgain = true;
        GetParam().press(*button);
        // The answer is held on while the loop turns past Qt's animated click (100 ms), which a shortcut or an
        // accessibility press start.
        QTimer::singleShot(150, [this] { server.release(); });
    });
    holdRetrieval = true;
    watcher.start(1);

    clickRetrieve();
    EXPECT_TRUE(pressedAgain);
    EXPECT_FALSE(window->isVisible());
    EXPECT_THAT(targets(), ElementsAre(testing::StartsWith("GET /index.php/Services/jeton?"), "GET /recuperation/tok-1",
                                       "GET /api/v2.0/quotation-records/Q-42"));
    EXPECT_TRUE(env.messages.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, PricingWindowWayInTest,
    testing::Values(WayIn{"MouseClick",
                          [](QPushButton& button) {
                              const QPointF centre = QRectF(button.rect()).center();
                              for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                                  QMouseEvent click(type, centre, button.mapToGlobal(centre), Qt::LeftButton,
                                                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                    Qt::NoModifier);
                                  QApplication::sendEvent(&button, &click);
                              }
                          }},
                    WayIn{"AccessibilityPress",
                          [](QPushButton& button) {
                              QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
                              ASSERT_NE(accessible, nullptr);
                              ASSERT_NE(accessible->actionInterface(), nullptr);
                              accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                          }},
                    WayIn{"Shortcut",
                          [](QPushButton& button) { QTest::keyClick(button.window(), Qt::Key_R, Qt::AltModifier); }}),
    [](const testing::TestParamInfo<WayIn>& way) { return std::string(way.param.name); });

TEST_F(PricingWindowTest, NoProjectMeansNoApiRequestAndElevenEmptyElements)
{
    retrievalDocument = "<Configurateur><Jeton>tok-1</Jeton><Passerelle>ferd</Passerelle><Project/></Configurateur>";
    open();
    clickRetrieve();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(test::readFileBytes(temporaryFile),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Jeton>tok-1</Jeton><Passerelle>ferd"
              "</Passerelle><Project/><Libelle/><Detail/><Repere/><EcoTaxe/><EcoPart/><EcoPartREP/><EcoPartDEEE/>"
              "<Quantite/><PrixPublic/><PrixAchat/><Image/></Configurateur>\r\n");
}

TEST_F(PricingWindowTest, AFailedRecordLeavesTheWindowOpenAndAnotherClickRepeatsBothRequests)
{
    recordStatus = 500;
    open();
    clickRetrieve();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(env.messages.entries().size(), 1u);
    EXPECT_THAT(env.messages.entries()[0].text, testing::HasSubstr("« 500 "));
    EXPECT_EQ(test::readFileBytes(temporaryFile), "host content");

    recordStatus = 200;
    clickRetrieve();
    EXPECT_FALSE(window->isVisible());
    EXPECT_THAT(targets(), ElementsAre(testing::StartsWith("GET /index.php/Services/jeton?"), "GET /recuperation/tok-1",
                                       "GET /api/v2.0/quotation-records/Q-42", "GET /recuperation/tok-1",
                                       "GET /api/v2.0/quotation-records/Q-42"));
    EXPECT_THAT(env.browser.opened, testing::SizeIs(1));
}

// A retrieval document that only a lenient reader takes is refused as it arrives: no record request,
// no picture, the host's file as it was.
TEST_F(PricingWindowTest, ARetrievalDocumentTheHostCouldNotReadStopsTheRunAtOnce)
{
    retrievalDocument = "<Configurateur><Jeton>tok-1</Jeton><Project>Q-42</Project></Configurateur><Autre/>";
    open();
    clickRetrieve();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(env.messages.entries().size(), 1u);
    EXPECT_THAT(env.messages.entries()[0].text,
                testing::StartsWith("Le document de résultat n'est pas un document XML"));
    EXPECT_THAT(targets(),
                ElementsAre(testing::StartsWith("GET /index.php/Services/jeton?"), "GET /recuperation/tok-1"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"devis.xml"});
    EXPECT_EQ(test::readFileBytes(temporaryFile), "host content");
}

TEST_F(PricingWindowTest, AnUnreadablePictureStopsTheRunWithoutWritingAnything)
{
    record = R"({"printImage":{"value":"bm90IGEgcGljdHVyZQ=="},"product":{"name":"X"}})";
    open();
    clickRetrieve();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(env.messages.entries().size(), 1u);
    EXPECT_THAT(env.messages.entries()[0].text, testing::StartsWith("L'image du produit est illisible"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"devis.xml"});
    EXPECT_EQ(test::readFileBytes(temporaryFile), "host content");
}

// The picture is put in place only once the document naming it is written: when the document cannot be,
// the host's old picture stays and the new one is not left beside it.
TEST_F(PricingWindowTest, ADocumentThatCannotBeWrittenKeepsTheOldPicture)
{
    const std::string picture = QDir(folder.path()).filePath("Q-42.bmp").toStdString();
    test::writeFileBytes(picture, "old picture");
    ASSERT_TRUE(QFile::remove(QString::fromStdString(temporaryFile)) &&
                QDir().mkdir(QString::fromStdString(temporaryFile)));
    open();
    clickRetrieve();
    ASSERT_EQ(env.messages.entries().size(), 1u);
    EXPECT_THAT(env.messages.entries()[0].text, testing::HasSubstr("un dossier porte ce nom"));
    EXPECT_EQ(test::readFileBytes(picture), "old picture");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"devis.xml", "Q-42.bmp"}));
}

TEST_F(PricingWindowTest, AnUnsafeProjectIdWritesNothing)
{
    retrievalDocument = "<Configurateur><Project>../../etc/evil</Project></Configurateur>";
    open();
    clickRetrieve();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(env.messages.entries().size(), 1u);
    EXPECT_THAT(env.messages.entries()[0].text, testing::HasSubstr("ne peut pas servir de nom de fichier"));
    EXPECT_EQ(server.requests().back().target, "/api/v2.0/quotation-records/..%2F..%2Fetc%2Fevil");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"devis.xml"});
    EXPECT_EQ(test::readFileBytes(temporaryFile), "host content");
}

// A close while the retrieval trickles, by the close box or by "Annuler" (which stays usable, clicked
// as the person would): the retrieval is abandoned within a second, nothing is written, no record is
// asked for, and the window closes.
TEST_F(PricingWindowTest, ACloseDuringARetrievalAbandonsIt)
{
    const std::vector<std::pair<const char*, std::function<void(TFicheConfigurateurRecupDevis&)>>> waysIn{
        {"close box",
         [](TFicheConfigurateurRecupDevis& shown) { QCoreApplication::postEvent(&shown, new QCloseEvent); }},
        {"Annuler", [](TFicheConfigurateurRecupDevis& shown) {
             QTest::mouseClick(shown.btnAnnulerRecuperation, Qt::LeftButton);
         }}};
    trickleRetrieval = true;
    for (const auto& [name, close] : waysIn) {
        SCOPED_TRACE(name);
        open();
        const std::size_t loggedIn = server.requests().size();
        QElapsedTimer sinceClose;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&, &close = close] {
            if (!sinceClose.isValid() && server.requests().size() == loggedIn + 1) { // the retrieval
                sinceClose.start();
                close(*window);
            }
        });
        closer.start(10);
        clickRetrieve();
        EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));
        EXPECT_LT(sinceClose.elapsed(), 3000);
        EXPECT_EQ(server.requests().size(), loggedIn + 1);
        EXPECT_TRUE(env.messages.entries().empty()) << env.messages.entries()[0].text;
        EXPECT_EQ(test::readFileBytes(temporaryFile), "host content");
        window.reset();
        env.browser.opened.clear();
    }
}

TEST_F(PricingWindowTest, CancelClosesWithoutRequestOrWrite)
{
    QFile::remove(QString::fromStdString(temporaryFile));
    open("olka");
    EXPECT_EQ(window->windowTitle(), "Korvalis - Configurateur olka - Chiffrage");
    window->btnAnnulerRecuperation->click();
    EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(server.requests().size(), 1u); // the login only
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(temporaryFile)));
}

} // namespace
} // namespace varno
