#include "net/ProbeReport.h"

#include "foundation/Owned.h"

#include <openssl/bio.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <array>
#include <ctime>

namespace varno {
namespace {

using Bio = Owned<BIO, BIO_free>;

std::string nameText(const X509_NAME* name)
{
    const Bio out(BIO_new(BIO_s_mem()));
    if (!out || name == nullptr || X509_NAME_print_ex(out.get(), name, 0, XN_FLAG_RFC2253) < 0) {
        return {};
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(out.get(), &data);
    return {data, static_cast<std::size_t>(size)};
}

std::string dayOf(const ASN1_TIME* time)
{
    std::tm day{};
    std::array<char, 16> text{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &day) != 1 ||
        std::strftime(text.data(), text.size(), "%Y-%m-%d", &day) == 0) {
        return {};
    }
    return text.data();
}

bool isTlsFailure(CURLcode code)
{
    switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return true;
    default:
        return false;
    }
}

// Where the transfer stopped, from curl's code and the times it reached each stage.
ProbeFacts::Step stepOf(CURL* curl, const Attempt& attempt)
{
    using Step = ProbeFacts::Step;
    long connectCode = 0;
    curl_off_t connected = 0;
    curl_off_t secured = 0;
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected);
    curl_easy_getinfo(curl, CURLINFO_APPCONNECT_TIME_T, &secured);
    const bool tunnelRefused = !attempt.proxy.direct() && connectCode != 0 && connectCode != 200;
    if (attempt.result == CURLE_COULDNT_RESOLVE_HOST || attempt.result == CURLE_COULDNT_RESOLVE_PROXY) {
        return Step::Resolution;
    }
    if (tunnelRefused || attempt.result == CURLE_COULDNT_CONNECT) {
        return Step::Connection;
    }
    if (isTlsFailure(attempt.result)) {
        return Step::Tls;
    }
    // Otherwise the times tell how far it went (none is kept of a stage not reached); through a proxy, a
    // tunnel that never opened is still the connection's.
    if (connected == 0 || (secured == 0 && !attempt.proxy.direct() && connectCode == 0)) {
        return Step::Connection;
    }
    return secured == 0 ? Step::Tls : Step::Http;
}

} // namespace

void recordPeer(X509_STORE_CTX* context, bool trusted, ProbeFacts& facts)
{
    const auto* ssl =
        static_cast<const SSL*>(X509_STORE_CTX_get_ex_data(context, SSL_get_ex_data_X509_STORE_CTX_idx()));
    facts.protocol = ssl != nullptr ? SSL_get_version(ssl) : "";
    X509* leaf = X509_STORE_CTX_get0_cert(context);
    if (leaf != nullptr) {
        facts.subject = nameText(X509_get_subject_name(leaf));
        facts.issuer = nameText(X509_get_issuer_name(leaf));
        facts.notAfter = dayOf(X509_get0_notAfter(leaf));
    }
    facts.trustedBy.clear();
    if (!trusted) {
        return;
    }
    // OpenSSL's chain ends at the root it trusted; where Windows vouched instead, it ends short of one.
    STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(context);
    const int length = chain != nullptr ? sk_X509_num(chain) : 0;
    X509* last = length > 0 ? sk_X509_value(chain, length - 1) : nullptr;
    facts.trustedBy = last != nullptr && X509_check_issued(last, last) == X509_V_OK
                          ? "la racine « " + nameText(X509_get_subject_name(last)) + " »"
                          : "le magasin de certificats de Windows";
}

void recordOutcome(CURL* curl, const Attempt& attempt, ProbeFacts& facts)
{
    const char* address = nullptr;
    curl_easy_getinfo(curl, CURLINFO_PRIMARY_IP, &address);
    facts.address = address != nullptr ? address : "";
    curl_easy_getinfo(curl, CURLINFO_PRIMARY_PORT, &facts.port);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &facts.status);
    if (attempt.result == CURLE_OK) {
        facts.failedAt = facts.status >= 500 ? ProbeFacts::Step::Http : ProbeFacts::Step::None;
        if (facts.failedAt == ProbeFacts::Step::Http) {
            facts.failure = "le serveur a répondu « " + std::to_string(facts.status) +
                            (facts.reasonPhrase.empty() ? "" : " " + facts.reasonPhrase) + " »";
        }
        return;
    }
    facts.failedAt = stepOf(curl, attempt);
    facts.failure = failureReason(curl, attempt);
    long verification = X509_V_OK;
    curl_easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &verification);
    if (verification == X509_V_ERR_CERT_NOT_YET_VALID || verification == X509_V_ERR_CERT_HAS_EXPIRED) {
        facts.failure += " ; si le certificat est à jour, la date et l'heure de cet ordinateur sont fausses";
    }
}

} // namespace varno
