// The catalogue fetch as a user meets it: the connect dialog and its worker against the HTTPS test
// servers on the loopback address (started by scripts/test, ports in CORVATEL_HTTPS_PORT and
// CORVATEL_HTTPS_PORT2, both names of the maker mapped to 127.0.0.1) and against local files.
// A watcher thread reads and presses the dialog; message boxes are answered as a user would.
#include <winsock2.h>

#include "TestFolders.h"

#include <Skelvar.h>
#include <UiDriver.h>

#include <gtest/gtest.h>

#include <objbase.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kConnectCaption[] = "Quendar Corvatel";
const int kConnectLabel = 229;
const char kRetrievalError[] = "Error retrieving Corvatel's update file.\n\nPlease try running Corvatel again.";
const char kTooLargeError[] = "Corvatel's update file is too large.\n\nPlease try running Corvatel again.";
const char kConnectionError[] = "Error connecting to www.quendar.com\n\nPlease make sure that you are properly "
                                "connected to the Internet and try running Corvatel again.";

std::string Str(const CString& str)
{
    return std::string(static_cast<LPCSTR>(str), static_cast<size_t>(str.GetLength()));
}

std::string ReadFixture(const char* pszName)
{
    std::ifstream file(CORVATEL_FIXTURES_DIR "/" + std::string(pszName), std::ios::binary);
    EXPECT_TRUE(file.is_open()) << "fixture " << pszName;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A catalogue with one product ("Sized", id 7), padded to exactly nSize bytes inside a comment
// that only closes at the end, so a parser accepts nothing but the whole text. The test server's
// /sized/<n> replies are made the same way.
std::string SizedCatalogue(size_t nSize)
{
    const std::string strHead = "<?xml version=\"1.0\"?>\r\n<Products>\r\n"
                                "<Product Id=\"7\" Version=\"1.0.0\" Build=\"1\"><Name>Sized</Name></Product>\r\n<!--";
    const std::string strTail = "-->\r\n</Products>\r\n";
    return strHead + std::string(nSize - strHead.size() - strTail.size(), 'x') + strTail;
}

std::vector<std::string> Names(const std::vector<CProductInfo>& products)
{
    std::vector<std::string> names;
    for (const CProductInfo& product : products)
        names.push_back(Str(product.GetName()));
    return names;
}

// A loopback port nothing listens on: bound by us, then let go.
int ClosedPort()
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int nLength = sizeof(address);
    int nPort = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &nLength) == 0)
        nPort = ntohs(address.sin_port);
    closesocket(s);
    WSACleanup();
    return nPort;
}

// Runs a step of the test on a thread of its own, beside the modal dialog on the test's thread.
class CWatcher
{
public:
    explicit CWatcher(std::function<void()> step) : m_thread(std::move(step)) {}
    ~CWatcher() { Join(); }
    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::thread m_thread;
};

struct CFetch
{
    int nResult;
    std::vector<std::string> boxes; // what the message boxes said, in order
};

class CatalogueFetchTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override
    {
        const char* pszPort = getenv("CORVATEL_HTTPS_PORT");
        const char* pszPort2 = getenv("CORVATEL_HTTPS_PORT2");
        ASSERT_TRUE(pszPort && pszPort2) << "the HTTPS test servers are started by scripts/test";
        m_strPort = pszPort;
        m_strPort2 = pszPort2;
    }

    // A document of the first server, under the maker's web site name.
    CString Www(const char* pszPath) const { return "https://www.quendar.com:" + m_strPort + pszPath; }
    // A document of the second server, under the download host's name.
    CString Sftp(const char* pszPath) const { return "https://sftp.quendar.com:" + m_strPort2 + pszPath; }
    // The query that makes a server refuse a request not addressed to it by this name and port.
    std::string OnWww() const { return "on=www.quendar.com:" + Str(m_strPort); }
    std::string OnSftp() const { return "on=sftp.quendar.com:" + Str(m_strPort2); }

    // Init with every message box answered.
    static CFetch Fetch(CSkelvar& client, const char* pszServerName, const CString& strSecondLocation)
    {
        UiDriver::CMessageBoxAnswerer answerer;
        int nResult = client.Init(pszServerName, strSecondLocation);
        return {nResult, answerer.Texts()};
    }

    // The connect dialog's label while the dialog is up.
    static std::string LabelDuringFetch(CSkelvar& client, const char* pszServerName, const CString& strSecond,
                                        CFetch& fetch)
    {
        std::string strLabel = "<no connect dialog>";
        CWatcher watcher([&] {
            if (HWND hDialog = UiDriver::WaitForWindowByCaption(kConnectCaption))
                strLabel = UiDriver::GetControlText(hDialog, kConnectLabel);
        });
        fetch = Fetch(client, pszServerName, strSecond);
        watcher.Join();
        return strLabel;
    }

    CString m_strPort;
    CString m_strPort2;
};

