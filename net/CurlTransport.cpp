#include "net/Transport.h"

#include "foundation/DiagnosticLog.h"
#include "foundation/Error.h"
#include "foundation/Owned.h"
#include "net/CurlUrl.h"
#include "net/HttpText.h"
#include "net/PeerVerification.h"
#include "net/ProxyRoute.h"
#include "net/TrustStore.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <array>
#include <map>
#include <memory>
#include <mutex>

namespace varno {
namespace {

using EasyHandle = Owned<CURL, curl_easy_cleanup>;
using HeaderList = Owned<curl_slist, curl_slist_free_all>;

std::string transportFailureReason(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "nom de serveur introuvable";
    case CURLE_COULDNT_CONNECT:
        return "connexion au serveur impossible";
    case CURLE_OPERATION_TIMEDOUT:
        return "le serveur ne répond pas (délai d'attente dépassé)";
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return "le certificat du serveur n'est pas reconnu";
    case CURLE_SSL_CONNECT_ERROR:
        return "échec de l'établissement de la connexion sécurisée";
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return "adresse invalide";
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return "la connexion a été interrompue";
    default:
        return "erreur de communication";
    }
}

// What every connection of a trust setting shares, built once per process: the trusted store (the
// system's roots plus the extra CAs), and a share through which clients resume each other's TLS
// sessions and reuse name lookups; a handshake that reloaded the roots paid their cost again.
// Connections stay each client's own (a client reuses its own): one kept open after its client has gone
// would only hold the server.
struct Trust {
    TrustedStore store;
    CURLSH* share;
};

std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks;

const Trust& trustFor(const std::string& extraCaCertificates)
{
    static std::mutex mutex;
    // Lives as long as the process, and is never destroyed: clients may outlive static destruction.
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

// What a connection's TLS context is given: the shared store in place of one loaded for it, and the
// verification that may ask Windows too, told the host the address names.
struct TlsSetting {
    X509_STORE* store = nullptr;
    std::string host;
};

CURLcode prepareTlsContext(CURL*, void* sslContext, void* setting)
{
    auto* context = static_cast<SSL_CTX*>(sslContext);
    auto* tls = static_cast<TlsSetting*>(setting);
    SSL_CTX_set1_cert_store(context, tls->store);
    SSL_CTX_set_cert_verify_callback(context, verifyPeerChain, &tls->host);
    return CURLE_OK;
}

struct Answer {
    std::string body;
    std::size_t limit;
    bool tooLarge = false;
};

size_t appendWithinLimit(char* data, size_t size, size_t count, void* target)
{
    auto& answer = *static_cast<Answer*>(target);
    if (answer.body.size() + size * count > answer.limit) {
        answer.tooLarge = true;
        return 0; // ends the transfer
    }
    answer.body.append(data, size * count);
    return size * count;
}

// Keeps the reason phrase of the last status line ("HTTP/1.1 404 Not Found").
size_t keepReasonPhrase(char* data, size_t size, size_t count, void* target)
{
    const std::string line(data, size * count);
    if (line.starts_with("HTTP/")) {
        auto& reason = *static_cast<std::string*>(target);
        const auto code = line.find(' ');
        const auto phrase = code == std::string::npos ? std::string::npos : line.find(' ', code + 1);
        reason = phrase == std::string::npos ? std::string() : trimBlanks(line.substr(phrase + 1));
    }
    return size * count;
}

// curl's progress callback: a non-zero answer ends the transfer.
int abandonWhenAsked(void* abandoned, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return (*static_cast<const std::function<bool()>*>(abandoned))() ? 1 : 0;
}

// One line per request in the diagnostic log: what was asked, what came back, or why it failed.
void logTransfer(CURL* curl, const std::string& method, const std::string& url, CURLcode result,
                 const std::string& detail, const std::string& way)
{
    if (!logHttp().isInfoEnabled()) {
        return;
    }
    long status = 0;
    curl_off_t bytes = 0;
    curl_off_t microseconds = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME_T, &microseconds);
    const std::string took = std::to_string(microseconds / 1000) + " ms";
    std::string line = method + " " + displayUrl(url) + " : ";
    if (result == CURLE_OK) {
        line += std::to_string(status) + ", " + std::to_string(bytes) + " octets, " + took;
    } else {
        long verification = X509_V_OK;
        curl_easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &verification);
        line += "échec après " + took + " : curl " + std::to_string(result) + " (" + detail +
                ") ; vérification du certificat : " + X509_verify_cert_error_string(verification);
    }
    line += " ; " + way;
    qCInfo(logHttp, "%s", line.c_str());
}

