#include "net/HttpClient.h"
#include "foundation/Error.h"
#include "net/ConfiguratorApi.h"
#include "net/CurlUrl.h"
#include "net/HttpText.h"
#include "tests/support/ApiRequests.h"
#include "tests/support/Errors.h"
#include "tests/support/TestHttpsServer.h"

#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

using test::certificatePath;
using test::TestHttpsServer;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

const ApiAccount kAccount{"api@example.test", "P@ss:w0rd!xyz&=", "0123456789abcdef0123456789abcdef"};

HttpClientOptions trustingTestCa()
{
    HttpClientOptions options;
    options.extraCaCertificates = test::testCaCertificates();
    return options;
}

HttpRequest apiPost(const std::string& url, const std::string& body)
{
    return apiRequest("POST", url, kAccount, body);
}

class HttpClientTest : public testing::Test {
protected:
    TestHttpsServer server;
    HttpClient client{trustingTestCa()};

    std::string get(const std::string& path) { return bodyText(client.send({.url = server.baseUrl() + path})); }
    std::string post(const std::string& path, const std::string& body)
    {
        return bodyText(client.send(apiPost(server.baseUrl() + path, body)));
    }
};

TEST_F(HttpClientTest, ApiSettingsGiveExactHeadersOnEveryRequestWithoutAChallenge)
{
    server.setHandler(
        [](const httplib::Request&, httplib::Response& response) { response.set_content("{}", "application/json"); });
    ConfiguratorApi api(client, server.baseUrl(), kAccount);
    EXPECT_EQ(api.getQuotationRecord("Q-42"), "{}");
    EXPECT_EQ(api.post(kCheckQuotationRecordsPath, "[123]").body, "{}");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u); // no 401 round trip: Basic goes with the first request
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/api/v2.0/quotation-records/Q-42");
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].body, "[123]");
    for (const auto& request : requests) {
        test::expectApiHeaders(request, kAccount);
        EXPECT_THAT(request.headerValues("User-Agent"), ElementsAre("Mozilla/3.0 (compatible; Indy Library)"));
        EXPECT_THAT(request.headerValues("Expect"), testing::IsEmpty());
    }
}

TEST_F(HttpClientTest, AClientReusesItsOwnConnection)
{
    server.setHandler(
        [](const httplib::Request&, httplib::Response& response) { response.set_content("ok", "text/plain"); });
    get("/1");
    get("/2");
    HttpClient other(trustingTestCa());
    EXPECT_EQ(bodyText(other.send({.url = server.baseUrl() + "/3"})), "ok");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].clientPort, requests[1].clientPort); // one handshake for the first two
    EXPECT_NE(requests[1].clientPort, requests[2].clientPort);
}

TEST_F(HttpClientTest, HandsBackA2xxOtherThan200WithItsStatus)
{
    for (const int status : {200, 201, 204}) {
        server.setHandler([status](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            if (status != 204) {
                response.set_content("body", "text/plain");
            }
        });
        const HttpResponse response = client.send(apiPost(server.baseUrl() + "/x", "{}"));
        EXPECT_EQ(response.status, status);
        EXPECT_EQ(response.body, status == 204 ? "" : "body");
    }
}

TEST_F(HttpClientTest, ErrorStatusesFailWithStatusAndAddressButNeverTheQuery)
{
    for (const int status : {400, 401, 404, 500}) {
        server.setHandler([status](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            response.set_content("nope", "text/plain");
        });
        const std::string message =
            test::varnoErrorOf([&] { get("/index.php/Services/jeton?email=a@b.c&mdp=secret%26pw"); });
        EXPECT_THAT(message,
                    HasSubstr("La requête GET vers " + server.baseUrl() + "/index.php/Services/jeton?… a échoué"));
        EXPECT_THAT(message, HasSubstr("« " + std::to_string(status) + " "));
        EXPECT_THAT(message, Not(HasSubstr("secret")));
    }
}

