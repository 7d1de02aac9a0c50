// Open and Save of the tuning file, and what each failure leaves behind.
#include "radio/tuning_file.h"

#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <sys/stat.h>
#ifdef __linux__
#include <sys/sysmacros.h> // makedev
#endif

namespace korvelo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class TuningFileTest : public ::testing::Test {
  protected:
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // A name as the messages show it: the same UTF-8 here; on Windows a narrow name is in the
    // ANSI code page, as the command line gives it.
    std::string shown(const std::string& name) const { return displayPath(path(name)); }
    void write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    Bytes read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> dirEntries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static Bytes record(std::string_view magic, std::uint8_t seed) {
        Bytes b(magic.begin(), magic.end());
        for (unsigned i = 0; i < 256; ++i)
            b.push_back(static_cast<std::uint8_t>(i * 7 + seed));
        return b;
    }
    // A session with work in it, to prove that failures leave it alone.
    static Session busySession() {
        Session s;
        for (unsigned i = 0; i < 256; ++i)
            s.image[i] = static_cast<std::uint8_t>(255 - i);
        s.flags.isAk2347Radio = false;
        s.flags.imageLoaded = true;
        s.flags.inTunerMode = true;
        s.flags.is256BlockMemory = true;
        return s;
    }
    static void expectSameState(const Session& a, const Session& b) {
        EXPECT_EQ(a.image, b.image);
        EXPECT_EQ(a.flags.isAk2347Radio, b.flags.isAk2347Radio);
        EXPECT_EQ(a.flags.imageLoaded, b.flags.imageLoaded);
        EXPECT_EQ(a.flags.spacingTabsEnabled, b.flags.spacingTabsEnabled);
        EXPECT_EQ(a.flags.inTunerMode, b.flags.inTunerMode);
        EXPECT_EQ(a.flags.is256BlockMemory, b.flags.is256BlockMemory);
    }

    // The messages' first lines, the quoted texts (the second lines name file and cause).
    std::vector<Notice> headlines() const {
        std::vector<Notice> out;
        for (Notice n : notifier_.notices) {
            n.text = n.text.substr(0, n.text.find('\n'));
            out.push_back(n);
        }
        return out;
    }

    ScratchDir dir_{"korvelo-tun"};
    RecordingNotifier notifier_;
};

TEST_F(TuningFileTest, SaveAndReopenKeepImageAndChipForBothChips) {
    for (bool ak : {true, false}) {
        Session saved = busySession();
        saved.flags.isAk2347Radio = ak;
        ASSERT_TRUE(SaveTuningFile(saved, path("a.tun"), notifier_));
        const Bytes file = read("a.tun");
        ASSERT_EQ(file.size(), 272u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 16), ak ? kMagicAk2347 : kMagicCmx148);

        Session opened; // a fresh program: AK2347 assumed, nothing loaded, 128-block memory
        opened.flags.isAk2347Radio = !ak;
        ASSERT_TRUE(OpenTuningFile(opened, path("a.tun"), notifier_));
        EXPECT_EQ(opened.image, saved.image);
        EXPECT_EQ(opened.flags.isAk2347Radio, ak);
        EXPECT_TRUE(opened.flags.imageLoaded);
        EXPECT_EQ(opened.flags.spacingTabsEnabled, 1);
        EXPECT_FALSE(opened.flags.inTunerMode); // the file records neither
        EXPECT_FALSE(opened.flags.is256BlockMemory);
    }
    EXPECT_TRUE(notifier_.notices.empty());
    EXPECT_EQ(dirEntries(), std::vector<std::string>{"a.tun"});
}

TEST_F(TuningFileTest, FilesThatAreNotTuningFilesAreRefusedAndChangeNothing) {
    Bytes lowerCase = record("TALVEX TUNER AK!", 1);
    lowerCase[15] = '?';
    Bytes cmxLower = record("TALVEX TUNER cmx", 1);
    Bytes shortValid = record(kMagicAk2347, 1);
    shortValid.resize(271);
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"magic only", Bytes(kMagicAk2347.begin(), kMagicAk2347.end())},
        {"shorter than a record", shortValid},
        {"wrong last byte of magic", lowerCase},
        {"magic in other case", cmxLower},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        write("x.tun", bytes);
        Session s = busySession();
        notifier_.notices.clear();
        EXPECT_FALSE(OpenTuningFile(s, path("x.tun"), notifier_));
        expectSameState(s, busySession());
        EXPECT_EQ(headlines(), (std::vector<Notice>{{"Cannot open the file", Icon::Error}}));
    }
}

TEST_F(TuningFileTest, UnreadableFilesAreReportedAndChangeNothing) {
    fs::create_directory(path("folder.tun"));
    for (const char* name : {"missing.tun", "folder.tun"}) {
        SCOPED_TRACE(name);
        Session s = busySession();
        notifier_.notices.clear();
        EXPECT_FALSE(OpenTuningFile(s, path(name), notifier_));
        expectSameState(s, busySession());
        EXPECT_EQ(headlines(), (std::vector<Notice>{{"Cannot open the file.", Icon::Exclamation}}));
    }
}

