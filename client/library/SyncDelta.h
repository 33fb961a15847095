// One queued change of the shared library, waiting to be sent to the server.
#pragma once

#include <cstdint>

enum SyncDeltaType {
    SYNC_NEW = 1,        // the file is new or must be sent again
    SYNC_DEL = 2,        // the file is gone
    SYNC_DISCONNECT = 3, // close the server connection; no file
};

struct SyncDelta {
    uint32_t m_type = SYNC_NEW;
    uint32_t cfID = 0;
    uint32_t kind = 0; // the file's kind when queued (1 music file, 2 playlist)
};
