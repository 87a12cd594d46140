#pragma once

#include <windows.h>

// Loads the rich edit 2.0 library once, so dialogs can create "RichEdit20A" controls.
BOOL AfxInitRichEdit2();
