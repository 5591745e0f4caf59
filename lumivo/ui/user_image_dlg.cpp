// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/user_image_dlg.h"

#include "core/image_budget.h"
#include "core/image_use.h"
#include "core/text_recipe.h"
#include "ui/board_qtext.h"
#include "ui/qt_text.h"

#include <QComboBox>
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
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

using lumivo::Tr;

// The LED view: the whole image, each LED as large as the box allows.
constexpr QSize kDotsBox(512, 192);
constexpr QSize kOriginalBox(256, 192);
// The largest picture file read, and the most a decoder may allocate for it:
// the largest picture that is fitted to a user image, as 32-bit pixels.
constexpr size_t kMaxPictureFile = 64u << 20;
constexpr int kMaxDecodeMegabytes = int(lumivo::kMaxPicturePixels * 4 / (1024 * 1024)) + 1;

QString Text(const char* key, const char* english, std::initializer_list<std::string> args = {})
{
    return QString::fromStdString(lumivo::FontImageText(key, english, args));
}

// The RGX image as LED dots on a dark board, scaled to fit the box.
QPixmap Dots(const CRGX<8192>& image)
{
    const int w = image.header.width, h = image.header.height;
    if (w <= 0 || h <= 0)
        return {};
    BITMAP bm{};
    image.GetBitmapData(&bm);
    std::vector<unsigned char> pixels(size_t(bm.bmWidthBytes) * size_t(bm.bmHeight));
    image.GetBitmapData(pixels.data(), pixels.size());
    const int led = std::clamp(std::min(kDotsBox.width() / w, kDotsBox.height() / h), 1, 8);
    QPixmap out(w * led, h * led);
    out.fill(QColor(24, 24, 24));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Only the rows and columns the pixels hold: a header may claim more.
    const long rows = std::min<long>(h, bm.bmHeight), columns = std::min<long>(w, bm.bmWidthBytes / 4);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            uint32_t rgb = 0;
            std::memcpy(&rgb, pixels.data() + size_t(y) * size_t(bm.bmWidthBytes) + size_t(x) * 4, 4);
            p.setBrush(rgb & 0xFFFFFF ? QColor::fromRgb(rgb) : QColor(48, 48, 48));
            if (led >= 3)
                p.drawEllipse(x * led, y * led, led - 1, led - 1);
            else
                p.drawRect(x * led, y * led, led, led);
        }
    return out;
}

