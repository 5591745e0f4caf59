// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/user_image_dlg.h"

#include "ui/board_qtext.h"
#include "ui/qt_text.h"

#include "core/atomic_file.h"

#include <QBuffer>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstring>

namespace {

using lumivo::Tr;

// The largest picture file read, and the most a decoder may allocate for it.
constexpr size_t kMaxPictureFile = 64u << 20;
constexpr int kMaxDecodeMegabytes = 8;

constexpr int kLed = 4; // screen pixels per LED in the preview


// The RGX image as LED dots on a dark board.
QPixmap Dots(const CRGX<8192>& image)
{
    const int w = image.header.width, h = image.header.height;
    if (w <= 0 || h <= 0)
        return {};
    BITMAP bm{};
    image.GetBitmapData(&bm);
    std::vector<unsigned char> pixels(size_t(bm.bmWidthBytes) * size_t(bm.bmHeight));
    image.GetBitmapData(pixels.data(), pixels.size());
    QPixmap out(w * kLed, h * kLed);
    out.fill(QColor(24, 24, 24));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t rgb = 0;
            std::memcpy(&rgb, pixels.data() + size_t(y) * size_t(bm.bmWidthBytes) + size_t(x) * 4, 4);
            p.setBrush(rgb & 0xFFFFFF ? QColor::fromRgb(rgb) : QColor(48, 48, 48));
            p.drawEllipse(x * kLed, y * kLed, kLed - 1, kLed - 1);
        }
    return out;
}

} // namespace

