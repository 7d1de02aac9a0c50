#include "gui/bench_record.h"

#include "radio/qt/korvelo_settings.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

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

QString accountFullName() {
#ifdef Q_OS_UNIX
    if (const passwd* pw = ::getpwuid(::getuid())) {
        // The GECOS field: "Full Name,room,phone,...".
        const QString gecos = QString::fromLocal8Bit(pw->pw_gecos ? pw->pw_gecos : "")
                                  .section(QLatin1Char(','), 0, 0)
                                  .trimmed();
        if (!gecos.isEmpty())
            return gecos;
        if (pw->pw_name && *pw->pw_name)
            return QString::fromLocal8Bit(pw->pw_name);
    }
#endif
    const QString login = qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER"));
    return login.trimmed();
}

void BenchRecord::setTechnician(const QString& name) {
    KorveloSettings().setTechnician(name);
    recorder_.setTechnician(name);
}

QWidget* BenchRecord::makeNameBar(QWidget* parent, const QString& proposed) {
    if (!KorveloSettings().technician().isEmpty() || proposed.trimmed().isEmpty())
        return nullptr;
    // The records name the account's owner from now on; the bar says so once and lets the
    // technician change it without stopping anything.
    setTechnician(proposed.trimmed());
    auto* bar = new QFrame(parent);
    bar->setAccessibleName(QStringLiteral("Technician name bar"));
    bar->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 4, 8, 4);
    auto* text = new QLabel(bar);
    text->setTextFormat(Qt::PlainText);
    text->setAccessibleName(QStringLiteral("Technician name"));
    auto* edit = new QLineEdit(proposed.trimmed(), bar);
    edit->setAccessibleName(QStringLiteral("Technician's name for the records"));
    edit->hide();
    auto* change = new QPushButton(QStringLiteral("C&hange"), bar);
    change->setAccessibleName(QStringLiteral("Change the technician's name"));
    auto* keep = new QPushButton(QStringLiteral("&Keep"), bar);
    keep->setAccessibleName(QStringLiteral("Keep the technician's name"));
    keep->hide();
    auto* close = new QPushButton(QStringLiteral("OK"), bar);
    close->setAccessibleName(QStringLiteral("Close the technician name bar"));
    row->addWidget(text);
    row->addWidget(edit, 1);
    row->addWidget(change);
    row->addWidget(keep);
    row->addStretch(1);
    row->addWidget(close);
    auto show = [text](const QString& name) {
        text->setText(QStringLiteral("Records name you as %1 \u2014").arg(name));
    };
    show(proposed.trimmed());
    QObject::connect(change, &QPushButton::clicked, bar, [=] {
        change->hide();
        text->setText(QStringLiteral("Records name you as"));
        edit->show();
        keep->show();
        edit->setFocus();
        edit->selectAll();
    });
    auto take = [=, this] {
        const QString name = edit->text().trimmed();
        if (name.isEmpty())
            return;
        setTechnician(name);
        edit->hide();
        keep->hide();
        show(name);
        change->show();
    };
    QObject::connect(keep, &QPushButton::clicked, bar, take);
    QObject::connect(edit, &QLineEdit::returnPressed, bar, take);
    QObject::connect(close, &QPushButton::clicked, bar, [bar] {
        QWidget* holder = bar->parentWidget(); // the main window's toolbar that carries it
        (holder && holder->inherits("QToolBar") ? holder : bar)->hide();
    });
    return bar;
}

} // namespace korvelo
