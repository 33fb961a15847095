// Linked with --wrap for socket(): every socket the code under test asks for
// is refused, so a connection a fuzzed message starts fails at once, the
// same way on every run, and nothing reaches the network.
#include <sys/socket.h>

#include <cerrno>

extern "C" int __wrap_socket(int, int, int) {
    errno = EACCES;
    return -1;
}
