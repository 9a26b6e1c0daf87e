#include "pricing/TFicheConfigurateurRecupDevis.h"

#include "foundation/Version.h"
#include "net/HttpText.h"
#include "pricing/QuoteMapping.h"
#include "ui/KeepAlive.h"

namespace varno {
namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& box)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(box);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QRect& box)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(box);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFicheConfigurateurRecupDevis::TFicheConfigurateurRecupDevis(QWidget* owner, const Services& services,
                                                             PricingHandOver values)
    : WorkflowWindow(owner, services, QSize(352, 241),
                     {QRect(16, 8, 320, 128), QRect(16, 8, 320, 128), QRect(16, 8, 320, 120)}),
      lblChiffrage(
          makeLabel(this, "lblChiffrage", "Une fois votre chiffrage terminé veuillez : ", QRect(22, 143, 239, 13))),
      lblOu(makeLabel(this, "lblOu", "ou ", QRect(169, 180, 15, 13))),
      btnDevisRecuperer(makeButton(this, "btnDevisRecuperer", "Récupérer le devis", QRect(22, 163, 125, 50))),
      btnAnnulerRecuperation(makeButton(this, "btnAnnulerRecuperation", "Annuler", QRect(202, 163, 125, 50))),
      lblVersion(makeLabel(this, "lblVersion", QString::fromUtf8(kVersionLabel), QRect(176, 216, 151, 13))),
      values_(std::move(values)), IdHTTP1(responsiveClientOptions()), IdHTTP2(responsiveClientOptions()),
      IdHTTP3(responsiveClientOptions())
{
    setObjectName("FicheConfigurateurRecupDevis");
    QFont bold("MS Sans Serif", 8);
    bold.setBold(true);
    lblChiffrage->setFont(bold);
    // These two size themselves to their text, so a wider fallback font never clips them.
    lblChiffrage->adjustSize();
    lblOu->adjustSize();
    // The version label keeps its right edge and grows leftwards if its text needs more room.
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (const int needed = lblVersion->sizeHint().width(); needed > lblVersion->width()) {
        lblVersion->setGeometry(lblVersion->geometry().adjusted(lblVersion->width() - needed, 0, 0, 0));
    }
    setTabOrder(btnDevisRecuperer, btnAnnulerRecuperation);
    connect(btnDevisRecuperer, &QPushButton::clicked, this, [this] { guarded([this] { btnDevisRecupererClick(); }); });
    // "Annuler" stays usable during a retrieval: its close abandons the transfer under way.
    keepUsableDuringTransfers(*btnAnnulerRecuperation);
    connect(btnAnnulerRecuperation, &QPushButton::clicked, this, [this] {
        isRunning() ? btnAnnulerRecuperationClick() : guarded([this] { btnAnnulerRecuperationClick(); });
    });
}

void TFicheConfigurateurRecupDevis::FormActivate()
{
    presentBrand(values_.Brand, " - Chiffrage");
    if (GetJetonEtUrls() < 1) {
        services_.messages.showMessage(GetJetonEtUrlsErreurs());
        close();
        return;
    }
    services_.browser.open(login_.connectionUrl);
}

int TFicheConfigurateurRecupDevis::GetJetonEtUrls()
{
    login_.connectionUrl.clear();
    login_.retrievalUrl.clear();
    const std::string url = gatewayLoginUrl(services_.deployment.endpoints.gatewayUrl, values_.UserLogin,
                                            values_.UserPassword, values_.Brand, values_.QuoteId);
    login_ = readGatewayAnswer(bodyText(IdHTTP1.send(webPageRequest(url))));
    if (login_.isComplete()) {
        return 1;
    }
    ErrorLines.emplace_back("L'information de connexion n'a pas été obtenue.");
    return 0;
}

std::string TFicheConfigurateurRecupDevis::GetJetonEtUrlsErreurs() const
{
    return gatewayFailureMessage(values_.Brand, ErrorLines);
}

void TFicheConfigurateurRecupDevis::btnDevisRecupererClick()
{
    ConfiguratorApi api = configuratorApi(IdHTTP3, values_);
    retrieveQuote(IdHTTP2, api, login_.retrievalUrl, values_.TemporaryFilePath);
    close();
}

void TFicheConfigurateurRecupDevis::btnAnnulerRecuperationClick()
{
    close();
}

} // namespace varno
