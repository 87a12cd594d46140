// Installed-version detection: whether a catalogue product is missing from this PC or older than
// the catalogue's release, read from registry values or from the version resource of its file.
#include "LocalPath.h"
#include "ProductVersion.h"
#include "RegistryValue.h"
#include "Skelvar.h"

#include <CFileFind.h>
#include <ModuleState.h>

#include <string.h>

namespace {

using tesmaro::ReadValueText;
using tesmaro::SplitRegistryLocation;
using tesmaro::SplitValuePath;

const int kVersionParts = 4;

// Fills the catalogue build and the installed build (both zeroed first) and returns the number
// of catalogue build parts to compare: 0 when the product names no build location.
int ReadBuilds(const CProductInfo& product, long* plCatalogueBuild, long* plInstalledBuild)
{
    memset(plCatalogueBuild, 0, kVersionParts * sizeof(long));
    memset(plInstalledBuild, 0, kVersionParts * sizeof(long));
    if (product.m_strVersionBuild.IsEmpty())
        return 0;
    CString strRootName, strPath;
    SplitRegistryLocation(product.m_strVersionBuild, strRootName, strPath);
    CSkelvar::GetBuildFromRegistry(strRootName, strPath, plInstalledBuild);
    return CSkelvar::VersionStringToVersionArray(product.m_strBuild, plCatalogueBuild);
}

// Counts are those of the catalogue's texts: parts only the installed copy has are not compared.
int IsCatalogueNewer(const long* plCatalogueVersion, const long* plInstalledVersion, int nVersionParts,
                     const long* plCatalogueBuild, const long* plInstalledBuild, int nBuildParts)
{
    int nVersion = CSkelvar::CompareVersion(plCatalogueVersion, plInstalledVersion, nVersionParts);
    if (nVersion == 1)
        return 1;
    if (nVersion == 0 && CSkelvar::CompareVersion(plCatalogueBuild, plInstalledBuild, nBuildParts) == 1)
        return 1;
    return 0;
}

// The folder of a file path, without a trailing backslash unless it is a drive's root.
CString FolderOf(const CString& strFilePath)
{
    int nSlash = strFilePath.ReverseFind('\\');
    if (nSlash < 0)
        return CString();
    CString strFolder = strFilePath.Left(nSlash);
    if (strFolder.GetLength() == 2 && strFolder[1] == ':')
        strFolder += '\\';
    return strFolder;
}

} // namespace

int CSkelvar::IsProductNew(CProductInfo* pProduct)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (!Init("", ""))
        return 0;
    if (!pProduct)
        return 0;
    return pProduct->m_bVersionModuleRegistry ? IsProductNewBasedOnRegistry(pProduct)
                                              : IsProductNewBasedOnFile(pProduct);
}

int CSkelvar::GetVersionFromRegistry(const CString& strRootName, const CString& strPath, long* plVersion,
                                     CString& strText)
{
    if (strRootName.IsEmpty() || strPath.IsEmpty() || !plVersion)
        return 0;
    HKEY hRoot = GetKey(strRootName);
    CString strRead;
    if (!hRoot || !ReadValueText(hRoot, strPath, strRead))
        return 0;
    strText = strRead;
    return VersionStringToVersionArray(strText, plVersion);
}

int CSkelvar::GetBuildFromRegistry(const CString& strRootName, const CString& strPath, long* plVersion)
{
    CString strText;
    return GetVersionFromRegistry(strRootName, strPath, plVersion, strText);
}

int CSkelvar::IsProductNewBasedOnRegistry(CProductInfo* pProduct)
{
    CProductInfo& product = *pProduct;
    CString strRootName, strPath;

    SplitRegistryLocation(product.m_strVersionModule, strRootName, strPath);
    memset(product.m_lVersion, 0, sizeof(product.m_lVersion));
    GetVersionFromRegistry(strRootName, strPath, product.m_lVersion, product.m_strInstalledVersion);

    SplitRegistryLocation(product.m_strVersionPath, strRootName, strPath);
    product.m_strInstalledPath = GetPathFromRegistry(strRootName, strPath);
    if (!IsLocalPath(product.m_strInstalledPath))
        product.m_strInstalledPath.Empty();

    long lCatalogueVersion[kVersionParts] = {};
    int nVersionParts = VersionStringToVersionArray(product.m_strVersion, lCatalogueVersion);
    long lCatalogueBuild[kVersionParts], lInstalledBuild[kVersionParts];
    int nBuildParts = ReadBuilds(product, lCatalogueBuild, lInstalledBuild);
    return IsCatalogueNewer(lCatalogueVersion, product.m_lVersion, nVersionParts, lCatalogueBuild, lInstalledBuild,
                            nBuildParts);
}

