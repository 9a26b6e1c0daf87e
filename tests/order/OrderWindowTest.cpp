#include "foundation/FilePath.h"
#include "order/TFicheConfigurateurCommande.h"
#include "tests/support/WorkflowHarness.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

using test::outcomeBytes;
using test::WorkflowHarness;
using testing::ElementsAre;

class OrderWindowTest : public testing::Test {
protected:
    WorkflowHarness harness;
    OrderHandOver values{harness.handOver("ferd"), "4711", "CDE-0042", "Chantier 12"};
    TFicheConfigurateurCommande window{nullptr, harness.env.services, values};

    void SetUp() override { test::writeFileBytes(harness.temporaryFile, "host content"); }
};

TEST_F(OrderWindowTest, SendsTheOrderAndWritesTheReference)
{
    harness.answer(200, R"({"reference":"C-2024-0815"})");
    const auto outcome = harness.run(window);

    EXPECT_TRUE(outcome.closed);
    EXPECT_EQ(window.windowTitle(), "Korvalis - Configurateur ferd - Commande");
    EXPECT_THAT(outcome.statuses,
                ElementsAre("Lancement de l'envoi en commande", "Transfert de la demande de commande au configurateur",
                            "Traitement des données du configurateur", "Fin de l'envoi en commande"));
    const auto requests = harness.server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/api/v1.1/createorderprocess/createorder");
    EXPECT_EQ(
        requests[0].body,
        R"({"quotationRecordIds": [4711],"documentNumber": "de(KORVALIS)CDE-0042","documentTitle": "Chantier 12",)"
        R"("documentDate": "\/Date(1705314600000+0100)\/" ,"comment": ""})");
    EXPECT_THAT(requests[0].headerValues("Zedir-Issuer"), ElementsAre("0123456789abcdef0123456789abcdef"));
    EXPECT_THAT(requests[0].headerValues("Authorization"),
                ElementsAre("Basic YXBpQGV4YW1wbGUudGVzdDpQdy0xMjM0NTY3ODktYWI="));
    EXPECT_THAT(requests[0].headerValues("Content-Type"), ElementsAre("application/json; charset=utf-8"));
    EXPECT_EQ(harness.temporaryFileBytes(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Project>4711</Project><Commande>"
              "<Code>REFERENCE</Code><Libelle>C-2024-0815</Libelle></Commande></Configurateur>\r\n");
}

struct OutcomeCase {
    const char* name;
    int status;
    std::string body;
    std::string code;
    std::string libelle;
};

class OrderOutcomeTest : public OrderWindowTest, public testing::WithParamInterface<OutcomeCase> {};

TEST_P(OrderOutcomeTest, WritesTheDocument)
{
    harness.answer(GetParam().status, GetParam().body);
    EXPECT_TRUE(harness.run(window).closed);
    EXPECT_EQ(harness.temporaryFileBytes(), outcomeBytes("4711", "Commande", GetParam().code, GetParam().libelle));
}

INSTANTIATE_TEST_SUITE_P(Rows, OrderOutcomeTest,
                         testing::Values(OutcomeCase{"Refused", 200, "null", "ERROR",
                                                     "Erreur sur le passage en commande"},
                                         OutcomeCase{"NoReference", 200, R"({"Reference":"C-1"})", "", ""},
                                         OutcomeCase{"Created", 201, R"({"reference":"C-1"})", "RESPONSE_CODE", "201"},
                                         OutcomeCase{"NoContent", 204, "", "RESPONSE_CODE", "204"}),
                         [](const testing::TestParamInfo<OutcomeCase>& param) { return param.param.name; });

struct FailureCase {
    const char* name;
    int status;
    std::string body;
    std::string lastStatus;
};

class OrderFailureTest : public OrderWindowTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(OrderFailureTest, ShowsTheErrorLeavesTheWindowOpenAndWritesNothing)
{
    harness.answer(GetParam().status, GetParam().body, "text/html");
    const auto outcome = harness.run(window);
    EXPECT_FALSE(outcome.closed);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(harness.env.messages.entries().size(), 1u);
    EXPECT_TRUE(harness.env.messages.entries()[0].isError);
    EXPECT_EQ(outcome.lastStatus, GetParam().lastStatus);
    EXPECT_EQ(harness.temporaryFileBytes(), "host content");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, OrderFailureTest,
    testing::Values(FailureCase{"NotFound", 404, "{}", "Transfert de la demande de commande au configurateur"},
                    FailureCase{"ServerError", 500, "{}", "Transfert de la demande de commande au configurateur"},
                    FailureCase{"HtmlPage", 200, "<html>Erreur</html>", "Traitement des données du configurateur"},
                    FailureCase{"SpaceBeforeNull", 200, " null", "Traitement des données du configurateur"},
                    FailureCase{"NullInCapitals", 200, "NULL", "Traitement des données du configurateur"},
                    FailureCase{"Array", 200, "[]", "Traitement des données du configurateur"}),
    [](const testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(OrderWindowTest, AnUnwritableTemporaryFileIsAnErrorAndTheWindowStays)
{
    values.TemporaryFilePath = pathFromUtf8(harness.temporaryFile + "/inside-a-file.xml");
    TFicheConfigurateurCommande unwritable(nullptr, harness.env.services, values);
    harness.answer(200, R"({"reference":"C-1"})");
    const auto outcome = harness.run(unwritable);
    EXPECT_FALSE(outcome.closed);
    ASSERT_EQ(harness.env.messages.entries().size(), 1u);
    EXPECT_THAT(harness.env.messages.entries()[0].text, testing::StartsWith("Impossible d'écrire le fichier"));
    EXPECT_THAT(harness.env.messages.entries()[0].text,
                testing::EndsWith("\n\nLa commande a pourtant été créée, sous la référence « C-1 »."));
    EXPECT_EQ(outcome.lastStatus, "Traitement des données du configurateur");
}

TEST_F(OrderWindowTest, ACloseDuringAFailedRunClosesAfterTheError)
{
    harness.answer(500, "{}");
    const auto outcome = harness.run(window, [](ProgressWindow& shown, const std::string& status) {
        if (status == "Lancement de l'envoi en commande") {
            QCoreApplication::postEvent(&shown, new QCloseEvent);
        }
    });
    EXPECT_TRUE(outcome.closed);
    EXPECT_EQ(harness.env.messages.entries().size(), 1u);
    EXPECT_EQ(harness.temporaryFileBytes(), "host content");
}

} // namespace
} // namespace varno
