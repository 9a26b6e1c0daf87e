// A transfer kept alive while the application lives on around it: a message box raised meanwhile, and
// the application asked to quit meanwhile.
#include "ui/KeepAlive.h"
#include "net/HttpClient.h"
#include "tests/support/TestHttpsServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

// Thread creation refused on demand, by standing in for pthread_create (not beside a sanitizer's own).
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNO_SANITIZED
#endif
#endif
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(VARNO_SANITIZED)
#define VARNO_CAN_REFUSE_THREADS
#include <dlfcn.h>
#include <pthread.h>

namespace {
std::atomic<bool> refuseThreads{false};
}

// glibc names the parameters with reserved identifiers, which ours do not copy.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                              void* argument) noexcept
{
    if (refuseThreads) {
        return EAGAIN;
    }
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    return next(thread, attributes, start, argument);
}
#endif

namespace varno {
namespace {

// A box raised while a transfer waits takes its answer (Enter) there and then.
TEST(KeepAlive, AMessageBoxRaisedDuringATransferCanBeAnswered)
{
    std::atomic<bool> answered{false};
    int result = -2;
    QTimer::singleShot(0, [&] {
        QMessageBox box(QMessageBox::Critical, "Module_Varno", "Erreur", QMessageBox::Ok);
        QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Return); });
        QTimer::singleShot(5000, &box, [&box] { box.done(-1); }); // unanswered: ends the test, failed
        result = box.exec();
        answered = true;
    });
    runKeepingWindowsAlive([&] {
        while (!answered) {
            std::this_thread::yield();
        }
    });
    EXPECT_EQ(result, QMessageBox::Ok);
}

// No thread can be made: the work runs in place, and its error comes back, rather than a wait forever.
TEST(KeepAlive, RunsTheWorkInPlaceWhenNoThreadCanStart)
{
#ifdef VARNO_CAN_REFUSE_THREADS
    std::thread::id ranOn;
    refuseThreads = true;
    EXPECT_THROW(runKeepingWindowsAlive([&] {
                     ranOn = std::this_thread::get_id();
                     throw std::runtime_error("failed");
                 }),
                 std::runtime_error);
    refuseThreads = false;
    EXPECT_EQ(ranOn, std::this_thread::get_id());
#else
    GTEST_SKIP() << "thread creation cannot be refused in this build";
#endif
}

// Asked to quit (a session end, a close of the hidden main window) while the server holds its answer:
// the transfer is abandoned at once, not waited for, and the handler ends without a message. It leaves
// every later transfer of the process abandoned too: this test comes last.
TEST(KeepAlive, QuittingAbandonsTheTransfer)
{
    test::TestHttpsServer server;
    server.setHandler([&server](const httplib::Request&, httplib::Response& response) {
        server.holdUntilReleased(std::chrono::seconds(30));
        response.set_content("late", "text/plain");
    });
    HttpClientOptions options;
    options.extraCaCertificates = test::testCaCertificates();
    options.runTransfer = runKeepingWindowsAlive;
    options.abandoned = transfersAbandoned;
    HttpClient client(options);
    bool abandoned = false;
    QElapsedTimer sinceQuit;
    QTimer::singleShot(0, [&] {
        QTimer quitter;
        QObject::connect(&quitter, &QTimer::timeout, [&] {
            if (!server.requests().empty() && !sinceQuit.isValid()) {
                sinceQuit.start();
                QCoreApplication::quit();
            }
        });
        quitter.start(1);
        try {
            client.send({.url = server.baseUrl() + "/held"});
        } catch (const TransferAbandoned&) {
            abandoned = true;
        }
    });
    QApplication::exec();
    const qint64 quitTook = sinceQuit.elapsed();
    server.release();
    EXPECT_TRUE(abandoned);
    EXPECT_TRUE(transfersAbandoned());
    EXPECT_LT(quitTook, 10000) << "the transfer was waited for"; // the server holds it for 30 s
}

} // namespace
} // namespace varno
