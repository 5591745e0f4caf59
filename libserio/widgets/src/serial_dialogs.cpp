// SPDX-License-Identifier: BSD-2-Clause
#include <serio/widgets/serial_dialogs.h>

#include "lang_text.h"

#include <common/globalization.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using serio::widgets::Fill;
using serio::widgets::Text;

// A list entry: a number shown as it is, or a word of section "SerialDialog".
struct Entry {
    const char* text;
    int value;
    const char* key = nullptr;
};

// Fills a list and selects the entry of value; a value without an entry
// leaves the list without selection.
QComboBox* MakeList(std::initializer_list<Entry> entries, int value)
{
    auto* list = new QComboBox;
    for (const Entry& e : entries)
        list->addItem(e.key ? Text("SerialDialog", e.key) : QString::fromLatin1(e.text), e.value);
    list->setCurrentIndex(list->findData(value));
    return list;
}

QDialogButtonBox* OkCancel(QDialog* dlg, bool languageTexts)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    if (languageTexts) {
        buttons->button(QDialogButtonBox::Ok)->setText(Text("DialogCommon", "btnOk"));
        buttons->button(QDialogButtonBox::Cancel)->setText(Text("DialogCommon", "btnCancel"));
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    return buttons;
}

void ConnectPortList(QComboBox* list, serio::SerialSettings& settings)
{
    QObject::connect(list, &QComboBox::currentIndexChanged, list, [list, &settings](int index) {
        if (index < 0)
            return;
        settings.nPort = index + 1;
        settings.strDevice = list->itemData(index).toString().toStdString();
    });
}

// Why a device cannot be opened, in the list's words; empty when it opens.
QString ProblemText(const serio::PortProblem& p)
{
    auto say = [](const char* key, const char* english) {
        const QString text = Text("SerialDialog", key);
        return text.isEmpty() ? QString::fromUtf8(english) : text;
    };
    switch (p.error) {
    case 0: return {};
    case EACCES:
    case EPERM: return Fill(say("PortNoPermission", "no permission: %s"), {QString::fromStdString(p.access)});
    case EBUSY:
        return p.holder.empty() ? say("PortInUseUnknown", "in use by another program")
                                : Fill(say("PortInUse", "in use by %s"), {QString::fromStdString(p.holder)});
    case ENOENT:
    case ENXIO:
    case ENODEV: return say("PortMissing", "not present");
    default:
        return Fill(say("PortFails", "cannot be opened: %s"), {QString::fromLocal8Bit(std::strerror(int(p.error)))});
    }
}

} // namespace

int FillSerialPortList(QComboBox* list, const serio::SerialSettings& settings)
{
    list->clear();
    const std::string current = serio::ResolveSerialDevice(settings.nPort, settings.strDevice);
    std::vector<std::string> devices = serio::EnumerateSerialDevices();
    // A stored choice that is not a path (the program's own entries) is
    // the caller's to add.
    if (!current.empty() && current[0] == '/' && std::find(devices.begin(), devices.end(), current) == devices.end())
        devices.push_back(current);
    int selected = -1;
    for (const std::string& device : devices) {
        const serio::PortProblem problem = serio::ProbePort(device);
        // A built-in port name without its hardware behind it is no device.
        const bool absent = problem.error == ENXIO || problem.error == ENODEV || problem.error == EIO ||
                            problem.error == ENOENT;
        if (absent && device != current)
            continue;
        if (device == current)
            selected = list->count();
        QString text = QString::fromStdString(device);
        if (const QString why = ProblemText(problem); !why.isEmpty())
            text += QStringLiteral(" \u2014 ") + why;
        else if (const std::string product = serio::SerialDeviceProduct(device); !product.empty())
            text += QStringLiteral(" \u2014 ") + QString::fromStdString(product);
        list->addItem(text, QString::fromStdString(device));
    }
    // Never another entry in place of the stored one: choosing a port is the user's.
    list->setCurrentIndex(selected);
    return list->count();
}

void AddPortEntry(QComboBox* list, const serio::SerialSettings& settings, const QString& text, const QString& device)
{
    list->addItem(text, device);
    if (settings.strDevice == device.toStdString())
        list->setCurrentIndex(list->count() - 1);
}

