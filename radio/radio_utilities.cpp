#include "radio/radio_utilities.h"

#include "link/radio_link.h"
#include "radio/image_record.h"
#include "radio/link_state.h"

#include <algorithm>

namespace korvelo {

namespace {
constexpr char kCommError[] = "Radio Communication Error!!";
constexpr std::size_t kPayloadAt = 2; // information payload in replyData

const char* infoName(Cmd command) {
    switch (command) {
    case Cmd::FwVersion:
        return "FW Version";
    case Cmd::SerialNumber:
        return "Serial Number";
    case Cmd::CountryCode:
        return "Country Code";
    default:
        return "information";
    }
}

// The payload of the data reply in replyData, consumed: only the bytes the reply declared
// (the low byte of its length, as the assembler takes it); what follows them is the checksum
// and the end byte, or an older reply.
std::vector<std::uint8_t> takePayload(RadioLink& link, std::size_t bytes) {
    const auto reply = link.replyDataCopy();
    const std::size_t declared = std::min<std::size_t>(reply[1], reply.size() - kPayloadAt);
    std::vector<std::uint8_t> data(
        reply.begin() + kPayloadAt,
        reply.begin() + static_cast<std::ptrdiff_t>(kPayloadAt + std::min(bytes, declared)));
    link.clearReplyStatus();
    return data;
}

void appendChar(std::string& text, std::uint8_t c) {
    if (c != 0)
        text.push_back(static_cast<char>(c));
}
} // namespace

bool passPortFaultGate(const AppEnv& env) {
    if (!env.session.flags.portFault)
        return true;
    std::string text = kCommError;
    if (!env.session.portFaultReason.empty())
        text += "\n" + env.session.portFaultReason;
    env.notifier.notify(text, Icon::Exclamation);
    return false;
}

bool ResetRadio(const AppEnv& env) {
    RadioLink link(env.linkEnv());
    link.OpenPort();
    // A port that cannot be opened has been reported once; five silent attempts would only
    // add a second message.
    if (env.session.flags.portFault)
        return false;
    constexpr int kAttempts = 5;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        link.waitingFor("Reset", attempt + 1, kAttempts);
        link.sendAndWait(CommandFrame::reset(), 100, 2500);
        if (link.replyStatus() == kStatusAck) {
            link.clearReplyStatus();
            env.session.flags.inTunerMode = false;
            env.session.flags.imageLoaded = false;
            noteTunerModeLeft(env.session);
            return true;
        }
    }
    link.close();
    env.notifier.notify(kCommError, Icon::Exclamation);
    return false;
}

InfoRead readRadioInfo(const AppEnv& env, Cmd command, std::size_t bytes) {
    RadioLink link(env.linkEnv());
    link.OpenPort();
    if (env.session.flags.portFault)
        return {InfoOutcome::PortFailed, {}, {}};
    link.waitingFor(infoName(command));
    if (!link.sendAndWait(CommandFrame::noData(command), 100, 5000)) {
        link.close();
        env.notifier.notify("Please Power On or Change the cable.", Icon::Information);
        return {InfoOutcome::NoAnswer, {}, {}};
    }
    const std::uint8_t status = link.replyStatus();
    if (status != kStatusData) { // the status is left as it stands
        const std::string what = std::string("the ") + infoName(command) + " read";
        return {InfoOutcome::BadReply,
                {},
                status == kStatusNak ? "The radio refused " + what + " (NAK)."
                : status == kStatusAck
                    ? "The radio answered " + what + " with an ACK, not its data."
                    : "The radio's answer to " + what +
                          " could not be read (a bad checksum or a broken "
                          "frame)."};
    }
    return {InfoOutcome::Ok, takePayload(link, bytes), {}};
}

std::optional<std::vector<std::uint8_t>> readInfoOnLink(RadioLink& link, Cmd command,
                                                        std::size_t bytes) {
    link.waitingFor(infoName(command));
    if (!link.sendAndWait(CommandFrame::noData(command), 100, 5000) ||
        link.replyStatus() != kStatusData)
        return std::nullopt;
    return takePayload(link, bytes);
}

