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

UINT g_uConnectMsg = RegisterWindowMessageA("ConnectSkelvar");
UINT g_uConnectedMsg = RegisterWindowMessageA("ConnectedSkelvar");
HWND g_hDlgConnect = nullptr;
volatile LONG g_nConnectFetchId = 0;
volatile LONG g_bConnectBusy = 0;
volatile LONG g_bConnectRun = 1;

namespace {

const DWORD kSessionFlags = INTERNET_FLAG_DONT_CACHE | INTERNET_FLAG_SECURE;
const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_SECURE;
const UINT kChunk = 1024;

// Cancel is ignored while a read loop runs; the flag drops on every way out of the loop.
class CBusyScope
{
public:
    explicit CBusyScope(CConnectParams& params) : m_params(params)
    {
        SetConnectFlag(m_params, m_params.bBusy, g_bConnectBusy, 1);
    }
    ~CBusyScope() { SetConnectFlag(m_params, m_params.bBusy, g_bConnectBusy, 0); }

private:
    CConnectParams& m_params;
};

// Reads a request's body in chunks while the fetch's run flag stays set.
void ReadBody(CConnectParams& params, CHttpFile& file, CString& strBody)
{
    char buffer[kChunk];
    CBusyScope busy(params);
    while (params.bRun) {
        UINT nRead = file.Read(buffer, kChunk);
        if (nRead == 0)
            break;
        strBody += CString(buffer, static_cast<int>(nRead));
    }
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
        AfxMessageBox("Error retrieving Corvatel's update file.\n\nPlease try running Corvatel again.", MB_OK);
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

    CBusyScope busy(params);
    CFile file;
    if (file.Open(strPath, CFile::modeRead | CFile::shareDenyNone)) {
        char buffer[kChunk];
        while (params.bRun) {
            UINT nRead = file.Read(buffer, kChunk);
            if (nRead < 1)
                break;
            params.strFirst += CString(buffer, static_cast<int>(nRead));
        }
        file.Close();
    }
    return CONNECT_DONE;
}

UINT FetchDocuments(CConnectParams& params)
{
    CString strLocation = params.strFirst;
    params.strFirst.Empty();
    DWORD dwService = 0;
    CString strServer, strObject;
    INTERNET_PORT nPort = 0;
    // Only a lower-case "https://" location is fetched; anything else is a file name.
    if (strLocation.Find("https://") < 0 || !AfxParseURL(strLocation, dwService, strServer, strObject, nPort))
        return ReadLocalFile(params, strLocation);
    return FetchOverHttps(params, strServer, nPort, strObject);
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
