// Benchmark: CPU time of the process during WaitProcessingEvents, automatic mode's one-second
// wait. A window with the program's two timer periods keeps some messages coming.
// Usage: bench_wait [rounds]   (each round waits 1000 ms; default 5)

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/sync.h"

namespace {

LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

unsigned long long ToMicroseconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / 10;  // 100 ns units
}

unsigned long long ProcessCpuMicroseconds() {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0;
    return ToMicroseconds(kernel) + ToMicroseconds(user);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1 || rounds > 60) rounds = 5;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = QuietWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "HorvaneBenchWait";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "HorvaneBenchWait", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) return 1;
    SetTimer(window, 1, 1000, nullptr);
    SetTimer(window, 2, 5000, nullptr);

    double worst = 0;
    double total = 0;
    for (int round = 0; round < rounds; ++round) {
        LARGE_INTEGER frequency, before, after;
        QueryPerformanceFrequency(&frequency);
        const unsigned long long cpuBefore = ProcessCpuMicroseconds();
        QueryPerformanceCounter(&before);
        horvane::WaitProcessingEvents(1000);
        QueryPerformanceCounter(&after);
        const unsigned long long cpu = ProcessCpuMicroseconds() - cpuBefore;
        const double wall = static_cast<double>(after.QuadPart - before.QuadPart) * 1e6 /
                            static_cast<double>(frequency.QuadPart);
        const double share = 100.0 * static_cast<double>(cpu) / wall;
        std::printf("round %d: wall %.1f ms, cpu %.3f ms, %.2f %% of one core\n", round + 1,
                    wall / 1000.0, static_cast<double>(cpu) / 1000.0, share);
        if (share > worst) worst = share;
        total += share;
    }
    std::printf("mean %.2f %%, worst %.2f %% of one core (goal < 5 %%)\n", total / rounds, worst);
    DestroyWindow(window);
    return 0;
}
