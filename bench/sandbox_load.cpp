// Load on the sandbox: clients on keep-alive TLS connections for some seconds, each looping over a
// gateway login, a quotation record read and an order-process check. Optionally, slow clients open
// TLS connections at the same time and trickle a request head one byte a second, never ending it.
// Reports requests per second, latency percentiles and errors (transport failures and statuses
// other than 200).
//
//   sandbox_load [seconds=10] [clients=8] [slow clients=0]
#include "sandbox/Sandbox.h"
#include "tests/support/RawTlsConnection.h"
#include "tests/support/TestHttpsServer.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const varno::sandbox::ApiCredentials kAccount{"api@sandbox.test", "Pw-123456789-ab",
                                              "0123456789abcdef0123456789abcdef"};

struct Tally {
    std::mutex mutex;
    std::vector<double> latenciesMs;
    long errors = 0;
};

void loadClient(int port, Clock::time_point end, Tally& tally)
{
    httplib::SSLClient client("localhost", port);
    client.set_ca_cert_path(varno::test::certificatePath("ca.pem"));
    client.enable_server_certificate_verification(true);
    client.set_keep_alive(true);
    client.set_connection_timeout(60);
    client.set_read_timeout(60);
    const std::string basic =
        QByteArray::fromStdString(kAccount.userName + ":" + kAccount.password).toBase64().toStdString();
    const httplib::Headers api{{"Authorization", "Basic " + basic}, {"Zedir-Issuer", kAccount.issuerKey}};
    std::vector<double> latencies;
    long errors = 0;
    for (int step = 0; Clock::now() < end; ++step) {
        const auto start = Clock::now();
        httplib::Result result =
            step % 3 == 0
                ? client.Get("/index.php/Services/jeton?email=demo.ferd%40example.test&mdp=ferd-demo&passerelle=ferd")
            : step % 3 == 1 ? client.Get("/api/v2.0/quotation-records/4711", api)
                            : client.Post("/api/v1.1/createorderprocess/checkquotationrecords", api, "[4711,4714]",
                                          "application/json");
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!result || result->status != 200) {
            ++errors;
        }
    }
    std::lock_guard lock(tally.mutex);
    tally.latenciesMs.insert(tally.latenciesMs.end(), latencies.begin(), latencies.end());
    tally.errors += errors;
}

// A TLS connection that sends the start of a request head, then one byte a second until the end.
void slowClient(int port, Clock::time_point end)
{
    varno::test::RawTlsConnection connection(port);
    connection.send("GET / HTTP/1.1\r\nX-Slow: ");
    while (Clock::now() < end && connection.send("a")) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

double percentile(const std::vector<double>& sorted, double share)
{
    if (sorted.empty()) {
        return 0;
    }
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(share * static_cast<double>(sorted.size())))];
}

} // namespace

int main(int argc, char* argv[])
{
    const int seconds = argc > 1 ? std::stoi(argv[1]) : 10;
    const int clients = argc > 2 ? std::stoi(argv[2]) : 8;
    const int slowClients = argc > 3 ? std::stoi(argv[3]) : 0;

    QTemporaryDir folder;
    varno::sandbox::SandboxOptions options;
    options.port = 0;
    options.dataDir = folder.path().toStdString() + "/data";
    options.certificateFile = varno::test::certificatePath("localhost.pem");
    options.keyFile = varno::test::certificatePath("localhost.key");
    options.apiAccount = kAccount;
    varno::sandbox::Sandbox sandbox(options);
    const int port = sandbox.start();

    const auto end = Clock::now() + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    threads.reserve(slowClients);
    for (int i = 0; i < slowClients; ++i) {
        threads.emplace_back(slowClient, port, end);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(slowClients > 0 ? 500 : 0));
    Tally tally;
    const auto start = Clock::now();
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back(loadClient, port, end, std::ref(tally));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(tally.latenciesMs.begin(), tally.latenciesMs.end());
    std::printf("%d clients, %d slow clients, %.1f s: %zu requests, %.0f requests/s, p50 %.1f ms, p99 %.1f ms, "
                "max %.1f ms, %ld errors\n",
                clients, slowClients, elapsed, tally.latenciesMs.size(),
                static_cast<double>(tally.latenciesMs.size()) / elapsed, percentile(tally.latenciesMs, 0.50),
                percentile(tally.latenciesMs, 0.99), tally.latenciesMs.empty() ? 0.0 : tally.latenciesMs.back(),
                tally.errors);
    return 0;
}
