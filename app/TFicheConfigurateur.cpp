#include "app/TFicheConfigurateur.h"

#include "app/HandOver.h"
#include "foundation/DiagnosticLog.h"
#include "foundation/Version.h"
#include "net/HttpClient.h"
#include "ui/ErrorHandler.h"
#include "ui/FirstActivation.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <memory>

namespace varno {
namespace {

// Shows the workflow window with its values until it closes, then destroys it.
template <class Window, class Values> void runModal(QWidget* owner, const Services& services, Values& values)
{
    const auto window = std::make_unique<Window>(owner, services, std::move(values));
    window->exec();
}

} // namespace

TFicheConfigurateur::TFicheConfigurateur(const Services& services)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      services_(services), logos_(this, {QRect(16, 8, 320, 128), QRect(16, 9, 320, 128), QRect(24, 16, 320, 120)})
{
    setWindowTitle("Configurateur VARNO");
    setFixedSize(360, 156);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    // The timer runs from the start; its tick acts only once the start-up checks have passed, and it
    // keeps ticking until then (a version message may be open for a long time).
    Timer1.setObjectName("Timer1");
    Timer1.setInterval(services_.pacing.dispatchTick);
    Timer1.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5 % early or late
    connect(&Timer1, &QTimer::timeout, this, [this] { runGuarded(services_.messages, [this] { Timer1Timer(); }); });
    Timer1.start();
    callOnFirstActivation(this, [this] { runGuarded(services_.messages, [this] { FormActivate(); }); });
}

void TFicheConfigurateur::FormActivate()
{
    state_ = State::Starting;
    if (!ReadConfiguration()) {
        close();
        return;
    }
    presentBrand(*this, logos_, configuration_.brand, "");
    if (configuration_.expectedVersion != kBuiltInVersion) {
        services_.messages.showMessage("Votre Configurateur " + configuration_.brand + " est en Version " +
                                       kBuiltInVersion + " et devrait être en Version " +
                                       configuration_.expectedVersion + ".");
        close();
        return;
    }
    state_ = State::Ready;
    preloadHttpTransport(); // while the dispatch tick is awaited
}

bool TFicheConfigurateur::ReadConfiguration()
{
    const auto read = readConfiguration(configurationFilePath_, services_.messages);
    if (read) {
        configuration_ = *read;
        qCInfo(logRun, "configuration lue : mode « %s », configurateur « %s », version attendue « %s »",
               configuration_.mode.c_str(), configuration_.brand.c_str(), configuration_.expectedVersion.c_str());
    }
    return read.has_value();
}

void TFicheConfigurateur::Timer1Timer()
{
    if (state_ != State::Ready) {
        return;
    }
    state_ = State::Dispatching;
    Timer1.stop();
    hide();
    runGuarded(services_.messages, [this] { openWorkflowWindow(); });
    show();
    close();
}

void TFicheConfigurateur::openWorkflowWindow()
{
    auto values = handOverFor(configuration_, temporaryFilePath_, services_.deployment.apiAccount);
    if (!values) { // the host learns nothing from an empty file: the person at least is told why
        services_.messages.showMessage(
            (configuration_.mode.empty()
                 ? std::string("Le fichier de configuration ne donne aucun mode")
                 : "Le mode « " + configuration_.mode + " » du fichier de configuration est inconnu") +
            " : le configurateur Varno attend chiffrage, verification ou commande, et ne fait rien.");
        return;
    }
    requireHttpTransport(); // a damaged installation is told here, before any window opens
    std::visit(
        Overloaded{[this](PricingHandOver& v) { runModal<TFicheConfigurateurRecupDevis>(this, services_, v); },
                   [this](VerificationHandOver& v) { runModal<TFicheConfigurateurVerification>(this, services_, v); },
                   [this](OrderHandOver& v) { runModal<TFicheConfigurateurCommande>(this, services_, v); }},
        *values);
}

void TFicheConfigurateur::closeEvent(QCloseEvent* event)
{
    const bool firstClose = state_ != State::Closing;
    state_ = State::Closing;
    Timer1.stop();
    event->accept();
    if (firstClose) {
        emit closed();
    }
}

} // namespace varno
