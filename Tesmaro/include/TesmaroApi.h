// Export switch for the classes Tesmaro.dll shares with the main program.
#pragma once

#ifdef TESMARO_BUILD
#define TESMARO_API __declspec(dllexport)
#else
#define TESMARO_API __declspec(dllimport)
#endif
