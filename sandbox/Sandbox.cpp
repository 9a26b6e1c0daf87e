#include "sandbox/Sandbox.h"

#include "sandbox/Catalogue.h"
#include "sandbox/ConfiguratorPage.h"
#include "sandbox/Routes.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <iomanip>

namespace varno::sandbox {
namespace {

thread_local std::chrono::steady_clock::time_point requestStart;

struct SeedRecord {
    long long id;
    const char* brand;
    Choice choice;
    bool indirectMode;
    const char* checkCode;
    const char* orderReference;
};

} // namespace

std::string maskedTarget(const std::string& target)
{
    const std::size_t query = target.find('?');
    if (query == std::string::npos) {
        return target;
    }
    std::string masked = target.substr(0, query);
    std::size_t start = query + 1;
    for (char separator = '?'; start <= target.size(); separator = '&') {
        const std::size_t end = std::min(target.find('&', start), target.size());
        const std::string pair = target.substr(start, end - start);
        // Judged by the key the server's own parse finds in it (blanks trimmed, empty pieces around "="
        // skipped, %XX and %uXXXX decoded), so no spelling that logs in slips past.
        httplib::Params parsed;
        httplib::detail::parse_query_text(pair, parsed);
        const std::size_t keyStart = pair.find_first_not_of(" \t=");
        const std::size_t keyEnd = keyStart == std::string::npos ? std::string::npos : pair.find('=', keyStart);
        const bool secret = parsed.contains("mdp") && keyEnd != std::string::npos;
        masked += separator + (secret ? pair.substr(0, keyEnd + 1) + "***" : pair);
        start = end + 1;
    }
    return masked;
}

Sandbox::Sandbox(SandboxOptions options)
    : options_(std::move(options)),
      store_((std::filesystem::create_directories(options_.dataDir), options_.dataDir + "/sandbox.db")),
      guard_(options_.maxConnections, options_.requestDeadline + std::chrono::milliseconds(options_.latencyMs)),
      server_(options_.certificateFile.c_str(), options_.keyFile.c_str())
{
    if (!server_.is_valid()) {
        throw std::runtime_error("cannot load the certificate " + options_.certificateFile + " and key " +
                                 options_.keyFile);
    }
    guard_.install(server_);
    server_.set_payload_max_length(kMaxRequestBody);
    if (store_.isEmpty()) {
        seed();
    }
    addRoutes();
}

Sandbox::~Sandbox()
{
    stop();
}

int Sandbox::start()
{
    // A client gone mid-answer, or a connection cut off, must not end the sandbox: OpenSSL writes to
    // the socket with write(), which would raise SIGPIPE; the write fails instead.
    std::signal(SIGPIPE, SIG_IGN);
    if (options_.port == 0) {
        port_ = server_.bind_to_any_port("127.0.0.1");
    } else if (server_.bind_to_port("127.0.0.1", options_.port)) {
        port_ = options_.port;
    }
    if (port_ <= 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options_.port));
    }
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return port_;
}

void Sandbox::stop()
{
    server_.stop();
    wait();
}

void Sandbox::wait()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}

// Judges a request on its head alone, before any of its body is read: the body's form and size, then
// the API's credentials. A refused request's connection ends with the answer, its body unread.
bool Sandbox::refuseBeforeBody(const httplib::Request& request, httplib::Response& response)
{
    const bool mayHaveBody =
        request.method == "POST" || request.method == "PUT" || request.method == "PATCH" || request.method == "DELETE";
    const std::string length = request.get_header_value("Content-Length");
    const std::string encoding = request.get_header_value("Content-Encoding");
    const auto refuse = [&](int status, const char* reason) {
        response.status = status;
        response.set_content(reason, "text/plain; charset=utf-8");
    };
    const auto lengths = request.headers.equal_range("Content-Length");
    const bool lengthsDisagree =
        std::any_of(lengths.first, lengths.second, [&length](const auto& header) { return header.second != length; });
    if (request.has_header("Transfer-Encoding") || (mayHaveBody && !request.has_header("Content-Length"))) {
        refuse(411, "Le corps de la requête doit être annoncé par Content-Length.");
    } else if (lengthsDisagree) {
        refuse(400, "La requête annonce plusieurs longueurs de corps différentes.");
    } else if (!length.empty() && (length.find_first_not_of("0123456789") != std::string::npos || length.size() > 9 ||
                                   std::stoul(length) > kMaxRequestBody)) {
        refuse(413, "Le corps de la requête dépasse 1 Mo.");
    } else if (!encoding.empty() && encoding != "identity") {
        refuse(415, "Le corps de la requête doit être envoyé sans compression.");
    } else if (request.path.starts_with("/api/") && !authorizeApi(options_.apiAccount, request, response)) {
        // answered by authorizeApi
    } else {
        return false;
    }
    if (mayHaveBody) {
        response.set_header("Connection", "close");
        guard_.closeAfterAnswer();
    }
    return true;
}

