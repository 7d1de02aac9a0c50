#include "gui/shell_commands.h"

#include "gui/bench_record.h"
#include "gui/command_ids.h"
#include "gui/connection_doctor_dialog.h"
#include "gui/help_launcher.h"
#include "gui/info_dialogs.h"
#include "gui/main_window.h"
#include "gui/message_box_notifier.h"
#include "gui/options_dialog.h"
#include "gui/radio_history_dialog.h"
#include "gui/restore_dialog.h"
#include "gui/serial_comm_dialog.h"
#include "gui/tuning_file_commands.h"
#include "gui/utility_dialogs.h"
#include "link/qt/serial_ports.h"
#include "link/qt/tuner_settings.h"
#include "radio/link_state.h"
#include "radio/qt/korvelo_settings.h"
#include "radio/radio_utilities.h"
#include "radio/tuning_file.h"
#include "radio/tuning_start.h"
#include "record/job_store.h"

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

namespace korvelo {

namespace {

template <class Dialog> DialogFactory plainDialog() {
    return [](AppEnv&, QWidget* parent) -> std::unique_ptr<QDialog> {
        return std::make_unique<Dialog>(parent);
    };
}

// A button of an offer: its text and what it does, for screen readers.
struct OfferButton {
    QString text;
    QString accessibleName;
};

// Asks whether to do something now, "Not now" being the other answer and Escape: true when the
// offer is taken.
bool offer(QWidget* parent, QMessageBox::Icon icon, const QString& text, const OfferButton& take,
           const QString& declineName, bool takeByDefault) {
    QMessageBox box(icon, QString::fromLatin1(kMessageCaption), text, QMessageBox::NoButton,
                    messageParent(parent));
    QPushButton* yes = box.addButton(take.text, QMessageBox::AcceptRole);
    yes->setAccessibleName(take.accessibleName);
    QPushButton* no = box.addButton(QStringLiteral("&Not now"), QMessageBox::RejectRole);
    no->setAccessibleName(declineName);
    box.setDefaultButton(takeByDefault ? yes : no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

// The refusal of a radio already in tuner mode, with Reset offered: true when it is chosen.
bool offerReset(QWidget* parent) {
    return offer(parent, QMessageBox::Information,
                 QString::fromStdString(alreadyInTunerModeText()) +
                     QStringLiteral("\n\nReset the radio now?"),
                 {QStringLiteral("&Reset"), QStringLiteral("Reset the radio")},
                 QStringLiteral("Leave the radio in tuner mode"), false);
}

} // namespace

void offerUncleanEndRecovery(MainWindow& window, LinkStateFile& file) {
    AppEnv& env = window.env();
    for (const LinkStateFile::Left& left : file.leftUnclean()) {
        const QString port = QString::fromStdString(left.state.port);
        const bool send = offer(
            &window, QMessageBox::Warning,
            QString::fromStdString(uncleanEndText(left.state)) +
                QStringLiteral("\n\nSend PTT off and leave tuner mode on %1 now?").arg(port),
            {QStringLiteral("&Send PTT off"), QStringLiteral("Send PTT off and leave tuner mode")},
            QStringLiteral("Do not send anything"), true);
        // Asked once: a declined offer is not repeated at every start.
        LinkStateFile::forget(left);
        if (!send)
            continue;
        FixedPortProvider ports(left.state.port);
        Session session;
        const AppEnv safe{session, env.replies, env.clock, env.notifier, ports};
        if (makeRadioSafe(safe))
            window.showNote(QStringLiteral("The radio on %1 has left tuner mode").arg(port));
        else if (!session.flags.portFault)
            env.notifier.notify("The radio on " + left.state.port +
                                    " did not answer the leave-tuner-mode command: check that "
                                    "its transmitter is off.",
                                Icon::Exclamation);
    }
}

void searchForCable(AppEnv& env) {
    std::vector<SSerInfo> found;
    ListSerialPorts(found, env.session.flags.portFault, env.notifier);
    env.session.portFaultReason = env.session.flags.portFault ? std::string(kNoCableReason) : "";
}

void portChosen(AppEnv& env) {
    const TunerSettings settings;
    if (!settings.isAutoDetect() && !settings.com().isEmpty()) {
        // The port the user named; opening it tells soon enough whether it works.
        env.session.flags.portFault = false;
        env.session.portFaultReason.clear();
    } else {
        searchForCable(env);
    }
    env.session.changed();
}

void addShellCommands(MainWindow& window) {
    CommandTable& table = window.commands();
    MainWindow* w = &window;

    // Tuning Init does its own port handling, so it is not gated.
    table.addHandler(cmd::TuningInit, Gate::None, [w](AppEnv& env, QWidget* parent) {
        // Called with 0 before the first block and with n after block n has been read.
        const TuningInitEnd end = runTuningInit(
            env,
            [w](int done, int blocks) {
                if (done < blocks)
                    w->showProgress(
                        QStringLiteral("Reading block %1 of %2").arg(done + 1).arg(blocks));
                else
                    w->showProgress(QString());
            },
            /*tellRefusal=*/false);
        w->showProgress(QString());
        if (end == TuningInitEnd::AlreadyInTunerMode) {
            // Reset as its menu item runs it (this command is still the one running).
            if (offerReset(parent) && passPortFaultGate(env) && ResetRadio(env))
                w->showNote(QStringLiteral("The radio has left tuner mode"));
            return;
        }
        if (end != TuningInitEnd::Read)
            return;
        identifyForRecord(env);
        const GuardRecord& r = env.session.guardRecord;
        if (env.session.guard.takesBackups())
            w->showNote(r.backupFailure.empty() || !r.backup.empty()
                            ? QStringLiteral("Backup kept in %1")
                                  .arg(QDir::toNativeSeparators(
                                      QString::fromStdString(displayPath(r.backup))))
                            : QStringLiteral("No backup was kept: %1")
                                  .arg(QString::fromStdString(r.backupFailure)));
    });
    table.addDialog(cmd::RestoreBackup, Gate::PortFault, &RestoreBackupDialog::open);
    // Open, Save and Reset confirm nothing in a message box; the status bar says what happened.
    table.addHandler(cmd::FileOpen, Gate::None, [w](AppEnv& env, QWidget* parent) {
        const QString name = openTuningFileCommand(env, parent, w->tuningFileDialogs());
        if (name.isEmpty())
            return;
        // In tuner mode the radio still holds what Tuning Init read; the file's values reach
        // it only through the pages' Program.
        w->showNote(env.session.flags.inTunerMode
                        ? QStringLiteral("Opened %1: the image now differs from the radio until "
                                         "the pages program it")
                              .arg(QDir::toNativeSeparators(name))
                        : QStringLiteral("Opened %1").arg(QDir::toNativeSeparators(name)));
    });
    table.addHandler(cmd::FileSave, Gate::None, [w](AppEnv& env, QWidget* parent) {
        const QString name = saveTuningFileCommand(env, parent, w->tuningFileDialogs());
        if (!name.isEmpty())
            w->showNote(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(name)));
    });
    table.addDialog(cmd::RadioHistory, Gate::None,
                    [w](AppEnv&, QWidget* parent) -> std::unique_ptr<QDialog> {
                        BenchRecord* r = w->benchRecord();
                        auto dialog = std::make_unique<RadioHistoryDialog>(
                            r ? r->localPath() : KorveloSettings::recordFile(),
                            r ? r->shopConninfo() : KorveloSettings().shopDatabase(), parent);
                        if (r) {
                            r->recorder().flush(); // the job under way is in the file
                            if (const auto job = r->recorder().currentJob())
                                dialog->setRunningJob(job->id);
                        }
                        return dialog;
                    });
    table.addHandler(cmd::Exit, Gate::None, [w](AppEnv&, QWidget*) { w->exitCommand(); });

    table.addHandler(cmd::Reset, Gate::PortFault, [w](AppEnv& env, QWidget*) {
        if (ResetRadio(env))
            w->showNote(QStringLiteral("The radio has left tuner mode"));
    });
    table.addDialog(cmd::FwVersion, Gate::PortFault, &CFWVersionDlg::read);
    table.addDialog(cmd::SerialNumber, Gate::PortFault, &CSerialnumDlg::read);
    table.addDialog(cmd::CountryCode, Gate::PortFault, &CCountryCode::read);
    // The radio panel's button: the three reads, shown in the panel rather than in dialogs.
    table.addHandler(cmd::Identify, Gate::PortFault, [w](AppEnv& env, QWidget*) {
        if (IdentifyRadio(env))
            w->showNote(QStringLiteral("The radio has been identified"));
    });

    // Not gated, so that a faulty port can be corrected and help is always at hand. A port
    // chosen in either of the two counts from now on (unless this run has a port of its own).
    table.addHandler(cmd::SystemSetup, Gate::None, [w](AppEnv& env, QWidget* parent) {
        CSerialCommDlg dialog(parent);
        dialog.showRunPort(w->runPort());
        if (dialog.exec() == QDialog::Accepted && w->runPort().isEmpty())
            portChosen(env);
    });
    table.addHandler(cmd::ConnectionDoctor, Gate::None, [w](AppEnv& env, QWidget* parent) {
        const auto before = std::make_pair(TunerSettings().autoDetect(), TunerSettings().com());
        ConnectionDoctorDialog(ConnectionDoctorDialog::systemGatherer(w->runPort()), parent).exec();
        if (before != std::make_pair(TunerSettings().autoDetect(), TunerSettings().com()) &&
            w->runPort().isEmpty())
            portChosen(env);
    });
    table.addHandler(cmd::Options, Gate::None, [w](AppEnv& env, QWidget* parent) {
        OptionsDialog dialog(env.session.guard, parent);
        if (dialog.exec() != QDialog::Accepted)
            return;
        env.session.guard = dialog.chosen();
        KorveloSettings settings;
        settings.setBackups(env.session.guard.backups);
        settings.setVerifyAfterWrite(env.session.guard.verifyAfterWrite);
        settings.setTransmitLimitS(env.session.guard.transmitLimitS);
        const QString technician = dialog.technician()->text().trimmed();
        settings.setTechnician(technician);
        if (w->benchRecord())
            w->benchRecord()->recorder().setTechnician(technician);
        // A password would sit in the settings file for anyone to read.
        const QString shop = dialog.shopDatabase()->text().trimmed();
        const QString problem = shop.isEmpty() ? QString() : record::shopConninfoProblem(shop);
        if (!problem.isEmpty())
            env.notifier.notify(problem.toStdString(), Icon::Exclamation);
        else if (shop != settings.shopDatabase()) {
            settings.setShopDatabase(shop);
            w->showNote(QStringLiteral("The shop database is used from Korvelo's next start"));
        }
    });
    table.addDialog(cmd::RadioSetup, Gate::None, plainDialog<CRadioSetupDlg>());
    table.addHandler(cmd::UsingHelp, Gate::None,
                     [](AppEnv& env, QWidget*) { openManual(env.notifier); });
    table.addDialog(cmd::About, Gate::None, plainDialog<CAboutDlg>());
}

} // namespace korvelo
