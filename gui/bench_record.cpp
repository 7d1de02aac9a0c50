#include "gui/bench_record.h"

#include "radio/qt/korvelo_settings.h"

#include <QInputDialog>

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
    session_.recorder = nullptr;
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
