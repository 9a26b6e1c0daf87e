#include "app/HandOver.h"
#include "foundation/FilePath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

// Stands in for a workflow window and records each value it is given, in order.
struct RecordingWindow {
    std::vector<std::string> received;
    void set(const char* name, const std::string& value) { received.push_back(std::string(name) + "=" + value); }

    void setBrand(const std::string& v) { set("Brand", v); }
    void setTemporaryFilePath(const std::filesystem::path& v) { set("TemporaryFilePath", pathToUtf8(v)); }
    void setUserLogin(const std::string& v) { set("UserLogin", v); }
    void setUserPassword(const std::string& v) { set("UserPassword", v); }
    void setQuoteId(const std::string& v) { set("QuoteId", v); }
    void setRecordId(const std::string& v) { set("RecordId", v); }
    void setOrderNumber(const std::string& v) { set("OrderNumber", v); }
    void setOrderReference(const std::string& v) { set("OrderReference", v); }
    void setApiUserName(const std::string& v) { set("ApiUserName", v); }
    void setApiPassword(const std::string& v) { set("ApiPassword", v); }
    void setIssuerKey(const std::string& v) { set("IssuerKey", v); }
};

HandOverValues values()
{
    Configuration configuration{"1", "ferd", "chiffrage", "login", "password", "Q1", "R1", "N1", "Ref1"};
    return {"C:\\Echange\\devis.xml", configuration, {"api@x.test", "pw", "key"}};
}

TEST(HandOver, PricingReceivesItsEightValuesInOrder)
{
    RecordingWindow window;
    handOverToPricing(window, values());
    EXPECT_THAT(window.received, testing::ElementsAre("Brand=ferd", "TemporaryFilePath=C:\\Echange\\devis.xml",
                                                      "UserLogin=login", "UserPassword=password", "QuoteId=Q1",
                                                      "ApiUserName=api@x.test", "ApiPassword=pw", "IssuerKey=key"));
}

TEST(HandOver, VerificationReceivesItsSixValuesInOrder)
{
    RecordingWindow window;
    handOverToVerification(window, values());
    EXPECT_THAT(window.received,
                testing::ElementsAre("Brand=ferd", "TemporaryFilePath=C:\\Echange\\devis.xml", "ApiUserName=api@x.test",
                                     "ApiPassword=pw", "IssuerKey=key", "RecordId=R1"));
}

TEST(HandOver, OrderReceivesItsEightValuesInOrder)
{
    RecordingWindow window;
    handOverToOrder(window, values());
    EXPECT_THAT(window.received, testing::ElementsAre("Brand=ferd", "TemporaryFilePath=C:\\Echange\\devis.xml",
                                                      "ApiUserName=api@x.test", "ApiPassword=pw", "IssuerKey=key",
                                                      "RecordId=R1", "OrderNumber=N1", "OrderReference=Ref1"));
}

} // namespace
} // namespace varno
