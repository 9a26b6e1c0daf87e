#include "tests/support/RawTlsConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace varno::test {

RawTlsConnection::RawTlsConnection(int port)
    : context_(SSL_CTX_new(TLS_client_method())), ssl_(SSL_new(context_)), socket_(::socket(AF_INET, SOCK_STREAM, 0))
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    open_ = ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            SSL_set_fd(ssl_, socket_) == 1 && SSL_connect(ssl_) == 1;
}

RawTlsConnection::~RawTlsConnection()
{
    SSL_free(ssl_);
    ::close(socket_);
    SSL_CTX_free(context_);
}

bool RawTlsConnection::send(std::string_view bytes)
{
    return open_ && SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
}

std::string RawTlsConnection::receive(std::chrono::milliseconds atMost)
{
    std::string received;
    const auto end = std::chrono::steady_clock::now() + atMost;
    while (open_ && !closed_) {
        if (SSL_pending(ssl_) == 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd readable{socket_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
        }
        std::array<char, 4096> buffer{};
        const int count = SSL_read(ssl_, buffer.data(), static_cast<int>(buffer.size()));
        if (count <= 0) {
            closed_ = true;
            break;
        }
        received.append(buffer.data(), static_cast<std::size_t>(count));
    }
    return received;
}

bool RawTlsConnection::closedByServerWithin(std::chrono::milliseconds atMost)
{
    receive(atMost);
    return closed_ || !open_;
}

} // namespace varno::test
