#include "include/process/RunProcess.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/process/Spawn.h"

void FormatRanLine(FixedText& out, const char* commandLine, bool created, int error, bool launchFailed,
                   bool exited, uint32_t exitCode) {
    out.Append("ran ").Append(commandLine).Append(", res ").AppendDecimal(created ? 1 : 0);
    out.Append(", err ").AppendDecimal(error).Append(", launchFailed: ").AppendDecimal(launchFailed ? 1 : 0);
    out.Append(", exited: ").AppendDecimal(exited ? 1 : 0).Append(", exitCode: ").AppendUnsigned(exitCode);
    out.AppendChar('\n');
}

std::wstring FormatCommandLine(const std::vector<std::wstring>& args) {
    std::wstring line;
    for (const std::wstring& arg : args) {
        if (!line.empty())
            line += L' ';
        bool quote = arg.empty() || arg.find_first_of(L" \t\"") != std::wstring::npos;
        if (quote)
            line += L'"';
        line += arg;
        if (quote)
            line += L'"';
    }
    return line;
}

void RunProcess(const std::vector<std::wstring>& args, uint32_t waitSeconds, bool& launchFailed, bool& exited,
                uint32_t& exitCode) {
    exitCode = 0;
    launchFailed = false;
    exited = false;

    std::vector<std::string> argv;
    argv.reserve(args.size());
    for (const std::wstring& arg : args)
        argv.push_back(WideToUtf8(arg));

    int error = 0;
    pid_t child = platform::SpawnProcess(argv, &error);
    if (child < 0) {
        launchFailed = true;
    } else {
        int status = 0;
        if (waitSeconds != 0 &&
            platform::WaitProcess(child, waitSeconds * 1000, &status) == platform::WAIT_EXITED) {
            exited = true;
            exitCode = static_cast<uint32_t>(status);
        } else {
            platform::ReapInBackground(child);
        }
    }

    if (g_logger) {
        char text[Logger::kMaxLineBytes];
        FixedText line(text, sizeof text);
        FormatRanLine(line, WideToUtf8(FormatCommandLine(args)).c_str(), child >= 0, error, launchFailed,
                      exited, exitCode);
        g_logger->LogWrite(LOG_INFO, __FILE__, __LINE__, line.c_str());
    }
}
