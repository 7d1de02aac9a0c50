#include "softpot/engine/softpot_group.h"

#include "link/command_frame.h"
#include "softpot/engine/softpot_link.h"

namespace korvelo {

SoftpotGroup::SoftpotGroup(const AppEnv& env, const PageSpec& page)
    : env_(env), page_(page), offUnconfirmed_(env.session.transmitterMayBeOn),
      pttCaption_(page.keying.idleCaption) {
    const auto labels = frequencyLabels(page.labels, bandGroup(env.session.radioType, page.type1));
    rows_.reserve(page.rows.size());
    for (const RowSpec& rs : page.rows) {
        SoftpotRow r;
        r.desc = &rs;
        const auto i = static_cast<std::size_t>(rs.point - 1);
        if (i < labels.size())
            r.frequencyText = std::string(labels[i]);
        const std::string_view initial = rs.initialText.empty() ? page.initialText : rs.initialText;
        r.defaultText = std::string(initial);
        r.workingText = std::string(initial);
        r.controls.enabled = page.rowsAlwaysEnabled;
        rows_.push_back(std::move(r));
    }
    selected_.assign(page.codeChoices.size(), 0);
    if (!page.codeChoices.empty())
        code_ = page.codeChoices.front().firstCode;
    env_.session.keyers.push_back(this);
    ownOps_.add(this);
}

SoftpotGroup::~SoftpotGroup() {
    ops_->remove(this);
    std::erase(env_.session.keyers, this);
}

void SoftpotGroup::setOperations(PageOperations* ops) {
    ops_->remove(this);
    ops_ = ops ? ops : &ownOps_;
    ops_->add(this);
}

void SoftpotGroup::selectCode(int choice, int entry) {
    const CodeChoice& c = page_.codeChoices.at(static_cast<std::size_t>(choice));
    if (entry >= 0 && static_cast<std::size_t>(entry) < c.entries.size())
        selected_.at(static_cast<std::size_t>(choice)) = entry;
}

RowKey SoftpotGroup::keyOf(const SoftpotRow& r) const {
    return {frequencyTextToHz(r.frequencyText), r.desc->tag};
}

void SoftpotGroup::takeTexts() {
    for (SoftpotRow& r : rows_) {
        r.frequencyText = r.controls.frequency;
        r.defaultText = r.controls.defaultSoftpot;
        r.workingText = r.controls.working;
    }
}

void SoftpotGroup::putTexts() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        SoftpotRow& r = rows_[i];
        r.controls.frequency = r.frequencyText;
        r.controls.defaultSoftpot = r.defaultText;
        // A row with a kept step goes on showing the value the step came to.
        if (!isKept(static_cast<int>(i)))
            r.controls.working = r.workingText;
    }
    changed();
}

void SoftpotGroup::changed() {
    if (view_)
        view_->controlsChanged();
}

void SoftpotGroup::focus(int row) {
    if (view_)
        view_->focusScrollBar(row);
}

void SoftpotGroup::setButtons(bool enabled) {
    pttEnabled_ = enabled;
    programEnabled_ = enabled;
}

void SoftpotGroup::setWorkingEditText(int row, std::string text) {
    at(row).controls.working = std::move(text);
    lastTypedRow_ = row;
    changed(); // the row's look and the status line follow what is typed
}

void SoftpotGroup::setFrequencyEditText(int row, std::string text) {
    at(row).controls.frequency = std::move(text);
}

bool SoftpotGroup::restoreUnreadableText(SoftpotRow& r) {
    if (page_.scale.read(r.controls.working))
        return false;
    r.controls.working = r.workingText;
    return true;
}

