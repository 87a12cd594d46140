// Turns the catalogue document into product records: every element child of the root is one
// entry, and each dependency is completed from the catalogue entry with its id, version and build.
#include "DomText.h"
#include "Skelvar.h"

#include <AfxMessageBox.h>

#include <algorithm>
#include <map>
#include <string.h>

namespace {

// MSXML's DOM document class, created in any server context.
const CLSID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const DWORD kAnyServerContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
const int kMaxAdditionalExes = 50;

// The attribute values an entry starts from before its own attributes are read.
struct CEntryAttributes
{
    int nId = 0;
    CString strVersion;
    CString strMinRequiredVersion;
    CString strStartMenuText;
    CString strBuild;
    int bShowDependency = 1;
    int bOptionalDependency = 0;
    int bDisplayStartMenu = 1;

    CProductInfo MakeRecord() const
    {
        return CProductInfo(nId, strVersion, strMinRequiredVersion, strStartMenuText, strBuild, bShowDependency,
                            bOptionalDependency, bDisplayStartMenu);
    }
};

CString CompletionKey(const CProductInfo& product)
{
    CString strKey;
    strKey.Format("%d|%s|%s", product.m_nId, static_cast<LPCSTR>(product.m_strVersion),
                  static_cast<LPCSTR>(product.m_strBuild));
    return strKey;
}

long NodeCount(IXMLDOMNodeList* pNodes)
{
    long nCount = 0;
    return (pNodes && SUCCEEDED(pNodes->get_length(&nCount))) ? nCount : 0;
}

CComRef<IXMLDOMNode> NodeAt(IXMLDOMNodeList* pNodes, long i)
{
    CComRef<IXMLDOMNode> pNode;
    pNodes->get_item(i, &pNode);
    return pNode;
}

CComRef<IXMLDOMNodeList> ChildNodes(IXMLDOMNode* pNode)
{
    CComRef<IXMLDOMNodeList> pChildren;
    pNode->get_childNodes(&pChildren);
    return pChildren;
}

CComRef<IXMLDOMNamedNodeMap> Attributes(IXMLDOMNode* pNode)
{
    CComRef<IXMLDOMNamedNodeMap> pAttributes;
    pNode->get_attributes(&pAttributes);
    return pAttributes;
}

// Element children only: comments and processing instructions carry no entry.
std::vector<CComRef<IXMLDOMNode>> ElementNodes(IXMLDOMNodeList* pNodes)
{
    std::vector<CComRef<IXMLDOMNode>> elements;
    for (long i = 0, n = NodeCount(pNodes); i < n; ++i) {
        CComRef<IXMLDOMNode> pNode = NodeAt(pNodes, i);
        if (IsElementNode(pNode.Get()))
            elements.push_back(pNode);
    }
    return elements;
}

CString ErrorText(HRESULT hr)
{
    char* pszText = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(hr), 0, reinterpret_cast<LPSTR>(&pszText), 0, nullptr);
    CString strText;
    if (pszText) {
        strText = pszText;
        LocalFree(pszText);
    } else {
        strText.Format("Unknown error 0x%08lX", static_cast<unsigned long>(hr));
    }
    return strText;
}

} // namespace

int CSkelvar::CreateInstance()
{
    CComRef<IXMLDOMDocument> pDocument;
    HRESULT hr = CoCreateInstance(kClsidDomDocument, nullptr, kAnyServerContext, IID_IXMLDOMDocument,
                                  reinterpret_cast<void**>(&pDocument));
    if (FAILED(hr)) {
        AfxMessageBox(ErrorText(hr), MB_OK);
        return 0;
    }
    m_pDocument = pDocument;
    return 1;
}

int CSkelvar::LoadCatalogue(const CString& strCatalogue, const CString& strSecond)
{
    m_strLicense = strSecond;
    m_strCorvatelMinVer = GetXMLString(strCatalogue, "MinCorvatelVer");
    m_strCorvatelDownloadURL = GetXMLString(strCatalogue, "CorvatelDownloadURL");
    if (!m_pDocument)
        return 0;

    int nWide = MultiByteToWideChar(CP_ACP, 0, strCatalogue, strCatalogue.GetLength(), nullptr, 0);
    BSTR bstrCatalogue = SysAllocStringLen(nullptr, static_cast<UINT>(nWide));
    MultiByteToWideChar(CP_ACP, 0, strCatalogue, strCatalogue.GetLength(), bstrCatalogue, nWide);
    VARIANT_BOOL bLoaded = VARIANT_FALSE;
    HRESULT hr = m_pDocument->loadXML(bstrCatalogue, &bLoaded);
    SysFreeString(bstrCatalogue);
    if (FAILED(hr) || bLoaded != VARIANT_TRUE)
        return 0;

    if (FAILED(m_pDocument->get_documentElement(&m_pRoot)) || !m_pRoot)
        return 0;
    CComRef<IXMLDOMNodeList> pEntries = ChildNodes(m_pRoot.Get());
    GetProductInfo(pEntries.Get());
    return 1;
}

