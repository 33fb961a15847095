// Fingerprints through the child process, timed: the program's prints of
// the first N music files under a folder, and with --fpcalc the same files
// through fpcalc (another fingerprinter of the same class of work) for
// comparison. Prints milliseconds per file and the ratio. --in-process also
// times the print alone, without the child and the file's metadata.
//
//   PrintBench [-n N] [--program MELVANE] [--fpcalc] [--in-process] FOLDER
#include "client/media/PrintSource.h"
#include "client/media/print/PrintRunner.h"
#include "include/fs/FileTypes.h"
#include "include/text/Utf8.h"
#include "platform/process/ChildPipe.h"
#include "platform/process/FindProgram.h"
#include "platform/process/Spawn.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kFpcalcWaitMs = 120000;

struct Arguments {
    size_t count = 200;
    std::string program = MELVANE_PROGRAM;
    bool fpcalc = false;
    bool inProcess = false;
    std::string folder;
};

bool ParseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--fpcalc")
            args.fpcalc = true;
        else if (arg == "--in-process")
            args.inProcess = true;
        else if (arg == "-n" && i + 1 < argc)
            args.count = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--program" && i + 1 < argc)
            args.program = argv[++i];
        else if (args.folder.empty() && arg[0] != '-')
            args.folder = arg;
        else
            return false;
    }
    return !args.folder.empty() && args.count > 0;
}

// The first `count` music files under `folder`, in path order.
std::vector<std::string> MusicFiles(const std::string& folder, size_t count) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (entry.is_regular_file() && isMusicFile(Utf8ToWide(entry.path().filename().string())))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    if (files.size() > count)
        files.resize(count);
    return files;
}

// Total time and successes of one kind of work.
struct Timing {
    double millis = 0;
    size_t succeeded = 0;

    template <typename Work> void Time(Work&& work) {
        const auto start = std::chrono::steady_clock::now();
        succeeded += work() ? 1 : 0;
        millis += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    void Print(const char* what, size_t files) const {
        std::printf("%s: %zu files, %zu printed, %.1f ms per file\n", what, files, succeeded, millis / files);
    }
};

// fpcalc on one file; true when it printed a fingerprint. (fpcalc 1.5 with
// FFmpeg 5 ends with an error at the end of every file, after printing.)
bool RunFpcalc(std::string program, std::string file) {
    platform::UniqueFd outRead, outWrite;
    if (platform::MakePipe(outRead, outWrite) != 0)
        return false;
    char* const argv[] = {program.data(), file.data(), nullptr};
    platform::SpawnContext context(-1, outWrite.Get());
    int error = 0;
    const pid_t pid = context.Spawn(program.c_str(), argv, &error);
    outWrite.Reset();
    std::string output;
    char chunk[4096];
    for (long n; (n = read(outRead.Get(), chunk, sizeof chunk)) > 0;)
        output.append(chunk, static_cast<size_t>(n));
    int exitCode = -1;
    return pid > 0 && platform::WaitProcess(pid, kFpcalcWaitMs, &exitCode) == platform::WAIT_EXITED &&
           output.find("FINGERPRINT=") != std::string::npos;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    Arguments args;
    if (!ParseArguments(argc, argv, args)) {
        std::fprintf(stderr,
                     "usage: PrintBench [-n N] [--program MELVANE] [--fpcalc] [--in-process] FOLDER\n");
        return 2;
    }
    const std::vector<std::string> files = MusicFiles(args.folder, args.count);
    if (files.empty()) {
        std::fprintf(stderr, "no .mp3 or .m4a files under %s\n", args.folder.c_str());
        return 1;
    }
    SetPrintChildProgram(args.program, kPrintChildDeadlineMs);
    const std::string fpcalc = args.fpcalc ? platform::FindProgramInPath("fpcalc") : std::string();
    if (args.fpcalc && fpcalc.empty()) {
        std::fprintf(stderr, "fpcalc not found (Debian package libchromaprint-tools)\n");
        return 1;
    }
    // File by file, ours then fpcalc's, so a change in the machine's load
    // weighs on both alike.
    Timing ours, theirs, alone;
    for (const std::string& file : files) {
        ours.Time([&] {
            std::string print;
            uint32_t secs = 0;
            return GetPrintOutOfProc(Utf8ToWide(file), print, secs) && !print.empty();
        });
        if (args.fpcalc)
            theirs.Time([&] { return RunFpcalc(fpcalc, file); });
        if (args.inProcess) {
            alone.Time([&] {
                std::string print;
                uint32_t secs = 0;
                return CalcPrintInProcess(Utf8ToWide(file), print, secs);
            });
        }
    }
    ours.Print("print", files.size());
    if (args.inProcess)
        alone.Print("in process", files.size());
    if (args.fpcalc) {
        theirs.Print("fpcalc", files.size());
        std::printf("ratio print/fpcalc: %.2f\n", ours.millis / theirs.millis);
    }
    return 0;
}
