#pragma once

#include "net/HttpTypes.h"
#include "net/ProxyPolicy.h"
#include "seams/Clock.h"

#include <functional>
#include <string>
#include <vector>

namespace varno {

// One line of the connection check: a step, whether it passed, and why, in French.
struct CheckStep {
    enum class Outcome { Passed, Failed, NotTried };
    std::string name;
    Outcome outcome = Outcome::NotTried;
    std::string detail;

    std::string line() const; // "✓ name : detail", "✗ …", "– …"
};

// The steps of this machine (the installation, the proxy policy), or of one address.
struct CheckSection {
    std::string name; // "Ce poste", "Passerelle"
    std::string url;  // of an address
    std::vector<CheckStep> steps;

    std::string title() const; // the name, and the address
};

// An address the program talks to, and what IT calls it.
struct CheckedAddress {
    std::string name; // "Passerelle"
    std::string url;
};

struct ConnectionCheckSettings {
    std::vector<CheckedAddress> addresses;
    std::string extraCaCertificates;
    std::function<ProxyPolicy()> readPolicy = readProxyPolicy;
    // Runs each transfer (a window keeps its event loop turning meanwhile); empty: in place.
    std::function<void(const std::function<void()>& transfer)> runTransfer;
    std::function<bool()> abandoned; // true ends the check (HttpClient::probe throws TransferAbandoned)
};

// Checks, step by step, what a request of the program meets on its way: the installation and the proxy
// policy, then for each address its route, the name's resolution, the TCP connection, the TLS handshake,
// the HTTP answer and the clock against the server's. At each address, the steps after the first that
// fails are not tried. Each section is handed to `done` as it ends; nothing is sent that changes anything.
std::vector<CheckSection> checkConnection(const ConnectionCheckSettings& settings, const Clock& clock,
                                          const std::function<void(const CheckSection&)>& done = {});

// Whether no step failed.
bool allPassed(const std::vector<CheckSection>& sections);

// The report as IT reads and copies it: a heading, each section's lines, and the verdict, with every
// secret the run knows masked.
std::string reportText(const std::vector<CheckSection>& sections, const QDateTime& when);

} // namespace varno
