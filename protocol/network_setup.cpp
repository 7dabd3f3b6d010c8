#include "protocol/network_setup.h"

#include "base/open_windows.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Four 0-255 boxes for one dotted address.
class AddressEdit : public QWidget {
public:
    explicit AddressEdit(const Address& value, QWidget* parent = nullptr) : QWidget(parent) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        for (std::size_t i = 0; i < 4; ++i) {
            m_boxes[i] = new QSpinBox(this);
            m_boxes[i]->setRange(0, 255);
            m_boxes[i]->setValue(value[i]);
            layout->addWidget(m_boxes[i]);
            if (i < 3) layout->addWidget(new QLabel(QStringLiteral("."), this));
        }
    }
    Address Value() const {
        Address a{};
        for (std::size_t i = 0; i < 4; ++i)
            a[i] = static_cast<uint8_t>(m_boxes[i]->value());
        return a;
    }

private:
    std::array<QSpinBox*, 4> m_boxes{};
};

QDialog* MakeDialog(const QString& title, QFormLayout*& form) {
    auto* dialog = new QDialog(Windows().frmMain);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    form = new QFormLayout;
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog;
}

class QtNetworkSetup final : public NetworkSetup {
public:
    int NetboxSetupDlg(const Address& current, Address& newAddress) override {
        QFormLayout* form = nullptr;
        std::unique_ptr<QDialog> dialog(MakeDialog(QStringLiteral("Change IP"), form));
        auto* edit = new AddressEdit(current, dialog.get());
        form->addRow(QStringLiteral("Camera IP address:"), edit);
        if (dialog->exec() != QDialog::Accepted) return 0;
        newAddress = edit->Value();
        return 1;
    }

    int TcpIpSetupDlg(const Address& address, uint8_t maskBits, const Address& gateway, Address& newAddress,
                      uint8_t& newMaskBits, Address& newGateway) override {
        QFormLayout* form = nullptr;
        std::unique_ptr<QDialog> dialog(MakeDialog(QStringLiteral("TCP/IP"), form));
        auto* ip = new AddressEdit(address, dialog.get());
        auto* mask = new QSpinBox(dialog.get());
        mask->setRange(0, 31);
        mask->setValue(maskBits);
        auto* gw = new AddressEdit(gateway, dialog.get());
        form->addRow(QStringLiteral("IP address:"), ip);
        form->addRow(QStringLiteral("Subnet mask bits:"), mask);
        form->addRow(QStringLiteral("Gateway:"), gw);
        if (dialog->exec() != QDialog::Accepted) return 0;
        newAddress = ip->Value();
        newMaskBits = static_cast<uint8_t>(mask->value());
        newGateway = gw->Value();
        // Send only what the operator changed.
        const bool addressChanged = newAddress != address || newMaskBits != maskBits;
        const bool gatewayChanged = newGateway != gateway;
        return (addressChanged ? 1 : 0) | (gatewayChanged ? 2 : 0);
    }
};

QtNetworkSetup g_qtSetup;
NetworkSetup* g_setup = &g_qtSetup;

} // namespace

NetworkSetup& Network() {
    return *g_setup;
}
void SetNetworkSetup(NetworkSetup* setup) {
    g_setup = setup ? setup : &g_qtSetup;
}
