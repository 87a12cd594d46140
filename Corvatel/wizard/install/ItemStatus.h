// ItemStatus: the codes of a queue record's m_nStatus. 1 to 5: a download is pending or running;
// 6 to 11: downloaded or beyond; 8 and 9: an install is running; above 11: failures and aborts.
#pragma once

enum ItemStatus
{
    ItemNotQueued = 0,
    ItemPreparingDownload = 1,          // waiting for the response-file pass
    ItemDownloadingResponseFile = 2,
    ItemResponseFileDownloaded = 3,     // or none needed
    ItemPreparingSetupDownload = 4,     // waiting for the setup-file pass
    ItemDownloading = 5,
    ItemDownloaded = 6,
    ItemPreparingInstall = 7,
    ItemInstallingPart = 8,
    ItemInstalling = 9,
    ItemInstalled = 10,
    ItemDone = 11,                      // a download-only run finished
    ItemDownloadFailed = 12,
    ItemUnused = 13,
    ItemTimedOut = 14,
    ItemAbortingDownload = 15,
    ItemDownloadAborted = 16,
    ItemError = 17,                     // with a text of the caller's
    ItemInstallAborted = 18,
};
