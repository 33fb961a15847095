#include "crashreport/HelperMain.h"

#include "crashreport/CrashBody.h"
#include "crashreport/FileVersion.h"
#include "crashreport/HelperTexts.h"
#include "crashreport/MiniDump.h"
#include "crashreport/OfferRestart.h"
#include "crashreport/ReportFolder.h"
#include "crashreport/ReportPayload.h"
#include "include/system/SystemInfo.h"
#include "include/text/Utf8.h"
#include "platform/process/ProcessDescriptor.h"

#include <cstdlib>

namespace {

constexpr char kNoOsDescription[] = "(error)";

int64_t Decimal(const char* text) {
    return std::strtoll(text, nullptr, 10);
}

// Text from the command line as valid UTF-8.
std::string CleanUtf8(const char* text) {
    return WideToUtf8(Utf8ToWide(text));
}

struct UploadOutcome {
    bool sent = false;
    bool couldNotConnect = false;
    std::string errorText;
};

// The body is made once, so every try sends the same bytes; the report's
// folder with the compressed files is gone once the tries are over.
UploadOutcome UploadReport(const HelperArgs& args, const std::string& version, const HelperEnv& env) {
    ReportFolder folder;
    (void)folder.Create(env.folderParent);
    CrashReportFields fields;
    // The log first: the program deletes it when it stops waiting for us,
    // and a dump can take a while.
    fields.log = LogPartContent(folder, args.logPath, args.logByteLimit);
    fields.dump = FilePartContent(WriteMiniDump(folder, args.processId, args.threadId, args.recordAddress));
    if (env.copiesTaken)
        env.copiesTaken();
    fields.summary = args.summary;
    fields.version = version;
    fields.id = args.reportId;
    fields.hash = FileSizeAndMd5(args.programPath);
    if (!GetOsDescription(fields.osVersion))
        fields.osVersion = kNoOsDescription;
    const std::string boundary = ChooseBoundary(fields);
    const std::string body = BuildCrashBody(fields, boundary);
    fields = CrashReportFields();

    UploadOutcome outcome;
    for (int i = 0; i < kUploadTries && !outcome.sent; ++i) {
        DumpTruck truck(env.target);
        outcome.sent = truck.Connect() && truck.Send(body, boundary);
        if (!outcome.sent) {
            outcome.couldNotConnect = truck.CouldNotConnect();
            outcome.errorText = truck.ErrorText();
            env.sleepMs(kUploadRetryPauseMs);
        }
    }
    return outcome;
}

} // namespace

HelperArgs ParseHelperArgs(const char* const argv[]) {
    HelperArgs args;
    const int64_t pid = Decimal(argv[1]);
    args.processId = pid > 0 && pid <= INT32_MAX ? static_cast<int>(pid) : 0;
    args.threadId = static_cast<int>(Decimal(argv[2]));
    args.recordAddress = std::strtoull(argv[3], nullptr, 10);
    args.programPath = argv[4];
    args.logPath = argv[5];
    args.logByteLimit = Decimal(argv[6]);
    args.reportId = CleanUtf8(argv[7]);
    args.summary = CleanUtf8(argv[8]);
    return args;
}

int HelperMain(int argc, const char* const argv[], const HelperEnv& env) {
    if (argc != kHelperArgCount)
        return 1;
    const HelperArgs args = ParseHelperArgs(argv);
    // Opened now, while the crashed process surely still exists.
    const platform::ProcessDescriptor process(args.processId);
    const std::string version = FileVersionString(args.programPath);
    const UploadOutcome outcome = UploadReport(args, version, env);
    const std::wstring support = Utf8ToWide(env.supportEmail);
    if (!outcome.sent) {
        env.presenter->ShowError(kUploadFailedCaption,
                                 outcome.couldNotConnect
                                     ? FirewallText(support)
                                     : UploadFailedText(support, Utf8ToWide(args.summary),
                                                        Utf8ToWide(outcome.errorText),
                                                        Utf8ToWide(args.programPath), Utf8ToWide(version)));
        return 0;
    }
    OfferRestart(args.summary, process, args.programPath, support, *env.presenter, env.startProgram);
    return 0;
}
