// What the verification and order windows share, tested once over both: the caption, the timer armed at
// the first activation, and the close rule.
#include "order/Order.h"
#include "order/TFicheConfigurateurCommande.h"
#include "tests/support/WorkflowHarness.h"
#include "verification/TFicheConfigurateurVerification.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

#include <gtest/gtest.h>

namespace varno {
namespace {

using test::WorkflowHarness;

// Each window made with its server's answer set: its timer's name, its caption's suffix, and the
// document it then writes.
struct Verification {
    static constexpr const char* timer = "timerVerification";
    static constexpr const char* abandoned = nullptr; // nothing to tell
    static constexpr const char* suffix = " - Vérification";
    static auto make(WorkflowHarness& harness, const std::string& brand)
    {
        harness.answerRecordAndPost("{}", 200, R"([{"errorCode":"NOT_FOUND"}])");
        return std::make_unique<TFicheConfigurateurVerification>(nullptr, harness.env.services,
                                                                 VerificationHandOver{harness.handOver(brand), "123"});
    }
    static std::string document()
    {
        return test::outcomeBytes("123", "Verification", "NOT_FOUND", "Identifiant invalide : 123");
    }
};

struct Order {
    static constexpr const char* timer = "timerCommande";
    static constexpr const char* abandoned = kOrderAbandonedMessage;
    static constexpr const char* suffix = " - Commande";
    static auto make(WorkflowHarness& harness, const std::string& brand)
    {
        harness.answer(200, R"({"reference":"C-7"})");
        return std::make_unique<TFicheConfigurateurCommande>(
            nullptr, harness.env.services, OrderHandOver{harness.handOver(brand), "4711", "CDE-0042", "Chantier 12"});
    }
    static std::string document() { return test::outcomeBytes("4711", "Commande", "REFERENCE", "C-7"); }
};

template <typename Kind> class ProgressWindowTest : public testing::Test {
protected:
    WorkflowHarness harness;
    void SetUp() override { test::writeFileBytes(harness.temporaryFile, "host content"); }
};

using Kinds = testing::Types<Verification, Order>;
TYPED_TEST_SUITE(ProgressWindowTest, Kinds);

TYPED_TEST(ProgressWindowTest, CaptionsForEachBrand)
{
    for (const std::string brand : {"olka", "Ferd"}) {
        const auto window = TypeParam::make(this->harness, brand);
        window->show();
        const QString expected = brand == "Ferd"
                                     ? QString("Configurateur Varno")
                                     : QString::fromStdString("Korvalis - Configurateur " + brand) + TypeParam::suffix;
        test::waitUntil([&] { return window->isRunning() || window->windowTitle() == expected; });
        EXPECT_EQ(window->windowTitle(), expected);
        window->close();
    }
}

TYPED_TEST(ProgressWindowTest, ACloseBeforeTheTimerSendsAndWritesNothing)
{
    this->harness.env.services.pacing.workflowStart = std::chrono::hours(1);
    const auto window = TypeParam::make(this->harness, "ferd");
    window->show();
    ASSERT_TRUE(test::waitUntil([&] { return window->windowTitle() != "Configurateur Varno"; })); // activated
    const auto* timer = window->template findChild<QTimer*>(TypeParam::timer);
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    window->close();
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(this->harness.server.requests().empty());
    EXPECT_EQ(this->harness.temporaryFileBytes(), "host content");
}

// The person closes the window while the server trickles its answer to the workflow's POST: the
// transfer is abandoned within a second (not after the 30 s of the trickle), nothing is written, the
// window closes, and an order says that it may have been recorded.
TYPED_TEST(ProgressWindowTest, ACloseDuringATricklingTransferAbandonsIt)
{
    const auto window = TypeParam::make(this->harness, "ferd");
    this->harness.server.setHandler([](const httplib::Request& request, httplib::Response& response) {
        request.method == "GET" ? response.set_content("{}", "application/json")
                                : test::trickle(response, "application/json");
    });
    QElapsedTimer sinceClose;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        const auto requests = this->harness.server.requests();
        if (!sinceClose.isValid() && !requests.empty() && requests.back().method == "POST") {
            sinceClose.start();
            QCoreApplication::postEvent(window.get(), new QCloseEvent);
        }
    });
    closer.start(10);
    const auto outcome = this->harness.run(*window);
    EXPECT_TRUE(outcome.closed);
    EXPECT_LT(sinceClose.elapsed(), 3000);
    EXPECT_EQ(this->harness.temporaryFileBytes(), "host content");
    std::vector<std::string> told;
    for (const auto& entry : this->harness.env.messages.entries()) {
        told.push_back(entry.text);
    }
    std::vector<std::string> expected;
    if constexpr (TypeParam::abandoned != nullptr) {
        expected.emplace_back(TypeParam::abandoned);
    }
    EXPECT_EQ(told, expected);
}

} // namespace
} // namespace varno
