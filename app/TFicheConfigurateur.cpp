#include "app/TFicheConfigurateur.h"

#include "foundation/Version.h"
#include "order/TFicheConfigurateurCommande.h"
#include "pricing/TFicheConfigurateurRecupDevis.h"
#include "ui/ErrorHandler.h"
#include "ui/FirstActivation.h"
#include "verification/TFicheConfigurateurVerification.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <memory>

namespace varno {

TFicheConfigurateur::TFicheConfigurateur(const Services& services, ApiAccount builtInApiAccount)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      services_(services), builtInApiAccount_(std::move(builtInApiAccount)),
      logos_(this, {QRect(16, 8, 320, 128), QRect(16, 9, 320, 128), QRect(24, 16, 320, 120)})
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
    Timer1.setInterval(500);
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
}

bool TFicheConfigurateur::ReadConfiguration()
{
    const auto read = readConfiguration(configurationFilePath_, services_.messages);
    if (read) {
        configuration_ = *read;
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
    const std::string& mode = configuration_.mode;
    if (mode == "chiffrage") {
        runWorkflowWindow<TFicheConfigurateurRecupDevis>(handOverToPricing<TFicheConfigurateurRecupDevis>);
    } else if (mode == "verification") {
        runWorkflowWindow<TFicheConfigurateurVerification>(handOverToVerification<TFicheConfigurateurVerification>);
    } else if (mode == "commande") {
        runWorkflowWindow<TFicheConfigurateurCommande>(handOverToOrder<TFicheConfigurateurCommande>);
    }
}

template <class Window, class HandOver> void TFicheConfigurateur::runWorkflowWindow(HandOver handOver)
{
    const auto window = std::make_unique<Window>(this, services_);
    handOver(*window, HandOverValues{temporaryFilePath_, configuration_, builtInApiAccount_});
    window->exec();
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
