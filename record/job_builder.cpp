#include "record/job_builder.h"

#include "catalogue/catalogue.h"
#include "radio/band_model.h"
#include "radio/radio_utilities.h"

#include <QSysInfo>

namespace korvelo::record {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QByteArray bytesOf(const TuningImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.bytes().data()),
                      static_cast<qsizetype>(TuningImage::kSize));
}

} // namespace

QString benchName() {
    return QSysInfo::machineHostName();
}

Job startJob(const Session& session, const JobContext& context, const QDateTime& now) {
    Job job;
    job.id = QUuid::createUuid();
    job.radioType = session.radioType;
    job.band = text(std::string(bandRange(bandGroup(session.radioType, Type1::AsV2))));
    job.memoryBlocks = session.flags.is256BlockMemory ? 256 : 128;
    job.audioProcessor =
        session.flags.isAk2347Radio ? QStringLiteral("AK2347") : QStringLiteral("CMX148");
    job.bench = context.bench;
    job.technician = context.technician;
    job.programVersion = context.programVersion;
    job.started = now;
    job.ended = now;
    job.imageRead = bytesOf(session.record.asRead);
    updateIdentity(job, session);
    updateValues(job, session);
    return job;
}

void updateValues(Job& job, const Session& session) {
    const ImageRecord& r = session.record;
    TuningImage after = r.asRead;
    for (std::size_t i = 0; i < TuningImage::kSize; ++i)
        if (r.isProgrammed[i])
            after[i] = r.programmed[i];
    job.imageAfter = bytesOf(after);
    job.values.clear();
    for (const CatalogueEntry& e : tuningCatalogue()) {
        if (!appliesTo(e, session.flags.isAk2347Radio))
            continue;
        JobValue v;
        v.page = text(e.page);
        v.name = text(e.name(session));
        v.asRead = text(e.value(r.asRead));
        for (const ByteClaim& b : e.bytes)
            v.programmed = v.programmed || r.isProgrammed[b.byte];
        if (v.programmed)
            v.asProgrammed = text(e.value(after));
        job.values.push_back(std::move(v));
    }
}

void updateIdentity(Job& job, const Session& session) {
    const RadioIdentity& id = session.identity;
    // A read that failed shows "Read Fail !" in its dialog; that is no serial number.
    if (id.serialNumber && *id.serialNumber != kReadFail)
        job.serial = text(*id.serialNumber);
    if (id.fwVersion && *id.fwVersion != kReadFail)
        job.firmware = text(*id.fwVersion);
    if (id.country)
        job.country = text(*id.country);
}

} // namespace korvelo::record
