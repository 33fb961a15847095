#include "crashreport/FileVersion.h"

#include "crashreport/ReadBlocks.h"
#include "include/digest/Md5.h"
#include "include/system/VersionNote.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char kNoVersion[] = "(GFVI failed)";
constexpr char kOpenFailed[] = "(OpenFailed)";
constexpr size_t kMd5BlockBytes = 8192;
// Notes are small; a larger note segment is not ours to read.
constexpr uint64_t kMaxNoteSegmentBytes = 1 << 16;
constexpr Elf64_Half kMaxProgramHeaders = 256;

bool ReadAt(int fd, uint64_t offset, void* out, size_t size) {
    return pread(fd, out, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

size_t Align4(size_t n) {
    return (n + 3) & ~static_cast<size_t>(3);
}

// Looks for the version note among the notes of one segment.
bool FindVersionNote(const std::vector<unsigned char>& notes, uint32_t words[2]) {
    size_t at = 0;
    while (notes.size() - at >= sizeof(Elf64_Nhdr)) {
        Elf64_Nhdr header;
        std::memcpy(&header, notes.data() + at, sizeof header);
        at += sizeof header;
        const size_t nameBytes = Align4(header.n_namesz);
        const size_t descBytes = Align4(header.n_descsz);
        if (header.n_namesz > notes.size() || header.n_descsz > notes.size() ||
            nameBytes + descBytes > notes.size() - at)
            return false;
        if (header.n_type == kVersionNoteType && header.n_namesz == sizeof kVersionNoteOwner &&
            header.n_descsz == 2 * sizeof(uint32_t) &&
            std::memcmp(notes.data() + at, kVersionNoteOwner, sizeof kVersionNoteOwner) == 0) {
            std::memcpy(words, notes.data() + at + nameBytes, 2 * sizeof(uint32_t));
            return true;
        }
        at += nameBytes + descBytes;
    }
    return false;
}

bool ReadVersionWords(int fd, uint32_t words[2]) {
    Elf64_Ehdr elf;
    if (!ReadAt(fd, 0, &elf, sizeof elf) || std::memcmp(elf.e_ident, ELFMAG, SELFMAG) != 0 ||
        elf.e_ident[EI_CLASS] != ELFCLASS64 || elf.e_phentsize != sizeof(Elf64_Phdr) ||
        elf.e_phnum > kMaxProgramHeaders)
        return false;
    for (Elf64_Half i = 0; i < elf.e_phnum; ++i) {
        Elf64_Phdr segment;
        if (!ReadAt(fd, elf.e_phoff + i * sizeof segment, &segment, sizeof segment))
            return false;
        if (segment.p_type != PT_NOTE || segment.p_filesz > kMaxNoteSegmentBytes)
            continue;
        std::vector<unsigned char> notes(segment.p_filesz);
        if (ReadAt(fd, segment.p_offset, notes.data(), notes.size()) && FindVersionNote(notes, words))
            return true;
    }
    return false;
}

} // namespace

std::string FileVersionString(const std::string& path) {
    platform::UniqueFd fd(platform::OpenCloexec(path, O_RDONLY));
    uint32_t words[2];
    if (!fd.IsValid() || !ReadVersionWords(fd.Get(), words))
        return kNoVersion;
    return std::to_string(words[0] >> 16) + "." + std::to_string(words[0] & 0xFFFF) + "." +
           std::to_string(words[1] >> 16) + "." + std::to_string(words[1] & 0xFFFF);
}

std::string FileSizeAndMd5(const std::string& path) {
    platform::UniqueFd fd(platform::OpenCloexec(path, O_RDONLY));
    if (!fd.IsValid())
        return kOpenFailed;
    Md5Context md5;
    Md5Init(&md5);
    uint64_t size = 0;
    // A read error ends the digest where it stands.
    (void)ReadBlocks(fd.Get(), kMd5BlockBytes, [&](const char* data, size_t got) {
        Md5Update(&md5, data, static_cast<int>(got));
        size += got;
        return true;
    });
    unsigned char digest[kMd5DigestBytes];
    Md5Final(&md5, digest);
    std::string text = std::to_string(size) + ":";
    char hex[3];
    for (int i = 0; i < kMd5DigestBytes; ++i) {
        std::snprintf(hex, sizeof hex, i == 0 ? "%02x" : "%x", digest[i]);
        text += hex;
    }
    return text;
}
