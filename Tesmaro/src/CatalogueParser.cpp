// Turns the catalogue document into product records: every element child of the root is one
// entry, and each dependency is completed from the catalogue entry with its id, version and build.
#include "DomText.h"
#include "GraphCycles.h"
#include "Skelvar.h"

#include <AfxMessageBox.h>
#include <SystemErrorText.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string.h>
#include <tuple>
#include <unordered_set>

namespace {

// MSXML's DOM document class, created in any server context.
const CLSID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const DWORD kAnyServerContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
// The document's interface with named settings; the system's libraries do not define its id.
const IID kIidDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
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
// Work that makes no record is bounded too: every node a walk visits, every dependency element
// read and every completion is a step. Each entry's elements are walked once per load, so a
// catalogue of 5,000 products shaped like a maker's takes about 400,000 steps.
const size_t kMaxSteps = 4000000;
// The text all records of one load hold, copies of completions included: a component with a
// 1 MB note that 5,000 products need would otherwise make 5 GB of records from a 1.3 MB catalogue.
const size_t kMaxRecordBytes = 256u << 20;
// A list entry holds a node and a string beside its text, each a block of the heap, and counts
// as this many bytes of text besides its own: a list of empty names costs memory too.
const size_t kListEntryBytes = 64;

// Ends a load that outgrew one of the budgets above.
struct CLoadTooLarge
{
};

const CString CProductInfo::*const kRecordTexts[] = {
    &CProductInfo::m_strVersion,
    &CProductInfo::m_strBuild,
    &CProductInfo::m_strVersionBuild,
    &CProductInfo::m_strVersionModule,
    &CProductInfo::m_strVersionPath,
    &CProductInfo::m_strDate,
    &CProductInfo::m_strDownload,
    &CProductInfo::m_strName,
    &CProductInfo::m_strNotes,
    &CProductInfo::m_strMinRequiredVersion,
    &CProductInfo::m_strInstalledVersion,
    &CProductInfo::m_strInstalledPath,
    &CProductInfo::m_strExe,
    &CProductInfo::m_strWindow,
    &CProductInfo::m_strRelNotes,
    &CProductInfo::m_strStartMenuText,
    &CProductInfo::m_strUninstallPriorToVersion,
    &CProductInfo::m_strUninstallPendingFile,
    &CProductInfo::m_strUninstallPrompt,
    &CProductInfo::m_strInstallFolder,
    &CProductInfo::m_strPreinstallMessage,
    &CProductInfo::m_strPreinstallMessagePriorToVersion,
};

// The text bytes of one record, its dependencies left out.
size_t TextBytes(CProductInfo& record)
{
    size_t nBytes = 0;
    for (const CString CProductInfo::*pText : kRecordTexts)
        nBytes += static_cast<size_t>((record.*pText).GetLength());
    CStringList* pExes = record.GetAdditionalExeList();
    for (POSITION pos = pExes->GetHeadPosition(); pos;)
        nBytes += kListEntryBytes + static_cast<size_t>(pExes->GetNext(pos).GetLength());
    return nBytes;
}

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

    // The text MakeKeyRecord copies.
    size_t KeyBytes() const
    {
        return static_cast<size_t>(strVersion.GetLength()) + static_cast<size_t>(strBuild.GetLength());
    }

    // The text MakeRecord copies.
    size_t TextBytes() const { return KeyBytes() + OwnBytes(false); }

    // The text ApplyOwn copies.
    size_t OwnBytes(bool bEntryStartMenuText) const
    {
        return static_cast<size_t>(strMinRequiredVersion.GetLength()) +
               (bEntryStartMenuText ? 0 : static_cast<size_t>(strStartMenuText.GetLength()));
    }

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

    // Copies a completion made for another dependency with this key into a slot for this one.
    // The texts that dependency's own attributes gave the source are left out of the copy, which
    // takes this one's: copied, each slot would keep their room, however short its own texts.
    void CopyCompletion(CProductInfo& source, bool bEntryStartMenuText, CProductInfo& slot) const
    {
        CString strSourceMinRequiredVersion, strSourceStartMenuText;
        std::swap(strSourceMinRequiredVersion, source.m_strMinRequiredVersion);
        if (!bEntryStartMenuText)
            std::swap(strSourceStartMenuText, source.m_strStartMenuText);
        slot = source;
        std::swap(strSourceMinRequiredVersion, source.m_strMinRequiredVersion);
        if (!bEntryStartMenuText)
            std::swap(strSourceStartMenuText, source.m_strStartMenuText);
        ApplyOwn(slot, bEntryStartMenuText);
    }
};

