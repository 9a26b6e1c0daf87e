#include "pricing/Gateway.h"
#include "foundation/Error.h"

#include <gtest/gtest.h>

namespace varno {
namespace {

struct UrlCase {
    const char* name;
    std::string login;
    std::string password;
    std::string brand;
    std::string quoteId;
    std::string query;
};

class GatewayUrlTest : public testing::TestWithParam<UrlCase> {};

TEST_P(GatewayUrlTest, KeysInOrderEachValueEncodedOnItsOwn)
{
    const UrlCase& c = GetParam();
    EXPECT_EQ(gatewayLoginUrl("https://gw.example", c.login, c.password, c.brand, c.quoteId),
              "https://gw.example/index.php/Services/jeton?" + c.query);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GatewayUrlTest,
    testing::Values(UrlCase{"NoQuote", "jean", "pw", "ferd", "", "email=jean&mdp=pw&passerelle=ferd"},
                    UrlCase{"Quote", "jean", "pw", "ferd", "12345", "email=jean&mdp=pw&passerelle=ferd&jeton=12345"},
                    UrlCase{"EmptyCredentials", "", "", "olka", "", "email=&mdp=&passerelle=olka"},
                    UrlCase{"BrandAsGiven", "a", "b", "FERD", "", "email=a&mdp=b&passerelle=FERD"},
                    UrlCase{"ReservedAndAccented", "jean.dupont@exemple.fr", "a&b=c+d# é", "ferd", "",
                            "email=jean.dupont%40exemple.fr&mdp=a%26b%3Dc%2Bd%23%20%C3%A9&passerelle=ferd"}),
    [](const testing::TestParamInfo<UrlCase>& param) { return param.param.name; });

TEST(GatewayAnswer, ReadsTheThreeValues)
{
    const GatewayLogin login =
        readGatewayAnswer("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Configurateur><Jeton>tok</Jeton>"
                          "<UrlConnexion>https://c.example/p?a=1&amp;b=2</UrlConnexion><Autre/>"
                          "<UrlRecuperation>https://r.example/x</UrlRecuperation></Configurateur>");
    EXPECT_EQ(login.token, "tok");
    EXPECT_EQ(login.connectionUrl, "https://c.example/p?a=1&b=2");
    EXPECT_EQ(login.retrievalUrl, "https://r.example/x");
    EXPECT_TRUE(login.isComplete());
}

TEST(GatewayAnswer, MissingOrEmptyValuesOrAnotherRootAreIncomplete)
{
    for (const char* answer : {"<Configurateur><Jeton>t</Jeton><UrlConnexion>https://c.test/</UrlConnexion>"
                               "<UrlRecuperation></UrlRecuperation></Configurateur>",
                               "<Configurateur><Jeton>t</Jeton><UrlConnexion>c</UrlConnexion></Configurateur>",
                               "<Erreur><Jeton>t</Jeton><UrlConnexion>c</UrlConnexion>"
                               "<UrlRecuperation>r</UrlRecuperation></Erreur>",
                               "<Configurateur/>"}) {
        EXPECT_FALSE(readGatewayAnswer(answer).isComplete()) << answer;
    }
}

// The connection address goes to the desktop's "open": only a web address may.
TEST(GatewayAnswer, AConnectionAddressThatIsNoWebAddressIsIncomplete)
{
    const auto withConnection = [](const std::string& url) {
        return readGatewayAnswer("<Configurateur><Jeton>t</Jeton><UrlConnexion>" + url +
                                 "</UrlConnexion><UrlRecuperation>https://r.test/</UrlRecuperation></Configurateur>");
    };
    for (const char* refused : {"file:///etc/passwd", R"(C:\Windows\System32\calc.exe)", "/usr/bin/xterm",
                                "javascript:alert(1)", "ftp://c.test/", "smb://serveur/partage", "https://", "c"}) {
        EXPECT_FALSE(withConnection(refused).isComplete()) << refused;
    }
    for (const char* accepted :
         {"https://c.test/p?a=1&amp;b=2", "HTTP://C.test:8080/p", "https://127.0.0.1/x", "https://c.test/mon devis",
          "https://c.test/p?f={1}", "https://c.test/a|b", "https://c.test/100%"}) {
        EXPECT_TRUE(withConnection(accepted).isComplete()) << accepted;
    }
}

TEST(GatewayAnswer, AnAnswerThatIsNotXmlIsAnError)
{
    EXPECT_THROW(readGatewayAnswer("Erreur interne du serveur"), VarnoError);
    EXPECT_THROW(readGatewayAnswer("<Configurateur><Jeton>"), VarnoError);
}

TEST(GatewayFailure, MessageHasTheLfHeadingAndCrLfLines)
{
    EXPECT_EQ(gatewayFailureMessage("ferd", {"L'information de connexion n'a pas été obtenue."}),
              "Configurateur ferd : GetJetonEtUrlsErreurs \nL'information de connexion n'a pas été obtenue.\r\n");
    EXPECT_EQ(gatewayFailureMessage("", {}), "Configurateur  : GetJetonEtUrlsErreurs \n");
}

} // namespace
} // namespace varno
