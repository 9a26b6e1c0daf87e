#include "sandbox/ConnectionGuard.h"

#include <sys/socket.h>

namespace varno::sandbox {
namespace {

using Clock = std::chrono::steady_clock;

// The connection the current thread serves, and whether the connection it is about to take must be
// refused.
thread_local const SSL* currentConnection = nullptr;
thread_local bool refuseNextConnection = false;

int contextIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

} // namespace

// The server's workers: a fixed pool, and a refusal on the accepting thread beyond it.
class GuardedWorkers : public httplib::TaskQueue {
public:
    explicit GuardedWorkers(ConnectionGuard& guard)
        : guard_(guard), pool_(static_cast<std::size_t>(guard.maxConnections_))
    {
    }

    void enqueue(std::function<void()> serve) override
    {
        if (guard_.accepted_.fetch_add(1) >= guard_.maxConnections_) {
            // The handshake is stopped as it starts, so this returns at once.
            refuseNextConnection = true;
            serve();
            refuseNextConnection = false;
            --guard_.accepted_;
            return;
        }
        pool_.enqueue([this, serve = std::move(serve)] {
            serve();
            --guard_.accepted_;
        });
    }

    void shutdown() override { pool_.shutdown(); }

private:
    ConnectionGuard& guard_;
    httplib::ThreadPool pool_;
};

ConnectionGuard::ConnectionGuard(int maxConnections, std::chrono::milliseconds deadline)
    : maxConnections_(maxConnections), deadline_(deadline), watchdog_([this] { watch(); })
{
}

ConnectionGuard::~ConnectionGuard()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    watchdog_.join();
}

void ConnectionGuard::install(httplib::SSLServer& server)
{
    server.new_task_queue = [this] { return new GuardedWorkers(*this); };
    SSL_CTX* context = server.ssl_context();
    SSL_CTX_set_ex_data(context, contextIndex(), this);
    SSL_CTX_set_info_callback(context, &ConnectionGuard::onTlsEvent);
}

void ConnectionGuard::onTlsEvent(const SSL* ssl, int where, int /*ret*/)
{
    if ((where & SSL_CB_HANDSHAKE_START) == 0) {
        return;
    }
    auto* guard = static_cast<ConnectionGuard*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), contextIndex()));
    // OpenSSL's info callback gives the connection's own SSL as const.
    guard->started(const_cast<SSL*>(ssl)); // NOLINT(cppcoreguidelines-pro-type-const-cast)
}

// Called as the connection's TLS object is freed, before the server closes its socket.
void ConnectionGuard::onTlsFree(void* parent, void* pointer, CRYPTO_EX_DATA*, int, long, void*)
{
    if (pointer != nullptr) {
        static_cast<ConnectionGuard*>(pointer)->forget(static_cast<const SSL*>(parent));
    }
}

void ConnectionGuard::started(SSL* ssl)
{
    static const int connectionIndex = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, &ConnectionGuard::onTlsFree);
    std::lock_guard lock(mutex_);
    if (connections_.contains(ssl)) {
        return; // a later handshake on the same connection
    }
    Connection connection{SSL_get_fd(ssl), Clock::now() + deadline_};
    if (refuseNextConnection) {
        shutDown(connection);
        return;
    }
    connections_.emplace(ssl, connection);
    SSL_set_ex_data(ssl, connectionIndex, this);
    currentConnection = ssl;
}

void ConnectionGuard::forget(const SSL* ssl)
{
    std::lock_guard lock(mutex_);
    connections_.erase(ssl);
}

void ConnectionGuard::answered()
{
    std::lock_guard lock(mutex_);
    const auto found = connections_.find(currentConnection);
    if (found == connections_.end()) {
        return;
    }
    found->second.deadline = Clock::now() + deadline_;
    if (found->second.closeAfterAnswer) {
        shutDown(found->second);
    }
}

void ConnectionGuard::closeAfterAnswer()
{
    std::lock_guard lock(mutex_);
    if (const auto found = connections_.find(currentConnection); found != connections_.end()) {
        found->second.closeAfterAnswer = true;
    }
}

void ConnectionGuard::watch()
{
    const auto period = std::max(deadline_ / 4, std::chrono::milliseconds(10));
    std::unique_lock lock(mutex_);
    while (!stop_.wait_for(lock, period, [this] { return stopping_; })) {
        const auto now = Clock::now();
        for (auto& [ssl, connection] : connections_) {
            if (now > connection.deadline) {
                shutDown(connection);
            }
        }
    }
}

// Under the lock: the socket is still open, since the server frees the TLS object (which forgets the
// connection under the same lock) before it closes the socket.
void ConnectionGuard::shutDown(Connection& connection)
{
    if (!connection.shutDown) {
        ::shutdown(connection.socket, SHUT_RDWR);
        connection.shutDown = true;
    }
}

} // namespace varno::sandbox
