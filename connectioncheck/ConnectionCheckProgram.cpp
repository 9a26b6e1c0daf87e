#include "connectioncheck/ConnectionCheckProgram.h"

#include "app/BuiltIn.h"
#include "connectioncheck/ConnectionCheckWindow.h"
#include "foundation/DiagnosticLog.h"
#include "foundation/FilePath.h"
#include "foundation/SecretMask.h"
#include "foundation/Version.h"

#include <QApplication>
#include <QSaveFile>
#include <QScopeGuard>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace varno {
namespace {

// The addresses the program talks to, as this build has them; its secrets are kept out of the report.
ConnectionCheckSettings installedSettings()
{
    const Deployment deployment = builtInDeployment();
    const ApiAccount& account = deployment.apiAccount;
    keepSecret(account.userName, account.password);
    keepSecret(account.issuerKey);
    ConnectionCheckSettings settings;
    settings.addresses = {{"Passerelle", deployment.endpoints.gatewayUrl},
                          {"API du configurateur", deployment.endpoints.apiUrl}};
    settings.extraCaCertificates = deployment.endpoints.extraCaCertificates;
    return settings;
}

bool writeReport(const std::filesystem::path& file, const std::string& text)
{
    QSaveFile out(pathToQString(file));
    if (out.open(QIODevice::WriteOnly | QIODevice::Text) &&
        out.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) && out.commit()) {
        return true;
    }
    std::fprintf(stderr, "Le rapport n'a pas pu être écrit dans « %s » : %s\n", pathToUtf8(file).c_str(),
                 qUtf8Printable(out.errorString()));
    return false;
}

} // namespace

int runConnectionCheck(int argc, char** argv)
{
    const std::vector<std::filesystem::path> arguments = commandLineArguments(argc, argv);
    startDiagnosticLog();
    qCInfo(logRun, "début : Module_Varno %s, vérification de la connexion, profil %s", kProductVersion,
           builtInProfile());
    const auto logged = qScopeGuard([] { qCInfo(logRun, "fin"); });
    const SystemClock clock;
    int qtArgc = 1; // the arguments are ours
    if (arguments.size() == 2 &&
        QString::fromStdString(pathToUtf8(arguments[0])).compare("/rapport", Qt::CaseInsensitive) == 0) {
        const QCoreApplication application(qtArgc, argv);
        const std::vector<CheckSection> sections = checkConnection(installedSettings(), clock);
        const bool written = writeReport(arguments[1], reportText(sections, clock.now()));
        return written && allPassed(sections) ? 0 : 1;
    }
    if (!arguments.empty()) {
        std::fprintf(stderr, "Usage : Module_Varno_Connexion [/rapport <fichier>]\n");
        return 1;
    }
    const QApplication application(qtArgc, argv);
    ConnectionCheckWindow window(installedSettings(), clock);
    window.show();
    return QApplication::exec();
}

} // namespace varno
