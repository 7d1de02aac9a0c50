// The Connection Doctor's checks over a fake machine in a temporary folder: each common cause
// of a cable that cannot be used is found and its fix named, and a clean machine gives none.
#include "doctor/connection_doctor.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace korvelo::doctor {
namespace {

namespace fs = std::filesystem;

SSerInfo cp2102(std::string name = "ttyUSB0") {
    SSerInfo p;
    p.portName = name;
    p.devicePath = "/dev/" + name;
    p.portDescription = "CP2102 USB to UART Bridge Controller";
    p.manufacturer = "Silicon Labs";
    p.serialNumber = "0001";
    p.vendorId = 0x10C4;
    p.productId = 0xEA60;
    p.isUsbDevice = true;
    return p;
}

SSerInfo plainPort(std::string name) {
    SSerInfo p;
    p.portName = name;
    p.devicePath = "/dev/" + name;
    return p;
}

// A machine with a CP2102 on ttyUSB0 (mode 0660, group "dialout"), the user in that group, the
// Korvelo rule installed, and nothing else in the way.
class FakeMachine : public ::testing::Test {
  protected:
    void SetUp() override {
        write("dev/ttyUSB0", "");
        fs::permissions(dir / "dev/ttyUSB0", fs::perms(0660));
        struct stat st {};
        ASSERT_EQ(::stat((dir / "dev/ttyUSB0").c_str(), &st), 0);
        gid = st.st_gid;
        sys.root = dir.path();
        sys.user.uid = st.st_uid + 1; // not the owner, and never root
        sys.user.name = "tech";
        sys.user.groups = {gid};
        sys.user.pid = 100;
        write("etc/group", "root:x:0:\nusers:x:100:\ndialout:x:" + std::to_string(gid) + ":tech\n");
        write("usr/lib/udev/rules.d/60-korvelo.rules", std::string(korveloUdevRule()));
        process(1, "systemd", {});
    }

    void write(const std::string& path, const std::string& text) {
        fs::create_directories((dir / path).parent_path());
        std::ofstream(dir / path) << text;
    }
    void process(long pid, const std::string& comm, const std::vector<std::string>& open) {
        const fs::path p = dir / ("proc/" + std::to_string(pid));
        write("proc/" + std::to_string(pid) + "/comm", comm + "\n");
        fs::create_directories(p / "fd");
        int fd = 3;
        for (const std::string& target : open)
            fs::create_symlink(target, p / "fd" / std::to_string(fd++));
    }
    DoctorReport examineWith(std::vector<SSerInfo> ports, ProfilePortValues profile = {}) {
        DoctorInput in;
        in.ports.ports = std::move(ports);
        in.profile = std::move(profile);
        in.os = HostOs::Linux;
        in.system = sys;
        return examine(in);
    }
    static std::vector<std::string> lines(const std::vector<Finding>& findings) {
        std::vector<std::string> out;
        for (const Finding& f : findings)
            out.push_back(f.line());
        return out;
    }

    ScratchDir dir{"korvelo-doctor"};
    SystemRoot sys;
    std::uint32_t gid = 0;
};

TEST_F(FakeMachine, ACleanMachineGivesNoFindingAndMarksTheCable) {
    const DoctorReport r = examineWith({plainPort("ttyS0"), cp2102()});
    EXPECT_TRUE(r.findings.empty()) << testing::PrintToString(lines(r.findings));
    EXPECT_TRUE(r.usable);
    EXPECT_EQ(r.device, "/dev/ttyUSB0");
    ASSERT_EQ(r.ports.size(), 2u);
    EXPECT_FALSE(r.ports[0].cp210x);
    EXPECT_TRUE(r.ports[1].cp210x && r.ports[1].autoPick && r.ports[1].chosen);
    const std::string text = reportText(r);
    EXPECT_NE(text.find("* ttyUSB0  CP2102 USB to UART Bridge Controller  Silicon Labs  10c4:ea60  "
                        "serial 0001  [CP210x cable, taken by the automatic search]"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("No problem found."), std::string::npos);
}

TEST_F(FakeMachine, DeviceNodeAccessAndHolders) {
    // Not in the node's group: the command names the group the node really has.
    sys.user.groups = {gid + 1};
    write("etc/group", "dialout:x:" + std::to_string(gid) + ":someone\n");
    auto f = checkDeviceNode(sys, "/dev/ttyUSB0");
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].line(), "No permission to use /dev/ttyUSB0: you are not in the group "
                           "\"dialout\". Fix: sudo usermod -aG dialout $USER, then log out and "
                           "log in again.");
    EXPECT_TRUE(f[0].blocksPort);
    EXPECT_FALSE(examineWith({cp2102()}).usable);

    // Added to the group, but this session began before.
    write("etc/group", "uucp:x:" + std::to_string(gid) + ":someone,tech\n");
    f = checkDeviceNode(sys, "/dev/ttyUSB0");
    ASSERT_EQ(f.size(), 1u);
    EXPECT_NE(f[0].problem.find("added to the group \"uucp\" after this login"), std::string::npos);
    EXPECT_EQ(f[0].fix, "Log out and log in again (or restart the computer).");

