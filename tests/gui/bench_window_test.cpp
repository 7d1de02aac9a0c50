// The bench window on the simulated radio: the catalogue behind it, the radio panel and the
// tuning area after Tuning Init, a page's Program and a comparison, and the traffic dock's
// model under a burst.
#include "catalogue/catalogue.h"
#include "gui/command_ids.h"
#include "gui/command_table.h"
#include "gui/gui_test_support.h"
#include "gui/main_window.h"
#include "gui/page_dialogs.h"
#include "gui/radio_panel.h"
#include "gui/traffic_dock.h"
#include "gui/traffic_model.h"
#include "gui/tuning_area_view.h"
#include "link/command_frame.h"
#include "link/traced_clock.h"
#include "radio/tuning_file.h"
#include "radio/tuning_start.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/txpower/tx_power_dialog.h"
#include "support/sim_bench.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <utility>

// Readable failure messages for texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace korvelo {
namespace {

using Tester = QAbstractItemModelTester;

// The command whose dialog writes a region: a region is the catalogue's business as soon as
// its page can be opened.
int commandWriting(RegionOwner owner) {
    switch (owner) {
    case RegionOwner::TxModulationAk:
    case RegionOwner::TxModulationCmx:
        return cmd::TxModulation;
    case RegionOwner::TxPower:
        return cmd::TxPower;
    case RegionOwner::RxSquelch:
    case RegionOwner::SquelchPointMask:
        return cmd::RxSquelch;
    case RegionOwner::ZelSignalling:
        return cmd::TxSignaling;
    case RegionOwner::TxMode:
        return cmd::AkTxMode;
    case RegionOwner::CmxTxSetup:
        return cmd::CmxTxSetup;
    case RegionOwner::TxSubAudio:
        return cmd::TxSubAudio;
    case RegionOwner::CmxRxSetup:
        return cmd::CmxRxSetup;
    }
    return 0;
}

// Every byte of every region a page or register dialog of the program writes is covered by the
// catalogue: by the values that edit it, no bit by two of them, or, where no value edits it,
// by a held entry of a page that sends it. A page registered without its tables in the
// catalogue fails here.
TEST(BenchCatalogue, EveryWrittenByteOfEveryOpenablePageIsCoveredAndNoBitTwice) {
    SimBench bench;
    AppEnv env = bench.env();
    CommandTable table(env);
    registerPageDialogs(table);
    Session s;
    std::set<unsigned> written;
    for (const Region& r : kRegions)
        if (table.has(commandWriting(r.owner))) // a dialog writes it
            for (unsigned i = r.offset; i < r.end(); ++i)
                written.insert(i);
    ASSERT_GE(written.size(), 10u + 6u + 61u + 14u);   // power, TX mode, both CMX148 setups
    std::map<unsigned, std::vector<std::string>> bits; // byte * 8 + bit: who edits it
    std::set<unsigned> edited, held;
    for (const CatalogueEntry& e : tuningCatalogue()) {
        for (const ByteClaim& c : e.bytes) {
            (e.held ? held : edited).insert(c.byte);
            for (unsigned bit = 0; bit < 8 && !e.held; ++bit)
                if (c.mask & (1u << bit))
                    bits[c.byte * 8 + bit].push_back(e.page + ": " + e.name(s));
        }
    }
    for (unsigned byte : written)
        EXPECT_TRUE(edited.count(byte) || held.count(byte))
            << "byte 0x" << std::hex << byte << " is written but no entry covers it";
    for (const auto& [at, who] : bits)
        EXPECT_EQ(who.size(), 1u) << "byte 0x" << std::hex << at / 8 << " bit " << at % 8 << ": "
                                  << who[0] << " and " << who.back();
}

struct BenchWindow : ::testing::Test {
    static void SetUpTestSuite() { QStandardPaths::setTestModeEnabled(true); }

    SimBench bench;
    AppEnv env = bench.env();
    MainWindow window{env};
    Tester valuesTester{&window.tuningArea().values(), Tester::FailureReportingMode::Fatal};
    Tester hexTester{&window.tuningArea().hex(), Tester::FailureReportingMode::Fatal};

