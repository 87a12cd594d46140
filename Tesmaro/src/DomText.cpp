#include "DomText.h"

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
