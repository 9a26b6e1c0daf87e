#pragma once

#include "seams/Browser.h"
#include "seams/Clock.h"
#include "seams/Services.h"
#include "seams/UserMessages.h"
#include "tests/support/ApiRequests.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varno::test {

// Records each message instead of showing a box. A message can be made to stay "open" for a while,
// running a nested event loop as a real box does while the user reads it.
class RecordingMessages final : public UserMessages {
public:
    struct Entry {
        bool isError;
        std::string text;
    };

    void showMessage(const std::string& text) override { record(false, text); }
    void showError(const std::string& text) override { record(true, text); }

    std::vector<std::string> texts() const;
    const std::vector<Entry>& entries() const { return entries_; }

    std::chrono::milliseconds openFor{0};
    std::function<void()> whileOpen; // called inside the nested loop, once per message

private:
    void record(bool isError, const std::string& text);
    std::vector<Entry> entries_;
};

class RecordingBrowser final : public Browser {
public:
    void open(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime at) : at_(std::move(at)) {}
    QDateTime now() const override { return at_; }

private:
    QDateTime at_;
};

// Seams, loopback endpoints and the test API account for a window under test. The windows' timers tick
// at once, so no test waits for them.
struct TestServices {
    RecordingMessages messages;
    RecordingBrowser browser;
    FixedClock clock{QDateTime(QDate(2024, 1, 15), QTime(10, 30))};
    Services services{Deployment{}, messages, browser, clock,
                      Pacing{std::chrono::milliseconds(1), std::chrono::milliseconds(1)}};

    explicit TestServices(Endpoints endpoints = {}) { services.deployment = {std::move(endpoints), kTestApiAccount}; }
};

// Runs the event loop until the condition holds or the time runs out; returns the condition.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds atMost = std::chrono::seconds(10));

// Whole-file helpers.
std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

#ifndef _WIN32
// While it lives, the system refuses every byte written past a file size, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    std::uint64_t previous_;
    void (*previousHandler_)(int);
};
#endif

} // namespace varno::test
