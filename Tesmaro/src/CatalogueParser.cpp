// Turns the catalogue document into product records: every element child of the root is one
// entry, and each dependency is completed from the catalogue entry with its id, version and build.
#include "DomText.h"
#include "Skelvar.h"

#include <AfxMessageBox.h>
#include <SystemErrorText.h>

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

template <class T>
struct CElementField
{
    const char* pszName;
    T CProductInfo::*pField;
};

// Elements read as they are met; a later one of the same name overwrites.
const CElementField<int> kNumberElements[] = {
    {"kx7200r", &CProductInfo::m_bReqKX7200R},
    {"reboot", &CProductInfo::m_bReboot},
    {"showproduct", &CProductInfo::m_bShowProduct},
    {"showbeta", &CProductInfo::m_bShowBeta},
    {"showsnip", &CProductInfo::m_bShowSnip},
    {"showinstalldriverwarning", &CProductInfo::m_bShowInstallDriverWarning},
    {"preinstallmessagebuttons", &CProductInfo::m_nPreinstallMessageButtons},
    {"installtype", &CProductInfo::m_nInstallType},
};
const CElementField<CString> kTextElements[] = {
    {"exe", &CProductInfo::m_strExe},
    {"relnotes", &CProductInfo::m_strRelNotes},
    {"preinstallmessage", &CProductInfo::m_strPreinstallMessage},
    {"preinstallmessagepriortoversion", &CProductInfo::m_strPreinstallMessagePriorToVersion},
    {"uninstallpriortoversion", &CProductInfo::m_strUninstallPriorToVersion},
    {"uninstallpendingfile", &CProductInfo::m_strUninstallPendingFile},
    {"uninstallprompt", &CProductInfo::m_strUninstallPrompt},
    {"installfolder", &CProductInfo::m_strInstallFolder},
};
// Elements applied after the walk, from the last node of their name.
const CElementField<CString> kLateTextElements[] = {
    {"name", &CProductInfo::m_strName},
    {"date", &CProductInfo::m_strDate},
    {"download", &CProductInfo::m_strDownload},
    {"notes", &CProductInfo::m_strNotes},
};

template <class T, size_t N>
T CProductInfo::*FindElement(const CElementField<T> (&elements)[N], const CString& strName)
{
    for (const CElementField<T>& element : elements)
        if (strName == element.pszName)
            return element.pField;
    return nullptr;
}

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

} // namespace

int CSkelvar::CreateInstance()
{
    CComRef<IXMLDOMDocument> pDocument;
    HRESULT hr = CoCreateInstance(kClsidDomDocument, nullptr, kAnyServerContext, IID_IXMLDOMDocument,
                                  reinterpret_cast<void**>(&pDocument));
    if (FAILED(hr)) {
        AfxMessageBox(AfxGetSystemErrorText(static_cast<DWORD>(hr)), MB_OK);
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
        CProductInfo product = ReadEntryAttributes(pEntry.Get());
        if (std::find(vecTakenIds.begin(), vecTakenIds.end(), product.m_nId) != vecTakenIds.end())
            continue; // the first entry of an id wins
        vecTakenIds.push_back(product.m_nId);

        m_vecCompleting.push_back(CompletionKey(product));
        CComRef<IXMLDOMNodeList> pChildren = ChildNodes(pEntry.Get());
        GetFileInfo(pChildren.Get(), &product);
        m_vecCompleting.pop_back();
        m_vecProducts.push_back(product);
    }
}

CProductInfo CSkelvar::ReadEntryAttributes(IXMLDOMNode* pEntry)
{
    CEntryAttributes entry;
    CComRef<IXMLDOMNamedNodeMap> pAttributes = Attributes(pEntry);
    GetIdAndVersion(pAttributes.Get(), &entry.nId, &entry.strVersion, &entry.strMinRequiredVersion,
                    &entry.strStartMenuText, &entry.strBuild, &entry.bShowDependency, &entry.bOptionalDependency,
                    &entry.bDisplayStartMenu);
    return entry.MakeRecord();
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
        else if (strName == "startmenutext") {
            if (!strText.IsEmpty())
                pProduct->m_strStartMenuText = strText;
        } else if (int CProductInfo::*pNumber = FindElement(kNumberElements, strName))
            pProduct->*pNumber = atoi(strText);
        else if (CString CProductInfo::*pText = FindElement(kTextElements, strName))
            pProduct->*pText = strText;

        mapTexts[strName] = strText;
    }

    for (const auto& element : kLateTextElements) {
        auto it = mapTexts.find(element.pszName);
        if (it != mapTexts.end())
            pProduct->*element.pField = it->second;
    }
    auto it = mapTexts.find("beta");
    if (it != mapTexts.end())
        pProduct->m_bBeta = atoi(it->second) != 0 ? 1 : 0;
    if ((it = mapTexts.find("snip")) != mapTexts.end())
        pProduct->m_bSnip = atoi(it->second) != 0 ? 1 : 0;
    if ((it = mapTexts.find("size")) != mapTexts.end())
        pProduct->m_fSize = static_cast<float>(atof(it->second));
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
        CProductInfo dependency = ReadEntryAttributes(dependencies[i].Get());

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
        CProductInfo entry = ReadEntryAttributes(pEntry.Get());
        if (entry.m_nId == pProduct->m_nId && entry.m_strVersion == pProduct->m_strVersion &&
            entry.m_strBuild == pProduct->m_strBuild) {
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