QString CUserImageDlg::FileFilter()
{
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(f));
    return QStringLiteral("All Image Files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

bool CUserImageDlg::ReadPicture(const QString& path, lumivo::Rgb24Picture& picture, QString& error)
{
    // Read through the bounded, non-blocking reader: a FIFO or device under
    // a picture's name is refused instead of hanging the window.
    std::vector<uint8_t> bytes;
    if (lumivo::Result r = lumivo::ReadFileLimited(QFile::encodeName(path).toStdString(), kMaxPictureFile, bytes);
        !r) {
        error = lumivo::BoardQText("ImageUnreadable", "The picture %s cannot be read: %s.",
                                   {path.toStdString(), r.FirstError()});
        return false;
    }
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // A user image is tiny: a decoder never needs more than this, whatever
    // size a damaged header claims.
    struct Limit {
        int old = QImageReader::allocationLimit();
        Limit() { QImageReader::setAllocationLimit(kMaxDecodeMegabytes); }
        ~Limit() { QImageReader::setAllocationLimit(old); }
    } limit;
    // The size is checked before the pixels are decoded.
    const QSize size = reader.size();
    if (size.isValid() && !lumivo::FitsUserImage(size.width(), size.height())) {
        error = QString::fromStdString(lumivo::TooLargeText(size.width(), size.height()));
        return false;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        error = lumivo::BoardQText("ImageUnreadable", "The picture %s cannot be read: %s.",
                      {path.toStdString(), reader.errorString().toStdString()});
        return false;
    }
    if (!lumivo::FitsUserImage(image.width(), image.height())) {
        error = QString::fromStdString(lumivo::TooLargeText(image.width(), image.height()));
        return false;
    }
    // Palette and other depths become 24 bits before the thresholds apply.
    image = image.convertToFormat(QImage::Format_BGR888);
    picture.width = image.width();
    picture.height = image.height();
    picture.bgr.resize(size_t(picture.width) * size_t(picture.height) * 3);
    // Format_BGR888 keeps blue, green, red in memory order; rows lose their padding.
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(picture.bgr.data() + size_t(y) * size_t(picture.width) * 3, image.constScanLine(y),
                    size_t(picture.width) * 3);
    return true;
}

CUserImageDlg::CUserImageDlg(const lumivo::CProjectCore& project, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget), m_add(new QPushButton), m_remove(new QPushButton),
      m_sendButton(new QPushButton(Tr("UserDialog", "Send"))), m_picture(new QLabel), m_size(new QLabel)
{
    setWindowTitle(Tr("rbHome", "rbCtrlUserImage"));
    setObjectName(QStringLiteral("UserImageDlg"));
    const std::vector<CRGX<8192>> images = project.UserImages();
    for (size_t i = 0; i < images.size(); ++i) {
        Entry e;
        e.image = &images[i];
        e.name = QString::asprintf("User Image %02d", int(i + 1));
        m_entries.push_back(std::move(e));
    }
    chooseFile = [this] { return QFileDialog::getOpenFileName(this, QString(), QString(), FileFilter()); };
    showMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

    m_add->setText(lumivo::BoardQText("ImageAdd", "&Add..."));
    m_remove->setText(lumivo::BoardQText("ImageRemove", "&Remove"));
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(m_add);
    listButtons->addWidget(m_remove);
    auto* left = new QVBoxLayout;
    left->addWidget(m_list);
    left->addLayout(listButtons);

    auto* colorBox = new QGroupBox(Tr("UserDialog", "Color"));
    auto* grid = new QGridLayout(colorBox);
    const char* names[3] = {"R", "G", "B"};
    for (int c = 0; c < 3; ++c) {
        m_sliders[c] = new QSlider(Qt::Horizontal);
        m_fields[c] = new QSpinBox;
        m_sliders[c]->setRange(0, 255);
        m_fields[c]->setRange(0, 255);
        grid->addWidget(new QLabel(QString::fromLatin1(names[c])), c, 0);
        grid->addWidget(m_sliders[c], c, 1);
        grid->addWidget(m_fields[c], c, 2);
        connect(m_sliders[c], &QSlider::valueChanged, m_fields[c], &QSpinBox::setValue);
        connect(m_fields[c], &QSpinBox::valueChanged, m_sliders[c], &QSlider::setValue);
        connect(m_fields[c], &QSpinBox::valueChanged, this, [this] { ThresholdsChanged(); });
    }
    SetThresholds(128, 128, 255);
    auto* infoBox = new QGroupBox(Tr("UserDialog", "Information"));
    (new QVBoxLayout(infoBox))->addWidget(m_size);
    auto* showBox = new QGroupBox(Tr("UserDialog", "ShowBitmap"));
    (new QVBoxLayout(showBox))->addWidget(m_picture);
    m_picture->setMinimumSize(128 * 2, 64);
    auto* right = new QVBoxLayout;
    right->addWidget(showBox);
    right->addWidget(infoBox);
    right->addWidget(colorBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(Tr("DialogCommon", "btnOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Tr("DialogCommon", "btnCancel"));
    buttons->addButton(m_sendButton, QDialogButtonBox::ActionRole);
    auto* row = new QHBoxLayout;
    row->addLayout(left, 1);
    row->addLayout(right, 2);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_sendButton, &QPushButton::clicked, this, [this] {
        m_send = true;
        accept();
    });
    connect(m_add, &QPushButton::clicked, this, &CUserImageDlg::Add);
    connect(m_remove, &QPushButton::clicked, this, &CUserImageDlg::RemoveSelected);
    auto* del = new QShortcut(QKeySequence::Delete, m_list);
    connect(del, &QShortcut::activated, this, &CUserImageDlg::RemoveSelected);
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
    Relist();
}

QString CUserImageDlg::EntryName(int row) const { return m_entries.at(size_t(row)).name; }

uint32_t CUserImageDlg::Thresholds() const
{
    return lumivo::MakeThresholds(unsigned(m_fields[0]->value()), unsigned(m_fields[1]->value()),
                                  unsigned(m_fields[2]->value()));
}

void CUserImageDlg::SetThresholds(unsigned red, unsigned green, unsigned blue)
{
    m_setting = true;
    m_fields[0]->setValue(int(red));
    m_fields[1]->setValue(int(green));
    m_fields[2]->setValue(int(blue));
    m_setting = false;
    ThresholdsChanged();
}

void CUserImageDlg::SetSendEnabled(bool enabled) { m_sendButton->setEnabled(enabled); }

void CUserImageDlg::Add()
{
    if (m_entries.size() >= CContent::kUserImages || !chooseFile)
        return;
    const QString path = chooseFile();
    if (!path.isEmpty())
        AddFile(path);
}

bool CUserImageDlg::AddFile(const QString& path)
{
    if (m_entries.size() >= CContent::kUserImages)
        return false;
    Entry e;
    e.source.emplace();
    QString error;
    if (!ReadPicture(path, *e.source, error)) {
        if (showMessage)
            showMessage(error);
        return false;
    }
    e.thresholds = Thresholds();
    const lumivo::Result r = lumivo::ConvertUserImage(*e.source, e.thresholds, e.image);
    if (!r) {
        if (showMessage)
            showMessage(QString::fromStdString(r.messages().empty() ? std::string() : r.messages().front().text));
        return false;
    }
    e.name = QStringLiteral("No%1 - %2").arg(m_entries.size() + 1).arg(QFileInfo(path).completeBaseName());
    m_entries.push_back(std::move(e));
    Relist();
    m_list->setCurrentRow(int(m_entries.size()) - 1);
    return true;
}

void CUserImageDlg::RemoveSelected()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= Count())
        return;
    m_entries.erase(m_entries.begin() + row);
    Relist();
    m_list->setCurrentRow(std::min(row, Count() - 1));
}

void CUserImageDlg::Relist()
{
    m_list->clear();
    for (const Entry& e : m_entries)
        m_list->addItem(e.name);
    m_add->setEnabled(m_entries.size() < CContent::kUserImages);
    ShowSelected();
}

void CUserImageDlg::ShowSelected()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= Count()) {
        m_picture->clear();
        m_size->clear();
        return;
    }
    const CUserRGX& image = m_entries[size_t(row)].image;
    m_picture->setPixmap(Dots(image));
    m_size->setText(QStringLiteral("%1: %2   %3: %4")
                        .arg(Tr("UserDialog", "Width"))
                        .arg(image.header.width)
                        .arg(Tr("UserDialog", "Height"))
                        .arg(image.header.height));
}

void CUserImageDlg::ThresholdsChanged()
{
    if (m_setting)
        return;
    const int row = m_list ? m_list->currentRow() : -1;
    if (row < 0 || row >= Count())
        return;
    Entry& e = m_entries[size_t(row)];
    // Entries from the project have no source to convert again.
    if (!e.source)
        return;
    e.thresholds = Thresholds();
    lumivo::ConvertUserImage(*e.source, e.thresholds, e.image);
    ShowSelected();
}

std::vector<CRGX<8192>> CUserImageDlg::Images() const
{
    std::vector<CRGX<8192>> images;
    for (const Entry& e : m_entries)
        images.push_back(static_cast<const CRGX<8192>&>(e.image));
    return images;
}

bool CUserImageDlg::SameAs(const std::vector<CRGX<8192>>& images) const
{
    if (images.size() != m_entries.size())
        return false;
    for (size_t i = 0; i < images.size(); ++i)
        if (std::memcmp(&images[i].header, &m_entries[i].image.header, sizeof(RGX_HEADER)) != 0 ||
            std::memcmp(images[i].data, m_entries[i].image.data, sizeof images[i].data) != 0)
            return false;
    return true;
}
