#pragma once
// The shared rules of the alignment pages: opening, the scroll bar, spin and Enter paths that
// commit a row, the row setup, the keying state machine of the "PTT Toggle" button, "Program"
// and closing. UI-free: a dialog forwards its user events to the entry points below and
// mirrors the controls' state after each change (SoftpotView).
#include "radio/radio_state.h"
#include "radio/safe_exit.h"
#include "radio/write_check.h"
#include "softpot/engine/page_spec.h"
#include "softpot/engine/softpot_row.h"

#include <optional>
#include <string>
#include <vector>

namespace korvelo {

class SoftpotLink;

enum class ScrollCode {
    LineLeft,
    LineRight,
    PageLeft,
    PageRight,
    ThumbPosition,
    ThumbTrack,
    Top,
    Bottom
};

// How a row's values stand, for the dialog to mark the row.
struct RowMarks {
    bool pending = false;           // the edit holds a typed number that Enter has not taken
    bool storedOutOfRange = false;  // the Default Softpot value lies outside the page's scale
    bool workingOutOfRange = false; // so does the working value (the stored one, untouched)
    std::string note;               // says why, for a tooltip; empty when nothing is marked
};

// The dialog side. Both calls come on the user-interface thread, also in the middle of an
// operation (before a wait), so the window shows what the radio is being told.
class SoftpotView {
  public:
    virtual ~SoftpotView() = default;
    virtual void controlsChanged() = 0;
    virtual void focusScrollBar(int row) = 0;
};

// The transmitter that the pages of one dialog share. A page left by a tab change while it may
// be transmitting loses its "PTT ON" caption; this record keeps what the caption said, so that
// the next row setup on any page unkeys first and closing the dialog unkeys.
struct SharedTransmitter {
    bool mayBeOn = false;
};

class SoftpotGroup;

// The operations of the pages of one dialog run one at a time (a tab host's pages and its own
// Program and closing count as one). A step that comes during an operation (a key or click the
// window lets through while it waits) is kept by its page, shown at once, and committed when
// the last operation ends, so no press is lost and no second exchange starts.
class PageOperations {
  public:
    // One operation for its life. entered() is false when another was running: entry points
    // then do nothing. The end of the outermost commits the steps kept meanwhile.
    class Scope {
      public:
        explicit Scope(PageOperations& ops) : ops_(ops), entered_(!ops.running()) { ++ops_.depth_; }
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        bool entered() const { return entered_; }

      private:
        PageOperations& ops_;
        bool entered_;
    };

    bool running() const { return depth_ > 0; }
    void add(SoftpotGroup* page) { pages_.push_back(page); }
    void remove(SoftpotGroup* page) { std::erase(pages_, page); }

  private:
    void commitKeptSteps();
    int depth_ = 0;
    bool committing_ = false;
    std::vector<SoftpotGroup*> pages_;
};

class SoftpotGroup : public Keyer {
  public:
    // The frequency texts are fixed here, from the radio type of this moment. The page is
    // known to the session's exit path (Keyer) while it lives.
    SoftpotGroup(const AppEnv& env, const PageSpec& page);
    ~SoftpotGroup() override;
    SoftpotGroup(const SoftpotGroup&) = delete;
    SoftpotGroup& operator=(const SoftpotGroup&) = delete;

    void setView(SoftpotView* view) { view_ = view; }

    // Entry points, one per kind of user event.
    void open();
    void scroll(int row, ScrollCode code, int position = 0);
    void endScroll(int row);
    void spin(int row, int delta);
    void enter(int row);
    void pttToggle();
    void program();
    void close();

    // The transmit watchdog, on the session's clock: once the page has kept the transmitter
    // keyed for the session's limit (GuardOptions::transmitLimitS; a commit sent while keyed
    // starts the count again), it unkeys as "PTT Toggle" would, once. The page's widget calls
    // it from a timer; it acts between operations only.
    void tick();
    // Whole seconds until the watchdog unkeys (rounded up); nothing while the transmitter is
    // not keyed by the page.
    std::optional<int> secondsToUnkey() const;
    // PTT off when the page may have left the transmitter on (the exit path on a signal).
    void unkeyForSafety() override;

    // What the user typed into a row's Working Softpot edit (not yet taken by the page).
    void setWorkingEditText(int row, std::string text);
    // What a row's frequency edit shows (pages whose points can be typed).
    void setFrequencyEditText(int row, std::string text);

    // For a tab host.
    void setSharedTransmitter(SharedTransmitter* shared) { shared_ = shared; }
    void setOperations(PageOperations* ops);
    // True while an operation of the page's dialog runs and a step (spin, or a line or page step
    // of the scroll bar) would be kept for the commit that follows it.
    bool keepsSteps() const { return busy() && !closing_; }
    // The dialog closes: steps kept, or coming during its last waits, are not committed.
    void stopTakingSteps();
    // The next kept step, committed as one spin or end of scroll with the value it came to;
    // false when none is left (the dialog's operations call it when the last one ends).
    bool commitKeptStep();
    // Runs a row's setup as a commit would, without a value (the host, when a tab is entered).
    void setUp(int row, std::optional<long> hz = std::nullopt);
    // The entry picked in a code list (PageSpec::codeChoices); the next row setup of the
    // list's group takes its code.
    void selectCode(int choice, int entry);
    int selectedEntry(int choice) const { return selected_.at(static_cast<std::size_t>(choice)); }
    // The code "PTT Toggle" sends: the last row setup's, before any the first list's first.
    std::uint8_t code() const { return code_; }
    // The page's tab was left: its caption goes back to "PTT Toggle"; keyed stays as it is.
    void leaveTab();
    // "Program" in steps, for a host that writes several pages at once: points whose bit in
    // the mask is clear (bit p-1 for point p, points 1..4) take the working texts of the point
    // above; the working texts go into the image; after the writes the page shows the outcome
    // (Default Softpot follows only a confirmed write).
    void fillAbsentPoints(std::uint8_t presentMask);
    void storeWorkingTexts();
    // What the writes came to: Default Softpot follows only Confirmed.
    void programmed(WriteOutcome outcome);
    // Typed numbers not yet entered are taken as entered (without sending them).
    void acceptTypedValues();
    // The transmitter may be on because of this page: keyed, or the caption or an unconfirmed
    // PTT off says so.
    bool mayTransmit() const;
    // The transmitter's state is unknown (a PTT off the radio did not confirm, here or on
    // another page of the session or dialog) and the page has not keyed it: "PTT Toggle" offers
    // and sends PTT off, until the radio confirms one.
    bool offOwed() const;
    // What the button shows and says to assistive technology (the caption, or the offer of a
    // PTT off while offOwed), and its tool tip.
    std::string pttButtonText() const;
    std::string pttButtonNote() const;
    // The dialog has sent PTT off for all its pages.
    void transmitterOff();

