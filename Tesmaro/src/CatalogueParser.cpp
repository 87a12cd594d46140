// Turns the catalogue document into product records: every element child of the root is one
// entry, and each dependency is completed from the catalogue entry with its id, version and build.
#include "DomText.h"
#include "GraphCycles.h"
#include "Skelvar.h"

#include <AfxMessageBox.h>
#include <SystemErrorText.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string.h>
#include <tuple>
#include <unordered_set>

namespace {

// MSXML's DOM document class, created in any server context.
const CLSID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const DWORD kAnyServerContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
const int kMaxAdditionalExes = 50;
// A product's own dependencies are level 1. A dependency nested deeper than this is left
// uncompleted, as a repeated entry of a cycle is: it keeps its own attributes. Real catalogues
// nest three or four levels; the limit bounds what a hostile one can make, since every level
// can multiply the records.
const size_t kMaxDependencyLevels = 8;
// A load that makes more records than this is refused as a malformed catalogue is. Every
// dependency, nested ones too, is a record of its own, so a small hostile catalogue (8 layers of
// 10 products, each needing every product of the next layer) asks for about 10^8 records within
// the depth limit; a catalogue of 5,000 products shaped like a maker's makes about 20,000.
const size_t kMaxRecords = 200000;

// Ends a load that outgrew kMaxRecords.
struct CTooManyRecords
{
};

// What an entry is completed by: its id, version and build, compared exactly.
typedef std::tuple<int, std::string, std::string> CEntryKey;

std::string StdString(const CString& str)
{
    return std::string(static_cast<LPCSTR>(str), static_cast<size_t>(str.GetLength()));
}

CEntryKey KeyOf(const CProductInfo& product)
{
    return CEntryKey(product.m_nId, StdString(product.m_strVersion), StdString(product.m_strBuild));
}

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

    CEntryKey Key() const { return CEntryKey(nId, StdString(strVersion), StdString(strBuild)); }

    CProductInfo MakeRecord() const
    {
        return CProductInfo(nId, strVersion, strMinRequiredVersion, strStartMenuText, strBuild, bShowDependency,
                            bOptionalDependency, bDisplayStartMenu);
    }

    // The record completion starts from: the key alone, no start-menu text. What the catalogue's
    // entries then set is the same for every dependency with this key.
    CProductInfo MakeKeyRecord() const { return CProductInfo(nId, strVersion, "", "", strBuild, 1, 0, 1); }

    // Puts the dependency's own attributes over a completed record: the catalogue's entries set
    // none of them but the start-menu text, and that only when they give one.
    void ApplyOwn(CProductInfo& record, bool bEntryStartMenuText) const
    {
        record.m_strMinRequiredVersion = strMinRequiredVersion;
        memset(record.m_lMinRequiredVersion, 0, sizeof(record.m_lMinRequiredVersion));
        CSkelvar::VersionStringToVersionArray(strMinRequiredVersion, record.m_lMinRequiredVersion);
        if (!bEntryStartMenuText)
            record.m_strStartMenuText = strStartMenuText;
        record.m_bShowDependency = bShowDependency;
        record.m_bOptionalDependency = bOptionalDependency;
        record.m_bDisplayStartMenu = bDisplayStartMenu;
    }
};

// A root entry as the index keeps it: attributes read once, and the element.
struct CIndexedEntry
{
    CEntryAttributes attributes;
    CComRef<IXMLDOMNode> pNode;
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

// Calls visit for every node of the list in document order. The list is walked once: asking
// for the node at an index may walk it from the start each time.
template <class F>
void ForEachNode(IXMLDOMNodeList* pNodes, F visit)
{
    if (!pNodes || FAILED(pNodes->reset()))
        return;
    CComRef<IXMLDOMNode> pNode;
    while (SUCCEEDED(pNodes->nextNode(&pNode)) && pNode)
        visit(pNode);
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
    ForEachNode(pNodes, [&](const CComRef<IXMLDOMNode>& pNode) {
        if (IsElementNode(pNode.Get()))
            elements.push_back(pNode);
    });
    return elements;
}

} // namespace

struct CSkelvar::CLoad
{
    // A completion that may be copied: the record completed from a key record, whether the
    // catalogue's entries gave it a start-menu text, and how many records a copy makes.
    struct CCompleted
    {
        const CProductInfo* pRecord;
        bool bEntryStartMenuText;
        size_t nRecords;
    };

