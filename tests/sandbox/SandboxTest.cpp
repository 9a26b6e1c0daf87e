#include "sandbox/Sandbox.h"
#include "sandbox/Store.h"
#include "tests/support/RawTlsConnection.h"
#include "tests/support/TestHttpsServer.h"

#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <sstream>

namespace varno::sandbox {
namespace {

using testing::HasSubstr;

const sandbox::ApiCredentials kAccount{"api@sandbox.test", "Pw-123456789-ab", "0123456789abcdef0123456789abcdef"};

class SandboxTest : public testing::Test {
protected:
    QTemporaryDir folder;
    std::ostringstream log;
    std::unique_ptr<Sandbox> sandbox;
    int port = 0;

    void SetUp() override { startSandbox(); }

    SandboxOptions options()
    {
        SandboxOptions options;
        options.port = 0;
        options.dataDir = folder.path().toStdString() + "/data";
        options.certificateFile = test::certificatePath("localhost.pem");
        options.keyFile = test::certificatePath("localhost.key");
        options.apiAccount = kAccount;
        options.log = &log;
        return options;
    }

    void startSandbox(const std::function<void(SandboxOptions&)>& adjust = {})
    {
        sandbox.reset();
        SandboxOptions adjusted = options();
        if (adjust) {
            adjust(adjusted);
        }
        sandbox = std::make_unique<Sandbox>(adjusted);
        port = sandbox->start();
    }

    // A client that trusts the test CA only.
    std::unique_ptr<httplib::SSLClient> connect() const
    {
        auto connection = std::make_unique<httplib::SSLClient>("localhost", port);
        connection->set_ca_cert_path(test::certificatePath("ca.pem"));
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
        const std::string basic =
            QByteArray::fromStdString(kAccount.userName + ":" + password).toBase64().toStdString();
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
        return client()
            .Post("/api/v1.1/createorderprocess/checkquotationrecords", apiHeaders(), ids, "application/json")
            ->body;
    }

