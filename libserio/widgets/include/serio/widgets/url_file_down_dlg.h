// SPDX-License-Identifier: BSD-2-Clause
// CUrlFileDownDlg: downloads one file from an https URL to a local path
// (the server's certificate checked), shows the progress, and lets the user
// confirm with "&Update" once the file is there.
#pragma once

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QPushButton;
class QSaveFile;

class CUrlFileDownDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxUrl = 1023;  // characters, as the URL buffer holds
    static constexpr int kMaxPath = 259;  // characters, as the path buffer holds

    // An empty or over-long URL or path is refused with the diagnostic box;
    // the dialog then has nothing to download.
    CUrlFileDownDlg(const QString& url, const QString& path, QWidget* parent = nullptr);
    ~CUrlFileDownDlg() override;

    const QString& GetUrl() const { return m_url; }
    const QString& GetPath() const { return m_path; }
    void SetAutoStart(int on) { m_autoStart = on; }
    int GetAutoStart() const { return m_autoStart; }
    void SetAutoClose(int on) { m_autoClose = on; }
    int GetAutoClose() const { return m_autoClose; }
    // Kept for the caller; the download does not compare it (see the report).
    void SetCheckSum(const uint8_t* bytes, int length);
    const std::vector<uint8_t>& GetCheckSum() const { return m_checkSum; }

    // Creates the dialog modelessly and shows it.
    virtual bool CreateEx(Qt::WindowFlags extraFlags = {}, QWidget* parent = nullptr);

    // True once a transfer ended complete and the file is in place. With
    // auto-close the dialog ends with OK whatever happened; callers that act
    // on the file check this too.
    bool Succeeded() const { return m_succeeded; }
    bool IsDownloading() const { return m_reply != nullptr; }

    void OnBtnDownload();
    void OnBtnUpdate();
    void UpdateProgress(int64_t done, int64_t total);

    // Messages go here (tests record them); the default shows a box.
    std::function<void(const QString&)> showMessage;

    QProgressBar* ProgressBar() const { return m_progress; }
    QLabel* StatusText() const { return m_status; }
    QPushButton* DownloadButton() const { return m_download; }
    QPushButton* UpdateButton() const { return m_update; }

    // The short byte-size text: "512 bytes", "1.50 KB", "15.0 KB", "150 KB", "1.17 MB".
    static QString FormatByteSize(int64_t bytes);

signals:
    void transferEnded(bool ok);

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnInitDialog();
    void OnTransferFinished();
    // Ends a download that could not start, telling why.
    void RefuseDownload(uint code, const QString& why);

    QString m_url;
    QString m_path;
    int m_autoStart = 0;
    int m_autoClose = 0;
    std::vector<uint8_t> m_checkSum;
    std::atomic<bool> m_finished{false};
    bool m_succeeded = false;
    bool m_initialised = false;
    int m_timer = 0;

    QProgressBar* m_progress;
    QLabel* m_status;
    QPushButton* m_download;
    QPushButton* m_update;
    QNetworkAccessManager* m_network;
    QNetworkReply* m_reply = nullptr;
    QSaveFile* m_file = nullptr;
};
