#include "gui/tuning_file_commands.h"

#include "gui/message_box_notifier.h"
#include "radio/band_model.h"
#include "radio/tuning_file.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

#include <QFileDialog>
#include <QFileInfo>
#include <filesystem>

namespace korvelo {

namespace {

const QString kFilter = QStringLiteral("Codeplug File(*.tun)");

// The folder of the last file chosen in this run, so that Open finds what Save just wrote.
QString& lastFolder() {
    static QString folder;
    return folder;
}

// suggested: a name to offer again (after "No" to the replace question); empty for none.
QString runFileDialog(QWidget* parent, bool save, const QString& suggested = {}) {
    QFileDialog dialog(parent, save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.setNameFilter(kFilter);
    dialog.setDefaultSuffix(QStringLiteral("tun"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The overwrite question is ours, so that it carries the program's caption.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!lastFolder().isEmpty())
        dialog.setDirectory(lastFolder());
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    // Room for the size and date columns without clipping.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 460)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString name = dialog.selectedFiles().constFirst();
    lastFolder() = QFileInfo(name).absolutePath();
    return name;
}

// The save dialog until the user gives a new name, agrees to replace a file, or cancels.
QString askSaveName(QWidget* parent, const QString& suggested) {
    QString name = suggested;
    for (;;) {
        name = runFileDialog(parent, true, name);
        if (name.isEmpty() || !QFileInfo::exists(name))
            return name;
        const QString question = QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QFileInfo(name).fileName());
        if (askYesNo(parent, question))
            return name;
    }
}

} // namespace

// UTF-16 on Windows, which no ANSI code page can replace; the local 8-bit encoding elsewhere.
std::filesystem::path fileSystemPath(const QString& name) {
#ifdef Q_OS_WIN
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

TuningFileDialogs standardTuningFileDialogs() {
    return {[](QWidget* parent) { return runFileDialog(parent, false); }, askSaveName};
}

QString suggestedTuningFileName(const Session& session, const QDate& date) {
    QStringList parts;
    parts << (session.identity.serialNumber
                  ? QString::fromStdString(*session.identity.serialNumber).trimmed()
                  : QStringLiteral("radio"));
    if (session.record.radioRead) {
        const std::string_view range = bandRange(bandGroup(session.radioType, Type1::AsV2));
        QString band = QString::fromUtf8(range.data(), static_cast<qsizetype>(range.size()));
        band.replace(QStringLiteral(" to "), QStringLiteral("-")).remove(QLatin1Char(' '));
        if (!band.isEmpty())
            parts << band;
    }
    parts << date.toString(Qt::ISODate);
    QString name = parts.join(QLatin1Char('_'));
    // Nothing a file system refuses, whatever the radio answered as its serial number.
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    name.replace(unsafe, QStringLiteral("-"));
    return name + QStringLiteral(".tun");
}

QString openTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs) {
    const QString name = dialogs.openName(parent);
    if (name.isEmpty() || !OpenTuningFile(env.session, fileSystemPath(name), env.notifier))
        return {};
    return name;
}

QString saveTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs) {
    const QString name =
        dialogs.saveName(parent, suggestedTuningFileName(env.session, QDate::currentDate()));
    if (name.isEmpty() || !SaveTuningFile(env.session, fileSystemPath(name), env.notifier))
        return {};
    return name;
}

} // namespace korvelo