    std::string order(const std::string& ids)
    {
        return client()
            .Post("/api/v1.1/createorderprocess/createorder", apiHeaders(),
                  R"({"quotationRecordIds": [)" + ids +
                      R"(],"documentNumber": "de(KORVALIS)N","documentTitle": "T",)"
                      R"("documentDate": "\/Date(1705314600000+0100)\/" ,"comment": ""})",
                  "application/json; charset=utf-8")
            ->body;
    }
};

TEST_F(SandboxTest, GatewayLogsInTheDemoAccountsOnly)
{
    const auto good =
        client().Get("/index.php/Services/jeton?email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=ferd");
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
        EXPECT_EQ(answer->body, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configurateur></Configurateur>\n")
            << refused;
    }
    EXPECT_THAT(log.str(), HasSubstr("mdp=***"));
    EXPECT_THAT(log.str(), testing::Not(HasSubstr("ferd-demo")));
}

TEST(SandboxLog, MasksThePasswordHoweverItsKeyIsEncoded)
{
    for (const auto& [target, masked] : std::vector<std::pair<std::string, std::string>>{
             {"/j?email=a&mdp=secret&passerelle=ferd", "/j?email=a&mdp=***&passerelle=ferd"},
             {"/j?m%64p=secret", "/j?m%64p=***"},
             {"/j?%6D%64%70=se%26cret&x=1", "/j?%6D%64%70=***&x=1"},
             {"/j?mdp=", "/j?mdp=***"},
             {"/j?%u006ddp=secret&m%u0064p=x", "/j?%u006ddp=***&m%u0064p=***"},
             {"/j?m+dp=1&md%70=2", "/j?m+dp=1&md%70=***"},
             {"/j?mdpx=1&xmdp=2&mdp", "/j?mdpx=1&xmdp=2&mdp"},
             {"/j?a=1&=mdp=secret&==mdp=x", "/j?a=1&=mdp=***&==mdp=***"},
             {"/j?\tmdp\t=secret& mdp=x", "/j?\tmdp\t=***& mdp=***"},
             {"/j", "/j"}}) {
        EXPECT_EQ(maskedTarget(target), masked);
    }
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

    const auto confirmed =
        validate(token, "product=VR-ALU&width=1500&height=1250&quantity=2&option=MOT&location=S%C3%A9jour");
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
    EXPECT_THAT(client().Get("/api/v2.0/quotation-records/4711", apiHeaders())->body,
                HasSubstr(R"("location":"Cuisine")"));
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
    EXPECT_GT(image.height(), image.width()); // 1400 wide, 1600 high
    EXPECT_THAT(record->body, HasSubstr(R"("indirectMode":false)"));
    EXPECT_THAT(client().Get("/api/v2.0/quotation-records/4713", apiHeaders())->body,
                HasSubstr(R"("indirectMode":true)"));
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

INSTANTIATE_TEST_SUITE_P(
    Seeds, SandboxCheckTest,
    testing::Values(CheckCase{"4711", "null"}, CheckCase{"4712", "null"}, CheckCase{"4714", R"("NO_SUPPLIER_DATA")"},
                    CheckCase{"4715", R"("ORDER_PROCESS_NOT_AVAILABLE")"}, CheckCase{"4716", R"("PRICER_OUTDATED")"},
                    CheckCase{"4717", R"("PRICER_NOT_ALLOWED")"}, CheckCase{"4718", R"("NO_TECHNICAL_VALIDATION")"},
                    CheckCase{"4719", R"("STATE_INVALID")"}, CheckCase{"4720", R"("NOT_FOUND")"},
                    CheckCase{"9999", R"("NOT_FOUND")"}));

TEST_F(SandboxTest, OrdersAreCreatedOnceAndRefusedOtherwise)
{
    EXPECT_EQ(order("4713"), "null");      // indirect mode
    EXPECT_EQ(order("4714"), "null");      // carries an order-process error
    EXPECT_EQ(order("4711,9999"), "null"); // one unknown record refuses the whole order
    EXPECT_EQ(order(""), "null");
    EXPECT_EQ(order("4711,4712"), R"({"reference":"CMD-2026-001001","quotationRecordIds":[4711,4712]})");
    EXPECT_EQ(order("4711"), "null"); // already ordered
    EXPECT_EQ(checkCode("[4711]"), R"([{"quotationRecordId":4711,"errorCode":"STATE_INVALID"}])");
    EXPECT_EQ(client().Post("/api/v1.1/createorderprocess/createorder", apiHeaders(), "{", "application/json")->status,
              400);
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
    EXPECT_EQ(project(next), "4722"); // the seeds were not added twice
}

// A request announcing a body is judged on its head: nothing of the body is read (none is sent here),
// and the answer comes at once with the connection closed.
TEST_F(SandboxTest, BodiesAreJudgedBeforeAnyIsRead)
{
    const std::string basic = "Authorization: " + apiHeaders().find("Authorization")->second +
                              "\r\nZedir-Issuer: " + kAccount.issuerKey + "\r\n";
    for (const auto& [head, status] : std::vector<std::pair<std::string, std::string>>{
             {"Content-Length: 500000\r\n", "401"},
             {basic + "Content-Encoding: gzip\r\nContent-Length: 500000\r\n", "415"},
             {basic + "Content-Length: 1048577\r\n", "413"},
             {basic + "Transfer-Encoding: chunked\r\n", "411"},
             {basic + "Content-Length: 2\r\nContent-Length: 500000\r\n", "400"},
             {basic, "411"}}) {
        test::RawTlsConnection connection(port);
        connection.send("POST /api/v1.1/createorderprocess/checkquotationrecords HTTP/1.1\r\nHost: localhost\r\n" +
                        head + "\r\n");
        EXPECT_THAT(connection.receive(std::chrono::seconds(3)), testing::StartsWith("HTTP/1.1 " + status)) << head;
        EXPECT_TRUE(connection.closedByServerWithin(std::chrono::seconds(1))) << head;
    }
    EXPECT_EQ(checkCode("[4711]"), R"([{"quotationRecordId":4711,"errorCode":null}])");
}

TEST_F(SandboxTest, DeeplyNestedJsonIsRefusedNotFatal)
{
    const std::string deep(1000000, '[');
    for (const char* path :
         {"/api/v1.1/createorderprocess/checkquotationrecords", "/api/v1.1/createorderprocess/createorder"}) {
        EXPECT_EQ(client().Post(path, apiHeaders(), deep, "application/json")->status, 400);
    }
    EXPECT_EQ(checkCode("[4711]"), R"([{"quotationRecordId":4711,"errorCode":null}])");
}

// Connections trickling a request head neither hold the server (they are cut off at the deadline)
// nor pile up beyond the cap (one more is closed at once).
TEST_F(SandboxTest, SlowClientsAreCutOffAndConnectionsCapped)
{
    startSandbox([](SandboxOptions& options) {
        options.maxConnections = 10;
        options.requestDeadline = std::chrono::milliseconds(1500);
    });
    std::vector<std::unique_ptr<test::RawTlsConnection>> slow;
    const auto openSlow = [&] {
        slow.push_back(std::make_unique<test::RawTlsConnection>(port));
        return slow.back()->send("GET / HTTP/1.1\r\nX-Slow: a");
    };
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(openSlow());
    }
    auto quick = connect();
    quick->set_read_timeout(1);
    const auto answer = quick->Get("/");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);

