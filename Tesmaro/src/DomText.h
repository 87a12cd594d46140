// Reading names and texts out of MSXML's DOM as ANSI strings.
#pragma once

#include <CString.h>
#include <msxml2.h>

CString BstrToAnsi(BSTR bstr);
CString GetNodeName(IXMLDOMNode* pNode);
CString GetNodeText(IXMLDOMNode* pNode);
bool IsElementNode(IXMLDOMNode* pNode);
