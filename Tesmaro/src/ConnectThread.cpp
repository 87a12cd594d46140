// The connect worker: reads the second document and then the catalogue over HTTPS, or the
// catalogue from a local file, into the shared record, and reports its end to the dialog.
#include "ConnectParams.h"

#include "ServerNames.h"

#include <AfxMessageBox.h>
#include <CFile.h>
#include <CInternet.h>
#include <CWinThread.h>

#include <io.h>
#include <memory>
#include <new>

UINT g_uConnectMsg = RegisterWindowMessageA("ConnectSkelvar");
UINT g_uConnectedMsg = RegisterWindowMessageA("ConnectedSkelvar");
HWND g_hDlgConnect = nullptr;
volatile LONG g_nConnectFetchId = 0;
volatile LONG g_bConnectRun = 1;

namespace {

const DWORD kSessionFlags = INTERNET_FLAG_DONT_CACHE | INTERNET_FLAG_SECURE;
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_SECURE;
const UINT kChunk = 1024;
// A document larger than this is refused before it is held whole, as a malformed catalogue is.
const int kMaxDocument = 64 << 20;

const char kRetrievalError[] = "Error retrieving Corvatel's update file.\n\nPlease try running Corvatel again.";
const char kTooLargeError[] = "Corvatel's update file is too large.\n\nPlease try running Corvatel again.";

// Ends a read whose document outgrew kMaxDocument.
struct CDocumentTooLarge
{
};

// Reads a document in chunks, read(buffer) giving each, while the fetch's run flag stays set: a
// Cancel is seen between chunks. A cancelled read keeps nothing.
template <class F>
void ReadChunks(CConnectParams& params, CString& strBody, F read)
{
    char buffer[kChunk];
    while (params.bRun) {
        UINT nRead = read(buffer);
        if (nRead == 0)
            break;
        if (static_cast<int>(nRead) > kMaxDocument - strBody.GetLength())
            throw CDocumentTooLarge();
        strBody += CString(buffer, static_cast<int>(nRead));
    }
    if (!params.bRun)
        strBody.Empty();
}

// Reads a request's body. Each chunk takes only what has arrived, so a body that trickles in
// still lets the loop look at the run flag as each piece comes.
void ReadBody(CConnectParams& params, CHttpFile& file, CString& strBody)
{
    ReadChunks(params, strBody, [&](char* pBuffer) {
        DWORD dwAvailable = file.QueryDataAvailable();
        return dwAvailable == 0 ? 0u : file.Read(pBuffer, dwAvailable < kChunk ? dwAvailable : kChunk);
    });
}

// Fetches one object from its own server; the body replaces strBody.
void FetchDocument(CConnectParams& params, CInternetSession& session, const CString& strServer,
                   INTERNET_PORT nPort, const CString& strObject, CString& strBody)
{
    std::unique_ptr<CHttpConnection> pConnection(session.GetHttpConnection(strServer, nPort));
    std::unique_ptr<CHttpFile> pFile(pConnection->OpenRequest("GET", strObject, nullptr, 1, nullptr, nullptr, kRequestFlags));
    pFile->SendRequest();
    ReadBody(params, *pFile, strBody);
    pFile->Close();
    pConnection->Close();
}

UINT FetchOverHttps(CConnectParams& params, const CString& strServer, INTERNET_PORT nPort, const CString& strObject)
{
    try {
        CInternetSession session(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, kSessionFlags);

        // The second document is skipped when its location is not a URL; its body stays empty.
        CString strSecondLocation = params.strSecond;
        params.strSecond.Empty();
        DWORD dwService = 0;
        CString strSecondServer, strSecondObject;
        INTERNET_PORT nSecondPort = 0;
        if (AfxParseURL(strSecondLocation, dwService, strSecondServer, strSecondObject, nSecondPort))
            FetchDocument(params, session, strSecondServer, nSecondPort, strSecondObject, params.strSecond);

        FetchDocument(params, session, strServer, nPort, strObject, params.strFirst);
        session.Close();
    } catch (CInternetException* pException) {
        pException->Delete();
        AfxMessageBox("Error connecting to " QUENDAR_WEB_SITE "\n\nPlease make sure that you are properly connected "
                      "to the Internet and try running Corvatel again.",
                      MB_OK);
        return CONNECT_FAILED;
    }

    if (params.strFirst.Find("Product Id") < 0) {
        AfxMessageBox(kRetrievalError, MB_OK);
        return CONNECT_FAILED;
    }
    return CONNECT_DONE;
}

UINT ReadLocalFile(CConnectParams& params, const CString& strPath)
{
    // A local catalogue comes without a second document.
    params.strSecond.Empty();
    if (_access(strPath, 0) != 0)
        return CONNECT_FAILED;

    CFile file;
    if (file.Open(strPath, CFile::modeRead | CFile::shareDenyNone))
        ReadChunks(params, params.strFirst, [&](char* pBuffer) { return file.Read(pBuffer, kChunk); });
    return CONNECT_DONE;
}

// Ends a fetch that holds too much: what was read is let go before the message is shown.
void FailWith(CConnectParams& params, const char* pszMessage)
{
    params.strFirst.Empty();
    params.strSecond.Empty();
    AfxMessageBox(pszMessage, MB_OK);
}

UINT FetchDocuments(CConnectParams& params)
{
    CString strLocation = params.strFirst;
    params.strFirst.Empty();
    DWORD dwService = 0;
    CString strServer, strObject;
    INTERNET_PORT nPort = 0;
    // Only a lower-case "https://" location is fetched; anything else is a file name.
    try {
        if (strLocation.Find("https://") < 0 || !AfxParseURL(strLocation, dwService, strServer, strObject, nPort))
            return ReadLocalFile(params, strLocation);
        return FetchOverHttps(params, strServer, nPort, strObject);
    } catch (const CDocumentTooLarge&) {
        FailWith(params, kTooLargeError);
    } catch (const std::bad_alloc&) {
        FailWith(params, kRetrievalError);
    }
    return CONNECT_FAILED;
}

} // namespace

UINT ConnectThreadProc(LPVOID pParam)
{
    CConnectParams* pParams = static_cast<CConnectParams*>(pParam);
    UINT nResult = FetchDocuments(*pParams);
    // The fetch id tells this worker's end from that of a worker whose dialog has gone.
    PostMessageA(g_hDlgConnect, g_uConnectedMsg, nResult, pParams->nFetchId);
    pParams->Release();
    AfxEndThread(nResult);
}
