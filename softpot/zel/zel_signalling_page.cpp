#include "softpot/zel/zel_signalling_page.h"

#include "link/command_frame.h"
#include "link/reply_objects.h"
#include "softpot/engine/softpot_link.h"
#include "softpot/softpot_pages.h"

namespace korvelo {

namespace {

constexpr int kCheckTries = 5;
constexpr int kCheckPauseMs = 80;
constexpr int kCheckWaitMs = 3000;
constexpr int kCheckRetryMs = 50;
// The High Power softpot of the band's third point goes along with every row setup.
constexpr std::uint8_t kHighPower3 = 0x1A;

// Up to five questions; a radio that does not answer at all is not there, one that answers
// without the ACK has no ZEL signalling.
bool zelCheck(SoftpotLink& link) {
    if (!link.open())
        return false;
    const std::string frame = CommandFrame::noData(Cmd::ZelCheck);
    for (int t = 0; t < kCheckTries; ++t) {
        link.post(frame, kCheckPauseMs);
        if (link.awaitReply(kCheckWaitMs) != LinkResult::Replied) {
            link.notifier().notify(std::string(kNoRadioText), Icon::Information);
            return false;
        }
        if (link.link().replyStatus() == kStatusAck) {
            link.link().clearReplyStatus();
            return true;
        }
        link.link().clock().sleepMs(kCheckRetryMs);
    }
    link.notifier().notify(std::string(kNoZelText), Icon::Information);
    return false;
}

PageSpec makePage() {
    PageSpec p;
    p.title = "ZEL Siganling System Deviation";
    // The three rows share the band's one signalling frequency (label 1) and differ by tag.
    p.rows = {
        {"12.5 KHz", 1, {1175, 1021, 1032, 1035, 1016}, 0x3E, 31, 0x00, 32, {}},
        {"25 KHz", 1, {1084, 1022, 1033, 1036, 1017}, 0x3F, 32, 0x10, 32, {}},
        {"20 KHz", 1, {1085, 1023, 1034, 1037, 1111}, 0x40, 33, 0x30, 32, {}},
    };
    p.scale = ValueScale{63, 0, 1.0};
    p.initialText = "32";
    p.labels = LabelFamily::ZelSignalling;
    p.type1 = Type1::AsV2;
    p.identity = RowIdentity::TagOnly;
    p.enter = EnterRule::Clamp;
    p.store = ImageStore::OnCommit;
    p.spinTextWidth = 2;
    p.buttonsWithoutTunerMode = true;
    p.rowsAlwaysEnabled = true;
    p.openingPauseMs = 100;
    p.openingCheck = zelCheck;
    p.openingPreset.transmit = {
        {{0}, SettingWord{0xC1, 0x00, 0x60}},       {{1, 2}, SettingWord{0x0E, 0x01, 0x04}},
        {{3, 4, 9}, SettingWord{0xB5, 0x01, 0x44}}, {{5, 11}, SettingWord{0xF8, 0x01, 0x34}},
        {{6, 12}, SettingWord{0x3F, 0x02, 0x00}},   {{7, 8, 10}, SettingWord{0x4D, 0x02, 0x34}},
    };
    p.openingPreset.raster = BlockPreset::Raster::Always;
    // Without an image only the first two bytes start at 32: 0x40 also opens the TX mode
    // region and keeps its value.
    p.noImageBytes = std::vector<BytePreset>{{0x3E, 32}, {0x3F, 32}};

    const auto words = [](SettingWord w) {
        return PointWords{w, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    };
    p.receiveSettings = {
        {{0}, words({0xE2, 0x00, 0x30})},       {{1, 2}, words({0x46, 0x01, 0x34})},
        {{3, 4, 9}, words({0x7D, 0x01, 0x14})}, {{5, 11}, words({0xC0, 0x01, 0x24})},
        {{6, 12}, words({0x06, 0x02, 0x50})},   {{7, 8, 10}, words({0x15, 0x02, 0x04})},
    };
    p.rasterResetPoints = 0x01;
    p.invalidFrequencyText = "TX Frequency is not valid";
    p.region = WriteRegionSpec{0x3E, 3, 130, 3000};

    p.keying.idleCaption = "ZEL PTT Toggle";
    p.keying.onCaption = "ZEL PTT ON";
    p.keying.offCaption = "ZEL PTT OFF";
    p.keying.onFrame = "0202 4A 4C03";
    p.keying.offFrame = "0202 4B 4D03";
    p.keying.buttonWaitMs = 3000;

    p.sendLive = [](SoftpotLink& link, const Session&, const RowSpec&, int value) {
        link.sendSignallingValue(static_cast<std::uint8_t>(value));
    };
    p.sendStored = [](SoftpotLink& link, const Session& s, const RowSpec& row) {
        link.sendSignallingValue(s.image[row.imageByte]);
        link.sendPowerValue(s.image[kHighPower3]);
    };
    return p;
}

} // namespace

const PageSpec& zelSignallingPage() {
    static const PageSpec page = makePage();
    return page;
}

} // namespace korvelo
