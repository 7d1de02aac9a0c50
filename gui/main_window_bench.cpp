// The bench parts of the main window: the radio panel and the tuning area view in the central
// area, the traffic dock, the View menu and the indicators and title that follow the session.
#include "gui/command_ids.h"
#include "gui/main_window.h"
#include "gui/radio_panel.h"
#include "gui/traffic_dock.h"
#include "gui/traffic_model.h"
#include "gui/tuning_area_view.h"
#include "radio/qt/korvelo_settings.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace korvelo {

void MainWindow::buildBench() {
    auto* central = new QWidget(this);
    central->setAccessibleName(QStringLiteral("Bench"));
    auto* layout = new QVBoxLayout(central);
    panel_ = new RadioPanel(env_, central);
    area_ = new TuningAreaView(env_.session, central);
    layout->addWidget(panel_);
    layout->addWidget(area_, 1);
    setCentralWidget(central);
    connect(panel_, &RadioPanel::identifyRequested, this, [this] { runCommand(cmd::Identify); });
    connect(area_, &TuningAreaView::compareRequested, this, &MainWindow::compareWithFile);

    trafficModel_ = new TrafficModel(traffic_, this);
    trafficDock_ = new TrafficDock(*trafficModel_, this);
    addDockWidget(Qt::BottomDockWidgetArea, trafficDock_);
    // Hidden until the user shows it; then as the user left it.
    trafficDock_->setHidden(!KorveloSettings().trafficDockVisible());
}

void MainWindow::buildViewMenu() {
    auto* view = new QMenu(QStringLiteral("&View"), this);
    QAction* traffic = trafficDock_->toggleViewAction();
    traffic->setText(QStringLiteral("&Traffic"));
    traffic->setStatusTip(QStringLiteral("Show every frame sent to and received from the radio"));
    connect(traffic, &QAction::triggered, this,
            [](bool shown) { KorveloSettings().setTrafficDockVisible(shown); });
    view->addAction(traffic);
    QAction* compare = view->addAction(QStringLiteral("&Compare with a File..."));
    compare->setStatusTip(QStringLiteral("Show a tuning file's values beside the image's"));
    connect(compare, &QAction::triggered, this, &MainWindow::compareWithFile);
    // Before "&Help", the menus of the command table keeping their order.
    const QList<QAction*> tops = menuBar()->actions();
    menuBar()->insertMenu(tops.isEmpty() ? nullptr : tops.back(), view);
}

void MainWindow::compareWithFile() {
    const QString name = fileDialogs_.openName(this);
    if (!name.isEmpty() && area_->compareWith(name, env_.notifier))
        area_->tabs()->setFocus();
}

void MainWindow::refreshBench() {
    const Session& s = env_.session;
    panel_->refresh();
    area_->refresh();
    setWindowTitle(benchTitle(s));

    const std::string port = env_.ports.portInUse();
    portIndicator_->setText(port.empty()
                                ? QStringLiteral("No port yet")
                                : QStringLiteral("Port %1").arg(QString::fromStdString(port)));
    modeIndicator_->setText(s.flags.inTunerMode ? QStringLiteral("Tuner mode")
                                                : QStringLiteral("Not in tuner mode"));
    const bool tx = s.transmitterMayBeOn;
    txIndicator_->setText(QStringLiteral("TX"));
    txIndicator_->setVisible(tx);
    txIndicator_->setStyleSheet(tx ? QStringLiteral("QLabel { background: #D00000; color: white; "
                                                    "font-weight: bold; }")
                                   : QString());
    txIndicator_->setToolTip(tx ? QStringLiteral("The transmitter is keyed, or its PTT off was "
                                                 "not confirmed: it may be on")
                                : QStringLiteral("The transmitter is off"));
    txIndicator_->setAccessibleDescription(txIndicator_->toolTip());
}

} // namespace korvelo