std::string formatFwVersion(std::span<const std::uint8_t> data) {
    std::string text = (!data.empty() && data[0] == 'D') ? "D" : "R";
    for (std::size_t i = 1; i < 5; ++i) {
        if (i == 3)
            text.push_back('.');
        appendChar(text, i < data.size() ? data[i] : 0);
    }
    return text;
}

std::string formatSerialNumber(std::span<const std::uint8_t> data) {
    std::string text;
    for (std::uint8_t c : data.first(std::min<std::size_t>(data.size(), 10)))
        appendChar(text, c);
    return text;
}

int countryIndex(std::uint8_t code) {
    if (code == 255)
        return 0;
    return code <= 2 ? code : -1;
}

namespace {

// What the panel and the dialogs show for an answer; nothing without one.
std::optional<std::string> answerText(const InfoRead& r,
                                      std::string (*format)(std::span<const std::uint8_t>)) {
    switch (r.outcome) {
    case InfoOutcome::Ok:
        return format(r.data);
    case InfoOutcome::BadReply:
        return std::string(kReadFail);
    case InfoOutcome::NoAnswer:
    case InfoOutcome::PortFailed:
        break;
    }
    return std::nullopt;
}

std::string countryText(std::span<const std::uint8_t> data) {
    if (data.empty())
        return std::string(kReadFail);
    const int index = countryIndex(data[0]);
    const std::string number = "code " + std::to_string(data[0]);
    if (index <= 0) // the empty entry, or none
        return number;
    return std::string(kCountryEntries[index]) + " (" + number + ")";
}

} // namespace

std::optional<std::string> ReadFwVersion(const AppEnv& env) {
    const auto text = answerText(readRadioInfo(env, Cmd::FwVersion, 5), formatFwVersion);
    if (text)
        recordIdentity(env.session, {text, std::nullopt, std::nullopt});
    return text;
}

std::optional<std::string> ReadSerialNumber(const AppEnv& env) {
    const auto text = answerText(readRadioInfo(env, Cmd::SerialNumber, 10), formatSerialNumber);
    if (text)
        recordIdentity(env.session, {std::nullopt, text, std::nullopt});
    return text;
}

std::optional<int> ReadCountryCode(const AppEnv& env) {
    const InfoRead r = readRadioInfo(env, Cmd::CountryCode, 1);
    if (const auto text = answerText(r, countryText))
        recordIdentity(env.session, {std::nullopt, std::nullopt, text});
    switch (r.outcome) {
    case InfoOutcome::Ok:
        // A reply without its byte is no answer to the question.
        return r.data.empty() ? 0 : countryIndex(r.data[0]);
    case InfoOutcome::BadReply:
        return 0;
    case InfoOutcome::NoAnswer:
    case InfoOutcome::PortFailed:
        break;
    }
    return std::nullopt;
}

bool IdentifyRadio(const AppEnv& env) {
    // Each read records what it got; the first without an answer ends the run (one message).
    return ReadFwVersion(env) && ReadSerialNumber(env) && ReadCountryCode(env);
}

void identifyForRecord(const AppEnv& env) {
    if (!env.session.recorder || !env.session.record.radioRead)
        return;
    // Tuning Init has asked for the serial number already (for the backup's name): each item
    // is asked once per read.
    if (!env.session.identity.serialNumber) {
        IdentifyRadio(env);
        return;
    }
    if (ReadFwVersion(env))
        ReadCountryCode(env);
}

bool LeaveTunerMode(const AppEnv& env) {
    if (!env.session.flags.inTunerMode)
        return false;
    RadioLink link(env.linkEnv());
    link.OpenPort();
    // Whether the port opens now is what counts: a fault flag left from an earlier action
    // must not keep the radio in tuner mode.
    if (!link.isOpen())
        return false;
    const bool answered = link.sendAndWait(CommandFrame::leaveTunerMode(), 30, 1000);
    if (answered)
        noteTunerModeLeft(env.session);
    return answered;
}

} // namespace korvelo
