#include "order/Order.h"
#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "tests/support/Errors.h"
#include "tests/support/Recorders.h"

#include <QDir>
#include <QTemporaryDir>

#include <QTimeZone>

#include <gtest/gtest.h>

#include <vector>

namespace varno {
namespace {

const QDateTime kWinter(QDate(2024, 1, 15), QTime(10, 30));

TEST(OrderBody, TheWorkedExampleComesOutByteForByte)
{
    EXPECT_EQ(
        orderRequestBody("4711", "CDE-0042", "Chantier 12", kWinter),
        R"({"quotationRecordIds": [4711],"documentNumber": "de(KORVALIS)CDE-0042","documentTitle": "Chantier 12",)"
        R"("documentDate": "\/Date(1705314600000+0100)\/" ,"comment": ""})");
}

TEST(OrderBody, TheDateIsTheLocalClockReadAsUtcWhateverTheTimeZone)
{
    EXPECT_EQ(millisecondsAsIfUtc(kWinter), 1705314600000);
    EXPECT_EQ(millisecondsAsIfUtc(QDateTime(QDate(2024, 7, 15), QTime(10, 30))), 1721039400000); // summer time
    EXPECT_EQ(millisecondsAsIfUtc(QDateTime(QDate(2024, 7, 15), QTime(10, 30), QTimeZone("Asia/Tokyo"))),
              1721039400000);
    EXPECT_EQ(millisecondsAsIfUtc(QDateTime(QDate(1970, 1, 1), QTime(0, 0, 0, 7))), 7);
}

TEST(OrderBody, EmptyValuesAndLists)
{
    EXPECT_EQ(orderRequestBody("", "", "", kWinter),
              R"x({"quotationRecordIds": [],"documentNumber": "de(KORVALIS)","documentTitle": "",)x"
              R"x("documentDate": "\/Date(1705314600000+0100)\/" ,"comment": ""})x");
    EXPECT_NE(orderRequestBody("12,13", "N", "R", kWinter).find(R"("quotationRecordIds": [12,13],)"),
              std::string::npos);
}

TEST(OrderBody, NumberAndReferenceAreEscapedAsJsonStringContent)
{
    const std::string body = orderRequestBody("1", "A\"B\\C", "Ligne 1\nFenêtre\t\x01", kWinter);
    EXPECT_NE(body.find(R"("documentNumber": "de(KORVALIS)A\"B\\C",)"), std::string::npos) << body;
    EXPECT_NE(body.find(R"("documentTitle": "Ligne 1\nFenêtre\t\u0001",)"), std::string::npos) << body;
}

struct AnswerCase {
    const char* name;
    int status;
    std::string body;
    ResultPair expected;
};

class OrderAnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(OrderAnswerTest, GivesTheOutcome)
{
    EXPECT_EQ(readOrderAnswer({GetParam().status, GetParam().body}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OrderAnswerTest,
    testing::Values(AnswerCase{"Refused", 200, "null", {"ERROR", "Erreur sur le passage en commande"}},
                    AnswerCase{"ReferenceString", 200, R"({"reference":"C-2024-0815"})", {"REFERENCE", "C-2024-0815"}},
                    AnswerCase{"ReferenceNumberKeepsDigits",
                               200,
                               R"({"id":1,"reference":20240815.10})",
                               {"REFERENCE", "20240815.10"}},
                    AnswerCase{"ReferenceNull", 200, R"({"reference":null})", {"REFERENCE", "null"}},
                    AnswerCase{"NoReference", 200, R"({"id":1})", {}},
                    AnswerCase{"ReferenceInOtherCase", 200, R"({"Reference":"C-1"})", {}},
                    AnswerCase{"Created", 201, "anything", {"RESPONSE_CODE", "201"}},
                    AnswerCase{"NoContent", 204, "", {"RESPONSE_CODE", "204"}}),
    [](const testing::TestParamInfo<AnswerCase>& param) { return param.param.name; });

TEST(OrderAnswer, AnythingElseIsAFailureOfJsonReading)
{
    for (const char* body : {" null", "NULL", "null ", "[]", "\"C-1\"", "42", "<html/>", ""}) {
        EXPECT_THROW(readOrderAnswer({200, body}), VarnoError) << body;
    }
}

// The order exists once the server answered: a document that cannot be written still tells its outcome.
TEST(OrderOutcome, AnUnwrittenDocumentStillTellsTheOutcome)
{
    QTemporaryDir folder;
    const std::string notAFolder = QDir(folder.path()).filePath("host-file").toStdString();
    test::writeFileBytes(notAFolder, "host content");
    const std::vector<std::pair<ResultPair, std::string>> cases = {
        {{"REFERENCE", "CMD-7"}, "La commande a pourtant été créée, sous la référence « CMD-7 »."},
        {{"ERROR", "Erreur sur le passage en commande"},
         "Réponse du configurateur à la demande de commande : ERROR « Erreur sur le passage en commande »."},
        {{}, "Le configurateur a accepté la demande de commande sans donner de référence."}};
    for (const auto& [outcome, told] : cases) {
        const ResultPair& written = outcome; // a lambda cannot capture a structured binding in clang 14
        const std::string message =
            test::varnoErrorOf([&] { saveOrderOutcome("4711", written, pathFromUtf8(notAFolder + "/devis.xml")); });
        EXPECT_TRUE(message.starts_with("Impossible d'écrire le fichier")) << message;
        EXPECT_TRUE(message.ends_with("\n\n" + told)) << message;
    }
    EXPECT_EQ(test::readFileBytes(notAFolder), "host content");
}

} // namespace
} // namespace varno