void SoftpotGroup::open() {
    PageOperations::Scope scope(*ops_);
    closing_ = false;
    const Session& s = env_.session;
    for (SoftpotRow& r : rows_)
        r.controls.position = page_.scale.clamp(r.controls.position);
    keyed_ = false;
    const bool withImage = s.flags.imageLoaded || !page_.openingNeedsImage;
    if (withImage) {
        setButtons(s.flags.inTunerMode || page_.buttonsWithoutTunerMode);
        changed();
        if (page_.openingPauseMs > 0)
            env_.clock.sleepMs(page_.openingPauseMs);
        TxSetupBlock block(env_.session.txSetupBlock);
        page_.openingPreset.apply(block, s.radioType);
    }
    if (page_.openingCheck) {
        SoftpotLink link(env_);
        const bool passed = page_.openingCheck(link);
        link.close();
        if (!passed) {
            if (!rows_.empty())
                currentRow_ = keyOf(rows_.front());
            putTexts();
            return;
        }
    }
    if (withImage) {
        if (page_.buttonsWithoutTunerMode) {
            setButtons(true);
        } else if (s.flags.inTunerMode) {
            setButtons(true);
            const std::uint8_t* usable = page_.usablePoints.find(s.radioType);
            for (SoftpotRow& r : rows_)
                r.controls.enabled = !usable || (*usable >> (r.desc->point - 1) & 1u) != 0;
        } else {
            setButtons(false);
        }
        if (page_.pttAlwaysEnabled)
            pttEnabled_ = true;
        putTexts();
        for (SoftpotRow& r : rows_) {
            const int v = s.image[r.desc->imageByte];
            r.controls.position = page_.scale.clamp(v);
            r.workingText = page_.scale.format(v);
            r.defaultText = r.workingText;
            r.controls.working = r.workingText;
            r.controls.defaultSoftpot = r.workingText;
        }
    } else {
        for (SoftpotRow& r : rows_) {
            r.controls.position = page_.scale.clamp(r.desc->noImageValue);
            if (!page_.noImageBytes)
                env_.session.image[r.desc->imageByte] =
                    static_cast<std::uint8_t>(r.desc->noImageValue);
        }
        if (page_.noImageBytes)
            for (const BytePreset& b : *page_.noImageBytes)
                env_.session.image[b.offset] = b.value;
        putTexts();
    }
    if (!rows_.empty())
        currentRow_ = keyOf(rows_.front());
    // Steps made before the page showed the radio's values have nothing to step from.
    kept_.clear();
    changed();
}

void SoftpotGroup::scroll(int row, ScrollCode code, int position) {
    // Line and page steps and the ends (Home, End) are kept during an exchange; a thumb drag
    // is not.
    const bool step = code == ScrollCode::LineLeft || code == ScrollCode::LineRight ||
                      code == ScrollCode::PageLeft || code == ScrollCode::PageRight ||
                      code == ScrollCode::Top || code == ScrollCode::Bottom;
    if (busy() && !(step && keepsSteps()))
        return;
    SoftpotRowControls& c = at(row).controls;
    const int max = page_.scale.max;
    int p = c.position;
    switch (code) {
    case ScrollCode::LineLeft:
        p -= 1;
        break;
    case ScrollCode::LineRight:
        p += 1;
        break;
    case ScrollCode::PageLeft:
        p -= 5;
        break;
    case ScrollCode::PageRight:
        p += 5;
        break;
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack:
        p = position;
        break;
    case ScrollCode::Top:
        p = 0;
        break;
    case ScrollCode::Bottom:
        p = max;
        break;
    }
    if (busy()) {
        keepStep(row, false, page_.scale.clamp(p));
        return;
    }
    c.position = page_.scale.clamp(p);
    changed();
    if (code != ScrollCode::Bottom)
        focus(row);
}