// Longer files are runs of records of which the last whole one counts.
TEST_F(TuningFileTest, LongerFilesUseTheLastWholeRecord) {
    const Bytes first = record(kMagicAk2347, 1);
    const Bytes second = record(kMagicCmx148, 2);
    auto image = [](const Bytes& rec) {
        TuningImage im;
        std::copy(rec.begin() + 16, rec.end(), im.bytes().begin());
        return im;
    };

    Bytes twoRecords = first;
    twoRecords.insert(twoRecords.end(), second.begin(), second.end());
    write("544.tun", twoRecords);
    Session s;
    ASSERT_TRUE(OpenTuningFile(s, path("544.tun"), notifier_));
    EXPECT_EQ(s.image, image(second));
    EXPECT_FALSE(s.flags.isAk2347Radio);

    // 300 bytes: the 28 bytes after the first record are an incomplete record and are ignored;
    // they are not laid over the start of the first record.
    Bytes withTail = first;
    withTail.insert(withTail.end(), second.begin(), second.begin() + 28);
    write("300.tun", withTail);
    ASSERT_TRUE(OpenTuningFile(s, path("300.tun"), notifier_));
    EXPECT_EQ(s.image, image(first));
    EXPECT_TRUE(s.flags.isAk2347Radio);
    EXPECT_TRUE(notifier_.notices.empty());

    // Only the last whole record is looked at: a valid first record does not save a damaged
    // second one.
    Bytes badSecond = first;
    badSecond.insert(badSecond.end(), 272, 0x00);
    write("bad.tun", badSecond);
    Session b = busySession();
    EXPECT_FALSE(OpenTuningFile(b, path("bad.tun"), notifier_));
    expectSameState(b, busySession());
}

TEST_F(TuningFileTest, SaveThatCannotCreateTheFileWritesNothing) {
    const Session s = busySession();
    write("plain", {1, 2, 3});
    fs::create_directory(path("folder.tun"));
    for (std::string target :
         {path("no-such-dir/a.tun"), path("plain/a.tun"), path("folder.tun"), std::string()}) {
        SCOPED_TRACE(target);
        notifier_.notices.clear();
        EXPECT_FALSE(SaveTuningFile(s, target, notifier_));
        EXPECT_EQ(headlines(), (std::vector<Notice>{{"Cannot open the file.", Icon::Exclamation}}));
    }
    EXPECT_EQ(dirEntries(), (std::vector<std::string>{"folder.tun", "plain"}));
    EXPECT_EQ(read("plain"), (Bytes{1, 2, 3}));
}

#ifndef _WIN32 // Windows has no file-size limit to make a write fail with
// A write that fails half-way (here: the file-size limit) is reported, the old file stays as
// it was and no temporary file is left behind.
TEST_F(TuningFileTest, FailedWriteLeavesTheOldFileIntact) {
    const Bytes old = record(kMagicAk2347, 9);
    write("a.tun", old);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = SaveTuningFile(busySession(), path("a.tun"), notifier_);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(headlines(), (std::vector<Notice>{{"Cannot save the file.", Icon::Exclamation}}));
    EXPECT_EQ(notifier_.notices[0].text,
              "Cannot save the file.\n" + path("a.tun") + ": File too large");
    EXPECT_EQ(read("a.tun"), old);
    EXPECT_EQ(dirEntries(), std::vector<std::string>{"a.tun"});
}
#endif

TEST_F(TuningFileTest, SaveReplacesAnExistingFileWhole) {
    write("a.tun", Bytes(1000, 0xEE));
    // Leftovers of saves that were killed, under any names they may have had, are left alone
    // and never block a save.
    for (int k = 0; k < 100; ++k)
        write("a.tun.tmp" + std::to_string(k), {7});
    const Session s = busySession();
    ASSERT_TRUE(SaveTuningFile(s, path("a.tun"), notifier_));
    const Bytes file = read("a.tun");
    ASSERT_EQ(file.size(), 272u);
    EXPECT_TRUE(std::equal(file.begin() + 16, file.end(), s.image.bytes().begin()));
    EXPECT_EQ(read("a.tun.tmp0"), Bytes{7});
    EXPECT_EQ(dirEntries().size(), 101u);

    // A save prepared but never committed (the radio read failed) leaves nothing behind.
    {
        TuningFileWriter writer;
        ASSERT_TRUE(writer.prepare(path("b.tun"), notifier_));
        EXPECT_TRUE(fs::exists(writer.temporaryPath()));
    }
    EXPECT_EQ(dirEntries().size(), 101u);
    EXPECT_TRUE(notifier_.notices.empty());
}

