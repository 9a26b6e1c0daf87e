#include "app/Configuration.h"

#include "app/IniFile.h"
#include "foundation/FilePath.h"

#include <QFileInfo>

namespace varno {

Configuration configurationFromIni(const IniFile& ini)
{
    Configuration configuration;
    configuration.expectedVersion = ini.readString("General", "Version", "0");
    configuration.brand = ini.readString("General", "Configurateur", "");
    configuration.mode = ini.readString("General", "Mode", "chiffrage");
    configuration.userLogin = ini.readString("Utilisateur", "Identifiant", "");
    configuration.userPassword = ini.readString("Utilisateur", "MotDePasse", "");
    configuration.quoteId = ini.readString("Update", "DevisId", "");
    configuration.recordId = ini.readString("RecordId", "Valeur", "");
    configuration.orderNumber = ini.readString("Commande", "Numero", "");
    configuration.orderReference = ini.readString("Commande", "Reference", "");
    return configuration;
}

std::optional<Configuration> readConfiguration(const std::filesystem::path& path, UserMessages& messages)
{
    const auto refuse = [&](const std::string& what) -> std::optional<Configuration> {
        messages.showMessage("Le configurateur Varno n'est pas configuré. Le fichier : " + pathToUtf8(path) + " " +
                             what + ".");
        return std::nullopt;
    };
    const QFileInfo file(pathToQString(path));
    if (!file.exists()) {
        return refuse("n'existe pas");
    }
    if (file.isDir()) {
        return refuse("est un dossier, pas un fichier");
    }
    if (!file.isFile()) { // a pipe, a device
        return refuse("n'est pas un fichier ordinaire");
    }
    if (file.size() > IniFile::kMaxBytes) {
        return refuse("ne peut pas être lu (il dépasse " + std::to_string(IniFile::kMaxBytes >> 20) + " Mo)");
    }
    const std::optional<IniFile> read = IniFile::load(path);
    if (!read) {
        return refuse("ne peut pas être lu");
    }
    return configurationFromIni(*read);
}

} // namespace varno
