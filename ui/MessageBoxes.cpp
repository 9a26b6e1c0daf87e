#include "ui/MessageBoxes.h"

#include "foundation/DiagnosticLog.h"
#include "foundation/FilePath.h"
#include "foundation/SecretMask.h"

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

// A server may echo a secret into any text the program tells (a reason phrase, an address, a name of
// its document): the person is never shown one.
void MessageBoxUserMessages::showMessage(const std::string& text)
{
    const std::string shown = withoutSecrets(text);
    logShown("message", shown);
    showBox(QMessageBox::NoIcon, shown);
}

void MessageBoxUserMessages::showError(const std::string& text)
{
    const std::string shown = withoutSecrets(text);
    logShown("erreur", shown);
    showBox(QMessageBox::Critical, shown);
}

void FileUserMessages::showMessage(const std::string& text)
{
    const std::string shown = withoutSecrets(text);
    logShown("message", shown);
    append("message", shown);
}

void FileUserMessages::showError(const std::string& text)
{
    const std::string shown = withoutSecrets(text);
    logShown("erreur", shown);
    append("error", shown);
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