    void SetUp() override {
        bench.radio.radioType = 5;
        bench.radio.radioFlags = 0x00; // AK2347, 128 blocks
        window.startUp();
        window.resize(1280, 800);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    TuningAreaModel& values() { return window.tuningArea().values(); }
    TuningHexModel& hex() { return window.tuningArea().hex(); }
    // The values row whose name starts with this text, under its page.
    QModelIndex row(const QString& page, const QString& name) {
        for (int p = 0; p < values().rowCount(); ++p) {
            const QModelIndex pi = values().index(p, 0);
            if (pi.data().toString() != page)
                continue;
            for (int r = 0; r < values().rowCount(pi); ++r)
                if (values().index(r, 0, pi).data().toString().startsWith(name))
                    return values().index(r, 0, pi);
        }
        return {};
    }
    QString cell(const QModelIndex& r, int column) {
        return r.sibling(r.row(), column).data().toString();
    }
    int marks(const QModelIndex& r, int column) {
        return r.sibling(r.row(), column).data(kMarkRole).toInt();
    }
    std::set<int> hexMarked(int mark) {
        std::set<int> bytes;
        for (int b = 0; b < 256; ++b)
            if (hex().marks(b) & mark)
                bytes.insert(b);
        return bytes;
    }
};

TEST_F(BenchWindow, ShowsTheRadioItsProgrammedValuesAndAComparedFile) {
    EXPECT_EQ(window.windowTitle(), "Korvelo");
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    const RadioPanel& panel = window.radioPanel();
    EXPECT_EQ(panel.field("Band"), "type 5, U2 labels, 403 to 447 MHz");
    EXPECT_EQ(panel.field("Audio processor"), "AK2347");
    EXPECT_EQ(panel.field("Memory"), "128 blocks, tuning area at 0x1F00");
    EXPECT_EQ(panel.field("Port"), "SIM (simulated radio)");
    EXPECT_EQ(panel.field("Tuner mode"), "on");
    EXPECT_EQ(panel.field("Serial number"), "—");
    EXPECT_EQ(window.modeIndicator()->text(), "Tuner mode");
    EXPECT_EQ(window.windowTitle(), "Korvelo — 403–447 MHz AK2347 — radio");

    // Identify from the keyboard: the button takes the focus and Space presses it.
    panel.identifyButton()->setFocus();
    QTest::keyClick(panel.identifyButton(), Qt::Key_Space);
    EXPECT_EQ(panel.field("Firmware"), "R03.00");
    EXPECT_EQ(panel.field("Serial number"), "KV00012345");
    EXPECT_EQ(panel.field("Country"), "Australia (code 1)");
    EXPECT_EQ(window.windowTitle(), "Korvelo — 403–447 MHz AK2347, serial KV00012345 — radio");

    const QModelIndex high3 = row("Transmit Power", "High Power, point 3 (426.52500 MHz)");
    ASSERT_TRUE(high3.isValid());
    const QString stored = QString::number(bench.session.image[0x1A]);
    EXPECT_EQ(cell(high3, TuningAreaModel::Read), stored);
    EXPECT_EQ(cell(high3, TuningAreaModel::Now), stored);
    EXPECT_EQ(cell(high3, TuningAreaModel::Programmed), "");
    EXPECT_EQ(marks(high3, TuningAreaModel::Setting), 0);

    // The page: 33 entered for High Power point 3, keyed and unkeyed, programmed.
    {
        CTxPower page(env, &window);
        page.show();
        SoftpotRowWidget& r = page.rowWidget(2);
        r.workingEdit()->selectAll();
        QTest::keyClicks(r.workingEdit(), "33");
        QTest::keyClick(r.workingEdit(), Qt::Key_Return);
        EXPECT_FALSE(window.txIndicator()->isVisibleTo(&window));
        QTest::mouseClick(page.pttButton(), Qt::LeftButton);
        EXPECT_TRUE(window.txIndicator()->isVisibleTo(&window)) << "keyed: a red TX";
        EXPECT_EQ(window.txIndicator()->text(), "TX");
        QTest::mouseClick(page.pttButton(), Qt::LeftButton);
        EXPECT_FALSE(window.txIndicator()->isVisibleTo(&window)) << "PTT off confirmed";
        QTest::mouseClick(page.programButton(), Qt::LeftButton);
        EXPECT_EQ(cell(high3, TuningAreaModel::Programmed), "33");
        EXPECT_EQ(cell(high3, TuningAreaModel::Now), "33");
        EXPECT_EQ(marks(high3, TuningAreaModel::Setting), ChangedSinceRead | ProgrammedMark);
        EXPECT_EQ(marks(high3, TuningAreaModel::Programmed), ProgrammedMark);
        std::set<int> region;
        for (int b = 0x16; b <= 0x1F; ++b)
            region.insert(b);
        EXPECT_EQ(hexMarked(ProgrammedMark), region);
        EXPECT_EQ(hexMarked(ChangedSinceRead), std::set<int>{0x1A});

        // A refused write is no programmed value: neither here nor on the page.
        r.workingEdit()->selectAll();
        QTest::keyClicks(r.workingEdit(), "34");
        QTest::keyClick(r.workingEdit(), Qt::Key_Return);
        bench.radio.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Nak});
        QTest::mouseClick(page.programButton(), Qt::LeftButton);
        EXPECT_EQ(cell(high3, TuningAreaModel::Now), "34");
        EXPECT_EQ(cell(high3, TuningAreaModel::Programmed), "33");
        EXPECT_EQ(r.defaultEdit()->text(), "33");
        page.group().close();
    }

