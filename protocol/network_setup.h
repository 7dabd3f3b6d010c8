// The two network set-up dialogs of the main window: "Change IP" (the address this program
// connects to) and "TCP/IP" (the camera's own address, mask and gateway). Plain dialogs of our
// own; the main window reaches them through this interface so a test can answer them.
#pragma once

#include <array>
#include <cstdint>

using Address = std::array<uint8_t, 4>;

class NetworkSetup {
public:
    virtual ~NetworkSetup() = default;
    // Non-zero when the operator confirmed a new address (written to newAddress).
    virtual int NetboxSetupDlg(const Address& current, Address& newAddress) = 0;
    // 1: new address and mask bits; 2: new gateway; 3: both; anything else: nothing to send.
    virtual int TcpIpSetupDlg(const Address& address, uint8_t maskBits, const Address& gateway,
                              Address& newAddress, uint8_t& newMaskBits, Address& newGateway) = 0;
};

// The dialogs in use (the Qt ones unless a test installed others).
NetworkSetup& Network();
void SetNetworkSetup(NetworkSetup* setup);
