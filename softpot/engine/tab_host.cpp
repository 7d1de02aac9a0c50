#include "softpot/engine/tab_host.h"

#include "softpot/engine/softpot_link.h"

namespace korvelo {

SoftpotTabHost::SoftpotTabHost(const AppEnv& env, const TabHostSpec& tables)
    : env_(env), tables_(tables) {
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pages_[i] = std::make_unique<SoftpotGroup>(env, *tables.pages[i]);
        pages_[i]->setSharedTransmitter(&transmitter_);
        pages_[i]->setOperations(&operations_);
    }
}

std::array<SoftpotGroup*, TabHostSpec::kTabs> SoftpotTabHost::pages() {
    return {pages_[0].get(), pages_[1].get(), pages_[2].get()};
}

bool SoftpotTabHost::busy() const {
    return operations_.running();
}

void SoftpotTabHost::open() {
    // The pages are built and opened in tab order, so the first page's presets come first.
    for (auto& p : pages_)
        p->open();
    current_ = 0;
    programEnabled_ = env_.session.flags.inTunerMode;
}

bool SoftpotTabHost::selectTab(int tab) {
    if (tab == current_)
        return true;
    if (tab < 0 || tab >= TabHostSpec::kTabs || busy() || !tabsAllowed())
        return false;
    page(current_).leaveTab();
    current_ = tab;
    TxSetupBlock block(env_.session.txSetupBlock);
    tables_.tabPreset.apply(block, env_.session.radioType);
    if (tables_.tabSetsUpFirstRow)
        page(tab).setUp(0, tables_.tabSetupHz);
    return true;
}

void SoftpotTabHost::program() {
    // Steps typed during the writes are committed after the pages show the outcome.
    const PageOperations::Scope scope(operations_);
    if (!scope.entered())
        return;
    Session& s = env_.session;
    if (tables_.pointMask) {
        const std::uint8_t mask = s.image[*tables_.pointMask];
        for (auto& p : pages_)
            p->fillAbsentPoints(mask);
    }
    for (auto& p : pages_)
        p->storeWorkingTexts();
    SoftpotLink link(env_);
    // The pages show the first write that did not come out confirmed.
    WriteOutcome outcome = link.open() ? WriteOutcome::Confirmed : WriteOutcome::NoAnswer;
    for (const WriteRegionSpec& w : tables_.writes) {
        const WriteOutcome o = link.writeRegion(s, w);
        if (outcome == WriteOutcome::Confirmed)
            outcome = o;
    }
    link.close();
    for (auto& p : pages_)
        p->programmed(outcome);
}

bool SoftpotTabHost::close(const CloseQuestion& ask) {
    int count = 0;
    for (const auto& p : pages_)
        count += p->unprogrammedCount();
    if (count > 0) {
        const CloseChoice choice = ask(unprogrammedQuestion(count));
        if (choice == CloseChoice::Cancel)
            return false;
        if (choice == CloseChoice::Program) {
            for (auto& p : pages_) {
                p->stopTakingSteps();
                p->acceptTypedValues();
            }
            program();
        }
    }
    const PageOperations::Scope scope(operations_);
    for (auto& p : pages_)
        p->stopTakingSteps();
    bool mayTransmit = transmitter_.mayBeOn;
    for (const auto& p : pages_)
        mayTransmit = mayTransmit || p->mayTransmit();
    if (env_.session.flags.inTunerMode && mayTransmit) {
        const KeyingSpec& k = tables_.pages[0]->keying;
        SoftpotLink link(env_);
        if (link.exchange(k.offFrame, k.closeOffPauseMs, k.closeOffWaitMs) == LinkResult::Replied)
            noteTransmitter(env_.session, false);
        link.close();
    }
    transmitter_.mayBeOn = false;
    for (auto& p : pages_)
        p->transmitterOff();
    env_.replies.replyStatus.store(kStatusNone);
    return true;
}

} // namespace korvelo
