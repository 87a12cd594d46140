#include "DomText.h"

#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <string>

CString BstrToAnsi(BSTR bstr)
{
    if (!bstr)
        return CString();
    int nWide = static_cast<int>(SysStringLen(bstr));
    int nBytes = WideCharToMultiByte(CP_ACP, 0, bstr, nWide, nullptr, 0, nullptr, nullptr);
    CString str;
    if (nBytes > 0) {
        WideCharToMultiByte(CP_ACP, 0, bstr, nWide, str.GetBuffer(nBytes), nBytes, nullptr, nullptr);
        str.ReleaseBuffer(nBytes);
    }
    return str;
}

namespace {

CString TakeBstr(HRESULT hr, BSTR bstr)
{
    CString str = SUCCEEDED(hr) ? BstrToAnsi(bstr) : CString();
    SysFreeString(bstr);
    return str;
}

} // namespace

CString GetNodeName(IXMLDOMNode* pNode)
{
    BSTR bstr = nullptr;
    HRESULT hr = pNode->get_nodeName(&bstr);
    return TakeBstr(hr, bstr);
}

CString GetNodeText(IXMLDOMNode* pNode)
{
    BSTR bstr = nullptr;
    HRESULT hr = pNode->get_text(&bstr);
    return TakeBstr(hr, bstr);
}

bool IsElementNode(IXMLDOMNode* pNode)
{
    DOMNodeType type = NODE_INVALID;
    return pNode && SUCCEEDED(pNode->get_nodeType(&type)) && type == NODE_ELEMENT;
}

namespace {

// The character one reference inside "&...;" stands for, as wide characters; none when the
// reference is not one the markup defines.
std::wstring ReferencedCharacter(const std::string& strReference)
{
    static const struct
    {
        const char* pszName;
        wchar_t wch;
    } kNamed[] = {{"lt", L'<'}, {"gt", L'>'}, {"amp", L'&'}, {"quot", L'"'}, {"apos", L'\''}};
    for (const auto& named : kNamed)
        if (strReference == named.pszName)
            return std::wstring(1, named.wch);
    if (strReference.size() < 2 || strReference[0] != '#')
        return std::wstring();
    const bool bHex = strReference[1] == 'x';
    const size_t nFirst = bHex ? 2 : 1;
    if (nFirst >= strReference.size() || strReference.size() - nFirst > 8)
        return std::wstring();
    unsigned long ulCode = 0;
    for (size_t i = nFirst; i < strReference.size(); ++i) {
        const char ch = strReference[i];
        int nDigit = -1;
        if (ch >= '0' && ch <= '9')
            nDigit = ch - '0';
        else if (bHex && ch >= 'a' && ch <= 'f')
            nDigit = ch - 'a' + 10;
        else if (bHex && ch >= 'A' && ch <= 'F')
            nDigit = ch - 'A' + 10;
        if (nDigit < 0)
            return std::wstring();
        ulCode = ulCode * (bHex ? 16 : 10) + static_cast<unsigned long>(nDigit);
    }
    if (ulCode == 0 || ulCode > 0x10FFFF || (ulCode >= 0xD800 && ulCode <= 0xDFFF))
        return std::wstring();
    if (ulCode < 0x10000)
        return std::wstring(1, static_cast<wchar_t>(ulCode));
    ulCode -= 0x10000;
    return {static_cast<wchar_t>(0xD800 + (ulCode >> 10)), static_cast<wchar_t>(0xDC00 + (ulCode & 0x3FF))};
}

} // namespace

CString DecodeMarkupText(const CString& strText)
{
    std::string strDecoded;
    const char* psz = strText;
    const char* pszEnd = psz + strText.GetLength();
    while (psz < pszEnd) {
        const char* pszSemicolon = *psz == '&' ? static_cast<const char*>(memchr(psz, ';', pszEnd - psz)) : nullptr;
        std::wstring wstrCharacter = pszSemicolon ? ReferencedCharacter(std::string(psz + 1, pszSemicolon))
                                                  : std::wstring();
        if (wstrCharacter.empty()) {
            strDecoded += *psz++;
            continue;
        }
        const int nWide = static_cast<int>(wstrCharacter.size());
        const int nBytes = WideCharToMultiByte(CP_ACP, 0, wstrCharacter.data(), nWide, nullptr, 0, nullptr, nullptr);
        if (nBytes > 0) {
            std::string strBytes(static_cast<size_t>(nBytes), '\0');
            WideCharToMultiByte(CP_ACP, 0, wstrCharacter.data(), nWide, &strBytes[0], nBytes, nullptr, nullptr);
            strDecoded += strBytes;
        }
        psz = pszSemicolon + 1;
    }
    return CString(strDecoded.data(), static_cast<int>(strDecoded.size()));
}

namespace {

bool StartsWith(const wchar_t* pwch, const wchar_t* pwchEnd, const wchar_t* pwszPrefix)
{
    const size_t nPrefix = wcslen(pwszPrefix);
    return static_cast<size_t>(pwchEnd - pwch) >= nPrefix && _wcsnicmp(pwch, pwszPrefix, nPrefix) == 0;
}

// Where the markup that starts at pwch ends: after the first pwszClose from there on.
const wchar_t* After(const wchar_t* pwch, const wchar_t* pwchEnd, const wchar_t* pwszClose)
{
    const wchar_t* pwchClose = std::search(pwch, pwchEnd, pwszClose, pwszClose + wcslen(pwszClose));
    return pwchClose == pwchEnd ? pwchEnd : pwchClose + wcslen(pwszClose);
}

} // namespace

bool HasDocumentType(const wchar_t* pwchDocument, size_t nLength)
{
    const wchar_t* pwch = pwchDocument;
    const wchar_t* const pwchEnd = pwchDocument + nLength;
    while ((pwch = std::find(pwch, pwchEnd, L'<')) != pwchEnd) {
        if (StartsWith(pwch, pwchEnd, L"<!--"))
            pwch = After(pwch + 4, pwchEnd, L"-->");
        else if (StartsWith(pwch, pwchEnd, L"<?"))
            pwch = After(pwch + 2, pwchEnd, L"?>");
        else if (StartsWith(pwch, pwchEnd, L"<!doctype"))
            return true;
        else if (StartsWith(pwch, pwchEnd, L"<!"))
            pwch += 2;
        else
            return false; // the first element
    }
    return false;
}
