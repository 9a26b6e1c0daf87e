// The check's window runs the check once shown, lists each step, and copies the report as the file has it.
#include "connectioncheck/ConnectionCheckWindow.h"

#include "tests/support/TestHttpsServer.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace varno {
namespace {

TEST(ConnectionCheckWindow, ShowsEachStepAndCopiesTheReport)
{
    test::TestHttpsServer server;
    ConnectionCheckSettings settings;
    settings.addresses = {{"Passerelle", server.baseUrl()}, {"API du configurateur", server.baseUrl()}};
    settings.extraCaCertificates = test::testCaCertificates();
    settings.readPolicy = [] { return proxyPolicyFrom("direct", "le test"); };
    const SystemClock clock;
    ConnectionCheckWindow window(settings, clock);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.report().empty(), 30000);
    const auto* lines = window.findChild<QListWidget*>();
    ASSERT_NE(lines, nullptr);
    // Three sections, their titles, the blank lines between them, 2 + 6 + 6 steps.
    EXPECT_EQ(lines->count(), 3 + 2 + 14);
    EXPECT_EQ(lines->item(lines->count() - 2)->text().toStdString(), "✓ Réponse HTTP : 404 Not Found");
    QApplication::clipboard()->clear();
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->text() == "Copier le rapport") {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), window.report());
    EXPECT_EQ(server.requests().size(), 2u);
}

} // namespace
} // namespace varno