void CSerialSetupDlg::AddPortEntry(const QString& text, const QString& device)
{
    ::AddPortEntry(m_port, m_given, text, device);
}

void CSerialPortDlg::AddPortEntry(const QString& text, const QString& device)
{
    ::AddPortEntry(m_port, m_given, text, device);
}

CSerialSetupDlg::CSerialSetupDlg(const serio::SerialSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_given(settings), m_form(new QFormLayout), m_port(new QComboBox)
{
    setWindowTitle(Text("SerialDialog", "SetupTitle"));
    FillSerialPortList(m_port, m_settings);
    if (m_port->currentIndex() >= 0) {
        m_settings.nPort = m_port->currentIndex() + 1;
        m_settings.strDevice = m_port->currentData().toString().toStdString();
    }
    m_packet = MakeList({{"128", 128}, {"256", 256}, {"512", 512}, {"1024", 1024}, {"2048", 2048}, {"4096", 4096}},
                        int(m_settings.dwQueueSize));
    m_baud = MakeList({{"4800", 4800}, {"9600", 9600}, {"19200", 19200}, {"38400", 38400}, {"57600", 57600},
                       {"115200", 115200}},
                      m_settings.eBaudrate);
    m_data = MakeList({{nullptr, 7, "Bits7"}, {nullptr, 8, "Bits8"}}, m_settings.eDataBits);
    m_parity = MakeList({{nullptr, 2, "Even"}, {nullptr, 1, "Odd"}, {nullptr, 0, "None"}}, m_settings.eParity);
    m_stop = MakeList({{nullptr, 0, "Stop1"}, {nullptr, 2, "Stop2"}}, m_settings.eStopBits);
    m_flow = MakeList({{nullptr, 2, "FlowSoft"}, {nullptr, 1, "FlowHard"}, {nullptr, 0, "None"}}, m_settings.eHandshake);

    ConnectPortList(m_port, m_settings);
    auto bind = [](QComboBox* list, auto setter) {
        QObject::connect(list, &QComboBox::currentIndexChanged, list, [list, setter](int index) {
            if (index >= 0)
                setter(list->itemData(index).toInt());
        });
    };
    bind(m_packet, [this](int v) { m_settings.dwQueueSize = DWORD(v); });
    bind(m_baud, [this](int v) { m_settings.eBaudrate = CSerial::EBaudrate(v); });
    bind(m_data, [this](int v) { m_settings.eDataBits = CSerial::EDataBits(v); });
    bind(m_parity, [this](int v) { m_settings.eParity = CSerial::EParity(v); });
    bind(m_stop, [this](int v) { m_settings.eStopBits = CSerial::EStopBits(v); });
    bind(m_flow, [this](int v) { m_settings.eHandshake = CSerial::EHandshake(v); });

    QFormLayout* form = m_form;
    form->addRow(Text("SerialDialog", "Port"), m_port);
    form->addRow(Text("SerialDialog", "Baud"), m_baud);
    form->addRow(Text("SerialDialog", "Data"), m_data);
    form->addRow(Text("SerialDialog", "Parity"), m_parity);
    form->addRow(Text("SerialDialog", "Stop"), m_stop);
    form->addRow(Text("SerialDialog", "Flow"), m_flow);
    form->addRow(Text("SerialDialog", "Packet"), m_packet);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(OkCancel(this, true));
}

CSerialPortDlg::CSerialPortDlg(const serio::SerialSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_given(settings), m_port(new QComboBox), m_label(new QLabel)
{
    setWindowTitle(Text("SerialDialog", "PortTitle"));
    m_label->setText(Text("SerialDialog", "Port"));
    m_label->setBuddy(m_port);
    FillSerialPortList(m_port, m_settings);
    if (m_port->currentIndex() >= 0) {
        m_settings.nPort = m_port->currentIndex() + 1;
        m_settings.strDevice = m_port->currentData().toString().toStdString();
    }
    ConnectPortList(m_port, m_settings);
    auto* form = new QFormLayout;
    form->addRow(m_label, m_port);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(OkCancel(this, true));
}

CSerialProgressDlg::CSerialProgressDlg(DWORD dwMaximum, int bSending, QWidget* parent)
    : QDialog(parent), m_bar(new QProgressBar), m_status(new QLabel), m_cancel(new QPushButton)
{
    setWindowTitle(Text("SerialDialog", bSending ? "Sending" : "Reading"));
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    // The bar's range is an int; byte counts beyond it are scaled alike.
    m_bar->setRange(0, int(std::min<DWORD>(dwMaximum, DWORD(INT32_MAX))));
    m_bar->setValue(0);
    m_status->setObjectName(QStringLiteral("ProgressStatus"));
    m_cancel->setObjectName(QStringLiteral("ProgressCancel"));
    m_cancel->setText(Text("DialogCommon", "btnCancel"));
    m_cancel->setAutoDefault(false);
    m_cancel->hide(); // shown once there is something to cancel
    connect(m_cancel, &QPushButton::clicked, this, &CSerialProgressDlg::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_status);
    column->addWidget(m_bar);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_cancel);
    column->addLayout(row);
    resize(360, 100);
}

void CSerialProgressDlg::ApplyPosition()
{
    const DWORD pos = std::min<DWORD>(m_position.load(), DWORD(m_bar->maximum()));
    m_bar->setValue(int(pos));
}

void CSerialProgressDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CSerialProgressDlg::closeEvent(QCloseEvent* event) { event->ignore(); }

void CSerialProgressDlg::reject()
{
    if (!m_onCancel)
        return;
    m_cancel->setEnabled(false);
    m_onCancel();
}

bool CSerialSetupUi::EditSerialSettings(serio::SerialSettings& settings, bool portOnly)
{
    if (portOnly) {
        CSerialPortDlg dlg(settings, m_parent);
        if (dlg.exec() != QDialog::Accepted)
            return false;
        settings = dlg.Settings();
        return true;
    }
    CSerialSetupDlg dlg(settings, m_parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    settings = dlg.Settings();
    return true;
}

namespace {

// Lives as long as CPacket keeps it; the window is a GUI object, so it is
// only touched through queued calls and deleted with deleteLater.
class ProgressAdapter : public serio::ISerialProgress {
public:
    explicit ProgressAdapter(CSerialProgressDlg* dlg) : m_dlg(dlg) {}
    ~ProgressAdapter() override { m_dlg->deleteLater(); }
    void OnProgressMessage(DWORD dwBytes) override { m_dlg->StorePosition(dwBytes); }
    void RefreshPosition() override
    {
        CSerialProgressDlg* dlg = m_dlg;
        QMetaObject::invokeMethod(dlg, [dlg] { dlg->ApplyPosition(); }, Qt::QueuedConnection);
    }
    void OnStatus(const std::string& text) override { SetStatus(QString::fromStdString(text)); }
    void OnWaiting(int attempt, int tries) override
    {
        QString text = Text("SerialDialog", "WaitAnswer");
        if (text.isEmpty())
            text = QStringLiteral("Waiting for the board's answer (try %s of %s)\u2026");
        SetStatus(Fill(text, {QString::number(attempt), QString::number(tries > 0 ? tries : attempt)}));
    }

private:
    void SetStatus(const QString& text)
    {
        CSerialProgressDlg* dlg = m_dlg;
        QMetaObject::invokeMethod(dlg, [dlg, text] { dlg->Status()->setText(text); }, Qt::QueuedConnection);
    }

    CSerialProgressDlg* m_dlg;
};

} // namespace

std::unique_ptr<serio::ISerialProgress> CPacketOwnerWidget::CreateProgressWindow(const char* title, DWORD dwTotal)
{
    const bool sending = title && QByteArray(title).startsWith("Send");
    auto* dlg = new CSerialProgressDlg(dwTotal, sending, m_owner);
    dlg->setModal(false);
    if (m_onCancel) {
        dlg->SetCancelHandler(m_onCancel);
        dlg->CancelButton()->show();
    }
    // The owner keeps the keyboard: the user may go on working meanwhile.
    dlg->setAttribute(Qt::WA_ShowWithoutActivating);
    if (m_owner) {
        const QRect o = m_owner->frameGeometry();
        const POINT at = serio::CenterOver(RECT{o.left(), o.top(), o.right() + 1, o.bottom() + 1},
                                           SIZE{dlg->width(), dlg->height()});
        dlg->move(at.x, at.y);
    }
    dlg->show();
    return std::make_unique<ProgressAdapter>(dlg);
}
