#pragma once
// Jobs for the record tests: a radio read and programmed through the real core against the
// simulated radio, and the rows of a job as a database holds them.
#include "radio/image_record.h"
#include "radio/radio_utilities.h"
#include "radio/tuning_regions.h"
#include "radio/tuning_start.h"
#include "record/job_store.h"
#include "support/sim_bench.h"

#include <QSqlQuery>
#include <QVariant>
#include <gtest/gtest.h>

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace korvelo {

// Tuning Init and the serial number read, then High Power at point 1 raised by 5 and the power
// region programmed: one job with one changed value.
inline void readAndProgram(SimBench& bench) {
    bench.radio.tunerMode = false; // a radio just switched on
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.imageLoaded);
    ASSERT_TRUE(IdentifyRadio(bench.env()));
    bench.session.image[img::txPowerHigh(1)] += 5;
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    ASSERT_EQ(programRegion(link, bench.session, kRegionTxPower, 100, 1000).outcome,
              WriteOutcome::Confirmed);
}

inline int countRows(QSqlDatabase& db, const QString& sql, const QVariant& bound = {}) {
    QSqlQuery q(db);
    q.prepare(sql);
    if (bound.isValid())
        q.addBindValue(bound);
    if (!q.exec() || !q.next())
        return -1;
    return q.value(0).toInt();
}

// The one value that readAndProgram changes.
inline const record::JobValue* changedValue(const record::Job& job) {
    const record::JobValue* found = nullptr;
    for (const record::JobValue& v : job.values)
        if (v.changed()) {
            if (found)
                return nullptr; // more than one
            found = &v;
        }
    return found;
}

} // namespace korvelo
