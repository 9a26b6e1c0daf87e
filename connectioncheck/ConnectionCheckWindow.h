#pragma once

#include "connectioncheck/ConnectionCheck.h"

#include <QWidget>

#include <atomic>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

namespace varno {

// "Vérifier la connexion": one line per step as the check goes, then the verdict and "Copier le rapport".
// The check starts when the window first shows; a close while it runs ends it.
class ConnectionCheckWindow final : public QWidget {
public:
    ConnectionCheckWindow(ConnectionCheckSettings settings, const Clock& clock);

    void run();
    const std::string& report() const { return report_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void addSection(const CheckSection& section);

    ConnectionCheckSettings settings_;
    const Clock& clock_;
    QLabel* verdict_;
    QListWidget* steps_;
    QPushButton* copy_;
    std::string report_;
    bool started_ = false;
    bool running_ = false;
    bool closeRequested_ = false;
    std::shared_ptr<std::atomic<bool>> abandon_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace varno
