#include "foundation/SecretMask.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <cctype>
#include <mutex>
#include <optional>
#include <utility>

namespace varno {
namespace {

// A text and, for each of its bytes, the bytes of the original text it came from.
struct Traced {
    std::string text;
    std::vector<std::pair<std::size_t, std::size_t>> from; // [begin, end) in the original
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

std::optional<unsigned long> numberAt(std::string_view text, std::size_t at, std::size_t digits, int base)
{
    if (at + digits > text.size() || digits == 0) {
        return std::nullopt;
    }
    unsigned long value = 0;
    for (std::size_t index = at; index < at + digits; ++index) {
        const int digit = hexValue(text[index]);
        if (digit < 0 || digit >= base) {
            return std::nullopt;
        }
        value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
    }
    return value;
}

std::string utf8Of(unsigned long codePoint)
{
    const auto character = static_cast<char32_t>(codePoint);
    return QString::fromUcs4(&character, 1).toUtf8().toStdString();
}

// One escape at `at`: what it stands for and its length; nothing when none starts there.
std::optional<std::pair<std::string, std::size_t>> escapeAt(std::string_view text, std::size_t at)
{
    const char c = text[at];
    if (c == '+') {
        return std::pair{std::string(" "), std::size_t{1}};
    }
    if (c == '%') {
        if (const auto byte = numberAt(text, at + 1, 2, 16)) {
            return std::pair{std::string(1, static_cast<char>(*byte)), std::size_t{3}};
        }
    } else if (c == '\\' && at + 1 < text.size()) {
        const char next = text[at + 1];
        if (next == 'u') {
            if (const auto code = numberAt(text, at + 2, 4, 16)) {
                return std::pair{utf8Of(*code), std::size_t{6}};
            }
        }
        static constexpr std::string_view kEscaped = "\"\\/bfnrt";
        static constexpr std::string_view kMeaning = "\"\\/\b\f\n\r\t";
        if (const auto found = kEscaped.find(next); found != std::string_view::npos) {
            return std::pair{std::string(1, kMeaning[found]), std::size_t{2}};
        }
    } else if (c == '&') {
        const std::size_t end = text.find(';', at);
        if (end == std::string_view::npos || end - at > 10) {
            return std::nullopt;
        }
        const std::string_view name = text.substr(at + 1, end - at - 1);
        const std::size_t length = end - at + 1;
        static constexpr std::array<std::pair<std::string_view, char>, 5> kNamed{
            {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
        for (const auto& [entity, meaning] : kNamed) {
            if (name == entity) {
                return std::pair{std::string(1, meaning), length};
            }
        }
        const bool hex = name.size() > 2 && name[0] == '#' && (name[1] == 'x' || name[1] == 'X');
        const bool decimal = name.size() > 1 && name[0] == '#' && !hex;
        const std::size_t digitsAt = hex ? 2 : 1;
        if (hex || decimal) {
            if (const auto code = numberAt(name, digitsAt, name.size() - digitsAt, hex ? 16 : 10);
                code && *code <= 0x10FFFF) {
                return std::pair{utf8Of(*code), length};
            }
        }
    }
    return std::nullopt;
}

// One round of decoding; nothing when the text has nothing to decode.
std::optional<Traced> decodedOnce(const Traced& source)
{
    Traced decoded;
    bool changed = false;
    for (std::size_t at = 0; at < source.text.size();) {
        if (const auto escape = escapeAt(source.text, at)) {
            const std::pair span{source.from[at].first, source.from[at + escape->second - 1].second};
            decoded.text += escape->first;
            decoded.from.insert(decoded.from.end(), escape->first.size(), span);
            at += escape->second;
            changed = true;
        } else {
            decoded.text += source.text[at];
            decoded.from.push_back(source.from[at]);
            ++at;
        }
    }
    return changed ? std::optional(std::move(decoded)) : std::nullopt;
}

bool isHexadecimal(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return hexValue(c) >= 0; });
}

// The text with each character in lower case where that keeps its UTF-8 length (all of ASCII and of the
// Latin letters), so that each byte still stands where it stood.
std::string foldedCase(std::string_view text)
{
    std::string folded(text);
    for (std::size_t at = 0; at < folded.size();) {
        const auto lead = static_cast<unsigned char>(folded[at]);
        if (lead < 0x80) {
            folded[at] = static_cast<char>(std::tolower(lead));
            ++at;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const QString character =
            QString::fromUtf8(folded.data() + at, static_cast<qsizetype>(std::min(length, folded.size() - at)));
        const QByteArray lower = character.toLower().toUtf8();
        if (character.size() == 1 && static_cast<std::size_t>(lower.size()) == length) {
            folded.replace(at, length, lower.constData(), length);
        }
        at += length;
    }
    return folded;
}

// The part of the Base64 of `bytes` that is the same wherever they stand in a longer text: written after
// `offset` other bytes (0 to 2), the characters that hold bits of theirs alone.
std::string alignedBase64Core(const QByteArray& bytes, int offset, QByteArray::Base64Options options)
{
    const QByteArray encoded = (QByteArray(offset, '\0') + bytes).toBase64(options);
    const qsizetype first = (8 * offset + 5) / 6;
    const qsizetype end = 8 * (offset + bytes.size()) / 6;
    return encoded.mid(first, end - first).toStdString();
}

// Where the spellings show in the original text, whatever the rounds of decoding they needed.
std::vector<std::pair<std::size_t, std::size_t>> secretSpans(std::string_view text,
                                                             const std::vector<SecretMask::Spelling>& spellings)
{
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    if (spellings.empty()) {
        return spans;
    }
    Traced level{std::string(text), {}};
    for (std::size_t index = 0; index < text.size(); ++index) {
        level.from.emplace_back(index, index + 1);
    }
    // Decoded until nothing changes: each round but the last shortens the text or turns a '+' into a
    // blank, so the line's length bounds the rounds.
    for (std::size_t round = 0; round <= text.size(); ++round) {
        const std::string folded = foldedCase(level.text);
        for (const SecretMask::Spelling& spelling : spellings) {
            const std::string& haystack = spelling.anyCase ? folded : level.text;
            for (std::size_t at = haystack.find(spelling.text); at != std::string::npos;
                 at = haystack.find(spelling.text, at + 1)) {
                spans.emplace_back(level.from[at].first, level.from[at + spelling.text.size() - 1].second);
            }
        }
        std::optional<Traced> next = decodedOnce(level);
        if (!next) {
            break;
        }
        level = std::move(*next);
    }
    return spans;
}

} // namespace

void SecretMask::add(const std::string& secret)
{
    if (secret.size() < kShortest) {
        return;
    }
    addSpelling(secret, true); // a secret written with its case changed is still the secret
    addBase64Of(QByteArray::fromStdString(secret));
}

void SecretMask::add(const std::string& user, const std::string& password)
{
    add(password);
    addBase64Of(QByteArray::fromStdString(user + ":" + password));
}

// Whole, as a header carries it, and the part that shows wherever the bytes stand in a longer text.
void SecretMask::addBase64Of(const QByteArray& bytes)
{
    const auto url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
    addSpelling(bytes.toBase64().toStdString(), false);
    addSpelling(bytes.toBase64(url).toStdString(), false);
    for (const int offset : {0, 1, 2}) {
        for (const auto options : {QByteArray::Base64Options(QByteArray::Base64Encoding), url}) {
            addSpelling(alignedBase64Core(bytes, offset, options), false);
        }
    }
}

void SecretMask::addSpelling(const std::string& spelling, bool anyCase)
{
    if (spelling.size() < kShortest) {
        return;
    }
    // Hexadecimal digits are written in either case.
    anyCase = anyCase || isHexadecimal(spelling);
    Spelling added{anyCase ? foldedCase(spelling) : spelling, anyCase};
    if (std::find(spellings_.begin(), spellings_.end(), added) == spellings_.end()) {
        spellings_.push_back(std::move(added));
    }
}

std::string SecretMask::masked(std::string_view text) const
{
    std::vector<std::pair<std::size_t, std::size_t>> spans = secretSpans(text, spellings_);
    if (spans.empty()) {
        return std::string(text);
    }
    std::sort(spans.begin(), spans.end());
    std::string result;
    std::size_t written = 0;
    for (std::size_t index = 0; index < spans.size();) {
        auto [begin, end] = spans[index];
        for (++index; index < spans.size() && spans[index].first <= end; ++index) { // overlapping: one mask
            end = std::max(end, spans[index].second);
        }
        result.append(text.substr(written, begin - written)).append("•••");
        written = end;
    }
    return result.append(text.substr(written));
}

bool SecretMask::finds(std::string_view text) const
{
    return !secretSpans(text, spellings_).empty();
}

namespace {

struct ProgramSecrets {
    std::mutex mutex;
    SecretMask mask;
};

ProgramSecrets& programSecrets()
{
    static auto* const instance = new ProgramSecrets; // used until the process ends, by any thread
    return *instance;
}

} // namespace

void keepSecret(const std::string& secret)
{
    ProgramSecrets& secrets = programSecrets();
    const std::lock_guard lock(secrets.mutex);
    secrets.mask.add(secret);
}

void keepSecret(const std::string& user, const std::string& password)
{
    ProgramSecrets& secrets = programSecrets();
    const std::lock_guard lock(secrets.mutex);
    secrets.mask.add(user, password);
}

std::string withoutSecrets(std::string_view text)
{
    ProgramSecrets& secrets = programSecrets();
    const std::lock_guard lock(secrets.mutex);
    return secrets.mask.masked(text);
}

} // namespace varno