// Presses Cancel in the connect dialog once it has been up for dwAfter ms. A press that falls
// into a read loop is ignored by design, so it presses again, a few times at most.
class CCanceller
{
public:
    explicit CCanceller(DWORD dwAfter)
        : m_watcher([this, dwAfter] {
              HWND hDialog = UiDriver::WaitForWindowByCaption(kConnectCaption);
              if (!hDialog)
                  return;
              Sleep(dwAfter);
              for (int i = 0; i < 3 && IsWindow(hDialog); ++i) {
                  m_dwPressedAt = GetTickCount();
                  UiDriver::PressButton(hDialog, IDCANCEL);
                  UiDriver::WaitForWindowGone(hDialog, 300);
              }
          })
    {
    }

    void Join() { m_watcher.Join(); }
    // When Cancel was last pressed; 0 when the dialog never came. Read after Join().
    DWORD PressedAt() const { return m_dwPressedAt; }

private:
    DWORD m_dwPressedAt = 0;
    CWatcher m_watcher;
};

// Milliseconds from one tick to a later one; negative when "later" came first.
long Elapsed(DWORD dwFrom, DWORD dwTo)
{
    return static_cast<long>(static_cast<LONG>(dwTo - dwFrom));
}

// Init of a client of the catalogue with Cancel pressed dwAfter ms into its connect dialog: the
// load ends within a second of the press, refused and keeping nothing. Gives when Cancel was
// pressed (0 when the dialog never came) and when the load ended.
DWORD InitCancelled(const CString& strCatalogue, const CString& strLicence, DWORD dwAfter, DWORD& dwEndedAt)
{
    CSkelvar cancelled(strCatalogue, "", "license location");
    CCanceller canceller(dwAfter);
    int nResult = cancelled.Init("", strLicence);
    dwEndedAt = GetTickCount();
    canceller.Join();

    EXPECT_NE(0u, canceller.PressedAt()) << "no connect dialog";
    EXPECT_EQ(0, nResult);
    EXPECT_LT(Elapsed(canceller.PressedAt(), dwEndedAt), 1000);
    EXPECT_TRUE(cancelled.m_vecProducts.empty());
    EXPECT_STREQ("license location", cancelled.m_strLicense);
    return canceller.PressedAt();
}

TEST_F(CatalogueFetchTest, FetchesTheLicenceAndTheCatalogueOverHttps)
{
    // The catalogue's reply is held back a moment, so the dialog stays up to be read.
    CSkelvar named(Www("/catalogue-full.xml?delay=0.7"), "", "license.rtf");
    CFetch fetch;
    EXPECT_EQ("Connecting to Quendar Test Server...",
              LabelDuringFetch(named, "Quendar Test Server", Www("/license.rtf"), fetch));
    ASSERT_EQ(1, fetch.nResult);
    EXPECT_TRUE(fetch.boxes.empty());
    EXPECT_EQ(ReadFixture("license.rtf"), Str(named.m_strLicense));
    EXPECT_EQ(13u, named.m_vecProducts.size());
    EXPECT_STREQ("4.0.11", *named.GetCorvatelMinVer());

    // Without a server name the label names the default download host.
    CSkelvar unnamed(Www("/catalogue-full.xml?delay=0.7"), "", "");
    EXPECT_EQ("Connecting to sftp.quendar.com...", LabelDuringFetch(unnamed, "", Www("/license.rtf"), fetch));
    EXPECT_EQ(1, fetch.nResult);
    EXPECT_EQ(13u, unnamed.m_vecProducts.size());
}

