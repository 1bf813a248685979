#include "support/delay_proxy.h"

#include <iostream>

namespace loopback {

bool CDelayProxy::Start(int targetPort, int delayMsEachWay, const std::string& logFile)
{
    const int port = PickFreePort();
    const bool started = CServerProcess::Start({"/usr/bin/python3", std::string(QM_SOURCE_DIR) + "/tests/servers/delay_proxy.py",
                                                "--port", std::to_string(port), "--target", std::to_string(targetPort),
                                                "--delay-ms", std::to_string(delayMsEachWay)},
                                               port, logFile);
    if (!started)
        std::cerr << "The delaying proxy did not start (see " << logFile << ")\n";
    return started;
}

}  // namespace loopback
