#include "app/Startup.h"

#include "app/BuiltIn.h"
#include "app/TFicheConfigurateur.h"
#include "ui/DesktopBrowser.h"
#include "ui/ErrorHandler.h"
#include "ui/MessageBoxes.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <shellapi.h>
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
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            messages_.showError(currentExceptionText());
            return false;
        }
    }

private:
    UserMessages& messages_;
};

// The arguments after the program's name, as the platform gives them. On Windows that is the wide
// command line: argv holds ANSI text, which may lack a character of the host's folder names.
std::vector<std::filesystem::path> commandLineArguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv)
{
    std::vector<std::filesystem::path> arguments;
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        arguments.assign(wide + std::min(count, 1), wide + count);
        LocalFree(wide);
    }
#else
    arguments.assign(argv + std::min(argc, 1), argv + argc);
#endif
    return arguments;
}

// Qt ends the process (abort) when its platform cannot start, typically without a display. The host
// still gets an exit status of 0 and the reason in French, as on every other path.
void endWithoutWindowSystem(QtMsgType type, const QMessageLogContext&, const QString&)
{
    if (type == QtFatalMsg) {
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        std::fprintf(stderr,
                     "Configurateur Varno : aucune fenêtre ne peut s'ouvrir, l'affichage n'est pas disponible%s.\n",
                     platform.isEmpty() ? "" : (" (plateforme « " + platform + " »)").constData());
        std::fflush(stderr);
        std::_Exit(0);
    }
}

} // namespace

int runModuleVarno(int argc, char** argv)
{
    const std::unique_ptr<UserMessages> messages = makeUserMessages();
    // Qt sees only the program's name: the two paths are ours, even one that looks like a Qt option.
    int qtArgc = 1;
    const QtMessageHandler previousHandler = qInstallMessageHandler(endWithoutWindowSystem);
    VarnoApplication application(qtArgc, argv, *messages);
    qInstallMessageHandler(previousHandler);
    application.setApplicationName("Module_Varno");
    application.setQuitOnLastWindowClosed(false);
    const std::vector<std::filesystem::path> arguments = commandLineArguments(argc, argv);
    if (arguments.size() != 2) {
        messages->showMessage("Configurateur Varno - Verifiez vos paramètres !\n1. Fichier temp.\n2. Fichier config.");
        return 0;
    }

    try {
        DesktopBrowser browser;
        SystemClock clock;
        const Services services{builtInDeployment(), *messages, browser, clock};
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
