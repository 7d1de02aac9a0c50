// Alignment > Auto Align through its real widgets: the simulated radio on a pseudo-terminal, the
// simulated test set on TCP, the program's own clock.
#include "gui/auto_align_dialog.h"
#include "gui/gui_clock.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "link/traffic_log.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "sim/testset_server.h"

#include "gui_test_support.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace korvelo {
namespace {

template <class W> W* named(QWidget& parent, const QString& name) {
    for (W* w : parent.findChildren<W*>())
        if (w->accessibleName() == name)
            return w;
    return nullptr;
}

// Power only: ten rows fill the table with PASS, Program writes them into the radio; a second
// run ended by Escape stops at once with the transmitter off and closes the dialog after.
TEST(AutoAlignDialog, AlignsProgramsAndAbortsFromTheKeyboard) {
    sim::PtyRadio radio;
    std::string why;
    ASSERT_TRUE(radio.start(&why)) << why;
    sim::TestSetServer server(radio);
    ASSERT_TRUE(server.start(0, &why)) << why;
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    TrafficLog traffic; // what the traffic dock shows
    replies.setTrace(&traffic);
    RecordingNotifier notifier;
    GuiClock clock;
    Session session;
    AppEnv env{session, replies, clock, notifier, ports};
    TuningInit(env);
    ASSERT_TRUE(session.flags.imageLoaded);

    AutoAlignDialog dialog(env, server.address());
    QAbstractItemModelTester tester(&dialog.table(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    dialog.show();
    for (const char* other : {"deviation", "squelch"}) {
        QCheckBox* box = named<QCheckBox>(dialog, QStringLiteral("Procedure %1").arg(other));
        ASSERT_TRUE(box && box->isChecked()) << other;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        EXPECT_FALSE(box->isChecked());
    }
    QPushButton* start = named<QPushButton>(dialog, QStringLiteral("Start alignment"));
    QPushButton* program = named<QPushButton>(dialog, QStringLiteral("Program the passed values"));
    auto* progress = named<QProgressBar>(dialog, QStringLiteral("Alignment progress"));
    ASSERT_TRUE(start && program && progress);
    EXPECT_FALSE(program->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);

    const AlignTableModel& table = dialog.table();
    ASSERT_EQ(table.rowCount(), 10);
    EXPECT_EQ(progress->value(), 10);
    std::vector<int> values;
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(table.index(r, AlignTableModel::Result).data().toString(), "PASS") << r;
        values.push_back(table.index(r, AlignTableModel::New).data().toInt());
    }
    // The test set's lines and the radio's frames in one traffic log.
    int toTestSet = 0, fromTestSet = 0, frames = 0;
    for (const TrafficEvent& e : traffic.take()) {
        toTestSet += e.kind == TrafficEvent::Kind::ToTestSet;
        fromTestSet += e.kind == TrafficEvent::Kind::FromTestSet;
        frames += e.kind == TrafficEvent::Kind::Sent;
    }
    EXPECT_GT(toTestSet, 30);
    EXPECT_GT(fromTestSet, 20);
    EXPECT_GT(frames, 30);
    ASSERT_TRUE(program->isEnabled());
    QTest::mouseClick(program, Qt::LeftButton);
    // Table order: High points 1..5 (bytes 0x16, 0x18, ...), then Low (0x17, 0x19, ...).
    radio.withModel([&](sim::RadioModel& m) {
        for (int r = 0; r < 10; ++r)
            EXPECT_EQ(m.tuningArea()[static_cast<std::size_t>(0x16 + 2 * (r % 5) + r / 5)],
                      values[static_cast<std::size_t>(r)])
                << r;
        EXPECT_FALSE(m.pttOn);
    });
    EXPECT_FALSE(program->isEnabled());

    // Escape while the second run waits; repeated, since a key that arrives during a radio
    // exchange is dropped as any input is then.
    bool keyedSeen = false;
    QTimer escape;
    escape.setInterval(100);
    QObject::connect(&escape, &QTimer::timeout, [&] {
        keyedSeen = keyedSeen || radio.withModel([](sim::RadioModel& m) { return m.pttOn; });
        if (keyedSeen)
            QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    escape.start();
    QTest::mouseClick(start, Qt::LeftButton);
    escape.stop();
    EXPECT_TRUE(keyedSeen);
    EXPECT_LT(progress->value(), 10);
    EXPECT_FALSE(radio.withModel([](sim::RadioModel& m) { return m.pttOn; }));
    EXPECT_FALSE(session.transmitterMayBeOn);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(program->isEnabled());
    replies.setTrace(nullptr);
    server.stop();
    radio.stop();
}

} // namespace
} // namespace korvelo
