#include "tests/support/TestHttpsServer.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace varno::test {
namespace {

bool sameHeaderName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

} // namespace

std::string certificatePath(const std::string& name)
{
    return std::string(VARNO_TEST_CERT_DIR) + "/" + name;
}

std::string testCaCertificates()
{
    std::ifstream in(certificatePath("ca.pem"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> RecordedRequest::headerValues(const std::string& name) const
{
    std::vector<std::string> values;
    for (const auto& [key, value] : headers) {
        if (sameHeaderName(key, name)) {
            values.push_back(value);
        }
    }
    return values;
}

std::string RecordedRequest::header(const std::string& name) const
{
    const auto values = headerValues(name);
    return values.empty() ? std::string() : values.front();
}

TestHttpsServer::TestHttpsServer(int port)
    : TestHttpsServer(certificatePath("localhost.pem"), certificatePath("localhost.key"), port)
{
}

TestHttpsServer::TestHttpsServer(const std::string& certificateFile, const std::string& keyFile, int port)
    : server_(certificateFile.c_str(), keyFile.c_str())
{
    if (!server_.is_valid()) {
        throw std::runtime_error("test server: cannot load " + certificateFile);
    }
    const auto route = [this](const httplib::Request& request, httplib::Response& response) {
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(
                {request.method, request.target, request.path, request.body, request.headers, request.remote_port});
            handler = handler_;
        }
        if (handler) {
            handler(request, response);
        } else {
            response.status = 404;
            response.set_content("not scripted", "text/plain");
        }
    };
    server_.set_tcp_nodelay(true); // as real servers do; otherwise each answer waits for a delayed ACK
    server_.Get(".*", route);
    server_.Post(".*", route);
    server_.Put(".*", route);
    server_.Delete(".*", route);
    server_.Patch(".*", route);
    start(port);
}

void TestHttpsServer::start(int port)
{
    if (port == 0) {
        port_ = server_.bind_to_any_port("127.0.0.1");
    } else if (server_.bind_to_port("127.0.0.1", port)) {
        port_ = port;
    }
    if (port_ <= 0) {
        throw std::runtime_error("test server: cannot bind loopback port " + std::to_string(port));
    }
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TestHttpsServer::~TestHttpsServer()
{
    release();
    server_.stop();
    thread_.join();
}

void TestHttpsServer::setHandler(Handler handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::string TestHttpsServer::baseUrl() const
{
    return "https://localhost:" + std::to_string(port_);
}

std::string TestHttpsServer::baseUrlByAddress() const
{
    return "https://127.0.0.1:" + std::to_string(port_);
}

std::vector<RecordedRequest> TestHttpsServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void trickle(httplib::Response& response, const std::string& contentType)
{
    response.set_chunked_content_provider(contentType, [](std::size_t offset, httplib::DataSink& sink) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return offset < 300 && sink.is_writable() && sink.write(" ", 1);
    });
}

void TestHttpsServer::holdUntilReleased(std::chrono::seconds atMost)
{
    std::unique_lock lock(mutex_);
    released_.wait_for(lock, atMost, [this] { return isReleased_; });
}

void TestHttpsServer::release()
{
    {
        std::lock_guard lock(mutex_);
        isReleased_ = true;
    }
    released_.notify_all();
}

} // namespace varno::test