CString CSkelvar::GetXMLString(const char* pszDocument, CString strTag)
{
    const char* pszTag = pszDocument ? strstr(pszDocument, strTag) : nullptr;
    if (!pszTag || pszTag == pszDocument || strTag.IsEmpty())
        return CString();
    const char* pszOpen = strchr(pszTag + 1, '>');
    if (!pszOpen)
        return CString();
    const char* pszValue = pszOpen + 1;
    const char* pszClose = strchr(pszValue, '<');
    return pszClose ? CString(pszValue, static_cast<int>(pszClose - pszValue)) : CString(pszValue);
}

void CSkelvar::GetProductInfo(IXMLDOMNodeList* pNodes)
{
    std::vector<int> vecTakenIds;
    for (const CComRef<IXMLDOMNode>& pEntry : ElementNodes(pNodes)) {
        CEntryAttributes entry;
        CComRef<IXMLDOMNamedNodeMap> pAttributes = Attributes(pEntry.Get());
        GetIdAndVersion(pAttributes.Get(), &entry.nId, &entry.strVersion, &entry.strMinRequiredVersion,
                        &entry.strStartMenuText, &entry.strBuild, &entry.bShowDependency, &entry.bOptionalDependency,
                        &entry.bDisplayStartMenu);
        if (std::find(vecTakenIds.begin(), vecTakenIds.end(), entry.nId) != vecTakenIds.end())
            continue; // the first entry of an id wins
        vecTakenIds.push_back(entry.nId);

        CProductInfo product = entry.MakeRecord();
        m_vecCompleting.push_back(CompletionKey(product));
        CComRef<IXMLDOMNodeList> pChildren = ChildNodes(pEntry.Get());
        GetFileInfo(pChildren.Get(), &product);
        m_vecCompleting.pop_back();
        m_vecProducts.push_back(product);
    }
}

void CSkelvar::GetIdAndVersion(IXMLDOMNamedNodeMap* pAttributes, int* pnId, CString* pVersion,
                               CString* pMinRequiredVersion, CString* pStartMenuText, CString* pBuild,
                               int* pbShowDependency, int* pbOptionalDependency, int* pbDisplayStartMenu)
{
    long nCount = 0;
    if (!pAttributes || FAILED(pAttributes->get_length(&nCount)))
        return;
    for (long i = 0; i < nCount; ++i) {
        CComRef<IXMLDOMNode> pAttribute;
        if (FAILED(pAttributes->get_item(i, &pAttribute)) || !pAttribute)
            continue;
        CString strName = GetNodeName(pAttribute.Get());
        CString strValue = GetNodeText(pAttribute.Get());
        if (strName.CompareNoCase("Id") == 0)
            *pnId = atoi(strValue);
        else if (strName.CompareNoCase("Version") == 0)
            *pVersion = strValue;
        else if (strName.CompareNoCase("MinRequiredVersion") == 0)
            *pMinRequiredVersion = strValue;
        else if (strName.CompareNoCase("ShowDependency") == 0)
            *pbShowDependency = atoi(strValue);
        else if (strName.CompareNoCase("OptionalDependency") == 0)
            *pbOptionalDependency = atoi(strValue);
        else if (strName.CompareNoCase("DisplayStartMenu") == 0)
            *pbDisplayStartMenu = atoi(strValue);
        else if (strName.CompareNoCase("StartMenuText") == 0)
            *pStartMenuText = strValue;
        else if (strName.CompareNoCase("Build") == 0)
            *pBuild = strValue;
    }
}

