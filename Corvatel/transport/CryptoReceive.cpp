// The SFTP half of CCrypto: the channel and the receipt of one file.
#include "Crypto.h"

#include <winsock2.h>

#include <libssh2.h>
#include <libssh2_sftp.h>

#include <cerrno>
#include <memory>
#include <stdio.h>
#include <string.h>

namespace {

const size_t kBlockSize = 131072;

struct FileCloser {
    void operator()(FILE* pFile) const { fclose(pFile); }
};

} // namespace

// Each closed once on every road out of the receipt, an exception from the progress function included.
class CCrypto::CReceipt
{
public:
    explicit CReceipt(CCrypto& session) : m_session(session), m_pHandle(nullptr) {}
    ~CReceipt() { Close(); }

    // The text of the last close that failed; empty when both closed cleanly.
    std::string Close()
    {
        // The receipt's deadline ends with it; the closing calls have their own.
        m_session.m_ullGiveUpAt = 0;
        std::string strError;
        if (m_pHandle) {
            const int nResult = m_session.Finish([this] { return libssh2_sftp_close_handle(m_pHandle); });
            NoteFailure(nResult, libssh2_sftp_last_error(m_session.m_pSftp), strError);
            m_pHandle = nullptr;
        }
        if (m_session.m_pSftp) {
            // The channel is gone after its shutdown, even a failed one: its last status is read first.
            const unsigned long ulStatus = libssh2_sftp_last_error(m_session.m_pSftp);
            NoteFailure(m_session.Finish([this] { return libssh2_sftp_shutdown(m_session.m_pSftp); }), ulStatus,
                        strError);
            m_session.m_pSftp = nullptr;
        }
        return strError;
    }

    CCrypto& m_session;
    LIBSSH2_SFTP_HANDLE* m_pHandle;

private:
    static void NoteFailure(int nResult, unsigned long ulStatus, std::string& strError)
    {
        if (nResult != 0)
            strError = "[::RecvSFTP] sftp_close() returned ssherr: " + std::to_string(nResult) +
                       ", sftperr: " + std::to_string(ulStatus);
    }
};

bool CCrypto::InitSftp(std::string& strError)
{
    if (!m_pSession)
        return false;
    m_pSftp = UntilGiven([this] { return libssh2_sftp_init(m_pSession); });
    if (m_pSftp)
        return true;
    std::string strText;
    LastError(&strText);
    strError = "Failed to establish SFTP session with the device.(SSH Error " + strText;
    return false;
}

bool CCrypto::RecvSFTP(const char* pszRemote, const char* pszLocal, std::string& strError, ProgressCallback progress)
{
    FILE* pOpened = nullptr;
    // With its table of streams full the CRT fails without an error number of its own: it gives
    // whatever errno held, so a stale one must not pass for the reason.
    errno = 0;
    errno_t nOpenError = fopen_s(&pOpened, pszLocal, "wb");
    if (nOpenError != 0 || !pOpened) {
        char szReason[256] = {};
        strerror_s(szReason, sizeof(szReason), nOpenError != 0 ? nOpenError : EMFILE);
        char szMessage[1024] = {};
        snprintf(szMessage, sizeof(szMessage), "Error opening file '%s': %s\n", pszLocal, szReason);
        strError = szMessage;
        return false;
    }
    std::unique_ptr<FILE, FileCloser> file(pOpened);
    // Only file data moves it on: keep-alives or other bytes from a server whose reads hang do not.
    m_ullGiveUpAt = Now() + kStallLimitMs;
    CReceipt receipt(*this);
    if (!m_pSftp && !InitSftp(strError))
        return false;

    bool bResult = true;
    const unsigned int nRemoteLength = static_cast<unsigned int>(strlen(pszRemote));
    receipt.m_pHandle = UntilGiven([&] {
        return libssh2_sftp_open_ex(m_pSftp, pszRemote, nRemoteLength, LIBSSH2_FXF_READ, 0, LIBSSH2_SFTP_OPENFILE);
    });

    if (!receipt.m_pHandle) {
        std::string strText;
        LastError(&strText);
        strError = std::string(pszRemote) + " could not be opened for reading. " + strText;
        bResult = false;
    } else {
        // A failed size query leaves the total at 0, which the progress function takes as unknown.
        LIBSSH2_SFTP_ATTRIBUTES attributes = {};
        const int nCode = UntilDone(
            [&] { return libssh2_sftp_stat_ex(m_pSftp, pszRemote, nRemoteLength, LIBSSH2_SFTP_STAT, &attributes); });
        const unsigned long long ullTotal =
            (nCode == 0 && (attributes.flags & LIBSSH2_SFTP_ATTR_SIZE)) ? attributes.filesize : 0;
        unsigned long long ullDone = 0;
        progress(pszLocal, pszRemote, 0, ullTotal);

        std::unique_ptr<char[]> pBuffer(new char[kBlockSize]);
        while (!m_bAbort) {
            const int nRead = UntilDone(
                [&] { return static_cast<int>(libssh2_sftp_read(receipt.m_pHandle, pBuffer.get(), kBlockSize)); });
            if (nRead == 0) {
                // The server's end of file before the size it gave is a cut transfer, not a whole file.
                if (ullDone < ullTotal) {
                    strError = "[RecvSFTP] transfer ended after " + std::to_string(ullDone) + " of " +
                               std::to_string(ullTotal) + " bytes.";
                    bResult = false;
                }
                break;
            }
            if (nRead < 0) {
                // A read that gave up waiting because of the abort is the abort, not a failure.
                if (m_bAbort)
                    break;
                strError = "[RecvSFTP] Sftp_write returned sshErr: " + std::to_string(nRead) +
                           ". sftpErr: " + std::to_string(libssh2_sftp_last_error(m_pSftp));
                bResult = false;
                break;
            }
            if (fwrite(pBuffer.get(), 1, static_cast<size_t>(nRead), file.get()) != static_cast<size_t>(nRead)) {
                strError = std::string("Error writing to ") + pszLocal;
                bResult = false;
                break;
            }
            ullDone += static_cast<unsigned long long>(nRead);
            m_ullGiveUpAt = Now() + kStallLimitMs;
            progress(pszLocal, pszRemote, ullDone, ullTotal);
        }
    }

    // A stall is why the receipt failed, not the closing calls that then give up too; nor is a
    // close that gives up waiting after an earlier failure, though the session is stalled by it.
    const bool bStalled = m_bStalled;
    std::string strCloseError = receipt.Close();
    const bool bCloseGaveUp = !bStalled && m_bStalled;
    if (m_bAbort)
        strError = "[RecvSFTP] aborted.";
    else if (bStalled)
        strError = "[RecvSFTP] no file data for " + std::to_string(kStallLimitMs / 1000) +
                   " seconds: the transfer has stalled.";
    else if (!strCloseError.empty() && (bResult || !bCloseGaveUp))
        strError = strCloseError;
    if (fclose(file.release()) != 0 && bResult) {
        strError = std::string("Error writing to ") + pszLocal;
        bResult = false;
    }
    return bResult;
}
