#pragma once

#include "app/Configuration.h"
#include "net/ConfiguratorApi.h"

#include <filesystem>

namespace varno {

// What the main window gives a workflow window before showing it.
struct HandOverValues {
    std::filesystem::path temporaryFilePath;
    Configuration configuration;
    ApiAccount apiAccount;
};

// The host's protocol fixes which values each workflow window receives and in which order; these
// set exactly those, in that order.

template <class Window> void handOverToPricing(Window& window, const HandOverValues& values)
{
    window.setBrand(values.configuration.brand);
    window.setTemporaryFilePath(values.temporaryFilePath);
    window.setUserLogin(values.configuration.userLogin);
    window.setUserPassword(values.configuration.userPassword);
    window.setQuoteId(values.configuration.quoteId);
    window.setApiUserName(values.apiAccount.userName);
    window.setApiPassword(values.apiAccount.password);
    window.setIssuerKey(values.apiAccount.issuerKey);
}

template <class Window> void handOverToVerification(Window& window, const HandOverValues& values)
{
    window.setBrand(values.configuration.brand);
    window.setTemporaryFilePath(values.temporaryFilePath);
    window.setApiUserName(values.apiAccount.userName);
    window.setApiPassword(values.apiAccount.password);
    window.setIssuerKey(values.apiAccount.issuerKey);
    window.setRecordId(values.configuration.recordId);
}

// The order window receives what the verification window does, then the host's order number and
// reference.
template <class Window> void handOverToOrder(Window& window, const HandOverValues& values)
{
    handOverToVerification(window, values);
    window.setOrderNumber(values.configuration.orderNumber);
    window.setOrderReference(values.configuration.orderReference);
}

} // namespace varno
