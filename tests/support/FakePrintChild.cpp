// Stands in for the fingerprint child in tests of its parent. Reads the whole
// request (u16 length, UTF-8 path) and answers by the path's last element:
//   "reply4"         only the 4 bytes of the seconds (77);
//   "truncated"      seconds 99 and a string cut short;
//   "sleep"          writes its id to the path's folder as "pid", then hangs;
//   "exclusive"      holds a lock file in the path's folder for 200 ms and
//                    answers "alone", or "overlap" when another holds it;
//   anything else    seconds = path length, and the text
//                    "<argv[0]> <argv[1]> <path> fds=<descriptors beyond 2>
//                    parent=<MELVANE_PRINT_PARENT>".
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string ReadAll(int fd) {
    std::string bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0)
            bytes.append(chunk, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            return bytes;
    }
}

void Put32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

std::string Reply(uint32_t secs, const std::string& text) {
    std::string out;
    Put32(out, secs);
    out += static_cast<char>((text.size() >> 8) & 0xFF);
    out += static_cast<char>(text.size() & 0xFF);
    return out + text;
}

int ExtraDescriptors() {
    DIR* fds = opendir("/proc/self/fd");
    if (!fds)
        return -1;
    int extra = 0;
    while (const dirent* entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd > 2 && fd != dirfd(fds))
            ++extra;
    }
    closedir(fds);
    return extra;
}

} // namespace

int main(int argc, char** argv) {
    const std::string request = ReadAll(STDIN_FILENO);
    if (request.size() < 2)
        return 1;
    const std::string path = request.substr(2);
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    std::string reply;
    if (name == "reply4") {
        Put32(reply, 77);
    } else if (name == "truncated") {
        reply = Reply(99, "0-37c ").substr(0, 4 + 2 + 3);
    } else if (name == "sleep") {
        FILE* out = std::fopen((folder + "/pid").c_str(), "w");
        if (out) {
            std::fprintf(out, "%d\n", static_cast<int>(getpid()));
            std::fclose(out);
        }
        for (;;)
            pause();
    } else if (name == "exclusive") {
        const std::string lock = folder + "/lock";
        const int fd = open(lock.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        usleep(200000);
        if (fd >= 0) {
            close(fd);
            unlink(lock.c_str());
        }
        reply = Reply(1, fd >= 0 ? "alone" : "overlap");
    } else {
        const char* parent = std::getenv("MELVANE_PRINT_PARENT");
        const std::string text = std::string(argv[0]) + " " + (argc > 1 ? argv[1] : "") + " " + path +
                                 " fds=" + std::to_string(ExtraDescriptors()) +
                                 " parent=" + (parent ? parent : "");
        reply = Reply(static_cast<uint32_t>(path.size()), text);
    }
    const ssize_t written = write(STDOUT_FILENO, reply.data(), reply.size());
    return written == static_cast<ssize_t>(reply.size()) ? 0 : 1;
}
