#include "foundation/Json.h"

#include "foundation/Error.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace varno {

// Builds a JsonValue tree from RapidJSON's reader, numbers arriving as their raw text.
class JsonTreeBuilder {
public:
    // Real answers nest a handful of levels; a hostile one nested without end would exhaust the stack
    // of the reader, which recurses once per level.
    static constexpr std::size_t kMaxDepth = 128;

    JsonValue root;
    bool tooDeep = false;

    bool Null() { return add(JsonValue::Kind::Null, {}); }
    bool Bool(bool value) { return add(value ? JsonValue::Kind::True : JsonValue::Kind::False, {}); }
    static bool Int(int) { return false; } // never called: numbers come as raw text
    static bool Uint(unsigned) { return false; }
    static bool Int64(int64_t) { return false; }
    static bool Uint64(uint64_t) { return false; }
    static bool Double(double) { return false; }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool)
    {
        return add(JsonValue::Kind::Number, {text, length});
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        return add(JsonValue::Kind::String, {text, length});
    }
    bool StartObject() { return open(JsonValue::Kind::Object); }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        key_.assign(text, length);
        return true;
    }
    bool EndObject(rapidjson::SizeType) { return close(); }
    bool StartArray() { return open(JsonValue::Kind::Array); }
    bool EndArray(rapidjson::SizeType) { return close(); }

private:
    // Where the next value goes: the root, a new array element, or a new member under the last key.
    JsonValue& slot()
    {
        if (open_.empty()) {
            return root;
        }
        JsonValue& parent = *open_.back();
        if (parent.kind_ == JsonValue::Kind::Array) {
            return parent.elements_.emplace_back();
        }
        return parent.members_.emplace_back(key_, JsonValue()).second;
    }

    bool add(JsonValue::Kind kind, std::string_view scalar)
    {
        JsonValue& value = slot();
        value.kind_ = kind;
        value.scalar_ = scalar;
        return true;
    }

    bool open(JsonValue::Kind kind)
    {
        if (open_.size() == kMaxDepth) {
            tooDeep = true;
            return false;
        }
        JsonValue& value = slot();
        value.kind_ = kind;
        open_.push_back(&value);
        return true;
    }

    bool close()
    {
        open_.pop_back();
        return true;
    }

    std::vector<JsonValue*> open_; // containers being filled; a child is only appended to the innermost
    std::string key_;
};

JsonValue JsonValue::parse(std::string_view text)
{
    JsonTreeBuilder builder;
    rapidjson::Reader reader;
    rapidjson::MemoryStream stream(text.data(), text.size());
    constexpr unsigned flags = rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseValidateEncodingFlag;
    const rapidjson::ParseResult result = reader.Parse<flags>(stream, builder);
    if (result.IsError()) {
        const std::string reason =
            builder.tooDeep ? "imbrication de plus de " + std::to_string(JsonTreeBuilder::kMaxDepth) + " niveaux"
                            : rapidjson::GetParseError_En(result.Code());
        throw VarnoError("La réponse n'est pas du JSON valide : " + reason + " (position " +
                         std::to_string(result.Offset()) + ").");
    }
    return std::move(builder.root);
}

const JsonValue* JsonValue::member(std::string_view name) const
{
    for (const auto& [key, value] : members_) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

std::string JsonValue::text() const
{
    switch (kind_) {
    case Kind::Null:
        return "null";
    case Kind::False:
        return "false";
    case Kind::True:
        return "true";
    case Kind::Number:
    case Kind::String:
        return scalar_;
    case Kind::Array:
    case Kind::Object:
        break;
    }
    return jsonText();
}

namespace {

void write(const JsonValue& value, rapidjson::Writer<rapidjson::StringBuffer>& writer)
{
    switch (value.kind()) {
    case JsonValue::Kind::Null:
        writer.Null();
        break;
    case JsonValue::Kind::False:
        writer.Bool(false);
        break;
    case JsonValue::Kind::True:
        writer.Bool(true);
        break;
    case JsonValue::Kind::Number: {
        const std::string digits = value.text();
        writer.RawValue(digits.data(), digits.size(), rapidjson::kNumberType);
        break;
    }
    case JsonValue::Kind::String: {
        const std::string content = value.text();
        writer.String(content.data(), static_cast<rapidjson::SizeType>(content.size()));
        break;
    }
    case JsonValue::Kind::Array:
        writer.StartArray();
        for (const JsonValue& element : value.elements()) {
            write(element, writer);
        }
        writer.EndArray();
        break;
    case JsonValue::Kind::Object:
        writer.StartObject();
        for (const auto& [key, member] : value.members()) {
            writer.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
            write(member, writer);
        }
        writer.EndObject();
        break;
    }
}

const char* kindName(JsonValue::Kind kind)
{
    switch (kind) {
    case JsonValue::Kind::Null:
        return "null";
    case JsonValue::Kind::False:
    case JsonValue::Kind::True:
        return "un booléen";
    case JsonValue::Kind::Number:
        return "un nombre";
    case JsonValue::Kind::String:
        return "un texte";
    case JsonValue::Kind::Array:
        return "un tableau";
    case JsonValue::Kind::Object:
        return "un objet";
    }
    return "";
}

} // namespace

std::string JsonValue::jsonText() const
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    write(*this, writer);
    return {buffer.GetString(), buffer.GetSize()};
}

const JsonValue& JsonValue::expectObject(std::string_view what) const
{
    if (kind_ != Kind::Object) {
        throw VarnoError("La réponse n'a pas la forme attendue : " + std::string(what) + " est " + kindName(kind_) +
                         " au lieu d'un objet JSON.");
    }
    return *this;
}

const JsonValue& JsonValue::expectArray(std::string_view what) const
{
    if (kind_ != Kind::Array) {
        throw VarnoError("La réponse n'a pas la forme attendue : " + std::string(what) + " est " + kindName(kind_) +
                         " au lieu d'un tableau JSON.");
    }
    return *this;
}

std::string jsonStringContent(std::string_view text)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    const std::string quoted(buffer.GetString(), buffer.GetSize());
    return quoted.substr(1, quoted.size() - 2);
}

} // namespace varno
