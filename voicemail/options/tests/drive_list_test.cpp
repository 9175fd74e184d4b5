#include <gtest/gtest.h>

#include "options/drive_list.h"

namespace murmel {
namespace {

TEST(DriveList, HomeFirstThenBlockDeviceMountsWithLabels) {
    const std::string_view mounts =
        "sysfs /sys sysfs rw 0 0\n"
        "/dev/sda2 / ext4 rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "/dev/sdb1 /media/u/My\\040Stick vfat rw 0 0\n"
        "/dev/sda3 /home/u ext4 rw 0 0\n"
        "/dev/sda2 / ext4 rw 0 0\n"
        "/dev/sdc1\n"
        "/dev/sdd1 /srv\\134x\\09 xfs";
    std::vector<std::string> asked;
    const QStringList drives =
        ParseDriveList(mounts, "/home/u", [&asked](const std::string& device) {
            asked.push_back(device);
            return device == "/dev/sdb1" ? QStringLiteral("STICK") : QString();
        });
    EXPECT_EQ(drives, (QStringList{"/home/u", "/", "/media/u/My Stick [STICK]", "/srv\\x\\09"}));
    EXPECT_EQ(asked, (std::vector<std::string>{"/dev/sda2", "/dev/sdb1", "/dev/sdd1"}));
}

TEST(DriveList, EmptyTableListsTheHomeFolder) {
    EXPECT_EQ(ParseDriveList("", "/home/u", {}), QStringList{"/home/u"});
}

}  // namespace
}  // namespace murmel
