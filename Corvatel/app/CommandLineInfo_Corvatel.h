// CCommandLineInfo_Corvatel: the switches of Corvatel's command line. Each argument is
// upper-cased for matching and the first switch it contains decides; an argument that matches
// no switch names a product to show.
#pragma once

#include <CCommandLineInfo.h>
#include <CString.h>
#include <CStringList.h>

class CCommandLineInfo_Corvatel : public CCommandLineInfo
{
public:
    CCommandLineInfo_Corvatel();

    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override;

    CStringList m_lstProducts;
    unsigned short m_nPort;
    CString m_strXmlFile;
    CString m_strFtpHost;
    CString m_strInstallFolder;
    CString m_strExeName;
    BYTE m_bDump;
    BYTE m_bBeta;
    BYTE m_bSnip;
    BYTE m_bUpdateAll;
};
