#include "radio/tuning_regions.h"

#include "link/command_frame.h"

namespace korvelo {

std::string_view ownerName(RegionOwner owner) {
    switch (owner) {
    case RegionOwner::TxModulationAk:
        return "TX modulation (AK2347)";
    case RegionOwner::TxPower:
        return "TX power";
    case RegionOwner::RxSquelch:
        return "RX squelch";
    case RegionOwner::ZelSignalling:
        return "ZEL signalling deviation";
    case RegionOwner::TxMode:
        return "TX mode (AK2347)";
    case RegionOwner::SquelchPointMask:
        return "RX squelch point mask";
    case RegionOwner::CmxTxSetup:
        return "CMX148 TX setup";
    case RegionOwner::TxModulationCmx:
        return "TX modulation (CMX148)";
    case RegionOwner::TxSubAudio:
        return "TX sub-audio";
    case RegionOwner::CmxRxSetup:
        return "CMX148 RX setup";
    }
    return "?";
}

std::string writeRegionFrame(const TuningImage& image, const Region& region,
                             bool is256BlockMemory) {
    const auto bytes = image.bytes().subspan(region.offset, region.count);
    return CommandFrame::writeRegion(tuningBase(is256BlockMemory), region.offset, bytes);
}

} // namespace korvelo
