#pragma once

#include "seams/Browser.h"

namespace varno {

// The user's default browser, through the desktop's "open" action.
class DesktopBrowser final : public Browser {
public:
    void open(const std::string& url) override;
};

} // namespace varno
