#include "app/gui/tuning_file_commands.h"

#include "app/core/tuning_file.h"
#include "app/gui/message_box_notifier.h"

#include <QFileDialog>
#include <QFileInfo>

namespace korvelo {

namespace {

const QString kFilter = QStringLiteral("Codeplug File(*.tun)");

QString runFileDialog(QWidget* parent, bool save) {
    QFileDialog dialog(parent, save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.setNameFilter(kFilter);
    dialog.setDefaultSuffix(QStringLiteral("tun"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The overwrite question is ours, so that it carries the program's caption.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

TuningFileDialogs standardTuningFileDialogs() {
    return {[](QWidget* parent) { return runFileDialog(parent, false); },
            [](QWidget* parent) {
                const QString name = runFileDialog(parent, true);
                if (name.isEmpty() || !QFileInfo::exists(name))
                    return name;
                const QString question =
                    QStringLiteral("%1 already exists.\nDo you want to replace it?")
                        .arg(QFileInfo(name).fileName());
                return askYesNo(parent, question) ? name : QString();
            }};
}

void openTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs) {
    const QString name = dialogs.openName(parent);
    if (!name.isEmpty())
        OpenTuningFile(env.session, QFile::encodeName(name).toStdString(), env.notifier);
}

void saveTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs) {
    const QString name = dialogs.saveName(parent);
    if (!name.isEmpty())
        SaveTuningFile(env.session, QFile::encodeName(name).toStdString(), env.notifier);
}

} // namespace korvelo
