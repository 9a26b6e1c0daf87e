#pragma once

#include <QByteArray>

#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The secrets a text must never show, found however they are spelt. A text is searched as it is and
// after each round of decoding until nothing changes (percent-encoding in either case and repeated, form
// encoding's "+", JSON string escapes, XML references), so a secret that an address, a server's reason
// text or a JSON or XML body carries in any of these is found without listing spellings; a secret is
// found with its case changed. The Base64 forms of each secret (and of a Basic pair) are secrets too,
// whole as an Authorization header carries them, and wherever the secret stood in the text encoded.
class SecretMask {
public:
    // Below this length a secret would mask ordinary words; none of the program's secrets is that short.
    static constexpr std::size_t kShortest = 3;

    void add(const std::string& secret);
    // A Basic pair: the password, and the Base64 of "user:password".
    void add(const std::string& user, const std::string& password);

    // The text with each secret, in whatever spelling, replaced by "•••".
    std::string masked(std::string_view text) const;
    // Whether the text shows a secret in any spelling.
    bool finds(std::string_view text) const;

    struct Spelling {
        std::string text; // case folded when anyCase
        bool anyCase;
        bool operator==(const Spelling&) const = default;
    };

private:
    void addBase64Of(const QByteArray& bytes);
    void addSpelling(const std::string& spelling, bool anyCase);

    std::vector<Spelling> spellings_; // each secret, and its Base64 forms
};

// The secrets this run handles, kept out of the diagnostic log and out of every message shown: masked in
// any spelling, by any thread.
void keepSecret(const std::string& secret);
// The same for a Basic pair, also masked as the Base64 of "user:password" that its header carries.
void keepSecret(const std::string& user, const std::string& password);
// The text with every secret kept so far masked.
std::string withoutSecrets(std::string_view text);

} // namespace varno