// A root entry as the index keeps it: attributes read once, and the element.
struct CIndexedEntry
{
    CEntryAttributes attributes;
    CComRef<IXMLDOMNode> pNode;
};

// The dependencies of an entry: those of its last "dependency" element, read on the entry's
// first walk and completed after each walk that needs them.
struct CWalkDependencies
{
    bool bWalked = false;
    bool bPresent = false;
    std::vector<CEntryAttributes> attributes;
};

// What every dependency with one key is completed from before its own dependencies: the key
// record with every matching entry's elements applied, and the dependencies of the last of them
// that has any. Made once per load, since an entry on a cycle cannot have its completion kept
// and would otherwise be walked again at every reference.
struct CKeyBase
{
    CProductInfo record;
    const CWalkDependencies* pDependencies = nullptr;
    size_t nBytes = 0;
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
const char* const kLateNumberElements[] = {"beta", "snip", "size"};

template <class T, size_t N>
T CProductInfo::*FindElement(const CElementField<T> (&elements)[N], const CString& strName)
{
    for (const CElementField<T>& element : elements)
        if (strName == element.pszName)
            return element.pField;
    return nullptr;
}

// Only the late elements' texts are looked up after the walk.
bool IsLateElement(const CString& strName)
{
    return FindElement(kLateTextElements, strName) ||
           std::find(std::begin(kLateNumberElements), std::end(kLateNumberElements), strName) !=
               std::end(kLateNumberElements);
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

// The parser reads no document type and fetches nothing a document names. A catalogue that
// declares a type is refused before it is parsed; these settings hold should anything pass that
// check. A parser that does not know a setting goes without it.
void ForbidExternals(IXMLDOMDocument* pDocument)
{
    pDocument->put_resolveExternals(VARIANT_FALSE);
    pDocument->put_validateOnParse(VARIANT_FALSE);
    CComRef<IXMLDOMDocument2> pDocument2;
    if (FAILED(pDocument->QueryInterface(kIidDomDocument2, reinterpret_cast<void**>(&pDocument2))))
        return;
    VARIANT varTrue;
    VariantInit(&varTrue);
    V_VT(&varTrue) = VT_BOOL;
    V_BOOL(&varTrue) = VARIANT_TRUE;
    BSTR bstrName = SysAllocString(L"ProhibitDTD");
    pDocument2->setProperty(bstrName, varTrue);
    SysFreeString(bstrName);
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
    // A completion that may be copied: the record completed from a key base, whether the
    // catalogue's entries gave it a start-menu text, and the records and text bytes a copy makes
    // before its own attributes.
    struct CCompleted
    {
        CProductInfo* pRecord;
        bool bEntryStartMenuText;
        size_t nRecords;
        size_t nBytes;
    };

    IXMLDOMNodeList* pIndexed = nullptr;
    std::vector<CIndexedEntry> entries; // the root's element entries, in document order
    std::map<CEntryKey, std::vector<size_t>> byKey; // positions in entries, in document order
    // Keys being completed, the product's own first; a repeat is a cycle.
    std::vector<CEntryKey> completing;
    // Dependencies left uncompleted, at a cycle or below the depth limit.
    size_t nStops = 0;
    size_t nRecords = 0;
    size_t nBytes = 0;     // the text of the records made: products and dependencies
    size_t nBaseBytes = 0; // the text of the key bases
    size_t nSteps = 0;
    std::vector<CWalkDependencies> walks; // by position in entries
    // The walk under way, the count its text goes to, and the last walk that found dependencies.
    CWalkDependencies* pWalk = nullptr;
    size_t* pWalkBytes = nullptr;
    const CWalkDependencies* pLastDependencies = nullptr;
    // Keys whose dependencies lead back to them, found when a completion first stops somewhere.
    std::set<CEntryKey> onCycle;
    bool bCyclesFound = false;
    std::map<CEntryKey, CKeyBase> bases;
    // Completions by key and level. The records stay where they were completed, in the products'
    // dependency arrays, which are made once each.
    std::map<std::pair<CEntryKey, size_t>, CCompleted> completed;

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
            Step();
            entries.push_back({ReadAttributes(client, pNode.Get()), pNode});
            byKey[entries.back().attributes.Key()].push_back(entries.size() - 1);
        }
        walks.assign(entries.size(), CWalkDependencies());
    }

