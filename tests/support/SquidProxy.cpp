#include "tests/support/SquidProxy.h"

#include "tests/support/Recorders.h"

#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace varno::test {
namespace {

// A port free on loopback now (squid binds it a moment later).
int freePort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    close(probe);
    return bound ? ntohs(address.sin_port) : 0;
}

bool accepts(int port)
{
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected = ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(client);
    return connected;
}

void writeText(const QString& file, const std::string& text, QFile::Permissions permissions)
{
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(text.data(), static_cast<qint64>(text.size()));
    out.close();
    out.setPermissions(permissions);
}

} // namespace

SquidProxy::SquidProxy(const std::string& password, bool offerNegotiate)
{
    const QString squid = QStandardPaths::findExecutable("squid", {"/usr/sbin", "/usr/bin"});
    if (squid.isEmpty() || !QFile::exists("/usr/bin/ntlm_auth")) {
        return;
    }
    // squid's workers and helpers run as another user: the folder is theirs too.
    QFile::setPermissions(folder_.path(), QFile::Permissions(0x7777));
    const std::string folder = folder_.path().toStdString();
    const auto everyone = QFile::ReadOwner | QFile::ReadOther | QFile::ReadGroup;
    writeText(folder_.filePath("password"), password, everyone);
    writeText(folder_.filePath("helper.sh"),
              "#!/bin/sh\nexec /usr/bin/ntlm_auth --helper-protocol=\"$1\" --password=\"$(cat " + folder +
                  "/password)\"\n",
              everyone | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    port_ = freePort();
    std::string configuration = "http_port 127.0.0.1:" + std::to_string(port_) + "\npid_filename " + folder +
                                "/squid.pid\ncache deny all\naccess_log stdio:" + folder + "/access.log\ncache_log " +
                                folder + "/cache.log\ncoredump_dir " + folder + "\nshutdown_lifetime 0 seconds\n";
    if (offerNegotiate) {
        configuration += "auth_param negotiate program " + folder + "/helper.sh gss-spnego\n";
    }
    configuration += "auth_param ntlm program " + folder +
                     "/helper.sh squid-2.5-ntlmssp\n"
                     "acl account proxy_auth REQUIRED\nhttp_access allow account\nhttp_access deny all\n";
    writeText(folder_.filePath("squid.conf"), configuration, everyone);
    squid_.start(squid, {"-N", "-f", folder_.filePath("squid.conf")});
    for (int i = 0; i < 200 && squid_.state() != QProcess::NotRunning && !running_; ++i) {
        QThread::msleep(50);
        running_ = accepts(port_);
    }
}

SquidProxy::~SquidProxy()
{
    squid_.terminate();
    if (!squid_.waitForFinished(5000)) {
        squid_.kill();
        squid_.waitForFinished(5000);
    }
}

std::string SquidProxy::address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::string SquidProxy::accessLog() const
{
    return readFileBytes(folder_.filePath("access.log").toStdString());
}

} // namespace varno::test