    // Compare with a file that differs in a softpot, a register field and a byte no page edits.
    QTemporaryDir dir;
    const QString path = dir.filePath("other.tun");
    Session other = bench.session;
    other.image[0x18] ^= 0x01;
    other.image[0x62] ^= 0x07; // the TX mode page's VR1 gain bits
    other.image[0xFF] ^= 0x80;
    ASSERT_TRUE(SaveTuningFile(other, path.toStdString(), bench.notifier));
    window.setTuningFileDialogs({[&](QWidget*) { return path; }, {}});
    QTest::mouseClick(window.tuningArea().compareButton(), Qt::LeftButton);
    EXPECT_EQ(hexMarked(DiffersFromFile), (std::set<int>{0x18, 0x62, 0xFF}));
    std::set<QString> differing;
    for (int p = 0; p < values().rowCount(); ++p) {
        const QModelIndex pi = values().index(p, 0);
        for (int r = 0; r < values().rowCount(pi); ++r)
            if (marks(values().index(r, 0, pi), TuningAreaModel::File) & DiffersFromFile)
                differing.insert(values().index(r, 0, pi).data().toString());
    }
    EXPECT_EQ(differing, (std::set<QString>{"High Power, point 2 (416.52500 MHz)",
                                            "Volume Register 1, VR1 gain (dB)"}));
    EXPECT_FALSE(window.tuningArea().tree()->isColumnHidden(TuningAreaModel::File));
    EXPECT_EQ(values().headerData(TuningAreaModel::File, Qt::Horizontal).toString(), "other.tun");
    EXPECT_TRUE(window.tuningArea().summary()->text().contains("2 values differ (3 bytes)"))
        << window.tuningArea().summary()->text().toStdString();
    QTest::mouseClick(window.tuningArea().stopButton(), Qt::LeftButton);
    EXPECT_TRUE(hexMarked(DiffersFromFile).empty());

    // Opening a file names it in the title and the read column.
    window.setTuningFileDialogs({[&](QWidget*) { return path; }, {}});
    ASSERT_TRUE(window.runCommand(cmd::FileOpen));
    EXPECT_EQ(window.windowTitle(), "Korvelo — 403–447 MHz AK2347, serial KV00012345 — other.tun");
    EXPECT_EQ(values().headerData(TuningAreaModel::Read, Qt::Horizontal).toString(), "Loaded");
    EXPECT_EQ(cell(high3, TuningAreaModel::Programmed), "33") << "still in the radio";

    if (const char* shots = std::getenv("KORVELO_SCREENSHOT_DIR"))
        window.grab().save(QDir(shots).filePath("bench_window.png"));
}

// Everything that takes the keyboard focus has a name for assistive technology, and Tab
// reaches the bench's controls.
TEST_F(BenchWindow, EveryControlHasANameAndTabReachesThem) {
    window.trafficDock().show();
    QCoreApplication::processEvents();
    std::set<QWidget*> chain;
    QWidget* w = &window;
    for (int i = 0; i < 200; ++i) {
        w = w->nextInFocusChain();
        if (w == &window)
            break;
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            chain.insert(w);
    }
    for (QWidget* c : chain) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
            << c->metaObject()->className() << " in "
            << (c->parentWidget() ? c->parentWidget()->metaObject()->className() : "nothing");
    }
    const QWidget* reached[] = {window.radioPanel().identifyButton(),
                                window.tuningArea().compareButton(), window.tuningArea().tree(),
                                window.trafficDock().filterEdit(), window.trafficDock().view()};
    for (const QWidget* c : reached)
        EXPECT_TRUE(chain.count(const_cast<QWidget*>(c))) << c->accessibleName().toStdString();
}

// X11 can report a page's first, unlaid-out size while the page's opening exchange runs,
// before the window is mapped (the page opened as a 100 x 30 window after Tuning Init). The
// page keeps the size its layout gave it.
TEST(TxPowerPage, KeepsItsSizeWhenTheWindowSystemReportsAnotherDuringTheOpening) {
    SimBench bench;
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.inTunerMode);
    struct ReportingClock : Clock {
        explicit ReportingClock(VirtualClock& c) : inner(c) {}
        void sleepMs(int ms) override {
            if (report)
                std::exchange(report, {})();
            inner.sleepMs(ms);
        }
        bool wait(ReplyEvent& e, int ms) override { return inner.wait(e, ms); }
        std::int64_t nowMs() const override { return inner.nowMs(); }
        VirtualClock& inner;
        std::function<void()> report;
    } clock(bench.clock);
    AppEnv env{bench.session, bench.replies, clock, bench.notifier, bench.ports};
    CTxPower page(env, nullptr);
    QSize laidOut;
    clock.report = [&page, &laidOut] {
        laidOut = page.size();
        page.resize(100, 30);
    };
    page.show();
    ASSERT_FALSE(clock.report) << "the opening paused";
    EXPECT_GT(laidOut.width(), 100);
    EXPECT_EQ(page.size(), laidOut);
}

