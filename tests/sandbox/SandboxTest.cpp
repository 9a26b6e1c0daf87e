#include "Sandbox.h"
#include "TestHttpsServer.h"

#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace varno::sandbox {
namespace {

using testing::HasSubstr;

const ApiAccount kAccount{"api@sandbox.test", "Pw-123456789-ab", "0123456789abcdef0123456789abcdef"};

class SandboxTest : public testing::Test {
protected:
    QTemporaryDir folder;
    std::ostringstream log;
    std::unique_ptr<Sandbox> sandbox;
    int port = 0;

    void SetUp() override { startSandbox(); }

    void startSandbox(int latencyMs = 0, int failEvery = 0)
    {
        sandbox.reset();
        SandboxOptions options;
        options.port = 0;
        options.dataDir = folder.path().toStdString() + "/data";
        options.certificateFile = test::certificatePath("localhost.pem");
        options.keyFile = test::certificatePath("localhost.key");
        options.apiAccount = kAccount;
        options.latencyMs = latencyMs;
        options.failEvery = failEvery;
        options.log = &log;
        sandbox = std::make_unique<Sandbox>(options);
        port = sandbox->start();
    }

    // A client that trusts the test CA only.
    std::unique_ptr<httplib::SSLClient> connect() const
    {
        auto connection = std::make_unique<httplib::SSLClient>("localhost", port);
        connection->set_ca_cert_path(test::certificatePath("ca.pem").c_str());
        connection->enable_server_certificate_verification(true);
        return connection;
    }
    httplib::SSLClient& client()
    {
        connection_ = connect();
        return *connection_;
    }
    std::unique_ptr<httplib::SSLClient> connection_;

    static httplib::Headers apiHeaders(const std::string& password = kAccount.password,
                                       const std::string& issuer = kAccount.issuerKey)
    {
        const std::string basic = QByteArray::fromStdString(kAccount.userName + ":" + password).toBase64().toStdString();
        return {{"Authorization", "Basic " + basic}, {"Zedir-Issuer", issuer}};
    }

    // Logs in and returns the session token (empty when refused).
    std::string login(const std::string& query)
    {
        auto answer = client().Get("/index.php/Services/jeton?" + query);
        std::smatch token;
        std::regex_search(answer->body, token, std::regex("<Jeton>([0-9a-f]+)</Jeton>"));
        return token.size() > 1 ? token[1].str() : "";
    }

    std::string project(const std::string& token)
    {
        auto answer = client().Get("/recuperation/" + token);
        std::smatch project;
        std::regex_search(answer->body, project, std::regex("<Project>([^<]*)</Project>"));
        return project.size() > 1 ? project[1].str() : "<none>";
    }

    httplib::Result validate(const std::string& token, const std::string& form)
    {
        return client().Post("/configurateur/" + token + "/valider", form, "application/x-www-form-urlencoded");
    }

    std::string checkCode(const std::string& ids)
    {
        return client().Post("/api/v1.1/createorderprocess/checkquotationrecords", apiHeaders(), ids, "application/json")->body;
    }

