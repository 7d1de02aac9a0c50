#include "softpot/txsubaudio/tx_sub_audio_dialog.h"

#include "softpot/txsubaudio/tx_sub_audio_pages.h"

namespace korvelo {

CTxSubTone::CTxSubTone(AppEnv& env, QWidget* parent)
    : SoftpotTabDialog(env, txSubAudioHost(), parent) {
    setPages({new CTxSubTone_125Dlg(host().page(0)), new CTxSubTone_25Dlg(host().page(1)),
              new CTxSubTone_20Dlg(host().page(2))});
}

} // namespace korvelo
