#include "ui/MessageBoxes.h"

#include "foundation/DiagnosticLog.h"
#include "foundation/FilePath.h"

#include <QApplication>
#include <QMessageBox>

#include <fstream>

namespace varno {
namespace {

void showBox(QMessageBox::Icon icon, const std::string& text)
{
    QMessageBox box(icon, QApplication::applicationName(), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText); // server texts and paths as they are, markup and line breaks included
    box.exec();
}

void logShown(const char* kind, const std::string& text)
{
    qCInfo(logMessages, "%s : %s", kind, text.c_str());
}

} // namespace

void MessageBoxUserMessages::showMessage(const std::string& text)
{
    logShown("message", text);
    showBox(QMessageBox::NoIcon, text);
}

void MessageBoxUserMessages::showError(const std::string& text)
{
    logShown("erreur", text);
    showBox(QMessageBox::Critical, text);
}

void FileUserMessages::showMessage(const std::string& text)
{
    logShown("message", text);
    append("message", text);
}

void FileUserMessages::showError(const std::string& text)
{
    logShown("erreur", text);
    append("error", text);
}

void FileUserMessages::append(const char* kind, const std::string& text)
{
    std::ofstream out(path_, std::ios::binary | std::ios::app);
    out << kind << ":\n" << text << "\n\n";
}

std::unique_ptr<UserMessages> makeUserMessages()
{
    const QString log = qEnvironmentVariable("VARNO_MESSAGE_LOG");
    if (!log.isEmpty()) {
        return std::make_unique<FileUserMessages>(pathFromQString(log));
    }
    return std::make_unique<MessageBoxUserMessages>();
}

} // namespace varno
