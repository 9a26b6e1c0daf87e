#include "ui/ErrorHandler.h"

#include "net/HttpClient.h"

#include <exception>

namespace varno {

std::string currentExceptionText()
{
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return {};
    }
}

void runGuarded(UserMessages& messages, const std::function<void()>& body)
{
    try {
        body();
    } catch (const TransferAbandoned&) { // the application is quitting: nothing more to say
    } catch (...) {
        messages.showError(currentExceptionText());
    }
}

} // namespace varno
