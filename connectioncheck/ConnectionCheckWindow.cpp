#include "connectioncheck/ConnectionCheckWindow.h"

#include "foundation/Version.h"
#include "net/HttpClient.h"
#include "ui/KeepAlive.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace varno {

ConnectionCheckWindow::ConnectionCheckWindow(ConnectionCheckSettings settings, const Clock& clock)
    : settings_(std::move(settings)), clock_(clock), verdict_(new QLabel("Vérification en cours…", this)),
      steps_(new QListWidget(this)), copy_(new QPushButton("Copier le rapport", this))
{
    setWindowTitle("Module_Varno – vérifier la connexion");
    resize(900, 520);
    steps_->setWordWrap(true);
    steps_->setSelectionMode(QAbstractItemView::NoSelection);
    verdict_->setWordWrap(true);
    copy_->setEnabled(false);
    auto* closeButton = new QPushButton("Fermer", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy_);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString("Module_Varno %1 : chemin d'une requête vers chaque service Varno, étape par "
                                         "étape, avec les réglages de ce poste.")
                                     .arg(kProductVersion),
                                 this));
    layout->addWidget(steps_);
    layout->addWidget(verdict_);
    layout->addLayout(buttons);
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(QString::fromStdString(report_)); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    const auto abandon = abandon_;
    settings_.runTransfer = runKeepingWindowsAlive;
    settings_.abandoned = [abandon] { return transfersAbandoned() || abandon->load(); };
}

void ConnectionCheckWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &ConnectionCheckWindow::run);
    }
}

void ConnectionCheckWindow::closeEvent(QCloseEvent* event)
{
    if (running_) { // the transfer ends within a second; the window closes then
        closeRequested_ = true;
        *abandon_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ConnectionCheckWindow::addSection(const CheckSection& section)
{
    if (steps_->count() > 0) {
        new QListWidgetItem(steps_); // a blank line between sections
    }
    auto* title = new QListWidgetItem(QString::fromStdString(section.title()), steps_);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    for (const CheckStep& step : section.steps) {
        auto* line = new QListWidgetItem(QString::fromStdString(step.line()), steps_);
        if (step.outcome == CheckStep::Outcome::Failed) {
            line->setForeground(Qt::darkRed);
        }
    }
    steps_->scrollToBottom();
}

void ConnectionCheckWindow::run()
{
    running_ = true;
    try {
        const std::vector<CheckSection> sections =
            checkConnection(settings_, clock_, [this](const CheckSection& section) { addSection(section); });
        report_ = reportText(sections, clock_.now());
        verdict_->setText(allPassed(sections) ? "Toutes les étapes ont réussi."
                                              : "Une étape a échoué : sa ligne, marquée ✗, dit pourquoi.");
        copy_->setEnabled(true);
    } catch (const TransferAbandoned&) {
    }
    running_ = false;
    if (closeRequested_) {
        close();
    }
}

} // namespace varno