TEST_F(HttpClientTest, KeepsCookiesPerClient)
{
    server.setHandler([](const httplib::Request& request, httplib::Response& response) {
        if (request.path == "/login") {
            response.set_header("Set-Cookie", "session=abc123; Path=/");
        }
        response.set_content("ok", "text/plain");
    });
    get("/login");
    get("/next");
    HttpClient other(trustingTestCa());
    other.send({.url = server.baseUrl() + "/other"});

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].header("Cookie"), "session=abc123");
    EXPECT_EQ(requests[2].header("Cookie"), "");
}

TEST_F(HttpClientTest, FollowsRedirectsWithTheMethodBrowsersUse)
{
    server.setHandler([](const httplib::Request& request, httplib::Response& response) {
        if (request.path.starts_with("/r")) {
            response.status = std::stoi(request.path.substr(2));
            response.set_header("Location", "/final");
        } else {
            response.set_content(request.method + ":" + request.body, "text/plain");
        }
    });
    const HttpResponse redirected = client.send(apiRequest("GET", server.baseUrl() + "/r301", kAccount));
    EXPECT_EQ(redirected.status, 200);
    EXPECT_EQ(redirected.body, "GET:");
    EXPECT_EQ(post("/r302", "[1]"), "GET:");
    EXPECT_EQ(post("/r303", "[1]"), "GET:");
    EXPECT_EQ(post("/r307", "[1]"), "POST:[1]");
    EXPECT_EQ(post("/r308", "[1]"), "POST:[1]");

    for (const auto& request : server.requests()) { // same origin: the credentials go along
        test::expectApiHeaders(request, kAccount);
    }
}

TEST_F(HttpClientTest, NeverForwardsCredentialsToAnotherOrigin)
{
    TestHttpsServer elsewhere;
    elsewhere.setHandler(
        [](const httplib::Request&, httplib::Response& response) { response.set_content("[]", "application/json"); });
    const std::vector<std::string> targets = {elsewhere.baseUrl() + "/landing",        // another port
                                              server.baseUrlByAddress() + "/landing"}; // another host name
    for (const std::string& target : targets) {
        server.setHandler([target](const httplib::Request& request, httplib::Response& response) {
            if (request.path == "/landing") {
                response.set_content("{}", "application/json");
            } else {
                response.status = 302;
                response.set_header("Location", target);
            }
        });
        EXPECT_EQ(post("/start", "[1]"), target.starts_with(elsewhere.baseUrl()) ? "[]" : "{}");
    }
    std::vector<test::RecordedRequest> landed = elsewhere.requests();
    for (const auto& request : server.requests()) {
        if (request.path == "/landing") {
            landed.push_back(request);
        } else {
            EXPECT_THAT(request.headerValues("Zedir-Issuer"), ElementsAre(kAccount.issuerKey));
        }
    }
    ASSERT_EQ(landed.size(), 2u);
    for (const auto& request : landed) {
        EXPECT_THAT(request.headerValues("Zedir-Issuer"), testing::IsEmpty());
        EXPECT_THAT(request.headerValues("Authorization"), testing::IsEmpty());
    }
}

