// Fetch-and-parse: the connect dialog fetches the two documents, then the catalogue is parsed.
#include "DlgConnect.h"
#include "Skelvar.h"

int CSkelvar::GetXMLFile(CString* pServerName, CString* pSecondLocation)
{
    m_vecProducts.clear();
    CDlgConnect dialog(nullptr, &m_strLocation, &m_strAltLocation, pServerName, pSecondLocation);
    if (dialog.DoModal() != IDOK)
        return 0;
    CConnectParams* pParams = dialog.GetParams();
    return LoadCatalogue(pParams->strFirst, pParams->strSecond);
}
