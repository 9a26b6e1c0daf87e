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
    if (!QFileInfo(pathToQString(path)).isFile()) {
        messages.showMessage("Le configurateur Varno n'est pas configuré. Le fichier : " + pathToUtf8(path) +
                             " n'existe pas.");
        return std::nullopt;
    }
    const std::optional<IniFile> read = IniFile::load(path);
    if (!read) {
        messages.showMessage("Le configurateur Varno n'est pas configuré. Le fichier : " + pathToUtf8(path) +
                             " ne peut pas être lu.");
        return std::nullopt;
    }
    return configurationFromIni(*read);
}

} // namespace varno
