#include "foundation/FilePath.h"
#include "tests/support/WorkflowHarness.h"
#include "verification/TFicheConfigurateurVerification.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

using test::outcomeBytes;
using test::WorkflowHarness;
using testing::ElementsAre;

class VerificationWindowTest : public testing::Test {
protected:
    WorkflowHarness harness;
    VerificationHandOver values{harness.handOver("ferd"), "123"};
    TFicheConfigurateurVerification window{nullptr, harness.env.services, values};

    void SetUp() override { test::writeFileBytes(harness.temporaryFile, "host content"); }
};

TEST_F(VerificationWindowTest, AnOrderableRecordGivesEmptyCodeAndMessage)
{
    harness.answerRecordAndPost(R"({"id":123,"indirectMode":false})", 200, R"([{"errorCode":null}])");
    const auto outcome = harness.run(window);

    EXPECT_TRUE(outcome.closed);
    EXPECT_EQ(harness.temporaryFileBytes(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Project>123</Project>"
              "<Verification><Code/><Libelle/></Verification></Configurateur>\r\n");
    EXPECT_THAT(outcome.statuses,
                ElementsAre("Lancement de la vérification", "Demande de vérification au configurateur",
                            "Traitement des données du configurateur", "Fin de la vérification"));
    EXPECT_EQ(window.windowTitle(), "Korvalis - Configurateur ferd - Vérification");

    const auto requests = harness.server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/api/v2.0/quotation-records/123");
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].target, "/api/v1.1/createorderprocess/checkquotationrecords");
    EXPECT_EQ(requests[1].body, "[123]");
    for (const auto& request : requests) {
        test::expectApiHeaders(request);
    }
    EXPECT_TRUE(harness.env.messages.entries().empty());
}