VarnoError failureOf(const std::string& method, const std::string& url, const std::string& reason)
{
    return VarnoError("La requête " + method + " vers " + displayUrl(url) + " a échoué : " + reason + ".");
}

// The request's headers, those for its own origin only where the hop is there, and no 100-continue
// round trip before a body.
HeaderList headerList(const HttpRequest& request, bool sameOrigin)
{
    HeaderList list;
    const auto add = [&list](const std::string& line) {
        curl_slist* longer = curl_slist_append(list.get(), line.c_str());
        if (longer == nullptr) { // the list is left as it was
            throw std::bad_alloc();
        }
        static_cast<void>(list.release()); // the same list, longer
        list.reset(longer);
    };
    for (const HttpHeader& header : request.headers) {
        add(header.name + ": " + header.value);
    }
    add("Expect:");
    if (sameOrigin) {
        for (const HttpHeader& header : request.originHeaders) {
            add(header.name + ": " + header.value);
        }
    }
    return list;
}

// Takes back from curl what points into an exchange's own values, however the exchange ends.
void forgetExchange(CURL* curl)
{
    for (const CURLoption option : {CURLOPT_HTTPHEADER, CURLOPT_ERRORBUFFER, CURLOPT_WRITEDATA, CURLOPT_HEADERDATA}) {
        curl_easy_setopt(curl, option, nullptr);
    }
}

bool isRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Whether a transfer through a proxy failed before the proxy answered anything (unreachable, or its
// name unknown): the route's next entry may then be tried, nothing having been sent.
bool proxyUnreachable(CURL* curl, CURLcode result)
{
    long connectCode = 0;
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    return connectCode == 0 && (result == CURLE_COULDNT_CONNECT || result == CURLE_COULDNT_RESOLVE_PROXY);
}

} // namespace

// One client's transfers: a curl handle (its cookies, its connections) and the client's options.
class CurlTransport final : public Transport {
public:
    explicit CurlTransport(HttpClientOptions options);
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    std::optional<HttpResponse> send(const HttpRequest& request, std::string& failure) noexcept override;

private:
    // Where a request stands as it follows redirects.
    struct Hop {
        std::string url;
        std::string method;
        bool sameOrigin = true; // as the request's first address: credentials and origin headers go only there
    };

    HttpResponse perform(const HttpRequest& request);
    std::string exchange(const HttpRequest& request, const Hop& hop, std::string& reasonPhrase);
    void setMethod(const HttpRequest& request, const Hop& hop);
    void setCredentials(const BasicCredentials* credentials);
    void setProxy(const std::string& proxy);
    void follow(Hop& hop, const std::string& location, long status, int redirects) const;

    HttpClientOptions options_;
    TlsSetting tls_;
    std::string proxyAddress_; // what curl is given for the current transfer
    std::string proxyUser_;
    std::string proxyPassword_;
    EasyHandle curl_;
};

CurlTransport::CurlTransport(HttpClientOptions options) : options_(std::move(options))
{
    static std::once_flag globalInit;
    std::call_once(globalInit, [] {
        // OpenSSL whatever CURL_SSL_BACKEND says: the shared store is given through its TLS context.
        curl_global_sslset(CURLSSLBACKEND_OPENSSL, nullptr, nullptr);
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
    curl_.reset(curl_easy_init());
    if (!curl_) {
        throw VarnoError("Le client HTTP n'a pas pu être créé.");
    }
    // What stays the same for every request of this client; each request sets the rest.
    CURL* curl = curl_.get();
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, ""); // the cookie engine, in memory only
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // The way out is set for each transfer (see setProxy): nothing is taken from the environment.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    curl_easy_setopt(curl, CURLOPT_HTTPPROXYTUNNEL, 1L); // HTTPS through CONNECT, verified end to end
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);  // followed here, to keep credentials at home
    curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    // No file for curl to load at each handshake: the shared store is given instead.
    curl_easy_setopt(curl, CURLOPT_CAINFO, nullptr);
    curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
    const Trust& trust = trustFor(options_.extraCaCertificates);
    curl_easy_setopt(curl, CURLOPT_SHARE, trust.share);
    if (curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, prepareTlsContext) != CURLE_OK) {
        throw VarnoError("Le client HTTP n'a pas pu être créé : la bibliothèque TLS n'est pas OpenSSL.");
    }
    tls_.store = trust.store.get();
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, &tls_);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(options_.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options_.stallTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, options_.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 512L * 1024); // a record can carry megabytes of picture
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(options_.totalTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendWithinLimit);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, keepReasonPhrase);
    if (options_.abandoned) {
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abandonWhenAsked);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &options_.abandoned);
    }
}

