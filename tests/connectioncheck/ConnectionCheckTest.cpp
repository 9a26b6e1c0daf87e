// The connection check against the tests' own servers and proxy: every step passes, or the first that
// fails is named with its reason and the steps after it are not tried.
#include "connectioncheck/ConnectionCheck.h"

#include "foundation/Error.h"
#include "tests/support/LogSecrets.h"
#include "tests/support/TestConnectProxy.h"
#include "tests/support/TestHttpsServer.h"

#include <QLocale>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

using test::TestHttpsServer;
using testing::HasSubstr;

// A server that answers with its status and a Date this far from the machine's clock.
void answerWith(TestHttpsServer& server, int status, qint64 offsetSeconds)
{
    server.setHandler([status, offsetSeconds](const httplib::Request&, httplib::Response& response) {
        const QDateTime date = QDateTime::currentDateTimeUtc().addSecs(offsetSeconds);
        response.status = status;
        response.set_header("Date", QLocale::c().toString(date, "ddd, dd MMM yyyy HH:mm:ss 'GMT'").toStdString());
    });
}

TEST(ConnectionCheck, NamesTheFirstStepThatFails)
{
    TestHttpsServer server;
    answerWith(server, 404, 0);
    TestHttpsServer failing;
    answerWith(failing, 500, 0);
    TestHttpsServer skewed;
    answerWith(skewed, 200, qint64{2} * 3600);
    TestHttpsServer untrusted(test::certificatePath("untrusted.pem"), test::certificatePath("untrusted.key"));
    test::TestConnectProxy guarded("agent:right");
    const std::string guardedAt = guarded.address().substr(7); // without "http://"
    struct Row {
        const char* what;
        std::string policy;
        bool basicAllowed;
        std::string url;
        const char* failedStep; // nullptr: every step passes
        const char* reason;
    };
    for (const Row& row : {
             Row{"every step", "direct", false, server.baseUrl(), nullptr, ""},
             Row{"a policy that means nothing", "ftp://nowhere:21", false, server.baseUrl(), "Politique de proxy",
                 "n'est pas compris"},
             Row{"a wrong name", "direct", false, "https://nom-inconnu.invalid:" + std::to_string(server.port()),
                 "Résolution du nom", "nom de serveur introuvable"},
             Row{"an unreachable proxy", "http://127.0.0.1:9", false, server.baseUrl(), "Connexion TCP",
                 "proxy http://127.0.0.1:9"},
             Row{"a 407 without account", guarded.address(), false, server.baseUrl(), "Connexion TCP",
                 "aucun compte n'est indiqué"},
             Row{"a 407 to a wrong password", "http://agent:wr%40ng%3Ap%20w@" + guardedAt, true, server.baseUrl(),
                 "Connexion TCP", "a refusé le compte"},
             Row{"an untrusted certificate", "direct", false, untrusted.baseUrl(), "Négociation TLS",
                 "le certificat du serveur n'est pas reconnu"},
             Row{"a server that fails", "direct", false, failing.baseUrl(), "Réponse HTTP",
                 "« 500 Internal Server Error »"},
             Row{"a Date two hours off", "direct", false, skewed.baseUrl(), "Horloge", "2 h 00 min de retard"},
         }) {
        SCOPED_TRACE(row.what);
        ConnectionCheckSettings settings;
        settings.addresses = {{"Passerelle", row.url}};
        settings.extraCaCertificates = test::testCaCertificates();
        settings.readPolicy = [&row] {
            ProxyPolicy policy = proxyPolicyFrom(row.policy, "le test");
            policy.basicAllowed = row.basicAllowed;
            return policy;
        };
        const SystemClock clock;
        const std::vector<CheckSection> sections = checkConnection(settings, clock);
        ASSERT_EQ(sections.size(), 2u);
        std::vector<CheckStep> steps = sections[0].steps;
        steps.insert(steps.end(), sections[1].steps.begin(), sections[1].steps.end());
        const auto failed = std::find_if(steps.begin(), steps.end(), [](const CheckStep& step) {
            return step.outcome == CheckStep::Outcome::Failed;
        });
        EXPECT_EQ(allPassed(sections), row.failedStep == nullptr);
        if (row.failedStep == nullptr) {
            EXPECT_EQ(failed, steps.end()) << failed->line();
            EXPECT_THAT(steps[5].detail, testing::StartsWith("TLSv1."));
            EXPECT_THAT(steps[5].detail, HasSubstr(" ; certificat « CN=localhost,"));
            EXPECT_THAT(steps[5].detail, HasSubstr(" ; approuvé par la racine « CN=Module_Varno sandbox CA,"));
            EXPECT_THAT(steps.back().line(), testing::StartsWith("✓ Horloge : écart de "));
        } else {
            ASSERT_NE(failed, steps.end());
            EXPECT_EQ(failed->name, row.failedStep);
            EXPECT_THAT(failed->detail, HasSubstr(row.reason));
            EXPECT_TRUE(std::all_of(failed + 1, steps.end(), [](const CheckStep& step) {
                return step.outcome == CheckStep::Outcome::NotTried;
            }));
        }
        const std::string report = reportText(sections, QDateTime::currentDateTime());
        EXPECT_THAT(report, HasSubstr(row.failedStep == nullptr ? "Résultat : toutes les étapes ont réussi."
                                                                : " : « " + std::string(row.failedStep) + " »."));
        test::expectNoSecretIn(report, {"agent:wr@ng:p w"});
    }
}

} // namespace
} // namespace varno