TEST_F(VerificationWindowTest, AKnownCodeIsWrittenWithItsMessageInWindows1252)
{
    harness.answerRecordAndPost("{}", 200, R"([{"errorCode":"PRICER_NOT_ALLOWED"}])");
    EXPECT_TRUE(harness.run(window).closed);
    EXPECT_EQ(harness.temporaryFileBytes(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Project>123</Project><Verification>"
              "<Code>PRICER_NOT_ALLOWED</Code><Libelle>L\x92utilisateur n\x92"
              "a pas le droit d\x92utiliser cette "
              "biblioth\xE8que.</Libelle></Verification></Configurateur>\r\n");
}

struct OutcomeCase {
    const char* name;
    std::string postBody;
    int postStatus;
    std::string code;
    std::string libelle;
};

class VerificationOutcomeTest : public VerificationWindowTest, public testing::WithParamInterface<OutcomeCase> {};

TEST_P(VerificationOutcomeTest, WritesTheDocument)
{
    harness.answerRecordAndPost(R"({"indirectMode":"true"})", GetParam().postStatus, GetParam().postBody);
    EXPECT_TRUE(harness.run(window).closed);
    EXPECT_EQ(harness.temporaryFileBytes(), outcomeBytes("123", "Verification", GetParam().code, GetParam().libelle));
}

INSTANTIATE_TEST_SUITE_P(Rows, VerificationOutcomeTest,
                         testing::Values(OutcomeCase{"Empty", "[]", 200, "", ""},
                                         OutcomeCase{"StateInvalid", R"([{"errorCode":"STATE_INVALID"}])", 200,
                                                     "STATE_INVALID", "Identifiant invalide : 123"},
                                         OutcomeCase{"OutdatedThenNull",
                                                     R"([{"errorCode":"PRICER_OUTDATED"},{"errorCode":null}])", 200, "",
                                                     ""},
                                         OutcomeCase{"Unknown", R"([{"errorCode":"BRAND_NEW"}])", 200, "BRAND_NEW", ""},
                                         OutcomeCase{"NoContent", "", 204, "RESPONSE_CODE", "204"},
                                         OutcomeCase{"Created", "[]", 201, "RESPONSE_CODE", "201"}),
                         [](const testing::TestParamInfo<OutcomeCase>& param) { return param.param.name; });

TEST_F(VerificationWindowTest, AnIndirectRecordIsRefusedWithoutTheCheck)
{
    harness.answer(200, R"({"indirectMode":true})");
    const auto outcome = harness.run(window);
    EXPECT_TRUE(outcome.closed);
    EXPECT_EQ(harness.server.requests().size(), 1u);
    EXPECT_THAT(outcome.statuses, ElementsAre("Lancement de la vérification", "Fin de la vérification"));
    EXPECT_EQ(harness.temporaryFileBytes(),
              outcomeBytes("123", "Verification", "KVL_INDIRECT_MODE",
                           "Vous êtes de type profil indirect. Vous ne pouvez pas effectuer de commande."));
}

struct FailureCase {
    const char* name;
    int getStatus;
    std::string getBody;
    int postStatus;
    std::string postBody;
    std::string messagePart;
    std::string lastStatus;
};

class VerificationFailureTest : public VerificationWindowTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(VerificationFailureTest, ShowsTheErrorLeavesTheWindowOpenAndWritesNothing)
{
    const FailureCase& failure = GetParam();
    harness.server.setHandler([&](const httplib::Request& request, httplib::Response& response) {
        const bool isGet = request.method == "GET";
        response.status = isGet ? failure.getStatus : failure.postStatus;
        response.set_content(isGet ? failure.getBody : failure.postBody, "application/json");
    });
    const auto outcome = harness.run(window);
    EXPECT_FALSE(outcome.closed);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(harness.env.messages.entries().size(), 1u);
    EXPECT_TRUE(harness.env.messages.entries()[0].isError);
    EXPECT_THAT(harness.env.messages.entries()[0].text, testing::HasSubstr(failure.messagePart));
    EXPECT_EQ(outcome.lastStatus, failure.lastStatus);
    EXPECT_EQ(harness.temporaryFileBytes(), "host content");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, VerificationFailureTest,
    testing::Values(
        FailureCase{"RecordNotFound", 404, "{}", 200, "[]", "« 404 ", "Lancement de la vérification"},
        FailureCase{"RecordNotJson", 200, "<html>Maintenance</html>", 200, "[]", "n'est pas du JSON valide",
                    "Lancement de la vérification"},
        FailureCase{"RecordNotAnObject", 200, "[1]", 200, "[]", "au lieu d'un objet", "Lancement de la vérification"},
        FailureCase{"CheckServerError", 200, "{}", 500, "oops", "« 500 ", "Demande de vérification au configurateur"},
        FailureCase{"CheckHtmlPage", 200, "{}", 200, "<html>Erreur</html>", "n'est pas du JSON valide",
                    "Traitement des données du configurateur"},
        FailureCase{"CheckNotAnArray", 200, "{}", 200, R"({"errorCode":null})", "au lieu d'un tableau",
                    "Traitement des données du configurateur"},
        FailureCase{"CheckElementNotAnObject", 200, "{}", 200, R"(["NOT_FOUND"])", "au lieu d'un objet",
                    "Traitement des données du configurateur"}),
    [](const testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(VerificationWindowTest, AnUnwritableTemporaryFileIsAnErrorAndTheWindowStays)
{
    values.TemporaryFilePath = pathFromUtf8(harness.temporaryFile + "/inside-a-file.xml");
    TFicheConfigurateurVerification unwritable(nullptr, harness.env.services, values);
    harness.answerRecordAndPost("{}", 200, "[]");
    const auto outcome = harness.run(unwritable);
    EXPECT_FALSE(outcome.closed);
    ASSERT_EQ(harness.env.messages.entries().size(), 1u);
    EXPECT_THAT(harness.env.messages.entries()[0].text, testing::StartsWith("Impossible d'écrire le fichier"));
    EXPECT_EQ(outcome.lastStatus, "Traitement des données du configurateur");
    EXPECT_EQ(harness.temporaryFileBytes(), "host content");
}

// While the check waits for its answer the window's event loop turns: its step stays painted, a busy
// cursor shows, and its close box is heard: the check is abandoned and nothing is written.
TEST_F(VerificationWindowTest, StaysAliveWhileARequestWaits)
{
    harness.server.setHandler([this](const httplib::Request& request, httplib::Response& response) {
        if (request.method == "POST") {
            harness.server.holdUntilReleased(std::chrono::seconds(30));
        }
        response.set_content(request.method == "GET" ? "{}" : R"([{"errorCode":"NOT_FOUND"}])", "application/json");
    });
    int turns = 0; // of the event loop while the check is held
    QString status;
    bool busyCursor = false;
    bool visibleAfterClose = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (harness.server.requests().size() < 2 || !window.isRunning()) {
            return;
        }
        if (++turns == 1) {
            status = window.lblInfos->text();
            busyCursor =
                QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        } else if (turns == 20) {
            visibleAfterClose = window.isVisible();
            QCoreApplication::postEvent(&window, new QCloseEvent);
        }
    });
    watcher.start(1);

    const auto outcome = harness.run(window);
    harness.server.release();
    EXPECT_GE(turns, 20);
    EXPECT_EQ(status, "Demande de vérification au configurateur");
    EXPECT_TRUE(busyCursor);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_TRUE(outcome.closed);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(harness.temporaryFileBytes(), "host content");
}

} // namespace
} // namespace varno
