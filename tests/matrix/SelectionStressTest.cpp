// A present counter selected a thousand times while four spinning processes
// keep both cores busy: not one selection may miss the counter's echo. The
// simulated counter runs ahead of the load where the system permits, as
// hardware of its own would.

#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "model/CSensor.h"
#include "sim/CSimNetwork.h"
#include "support/CBusyLoad.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

TEST(SelectionStressTest, LoadedMachineNeverMissesAnEcho) {
    CSimNetwork net;
    CSimPort& port = net.AddPort(5);
    SimCounterConfig counter;
    counter.address = 9;
    counter.model = "KTR-100\r\n";
    port.AddCounter(counter);
    port.SetPacing(true);
    port.SetUrgent();
    ::setenv("KTRSETUP_PORT_DIR", net.PortDir().c_str(), 1);

    CBusyLoad load(4, 0);
    CSerialPort serial;
    ASSERT_EQ(serial.Open(5), PortOpenFailure::None);
    CCounterLink link(&serial);
    CSensor sensor;
    sensor.SetPort(5);
    sensor.SetAddress(9);
    int missed = 0;
    for (int i = 0; i < 1000; ++i) {
        const LinkResult result = link.SelectAddress(sensor);
        link.EndCommand();
        if (!result.Ok())
            ADD_FAILURE() << "selection " << i << ": " << DescribeLinkResult(result);
        missed += result.Ok() ? 0 : 1;
    }
    std::printf("1000 selections under load: %d missed\n", missed);
    ::unsetenv("KTRSETUP_PORT_DIR");
}
