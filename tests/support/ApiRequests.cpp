#include "tests/support/ApiRequests.h"

#include <QByteArray>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno::test {

void expectApiHeaders(const RecordedRequest& request, const ApiAccount& account)
{
    using testing::ElementsAre;
    const std::string basic =
        QByteArray::fromStdString(account.userName + ":" + account.password).toBase64().toStdString();
    EXPECT_THAT(request.headerValues("Authorization"), ElementsAre("Basic " + basic)) << request.target;
    EXPECT_THAT(request.headerValues("Zedir-Issuer"), ElementsAre(account.issuerKey)) << request.target;
    EXPECT_THAT(request.headerValues("Accept"), ElementsAre("application/json")) << request.target;
    EXPECT_THAT(request.headerValues("Content-Type"), ElementsAre("application/json; charset=utf-8")) << request.target;
}

} // namespace varno::test
