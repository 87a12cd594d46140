// The program's entry: the application object is built before WinMain runs.
#include "CorvatelApp.h"

CCorvatelApp theApp;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR pszCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, pszCmdLine, nCmdShow);
}
