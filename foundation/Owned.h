#pragma once

#include <memory>

namespace varno {

// A C library's handle, released by the function its library gives for it when the owner goes:
// Owned<CURL, curl_easy_cleanup>. A release that takes more than the handle is written as a
// captureless lambda, +[](HCERTSTORE store) { CertCloseStore(store, 0); }.
template <auto Release> struct ReleaseWith {
    template <typename Handle> void operator()(Handle* handle) const { Release(handle); }
};

template <typename Handle, auto Release> using Owned = std::unique_ptr<Handle, ReleaseWith<Release>>;

} // namespace varno