// The quoted texts stay as they are; the second line names the file (as the user wrote it,
// non-ASCII included) and the cause.
TEST_F(TuningFileTest, MessagesNameTheFileAndTheCause) {
    const std::string name = path("Kalibrierung \u00DCbertr\u00E4ger \u65E5\u672C.tun");
    Session s = busySession();
    s.flags.inTunerMode = false;
    ASSERT_TRUE(SaveTuningFile(s, name, notifier_));
    Session opened;
    ASSERT_TRUE(OpenTuningFile(opened, name, notifier_));
    EXPECT_EQ(opened.image, s.image);

    fs::create_directory(path("folder.tun"));
    Bytes text(300, 'x');
    write("notes.txt", text);
    notifier_.notices.clear();
    EXPECT_FALSE(OpenTuningFile(s, path("missing \u00E9.tun"), notifier_));
    EXPECT_FALSE(SaveTuningFile(s, path("folder.tun"), notifier_));
    EXPECT_FALSE(OpenTuningFile(s, path("notes.txt"), notifier_));
    EXPECT_EQ(notifier_.notices,
              (std::vector<Notice>{
                  {"Cannot open the file.\n" + shown("missing \u00E9.tun") +
                       ": No such file or directory",
                   Icon::Exclamation},
                  {"Cannot open the file.\n" + path("folder.tun") + ": Is a directory",
                   Icon::Exclamation},
                  {"Cannot open the file\n" + path("notes.txt") +
                       ": not a tuning file (it does not start with \"TALVEX TUNER AK!\" or "
                       "\"TALVEX TUNER CMX\")",
                   Icon::Error}}));
}

// Only a regular file of at most 1 MiB is read: /dev/zero never ends and a FIFO would wait
// for a writer.
TEST_F(TuningFileTest, OnlyRegularFilesOfBoundedSizeAreRead) {
    Bytes big = record(kMagicAk2347, 1);
    big.resize(1024 * 1024 + 272, 0);
    write("big.tun", big);
    std::vector<std::string> names{path("big.tun")};
#ifndef _WIN32 // FIFOs and /dev/zero are POSIX's
    ASSERT_EQ(::mkfifo(path("pipe.tun").c_str(), 0600), 0);
    names.push_back("/dev/zero");
    names.push_back(path("pipe.tun"));
#endif
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Session s = busySession();
        notifier_.notices.clear();
        EXPECT_FALSE(OpenTuningFile(s, name, notifier_));
        expectSameState(s, busySession());
        ASSERT_EQ(headlines(), (std::vector<Notice>{{"Cannot open the file", Icon::Error}}));
        EXPECT_EQ(notifier_.notices[0].text.substr(0, 21 + name.size() + 2),
                  "Cannot open the file\n" + name + ": ");
    }
}

#ifndef _WIN32
// Save replaces only a regular file (or makes a new one): a FIFO, a device node, or a link to
// either is refused with a message and left as it was, as `read --force` onto /dev/full once
// swapped the device for a file.
TEST_F(TuningFileTest, SaveRefusesFifosDeviceNodesAndLinksToThem) {
    ASSERT_EQ(::mkfifo(path("pipe.tun").c_str(), 0600), 0);
    fs::create_symlink(path("pipe.tun"), path("link.tun"));
    std::vector<std::string> names{path("pipe.tun"), path("link.tun")};
    // A character device like /dev/full, made here: only root may.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::mknod(path("full.tun").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
        names.push_back(path("full.tun"));
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        notifier_.notices.clear();
        EXPECT_FALSE(SaveTuningFile(busySession(), name, notifier_));
        ASSERT_EQ(notifier_.notices.size(), 1u);
        EXPECT_EQ(notifier_.notices[0].text,
                  "Cannot open the file.\n" + name +
                      ": It is not a regular file (a device, a FIFO or a folder); a tuning file is "
                      "saved only over a regular file or under a new name.");
    }
    EXPECT_TRUE(fs::is_fifo(path("pipe.tun")));
    EXPECT_TRUE(fs::is_symlink(path("link.tun")));
    if (root) {
        EXPECT_TRUE(fs::is_character_file(path("full.tun")));
    }
    // Nothing else was left in the folder.
    EXPECT_EQ(dirEntries().size(), names.size());
    if (!root)
        GTEST_SKIP() << "the device-node half needs root to make a device node (mknod)";
}
#endif

// While a radio is in tuner mode, a file of the other audio processor would make the pages
// send that chip's commands to it: refused, and nothing changes.
TEST_F(TuningFileTest, OtherChipsFileIsRefusedInTunerMode) {
    write("cmx.tun", record(kMagicCmx148, 3));
    Session s = busySession();
    s.flags.isAk2347Radio = true; // an AK2347 radio in tuner mode
    const Session before = s;
    EXPECT_FALSE(OpenTuningFile(s, path("cmx.tun"), notifier_));
    expectSameState(s, before);
    EXPECT_EQ(notifier_.notices,
              (std::vector<Notice>{{"Cannot open the file\n" + path("cmx.tun") +
                                        ": the file is for a CMX148 radio, but the radio in "
                                        "tuner mode has an AK2347 audio processor",
                                    Icon::Error}}));

    // Out of tuner mode the file opens and names the chip.
    s.flags.inTunerMode = false;
    EXPECT_TRUE(OpenTuningFile(s, path("cmx.tun"), notifier_));
    EXPECT_FALSE(s.flags.isAk2347Radio);
}

} // namespace
} // namespace korvelo
