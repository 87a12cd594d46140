// Whether the catalogue holds a newer release of the program that asks about itself.
#include "Skelvar.h"

#include <ModuleState.h>

namespace {

const int kVersionParts = 4;

const CProductInfo* FindById(const std::vector<CProductInfo>& products, int nId)
{
    for (const CProductInfo& product : products)
        if (product.m_nId == nId)
            return &product;
    return nullptr;
}

} // namespace

int CSkelvar::IsUpdateable(int nAppId, long lVersion, long lBuild)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    // 0 means "keep what was set before".
    if (nAppId != 0)
        m_nAppId = nAppId;
    if (lVersion != 0)
        m_lAppVersion = lVersion;
    if (lBuild != 0)
        m_lAppBuild = lBuild;
    if (!Init("", ""))
        return 0;
    const CProductInfo* pProduct = FindById(m_vecProducts, m_nAppId);
    if (!pProduct)
        return 0;

    // All digits run together: 4.0.11 is 4011.
    CString strVersion = pProduct->m_strVersion;
    CString strBuild = pProduct->m_strBuild;
    long lCatalogueVersion = 0, lCatalogueBuild = 0;
    VersionStringToVersionLong(strVersion, lCatalogueVersion);
    VersionStringToVersionLong(strBuild, lCatalogueBuild);
    if (m_lAppVersion != lCatalogueVersion)
        return m_lAppVersion < lCatalogueVersion ? 1 : 0;
    return m_lAppBuild < lCatalogueBuild ? 1 : 0;
}

int CSkelvar::IsUpdateable(int nAppId, char* pszVersion, char* pszBuild)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (nAppId != 0)
        m_nAppId = nAppId;
    if (pszVersion)
        m_strAppVersion = pszVersion;
    if (pszBuild)
        m_strAppBuild = pszBuild;
    if (!Init("", ""))
        return 0;
    const CProductInfo* pProduct = FindById(m_vecProducts, m_nAppId);
    if (!pProduct)
        return 0;

    // Compared over the parts the catalogue's text has.
    long lCatalogueVersion[kVersionParts] = {}, lOwnVersion[kVersionParts] = {};
    int nVersionParts = VersionStringToVersionArray(pProduct->m_strVersion, lCatalogueVersion);
    VersionStringToVersionArray(m_strAppVersion, lOwnVersion);
    int nVersion = CompareVersion(lCatalogueVersion, lOwnVersion, nVersionParts);
    if (nVersion != 0)
        return nVersion == 1 ? 1 : 0;

    long lCatalogueBuild[kVersionParts] = {}, lOwnBuild[kVersionParts] = {};
    int nBuildParts = VersionStringToVersionArray(pProduct->m_strBuild, lCatalogueBuild);
    VersionStringToVersionArray(m_strAppBuild, lOwnBuild);
    return CompareVersion(lCatalogueBuild, lOwnBuild, nBuildParts) == 1 ? 1 : 0;
}
