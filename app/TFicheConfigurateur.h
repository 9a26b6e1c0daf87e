#pragma once

#include "app/Configuration.h"
#include "seams/Services.h"
#include "ui/BrandLogos.h"

#include <QTimer>
#include <QWidget>

#include <filesystem>

namespace varno {

// The main window: shows the brand's logo while it reads the configuration and checks the version,
// then, on the first tick of Timer1, hides itself and runs the workflow window that the mode names.
// Closing it ends the program.
class TFicheConfigurateur final : public QWidget {
    Q_OBJECT

public:
    enum class State { Created, Starting, Ready, Dispatching, Closing };

    explicit TFicheConfigurateur(const Services& services);

    void setTemporaryFilePath(std::filesystem::path path) { temporaryFilePath_ = std::move(path); }
    void setConfigurationFilePath(std::filesystem::path path) { configurationFilePath_ = std::move(path); }

    State state() const { return state_; }
    const BrandLogos& logos() const { return logos_; }

signals:
    // The window has closed: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormActivate();
    void Timer1Timer();
    bool ReadConfiguration();
    void openWorkflowWindow();

    const Services& services_;
    BrandLogos logos_;
    QTimer Timer1{this};
    State state_ = State::Created;
    std::filesystem::path temporaryFilePath_;
    std::filesystem::path configurationFilePath_;
    Configuration configuration_;
};

} // namespace varno
