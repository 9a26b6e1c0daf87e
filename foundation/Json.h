#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varno {

// A parsed JSON value that keeps what the program needs from the text: the digits of numbers exactly
// as written (1234.50 stays 1234.50), member order, and repeated member names.
class JsonValue {
public:
    enum class Kind { Null, False, True, Number, String, Array, Object };

    // Parses a whole text (UTF-8). Throws VarnoError when it is not JSON.
    static JsonValue parse(std::string_view text);

    Kind kind() const { return kind_; }
    bool isObject() const { return kind_ == Kind::Object; }
    bool isArray() const { return kind_ == Kind::Array; }

    // The value text: a string's characters, a number's digits as written, true, false, or null; an
    // array or object gives its JSON text.
    std::string text() const;
    // A string's content or a number's digits, without a copy (empty for other kinds): for large texts.
    const std::string& scalar() const { return scalar_; }
    // The value as a JSON writer prints it: a string keeps its quotes and escapes.
    std::string jsonText() const;

    // Members of an object in order (empty for other kinds), and the first member of a name.
    const std::vector<std::pair<std::string, JsonValue>>& members() const { return members_; }
    const JsonValue* member(std::string_view name) const;
    // Elements of an array (empty for other kinds).
    const std::vector<JsonValue>& elements() const { return elements_; }

    // The value itself when it is an object / an array; otherwise throws VarnoError naming what it is.
    const JsonValue& expectObject(std::string_view what) const;
    const JsonValue& expectArray(std::string_view what) const;

private:
    friend class JsonTreeBuilder;
    Kind kind_ = Kind::Null;
    std::string scalar_; // string content or number digits
    std::vector<std::pair<std::string, JsonValue>> members_;
    std::vector<JsonValue> elements_;
};

// Escapes text for the inside of a JSON string: quote, backslash and control characters.
std::string jsonStringContent(std::string_view text);

} // namespace varno
