// The version note of the Melvane executable (see VersionNote.h).
#include "include/system/VersionNote.h"

__attribute__((section(".note.melvane.version"), used, aligned(4)))
const VersionNoteData g_melvaneVersionNote = MakeVersionNote(MELVANE_VERSION_MAJOR, MELVANE_VERSION_MINOR,
                                                             MELVANE_VERSION_PATCH, MELVANE_VERSION_TWEAK);
