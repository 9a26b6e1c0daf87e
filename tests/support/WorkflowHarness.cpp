#include "tests/support/WorkflowHarness.h"

#include "foundation/FilePath.h"
#include "foundation/TextEncoding.h"

#include <QFileInfo>

namespace varno::test {

WorkflowHarness::WorkflowHarness()
    : env(Endpoints{server.baseUrl(), server.baseUrl(), testCaCertificates()}),
      temporaryFile(QDir(folder.path()).filePath("devis.xml").toStdString())
{
}

WorkflowHarness::Outcome
WorkflowHarness::run(ProgressWindow& window,
                     const std::function<void(ProgressWindow&, const std::string&)>& onStatus) const
{
    Outcome outcome;
    QObject::connect(&window, &ProgressWindow::statusShown, &window, [&](const QString& text) {
        outcome.statuses.push_back(text.toStdString());
        if (onStatus) {
            onStatus(window, text.toStdString());
        }
    });
    QObject::connect(&window, &QDialog::finished, &window, [&] { outcome.closed = true; });
    window.show();
    waitUntil([&] { return outcome.closed || !env.messages.entries().empty(); });
    outcome.lastStatus = window.lblInfos->text().toStdString();
    return outcome;
}

WorkflowHandOver WorkflowHarness::handOver(const std::string& brand) const
{
    const ApiAccount& account = kTestApiAccount;
    return {brand, pathFromUtf8(temporaryFile), account.userName, account.password, account.issuerKey};
}

std::string WorkflowHarness::temporaryFileBytes() const
{
    if (!QFileInfo::exists(QString::fromStdString(temporaryFile))) {
        return "<absent>";
    }
    return readFileBytes(temporaryFile);
}

void WorkflowHarness::answer(int status, const std::string& body, const std::string& contentType)
{
    server.setHandler([=](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        response.set_content(body, contentType);
    });
}

void WorkflowHarness::answerRecordAndPost(const std::string& record, int postStatus, const std::string& postBody)
{
    server.setHandler([=](const httplib::Request& request, httplib::Response& response) {
        if (request.method == "GET") {
            response.set_content(record, "application/json");
        } else {
            response.status = postStatus;
            response.set_content(postBody, "application/json");
        }
    });
}

std::string outcomeBytes(const std::string& recordId, const std::string& element, const std::string& code,
                         const std::string& libelle)
{
    const auto tag = [](const std::string& name, const std::string& text) {
        return text.empty() ? "<" + name + "/>" : "<" + name + ">" + text + "</" + name + ">";
    };
    return utf8ToWindows1252XmlSafe(R"(<?xml version="1.0" encoding="ISO-8859-1"?><Configurateur>)" +
                                    tag("Project", recordId) + "<" + element + ">" + tag("Code", code) +
                                    tag("Libelle", libelle) + "</" + element + "></Configurateur>") +
           "\r\n";
}

} // namespace varno::test