    // Values that closing now would keep out of the radio: rows whose entered value differs
    // from their Default Softpot, and rows holding a typed number not yet entered. 0 when the
    // page cannot program (no tuner mode, no image).
    int unprogrammedCount() const;
    // "Program" as the closing question runs it: typed numbers are taken as entered first
    // (without sending them), so that what the user sees is what goes to the radio.
    void programBeforeClose();
    RowMarks marks(int row) const;

    // State the dialog mirrors.
    const PageSpec& page() const { return page_; }
    const Session& session() const { return env_.session; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const SoftpotRow& row(int i) const { return rows_.at(static_cast<std::size_t>(i)); }
    const std::string& pttCaption() const { return pttCaption_; }
    bool pttEnabled() const { return pttEnabled_; }
    bool programEnabled() const { return programEnabled_; }
    bool keyed() const { return keyed_; }
    bool busy() const { return ops_->running(); }
    const RowKey& currentRow() const { return currentRow_; }
    const std::optional<RowKey>& lastRow() const { return lastRow_; }
    // The row whose setup was started last (the row the radio is set up for), if any.
    std::optional<int> setUpRow() const { return setUpRow_; }
    // One line for the technician: which row the radio is set up for and whether the page
    // has keyed the transmitter, or why the controls are disabled.
    std::string statusText() const;

  private:
    SoftpotRow& at(int i) { return rows_.at(static_cast<std::size_t>(i)); }
    RowKey keyOf(const SoftpotRow& r) const;
    void takeTexts();
    void putTexts();
    // True when the committed row is the row of the last setup.
    bool rowCheck();
    // Step two of every commit: the live value (while keyed, or on the same row on pages
    // without keying), else the row setup.
    void sendOrSetUp(int row, int value, bool sameRow);
    // A spin to this value, the texts taken.
    void spinTo(int row, int value);
    std::string spinText(int value) const;
    // A step during an operation: the row shows its new value and is committed later.
    void keepStep(int row, bool spin, int value);
    bool isKept(int row) const;
    // Enter's value: the typed number in range, or for a number off the scale the stored value
    // (pages that refuse) or the nearest in range.
    int enteredValue(const SoftpotRow& r) const;
    void setPttLocked();
    void rowSetup(int row, std::optional<long> hz = std::nullopt);
    void setButtons(bool enabled);
    // PTT on or off as the button sends it, with the caption the button sets.
    void switchTransmitter(bool unkeying);
    // A typed text that is no number goes back to the row's working text; true when it did.
    bool restoreUnreadableText(SoftpotRow& r);
    bool isPending(const SoftpotRow& r) const;
    std::string pageStatus() const; // the status line without the watchdog's countdown
    std::string pendingText() const;
    void changed();
    void focus(int row);

    const AppEnv env_;
    const PageSpec& page_;
    std::vector<SoftpotRow> rows_;
    SoftpotView* view_ = nullptr;
    SharedTransmitter* shared_ = nullptr;

    RowKey currentRow_;
    std::optional<RowKey> lastRow_;
    std::optional<int> setUpRow_;
    // The outcome of the last Program, shown until the next commit or toggle.
    enum class ProgramState {
        None,
        Confirmed,
        Unconfirmed,
        Differs // the read-back found other values
    } programState_ = ProgramState::None;
    // A PTT off the radio did not confirm: the transmitter may still be on until a later PTT off
    // is confirmed (the row setup and closing send one). A page opens with the session's word
    // on it, since an earlier page may have left it so.
    bool offUnconfirmed_ = false;
    std::optional<int> lastTypedRow_;
    bool keyed_ = false;
    std::string pttCaption_;
    bool pttEnabled_ = false;
    bool programEnabled_ = false;
    bool buttonsLockedByFailedOff_ = false;
    // When the page keyed the transmitter, or last sent a value while keyed (clock ms); none
    // once the watchdog has acted or a PTT off was confirmed.
    std::optional<std::int64_t> keyedSinceMs_;
    bool unkeyedByWatchdog_ = false; // told on the status line until the next action
    std::optional<int> shownCountdown_;
    PageOperations ownOps_;
    PageOperations* ops_ = &ownOps_;
    // Rows with steps kept during an operation, in the order of their first step; spin or
    // scroll tells which commit they get.
    struct KeptStep {
        int row;
        bool spin;
    };
    std::vector<KeptStep> kept_;
    bool closing_ = false;
    std::vector<int> selected_;
    std::uint8_t code_ = 0;
};

} // namespace korvelo
