#include "app/Startup.h"

#include "app/BuiltIn.h"
#include "app/TFicheConfigurateur.h"
#include "foundation/DiagnosticLog.h"
#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "foundation/Version.h"
#include "net/HttpClient.h"
#include "net/ProxyPolicy.h"
#include "ui/DesktopBrowser.h"
#include "ui/ErrorHandler.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QSysInfo>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace varno {
namespace {

// The last resort of the default error handler: an error that escapes an event handler not guarded
// by its window is shown here, and the event loop goes on.
class VarnoApplication final : public QApplication {
public:
    VarnoApplication(int& argc, char** argv, UserMessages& messages) : QApplication(argc, argv), messages_(messages) {}

    bool notify(QObject* receiver, QEvent* event) override
    {
        bool handled = false;
        runGuarded(messages_, [&] { handled = QApplication::notify(receiver, event); });
        return handled;
    }

private:
    UserMessages& messages_;
};

// While QApplication is being built, Qt's messages (the qt.qpa warnings that say why a platform does not
// start) go on where they always go: the diagnostic log, or stderr. Qt ends the process (abort) when its
// platform cannot start, typically without a display: the host still gets an exit status of 0 and the
// reason in French, as on every other path, and the log Qt's reason and its last line.
QtMessageHandler handlerBeforeApplication = nullptr;

void endWithoutWindowSystem(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    handlerBeforeApplication(type, context, text);
    if (type == QtFatalMsg) {
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        std::fprintf(stderr,
                     "Configurateur Varno : aucune fenêtre ne peut s'ouvrir, l'affichage n'est pas disponible%s.\n",
                     platform.isEmpty() ? "" : (" (plateforme « " + platform + " »)").constData());
        std::fflush(stderr);
        if (logRun().isInfoEnabled()) { // written straight to the handler: Qt sends a nested message to stderr
            handlerBeforeApplication(QtInfoMsg, QMessageLogContext(nullptr, 0, nullptr, logRun().categoryName()),
                                     "fin");
        }
        std::_Exit(0);
    }
}

#ifdef _WIN32
// Without a loadable platform plugin Qt shows its own box, in English, which blocks the host until
// someone answers it, then aborts. The plugin is looked for and loaded first, where Qt looks for it,
// so that a damaged installation is told in French and the run ends as every other does.
std::optional<std::string> platformPluginFault()
{
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(':', 0, 0);
    if (platform.isEmpty()) {
        platform = "windows";
    }
    QStringList folders{qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"),
                        pathToQString(programFolder() / "platforms"),
                        QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms"};
    for (const QString& folder : qEnvironmentVariable("QT_PLUGIN_PATH").split(';', Qt::SkipEmptyParts)) {
        folders << folder + "/platforms";
    }
    const QString file = "q" + platform + ".dll";
    const std::string component = "Le module d'affichage du programme (platforms\\" + file.toStdString() + ")";
    for (const QString& folder : folders) {
        const QString candidate = QDir(folder).filePath(file);
        if (folder.isEmpty() || !QFileInfo::exists(candidate)) {
            continue;
        }
        QPluginLoader plugin(candidate); // stays loaded for Qt
        if (plugin.load()) {
            return std::nullopt;
        }
        return damagedInstallation(component,
                                   "ne peut pas être chargé : il est endommagé ou une bibliothèque dont il a "
                                   "besoin est absente (" +
                                       plugin.errorString().toStdString() + ")");
    }
    return damagedInstallation(component, "est absent du dossier du programme");
}

// Before the application exists: in the message log when there is one, else in a box of the system's.
void showStartupFault(UserMessages& messages, const std::string& text)
{
    if (!qEnvironmentVariableIsEmpty("VARNO_MESSAGE_LOG")) {
        messages.showError(text);
        return;
    }
    const std::wstring wide = QString::fromStdString(text).toStdWString();
    MessageBoxW(nullptr, wide.c_str(), L"Module_Varno", MB_OK | MB_ICONERROR);
}
#endif

// The run's first and last lines in the diagnostic log.
class RunLogged {
public:
    explicit RunLogged(bool bothPaths)
    {
        startDiagnosticLog();
        qCInfo(logRun, "début : Module_Varno %s, profil %s, %s, deux chemins reçus : %s", kProductVersion,
               builtInProfile(), qUtf8Printable(QSysInfo::prettyProductName()), bothPaths ? "oui" : "non");
    }
    ~RunLogged() { qCInfo(logRun, "fin"); }
    RunLogged(const RunLogged&) = delete;
    RunLogged& operator=(const RunLogged&) = delete;
};

} // namespace

int runModuleVarno(int argc, char** argv)
{
    const std::vector<std::filesystem::path> arguments = commandLineArguments(argc, argv);
    const RunLogged logged(arguments.size() == 2);
    const std::unique_ptr<UserMessages> messages = makeUserMessages();
#ifdef _WIN32
    if (const std::optional<std::string> fault = platformPluginFault()) {
        showStartupFault(*messages, *fault);
        return 0;
    }
#endif
    // Qt sees only the program's name: the two paths are ours, even one that looks like a Qt option.
    int qtArgc = 1;
    handlerBeforeApplication = qInstallMessageHandler(endWithoutWindowSystem);
    VarnoApplication application(qtArgc, argv, *messages);
    qInstallMessageHandler(handlerBeforeApplication);
    QApplication::setApplicationName("Module_Varno");
    QApplication::setQuitOnLastWindowClosed(false);
    qCInfo(logRun, "affichage : %s", qUtf8Printable(QGuiApplication::platformName()));
    if (arguments.size() != 2) {
        messages->showMessage("Configurateur Varno - Verifiez vos paramètres !\n1. Fichier temp.\n2. Fichier config.");
        return 0;
    }

    try {
        DesktopBrowser browser;
        SystemClock clock;
        Deployment deployment = builtInDeployment();
        deployment.endpoints.proxy = readProxyPolicy(); // a policy that means nothing ends the run here
        qCInfo(logRun, "politique de proxy : %s (%s)", proxyPolicyName(deployment.endpoints.proxy).c_str(),
               deployment.endpoints.proxy.source.c_str());
        const Services services{deployment, *messages, browser, clock};
        TFicheConfigurateur FicheConfigurateur(services);
        FicheConfigurateur.setTemporaryFilePath(arguments[0]);
        FicheConfigurateur.setConfigurationFilePath(arguments[1]);
        QObject::connect(&FicheConfigurateur, &TFicheConfigurateur::closed, &application, &QApplication::quit,
                         Qt::QueuedConnection);
        FicheConfigurateur.show();
        QApplication::exec();
    } catch (...) {
        messages->showError(currentExceptionText());
    }
    return 0;
}

} // namespace varno
