#include "pricing/QuoteMapping.h"
#include "foundation/Error.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

// Maps a record, the picture "saved" under a name made from its Base64 text.
PricingValues mapped(const std::string& record, std::vector<std::string>* saved = nullptr)
{
    return mapQuotationRecord(JsonValue::parse(record), [saved](const std::string& base64) {
        if (saved != nullptr) {
            saved->push_back(base64);
        }
        return "C:\\Echange\\" + base64 + ".bmp";
    });
}

std::string detailOf(const std::string& product)
{
    return detailText(JsonValue::parse(product));
}

TEST(Detail, TheWorkedExample)
{
    EXPECT_EQ(detailOf(R"({"descriptions":["D1","D2"],"dimension1":{"label":"Largeur","value":1200,"unit":"mm"},
                           "dimension2":{"label":"Hauteur","value":2150,"unit":"mm"},
                           "options":[{"name":"X"},{"name":"Y"}],"optionDescriptions":["P"]})"),
              "D1\n\nLargeur 1200 mm\nHauteur 2150 mm\nX\nY\n\nP\n\n");
}

struct DetailCase {
    const char* name;
    std::string product;
    std::string detail;
};

class DetailTest : public testing::TestWithParam<DetailCase> {};

TEST_P(DetailTest, Sections)
{
    EXPECT_EQ(detailOf(GetParam().product), GetParam().detail);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetailTest,
    testing::Values(
        DetailCase{"Nothing", "{}", ""},
        DetailCase{"OnlyFirstDescription", R"({"descriptions":["A","B","C"]})", "A\n\n"},
        DetailCase{"EmptyDescriptions", R"({"descriptions":[]})", "\n"},
        DetailCase{"OptionsWithoutNames", R"({"options":[{"code":1},{}]})", "\n"},
        DetailCase{"DimensionWithoutLabel", R"({"dimension1":{"value":1200,"unit":"mm"}})", " 1200 mm\n"},
        DetailCase{"DimensionWithoutUnit", R"({"dimension2":{"label":"Hauteur","value":2150}})", "Hauteur 2150\n"},
        DetailCase{"DimensionNumbersKeepDigits", R"({"dimension1":{"label":"L","value":1200.50,"unit":"mm"}})",
                   "L 1200.50 mm\n"},
        DetailCase{"NullTextsAreWords", R"({"descriptions":[null],"informations":[null,"i"]})", "null\n\nnull\ni\n\n"},
        DetailCase{"InformationsAfterOptionDescriptions", R"({"informations":["I"],"optionDescriptions":["O"]})",
                   "O\n\nI\n\n"}),
    [](const testing::TestParamInfo<DetailCase>& param) { return param.param.name; });

TEST(Mapping, EveryValueFromAFullRecord)
{
    std::vector<std::string> saved;
    const PricingValues values = mapped(R"({
        "location": "Salon",
        "printImage": {"value": "QUJD"},
        "product": {"name": "Fenêtre PVC", "quantity": 2, "descriptions": ["D1"]},
        "pricing": {"totalPurchaseBasePrice": 1234.50, "totalPurchasePrice": 987.00, "ecoTax": 12.5,
                    "ecoPartREP": null, "ecoPartDEEE": 0.30}})",
                                        &saved);
    EXPECT_EQ(values.libelle, "Fenêtre PVC");
    EXPECT_EQ(values.detail, "D1\n\n");
    EXPECT_EQ(values.repere, "\"Salon\"");
    EXPECT_EQ(values.ecoTaxe, "12.5");
    EXPECT_EQ(values.ecoPart, "12.5");
    EXPECT_EQ(values.ecoPartRep, "");
    EXPECT_EQ(values.ecoPartDeee, "0.30");
    EXPECT_EQ(values.quantite, "2");
    EXPECT_EQ(values.prixPublic, "1234.50");
    EXPECT_EQ(values.prixAchat, "987.00");
    EXPECT_EQ(values.image, "C:\\Echange\\QUJD.bmp");
    EXPECT_THAT(saved, testing::ElementsAre("QUJD"));
}

struct LocationCase {
    const char* name;
    std::string record;
    std::string repere;
};

class LocationTest : public testing::TestWithParam<LocationCase> {};

TEST_P(LocationTest, JsonTextFormWithNullEmpty)
{
    EXPECT_EQ(mapped(GetParam().record).repere, GetParam().repere);
}

