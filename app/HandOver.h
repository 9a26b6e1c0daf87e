#pragma once

#include "app/Configuration.h"
#include "order/TFicheConfigurateurCommande.h"
#include "pricing/TFicheConfigurateurRecupDevis.h"
#include "verification/TFicheConfigurateurVerification.h"

#include <filesystem>
#include <optional>
#include <variant>

namespace varno {

// The workflow window a run opens, told by the type of the values it receives.
using WorkflowHandOverValues = std::variant<PricingHandOver, VerificationHandOver, OrderHandOver>;

// One handler per window, for std::visit.
template <class... Handlers> struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

// What the main window hands to the workflow window that the configuration's mode names: "chiffrage"
// the pricing window, "verification" and "commande" theirs. Nothing for any other mode. The values are
// passed as they were read, also when empty.
std::optional<WorkflowHandOverValues> handOverFor(const Configuration& configuration,
                                                  const std::filesystem::path& temporaryFilePath,
                                                  const ApiAccount& apiAccount);

} // namespace varno
