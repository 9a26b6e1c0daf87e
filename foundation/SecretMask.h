#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varno {

// The secrets a text must never show, found however they are spelt. A text is searched as it is and
// after each round of decoding (percent-encoding in either case and repeated, form encoding's "+",
// JSON string escapes, XML references), so a secret that an address, a server's reason text or a JSON
// or XML body carries in any of these is found without listing spellings; a secret made of hexadecimal
// digits alone is found in either case. The Base64 forms of each secret (and of a Basic pair) are
// secrets too, being what an Authorization header carries.
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

private:
    void addSpelling(const std::string& spelling);

    std::vector<std::string> spellings_; // each secret as is, and its Base64 forms
};

} // namespace varno
