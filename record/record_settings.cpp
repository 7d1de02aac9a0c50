#include "record/record_settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

namespace korvelo::record {

namespace {

QVariant get(const char* key) {
    QSettings s(QStringLiteral("Korvelo"), QStringLiteral("Korvelo"));
    s.setFallbacksEnabled(false);
    return s.value(QLatin1String(key));
}

void set(const char* key, const QString& value) {
    QSettings s(QStringLiteral("Korvelo"), QStringLiteral("Korvelo"));
    s.setValue(QLatin1String(key), value);
}

constexpr auto kTechnician = "Record/Technician";
constexpr auto kShop = "Record/ShopDatabase";

} // namespace

QString defaultLocalPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return dir + QStringLiteral("/record.sqlite");
}

QString RecordSettings::technician() {
    return get(kTechnician).toString();
}

void RecordSettings::setTechnician(const QString& name) {
    set(kTechnician, name);
}

QString RecordSettings::shopDatabase() {
    return get(kShop).toString();
}

void RecordSettings::setShopDatabase(const QString& conninfo) {
    set(kShop, conninfo);
}

QString benchName() {
    return QSysInfo::machineHostName();
}

} // namespace korvelo::record