int CSkelvar::IsProductNewBasedOnFile(CProductInfo* pProduct)
{
    CProductInfo& product = *pProduct;
    CString strRootName, strPath;
    SplitRegistryLocation(product.m_strVersionPath, strRootName, strPath);
    CString strFolder = product.m_bVersionPathRegistry ? GetPathFromRegistry(strRootName, strPath)
                                                       : product.m_strVersionPath;
    // A folder on another machine or a device is not read: the product counts as missing.
    if (!IsLocalPath(strFolder))
        strFolder.Empty();
    product.m_strInstalledPath = strFolder;
    if (strFolder.IsEmpty())
        return 1;

    // The maker moved "Harl-q" to "Harlo-q" beside it. A registry-based path is pointed at the new
    // folder; a folder typed into the catalogue names no registry value, so nothing is written for it.
    int nLastSlash = strFolder.ReverseFind('\\');
    if (strFolder.Mid(nLastSlash + 1) == "Harl-q") {
        strFolder = strFolder.Left(nLastSlash) + "\\Harlo-q";
        if (product.m_bVersionPathRegistry) {
            SetPathInRegistry(strRootName, strPath, strFolder);
            CString strKey, strValue;
            SplitValuePath(strPath, strKey, strValue);
            SetPathInRegistry(strRootName, strKey + "\\Install Path", strFolder);
        }
    }
    if (strFolder.Right(1) != "\\")
        strFolder += '\\';

    CProductVersion reader;
    CString strInstalled = reader.GetProductVersion(strFolder + product.m_strVersionModule);
    product.m_strInstalledVersion = strInstalled;
    if (strInstalled.IsEmpty() && !product.m_strVersionModule.IsEmpty()) {
        // The file lies deeper in the tree: the record tells where it was found and what it holds.
        CString strFound = FindProduct(pProduct, strFolder);
        if (!strFound.IsEmpty())
            strInstalled = reader.GetProductVersion(strFound);
        if (!strInstalled.IsEmpty()) {
            product.m_strInstalledVersion = strInstalled;
            product.m_strInstalledPath = FolderOf(strFound);
        }
    }
    if (strInstalled.IsEmpty())
        return 1;

    long lInstalledVersion[kVersionParts] = {};
    VersionStringToVersionArray(strInstalled, lInstalledVersion);
    long lCatalogueVersion[kVersionParts] = {};
    int nVersionParts = VersionStringToVersionArray(product.m_strVersion, lCatalogueVersion);
    long lCatalogueBuild[kVersionParts], lInstalledBuild[kVersionParts];
    int nBuildParts = ReadBuilds(product, lCatalogueBuild, lInstalledBuild);
    return IsCatalogueNewer(lCatalogueVersion, lInstalledVersion, nVersionParts, lCatalogueBuild, lInstalledBuild,
                            nBuildParts);
}

CString CSkelvar::FindProduct(CProductInfo* pProduct, const CString& strFolder)
{
    if (IsSearchStopped())
        return CString();
    CFileFind finder;
    BOOL bMore = finder.FindFile(strFolder + "*.*");
    while (bMore) {
        bMore = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        // Past the load's bound the search ends as one that found nothing; so do those above it.
        if (++m_nSearchEntries > kMaxSearchEntries)
            return CString();
        if (finder.IsDirectory()) {
            // A linked folder may lead back up the tree; only real sub-folders are searched.
            if (finder.IsReparsePoint())
                continue;
            CString strFound = FindProduct(pProduct, finder.GetFilePath() + "\\");
            if (!strFound.IsEmpty())
                return strFound;
        } else if (finder.GetFileName().CompareNoCase(pProduct->m_strVersionModule) == 0) {
            return strFolder + finder.GetFileName();
        }
    }
    return CString();
}