    IXMLDOMNodeList* pIndexed = nullptr;
    std::vector<CIndexedEntry> entries; // the root's element entries, in document order
    std::map<CEntryKey, std::vector<size_t>> byKey; // positions in entries, in document order
    // Keys being completed, the product's own first; a repeat is a cycle.
    std::vector<CEntryKey> completing;
    // Dependencies left uncompleted, at a cycle or below the depth limit.
    size_t nStops = 0;
    size_t nRecords = 0;
    // Keys whose dependencies lead back to them, found when a completion first stops somewhere.
    std::set<CEntryKey> onCycle;
    bool bCyclesFound = false;
    // Completions by key and level. The records stay where they were completed, in the products
    // or in replaced arrays, which are kept until the parse ends for that reason.
    std::map<std::pair<CEntryKey, size_t>, CCompleted> completed;
    std::vector<std::unique_ptr<CProductInfo[]>> replaced;

    CEntryAttributes ReadAttributes(CSkelvar& client, IXMLDOMNode* pNode)
    {
        CEntryAttributes attributes;
        CComRef<IXMLDOMNamedNodeMap> pAttributes = Attributes(pNode);
        client.GetIdAndVersion(pAttributes.Get(), &attributes.nId, &attributes.strVersion,
                               &attributes.strMinRequiredVersion, &attributes.strStartMenuText, &attributes.strBuild,
                               &attributes.bShowDependency, &attributes.bOptionalDependency,
                               &attributes.bDisplayStartMenu);
        return attributes;
    }

    // The index of the root's entries, made on first use.
    void Index(CSkelvar& client, IXMLDOMNodeList* pNodes)
    {
        if (pNodes == pIndexed)
            return;
        pIndexed = pNodes;
        entries.clear();
        byKey.clear();
        for (const CComRef<IXMLDOMNode>& pNode : ElementNodes(pNodes)) {
            entries.push_back({ReadAttributes(client, pNode.Get()), pNode});
            byKey[entries.back().attributes.Key()].push_back(entries.size() - 1);
        }
    }

    void AddRecords(size_t nCount)
    {
        nRecords += nCount;
        if (nRecords > kMaxRecords)
            throw CTooManyRecords();
    }

    bool IsOnCycle(CSkelvar& client, const CEntryKey& key)
    {
        if (!bCyclesFound)
            FindCycles(client);
        return onCycle.count(key) != 0;
    }

    // The graph of keys and the dependency keys their entries name, as completing walks it.
    void FindCycles(CSkelvar& client)
    {
        bCyclesFound = true;
        std::map<CEntryKey, size_t> nodes;
        std::vector<CEntryKey> keys;
        std::vector<std::vector<size_t>> next;
        auto node = [&](const CEntryKey& key) {
            auto inserted = nodes.emplace(key, keys.size());
            if (inserted.second) {
                keys.push_back(key);
                next.emplace_back();
            }
            return inserted.first->second;
        };
        for (const CIndexedEntry& entry : entries) {
            const size_t nFrom = node(entry.attributes.Key());
            CComRef<IXMLDOMNodeList> pChildren = ChildNodes(entry.pNode.Get());
            ForEachNode(pChildren.Get(), [&](const CComRef<IXMLDOMNode>& pChild) {
                CString strName = GetNodeName(pChild.Get());
                strName.MakeLower();
                if (strName != "dependency")
                    return;
                CComRef<IXMLDOMNodeList> pDependencies = ChildNodes(pChild.Get());
                for (const CComRef<IXMLDOMNode>& pDependency : ElementNodes(pDependencies.Get())) {
                    const size_t nTo = node(ReadAttributes(client, pDependency.Get()).Key());
                    next[nFrom].push_back(nTo);
                }
            });
        }
        const std::vector<bool> bOnCycle = NodesOnCycles(next);
        for (size_t i = 0; i < keys.size(); ++i)
            if (bOnCycle[i])
                onCycle.insert(keys[i]);
    }