    while (slow.size() < 12 && openSlow()) {
    }
    EXPECT_LE(slow.size(), 11U) << "more connections than the cap were taken";
    for (const auto& connection : slow) {
        EXPECT_TRUE(connection->closedByServerWithin(std::chrono::seconds(3)));
    }
    // Cut off, they soon no longer count.
    const auto served = [&] {
        const auto result = client().Get("/");
        return result && result->status == 200;
    };
    bool servedAfter = served();
    for (int attempt = 0; attempt < 20 && !servedAfter; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        servedAfter = served();
    }
    EXPECT_TRUE(servedAfter);
}

TEST_F(SandboxTest, ASecondSandboxOnTheSameDataRefusesToStart)
{
    try {
        Sandbox second(options());
        ADD_FAILURE() << "a second sandbox started";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("another sandbox is already using this data folder"));
    }
    EXPECT_EQ(client().Get("/")->status, 200);
}

TEST_F(SandboxTest, FailEveryAndLatency)
{
    startSandbox([](SandboxOptions& options) {
        options.latencyMs = 50;
        options.failEvery = 2;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client().Get("/")->status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(client().Get("/")->status, 503);
    EXPECT_EQ(client().Get("/")->status, 200);
}

// Each change is one transaction: a failure halfway (here a refusal planted in the database) leaves
// nothing of it behind.
// "Valider" pressed twice at once: both routes read the session before either saved. The second save
// must see the first one's record, not insert an orphan.
TEST(SandboxStore, TwoSubmitsOfOnePageMakeOneRecord)
{
    QTemporaryDir folder;
    Store store(folder.path().toStdString() + "/sandbox.db");
    const Session readByBoth = *store.session(store.openSession("olka", "demo", std::nullopt));
    const auto json = [](long long id) { return "{\"id\":" + std::to_string(id) + "}"; };
    const long long first = store.saveRecord(readByBoth, "{}", json);
    EXPECT_EQ(store.saveRecord(readByBoth, "{}", json), first);
    EXPECT_FALSE(store.record(first + 1));
}

TEST(SandboxStore, ChangesLandWholeOrNotAtAll)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/sandbox.db";
    Store store(path);
    store.addSeedRecords({{1, "ferd", "{}", "{}", false, "", ""}, {2, "ferd", "{}", "{}", false, "", ""}});
    const auto plant = [&](const char* sql) {
        sqlite3* database = nullptr;
        sqlite3_open(path.c_str(), &database);
        EXPECT_EQ(sqlite3_exec(database, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(database);
        sqlite3_close(database);
    };
    plant("CREATE TRIGGER refuse AFTER UPDATE OF order_reference ON records WHEN NEW.id = 2"
          " BEGIN SELECT RAISE(ABORT, 'disque plein'); END");
    EXPECT_THROW(store.createOrder({1, 2}, "N", "T", "D"), std::runtime_error);
    EXPECT_EQ(store.record(1)->orderReference, "");

    const Session session{store.openSession("ferd", "demo", std::nullopt), "ferd", "demo", std::nullopt, false};
    EXPECT_THROW(store.saveRecord(session, "{}", [](long long) -> std::string { throw std::runtime_error("panne"); }),
                 std::runtime_error);
    EXPECT_FALSE(store.record(3));
    EXPECT_FALSE(store.session(session.token)->validated);

    plant("DROP TRIGGER refuse");
    EXPECT_EQ(store.createOrder({1, 2}, "N", "T", "D"), "CMD-2026-001001"); // the failed order left no trace
}

} // namespace
} // namespace varno::sandbox