TEST_F(CatalogueFetchTest, EachDocumentComesFromTheServerAndPortOfItsOwnLocation)
{
    // Each server refuses a request addressed to the other one.
    CSkelvar client(Www(("/catalogue-full.xml?" + OnWww()).c_str()), "", "");
    CFetch fetch = Fetch(client, "", Sftp(("/license.rtf?" + OnSftp()).c_str()));
    ASSERT_EQ(1, fetch.nResult) << (fetch.boxes.empty() ? "" : fetch.boxes[0]);
    EXPECT_EQ(ReadFixture("license.rtf"), Str(client.m_strLicense));
    EXPECT_EQ(13u, client.m_vecProducts.size());
}

TEST_F(CatalogueFetchTest, OnlyTheCatalogueMustHoldProducts)
{
    // An error page for the licence is taken as the licence text.
    CSkelvar client(Www("/catalogue-full.xml"), "", "");
    CFetch fetch = Fetch(client, "", Www("/status/404"));
    ASSERT_EQ(1, fetch.nResult);
    EXPECT_TRUE(fetch.boxes.empty());
    EXPECT_NE(std::string::npos, Str(client.m_strLicense).find("404 Not Found")) << Str(client.m_strLicense);
    EXPECT_EQ(13u, client.m_vecProducts.size());

    // A catalogue reply without "Product Id" is refused with the retrieval message.
    for (const char* pszPath : {"/status/404", "/status/500", "/no-product", "/empty"}) {
        SCOPED_TRACE(pszPath);
        CSkelvar refused(Www(pszPath), "", "license location");
        fetch = Fetch(refused, "", Www("/license.rtf"));
        EXPECT_EQ(0, fetch.nResult);
        EXPECT_EQ(std::vector<std::string>{kRetrievalError}, fetch.boxes);
        EXPECT_TRUE(refused.m_vecProducts.empty());
        EXPECT_STREQ("license location", refused.m_strLicense); // only an OK hands over the bodies
    }
}

TEST_F(CatalogueFetchTest, ReadsWholeBodiesWhateverTheirSize)
{
    // Replies of whole 1024-byte chunks end on a read of 0 bytes.
    for (int nSize : {1024, 3072}) {
        SCOPED_TRACE(nSize);
        CString strPath;
        strPath.Format("/sized/%d", nSize);
        CSkelvar client(Www(strPath), "", "");
        CFetch fetch = Fetch(client, "", Www(strPath));
        ASSERT_EQ(1, fetch.nResult);
        EXPECT_EQ(SizedCatalogue(nSize), Str(client.m_strLicense));
        EXPECT_EQ(std::vector<std::string>{"Sized"}, Names(client.m_vecProducts));
    }

    // Local catalogues: whole chunks, more than one chunk, and a short last chunk.
    CTempTree tree;
    for (int nSize : {1024, 4096, 5000}) {
        SCOPED_TRACE(nSize);
        CString strName;
        strName.Format("catalogue-%d.xml", nSize);
        CSkelvar client(tree.WriteText(strName, SizedCatalogue(nSize).c_str()), "", "");
        CFetch fetch = Fetch(client, "", "");
        EXPECT_EQ(1, fetch.nResult);
        EXPECT_EQ(std::vector<std::string>{"Sized"}, Names(client.m_vecProducts));
    }

    // A local catalogue past 64 MiB is refused with its own message before it is held whole.
    const CString strLarge = tree.Path("large.xml");
    {
        std::ofstream file(static_cast<LPCSTR>(strLarge), std::ios::binary);
        file << SizedCatalogue((64 << 20) + 1);
    }
    CSkelvar tooLarge(strLarge, "", "");
    CFetch refused = Fetch(tooLarge, "", "");
    EXPECT_EQ(0, refused.nResult);
    EXPECT_EQ(std::vector<std::string>{kTooLargeError}, refused.boxes);
    EXPECT_TRUE(tooLarge.m_vecProducts.empty());
}

