// The transfer manager against the loopback sshd: last-error texts, and connections that leave
// nothing behind.
// Winsock's header goes before windows.h.
#include <winsock2.h>

#include "FtpMgr.h"
#include "SftpPeer.h"
#include "TestFolders.h"

#include <UiDriver.h>

#include <gtest/gtest.h>

#include <winternl.h>

#include <vector>

using namespace SftpPeer;

namespace {

// The process's open handles, counted in the system's handle list (wine's GetProcessHandleCount
// always answers 0).
size_t HandleCount()
{
    struct CEntry
    {
        ULONG ulProcessId;
        BYTE byType;
        BYTE byFlags;
        USHORT usHandle;
        PVOID pObject;
        ACCESS_MASK access;
    };
    const SYSTEM_INFORMATION_CLASS kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    const NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
    std::vector<BYTE> buffer(1 << 20);
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    EXPECT_EQ(status, 0);
    const ULONG ulEntries = *reinterpret_cast<const ULONG*>(buffer.data());
    const CEntry* pEntries = reinterpret_cast<const CEntry*>(buffer.data() + sizeof(void*));
    size_t nCount = 0;
    for (ULONG i = 0; i < ulEntries; ++i)
        nCount += pEntries[i].ulProcessId == GetCurrentProcessId();
    return nCount;
}

class FtpMgrTest : public ::testing::Test
{
protected:
    bool Open(CFtpMgr& manager, const char* pszListener, const std::string& strPassword)
    {
        return manager.Open("127.0.0.1", Port(pszListener), Setting("USER").c_str(), strPassword.c_str());
    }

    std::string m_strPassword = Setting("PASSWORD");
    CTempTree m_local;

    std::string Local(const char* pszName) const { return static_cast<LPCSTR>(m_local.Path(pszName)); }
    // No failure of these tests shows a box.
    UiDriver::CMessageBoxAnswerer m_boxes;
};

} // namespace

TEST_F(FtpMgrTest, WrongPasswordIsTheLastErrorWithNoBox)
{
    CFtpMgr manager(nullptr);
    EXPECT_FALSE(Open(manager, "PASSWORD", "wrong"));
    EXPECT_EQ(manager.m_strLastError, CString("Authentication by password failed.\n"));
    // The dialog's second try on the same manager.
    EXPECT_TRUE(Open(manager, "PASSWORD", m_strPassword));
    EXPECT_EQ(manager.m_strLastError, CString(""));
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(FtpMgrTest, ReceivesAnEmptyFileAndClosesOnce)
{
    WriteServedFile("manager-empty.bin", 0);
    CFtpMgr manager(nullptr);
    ASSERT_TRUE(Open(manager, "PASSWORD", m_strPassword)) << manager.m_strLastError;
    EXPECT_TRUE(manager.Receive("manager-empty.bin", Local("manager-empty.bin").c_str()));
    EXPECT_EQ(manager.m_strLastError, CString(""));
    EXPECT_EQ(FileSize(Local("manager-empty.bin")), 0);
    manager.Close();
    EXPECT_EQ(manager.m_pSession, nullptr);
    manager.Close();
    EXPECT_FALSE(manager.Receive("manager-empty.bin", Local("again.bin").c_str()));
}

TEST_F(FtpMgrTest, ConnectionsLeaveNoHandleBehind)
{
    // Every fourth login is refused: a failed connection releases all it took too.
    auto connectAndClose = [&](int i) {
        CFtpMgr manager(nullptr);
        EXPECT_EQ(Open(manager, "PASSWORD", i % 4 ? m_strPassword : "wrong"), i % 4 != 0) << manager.m_strLastError;
    };
    // The first connections load what stays loaded (Winsock's providers, the crypto).
    for (int i = 0; i < 10; ++i)
        connectAndClose(i);
    const size_t nBefore = HandleCount();
    ASSERT_GT(nBefore, 0u);
    for (int i = 0; i < 200; ++i)
        connectAndClose(i);
    EXPECT_LE(HandleCount(), nBefore + 5);
    // Every connection's Winsock start-up was balanced: nothing is left to clean up.
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}
