// Reading names and texts out of MSXML's DOM as ANSI strings.
#pragma once

#include <CString.h>
#include <msxml2.h>

CString BstrToAnsi(BSTR bstr);
CString GetNodeName(IXMLDOMNode* pNode);
CString GetNodeText(IXMLDOMNode* pNode);
bool IsElementNode(IXMLDOMNode* pNode);
// A text taken from the document as written, its character and entity references replaced as
// the parser would (in the ANSI code page); an unknown reference stays as written.
CString DecodeMarkupText(const CString& strText);
// Whether a document holds a document type declaration: "<!DOCTYPE" in any letter case before
// its first element, past whatever precedes it there (a byte-order mark, blanks, comments,
// processing instructions).
bool HasDocumentType(const wchar_t* pwchDocument, size_t nLength);
