#include "client/library/SearchRoots.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::TempDir;

TEST(SearchRootsTest, HomeComesFirstThenLocalFixedDisksOutsideTheSystemFolders) {
    TempDir dir;
    testsupport::WriteFileText(dir.File("mountinfo"),
                               "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                               "27 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
                               "28 27 8:2 / /boot/efi rw,relatime - vfat /dev/sda2 rw\n"
                               "29 27 8:3 / /var rw,relatime shared:5 - ext4 /dev/sda3 rw\n"
                               "30 27 8:4 / /home rw,relatime - ext4 /dev/sda4 rw\n"
                               "31 27 8:5 / /lib64/extra rw - xfs /dev/sda5 rw\n"
                               "32 27 8:17 / /mnt/data rw,relatime shared:7 master:1 - ext4 /dev/sdb1 rw\n"
                               "33 27 8:33 / /media/u/STICK rw,nosuid - vfat /dev/sdc1 rw\n"
                               "34 27 0:50 / /mnt/nas rw - nfs4 server:/export rw\n"
                               "35 27 0:45 / /mnt/with\\040blank rw - btrfs /dev/sdd1 rw\n"
                               "36 30 8:49 / /home/u/disk rw - ext4 /dev/sde1 rw\n"
                               "37 27 8:17 /sub /mnt/data rw - ext4 /dev/sdb1 rw\n"
                               "38 27 0:60 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                               "39 27 8:65 / /srv/www rw - ext4 /dev/sdf1 rw\n"
                               "malformed line\n"
                               "40 27 8:81 / /mnt/ntfs rw - fuseblk /dev/sdf1 rw\n");
    for (const auto& [device, flag] : {std::pair{"8:17", "0\n"}, std::pair{"8:33", "1\n"}}) {
        std::filesystem::create_directories(dir.File(std::string("sys/") + device));
        testsupport::WriteFileText(dir.File(std::string("sys/") + device + "/removable"), flag);
    }
    MusicSearchSettings settings;
    settings.home = L"/home/u";
    settings.documents = L"/home/u/Documents";
    settings.mountInfoPath = dir.File("mountinfo");
    settings.sysBlockPath = dir.File("sys");
    EXPECT_EQ(std::vector<std::wstring>({L"/home/u", L"/mnt/data", L"/mnt/with blank", L"/mnt/ntfs"}),
              SearchRoots(settings));

    settings.roots = {L"/given"};
    EXPECT_EQ(std::vector<std::wstring>({L"/given"}), SearchRoots(settings));
}