std::vector<std::uint8_t> numbered(int n) {
    return {0x02,
            0x02,
            0x44,
            0x00,
            0x01,
            static_cast<std::uint8_t>(n),
            0x00,
            0x03,
            static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(n >> 16)};
}

// A burst reaches the table whole and in order up to the limit; beyond it only the oldest
// lines go, and a window that does not take them for a while loses only the oldest too.
TEST(TrafficModel, ABurstIsKeptInOrderAndBounded) {
    TrafficLog log;
    TrafficModel model(log, nullptr, 0);
    Tester tester(&model, Tester::FailureReportingMode::Fatal);
    for (int n = 0; n < 10000; ++n) {
        log.received(numbered(n));
        if (n % 1000 == 999)
            model.poll(); // the window's timer
    }
    model.poll();
    ASSERT_EQ(model.rowCount(), 10000);
    auto numberAt = [&model](int row) {
        const QStringList bytes = model.cellText(row, TrafficModel::Bytes).split(' ');
        return bytes[5].toInt(nullptr, 16) | bytes[8].toInt(nullptr, 16) << 8 |
               bytes[9].toInt(nullptr, 16) << 16;
    };
    for (int r = 0; r < 10000; ++r)
        ASSERT_EQ(numberAt(r), r);

    // Nobody reads for a while: the writer goes on; the latest 20,000 are kept.
    for (int n = 10000; n < 40000; ++n)
        log.received(numbered(n));
    EXPECT_EQ(log.dropped(), 10000u);
    model.poll();
    ASSERT_EQ(model.rowCount(), 20000);
    EXPECT_EQ(numberAt(0), 20000);
    EXPECT_EQ(numberAt(19999), 39999);
    for (int n = 40000; n < 40010; ++n)
        log.received(numbered(n));
    model.poll();
    ASSERT_EQ(model.rowCount(), 20000);
    EXPECT_EQ(numberAt(0), 20010);
    EXPECT_EQ(numberAt(19999), 40009);
}

// What the technician reads in the dock: decoded frames, the pauses and the time-outs, and
// the text filter.
TEST(TrafficModel, DecodesFramesPausesAndTimeOuts) {
    ReplyObjects replies;
    TrafficLog log;
    replies.setTrace(&log);
    VirtualClock virtualClock;
    TracedClock clock(virtualClock, replies);
    for (const std::string& hex :
         {CommandFrame::readBlock(0x3F40), CommandFrame::oneByte(Cmd::PowerValue, 33),
          CommandFrame::pttOn(),
          CommandFrame::writeRegion(0x3F, 0x16, std::vector<std::uint8_t>(10))})
        log.sent(hexToBytes(hex));
    log.received(std::vector<std::uint8_t>{0x02, 0x10, 0x06, 0x16, 0x03});
    log.received(std::vector<std::uint8_t>{0x02, 0x10, 0x15, 0x25, 0x03});
    clock.sleepMs(130);
    EXPECT_FALSE(clock.wait(replies.replyEvent, 2500));
    TrafficModel model(log, nullptr, 0);
    model.poll();
    QStringList meaning, direction;
    for (int r = 0; r < model.rowCount(); ++r) {
        meaning << model.cellText(r, TrafficModel::Meaning);
        direction << model.cellText(r, TrafficModel::Direction);
    }
    EXPECT_EQ(meaning, QStringList({"read block 0x3F40, 64 bytes", "power value 33", "PTT on",
                                    "write 0x3F16, 10 bytes", "ACK", "NAK", "pause 130 ms",
                                    "no reply within 2500 ms"}));
    EXPECT_EQ(direction, QStringList({"TX", "TX", "TX", "TX", "RX", "RX", "", ""}));

    TrafficDock dock(model, nullptr);
    QTest::keyClicks(dock.filterEdit(), "nak");
    EXPECT_EQ(dock.linesText(false).count('\n'), 1);
    EXPECT_TRUE(dock.linesText(false).contains("\tRX\tNAK\t02 10 15 25 03\n"));
}

} // namespace
} // namespace korvelo