void Sandbox::addRoutes()
{
    server_.set_tcp_nodelay(true);
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        requestStart = std::chrono::steady_clock::now();
        // As every real server answers (an HTTP date, in English whatever the locale).
        response.set_header(
            "Date",
            QLocale::c().toString(QDateTime::currentDateTimeUtc(), "ddd, dd MMM yyyy HH:mm:ss 'GMT'").toStdString());
        if (options_.latencyMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.latencyMs));
        }
        const long long number = ++requestCount_;
        if (options_.failEvery > 0 && number % options_.failEvery == 0) {
            response.status = 503;
            response.set_content("Service temporairement indisponible (panne simulée par le bac à sable)",
                                 "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        return refuseBeforeBody(request, response) ? httplib::Server::HandlerResponse::Handled
                                                   : httplib::Server::HandlerResponse::Unhandled;
    });
    server_.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        guard_.answered();
        if (options_.log == nullptr) {
            return;
        }
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - requestStart);
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        *options_.log << std::put_time(&local, "%Y-%m-%d %H:%M:%S") << "  " << request.method << " "
                      << maskedTarget(request.target) << "  " << response.status << "  " << elapsed.count() << " ms"
                      << std::endl;
    });

    server_.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(messagePage("Bac à sable Varno", "Passerelle, configurateur et API de configuration "
                                                              "locaux. Voir le README du projet pour les comptes de "
                                                              "démonstration et les devis de test."),
                             "text/html; charset=utf-8");
    });

    addGatewayRoutes(server_, store_, [this] { return baseUrl(); });
    addConfiguratorRoutes(server_, store_);
    // The API's credentials are checked before routing (refuseBeforeBody).
    addApiRoutes(server_, store_);
}

void Sandbox::seed()
{
    // Records that show every outcome of the verification and order workflows (see the README).
    const std::vector<SeedRecord> seeds = {
        {4711, "ferd", {"FE-PVC-2V", 1200, 1350, 2, {"OB"}, "Salon"}, false, nullptr, nullptr},
        {4712, "olka", {"VR-ALU", 1400, 1600, 1, {"MOT"}, "Chambre 1"}, false, nullptr, nullptr},
        {4713, "tamrix", {"FE-ALU", 900, 1100, 1, {}, "Cuisine"}, true, nullptr, nullptr},
        {4714, "ferd", {"PO-ENT", 1000, 2150, 1, {"OCU"}, "Entrée"}, false, "NO_SUPPLIER_DATA", nullptr},
        {4715, "olka", {"VB-BOIS", 1200, 1400, 2, {}, ""}, false, "ORDER_PROCESS_NOT_AVAILABLE", nullptr},
        {4716, "tamrix", {"PO-GAR", 2400, 2000, 1, {"MOT"}, "Garage"}, false, "PRICER_OUTDATED", nullptr},
        {4717, "ferd", {"FE-ALU-BC", 2400, 2150, 1, {"SEC"}, "Séjour"}, false, "PRICER_NOT_ALLOWED", nullptr},
        {4718, "olka", {"FE-BOIS", 800, 1000, 3, {"OB"}, ""}, false, "NO_TECHNICAL_VALIDATION", nullptr},
        {4719, "tamrix", {"VR-PVC", 1000, 1200, 1, {}, "Bureau"}, false, nullptr, "CMD-2026-000999"},
        {4720, "ferd", {"FE-PVC-2V", 600, 800, 1, {}, "Salle de bains"}, false, "NOT_FOUND", nullptr},
    };
    std::vector<Record> records;
    records.reserve(seeds.size());
    for (const SeedRecord& seedRecord : seeds) {
        records.push_back(
            {seedRecord.id, seedRecord.brand, choiceJson(seedRecord.choice),
             quotationRecordJson(seedRecord.id, seedRecord.brand, seedRecord.choice, seedRecord.indirectMode),
             seedRecord.indirectMode, seedRecord.checkCode != nullptr ? seedRecord.checkCode : "",
             seedRecord.orderReference != nullptr ? seedRecord.orderReference : ""});
    }
    store_.addSeedRecords(records);
}

} // namespace varno::sandbox