    // Fills a slot of a dependency array from one dependency element.
    void Complete(CSkelvar& client, IXMLDOMNode* pDependency, CProductInfo& slot)
    {
        CEntryAttributes attributes = ReadAttributes(client, pDependency);
        CEntryKey key = attributes.Key();
        size_t nLevel = completing.size();
        bool bRepeated = std::find(completing.begin(), completing.end(), key) != completing.end();
        if (bRepeated || nLevel > kMaxDependencyLevels) {
            ++nStops;
            AddRecords(1);
            slot = attributes.MakeRecord();
            return;
        }

        auto done = completed.find({key, nLevel});
        if (done != completed.end()) {
            AddRecords(done->second.nRecords);
            slot = *done->second.pRecord;
            attributes.ApplyOwn(slot, done->second.bEntryStartMenuText);
            return;
        }

        const size_t nStopsBefore = nStops, nRecordsBefore = nRecords;
        AddRecords(1);
        slot = attributes.MakeKeyRecord();
        completing.push_back(key);
        client.GetProductSpecificInfo(pIndexed, &slot);
        completing.pop_back();
        bool bEntryStartMenuText = !slot.m_strStartMenuText.IsEmpty();
        // A completion that stopped somewhere is the same wherever its key is completed at this
        // level, unless the key is on a cycle: which of the cycle's entries are above it then
        // decides where it stops, and the depth limit may have hidden that below it.
        if (nStops == nStopsBefore || !IsOnCycle(client, key))
            completed[{key, nLevel}] = {&slot, bEntryStartMenuText, nRecords - nRecordsBefore};
        attributes.ApplyOwn(slot, bEntryStartMenuText);
    }
};

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
    try {
        GetProductInfo(pEntries.Get());
    } catch (const CTooManyRecords&) {
        // Nothing of a refused catalogue is kept.
        std::vector<CProductInfo>().swap(m_vecProducts);
        return 0;
    }
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
    CLoad load;
    m_pLoad = &load;
    struct CEnd
    {
        CLoad*& rpLoad;
        ~CEnd() { rpLoad = nullptr; }
    } end{m_pLoad};

    load.Index(*this, pNodes);
    // Products are completed in place, and completions are copied from where they were made: the
    // vector must not move its records during the parse.
    m_vecProducts.reserve(m_vecProducts.size() + load.entries.size());
    std::unordered_set<int> takenIds;
    for (const CIndexedEntry& entry : load.entries) {
        if (!takenIds.insert(entry.attributes.nId).second)
            continue; // the first entry of an id wins
        load.AddRecords(1);
        m_vecProducts.push_back(entry.attributes.MakeRecord());
        load.completing.push_back(entry.attributes.Key());
        CComRef<IXMLDOMNodeList> pChildren = ChildNodes(entry.pNode.Get());
        GetFileInfo(pChildren.Get(), &m_vecProducts.back());
        load.completing.pop_back();
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
        // Lower-cased once: every entry has these, and the system's comparison is not cheap.
        CString strName = GetNodeName(pAttribute.Get());
        strName.MakeLower();
        CString strValue = GetNodeText(pAttribute.Get());
        if (strName == "id")
            *pnId = atoi(strValue);
        else if (strName == "version")
            *pVersion = strValue;
        else if (strName == "minrequiredversion")
            *pMinRequiredVersion = strValue;
        else if (strName == "showdependency")
            *pbShowDependency = atoi(strValue);
        else if (strName == "optionaldependency")
            *pbOptionalDependency = atoi(strValue);
        else if (strName == "displaystartmenu")
            *pbDisplayStartMenu = atoi(strValue);
        else if (strName == "startmenutext")
            *pStartMenuText = strValue;
        else if (strName == "build")
            *pBuild = strValue;
    }
}

void CSkelvar::GetFileInfo(IXMLDOMNodeList* pNodes, CProductInfo* pProduct)
{
    // Seven elements take effect after the walk, from the last node of their name.
    std::map<CString, CString> mapTexts;
    ForEachNode(pNodes, [&](const CComRef<IXMLDOMNode>& pNode) {
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
    });

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

    // Records completed into an array being replaced may still be copied later in this parse.
    std::unique_ptr<CProductInfo[]> pReplaced(pProduct->m_pDependencies);
    pProduct->m_pDependencies = nullptr;
    pProduct->m_nDependencyCount = 0;
    if (pReplaced)
        m_pLoad->replaced.push_back(std::move(pReplaced));

    pProduct->m_pDependencies = nCount > 0 ? new CProductInfo[nCount] : nullptr;
    pProduct->m_nDependencyCount = nCount;
    for (int i = 0; i < nCount; ++i)
        m_pLoad->Complete(*this, dependencies[i].Get(), pProduct->m_pDependencies[i]);
}

void CSkelvar::GetProductSpecificInfo(IXMLDOMNodeList* pNodes, CProductInfo* pProduct)
{
    m_pLoad->Index(*this, pNodes);
    auto matches = m_pLoad->byKey.find(KeyOf(*pProduct));
    if (matches == m_pLoad->byKey.end())
        return;
    for (size_t nEntry : matches->second) {
        CComRef<IXMLDOMNodeList> pChildren = ChildNodes(m_pLoad->entries[nEntry].pNode.Get());
        GetFileInfo(pChildren.Get(), pProduct);
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