    void Step()
    {
        if (++nSteps > kMaxSteps)
            throw CLoadTooLarge();
    }

    void AddRecords(size_t nCount)
    {
        nRecords += nCount;
        if (nRecords > kMaxRecords)
            throw CLoadTooLarge();
    }

    // Refuses a load that is bound to make more records or hold more text than its budgets
    // allow, before it makes them.
    void Reserve(size_t nRecordCount, size_t nByteCount) const
    {
        if (nRecordCount > kMaxRecords - nRecords || nByteCount > kMaxRecordBytes - nBytes - nBaseBytes)
            throw CLoadTooLarge();
    }

    // Counted before the text is copied, so that a refused load never holds it.
    void AddBytes(size_t nCount, size_t& nCounter)
    {
        Reserve(0, nCount);
        nCounter += nCount;
    }
    void AddBytes(size_t nCount) { AddBytes(nCount, nBytes); }

    // A text the walk under way writes into its record. A text it replaces still counts: the
    // field keeps its room.
    void SetText(CString& strField, const CString& strText)
    {
        AddBytes(static_cast<size_t>(strText.GetLength()), *pWalkBytes);
        strField = strText;
    }

    void AddListEntry(CStringList& list, const CString& strText)
    {
        AddBytes(kListEntryBytes + static_cast<size_t>(strText.GetLength()), *pWalkBytes);
        list.AddTail(strText);
    }

    // Walks the elements of an entry into a record, counting the text it writes in nCounter. Its
    // dependencies are read on the first walk only, and completed by the caller.
    const CWalkDependencies& Walk(CSkelvar& client, size_t nEntry, CProductInfo& record, size_t& nCounter)
    {
        pWalk = &walks[nEntry];
        pWalkBytes = &nCounter;
        CComRef<IXMLDOMNodeList> pChildren = ChildNodes(entries[nEntry].pNode.Get());
        client.GetFileInfo(pChildren.Get(), &record);
        pWalk->bWalked = true;
        if (pWalk->bPresent)
            pLastDependencies = pWalk;
        pWalk = nullptr;
        pWalkBytes = nullptr;
        return walks[nEntry];
    }

    // Reads one "dependency" element for the walk under way: a later one replaces an earlier one.
    void ReadDependencies(CSkelvar& client, IXMLDOMNode* pNode)
    {
        if (pWalk->bWalked)
            return;
        pWalk->bPresent = true;
        pWalk->attributes.clear();
        CComRef<IXMLDOMNodeList> pChildren = ChildNodes(pNode);
        for (const CComRef<IXMLDOMNode>& pDependency : ElementNodes(pChildren.Get())) {
            Step();
            pWalk->attributes.push_back(ReadAttributes(client, pDependency.Get()));
        }
    }

    const CKeyBase& Base(CSkelvar& client, const CEntryAttributes& attributes)
    {
        const CEntryKey key = attributes.Key();
        auto found = bases.find(key);
        if (found != bases.end())
            return found->second;
        CKeyBase& base = bases[key];
        AddBytes(attributes.KeyBytes(), nBaseBytes);
        base.record = attributes.MakeKeyRecord();
        pLastDependencies = nullptr;
        client.GetProductSpecificInfo(pIndexed, &base.record);
        base.pDependencies = pLastDependencies;
        base.nBytes = TextBytes(base.record);
        return base;
    }

    bool IsOnCycle(CSkelvar& client, const CEntryKey& key)
    {
        if (!bCyclesFound)
            FindCycles(client);
        return onCycle.count(key) != 0;
    }

