#pragma once

#include "foundation/ResultDocument.h"
#include "net/ConfiguratorApi.h"

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

} // namespace varno
