#include "tests/support/SquidProxy.h"

#include "tests/support/Recorders.h"

#include <QStringList>

namespace varno::test {

SquidProxy::SquidProxy(const std::string& password, bool offerNegotiate)
{
#ifdef _WIN32
    // "<port> <access log>", for the password with-squid.sh was given.
    const QStringList given =
        qEnvironmentVariable(offerNegotiate ? "VARNO_TEST_SQUID_NEGOTIATE" : "VARNO_TEST_SQUID_NTLM").split(' ');
    if (given.size() == 2 && qEnvironmentVariable("VARNO_TEST_SQUID_PASSWORD").toStdString() == password) {
        port_ = given[0].toInt();
        accessLog_ = given[1];
    }
#else
    squid_.start("bash", {VARNO_SQUID_SCRIPT, folder_.path(), QString::fromStdString(password),
                          offerNegotiate ? "negotiate" : "ntlm"});
    if (squid_.waitForReadyRead(20000)) {
        port_ = squid_.readLine().trimmed().toInt();
    }
    accessLog_ = folder_.filePath("access.log");
#endif
}

SquidProxy::~SquidProxy()
{
    if (squid_.state() != QProcess::NotRunning) {
        squid_.terminate(); // the script stops squid
        if (!squid_.waitForFinished(10000)) {
            squid_.kill();
            squid_.waitForFinished(5000);
        }
    }
}

std::string SquidProxy::address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::string SquidProxy::accessLog() const
{
    return readFileBytes(accessLog_.toStdString());
}

} // namespace varno::test
