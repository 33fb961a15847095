// Where the music-folder search looks on Linux: in place of a machine's fixed
// drives, the home folder first, then the mount points of local disk file
// systems on devices that are not removable; in place of the system folders
// of those drives, the folders of the system's own files.
#pragma once

#include "client/library/MusicFolderWalk.h"

#include <string>
#include <vector>

struct MusicSearchSettings {
    // The user's folders (XDG); empty when unknown.
    std::wstring home;
    std::wstring desktop;
    std::wstring documents;
    std::wstring music;
    std::string mountInfoPath = "/proc/self/mountinfo";
    // Block devices by "major:minor", each with its "removable" flag.
    std::string sysBlockPath = "/sys/dev/block";
    // When not empty: the roots to search, in place of home and the mounts.
    std::vector<std::wstring> roots;
    // Folders never entered: the system's own.
    std::vector<std::wstring> systemFolders = {L"/usr",  L"/bin",  L"/sbin", L"/lib*", L"/etc",
                                               L"/var",  L"/proc", L"/sys",  L"/dev",  L"/run",
                                               L"/boot", L"/tmp",  L"/opt",  L"/snap", L"/srv"};
};

// Home, desktop, documents and music from the environment and the XDG user
// directories.
MusicSearchSettings DefaultMusicSearchSettings();

struct MountEntry {
    std::string mountPoint;
    std::string fsType;
    unsigned major = 0;
    unsigned minor = 0;
};

// The mounts of a mountinfo text in its order; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(const std::string& text);

// The folders the thorough search never enters: the system folders, the home
// folder (searched as a root of its own) and the folder that holds the
// users' home folders (the first piece of the documents folder's path, as in
// "/home" for "/home/u/Documents").
ExcludedFolders SearchExclusions(const MusicSearchSettings& settings);

// The roots of the thorough search: `roots` when given, else home, then every
// mount point of ext2/3/4, xfs, btrfs, f2fs, vfat, exfat, ntfs, ntfs3 or
// fuseblk whose device is not removable, leaving out "/", mount points at or
// below an excluded folder and those inside home (home's own walk reaches
// them).
std::vector<std::wstring> SearchRoots(const MusicSearchSettings& settings);
