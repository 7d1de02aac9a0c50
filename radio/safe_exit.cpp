#include "radio/safe_exit.h"

#include "radio/radio_utilities.h"

#include <vector>

namespace korvelo {

bool leaveRadioSafe(const AppEnv& env) {
    // A page may unregister while it unkeys (its dialog closing): work on a copy.
    const std::vector<Keyer*> keyers = env.session.keyers;
    for (Keyer* k : keyers)
        k->unkeyForSafety();
    return LeaveTunerMode(env);
}

} // namespace korvelo