void SoftpotGroup::endScroll(int row) {
    PageOperations::Scope scope(*ops_);
    if (!scope.entered())
        return;
    std::vector<std::string> before;
    for (const SoftpotRow& r : rows_)
        before.push_back(r.workingText);
    takeTexts();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        SoftpotRow& r = rows_[i];
        if (!page_.endScrollSetsAllRows && &r != &at(row))
            continue;
        // Another row whose bar still stands where its value put it keeps its value: a stored
        // byte outside the bar's range is not the bar's end, and stays as it is until the
        // technician changes that row.
        if (&r != &at(row) &&
            page_.scale.clamp(page_.scale.parse(before[i])) == r.controls.position)
            r.workingText = before[i];
        else
            r.workingText = page_.scale.format(r.controls.position);
    }
    putTexts();
    currentRow_ = keyOf(at(row));
    const bool same = rowCheck();
    const int value = at(row).controls.position;
    sendOrSetUp(row, value, same);
    // Written after the sending, so a row setup here still sends the stored value.
    if (page_.store == ImageStore::OnCommit)
        env_.session.image[at(row).desc->imageByte] = static_cast<std::uint8_t>(value);
}

void SoftpotGroup::spin(int row, int delta) {
    const int step = delta > 0 ? 1 : -1;
    if (busy()) {
        if (!keepsSteps())
            return;
        // From the value the row shows (a step kept before, or a typed number).
        const SoftpotRow& r = at(row);
        const std::optional<long> shown = page_.scale.read(r.controls.working);
        const long from = shown ? *shown : page_.scale.parse(r.workingText);
        keepStep(row, true, page_.scale.clamp(page_.scale.clamp(from) + step));
        return;
    }
    PageOperations::Scope scope(*ops_);
    // A step from text that is no number starts from the row's working value.
    restoreUnreadableText(at(row));
    takeTexts();
    // The typed value is taken into the range first, so a negative text counts as 0.
    spinTo(row,
           page_.scale.clamp(page_.scale.clamp(page_.scale.parse(at(row).workingText)) + step));
}

std::string SoftpotGroup::spinText(int value) const {
    std::string text = page_.scale.format(value);
    if (static_cast<int>(text.size()) < page_.spinTextWidth)
        text.insert(0, static_cast<std::size_t>(page_.spinTextWidth) - text.size(), ' ');
    return text;
}

void SoftpotGroup::spinTo(int row, int value) {
    SoftpotRow& r = at(row);
    currentRow_ = keyOf(r);
    const bool same = rowCheck();
    r.workingText = spinText(value);
    if (page_.store == ImageStore::OnCommit)
        env_.session.image[r.desc->imageByte] = static_cast<std::uint8_t>(value);
    r.controls.position = value;
    focus(row);
    putTexts();
    sendOrSetUp(row, value, same);
}

void SoftpotGroup::enter(int row) {
    PageOperations::Scope scope(*ops_);
    if (!scope.entered())
        return;
    // Text that is no number is not a value: the edit shows the row's value again and nothing
    // is sent.
    if (restoreUnreadableText(at(row))) {
        changed();
        return;
    }
    takeTexts();
    SoftpotRow& r = at(row);
    currentRow_ = keyOf(r);
    const bool same = rowCheck();
    const int value = enteredValue(r);
    if (page_.store != ImageStore::OnProgram)
        env_.session.image[r.desc->imageByte] = static_cast<std::uint8_t>(value);
    r.workingText = page_.scale.format(value);
    r.controls.working = r.workingText;
    r.controls.position = page_.scale.clamp(value);
    focus(row);
    changed();
    sendOrSetUp(row, value, same);
}

int SoftpotGroup::enteredValue(const SoftpotRow& r) const {
    if (page_.enter == EnterRule::RefuseOffScale) {
        if (const std::optional<long> v = page_.scale.onScale(r.workingText))
            return static_cast<int>(*v);
        return env_.session.image[r.desc->imageByte];
    }
    // Above the range the value becomes the max; a negative value becomes 0.
    return page_.scale.clamp(page_.scale.parse(r.workingText));
}

bool SoftpotGroup::rowCheck() {
    bool differs = !lastRow_;
    if (lastRow_) {
        const bool byFrequency = page_.identity != RowIdentity::TagOnly;
        const bool byTag = page_.identity != RowIdentity::FrequencyOnly;
        differs = (byFrequency && lastRow_->hz != currentRow_.hz) ||
                  (byTag && lastRow_->tag != currentRow_.tag);
    }
    if (differs) {
        lastRow_ = currentRow_;
        keyed_ = false;
    }
    return !differs;
}

