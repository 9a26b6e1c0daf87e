#include "verification/Verification.h"
#include "foundation/Error.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

const std::string kOutdated = "Chiffrage effectué avec une ancienne version de la bibliothèque. Une version plus "
                              "récente est disponible, le chiffrage doit être actualisé.";

struct CheckCase {
    const char* name;
    int status;
    std::string body;
    ResultPair expected;
};

class CheckAnswerTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckAnswerTest, GivesTheOutcome)
{
    EXPECT_EQ(readCheckAnswer({GetParam().status, GetParam().body}, "123"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CheckAnswerTest,
    testing::Values(
        CheckCase{"NullMeansOrderable", 200, R"([{"errorCode":null}])", {}},
        CheckCase{"EmptyArrayMeansOrderable", 200, "[]", {}},
        CheckCase{"NoErrorCodeMeansOrderable", 200, R"([{"id":123}])", {}},
        CheckCase{"NotFound", 200, R"([{"errorCode":"NOT_FOUND"}])", {"NOT_FOUND", "Identifiant invalide : 123"}},
        CheckCase{
            "StateInvalid", 200, R"([{"errorCode":"STATE_INVALID"}])", {"STATE_INVALID", "Identifiant invalide : 123"}},
        CheckCase{"NoSupplierData",
                  200,
                  R"([{"errorCode":"NO_SUPPLIER_DATA"}])",
                  {"NO_SUPPLIER_DATA",
                   "Impossible de commander ce produit (pas de données fournisseur dans la bibliothèque)"}},
        CheckCase{"OrderProcessNotAvailable",
                  200,
                  R"([{"errorCode":"ORDER_PROCESS_NOT_AVAILABLE"}])",
                  {"ORDER_PROCESS_NOT_AVAILABLE",
                   "Impossible de commander ce produit (processus d\u2019envoi de commande non configuré)"}},
        CheckCase{"PricerOutdated", 200, R"([{"errorCode":"PRICER_OUTDATED"}])", {"PRICER_OUTDATED", kOutdated}},
        CheckCase{
            "PricerNotAllowed",
            200,
            R"([{"errorCode":"PRICER_NOT_ALLOWED"}])",
            {"PRICER_NOT_ALLOWED", "L\u2019utilisateur n\u2019a pas le droit d\u2019utiliser cette bibliothèque."}},
        CheckCase{"NoTechnicalValidation",
                  200,
                  R"([{"errorCode":"NO_TECHNICAL_VALIDATION"}])",
                  {"NO_TECHNICAL_VALIDATION",
                   "Les données de commande fournisseur n\u2019ont pas été renseignées. Correspond à "
                   "technicalValidation=false dans les données retournées par le WS de récupération d\u2019un produit "
                   "chiffré. L\u2019utilisateur doit compléter son chiffrage."}},
        CheckCase{"UnknownCodeKeptWithoutMessage", 200, R"([{"errorCode":"SOMETHING_NEW"}])", {"SOMETHING_NEW", ""}},
        CheckCase{"CodesAreCaseSensitive", 200, R"([{"errorCode":"not_found"}])", {"not_found", ""}},
        CheckCase{"NumberCodeKeepsItsDigits", 200, R"([{"errorCode":42.50}])", {"42.50", ""}},
        CheckCase{"LaterNullClearsEarlierFailure", 200, R"([{"errorCode":"PRICER_OUTDATED"},{"errorCode":null}])", {}},
        CheckCase{"LastCodeDecides",
                  200,
                  R"([{"errorCode":null},{"errorCode":"NOT_FOUND"}])",
                  {"NOT_FOUND", "Identifiant invalide : 123"}},
        CheckCase{"ElementWithoutCodeKeepsEarlierOne",
                  200,
                  R"([{"errorCode":"PRICER_OUTDATED"},{"other":1}])",
                  {"PRICER_OUTDATED", kOutdated}},
        CheckCase{"UnknownCodeKeepsEarlierMessage",
                  200,
                  R"([{"errorCode":"PRICER_OUTDATED"},{"errorCode":"NEW"}])",
                  {"NEW", kOutdated}},
        CheckCase{"RepeatedMemberLastWins", 200, R"([{"errorCode":"NOT_FOUND","errorCode":null}])", {}},
        CheckCase{"MemberNameIsExact", 200, R"([{"ErrorCode":"NOT_FOUND"}])", {}},
        CheckCase{"NoContent", 204, "", {"RESPONSE_CODE", "204"}},
        CheckCase{"Created", 201, R"([{"errorCode":"NOT_FOUND"}])", {"RESPONSE_CODE", "201"}}),
    [](const testing::TestParamInfo<CheckCase>& param) { return param.param.name; });

TEST(CheckAnswer, AnAnswerOfAnotherShapeIsAFailure)
{
    for (const char* body :
         {"<html>Erreur</html>", R"({"errorCode":null})", R"(["NOT_FOUND"])", "[null]", "null", ""}) {
        EXPECT_THROW(readCheckAnswer({200, body}, "123"), VarnoError) << body;
    }
}

TEST(CheckAnswer, TheRecordIdGoesVerbatimIntoTheBodyAndTheMessage)
{
    EXPECT_EQ(checkRequestBody("123"), "[123]");
    EXPECT_EQ(checkRequestBody("12,13"), "[12,13]");
    EXPECT_EQ(checkRequestBody(""), "[]");
    EXPECT_EQ(readCheckAnswer({200, R"([{"errorCode":"STATE_INVALID"}])"}, "12,13").libelle,
              "Identifiant invalide : 12,13");
}

TEST(IndirectMode, OnlyTheJsonLiteralTrueCounts)
{
    EXPECT_TRUE(isIndirectMode(R"({"id":1,"indirectMode":true})"));
    for (const char* record : {R"({"indirectMode":false})", R"({"indirectMode":"true"})", R"({"indirectMode":null})",
                               R"({"indirectMode":1})", R"({"IndirectMode":true})", "{}"}) {
        EXPECT_FALSE(isIndirectMode(record)) << record;
    }
}

TEST(IndirectMode, ARecordThatIsNotAnObjectIsAFailure)
{
    for (const char* record : {"[]", "true", "\"x\"", "<html/>", ""}) {
        EXPECT_THROW(isIndirectMode(record), VarnoError) << record;
    }
}

} // namespace
} // namespace varno
