#include "sandbox/ConfiguratorPage.h"
#include "sandbox/Routes.h"

namespace varno::sandbox {

std::string configurateurXml(const std::vector<std::pair<const char*, std::string>>& children)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configurateur>";
    for (const auto& [name, text] : children) {
        xml += std::string("<") + name + ">" + escapeHtml(text) + "</" + name + ">";
    }
    return xml + "</Configurateur>\n";
}

std::optional<long long> parseRecordId(const std::string& text)
{
    try {
        std::size_t used = 0;
        const long long id = std::stoll(text, &used);
        if (used == text.size()) {
            return id;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

void addGatewayRoutes(httplib::Server& server, Store& store, const std::function<std::string()>& baseUrl)
{
    server.Get(kGatewayPath, [&store, baseUrl](const httplib::Request& request, httplib::Response& response) {
        const std::string brand = request.get_param_value("passerelle");
        const std::string email = request.get_param_value("email");
        const std::string quote = request.get_param_value("jeton");
        std::optional<long long> reopened;
        bool accepted = request.has_param("email") && request.has_param("mdp") && request.has_param("passerelle") &&
                        store.hasAccount(brand, email, request.get_param_value("mdp"));
        if (accepted && request.has_param("jeton")) {
            const std::optional<long long> id = parseRecordId(quote);
            const std::optional<Record> existing = id ? store.record(*id) : std::nullopt;
            accepted = existing && existing->brand == brand && existing->orderReference.empty();
            reopened = id;
        }
        if (!accepted) {
            response.set_content(configurateurXml({}), "text/xml; charset=utf-8");
            return;
        }
        const std::string token = store.openSession(brand, email, reopened);
        response.set_content(configurateurXml({{"Jeton", token},
                                               {"UrlConnexion", baseUrl() + "/configurateur/" + token},
                                               {"UrlRecuperation", baseUrl() + "/recuperation/" + token}}),
                             "text/xml; charset=utf-8");
    });
}

} // namespace varno::sandbox
