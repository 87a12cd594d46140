#pragma once

// True when the path names an existing folder or a known drive root such as "C:\".
bool DirectoryExists(const char* pszPath);
