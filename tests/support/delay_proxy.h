// A round trip on loopback: a TCP proxy (tests/servers/delay_proxy.py) that
// passes each chunk on a given time later in each direction.
#pragma once

#include <string>

#include "support/servers.h"

namespace loopback {

class CDelayProxy : public CServerProcess {
public:
    // Connections to Port() reach 127.0.0.1:targetPort, each chunk
    // delayMsEachWay later each way (a round trip of twice that).
    bool Start(int targetPort, int delayMsEachWay, const std::string& logFile);
};

}  // namespace loopback