void SoftpotGroup::sendOrSetUp(int row, int value, bool sameRow) {
    programState_ = ProgramState::None;
    unkeyedByWatchdog_ = false;
    if (page_.live == LiveRule::WhileKeyed ? keyed_ : sameRow) {
        if (keyed_)
            keyedSinceMs_ = env_.clock.nowMs(); // the technician is at work on this row
        SoftpotLink link(env_);
        if (page_.sendLive)
            page_.sendLive(link, env_.session, *at(row).desc, value);
        return;
    }
    rowSetup(row);
}

void SoftpotGroup::rowSetup(int row, std::optional<long> hz) {
    const KeyingSpec& k = page_.keying;
    setUpRow_ = row;
    takeTexts();
    SoftpotRow& r = at(row);
    currentRow_.hz = hz ? *hz : frequencyTextToHz(r.frequencyText);
    for (std::size_t c = 0; c < page_.codeChoices.size(); ++c)
        if (page_.codeChoices[c].group == r.desc->group)
            code_ = static_cast<std::uint8_t>(page_.codeChoices[c].firstCode + selected_[c]);
    const Session& s = env_.session;
    TxSetupBlock block(env_.session.txSetupBlock);
    const bool onRaster = page_.setupFrequency == SetupFrequency::Receive
                              ? encodeRxFrequency(block, currentRow_.hz, s.isVhfRadio)
                              : encodeTxFrequency(block, currentRow_.hz);
    if (!onRaster && !page_.invalidFrequencyText.empty()) {
        env_.notifier.notify(std::string(page_.invalidFrequencyText), page_.invalidFrequencyIcon);
        r.controls.frequency.clear();
        changed();
    }
    if ((page_.rasterResetPoints >> (r.desc->point - 1) & 1u) != 0)
        block.setRaster(TxSetupBlock::kBothOn6250);
    block.setMode(0);
    if (const PointWords* words = page_.receiveSettings.find(s.radioType)) {
        if (const auto& w = (*words)[static_cast<std::size_t>(r.desc->point - 1)])
            block.setReceive(*w);
    }
    if (const SettingWord* w = page_.setupTransmitWord.find(s.radioType))
        block.setTransmit(*w);
    block.setRowSetting(r.desc->settingByte);

    SoftpotLink link(env_);
    link.open();
    if (pttCaption_ == k.onCaption || offUnconfirmed_ || (shared_ && shared_->mayBeOn)) {
        // The transmitter may still be on: unkey before anything else, and stop if the radio
        // does not confirm it.
        const bool posted = link.post(k.offFrame, k.setupOffPauseMs);
        const LinkResult got = posted ? link.awaitReply(k.setupOffWaitMs) : LinkResult::NoPort;
        if (got != LinkResult::Replied) {
            if (got == LinkResult::NoReply)
                link.reportNoReply();
            link.close();
            setPttLocked();
            changed();
            return;
        }
        if (k.setupOffSettleMs > 0)
            env_.clock.sleepMs(k.setupOffSettleMs);
        if (buttonsLockedByFailedOff_ && env_.session.flags.inTunerMode)
            setButtons(true);
        buttonsLockedByFailedOff_ = false;
        offUnconfirmed_ = false;
        keyedSinceMs_.reset();
        if (shared_)
            shared_->mayBeOn = false;
        noteTransmitter(env_.session, false);
    }
    pttCaption_ = std::string(k.idleCaption);
    keyed_ = false;
    changed();
    link.sendTxSetup(block.bytes());
    if (page_.sendStored)
        page_.sendStored(link, env_.session, *r.desc);
    link.close();
}

void SoftpotGroup::setPttLocked() {
    if (page_.ownProgram)
        setButtons(false);
    else
        pttEnabled_ = false; // the host's "Program" stays
    buttonsLockedByFailedOff_ = true;
}

void SoftpotGroup::setUp(int row, std::optional<long> hz) {
    PageOperations::Scope scope(*ops_);
    if (!scope.entered())
        return;
    programState_ = ProgramState::None;
    rowSetup(row, hz);
    changed();
}