TEST_F(CatalogueFetchTest, TellsServerLocationsFromLocalFiles)
{
    CTempTree tree;
    CString strLocalCatalogue = tree.WriteText("catalogue.xml", SizedCatalogue(2000).c_str());

    // "HTTPS://" in capitals is taken for a file name, and there is no such file: no message.
    CString strUpper = "HTTPS://www.quendar.com:" + m_strPort + "/catalogue-full.xml";
    CSkelvar upper(strUpper, "", "");
    CFetch fetch = Fetch(upper, "", Www("/license.rtf"));
    EXPECT_EQ(0, fetch.nResult);
    EXPECT_TRUE(fetch.boxes.empty());

    // A missing local catalogue fails without a message too.
    CSkelvar missing(tree.Path("missing.xml"), "", "");
    fetch = Fetch(missing, "", "");
    EXPECT_EQ(0, fetch.nResult);
    EXPECT_TRUE(fetch.boxes.empty());

    // An alternate location replaces the catalogue location: a server one ...
    CSkelvar altServer(Www("/no-product"), Www("/catalogue-full.xml"), "");
    fetch = Fetch(altServer, "", Www("/license.rtf"));
    EXPECT_EQ(1, fetch.nResult);
    EXPECT_EQ(13u, altServer.m_vecProducts.size());
    EXPECT_EQ(ReadFixture("license.rtf"), Str(altServer.m_strLicense));

    // ... or a local file, which comes without a licence even when one is named.
    CSkelvar altFile(Www("/no-product"), strLocalCatalogue, "license location");
    fetch = Fetch(altFile, "", Www("/license.rtf"));
    EXPECT_EQ(1, fetch.nResult);
    EXPECT_TRUE(fetch.boxes.empty());
    EXPECT_EQ(std::vector<std::string>{"Sized"}, Names(altFile.m_vecProducts));
    EXPECT_STREQ("", altFile.m_strLicense);

    // No second location: no licence request, the catalogue all the same.
    CSkelvar noLicence(Www("/catalogue-full.xml"), "", "license location");
    fetch = Fetch(noLicence, "", "");
    EXPECT_EQ(1, fetch.nResult);
    EXPECT_TRUE(fetch.boxes.empty());
    EXPECT_EQ(13u, noLicence.m_vecProducts.size());
    EXPECT_STREQ("", noLicence.m_strLicense);
}

TEST_F(CatalogueFetchTest, ReportsAServerThatCannotBeReached)
{
    int nPort = ClosedPort();
    ASSERT_NE(0, nPort);
    CString strClosed;
    strClosed.Format("https://www.quendar.com:%d", nPort);

    CSkelvar catalogue(strClosed + "/catalogue-full.xml", "", "license location");
    CFetch fetch = Fetch(catalogue, "", Www("/license.rtf"));
    EXPECT_EQ(0, fetch.nResult);
    EXPECT_EQ(std::vector<std::string>{kConnectionError}, fetch.boxes);
    EXPECT_TRUE(catalogue.m_vecProducts.empty());
    EXPECT_STREQ("license location", catalogue.m_strLicense);

    // The licence's server counts as much as the catalogue's.
    CSkelvar licence(Www("/catalogue-full.xml"), "", "");
    fetch = Fetch(licence, "", strClosed + "/license.rtf");
    EXPECT_EQ(0, fetch.nResult);
    EXPECT_EQ(std::vector<std::string>{kConnectionError}, fetch.boxes);
    EXPECT_TRUE(licence.m_vecProducts.empty());
}

TEST_F(CatalogueFetchTest, CancelEndsADocumentReadAtItsNextPiece)
{
    UiDriver::CMessageBoxAnswerer answerer;

    // The catalogue trickles in over 8 s in 60 pieces, so the Cancel falls into its read loop.
    DWORD dwEndedAt = 0;
    DWORD dwPressedAt = InitCancelled(Www("/catalogue-full.xml?trickle=8"), Www("/license.rtf"), 3000, dwEndedAt);
    ASSERT_NE(0u, dwPressedAt);

    // The worker leaves the read at its next piece, keeps nothing of it, and says so long before
    // the body would have ended.
    UiDriver::CMessageBoxAnswerer::CAnswer late;
    ASSERT_TRUE(answerer.WaitForAnswer(kRetrievalError, 8000, &late));
    EXPECT_LT(Elapsed(dwPressedAt, late.dwTick), 2000);
    EXPECT_EQ(std::vector<std::string>{kRetrievalError}, answerer.Texts());
}

