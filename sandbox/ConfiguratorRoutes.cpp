#include "sandbox/ConfiguratorPage.h"
#include "sandbox/Routes.h"

namespace varno::sandbox {
namespace {

Choice choiceFromForm(const httplib::Request& request)
{
    Choice choice;
    const auto number = [&](const char* name, int fallback) {
        try {
            return std::stoi(request.get_param_value(name));
        } catch (const std::exception&) {
            return fallback;
        }
    };
    choice.product = request.get_param_value("product");
    choice.widthMm = number("width", 0);
    choice.heightMm = number("height", 0);
    choice.quantity = number("quantity", 0);
    choice.location = request.get_param_value("location");
    for (std::size_t i = 0; i < request.get_param_value_count("option"); ++i) {
        choice.options.push_back(request.get_param_value("option", i));
    }
    return choice;
}

// The session a configurator page address names; otherwise answers 404 with a page saying so.
std::optional<Session> pageSession(Store& store, const httplib::Request& request, httplib::Response& response)
{
    std::optional<Session> session = store.session(request.matches[1]);
    if (!session) {
        response.status = 404;
        response.set_content(messagePage("Session inconnue", "Reconnectez-vous depuis votre logiciel."),
                             "text/html; charset=utf-8");
    }
    return session;
}

} // namespace

void addConfiguratorRoutes(httplib::Server& server, Store& store)
{
    server.Get("/configurateur/([0-9a-f]+)", [&store](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Session> session = pageSession(store, request, response);
        if (!session) {
            return;
        }
        Choice choice;
        if (session->recordId) {
            if (const std::optional<Record> record = store.record(*session->recordId)) {
                choice = choiceFromJson(record->choice);
            }
        }
        response.set_content(configuratorPage(*session, choice, ""), "text/html; charset=utf-8");
    });

    server.Post(
        "/configurateur/([0-9a-f]+)/valider", [&store](const httplib::Request& request, httplib::Response& response) {
            const std::optional<Session> session = pageSession(store, request, response);
            if (!session) {
                return;
            }
            const Choice choice = choiceFromForm(request);
            if (const std::optional<std::string> problem = invalidChoice(session->brand, choice)) {
                response.status = 422;
                response.set_content(configuratorPage(*session, choice, *problem), "text/html; charset=utf-8");
                return;
            }
            const long long id = store.saveRecord(*session, choiceJson(choice), [&](long long recordId) {
                return quotationRecordJson(recordId, session->brand, choice, false);
            });
            response.set_content(confirmationPage(*session, id, findProduct(session->brand, choice.product)->name),
                                 "text/html; charset=utf-8");
        });

    server.Get("/recuperation/([0-9a-f]+)", [&store](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Session> session = store.session(request.matches[1]);
        if (!session) {
            response.status = 404;
            response.set_content(configurateurXml({}), "text/xml; charset=utf-8");
            return;
        }
        response.set_content(
            configurateurXml({{"Jeton", session->token},
                              {"Passerelle", session->brand},
                              {"Project", session->validated ? std::to_string(*session->recordId) : ""}}),
            "text/xml; charset=utf-8");
    });
}

} // namespace varno::sandbox