void SoftpotGroup::leaveTab() {
    if (shared_ && mayTransmit())
        shared_->mayBeOn = true;
    pttCaption_ = std::string(page_.keying.idleCaption);
    changed();
}

bool SoftpotGroup::mayTransmit() const {
    return keyed_ || pttCaption_ == page_.keying.onCaption || offUnconfirmed_;
}

bool SoftpotGroup::offOwed() const {
    return page_.keying.hasButton && !keyed_ &&
           (offUnconfirmed_ || (shared_ && shared_->mayBeOn) || env_.session.transmitterMayBeOn);
}

std::string SoftpotGroup::pttButtonText() const {
    return offOwed() ? "Send " + std::string(page_.keying.offCaption) : pttCaption_;
}

std::string SoftpotGroup::pttButtonNote() const {
    if (!offOwed())
        return {};
    return "The transmitter may still be on: the radio has not confirmed a PTT off. This "
           "button sends PTT off until it does.";
}

void SoftpotGroup::transmitterOff() {
    keyed_ = false;
    offUnconfirmed_ = false;
    keyedSinceMs_.reset();
}

void SoftpotGroup::pttToggle() {
    if (!page_.keying.hasButton)
        return;
    PageOperations::Scope scope(*ops_);
    if (!scope.entered())
        return;
    programState_ = ProgramState::None;
    unkeyedByWatchdog_ = false;
    // While the transmitter's state is unknown the button only ever unkeys.
    switchTransmitter(keyed_ || offOwed());
}

void SoftpotGroup::switchTransmitter(bool unkeying) {
    const KeyingSpec& k = page_.keying;
    SoftpotLink link(env_);
    const std::string onFrame = k.onFrameCarriesCode ? CommandFrame::oneByte(Cmd::SubAudioOn, code_)
                                                     : std::string(k.onFrame);
    const bool posted = link.post(unkeying ? std::string(k.offFrame) : onFrame, k.buttonPauseMs);
    if (!unkeying && posted)
        noteTransmitter(env_.session, true);
    pttCaption_ = std::string(unkeying ? k.offCaption : k.onCaption);
    keyed_ = !unkeying;
    if (!unkeying && posted)
        keyedSinceMs_ = env_.clock.nowMs();
    // Keying makes the caption the record again; an unkeying counts only once confirmed.
    offUnconfirmed_ = false;
    changed();
    const LinkResult got = posted ? link.awaitReply(k.buttonWaitMs) : LinkResult::NoPort;
    if (got == LinkResult::NoReply && k.buttonReportsNoReply)
        link.reportNoReply();
    offUnconfirmed_ = unkeying && got != LinkResult::Replied;
    if (unkeying && !offUnconfirmed_)
        keyedSinceMs_.reset();
    if (shared_)
        shared_->mayBeOn = !unkeying || offUnconfirmed_;
    if (unkeying && got == LinkResult::Replied)
        noteTransmitter(env_.session, false);
    link.close();
    changed();
}

