// What the verification and order windows share, tested once over both: the caption, the timer armed at
// the first activation, and the close rule.
#include "order/TFicheConfigurateurCommande.h"
#include "tests/support/WorkflowHarness.h"
#include "verification/TFicheConfigurateurVerification.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include <memory>

#include <gtest/gtest.h>

namespace varno {
namespace {

using test::WorkflowHarness;

// Each window made with its server's answer set: its timer's name, its caption's suffix, and the
// document it then writes.
struct Verification {
    static constexpr const char* timer = "timerVerification";
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

TYPED_TEST(ProgressWindowTest, ACloseDuringTheRunWaitsForTheResultDocument)
{
    const auto window = TypeParam::make(this->harness, "ferd");
    std::string statusAtClose;
    const auto outcome = this->harness.run(*window, [&](ProgressWindow& shown, const std::string& status) {
        if (statusAtClose.empty()) { // the user clicks the close box at the first step
            statusAtClose = status;
            QCoreApplication::postEvent(&shown, new QCloseEvent);
        }
    });
    EXPECT_TRUE(outcome.closed);
    EXPECT_NE(outcome.statuses.back(), statusAtClose);
    EXPECT_EQ(this->harness.temporaryFileBytes(), TypeParam::document());
}

} // namespace
} // namespace varno
