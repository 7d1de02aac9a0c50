#include "radio/qt/korvelo_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace korvelo {

KorveloSettings::KorveloSettings()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication) {
    settings_.setFallbacksEnabled(false);
}

// Anything but the stored text "false" is on: the guards stay on unless turned off.
bool KorveloSettings::flag(const char* key) const {
    return settings_.value(QString::fromLatin1(key)).toString() != QStringLiteral("false");
}

bool KorveloSettings::trafficDockVisible() const {
    return settings_.value(QStringLiteral("Window/TrafficDockVisible")).toString() ==
           QStringLiteral("true");
}

void KorveloSettings::setTrafficDockVisible(bool visible) {
    settings_.setValue(QStringLiteral("Window/TrafficDockVisible"),
                       visible ? QStringLiteral("true") : QStringLiteral("false"));
}

bool KorveloSettings::backups() const {
    return flag(kBackupsKey);
}

void KorveloSettings::setBackups(bool on) {
    settings_.setValue(QString::fromLatin1(kBackupsKey),
                       on ? QStringLiteral("true") : QStringLiteral("false"));
}

bool KorveloSettings::verifyAfterWrite() const {
    return flag(kVerifyKey);
}

void KorveloSettings::setVerifyAfterWrite(bool on) {
    settings_.setValue(QString::fromLatin1(kVerifyKey),
                       on ? QStringLiteral("true") : QStringLiteral("false"));
}

int KorveloSettings::transmitLimitS() const {
    bool ok = false;
    const int v = settings_.value(QString::fromLatin1(kTransmitLimitKey)).toString().toInt(&ok);
    return ok ? GuardOptions::clampTransmitLimit(v) : GuardOptions::kDefaultTransmitLimitS;
}

void KorveloSettings::setTransmitLimitS(int seconds) {
    settings_.setValue(QString::fromLatin1(kTransmitLimitKey),
                       QString::number(GuardOptions::clampTransmitLimit(seconds)));
}

GuardOptions KorveloSettings::guardOptions(const QString& programVersion) const {
    GuardOptions o;
    o.backups = backups();
    o.verifyAfterWrite = verifyAfterWrite();
    o.transmitLimitS = transmitLimitS();
    o.programVersion = programVersion.toStdString();
    const QString folder = backupFolder();
    if (!folder.isEmpty())
        o.backupFolder = std::filesystem::path(folder.toStdU16String());
    return o;
}

QString KorveloSettings::technician() const {
    return settings_.value(QStringLiteral("Record/Technician")).toString();
}

void KorveloSettings::setTechnician(const QString& name) {
    settings_.setValue(QStringLiteral("Record/Technician"), name);
}

QString KorveloSettings::shopDatabase() const {
    return settings_.value(QStringLiteral("Record/ShopDatabase")).toString();
}

void KorveloSettings::setShopDatabase(const QString& conninfo) {
    settings_.setValue(QStringLiteral("Record/ShopDatabase"), conninfo);
}

QString KorveloSettings::recordFile() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        return {};
    QDir().mkpath(data);
    return QDir(data).filePath(QStringLiteral("record.sqlite"));
}

QString KorveloSettings::backupFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        return {};
    return QDir(data).filePath(QStringLiteral("backups"));
}

void useKorveloNames() {
    QCoreApplication::setOrganizationName(QString::fromLatin1(KorveloSettings::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(KorveloSettings::kApplication));
}

} // namespace korvelo
