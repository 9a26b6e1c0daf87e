#pragma once

#include "seams/UserMessages.h"

#include <filesystem>
#include <memory>

namespace varno {

// Modal message boxes titled with the program's name. Every text shown passes the secrets' mask.
class MessageBoxUserMessages final : public UserMessages {
public:
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;
};

// Appends each message to a file instead of showing a box, for unattended runs (scripts, tests of the
// executable). Each message is one record: "message:" or "error:", the text, and an empty line.
class FileUserMessages final : public UserMessages {
public:
    explicit FileUserMessages(std::filesystem::path path) : path_(std::move(path)) {}
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;

private:
    void append(const char* kind, const std::string& text);
    std::filesystem::path path_;
};

// Message boxes, or the file named by the environment variable VARNO_MESSAGE_LOG when it is set.
std::unique_ptr<UserMessages> makeUserMessages();

} // namespace varno