// A record id "." or ".." must not lead an authenticated request out of the records path.
TEST_F(HttpClientTest, ARecordReadStaysInTheRecordsPath)
{
    server.setHandler(
        [](const httplib::Request&, httplib::Response& response) { response.set_content("{}", "application/json"); });
    ConfiguratorApi api(client, server.baseUrl() + "/base", kAccount);
    for (const char* recordId : {".", ".."}) {
        api.getQuotationRecord(recordId);
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/base/api/v2.0/quotation-records/%2E");
    EXPECT_EQ(requests[1].target, "/base/api/v2.0/quotation-records/%2E%2E");
}

TEST_F(HttpClientTest, FollowsNoRedirectToPlainHttp)
{
    httplib::Server plain;
    plain.Get(".*", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("clear", "text/plain");
    });
    int plainRequests = 0;
    plain.set_logger([&plainRequests](const httplib::Request&, const httplib::Response&) { ++plainRequests; });
    const int port = plain.bind_to_any_port("127.0.0.1");
    std::thread listening([&plain] { plain.listen_after_bind(); });
    while (!plain.is_running()) { // a stop before the listening starts would be lost
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::string target = "http://127.0.0.1:" + std::to_string(port) + "/landing";
    server.setHandler([target](const httplib::Request&, httplib::Response& response) {
        response.status = 302;
        response.set_header("Location", target);
    });
    EXPECT_THAT(test::varnoErrorOf([&] { get("/start"); }),
                HasSubstr("/start a échoué : redirection vers une adresse non sécurisée (" + target + ")"));
    plain.stop();
    listening.join();
    EXPECT_EQ(plainRequests, 0);
}

TEST_F(HttpClientTest, GivesUpAfterTenRedirects)
{
    server.setHandler([](const httplib::Request& request, httplib::Response& response) {
        const int hop = std::stoi(request.path.substr(1));
        response.status = 302;
        response.set_header("Location", "/" + std::to_string(hop + 1));
    });
    EXPECT_THAT(test::varnoErrorOf([&] { get("/0"); }), HasSubstr("trop de redirections"));
    EXPECT_EQ(server.requests().size(), 11u);
}

// A certificate from a CA the client does not trust, or one that names the host in its common name only
// (matching that is what browsers stopped doing), is refused before any request is sent.
TEST_F(HttpClientTest, RefusesACertificateItDoesNotTrust)
{
    for (const char* certificate : {"untrusted", "common-name-only"}) {
        SCOPED_TRACE(certificate);
        const std::string name(certificate);
        TestHttpsServer refused(certificatePath(name + ".pem"), certificatePath(name + ".key"));
        EXPECT_THAT(test::varnoErrorOf([&] { client.send({.url = refused.baseUrl() + "/"}); }),
                    HasSubstr("le certificat du serveur n'est pas reconnu"));
        EXPECT_TRUE(refused.requests().empty());
    }

    HttpClientOptions systemStoreOnly;
    HttpClient strict(systemStoreOnly);
    EXPECT_THAT(test::varnoErrorOf([&] { strict.send({.url = server.baseUrl() + "/"}); }), HasSubstr("certificat"));
    EXPECT_TRUE(server.requests().empty());
}

// Extra CAs are taken as the build's check reads them: a bundle holding a block that is not a plain
// certificate (a CRL, an encrypted one), before or after the CA, gives no CA at all.
TEST_F(HttpClientTest, ABundleThatCannotBeReadWholeTrustsNothingOfIt)
{
    const std::string ca = test::testCaCertificates();
    for (const std::string& unreadable :
         {std::string("-----BEGIN X509 CRL-----\nTUlJQm9n\n-----END X509 CRL-----\n"),
          "-----BEGIN CERTIFICATE-----\nProc-Type: 4,ENCRYPTED\n" + ca.substr(ca.find('\n') + 1)}) {
        for (const std::string& bundle : {unreadable + ca, ca + unreadable}) {
            HttpClientOptions options;
            options.extraCaCertificates = bundle;
            HttpClient partly(options);
            EXPECT_THAT(test::varnoErrorOf([&] { partly.send({.url = server.baseUrl() + "/"}); }),
                        HasSubstr("le certificat du serveur n'est pas reconnu"));
        }
    }
}

TEST_F(HttpClientTest, AbortsATransferThatReceivesNothing)
{
    server.setHandler([this](const httplib::Request&, httplib::Response& response) {
        server.holdUntilReleased(std::chrono::seconds(20));
        response.set_content("late", "text/plain");
    });
    HttpClientOptions impatient = trustingTestCa();
    impatient.stallTimeout = std::chrono::seconds(1);
    HttpClient impatientClient(impatient);
    EXPECT_THAT(test::varnoErrorOf([&] { impatientClient.send({.url = server.baseUrl() + "/slow"}); }),
                HasSubstr("délai d'attente dépassé"));
    server.release();
}

// A server that never stops sending, announced or not, and one that drips its answer.
TEST_F(HttpClientTest, BoundsTheAnswersSizeAndTheRequestsWholeTime)
{
    server.setHandler([](const httplib::Request& request, httplib::Response& response) {
        if (request.path == "/announced") {
            response.set_content(std::string(5 << 20, 'x'), "text/plain");
        } else {
            const bool drip = request.path == "/drip";
            response.set_chunked_content_provider("text/plain", [drip](size_t, httplib::DataSink& sink) {
                if (drip) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
                return sink.write(std::string(drip ? 1 : 65536, 'x').data(), drip ? 1 : 65536);
            });
        }
    });
    HttpClientOptions bounded = trustingTestCa();
    bounded.maxAnswerBytes = std::size_t{1} << 20;
    bounded.totalTimeout = std::chrono::seconds(2);
    HttpClient boundedClient(bounded);
    for (const char* path : {"/announced", "/endless"}) {
        EXPECT_THAT(test::varnoErrorOf([&] { boundedClient.send({.url = server.baseUrl() + path}); }),
                    HasSubstr(path + std::string(" a échoué : la réponse dépasse 1 Mo.")));
    }
    EXPECT_THAT(test::varnoErrorOf([&] { boundedClient.send({.url = server.baseUrl() + "/drip"}); }),
                HasSubstr("/drip a échoué : le serveur ne répond pas (délai d'attente dépassé)"));
}

TEST_F(HttpClientTest, ReportsARefusedConnection)
{
    const std::string closedPort = [] {
        TestHttpsServer gone;
        return gone.baseUrl();
    }();
    EXPECT_THAT(test::varnoErrorOf([&] { client.send({.url = closedPort + "/x"}); }),
                HasSubstr("La requête GET vers " + closedPort + "/x a échoué : connexion au serveur impossible"));
}

TEST_F(HttpClientTest, DecodesTheBodyByTheDeclaredCharset)
{
    server.setHandler([](const httplib::Request& request, httplib::Response& response) {
        if (request.path == "/latin1") {
            response.set_content("<a>\xE9t\xE9 \x92</a>", "text/xml; charset=ISO-8859-1");
        } else {
            response.set_content("{\"a\":\"\xC3\xA9t\xC3\xA9\"}", "application/json");
        }
    });
    EXPECT_EQ(get("/latin1"), "<a>été \u2019</a>");
    EXPECT_EQ(get("/json"), "{\"a\":\"été\"}");
}

TEST(DecodeBody, Charsets)
{
    EXPECT_EQ(decodeBody("\xE9", "text/plain; charset=\"iso-8859-1\""), "é");
    EXPECT_EQ(decodeBody("\xC3\xA9", "application/json; charset=UTF-8"), "é");
    EXPECT_EQ(decodeBody("\xC3\xA9", "application/json"), "é");
    EXPECT_EQ(decodeBody("\xE9t\xE9", ""), "été"); // not UTF-8: read as Windows-1252
    EXPECT_EQ(decodeBody(std::string("\xE9\x00", 2), "text/plain; charset=utf-16le"), "é");
    EXPECT_THAT(test::varnoErrorOf([] { decodeBody("x", "text/plain; charset=x-klingon"); }), HasSubstr("x-klingon"));
}

TEST(DisplayUrl, HidesQueryAndUserInformation)
{
    EXPECT_EQ(displayUrl("https://gw.example/index.php/Services/jeton?email=a&mdp=secret"),
              "https://gw.example/index.php/Services/jeton?…");
    EXPECT_EQ(displayUrl("https://user:pw@api.example:8443/api/v2.0/quotation-records/Q-42#frag"),
              "https://api.example:8443/api/v2.0/quotation-records/Q-42");
    EXPECT_EQ(displayUrl("not a url?mdp=secret"), "not a url");
}

} // namespace
} // namespace varno
