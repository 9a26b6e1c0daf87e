#include "sandbox/Routes.h"

#include <QByteArray>

#include <memory>

#include <rapidjson/document.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace varno::sandbox {
namespace {

using rapidjson::SizeType;

// Passes a reader's events on to a document, refusing nesting beyond 128 levels: real bodies nest a
// level or two, and a body of a million brackets must cost nothing.
class DepthLimit {
public:
    explicit DepthLimit(rapidjson::Document& document) : document_(document) {}

    bool Null() { return document_.Null(); }
    bool Bool(bool value) { return document_.Bool(value); }
    bool Int(int value) { return document_.Int(value); }
    bool Uint(unsigned value) { return document_.Uint(value); }
    bool Int64(int64_t value) { return document_.Int64(value); }
    bool Uint64(uint64_t value) { return document_.Uint64(value); }
    bool Double(double value) { return document_.Double(value); }
    bool RawNumber(const char* text, SizeType length, bool copy) { return document_.RawNumber(text, length, copy); }
    bool String(const char* text, SizeType length, bool copy) { return document_.String(text, length, copy); }
    bool Key(const char* text, SizeType length, bool copy) { return document_.Key(text, length, copy); }
    bool StartObject() { return ++depth_ <= kMaxDepth && document_.StartObject(); }
    bool EndObject(SizeType members) { return --depth_, document_.EndObject(members); }
    bool StartArray() { return ++depth_ <= kMaxDepth && document_.StartArray(); }
    bool EndArray(SizeType elements) { return --depth_, document_.EndArray(elements); }

private:
    static constexpr int kMaxDepth = 128;
    rapidjson::Document& document_;
    int depth_ = 0;
};

// The request body as JSON, read without recursion; null when it is not JSON or nests too deep.
std::unique_ptr<rapidjson::Document> jsonBody(const httplib::Request& request)
{
    auto document = std::make_unique<rapidjson::Document>();
    const auto generate = [&request](rapidjson::Document& handler) {
        DepthLimit limited(handler);
        rapidjson::StringStream stream(request.body.c_str());
        rapidjson::Reader reader;
        return !reader.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag>(stream, limited)
                    .IsError() &&
               stream.Tell() == request.body.size();
    };
    document->Populate(generate);
    return document->HasParseError() ? nullptr : std::move(document);
}

// A record identifier from a JSON value: a whole number, or a text holding one.
std::optional<long long> recordIdOf(const rapidjson::Value& value)
{
    if (value.IsInt64()) {
        return value.GetInt64();
    }
    return value.IsString() ? parseRecordId(value.GetString()) : std::nullopt;
}

} // namespace

bool authorizeApi(const ApiCredentials& account, const httplib::Request& request, httplib::Response& response)
{
    const std::string credentials = account.userName + ":" + account.password;
    const std::string expected = "Basic " + QByteArray::fromStdString(credentials).toBase64().toStdString();
    if (request.get_header_value("Authorization") != expected) {
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic realm=\"Configurateur\"");
        response.set_content(R"({"error":"authentication required"})", "application/json");
        return false;
    }
    if (request.get_header_value_count(kIssuerHeader) != 1 ||
        request.get_header_value(kIssuerHeader) != account.issuerKey) {
        response.status = 403;
        response.set_content(R"({"error":"unknown issuer"})", "application/json");
        return false;
    }
    return true;
}

void addApiRoutes(httplib::Server& server, Store& store)
{
    server.Get(std::string(kQuotationRecordsPath) + "(.*)",
               [&store](const httplib::Request& request, httplib::Response& response) {
                   const std::optional<long long> id = parseRecordId(request.matches[1]);
                   const std::optional<Record> record = id ? store.record(*id) : std::nullopt;
                   if (!record) {
                       response.status = 404;
                       response.set_content(R"({"error":"quotation record not found"})", "application/json");
                       return;
                   }
                   response.set_content(record->json, "application/json; charset=utf-8");
               });

    server.Post(kCheckQuotationRecordsPath, [&store](const httplib::Request& request, httplib::Response& response) {
        const std::unique_ptr<rapidjson::Document> ids = jsonBody(request);
        if (!ids || !ids->IsArray()) {
            response.status = 400;
            response.set_content(R"({"error":"a JSON array of quotation record ids is expected"})", "application/json");
            return;
        }
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        writer.StartArray();
        for (const rapidjson::Value& value : ids->GetArray()) {
            const std::optional<long long> id = recordIdOf(value);
            const std::optional<Record> record = id ? store.record(*id) : std::nullopt;
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

    server.Post(kCreateOrderPath, [&store](const httplib::Request& request, httplib::Response& response) {
        const std::unique_ptr<rapidjson::Document> order = jsonBody(request);
        const auto member = [&order](const char* name) -> const rapidjson::Value* {
            return order->HasMember(name) ? &(*order)[name] : nullptr;
        };
        const rapidjson::Value* recordIds = order && order->IsObject() ? member("quotationRecordIds") : nullptr;
        if (recordIds == nullptr || !recordIds->IsArray()) {
            response.status = 400;
            response.set_content(R"({"error":"an order with quotationRecordIds is expected"})", "application/json");
            return;
        }
        std::vector<long long> ids;
        bool readable = true;
        for (const rapidjson::Value& value : recordIds->GetArray()) {
            const std::optional<long long> id = recordIdOf(value);
            readable = readable && id.has_value();
            ids.push_back(id.value_or(0));
        }
        const auto text = [&member](const char* name) {
            const rapidjson::Value* value = member(name);
            return value != nullptr && value->IsString() ? std::string(value->GetString(), value->GetStringLength())
                                                         : std::string();
        };
        const std::optional<std::string> reference =
            readable ? store.createOrder(ids, text("documentNumber"), text("documentTitle"), text("documentDate"))
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

} // namespace varno::sandbox
