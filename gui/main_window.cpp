#include "gui/main_window.h"

#include "gui/bench_record.h"
#include "gui/command_ids.h"
#include "gui/gui_clock.h"
#include "gui/link_lease.h"
#include "gui/screen_fit.h"
#include "gui/shell_commands.h"
#include "gui/svg_icons.h"
#include "radio/radio_utilities.h"
#include "radio/safe_exit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace korvelo {

namespace {

const QString kIdleText = QStringLiteral("Ready");

// A prompt's text before "\n" goes to the status bar, the text after it is the tool tip.
void applyPrompt(QAction* action, const char* prompt) {
    if (!prompt)
        return;
    const QString text = QString::fromLatin1(prompt);
    const qsizetype nl = text.indexOf(QLatin1Char('\n'));
    action->setStatusTip(nl < 0 ? text : text.left(nl));
    if (nl >= 0)
        action->setToolTip(text.mid(nl + 1));
}

} // namespace

MainWindow::MainWindow(AppEnv& env, std::function<void(AppEnv&)> startupScan, QWidget* parent)
    : QMainWindow(parent), env_(env), commands_(env), startupScan_(std::move(startupScan)) {
    setWindowTitle(QStringLiteral("Korvelo"));
    setWindowIcon(svgIcon(QStringLiteral(":/icons/korvelo.svg")));
    setAccessibleName(QStringLiteral("Korvelo main window"));
    resize(1000, 680);
    // Every window of the program, this one first, fits the screen at any scale factor.
    qApp->installEventFilter(new ScreenFit(this));
    buildMenus();
    buildToolBar();
    buildStatusBar();
    buildBench();
    buildViewMenu();
    korvelo::addShellCommands(*this);
    updateCommandStates();
    env_.session.onChange = [this] { refreshBench(); };
    refreshBench();
}

MainWindow::~MainWindow() {
    env_.session.onChange = nullptr;
}

void MainWindow::setBenchRecord(BenchRecord* record) {
    benchRecord_ = record;
    if (!record)
        return;
    statusBar()->addPermanentWidget(record->makeIndicator(this));
    if (QWidget* bar = record->makeNameBar(this, accountFullName())) {
        auto* holder = new QToolBar(QStringLiteral("Technician"), this);
        holder->setMovable(false);
        holder->addWidget(bar);
        addToolBarBreak();
        addToolBar(holder);
    }
}

void MainWindow::startUp() {
    if (startupScan_)
        startupScan_(env_);
    env_.session.flags.isAk2347Radio = true;
    env_.session.flags.inTunerMode = false;
    updateCommandStates();
    refreshBench();
}

QAction* MainWindow::makeAction(const MenuEntry& entry) {
    auto* action = new QAction(QString::fromUtf8(entry.caption), this);
    action->setData(entry.id);
    applyPrompt(action, entry.prompt);
    if (entry.shortcut)
        action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
    action->setObjectName(QStringLiteral("command%1").arg(entry.id));
    const int id = entry.id;
    connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[id] = action;
    rules_[id] = entry.rule;
    return action;
}

void MainWindow::buildMenus() {
    auto fill = [this](QMenu* menu, std::span<const MenuEntry> entries) {
        for (const MenuEntry& e : entries) {
            if (e.id == 0)
                menu->addSeparator();
            else
                menu->addAction(makeAction(e));
        }
        // The update pass when a menu opens.
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateCommandStates);
    };
    for (const MenuSpec& layout : mainMenus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(layout.title));
        fill(menu, layout.entries);
        if (layout.submenuTitle) {
            menu->addSeparator();
            fill(menu->addMenu(QString::fromLatin1(layout.submenuTitle)), layout.submenu);
        }
    }
}

void MainWindow::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("standardToolBar"));
    bar->setAccessibleName(QStringLiteral("Standard toolbar"));
    bar->setIconSize(QSize(16, 15));
    bar->setMovable(true);
    static const std::map<int, QString> icons = {
        {cmd::TuningInit, QStringLiteral(":/icons/tuning_init.svg")},
        {cmd::FileOpen, QStringLiteral(":/icons/open.svg")},
        {cmd::FileSave, QStringLiteral(":/icons/save.svg")},
        {cmd::About, QStringLiteral(":/icons/about.svg")},
    };
    for (int id : toolbarPlaces()) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* a = actions_.at(id);
        a->setIcon(svgIcon(icons.at(id)));
        bar->addAction(a);
    }
}