void CSkelvar::GetFileInfo(IXMLDOMNodeList* pNodes, CProductInfo* pProduct)
{
    // Seven elements take effect after the walk, from the last node of their name.
    std::map<CString, CString> mapTexts;
    for (long i = 0, n = NodeCount(pNodes); i < n; ++i) {
        CComRef<IXMLDOMNode> pNode = NodeAt(pNodes, i);
        if (!pNode)
            continue;
        CString strName = GetNodeName(pNode.Get());
        strName.MakeLower();
        CString strText = GetNodeText(pNode.Get());

        if (strName.Find("version") >= 0)
            GetFileLocalInfo(pNode.Get(), pProduct);

        if (strName == "dependency")
            GetDependencyInfo(pNode.Get(), pProduct);
        else if (strName == "additionalexes")
            GetAdditionalExes(pNode.Get(), pProduct);
        else if (strName == "kx7200r")
            pProduct->m_bReqKX7200R = atoi(strText);
        else if (strName == "reboot")
            pProduct->m_bReboot = atoi(strText);
        else if (strName == "showproduct")
            pProduct->m_bShowProduct = atoi(strText);
        else if (strName == "showbeta")
            pProduct->m_bShowBeta = atoi(strText);
        else if (strName == "showsnip")
            pProduct->m_bShowSnip = atoi(strText);
        else if (strName == "showinstalldriverwarning")
            pProduct->m_bShowInstallDriverWarning = atoi(strText);
        else if (strName == "exe")
            pProduct->m_strExe = strText;
        else if (strName == "startmenutext") {
            if (!strText.IsEmpty())
                pProduct->m_strStartMenuText = strText;
        } else if (strName == "relnotes")
            pProduct->m_strRelNotes = strText;
        else if (strName == "preinstallmessage")
            pProduct->m_strPreinstallMessage = strText;
        else if (strName == "preinstallmessagepriortoversion")
            pProduct->m_strPreinstallMessagePriorToVersion = strText;
        else if (strName == "preinstallmessagebuttons")
            pProduct->m_nPreinstallMessageButtons = atoi(strText);
        else if (strName == "uninstallpriortoversion")
            pProduct->m_strUninstallPriorToVersion = strText;
        else if (strName == "uninstallpendingfile")
            pProduct->m_strUninstallPendingFile = strText;
        else if (strName == "uninstallprompt")
            pProduct->m_strUninstallPrompt = strText;
        else if (strName == "installtype")
            pProduct->m_nInstallType = atoi(strText);
        else if (strName == "installfolder")
            pProduct->m_strInstallFolder = strText;

        mapTexts[strName] = strText;
    }

    auto it = mapTexts.find("name");
    if (it != mapTexts.end())
        pProduct->m_strName = it->second;
    if ((it = mapTexts.find("date")) != mapTexts.end())
        pProduct->m_strDate = it->second;
    if ((it = mapTexts.find("download")) != mapTexts.end())
        pProduct->m_strDownload = it->second;
    if ((it = mapTexts.find("beta")) != mapTexts.end())
        pProduct->m_bBeta = atoi(it->second) != 0 ? 1 : 0;
    if ((it = mapTexts.find("snip")) != mapTexts.end())
        pProduct->m_bSnip = atoi(it->second) != 0 ? 1 : 0;
    if ((it = mapTexts.find("size")) != mapTexts.end())
        pProduct->m_fSize = static_cast<float>(atof(it->second));
    if ((it = mapTexts.find("notes")) != mapTexts.end())
        pProduct->m_strNotes = it->second;
}

void CSkelvar::GetFileLocalInfo(IXMLDOMNode* pNode, CProductInfo* pProduct)
{
    CString strName = GetNodeName(pNode);
    CString* pField = nullptr;
    int* pbRegistry = nullptr;
    if (strName.CompareNoCase("versionmodule") == 0) {
        pField = &pProduct->m_strVersionModule;
        pbRegistry = &pProduct->m_bVersionModuleRegistry;
    } else if (strName.CompareNoCase("versionpath") == 0) {
        pField = &pProduct->m_strVersionPath;
        pbRegistry = &pProduct->m_bVersionPathRegistry;
    } else if (strName.CompareNoCase("versionbuild") == 0) {
        pField = &pProduct->m_strVersionBuild;
        pbRegistry = &pProduct->m_bVersionBuildRegistry;
    } else {
        return;
    }

    // Without a "registry" attribute the text names a file or folder.
    *pField = GetNodeText(pNode);
    CComRef<IXMLDOMNamedNodeMap> pAttributes = Attributes(pNode);
    long nCount = 0;
    if (!pAttributes || FAILED(pAttributes->get_length(&nCount)))
        return;
    for (long i = 0; i < nCount; ++i) {
        CComRef<IXMLDOMNode> pAttribute;
        if (SUCCEEDED(pAttributes->get_item(i, &pAttribute)) && pAttribute &&
            GetNodeName(pAttribute.Get()).CompareNoCase("registry") == 0)
            *pbRegistry = GetNodeText(pAttribute.Get()).CompareNoCase("yes") == 0 ? 1 : 0;
    }
}

