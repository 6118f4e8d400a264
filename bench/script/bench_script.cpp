// Script engine speed. BM_VbsLoop, BM_VbsStringBuild and BM_VbsBubbleSort are
// the target workloads; the BM_Python3* cases time the same workloads in the
// machine's python3 in the same run (inside the Python process, so its
// start-up does not count), for comparison. Targets: the loop ahead of
// CPython, the string build under 10 times CPython's, the bubble sort at
// least as fast as CPython.

#include "script/engine.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

namespace {

void runScript(benchmark::State& state, const char* code) {
    for (auto _ : state) {
        script::Engine engine;
        if (!engine.addCode(code)) {
            state.SkipWithError(engine.lastError().description.c_str());
            return;
        }
    }
}

void BM_VbsLoop(benchmark::State& state) {
    runScript(state, "Dim s, i\ns = 0\nFor i = 1 To 10000000 : s = s + i Mod 7 : Next");
}
BENCHMARK(BM_VbsLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_VbsLoopInSub(benchmark::State& state) {
    runScript(state, "Sub Work()\nDim s, i\ns = 0\nFor i = 1 To 10000000 : s = s + i Mod 7 : Next\n"
                     "End Sub\nWork");
}
BENCHMARK(BM_VbsLoopInSub)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_VbsCalls(benchmark::State& state) {
    runScript(state, "Function Fib(n)\nIf n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)\n"
                     "End Function\nx = Fib(25)");
}
BENCHMARK(BM_VbsCalls)->Unit(benchmark::kMillisecond);

void BM_VbsStrings(benchmark::State& state) {
    runScript(state, "For i = 1 To 100000\ns = Mid(\"abcdef\", i Mod 5 + 1, 2) & CStr(i)\n"
                     "If InStr(s, \"9\") > 0 Then n = n + Len(s)\nNext");
}
BENCHMARK(BM_VbsStrings)->Unit(benchmark::kMillisecond);

// 100 000 appends to one string, as a CSV line is built.
void BM_VbsStringBuild(benchmark::State& state) {
    runScript(state, "Dim s, i\ns = \"\"\nFor i = 1 To 100000\n    s = s & i & \",\"\nNext");
}
BENCHMARK(BM_VbsStringBuild)->Unit(benchmark::kMillisecond);

// A bubble sort of 10 000 numbers at global scope, as scripts write it. The
// numbers come from a small LCG that Python repeats exactly.
const char* const kBubbleSort = R"(Dim a(9999), i, j, t, x, n
n = 10000
x = 1
For i = 0 To n - 1
    x = (x * 75 + 74) Mod 65537
    a(i) = x
Next
For i = 0 To n - 2
    For j = 0 To n - 2 - i
        If a(j) > a(j + 1) Then
            t = a(j)
            a(j) = a(j + 1)
            a(j + 1) = t
        End If
    Next
Next
If a(0) > a(1) Or a(n - 2) > a(n - 1) Then Err.Raise 5)";

void BM_VbsBubbleSort(benchmark::State& state) {
    runScript(state, kBubbleSort);
}
BENCHMARK(BM_VbsBubbleSort)->Unit(benchmark::kMillisecond)->Iterations(1);

// Runs a Python program that prints the seconds its timed part took.
void runPython(benchmark::State& state, const std::string& program) {
    const std::string command = "python3 -c '" + program + "' 2>/dev/null";
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        double seconds = -1;
        if (pipe) {
            if (std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
            pclose(pipe);
        }
        if (seconds < 0) {
            state.SkipWithError("python3 is not available");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_Python3Loop(benchmark::State& state) {
    // Module level, like the script's global variables.
    runPython(state, "import time\nt = time.perf_counter()\ns = 0\n"
                     "for i in range(1, 10000001): s = s + i % 7\n"
                     "print(time.perf_counter() - t)");
}
BENCHMARK(BM_Python3Loop)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_Python3LoopInFunction(benchmark::State& state) {
    // Local variables: Python's fastest form of the loop.
    runPython(state, "import time\ndef work():\n    s = 0\n"
                     "    for i in range(1, 10000001): s = s + i % 7\n    return s\n"
                     "t = time.perf_counter()\nwork()\nprint(time.perf_counter() - t)");
}
BENCHMARK(BM_Python3LoopInFunction)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_Python3StringBuild(benchmark::State& state) {
    runPython(state, "import time\nt = time.perf_counter()\ns = \"\"\n"
                     "for i in range(1, 100001): s += str(i) + \",\"\n"
                     "print(time.perf_counter() - t)");
}
BENCHMARK(BM_Python3StringBuild)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_Python3BubbleSort(benchmark::State& state) {
    // Module level, like the script's global variables.
    runPython(state, "import time\nt0 = time.perf_counter()\nn = 10000\na = [0] * n\nx = 1\n"
                     "for i in range(n):\n    x = (x * 75 + 74) % 65537\n    a[i] = x\n"
                     "for i in range(n - 1):\n    for j in range(n - 1 - i):\n"
                     "        if a[j] > a[j + 1]:\n"
                     "            t = a[j]\n            a[j] = a[j + 1]\n            a[j + 1] = t\n"
                     "assert a == sorted(a)\nprint(time.perf_counter() - t0)");
}
BENCHMARK(BM_Python3BubbleSort)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace
