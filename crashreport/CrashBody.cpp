#include "crashreport/CrashBody.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kKnownBoundary[] = "-----------1AED22BB-20C2-4cb2-9EFC-A24B079A61D8";
constexpr char kBoundaryLead[] = "-----------";
constexpr char kMaxFileSize[] = "20000000";
constexpr char kCrlf[] = "\r\n";
constexpr int kRandomIdsPerBoundary = 4;

struct Part {
    const char* name;
    const char* fileContentType; // set for the two file parts
    const std::string* content;
};

std::array<Part, 8> PartsOf(const CrashReportFields& f, const std::string& maxFileSize) {
    return {{{"MAX_FILE_SIZE", nullptr, &maxFileSize},
             {"summary", nullptr, &f.summary},
             {"version", nullptr, &f.version},
             {"id", nullptr, &f.id},
             {"hash", nullptr, &f.hash},
             {"osVersion", nullptr, &f.osVersion},
             {"log.gz", "text/plain", &f.log},
             {"dump.gz", "application/octet-stream", &f.dump}}};
}

bool OccursInParts(const CrashReportFields& fields, const std::string& boundary) {
    const std::string maxFileSize = kMaxFileSize;
    for (const Part& part : PartsOf(fields, maxFileSize)) {
        if (part.content->find(boundary) != std::string::npos)
            return true;
    }
    return false;
}

// The n-th boundary tried after the known one. The number makes every one
// new, so the search ends even when no random digits can be had.
std::string CandidateBoundary(uint64_t n, RandomHexSource randomHex) {
    std::string boundary = kBoundaryLead;
    for (int i = 0; i < kRandomIdsPerBoundary; ++i) {
        std::string digits;
        if (randomHex(digits))
            boundary += digits;
    }
    return boundary + "-" + std::to_string(n);
}

// Each part's head: the line between parts (none before the first), the
// dashes and boundary, and the part's own headers.
std::string PartHead(const Part& part, const std::string& boundary, bool first) {
    std::string head = first ? "" : kCrlf;
    head += "--" + boundary + kCrlf;
    head += "Content-Disposition: form-data; name=\"" + std::string(part.name) + "\"";
    if (part.fileContentType) {
        head += "; filename=\"" + std::string(part.name) + "\"" + kCrlf;
        head += "Content-Type: " + std::string(part.fileContentType);
    }
    head += std::string(kCrlf) + kCrlf;
    return head;
}

} // namespace

std::string ChooseBoundary(const CrashReportFields& fields, RandomHexSource randomHex) {
    std::string boundary = kKnownBoundary;
    for (uint64_t n = 0; OccursInParts(fields, boundary); ++n)
        boundary = CandidateBoundary(n, randomHex);
    return boundary;
}

std::string BuildCrashBody(const CrashReportFields& fields, const std::string& boundary) {
    const std::string maxFileSize = kMaxFileSize;
    const std::array<Part, 8> parts = PartsOf(fields, maxFileSize);
    std::array<std::string, 8> heads;
    const std::string tail = std::string(kCrlf) + "--" + boundary + "--" + kCrlf;
    size_t length = tail.size();
    for (size_t i = 0; i < parts.size(); ++i) {
        heads[i] = PartHead(parts[i], boundary, i == 0);
        length += heads[i].size() + parts[i].content->size();
    }
    std::string body;
    body.reserve(length);
    for (size_t i = 0; i < parts.size(); ++i)
        body.append(heads[i]).append(*parts[i].content);
    body += tail;
    return body;
}

std::string CrashBodyContentType(const std::string& boundary) {
    return "multipart/form-data; boundary=" + boundary;
}
