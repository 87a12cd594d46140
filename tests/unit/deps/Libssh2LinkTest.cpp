// The cross-built libssh2 and OpenSSL archives link into a Windows program and come up under wine.
#include <libssh2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SupportedAlgorithms(LIBSSH2_SESSION* session, int methodType)
{
    const char** names = nullptr;
    const int count = libssh2_session_supported_algs(session, methodType, &names);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i)
        result.emplace_back(names[i]);
    if (names)
        libssh2_free(session, names);
    return result;
}

bool Contains(const std::vector<std::string>& names, const char* name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

TEST(Libssh2Link, InitialisesAndMakesASessionOnOpenSsl)
{
    ASSERT_EQ(0, libssh2_init(0));

    const char* version = libssh2_version(0);
    ASSERT_NE(nullptr, version);
    EXPECT_STREQ(LIBSSH2_VERSION, version);  // headers and archive come from the same build

    LIBSSH2_SESSION* session = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, session);

    // These come from the OpenSSL backend; the test sshd offers an ed25519 host key.
    const auto hostKeys = SupportedAlgorithms(session, LIBSSH2_METHOD_HOSTKEY);
    EXPECT_TRUE(Contains(hostKeys, "ssh-ed25519")) << "host key algorithms: " << hostKeys.size();
    EXPECT_TRUE(Contains(hostKeys, "ssh-rsa"));
    const auto ciphers = SupportedAlgorithms(session, LIBSSH2_METHOD_CRYPT_CS);
    EXPECT_TRUE(Contains(ciphers, "aes128-ctr"));
    EXPECT_TRUE(Contains(ciphers, "aes256-ctr"));
    EXPECT_TRUE(Contains(ciphers, "chacha20-poly1305@openssh.com"));
    // Strict key exchange closes the prefix-truncation attack (CVE-2023-48795).
    EXPECT_TRUE(Contains(SupportedAlgorithms(session, LIBSSH2_METHOD_KEX), "kex-strict-c-v00@openssh.com"));

    EXPECT_EQ(0, libssh2_session_free(session));
    libssh2_exit();
}
