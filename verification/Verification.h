#pragma once

#include "foundation/ResultDocument.h"
#include "net/ConfiguratorApi.h"

#include <functional>
#include <string>

namespace varno {

// Whether the quotation record (the body of its GET) is in indirect mode: its member "indirectMode"
// is the JSON literal true. Throws VarnoError when the body is not a JSON object.
bool isIndirectMode(const std::string& recordBody);

// The outcome for a record in indirect mode, which cannot be ordered.
ResultPair indirectModeOutcome();

// The order-process check's body: the record identifier between brackets, verbatim (the host gives
// the list's content in JSON form).
std::string checkRequestBody(const std::string& recordId);

// The outcome of the check's answer. 200: each element's "errorCode" in turn sets the code, which is
// then translated into its French message (an element without one keeps what the previous left);
// the answer must be a JSON array of objects. Any other status: RESPONSE_CODE.
ResultPair readCheckAnswer(const ApiResponse& answer, const std::string& recordId);

// The verification's requests. The record is read first: one in indirect mode cannot be ordered and
// skips the check. Otherwise the check is asked for and its answer read. showStep is told the status of
// each step from the check's request on.
ResultPair verifyRecord(ConfiguratorApi& api, const std::string& recordId,
                        const std::function<void(const char* status)>& showStep);

} // namespace varno
