// varno-sandbox: the gateway, the online configurator and the configurator API on this machine.
//
//   varno-sandbox [--port N] [--data-dir DIR] [--cert FILE] [--key FILE] [--latency MS] [--fail-every N]
#include "sandbox/ProgramAccount.h"
#include "sandbox/Sandbox.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: varno-sandbox [--port N] [--data-dir DIR] [--cert FILE] [--key FILE] [--latency MS] [--fail-every N]\n";

int usage(const char* problem)
{
    std::cerr << "varno-sandbox: " << problem << "\n" << kUsage;
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    varno::sandbox::SandboxOptions options;
    options.dataDir = VARNO_SANDBOX_DATA_DIR;
    options.certificateFile = VARNO_SANDBOX_CERT;
    options.keyFile = VARNO_SANDBOX_KEY;
    options.apiAccount = varno::sandbox::programApiAccount();
    options.log = &std::cout;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (i + 1 >= argc) {
            return usage(("missing value for " + name).c_str());
        }
        const std::string value = argv[++i];
        try {
            if (name == "--port") {
                options.port = std::stoi(value);
            } else if (name == "--data-dir") {
                options.dataDir = value;
            } else if (name == "--cert") {
                options.certificateFile = value;
            } else if (name == "--key") {
                options.keyFile = value;
            } else if (name == "--latency") {
                options.latencyMs = std::stoi(value);
            } else if (name == "--fail-every") {
                options.failEvery = std::stoi(value);
            } else {
                return usage(("unknown option " + name).c_str());
            }
        } catch (const std::exception&) {
            return usage(std::string("not a number for ").append(name).append(": ").append(value).c_str());
        }
    }

    // SIGINT and SIGTERM are taken by this thread alone, with sigwait, so the server stops cleanly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    try {
        varno::sandbox::Sandbox sandbox(options);
        const int port = sandbox.start();
        std::cout << "varno-sandbox: listening on https://localhost:" << port << " (data in " << options.dataDir << ")"
                  << std::endl;
        int received = 0;
        sigwait(&stopSignals, &received);
        std::cout << "varno-sandbox: stopping (" << (received == SIGINT ? "SIGINT" : "SIGTERM") << ")" << std::endl;
        sandbox.stop();
    } catch (const std::exception& error) {
        std::cerr << "varno-sandbox: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
