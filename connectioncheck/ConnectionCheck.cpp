#include "connectioncheck/ConnectionCheck.h"

#include "foundation/Error.h"
#include "foundation/SecretMask.h"
#include "foundation/Version.h"
#include "net/HttpClient.h"

#include <array>
#include <cstdlib>

namespace varno {
namespace {

using Outcome = CheckStep::Outcome;
using Step = ProbeFacts::Step;

// Kerberos, which an office's proxy may use, refuses a clock five minutes off; a certificate's dates are
// judged by the same clock.
constexpr qint64 kClockTolerance = qint64{5} * 60;

const char* const kNotTried = "non vérifié : une étape précédente a échoué";

std::string duration(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    if (hours > 0) {
        return std::to_string(hours) + " h " + QString::number(minutes).rightJustified(2, '0').toStdString() + " min";
    }
    return minutes > 0 ? std::to_string(minutes) + " min " + std::to_string(seconds % 60) + " s"
                       : std::to_string(seconds) + " s";
}

CheckStep clockStep(const ProbeFacts& facts, const Clock& clock)
{
    CheckStep step{"Horloge", Outcome::NotTried, "le serveur n'a pas donné sa date (en-tête Date)"};
    if (facts.serverTime < 0) {
        return step;
    }
    const qint64 ahead = clock.now().toSecsSinceEpoch() - facts.serverTime;
    const std::string serverDate = " (Date du serveur : " + facts.date + ")";
    if (std::llabs(ahead) <= kClockTolerance) {
        return {step.name, Outcome::Passed,
                "écart de " + duration(std::llabs(ahead)) + " avec le serveur" + serverDate};
    }
    return {step.name, Outcome::Failed,
            "l'horloge de cet ordinateur a " + duration(std::llabs(ahead)) + (ahead > 0 ? " d'avance" : " de retard") +
                " sur celle du serveur" + serverDate +
                " : réglez la date et l'heure de ce poste, faute de quoi un certificat peut paraître expiré ou pas "
                "encore valable"};
}

// The address's lines from what the probe met: those before the step that failed passed, those after
// it were not tried.
std::vector<CheckStep> addressSteps(const ProbeFacts& facts, const Clock& clock)
{
    const std::string certificate =
        "certificat « " + facts.subject + " » émis par « " + facts.issuer + " », valable jusqu'au " + facts.notAfter;
    const std::string where = facts.address.empty() ? "" : facts.address + " port " + std::to_string(facts.port);
    std::vector<CheckStep> steps{
        {"Chemin", Outcome::Passed, facts.route},
        {"Résolution du nom", Outcome::Passed,
         (facts.throughProxy ? "proxy " : "") + facts.resolvedName +
             (facts.address.empty() ? "" : " → " + facts.address)},
        {"Connexion TCP", Outcome::Passed,
         facts.throughProxy ? "au proxy " + where + ", qui a ouvert le tunnel vers le serveur" : "au serveur " + where},
        {"Négociation TLS", Outcome::Passed,
         facts.protocol + " ; " + certificate + " ; approuvé par " + facts.trustedBy},
        {"Réponse HTTP", Outcome::Passed,
         std::to_string(facts.status) + (facts.reasonPhrase.empty() ? "" : " " + facts.reasonPhrase)},
    };
    const auto failed = static_cast<std::size_t>(facts.failedAt);
    for (std::size_t i = failed; i < steps.size(); ++i) {
        steps[i].outcome = i == failed ? Outcome::Failed : Outcome::NotTried;
        steps[i].detail = i == failed ? facts.failure : kNotTried;
    }
    if (facts.failedAt == Step::Tls && !facts.subject.empty()) { // what the server showed, for its owner
        steps[static_cast<std::size_t>(Step::Tls)].detail += " ; " + facts.protocol + ", " + certificate;
    }
    steps.push_back(facts.failedAt == Step::None ? clockStep(facts, clock)
                                                 : CheckStep{"Horloge", Outcome::NotTried, kNotTried});
    return steps;
}

} // namespace

std::string CheckSection::title() const
{
    return url.empty() ? name : name + " : " + url;
}

std::string CheckStep::line() const
{
    static constexpr std::array<const char*, 3> kMarks{"✓", "✗", "–"};
    return withoutSecrets(std::string(kMarks.at(static_cast<std::size_t>(outcome))) + " " + name + " : " + detail);
}

std::vector<CheckSection> checkConnection(const ConnectionCheckSettings& settings, const Clock& clock,
                                          const std::function<void(const CheckSection&)>& done)
{
    std::vector<CheckSection> sections;
    const auto add = [&](CheckSection section) {
        sections.push_back(std::move(section));
        if (done) {
            done(sections.back());
        }
    };
    CheckSection machine{
        "Ce poste",
        {},
        {{"Installation", Outcome::NotTried, kNotTried}, {"Politique de proxy", Outcome::NotTried, kNotTried}}};
    HttpClientOptions options;
    options.extraCaCertificates = settings.extraCaCertificates;
    options.runTransfer = settings.runTransfer;
    options.abandoned = settings.abandoned;
    try {
        requireHttpTransport();
        machine.steps[0] = {"Installation", Outcome::Passed, "le composant réseau du programme se charge"};
        options.proxy = settings.readPolicy();
        machine.steps[1] = {"Politique de proxy", Outcome::Passed,
                            proxyPolicyName(options.proxy) + " (" + options.proxy.source + ")" +
                                (options.proxy.basicAllowed ? " ; l'authentification Basic est autorisée" : "")};
    } catch (const VarnoError& error) {
        const bool installed = machine.steps[0].outcome == Outcome::Passed;
        machine.steps[installed ? 1 : 0] = {machine.steps[installed ? 1 : 0].name, Outcome::Failed, error.what()};
    }
    const bool ready = machine.steps[1].outcome == Outcome::Passed;
    add(std::move(machine));
    for (const CheckedAddress& address : settings.addresses) {
        CheckSection section{address.name, address.url, {}};
        ProbeFacts facts;
        if (ready) {
            try {
                facts = HttpClient(options).probe(address.url);
            } catch (const VarnoError& error) {
                facts.failedAt = Step::Route;
                facts.failure = error.what();
            }
        }
        section.steps = addressSteps(facts, clock);
        if (!ready) {
            for (CheckStep& step : section.steps) {
                step = {step.name, Outcome::NotTried, kNotTried};
            }
        }
        add(std::move(section));
    }
    return sections;
}

bool allPassed(const std::vector<CheckSection>& sections)
{
    for (const CheckSection& section : sections) {
        for (const CheckStep& step : section.steps) {
            if (step.outcome == Outcome::Failed) {
                return false;
            }
        }
    }
    return true;
}

std::string reportText(const std::vector<CheckSection>& sections, const QDateTime& when)
{
    std::string text = std::string("Module_Varno ") + kProductVersion + " : vérification de la connexion du " +
                       when.toString("dd/MM/yyyy à HH:mm:ss").toStdString() + "\n";
    std::string failures;
    for (const CheckSection& section : sections) {
        text += "\n" + section.title() + "\n";
        bool failed = false;
        for (const CheckStep& step : section.steps) {
            text += step.line() + "\n";
            if (step.outcome == Outcome::Failed && !failed) {
                failed = true;
                failures += (failures.empty() ? "" : " ; ") + section.name + " : « " + step.name + " »";
            }
        }
    }
    text +=
        failures.empty() ? "\nRésultat : toutes les étapes ont réussi.\n" : "\nRésultat : échec. " + failures + ".\n";
    return withoutSecrets(text);
}

} // namespace varno
