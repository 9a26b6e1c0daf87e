// Windows as the second judge of a server's chain, where OpenSSL finds no trusted root. Run under Wine
// twice by windows_trust_test.sh: as Wine starts, the test CA unknown to Windows, and with the test CA
// among the roots Wine reads from the host (VARNO_TEST_CA_IN_WINDOWS_ROOTS=1).
#include "net/HttpClient.h"
#include "net/HttpText.h"
#include "net/PeerVerification.h"
#include "tests/support/Errors.h"
#include "tests/support/TestHttpsServer.h"

#include <openssl/pem.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varno {
namespace {

bool caInWindowsRoots()
{
    const char* flag = std::getenv("VARNO_TEST_CA_IN_WINDOWS_ROOTS");
    return flag != nullptr && std::string(flag) == "1";
}

// Windows is asked with an OpenSSL store that holds no root at all, so that its answer alone decides.
TEST(WindowsTrust, WindowsAcceptsOnlyAChainToItsRootsForTheNameAsked)
{
    struct Case {
        const char* certificate;
        std::string host;
        bool acceptedWhenTheCaIsARoot;
    };
    const Case cases[] = {{"localhost.pem", "localhost", true},
                          {"localhost.pem", "configurateur.varno.example", false}, // another name
                          {"elsewhere.pem", "configurateur.varno.example", false}, // outside the CA's names
                          {"common-name-only.pem", "localhost", false},            // Windows' policy takes the CN
                          {"untrusted.pem", "localhost", false}};                  // a CA Windows does not know
    for (const Case& entry : cases) {
        SCOPED_TRACE(std::string(entry.certificate) + " for " + entry.host);
        const std::unique_ptr<FILE, int (*)(FILE*)> file(
            std::fopen(test::certificatePath(entry.certificate).c_str(), "rb"), std::fclose);
        ASSERT_TRUE(file);
        const std::unique_ptr<X509, void (*)(X509*)> leaf(PEM_read_X509(file.get(), nullptr, nullptr, nullptr),
                                                          X509_free);
        ASSERT_TRUE(leaf);
        const std::unique_ptr<X509_STORE, void (*)(X509_STORE*)> noRoots(X509_STORE_new(), X509_STORE_free);
        const auto freeStack = [](STACK_OF(X509) * stack) { sk_X509_free(stack); };
        const std::unique_ptr<STACK_OF(X509), decltype(freeStack)> presented(sk_X509_new_null(), freeStack);
        sk_X509_push(presented.get(), leaf.get());
        const std::unique_ptr<X509_STORE_CTX, void (*)(X509_STORE_CTX*)> context(X509_STORE_CTX_new(),
                                                                                 X509_STORE_CTX_free);
        ASSERT_EQ(X509_STORE_CTX_init(context.get(), noRoots.get(), leaf.get(), presented.get()), 1);
        std::string host = entry.host;
        const bool accepted = verifyPeerChain(context.get(), &host) == 1;
        EXPECT_EQ(accepted, entry.acceptedWhenTheCaIsARoot && caInWindowsRoots());
        EXPECT_EQ(X509_STORE_CTX_get_error(context.get()) == X509_V_OK, accepted);
    }
}

// Through the transport, with no CA but the system's: the loopback server is reached only when Windows
// trusts its CA.
TEST(WindowsTrust, TheTransportTrustsWhatWindowsTrusts)
{
    test::TestHttpsServer server;
    server.setHandler(
        [](const httplib::Request&, httplib::Response& response) { response.set_content("ok", "text/plain"); });
    HttpClient client{HttpClientOptions{}};
    if (caInWindowsRoots()) {
        EXPECT_EQ(bodyText(client.send({.url = server.baseUrl() + "/"})), "ok");
    } else {
        EXPECT_THAT(test::varnoErrorOf([&] { client.send({.url = server.baseUrl() + "/"}); }),
                    testing::HasSubstr("le certificat du serveur n'est pas reconnu"));
    }
}

} // namespace
} // namespace varno