QPixmap PictureView(const lumivo::Rgb24Picture& picture)
{
    const QImage image(picture.bgr.data(), picture.width, picture.height, picture.width * 3, QImage::Format_BGR888);
    return QPixmap::fromImage(image.scaled(kOriginalBox, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace

QString CUserImageDlg::FileFilter()
{
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(f));
    return Tr("UserDialog", "AllImageFiles") + QStringLiteral(" (%1)").arg(patterns.join(QLatin1Char(' ')));
}

bool CUserImageDlg::ReadPicture(const QString& path, lumivo::Rgb24Picture& picture, QString& error, int frame,
                                int* frames)
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
    // A decoder never needs more than the largest picture that is fitted,
    // whatever size a damaged header claims.
    struct Limit {
        int old = QImageReader::allocationLimit();
        Limit() { QImageReader::setAllocationLimit(kMaxDecodeMegabytes); }
        ~Limit() { QImageReader::setAllocationLimit(old); }
    } limit;
    // The size is checked before the pixels are decoded.
    const QSize size = reader.size();
    if (size.isValid()) {
        if (const std::string problem = lumivo::PictureSizeProblem(size.width(), size.height()); !problem.empty()) {
            error = QString::fromStdString(problem);
            return false;
        }
    }
    if (frames)
        *frames = std::clamp(reader.imageCount(), 1, kMaxFrames);
    if (frame > 0 && !reader.jumpToImage(std::min(frame, kMaxFrames - 1))) {
        error = lumivo::BoardQText("ImageUnreadable", "The picture %s cannot be read: %s.",
                                   {path.toStdString(), reader.errorString().toStdString()});
        return false;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        error = lumivo::BoardQText("ImageUnreadable", "The picture %s cannot be read: %s.",
                      {path.toStdString(), reader.errorString().toStdString()});
        return false;
    }
    if (const std::string problem = lumivo::PictureSizeProblem(image.width(), image.height()); !problem.empty()) {
        error = QString::fromStdString(problem);
        return false;
    }
    // Transparent parts become dark: the picture is laid on black.
    if (image.hasAlphaChannel()) {
        QImage dark(image.size(), QImage::Format_RGB32);
        dark.fill(Qt::black);
        QPainter(&dark).drawImage(0, 0, image);
        image = dark;
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
      m_up(new QPushButton), m_down(new QPushButton), m_sendButton(new QPushButton(Tr("UserDialog", "Send"))), m_picture(new QLabel), m_original(new QLabel),
      m_size(new QLabel), m_meter(new QLabel), m_note(new QLabel), m_fit(new QComboBox),
      m_conversion(new QComboBox), m_width(new QSpinBox), m_height(new QSpinBox), m_frame(new QSpinBox),
      m_project(project), m_boardHeight(std::max(16, int(project.Board().moduleRow) * 16))
{
    setWindowTitle(Tr("rbHome", "rbCtrlUserImage"));
    setObjectName(QStringLiteral("UserImageDlg"));
    const std::vector<CRGX<8192>> images = project.UserImages();
    for (size_t i = 0; i < images.size(); ++i) {
        Entry e;
        e.image = &images[i];
        e.name = QString::asprintf("User Image %02d", int(i + 1));
        e.slot = unsigned(i);
        m_entries.push_back(std::move(e));
    }
    chooseFile = [this] { return QFileDialog::getOpenFileName(this, QString(), QString(), FileFilter()); };
    showMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

    m_add->setText(lumivo::BoardQText("ImageAdd", "&Add..."));
    m_remove->setText(lumivo::BoardQText("ImageRemove", "&Remove"));
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(m_add);
    listButtons->addWidget(m_remove);
    m_up->setText(lumivo::BoardQText("ImageUp", "Move &Up"));
    m_down->setText(lumivo::BoardQText("ImageDown", "Move &Down"));
    listButtons->addWidget(m_up);
    listButtons->addWidget(m_down);
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
    // Blue takes no part in the thresholds; the dithers use all three colours.
    m_sliders[2]->setEnabled(false);
    m_fields[2]->setEnabled(false);
    m_note->setWordWrap(true);
    grid->addWidget(m_note, 3, 0, 1, 3);
    SetThresholds(128, 128, 255);

    auto* makeBox = new QGroupBox(Text("Making", "Size and conversion"));
    auto* form = new QFormLayout(makeBox);
    m_fit->addItem(Text("OwnSize", "As the picture"), -1);
    m_fit->addItem(Text("Fit", "Fit (whole picture)"), int(lumivo::FitMode::Fit));
    m_fit->addItem(Text("Fill", "Fill (cut to fill)"), int(lumivo::FitMode::Fill));
    m_fit->addItem(Text("Stretch", "Stretch"), int(lumivo::FitMode::Stretch));
    m_conversion->addItem(Text("ConvThresholds", "Thresholds"), int(lumivo::Conversion::Thresholds));
    m_conversion->addItem(Text("ConvOrdered", "Ordered dots (photographs)"), int(lumivo::Conversion::Ordered));
    m_conversion->addItem(Text("ConvDiffusion", "Error diffusion (photographs)"), int(lumivo::Conversion::Diffusion));
    m_width->setRange(2, 1022);
    m_width->setSingleStep(2);
    m_height->setRange(1, 64);
    m_frame->setRange(1, 1);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_width);
    sizeRow->addWidget(new QLabel(QStringLiteral("×")));
    sizeRow->addWidget(m_height);
    const QString labels[] = {Text("FitLabel", "&Size"), Text("Dimensions", "&Width × height"),
                              Text("Conversion", "&Conversion"), Text("Frame", "&Frame")};
    QWidget* fields[] = {m_fit, m_width, m_conversion, m_frame};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(labels[i]);
        label->setBuddy(fields[i]);
        if (i == 1)
            form->addRow(label, sizeRow);
        else
            form->addRow(label, fields[i]);
    }
    for (QComboBox* box : {m_fit, m_conversion})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { MakingChanged(); });
    for (QSpinBox* box : {m_width, m_height, m_frame})
        connect(box, &QSpinBox::valueChanged, this, [this] { MakingChanged(); });

    auto* infoBox = new QGroupBox(Tr("UserDialog", "Information"));
    (new QVBoxLayout(infoBox))->addWidget(m_size);
    auto* showBox = new QGroupBox(Tr("UserDialog", "ShowBitmap"));
    auto* views = new QHBoxLayout(showBox);
    views->addWidget(m_original);
    views->addWidget(m_picture);
    m_original->setFixedSize(kOriginalBox);
    m_picture->setFixedSize(kDotsBox);
    for (QLabel* view : {m_original, m_picture})
        view->setAlignment(Qt::AlignCenter);
    auto* right = new QVBoxLayout;
    right->addWidget(showBox);
    right->addWidget(infoBox);
    right->addWidget(makeBox);
    right->addWidget(colorBox);
    left->addWidget(m_meter);

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
    // Delete, and Alt+Up and Alt+Down as the Ad list moves its Ads: the
    // list takes those keys for itself before any shortcut sees them.
    m_list->installEventFilter(this);
    connect(m_up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
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
    e.path = path;
    QString error;
    if (!ReadPicture(path, *e.source, error, 0, &e.making.frames)) {
        if (showMessage)
            showMessage(error);
        return false;
    }
    e.thresholds = Thresholds();
    e.making.width = e.source->width;
    e.making.height = e.source->height;
    // A picture too large at its own size is fitted to the board's height.
    if (!lumivo::FitsUserImage(e.source->width, e.source->height)) {
        e.making.fit = int(lumivo::FitMode::Fit);
        lumivo::DefaultPictureSize(e.source->width, e.source->height, m_boardHeight, e.making.width,
                                   e.making.height);
    }
    const lumivo::Result r = Convert(e);
    if (!r) {
        if (showMessage)
            showMessage(QString::fromStdString(r.FirstError()));
        return false;
    }
    e.name = QStringLiteral("No%1 - %2").arg(m_entries.size() + 1).arg(QFileInfo(path).completeBaseName());
    m_entries.push_back(std::move(e));
    Relist();
    m_list->setCurrentRow(int(m_entries.size()) - 1);
    return true;
}

lumivo::Result CUserImageDlg::Convert(Entry& e) const
{
    if (!e.source)
        return {};
    if (e.making.fit < 0)
        return lumivo::ConvertPicture(*e.source, e.making.conversion, e.thresholds, e.image);
    lumivo::Rgb24Picture fitted;
    if (lumivo::Result r = lumivo::FitPicture(*e.source, e.making.width, e.making.height,
                                              lumivo::FitMode(e.making.fit), fitted);
        !r)
        return r;
    return lumivo::ConvertPicture(fitted, e.making.conversion, e.thresholds, e.image);
}

void CUserImageDlg::RemoveSelected()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= Count())
        return;
    // Items name their picture by slot: one they show stays until they show another.
    if (const std::optional<unsigned> slot = m_entries[size_t(row)].slot) {
        if (const lumivo::Result r = lumivo::CheckUserImageRemovable(m_project, *slot); !r) {
            showMessage(QString::fromStdString(r.FirstError()));
            return;
        }
    }
    m_entries.erase(m_entries.begin() + row);
    Relist();
    m_list->setCurrentRow(std::min(row, Count() - 1));
}

