#include "link/port_provider.h"

#include "link/comm_channel.h"

namespace korvelo {

std::unique_ptr<Channel> FixedPortProvider::makeChannel(ReplyObjects& replies) {
    return std::make_unique<CommChannel>(replies);
}

} // namespace korvelo
