#include "net/TransferReport.h"

#include "foundation/DiagnosticLog.h"
#include "net/CurlUrl.h"

#include <openssl/x509.h>

namespace varno {
namespace {

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

} // namespace

void logTransfer(CURL* curl, const std::string& method, const std::string& url, const Attempt& attempt,
                 const std::string& way)
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
    if (attempt.result == CURLE_OK) {
        line += std::to_string(status) + ", " + std::to_string(bytes) + " octets, " + took;
    } else {
        long verification = X509_V_OK;
        curl_easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &verification);
        line += "échec après " + took + " : curl " + std::to_string(attempt.result) + " (" + attempt.detail +
                ") ; vérification du certificat : " + X509_verify_cert_error_string(verification);
    }
    line += " ; " + way;
    qCInfo(logHttp, "%s", line.c_str());
}

VarnoError failureOf(const std::string& method, const std::string& url, const std::string& reason)
{
    return VarnoError("La requête " + method + " vers " + displayUrl(url) + " a échoué : " + reason + ".");
}

std::string failureReason(CURL* curl, const Attempt& attempt)
{
    long connectCode = 0;
    long offered = 0; // what the proxy's last 407 proposed
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    curl_easy_getinfo(curl, CURLINFO_PROXYAUTH_AVAIL, &offered);
    const std::string& proxy = attempt.proxy.display;
    const bool signOnFailed =
        attempt.asLoggedOnUser && (offered & (CURLAUTH_NTLM | CURLAUTH_NEGOTIATE)) != 0 &&
        (connectCode == 407 || attempt.result == CURLE_AUTH_ERROR || attempt.result == CURLE_RECV_ERROR);
    if (!attempt.proxy.direct() && (connectCode == 407 || signOnFailed)) {
        const std::string account =
            " ; le service informatique doit autoriser ce poste sur le proxy, ou indiquer un compte dans le réglage "
            "Proxy (http://utilisateur:motdepasse@hôte:port)";
        if (signOnFailed) {
            return "le proxy " + proxy +
                   " demande une authentification (407) que la session Windows de "
                   "l'utilisateur n'a pas pu donner (curl " +
                   std::to_string(attempt.result) + ") : ce poste n'est peut-être pas reconnu par le domaine du proxy" +
                   account;
        }
        if (attempt.proxy.user.empty()) {
            return "le proxy " + proxy + " demande une authentification (407) et aucun compte n'est indiqué" + account;
        }
        if (!attempt.basicAllowed && offered == static_cast<long>(CURLAUTH_BASIC)) {
            return "le proxy " + proxy +
                   " ne propose que l'authentification Basic (407), qui enverrait le mot de "
                   "passe en clair : aucun identifiant ne lui a été envoyé. Le service informatique peut faire "
                   "proposer NTLM ou Negotiate par le proxy, ou autoriser Basic (réglage ProxyAuth = basic)";
        }
        return "le proxy " + proxy +
               " a refusé le compte indiqué dans le réglage Proxy (407) : le nom ou le mot de "
               "passe est faux, ou ce compte n'y est pas autorisé ; le service informatique doit corriger ce réglage";
    }
    std::string detail = attempt.detail;
    if (!attempt.proxy.direct() && (connectCode == 0 || connectCode >= 300)) {
        detail += connectCode == 0 ? " ; proxy " + proxy
                                   : " ; le proxy " + proxy + " a répondu " + std::to_string(connectCode);
    }
    return transportFailureReason(attempt.result) + " (" + detail + ")";
}

} // namespace varno