    // A node no group may use: joining a group would not help; the udev rule does.
    fs::permissions(dir / "dev/ttyUSB0", fs::perms(0600));
    f = checkDeviceNode(sys, "/dev/ttyUSB0");
    ASSERT_EQ(f.size(), 1u);
    EXPECT_NE(f[0].problem.find("(mode 0600, group uucp)"), std::string::npos);
    EXPECT_NE(f[0].fix.find("korvelo-cli udev-rule | sudo tee /etc/udev/rules.d/60-korvelo.rules"),
              std::string::npos);

    // Missing node; a process holding the port (this process itself does not count).
    EXPECT_TRUE(checkDeviceNode(sys, "/dev/ttyUSB7").at(0).blocksPort);
    fs::permissions(dir / "dev/ttyUSB0", fs::perms(0660));
    sys.user.groups = {gid};
    process(4242, "minicom", {"/dev/pts/1", "/dev/ttyUSB0"});
    process(sys.user.pid, "korvelo", {"/dev/ttyUSB0"});
    f = checkDeviceNode(sys, "/dev/ttyUSB0");
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].line(), "/dev/ttyUSB0 is in use by minicom (process 4242). Fix: Close minicom, "
                           "or end it with: kill 4242");
}

TEST(AccessControlList, UaccessGrantsTheSeatUserWhatTheGroupBitsDoNot) {
    // version 2; user_obj rw, user 1000 rw, group_obj rw, mask rw, other none
    const unsigned char raw[] = {2,  0, 0, 0,                         //
                                 1,  0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF, //
                                 2,  0, 6, 0, 0xE8, 3,    0,    0,    //
                                 4,  0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF, //
                                 16, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF, //
                                 32, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    NodeFacts node{0660, 0, 20, parsePosixAcl({reinterpret_cast<const char*>(raw), sizeof raw})};
    ASSERT_EQ(node.acl.size(), 5u);
    EXPECT_EQ(node.acl[1].id, 1000u);
    EXPECT_TRUE(canReadWrite(node, {1000, "tech", {1000}, 1}));
    EXPECT_FALSE(canReadWrite(node, {1001, "other", {1001}, 1}));
    EXPECT_TRUE(canReadWrite(node, {1001, "other", {1001, 20}, 1}));
    node.acl[3].perm = 4; // a mask without write limits the named user too
    EXPECT_FALSE(canReadWrite(node, {1000, "tech", {1000}, 1}));
    EXPECT_TRUE(canReadWrite(node, {0, "root", {0}, 1}));
}

TEST_F(FakeMachine, BrlttyModemManagerAndTheOwnRule) {
    // brltty installed with the rule that claims 10c4:ea60.
    write("usr/bin/brltty", "");
    write("usr/lib/udev/rules.d/85-brltty.rules",
          "# Device: 10C4:EA60\n"
          "ENV{PRODUCT}==\"10c4/ea60/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"sk\", \\\n"
          "  GOTO=\"brltty_usb_run\"\n");
    // ModemManager running, and the own rule missing.
    process(700, "ModemManager", {});
    fs::remove(dir / "usr/lib/udev/rules.d/60-korvelo.rules");

    DoctorReport r = examineWith({}); // brltty took the cable: no port at all
    EXPECT_FALSE(r.usable);
    const auto l = lines(r.findings);
    ASSERT_EQ(l.size(), 4u) << testing::PrintToString(l);
    EXPECT_EQ(l[0].substr(0, 42), "No CP210x cable is among the serial ports.");
    EXPECT_EQ(l[1], "brltty claims CP210x cables (10c4:ea60) through "
                    "/usr/lib/udev/rules.d/85-brltty.rules, so the cable gets no serial port. "
                    "Fix: sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules && sudo udevadm "
                    "control --reload, then plug the cable in again.");
    EXPECT_NE(l[2].find("ModemManager is running"), std::string::npos);
    EXPECT_NE(l[2].find("Install Korvelo's udev rule: korvelo-cli udev-rule | sudo tee"),
              std::string::npos);
    EXPECT_NE(l[3].find("Korvelo's udev rule is not installed."), std::string::npos);

    // The fixes: the brltty rule masked, the shipped rule installed in /etc. The shipped rule
    // is what tells ModemManager to keep away from every accepted product id.
    fs::create_directories(dir / "etc/udev/rules.d");
    fs::create_symlink("/dev/null", dir / "etc/udev/rules.d/85-brltty.rules");
    write("etc/udev/rules.d/60-korvelo.rules", std::string(korveloUdevRule()));
    r = examineWith({cp2102()});
    EXPECT_TRUE(r.findings.empty()) << testing::PrintToString(lines(r.findings));
    EXPECT_TRUE(r.usable);
    for (std::uint16_t product : cp210xProductIds())
        EXPECT_TRUE(checkUdevSetup(sys, {{0x10C4, product}}).empty()) << product;
    // Another make's cable is not covered by the rule.
    EXPECT_EQ(checkUdevSetup(sys, {{0x0403, 0x6001}}).size(), 1u);
}

TEST_F(FakeMachine, TheChoiceTheReportTells) {
    // Manual mode on a port that is gone; the cable is elsewhere: the fix points at it.
    DoctorReport r = examineWith({cp2102()}, {"No", "ttyUSB1"});
    EXPECT_EQ(r.device, "/dev/ttyUSB1");
    EXPECT_FALSE(r.usable);
    ASSERT_FALSE(r.findings.empty());
    EXPECT_EQ(r.findings[0].line(), "/dev/ttyUSB1 is not there. Fix: Choose ttyUSB0 in Tools > "
                                    "System Setup, or tick \"Auto Detect COM Port\".");
    EXPECT_FALSE(r.ports[0].chosen);
    // Manual mode without a port; and --port for the run wins over the profile.
    EXPECT_FALSE(examineWith({cp2102()}, {"No", ""}).usable);
    DoctorInput in;
    in.ports.ports = {cp2102()};
    in.profile = {"No", "ttyUSB1"};
    in.runPort = "ttyUSB0";
    in.os = HostOs::Linux;
    in.system = sys;
    EXPECT_TRUE(examine(in).usable);

    // On Windows the port is opened to see whether another program holds it.
    SSerInfo com = cp2102("COM7");
    com.friendlyName = "Silicon Labs CP210x USB to UART Bridge (COM7)";
    in = DoctorInput{};
    in.ports.ports = {com};
    in.os = HostOs::Windows;
    std::string opened;
    in.tryOpen = [&opened](const std::string& device) {
        opened = device;
        return OpenResult{false, true, device + " is in use by another program."};
    };
    r = examine(in);
    EXPECT_EQ(opened, "\\\\.\\COM7");
    EXPECT_FALSE(r.usable);
    ASSERT_EQ(r.findings.size(), 1u);
    EXPECT_EQ(r.findings[0].line(), "\\\\.\\COM7 is in use by another program.");
}

TEST_F(FakeMachine, APortWithoutTheCablesUsbIdsIsNotReady) {
    // --port /dev/ttyS0: an on-board UART opens fine, yet no radio is behind it.
    write("dev/ttyS0", "");
    fs::permissions(dir / "dev/ttyS0", fs::perms(0660));
    DoctorInput in;
    in.ports.ports = {plainPort("ttyS0"), cp2102("ttyUSB0"), cp2102("ttyUSB3")};
    in.runPort = "/dev/ttyS0";
    in.os = HostOs::Linux;
    in.system = sys;
    DoctorReport r = examine(in);
    EXPECT_FALSE(r.usable);
    ASSERT_FALSE(r.findings.empty());
    EXPECT_EQ(r.findings[0].line(),
              "ttyS0 is not a Korvelo cable (no USB IDs). Fix: Cable ports found: ttyUSB0, "
              "ttyUSB3. Choose one in Tools > System Setup, or tick \"Auto Detect COM Port\".");
    EXPECT_NE(reportText(r).find("No usable cable port was found."), std::string::npos);

    // Chosen in System Configuration, another make's USB adapter, no cable plugged in.
    SSerInfo ftdi = plainPort("ttyUSB1");
    ftdi.vendorId = 0x0403;
    ftdi.productId = 0x6001;
    write("dev/ttyUSB1", "");
    fs::permissions(dir / "dev/ttyUSB1", fs::perms(0660));
    r = examineWith({plainPort("ttyS0"), ftdi}, {"No", "ttyUSB1"});
    EXPECT_FALSE(r.usable);
    ASSERT_FALSE(r.findings.empty());
    EXPECT_EQ(r.findings[0].problem, "ttyUSB1 is not a Korvelo cable (USB IDs 0403:6001).");
    EXPECT_NE(r.findings[0].fix.find("No cable port was found"), std::string::npos);
}

TEST(FindMyCable, TakesThePortThatAppeared) {
    const std::vector<SSerInfo> before{plainPort("ttyS0"), plainPort("ttyACM0")};
    auto found =
        portThatAppeared(before, {plainPort("ttyS0"), cp2102("ttyUSB2"), plainPort("ttyACM0")});
    ASSERT_TRUE(found.port);
    EXPECT_EQ(found.port->portName, "ttyUSB2");
    EXPECT_NE(portThatAppeared(before, before).problem.find("No new port appeared"),
              std::string::npos);
    // Two new ports, one of them a CP210x: that one. Two of another make: ask again.
    found = portThatAppeared(before, {plainPort("ttyUSB1"), cp2102("ttyUSB2")});
    EXPECT_EQ(found.port->portName, "ttyUSB2");
    found = portThatAppeared({}, {plainPort("ttyUSB1"), plainPort("ttyUSB2")});
    EXPECT_FALSE(found.port);
    EXPECT_NE(found.problem.find("(ttyUSB1, ttyUSB2)"), std::string::npos);
}

} // namespace
} // namespace korvelo::doctor
