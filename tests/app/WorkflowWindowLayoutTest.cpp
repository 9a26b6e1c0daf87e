#include "order/TFicheConfigurateurCommande.h"
#include "pricing/TFicheConfigurateurRecupDevis.h"
#include "tests/support/Recorders.h"
#include "verification/TFicheConfigurateurVerification.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace varno {
namespace {

using test::TestServices;
using test::waitUntil;

TEST(PricingWindowShell, LayoutCaptionsAndVersionLabel)
{
    TestServices env;
    TFicheConfigurateurRecupDevis window(nullptr, env.services, {});
    EXPECT_EQ(window.size(), QSize(352, 241));
    EXPECT_EQ(window.windowTitle(), "Configurateur Varno");
    EXPECT_EQ(window.lblChiffrage->text(), "Une fois votre chiffrage terminé veuillez : ");
    EXPECT_TRUE(window.lblChiffrage->font().bold());
    EXPECT_EQ(window.lblOu->text(), "ou ");
    EXPECT_EQ(window.btnDevisRecuperer->text(), "Récupérer le devis");
    EXPECT_EQ(window.btnDevisRecuperer->geometry(), QRect(22, 163, 125, 50));
    EXPECT_EQ(window.btnAnnulerRecuperation->text(), "Annuler");
    EXPECT_EQ(window.btnAnnulerRecuperation->geometry(), QRect(202, 163, 125, 50));
    EXPECT_EQ(window.lblVersion->text(), "Version 1.51 du 04/05/2023");
    EXPECT_TRUE(window.lblVersion->alignment() & Qt::AlignRight);
    EXPECT_EQ(window.lblVersion->geometry().right(), QRect(176, 216, 151, 13).right());
    for (const QLabel* label : {window.lblChiffrage, window.lblOu, window.lblVersion}) { // never clipped
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    }
    EXPECT_EQ(window.logos().imgTamrix->geometry(), QRect(16, 8, 320, 120));
}

template <class Window> void expectProgressWindowShell(const char* brand, const QString& caption)
{
    TestServices env;
    env.services.pacing.workflowStart = std::chrono::hours(1); // the shell only
    Window window(nullptr, env.services, {{brand}});
    EXPECT_EQ(window.size(), QSize(353, 182));
    EXPECT_EQ(window.windowTitle(), "Configurateur Varno");
    EXPECT_EQ(window.lblInfos->geometry(), QRect(16, 152, 320, 13));
    EXPECT_EQ(window.lblInfos->text(), "");
    EXPECT_EQ(window.logos().imgOlka->geometry(), QRect(16, 9, 320, 128));
    window.show();
    EXPECT_TRUE(waitUntil([&] { return window.windowTitle() == caption; })) << window.windowTitle().toStdString();
    EXPECT_FALSE(window.logos().logoFor(brand)->isHidden());
}

TEST(ProgressWindowShells, ThemeForTheirBrandAtActivation)
{
    expectProgressWindowShell<TFicheConfigurateurVerification>("ferd", "Korvalis - Configurateur ferd - Vérification");
    expectProgressWindowShell<TFicheConfigurateurCommande>("tamrix", "Korvalis - Configurateur tamrix - Commande");
}

} // namespace
} // namespace varno
