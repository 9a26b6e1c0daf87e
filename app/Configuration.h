#pragma once

#include "seams/UserMessages.h"

#include <filesystem>
#include <optional>
#include <string>

namespace varno {

// The nine values the host writes into the configuration file before each start.
struct Configuration {
    std::string expectedVersion; // [General] Version
    std::string brand;           // [General] Configurateur
    std::string mode;            // [General] Mode
    std::string userLogin;       // [Utilisateur] Identifiant
    std::string userPassword;    // [Utilisateur] MotDePasse
    std::string quoteId;         // [Update] DevisId
    std::string recordId;        // [RecordId] Valeur
    std::string orderNumber;     // [Commande] Numero
    std::string orderReference;  // [Commande] Reference
};

class IniFile;

// The nine values as the file holds them, with the defaults of the keys it lacks.
Configuration configurationFromIni(const IniFile& ini);

// Reads the configuration file. When no file exists at the path (a folder is no file), or when it
// cannot be read, tells the user so, naming the path exactly as given, and returns nothing.
std::optional<Configuration> readConfiguration(const std::filesystem::path& path, UserMessages& messages);

} // namespace varno