    // The graph of keys and the dependency keys their completions name.
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
        for (const auto& matches : byKey) {
            const CKeyBase& base = Base(client, entries[matches.second.front()].attributes);
            if (!base.pDependencies)
                continue;
            const size_t nFrom = node(matches.first);
            for (const CEntryAttributes& dependency : base.pDependencies->attributes) {
                Step();
                const size_t nTo = node(dependency.Key());
                next[nFrom].push_back(nTo);
            }
        }
        const std::vector<bool> bOnCycle = NodesOnCycles(next);
        for (size_t i = 0; i < keys.size(); ++i)
            if (bOnCycle[i])
                onCycle.insert(keys[i]);
    }

    // Gives the record its dependency array, completed from the dependencies its walk read.
    void CompleteDependencies(CSkelvar& client, const CWalkDependencies* pWalkDependencies, CProductInfo& record)
    {
        if (!pWalkDependencies || !pWalkDependencies->bPresent)
            return;
        const std::vector<CEntryAttributes>& dependencies = pWalkDependencies->attributes;
        const size_t nCount = dependencies.size();
        // Every slot will be a record: a wider element than the budget is refused before its array is made.
        Reserve(nCount, 0);
        std::map<CEntryKey, size_t> left; // how often each key is still to come in this array
        for (const CEntryAttributes& dependency : dependencies)
            ++left[dependency.Key()];
        record.m_pDependencies = nCount > 0 ? new CProductInfo[nCount] : nullptr;
        record.m_nDependencyCount = static_cast<int>(nCount);
        for (size_t i = 0; i < nCount; ++i)
            Complete(client, dependencies[i], record.m_pDependencies[i], left[dependencies[i].Key()]--);
    }

    // Fills a slot of a dependency array from one dependency's attributes. nLeft counts this
    // dependency's key from here to the end of its array: each of them makes at least the records
    // and copies at least the text this one does, so a load that cannot hold them all is refused
    // before the first of them is made.
    void Complete(CSkelvar& client, const CEntryAttributes& attributes, CProductInfo& slot, size_t nLeft)
    {
        Step();
        CEntryKey key = attributes.Key();
        size_t nLevel = completing.size();
        bool bRepeated = std::find(completing.begin(), completing.end(), key) != completing.end();
        if (bRepeated || nLevel > kMaxDependencyLevels) {
            ++nStops;
            AddRecords(1);
            AddBytes(attributes.TextBytes());
            slot = attributes.MakeRecord();
            return;
        }

        // The dependency's own attributes are counted once per slot; the rest of a completion
        // is the same for every slot of its key and level.
        auto done = completed.find({key, nLevel});
        if (done != completed.end()) {
            const CCompleted& completion = done->second;
            const size_t nOwnBytes = attributes.OwnBytes(completion.bEntryStartMenuText);
            Reserve(completion.nRecords * nLeft, completion.nBytes * nLeft + nOwnBytes);
            AddRecords(completion.nRecords);
            AddBytes(completion.nBytes + nOwnBytes);
            attributes.CopyCompletion(*completion.pRecord, completion.bEntryStartMenuText, slot);
            return;
        }

        const CKeyBase& base = Base(client, attributes);
        const size_t nBaseRecords = 1 + (base.pDependencies ? base.pDependencies->attributes.size() : 0);
        const bool bEntryStartMenuText = !base.record.m_strStartMenuText.IsEmpty();
        const size_t nOwnBytes = attributes.OwnBytes(bEntryStartMenuText);
        Reserve(nBaseRecords * nLeft, base.nBytes * nLeft + nOwnBytes);
        const size_t nStopsBefore = nStops, nRecordsBefore = nRecords, nBytesBefore = nBytes;
        AddRecords(1);
        AddBytes(base.nBytes);
        slot = base.record;
        completing.push_back(key);
        CompleteDependencies(client, base.pDependencies, slot);
        completing.pop_back();
        // A completion that stopped somewhere is the same wherever its key is completed at this
        // level, unless the key is on a cycle: which of the cycle's entries are above it then
        // decides where it stops, and the depth limit may have hidden that below it.
        if (nStops == nStopsBefore || !IsOnCycle(client, key))
            completed[{key, nLevel}] = {&slot, bEntryStartMenuText, nRecords - nRecordsBefore, nBytes - nBytesBefore};
        AddBytes(nOwnBytes);
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
    ForbidExternals(pDocument.Get());
    m_pDocument = pDocument;
    return 1;
}

