#include "net/Transport.h"

#include "foundation/DiagnosticLog.h"
#include "foundation/Error.h"
#include "foundation/Owned.h"
#include "net/CurlUrl.h"
#include "net/HttpText.h"
#include "net/PeerVerification.h"
#include "net/ProbeReport.h"
#include "net/ProxyRoute.h"
#include "net/TransferReport.h"
#include "net/TrustShare.h"

#include <QByteArray>
#include <QScopeGuard>

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <array>
#include <mutex>

namespace varno {
namespace {

using EasyHandle = Owned<CURL, curl_easy_cleanup>;
using HeaderList = Owned<curl_slist, curl_slist_free_all>;

// What a connection's TLS context is given: the shared store in place of one loaded for it, and the
// verification that may ask Windows too, told the host the address names; during a probe, where its
// findings go.
struct TlsSetting {
    X509_STORE* store = nullptr;
    std::string host;
    ProbeFacts* facts = nullptr;
};

int verifyAndRecord(X509_STORE_CTX* context, void* setting)
{
    auto* tls = static_cast<TlsSetting*>(setting);
    const int verified = verifyPeerChain(context, &tls->host);
    recordPeer(context, verified == 1, *tls->facts);
    return verified;
}

CURLcode prepareTlsContext(CURL*, void* sslContext, void* setting)
{
    auto* context = static_cast<SSL_CTX*>(sslContext);
    auto* tls = static_cast<TlsSetting*>(setting);
    SSL_CTX_set1_cert_store(context, tls->store);
    if (tls->facts != nullptr) {
        SSL_CTX_set_cert_verify_callback(context, verifyAndRecord, tls);
    } else {
        SSL_CTX_set_cert_verify_callback(context, verifyPeerChain, &tls->host);
    }
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

// What the last answer's head told besides its status.
struct ResponseHead {
    std::string reasonPhrase; // of the status line ("HTTP/1.1 404 Not Found")
    std::string date;
};

size_t keepResponseHead(char* data, size_t size, size_t count, void* target)
{
    const std::string line(data, size * count);
    auto& head = *static_cast<ResponseHead*>(target);
    if (line.starts_with("HTTP/")) {
        const auto code = line.find(' ');
        const auto phrase = code == std::string::npos ? std::string::npos : line.find(' ', code + 1);
        head = {phrase == std::string::npos ? std::string() : trimBlanks(line.substr(phrase + 1)), {}};
    } else if (QByteArray::fromStdString(line.substr(0, 5)).toLower() == "date:") {
        head.date = trimBlanks(line.substr(5));
    }
    return size * count;
}

// curl's progress callback: a non-zero answer ends the transfer.
int abandonWhenAsked(void* abandoned, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return (*static_cast<const std::function<bool()>*>(abandoned))() ? 1 : 0;
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

// Whether curl signs on to a proxy as the logged-on user when no account is given (Windows' SSPI).
bool signsOnAsUser()
{
    return (curl_version_info(CURLVERSION_NOW)->features & CURL_VERSION_SSPI) != 0;
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
    void probe(const std::string& url, ProbeFacts& facts) noexcept override;

private:
    // Where a request stands as it follows redirects.
    struct Hop {
        std::string url;
        std::string method;
        Origin origin;
        bool sameOrigin = true; // as the request's first address: credentials and origin headers go only there
    };

    HttpResponse perform(const HttpRequest& request);
    std::string exchange(const HttpRequest& request, const Hop& hop, std::string& reasonPhrase);
    Attempt transfer(const HttpRequest& request, const Hop& hop, const ProxyRoute& route, Answer& received,
                     ResponseHead& head);
    Attempt sendAlongRoute(const Hop& hop, const ProxyRoute& route, Answer& received,
                           std::array<char, CURL_ERROR_SIZE>& errorText);
    void setMethod(const HttpRequest& request, const Hop& hop);
    void setCredentials(const BasicCredentials* credentials);
    void setProxy(const ProxyAddress& proxy);
    void follow(Hop& hop, const std::string& location, long status, int redirects) const;

    HttpClientOptions options_;
    TlsSetting tls_;
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
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, keepResponseHead);
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
    const Origin firstOrigin = originOf(request.url);
    Hop hop{request.url, request.method, firstOrigin};
    if (!isHttpScheme(hop.url)) {
        throw failureOf(hop.method, hop.url, "adresse invalide");
    }
    for (int redirects = 0;; ++redirects) {
        hop.sameOrigin = hop.origin == firstOrigin;
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

// One exchange with the hop's address. A transfer that failed is thrown; otherwise the body received,
// and the status line's reason phrase.
std::string CurlTransport::exchange(const HttpRequest& request, const Hop& hop, std::string& reasonPhrase)
{
    Answer received{{}, options_.maxAnswerBytes};
    ResponseHead head;
    const Attempt attempt = transfer(request, hop, proxyRouteFor(options_.proxy, hop.origin), received, head);
    reasonPhrase = head.reasonPhrase;
    if (received.tooLarge) {
        throw failureOf(hop.method, hop.url,
                        "la réponse dépasse " + std::to_string(options_.maxAnswerBytes >> 20) + " Mo");
    }
    if (attempt.result != CURLE_OK) {
        throw failureOf(hop.method, hop.url, failureReason(curl_.get(), attempt));
    }
    return std::move(received.body);
}

// One transfer to the hop's address along the route: its options and headers set, run and logged.
Attempt CurlTransport::transfer(const HttpRequest& request, const Hop& hop, const ProxyRoute& route, Answer& received,
                                ResponseHead& head)
{
    CURL* curl = curl_.get();
    std::array<char, CURL_ERROR_SIZE> errorText{};
    const HeaderList headers = headerList(request, hop.sameOrigin);
    curl_easy_setopt(curl, CURLOPT_URL, hop.url.c_str());
    tls_.host = hop.origin.host;
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText.data());
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &head);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    const auto forget = qScopeGuard([curl] { forgetExchange(curl); });
    setMethod(request, hop);
    setCredentials(request.credentials.has_value() && hop.sameOrigin ? &*request.credentials : nullptr);
    return sendAlongRoute(hop, route, received, errorText);
}

// The look of the connection check: a GET on a connection of its own, with a TLS handshake of its own (no
// session resumed), so that every step is taken and seen.
void CurlTransport::probe(const std::string& url, ProbeFacts& facts) noexcept
{
    CURL* curl = curl_.get();
    const auto restore = qScopeGuard([this, curl] {
        tls_.facts = nullptr;
        curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_SESSIONID_CACHE, 1L);
    });
    try {
        const Hop hop{url, "GET", originOf(url)};
        if (!isHttpScheme(url)) {
            throw VarnoError("adresse invalide");
        }
        const ProxyRoute route = proxyRouteFor(options_.proxy, hop.origin);
        facts.failedAt = ProbeFacts::Step::Resolution;
        tls_.facts = &facts;
        curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_SESSIONID_CACHE, 0L);
        constexpr std::size_t kEnoughOfAPage = std::size_t{64} << 10; // the status is what counts
        Answer received{{}, kEnoughOfAPage};
        ResponseHead head;
        Attempt attempt = transfer(HttpRequest{.url = url}, hop, route, received, head);
        if (received.tooLarge) {
            attempt.result = CURLE_OK;
        }
        facts.throughProxy = !attempt.proxy.direct();
        facts.route = route.reason;
        if (route.proxies.size() > 1) {
            facts.route += " ; entrée prise : " + (facts.throughProxy ? attempt.proxy.display : std::string("DIRECT"));
        }
        facts.resolvedName = facts.throughProxy ? attempt.proxy.host : hop.origin.host;
        facts.reasonPhrase = head.reasonPhrase;
        facts.date = head.date;
        facts.serverTime = head.date.empty() ? -1 : static_cast<std::int64_t>(curl_getdate(head.date.c_str(), nullptr));
        recordOutcome(curl, attempt, facts);
    } catch (const std::exception& error) {
        facts.failure = error.what();
    }
}

// The transfer along the route's entries in order, each next one tried only where the proxy before it
// could not be reached (nothing was sent); each try logged.
Attempt CurlTransport::sendAlongRoute(const Hop& hop, const ProxyRoute& route, Answer& received,
                                      std::array<char, CURL_ERROR_SIZE>& errorText)
{
    CURL* curl = curl_.get();
    Attempt attempt;
    for (const ProxyAddress& proxy : route.proxies) {
        attempt.proxy = proxy;
        attempt.basicAllowed = options_.proxy.basicAllowed;
        attempt.asLoggedOnUser = !proxy.direct() && proxy.user.empty() && signsOnAsUser();
        setProxy(proxy);
        errorText[0] = '\0';
        received.body.clear();
        const auto transfer = [&] { attempt.result = curl_easy_perform(curl); };
        options_.runTransfer ? options_.runTransfer(transfer) : transfer();
        attempt.detail = trimBlanks(errorText[0] != '\0' ? errorText.data() : curl_easy_strerror(attempt.result));
        logTransfer(curl, hop.method, hop.url, attempt,
                    (proxy.direct() ? std::string("direct") : "via " + proxy.display) + " ; " + route.reason);
        if (proxy.direct() || !proxyUnreachable(curl, attempt.result)) {
            break;
        }
    }
    return attempt;
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

// The way out for one transfer: direct, or a proxy reached over a CONNECT tunnel. An account given with
// the proxy serves what it can: Negotiate then NTLM where curl has SSPI (Windows), NTLM elsewhere (curl's
// Negotiate there goes through Kerberos, which ignores the account), Basic only where IT allows it.
// Without an account, where curl has SSPI, Negotiate or NTLM as the logged-on user. The person is never
// asked.
void CurlTransport::setProxy(const ProxyAddress& proxy)
{
    CURL* curl = curl_.get();
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.host.c_str()); // "" is direct
    curl_easy_setopt(curl, CURLOPT_PROXYPORT, static_cast<long>(proxy.port));
    curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    const unsigned long windows = signsOnAsUser() ? CURLAUTH_NEGOTIATE : 0;
    if (!proxy.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
        const unsigned long basic = options_.proxy.basicAllowed ? CURLAUTH_BASIC : 0;
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NTLM | windows | basic));
    } else if (signsOnAsUser()) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":");
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
    } else {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, nullptr);
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, nullptr);
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_NONE));
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
    const Origin target = originOf(location);
    if (target.scheme != "https") {
        throw failureOf(hop.method, hop.url,
                        "redirection vers une adresse non sécurisée (" + displayUrl(location) + ")");
    }
    hop.url = location;
    hop.origin = target;
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