    std::string order(const std::string& ids)
    {
        return client()
            .Post("/api/v1.1/createorderprocess/createorder", apiHeaders(),
                  R"({"quotationRecordIds": [)" + ids + R"(],"documentNumber": "de(KORVALIS)N","documentTitle": "T",)"
                  R"("documentDate": "\/Date(1705314600000+0100)\/" ,"comment": ""})",
                  "application/json; charset=utf-8")
            ->body;
    }
};

TEST_F(SandboxTest, GatewayLogsInTheDemoAccountsOnly)
{
    const auto good = client().Get("/index.php/Services/jeton?email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=ferd");
    ASSERT_EQ(good->status, 200);
    EXPECT_THAT(good->body, testing::MatchesRegex(".*<Configurateur><Jeton>[0-9a-f]{32}</Jeton><UrlConnexion>https://"
                                                  "localhost:[0-9]+/configurateur/[0-9a-f]{32}</UrlConnexion>"
                                                  "<UrlRecuperation>https://localhost:[0-9]+/recuperation/[0-9a-f]{32}"
                                                  "</UrlRecuperation></Configurateur>\n"));
    for (const char* refused : {"email=demo.ferd%40example.test&mdp=wrong&passerelle=ferd",
                                "email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=olka",
                                "email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=inconnue",
                                "email=demo.ferd%40example.test&passerelle=ferd",
                                "email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=ferd&jeton=99999",
                                "email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=ferd&jeton=4712"}) {
        const auto answer = client().Get(std::string("/index.php/Services/jeton?") + refused);
        EXPECT_EQ(answer->body, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configurateur></Configurateur>\n") << refused;
    }
    EXPECT_THAT(log.str(), HasSubstr("mdp=***"));
    EXPECT_THAT(log.str(), testing::Not(HasSubstr("ferd-demo")));
}

TEST_F(SandboxTest, TheConfiguratorFormStoresARecordThatRetrievalThenNames)
{
    const std::string token = login("email=demo.olka%40example.test&mdp=olka-demo&passerelle=olka");
    ASSERT_FALSE(token.empty());
    const auto page = client().Get("/configurateur/" + token);
    EXPECT_THAT(page->body, HasSubstr("Valider le chiffrage"));
    EXPECT_THAT(page->body, HasSubstr("Volet roulant aluminium"));
    EXPECT_EQ(project(token), "");

    const auto refused = validate(token, "product=VR-ALU&width=10&height=1600&quantity=1");
    EXPECT_EQ(refused->status, 422);
    EXPECT_THAT(refused->body, HasSubstr("Les dimensions doivent être comprises"));
    EXPECT_EQ(project(token), "");

    const auto confirmed = validate(token, "product=VR-ALU&width=1500&height=1250&quantity=2&option=MOT&location=S%C3%A9jour");
    ASSERT_EQ(confirmed->status, 200);
    EXPECT_THAT(confirmed->body, HasSubstr("Récupérer le devis"));
    const std::string id = project(token);
    EXPECT_EQ(id, "4721");

    const auto record = client().Get("/api/v2.0/quotation-records/" + id, apiHeaders());
    ASSERT_EQ(record->status, 200);
    EXPECT_THAT(record->body, HasSubstr(R"("location":"Séjour")"));
    EXPECT_THAT(record->body, HasSubstr(R"("totalPurchaseBasePrice":1147.50,"totalPurchasePrice":780.30)"));
    EXPECT_THAT(record->body, HasSubstr(R"("options":[{"code":"MOT","name":"Motorisation radio"}])"));
    EXPECT_THAT(record->body, HasSubstr(R"("ecoPartREP":null,"ecoPartDEEE":0.60)"));
    EXPECT_THAT(record->body, HasSubstr(R"("dimension1":{"label":"Largeur","value":1500,"unit":"mm"})"));
}

TEST_F(SandboxTest, ReopeningAQuoteUpdatesTheSameRecord)
{
    const std::string token = login("email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=ferd&jeton=4711");
    ASSERT_FALSE(token.empty());
    EXPECT_THAT(client().Get("/configurateur/" + token)->body, HasSubstr("value=\"Salon\""));
    EXPECT_EQ(project(token), "");
    validate(token, "product=FE-PVC-2V&width=1000&height=1000&quantity=1&location=Cuisine");
    EXPECT_EQ(project(token), "4711");
    EXPECT_THAT(client().Get("/api/v2.0/quotation-records/4711", apiHeaders())->body, HasSubstr(R"("location":"Cuisine")"));
}

TEST_F(SandboxTest, TheApiWantsTheBuildsAccountAndExactlyOneIssuerKey)
{
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/4711")->status, 401);
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/4711", apiHeaders("wrong"))->status, 401);
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/4711", apiHeaders(kAccount.password, "00"))->status, 403);
    httplib::Headers twice = apiHeaders();
    twice.emplace("Zedir-Issuer", kAccount.issuerKey);
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/4711", twice)->status, 403);
    httplib::Headers none = apiHeaders();
    none.erase("Zedir-Issuer");
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/4711", none)->status, 403);
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/4711", apiHeaders())->status, 200);
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/9999", apiHeaders())->status, 404);
}

TEST_F(SandboxTest, SeededRecordsCarryAReadablePicture)
{
    const auto record = client().Get("/api/v2.0/quotation-records/4712", apiHeaders());
    std::smatch picture;
    ASSERT_TRUE(std::regex_search(record->body, picture, std::regex(R"re("value":"([A-Za-z0-9+/=]+)")re")));
    const QImage image = QImage::fromData(QByteArray::fromBase64(QByteArray::fromStdString(picture[1].str())), "PNG");
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(image.height(), image.width());  // 1400 wide, 1600 high
    EXPECT_THAT(record->body, HasSubstr(R"("indirectMode":false)"));
    EXPECT_THAT(client().Get("/api/v2.0/quotation-records/4713", apiHeaders())->body, HasSubstr(R"("indirectMode":true)"));
}

struct CheckCase {
    const char* id;
    const char* code;
};

class SandboxCheckTest : public SandboxTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(SandboxCheckTest, EachSeededOutcome)
{
    EXPECT_EQ(checkCode(std::string("[") + GetParam().id + "]"),
              std::string(R"([{"quotationRecordId":)") + GetParam().id + R"(,"errorCode":)" + GetParam().code + "}]");
}

INSTANTIATE_TEST_SUITE_P(Seeds, SandboxCheckTest,
                         testing::Values(CheckCase{"4711", "null"}, CheckCase{"4712", "null"},
                                         CheckCase{"4714", R"("NO_SUPPLIER_DATA")"},
                                         CheckCase{"4715", R"("ORDER_PROCESS_NOT_AVAILABLE")"},
                                         CheckCase{"4716", R"("PRICER_OUTDATED")"},
                                         CheckCase{"4717", R"("PRICER_NOT_ALLOWED")"},
                                         CheckCase{"4718", R"("NO_TECHNICAL_VALIDATION")"},
                                         CheckCase{"4719", R"("STATE_INVALID")"}, CheckCase{"4720", R"("NOT_FOUND")"},
                                         CheckCase{"9999", R"("NOT_FOUND")"}));

TEST_F(SandboxTest, OrdersAreCreatedOnceAndRefusedOtherwise)
{
    EXPECT_EQ(order("4713"), "null");        // indirect mode
    EXPECT_EQ(order("4714"), "null");        // carries an order-process error
    EXPECT_EQ(order("4711,9999"), "null");   // one unknown record refuses the whole order
    EXPECT_EQ(order(""), "null");
    EXPECT_EQ(order("4711,4712"), R"({"reference":"CMD-2026-001001","quotationRecordIds":[4711,4712]})");
    EXPECT_EQ(order("4711"), "null");        // already ordered
    EXPECT_EQ(checkCode("[4711]"), R"([{"quotationRecordId":4711,"errorCode":"STATE_INVALID"}])");
    EXPECT_EQ(client().Post("/api/v1.1/createorderprocess/createorder", apiHeaders(), "{", "application/json")->status, 400);
}

TEST_F(SandboxTest, StateSurvivesARestart)
{
    const std::string token = login("email=demo.tamrix%40example.test&mdp=tamrix-demo&passerelle=tamrix");
    validate(token, "product=VR-PVC&width=800&height=900&quantity=1");
    order("4712");
    startSandbox();
    EXPECT_EQ(project(token), "4721");
    EXPECT_EQ(checkCode("[4712]"), R"([{"quotationRecordId":4712,"errorCode":"STATE_INVALID"}])");
    EXPECT_EQ(client().Get("/api/v2.0/quotation-records/4721", apiHeaders())->status, 200);
    const std::string next = login("email=demo.tamrix%40example.test&mdp=tamrix-demo&passerelle=tamrix");
    validate(next, "product=VR-PVC&width=800&height=900&quantity=1");
    EXPECT_EQ(project(next), "4722");  // the seeds were not added twice
}

TEST_F(SandboxTest, FailEveryAndLatency)
{
    startSandbox(50, 2);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client().Get("/")->status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(client().Get("/")->status, 503);
    EXPECT_EQ(client().Get("/")->status, 200);
}

} // namespace
} // namespace varno::sandbox
