#include "tests/support/LogSecrets.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace varno::test {

void expectNoSecretIn(const std::string& log, const std::vector<std::string>& secrets)
{
    for (const std::string& secret : secrets) {
        ASSERT_FALSE(secret.empty());
        const QByteArray plain = QByteArray::fromStdString(secret);
        const QByteArray encoded = plain.toPercentEncoding();
        for (const QByteArray& spelling :
             {plain, encoded, encoded.toLower(), QByteArray(encoded).replace("%20", "+"), plain.toBase64(),
              plain.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)}) {
            EXPECT_EQ(log.find(spelling.toStdString()), std::string::npos)
                << "the log holds " << spelling.toStdString();
        }
    }
}

} // namespace varno::test
