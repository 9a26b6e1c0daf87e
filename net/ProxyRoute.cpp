#include "net/ProxyRoute.h"

#include "foundation/Error.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <map>
#include <mutex>

namespace varno {

ProxyAddress systemProxy(const std::string& entry, const std::string& setting)
{
    constexpr int kCurlDefaultPort = 1080; // what curl took for an entry without its port
    std::optional<ProxyAddress> address = proxyAddressFrom(entry, true, kCurlDefaultPort);
    if (!address) {
        throw VarnoError(proxySettingNotUnderstood(entry, setting));
    }
    return std::move(*address);
}

bool excludedByNoProxy(const std::string& host, const std::string& noProxy)
{
    const QString name = QString::fromStdString(host).toLower().remove('[').remove(']');
    for (QString entry : QString::fromStdString(noProxy).split(',', Qt::SkipEmptyParts)) {
        entry = entry.trimmed().toLower();
        if (entry == "*") {
            return true;
        }
        while (entry.startsWith('.')) {
            entry.remove(0, 1);
        }
        if (!entry.isEmpty() && (name == entry || name.endsWith("." + entry))) {
            return true;
        }
    }
    return false;
}

bool bypassedByWindowsList(const std::string& host, const std::string& bypassList)
{
    const QString name = QString::fromStdString(host).toLower();
    static const QRegularExpression separators("[;,\\s]+");
    for (QString entry : QString::fromStdString(bypassList).split(separators, Qt::SkipEmptyParts)) {
        entry = entry.toLower();
        if (entry == "<local>") {
            if (!name.contains('.') && !name.contains(':')) {
                return true;
            }
            continue;
        }
        entry.remove(QRegularExpression("^[a-z]+://"));
        if (QRegularExpression::fromWildcard(entry, Qt::CaseInsensitive).match(name).hasMatch()) {
            return true;
        }
    }
    return false;
}

std::vector<ProxyAddress> proxiesFromList(const std::string& list, const std::string& scheme,
                                          const std::string& setting)
{
    std::vector<ProxyAddress> generic;
    std::vector<ProxyAddress> forScheme;
    for (const QString& raw : QString::fromStdString(list).split(';', Qt::SkipEmptyParts)) {
        QString entry = raw.trimmed();
        if (entry.isEmpty()) {
            continue;
        }
        if (entry.compare("DIRECT", Qt::CaseInsensitive) == 0) {
            generic.emplace_back();
            continue;
        }
        entry.remove(QRegularExpression("^(PROXY|HTTP)\\s+", QRegularExpression::CaseInsensitiveOption));
        const qsizetype equals = entry.indexOf('=');
        if (equals > 0) {
            if (entry.left(equals).trimmed().compare(QString::fromStdString(scheme), Qt::CaseInsensitive) == 0) {
                forScheme.push_back(systemProxy(entry.mid(equals + 1).toStdString(), setting));
            }
            continue;
        }
        generic.push_back(systemProxy(entry.toStdString(), setting));
    }
    return forScheme.empty() ? generic : forScheme;
}

ProxyRoute proxyRouteFor(const ProxyPolicy& policy, const Origin& origin)
{
    switch (policy.kind) {
    case ProxyPolicy::Kind::Direct:
        return {{ProxyAddress{}}, "direct (politique « direct », " + policy.source + ")"};
    case ProxyPolicy::Kind::Explicit:
        return {{policy.address}, "proxy " + policy.address.display + " (politique explicite, " + policy.source + ")"};
    case ProxyPolicy::Kind::System:
        break;
    }
    static std::mutex mutex;
    static auto* const known = new std::map<std::string, ProxyRoute>; // for the process's life
    const std::lock_guard lock(mutex);
    auto found = known->find(origin.text());
    if (found == known->end()) {
        ProxyRoute route = systemRoute(origin);
        route.reason = "système (politique « system », " + policy.source + ") : " + route.reason;
        found = known->emplace(origin.text(), std::move(route)).first;
    }
    return found->second;
}

} // namespace varno