TEST_F(CatalogueFetchTest, CancelBetweenTheRequestsEndsTheDialogAtOnce)
{
    UiDriver::CMessageBoxAnswerer answerer;

    // The licence comes at once; the catalogue's reply is held back well past the Cancel.
    DWORD dwEndedAt = 0;
    ASSERT_NE(0u, InitCancelled(Www("/catalogue-full.xml?delay=2.5"), Www("/license.rtf"), 500, dwEndedAt));
    EXPECT_TRUE(answerer.Texts().empty());

    // The worker goes on alone: once the reply comes it reads nothing, and says so with the dialog gone.
    UiDriver::CMessageBoxAnswerer::CAnswer late;
    ASSERT_TRUE(answerer.WaitForAnswer(kRetrievalError, 8000, &late));
    EXPECT_GE(Elapsed(dwEndedAt, late.dwTick), 1000);
    EXPECT_EQ(std::vector<std::string>{kRetrievalError}, answerer.Texts());

    // The Cancel stopped that fetch only: a new client in this process reads its documents.
    CSkelvar next(Www("/catalogue-full.xml"), "", "");
    EXPECT_EQ(1, next.Init("", Www("/license.rtf")));
    EXPECT_EQ(13u, next.m_vecProducts.size());
    EXPECT_EQ(ReadFixture("license.rtf"), Str(next.m_strLicense));
    EXPECT_EQ(1u, answerer.Texts().size());
}

TEST_F(CatalogueFetchTest, AWorkerOfACancelledDialogDoesNotEndTheNextOne)
{
    UiDriver::CMessageBoxAnswerer answerer;

    // The first worker is cancelled while it waits for an error page ...
    CSkelvar cancelled(Www("/status/500?delay=1.5"), "", "");
    CCanceller canceller(200);
    EXPECT_EQ(0, cancelled.Init("", ""));
    canceller.Join();
    ASSERT_NE(0u, canceller.PressedAt()) << "no connect dialog";

    // ... which comes, and is reported and answered, while the next dialog waits for its catalogue.
    CSkelvar next(Www("/catalogue-full.xml?delay=3"), "", "");
    DWORD dwStartedAt = GetTickCount();
    int nResult = next.Init("", Www("/license.rtf"));
    DWORD dwEndedAt = GetTickCount();

    UiDriver::CMessageBoxAnswerer::CAnswer late;
    ASSERT_TRUE(answerer.WaitForAnswer(kRetrievalError, 0, &late)) << "the first worker never reported";
    EXPECT_GT(Elapsed(dwStartedAt, late.dwTick), 0);
    EXPECT_GT(Elapsed(late.dwTick, dwEndedAt), 500) << "the first worker reported after the next dialog had ended";
    EXPECT_EQ(1, nResult);
    EXPECT_EQ(13u, next.m_vecProducts.size());
    EXPECT_EQ(ReadFixture("license.rtf"), Str(next.m_strLicense));
    EXPECT_EQ(std::vector<std::string>{kRetrievalError}, answerer.Texts());
}

} // namespace

TEST_F(CatalogueFetchTest, AWorkerOfACancelledDialogNeitherHoldsUpNorTakesTheNextDialogsCancel)
{
    UiDriver::CMessageBoxAnswerer answerer;

    // The first worker is cancelled while it waits for a catalogue that then trickles in for seconds ...
    CSkelvar cancelled(Www("/catalogue-full.xml?delay=1&trickle=6"), "", "");
    CCanceller canceller(200);
    EXPECT_EQ(0, cancelled.Init("", ""));
    canceller.Join();
    ASSERT_NE(0u, canceller.PressedAt()) << "no connect dialog";

    // ... and the next dialog's Cancel, pressed while that worker would still be reading, ends it at once.
    CSkelvar next(Www("/catalogue-full.xml?delay=3"), "", "");
    CCanceller nextCanceller(1500);
    int nResult = next.Init("", "");
    DWORD dwEndedAt = GetTickCount();
    nextCanceller.Join();
    ASSERT_NE(0u, nextCanceller.PressedAt()) << "no second connect dialog";
    EXPECT_EQ(0, nResult);
    EXPECT_LT(Elapsed(nextCanceller.PressedAt(), dwEndedAt), 1000);
    EXPECT_TRUE(next.m_vecProducts.empty());

    // Each worker reads nothing once its own dialog is cancelled, and says so.
    for (DWORD dwStart = GetTickCount(); answerer.Texts().size() < 2 && Elapsed(dwStart, GetTickCount()) < 8000;)
        Sleep(50);
    EXPECT_EQ((std::vector<std::string>{kRetrievalError, kRetrievalError}), answerer.Texts());
}
