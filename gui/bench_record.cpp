#include "gui/bench_record.h"

#include "radio/qt/korvelo_settings.h"

#include <QInputDialog>
#include <QStatusBar>
#include <QTimer>

namespace korvelo {

BenchRecord::BenchRecord(Session& session, QString localPath, QString shopConninfo)
    : session_(session), localPath_(std::move(localPath)), shopConninfo_(std::move(shopConninfo)),
      outbox_(shopConninfo_.isEmpty()
                  ? nullptr
                  : std::make_unique<record::Outbox>(localPath_, shopConninfo_)),
      recorder_(
          localPath_,
          {record::benchName(), KorveloSettings().technician(), QStringLiteral(KORVELO_VERSION)},
          [this] {
              if (outbox_)
                  outbox_->wake();
          }) {
    session_.recorder = &recorder_;
}

BenchRecord::~BenchRecord() {
    delete indicator_.data();
    session_.recorder = nullptr;
}

QString BenchRecord::statusText() const {
    if (!recorder_.error().isEmpty())
        return QStringLiteral("Record not kept: %1").arg(recorder_.reason());
    const record::PushResult pushed = outbox_ ? outbox_->status() : record::PushResult{};
    if (pushed.pending > 0)
        return pushed.pending == 1
                   ? QStringLiteral("1 job waits for the shop database")
                   : QStringLiteral("%1 jobs wait for the shop database").arg(pushed.pending);
    return {};
}

QString BenchRecord::statusDetail() const {
    if (!recorder_.error().isEmpty())
        return recorder_.error();
    return outbox_ ? outbox_->status().error : QString();
}

QLabel* BenchRecord::makeIndicator(QWidget* parent) {
    delete indicator_.data();
    auto* label = new QLabel(parent);
    label->setAccessibleName(QStringLiteral("Alignment record"));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->hide();
    // The writer and the outbox run on their own threads; their state is looked at, not told.
    auto* timer = new QTimer(label);
    QObject::connect(timer, &QTimer::timeout, label, [this, label] {
        // Once-only news (a damaged record moved aside, spooled jobs taken in) goes to the
        // status bar's message line for a while.
        const QStringList notices = recorder_.takeNotices();
        if (auto* bar = qobject_cast<QStatusBar*>(label->parentWidget()); bar && !notices.isEmpty())
            bar->showMessage(notices.join(QLatin1Char(' ')), 30000);
        const QString text = statusText();
        label->setText(text);
        label->setToolTip(statusDetail());
        label->setVisible(!text.isEmpty());
    });
    timer->start(1000);
    indicator_ = label;
    return label;
}

void BenchRecord::askTechnicianOnce(QWidget* parent) {
    if (asked_ || !KorveloSettings().technician().isEmpty())
        return;
    asked_ = true;
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Technician"));
    dialog.setLabelText(QStringLiteral("Your name, kept with every radio this bench aligns:"));
    dialog.setAccessibleName(QStringLiteral("Technician name"));
    if (dialog.exec() != QDialog::Accepted || dialog.textValue().trimmed().isEmpty())
        return;
    const QString name = dialog.textValue().trimmed();
    KorveloSettings().setTechnician(name);
    recorder_.setTechnician(name);
}

} // namespace korvelo
