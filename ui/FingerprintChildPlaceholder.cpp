#include "ui/FingerprintChildPlaceholder.h"

#include "include/log/Logger.h"

#include <cstdio>

int FingerprintChildPlaceholder() {
    MVLOG(LOG_ERR, "PLACEHOLDER: the fingerprint child is not built yet");
    std::fprintf(stderr, "Melvane: PLACEHOLDER: the fingerprint child is not built yet\n");
    return 0;
}
