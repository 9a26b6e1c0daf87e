#include "app/HandOver.h"
#include "foundation/FilePath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

// The window the values are for, then each value under its hand-over name.
std::vector<std::string> described(const WorkflowHandOverValues& values)
{
    const auto common = [](const char* window, const WorkflowHandOver& v) {
        return std::vector<std::string>{window,
                                        "Brand=" + v.Brand,
                                        "TemporaryFilePath=" + pathToUtf8(v.TemporaryFilePath),
                                        "ApiUserName=" + v.ApiUserName,
                                        "ApiPassword=" + v.ApiPassword,
                                        "IssuerKey=" + v.IssuerKey};
    };
    const auto with = [](std::vector<std::string> list, std::initializer_list<std::string> more) {
        list.insert(list.end(), more);
        return list;
    };
    return std::visit(
        Overloaded{
            [&](const PricingHandOver& v) {
                return with(common("pricing", v),
                            {"UserLogin=" + v.UserLogin, "UserPassword=" + v.UserPassword, "QuoteId=" + v.QuoteId});
            },
            [&](const VerificationHandOver& v) { return with(common("verification", v), {"RecordId=" + v.RecordId}); },
            [&](const OrderHandOver& v) {
                return with(common("order", v), {"RecordId=" + v.RecordId, "OrderNumber=" + v.OrderNumber,
                                                 "OrderReference=" + v.OrderReference});
            }},
        values);
}

TEST(HandOver, EachModeGivesItsWindowExactlyItsValues)
{
    Configuration configuration{"1", "ferd", "", "login", "password", "Q1", "R1", "N1", "Ref1"};
    const ApiAccount account{"api@x.test", "pw", "key"};
    const auto handOver = [&](const char* mode) {
        configuration.mode = mode;
        return handOverFor(configuration, "C:\\Echange\\devis.xml", account);
    };
    const std::vector<std::string> common = {"Brand=ferd", "TemporaryFilePath=C:\\Echange\\devis.xml",
                                             "ApiUserName=api@x.test", "ApiPassword=pw", "IssuerKey=key"};
    const auto expected = [&](const char* window, std::initializer_list<std::string> more) {
        std::vector<std::string> list{window};
        list.insert(list.end(), common.begin(), common.end());
        list.insert(list.end(), more);
        return list;
    };

    EXPECT_EQ(described(*handOver("chiffrage")),
              expected("pricing", {"UserLogin=login", "UserPassword=password", "QuoteId=Q1"}));
    EXPECT_EQ(described(*handOver("verification")), expected("verification", {"RecordId=R1"}));
    EXPECT_EQ(described(*handOver("commande")),
              expected("order", {"RecordId=R1", "OrderNumber=N1", "OrderReference=Ref1"}));
    for (const char* other : {"", "Chiffrage", "commandes", "none"}) {
        EXPECT_FALSE(handOver(other).has_value()) << other;
    }
}

} // namespace
} // namespace varno
