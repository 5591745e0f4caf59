// SPDX-License-Identifier: BSD-2-Clause
// The serial link's dialogs: the full port set-up, the port choice alone,
// and the progress window that CPacket shows during long transfers; plus the
// adapters that plug them into CSerialEx::SerialSetup and CPacket.
#pragma once

#include <serio/packet.h>
#include <serio/serial_ex.h>

#include <QDialog>
#include <QPointer>

#include <atomic>
#include <functional>

class QComboBox;
class QFormLayout;
class QLabel;
class QProgressBar;
class QPushButton;

// Fills a list with the serial devices present, and the device the settings
// name, each shown by its path and either why it does not open now ("no
// permission: root:dialout 0660", "in use by minicom (pid 812)") or, where
// the system knows it, the adapter's product; selects the settings' device
// and nothing else. Returns the number of entries. Entry data: the device
// path; the port number of an entry is its position + 1.
int FillSerialPortList(QComboBox* list, const serio::SerialSettings& settings);
// Appends an entry of the program's own (device is its data) to a port list
// filled as above, selecting it when it is the device the settings name.
void AddPortEntry(QComboBox* list, const serio::SerialSettings& settings, const QString& text,
                  const QString& device);

class CSerialSetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSerialSetupDlg(const serio::SerialSettings& settings, QWidget* parent = nullptr);
    const serio::SerialSettings& Settings() const { return m_settings; }

    QComboBox* PortList() const { return m_port; }
    QComboBox* BaudList() const { return m_baud; }
    QComboBox* DataList() const { return m_data; }
    QComboBox* ParityList() const { return m_parity; }
    QComboBox* StopList() const { return m_stop; }
    QComboBox* FlowList() const { return m_flow; }
    QComboBox* PacketList() const { return m_packet; }
    // The rows of the form, for callers that add rows of their own.
    QFormLayout* Form() const { return m_form; }
    // See ::AddPortEntry; the entry's choice is stored like any port's.
    void AddPortEntry(const QString& text, const QString& device);

private:
    serio::SerialSettings m_settings;
    serio::SerialSettings m_given;
    QFormLayout* m_form;
    QComboBox* m_port;
    QComboBox* m_baud;
    QComboBox* m_data;
    QComboBox* m_parity;
    QComboBox* m_stop;
    QComboBox* m_flow;
    QComboBox* m_packet;
};

class CSerialPortDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSerialPortDlg(const serio::SerialSettings& settings, QWidget* parent = nullptr);
    const serio::SerialSettings& Settings() const { return m_settings; }
    QComboBox* PortList() const { return m_port; }
    void AddPortEntry(const QString& text, const QString& device);

private:
    serio::SerialSettings m_settings;
    serio::SerialSettings m_given;
    QComboBox* m_port;
    QLabel* m_label;
};

// The progress of one exchange: what it does in words, the bar over the
// bytes moved, and Cancel (also Escape), which calls the cancel handler.
class CSerialProgressDlg : public QDialog {
    Q_OBJECT
public:
    CSerialProgressDlg(DWORD dwMaximum, int bSending, QWidget* parent = nullptr);
    QProgressBar* Bar() const { return m_bar; }
    QLabel* Status() const { return m_status; }
    QPushButton* CancelButton() const { return m_cancel; }
    // Message 0x0410: the byte count so far (any thread).
    void StorePosition(DWORD dwBytes) { m_position = dwBytes; }
    DWORD StoredPosition() const { return m_position.load(); }
    // Moves the bar to the stored position (GUI thread).
    void ApplyPosition();
    void SetCancelHandler(std::function<void()> onCancel) { m_onCancel = std::move(onCancel); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape cancels the exchange; the window stays until it ends

private:
    QProgressBar* m_bar;
    QLabel* m_status;
    QPushButton* m_cancel;
    std::function<void()> m_onCancel;
    std::atomic<DWORD> m_position{0};
};

// The GUI side of CSerialEx::SerialSetup: runs the set-up dialogs modally.
class CSerialSetupUi : public serio::ISerialSetupUi {
public:
    explicit CSerialSetupUi(QWidget* parent = nullptr) : m_parent(parent) {}
    bool EditSerialSettings(serio::SerialSettings& settings, bool portOnly) override;

private:
    QPointer<QWidget> m_parent;
};

// The owner window handed to CPacket::Open: makes progress windows over it.
class CPacketOwnerWidget : public serio::IPacketOwner {
public:
    explicit CPacketOwnerWidget(QWidget* owner) : m_owner(owner) {}
    std::unique_ptr<serio::ISerialProgress> CreateProgressWindow(const char* title, DWORD dwTotal) override;
    // What the windows' Cancel does (on the GUI thread); none: no Cancel button.
    void SetCancelHandler(std::function<void()> onCancel) { m_onCancel = std::move(onCancel); }

private:
    QPointer<QWidget> m_owner;
    std::function<void()> m_onCancel;
};