CurlTransport::~CurlTransport() = default;

std::optional<HttpResponse> CurlTransport::send(const HttpRequest& request, std::string& failure) noexcept
{
    try {
        return perform(request);
    } catch (const VarnoError& error) {
        failure = error.what();
    } catch (const std::exception& error) {
        failure = std::string("Erreur interne du client HTTP : ") + error.what();
    }
    return std::nullopt;
}

// The request, and the redirects it meets, each checked before it is followed.
HttpResponse CurlTransport::perform(const HttpRequest& request)
{
    const std::string firstOrigin = originOf(request.url);
    Hop hop{request.url, request.method};
    if (!isHttpScheme(hop.url)) {
        throw failureOf(hop.method, hop.url, "adresse invalide");
    }
    for (int redirects = 0;; ++redirects) {
        hop.sameOrigin = originOf(hop.url) == firstOrigin;
        std::string reasonPhrase;
        std::string body = exchange(request, hop, reasonPhrase);
        long status = 0;
        curl_easy_getinfo(curl_.get(), CURLINFO_RESPONSE_CODE, &status);
        const char* location = nullptr;
        curl_easy_getinfo(curl_.get(), CURLINFO_REDIRECT_URL, &location);
        if (isRedirect(status) && location != nullptr) {
            follow(hop, location, status, redirects);
            continue;
        }
        if (status < 200 || status > 299) {
            throw failureOf(hop.method, hop.url,
                            "le serveur a répondu « " + std::to_string(status) +
                                (reasonPhrase.empty() ? "" : " " + reasonPhrase) + " »");
        }
        const char* contentType = nullptr;
        curl_easy_getinfo(curl_.get(), CURLINFO_CONTENT_TYPE, &contentType);
        return {static_cast<int>(status), contentType != nullptr ? contentType : "", std::move(body)};
    }
}

// One exchange with the hop's address: its options and headers set, the transfer run and logged. A
// transfer that failed is thrown; otherwise the body received, and the status line's reason phrase.
std::string CurlTransport::exchange(const HttpRequest& request, const Hop& hop, std::string& reasonPhrase)
{
    CURL* curl = curl_.get();
    Answer received{{}, options_.maxAnswerBytes};
    std::array<char, CURL_ERROR_SIZE> errorText{};
    const HeaderList headers = headerList(request, hop.sameOrigin);
    curl_easy_setopt(curl, CURLOPT_URL, hop.url.c_str());
    tls_.host = hostOf(hop.url);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText.data());
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reasonPhrase);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    const Owned<CURL, forgetExchange> forgetOnExit(curl);
    setMethod(request, hop);
    setCredentials(request.credentials.has_value() && hop.sameOrigin ? &*request.credentials : nullptr);

    const ProxyRoute route = proxyRouteFor(options_.proxy, hop.url);
    CURLcode result = CURLE_OK;
    std::string detail;
    std::string proxy;
    for (std::size_t entry = 0; entry < route.proxies.size(); ++entry) {
        proxy = route.proxies[entry];
        setProxy(proxy);
        errorText[0] = '\0';
        received.body.clear();
        const auto transfer = [&] { result = curl_easy_perform(curl); };
        options_.runTransfer ? options_.runTransfer(transfer) : transfer();
        detail = trimBlanks(errorText[0] != '\0' ? errorText.data() : curl_easy_strerror(result));
        logTransfer(curl, hop.method, hop.url, result, detail,
                    (proxy.empty() ? std::string("direct") : "via " + proxyForDisplay(proxy)) + " ; " + route.reason);
        if (proxy.empty() || !proxyUnreachable(curl, result)) {
            break;
        }
    }
    long connectCode = 0;
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (!proxy.empty() && connectCode == 407) {
        throw failureOf(hop.method, hop.url,
                        "le proxy " + proxyForDisplay(proxy) +
                            " demande une authentification (407) que le programme ne peut pas donner ; le service "
                            "informatique doit autoriser ce poste sur le proxy, ou indiquer un compte dans le réglage "
                            "Proxy (http://utilisateur:motdepasse@hôte:port)");
    }
    if (!proxy.empty() && result != CURLE_OK && (connectCode == 0 || connectCode >= 300)) {
        detail += connectCode == 0
                      ? " ; proxy " + proxyForDisplay(proxy)
                      : " ; le proxy " + proxyForDisplay(proxy) + " a répondu " + std::to_string(connectCode);
    }
    if (received.tooLarge) {
        throw failureOf(hop.method, hop.url,
                        "la réponse dépasse " + std::to_string(options_.maxAnswerBytes >> 20) + " Mo");
    }
    if (result != CURLE_OK) {
        throw failureOf(hop.method, hop.url, transportFailureReason(result) + " (" + detail + ")");
    }
    return std::move(received.body);
}