int CSkelvar::LoadCatalogue(const CString& strCatalogue, const CString& strSecond)
{
    m_strLicense = strSecond;
    m_nLoadSteps = 0;
    m_nSearchEntries = 0;
    m_strCorvatelMinVer = GetXMLString(strCatalogue, "MinCorvatelVer");
    m_strCorvatelDownloadURL = DecodeMarkupText(GetXMLString(strCatalogue, "CorvatelDownloadURL"));
    if (!m_pDocument)
        return 0;

    int nWide = MultiByteToWideChar(CP_ACP, 0, strCatalogue, strCatalogue.GetLength(), nullptr, 0);
    BSTR bstrCatalogue = SysAllocStringLen(nullptr, static_cast<UINT>(nWide));
    if (!bstrCatalogue)
        return 0;
    MultiByteToWideChar(CP_ACP, 0, strCatalogue, strCatalogue.GetLength(), bstrCatalogue, nWide);
    if (HasDocumentType(bstrCatalogue, static_cast<size_t>(nWide))) {
        SysFreeString(bstrCatalogue);
        return 0;
    }
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
    } catch (const CLoadTooLarge&) {
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
    // The steps are kept whether the load ends or is refused.
    struct CEnd
    {
        CSkelvar& client;
        ~CEnd()
        {
            client.m_nLoadSteps = client.m_pLoad->nSteps;
            client.m_pLoad = nullptr;
        }
    } end{*this};

    load.Index(*this, pNodes);
    // Products are completed in place, and completions are copied from where they were made: the
    // vector must not move its records during the parse.
    m_vecProducts.reserve(m_vecProducts.size() + load.entries.size());
    std::unordered_set<int> takenIds;
    for (size_t nEntry = 0; nEntry < load.entries.size(); ++nEntry) {
        const CIndexedEntry& entry = load.entries[nEntry];
        if (!takenIds.insert(entry.attributes.nId).second)
            continue; // the first entry of an id wins
        load.AddRecords(1);
        load.AddBytes(entry.attributes.TextBytes());
        m_vecProducts.push_back(entry.attributes.MakeRecord());
        CProductInfo& product = m_vecProducts.back();
        const CWalkDependencies& dependencies = load.Walk(*this, nEntry, product, load.nBytes);
        load.completing.push_back(entry.attributes.Key());
        load.CompleteDependencies(*this, &dependencies, product);
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
    // Seven elements take effect after the walk, from the last node of their name. Dependencies
    // are only read here: the load completes them once the walk is over.
    std::map<CString, CString> mapTexts;
    ForEachNode(pNodes, [&](const CComRef<IXMLDOMNode>& pNode) {
        m_pLoad->Step();
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
                m_pLoad->SetText(pProduct->m_strStartMenuText, strText);
        } else if (int CProductInfo::*pNumber = FindElement(kNumberElements, strName))
            pProduct->*pNumber = atoi(strText);
        else if (CString CProductInfo::*pText = FindElement(kTextElements, strName))
            m_pLoad->SetText(pProduct->*pText, strText);

        if (IsLateElement(strName))
            mapTexts[strName] = strText;
    });

    for (const auto& element : kLateTextElements) {
        auto it = mapTexts.find(element.pszName);
        if (it != mapTexts.end())
            m_pLoad->SetText(pProduct->*element.pField, it->second);
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
    m_pLoad->SetText(*pField, GetNodeText(pNode));
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

void CSkelvar::GetDependencyInfo(IXMLDOMNode* pNode, CProductInfo*)
{
    m_pLoad->ReadDependencies(*this, pNode);
}

void CSkelvar::GetProductSpecificInfo(IXMLDOMNodeList* pNodes, CProductInfo* pProduct)
{
    m_pLoad->Index(*this, pNodes);
    auto matches = m_pLoad->byKey.find(KeyOf(*pProduct));
    if (matches == m_pLoad->byKey.end())
        return;
    for (size_t nEntry : matches->second)
        m_pLoad->Walk(*this, nEntry, *pProduct, m_pLoad->nBaseBytes);
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
                m_pLoad->AddListEntry(pProduct->m_lstAdditionalExes, GetNodeText(pAttribute.Get()));
        }
    }
}
