#include "tests/support/TestConnectProxy.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
namespace {
int closeSocket(Socket socket)
{
    return closesocket(socket);
}
int pollSockets(pollfd* sockets, unsigned long count, int milliseconds)
{
    return WSAPoll(sockets, count, milliseconds);
}
} // namespace
#else
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
namespace {
int closeSocket(Socket socket)
{
    return ::close(socket);
}
int pollSockets(pollfd* sockets, unsigned long count, int milliseconds)
{
    return ::poll(sockets, count, milliseconds);
}
} // namespace
#endif

namespace varno::test {
namespace {

Socket socketOf(std::intptr_t handle)
{
    return static_cast<Socket>(handle);
}

bool sendAll(Socket socket, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const auto count = ::send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (count <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

// A request head, up to its empty line; empty when the connection ends first.
std::string readHead(Socket socket)
{
    std::string head;
    char c = 0;
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        if (::recv(socket, &c, 1, 0) != 1) {
            return {};
        }
        head += c;
    }
    return head;
}

std::string headerValue(const std::string& head, const std::string& name)
{
    const QByteArray lower = QByteArray::fromStdString(head).toLower();
    const auto at = lower.indexOf("\r\n" + QByteArray::fromStdString(name).toLower() + ":");
    if (at < 0) {
        return {};
    }
    const auto start = static_cast<std::size_t>(at) + name.size() + 3;
    const auto end = head.find("\r\n", start);
    return QByteArray::fromStdString(head.substr(start, end - start)).trimmed().toStdString();
}

Socket connectTo(const std::string& target)
{
    const auto colon = target.rfind(':');
    std::string host = target.substr(0, colon);
    if (host.size() > 1 && host.front() == '[') {
        host = host.substr(1, host.size() - 2);
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (colon == std::string::npos ||
        getaddrinfo(host.c_str(), target.substr(colon + 1).c_str(), &hints, &found) != 0) {
        return static_cast<Socket>(-1);
    }
    auto upstream = static_cast<Socket>(-1);
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        upstream = ::socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
        if (::connect(upstream, entry->ai_addr, static_cast<int>(entry->ai_addrlen)) == 0) {
            break;
        }
        closeSocket(upstream);
        upstream = static_cast<Socket>(-1);
    }
    freeaddrinfo(found);
    return upstream;
}

// Copies bytes both ways until either side ends.
void relay(Socket client, Socket upstream)
{
    std::array<char, 16384> buffer{};
    std::array<pollfd, 2> sides{pollfd{client, POLLIN, 0}, pollfd{upstream, POLLIN, 0}};
    while (pollSockets(sides.data(), 2, 30000) > 0) {
        for (std::size_t side = 0; side < 2; ++side) {
            if (sides[side].revents == 0) {
                continue;
            }
            const auto count = ::recv(sides[side].fd, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (count <= 0 ||
                !sendAll(sides[1 - side].fd, std::string(buffer.data(), static_cast<std::size_t>(count)))) {
                return;
            }
        }
    }
}

} // namespace

TestConnectProxy::TestConnectProxy(std::string credentials) : credentials_(std::move(credentials))
{
#ifdef _WIN32
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    const Socket listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(listener);
        throw std::runtime_error("test proxy: cannot listen on loopback");
    }
    listener_ = static_cast<std::intptr_t>(listener);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] {
        while (!stopping_) {
            const Socket client = ::accept(socketOf(listener_), nullptr, nullptr);
            if (stopping_ || client == static_cast<Socket>(-1)) {
                if (client != static_cast<Socket>(-1)) {
                    closeSocket(client);
                }
                continue;
            }
            const std::lock_guard lock(mutex_);
            clients_.push_back(static_cast<std::intptr_t>(client));
            workers_.emplace_back([this, client] { serve(static_cast<std::intptr_t>(client)); });
        }
    });
}

TestConnectProxy::~TestConnectProxy()
{
    stopping_ = true;
    // Wakes the acceptor with a connection of its own, then ends every tunnel.
    const Socket waker = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    static_cast<void>(::connect(waker, reinterpret_cast<sockaddr*>(&address), sizeof address));
    acceptor_.join();
    closeSocket(waker);
    closeSocket(socketOf(listener_));
    {
        const std::lock_guard lock(mutex_);
        for (const std::intptr_t client : clients_) {
            ::shutdown(socketOf(client), 2);
        }
    }
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

std::string TestConnectProxy::address() const
{
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<TestConnectProxy::Connect> TestConnectProxy::connects() const
{
    const std::lock_guard lock(mutex_);
    return connects_;
}

void TestConnectProxy::serve(std::intptr_t handle)
{
    const Socket client = socketOf(handle);
    const std::string expected = credentials_.empty()
                                     ? std::string()
                                     : "Basic " + QByteArray::fromStdString(credentials_).toBase64().toStdString();
    for (std::string head = readHead(client); !head.empty(); head = readHead(client)) {
        const auto space = head.find(' ');
        const auto target = head.substr(space + 1, head.find(' ', space + 1) - space - 1);
        Connect connect{target, headerValue(head, "Proxy-Authorization")};
        if (!head.starts_with("CONNECT ")) {
            sendAll(client, "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            break;
        }
        if (!expected.empty() && connect.authorization != expected) {
            {
                const std::lock_guard lock(mutex_);
                connects_.push_back(connect);
            }
            sendAll(client,
                    "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"tests\"\r\n"
                    "Content-Length: 0\r\n\r\n");
            continue;
        }
        const Socket upstream = connectTo(target);
        connect.tunnelled = upstream != static_cast<Socket>(-1);
        {
            const std::lock_guard lock(mutex_);
            connects_.push_back(connect);
        }
        if (!connect.tunnelled) {
            sendAll(client, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            break;
        }
        sendAll(client, "HTTP/1.1 200 Connection established\r\n\r\n");
        relay(client, upstream);
        closeSocket(upstream);
        break;
    }
    const std::lock_guard lock(mutex_); // no longer shut down by the destructor: its number may be reused
    std::erase(clients_, handle);
    closeSocket(client);
}

} // namespace varno::test
