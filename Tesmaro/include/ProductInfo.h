// CProductInfo: one catalogue entry (an application or a component) with its versions, download and
// setup facts, flags, messages, where its installed version is found, and the records of the
// components it depends on. Records cross the library boundary by value, so the main program and
// Tesmaro are built against this one declaration.
#pragma once

#include "TesmaroApi.h"
#include <CString.h>
#include <CStringList.h>

class TESMARO_API CProductInfo
{
    friend class CSkelvar;

public:
    CProductInfo();
    CProductInfo(int nId, const CString& strVersion, const CString& strMinRequiredVersion,
                 const CString& strStartMenuText, const CString& strBuild, int bShowDependency,
                 int bOptionalDependency, int bDisplayStartMenu);
    CProductInfo(const CProductInfo& other);
    CProductInfo& operator=(const CProductInfo& other);
    ~CProductInfo();

    // Callers keep i within [0, GetDependencyCount()) and call this only when the array exists.
    CProductInfo& GetDependency(int i) const;
    int GetDependencyCount() const;
    void SetDependencyCount(int nCount);
    CStringList* GetAdditionalExeList();

    float GetSize() const;
    void SetSize(float fSize);
    int GetId() const;
    void SetId(int nId);
    int GetInstallType() const;
    void SetInstallType(int nInstallType);
    int GetPreinstallMessageButtons() const;
    void SetPreinstallMessageButtons(int nButtons);

    CString GetVersion() const;
    void SetVersion(const CString& str);
    CString GetBuild() const;
    void SetBuild(const CString& str);
    CString GetVersionBuild() const;
    CString GetVersionModule() const;
    CString GetVersionPath() const;
    CString GetDate() const;
    void SetDate(const CString& str);
    CString GetDownload() const;
    void SetDownload(const CString& str);
    CString GetName() const;
    void SetName(const CString& str);
    CString GetNotes() const;
    void SetNotes(const CString& str);
    CString GetMinRequiredVersion() const;
    void SetMinRequiredVersion(const CString& str);
    CString GetInstalledVersion();
    void SetInstalledVersion(CString str);
    CString GetInstalledPath();
    void SetInstalledPath(CString str);
    CString GetExe() const;
    void SetExe(CString str);
    CString GetWindow() const;
    void SetWindow(CString str);
    CString GetRelNotes() const;
    void SetRelNotes(CString str);
    CString GetStartMenuText() const;
    void SetStartMenuText(const CString& str);
    CString GetUninstallPriorToVersion() const;
    void SetUninstallPriorToVersion(const CString& str);
    CString GetUninstallPendingFile() const;
    void SetUninstallPendingFile(const CString& str);
    CString GetUninstallPrompt() const;
    void SetUninstallPrompt(const CString& str);
    CString GetInstallFolder();
    void SetInstallFolder(CString str);
    CString GetPreinstallMessage() const;
    void SetPreinstallMessage(const CString& str);
    CString GetPreinstallMessagePriorToVersion() const;
    void SetPreinstallMessagePriorToVersion(const CString& str);

    int IsVersionModuleRegistry() const;
    int IsVersionPathRegistry() const;
    int IsVersionBuildRegistry() const;
    int GetReqKX7200R() const;
    void SetReqKX7200R(int b);
    int GetReboot() const;
    void SetReboot(int b);
    int GetShowProduct() const;
    void SetShowProduct(int b);
    int GetShowBeta() const;
    void SetShowBeta(int b);
    int GetShowSnip() const;
    void SetShowSnip(int b);
    int GetShowDependency() const;
    void SetShowDependency(int b);
    int GetOptionalDependency() const;
    void SetOptionalDependency(int b);
    int GetDisplayStartMenu() const;
    void SetDisplayStartMenu(int b);
    int ShowInstallDriverWarning() const;
    void SetShowInstallDriverWarning(int b);
    int IsWindowClass() const;
    int IsUpdate() const;
    void SetUpdate(int b);
    int GetBeta();
    void SetBeta(int b);
    int GetSnip();
    void SetSnip(int b);

protected:
    void SetVersions();
    void SetVersionBuild(const CString& str);
    void SetVersionModule(const CString& str);
    void SetVersionPath(const CString& str);
    void SetVersionModuleRegistry(int b);
    void SetVersionPathRegistry(int b);
    void SetVersionBuildRegistry(int b);
    void SetWindowClass(int b);

private:
    void Copy(const CProductInfo& other);

public:
    float m_fSize;
    CProductInfo* m_pDependencies;
    int m_nId;
    int m_nDependencyCount;
    int m_nInstallType;
    int m_nPreinstallMessageButtons;
    CString m_strVersion;
    CString m_strBuild;
    CString m_strVersionBuild;
    CString m_strVersionModule;
    CString m_strVersionPath;
    CString m_strDate;
    CString m_strDownload;
    CString m_strName;
    CString m_strNotes;
    CString m_strMinRequiredVersion;
    CString m_strInstalledVersion;
    CString m_strInstalledPath;
    CString m_strExe;
    CString m_strWindow;
    CString m_strRelNotes;
    CString m_strStartMenuText;
    CString m_strUninstallPriorToVersion;
    CString m_strUninstallPendingFile;
    CString m_strUninstallPrompt;
    CString m_strInstallFolder;
    CString m_strPreinstallMessage;
    CString m_strPreinstallMessagePriorToVersion;
    int m_bVersionModuleRegistry;
    int m_bVersionPathRegistry;
    int m_bVersionBuildRegistry;
    int m_bReqKX7200R;
    int m_bReboot;
    int m_bShowProduct;
    int m_bShowBeta;
    int m_bShowSnip;
    int m_bShowDependency;
    int m_bOptionalDependency;
    int m_bDisplayStartMenu;
    int m_bShowInstallDriverWarning;
    int m_bWindowClass;
    int m_bUpdate;
    int m_bBeta;
    int m_bSnip;
    CStringList m_lstAdditionalExes;
    long m_lVersion[4];
    long m_lMinRequiredVersion[4];
    long m_lCatalogueVersion[4];
};

#ifndef TESMARO_BUILD
#define TESMARO_INLINE inline
#include "ProductInfoInline.h"
#endif