std::optional<int> SoftpotGroup::secondsToUnkey() const {
    if (!keyedSinceMs_ || !mayTransmit())
        return std::nullopt;
    const std::int64_t left =
        std::int64_t{GuardOptions::clampTransmitLimit(env_.session.guard.transmitLimitS)} * 1000 -
        (env_.clock.nowMs() - *keyedSinceMs_);
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

void SoftpotGroup::tick() {
    if (busy())
        return;
    const std::optional<int> left = secondsToUnkey();
    if (left && *left == 0) {
        PageOperations::Scope scope(*ops_);
        programState_ = ProgramState::None;
        switchTransmitter(true);
        keyedSinceMs_.reset(); // once: an unconfirmed off is left to the status line and closing
        unkeyedByWatchdog_ = true;
        shownCountdown_.reset();
        changed();
        return;
    }
    // The status line counts the last ten seconds down.
    const std::optional<int> shown = left && *left <= 10 ? left : std::nullopt;
    if (shown != shownCountdown_) {
        shownCountdown_ = shown;
        changed();
    }
}

void SoftpotGroup::unkeyForSafety() {
    if (!env_.session.flags.inTunerMode || !(mayTransmit() || (shared_ && shared_->mayBeOn)))
        return;
    PageOperations::Scope scope(*ops_);
    switchTransmitter(true);
    keyedSinceMs_.reset();
}

void SoftpotGroup::program() {
    PageOperations::Scope scope(*ops_);
    if (!scope.entered())
        return;
    storeWorkingTexts();
    SoftpotLink link(env_);
    const WriteOutcome outcome = link.writeRegion(env_.session, page_.region);
    link.close();
    programmed(outcome);
}

void SoftpotGroup::fillAbsentPoints(std::uint8_t presentMask) {
    // From point 4 down, so an absent point takes the values of the nearest present point
    // above it (or of point 5).
    for (int point = 4; point >= 1; --point) {
        if ((presentMask >> (point - 1) & 1u) != 0)
            continue;
        for (SoftpotRow& r : rows_) {
            if (r.desc->point != point)
                continue;
            for (const SoftpotRow& above : rows_)
                if (above.desc->point == point + 1 && above.desc->tag == r.desc->tag &&
                    above.desc->group == r.desc->group)
                    r.workingText = above.workingText;
        }
    }
}

void SoftpotGroup::storeWorkingTexts() {
    Session& s = env_.session;
    for (SoftpotRow& r : rows_) {
        // The working texts as they stand. A stored byte outside the range (a value the page
        // has shown but never changed) goes back unchanged; anything else is kept in range
        // rather than cut to its low 8 bits.
        const long typed = page_.scale.parse(r.workingText);
        const std::uint8_t stored = s.image[r.desc->imageByte];
        const long value = typed == stored ? typed : page_.scale.clamp(typed);
        if (value != typed)
            r.workingText = page_.scale.format(static_cast<int>(value));
        s.image[r.desc->imageByte] = static_cast<std::uint8_t>(value & 0xFF);
    }
}

void SoftpotGroup::programmed(WriteOutcome outcome) {
    // A refusal (NAK) is no more a programmed value than a missing answer, and a write the
    // read-back does not find is none at all.
    const bool confirmed = outcome == WriteOutcome::Confirmed;
    programState_ = confirmed                          ? ProgramState::Confirmed
                    : outcome == WriteOutcome::Differs ? ProgramState::Differs
                                                       : ProgramState::Unconfirmed;
    putTexts();
    // Default Softpot shows what the radio holds: only a confirmed write changes it. Otherwise
    // the new values are in the tuning image alone.
    if (confirmed) {
        for (SoftpotRow& r : rows_) {
            r.defaultText = r.workingText;
            r.controls.defaultSoftpot = r.workingText;
        }
    }
    changed();
}

void SoftpotGroup::acceptTypedValues() {
    for (SoftpotRow& r : rows_) {
        if (!isPending(r))
            continue;
        const int value = page_.scale.clamp(*page_.scale.read(r.controls.working));
        r.workingText = page_.scale.format(value);
        r.controls.position = value;
    }
}

void SoftpotGroup::programBeforeClose() {
    acceptTypedValues();
    program();
}

void SoftpotGroup::close() {
    PageOperations::Scope scope(*ops_);
    stopTakingSteps();
    const KeyingSpec& k = page_.keying;
    if (env_.session.flags.inTunerMode && (mayTransmit() || (shared_ && shared_->mayBeOn))) {
        SoftpotLink link(env_);
        if (link.exchange(k.offFrame, k.closeOffPauseMs, k.closeOffWaitMs) == LinkResult::Replied)
            noteTransmitter(env_.session, false);
        transmitterOff();
        keyedSinceMs_.reset();
        if (shared_)
            shared_->mayBeOn = false;
        link.close();
    }
    env_.replies.replyStatus.store(kStatusNone);
}

} // namespace korvelo
