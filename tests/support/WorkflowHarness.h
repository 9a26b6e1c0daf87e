#pragma once

#include "tests/support/Recorders.h"
#include "tests/support/TestHttpsServer.h"
#include "ui/ProgressWindow.h"

#include <QDir>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

namespace varno::test {

// Runs a progress window (verification, order) against the loopback test server and records what the
// host and the user would see.
class WorkflowHarness {
public:
    WorkflowHarness();

    TestHttpsServer server;
    TestServices env;
    QTemporaryDir folder;
    std::string temporaryFile;

    struct Outcome {
        std::vector<std::string> statuses; // every status shown, in order
        bool closed = false;               // the window closed itself
        std::string lastStatus;            // what the status line shows at the end
    };

    // The values every workflow window receives, for this brand, the temporary file and the test account.
    WorkflowHandOver handOver(const std::string& brand) const;

    // Shows the window and waits until it has closed or has shown an error.
    Outcome run(ProgressWindow& window,
                const std::function<void(ProgressWindow&, const std::string&)>& onStatus = {}) const;

    // The temporary file's bytes, or "<absent>".
    std::string temporaryFileBytes() const;

    // Answers every request with this status, content type and body.
    void answer(int status, const std::string& body, const std::string& contentType = "application/json");
    // Answers the record read and the POST separately.
    void answerRecordAndPost(const std::string& record, int postStatus, const std::string& postBody);
};

// The bytes of the verification or order result document for these UTF-8 values.
std::string outcomeBytes(const std::string& recordId, const std::string& element, const std::string& code,
                         const std::string& libelle);

} // namespace varno::test
