// The pricing run's retrieval-to-result-document step (the work behind "Récupérer le devis") on a
// quotation record carrying a 24-megapixel JPEG, against ImageMagick's convert turning the same JPEG
// into a BMP on the same machine in the same run.
//
// The step runs in a process of its own (this program started again with --client) so that its peak
// memory is its own, not the loopback server's, which holds the record here. That process tells its
// peak itself (VmHWM): the peak wait4() gives a child started by posix_spawn also counts this
// process's own, which it shared until its exec (about 120 MiB here, from drawing the picture).
//
// The Windows build (run under Wine) has no convert to compare with: it gives the step's times and peak.
//
//   pricing_bench [runs]
#include "bench/Figures.h"
#include "net/ConfiguratorApi.h"
#include "pricing/QuoteMapping.h"
#include "tests/support/TestHttpsServer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>

#ifdef _WIN32
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>
#else
#include "bench/ProcessMeasure.h"

#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace varno;

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// A photograph-like picture: smooth gradients, some structure, a little grain.
QByteArray photographJpeg()
{
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int grain = static_cast<int>(random.bounded(24));
            const int wave = static_cast<int>(40 * std::sin(x / 90.0) * std::cos(y / 70.0));
            line[x] = qRgb(std::clamp(x * 200 / kWidth + wave + grain, 0, 255),
                           std::clamp(y * 180 / kHeight + grain, 0, 255), std::clamp(120 - wave + grain, 0, 255));
        }
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG", 90);
    return jpeg;
}

// This process's peak resident memory so far, in KiB (0 when unknown).
long ownPeakKiB()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) != 0
               ? static_cast<long>(counters.PeakWorkingSetSize / 1024)
               : 0;
#else
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
#endif
}

int runClient(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const std::string baseUrl = argv[2];
    const std::string temporaryFile = argv[3];
    const std::string peakFile = argv[4];
    const Endpoints endpoints{baseUrl, baseUrl, test::testCaCertificates()};
    HttpClient retrieval(clientOptions(endpoints));
    HttpClient apiClient(clientOptions(endpoints));
    ConfiguratorApi api(apiClient, baseUrl, {"bench@example.test", "Pw-123456789-ab", std::string(32, 'a')});
    retrieveQuote(retrieval, api, baseUrl + "/recuperation", temporaryFile);
    std::ofstream(peakFile) << ownPeakKiB();
    return 0;
}

// One run of the step in a process of its own; its wall time in ms.
double runStep(const std::string& self, const std::vector<std::string>& arguments)
{
#ifdef _WIN32
    QStringList list;
    for (const std::string& argument : arguments) {
        list << QString::fromStdString(argument);
    }
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QString::fromStdString(self), list);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
#else
    return bench::runMeasured(self, arguments).wallMs;
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::string(argv[1]) == "--client") {
        return runClient(argc, argv);
    }
    const int runs = argc > 1 ? std::stoi(argv[1]) : 3;
#ifndef _WIN32
    const char* convert = "/usr/bin/convert";
    if (access(convert, X_OK) != 0) {
        std::fprintf(stderr, "ImageMagick's convert is missing (scripts/setup installs it)\n");
        return 1;
    }
#endif

    const auto folder = std::filesystem::temp_directory_path() /
                        ("varno-pricing-bench-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(folder);
    QByteArray jpeg;
    std::string self;
    {
        QCoreApplication application(argc, argv);
        jpeg = photographJpeg();
        self = QCoreApplication::applicationFilePath().toStdString();
    }
    const std::string jpegPath = (folder / "photo.jpg").string();
    std::ofstream(jpegPath, std::ios::binary).write(jpeg.constData(), jpeg.size());
    const std::string record = R"({"location":"Salon","printImage":{"value":")" + jpeg.toBase64().toStdString() +
                               R"("},"product":{"name":"Baie coulissante","quantity":1,"descriptions":["Alu"]},)"
                               R"("pricing":{"totalPurchaseBasePrice":4321.50,"totalPurchasePrice":3210.00}})";
    jpeg.clear();

    test::TestHttpsServer server;
    server.setHandler([&](const httplib::Request& request, httplib::Response& response) {
        if (request.path == "/recuperation") {
            response.set_content("<Configurateur><Jeton>t</Jeton><Passerelle>ferd</Passerelle>"
                                 "<Project>BENCH-1</Project></Configurateur>",
                                 "text/xml");
        } else {
            response.set_content(record, "application/json");
        }
    });

    const std::string temporaryFile = (folder / "devis.xml").string();
    const std::string bmpPath = (folder / "BENCH-1.bmp").string();
    const std::string peakFile = (folder / "peak").string();
    std::vector<double> stepMs;
    std::vector<double> convertMs;
    long stepPeak = 0;
    long convertPeak = 0;
    for (int i = 0; i < runs; ++i) {
        stepMs.push_back(runStep(self, {"--client", server.baseUrl(), temporaryFile, peakFile}));
        long peakKiB = 0;
        std::ifstream(peakFile) >> peakKiB;
        stepPeak = std::max(stepPeak, peakKiB);
#ifndef _WIN32
        const bench::ProcessRun reference = bench::runMeasured(convert, {jpegPath, (folder / "convert.bmp").string()});
        convertMs.push_back(reference.wallMs);
        convertPeak = std::max(convertPeak, reference.peakKiB);
#endif
    }
    const double bmpMiB = static_cast<double>(std::filesystem::file_size(bmpPath)) / (1024.0 * 1024.0);
    std::printf("Pricing retrieval step, %dx%d JPEG (%.1f MiB, record %.1f MiB), %d runs\n", kWidth, kHeight,
                static_cast<double>(std::filesystem::file_size(jpegPath)) / (1024.0 * 1024.0),
                static_cast<double>(record.size()) / (1024.0 * 1024.0), runs);
    std::printf("  BMP written: %.1f MiB\n", bmpMiB);
    std::printf("  Module_Varno step: %s, peak %.1f MiB (%.2f x the BMP)\n", bench::summarize(stepMs).c_str(),
                static_cast<double>(stepPeak) / 1024.0, static_cast<double>(stepPeak) / 1024.0 / bmpMiB);
    if (!convertMs.empty()) {
        std::printf("  ImageMagick convert: %s, peak %.1f MiB\n", bench::summarize(convertMs).c_str(),
                    static_cast<double>(convertPeak) / 1024.0);
        std::printf("  time ratio to convert: %.2f (goal <= 0.6); peak memory %.2f x the BMP (goal <= 1.0)\n",
                    bench::median(stepMs) / bench::median(convertMs), static_cast<double>(stepPeak) / 1024.0 / bmpMiB);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
