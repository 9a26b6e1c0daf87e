#include "net/TrustShare.h"

#include <array>
#include <map>
#include <mutex>

namespace varno {
namespace {

std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;

} // namespace

const Trust& trustFor(const std::string& extraCaCertificates)
{
    static std::mutex mutex;
    // Never destroyed: clients may outlive static destruction.
    static auto* const trusts = new std::map<std::string, Trust>;
    const std::lock_guard lock(mutex);
    const auto found = trusts->find(extraCaCertificates);
    if (found != trusts->end()) {
        return found->second;
    }
    // Where curl was built to find the system's roots.
    const curl_version_info_data* curlInfo = curl_version_info(CURLVERSION_NOW);
    Trust trust{newTrustedStore(extraCaCertificates, {curlInfo->capath, curlInfo->cainfo}), curl_share_init()};
    curl_share_setopt(
        trust.share, CURLSHOPT_LOCKFUNC,
        +[](CURL*, curl_lock_data data, curl_lock_access, void*) { shareLocks.at(data).lock(); });
    curl_share_setopt(
        trust.share, CURLSHOPT_UNLOCKFUNC, +[](CURL*, curl_lock_data data, void*) { shareLocks.at(data).unlock(); });
    for (const curl_lock_data data : {CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_DNS}) {
        curl_share_setopt(trust.share, CURLSHOPT_SHARE, data);
    }
    return trusts->emplace(extraCaCertificates, std::move(trust)).first->second;
}

} // namespace varno
