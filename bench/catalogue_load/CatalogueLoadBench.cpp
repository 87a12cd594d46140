// Times CSkelvar::Init on a local catalogue file, the program's own load path, and prints one
// line: products, dependency records (nested ones included) or "refused" when the load failed,
// milliseconds, the parse's steps, and the process's peak working set in MiB before and after the load.
#include <Skelvar.h>

#include <objbase.h>
#include <psapi.h>
#include <stdio.h>

namespace {

long CountDependencies(const CProductInfo& product)
{
    long nCount = product.GetDependencyCount();
    for (int i = 0; i < product.GetDependencyCount(); ++i)
        nCount += CountDependencies(product.GetDependency(i));
    return nCount;
}

double PeakWorkingSetMiB()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024 * 1024);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: CatalogueLoadBench CATALOGUE-FILE\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    {
        CSkelvar client(argv[1], "", "");
        double dIdleMiB = PeakWorkingSetMiB();
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        int bLoaded = client.Init("", "");
        QueryPerformanceCounter(&end);
        double dMs = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart);
        if (bLoaded) {
            long nDependencies = 0;
            for (const CProductInfo& product : client.m_vecProducts)
                nDependencies += CountDependencies(product);
            printf("%u %ld %.0f %u %.1f %.1f\n", static_cast<unsigned>(client.m_vecProducts.size()), nDependencies,
                   dMs, static_cast<unsigned>(client.GetLoadSteps()), dIdleMiB, PeakWorkingSetMiB());
        } else {
            printf("0 refused %.0f %u %.1f %.1f\n", dMs, static_cast<unsigned>(client.GetLoadSteps()), dIdleMiB,
                   PeakWorkingSetMiB());
        }
    }
    CoUninitialize();
    return 0;
}