void CurlTransport::setMethod(const HttpRequest& request, const Hop& hop)
{
    CURL* curl = curl_.get();
    if (hop.method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }
}

// The way out for one transfer: direct (empty), or a proxy reached over a CONNECT tunnel. Credentials
// written in the proxy's address serve Basic, NTLM or Negotiate; without them, on Windows, NTLM or
// Negotiate as the logged-on user (SSPI); the person is never asked.
void CurlTransport::setProxy(const std::string& proxy)
{
    CURL* curl = curl_.get();
    const ParsedUrl parts = proxy.empty() ? nullptr : parsed(proxy, CURLU_NON_SUPPORT_SCHEME);
    const std::string user = parts ? partOf(parts, CURLUPART_USER, CURLU_URLDECODE) : std::string();
    const std::string password = parts ? partOf(parts, CURLUPART_PASSWORD, CURLU_URLDECODE) : std::string();
    if (parts) {
        curl_url_set(parts.get(), CURLUPART_USER, nullptr, 0);
        curl_url_set(parts.get(), CURLUPART_PASSWORD, nullptr, 0);
    }
    proxyAddress_ = parts ? partOf(parts, CURLUPART_URL) : std::string();
    proxyUser_ = user;
    proxyPassword_ = password;
    curl_easy_setopt(curl, CURLOPT_PROXY, proxyAddress_.c_str());
    if (!user.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxyUser_.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH,
                         static_cast<long>(CURLAUTH_BASIC | CURLAUTH_NTLM | CURLAUTH_NEGOTIATE));
    } else {
#ifdef _WIN32
        curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":");
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
#else
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, nullptr);
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, nullptr);
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NONE));
#endif
    }
}

void CurlTransport::setCredentials(const BasicCredentials* credentials)
{
    CURL* curl = curl_.get();
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(credentials ? CURLAUTH_BASIC : CURLAUTH_NONE));
    curl_easy_setopt(curl, CURLOPT_USERNAME, credentials ? credentials->user.c_str() : nullptr);
    curl_easy_setopt(curl, CURLOPT_PASSWORD, credentials ? credentials->password.c_str() : nullptr);
}

// Checks a redirect's target, then moves the hop there with the method browsers would use.
void CurlTransport::follow(Hop& hop, const std::string& location, long status, int redirects) const
{
    if (redirects >= options_.maxRedirects) {
        throw failureOf(hop.method, hop.url,
                        "trop de redirections (plus de " + std::to_string(options_.maxRedirects) + ")");
    }
    if (!isHttpScheme(location)) {
        throw failureOf(hop.method, hop.url, "redirection vers une adresse invalide");
    }
    // Never from https down to plain http, where the cookies and the answer would travel in clear.
    if (!originOf(location).starts_with("https://")) {
        throw failureOf(hop.method, hop.url,
                        "redirection vers une adresse non sécurisée (" + displayUrl(location) + ")");
    }
    hop.url = location;
    // As browsers do: 303 always, 301 and 302 after a POST, go on with a GET.
    if (status == 303 || (hop.method == "POST" && (status == 301 || status == 302))) {
        hop.method = "GET";
    }
}

extern "C" Transport* varnoCreateTransport(const HttpClientOptions* options, std::string* failure)
{
    try {
        return new CurlTransport(*options);
    } catch (const std::exception& error) {
        *failure = error.what();
        return nullptr;
    }
}

} // namespace varno
