#include "app/encoder_section.h"

#include "app/meaning_section.h"
#include "app/monitor_text.h"
#include "sim/virtual_encoder.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>

namespace quorvan_app {

namespace {

QString CommandName(std::uint8_t command)
{
    using V = quorvan::VirtualEncoder;
    switch (command) {
    case 0:
        return QStringLiteral("none");
    case V::kCommandStore:
        return QStringLiteral("0x45 Store (RAM to EEPROM)");
    case V::kCommandReset:
        return QStringLiteral("0x52 Reset (EEPROM to RAM)");
    case V::kCommandCarrierOff:
        return QStringLiteral("0x30 Carrier off");
    case V::kCommandCarrierOn:
        return QStringLiteral("0x31 Carrier on");
    default:
        return QStringLiteral("0x%1 (unknown)").arg(MonitorHex2(command));
    }
}

} // namespace

EncoderSection::EncoderSection(QWidget* parent) : QGroupBox(QStringLiteral("Encoder"), parent)
{
    setObjectName(QStringLiteral("EncoderSection"));
    auto* chip = new QFormLayout(this);
    chip->setLabelAlignment(Qt::AlignRight);
    auto* powerRow = new QHBoxLayout;
    CBPower = new QCheckBox(QStringLiteral("Power"), this);
    CBPower->setObjectName(QStringLiteral("CBPower"));
    CBPower->setToolTip(QStringLiteral("Off: the encoder drives nothing on the bus. On: it starts with a reset."));
    LCarrier = new QLabel(this);
    LCarrier->setObjectName(QStringLiteral("LCarrier"));
    powerRow->addWidget(CBPower);
    powerRow->addSpacing(16);
    powerRow->addWidget(new QLabel(QStringLiteral("Carrier:"), this));
    powerRow->addWidget(LCarrier);
    powerRow->addStretch();
    chip->addRow(powerRow);
    LLastCommand = AddMonitorField(chip, QStringLiteral("Last command"), QStringLiteral("LLastCommand"));
    auto* statusRow = new QHBoxLayout;
    LStatus = new QLabel(this);
    LStatus->setObjectName(QStringLiteral("LStatus"));
    CBPilot = new QCheckBox(QStringLiteral("Pilot tone (bit 0)"), this);
    CBPilot->setObjectName(QStringLiteral("CBPilot"));
    CBStatusTA = new QCheckBox(QStringLiteral("TA (bit 1)"), this);
    CBStatusTA->setObjectName(QStringLiteral("CBStatusTA"));
    statusRow->addWidget(LStatus);
    statusRow->addSpacing(16);
    statusRow->addWidget(CBPilot);
    statusRow->addWidget(CBStatusTA);
    statusRow->addStretch();
    chip->addRow(QStringLiteral("Status 0x70"), statusRow);
    LSaveError = new QLabel(this);
    LSaveError->setObjectName(QStringLiteral("LSaveError"));
    LSaveError->setStyleSheet(QStringLiteral("color: #B00000"));
    LSaveError->hide();
    chip->addRow(LSaveError);

    connect(CBPilot, &QCheckBox::clicked, this, [this](bool on) { emit statusBitClicked(0, on); });
    connect(CBStatusTA, &QCheckBox::clicked, this, [this](bool on) { emit statusBitClicked(1, on); });
    connect(CBPower, &QCheckBox::clicked, this, &EncoderSection::powerClicked);
}

void EncoderSection::showEncoder(const quorvan::VirtualEncoder& encoder)
{
    CBPower->setChecked(encoder.powered());
    LCarrier->setText(!encoder.powered() ? QStringLiteral("off (no power)")
                      : encoder.carrier() ? QStringLiteral("on")
                                          : QStringLiteral("off"));
    LLastCommand->setText(CommandName(encoder.lastCommand()));
    LStatus->setText(QStringLiteral("0x%1").arg(MonitorHex2(encoder.status())));
    CBPilot->setChecked((encoder.status() & 1) != 0);
    CBStatusTA->setChecked((encoder.status() & 2) != 0);
}

void EncoderSection::showFileError(const std::string& error)
{
    LSaveError->setText(QString::fromStdString(error));
    LSaveError->setVisible(!error.empty());
}

} // namespace quorvan_app