void CSkelvar::GetDependencyInfo(IXMLDOMNode* pNode, CProductInfo* pProduct)
{
    CComRef<IXMLDOMNodeList> pChildren = ChildNodes(pNode);
    std::vector<CComRef<IXMLDOMNode>> dependencies = ElementNodes(pChildren.Get());
    int nCount = static_cast<int>(dependencies.size());

    delete[] pProduct->m_pDependencies;
    pProduct->m_pDependencies = nCount > 0 ? new CProductInfo[nCount] : nullptr;
    pProduct->m_nDependencyCount = nCount;

    for (int i = 0; i < nCount; ++i) {
        CEntryAttributes entry;
        CComRef<IXMLDOMNamedNodeMap> pAttributes = Attributes(dependencies[i].Get());
        GetIdAndVersion(pAttributes.Get(), &entry.nId, &entry.strVersion, &entry.strMinRequiredVersion,
                        &entry.strStartMenuText, &entry.strBuild, &entry.bShowDependency, &entry.bOptionalDependency,
                        &entry.bDisplayStartMenu);
        CProductInfo dependency = entry.MakeRecord();

        // An entry already being completed further up this chain is a cycle: leave it as its attributes say.
        CString strKey = CompletionKey(dependency);
        if (std::find(m_vecCompleting.begin(), m_vecCompleting.end(), strKey) == m_vecCompleting.end()) {
            m_vecCompleting.push_back(strKey);
            m_pDocument->get_documentElement(&m_pRoot);
            if (m_pRoot) {
                CComRef<IXMLDOMNodeList> pEntries = ChildNodes(m_pRoot.Get());
                GetProductSpecificInfo(pEntries.Get(), &dependency);
            }
            m_vecCompleting.pop_back();
        }
        pProduct->m_pDependencies[i] = dependency;
    }
}

void CSkelvar::GetProductSpecificInfo(IXMLDOMNodeList* pNodes, CProductInfo* pProduct)
{
    for (const CComRef<IXMLDOMNode>& pEntry : ElementNodes(pNodes)) {
        CEntryAttributes entry;
        CComRef<IXMLDOMNamedNodeMap> pAttributes = Attributes(pEntry.Get());
        GetIdAndVersion(pAttributes.Get(), &entry.nId, &entry.strVersion, &entry.strMinRequiredVersion,
                        &entry.strStartMenuText, &entry.strBuild, &entry.bShowDependency, &entry.bOptionalDependency,
                        &entry.bDisplayStartMenu);
        if (entry.nId == pProduct->m_nId && entry.strVersion == pProduct->m_strVersion &&
            entry.strBuild == pProduct->m_strBuild) {
            CComRef<IXMLDOMNodeList> pChildren = ChildNodes(pEntry.Get());
            GetFileInfo(pChildren.Get(), pProduct);
        }
    }
}

void CSkelvar::GetAdditionalExes(IXMLDOMNode* pNode, CProductInfo* pProduct)
{
    CComRef<IXMLDOMNodeList> pChildren = ChildNodes(pNode);
    for (const CComRef<IXMLDOMNode>& pChild : ElementNodes(pChildren.Get())) {
        CComRef<IXMLDOMNamedNodeMap> pAttributes = Attributes(pChild.Get());
        long nCount = 0;
        if (!pAttributes || FAILED(pAttributes->get_length(&nCount)))
            continue;
        for (long i = 0; i < nCount && i < kMaxAdditionalExes; ++i) {
            CComRef<IXMLDOMNode> pAttribute;
            if (FAILED(pAttributes->get_item(i, &pAttribute)) || !pAttribute)
                continue;
            CString strExpected;
            strExpected.Format("exe%ld", i + 1);
            if (GetNodeName(pAttribute.Get()).CompareNoCase(strExpected) == 0)
                pProduct->m_lstAdditionalExes.AddTail(GetNodeText(pAttribute.Get()));
        }
    }
}
