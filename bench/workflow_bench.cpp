// Wall time and peak memory of whole verification and order runs of the real Module_Varno executable,
// against a loopback HTTPS server standing in for the configurator API at the build's own address.
// The program waits on purpose: 500 ms before the main window dispatches and 1000 ms before the
// workflow window starts; the report shows what is left once those are taken off. The baseline, run
// alternately in the same run: the bare Qt window (bench/bare_window.cpp) plus curl making the same
// requests with the same headers on one connection.
//
//   workflow_bench [runs]
#include "bench/ProcessMeasure.h"
#include "tests/support/TestHttpsServer.h"

#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace varno::bench;

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::stoi(argv[1]) : 10;
    const QUrl api(BUILT_IN_API_URL);
    if (api.host() != "localhost" && api.host() != "127.0.0.1") {
        std::fprintf(stderr, "this build's configurator API (%s) is not on this machine\n", BUILT_IN_API_URL);
        return 1;
    }
    varno::test::TestHttpsServer server(api.port(443));
    server.setHandler([](const httplib::Request& request, httplib::Response& response) {
        if (request.method == "GET") {
            response.set_content(R"({"id":4711,"indirectMode":false})", "application/json");
        } else if (request.path.ends_with("/checkquotationrecords")) {
            response.set_content(R"([{"errorCode":null}])", "application/json");
        } else {
            response.set_content(R"({"reference":"C-2024-0815"})", "application/json");
        }
    });

    const auto folder = std::filesystem::temp_directory_path() / ("varno-workflow-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string temporary = (folder / "devis.xml").string();
    const std::string log = (folder / "messages.log").string();
    constexpr double deliberateWaitMs = 500 + 1000;
    const std::string shown = (folder / "shown").string();
    const std::string base = api.toString(QUrl::StripTrailingSlash).toStdString();
    // The same requests with the same headers, on one connection (curl reuses it across --next).
    const auto curlArguments = [&](const std::vector<std::pair<std::string, std::string>>& requests) {
        std::vector<std::string> arguments;
        for (const auto& [path, body] : requests) {
            if (!arguments.empty()) {
                arguments.emplace_back("--next");
            }
            arguments.insert(arguments.end(),
                             {"-sS", "-o", "/dev/null", "--cacert", varno::test::certificatePath("ca.pem"), "-A",
                              "Mozilla/3.0 (compatible; Indy Library)", "-u", "bench@example.test:Pw-123456789-ab",
                              "-H", "Zedir-Issuer: " + std::string(32, 'a'), "-H", "Accept: application/json", "-H",
                              "Content-Type: application/json; charset=utf-8"});
            if (!body.empty()) {
                arguments.insert(arguments.end(), {"--data-binary", body});
            }
            arguments.push_back(base + path);
        }
        return arguments;
    };

    const std::vector<std::pair<std::string, std::string>> verificationRequests = {
        {"/api/v2.0/quotation-records/4711", ""}, {"/api/v1.1/createorderprocess/checkquotationrecords", "[4711]"}};
    const std::vector<std::pair<std::string, std::string>> orderRequests = {
        {"/api/v1.1/createorderprocess/createorder",
         R"({"quotationRecordIds":[4711],"documentNumber":"CDE-1","documentTitle":"R"})"}};
    for (const char* mode : {"verification", "commande"}) {
        const std::string configuration = (folder / (std::string(mode) + ".ini")).string();
        std::ofstream(configuration)
            << "[General]\r\nVersion=1\r\nConfigurateur=ferd\r\nMode=" << mode
            << "\r\n[RecordId]\r\nValeur=4711\r\n[Commande]\r\nNumero=CDE-1\r\nReference=R\r\n";
        std::vector<double> wall;
        std::vector<double> beyondWaits;
        std::vector<double> baseline;
        long peak = 0;
        const std::vector<std::string> curl =
            curlArguments(std::string(mode) == "verification" ? verificationRequests : orderRequests);
        for (int i = 0; i < runs; ++i) {
            baseline.push_back(runBareWindow(shown).wallMs + runMeasured("/usr/bin/curl", curl).wallMs);
            const ProcessRun run = runModuleVarno({temporary, configuration}, log, temporary);
            if (run.watchedMs < 0 || std::filesystem::exists(log)) {
                std::fprintf(stderr, "the %s run did not write its result document\n", mode);
                return 1;
            }
            wall.push_back(run.wallMs);
            beyondWaits.push_back(run.wallMs - deliberateWaitMs);
            peak = std::max(peak, run.peakKiB);
        }
        std::printf("%s, %d runs against a loopback server (platform %s)\n", mode, runs,
                    std::getenv("QT_QPA_PLATFORM"));
        std::printf("  wall time, start to exit: %s\n", summarize(wall).c_str());
        std::printf("  of which beyond the 1.5 s of deliberate waits: %s\n", summarize(beyondWaits).c_str());
        std::printf("  baseline, bare Qt window plus curl on one connection: %s\n", summarize(baseline).c_str());
        std::printf("  difference: %.1f ms (goal <= 30 ms)\n", median(beyondWaits) - median(baseline));
        std::printf("  peak resident memory: %.1f MiB\n", static_cast<double>(peak) / 1024.0);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