bool CUserImageDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Delete))
        RemoveSelected();
    else if (key->keyCombination() == QKeyCombination(Qt::AltModifier, Qt::Key_Up))
        MoveSelected(-1);
    else if (key->keyCombination() == QKeyCombination(Qt::AltModifier, Qt::Key_Down))
        MoveSelected(1);
    else
        return QDialog::eventFilter(watched, event);
    return true;
}

void CUserImageDlg::MoveSelected(int by)
{
    const int row = m_list->currentRow();
    const int to = row + by;
    if (row < 0 || row >= Count() || to < 0 || to >= Count())
        return;
    std::swap(m_entries[size_t(row)], m_entries[size_t(to)]);
    Relist();
    m_list->setCurrentRow(to);
}

lumivo::ImageOrigins CUserImageDlg::Origins() const
{
    lumivo::ImageOrigins origins;
    for (const Entry& e : m_entries)
        origins.push_back(e.slot);
    return origins;
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
    m_meter->setText(QString::fromStdString(lumivo::UserImageMeterText(lumivo::MeasureUserImages(Images()))));
    const int row = m_list->currentRow();
    if (row < 0 || row >= Count()) {
        m_picture->clear();
        m_original->clear();
        m_size->clear();
        ShowMaking(nullptr);
        return;
    }
    const Entry& e = m_entries[size_t(row)];
    // The sliders show the entry's own thresholds.
    if (Thresholds() != e.thresholds) {
        m_setting = true;
        for (int c = 0; c < 3; ++c)
            m_fields[c]->setValue(int((e.thresholds >> (8 * c)) & 0xFF));
        m_setting = false;
    }
    ShowMaking(&e);
    m_picture->setPixmap(Dots(e.image));
    if (e.source)
        m_original->setPixmap(PictureView(*e.source));
    else
        m_original->clear();
    m_size->setText(QStringLiteral("%1: %2   %3: %4")
                        .arg(Tr("UserDialog", "Width"))
                        .arg(e.image.header.width)
                        .arg(Tr("UserDialog", "Height"))
                        .arg(e.image.header.height));
}

