#include "CommandLineInfo_Corvatel.h"

#include <stdlib.h>

CCommandLineInfo_Corvatel::CCommandLineInfo_Corvatel()
    : m_lstProducts(10), m_nPort(22), m_bDump(0), m_bBeta(0), m_bSnip(0), m_bUpdateAll(0)
{
}

void CCommandLineInfo_Corvatel::ParseParam(const char* pszParam, BOOL, BOOL)
{
    CString strParam(pszParam);
    CString strUpper(strParam);
    strUpper.MakeUpper();

    // A keyword's value is the argument less the keyword's length, wherever the keyword stood.
    if (strUpper.Find(".XML") >= 1)
        m_strXmlFile = strParam;
    else if (strUpper.Find(".EXE") >= 1)
        m_strExeName = strParam;
    else if (strUpper.Find("INSTALL:") >= 0)
        m_strInstallFolder = strUpper.Mid(8);
    else if (strUpper.Find("DUMP") >= 0)
        m_bDump = 1;
    else if (strUpper.Find("BETA") >= 0)
        m_bBeta = 1;
    else if (strUpper.Find("SNIP") >= 0)
        m_bSnip = 1;
    else if (strUpper.Find("UPDATEALL") >= 0)
        m_bUpdateAll = 1;
    else if (strUpper.Find("FTP:") >= 0)
        m_strFtpHost = strUpper.Mid(4);
    else if (strUpper.Find("PORT:") >= 0)
        m_nPort = static_cast<unsigned short>(atoi(strUpper.Mid(5)));
    else
        m_lstProducts.AddTail(strParam);
}
