#pragma once

#include <string>

namespace varno {

// Opens an address in the user's default web browser.
class Browser {
public:
    virtual ~Browser() = default;
    virtual void open(const std::string& url) = 0;
};

} // namespace varno
