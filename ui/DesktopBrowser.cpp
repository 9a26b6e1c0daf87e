#include "ui/DesktopBrowser.h"

#include <QDesktopServices>
#include <QUrl>

namespace varno {

void DesktopBrowser::open(const std::string& url)
{
    // The address goes to the browser exactly as received; its result is not examined.
    QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::TolerantMode));
}

} // namespace varno
