#include "AfxRichEdit.h"

BOOL AfxInitRichEdit2()
{
    static HMODULE hRichEdit = LoadLibraryA("riched20.dll");
    return hRichEdit != nullptr;
}
