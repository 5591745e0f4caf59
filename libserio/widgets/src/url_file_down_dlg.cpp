// SPDX-License-Identifier: BSD-2-Clause
#include <serio/widgets/url_file_down_dlg.h>

#include "lang_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimerEvent>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

using serio::widgets::Fill;

QString Text(const char* key, const char* english)
{
    return serio::widgets::Text("DownloadDialog", key, english);
}

QString ProgressText(const QString& done, const QString& total)
{
    return Fill(Text("Progress", "Downloaded %s of %s"), {done, total});
}

void ShowDiagnostic(QWidget* parent, int line)
{
    QMessageBox::warning(parent, QStringLiteral("lumivo"),
                         QStringLiteral("Error file: %1 %2 line").arg(QStringLiteral("UrlFileDownDlg")).arg(line));
}

QString FailureText(uint code, const QString& detail)
{
    const QString hex = QStringLiteral("%1").arg(code, 8, 16, QLatin1Char('0')).toUpper();
    if (detail.isEmpty())
        return Fill(Text("FailedNoDetail", "Download failed.  Error = 0x%s\n\nNo message available."), {hex});
    return Fill(Text("Failed", "Download failed.  Error = 0x%s\n\n%s"), {hex, detail});
}

} // namespace

CUrlFileDownDlg::CUrlFileDownDlg(const QString& url, const QString& path, QWidget* parent)
    : QDialog(parent), m_progress(new QProgressBar), m_status(new QLabel), m_download(new QPushButton),
      m_update(new QPushButton), m_network(new QNetworkAccessManager(this))
{
    setWindowTitle(Text("Title", "Download..."));
    m_progress->setObjectName(QStringLiteral("4007"));
    m_status->setObjectName(QStringLiteral("4008"));
    m_download->setObjectName(QStringLiteral("4009"));
    m_update->setObjectName(QStringLiteral("4010"));
    m_status->setText(ProgressText(QStringLiteral("0.0KB"), QStringLiteral("0.0KB")));
    m_download->setText(Text("BtnDownload", "&Download"));
    m_update->setText(Text("BtnUpdate", "&Update"));
    m_progress->setTextVisible(false);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_progress);
    column->addWidget(m_status);
    // The two buttons share one place; only one of them shows at a time.
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_download);
    row->addWidget(m_update);
    column->addLayout(row);
    resize(360, 110);

    connect(m_download, &QPushButton::clicked, this, &CUrlFileDownDlg::OnBtnDownload);
    connect(m_update, &QPushButton::clicked, this, &CUrlFileDownDlg::OnBtnUpdate);
    showMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

    if (url.isEmpty() || path.isEmpty() || url.size() > kMaxUrl || path.size() > kMaxPath) {
        ShowDiagnostic(parent, __LINE__);
        return;
    }
    m_url = url;
    m_path = path;
}

CUrlFileDownDlg::~CUrlFileDownDlg()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    delete m_file; // an unfinished QSaveFile leaves the target untouched
}

void CUrlFileDownDlg::SetCheckSum(const uint8_t* bytes, int length)
{
    if (!bytes || length < 0) {
        ShowDiagnostic(this, __LINE__);
        return;
    }
    m_checkSum.assign(bytes, bytes + length);
}

bool CUrlFileDownDlg::CreateEx(Qt::WindowFlags extraFlags, QWidget* parent)
{
    if (parent)
        setParent(parent, windowFlags() | extraFlags);
    else if (extraFlags)
        setWindowFlags(windowFlags() | extraFlags);
    setModal(false);
    show();
    return true;
}

void CUrlFileDownDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
}

void CUrlFileDownDlg::OnInitDialog()
{
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_update->hide();
    if (m_autoStart)
        OnBtnDownload();
}

