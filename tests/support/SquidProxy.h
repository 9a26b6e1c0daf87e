#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <string>

namespace varno::test {

// Debian's squid on loopback as an office proxy that demands an account (tests/support/squid-proxy.sh):
// CONNECT only, NTLM (and Negotiate before it, where asked) checked by Samba's ntlm_auth against one
// password, no domain needed. On Linux the test starts it; under Wine it runs on the Linux side, started
// by tests/support/with-squid.sh, which names it in the environment. Not running where squid or ntlm_auth
// is missing (the test then says so and skips).
class SquidProxy {
public:
    SquidProxy(const std::string& password, bool offerNegotiate);
    ~SquidProxy();
    SquidProxy(const SquidProxy&) = delete;
    SquidProxy& operator=(const SquidProxy&) = delete;

    bool running() const { return port_ > 0; }
    std::string address() const; // "127.0.0.1:<port>"
    // squid's access log: one line per request, with the account it accepted.
    std::string accessLog() const;

private:
    QTemporaryDir folder_;
    QProcess squid_;
    int port_ = 0;
    QString accessLog_;
};

} // namespace varno::test
