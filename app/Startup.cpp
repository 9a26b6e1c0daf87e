#include "Startup.h"

#include "BuiltIn.h"
#include "DesktopBrowser.h"
#include "ErrorHandler.h"
#include "MessageBoxes.h"
#include "TFicheConfigurateur.h"

#include <QApplication>

#include <memory>

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

} // namespace

int runModuleVarno(int argc, char* argv[])
{
    const std::unique_ptr<UserMessages> messages = makeUserMessages();
    // Qt sees only the program's name: the two paths are ours, even one that looks like a Qt option.
    int qtArgc = 1;
    VarnoApplication application(qtArgc, argv, *messages);
    application.setApplicationName("Module_Varno");
    application.setQuitOnLastWindowClosed(false);
    if (argc != 3) {
        messages->showMessage("Configurateur Varno - Verifiez vos paramètres !\n1. Fichier temp.\n2. Fichier config.");
        return 0;
    }

    try {
        DesktopBrowser browser;
        SystemClock clock;
        const Services services{builtInEndpoints(), *messages, browser, clock};
        TFicheConfigurateur FicheConfigurateur(services, builtInApiAccount());
        FicheConfigurateur.setTemporaryFilePath(argv[1]);
        FicheConfigurateur.setConfigurationFilePath(argv[2]);
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
