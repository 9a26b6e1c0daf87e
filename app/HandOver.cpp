#include "app/HandOver.h"

namespace varno {

std::optional<WorkflowHandOverValues> handOverFor(const Configuration& configuration,
                                                  const std::filesystem::path& temporaryFilePath,
                                                  const ApiAccount& apiAccount)
{
    const WorkflowHandOver common{configuration.brand, temporaryFilePath, apiAccount.userName, apiAccount.password,
                                  apiAccount.issuerKey};
    if (configuration.mode == "chiffrage") {
        return PricingHandOver{common, configuration.userLogin, configuration.userPassword, configuration.quoteId};
    }
    if (configuration.mode == "verification") {
        return VerificationHandOver{common, configuration.recordId};
    }
    if (configuration.mode == "commande") {
        return OrderHandOver{common, configuration.recordId, configuration.orderNumber, configuration.orderReference};
    }
    return std::nullopt;
}

} // namespace varno