void MainWindow::buildStatusBar() {
    auto* idle = new QLabel(kIdleText, this);
    idle->setAccessibleName(QStringLiteral("Status message"));
    statusBar()->addWidget(idle, 1);
    // What a technician checks at a glance: the port, the tuner mode, a keyed transmitter.
    auto indicator = [this](const QString& name) {
        auto* l = new QLabel(this);
        l->setAccessibleName(name);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(l);
        return l;
    };
    portIndicator_ = indicator(QStringLiteral("Port in use"));
    modeIndicator_ = indicator(QStringLiteral("Tuner mode"));
    txIndicator_ = indicator(QStringLiteral("Transmitter"));
    txIndicator_->setAlignment(Qt::AlignCenter);
    txIndicator_->setMinimumWidth(
        txIndicator_->fontMetrics().horizontalAdvance(QStringLiteral("TX")) + 16);
#ifdef Q_OS_WIN
    // Windows can tell the lock keys' state; elsewhere the window system does not say.
    const char* names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        lockLabels_[i] = new QLabel(QString::fromLatin1(names[i]), this);
        lockLabels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(lockLabels_[i]);
    }
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &MainWindow::updateLockIndicators);
    timer->start(250);
    updateLockIndicators();
#endif
}

void MainWindow::updateLockIndicators() {
#ifdef Q_OS_WIN
    const int keys[3] = {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL};
    for (int i = 0; i < 3; ++i)
        lockLabels_[i]->setEnabled((GetKeyState(keys[i]) & 1) != 0);
#endif
}

QAction* MainWindow::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::updateCommandStates() {
    for (const auto& [id, a] : actions_)
        a->setEnabled(commands_.has(id) && isEnabledBy(rules_.at(id), env_.session.flags));
}

bool MainWindow::runCommand(int id) {
    // Shortcuts bypass the menu's update pass; the rules hold for them too.
    updateCommandStates();
    QAction* a = action(id);
    if (a && !a->isEnabled())
        return false;
    const bool ran = commands_.run(id, this);
    updateCommandStates();
    refreshBench(); // the pages change the image and the flags without telling

    if (closePending_ && !commands_.running()) {
        closePending_ = false;
        close();
    }
    return ran;
}

void MainWindow::showProgress(const QString& text) {
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text);
}

void MainWindow::showNote(const QString& text) {
    statusBar()->showMessage(text, 10000);
}

// Exit and the window's close both leave tuner mode once, then the window closes even when
// the radio does not answer.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (commands_.running() && !exiting_) {
        // A close request during a radio exchange waits for the exchange to end.
        closePending_ = true;
        event->ignore();
        return;
    }
    if (leaving_) {
        event->ignore();
        return;
    }
    if (!leftTunerMode_) {
        leaving_ = true;
        LeaveTunerMode(env_);
        leaving_ = false;
        leftTunerMode_ = true;
    }
    event->accept();
}

void MainWindow::exitCommand() {
    exiting_ = true;
    close();
    exiting_ = false;
}

void MainWindow::stopOnSignal(int signal) {
    stopSignal_ = signal;
    // An exchange in progress ends soon (the link sends nothing more but safety frames); the
    // radio is made safe after it, never inside it and never on a second link.
    const auto* gui = dynamic_cast<const GuiClock*>(&env_.clock);
    if ((gui && gui->busy()) || env_.replies.receiverClaimed() || LinkLease::held()) {
        QTimer::singleShot(20, this, [this] { stopOnSignal(stopSignal_); });
        return;
    }
    if (!leftTunerMode_) {
        leaving_ = true;
        leaveRadioSafe(env_);
        leaving_ = false;
        leftTunerMode_ = true;
    }
    QCoreApplication::exit(128 + signal);
}

} // namespace korvelo