INSTANTIATE_TEST_SUITE_P(Cases, LocationTest,
                         testing::Values(LocationCase{"String", R"({"location":"Salon"})", "\"Salon\""},
                                         LocationCase{"Escapes", R"({"location":"Ch. \"A\""})", R"("Ch. \"A\"")"},
                                         LocationCase{"Number", R"({"location":12.50})", "12.50"},
                                         LocationCase{"Null", R"({"location":null})", ""},
                                         LocationCase{"Absent", "{}", ""}),
                         [](const testing::TestParamInfo<LocationCase>& param) { return param.param.name; });

TEST(Mapping, NullIsEmptyOnlyForTheEcoValuesAndTheMark)
{
    const PricingValues values = mapped(R"({"product":{"name":null,"quantity":null},
        "pricing":{"totalPurchaseBasePrice":null,"totalPurchasePrice":null,"ecoTax":null,"ecoPartREP":null,"ecoPartDEEE":null}})");
    EXPECT_EQ(values.libelle, "null");
    EXPECT_EQ(values.quantite, "null");
    EXPECT_EQ(values.prixPublic, "null");
    EXPECT_EQ(values.prixAchat, "null");
    EXPECT_EQ(values.ecoTaxe, "");
    EXPECT_EQ(values.ecoPart, "");
    EXPECT_EQ(values.ecoPartRep, "");
    EXPECT_EQ(values.ecoPartDeee, "");
}

TEST(Mapping, AbsentMembersLeaveValuesEmptyAndNoPicture)
{
    std::vector<std::string> saved;
    const PricingValues values = mapped(R"({"printImage":{"type":"png"}})", &saved);
    EXPECT_EQ(values.prixPublic, "");
    EXPECT_EQ(values.image, "");
    EXPECT_EQ(values.detail, "");
    EXPECT_TRUE(saved.empty());
}

TEST(Mapping, MembersOfAnotherTypeAreAFailure)
{
    for (const char* record : {R"([])", R"({"product":"x"})", R"({"pricing":[1]})", R"({"printImage":"QUJD"})",
                               R"({"product":{"dimension1":"1200"}})", R"({"product":{"descriptions":"D1"}})",
                               R"({"product":{"options":["X"]}})", R"({"product":{"informations":{}}})"}) {
        EXPECT_THROW(mapped(record), VarnoError) << record;
    }
}

TEST(Retrieval, ProjectIdFromTheDocument)
{
    EXPECT_EQ(readProjectId("<Configurateur><Jeton>t</Jeton><Project>Q-42</Project></Configurateur>"), "Q-42");
    EXPECT_EQ(readProjectId("<Configurateur><Project/></Configurateur>"), "");
    EXPECT_EQ(readProjectId("<Configurateur/>"), "");
    EXPECT_EQ(readProjectId("<Autre><Project>Q-42</Project></Autre>"), "");
    EXPECT_THROW(readProjectId("<html><body>Erreur"), VarnoError);
}

TEST(PricingDocument, RetrievalChildrenFirstThenTheElevenInOrder)
{
    PricingValues values;
    values.libelle = "Porte d'entrée";
    values.detail = "D1\n\nL 1200 mm\n";
    values.repere = "\"Salon\"";
    values.ecoTaxe = values.ecoPart = "12.5";
    values.quantite = "2";
    values.prixPublic = "1234.50";
    values.prixAchat = "987.00";
    values.image = "C:\\Echange\\Q-42.bmp";
    const std::string retrieval = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configurateur><Jeton>t</Jeton>"
                                  "<Passerelle>ferd</Passerelle><Project>Q-42</Project></Configurateur>";
    EXPECT_EQ(
        pricingDocument(retrieval, values).serialize(),
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Jeton>t</Jeton><Passerelle>ferd</Passerelle>"
        "<Project>Q-42</Project><Libelle>Porte d'entr\xE9"
        "e</Libelle><Detail>D1\n\nL 1200 mm\n</Detail>"
        "<Repere>\"Salon\"</Repere><EcoTaxe>12.5</EcoTaxe><EcoPart>12.5</EcoPart><EcoPartREP/><EcoPartDEEE/>"
        "<Quantite>2</Quantite><PrixPublic>1234.50</PrixPublic><PrixAchat>987.00</PrixAchat>"
        "<Image>C:\\Echange\\Q-42.bmp</Image></Configurateur>\r\n");
}

TEST(PricingDocument, AnEmptyProjectGivesElevenEmptyElements)
{
    EXPECT_EQ(pricingDocument("<Configurateur><Project/></Configurateur>", {}).serialize(),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configurateur><Project/><Libelle/><Detail/><Repere/>"
              "<EcoTaxe/><EcoPart/><EcoPartREP/><EcoPartDEEE/><Quantite/><PrixPublic/><PrixAchat/><Image/>"
              "</Configurateur>\r\n");
}

} // namespace
} // namespace varno
