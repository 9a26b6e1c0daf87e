#include "sandbox/Sandbox.h"

#include "foundation/Error.h"
#include "foundation/Json.h"
#include "sandbox/Catalogue.h"
#include "sandbox/ConfiguratorPage.h"

#include <QByteArray>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <iomanip>

namespace varno::sandbox {
namespace {

thread_local std::chrono::steady_clock::time_point requestStart;

std::string configurateurXml(const std::vector<std::pair<const char*, std::string>>& children)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configurateur>";
    for (const auto& [name, text] : children) {
        xml += std::string("<") + name + ">" + escapeHtml(text) + "</" + name + ">";
    }
    return xml + "</Configurateur>\n";
}

// A record identifier from its text: whole decimal digits.
std::optional<long long> parseRecordId(const std::string& text)
{
    try {
        std::size_t used = 0;
        const long long id = std::stoll(text, &used);
        if (used == text.size()) {
            return id;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// A record identifier from a JSON value: a number, or a text holding one.
std::optional<long long> recordIdOf(const JsonValue& value)
{
    const bool scalar = value.kind() == JsonValue::Kind::Number || value.kind() == JsonValue::Kind::String;
    return scalar ? parseRecordId(value.scalar()) : std::nullopt;
}

// The request body as JSON, read by the program's own reader (and its depth limit); nothing when it is
// not JSON.
std::optional<JsonValue> jsonBody(const httplib::Request& request)
{
    try {
        return JsonValue::parse(request.body);
    } catch (const VarnoError&) {
        return std::nullopt;
    }
}

Choice choiceFromForm(const httplib::Request& request)
{
    Choice choice;
    const auto number = [&](const char* name, int fallback) {
        try {
            return std::stoi(request.get_param_value(name));
        } catch (const std::exception&) {
            return fallback;
        }
    };
    choice.product = request.get_param_value("product");
    choice.widthMm = number("width", 0);
    choice.heightMm = number("height", 0);
    choice.quantity = number("quantity", 0);
    choice.location = request.get_param_value("location");
    for (std::size_t i = 0; i < request.get_param_value_count("option"); ++i) {
        choice.options.push_back(request.get_param_value("option", i));
    }
    return choice;
}

struct SeedRecord {
    long long id;
    const char* brand;
    Choice choice;
    bool indirectMode;
    const char* checkCode;
    const char* orderReference;
};

// The session a configurator page address names; otherwise answers 404 with a page saying so.
std::optional<Session> pageSession(Store& store, const httplib::Request& request, httplib::Response& response)
{
    std::optional<Session> session = store.session(request.matches[1]);
    if (!session) {
        response.status = 404;
        response.set_content(messagePage("Session inconnue", "Reconnectez-vous depuis votre logiciel."),
                             "text/html; charset=utf-8");
    }
    return session;
}

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
        const std::size_t equals = pair.find('=');
        const QByteArray key = QByteArray::fromStdString(pair.substr(0, equals));
        const bool secret =
            equals != std::string::npos && QByteArray::fromPercentEncoding(QByteArray(key).replace('+', ' ')) == "mdp";
        masked += separator + (secret ? pair.substr(0, equals + 1) + "***" : pair);
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

bool Sandbox::authorizeApi(const httplib::Request& request, httplib::Response& response) const
{
    const std::string credentials = options_.apiAccount.userName + ":" + options_.apiAccount.password;
    const std::string expected = "Basic " + QByteArray::fromStdString(credentials).toBase64().toStdString();
    if (request.get_header_value("Authorization") != expected) {
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic realm=\"Configurateur\"");
        response.set_content(R"({"error":"authentication required"})", "application/json");
        return false;
    }
    if (request.get_header_value_count(kIssuerHeader) != 1 ||
        request.get_header_value(kIssuerHeader) != options_.apiAccount.issuerKey) {
        response.status = 403;
        response.set_content(R"({"error":"unknown issuer"})", "application/json");
        return false;
    }
    return true;
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
    if (request.has_header("Transfer-Encoding") || (mayHaveBody && !request.has_header("Content-Length"))) {
        refuse(411, "Le corps de la requête doit être annoncé par Content-Length.");
    } else if (!length.empty() && (length.find_first_not_of("0123456789") != std::string::npos || length.size() > 9 ||
                                   std::stoul(length) > kMaxRequestBody)) {
        refuse(413, "Le corps de la requête dépasse 1 Mo.");
    } else if (!encoding.empty() && encoding != "identity") {
        refuse(415, "Le corps de la requête doit être envoyé sans compression.");
    } else if (request.path.starts_with("/api/") && !authorizeApi(request, response)) {
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

    server_.Get("/index.php/Services/jeton", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string brand = request.get_param_value("passerelle");
        const std::string email = request.get_param_value("email");
        const std::string quote = request.get_param_value("jeton");
        std::optional<long long> reopened;
        bool accepted = request.has_param("email") && request.has_param("mdp") && request.has_param("passerelle") &&
                        store_.hasAccount(brand, email, request.get_param_value("mdp"));
        if (accepted && request.has_param("jeton")) {
            const std::optional<long long> id = parseRecordId(quote);
            const std::optional<Record> existing = id ? store_.record(*id) : std::nullopt;
            accepted = existing && existing->brand == brand && existing->orderReference.empty();
            reopened = id;
        }
        if (!accepted) {
            response.set_content(configurateurXml({}), "text/xml; charset=utf-8");
            return;
        }
        const std::string token = store_.openSession(brand, email, reopened);
        response.set_content(configurateurXml({{"Jeton", token},
                                               {"UrlConnexion", baseUrl() + "/configurateur/" + token},
                                               {"UrlRecuperation", baseUrl() + "/recuperation/" + token}}),
                             "text/xml; charset=utf-8");
    });

    server_.Get("/configurateur/([0-9a-f]+)", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Session> session = pageSession(store_, request, response);
        if (!session) {
            return;
        }
        Choice choice;
        if (session->recordId) {
            if (const std::optional<Record> record = store_.record(*session->recordId)) {
                choice = choiceFromJson(record->choice);
            }
        }
        response.set_content(configuratorPage(*session, choice, ""), "text/html; charset=utf-8");
    });

    server_.Post(
        "/configurateur/([0-9a-f]+)/valider", [this](const httplib::Request& request, httplib::Response& response) {
            const std::optional<Session> session = pageSession(store_, request, response);
            if (!session) {
                return;
            }
            const Choice choice = choiceFromForm(request);
            if (const std::optional<std::string> problem = invalidChoice(session->brand, choice)) {
                response.status = 422;
                response.set_content(configuratorPage(*session, choice, *problem), "text/html; charset=utf-8");
                return;
            }
            const long long id = store_.saveRecord(*session, choiceJson(choice), [&](long long recordId) {
                return quotationRecordJson(recordId, session->brand, choice, false);
            });
            response.set_content(confirmationPage(*session, id, findProduct(session->brand, choice.product)->name),
                                 "text/html; charset=utf-8");
        });

    server_.Get("/recuperation/([0-9a-f]+)", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Session> session = store_.session(request.matches[1]);
        if (!session) {
            response.status = 404;
            response.set_content(configurateurXml({}), "text/xml; charset=utf-8");
            return;
        }
        response.set_content(
            configurateurXml({{"Jeton", session->token},
                              {"Passerelle", session->brand},
                              {"Project", session->validated ? std::to_string(*session->recordId) : ""}}),
            "text/xml; charset=utf-8");
    });

    // The API's credentials are checked before routing (refuseBeforeBody).
    server_.Get("/api/v2.0/quotation-records/(.*)",
                [this](const httplib::Request& request, httplib::Response& response) {
                    const std::optional<long long> id = parseRecordId(request.matches[1]);
                    const std::optional<Record> record = id ? store_.record(*id) : std::nullopt;
                    if (!record) {
                        response.status = 404;
                        response.set_content(R"({"error":"quotation record not found"})", "application/json");
                        return;
                    }
                    response.set_content(record->json, "application/json; charset=utf-8");
                });

    server_.Post("/api/v1.1/createorderprocess/checkquotationrecords", [this](const httplib::Request& request,
                                                                              httplib::Response& response) {
        const std::optional<JsonValue> ids = jsonBody(request);
        if (!ids || !ids->isArray()) {
            response.status = 400;
            response.set_content(R"({"error":"a JSON array of quotation record ids is expected"})", "application/json");
            return;
        }
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        writer.StartArray();
        for (const JsonValue& value : ids->elements()) {
            const std::optional<long long> id = recordIdOf(value);
            const std::optional<Record> record = id ? store_.record(*id) : std::nullopt;
            writer.StartObject();
            writer.Key("quotationRecordId");
            id ? static_cast<void>(writer.Int64(*id)) : static_cast<void>(writer.Null());
            writer.Key("errorCode");
            if (!record) {
                writer.String("NOT_FOUND");
            } else if (!record->orderReference.empty()) {
                writer.String("STATE_INVALID");
            } else if (!record->checkCode.empty()) {
                writer.String(record->checkCode.c_str());
            } else {
                writer.Null();
            }
            writer.EndObject();
        }
        writer.EndArray();
        response.set_content(buffer.GetString(), "application/json; charset=utf-8");
    });

    server_.Post("/api/v1.1/createorderprocess/createorder", [this](const httplib::Request& request,
                                                                    httplib::Response& response) {
        const std::optional<JsonValue> order = jsonBody(request);
        const JsonValue* recordIds = order && order->isObject() ? order->member("quotationRecordIds") : nullptr;
        if (recordIds == nullptr || !recordIds->isArray()) {
            response.status = 400;
            response.set_content(R"({"error":"an order with quotationRecordIds is expected"})", "application/json");
            return;
        }
        std::vector<long long> ids;
        bool readable = true;
        for (const JsonValue& value : recordIds->elements()) {
            const std::optional<long long> id = recordIdOf(value);
            readable = readable && id.has_value();
            ids.push_back(id.value_or(0));
        }
        const auto text = [&](const char* name) {
            const JsonValue* member = order->member(name);
            return member != nullptr && member->kind() == JsonValue::Kind::String ? member->scalar() : std::string();
        };
        const std::optional<std::string> reference =
            readable ? store_.createOrder(ids, text("documentNumber"), text("documentTitle"), text("documentDate"))
                     : std::nullopt;
        if (!reference) {
            response.set_content("null", "application/json"); // the configurator's refusal
            return;
        }
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        writer.StartObject();
        writer.Key("reference");
        writer.String(reference->c_str());
        writer.Key("quotationRecordIds");
        writer.StartArray();
        for (const long long id : ids) {
            writer.Int64(id);
        }
        writer.EndArray();
        writer.EndObject();
        response.set_content(buffer.GetString(), "application/json; charset=utf-8");
    });
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
