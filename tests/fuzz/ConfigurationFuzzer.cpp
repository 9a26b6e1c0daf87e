// The configuration file as the host may write it: any bytes, any encoding mark.

#include "app/Configuration.h"
#include "app/IniFile.h"
#include "foundation/TextEncoding.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace varno;
    const IniFile ini = IniFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const Configuration configuration = configurationFromIni(ini);
    for (const std::string* value :
         {&configuration.expectedVersion, &configuration.brand, &configuration.mode, &configuration.userLogin,
          &configuration.userPassword, &configuration.quoteId, &configuration.recordId, &configuration.orderNumber,
          &configuration.orderReference}) {
        fuzz::require(isValidUtf8(*value), "every configuration value is UTF-8");
    }
    return 0;
}
