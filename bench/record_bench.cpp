// The alignment record's costs: what recording adds to a Program on the thread that talks to
// the radio (the writer thread does the SQLite work), and how many jobs per second one
// PostgreSQL server takes from 8 benches pushing at once.
//   record_bench [programs] [jobs per bench]
#include "radio/image_record.h"
#include "record/job_store.h"
#include "record/outbox.h"
#include "record/recorder.h"
#include "support/pg_server.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

using namespace korvelo;
using namespace korvelo::record;
using Steady = std::chrono::steady_clock;

namespace {

double ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A radio as Tuning Init leaves it, with the recorder told.
void readRadio(Session& session, int n) {
    session.identity = {};
    for (std::size_t i = 0; i < TuningImage::kSize; ++i)
        session.image[i] = static_cast<std::uint8_t>(i * 7 + n);
    session.radioType = 4;
    recordRadioRead(session);
    RadioIdentity id;
    id.serialNumber = "BENCH" + std::to_string(n);
    id.fwVersion = "R03.00";
    recordIdentity(session, id);
}

// What an acknowledged Program of the power region does to the record.
void programPower(Session& session, int value) {
    for (unsigned i = kRegionTxPower.offset; i < kRegionTxPower.end(); ++i) {
        session.record.programmed[i] = static_cast<std::uint8_t>(value + i);
        session.record.isProgrammed[i] = true;
    }
    session.recorder->regionProgrammed(session, kRegionTxPower.offset, kRegionTxPower.count);
}

void programCost(const std::filesystem::path& dir, int programs) {
    Recorder recorder(QString::fromStdString((dir / "cost.sqlite").string()), {"b", "t", "1"});
    Session session;
    session.recorder = &recorder;
    readRadio(session, 0);
    std::vector<double> calls;
    for (int i = 0; i < programs; ++i) {
        const auto t0 = Steady::now();
        programPower(session, i);
        calls.push_back(ms(Steady::now() - t0));
        // A technician's Programs are seconds apart; the writer keeps up between them.
        if (i % 10 == 9)
            recorder.flush();
    }
    const auto t0 = Steady::now();
    programPower(session, programs);
    recorder.flush();
    const double written = ms(Steady::now() - t0);
    std::sort(calls.begin(), calls.end());
    std::printf("Program, recording on the radio's thread (%d Programs of the power region, %d "
                "catalogue values a job):\n  median %.3f ms, 99th percentile %.3f ms, longest "
                "%.3f ms\n  one Program until it is in the bench's SQLite file (writer thread): "
                "%.2f ms\n",
                programs, static_cast<int>(recorder.currentJob()->values.size()),
                calls[calls.size() / 2], calls[calls.size() * 99 / 100], calls.back(), written);
    session.recorder = nullptr;
}

void shopThroughput(const std::filesystem::path& dir, int jobsPerBench) {
    if (PgServer::binDir().empty()) {
        std::printf("shop database: no PostgreSQL server binaries; not measured\n");
        return;
    }
    PgServer server(/*fsync=*/true);
    std::string why;
    if (!server.start(why)) {
        std::printf("shop database: the server did not start: %s\n", why.c_str());
        return;
    }
    { // the tables, made once by the owner
        QString error;
        QSqlDatabase db = openShopDatabase(server.conninfo(), "owner", &error);
    }
    QSqlDatabase::removeDatabase("owner");
    constexpr int kBenches = 8;
    std::vector<QString> files;
    for (int b = 0; b < kBenches; ++b) {
        files.push_back(
            QString::fromStdString((dir / ("bench" + std::to_string(b) + ".sqlite")).string()));
        Recorder recorder(files.back(), {QString("bench%1").arg(b), "t", "1"});
        Session session;
        session.recorder = &recorder;
        for (int j = 0; j < jobsPerBench; ++j) {
            readRadio(session, b * 100000 + j);
            programPower(session, j);
        }
        recorder.endJob();
        session.recorder = nullptr;
    }
    std::vector<PushResult> results(kBenches);
    std::vector<std::thread> benches;
    const auto t0 = Steady::now();
    for (int b = 0; b < kBenches; ++b)
        benches.emplace_back([&, b] {
            results[b] = pushEndedJobs(files[b], server.conninfo(), QString("push%1").arg(b));
        });
    for (auto& t : benches)
        t.join();
    const double took = ms(Steady::now() - t0);
    int pushed = 0;
    for (const PushResult& r : results) {
        pushed += r.pushed;
        if (!r.error.isEmpty())
            std::printf("  a bench failed: %s\n", qPrintable(r.error));
    }
    int landed = -1;
    {
        QString error;
        QSqlDatabase db = openShopDatabase(server.conninfo(), "count", &error);
        JobStore store(db);
        landed = store.jobCount();
    }
    QSqlDatabase::removeDatabase("count");
    std::printf("shop database (PostgreSQL on a Unix socket, fsync on): %d benches pushed %d "
                "jobs at once in %.0f ms: %.0f jobs/s; %d jobs in the database\n",
                kBenches, pushed, took, pushed / (took / 1000.0), landed);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int programs = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int jobs = argc > 2 ? std::atoi(argv[2]) : 100;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("korvelo-record-bench-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(dir);
    programCost(dir, programs);
    shopThroughput(dir, jobs);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