void CUserImageDlg::ShowMaking(const Entry* e)
{
    m_setting = true;
    const Making making = e ? e->making : Making{};
    m_fit->setCurrentIndex(m_fit->findData(making.fit));
    m_conversion->setCurrentIndex(m_conversion->findData(int(making.conversion)));
    m_width->setValue(making.width);
    m_height->setValue(making.height);
    m_frame->setRange(1, std::max(making.frames, 1));
    m_frame->setValue(making.frame + 1);
    m_setting = false;
    const bool source = e && e->source;
    for (QWidget* w : std::initializer_list<QWidget*>{m_fit, m_conversion})
        w->setEnabled(source);
    for (QWidget* w : std::initializer_list<QWidget*>{m_width, m_height})
        w->setEnabled(source && making.fit >= 0);
    m_frame->setEnabled(source && making.frames > 1);
    const bool thresholds = making.conversion == lumivo::Conversion::Thresholds;
    for (int c = 0; c < 2; ++c) {
        m_sliders[c]->setEnabled(thresholds);
        m_fields[c]->setEnabled(thresholds);
    }
    QString note = thresholds ? Text("BlueUnused", "Blue is not used by the thresholds: a dot lights red and green "
                                                   "where they reach theirs.")
                              : Text("NoThresholds", "The dithering uses red, green and blue and no thresholds.");
    if (source && making.frames > 1)
        note += QLatin1Char(' ') + Text("OneFrame", "The board has no user animations: choose one of the %s frames.",
                                        {std::to_string(making.frames)});
    m_note->setText(note);
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
    Convert(e);
    ShowSelected();
}

void CUserImageDlg::MakingChanged()
{
    if (m_setting)
        return;
    const int row = m_list->currentRow();
    if (row < 0 || row >= Count() || !m_entries[size_t(row)].source)
        return;
    Entry& e = m_entries[size_t(row)];
    Making making = e.making;
    making.fit = m_fit->currentData().toInt();
    making.conversion = lumivo::Conversion(m_conversion->currentData().toInt());
    if (making.fit < 0) {
        making.width = e.source->width;
        making.height = e.source->height;
    } else if (e.making.fit < 0) {
        lumivo::DefaultPictureSize(e.source->width, e.source->height, m_boardHeight, making.width, making.height);
    } else {
        making.width = m_width->value() & ~1;
        making.height = m_height->value();
    }
    if (m_frame->value() - 1 != making.frame) {
        lumivo::Rgb24Picture frame;
        QString error;
        if (ReadPicture(e.path, frame, error, m_frame->value() - 1)) {
            e.source = std::move(frame);
            making.frame = m_frame->value() - 1;
        } else if (showMessage) {
            showMessage(error);
        }
    }
    Entry changed = e;
    changed.making = making;
    const lumivo::Result r = Convert(changed);
    if (r)
        e = std::move(changed);
    else if (showMessage)
        showMessage(QString::fromStdString(r.FirstError()));
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