void CUrlFileDownDlg::OnBtnDownload()
{
    if (m_reply)
        return;
    m_progress->setValue(0);
    m_succeeded = false;
    m_finished = false;
    if (m_url.isEmpty())
        return; // nothing to fetch: the dialog stays idle

    m_download->setEnabled(false);
    m_update->setEnabled(false);
    if (m_autoClose && !m_timer)
        m_timer = startTimer(50);

    // The file is opened afterwards: only over https, where the server's
    // certificate is checked, can nobody on the way replace it.
    const QUrl url(m_url);
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0) {
        RefuseDownload(uint(QNetworkReply::ProtocolUnknownError),
                       Fill(Text("OnlyHttps", "Only https addresses are downloaded: over %s anyone on the network "
                                              "path could replace the file.\n\n%s"),
                            {url.scheme().isEmpty() ? Text("NoScheme", "this address") : url.scheme(), m_url}));
        return;
    }
    delete m_file;
    m_file = new QSaveFile(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString text = m_file->errorString();
        delete m_file;
        m_file = nullptr;
        RefuseDownload(uint(QNetworkReply::UnknownContentError), text);
        return;
    }
    QNetworkRequest request{url};
    // Redirects may not leave https; the peer's certificate must verify.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QSslConfiguration tls = request.sslConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    request.setSslConfiguration(tls);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        if (m_file)
            m_file->write(m_reply->readAll());
    });
    connect(m_reply, &QNetworkReply::downloadProgress, this,
            [this](qint64 done, qint64 total) { UpdateProgress(done, total < 0 ? 0 : total); });
    connect(m_reply, &QNetworkReply::finished, this, &CUrlFileDownDlg::OnTransferFinished);
}

void CUrlFileDownDlg::RefuseDownload(uint code, const QString& why)
{
    m_finished = true;
    if (!m_autoClose)
        showMessage(FailureText(code, why));
    m_download->setEnabled(true);
    m_update->setEnabled(true);
    emit transferEnded(false);
}

void CUrlFileDownDlg::OnTransferFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    bool ok = reply->error() == QNetworkReply::NoError;
    if (ok && m_file) {
        m_file->write(reply->readAll());
        ok = m_file->commit();
    }
    delete m_file;
    m_file = nullptr;
    m_succeeded = ok;

    if (m_autoClose) {
        m_finished = true;
    } else if (!ok) {
        // A reply without a network error failed while writing the file.
        const bool netError = reply->error() != QNetworkReply::NoError;
        showMessage(FailureText(netError ? uint(reply->error()) : uint(QNetworkReply::UnknownContentError),
                                netError ? reply->errorString() : Text("WriteFailed", "The file could not be written.")));
        m_download->show();
        m_update->hide();
    } else {
        m_download->hide();
        m_update->show();
    }
    m_download->setEnabled(true);
    m_update->setEnabled(true);
    emit transferEnded(ok);
}

void CUrlFileDownDlg::OnBtnUpdate() { accept(); }

void CUrlFileDownDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer && m_finished) {
        killTimer(m_timer);
        m_timer = 0;
        accept();
        return;
    }
    QDialog::timerEvent(event);
}

void CUrlFileDownDlg::UpdateProgress(int64_t done, int64_t total)
{
    if (total == 0) {
        m_status->setText(
            Fill(Text("ProgressUnknown", "Downloaded %s (total size unknown)"), {FormatByteSize(done)}));
        return;
    }
    m_status->setText(ProgressText(FormatByteSize(done), FormatByteSize(total)));
    m_progress->setValue(int(std::clamp<int64_t>(done * 100 / total, 0, 100)));
}

QString CUrlFileDownDlg::FormatByteSize(int64_t bytes)
{
    if (bytes < 1024)
        return Fill(Text("Bytes", "%s bytes"), {QString::number(bytes)});
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB"};
    double v = double(bytes) / 1024.0;
    int u = 0;
    while (v >= 1024.0 && u < 4) {
        v /= 1024.0;
        ++u;
    }
    // Three significant digits, cut rather than rounded.
    int decimals = v < 10 ? 2 : v < 100 ? 1 : 0;
    const double scale = decimals == 2 ? 100 : decimals == 1 ? 10 : 1;
    v = std::floor(v * scale) / scale;
    return QStringLiteral("%1 %2").arg(v, 0, 'f', decimals).arg(QLatin1String(units[u]));
}
